// Every path that closes or replaces a changed picture, through the window with its dialogs
// answered; and the export without a window against the window's own.
#include <QRadioButton>

#include "document/autosave.h"
#include "formats/formats.h"
#include "platform/file.h"
#include "resources/menus/commands.h"
#include "shell/addtextlogic.h"
#include "shell/exportcmd.h"
#include "support/bmp_builder.h"
#include "support/qt_app.h"
#include "support/random_run.h"
#include "tests/formats/photo_target.h"

namespace
{

using Step = Answers::Step;
std::deque<int> sAnswers; // the message boxes' answers in turn, then OK

class UnsavedWork : public WindowTest
{
  protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        PLATQT_SetMessageBoxHook([](const char *text, const char *, int) -> int {
            gBoxes.push_back(text);
            const int answer = sAnswers.empty() ? PLAT_IDOK : sAnswers.front();
            if (!sAnswers.empty())
                sAnswers.pop_front();
            return answer;
        });
        PLAT_WriteProfileString("SETUP", "DirectoryApp", (mDir.Path() + "/").c_str());
    }
    // A new window with a photo of the folder open (as it is turned).
    void Open(int w, int h)
    {
        gModified = gDocumentOpen = gNeedsSaveAs = gFramesSuspended = 0;
        for (const auto &e : fs::directory_iterator(mDir.Path()))
            fs::remove(e.path());
        WriteFile(mDir / "photo.bmp", SolidBmp(w, h, 0x4080C0));
        WriteFile(mDir / "other.bmp", SolidBmp(50, 50, 0x20A040));
        Make();
        OpenPhoto(mDir / "photo.bmp");
    }
    // The autosave of the changed picture, written now rather than half a minute later.
    void WriteAutosave()
    {
        for (int tick = 0; tick < 2; tick++)
            AUTOSAVE_Tick(mClock += 3600 * 1000);
        AUTOSAVE_Wait();
    }
    // "<photo size> <texts> | <caption> | <files beside the photos> | <autosave>".
    std::string Outcome(int32_t x) const
    {
        std::string s = "closed |  | ";
        if (mWindow->Running()) {
            s = std::to_string(gPhotoWidth) + "x" + std::to_string(gPhotoHeight);
            for (const IMGOBJ *p : Pieces())
                s += std::string(" ") + p->szText;
            if (!Pieces().empty() && Pieces()[0]->ao.x != x)
                s += std::to_string(Pieces()[0]->ao.x - x);
            s += " | " + mWindow->windowTitle().trimmed().toStdString() + " | ";
        }
        std::vector<std::string> files;
        for (const auto &e : fs::directory_iterator(mDir.Path()))
            if (e.path().extension() != ".bmp")
                files.push_back(e.path().filename().string());
        std::sort(files.begin(), files.end());
        for (const std::string &f : files)
            s += f + " ";
        bool autosaved = false;
        std::error_code error;
        for (const auto &e : fs::directory_iterator(
                 std::string(std::getenv("XDG_STATE_HOME")) + "/merrowick", error))
            autosaved |= e.path().extension() == ".mwi";
        return s + (autosaved ? "| kept" : "| gone");
    }
    TempDir mDir;
    uint32_t mClock = 1000;
};

} // namespace

