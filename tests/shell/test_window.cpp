// The main window: start-up and shutdown, failure paths, frames and activation, menus
// and keys, status bar, caption, close and help.
#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <filesystem>
#include <memory>
#include <set>

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
#include "support/data_files.h"
#include "support/qt_app.h"

namespace
{

// A main folder whose entries link to the data folder's, leaving out `omit`.
class TempMainDir : public TempDir
{
  public:
    explicit TempMainDir(const std::set<std::string> &omit = {})
    {
        for (const auto &entry : std::filesystem::directory_iterator(DataPath()))
            if (!omit.count(entry.path().filename().string()))
                std::filesystem::create_symlink(entry.path(),
                                                *this / entry.path().filename().string());
    }
    std::string Dir() const { return Path() + "/"; }
};

int sFrames, sAskAnswer, sAsked;

void Send(QWidget *w, QEvent::Type type)
{
    QEvent event(type);
    QApplication::sendEvent(w, &event);
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
        gModified = gDocumentOpen = 0;
        gPictureRect = XYWH{};
        QtTest::TearDown();
    }
    // Makes the window over a main folder (the data folder when empty).
    MainWindow *Make(const std::string &mainDir = "")
    {
        if (!mainDir.empty())
            PLAT_WriteProfileString("SETUP", "DirectoryMain", mainDir.c_str());
        mWindow = std::make_unique<MainWindow>(RES_FindMenu("MENU_ENG"), RES_FindAccel("ACCEL_ENG"));
        return mWindow.get();
    }
    MainWindow *Started()
    {
        MainWindow *w = Make();
        EXPECT_EQ(w->Create(), 0) << (Boxes().empty() ? "" : Boxes()[0].text);
        return w;
    }
    std::unique_ptr<MainWindow> mWindow;
};

} // namespace

TEST_F(WindowTest, StartsFromTheDataFolderAndShutsDownInOrder)
{
    MainWindow *w = Started();
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(TempConfig::Value("SETUP", "DirectoryMain"), std::string(PLAT_DefaultDataDir()));
    EXPECT_EQ(TempConfig::Value("SETUP", "InterfaceTexts"), "1");
    EXPECT_EQ(TempConfig::Value("MISC", "FirstStartInit"), "1");
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

TEST_F(WindowTest, BrokenGraphicsMapIsReportedAndTheStartGoesOn)
{
    const struct {
        const char *map; // null: no obj.edi
        const char *box;
    } cases[] = {
        {nullptr, "Open file failed!\nLoadObjects()\n"},
        {"G:12   1,2,3,4\nG:12   5,6,7,8\n", "Graphics Id already used!\n12\nLoadObjects()\n"},
    };
    for (const auto &c : cases) {
        Boxes().clear();
        TempMainDir main({"obj.edi"});
        if (c.map)
            main.WriteText("obj.edi", c.map);
        ASSERT_EQ(Make(main.Dir())->Create(), 0);
        ASSERT_EQ(Boxes().size(), 1u);
        EXPECT_EQ(Boxes()[0].text, c.box);
        EXPECT_EQ(Boxes()[0].title, LoadText(14));
        EXPECT_EQ(Boxes()[0].flags, PLAT_MB_OK | PLAT_MB_ICONSTOP);
        EXPECT_EQ(gFramesRunning, 1);
        mWindow.reset();
    }
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
    MainWindow *w = Started();
    gpFrameProc = [] { return ++sFrames, 1; };
    QTest::qWait(400);
    EXPECT_GE(sFrames, 2);

    Send(w, QEvent::WindowDeactivate);
    EXPECT_EQ(gFramesRunning, 0);
    EXPECT_EQ(gFramesSuspended, 1);
    EXPECT_EQ(gAppActive, 0);
    sFrames = 0;
    w->OnFrameTick();
    QTest::qWait(250);
    EXPECT_EQ(sFrames, 0);

    Send(w, QEvent::WindowActivate);
    EXPECT_EQ(gFramesRunning, 1);
    EXPECT_EQ(gFramesSuspended, 0);
    EXPECT_EQ(gAppActive, 1);
    w->OnFrameTick();
    EXPECT_GE(sFrames, 1);
}

TEST_F(WindowTest, DeactivationPutsThePictureIntoTheScreenBuffer)
{
    MainWindow *w = Started();
    gPictureRect = XYWH{200, 100, 50, 40};
    DXFillRect(gDDSPicture, 200, 100, 50, 40, 0x123456);
    Send(w, QEvent::WindowDeactivate);
    EXPECT_EQ(DXGetPixel(gDDSScratch, 200, 100), 0x123456u);
    EXPECT_EQ(DXGetPixel(gDDSScratch, 249, 139), 0x123456u);
    EXPECT_NE(DXGetPixel(gDDSScratch, 250, 140), 0x123456u);
}

TEST_F(WindowTest, FailingFrameStopsFramesForGoodAndIsShownOnce)
{
    MainWindow *w = Started();
    gpFrameProc = [] { return ++sFrames, 0; };
    w->OnFrameTick();
    w->OnFrameTick();
    QTest::qWait(200);
    EXPECT_EQ(sFrames, 1);
    EXPECT_EQ(gFramesRunning, 0);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, "AO process failed!\n");
    Send(w, QEvent::WindowDeactivate);
    Send(w, QEvent::WindowActivate);
    EXPECT_EQ(gFramesRunning, 0);
}

