// The graphics map "obj.edi".
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include <unistd.h>

#include "interface/graphicsmap.h"
#include "platform/platform.h"
#include "platform/trail.h"

static int Parse(const std::string &text)
{
    TrailClear();
    return GraphicsMapParse(reinterpret_cast<const uint8_t *>(text.data()), text.size());
}

TEST(GraphicsMap, ReadsEntriesAtTheFixedOffsetAfterTheId)
{
    ASSERT_EQ(Parse("G:1001 10,20,52,44\r\nG:7    1,2,3,4\nG:2330 0,0,0,0"), 1);
    EXPECT_EQ(gGraphicsCount, 3);
    const GRAPHICSRECT *r = GraphicsRect(1001);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ((std::vector<int32_t>{r->x, r->y, r->iWidth, r->iHeight, r->iId}),
              (std::vector<int32_t>{10, 20, 52, 44, 1001}));
    EXPECT_EQ(GraphicsRect(7)->iWidth, 3);
    EXPECT_EQ(gGraphicsMap[2330], 2);
    for (int32_t unknown : {8, -1, GRAPHICS_ID_COUNT})
        EXPECT_EQ(GraphicsRect(unknown), nullptr) << unknown;
    FreeObjects();
}

TEST(GraphicsMap, RefusesRepeatedIdsIdsOutsideTheMapAndMissingValues)
{
    const struct {
        const char *text, *trail;
        int32_t kept; // entries read before the bad one stay
    } cases[] = {
        {"G:1001 10,20,52,44\nG:1002 1,1,1,1\nG:1001 0,0,1,1\nG:1003 1,1,1,1\n",
         "Graphics Id already used!\n1001\n", 2},
        {"G:1    1,2,3,4\nG:32768 1,2,3,4\n", "Graphics Id out of range!\n32768\n", 1},
        {"G:-1 1,2,3,4\n", "Graphics Id out of range!\n-1\n", 0},
        {"G:99999999999 1,2,3,4\n", "G: Corrupted line!!\n", 0},
        {"G:1    1,2,3,4\nG:12   1,2,3\n", "G: Corrupted line!!\n", 1},
        {"G:12   1,2,3,-4\n", "G: Corrupted line!!\n", 0}, // no negative sizes
        {"G:12   1,2,-3,4\n", "G: Corrupted line!!\n", 0},
        {"G:1    1,2,3,4\nG:12", "G: Corrupted line!!\n", 1}, // values would lie past the end
        {"G:", "G: Corrupted line!!\n", 0},
        {"G:x    1,2,3,4", "G: Corrupted line!!\n", 0},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(Parse(c.text), 0) << c.text;
        EXPECT_STREQ(gErrorTrail, c.trail) << c.text;
        EXPECT_EQ(gGraphicsCount, c.kept) << c.text;
        FreeObjects();
    }
}

TEST(GraphicsMap, OnlyTheFirst32768BytesAreRead)
{
    std::string text;
    for (int id = 0; id < 3000; id++) {
        std::string number = std::to_string(id);
        text += "G:" + number + std::string(5 - number.size(), ' ') + "1,2,3,4\n"; // 15 bytes
    }
    // The entry cut by the limit has lost its values; the 2184 before it stay.
    EXPECT_EQ(Parse(text), 0);
    EXPECT_STREQ(gErrorTrail, "G: Corrupted line!!\n");
    EXPECT_EQ(gGraphicsCount, 2184);
    EXPECT_EQ(GraphicsRect(2184), nullptr);
    FreeObjects();
}

TEST(GraphicsMap, LoadObjectsReadsTheFileOrSaysWhyNot)
{
    char dir[] = "/tmp/mw-objedi-XXXXXX";
    ASSERT_TRUE(mkdtemp(dir));
    const std::string file = std::string(dir) + "/obj.edi";
    const struct {
        const char *contents; // null: no file
        const char *sub, *trail;
    } cases[] = {
        {nullptr, "", "Open file failed!\n"},
        {"", "", "Read file failed!\n"},
        {"G:5    9,8,7,6\n", "", ""},
        {"G:5    9,8,7,6\n", "gone/", "SetCurrentDirectory() !\n"},
    };
    for (const auto &c : cases) {
        if (c.contents)
            std::ofstream(file) << c.contents;
        std::snprintf(gMainDir, sizeof gMainDir, "%s/%s", dir, c.sub);
        TrailClear();
        EXPECT_EQ(LoadObjects(), !*c.trail) << c.trail;
        EXPECT_STREQ(gErrorTrail, c.trail);
        if (!*c.trail) {
            EXPECT_EQ(GraphicsRect(5)->x, 9);
        }
        FreeObjects();
    }
    unlink(file.c_str());
    rmdir(dir);
    gMainDir[0] = '\0';
}
