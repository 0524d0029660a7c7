// dialogs.cpp — the Setup dialog, the folder picker and the About box.
#include "shell/dialogs.h"

#include <QFileDialog>
#include <QImage>
#include <QPixmap>
#include <cstdio>
#include <cstring>

#include "interface/interface.h"
#include "picture/compose.h"
#include "pixels/pixels.h"
#include "platform/platform.h"
#include "platform/qt/qt_platform.h"
#include "platform/trail.h"
#include "resources/strings/strings.h"
#include "shell/appstate.h"
#include "shell/documentlogic.h"
#include "shell/shell.h"
#include "shell/shellcore.h"
#include "ui_aboutdlg.h"
#include "ui_setupdlg.h"

static QString Text(int id)
{
    return PLATQT_ToQt(LoadText(id));
}

// Paths are the system's own bytes, not code page 1252 text.
static QString PathToQt(const char *path)
{
    return QString::fromLocal8Bit(path);
}

// A folder setting into its edit box. Empty stays empty (the dialogs then start in the
// last folder used, else the pictures folder, shown greyed), so that OK does not fix the
// program's own data folder as the place of the user's files.
static void ShowFolderSetting(QLineEdit *edit, const char *key)
{
    char value[4096];
    PLAT_GetProfileString("SETUP", key, "", value, sizeof value);
    edit->setText(PathToQt(value));
    edit->setPlaceholderText(PathToQt(PicturesFolder().c_str()));
}

// ---- Setup ----------------------------------------------------------------------------------

SetupDlg::SetupDlg(QWidget *owner) : QDialog(owner), mUi(new Ui::SetupDialog)
{
    mUi->setupUi(this);
    setWindowTitle(Text(311));
    mUi->languageGroup->setTitle(Text(312));
    mUi->interfaceGroup->setTitle(Text(313));
    mUi->showTextsCheck->setText(Text(314));
    mUi->smoothEdgesCheck->setText(Text(321));
    mUi->folderGroup->setTitle(Text(315));
    mUi->appLabel->setText(Text(316));
    mUi->imagesLabel->setText(Text(317));
    mUi->appBrowse->setText(Text(318));
    mUi->imagesBrowse->setText(Text(318));
    mUi->okButton->setText(Text(11));
    mUi->cancelButton->setText(Text(12));

    mUi->languageCombo->addItem(Text(143));
    mUi->languageCombo->addItem(Text(144));
    char value[64];
    PLAT_GetProfileString("SETUP", "Language", "1", value, sizeof value);
    mUi->languageCombo->setCurrentIndex(SetupLanguageIndex(value));

    ShowFolderSetting(mUi->appEdit, "DirectoryApp");
    ShowFolderSetting(mUi->imagesEdit, "DirectoryImages");
    PLAT_GetProfileString("SETUP", "InterfaceTexts", "0", value, sizeof value);
    mUi->showTextsCheck->setChecked(InterfaceTextsOn(value) != 0);
    mUi->smoothEdgesCheck->setChecked(gSmoothEdges != 0);

    connect(mUi->okButton, &QPushButton::clicked, this, [this] { OnOk(); });
    connect(mUi->cancelButton, &QPushButton::clicked, this, [this] { reject(); });
    connect(mUi->appBrowse, &QPushButton::clicked, this, [this] { OnBrowse(FILEDLG_OPEN); });
    connect(mUi->imagesBrowse, &QPushButton::clicked, this, [this] { OnBrowse(FILEDLG_PHOTO); });
    adjustSize();
    CenterWindowOver(owner ? owner : PLATQT_MainWindow(), this);
}

SetupDlg::~SetupDlg() = default;

void SetupDlg::OnBrowse(int mode)
{
    QLineEdit *edit = mode == FILEDLG_OPEN ? mUi->appEdit : mUi->imagesEdit;
    char folder[4096];
    const QString start = edit->text().isEmpty() ? edit->placeholderText() : edit->text();
    std::snprintf(folder, sizeof folder, "%s", start.toLocal8Bit().constData());
    if (BrowseFolder(this, folder, sizeof folder, mode))
        edit->setText(PathToQt(folder));
    else if (TrailPending())
        ShowErrorTrail();
}

