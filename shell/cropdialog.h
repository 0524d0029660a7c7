// cropdialog.h — Edit > Crop photo: a dialog over the photo where the user drags a
// rectangle (or types its place and size) with a choice of proportions; OK cuts the photo
// as one step of the history. What it computes is in croplogic.h.
#pragma once

#include <QDialog>
#include <QImage>
#include <functional>

#include "shell/croplogic.h"

class QComboBox;
class QSpinBox;

// The photo, small, with the rectangle over it: a press outside the rectangle starts a new
// one, a press inside moves it; outside it the photo is dimmed.
class CropView : public QWidget
{
  public:
    CropView(const QImage &preview, int32_t photoW, int32_t photoH, QWidget *parent);
    QSize sizeHint() const override;
    void SetBox(const CROPBOX &box);
    CROPBOX Box() const { return mBox; }
    void SetRatio(int ratio) { mRatio = ratio; }
    std::function<void()> changed; // the user dragged a new rectangle

  protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

  private:
    // The photo pixel under a point of the view (not clamped).
    QPoint ToPhoto(QPointF p) const;
    QRectF ToView(const CROPBOX &box) const;

    QImage mPreview;
    int32_t mPhotoW, mPhotoH;
    double mScale; // view pixels per photo pixel
    CROPBOX mBox;
    int mRatio = CROP_FREE;
    int mDrag = 0; // 1 a new rectangle, 2 moving it
    QPoint mPressAt;
    CROPBOX mPressBox = {};
};

class CropDlg : public QDialog
{
  public:
    // The dialog for a photo of photoW × photoH shown as `preview`.
    CropDlg(QWidget *owner, const QImage &preview, int32_t photoW, int32_t photoH);
    CROPBOX Chosen() const { return mView->Box(); }
    CropView *View() const { return mView; }
    QComboBox *Ratio() const { return mRatio; }
    QSpinBox *Field(int i) const { return mFields[i]; } // 0 left, 1 top, 2 width, 3 height

  private:
    void ShowBox(const CROPBOX &box); // into the view and the fields
    void Typed(int field);            // a field changed by the user

    CropView *mView;
    QComboBox *mRatio;
    QSpinBox *mFields[4];
    int32_t mPhotoW, mPhotoH;
    bool mShowing = false;
};

// A copy of the photo's full-resolution image at most maxW × maxH (nearest pixels).
QImage CropPreviewImage(int maxW, int maxH);
// Runs the dialog over the picture; OK with a rectangle that cuts something crops the photo
// (one step of the history). Nothing without a photo.
void CropPhotoDialog(QWidget *owner);
