// photodialogs.h — the New dialog, the photo size dialog and the photo rotation dialog.
// Each replaces its template's texts from the string table and centres itself over the
// main window; what they compute is in photodialoglogic.h.
#pragma once

#include <QDialog>
#include <cstdint>
#include <memory>

class QLineEdit;
class QRadioButton;

namespace Ui
{
class NewDialog;
class PhotoSizeDialog;
class PhotoRotateDialog;
} // namespace Ui

// "New": Photo (1) or Blank (2).
class NewDlg : public QDialog
{
  public:
    explicit NewDlg(QWidget *owner);
    ~NewDlg() override;
    // The choice: 1 Photo, 2 Blank.
    int32_t Choice() const;
    QRadioButton *Radio(int32_t id) const;

  private:
    std::unique_ptr<Ui::NewDialog> mUi;
};

// "Image size": the pixel size of the composed picture.
class PhotoSizeDlg : public QDialog
{
  public:
    explicit PhotoSizeDlg(QWidget *owner);
    ~PhotoSizeDlg() override;
    // OK: writes the chosen size and closes; stays open when a custom side is not valid
    // (the message has been shown).
    void OnOk();
    // Enables the custom size controls for Custom, disables them for the others.
    void OnChoice(int32_t id);
    QRadioButton *Radio(int32_t id) const;
    QLineEdit *WidthEdit() const;
    QLineEdit *HeightEdit() const;
    QWidget *KeepProportions() const;
    int32_t mWidth = 0, mHeight = 0; // the chosen size, once confirmed

  private:
    // A typed side sets its partner when proportions are kept.
    void OnSideEdited(QLineEdit *typed, QLineEdit *partner, int32_t numerator, int32_t denominator);
    std::unique_ptr<Ui::PhotoSizeDialog> mUi;
};

// "Rotate image": turns the photo a quarter left or right, showing each turn at once.
class PhotoRotateDlg : public QDialog
{
  public:
    explicit PhotoRotateDlg(QWidget *owner);
    ~PhotoRotateDlg() override;
    // One quarter turn: 270 left, 90 right; failures are shown and the dialog stays.
    void Turn(int32_t angle);

  private:
    std::unique_ptr<Ui::PhotoRotateDialog> mUi;
};

// Runs the New dialog; 1 with *choice set (1 Photo, 2 Blank) when confirmed, else 0.
int NewDialog(QWidget *owner, int32_t *choice);
// Runs the photo size dialog; 1 with size[0], size[1] (width, height) when confirmed.
int PhotoSizeDialog(QWidget *owner, int32_t size[2]);
// Runs the photo rotation dialog; the frames run as before once it closes.
void PhotoRotateDialog(QWidget *owner);
