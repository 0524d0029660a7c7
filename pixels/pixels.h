// pixels.h — the pixel layer: 24-bit surfaces, blits, rotation, bitmap loading.
//
// Every surface is 24 bits a pixel, 3 bytes in blue, green, red order, rows top-down
// a pitch apart, in ordinary memory. White (0xFFFFFF) is the source colour key of
// every surface the program makes except the window background "merrowick7.clp".
// Rectangles are x, y, width, height in calls and half-open. Routines that can fail
// append to the error trail (platform/trail.h) and return 0 or null.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

// ---- Surfaces ------------------------------------------------------------------------

// A rectangle as x, y, width, height (half-open).
struct XYWH {
    int32_t x;
    int32_t y;
    int32_t w;
    int32_t h;
};

struct DDSURFACE {
    int32_t iWidth;
    int32_t iHeight;
    int32_t iPitch;       // bytes from one row to the next
    uint8_t *pBits;       // top-left pixel
    int32_t bOwnsBits;    // 1: pBits (from PLAT_PixelsAlloc) is freed with the surface
    int32_t bHasColorKey; // a source colour key is set
    uint32_t dwColorKey;  // source colour key, 0xRRGGBB
    XYWH rcClip;          // what mode-4 blits onto it are clipped to; its owner sets it (0: none)
    const uint8_t *pMapping = nullptr; // a read-only file mapping pBits lies in, unmapped with it
    size_t cbMapping = 0;              //   its length
};
typedef DDSURFACE *LPDDS;

// Blit effects record; dwDDFX carries the mirror bits.
struct DDBLTFX {
    uint32_t dwSize; // 100
    uint32_t dwDDFX;
};
constexpr uint32_t DDBLTFX_MIRRORLEFTRIGHT = 2;
constexpr uint32_t DDBLTFX_MIRRORUPDOWN = 4;

constexpr uint32_t DDSCAPS_SYSTEMOFFSCREEN = 2112; // off-screen plain + system memory

// Platform results the pixel layer can produce; mapped to the code tables.
enum DDRESULT : int32_t {
    DD_OK = 0,
    DDERR_GENERIC = 1,
    DDERR_INVALIDPARAMS = 4,
    DDERR_INVALIDRECT = 5,
    DDERR_OUTOFMEMORY = 14,
    DDERR_SURFACEBUSY = 15,
    DDERR_SURFACELOST = 16,
    DDERR_UNSUPPORTED = 17,
};

// The named global surfaces, made by DXInit and released by DXCleanup.
extern LPDDS gDDSWindow;          // 800 × 600
extern LPDDS gDDSSprite;          // the sprite sheet "SPRITE"; DXInit's is read-only
extern LPDDS gDDSScratch;         // screen back buffer, the drawing area's size or more
extern LPDDS gDDSBackgnd;         // clean window background, as large as gDDSScratch
extern LPDDS gDDSClp;             // "merrowick7.clp", no colour key
extern LPDDS gDDSLogo;            // "logo7.clp"
extern LPDDS gDDSPicture;         // picture buffer, 2048 × 2048 at start
extern LPDDS gDDSText;            // text drawing area, 1200 × 600
extern int32_t gDirectDrawReady;  // set once DXInit has begun; a later start-up failure says so
extern uint32_t gOutlinePenColor; // 0x79F41E: RGB(121, 244, 30); the pen is 2 pixels wide

// Largest surface the program makes, in pixels and per side (refused beyond).
constexpr int64_t MAX_SURFACE_PIXELS = 640LL * 1000 * 1000;
constexpr int32_t MAX_SURFACE_SIDE = 65500;

// ---- Screen geometry ---------------------------------------------------------------------
// The drawing-area size: the part of the window image in use (800 × 600 at start).
extern int32_t gScreenWidth;
extern int32_t gScreenHeight;
// The photo's rectangle in the window.
extern XYWH gPictureRect;

// Colour-keyed copies use the processor's vector instructions where it has them (1);
// tests set 0 to check them against the plain word-wise copy.
extern int32_t gKeyedSimd;
// Scaled blits of at least this many target pixels (a megapixel) share their rows between
// two threads: below it a thread's start costs more than it saves, the first one most,
// which at start-up is the background's (tests lower it to reach that path).
extern int64_t gStretchSplitPixels;

// Calls rows(part, from, to) for rows [top, bottom): when split, the lower half as part 1 on
// a second thread while this one does the upper half as part 0; otherwise, or when no
// thread can be had, all of them as part 0 here.
void DXSplitRows(int32_t top, int32_t bottom, bool split,
                 const std::function<void(int, int32_t, int32_t)> &rows);

