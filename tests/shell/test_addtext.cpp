// The text dialog: the edit field's rules, and the dialog on Qt's offscreen platform
// acting on real image objects made from bubble bitmaps in a clip-art folder.
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include "picture/ao.h"
#include "picture/imgobj.h"
#include "picture/text.h"
#include "resources/strings/strings.h"
#include "shell/addtextdialog.h"
#include "shell/addtextlogic.h"
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
        int32_t cursor, wantCursor; // -1: at the end
        std::string want;
    } cases[] = {{std::string("hej \xE5\xE4\xF6 \xE9 \xDF \xFF\r\0!", 16), -1, -1,
                  "HEJ \xC5\xC4\xD6 \xC9 \xDF \x9F!"},
                 {std::string(98, 'A') + "B", -1, -1, std::string(98, 'A')},
                 {lines, -1, -1, lines.substr(0, lines.size() - 6)}}; // a line end stores as two
    for (const auto &c : cases) {
        std::string text = c.typed;
        int32_t cursor = c.cursor < 0 ? static_cast<int32_t>(text.size()) : c.cursor;
        NormaliseEditText(text, cursor);
        EXPECT_EQ(text, c.want);
        EXPECT_EQ(cursor, c.wantCursor < 0 ? static_cast<int32_t>(text.size()) : c.wantCursor);
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
        fs::create_directory(mDir / "clipart");
        for (const TEXTSTYLE &s : gTextStyles)
            WriteFile(mDir / "clipart/" + s.szFile,
                      SolidBmp(s.iRefWidth / 10, s.iRefHeight / 10, 0xFFFFFF));
        gDDSSprite = DXCreateSurface(nullptr, 2048, 345, DDSCAPS_SYSTEMOFFSCREEN);
        gDDSText = DXCreateSurface(nullptr, 1200, 600, DDSCAPS_SYSTEMOFFSCREEN);
        gDDSPicture = DXCreateSurface(nullptr, 2048, 2048, DDSCAPS_SYSTEMOFFSCREEN);
        gPictureRect = {190, 75, 500, 400};
        PICTURE_Shutdown();
        gModified = gLanguageOffset = 0;
        mOwner.setGeometry(100, 80, 800, 600);
        mOwner.show();
    }
    void TearDown() override
    {
        AO_ClearList();
        for (LPDDS *s : {&gDDSSprite, &gDDSText, &gDDSPicture})
            DXReleaseSurface(*s), *s = nullptr;
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
        obj->bNeedsUpdate = gModified = 0;
        return obj;
    }
    static auto PlaceAndSize(const IMGOBJ *obj)
    {
        return std::tuple(obj->ao.x, obj->ao.y, obj->fWidth, obj->fHeight);
    }
    TempDir mDir;
    QWidget mOwner;
};

TEST_F(AddText, OpensCentredWithTheEditedPiecesTextAndStyleInTheLanguageWithItsHelp)
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
    AddTextDlg dialog(&mOwner, EditedPiece(7, "TWO\r\nLINES"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Edit Text"));
    EXPECT_EQ(GetCheckedRadio(&dialog, 301, 311), 7);
    EXPECT_EQ(dialog.Edit()->toPlainText(), QStringLiteral("TWO\nLINES"));

    // In Swedish, with the help topic of the language, which leaves the dialog open.
    mDir.WriteText("help/Merrowick_Swedish/html/basics_add_swe.htm", "<p>");
    CurrentDir inMain(mDir.Path());
    gLanguageOffset = 3000;
    AddTextDlg swedish(&mOwner, nullptr);
    EXPECT_EQ(swedish.Radio(1)->text(), QString::fromUtf8("Tänker"));
    swedish.show();
    QTest::mouseClick(swedish.findChild<QPushButton *>("helpButton"), Qt::LeftButton);
    EXPECT_TRUE(PLATQT_HelpCurrentFile().endsWith("Merrowick_Swedish/html/basics_add_swe.htm"));
    EXPECT_TRUE(swedish.isVisible());
}

TEST_F(AddText, TypingGivesCentredCapitalLinesAndAPasteKeepsTheFieldsEnd)
{
    AddTextDlg dialog(&mOwner, nullptr);
    dialog.show();
    QTextEdit *edit = dialog.Edit();
    QTest::keyClicks(edit, QString::fromUtf8("hej på dig"));
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClicks(edit, "ok");
    EXPECT_EQ(dialog.EditText(), "HEJ P\xC5 DIG\nOK");
    EXPECT_TRUE(dialog.isVisible()) << "Return is a new line, not OK";
    EXPECT_EQ(edit->alignment(), Qt::AlignHCenter);
    // Pasted into the middle of a full field, what was just put in goes, as does what the
    // program cannot draw.
    edit->setPlainText(QString(90, QChar('A')));
    QTextCursor c = edit->textCursor();
    c.setPosition(10);
    edit->setTextCursor(c);
    edit->insertPlainText(QString::fromUtf8("1234567890€中"));
    EXPECT_EQ(dialog.EditText(), std::string(10, 'A') + "12345678" + std::string(80, 'A'));
    EXPECT_EQ(edit->textCursor().position(), 18);
}

TEST_F(AddText, OkAddsATextPieceOfTheStyleButNotForAnEmptyField)
{
    AddTextDlg dialog(&mOwner, nullptr);
    dialog.show();
    QTest::mouseClick(dialog.Preview(5), Qt::LeftButton); // checks the style's radio
    dialog.OnOk();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(Pieces().empty());

    QTest::keyClicks(dialog.Edit(), "for sale");
    QTest::keyClick(dialog.Edit(), Qt::Key_Return);
    QTest::keyClicks(dialog.Edit(), "cheap");
    QTest::mouseClick(dialog.findChild<QPushButton *>("okButton"), Qt::LeftButton);
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
    EXPECT_EQ(PlaceAndSize(obj), std::tuple(230, 140, 211.5f, 123.25f));
    EXPECT_EQ(obj->bFlipH + obj->bNeedsUpdate + gModified, 3) << "mirrored, redrawn, to save";

    AddTextDlg dialog(&mOwner, obj);
    QTest::mouseClick(dialog.Radio(1), Qt::LeftButton);
    dialog.OnOk();
    EXPECT_EQ(obj->ao.bRemove, 1);
    auto pieces = Pieces();
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(pieces[0]->iTextStyle, 1);
    EXPECT_STREQ(pieces[0]->szText, "AFTER");
    EXPECT_EQ(PlaceAndSize(pieces[0]), PlaceAndSize(obj)); // the old one's place and size
}

TEST_F(AddText, AFailedStyleChangeKeepsTheOldPieceAndTheDialogOpen)
{
    IMGOBJ *old = EditedPiece(0, "KEEP ME");
    fs::remove(mDir / "clipart/transp.clp");
    AddTextDlg dialog(&mOwner, old);
    dialog.show();
    QTest::mouseClick(dialog.Radio(10), Qt::LeftButton);
    dialog.OnOk();
    ASSERT_EQ(gBoxes.size(), 1u);
    EXPECT_NE(gBoxes[0].text.find("IMGOBJ_AddObj() failed"), std::string::npos) << gBoxes[0].text;
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(Pieces(), std::vector<IMGOBJ *>{old});
    EXPECT_EQ(old->iTextStyle, 0);
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
    EXPECT_EQ(obj->iTextStyle + obj->bNeedsUpdate + gModified, 3);
    press("okButton");
    EXPECT_EQ(AddTextDialog(&mOwner, nullptr), 1);
    EXPECT_EQ(Pieces().size(), 2u);
}

} // namespace
