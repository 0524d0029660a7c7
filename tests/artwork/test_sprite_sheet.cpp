// The sprite sheet and its glyph tables, as the fonts and the frame use them, and the
// graphics map and level file that place the interface buttons on it.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "glyphtables.h"
#include "interface/graphicsmap.h"
#include "interface/interface.h"
#include "platform/trail.h"
#include "resources/resources.h"
#include "support/data_files.h"

namespace
{

struct Font {
    const char *name;
    const GLYPHENTRY *table;
    int count, height;
    std::vector<int> rows; // sheet rows: the large font's second row from glyph 29 on;
                           // the small font in three colours
};
const Font kFonts[] = {{"large", kGlyphsLarge, 65, 106, {0, 108}},
                       {"small", kGlyphsSmall, 60, 17, {216, 238, 260}},
                       {"text", kGlyphsText, 100, 13, {281}},
                       {"icons", kGlyphsIcons, 10, 30, {296}}};

std::vector<int> RowsOf(const Font &f, int g)
{
    return f.table == kGlyphsLarge ? std::vector<int>{f.rows[g >= 29]} : f.rows;
}

const DecodedBitmap &Sheet()
{
    static const DecodedBitmap sheet(ReadData("resources/SPRITE.bmp"));
    return sheet;
}

bool Overlap(int ax, int ay, int aw, int ah, int bx, int by, int bw, int bh)
{
    return ax < bx + bw && bx < ax + aw && ay < by + bh && by < ay + ah;
}

} // namespace

TEST(SpriteSheet, IsAn8BitBitmapOf1700By684WithWhiteOnceInItsPaletteAsTheProgramLoadsIt)
{
    const std::vector<uint8_t> b = ReadData("resources/SPRITE.bmp");
    ASSERT_TRUE(Sheet().ok) << Sheet().why;
    EXPECT_EQ(Sheet().info.biBitCount, 8);
    EXPECT_EQ(std::pair(Sheet().w(), Sheet().h()), std::pair(1700, 684));
    int whites = 0;
    for (int i = 0; i < 256; ++i)
        whites += b[54 + 4 * i] == 255 && b[55 + 4 * i] == 255 && b[56 + 4 * i] == 255;
    EXPECT_EQ(whites, 1) << "white must be one palette entry: the transparent colour";

    LPDDS surface = DDLoadBitmap("SPRITE", 0, 0);
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(DXGetPixel(surface, 1699, 683), 0xFFFFFFu) << "the sheet's corner is transparent";
    DXReleaseSurface(surface);
}

TEST(Glyphs, EveryCellLiesInsideTheSheetAndHasInkExactlyWhereItShould)
{
    ASSERT_TRUE(Sheet().ok);
    for (const Font &f : kFonts) {
        for (int g = 0; g < f.count; ++g) {
            const GLYPHENTRY &e = f.table[g];
            SCOPED_TRACE(std::string(f.name) + " glyph " + std::to_string(g));
            ASSERT_TRUE(e.x >= 0 && e.w >= 0 && e.x + e.w <= Sheet().w());
            // No picture: the space (41, which must still move the pen on), the fallback
            // (47), the unused 53 and the text font's entries past the last letter.
            const bool blank = f.table != kGlyphsIcons && (g == 41 || g == 47 || g == 53 || g > 93);
            EXPECT_TRUE(g != 41 || e.w > 0);
            for (int row : RowsOf(f, g)) {
                ASSERT_LE(row + f.height, Sheet().h());
                EXPECT_EQ(Sheet().Ink(e.x, row, e.w, f.height) > 0, !blank);
            }
        }
    }
}

TEST(Glyphs, CellsOfOneRowNeverOverlapNorTheLeavingLettersCell)
{
    for (const Font &f : kFonts) {
        std::vector<std::pair<int, int>> spans[2];
        for (int g = 0; g < f.count; ++g) {
            const GLYPHENTRY &e = f.table[g];
            if (e.w > 0)
                spans[f.table == kGlyphsLarge && g >= 29].push_back({e.x, e.w});
            // A leaving letter shows (1500, 110) at its own size: up to 49 x 30.
            for (int row : RowsOf(f, g))
                EXPECT_FALSE(e.w > 0 && e.x < 1500 + 49 && 1500 < e.x + e.w && row < 110 + 30 &&
                             110 < row + f.height)
                    << f.name << " glyph " << g;
        }
        for (auto &row : spans) {
            std::sort(row.begin(), row.end());
            for (size_t i = 1; i < row.size(); ++i)
                EXPECT_LE(row[i - 1].first + row[i - 1].second, row[i].first)
                    << f.name << " cells at " << row[i - 1].first << " and " << row[i].first;
        }
    }
}

