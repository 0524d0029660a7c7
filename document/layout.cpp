// layout.cpp — writing and reading layout files.
//
// Depends on the display list and image objects (picture/), the safe save (formats/)
// and the surfaces (pixels/). Blocks are encoded field by field, never copied from the
// in-memory records, so the file stays the same whatever the records grow.
#include "document/layout.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "clipart/lookup.h"
#include "formats/formats.h"
#include "picture/ao.h"
#include "picture/caption.h"
#include "picture/compose.h"
#include "picture/imgobj.h"
#include "picture/text.h"
#include "pixels/pixels.h"
#include "platform/file.h"
#include "platform/platform.h"
#include "platform/trail.h"

char gFileDir[4096];
char gFileName[256];
char gFileExt[256];
int32_t gNeedsSaveAs;
int32_t gDocumentOpen;

void FormatStatusText(char *out, size_t size)
{
    std::snprintf(out, size, "%s (%d x %d)", gFileName, gPhotoWidth, gPhotoHeight);
}

// ---- Blocks ---------------------------------------------------------------------------------

static void Put32(uint8_t *p, int32_t v)
{
    const uint32_t u = static_cast<uint32_t>(v);
    p[0] = static_cast<uint8_t>(u);
    p[1] = static_cast<uint8_t>(u >> 8);
    p[2] = static_cast<uint8_t>(u >> 16);
    p[3] = static_cast<uint8_t>(u >> 24);
}

static int32_t Get32(const uint8_t *p)
{
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 |
                                static_cast<uint32_t>(p[3]) << 24);
}

void LayoutPutHeader(const LAYOUTHEADER *h, uint8_t out[LAYOUT_HEADER_SIZE])
{
    std::memset(out, 0, LAYOUT_HEADER_SIZE);
    Put32(out + 0, h->iCount);
    std::memcpy(out + 4, h->szPhotoName, LAYOUT_NAME_SIZE);
    Put32(out + 132, h->iPhotoWidth);
    Put32(out + 136, h->iPhotoHeight);
    Put32(out + 140, h->iRectWidth);
    Put32(out + 144, h->iRectHeight);
    Put32(out + 148, h->iRectLeft);
    Put32(out + 152, h->iRectTop);
}

void LayoutGetHeader(const uint8_t in[LAYOUT_HEADER_SIZE], LAYOUTHEADER *h)
{
    h->iCount = Get32(in + 0);
    std::memcpy(h->szPhotoName, in + 4, LAYOUT_NAME_SIZE);
    h->iPhotoWidth = Get32(in + 132);
    h->iPhotoHeight = Get32(in + 136);
    h->iRectWidth = Get32(in + 140);
    h->iRectHeight = Get32(in + 144);
    h->iRectLeft = Get32(in + 148);
    h->iRectTop = Get32(in + 152);
}

void LayoutPutRecord(const LAYOUTRECORD *r, uint8_t out[LAYOUT_RECORD_SIZE])
{
    std::memset(out, 0, LAYOUT_RECORD_SIZE);
    Put32(out + 0, r->iKind);
    std::memcpy(out + 4, r->szFileName, LAYOUT_NAME_SIZE);
    Put32(out + 132, r->x);
    Put32(out + 136, r->y);
    Put32(out + 140, r->iWidth);
    Put32(out + 144, r->iHeight);
    Put32(out + 148, r->iAngle);
    Put32(out + 152, r->iCaptionBytes);
    for (int i = 0; i < 6; i++)
        Put32(out + 156 + 4 * i, r->iCaptionStyle[i]);
    Put32(out + 260, r->bFlipH);
    Put32(out + 264, r->bFlipV);
    Put32(out + 268, r->iTextStyle);
    std::memcpy(out + 272, r->szText, LAYOUT_TEXT_SIZE);
}

void LayoutGetRecord(const uint8_t in[LAYOUT_RECORD_SIZE], LAYOUTRECORD *r)
{
    r->iKind = Get32(in + 0);
    std::memcpy(r->szFileName, in + 4, LAYOUT_NAME_SIZE);
    r->x = Get32(in + 132);
    r->y = Get32(in + 136);
    r->iWidth = Get32(in + 140);
    r->iHeight = Get32(in + 144);
    r->iAngle = Get32(in + 148);
    r->iCaptionBytes = Get32(in + 152);
    for (int i = 0; i < 6; i++)
        r->iCaptionStyle[i] = Get32(in + 156 + 4 * i);
    r->bFlipH = Get32(in + 260);
    r->bFlipV = Get32(in + 264);
    r->iTextStyle = Get32(in + 268);
    std::memcpy(r->szText, in + 272, LAYOUT_TEXT_SIZE);
}

