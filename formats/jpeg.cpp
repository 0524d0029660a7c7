// jpeg.cpp — JPEG photos in, composed pictures out, and the JPEG buffer between.
//
// Decoding and encoding go through libjpeg's 6b interface (version 62) with
// blue-green-red scanlines. A fatal library error jumps back to the routine's recovery
// point, which releases what the routine made and reports the failure; the library's
// own text goes to the developer output only. The functions that hold a recovery
// point keep no C++ objects on their stack, so the jump skips no destructor.
#include <atomic>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <thread>
#include <unistd.h>

#include <jerror.h>
#include <jpeglib.h>

#include "formats/formats.h"
#include "formats/jpegsource.h"
#include "platform/file.h"
#include "platform/memory.h"
#include "platform/platform.h"
#include "platform/trail.h"

static_assert(JPEG_LIB_VERSION == 62, "the 6b interface of libjpeg is expected");

LPDDS gDDSBuffer;
uint8_t *gDDSBufferMem;
void (*gpPhotoRowsDone)(void *, LPDDS, int32_t, int32_t, int32_t);
void *gpPhotoRowsContext;
int64_t gMaxPhotoPixels = MAX_PHOTO_PIXELS;

// A progressive file may hold any number of scans; real ones hold about ten, each going
// through the blocks of one component or of all. A scan costs time for every block it
// covers, even one whose few bytes say "nothing here" for all of them, so the work is
// bounded by the picture's size: the scans together may go through all of its blocks
// kMaxPasses times (every coefficient of every component in a scan of its own is 64),
// and no file may hold more than kMaxScans.
static constexpr int kMaxScans = 1000;
static constexpr int64_t kMaxPasses = 72;

// What a photo's own surfaces hold besides its rows: the screen image (up to the largest
// drawing area) and the rounding of small photos up to the least surface size.
static constexpr int64_t kPhotoFixedBytes = int64_t{16} << 20;

int PhotoSizeAllowed(int64_t width, int64_t height)
{
    if (width < 1 || height < 1)
        return Failf("The photo has no pixels (%lld x %lld).", static_cast<long long>(width),
                     static_cast<long long>(height));
    if (width > MAX_PHOTO_SIDE || height > MAX_PHOTO_SIDE || width * height > gMaxPhotoPixels)
        return Failf("The photo is too large: %lld x %lld pixels (at most %lld pixels, %d a side).",
                     static_cast<long long>(width), static_cast<long long>(height),
                     static_cast<long long>(gMaxPhotoPixels), MAX_PHOTO_SIDE);
    // The picture buffer must hold the photo turned by 45 degrees (pieces are turned in it
    // at export size): that box must be a surface the program can make.
    int32_t bw = 0, bh = 0;
    CalcRotatedSize(static_cast<int32_t>(width), static_cast<int32_t>(height), 45, &bw, &bh);
    if (bw > MAX_SURFACE_SIDE || bh > MAX_SURFACE_SIDE ||
        static_cast<int64_t>(bw) * bh > MAX_SURFACE_PIXELS)
        return Failf("The photo is too large: %lld x %lld pixels (its turned picture would need "
                     "%d x %d, at most %lld pixels).",
                     static_cast<long long>(width), static_cast<long long>(height), bw, bh,
                     static_cast<long long>(MAX_SURFACE_PIXELS));
    return 1;
}

int64_t PhotoSurfaceBytes(int64_t width, int64_t height)
{
    return 3 * W8(static_cast<int32_t>(width)) * height + kPhotoFixedBytes;
}

int PhotoLoadAllowed(int64_t width, int64_t height, int64_t readerBytes)
{
    if (!PhotoSizeAllowed(width, height))
        return 0;
    char what[96];
    std::snprintf(what, sizeof what, "The photo (%lld x %lld pixels)",
                  static_cast<long long>(width), static_cast<long long>(height));
    return MemoryBudgetAllows(PhotoSurfaceBytes(width, height) + readerBytes, what);
}

// ---- The JPEG buffer ------------------------------------------------------------------

