// settings.cpp — the settings file "MerrowickDemo.ini".
//
// A plain INI file: "[SECTION]" lines open sections, "key=value" lines hold values;
// sections and keys match without regard to case, values are trimmed of blanks. A
// write reads the whole file, changes one line and writes the result to a temporary
// file beside it that then replaces the old one, so a failed write never destroys
// the previous file. Files larger than the program would ever write are left alone.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/platform.h"

static const size_t MAX_SETTINGS_BYTES = 1 << 20;

static std::string SettingsFolder()
{
    const char *xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/')
        return xdg;
    const char *home = std::getenv("HOME");
    return std::string(home && home[0] ? home : ".") + "/.config";
}

const char *PLAT_SettingsPath()
{
    static std::string path;
    path = SettingsFolder() + "/MerrowickDemo.ini";
    return path.c_str();
}

// Reads the file into lines; 0 when it is missing, unreadable or too large.
static int ReadLines(const char *path, std::vector<std::string> *lines)
{
    FILE *f = std::fopen(path, "rb");
    if (!f)
        return 0;
    std::string text;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        text.append(chunk, n);
        if (text.size() > MAX_SETTINGS_BYTES) {
            std::fclose(f);
            return 0;
        }
    }
    std::fclose(f);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines->push_back(line);
        start = end + 1;
    }
    return 1;
}

static std::string Trim(const std::string &s)
{
    size_t a = s.find_first_not_of(" \t");
    if (a == std::string::npos)
        return "";
    size_t b = s.find_last_not_of(" \t");
    return s.substr(a, b - a + 1);
}

static int SameName(const std::string &a, const char *b)
{
    return strcasecmp(a.c_str(), b) == 0;
}

// The section name of a "[NAME]" line, or false when the line opens no section.
static bool SectionOf(const std::string &line, std::string *name)
{
    std::string t = Trim(line);
    if (t.size() < 2 || t.front() != '[' || t.back() != ']')
        return false;
    *name = Trim(t.substr(1, t.size() - 2));
    return true;
}

// Splits a "key=value" line; false for lines without '='.
static bool KeyValueOf(const std::string &line, std::string *key, std::string *value)
{
    size_t eq = line.find('=');
    if (eq == std::string::npos)
        return false;
    *key = Trim(line.substr(0, eq));
    *value = Trim(line.substr(eq + 1));
    return true;
}

int PLAT_GetProfileString(const char *section, const char *key, const char *deflt, char *buf,
                          int size)
{
    if (!buf || size <= 0)
        return 0;
    std::string value = deflt ? deflt : "";
    std::vector<std::string> lines;
    if (ReadLines(PLAT_SettingsPath(), &lines)) {
        bool inSection = false;
        for (const std::string &line : lines) {
            std::string name, k, v;
            if (SectionOf(line, &name)) {
                inSection = SameName(name, section);
            } else if (inSection && KeyValueOf(line, &k, &v) && SameName(k, key)) {
                value = v;
                break;
            }
        }
    }
    size_t n = value.size() < static_cast<size_t>(size - 1) ? value.size() : size - 1;
    std::memcpy(buf, value.data(), n);
    buf[n] = '\0';
    return static_cast<int>(n);
}

static void MakeFolders(const std::string &folder)
{
    for (size_t i = 1; i <= folder.size(); i++) {
        if (i == folder.size() || folder[i] == '/')
            ::mkdir(folder.substr(0, i).c_str(), 0700);
    }
}

// Writes the lines to a temporary file beside path and renames it over path.
static int WriteLinesSafely(const std::string &path, const std::vector<std::string> &lines)
{
    std::string temp = path + ".tmp" + std::to_string(::getpid());
    FILE *f = std::fopen(temp.c_str(), "wb");
    if (!f)
        return 0;
    bool ok = true;
    for (const std::string &line : lines) {
        if (std::fputs(line.c_str(), f) < 0 || std::fputc('\n', f) == EOF)
            ok = false;
    }
    if (std::fflush(f) != 0 || ::fsync(::fileno(f)) != 0)
        ok = false;
    if (std::fclose(f) != 0)
        ok = false;
    if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        return 0;
    }
    return 1;
}

int PLAT_WriteProfileString(const char *section, const char *key, const char *value)
{
    if (!section || !key || !section[0] || !key[0])
        return 0;
    std::string path = PLAT_SettingsPath();
    std::vector<std::string> lines;
    if (!ReadLines(path.c_str(), &lines)) {
        struct stat st;
        if (::stat(path.c_str(), &st) == 0)
            return 0; // there but unreadable or oversized: never overwrite it
        MakeFolders(SettingsFolder());
    }
    std::string newLine = std::string(key) + "=" + (value ? value : "");
    // A value cannot span lines: cut it at the first line break.
    size_t cut = newLine.find_first_of("\r\n");
    if (cut != std::string::npos)
        newLine.resize(cut);

    int sectionStart = -1, sectionEnd = -1, keyLine = -1;
    bool inSection = false;
    for (size_t i = 0; i < lines.size(); i++) {
        std::string name, k, v;
        if (SectionOf(lines[i], &name)) {
            if (inSection)
                break;
            inSection = SameName(name, section);
            if (inSection)
                sectionStart = sectionEnd = static_cast<int>(i);
        } else if (inSection) {
            if (!Trim(lines[i]).empty())
                sectionEnd = static_cast<int>(i);
            if (KeyValueOf(lines[i], &k, &v) && SameName(k, key)) {
                keyLine = static_cast<int>(i);
                break;
            }
        }
    }
    if (keyLine >= 0) {
        lines[keyLine] = newLine;
    } else if (sectionStart >= 0) {
        lines.insert(lines.begin() + sectionEnd + 1, newLine);
    } else {
        if (!lines.empty() && !Trim(lines.back()).empty())
            lines.push_back("");
        lines.push_back(std::string("[") + section + "]");
        lines.push_back(newLine);
    }
    return WriteLinesSafely(path, lines);
}
