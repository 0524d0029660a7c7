// The graphics map "obj.edi".
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

#include "platform/trail.h"
#include "platform/platform.h"
#include "interface/graphicsmap.h"

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
    EXPECT_EQ(r->x, 10);
    EXPECT_EQ(r->y, 20);
    EXPECT_EQ(r->iWidth, 52);
    EXPECT_EQ(r->iHeight, 44);
    EXPECT_EQ(r->iId, 1001);
    EXPECT_EQ(GraphicsRect(7)->iWidth, 3);
    EXPECT_EQ(gGraphicsMap[2330], 2);
    EXPECT_EQ(GraphicsRect(8), nullptr);
    EXPECT_EQ(GraphicsRect(-1), nullptr);
    EXPECT_EQ(GraphicsRect(GRAPHICS_ID_COUNT), nullptr);
    FreeObjects();
}

TEST(GraphicsMap, RepeatedIdStopsWithTheIdOnTheNextLine)
{
    EXPECT_EQ(Parse("G:1001 10,20,52,44\nG:1002 1,1,1,1\nG:1001 0,0,1,1\nG:1003 1,1,1,1\n"), 0);
    EXPECT_STREQ(gErrorTrail, "Graphics Id already used!\n1001\n");
    EXPECT_EQ(gGraphicsCount, 2); // what came before stays
    EXPECT_EQ(GraphicsRect(1001)->x, 10);
    FreeObjects();
}

TEST(GraphicsMap, RefusesIdsOutsideTheMapAndMissingValues)
{
    EXPECT_EQ(Parse("G:32768 1,2,3,4\n"), 0);
    EXPECT_STREQ(gErrorTrail, "Graphics Id out of range!\n32768\n");
    EXPECT_EQ(Parse("G:-1 1,2,3,4\n"), 0);
    EXPECT_STREQ(gErrorTrail, "Graphics Id out of range!\n-1\n");
    EXPECT_EQ(Parse("G:99999999999 1,2,3,4\n"), 0);
    EXPECT_STREQ(gErrorTrail, "G: Corrupted line!!\n");
    EXPECT_EQ(Parse("G:12 1,2,3\n"), 0);
    EXPECT_STREQ(gErrorTrail, "G: Corrupted line!!\n");
    EXPECT_EQ(Parse("G:12 1,2,3,-4\n"), 0); // negative sizes are no rectangle
    EXPECT_EQ(Parse("G:12"), 0);            // values would lie past the end
    EXPECT_EQ(Parse("G:"), 0);
    EXPECT_EQ(Parse("G:x    1,2,3,4"), 0);
    FreeObjects();
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

TEST(GraphicsMap, LoadObjectsReportsAMissingFile)
{
    char dir[] = "/tmp/mw-objedi-XXXXXX";
    ASSERT_TRUE(mkdtemp(dir));
    std::snprintf(gMainDir, sizeof gMainDir, "%s/", dir);
    TrailClear();
    EXPECT_EQ(LoadObjects(), 0);
    EXPECT_STREQ(gErrorTrail, "Open file failed!\n");

    std::ofstream(std::string(dir) + "/obj.edi").close(); // empty file
    TrailClear();
    EXPECT_EQ(LoadObjects(), 0);
    EXPECT_STREQ(gErrorTrail, "Read file failed!\n");

    std::ofstream(std::string(dir) + "/obj.edi") << "G:5    9,8,7,6\n";
    TrailClear();
    EXPECT_EQ(LoadObjects(), 1);
    EXPECT_EQ(GraphicsRect(5)->x, 9);
    FreeObjects();

    std::snprintf(gMainDir, sizeof gMainDir, "%s/gone/", dir);
    TrailClear();
    EXPECT_EQ(LoadObjects(), 0);
    EXPECT_STREQ(gErrorTrail, "SetCurrentDirectory() !\n");
    unlink((std::string(dir) + "/obj.edi").c_str());
    rmdir(dir);
}
