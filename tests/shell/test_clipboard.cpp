// The clipboard: Edit > Copy picture hands over the pixels the export composes, at the
// photo's own size up to 4096 pixels a side.
#include <QAction>
#include <QClipboard>
#include <QImage>
#include <QLabel>
#include <QStatusBar>
#include <gtest/gtest.h>

#include "formats/formats.h"
#include "picture/ao.h"
#include "picture/compose.h"
#include "picture/imgobj.h"
#include "pixels/pixels.h"
#include "resources/menus/commands.h"
#include "resources/menus/menus.h"
#include "shell/appstate.h"
#include "shell/clipboard.h"
#include "shell/shell.h"
#include "support/bmp_builder.h"
#include "support/qt_app.h"

namespace
{

TEST(ClipboardPictureSize, ThePhotosOwnSizeUpTo4096PixelsASideInProportion)
{
    const struct {
        int32_t w, h, outW, outH;
    } cases[] = {
        {2400, 3000, 2400, 3000}, {4096, 4096, 4096, 4096}, {8000, 6000, 4096, 3072},
        {6000, 8001, 3072, 4096}, {9000, 2, 4096, 1},       {0, 0, 1, 1},
    };
    for (const auto &c : cases) {
        int32_t w = 0, h = 0;
        ClipboardPictureSize(c.w, c.h, &w, &h);
        EXPECT_EQ(std::pair(w, h), std::pair(c.outW, c.outH)) << c.w << "x" << c.h;
    }
}

class Clipboard : public QtTest
{
  protected:
    void TearDown() override
    {
        gModified = 0;
        mWindow.reset();
        QtTest::TearDown();
    }
    // A window with a w × h photo of one colour and the glasses on it, settled.
    void Open(int w, int h)
    {
        WriteFile(mDir / "photo.bmp", SolidBmp(w, h, 0x4080C0));
        mWindow =
            std::make_unique<MainWindow>(RES_FindMenu("MENU_ENG"), RES_FindAccel("ACCEL_ENG"));
        ASSERT_EQ(mWindow->Create(), 0);
        {
            RejectDialogs rotation;
            ASSERT_TRUE(OpenPictureFile((mDir / "photo.bmp").c_str(), nullptr)) << gErrorTrail;
        }
        ShowDocumentState();
        ASSERT_NE(IMGOBJ_AddObj("glasses.clp", IMG_OBJ, 0, 0, nullptr, nullptr), nullptr);
        for (int frame = 0; frame < 3; frame++)
            AO_ProcessFlip();
    }
    TempDir mDir;
    std::unique_ptr<MainWindow> mWindow;
};

TEST_F(Clipboard, CopyPictureGivesTheExportsPixels)
{
    Open(300, 200);
    gSmoothEdges = 1;
    QGuiApplication::clipboard()->clear();
    IMGOBJ *glasses = gSelected;
    mWindow->ActionFor(IDM_COPYPICTURE)->trigger();
    EXPECT_TRUE(gSelected == glasses && glasses->bSelected) << "the piece stays selected";
    const QImage got = QGuiApplication::clipboard()->image();
    ASSERT_EQ(std::pair(got.width(), got.height()), std::pair(300, 200)) << gErrorTrail;
    LPDDS want = BuildHiResImage2(300, 200, 3);
    ASSERT_NE(want, nullptr);
    int wrong = 0, notPhoto = 0;
    for (int y = 0; y < 200; y++)
        for (int x = 0; x < 300; x++) {
            const QRgb p = got.pixel(x, y);
            const uint32_t rgb = (qRed(p) << 16) | (qGreen(p) << 8) | qBlue(p);
            wrong += rgb != DXGetPixel(want, x, y);
            notPhoto += rgb != 0x4080C0;
        }
    ReleaseJpegBuffer2(want);
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(notPhoto, 500) << "the glasses are in the picture";
    QString said;
    for (const QLabel *label : mWindow->statusBar()->findChildren<QLabel *>())
        said += label->text();
    EXPECT_TRUE(said.contains("on the clipboard (300 x 200)")) << said.toStdString();
}

TEST_F(Clipboard, ALargePhotoIsCopiedAt4096PixelsItsLongestSide)
{
    Open(5000, 40);
    mWindow->ActionFor(IDM_COPYPICTURE)->trigger();
    const QImage got = QGuiApplication::clipboard()->image();
    EXPECT_EQ(std::pair(got.width(), got.height()), std::pair(4096, 33)) << gErrorTrail;
}

} // namespace
