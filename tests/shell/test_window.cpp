// The main window: start-up and shutdown, failure paths, frames and activation, menus
// and keys, status bar, caption, close and help.
#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <memory>

#include "picture/ao.h"
#include "pixels/pixels.h"
#include "resources/menus/commands.h"
#include "resources/menus/menus.h"
#include "resources/strings/strings.h"
#include "picture/imgobj.h"
#include "platform/platform.h"
#include "shell/appstate.h"
#include "interface/graphicsmap.h"
#include "shell/shell.h"
#include "shell/shellcore.h"
#include "tests/shell/qt_fixture.h"

static int sFrames;
static int CountingFrame()
{
    sFrames++;
    return 1;
}
static int FailingFrame()
{
    sFrames++;
    return 0;
}

class WindowTest : public QtTest
{
  protected:
    void SetUp() override
    {
        QtTest::SetUp();
        sFrames = 0;
        gLanguageOffset = 0;
        gMailAvailable = 0;
        gModified = gDocumentOpen = 0;
    }
    void TearDown() override
    {
        mWindow.reset();
        gpFrameProc = AO_ProcessFlip;
        gpAskSaveChanges = nullptr;
        gLanguageOffset = 0;
        QtTest::TearDown();
    }
    // Makes the window over a main folder (the data folder when empty).
    MainWindow *Make(const std::string &mainDir = "", const char *menu = "MENU_ENG")
    {
        if (!mainDir.empty())
            PLAT_WriteProfileString("SETUP", "DirectoryMain", mainDir.c_str());
        mWindow = std::make_unique<MainWindow>(RES_FindMenu(menu), RES_FindAccel("ACCEL_ENG"));
        return mWindow.get();
    }
    std::string Setting(const char *section, const char *key)
    {
        char buf[4096];
        PLAT_GetProfileString(section, key, "<none>", buf, sizeof buf);
        return buf;
    }
    std::unique_ptr<MainWindow> mWindow;
};

TEST_F(WindowTest, StartsFromTheDataFolderAndShutsDownInOrder)
{
    MainWindow *w = Make();
    ASSERT_EQ(w->Create(), 0) << (Boxes().empty() ? "" : Boxes()[0].text);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(Setting("SETUP", "DirectoryMain"), std::string(PLAT_DefaultDataDir()));
    EXPECT_EQ(Setting("SETUP", "InterfaceTexts"), "1");
    EXPECT_EQ(Setting("MISC", "FirstStartInit"), "1");
    EXPECT_GT(gGraphicsCount, 0);
    EXPECT_NE(gDDSScratch, nullptr);
    EXPECT_NE(gWindowDC, nullptr);
    EXPECT_EQ(gFramesRunning, 1);
    EXPECT_EQ(gAppActive, 1);
    EXPECT_TRUE(w->FrameTimer().isActive());
    EXPECT_EQ(w->FrameTimer().interval(), 90);
    EXPECT_EQ(w->windowTitle(), QString("Merrowick v1.01") + QString(17, ' '));
    EXPECT_EQ(w->mParts[0]->text(), QString::fromLatin1(LoadText(128)));
    EXPECT_EQ(gCommandState, 0);
    EXPECT_FALSE(w->windowIcon().isNull());

    w->close();
    EXPECT_FALSE(w->FrameTimer().isActive());
    EXPECT_EQ(gTimerId, 0u);
    EXPECT_EQ(gGraphicsMap, nullptr);
    EXPECT_EQ(gDDSScratch, nullptr);
    EXPECT_EQ(gWindowDC, nullptr);
    EXPECT_EQ(gAOList, nullptr);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(WindowTest, MissingGraphicsMapIsReportedAndTheStartGoesOn)
{
    TempMainDir main({"obj.edi"});
    MainWindow *w = Make(main.Dir());
    ASSERT_EQ(w->Create(), 0);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, "Open file failed!\nLoadObjects()\n");
    EXPECT_EQ(Boxes()[0].title, LoadText(14));
    EXPECT_EQ(Boxes()[0].flags, PLAT_MB_OK | PLAT_MB_ICONSTOP);
    EXPECT_EQ(gFramesRunning, 1);
    EXPECT_EQ(gGraphicsCount, 0);
}

