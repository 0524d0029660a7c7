// A random editing run through the real main window on Qt's offscreen platform: commands
// through the window's dispatch and their keys, mouse presses, drags and the wheel on the
// picture, right clicks and their menu, window resizes, with the dialogs they open (files,
// clip art, text, photo turn and size, the save prompt) answered at random. The display list
// and the pieces are checked after every step.
#include <QAbstractEventDispatcher>
#include <QAction>
#include <QClipboard>
#include <QDateTime>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include "document/undo.h"
#include "interface/interface.h"
#include "resources/menus/commands.h"
#include "resources/menus/menus.h"
#include "resources/strings/strings.h"
#include "shell/appstate.h"
#include "shell/shell.h"
#include "shell/shellcore.h"
#include "support/bmp_builder.h"
#include "support/qt_app.h"
#include "support/random_run.h"

namespace
{

// The actions draw from one generator, the answers to dialogs and menus from another: how
// often the answering timer finds a dialog depends on the machine's speed, and must not
// change the actions that follow.
std::mt19937 sRng, sAnswers;
std::vector<std::string> sUnexpected; // message boxes other than the save prompt

class RandomWindowRun : public QtTest
{
  protected:
    void SetUp() override
    {
        QtTest::SetUp();
        sRng.seed(RandomRunSeed());
        sAnswers.seed(RandomRunSeed() + 1);
        gLanguageOffset = gModified = gDocumentOpen = gNeedsSaveAs = gFramesSuspended = 0;
        PLAT_WriteProfileString("SETUP", "DirectoryApp", (mDir.Path() + "/").c_str());
        WriteFile(mDir / "photo.bmp", SolidBmp(30, 20, 0x4080C0));
        PLATQT_SetMessageBoxHook([](const char *text, const char *, int flags) -> int {
            if (flags != (PLAT_MB_YESNOCANCEL | PLAT_MB_ICONQUESTION))
                return sUnexpected.push_back(text), PLAT_IDOK;
            return std::array{PLAT_IDYES, PLAT_IDNO, PLAT_IDCANCEL}[RandomIn(sAnswers, 0, 2)];
        });
        // A picture to paste (Copy picture puts the composed one there in turn).
        QImage pasted(24, 16, QImage::Format_ARGB32);
        pasted.fill(0xC0FF8000);
        QGuiApplication::clipboard()->setImage(pasted);
        mWindow =
            std::make_unique<MainWindow>(RES_FindMenu("MENU_ENG"), RES_FindAccel("ACCEL_ENG"));
        ASSERT_EQ(mWindow->Create(), 0);
        mWindow->FrameTimer().stop(); // the run ticks the frames itself
        mWindow->show();
        mWindow->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(mWindow.get()));
        // Each answer from a call of its own: the timer does not fire again inside its own
        // call, and a dialog that an answer opens needs answering too.
        QObject::connect(&mAnswerer, &QTimer::timeout,
                         [this] { QTimer::singleShot(0, &mAnswerer, [this] { Answer(); }); });
        mAnswerer.start(5);
        mOpenPhoto = true;
        mWindow->OnCommand(IDM_OPEN);
        ASSERT_EQ(gPictureExists, 1) << gErrorTrail;
        ASSERT_STREQ(gErrorTrail, "") << "the level and the photo loaded without a line";
    }
    void TearDown() override
    {
        mAnswerer.stop();
        gModified = 0; // no save prompt on the way out
        mWindow.reset();
        // Closing the window told the application to end; a run of its loop takes that back.
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
        QtTest::TearDown();
    }
    // Answers the menu or dialog in front, once, as a user might; cancels a dialog that is
    // still open a second after its answer (a text dialog with nothing to add, say).
    void Answer()
    {
        if (QWidget *popup = QApplication::activePopupWidget()) {
            for (int k = RandomIn(sAnswers, 0, 4); k > 0; k--)
                QTest::keyClick(popup, Qt::Key_Down);
            QTest::keyClick(popup, RandomIn(sAnswers, 0, 3) ? Qt::Key_Return : Qt::Key_Escape);
            return;
        }
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        if (!dialog || !dialog->isVisible())
            return;
        if (dialog->property("answered").isValid()) {
            if (now - dialog->property("answered").toLongLong() > 1000)
                dialog->reject();
            return;
        }
        dialog->setProperty("answered", now);
        const QString name = dialog->objectName();
        auto click = [dialog](const std::string &button) {
            if (auto *b = dialog->findChild<QAbstractButton *>(QString::fromStdString(button)))
                b->click();
        };
        if (!mOpenPhoto && RandomIn(sAnswers, 0, 7) == 0) {
            dialog->reject();
        } else if (auto *files = qobject_cast<QFileDialog *>(dialog)) {
            const bool save = files->acceptMode() == QFileDialog::AcceptSave;
            const bool layout = fs::exists(mDir / "saved.mwi") && RandomIn(sAnswers, 0, 1);
            const std::string file = save ? (RandomIn(sAnswers, 0, 3) ? "saved.mwi" : "out.jpg")
                                          : (layout && !mOpenPhoto ? "saved.mwi" : "photo.bmp");
            mOpenPhoto = false;
            files->findChild<QLineEdit *>("fileNameEdit")
                ->setText(QString::fromStdString(mDir / file));
            QMetaObject::invokeMethod(files, "accept");
        } else if (auto *box = qobject_cast<QMessageBox *>(dialog)) {
            box->button(QMessageBox::Yes) ? box->button(QMessageBox::Yes)->click() : box->accept();
        } else if (name == "NewDialog") {
            mOpenPhoto = true; // a photo: the blank canvas is too large for a quick run
            click("okButton");
        } else if (name == "PhotoRotateDialog") {
            for (int k = RandomIn(sAnswers, 0, 2); k > 0; k--)
                click(RandomIn(sAnswers, 0, 1) ? "button1118" : "button1119");
            click("okButton");
        } else if (name == "PhotoSizeDialog") {
            click("radio" + std::to_string(RandomIn(sAnswers, 301, 305)));
            click("okButton");
        } else if (name == "ClipArtDialog") {
            auto *list = dialog->findChild<QListWidget *>("list1076");
            list->setCurrentRow(RandomIn(sAnswers, 0, list->count() - 1));
            click("okButton");
        } else if (name == "AddTextDialog") {
            static const char *words[] = {"hello", "for sale", "a-b c-d e-f"};
            auto *edit = dialog->findChild<QTextEdit *>("edit1081");
            QTest::keyClicks(edit, words[RandomIn(sAnswers, 0, 2)]);
            if (RandomIn(sAnswers, 0, 2) == 0)
                QTest::keyClick(edit, Qt::Key_Return), QTest::keyClicks(edit, "more");
            click("radio" + std::to_string(RandomIn(sAnswers, 301, 311)));
            click("okButton");
        } else {
            dialog->reject(); // setup, about: not part of the run
        }
    }
    TempDir mDir, mData;
    ScopedEnv mDataHome{"XDG_DATA_HOME", mData.Path()}; // pasted stickers go here
    std::unique_ptr<MainWindow> mWindow;
    QTimer mAnswerer;
    bool mOpenPhoto = false; // the next file dialog opens the photo
};

} // namespace

