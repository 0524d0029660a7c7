// Bitmap fonts: measuring, the character map, drawing at once, and animated letters.
#include <gtest/gtest.h>

#include <string>

#include "picture/ao.h"
#include "picture/font.h"
#include "platform/fake/fake_platform.h"
#include "platform/trail.h"
#include "shell/appstate.h"

namespace
{

constexpr uint32_t kWhite = 0xFFFFFF, kRed = 0xFF0000, kBlue = 0x0000FF;

class Fonts : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        FakePlatformReset();
        TrailClear();
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
    // First and last column holding a non-white pixel in row y; -1 when none.
    std::pair<int, int> Span(int y)
    {
        int first = -1, last = -1;
        for (int x = 0; x < target->iWidth; ++x)
            if (DXGetPixel(target, x, y) != kWhite) {
                if (first < 0)
                    first = x;
                last = x;
            }
        return {first, last};
    }
    int LetterCount()
    {
        int n = 0;
        for (AO *p = gAOList; p; p = p->pNext)
            n += p->iType == AO_TYPE_LETTER;
        return n;
    }
    LPDDS target = nullptr;
};

TEST(FontWidth, SumsGlyphsAndSpacingBetweenThem)
{
    EXPECT_EQ(FontStringWidth(0, "AB"), 57 + 48 + 12);
    EXPECT_EQ(FontStringWidth(0, "A"), 57);
    EXPECT_EQ(FontStringWidth(0, ""), 0);
    EXPECT_EQ(FontStringWidth(0, " "), 27);
    EXPECT_EQ(FontStringWidth(10, "<"), 0) << "no glyph of its own: the empty fallback";
    EXPECT_EQ(FontStringWidth(10, "A A"), 6 + 4 + 6 + 2);
    EXPECT_EQ(FontStringWidth(42, "AB"), 117) << "unknown fonts measure with font 0";
    EXPECT_EQ(FontStringWidth(0, "ab"), 12) << "lower case is the empty fallback in font 0";
}

TEST(FontWidth, IconFontSelectsPicturesByCapitalsAndHasNoFallback)
{
    EXPECT_EQ(FontStringWidth(11, "A"), 36);
    EXPECT_EQ(FontStringWidth(11, "J"), 41);
    EXPECT_EQ(FontStringWidth(11, "K"), 0);
    int32_t x, w;
    FontGlyph(11, 'H', &x, &w);
    EXPECT_EQ(x, 188);
    EXPECT_EQ(w, 49);
}

TEST(FontMap, Latin1CharactersKeepTheirGlyphs)
{
    EXPECT_EQ(FontGlyphIndex('A'), 0);
    EXPECT_EQ(FontGlyphIndex('Z'), 25);
    EXPECT_EQ(FontGlyphIndex(0xC5), 26); // Å
    EXPECT_EQ(FontGlyphIndex('['), 26);
    EXPECT_EQ(FontGlyphIndex(0xC4), 27); // Ä
    EXPECT_EQ(FontGlyphIndex(0xD6), 28); // Ö
    EXPECT_EQ(FontGlyphIndex('0'), 29);
    EXPECT_EQ(FontGlyphIndex('9'), 38);
    EXPECT_EQ(FontGlyphIndex(' '), 41);
    EXPECT_EQ(FontGlyphIndex(0xAE), 48);
    EXPECT_EQ(FontGlyphIndex(0xDC), 59);
    EXPECT_EQ(FontGlyphIndex('+'), 64);
    EXPECT_EQ(FontGlyphIndex('a'), 65);
    EXPECT_EQ(FontGlyphIndex(0xF6), 93); // ö
    EXPECT_EQ(FontGlyphIndex('<'), FONT_FALLBACK);
    EXPECT_EQ(FontGlyphIndex(0xA9), FONT_FALLBACK);
    EXPECT_EQ(FontGlyphIndex('\r'), FONT_FALLBACK);
}

