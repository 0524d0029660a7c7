// The string table and LoadText.
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
    if (c != 0 && std::strchr("-. !,'%:?&()\"#/+\n\r\f", c))
        return true;
    return std::strchr("\xC5\xC4\xD6\xE5\xE4\xF6\xC9\xD9\xC8\xCA\xC0\xDC\xA4\xAE", c) != nullptr;
}

} // namespace

TEST_F(StringTable, BothLanguagesAgreeInPlaceholdersLineBreaksAndFilterSeparators)
{
    ASSERT_GT(StringTableCount(), 0);
    for (int id : EnglishIds()) {
        const char *english = StringTableLookup(id), *swedish = StringTableLookup(id + 3000);
        ASSERT_NE(swedish, nullptr) << id;
        EXPECT_NE(swedish[0], '\0') << "id " << id;
        EXPECT_EQ(Placeholders(english), Placeholders(swedish)) << "id " << id;
        EXPECT_EQ(CountChar(english, '\n'), CountChar(swedish, '\n')) << "id " << id;
        EXPECT_EQ(CountChar(english, '@'), CountChar(swedish, '@')) << "filter text " << id;
    }
}

TEST_F(StringTable, TextsFitLoadTextAndAreLatin1BytesNeverUtf8)
{
    for (int i = 0; i < StringTableCount(); i++) {
        const char *text = StringTableLookup(StringTableId(i));
        EXPECT_LE(std::strlen(text), size_t(LOADTEXT_MAX_CHARS)) << "id " << StringTableId(i);
        // A Swedish letter converted twice shows as a UTF-8 lead byte and a continuation.
        for (const unsigned char *p = (const unsigned char *)text; p[0] && p[1]; p++)
            EXPECT_FALSE(p[0] >= 0xC2 && p[0] <= 0xF4 && (p[1] & 0xC0) == 0x80)
                << "id " << StringTableId(i);
    }
}

TEST_F(StringTable, HoldsExactlyTheIdsTheProgramLooksUp)
{
    std::vector<int> wanted = {11,  12,  13,  14,  51,  101, 103,  104,  128,  139, 143, 144,
                               220, 221, 222, 223, 231, 233, 234, 235, 251, 252, 253, 254,
                               260, 331, 334, 335, 341, 344, 1640, 1641, 1642, 1643};
    // Runs of dialog, menu and error texts, then the clip-art display names.
    const int ranges[][2] = {{261, 267},   {270, 274},   {280, 289},   {291, 308},   {311, 320},
                             {347, 359},   {401, 419},   {1621, 1633}, {1301, 1313}, {1321, 1339},
                             {1341, 1345}, {1351, 1359}, {1371, 1421}, {1431, 1432}, {1441, 1469},
                             {1471, 1476}, {1478, 1494}, {1501, 1508}, {1521, 1531}, {1533, 1547},
                             {1550, 1573}, {1701, 1703}, {1708, 1729}};
    for (const auto &r : ranges)
        for (int id = r[0]; id <= r[1]; id++)
            wanted.push_back(id);
    for (int id : wanted) {
        EXPECT_NE(StringTableLookup(id), nullptr) << "English " << id;
        EXPECT_NE(StringTableLookup(id + 3000), nullptr) << "Swedish " << id;
    }
    EXPECT_EQ(EnglishIds().size(), wanted.size()) << "table holds ids nobody looks up";
}

TEST_F(StringTable, LoadTextGivesTheTextOfTheLanguageOrNotDefined)
{
    const struct {
        int32_t offset;
        int id;
        const char *text;
    } cases[] = {
        {0, 14, "Error"},
        {0, 12, "Cancel"},
        {0, 103, "The file '%s' has been changed.\n\nDo you want to save the changes?"},
        {0, 252, "JPEG Image files (*.jpg)@"},
        {0, 288, "The width is not valid. Please enter a value between %d and %d"},
        {0, 1643, "The program could not be started!"},
        {0, 1389, "Bone hair clip"},
        {0, 1409, "Straw hat"},
        {3000, 12, "Avbryt"},
        {3000, 11, "OK"},
        {3000, 13, "Hj\xE4lp"},
        {3000, 1633, "P\xE5sk"},
        {3000, 1485, "\xC4lg"},
        {3000, 1533, "\xD6ra"},
        {3000, 405, "H\xF6gre"},
        {0, 232, "NOT DEFINED!"},
        {0, -5, "NOT DEFINED!"},
        {0, 2999, "NOT DEFINED!"},
        {3000, 99999, "NOT DEFINED!"},
    };
    for (const auto &c : cases) {
        gLanguageOffset = c.offset;
        EXPECT_STREQ(LoadText(c.id), c.text) << c.id << " at " << c.offset;
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

TEST_F(StringTable, ATextStaysIntactThroughTheNextNineteenLoadsFoundOrNot)
{
    for (int missing : {12, 232}) { // the loads in between find their text, or not
        const char *first = LoadText(11);
        std::vector<const char *> loaded = {first};
        for (int i = 0; i < 19; i++)
            loaded.push_back(LoadText(missing));
        EXPECT_STREQ(first, "OK") << missing;
        if (missing == 12) {
            for (size_t i = 0; i < loaded.size(); i++)
                for (size_t j = i + 1; j < loaded.size(); j++)
                    EXPECT_NE(loaded[i], loaded[j]);
        }
        // The 21st load reuses the first one's buffer.
        const char *twentyFirst = LoadText(14);
        EXPECT_EQ(twentyFirst, first) << missing;
        EXPECT_STREQ(first, "Error");
    }
}

TEST_F(StringTable, LoadTextWithCutsLongTextsAndNeverFallsBackToEnglish)
{
    const std::string long300(300, 'x');
    static const char *sLong = nullptr;
    sLong = long300.c_str();
    auto lookup = [](int absoluteId) -> const char * {
        return absoluteId == 1 ? sLong : absoluteId == 5 ? "Only English" : nullptr;
    };
    EXPECT_EQ(std::string(LoadTextWith(1, lookup)), long300.substr(0, 249));
    EXPECT_STREQ(LoadTextWith(5, lookup), "Only English");
    EXPECT_STREQ(LoadTextWith(5, nullptr), "NOT DEFINED!");
    gLanguageOffset = 3000;
    EXPECT_STREQ(LoadTextWith(5, lookup), "NOT DEFINED!");
}
