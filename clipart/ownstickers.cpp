// ownstickers.cpp — the user's own stickers: making, storing and listing them.
#include "clipart/ownstickers.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include "clipart/catalogue.h"
#include "clipart/lookup.h"
#include "platform/file.h"
#include "platform/memory.h"
#include "platform/platform.h"
#include "platform/trail.h"

// A layout record keeps at most 127 characters of a sticker's file name.
static constexpr size_t kMaxFileName = 127;
// The longest file stem made from a picture's name.
static constexpr size_t kMaxStem = 40;

static bool EndsWithClp(const char *name)
{
    const size_t n = std::strlen(name);
    return n > 4 && strcasecmp(name + n - 4, ".clp") == 0;
}

static bool IsFile(const std::string &path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

static bool Exists(const std::string &path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

static std::string ClipArtFolderPath(const std::string &name)
{
    char path[4096];
    return ClipArt_Path(name.c_str(), 0, path, sizeof path) ? path : std::string();
}

void ClipArt_OwnStickers(std::vector<std::string> *names)
{
    names->clear();
    const std::string folder = PLAT_UserStickerDir();
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    while (const dirent *e = ::readdir(dir)) {
        const char *name = e->d_name;
        if (name[0] == '.' || !EndsWithClp(name) || std::strlen(name) > kMaxFileName)
            continue;
        // A file of the clip-art folder of the same name is what a layout would load.
        if (IsFile(folder + name) && !IsFile(ClipArtFolderPath(name)))
            names->push_back(name);
    }
    ::closedir(dir);
    std::sort(names->begin(), names->end());
}

std::string OwnStickerName(const char *fileName)
{
    std::string name = fileName;
    if (EndsWithClp(fileName))
        name.resize(name.size() - 4);
    return name;
}

// ---- Making a sticker ---------------------------------------------------------------------

// The smallest rectangle holding every pixel that is not wholly transparent.
static bool VisibleBox(const uint8_t *bgra, int32_t width, int32_t height, int32_t pitch, XYWH *box)
{
    int32_t left = width, right = -1, top = height, bottom = -1;
    for (int32_t y = 0; y < height; y++) {
        const uint8_t *row = bgra + static_cast<ptrdiff_t>(y) * pitch;
        for (int32_t x = 0; x < width; x++) {
            if (row[x * 4 + 3] == 0)
                continue;
            left = std::min(left, x), right = std::max(right, x);
            top = std::min(top, y), bottom = std::max(bottom, y);
        }
    }
    *box = {left, top, right - left + 1, bottom - top + 1};
    return right >= 0;
}

int ClipArt_MakeSticker(const uint8_t *bgra, int32_t width, int32_t height, int32_t pitch,
                        DIBIMAGE *out)
{
    *out = {};
    if (!bgra || width <= 0 || height <= 0 || pitch < 4LL * width)
        return Fail("The picture has no pixels.");
    if (width > OWNSTICKER_MAX_INPUT_SIDE || height > OWNSTICKER_MAX_INPUT_SIDE ||
        static_cast<int64_t>(width) * height > OWNSTICKER_MAX_INPUT_PIXELS)
        return Failf("The picture (%d x %d) is larger than a sticker can be made from.", width,
                     height);
    XYWH box;
    if (!VisibleBox(bgra, width, height, pitch, &box))
        return Fail("The picture is wholly transparent.");
    int32_t tw = box.w, th = box.h;
    const int32_t longer = std::max(box.w, box.h);
    if (longer > OWNSTICKER_MAX_SIDE) {
        const double scale = static_cast<double>(OWNSTICKER_MAX_SIDE) / longer;
        tw = std::max(1, static_cast<int32_t>(box.w * scale + 0.5));
        th = std::max(1, static_cast<int32_t>(box.h * scale + 0.5));
    }
    const int32_t outPitch = (tw * 3 + 3) & ~3;
    uint8_t *bits = static_cast<uint8_t *>(PLAT_PixelsAlloc(static_cast<size_t>(th) * outPitch));
    uint8_t *bgraOut = static_cast<uint8_t *>(PLAT_PixelsAlloc(static_cast<size_t>(th) * tw * 4));
    if (!bits || !bgraOut) {
        PLAT_PixelsFree(bits);
        PLAT_PixelsFree(bgraOut);
        return Fail("Out of memory");
    }
    bool partly = false; // a pixel neither opaque nor transparent: the alpha is kept
    // Each target pixel averages the source pixels of its box, weighted by their alpha.
    for (int32_t ty = 0; ty < th; ty++) {
        const int64_t y0 = box.y + static_cast<int64_t>(ty) * box.h / th;
        const int64_t y1 = std::max(y0 + 1, box.y + static_cast<int64_t>(ty + 1) * box.h / th);
        uint8_t *d = bits + static_cast<ptrdiff_t>(ty) * outPitch;
        uint8_t *q = bgraOut + static_cast<ptrdiff_t>(ty) * tw * 4;
        for (int32_t tx = 0; tx < tw; tx++, d += 3, q += 4) {
            const int64_t x0 = box.x + static_cast<int64_t>(tx) * box.w / tw;
            const int64_t x1 = std::max(x0 + 1, box.x + static_cast<int64_t>(tx + 1) * box.w / tw);
            uint64_t sumA = 0, sum[3] = {0, 0, 0};
            for (int64_t y = y0; y < y1; y++) {
                const uint8_t *p = bgra + y * pitch + x0 * 4;
                for (int64_t x = x0; x < x1; x++, p += 4) {
                    sumA += p[3];
                    for (int c = 0; c < 3; c++)
                        sum[c] += static_cast<uint64_t>(p[c]) * p[3];
                }
            }
            const uint64_t count = static_cast<uint64_t>((y1 - y0) * (x1 - x0));
            q[3] = static_cast<uint8_t>((sumA + count / 2) / count);
            for (int c = 0; c < 3; c++)
                q[c] = sumA ? static_cast<uint8_t>((sum[c] + sumA / 2) / sumA) : 0;
            partly = partly || (q[3] != 0 && q[3] != 255);
            if (2 * sumA < 255 * count) {
                d[0] = d[1] = d[2] = 0xFF; // the white key: transparent
                continue;
            }
            for (int c = 0; c < 3; c++)
                d[c] = static_cast<uint8_t>((sum[c] + sumA / 2) / sumA);
            if (d[0] == 0xFF && d[1] == 0xFF && d[2] == 0xFF)
                d[0] = d[1] = d[2] = 0xFE;
        }
    }
    if (!partly) {
        PLAT_PixelsFree(bgraOut);
        bgraOut = nullptr;
    }
    *out = {tw, th, outPitch, bits, bgraOut};
    return 1;
}

// ---- Storing it -----------------------------------------------------------------------------

// The file stem made from a picture's path: lower-case letters, digits, '-' and '_'.
static std::string StemOf(const char *sourcePath)
{
    std::string base = sourcePath ? sourcePath : "";
    const size_t slash = base.find_last_of("/\\");
    if (slash != std::string::npos)
        base = base.substr(slash + 1);
    const size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot > 0)
        base.resize(dot);
    std::string stem;
    for (unsigned char c : base) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<unsigned char>(c + 32);
        const bool keep = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
        stem += keep ? static_cast<char>(c) : '_';
    }
    const size_t first = stem.find_first_not_of("_-");
    stem = first == std::string::npos ? "" : stem.substr(first, kMaxStem);
    while (!stem.empty() && (stem.back() == '_' || stem.back() == '-'))
        stem.pop_back();
    return stem.empty() ? "sticker" : stem;
}

