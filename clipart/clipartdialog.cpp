// clipartdialog.cpp — the clip-art selection dialog (not built yet: nothing is added).
#include "clipart/clipartdialog.h"

int ClipArtDialog(QWidget *)
{
    return 0;
}
