// Bitmap fonts (drawing at once, animated letters) and text
// pieces: row breaking, the text block in the bubble's rectangle (mirrored, at full
// resolution), and the start screen's rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "picture/font.h"
#include "picture/text.h"
#include "resources/strings/strings.h"
#include "tests/support/engine_reset.h"

namespace
{

constexpr uint32_t kWhite = 0xFFFFFF, kRed = 0xFF0000, kBlue = 0x0000FF;

class Fonts : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        EngineReset(); // sheet rows 0-107 red, the rest blue: tells which row a glyph came from.
        gDDSSprite = DXCreateSurface(nullptr, 2048, 345, DDSCAPS_SYSTEMOFFSCREEN);
        DXFillRect(gDDSSprite, 0, 0, 2048, 108, kRed);
        DXFillRect(gDDSSprite, 0, 108, 2048, 237, kBlue);
        target = DXCreateSurface(nullptr, 1200, 200, DDSCAPS_SYSTEMOFFSCREEN);
    }
    void TearDown() override
    {
        AO_ClearList();
        for (LPDDS *s : {&target, &gDDSSprite})
            DXReleaseSurface(*s), *s = nullptr;
    }
    static void Frames(int n)
    {
        for (int i = 0; i < n; ++i)
            for (AO *p = gAOList; p; p = p->pNext)
                if (p->AnimateProc == FONT_LetterProc)
                    FONT_LetterProc(p);
    }
    LPDDS target = nullptr;
};

TEST_F(Fonts, DrawsTheLineAroundItsAnchorWithGlyphsFromTheirRows)
{
    // Digits come from the large font's second row; lower case draws nothing.
    const int32_t lw = FontStringWidth(0, "A1abc"), drawn = FontStringWidth(0, "A1");
    const int32_t left[] = {300, 300 - lw / 2, 300 - lw};
    for (int32_t align : {FONT_ALIGN_LEFT, FONT_ALIGN_CENTRE, FONT_ALIGN_RIGHT}) {
        ClearSurface(target);
        ASSERT_TRUE(BltFont(0, target, 300, 0, align, "A1abc"));
        const int32_t x = left[align == FONT_ALIGN_LEFT ? 0 : align == FONT_ALIGN_CENTRE ? 1 : 2];
        EXPECT_EQ(DXGetPixel(target, x - 1, 50), kWhite) << align;
        EXPECT_EQ(DXGetPixel(target, x, 50), kRed) << align;
        EXPECT_EQ(DXGetPixel(target, x + 57, 50), kWhite) << "the spacing stays white";
        EXPECT_EQ(DXGetPixel(target, x + 57 + 12, 50), kBlue) << align;
        for (int32_t blank : {x + drawn, x + lw - 1})
            EXPECT_EQ(DXGetPixel(target, blank, 50), kWhite) << align;
    }
    EXPECT_EQ(FontStringWidth(42, "A1"), FontStringWidth(0, "A1")) << "unknown: font 0";
    EXPECT_TRUE(BltFont(12, target, 0, 0, 0, "AB")) << "glyphs off the sheet are skipped";
    EXPECT_STREQ(gErrorTrail, "");
}

TEST_F(Fonts, FlyingLettersStartAtTheAnchorAndComeToRestInPlace)
{
    ASSERT_TRUE(FONT_AddLabel(10, 77, 300, 40, FONT_ALIGN_CENTRE, 1, 12, "AAA", 40));
    const int32_t left = 300 - FontStringWidth(10, "AAA") / 2;
    EXPECT_EQ(gAOList->x, 300 - 3);
    Frames(21);
    int i = 0;
    for (AO *p = gAOList; p; p = p->pNext, ++i)
        EXPECT_EQ(std::pair(p->x, p->iState), std::pair(left + 7 * i, int32_t{LETTER_RESTING}));
    EXPECT_FALSE(FONT_AddText(9, 0, 0, 0, 1, 12, "A", 0)) << "narrow fonts make no letters";
}

std::vector<std::string> Rows(const char *text)
{
    char rows[BUBBLE_MAX_ROWS][BUBBLE_ROW_SIZE];
    return std::vector<std::string>(rows, rows + BubbleTextRows(text, rows));
}

TEST(BubbleRows, BreakAtLineEndsSpacesTheCountLimitAndHyphensAndShowFiveRows)
{
    const std::pair<const char *, std::vector<std::string>> cases[] = {
        {"HELLO\r\n\r\n", {"HELLO\r"}}, // trailing empty rows go
        {"", {""}},                     // the first row always stays
        {"ONE\r\nTWO\r\nTHREE\r\nFOUR\r\nFIVE\r\nSIX",
         {"ONE\r", "TWO\r", "THREE\r", "FOUR\r", "FIVE\r"}},
        // Lower case draws as narrow fallback glyphs: the 29-character limit breaks these.
        {"abcdefghijklmnopqrstuvwxyzabcdefgh", {"abcdefghijklmnopqrstuvwxyzab-", "cdefgh"}},
        {"aaaaaaaaaaaaaaaaaaaa-bbbbbbbbbbbb", {"aaaaaaaaaaaaaaaaaaaa-", "bbbbbbbbbbbb"}},
    };
    for (const auto &[text, rows] : cases)
        EXPECT_EQ(Rows(text), rows) << text;
    const std::string text = "THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG AGAIN";
    std::string joined; // broken at spaces: rows fit and lose no word
    for (const std::string &row : Rows(text.c_str())) {
        EXPECT_LE(FontStringWidth(0, row.c_str()), 1150) << row;
        joined += (joined.empty() ? "" : " ") + row;
    }
    EXPECT_EQ(joined, text);
}

