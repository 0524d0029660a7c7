// The text dialog: the edit field's rules, what OK does to the picture (with real image
// objects and bubble bitmaps), and the dialog itself on Qt's offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "picture/ao.h"
#include "picture/imgobj.h"
#include "picture/text.h"
#include "pixels/pixels.h"
#include "platform/platform.h"
#include "platform/qt/qt_platform.h"
#include "platform/trail.h"
#include "resources/strings/strings.h"
#include "shell/addtextdialog.h"
#include "shell/addtextlogic.h"
#include "shell/appstate.h"

namespace
{

// ---- The edit field's rules ------------------------------------------------------------

std::string Normalised(std::string text, int32_t *cursor = nullptr)
{
    int32_t at = cursor ? *cursor : static_cast<int32_t>(text.size());
    NormaliseEditText(text, at);
    if (cursor)
        *cursor = at;
    return text;
}

TEST(AddTextField, CapitalsOverLatin1AndTheCodePagesExtraLetters)
{
    EXPECT_EQ(Normalised("hej \xE5\xE4\xF6 \xE9\xFC\xE7 \xDF \xFF \x9A"),
              "HEJ \xC5\xC4\xD6 \xC9\xDC\xC7 \xDF \x9F \x8A");
    EXPECT_EQ(EditCharToByte(0x0178), 0x9F); // Ÿ
    EXPECT_EQ(EditByteToChar(0x9F), 0x0178u);
    EXPECT_EQ(EditCharToByte(0x20AC), 0x80); // €
    EXPECT_EQ(EditCharToByte(0xE5), 0xE5);
    EXPECT_EQ(EditCharToByte('\n'), '\n');
    for (uint32_t dropped : {0x09u, 0x0Du, 0x85u, 0x4E2Du, 0xD83Du, 0xFFFCu})
        EXPECT_EQ(EditCharToByte(dropped), -1) << std::hex << dropped;
}

TEST(AddTextField, CarriageReturnsAndNulsGoAndTheCursorFollows)
{
    std::string text("ab\r\ncd", 6);
    int32_t cursor = 5; // after "c"
    EXPECT_TRUE(NormaliseEditText(text, cursor));
    EXPECT_EQ(text, "AB\nCD");
    EXPECT_EQ(cursor, 4);
    text = std::string("x\0y", 3);
    cursor = 3;
    NormaliseEditText(text, cursor);
    EXPECT_EQ(text, "XY");
    EXPECT_EQ(cursor, 2);
    std::string same = "ALREADY\nFINE";
    cursor = 3;
    EXPECT_FALSE(NormaliseEditText(same, cursor));
    EXPECT_EQ(cursor, 3);
}

TEST(AddTextField, AtMostNinetyEightStoredCharactersCuttingWhatWasJustTyped)
{
    std::string full(98, 'A');
    EXPECT_EQ(Normalised(full), full);
    EXPECT_EQ(Normalised(full + "B"), full) << "typing at the end is refused";

    // Three letters pasted in the middle of a full field: they are what goes.
    std::string text = std::string(50, 'A') + "xyz" + std::string(48, 'C');
    int32_t cursor = 53;
    text = Normalised(text, &cursor);
    EXPECT_EQ(text, std::string(50, 'A') + std::string(48, 'C'));
    EXPECT_EQ(cursor, 50);

    // Each line end is stored as two characters.
    std::string lines =
        std::string(40, 'A') + "\n" + std::string(40, 'B') + "\n" + std::string(20, 'C');
    EXPECT_EQ(StoredLength(lines), 104);
    std::string kept = Normalised(lines);
    EXPECT_EQ(StoredLength(kept), 98);
    EXPECT_EQ(kept, lines.substr(0, lines.size() - 6));

    // A cursor at the start of an overfull field cuts from the end.
    std::string over(100, 'Q');
    cursor = 0;
    EXPECT_EQ(Normalised(over, &cursor), std::string(98, 'Q'));
    EXPECT_EQ(cursor, 0);
}

TEST(AddTextField, StoredFormEndsLinesInCarriageReturnLineFeed)
{
    char out[TEXT_DIALOG_MAX_CHARS + 1];
    EditTextToStored("HI\nTHERE", out);
    EXPECT_STREQ(out, "HI\r\nTHERE");
    EXPECT_EQ(StoredTextToEdit(out), "HI\nTHERE");
    EXPECT_EQ(StoredTextToEdit("A\rB\r\n\r\nC"), "A\nB\n\nC");

    // 97 letters and a line end: the pair does not fit and is left out whole.
    EditTextToStored(std::string(97, 'A') + "\nB", out);
    EXPECT_EQ(std::strlen(out), 97u);
    EditTextToStored(std::string(150, 'A'), out);
    EXPECT_EQ(std::strlen(out), 98u);
}

// ---- The picture: real image objects over bubble bitmaps in a clip-art folder ------------

QApplication &App()
{
    static int argc = 1;
    static char name[] = "test_addtext";
    static char *argv[] = {name, nullptr};
    // Never destroyed: tearing Qt down among the exit handlers crashes.
    static QApplication *app = new QApplication(argc, argv);
    return *app;
}

// A 24-bit Windows bitmap, white inside a coloured border.
std::vector<uint8_t> BubbleBmp(int32_t w, int32_t h, uint32_t rgb)
{
    const int32_t pitch = (w * 3 + 3) & ~3;
    std::vector<uint8_t> v(54 + static_cast<size_t>(pitch) * h, 0);
    auto put32 = [&v](size_t at, uint32_t x) {
        for (int i = 0; i < 4; ++i)
            v[at + i] = static_cast<uint8_t>(x >> (8 * i));
    };
    v[0] = 'B', v[1] = 'M';
    put32(2, static_cast<uint32_t>(v.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(w));
    put32(22, static_cast<uint32_t>(h));
    v[26] = 1, v[28] = 24;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            bool edge = x < 3 || y < 3 || x >= w - 3 || y >= h - 3;
            uint32_t c = edge ? rgb : 0xFFFFFF;
            uint8_t *p = &v[54 + static_cast<size_t>(y) * pitch + x * 3];
            p[0] = c & 0xFF, p[1] = (c >> 8) & 0xFF, p[2] = (c >> 16) & 0xFF;
        }
    return v;
}

class AddTextPicture : public ::testing::Test
{
  protected:
    AddTextPicture() { App(); } // before any widget member of a derived fixture
    void SetUp() override
    {
        char tmpl[] = "/tmp/mw_addtext_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        mDir = tmpl;
        std::snprintf(gMainDir, sizeof gMainDir, "%s/", mDir.c_str());
        ::mkdir((mDir + "/clipart").c_str(), 0755);
        // Every style's bubble, each the shape of its reference size at a tenth.
        for (int32_t k = 0; k < TEXT_STYLE_COUNT; ++k) {
            const TEXTSTYLE &s = gTextStyles[k];
            auto bmp = BubbleBmp(s.iRefWidth / 10, s.iRefHeight / 10, 0x102030 * (k + 1));
            FILE *f = std::fopen((mDir + "/clipart/" + s.szFile).c_str(), "wb");
            ASSERT_NE(f, nullptr);
            std::fwrite(bmp.data(), 1, bmp.size(), f);
            std::fclose(f);
        }
        gDDSSprite = DXCreateSurface(nullptr, 2048, 345, DDSCAPS_SYSTEMOFFSCREEN);
        DXFillRect(gDDSSprite, 0, 0, 2048, 345, 0x0000FF);
        gDDSText = DXCreateSurface(nullptr, 1200, 600, DDSCAPS_SYSTEMOFFSCREEN);
        gDDSPicture = DXCreateSurface(nullptr, 2048, 2048, DDSCAPS_SYSTEMOFFSCREEN);
        gPictureRect = {190, 75, 500, 400};
        gpSetModified = nullptr;
        gModified = 0;
        gSelected = nullptr;
        TrailClear();
    }
    void TearDown() override
    {
        AO_ClearList();
        gSelected = nullptr;
        for (LPDDS *s : {&gDDSSprite, &gDDSText, &gDDSPicture})
            DXReleaseSurface(*s), *s = nullptr;
        TrailClear();
        std::string cmd = "rm -rf '" + mDir + "'";
        if (std::system(cmd.c_str()) != 0)
            ADD_FAILURE() << "could not remove " << mDir;
    }

