// The help books of the data folder: every topic the program opens is a page of the book of
// its language; topics without a page, or leading out of the help folder, are refused.
#include <gtest/gtest.h>

#include <tuple>

#include "platform/platform.h"
#include "resources/strings/strings.h"
#include "support/data_files.h"

namespace
{

TEST(HelpTopics, EveryTopicTheProgramOpensIsAPageOfTheBookOfItsLanguage)
{
    // Contents and F1, Getting started, the dialogs' Help buttons, the clip-art dialog's tab.
    const char *const opened[] = {"merrowick",    "gettingstarted", "basics_new",
                                  "basics_save",  "basics_add",     "support_clipart",
                                  "basics_print", "crop",           "basics_caption"};
    char file[600];
    for (const char *bad : {"no-topic", ".\\x.chm::/../../etc/passwd", "a/b.chm::/x.htm"})
        EXPECT_FALSE(HelpTopicFile(bad, file, sizeof file)) << bad;
    for (const auto &[folder, suffix, offset] : {std::tuple{"help/Merrowick_English/html/", "", 0},
                                                 {"help/Merrowick_Swedish/html/", "_swe", 3000}}) {
        gLanguageOffset = offset;
        for (const char *page : opened) {
            char topic[512];
            HelpTopic((std::string(page) + ".htm").c_str(), topic, sizeof topic);
            ASSERT_TRUE(HelpTopicFile(topic, file, sizeof file)) << topic;
            EXPECT_EQ(std::string(file), std::string(folder) + page + suffix + ".htm");
            EXPECT_TRUE(fs::is_regular_file(DataPath(file))) << file;
        }
    }
    gLanguageOffset = 0;
}

} // namespace
