// The main window: start-up and shutdown, frames, command states, status bar, caption, help.
#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>

#include "interface/graphicsmap.h"
#include "picture/ao.h"
#include "picture/imgobj.h"
#include "pixels/pixels.h"
#include "resources/menus/commands.h"
#include "resources/menus/menus.h"
#include "resources/strings/strings.h"
#include "shell/appstate.h"
#include "shell/shell.h"
#include "shell/shellcore.h"
#include "support/data_files.h"
#include "support/qt_app.h"

namespace
{

// A main folder whose entries link to the data folder's, but for `omit`.
struct TempMainDir : TempDir {
    explicit TempMainDir(const std::string &omit = "")
    {
        for (const auto &entry : fs::directory_iterator(DataPath()))
            if (entry.path().filename() != omit)
                fs::create_symlink(entry.path(), *this / entry.path().filename().string());
    }
};

int sFrames, sAskAnswer, sAsked;

class WindowTest : public QtTest
{
  protected:
    void SetUp() override
    {
        QtTest::SetUp();
        sFrames = gLanguageOffset = gMailAvailable = gModified = gDocumentOpen = 0;
        gFramesSuspended = 0;
        gPictureRect = XYWH{};
    }
    void TearDown() override
    {
        mWindow.reset();
        gpFrameProc = AO_ProcessFlip;
        gpAskSaveChanges = nullptr;
        QtTest::TearDown();
    }
    // The window over a main folder (the data folder when empty), created or not.
    MainWindow *Make(const std::string &mainDir = "", bool create = true)
    {
        if (!mainDir.empty())
            PLAT_WriteProfileString("SETUP", "DirectoryMain", (mainDir + "/").c_str());
        mWindow =
            std::make_unique<MainWindow>(RES_FindMenu("MENU_ENG"), RES_FindAccel("ACCEL_ENG"));
        if (create && mWindow->Create() != 0)
            ADD_FAILURE() << (gBoxes.empty() ? "" : gBoxes[0].text);
        return mWindow.get();
    }
    static void Send(QWidget *w, QEvent::Type type)
    {
        QEvent e(type);
        QApplication::sendEvent(w, &e);
    }
    std::unique_ptr<MainWindow> mWindow;
};

} // namespace

TEST_F(WindowTest, StartsFromTheDataFolderAndShutsDownInOrder)
{
    MainWindow *w = Make();
    EXPECT_TRUE(gBoxes.empty());
    EXPECT_EQ(TempConfig::Value("SETUP", "DirectoryMain"), std::string(PLAT_DefaultDataDir()));
    EXPECT_EQ(TempConfig::Value("SETUP", "InterfaceTexts"), "1");
    EXPECT_EQ(TempConfig::Value("MISC", "FirstStartInit"), "1");
    EXPECT_GT(gGraphicsCount, 0);
    EXPECT_EQ(gFramesRunning + gAppActive, 2);
    EXPECT_EQ(w->FrameTimer().interval(), 90);
    EXPECT_EQ(w->windowTitle(), QString("Merrowick v1.01") + QString(17, ' '));
    EXPECT_EQ(w->mParts[0]->text(), QString::fromLatin1(LoadText(128)));

    gpAskSaveChanges = [] { return ++sAsked, 1; };
    sAsked = 0;
    w->close();
    EXPECT_EQ(sAsked, 0) << "nothing to save";
    EXPECT_FALSE(w->FrameTimer().isActive());
    EXPECT_TRUE(!gGraphicsMap && !gDDSScratch && !gWindowDC && !gAOList) << "all released";
    EXPECT_TRUE(gBoxes.empty());
}

TEST_F(WindowTest, AMissingGraphicsMapIsReportedButAMissingSpriteSheetStopsTheStart)
{
    const struct {
        const char *omit, *hide;
        int result;
        std::string box; // a failed start ends with the sentence for the user
    } cases[] = {{"obj.edi", nullptr, 0, "Open file failed!\nLoadObjects()\n"},
                 {"", "SPRITE", -1,
                  "LoadImage() !\nDDLoadBitmap() !\n" + std::string(LoadText(1643)) + "\n"}};
    for (const auto &c : cases) {
        gBoxes.clear();
        TempMainDir main(c.omit);
        PLATQT_HideResource(c.hide);
        EXPECT_EQ(Make(main.Path(), false)->Create(), c.result);
        ASSERT_EQ(gBoxes.size(), 1u);
        EXPECT_EQ(gBoxes[0].text, c.box);
        EXPECT_EQ(mWindow->FrameTimer().isActive(), c.result == 0);
        EXPECT_EQ(gFramesRunning, c.result == 0);
        EXPECT_EQ(gGraphicsMap, nullptr); // none read, or cleaned up after a failed start
        mWindow.reset();
    }
}

