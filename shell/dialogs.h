// dialogs.h — the Setup dialog and the About box as classes, for the shell and its tests.
// Both replace their template's texts from the string table and centre themselves over
// the main window when made.
#pragma once

#include <QDialog>
#include <memory>

namespace Ui
{
class SetupDialog;
class AboutDialog;
} // namespace Ui

class SetupDlg : public QDialog
{
  public:
    explicit SetupDlg(QWidget *owner);
    ~SetupDlg() override;
    // OK: writes every setting and closes.
    void OnOk();
    // Browse for the layout folder (mode 2) or the photo folder (mode 1).
    void OnBrowse(int mode);

  private:
    std::unique_ptr<Ui::SetupDialog> mUi;
};

class AboutDlg : public QDialog
{
  public:
    explicit AboutDlg(QWidget *owner);
    ~AboutDlg() override;

  private:
    std::unique_ptr<Ui::AboutDialog> mUi;
};