int LayoutPlainName(const char name[LAYOUT_NAME_SIZE])
{
    return std::memchr(name, '\0', LAYOUT_NAME_SIZE) && ClipArt_PlainName(name);
}

// Copies a name into a stored field: at most 127 bytes and a NUL, cut before a UTF-8
// character that would not fit whole; the rest of the field is zeros.
static void StoreName(char field[LAYOUT_NAME_SIZE], const char *name)
{
    std::memset(field, 0, LAYOUT_NAME_SIZE);
    size_t n = std::strlen(name);
    if (n < LAYOUT_NAME_SIZE) {
        std::memcpy(field, name, n);
        return;
    }
    n = LAYOUT_NAME_SIZE - 1;
    // Drop a trailing partial character: back to the lead byte of the last one.
    size_t lead = n;
    while (lead > 0 && (static_cast<unsigned char>(name[lead]) & 0xC0) == 0x80)
        --lead;
    if ((static_cast<unsigned char>(name[lead]) & 0xC0) == 0x80 ||
        static_cast<unsigned char>(name[lead]) < 0x80)
        lead = n; // plain text, or not UTF-8 at all: cut at the field's end
    std::memcpy(field, name, lead);
}

// ---- Saving -----------------------------------------------------------------------------------

static int IsSavedKind(const IMGOBJ *obj)
{
    return obj->iKind == IMG_SRC || obj->iKind == IMG_OBJ || obj->iKind == IMG_TEXT ||
           (obj->iKind == IMG_CAPTION && obj->pCaption);
}

// An image object on its way out of the list (deleted or dying) is no longer the picture.
static int IsLeaving(const AO *entry)
{
    return entry->bRemove || entry->AnimateProc == AO_DieProc;
}

static LAYOUTRECORD RecordOf(const IMGOBJ *obj)
{
    LAYOUTRECORD r = {};
    r.iKind = obj->iKind;
    StoreName(r.szFileName, obj->szFileName);
    if (obj->iKind != IMG_SRC) {
        r.x = obj->ao.x;
        r.y = obj->ao.y;
        r.iWidth = static_cast<int32_t>(obj->fWidth);
        r.iHeight = static_cast<int32_t>(obj->fHeight);
        r.iAngle = obj->iAngle;
    }
    r.bFlipH = obj->bFlipH;
    r.bFlipV = obj->bFlipV;
    r.iTextStyle = obj->iTextStyle;
    std::memcpy(r.szText, obj->szText, LAYOUT_TEXT_SIZE);
    if (obj->iKind == IMG_CAPTION) {
        const CAPTIONSTYLE &s = obj->pCaption->style;
        r.iCaptionBytes = static_cast<int32_t>(obj->pCaption->text.size());
        const int32_t style[6] = {s.iFont,
                                  static_cast<int32_t>(s.crFill),
                                  static_cast<int32_t>(s.crOutline),
                                  s.iOutline,
                                  s.bShadow,
                                  s.iAlign};
        std::memcpy(r.iCaptionStyle, style, sizeof style);
    }
    return r;
}

// How many records a caption's text takes after its own.
static int32_t MoreRecords(int32_t bytes)
{
    return static_cast<int32_t>((static_cast<size_t>(bytes) + LAYOUT_MORE_SIZE - 1) /
                                LAYOUT_MORE_SIZE);
}

// The records that carry a caption's text, one after another, appended to out.
static void PutCaptionText(const IMGOBJ *obj, std::vector<uint8_t> *out)
{
    const std::string &t = obj->pCaption->text;
    for (size_t at = 0; at < t.size(); at += LAYOUT_MORE_SIZE) {
        uint8_t block[LAYOUT_RECORD_SIZE] = {};
        Put32(block, LAYOUT_KIND_MORE);
        std::memcpy(block + 4, t.data() + at, std::min(LAYOUT_MORE_SIZE, t.size() - at));
        out->insert(out->end(), block, block + LAYOUT_RECORD_SIZE);
    }
}

// The number of records an object takes: one, and a caption's text records.
static int32_t RecordsOf(const IMGOBJ *obj)
{
    return obj->iKind == IMG_CAPTION
               ? 1 + MoreRecords(static_cast<int32_t>(obj->pCaption->text.size()))
               : 1;
}

static int WriteBlock(FILE *fp, const void *data, size_t size)
{
    return std::fwrite(data, 1, size, fp) == size;
}

