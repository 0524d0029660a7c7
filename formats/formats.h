// formats.h — photos in and pictures out: JPEG, bitmap, PNG and WebP import; JPEG, PNG
// and WebP export.
//
// Decoders know nothing of the picture: they read the photo's size, ask their caller
// for a surface of that size, and decode into it.
//
// Pixel buffers exchanged here hold 3 bytes a pixel in blue, green, red order, rows
// top-down with a stride of 3 × W8 bytes, W8 being the width rounded up to a multiple
// of 8; the padding bytes stay black. JPEG coding goes through libjpeg's 6b interface
// with blue-green-red scanlines, so rows cross it without reordering. Routines append
// to the error trail (platform/trail.h) and return 0 on failure.
#pragma once

#include <cstdint>
#include <cstdio>

#include "pixels/pixels.h"

// The width rounded up to a multiple of 8.
inline int32_t W8(int32_t n)
{
    return n % 8 == 0 ? n : (n / 8) * 8 + 8;
}

// Photo limits: a photo is refused, before anything is allocated, when a side exceeds
// MAX_PHOTO_SIDE, width × height exceeds gMaxPhotoPixels (default 200 megapixels; tests
// and fuzzers may lower it), its 45-degree box, which the picture buffer must hold,
// exceeds the largest surface (MAX_SURFACE_PIXELS), or reading it would take more than
// the memory budget (platform/memory.h).
constexpr int32_t MAX_PHOTO_SIDE = 32768;
constexpr int64_t MAX_PHOTO_PIXELS = 200LL * 1000 * 1000;
extern int64_t gMaxPhotoPixels;
// 1 when a photo of width × height may be loaded; otherwise 0 with a trail line that
// gives the size and the limit.
int PhotoSizeAllowed(int64_t width, int64_t height);
// The bytes a loaded photo's own surfaces hold: 3 × W8(width) × height and a fixed part
// (its screen image, the smallest surface sizes).
int64_t PhotoSurfaceBytes(int64_t width, int64_t height);
// PhotoSizeAllowed, and the photo's surfaces with `readerBytes` (what its reader holds
// besides: whole-picture buffers, the file when it is read whole) within the memory
// budget. 0 with a trail line that names the size. Readers count their bytes from a size
// that PhotoSizeAllowed has passed, so the count cannot overflow.
int PhotoLoadAllowed(int64_t width, int64_t height, int64_t readerBytes);

// ---- The JPEG buffer ---------------------------------------------------------------
// gDDSBuffer: a W8 × H surface, white colour key, over zero-filled (black) memory held
// in gDDSBufferMem, through which rows handed over one at a time (FillBuffer2) reach a
// photo. JpegLoad needs none: it decodes straight into the photo's own rows.
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
// Copies decoded row n (1-based, 3 × width bytes) of a width × height photo into the
// JPEG buffer; after the last row copies the buffer into `target` (nothing to copy when
// the buffer lies over it).
int FillBuffer2(LPDDS target, int32_t width, int32_t height, const uint8_t *row, int32_t n);

// ---- Photos --------------------------------------------------------------------------
// File types by name: the extension from the last dot (after the last separator), case
// ignored; only its first characters count, so ".jpgx" is a JPEG and ".mwix" a layout.
enum : int32_t {
    FILETYPE_NONE = 0,
    FILETYPE_JPEG = 1,
    FILETYPE_BITMAP = 2,
    FILETYPE_LAYOUT = 3,
    FILETYPE_PNG = 4,  // ".png"
    FILETYPE_WEBP = 5, // ".webp"
};
int32_t FileTypeOf(const char *name);
// Whether a file type is a photo this program opens (JPEG, bitmap, PNG, WebP).
int IsPhotoType(int32_t type);

// A photo's size as its decoder reports it; components is always 3 (blue, green, red).
struct PHOTOINFO {
    int32_t iWidth;
    int32_t iHeight;
    int32_t iComponents;
    int32_t bFillsAll; // the decoder writes every pixel of the photo (none is left as made)
    // The file ended, or its picture data did, before the whole picture: what was there
    // is shown and the rest is grey. Set by the JPEG decoder (the others refuse such files).
    int32_t bIncomplete;
    // The photo's own upright size when it was decoded smaller (JpegLoadScaled); 0 or
    // iWidth × iHeight otherwise.
    int32_t iFullWidth, iFullHeight;
};
// Asked by a decoder once the photo's size is known and allowed: returns the surface
// the rows go into (at least iWidth × iHeight), or null with the trail filled to stop.
typedef LPDDS (*PHOTOTARGET)(void *context, const PHOTOINFO *info);