TEST_F(Fonts, AlignmentPlacesTheLineAroundItsAnchor)
{
    const char *text = "AB";
    int32_t lw = FontStringWidth(0, text);
    ASSERT_TRUE(BltFont(0, target, 100, 0, FONT_ALIGN_CENTRE, text));
    EXPECT_EQ(Span(50).first, 100 - lw / 2);
    EXPECT_EQ(Span(50).second, 100 - lw / 2 + lw - 1);
    // The spacing between the glyphs stays white.
    EXPECT_EQ(DXGetPixel(target, 100 - lw / 2 + 57, 50), kWhite);

    ClearSurface(target);
    ASSERT_TRUE(BltFont(0, target, 600, 0, FONT_ALIGN_RIGHT, text));
    EXPECT_EQ(Span(50).second, 599);
    ClearSurface(target);
    ASSERT_TRUE(BltFont(0, target, 600, 0, FONT_ALIGN_LEFT, text));
    EXPECT_EQ(Span(50).first, 600);
}

TEST_F(Fonts, LargeFontTakesDigitsAndSignsFromTheSecondRow)
{
    ASSERT_TRUE(BltFont(0, target, 0, 0, 0, "A"));
    EXPECT_EQ(DXGetPixel(target, 5, 5), kRed);
    ClearSurface(target);
    ASSERT_TRUE(BltFont(0, target, 0, 0, 0, "1"));
    EXPECT_EQ(DXGetPixel(target, 1, 5), kBlue);
}

TEST_F(Fonts, LowerCaseInTheLargeFontDrawsNothing)
{
    ASSERT_TRUE(BltFont(0, target, 0, 0, 0, "abc xyz"));
    for (int y = 0; y < 106; y += 7)
        EXPECT_EQ(Span(y).first, 36) << "only the space glyph is drawn";
    ClearSurface(target);
    ASSERT_TRUE(BltFont(0, target, 0, 0, 0, "abc"));
    EXPECT_EQ(Span(50).first, -1);
}

TEST_F(Fonts, RefusesFontsWithoutTablesAndEmptyText)
{
    for (int font : {8, 9, 12, 13, -1}) {
        TrailClear();
        EXPECT_FALSE(BltFont(font, target, 0, 0, 0, "A"));
        EXPECT_STREQ(gErrorTrail, "No font type specified !\n");
    }
    TrailClear();
    EXPECT_FALSE(BltFont(0, target, 0, 0, 0, ""));
    EXPECT_STREQ(gErrorTrail, "Zero lenght of string\n");
    TrailClear();
    EXPECT_FALSE(FONT_AddText(9, 0, 0, 0, 1, 12, "A", 0));
    EXPECT_STREQ(gErrorTrail, "No font type specified !\nCouldn\xB4t add new font to list\n");
    EXPECT_EQ(LetterCount(), 0);
}

TEST_F(Fonts, FlyingLettersStartAtTheAnchorAndComeToRestInTheirPlaces)
{
    ASSERT_TRUE(FONT_AddLabel(10, 77, 300, 40, FONT_ALIGN_CENTRE, 1, 12, "AAA", 40));
    ASSERT_EQ(LetterCount(), 3);
    int32_t left = 300 - FontStringWidth(10, "AAA") / 2;
    int i = 0;
    for (AO *p = gAOList; p; p = p->pNext, ++i) {
        LETTER *l = reinterpret_cast<LETTER *>(p);
        EXPECT_EQ(p->iLayer, 9999);
        EXPECT_EQ(p->dwFlags, AOFLAG_SPRITE | AOFLAG_FLUSH);
        EXPECT_EQ(p->x, 300 - 3);
        EXPECT_EQ(p->ySrc, 281);
        EXPECT_EQ(l->xTarget, left + 7 * i);
        EXPECT_EQ(l->iSpeed, std::abs(l->xTarget - p->x) / 3 + 1);
        EXPECT_EQ(l->iGroup, 77);
    }
    for (int frame = 0; frame < 20; ++frame)
        for (AO *p = gAOList; p; p = p->pNext)
            ASSERT_TRUE(FONT_LetterProc(p));
    i = 0;
    for (AO *p = gAOList; p; p = p->pNext, ++i) {
        EXPECT_EQ(p->x, left + 7 * i);
        EXPECT_EQ(p->iState, LETTER_RESTING);
    }
}