// The photo's rows, straight from its high-resolution surface.
static int WritePhotoRows(FILE *fp, const IMGOBJ *photo, int32_t width, int32_t height)
{
    const LPDDS hi = photo->iiRes[HI_RES_OBJ].DDSSurface;
    if (!hi || hi->iWidth < width || hi->iHeight < height) {
        Failf("HR=%d", static_cast<int>(DDERR_SURFACELOST));
        DXCreateSurfaceError(DDERR_SURFACELOST);
        return Fail("Lock(Src)");
    }
    if (hi->iPitch == 0)
        return 1;
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    for (int32_t y = 0; y < height; y++) {
        PLAT_ProgressStepIt();
        if (!WriteBlock(fp, DXPixel(hi, 0, y), rowBytes))
            return Fail("write header failed!");
    }
    return 1;
}

static int WriteLayout(FILE *fp, const std::vector<IMGOBJ *> &objects, const LAYOUTHEADER &header)
{
    uint8_t version[LAYOUT_VERSION_SIZE];
    Put32(version, static_cast<int32_t>(LAYOUT_VERSION));
    if (!WriteBlock(fp, version, sizeof version))
        return Fail("write version failed!");
    uint8_t block[LAYOUT_HEADER_SIZE];
    LayoutPutHeader(&header, block);
    if (!WriteBlock(fp, block, LAYOUT_HEADER_SIZE))
        return Fail("write header failed!");

    PLAT_SetStatusText(0, "Saving...");
    PLAT_ProgressSetPos(0);
    PLAT_ProgressSetRange(
        0,
        static_cast<int32_t>((static_cast<int64_t>(header.iCount) + header.iPhotoHeight) % 65536));
    PLAT_ProgressSetStep(1);
    for (const IMGOBJ *obj : objects) {
        PLAT_ProgressStepIt();
        const LAYOUTRECORD record = RecordOf(obj);
        LayoutPutRecord(&record, block);
        if (!WriteBlock(fp, block, LAYOUT_RECORD_SIZE))
            return Fail("write objects failed!");
        if (obj->iKind == IMG_CAPTION) {
            std::vector<uint8_t> more;
            PutCaptionText(obj, &more);
            if (!more.empty() && !WriteBlock(fp, more.data(), more.size()))
                return Fail("write objects failed!");
        }
        if (obj->iKind == IMG_SRC &&
            !WritePhotoRows(fp, obj, header.iPhotoWidth, header.iPhotoHeight))
            return 0;
    }
    return 1;
}

// The saved objects in list order and the header describing them; the table grows with
// the picture. 0 when the picture has more pieces than a layout holds.
static int Gather(std::vector<IMGOBJ *> &objects, LAYOUTHEADER &header)
{
    if (!WaitForFullPhoto()) // its rows are written whole
        return 0;
    header = {};
    header.iPhotoWidth = gPhotoWidth;
    header.iPhotoHeight = gPhotoHeight;
    int32_t pieces = 0, records = 0;
    for (AO *e = gAOList; e; e = e->pNext) {
        if (e->iType != AO_TYPE_IMGOBJ || IsLeaving(e))
            continue;
        IMGOBJ *obj = reinterpret_cast<IMGOBJ *>(e);
        if (!IsSavedKind(obj))
            continue;
        objects.push_back(obj);
        records += RecordsOf(obj);
        if (obj->iKind == IMG_SRC) {
            StoreName(header.szPhotoName, obj->szFileName);
            header.iPhotoWidth = obj->iSrcWidth;
            header.iPhotoHeight = obj->iSrcHeight;
        } else {
            ++pieces;
        }
    }
    // What could not be opened again is not written.
    if (pieces > LAYOUT_MAX_PIECES)
        return Failf("The picture has %d pieces; a layout file holds at most %d.", pieces,
                     LAYOUT_MAX_PIECES);
    header.iCount = records;
    header.iRectWidth = gPictureRect.w;
    header.iRectHeight = gPictureRect.h;
    header.iRectLeft = gPictureRect.x;
    header.iRectTop = gPictureRect.y;
    return 1;
}

