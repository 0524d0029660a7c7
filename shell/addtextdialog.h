// addtextdialog.h — the text dialog: writes a new text piece, or changes the text or
// the style of an existing one.
//
// Eleven styles, each a radio button with its preview picture beside it (a click on
// the picture picks the style), and a multi-line edit field that writes capitals,
// centres its lines, takes Return as a new line and holds at most 98 characters; under
// it, what the style will not show and how many characters are left.
// The rules that need no window are in addtextlogic.h.
#pragma once

#include <QDialog>
#include <cstdint>
#include <memory>
#include <string>

struct IMGOBJ;
class QLabel;
class QRadioButton;
class QTextEdit;

namespace Ui
{
class AddTextDialog;
} // namespace Ui

class AddTextDlg : public QDialog
{
  public:
    // editObject: the selected piece; a text piece is edited, anything else (or null)
    // makes a new one.
    AddTextDlg(QWidget *owner, IMGOBJ *editObject);
    ~AddTextDlg() override;
    // OK: acts on the picture and closes; stays open when the field holds nothing to
    // write, or when the piece cannot be made (the trail is shown).
    void OnOk();
    // Opens the help topic of the current language; the dialog stays open.
    void OnHelp();
    // The edit field's text in the program's code page, "\n" line ends; characters the
    // code page lacks are left out.
    std::string EditText() const;

    QTextEdit *Edit() const;
    QRadioButton *Radio(int32_t style) const;
    QLabel *Preview(int32_t style) const;
    QLabel *Notice() const;
    QLabel *Counter() const;

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    void OnTextChanged();
    // The notice under the field (what was cut, what the style cannot draw) and the
    // counter of characters left.
    void ShowNotice(const std::u32string &chars, int32_t cut);

    std::unique_ptr<Ui::AddTextDialog> mUi;
    IMGOBJ *mEditObject;
    bool mNormalising = false;
};

// The offset from firstId of the first checked radio button "radio<id>" among the
// dialog's children with ids firstId to lastId; 0 when none is checked.
int32_t GetCheckedRadio(QWidget *dialog, int32_t firstId, int32_t lastId);

// Runs the text dialog modally over the main window. editObject: the selected piece
// (null: a new text). Returns 1 when confirmed, 0 when cancelled.
int AddTextDialog(QWidget *parent, IMGOBJ *editObject);