TEST_F(WindowTest, FramesRunOnTheTimerStopWhileInactiveShowingTheBufferAndStopOnAFailure)
{
    MainWindow *w = Make();
    gpFrameProc = [] { return ++sFrames, 1; };
    QTest::qWait(400);
    EXPECT_GE(sFrames, 2);

    gPictureRect = XYWH{200, 100, 50, 40};
    DXFillRect(gDDSPicture, 200, 100, 50, 40, 0x123456);
    Send(w, QEvent::WindowDeactivate);
    EXPECT_EQ(gFramesRunning + gAppActive, 0);
    for (auto [x, y, in] : {std::tuple{200, 100, true}, {249, 139, true}, {250, 140, false}})
        EXPECT_EQ(DXGetPixel(gDDSScratch, x, y) == 0x123456u, in) << x << "," << y;
    sFrames = 0;
    w->OnFrameTick();
    EXPECT_EQ(sFrames, 0);

    Send(w, QEvent::WindowActivate);
    EXPECT_EQ(gFramesRunning + gAppActive, 2);
    w->OnFrameTick();
    EXPECT_GE(sFrames, 1);

    // A failing frame stops the frames for good and is shown once.
    gpFrameProc = [] { return ++sFrames, 0; };
    sFrames = 0;
    w->OnFrameTick();
    w->OnFrameTick();
    EXPECT_EQ(sFrames, 1);
    ASSERT_EQ(gBoxes.size(), 1u);
    EXPECT_EQ(gBoxes[0].text, "AO process failed!\n");
    Send(w, QEvent::WindowDeactivate);
    Send(w, QEvent::WindowActivate);
    EXPECT_EQ(gFramesRunning, 0);
}

