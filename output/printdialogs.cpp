// printdialogs.cpp — the "Print options" dialog, the abort dialog and the print preview.
#include "output/printdialogs.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "output/output.h"
#include "platform/platform.h"
#include "platform/qt/qt_platform.h"
#include "platform/trail.h"
#include "resources/strings/strings.h"
#include "ui_printsize.h"

static QString Text(int id)
{
    return PLATQT_ToQt(LoadText(id));
}

// ---- Print options ----------------------------------------------------------------------------

PrintSizeDlg::PrintSizeDlg(QWidget *owner, PRINTSIZE *ps, int32_t photoWidth, int32_t photoHeight,
                           PreviewFn preview)
    : QDialog(owner), mUi(new Ui::PrintSizeDialog), mParams(ps), mPhotoWidth(photoWidth),
      mPhotoHeight(photoHeight), mPreview(std::move(preview))
{
    mUi->setupUi(this);
    setWindowTitle(Text(291));
    mUi->sizeGroup->setTitle(Text(292));
    mUi->paperRadio->setText(Text(301));
    mUi->stretchCheck->setText(Text(303));
    mUi->customRadio->setText(Text(302));
    mUi->keepCheck->setText(Text(304));
    mUi->widthLabel->setText(Text(305));
    mUi->heightLabel->setText(Text(306));
    mUi->alignGroup->setTitle(Text(293));
    mUi->horizontalGroup->setTitle(Text(294));
    mUi->leftRadio->setText(Text(296));
    mUi->hCenterRadio->setText(Text(297));
    mUi->rightRadio->setText(Text(298));
    mUi->verticalGroup->setTitle(Text(295));
    mUi->upRadio->setText(Text(299));
    mUi->vCenterRadio->setText(Text(297));
    mUi->downRadio->setText(Text(300));
    mUi->okButton->setText(Text(11));
    mUi->cancelButton->setText(Text(12));
    mUi->helpButton->setText(Text(13));
    mUi->previewButton->setText(Text(309));

    // The edits take digits only, as a number edit does.
    auto *digits = new QRegularExpressionValidator(QRegularExpression("[0-9]*"), this);
    mUi->widthEdit->setValidator(digits);
    mUi->heightEdit->setValidator(digits);

    // Paper, proportions kept, not stretched, left and up.
    mUi->paperRadio->setChecked(true);
    mUi->keepCheck->setChecked(true);
    mUi->stretchCheck->setChecked(false);
    mUi->widthEdit->setText(QString::number(static_cast<uint32_t>(ps->iWidthMM)));
    mUi->heightEdit->setText(QString::number(static_cast<uint32_t>(ps->iHeightMM)));
    mUi->leftRadio->setChecked(true);
    mUi->upRadio->setChecked(true);
    ApplyEnabling();

    connect(mUi->paperRadio, &QRadioButton::toggled, this, [this] { ApplyEnabling(); });
    connect(mUi->stretchCheck, &QCheckBox::toggled, this, [this] { ApplyEnabling(); });
    connect(mUi->widthEdit, &QLineEdit::textChanged, this, [this] { OnSideEdited(true); });
    connect(mUi->heightEdit, &QLineEdit::textChanged, this, [this] { OnSideEdited(false); });
    connect(mUi->okButton, &QPushButton::clicked, this, [this] {
        if (ReadChoice(mParams))
            accept();
    });
    connect(mUi->cancelButton, &QPushButton::clicked, this, [this] { reject(); });
    connect(mUi->helpButton, &QPushButton::clicked, this, [] { ShowHelpPage("basics_print.htm"); });
    connect(mUi->previewButton, &QPushButton::clicked, this, [this] {
        PRINTSIZE chosen = *mParams;
        if (mPreview && ReadChoice(&chosen))
            mPreview(this, chosen);
    });
    adjustSize();
}

PrintSizeDlg::~PrintSizeDlg() = default;