// The picture's bytes; without the photo's rows when rowsAt is given, with where they go.
static int PictureBytes(std::vector<uint8_t> *out, size_t *rowsAt, const IMGOBJ **photo)
{
    std::vector<IMGOBJ *> objects;
    LAYOUTHEADER header;
    if (!Gather(objects, header))
        return 0;
    const size_t rowBytes = static_cast<size_t>(header.iPhotoWidth) * 3;
    out->clear();
    out->reserve(LAYOUT_VERSION_SIZE + LAYOUT_HEADER_SIZE + objects.size() * LAYOUT_RECORD_SIZE +
                 (rowsAt ? 0 : rowBytes * static_cast<size_t>(header.iPhotoHeight)));
    if (rowsAt)
        *rowsAt = 0, *photo = nullptr;
    uint8_t block[LAYOUT_HEADER_SIZE];
    Put32(block, static_cast<int32_t>(LAYOUT_VERSION));
    out->insert(out->end(), block, block + LAYOUT_VERSION_SIZE);
    LayoutPutHeader(&header, block);
    out->insert(out->end(), block, block + LAYOUT_HEADER_SIZE);
    for (const IMGOBJ *obj : objects) {
        const LAYOUTRECORD record = RecordOf(obj);
        LayoutPutRecord(&record, block);
        out->insert(out->end(), block, block + LAYOUT_RECORD_SIZE);
        if (obj->iKind == IMG_CAPTION)
            PutCaptionText(obj, out);
        if (obj->iKind != IMG_SRC)
            continue;
        const LPDDS hi = obj->iiRes[HI_RES_OBJ].DDSSurface;
        if (!hi || hi->iWidth < header.iPhotoWidth || hi->iHeight < header.iPhotoHeight)
            return Fail("Lock(Src)");
        if (rowsAt) {
            *rowsAt = out->size(), *photo = obj;
            continue;
        }
        for (int32_t y = 0; y < header.iPhotoHeight; y++) {
            const uint8_t *row = static_cast<const uint8_t *>(DXPixel(hi, 0, y));
            out->insert(out->end(), row, row + rowBytes);
        }
    }
    return 1;
}

int LayoutToBytes(std::vector<uint8_t> *out)
{
    return PictureBytes(out, nullptr, nullptr);
}

int LayoutToBytesWithoutRows(std::vector<uint8_t> *out, size_t *rowsAt, const IMGOBJ **photo)
{
    return PictureBytes(out, rowsAt, photo);
}

int LayoutSave(const char *path)
{
    std::vector<IMGOBJ *> objects;
    LAYOUTHEADER header;
    if (!Gather(objects, header))
        return 0;

    SAFEFILE file;
    if (!SafeFileOpen(path, &file))
        return PLAT_FileFail("Can't create file", path, errno);
    static char buffer[1 << 20];
    std::setvbuf(file.pFile, buffer, _IOFBF, sizeof buffer);
    if (!WriteLayout(file.pFile, objects, header)) {
        const bool failedWrite = std::ferror(file.pFile);
        SafeFileAbort(&file);
        return failedWrite ? Failf("%s could not be written (%s).", path, std::strerror(errno)) : 0;
    }
    if (!SafeFileCommit(&file)) {
        Fail("Close file failed!");
        return Failf("%s could not be written (%s).", path, std::strerror(errno));
    }
    gModified = 0;
    return 1;
}

// ---- Reading -----------------------------------------------------------------------------------

// An open layout file and what its first reading found.
struct LAYOUTFILE {
    FILE *fp;
    int fd; // fp's descriptor, for the photo's rows
    int64_t iSize;
    LAYOUTHEADER header;
};

// Why the last read that came up short failed, for the trail (when it was no end of file).
static int sReadError;

static int ReadBlock(FILE *fp, void *data, size_t size)
{
    if (std::fread(data, 1, size, fp) == size)
        return 1;
    sReadError = errno;
    return 0;
}

static int OpenLayout(const char *path, LAYOUTFILE *lf)
{
    const int fd = PLAT_FileOpen(path, O_RDONLY | O_CLOEXEC);
    struct stat st;
    lf->fp = fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? PLAT_FileStream(fd, "rb")
                                                                     : nullptr;
    if (!lf->fp) {
        const int error = fd < 0 ? errno : EINVAL;
        if (fd >= 0)
            PLAT_FileClose(fd);
        Fail(path);
        Fail("Could not open the file.");
        return Failf("(%s)", PLAT_FileErrorText(error));
    }
    lf->iSize = st.st_size;
    lf->fd = fd;
    static char buffer[1 << 20];
    std::setvbuf(lf->fp, buffer, _IOFBF, sizeof buffer);
    return 1;
}

// The version word and the header, read and checked.
static int ReadHeader(LAYOUTFILE *lf)
{
    uint8_t version[LAYOUT_VERSION_SIZE];
    if (!ReadBlock(lf->fp, version, sizeof version))
        return Fail("Read version failed!");
    uint8_t block[LAYOUT_HEADER_SIZE];
    if (!ReadBlock(lf->fp, block, sizeof block))
        return Fail("Read header failed!");
    LAYOUTHEADER &h = lf->header;
    LayoutGetHeader(block, &h);
    if (h.iCount < 0) {
        Failf("The layout counts %d objects.", h.iCount);
        return Fail("Read objects failed!");
    }
    if (!PhotoSizeAllowed(h.iPhotoWidth, h.iPhotoHeight))
        return Fail("The layout's photo size cannot be right.");
    if (h.iRectWidth < 1 || h.iRectHeight < 1 || h.iRectLeft < 0 || h.iRectTop < 0 ||
        static_cast<int64_t>(h.iRectLeft) + h.iRectWidth > LAYOUT_MAX_AREA_WIDTH ||
        static_cast<int64_t>(h.iRectTop) + h.iRectHeight > LAYOUT_MAX_AREA_HEIGHT)
        return Failf("The layout's picture area (%d, %d, %d x %d) lies outside the window.",
                     h.iRectLeft, h.iRectTop, h.iRectWidth, h.iRectHeight);
    return 1;
}

