// qt_fixture.h — what the window and dialog tests share: one QApplication on the
// offscreen platform, a private settings folder, recorded message boxes, and main
// folders made from the build's data folder.
#pragma once

#include <QApplication>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/qt/qt_platform.h"
#include "platform/trail.h"
#include "tests/shell/temp_config.h"

// Qt's font lookup keeps a few fontconfig blocks for the whole run; they are not ours.
// (Each test executable has one file that includes this header.)
extern "C" __attribute__((used)) inline const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

struct RecordedBox {
    std::string text;
    std::string title;
    int flags;
};

inline std::vector<RecordedBox> &Boxes()
{
    static std::vector<RecordedBox> boxes;
    return boxes;
}

inline int RecordBox(const char *text, const char *title, int flags)
{
    Boxes().push_back({text, title, flags});
    return PLAT_IDOK;
}

inline QApplication *TestApp()
{
    static int argc = 1;
    static char name[] = "shell-test";
    static char *argv[] = {name, nullptr};
    static QApplication *app = new QApplication(argc, argv);
    return app;
}

// The build's data folder (MW_DATA_DIR, set by the test runner).
inline std::string DataDir()
{
    const char *dir = std::getenv("MW_DATA_DIR");
    return dir ? dir : "";
}

// A main folder whose entries link to the data folder's, leaving out `omit`.
class TempMainDir
{
  public:
    explicit TempMainDir(const std::set<std::string> &omit = {})
    {
        char pattern[] = "/tmp/mw-main-XXXXXX";
        mDir = mkdtemp(pattern);
        std::error_code error;
        for (const auto &entry : std::filesystem::directory_iterator(DataDir(), error))
            if (!omit.count(entry.path().filename().string()))
                std::filesystem::create_symlink(entry.path(),
                                                mDir + "/" + entry.path().filename().string());
    }
    ~TempMainDir() { std::filesystem::remove_all(mDir); }
    std::string Dir() const { return mDir + "/"; }

  private:
    std::string mDir;
};

class QtTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        TestApp();
        Boxes().clear();
        TrailClear();
        PLATQT_SetMessageBoxHook(RecordBox);
    }
    void TearDown() override
    {
        PLATQT_SetMessageBoxHook(nullptr);
        PLATQT_HideResource(nullptr);
    }
    TempConfig mConfig;
};
