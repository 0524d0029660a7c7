// Tests of the string table and LoadText.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "resources/strings/strings.h"

namespace
{

class StringTable : public ::testing::Test
{
  protected:
    void SetUp() override { gLanguageOffset = 0; }
    void TearDown() override { gLanguageOffset = 0; }
};

std::vector<int> EnglishIds()
{
    std::vector<int> ids;
    for (int i = 0; i < StringTableCount(); i++)
        if (StringTableId(i) < 3000)
            ids.push_back(StringTableId(i));
    return ids;
}

// The printf conversions of a text in order ("%s", "%d"), "%%" left out.
std::vector<std::string> Placeholders(const char *text)
{
    std::vector<std::string> out;
    for (const char *p = text; *p; p++) {
        if (*p != '%')
            continue;
        if (p[1] == '%') {
            p++;
            continue;
        }
        const char *q = p + 1;
        while (*q && std::strchr("-+ #0123456789.l", *q))
            q++;
        out.emplace_back(p, *q ? q + 1 : q);
        if (!*q)
            break;
        p = q;
    }
    return out;
}

int CountChar(const char *text, char c)
{
    int n = 0;
    for (; *text; text++)
        n += *text == c;
    return n;
}

// Characters the interface font draws (anything else draws as nothing).
bool InterfaceFontHasGlyph(unsigned char c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
        return true;
    if (std::strchr("-. !,'%:?&()\"#/+\n\r\f", c) && c != 0)
        return true;
    const unsigned char extra[] = {0xC5, 0xC4, 0xD6, 0xE5, 0xE4, 0xF6, 0xC9,
                                   0xD9, 0xC8, 0xCA, 0xC0, 0xDC, 0xA4, 0xAE};
    for (unsigned char e : extra)
        if (c == e)
            return true;
    return false;
}

const char *kLong300 =
    "0123456789012345678901234567890123456789012345678901234567890123456789012345678901234567"
    "8901234567890123456789012345678901234567890123456789012345678901234567890123456789012345"
    "6789012345678901234567890123456789012345678901234567890123456789012345678901234567890123"
    "456789012345678901234567890123456789";

const char *LookupLong(int absoluteId)
{
    return absoluteId == 1 ? kLong300 : nullptr;
}

const char *LookupEnglishOnly(int absoluteId)
{
    return absoluteId == 5 ? "Only English" : nullptr;
}

} // namespace

TEST_F(StringTable, EveryEnglishTextHasASwedishTextAndNoSwedishTextIsOrphaned)
{
    ASSERT_GT(StringTableCount(), 0);
    for (int i = 0; i < StringTableCount(); i++) {
        int id = StringTableId(i);
        int partner = id < 3000 ? id + 3000 : id - 3000;
        const char *text = StringTableLookup(partner);
        ASSERT_NE(text, nullptr) << "id " << id << " has no counterpart " << partner;
        EXPECT_NE(text[0], '\0') << "id " << partner << " is empty";
    }
}

TEST_F(StringTable, BothLanguagesHaveTheSamePlaceholdersInTheSameOrder)
{
    for (int id : EnglishIds())
        EXPECT_EQ(Placeholders(StringTableLookup(id)), Placeholders(StringTableLookup(id + 3000)))
            << "id " << id;
}

TEST_F(StringTable, BothLanguagesBreakLinesAlike)
{
    for (int id : EnglishIds()) {
        EXPECT_EQ(CountChar(StringTableLookup(id), '\n'),
                  CountChar(StringTableLookup(id + 3000), '\n'))
            << "id " << id;
        EXPECT_EQ(CountChar(StringTableLookup(id), '@'),
                  CountChar(StringTableLookup(id + 3000), '@'))
            << "filter text " << id;
    }
}

TEST_F(StringTable, NoTextIsLongerThanLoadTextCanReturn)
{
    for (int i = 0; i < StringTableCount(); i++)
        EXPECT_LE(std::strlen(StringTableLookup(StringTableId(i))), size_t(LOADTEXT_MAX_CHARS))
            << "id " << StringTableId(i);
}

