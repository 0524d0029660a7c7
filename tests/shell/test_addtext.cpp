// The text dialog: the edit field's rules, and the dialog on Qt's offscreen platform
// acting on real image objects made from bubble bitmaps in a clip-art folder.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "picture/ao.h"
#include "picture/imgobj.h"
#include "picture/text.h"
#include "resources/strings/strings.h"
#include "shell/addtextdialog.h"
#include "shell/addtextlogic.h"
#include "platform/platform.h"
#include "shell/appstate.h"
#include "support/bmp_builder.h"
#include "support/qt_app.h"

namespace
{

TEST(AddTextField, CapitalsAndNinetyEightStoredCharactersCuttingWhatWasJustPutIn)
{
    const std::string lines =
        std::string(45, 'A') + "\n" + std::string(45, 'B') + "\n" + std::string(10, 'C');
    const struct {
        std::string typed;
        int32_t cursor; // -1: at the end
        std::string want;
        int32_t wantCursor; // -1: not checked
    } cases[] = {
        {std::string("hej \xE5\xE4\xF6 \xE9 \xDF \xFF\r\0!", 16), -1,
         "HEJ \xC5\xC4\xD6 \xC9 \xDF \x9F!", -1},
        {std::string(98, 'A') + "B", -1, std::string(98, 'A'), -1},
        // Three letters pasted into the middle of a full field are what goes.
        {std::string(50, 'A') + "xyz" + std::string(48, 'C'), 53,
         std::string(50, 'A') + std::string(48, 'C'), 50},
        // Each line end is stored as two characters.
        {lines, -1, lines.substr(0, lines.size() - 6), -1},
    };
    for (const auto &c : cases) {
        std::string text = c.typed;
        int32_t cursor = c.cursor < 0 ? static_cast<int32_t>(text.size()) : c.cursor;
        NormaliseEditText(text, cursor);
        EXPECT_EQ(text, c.want);
        EXPECT_LE(StoredLength(text), 98);
        if (c.wantCursor >= 0) {
            EXPECT_EQ(cursor, c.wantCursor);
        }
    }
    EXPECT_EQ(EditCharToByte(0x0178), 0x9F); // Ÿ, the capital of ÿ
    EXPECT_EQ(EditByteToChar(0x9F), 0x0178u);
}

TEST(AddTextField, StoredLinesEndInCarriageReturnLineFeedThatNeverSplits)
{
    char out[TEXT_DIALOG_MAX_CHARS + 1];
    EditTextToStored("HI\nTHERE", out);
    EXPECT_STREQ(out, "HI\r\nTHERE");
    EditTextToStored(std::string(97, 'A') + "\nB", out);
    EXPECT_EQ(std::string(out), std::string(97, 'A'));
    EXPECT_EQ(StoredTextToEdit("A\rB\r\n\r\nC"), "A\nB\n\nC");
}

// A main folder with white bubble bitmaps for every text style, the surfaces the text
// pieces draw on, and an owner window for the dialog.
class AddText : public QtTest
{
  protected:
    void SetUp() override
    {
        QtTest::SetUp();
        std::snprintf(gMainDir, sizeof gMainDir, "%s/", mDir.Path().c_str());
        std::filesystem::create_directory(mDir / "clipart");
        for (const TEXTSTYLE &s : gTextStyles)
            WriteFile(mDir / "clipart/" + s.szFile,
                      SolidBmp(s.iRefWidth / 10, s.iRefHeight / 10, 0xFFFFFF));
        gDDSSprite = DXCreateSurface(nullptr, 2048, 345, DDSCAPS_SYSTEMOFFSCREEN);
        DXFillRect(gDDSSprite, 0, 0, 2048, 345, 0x0000FF);
        gDDSText = DXCreateSurface(nullptr, 1200, 600, DDSCAPS_SYSTEMOFFSCREEN);
        gDDSPicture = DXCreateSurface(nullptr, 2048, 2048, DDSCAPS_SYSTEMOFFSCREEN);
        gPictureRect = {190, 75, 500, 400};
        PICTURE_Shutdown();
        gModified = 0;
        gLanguageOffset = 0;
        mOwner.setGeometry(100, 80, 800, 600);
        mOwner.show();
    }
    void TearDown() override
    {
        AO_ClearList();
        for (LPDDS *s : {&gDDSSprite, &gDDSText, &gDDSPicture})
            DXReleaseSurface(*s), *s = nullptr;
        gLanguageOffset = 0;
        QtTest::TearDown();
    }
    // The live image objects in list order.
    static std::vector<IMGOBJ *> Pieces()
    {
        std::vector<IMGOBJ *> out;
        for (AO *e = gAOList; e; e = e->pNext)
            if (e->iType == AO_TYPE_IMGOBJ && !e->bRemove)
                out.push_back(reinterpret_cast<IMGOBJ *>(e));
        return out;
    }
    // A text piece, then moved, resized and mirrored by the user.
    static IMGOBJ *EditedPiece(int32_t style, const char *text)
    {
        EXPECT_TRUE(ApplyAddText(nullptr, style, text));
        IMGOBJ *obj = gSelected;
        obj->ao.x = 230, obj->ao.y = 140;
        obj->fWidth = 211.5f, obj->fHeight = 123.25f;
        obj->bFlipH = 1;
        obj->bNeedsUpdate = 0;
        gModified = 0;
        return obj;
    }
    static void ExpectPlaceAndSizeKept(const IMGOBJ *obj)
    {
        EXPECT_EQ(obj->ao.x, 230);
        EXPECT_EQ(obj->ao.y, 140);
        EXPECT_FLOAT_EQ(obj->fWidth, 211.5f);
        EXPECT_FLOAT_EQ(obj->fHeight, 123.25f);
    }
    static void Click(AddTextDlg &dialog, const char *button)
    {
        QTest::mouseClick(dialog.findChild<QPushButton *>(button), Qt::LeftButton);
    }
    TempDir mDir;
    QWidget mOwner;
};

TEST_F(AddText, CaptionsCentringAndTheEditedPiecesTextAndStyle)
{
    {
        AddTextDlg dialog(&mOwner, nullptr);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("New Text"));
        EXPECT_TRUE(dialog.Radio(0)->isChecked());
        for (int32_t k = 0; k < TEXT_STYLE_COUNT; ++k)
            EXPECT_FALSE(dialog.Preview(k)->pixmap().isNull()) << gTextStyles[k].pszPreview;
        EXPECT_NEAR(dialog.geometry().center().x(), mOwner.geometry().center().x(), 1);
        EXPECT_NEAR(dialog.geometry().center().y(), mOwner.geometry().center().y(), 1);
    }
    IMGOBJ *obj = EditedPiece(7, "TWO\r\nLINES");
    AddTextDlg dialog(&mOwner, obj);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Edit Text"));
    EXPECT_EQ(GetCheckedRadio(&dialog, 301, 311), 7);
    EXPECT_EQ(dialog.Edit()->toPlainText(), QStringLiteral("TWO\nLINES"));