void SetupDlg::OnOk()
{
    int language = SetupLanguageNumber(mUi->languageCombo->currentIndex());
    if ((language == 2 ? LANGUAGE_SWEDISH : LANGUAGE_ENGLISH) != gLanguageOffset) {
        char title[256];
        std::snprintf(title, sizeof title, "%s", LoadText(STR_INFORMATION));
        PLAT_MessageBox(LoadText(STR_LANGUAGE_NEXT_START), title,
                        PLAT_MB_OK | PLAT_MB_ICONINFORMATION);
    }
    PLAT_WriteProfileString("SETUP", "Language", language == 2 ? "2" : "1");

    char folder[4096];
    SetupFolderValue(mUi->appEdit->text().toLocal8Bit().constData(), folder, sizeof folder);
    PLAT_WriteProfileString("SETUP", "DirectoryApp", folder);
    SetupFolderValue(mUi->imagesEdit->text().toLocal8Bit().constData(), folder, sizeof folder);
    PLAT_WriteProfileString("SETUP", "DirectoryImages", folder);

    gShowButtonTexts = mUi->showTextsCheck->isChecked() ? 1 : 0;
    PLAT_WriteProfileString("SETUP", "InterfaceTexts", gShowButtonTexts ? "1" : "0");
    gSmoothEdges = mUi->smoothEdgesCheck->isChecked() ? 1 : 0;
    PLAT_WriteProfileString("SETUP", "SmoothEdges", gSmoothEdges ? "1" : "0");
    accept();
}

int SetupDialog(QWidget *owner)
{
    SetupDlg dialog(owner);
    dialog.exec();
    return 1;
}

int BrowseFolder(QWidget *owner, char *folder, size_t size, int mode)
{
    if (mode != FILEDLG_PHOTO && mode != FILEDLG_OPEN)
        return Fail("Mode not supported!");
    QString start = PathToQt(folder);
    QString chosen =
        QFileDialog::getExistingDirectory(owner, Text(318).remove(QStringLiteral("...")), start);
    if (chosen.isEmpty())
        return 0;
    char value[4096];
    std::snprintf(value, sizeof value, "%s", chosen.toLocal8Bit().constData());
    SetupFolderValue(value, folder, size);
    return 1;
}

// ---- About ----------------------------------------------------------------------------------

// The 52 × 44 logo cell of the sprite sheet, white made transparent.
static QPixmap LogoFromSpriteSheet()
{
    QImage logo(52, 44, QImage::Format_ARGB32);
    logo.fill(Qt::transparent);
    if (gDDSSprite) {
        for (int y = 0; y < 44; y++) {
            for (int x = 0; x < 52; x++) {
                uint32_t rgb = DXGetPixel(gDDSSprite, 861 + x, 295 + y);
                if (rgb != 0xFFFFFF)
                    logo.setPixel(x, y, 0xFF000000u | rgb);
            }
        }
    }
    return QPixmap::fromImage(logo);
}

AboutDlg::AboutDlg(QWidget *owner) : QDialog(owner), mUi(new Ui::AboutDialog)
{
    mUi->setupUi(this);
    setWindowTitle(Text(51));
    mUi->textLabel->setText(Text(101));
    mUi->okButton->setText(Text(11));
    QFont font = mUi->textLabel->font();
    font.setWeight(QFont::Normal);
    mUi->textLabel->setFont(font);
    mUi->logoLabel->setGeometry(20, 20, 52, 44);
    mUi->logoLabel->setPixmap(LogoFromSpriteSheet());
    connect(mUi->okButton, &QPushButton::clicked, this, [this] { accept(); });
    setFixedSize(size());
    CenterWindowOver(owner ? owner : PLATQT_MainWindow(), this);
}

AboutDlg::~AboutDlg() = default;

int AboutDialog(QWidget *owner)
{
    AboutDlg dialog(owner);
    dialog.exec();
    return 1;
}