TEST(SpriteSheet, FrameTilesHaveNoHolesAndTheLogoCellHasTheLogo)
{
    // The frame's edge and corner tiles, drawn opaque: white would be a hole in the frame.
    const int tiles[][4] = {{1636, 281, 16, 13}, {1636, 312, 16, 16}, {1622, 295, 13, 16},
                            {1653, 295, 16, 16}, {1622, 281, 13, 13}, {1653, 281, 16, 16},
                            {1622, 312, 13, 16}, {1653, 312, 16, 16}};
    for (const auto &t : tiles)
        EXPECT_EQ(Sheet().Ink(t[0], t[1], t[2], t[3]), t[2] * t[3]) << t[0] << "," << t[1];
    EXPECT_GT(Sheet().Ink(861, 295, 52, 44), 52 * 44 / 4);
}

// Every graphic of the map lies inside the sheet; the keyed logo stands in the left column
// above the feeder; the level places seventeen buttons numbered 1 to 17 in the window,
// clear of each other, of the logo and of the picture's frame, each with its normal, lit
// and pressed looks stacked in the sheet.
TEST(LevelFile, SeventeenButtonsClearOfEachOtherTheLogoAndThePictureWithThreeLooks)
{
    const std::vector<uint8_t> map = ReadData("obj.edi"), level = ReadData("merrowick.lvl");
    ASSERT_TRUE(GraphicsMapParse(map.data(), map.size())) << DataPath("obj.edi");
    for (int32_t i = 0; i < gGraphicsCount; ++i) {
        const GRAPHICSRECT &r = gGraphicsRects[i];
        EXPECT_TRUE(r.iWidth > 0 && r.iHeight > 0 && r.x >= 0 && r.y >= 0 &&
                    r.x + r.iWidth <= 1700 && r.y + r.iHeight <= 345)
            << r.iId;
    }
    ASSERT_TRUE(LevelParse(level.data(), level.size(), "merrowick.lvl")) << gErrorTrail;
    ASSERT_EQ(gLevel.iActionCount, 17);
    const DecodedBitmap logo(ReadData("logo7.clp")); // drawn at (15, 10)
    ASSERT_TRUE(logo.ok) << logo.why;
    EXPECT_TRUE(15 + logo.w() <= 190 - 13 && 10 + logo.h() <= 175) << logo.w() << "x" << logo.h();
    EXPECT_EQ(logo.At(0, 0) & logo.At(logo.w() - 1, logo.h() - 1), 0xFFFFFFu) << "keyed corners";
    EXPECT_GT(logo.Ink(), logo.w() * logo.h() / 5);
    std::set<int> numbers;
    for (int32_t i = 0; i < 17; ++i) {
        const LEVELACTION &a = gLevel.pActions[i];
        const int w = a.right - a.left, h = a.bottom - a.top;
        SCOPED_TRACE("button " + std::to_string(a.p[2]));
        EXPECT_TRUE(a.p[0] == 0 && a.p[1] == LEVEL_CONTROL_CLASS) << "group and class";
        EXPECT_TRUE(a.p[2] >= 1 && a.p[2] <= 17 && numbers.insert(a.p[2]).second) << "number";
        EXPECT_TRUE(a.left >= 0 && a.top >= 0 && a.right <= 800 && a.bottom <= 600);
        // The picture's frame starts 13 pixels before the picture area (190, 75).
        EXPECT_TRUE(a.right <= 190 - 13 || a.bottom <= 75 - 13);
        EXPECT_FALSE(Overlap(a.left, a.top, w, h, 15, 10, logo.w(), logo.h()));
        for (int32_t k = 0; k < i; ++k) {
            const LEVELACTION &o = gLevel.pActions[k];
            EXPECT_FALSE(
                Overlap(a.left, a.top, w, h, o.left, o.top, o.right - o.left, o.bottom - o.top))
                << "and button " << o.p[2];
        }
        ASSERT_LE(a.ySrc + 3 * h, 345);
        for (int look = 0; look < 3; ++look)
            EXPECT_GT(Sheet().Ink(a.xSrc, a.ySrc + look * h, w, h), w * h / 2) << "look " << look;
    }
    FreeLevel();
    FreeObjects();
}
