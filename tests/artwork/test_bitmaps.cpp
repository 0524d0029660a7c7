// The generated bitmaps, read with the program's own decoders: window background, blank
// canvas, the small embedded bitmaps, and the clip-art stickers, text-style bitmaps,
// previews and category pictures.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <sstream>

#include "picture/text.h"
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

// Transparent pixels not reachable from the border through transparent pixels.
long EnclosedTransparentPixels(const DecodedBitmap &pic)
{
    const int w = pic.w(), h = pic.h();
    std::vector<int> stack;
    std::vector<uint8_t> seen(size_t(w) * h);
    for (int i = 0; i < w * h; i++)
        if (i % w == 0 || i % w == w - 1 || i < w || i >= w * (h - 1))
            stack.push_back(i);
    long reached = 0;
    while (!stack.empty()) {
        const int i = stack.back(), x = i % w, y = i / w;
        stack.pop_back();
        if (seen[i] || pic.At(x, y) != 0xFFFFFF)
            continue;
        seen[i] = 1, reached++;
        for (int n :
             {x > 0 ? i - 1 : i, x < w - 1 ? i + 1 : i, y > 0 ? i - w : i, y < h - 1 ? i + w : i})
            stack.push_back(n);
    }
    return long(w) * h - pic.Ink() - reached;
}

} // namespace

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

TEST(Stickers, EveryCatalogueEntryIsAKeyedTrueColourBitmapOfStickerSize)
{
    // The generator's manifest: file, source, operations ("see-through": an enclosed
    // transparent part is meant, as in a ring), ...
    std::ifstream in(SourcePath("tools/stickers/manifest.tsv"));
    std::set<std::string> names;
    for (std::string line, file, source, ops; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream cols(line);
        std::getline(std::getline(std::getline(cols, file, '\t'), source, '\t'), ops, '\t');
        EXPECT_TRUE(names.insert(file).second) << file << " twice";
        SCOPED_TRACE(file);
        DecodedBitmap pic(ReadData("clipart/" + file));
        ASSERT_TRUE(pic.ok) << pic.why;
        EXPECT_EQ(pic.info.biBitCount, 24);
        const TEXTSTYLE *style = nullptr;
        for (const TEXTSTYLE &s : gTextStyles)
            style = file == s.szFile ? &s : style;
        const int side = std::max(pic.w(), pic.h());
        EXPECT_TRUE(style ? pic.w() == style->iRefWidth && pic.h() == style->iRefHeight
                          : side >= 400 && side <= 600)
            << pic.w() << " x " << pic.h();
        EXPECT_GT(pic.Ink(), 0) << "nothing is drawn";
        EXPECT_LT(pic.Ink(), pic.w() * pic.h()) << "nothing is transparent";
        const bool seeThrough = ops.find("see-through") != std::string::npos;
        EXPECT_EQ(seeThrough ? 0 : EnclosedTransparentPixels(pic), 0) << "holes inside";
    }
    EXPECT_EQ(names.size(), 254u);
}

TEST(Stickers, PreviewsAndCategoryPicturesExistAtTheirSizes)
{
    std::vector<std::pair<std::string, int>> wanted; // name, height (72 or 32 wide)
    for (const TEXTSTYLE &s : gTextStyles)
        wanted.push_back({s.pszPreview, 48});
    for (const char *c : {"HATS", "HAIR", "FACE", "BODY", "BABY", "PARTY", "PETS", "BEACH",
                          "VALENTINE", "HALLOWEEN", "PARENTS", "CHRISTMAS", "EASTER"})
        wanted.push_back({std::string("CAT_") + c, 32});
    for (const auto &[name, height] : wanted) {
        SCOPED_TRACE(name);
        DecodedBitmap pic(ReadData("resources/" + name + ".bmp"));
        ASSERT_TRUE(pic.ok) << pic.why;
        EXPECT_EQ(std::pair(pic.w(), pic.h()), std::pair(height == 48 ? 72 : 32, height));
        EXPECT_GT(pic.Ink(), pic.w() * pic.h() / 8) << "hardly anything is drawn";
    }
}