void PrintSizeDlg::ApplyEnabling()
{
    const PRINTENABLE on = PrintSizeEnabling(
        mUi->paperRadio->isChecked() ? PRINT_PAPER : PRINT_CUSTOM, mUi->stretchCheck->isChecked());
    mUi->stretchCheck->setEnabled(on.bStretch);
    for (QWidget *w :
         {static_cast<QWidget *>(mUi->keepCheck), static_cast<QWidget *>(mUi->widthLabel),
          static_cast<QWidget *>(mUi->widthEdit), static_cast<QWidget *>(mUi->heightLabel),
          static_cast<QWidget *>(mUi->heightEdit)})
        w->setEnabled(on.bCustom);
    for (QRadioButton *r : {mUi->leftRadio, mUi->hCenterRadio, mUi->rightRadio, mUi->upRadio,
                            mUi->vCenterRadio, mUi->downRadio})
        r->setEnabled(on.bAlignment);
}

void PrintSizeDlg::OnSideEdited(bool width)
{
    QLineEdit *edit = width ? mUi->widthEdit : mUi->heightEdit;
    QLineEdit *other = width ? mUi->heightEdit : mUi->widthEdit;
    int64_t partner = 0;
    if (ProportionalPartner(edit->text().toLatin1().constData(), edit->hasFocus(),
                            mUi->keepCheck->isChecked(), width ? mPhotoWidth : mPhotoHeight,
                            width ? mPhotoHeight : mPhotoWidth, &partner))
        other->setText(QString::number(partner));
}

int PrintSizeDlg::ReadChoice(PRINTSIZE *out)
{
    if (mUi->paperRadio->isChecked()) {
        out->iSizeMode = PRINT_PAPER;
        out->bStretch = mUi->stretchCheck->isChecked() ? 1 : 0;
    } else {
        out->iSizeMode = PRINT_CUSTOM;
        char message[400];
        int32_t mm = 0;
        if (!CheckCustomSide(mUi->widthEdit->text().toLatin1().constData(), 1, out->iMaxWidthMM,
                             &mm, message, sizeof message)) {
            Fail(message);
            ShowErrorTrail();
            return 0;
        }
        out->iWidthMM = mm;
        if (!CheckCustomSide(mUi->heightEdit->text().toLatin1().constData(), 0, out->iMaxHeightMM,
                             &mm, message, sizeof message)) {
            Fail(message);
            ShowErrorTrail();
            return 0;
        }
        out->iHeightMM = mm;
    }
    out->iHAlign = mUi->hCenterRadio->isChecked() ? ALIGN_CENTER
                   : mUi->rightRadio->isChecked() ? ALIGN_RIGHT
                                                  : ALIGN_LEFT;
    out->iVAlign = mUi->vCenterRadio->isChecked() ? ALIGN_CENTER
                   : mUi->downRadio->isChecked()  ? ALIGN_DOWN
                                                  : ALIGN_UP;
    return 1;
}

// ---- Abort ------------------------------------------------------------------------------------

PrintAbortDlg::PrintAbortDlg(QWidget *owner) : QDialog(owner)
{
    setObjectName("PrintAbortDialog");
    setWindowTitle("Merrowick");
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(Text(310), this));
    auto *cancel = new QPushButton(Text(12), this);
    cancel->setObjectName("abortButton");
    layout->addWidget(cancel, 0, Qt::AlignHCenter);
    connect(cancel, &QPushButton::clicked, this, [this] {
        gKeepPrinting = 0;
        close();
        deleteLater();
    });
    // Closing the window stops the job as the button does.
    connect(this, &QDialog::rejected, this, [] { gKeepPrinting = 0; });
}

// ---- Preview ----------------------------------------------------------------------------------

PrintPreviewDlg::PrintPreviewDlg(QWidget *owner, QPrinter *printer,
                                 std::function<void(QPrinter *)> paint)
    : QDialog(owner)
{
    setObjectName("PrintPreviewDialog");
    setWindowTitle(Text(309));
    auto *layout = new QVBoxLayout(this);
    mPreview = new QPrintPreviewWidget(printer, this);
    mPreview->setZoomMode(QPrintPreviewWidget::FitInView);
    connect(mPreview, &QPrintPreviewWidget::paintRequested, this,
            [paint](QPrinter *p) { paint(p); });
    layout->addWidget(mPreview);
    auto *close = new QPushButton(Text(11), this);
    close->setObjectName("closeButton");
    connect(close, &QPushButton::clicked, this, [this] { accept(); });
    layout->addWidget(close, 0, Qt::AlignRight);
    resize(520, 700);
}