    gLanguageOffset = 3000;
    EXPECT_EQ(AddTextDlg(&mOwner, nullptr).Radio(1)->text(), QString::fromUtf8("Tänker"));
}

TEST_F(AddText, TypingGivesCentredCapitalLinesOfAtMostNinetyEightCharacters)
{
    AddTextDlg dialog(&mOwner, nullptr);
    dialog.show();
    QTextEdit *edit = dialog.Edit();
    QTest::keyClicks(edit, QString::fromUtf8("hej på dig"));
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClicks(edit, "ok");
    EXPECT_EQ(dialog.EditText(), "HEJ P\xC5 DIG\nOK");
    EXPECT_TRUE(dialog.isVisible()) << "Return is a new line, not OK";

    edit->insertPlainText("\nPASTED\nLINES");
    for (QTextBlock b = edit->document()->begin(); b.isValid(); b = b.next()) {
        const QTextLine line = b.layout()->lineAt(0);
        const qreal left = line.cursorToX(0);
        EXPECT_NEAR(left + line.naturalTextWidth() / 2, line.x() + line.width() / 2, 2);
        EXPECT_GT(left, line.width() / 4) << b.text().toStdString();
    }
    edit->undo();
    EXPECT_EQ(dialog.EditText(), "HEJ P\xC5 DIG\nOK");

    QTest::keyClicks(edit, QString(100, QChar('x')));
    EXPECT_EQ(StoredLength(dialog.EditText()), 98);

    // A paste into the middle keeps the field's end; what the program cannot draw goes.
    edit->setPlainText(QString(90, QChar('A')));
    QTextCursor c = edit->textCursor();
    c.setPosition(10);
    edit->setTextCursor(c);
    edit->insertPlainText(QString::fromUtf8("1234567890€中"));
    EXPECT_EQ(dialog.EditText(), std::string(10, 'A') + "12345678" + std::string(80, 'A'));
    EXPECT_EQ(edit->textCursor().position(), 18);
}

TEST_F(AddText, AClickOnAPreviewChecksItsRadio)
{
    AddTextDlg dialog(&mOwner, nullptr);
    dialog.show();
    for (int32_t k : {4, 10, 1}) {
        QTest::mouseClick(dialog.Preview(k), Qt::LeftButton);
        EXPECT_EQ(GetCheckedRadio(&dialog, 301, 311), k);
    }
    EXPECT_FALSE(dialog.Radio(4)->isChecked());
}

