// settings.cpp — the settings file "MerrowickDemo.ini".
//
// A plain INI file (see settings.h). A write reads the whole file, changes one line and
// writes the result to a temporary file beside it that then replaces the old one, so a
// failed write never destroys the previous file; a file that is there but cannot be read
// is never overwritten. Files larger than the program would ever write are left alone.
// A file that cannot be read gives the defaults and one line in the error trail.
#include "platform/settings.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/file.h"
#include "platform/platform.h"
#include "platform/trail.h"

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

// ---- The text ----------------------------------------------------------------------------

std::vector<std::string> SettingsLines(const char *text, size_t size)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < size) {
        const void *lf = std::memchr(text + start, '\n', size - start);
        const size_t end = lf ? static_cast<size_t>(static_cast<const char *>(lf) - text) : size;
        size_t len = end - start;
        if (len > 0 && text[start + len - 1] == '\r')
            --len;
        lines.emplace_back(text + start, len);
        start = end + 1;
    }
    return lines;
}

std::string SettingsText(const std::vector<std::string> &lines, bool crlf)
{
    std::string text;
    for (const std::string &line : lines) {
        text += line;
        text += crlf ? "\r\n" : "\n";
    }
    return text;
}

bool SettingsUsesCrlf(const char *text, size_t size)
{
    if (size == 0)
        return false; // text may then be null, which memchr must not see
    const void *lf = std::memchr(text, '\n', size);
    return lf && lf != text && static_cast<const char *>(lf)[-1] == '\r';
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

bool SettingsLookUp(const std::vector<std::string> &lines, const char *section, const char *key,
                    std::string *value)
{
    bool inSection = false;
    for (const std::string &line : lines) {
        std::string name, k, v;
        if (SectionOf(line, &name)) {
            inSection = SameName(name, section);
        } else if (inSection && KeyValueOf(line, &k, &v) && SameName(k, key)) {
            *value = v;
            return true;
        }
    }
    return false;
}

void SettingsPut(std::vector<std::string> *lines, const char *section, const char *key,
                 const char *value)
{
    std::string newLine = std::string(key) + "=" + (value ? value : "");
    const size_t cut = newLine.find_first_of("\r\n");
    if (cut != std::string::npos)
        newLine.resize(cut);

    int sectionEnd = -1, keyLine = -1;
    bool inSection = false;
    for (size_t i = 0; i < lines->size(); i++) {
        const std::string &line = (*lines)[i];
        std::string name, k, v;
        if (SectionOf(line, &name)) {
            if (inSection)
                break;
            inSection = SameName(name, section);
            if (inSection)
                sectionEnd = static_cast<int>(i);
        } else if (inSection) {
            if (!Trim(line).empty())
                sectionEnd = static_cast<int>(i);
            if (KeyValueOf(line, &k, &v) && SameName(k, key)) {
                keyLine = static_cast<int>(i);
                break;
            }
        }
    }
    if (keyLine >= 0) {
        (*lines)[keyLine] = newLine;
    } else if (sectionEnd >= 0) {
        lines->insert(lines->begin() + sectionEnd + 1, newLine);
    } else {
        if (!lines->empty() && !Trim(lines->back()).empty())
            lines->push_back("");
        lines->push_back(std::string("[") + section + "]");
        lines->push_back(newLine);
    }
}

// ---- The file ----------------------------------------------------------------------------

enum { SETTINGS_READ = 1, SETTINGS_MISSING = 0, SETTINGS_UNREADABLE = -1 };

// Reads the whole file into text: SETTINGS_MISSING when there is none, SETTINGS_UNREADABLE
// (errno set) when it cannot be read or is too large.
static int ReadSettings(const char *path, std::string *text)
{
    const int fd = PLAT_FileOpen(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? SETTINGS_MISSING : SETTINGS_UNREADABLE;
    char chunk[16 << 10];
    ssize_t n;
    while ((n = PLAT_FileRead(fd, chunk, sizeof chunk)) > 0) {
        text->append(chunk, static_cast<size_t>(n));
        if (text->size() > MAX_SETTINGS_BYTES) {
            n = -1;
            errno = EFBIG;
            break;
        }
    }
    const int error = errno;
    PLAT_FileClose(fd); // nothing was written: a failed close loses nothing
    errno = error;
    return n < 0 ? SETTINGS_UNREADABLE : SETTINGS_READ;
}

int PLAT_GetProfileString(const char *section, const char *key, const char *deflt, char *buf,
                          int size)
{
    if (!buf || size <= 0)
        return 0;
    std::string value = deflt ? deflt : "";
    std::string text;
    const int read = ReadSettings(PLAT_SettingsPath(), &text);
    if (read == SETTINGS_READ) {
        SettingsLookUp(SettingsLines(text.data(), text.size()), section, key, &value);
    } else if (read == SETTINGS_UNREADABLE) {
        // Said once in the trail, not at every key read.
        char line[1024];
        std::snprintf(line, sizeof line,
                      "The settings file %s could not be read (%s): the program uses its defaults.",
                      PLAT_SettingsPath(), std::strerror(errno));
        if (!std::strstr(gErrorTrail, line))
            Fail(line);
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

// Writes text to a temporary file beside path, synced, and renames it over path. 0 with
// errno set; the temporary file is gone and path as it was.
static int WriteSafely(const std::string &path, const std::string &text)
{
    const std::string temp = path + ".tmp" + std::to_string(::getpid());
    const int fd = PLAT_FileOpen(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return 0;
    int ok = PLAT_FileWriteAll(fd, text.data(), text.size()) && PLAT_FileSync(fd) == 0;
    int error = errno;
    if (PLAT_FileClose(fd) != 0 && ok)
        ok = 0, error = errno;
    if (ok && PLAT_FileRename(temp.c_str(), path.c_str()) != 0)
        ok = 0, error = errno;
    if (!ok) {
        ::unlink(temp.c_str());
        errno = error;
    }
    return ok;
}

int PLAT_WriteProfileString(const char *section, const char *key, const char *value)
{
    if (!section || !key || !section[0] || !key[0])
        return 0;
    const std::string path = PLAT_SettingsPath();
    std::string text;
    const int read = ReadSettings(path.c_str(), &text);
    if (read == SETTINGS_UNREADABLE) // there but unreadable or oversized: never overwrite it
        return Failf("The settings file %s could not be read (%s): %s/%s is not kept.",
                     path.c_str(), std::strerror(errno), section, key);
    if (read == SETTINGS_MISSING)
        MakeFolders(SettingsFolder());
    std::vector<std::string> lines = SettingsLines(text.data(), text.size());
    SettingsPut(&lines, section, key, value);
    if (!WriteSafely(path, SettingsText(lines, SettingsUsesCrlf(text.data(), text.size()))))
        return Failf("The settings file %s could not be written (%s): %s/%s is not kept.",
                     path.c_str(), std::strerror(errno), section, key);
    return 1;
}
