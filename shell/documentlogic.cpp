// documentlogic.cpp — path splitting, file dialog filters and folders, recent documents.
#include "shell/documentlogic.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

#include "formats/formats.h"
#include "platform/file.h"
#include "platform/platform.h"
#include "platform/trail.h"
#include "resources/strings/strings.h"

static int IsSeparator(char c)
{
    return c == PLAT_PathSeparator() || c == '\\';
}

int SplitPath(const char *path, char *dir, size_t dirSize, char *name, size_t nameSize, char *ext,
              size_t extSize, int32_t *type)
{
    if (!path || !*path)
        return Fail("Not a valid file.");
    const size_t len = std::strlen(path);
    // The last separator and the last dot after it.
    size_t base = 0;
    for (size_t i = len; i > 0; i--)
        if (IsSeparator(path[i - 1])) {
            base = i;
            break;
        }
    const char *dot = std::strrchr(path + base, '.');
    const size_t extLen = dot ? std::strlen(dot) : 0;
    const size_t nameLen = (dot ? static_cast<size_t>(dot - path) : len) - base;
    if (extLen > 255)
        return Fail("File extension is too long!");
    if (nameLen > 254)
        return Fail("File name is too long!");
    if (base >= dirSize || nameLen >= nameSize || extLen >= extSize)
        return Fail("File name is too long!");
    std::memcpy(dir, path, base);
    dir[base] = '\0';
    std::memcpy(name, path + base, nameLen);
    name[nameLen] = '\0';
    std::memcpy(ext, dot ? dot : "", extLen + 1);
    const int32_t t = FileTypeOf(ext);
    if (t != FILETYPE_NONE)
        *type = t;
    return 1;
}

// Splits "description@patterns@…@@" text into filters; ';' between patterns becomes ' '.
static void ParseFilterText(const std::string &text, std::vector<FILEFILTER> *filters)
{
    size_t at = 0;
    while (at < text.size()) {
        const size_t d = text.find('@', at);
        if (d == std::string::npos || d == at)
            break;
        const size_t p = text.find('@', d + 1);
        if (p == std::string::npos)
            break;
        FILEFILTER f{text.substr(at, d - at), text.substr(d + 1, p - d - 1)};
        for (char &c : f.patterns)
            if (c == ';')
                c = ' ';
        filters->push_back(f);
        at = p + 1;
    }
}

int FileDialogFilters(int mode, std::vector<FILEFILTER> *filters)
{
    std::string text;
    switch (mode) {
    // Phones' PNG and WebP photos open like JPEGs and bitmaps.
    case FILEDLG_PHOTO:
        text = std::string(LoadText(STR_FILTER_ALL)) +
               "*.jpg;*.jpeg;*.bmp;*.rle;*.dib;*.png;*.webp@" + LoadText(STR_FILTER_JPEG) +
               "*.jpg;*.jpeg@" + LoadText(STR_FILTER_BITMAP) + "*.bmp;*.rle;*.dib@" +
               LoadText(STR_FILTER_PNG_WEBP) + "*.png;*.webp@@@";
        break;
    case FILEDLG_OPEN:
        text = std::string(LoadText(STR_FILTER_ALL)) +
               "*.mwi;*.jpg;*.jpeg;*.bmp;*.rle;*.dib;*.png;*.webp@" + LoadText(STR_FILTER_LAYOUT) +
               "*.mwi@" + LoadText(STR_FILTER_JPEG) + "*.jpg;*.jpeg@" +
               LoadText(STR_FILTER_BITMAP) + "*.bmp;*.rle;*.dib@" + LoadText(STR_FILTER_PNG_WEBP) +
               "*.png;*.webp@@@";
        break;
    case FILEDLG_SAVE:
    case FILEDLG_SAVEAS:
        text = std::string(LoadText(STR_FILTER_LAYOUT)) + "*.mwi@" + LoadText(STR_FILTER_JPEG) +
               "*.jpg@" + LoadText(STR_FILTER_PNG) + "*.png@" + LoadText(STR_FILTER_WEBP) +
               "*.webp@@@";
        break;
    default:
        return Fail("Mode not supported!");
    }
    filters->clear();
    ParseFilterText(text, filters);
    return 1;
}

const char *SaveFilterExtension(const std::string &patterns)
{
    for (const char *ext : {".jpg", ".png", ".webp"})
        if (patterns == std::string("*") + ext)
            return ext;
    return ".mwi";
}

