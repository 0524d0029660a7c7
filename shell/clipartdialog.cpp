// clipartdialog.cpp — the clip-art selection dialog.
#include "shell/clipartdialog.h"

#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "clipart/ownstickers.h"
#include "clipart/thumbnail.h"
#include "picture/imgobj.h"
#include "platform/platform.h"
#include "platform/qt/qt_platform.h"
#include "platform/trail.h"
#include "resources/strings/strings.h"
#include "ui_clipartdialog.h"

// Item data of a list entry: the catalogue index (-1 for an own sticker) and the file.
constexpr int kIndexRole = Qt::UserRole;
constexpr int kFileRole = Qt::UserRole + 1;
// Each list cell: the thumbnail and one line of name under it.
constexpr int kCellWidth = 100;
constexpr int kCellHeight = 84;

static QString Text(int id)
{
    return PLATQT_ToQt(LoadText(id));
}

// A bitmap resource as a picture; empty when the program lacks it.
static QPixmap ResourcePicture(const char *name)
{
    size_t size = 0;
    const uint8_t *data = PLAT_FindResource(name, &size);
    DIBIMAGE dib = {};
    if (!data || !DibDecodeLimit(data, size, &dib, nullptr, 1024 * 1024))
        return QPixmap();
    QImage image =
        QImage(dib.pBits, dib.iWidth, dib.iHeight, dib.iPitch, QImage::Format_BGR888).copy();
    DibFreeImage(&dib);
    return QPixmap::fromImage(image);
}

// A thumbnail as an icon: white is transparent, as in every picture of the program.
static QIcon ThumbnailIcon(const DIBIMAGE &thumb)
{
    QImage image(thumb.iWidth, thumb.iHeight, QImage::Format_ARGB32);
    for (int32_t y = 0; y < thumb.iHeight; y++) {
        const uint8_t *p = thumb.pBits + static_cast<ptrdiff_t>(y) * thumb.iPitch;
        QRgb *d = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int32_t x = 0; x < thumb.iWidth; x++, p += 3)
            d[x] = p[0] == 0xFF && p[1] == 0xFF && p[2] == 0xFF ? qRgba(255, 255, 255, 0)
                                                                : qRgb(p[2], p[1], p[0]);
    }
    // The same picture when selected: the label shows the selection, the sticker keeps
    // its own colours.
    const QPixmap pixmap = QPixmap::fromImage(image);
    QIcon icon(pixmap);
    icon.addPixmap(pixmap, QIcon::Selected);
    return icon;
}

ClipArtDlg::ClipArtDlg(QWidget *owner) : QDialog(owner), mUi(new Ui::ClipArtDialog)
{
    mUi->setupUi(this);
    mUpdating = true;
    setWindowTitle(Text(331));
    mTabs = new QTabBar(this);
    mTabs->setObjectName(QStringLiteral("tab1123"));
    mTabs->setDrawBase(false);
    mTabs->setExpanding(false);
    mTabs->addTab(Text(334));
    mTabs->addTab(Text(335));
    mUi->mainLayout->insertWidget(0, mTabs);
    connect(mTabs, &QTabBar::currentChanged, this, [this](int index) { OnTab(index); });
    mUi->group1124->setTitle(QStringLiteral("Clipart selection")); // never translated

    for (int32_t k = 0; k < CLIPART_CATEGORY_COUNT; k++) {
        const CLIPARTCATEGORY &c = gClipArtCategories[k];
        Radio(k)->setText(Text(c.iNameId));
        PictureButton(k)->setIcon(ResourcePicture(c.pszPicture));
        PictureButton(k)->setToolTip(Text(c.iNameId));
        connect(PictureButton(k), &QAbstractButton::clicked, this, [this, k] {
            mUpdating = true;
            Radio(k)->setChecked(true);
            mUpdating = false;
            ShowGroup(k);
        });
    }
    Radio(CLIPART_OWN_GROUP)->setText(Text(337));
    for (int32_t k = 0; k <= CLIPART_OWN_GROUP; k++)
        connect(Radio(k), &QRadioButton::toggled, this, [this, k](bool on) {
            if (on && !mUpdating)
                ShowGroup(k);
        });
    OwnButton()->setText(Text(338));
    connect(OwnButton(), &QPushButton::clicked, this, [this] { OnAddOwn(); });

    SearchBox()->setPlaceholderText(Text(336));
    SearchBox()->installEventFilter(this);
    connect(SearchBox(), &QLineEdit::textChanged, this, [this](const QString &t) { OnSearch(t); });

    QListWidget *list = List();
    list->setViewMode(QListView::IconMode);
    list->setIconSize(QSize(CLIPART_THUMB_SIZE, CLIPART_THUMB_SIZE));
    list->setGridSize(QSize(kCellWidth, kCellHeight));
    list->setMovement(QListView::Static);
    list->setResizeMode(QListView::Adjust);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setWordWrap(false);
    list->setUniformItemSizes(true);
    list->setTextElideMode(Qt::ElideRight);
    connect(list, &QListWidget::itemDoubleClicked, this, [this] { OnOk(); });

    if (gClipArtCategory < 0 || gClipArtCategory > CLIPART_OWN_GROUP)
        gClipArtCategory = 0;
    Radio(gClipArtCategory)->setChecked(true);
    mUpdating = false;
    ShowGroup(gClipArtCategory);
    if (gClipArtListPos >= 0 && gClipArtListPos < list->count()) {
        list->setCurrentRow(gClipArtListPos);
        list->scrollToItem(list->currentItem());
    }

    Button(1)->setText(Text(11));
    Button(2)->setText(Text(12));
    Button(3)->setText(Text(13));
    connect(Button(1), &QPushButton::clicked, this, [this] { OnOk(); });
    connect(Button(2), &QPushButton::clicked, this, [this] { reject(); });
    connect(Button(3), &QPushButton::clicked, this, [] { ShowHelpPage("basics_add.htm"); });
    list->setFocus();

    adjustSize();
    QWidget *over = owner ? owner : PLATQT_MainWindow();
    if (over) {
        const QRect p = over->geometry();
        move(p.x() + (p.width() - width()) / 2, p.y() + (p.height() - height()) / 2);
    }
}