// Starts the surface system and makes the named surfaces in order; 0: cannot run.
int DXInit();
// The named surfaces a job without a window needs, combined for DXStartHeadless.
enum : uint32_t {
    DXNEED_SCREEN = 1,  // gDDSScratch and gDDSBackgnd at the largest drawing area, 1280 × 1024
    DXNEED_PICTURE = 2, // gDDSPicture, 2048 × 2048
    DXNEED_TEXT = 4,    // gDDSText, 1200 × 600
    DXNEED_SPRITE = 8,  // gDDSSprite: the sprite sheet "SPRITE" (the bubble fonts), white-keyed
};
// The engine's start without a window (the export, tests, benchmarks, fuzz targets):
// releases the named surfaces, then makes those in `need`, white with the white key, and
// sets the drawing area to 800 × 600 and no picture rectangle. 0 with the trail filled
// when one cannot be made (DXCleanup releases those that were).
int DXStartHeadless(uint32_t need);
// Releases every named surface (null is fine for each): the end of DXInit's run and of
// DXStartHeadless's.
void DXCleanup();
// The size a growing surface takes (it had `had` and must hold `need`): a quarter larger
// at least, so what grows step by step is not remade at every step, and at most `most`.
int32_t DXGrownSize(int32_t had, int32_t need, int32_t most);
// Grows the screen buffer and the background to hold a drawing area of width × height
// (up to 1280 × 1024) when they do not; what they held is gone, to be drawn anew. 0 when
// the memory is not there (the trail says so; the old surfaces are kept).
int DXFitScreenSurfaces(int32_t width, int32_t height);
// Makes a white surface with the white key; releases `old` first (even on failure).
// Returns null on failure after DXCreateSurfaceError and "g_pDD->CreateSurface() failed!".
LPDDS DXCreateSurface(LPDDS old, int32_t width, int32_t height, uint32_t caps);
// A zero-filled surface without key, palette or clearing; null with the platform result
// in *result (DDERR_INVALIDPARAMS for a size no surface can have, DDERR_OUTOFMEMORY when
// the memory is not there) and nothing in the trail.
LPDDS DXCreateSurfaceRaw(int32_t width, int32_t height, int32_t *result);
// Makes a surface over caller memory (rows `pitch` bytes apart); the caller keeps the memory.
LPDDS DXCreateSurfaceOver(uint8_t *bits, int32_t width, int32_t height, int32_t pitch);
// Releases a surface (null is fine). A held one is only marked, and freed when let go.
void DXReleaseSurface(LPDDS surface);
// A hold keeps a surface's pixels for a reader on another thread (the autosave's writer)
// while its owner may move on: a DXReleaseSurface meanwhile marks it instead of freeing
// it, DXSurfaceReleased tells the reader so (it may stop), and DXLetGoSurface, once the
// reader is done, frees it when it was released. Hold and let go on the owner's thread;
// a surface is held by one reader at a time.
void DXHoldSurface(LPDDS surface);
int DXSurfaceReleased(LPDDS surface);
void DXLetGoSurface(LPDDS surface);
// Writes the create failure code line (and "Out of memory" for 14) and "pdd->CreateSurface() !".
void DXCreateSurfaceError(int32_t result);
// Fills the whole surface with white.
void ClearSurface(LPDDS surface);
// Fills a rectangle (clipped) with a colour 0xRRGGBB.
void DXFillRect(LPDDS surface, int32_t x, int32_t y, int32_t width, int32_t height,
                uint32_t colour);
// Sets the source colour key to the surface's encoding of colour.
void DXSetColorKey(LPDDS surface, uint32_t colour);
// The surface's own encoding of colour (0xFFFFFFFF: just reads pixel (0, 0)).
uint32_t DXMatchColor(LPDDS surface, uint32_t colour);
// The modes of the blits.
enum : int32_t {
    DXBLT_OPAQUE = 1,  // every pixel
    DXBLT_SRCKEY = 2,  // all but the source's key pixels
    DXBLT_DESTKEY = 3, // only onto the destination's key pixels
    DXBLT_CLIPPED = 4, // as DXBLT_SRCKEY, within the destination's rcClip (DXBlt only)
};
// Clipped copy without scaling in a mode of DXBLT_*; DXBLT_CLIPPED keeps within the
// destination's rcClip too. A source rectangle
// that leaves its surface draws nothing: code 5 and the blit's lines go to the trail.
int DXBlt(LPDDS dest, int32_t x, int32_t y, int32_t width, int32_t height, LPDDS src, int32_t srcX,
          int32_t srcY, int32_t mode);
// Clipped nearest-pixel scaled copy of the whole source rectangle into the visible
// part of the target; modes DXBLT_OPAQUE, DXBLT_SRCKEY, DXBLT_DESTKEY (any other is opaque).
int DXStretchBlt(LPDDS dest, int32_t x, int32_t y, int32_t width, int32_t height, LPDDS src,
                 int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight, int32_t mode);
// As DXStretchBlt, mirrored by the effects' bits.
int DXStretchBltFX(LPDDS dest, int32_t x, int32_t y, int32_t width, int32_t height, LPDDS src,
                   int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight, int32_t mode,
                   const DDBLTFX *effects);