// The decoders' call of the target: its surface, or null when it gives none (its trail
// stands) or one smaller than the photo ("The photo's surface is too small").
LPDDS PhotoTargetSurface(PHOTOTARGET target, void *context, const PHOTOINFO *info);

// Decodes a JPEG file into the surface `target` gives, rows top-down from (0, 0);
// grayscale, CMYK and YCCK files arrive as blue, green, red. "Opening..." progress.
// Fills *info. 0 on failure (the target may then hold part of the photo).
int JpegLoad(const char *path, PHOTOTARGET target, void *context, PHOTOINFO *info);
// JpegLoad at the smallest of 1/8, 1/4 and 1/2 of the photo's size that still covers
// fitWidth × fitHeight upright (full size when none does), with every check JpegLoad makes
// of the full size; info->iFullWidth × iFullHeight is the photo's own size. When it was
// decoded smaller, *fd is the file, still open and rewound, for JpegFullStart; else -1.
int JpegLoadScaled(const char *path, int32_t fitWidth, int32_t fitHeight, PHOTOTARGET target,
                   void *context, PHOTOINFO *info, int *fd);
// The full-resolution decode of a JPEG on a thread of its own, behind its screen-sized
// picture. It touches only the file, `dest` and its own memory: no trail, no progress.
struct JPEGFULLJOB;
// Starts decoding the JPEG open on fd (taken over) into `dest`, which holds at least
// width × height, the upright size JpegLoadScaled gave. Null with the trail filled (fd
// closed) when no thread can be had.
JPEGFULLJOB *JpegFullStart(int fd, LPDDS dest, int32_t width, int32_t height);
// Whether the decode has ended (JpegFullFinish will not wait).
int JpegFullDone(const JPEGFULLJOB *job);
// Waits for the decode, closes the file and frees the job: 1 when `dest` holds the photo,
// else 0 with the reason in the trail. With `cancel` the decode stops at its next rows
// and 0 is returned with the trail untouched.
int JpegFullFinish(JPEGFULLJOB *job, int cancel);
// The width and height a Windows bitmap's header declares (with or without its file
// header; the first 26 bytes tell); 0 when there is no header to read.
int BitmapPeekSize(const uint8_t *data, size_t size, int64_t *width, int64_t *height);
// Loads a ".bmp", ".dib" or ".rle" file (any DibDecode format) likewise.
int BitmapLoad(const char *path, PHOTOTARGET target, void *context, PHOTOINFO *info);
// Loads a PNG file (any bit depth, palette, grey; alpha laid over white) likewise.
int PngLoad(const char *path, PHOTOTARGET target, void *context, PHOTOINFO *info);
// Loads a still WebP file (lossy or lossless; alpha laid over white) likewise.
int WebpLoad(const char *path, PHOTOTARGET target, void *context, PHOTOINFO *info);
// The loader of the name's type, adding "JpegLoad() failed!", "BitmapLoad() failed!",
// "PngLoad() failed!" or "WebpLoad() failed!" when it fails; any other type is refused
// with "You've choosen an invalid file extension."
int PhotoLoad(const char *path, PHOTOTARGET target, void *context, PHOTOINFO *info);
// A whole photo file read into memory (malloc'd, the caller frees it): a regular file of
// at least 2 and at most maxBytes bytes. Null with the trail filled.
uint8_t *ReadPhotoFile(const char *path, int64_t maxBytes, size_t *size);
// Lays width × height BGRA pixels (rows `stride` bytes apart, alpha not premultiplied)
// over white into the surface's top-left corner.
void BgraOverWhite(const uint8_t *bgra, size_t stride, LPDDS dest, int32_t width, int32_t height);
// The EXIF orientation (1 to 8) of a JPEG's APP1 segment payload ("Exif\0\0" and a TIFF
// header); 1 when there is none or it cannot be read.
int32_t ExifOrientation(const uint8_t *app1, size_t size);
// Encodes W × H pixels (stride 3 × W8) as a baseline JPEG file; quality 0 means 90.
// Saves through SafeFileOpen: a failed save leaves any earlier file untouched, and a
// read-only file or a missing folder is refused with "Can't open file". "Saving..."
// progress.
int JpegSave(const uint8_t *pixels, const char *name, int32_t width, int32_t height,
             int32_t components, int32_t quality);
