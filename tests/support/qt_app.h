// qt_app.h — tests that make widgets: one QApplication on the offscreen platform (set by
// test_env.cpp), message boxes recorded instead of shown, private settings for each test.
#pragma once

#include <QApplication>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "platform/qt/qt_platform.h"
#include "platform/trail.h"
#include "support/temp_dir.h"

// Qt's font lookup keeps a few fontconfig blocks for the whole run; they are not ours.
// (Each test executable has one file that includes this header.)
extern "C" __attribute__((used)) inline const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

struct RecordedBox {
    std::string text;
};
inline std::vector<RecordedBox> gBoxes; // the message boxes of the running test

class QtTest : public ::testing::Test
{
  protected:
    // Made before any member widget of a fixture and never destroyed: tearing Qt down
    // among the exit handlers crashes.
    QtTest()
    {
        static int argc = 1;
        static char name[] = "merrowick-test", *argv[] = {name, nullptr};
        [[maybe_unused]] static QApplication *app = new QApplication(argc, argv);
    }
    void SetUp() override
    {
        gBoxes.clear();
        TrailClear();
        PLATQT_SetMessageBoxHook([](const char *text, const char *, int) -> int {
            gBoxes.push_back({text});
            return PLAT_IDOK;
        });
    }
    void TearDown() override
    {
        PLATQT_SetMessageBoxHook(nullptr);
        PLATQT_HideResource(nullptr);
        PLATQT_CloseHelp();
    }
    TempConfig mConfig;
};
