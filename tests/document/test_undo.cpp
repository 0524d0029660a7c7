// The edit history: each kind of change undone and redone, redo dropped by a new change,
// the modified mark at the saved state, runs of a held button, the bound, and a piece
// whose file has gone.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "document/undo.h"
#include "interface/interface.h"
#include "picture/ao.h"
#include "picture/compose.h"
#include "picture/imgobj.h"
#include "support/bmp_builder.h"
#include "support/engine_reset.h"

namespace
{

// What a user sees of the picture: the photo's size and each piece, back to front.
using PieceView = std::tuple<int32_t, std::string, int32_t, int32_t, float, float, int32_t, int32_t,
                             int32_t, int32_t, std::string>;
struct View {
    int32_t photoWidth, photoHeight;
    std::vector<PieceView> pieces;
    bool operator==(const View &) const = default;
};

View Look()
{
    View v{gPhotoWidth, gPhotoHeight, {}};
    for (AO *e = gAOList; e; e = e->pNext) {
        if (e->iType != AO_TYPE_IMGOBJ || e->bRemove)
            continue;
        const IMGOBJ *o = reinterpret_cast<IMGOBJ *>(e);
        if (o->iKind == IMG_SRC)
            continue;
        v.pieces.emplace_back(o->iKind, o->szFileName, o->ao.x, o->ao.y, o->fWidth, o->fHeight,
                              o->iAngle, o->bFlipH, o->bFlipV, o->iTextStyle, o->szText);
    }
    return v;
}

std::string Describe(const View &v)
{
    std::string s = std::to_string(v.photoWidth) + "x" + std::to_string(v.photoHeight) + ":";
    for (const PieceView &p : v.pieces)
        s += " [" + std::get<1>(p) + " " + std::to_string(std::get<2>(p)) + "," +
             std::to_string(std::get<3>(p)) + " " + std::to_string(std::get<4>(p)) + " a" +
             std::to_string(std::get<6>(p)) + " f" + std::to_string(std::get<7>(p)) +
             std::to_string(std::get<8>(p)) + " '" + std::get<10>(p) + "']";
    return s;
}

class Undo : public PictureEngineTest
{
  public:
    void SetUp() override
    {
        PictureEngineTest::SetUp();
        gMouseDown = gButtonReleased = 0;
        WriteFile((dir / "photo.bmp").string(), SolidBmp(64, 48, 0x808080));
        ASSERT_NE(IMGOBJ_AddObj((dir / "photo.bmp").c_str(), IMG_SRC, 0, 0, nullptr, nullptr),
                  nullptr)
            << gErrorTrail;
        UNDO_Init();
        hat = Add("hat.clp");
        dog = Add("dog.clp");
        text = Add("text4.clp", IMG_TEXT, "HELLO");
        UNDO_Clear(); // the picture as opened
        gModified = 0;
    }
    void TearDown() override
    {
        UNDO_Shutdown();
        PictureEngineTest::TearDown();
    }
    // A piece added as the clip-art and text dialogs add it: one step.
    static IMGOBJ *Add(const char *name, int32_t kind = IMG_OBJ, const char *words = nullptr,
                       int32_t style = 0)
    {
        std::array<char, 208> description{};
        std::memcpy(description.data(), &style, 4);
        if (words)
            std::snprintf(description.data() + 4, 204, "%s", words);
        PICTURE_ChangeBegin(CHANGE_ADD);
        IMGOBJ *obj =
            IMGOBJ_AddObj(name, kind, 0, 0, words ? description.data() : nullptr, nullptr);
        PICTURE_ChangeEnd(CHANGE_ADD);
        EXPECT_NE(obj, nullptr) << gErrorTrail;
        return obj;
    }
    static void Pick(IMGOBJ *obj)
    {
        DeselectAll();
        obj->bSelected = 1;
        gSelected = obj;
    }
    // One run of a held button: Begin before every frame's action, End when let go.
    static void Hold(int32_t control, const std::function<void()> &action, int frames = 1)
    {
        for (int k = 0; k < frames; k++) {
            PICTURE_ChangeBegin(CHANGE_BUTTON + control);
            action();
            FakeAdvanceClock(90);
        }
        PICTURE_ChangeEnd(CHANGE_BUTTON + control);
    }
    // Runs the frame procedures of the image objects once (the drag, removals, rebuilds).
    static void Frame()
    {
        for (AO *e = gAOList, *next; e; e = next) {
            next = e->pNext;
            if (e->iType == AO_TYPE_IMGOBJ)
                IMGOBJ_AnimateProc(e);
        }
    }
    IMGOBJ *hat = nullptr, *dog = nullptr, *text = nullptr;
};

} // namespace