// Whether a new sticker may not take this name: a catalogue sticker or a file of the
// clip-art folder would be loaded in its place.
static bool NameTaken(const std::string &name)
{
    for (int32_t k = 0; gClipArtList[k].szFileName[0]; k++)
        if (strcasecmp(gClipArtList[k].szFileName, name.c_str()) == 0)
            return true;
    return IsFile(ClipArtFolderPath(name));
}

// Makes the folder and the folders on its way; 0 when it cannot be made.
static int MakeFolders(const std::string &folder)
{
    for (size_t at = 1; at <= folder.size(); at++) {
        if (at < folder.size() && folder[at] != '/')
            continue;
        const std::string part = folder.substr(0, at);
        struct stat st;
        if (::stat(part.c_str(), &st) == 0) {
            if (!S_ISDIR(st.st_mode))
                return 0;
        } else if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
            return 0;
        }
    }
    return 1;
}

static void Put(uint8_t *p, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; i++)
        p[i] = static_cast<uint8_t>(value >> (8 * i));
}

// Writes the sticker as a bottom-up 24-bit bitmap with a 40-byte header.
static bool WriteBitmap(int fd, const DIBIMAGE *image)
{
    const uint32_t stride = (static_cast<uint32_t>(image->iWidth) * 3 + 3) & ~3u;
    const uint32_t pixels = stride * static_cast<uint32_t>(image->iHeight);
    uint8_t head[54] = {'B', 'M'};
    Put(head + 2, 54 + pixels, 4);
    Put(head + 10, 54, 4);
    Put(head + 14, 40, 4);
    Put(head + 18, static_cast<uint32_t>(image->iWidth), 4);
    Put(head + 22, static_cast<uint32_t>(image->iHeight), 4);
    Put(head + 26, 1, 2);
    Put(head + 28, 24, 2);
    Put(head + 34, pixels, 4);
    Put(head + 38, 2835, 4);
    Put(head + 42, 2835, 4);
    if (!PLAT_FileWriteAll(fd, head, sizeof head))
        return false;
    std::vector<uint8_t> row(stride, 0);
    for (int32_t y = image->iHeight - 1; y >= 0; y--) {
        std::memcpy(row.data(), image->pBits + static_cast<ptrdiff_t>(y) * image->iPitch,
                    static_cast<size_t>(image->iWidth) * 3);
        if (!PLAT_FileWriteAll(fd, row.data(), stride))
            return false;
    }
    return true;
}

