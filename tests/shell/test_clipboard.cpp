// The clipboard: Copy picture hands over the pixels the export composes; a pasted picture
// becomes a sticker or the photo.
#include <QAction>
#include <QClipboard>

#include "formats/formats.h"
#include "picture/compose.h"
#include "resources/menus/commands.h"
#include "shell/clipboard.h"
#include "support/bmp_builder.h"
#include "support/qt_app.h"
#include "support/random_run.h"

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

// A window with a 300 × 200 photo of one colour and the glasses on it, settled.
class Clipboard : public WindowTest
{
  protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        WriteFile(mDir / "photo.bmp", SolidBmp(300, 200, 0x4080C0));
        Make();
        OpenPhoto(mDir / "photo.bmp");
        ShowDocumentState();
        ASSERT_NE(IMGOBJ_AddObj("glasses.clp", IMG_OBJ, 0, 0, nullptr, nullptr), nullptr);
        for (int frame = 0; frame < 3; frame++)
            AO_ProcessFlip();
    }
    TempDir mDir, mData;
    ScopedEnv mDataHome{"XDG_DATA_HOME", mData.Path()};
};

TEST_F(Clipboard, CopyPictureGivesTheExportsPixels)
{
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
}

// A picture with alpha pasted on the picture: a sticker of its visible part, selected, one
// undo step; with no picture open it becomes the photo of a new one.
TEST_F(Clipboard, APastedPictureWithAlphaBecomesASelectedStickerOrTheNewPhoto)
{
    QImage picture(80, 60, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    for (int y = 10; y < 30; y++)
        for (int x = 20; x < 60; x++)
            picture.setPixel(x, y, 0xFFFF0000); // an opaque red 40 x 20 in the middle
    const size_t before = Pieces().size();
    QGuiApplication::clipboard()->setImage(picture);
    mWindow->ActionFor(IDM_PASTE)->trigger();
    ASSERT_EQ(Pieces().size(), before + 1) << gErrorTrail;
    const IMGOBJ *sticker = gSelected;
    ASSERT_TRUE(sticker && sticker == Pieces().back());
    EXPECT_EQ(std::pair(sticker->iSrcWidth, sticker->iSrcHeight), std::pair(40, 20))
        << "cut to its visible part";
    EXPECT_TRUE(fs::exists(fs::path(PLAT_UserStickerDir()) / sticker->szFileName));
    mWindow->ActionFor(IDM_UNDO)->trigger();
    EXPECT_EQ(Pieces().size(), before);
    mWindow->ActionFor(IDM_REDO)->trigger();
    EXPECT_EQ(Pieces().size(), before + 1) << gErrorTrail;

    // Nothing open: the pasted picture is the photo, at its own size.
    gModified = gPictureExists = gDocumentOpen = 0;
    Make();
    ShowDocumentState();
    {
        RejectDialogs rotation;
        mWindow->ActionFor(IDM_PASTE)->trigger();
    }
    EXPECT_TRUE(gPictureExists);
    EXPECT_EQ(std::pair(gPhotoWidth, gPhotoHeight), std::pair(80, 60)) << gErrorTrail;
}

TEST_F(Clipboard, PastingWithoutAPictureOnTheClipboardSaysSoAndChangesNothing)
{
    const size_t before = Pieces().size();
    QGuiApplication::clipboard()->setText(QStringLiteral("just words"));
    mWindow->ActionFor(IDM_PASTE)->trigger();
    EXPECT_EQ(Pieces().size(), before);
    EXPECT_EQ(gBoxes, std::vector<std::string>{"The clipboard holds no picture to paste."});
}

} // namespace
