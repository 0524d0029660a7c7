// output.h — the picture out of the program: printing and e-mail.
//
// Printing puts the composed picture on one page at the size and place chosen in the
// "Print options" dialog, through Qt's print dialog and printer; a small dialog lets the
// user abort the job. E-mail writes the picture as a JPEG into the program's private
// temporary folder and hands it to the desktop's mail program (xdg-email). Routines
// return 1 on success and 0 with the error trail filled; cancelling a dialog is success.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

class QPrinter;
class QString;
class QWidget;
struct PRINTSIZE;

// ---- Printing ------------------------------------------------------------------------------

// The Print command: the print dialog (one copy, no page ranges, no print to file), then
// PrintOnPrinter with the chosen printer. With no printer set up it says so and offers
// printing to a PDF file instead (the dialog then has Qt's print to file). `window` is
// the main window.
int PrintImage2(QWidget *window);
// Everything after the print dialog: the printer's measures, the options dialog and
// PrintPage.
int PrintOnPrinter(QWidget *window, QPrinter *printer);
// The job with the options chosen: the abort dialog, the composition at the photo's own
// resolution and the page. The main window is disabled while the job runs and enabled
// again on every path. Aborting is success and prints nothing. A failure puts a sentence
// saying what to do above the trail's lines when it comes through PrintImage2.
int PrintPage(QWidget *window, QPrinter *printer, const PRINTSIZE *ps);
// 1 while the job may go on; the abort dialog's button sets it to 0. It is honoured until
// the page is handed to the printer: during the composition, the drawing and before the
// job ends.
extern int32_t gKeepPrinting;
// For tests: called on the drawing thread just before the picture is drawn on the page.
extern void (*gpPrintDrawHook)();

// ---- E-mail ---------------------------------------------------------------------------------

// Tells whether mail can be sent (xdg-email on PATH). Called once at start; its result is
// gMailAvailable. No trail line: an absent mail program only greys the E-mail command.
int MAPI_Init();
// The folder of the mail attachments, $XDG_CACHE_HOME/merrowick/mail/ (by default
// ~/.cache/merrowick/mail/), with a trailing separator.
std::string MailFolder();
// How long an attachment is kept for the mail program: a day.
constexpr std::time_t MAIL_KEEP_SECONDS = 24 * 60 * 60;
// Removes the attachment folders older than MAIL_KEEP_SECONDS at `now`: only folders of
// this user's, of mode 0700, that are no links; what is inside goes without following a
// link. Called once the first frame is shown (the first mail does it too if it comes
// sooner). The number removed.
int MAPI_RemoveStale(std::time_t now);
// Opens the mail program's compose window with the file `path` attached; the file's own
// name is the one the recipient sees. A mail program still running after gMailWaitMs has
// taken the message and is left running. 0 with "MAPI_Send() !" when xdg-email could not
// be started or reported a failure (its message and exit status come first).
int EMAIL_Send(const char *path);
// How long EMAIL_Send waits for xdg-email to report, in milliseconds.
extern int32_t gMailWaitMs;
// The E-mail command after the size dialog: composes the picture at width × height (3
// components whatever is passed), writes it as a JPEG (quality 90) named gFileName +
// ".jpg" in a folder of its own under MailFolder() and sends it. The file stays for the
// mail program, which reads it after xdg-email returns. When no mail program answers and
// `window` is given, MAIL_OfferSave tells the user (and the result is 1); without a
// window the result is 0 with the trail filled.
int SendEmail(QWidget *window, int32_t width, int32_t height, int32_t components);
// Says that no mail program answered and what to do, above the trail's lines (which it
// empties), and offers to save the attachment as a JPEG file the user names. 1 when the
// user took the offer.
int MAIL_OfferSave(QWidget *window, const char *attachment);
// The attachment's name for the document: gFileName (or "Untitled") and ".jpg".
QString AttachmentName();