int AddSaveExtension(std::string *path, const char *ext)
{
    if (FileTypeOf(path->c_str()) != FILETYPE_NONE)
        return 0;
    *path += ext;
    return 1;
}

static bool IsFolder(const std::string &path)
{
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

static std::string WithSeparator(std::string folder)
{
    if (!folder.empty() && folder.back() != PLAT_PathSeparator())
        folder += PLAT_PathSeparator();
    return folder;
}

// XDG_PICTURES_DIR="$HOME/Pictures" from a user-dirs.dirs text, $HOME put in; "" when absent.
static std::string PicturesDirSetting(const std::string &text, const std::string &home)
{
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        const std::string key = "XDG_PICTURES_DIR=";
        if (line.rfind(key, 0) != 0)
            continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0)
            value = home + value.substr(5);
        return value.empty() || value.front() != '/' ? "" : value;
    }
    return "";
}

std::string PicturesFolder()
{
    const char *homeVar = std::getenv("HOME");
    const std::string home = homeVar ? homeVar : "";
    const char *config = std::getenv("XDG_CONFIG_HOME");
    const std::string dirs =
        (config && *config ? std::string(config) : home + "/.config") + "/user-dirs.dirs";
    std::string text;
    size_t size = 0;
    bool opened = false;
    if (uint8_t *bytes = PLAT_FileReadWhole(dirs.c_str(), 65536, &size, &opened)) {
        text.assign(reinterpret_cast<const char *>(bytes), size);
        std::free(bytes);
    }
    const std::string pictures = PicturesDirSetting(text, home);
    if (IsFolder(pictures))
        return WithSeparator(pictures);
    return IsFolder(home) ? WithSeparator(home) : "";
}

static const char *LastFolderKey(int mode)
{
    return mode == FILEDLG_PHOTO ? "LastPhotoFolder" : "LastFolder";
}

std::string FileDialogFolder(int mode)
{
    char value[4096];
    PLAT_GetProfileString("SETUP", mode == FILEDLG_PHOTO ? "DirectoryImages" : "DirectoryApp", "",
                          value, sizeof value);
    if (value[0])
        return value;
    PLAT_GetProfileString("MISC", LastFolderKey(mode), "", value, sizeof value);
    if (IsFolder(value))
        return WithSeparator(value);
    return PicturesFolder();
}

void RememberDialogFolder(int mode, const std::string &folder)
{
    if (!folder.empty())
        PLAT_WriteProfileString("MISC", LastFolderKey(mode), WithSeparator(folder).c_str());
}

std::string RecentLabel(const std::string &path)
{
    const size_t slash = path.find_last_of(PLAT_PathSeparator());
    if (slash == std::string::npos)
        return path;
    std::string folder = path.substr(0, slash + 1);
    const char *home = std::getenv("HOME");
    const std::string h = home ? WithSeparator(home) : "";
    if (h.size() > 1 && folder.rfind(h, 0) == 0)
        folder = "~/" + folder.substr(h.size());
    return path.substr(slash + 1) + "\t" + folder;
}

// ---- Recent documents
// -----------------------------------------------------------------------------

std::vector<std::string> RecentFiles()
{
    std::vector<std::string> files;
    for (int i = 1; i <= RECENT_MAX; i++) {
        char key[16], value[4096];
        std::snprintf(key, sizeof key, "Recent%d", i);
        PLAT_GetProfileString("MISC", key, "", value, sizeof value);
        if (value[0])
            files.push_back(value);
    }
    return files;
}

static void WriteRecent(const std::vector<std::string> &files)
{
    for (int i = 1; i <= RECENT_MAX; i++) {
        char key[16];
        std::snprintf(key, sizeof key, "Recent%d", i);
        const size_t k = static_cast<size_t>(i - 1);
        PLAT_WriteProfileString("MISC", key, k < files.size() ? files[k].c_str() : "");
    }
}

void RecentAdd(const char *path)
{
    if (!path || !*path)
        return;
    std::vector<std::string> files = RecentFiles(), kept = {path};
    for (const std::string &f : files)
        if (f != path && kept.size() < static_cast<size_t>(RECENT_MAX))
            kept.push_back(f);
    WriteRecent(kept);
}

void RecentRemove(const char *path)
{
    std::vector<std::string> files = RecentFiles(), kept;
    for (const std::string &f : files)
        if (f != path)
            kept.push_back(f);
    WriteRecent(kept);
}