// Exit, New, Open or a dropped file with the picture changed, and the answers a user may
// give. Only No, or a picture written to a file the user named, lets it go; everything else
// leaves it on screen, marked, and its autosave on disk. Files of others stay as they were.
TEST_F(UnsavedWork, APathThatClosesOrReplacesAChangedPictureGoesOnlyOnceItIsSafe)
{
    const std::string kept = "60x40 WORK | photo.mwi * - Merrowick | ";
    const std::string layout = mDir / "work.mwi", jpeg = mDir / "card.jpg";
    const auto others = [this](const char *name) {
        return [this, name] { mDir.WriteText(name, "someone else's"); };
    };
    struct Row {
        const char *path;
        std::function<void()> before; // after the change, before the path
        int command;                  // 0: the other photo dropped on the window
        std::vector<int> answers;     // of the message boxes
        std::vector<Step> dialogs;
        bool diskFull;
        std::string outcome;
        size_t boxes;
    };
    const int Y = PLAT_IDYES, N = PLAT_IDNO, C = PLAT_IDCANCEL;
    // clang-format off
    const Row rows[] = {
        {"Exit, No", {}, IDM_EXIT, {N}, {}, false, "closed |  | | gone", 1},
        {"Exit, Cancel", {}, IDM_EXIT, {C}, {}, false, kept + "| kept", 1},
        {"Exit, Yes, saved", {}, IDM_EXIT, {Y}, {ChooseFile(layout)}, false,
         "closed |  | work.mwi | gone", 1},
        {"Exit, Yes, the save dialog cancelled", {}, IDM_EXIT, {Y}, {Reject()}, false,
         kept + "| kept", 1},
        {"Exit, Yes, the save fails", {}, IDM_EXIT, {Y}, {ChooseFile(layout)}, true,
         kept + "| kept", 2},
        {"Exit, Yes, a JPEG name, no size chosen", {}, IDM_EXIT, {Y},
         {ChooseFile(jpeg), Reject()}, false, kept + "| kept", 1},
        {"Exit, Yes, a name with a dot", {}, IDM_EXIT, {Y}, {ChooseFile(mDir / "holiday.2019")},
         false, "closed |  | holiday.2019.mwi | gone", 1},
        {"Exit, Yes, a name with a dot, its layout there and not replaced",
         others("holiday.2019.mwi"), IDM_EXIT, {Y, N},
         {ChooseFile(mDir / "holiday.2019"), Reject()}, false, kept + "holiday.2019.mwi | kept", 2},
        {"New, Yes, the save dialog cancelled", {}, IDM_NEW, {Y}, {Reject()}, false,
         kept + "| kept", 1},
        {"Open, Yes, the save fails", {}, IDM_OPEN, {Y}, {ChooseFile(layout)}, true,
         kept + "| kept", 2},
        {"Open, No, the open dialog cancelled", {}, IDM_OPEN, {N}, {Reject()}, false,
         kept + "| kept", 1},
        {"Open, No, another photo", {}, IDM_OPEN, {N}, {ChooseFile(mDir / "other.bmp"), Reject()},
         false, "50x50 | other.mwi - Merrowick | | gone", 1},
        {"A dropped photo, Yes, the save dialog cancelled", {}, 0, {Y}, {Reject()}, false,
         kept + "| kept", 1},
        // Save's own name after a JPEG export is the photo's: a layout of that name there is
        // not this picture's, and the dialog asks instead.
        {"Save after a JPEG export, a layout of the name there", [&] {
             Answers size({Click("okButton")});
             ASSERT_TRUE(SavePictureFile(jpeg.c_str()) && ApplyAddText(nullptr, 0, "MORE"));
             others("photo.mwi")();
         }, IDM_SAVE, {}, {Reject()}, false,
         "60x40 WORK MORE | photo.mwi * - Merrowick | card.jpg photo.mwi | kept", 0},
        // Left, then Ctrl+S before the next frame: the move is in the file, not after it.
        {"A key pressed just before Save",
         [&] { mWindow->FrameTimer().stop(), mWindow->OnCommand(IDM_MOVELEFT); }, IDM_SAVE, {},
         {ChooseFile(layout)}, false, "60x40 WORK-1 | work.mwi - Merrowick | work.mwi | gone", 0},
    };
    // clang-format on
    for (const Row &r : rows) {
        SCOPED_TRACE(r.path);
        Open(60, 40);
        ASSERT_TRUE(ApplyAddText(nullptr, 0, "WORK")) << gErrorTrail;
        const int32_t x = Pieces()[0]->ao.x;
        if (r.before)
            r.before();
        WriteAutosave();
        gBoxes.clear();
        sAnswers.assign(r.answers.begin(), r.answers.end());
        {
            Answers dialogs(r.dialogs);
            if (r.diskFull)
                PLAT_FileDiskFull(0);
            if (r.command)
                mWindow->OnCommand(r.command);
            else
                OpenDocumentFile(mWindow.get(), (mDir / "other.bmp").c_str());
            PLAT_FileFaultsReset();
            EXPECT_TRUE(dialogs.Done()) << "dialogs left unanswered, or that should not have come";
        }
        for (int frame = 0; frame < 3 && mWindow->Running(); frame++)
            AO_ProcessFlip(); // a press left over would act now
        EXPECT_EQ(Outcome(x), r.outcome);
        if (!mWindow->Running()) { // closed: the frames stopped and everything released
            EXPECT_TRUE(!mWindow->FrameTimer().isActive() && !gGraphicsMap && !gDDSScratch &&
                        !gWindowDC && !gAOList);
        }
        EXPECT_EQ(gBoxes.size(), r.boxes) << (gBoxes.empty() ? "" : gBoxes.back());
        if (r.diskFull && !gBoxes.empty()) {
            EXPECT_TRUE(gBoxes.back().ends_with("The file couldn't be saved.\n")) << gBoxes.back();
        }
        for (const char *name : {"holiday.2019.mwi", "photo.mwi"})
            if (r.before && fs::exists(mDir / name)) {
                EXPECT_TRUE(ReadText(mDir / name) == "someone else's") << name << " replaced";
            }
    }
}

