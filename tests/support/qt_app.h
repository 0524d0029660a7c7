// qt_app.h — the set-up of the tests that make widgets: one QApplication on the
// offscreen platform (set by test_env.cpp), message boxes recorded instead of shown,
// and a private settings folder for each test.
#pragma once

#include <QApplication>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/qt/qt_platform.h"
#include "platform/trail.h"
#include "support/temp_dir.h"

// Qt's font lookup keeps a few fontconfig blocks for the whole run; they are not ours.
// (Each test executable has one file that includes this header.)
extern "C" __attribute__((used)) inline const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

// Made on first use and never destroyed: tearing Qt down among the exit handlers crashes.
inline QApplication *TestApp()
{
    static int argc = 1;
    static char name[] = "merrowick-test";
    static char *argv[] = {name, nullptr};
    static QApplication *app = new QApplication(argc, argv);
    return app;
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

// Makes the application before any member widget of a fixture.
struct WithTestApp {
    WithTestApp() { TestApp(); }
};

class QtTest : private WithTestApp, public ::testing::Test
{
  protected:
    void SetUp() override
    {
        Boxes().clear();
        TrailClear();
        PLATQT_SetMessageBoxHook(RecordBox);
    }
    void TearDown() override
    {
        PLATQT_SetMessageBoxHook(nullptr);
        PLATQT_HideResource(nullptr);
        PLATQT_CloseHelp();
    }
    TempConfig mConfig;
};