static int64_t PhotoBytes(const LAYOUTHEADER &h)
{
    return static_cast<int64_t>(h.iPhotoWidth) * h.iPhotoHeight * 3;
}

static void BringIntoRange(LAYOUTRECORD *r, const LAYOUTHEADER &h);

// The piece's turned box as large as the largest drawing area shows it.
static void LargestShownSize(const LAYOUTRECORD &record, const LAYOUTHEADER &h, int32_t *rw,
                             int32_t *rh)
{
    LAYOUTRECORD r = record;
    BringIntoRange(&r, h);
    const int64_t w = static_cast<int64_t>(r.iWidth) * LAYOUT_MAX_AREA_WIDTH / h.iRectWidth;
    const int64_t ht = static_cast<int64_t>(r.iHeight) * LAYOUT_MAX_AREA_HEIGHT / h.iRectHeight;
    *rw = *rh = 0;
    CalcRotatedSize(static_cast<int32_t>(w), static_cast<int32_t>(ht), r.iAngle, rw, rh);
}

// What a piece holds once loaded: its artwork (each looked up once in `artwork`) and its
// screen image, as large as the largest drawing area shows the piece, turned. -1 when its
// artwork cannot be read (errno set).
static int64_t PieceBytes(const LAYOUTRECORD &record, const LAYOUTHEADER &h,
                          std::map<std::string, int64_t> *artwork)
{
    auto art = artwork->find(record.szFileName);
    if (art == artwork->end())
        art = artwork->emplace(record.szFileName, IMGOBJ_ArtworkBytes(record.szFileName)).first;
    if (art->second < 0)
        return -1;
    int32_t rw, rh;
    LargestShownSize(record, h, &rw, &rh);
    return art->second + 3 * static_cast<int64_t>(W8(rw)) * rh;
}

// What a caption holds once loaded: its screen image, as large as the largest drawing
// area shows it, turned, and the image an export draws it in first.
static int64_t CaptionBytes(const LAYOUTRECORD &record, const LAYOUTHEADER &h)
{
    int32_t rw, rh;
    LargestShownSize(record, h, &rw, &rh);
    return 8 * static_cast<int64_t>(rw) * rh + CAPTION_MAX_BYTES;
}

