// A large JPEG opened in the window is whole once the open returns; one whose full decode
// fails after the screen-sized one went well leaves the blank canvas, never a photo at
// screen size.
#include <cerrno>
#include <cstring>

#include "formats/formats.h"
#include "platform/file.h"
#include "support/qt_app.h"
#include "tests/formats/photo_target.h"

namespace
{

IMGOBJ *ThePhoto()
{
    for (AO *e = gAOList; e; e = e->pNext)
        if (e->iType == AO_TYPE_IMGOBJ && e->AnimateProc != AO_DieProc &&
            reinterpret_cast<IMGOBJ *>(e)->iKind == IMG_SRC)
            return reinterpret_cast<IMGOBJ *>(e);
    return nullptr;
}

struct PhotoOpen : WindowTest {
    void TearDown() override
    {
        PLAT_FileFaultsReset();
        WindowTest::TearDown();
    }
    TempDir mDir;
};

} // namespace

TEST_F(PhotoOpen, ALargeJpegIsWholeOnceOpenAndOneThatFailsWholeLeavesTheBlankCanvas)
{
    // Larger than twice the window's drawing area: decoded at half size or less first.
    const int32_t w = 2600, h = 2080;
    const std::string path = mDir / "large.jpg";
    LPDDS p = CreateJpegBuffer2(w, h, 3);
    ASSERT_NE(p, nullptr);
    for (int32_t y = 0; y < h; y += 40)
        DXFillRect(p, 0, y, w, 20, 0x103050 + static_cast<uint32_t>(y % 200));
    DXFillRect(p, w / 3, 0, 7, h, 0xE0E0E0);
    ASSERT_TRUE(JpegSave(p->pBits, path.c_str(), w, h, 3, 90)) << gErrorTrail;
    ReleaseJpegBuffer2(p);
    PhotoTarget whole;
    ASSERT_TRUE(whole.Load(JpegLoad, path));
    Make();
    PLAT_FileFaultsReset(); // count the reads of a clean open
    OpenPhoto(path);
    const int64_t reads = PLAT_FileOps().iCount[FILEOP_READ];
    ASSERT_TRUE(gModified == 0 && gPhotoWidth == w);
    // Each of those reads failing in turn: the open fails in its screen-sized decode (the
    // picture before stays), in its full decode (the blank canvas), or later (the photo
    // whole).
    int failedWhole = 0;
    for (int64_t n = 0; n <= reads; n++) {
        SCOPED_TRACE("read " + std::to_string(n) + " fails");
        TrailClear();
        PLAT_FileFaultsReset();
        if (n)
            PLAT_FileFailAt(FILEOP_READ, n, EIO);
        int ok;
        {
            RejectDialogs rotation;
            ok = OpenPictureFile(path.c_str(), nullptr);
        }
        PLAT_FileFaultsReset();
        const IMGOBJ *photo = ThePhoto();
        ASSERT_NE(photo, nullptr);
        EXPECT_EQ(std::tuple(photo->pFullJob, photo->iShownWidth, gModified),
                  std::tuple(nullptr, 0, 0));
        const std::string trail = gErrorTrail;
        if (trail.find("could not be read whole") != std::string::npos) {
            failedWhole++;
            EXPECT_FALSE(ok);
            EXPECT_NE(trail.find("Could not open the file."), std::string::npos) << trail;
            EXPECT_EQ(std::pair(gPhotoWidth, gPhotoHeight), std::pair(2400, 3000));
            EXPECT_TRUE(Title().starts_with("Untitled")) << Title();
        } else if (ok && gPhotoWidth == w) {
            const LPDDS hi = photo->iiRes[HI_RES_OBJ].DDSSurface;
            for (int32_t y = 0; y < h; y += 97)
                ASSERT_EQ(std::memcmp(DXPixel(hi, 0, y), DXPixel(whole.surface, 0, y), w * 3u), 0)
                    << "row " << y;
        } else {
            EXPECT_FALSE(ok) << trail;
        }
    }
    EXPECT_GT(failedWhole, 0);
}
