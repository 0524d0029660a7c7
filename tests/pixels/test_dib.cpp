// Decoding of Windows bitmaps, packed DIBs, bitmap loading and palettes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

#include "support/bmp_builder.h"
#include "pixels/pixels.h"
#include "platform/fake/fake_platform.h"
#include "platform/trail.h"

namespace
{

uint32_t At(const DIBIMAGE &img, int x, int y)
{
    if (!img.pBits || x < 0 || y < 0 || x >= img.iWidth || y >= img.iHeight)
        return 0xBAD0BAD; // a failed decode fails the comparison instead of crashing
    const uint8_t *p = img.pBits + static_cast<size_t>(y) * img.iPitch + 3 * x;
    return p[0] | (p[1] << 8) | (p[2] << 16);
}

std::vector<uint32_t> FullPalette(int n)
{
    std::vector<uint32_t> p(n);
    for (int i = 0; i < n; i++)
        p[i] = ((i + 1) * 0x010203u * 7) & 0xFFFFFF; // none black: black means "no entry"
    return p;
}

// The image decoded from bytes; fails the test when it is refused.
DIBIMAGE Decode(const std::vector<uint8_t> &bytes)
{
    DIBIMAGE img{};
    const char *why = nullptr;
    EXPECT_EQ(DibDecode(bytes.data(), bytes.size(), &img, &why), 1) << why;
    return img;
}

std::string Refusal(const std::vector<uint8_t> &bytes)
{
    DIBIMAGE img{};
    const char *why = nullptr;
    if (DibDecode(bytes.data(), bytes.size(), &img, &why)) {
        DibFreeImage(&img);
        return "";
    }
    EXPECT_EQ(img.pBits, nullptr);
    return why ? why : "?";
}

// Picture used by every format case: 3 × 2, top row first.
const uint32_t kColours[2][3] = {{0x102030, 0xFFFFFF, 0x00FF80}, {0x800000, 0x000000, 0x123456}};

// The picture stored in one format: rows bottom-up (or top-down), packed by `pack`.
std::vector<uint8_t> Rows(int bpp, uint32_t (*pack)(uint32_t), bool topDown)
{
    std::vector<uint8_t> out;
    for (int r = 0; r < 2; r++) {
        std::vector<uint8_t> row;
        for (uint32_t c : kColours[topDown ? r : 1 - r])
            for (int b = 0; b < bpp / 8; b++)
                row.push_back((pack(c) >> (8 * b)) & 0xFF);
        PadRow(row);
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

} // namespace

TEST(DibDecode, DirectColourInEveryHeaderDepthAndOrder)
{
    struct Case {
        uint32_t hdr;
        uint16_t bpp;
        uint32_t compression, r, g, b;
        uint32_t (*pack)(uint32_t);
        int tolerance;
    } cases[] = {
        {40, 24, 0, 0, 0, 0, [](uint32_t c) { return c; }, 0},
        {64, 24, 0, 0, 0, 0, [](uint32_t c) { return c; }, 0},
        {40, 32, 0, 0, 0, 0, [](uint32_t c) { return c; }, 0},
        {40, 16, 0, 0, 0, 0, // 5-5-5 without bit fields
         [](uint32_t c) { return ((c >> 19 & 31) << 10) | ((c >> 11 & 31) << 5) | (c >> 3 & 31); },
         8},
        {40, 16, 3, 0xF800, 0x07E0, 0x001F, // masks after the header
         [](uint32_t c) { return ((c >> 19 & 31) << 11) | ((c >> 10 & 63) << 5) | (c >> 3 & 31); },
         8},
        {108, 32, 3, 0xFF000000, 0xFF0000, 0xFF00, [](uint32_t c) { return c << 8; }, 0},
        {124, 32, 3, 0xFF000000, 0xFF0000, 0xFF00, [](uint32_t c) { return c << 8; }, 0},
    };
    for (const Case &c : cases)
        for (bool topDown : {false, true}) {
            BmpSpec s;
            s.hdrSize = c.hdr;
            s.width = 3;
            s.height = topDown ? -2 : 2;
            s.bpp = c.bpp;
            s.compression = c.compression;
            s.masks[0] = c.r, s.masks[1] = c.g, s.masks[2] = c.b;
            s.pixels = Rows(c.bpp, c.pack, topDown);
            if (topDown) // some writers leave the last row's padding off
                s.pixels.resize(s.pixels.size() - (4 - 3 * c.bpp / 8 % 4) % 4);
            DIBIMAGE img = Decode(MakeBmp(s));
            for (int y = 0; y < 2; y++)
                for (int x = 0; x < 3; x++)
                    for (int ch = 0; ch < 24; ch += 8)
                        EXPECT_NEAR(int(At(img, x, y) >> ch & 255), int(kColours[y][x] >> ch & 255),
                                    c.tolerance)
                            << c.hdr << "/" << c.bpp << "/" << c.compression << " " << x << ","
                            << y;
            EXPECT_EQ(At(img, 1, 0), 0xFFFFFFu) << "full channels scale to 255";
            DibFreeImage(&img);
        }
}

TEST(DibDecode, IndexedDepthsCoreHeaderAndMissingFileHeader)
{
    const std::vector<std::vector<int>> rows = {{0, 1, 2, 3, 1}, {3, 2, 1, 0, 2}, {1, 1, 0, 0, 3}};
    for (uint32_t hdr : {40u, 12u})
        for (int bpp : {1, 4, 8})
            // Bottom-up, top-down, no file header, a table of two colours (indices past
            // it are black; the core header implies its count from the pixel offset).
            for (int variant = 0; variant < 4; variant++) {
                bool topDown = variant == 1 && hdr == 40;
                auto idx = rows;
                for (auto &r : idx)
                    for (int &v : r)
                        v &= (1 << bpp) - 1;
                BmpSpec s;
                s.hdrSize = hdr;
                s.width = 5;
                s.height = topDown ? -3 : 3;
                s.bpp = bpp;
                s.palette = FullPalette(variant == 3 ? 2 : 1 << bpp);
                s.clrUsed = variant == 3 ? 2 : 0;
                s.fileHeader = variant != 2;
                s.pixels = PackIndexRows(idx, bpp, topDown);
                DIBIMAGE img = Decode(MakeBmp(s));
                EXPECT_EQ(img.iPitch, 16);
                for (int y = 0; y < 3; y++)
                    for (int x = 0; x < 5; x++)
                        EXPECT_EQ(At(img, x, y),
                                  idx[y][x] < int(s.palette.size()) ? s.palette[idx[y][x]] : 0u)
                            << hdr << "/" << bpp << "/" << variant << " " << x << "," << y;
                DibFreeImage(&img);
            }
}

TEST(DibDecode, Rle8AndRle4WithRunsStretchesAndDeltas)
{
    BmpSpec s;
    s.width = 6;
    s.height = 3;
    s.bpp = 8;
    s.compression = 1;
    s.palette = FullPalette(256);
    // Bottom row: run of 4 × index 7, single runs of 5 and 6, line end; middle row
    // skipped by a delta of (2, 1); top row: run of 2 × index 9 from x = 2.
    s.pixels = {4, 7, 1, 5, 1, 6, 0, 0, 0, 2, 2, 1, 2, 9, 0, 1};
    DIBIMAGE img = Decode(MakeBmp(s));
    const auto &p = s.palette;
    std::vector<uint32_t> bottom = {p[7], p[7], p[7], p[7], p[5], p[6]};
    for (int x = 0; x < 6; x++) {
        EXPECT_EQ(At(img, x, 2), bottom[x]) << x;
        EXPECT_EQ(At(img, x, 1), p[0]) << "skipped pixels take colour 0";
    }
    EXPECT_EQ(At(img, 1, 0), p[0]);
    EXPECT_EQ(At(img, 2, 0), p[9]);
    EXPECT_EQ(At(img, 3, 0), p[9]);
    EXPECT_EQ(At(img, 5, 0), p[0]) << "after the end of the bitmap";
    DibFreeImage(&img);

    s.bpp = 4;
    s.compression = 2;
    s.palette = FullPalette(16);
    // Run of 5 alternating 1,2; absolute 3 pixels 3,4,5 (two bytes, already even).
    s.pixels = {5, 0x12, 0, 3, 0x34, 0x50, 0, 0, 0, 1};
    s.height = 1;
    s.width = 8;
    img = Decode(MakeBmp(s));
    const int want[8] = {1, 2, 1, 2, 1, 3, 4, 5};
    for (int x = 0; x < 8; x++)
        EXPECT_EQ(At(img, x, 0), s.palette[want[x]]) << x;
    DibFreeImage(&img);
}

TEST(DibDecode, RefusesBadInputWithAReason)
{
    BmpSpec good;
    good.width = 4;
    good.height = 2;
    good.bpp = 8;
    good.palette = FullPalette(4);
    good.clrUsed = 4;
    good.pixels = PackIndexRows({{0, 1, 2, 3}, {3, 2, 1, 0}}, 8);
    auto bytes = MakeBmp(good);
    EXPECT_EQ(Refusal(bytes), "");

    // Every truncation of a valid file is refused without reading past it.
    for (size_t n = 0; n + 1 < bytes.size(); n++) {
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + n);
        EXPECT_NE(Refusal(cut), "") << "cut to " << n;
    }

    const std::pair<void (*)(BmpSpec &), const char *> cases[] = {
        {[](BmpSpec &s) { s.width = 0x10000000, s.height = 0x10; }, "bitmap too large"},
        // Each side allowed, the pixel count is not.
        {[](BmpSpec &s) { s.width = 60000, s.height = -60000; }, "bitmap too large"},
        {[](BmpSpec &s) { s.width = 60000, s.height = INT32_MIN; }, "bitmap too large"},
        {[](BmpSpec &s) { s.clrUsed = 200, s.fileHeader = false; },
         "colour table outside the file"},
        {[](BmpSpec &s) { s.clrUsed = 257, s.fileHeader = false; },
         "more colours than the bits per pixel allow"},
        // One entry more than stored before the pixels.
        {[](BmpSpec &s) { s.clrUsed = 5; }, "colour table runs into the pixel data"},
        {[](BmpSpec &s) { s.bpp = 7; }, "unsupported bits per pixel"},
        // The OS/2 header's coding 3 is not bit fields.
        {[](BmpSpec &s) { s.hdrSize = 64, s.compression = 3; }, "unsupported compression"},
        {[](BmpSpec &s) { s.hdrSize = 41; }, "unknown bitmap header size"},
        // RLE: a run past the row (beyond its padding), a delta past the right edge, a run
        // below the image after three line ends, an absolute stretch cut short.
        {[](BmpSpec &s) { s.compression = 1, s.pixels = {4, 1, 3, 1, 0, 1}; },
         "RLE run leaves the image"},
        {[](BmpSpec &s) { s.compression = 1, s.pixels = {0, 2, 5, 0, 0, 1}; },
         "RLE delta leaves the image"},
        {[](BmpSpec &s) { s.compression = 1, s.pixels = {0, 0, 0, 0, 0, 0, 1, 1}; },
         "RLE run leaves the image"},
        {[](BmpSpec &s) { s.compression = 1, s.pixels = {2, 1, 0, 4, 1, 2}; },
         "RLE data ends early"},
        {[](BmpSpec &s) { s.compression = 1, s.pixels = {2, 1, 0, 4, 1, 2}, s.height = -2; },
         "RLE bitmaps cannot be top-down"},
    };
    for (const auto &[change, reason] : cases) {
        BmpSpec s = good;
        change(s);
        EXPECT_EQ(Refusal(MakeBmp(s)), reason);
    }
    // The pixel offset past the end, then inside the information header.
    for (auto [low, high, reason] : {std::tuple<uint8_t, uint8_t, const char *>{
                                         0xF0, 0xFF, "pixel data outside the file"},
                                     {53, 0, "pixel data overlaps the headers"}}) {
        auto offset = bytes;
        offset[10] = low, offset[11] = high;
        EXPECT_EQ(Refusal(offset), reason);
    }
}

TEST(DibDecode, RefusesMissingPixelsBeforeAllocating)
{
    // Tiny files claiming a 1.9 GB picture. With the address space capped well below
    // that, only a refusal made before allocating gives the true reason.
    BmpSpec rows;
    rows.width = 24999;
    rows.height = 25000;
    rows.pixels = {0, 0, 0, 0};
    BmpSpec rle = rows;
    rle.bpp = 8;
    rle.compression = 1;
    rle.palette = {0xFFFFFF};
    rle.pixels = {0};
    rlimit old, cap;
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    ASSERT_EQ(getrlimit(RLIMIT_AS, &old), 0);
    ASSERT_GT(pages, 0);
    cap = {static_cast<rlim_t>(pages) * sysconf(_SC_PAGESIZE) + (1u << 30), old.rlim_max};
    cap.rlim_cur = std::min(cap.rlim_cur, old.rlim_cur);
    ASSERT_EQ(setrlimit(RLIMIT_AS, &cap), 0);
    std::string whyRows = Refusal(MakeBmp(rows)), whyRle = Refusal(MakeBmp(rle));
    setrlimit(RLIMIT_AS, &old);
    EXPECT_EQ(whyRows, "pixel rows outside the file");
    EXPECT_EQ(whyRle, "RLE data ends early");
}

// ---- Packed DIBs, bitmap files and resources -------------------------------------------

class BitmapFiles : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        FakePlatformReset();
        TrailClear();
        old_ = std::filesystem::current_path();
        dir_ = std::filesystem::temp_directory_path() / ("mw-bmp-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir_);
        std::filesystem::current_path(dir_);
    }
    void TearDown() override
    {
        std::filesystem::current_path(old_);
        std::filesystem::remove_all(dir_);
    }
    std::filesystem::path old_, dir_;
};

