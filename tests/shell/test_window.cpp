// The main window: start-up, frames, command keys; path splitting and the photo size
// computations and dialog; the New, Open and Save flows.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <array>
#include <chrono>
#include <fstream>
#include <tuple>

#include "document/layout.h"
#include "interface/interface.h"
#include "resources/menus/commands.h"
#include "shell/addtextlogic.h"
#include "shell/documentlogic.h"
#include "shell/photodialoglogic.h"
#include "shell/photodialogs.h"
#include "shell/shellcore.h"
#include "support/bmp_builder.h"
#include "support/data_files.h"
#include "support/layout_bytes.h"
#include "support/qt_app.h"
#include "support/random_run.h"

namespace
{

// A name splits at the last separator and the last dot; its type comes from the
// extension's start; a path without a name, or with a name or extension too long, is refused.
TEST(SplitPath, SplitsAtTheLastSeparatorAndTheLastDotOfTheName)
{
    const struct {
        std::string path;
        const char *dir, *name, *ext; // name null: not compared
        int32_t type;
        const char *says; // the trail of a refused path
    } cases[] = {
        {"/photos/Beach.JPG", "/photos/", "Beach", ".JPG", 1, ""},
        {"C:\\Photos\\Beach.JPG", "C:\\Photos\\", "Beach", ".JPG", 1, ""},
        {"/a/party.mwi.jpg", "/a/", "party.mwi", ".jpg", 1, ""},
        {"/a.b/readme", "/a.b/", "readme", "", 0, ""},
        {"card.jpeg", "", "card", ".jpeg", 1, ""},
        {"/x/pic.jpgx", "/x/", "pic", ".jpgx", 1, ""},
        {"/x/pic.mwi", "/x/", "pic", ".mwi", 3, ""},
        {"/x/" + std::string(254, 'n') + ".mwi", "/x/", nullptr, ".mwi", 3, ""}, // the longest
        {"", "", "", "", 0, "Not a valid file.\n"},
        {"/x/" + std::string(255, 'n') + ".mwi", "", "", "", 0, "File name is too long!\n"},
        {"/x/a." + std::string(255, 'e'), "", "", "", 0, "File extension is too long!\n"},
    };
    for (const auto &c : cases) {
        TrailClear();
        char dir[4096] = "", name[256] = "", ext[256] = "";
        int32_t type = 0;
        EXPECT_EQ(SplitPath(c.path.c_str(), dir, 4096, name, 256, ext, 256, &type), !*c.says);
        EXPECT_EQ(std::string(gErrorTrail), c.says);
        if (!*c.says) {
            EXPECT_EQ(std::tuple(std::string(dir), std::string(c.name ? name : ""),
                                 std::string(ext), type),
                      std::tuple(c.dir, c.name ? c.name : "", c.ext, c.type))
                << c.path;
        }
    }
    TrailClear();
}

TEST(PhotoSize, ProportionsRoundAndCustomSidesStayWithinTheirLimits)
{
    // 600.75 rounds up; no overflow; a side of nothing has no proportion.
    for (const auto [side, from, to, want] : {std::array{1000, 1600, 1200, 1333},
                                              {801, 1200, 1600, 601},
                                              {999999999, 32768, 1, 2147483647},
                                              {5, 5, 0, -1}}) {
        int32_t other = -1;
        EXPECT_EQ(ProportionalSide(side, from, to, &other), want >= 0) << side;
        if (want >= 0) {
            EXPECT_EQ(other, want) << side;
        }
    }
    const struct {
        const char *text;
        bool ok;
    } cases[] = {{"100", true}, {" 2048 ", true}, {"99", false},   {"2049", false},
                 {"", false},   {"12a", false},   {"-100", false}, {"0000000100", false}};
    for (const auto &c : cases) {
        TrailClear();
        int32_t v = 0;
        EXPECT_EQ(CustomSideValid(c.text, 288, &v), c.ok) << c.text;
        EXPECT_EQ(std::string(gErrorTrail),
                  c.ok ? "" : "The width is not valid. Please enter a value between 100 and 2048\n")
            << c.text;
    }
    TrailClear();
}

} // namespace

// A greyed command's key does nothing.
TEST_F(WindowTest, GreyedCommandsSilenceTheirKeys)
{
    MainWindow *w = Make(); // without a picture
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    QSignalSpy clipart(w->ActionFor(IDM_CLIPART), &QAction::triggered);
    QTest::keyClick(w, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipart.count(), 0);
    SetCommandState(1);
    QTest::keyClick(w, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipart.count(), 1);
}

