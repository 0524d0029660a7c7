// formats.h — photos in and pictures out: JPEG and Windows bitmap import, JPEG export.
//
// Pixel buffers exchanged here hold 3 bytes a pixel in blue, green, red order, rows
// top-down with a stride of 3 × W8 bytes, W8 being the width rounded up to a multiple
// of 8; the padding bytes stay black. JPEG coding goes through libjpeg's 6b interface
// with blue-green-red scanlines, so rows cross it without reordering. Routines append
// to the error trail (platform/trail.h) and return 0 on failure.
#pragma once

#include <cstdint>

#include "pixels/pixels.h"

struct IMGOBJ;

// The width rounded up to a multiple of 8.
inline int32_t W8(int32_t n)
{
    return n % 8 == 0 ? n : (n / 8) * 8 + 8;
}

// Photo limits: a photo is refused, before anything is allocated, when a side exceeds
// MAX_PHOTO_SIDE, W8(width) × height exceeds gMaxPhotoPixels (default 16384 × 16384,
// 268 megapixels; tests and fuzzers may lower it), or its 45-degree box, which the
// picture buffer must hold, exceeds the largest surface (MAX_SURFACE_PIXELS).
constexpr int32_t MAX_PHOTO_SIDE = 32768;
constexpr int64_t MAX_PHOTO_PIXELS = 16384LL * 16384;
extern int64_t gMaxPhotoPixels;
// 1 when a photo of width × height may be loaded; otherwise 0 with a trail line that
// gives the size and the limit.
int PhotoSizeAllowed(int64_t width, int64_t height);

// ---- The JPEG buffer ---------------------------------------------------------------
// gDDSBuffer: W8 × H surface, white colour key, through which decoded rows reach the
// photo; exists only while a photo is being decoded. CreateJpegBuffer makes it over
// zero-filled (black) memory held in gDDSBufferMem; when the photo's surface already has
// its layout, JpegLoad lays it over that surface instead (gDDSBufferMem stays null).
extern LPDDS gDDSBuffer;
extern uint8_t *gDDSBufferMem;

// Creates the JPEG buffer for a W × H photo; 0 with "Out of Memory" or "Jpeg Buffer".
int CreateJpegBuffer(int32_t width, int32_t height);
// Releases the JPEG buffer and its memory; harmless when none exists.
void ReleaseJpegBuffer();
// A new W8 × H surface over zero-filled memory of W8 × H × components bytes, white
// colour key (an export buffer); null on failure. Free with ReleaseJpegBuffer2.
LPDDS CreateJpegBuffer2(int32_t width, int32_t height, int32_t components);
// Releases a surface from CreateJpegBuffer2 together with its memory (null is fine).
void ReleaseJpegBuffer2(LPDDS surface);
// Copies decoded row n (1-based, 3 × iSrcWidth bytes) into the JPEG buffer; after the
// last row copies the buffer into the object's high-resolution surface.
int FillBuffer2(IMGOBJ *obj, const uint8_t *row, int32_t n);

// ---- Photos --------------------------------------------------------------------------
// Decodes the object's JPEG file into its high-resolution surface (both surfaces are
// created); sets iSrc*, gPhotoWidth, gPhotoHeight, gPhotoComponents. Grayscale, CMYK
// and YCCK files arrive as blue, green, red. "Opening..." progress.
int JpegLoad(IMGOBJ *obj);
// Loads the object's ".bmp", ".dib" or ".rle" file (any DibDecode format) likewise.
int BitmapLoad(IMGOBJ *obj);
// Encodes W × H pixels (stride 3 × W8) as a baseline JPEG file; quality 0 means 90.
// Writes a temporary file beside `name` and renames it over `name` when complete, so a
// failed save leaves any earlier file untouched. "Saving..." progress.
int JpegSave(const uint8_t *pixels, const char *name, int32_t width, int32_t height,
             int32_t components, int32_t quality);
