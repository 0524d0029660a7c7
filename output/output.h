// output.h — the picture out of the program: printing and e-mail.
//
// Printing puts the composed picture on one page at the size and place chosen in the
// "Print options" dialog, through Qt's print dialog and printer; a small dialog lets the
// user abort the job. E-mail writes the picture as a JPEG into the program's private
// temporary folder and hands it to the desktop's mail program (xdg-email). Routines
// return 1 on success and 0 with the error trail filled; cancelling a dialog is success.
#pragma once

#include <cstdint>

class QPrinter;
class QWidget;
struct PRINTSIZE;

// ---- Printing ------------------------------------------------------------------------------

// The Print command: the print dialog (one copy, no page ranges, no print to file), then
// PrintOnPrinter with the chosen printer. `window` is the main window.
int PrintImage2(QWidget *window);
// Everything after the print dialog: the printer's measures, the options dialog and
// PrintPage.
int PrintOnPrinter(QWidget *window, QPrinter *printer);
// The job with the options chosen: the abort dialog, the composition at the photo's own
// resolution and the page. The main window is disabled while the job runs and enabled
// again on every path. Aborting is success and prints nothing.
int PrintPage(QWidget *window, QPrinter *printer, const PRINTSIZE *ps);
// 1 while the job may go on; the abort dialog's button sets it to 0.
extern int32_t gKeepPrinting;

// ---- E-mail ---------------------------------------------------------------------------------

// Tells whether mail can be sent (xdg-email on PATH). Called once at start; its result is
// gMailAvailable. No trail line: an absent mail program only greys the E-mail command.
int MAPI_Init();
// Removes the attachments of earlier runs that ended without cleaning up: called once the
// first frame is shown (the first mail does it too if it comes sooner).
void MAPI_RemoveStale();
// Opens the mail program's compose window with the file `path` attached; the file's own
// name is the one the recipient sees. A mail program still running after gMailWaitMs has
// taken the message and is left running. 0 with "MAPI_Send() !" when xdg-email could not
// be started or reported a failure (its message and exit status come first).
int EMAIL_Send(const char *path);
// How long EMAIL_Send waits for xdg-email to report, in milliseconds.
extern int32_t gMailWaitMs;
// The E-mail command after the size dialog: composes the picture at width × height (3
// components whatever is passed), writes it as a JPEG (quality 90) named gFileName +
// ".jpg" in a folder of its own in the private temporary folder and sends it. The file
// stays until the program ends: the mail program reads it after xdg-email returns.
int SendEmail(QWidget *window, int32_t width, int32_t height, int32_t components);
