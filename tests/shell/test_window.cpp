// The main window: start-up and shutdown, frames, command states, status bar, caption.
#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>
#include <array>

#include "interface/interface.h"
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

int sFrames, sAskAnswer;

class WindowTest : public QtTest
{
  protected:
    void SetUp() override
    {
        QtTest::SetUp();
        sFrames = gLanguageOffset = gMailAvailable = gModified = gDocumentOpen = 0;
        gFramesSuspended = 0;
    }
    void TearDown() override
    {
        mWindow.reset();
        gpFrameProc = AO_ProcessFlip;
        QtTest::TearDown();
    }
    // The window over a main folder (the data folder when empty), created or not.
    MainWindow *Make(const std::string &mainDir = "", bool create = true)
    {
        if (!mainDir.empty())
            PLAT_WriteProfileString("SETUP", "DirectoryMain", (mainDir + "/").c_str());
        mWindow =
            std::make_unique<MainWindow>(RES_FindMenu("MENU_ENG"), RES_FindAccel("ACCEL_ENG"));
        EXPECT_TRUE(!create || mWindow->Create() == 0) << (gBoxes.empty() ? "" : gBoxes[0]);
        return mWindow.get();
    }
    std::unique_ptr<MainWindow> mWindow;
};

} // namespace

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
        TempDir main; // the data folder's entries, but for `omit`
        for (const auto &entry : fs::directory_iterator(DataPath()))
            if (entry.path().filename() != c.omit)
                fs::create_symlink(entry.path(), main / entry.path().filename().string());
        PLATQT_HideResource(c.hide);
        EXPECT_EQ(Make(main.Path(), false)->Create(), c.result);
        ASSERT_EQ(gBoxes.size(), 1u);
        EXPECT_EQ(gBoxes[0], c.box);
        EXPECT_EQ(gFramesRunning, c.result == 0);
        EXPECT_EQ(gGraphicsMap, nullptr); // none read, or cleaned up after a failed start
        mWindow.reset();
    }
}

TEST_F(WindowTest, FramesRunOnTheTimerPauseWhileInactiveAndStopOnAFailure)
{
    MainWindow *w = Make();
    gpFrameProc = [] { return ++sFrames, 1; };
    for (int wait = 0; wait < 50 && sFrames < 2; wait++) // the timer runs them
        QTest::qWait(100);
    EXPECT_GE(sFrames, 2);
    QEvent off(QEvent::WindowDeactivate), on(QEvent::WindowActivate);
    QApplication::sendEvent(w, &off);
    sFrames = 0;
    w->OnFrameTick();
    EXPECT_EQ(sFrames, 0);
    QApplication::sendEvent(w, &on);
    // One of the program's own dialogs in front does not pause them.
    w->show();
    QDialog dialog(w);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QApplication::sendEvent(w, &off);
    const int before = sFrames; // the timer may have run some while the dialog came up
    w->OnFrameTick();
    EXPECT_EQ(sFrames, before + 1);
    dialog.close();
    // A failing frame stops the frames for good and is shown once.
    gpFrameProc = [] { return ++sFrames, 0; };
    sFrames = 0;
    w->OnFrameTick();
    w->OnFrameTick();
    EXPECT_EQ(sFrames, 1);
    ASSERT_EQ(gBoxes.size(), 1u);
    EXPECT_EQ(gBoxes[0], "AO process failed!\n");
}

