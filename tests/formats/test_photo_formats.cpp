// Photos in and out: PNG, WebP and turned JPEG photos read, broken ones refused, and the
// composed picture written as PNG and WebP.
#include <png.h>
#include <webp/decode.h>
#include <webp/encode.h>

#include "support/engine_reset.h"
#include "support/png16.h"
#include "tests/formats/photo_target.h"

namespace
{

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kYellow = 0xFFFF00;

class PhotoFormats : public ::testing::Test
{
  protected:
    void SetUp() override { TrailClear(); }
    // A 40 × 20 picture: red left half, blue right half; its top 5 rows transparent and the
    // next 5 half transparent green when `alpha`.
    std::string Source(bool alpha)
    {
        std::string s = "convert -size 20x20 xc:red -size 20x20 xc:blue +append";
        if (alpha)
            s += " -alpha set -region 40x5+0+0 -alpha transparent +region"
                 " -region 40x5+0+5 -fill '#00FF0080' -draw 'color 0,0 reset' +region";
        return s;
    }
    TempDir tmp;
    std::string In(const std::string &name) const { return tmp.Path() + "/" + name; }
};

} // namespace

TEST_F(PhotoFormats, EveryPngAndWebpVariantDecodesWithAlphaOverWhite)
{
    const struct {
        std::string name, command;
        bool alpha, grey;
        int tolerance;
    } cases[] = {
        {"rgb.png", Source(false) + " PNG24:%s", false, false, 0},
        {"rgb16.png", Source(false) + " -depth 16 PNG48:%s", false, false, 0},
        {"palette.png", Source(false) + " PNG8:%s", false, false, 0},
        {"grey.png", Source(false) + " -colorspace Gray -define png:color-type=0 %s", false, true,
         1},
        {"rgba.png", Source(true) + " PNG32:%s", true, false, 2},
        {"rgba16.png", Source(true) + " -depth 16 PNG64:%s", true, false, 2},
        {"lossless.webp", Source(false) + " png:- | cwebp -quiet -lossless -o %s -- -", false,
         false, 0},
        {"lossy.webp", Source(false) + " png:- | cwebp -quiet -q 95 -o %s -- -", false, false, 24},
        {"alpha.webp", Source(true) + " png:- | cwebp -quiet -lossless -exact -o %s -- -", true,
         false, 2},
    };
    for (const auto &c : cases) {
        const std::string path = In(c.name);
        std::string command = c.command;
        command.replace(command.find("%s"), 2, path);
        MakeWith(command);
        PhotoTarget t;
        ASSERT_TRUE(t.Load(PhotoLoad, path)) << c.name << ": " << gErrorTrail;
        EXPECT_EQ(std::pair(t.info.iWidth, t.info.iHeight), std::pair(40, 20)) << c.name;
        const uint32_t left = c.grey ? 0x363636 : kRed, right = c.grey ? 0x121212 : kBlue;
        EXPECT_PRED3(NearColour, DXGetPixel(t.surface, 5, 15), left,
                     c.tolerance + (c.grey ? 20 : 0))
            << c.name;
        EXPECT_PRED3(NearColour, DXGetPixel(t.surface, 35, 15), right,
                     c.tolerance + (c.grey ? 20 : 0))
            << c.name;
        if (c.alpha) {
            EXPECT_PRED3(NearColour, DXGetPixel(t.surface, 5, 2), 0xFFFFFF, c.tolerance) << c.name;
            // Half-transparent green over white: between the two, green kept full.
            const uint32_t half = DXGetPixel(t.surface, 30, 7);
            EXPECT_EQ((half >> 8) & 0xFF, 0xFFu) << c.name;
            EXPECT_NEAR(static_cast<int>(half >> 16), 0x7F, 12) << c.name;
        }
    }
}

