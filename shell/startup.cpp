// startup.cpp — the entry sequence, window creation and destruction, initialisation and
// clean-up, caption and status bar.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QSocketNotifier>
#include <QStatusBar>
#include <QTimer>
#include <QScreen>
#include <QWindow>
#include <cstdlib>
#include <ctime>

#include "document/autosave.h"
#include "interface/interface.h"
#include "output/output.h"
#include "picture/ao.h"
#include "picture/text.h"
#include "pixels/pixels.h"
#include "platform/file.h"
#include "platform/platform.h"
#include "platform/qt/qt_platform.h"
#include "platform/trail.h"
#include "resources/menus/commands.h"
#include "resources/menus/menus.h"
#include "resources/strings/strings.h"
#include "shell/appstate.h"
#include "shell/shell.h"
#include "shell/shellcore.h"

// The status bar's vertical border, as its parts are drawn.
static const int32_t STATUS_BORDER = 2;

// ---- Caption and status bar -----------------------------------------------------------------

void UpdateTitle(QWidget *window)
{
    if (!window)
        return;
    char title[600];
    FormatTitle(title, sizeof title);
    window->setWindowTitle(PLATQT_ToQt(title));
}

int UpdateStatusBar()
{
    MainWindow *window = TheMainWindow();
    if (!window || !window->statusBar() || !window->mProgress)
        return 1; // nothing to lay out before InitApplication made the bar
    QStatusBar *bar = window->statusBar();
    STATUSLAYOUT layout;
    CalcStatusBarLayout(gScreenWidth, bar->height(), STATUS_BORDER, &layout);
    int left = 0;
    for (int i = 0; i < 2; i++) {
        window->mParts[i]->setGeometry(left, 0, layout.aPartRight[i] - left, bar->height());
        left = layout.aPartRight[i];
    }
    window->mProgress->setGeometry(layout.xProgress, layout.yProgress, layout.iProgressWidth,
                                   layout.iProgressHeight);
    window->mProgress->raise();
    window->mProgress->update();
    return 1;
}

void UpdateStatusText()
{
    char text[600];
    FormatStatusText(text, sizeof text);
    PLAT_SetStatusText(0, text);
    PLAT_ProgressSetPos(0);
}

void CenterWindowOver(QWidget *parent, QWidget *child)
{
    if (!parent || !child)
        return;
    QRect p = parent->geometry();
    child->move(p.x() + (p.width() - child->width()) / 2,
                p.y() + (p.height() - child->height()) / 2);
}

// ---- Initialisation and clean-up -------------------------------------------------------------

void InitDocumentState(MainWindow *window)
{
    gMainWnd = window;
    InitDocumentStateCore();
}

int InitApplication(MainWindow *window)
{
    InitDocumentState(window);
    if (!AO_Init(window))
        return Fail("Couldn\xB4t init AO");
    if (!LoadObjects()) {
        Fail("LoadObjects()");
        ShowErrorTrail();
    }
    if (!DXInit())
        return 0;
    gMailAvailable = MAPI_Init();
    if (QAction *mail = window->ActionFor(IDM_EMAIL); mail && !gMailAvailable) {
        // Why the command is grey: said when the pointer rests on it.
        mail->setToolTip(PLATQT_ToQt(LoadText(STR_MAIL_NEEDS_PROGRAM)));
        mail->setStatusTip(mail->toolTip());
        for (QObject *owner : mail->associatedObjects())
            if (auto *menu = qobject_cast<QMenu *>(owner))
                menu->setToolTipsVisible(true);
    }
    window->CreateStatusBar();
    if (!window->statusBar())
        PLAT_MessageBox("Status bar!", "Error", PLAT_MB_OK);
    window->mParts[0]->setText(PLATQT_ToQt(LoadText(STR_WELCOME)));
    if (!window->mProgress)
        PLAT_MessageBox("Progress bar!", "Error", PLAT_MB_OK);
    if (!UpdateStatusBar())
        PLAT_MessageBox("Update status bar!", "Error", PLAT_MB_OK);
    SetCommandState(CMDSTATE_NO_PICTURE);
    if (!TEXTFEED_AddObj(15, 175, 165, 275, -1))
        return Fail("TEXTFEED_AddObj() failed");
    return 1;
}

int CleanupApplication(MainWindow *window)
{
    if (!AO_ClearList())
        return Fail("AO_ClearList()");
    if (!AO_CleanUp(window))
        return Fail("Clean up AO");
    FreeObjects();
    FreeLevel();
    DXCleanup();
    return 1;
}

// ---- Window creation and destruction ------------------------------------------------------------

static void FirstStartInit()
{
    char value[101];
    PLAT_GetProfileString("MISC", "FirstStartInit", "0", value, sizeof value);
    if (value[0] == '0')
        PLAT_WriteProfileString("MISC", "FirstStartInit", "1");
}

