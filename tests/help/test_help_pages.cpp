// The help books of the data folder: every topic the program opens has its page in
// English and Swedish; every local link, anchor, style sheet and picture of every page
// resolves inside its own book; the contents page reaches every page; the two books hold
// the same pages with the same pictures; and the help window shows them, follows their
// links and goes back and forth.
#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>
#include <map>
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
    const char *folder;   // inside the data folder
    const char *language; // the pages' lang attribute
    const char *suffix;   // of every page name
    int32_t offset;       // the language offset that opens this book
};
const Book kBooks[] = {
    {"help/Merrowick_English/html", "en", "", 0},
    {"help/Merrowick_Swedish/html", "sv", "_swe", 3000},
};

// The English names of the pages the program opens, and where it opens them from.
const std::pair<const char *, const char *> kTopics[] = {
    {"merrowick", "Help > Contents and F1"},
    {"gettingstarted", "Help > Getting started"},
    {"basics_new", "the New dialog's Help"},
    {"basics_save", "the photo size dialog's Help"},
    {"basics_add", "the clip-art and text dialogs' Help"},
    {"support_clipart", "the clip-art dialog's second tab"},
    {"basics_print", "the print options' Help"},
};
// Pages that only other pages link to.
const char *const kMorePages[] = {"keys"};

// The widest picture the help window shows without a sideways scroll bar.
constexpr int kWidestPicture = 640;