class BubbleText : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        EngineReset();
        DXStartHeadless(DXNEED_TEXT | DXNEED_PICTURE);
        // A stand-in sprite sheet: glyph "A" (x 0-56) red, everything else blue.
        gDDSSprite = DXCreateSurface(nullptr, 2048, 345, DDSCAPS_SYSTEMOFFSCREEN);
        DXFillRect(gDDSSprite, 0, 0, 2048, 345, kBlue);
        DXFillRect(gDDSSprite, 0, 0, 57, 345, kRed);
        std::memset(&obj, 0, sizeof obj);
        obj.iKind = IMG_TEXT, obj.ao.iWidth = 400, obj.ao.iHeight = 289;
        obj.iiRes[LO_RES_OBJ].DDSSurface = DXCreateSurface(nullptr, 1280, 1024, 2112);
        std::strcpy(obj.szText, "AB");
        gPictureRect = {190, 75, 500, 400};
    }
    void TearDown() override
    {
        DXReleaseSurface(obj.iiRes[LO_RES_OBJ].DDSSurface);
        DXCleanup();
    }
    struct Box {
        int left = 1 << 30, top = -1, right = -1, bottom = -1;
    };
    static Box Bounds(LPDDS s) // of everything not white
    {
        Box b;
        for (int y = 0; y < 1024; ++y)
            for (int x = 0; x < 1280; ++x)
                if (DXGetPixel(s, x, y) != kWhite)
                    b = {std::min(b.left, x), b.top < 0 ? y : b.top, std::max(b.right, x), y};
        return b;
    }
    IMGOBJ obj;
};

// The style's text rectangle is (128, 115, 554, 297) of an 800 × 577 bubble; mirrored,
// it starts at 118. The block keeps its proportions: as large as fits, centred in the
// rectangle, touching it on two opposite sides.
TEST_F(BubbleText, BlockKeepsItsProportionsCentredInTheStylesTextRectangle)
{
    const struct {
        int flip, fullRes;
        const char *text;
        int32_t w, h; // the bubble on the screen (400 × 289) or in a 1000 × 800 export
        float left;
    } cases[] = {{0, 0, "AB", 400, 289, 128},
                 {1, 0, "AB", 400, 289, 118},
                 {0, 1, "AB", 800, 578, 128},
                 {0, 0, "ABABABABAB", 400, 289, 128}}; // wide: the width limits
    for (const auto &c : cases) {
        obj.bFlipH = c.flip;
        std::strcpy(obj.szText, c.text);
        ClearSurface(gDDSPicture);
        ClearSurface(obj.iiRes[LO_RES_OBJ].DDSSurface);
        ASSERT_TRUE(TextBubbleText(&obj, c.fullRes, c.fullRes ? 1000 : 0, c.fullRes ? 800 : 0));
        LPDDS s = c.fullRes ? gDDSPicture : obj.iiRes[LO_RES_OBJ].DDSSurface;
        const Box b = Bounds(s);
        const float rx = std::trunc(c.w * (c.left / 800)), ry = std::trunc(c.h * (115.0f / 577));
        const float rw = std::trunc(c.w * (554.0f / 800)), rh = std::trunc(c.h * (297.0f / 577));
        // The ink is the block less the 5 blank rows under the letters' 106.
        const float bw = static_cast<float>(FontStringWidth(0, c.text)), bh = 111;
        const float scale = std::min(rw / bw, rh / bh);
        const float inkW = static_cast<float>(b.right - b.left + 1);
        const float inkH = static_cast<float>(b.bottom - b.top + 1);
        EXPECT_NEAR(inkW / bw, scale, 0.02f) << c.text << c.flip << c.fullRes;
        EXPECT_NEAR(inkH / 106, scale, 0.02f) << c.text << c.flip << c.fullRes;
        EXPECT_NEAR(b.left + inkW / 2, rx + rw / 2, 1.5f) << "centred across " << c.text;
        EXPECT_NEAR(b.top + bh * scale / 2, ry + rh / 2, 1.5f) << "centred down " << c.text;
        EXPECT_EQ(DXGetPixel(s, b.left, b.top + 5), kRed) << "A stays on the left";
        EXPECT_EQ(DXGetPixel(s, b.right, b.top + 5), kBlue);
    }
}

TEST(FeedRows, RowsFitTheBoxAndTwentyFiveAtMost)
{
    char rows[FEED_MAX_ROWS][FEED_ROW_SIZE];
    for (int32_t i = 0, n = FeedTextRows(LoadText(231), 165, rows); i < n; ++i)
        EXPECT_LE(FontStringWidth(10, rows[i]), 165) << rows[i];
    std::string many;
    for (int i = 0; i < 25; ++i)
        many += "X\n";
    EXPECT_EQ(FeedTextRows(many.c_str(), 165, rows), -1);
}

} // namespace
