// Nothing a user makes is lost: every path that closes or replaces a changed picture, driven
// through the window with its dialogs answered, and what is left on screen and on disk; a
// restored picture, unsaved until it is saved; a failed open showing the picture that is
// there; the start file opened over the shown window; and the export without a window
// against the window's own.
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <deque>
#include <fstream>

#include "document/autosave.h"
#include "document/layout.h"
#include "document/undo.h"
#include "formats/formats.h"
#include "picture/ao.h"
#include "picture/imgobj.h"
#include "platform/file.h"
#include "resources/menus/commands.h"
#include "resources/menus/menus.h"
#include "resources/strings/strings.h"
#include "shell/addtextlogic.h"
#include "shell/appstate.h"
#include "shell/exportcmd.h"
#include "shell/shell.h"
#include "support/bmp_builder.h"
#include "support/data_files.h"
#include "support/layout_bytes.h"
#include "support/qt_app.h"
#include "support/random_run.h"
#include "tests/formats/photo_target.h"

namespace
{

using Step = Answers::Step;

// Answers the modal dialogs in order, one step each (a dialog shown again is answered
// again); a dialog beyond the steps is rejected and counted.
class Dialogs
{
  public:
    explicit Dialogs(std::vector<Step> steps) : mSteps(steps.begin(), steps.end()) {}
    size_t Left() const { return mSteps.size(); }
    int Extra() const { return mExtra; }

  private:
    std::deque<Step> mSteps;
    int mExtra = 0;
    Robot mRobot{[this] {
                     auto *d = qobject_cast<QDialog *>(QApplication::activeModalWidget());
                     if (!d || !d->isVisible() || d->property("answered").toBool())
                         return false;
                     d->setProperty("answered", true);
                     QObject::connect(
                         d, &QDialog::finished, d, [d] { d->setProperty("answered", false); },
                         Qt::SingleShotConnection);
                     if (mSteps.empty()) {
                         mExtra++;
                         d->reject();
                         return false;
                     }
                     const Step step = mSteps.front();
                     mSteps.pop_front();
                     step(d);
                     return false;
                 },
                 10};
};

Step ChooseFile(const std::string &path)
{
    return [path](QWidget *w) {
        ASSERT_NE(qobject_cast<QFileDialog *>(w), nullptr) << w->metaObject()->className();
        Child<QLineEdit>(w, "fileNameEdit")->setText(QString::fromStdString(path));
        QMetaObject::invokeMethod(w, "accept");
    };
}

std::deque<int> sBoxAnswers; // the message boxes' answers in turn, then OK

class UnsavedWork : public QtTest
{
  protected:
    void SetUp() override
    {
        QtTest::SetUp();
        PLATQT_SetMessageBoxHook([](const char *text, const char *, int) -> int {
            gBoxes.push_back(text);
            if (sBoxAnswers.empty())
                return PLAT_IDOK;
            const int answer = sBoxAnswers.front();
            sBoxAnswers.pop_front();
            return answer;
        });
        PLAT_WriteProfileString("SETUP", "DirectoryApp", (mDir.Path() + "/").c_str());
        WriteFile(mDir / "photo.bmp", SolidBmp(60, 40, 0x4080C0));
        WriteFile(mDir / "other.bmp", SolidBmp(50, 50, 0x20A040));
    }
    void TearDown() override
    {
        PLAT_FileFaultsReset();
        gModified = 0;
        mWindow.reset();
        Settle();
        QtTest::TearDown();
    }
    // Closing a window told the application to end, which stops every later dialog at
    // once; a run of the application loop takes that back.
    static void Settle()
    {
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
    }
    MainWindow *Make(const std::string &startFile = "")
    {
        mWindow.reset();
        Settle();
        gLanguageOffset = gModified = gDocumentOpen = gNeedsSaveAs = gFramesSuspended = 0;
        std::snprintf(gStartFile, sizeof gStartFile, "%s", startFile.c_str());
        gBoxes.clear();
        mWindow =
            std::make_unique<MainWindow>(RES_FindMenu("MENU_ENG"), RES_FindAccel("ACCEL_ENG"));
        EXPECT_EQ(mWindow->Create(), 0);
        return mWindow.get();
    }
    // The photo opened (as it is turned) with a text piece on it, and its autosave written.
    void ChangedPhoto()
    {
        Make();
        {
            Dialogs rotation({Reject()});
            ASSERT_TRUE(OpenPictureFile((mDir / "photo.bmp").c_str(), nullptr)) << gErrorTrail;
        }
        ASSERT_TRUE(ApplyAddText(nullptr, 0, "WORK")) << gErrorTrail;
        AO_ProcessFlip();
        WriteAutosave();
        ASSERT_TRUE(Autosaved());
    }
    // The autosave of the changed picture, written now rather than half a minute later.
    void WriteAutosave()
    {
        for (int tick = 0; tick < 2; tick++)
            AUTOSAVE_Tick(mClock += 3600 * 1000);
        AUTOSAVE_Wait();
    }
    static bool Autosaved()
    {
        std::error_code error;
        const std::string folder = std::string(std::getenv("XDG_STATE_HOME")) + "/merrowick";
        for (const auto &e : fs::directory_iterator(folder, error))
            if (e.path().extension() == ".mwi")
                return true;
        return false;
    }
    // The files in the folder beside the two photos.
    std::vector<std::string> Files() const
    {
        std::vector<std::string> out;
        for (const auto &e : fs::directory_iterator(mDir.Path()))
            if (e.path().filename() != "photo.bmp" && e.path().filename() != "other.bmp")
                out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }
    // What the window shows: "closed", or the photo's size and the pieces' texts.
    std::string Picture() const
    {
        if (!mWindow->Running())
            return "closed";
        std::string s = std::to_string(gPhotoWidth) + "x" + std::to_string(gPhotoHeight);
        for (const IMGOBJ *p : Pieces())
            s += std::string(" ") + p->szText;
        return s;
    }
    std::string Title() const
    {
        return mWindow->Running() ? mWindow->windowTitle().trimmed().toStdString() : "";
    }
    TempDir mDir;
    std::unique_ptr<MainWindow> mWindow;
    uint32_t mClock = 1000;
};

} // namespace

