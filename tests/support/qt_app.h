// qt_app.h — tests that make widgets: one QApplication on the offscreen platform, message
// boxes recorded and answered instead of shown, private settings, and the modal dialogs a
// routine opens answered by the test.
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

#include "picture/ao.h"
#include "picture/imgobj.h"
#include "platform/qt/qt_platform.h"
#include "platform/trail.h"
#include "resources/menus/menus.h"
#include "resources/strings/strings.h"
#include "shell/appstate.h"
#include "shell/shell.h"
#include "support/temp_dir.h"

// Qt's font lookup keeps a few fontconfig blocks for the whole run; they are not ours.
extern "C" __attribute__((used)) inline const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

inline std::vector<std::string> gBoxes; // the texts of the running test's message boxes
inline int gBoxAnswer;                  // what they answer: OK unless the test says otherwise

class QtTest : public ::testing::Test
{
  protected:
    // Made before any member widget and never destroyed: Qt torn down at exit crashes.
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

// Answers the modal dialogs as they open, one step each, in order; while it lives, a dialog
// beyond the steps is rejected and counted.
class Answers
{
  public:
    using Step = std::function<void(QWidget *)>;
    Answers(std::initializer_list<Step> steps) : mSteps(steps) {}
    explicit Answers(const std::vector<Step> &steps) : mSteps(steps.begin(), steps.end()) {}
    bool Done() const { return mSteps.empty() && !mExtra; } // every step used, none beyond

  private:
    std::deque<Step> mSteps;
    int mExtra = 0;
    Robot mRobot{[this] {
                     auto *d = qobject_cast<QDialog *>(QApplication::activeModalWidget());
                     if (!d || !d->isVisible() || d->property("answered").toBool())
                         return false;
                     d->setProperty("answered", true);
                     QObject::connect(
                         d, &QDialog::finished, d, [d] { d->setProperty("answered", false); },
                         Qt::SingleShotConnection);
                     if (mSteps.empty())
                         return mExtra++, d->reject(), false;
                     const Step step = mSteps.front();
                     mSteps.pop_front();
                     step(d);
                     return false;
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

// Answers a file dialog with a typed name, as a user would.
inline Answers::Step ChooseFile(const std::string &path)
{
    return [path](QWidget *w) {
        ASSERT_NE(qobject_cast<QFileDialog *>(w), nullptr) << w->metaObject()->className();
        Child<QLineEdit>(w, "fileNameEdit")->setText(QString::fromStdString(path));
        QMetaObject::invokeMethod(w, "accept");
        EXPECT_FALSE(w->isVisible()) << path;
    };
}

// Closing a window told the application to end, which would stop every later dialog; a run
// of the application loop takes that back.
inline void SettleApplication()
{
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

// A main window of the English menus, made by Make; it goes without a save prompt.
class WindowTest : public QtTest
{
  protected:
    void SetUp() override
    {
        QtTest::SetUp();
        gLanguageOffset = gMailAvailable = gModified = gDocumentOpen = 0;
        gNeedsSaveAs = gFramesSuspended = 0;
    }
    void TearDown() override
    {
        gModified = 0;
        mWindow.reset();
        gpFrameProc = AO_ProcessFlip;
        SettleApplication();
        QtTest::TearDown();
    }
    // A new window in place of the last, over a main folder (empty: the data folder).
    MainWindow *Make(const std::string &mainDir = "", bool create = true)
    {
        if (!mainDir.empty())
            PLAT_WriteProfileString("SETUP", "DirectoryMain", (mainDir + "/").c_str());
        mWindow.reset();
        SettleApplication();
        mWindow =
            std::make_unique<MainWindow>(RES_FindMenu("MENU_ENG"), RES_FindAccel("ACCEL_ENG"));
        EXPECT_TRUE(!create || mWindow->Create() == 0) << (gBoxes.empty() ? "" : gBoxes[0]);
        return mWindow.get();
    }
    // Opens a photo as File > Open does, its turn left as it is.
    static void OpenPhoto(const std::string &path)
    {
        RejectDialogs rotation;
        ASSERT_TRUE(OpenPictureFile(path.c_str(), nullptr)) << gErrorTrail;
    }
    std::string Title() const { return mWindow->windowTitle().trimmed().toStdString(); }
    std::unique_ptr<MainWindow> mWindow;
};