ClipArtDlg::~ClipArtDlg() = default;

QRadioButton *ClipArtDlg::Radio(int32_t group) const
{
    const int id =
        group < CLIPART_CATEGORY_COUNT ? gClipArtCategories[group].iRadioId : CLIPART_OWN_RADIO;
    return findChild<QRadioButton *>(QStringLiteral("radio%1").arg(id));
}

QAbstractButton *ClipArtDlg::PictureButton(int32_t group) const
{
    return findChild<QAbstractButton *>(
        QStringLiteral("picture%1").arg(gClipArtCategories[group].iPictureId));
}

QListWidget *ClipArtDlg::List() const
{
    return mUi->list1076;
}

QLineEdit *ClipArtDlg::SearchBox() const
{
    return mUi->searchEdit;
}

QPushButton *ClipArtDlg::OwnButton() const
{
    return mUi->addOwnButton;
}

QPushButton *ClipArtDlg::Button(int id) const
{
    return id == 1 ? mUi->okButton : id == 2 ? mUi->cancelButton : mUi->helpButton;
}

void ClipArtDlg::FillList(const std::vector<CLIPARTITEM> &items, bool clearWhenEmpty)
{
    if (items.empty() && !clearWhenEmpty)
        return;
    QListWidget *list = List();
    list->setUpdatesEnabled(false);
    list->clear();
    for (const CLIPARTITEM &item : items) {
        DIBIMAGE thumb = {};
        QIcon icon;
        if (ClipArt_ThumbnailOrPlaceholder(item.sFileName.c_str(), CLIPART_THUMB_SIZE, &thumb))
            icon = ThumbnailIcon(thumb);
        DibFreeImage(&thumb);
        const QString name = PLATQT_ToQt(item.sName.c_str());
        auto *entry = new QListWidgetItem(icon, name, list);
        entry->setToolTip(name);
        entry->setData(kIndexRole, item.iIndex);
        entry->setData(kFileRole, QByteArray::fromStdString(item.sFileName));
    }
    list->setUpdatesEnabled(true);
}

int ClipArt_Selection(ClipArtDlg *dialog, uint32_t mask)
{
    std::vector<int32_t> indices;
    if (!ClipArt_Collect(gClipArtList, mask, &indices))
        return 0;
    std::vector<CLIPARTITEM> items;
    for (int32_t k : indices)
        items.push_back({gClipArtList[k].szFileName, LoadText(gClipArtList[k].iNameId), k});
    dialog->FillList(items, false);
    return 1;
}

void ClipArtDlg::ShowGroup(int32_t group)
{
    gClipArtCategory = group;
    mUpdating = true;
    SearchBox()->clear();
    mUpdating = false;
    if (group == CLIPART_OWN_GROUP) {
        std::vector<CLIPARTITEM> items;
        ClipArt_GroupItems(group, &items);
        FillList(items, true);
        return;
    }
    if (!ClipArt_Selection(this, gClipArtCategories[group].dwBit)) {
        Fail("ClipArt_Selection()!");
        ShowErrorTrail();
    }
}

