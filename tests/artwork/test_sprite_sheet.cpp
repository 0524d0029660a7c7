// The sprite sheet and its glyph tables, as the fonts and the frame use them, and the
// graphics map and level file that place the interface buttons on it.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "glyphtables.h"
#include "interface/graphicsmap.h"
#include "interface/interface.h"
#include "platform/trail.h"
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

} // namespace

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

// Every graphic of the map lies inside the sheet; the level places seventeen buttons
// numbered 1 to 17 in the window, clear of each other and of the picture's frame, each
// with its normal, lit and pressed looks stacked in the sheet.
TEST(LevelFile, SeventeenButtonsInsideTheSheetAndClearOfEachOther)
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
    std::set<int> numbers;
    for (int32_t i = 0; i < 17; ++i) {
        const LEVELACTION &a = gLevel.pActions[i];
        const int w = a.right - a.left, h = a.bottom - a.top;
        SCOPED_TRACE("button " + std::to_string(a.p[2]));
        EXPECT_TRUE(a.p[2] >= 1 && a.p[2] <= 17 && numbers.insert(a.p[2]).second) << "number";
        EXPECT_TRUE(a.left >= 0 && a.top >= 0 && a.right <= 800 && a.bottom <= 600);
        // The picture's frame starts 13 pixels before the picture area (190, 75).
        EXPECT_TRUE(a.right <= 190 - 13 || a.bottom <= 75 - 13);
        for (int32_t k = 0; k < i; ++k) {
            const LEVELACTION &o = gLevel.pActions[k];
            EXPECT_FALSE(a.left < o.right && o.left < a.right && a.top < o.bottom &&
                         o.top < a.bottom)
                << "and button " << o.p[2];
        }
        ASSERT_LE(a.ySrc + 3 * h, 345);
        for (int look = 0; look < 3; ++look)
            EXPECT_GT(Sheet().Ink(a.xSrc, a.ySrc + look * h, w, h), w * h / 2) << "look " << look;
    }
    FreeLevel();
    FreeObjects();
}