// Zero-filled (black) memory for a W8 × H surface and the surface over it.
static LPDDS MakeBufferSurface(int32_t width, int32_t height, int32_t components, uint8_t **memOut)
{
    *memOut = nullptr;
    // The padded rows are what must fit the surface bounds, checked before any allocation.
    if (width < 1 || height < 1 || components != 3 || W8(width) > MAX_SURFACE_SIDE ||
        height > MAX_SURFACE_SIDE ||
        static_cast<int64_t>(W8(width)) * height > MAX_SURFACE_PIXELS) {
        Failf("%d x %d pixels is more than a picture can have", width, height);
        return nullptr;
    }
    const int32_t w8 = W8(width);
    const size_t bytes = static_cast<size_t>(w8) * height * components;
    uint8_t *mem = static_cast<uint8_t *>(PLAT_PixelsAlloc(bytes));
    if (!mem) {
        Fail("Out of Memory");
        return nullptr;
    }
    LPDDS surface = DXCreateSurfaceOver(mem, w8, height, w8 * components);
    if (!surface) {
        PLAT_PixelsFree(mem);
        Fail("Jpeg Buffer");
        return nullptr;
    }
    DXSetColorKey(surface, 0xFFFFFF);
    *memOut = mem;
    return surface;
}

int CreateJpegBuffer(int32_t width, int32_t height)
{
    gDDSBuffer = MakeBufferSurface(width, height, 3, &gDDSBufferMem);
    return gDDSBuffer != nullptr;
}

void ReleaseJpegBuffer()
{
    if (gDDSBuffer)
        DXReleaseSurface(gDDSBuffer);
    gDDSBuffer = nullptr;
    PLAT_PixelsFree(gDDSBufferMem);
    gDDSBufferMem = nullptr;
}

LPDDS CreateJpegBuffer2(int32_t width, int32_t height, int32_t components)
{
    uint8_t *mem;
    return MakeBufferSurface(width, height, components, &mem);
}

void ReleaseJpegBuffer2(LPDDS surface)
{
    if (!surface)
        return;
    uint8_t *mem = surface->pBits;
    DXReleaseSurface(surface);
    PLAT_PixelsFree(mem);
}

int FillBuffer2(LPDDS target, int32_t width, int32_t height, const uint8_t *row, int32_t n)
{
    if (!gDDSBuffer || n < 1 || n > height || gDDSBuffer->iHeight < height ||
        gDDSBuffer->iWidth != W8(width))
        return Fail("No JPEG buffer for this row");
    std::memcpy(DXPixel(gDDSBuffer, 0, n - 1), row, static_cast<size_t>(width) * 3);
    if (n == height && (!target || target->pBits != gDDSBuffer->pBits) &&
        !DXBlt(target, 0, 0, width, height, gDDSBuffer, 0, 0, DXBLT_OPAQUE))
        return Fail("gDDSBuffer -> pImgObj->iiRes[HI_RES_OBJ].DDSSurface !");
    return 1;
}

// ---- Library glue ------------------------------------------------------------------------

struct JpegErr {
    jpeg_error_mgr pub;
    jmp_buf jump;
    void (*pfnStdEmit)(j_common_ptr, int); // the standard error manager's emit_message
};

static void OutputMessage(j_common_ptr cinfo)
{
    char text[JMSG_LENGTH_MAX + 8];
    (*cinfo->err->format_message)(cinfo, text);
    std::strcat(text, "\n");
    PLAT_DebugOutput(text);
}

static void ErrorExit(j_common_ptr cinfo)
{
    (*cinfo->err->output_message)(cinfo);
    std::longjmp(reinterpret_cast<JpegErr *>(cinfo->err)->jump, 1);
}

static void InitErr(JpegErr *err)
{
    jpeg_std_error(&err->pub);
    err->pub.error_exit = ErrorExit;
    err->pub.output_message = OutputMessage;
    err->pfnStdEmit = err->pub.emit_message;
}

// ---- Decoding -------------------------------------------------------------------------------

