// addtextdialog.cpp — the text dialog.
#include "shell/addtextdialog.h"

#include <QEvent>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <vector>

#include "picture/imgobj.h"
#include "picture/text.h"
#include "pixels/pixels.h"
#include "platform/platform.h"
#include "platform/qt/qt_platform.h"
#include "platform/trail.h"
#include "resources/strings/strings.h"
#include "shell/addtextlogic.h"
#include "shell/shell.h"
#include "shell/shellcore.h"
#include "ui_addtextdialog.h"

// Previews larger than this are shown shrunk, keeping their proportions.
constexpr int kPreviewWidth = 96;
constexpr int kPreviewHeight = 64;

static QString Text(int id)
{
    return QString::fromLatin1(LoadText(id));
}

// The preview bitmap resource as a picture; empty when the program lacks it.
static QPixmap PreviewPicture(const char *name)
{
    size_t size = 0;
    const uint8_t *data = PLAT_FindResource(name, &size);
    DIBIMAGE dib = {};
    if (!data || !DibDecodeLimit(data, size, &dib, nullptr, 4 * 1024 * 1024))
        return QPixmap();
    QImage image =
        QImage(dib.pBits, dib.iWidth, dib.iHeight, dib.iPitch, QImage::Format_BGR888).copy();
    DibFreeImage(&dib);
    if (image.width() > kPreviewWidth || image.height() > kPreviewHeight)
        image = image.scaled(kPreviewWidth, kPreviewHeight, Qt::KeepAspectRatio,
                             Qt::SmoothTransformation);
    return QPixmap::fromImage(image);
}

static QString EditToQt(const std::string &text)
{
    QString out;
    out.reserve(static_cast<int>(text.size()));
    for (char c : text)
        out += QChar(static_cast<char32_t>(EditByteToChar(static_cast<unsigned char>(c))));
    return out;
}

// Centres every line of the field that is not centred yet (new lines usually inherit
// it; replaced or pasted text may not).
static void CentreLines(QTextDocument *document)
{
    for (QTextBlock b = document->begin(); b.isValid(); b = b.next()) {
        if (b.blockFormat().alignment() == Qt::AlignHCenter)
            continue;
        QTextBlockFormat format;
        format.setAlignment(Qt::AlignHCenter);
        QTextCursor(b).mergeBlockFormat(format);
    }
}

static bool IsTextPiece(const IMGOBJ *obj)
{
    return obj && obj->iKind == IMG_TEXT;
}

AddTextDlg::AddTextDlg(QWidget *owner, IMGOBJ *editObject)
    : QDialog(owner), mUi(new Ui::AddTextDialog), mEditObject(editObject)
{
    mUi->setupUi(this);
    for (int32_t k = 0; k < TEXT_STYLE_COUNT; ++k) {
        Radio(k)->setText(Text(gTextStyles[k].iLabelId));
        QLabel *preview = Preview(k);
        preview->setPixmap(PreviewPicture(gTextStyles[k].pszPreview));
        preview->installEventFilter(this);
    }
    mUi->tip1117->setText(Text(359));
    mUi->group1095->setTitle(Text(347));

    connect(Edit(), &QTextEdit::textChanged, this, [this] { OnTextChanged(); });

    int32_t style = 0;
    if (IsTextPiece(editObject)) {
        setWindowTitle(Text(341));
        style = editObject->iTextStyle;
        if (style < 0 || style >= TEXT_STYLE_COUNT)
            style = 0;
        Edit()->setPlainText(EditToQt(StoredTextToEdit(editObject->szText)));
        Edit()->moveCursor(QTextCursor::End);
    } else {
        setWindowTitle(Text(344));
    }
    OnTextChanged(); // centres the empty field's line, fills in the counter
    Radio(style)->setChecked(true);
    Edit()->document()->clearUndoRedoStacks(); // undo starts from the text shown

    mUi->okButton->setText(Text(11));
    mUi->cancelButton->setText(Text(12));
    mUi->helpButton->setText(Text(13));
    connect(mUi->okButton, &QPushButton::clicked, this, [this] { OnOk(); });
    connect(mUi->cancelButton, &QPushButton::clicked, this, [this] { reject(); });
    connect(mUi->helpButton, &QPushButton::clicked, this, [this] { OnHelp(); });
    Edit()->setFocus();

    adjustSize();
    CenterWindowOver(owner ? owner : PLATQT_MainWindow(), this);
}

AddTextDlg::~AddTextDlg() = default;

QTextEdit *AddTextDlg::Edit() const
{
    return mUi->edit1081;
}

QRadioButton *AddTextDlg::Radio(int32_t style) const
{
    return findChild<QRadioButton *>(QStringLiteral("radio%1").arg(ADDTEXT_FIRST_RADIO + style));
}