TEST_F(StringTable, EveryIdTheProgramLooksUpIsPresent)
{
    std::vector<int> wanted = {11,  12,  13,  14,  51,  101, 103,  104,  128,  139, 143, 144,
                               220, 221, 222, 223, 231, 233, 234,  235,  251,  252, 253, 254,
                               260, 331, 334, 335, 341, 344, 1640, 1641, 1642, 1643};
    const int ranges[][2] = {{261, 267}, {270, 274}, {280, 289}, {291, 308},
                             {311, 320}, {347, 359}, {401, 419}, {1621, 1633}};
    for (const auto &r : ranges)
        for (int id = r[0]; id <= r[1]; id++)
            wanted.push_back(id);
    // Clip-art display names.
    const int clipart[] = {
        1301, 1302, 1303, 1304, 1305, 1306, 1307, 1308, 1309, 1310, 1311, 1312, 1313, 1321, 1322,
        1323, 1324, 1325, 1326, 1327, 1328, 1329, 1330, 1331, 1332, 1333, 1334, 1335, 1336, 1337,
        1338, 1339, 1341, 1342, 1343, 1344, 1345, 1351, 1352, 1353, 1354, 1355, 1356, 1357, 1358,
        1359, 1371, 1372, 1373, 1374, 1375, 1376, 1377, 1378, 1379, 1380, 1381, 1382, 1383, 1384,
        1385, 1386, 1387, 1388, 1389, 1390, 1391, 1392, 1393, 1394, 1395, 1396, 1397, 1398, 1399,
        1400, 1401, 1402, 1403, 1404, 1405, 1406, 1407, 1408, 1409, 1410, 1411, 1412, 1413, 1414,
        1415, 1416, 1417, 1418, 1419, 1420, 1421, 1431, 1432, 1441, 1442, 1443, 1444, 1445, 1446,
        1447, 1448, 1449, 1450, 1451, 1452, 1453, 1454, 1455, 1456, 1457, 1458, 1459, 1460, 1461,
        1462, 1463, 1464, 1465, 1466, 1467, 1468, 1469, 1471, 1472, 1473, 1474, 1475, 1476, 1478,
        1479, 1480, 1481, 1482, 1483, 1484, 1485, 1486, 1487, 1488, 1489, 1490, 1491, 1492, 1493,
        1494, 1501, 1502, 1503, 1504, 1505, 1506, 1507, 1508, 1521, 1522, 1523, 1524, 1525, 1526,
        1527, 1528, 1529, 1530, 1531, 1533, 1534, 1535, 1536, 1537, 1538, 1539, 1540, 1541, 1542,
        1543, 1544, 1545, 1546, 1547, 1550, 1551, 1552, 1553, 1554, 1555, 1556, 1557, 1558, 1559,
        1560, 1561, 1562, 1563, 1564, 1565, 1566, 1567, 1568, 1569, 1570, 1571, 1572, 1573, 1701,
        1702, 1703, 1708, 1709, 1710, 1711, 1712, 1713, 1714, 1715, 1716, 1717, 1718, 1719, 1720,
        1721, 1722, 1723, 1724, 1725, 1726, 1727, 1728, 1729};
    wanted.insert(wanted.end(), std::begin(clipart), std::end(clipart));
    for (int id : wanted) {
        EXPECT_NE(StringTableLookup(id), nullptr) << "English " << id;
        EXPECT_NE(StringTableLookup(id + 3000), nullptr) << "Swedish " << id;
    }
    EXPECT_EQ(EnglishIds().size(), wanted.size()) << "table holds ids nobody looks up";
}

TEST_F(StringTable, TextsThatCodeReliesOnAreExact)
{
    EXPECT_STREQ(LoadText(14), "Error");
    EXPECT_STREQ(LoadText(103),
                 "The file '%s' has been changed.\n\nDo you want to save the changes?");
    EXPECT_STREQ(LoadText(252), "JPEG Image files (*.jpg)@");
    EXPECT_STREQ(LoadText(288), "The width is not valid. Please enter a value between %d and %d");
    EXPECT_STREQ(LoadText(1643), "The program could not be started!");
    EXPECT_STREQ(LoadText(1389), "Bone hair clip");
    EXPECT_STREQ(LoadText(1409), "Straw hat");
}