// CMYK as the decoder gives it, into blue, green, red. Adobe applications store the
// inks inverted (255 = no ink) and mark the file; others store them plainly.
static void CmykToBgr(const uint8_t *src, uint8_t *dst, int32_t width, int inverted)
{
    for (int32_t i = 0; i < width; i++, src += 4, dst += 3) {
        unsigned c = src[0], m = src[1], y = src[2], k = src[3];
        if (!inverted) {
            c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        }
        dst[0] = static_cast<uint8_t>((y * k + 127) / 255);
        dst[1] = static_cast<uint8_t>((m * k + 127) / 255);
        dst[2] = static_cast<uint8_t>((c * k + 127) / 255);
    }
}

struct DecodeState {
    jpeg_decompress_struct cinfo; // its client_data leads back to this state
    JpegErr err;
    jpeg_progress_mgr progress;
    JPEGFILESOURCE source;
    PHOTOTARGET target;
    void *context;
    int32_t orientation;  // EXIF orientation, 1 when upright as stored
    int32_t bSawExif;     // the first Exif segment has been read
    int32_t bIncomplete;  // the file or its picture data ended early
    int32_t iScan;        // the scan whose blocks were last counted
    int64_t iScanWork;    // blocks the scans so far go through
    int64_t iMostWork;    // the most they may
    const char *pszStop;  // why the decoder was stopped, for the trail
    int32_t fitW, fitH;   // JpegLoadScaled: the upright size the picture must cover
    int32_t fullW, fullH; // the photo's own upright size
    // A decode on a thread of its own (JpegFullStart): into quietDest, which must be of
    // expectW × expectH upright, with no trail, progress or row hook; the reason of a
    // failure goes to szQuietError. It stops when *cancel is set.
    int32_t quiet;
    int32_t expectW, expectH;
    LPDDS quietDest;
    const std::atomic<int> *cancel;
    char szQuietError[JMSG_LENGTH_MAX + 64];
    uint8_t exif[65535]; // the Exif segment's payload
};

// A failure: into the trail, or the quiet decode's own text (the first one kept).
static int Stop(DecodeState *st, const char *text)
{
    if (!st->quiet)
        return Fail(text);
    if (!st->szQuietError[0])
        std::snprintf(st->szQuietError, sizeof st->szQuietError, "%s", text);
    return 0;
}

static DecodeState *StateOf(j_common_ptr cinfo)
{
    return static_cast<DecodeState *>(cinfo->client_data);
}

// Notes a warning that the file or its picture data ended before the picture.
static void EmitMessage(j_common_ptr cinfo, int level)
{
    const int code = cinfo->err->msg_code;
    if (level < 0 && (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER))
        StateOf(cinfo)->bIncomplete = 1;
    reinterpret_cast<JpegErr *>(cinfo->err)->pfnStdEmit(cinfo, level);
}

// Counts the blocks of each scan as it starts and stops a file whose scans would go
// through its blocks more often than any photo needs, or that has too many scans.
static void CountScans(j_common_ptr cinfo)
{
    auto *d = reinterpret_cast<j_decompress_ptr>(cinfo);
    DecodeState *st = StateOf(cinfo);
    if (!d->is_decompressor || d->input_scan_number == st->iScan)
        return;
    st->iScan = d->input_scan_number;
    for (int i = 0; i < d->comps_in_scan; i++)
        st->iScanWork += static_cast<int64_t>(d->cur_comp_info[i]->width_in_blocks) *
                         d->cur_comp_info[i]->height_in_blocks;
    if (st->iScan > kMaxScans || st->iScanWork > st->iMostWork) {
        st->pszStop = "The JPEG file holds more scans than a picture of its size needs.";
        std::longjmp(st->err.jump, 1);
    }
}

// Copies the next n bytes of the marker being read to `to` (null passes over them). The
// source never suspends: past the end of the file it gives the end-of-image marker it
// makes up.
static void MarkerBytes(j_decompress_ptr cinfo, uint8_t *to, size_t n)
{
    jpeg_source_mgr *src = cinfo->src;
    while (n > 0) {
        if (src->bytes_in_buffer == 0)
            (*src->fill_input_buffer)(cinfo);
        const size_t k = n < src->bytes_in_buffer ? n : src->bytes_in_buffer;
        if (to) {
            std::memcpy(to, src->next_input_byte, k);
            to += k;
        }
        src->next_input_byte += k;
        src->bytes_in_buffer -= k;
        n -= k;
    }
}

