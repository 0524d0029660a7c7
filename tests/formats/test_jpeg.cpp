// JPEG import and export: real files made with cjpeg and ImageMagick, decoded and
// compared with djpeg's own output; the JPEG buffer's layout; saving safely.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <array>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "formats/formats.h"
#include "tests/formats/photo_target.h"
#include "tests/support/engine_reset.h"

namespace fs = std::filesystem;

namespace
{

std::string ReadAll(const fs::path &p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path &p, const std::string &bytes)
{
    std::ofstream(p, std::ios::binary) << bytes;
}

// cjpeg with its options, from a PPM to a JPEG.
void Cjpeg(const std::string &options, const fs::path &ppm, const fs::path &jpg)
{
    const std::string cmd =
        "cjpeg " + options + " -outfile '" + jpg.string() + "' '" + ppm.string() + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
}

void Shell(const std::string &cmd)
{
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
}

// A PPM with smooth areas, edges and every channel in use.
fs::path TestPicture(const fs::path &p, int w, int h)
{
    std::string px;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            px += static_cast<char>(x * 255 / (w > 1 ? w - 1 : 1));
            px += static_cast<char>(y * 255 / (h > 1 ? h - 1 : 1));
            px += static_cast<char>((x / 8 + y / 8) % 2 ? 200 : 30);
        }
    WriteAll(p, "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n" + px);
    return p;
}

class Jpeg : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        EngineReset();
        dir = fs::temp_directory_path() / ("mw-jpeg-" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;

    // Loads a file and compares every pixel with djpeg's output; a target wider than the
    // photo makes the decoder copy its rows instead of decoding in place.
    void ExpectLikeDjpeg(const fs::path &jpg, int32_t minWidth = 0)
    {
        const fs::path ref = dir / "ref.pnm";
        Shell("djpeg -pnm -outfile '" + ref.string() + "' '" + jpg.string() + "'");
        const std::string d = ReadAll(ref);
        char magic[3] = {};
        int w = 0, h = 0, at = 0;
        std::sscanf(d.c_str(), "%2s %d %d 255%n", magic, &w, &h, &at);
        const int ch = magic[1] == '5' ? 1 : 3;
        const uint8_t *want = reinterpret_cast<const uint8_t *>(d.data()) + at + 1;

        PhotoTarget t;
        t.minWidth = minWidth;
        ASSERT_TRUE(t.Load(JpegLoad, jpg)) << jpg << gErrorTrail;
        ASSERT_EQ((std::array{t.info.iWidth, t.info.iHeight, t.info.iComponents}),
                  (std::array{w, h, 3}));
        int mismatches = 0;
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) {
                const uint8_t *q = DXPixel(t.surface, x, y);
                const uint8_t *p = want + (static_cast<size_t>(y) * w + x) * ch;
                mismatches += q[2] != p[0] || q[1] != p[ch / 3] || q[0] != p[2 * (ch / 3)];
            }
        EXPECT_EQ(mismatches, 0) << jpg;
        EXPECT_EQ(gDDSBuffer, nullptr) << "the JPEG buffer lives only while decoding";
    }
};

TEST_F(Jpeg, DecodesEveryVariantExactlyLikeDjpeg)
{
    const fs::path src = dir / "src.ppm";
    const struct {
        int w, h;
        const char *options;
        int32_t minWidth; // wider than W8: decoded into the buffer and copied
    } cases[] = {
        {97, 61, "-quality 85 -sample 2x2", 1280}, {97, 61, "-sample 1x1", 1280},
        {97, 61, "-progressive", 1280},            {97, 61, "-grayscale", 1280},
        {97, 61, "-restart 1B", 1280},             {97, 61, "-arithmetic", 1280},
        {1290, 21, "", 0}, // the target has the photo's layout: decoded in place
        {37, 1, "", 0},    // one row: FillBuffer2 runs once, and that call lands the photo
    };
    for (const auto &c : cases) {
        FakePlatformReset();
        Cjpeg(c.options, TestPicture(src, c.w, c.h), dir / "v.jpg");
        ExpectLikeDjpeg(dir / "v.jpg", c.minWidth);
        EXPECT_EQ(FakePlatform().statusTexts[0].back(), "Opening...");
        EXPECT_EQ(FakePlatform().progressHigh, c.h);
    }
    // ImageMagick's encoder: progressive 4:2:2 at an odd size.
    TestPicture(src, 33, 1001);
    Shell("convert '" + src.string() + "' -sampling-factor 2x1 -interlace Plane '" +
          (dir / "im.jpg").string() + "'");
    ExpectLikeDjpeg(dir / "im.jpg");
}