// Exit, New, Open or a dropped file with the picture changed, and the answers a user may
// give. Only No, or a picture written to a file the user named, lets it go; everything else
// leaves it on screen, marked, and its autosave on disk.
TEST_F(UnsavedWork, APathThatClosesOrReplacesAChangedPictureGoesOnlyOnceItIsSafe)
{
    const std::string kMarked = "photo.mwi * - Merrowick";
    const std::string kShown = "60x40 WORK";
    const std::string layout = mDir / "work.mwi", jpeg = mDir / "card.jpg";
    const auto drop = [this] { OpenDocumentFile(mWindow.get(), (mDir / "other.bmp").c_str()); };
    struct Row {
        const char *path;
        std::function<void()> before; // after the change, before the path (may be null)
        int command;                  // a command, or 0 for the dropped file
        std::vector<int> boxes;       // the message boxes' answers
        std::vector<Step> dialogs;
        bool diskFull;
        std::string picture, title;
        std::vector<std::string> files;
        bool autosaved;
        size_t boxesShown;
    };
    const Row rows[] = {
        {"Exit, No", nullptr, IDM_EXIT, {PLAT_IDNO}, {}, false, "closed", "", {}, false, 1},
        {"Exit, Cancel",
         nullptr,
         IDM_EXIT,
         {PLAT_IDCANCEL},
         {},
         false,
         kShown,
         kMarked,
         {},
         true,
         1},
        {"Exit, Yes, saved",
         nullptr,
         IDM_EXIT,
         {PLAT_IDYES},
         {ChooseFile(layout)},
         false,
         "closed",
         "",
         {"work.mwi"},
         false,
         1},
        {"Exit, Yes, the save dialog cancelled",
         nullptr,
         IDM_EXIT,
         {PLAT_IDYES},
         {Reject()},
         false,
         kShown,
         kMarked,
         {},
         true,
         1},
        {"Exit, Yes, the save fails on a full disk",
         nullptr,
         IDM_EXIT,
         {PLAT_IDYES},
         {ChooseFile(layout)},
         true,
         kShown,
         kMarked,
         {},
         true,
         2},
        {"Exit, Yes, a JPEG name and no size chosen",
         nullptr,
         IDM_EXIT,
         {PLAT_IDYES},
         {ChooseFile(jpeg), Reject()},
         false,
         kShown,
         kMarked,
         {},
         true,
         1},
        {"Exit, Yes, a name with a dot of its own",
         nullptr,
         IDM_EXIT,
         {PLAT_IDYES},
         {ChooseFile(mDir / "holiday.2019")},
         false,
         "closed",
         "",
         {"holiday.2019.mwi"},
         false,
         1},
        {"Exit, Yes, a name with a dot whose layout is there, not replaced",
         [&] { mDir.WriteText("holiday.2019.mwi", "someone else's"); },
         IDM_EXIT,
         {PLAT_IDYES, PLAT_IDNO},
         {ChooseFile(mDir / "holiday.2019"), Reject()},
         false,
         kShown,
         kMarked,
         {"holiday.2019.mwi"},
         true,
         2},
        {"New, Yes, the save dialog cancelled",
         nullptr,
         IDM_NEW,
         {PLAT_IDYES},
         {Reject()},
         false,
         kShown,
         kMarked,
         {},
         true,
         1},
        {"Open, Yes, the save fails on a full disk",
         nullptr,
         IDM_OPEN,
         {PLAT_IDYES},
         {ChooseFile(layout)},
         true,
         kShown,
         kMarked,
         {},
         true,
         2},
        {"Open, No, the open dialog cancelled",
         nullptr,
         IDM_OPEN,
         {PLAT_IDNO},
         {Reject()},
         false,
         kShown,
         kMarked,
         {},
         true,
         1},
        {"Open, No, another photo",
         nullptr,
         IDM_OPEN,
         {PLAT_IDNO},
         {ChooseFile(mDir / "other.bmp"), Reject()},
         false,
         "50x50",
         "other.mwi - Merrowick",
         {},
         false,
         1},
        {"A dropped file, Yes, the save dialog cancelled",
         nullptr,
         0,
         {PLAT_IDYES},
         {Reject()},
         false,
         kShown,
         kMarked,
         {},
         true,
         1},
        // After a JPEG export Save has a name, but the layout of that name beside the photo
        // is not this picture's: the dialog asks instead of replacing it.
        {"Save after a JPEG export, a layout of the name there",
         [&] {
             Dialogs size({Click("okButton")});
             ASSERT_TRUE(SavePictureFile(jpeg.c_str())) << gErrorTrail;
             mDir.WriteText("photo.mwi", "someone else's");
             ASSERT_TRUE(ApplyAddText(nullptr, 0, "MORE")) << gErrorTrail;
         },
         IDM_SAVE,
         {},
         {Reject()},
         false,
         "60x40 WORK MORE",
         kMarked,
         {"card.jpg", "photo.mwi"},
         true,
         0},
        // Left, then Ctrl+S before the next frame: the move is in the file, not after it.
        {"A key pressed just before Save",
         [&] {
             mWindow->FrameTimer().stop();
             gpFrameProc = AO_ProcessFlip;
             mWindow->OnCommand(IDM_MOVELEFT);
         },
         IDM_SAVE,
         {},
         {ChooseFile(layout)},
         false,
         kShown,
         "work.mwi - Merrowick",
         {"work.mwi"},
         false,
         0},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.path);
        ChangedPhoto();
        ASSERT_FALSE(HasFailure());
        const int32_t x = Pieces()[0]->ao.x;
        if (r.before) {
            r.before();
            WriteAutosave();
        }
        gBoxes.clear();
        sBoxAnswers.assign(r.boxes.begin(), r.boxes.end());
        {
            Dialogs dialogs(r.dialogs);
            if (r.diskFull)
                PLAT_FileDiskFull(0);
            if (r.command)
                mWindow->OnCommand(r.command);
            else
                drop();
            PLAT_FileFaultsReset();
            EXPECT_EQ(std::pair(dialogs.Left(), dialogs.Extra()), std::pair(size_t{0}, 0))
                << "dialogs unanswered, and dialogs that should not have come";
        }
        if (mWindow->Running())
            for (int frame = 0; frame < 3; frame++)
                AO_ProcessFlip(); // a press left over would act now
        EXPECT_EQ(Picture(), r.picture);
        EXPECT_EQ(Title(), r.title);
        EXPECT_EQ(Files(), r.files);
        EXPECT_EQ(Autosaved(), r.autosaved);
        EXPECT_EQ(gBoxes.size(), r.boxesShown) << (gBoxes.empty() ? "" : gBoxes.back());
        if (r.diskFull && gBoxes.size() == 2) {
            EXPECT_TRUE(gBoxes[1].ends_with("The file couldn't be saved.\n")) << gBoxes[1];
        }
        for (const char *name : {"holiday.2019.mwi", "photo.mwi"})
            if (r.before && fs::exists(mDir / name)) {
                EXPECT_EQ(ReadText(mDir / name), "someone else's") << name;
            }
        if (r.command == IDM_SAVE && r.boxes.empty() && fs::exists(layout)) {
            EXPECT_EQ(Pieces()[0]->ao.x, x - 1) << "the move saved";
        }
        for (const auto &e : fs::directory_iterator(mDir.Path()))
            fs::remove(e.path());
        WriteFile(mDir / "photo.bmp", SolidBmp(60, 40, 0x4080C0));
        WriteFile(mDir / "other.bmp", SolidBmp(50, 50, 0x20A040));
        gModified = 0; // the next row's window replaces this one without asking
    }
}

