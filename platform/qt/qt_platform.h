// qt_platform.h — the Qt side of platform.h: how the shell connects its widgets.
//
// The platform layer owns the window image (1280 × 1024, 24-bit blue-green-red) and
// draws nothing itself: the shell's drawing area paints the image and the shell hands
// over its status bar parts and progress bar. Text crossing into Qt is code page 1252,
// converted as Latin-1, except the UTF-8 characters of file names within it.
#pragma once

#include <QMessageBox>
#include <QPoint>
#include <QRect>
#include <QString>

class QImage;
class QLabel;
class QProgressBar;
class QWidget;

// Connects the main window and its drawing area; the window image exists from here on.
void PLATQT_AttachWindow(QWidget *mainWindow, QWidget *drawArea);
// Disconnects them (window image gone, PLAT_GetWindowImage returns null).
void PLATQT_DetachWindow();
// Grows the window image to hold a drawing area of width × height (up to 1280 × 1024)
// when it does not; what it held is then gone, and the window must be drawn anew.
void PLATQT_FitWindowImage(int width, int height);
// The main window, or null.
QWidget *PLATQT_MainWindow();
// The window image as a QImage over the same bytes, or null without a window.
QImage *PLATQT_WindowQImage();
// Connects the status bar's two text parts and its progress bar (nulls disconnect).
void PLATQT_AttachStatusBar(QLabel *part0, QLabel *part1, QProgressBar *progress);

// 8-bit program text (code page 1252, with file names in UTF-8 among it) to Qt, and
// Qt text to code page 1252.
QString PLATQT_ToQt(const char *text);
QByteArray PLATQT_FromQt(const QString &text);

// Message box flags to Qt's icon and buttons, and Qt's answer back to PLAT_ID*.
QMessageBox::Icon PLATQT_IconForFlags(int flags);
QMessageBox::StandardButtons PLATQT_ButtonsForFlags(int flags);
int PLATQT_ResultForButton(QMessageBox::StandardButton button, int flags);

// Replaces the message box for tests: the hook gets what the box would show and
// returns the button pressed. Null puts the real box back.
// Makes Qt's own texts (message box buttons, file and print dialogs) speak the program's
// language: Qt's Swedish translation when swedish is 1, Qt's English otherwise. 0 when the
// Swedish translation is not installed (the texts stay English).
int PLATQT_SetLanguage(int swedish);

typedef int (*PLATQT_MESSAGEBOXHOOK)(const char *text, const char *title, int flags);
void PLATQT_SetMessageBoxHook(PLATQT_MESSAGEBOXHOOK hook);
// Makes PLAT_FindResource act as if the program had no resource of this name (null
// clears the list). Lets tests start the program without its embedded artwork.
void PLATQT_HideResource(const char *name);

// The help window (created on first PLAT_ShowHelp), or null.
QWidget *PLATQT_HelpWindow();
// The file the help window shows, empty when the last topic was not found.
QString PLATQT_HelpCurrentFile();
// Closes and deletes the help window.
void PLATQT_CloseHelp();
// Where the help window of size `help` goes beside a dialog at `dialog` on a screen's
// free area: to its right, else to its left, else narrowed to the side with more room
// (at least 420 wide), else over the dialog's edge; always on the screen.
QRect PLATQT_HelpPlace(const QRect &dialog, const QSize &help, const QRect &screen);