// A start file that cannot be opened is reported; one that opens shows the editing buttons.
// Commands press their button; the Delete key deletes; keys without a command do nothing.
TEST_F(WindowTest, TheStartFileOpensAndCommandsAndKeysActThroughTheButtons)
{
    RejectDialogs closer; // the photo's turn
    std::snprintf(gStartFile, sizeof gStartFile, "%s", DataPath("missing.jpg").c_str());
    Make()->OpenStartDocuments();
    EXPECT_EQ(mWindow->mParts[0]->text(), QString::fromLatin1(LoadText(128)));
    EXPECT_EQ(gBoxes.size(), 1u);
    EXPECT_EQ(AO_CountType(AO_TYPE_CONTROL), 0);
    mWindow.reset();
    gDocumentOpen = 0;
    std::snprintf(gStartFile, sizeof gStartFile, "%s", DataPath("blank.jpg").c_str());
    MainWindow *w = Make();
    EXPECT_EQ(gDocumentOpen, 0) << "nothing opens before the window is shown";
    w->show(); // its first frame opens the file
    EXPECT_TRUE(QTest::qWaitFor([] { return gPictureExists == 1; }, 10000));
    w->activateWindow(); // back from the dialog: the frames run again
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    gStartFile[0] = '\0';
    EXPECT_EQ(w->mParts[0]->text(), QString("blank (2400 x 3000)"));
    EXPECT_EQ(AO_CountType(AO_TYPE_CONTROL), CONTROL_COUNT);
    gBoxes.clear();
    gpFrameProc = [] { return 1; }; // frames only when the test runs them
    IMGOBJ *piece = IMGOBJ_AddObj("glasses.clp", IMG_OBJ, 0, 0, nullptr, nullptr);
    ASSERT_NE(piece, nullptr) << gErrorTrail;
    EXPECT_EQ(gCommandState, CMDSTATE_CLIPART);
    const int32_t x = piece->ao.x;
    w->OnCommand(IDM_MOVELEFT);
    w->OnCommand(IDM_KEY_CTRL_A);
    for (int frame = 0; frame < 3; frame++)
        ASSERT_TRUE(AO_ProcessFlip()) << gErrorTrail;
    EXPECT_EQ(piece->ao.x, x - 1);
    EXPECT_TRUE(gBoxes.empty());

    QTest::keyClick(w, Qt::Key_Delete);
    EXPECT_EQ(gSelected, nullptr);
    EXPECT_EQ(piece->ao.bRemove, 1);
    EXPECT_EQ(gCommandState, CMDSTATE_NO_PIECES);
}

namespace
{

// The window with its layouts in a private folder.
class Documents : public WindowTest
{
  protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        PLAT_WriteProfileString("SETUP", "DirectoryApp", (mDir.Path() + "/").c_str());
        Make();
        ASSERT_FALSE(HasFailure());
    }
    // Runs a command while the answers are given; all of them must have been used.
    void Command(int id, std::initializer_list<Answers::Step> steps)
    {
        Answers answers(steps);
        mWindow->OnCommand(id);
        EXPECT_TRUE(answers.Done()) << "command " << id << " left dialogs unanswered"
                                    << (gBoxes.empty() ? "" : gBoxes.back());
    }
    TempDir mDir;
};

// The New dialog with Blank chosen.
void ChooseBlank(QWidget *w)
{
    Child<QRadioButton>(w, "radio302")->setChecked(true);
    Child<QPushButton>(w, "okButton")->click();
}

// New > Blank, a text, Save (asks for a name), a change, Open the layout again.
TEST_F(Documents, ABlankPictureIsSavedAsALayoutAndOpensAgainAsItWas)
{
    int32_t shown[2] = {0, 0};
    Command(IDM_NEW, {ChooseBlank, [&](QWidget *w) {
                          shown[0] = gPhotoWidth, shown[1] = gPhotoHeight;
                          Child<QPushButton>(w, "button1118")->click(); // a quarter turn left
                          Child<QPushButton>(w, "okButton")->click();
                      }});
    EXPECT_EQ(std::pair(gPhotoWidth, gPhotoHeight), std::pair(shown[1], shown[0]));
    EXPECT_EQ(Title(), "Untitled.mwi - Merrowick");
    EXPECT_EQ(std::tuple(gNeedsSaveAs, gModified, gDocumentOpen), std::tuple(1, 0, 1));
    EXPECT_TRUE(mWindow->ActionFor(IDM_SAVE)->isEnabled());

    ASSERT_TRUE(ApplyAddText(nullptr, 0, "HELLO")) << gErrorTrail;
    const std::pair at(gSelected->ao.x, gSelected->ao.y);
    EXPECT_EQ(Title(), "Untitled.mwi * - Merrowick");
    const std::string card = mDir / "card.mwi";
    Command(IDM_SAVE, {[&](QWidget *w) {
                auto *d = qobject_cast<QFileDialog *>(w);
                ASSERT_NE(d, nullptr);
                EXPECT_EQ(d->directory().absolutePath().toStdString(), mDir.Path());
                EXPECT_TRUE(d->selectedNameFilter().startsWith("Merrowick files"));
                ChooseFile(card)(w);
            }});
    EXPECT_TRUE(fs::exists(card));
    EXPECT_EQ(Title(), "card.mwi - Merrowick");
    EXPECT_EQ(std::tuple(gNeedsSaveAs, gModified), std::tuple(0, 0));

    Pieces()[0]->ao.x += 40; // a change, not saved: Open asks, the answer is No
    SetModified();
    gBoxAnswer = PLAT_IDNO;
    Command(IDM_OPEN, {ChooseFile(card)});
    gBoxAnswer = PLAT_IDOK;
    ASSERT_EQ(gBoxes.size(), 1u);
    EXPECT_NE(gBoxes[0].find("has been changed"), std::string::npos);
    AO_ProcessFlip();
    const auto pieces = Pieces();
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(std::string(pieces[0]->szText), "HELLO");
    EXPECT_EQ(std::pair(pieces[0]->ao.x, pieces[0]->ao.y), at);
    EXPECT_EQ(std::pair(gPhotoWidth, gPhotoHeight), std::pair(shown[1], shown[0]));
    EXPECT_EQ(std::tuple(gModified, gNeedsSaveAs), std::tuple(0, 0));
    EXPECT_EQ(RecentFiles().front(), card);
    // Save now writes to the layout's own name without asking.
    fs::remove(card);
    Command(IDM_SAVE, {});
    EXPECT_TRUE(fs::exists(card));
}

