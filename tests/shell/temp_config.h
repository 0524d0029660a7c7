// temp_config.h — a private settings folder for one test: XDG_CONFIG_HOME points at a
// fresh temporary folder while the object lives.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

class TempConfig
{
  public:
    TempConfig()
    {
        char pattern[] = "/tmp/mw-shell-test-XXXXXX";
        mDir = mkdtemp(pattern);
        setenv("XDG_CONFIG_HOME", mDir.c_str(), 1);
    }
    ~TempConfig() { std::filesystem::remove_all(mDir); }
    std::string Dir() const { return mDir; }
    std::string IniPath() const { return mDir + "/MerrowickDemo.ini"; }
    std::string IniText() const
    {
        std::ifstream in(IniPath());
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void WriteIni(const std::string &text) const { std::ofstream(IniPath()) << text; }

  private:
    std::string mDir;
};
