// exportcmd.cpp — the headless export command.
//
// Sets up only what the picture needs (for a layout: the text area and the sprite sheet
// with the bubble fonts), makes the objects directly instead of through the interactive
// open flow (which would redraw the window): a photo, or a layout file's photo and
// pieces (clip art from the data folder). At the photo's own size the pieces are
// composed onto the photo itself and its rows are encoded where they are; at another
// size a new picture is composed. A JPEG is encoded while the pieces are composed. The output's
// name chooses PNG, WebP or JPEG; every writer leaves an existing output file alone on failure.
#include "shell/exportcmd.h"

#include <cctype>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "document/layout.h"
#include "formats/formats.h"
#include "picture/ao.h"
#include "picture/compose.h"
#include "picture/imgobj.h"
#include "picture/text.h"
#include "platform/file.h"
#include "platform/platform.h"
#include "platform/trail.h"
#include "resources/strings/strings.h"

#ifndef MW_VERSION
#define MW_VERSION "1.01"
#endif

static const char kUsage[] =
    "Usage: merrowick [FILE] [/EN | /SE]\n"
    "       merrowick --export INPUT OUTPUT [--size WIDTHxHEIGHT] [--quality N]\n"
    "       merrowick --help | --version\n"
    "\n"
    "Without options the program opens its window (and FILE, if given).\n"
    "\n"
    "  --export INPUT OUTPUT   compose the picture INPUT (a layout file .mwi with its photo,\n"
    "                          clip art and texts, or a photo: .jpg, .jpeg, .bmp, .dib,\n"
    "                          .rle, .png, .webp) without opening a window and write\n"
    "                          it to OUTPUT: a PNG file (lossless) for .png, a WebP file\n"
    "                          for .webp, a JPEG file for any other name\n"
    "  --size WIDTHxHEIGHT     pixel size of the exported picture (default: the photo's own)\n"
    "  --quality N             JPEG and WebP quality from 1 to 100 (default 90)\n"
    "  --help                  show this text\n"
    "  --version               show the program's version\n";

int ParseExportSize(const char *text, int32_t *width, int32_t *height)
{
    int64_t value[2] = {0, 0};
    const char *p = text;
    for (int part = 0; part < 2; ++part) {
        if (!std::isdigit(static_cast<unsigned char>(*p)))
            return 0;
        while (std::isdigit(static_cast<unsigned char>(*p))) {
            value[part] = value[part] * 10 + (*p++ - '0');
            if (value[part] > MAX_SURFACE_SIDE)
                return 0;
        }
        if (part == 0 && *p++ != 'x')
            return 0;
    }
    // The export buffer's rows are padded to a multiple of 8 pixels: that is what must fit.
    if (*p || value[0] < 1 || value[1] < 1 || W8(value[0]) > MAX_SURFACE_SIDE ||
        static_cast<int64_t>(W8(value[0])) * value[1] > MAX_SURFACE_PIXELS)
        return 0;
    *width = static_cast<int32_t>(value[0]);
    *height = static_cast<int32_t>(value[1]);
    return 1;
}

int ParseExportQuality(const char *text, int32_t *quality)
{
    int32_t value = 0;
    const char *p = text;
    while (std::isdigit(static_cast<unsigned char>(*p)) && value <= 100)
        value = value * 10 + (*p++ - '0');
    if (p == text || *p || value < 1 || value > 100)
        return 0;
    *quality = value;
    return 1;
}

// The photo as the picture's background object, in the display list and fitted. A file
// that ends before its picture still exports; standard error says so.
static IMGOBJ *AddPhoto(const char *path)
{
    IMGOBJ *obj = IMGOBJ_LoadPhoto(path);
    if (!obj)
        return nullptr;
    if (obj->bIncomplete) {
        char text[1024];
        std::snprintf(text, sizeof text, LoadText(STR_PHOTO_INCOMPLETE), path);
        std::fprintf(stderr, "merrowick: warning: %s\n", text);
    }
    AO_AddObj(&obj->ao);
    ImageObjectResize(nullptr);
    return obj;
}

