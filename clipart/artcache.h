// artcache.h — decoded clip art shared: the pieces made from the same file, unchanged
// since it was decoded, hold one decoded image between them, decoded once.
// Depends on: pixels/ (bitmap decoding), platform/ (files, resources), clipart/lookup.h.
#pragma once

#include <cstdint>

// One decoded clip-art bitmap. Read only: every piece of that file draws from it.
struct CLIPART_IMAGE {
    uint8_t *pBits; // 24-bit rows, iPitch apart
    int32_t iWidth, iHeight, iPitch;
    // A sticker with an alpha file: its straight BGRA pixels, rows 4 × iWidth apart; else null.
    uint8_t *pBgra;
};

// The decoded artwork `name`: the clip-art folder's file, else the user's sticker of that
// name, else the resource of that name. A file already decoded and unchanged since (same
// file, size and time, and the same alpha file) gives the image held, with one more user.
// Null when none of them can be read.
const CLIPART_IMAGE *ClipArt_AcquireImage(const char *name);
// One user fewer; the last one frees the image. Null does nothing.
void ClipArt_ReleaseImage(const CLIPART_IMAGE *image);
// How many decoded images are held now.
int ClipArt_HeldImages();