// A name typed without an extension takes the chosen filter's.
TEST_F(Documents, SavingByExtensionExportsJpegsAndRefusesOthers)
{
    Command(IDM_NEW, {ChooseBlank, Click("okButton")});
    const struct {
        std::string typed, name;
        bool jpegFilter;
        Answers::Step size; // the photo size dialog's answer, if it comes
        bool written;
        const char *box;
    } cases[] = {
        {"card.bmp", "card.bmp", false, nullptr, false,
         "You've choosen an invalid file extension.\nThe file couldn't be saved.\n"},
        {"card.jpg", "card.jpg", false, Reject(), false, nullptr}, // nothing written or said
        {"card", "card.jpg", true, Click("okButton"), true, nullptr},
    };
    for (const auto &c : cases) {
        gBoxes.clear();
        gModified = 1;
        Answers::Step choose = [&](QWidget *w) {
            if (c.jpegFilter) // the second filter, as a user would choose it
                QTest::keyClick(Child<QComboBox>(w, "fileTypeCombo"), Qt::Key_Down);
            ChooseFile(mDir / c.typed)(w);
        };
        if (c.size)
            Command(IDM_SAVEAS, {choose, c.size});
        else
            Command(IDM_SAVEAS, {choose});
        EXPECT_EQ(fs::exists(mDir / c.name), c.written) << c.name;
        ASSERT_EQ(gBoxes.size(), c.box ? 1u : 0u) << c.name;
        if (c.box) {
            EXPECT_EQ(gBoxes[0], c.box);
        }
        EXPECT_EQ(gModified, c.written ? 0 : 1) << c.name;
        EXPECT_TRUE(mWindow->ActionFor(IDM_SAVE)->isEnabled()) << "saving again stays possible";
    }
    EXPECT_EQ(Title(), "Untitled.mwi - Merrowick") << "an export does not rename the document";
    EXPECT_EQ(gNeedsSaveAs, 0);
}

// The status bar's progress bar fills the done share of its panel, and no more.
TEST_F(Documents, TheProgressBarFillsItsDoneShare)
{
    QProgressBar *bar = mWindow->mProgress;
    const QRgb fill = bar->palette().highlight().color().rgb();
    for (int done : {0, 50, 200}) {
        bar->setRange(0, 200), bar->setValue(done);
        const QImage shot = bar->grab().toImage();
        const int y = shot.height() / 2, edge = 2 + (shot.width() - 4) * done / 200;
        EXPECT_EQ(shot.pixel(edge - 2, y) == fill, done > 0) << done;
        if (done < 200)
            EXPECT_NE(shot.pixel(edge + 1, y), fill) << done;
    }
    bar->setValue(0);
}