// The export without a window composes a layout as the window's File > Save as JPEG does at
// the same size: every piece at the size and place the file gives it, pixel for pixel.
TEST_F(UnsavedWork, TheExportWithoutAWindowIsTheWindowsOwn)
{
    Open(400, 300);
    mWindow->resize(mWindow->sizeHint());
    mWindow->show();
    QCoreApplication::processEvents();
    ASSERT_EQ(std::pair(gScreenWidth, gScreenHeight), std::pair(800, 600)) << "the export's";
    const XYWH r = gPictureRect;
    // Clip art and a text, neither at the size it was made with, apart in the picture.
    ASSERT_NE(IMGOBJ_AddObj("glasses.clp", IMG_OBJ, 0, 0, nullptr, nullptr), nullptr);
    IMGOBJ *art = gSelected;
    ASSERT_TRUE(ApplyAddText(nullptr, 0, "HELLO"));
    for (auto [o, share, at] : {std::tuple{art, 0.2f, 0.05f}, {gSelected, 0.3f, 0.6f}}) {
        o->fHeight *= r.w * share / o->fWidth, o->fWidth = r.w * share;
        o->ao.x = r.x + static_cast<int32_t>(r.w * at),
        o->ao.y = r.y + static_cast<int32_t>(r.h * at);
        o->bNeedsUpdate = 1;
    }
    for (int frame = 0; frame < 3; frame++)
        AO_ProcessFlip();
    const float sx = 640.0f / r.w, sy = 480.0f / r.h;
    const QRect want(static_cast<int>((art->ao.x - r.x) * sx),
                     static_cast<int>((art->ao.y - r.y) * sy),
                     static_cast<int>(static_cast<int>(art->fWidth) * sx),
                     static_cast<int>(static_cast<int>(art->fHeight) * sy));
    const std::string layout = mDir / "card.mwi", shown = mDir / "window.jpg",
                      headless = mDir / "headless.jpg";
    ASSERT_TRUE(SavePictureFile(layout.c_str())) << gErrorTrail;
    {
        Answers size({[](QWidget *d) {
            Child<QRadioButton>(d, "radio303")->setChecked(true); // 640 x 480
            Click("okButton")(d);
        }});
        ASSERT_TRUE(SavePictureFile(shown.c_str())) << gErrorTrail;
    }
    mWindow.reset();
    SettleApplication();
    std::string args[] = {"merrowick", "--export", layout, headless, "--size", "640x480"};
    char *argv[] = {args[0].data(), args[1].data(), args[2].data(),
                    args[3].data(), args[4].data(), args[5].data()};
    int handled = 0;
    ASSERT_EQ(RunExportCommand(6, argv, &handled), 0);
    EXPECT_TRUE(ReadText(shown) == ReadText(headless)) << "the same pixels, the same file";
    // Where the headless export drew what is not the photo, in the clip art's quarter.
    PhotoTarget out;
    ASSERT_TRUE(out.Load(JpegLoad, headless)) << gErrorTrail;
    QRect got;
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) {
            const uint8_t *p = DXPixel(out.surface, x, y); // blue, green, red
            if (std::abs(p[0] - 0xC0) + std::abs(p[1] - 0x80) + std::abs(p[2] - 0x40) > 90)
                got |= QRect(x, y, 1, 1);
        }
    EXPECT_TRUE(want.adjusted(-2, -2, 2, 2).contains(got) && got.width() > want.width() * 0.8)
        << got.x() << "," << got.y() << " " << got.width() << "x" << got.height() << ", want "
        << want.x() << "," << want.y() << " " << want.width() << "x" << want.height();
}
