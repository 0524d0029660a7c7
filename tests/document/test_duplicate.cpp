// Edit > Duplicate: a copy of the selected piece, whatever it is made of, lands 12 pixels
// right and down in front of the others, selected; undo takes it away again and redo
// brings it back, in one step each.
#include "support/engine_reset.h"

namespace
{

class Duplicate : public PictureEngineTest
{
  protected:
    void TearDown() override
    {
        UNDO_Shutdown();
        PictureEngineTest::TearDown();
    }
};

TEST_F(Duplicate, TheCopyKeepsEverythingButItsPlaceAndUndoRedoTakeItAwayAndBack)
{
    // Clip art turned, mirrored and sized out of proportion; a bubble with a style.
    const struct {
        const char *file;
        int32_t kind, angle, flipH, flipV, style;
        float width, height;
        const char *words;
    } cases[] = {
        {"hat.clp", IMG_OBJ, 45, 1, 0, 0, 123.5f, 40.25f, nullptr},
        {"text4.clp", IMG_TEXT, 0, 0, 1, 3, 160.0f, 77.0f, "HELLO THERE"},
    };
    StartHistory();
    for (const auto &c : cases) {
        AO_KillType(AO_TYPE_IMGOBJ, 0, 0);
        ASSERT_NE(AddPhotoFile(64, 48), nullptr);
        IMGOBJ *dog = IMGOBJ_AddObj("dog.clp", IMG_OBJ, 0, 0, nullptr, nullptr);
        IMGOBJ *o = IMGOBJ_AddObj(c.file, c.kind, 0, 0,
                                  c.words ? Words(c.words, c.style).data() : nullptr, nullptr);
        ASSERT_TRUE(dog && o) << gErrorTrail;
        o->ao.x = gPictureRect.x + 30, o->ao.y = gPictureRect.y + 20;
        o->iAngle = c.angle, o->bFlipH = c.flipH, o->bFlipV = c.flipV;
        o->fWidth = c.width, o->fHeight = c.height;
        AO_SwapObj(&dog->ao, &o->ao); // the original behind another piece
        UNDO_Clear();
        DeselectAll();
        EXPECT_FALSE(UNDO_DuplicateSelected(12, 12)) << "nothing selected";
        o->bSelected = 1, gSelected = o;
        const std::vector<std::string> before = PieceTexts();

        ASSERT_TRUE(UNDO_DuplicateSelected(DUPLICATE_OFFSET, DUPLICATE_OFFSET)) << gErrorTrail;
        std::vector<std::string> after = before;
        o->ao.x += 12, o->ao.y += 12;
        after.push_back(PieceText(o));
        o->ao.x -= 12, o->ao.y -= 12;
        EXPECT_EQ(PieceTexts(), after) << c.file;
        ASSERT_NE(gSelected, o);
        EXPECT_TRUE(gSelected && gSelected->bSelected && !o->bSelected) << "the copy is selected";
        EXPECT_NE(gSelected->iPieceId, o->iPieceId);
        EXPECT_EQ(UNDO_StepCount(), 1);

        ASSERT_TRUE(UNDO_Undo()) << gErrorTrail;
        EXPECT_EQ(PieceTexts(), before) << c.file;
        ASSERT_TRUE(UNDO_Redo()) << gErrorTrail;
        EXPECT_EQ(PieceTexts(), after) << c.file;
    }
    TrailClear();
}

} // namespace