int MainWindow::Create()
{
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    UpdateTitle(this);
    if (!InitApplication(this)) {
        if (gDirectDrawReady)
            Fail(LoadText(STR_NOT_STARTED));
        ShowErrorTrail();
        if (!CleanupApplication(this)) {
            Fail("Clean up failed");
            ShowErrorTrail();
        }
        mDestroyed = true;
        return -1;
    }
    mFrameTimer.start();
    gFramesRunning = 1;
    gAppActive = 1;
    mCreated = true;
    mArea->setCursor(Qt::ArrowCursor);
    FirstStartInit();
    StartAutosave();
    return 0;
}

// The autosave's slot and the timer that writes. A folder that cannot be used now is
// tried again whenever there is something to keep (and said in the status bar).
void MainWindow::StartAutosave()
{
    char folder[4096], value[32];
    PLAT_GetProfileString("SETUP", "AutosaveSeconds", "30", value, sizeof value);
    const int32_t seconds = std::atoi(value) > 0 ? std::atoi(value) : AUTOSAVE_DEFAULT_SECONDS;
    const int found = AUTOSAVE_Folder(folder, sizeof folder);
    if (found)
        AUTOSAVE_Start(folder, seconds);
    TrailClear(); // the program works on without it
    if (found)
        mAutosaveTimer.start(1000);
}

void MainWindow::EndOnSignal()
{
    PLAT_TakeSignal();
    if (!Running())
        return;
    // Kept for the next start, which offers it back; nothing is asked now.
    AUTOSAVE_WriteNow();
    AUTOSAVE_Leave();
    QCoreApplication::exit(0);
}

void MainWindow::OpenStartDocuments()
{
    if (mStartDocumentsOpened || !Running())
        return;
    mStartDocumentsOpened = true;
    mArea->DrawPendingResize(); // no frame came yet (a window started minimised)
    // Restored, the kept picture takes the start file's place (which stays in the recent
    // list to open later).
    if (OfferAutosave(this) || !gStartFile[0])
        return;
    const int ok = OpenPictureFile(gStartFile, nullptr);
    ShowDocumentState();
    if (!ok)
        ShowErrorTrail();
}

void MainWindow::Destroy()
{
    // A window whose creation failed has been cleaned up already; one never created
    // owns nothing.
    if (mDestroyed || !mCreated)
        return;
    mDestroyed = true;
    PLATQT_CloseHelp();
    mFrameTimer.stop();
    mAutosaveTimer.stop();
    AUTOSAVE_Stop(); // a clean end leaves no autosave
    gFramesRunning = 0;
    if (!CleanupApplication(this)) {
        Fail("Clean up failed");
        ShowErrorTrail();
    }
    mArea->unsetCursor();
    QCoreApplication::exit(0);
}

// ---- Entry
// ---------------------------------------------------------------------------------------

int ShellMain(int argc, char **argv)
{
    QApplication app(argc, argv);
    // Desktops match the window to its entry and icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.merrowick.Merrowick"));
    // SIGTERM, SIGHUP (logging out, a shutdown) and Ctrl+C remove the temporaries of a
    // save under way at once, then end the program in order from the event loop.
    QSocketNotifier *endSignal = nullptr;
    if (PLAT_InstallSignalCleanup(1))
        endSignal = new QSocketNotifier(PLAT_SignalFd(), QSocketNotifier::Read, &app);
    // The start file is made absolute before anything changes the current directory.
    SetStartFile(StartFileArgument(argc, argv));
    ReadLanguage(argc, argv);
    PLATQT_SetLanguage(gLanguageOffset == LANGUAGE_SWEDISH);
    ChooseMenuName();
    const MENUDEF *menu = RES_FindMenu(gMenuName);
    const ACCELTABLE *accel = RES_FindAccel("ACCEL_ENG");
    if (!accel)
        PLAT_MessageBox("No accelerators!", "Error", PLAT_MB_OK | PLAT_MB_ICONINFORMATION, 1);

    gScreenWidth = 800;
    gScreenHeight = 600;
    auto *window = new MainWindow(menu, accel);
    if (window->Create() != 0) {
        delete window;
        PLAT_MessageBox("Create main window!", "Error", PLAT_MB_OK, 1);
        return 0;
    }
    if (endSignal)
        QObject::connect(endSignal, &QSocketNotifier::activated, window,
                         [window] { window->EndOnSignal(); });
    window->resize(window->sizeHint()); // an 800 × 600 drawing area above the status bar
    window->FitToScreen();
    window->show();
    window->FitToScreen(); // with the frame the window manager gave it
    if (QWindow *handle = window->windowHandle())
        QObject::connect(handle, &QWindow::screenChanged, window,
                         [window] { window->FitToScreen(); });
    // The start documents open over the window once its first frame is shown; should no
    // paint come (a window started minimised), a second later all the same.
    QTimer::singleShot(1000, window, &MainWindow::OpenStartDocuments);
    int code = app.exec();
    delete window;
    return code;
}
