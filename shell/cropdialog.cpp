// cropdialog.cpp — the Crop photo dialog (see cropdialog.h).
#include "shell/cropdialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "document/undo.h"
#include "picture/ao.h"
#include "picture/imgobj.h"
#include "pixels/pixels.h"
#include "platform/qt/qt_platform.h"
#include "platform/trail.h"
#include "resources/strings/strings.h"
#include "shell/shell.h"
#include "shell/shellcore.h"

static QString Text(int id)
{
    return PLATQT_ToQt(LoadText(id));
}

// ---- The view ------------------------------------------------------------------------------

CropView::CropView(const QImage &preview, int32_t photoW, int32_t photoH, QWidget *parent)
    : QWidget(parent), mPreview(preview), mPhotoW(photoW), mPhotoH(photoH),
      mScale(photoW > 0 ? double(preview.width()) / photoW : 1), mBox{0, 0, photoW, photoH}
{
    setMouseTracking(true);
    setFixedSize(sizeHint());
    setCursor(Qt::CrossCursor);
}

QSize CropView::sizeHint() const
{
    return mPreview.size();
}

void CropView::SetBox(const CROPBOX &box)
{
    mBox = box;
    update();
}

QPoint CropView::ToPhoto(QPointF p) const
{
    return QPoint(static_cast<int>(std::floor(p.x() / mScale)),
                  static_cast<int>(std::floor(p.y() / mScale)));
}

QRectF CropView::ToView(const CROPBOX &box) const
{
    return QRectF(box.x * mScale, box.y * mScale, box.w * mScale, box.h * mScale);
}

void CropView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.drawImage(0, 0, mPreview);
    const QRectF r = ToView(mBox);
    // Outside the rectangle the photo is dimmed: what OK cuts away.
    QPainterPath outside;
    outside.addRect(rect());
    outside.addRect(r);
    p.fillPath(outside, QColor(0, 0, 0, 130));
    p.setPen(QPen(Qt::white, 1));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.setPen(QPen(Qt::black, 1, Qt::DashLine));
    p.drawRect(r.adjusted(0, 0, -1, -1));
}

void CropView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    mPressAt = ToPhoto(event->position());
    mPressBox = mBox;
    // Inside the rectangle a press moves it, unless it is still the whole photo.
    mDrag = CropCuts(mBox, mPhotoW, mPhotoH) && ToView(mBox).contains(event->position()) ? 2 : 1;
}

void CropView::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint at = ToPhoto(event->position());
    if (!mDrag) {
        setCursor(CropCuts(mBox, mPhotoW, mPhotoH) && ToView(mBox).contains(event->position())
                      ? Qt::SizeAllCursor
                      : Qt::CrossCursor);
        return;
    }
    if (mDrag == 2)
        mBox = CropMoved(mPressBox, at.x() - mPressAt.x(), at.y() - mPressAt.y(), mPhotoW, mPhotoH);
    else
        mBox = CropFromDrag(mPressAt.x(), mPressAt.y(), at.x(), at.y(), mRatio, mPhotoW, mPhotoH);
    update();
    if (changed)
        changed();
}

void CropView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        mDrag = 0;
}

// ---- The dialog ----------------------------------------------------------------------------