// A file that cannot be opened is reported once and leaves the picture as it was.
TEST_F(Documents, AFileThatCannotBeOpenedLeavesThePictureAsItWas)
{
    // A layout whose second piece's art is gone: the first piece is made, then let go.
    WriteFile(mDir / "broken.mwi", LayoutBytes(30, 20,
                                               {PieceAt(IMG_OBJ, "glasses.clp", 250, 150, 60, 30),
                                                PieceAt(IMG_OBJ, "gone.clp", 300, 150, 60, 30)}));
    Command(IDM_OPEN, {ChooseFile(mDir / "broken.mwi")}); // the first document: the welcome stays
    EXPECT_EQ(mWindow->mParts[0]->text(), QString::fromLatin1(LoadText(128)));
    EXPECT_EQ(mWindow->mProgress->value(), 0);
    Command(IDM_NEW, {ChooseBlank, Click("okButton")});
    ASSERT_TRUE(ApplyAddText(nullptr, 0, "KEEP")) << gErrorTrail;
    gModified = 0; // no save prompt
    UpdateTitle(mWindow.get());
    const std::string title = Title();
    mDir.WriteText("bad.mwi", "not a layout at all, but long enough to hold a version and...");
    mDir.WriteText("bad.jpg", "not a JPEG");
    const struct {
        const char *name, *says;
    } cases[] = {{"bad.mwi", "Application file load failed!\nOpenFileDlg() failed\n"},
                 {"bad.jpg", "IMGOBJ_AddObj() failed!\nOpenFileDlg() failed\n"},
                 {"broken.mwi", "Application file load failed!\nOpenFileDlg() failed\n"}};
    for (const auto &c : cases) {
        gBoxes.clear();
        Command(IDM_OPEN, {ChooseFile(mDir / c.name)});
        ASSERT_EQ(gBoxes.size(), 1u) << c.name;
        EXPECT_TRUE(gBoxes[0].ends_with(c.says)) << gBoxes[0];
        AO_ProcessFlip();
        AO_ProcessFlip(); // whatever was let go would be gone by now
        ASSERT_EQ(Pieces().size(), 1u) << c.name;
        EXPECT_EQ(std::string(Pieces()[0]->szText), "KEEP");
        EXPECT_EQ(Title(), title);
        EXPECT_EQ(mWindow->mParts[0]->text(), "Untitled (2400 x 3000)");
        EXPECT_TRUE(mWindow->ActionFor(IDM_SAVE)->isEnabled());
    }
}

} // namespace

// At start after a run that was killed: the box names the picture and its time; Yes (the
// default, Return) brings it back modified, under its name, asking for a file on Save;
// No deletes it.
TEST_F(Documents, AKilledRunsPictureIsOfferedBackAtTheNextStart)
{
    Command(IDM_NEW, {ChooseBlank, Click("okButton")});
    ASSERT_TRUE(ApplyAddText(nullptr, 0, "HELLO")) << gErrorTrail;
    const std::string folder = std::string(std::getenv("XDG_STATE_HOME")) + "/merrowick/";
    for (const char *slot : {"999-1", "998-1"}) {
        ASSERT_TRUE(LayoutSave((folder + slot + ".mwi").c_str())) << gErrorTrail;
        std::ofstream(folder + slot + ".txt") << mDir.Path() << "/\nbeach\n.mwi\n0\n1700000000\n";
        std::ofstream(folder + slot + ".lock");
    }
    fs::last_write_time(folder + "998-1.mwi",
                        fs::last_write_time(folder + "998-1.mwi") - std::chrono::hours(1));
    // Started with a file (here one that cannot be opened, which says so in a box of its
    // own): the kept picture is offered first; restored, it takes the file's place.
    const struct {
        int answer;
        size_t pieces;
        const char *title;
        size_t boxes;
    } starts[] = {{PLAT_IDYES, 1, "beach.mwi * - Merrowick", 1},
                  {PLAT_IDNO, 0, "Merrowick v1.0", 2}};
    for (const auto &s : starts) {
        SCOPED_TRACE(s.title);
        mWindow.reset();
        gBoxes.clear();
        gBoxAnswer = s.answer;
        gDocumentOpen = gModified = 0;
        std::snprintf(gStartFile, sizeof gStartFile, "%s", DataPath("missing.jpg").c_str());
        Make()->OpenStartDocuments();
        ASSERT_FALSE(HasFailure());
        AO_ProcessFlip();
        ASSERT_EQ(gBoxes.size(), s.boxes);
        EXPECT_NE(gBoxes[0].find("'beach.mwi'"), std::string::npos) << gBoxes[0];
        EXPECT_EQ(Pieces().size(), s.pieces);
        EXPECT_EQ(Title().rfind(s.title, 0), 0u) << Title();
        if (s.pieces) {
            EXPECT_EQ(std::string(Pieces()[0]->szText), "HELLO");
            EXPECT_EQ(std::tuple(gModified, gNeedsSaveAs), std::tuple(1, 1));
            EXPECT_FALSE(fs::exists(folder + "999-1.mwi")) << "the newest is offered first";
            ASSERT_TRUE(ApplyAddText(nullptr, 0, "MORE"));
            mWindow->OnCommand(IDM_UNDO); // back where it was restored: still not on disk
            EXPECT_EQ(Title().rfind(s.title, 0), 0u) << Title();
        }
    }
    EXPECT_FALSE(fs::exists(folder + "998-1.mwi")) << "declined: deleted";
}