// Reads every record once and skips the photo's rows, refusing what the editor cannot
// have written and a picture beyond the memory budget. Nothing is allocated or changed.
// Leaves the file after the last record.
static int CheckRecords(LAYOUTFILE *lf)
{
    const LAYOUTHEADER &h = lf->header;
    int64_t offset = static_cast<int64_t>(LAYOUT_VERSION_SIZE + LAYOUT_HEADER_SIZE);
    int32_t photos = 0, pieces = 0;
    int64_t piecesBytes = 0; // what the pieces will hold
    std::map<std::string, int64_t> artwork;
    uint8_t block[LAYOUT_RECORD_SIZE];
    // Read in order, so a cut file fails in the block the cut falls in (the photo's rows of
    // a small file, say); a count beyond the file's end is said with it.
    const int64_t records = (lf->iSize - offset) / static_cast<int64_t>(LAYOUT_RECORD_SIZE);
    for (int32_t i = 0; i < h.iCount; i++) {
        if (!ReadBlock(lf->fp, block, sizeof block)) {
            if (h.iCount > records)
                Failf("The layout counts %d objects; the file holds at most %lld.", h.iCount,
                      static_cast<long long>(records));
            return Fail("Read objects failed!");
        }
        offset += LAYOUT_RECORD_SIZE;
        LAYOUTRECORD r;
        LayoutGetRecord(block, &r);
        if (r.iKind == IMG_SRC) {
            if (++photos > 1)
                return Fail("The layout holds more than one photo.");
            if (lf->iSize - offset < PhotoBytes(h))
                return Fail("Read image row failed!");
            offset += PhotoBytes(h);
            if (std::fseek(lf->fp, static_cast<long>(offset), SEEK_SET) != 0)
                return Fail("Read image row failed!");
        } else if (r.iKind == IMG_OBJ || r.iKind == IMG_TEXT) {
            if (++pieces > LAYOUT_MAX_PIECES)
                return Failf("The layout holds more than %d pieces.", LAYOUT_MAX_PIECES);
            if (!LayoutPlainName(r.szFileName))
                return Failf("Object %d names no plain clip-art file.", i + 1);
            if (r.iKind == IMG_TEXT && (r.iTextStyle < 0 || r.iTextStyle >= TEXT_STYLE_COUNT))
                return Failf("Object %d has an unknown text style (%d).", i + 1, r.iTextStyle);
            if (r.x < -LAYOUT_MAX_OFFSET || r.x > LAYOUT_MAX_OFFSET || r.y < -LAYOUT_MAX_OFFSET ||
                r.y > LAYOUT_MAX_OFFSET)
                return Failf("Object %d lies far outside the picture (%d, %d).", i + 1, r.x, r.y);
            const int64_t bytes = PieceBytes(r, h, &artwork);
            if (bytes < 0)
                return Failf("Object %d: its artwork %s cannot be read (%s).", i + 1, r.szFileName,
                             PLAT_FileErrorText(errno));
            piecesBytes += bytes;
        } else if (r.iKind == IMG_CAPTION) {
            if (++pieces > LAYOUT_MAX_PIECES)
                return Failf("The layout holds more than %d pieces.", LAYOUT_MAX_PIECES);
            if (r.iCaptionBytes < 0 || static_cast<size_t>(r.iCaptionBytes) > CAPTION_MAX_BYTES)
                return Failf("Object %d: a caption of %d bytes cannot be right.", i + 1,
                             r.iCaptionBytes);
            if (r.x < -LAYOUT_MAX_OFFSET || r.x > LAYOUT_MAX_OFFSET || r.y < -LAYOUT_MAX_OFFSET ||
                r.y > LAYOUT_MAX_OFFSET)
                return Failf("Object %d lies far outside the picture (%d, %d).", i + 1, r.x, r.y);
            const int32_t object = i + 1;
            for (int32_t k = MoreRecords(r.iCaptionBytes); k > 0; k--) {
                if (++i >= h.iCount || !ReadBlock(lf->fp, block, sizeof block) ||
                    Get32(block) != LAYOUT_KIND_MORE)
                    return Failf("Object %d: the text of its caption is missing.", object);
                offset += LAYOUT_RECORD_SIZE;
            }
            piecesBytes += CaptionBytes(r, h);
        }
    }
    if (photos == 0)
        return Fail("The layout holds no photo.");
    char what[128];
    std::snprintf(what, sizeof what, "The layout (a photo of %d x %d pixels and %d pieces)",
                  h.iPhotoWidth, h.iPhotoHeight, pieces);
    return MemoryBudgetAllows(PhotoSurfaceBytes(h.iPhotoWidth, h.iPhotoHeight) + piecesBytes, what);
}

// Brings what the editor keeps within limits into them: sizes from 1 to the picture
// area, angles from 0 to 360, mirror flags 0 or 1, the text cut at its field's end.
static void BringIntoRange(LAYOUTRECORD *r, const LAYOUTHEADER &h)
{
    auto clamp = [](int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : v > hi ? hi : v; };
    r->iWidth = clamp(r->iWidth, 1, h.iRectWidth);
    r->iHeight = clamp(r->iHeight, 1, h.iRectHeight);
    if (r->iAngle < 0 || r->iAngle > 360)
        r->iAngle = (r->iAngle % 360 + 360) % 360;
    r->bFlipH = r->bFlipH != 0;
    r->bFlipV = r->bFlipV != 0;
    r->szText[LAYOUT_TEXT_SIZE - 1] = '\0';
}

// Reads the photo's rows into hi. Rows that lie back to back in the surface, as in the
// file, are read straight into it in large blocks, past the stream's buffer, and the
// stream is then moved past them.
static int ReadPhotoRows(const LAYOUTFILE *lf, LPDDS hi, int32_t width, int32_t height)
{
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    if (static_cast<size_t>(hi->iPitch) != rowBytes) {
        for (int32_t y = 0; y < height; y++) {
            PLAT_ProgressStepIt();
            if (!ReadBlock(lf->fp, DXPixel(hi, 0, y), rowBytes))
                return 0;
        }
        return 1;
    }
    const off_t at = ::ftello(lf->fp);
    if (at < 0 || ::lseek(lf->fd, at, SEEK_SET) != at) {
        sReadError = errno;
        return 0;
    }
    constexpr int32_t kRows = 64; // a read's rows; the progress bar moves a row at a time
    for (int32_t y = 0; y < height; y += kRows) {
        const int32_t rows = height - y < kRows ? height - y : kRows;
        for (int32_t k = 0; k < rows; k++)
            PLAT_ProgressStepIt();
        const size_t bytes = rowBytes * static_cast<size_t>(rows);
        const ssize_t got = PLAT_FileReadAll(lf->fd, DXPixel(hi, 0, y), bytes);
        if (got != static_cast<ssize_t>(bytes)) {
            sReadError = got < 0 ? errno : 0;
            if (got < 0)
                Fail(std::strerror(errno));
            return 0;
        }
    }
    if (::fseeko(lf->fp, at + static_cast<off_t>(rowBytes) * height, SEEK_SET) != 0) {
        sReadError = errno;
        return 0;
    }
    return 1;
}