void ClipArtDlg::OnSearch(const QString &text)
{
    if (mUpdating)
        return;
    if (text.trimmed().isEmpty()) {
        ShowGroup(gClipArtCategory);
        return;
    }
    std::vector<CLIPARTITEM> items;
    ClipArt_Search(PLATQT_FromQt(text).constData(), &items);
    FillList(items, true);
    if (List()->count() > 0)
        List()->setCurrentRow(0); // Return adds the first match
}

void ClipArtDlg::OnTab(int index)
{
    if (index != 1)
        return;
    ShowHelpPage("support_clipart.htm");
    mTabs->setCurrentIndex(0);
}

bool ClipArtDlg::eventFilter(QObject *watched, QEvent *event)
{
    // Escape in a search box that holds text empties it; an empty one lets the dialog close.
    if (watched == SearchBox() && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape &&
        !SearchBox()->text().isEmpty()) {
        SearchBox()->clear();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// Adds the selected sticker, if any. The list position is remembered as an index into
// the current group's list, also when the sticker was found by a search.
int ClipArtDlg::AddChosen()
{
    QListWidget *list = List();
    for (int row = 0; row < list->count(); row++) {
        QListWidgetItem *item = list->item(row);
        if (!item->isSelected())
            continue;
        const QByteArray file = item->data(kFileRole).toByteArray();
        if (SearchBox()->text().trimmed().isEmpty()) {
            gClipArtListPos = row;
        } else {
            std::vector<CLIPARTITEM> group;
            ClipArt_GroupItems(gClipArtCategory, &group);
            for (size_t k = 0; k < group.size(); k++)
                if (group[k].sFileName == file.toStdString())
                    gClipArtListPos = static_cast<int32_t>(k);
        }
        PICTURE_ChangeBegin(CHANGE_ADD);
        const IMGOBJ *added = IMGOBJ_AddObj(file.constData(), IMG_OBJ, gPictureRect.x,
                                            gPictureRect.y, nullptr, nullptr);
        PICTURE_ChangeEnd(CHANGE_ADD);
        if (!added) {
            Fail("IMGOBJ_AddObj() failed");
            ShowErrorTrail();
            return 0;
        }
        mAdded = 1;
    }
    return 1;
}

void ClipArtDlg::OnOk()
{
    if (AddChosen())
        accept();
}

void ClipArtDlg::OnAddOwn()
{
    const QString filter = Text(339) + QStringLiteral(" (*.png *.jpg *.jpeg *.bmp)");
    const QString path = QFileDialog::getOpenFileName(this, Text(338), QDir::homePath(), filter);
    if (!path.isEmpty())
        AddOwnSticker(path);
}

int ClipArtDlg::AddOwnSticker(const QString &path)
{
    QImageReader reader(path);
    const QSize size = reader.size();
    QImage picture;
    int ok = 1;
    if (size.isValid() &&
        (size.width() > OWNSTICKER_MAX_INPUT_SIDE || size.height() > OWNSTICKER_MAX_INPUT_SIDE ||
         static_cast<int64_t>(size.width()) * size.height() > OWNSTICKER_MAX_INPUT_PIXELS)) {
        ok = Failf("The picture (%d x %d) is larger than a sticker can be made from.", size.width(),
                   size.height());
    } else if (!reader.read(&picture)) {
        Fail(PLATQT_FromQt(reader.errorString()).constData());
        ok = Fail("QImageReader::read()");
    }
    DIBIMAGE sticker = {};
    std::string name;
    if (ok) {
        picture = picture.convertToFormat(QImage::Format_ARGB32); // blue, green, red, alpha
        ok = ClipArt_MakeSticker(picture.constBits(), picture.width(), picture.height(),
                                 static_cast<int32_t>(picture.bytesPerLine()), &sticker) &&
             ClipArt_SaveSticker(&sticker, QFile::encodeName(path).constData(), &name);
        DibFreeImage(&sticker);
    }
    if (!ok) {
        Fail(LoadText(STR_STICKER_NOT_ADDED));
        ShowErrorTrail();
        return 0;
    }
    mUpdating = true;
    Radio(CLIPART_OWN_GROUP)->setChecked(true);
    mUpdating = false;
    ShowGroup(CLIPART_OWN_GROUP);
    for (int row = 0; row < List()->count(); row++) {
        if (List()->item(row)->data(kFileRole).toByteArray().toStdString() == name) {
            List()->setCurrentRow(row);
            List()->scrollToItem(List()->currentItem());
        }
    }
    List()->setFocus();
    return 1;
}

int ClipArtDialog(QWidget *owner)
{
    ClipArtDlg dialog(owner);
    dialog.exec();
    return dialog.Added();
}
