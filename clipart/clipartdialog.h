// clipartdialog.h — the clip-art selection dialog.
#pragma once

class QWidget;

// Runs the clip-art dialog modally over the main window; the chosen sticker is added to
// the picture. 1 when a sticker was added, 0 when cancelled or nothing was chosen.
int ClipArtDialog(QWidget *owner);