TEST_F(BitmapFiles, DibLoadFillsInTheHeaderReadsBareFilesAndWidensCoreTables)
{
    BmpSpec s;
    s.width = 5;
    s.height = -3;
    s.bpp = 8;
    s.palette = FullPalette(256);
    s.pixels = PackIndexRows({{1, 2, 3, 4, 5}, {6, 7, 8, 9, 10}, {0, 0, 0, 0, 255}}, 8, true);
    WriteFile("eight.bmp", MakeBmp(s));
    BITMAPINFOHEADER *dib = DibLoad("eight.bmp");
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(dib->biClrUsed, 256u);
    EXPECT_EQ(dib->biSizeImage, 8u * 3); // 4-byte aligned rows × |height|
    const uint8_t *bytes = reinterpret_cast<const uint8_t *>(dib);
    EXPECT_EQ(bytes[40 + 4 * 3], s.palette[3] & 0xFF);
    EXPECT_EQ(bytes[40 + 1024 + 8 * 2 + 4], 255); // last pixel of the third row
    DibFree(dib);

    BmpSpec core; // no "BM": the header is read from the first byte
    core.hdrSize = 12;
    core.width = 2;
    core.bpp = 1;
    core.palette = {0x112233, 0x445566};
    core.pixels = PackIndexRows({{1, 0}}, 1);
    core.fileHeader = false;
    WriteFile("core.dib", MakeBmp(core));
    dib = DibLoad("core.dib");
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(dib->biSize, 40u);
    EXPECT_EQ(dib->biWidth, 2);
    EXPECT_EQ(dib->biClrUsed, 2u);
    const uint8_t *t = reinterpret_cast<uint8_t *>(dib) + 40;
    EXPECT_EQ(std::vector<uint8_t>(t, t + 9),
              std::vector<uint8_t>({0x33, 0x22, 0x11, 0, 0x66, 0x55, 0x44, 0, 0x80}));
    DibFree(dib);

    std::vector<uint8_t> cut = MakeBmp(s);
    cut.resize(20);
    WriteFile("short.bmp", cut);
    EXPECT_EQ(DibLoad("short.bmp"), nullptr);
    EXPECT_EQ(DibLoad("nowhere.bmp"), nullptr);
}