std::string ReadFile(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

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

bool External(const std::string &link)
{
    return link.rfind("http://", 0) == 0 || link.rfind("https://", 0) == 0 ||
           link.rfind("mailto:", 0) == 0;
}

std::vector<std::string> AllPageNames()
{
    std::vector<std::string> names;
    for (const auto &[page, from] : kTopics)
        names.push_back(page);
    for (const char *page : kMorePages)
        names.push_back(page);
    return names;
}

// ---- The topics the program opens ---------------------------------------------------------

TEST(HelpTopics, EveryTopicTheProgramOpensIsAPageOfTheBookOfItsLanguage)
{
    const int32_t oldOffset = gLanguageOffset;
    for (const Book &book : kBooks) {
        gLanguageOffset = book.offset;
        for (const auto &[page, from] : kTopics) {
            char topic[512], file[600];
            HelpTopic((std::string(page) + ".htm").c_str(), topic, sizeof topic);
            ASSERT_TRUE(HelpTopicFile(topic, file, sizeof file)) << topic;
            EXPECT_EQ(std::string(file), std::string(book.folder) + "/" + PageName(book, page))
                << "opened from " << from;
            EXPECT_TRUE(fs::is_regular_file(DataPath(file)))
                << file << " (opened from " << from << ") is missing";
        }
    }
    gLanguageOffset = oldOffset;
}

// ---- Every page ---------------------------------------------------------------------------

class HelpPage : public ::testing::TestWithParam<std::tuple<int, std::string>>
{
  protected:
    const Book &TheBook() const { return kBooks[std::get<0>(GetParam())]; }
    fs::path Path() const
    {
        return BookDir(TheBook()) / PageName(TheBook(), std::get<1>(GetParam()));
    }
};

TEST_P(HelpPage, EveryLinkAnchorStyleSheetAndPictureResolvesInsideItsBook)
{
    const std::string html = ReadFile(Path());
    const fs::path dir = BookDir(TheBook());
    std::vector<std::string> targets = Attributes(html, "a", "href");
    for (const auto &[tag, attribute] : {std::pair{"img", "src"}, std::pair{"link", "href"}})
        for (const std::string &value : Attributes(html, tag, attribute))
            targets.push_back(value);
    ASSERT_FALSE(targets.empty());
    for (const std::string &target : targets) {
        if (External(target))
            continue;
        const size_t hash = target.find('#');
        const std::string file = target.substr(0, hash);
        const std::string fragment = hash == std::string::npos ? "" : target.substr(hash + 1);
        EXPECT_FALSE(file.empty() && fragment.empty()) << "an empty link";
        EXPECT_EQ(file.find(".."), std::string::npos) << target << " leaves the book";
        EXPECT_NE(file.rfind('/', 0), 0u) << target << " is an absolute path";
        const fs::path resolved = file.empty() ? Path() : dir / file;
        ASSERT_TRUE(fs::is_regular_file(resolved)) << target << " does not exist";
        if (!fragment.empty()) {
            EXPECT_TRUE(Anchors(ReadFile(resolved)).count(fragment))
                << target << ": no anchor " << fragment;
        }
        // A page of the other book (English from Swedish, or the other way round).
        if (file.size() > 4 && file.compare(file.size() - 4, 4, ".htm") == 0) {
            const bool swedishTarget = file.find("_swe.htm") != std::string::npos;
            EXPECT_EQ(swedishTarget, TheBook().offset == 3000) << target;
        }
    }
}

std::vector<std::tuple<int, std::string>> EveryPage()
{
    std::vector<std::tuple<int, std::string>> pages;
    for (int book = 0; book < int(std::size(kBooks)); book++)
        for (const std::string &page : AllPageNames())
            pages.emplace_back(book, page);
    return pages;
}

INSTANTIATE_TEST_SUITE_P(Books, HelpPage, ::testing::ValuesIn(EveryPage()), [](const auto &info) {
    return std::string(kBooks[std::get<0>(info.param)].language) + "_" + std::get<1>(info.param);
});

// ---- Each book as a whole -----------------------------------------------------------------

std::set<std::string> FilesIn(const fs::path &dir, const std::string &extension)
{
    std::set<std::string> names;
    if (fs::is_directory(dir))
        for (const auto &entry : fs::directory_iterator(dir))
            if (entry.path().extension() == extension)
                names.insert(entry.path().filename().string());
    return names;
}

TEST(HelpBook, TheContentsPageLinksEveryOtherPageAndNoPageIsUnknown)
{
    for (const Book &book : kBooks) {
        const fs::path dir = BookDir(book);
        const auto pages = FilesIn(dir, ".htm");
        std::set<std::string> expected;
        for (const std::string &page : AllPageNames())
            expected.insert(PageName(book, page));
        EXPECT_EQ(pages, expected) << book.folder;
        const auto links = Attributes(ReadFile(dir / PageName(book, "merrowick")), "a", "href");
        for (const std::string &page : pages) {
            if (page != PageName(book, "merrowick")) {
                EXPECT_NE(std::find(links.begin(), links.end(), page), links.end())
                    << book.folder << ": the contents page does not link " << page;
            }
        }
    }
}

// ---- The help window ----------------------------------------------------------------------

class HelpWindowTest : public QtTest
{
  protected:
    void SetUp() override
    {
        QtTest::SetUp();
        mOffset = gLanguageOffset;
        std::snprintf(gMainDir, sizeof gMainDir, "%s", DataPath().c_str());
        mCurrent.emplace(DataPath());
    }
    void TearDown() override
    {
        gLanguageOffset = mOffset;
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
    static void Key(QWidget *to, int key)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(to, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QApplication::sendEvent(to, &release);
    }
    static void Press(const char *arrow)
    {
        for (QAction *action : PLATQT_HelpWindow()->findChild<QToolBar *>()->actions())
            if (action->text() == QString::fromUtf8(arrow) && action->isEnabled())
                action->trigger();
    }
    int32_t mOffset = 0;
    std::optional<CurrentDir> mCurrent;
};

TEST_F(HelpWindowTest, F1ShowsTheContentsOfTheLanguageWithItsPicturesAndStyle)
{
    for (const Book &book : kBooks) {
        gLanguageOffset = book.offset;
        ShowHelpPage("merrowick.htm");
        ASSERT_NE(Browser(), nullptr);
        EXPECT_EQ(Shown(), PageName(book, "merrowick"));
        const std::string html = ReadFile(BookDir(book) / PageName(book, "merrowick"));
        EXPECT_EQ(PLATQT_HelpWindow()->windowTitle().toStdString(), Title(html));
        for (const std::string &src : Attributes(html, "img", "src")) {
            const QVariant data = Browser()->loadResource(QTextDocument::ImageResource,
                                                          QUrl(QString::fromStdString(src)));
            EXPECT_FALSE(QImage::fromData(data.toByteArray()).isNull()) << src;
        }
        const QVariant css = Browser()->loadResource(QTextDocument::StyleSheetResource,
                                                     QUrl(QStringLiteral("style.css")));
        EXPECT_TRUE(css.toByteArray().contains("h1")) << "the style sheet did not load";
    }
}

TEST_F(HelpWindowTest, AKeyboardFollowedLinkOpensItsPageAndBackAndForwardReturn)
{
    for (const Book &book : kBooks) {
        gLanguageOffset = book.offset;
        PLATQT_CloseHelp();
        ShowHelpPage("merrowick.htm");
        QTextBrowser *browser = Browser();
        ASSERT_NE(browser, nullptr);
        // The first link of the contents page is the one to Getting started.
        Key(browser, Qt::Key_Tab);
        Key(browser, Qt::Key_Return);
        EXPECT_EQ(Shown(), PageName(book, "gettingstarted"));
        EXPECT_NE(browser->toPlainText().indexOf(QString::fromStdString(
                      Title(ReadFile(BookDir(book) / PageName(book, "gettingstarted"))))),
                  -1);
        Press("\u2190");
        EXPECT_EQ(Shown(), PageName(book, "merrowick"));
        Press("\u2192");
        EXPECT_EQ(Shown(), PageName(book, "gettingstarted"));
    }
}

} // namespace
