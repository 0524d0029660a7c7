// Decoded clip art shared by the pieces of one file: decoded once, decoded again when the
// file changes, freed with its last piece, while each piece keeps its own size and turns.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "clipart/artcache.h"
#include "tests/support/engine_reset.h"

namespace
{

class ArtShare : public PictureEngineTest
{
  protected:
    // A 40 × 20 bitmap, its left half `left` and its right half blue.
    void WriteHalves(uint32_t left)
    {
        WriteFile((dir / "clipart/half.clp").string(),
                  PictureBmp(40, 20, [left](int x, int) { return x < 20 ? left : 0x0000FFu; }));
    }
    static IMGOBJ *Piece() { return IMGOBJ_AddObj("half.clp", IMG_OBJ, 0, 0, nullptr, nullptr); }
    static uint32_t Art(const IMGOBJ *o, int x)
    {
        return DXGetPixel(o->iiRes[HI_RES_OBJ].DDSSurface, x, 5);
    }
    static uint32_t Shown(const IMGOBJ *o, int x)
    {
        return DXGetPixel(o->iiRes[LO_RES_OBJ].DDSSurface, x, 2);
    }
};

TEST_F(ArtShare, PiecesOfOneFileShareItsImageAndKeepTheirOwnTransforms)
{
    WriteHalves(0xFF0000);
    const int held = ClipArt_HeldImages();
    IMGOBJ *a = Piece(), *b = Piece();
    ASSERT_TRUE(a && b) << gErrorTrail;
    EXPECT_EQ(ClipArt_HeldImages(), held + 1);
    EXPECT_EQ(a->iiRes[HI_RES_OBJ].DDSSurface->pBits, b->iiRes[HI_RES_OBJ].DDSSurface->pBits);
    a->fWidth = 80, a->fHeight = 40;
    b->fWidth = 60, b->fHeight = 60, b->bFlipH = 1;
    ASSERT_TRUE(UpdateImgObj(a) && UpdateImgObj(b)) << gErrorTrail;
    EXPECT_EQ(Shown(a, 2), 0xFF0000u);
    EXPECT_EQ(Shown(b, 2), 0x0000FFu) << "mirrored";
    b->iAngle = 90;
    ASSERT_TRUE(UpdateImgObj(b)) << gErrorTrail;
    EXPECT_EQ(Shown(a, 2), 0xFF0000u) << "the other piece as it was";
    EXPECT_EQ(Art(a, 2), 0xFF0000u) << "the shared image is never written";
}

TEST_F(ArtShare, AChangedFileIsDecodedAnewAndTheLastPieceFreesEach)
{
    WriteHalves(0xFF0000);
    const int held = ClipArt_HeldImages();
    IMGOBJ *before = Piece();
    WriteHalves(0x00FF00);
    const fs::path file = dir / "clipart/half.clp";
    fs::last_write_time(file, fs::last_write_time(file) + std::chrono::seconds(2));
    IMGOBJ *after = Piece(), *again = Piece();
    ASSERT_TRUE(before && after && again) << gErrorTrail;
    EXPECT_EQ(ClipArt_HeldImages(), held + 2);
    EXPECT_EQ(Art(before, 2), 0xFF0000u);
    EXPECT_EQ(Art(after, 2), 0x00FF00u);
    EXPECT_EQ(again->iiRes[HI_RES_OBJ].DDSSurface->pBits,
              after->iiRes[HI_RES_OBJ].DDSSurface->pBits);
    AO_DelObj(&after->ao);
    EXPECT_EQ(ClipArt_HeldImages(), held + 2) << "one piece of it is left";
    EXPECT_EQ(Art(again, 2), 0x00FF00u);
    AO_DelObj(&again->ao);
    AO_DelObj(&before->ao);
    EXPECT_EQ(ClipArt_HeldImages(), held);
}

} // namespace