// A picture restored after a crash is unsaved until it is written to a file the user names:
// undoing and redoing to where it was restored, or a save that fails, leave it marked; a
// JPEG export of it is such a file.
TEST_F(UnsavedWork, ARestoredPictureStaysUnsavedUntilItIsSaved)
{
    ChangedPhoto();
    ASSERT_FALSE(HasFailure());
    const std::string slot = std::string(std::getenv("XDG_STATE_HOME")) + "/merrowick/999-1";
    ASSERT_TRUE(LayoutSave((slot + ".mwi").c_str())) << gErrorTrail;
    std::ofstream(slot + ".txt") << mDir.Path() << "/\nphoto\n.mwi\n0\n1700000000\n";
    std::ofstream(slot + ".lock");
    gModified = 0;
    Make();
    sBoxAnswers = {PLAT_IDYES};
    mWindow->OpenStartDocuments();
    ASSERT_EQ(Picture(), "60x40 WORK");
    const struct {
        const char *step;
        std::function<void()> run;
        int modified;
    } steps[] = {
        {"restored", [] {}, 1},
        {"a change undone", [&] { ApplyAddText(nullptr, 0, "MORE"), mWindow->OnCommand(IDM_UNDO); },
         1},
        {"redone", [&] { mWindow->OnCommand(IDM_REDO); }, 1},
        {"undone again", [&] { mWindow->OnCommand(IDM_UNDO); }, 1},
        {"a save that fails",
         [&] {
             Dialogs dialogs({ChooseFile(mDir / "work.mwi")});
             PLAT_FileDiskFull(0);
             mWindow->OnCommand(IDM_SAVE);
             PLAT_FileFaultsReset();
         },
         1},
        {"a JPEG export",
         [&] {
             Dialogs dialogs({ChooseFile(mDir / "card.jpg"), Click("okButton")});
             mWindow->OnCommand(IDM_SAVEAS);
         },
         0},
        {"redone after the export", [&] { mWindow->OnCommand(IDM_REDO); }, 1},
    };
    for (const auto &s : steps) {
        s.run();
        EXPECT_EQ(gModified, s.modified) << s.step;
        EXPECT_EQ(Title(), s.modified ? "photo.mwi * - Merrowick" : "photo.mwi - Merrowick")
            << s.step;
    }
    EXPECT_FALSE(fs::exists(mDir / "work.mwi"));
}

