// The help books of the data folder: every topic the program opens has its page in English
// and Swedish, the contents page reaches every page, and every local link, anchor, style
// sheet and picture resolves inside its own book.
#include <QImage>
#include <regex>
#include <set>

#include "platform/platform.h"
#include "resources/strings/strings.h"
#include "support/data_files.h"
#include "support/qt_app.h"

namespace
{

struct Book {
    const char *folder, *suffix; // inside the data folder; of every page name
    int32_t offset;              // the language offset that opens this book
};
const Book kBooks[] = {{"help/Merrowick_English/html", "", 0},
                       {"help/Merrowick_Swedish/html", "_swe", 3000}};

// The English names of the pages: first the nine the program opens (Contents and F1,
// Getting started, the Help buttons of the dialogs, the clip-art dialog's second tab), then
// those only other pages link to.
const char *const kPages[] = {
    "merrowick",       "gettingstarted", "basics_new", "basics_save",    "basics_add",
    "support_clipart", "basics_print",   "crop",       "basics_caption", "keys"};
constexpr int kOpened = 9;

std::string PageName(const Book &book, const std::string &english)
{
    return english + book.suffix + ".htm";
}

// The values of the attributes matching `attribute` on the tags matching `tag`, in order.
std::vector<std::string> Attributes(const std::string &html, const std::string &tag,
                                    const std::string &attribute)
{
    std::vector<std::string> values;
    const std::regex element("<" + tag + "\\b[^>]*>", std::regex::icase);
    const std::regex value("\\b(?:" + attribute + ")\\s*=\\s*\"([^\"]*)\"", std::regex::icase);
    for (auto it = std::sregex_iterator(html.begin(), html.end(), element);
         it != std::sregex_iterator(); ++it) {
        const std::string text = it->str();
        for (auto v = std::sregex_iterator(text.begin(), text.end(), value);
             v != std::sregex_iterator(); ++v)
            values.push_back((*v)[1]);
    }
    return values;
}

// Every topic the program opens is a page of the book of its language; topics without a
// page, or leading out of the help folder, are refused.
TEST(HelpTopics, EveryTopicTheProgramOpensIsAPageOfTheBookOfItsLanguage)
{
    char file[600];
    for (const char *bad : {"no-topic", ".\\x.chm::/../../etc/passwd", "a/b.chm::/x.htm"})
        EXPECT_FALSE(HelpTopicFile(bad, file, sizeof file)) << bad;
    for (const Book &book : kBooks) {
        gLanguageOffset = book.offset;
        for (int k = 0; k < kOpened; k++) {
            char topic[512];
            HelpTopic((std::string(kPages[k]) + ".htm").c_str(), topic, sizeof topic);
            ASSERT_TRUE(HelpTopicFile(topic, file, sizeof file)) << topic;
            EXPECT_EQ(std::string(file),
                      std::string(book.folder) + "/" + PageName(book, kPages[k]));
        }
    }
    gLanguageOffset = 0;
}

// Each book holds exactly its pages, the contents page links every other one, and every
// local link, anchor, style sheet and picture (one that decodes) lies in the same book.
TEST_F(QtTest, EveryHelpPageIsLinkedAndEveryLinkResolvesInsideItsBook)
{
    for (const Book &book : kBooks) {
        const fs::path dir = DataPath(book.folder);
        std::set<std::string> pages, expected;
        for (const auto &entry : fs::directory_iterator(dir))
            if (entry.path().extension() == ".htm")
                pages.insert(entry.path().filename().string());
        for (const char *page : kPages)
            expected.insert(PageName(book, page));
        EXPECT_EQ(pages, expected) << book.folder;
        const auto contents = Attributes(ReadText(dir / PageName(book, "merrowick")), "a", "href");
        for (const std::string &page : pages) {
            SCOPED_TRACE(page);
            EXPECT_TRUE(page == PageName(book, "merrowick") ||
                        std::count(contents.begin(), contents.end(), page))
                << "not on the contents page";
            const std::string html = ReadText(dir / page);
            std::vector<std::string> targets = Attributes(html, "(?:a|link)", "href");
            const size_t pictures = targets.size();
            for (const std::string &src : Attributes(html, "img", "src"))
                targets.push_back(src);
            for (size_t k = 0; k < targets.size(); k++) {
                const std::string &target = targets[k];
                if (std::regex_search(target, std::regex("^(https?|mailto):")))
                    continue;
                const size_t hash = target.find('#');
                const std::string file = target.substr(0, hash);
                EXPECT_TRUE(file.find("..") == std::string::npos && file.rfind('/', 0) != 0)
                    << target << " leaves the book";
                const fs::path resolved = file.empty() ? dir / page : dir / file;
                ASSERT_TRUE(fs::is_regular_file(resolved)) << target << " does not exist";
                if (hash != std::string::npos) {
                    const auto anchors =
                        Attributes(ReadText(resolved), "[a-z][a-z0-9]*", "id|name");
                    EXPECT_TRUE(std::count(anchors.begin(), anchors.end(), target.substr(hash + 1)))
                        << target << ": no such anchor";
                }
                EXPECT_TRUE(k < pictures || !QImage(QString::fromStdString(resolved)).isNull())
                    << target;
                EXPECT_TRUE(!file.ends_with(".htm") || // not a page of the other book
                            file.ends_with("_swe.htm") == (book.offset == 3000))
                    << target;
            }
        }
    }
}

} // namespace
