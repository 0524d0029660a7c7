// captiondialog.h — the caption dialog: writes a new caption, or changes the selected one.
//
// The text (any language, several lines, up to 2,000 characters with a counter of what
// is left), the font, the letter size in window pixels, fill and outline colours, outline
// width, shadow and alignment, with a preview drawn by the caption renderer itself.
#pragma once

#include <QDialog>
#include <cstdint>

#include "picture/caption.h"

struct IMGOBJ;
class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

class CaptionDlg : public QDialog
{
  public:
    // editObject: the selected piece; a caption is edited, anything else makes a new one.
    CaptionDlg(QWidget *owner, IMGOBJ *editObject);
    // OK: makes or changes the caption (one step of the edit history) and closes; stays
    // open with a message when the text is empty.
    void OnOk();

    QPlainTextEdit *Edit() const { return mEdit; }
    QLabel *Counter() const { return mCounter; }
    QComboBox *Font() const { return mFont; }
    QSpinBox *Size() const { return mSize; }
    QSpinBox *OutlineWidth() const { return mOutline; }
    QCheckBox *Shadow() const { return mShadow; }
    QComboBox *Align() const { return mAlign; }
    // The style the fields say.
    CAPTIONSTYLE Style() const;
    void SetColours(uint32_t fill, uint32_t outline);

  private:
    void OnTextChanged();
    void UpdatePreview();
    void PickColour(uint32_t *colour);

    IMGOBJ *mEditObject;
    QPlainTextEdit *mEdit;
    QLabel *mCounter, *mPreview;
    QComboBox *mFont, *mAlign;
    QSpinBox *mSize, *mOutline;
    QCheckBox *mShadow;
    QPushButton *mFillButton, *mOutlineButton;
    uint32_t mFill, mOutlineColour;
    bool mTrimming = false;
};

// Runs the caption dialog modally. Returns 1 when confirmed, 0 when cancelled.
int CaptionDialog(QWidget *parent, IMGOBJ *editObject);
