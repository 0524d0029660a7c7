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
        {0, "AB", 57 + 48 + 12}, {0, "", 0},
        {10, "<", 0},             {10, "A A", 6 + 4 + 6 + 2},
        {42, "AB", 117},          // unknown fonts measure with font 0
        {0, "ab", 12},            // lower case is the empty fallback in font 0
        {11, "J", 41},            {11, "K", 0}, // the icon font has no fallback glyph
        {8, "AaA", 6 + 0 + 6},    // narrow fonts: font 10's first glyphs
        {12, "AB", 79 + 0 + 10},  // font 12: one picture
    };
    for (const auto &c : cases)
        EXPECT_EQ(FontStringWidth(c.font, c.text), c.width) << c.font << " \"" << c.text << '"';
    // Å, Ä, Ö share the glyphs of [, \, ]; ö has its own; © falls back.
    const std::pair<int, int> glyphs[] = {{0xC5, 26}, {0xD6, 28}, {0xF6, 93}, {0xA9, FONT_FALLBACK}};
    for (auto [c, index] : glyphs)
        EXPECT_EQ(FontGlyphIndex(c), index) << c;
}

class Fonts : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        EngineReset();
        // Sheet rows 0-107 red, the rest blue: tells which row a glyph came from.
        gDDSSprite = DXCreateSurface(nullptr, 2048, 345, DDSCAPS_SYSTEMOFFSCREEN);
        DXFillRect(gDDSSprite, 0, 0, 2048, 108, kRed);
        DXFillRect(gDDSSprite, 0, 108, 2048, 237, kBlue);
        target = DXCreateSurface(nullptr, 1200, 200, DDSCAPS_SYSTEMOFFSCREEN);
    }
    void TearDown() override
    {
        AO_ClearList();
        DXReleaseSurface(target);
        DXReleaseSurface(gDDSSprite);
        gDDSSprite = nullptr;
    }
    // First and last non-white column in row y; -1 when none.
    std::pair<int, int> Span(int y)
    {
        int first = -1, last = -1;
        for (int x = 0; x < target->iWidth; ++x)
            if (DXGetPixel(target, x, y) != kWhite)
                last = x, first = first < 0 ? x : first;
        return {first, last};
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

TEST_F(Fonts, AlignmentPlacesTheLineAroundItsAnchor)
{
    int32_t lw = FontStringWidth(0, "AB");
    ASSERT_TRUE(BltFont(0, target, 100, 0, FONT_ALIGN_CENTRE, "AB"));
    EXPECT_EQ(Span(50), std::make_pair(100 - lw / 2, 100 - lw / 2 + lw - 1));
    EXPECT_EQ(DXGetPixel(target, 100 - lw / 2 + 57, 50), kWhite) << "the spacing stays white";
    ClearSurface(target);
    ASSERT_TRUE(BltFont(0, target, 600, 0, FONT_ALIGN_RIGHT, "AB"));
    EXPECT_EQ(Span(50).second, 599);
}

TEST_F(Fonts, LargeFontTakesDigitsFromItsSecondRowAndDrawsNoLowerCase)
{
    ASSERT_TRUE(BltFont(0, target, 0, 0, 0, "A1"));
    EXPECT_EQ(DXGetPixel(target, 5, 5), kRed);
    EXPECT_EQ(DXGetPixel(target, 57 + 12 + 1, 5), kBlue);
    ClearSurface(target);
    ASSERT_TRUE(BltFont(0, target, 0, 0, 0, "abc"));
    EXPECT_EQ(Span(50).first, -1);
}

TEST_F(Fonts, RefusesUnknownFontsAndEmptyTextAndLeavesNoTraceOfGlyphsOffTheSheet)
{
    for (int font : {8, 9, 12}) { // rows outside the sheet: the copies fail unreported
        TrailClear();
        Fail("earlier");
        EXPECT_TRUE(BltFont(font, target, 0, 0, 0, "AB"));
        EXPECT_STREQ(gErrorTrail, "earlier\n") << font;
    }
    for (int font : {13, -1}) {
        TrailClear();
        EXPECT_FALSE(BltFont(font, target, 0, 0, 0, "A"));
        EXPECT_STREQ(gErrorTrail, "No font type specified !\n");
    }
    TrailClear();
    EXPECT_FALSE(BltFont(0, target, 0, 0, 0, ""));
    EXPECT_STREQ(gErrorTrail, "Zero lenght of string\n");
    for (int font : {8, 9}) { // the narrow fonts make no animated letters
        TrailClear();
        EXPECT_FALSE(font == 8 ? FONT_AddLabel(8, 1, 0, 0, 0, 1, 12, "A", 0)
                               : FONT_AddText(9, 0, 0, 0, 1, 12, "A", 0));
        EXPECT_STREQ(gErrorTrail, "No font type specified !\nCouldn\xB4t add new font to list\n");
    }
    EXPECT_EQ(gAOList, nullptr);
}

TEST_F(Fonts, FlyingLettersStartAtTheAnchorAndComeToRestInPlace)
{
    ASSERT_TRUE(FONT_AddLabel(10, 77, 300, 40, FONT_ALIGN_CENTRE, 1, 12, "AAA", 40));
    int32_t left = 300 - FontStringWidth(10, "AAA") / 2;
    AO *first = gAOList;
    EXPECT_EQ(first->x, 300 - 3);
    EXPECT_EQ(first->iLayer, 9999);
    Frames(1);
    EXPECT_EQ(first->rcUpdate[0], first->x) << "moving left: the box starts at the new x";
    EXPECT_GE(first->rcUpdate[2], 297 + 6 - first->x) << "and covers the old place";
    Frames(20);
    int i = 0;
    for (AO *p = gAOList; p; p = p->pNext, ++i) {
        EXPECT_EQ(p->x, left + 7 * i);
        EXPECT_EQ(p->iState, LETTER_RESTING);
    }
    AO_ClearList();
    ASSERT_TRUE(FONT_AddLabel(10, 1, 300, 40, FONT_ALIGN_CENTRE, 1, 12, "A", 40));
    Frames(1);
    EXPECT_EQ(gAOList->iState, LETTER_ARRIVED) << "a letter already in place";
}

TEST_F(Fonts, RisingLetterWaitsRisesIsEatenAtItsLineAndLeaves)
{
    ASSERT_TRUE(FONT_AddText(10, 300, 120, FONT_ALIGN_CENTRE, 6, 12, "A", 100));
    AO *a = gAOList;
    Frames(8);
    EXPECT_EQ(a->y, 120) << "waits eight frames";
    Frames(20);
    EXPECT_EQ(a->y, 100) << "then one pixel a frame";
    Frames(1);
    EXPECT_EQ(a->y, 100);
    EXPECT_EQ(a->iHeight, 12);
    EXPECT_EQ(a->ySrc, 282);
    Frames(12 + 1);
    EXPECT_EQ(a->iState, LETTER_ARRIVED);
    Frames(2);
    EXPECT_EQ(a->AnimateProc, AO_DieProc) << "a vanished letter leaves the list";
}

TEST_F(Fonts, LeavingRetiresOnlyTheGroupOrFontAsked)
{
    ASSERT_TRUE(FONT_AddLabel(10, 1, 100, 40, 0, 1, 12, "AB", 40));
    ASSERT_TRUE(FONT_AddLabel(10, 2, 100, 80, 0, 1, 12, "CD", 40));
    ASSERT_TRUE(FONT_AddText(11, 100, 120, 0, 1, 12, "A", 0));
    auto dying = [] {
        int n = 0;
        for (AO *p = gAOList; p; p = p->pNext)
            n += p->AnimateProc == AO_DieProc && p->xSrc == 1500 && p->ySrc == 110;
        return n;
    };
    FONT_LeaveGroup(10, 1);
    Frames(1);
    EXPECT_EQ(dying(), 2);
    FONT_LeaveFont(10);
    Frames(1);
    EXPECT_EQ(dying(), 4) << "the icon letter of font 11 stays";
}

} // namespace
