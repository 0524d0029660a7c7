// JPEG import and export: real files made with cjpeg, decoded and compared with
// djpeg's own output; the JPEG buffer's layout; the saved file. (A save that fails
// part way is checked in tests/document/test_file_faults.cpp.)
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