// Draws a solid 2-pixel line from (x0, y0) to (x1, y1), clipped to the surface.
void DXDrawLine2(LPDDS surface, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t colour);
// Restores all surfaces and reloads the sprite sheet.
void DXRestoreAll();

// Pixel access: the address of pixel (x, y); no bounds check.
inline uint8_t *DXPixel(LPDDS s, int32_t x, int32_t y)
{
    return s->pBits + static_cast<ptrdiff_t>(y) * s->iPitch + static_cast<ptrdiff_t>(x) * 3;
}
// A pixel as 0xRRGGBB (bounds checked; 0xFFFFFF outside).
uint32_t DXGetPixel(LPDDS s, int32_t x, int32_t y);
// Sets a pixel from 0xRRGGBB (ignored outside).
void DXPutPixel(LPDDS s, int32_t x, int32_t y, uint32_t colour);

// ---- Rotation ------------------------------------------------------------------------

// The rotated bounding size of width × height at angle degrees (π = 3.1416).
void CalcRotatedSize(int32_t width, int32_t height, int32_t angle, int32_t *outWidth,
                     int32_t *outHeight);
// A new white-keyed surface holding the rectangle turned by angle degrees clockwise;
// null on failure. The caller owns it.
LPDDS DXRotateSurface(LPDDS src, int32_t x, int32_t y, int32_t width, int32_t height,
                      int32_t angle);
// The photo turned by a quarter turn (exact) or any angle; progress per row.
LPDDS DXRotatePhoto(LPDDS src, int32_t x, int32_t y, int32_t width, int32_t height, int32_t angle);

// ---- Bitmaps and DIBs ---------------------------------------------------------------------

#pragma pack(push, 1)
struct BITMAPFILEHEADER {
    uint16_t bfType;
    uint32_t bfSize;
    uint16_t bfReserved1;
    uint16_t bfReserved2;
    uint32_t bfOffBits;
};
struct BITMAPINFOHEADER {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};
#pragma pack(pop)

// A decoded bitmap: 24-bit pixels, blue, green, red, rows top-down, pitch 3 × width
// rounded up to 4. Free with DibFreeImage.
struct DIBIMAGE {
    int32_t iWidth;
    int32_t iHeight;
    int32_t iPitch;
    uint8_t *pBits;
    // Optional: the same picture with its straight alpha, 4 bytes a pixel (blue, green,
    // red, alpha), rows 4 × width apart (a sticker made from a picture with transparency).
    uint8_t *pBgra = nullptr;
};

// Decodes a Windows bitmap held in memory (with or without its 14-byte file header):
// 1, 4, 8, 16, 24, 32 bits a pixel; BI_RGB, BI_RLE8, BI_RLE4, BI_BITFIELDS; bottom-up
// and top-down; 12-, 40-, 108- and 124-byte headers. Returns 0 on bad or oversized
// input (nothing read outside `data`); `why` (may be null) receives a short reason.
int DibDecode(const uint8_t *data, size_t size, DIBIMAGE *out, const char **why);
// As DibDecode, refusing bitmaps of more than maxPixels pixels (fuzzing, previews).
int DibDecodeLimit(const uint8_t *data, size_t size, DIBIMAGE *out, const char **why,
                   int64_t maxPixels);
// Frees the pixels of a decoded bitmap.
void DibFreeImage(DIBIMAGE *image);
// The rows of a bitmap in memory when they can serve a surface as they are: uncompressed
// 24 bits a pixel, top-down, rows of the surface pitch ((3 x width + 3) & ~3), all inside
// `data`. Null otherwise (then DibDecode is the way).
const uint8_t *DibRowsInPlace(const uint8_t *data, size_t size, int32_t *width, int32_t *height);

// A new surface holding the bitmap `name` (resource first, then file); null with
// "LoadImage() !" when neither exists.
LPDDS DDLoadBitmap(const char *name, int32_t width, int32_t height);
// As DDLoadBitmap at the bitmap's own size, but a bitmap whose rows can serve as they are
// (DibRowsInPlace) becomes a read-only surface over them, the embedded bytes or the file
// mapped: nothing is decoded or copied.
LPDDS DDLoadSheet(const char *name);
// Draws the bitmap `name` again into an existing surface; DD_OK on success (at once for a
// surface over the bitmap's own rows, which cannot have changed).
int32_t DDReLoadBitmap(LPDDS surface, const char *name);
// Copies the rectangle (x, y, width, height) of a decoded bitmap onto the whole surface,
// scaled to fit (width or height 0: the bitmap's own). DD_OK, DDERR_GENERIC when either
// is missing, DDERR_INVALIDRECT when the rectangle leaves the bitmap.
int32_t DDCopyBitmap(LPDDS surface, const DIBIMAGE *bitmap, int32_t x, int32_t y, int32_t width,
                     int32_t height);
