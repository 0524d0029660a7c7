// mainwindow.cpp — the main window: drawing area, menus and keys, frame tick,
// activation, size, paint, close, mouse and command dispatch.
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QProxyStyle>
#include <QStatusBar>
#include <QStyleOptionMenuItem>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <qdrawutil.h>

#include "document/autosave.h"
#include "document/undo.h"
#include "formats/formats.h"
#include "interface/interface.h"
#include "output/output.h"
#include "picture/ao.h"
#include "picture/compose.h"
#include "picture/imgobj.h"
#include "pixels/pixels.h"
#include "platform/platform.h"
#include "platform/qt/qt_platform.h"
#include "platform/trail.h"
#include "resources/menus/commands.h"
#include "resources/menus/menus.h"
#include "resources/strings/strings.h"
#include "shell/addtextdialog.h"
#include "shell/appstate.h"
#include "shell/captiondialog.h"
#include "shell/clipartdialog.h"
#include "shell/clipboard.h"
#include "shell/cropdialog.h"
#include "shell/documentlogic.h"
#include "shell/photodialogs.h"
#include "shell/shell.h"
#include "shell/shellcore.h"

int (*gpFrameProc)() = AO_ProcessFlip;

static MainWindow *sMainWindow;

MainWindow *TheMainWindow()
{
    return sMainWindow;
}

// ---- Drawing area ------------------------------------------------------------------------

DrawArea::DrawArea(QWidget *parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QSize DrawArea::sizeHint() const
{
    return QSize(800, 600);
}

static void AfterPhotoFrame();

void DrawArea::paintEvent(QPaintEvent *event)
{
    // The window image keeps everything the frames drew, so a repaint only copies it.
    DrawPendingResize();
    FollowDeviceScale(this);
    QPainter painter(this);
    QImage *image = PLATQT_WindowQImage();
    if (image) {
        // Each invalidated rectangle on its own, not the box around them: a piece moved and
        // a button lit far apart are two small parts.
        for (const QRect &invalid : event->region())
            PaintWindowImage(painter, this, invalid, *image);
    } else
        painter.fillRect(event->rect(), Qt::white);
    for (const QRect &invalid : event->region())
        PaintDevicePicture(painter, this, invalid);
    if (image && gPictureExists)
        AfterPhotoFrame();
    if (image && !mShown) {
        mShown = true;
        // Start-up measurements (scripts/compare-speed) end the program at its first frame.
        if (qEnvironmentVariableIsSet("MW_EXIT_AFTER_FIRST_FRAME"))
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        else if (MainWindow *main = TheMainWindow())
            QTimer::singleShot(0, main, &MainWindow::AfterFirstFrame);
    }
}

// Photo measurements (scripts/compare-speed, MW_EXIT_AFTER_PHOTO_FRAME) end the program
// once the first frame showing a photo is on screen, saying how long its open took.
static void AfterPhotoFrame()
{
    static const bool measuring = qEnvironmentVariableIsSet("MW_EXIT_AFTER_PHOTO_FRAME");
    static bool done;
    if (!measuring || done)
        return;
    done = true;
    const int64_t now = std::chrono::duration_cast<std::chrono::microseconds>(
                            std::chrono::steady_clock::now().time_since_epoch())
                            .count();
    std::fprintf(stderr, "open to photo frame: %.1f ms\n", (now - gOpenStartedUs) / 1000.0);
    QTimer::singleShot(0, qApp, [] {
        QCoreApplication::processEvents(); // the frame reaches the display
        std::fflush(stderr);
        std::_Exit(0);
    });
}

void MainWindow::AfterFirstFrame()
{
    MAPI_RemoveStale(std::time(nullptr)); // attachments older than a day
    size_t iconSize = 0;
    if (const uint8_t *icon = PLAT_FindResource("101", &iconSize)) {
        QPixmap pixmap;
        if (pixmap.loadFromData(icon, static_cast<uint>(iconSize)))
            setWindowIcon(QIcon(pixmap));
    }
    OpenStartDocuments(); // over the window now shown
}

void DrawArea::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (window()->isMinimized())
        return;
    gScreenWidth = width();
    gScreenHeight = height();
    PLATQT_FitWindowImage(gScreenWidth, gScreenHeight);
    if (!UpdateStatusBar()) {
        Fail("UpdateStatusBar()!");
        ShowErrorTrail();
    }
    // The picture and the background follow the new size once the surfaces exist. Before
    // the first frame, the sizes the window passes through while it is placed on the
    // screen are drawn once, at the last, as that frame is painted.
    mResizeDrawn = false;
    if (mShown)
        DrawPendingResize();
}

