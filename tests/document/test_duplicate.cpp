// Edit > Duplicate: a copy of the selected piece, whatever it is made of, lands 12 pixels
// right and down in front of the others, selected; undo takes it away again and redo
// brings it back, in one step each.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/undo.h"
#include "picture/ao.h"
#include "picture/imgobj.h"
#include "support/engine_reset.h"

namespace
{

// A piece as the test compares it, its place moved by dx, dy: kind, file, place, exact
// size, turn, mirroring, style, text.
std::string Describe(const IMGOBJ *o, int dx = 0, int dy = 0)
{
    return std::to_string(o->iKind) + " " + o->szFileName + " " + std::to_string(o->ao.x + dx) +
           "," + std::to_string(o->ao.y + dy) + " " + std::to_string(o->fWidth) + "x" +
           std::to_string(o->fHeight) + " a" + std::to_string(o->iAngle) + " f" +
           std::to_string(o->bFlipH) + std::to_string(o->bFlipV) + " s" +
           std::to_string(o->iTextStyle) + " '" + o->szText + "'";
}

// The pieces back to front.
std::vector<std::string> Pieces()
{
    std::vector<std::string> out;
    for (AO *e = gAOList; e; e = e->pNext) {
        const IMGOBJ *o = reinterpret_cast<IMGOBJ *>(e);
        if (e->iType == AO_TYPE_IMGOBJ && !e->bRemove && o->iKind != IMG_SRC)
            out.push_back(Describe(o));
    }
    return out;
}

class Duplicate : public PictureEngineTest
{
  protected:
    void SetUp() override
    {
        PictureEngineTest::SetUp();
        ASSERT_NE(AddPhotoFile(64, 48), nullptr);
        StartHistory();
    }
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
        int32_t kind;
        int32_t angle, flipH, flipV, style;
        float width, height;
        const char *words;
    } cases[] = {
        {"hat.clp", IMG_OBJ, 45, 1, 0, 0, 123.5f, 40.25f, nullptr},
        {"text4.clp", IMG_TEXT, 0, 0, 1, 3, 160.0f, 77.0f, "HELLO THERE"},
    };
    for (const auto &c : cases) {
        AO_KillType(AO_TYPE_IMGOBJ, 0, 0);
        ASSERT_NE(AddPhotoFile(64, 48), nullptr);
        UNDO_Clear();
        IMGOBJ *dog = IMGOBJ_AddObj("dog.clp", IMG_OBJ, 0, 0, nullptr, nullptr);
        IMGOBJ *o = IMGOBJ_AddObj(c.file, c.kind, 0, 0,
                                  c.words ? Words(c.words, c.style).data() : nullptr, nullptr);
        ASSERT_TRUE(dog && o) << gErrorTrail;
        o->ao.x = gPictureRect.x + 30, o->ao.y = gPictureRect.y + 20;
        o->iAngle = c.angle, o->bFlipH = c.flipH, o->bFlipV = c.flipV;
        o->fWidth = c.width, o->fHeight = c.height;
        AO_SwapObj(&dog->ao, &o->ao); // the original behind another piece
        DeselectAll(), o->bSelected = 1, gSelected = o;
        const std::vector<std::string> before = Pieces();

        ASSERT_TRUE(UNDO_DuplicateSelected(DUPLICATE_OFFSET, DUPLICATE_OFFSET)) << gErrorTrail;
        std::vector<std::string> after = before;
        after.push_back(Describe(o, 12, 12));
        EXPECT_EQ(Pieces(), after) << c.file;
        ASSERT_NE(gSelected, o);
        EXPECT_TRUE(gSelected && gSelected->bSelected && !o->bSelected) << "the copy is selected";
        EXPECT_NE(gSelected->iPieceId, o->iPieceId);
        EXPECT_EQ(UNDO_StepCount(), 1);

        ASSERT_TRUE(UNDO_Undo()) << gErrorTrail;
        EXPECT_EQ(Pieces(), before) << c.file;
        ASSERT_TRUE(UNDO_Redo()) << gErrorTrail;
        EXPECT_EQ(Pieces(), after) << c.file;
    }
}

TEST_F(Duplicate, WithoutASelectedPieceNothingChanges)
{
    ASSERT_NE(IMGOBJ_AddObj("hat.clp", IMG_OBJ, 0, 0, nullptr, nullptr), nullptr);
    UNDO_Clear();
    DeselectAll();
    const std::vector<std::string> before = Pieces();
    EXPECT_FALSE(UNDO_DuplicateSelected(12, 12));
    EXPECT_EQ(Pieces(), before);
    EXPECT_EQ(UNDO_StepCount(), 0);
    TrailClear();
}

} // namespace
