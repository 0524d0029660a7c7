// clipboard.cpp — Edit > Copy picture: the picture composed by the export's composition and
// handed to the clipboard as an image, which the desktop offers as PNG and more. Edit >
// Paste and a dropped picture file: own stickers made the way the clip-art dialog's "Add
// your own" makes them.
#include "shell/clipboard.h"

#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>
#include <cstdio>
#include <string>

#include "clipart/ownstickers.h"
#include "formats/formats.h"
#include "picture/compose.h"
#include "picture/imgobj.h"
#include "platform/platform.h"
#include "platform/qt/qt_platform.h"
#include "platform/trail.h"
#include "resources/strings/strings.h"
#include "shell/shell.h"

void ClipboardPictureSize(int32_t photoWidth, int32_t photoHeight, int32_t *width, int32_t *height)
{
    const int32_t w = photoWidth > 0 ? photoWidth : 1, h = photoHeight > 0 ? photoHeight : 1;
    const int32_t longest = w > h ? w : h;
    if (longest <= CLIPBOARD_MAX_SIDE) {
        *width = w, *height = h;
        return;
    }
    // The longest side becomes the limit; the other is rounded to the nearest pixel.
    const int64_t scaledW = (int64_t{w} * CLIPBOARD_MAX_SIDE + longest / 2) / longest;
    const int64_t scaledH = (int64_t{h} * CLIPBOARD_MAX_SIDE + longest / 2) / longest;
    *width = scaledW > 0 ? static_cast<int32_t>(scaledW) : 1;
    *height = scaledH > 0 ? static_cast<int32_t>(scaledH) : 1;
}

QImage ComposedPictureImage()
{
    int32_t w = 0, h = 0;
    ClipboardPictureSize(gPhotoWidth, gPhotoHeight, &w, &h);
    LPDDS out = BuildHiResImage2(w, h, 3);
    if (!out) {
        Fail("BuildHiResImage2() failed");
        return {};
    }
    // The rows are blue, green, red: the image's own copy of them outlives the surface.
    const QImage rows(out->pBits, w, h, out->iPitch, QImage::Format_BGR888);
    QImage image = rows.convertToFormat(QImage::Format_RGB32);
    ReleaseJpegBuffer2(out);
    if (image.isNull())
        Fail("Out of memory!");
    return image;
}

int CopyPicture()
{
    if (!gPictureExists)
        return Fail("There is no picture to copy.");
    // The composition lets the selection go, as an export does; a copy keeps it.
    IMGOBJ *selected = gSelected;
    const int cursor = PLAT_SetWaitCursor();
    const QImage image = ComposedPictureImage();
    PLAT_RestoreCursor(cursor);
    if (selected && !gSelected) {
        selected->bSelected = 1;
        gSelected = selected;
        UpdateSelectionState();
    }
    if (image.isNull())
        return Fail("The picture couldn't be copied.");
    QGuiApplication::clipboard()->setImage(image);
    char text[256];
    std::snprintf(text, sizeof text, LoadText(STR_COPIED), image.width(), image.height());
    PLAT_SetStatusText(0, text);
    return 1;
}

// ---- Paste and drop ------------------------------------------------------------------------

// The picture file a clipboard or drop names (the first local file of a known photo kind),
// or an empty string.
static QString PictureFileOf(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return {};
    for (const QUrl &url : data->urls())
        if (url.isLocalFile() && IsPhotoType(FileTypeOf(QFile::encodeName(url.toLocalFile()))))
            return url.toLocalFile();
    return {};
}

// Reads a picture file within the sticker's input limits; a null image with the trail filled.
static QImage ReadPicture(const QString &path)
{
    QImageReader reader(path);
    const QSize size = reader.size();
    if (size.isValid() &&
        (size.width() > OWNSTICKER_MAX_INPUT_SIDE || size.height() > OWNSTICKER_MAX_INPUT_SIDE ||
         static_cast<int64_t>(size.width()) * size.height() > OWNSTICKER_MAX_INPUT_PIXELS)) {
        Failf("The picture (%d x %d) is larger than a sticker can be made from.", size.width(),
              size.height());
        return {};
    }
    QImage picture;
    if (!reader.read(&picture)) {
        Fail(PLATQT_FromQt(reader.errorString()).constData());
        Fail("QImageReader::read()");
    }
    return picture;
}

