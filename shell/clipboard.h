// clipboard.h — the finished picture to the clipboard, for mail, chat and office programs,
// and pictures from the clipboard or a drop onto the picture as stickers.
#pragma once

#include <cstdint>

class QImage;
class QWidget;

// The largest side of the picture put on the clipboard.
constexpr int32_t CLIPBOARD_MAX_SIDE = 4096;
// The size the picture goes to the clipboard at: the photo's own, made smaller to at most
// CLIPBOARD_MAX_SIDE a side with its proportions kept (each side at least 1).
void ClipboardPictureSize(int32_t photoWidth, int32_t photoHeight, int32_t *width, int32_t *height);
// The picture composed as the export composes it (smooth edges when they are on), at
// ClipboardPictureSize; a null image with the trail filled when it cannot be composed.
QImage ComposedPictureImage();
// Edit > Copy picture: the composed picture on the clipboard as an image; the status bar
// says so. 0 with the trail filled (the clipboard is as it was).
int CopyPicture();
// Edit > Paste: the picture on the clipboard (an image, or a picture file copied in the file
// manager) becomes an own sticker on the picture, selected, as one undo step; with no
// picture open it starts a new picture with it as the photo. The clipboard holding no
// picture is said in a message box. 0 with the trail filled when it could not be pasted.
int PastePicture(QWidget *window);
// A picture file dropped while a picture is open: asks whether to add it as a sticker or
// open it as a new picture (Cancel does neither), then does so; a failure is shown.
void DropPictureFile(QWidget *window, const char *path);
// A picture made an own sticker (named after sourceName's stem) and added to the picture,
// selected, as one undo step. 0 with the trail filled; nothing is added.
int AddPictureAsSticker(const QImage &picture, const char *sourceName);