TEST_F(RandomWindowRun, EveryStepKeepsTheListAndThePiecesSound)
{
    QWidget *area = mWindow->Area();
    const ACCELTABLE *accel = RES_FindAccel("ACCEL_ENG");
    const MENUDEF *menu = RES_FindMenu("MENU_ENG");
    auto point = [] {
        const auto [x, y] = RandomPoint(sRng);
        return QPoint(x, y);
    };
    // Everything posted so far is handled (a command a menu or a key posted, and what its
    // dialog's answer posted in turn), so nothing of an earlier step lands in a check.
    auto drain = [] {
        for (int k = 0;
             k < 50 && QCoreApplication::eventDispatcher()->processEvents(QEventLoop::AllEvents);
             k++) {
        }
    };
    auto ticks = [this](int n) {
        for (int k = 0; k < n; k++)
            mWindow->OnFrameTick();
    };
    // What leaves the program's window (printing, mail, help, the web) stays out.
    auto inWindow = [](int id) {
        return id != IDM_PRINT && id != IDM_EMAIL && id != IDM_EXIT && id != IDM_CONTENTS &&
               id != IDM_GETTINGSTARTED && id != IDM_WEBSITE;
    };
    // A command as its menu item sends it: only while the item is not greyed.
    auto run = [&](int id) {
        if (QAction *action = mWindow->ActionFor(id); action && action->isEnabled() && inWindow(id))
            action->trigger();
    };
    Qt::MouseButtons held;
    const std::vector<RandomAction> table = {
        {"command", 12, [&] { run(menu->pItems[RandomIn(sRng, 0, menu->iCount - 1)].iId); }},
        {"add", 4, [&] { run(RandomIn(sRng, 0, 2) ? IDM_CLIPART : IDM_TEXT); }},
        {"undo and redo", 3,
         [&] {
             drain();
             if (mWindow->ActionFor(IDM_UNDO)->isEnabled() && !gMouseDown) {
                 ASSERT_EQ(ThereAndBackProblem([&] { return run(IDM_UNDO), run(IDM_REDO), true; },
                                               [&] { ticks(2); }),
                           "");
             }
         }},
        {"key", 10,
         [&] {
             const ACCELDEF &row = accel->pEntries[RandomIn(sRng, 0, accel->iCount - 1)];
             char name[64];
             const QKeyCombination key =
                 QKeySequence(QString::fromLatin1(ACCEL_KeyName(&row, name, sizeof name)))[0];
             if (inWindow(row.iCommand))
                 QTest::keyClick(mWindow.get(), key.key(), key.keyboardModifiers());
         }},
        {"delete key", 2, [&] { QTest::keyClick(mWindow.get(), Qt::Key_Delete); }},
        {"press", 6,
         [&] { QTest::mousePress(area, Qt::LeftButton, {}, point()), held = Qt::LeftButton; }},
        {"move", 8,
         [&] {
             QMouseEvent move(QEvent::MouseMove, point(), QPointF(), Qt::NoButton, held, {});
             QApplication::sendEvent(area, &move);
         }},
        {"release", 5, [&] { QTest::mouseRelease(area, Qt::LeftButton, {}, point()), held = {}; }},
        {"right click", 2, [&] { QTest::mouseClick(area, Qt::RightButton, {}, point()); }},
        {"wheel", 3,
         [&] {
             const QPoint at = point();
             QWheelEvent wheel(at, area->mapToGlobal(at), {}, {0, 120 * RandomIn(sRng, -2, 2)},
                               held, RandomIn(sRng, 0, 1) ? Qt::ControlModifier : Qt::NoModifier,
                               Qt::NoScrollPhase, false);
             QApplication::sendEvent(area, &wheel);
         }},
        // A window is resized by its frame, never while the button is held on the picture.
        // To the new size and back, every piece returns to its pixel.
        {"resize", 3,
         [&] {
             const QSize size(RandomIn(sRng, 800, 1280), RandomIn(sRng, 600, 1024));
             const QSize old = mWindow->size();
             auto resize = [&](QSize to) {
                 mWindow->resize(to), QCoreApplication::processEvents();
             };
             drain();
             if (!gMouseDown) {
                 ASSERT_EQ(ThereAndBackProblem([&] { return resize(size), resize(old), true; },
                                               [&] { ticks(2); }),
                           "");
                 resize(size);
             }
         }},
        {"ticks", 6, [&] { ticks(RandomIn(sRng, 1, 6)); }},
    };
    const int steps = RandomRunSteps(200); // a few seconds
    for (int step = 1; step <= steps && !HasFailure(); step++) {
        const RandomAction &action = NextAction(sRng, table);
        SCOPED_TRACE("seed " + std::to_string(RandomRunSeed()) + ", step " + std::to_string(step) +
                     ": " + action.name);
        action.run();
        QCoreApplication::processEvents(); // posted commands, resizes
        // Settled: a press that ended (a dialog took its release) is let go in the first
        // frame, its button rebuilds the piece in the second, the piece in the third.
        const bool settle = RandomIn(sRng, 0, 3) != 0;
        if (settle)
            ticks(3);
        ASSERT_EQ(PictureProblem(settle), "");
        ASSERT_EQ(sUnexpected, std::vector<std::string>());
        // What failed was shown (and the trail emptied); what succeeded left no line.
        ASSERT_STREQ(gErrorTrail, "");
        // The commands follow the selection and the history.
        ASSERT_EQ(gCommandState, !gSelected
                                     ? Pieces().empty() ? CMDSTATE_NO_PIECES : CMDSTATE_UNSELECTED
                                 : gSelected->iKind == IMG_OBJ ? CMDSTATE_CLIPART
                                                               : CMDSTATE_TEXT);
        ASSERT_EQ(mWindow->ActionFor(IDM_UNDO)->isEnabled(), UNDO_CanUndo() == 1);
        ASSERT_EQ(mWindow->ActionFor(IDM_REDO)->isEnabled(), UNDO_CanRedo() == 1);
    }
}
