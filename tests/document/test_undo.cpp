// The edit history, duplicates and cropping the photo.
#include <functional>

#include "interface/interface.h"
#include "picture/crop.h"
#include "support/engine_reset.h"

namespace
{

// What a user sees of the picture: the photo's size and each piece, back to front.
std::string Look()
{
    std::string v = std::to_string(gPhotoWidth) + "x" + std::to_string(gPhotoHeight) + ":";
    for (const std::string &piece : PieceTexts())
        v += " [" + piece + "]";
    return v;
}

class Undo : public PictureEngineTest
{
  public:
    void SetUp() override
    {
        PictureEngineTest::SetUp();
        gMouseDown = gButtonReleased = 0;
        ASSERT_NE(AddPhotoFile(64, 48), nullptr);
        StartHistory();
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
    static IMGOBJ *Add(const char *name, int32_t kind = IMG_OBJ, const char *words = nullptr)
    {
        IMGOBJ *obj = nullptr;
        Change(CHANGE_ADD, [&] {
            obj = IMGOBJ_AddObj(name, kind, 0, 0, words ? Words(words).data() : nullptr, nullptr);
        });
        EXPECT_NE(obj, nullptr) << gErrorTrail;
        return obj;
    }
    // One change of a kind, as the editor makes it.
    static void Change(int32_t kind, const std::function<void()> &action)
    {
        PICTURE_ChangeBegin(kind);
        action();
        PICTURE_ChangeEnd(kind);
    }
    static void Pick(IMGOBJ *obj)
    {
        DeselectAll();
        obj->bSelected = 1;
        gSelected = obj;
    }
    // One run of a held button on a piece (the selection when null): Begin before every
    // frame's action, End when let go.
    static void Hold(IMGOBJ *obj, int32_t control, int frames, const std::function<void()> &action)
    {
        if (obj)
            Pick(obj);
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
         [](Undo *t) { Hold(t->dog, CTRL_MOVELEFT, 4, [] { MoveSelected(-3, 0); }); }},
        {"size",
         [](Undo *t) { Hold(t->hat, CTRL_BIGGER, 3, [] { ResizeSelectedProportional(2.5f); }); }},
        {"wheel",
         [](Undo *t) { Pick(t->hat), WheelOnPiece(t->hat->ao.x + 1, t->hat->ao.y + 1, 2, 1); }},
        {"mirror", [](Undo *t) { Pick(t->dog), Change(CHANGE_FLIP, [t] { t->dog->bFlipV = 1; }); }},
        {"layer behind", [](Undo *t) { Pick(t->text), LayerSelected(0); }},
        {"delete the middle piece", [](Undo *t) { Pick(t->dog), DeleteSelected(), Frame(); }},
        {"add clip art", [](Undo *) { Add("dog.clp"); }},
        {"new words",
         [](Undo *t) { Change(CHANGE_TEXT, [t] { std::strcpy(t->text->szText, "BYE"); }); }},
        {"another style",
         [](Undo *t) {
             Change(CHANGE_TEXT, [t] {
                 ASSERT_NE(
                     IMGOBJ_AddObj("text5.clp", IMG_TEXT, 0, 0, Words("HELLO", 1).data(), t->text),
                     nullptr);
                 t->text->ao.bRemove = 1;
             });
         }},
        {"turn the photo", [](Undo *) { ASSERT_TRUE(UNDO_PhotoRotate(90)) << gErrorTrail; }},
        {"turn the photo left", [](Undo *) { ASSERT_TRUE(UNDO_PhotoRotate(270)) << gErrorTrail; }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        const std::string before = Look();
        c.change(this);
        const std::string after = Look();
        ASSERT_NE(before, after) << "the change changed nothing";
        EXPECT_EQ(UNDO_StepCount(), 1);
        EXPECT_EQ(UNDO_CanRedo(), 0);
        for (int round = 0; round < 2; round++) {
            ASSERT_TRUE(UNDO_Undo()) << gErrorTrail;
            Frame();
            EXPECT_EQ(Look(), before);
            EXPECT_EQ(UNDO_CanUndo(), 0);
            ASSERT_TRUE(UNDO_Redo()) << gErrorTrail;
            Frame();
            EXPECT_EQ(Look(), after);
            EXPECT_EQ(UNDO_CanRedo(), 0);
        }
    }
}

// A new change drops what could be redone, and with it a way back to a save among it.
TEST_F(Undo, StepsWalkBackAndForthAndTheModifiedMarkFollowsTheSavedState)
{
    std::vector<std::string> views{Look()};
    Hold(hat, CTRL_MOVERIGHT, 1, [] { MoveSelected(5, 0); });
    views.push_back(Look());
    UNDO_MarkSaved(), gModified = 0; // saved here
    FakeAdvanceClock(5000);
    Pick(dog), DeleteSelected();
    views.push_back(Look());
    Pick(text), LayerSelected(0);
    views.push_back(Look());
    EXPECT_EQ(gModified, 1);
    const struct {
        bool undo;
        size_t at;
        int32_t modified;
    } walk[] = {{true, 2, 1},  {true, 1, 0}, {true, 0, 1}, {false, 1, 0},
                {false, 2, 1}, {true, 1, 0}, {true, 0, 1}};
    for (const auto &w : walk) {
        ASSERT_TRUE(w.undo ? UNDO_Undo() : UNDO_Redo()) << gErrorTrail;
        EXPECT_EQ(Look(), views[w.at]) << w.at;
        EXPECT_EQ(gModified, w.modified) << w.at;
    }
    EXPECT_FALSE(UNDO_Undo()) << "nothing left";
    Hold(hat, CTRL_MOVEUP, 1, [] { MoveSelected(0, -7); });
    EXPECT_EQ(std::pair(UNDO_StepCount(), UNDO_CanRedo()), std::pair(1, 0)) << "the redo dropped";
    EXPECT_FALSE(UNDO_Redo());
    for (int k = 0; k < 2; k++) { // neither end is the saved state any more
        ASSERT_TRUE(k ? UNDO_Redo() : UNDO_Undo());
        EXPECT_EQ(gModified, 1) << k;
    }
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
        const std::string start = Look();
        Hold(hat, c.firstTag, 1, [] { MoveSelected(-1, 0); });
        FakeAdvanceClock(c.gap);
        Hold(this->*c.second, c.secondTag, 3, [] { MoveSelected(-1, 0); });
        EXPECT_EQ(UNDO_StepCount(), c.steps);
        for (int k = 0; k < c.steps; k++)
            ASSERT_TRUE(UNDO_Undo());
        EXPECT_EQ(Look(), start);
    }
    // A press that changed nothing (a drag that did not move) leaves no step.
    UNDO_Clear();
    Pick(hat);
    MouseDown(hat->ao.x + 1, hat->ao.y + 1);
    EndDrag();
    Hold(nullptr, CTRL_NARROWER, 1, [] {});
    EXPECT_EQ(UNDO_StepCount(), 0);
}

// The history keeps its last UNDO_MAX_STEPS steps and no pixels.
TEST_F(Undo, TheHistoryIsBounded)
{
    Pick(hat);
    for (int k = 0; k < UNDO_MAX_STEPS + 50; k++) {
        FakeAdvanceClock(1000);
        Hold(nullptr, k % 2 ? CTRL_MOVELEFT : CTRL_MOVERIGHT, 1, [] { MoveSelected(3, 1); });
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
    const std::string now = Look();
    EXPECT_EQ(std::count(now.begin(), now.end(), '['), 2);
    EXPECT_EQ(UNDO_CanRedo(), 1);
}

// Edit > Duplicate: a copy of the selected piece, whatever it is made of, lands 12 pixels
// right and down in front of the others, selected; undo and redo take it away and back.
TEST_F(Undo, ADuplicateKeepsAllButItsPlaceAndIsOneStep)
{
    hat->iAngle = 45, hat->bFlipH = 1, hat->fWidth = 123.5f, hat->fHeight = 40.25f;
    text->bFlipV = 1, text->iTextStyle = 3, text->fWidth = 160, text->fHeight = 77;
    DeselectAll();
    EXPECT_FALSE(UNDO_DuplicateSelected(12, 12)) << "nothing selected";
    for (IMGOBJ *o : {hat, text}) { // the hat behind the other pieces
        UNDO_Clear();
        Pick(o);
        const std::vector<std::string> before = PieceTexts();
        ASSERT_TRUE(UNDO_DuplicateSelected(DUPLICATE_OFFSET, DUPLICATE_OFFSET)) << gErrorTrail;
        std::vector<std::string> after = before;
        o->ao.x += 12, o->ao.y += 12;
        after.push_back(PieceText(o));
        o->ao.x -= 12, o->ao.y -= 12;
        EXPECT_EQ(PieceTexts(), after);
        ASSERT_NE(gSelected, o);
        EXPECT_TRUE(gSelected && gSelected->bSelected && !o->bSelected) << "the copy is selected";
        EXPECT_NE(gSelected->iPieceId, o->iPieceId);
        EXPECT_EQ(UNDO_StepCount(), 1);
        ASSERT_TRUE(UNDO_Undo()) << gErrorTrail;
        EXPECT_EQ(PieceTexts(), before);
        ASSERT_TRUE(UNDO_Redo()) << gErrorTrail;
        EXPECT_EQ(PieceTexts(), after);
    }
}

namespace
{

class Crop : public PictureEngineTest
{
  protected:
    void SetUp() override
    {
        PictureEngineTest::SetUp();
        ASSERT_NE(AddPatternPhoto(dir.string()), nullptr) << gErrorTrail;
        original = Pixels(24, 16);
        StartHistory();
        gFramesRunning = 1;
        Frames();
    }
    void TearDown() override
    {
        UNDO_Shutdown();
        PictureEngineTest::TearDown();
    }
    // The photo's full-resolution pixels, w × h from its corner.
    static std::vector<uint8_t> Pixels(int32_t w, int32_t h)
    {
        std::vector<uint8_t> out;
        LPDDS s = ListedObjects()[0]->iiRes[HI_RES_OBJ].DDSSurface;
        for (int32_t row = 0; row < h; row++)
            out.insert(out.end(), DXPixel(s, 0, row), DXPixel(s, 0, row) + 3 * w);
        return out;
    }
    static void Frames()
    {
        for (int i = 0; i < 2; i++)
            ASSERT_TRUE(AO_ProcessFlip()) << gErrorTrail;
    }
    // Where a piece's corner lies on the photo, in photo pixels.
    static std::pair<double, double> OnPhoto(const IMGOBJ *piece)
    {
        return {(piece->ao.x - gPictureRect.x) * double(gPhotoWidth) / gPictureRect.w,
                (piece->ao.y - gPictureRect.y) * double(gPhotoHeight) / gPictureRect.h};
    }
    std::vector<uint8_t> original;
};

} // namespace

// The hat stays on its spot of the photo and grows with the photo's scale.
TEST_F(Crop, CutUndoAndRedoKeepThePixelsAndThePiecesPlaces)
{
    IMGOBJ *hat = IMGOBJ_AddObj("hat.clp", IMG_OBJ, 0, 0, nullptr, nullptr);
    ASSERT_NE(hat, nullptr) << gErrorTrail;
    // The hat's corner on photo pixel (8, 6).
    hat->ao.x = gPictureRect.x + 8 * gPictureRect.w / 24;
    hat->ao.y = gPictureRect.y + 6 * gPictureRect.h / 16;
    Frames();
    const auto spot = OnPhoto(hat);
    const XYWH rectBefore = gPictureRect;
    const int32_t hatX = hat->ao.x, hatY = hat->ao.y;
    const float hatW = hat->fWidth;
    gModified = 0;

    ASSERT_TRUE(UNDO_PhotoCrop(6, 4, 12, 8)) << gErrorTrail;
    Frames();
    EXPECT_EQ(std::pair(gPhotoWidth, gPhotoHeight), std::pair(12, 8));
    std::vector<uint8_t> cut;
    for (int row = 4; row < 12; row++)
        cut.insert(cut.end(), original.begin() + (row * 24 + 6) * 3,
                   original.begin() + (row * 24 + 18) * 3);
    EXPECT_EQ(Pixels(12, 8), cut);
    const auto after = OnPhoto(hat);
    EXPECT_NEAR(after.first, spot.first - 6, 0.1);
    EXPECT_NEAR(after.second, spot.second - 4, 0.1);
    EXPECT_NEAR(hat->fWidth / gPictureRect.w * 12, hatW / rectBefore.w * 24, 0.02)
        << "the same part of the photo wide";
    EXPECT_EQ(gModified, 1);
    EXPECT_EQ(gErrorTrail[0], '\0');

    ASSERT_TRUE(UNDO_Undo()) << gErrorTrail;
    Frames();
    EXPECT_EQ(std::pair(gPhotoWidth, gPhotoHeight), std::pair(24, 16));
    EXPECT_EQ(Pixels(24, 16), original) << "the cut-away parts are back";
    EXPECT_EQ(std::pair(gPictureRect.w, gPictureRect.h), std::pair(rectBefore.w, rectBefore.h));
    EXPECT_EQ(std::pair(hat->ao.x, hat->ao.y), std::pair(hatX, hatY));
    EXPECT_EQ(gModified, 0) << "back at the state on disk";

    ASSERT_TRUE(UNDO_Redo()) << gErrorTrail;
    Frames();
    EXPECT_EQ(std::pair(gPhotoWidth, gPhotoHeight), std::pair(12, 8));
    EXPECT_EQ(Pixels(12, 8), cut);
    EXPECT_NEAR(OnPhoto(hat).first, spot.first - 6, 0.1);
}

// A rectangle that is not inside the photo changes nothing and leaves no step.
TEST_F(Crop, RectanglesOutsideThePhotoAreRefused)
{
    const struct {
        int32_t x, y, w, h;
    } bad[] = {{-1, 0, 10, 10}, {0, -1, 10, 10}, {0, 0, 0, 10}, {0, 0, 10, 0},
               {20, 0, 5, 10},  {0, 10, 10, 7},  {0, 0, 25, 16}};
    for (const auto &r : bad) {
        TrailClear();
        EXPECT_FALSE(UNDO_PhotoCrop(r.x, r.y, r.w, r.h)) << r.x << "," << r.y << " " << r.w;
        EXPECT_NE(gErrorTrail[0], '\0');
    }
    EXPECT_EQ(std::pair(gPhotoWidth, gPhotoHeight), std::pair(24, 16));
    EXPECT_EQ(Pixels(24, 16), original);
    EXPECT_EQ(UNDO_CanUndo(), 0);
    EXPECT_EQ(gModified, 0);
    TrailClear();
    EXPECT_TRUE(UNDO_PhotoCrop(0, 0, 24, 16)) << "the whole photo is a rectangle inside it";
}

// The history keeps the whole photo of at most UNDO_MAX_KEPT_PHOTOS cuts: the steps before
// them go, and the bytes are counted.
TEST_F(Crop, TheHistoryKeepsABoundedNumberOfPhotos)
{
    const size_t empty = UNDO_Bytes();
    for (int i = 0; i < UNDO_MAX_KEPT_PHOTOS + 2; i++)
        ASSERT_TRUE(UNDO_PhotoCrop(1, 0, gPhotoWidth - 1, gPhotoHeight)) << gErrorTrail;
    EXPECT_EQ(gPhotoWidth, 24 - UNDO_MAX_KEPT_PHOTOS - 2);
    EXPECT_EQ(UNDO_StepCount(), UNDO_MAX_KEPT_PHOTOS);
    EXPECT_GT(UNDO_Bytes(), empty + UNDO_MAX_KEPT_PHOTOS * 16 * 3 * 16);
    while (UNDO_CanUndo())
        ASSERT_TRUE(UNDO_Undo()) << gErrorTrail;
    EXPECT_EQ(gPhotoWidth, 24 - 2) << "the two oldest cuts can no longer be undone";
}