void DrawArea::DrawPendingResize()
{
    MainWindow *main = TheMainWindow();
    if (mResizeDrawn || !main || !main->Running())
        return;
    mResizeDrawn = true;
    if (!ScreenResize(main)) {
        Fail("AO process failed");
        ShowErrorTrail();
    }
}

// The turn handle's pointer: a circling arrow, drawn once.
static QCursor TurnCursor()
{
    static const QCursor cursor = [] {
        QPixmap pixmap(24, 24);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        for (int pass = 0; pass < 2; pass++) {
            // A white halo under the black arrow keeps it visible on any photo.
            p.setPen(
                QPen(pass ? Qt::black : Qt::white, pass ? 1.6 : 4.0, Qt::SolidLine, Qt::RoundCap));
            p.drawArc(QRectF(4, 4, 16, 16), 100 * 16, 280 * 16);
            const QPointF tip(13.5, 3.8);
            p.drawLine(tip, tip + QPointF(-4, -3));
            p.drawLine(tip, tip + QPointF(-4, 3.5));
        }
        return QCursor(pixmap, 12, 12);
    }();
    return cursor;
}

// The pointer for what a drag from a point does (interface.h's POINTER_*).
static QCursor PointerCursor(int32_t pointer)
{
    switch (pointer) {
    case POINTER_MOVE:
        return Qt::SizeAllCursor;
    case POINTER_SIZE_FDIAG:
        return Qt::SizeFDiagCursor;
    case POINTER_SIZE_BDIAG:
        return Qt::SizeBDiagCursor;
    case POINTER_TURN:
        return TurnCursor();
    default:
        return Qt::ArrowCursor;
    }
}

void DrawArea::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint p = event->position().toPoint();
    gMouseShift = (event->modifiers() & Qt::ShiftModifier) ? 1 : 0;
    MouseMove(p.x(), p.y());
    // The pointer shows what a drag from here does.
    setCursor(PointerCursor(PointerAt(p.x(), p.y())));
}

void DrawArea::mousePressEvent(QMouseEvent *event)
{
    const QPoint p = event->position().toPoint();
    gMouseShift = (event->modifiers() & Qt::ShiftModifier) ? 1 : 0;
    if (event->button() == Qt::LeftButton)
        MouseDown(p.x(), p.y());
    else if (event->button() == Qt::RightButton && TheMainWindow())
        TheMainWindow()->ShowPieceMenu(p, event->globalPosition().toPoint());
}

void DrawArea::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton)
        gButtonReleased = 1;
}

void DrawArea::mouseDoubleClickEvent(QMouseEvent *event)
{
    // A double click is a second press: it grabs the piece the first one selected, and a
    // text piece opens in the text dialog once the press has ended.
    mousePressEvent(event);
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton && DoubleClickText(p.x(), p.y())) {
        gButtonReleased = 1;
        if (MainWindow *main = TheMainWindow())
            QMetaObject::invokeMethod(
                main, [main] { main->OnCommand(IDM_TEXT); }, Qt::QueuedConnection);
    }
}

void DrawArea::wheelEvent(QWheelEvent *event)
{
    const QPoint p = event->position().toPoint();
    const int notches = event->angleDelta().y() / 120;
    const bool turn = event->modifiers() & Qt::ControlModifier;
    if (notches && WheelOnPiece(p.x(), p.y(), notches, turn ? 1 : 0))
        event->accept();
    else
        event->ignore();
}