TEST_F(Fonts, LetterAlreadyInPlaceArrivesInTheFirstFrame)
{
    // A single glyph centred on its anchor starts where it ends.
    ASSERT_TRUE(FONT_AddLabel(10, 1, 300, 40, FONT_ALIGN_CENTRE, 1, 12, "A", 40));
    ASSERT_TRUE(FONT_LetterProc(gAOList));
    EXPECT_EQ(gAOList->iState, LETTER_ARRIVED);
}

TEST_F(Fonts, MovingLetterUpdatesBothItsOldAndNewPlace)
{
    ASSERT_TRUE(FONT_AddText(10, 300, 40, FONT_ALIGN_LEFT, 1, 12, "A", 0));
    AO *a = gAOList;
    int32_t before = a->x;
    ASSERT_TRUE(FONT_LetterProc(a));
    ASSERT_GT(a->x, before);
    EXPECT_EQ(a->rcUpdate[0], before);
    EXPECT_EQ(a->rcUpdate[2], a->x + a->iWidth - before);
}

TEST_F(Fonts, RisingLetterWaitsRisesToItsLineVanishesAndLeaves)
{
    // Anchor 20 pixels under the line at y 100; centred single letter: no sideways move.
    ASSERT_TRUE(FONT_AddText(10, 300, 120, FONT_ALIGN_CENTRE, 6, 12, "A", 100));
    AO *a = gAOList;
    for (int frame = 0; frame < 8; ++frame)
        FONT_LetterProc(a);
    EXPECT_EQ(a->y, 120) << "waits eight frames";
    FONT_LetterProc(a);
    EXPECT_EQ(a->y, 119) << "then one pixel a frame";
    for (int frame = 0; frame < 19; ++frame)
        FONT_LetterProc(a);
    EXPECT_EQ(a->y, 100);
    FONT_LetterProc(a);
    EXPECT_EQ(a->y, 100);
    EXPECT_EQ(a->iHeight, 12) << "eaten from the top at the line";
    EXPECT_EQ(a->ySrc, 282);
    for (int frame = 0; frame < 12; ++frame)
        FONT_LetterProc(a);
    EXPECT_EQ(a->iHeight, 0);
    EXPECT_EQ(a->iState, LETTER_ARRIVING);
    FONT_LetterProc(a);
    EXPECT_EQ(a->iState, LETTER_ARRIVED);
    FONT_LetterProc(a);
    FONT_LetterProc(a);
    EXPECT_EQ(a->AnimateProc, AO_DieProc) << "a vanished letter leaves the list";
}

TEST_F(Fonts, LeaveGroupRetiresOnlyThatGroupsLetters)
{
    ASSERT_TRUE(FONT_AddLabel(10, 1, 100, 40, 0, 1, 12, "AB", 40));
    ASSERT_TRUE(FONT_AddLabel(10, 2, 100, 80, 0, 1, 12, "CD", 40));
    ASSERT_TRUE(FONT_AddText(11, 100, 120, 0, 1, 12, "A", 0));
    FONT_LeaveGroup(10, 1);
    for (AO *p = gAOList; p; p = p->pNext)
        FONT_LetterProc(p);
    int dying = 0;
    for (AO *p = gAOList; p; p = p->pNext)
        if (p->AnimateProc == AO_DieProc) {
            ++dying;
            EXPECT_EQ(reinterpret_cast<LETTER *>(p)->iGroup, 1);
            EXPECT_EQ(p->xSrc, 1500);
            EXPECT_EQ(p->ySrc, 110);
        }
    EXPECT_EQ(dying, 2);
    FONT_LeaveFont(10);
    for (AO *p = gAOList; p; p = p->pNext)
        if (p->AnimateProc == FONT_LetterProc)
            FONT_LetterProc(p);
    dying = 0;
    for (AO *p = gAOList; p; p = p->pNext)
        dying += p->AnimateProc == AO_DieProc;
    EXPECT_EQ(dying, 4) << "the icon letter of font 11 stays";
}

} // namespace
