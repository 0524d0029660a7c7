// The string table and LoadText.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "resources/strings/strings.h"

// The printf conversions of a text in order ("%s", "%d"), "%%" left out.
static std::vector<std::string> Placeholders(const char *text)
{
    std::vector<std::string> out;
    for (const char *p = std::strchr(text, '%'); p; p = std::strchr(p, '%')) {
        const char *q = p + 1 + std::strspn(p + 1, "-+ #0123456789.l");
        if (*q && *q != '%')
            out.emplace_back(p, q + 1);
        p = *q ? q + 1 : q;
    }
    return out;
}

static auto Count(const char *text, char c)
{
    return std::count(text, text + std::strlen(text), c);
}

TEST(StringTable, BothLanguagesAgreeAndEveryTextIsLatin1ThatFitsLoadText)
{
    ASSERT_GT(StringTableCount(), 0);
    for (int i = 0; i < StringTableCount(); i++) {
        const int id = StringTableId(i);
        const char *text = StringTableLookup(id), *other = StringTableLookup((id + 3000) % 6000);
        SCOPED_TRACE("id " + std::to_string(id));
        ASSERT_NE(other, nullptr);
        EXPECT_TRUE(text[0] && std::strlen(text) <= size_t(LOADTEXT_MAX_CHARS));
        EXPECT_EQ(Placeholders(text), Placeholders(other));
        // Line ends, and the file filters' separators.
        EXPECT_EQ(std::pair(Count(text, '\n'), Count(text, '@')),
                  std::pair(Count(other, '\n'), Count(other, '@')));
        // A Swedish letter converted twice shows as a UTF-8 lead byte and a continuation.
        for (const unsigned char *p = (const unsigned char *)text; p[0] && p[1]; p++)
            EXPECT_FALSE(p[0] >= 0xC2 && p[0] <= 0xF4 && (p[1] & 0xC0) == 0x80);
    }
}

TEST(StringTable, LoadTextGivesTheTextOfTheLanguageOrNotDefinedNeverFallingBackToEnglish)
{
    const struct {
        int32_t offset;
        int id;
        const char *text;
    } cases[] = {{0, 14, "Error"},        {3000, 13, "Hj\xE4lp"},    {0, 232, "NOT DEFINED!"},
                 {0, -5, "NOT DEFINED!"}, {0, 2999, "NOT DEFINED!"}, {3000, 99999, "NOT DEFINED!"}};
    for (const auto &c : cases) {
        gLanguageOffset = c.offset;
        EXPECT_STREQ(LoadText(c.id), c.text) << c.id << " at " << c.offset;
    }
    static const std::string long300(300, 'x');
    auto lookup = [](int absoluteId) -> const char * {
        return absoluteId == 1 ? long300.c_str() : absoluteId == 5 ? "Only English" : nullptr;
    };
    EXPECT_STREQ(LoadTextWith(5, lookup), "NOT DEFINED!"); // Swedish asked for
    gLanguageOffset = 0;
    EXPECT_EQ(std::string(LoadTextWith(1, lookup)), long300.substr(0, LOADTEXT_MAX_CHARS));
    EXPECT_STREQ(LoadTextWith(5, lookup), "Only English");
    EXPECT_STREQ(LoadTextWith(5, nullptr), "NOT DEFINED!");
}

TEST(StringTable, ATextStaysIntactThroughTheNextNineteenLoadsFoundOrNot)
{
    for (int between : {12, 232}) { // the loads in between find their text, or not
        const char *first = LoadText(11);
        for (int i = 0; i < 19; i++)
            LoadText(between);
        EXPECT_STREQ(first, "OK") << between;
    }
}
