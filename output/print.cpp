// print.cpp — printing the picture on one page.
//
// The picture is composed at the photo's own resolution and drawn into its rectangle on
// the printer in one painter call: the printer (or the PDF it receives) scales it, so no
// page-sized bitmap is made and printing needs little more memory than the picture. The
// composed buffer goes as soon as the picture is in the printer's pixel format.
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPaintEngine>
#include <QPainter>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <unistd.h>

#include "document/layout.h"
#include "formats/formats.h"
#include "output/output.h"
#include "output/printdialogs.h"
#include "output/printrules.h"
#include "picture/compose.h"
#include "picture/imgobj.h"
#include "platform/file.h"
#include "platform/platform.h"
#include "platform/qt/qt_platform.h"
#include "platform/trail.h"
#include "resources/strings/strings.h"

int32_t gKeepPrinting = 1;
void (*gpPrintDrawHook)();

// The longest side of the picture composed for the preview: enough for a page on screen.
constexpr int32_t PREVIEW_SIDE = 1600;

// The picture composed at width × height as a 32-bit image for the printer; null with
// the trail filled when the memory is not there.
static QImage ComposePicture(int32_t width, int32_t height)
{
    LPDDS composed = BuildHiResImage2(width, height, 3);
    if (!composed) {
        Fail(LoadText(STR_PRINT_NO_MEMORY));
        return {};
    }
    const QImage view(composed->pBits, width, height, composed->iPitch, QImage::Format_BGR888);
    QImage picture = view.convertToFormat(QImage::Format_RGB32);
    ReleaseJpegBuffer2(composed);
    if (picture.isNull())
        Fail(LoadText(STR_PRINT_NO_MEMORY));
    return picture;
}

// Draws the picture scaled into `rect` of the page. The printer's document carries the
// picture at its own resolution and the printer scales it; nearest pixel is asked for,
// though a PDF has no say in it (no interpolation flag is written). The picture goes in
// JPEG-compressed at Qt's quality 94: lossless would take the printer's document 7 more
// bytes a pixel of memory and ten times as long, for no difference on paper.
static void DrawPicture(QPainter *painter, const QImage &picture, const QRect &rect)
{
    painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter->drawImage(QRectF(rect), picture);
}

// Lets the abort dialog and the window's repaints run between the job's steps.
static void PumpMessages()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

static PRINTMEASURE MeasurePrinter(QPrinter *printer)
{
    const int dpi = printer->resolution();
    const QRect paper = printer->pageLayout().fullRectPixels(dpi);
    const QRect paint = printer->pageLayout().paintRectPixels(dpi);
    PRINTMEASURE m;
    m.iPrintWidth = paper.width() - 2 * paint.left();
    m.iPrintHeight = paper.height() - 2 * paint.top();
    m.fDpiX = static_cast<float>(printer->logicalDpiX());
    m.fDpiY = static_cast<float>(printer->logicalDpiY());
    return m;
}

static QRect PrintedRect(const PRINTSIZE &ps, const PRINTMEASURE &m)
{
    int32_t x = 0, y = 0, w = 0, h = 0;
    PrintedSize(&ps, &m, gPhotoWidth, gPhotoHeight, &w, &h);
    PrintedPosition(&ps, &m, w, h, &x, &y);
    return {x, y, w, h};
}

// The page with the chosen size and place, drawn from a smaller composition.
static void ShowPreview(QWidget *owner, QPrinter *printer, const PRINTSIZE &ps)
{
    const int32_t side = std::max(gPhotoWidth, gPhotoHeight);
    const double scale = side > PREVIEW_SIDE ? double(PREVIEW_SIDE) / side : 1.0;
    const int32_t pw = std::max(1, static_cast<int32_t>(gPhotoWidth * scale));
    const int32_t ph = std::max(1, static_cast<int32_t>(gPhotoHeight * scale));
    const int cursor = PLAT_SetWaitCursor();
    const QImage picture = ComposePicture(pw, ph);
    PLAT_RestoreCursor(cursor);
    if (picture.isNull()) {
        ShowErrorTrail();
        return;
    }
    const QRect rect = PrintedRect(ps, MeasurePrinter(printer));
    PrintPreviewDlg preview(owner, printer, [&](QPrinter *p) {
        QPainter painter(p);
        DrawPicture(&painter, picture, rect);
    });
    preview.exec();
}

// A PDF printed to a file is written under a hidden temporary name beside it (one the
// sweep of killed saves knows) and renamed into place once the job may go to it.
static QString PdfTemporary(const QString &target)
{
    static std::atomic<unsigned> counter{0x100000};
    return QFileInfo(target).absoluteDir().filePath(
        QString(".mw%1_%2.tmp").arg(::getpid()).arg(counter++, 0, 16));
}