TEST_F(BitmapFiles, FileBeatsResourceForDibsAndResourceBeatsFileForSurfaces)
{
    BmpSpec file;
    file.pixels = {0x01, 0x02, 0x03, 0};
    BmpSpec res = file;
    res.width = 2;
    res.pixels = {9, 9, 9, 8, 8, 8, 0, 0};
    WriteFile("BOTH", MakeBmp(file));
    FakeAddResource("BOTH", MakeBmp(res));

    BITMAPINFOHEADER *dib = DibLoad("BOTH");
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(dib->biWidth, 1);
    DibFree(dib);

    LPDDS s = DDLoadBitmap(nullptr, "BOTH", 0, 0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->iWidth, 2);
    EXPECT_EQ(DXGetPixel(s, 1, 0), 0x080808u);
    EXPECT_EQ(s->bHasColorKey, 0); // DXInit decides about keys
    DXFillRect(s, 0, 0, 2, 1, 0x123456);
    EXPECT_EQ(DDReLoadBitmap(s, "BOTH"), DD_OK);
    EXPECT_EQ(DXGetPixel(s, 0, 0), 0x090909u);
    DXReleaseSurface(s);

    FakePlatformReset(); // the resource is gone: the file is used
    s = DDLoadBitmap(nullptr, "BOTH", 0, 0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(DXGetPixel(s, 0, 0), 0x030201u);
    DXReleaseSurface(s);
}

TEST_F(BitmapFiles, MissingOrBadBitmapsReportLoadImage)
{
    EXPECT_EQ(DDLoadBitmap(nullptr, "missing.clp", 0, 0), nullptr);
    EXPECT_STREQ(gErrorTrail, "LoadImage() !\n");
    TrailClear();

    WriteFile("bad.clp", {'B', 'M', 1, 2, 3});
    EXPECT_EQ(DDLoadBitmap(nullptr, "bad.clp", 0, 0), nullptr);
    EXPECT_STREQ(gErrorTrail, "bad.clp: file header cut short\nLoadImage() !\n");

    LPDDS s = DXCreateSurface(nullptr, 2, 2, DDSCAPS_SYSTEMOFFSCREEN);
    EXPECT_EQ(DDReLoadBitmap(s, "missing.clp"), DDERR_GENERIC);
    ASSERT_FALSE(FakePlatform().debugOutput.empty());
    EXPECT_EQ(FakePlatform().debugOutput.back(), "handle is null\n");
    DXReleaseSurface(s);
}

TEST_F(BitmapFiles, PaletteStartsFromTheRampAndTakesOnlyIndexedTables)
{
    DDPALETTE *ramp = DDLoadPalette(nullptr, "none");
    ASSERT_NE(ramp, nullptr);
    for (int i : {0, 1, 37, 0xE3, 255}) {
        const uint8_t want[4] = {uint8_t((i >> 5 & 7) * 255 / 7), uint8_t((i >> 2 & 7) * 255 / 7),
                                 uint8_t((i & 3) * 255 / 3), 0};
        EXPECT_EQ(0, std::memcmp(ramp->aEntries[i], want, 4)) << i;
    }

    BmpSpec s; // a resource with a short table: the rest keeps the ramp
    s.bpp = 8;
    s.clrUsed = 3;
    s.palette = {0x102030, 0x405060, 0x708090};
    s.pixels = {0, 0, 0, 0};
    FakeAddResource("PAL", MakeBmp(s));
    DDPALETTE *pal = DDLoadPalette(nullptr, "PAL");
    EXPECT_EQ(pal->aEntries[1][0], 0x40); // red first
    EXPECT_EQ(pal->aEntries[1][2], 0x60);
    EXPECT_EQ(0, std::memcmp(pal->aEntries[3], ramp->aEntries[3], 4 * 253));
    DDReleasePalette(pal);

    s.clrUsed = 0; // a file with a full table
    s.palette = FullPalette(256);
    WriteFile("file.bmp", MakeBmp(s));
    pal = DDLoadPalette(nullptr, "file.bmp");
    EXPECT_EQ(pal->aEntries[200][0], s.palette[200] >> 16 & 0xFF);
    EXPECT_EQ(pal->aEntries[200][2], s.palette[200] & 0xFF);
    DDReleasePalette(pal);

    BmpSpec deep; // a 24-bit bitmap keeps the ramp
    deep.pixels = {1, 2, 3, 0};
    FakeAddResource("DEEP", MakeBmp(deep));
    pal = DDLoadPalette(nullptr, "DEEP");
    EXPECT_EQ(0, std::memcmp(pal->aEntries, ramp->aEntries, sizeof ramp->aEntries));
    DDReleasePalette(pal);
    DDReleasePalette(ramp);
}
