// Start-up values, caption, status bar geometry, document state and help topics.
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

#include "platform/fake/fake_platform.h"
#include "platform/platform.h"
#include "resources/strings/strings.h"
#include "picture/imgobj.h"
#include "shell/appstate.h"
#include "shell/shellcore.h"
#include "tests/shell/temp_config.h"

static std::string Setting(const char *section, const char *key)
{
    char buf[4096];
    PLAT_GetProfileString(section, key, "<none>", buf, sizeof buf);
    return buf;
}

TEST(StartFile, TakesArgumentsOfFiveTo253CharactersAndMakesThemAbsolute)
{
    char cwd[4096];
    ASSERT_TRUE(getcwd(cwd, sizeof cwd));
    SetStartFile("a.jpg");
    EXPECT_EQ(std::string(gStartFile), std::string(cwd) + "/a.jpg");
    SetStartFile("\"/pics/my photo.jpg\"");
    EXPECT_STREQ(gStartFile, "/pics/my photo.jpg");
    SetStartFile("/tmp/../tmp/x.mwi");
    EXPECT_STREQ(gStartFile, "/tmp/x.mwi");
}

TEST(StartFile, IgnoresTooShortTooLongAndMissing)
{
    SetStartFile("/a/b.jpg");
    SetStartFile("a.jp"); // 4 characters
    EXPECT_STREQ(gStartFile, "");
    SetStartFile(("/" + std::string(252, 'x')).c_str()); // 253: still taken
    EXPECT_EQ(std::string(gStartFile).size(), 253u);
    SetStartFile(("/" + std::string(253, 'x')).c_str()); // 254: ignored
    EXPECT_STREQ(gStartFile, "");
    SetStartFile(nullptr);
    EXPECT_STREQ(gStartFile, "");
    SetStartFile("\"\"\"\"\"\""); // only quotes
    EXPECT_STREQ(gStartFile, "");
}

TEST(Language, SwitchesAreWholeArgumentsInOneCase)
{
    EXPECT_EQ(LanguageSwitch("/EN"), 1);
    EXPECT_EQ(LanguageSwitch("/en"), 1);
    EXPECT_EQ(LanguageSwitch("/SE"), 2);
    EXPECT_EQ(LanguageSwitch("/se"), 2);
    EXPECT_EQ(LanguageSwitch("/Se"), 0);
    EXPECT_EQ(LanguageSwitch("/home/sean/photo.jpg"), 0);
    char *argv[] = {(char *)"merrowick", (char *)"/se", (char *)"/home/sean/p.jpg", nullptr};
    EXPECT_STREQ(StartFileArgument(3, argv), "/home/sean/p.jpg");
    EXPECT_EQ(StartFileArgument(2, argv), nullptr);
}

struct LanguageCase {
    const char *stored; // null: no settings file
    std::vector<const char *> args;
    int32_t offset;
    const char *written; // value of SETUP/Language afterwards
};

TEST(Language, StoredChoiceWinsOtherwiseLastSwitchDecidesAndIsWritten)
{
    const LanguageCase cases[] = {
        {"1", {"/SE"}, 0, "1"},        {"2", {}, 3000, "2"},
        {nullptr, {}, 0, "1"},         {nullptr, {"/se"}, 3000, "2"},
        {"0", {"/SE", "/en"}, 0, "1"}, {"7", {"/EN", "/SE"}, 3000, "2"},
        {"x", {"/Se"}, 0, "1"},
    };
    for (const LanguageCase &c : cases) {
        TempConfig config;
        if (c.stored)
            config.WriteIni(std::string("[SETUP]\nLanguage=") + c.stored + "\n");
        std::vector<char *> argv = {(char *)"merrowick"};
        for (const char *a : c.args)
            argv.push_back((char *)a);
        gLanguageOffset = -1;
        ReadLanguage(static_cast<int>(argv.size()), argv.data());
        EXPECT_EQ(gLanguageOffset, c.offset) << (c.stored ? c.stored : "none");
        EXPECT_EQ(Setting("SETUP", "Language"), c.written) << (c.stored ? c.stored : "none");
        ChooseMenuName();
        EXPECT_STREQ(gMenuName, c.offset ? "MENU_SWE" : "MENU_ENG");
    }
    gLanguageOffset = 0;
}

TEST(DocumentState, EmptyMainDirectoryBecomesTheDataFolderAndIsWrittenBack)
{
    TempConfig config;
    char dataDir[] = "/tmp/mw-data-XXXXXX";
    ASSERT_TRUE(mkdtemp(dataDir));
    setenv("MW_DATA_DIR", dataDir, 1);
    ASSERT_EQ(chdir("/"), 0);
    gModified = gDocumentOpen = 1;
    InitDocumentStateCore();
    std::string expected = std::string(dataDir) + "/";
    EXPECT_EQ(std::string(gMainDir), expected);
    EXPECT_EQ(Setting("SETUP", "DirectoryMain"), expected);
    char cwd[4096];
    ASSERT_TRUE(getcwd(cwd, sizeof cwd));
    EXPECT_EQ(std::string(cwd) + "/", expected);
    EXPECT_EQ(gModified, 0);
    EXPECT_EQ(gDocumentOpen, 0);
    rmdir(dataDir);
}

TEST(DocumentState, InterfaceTextsOutsideZeroOrOneBecomesOne)
{
    TempConfig config;
    config.WriteIni("[SETUP]\nDirectoryMain=/tmp/\n");
    gShowButtonTexts = 0;
    InitDocumentStateCore();
    EXPECT_EQ(gShowButtonTexts, 1);
    EXPECT_EQ(Setting("SETUP", "InterfaceTexts"), "1");
}

TEST(Help, TopicsOfBothLanguagesMapToPagesUnderTheMainDirectory)
{
    char topic[512], file[600];
    gLanguageOffset = 0;
    HelpTopic("merrowick.htm", topic, sizeof topic);
    EXPECT_STREQ(topic, ".\\Merrowick_English.chm::/html/merrowick.htm");
    ASSERT_TRUE(HelpTopicFile(topic, file, sizeof file));
    EXPECT_STREQ(file, "help/Merrowick_English/html/merrowick.htm");
    gLanguageOffset = 3000;
    HelpTopic("gettingstarted.htm", topic, sizeof topic);
    EXPECT_STREQ(topic, ".\\Merrowick_Swedish.chm::/html/gettingstarted_swe.htm");
    ASSERT_TRUE(HelpTopicFile(topic, file, sizeof file));
    EXPECT_STREQ(file, "help/Merrowick_Swedish/html/gettingstarted_swe.htm");
    gLanguageOffset = 0;
    EXPECT_FALSE(HelpTopicFile("no-topic", file, sizeof file));
    EXPECT_FALSE(HelpTopicFile(".\\x.chm::/../../etc/passwd", file, sizeof file));
}
