// clipboard.h — the finished picture to the clipboard, for mail, chat and office programs.
#pragma once

#include <cstdint>

class QImage;

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