// 16-bit PNGs without a gamma of their own are sRGB-encoded, as viewers show them; a gAMA
// of 1/2.2 says the same, and one of 1.0 (linear light) is encoded to sRGB.
TEST_F(PhotoFormats, SixteenBitPngsShowAsOtherProgramsShowThem)
{
    int n = 0;
    for (const double gamma : {0.0, 1 / 2.2, 1.0})
        for (const bool colour : {false, true})
            for (const bool alpha : {false, true})
                for (const bool interlaced : {false, true}) {
                    const std::string path = In(std::to_string(n++) + ".png");
                    SCOPED_TRACE(::testing::Message()
                                 << "gamma " << gamma << " colour " << colour << " alpha " << alpha
                                 << " interlaced " << interlaced);
                    ASSERT_TRUE(WritePng16(path, colour, alpha, interlaced, gamma));
                    PhotoTarget t;
                    ASSERT_TRUE(t.Load(PhotoLoad, path)) << gErrorTrail;
                    for (int x = 0; x < 16; x++) {
                        const unsigned v = x * 4369u;
                        const uint32_t p = DXGetPixel(t.surface, x, 5);
                        const int shown[3] = {Shown8(v, gamma == 1.0),
                                              Shown8(colour ? 65535 - v : v, gamma == 1.0),
                                              Shown8(colour ? v / 2 : v, gamma == 1.0)};
                        for (int c = 0; c < 3; c++)
                            EXPECT_NEAR(static_cast<int>(p >> (16 - 8 * c) & 0xFF), shown[c], 2)
                                << "x " << x << " channel " << c;
                    }
                }
}

// A JPEG stored sideways with an EXIF orientation arrives upright: the top corners of
// a picture whose quarters are red, green (top) and blue, yellow (bottom).
TEST_F(PhotoFormats, JpegsWithAnOrientationArriveUpright)
{
    const int32_t w = 64, h = 32;
    const uint32_t corners[9][2] = {{},
                                    {kRed, kGreen},
                                    {kGreen, kRed},
                                    {kYellow, kBlue},
                                    {kBlue, kYellow},
                                    {kRed, kBlue},
                                    {kBlue, kRed},
                                    {kYellow, kGreen},
                                    {kGreen, kYellow}};
    for (int orientation = 1; orientation <= 8; orientation++) {
        for (bool bigEndian : {false, true}) {
            const std::vector<uint8_t> app1 = ExifSegment(orientation, bigEndian);
            EXPECT_EQ(ExifOrientation(app1.data(), app1.size()), orientation);
            const std::string path = In("turned.jpg");
            QuartersJpeg(path, w, h, orientation, bigEndian);
            PhotoTarget t;
            ASSERT_TRUE(t.Load(JpegLoad, path)) << orientation << ": " << gErrorTrail;
            const int32_t uw = orientation >= 5 ? h : w, uh = orientation >= 5 ? w : h;
            EXPECT_EQ(std::pair(t.info.iWidth, t.info.iHeight), std::pair(uw, uh)) << orientation;
            EXPECT_PRED3(NearColour, DXGetPixel(t.surface, 4, 4), corners[orientation][0], 40)
                << orientation;
            EXPECT_PRED3(NearColour, DXGetPixel(t.surface, uw - 5, 4), corners[orientation][1], 40)
                << orientation;
        }
    }
}