// Draws the page on a thread of its own, so the abort dialog answers while the printer's
// engine encodes the picture, and hands the page to the printer (ends the job) only when
// Cancel was not pressed meanwhile. A job to a PDF file then renames the file into place;
// cancelled, it leaves no file and an earlier file of that name as it was. (A system
// printer takes the page when the job ends, which cannot be called off after drawing:
// cancelled then, the page still goes.)
static int DrawPage(QPrinter *printer, const QImage &picture, const QRect &rect)
{
    const QString target = printer->outputFileName();
    const bool toFile = printer->outputFormat() == QPrinter::PdfFormat && !target.isEmpty();
    QString temp;
    QByteArray tempName;
    if (toFile) {
        temp = PdfTemporary(target);
        tempName = temp.toLocal8Bit();
        printer->setOutputFileName(temp);
        PLAT_TempRegister(tempName.constData());
    }
    QPainter painter;
    bool began = false;
    std::atomic<bool> done{false};
    QEventLoop loop;
    std::thread drawer([&] {
        began = painter.begin(printer);
        if (began) {
            if (gpPrintDrawHook)
                gpPrintDrawHook();
            DrawPicture(&painter, picture, rect);
        }
        done = true;
        QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
    });
    if (!done)
        loop.exec();
    drawer.join();
    int ok = 1;
    if (!began)
        ok = Fail("StartDoc");
    else if (!painter.end() || printer->printerState() == QPrinter::Error)
        ok = Fail("EndDoc");
    if (toFile) {
        const bool keep = ok && gKeepPrinting;
        if (keep && PLAT_FileRename(tempName.constData(), target.toLocal8Bit().constData()) != 0)
            ok = PLAT_FileFail("Can't write file", target.toLocal8Bit().constData(), errno);
        if (!keep || !ok)
            QFile::remove(temp);
        PLAT_TempForget(tempName.constData());
        printer->setOutputFileName(target);
    }
    return ok;
}

int PrintPage(QWidget *window, QPrinter *printer, const PRINTSIZE *ps)
{
    const QRect rect = PrintedRect(*ps, MeasurePrinter(printer));
    gKeepPrinting = 1;
    if (window)
        window->setEnabled(false);
    // Made after the window is disabled: disabling a window disables its dialogs too.
    QPointer<PrintAbortDlg> abortDialog = new PrintAbortDlg(window);
    abortDialog->show();
    const int cursor = PLAT_SetWaitCursor();
    PumpMessages();

    int ok = 1;
    QImage picture = ComposePicture(gPhotoWidth, gPhotoHeight);
    if (picture.isNull())
        ok = 0;
    // A press of the abort button during the composition arrives here.
    PumpMessages();
    if (ok && gKeepPrinting) {
        printer->setDocName("Merrowick");
        printer->setCopyCount(1);
        ok = DrawPage(printer, picture, rect);
    }

    PLAT_RestoreCursor(cursor);
    if (window)
        window->setEnabled(true);
    delete abortDialog.data();
    return ok;
}

int PrintOnPrinter(QWidget *window, QPrinter *printer)
{
    QPaintEngine *engine = printer->paintEngine();
    if (!engine || !engine->hasFeature(QPaintEngine::PixmapTransform))
        return Fail("The printer don't support raster images.");
    const PRINTMEASURE m = MeasurePrinter(printer);
    PRINTSIZE ps;
    PrintSizeStart(&m, gPhotoWidth, gPhotoHeight, &ps);
    {
        PrintSizeDlg dialog(window, &ps, gPhotoWidth, gPhotoHeight,
                            [printer](QWidget *owner, const PRINTSIZE &chosen) {
                                ShowPreview(owner, printer, chosen);
                            });
        if (dialog.exec() != QDialog::Accepted)
            return 1;
    }
    return PrintPage(window, printer, &ps);
}

// The PDF file a job without a printer proposes: the document's name in its folder, or
// in the home folder when it has none.
static QString DefaultPdfName()
{
    const QString folder = gFileDir[0] && QFileInfo(PLATQT_ToQt(gFileDir)).isWritable()
                               ? PLATQT_ToQt(gFileDir)
                               : QDir::homePath();
    return QDir(folder).filePath(PLATQT_ToQt(gFileName[0] ? gFileName : LoadText(STR_UNTITLED)) +
                                 ".pdf");
}

// The trail's lines below one sentence that says what to do.
static void SayFirst(int id)
{
    const std::string lines = gErrorTrail;
    TrailClear();
    Fail(LoadText(id));
    TrailAppend(lines.c_str());
}

int PrintImage2(QWidget *window)
{
    QPrinter printer(QPrinter::HighResolution);
    // Page size may be chosen; no selection or page ranges. Printing to a file only when
    // there is no printer, preset then.
    QAbstractPrintDialog::PrintDialogOptions options = QAbstractPrintDialog::PrintShowPageSize;
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        if (PLAT_MessageBox(LoadText(STR_NO_PRINTER), LoadText(STR_PRINT),
                            PLAT_MB_YESNO | PLAT_MB_ICONQUESTION) != PLAT_IDYES)
            return 1;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(DefaultPdfName());
        options |= QAbstractPrintDialog::PrintToFile;
    }
    QPrintDialog dialog(&printer, window);
    dialog.setOptions(options);
    if (dialog.exec() != QDialog::Accepted)
        return 1;
    const int ok = PrintOnPrinter(window, &printer);
    if (!ok)
        SayFirst(1674);
    return ok;
}
