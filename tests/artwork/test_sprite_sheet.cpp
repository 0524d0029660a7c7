// The sprite sheet and its glyph tables, as the fonts and the frame use them.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "artwork_data.h"
#include "glyphtables.h"
#include "resources/resources.h"

using namespace artwork_test;

namespace {

struct Font {
    const char *name;
    const GLYPHENTRY *table;
    int count;
    int height;
};
const Font kFonts[] = {{"large", kGlyphsLarge, 65, 106},
                       {"small", kGlyphsSmall, 60, 17},
                       {"text", kGlyphsText, 100, 13},
                       {"icons", kGlyphsIcons, 10, 30}};

// Sheet rows of a glyph (several for the three-coloured small font).
std::vector<int> RowsOf(const Font &f, int g)
{
    if (f.table == kGlyphsLarge)
        return {g < 29 ? 0 : 108};
    if (f.table == kGlyphsSmall)
        return {216, 238, 260};
    if (f.table == kGlyphsText)
        return {281};
    return {296};
}

// Glyph indices with no picture: the space (41), the fallback (47), the unused 53 and,
// in the text font, the entries past the last letter.
bool Blank(const Font &f, int g)
{
    return f.table != kGlyphsIcons && (g == 41 || g == 47 || g == 53 || g > 93);
}

const std::vector<uint8_t> &SheetBytes()
{
    static std::vector<uint8_t> bytes = ReadData("resources/SPRITE.bmp");
    return bytes;
}

} // namespace

TEST(SpriteSheet, IsAn8BitBitmapOf1700By345WithWhiteOnceInItsPalette)
{
    const std::vector<uint8_t> &b = SheetBytes();
    Image sheet(b);
    ASSERT_TRUE(sheet.ok) << DataPath("resources/SPRITE.bmp") << ": " << sheet.why;
    EXPECT_EQ(sheet.info.biBitCount, 8);
    EXPECT_TRUE(sheet.info.biClrUsed == 256 || sheet.info.biClrUsed == 0);
    EXPECT_EQ(sheet.w(), 1700);
    EXPECT_EQ(sheet.h(), 345);
    int whites = 0;
    for (int i = 0; i < 256; ++i) {
        const uint8_t *e = b.data() + 54 + 4 * i;
        whites += e[0] == 255 && e[1] == 255 && e[2] == 255;
    }
    EXPECT_EQ(whites, 1) << "white must be one palette entry: the transparent colour";
}

TEST(SpriteSheet, ProgramLoadsTheEmbeddedCopyWithItsPalette)
{
    size_t size = 0;
    const uint8_t *p = RES_Find("SPRITE", &size);
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(size, SheetBytes().size());
    EXPECT_EQ(std::memcmp(p, SheetBytes().data(), size), 0);

    LPDDS surface = DDLoadBitmap(nullptr, "SPRITE", 0, 0);
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(surface->iWidth, 1700);
    EXPECT_EQ(surface->iHeight, 345);
    EXPECT_EQ(DXGetPixel(surface, 1699, 344), 0xFFFFFFu) << "the sheet's corner is transparent";
    DXReleaseSurface(surface);

    DDPALETTE *pal = DDLoadPalette(nullptr, "SPRITE");
    ASSERT_NE(pal, nullptr);
    EXPECT_EQ(pal->aEntries[255][0], 255);
    EXPECT_EQ(pal->aEntries[255][1], 255);
    EXPECT_EQ(pal->aEntries[255][2], 255);
    DDReleasePalette(pal);
}

TEST(Glyphs, EveryCellLiesInsideTheSheetAndHasInkExactlyWhereItShould)
{
    Image sheet(SheetBytes());
    ASSERT_TRUE(sheet.ok);
    for (const Font &f : kFonts) {
        for (int g = 0; g < f.count; ++g) {
            const GLYPHENTRY &e = f.table[g];
            SCOPED_TRACE(std::string(f.name) + " glyph " + std::to_string(g));
            ASSERT_GE(e.x, 0);
            ASSERT_GE(e.w, 0);
            ASSERT_LE(e.x + e.w, sheet.w());
            if (g == 41 && f.table != kGlyphsIcons) {
                EXPECT_GT(e.w, 0) << "the space must move the pen on";
            }
            for (int row : RowsOf(f, g)) {
                ASSERT_LE(row + f.height, sheet.h());
                int ink = sheet.Ink(e.x, row, e.w, f.height);
                if (Blank(f, g))
                    EXPECT_EQ(ink, 0) << "a blank glyph must draw nothing";
                else
                    EXPECT_GT(ink, 0) << "glyph has no picture";
            }
        }
    }
}

TEST(Glyphs, CellsOfOneRowNeverOverlap)
{
    for (const Font &f : kFonts) {
        std::vector<std::pair<int, int>> spans[2];
        for (int g = 0; g < f.count; ++g)
            if (f.table[g].w > 0)
                spans[f.table == kGlyphsLarge && g >= 29].push_back({f.table[g].x, f.table[g].w});
        for (auto &row : spans) {
            std::sort(row.begin(), row.end());
            for (size_t i = 1; i < row.size(); ++i)
                EXPECT_LE(row[i - 1].first + row[i - 1].second, row[i].first)
                    << f.name << " cells at " << row[i - 1].first << " and " << row[i].first;
        }
    }
}