TEST_F(StringTable, SwedishTextsAreLatin1Bytes)
{
    gLanguageOffset = 3000;
    EXPECT_STREQ(LoadText(13), "Hj\xE4lp");
    EXPECT_STREQ(LoadText(1633), "P\xE5sk");
    EXPECT_STREQ(LoadText(1485), "\xC4lg");
    EXPECT_STREQ(LoadText(1533), "\xD6ra");
    EXPECT_STREQ(LoadText(405), "H\xF6gre");
    // No text may carry a UTF-8 sequence (a Swedish letter converted twice or not at all).
    for (int i = 0; i < StringTableCount(); i++) {
        const unsigned char *p = (const unsigned char *)StringTableLookup(StringTableId(i));
        for (; p[0] && p[1]; p++)
            EXPECT_FALSE(p[0] >= 0xC2 && p[0] <= 0xF4 && (p[1] & 0xC0) == 0x80)
                << "id " << StringTableId(i);
    }
}

TEST_F(StringTable, TextsDrawnWithTheInterfaceFontUseOnlyItsCharacters)
{
    std::vector<int> ids = {220, 221, 222, 223, 231, 233, 234, 235};
    for (int id = 401; id <= 419; id++)
        ids.push_back(id);
    for (int id : ids)
        for (int offset : {0, 3000})
            for (const unsigned char *p = (const unsigned char *)StringTableLookup(id + offset); *p;
                 p++)
                EXPECT_TRUE(InterfaceFontHasGlyph(*p))
                    << "id " << id + offset << " character " << int(*p);
}

TEST_F(StringTable, LanguageOffsetChoosesTheSwedishText)
{
    EXPECT_STREQ(LoadText(12), "Cancel");
    gLanguageOffset = 3000;
    EXPECT_STREQ(LoadText(12), "Avbryt");
    EXPECT_STREQ(LoadText(11), "OK");
}

TEST_F(StringTable, TwentyTextsStayIntactAndTheTwentyFirstReusesTheFirstBuffer)
{
    const char *first = LoadText(11);
    std::vector<const char *> loaded = {first};
    for (int i = 0; i < 19; i++)
        loaded.push_back(LoadText(12));
    EXPECT_STREQ(first, "OK");
    for (size_t i = 0; i < loaded.size(); i++)
        for (size_t j = i + 1; j < loaded.size(); j++)
            EXPECT_NE(loaded[i], loaded[j]);
    const char *twentyFirst = LoadText(14);
    EXPECT_EQ(twentyFirst, first);
    EXPECT_STREQ(first, "Error");
}

TEST_F(StringTable, MissingIdGivesNotDefinedAndLeavesTheRingBufferAlone)
{
    EXPECT_STREQ(LoadText(232), "NOT DEFINED!");
    EXPECT_STREQ(LoadText(-5), "NOT DEFINED!");
    EXPECT_STREQ(LoadText(2999), "NOT DEFINED!");
    gLanguageOffset = 3000;
    EXPECT_STREQ(LoadText(99999), "NOT DEFINED!");

    // A missing text still moves the ring on, and the buffer it passes keeps its text.
    gLanguageOffset = 0;
    const char *kept = LoadText(14);
    for (int i = 0; i < 19; i++)
        LoadText(232);
    EXPECT_STREQ(LoadText(232), "NOT DEFINED!"); // the 21st load, on kept's buffer
    EXPECT_STREQ(kept, "Error");
}

TEST_F(StringTable, MissingSwedishTextDoesNotFallBackToEnglish)
{
    EXPECT_STREQ(LoadTextWith(5, LookupEnglishOnly), "Only English");
    gLanguageOffset = 3000;
    EXPECT_STREQ(LoadTextWith(5, LookupEnglishOnly), "NOT DEFINED!");
    EXPECT_STREQ(LoadTextWith(5, nullptr), "NOT DEFINED!");
}

TEST_F(StringTable, LongTextIsCutTo249Bytes)
{
    ASSERT_EQ(std::strlen(kLong300), 300u);
    const char *text = LoadTextWith(1, LookupLong);
    EXPECT_EQ(std::strlen(text), 249u);
    EXPECT_EQ(std::string(text), std::string(kLong300, 249));
}
