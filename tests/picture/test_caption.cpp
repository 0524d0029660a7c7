// Captions: cleaning any bytes into text, drawing (fit, colours, outline, size, emoji,
// right-to-left order, marks, mirroring and turning), and the piece through the generic
// paths (selection, resize, turn, export).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "picture/caption.h"
#include "tests/support/engine_reset.h"

namespace
{

TEST(CaptionText, AnyBytesBecomeCleanText)
{
    const struct {
        std::string in, out;
    } cases[] = {
        {"Hej då", "Hej då"},
        {"a\r\nb\rc\td", "a\nb\nc d"},
        {std::string("x\0y\x1b\x7f", 5), "xy"},
        {"\xff\xfe", "\xEF\xBF\xBD\xEF\xBF\xBD"}, // bytes that start nothing
        {"\xED\xA0\x80", "\xEF\xBF\xBD"},         // a lone surrogate
        {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"}, // an overlong slash
        {"\xE2\x82", "\xEF\xBF\xBD"},             // cut short at the end
        {"\xE2\x82z", "\xEF\xBF\xBDz"},           // cut short before a letter
        {"\xF4\x90\x80\x80", "\xEF\xBF\xBD"},     // beyond U+10FFFF
        {"\xF0\x9F\x98\x80 \xD7\x90", "\xF0\x9F\x98\x80 \xD7\x90"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(CAPTION_CleanText(c.in.data(), c.in.size()), c.out) << c.in;

    int cut = 0;
    const std::string many(3000, 'a');
    EXPECT_EQ(CAPTION_CleanText(many.data(), many.size(), &cut).size(), 2000u);
    EXPECT_EQ(cut, 1);
    std::string wide; // 4-byte characters: the byte limit comes first
    for (int i = 0; i < 2100; i++)
        wide += "\xF0\x9F\x98\x80";
    const std::string kept = CAPTION_CleanText(wide.data(), wide.size(), &cut);
    EXPECT_EQ(kept.size(), CAPTION_MAX_BYTES);
    EXPECT_EQ(CAPTION_CountChars(kept), 2000);
    CAPTION_CleanText("ok", 2, &cut);
    EXPECT_EQ(cut, 0);
}

// Ink measures of an image: the box of pixels with alpha, and how many carry a colour.
struct INK {
    int32_t left = 1 << 30, right = -1, top = 1 << 30, bottom = -1;
    int64_t pixels = 0, red = 0, colourful = 0, green = 0;
    int64_t colourSumX = 0; // where the pixels that are neither grey nor red lie
    double ColourX() const { return colourful ? static_cast<double>(colourSumX) / colourful : -1; }
    double Centre() const { return (left + right) / 2.0; }
};

INK InkOf(const CAPTIONIMAGE &img)
{
    INK k;
    for (int32_t y = 0; y < img.h; y++)
        for (int32_t x = 0; x < img.w; x++) {
            const uint8_t *p = &img.bgra[(static_cast<size_t>(y) * img.w + x) * 4];
            if (p[3] < 128)
                continue;
            k.pixels++;
            k.left = std::min(k.left, x), k.right = std::max(k.right, x);
            k.top = std::min(k.top, y), k.bottom = std::max(k.bottom, y);
            const int b = p[0], g = p[1], r = p[2];
            if (r > 200 && g < 60 && b < 60)
                k.red++;
            if (g > 200 && r < 60 && b < 60)
                k.green++;
            if (std::abs(r - g) > 40 && !(r > 200 && g < 60 && b < 60)) {
                k.colourful++;
                k.colourSumX += x;
            }
        }
    return k;
}

CAPTION Caption(const std::string &text, CAPTIONSTYLE style = {0, 0xFF0000, 0x00FF00, 0, 0, 1})
{
    CAPTION c;
    c.style = style;
    c.text = text;
    return c;
}

TEST(CaptionDraw, FillsItsBoxWithProportionsKeptAndAligns)
{
    CAPTION c = Caption("Hello");
    float w = 0, h = 0;
    CAPTION_NaturalSize(c, 50, &w, &h);
    ASSERT_GT(w, 100);
    ASSERT_GT(h, 50);
    float w2 = 0, h2 = 0; // twice the letters, twice the box
    CAPTION_NaturalSize(c, 100, &w2, &h2);
    EXPECT_NEAR(w2, 2 * w, 2);
    EXPECT_NEAR(h2, 2 * h, 2);

    // A box twice as wide as the text needs: the text keeps its height and is centred,
    // or put to the left or the right.
    const int32_t bw = static_cast<int32_t>(2 * w), bh = static_cast<int32_t>(h);
    const struct {
        int32_t align;
        double centre; // the ink's centre as a share of the box's width
    } cases[] = {
        {CAPTION_ALIGN_LEFT, 0.25}, {CAPTION_ALIGN_CENTRE, 0.5}, {CAPTION_ALIGN_RIGHT, 0.75}};
    for (const auto &k : cases) {
        c.style.iAlign = k.align;
        CAPTIONIMAGE img;
        ASSERT_TRUE(CAPTION_Render(c, bw, bh, &img));
        const INK ink = InkOf(img);
        ASSERT_GT(ink.pixels, 100);
        EXPECT_NEAR((ink.left + ink.right) / 2.0 / bw, k.centre, 0.04) << k.align;
        EXPECT_GT(ink.bottom - ink.top, bh / 3) << "the letters keep their height";
    }
}

TEST(CaptionDraw, SharpAtEverySizeWithFillAndOutlineColours)
{
    CAPTION c = Caption("Sol och bad", {1, 0xFF0000, 0x00FF00, 120, 0, 1});
    float w = 0, h = 0;
    CAPTION_NaturalSize(c, 40, &w, &h);
    CAPTIONIMAGE small, large;
    ASSERT_TRUE(CAPTION_Render(c, static_cast<int32_t>(w), static_cast<int32_t>(h), &small));
    ASSERT_TRUE(
        CAPTION_Render(c, static_cast<int32_t>(4 * w), static_cast<int32_t>(4 * h), &large));
    const INK s = InkOf(small), l = InkOf(large);
    // Drawn anew at each size: the ink grows with the area, and the edges stay thin (a
    // scaled-up bitmap would have edges four pixels wide).
    EXPECT_NEAR(static_cast<double>(l.pixels) / s.pixels, 16.0, 2.5);
    EXPECT_GT(s.red, 0);
    EXPECT_GT(s.green, 0) << "the outline";
    auto soft = [](const CAPTIONIMAGE &img) {
        int64_t n = 0;
        for (size_t i = 3; i < img.bgra.size(); i += 4)
            n += img.bgra[i] > 20 && img.bgra[i] < 235;
        return n;
    };
    EXPECT_GT(soft(small), 0) << "anti-aliased edges";
    EXPECT_LT(soft(large), soft(small) * 8)
        << "edges as long as the outline, not as wide as the scale";
    // Without an outline there is no outline colour.
    c.style.iOutline = 0;
    CAPTIONIMAGE plain;
    ASSERT_TRUE(CAPTION_Render(c, small.w, small.h, &plain));
    EXPECT_EQ(InkOf(plain).green, 0);
}

TEST(CaptionDraw, EmojiInColourAndRightToLeftOrder)
{
    const struct {
        const char *text;
        bool emojiLeft; // the emoji ends up at the left end
    } cases[] = {
        {"\xF0\x9F\x98\x80 abc", true}, // left to right: first is left
        {"\xF0\x9F\x98\x80 \xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D", false}, // Hebrew: first is right
        {"\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D \xF0\x9F\x98\x80", true},
        {"a \xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D \xF0\x9F\x98\x80", false}, // ends the line
    };
    for (const auto &k : cases) {
        CAPTION c = Caption(k.text, {4, 0x202020, 0, 0, 0, 1});
        float w = 0, h = 0;
        CAPTION_NaturalSize(c, 60, &w, &h);
        CAPTIONIMAGE img;
        ASSERT_TRUE(CAPTION_Render(c, static_cast<int32_t>(w), static_cast<int32_t>(h), &img));
        const INK ink = InkOf(img);
        ASSERT_GT(ink.colourful, 200) << k.text << ": the emoji in colour";
        const bool left = ink.ColourX() < ink.Centre();
        EXPECT_EQ(left, k.emojiLeft) << k.text;
    }
}

TEST(CaptionDraw, MarksDrawAndHostileTextStaysBounded)
{
    CAPTION bare = Caption("e"), marked = Caption("e\xCC\x81\xCC\x88"); // é with diaeresis
    CAPTIONIMAGE a, b;
    ASSERT_TRUE(CAPTION_Render(bare, 200, 200, &a));
    ASSERT_TRUE(CAPTION_Render(marked, 200, 200, &b));
    EXPECT_GT(InkOf(b).pixels, InkOf(a).pixels) << "the marks draw over the letter";

    // 2,000 marks on one letter, a 2,000-character line: drawn into the box asked for.
    std::string marks = "a";
    for (int i = 0; i < 10000; i++)
        marks += "\xCC\x81";
    const std::string line(2000, 'W');
    for (const std::string &text : {marks, line}) {
        CAPTION c = Caption(CAPTION_CleanText(text.data(), text.size()));
        CAPTIONIMAGE img;
        ASSERT_TRUE(CAPTION_Render(c, 640, 480, &img));
        EXPECT_EQ(img.bgra.size(), 640u * 480 * 4);
    }
    CAPTIONIMAGE huge;
    EXPECT_FALSE(CAPTION_Render(bare, 100000, 100000, &huge));
    EXPECT_TRUE(huge.bgra.empty());
}

TEST(CaptionDraw, MirroredAndTurned)
{
    CAPTION c = Caption("L\xF0\x9F\x98\x80", {4, 0x202020, 0, 0, 0, 1});
    CAPTIONIMAGE up, mirrored, turned;
    ASSERT_TRUE(CAPTION_RenderPlaced(c, 300, 100, 0, 0, 0, &up));
    ASSERT_TRUE(CAPTION_RenderPlaced(c, 300, 100, 0, 1, 0, &mirrored));
    ASSERT_TRUE(CAPTION_RenderPlaced(c, 300, 100, 90, 0, 0, &turned));
    const INK u = InkOf(up), m = InkOf(mirrored);
    EXPECT_GT(u.ColourX(), u.Centre());
    EXPECT_LT(m.ColourX(), m.Centre()) << "the emoji goes to the other side";
    int32_t rw = 0, rh = 0;
    CalcRotatedSize(300, 100, 90, &rw, &rh);
    EXPECT_EQ(turned.w, rw);
    EXPECT_EQ(turned.h, rh);
    const INK t = InkOf(turned);
    EXPECT_GT(t.bottom - t.top, t.right - t.left) << "a turned line stands upright";
}

class CaptionPiece : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        EngineReset();
        gPictureRect = {190, 75, 600, 400};
    }
    void TearDown() override { AO_ClearList(); }
};

TEST_F(CaptionPiece, IsSelectedTurnsResizesAndExportsAtItsSize)
{
    const std::string text = "Grattis!\nHappy day";
    const CAPTIONDESC desc = {{0, 0xFF0000, 0x000000, 0, 0, 1}, text.data(), text.size()};
    IMGOBJ *obj = IMGOBJ_AddObj("caption", IMG_CAPTION, 0, 0, &desc, nullptr);
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(gSelected, obj);
    EXPECT_EQ(obj->pCaption->text, text);
    EXPECT_NEAR(CAPTION_LetterPx(obj), 40, 2) << "a tenth of the picture's height";
    EXPECT_GE(obj->ao.x, gPictureRect.x);
    const float w = obj->fWidth;
    ResizeSelected(w, 0);
    RotateSelected(30);
    EXPECT_EQ(obj->iAngle, 30) << "captions turn";
    EXPECT_FLOAT_EQ(obj->fWidth, 2 * w);
    ASSERT_TRUE(UpdateImgObj(obj));
    EXPECT_GT(obj->pCaption->screen.h, static_cast<int32_t>(obj->fHeight)) << "the turned box";

    // The export draws it at the export's size: twice the picture, twice the ink.
    obj->iAngle = 0;
    ResizeSelected(-w, 0);
    UpdateImgObj(obj);
    int64_t inkScreen = 0;
    for (size_t i = 3; i < obj->pCaption->screen.bgra.size(); i += 4)
        inkScreen += obj->pCaption->screen.bgra[i] >= 128;
    LPDDS out = DXCreateSurface(nullptr, 1200, 800, DDSCAPS_SYSTEMOFFSCREEN);
    ASSERT_TRUE(ComposePieces(out, 1200, 800));
    int64_t red = 0;
    for (int32_t y = 0; y < 800; y++)
        for (int32_t x = 0; x < 1200; x++)
            red += DXGetPixel(out, x, y) == 0xFF0000;
    DXReleaseSurface(out);
    EXPECT_NEAR(static_cast<double>(red) / inkScreen, 4.0, 0.8);

    // A caption as template is copied whole (duplicate).
    IMGOBJ *copy = IMGOBJ_AddObj("caption", IMG_CAPTION, 0, 0, nullptr, obj);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->pCaption->text, text);
    EXPECT_EQ(copy->fWidth, obj->fWidth);
    EXPECT_NE(copy->pCaption, obj->pCaption);
}

} // namespace