QLabel *AddTextDlg::Preview(int32_t style) const
{
    return findChild<QLabel *>(QStringLiteral("preview%1").arg(ADDTEXT_FIRST_PREVIEW + style));
}

QLabel *AddTextDlg::Notice() const
{
    return mUi->notice1750;
}

QLabel *AddTextDlg::Counter() const
{
    return mUi->counter1751;
}

std::string AddTextDlg::EditText() const
{
    const QString text = Edit()->toPlainText();
    std::string out;
    for (QChar c : text) {
        int32_t b = EditCharToByte(c.unicode());
        if (b >= 0)
            out += static_cast<char>(b);
    }
    return out;
}

// The field's characters as code points; lone surrogate halves go.
static std::u32string FieldChars(const QString &text)
{
    std::u32string out;
    for (char32_t c : text.toUcs4())
        out += c;
    return out;
}

static QString QtChars(const std::u32string &chars)
{
    return QString::fromUcs4(chars.data(), static_cast<qsizetype>(chars.size()));
}

// Every change of the field goes through here: typing, pasting, dropping, undoing.
// Letters become capitals, controls go, and what would pass 98 stored characters is cut
// from what was just put in. Characters the style cannot draw stay in the field and are
// named under it; the counter says how many characters are left.
void AddTextDlg::OnTextChanged()
{
    if (mNormalising)
        return;
    const QString text = Edit()->toPlainText();
    const int position = Edit()->textCursor().position();
    std::u32string chars = FieldChars(text);
    int32_t cursor = static_cast<int32_t>(FieldChars(text.left(position)).size());
    for (char32_t &c : chars) // capitals beyond the code page too (one for one)
        if (c > 0xFF && EditCharToByte(c) < 0)
            c = QChar::toUpper(c);
    const int32_t cut = NormaliseEditChars(chars, cursor);
    const QString shaped = QtChars(chars);
    const bool changed = shaped != text;

    mNormalising = true;
    QTextCursor all(Edit()->document());
    all.joinPreviousEditBlock(); // one undo step with the change that caused it
    if (changed) {
        all.select(QTextCursor::Document);
        all.insertText(shaped);
    }
    CentreLines(Edit()->document());
    all.endEditBlock();
    if (changed) {
        QTextCursor at = Edit()->textCursor();
        at.setPosition(static_cast<int>(QtChars(chars.substr(0, cursor)).size()));
        Edit()->setTextCursor(at);
    }
    mNormalising = false;
    ShowNotice(chars, cut);
}

void AddTextDlg::ShowNotice(const std::u32string &chars, int32_t cut)
{
    QStringList lines;
    if (cut > 0)
        lines << Text(STR_TEXT_CUT).replace(QStringLiteral("%d"), QString::number(cut));
    const std::u32string missing = NotShownChars(chars);
    if (!missing.empty()) {
        QStringList each;
        for (char32_t c : missing)
            each << QtChars(std::u32string(1, c));
        lines << Text(STR_TEXT_NOT_SHOWN).replace(QStringLiteral("%s"), each.join(' '));
    }
    mUi->notice1750->setText(lines.join('\n'));
    mUi->counter1751->setText(
        Text(STR_TEXT_CHARS_LEFT)
            .replace(QStringLiteral("%d"), QString::number(EditCharsLeft(chars))));
}

bool AddTextDlg::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        for (int32_t k = 0; k < TEXT_STYLE_COUNT; ++k) {
            if (watched == Preview(k)) {
                Radio(k)->setChecked(true);
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void AddTextDlg::OnOk()
{
    char stored[TEXT_DIALOG_MAX_CHARS + 1];
    EditTextToStored(EditText(), stored);
    if (!TextDialogHasContent(stored))
        return;
    int32_t style = GetCheckedRadio(this, ADDTEXT_FIRST_RADIO, ADDTEXT_LAST_RADIO);
    if (!ApplyAddText(mEditObject, style, stored)) {
        ShowErrorTrail();
        return;
    }
    accept();
}

void AddTextDlg::OnHelp()
{
    ShowHelpPage("basics_add.htm");
}

int32_t GetCheckedRadio(QWidget *dialog, int32_t firstId, int32_t lastId)
{
    if (!dialog || lastId < firstId)
        return 0;
    std::vector<int32_t> checked;
    for (int32_t id = firstId; id <= lastId; ++id) {
        auto *radio = dialog->findChild<QRadioButton *>(QStringLiteral("radio%1").arg(id));
        checked.push_back(radio && radio->isChecked() ? 1 : 0);
    }
    return CheckedRadioOffset(checked.data(), static_cast<int32_t>(checked.size()));
}

int AddTextDialog(QWidget *parent, IMGOBJ *editObject)
{
    AddTextDlg dialog(parent, editObject);
    return dialog.exec() == QDialog::Accepted ? 1 : 0;
}
