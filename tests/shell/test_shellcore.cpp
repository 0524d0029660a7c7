// Start-up values, document state and help topics.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/fake/fake_platform.h"
#include "platform/platform.h"
#include "resources/strings/strings.h"
#include "picture/imgobj.h"
#include "shell/appstate.h"
#include "shell/shellcore.h"
#include "support/temp_dir.h"

TEST(StartFile, TakesArgumentsOfFiveTo253CharactersWithoutQuotesAndMakesThemAbsolute)
{
    const std::string cwd = std::filesystem::current_path().string();
    const std::string long253 = "/" + std::string(252, 'x'), long254 = long253 + "x";
    const struct {
        const char *argument;
        std::string want;
    } cases[] = {
        {"a.jpg", cwd + "/a.jpg"},
        {"\"/pics/my photo.jpg\"", "/pics/my photo.jpg"},
        {"/tmp/../tmp/x.mwi", "/tmp/x.mwi"},
        {"a.jp", ""}, // 4 characters
        {long253.c_str(), long253},
        {long254.c_str(), ""},
        {nullptr, ""},
        {"\"\"\"\"\"\"", ""}, // only quotes
    };
    for (const auto &c : cases) {
        SetStartFile("/a/b.jpg");
        SetStartFile(c.argument);
        EXPECT_EQ(std::string(gStartFile), c.want) << (c.argument ? c.argument : "null");
    }
}

TEST(Language, SwitchesAreWholeArgumentsInOneCase)
{
    const std::pair<const char *, int> switches[] = {
        {"/EN", 1}, {"/en", 1}, {"/SE", 2}, {"/se", 2}, {"/Se", 0}, {"/home/sean/photo.jpg", 0}};
    for (auto [argument, want] : switches)
        EXPECT_EQ(LanguageSwitch(argument), want) << argument;
    char *argv[] = {(char *)"merrowick", (char *)"/se", (char *)"/home/sean/p.jpg", nullptr};
    EXPECT_STREQ(StartFileArgument(3, argv), "/home/sean/p.jpg");
    EXPECT_EQ(StartFileArgument(2, argv), nullptr);
}

TEST(Language, StoredChoiceWinsOtherwiseLastSwitchDecidesAndIsWritten)
{
    const struct {
        const char *stored; // null: no settings file
        std::vector<const char *> args;
        int32_t offset;
        const char *written; // value of SETUP/Language afterwards
    } cases[] = {
        {"1", {"/SE"}, 0, "1"},        {"2", {}, 3000, "2"},
        {nullptr, {}, 0, "1"},         {nullptr, {"/se"}, 3000, "2"},
        {"0", {"/SE", "/en"}, 0, "1"}, {"7", {"/EN", "/SE"}, 3000, "2"},
        {"x", {"/Se"}, 0, "1"},
    };
    for (const auto &c : cases) {
        TempConfig config;
        if (c.stored)
            config.WriteIni(std::string("[SETUP]\nLanguage=") + c.stored + "\n");
        std::vector<char *> argv = {(char *)"merrowick"};
        for (const char *a : c.args)
            argv.push_back((char *)a);
        gLanguageOffset = -1;
        ReadLanguage(static_cast<int>(argv.size()), argv.data());
        EXPECT_EQ(gLanguageOffset, c.offset) << (c.stored ? c.stored : "none");
        EXPECT_EQ(TempConfig::Value("SETUP", "Language"), c.written) << (c.stored ? c.stored : "none");
        ChooseMenuName();
        EXPECT_STREQ(gMenuName, c.offset ? "MENU_SWE" : "MENU_ENG");
    }
    gLanguageOffset = 0;
}

TEST(DocumentState, EmptyMainDirectoryBecomesTheDataFolderAndIsWrittenBack)
{
    TempConfig config;
    TempDir data;
    const std::string oldData = std::getenv("MW_DATA_DIR");
    setenv("MW_DATA_DIR", data.Path().c_str(), 1);
    CurrentDir atRoot("/");
    gModified = gDocumentOpen = 1;
    InitDocumentStateCore();
    setenv("MW_DATA_DIR", oldData.c_str(), 1);
    const std::string expected = data.Path() + "/";
    EXPECT_EQ(std::string(gMainDir), expected);
    EXPECT_EQ(TempConfig::Value("SETUP", "DirectoryMain"), expected);
    EXPECT_EQ(std::filesystem::current_path().string() + "/", expected);
    EXPECT_EQ(gModified, 0);
    EXPECT_EQ(gDocumentOpen, 0);
}

TEST(DocumentState, InterfaceTextsOfZeroStaysAndAnythingElseBecomesOne)
{
    const struct {
        const char *stored; // null: not in the file
        int32_t shown;
        const char *written;
    } cases[] = {{"0", 0, "0"}, {"1", 1, "1"}, {nullptr, 1, "1"}, {"5", 1, "1"}};
    for (const auto &c : cases) {
        TempConfig config;
        CurrentDir stay(".");
        config.WriteIni(std::string("[SETUP]\nDirectoryMain=/tmp/\n") +
                        (c.stored ? std::string("InterfaceTexts=") + c.stored + "\n" : ""));
        gShowButtonTexts = -1;
        InitDocumentStateCore();
        EXPECT_EQ(gShowButtonTexts, c.shown) << (c.stored ? c.stored : "none");
        EXPECT_EQ(TempConfig::Value("SETUP", "InterfaceTexts"), c.written);
    }
}

TEST(Help, TopicsOfBothLanguagesMapToPagesUnderTheMainDirectory)
{
    const struct {
        int32_t offset;
        const char *page, *topic, *file;
    } cases[] = {
        {0, "merrowick.htm", ".\\Merrowick_English.chm::/html/merrowick.htm",
         "help/Merrowick_English/html/merrowick.htm"},
        {3000, "gettingstarted.htm", ".\\Merrowick_Swedish.chm::/html/gettingstarted_swe.htm",
         "help/Merrowick_Swedish/html/gettingstarted_swe.htm"},
    };
    char topic[512], file[600];
    for (const auto &c : cases) {
        gLanguageOffset = c.offset;
        HelpTopic(c.page, topic, sizeof topic);
        EXPECT_STREQ(topic, c.topic);
        ASSERT_TRUE(HelpTopicFile(topic, file, sizeof file));
        EXPECT_STREQ(file, c.file);
    }
    gLanguageOffset = 0;
    for (const char *bad : {"no-topic", ".\\x.chm::/../../etc/passwd", "a/b.chm::/x.htm"})
        EXPECT_FALSE(HelpTopicFile(bad, file, sizeof file)) << bad;
}
