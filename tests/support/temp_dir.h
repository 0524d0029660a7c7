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

// Gives an environment variable a value (null: unsets it) while the object lives.
struct ScopedEnv {
    ScopedEnv(const char *name, const std::string &value) : ScopedEnv(name, value.c_str()) {}
    ScopedEnv(const char *name, const char *value) : mName(name), mHad(std::getenv(name))
    {
        mOld = mHad ? std::getenv(name) : "";
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnv() { mHad ? setenv(mName, mOld.c_str(), 1) : unsetenv(mName); }
    ScopedEnv(const ScopedEnv &) = delete;
    const char *mName;
    bool mHad;
    std::string mOld;
};

// A private settings folder: XDG_CONFIG_HOME names a fresh folder while the object lives,
// and XDG_STATE_HOME (the autosave) its "state" subfolder.
struct TempConfig : TempDir {
    ScopedEnv mConfigHome{"XDG_CONFIG_HOME", Path()},
        mStateHome{"XDG_STATE_HOME", Path() + "/state"};
    void WriteIni(const std::string &text) const { WriteText("MerrowickDemo.ini", text); }
    std::string IniText() const { return ReadText(*this / "MerrowickDemo.ini"); }
    // A value as the program reads it, "<none>" when it is not there.
    static std::string Value(const char *section, const char *key)
    {
        char buf[4096];
        PLAT_GetProfileString(section, key, "<none>", buf, sizeof buf);
        return buf;
    }
};
