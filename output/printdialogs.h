// printdialogs.h — the "Print options" dialog, the abort dialog and the print preview, as
// classes for the print job and its tests. Their texts come from the string table; the
// rules they apply are in printrules.h.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

#include "output/printrules.h"

class QPrinter;
class QPrintPreviewWidget;

namespace Ui
{
class PrintSizeDialog;
} // namespace Ui

// PRINTSIZE: paper or custom size, stretch, proportions and alignment. Reads its start
// values from the parameters and writes the choice back on OK; a custom size outside
// 10 to the printable millimetres is refused with a message and the dialog stays open.
// Preview shows the page with the values as they stand.
class PrintSizeDlg : public QDialog
{
  public:
    using PreviewFn = std::function<void(QWidget *owner, const PRINTSIZE &chosen)>;
    PrintSizeDlg(QWidget *owner, PRINTSIZE *ps, int32_t photoWidth, int32_t photoHeight,
                 PreviewFn preview);
    ~PrintSizeDlg() override;

  private:
    // The dialog's values into *out; 0 after showing why a custom size is refused.
    int ReadChoice(PRINTSIZE *out);
    void ApplyEnabling();
    void OnSideEdited(bool width);

    std::unique_ptr<Ui::PrintSizeDialog> mUi;
    PRINTSIZE *mParams;
    int32_t mPhotoWidth, mPhotoHeight;
    PreviewFn mPreview;
};

// PRINTABORT: modeless, one button that stops the job (gKeepPrinting = 0) and closes the
// dialog. It stays usable while the main window is disabled.
class PrintAbortDlg : public QDialog
{
  public:
    explicit PrintAbortDlg(QWidget *owner);
};

// The page as it will print, drawn by `paint` on the printer's preview; one button closes it.
class PrintPreviewDlg : public QDialog
{
  public:
    PrintPreviewDlg(QWidget *owner, QPrinter *printer, std::function<void(QPrinter *)> paint);
    QPrintPreviewWidget *Preview() const { return mPreview; }

  private:
    QPrintPreviewWidget *mPreview;
};