TEST_F(WindowTest, CommandStatesGreyMenuItemsAndSilenceTheirKeys)
{
    MainWindow *w = Make("", false);
    const struct {
        int state, mail, id;
        bool enabled;
    } cases[] = {{0, 0, IDM_OPEN, true},        {0, 0, IDM_SAVE, false},
                 {0, 0, IDM_CLIPART, false},    {0, 0, IDM_KEY_CTRL_I, false},
                 {0, 0, IDM_DELETE, false},     {1, 0, IDM_SAVE, true},
                 {1, 0, IDM_EMAIL, false},      {1, 1, IDM_EMAIL, true},
                 {1, 0, IDM_SELECTNEXT, false}, {3, 0, IDM_SELECTNEXT, true},
                 {3, 0, IDM_BIGGER, false},     {5, 0, IDM_BIGGER, true},
                 {5, 0, IDM_ROTATELEFT, false}, {5, 0, IDM_ROTATERIGHT, false},
                 {4, 0, IDM_ROTATELEFT, true}};
    for (const auto &c : cases) {
        gMailAvailable = c.mail;
        SetCommandState(c.state);
        EXPECT_EQ(w->ActionFor(c.id)->isEnabled(), c.enabled)
            << "command " << c.id << " in state " << c.state;
    }

    ASSERT_EQ(w->Create(), 0); // which greys the picture commands again
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    QSignalSpy clipart(w->ActionFor(IDM_CLIPART), &QAction::triggered);
    QSignalSpy saveAs(w->ActionFor(IDM_SAVEAS), &QAction::triggered);
    QSignalSpy ctrlA(w->ActionFor(IDM_KEY_CTRL_A), &QAction::triggered);
    QTest::keyClick(w, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipart.count(), 0);
    SetCommandState(1);
    QTest::keyClick(w, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(clipart.count(), 1);
    EXPECT_EQ(ctrlA.count(), 1);
    EXPECT_EQ(saveAs.count(), 0); // the menu shows Ctrl+A but the key sends another id
}

TEST_F(WindowTest, ShownWindowShowsTheBackgroundAndLaysOutTheStatusBarForItsSize)
{
    MainWindow *w = Make();
    w->resize(w->sizeHint());
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    PLAT_IMAGE *image = PLAT_GetWindowImage();
    ASSERT_NE(image, nullptr);
    for (int y : {0, 300, 599}) {
        const uint8_t *p = image->pBits + y * image->iPitch + 700 * 3;
        EXPECT_EQ(uint32_t(p[2] << 16 | p[1] << 8 | p[0]), DXGetPixel(gDDSBackgnd, 700, y)) << y;
    }
    EXPECT_EQ(w->Area()->size(), QSize(800, 600));

    const int bars = w->menuBar()->height() + w->statusBar()->height();
    const struct {
        int width, height;   // asked of the window (drawing area plus bars)
        int areaW, areaH;    // drawing area it gets
        int part0, part1, x; // right ends of the parts, progress bar's left
    } sizes[] = {{2000, 2000, 1280, 1024, 640, 815, 655}, // never larger than the window image
                 {300, 200, 800, 600, 400, 575, 415}};    // nor smaller than the layout
    for (const auto &s : sizes) {
        w->resize(s.width, s.height + bars);
        QTest::qWait(50);
        EXPECT_EQ(gScreenWidth, s.areaW) << s.width;
        EXPECT_EQ(gScreenHeight, s.areaH) << s.height;
        EXPECT_EQ(w->mParts[0]->geometry().right() + 1, s.part0) << s.width;
        EXPECT_EQ(w->mParts[1]->geometry().right() + 1, s.part1) << s.width;
        EXPECT_EQ(w->mProgress->geometry().x(), s.x) << s.width;
        EXPECT_EQ(w->mProgress->width(), 171);
    }
}

TEST_F(WindowTest, AModifiedDocumentMarksTheCaptionOnceAndAsksBeforeClosing)
{
    MainWindow *w = Make();
    gpAskSaveChanges = [] { return ++sAsked, sAskAnswer; };
    sAsked = 0, gDocumentOpen = 1;
    std::snprintf(gFileName, sizeof gFileName, "beach");
    std::snprintf(gFileExt, sizeof gFileExt, ".mwi");
    UpdateTitle(w);
    EXPECT_EQ(w->windowTitle(), QString("beach.mwi - Merrowick") + QString(17, ' '));
    SetModified();
    EXPECT_EQ(w->windowTitle(), QString("beach.mwi * - Merrowick") + QString(17, ' '));
    w->setWindowTitle("changed elsewhere");
    SetModified(); // already modified: nothing to do
    EXPECT_EQ(w->windowTitle(), "changed elsewhere");

    sAskAnswer = 0; // cancel keeps the window
    w->OnCommand(IDM_EXIT);
    EXPECT_EQ(sAsked, 1);
    EXPECT_TRUE(w->FrameTimer().isActive());
    sAskAnswer = 1;
    w->OnCommand(IDM_EXIT);
    EXPECT_EQ(sAsked, 2);
    EXPECT_FALSE(w->Running());
}

TEST_F(WindowTest, HelpCommandsOpenPagesOfTheLanguageOrSayNotFound)
{
    TempMainDir main;
    main.WriteText("help/Merrowick_English/html/merrowick.htm", "<html><body>Hi</body></html>");
    ASSERT_NE(Make(main.Path()), nullptr);
    mWindow->OnCommand(IDM_CONTENTS);
    ASSERT_NE(PLATQT_HelpWindow(), nullptr);
    EXPECT_EQ(PLATQT_HelpCurrentFile().toStdString(),
              main / "help/Merrowick_English/html/merrowick.htm");
    gLanguageOffset = 3000;
    mWindow->OnCommand(IDM_GETTINGSTARTED);
    EXPECT_TRUE(PLATQT_HelpCurrentFile().isEmpty()); // no Swedish page yet: a notice, no box
    EXPECT_TRUE(gBoxes.empty());
    mWindow->close();
    EXPECT_EQ(PLATQT_HelpWindow(), nullptr);
}
