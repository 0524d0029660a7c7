// The artwork of scaled screens: the 2x sheet, background and logo are the 1x ones' size
// doubled, and every cell of the 1x tables holds, at its doubled place on the 2x sheet, the
// same drawing at twice the size (its ink where the 1x ink lies, doubled).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "glyphtables.h"
#include "interface/graphicsmap.h"
#include "support/data_files.h"

namespace
{

const DecodedBitmap &One()
{
    static const DecodedBitmap sheet(ReadData("resources/SPRITE.bmp"));
    return sheet;
}

const DecodedBitmap &Two()
{
    static const DecodedBitmap sheet(ReadData("2x/SPRITE.bmp"));
    return sheet;
}

struct Ink {
    long both = 0, either = 0;
    double Share() const { return either ? double(both) / double(either) : 1; }
};

// Adds the cell (x, y, w, h) of the 1x picture, doubled, against the 2x picture's cell at
// (2x + dx, 2y): ink against ink, or with `colour` the same colour (the frame's bands).
void Compare(const DecodedBitmap &one, const DecodedBitmap &two, int x, int y, int w, int h,
             bool colour, Ink *ink, int dx = 0)
{
    for (int j = 0; j < 2 * h; j++)
        for (int i = 0; i < 2 * w; i++) {
            const uint32_t p = one.At(x + i / 2, y + j / 2);
            const int tx = 2 * x + i + dx;
            const uint32_t q = tx >= 0 && tx < two.w() ? two.At(tx, 2 * y + j) : 0xFFFFFF;
            const bool a = p != 0xFFFFFF, b = q != 0xFFFFFF;
            ink->both += a && b && (!colour || p == q), ink->either += a || b;
        }
}

struct Cell {
    int x, y, w, h;
};

// The cells of a font: each glyph with a picture on each row it is drawn on.
std::vector<Cell> FontCells(const GLYPHENTRY *table, int count, int height, std::vector<int> rows,
                            const int32_t *rowOf = nullptr)
{
    std::vector<Cell> cells;
    for (int g = 0; g < count; g++)
        for (int row : rowOf ? std::vector<int>{rowOf[g]} : rows)
            if (table[g].w > 0 && One().Ink(table[g].x, row, table[g].w, height) > 0)
                cells.push_back({table[g].x, row, table[g].w, height});
    return cells;
}

} // namespace

TEST(Artwork2x, IsTheSizeOfThe1xArtworkDoubled)
{
    for (const char *name : {"resources/SPRITE.bmp", "merrowick7.clp", "logo7.clp"}) {
        const DecodedBitmap one(ReadData(name));
        const std::string base = std::string(name).substr(std::string(name).rfind('/') + 1);
        const DecodedBitmap two(ReadData("2x/" + base));
        ASSERT_TRUE(one.ok && two.ok) << name << ": " << one.why << " / " << two.why;
        EXPECT_EQ(std::pair(two.w(), two.h()), std::pair(2 * one.w(), 2 * one.h())) << name;
    }
}

// Each group of cells: the ink of the 2x cells and of the 1x cells doubled mostly
// coincides, and for fine drawings much less so one 1x pixel to the side (the drawing is
// where the 1x drawing is, not merely near it).
TEST(Artwork2x, EveryCellOfThe1xTablesHoldsItsDrawingAtTheDoubledPlace)
{
    ASSERT_TRUE(One().ok && Two().ok);
    ASSERT_TRUE(GraphicsMapParse(ReadData("obj.edi").data(), ReadData("obj.edi").size()));
    std::vector<Cell> buttons;
    for (int32_t i = 0; i < gGraphicsCount; i++) {
        const GRAPHICSRECT &r = gGraphicsRects[i];
        const int looks = r.iId > 1000 && r.iId < 2000 ? 3 : 1;
        for (int k = 0; k < looks; k++)
            if (One().Ink(r.x, r.y + k * r.iHeight, r.iWidth, r.iHeight) > 0)
                buttons.push_back({r.x, r.y + k * r.iHeight, r.iWidth, r.iHeight});
    }
    FreeObjects();
    const struct {
        const char *what;
        std::vector<Cell> cells;
        double least; // share of shared ink, every cell of the group together
        bool colour;
        double gap = 0.05; // how much less ink one 1x pixel aside shares (0: not looked at)
    } groups[] = {
        {"large font", FontCells(kGlyphsLarge, kGlyphCountMore, 106, {}, kGlyphRowsLarge), 0.85,
         false},
        {"small fonts", FontCells(kGlyphsSmall, 60, 17, {216, 238, 260}), 0.7, false},
        {"text font", FontCells(kGlyphsText, kGlyphCountMore, 13, {}, kGlyphRowsText), 0.6, false},
        {"pictures", FontCells(kGlyphsIcons, 10, 30, {296}), 0.85, false},
        {"buttons and logo", buttons, 0.9, false, 0}, // broad: no telling gap
        {"frame", {{1622, 281, 48, 47}}, 0.9, true},
    };
    for (const auto &g : groups) {
        Ink here, aside;
        for (const Cell &c : g.cells) {
            Compare(One(), Two(), c.x, c.y, c.w, c.h, g.colour, &here);
            Compare(One(), Two(), c.x, c.y, c.w, c.h, g.colour, &aside, 2);
        }
        ASSERT_FALSE(g.cells.empty()) << g.what;
        EXPECT_GE(here.Share(), g.least) << g.what;
        if (g.gap > 0) {
            EXPECT_LT(aside.Share(), here.Share() - g.gap) << g.what;
        }
        std::printf("%-18s %zu cells: %.3f here, %.3f one 1x pixel aside\n", g.what, g.cells.size(),
                    here.Share(), aside.Share());
    }
}