TEST(Glyphs, SwedishAndAccentedCapitalsHaveGlyphsOfTheirOwn)
{
    Image sheet(SheetBytes());
    ASSERT_TRUE(sheet.ok);
    // Å Ä Ö against A A O; É Ù È Ê À Ü against E U E E A U.
    const std::pair<int, int> pairs[] = {{26, 0}, {27, 0}, {28, 14}, {54, 4},
                                         {55, 20}, {56, 4}, {57, 4}, {58, 0}, {59, 20}};
    for (const Font &f : {kFonts[0], kFonts[2]}) {
        for (auto [accented, plain] : pairs) {
            const GLYPHENTRY &a = f.table[accented];
            const GLYPHENTRY &p = f.table[plain];
            int ra = RowsOf(f, accented)[0], rp = RowsOf(f, plain)[0];
            bool same = a.w == p.w && sheet.SameRect(a.x, ra, p.x, rp, a.w, f.height);
            EXPECT_FALSE(same) << f.name << " glyph " << accented << " copies glyph " << plain;
        }
    }
}

TEST(Glyphs, SmallFontRowsHoldTheSameShapesInThreeColours)
{
    Image sheet(SheetBytes());
    ASSERT_TRUE(sheet.ok);
    for (int g : {0, 1, 14, 29, 54}) {
        const GLYPHENTRY &e = kGlyphsSmall[g];
        uint32_t darkest[3] = {};
        for (int r = 0; r < 3; ++r) {
            int row = 216 + 22 * r;
            int best = 1 << 30;
            for (int y = 0; y < 17; ++y)
                for (int x = 0; x < e.w; ++x) {
                    bool inkA = sheet.At(e.x + x, 216 + y) != 0xFFFFFF;
                    bool inkB = sheet.At(e.x + x, row + y) != 0xFFFFFF;
                    EXPECT_EQ(inkA, inkB) << "glyph " << g << " row " << row;
                    uint32_t c = sheet.At(e.x + x, row + y);
                    int sum = int(c >> 16) + int((c >> 8) & 255) + int(c & 255);
                    if (inkB && sum < best) {
                        best = sum;
                        darkest[r] = c;
                    }
                }
        }
        EXPECT_NE(darkest[0], darkest[1]);
        EXPECT_NE(darkest[1], darkest[2]);
        EXPECT_NE(darkest[0], darkest[2]);
    }
}

namespace {
struct Tile {
    int x, y, w, h;
};
const Tile kTop{1636, 281, 16, 13}, kBottom{1636, 312, 16, 16}, kLeft{1622, 295, 13, 16},
    kRight{1653, 295, 16, 16}, kTopLeft{1622, 281, 13, 13}, kTopRight{1653, 281, 16, 16},
    kBottomLeft{1622, 312, 13, 16}, kBottomRight{1653, 312, 16, 16};

int ChannelGap(uint32_t a, uint32_t b)
{
    int g = 0;
    for (int s = 0; s < 24; s += 8)
        g = std::max(g, std::abs(int((a >> s) & 255) - int((b >> s) & 255)));
    return g;
}
} // namespace

TEST(FrameTiles, RepeatEvery16PixelsWithoutSeamsAndJoinTheirCorners)
{
    Image s(SheetBytes());
    ASSERT_TRUE(s.ok);
    // Column (or row) a of one tile against b of the tile drawn next to it, over n pixels:
    // an edge tile next to itself, then the corners against the edges they meet.
    const struct {
        bool columns;
        Tile t1;
        int a;
        Tile t2;
        int b, n;
    } seams[] = {{true, kTop, 15, kTop, 0, 13},           {true, kBottom, 15, kBottom, 0, 16},
                 {false, kLeft, 15, kLeft, 0, 13},        {false, kRight, 15, kRight, 0, 16},
                 {true, kTopLeft, 12, kTop, 0, 13},       {false, kTopLeft, 12, kLeft, 0, 13},
                 {true, kTop, 15, kTopRight, 0, 13},      {false, kTopRight, 15, kRight, 0, 16},
                 {false, kLeft, 15, kBottomLeft, 0, 13},  {true, kBottomLeft, 12, kBottom, 0, 16},
                 {true, kBottom, 15, kBottomRight, 0, 16}, {false, kRight, 15, kBottomRight, 0, 16}};
    for (const auto &m : seams) {
        int worst = 0;
        for (int k = 0; k < m.n; ++k)
            worst = std::max(worst, m.columns ? ChannelGap(s.At(m.t1.x + m.a, m.t1.y + k),
                                                           s.At(m.t2.x + m.b, m.t2.y + k))
                                              : ChannelGap(s.At(m.t1.x + k, m.t1.y + m.a),
                                                           s.At(m.t2.x + k, m.t2.y + m.b)));
        EXPECT_LE(worst, 12) << "tile at " << m.t1.x << "," << m.t1.y << " against " << m.t2.x
                             << "," << m.t2.y;
    }
    // The tiles are drawn opaque (or keyed): white would be a hole in the frame.
    for (Tile t : {kTop, kBottom, kLeft, kRight, kTopLeft, kTopRight, kBottomLeft, kBottomRight})
        EXPECT_EQ(s.Ink(t.x, t.y, t.w, t.h), t.w * t.h) << "tile at " << t.x << "," << t.y;
}

TEST(SpriteSheet, LogoCellHasTheLogoAndTheLeavingCellIsFreeOfGlyphs)
{
    Image s(SheetBytes());
    ASSERT_TRUE(s.ok);
    EXPECT_GT(s.Ink(861, 295, 52, 44), 52 * 44 / 4);
    // A leaving letter shows (1500, 110) at its own size: up to 49 x 30 (font 11).
    for (const Font &f : kFonts)
        for (int g = 0; g < f.count; ++g)
            for (int row : RowsOf(f, g)) {
                const GLYPHENTRY &e = f.table[g];
                bool overlaps = e.w > 0 && e.x < 1500 + 49 && 1500 < e.x + e.w &&
                                row < 110 + 30 && 110 < row + f.height;
                EXPECT_FALSE(overlaps) << f.name << " glyph " << g;
            }
}
