// qt_platform.cpp — platform.h on Qt 6 Widgets.
#include "platform/qt/qt_platform.h"

#include <QApplication>
#include <QCursor>
#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QProgressBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTranslator>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "platform/memory.h"
#include "platform/platform.h"
#include "resources/resources.h"

static const int WINDOW_IMAGE_WIDTH = 1280;
static const int WINDOW_IMAGE_HEIGHT = 1024;

static QPointer<QWidget> sMainWindow;
static QPointer<QWidget> sDrawArea;
static QImage *sImage;
static PLAT_IMAGE sPlatImage;
static QPointer<QLabel> sParts[2];
static QPointer<QProgressBar> sProgress;
static PLATQT_MESSAGEBOXHOOK sMessageBoxHook;
static std::set<std::string> sHiddenResources;
static int sWaitDepth;

// ---- Window image --------------------------------------------------------------------

// Makes the window image width × height: the screen's own format, so a repaint copies
// rows without converting them. Zeroed memory from the system, not filled: the window is
// drawn into the image before it is shown, and only what the window covers is touched.
static void MakeWindowImage(int width, int height)
{
    delete sImage;
    const qsizetype pitch = static_cast<qsizetype>(width) * 4;
    void *bits = PLAT_PixelsAlloc(static_cast<size_t>(pitch) * static_cast<size_t>(height));
    if (bits)
        sImage = new QImage(static_cast<uchar *>(bits), width, height, pitch, QImage::Format_RGB32,
                            PLAT_PixelsFree, bits);
    else
        sImage = new QImage(width, height, QImage::Format_RGB32);
    sPlatImage.pBits = sImage->bits();
    sPlatImage.iWidth = sImage->width();
    sPlatImage.iHeight = sImage->height();
    sPlatImage.iPitch = static_cast<int32_t>(sImage->bytesPerLine());
    sPlatImage.iBytesPerPixel = 4;
}

void PLATQT_AttachWindow(QWidget *mainWindow, QWidget *drawArea)
{
    sMainWindow = mainWindow;
    sDrawArea = drawArea;
    if (!sImage)
        MakeWindowImage(800, 600);
}

void PLATQT_FitWindowImage(int width, int height)
{
    width = std::clamp(width, 1, WINDOW_IMAGE_WIDTH);
    height = std::clamp(height, 1, WINDOW_IMAGE_HEIGHT);
    if (!sImage || (sImage->width() >= width && sImage->height() >= height))
        return;
    // A quarter larger at least, so a window dragged larger is not given a new image at
    // every step of the drag.
    auto grown = [](int had, int need, int most) {
        return std::min(std::max(need, had + had / 4), most);
    };
    MakeWindowImage(grown(sImage->width(), width, WINDOW_IMAGE_WIDTH),
                    grown(sImage->height(), height, WINDOW_IMAGE_HEIGHT));
}

void PLATQT_DetachWindow()
{
    sMainWindow = nullptr;
    sDrawArea = nullptr;
    delete sImage;
    sImage = nullptr;
    sPlatImage = PLAT_IMAGE{};
}

QWidget *PLATQT_MainWindow()
{
    return sMainWindow;
}

QImage *PLATQT_WindowQImage()
{
    return sImage;
}

PLAT_IMAGE *PLAT_GetWindowImage()
{
    return sImage ? &sPlatImage : nullptr;
}

void PLAT_InvalidateWindow(int32_t x, int32_t y, int32_t width, int32_t height)
{
    if (sDrawArea && width > 0 && height > 0)
        sDrawArea->update(x, y, width, height);
}

// ---- Text -----------------------------------------------------------------------------

// The length of the well-formed UTF-8 character at p (2 to 4 bytes), or 0.
static int Utf8Length(const unsigned char *p)
{
    const unsigned char c = p[0];
    int n = c >= 0xC2 && c <= 0xDF   ? 2
            : c >= 0xE0 && c <= 0xEF ? 3
            : c >= 0xF0 && c <= 0xF4 ? 4
                                     : 0;
    for (int i = 1; i < n; i++)
        if ((p[i] & 0xC0) != 0x80)
            return 0;
    if ((c == 0xE0 && p[1] < 0xA0) || (c == 0xED && p[1] > 0x9F) || (c == 0xF0 && p[1] < 0x90) ||
        (c == 0xF4 && p[1] > 0x8F))
        return 0; // overlong, surrogate or beyond Unicode
    return n;
}