void DrawArea::leaveEvent(QEvent *)
{
    // Away from the drawing area no button is hovered.
    if (!gMouseDown)
        MouseMove(-10000, -10000);
}

// ---- Window --------------------------------------------------------------------------------

static void EnableMenuItemInWindow(int32_t id, int32_t enable)
{
    if (sMainWindow)
        if (QAction *action = sMainWindow->ActionFor(id))
            action->setEnabled(enable != 0);
}

// The Recent menu's look: each item's folder (after the tab, where other menus show
// their keys) drawn dimmed beside the file's name.
class RecentMenuStyle : public QProxyStyle
{
  public:
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override
    {
        const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option);
        const qsizetype tab = item ? item->text.indexOf('\t') : -1;
        if (element != CE_MenuItem || tab < 0) {
            QProxyStyle::drawControl(element, option, painter, widget);
            return;
        }
        QStyleOptionMenuItem name(*item);
        name.text = item->text.left(tab);
        QProxyStyle::drawControl(element, &name, painter, widget);
        const bool selected = item->state & State_Selected;
        QColor dim = item->palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
        dim.setAlphaF(0.55f);
        painter->save();
        painter->setPen(dim);
        const int margin = pixelMetric(PM_MenuHMargin, option, widget) + 12;
        painter->drawText(item->rect.adjusted(0, 0, -margin, 0),
                          Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
                          item->text.mid(tab + 1));
        painter->restore();
    }
};

// File > Recent: the last documents opened or saved, filled each time it opens; placed
// after Save as.
static void AddRecentMenu(MainWindow *window)
{
    QAction *saveAs = window->ActionFor(IDM_SAVEAS);
    QMenu *file = saveAs ? qobject_cast<QMenu *>(saveAs->parent()) : nullptr;
    if (!file)
        return;
    const QList<QAction *> actions = file->actions();
    const qsizetype at = actions.indexOf(saveAs);
    QAction *before = at >= 0 && at + 1 < actions.size() ? actions[at + 1] : nullptr;
    auto *recent = new QMenu(PLATQT_ToQt(LoadText(STR_RECENT)), file);
    auto *style = new RecentMenuStyle;
    style->setParent(recent);
    recent->setStyle(style);
    file->insertMenu(before, recent);
    QObject::connect(recent, &QMenu::aboutToShow, recent, [window, recent] {
        recent->clear();
        for (const std::string &path : RecentFiles()) {
            // The name, then its folder dimmed where the keys of other menus stand.
            QString shown = QFile::decodeName(QByteArray(RecentLabel(path).c_str()));
            shown.replace('&', QStringLiteral("&&"));
            QAction *action = recent->addAction(shown);
            action->setToolTip(QFile::decodeName(QByteArray(path.c_str())));
            QObject::connect(action, &QAction::triggered, window,
                             [window, path] { OpenDocumentFile(window, path.c_str()); });
        }
        recent->setEnabled(!recent->isEmpty());
    });
}

// The caption shows the modified mark once the picture has changed.
static void ShowModifiedInTitle()
{
    UpdateTitle(sMainWindow);
}