    // The live text pieces in list order.
    static std::vector<IMGOBJ *> Pieces()
    {
        std::vector<IMGOBJ *> out;
        for (AO *e = gAOList; e; e = e->pNext)
            if (e->iType == AO_TYPE_IMGOBJ && !e->bRemove)
                out.push_back(reinterpret_cast<IMGOBJ *>(e));
        return out;
    }

    // A text piece as OK makes it, then moved, resized and mirrored by the user.
    IMGOBJ *EditedPiece(int32_t style, const char *text)
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

    std::string mDir;
};

TEST_F(AddTextPicture, NewTextIsASelectedTextPieceOfTheStyle)
{
    ASSERT_TRUE(ApplyAddText(nullptr, 6, "HI\r\nYOU"));
    auto pieces = Pieces();
    ASSERT_EQ(pieces.size(), 1u);
    IMGOBJ *obj = pieces[0];
    EXPECT_EQ(obj->iKind, IMG_TEXT);
    EXPECT_EQ(obj->iTextStyle, 6);
    EXPECT_STREQ(obj->szText, "HI\r\nYOU");
    EXPECT_STREQ(obj->szFileName, "banner1.clp");
    EXPECT_EQ(gSelected, obj);
    EXPECT_EQ(gModified, 1);
}

TEST_F(AddTextPicture, SameStyleChangesTheTextInPlace)
{
    IMGOBJ *obj = EditedPiece(2, "OLD");
    ASSERT_TRUE(ApplyAddText(obj, 2, "NEW\r\nWORDS"));
    ASSERT_EQ(Pieces(), std::vector<IMGOBJ *>{obj});
    EXPECT_STREQ(obj->szText, "NEW\r\nWORDS");
    EXPECT_EQ(obj->ao.x, 230);
    EXPECT_EQ(obj->ao.y, 140);
    EXPECT_FLOAT_EQ(obj->fWidth, 211.5f);
    EXPECT_FLOAT_EQ(obj->fHeight, 123.25f);
    EXPECT_EQ(obj->bFlipH, 1);
    EXPECT_EQ(obj->bNeedsUpdate, 1);
    EXPECT_EQ(gModified, 1) << "a changed text must be saved";

    gModified = 0;
    ASSERT_TRUE(ApplyAddText(obj, 2, "NEW\r\nWORDS"));
    EXPECT_EQ(gModified, 0) << "the same text changes nothing";
}

TEST_F(AddTextPicture, AnotherStyleReplacesThePieceAtTheSamePlaceAndSize)
{
    IMGOBJ *old = EditedPiece(0, "OLD");
    ASSERT_TRUE(ApplyAddText(old, 9, "NEW"));
    EXPECT_EQ(old->ao.bRemove, 1);
    auto pieces = Pieces();
    ASSERT_EQ(pieces.size(), 1u);
    IMGOBJ *made = pieces[0];
    EXPECT_EQ(gSelected, made);
    EXPECT_EQ(made->iTextStyle, 9);
    EXPECT_STREQ(made->szFileName, "xmas8.clp");
    EXPECT_STREQ(made->szText, "NEW");
    EXPECT_EQ(made->ao.x, 230);
    EXPECT_EQ(made->ao.y, 140);
    EXPECT_FLOAT_EQ(made->fWidth, 211.5f);
    EXPECT_FLOAT_EQ(made->fHeight, 123.25f);
    EXPECT_EQ(gModified, 1);
}

TEST_F(AddTextPicture, AFailedStyleChangeKeepsTheOldPiece)
{
    IMGOBJ *old = EditedPiece(0, "KEEP ME");
    ASSERT_EQ(std::remove((mDir + "/clipart/transp.clp").c_str()), 0);
    EXPECT_FALSE(ApplyAddText(old, 10, "LOST?"));
    EXPECT_NE(std::strstr(gErrorTrail, "IMGOBJ_AddObj() failed"), nullptr) << gErrorTrail;
    EXPECT_EQ(Pieces(), std::vector<IMGOBJ *>{old});
    EXPECT_EQ(old->ao.bRemove, 0);
    EXPECT_STREQ(old->szText, "KEEP ME");
    EXPECT_EQ(old->iTextStyle, 0);
}

// ---- The dialog ------------------------------------------------------------------------------

class AddTextWindow : public AddTextPicture
{
  protected:
    void SetUp() override
    {
        AddTextPicture::SetUp();
        gLanguageOffset = 0;
        mOwner.setGeometry(100, 80, 800, 600);
        mOwner.show();
    }
    void TearDown() override
    {
        PLATQT_SetMessageBoxHook(nullptr);
        PLATQT_CloseHelp();
        AddTextPicture::TearDown();
    }
    static std::string Plain(QTextEdit *edit) { return edit->toPlainText().toStdString(); }
    QWidget mOwner;
};

TEST_F(AddTextWindow, CaptionsLabelsAndTheEditedPiecesTextAndStyle)
{
    {
        AddTextDlg dialog(&mOwner, nullptr);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("New Text"));
        EXPECT_TRUE(dialog.Radio(0)->isChecked());
        EXPECT_EQ(dialog.Radio(1)->text(), QStringLiteral("Thinking"));
        EXPECT_EQ(dialog.Radio(10)->text(), QStringLiteral("Transparent"));
        EXPECT_TRUE(dialog.findChild<QLabel *>("tip1117")->text().startsWith("Tip:"));
        EXPECT_EQ(dialog.findChild<QPushButton *>("helpButton")->text(), QStringLiteral("Help"));
        EXPECT_TRUE(Plain(dialog.Edit()).empty());
        // Centred over its owner.
        EXPECT_NEAR(dialog.geometry().center().x(), mOwner.geometry().center().x(), 1);
        EXPECT_NEAR(dialog.geometry().center().y(), mOwner.geometry().center().y(), 1);
        for (int32_t k = 0; k < TEXT_STYLE_COUNT; ++k) {
            size_t size = 0;
            if (PLAT_FindResource(gTextStyles[k].pszPreview, &size))
                EXPECT_FALSE(dialog.Preview(k)->pixmap().isNull()) << k;
        }
    }
    IMGOBJ *obj = EditedPiece(7, "TWO\r\nLINES");
    AddTextDlg dialog(&mOwner, obj);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Edit Text"));
    EXPECT_TRUE(dialog.Radio(7)->isChecked());
    EXPECT_EQ(GetCheckedRadio(&dialog, 301, 311), 7);
    EXPECT_EQ(Plain(dialog.Edit()), "TWO\nLINES");

