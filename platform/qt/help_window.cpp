// help_window.cpp — the program's help viewer: HTML pages in a browser with back and
// forward. A page that does not exist shows a short notice in the window, never a box.
//
// Opened from a modal dialog, the window belongs to that dialog, which lets it take input
// (a modal dialog blocks every other window), and is placed beside it; when the dialog
// closes the window stays open on its own. Escape closes it.
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPointer>
#include <QScreen>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>

#include "platform/platform.h"
#include "platform/qt/qt_platform.h"
#include "resources/strings/strings.h"

namespace
{

class HelpWindow : public QWidget
{
  public:
    HelpWindow() : QWidget(nullptr, Qt::Window)
    {
        setObjectName("HelpWindow");
        setAttribute(Qt::WA_DeleteOnClose, false);
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        auto *bar = new QToolBar(this);
        mBrowser = new QTextBrowser(this);
        mBrowser->setOpenExternalLinks(true);
        QAction *back =
            bar->addAction(QString::fromUtf8("\u2190"), mBrowser, &QTextBrowser::backward);
        QAction *forward =
            bar->addAction(QString::fromUtf8("\u2192"), mBrowser, &QTextBrowser::forward);
        back->setEnabled(false);
        forward->setEnabled(false);
        connect(mBrowser, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
        connect(mBrowser, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
        layout->addWidget(bar);
        layout->addWidget(mBrowser);
        resize(700, 560);
    }

    void ShowFile(const QString &path)
    {
        QFileInfo info(path);
        if (info.isFile() && info.isReadable()) {
            mCurrent = info.absoluteFilePath();
            mBrowser->setSource(QUrl::fromLocalFile(mCurrent));
        } else {
            mCurrent.clear();
            mBrowser->setHtml(NotFoundHtml(path));
        }
        setWindowTitle(mBrowser->documentTitle().isEmpty() ? QStringLiteral("Merrowick")
                                                           : mBrowser->documentTitle());
    }

    // Belongs to `dialog` (null: to no window), keeping its place and whether it shows.
    void BelongTo(QWidget *dialog)
    {
        if (parentWidget() == dialog)
            return;
        if (parentWidget())
            parentWidget()->removeEventFilter(this);
        const QRect frame = geometry();
        const bool shown = isVisible();
        setParent(dialog, Qt::Window);
        setGeometry(frame);
        if (dialog)
            dialog->installEventFilter(this);
        if (shown)
            show();
    }

    QString mCurrent;

  protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (event->key() == Qt::Key_Escape)
            close();
        else
            QWidget::keyPressEvent(event);
    }
    // The dialog it belongs to goes: the window stays, on its own.
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // At once: a dialog on the stack is deleted right after it hides, and its
        // windows with it.
        if (watched == parentWidget() && event->type() == QEvent::Hide) {
            BelongTo(nullptr);
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (mOpen && !isVisible())
                        show();
                },
                Qt::QueuedConnection);
        }
        return false;
    }
    void closeEvent(QCloseEvent *event) override
    {
        mOpen = false;
        QWidget::closeEvent(event);
    }

  public:
    bool mOpen = false; // shown and not closed by the user
    static QString NotFoundHtml(const QString &path)
    {
        bool swedish = gLanguageOffset == LANGUAGE_SWEDISH;
        QString heading =
            swedish ? QStringLiteral("Sidan hittades inte") : QStringLiteral("Page not found");
        QString line = swedish ? QStringLiteral("Hjälpsidan %1 finns inte.")
                               : QStringLiteral("The help page %1 does not exist.");
        return QStringLiteral("<html><head><title>%1</title></head><body><h2>%1</h2><p>%2</p>"
                              "</body></html>")
            .arg(heading.toHtmlEscaped(), line.arg(path).toHtmlEscaped());
    }

    QTextBrowser *mBrowser;
};

QPointer<HelpWindow> sHelp;

} // namespace

QRect PLATQT_HelpPlace(const QRect &dialog, const QSize &help, const QRect &screen)
{
    const int gap = 8, narrowest = 420;
    const int right = dialog.right() + 1 + gap, left = dialog.left() - gap - help.width();
    const int roomRight = screen.right() + 1 - right,
              roomLeft = dialog.left() - gap - screen.left();
    const int y =
        std::max(screen.top(), std::min(dialog.top(), screen.bottom() + 1 - help.height()));
    // Where it fits whole, right first; else narrowed to the side with more room, when
    // that leaves a readable width; else over the dialog's edge, kept on the screen.
    if (help.width() <= roomRight)
        return {QPoint(right, y), help};
    if (left >= screen.left())
        return {QPoint(left, y), help};
    int x, width = help.width();
    if (std::max(roomRight, roomLeft) >= narrowest) {
        width = std::max(roomRight, roomLeft);
        x = roomRight >= roomLeft ? right : screen.left();
    } else {
        x = roomRight >= roomLeft ? screen.right() + 1 - width : screen.left();
    }
    x = std::max(screen.left(), std::min(x, screen.right() + 1 - width));
    return {x, y, width, help.height()};
}

void PLAT_ShowHelp(const char *topicPath)
{
    if (!sHelp)
        sHelp = new HelpWindow;
    QString path = PLATQT_ToQt(topicPath);
    if (QDir::isRelativePath(path))
        path = QDir::current().filePath(path);
    QWidget *dialog = QApplication::activeModalWidget();
    const bool wasShown = sHelp->isVisible();
    sHelp->BelongTo(dialog);
    sHelp->ShowFile(QDir::cleanPath(path));
    if (dialog && (!wasShown || sHelp->frameGeometry().intersects(dialog->frameGeometry()))) {
        const QScreen *screen =
            dialog->screen() ? dialog->screen() : QGuiApplication::primaryScreen();
        const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 1024);
        // Placed by its frame; the frame's margins are kept out of the size given to resize.
        const QRect frame = sHelp->frameGeometry();
        const QSize margins = frame.size() - sHelp->size();
        const QRect place = PLATQT_HelpPlace(dialog->frameGeometry(), frame.size(), area);
        sHelp->resize(place.size() - margins);
        sHelp->move(place.topLeft());
    }
    sHelp->mOpen = true;
    sHelp->show();
    sHelp->raise();
    sHelp->activateWindow();
}

QWidget *PLATQT_HelpWindow()
{
    return sHelp;
}

QString PLATQT_HelpCurrentFile()
{
    return sHelp ? sHelp->mCurrent : QString();
}

void PLATQT_CloseHelp()
{
    delete sHelp;
    sHelp = nullptr;
}
