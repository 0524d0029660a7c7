// The caption dialog in a real window: the counter and what is cut past 2,000 characters,
// OK on empty text, a new caption with the chosen style and size, and a caption changed in
// place.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <cstring>

#include "picture/ao.h"
#include "picture/caption.h"
#include "picture/imgobj.h"
#include "pixels/pixels.h"
#include "shell/captiondialog.h"
#include "support/qt_app.h"

namespace
{

class CaptionDialogTest : public QtTest
{
  protected:
    void SetUp() override
    {
        QtTest::SetUp();
        DXStartHeadless(DXNEED_PICTURE);
        gPictureRect = {190, 75, 600, 400};
        gModified = 0;
    }
    void TearDown() override
    {
        AO_ClearList();
        DXCleanup();
        QtTest::TearDown();
    }
    QWidget mOwner;
};

TEST_F(CaptionDialogTest, CountsCutsAndAddsACaptionOfTheChosenStyle)
{
    CaptionDlg dialog(&mOwner, nullptr);
    EXPECT_EQ(dialog.Size()->value(), 40) << "a tenth of the picture's height";
    dialog.OnOk(); // empty: a message, no caption, still open
    EXPECT_EQ(gBoxes.size(), 1u);
    EXPECT_EQ(gSelected, nullptr);

    dialog.Edit()->setPlainText(QString(2100, QChar('a')));
    EXPECT_EQ(dialog.Edit()->toPlainText().size(), 2000);
    EXPECT_TRUE(dialog.Counter()->text().contains("2,000")) << "the cut is said";
    dialog.Edit()->setPlainText(QString::fromUtf8("Hej \xF0\x9F\x98\x80\nd\xC3\xA5"));
    EXPECT_TRUE(dialog.Counter()->text().startsWith("1992 of"))
        << dialog.Counter()->text().toStdString();

    dialog.Font()->setCurrentIndex(2);
    dialog.Size()->setValue(60);
    dialog.OutlineWidth()->setValue(6);
    dialog.Shadow()->setChecked(false);
    dialog.Align()->setCurrentIndex(CAPTION_ALIGN_RIGHT);
    dialog.SetColours(0x112233, 0x445566);
    dialog.OnOk();
    ASSERT_NE(gSelected, nullptr);
    ASSERT_EQ(gSelected->iKind, IMG_CAPTION);
    const CAPTION &c = *gSelected->pCaption;
    EXPECT_EQ(c.text, "Hej \xF0\x9F\x98\x80\nd\xC3\xA5");
    const CAPTIONSTYLE want = {2, 0x112233, 0x445566, 100, 0, CAPTION_ALIGN_RIGHT};
    EXPECT_EQ(std::memcmp(&c.style, &want, sizeof want), 0);
    EXPECT_NEAR(CAPTION_LetterPx(gSelected), 60, 1.5);
    EXPECT_EQ(gModified, 1);
}

TEST_F(CaptionDialogTest, EditsTheSelectedCaptionInPlace)
{
    const std::string text = "Sommar";
    const CAPTIONDESC desc = {CAPTION_DefaultStyle(), text.data(), text.size(), 30};
    IMGOBJ *obj = IMGOBJ_AddObj("caption", IMG_CAPTION, 0, 0, &desc, nullptr);
    ASSERT_NE(obj, nullptr);
    const int32_t cx = obj->ao.x + obj->ao.iWidth / 2;
    CaptionDlg dialog(&mOwner, obj);
    EXPECT_EQ(dialog.Edit()->toPlainText(), "Sommar");
    EXPECT_EQ(dialog.Size()->value(), 30);
    dialog.Edit()->setPlainText("Sommar i Sverige");
    dialog.OnOk();
    EXPECT_EQ(obj->pCaption->text, "Sommar i Sverige");
    EXPECT_NEAR(obj->ao.x + obj->ao.iWidth / 2, cx, 1) << "it grows about its centre";
    EXPECT_EQ(AO_CountType(AO_TYPE_IMGOBJ), 1) << "changed, not added";
}

} // namespace