    gLanguageOffset = 3000;
    AddTextDlg swedish(&mOwner, nullptr);
    EXPECT_EQ(swedish.windowTitle(), QStringLiteral("Ny text"));
    EXPECT_EQ(swedish.Radio(1)->text(), QString::fromUtf8("Tänker"));
}

TEST_F(AddTextWindow, TypingGivesCentredCapitalLinesOfAtMostNinetyEightCharacters)
{
    AddTextDlg dialog(&mOwner, nullptr);
    dialog.show();
    QTextEdit *edit = dialog.Edit();
    edit->setFocus();
    QTest::keyClicks(edit, QString::fromUtf8("hej på dig"));
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClicks(edit, "ok");
    EXPECT_EQ(edit->toPlainText(), QString::fromUtf8("HEJ PÅ DIG\nOK"));
    EXPECT_TRUE(dialog.isVisible()) << "Return is a new line, not OK";
    EXPECT_EQ(dialog.EditText(), "HEJ P\xC5 DIG\nOK");

    // Every line sits in the middle of the field, pasted ones too.
    edit->insertPlainText("\nPASTED\nLINES");
    for (QTextBlock b = edit->document()->begin(); b.isValid(); b = b.next()) {
        ASSERT_GT(b.layout()->lineCount(), 0);
        const QTextLine line = b.layout()->lineAt(0);
        const qreal left = line.cursorToX(0);
        EXPECT_NEAR(left + line.naturalTextWidth() / 2, line.x() + line.width() / 2, 2)
            << b.text().toStdString();
        EXPECT_GT(left, line.width() / 4) << b.text().toStdString();
    }
    edit->undo();
    EXPECT_EQ(edit->toPlainText(), QString::fromUtf8("HEJ PÅ DIG\nOK"));

    // 14 stored so far; the field stops at 98.
    QTest::keyClicks(edit, QString(100, QChar('x')));
    EXPECT_EQ(StoredLength(dialog.EditText()), 98);
    EXPECT_TRUE(edit->toPlainText().endsWith(QString(84, QChar('X'))));

    // A paste into the middle keeps the field's end and loses the overflow.
    edit->clear();
    edit->insertPlainText(QString(90, QChar('a')));
    QTextCursor c = edit->textCursor();
    c.setPosition(10);
    edit->setTextCursor(c);
    edit->insertPlainText(QString::fromUtf8("1234567890€中"));
    EXPECT_EQ(dialog.EditText(), std::string(10, 'A') + "12345678" + std::string(80, 'A'));
    EXPECT_EQ(edit->textCursor().position(), 18);
}

