// photodialogs.cpp — the New, photo size and photo rotation dialogs.
#include "shell/photodialogs.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "document/undo.h"
#include "picture/ao.h"
#include "picture/imgobj.h"
#include "pixels/pixels.h"
#include "platform/qt/qt_platform.h"
#include "platform/trail.h"
#include "resources/strings/strings.h"
#include "shell/photodialoglogic.h"
#include "shell/shell.h"
#include "shell/shellcore.h"
#include "ui_newdialog.h"
#include "ui_photorotate.h"
#include "ui_photosize.h"

static QString Text(int id)
{
    return PLATQT_ToQt(LoadText(id));
}

static void CentreOverMain(QWidget *owner, QDialog *dialog)
{
    dialog->adjustSize();
    CenterWindowOver(owner ? owner : PLATQT_MainWindow(), dialog);
}

// ---- New ------------------------------------------------------------------------------------

NewDlg::NewDlg(QWidget *owner) : QDialog(owner), mUi(new Ui::NewDialog)
{
    mUi->setupUi(this);
    setWindowTitle(Text(261));
    mUi->group1001->setTitle(Text(262));
    mUi->radio301->setText(Text(263));
    mUi->radio302->setText(Text(264));
    mUi->group1002->setTitle(Text(265));
    mUi->text1003->setText(Text(266));
    mUi->okButton->setText(Text(11));
    mUi->cancelButton->setText(Text(12));
    mUi->helpButton->setText(Text(13));
    mUi->radio301->setChecked(true);
    connect(mUi->okButton, &QPushButton::clicked, this, [this] { accept(); });
    connect(mUi->cancelButton, &QPushButton::clicked, this, [this] { reject(); });
    connect(mUi->helpButton, &QPushButton::clicked, this, [] { ShowHelpPage("basics_new.htm"); });
    CentreOverMain(owner, this);
}

NewDlg::~NewDlg() = default;

int32_t NewDlg::Choice() const
{
    return mUi->radio302->isChecked() ? 2 : 1;
}

QRadioButton *NewDlg::Radio(int32_t id) const
{
    return id == 302 ? mUi->radio302 : mUi->radio301;
}

int NewDialog(QWidget *owner, int32_t *choice)
{
    NewDlg dialog(owner);
    if (dialog.exec() != QDialog::Accepted)
        return 0;
    *choice = dialog.Choice();
    return 1;
}

// ---- Photo size --------------------------------------------------------------------------------

PhotoSizeDlg::PhotoSizeDlg(QWidget *owner) : QDialog(owner), mUi(new Ui::PhotoSizeDialog)
{
    mUi->setupUi(this);
    setWindowTitle(Text(280));
    mUi->group1001->setTitle(Text(281));
    for (int32_t id = PHOTOSIZE_ORIGINAL; id <= PHOTOSIZE_CUSTOM; id++) {
        char label[300];
        PhotoSizeLabel(id, gPhotoWidth, gPhotoHeight, gPictureRect.w, gPictureRect.h, label,
                       sizeof label);
        Radio(id)->setText(PLATQT_ToQt(label));
        connect(Radio(id), &QRadioButton::toggled, this, [this, id](bool on) {
            if (on)
                OnChoice(id);
        });
    }
    mUi->check1107->setText(Text(285));
    mUi->check1107->setChecked(true);
    mUi->label1002->setText(Text(286));
    mUi->label1003->setText(Text(287));
    mUi->okButton->setText(Text(11));
    mUi->cancelButton->setText(Text(12));
    mUi->helpButton->setText(Text(13));
    mUi->edit1081->setText(QString::number(gPhotoWidth));
    mUi->edit1082->setText(QString::number(gPhotoHeight));
    // textEdited reports the user's typing only: the partner set here does not chain back.
    connect(mUi->edit1081, &QLineEdit::textEdited, this,
            [this] { OnSideEdited(mUi->edit1081, mUi->edit1082, gPhotoHeight, gPhotoWidth); });
    connect(mUi->edit1082, &QLineEdit::textEdited, this,
            [this] { OnSideEdited(mUi->edit1082, mUi->edit1081, gPhotoWidth, gPhotoHeight); });
    connect(mUi->okButton, &QPushButton::clicked, this, [this] { OnOk(); });
    connect(mUi->cancelButton, &QPushButton::clicked, this, [this] { reject(); });
    connect(mUi->helpButton, &QPushButton::clicked, this, [] { ShowHelpPage("basics_save.htm"); });
    mUi->radio301->setChecked(true);
    OnChoice(PHOTOSIZE_ORIGINAL);
    CentreOverMain(owner, this);
}

PhotoSizeDlg::~PhotoSizeDlg() = default;