// After an open that fails, the caption, the status bar and its progress bar show the
// picture that is there, or the welcome of a window without one: not the half-read layout.
TEST_F(UnsavedWork, AFailedOpenShowsThePictureThatIsThere)
{
    // A layout whose second piece's art is gone: the first is made, then all is undone.
    WriteFile(mDir / "broken.mwi",
              LayoutBytes(30, 20,
                          {PieceAt(IMG_OBJ, "glasses.clp", 250, 150, 60, 30),
                           PieceAt(IMG_OBJ, "no-such-art.clp", 300, 150, 60, 30)}));
    const std::string welcome = LoadText(128);
    const struct {
        const char *when;
        bool picture, changed;
        std::string title, status;
    } cases[] = {
        {"no picture yet", false, false, "Merrowick v1.01", welcome},
        {"a saved picture", true, false, "photo.mwi - Merrowick", "photo (60 x 40)"},
        {"a changed picture", true, true, "photo.mwi * - Merrowick", "photo (60 x 40)"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.when);
        if (c.picture) {
            ChangedPhoto();
            gModified = c.changed;
            UpdateTitle(mWindow.get());
        } else {
            Make();
        }
        sBoxAnswers = {PLAT_IDNO};
        Dialogs dialogs({ChooseFile(mDir / "broken.mwi")});
        gBoxes.clear();
        mWindow->OnCommand(IDM_OPEN);
        ASSERT_EQ(gBoxes.size(), c.changed ? 2u : 1u);
        EXPECT_TRUE(gBoxes.back().ends_with("OpenFileDlg() failed\n")) << gBoxes.back();
        EXPECT_EQ(Title(), c.title);
        EXPECT_EQ(mWindow->mParts[0]->text().toStdString(), c.status);
        EXPECT_EQ(mWindow->mProgress->value(), 0);
        EXPECT_EQ(gModified, c.changed ? 1 : 0);
    }
}