// Program texts are code page 1252, file names the system's UTF-8, and a message may
// hold both ("The file 'Åsa.mwi' has been changed."): well-formed UTF-8 characters are
// read as such, every other byte as Latin-1. Latin-1 text never forms UTF-8 sequences
// in practice (a letter from 0xC2 up followed by one from 0x80 to 0xBF).
QString PLATQT_ToQt(const char *text)
{
    QString out;
    const unsigned char *p = reinterpret_cast<const unsigned char *>(text ? text : "");
    while (*p) {
        const int n = *p >= 0x80 ? Utf8Length(p) : 0;
        if (n) {
            out += QString::fromUtf8(reinterpret_cast<const char *>(p), n);
            p += n;
        } else {
            out += QChar(*p++);
        }
    }
    return out;
}

QByteArray PLATQT_FromQt(const QString &text)
{
    return text.toLatin1();
}

// ---- Message boxes -----------------------------------------------------------------------

QMessageBox::Icon PLATQT_IconForFlags(int flags)
{
    switch (flags & 0xF0) {
    case PLAT_MB_ICONSTOP:
        return QMessageBox::Critical;
    case PLAT_MB_ICONQUESTION:
        return QMessageBox::Question;
    case PLAT_MB_ICONWARNING:
        return QMessageBox::Warning;
    case PLAT_MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

QMessageBox::StandardButtons PLATQT_ButtonsForFlags(int flags)
{
    switch (flags & 0x0F) {
    case PLAT_MB_OKCANCEL:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case PLAT_MB_YESNOCANCEL:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case PLAT_MB_YESNO:
        return QMessageBox::Yes | QMessageBox::No;
    default:
        return QMessageBox::Ok;
    }
}

int PLATQT_ResultForButton(QMessageBox::StandardButton button, int flags)
{
    switch (button) {
    case QMessageBox::Ok:
        return PLAT_IDOK;
    case QMessageBox::Yes:
        return PLAT_IDYES;
    case QMessageBox::No:
        return PLAT_IDNO;
    case QMessageBox::Cancel:
        return PLAT_IDCANCEL;
    default:
        // Closed without a button: the box's way out.
        switch (flags & 0x0F) {
        case PLAT_MB_OK:
            return PLAT_IDOK;
        case PLAT_MB_YESNO:
            return PLAT_IDNO;
        default:
            return PLAT_IDCANCEL;
        }
    }
}

void PLATQT_SetMessageBoxHook(PLATQT_MESSAGEBOXHOOK hook)
{
    sMessageBoxHook = hook;
}

// Qt's Swedish catalogue as installed, with the standard button texts of Qt 6 (which
// the catalogue no longer covers) added from a table of our own.
class SwedishQtTranslator : public QTranslator
{
  public:
    QString translate(const char *context, const char *source, const char *disambiguation,
                      int n) const override
    {
        static const struct {
            const char *english, *swedish;
        } kButtons[] = {
            {"OK", "OK"},
            {"Save", "Spara"},
            {"Save All", "Spara alla"},
            {"Open", "\u00d6ppna"},
            {"&Yes", "&Ja"},
            {"Yes to &All", "Ja till &alla"},
            {"&No", "&Nej"},
            {"N&o to All", "N&ej till alla"},
            {"Abort", "Avbryt"},
            {"Retry", "F\u00f6rs\u00f6k igen"},
            {"Ignore", "Ignorera"},
            {"Close", "St\u00e4ng"},
            {"Cancel", "Avbryt"},
            {"Discard", "Sl\u00e4ng"},
            {"Help", "Hj\u00e4lp"},
            {"Apply", "Verkst\u00e4ll"},
            {"Reset", "\u00c5terst\u00e4ll"},
            {"Restore Defaults", "\u00c5terst\u00e4ll standardv\u00e4rden"},
        };
        if (context && source && !qstrcmp(context, "QPlatformTheme"))
            for (const auto &b : kButtons)
                if (!qstrcmp(source, b.english))
                    return QString::fromUtf8(b.swedish);
        return QTranslator::translate(context, source, disambiguation, n);
    }
};

int PLATQT_SetLanguage(int swedish)
{
    static QTranslator *translator;
    if (translator) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
        translator = nullptr;
    }
    const QLocale locale(swedish ? QLocale::Swedish : QLocale::English, QLocale::AnyTerritory);
    QLocale::setDefault(locale);
    if (!swedish)
        return 1; // Qt's own texts are English
    translator = new SwedishQtTranslator;
    // Without the installed catalogue only the buttons are Swedish.
    const int catalogue =
        translator->load(locale, "qt", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    QCoreApplication::installTranslator(translator);
    return catalogue;
}

int PLAT_MessageBox(const char *text, const char *title, int flags, int bNoOwner)
{
    if (sMessageBoxHook)
        return sMessageBoxHook(text ? text : "", title ? title : "", flags);
    QWidget *owner = nullptr;
    if (!bNoOwner) {
        owner = QApplication::activeModalWidget();
        if (!owner)
            owner = sMainWindow;
    }
    QMessageBox box(PLATQT_IconForFlags(flags), PLATQT_ToQt(title), PLATQT_ToQt(text),
                    PLATQT_ButtonsForFlags(flags), owner);
    box.setTextFormat(Qt::PlainText);
    int answer = box.exec();
    return PLATQT_ResultForButton(static_cast<QMessageBox::StandardButton>(answer), flags);
}

// ---- Cursor, status bar, progress ------------------------------------------------------

int PLAT_SetWaitCursor()
{
    int previous = sWaitDepth;
    if (qApp) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        sWaitDepth++;
    }
    return previous;
}

void PLAT_RestoreCursor(int previous)
{
    while (sWaitDepth > previous && sWaitDepth > 0) {
        QApplication::restoreOverrideCursor();
        sWaitDepth--;
    }
}

void PLATQT_AttachStatusBar(QLabel *part0, QLabel *part1, QProgressBar *progress)
{
    sParts[0] = part0;
    sParts[1] = part1;
    sProgress = progress;
}

void PLAT_SetStatusText(int part, const char *text)
{
    if (part < 0 || part > 1 || !sParts[part])
        return;
    sParts[part]->setText(PLATQT_ToQt(text));
    // Long operations write their text and then work without returning to the loop.
    sParts[part]->repaint();
}

// The position stepped to, shown at most every kProgressShowMs: the bar is a few hundred
// pixels wide, a photo thousands of rows long, and each repaint is a trip to the display.
static int sProgressValue;
static QElapsedTimer sProgressShown;
static const int kProgressShowMs = 30;

void PLAT_ProgressSetRange(int32_t low, int32_t high)
{
    if (sProgress) {
        sProgress->setRange(low, high > low ? high : low);
        sProgressValue = sProgress->value();
    }
}

void PLAT_ProgressSetPos(int32_t pos)
{
    if (sProgress) {
        sProgress->setValue(pos < sProgress->minimum() ? sProgress->minimum() : pos);
        sProgressValue = sProgress->value();
    }
}

static int32_t sProgressStep = 10;

void PLAT_ProgressSetStep(int32_t step)
{
    sProgressStep = step;
}

void PLAT_ProgressStepIt()
{
    if (!sProgress)
        return;
    // Like the common control: stepping past the end wraps to the start.
    int next = sProgressValue + sProgressStep;
    if (next > sProgress->maximum())
        next = sProgress->minimum() + (next - sProgress->maximum());
    sProgressValue = next;
    if (sProgressShown.isValid() && sProgressShown.elapsed() < kProgressShowMs &&
        next != sProgress->maximum())
        return;
    sProgressShown.start();
    sProgress->setValue(next);
    sProgress->repaint(); // long operations step it without returning to the event loop
}

void PLAT_DebugOutput(const char *text)
{
    qDebug().noquote() << PLATQT_ToQt(text);
}

// ---- Time, resources, folders ---------------------------------------------------------------

uint32_t PLAT_Milliseconds()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return static_cast<uint32_t>(clock.elapsed());
}

void PLATQT_HideResource(const char *name)
{
    if (!name)
        sHiddenResources.clear();
    else
        sHiddenResources.insert(name);
}

const uint8_t *PLAT_FindResource(const char *name, size_t *size)
{
    if (!name || sHiddenResources.count(name))
        return nullptr;
    return RES_Find(name, size);
}

static std::string WithSeparator(QString path)
{
    path = QDir::cleanPath(QDir(path).absolutePath());
    if (!path.endsWith('/'))
        path += '/';
    return path.toLocal8Bit().toStdString();
}

const char *PLAT_TempDir()
{
    static QTemporaryDir *temp;
    static std::string dir;
    if (!temp) {
        temp = new QTemporaryDir(QDir::tempPath() + "/merrowick-XXXXXX");
        if (temp->isValid())
            dir = WithSeparator(temp->path());
        else
            dir = WithSeparator(QDir::tempPath());
        // The folder goes when the program ends normally.
        std::atexit([] { delete temp; });
    }
    return dir.c_str();
}

char PLAT_PathSeparator()
{
    return '/';
}

int PLAT_MailAvailable()
{
    return !QStandardPaths::findExecutable("xdg-email").isEmpty();
}