// An APP1 segment: the first Exif one is read for the orientation, every other passed
// over unread. None is kept, so a file of many segments costs no more than its length.
static boolean ReadApp1(j_decompress_ptr cinfo)
{
    DecodeState *st = StateOf(reinterpret_cast<j_common_ptr>(cinfo));
    uint8_t head[2];
    MarkerBytes(cinfo, head, 2);
    const size_t length = static_cast<size_t>(head[0] << 8 | head[1]);
    if (length <= 2)
        return TRUE;
    const size_t n = length - 2;
    static const uint8_t kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
    size_t read = 0;
    if (!st->bSawExif && n >= sizeof kExif) {
        MarkerBytes(cinfo, st->exif, sizeof kExif);
        read = sizeof kExif;
        if (std::memcmp(st->exif, kExif, sizeof kExif) == 0) {
            MarkerBytes(cinfo, st->exif + read, n - read);
            read = n;
            st->bSawExif = 1;
            st->orientation = ExifOrientation(st->exif, n);
        }
    }
    MarkerBytes(cinfo, nullptr, n - read);
    return TRUE;
}

// The bytes the decoder holds besides the photo: for a file of several scans (progressive,
// or one component a scan) the whole picture's coefficients, 128 bytes a block, and its
// row buffers, which grow with the width.
static int64_t DecoderBytes(j_decompress_ptr cinfo)
{
    int64_t bytes = static_cast<int64_t>(cinfo->output_width) * 1024 + (int64_t{16} << 20);
    if (jpeg_has_multiple_scans(cinfo)) {
        for (int i = 0; i < cinfo->num_components; i++) {
            const jpeg_component_info &c = cinfo->comp_info[i];
            const int64_t w = (c.width_in_blocks + c.h_samp_factor - 1) / c.h_samp_factor;
            const int64_t h = (c.height_in_blocks + c.v_samp_factor - 1) / c.v_samp_factor;
            bytes +=
                w * c.h_samp_factor * h * c.v_samp_factor * static_cast<int64_t>(sizeof(JBLOCK));
        }
    }
    return bytes;
}

// All blocks of the picture, every component's.
static int64_t PictureBlocks(j_decompress_ptr cinfo)
{
    int64_t blocks = 0;
    for (int i = 0; i < cinfo->num_components; i++)
        blocks += static_cast<int64_t>(cinfo->comp_info[i].width_in_blocks) *
                  cinfo->comp_info[i].height_in_blocks;
    return blocks;
}

// Where stored pixel (x, y) of a w × h photo goes when it is turned upright.
static void Upright(int32_t orientation, int32_t x, int32_t y, int32_t w, int32_t h, int32_t *ux,
                    int32_t *uy)
{
    switch (orientation) {
    case 2:
        *ux = w - 1 - x, *uy = y;
        break; // mirrored
    case 3:
        *ux = w - 1 - x, *uy = h - 1 - y;
        break; // half turn
    case 4:
        *ux = x, *uy = h - 1 - y;
        break; // mirrored top to bottom
    case 5:
        *ux = y, *uy = x;
        break; // mirrored along the diagonal
    case 6:
        *ux = h - 1 - y, *uy = x;
        break; // a quarter turn clockwise
    case 7:
        *ux = h - 1 - y, *uy = w - 1 - x;
        break; // mirrored along the other diagonal
    case 8:
        *ux = y, *uy = w - 1 - x;
        break; // a quarter turn anticlockwise
    default:
        *ux = x, *uy = y;
        break;
    }
}