// Refused before a surface is asked for: files that are no picture, and photos larger
// than the limit (for the JPEG, one lowered below its size).
TEST_F(PhotoFormats, BrokenFilesAndOrientationsAreRefusedOrIgnoredSafely)
{
    BmpLayout huge; // 40000 × 40000 pixels, top-down, with hardly any data
    huge.width = 40000, huge.height = -40000, huge.pixels.resize(16);
    WriteFile(In("huge.bmp"), MakeBmp(huge));
    WriteFile(In("junk.bmp"), {'B', 'M', '?'});
    tmp.WriteText("notes.jpg", "this is not a picture at all");
    MakeWith("convert -size 200x100 xc:red " + In("big.jpg"));
    gMaxPhotoPixels = 200 * 99;
    for (const auto &[name, trail] :
         {std::pair{"junk.bmp", "LoadImage() !\nBitmapLoad() failed!\n"},
          {"huge.bmp", "too large: 40000 x 40000"},
          {"notes.jpg", "Error 1\nJpegLoad() failed!\n"},
          {"big.jpg", "too large: 200 x 100"}}) {
        TrailClear();
        PhotoTarget t;
        EXPECT_FALSE(t.Load(PhotoLoad, In(name)));
        EXPECT_NE(std::string(gErrorTrail).find(trail), std::string::npos) << gErrorTrail;
        EXPECT_EQ(t.calls, 0) << name;
        EXPECT_EQ(gDDSBuffer, nullptr) << name;
    }
    gMaxPhotoPixels = MAX_PHOTO_PIXELS;
    // Cut files other than JPEGs (which open as far as they go) fail.
    MakeWith(Source(true) + " PNG32:" + In("whole.png"));
    MakeWith(Source(false) + " png:- | cwebp -quiet -o " + In("whole.webp") + " -- -");
    for (const char *name : {"whole.png", "whole.webp"}) {
        const std::string bytes = ReadText(In(name));
        for (size_t keep : {bytes.size() / 2, size_t{40}, size_t{3}}) {
            tmp.WriteText(std::string("cut_") + name, bytes.substr(0, keep));
            TrailClear();
            PhotoTarget t;
            EXPECT_FALSE(t.Load(PhotoLoad, In(std::string("cut_") + name)))
                << name << " cut at " << keep;
            EXPECT_NE(std::string(gErrorTrail).find("failed!"), std::string::npos) << gErrorTrail;
        }
    }
    // Orientation segments that do not add up read as upright.
    const std::vector<std::vector<uint8_t>> odd = {
        {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0},             // entry cut off
        {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 0xF0, 0xFF, 0xFF, 0x7F, 1, 0}, // far IFD
        {'E', 'x', 'i',  'f',  0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0,
         1,   0,   0x12, 0x01, 3, 0, 1,   0,   0,  0, 9, 0, 0, 0}, // 9 is no orientation
        {'E', 'x', 'i',  'f',  0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0,
         1,   0,   0x12, 0x01, 4, 0, 1,   0,   0,  0, 6, 0, 0, 0}, // not a SHORT
        {'J', 'F', 'I', 'F', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0}};
    for (const auto &segment : odd)
        EXPECT_EQ(ExifOrientation(segment.data(), segment.size()), 1);
}

namespace
{

// A w × h gradient with a hard edge, rows padded to `stride` bytes; blue, green, red.
std::vector<uint8_t> Picture(int w, int h, size_t stride)
{
    std::vector<uint8_t> px(stride * h, 0xEE); // the padding must not leak into the file
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            uint8_t *p = &px[y * stride + x * 3];
            p[0] = static_cast<uint8_t>(x * 255 / w);
            p[1] = static_cast<uint8_t>(y * 255 / h);
            p[2] = x < w / 2 ? 200 : 30;
        }
    return px;
}

// The file read back as packed blue, green, red rows by the library of its kind; empty
// when the library does not read it as that kind.
std::vector<uint8_t> ReadBack(const std::string &path, int *w, int *h)
{
    const std::vector<uint8_t> bytes = ReadBytes(path);
    std::vector<uint8_t> px;
    if (FileTypeOf(path.c_str()) == FILETYPE_PNG) {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
            return {};
        image.format = PNG_FORMAT_BGR;
        px.resize(PNG_IMAGE_SIZE(image));
        if (!png_image_finish_read(&image, nullptr, px.data(), 0, nullptr))
            return {};
        *w = static_cast<int>(image.width), *h = static_cast<int>(image.height);
    } else {
        uint8_t *out = WebPDecodeBGR(bytes.data(), bytes.size(), w, h);
        if (!out)
            return {};
        px.assign(out, out + static_cast<size_t>(*w) * *h * 3);
        WebPFree(out);
    }
    return px;
}

