// Window background, logo, blank canvas and the small embedded bitmaps.
#include <gtest/gtest.h>

#include <csetjmp>
#include <jpeglib.h>

#include "artwork_data.h"
#include "resources/resources.h"

using namespace artwork_test;

TEST(WindowBitmaps, OpaqueBackgroundOfTheDrawingAreaAndAKeyedLogoInTheLeftColumn)
{
    Image bg(ReadData("merrowick7.clp")), logo(ReadData("logo7.clp"));
    ASSERT_TRUE(bg.ok && logo.ok) << bg.why << logo.why;
    EXPECT_EQ(bg.info.biBitCount, 24);
    EXPECT_EQ(std::pair(bg.w(), bg.h()), std::pair(800, 600));
    EXPECT_LE(15 + logo.w(), 190 - 13); // left of the picture's frame
    EXPECT_LE(10 + logo.h(), 175);      // above the feeder
    EXPECT_EQ(logo.At(0, 0), 0xFFFFFFu);
    EXPECT_EQ(logo.At(logo.w() - 1, logo.h() - 1), 0xFFFFFFu);
    EXPECT_GT(logo.Ink(), logo.w() * logo.h() / 5);
}

namespace
{
jmp_buf sJpegFailed;
}

TEST(WindowBitmaps, BlankCanvasIsAWhiteJpegOfPrintSize)
{
    std::vector<uint8_t> b = ReadData("blank.jpg");
    ASSERT_FALSE(b.empty()) << DataPath("blank.jpg");
    jpeg_decompress_struct d;
    jpeg_error_mgr err;
    d.err = jpeg_std_error(&err);
    err.error_exit = [](j_common_ptr) { longjmp(sJpegFailed, 1); };
    if (setjmp(sJpegFailed)) {
        jpeg_destroy_decompress(&d);
        FAIL() << "blank.jpg does not decode";
    }
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, b.data(), b.size());
    jpeg_read_header(&d, TRUE);
    jpeg_start_decompress(&d);
    EXPECT_GE(std::min(d.output_width, d.output_height), 1000u);
    std::vector<uint8_t> row(size_t(d.output_width) * d.output_components);
    unsigned darkest = 255;
    for (JSAMPROW r = row.data(); d.output_scanline < d.output_height;) {
        jpeg_read_scanlines(&d, &r, 1);
        darkest = std::min<unsigned>(darkest, *std::min_element(row.begin(), row.end()));
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    EXPECT_GE(darkest, 250u);
}

TEST(Resources, SmallBitmapsAreEmbeddedAndFoundByNameInAnyCase)
{
    size_t size = 0;
    for (auto [name, side, drawn] :
         {std::tuple{"CLIPART", 72, false}, {"clipart_error", 56, true}}) {
        const uint8_t *p = RES_Find(name, &size);
        ASSERT_NE(p, nullptr) << name;
        Image image(std::vector<uint8_t>(p, p + size));
        ASSERT_TRUE(image.ok) << name;
        EXPECT_EQ(std::pair(image.w(), image.h()), std::pair(side, side)) << name;
        EXPECT_EQ(image.Ink() > 200, drawn) << name; // the clip-art canvas is plain white
    }
    const uint8_t *icon = RES_Find("101", &size);
    ASSERT_TRUE(icon && size > 8);
    EXPECT_EQ(std::memcmp(icon, "\x89PNG\r\n\x1a\n", 8), 0);
    size = 123;
    EXPECT_EQ(RES_Find("NO_SUCH_BITMAP", &size), nullptr);
    EXPECT_EQ(size, 0u);
}
