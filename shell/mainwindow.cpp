// mainwindow.cpp — the main window: drawing area, menus and keys, frame tick,
// activation, size, paint, close, mouse and command dispatch.
#include <QAction>
#include <QCloseEvent>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QStatusBar>
#include <algorithm>
#include <cstring>

#include "picture/ao.h"
#include "picture/compose.h"
#include "picture/imgobj.h"
#include "pixels/pixels.h"
#include "platform/platform.h"
#include "platform/qt/qt_platform.h"
#include "platform/trail.h"
#include "resources/menus/commands.h"
#include "resources/menus/menus.h"
#include "shell/appstate.h"
#include "shell/shell.h"
#include "shell/shellcore.h"

int (*gpFrameProc)() = AO_ProcessFlip;
int (*gpAskSaveChanges)();
int (*gpOpenPictureFile)(const char *path);

static MainWindow *sMainWindow;

MainWindow *TheMainWindow()
{
    return sMainWindow;
}

// ---- Drawing area ------------------------------------------------------------------------

DrawArea::DrawArea(QWidget *parent) : QWidget(parent)
{
    setMinimumSize(800, 600);
    setMaximumSize(1280, 1024);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QSize DrawArea::sizeHint() const
{
    return QSize(800, 600);
}

void DrawArea::paintEvent(QPaintEvent *event)
{
    // The window image keeps everything the frames drew, so a repaint only copies it.
    QPainter painter(this);
    QImage *image = PLATQT_WindowQImage();
    if (image)
        painter.drawImage(event->rect(), *image, event->rect());
    else
        painter.fillRect(event->rect(), Qt::white);
}

// Copies the screen buffer into the window image over the whole drawing area, as a
// window redrawn after a size change shows it.
static void CopyScratchToWindow(QWidget *area)
{
    PLAT_IMAGE *image = PLAT_GetWindowImage();
    if (!image || !gDDSScratch)
        return;
    int32_t width = std::min({gScreenWidth, gDDSScratch->iWidth, image->iWidth});
    int32_t height = std::min({gScreenHeight, gDDSScratch->iHeight, image->iHeight});
    for (int32_t y = 0; y < height; y++)
        std::memcpy(image->pBits + static_cast<ptrdiff_t>(y) * image->iPitch,
                    DXPixel(gDDSScratch, 0, y), static_cast<size_t>(width) * 3);
    area->update();
}

void DrawArea::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (window()->isMinimized())
        return;
    gScreenWidth = width();
    gScreenHeight = height();
    if (!UpdateStatusBar()) {
        Fail("UpdateStatusBar()!");
        ShowErrorTrail();
    }
    // The picture and the background follow the new size once the surfaces exist.
    MainWindow *main = TheMainWindow();
    if (main && main->Running()) {
        if (!ScreenResize(main)) {
            Fail("AO process failed");
            ShowErrorTrail();
        }
        CopyScratchToWindow(this);
    }
}

void DrawArea::mouseMoveEvent(QMouseEvent *event)
{
    MouseMove(event->position().toPoint().x(), event->position().toPoint().y());
}

void DrawArea::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        MouseDown(event->position().toPoint().x(), event->position().toPoint().y());
}

void DrawArea::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton)
        gButtonReleased = 1;
}

void DrawArea::mouseDoubleClickEvent(QMouseEvent *) {}

// ---- Mouse ---------------------------------------------------------------------------------

void MouseMove(int32_t x, int32_t y)
{
    gMouseX = x;
    gMouseY = y;
    if (gMouseDown) {
        gDragDX = x - gPressX;
        gDragDY = y - gPressY;
    }
}

void MouseDown(int32_t x, int32_t y)
{
    gMouseDown = 1;
    gPressX = x;
    gPressY = y;
    gDraggingPiece = 0;
}

void EndDrag()
{
    gMouseDown = 0;
    gDraggingPiece = 0;
    if (gSelected && (gDragDX || gDragDY))
        SetModified();
    gDragDX = gDragDY = 0;
}

// ---- Window --------------------------------------------------------------------------------

static void EnableMenuItemInWindow(int32_t id, int32_t enable)
{
    if (sMainWindow)
        if (QAction *action = sMainWindow->ActionFor(id))
            action->setEnabled(enable != 0);
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
    mArea = new DrawArea(this);
    setCentralWidget(mArea);
    PLATQT_AttachWindow(this, mArea);
    BuildMenus(menu, accel);
    gpEnableMenuItem = EnableMenuItemInWindow;
    const PICTURE_NOTIFY notify = {UpdateSelectionStateCore, ShowModifiedInTitle, UpdateStatusText};
    PICTURE_Init(&notify);
    size_t iconSize = 0;
    if (const uint8_t *icon = PLAT_FindResource("101", &iconSize)) {
        QPixmap pixmap;
        if (pixmap.loadFromData(icon, static_cast<uint>(iconSize)))
            setWindowIcon(QIcon(pixmap));
    }
    mFrameTimer.setTimerType(Qt::PreciseTimer);
    mFrameTimer.setInterval(90);
    connect(&mFrameTimer, &QTimer::timeout, this, [this] { OnFrameTick(); });
}

MainWindow::~MainWindow()
{
    Destroy();
    if (sMainWindow == this) {
        sMainWindow = nullptr;
        gMainWnd = nullptr;
        gMenu = nullptr;
        gpEnableMenuItem = nullptr;
        gpEnableControl = nullptr;
        PICTURE_Shutdown();
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
    mProgress = new QProgressBar(bar);
    mProgress->setTextVisible(false);
    mProgress->setRange(0, 100);
    mProgress->setValue(0);
    setStatusBar(bar);
    gStatusBar = bar;
    gProgressBar = mProgress;
    PLATQT_AttachStatusBar(mParts[0], mParts[1], mProgress);
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
        !DXBlt(gDDSScratch, r.x, r.y, r.w, r.h, gDDSPicture, r.x, r.y, 1)) {
        Fail("WM_ACTIVATEAPP - DXBlt!");
        return;
    }
    gAppActive = 0;
}

void MainWindow::OnActivate()
{
    if (gFramesSuspended) {
        DXRestoreIfLost();
        gFramesRunning = 1;
        gFramesSuspended = 0;
    }
    gAppActive = 1;
}

bool MainWindow::event(QEvent *event)
{
    if (mCreated && !mDestroyed) {
        if (event->type() == QEvent::WindowDeactivate)
            OnDeactivate();
        else if (event->type() == QEvent::WindowActivate)
            OnActivate();
    }
    return QMainWindow::event(event);
}

// ---- Close and keys
// ------------------------------------------------------------------------------

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (gModified && gpAskSaveChanges && !gpAskSaveChanges()) {
        event->ignore();
        return;
    }
    Destroy();
    event->accept();
}

void MainWindow::keyPressEvent(QKeyEvent *event)
{
    // The Delete key is a key-down, not an accelerator; the editing Part handles it.
    event->accept();
}

void MainWindow::keyReleaseEvent(QKeyEvent *event)
{
    event->accept();
}

// ---- Commands
// ---------------------------------------------------------------------------------------

void MainWindow::OnCommand(int id)
{
    switch (id) {
    case IDM_EXIT:
        close();
        break;
    case IDM_SETUP:
        SetupDialog(this);
        break;
    case IDM_ABOUT:
        AboutDialog(this);
        break;
    case IDM_CONTENTS:
        ShowHelpPage("merrowick.htm");
        break;
    case IDM_GETTINGSTARTED:
        ShowHelpPage("gettingstarted.htm");
        break;
    default:
        // The document, editing and output commands arrive with their features.
        break;
    }
}
