// captiondialog.cpp — the caption dialog (see captiondialog.h).
#include "shell/captiondialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>
#include <cstdio>
#include <string>

#include "picture/imgobj.h"
#include "platform/platform.h"
#include "platform/qt/qt_platform.h"
#include "platform/trail.h"
#include "resources/strings/strings.h"

namespace
{

QString Text(int id)
{
    return PLATQT_ToQt(LoadText(id));
}

constexpr int kPreviewW = 420, kPreviewH = 110;

// A small swatch of a colour for its button.
QIcon Swatch(uint32_t rgb)
{
    QPixmap p(24, 14);
    p.fill(QColor::fromRgb(rgb));
    return QIcon(p);
}

bool IsCaption(const IMGOBJ *obj)
{
    return obj && obj->iKind == IMG_CAPTION && obj->pCaption;
}

} // namespace

CaptionDlg::CaptionDlg(QWidget *owner, IMGOBJ *editObject)
    : QDialog(owner), mEditObject(IsCaption(editObject) ? editObject : nullptr)
{
    setWindowTitle(Text(STR_CAPTION_TITLE));
    CAPTIONSTYLE style = mEditObject ? mEditObject->pCaption->style : CAPTION_DefaultStyle();
    mFill = style.crFill;
    mOutlineColour = style.crOutline;

    auto *layout = new QVBoxLayout(this);
    auto *textLabel = new QLabel(Text(STR_CAPTION_TEXT), this);
    mEdit = new QPlainTextEdit(this);
    mEdit->setObjectName("captionText");
    mEdit->setTabChangesFocus(true);
    mEdit->setMinimumSize(420, 110);
    textLabel->setBuddy(mEdit);
    mCounter = new QLabel(this);
    mCounter->setObjectName("captionCounter");
    layout->addWidget(textLabel);
    layout->addWidget(mEdit);
    layout->addWidget(mCounter);

    auto *form = new QFormLayout;
    mFont = new QComboBox(this);
    for (int32_t i = 0; i < CAPTION_FONT_COUNT; i++) {
        QString name = QString::fromUtf8(CAPTION_FontName(i));
        if (!CAPTION_FontInstalled(i))
            name = Text(STR_CAPTION_FONT_MISSING).replace("%s", name);
        mFont->addItem(name);
    }
    mFont->setCurrentIndex(style.iFont);
    form->addRow(Text(STR_CAPTION_FONT), mFont);

    mSize = new QSpinBox(this);
    mSize->setRange(6, 400);
    mSize->setSuffix(" px");
    const float letter = mEditObject          ? CAPTION_LetterPx(mEditObject)
                         : gPictureRect.h > 0 ? gPictureRect.h / 10.0f
                                              : 40.0f;
    mSize->setValue(static_cast<int>(std::lround(letter)));
    form->addRow(Text(STR_CAPTION_SIZE), mSize);

    auto *colours = new QHBoxLayout;
    mFillButton = new QPushButton(Text(STR_CAPTION_FILL), this);
    mOutlineButton = new QPushButton(Text(STR_CAPTION_OUTLINE), this);
    colours->addWidget(mFillButton);
    colours->addWidget(mOutlineButton);
    colours->addStretch();
    form->addRow(QString(), colours);

    mOutline = new QSpinBox(this);
    mOutline->setRange(0, 40);
    mOutline->setSuffix(" px");
    mOutline->setValue(static_cast<int>(std::lround(style.iOutline * letter / 1000.0f)));
    form->addRow(Text(STR_CAPTION_OUTLINE_WIDTH), mOutline);

    mShadow = new QCheckBox(Text(STR_CAPTION_SHADOW), this);
    mShadow->setChecked(style.bShadow != 0);
    form->addRow(QString(), mShadow);

    mAlign = new QComboBox(this);
    mAlign->addItems({Text(STR_CAPTION_ALIGN_LEFT), Text(STR_CAPTION_ALIGN_CENTRE),
                      Text(STR_CAPTION_ALIGN_RIGHT)});
    mAlign->setCurrentIndex(style.iAlign);
    form->addRow(Text(STR_CAPTION_ALIGN), mAlign);
    layout->addLayout(form);

    mPreview = new QLabel(this);
    mPreview->setFixedSize(kPreviewW, kPreviewH);
    mPreview->setObjectName("captionPreview");
    layout->addWidget(mPreview);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CaptionDlg::OnOk);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    QPushButton *help = buttons->addButton(Text(13), QDialogButtonBox::HelpRole);
    connect(help, &QPushButton::clicked, this, [] { ShowHelpPage("basics_caption.htm"); });

    if (mEditObject)
        mEdit->setPlainText(QString::fromStdString(mEditObject->pCaption->text));
    SetColours(mFill, mOutlineColour);
    connect(mEdit, &QPlainTextEdit::textChanged, this, &CaptionDlg::OnTextChanged);
    connect(mFillButton, &QPushButton::clicked, this, [this] { PickColour(&mFill); });
    connect(mOutlineButton, &QPushButton::clicked, this, [this] { PickColour(&mOutlineColour); });
    for (QComboBox *box : {mFont, mAlign})
        connect(box, &QComboBox::currentIndexChanged, this, &CaptionDlg::UpdatePreview);
    for (QSpinBox *box : {mSize, mOutline})
        connect(box, &QSpinBox::valueChanged, this, &CaptionDlg::UpdatePreview);
    connect(mShadow, &QCheckBox::toggled, this, &CaptionDlg::UpdatePreview);
    OnTextChanged();
    mEdit->setFocus();
}