MainWindow::MainWindow(const MENUDEF *menu, const ACCELTABLE *accel)
{
    sMainWindow = this;
    gMainWnd = this;
    setWindowTitle(QStringLiteral("Merrowick"));
    // The whole window, menu and status bar included, stays within 800 × 600 and
    // 1280 × 1024, so it can take a whole 1280 × 1024 screen.
    setMinimumSize(800, 600);
    setMaximumSize(1280, 1024);
    mArea = new DrawArea(this);
    setCentralWidget(mArea);
    PLATQT_AttachWindow(this, mArea);
    BuildMenus(menu, accel);
    AddRecentMenu(this);
    setAcceptDrops(true);
    gpEnableMenuItem = EnableMenuItemInWindow;
    // Buttons 16 and 17 post their command; it runs after the frame that pressed them.
    gpPostCommand = [](int32_t id) {
        if (sMainWindow)
            QMetaObject::invokeMethod(
                sMainWindow,
                [id] {
                    if (sMainWindow)
                        sMainWindow->OnCommand(id);
                },
                Qt::QueuedConnection);
    };
    const PICTURE_NOTIFY notify = {UpdateSelectionStateCore, ShowModifiedInTitle, UpdateStatusText,
                                   UNDO_ChangeBegin, UNDO_ChangeEnd};
    PICTURE_Init(&notify);
    UNDO_Init(UpdateUndoCommands);
    UpdateUndoCommands();
    mFrameTimer.setTimerType(Qt::PreciseTimer);
    mFrameTimer.setInterval(90);
    connect(&mFrameTimer, &QTimer::timeout, this, [this] { OnFrameTick(); });
    connect(&mAutosaveTimer, &QTimer::timeout, this, [] { AUTOSAVE_Tick(PLAT_Milliseconds()); });
    // Back from the background through one of the program's dialogs: the frames resume.
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState st) {
        if (st == Qt::ApplicationActive && Running())
            OnActivate();
    });
}

MainWindow::~MainWindow()
{
    Destroy();
    if (sMainWindow == this) {
        sMainWindow = nullptr;
        gMainWnd = nullptr;
        gpEnableMenuItem = nullptr;
        gpPostCommand = nullptr;
        PICTURE_Shutdown();
        UNDO_Shutdown();
        PLATQT_AttachStatusBar(nullptr, nullptr, nullptr);
        PLATQT_DetachWindow();
    }
}

QAction *MainWindow::ActionFor(int id) const
{
    return mActions.value(id, nullptr);
}

void MainWindow::BuildMenus(const MENUDEF *menu, const ACCELTABLE *accel)
{
    if (menu) {
        QMenu *parents[8] = {};
        for (int i = 0; i < menu->iCount; i++) {
            const MENUITEMDEF &item = menu->pItems[i];
            if (item.iLevel < 0 || item.iLevel >= 7)
                continue;
            QMenu *parent = item.iLevel > 0 ? parents[item.iLevel - 1] : nullptr;
            if (item.iLevel > 0 && !parent)
                continue;
            QString text = PLATQT_ToQt(item.pszText);
            if (item.bPopup) {
                parents[item.iLevel] = parent ? parent->addMenu(text) : menuBar()->addMenu(text);
            } else if (item.bSeparator) {
                if (parent)
                    parent->addSeparator();
            } else if (parent) {
                QAction *action = parent->addAction(text);
                int id = item.iId;
                action->setData(id);
                connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
                mActions.insert(id, action);
            }
        }
    }
    if (!accel)
        return;
    for (int i = 0; i < accel->iCount; i++) {
        const ACCELDEF &row = accel->pEntries[i];
        char name[64];
        QKeySequence keys(QString::fromLatin1(ACCEL_KeyName(&row, name, sizeof name)));
        if (keys.isEmpty())
            continue;
        QAction *action = ActionFor(row.iCommand);
        if (!action) {
            // A key without a menu item: an action of the window that only carries the key.
            action = new QAction(this);
            int id = row.iCommand;
            action->setData(id);
            connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
            addAction(action);
            mActions.insert(id, action);
        }
        QList<QKeySequence> shortcuts = action->shortcuts();
        shortcuts.append(keys);
        action->setShortcuts(shortcuts);
        action->setShortcutContext(Qt::WindowShortcut);
    }
}

namespace
{
// The status bar's progress bar, drawn as a sunken white panel like the parts beside it
// with the done share filled in plain rectangles. The style's own bar is drawn
// antialiased, and Qt spreads such fills over a pool of threads, which the first paint
// has to start.
class StatusProgress : public QProgressBar
{
  public:
    using QProgressBar::QProgressBar;

  protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        const QBrush base = palette().base();
        qDrawShadePanel(&painter, rect(), palette(), true, 1, &base);
        const QRect inner = rect().adjusted(2, 2, -2, -2);
        const int64_t range = static_cast<int64_t>(maximum()) - minimum();
        if (range <= 0 || value() <= minimum() || inner.isEmpty())
            return;
        const int64_t done = static_cast<int64_t>(value()) - minimum();
        const int width = static_cast<int>(inner.width() * done / range);
        painter.fillRect(inner.x(), inner.y(), width, inner.height(), palette().highlight());
    }
};
} // namespace

void MainWindow::CreateStatusBar()
{
    auto *bar = new QStatusBar(this);
    bar->setSizeGripEnabled(true);
    bar->setFixedHeight(22);
    for (QLabel *&part : mParts) {
        part = new QLabel(bar);
        part->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        part->setContentsMargins(2, 0, 2, 0);
    }
    mProgress = new StatusProgress(bar);
    mProgress->setTextVisible(false);
    mProgress->setRange(0, 100);
    mProgress->setValue(0);
    setStatusBar(bar);
    PLATQT_AttachStatusBar(mParts[0], mParts[1], mProgress);
}

// The context menu of the picture: the Edit commands for the piece under the pointer
// (selected first), or the Add commands over empty picture.
void MainWindow::ShowPieceMenu(QPoint at, QPoint global)
{
    if (!gPictureExists || gMouseDown || !PointInPicture(at.x(), at.y()))
        return;
    IMGOBJ *piece = OverSelectedPiece(at.x(), at.y()) ? gSelected : PieceAt(at.x(), at.y());
    SelectPiece(piece);
    static const int kPieceCommands[] = {
        IDM_FLIPH,   IDM_FLIPV, IDM_ROTATELEFT, IDM_ROTATERIGHT, 0, IDM_BIGGER,
        IDM_SMALLER, 0,         IDM_BEHIND,     IDM_FORWARD,     0, IDM_DELETE};
    static const int kPictureCommands[] = {IDM_CLIPART, IDM_TEXT, IDM_CAPTION};
    QMenu menu(this);
    auto add = [&](int id) {
        if (!id)
            menu.addSeparator();
        else if (QAction *action = ActionFor(id))
            menu.addAction(action);
    };
    if (piece) {
        if (piece->iKind == IMG_TEXT)
            add(IDM_TEXT); // edits the selected text
        else if (piece->iKind == IMG_CAPTION)
            add(IDM_CAPTION);
        for (int id : kPieceCommands)
            add(id);
    } else {
        for (int id : kPictureCommands)
            add(id);
    }
    menu.exec(global);
}

// ---- Frames and activation ---------------------------------------------------------------------

void MainWindow::OnFrameTick()
{
    if (!gAppActive || !gFramesRunning)
        return;
    if (!gpFrameProc()) {
        gFramesRunning = 0;
        Fail("AO process failed!");
        ShowErrorTrail();
    }
    if (gButtonReleased) {
        gButtonReleased = 0;
        EndDrag();
    }
    // A QTimer never queues more than one timeout, so ticks that piled up are dropped.
}

void MainWindow::OnDeactivate()
{
    if (!gFramesRunning)
        return;
    gFramesRunning = 0;
    gFramesSuspended = 1;
    // Repaints while inactive show the picture from the screen buffer.
    const XYWH &r = gPictureRect;
    if (r.w > 0 && r.h > 0 && gDDSScratch && gDDSPicture &&
        !DXBlt(gDDSScratch, r.x, r.y, r.w, r.h, gDDSPicture, r.x, r.y, DXBLT_OPAQUE)) {
        Fail("WM_ACTIVATEAPP - DXBlt!");
        return;
    }
    gAppActive = 0;
}

void MainWindow::OnActivate()
{
    if (gFramesSuspended) {
        gFramesRunning = 1;
        gFramesSuspended = 0;
    }
    gAppActive = 1;
}

