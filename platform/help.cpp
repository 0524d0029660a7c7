// help.cpp — help topics: an English page name in the program's language, as a file of
// the help books in the main directory, shown in the help window.
#include <cstdio>
#include <cstring>
#include <string>
#include <strings.h>

#include "platform/platform.h"
#include "resources/strings/strings.h"

void HelpTopic(const char *englishPage, char *out, size_t size)
{
    std::string page = englishPage ? englishPage : "";
    if (gLanguageOffset == LANGUAGE_SWEDISH) {
        size_t dot = page.rfind(".htm");
        if (dot != std::string::npos)
            page.insert(dot, "_swe");
        std::snprintf(out, size, ".\\Merrowick_Swedish.chm::/html/%s", page.c_str());
    } else {
        std::snprintf(out, size, ".\\Merrowick_English.chm::/html/%s", page.c_str());
    }
}

int HelpTopicFile(const char *topic, char *out, size_t size)
{
    std::string t = topic ? topic : "";
    size_t split = t.find("::/");
    if (split == std::string::npos)
        return 0;
    std::string book = t.substr(0, split);
    std::string page = t.substr(split + 3);
    if (book.rfind(".\\", 0) == 0 || book.rfind("./", 0) == 0)
        book = book.substr(2);
    if (book.size() > 4 && strcasecmp(book.c_str() + book.size() - 4, ".chm") == 0)
        book.resize(book.size() - 4);
    for (char &c : page)
        if (c == '\\')
            c = '/';
    if (book.empty() || page.empty() || book.find('/') != std::string::npos ||
        page.find("..") != std::string::npos)
        return 0;
    std::snprintf(out, size, "help/%s/%s", book.c_str(), page.c_str());
    return 1;
}

void ShowHelpPage(const char *englishPage)
{
    char topic[512], file[600];
    HelpTopic(englishPage, topic, sizeof topic);
    if (HelpTopicFile(topic, file, sizeof file))
        PLAT_ShowHelp(file);
}