// Reads the header and checks the size; 0 when the photo is refused.
static int StartDecode(DecodeState *st)
{
    jpeg_decompress_struct *cinfo = &st->cinfo;
    JpegFileSource(cinfo, &st->source);
    st->orientation = 1;
    jpeg_set_marker_processor(cinfo, JPEG_APP0 + 1, ReadApp1); // EXIF: how the photo is turned
    jpeg_read_header(cinfo, TRUE);
    const int cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
    jpeg_calc_output_dimensions(cinfo);
    const int32_t w = cinfo->output_width, h = cinfo->output_height;
    const bool sideways = st->orientation >= 5;
    st->fullW = sideways ? h : w;
    st->fullH = sideways ? w : h;
    if (st->quiet) {
        // Read again behind its screen-sized picture: it must be the photo that was.
        if (st->fullW != st->expectW || st->fullH != st->expectH)
            return Stop(st, "The file changed while it was being opened.");
    } else if (!PhotoSizeAllowed(w, h)) {
        return 0;
    }
    // Counted at full size: the full decode follows a scaled one.
    const int64_t decoderBytes = DecoderBytes(cinfo);
    if (!st->quiet && !PhotoLoadAllowed(w, h, decoderBytes))
        return 0;
    // The library may not take more than was counted (it fails instead).
    cinfo->mem->max_memory_to_use = static_cast<long>(decoderBytes);
    st->iMostWork = kMaxPasses * PictureBlocks(cinfo);
    if (st->fitW > 0 && st->fitH > 0) {
        // The smallest of the fast scales whose picture still covers the fit, stored
        // sides against the upright fit.
        const int64_t needW = sideways ? st->fitH : st->fitW,
                      needH = sideways ? st->fitW : st->fitH;
        for (int denom = 8; denom >= 2; denom /= 2)
            if ((w + denom - 1) / denom >= needW && (h + denom - 1) / denom >= needH) {
                cinfo->scale_num = 1;
                cinfo->scale_denom = static_cast<unsigned>(denom);
                jpeg_calc_output_dimensions(cinfo);
                break;
            }
    }
    jpeg_start_decompress(cinfo);
    return 1;
}

// The row loop. Upright colour photos decode straight into the target's rows, several
// rows a call; CMYK and stored-turned photos go through one scratch row. 0 on failure.
static int ReadRows(DecodeState *st, LPDDS dest)
{
    jpeg_decompress_struct *cinfo = &st->cinfo;
    const int32_t w = cinfo->output_width, h = cinfo->output_height;
    const int cmyk = cinfo->out_color_space == JCS_CMYK;
    const int direct = !cmyk && st->orientation == 1;
    JSAMPARRAY row =
        direct ? nullptr
               : (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                             w * cinfo->output_components, 1);
    JSAMPARRAY bgr = cmyk ? (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo),
                                                        JPOOL_IMAGE, w * 3, 1)
                          : row;
    const int report = !st->quiet; // status, progress and the row hook
    if (report) {
        PLAT_SetStatusText(0, "Opening...");
        PLAT_ProgressSetRange(0, h);
        PLAT_ProgressSetStep(1);
    }
    constexpr int kRows = 16; // what the decoder gives a call at most (2 × 8-row blocks)
    JSAMPROW rows[kRows];
    while (cinfo->output_scanline < cinfo->output_height) {
        const int32_t y = static_cast<int32_t>(cinfo->output_scanline);
        if (st->cancel && st->cancel->load(std::memory_order_relaxed))
            return Stop(st, "The decode was stopped.");
        if (direct) {
            const int32_t n = h - y < kRows ? h - y : kRows;
            for (int32_t i = 0; i < n; i++)
                rows[i] = DXPixel(dest, 0, y + i);
            const JDIMENSION got = jpeg_read_scanlines(cinfo, rows, static_cast<JDIMENSION>(n));
            if (got == 0)
                return Stop(st, "Error 1");
            for (JDIMENSION i = 0; report && i < got; i++)
                PLAT_ProgressStepIt();
            if (report && gpPhotoRowsDone)
                gpPhotoRowsDone(gpPhotoRowsContext, dest, w, h, y + static_cast<int32_t>(got));
            continue;
        }
        if (report)
            PLAT_ProgressStepIt();
        if (jpeg_read_scanlines(cinfo, row, 1) != 1)
            return Stop(st, "Error 1");
        if (cmyk)
            CmykToBgr(row[0], bgr[0], w, cinfo->saw_Adobe_marker);
        if (st->orientation == 1) {
            std::memcpy(DXPixel(dest, 0, y), bgr[0], static_cast<size_t>(w) * 3);
            continue;
        }
        // Each stored pixel straight to its upright place.
        for (int32_t x = 0; x < w; x++) {
            int32_t ux, uy;
            Upright(st->orientation, x, y, w, h, &ux, &uy);
            std::memcpy(DXPixel(dest, ux, uy), bgr[0] + 3 * x, 3);
        }
    }
    if (report && gpPhotoRowsDone) {
        const bool sideways = st->orientation >= 5;
        gpPhotoRowsDone(gpPhotoRowsContext, dest, sideways ? h : w, sideways ? w : h,
                        sideways ? w : h);
    }
    return 1;
}