// The text area and the sprite sheet with the bubble fonts, which text pieces need.
static int StartText()
{
    if (!DXStartHeadless(DXNEED_TEXT | DXNEED_SPRITE))
        return Fail("The text area or the sprite sheet with the fonts could not be made.");
    return 1;
}

// A layout file's photo and pieces, fitted as the window would show them.
static IMGOBJ *AddLayout(const char *path)
{
    if (!StartText() || !LayoutRead(path, 0)) {
        Fail("LayoutLoad() failed!");
        return nullptr;
    }
    if (gLayoutSkipped) {
        char text[1024];
        std::snprintf(text, sizeof text, LoadText(STR_LAYOUT_SKIPPED), path,
                      static_cast<int>(gLayoutSkipped));
        std::fprintf(stderr, "merrowick: warning: %s\n", text);
    }
    ImageObjectResize(nullptr);
    for (AO *e = gAOList; e; e = e->pNext)
        if (e->iType == AO_TYPE_IMGOBJ && reinterpret_cast<IMGOBJ *>(e)->iKind == IMG_SRC)
            return reinterpret_cast<IMGOBJ *>(e);
    Fail("The layout holds no photo.");
    return nullptr;
}

// The input as the picture: a layout file or a photo.
static IMGOBJ *AddInput(const char *path)
{
    const int32_t type = FileTypeOf(path);
    if (type == FILETYPE_LAYOUT)
        return AddLayout(path);
    if (IsPhotoType(type))
        return AddPhoto(path);
    Failf("%s: not a picture this program reads (.mwi, .jpg, .jpeg, .bmp, .dib, .rle, .png, .webp)",
          path);
    return nullptr;
}

// ---- A JPEG photo at its own size: decoding and encoding side by side -----------------
// The decoder (this thread) tells how many rows of the photo are final; the encoder (a
// second thread) follows a group of rows behind, so the export takes about as long as
// the slower of the two instead of both together.
struct RELAY {
    std::mutex lock;
    std::condition_variable moved;
    LPDDS surface = nullptr;
    int32_t width = 0, height = 0, rows = 0;
    bool stop = false;        // no more rows will come
    bool encoderDone = false; // the encoder reads the surface no more
};

// The decoder's report (gpPhotoRowsDone). On failure it waits until the encoder has
// let go of the surface, which is freed next.
static void RowsDone(void *context, LPDDS surface, int32_t width, int32_t height, int32_t rows)
{
    RELAY *r = static_cast<RELAY *>(context);
    std::unique_lock<std::mutex> hold(r->lock);
    if (rows < 0) {
        r->stop = true;
        r->moved.notify_all();
        r->moved.wait(hold, [r] { return r->encoderDone; });
        return;
    }
    r->surface = surface, r->width = width, r->height = height, r->rows = rows;
    r->moved.notify_all();
}

// The encoder's wait for the first `rows` rows; 0 when they will not come.
static int WaitRows(void *context, int32_t rows)
{
    RELAY *r = static_cast<RELAY *>(context);
    std::unique_lock<std::mutex> hold(r->lock);
    r->moved.wait(hold, [r, rows] { return r->stop || r->rows >= rows; });
    return r->rows >= rows;
}

// The encoder thread: waits for the photo's surface, which comes once the decoder has
// read the photo's header and first rows, and only then opens the output's temporary
// file, so an input that cannot be read leaves nothing behind; then encodes behind the
// decoder.
struct ENCODER {
    const char *output;
    int32_t quality = PICTURE_DEFAULT_QUALITY;
    SAFEFILE file;
    int opened = 0, openError = 0, ok = 0;
    char error[300] = "";
};
static void EncodeBehind(RELAY *r, ENCODER *e)
{
    std::unique_lock<std::mutex> hold(r->lock);
    r->moved.wait(hold, [r] { return r->stop || r->surface; });
    const LPDDS s = r->surface;
    const int32_t w = r->width, h = r->height;
    hold.unlock();
    if (s) {
        e->opened = SafeFileOpen(e->output, &e->file);
        e->openError = e->opened ? 0 : errno;
    }
    const JPEGROWWAIT wait = {WaitRows, r};
    e->ok = e->opened && JpegWriteRows(e->file.pFile, s->pBits, static_cast<size_t>(s->iPitch), w,
                                       h, e->quality, &wait, e->error, sizeof e->error);
    hold.lock();
    r->encoderDone = true;
    r->moved.notify_all();
}