// 24 × 16 pixels of one CMYK colour written straight through libjpeg.
fs::path WriteCmyk(const fs::path &p, const uint8_t cmyk[4], J_COLOR_SPACE stored, bool adobe)
{
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    FILE *fp = std::fopen(p.c_str(), "wb");
    jpeg_stdio_dest(&c, fp);
    c.image_width = 24;
    c.image_height = 16;
    c.input_components = 4;
    c.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_colorspace(&c, stored);
    c.write_Adobe_marker = adobe;
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(24 * 4);
    for (int i = 0; i < 24; i++)
        std::memcpy(&row[i * 4], cmyk, 4);
    while (c.next_scanline < c.image_height) {
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(fp);
    return p;
}

TEST_F(Jpeg, CmykAndYcckArriveInTheirColours)
{
    // Red: magenta and yellow ink only. Files marked by Adobe store the inks inverted.
    const uint8_t plain[4] = {0, 255, 255, 0}, inverted[4] = {255, 0, 0, 255};
    for (const fs::path &f : {WriteCmyk(dir / "plain.jpg", plain, JCS_CMYK, false),
                              WriteCmyk(dir / "adobe.jpg", inverted, JCS_CMYK, true),
                              WriteCmyk(dir / "ycck.jpg", inverted, JCS_YCCK, true)}) {
        PhotoTarget t;
        ASSERT_TRUE(t.Load(JpegLoad, f)) << f << gErrorTrail;
        const uint32_t px = DXGetPixel(t.surface, 12, 8);
        EXPECT_GE(px >> 16, 252u) << f;
        EXPECT_LE(px & 0xFFFF, 0x0303u) << f;
    }
}

TEST_F(Jpeg, BufferRowsArePaddedToEightPixelsThatStayBlack)
{
    LPDDS photo = DXCreateSurface(nullptr, 1280, 2, DDSCAPS_SYSTEMOFFSCREEN);
    ASSERT_TRUE(CreateJpegBuffer(801, 2));
    EXPECT_EQ(gDDSBuffer->iPitch, 3 * 808);
    const std::vector<uint8_t> row(801 * 3, 0x7F);
    for (int n : {1, 2})
        ASSERT_TRUE(FillBuffer2(photo, 801, 2, row.data(), n));
    for (int k = 3 * 801 - 1; k < 2 * 3 * 808; k++)
        ASSERT_EQ(gDDSBufferMem[k], k % (3 * 808) < 3 * 801 ? 0x7F : 0) << k;
    // The last row copied the buffer into the photo's surface.
    EXPECT_EQ(DXGetPixel(photo, 800, 1), 0x7F7F7Fu);
    EXPECT_FALSE(FillBuffer2(photo, 801, 2, row.data(), 3)) << "a row beyond the photo is refused";
    ReleaseJpegBuffer();
    EXPECT_FALSE(FillBuffer2(photo, 801, 2, row.data(), 1)) << "nothing is written without a buffer";
    DXReleaseSurface(photo);
}

// Quality 0 is quality 90, and the file is what cjpeg makes of the same pixels (rows
// W8 pixels apart in memory).
TEST_F(Jpeg, SavedPictureIsWhatCjpegMakesAtQualityNinety)
{
    std::vector<uint8_t> px(static_cast<size_t>(W8(45)) * 3 * 20, 0);
    std::string ppm = "P6\n45 20\n255\n";
    for (int i = 0; i < 45 * 20; i++) {
        uint8_t *p = &px[(i / 45 * W8(45) + i % 45) * 3];
        p[0] = static_cast<uint8_t>(i), p[1] = 120, p[2] = static_cast<uint8_t>(i / 45 * 10);
        ppm += {static_cast<char>(p[2]), static_cast<char>(p[1]), static_cast<char>(p[0])};
    }
    WriteAll(dir / "src.ppm", ppm);
    Cjpeg("-quality 90", dir / "src.ppm", dir / "cjpeg.jpg");
    ASSERT_TRUE(JpegSave(px.data(), (dir / "q0.jpg").c_str(), 45, 20, 3, 0)) << gErrorTrail;
    EXPECT_EQ(FakePlatform().statusTexts[0].back(), "Saving...");
    EXPECT_EQ(FakePlatform().progressSteps, 20);
    ASSERT_TRUE(JpegSave(px.data(), (dir / "q50.jpg").c_str(), 45, 20, 3, 50));
    EXPECT_EQ(ReadAll(dir / "q0.jpg"), ReadAll(dir / "cjpeg.jpg"));
    EXPECT_NE(ReadAll(dir / "q50.jpg"), ReadAll(dir / "q0.jpg"));
}

TEST_F(Jpeg, FailedSaveLeavesTheEarlierFileAndNoLeftovers)
{
    const fs::path f = dir / "keep.jpg";
    WriteAll(f, "earlier picture");
    // Wider than the format allows: the library gives up part way.
    const std::vector<uint8_t> wide(static_cast<size_t>(W8(70000)) * 3, 0);
    EXPECT_FALSE(JpegSave(wide.data(), f.c_str(), 70000, 1, 3, 90));
    EXPECT_EQ(std::string(gErrorTrail).rfind("Can't write file", 0), 0u) << gErrorTrail;
    EXPECT_EQ(ReadAll(f), "earlier picture");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

    TrailClear();
    EXPECT_FALSE(JpegSave(wide.data(), (dir / "no" / "x.jpg").c_str(), 8, 8, 3, 90));
    EXPECT_STREQ(gErrorTrail, "Can't open file\n");
}

TEST_F(Jpeg, BadFilesLeaveNoPhotoAndTruncatedOnesLoadAsFarAsTheyGo)
{
    const fs::path full = dir / "full.jpg";
    Cjpeg("", TestPicture(dir / "s.ppm", 120, 90), full);
    const std::string bytes = ReadAll(full);
    WriteAll(dir / "half.jpg", bytes.substr(0, bytes.size() / 2));
    WriteAll(dir / "notes.jpg", "this is not a picture at all");
    const std::string missing = (dir / "missing.jpg").string();
    const std::pair<const char *, std::string> cases[] = {
        {"half.jpg", ""}, // loads: the missing rows stay grey
        {"missing.jpg", "can't open " + missing + "\n\nJpegLoad() failed!\n"},
        {"notes.jpg", "Error 1\nJpegLoad() failed!\n"},
        {"notes.txt", "You've choosen an invalid file extension.\n"},
    };
    for (const auto &[name, trail] : cases) {
        TrailClear();
        PhotoTarget t;
        EXPECT_EQ(t.Load(PhotoLoad, dir / name), trail.empty()) << name;
        EXPECT_EQ(gErrorTrail, trail) << name;
        EXPECT_EQ(t.info.iHeight, trail.empty() ? 90 : 0) << name;
        EXPECT_EQ(gDDSBuffer, nullptr) << name;
    }
}

TEST_F(Jpeg, OversizedPhotoIsRefusedBeforeAnythingIsAllocated)
{
    const fs::path jpg = dir / "big.jpg";
    Cjpeg("", TestPicture(dir / "s.ppm", 200, 100), jpg);
    gMaxPhotoPixels = 200 * 99;
    PhotoTarget t;
    EXPECT_FALSE(t.Load(JpegLoad, jpg));
    EXPECT_NE(std::string(gErrorTrail).find("too large: 200 x 100"), std::string::npos);
    EXPECT_EQ(t.calls, 0);
    // The default bound: sides, pixels, and the turned box the picture buffer must hold.
    gMaxPhotoPixels = MAX_PHOTO_PIXELS;
    for (auto [w, h, allowed] : {std::tuple{16384, 1000, true}, {12000, 12000, true},
                                 {32769, 10, false}, {20000, 20000, false}})
        EXPECT_EQ(PhotoSizeAllowed(w, h), allowed) << w << " x " << h;
}

} // namespace