TEST_F(WindowTest, RepeatedGraphicsIdIsReportedWithTheIdAndTheStartGoesOn)
{
    TempMainDir main({"obj.edi"});
    FILE *f = std::fopen((main.Dir() + "obj.edi").c_str(), "w");
    std::fputs("G:12   1,2,3,4\nG:12   5,6,7,8\n", f);
    std::fclose(f);
    ASSERT_EQ(Make(main.Dir())->Create(), 0);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, "Graphics Id already used!\n12\nLoadObjects()\n");
}

TEST_F(WindowTest, MissingSpriteSheetStopsTheStartWithTheFailedSteps)
{
    TempMainDir main;
    PLATQT_HideResource("SPRITE");
    MainWindow *w = Make(main.Dir());
    EXPECT_EQ(w->Create(), -1);
    ASSERT_EQ(Boxes().size(), 1u);
    // The surfaces were being made, so the trail ends with the sentence for the user.
    EXPECT_EQ(Boxes()[0].text,
              std::string("LoadImage() !\nDDLoadBitmap() !\n") + LoadText(1643) + "\n");
    EXPECT_EQ(Boxes()[0].flags, PLAT_MB_OK | PLAT_MB_ICONSTOP);
    EXPECT_FALSE(w->FrameTimer().isActive());
    EXPECT_EQ(gFramesRunning, 0);
    EXPECT_EQ(gGraphicsMap, nullptr); // cleaned up again
    EXPECT_FALSE(TrailPending());
}

TEST_F(WindowTest, FramesRunOnTheTimerStopWhileInactiveAndResume)
{
    MainWindow *w = Make();
    ASSERT_EQ(w->Create(), 0);
    gpFrameProc = CountingFrame;
    QTest::qWait(400);
    EXPECT_GE(sFrames, 2);

    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(w, &deactivate);
    EXPECT_EQ(gFramesRunning, 0);
    EXPECT_EQ(gFramesSuspended, 1);
    EXPECT_EQ(gAppActive, 0);
    sFrames = 0;
    w->OnFrameTick();
    QTest::qWait(250);
    EXPECT_EQ(sFrames, 0);

    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(w, &activate);
    EXPECT_EQ(gFramesRunning, 1);
    EXPECT_EQ(gFramesSuspended, 0);
    EXPECT_EQ(gAppActive, 1);
    w->OnFrameTick();
    EXPECT_GE(sFrames, 1);
}

TEST_F(WindowTest, DeactivationPutsThePictureIntoTheScreenBuffer)
{
    MainWindow *w = Make();
    ASSERT_EQ(w->Create(), 0);
    gPictureRect = XYWH{200, 100, 50, 40};
    DXFillRect(gDDSPicture, 200, 100, 50, 40, 0x123456);
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(w, &deactivate);
    EXPECT_EQ(DXGetPixel(gDDSScratch, 200, 100), 0x123456u);
    EXPECT_EQ(DXGetPixel(gDDSScratch, 249, 139), 0x123456u);
    EXPECT_NE(DXGetPixel(gDDSScratch, 250, 140), 0x123456u);
    gPictureRect = XYWH{};
}

TEST_F(WindowTest, ShownWindowImageHoldsTheBackgroundOfItsSize)
{
    MainWindow *w = Make();
    ASSERT_EQ(w->Create(), 0);
    w->resize(w->sizeHint());
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    PLAT_IMAGE *image = PLAT_GetWindowImage();
    ASSERT_NE(image, nullptr);
    for (int y : {0, 300, 599}) {
        const uint8_t *p = image->pBits + y * image->iPitch + 700 * 3;
        uint32_t rgb = (p[2] << 16) | (p[1] << 8) | p[0];
        EXPECT_EQ(rgb, DXGetPixel(gDDSBackgnd, 700, y)) << y;
    }
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(WindowTest, FailingFrameStopsFramesAndIsShownOnce)
{
    MainWindow *w = Make();
    ASSERT_EQ(w->Create(), 0);
    gpFrameProc = FailingFrame;
    w->OnFrameTick();
    w->OnFrameTick();
    QTest::qWait(200);
    EXPECT_EQ(sFrames, 1);
    EXPECT_EQ(gFramesRunning, 0);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, "AO process failed!\n");
    // Activation does not bring back frames that stopped for good.
    QEvent deactivate(QEvent::WindowDeactivate), activate(QEvent::WindowActivate);
    QApplication::sendEvent(w, &deactivate);
    QApplication::sendEvent(w, &activate);
    EXPECT_EQ(gFramesRunning, 0);
}