static int DecodeJpeg(DecodeState *st, PHOTOINFO *info)
{
    jpeg_decompress_struct *cinfo = &st->cinfo;
    InitErr(&st->err);
    st->err.pub.emit_message = EmitMessage;
    if (st->quiet)
        st->err.pub.output_message = [](j_common_ptr) {}; // no developer output off the main thread
    cinfo->err = &st->err.pub;
    if (setjmp(st->err.jump)) {
        if (st->quiet) {
            char text[JMSG_LENGTH_MAX];
            (*cinfo->err->format_message)(reinterpret_cast<j_common_ptr>(cinfo), text);
            Stop(st, st->pszStop ? st->pszStop : text);
            jpeg_destroy_decompress(cinfo);
            return 0;
        }
        jpeg_destroy_decompress(cinfo);
        if (st->pszStop)
            Fail(st->pszStop);
        return Fail("Error 1");
    }
    jpeg_create_decompress(cinfo);
    cinfo->client_data = st;
    st->progress.progress_monitor = CountScans;
    cinfo->progress = &st->progress;

    int ok = StartDecode(st);
    if (ok) {
        const int32_t w = cinfo->output_width, h = cinfo->output_height;
        const bool sideways = st->orientation >= 5; // upright, width and height swap
        // Grey and CMYK arrive as 3 components; every pixel of the photo is written.
        *info = {sideways ? h : w, sideways ? w : h, 3, 1, 0, st->fullW, st->fullH};
        LPDDS dest = st->quiet ? st->quietDest : PhotoTargetSurface(st->target, st->context, info);
        if (!dest)
            ok = 0;
        else {
            ok = ReadRows(st, dest);
            if (cinfo->output_scanline == cinfo->output_height)
                jpeg_finish_decompress(cinfo);
            info->bIncomplete = st->bIncomplete;
        }
    }
    jpeg_destroy_decompress(cinfo);
    return ok;
}

// JpegLoad and JpegLoadScaled: with fd, a file decoded smaller stays open for its full decode.
static int LoadFile(const char *path, int32_t fitW, int32_t fitH, PHOTOTARGET target, void *context,
                    PHOTOINFO *info, int *fd)
{
    DecodeState *st = static_cast<DecodeState *>(std::calloc(1, sizeof(DecodeState)));
    if (!st)
        return Fail("Out of memory!");
    st->source.fd = PLAT_FileOpen(path, O_RDONLY | O_CLOEXEC);
    if (st->source.fd < 0) {
        const int error = errno;
        std::free(st);
        return Failf("can't open %s (%s)", path, PLAT_FileErrorText(error));
    }
    st->target = target;
    st->context = context;
    st->fitW = fitW;
    st->fitH = fitH;
    int ok = DecodeJpeg(st, info);
    if (!ok && st->source.error)
        Failf("can't read %s (%s)", path, std::strerror(st->source.error));
    if (!ok && gpPhotoRowsDone)
        gpPhotoRowsDone(gpPhotoRowsContext, nullptr, 0, 0, -1); // no more rows will come
    const bool smaller = ok && (info->iWidth < st->fullW || info->iHeight < st->fullH);
    if (smaller && fd) {
        if (::lseek(st->source.fd, 0, SEEK_SET) == 0)
            *fd = st->source.fd;
        else
            ok = Failf("can't read %s (%s)", path, std::strerror(errno));
    }
    if (!fd || *fd < 0)
        PLAT_FileClose(st->source.fd); // only read: a failed close loses nothing
    std::free(st);
    return ok;
}

int JpegLoad(const char *path, PHOTOTARGET target, void *context, PHOTOINFO *info)
{
    return LoadFile(path, 0, 0, target, context, info, nullptr);
}

