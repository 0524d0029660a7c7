// The settings file: reading with defaults, writing without losing other lines.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "tests/shell/temp_config.h"

static std::string Get(const char *section, const char *key, const char *deflt = "dflt")
{
    char buf[256];
    PLAT_GetProfileString(section, key, deflt, buf, sizeof buf);
    return buf;
}

TEST(Settings, MissingFileOrKeyGivesTheDefault)
{
    TempConfig config;
    EXPECT_EQ(Get("SETUP", "Language", "0"), "0");
    config.WriteIni("[SETUP]\nOther=5\n");
    EXPECT_EQ(Get("SETUP", "Language", "0"), "0");
    EXPECT_EQ(Get("MISC", "Other", "x"), "x"); // same key, other section
}

TEST(Settings, SectionsAndKeysMatchWithoutCaseAndValuesAreTrimmed)
{
    TempConfig config;
    config.WriteIni("[setup]\r\n  language =  2  \r\n[MISC]\nFirstStartInit=1\n");
    EXPECT_EQ(Get("SETUP", "Language"), "2");
    EXPECT_EQ(Get("misc", "firststartinit"), "1");
}

TEST(Settings, ValueIsCutToTheBufferAndAlwaysTerminated)
{
    TempConfig config;
    config.WriteIni("[SETUP]\nDirectoryMain=/a/very/long/folder/name\n");
    char buf[8];
    EXPECT_EQ(PLAT_GetProfileString("SETUP", "DirectoryMain", "", buf, sizeof buf), 7);
    EXPECT_STREQ(buf, "/a/very");
}

TEST(Settings, WriteCreatesFolderFileAndSection)
{
    TempConfig config;
    std::string nested = config.Dir() + "/deeper/still";
    setenv("XDG_CONFIG_HOME", nested.c_str(), 1);
    ASSERT_EQ(PLAT_WriteProfileString("SETUP", "Language", "2"), 1);
    EXPECT_EQ(std::string(PLAT_SettingsPath()), nested + "/MerrowickDemo.ini");
    EXPECT_EQ(Get("SETUP", "Language"), "2");
}

TEST(Settings, WriteReplacesOneKeyAndKeepsEverythingElse)
{
    TempConfig config;
    config.WriteIni(
        "; kept comment\n[SETUP]\nLanguage=1\nDirectoryApp=/x/\n\n[MISC]\nFirstStartInit=0\n");
    ASSERT_EQ(PLAT_WriteProfileString("SETUP", "Language", "2"), 1);
    ASSERT_EQ(PLAT_WriteProfileString("SETUP", "InterfaceTexts", "1"), 1);
    ASSERT_EQ(PLAT_WriteProfileString("MISC", "FirstStartInit", "1"), 1);
    EXPECT_EQ(config.IniText(), "; kept comment\n[SETUP]\nLanguage=2\nDirectoryApp=/x/\n"
                                "InterfaceTexts=1\n\n[MISC]\nFirstStartInit=1\n");
}

TEST(Settings, ValueWithLineBreakCannotInjectKeys)
{
    TempConfig config;
    ASSERT_EQ(PLAT_WriteProfileString("SETUP", "DirectoryApp", "/a/\n[MISC]\nFirstStartInit=9"), 1);
    EXPECT_EQ(Get("SETUP", "DirectoryApp"), "/a/");
    EXPECT_EQ(Get("MISC", "FirstStartInit", "0"), "0");
}

TEST(Settings, OversizedFileIsLeftAlone)
{
    TempConfig config;
    std::string big = "[SETUP]\nLanguage=2\n" + std::string(2 << 20, ';');
    config.WriteIni(big);
    EXPECT_EQ(Get("SETUP", "Language", "0"), "0");
    EXPECT_EQ(PLAT_WriteProfileString("SETUP", "Language", "1"), 0);
    EXPECT_EQ(config.IniText().size(), big.size());
}
