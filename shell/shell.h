// shell.h — the application shell on Qt: entry, main window, start-up and shutdown,
// dialogs.
//
// The main window's event handlers run the program's handlers: creation
// (MainWindow::Create), size, activation, paint, close, mouse, keys and commands. The
// window-free logic they use is in shellcore.h; the window's own state in appstate.h.
#pragma once

#include <QHash>
#include <QMainWindow>
#include <QTimer>
#include <cstddef>
#include <cstdint>

struct ACCELTABLE;
struct MENUDEF;
class QAction;
class QPainter;
class QLabel;
class QProgressBar;
class QStatusBar;

// The drawing area: shows the window image and reports mouse input in its pixels.
class DrawArea : public QWidget
{
  public:
    explicit DrawArea(QWidget *parent);
    QSize sizeHint() const override;
    // Draws the screen at the drawing area's size if a resize before the first frame left
    // it to be drawn.
    void DrawPendingResize();

  protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void leaveEvent(QEvent *event) override;

  private:
    bool mShown = false;      // the first frame has been shown
    bool mResizeDrawn = true; // the screen is drawn at the drawing area's size
};

// On a scaled screen, paints the picture at the screen's own pixels (as the frames last
// drew it) over the part `rect` of the drawing area.
void PaintDevicePicture(QPainter &painter, QWidget *area, const QRect &rect);
// Follows the scale of the screen the drawing area is on: the picture at its device pixels,
// the window at 2x from 1.5 on; a change draws the window anew at once.
void FollowDeviceScale(QWidget *area);
// Paints the rectangle of the window image (window pixels) onto the drawing area: from the
// 2x window where it is drawn, else the image enlarged to the screen's scale.
void PaintWindowImage(QPainter &painter, QWidget *area, const QRect &rect, const QImage &image);

class MainWindow : public QMainWindow
{
  public:
    // Builds the window with the menu and the accelerators (either may be null).
    MainWindow(const MENUDEF *menu, const ACCELTABLE *accel);
    ~MainWindow() override;

    // Window creation: initialisation, frame timer, first start, autosave. Returns 0,
    // or -1 when the program cannot run (the trail has been shown).
    int Create();
    // Window destruction: help, timer, clean-up; then the event loop is told to end.
    void Destroy();
    void StartAutosave();
    // A signal asks the program to end: the unsaved picture is written for the next start
    // to offer, and the event loops end without asking to save.
    void EndOnSignal();
    // Once the window is shown: the offer of the picture a run that did not end cleanly
    // kept, whether or not a file was named at start; then the file named at start (its
    // rotation dialog over the window), unless the kept picture took its place. Does
    // something only the first time.
    void OpenStartDocuments();
    // Takes the size limits for the screen the window is on (WindowLimitsFor) and keeps
    // the window, its frame included, within that screen's available area.
    void FitToScreen();
    // One frame tick.
    void OnFrameTick();
    // Command dispatch by command id.
    void OnCommand(int id);
    // The context menu for a right click at a drawing-area point.
    void ShowPieceMenu(QPoint at, QPoint global);
    // The action that sends a command id (menu item or key-only), or null.
    QAction *ActionFor(int id) const;
    DrawArea *Area() const { return mArea; }
    // Created and not yet destroyed.
    bool Running() const { return mCreated && !mDestroyed; }
    QTimer &FrameTimer() { return mFrameTimer; }

    // Status bar (made by InitApplication).
    void CreateStatusBar();
    // What the first frame need not wait for, done once it is shown: the window's icon
    // (a 256-pixel PNG to decode), the clean-up of a dead run's mail attachments, and then
    // the start documents.
    void AfterFirstFrame();
    QLabel *mParts[2] = {nullptr, nullptr};
    QProgressBar *mProgress = nullptr;

  protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

  private:
    void BuildMenus(const MENUDEF *menu, const ACCELTABLE *accel);
    void OnActivate();
    void OnDeactivate();