int AddPictureAsSticker(const QImage &picture, const char *sourceName)
{
    if (picture.isNull())
        return Fail(LoadText(STR_STICKER_NOT_ADDED));
    const QImage bgra = picture.convertToFormat(QImage::Format_ARGB32); // blue, green, red, alpha
    DIBIMAGE sticker = {};
    std::string name;
    int ok = ClipArt_MakeSticker(bgra.constBits(), bgra.width(), bgra.height(),
                                 static_cast<int32_t>(bgra.bytesPerLine()), &sticker) &&
             ClipArt_SaveSticker(&sticker, sourceName, &name);
    DibFreeImage(&sticker);
    if (ok) {
        PICTURE_ChangeBegin(CHANGE_ADD);
        ok = IMGOBJ_AddObj(name.c_str(), IMG_OBJ, gPictureRect.x, gPictureRect.y, nullptr,
                           nullptr) != nullptr;
        PICTURE_ChangeEnd(CHANGE_ADD);
    }
    return ok || Fail(LoadText(STR_STICKER_NOT_ADDED));
}

// Pasted pixels become a photo through a file of their own, kept while the program runs.
static std::string PastedPhotoFile(const QImage &picture)
{
    static QTemporaryDir folder;
    static int count;
    if (!folder.isValid())
        return {};
    const QString path = folder.filePath(QStringLiteral("pasted-%1.png").arg(++count));
    return picture.save(path, "PNG") ? QFile::encodeName(path).toStdString() : std::string();
}

int PastePicture(QWidget *window)
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    const QString file = PictureFileOf(data);
    if (!gPictureExists) {
        if (!file.isEmpty()) {
            OpenDocumentFile(window, QFile::encodeName(file).constData());
            return 1;
        }
        if (!data || !data->hasImage()) {
            PLAT_MessageBox(LoadText(STR_PASTE_NOTHING), LoadText(STR_INFORMATION),
                            PLAT_MB_OK | PLAT_MB_ICONINFORMATION);
            return 1;
        }
        const std::string photo = PastedPhotoFile(qvariant_cast<QImage>(data->imageData()));
        if (photo.empty())
            return Fail("The pasted picture could not be kept for opening.");
        const int ok = OpenPictureFile(photo.c_str(), LoadText(STR_UNTITLED));
        ShowDocumentState();
        return ok;
    }
    if (!file.isEmpty())
        return AddPictureAsSticker(ReadPicture(file), QFile::encodeName(file).constData());
    if (!data || !data->hasImage()) {
        PLAT_MessageBox(LoadText(STR_PASTE_NOTHING), LoadText(STR_INFORMATION),
                        PLAT_MB_OK | PLAT_MB_ICONINFORMATION);
        return 1;
    }
    return AddPictureAsSticker(qvariant_cast<QImage>(data->imageData()), "pasted.png");
}

void DropPictureFile(QWidget *window, const char *path)
{
    // The title, the question, and the two choices, '@' after each.
    const QStringList parts = PLATQT_ToQt(LoadText(STR_DROP_CHOICE)).split('@');
    const QString shown = QFileInfo(QFile::decodeName(path)).fileName();
    QMessageBox box(QMessageBox::Question, parts.value(0), parts.value(1).arg(shown),
                    QMessageBox::Cancel, window);
    QPushButton *sticker = box.addButton(parts.value(2), QMessageBox::AcceptRole);
    QPushButton *open = box.addButton(parts.value(3), QMessageBox::AcceptRole);
    box.setDefaultButton(sticker);
    box.exec();
    if (box.clickedButton() == open) {
        OpenDocumentFile(window, path);
    } else if (box.clickedButton() == sticker) {
        if (!AddPictureAsSticker(ReadPicture(QFile::decodeName(path)), path))
            ShowErrorTrail();
    }
}
