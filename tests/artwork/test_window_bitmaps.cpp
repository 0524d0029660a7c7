// Window background, logo, blank canvas and the small embedded bitmaps, and the white
// stickers, read with the program's own decoder.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/trail.h"
#include "resources/resources.h"
#include "support/data_files.h"
#include "tests/formats/photo_target.h"

namespace
{

constexpr uint32_t kKey = 0xFFFFFF;       // transparent
constexpr uint32_t kNearWhite = 0xFEFEFE; // white that stays opaque

int Channel(uint32_t c, int shift)
{
    return int((c >> shift) & 0xFF);
}

} // namespace

TEST(WindowBitmaps, AKeyedLogoInTheLeftColumn)
{
    DecodedBitmap logo(ReadData("logo7.clp"));
    ASSERT_TRUE(logo.ok) << logo.why;
    EXPECT_LE(15 + logo.w(), 190 - 13); // left of the picture's frame
    EXPECT_LE(10 + logo.h(), 175);      // above the feeder
    EXPECT_EQ(logo.At(0, 0), 0xFFFFFFu);
    EXPECT_EQ(logo.At(logo.w() - 1, logo.h() - 1), 0xFFFFFFu);
    EXPECT_GT(logo.Ink(), logo.w() * logo.h() / 5);
}

TEST(WindowBitmaps, BlankCanvasIsAWhiteJpegOfPrintSize)
{
    PhotoTarget t;
    ASSERT_TRUE(t.Load(JpegLoad, DataPath("blank.jpg"))) << gErrorTrail;
    EXPECT_GE(std::min(t.info.iWidth, t.info.iHeight), 1000);
    int dark = 0;
    for (int y = 0; y < t.info.iHeight; ++y)
        for (int x = 0; x < t.info.iWidth; ++x)
            for (int shift : {0, 8, 16})
                dark += Channel(DXGetPixel(t.surface, x, y), shift) < 250;
    EXPECT_EQ(dark, 0);
}

TEST(Resources, SmallBitmapsAreEmbeddedAndFoundByNameInAnyCase)
{
    size_t size = 0;
    for (auto [name, side, drawn] :
         {std::tuple{"CLIPART", 72, false}, {"clipart_error", 56, true}}) {
        const uint8_t *p = RES_Find(name, &size);
        ASSERT_NE(p, nullptr) << name;
        DecodedBitmap image(std::vector<uint8_t>(p, p + size));
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

// Things white in life are the one near-white, not the icon sets' light greys, and keep a
// line between their white and the transparent key so they show on white and light photos.
TEST(Stickers, WhiteThingsAreNearWhiteWithAnEdgeLineTowardsTheKey)
{
    const struct {
        const char *name;
        int nearWhitePercent; // of the drawn pixels, at least
    } pieces[] = {
        {"snowman", 25}, {"eggshell", 50}, {"chef", 50},    {"xmascap", 12}, {"flowers3", 25},
        {"ghost", 35},   {"lamb", 25},     {"meatbone", 5}, {"chicken", 20}, {"beer", 5},
    };
    for (const auto &p : pieces) {
        SCOPED_TRACE(p.name);
        DecodedBitmap im(ReadData(std::string("clipart/") + p.name + ".clp"));
        ASSERT_TRUE(im.ok) << im.why;
        int nearWhite = 0, touching = 0;
        for (int y = 0; y < im.h(); ++y)
            for (int x = 0; x < im.w(); ++x) {
                if (im.At(x, y) != kNearWhite)
                    continue;
                ++nearWhite;
                for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
                    int nx = x + dx, ny = y + dy;
                    touching +=
                        nx >= 0 && ny >= 0 && nx < im.w() && ny < im.h() && im.At(nx, ny) == kKey;
                }
            }
        EXPECT_GE(nearWhite * 100, im.Ink() * p.nearWhitePercent);
        EXPECT_EQ(touching, 0) << "near-white pixels next to the transparent key";
    }
}

// The background (opaque, 800 × 600) is stretched over the window while the buttons stay
// put: it may have no edge that could end up under the picture, and it stays light wherever
// a button can sit (their anti-aliased edges are blended over the light panel colours).
TEST(WindowBackground, HasNoEdgesAndIsLightUnderTheButtonsAtEveryWindowSize)
{
    DecodedBitmap bg(ReadData("merrowick7.clp"));
    ASSERT_TRUE(bg.ok) << bg.why;
    ASSERT_EQ(std::tuple(bg.w(), bg.h(), bg.info.biBitCount), std::tuple(800, 600, 24));
    int steepest = 0;
    for (int y = 0; y + 1 < bg.h(); ++y)
        for (int x = 0; x + 1 < bg.w(); ++x)
            for (uint32_t n : {bg.At(x + 1, y), bg.At(x, y + 1)})
                for (int shift : {0, 8, 16})
                    steepest = std::max(steepest,
                                        std::abs(Channel(bg.At(x, y), shift) - Channel(n, shift)));
    EXPECT_LE(steepest, 3) << "a visible edge in the background";

    // Window places of the left column's buttons and the top row's ends, in window pixels.
    const std::pair<int, int> places[] = {{40, 190}, {156, 230}, {42, 364}, {146, 396},
                                          {78, 430}, {244, 11},  {720, 51}};
    for (auto [ww, wh] : {std::pair{800, 600}, {1024, 768}, {1280, 1024}})
        for (auto [x, y] : places) {
            const uint32_t c = bg.At(x * 800 / ww, y * 600 / wh);
            for (int shift : {0, 8, 16})
                EXPECT_GE(Channel(c, shift), 0xE0) << ww << "x" << wh << " at " << x << "," << y;
        }
}