// Each kind of change: undo gives back the picture before it, redo the picture after it,
// and again and again.
TEST_F(Undo, EveryKindOfChangeIsUndoneAndRedone)
{
    const struct {
        const char *name;
        std::function<void(Undo *)> change;
    } cases[] = {
        {"drag",
         [](Undo *t) {
             Pick(t->hat);
             MouseDown(t->hat->ao.x + 2, t->hat->ao.y + 2);
             MouseMove(t->hat->ao.x + 32, t->hat->ao.y + 22);
             Frame();
             EndDrag();
         }},
        {"move by button",
         [](Undo *t) {
             Pick(t->dog), Hold(
                               CTRL_MOVELEFT, [] { MoveSelected(-3, 0); }, 4);
         }},
        {"size",
         [](Undo *t) {
             Pick(t->hat), Hold(
                               CTRL_BIGGER, [] { ResizeSelectedProportional(2.5f); }, 3);
         }},
        {"narrower to the limit",
         [](Undo *t) { Pick(t->hat), Hold(CTRL_NARROWER, [] { ResizeSelected(-500, 0); }); }},
        {"turn",
         [](Undo *t) {
             Pick(t->hat), Hold(
                               CTRL_ROTATELEFT, [] { RotateSelected(-10); }, 2);
         }},
        {"wheel",
         [](Undo *t) { Pick(t->hat), WheelOnPiece(t->hat->ao.x + 1, t->hat->ao.y + 1, 2, 1); }},
        {"mirror",
         [](Undo *t) {
             Pick(t->dog);
             PICTURE_ChangeBegin(CHANGE_FLIP);
             t->dog->bFlipV = 1;
             PICTURE_ChangeEnd(CHANGE_FLIP);
         }},
        {"layer behind", [](Undo *t) { Pick(t->text), LayerSelected(0); }},
        {"layer forward", [](Undo *t) { Pick(t->hat), LayerSelected(1); }},
        {"delete the middle piece", [](Undo *t) { Pick(t->dog), DeleteSelected(), Frame(); }},
        {"delete a text", [](Undo *t) { Pick(t->text), DeleteSelected(); }},
        {"add clip art", [](Undo *) { Add("dog.clp"); }},
        {"new words",
         [](Undo *t) {
             PICTURE_ChangeBegin(CHANGE_TEXT);
             std::strcpy(t->text->szText, "GOODBYE");
             PICTURE_ChangeEnd(CHANGE_TEXT);
         }},
        {"another style",
         [](Undo *t) {
             std::array<char, 208> d{};
             const int32_t style = 1;
             std::memcpy(d.data(), &style, 4);
             std::strcpy(d.data() + 4, "HELLO");
             PICTURE_ChangeBegin(CHANGE_TEXT);
             ASSERT_NE(IMGOBJ_AddObj("text5.clp", IMG_TEXT, 0, 0, d.data(), t->text), nullptr);
             t->text->ao.bRemove = 1;
             PICTURE_ChangeEnd(CHANGE_TEXT);
         }},
        {"turn the photo", [](Undo *) { ASSERT_TRUE(UNDO_PhotoRotate(90)) << gErrorTrail; }},
        {"turn the photo left", [](Undo *) { ASSERT_TRUE(UNDO_PhotoRotate(270)) << gErrorTrail; }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        const View before = Look();
        c.change(this);
        const View after = Look();
        ASSERT_NE(Describe(before), Describe(after)) << "the change changed nothing";
        EXPECT_EQ(UNDO_StepCount(), 1);
        EXPECT_EQ(UNDO_CanRedo(), 0);
        for (int round = 0; round < 2; round++) {
            ASSERT_TRUE(UNDO_Undo()) << gErrorTrail;
            Frame();
            EXPECT_EQ(Describe(Look()), Describe(before));
            EXPECT_EQ(UNDO_CanUndo(), 0);
            ASSERT_TRUE(UNDO_Redo()) << gErrorTrail;
            Frame();
            EXPECT_EQ(Describe(Look()), Describe(after));
            EXPECT_EQ(UNDO_CanRedo(), 0);
        }
    }
}

// Steps come back in reverse order; a new change drops what could be redone.
TEST_F(Undo, StepsUndoInReverseAndANewChangeDropsTheRedo)
{
    std::vector<View> views{Look()};
    Pick(hat), Hold(CTRL_MOVERIGHT, [] { MoveSelected(5, 0); });
    views.push_back(Look());
    FakeAdvanceClock(5000);
    Pick(dog), DeleteSelected();
    views.push_back(Look());
    Pick(text), LayerSelected(0);
    views.push_back(Look());
    for (int k = 3; k > 0; k--) {
        ASSERT_TRUE(UNDO_Undo()) << gErrorTrail;
        EXPECT_EQ(Describe(Look()), Describe(views[k - 1])) << k;
    }
    EXPECT_FALSE(UNDO_Undo()) << "nothing left";
    ASSERT_TRUE(UNDO_Redo());
    EXPECT_EQ(UNDO_CanRedo(), 1);
    Pick(hat), Hold(CTRL_MOVEUP, [] { MoveSelected(0, -7); });
    EXPECT_EQ(UNDO_CanRedo(), 0) << "a new change drops the redo";
    EXPECT_EQ(UNDO_StepCount(), 2);
    EXPECT_FALSE(UNDO_Redo());
}

// The modified mark follows the saved state: back at it the picture is unmodified.
TEST_F(Undo, UndoingToTheSavedStateClearsTheModifiedMark)
{
    auto move = [this](int32_t dx) {
        FakeAdvanceClock(5000);
        Pick(hat), Hold(CTRL_MOVERIGHT, [dx] { MoveSelected(dx, 0); });
    };
    move(1);
    EXPECT_EQ(gModified, 1);
    UNDO_MarkSaved(), gModified = 0; // saved here
    move(2);
    EXPECT_EQ(gModified, 1);
    const struct {
        bool undo;
        int32_t modified;
    } walk[] = {{true, 0}, {true, 1}, {false, 0}, {false, 1}, {true, 0}};
    for (const auto &w : walk) {
        ASSERT_TRUE(w.undo ? UNDO_Undo() : UNDO_Redo());
        EXPECT_EQ(gModified, w.modified);
    }
    // A change made after undoing past the save leaves no way back to it.
    ASSERT_TRUE(UNDO_Undo());
    move(3);
    ASSERT_TRUE(UNDO_Undo());
    EXPECT_EQ(gModified, 1);
    ASSERT_TRUE(UNDO_Redo());
    EXPECT_EQ(gModified, 1);
    // Clearing (a picture opened) makes the present the saved state.
    UNDO_Clear();
    EXPECT_EQ(UNDO_CanUndo() + UNDO_CanRedo(), 0);
}

// The run of a held button, or of the wheel, is one step; runs apart are two.
TEST_F(Undo, RunsOfOneButtonMakeOneStep)
{
    const struct {
        const char *name;
        int32_t firstTag, secondTag;
        IMGOBJ *Undo::*second;
        uint32_t gap;
        int32_t steps;
    } cases[] = {
        {"key press, then its auto-repeat", CTRL_MOVELEFT, CTRL_MOVELEFT, &Undo::hat, 500, 1},
        {"two presses far apart", CTRL_MOVELEFT, CTRL_MOVELEFT, &Undo::hat, 800, 2},
        {"another button", CTRL_MOVELEFT, CTRL_MOVERIGHT, &Undo::hat, 100, 2},
        {"another piece", CTRL_MOVELEFT, CTRL_MOVELEFT, &Undo::dog, 100, 2},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        const View start = Look();
        Pick(hat), Hold(c.firstTag, [] { MoveSelected(-1, 0); });
        FakeAdvanceClock(c.gap);
        Pick(this->*c.second), Hold(
                                   c.secondTag, [] { MoveSelected(-1, 0); }, 3);
        EXPECT_EQ(UNDO_StepCount(), c.steps);
        for (int k = 0; k < c.steps; k++)
            ASSERT_TRUE(UNDO_Undo());
        EXPECT_EQ(Describe(Look()), Describe(start));
    }
    // A press that changed nothing (a drag that did not move) leaves no step.
    UNDO_Clear();
    Pick(hat);
    MouseDown(hat->ao.x + 1, hat->ao.y + 1);
    EndDrag();
    Hold(CTRL_NARROWER, [] {});
    EXPECT_EQ(UNDO_StepCount(), 0);
}

// The history keeps its last UNDO_MAX_STEPS steps and no pixels.
TEST_F(Undo, TheHistoryIsBounded)
{
    Pick(hat);
    for (int k = 0; k < UNDO_MAX_STEPS + 50; k++) {
        FakeAdvanceClock(1000);
        Hold(k % 2 ? CTRL_MOVELEFT : CTRL_MOVERIGHT, [] { MoveSelected(3, 1); });
    }
    EXPECT_EQ(UNDO_StepCount(), UNDO_MAX_STEPS);
    EXPECT_LT(UNDO_Bytes(), size_t(UNDO_MAX_STEPS) * 2048) << "a few hundred bytes a step";
    const int32_t y = hat->ao.y;
    int undone = 0;
    while (UNDO_CanUndo()) {
        ASSERT_TRUE(UNDO_Undo());
        undone++;
    }
    EXPECT_EQ(undone, UNDO_MAX_STEPS);
    EXPECT_EQ(hat->ao.y, y - UNDO_MAX_STEPS);
    EXPECT_EQ(gModified, 1) << "the opened state fell out of the history";
}

// A deleted piece whose file has gone cannot come back: a message, and the rest stays.
TEST_F(Undo, APieceWhoseFileHasGoneIsReported)
{
    Pick(dog), DeleteSelected(), Frame();
    fs::remove(dir / "clipart" / "dog.clp");
    TrailClear();
    EXPECT_FALSE(UNDO_Undo());
    EXPECT_NE(std::string(gErrorTrail).find("could not be rebuilt"), std::string::npos)
        << gErrorTrail;
    EXPECT_EQ(Look().pieces.size(), 2u);
    EXPECT_EQ(UNDO_CanRedo(), 1);
}
