// The text dialog's field rules, and the dialog acting on real image objects; the caption
// dialog.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTextEdit>
#include <cstring>

#include "picture/caption.h"
#include "picture/text.h"
#include "shell/addtextdialog.h"
#include "shell/addtextlogic.h"
#include "shell/captiondialog.h"
#include "support/bmp_builder.h"
#include "support/qt_app.h"
#include "support/random_run.h"

namespace
{

TEST(AddTextField, CapitalsAndNinetyEightStoredCharactersCuttingWhatWasJustPutIn)
{
    const std::string lines =
        std::string(45, 'A') + "\n" + std::string(45, 'B') + "\n" + std::string(10, 'C');
    const std::pair<std::string, std::string> cases[] = {
        {std::string("hej \xE5\xE4\xF6 \xE9 \xDF \xFF\r\0!", 16),
         "HEJ \xC5\xC4\xD6 \xC9 \xDF \x9F!"},
        {lines, lines.substr(0, lines.size() - 6)}}; // a line end stores as two
    for (auto [text, want] : cases) {
        int32_t cursor = static_cast<int32_t>(text.size());
        NormaliseEditText(text, cursor);
        EXPECT_EQ(text, want);
        EXPECT_EQ(cursor, static_cast<int32_t>(want.size()));
    }
}

TEST(AddTextNotice, NamesEachCharacterTheFontLacksOnceAndCountsLineEndsAsTwo)
{
    const struct {
        std::u32string text, notShown;
        int32_t left;
    } cases[] = {
        {U"HEJ", U"", 95},
        {U"\u0141A\U0001F600\n\u0141\u200D\U0001F600", U"\u0141\U0001F600", 90}, // ZWJ unnamed
        {std::u32string(98, U'\U0001F600'), U"\U0001F600", 0},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(NotShownChars(c.text), c.notShown);
        EXPECT_EQ(EditCharsLeft(c.text), c.left);
    }
    // OK acts on a text of signs alone; a text of nothing drawable keeps the dialog open.
    for (auto [text, acts] : {std::pair{"\x80", 1}, {"\xA3\xA9", 1}, {"\x81", 0}, {"", 0}})
        EXPECT_EQ(TextDialogHasContent(text), acts) << text;
}

// White bubbles for every text style in the main folder, and the surfaces text draws on.
class AddText : public QtTest
{
  protected:
    void SetUp() override
    {
        QtTest::SetUp();
        std::snprintf(gMainDir, sizeof gMainDir, "%s/", mDir.Path().c_str());
        fs::create_directory(mDir / "clipart");
        for (const TEXTSTYLE &s : gTextStyles)
            WriteFile(mDir / "clipart/" + s.szFile,
                      SolidBmp(s.iRefWidth / 10, s.iRefHeight / 10, 0xFFFFFF));
        DXStartHeadless(DXNEED_SPRITE | DXNEED_TEXT | DXNEED_PICTURE);
        gPictureRect = {190, 75, 500, 400};
        PICTURE_Shutdown();
        gModified = 0;
        mOwner.show();
    }
    void TearDown() override
    {
        AO_ClearList();
        DXCleanup();
        QtTest::TearDown();
    }
    // A text piece, then moved, resized and mirrored by the user.
    static IMGOBJ *EditedPiece(int32_t style, const char *text)
    {
        EXPECT_TRUE(ApplyAddText(nullptr, style, text));
        IMGOBJ *obj = gSelected;
        obj->ao.x = 230, obj->ao.y = 140, obj->fWidth = 211.5f, obj->fHeight = 123.25f;
        obj->bFlipH = 1, obj->bNeedsUpdate = gModified = 0;
        return obj;
    }
    static auto PlaceAndSize(const IMGOBJ *obj)
    {
        return std::tuple(obj->ao.x, obj->ao.y, obj->fWidth, obj->fHeight);
    }
    TempDir mDir;
    QWidget mOwner;
};

// OK on an empty field keeps the dialog open; OK with text adds a piece of the chosen style,
// in capitals with its line ends stored as CR LF, selected and to be saved, and the entry
// point answers 1. Cancel answers 0 and changes nothing of the piece it was opened on.
TEST_F(AddText, OkAddsATextPieceOfTheStyleButNotForAnEmptyFieldAndCancelChangesNothing)
{
    bool stayed = false;
    {
        Answers add({[&](QWidget *dialog) {
            auto *edit = Child<QTextEdit>(dialog, "edit1081");
            QTest::mouseClick(Child<QRadioButton>(dialog, "radio306"), Qt::LeftButton);
            Click("okButton")(dialog);
            stayed = dialog->isVisible() && Pieces().empty();
            QTest::keyClicks(edit, "for sale");
            QTest::keyClick(edit, Qt::Key_Return);
            QTest::keyClicks(edit, "cheap");
            // Return in the text box was a new line; on the focused OK button it is a click.
            QTest::keyClick(Child<QPushButton>(dialog, "okButton"), Qt::Key_Return);
            if (dialog->isVisible())
                ADD_FAILURE() << "Return on OK did nothing",
                    static_cast<QDialog *>(dialog)->reject();
        }});
        EXPECT_EQ(AddTextDialog(&mOwner, nullptr), 1);
        EXPECT_TRUE(stayed && add.Done());
    }
    ASSERT_EQ(Pieces().size(), 1u);
    IMGOBJ *p = Pieces()[0];
    EXPECT_EQ(std::tuple(p->iKind, p->iTextStyle, std::string(p->szFileName),
                         std::string(p->szText), gSelected == p, gModified),
              std::tuple(IMG_TEXT, 5, "text5.clp", "FOR SALE\r\nCHEAP", true, 1));
    gModified = 0;
    Answers cancel({[](QWidget *dialog) {
        QTest::keyClicks(Child<QTextEdit>(dialog, "edit1081"), " more");
        Child<QRadioButton>(dialog, "radio309")->click();
        QTest::keyClick(Child<QPushButton>(dialog, "cancelButton"), Qt::Key_Return);
        if (dialog->isVisible())
            ADD_FAILURE() << "Return on Cancel did nothing",
                static_cast<QDialog *>(dialog)->reject();
    }});
    EXPECT_EQ(AddTextDialog(&mOwner, p), 0);
    EXPECT_TRUE(cancel.Done());
    EXPECT_EQ(Pieces(), std::vector<IMGOBJ *>{p});
    EXPECT_EQ(std::tuple(std::string(p->szText), p->iTextStyle, gModified),
              std::tuple("FOR SALE\r\nCHEAP", 5, 0));
}

TEST_F(AddText, OkOnAPieceChangesItsTextInPlaceReplacesItForAnotherStyleOrKeepsItOnAFailure)
{
    IMGOBJ *obj = EditedPiece(3, "BEFORE");
    {
        AddTextDlg dialog(&mOwner, obj);
        dialog.Edit()->selectAll();
        QTest::keyClicks(dialog.Edit(), "after");
        dialog.OnOk();
    }
    EXPECT_EQ(std::tuple(Pieces(), std::string(obj->szText)),
              std::tuple(std::vector<IMGOBJ *>{obj}, "AFTER"));
    EXPECT_EQ(PlaceAndSize(obj), std::tuple(230, 140, 211.5f, 123.25f));
    EXPECT_EQ(obj->bFlipH + obj->bNeedsUpdate + gModified, 3) << "mirrored, redrawn, to save";
    {
        AddTextDlg dialog(&mOwner, obj);
        QTest::mouseClick(dialog.Radio(1), Qt::LeftButton);
        dialog.OnOk();
    }
    ASSERT_EQ(Pieces().size(), 1u);
    IMGOBJ *now = Pieces()[0];
    EXPECT_EQ(std::tuple(now->iTextStyle, std::string(now->szText)), std::tuple(1, "AFTER"));
    EXPECT_EQ(PlaceAndSize(now), PlaceAndSize(obj)); // the old one's place and size
    fs::remove(mDir / "clipart/transp.clp");         // the transparent style cannot load
    AddTextDlg dialog(&mOwner, now);
    dialog.show();
    QTest::mouseClick(dialog.Radio(10), Qt::LeftButton);
    dialog.OnOk();
    EXPECT_EQ(gBoxes.size(), 1u);
    EXPECT_TRUE(dialog.isVisible() && now->iTextStyle == 1);
    EXPECT_EQ(Pieces(), std::vector<IMGOBJ *>{now});
}

// The caption dialog: what is cut past 2,000 characters, OK on empty text, and a new caption
// with the chosen style and size.
TEST_F(AddText, CaptionCountsCutsAndAddsACaptionOfTheChosenStyle)
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

} // namespace