TEST_F(WindowTest, GreyedCommandsAreSilencedOnTheKeyboard)
{
    MainWindow *w = Make();
    ASSERT_EQ(w->Create(), 0);
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    QSignalSpy clipart(w->ActionFor(IDM_CLIPART), &QAction::triggered);
    QSignalSpy saveAs(w->ActionFor(IDM_SAVEAS), &QAction::triggered);
    QSignalSpy ctrlA(w->ActionFor(IDM_KEY_CTRL_A), &QAction::triggered);
    QSignalSpy moveLeft(w->ActionFor(IDM_MOVELEFT), &QAction::triggered);

    EXPECT_FALSE(w->ActionFor(IDM_CLIPART)->isEnabled()); // state 0 at start
    EXPECT_FALSE(w->ActionFor(IDM_SAVE)->isEnabled());
    EXPECT_TRUE(w->ActionFor(IDM_OPEN)->isEnabled());
    QTest::keyClick(w, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(w, Qt::Key_Left);
    EXPECT_EQ(clipart.count(), 0);
    EXPECT_EQ(moveLeft.count(), 0);

    SetCommandState(1);
    QTest::keyClick(w, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(clipart.count(), 1);
    EXPECT_EQ(ctrlA.count(), 1);
    EXPECT_EQ(saveAs.count(), 0); // the menu shows Ctrl+A but the key sends another id

    SetCommandState(4);
    QTest::keyClick(w, Qt::Key_Left);
    EXPECT_EQ(moveLeft.count(), 1);
}

TEST_F(WindowTest, CommandStatesGreyWhatTheyMust)
{
    MainWindow *w = Make();
    auto enabled = [w](int id) { return w->ActionFor(id)->isEnabled(); };
    SetCommandState(1); // no mail command on this machine
    EXPECT_TRUE(enabled(IDM_SAVE));
    EXPECT_FALSE(enabled(IDM_EMAIL));
    EXPECT_FALSE(enabled(IDM_SELECTNEXT));
    gMailAvailable = 1;
    SetCommandState(1);
    EXPECT_TRUE(enabled(IDM_EMAIL));
    SetCommandState(3);
    EXPECT_TRUE(enabled(IDM_SELECTNEXT));
    EXPECT_FALSE(enabled(IDM_BIGGER));
    SetCommandState(5);
    EXPECT_TRUE(enabled(IDM_BIGGER));
    EXPECT_FALSE(enabled(IDM_ROTATELEFT));
    EXPECT_FALSE(enabled(IDM_ROTATERIGHT));
    SetCommandState(4);
    EXPECT_TRUE(enabled(IDM_ROTATELEFT));
    SetCommandState(0);
    EXPECT_FALSE(enabled(IDM_SAVE));
    EXPECT_FALSE(enabled(IDM_KEY_CTRL_I));
    EXPECT_FALSE(enabled(IDM_DELETE));
}

TEST_F(WindowTest, StatusBarPartsFollowTheDrawingArea)
{
    MainWindow *w = Make();
    ASSERT_EQ(w->Create(), 0);
    w->resize(w->sizeHint());
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    EXPECT_EQ(w->Area()->size(), QSize(800, 600));
    EXPECT_EQ(gScreenWidth, 800);
    EXPECT_EQ(gScreenHeight, 600);
    EXPECT_EQ(w->mParts[0]->geometry().right() + 1, 400);
    EXPECT_EQ(w->mParts[1]->geometry().right() + 1, 575);
    EXPECT_EQ(w->mProgress->geometry().x(), 415);
    EXPECT_EQ(w->mProgress->width(), 171);

    w->resize(1280, 1024 + w->menuBar()->height() + w->statusBar()->height());
    QTest::qWait(50);
    EXPECT_EQ(gScreenWidth, 1280);
    EXPECT_EQ(w->mParts[0]->geometry().right() + 1, 640);
    EXPECT_EQ(w->mParts[1]->geometry().right() + 1, 815);
    EXPECT_EQ(w->mProgress->geometry().x(), 655);

    w->resize(2000, 2000); // the drawing area never outgrows the window image
    QTest::qWait(50);
    EXPECT_LE(gScreenWidth, 1280);
    EXPECT_LE(gScreenHeight, 1024);
    w->resize(300, 200);
    QTest::qWait(50);
    EXPECT_GE(gScreenWidth, 800);
    EXPECT_GE(gScreenHeight, 600);
}

TEST_F(WindowTest, CaptionGainsTheModifiedMarkOnce)
{
    MainWindow *w = Make();
    gDocumentOpen = 1;
    std::snprintf(gFileName, sizeof gFileName, "beach");
    std::snprintf(gFileExt, sizeof gFileExt, ".mwi");
    UpdateTitle(w);
    EXPECT_EQ(w->windowTitle(), QString("beach.mwi - Merrowick") + QString(17, ' '));
    SetModified();
    EXPECT_EQ(gModified, 1);
    EXPECT_EQ(w->windowTitle(), QString("beach.mwi * - Merrowick") + QString(17, ' '));
    w->setWindowTitle("changed elsewhere");
    SetModified(); // already modified: nothing to do
    EXPECT_EQ(w->windowTitle(), "changed elsewhere");
    gDocumentOpen = gModified = 0;
}

static int sAskAnswer;
static int sAsked;
static int AskSave()
{
    sAsked++;
    return sAskAnswer;
}

TEST_F(WindowTest, CloseAsksToSaveOnlyWhenModifiedAndCancelKeepsTheWindow)
{
    MainWindow *w = Make();
    ASSERT_EQ(w->Create(), 0);
    gpAskSaveChanges = AskSave;
    sAsked = 0;
    gModified = 1;
    sAskAnswer = 0;
    w->OnCommand(IDM_EXIT);
    EXPECT_EQ(sAsked, 1);
    EXPECT_TRUE(w->FrameTimer().isActive());
    EXPECT_NE(gDDSScratch, nullptr);
    sAskAnswer = 1;
    w->OnCommand(IDM_EXIT);
    EXPECT_EQ(sAsked, 2);
    EXPECT_FALSE(w->FrameTimer().isActive());
    EXPECT_EQ(gDDSScratch, nullptr);
    gModified = 0;
}

TEST_F(WindowTest, HelpCommandsOpenPagesOfTheLanguageOrSayNotFound)
{
    TempMainDir main;
    std::string page = main.Dir() + "help/Merrowick_English/html/merrowick.htm";
    std::filesystem::create_directories(std::filesystem::path(page).parent_path());
    FILE *f = std::fopen(page.c_str(), "w");
    std::fputs("<html><head><title>Contents</title></head><body>Hello</body></html>", f);
    std::fclose(f);
    MainWindow *w = Make(main.Dir());
    ASSERT_EQ(w->Create(), 0);
    w->OnCommand(IDM_CONTENTS);
    ASSERT_NE(PLATQT_HelpWindow(), nullptr);
    EXPECT_EQ(PLATQT_HelpCurrentFile().toStdString(), page);
    gLanguageOffset = 3000;
    w->OnCommand(IDM_GETTINGSTARTED);
    EXPECT_TRUE(PLATQT_HelpCurrentFile().isEmpty()); // no Swedish page yet: a notice, no box
    EXPECT_TRUE(Boxes().empty());
    w->close();
    EXPECT_EQ(PLATQT_HelpWindow(), nullptr);
}