// Decodes the JPEG photo `input` and encodes it to `output` at the same time.
static int ExportJpegPhoto(const char *input, const char *output, int32_t quality)
{
    RELAY relay;
    ENCODER encoder;
    encoder.output = output;
    encoder.quality = quality;
    gpPhotoRowsDone = RowsDone;
    gpPhotoRowsContext = &relay;
    std::thread thread(EncodeBehind, &relay, &encoder);
    IMGOBJ *photo = AddPhoto(input);
    gpPhotoRowsDone = nullptr;
    gpPhotoRowsContext = nullptr;
    {
        std::lock_guard<std::mutex> hold(relay.lock);
        relay.stop = true;
    }
    relay.moved.notify_all();
    thread.join();
    if (!photo || !encoder.ok) {
        if (encoder.opened)
            SafeFileAbort(&encoder.file);
        if (photo && !encoder.opened)
            PLAT_FileFail("Can't open file", output, encoder.openError);
        else if (photo)
            Fail(encoder.error);
        return photo ? Fail("JpegSave() failed!") : 0;
    }
    if (!SafeFileCommit(&encoder.file))
        return PLAT_FileFail("Can't write file", output, errno), Fail("JpegSave() failed!");
    return 1;
}

// The writer's line when the picture could not be written.
static int SaveFailed(const char *output)
{
    const int32_t type = FileTypeOf(output);
    return Fail(type == FILETYPE_PNG    ? "PngSave() failed!"
                : type == FILETYPE_WEBP ? "WebpSave() failed!"
                                        : "JpegSave() failed!");
}

// Composes and writes the picture; 0 with the trail filled on failure.
static int ExportPicture(const char *input, const char *output, int32_t width, int32_t height,
                         int32_t quality)
{
    const int32_t outType = FileTypeOf(output);
    const bool jpegOut = outType != FILETYPE_PNG && outType != FILETYPE_WEBP;
    if (FileTypeOf(input) == FILETYPE_JPEG && width == 0 && jpegOut)
        return ExportJpegPhoto(input, output, quality);
    IMGOBJ *photo = AddInput(input);
    if (!photo)
        return 0;
    if (width == 0) {
        width = photo->iSrcWidth;
        height = photo->iSrcHeight;
    }
    // At the photo's own size the pieces go onto the photo itself, which is not needed
    // afterwards: no copy is made.
    const bool atSize = width == photo->iSrcWidth && height == photo->iSrcHeight;
    const int ok = PICTURE_SaveComposed(output, width, height, quality, atSize ? photo : nullptr);
    if (ok == 0)
        return Fail("BuildHiResImage2() failed!");
    if (ok != 1)
        return SaveFailed(output);
    return 1;
}

// The export's settings: an 800 × 600 window to fit the picture in, clip art from the
// data folder unless a main folder is set already, smooth edges as chosen in Setup.
static int StartEngine()
{
    DXStartHeadless(0);
    if (!gMainDir[0])
        std::snprintf(gMainDir, sizeof gMainDir, "%s", PLAT_DefaultDataDir());
    char smooth[16];
    PLAT_GetProfileString("SETUP", "SmoothEdges", "1", smooth, sizeof smooth);
    gSmoothEdges = std::atoi(smooth) != 0;
    // No picture buffer: pieces are turned in scratch surfaces of their own size.
    return 1;
}