CAPTIONSTYLE CaptionDlg::Style() const
{
    CAPTIONSTYLE s = {};
    s.iFont = mFont->currentIndex();
    s.crFill = mFill;
    s.crOutline = mOutlineColour;
    // The outline is given in pixels at the chosen size; it is kept as a share of it, so
    // it grows and shrinks with the caption.
    s.iOutline = static_cast<int32_t>(std::lround(mOutline->value() * 1000.0 / mSize->value()));
    s.bShadow = mShadow->isChecked();
    s.iAlign = mAlign->currentIndex();
    return CAPTION_CleanStyle(s);
}

void CaptionDlg::SetColours(uint32_t fill, uint32_t outline)
{
    mFill = fill & 0xFFFFFF;
    mOutlineColour = outline & 0xFFFFFF;
    mFillButton->setIcon(Swatch(mFill));
    mOutlineButton->setIcon(Swatch(mOutlineColour));
    UpdatePreview();
}

void CaptionDlg::PickColour(uint32_t *colour)
{
    const QColor picked = QColorDialog::getColor(QColor::fromRgb(*colour), this);
    if (!picked.isValid())
        return; // cancelled: the colour stays
    *colour = static_cast<uint32_t>(picked.rgb()) & 0xFFFFFF;
    SetColours(mFill, mOutlineColour);
}

void CaptionDlg::OnTextChanged()
{
    if (mTrimming)
        return;
    const std::string typed = mEdit->toPlainText().toStdString();
    int cut = 0;
    const std::string kept = CAPTION_CleanText(typed.data(), typed.size(), &cut);
    if (cut) {
        // What does not fit is taken out, and the counter says so.
        mTrimming = true;
        mEdit->setPlainText(QString::fromStdString(kept));
        mEdit->moveCursor(QTextCursor::End);
        mTrimming = false;
        mCounter->setText(Text(STR_CAPTION_TOO_LONG));
        mCounter->setStyleSheet("color: #b00000");
    } else {
        char line[128];
        std::snprintf(line, sizeof line, LoadText(STR_CAPTION_LEFT),
                      CAPTION_MAX_CHARS - CAPTION_CountChars(kept));
        mCounter->setText(PLATQT_ToQt(line));
        mCounter->setStyleSheet(QString());
    }
    UpdatePreview();
}

void CaptionDlg::UpdatePreview()
{
    CAPTION c;
    c.style = Style();
    const std::string typed = mEdit->toPlainText().toStdString();
    c.text = CAPTION_CleanText(typed.data(), typed.size());
    QImage shown(kPreviewW, kPreviewH, QImage::Format_RGB32);
    // A grey checker, so white and black letters both show.
    QPainter painter(&shown);
    for (int y = 0; y < kPreviewH; y += 10)
        for (int x = 0; x < kPreviewW; x += 10)
            painter.fillRect(x, y, 10, 10,
                             ((x + y) / 10) % 2 ? QColor(150, 150, 150) : QColor(120, 120, 120));
    CAPTIONIMAGE img;
    if (!c.text.empty() && CAPTION_Render(c, kPreviewW - 8, kPreviewH - 8, &img) && img.w > 0) {
        const QImage letters(img.bgra.data(), img.w, img.h, img.w * 4,
                             QImage::Format_ARGB32_Premultiplied);
        painter.drawImage(4, 4, letters);
    }
    TrailClear(); // a preview that could not be drawn is no error of the picture's
    painter.end();
    mPreview->setPixmap(QPixmap::fromImage(shown));
}

void CaptionDlg::OnOk()
{
    const std::string typed = mEdit->toPlainText().toStdString();
    const std::string text = CAPTION_CleanText(typed.data(), typed.size());
    if (text.find_first_not_of(" \n") == std::string::npos) {
        PLAT_MessageBox(LoadText(STR_CAPTION_EMPTY), LoadText(STR_CAPTION_TITLE),
                        PLAT_MB_OK | PLAT_MB_ICONWARNING);
        mEdit->setFocus();
        return;
    }
    CAPTIONDESC desc = {Style(), text.data(), text.size(), static_cast<float>(mSize->value())};
    PICTURE_ChangeBegin(mEditObject ? CHANGE_TEXT : CHANGE_ADD);
    int ok = 1;
    if (mEditObject)
        ok = CAPTION_Change(mEditObject, desc);
    else
        ok = IMGOBJ_AddObj("caption", IMG_CAPTION, 0, 0, &desc, nullptr) != nullptr;
    PICTURE_ChangeEnd(mEditObject ? CHANGE_TEXT : CHANGE_ADD);
    if (!ok) {
        ShowErrorTrail();
        return;
    }
    accept();
}

int CaptionDialog(QWidget *parent, IMGOBJ *editObject)
{
    CaptionDlg dialog(parent, editObject);
    return dialog.exec() == QDialog::Accepted ? 1 : 0;
}