// The photo object with its rows from the file.
static IMGOBJ *ReadPhoto(const LAYOUTFILE *lf, const LAYOUTRECORD &r)
{
    const LAYOUTHEADER &h = lf->header;
    IMGOBJ *obj = IMGOBJ_AddObjSrcBuf(h.iPhotoWidth, h.iPhotoHeight, 3, 1);
    if (!obj) {
        Fail("IMGOBJ_AddObjSrcBuf() failed!");
        return nullptr;
    }
    const LPDDS hi = obj->iiRes[HI_RES_OBJ].DDSSurface;
    if (hi && hi->iPitch && hi->pBits && !ReadPhotoRows(lf, hi, h.iPhotoWidth, h.iPhotoHeight)) {
        Fail("Read image row failed!");
        AO_DelObj(&obj->ao);
        return nullptr;
    }
    // The photo keeps the name it was saved under, so saving it again writes the same file.
    if (r.szFileName[0]) {
        std::memcpy(obj->szFileName, r.szFileName, sizeof obj->szFileName - 1);
        obj->szFileName[sizeof obj->szFileName - 1] = '\0';
    }
    obj->iAngle = r.iAngle;
    obj->bFlipH = r.bFlipH;
    obj->bFlipV = r.bFlipV;
    obj->bNeedsUpdate = 1;
    return obj;
}

// Gives a piece made from a record the record's place, size, turn and mirroring.
static void PlaceFromRecord(IMGOBJ *obj, const LAYOUTRECORD &r)
{
    obj->ao.x = r.x;
    obj->ao.y = r.y;
    obj->fWidth = static_cast<float>(r.iWidth);
    obj->fHeight = static_cast<float>(r.iHeight);
    obj->iAngle = r.iAngle;
    obj->bFlipH = r.bFlipH;
    obj->bFlipV = r.bFlipV;
}

// A clip-art or text piece from its record.
static IMGOBJ *ReadPiece(const LAYOUTRECORD &r)
{
    // The text description as the object holds it: the style word, then the text.
    uint8_t description[4 + LAYOUT_TEXT_SIZE];
    std::memcpy(description, &r.iTextStyle, 4);
    std::memcpy(description + 4, r.szText, LAYOUT_TEXT_SIZE);
    IMGOBJ *obj = IMGOBJ_AddObj(r.szFileName, r.iKind, r.x, r.y,
                                r.iKind == IMG_TEXT ? description : nullptr, nullptr);
    if (!obj) {
        Fail("IMGOBJ_AddObj() failed!");
        return nullptr;
    }
    PlaceFromRecord(obj, r);
    if (r.iKind == IMG_TEXT) {
        obj->iTextStyle = r.iTextStyle;
        std::memcpy(obj->szText, r.szText, LAYOUT_TEXT_SIZE);
    }
    obj->bNeedsUpdate = 1;
    return obj;
}

// A caption from its record and its text.
static IMGOBJ *ReadCaption(const LAYOUTRECORD &r, const std::string &text)
{
    CAPTIONDESC desc = {};
    desc.style = {r.iCaptionStyle[0],
                  static_cast<uint32_t>(r.iCaptionStyle[1]),
                  static_cast<uint32_t>(r.iCaptionStyle[2]),
                  r.iCaptionStyle[3],
                  r.iCaptionStyle[4],
                  r.iCaptionStyle[5]};
    desc.pszText = text.data();
    desc.cbText = text.size();
    IMGOBJ *obj = IMGOBJ_AddObj("caption", IMG_CAPTION, r.x, r.y, &desc, nullptr);
    if (!obj) {
        Fail("IMGOBJ_AddObj() failed!");
        return nullptr;
    }
    PlaceFromRecord(obj, r);
    obj->bNeedsUpdate = 1;
    return obj;
}

// What a failed load puts back.
struct PICTURESTATE {
    int32_t iPhotoWidth, iPhotoHeight, iPhotoComponents;
    XYWH rcPicture;
    int32_t bModified;
};

static PICTURESTATE SavePictureState()
{
    return {gPhotoWidth, gPhotoHeight, gPhotoComponents, gPictureRect, gModified};
}

