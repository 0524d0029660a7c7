// The text dialog's notice of what the style will not show and its counter of characters
// left, in both languages, and the rules behind them.
#include <QLabel>
#include <QTest>
#include <QTextEdit>

#include "picture/text.h"
#include "resources/strings/strings.h"
#include "shell/addtextdialog.h"
#include "shell/addtextlogic.h"
#include "support/qt_app.h"

namespace
{

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

class AddTextDialogNotice : public QtTest
{
  protected:
    void TearDown() override
    {
        gLanguageOffset = LANGUAGE_ENGLISH;
        QtTest::TearDown();
    }
};

// Pasted characters the style cannot draw stay in the field and are named under it; a
// paste past 98 characters says how much was left out; the counter follows every change.
TEST_F(AddTextDialogNotice, SaysBeforeOkWhatWillNotShowAndHowManyCharactersAreLeft)
{
    const struct {
        int32_t language;
        QString paste;
        QString field, notice, counter;
    } cases[] = {
        {LANGUAGE_ENGLISH, QString::fromUtf8("ł ä 😀\tź"), QString::fromUtf8("Ł Ä 😀 Ź"),
         QString::fromUtf8("Not shown in this style: Ł 😀 Ź"), "Characters left: 91"},
        {LANGUAGE_SWEDISH, QString(120, 'a'), QString(98, 'A'),
         QString::fromUtf8("22 tecken fick inte plats (högst 98) och togs bort."),
         "Tecken kvar: 0"},
    };
    for (const auto &c : cases) {
        gLanguageOffset = c.language;
        AddTextDlg dialog(nullptr, nullptr);
        EXPECT_EQ(dialog.Counter()->text(), c.language ? "Tecken kvar: 98" : "Characters left: 98");
        EXPECT_TRUE(dialog.Notice()->text().isEmpty());
        dialog.Edit()->insertPlainText(c.paste);
        EXPECT_EQ(dialog.Edit()->toPlainText(), c.field);
        EXPECT_EQ(dialog.Notice()->text(), c.notice);
        EXPECT_EQ(dialog.Counter()->text(), c.counter);
        QTest::keyClick(dialog.Edit(), Qt::Key_Backspace);
        EXPECT_EQ(dialog.Notice()->text().isEmpty(), c.language == LANGUAGE_SWEDISH)
            << "a change that cuts nothing takes the cut notice away";
    }
    gLanguageOffset = LANGUAGE_ENGLISH;
    AddTextDlg dialog(nullptr, nullptr);
    dialog.Edit()->insertPlainText(QString::fromUtf8("😀HI ł"));
    EXPECT_EQ(dialog.EditText(), "HI ") << "what the code page lacks is not stored";
}

} // namespace
