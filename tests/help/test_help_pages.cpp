// The help books of the data folder: every topic the program opens has its page in
// English and Swedish; every local link, anchor, style sheet and picture of every page
// resolves inside its own book; the contents page reaches every page; and the help window
// shows them and goes back and forth.
#include <QImage>
#include <QTextBrowser>
#include <QToolBar>
#include <regex>
#include <set>

#include "platform/platform.h"
#include "resources/strings/strings.h"
#include "shell/shellcore.h"
#include "support/data_files.h"
#include "support/qt_app.h"

namespace
{

struct Book {
    const char *folder; // inside the data folder
    const char *suffix; // of every page name
    int32_t offset;     // the language offset that opens this book
};
const Book kBooks[] = {{"help/Merrowick_English/html", "", 0},
                       {"help/Merrowick_Swedish/html", "_swe", 3000}};

// The English names of the pages: first the nine the program opens (Help > Contents and
// F1, Help > Getting started, the Help buttons of the New, photo size, clip-art, text,
// print, crop and caption dialogs, the clip-art dialog's second tab), then those only
// other pages link to.
const char *const kPages[] = {
    "merrowick",       "gettingstarted", "basics_new", "basics_save",    "basics_add",
    "support_clipart", "basics_print",   "crop",       "basics_caption", "keys"};
constexpr int kOpened = 9;

fs::path BookDir(const Book &book)
{
    return fs::path(DataPath(book.folder));
}

std::string PageName(const Book &book, const std::string &english)
{
    return english + book.suffix + ".htm";
}

// The values of one attribute on the given tags, in page order.
std::vector<std::string> Attributes(const std::string &html, const std::string &tag,
                                    const std::string &attribute)
{
    std::vector<std::string> values;
    const std::regex element("<" + tag + "\\b[^>]*>", std::regex::icase);
    const std::regex value("\\b" + attribute + "\\s*=\\s*\"([^\"]*)\"", std::regex::icase);
    for (auto it = std::sregex_iterator(html.begin(), html.end(), element);
         it != std::sregex_iterator(); ++it) {
        std::smatch m;
        const std::string text = it->str();
        if (std::regex_search(text, m, value))
            values.push_back(m[1]);
    }
    return values;
}

// Every id and name a link can point at with #fragment.
std::set<std::string> Anchors(const std::string &html)
{
    std::set<std::string> anchors;
    const std::regex any("\\b(?:id|name)\\s*=\\s*\"([^\"]*)\"", std::regex::icase);
    for (auto it = std::sregex_iterator(html.begin(), html.end(), any);
         it != std::sregex_iterator(); ++it)
        anchors.insert((*it)[1]);
    return anchors;
}

std::string Title(const std::string &html)
{
    std::smatch m;
    return std::regex_search(html, m, std::regex("<title>([^<]*)</title>", std::regex::icase))
               ? std::string(m[1])
               : std::string();
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
        for (const char *page : std::vector(kPages, kPages + kOpened)) {
            char topic[512];
            HelpTopic((std::string(page) + ".htm").c_str(), topic, sizeof topic);
            ASSERT_TRUE(HelpTopicFile(topic, file, sizeof file)) << topic;
            EXPECT_EQ(std::string(file), std::string(book.folder) + "/" + PageName(book, page));
        }
    }
    gLanguageOffset = 0;
}

// Each book holds exactly its pages, the contents page links every other one, and every
// local link, anchor, style sheet and picture (one that decodes) lies in the same book.
TEST(HelpBook, EveryPageIsLinkedAndEveryLinkResolvesInsideItsBook)
{
    for (const Book &book : kBooks) {
        const fs::path dir = BookDir(book);
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
            std::vector<std::string> targets = Attributes(html, "a", "href");
            for (const std::string &css : Attributes(html, "link", "href"))
                targets.push_back(css);
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
                    EXPECT_TRUE(Anchors(ReadText(resolved)).count(target.substr(hash + 1)))
                        << target << ": no such anchor";
                }
                if (k >= pictures) {
                    EXPECT_FALSE(QImage(QString::fromStdString(resolved)).isNull()) << target;
                }
                if (file.ends_with(".htm")) { // not a page of the other book
                    EXPECT_EQ(file.ends_with("_swe.htm"), book.offset == 3000) << target;
                }
            }
        }
    }
}

class HelpWindowTest : public QtTest
{
  protected:
    void SetUp() override
    {
        QtTest::SetUp();
        std::snprintf(gMainDir, sizeof gMainDir, "%s", DataPath().c_str());
        mCurrent.emplace(DataPath());
    }
    void TearDown() override
    {
        gLanguageOffset = 0;
        mCurrent.reset();
        QtTest::TearDown();
    }
    static QTextBrowser *Browser()
    {
        QWidget *window = PLATQT_HelpWindow();
        return window ? window->findChild<QTextBrowser *>() : nullptr;
    }
    static std::string Shown()
    {
        return Browser() ? Browser()->source().fileName().toStdString() : std::string();
    }
    static void Press(const char *arrow)
    {
        for (QAction *action : PLATQT_HelpWindow()->findChild<QToolBar *>()->actions())
            if (action->text() == QString::fromUtf8(arrow) && action->isEnabled())
                action->trigger();
    }
    std::optional<CurrentDir> mCurrent;
};

// F1 shows the contents of the language under its title; after a link the arrows go back
// and forth.
TEST_F(HelpWindowTest, F1ShowsTheContentsAndLinksBackAndForwardWork)
{
    for (const Book &book : kBooks) {
        gLanguageOffset = book.offset;
        PLATQT_CloseHelp();
        ShowHelpPage("merrowick.htm");
        QTextBrowser *browser = Browser();
        ASSERT_NE(browser, nullptr);
        EXPECT_EQ(Shown(), PageName(book, "merrowick"));
        EXPECT_EQ(PLATQT_HelpWindow()->windowTitle().toStdString(),
                  Title(ReadText(BookDir(book) / PageName(book, "merrowick"))));
        browser->setSource(QUrl(QString::fromStdString(PageName(book, "gettingstarted"))));
        Press("\u2190");
        EXPECT_EQ(Shown(), PageName(book, "merrowick"));
        Press("\u2192");
        EXPECT_EQ(Shown(), PageName(book, "gettingstarted"));
    }
}

} // namespace