// A file named at start opens once the window is shown: its rotation dialog comes over the
// window, not before it.
TEST_F(UnsavedWork, TheStartFileOpensOverTheShownWindow)
{
    bool overTheWindow = false;
    Dialogs rotation({[&](QWidget *d) {
        overTheWindow =
            mWindow && mWindow->isVisible() && d->parentWidget() == mWindow.get() && gPictureExists;
        static_cast<QDialog *>(d)->reject();
    }});
    MainWindow *w = Make(mDir / "photo.bmp");
    QTest::qWait(50);
    EXPECT_EQ(gDocumentOpen, 0) << "nothing opens before the window is shown";
    w->show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return rotation.Left() == 0; }, 5000));
    EXPECT_TRUE(overTheWindow);
    EXPECT_EQ(Title(), "photo.mwi - Merrowick");
    EXPECT_EQ(w->mParts[0]->text().toStdString(), "photo (60 x 40)");
    gStartFile[0] = '\0';
}

// The export without a window composes a layout as the window's File > Save as JPEG does at
// the same size: every piece at the size and place the file gives it, pixel for pixel.
TEST_F(UnsavedWork, TheExportWithoutAWindowIsTheWindowsOwn)
{
    WriteFile(mDir / "photo.bmp", SolidBmp(400, 300, 0x4080C0));
    MainWindow *w = Make();
    w->resize(w->sizeHint());
    w->show();
    QCoreApplication::processEvents();
    ASSERT_EQ(std::pair(gScreenWidth, gScreenHeight), std::pair(800, 600));
    {
        Dialogs rotation({Reject()});
        ASSERT_TRUE(OpenPictureFile((mDir / "photo.bmp").c_str(), nullptr)) << gErrorTrail;
    }
    const XYWH r = gPictureRect;
    // Each piece alone in a quarter of the picture, none at the size it was made with.
    const struct {
        int32_t kind;
        const char *name;
        float x, y, w; // shares of the picture rectangle
        int32_t angle, flip;
    } pieces[] = {{IMG_OBJ, "glasses.clp", 0.05f, 0.05f, 0.2f, 0, 0},
                  {IMG_OBJ, "glasses.clp", 0.6f, 0.1f, 0.25f, 30, 1},
                  {IMG_TEXT, "text1.clp", 0.1f, 0.6f, 0.3f, 0, 0}};
    for (const auto &p : pieces) {
        ASSERT_TRUE(p.kind == IMG_TEXT
                        ? ApplyAddText(nullptr, 0, "HELLO") == 1
                        : IMGOBJ_AddObj(p.name, p.kind, 0, 0, nullptr, nullptr) != nullptr)
            << gErrorTrail;
        IMGOBJ *o = gSelected;
        const float ratio = o->fHeight / o->fWidth;
        o->fWidth = r.w * p.w, o->fHeight = o->fWidth * ratio;
        o->ao.x = r.x + static_cast<int32_t>(r.w * p.x);
        o->ao.y = r.y + static_cast<int32_t>(r.h * p.y);
        o->iAngle = p.angle, o->bFlipH = p.flip, o->bNeedsUpdate = 1;
    }
    for (int frame = 0; frame < 3; frame++)
        AO_ProcessFlip();
    // Where the unturned clip art must land at 640 × 480.
    const IMGOBJ *first = Pieces()[0];
    const float sx = 640.0f / r.w, sy = 480.0f / r.h;
    const QRect want(static_cast<int>((first->ao.x - r.x) * sx),
                     static_cast<int>((first->ao.y - r.y) * sy),
                     static_cast<int>(static_cast<int>(first->fWidth) * sx),
                     static_cast<int>(static_cast<int>(first->fHeight) * sy));
    const std::string layout = mDir / "card.mwi", inWindow = mDir / "window.jpg",
                      headless = mDir / "headless.jpg";
    ASSERT_TRUE(SavePictureFile(layout.c_str())) << gErrorTrail;
    {
        Dialogs size({[](QWidget *d) {
            Child<QRadioButton>(d, "radio303")->setChecked(true); // 640 x 480
            Child<QPushButton>(d, "okButton")->click();
        }});
        ASSERT_TRUE(SavePictureFile(inWindow.c_str())) << gErrorTrail;
    }
    gModified = 0;
    mWindow.reset();
    Settle();
    std::string args[] = {"merrowick", "--export", layout, headless, "--size", "640x480"};
    char *argv[6];
    for (int i = 0; i < 6; i++)
        argv[i] = args[i].data();
    int handled = 0;
    ASSERT_EQ(RunExportCommand(6, argv, &handled), 0);

    PhotoTarget a, b;
    ASSERT_TRUE(a.Load(JpegLoad, inWindow) && b.Load(JpegLoad, headless)) << gErrorTrail;
    ASSERT_EQ(std::pair(b.info.iWidth, b.info.iHeight), std::pair(640, 480));
    // The box of what is not the photo's colour in the first piece's quarter.
    auto box = [](const PhotoTarget &t) {
        QRect found;
        for (int y = 0; y < 240; y++)
            for (int x = 0; x < 320; x++) {
                const uint8_t *p = DXPixel(t.surface, x, y); // blue, green, red
                if (std::abs(p[0] - 0xC0) + std::abs(p[1] - 0x80) + std::abs(p[2] - 0x40) > 90)
                    found |= QRect(x, y, 1, 1);
            }
        return found;
    };
    for (const PhotoTarget *t : {&a, &b}) {
        const QRect got = box(*t);
        EXPECT_LE(std::abs(got.left() - want.left()) + std::abs(got.right() - want.right()) +
                      std::abs(got.top() - want.top()) + std::abs(got.bottom() - want.bottom()),
                  8)
            << (t == &a ? "window" : "headless") << ": " << got.x() << "," << got.y() << " "
            << got.width() << "x" << got.height() << ", want " << want.x() << "," << want.y() << " "
            << want.width() << "x" << want.height();
    }
    int differing = 0;
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 640; x++)
            for (int k = 0; k < 3; k++)
                differing +=
                    std::abs(DXPixel(a.surface, x, y)[k] - DXPixel(b.surface, x, y)[k]) > 2;
    EXPECT_EQ(differing, 0);
}