int JpegLoadScaled(const char *path, int32_t fitWidth, int32_t fitHeight, PHOTOTARGET target,
                   void *context, PHOTOINFO *info, int *fd)
{
    *fd = -1;
    return LoadFile(path, fitWidth < 1 ? 1 : fitWidth, fitHeight < 1 ? 1 : fitHeight, target,
                    context, info, fd);
}

// ---- The full decode behind the screen-sized picture ----------------------------------

struct JPEGFULLJOB {
    std::thread thread;
    std::atomic<int> done{0};
    std::atomic<int> cancel{0};
    int ok = 0; // read once done
    int fd = -1;
    LPDDS dest = nullptr;
    int32_t width = 0, height = 0;
    char error[JMSG_LENGTH_MAX + 96] = "";
};

// The thread: the whole file decoded quietly into the job's surface.
static void RunFullDecode(JPEGFULLJOB *job)
{
    DecodeState *st = static_cast<DecodeState *>(std::calloc(1, sizeof(DecodeState)));
    if (!st) {
        std::snprintf(job->error, sizeof job->error, "Out of memory!");
    } else {
        st->source.fd = job->fd;
        st->quiet = 1;
        st->expectW = job->width;
        st->expectH = job->height;
        st->quietDest = job->dest;
        st->cancel = &job->cancel;
        PHOTOINFO info = {};
        job->ok = DecodeJpeg(st, &info);
        if (!job->ok) {
            char why[160] = "", text[128];
            if (st->source.error) // strerror_r: strerror is not for threads
                std::snprintf(why, sizeof why, " (%s)",
                              strerror_r(st->source.error, text, sizeof text));
            std::snprintf(job->error, sizeof job->error, "%s%s",
                          st->szQuietError[0] ? st->szQuietError : "Error 1", why);
        }
        std::free(st);
    }
    job->done.store(1, std::memory_order_release);
}

JPEGFULLJOB *JpegFullStart(int fd, LPDDS dest, int32_t width, int32_t height)
{
    if (fd < 0)
        return nullptr;
    if (!dest || dest->iWidth < width || dest->iHeight < height || width < 1 || height < 1) {
        PLAT_FileClose(fd);
        Fail("The photo's surface is too small");
        return nullptr;
    }
    JPEGFULLJOB *job = new (std::nothrow) JPEGFULLJOB;
    if (!job) {
        PLAT_FileClose(fd);
        Fail("Out of memory!");
        return nullptr;
    }
    job->fd = fd;
    job->dest = dest;
    job->width = width;
    job->height = height;
    try {
        job->thread = std::thread(RunFullDecode, job);
    } catch (...) {
        PLAT_FileClose(fd);
        delete job;
        Fail("No thread for the photo's decode");
        return nullptr;
    }
    return job;
}

int JpegFullDone(const JPEGFULLJOB *job)
{
    return job && job->done.load(std::memory_order_acquire);
}

int JpegFullFinish(JPEGFULLJOB *job, int cancel)
{
    if (!job)
        return 0;
    if (cancel)
        job->cancel.store(1, std::memory_order_relaxed);
    job->thread.join();
    PLAT_FileClose(job->fd); // only read: a failed close loses nothing
    const int ok = job->ok && !cancel;
    if (!ok && !cancel)
        Fail(job->error);
    delete job;
    return ok;
}

// ---- Encoding -------------------------------------------------------------------------------

struct EncodeState {
    jpeg_compress_struct cinfo;
    JpegErr err;
    FILE *fp;
    char szError[JMSG_LENGTH_MAX + 32];
};

