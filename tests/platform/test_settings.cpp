// The settings file: reading with defaults, writing without losing other lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/temp_dir.h"

TEST(Settings, ReadsMatchSectionAndKeyWithoutCaseTrimValuesAndFallBackToTheDefault)
{
    const char *mixed = "[setup]\r\n  language =  2  \r\n[MISC]\nFirstStartInit=1\n";
    const struct {
        const char *ini; // null: no file
        const char *section, *key, *want;
    } cases[] = {
        {nullptr, "SETUP", "Language", "<none>"},
        {"[SETUP]\nOther=5\n", "MISC", "Other", "<none>"}, // same key, other section
        {mixed, "SETUP", "Language", "2"},
        {mixed, "misc", "firststartinit", "1"},
        {"[SETUP]\nLanguage\nLanguage=3\n", "SETUP", "Language", "3"}, // a line without '='
        {"[SETUP)\nLanguage=2\n", "SETUP", "Language", "<none>"}};     // not a section
    for (const auto &c : cases) {
        TempConfig config;
        if (c.ini)
            config.WriteIni(c.ini);
        EXPECT_EQ(TempConfig::Value(c.section, c.key), c.want) << (c.ini ? c.ini : "no file");
    }
    char buf[8]; // a value is cut to the buffer and always terminated
    EXPECT_EQ(PLAT_GetProfileString("SETUP", "Key", "/a/very/long/default", buf, sizeof buf), 7);
    EXPECT_STREQ(buf, "/a/very");

    // A file larger than the program would ever write is neither read nor overwritten.
    TempConfig config;
    const std::string big = "[SETUP]\nLanguage=2\n" + std::string(2 << 20, ';');
    config.WriteIni(big);
    EXPECT_EQ(TempConfig::Value("SETUP", "Language"), "<none>");
    EXPECT_EQ(PLAT_WriteProfileString("SETUP", "Language", "1"), 0);
    EXPECT_EQ(config.IniText().size(), big.size());
}

TEST(Settings, WritesReplaceOrAddOneKeyKeepEverythingElseAndMakeTheFolder)
{
    struct Write {
        const char *section, *key, *value;
    };
    const struct {
        const char *before; // null: not even the folder exists
        std::vector<Write> writes;
        const char *after;
    } cases[] = {
        {"; kept comment\n[SETUP]\nLanguage=1\nDirectoryApp=/x/\n\n[MISC]\nFirstStartInit=0\n",
         {{"SETUP", "Language", "2"},
          {"SETUP", "InterfaceTexts", "1"},
          {"MISC", "FirstStartInit", "1"}},
         "; kept comment\n[SETUP]\nLanguage=2\nDirectoryApp=/x/\nInterfaceTexts=1\n\n"
         "[MISC]\nFirstStartInit=1\n"},
        // A key of another section is not the one written; a new section goes last.
        {"[MISC]\nLanguage=7\n",
         {{"SETUP", "Language", "2"}},
         "[MISC]\nLanguage=7\n\n[SETUP]\nLanguage=2\n"},
        // A value cannot carry a line break, so it cannot inject keys.
        {nullptr,
         {{"SETUP", "A", "/a/\n[MISC]\nFirstStartInit=9"}, {"SETUP", "B", "/b/\r\nX=1"}},
         "[SETUP]\nA=/a/\nB=/b/\n"}};
    for (const auto &c : cases) {
        TempConfig config;
        if (c.before)
            config.WriteIni(c.before);
        else
            setenv("XDG_CONFIG_HOME", (config / "deeper/still").c_str(), 1);
        for (const Write &w : c.writes)
            ASSERT_EQ(PLAT_WriteProfileString(w.section, w.key, w.value), 1);
        EXPECT_EQ(ReadText(PLAT_SettingsPath()), c.after);
    }
}