TEST_F(AddTextWindow, AClickOnAPreviewChecksItsRadio)
{
    AddTextDlg dialog(&mOwner, nullptr);
    dialog.show();
    for (int32_t k : {4, 10, 0}) {
        QTest::mouseClick(dialog.Preview(k), Qt::LeftButton);
        EXPECT_TRUE(dialog.Radio(k)->isChecked()) << k;
        EXPECT_EQ(GetCheckedRadio(&dialog, 301, 311), k);
    }
    EXPECT_FALSE(dialog.Radio(4)->isChecked());
    EXPECT_EQ(GetCheckedRadio(&dialog, 305, 311), 0) << "none of these checked";
}

TEST_F(AddTextWindow, OkWithAnEmptyFieldStaysOpenAndAddsNothing)
{
    AddTextDlg dialog(&mOwner, nullptr);
    dialog.show();
    QTest::mouseClick(dialog.findChild<QPushButton *>("okButton"), Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(Pieces().empty());
}

TEST_F(AddTextWindow, OkWithANewTextAddsATextPiece)
{
    AddTextDlg dialog(&mOwner, nullptr);
    dialog.show();
    QTest::mouseClick(dialog.Preview(5), Qt::LeftButton);
    QTest::keyClicks(dialog.Edit(), "for sale");
    QTest::keyClick(dialog.Edit(), Qt::Key_Return);
    QTest::keyClicks(dialog.Edit(), "cheap");
    QTest::mouseClick(dialog.findChild<QPushButton *>("okButton"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    auto pieces = Pieces();
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(pieces[0]->iKind, IMG_TEXT);
    EXPECT_EQ(pieces[0]->iTextStyle, 5);
    EXPECT_STREQ(pieces[0]->szText, "FOR SALE\r\nCHEAP");
}

TEST_F(AddTextWindow, OkOnAPieceKeepsItOrReplacesItByStyle)
{
    IMGOBJ *obj = EditedPiece(3, "BEFORE");
    {
        AddTextDlg dialog(&mOwner, obj);
        dialog.show();
        dialog.Edit()->selectAll();
        QTest::keyClicks(dialog.Edit(), "after");
        dialog.OnOk();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    EXPECT_EQ(Pieces(), std::vector<IMGOBJ *>{obj});
    EXPECT_STREQ(obj->szText, "AFTER");
    EXPECT_EQ(obj->ao.x, 230);
    EXPECT_FLOAT_EQ(obj->fWidth, 211.5f);
    EXPECT_EQ(obj->bFlipH, 1);

    AddTextDlg dialog(&mOwner, obj);
    dialog.show();
    QTest::mouseClick(dialog.Radio(1), Qt::LeftButton);
    dialog.OnOk();
    EXPECT_EQ(obj->ao.bRemove, 1);
    auto pieces = Pieces();
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(pieces[0]->iTextStyle, 1);
    EXPECT_STREQ(pieces[0]->szText, "AFTER");
    EXPECT_EQ(pieces[0]->ao.x, 230);
    EXPECT_EQ(pieces[0]->ao.y, 140);
    EXPECT_FLOAT_EQ(pieces[0]->fHeight, 123.25f);
}

TEST_F(AddTextWindow, CancelChangesNothing)
{
    IMGOBJ *obj = EditedPiece(3, "SAME");
    AddTextDlg dialog(&mOwner, obj);
    dialog.show();
    QTest::keyClicks(dialog.Edit(), " more");
    QTest::mouseClick(dialog.Radio(8), Qt::LeftButton);
    QTest::mouseClick(dialog.findChild<QPushButton *>("cancelButton"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(Pieces(), std::vector<IMGOBJ *>{obj});
    EXPECT_STREQ(obj->szText, "SAME");
    EXPECT_EQ(obj->iTextStyle, 3);
    EXPECT_EQ(obj->bNeedsUpdate, 0);
    EXPECT_EQ(gModified, 0);
}

TEST_F(AddTextWindow, AFailedPieceShowsTheTrailAndTheDialogStaysOpen)
{
    static std::string shown;
    shown.clear();
    PLATQT_SetMessageBoxHook([](const char *text, const char *, int) -> int {
        shown = text;
        return PLAT_IDOK;
    });
    ASSERT_EQ(std::remove((mDir + "/clipart/text4.clp").c_str()), 0);
    AddTextDlg dialog(&mOwner, nullptr);
    dialog.show();
    QTest::keyClicks(dialog.Edit(), "hello");
    dialog.OnOk();
    EXPECT_NE(shown.find("IMGOBJ_AddObj() failed"), std::string::npos) << shown;
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(Plain(dialog.Edit()), "HELLO");
    EXPECT_TRUE(Pieces().empty());
}

TEST_F(AddTextWindow, HelpOpensTheTopicOfTheLanguageAndLeavesTheDialogOpen)
{
    std::string html = mDir + "/help/Merrowick_Swedish/html";
    ASSERT_EQ(std::system(("mkdir -p '" + html + "'").c_str()), 0);
    FILE *f = std::fopen((html + "/basics_add_swe.htm").c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs("<html><body>L\xE4gg till</body></html>", f);
    std::fclose(f);
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(mDir.c_str()), 0);

    gLanguageOffset = 3000;
    AddTextDlg dialog(&mOwner, nullptr);
    dialog.show();
    QTest::mouseClick(dialog.findChild<QPushButton *>("helpButton"), Qt::LeftButton);
    EXPECT_TRUE(PLATQT_HelpCurrentFile().endsWith("Merrowick_Swedish/html/basics_add_swe.htm"))
        << PLATQT_HelpCurrentFile().toStdString();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(chdir(cwd), 0);
}

TEST_F(AddTextWindow, TheEntryPointAnswersOneForOkAndZeroForCancel)
{
    auto press = [](const char *button, const char *typed) {
        QTimer::singleShot(0, [button, typed] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            QTest::keyClicks(dialog->findChild<QTextEdit *>("edit1081"), typed);
            dialog->findChild<QPushButton *>(button)->click();
        });
    };
    press("cancelButton", "no");
    EXPECT_EQ(AddTextDialog(&mOwner, nullptr), 0);
    EXPECT_TRUE(Pieces().empty());
    press("okButton", "yes");
    EXPECT_EQ(AddTextDialog(&mOwner, nullptr), 1);
    ASSERT_EQ(Pieces().size(), 1u);
    EXPECT_STREQ(Pieces()[0]->szText, "YES");
}

} // namespace
