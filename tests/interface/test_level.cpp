// The graphics map "obj.edi" and the level file, and what is kept of them.
#include <cstring>
#include <gtest/gtest.h>

#include "interface/graphicsmap.h"
#include "interface/interface.h"
#include "platform/fake/fake_platform.h"
#include "platform/trail.h"

TEST(GraphicsMap, ReadsEntriesAndRefusesRepeatedIdsIdsOutsideTheMapAndBadValues)
{
    std::string longMap; // only the first 32768 bytes are read: the entry cut there fails
    for (int id = 0; id < 3000; id++) // 15 bytes each
        longMap += "G:" + (std::to_string(id) + "     ").substr(0, 5) + "1,2,3,4\n";
    const struct {
        std::string text;
        const char *trail; // "": read
        int32_t kept;      // entries read before the bad one stay
    } cases[] = {
        {"G:1001 10,20,52,44\r\nG:7    1,2,3,4\nG:2330 0,0,0,0", "", 3},
        {"G:1001 1,2,5,4\nG:1002 1,1,1,1\nG:1001 0,0,1,1\n", "Graphics Id already used!\n1001\n",
         2},
        {"G:1    1,2,3,4\nG:32768 1,2,3,4\n", "Graphics Id out of range!\n32768\n", 1},
        {"G:1    1,2,3,4\nG:12   1,2,3\n", "G: Corrupted line!!\n", 1},
        {"G:12   1,2,3,-4\n", "G: Corrupted line!!\n", 0}, // no negative sizes
        {longMap, "G: Corrupted line!!\n", 2184},
    };
    for (const auto &c : cases) {
        TrailClear();
        const int ok =
            GraphicsMapParse(reinterpret_cast<const uint8_t *>(c.text.data()), c.text.size());
        EXPECT_EQ(ok, !*c.trail) << c.text.substr(0, 40);
        EXPECT_STREQ(gErrorTrail, c.trail) << c.text.substr(0, 40);
        EXPECT_EQ(gGraphicsCount, c.kept) << c.text.substr(0, 40);
        FreeObjects();
    }
}

namespace
{

// Level bytes: the four counts, the name check for `name`, then the records.
struct LevelBytes {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(LEVEL_HEADER_SIZE);
    int32_t counts[4] = {};

    void Put(size_t at, int32_t v) { std::memcpy(&bytes[at], &v, 4); }
    void Add(int list, std::vector<int32_t> fields, size_t size)
    {
        const size_t at = bytes.size();
        bytes.resize(at + size);
        for (size_t i = 0; i < fields.size(); i++)
            Put(at + 4 * i, fields[i]);
        Put(4 * list, ++counts[list]);
    }
    std::vector<uint8_t> For(const char *name)
    {
        Put(76, LevelNameCheck(name));
        return bytes;
    }
};

const char kMap[] = "G:1001 10,20,40,30\nG:2330 500,600,8,9\n";

class Level : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        TrailClear();
        ASSERT_TRUE(GraphicsMapParse(reinterpret_cast<const uint8_t *>(kMap), sizeof kMap - 1));
    }
    void TearDown() override
    {
        FreeLevel();
        FreeObjects();
    }
};

} // namespace

TEST_F(Level, KeepsVisibleRecordsAndStandsInForUndefinedStaticGraphics)
{
    LevelBytes l;
    l.Add(0, {7, 5, 6}, 12);         // undefined: drawn as 2330
    l.Add(0, {1001, -40, 0}, 12);    // -40 + 40 = 0: wholly left of the window
    l.Add(0, {1001, -30, 0}, 12);    // kept
    l.Add(1, {1001, 0, -30, 9}, 16); // -30 + 30: wholly above
    l.Add(1, {1001, 3, 4, 0x1234}, 16);
    l.Add(1, {1001, 0, -29, 0}, 16); // its last row shows: kept
    l.Add(2, {1, 2, 3, 4, 5}, 20);
    l.Add(3, {1001, 100, 200, 0, 10001, 15, 3, 4, 5, 6, 7, 0}, 48);
    l.Add(3, {1001, -45, 0, 0, 10001, 16}, 48); // not visible: not kept
    const std::vector<uint8_t> bytes = l.For("merrowick.lvl");
    ASSERT_TRUE(LevelParse(bytes.data(), bytes.size(), "merrowick.lvl")) << gErrorTrail;

    ASSERT_EQ(gLevel.iStaticCount, 2);
    EXPECT_EQ(gLevel.pStatic[0].xSrc, 500);
    EXPECT_EQ(gLevel.pStatic[0].right, 5 + 8);
    EXPECT_EQ(gLevel.pStatic[1].left, -30);
    ASSERT_EQ(gLevel.iForegroundCount, 2);
    EXPECT_EQ(gLevel.pForeground[0].wFlags, 0x1234);
    EXPECT_EQ(gLevel.iPathCount, 1);
    ASSERT_EQ(gLevel.iActionCount, 1);
    const LEVELACTION &a = gLevel.pActions[0];
    EXPECT_EQ(
        std::vector<int32_t>({a.left, a.top, a.right, a.bottom, a.xSrc, a.ySrc, a.p[2], a.p[6]}),
        std::vector<int32_t>({100, 200, 140, 230, 10, 20, 15, 6}));
    EXPECT_EQ(a.bUsed, 0);
    EXPECT_STREQ(gErrorTrail, "");
}

TEST_F(Level, RefusesWhatCannotBeRightWithoutReadingPastTheBytes)
{
    LevelBytes good;
    good.Add(3, {1001, 1, 1, 0, 10001, 1}, 48);
    LevelBytes huge;
    huge.Put(0, 0x7fffffff);
    LevelBytes negative;
    negative.Put(8, -1);
    LevelBytes outside; // graphics outside the map or undefined: skipped, one line each
    outside.Add(1, {7, 1, 1}, 16);
    outside.Add(3, {40000, 1, 1}, 48);
    const std::vector<uint8_t> full = good.For("a.lvl");
    const struct {
        std::vector<uint8_t> bytes;
        const char *name;
        int ok;
        const char *trail;
    } cases[] = {
        {std::vector<uint8_t>(full.begin(), full.end() - 1), "a.lvl", 0, "Read file failed!\n"},
        {std::vector<uint8_t>(full.begin(), full.begin() + 100), "a.lvl", 0, "Read file failed!\n"},
        {full, "b.lvl", 0, ""}, // made for another name: refused without a word
        {huge.For("a.lvl"), "a.lvl", 0, "Level file: 2147483647 records cannot be right\n"},
        {negative.For("a.lvl"), "a.lvl", 0, "Level file: -1 records cannot be right\n"},
        {outside.For("a.lvl"), "a.lvl", 1, ""}, // a load that succeeds leaves no line
    };
    for (const auto &c : cases) {
        TrailClear();
        FakePlatform().debugOutput.clear();
        EXPECT_EQ(LevelParse(c.bytes.data(), c.bytes.size(), c.name), c.ok) << c.trail;
        EXPECT_STREQ(gErrorTrail, c.trail);
        EXPECT_EQ(gLevel.iActionCount, 0);
    }
    EXPECT_EQ(
        FakePlatform().debugOutput,
        (std::vector<std::string>{"Level record skipped: graphics id 7 is not in the map",
                                  "Level record skipped: graphics id 40000 is not in the map"}));
}
