// clipboard.cpp — Edit > Copy picture: the picture composed by the export's composition and
// handed to the clipboard as an image, which the desktop offers as PNG and more.
#include "shell/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>

#include "formats/formats.h"
#include "picture/compose.h"
#include "picture/imgobj.h"
#include "platform/platform.h"
#include "platform/trail.h"
#include "resources/strings/strings.h"

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
