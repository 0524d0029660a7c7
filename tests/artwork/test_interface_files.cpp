// The graphics map and the level file that place the interface buttons.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "artwork_data.h"

using namespace artwork_test;

namespace {

// A control record: graphics id, place, then group, class, button number and the rest.
struct Action {
    int32_t id, x, y, p[8];
};

struct Level {
    bool ok = false;
    int32_t counts[4] = {};
    int32_t nameCheck = 0;
    size_t size = 0;
    std::vector<Action> actions;
};

Level ReadLevel()
{
    Level l;
    std::vector<uint8_t> b = ReadData("merrowick.lvl");
    l.size = b.size();
    if (b.size() < 112)
        return l;
    std::memcpy(l.counts, b.data(), 16);
    std::memcpy(&l.nameCheck, b.data() + 76, 4);
    size_t off = 112 + size_t(l.counts[0]) * 12 + size_t(l.counts[1]) * 16 +
                 size_t(l.counts[2]) * 20;
    if (l.counts[3] < 0 || off + size_t(l.counts[3]) * 48 > b.size())
        return l;
    for (int i = 0; i < l.counts[3]; ++i) {
        Action a;
        std::memcpy(&a, b.data() + off + 48 * i, sizeof a);
        l.actions.push_back(a);
    }
    l.ok = true;
    return l;
}

std::map<int, Sprite> MapById()
{
    bool ok = false;
    std::map<int, Sprite> m;
    for (const Sprite &s : ReadGraphicsMap(&ok))
        m[s.id] = s;
    return m;
}

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
        EXPECT_GE(s.id, 0);
        EXPECT_LE(s.id, 32767);
        EXPECT_GT(s.w, 0);
        EXPECT_GT(s.h, 0);
        EXPECT_GE(s.x, 0);
        EXPECT_GE(s.y, 0);
        EXPECT_LE(s.x + s.w, 1700) << s.id;
        EXPECT_LE(s.y + s.h, 345) << s.id;
    }
}

TEST(LevelFile, HeaderCarriesTheNameCheckAndTheCountsMatchTheSize)
{
    Level l = ReadLevel();
    ASSERT_TRUE(l.ok) << DataPath("merrowick.lvl");
    int32_t sum = 0;
    for (const char *c = "merrowick.lvl"; *c; ++c)
        sum += static_cast<signed char>(*c);
    EXPECT_EQ(l.nameCheck, sum);
    EXPECT_EQ(l.size, 112u + 12u * l.counts[0] + 16u * l.counts[1] + 20u * l.counts[2] +
                          48u * l.counts[3]);
    EXPECT_EQ(l.counts[3], 17);
}

TEST(LevelFile, OneControlRecordPerButtonWhoseGraphicIsInTheMap)
{
    Level l = ReadLevel();
    ASSERT_TRUE(l.ok);
    std::map<int, Sprite> map = MapById();
    std::set<int> numbers;
    for (const Action &a : l.actions) {
        SCOPED_TRACE("graphics id " + std::to_string(a.id));
        EXPECT_EQ(a.p[0], 0) << "group";
        EXPECT_EQ(a.p[1], 10001) << "class";
        EXPECT_TRUE(numbers.insert(a.p[2]).second) << "button number twice";
        EXPECT_GE(a.p[2], 1);
        EXPECT_LE(a.p[2], 17);
        ASSERT_TRUE(map.count(a.id)) << "graphics id missing from obj.edi";
        // The three looks are stacked below the graphic's corner.
        EXPECT_LE(map[a.id].y + 3 * map[a.id].h, 345);
    }
    EXPECT_EQ(numbers.size(), 17u);
}

TEST(LevelFile, ButtonsLieInTheWindowClearOfEachOtherTheLogoAndThePicture)
{
    Level l = ReadLevel();
    ASSERT_TRUE(l.ok);
    std::map<int, Sprite> map = MapById();
    Image logo(ReadData("logo7.clp"));
    ASSERT_TRUE(logo.ok);
    for (size_t i = 0; i < l.actions.size(); ++i) {
        const Action &a = l.actions[i];
        const Sprite &s = map[a.id];
        SCOPED_TRACE("button " + std::to_string(a.p[2]));
        EXPECT_GE(a.x, 0);
        EXPECT_GE(a.y, 0);
        EXPECT_LE(a.x + s.w, 800);
        EXPECT_LE(a.y + s.h, 600);
        // The picture's frame starts 13 pixels before the picture area (190, 75).
        EXPECT_TRUE(a.x + s.w <= 190 - 13 || a.y + s.h <= 75 - 13);
        EXPECT_FALSE(Overlap(a.x, a.y, s.w, s.h, 15, 10, logo.w(), logo.h()));
        for (size_t j = i + 1; j < l.actions.size(); ++j) {
            const Sprite &t = map[l.actions[j].id];
            EXPECT_FALSE(Overlap(a.x, a.y, s.w, s.h, l.actions[j].x, l.actions[j].y, t.w, t.h))
                << "and button " << l.actions[j].p[2];
        }
    }
}

TEST(ButtonLooks, ThreeDistinctLooksEachWithAPicture)
{
    Level l = ReadLevel();
    ASSERT_TRUE(l.ok);
    std::map<int, Sprite> map = MapById();
    Image sheet(ReadData("resources/SPRITE.bmp"));
    ASSERT_TRUE(sheet.ok);
    for (const Action &a : l.actions) {
        const Sprite &s = map[a.id];
        SCOPED_TRACE("button " + std::to_string(a.p[2]));
        for (int look = 0; look < 3; ++look)
            EXPECT_GT(sheet.Ink(s.x, s.y + look * s.h, s.w, s.h), s.w * s.h / 2);
        EXPECT_FALSE(sheet.SameRect(s.x, s.y, s.x, s.y + s.h, s.w, s.h));
        EXPECT_FALSE(sheet.SameRect(s.x, s.y + s.h, s.x, s.y + 2 * s.h, s.w, s.h));
    }
}