CropDlg::CropDlg(QWidget *owner, const QImage &preview, int32_t photoW, int32_t photoH)
    : QDialog(owner), mPhotoW(photoW), mPhotoH(photoH)
{
    setWindowTitle(Text(STR_CROP_TITLE));
    auto *hint = new QLabel(Text(STR_CROP_HINT));
    hint->setWordWrap(true);
    mView = new CropView(preview, photoW, photoH, this);

    mRatio = new QComboBox;
    for (int r = 0; r < CROP_RATIO_COUNT; r++) {
        const char *name = CropRatioName(r);
        QString label = r == CROP_FREE       ? Text(STR_CROP_FREE)
                        : r == CROP_ORIGINAL ? Text(STR_CROP_ORIGINAL)
                                             : QString::fromLatin1(name);
        int32_t num = 0, den = 0;
        if (name && CropRatio(r, photoW, photoH, &num, &den) && num < den)
            label = Text(STR_CROP_UPRIGHT).replace(QLatin1String("%s"), label);
        mRatio->addItem(label);
    }
    auto *form = new QFormLayout;
    form->addRow(Text(STR_CROP_RATIO), mRatio);
    static const int kLabels[4] = {STR_CROP_LEFT, STR_CROP_TOP, STR_CROP_WIDTH, STR_CROP_HEIGHT};
    for (int i = 0; i < 4; i++) {
        mFields[i] = new QSpinBox;
        mFields[i]->setRange(i < 2 ? 0 : 1, i % 2 ? photoH : photoW);
        mFields[i]->setKeyboardTracking(false); // typed numbers count once the field is left
        form->addRow(Text(kLabels[i]), mFields[i]);
        connect(mFields[i], &QSpinBox::valueChanged, this, [this, i] { Typed(i); });
    }
    auto *whole = new QPushButton(Text(STR_CROP_WHOLE));
    form->addRow(QString(), whole);

    auto *buttons = new QDialogButtonBox;
    buttons->addButton(Text(11), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(Text(12), QDialogButtonBox::RejectRole);
    QPushButton *help = buttons->addButton(Text(13), QDialogButtonBox::HelpRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [] { ShowHelpPage("crop.htm"); });

    auto *side = new QVBoxLayout;
    side->addLayout(form);
    side->addStretch(1);
    auto *row = new QHBoxLayout;
    row->addWidget(mView, 0, Qt::AlignTop);
    row->addLayout(side);
    auto *all = new QVBoxLayout(this);
    all->addWidget(hint);
    all->addLayout(row);
    all->addWidget(buttons);

    mView->changed = [this] { ShowBox(mView->Box()); };
    connect(mRatio, &QComboBox::currentIndexChanged, this, [this](int r) {
        mView->SetRatio(r);
        ShowBox(CropLargest(r, mPhotoW, mPhotoH));
    });
    connect(whole, &QPushButton::clicked, this, [this] {
        mRatio->setCurrentIndex(CROP_FREE);
        ShowBox({0, 0, mPhotoW, mPhotoH});
    });
    ShowBox({0, 0, photoW, photoH});
}

void CropDlg::ShowBox(const CROPBOX &box)
{
    mShowing = true;
    mView->SetBox(box);
    const int32_t v[4] = {box.x, box.y, box.w, box.h};
    for (int i = 0; i < 4; i++)
        mFields[i]->setValue(v[i]);
    mShowing = false;
}

void CropDlg::Typed(int field)
{
    if (mShowing)
        return;
    CROPBOX box = {mFields[0]->value(), mFields[1]->value(), mFields[2]->value(),
                   mFields[3]->value()};
    ShowBox(CropFit(box, mRatio->currentIndex(), mPhotoW, mPhotoH, field == 3));
}

// ---- Running it ------------------------------------------------------------------------------

static IMGOBJ *ThePhoto()
{
    for (AO *e = gAOList; e; e = e->pNext)
        if (e->iType == AO_TYPE_IMGOBJ && !e->bRemove &&
            reinterpret_cast<IMGOBJ *>(e)->iKind == IMG_SRC &&
            reinterpret_cast<IMGOBJ *>(e)->iiRes[HI_RES_OBJ].DDSSurface)
            return reinterpret_cast<IMGOBJ *>(e);
    return nullptr;
}

QImage CropPreviewImage(int maxW, int maxH)
{
    if (!WaitForFullPhoto())
        return {};
    IMGOBJ *photo = ThePhoto();
    if (!photo || gPhotoWidth < 1 || gPhotoHeight < 1)
        return {};
    const double scale = std::min({1.0, double(maxW) / gPhotoWidth, double(maxH) / gPhotoHeight});
    const int w = std::max(1, int(gPhotoWidth * scale)), h = std::max(1, int(gPhotoHeight * scale));
    QImage image(w, h, QImage::Format_RGB888);
    LPDDS s = photo->iiRes[HI_RES_OBJ].DDSSurface;
    for (int y = 0; y < h; y++) {
        uchar *row = image.scanLine(y);
        const int32_t sy =
            std::min<int32_t>(gPhotoHeight - 1, int32_t(int64_t(y) * gPhotoHeight / h));
        for (int x = 0; x < w; x++) {
            const int32_t sx =
                std::min<int32_t>(gPhotoWidth - 1, int32_t(int64_t(x) * gPhotoWidth / w));
            const uint8_t *px = DXPixel(s, sx, sy); // blue, green, red
            row[3 * x] = px[2], row[3 * x + 1] = px[1], row[3 * x + 2] = px[0];
        }
    }
    return image;
}

void CropPhotoDialog(QWidget *owner)
{
    if (!gPictureExists || !ThePhoto())
        return;
    CropDlg dialog(owner, CropPreviewImage(480, 380), gPhotoWidth, gPhotoHeight);
    dialog.adjustSize();
    CenterWindowOver(owner ? owner : PLATQT_MainWindow(), &dialog);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const CROPBOX box = dialog.Chosen();
    if (!CropCuts(box, gPhotoWidth, gPhotoHeight))
        return; // the whole photo: nothing to cut
    if (!UNDO_PhotoCrop(box.x, box.y, box.w, box.h)) {
        Fail(LoadText(STR_CROP_FAILED));
        ShowErrorTrail();
    }
    UpdateTitle(owner);
    UpdateStatusText();
    UpdateUndoCommands();
}