TEST_F(AddText, OkAddsATextPieceOfTheStyleButNotForAnEmptyField)
{
    AddTextDlg dialog(&mOwner, nullptr);
    dialog.show();
    QTest::mouseClick(dialog.Preview(5), Qt::LeftButton);
    Click(dialog, "okButton");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(Pieces().empty());

    QTest::keyClicks(dialog.Edit(), "for sale");
    QTest::keyClick(dialog.Edit(), Qt::Key_Return);
    QTest::keyClicks(dialog.Edit(), "cheap");
    Click(dialog, "okButton");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    auto pieces = Pieces();
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(pieces[0]->iKind, IMG_TEXT);
    EXPECT_EQ(pieces[0]->iTextStyle, 5);
    EXPECT_STREQ(pieces[0]->szFileName, "text5.clp");
    EXPECT_STREQ(pieces[0]->szText, "FOR SALE\r\nCHEAP");
    EXPECT_EQ(gSelected, pieces[0]);
    EXPECT_EQ(gModified, 1);
}

TEST_F(AddText, OkOnAPieceChangesItsTextInPlaceOrReplacesItForAnotherStyle)
{
    IMGOBJ *obj = EditedPiece(3, "BEFORE");
    {
        AddTextDlg dialog(&mOwner, obj);
        dialog.Edit()->selectAll();
        QTest::keyClicks(dialog.Edit(), "after");
        dialog.OnOk();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    EXPECT_EQ(Pieces(), std::vector<IMGOBJ *>{obj});
    EXPECT_STREQ(obj->szText, "AFTER");
    ExpectPlaceAndSizeKept(obj);
    EXPECT_EQ(obj->bFlipH, 1);
    EXPECT_EQ(obj->bNeedsUpdate, 1);
    EXPECT_EQ(gModified, 1) << "a changed text must be saved";

    AddTextDlg dialog(&mOwner, obj);
    QTest::mouseClick(dialog.Radio(1), Qt::LeftButton);
    dialog.OnOk();
    EXPECT_EQ(obj->ao.bRemove, 1);
    auto pieces = Pieces();
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(pieces[0]->iTextStyle, 1);
    EXPECT_STREQ(pieces[0]->szText, "AFTER");
    ExpectPlaceAndSizeKept(pieces[0]);
}

TEST_F(AddText, AFailedStyleChangeKeepsTheOldPieceAndTheDialogOpen)
{
    IMGOBJ *old = EditedPiece(0, "KEEP ME");
    ASSERT_EQ(std::remove((mDir / "clipart/transp.clp").c_str()), 0);
    AddTextDlg dialog(&mOwner, old);
    dialog.show();
    QTest::mouseClick(dialog.Radio(10), Qt::LeftButton);
    dialog.OnOk();
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_NE(Boxes()[0].text.find("IMGOBJ_AddObj() failed"), std::string::npos) << Boxes()[0].text;
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(Pieces(), std::vector<IMGOBJ *>{old});
    EXPECT_EQ(old->iTextStyle, 0);
}

TEST_F(AddText, HelpOpensTheTopicOfTheLanguageAndLeavesTheDialogOpen)
{
    mDir.WriteText("help/Merrowick_Swedish/html/basics_add_swe.htm", "<p>");
    CurrentDir inMain(mDir.Path());
    gLanguageOffset = 3000;
    AddTextDlg dialog(&mOwner, nullptr);
    dialog.show();
    Click(dialog, "helpButton");
    EXPECT_TRUE(PLATQT_HelpCurrentFile().endsWith("Merrowick_Swedish/html/basics_add_swe.htm"))
        << PLATQT_HelpCurrentFile().toStdString();
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(AddText, TheEntryPointAnswersOneForOkAndZeroForCancelWhichChangesNothing)
{
    auto press = [](const char *button) {
        QTimer::singleShot(0, [button] {
            QWidget *dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            QTest::keyClicks(dialog->findChild<QTextEdit *>("edit1081"), " more");
            dialog->findChild<QRadioButton *>("radio309")->click();
            dialog->findChild<QPushButton *>(button)->click();
        });
    };
    IMGOBJ *obj = EditedPiece(3, "SAME");
    press("cancelButton");
    EXPECT_EQ(AddTextDialog(&mOwner, obj), 0);
    EXPECT_EQ(Pieces(), std::vector<IMGOBJ *>{obj});
    EXPECT_STREQ(obj->szText, "SAME");
    EXPECT_EQ(obj->iTextStyle, 3);
    EXPECT_EQ(obj->bNeedsUpdate, 0);
    EXPECT_EQ(gModified, 0);

    press("okButton");
    EXPECT_EQ(AddTextDialog(&mOwner, nullptr), 1);
    EXPECT_EQ(Pieces().size(), 2u);
}

} // namespace