static void StopEngine()
{
    AO_ClearList();
    gAOListCleared = 0;
    DXCleanup();
}

// A gradient sky over a green hill: the demonstration picture's photo.
static void PaintDemoPhoto(LPDDS s)
{
    for (int32_t y = 0; y < s->iHeight; y++)
        for (int32_t x = 0; x < s->iWidth; x++) {
            const int32_t hill =
                s->iHeight * 2 / 3 + (x - s->iWidth / 2) * (x - s->iWidth / 2) / (4 * s->iWidth);
            uint8_t *p = DXPixel(s, x, y);
            if (y > hill) // blue, green, red
                p[0] = 60, p[1] = static_cast<uint8_t>(150 + (y % 37)), p[2] = 70;
            else
                p[0] = 240, p[1] = static_cast<uint8_t>(170 + y * 60 / s->iHeight), p[2] = 110;
        }
}

// A piece placed at a share of the picture rectangle, sized to a share of its width.
static int PlaceDemoPiece(IMGOBJ *piece, float fx, float fy, float fw, int32_t angle)
{
    if (!piece)
        return 0;
    const float ratio = piece->fHeight / piece->fWidth;
    piece->fWidth = gPictureRect.w * fw;
    piece->fHeight = piece->fWidth * ratio;
    piece->ao.iWidth = static_cast<int32_t>(piece->fWidth);
    piece->ao.iHeight = static_cast<int32_t>(piece->fHeight);
    piece->ao.x = gPictureRect.x + static_cast<int32_t>(gPictureRect.w * fx);
    piece->ao.y = gPictureRect.y + static_cast<int32_t>(gPictureRect.h * fy);
    piece->iAngle = angle;
    return 1;
}

int WriteDemoPicture(const char *output)
{
    TrailClear();
    int ok = StartEngine() && StartText();
    IMGOBJ *photo = ok ? IMGOBJ_AddObjSrcBuf(1200, 900, 3) : nullptr;
    if (photo) {
        PaintDemoPhoto(photo->iiRes[HI_RES_OBJ].DDSSurface);
        ImageObjectResize(nullptr);
        struct {
            int32_t style;
            char text[204];
        } bubble = {0, "WHAT A DAY!"};
        ok = PlaceDemoPiece(IMGOBJ_AddObj("kingcrown.clp", IMG_OBJ, 0, 0, nullptr, nullptr), 0.12f,
                            0.18f, 0.22f, 350) &&
             PlaceDemoPiece(IMGOBJ_AddObj("sheriffhat.clp", IMG_OBJ, 0, 0, nullptr, nullptr), 0.62f,
                            0.22f, 0.26f, 12) &&
             PlaceDemoPiece(IMGOBJ_AddObj(gTextStyles[0].szFile, IMG_TEXT, 0, 0, &bubble, nullptr),
                            0.36f, 0.05f, 0.3f, 0);
        LPDDS out = ok ? BuildHiResImage2(1200, 900, 3) : nullptr;
        ok = out && JpegSave(out->pBits, output, 1200, 900, 3, 90);
        ReleaseJpegBuffer2(out);
    }
    StopEngine();
    if (!ok || !photo) {
        std::fprintf(stderr, "merrowick: the demonstration picture failed:\n%s", gErrorTrail);
        TrailClear();
        return 0;
    }
    return 1;
}