bool MainWindow::event(QEvent *event)
{
    if (mCreated && !mDestroyed) {
        // The frames pause when the program goes to the background, not when one of its
        // own dialogs comes up: the picture keeps moving behind the clip-art dialog and
        // is up to date the moment a dialog closes.
        // The button's release goes to the dialog or program now in front: the press (a
        // drag, a held button that repeats) ends here, as if it had come up.
        if ((event->type() == QEvent::WindowDeactivate || event->type() == QEvent::WindowBlocked) &&
            gMouseDown)
            gButtonReleased = 1;
        if (event->type() == QEvent::WindowDeactivate) {
            if (!QApplication::activeWindow())
                OnDeactivate();
        } else if (event->type() == QEvent::WindowActivate) {
            OnActivate();
        }
    }
    return QMainWindow::event(event);
}

// ---- Close and keys
// ------------------------------------------------------------------------------

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (gModified && !AskSaveChanges(this)) {
        event->ignore();
        return;
    }
    Destroy();
    event->accept();
}

void MainWindow::keyPressEvent(QKeyEvent *event)
{
    // The Delete key is a key-down, not an accelerator.
    if (event->key() == Qt::Key_Delete)
        DeleteSelected();
    event->accept();
}

void MainWindow::keyReleaseEvent(QKeyEvent *event)
{
    event->accept();
}

// ---- Dropped files
// ------------------------------------------------------------------------------

// The local file a drag carries when it is one this program opens, else empty.
static QString DroppedFile(const QMimeData *data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1 || !data->urls()[0].isLocalFile())
        return {};
    const QString path = data->urls()[0].toLocalFile();
    return FileTypeOf(QFile::encodeName(path).constData()) != FILETYPE_NONE ? path : QString();
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    if (!DroppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent *event)
{
    const QString path = DroppedFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    const QByteArray bytes = QFile::encodeName(path);
    // A picture dropped on an open picture may become a sticker on it: the user says.
    const bool ask = gPictureExists && IsPhotoType(FileTypeOf(bytes.constData()));
    // Opened after the drop has ended: the rotation dialog must not run inside it.
    QMetaObject::invokeMethod(
        this,
        [this, bytes, ask] {
            if (ask)
                DropPictureFile(this, bytes.constData());
            else
                OpenDocumentFile(this, bytes.constData());
        },
        Qt::QueuedConnection);
}

// ---- Commands
// ---------------------------------------------------------------------------------------

// The web-site item: the program's own page, the README in the data folder, opened by the
// desktop's URL opener.
static void OpenWebSite()
{
    char path[sizeof gMainDir + 16];
    std::snprintf(path, sizeof path, "%sREADME.md", gMainDir);
    if (!QFileInfo::exists(QString::fromLocal8Bit(path)) ||
        !QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromLocal8Bit(path)))) {
        Fail("The web site page could not be opened.");
        Fail(path);
        ShowErrorTrail();
    }
}

// The save prompt before a command that replaces the picture: 0 when the user cancelled.
static int SavePromptPassed(QWidget *window)
{
    return !gModified || AskSaveChanges(window);
}

