// The graphics map and the level file that place the interface buttons.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "artwork_data.h"

using namespace artwork_test;

namespace
{

// A control record: graphics id, place, then group, class, button number and the rest.
struct Action {
    int32_t id, x, y, p[8];
};

bool Overlap(int ax, int ay, int aw, int ah, int bx, int by, int bw, int bh)
{
    return ax < bx + bw && bx < ax + aw && ay < by + bh && by < ay + ah;
}

} // namespace

TEST(GraphicsMap, EveryLineReadsAsTheProgramReadsItWithUniqueIdsInsideTheSheet)
{
    bool ok = false;
    std::vector<Sprite> sprites = ReadGraphicsMap(&ok);
    ASSERT_TRUE(ok) << DataPath("obj.edi");
    ASSERT_GE(sprites.size(), 17u);
    std::set<int> ids;
    for (const Sprite &s : sprites) {
        EXPECT_TRUE(ids.insert(s.id).second) << "id used twice: " << s.id;
        EXPECT_TRUE(s.w > 0 && s.h > 0 && s.x >= 0 && s.y >= 0) << s.id;
        EXPECT_TRUE(s.x + s.w <= 1700 && s.y + s.h <= 345) << s.id;
    }
}

TEST(LevelFile, SeventeenButtonsInTheWindowClearOfEachOtherTheLogoAndThePictureWithThreeLooks)
{
    const std::vector<uint8_t> b = ReadData("merrowick.lvl");
    ASSERT_GE(b.size(), 112u) << DataPath("merrowick.lvl");
    int32_t counts[4], nameCheck, sum = 0;
    std::memcpy(counts, b.data(), sizeof counts);
    std::memcpy(&nameCheck, b.data() + 76, 4);
    for (const char *c = "merrowick.lvl"; *c; ++c)
        sum += static_cast<signed char>(*c);
    EXPECT_EQ(nameCheck, sum);
    ASSERT_EQ(counts[3], 17);
    const size_t first = 112 + 12u * counts[0] + 16u * counts[1] + 20u * counts[2];
    ASSERT_EQ(b.size(), first + 48u * counts[3]);

    bool ok = false;
    std::map<int, Sprite> map;
    for (const Sprite &s : ReadGraphicsMap(&ok))
        map[s.id] = s;
    Image logo(ReadData("logo7.clp")), sheet(ReadData("resources/SPRITE.bmp"));
    ASSERT_TRUE(logo.ok && sheet.ok);
    std::vector<Action> actions(17); // records are 48 bytes apart
    for (int i = 0; i < 17; ++i)
        std::memcpy(&actions[i], b.data() + first + 48 * i, sizeof(Action));
    std::set<int> numbers;
    for (const Action &a : actions) {
        SCOPED_TRACE("button " + std::to_string(a.p[2]) + ", graphics id " + std::to_string(a.id));
        EXPECT_TRUE(a.p[0] == 0 && a.p[1] == 10001) << "group and class";
        EXPECT_TRUE(a.p[2] >= 1 && a.p[2] <= 17 && numbers.insert(a.p[2]).second) << "number";
        ASSERT_TRUE(map.count(a.id)) << "graphics id missing from obj.edi";
        const Sprite &s = map[a.id];
        EXPECT_TRUE(a.x >= 0 && a.y >= 0 && a.x + s.w <= 800 && a.y + s.h <= 600);
        // The picture's frame starts 13 pixels before the picture area (190, 75).
        EXPECT_TRUE(a.x + s.w <= 190 - 13 || a.y + s.h <= 75 - 13);
        EXPECT_FALSE(Overlap(a.x, a.y, s.w, s.h, 15, 10, logo.w(), logo.h()));
        for (const Action &o : actions)
            EXPECT_TRUE(&o == &a ||
                        !Overlap(a.x, a.y, s.w, s.h, o.x, o.y, map[o.id].w, map[o.id].h))
                << "and button " << o.p[2];
        // The normal, lit and pressed looks are stacked below the graphic's corner.
        ASSERT_LE(s.y + 3 * s.h, 345);
        for (int look = 0; look < 3; ++look)
            EXPECT_GT(sheet.Ink(s.x, s.y + look * s.h, s.w, s.h), s.w * s.h / 2) << "look " << look;
    }
}