    DrawArea *mArea;
    QTimer mFrameTimer;
    QTimer mAutosaveTimer; // about once a second: the autosave writes when due
    QHash<int, QAction *> mActions;
    bool mCreated = false;
    bool mDestroyed = false;
    bool mStartDocumentsOpened = false;
};

// The main window while it exists, else null.
MainWindow *TheMainWindow();

// The WinMain sequence: start file, language, menu and accelerators, window, event
// loop. Returns the exit code.
int ShellMain(int argc, char **argv);

// Initialisation and clean-up of window creation and destruction; 0 with the trail filled.
int InitApplication(MainWindow *window);
int CleanupApplication(MainWindow *window);
// Keeps the window, clears the document state, reads the directory and interface settings.
void InitDocumentState(MainWindow *window);

// Sets the caption from the document state.
void UpdateTitle(QWidget *window);
// Lays out the status bar parts and the progress bar for gScreenWidth; 1 on success.
int UpdateStatusBar();
// Writes the document's name and size into status bar part 0 and resets the progress bar.
void UpdateStatusText();
// Moves child so that its centre lies on parent's centre, keeping its size.
void CenterWindowOver(QWidget *parent, QWidget *child);

// The frame procedure the tick runs (AO_ProcessFlip; tests may replace it).
extern int (*gpFrameProc)();

// ---- Documents (documents.cpp) ----
// The commands, caption and status bar for the picture that is there (after a dialog, an
// open or a save, failed or not); without a document the status bar says "Welcome".
void ShowDocumentState();
// Replaces the picture by a photo, the blank canvas or a layout file; displayName (may be
// null) names the document instead of the file. 0 with the trail filled.
int OpenPictureFile(const char *path, const char *displayName);
// When OpenPictureFile last began, in microseconds of the steady clock: the speed
// measurements time an open to its first frame from it.
extern int64_t gOpenStartedUs;
// At start: when a run that did not end cleanly left an unsaved picture, asks whether to
// restore it (Yes, the default, restores it modified and under its name, with Save asking
// for a file); No deletes it. 1 when it was restored.
int OfferAutosave(QWidget *window);
// The open dialog in mode FILEDLG_PHOTO or FILEDLG_OPEN (documentlogic.h). 0 with the
// trail filled when the chosen file could not be opened (the picture is as it was).
int OpenFileDlg(QWidget *window, int mode);
// Saves by the path's extension: ".mwi" a layout (the document takes the name), ".jpg",
// ".png" or ".webp" a picture export at the size the photo size dialog asks for. 0 with the trail
// filled.
int SavePictureFile(const char *path);
// Saves the document: mode FILEDLG_SAVE (asks for a name only when it has none, or when a
// file of its name is there that this picture did not write) or FILEDLG_SAVEAS. A chosen name
// without an extension the program knows takes the filter's; replacing a file of that longer name
// is asked. 1 also when the user cancelled (gModified then still says so); 0 with the
// trail filled when saving failed.
int SaveFileDlg(QWidget *window, int mode);
// Opens a file dropped on the window or chosen from the recent list: the save prompt,
// then as Open does; a failure is shown.
void OpenDocumentFile(QWidget *window, const char *path);
// Asks whether to save the changed picture and saves on Yes. 1 when the caller may close or
// replace it: No, or Yes and the picture is on disk; 0 for Cancel, a save dialog cancelled
// or a failed save (shown).
int AskSaveChanges(QWidget *window);
// The New command after the save prompt: the New dialog, then a photo or the blank canvas.
void NewPicture(QWidget *window);

// The Setup dialog (modal, owner the main window). Returns 1.
int SetupDialog(QWidget *owner);
// The About box (modal). Returns 1.
int AboutDialog(QWidget *owner);
// Lets the user pick a folder; mode FILEDLG_PHOTO the photos', FILEDLG_OPEN the layouts'. The
// folder text is the start and receives the result with a trailing separator. 0 when cancelled, or
// with "Mode not supported!" in the trail for any other mode.
int BrowseFolder(QWidget *owner, char *folder, size_t size, int mode);
