// temp_dir.h — private folders for one test: a fresh folder removed with its contents,
// a change of current folder undone on leaving, and a private settings folder.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace fs = std::filesystem;

// The bytes of a file, as text or as bytes; empty when it is missing.
inline std::string ReadText(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::vector<uint8_t> ReadBytes(const std::string &path)
{
    const std::string text = ReadText(path);
    return {text.begin(), text.end()};
}

// A new folder under /tmp, removed with everything in it when the object goes.
struct TempDir {
    TempDir() : mPath(mkdtemp(std::string("/tmp/mw-test-XXXXXX").data())) {}
    ~TempDir() { fs::remove_all(mPath, mError); }
    TempDir(const TempDir &) = delete;
    const std::string &Path() const { return mPath; }
    std::string operator/(const std::string &name) const { return mPath + "/" + name; }
    // Writes a text file inside the folder, making the folders on its way.
    void WriteText(const std::string &name, const std::string &text) const
    {
        fs::create_directories(fs::path(*this / name).parent_path());
        std::ofstream(*this / name, std::ios::binary) << text;
    }
    std::string mPath;
    std::error_code mError;
};

// Makes a folder current while the object lives.
struct CurrentDir {
    explicit CurrentDir(const std::string &dir) { fs::current_path(dir); }
    ~CurrentDir() { fs::current_path(mOld, mError); }
    fs::path mOld = fs::current_path();
    std::error_code mError;
};

// A private settings folder: XDG_CONFIG_HOME names a fresh folder while the object lives,
// and XDG_STATE_HOME (the autosave) its "state" subfolder.
struct TempConfig : TempDir {
    TempConfig()
    {
        setenv("XDG_CONFIG_HOME", Path().c_str(), 1);
        setenv("XDG_STATE_HOME", (Path() + "/state").c_str(), 1);
    }
    ~TempConfig()
    {
        mOld.empty() ? unsetenv("XDG_CONFIG_HOME") : setenv("XDG_CONFIG_HOME", mOld.c_str(), 1);
        mOldState.empty() ? unsetenv("XDG_STATE_HOME")
                          : setenv("XDG_STATE_HOME", mOldState.c_str(), 1);
    }
    void WriteIni(const std::string &text) const { WriteText("MerrowickDemo.ini", text); }
    std::string IniText() const { return ReadText(*this / "MerrowickDemo.ini"); }
    // A value as the program reads it, "<none>" when it is not there.
    static std::string Value(const char *section, const char *key)
    {
        char buf[4096];
        PLAT_GetProfileString(section, key, "<none>", buf, sizeof buf);
        return buf;
    }
    const char *env = std::getenv("XDG_CONFIG_HOME");
    std::string mOld = env ? env : "";
    const char *stateEnv = std::getenv("XDG_STATE_HOME");
    std::string mOldState = stateEnv ? stateEnv : "";
};