// The mean difference per channel between the packed copy and the padded original.
double MeanError(const std::vector<uint8_t> &got, const std::vector<uint8_t> &want, int w, int h,
                 size_t stride)
{
    double sum = 0;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w * 3; x++)
            sum += std::abs(got[(y * w) * 3 + x] - want[y * stride + x]);
    return sum / (w * h * 3.0);
}

class PictureSave : public EngineTest
{
};

TEST_F(PictureSave, EachNameGetsItsKindAndReadsBackAsWritten)
{
    const int w = 61, h = 37; // odd sizes, rows padded beyond the pixels
    const size_t stride = 64 * 3;
    const std::vector<uint8_t> px = Picture(w, h, stride);
    const struct {
        const char *name;
        int quality;
        double maxError; // PNG is lossless
    } cases[] = {{"out.png", 90, 0.0}, {"OUT.PNG", 5, 0.0}, {"out.webp", 90, 6.0}};
    for (const auto &c : cases) {
        const std::string path = dir / c.name;
        ASSERT_TRUE(PictureSaveRows(px.data(), stride, path.c_str(), w, h, c.quality))
            << gErrorTrail;
        int gotW = 0, gotH = 0;
        const std::vector<uint8_t> got = ReadBack(path, &gotW, &gotH);
        ASSERT_EQ(std::pair(gotW, gotH), std::pair(w, h)) << c.name;
        EXPECT_LE(MeanError(got, px, w, h, stride), c.maxError) << c.name;
    }
    // Any other name is a JPEG.
    const std::string jpeg = dir / "out.jpeg";
    ASSERT_TRUE(PictureSaveRows(px.data(), stride, jpeg.c_str(), w, h, 90));
    EXPECT_EQ(ReadBytes(jpeg).at(0), 0xFF);
}

// The quality reaches the WebP and JPEG encoders: a low one makes a smaller, rougher file;
// one out of range means the default.
TEST_F(PictureSave, TheQualityReachesTheLossyEncoders)
{
    const int w = 120, h = 90;
    const std::vector<uint8_t> px = Picture(w, h, w * 3);
    for (const char *ext : {".webp", ".jpg"}) {
        auto size = [&](int quality) {
            const std::string path = dir / ("q" + std::to_string(quality) + ext);
            EXPECT_TRUE(PictureSaveRows(px.data(), w * 3, path.c_str(), w, h, quality));
            return ReadBytes(path).size();
        };
        EXPECT_LT(size(10), size(90)) << ext;
        if (std::string(ext) == ".webp") {
            EXPECT_EQ(size(0), size(90)) << "the default";
        }
    }
}

TEST_F(PictureSave, APictureThatCannotBeWrittenLeavesTheEarlierFile)
{
    const int w = 16, h = 8;
    const std::vector<uint8_t> px =
        Picture(WEBP_MAX_DIMENSION + 1, h, (WEBP_MAX_DIMENSION + 1) * 3);
    const struct {
        const char *name;
        int w;
        const char *says;
    } cases[] = {
        {"no/such/folder.png", w, "Can't open file"},
        {"no/such/folder.webp", w, "Can't open file"},
        {"wide.webp", WEBP_MAX_DIMENSION + 1, "at most 16383 pixels"},
    };
    for (const auto &c : cases) {
        TrailClear();
        const std::string path = dir / c.name;
        tmp.WriteText("wide.webp", "earlier");
        EXPECT_FALSE(PictureSaveRows(px.data(), px.size() / h, path.c_str(), c.w, h, 90));
        EXPECT_NE(std::string(gErrorTrail).find(c.says), std::string::npos) << gErrorTrail;
        EXPECT_EQ(ReadText(dir / "wide.webp"), "earlier") << c.name;
    }
    TrailClear();
}

} // namespace
