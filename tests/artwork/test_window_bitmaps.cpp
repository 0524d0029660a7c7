// Window background, logo, blank canvas and the small embedded bitmaps.
#include <gtest/gtest.h>

#include <csetjmp>
#include <jpeglib.h>

#include "artwork_data.h"
#include "resources/resources.h"

using namespace artwork_test;

TEST(WindowBitmaps, BackgroundIsAnOpaque24BitPictureOfTheDrawingArea)
{
    Image bg(ReadData("merrowick7.clp"));
    ASSERT_TRUE(bg.ok) << DataPath("merrowick7.clp") << ": " << bg.why;
    EXPECT_EQ(bg.info.biBitCount, 24);
    EXPECT_EQ(bg.w(), 800);
    EXPECT_EQ(bg.h(), 600);
}

TEST(WindowBitmaps, LogoFitsTheLeftColumnAboveTheFeederOnATransparentGround)
{
    Image logo(ReadData("logo7.clp"));
    ASSERT_TRUE(logo.ok);
    EXPECT_LE(15 + logo.w(), 190 - 13);
    EXPECT_LE(10 + logo.h(), 175);
    EXPECT_EQ(logo.At(0, 0), 0xFFFFFFu);
    EXPECT_EQ(logo.At(logo.w() - 1, logo.h() - 1), 0xFFFFFFu);
    EXPECT_GT(logo.Ink(), logo.w() * logo.h() / 5);
}

namespace {
struct JpegError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
};
void OnJpegError(j_common_ptr c)
{
    longjmp(reinterpret_cast<JpegError *>(c->err)->jump, 1);
}
} // namespace

TEST(WindowBitmaps, BlankCanvasIsAWhiteJpegOfPrintSize)
{
    std::vector<uint8_t> b = ReadData("blank.jpg");
    ASSERT_FALSE(b.empty()) << DataPath("blank.jpg");
    jpeg_decompress_struct d;
    JpegError err;
    d.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = OnJpegError;
    std::vector<uint8_t> row;
    unsigned darkest = 255;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&d);
        FAIL() << "blank.jpg does not decode";
    }
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, b.data(), b.size());
    jpeg_read_header(&d, TRUE);
    jpeg_start_decompress(&d);
    EXPECT_GE(d.output_width, 1000u);
    EXPECT_GE(d.output_height, 1000u);
    row.resize(size_t(d.output_width) * d.output_components);
    while (d.output_scanline < d.output_height) {
        JSAMPROW r = row.data();
        jpeg_read_scanlines(&d, &r, 1);
        for (uint8_t v : row)
            darkest = std::min<unsigned>(darkest, v);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    EXPECT_GE(darkest, 250u);
}

TEST(Resources, SmallBitmapsAreEmbeddedAndFoundByNameInAnyCase)
{
    const struct {
        const char *name;
        int size, minInk, maxInk;
    } bitmaps[] = {{"CLIPART", 72, 0, 0}, // the clip-art canvas is plain white
                   {"clipart_error", 56, 200, 56 * 56}};
    size_t size = 0;
    for (const auto &b : bitmaps) {
        const uint8_t *p = RES_Find(b.name, &size);
        ASSERT_NE(p, nullptr) << b.name;
        Image image(std::vector<uint8_t>(p, p + size));
        ASSERT_TRUE(image.ok) << b.name;
        EXPECT_EQ(image.w(), b.size);
        EXPECT_EQ(image.h(), b.size);
        EXPECT_GE(image.Ink(), b.minInk) << b.name;
        EXPECT_LE(image.Ink(), b.maxInk) << b.name;
    }
    const uint8_t *icon = RES_Find("101", &size);
    ASSERT_NE(icon, nullptr);
    ASSERT_GT(size, 8u);
    EXPECT_EQ(std::memcmp(icon, "\x89PNG\r\n\x1a\n", 8), 0);

    size = 123;
    EXPECT_EQ(RES_Find("NO_SUCH_BITMAP", &size), nullptr);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(RES_Find(nullptr, &size), nullptr);
}
