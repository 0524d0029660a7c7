// The composed picture written as PNG and WebP, read back by libpng and libwebp themselves:
// PNG keeps every pixel, WebP comes close and follows its quality; the writer is chosen by
// the name; a picture that cannot be written leaves the earlier file as it was.
#include <png.h>
#include <webp/decode.h>
#include <webp/encode.h>

#include "support/engine_reset.h"

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
