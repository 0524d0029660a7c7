// help_window.cpp — the program's help viewer: HTML pages in a browser with back and
// forward. A page that does not exist shows a short notice in the window, never a box.
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>

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

    QString mCurrent;

  private:
    static QString NotFoundHtml(const QString &path)
    {
        bool swedish = gLanguageOffset == 3000;
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

void PLAT_ShowHelp(const char *topicPath)
{
    if (!sHelp)
        sHelp = new HelpWindow;
    QString path = PLATQT_ToQt(topicPath);
    if (QDir::isRelativePath(path))
        path = QDir::current().filePath(path);
    sHelp->ShowFile(QDir::cleanPath(path));
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
