// temp_dir.h — private folders for one test: a fresh folder removed with its contents,
// a change of current folder undone on leaving, and a private settings folder.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <unistd.h>

#include "platform/platform.h"

// A new folder under /tmp, removed with everything in it when the object goes.
class TempDir
{
  public:
    TempDir()
    {
        char pattern[] = "/tmp/mw-test-XXXXXX";
        if (!mkdtemp(pattern))
            throw std::runtime_error("mkdtemp failed");
        mPath = pattern;
    }
    ~TempDir()
    {
        std::error_code error;
        std::filesystem::remove_all(mPath, error);
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::string &Path() const { return mPath; }
    // The path of an entry inside the folder.
    std::string operator/(const std::string &name) const { return mPath + "/" + name; }
    // Writes a text file inside the folder, making the folders on its way.
    void WriteText(const std::string &name, const std::string &text) const
    {
        std::filesystem::create_directories(std::filesystem::path(*this / name).parent_path());
        std::ofstream(*this / name, std::ios::binary) << text;
    }
    std::string ReadText(const std::string &name) const
    {
        std::ifstream in(*this / name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

  private:
    std::string mPath;
};

// Makes a folder current while the object lives.
class CurrentDir
{
  public:
    explicit CurrentDir(const std::string &dir) : mOld(std::filesystem::current_path())
    {
        std::filesystem::current_path(dir);
    }
    ~CurrentDir()
    {
        std::error_code error;
        std::filesystem::current_path(mOld, error);
    }

  private:
    std::filesystem::path mOld;
};

// A private settings folder: XDG_CONFIG_HOME points at a fresh folder while the object
// lives, so the settings file is MerrowickDemo.ini inside it.
class TempConfig : public TempDir
{
  public:
    TempConfig()
    {
        const char *old = std::getenv("XDG_CONFIG_HOME");
        mHadOld = old != nullptr;
        if (old)
            mOld = old;
        setenv("XDG_CONFIG_HOME", Path().c_str(), 1);
    }
    ~TempConfig()
    {
        if (mHadOld)
            setenv("XDG_CONFIG_HOME", mOld.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
    }
    std::string IniText() const { return ReadText("MerrowickDemo.ini"); }
    void WriteIni(const std::string &text) const { WriteText("MerrowickDemo.ini", text); }
    // A value as the program reads it, "<none>" when it is not there.
    static std::string Value(const char *section, const char *key)
    {
        char buf[4096];
        PLAT_GetProfileString(section, key, "<none>", buf, sizeof buf);
        return buf;
    }

  private:
    bool mHadOld = false;
    std::string mOld;
};