// Writes the sticker's alpha file beside the sticker at path, replacing a stale one left
// by an earlier sticker of that name. A failure leaves the sticker with its white key.
static void SaveAlpha(const DIBIMAGE *sticker, const std::string &folder, const std::string &path)
{
    std::string temp = folder + ".sticker-XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return;
    const bool written =
        ::fchmod(fd, 0644) == 0 &&
        ClipArt_WriteAlphaPng(fd, sticker->pBgra, sticker->iWidth, sticker->iHeight) &&
        PLAT_FileSync(fd) == 0;
    const bool closed = PLAT_FileClose(fd) == 0;
    if (!written || !closed ||
        PLAT_FileRename(temp.c_str(), ClipArt_AlphaPath(path.c_str()).c_str()) != 0)
        ::unlink(temp.c_str());
}

int ClipArt_SaveSticker(const DIBIMAGE *sticker, const char *sourcePath, std::string *fileName)
{
    if (!sticker || !sticker->pBits || sticker->iWidth <= 0 || sticker->iHeight <= 0)
        return Fail("The sticker has no pixels.");
    const std::string folder = PLAT_UserStickerDir();
    if (!MakeFolders(folder)) {
        Fail(folder.c_str());
        return Fail("The sticker folder couldn't be made.");
    }
    // Written in full under a hidden name first, then linked under its own name: a
    // failed save leaves no half-written sticker and never replaces a file.
    std::string temp = folder + ".sticker-XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        Fail(folder.c_str());
        return Fail("The sticker couldn't be written.");
    }
    // On the disk before it gets its name.
    const bool written =
        ::fchmod(fd, 0644) == 0 && WriteBitmap(fd, sticker) && PLAT_FileSync(fd) == 0;
    const bool closed = PLAT_FileClose(fd) == 0;
    if (!written || !closed) {
        ::unlink(temp.c_str());
        Fail(folder.c_str());
        return Fail("The sticker couldn't be written.");
    }
    const std::string stem = StemOf(sourcePath);
    for (int n = 1; n < 1000; n++) {
        const std::string name = n == 1 ? stem + ".clp" : stem + "-" + std::to_string(n) + ".clp";
        if (NameTaken(name))
            continue;
        const std::string path = folder + name;
        // A file system without hard links: the name is checked first, then renamed to.
        const bool done =
            ::link(temp.c_str(), path.c_str()) == 0 ||
            (errno != EEXIST && !Exists(path) && PLAT_FileRename(temp.c_str(), path.c_str()) == 0);
        if (done) {
            ::unlink(temp.c_str());
            *fileName = name;
            if (sticker->pBgra)
                SaveAlpha(sticker, folder, path);
            else // an alpha file left from an earlier sticker of this name is not this one's
                ::unlink(ClipArt_AlphaPath(path.c_str()).c_str());
            return 1;
        }
        if (!Exists(path))
            break; // neither linked nor renamed, and not for a taken name
    }
    ::unlink(temp.c_str());
    Fail(folder.c_str());
    return Fail("The sticker couldn't be given a name.");
}
