// A large JPEG opened in the window: shown from its screen-sized decode, whole once the
// open returns, and a file whose full decode fails after the screen-sized one went well
// leaves the blank canvas with the decoder's reason instead of a photo at screen size.
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

#include "formats/formats.h"
#include "picture/ao.h"
#include "picture/imgobj.h"
#include "platform/file.h"
#include "resources/menus/menus.h"
#include "shell/appstate.h"
#include "shell/shell.h"
#include "support/qt_app.h"
#include "support/temp_dir.h"
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

class PhotoOpen : public QtTest
{
  protected:
    void TearDown() override
    {
        PLAT_FileFaultsReset();
        gModified = 0;
        mWindow.reset();
        SettleApplication();
        QtTest::TearDown();
    }
    TempDir mDir;
    std::unique_ptr<MainWindow> mWindow;
};

} // namespace

TEST_F(PhotoOpen, ALargeJpegIsWholeOnceOpenAndOneThatFailsWholeLeavesTheBlankCanvas)
{
    // Larger than twice the window's drawing area: decoded at half size or less first.
    const int32_t w = 2600, h = 2080;
    const std::string path = mDir.Path() + "/large.jpg";
    {
        LPDDS p = CreateJpegBuffer2(w, h, 3);
        ASSERT_NE(p, nullptr);
        for (int32_t y = 0; y < h; y += 40)
            DXFillRect(p, 0, y, w, 20, 0x103050 + static_cast<uint32_t>(y % 200));
        DXFillRect(p, w / 3, 0, 7, h, 0xE0E0E0);
        ASSERT_TRUE(JpegSave(p->pBits, path.c_str(), w, h, 3, 90)) << gErrorTrail;
        ReleaseJpegBuffer2(p);
    }
    PhotoTarget whole;
    ASSERT_TRUE(whole.Load(JpegLoad, path));
    mWindow = std::make_unique<MainWindow>(RES_FindMenu("MENU_ENG"), RES_FindAccel("ACCEL_ENG"));
    ASSERT_EQ(mWindow->Create(), 0);
    // The reads of a clean open: the screen-sized decode's, then the full one's.
    PLAT_FileFaultsReset();
    {
        RejectDialogs rotation;
        ASSERT_TRUE(OpenPictureFile(path.c_str(), nullptr)) << gErrorTrail;
    }
    const int64_t reads = PLAT_FileOps().iCount[FILEOP_READ];
    ASSERT_TRUE(gModified == 0 && gPhotoWidth == w);
    // Each of those reads failing in turn: the open fails in its screen-sized decode (the
    // picture before stays), in its full decode (the blank canvas), or later (the photo
    // whole); never is a photo left at screen size.
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
        EXPECT_EQ(photo->pFullJob, nullptr);
        EXPECT_EQ(photo->iShownWidth, 0);
        EXPECT_EQ(gModified, 0);
        const std::string trail = gErrorTrail;
        if (trail.find("could not be read whole") != std::string::npos) {
            failedWhole++;
            EXPECT_FALSE(ok);
            EXPECT_NE(trail.find("Could not open the file."), std::string::npos) << trail;
            // The blank canvas, untitled and unchanged, in the photo's place.
            EXPECT_EQ(std::pair(gPhotoWidth, gPhotoHeight), std::pair(2400, 3000));
            EXPECT_TRUE(mWindow->windowTitle().startsWith("Untitled"))
                << mWindow->windowTitle().toStdString();
        } else if (ok && gPhotoWidth == w) {
            const LPDDS hi = photo->iiRes[HI_RES_OBJ].DDSSurface;
            for (int32_t y = 0; y < h; y += 97)
                ASSERT_EQ(std::memcmp(DXPixel(hi, 0, y), DXPixel(whole.surface, 0, y),
                                      static_cast<size_t>(w) * 3),
                          0)
                    << "row " << y;
        } else {
            EXPECT_FALSE(ok) << trail;
        }
    }
    EXPECT_GT(failedWhole, 0);
}