int WriteDemoLayout(const char *photo, const char *output, int pieces)
{
    static const char *const kArt[] = {"kingcrown.clp", "sheriffhat.clp", "balloon.clp", "bee.clp",
                                       "bear.clp",      "admiral.clp",    "alien.clp"};
    TrailClear();
    int ok = StartEngine() && StartText() && AddPhoto(photo);
    for (int i = 0; ok && i < pieces; i++) {
        // Every fourth a speech bubble, every other clip art turned; spread over the photo.
        struct {
            int32_t style;
            char text[204];
        } bubble = {0, "HELLO THERE\r\nHOW ARE YOU TODAY?"};
        bubble.style = i % TEXT_STYLE_COUNT;
        const bool text = i % 4 == 3;
        IMGOBJ *piece = text ? IMGOBJ_AddObj(gTextStyles[i % TEXT_STYLE_COUNT].szFile, IMG_TEXT, 0,
                                             0, &bubble, nullptr)
                             : IMGOBJ_AddObj(kArt[i % 7], IMG_OBJ, 0, 0, nullptr, nullptr);
        ok = PlaceDemoPiece(piece, static_cast<float>((i * 37) % 80) / 100.0f,
                            static_cast<float>((i * 53) % 75) / 100.0f, text ? 0.25f : 0.15f,
                            i % 2 ? (15 + 33 * i) % 360 : 0);
        if (ok && i % 3 == 1)
            piece->bFlipH = 1;
    }
    ok = ok && LayoutSave(output);
    StopEngine();
    if (!ok) {
        std::fprintf(stderr, "merrowick: the demonstration layout failed:\n%s", gErrorTrail);
        TrailClear();
    }
    return ok;
}

static int Usage(const char *problem)
{
    std::fprintf(stderr, "merrowick: %s\n%s", problem, kUsage);
    return 2;
}

int RunExportCommand(int argc, char **argv, int *handled)
{
    *handled = 0;
    int exportAt = 0;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            *handled = 1;
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (!std::strcmp(argv[i], "--version")) {
            *handled = 1;
            std::printf("merrowick %s\n", MW_VERSION);
            return 0;
        }
        if (!std::strcmp(argv[i], "--export") && !exportAt)
            exportAt = i;
    }
    if (!exportAt)
        return 0;
    *handled = 1;

    const char *input = nullptr, *output = nullptr, *size = nullptr, *quality = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (i == exportAt)
            continue;
        if (!std::strcmp(argv[i], "--quality")) {
            if (++i >= argc)
                return Usage("--quality needs a number from 1 to 100");
            quality = argv[i];
        } else if (!std::strncmp(argv[i], "--quality=", 10)) {
            quality = argv[i] + 10;
        } else if (!std::strcmp(argv[i], "--size")) {
            if (++i >= argc)
                return Usage("--size needs WIDTHxHEIGHT");
            size = argv[i];
        } else if (!std::strncmp(argv[i], "--size=", 7)) {
            size = argv[i] + 7;
        } else if (argv[i][0] == '-' && argv[i][1] == '-') {
            char line[300];
            std::snprintf(line, sizeof line, "unknown option %.200s", argv[i]);
            return Usage(line);
        } else if (!input) {
            input = argv[i];
        } else if (!output) {
            output = argv[i];
        } else {
            return Usage("--export takes one INPUT and one OUTPUT");
        }
    }
    if (!input || !output)
        return Usage("--export needs INPUT and OUTPUT");
    int32_t width = 0, height = 0;
    if (size && !ParseExportSize(size, &width, &height)) {
        char line[400];
        std::snprintf(line, sizeof line,
                      "invalid size \"%.200s\": expected WIDTHxHEIGHT, a width from 1 to %d, a "
                      "height from 1 to %d pixels and at most %lld pixels in all",
                      size, MAX_SURFACE_SIDE / 8 * 8, MAX_SURFACE_SIDE,
                      static_cast<long long>(MAX_SURFACE_PIXELS));
        return Usage(line);
    }

    int32_t q = PICTURE_DEFAULT_QUALITY;
    if (quality && !ParseExportQuality(quality, &q)) {
        char line[300];
        std::snprintf(line, sizeof line,
                      "invalid quality \"%.200s\": expected a number from 1 to 100", quality);
        return Usage(line);
    }

    TrailClear();
    int ok = StartEngine() && ExportPicture(input, output, width, height, q);
    StopEngine();
    if (!ok) {
        std::fprintf(stderr, "merrowick: the export of %s failed:\n%s", input, gErrorTrail);
        TrailClear();
        return 1;
    }
    return 0;
}