TEST_F(WindowTest, GreyedCommandsAreSilencedOnTheKeyboard)
{
    MainWindow *w = Started();
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    QSignalSpy clipart(w->ActionFor(IDM_CLIPART), &QAction::triggered);
    QSignalSpy saveAs(w->ActionFor(IDM_SAVEAS), &QAction::triggered);
    QSignalSpy ctrlA(w->ActionFor(IDM_KEY_CTRL_A), &QAction::triggered);
    QSignalSpy moveLeft(w->ActionFor(IDM_MOVELEFT), &QAction::triggered);

    QTest::keyClick(w, Qt::Key_C, Qt::ControlModifier); // state 0 at start: all greyed
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
    const struct {
        int state, mail, id;
        bool enabled;
    } cases[] = {
        {0, 0, IDM_OPEN, true},         {0, 0, IDM_SAVE, false},       {0, 0, IDM_CLIPART, false},
        {0, 0, IDM_KEY_CTRL_I, false},  {0, 0, IDM_DELETE, false},     {1, 0, IDM_SAVE, true},
        {1, 0, IDM_EMAIL, false},       {1, 1, IDM_EMAIL, true},       {1, 0, IDM_SELECTNEXT, false},
        {3, 0, IDM_SELECTNEXT, true},   {3, 0, IDM_BIGGER, false},     {5, 0, IDM_BIGGER, true},
        {5, 0, IDM_ROTATELEFT, false},  {5, 0, IDM_ROTATERIGHT, false}, {4, 0, IDM_ROTATELEFT, true},
    };
    for (const auto &c : cases) {
        gMailAvailable = c.mail;
        SetCommandState(c.state);
        EXPECT_EQ(w->ActionFor(c.id)->isEnabled(), c.enabled)
            << "command " << c.id << " in state " << c.state;
    }
}

TEST_F(WindowTest, ShownWindowShowsTheBackgroundAndLaysOutTheStatusBarForItsSize)
{
    MainWindow *w = Started();
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
    EXPECT_EQ(w->Area()->size(), QSize(800, 600));
    EXPECT_EQ(w->mProgress->width(), 171);

    const int extra = w->menuBar()->height() + w->statusBar()->height();
    const struct {
        int width, height;   // asked of the window (drawing area plus bars)
        int areaW, areaH;    // drawing area it gets
        int part0, part1, x; // right ends of the parts, progress bar's left
    } sizes[] = {
        {800, 600, 800, 600, 400, 575, 415},
        {1280, 1024, 1280, 1024, 640, 815, 655},
        {2000, 2000, 1280, 1024, 640, 815, 655}, // never larger than the window image
        {300, 200, 800, 600, 400, 575, 415},     // nor smaller than the layout
    };
    for (const auto &s : sizes) {
        w->resize(s.width, s.height + extra);
        QTest::qWait(50);
        EXPECT_EQ(gScreenWidth, s.areaW) << s.width;
        EXPECT_EQ(gScreenHeight, s.areaH) << s.height;
        EXPECT_EQ(w->mParts[0]->geometry().right() + 1, s.part0) << s.width;
        EXPECT_EQ(w->mParts[1]->geometry().right() + 1, s.part1) << s.width;
        EXPECT_EQ(w->mProgress->geometry().x(), s.x) << s.width;
    }
    EXPECT_TRUE(Boxes().empty());
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
}

TEST_F(WindowTest, CloseAsksToSaveOnlyWhenModifiedAndCancelKeepsTheWindow)
{
    MainWindow *w = Started();
    gpAskSaveChanges = [] { return ++sAsked, sAskAnswer; };
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
}

TEST_F(WindowTest, HelpCommandsOpenPagesOfTheLanguageOrSayNotFound)
{
    TempMainDir main;
    main.WriteText("help/Merrowick_English/html/merrowick.htm",
                   "<html><head><title>Contents</title></head><body>Hello</body></html>");
    MainWindow *w = Make(main.Dir());
    ASSERT_EQ(w->Create(), 0);
    w->OnCommand(IDM_CONTENTS);
    ASSERT_NE(PLATQT_HelpWindow(), nullptr);
    EXPECT_EQ(PLATQT_HelpCurrentFile().toStdString(),
              main / "help/Merrowick_English/html/merrowick.htm");
    gLanguageOffset = 3000;
    w->OnCommand(IDM_GETTINGSTARTED);
    EXPECT_TRUE(PLATQT_HelpCurrentFile().isEmpty()); // no Swedish page yet: a notice, no box
    EXPECT_TRUE(Boxes().empty());
    w->close();
    EXPECT_EQ(PLATQT_HelpWindow(), nullptr);
}