TEST_F(WindowTest, CommandStatesGreyMenuItemsAndSilenceTheirKeys)
{
    MainWindow *w = Make("", false); // below: state, mail, command, enabled
    const int cases[][4] = {
        {0, 0, IDM_OPEN, 1},       {0, 0, IDM_SAVE, 0},       {1, 0, IDM_SAVE, 1},
        {1, 0, IDM_EMAIL, 0},      {1, 1, IDM_EMAIL, 1},      {1, 0, IDM_SELECTNEXT, 0},
        {3, 0, IDM_SELECTNEXT, 1}, {5, 0, IDM_ROTATELEFT, 0}, {4, 0, IDM_ROTATELEFT, 1}};
    for (const auto &[state, mail, id, enabled] : cases) {
        gMailAvailable = mail;
        SetCommandState(state);
        EXPECT_EQ(w->ActionFor(id)->isEnabled(), enabled != 0) << id << " in state " << state;
    }
    ASSERT_EQ(w->Create(), 0); // which greys the picture commands again
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

TEST_F(WindowTest, AModifiedDocumentMarksTheCaptionAndAsksBeforeClosing)
{
    MainWindow *w = Make();
    PLATQT_SetMessageBoxHook([](const char *text, const char *, int) -> int {
        gBoxes.push_back(text);
        return sAskAnswer ? PLAT_IDNO : PLAT_IDCANCEL;
    });
    gDocumentOpen = 1;
    std::snprintf(gFileName, sizeof gFileName, "beach");
    std::snprintf(gFileExt, sizeof gFileExt, ".mwi");
    SetModified();
    EXPECT_EQ(w->windowTitle(), QString("beach.mwi * - Merrowick") + QString(17, ' '));
    sAskAnswer = 0; // cancel keeps the window
    w->OnCommand(IDM_EXIT);
    EXPECT_TRUE(w->FrameTimer().isActive());
    sAskAnswer = 1; // no: the window closes, the frames stop and everything is released
    w->OnCommand(IDM_EXIT);
    EXPECT_FALSE(w->Running() || w->FrameTimer().isActive());
    EXPECT_TRUE(!gGraphicsMap && !gDDSScratch && !gWindowDC && !gAOList) << "all released";
}

// A start file that cannot be opened is reported and names nothing in the status bar;
// one that opens shows the editing buttons. Editing commands press their button (one
// step on the next frames); the Delete key deletes; keys without a command do nothing.
TEST_F(WindowTest, TheStartFileOpensAndCommandsAndKeysActThroughTheButtons)
{
    RejectDialogs closer; // the photo's rotation: as it is
    std::snprintf(gStartFile, sizeof gStartFile, "%s", DataPath("missing.jpg").c_str());
    EXPECT_EQ(Make()->mParts[0]->text(), QString::fromLatin1(LoadText(128)));
    EXPECT_EQ(gBoxes.size(), 1u);
    EXPECT_EQ(AO_CountType(AO_TYPE_CONTROL), 0);
    mWindow.reset();
    gDocumentOpen = 0;
    std::snprintf(gStartFile, sizeof gStartFile, "%s", DataPath("blank.jpg").c_str());
    MainWindow *w = Make();
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

    // The window shows what the frames drew: the screen buffer around the picture and
    // the picture buffer, pieces and all, within it. Asked for a size beyond its limits it
    // takes the nearest; the drawing area is what the status bar leaves, the progress bar
    // placed for it.
    w->show();
    for (const auto &[asked, size, progressX] :
         {std::tuple{QSize(300, 200), QSize(800, 600), 415},
          {QSize(2000, 2000), QSize(1280, 1024), 655}}) {
        w->resize(asked);
        QCoreApplication::processEvents();
        EXPECT_EQ(w->size(), size);
        EXPECT_EQ(w->Area()->size(), QSize(gScreenWidth, gScreenHeight));
        EXPECT_LT(gScreenHeight, size.height());
        EXPECT_EQ(w->mProgress->geometry().x(), progressX);
        ASSERT_TRUE(AO_ProcessFlip()) << gErrorTrail;
        const XYWH &pic = gPictureRect;
        // The whole area, and a repaint of a part across the picture's edge.
        for (const QRect part :
             {QRect(0, 0, gScreenWidth, gScreenHeight), QRect(pic.x - 30, pic.y + 10, 70, 40)}) {
            const QImage shown = w->Area()->grab(part).toImage();
            ASSERT_EQ(shown.size(), part.size());
            int wrong = 0;
            for (int y = part.top(); y <= part.bottom(); y += 3)
                for (int x = part.left(); x <= part.right(); x += 5) {
                    const bool inside =
                        x >= pic.x && x < pic.x + pic.w && y >= pic.y && y < pic.y + pic.h;
                    const uint8_t *p = DXPixel(inside ? gDDSPicture : gDDSScratch, x, y);
                    wrong += shown.pixel(x - part.left(), y - part.top()) != qRgb(p[2], p[1], p[0]);
                }
            EXPECT_EQ(wrong, 0) << "in " << part.x() << "," << part.y() << " of " << gScreenWidth;
        }
    }

    QTest::keyClick(w, Qt::Key_Delete);
    EXPECT_EQ(gSelected, nullptr);
    EXPECT_EQ(piece->ao.bRemove, 1);
    EXPECT_EQ(gCommandState, CMDSTATE_NO_PIECES);
}

// A dialog that comes up while a button is held takes the button's release: the press
// ends there, and the piece stops growing behind the dialog and after it.
TEST_F(WindowTest, AHeldButtonLetsGoWhenADialogComesUp)
{
    RejectDialogs closer;
    std::snprintf(gStartFile, sizeof gStartFile, "%s", DataPath("blank.jpg").c_str());
    MainWindow *w = Make();
    gStartFile[0] = '\0';
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    w->FrameTimer().stop(); // frames only when the test runs them
    IMGOBJ *piece = IMGOBJ_AddObj("glasses.clp", IMG_OBJ, 0, 0, nullptr, nullptr);
    ASSERT_NE(piece, nullptr) << gErrorTrail;
    const CONTROL *bigger = nullptr;
    for (AO *e = gAOList; e; e = e->pNext)
        if (e->iType == AO_TYPE_CONTROL && reinterpret_cast<CONTROL *>(e)->iId == CTRL_BIGGER)
            bigger = reinterpret_cast<CONTROL *>(e);
    ASSERT_NE(bigger, nullptr);
    const float before = piece->fWidth;
    const QPoint on(bigger->xHome + bigger->ao.iWidth / 2, bigger->yHome + 5);
    QMouseEvent move(QEvent::MouseMove, on, w->Area()->mapToGlobal(on), Qt::NoButton, {}, {});
    QApplication::sendEvent(w->Area(), &move);
    QTest::mousePress(w->Area(), Qt::LeftButton, {}, on);
    for (int tick = 0; tick < 3; tick++)
        w->OnFrameTick();
    EXPECT_GT(piece->fWidth, before) << "held, the button sizes the piece";
    w->OnCommand(IDM_ABOUT);
    for (int tick = 0; tick < 3; tick++)
        w->OnFrameTick();
    EXPECT_EQ(gMouseDown, 0);
    const float after = piece->fWidth;
    for (int tick = 0; tick < 5; tick++)
        w->OnFrameTick();
    EXPECT_EQ(piece->fWidth, after);
}