void MainWindow::OnCommand(int id)
{
    // The editing commands press their on-screen button, which acts on the next frames.
    static const struct {
        int command;
        int32_t control;
    } kPresses[] = {
        {IDM_SELECTNEXT, CTRL_SELECTNEXT},
        {IDM_MOVELEFT, CTRL_MOVELEFT},
        {IDM_MOVERIGHT, CTRL_MOVERIGHT},
        {IDM_MOVEUP, CTRL_MOVEUP},
        {IDM_MOVEDOWN, CTRL_MOVEDOWN},
        {IDM_BIGGER, CTRL_BIGGER},
        {IDM_SMALLER, CTRL_SMALLER},
        {IDM_WIDER, CTRL_WIDER},
        {IDM_NARROWER, CTRL_NARROWER},
        {IDM_HIGHER, CTRL_HIGHER},
        {IDM_LOWER, CTRL_LOWER},
        {IDM_FLIPH, CTRL_FLIPH},
        {IDM_FLIPV, CTRL_FLIPV},
        {IDM_ROTATELEFT, CTRL_ROTATELEFT},
        {IDM_ROTATERIGHT, CTRL_ROTATERIGHT},
    };
    for (const auto &press : kPresses) {
        if (press.command == id) {
            PressControl(press.control);
            return;
        }
    }
    // Any other command ends a press under way (its dialog would take the release).
    if (gMouseDown)
        gButtonReleased = 1;
    switch (id) {
    case IDM_NEW:
        if (SavePromptPassed(this))
            NewPicture(this);
        break;
    case IDM_OPEN:
        if (SavePromptPassed(this) && !OpenFileDlg(this, FILEDLG_OPEN)) {
            Fail("OpenFileDlg() failed");
            ShowErrorTrail();
        }
        break;
    case IDM_SAVE:
    case IDM_SAVEAS:
        if (gPictureExists && !SaveFileDlg(this, id == IDM_SAVE ? FILEDLG_SAVE : FILEDLG_SAVEAS)) {
            Fail("The file couldn't be saved.");
            ShowErrorTrail();
        }
        break;
    case IDM_PRINT:
        if (gPictureExists && !PrintImage2(this)) {
            Fail("PrintImage2() failed");
            ShowErrorTrail();
        }
        break;
    case IDM_EMAIL:
        if (gPictureExists) {
            int32_t size[2] = {0, 0};
            if (PhotoSizeDialog(this, size)) {
                gFramesRunning = 0;
                if (!SendEmail(this, size[0], size[1], 3)) {
                    Fail("SendEmail() failed");
                    ShowErrorTrail();
                }
                gFramesRunning = 1;
            }
        }
        break;
    case IDM_SETUP:
        SetupDialog(this);
        break;
    case IDM_EXIT:
        close();
        break;
    case IDM_UNDO:
    case IDM_REDO:
        // Only while the picture is still: a drag or a held button finishes first.
        if (!gMouseDown && (id == IDM_UNDO ? UNDO_CanUndo() : UNDO_CanRedo())) {
            if (!(id == IDM_UNDO ? UNDO_Undo() : UNDO_Redo()))
                ShowErrorTrail();
            UpdateTitle(this);
            UpdateStatusText();
        }
        UpdateUndoCommands();
        break;
    case IDM_BEHIND:
    case IDM_FORWARD:
        LayerSelected(id == IDM_FORWARD ? 1 : 0);
        break;
    case IDM_DELETE:
        DeleteSelected();
        break;
    case IDM_PASTE:
        // Like undo, only while the picture is still.
        if (!gMouseDown && !PastePicture(this))
            ShowErrorTrail();
        UpdateUndoCommands();
        break;
    case IDM_COPYPICTURE:
        if (gPictureExists && !CopyPicture())
            ShowErrorTrail();
        break;
    case IDM_DUPLICATE:
        // Like undo, only while the picture is still.
        if (!gMouseDown && gSelected && !UNDO_DuplicateSelected(DUPLICATE_OFFSET, DUPLICATE_OFFSET))
            ShowErrorTrail();
        UpdateUndoCommands();
        break;
    case IDM_CROP:
        CropPhotoDialog(this);
        break;
    case IDM_CLIPART:
        if (gPictureExists)
            ClipArtDialog(this);
        break;
    case IDM_TEXT:
        if (gPictureExists)
            AddTextDialog(this, gSelected);
        break;
    case IDM_CAPTION:
        if (gPictureExists)
            CaptionDialog(this, gSelected);
        break;
    case IDM_CONTENTS:
        ShowHelpPage("merrowick.htm");
        break;
    case IDM_GETTINGSTARTED:
        ShowHelpPage("gettingstarted.htm");
        break;
    case IDM_WEBSITE:
        OpenWebSite();
        break;
    case IDM_ABOUT:
        AboutDialog(this);
        break;
    default:
        break; // Ctrl+L, Ctrl+A, Ctrl+I and unknown ids do nothing
    }
}
