// Bitmap fonts: measuring, the character map, drawing at once, and animated letters.
#include <gtest/gtest.h>

#include "picture/ao.h"
#include "picture/font.h"
#include "tests/support/engine_reset.h"

namespace
{

constexpr uint32_t kWhite = 0xFFFFFF, kRed = 0xFF0000, kBlue = 0x0000FF;

TEST(FontWidth, SumsGlyphsAndSpacingWithLatin1LettersAndAnEmptyFallback)
{
    const struct {
        int32_t font;
        const char *text;
        int32_t width;
    } cases[] = {
        {0, "AB", 57 + 48 + 12},
        {0, "", 0},
        {10, "A A", 6 + 4 + 6 + 2},
        {42, "AB", 117},         // unknown fonts measure with font 0
        {0, "ab", 12},           // lower case is the empty fallback in font 0
        {11, "K", 0},            // the icon font has no fallback glyph
        {8, "AaA", 6 + 0 + 6},   // narrow fonts: font 10's first glyphs
        {12, "AB", 79 + 0 + 10}, // font 12: one picture
    };
    for (const auto &c : cases)
        EXPECT_EQ(FontStringWidth(c.font, c.text), c.width) << c.font << " \"" << c.text << '"';
    // Å, Ä, Ö share the glyphs of [, \, ]; ö has its own; © falls back.
    for (auto [c, index] : {std::pair{0xC5, 26}, {0xD6, 28}, {0xF6, 93}, {0xA9, FONT_FALLBACK}})
        EXPECT_EQ(FontGlyphIndex(c), index) << c;
}

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

} // namespace