// As JpegSave, for rows `stride` bytes apart (a surface's own rows).
int JpegSaveRows(const uint8_t *pixels, size_t stride, const char *name, int32_t width,
                 int32_t height, int32_t quality);
// The quality of a JPEG or WebP picture written when none is asked for.
constexpr int32_t PICTURE_DEFAULT_QUALITY = 90;
// The composed picture (rows `stride` bytes apart, blue, green, red) as a lossless PNG file,
// through SafeFileOpen like JpegSave. 0 with the trail filled.
int PngSaveRows(const uint8_t *pixels, size_t stride, const char *name, int32_t width,
                int32_t height);
// Likewise as a lossy WebP file at quality 1 to 100 (anything else means 90); a side above
// 16383 pixels, WebP's limit, is refused.
int WebpSaveRows(const uint8_t *pixels, size_t stride, const char *name, int32_t width,
                 int32_t height, int32_t quality);
// The writer the name's type asks for: ".png" PNG, ".webp" WebP, any other name JPEG.
int PictureSaveRows(const uint8_t *pixels, size_t stride, const char *name, int32_t width,
                    int32_t height, int32_t quality);
// Encoding on a thread of its own while the rows are still being made: pfnWait blocks
// until the first `rows` rows are final and returns 1, or returns 0 to give up.
struct JPEGROWWAIT {
    int (*pfnWait)(void *context, int32_t rows);
    void *pContext;
};
// Encodes into an open file, asking `wait` before each group of rows; touches neither the
// trail nor the platform (the failure text goes to `error`). 0 on failure.
int JpegWriteRows(FILE *fp, const uint8_t *pixels, size_t stride, int32_t width, int32_t height,
                  int32_t quality, const JPEGROWWAIT *wait, char *error, size_t errorSize);
// A JPEG file encoded on a second thread while its rows are still being made (rows
// `stride` bytes apart, width × height, quality 0 meaning 90). Start opens the output
// through SafeFileOpen and starts the encoder: null with the trail filled ("Can't open
// file") when the file cannot be written. "Saving..." progress.
struct JPEGBEHIND;
JPEGBEHIND *JpegBehindStart(const char *name, const uint8_t *pixels, size_t stride, int32_t width,
                            int32_t height, int32_t quality);
// The first `rows` rows are final: the encoder may read them.
void JpegBehindRows(JPEGBEHIND *job, int32_t rows);
// Ends the job (freed): with `ok`, the rest of the rows are final, the encoder finishes
// and the file replaces `name`; without, the encoder gives up and any earlier file stays.
// 1 when the file was written; else 0 with the trail filled (given up: nothing added).
int JpegBehindFinish(JPEGBEHIND *job, int ok, const char *name);
// Told by JpegLoad, when set, how many rows of the photo in `surface` (width × height
// upright) are final: after every group of rows decoded in place, and all at the end;
// -1 when the load failed (the surface is about to be freed: stop reading it first).
extern void (*gpPhotoRowsDone)(void *context, LPDDS surface, int32_t width, int32_t height,
                               int32_t rows);
extern void *gpPhotoRowsContext;

// ---- Saving without losing the earlier file ------------------------------------------
// A save writes a temporary file beside its target and renames it over the target once
// the data is on disk. The target is the end of a chain of symbolic links, so a link
// stays a link; an existing target keeps its permission bits (and owner, where allowed).
// The temporary name is short, so a target name near the 255-byte limit still saves.
struct SAFEFILE {
    FILE *pFile;         // open for writing while the save runs (through platform/file.h)
    int iFd;             // its descriptor
    char szTemp[4096];   // the temporary file
    char szTarget[4096]; // the file that is replaced
    uint32_t dwMode;     // permission bits the saved file gets
};
// Opens the temporary file for a save to `path`. 0 when the target cannot be written
// (read-only, a folder, a missing folder, a link loop); nothing is created then and the
// trail is untouched: the caller adds its own line.
int SafeFileOpen(const char *path, SAFEFILE *file);
// Flushes and syncs the temporary file, closes it and renames it over the target. 0 on
// any failure (errno telling why), with the temporary file removed and the target as it
// was.
int SafeFileCommit(SAFEFILE *file);
// Closes and removes the temporary file (a save that failed on the way).
void SafeFileAbort(SAFEFILE *file);
