// Start-up values and document state.
#include <fstream>
#include <gtest/gtest.h>

#include <vector>

#include "interface/interface.h"
#include "picture/imgobj.h"
#include "resources/strings/strings.h"
#include "shell/appstate.h"
#include "shell/shellcore.h"
#include "support/temp_dir.h"

TEST(StartFile, TakesArgumentsOfFiveTo253CharactersWithoutQuotesAndMakesThemAbsolute)
{
    const std::string cwd = fs::current_path(), x253 = "/" + std::string(252, 'x'),
                      x254 = x253 + "x";
    const std::pair<const char *, std::string> cases[] = {
        {"a.jpg", cwd + "/a.jpg"},
        {"\"/pics/my photo.jpg\"", "/pics/my photo.jpg"},
        {"/tmp/../tmp/x.mwi", "/tmp/x.mwi"},
        {"a.jp", ""},
        {x253.c_str(), x253},
        {x254.c_str(), ""},
        {nullptr, ""},
        {"\"\"\"\"\"\"", ""}};
    for (const auto &[argument, want] : cases) {
        SetStartFile("/a/b.jpg");
        SetStartFile(argument);
        EXPECT_EQ(std::string(gStartFile), want) << (argument ? argument : "null");
    }
}

TEST(Language, StoredChoiceWinsOtherwiseTheLastWholeSwitchDecidesAndIsWritten)
{
    const struct {
        const char *stored; // null: no settings file
        std::vector<const char *> args;
        int32_t offset;
        const char *file; // the start file argument: the first that is no switch
    } cases[] = {{"1", {"/SE"}, 0, nullptr},        {"2", {}, 3000, nullptr},
                 {nullptr, {}, 0, nullptr},         {nullptr, {"/se", "/se.jpg"}, 3000, "/se.jpg"},
                 {"0", {"/SE", "/en"}, 0, nullptr}, {"7", {"/EN", "/SE"}, 3000, nullptr},
                 {"x", {"/Se", "/x.jpg"}, 0, "/Se"}}; // mixed case is no switch
    for (const auto &c : cases) {
        TempConfig config;
        if (c.stored)
            config.WriteIni(std::string("[SETUP]\nLanguage=") + c.stored + "\n");
        std::vector<const char *> argv = {"merrowick"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        ReadLanguage(static_cast<int>(argv.size()), const_cast<char **>(argv.data()));
        EXPECT_STREQ(StartFileArgument(int(argv.size()), const_cast<char **>(argv.data())), c.file);
        EXPECT_EQ(gLanguageOffset, c.offset) << (c.stored ? c.stored : "none");
        EXPECT_EQ(TempConfig::Value("SETUP", "Language"), c.offset ? "2" : "1");
        ChooseMenuName();
        EXPECT_STREQ(gMenuName, c.offset ? "MENU_SWE" : "MENU_ENG");
    }
    gLanguageOffset = 0;
}

TEST(DocumentState, MainDirectoryDefaultsToTheDataFolderAndNonZeroInterfaceTextsAreOn)
{
    TempDir data;
    const std::string mainDir = data.Path() + "/";
    ScopedEnv dataDir("MW_DATA_DIR", data.Path());
    // The stored value (null: none) and whether the texts are shown.
    const std::pair<const char *, int> cases[] = {{"0", 0},   {"00", 0},  {"", 1},
                                                  {"abc", 1}, {"off", 1}, {"1", 1},
                                                  {"2", 1},   {"01", 1},  {nullptr, 1}};
    for (const auto &[stored, on] : cases) {
        TempConfig config;
        CurrentDir stay("/");
        if (stored)
            config.WriteIni(std::string("[SETUP]\nInterfaceTexts=") + stored + "\n");
        gModified = gDocumentOpen = 1;
        InitDocumentStateCore();
        EXPECT_EQ(gMainDir, mainDir);
        EXPECT_EQ(fs::current_path().string() + "/", mainDir);
        EXPECT_EQ(gModified + gDocumentOpen, 0);
        EXPECT_EQ(stored ? InterfaceTextsOn(stored) : 1, on); // as the Setup dialog reads it
        EXPECT_EQ(gShowButtonTexts, on) << (stored ? stored : "none");
        EXPECT_EQ(TempConfig::Value("SETUP", "InterfaceTexts"), on ? "1" : stored);
    }
    // A stored main folder is kept while it holds the program's data; one without it (a
    // build tree removed since) gives way to the data folder.
    TempDir other;
    for (const bool holds : {true, false}) {
        TempConfig config;
        if (holds)
            std::ofstream(other.Path() + "/obj.edi") << "G:1001 0,0,1,1\n";
        else
            fs::remove(other.Path() + "/obj.edi");
        config.WriteIni("[SETUP]\nDirectoryMain=" + other.Path() + "/\n");
        CurrentDir stay("/");
        InitDocumentStateCore();
        EXPECT_EQ(gMainDir, holds ? other.Path() + "/" : mainDir) << holds;
    }
}