// Encodes into st->fp. With `wait`, rows are asked for before they are read (another
// thread may still be writing later ones) and nothing is reported to the platform or
// the trail: the failure text goes to st->szError. 0 on failure.
static int EncodeJpeg(EncodeState *st, const uint8_t *pixels, size_t stride, int32_t width,
                      int32_t height, int32_t quality, const JPEGROWWAIT *wait)
{
    jpeg_compress_struct *cinfo = &st->cinfo;
    InitErr(&st->err);
    if (wait)
        st->err.pub.output_message = [](j_common_ptr) {}; // no developer output off the main thread
    cinfo->err = &st->err.pub;
    if (setjmp(st->err.jump)) {
        char text[JMSG_LENGTH_MAX];
        (*cinfo->err->format_message)(reinterpret_cast<j_common_ptr>(cinfo), text);
        jpeg_destroy_compress(cinfo);
        std::snprintf(st->szError, sizeof st->szError, "Can't write file (%s)", text);
        return wait ? 0 : Fail(st->szError);
    }
    jpeg_create_compress(cinfo);
    jpeg_stdio_dest(cinfo, st->fp);
    cinfo->image_width = width;
    cinfo->image_height = height;
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, quality, TRUE);
    jpeg_start_compress(cinfo, TRUE);

    if (!wait) {
        PLAT_ProgressSetPos(0);
        PLAT_SetStatusText(0, "Saving...");
        PLAT_ProgressSetRange(0, height);
        PLAT_ProgressSetStep(1);
    }
    constexpr JDIMENSION kRows = 16; // one 4:2:0 block row a call
    JSAMPROW rows[kRows];
    while (cinfo->next_scanline < cinfo->image_height) {
        const JDIMENSION y = cinfo->next_scanline;
        const JDIMENSION n = cinfo->image_height - y < kRows ? cinfo->image_height - y : kRows;
        if (wait && !wait->pfnWait(wait->pContext, static_cast<int32_t>(y + n))) {
            jpeg_destroy_compress(cinfo);
            std::snprintf(st->szError, sizeof st->szError, "The picture was not finished");
            return 0;
        }
        for (JDIMENSION i = 0; i < n; i++) {
            rows[i] = const_cast<JSAMPROW>(pixels + (y + i) * stride);
            if (!wait)
                PLAT_ProgressStepIt();
        }
        jpeg_write_scanlines(cinfo, rows, n);
    }
    jpeg_finish_compress(cinfo);
    jpeg_destroy_compress(cinfo);
    return 1;
}

int JpegWriteRows(FILE *fp, const uint8_t *pixels, size_t stride, int32_t width, int32_t height,
                  int32_t quality, const JPEGROWWAIT *wait, char *error, size_t errorSize)
{
    EncodeState *st = static_cast<EncodeState *>(std::calloc(1, sizeof(EncodeState)));
    int ok = st != nullptr;
    if (st) {
        st->fp = fp;
        ok = EncodeJpeg(st, pixels, stride, width, height, quality, wait);
        if (!ok)
            std::snprintf(error, errorSize, "%s", st->szError);
        std::free(st);
    } else {
        std::snprintf(error, errorSize, "Out of memory!");
    }
    return ok;
}

int JpegSave(const uint8_t *pixels, const char *name, int32_t width, int32_t height,
             int32_t components, int32_t quality)
{
    if (components != 3 || width < 1)
        return Fail("JpegSave: nothing to save");
    return JpegSaveRows(pixels, static_cast<size_t>(W8(width)) * 3, name, width, height, quality);
}

int JpegSaveRows(const uint8_t *pixels, size_t stride, const char *name, int32_t width,
                 int32_t height, int32_t quality)
{
    if (!pixels || !name || !*name || width < 1 || height < 1 ||
        stride < static_cast<size_t>(width) * 3)
        return Fail("JpegSave: nothing to save");
    if (quality == 0)
        quality = 90;
    SAFEFILE file;
    if (!SafeFileOpen(name, &file))
        return PLAT_FileFail("Can't open file", name, errno);
    EncodeState *st = static_cast<EncodeState *>(std::calloc(1, sizeof(EncodeState)));
    int ok = st != nullptr;
    if (!st)
        Fail("Out of memory!");
    if (ok) {
        st->fp = file.pFile;
        ok = EncodeJpeg(st, pixels, stride, width, height, quality, nullptr);
        std::free(st);
        // A write that failed on the way: the file and the system's reason.
        if (!ok && std::ferror(file.pFile))
            PLAT_FileFail("Can't write file", name, errno ? errno : EIO);
    }
    // The data reaches the disk before the new file replaces the old one.
    if (!ok)
        SafeFileAbort(&file);
    else if (!SafeFileCommit(&file))
        ok = PLAT_FileFail("Can't write file", name, errno);
    return ok;
}
