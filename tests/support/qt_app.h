// qt_app.h — tests that make widgets: one QApplication on the offscreen platform (set by
// test_env.cpp), message boxes recorded and answered instead of shown, private settings
// for each test, and the modal dialogs a routine opens answered by the test.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <deque>
#include <functional>
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

inline std::vector<std::string> gBoxes; // the texts of the running test's message boxes
inline int gBoxAnswer;                  // what they answer: OK unless the test says otherwise

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
        gBoxAnswer = PLAT_IDOK;
        TrailClear();
        PLATQT_SetMessageBoxHook([](const char *text, const char *, int) -> int {
            gBoxes.push_back(text);
            return gBoxAnswer;
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

// A child widget by object name; fails the test when there is none.
template <class T> T *Child(QWidget *parent, const char *name)
{
    T *child = parent->findChild<T *>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
}

// Runs `step` on every pass of the event loop (modal dialogs' loops included) until it
// returns true: the way a test answers the dialogs a routine opens.
class Robot
{
  public:
    explicit Robot(std::function<bool()> step, int intervalMs = 0) : mStep(std::move(step))
    {
        QObject::connect(&mTimer, &QTimer::timeout, [this] {
            if (mStep())
                mTimer.stop();
        });
        mTimer.start(intervalMs);
    }

  private:
    std::function<bool()> mStep;
    QTimer mTimer;
};

// Answers the modal dialogs as they open, one step each, in order.
class Answers
{
  public:
    using Step = std::function<void(QWidget *)>;
    explicit Answers(std::initializer_list<Step> steps) : mSteps(steps) {}
    bool Done() const { return mSteps.empty(); }

  private:
    std::deque<Step> mSteps;
    Robot mRobot{[this] {
                     QWidget *w = QApplication::activeModalWidget();
                     if (w && !mSteps.empty() && !w->property("answered").toBool() &&
                         w->isVisible()) {
                         w->setProperty("answered", true);
                         Step step = mSteps.front();
                         mSteps.pop_front();
                         step(w);
                     }
                     return mSteps.empty();
                 },
                 10};
};

inline Answers::Step Click(const char *button)
{
    return [button](QWidget *w) { Child<QPushButton>(w, button)->click(); };
}

inline Answers::Step Reject()
{
    return [](QWidget *w) { static_cast<QDialog *>(w)->reject(); };
}

// Rejects every modal dialog while it lives (a new photo's rotation window: as it is).
struct RejectDialogs : Robot {
    RejectDialogs()
        : Robot([] {
              if (auto *d = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                  d->reject();
              return false;
          })
    {
    }
};

// Answers a file dialog with a typed name, as a user would: a selection in the view waits
// for the folder to load.
inline Answers::Step ChooseFile(const std::string &path)
{
    return [path](QWidget *w) {
        ASSERT_NE(qobject_cast<QFileDialog *>(w), nullptr) << w->metaObject()->className();
        Child<QLineEdit>(w, "fileNameEdit")->setText(QString::fromStdString(path));
        QMetaObject::invokeMethod(w, "accept");
        EXPECT_FALSE(w->isVisible()) << path;
    };
}

// Closing a window told the application to end, which stops every later dialog at once;
// a run of the application loop takes that back.
inline void SettleApplication()
{
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}