static void RestorePictureState(const PICTURESTATE &s, const std::vector<IMGOBJ *> &made)
{
    for (IMGOBJ *obj : made)
        AO_DelObj(&obj->ao);
    gPhotoWidth = s.iPhotoWidth;
    gPhotoHeight = s.iPhotoHeight;
    gPhotoComponents = s.iPhotoComponents;
    gPictureRect = s.rcPicture;
    gModified = s.bModified;
    DeselectAll();
}

// Creates the objects of a checked file, positioned after its header.
static int ReadObjects(LAYOUTFILE *lf, std::vector<IMGOBJ *> *made)
{
    const LAYOUTHEADER &h = lf->header;
    gPhotoWidth = h.iPhotoWidth;
    gPhotoHeight = h.iPhotoHeight;
    gPictureRect = {h.iRectLeft, h.iRectTop, h.iRectWidth, h.iRectHeight};

    PLAT_SetStatusText(0, "Opening Layout...");
    PLAT_ProgressSetPos(0);
    PLAT_ProgressSetRange(
        0, static_cast<int32_t>((static_cast<int64_t>(h.iCount) + h.iPhotoHeight) % 65536));
    PLAT_ProgressSetStep(1);
    uint8_t block[LAYOUT_RECORD_SIZE];
    for (int32_t i = 0; i < h.iCount; i++) {
        PLAT_ProgressStepIt();
        if (!ReadBlock(lf->fp, block, sizeof block))
            return Fail("Read objects failed!");
        LAYOUTRECORD r;
        LayoutGetRecord(block, &r);
        BringIntoRange(&r, h);
        IMGOBJ *obj = nullptr;
        if (r.iKind == IMG_SRC)
            obj = ReadPhoto(lf, r);
        else if (r.iKind == IMG_OBJ || r.iKind == IMG_TEXT)
            obj = ReadPiece(r);
        else if (r.iKind == IMG_CAPTION) {
            // Its text follows in records of its own (checked to be there).
            std::string text;
            for (int32_t k = MoreRecords(r.iCaptionBytes); k > 0; k--, i++) {
                PLAT_ProgressStepIt();
                if (!ReadBlock(lf->fp, block, sizeof block))
                    return Fail("Read objects failed!");
                text.append(reinterpret_cast<const char *>(block) + 4, LAYOUT_MORE_SIZE);
            }
            text.resize(static_cast<size_t>(r.iCaptionBytes));
            obj = ReadCaption(r, text);
        } else {
            gLayoutSkipped++; // kinds this program does not make are skipped, and counted
            continue;
        }
        if (!obj)
            return 0;
        made->push_back(obj);
    }
    return 1;
}

// Closes the file; a read that failed (not a file cut short) is said in the trail.
static void CloseLayout(LAYOUTFILE *lf, const char *path)
{
    if (std::ferror(lf->fp))
        Failf("%s could not be read (%s).", path, std::strerror(sReadError));
    std::fclose(lf->fp); // only read: a failed close loses nothing
    lf->fp = nullptr;
}

int32_t gLayoutSkipped;

int LayoutRead(const char *path, int32_t replace)
{
    gLayoutSkipped = 0;
    LAYOUTFILE lf = {};
    if (!OpenLayout(path, &lf))
        return 0;
    const long firstRecord = static_cast<long>(LAYOUT_VERSION_SIZE + LAYOUT_HEADER_SIZE);
    if (!ReadHeader(&lf) || !CheckRecords(&lf) || std::fseek(lf.fp, firstRecord, SEEK_SET) != 0) {
        CloseLayout(&lf, path);
        return 0;
    }
    const PICTURESTATE before = SavePictureState();
    std::vector<IMGOBJ *> made;
    const int ok = ReadObjects(&lf, &made);
    CloseLayout(&lf, path);
    if (!ok) {
        RestorePictureState(before, made);
        return 0;
    }
    if (replace) {
        for (AO *e = gAOList; e; e = e->pNext) {
            if (e->iType != AO_TYPE_IMGOBJ)
                continue;
            IMGOBJ *obj = reinterpret_cast<IMGOBJ *>(e);
            if (IsSavedKind(obj) && std::find(made.begin(), made.end(), obj) == made.end())
                e->bRemove = 1;
        }
    }
    gModified = 0;
    DeselectAll();
    return 1;
}

int LayoutLoad(const char *path, int32_t replace)
{
    if (!LayoutRead(path, replace))
        return 0;
    PLAT_InvalidateWindow(0, 0, gScreenWidth, gScreenHeight);
    if (!ScreenResize(nullptr))
        return Fail("ScreenResize()");
    return 1;
}