QRadioButton *PhotoSizeDlg::Radio(int32_t id) const
{
    QRadioButton *radios[] = {mUi->radio301, mUi->radio302, mUi->radio303,
                              mUi->radio304, mUi->radio305, mUi->radio306};
    return id >= PHOTOSIZE_ORIGINAL && id <= PHOTOSIZE_CUSTOM ? radios[id - PHOTOSIZE_ORIGINAL]
                                                              : nullptr;
}

QLineEdit *PhotoSizeDlg::WidthEdit() const
{
    return mUi->edit1081;
}

QLineEdit *PhotoSizeDlg::HeightEdit() const
{
    return mUi->edit1082;
}

QWidget *PhotoSizeDlg::KeepProportions() const
{
    return mUi->check1107;
}

void PhotoSizeDlg::OnChoice(int32_t id)
{
    const bool custom = id == PHOTOSIZE_CUSTOM;
    for (QWidget *w :
         {static_cast<QWidget *>(mUi->check1107), static_cast<QWidget *>(mUi->edit1081),
          static_cast<QWidget *>(mUi->edit1082), static_cast<QWidget *>(mUi->label1002),
          static_cast<QWidget *>(mUi->label1003)})
        w->setEnabled(custom);
}

void PhotoSizeDlg::OnSideEdited(QLineEdit *typed, QLineEdit *partner, int32_t numerator,
                                int32_t denominator)
{
    int32_t value = 0, other = 0;
    if (!mUi->check1107->isChecked() ||
        !PhotoSizeNumber(typed->text().toLatin1().constData(), &value) ||
        !ProportionalSide(value, numerator, denominator, &other))
        return;
    partner->setText(QString::number(other));
}

void PhotoSizeDlg::OnOk()
{
    int32_t id = PHOTOSIZE_ORIGINAL;
    for (int32_t k = PHOTOSIZE_ORIGINAL; k <= PHOTOSIZE_CUSTOM; k++)
        if (Radio(k)->isChecked())
            id = k;
    int32_t w = 0, h = 0;
    if (id == PHOTOSIZE_CUSTOM) {
        if (!CustomSideValid(mUi->edit1081->text().toLatin1().constData(), 288, &w) ||
            !CustomSideValid(mUi->edit1082->text().toLatin1().constData(), 289, &h)) {
            ShowErrorTrail();
            return;
        }
    } else {
        PhotoSizeOfChoice(id, gPhotoWidth, gPhotoHeight, gPictureRect.w, gPictureRect.h, &w, &h);
    }
    mWidth = w;
    mHeight = h;
    accept();
}

int PhotoSizeDialog(QWidget *owner, int32_t size[2])
{
    PhotoSizeDlg dialog(owner);
    if (dialog.exec() != QDialog::Accepted)
        return 0;
    size[0] = dialog.mWidth;
    size[1] = dialog.mHeight;
    return 1;
}

// ---- Photo rotation ----------------------------------------------------------------------------

// One frame drawn while the dialog holds the frames.
static void DrawOneFrame()
{
    gFramesRunning = 1;
    if (!gpFrameProc()) {
        Fail("AO process failed");
        ShowErrorTrail();
    }
    gFramesRunning = 0;
}

PhotoRotateDlg::PhotoRotateDlg(QWidget *owner) : QDialog(owner), mUi(new Ui::PhotoRotateDialog)
{
    mUi->setupUi(this);
    setWindowTitle(Text(270));
    mUi->group1001->setTitle(Text(271));
    mUi->text1002->setText(Text(272));
    mUi->button1118->setText(Text(273));
    mUi->button1119->setText(Text(274));
    mUi->okButton->setText(Text(11));
    mUi->cancelButton->setText(Text(12));
    connect(mUi->button1118, &QPushButton::clicked, this, [this] { Turn(270); });
    connect(mUi->button1119, &QPushButton::clicked, this, [this] { Turn(90); });
    connect(mUi->okButton, &QPushButton::clicked, this, [this] { accept(); });
    connect(mUi->cancelButton, &QPushButton::clicked, this, [this] { reject(); });
    CentreOverMain(owner, this);
    DrawOneFrame();
}

PhotoRotateDlg::~PhotoRotateDlg() = default;

void PhotoRotateDlg::Turn(int32_t angle)
{
    gFramesRunning = 1;
    if (!UNDO_PhotoRotate(angle)) {
        Fail("PhotoRotate() failed");
        ShowErrorTrail();
    }
    DrawOneFrame();
}

void PhotoRotateDialog(QWidget *owner)
{
    const int32_t running = gFramesRunning;
    {
        PhotoRotateDlg dialog(owner);
        dialog.exec();
    }
    gFramesRunning = running;
}
