// JPEG import and export against cjpeg and djpeg, and the screen-sized decode before the
// full one. (A save that fails part way is checked in tests/document/test_file_faults.cpp.)
#include <cstdio>

#include <jpeglib.h>

#include "tests/formats/photo_target.h"
#include "tests/support/engine_reset.h"

namespace fs = std::filesystem;

namespace
{

// cjpeg or djpeg with its options, from one file to another.
void Tool(const std::string &tool, const fs::path &from, const fs::path &to)
{
    MakeWith(tool + " -outfile '" + to.string() + "' '" + from.string() + "'");
}

using Jpeg = EngineTest;
using JpegScaled = EngineTest;
constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

// Red (magenta and yellow ink) as a 24 × 16 CMYK or YCCK file written through libjpeg;
// files marked by Adobe store the inks inverted.
void WriteCmyk(const fs::path &p, J_COLOR_SPACE stored, bool adobe)
{
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    FILE *fp = std::fopen(p.c_str(), "wb");
    jpeg_stdio_dest(&c, fp);
    c.image_width = 24, c.image_height = 16, c.input_components = 4;
    c.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_colorspace(&c, stored);
    c.write_Adobe_marker = adobe;
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(24 * 4);
    for (int i = 0; i < 24 * 4; i++)
        row[i] = (i % 4 == 1 || i % 4 == 2) == adobe ? 0 : 255;
    for (JSAMPROW r = row.data(); c.next_scanline < c.image_height;)
        jpeg_write_scanlines(&c, &r, 1);
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(fp);
}

TEST_F(Jpeg, CmykAndYcckArriveInTheirColours)
{
    const struct {
        J_COLOR_SPACE stored;
        bool adobe;
    } cases[] = {{JCS_CMYK, false}, {JCS_CMYK, true}, {JCS_YCCK, true}};
    for (const auto &c : cases) {
        WriteCmyk(dir / "cmyk.jpg", c.stored, c.adobe);
        PhotoTarget t;
        ASSERT_TRUE(t.Load(JpegLoad, dir / "cmyk.jpg")) << gErrorTrail;
        const uint32_t px = DXGetPixel(t.surface, 12, 8);
        EXPECT_GE(px >> 16, 252u) << c.stored << c.adobe;
        EXPECT_LE(px & 0xFFFF, 0x0303u) << c.stored << c.adobe;
    }
}

// Every pixel as djpeg decodes it; a target wider than the photo makes the decoder
// copy its rows instead of decoding in place.
TEST_F(Jpeg, DecodesEveryVariantExactlyLikeDjpeg)
{
    const fs::path src = dir / "src.ppm", jpg = dir / "v.jpg", ref = dir / "ref.pnm";
    const struct {
        int w, h;
        const char *options;
        int32_t minWidth; // wider than W8: decoded into the buffer and copied
    } cases[] = {
        {97, 61, "-quality 85 -sample 2x2", 1280},
        {97, 61, "-progressive", 1280},
        {97, 61, "-grayscale", 1280},
        {1290, 21, "", 0}, // the target has the photo's layout: decoded in place
        {37, 1, "", 0},    // one row: FillBuffer2 runs once, and that call lands the photo
    };
    for (const auto &c : cases) {
        Tool("cjpeg " + std::string(c.options), WritePpm(src, c.w, c.h), jpg);
        Tool("djpeg -pnm", jpg, ref);
        const std::string d = ReadText(ref);
        int at = 0, ch = d[1] == '5' ? 1 : 3;
        std::sscanf(d.c_str(), "%*s %*d %*d 255%n", &at);
        const uint8_t *want = reinterpret_cast<const uint8_t *>(d.data()) + at + 1;
        PhotoTarget t;
        t.minWidth = c.minWidth;
        ASSERT_TRUE(t.Load(JpegLoad, jpg)) << c.options << gErrorTrail;
        ASSERT_EQ((std::array{t.info.iWidth, t.info.iHeight, t.info.iComponents}),
                  (std::array{c.w, c.h, 3}));
        int mismatches = 0;
        for (int i = 0; i < c.w * c.h; i++) {
            const uint8_t *q = DXPixel(t.surface, i % c.w, i / c.w), *p = want + i * ch;
            mismatches += q[2] != p[0] || q[1] != p[ch / 3] || q[0] != p[2 * (ch / 3)];
        }
        EXPECT_EQ(mismatches, 0) << c.options << " " << c.w;
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
    DXReleaseSurface(photo);
}

// Quality 0 is 90: the file is what cjpeg makes of the same pixels, rows W8 apart.
TEST_F(Jpeg, SavedPictureIsWhatCjpegMakesAtQualityNinety)
{
    std::vector<uint8_t> px(static_cast<size_t>(W8(45)) * 3 * 20, 0);
    std::string ppm = "P6\n45 20\n255\n";
    for (int i = 0; i < 45 * 20; i++) {
        uint8_t *p = &px[(i / 45 * W8(45) + i % 45) * 3];
        p[0] = static_cast<uint8_t>(i), p[1] = 120, p[2] = static_cast<uint8_t>(i / 45 * 10);
        ppm += {static_cast<char>(p[2]), static_cast<char>(p[1]), static_cast<char>(p[0])};
    }
    tmp.WriteText("src.ppm", ppm);
    Tool("cjpeg -quality 90", dir / "src.ppm", dir / "cjpeg.jpg");
    ASSERT_TRUE(JpegSave(px.data(), (dir / "q0.jpg").c_str(), 45, 20, 3, 0)) << gErrorTrail;
    EXPECT_EQ(ReadText(dir / "q0.jpg"), ReadText(dir / "cjpeg.jpg"));
}

} // namespace

// The smallest of 1/8, 1/4 and 1/2 that still covers the fit, upright sides against the
// upright fit; the whole photo behind it is JpegLoad's to the byte.
TEST_F(JpegScaled, TheScreenPictureCoversTheFitAndTheFullDecodeIsJpegLoads)
{
    struct Row {
        int32_t w, h;
        int orientation; // 0: no EXIF segment
        int32_t fitW, fitH;
        int32_t shownW, shownH; // upright
    } rows[] = {
        {400, 300, 0, 100, 75, 100, 75},   // exactly a quarter
        {400, 300, 0, 90, 60, 100, 75},    // an eighth is too small
        {400, 300, 0, 40, 30, 50, 38},     // an eighth, rounded up
        {401, 301, 0, 50, 37, 51, 38},     // odd sides round up
        {400, 300, 0, 300, 300, 400, 300}, // no scale covers it: the whole photo, no second decode
        {320, 160, 6, 40, 80, 40, 80},     // stored sideways: a quarter of 160 × 320 upright
        {320, 160, 6, 80, 40, 80, 160},    // the sideways fit needs half
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(::testing::Message() << r.w << "x" << r.h << " o" << r.orientation << " fit "
                                          << r.fitW << "x" << r.fitH);
        const std::string path = (dir / "q.jpg").string();
        QuartersJpeg(path, r.w, r.h, r.orientation);
        const bool sideways = r.orientation >= 5;
        const int32_t uw = sideways ? r.h : r.w, uh = sideways ? r.w : r.h;

        PhotoTarget shown;
        int fd = -1;
        ASSERT_TRUE(JpegLoadScaled(path.c_str(), r.fitW, r.fitH, PhotoTarget::Make, &shown,
                                   &shown.info, &fd))
            << gErrorTrail;
        EXPECT_EQ(std::pair(shown.info.iWidth, shown.info.iHeight), std::pair(r.shownW, r.shownH));
        EXPECT_EQ(std::pair(shown.info.iFullWidth, shown.info.iFullHeight), std::pair(uw, uh));
        // Upright at any scale: the top corners the orientation brings there.
        EXPECT_PRED3(NearColour, DXGetPixel(shown.surface, 2, 2), sideways ? kBlue : kRed, 40);
        EXPECT_PRED3(NearColour, DXGetPixel(shown.surface, r.shownW - 3, 2),
                     sideways ? kRed : kGreen, 40);
        const bool smaller = r.shownW < uw;
        ASSERT_EQ(fd >= 0, smaller);
        if (!smaller)
            continue;

        PhotoTarget whole;
        ASSERT_TRUE(whole.Load(JpegLoad, path)) << gErrorTrail;
        LPDDS full = DXCreateSurface(nullptr, W8(uw), uh, DDSCAPS_SYSTEMOFFSCREEN);
        JPEGFULLJOB *job = JpegFullStart(fd, full, uw, uh);
        ASSERT_NE(job, nullptr) << gErrorTrail;
        ASSERT_TRUE(JpegFullFinish(job, 0)) << gErrorTrail;
        for (int32_t y = 0; y < uh; y++)
            ASSERT_EQ(std::memcmp(DXPixel(full, 0, y), DXPixel(whole.surface, 0, y),
                                  static_cast<size_t>(uw) * 3),
                      0)
                << "row " << y;
        DXReleaseSurface(full);
    }
}

// The full decode runs after the screen-sized one returned: a file rewritten in place
// meanwhile, a cancel and a cut-off file each end it soundly.
TEST_F(JpegScaled, TheFullDecodeEndsSoundlyWhenItCannotGiveThePhoto)
{
    struct Row {
        const char *what;
        int cancel;
        const char *reason; // in the trail after the finish; null: none, and it fails silently
    } rows[] = {
        {"rewritten", 0, "The file changed while it was being opened."},
        {"cancelled", 1, nullptr},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        TrailClear();
        const std::string path = (dir / "p.jpg").string();
        QuartersJpeg(path, 640, 480);
        PhotoTarget shown;
        int fd = -1;
        ASSERT_TRUE(
            JpegLoadScaled(path.c_str(), 80, 60, PhotoTarget::Make, &shown, &shown.info, &fd));
        ASSERT_GE(fd, 0);
        if (std::string(r.what) == "rewritten") {
            // The same file (the open descriptor sees it) now holds another photo.
            const std::string other = (dir / "other.jpg").string();
            QuartersJpeg(other, 320, 480);
            WriteFile(path, ReadBytes(other));
        }
        LPDDS full = DXCreateSurface(nullptr, 640, 480, DDSCAPS_SYSTEMOFFSCREEN);
        JPEGFULLJOB *job = JpegFullStart(fd, full, 640, 480);
        ASSERT_NE(job, nullptr);
        EXPECT_FALSE(JpegFullFinish(job, r.cancel));
        if (r.reason)
            EXPECT_NE(std::string(gErrorTrail).find(r.reason), std::string::npos) << gErrorTrail;
        else
            EXPECT_STREQ(gErrorTrail, "");
        DXReleaseSurface(full);
    }
}

// A file cut off in its picture data says so from its screen-sized decode, before the
// full one: the window tells the user at once.
TEST_F(JpegScaled, ACutOffFileIsIncompleteAtScreenSizeToo)
{
    const std::string path = (dir / "cut.jpg").string();
    QuartersJpeg(path, 640, 480);
    std::vector<uint8_t> bytes = ReadBytes(path);
    bytes.resize(bytes.size() * 2 / 3);
    WriteFile(path, bytes);
    PhotoTarget shown;
    int fd = -1;
    ASSERT_TRUE(JpegLoadScaled(path.c_str(), 80, 60, PhotoTarget::Make, &shown, &shown.info, &fd))
        << gErrorTrail;
    EXPECT_TRUE(shown.info.bIncomplete);
    ASSERT_GE(fd, 0);
    LPDDS full = DXCreateSurface(nullptr, 640, 480, DDSCAPS_SYSTEMOFFSCREEN);
    EXPECT_TRUE(JpegFullFinish(JpegFullStart(fd, full, 640, 480), 0)) << gErrorTrail;
    DXReleaseSurface(full);
}
