// clipartdialog.h — the clip-art selection dialog: one category of stickers at a time as
// thumbnails with names, a search over every sticker by name, and the user's own
// stickers as a fourteenth group. The chosen sticker is added to the picture.
#pragma once

#include <QDialog>
#include <cstdint>
#include <memory>
#include <vector>

#include "clipart/catalogue.h"

class QAbstractButton;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTabBar;

namespace Ui
{
class ClipArtDialog;
} // namespace Ui

class ClipArtDlg : public QDialog
{
  public:
    explicit ClipArtDlg(QWidget *owner);
    ~ClipArtDlg() override;

    // Shows a group (0 to 12 a category, 13 the own stickers) and makes it the current
    // one; the search box is emptied. A list that cannot be made shows the trail.
    void ShowGroup(int32_t group);
    // OK or a double-click: adds the selected sticker and closes; with nothing selected
    // just closes; when the sticker cannot be added, shows the trail and stays open.
    void OnOk();
    // Makes a sticker of the picture file and shows it selected among the own stickers.
    // 0 when the picture cannot be read or stored (the trail has been shown).
    int AddOwnSticker(const QString &path);
    // Whether a sticker was added.
    int Added() const { return mAdded; }

    QRadioButton *Radio(int32_t group) const;            // 0 to 13
    QAbstractButton *PictureButton(int32_t group) const; // 0 to 12
    QListWidget *List() const;
    QTabBar *Tabs() const { return mTabs; }
    QLineEdit *SearchBox() const;
    QPushButton *OwnButton() const;
    // The buttons by their ids: 1 OK, 2 Cancel, 3 Help.
    QPushButton *Button(int id) const;

    // Fills the list with stickers (thumbnails and names); an empty `items` leaves it
    // unchanged unless clearWhenEmpty.
    void FillList(const std::vector<CLIPARTITEM> &items, bool clearWhenEmpty);

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    void OnSearch(const QString &text);
    void OnTab(int index);
    void OnAddOwn();
    int AddChosen();

    std::unique_ptr<Ui::ClipArtDialog> mUi;
    QTabBar *mTabs = nullptr;
    bool mUpdating = false; // set while the dialog changes its own controls
    int mAdded = 0;
};

// Fills the dialog's list with the catalogue stickers of the categories in mask. 0 with
// "nSelectionList[overflow!]" when they are too many; nothing collected leaves the
// list unchanged.
int ClipArt_Selection(ClipArtDlg *dialog, uint32_t mask);

// Runs the clip-art dialog modally over the main window; the chosen sticker is added to
// the picture. 1 when a sticker was added, 0 when cancelled or nothing was chosen.
int ClipArtDialog(QWidget *owner);
