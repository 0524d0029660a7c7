// JPEG import and export: real files made with cjpeg and ImageMagick, decoded and
// compared with djpeg's own output; the JPEG buffer's layout; saving safely.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "formats/formats.h"
#include "picture/imgobj.h"
#include "platform/fake/fake_platform.h"
#include "platform/trail.h"
#include "shell/appstate.h"

namespace fs = std::filesystem;

namespace {

struct Image {
    int w = 0, h = 0, channels = 3;
    std::vector<uint8_t> rgb; // rows of w × channels
};

std::vector<uint8_t> ReadAll(const fs::path &p)
{
    std::ifstream in(p, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Reads a binary PPM (P6) or PGM (P5) with maximum value 255.
Image ReadPnm(const fs::path &p)
{
    Image img;
    std::vector<uint8_t> d = ReadAll(p);
    size_t at = 0;
    auto token = [&]() {
        while (at < d.size() && (isspace(d[at]) || d[at] == '#')) {
            if (d[at] == '#')
                while (at < d.size() && d[at] != '\n')
                    at++;
            else
                at++;
        }
        std::string t;
        while (at < d.size() && !isspace(d[at]))
            t += static_cast<char>(d[at++]);
        return t;
    };
    const std::string magic = token();
    img.channels = magic == "P5" ? 1 : 3;
    img.w = std::stoi(token());
    img.h = std::stoi(token());
    token();
    at++;
    img.rgb.assign(d.begin() + at, d.end());
    return img;
}

void WritePpm(const fs::path &p, const Image &img)
{
    std::ofstream out(p, std::ios::binary);
    out << "P6\n" << img.w << " " << img.h << "\n255\n";
    out.write(reinterpret_cast<const char *>(img.rgb.data()), img.rgb.size());
}

// A picture with smooth areas, edges and every channel in use.
Image TestPicture(int w, int h)
{
    Image img;
    img.w = w;
    img.h = h;
    img.rgb.resize(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            uint8_t *p = &img.rgb[(static_cast<size_t>(y) * w + x) * 3];
            p[0] = static_cast<uint8_t>(x * 255 / (w > 1 ? w - 1 : 1));
            p[1] = static_cast<uint8_t>(y * 255 / (h > 1 ? h - 1 : 1));
            p[2] = ((x / 8 + y / 8) % 2) ? 200 : 30;
        }
    return img;
}

void Shell(const std::string &cmd)
{
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
}

class Jpeg : public ::testing::Test {
  protected:
    fs::path dir;

    void SetUp() override
    {
        FakePlatformReset();
        TrailClear();
        gPictureRect = {0, 0, 0, 0};
        gMaxPhotoPixels = MAX_PHOTO_PIXELS;
        dir = fs::temp_directory_path() /
              ("mw-jpeg-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override
    {
        fs::remove_all(dir);
        gMaxPhotoPixels = MAX_PHOTO_PIXELS;
    }

    // A photo object for the loaders, not in the display list.
    static IMGOBJ *PhotoObject(const fs::path &path)
    {
        IMGOBJ *obj = reinterpret_cast<IMGOBJ *>(AO_Alloc(sizeof(IMGOBJ)));
        obj->ao.iType = AO_TYPE_IMGOBJ;
        obj->pszFullPath = strdup(path.c_str());
        std::snprintf(obj->szFileName, sizeof obj->szFileName, "%s", path.c_str());
        return obj;
    }

    // Loads a file and compares the high-resolution pixels with djpeg's output.
    void ExpectLikeDjpeg(const fs::path &jpg)
    {
        const fs::path ref = dir / "ref.pnm";
        Shell("djpeg -pnm -outfile '" + ref.string() + "' '" + jpg.string() + "'");
        const Image want = ReadPnm(ref);
        IMGOBJ *obj = PhotoObject(jpg);
        ASSERT_TRUE(JpegLoad(obj)) << gErrorTrail;
        ASSERT_EQ(obj->iSrcWidth, want.w);
        ASSERT_EQ(obj->iSrcHeight, want.h);
        EXPECT_EQ(obj->iSrcComponents, 3);
        EXPECT_EQ(gPhotoWidth, want.w);
        EXPECT_EQ(gPhotoHeight, want.h);
        LPDDS hi = obj->iiRes[HI_RES_OBJ].DDSSurface;
        ASSERT_NE(hi, nullptr);
        int mismatches = 0;
        for (int y = 0; y < want.h; y++)
            for (int x = 0; x < want.w; x++) {
                const uint8_t *q = DXPixel(hi, x, y);
                const uint8_t *p = &want.rgb[(static_cast<size_t>(y) * want.w + x) * want.channels];
                const uint8_t r = p[0], g = want.channels == 3 ? p[1] : p[0],
                              b = want.channels == 3 ? p[2] : p[0];
                mismatches += q[0] != b || q[1] != g || q[2] != r;
            }
        EXPECT_EQ(mismatches, 0) << jpg;
        EXPECT_EQ(gDDSBuffer, nullptr) << "the JPEG buffer lives only during decoding";
        AO_DelObj(&obj->ao);
    }
};

TEST_F(Jpeg, DecodesEveryVariantExactlyLikeDjpeg)
{
    const fs::path src = dir / "src.ppm";
    WritePpm(src, TestPicture(97, 61));
    const std::pair<const char *, const char *> variants[] = {
        {"420.jpg", "cjpeg -quality 85 -sample 2x2"},
        {"444.jpg", "cjpeg -quality 92 -sample 1x1"},
        {"progressive.jpg", "cjpeg -progressive"},
        {"gray.jpg", "cjpeg -grayscale"},
        {"restart.jpg", "cjpeg -restart 1B"},
        {"arithmetic.jpg", "cjpeg -arithmetic"},
        {"optimized.jpg", "cjpeg -optimize -sample 2x1"},
    };
    for (const auto &[name, cmd] : variants) {
        const fs::path out = dir / name;
        Shell(std::string(cmd) + " -outfile '" + out.string() + "' '" + src.string() + "'");
        ExpectLikeDjpeg(out);
    }
    // ImageMagick's encoder: progressive 4:2:2 at an odd size.
    WritePpm(src, TestPicture(33, 1001));
    Shell("convert '" + src.string() + "' -sampling-factor 2x1 -interlace Plane '" +
        (dir / "im.jpg").string() + "'");
    ExpectLikeDjpeg(dir / "im.jpg");
}

TEST_F(Jpeg, WidePhotoIsDecodedStraightIntoItsSurface)
{
    // Wider than the smallest surface: the buffer lies over the photo's own surface.
    const fs::path src = dir / "wide.ppm", jpg = dir / "wide.jpg";
    WritePpm(src, TestPicture(1290, 21));
    Shell("cjpeg -quality 80 -outfile '" + jpg.string() + "' '" + src.string() + "'");
    ExpectLikeDjpeg(jpg);
    IMGOBJ *obj = PhotoObject(jpg);
    ASSERT_TRUE(JpegLoad(obj));
    LPDDS hi = obj->iiRes[HI_RES_OBJ].DDSSurface;
    EXPECT_EQ(hi->iWidth, 1296);
    EXPECT_EQ(DXGetPixel(hi, 1290, 0), 0xFFFFFFu) << "outside the photo the surface stays white";
    EXPECT_EQ(DXGetPixel(hi, 0, 21), 0xFFFFFFu);
    AO_DelObj(&obj->ao);
}

TEST_F(Jpeg, OneRowFileFillsTheBufferOnceAndLands)
{
    const fs::path src = dir / "row.ppm", jpg = dir / "row.jpg";
    WritePpm(src, TestPicture(37, 1));
    Shell("cjpeg -outfile '" + jpg.string() + "' '" + src.string() + "'");
    ExpectLikeDjpeg(jpg);
    EXPECT_EQ(FakePlatform().progressSteps, 1);
    EXPECT_EQ(FakePlatform().statusTexts[0].back(), "Opening...");
    EXPECT_EQ(FakePlatform().progressHigh, 1);
}

// CMYK pixels of one flat colour written straight through libjpeg.
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
    c.write_Adobe_marker = adobe ? TRUE : FALSE;
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

TEST_F(Jpeg, CmykAndYcckArriveAsTheRightColours)
{
    // Red: no cyan, full magenta and yellow, no black. Adobe files store inks inverted.
    const uint8_t plain[4] = {0, 255, 255, 0};
    const uint8_t inverted[4] = {255, 0, 0, 255};
    const fs::path files[] = {
        WriteCmyk(dir / "plain.jpg", plain, JCS_CMYK, false),
        WriteCmyk(dir / "adobe.jpg", inverted, JCS_CMYK, true),
        WriteCmyk(dir / "ycck.jpg", inverted, JCS_YCCK, true),
    };
    for (const fs::path &f : files) {
        IMGOBJ *obj = PhotoObject(f);
        ASSERT_TRUE(JpegLoad(obj)) << f << gErrorTrail;
        const uint8_t *p = DXPixel(obj->iiRes[HI_RES_OBJ].DDSSurface, 12, 8);
        EXPECT_LE(p[0], 3) << f;
        EXPECT_LE(p[1], 3) << f;
        EXPECT_GE(p[2], 252) << f;
        AO_DelObj(&obj->ao);
    }
}

TEST_F(Jpeg, ImageMagickCmykMatchesItsOwnConversion)
{
    const fs::path src = dir / "src.ppm", cmyk = dir / "cmyk.jpg", ref = dir / "ref.ppm";
    WritePpm(src, TestPicture(40, 30));
    Shell("convert '" + src.string() + "' -colorspace CMYK -quality 95 '" + cmyk.string() + "'");
    Shell("convert '" + cmyk.string() + "' -colorspace sRGB '" + ref.string() + "'");
    const Image want = ReadPnm(ref);
    IMGOBJ *obj = PhotoObject(cmyk);
    ASSERT_TRUE(JpegLoad(obj)) << gErrorTrail;
    int worst = 0;
    for (int y = 0; y < want.h; y++)
        for (int x = 0; x < want.w; x++) {
            const uint8_t *q = DXPixel(obj->iiRes[HI_RES_OBJ].DDSSurface, x, y);
            const uint8_t *p = &want.rgb[(static_cast<size_t>(y) * want.w + x) * 3];
            worst = std::max({worst, std::abs(q[2] - p[0]), std::abs(q[1] - p[1]),
                              std::abs(q[0] - p[2])});
        }
    EXPECT_LE(worst, 2);
    AO_DelObj(&obj->ao);
}

TEST_F(Jpeg, BufferRowsArePaddedToEightPixelsAndStayBlack)
{
    IMGOBJ *obj = PhotoObject(dir / "none.jpg");
    obj->iSrcWidth = 801;
    obj->iSrcHeight = 2;
    ASSERT_TRUE(CreateImgObjSurface(obj, HI_RES_OBJ));
    ASSERT_TRUE(CreateJpegBuffer(801, 2));
    EXPECT_EQ(gDDSBuffer->iWidth, 808);
    EXPECT_EQ(gDDSBuffer->iPitch, 3 * 808);
    std::vector<uint8_t> row(801 * 3, 0x7F);
    ASSERT_TRUE(FillBuffer2(obj, row.data(), 1));
    ASSERT_TRUE(FillBuffer2(obj, row.data(), 2));
    for (int y = 0; y < 2; y++) {
        const uint8_t *line = gDDSBufferMem + y * 3 * 808;
        EXPECT_EQ(line[3 * 801 - 1], 0x7F);
        for (int k = 3 * 801; k < 3 * 808; k++)
            ASSERT_EQ(line[k], 0) << "padding byte " << k;
    }
    // The last row copied the buffer into the photo's surface.
    EXPECT_EQ(DXGetPixel(obj->iiRes[HI_RES_OBJ].DDSSurface, 800, 1), 0x7F7F7Fu);
    // Rows outside the photo are refused rather than written.
    EXPECT_FALSE(FillBuffer2(obj, row.data(), 3));
    ReleaseJpegBuffer();
    ReleaseJpegBuffer(); // harmless twice
    EXPECT_FALSE(FillBuffer2(obj, row.data(), 1));
    AO_DelObj(&obj->ao);
}

// A W8-stride buffer of one colour (blue, green, red bytes).
std::vector<uint8_t> Flat(int w, int h, uint8_t b, uint8_t g, uint8_t r)
{
    std::vector<uint8_t> px(static_cast<size_t>(W8(w)) * 3 * h, 0);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            uint8_t *p = &px[static_cast<size_t>(y) * W8(w) * 3 + x * 3];
            p[0] = b, p[1] = g, p[2] = r;
        }
    return px;
}

TEST_F(Jpeg, RedStaysInByteTwoThroughSaveAndLoad)
{
    const std::vector<uint8_t> px = Flat(45, 20, 0, 0, 255);
    const fs::path f = dir / "red.jpg";
    ASSERT_TRUE(JpegSave(px.data(), f.c_str(), 45, 20, 3, 90)) << gErrorTrail;
    EXPECT_EQ(FakePlatform().statusTexts[0].back(), "Saving...");
    EXPECT_EQ(FakePlatform().progressSteps, 20);
    IMGOBJ *obj = PhotoObject(f);
    ASSERT_TRUE(JpegLoad(obj)) << gErrorTrail;
    const uint8_t *p = DXPixel(obj->iiRes[HI_RES_OBJ].DDSSurface, 20, 10);
    EXPECT_LE(p[0], 8);
    EXPECT_LE(p[1], 8);
    EXPECT_GE(p[2], 245);
    AO_DelObj(&obj->ao);
}

TEST_F(Jpeg, QualityZeroMeansNinety)
{
    const fs::path src = dir / "src.ppm";
    WritePpm(src, TestPicture(64, 48));
    const Image img = ReadPnm(src);
    std::vector<uint8_t> px(static_cast<size_t>(W8(64)) * 3 * 48);
    for (int i = 0; i < 64 * 48; i++) {
        px[i * 3] = img.rgb[i * 3 + 2];
        px[i * 3 + 1] = img.rgb[i * 3 + 1];
        px[i * 3 + 2] = img.rgb[i * 3];
    }
    ASSERT_TRUE(JpegSave(px.data(), (dir / "q0.jpg").c_str(), 64, 48, 3, 0));
    ASSERT_TRUE(JpegSave(px.data(), (dir / "q90.jpg").c_str(), 64, 48, 3, 90));
    ASSERT_TRUE(JpegSave(px.data(), (dir / "q50.jpg").c_str(), 64, 48, 3, 50));
    EXPECT_EQ(ReadAll(dir / "q0.jpg"), ReadAll(dir / "q90.jpg"));
    EXPECT_NE(ReadAll(dir / "q50.jpg"), ReadAll(dir / "q90.jpg"));
    // The saved file is a baseline JPEG that cjpeg at quality 90 would also make.
    Shell("cjpeg -quality 90 -outfile '" + (dir / "cjpeg.jpg").string() + "' '" + src.string() + "'");
    EXPECT_EQ(ReadAll(dir / "q90.jpg"), ReadAll(dir / "cjpeg.jpg"));
}

TEST_F(Jpeg, FailedSaveLeavesTheEarlierFileAndNoLeftovers)
{
    const fs::path f = dir / "keep.jpg";
    { std::ofstream(f) << "earlier picture"; }
    // Beyond the format's largest width: the library refuses mid-save.
    const std::vector<uint8_t> px(static_cast<size_t>(W8(70000)) * 3, 0);
    EXPECT_FALSE(JpegSave(px.data(), f.c_str(), 70000, 1, 3, 90));
    EXPECT_NE(std::string(gErrorTrail).find("Can't write file"), std::string::npos) << gErrorTrail;
    EXPECT_EQ(ReadAll(f), std::vector<uint8_t>({'e', 'a', 'r', 'l', 'i', 'e', 'r', ' ', 'p', 'i',
                                                  'c', 't', 'u', 'r', 'e'}));
    int files = 0;
    for (const auto &e : fs::directory_iterator(dir))
        files += e.is_regular_file();
    EXPECT_EQ(files, 1);

    TrailClear();
    const std::vector<uint8_t> small = Flat(8, 8, 1, 2, 3);
    EXPECT_FALSE(JpegSave(small.data(), (dir / "no" / "such" / "x.jpg").c_str(), 8, 8, 3, 90));
    EXPECT_STREQ(gErrorTrail, "Can't open file\n");
}

TEST_F(Jpeg, MissingAndBrokenFilesLeaveNoPhoto)
{
    gDDSPicture = DXCreateSurface(gDDSPicture, 2048, 2048, DDSCAPS_SYSTEMOFFSCREEN);
    const fs::path missing = dir / "missing.jpg";
    EXPECT_EQ(IMGOBJ_AddObj(missing.c_str(), IMG_SRC, 0, 0, nullptr, nullptr), nullptr);
    EXPECT_EQ(std::string(gErrorTrail), "can't open " + missing.string() + "\n\nJpegLoad() failed!\n");
    EXPECT_EQ(gAOList, nullptr);

    TrailClear();
    const fs::path text = dir / "notes.jpg";
    { std::ofstream(text) << "this is not a picture at all"; }
    gPhotoWidth = 640;
    EXPECT_EQ(IMGOBJ_AddObj(text.c_str(), IMG_SRC, 0, 0, nullptr, nullptr), nullptr);
    EXPECT_STREQ(gErrorTrail, "Error 1\nJpegLoad() failed!\n");
    EXPECT_EQ(gAOList, nullptr);
    EXPECT_EQ(gDDSBuffer, nullptr);
    EXPECT_EQ(gPhotoWidth, 640) << "a failed load keeps the photo size";
}

TEST_F(Jpeg, TruncatedFileLoadsAsFarAsItGoesOrFailsCleanly)
{
    const fs::path src = dir / "src.ppm", full = dir / "full.jpg";
    WritePpm(src, TestPicture(120, 90));
    Shell("cjpeg -quality 90 -outfile '" + full.string() + "' '" + src.string() + "'");
    std::vector<uint8_t> bytes = ReadAll(full);

    const fs::path half = dir / "half.jpg";
    std::ofstream(half, std::ios::binary).write(reinterpret_cast<const char *>(bytes.data()),
                                                bytes.size() / 2);
    IMGOBJ *obj = PhotoObject(half);
    EXPECT_TRUE(JpegLoad(obj)) << gErrorTrail;
    EXPECT_EQ(obj->iSrcHeight, 90);
    AO_DelObj(&obj->ao);

    const fs::path stub = dir / "stub.jpg";
    std::ofstream(stub, std::ios::binary).write(reinterpret_cast<const char *>(bytes.data()), 100);
    obj = PhotoObject(stub);
    EXPECT_FALSE(JpegLoad(obj));
    EXPECT_STREQ(gErrorTrail, "Error 1\n");
    EXPECT_EQ(gDDSBuffer, nullptr);
    AO_DelObj(&obj->ao);
}

TEST_F(Jpeg, OversizedPhotoIsRefusedBeforeAnythingIsAllocated)
{
    const fs::path src = dir / "src.ppm", jpg = dir / "big.jpg";
    WritePpm(src, TestPicture(200, 100));
    Shell("cjpeg -outfile '" + jpg.string() + "' '" + src.string() + "'");
    gMaxPhotoPixels = 200 * 99;
    IMGOBJ *obj = PhotoObject(jpg);
    EXPECT_FALSE(JpegLoad(obj));
    EXPECT_NE(std::string(gErrorTrail).find("too large: 200 x 100"), std::string::npos) << gErrorTrail;
    EXPECT_EQ(obj->iiRes[HI_RES_OBJ].DDSSurface, nullptr);
    EXPECT_EQ(gDDSBuffer, nullptr);
    AO_DelObj(&obj->ao);
    // The default bound: sides, pixels, and the turned box the picture buffer must hold.
    gMaxPhotoPixels = MAX_PHOTO_PIXELS;
    TrailClear();
    EXPECT_TRUE(PhotoSizeAllowed(16384, 1000));
    EXPECT_TRUE(PhotoSizeAllowed(12000, 12000));
    EXPECT_FALSE(PhotoSizeAllowed(32769, 10));
    EXPECT_FALSE(PhotoSizeAllowed(20000, 20000));
    int32_t bw, bh;
    CalcRotatedSize(16384, 16384, 45, &bw, &bh);
    EXPECT_EQ(PhotoSizeAllowed(16384, 16384),
              static_cast<int64_t>(bw) * bh <= MAX_SURFACE_PIXELS ? 1 : 0);
}

} // namespace
