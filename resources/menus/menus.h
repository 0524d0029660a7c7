// menus.h — the main window's menus and accelerator table, as plain data.
//
// Two menus, "MENU_ENG" and "MENU_SWE", hold the same items with the same command ids
// (commands.h) in the same order; only their texts differ. One accelerator table,
// "ACCEL_ENG", serves both languages. No toolkit types: the shell builds its menu bar
// and actions from these tables.
//
// Menu format: a flat array of MENUITEMDEF in display order, a tree written by depth.
//   iLevel 0      entries of the menu bar (always popups: File, Edit, Add, Help);
//   iLevel n + 1  the entries of the nearest popup above them with iLevel n. A popup's
//                 entries are the rows that follow it up to the next row whose iLevel is
//                 not greater than the popup's own.
//   bPopup        1 for a popup (submenu); its iId is 0.
//   bSeparator    1 for a separator line; its iId is 0 and pszText null.
//   pszText       the item text in 8-bit Latin-1 (QString::fromLatin1): '&' marks the
//                 mnemonic and a '\t' is followed by the key shown at the right edge of
//                 the item, exactly as displayed. The shown key is only a text: the keys
//                 that work are those of the accelerator table (the File menu shows
//                 "Ctrl+A" beside Save as, yet Ctrl+A runs no command).
//
// Accelerator format: ACCELDEF rows; iKey is a key code of this file (an upper-case ASCII
// letter or digit, or one of the MWK_ constants), iModifiers a combination of the
// MWMOD_ flags, iCommand the id sent. ACCEL_KeyName spells a row in the portable form
// "Ctrl+Shift+Left" (the form QKeySequence reads). A command greyed in the menu must not
// be sent by its key either.
#pragma once

#include <cstddef>

struct MENUITEMDEF {
    int iId;             // command id, 0 for popups and separators
    const char *pszText; // Latin-1 text with '&' mnemonic and '\t' key text; null for separators
    int iLevel;          // depth in the tree, 0 for the menu bar's entries
    int bSeparator;
    int bPopup;
};

struct MENUDEF {
    const char *pszName; // "MENU_ENG" or "MENU_SWE"
    const MENUITEMDEF *pItems;
    int iCount;
};

// Key codes for keys without a printable character (the values of the Windows
// virtual-key codes, so letters and digits are their upper-case ASCII codes).
enum {
    MWK_DELETE = 0x2E,
    MWK_LEFT = 0x25,
    MWK_UP = 0x26,
    MWK_RIGHT = 0x27,
    MWK_DOWN = 0x28,
    MWK_F1 = 0x70,
};

enum {
    MWMOD_NONE = 0,
    MWMOD_SHIFT = 1,
    MWMOD_CTRL = 2,
    MWMOD_ALT = 4,
};

struct ACCELDEF {
    int iKey;       // 'A'..'Z', '0'..'9' or an MWK_ code
    int iModifiers; // MWMOD_ flags
    int iCommand;   // command id sent
};

struct ACCELTABLE {
    const char *pszName; // "ACCEL_ENG"
    const ACCELDEF *pEntries;
    int iCount;
};

// The menu resource of this name ("MENU_ENG", "MENU_SWE"), or null when there is none.
const MENUDEF *RES_FindMenu(const char *name);
// The accelerator table of this name ("ACCEL_ENG"), or null when there is none.
const ACCELTABLE *RES_FindAccel(const char *name);
// The first item of menu with command id, or null.
const MENUITEMDEF *MENU_FindItem(const MENUDEF *menu, int id);
// The accelerator row that sends command id, or null.
const ACCELDEF *ACCEL_FindCommand(const ACCELTABLE *table, int id);
// Writes the row's key as "Ctrl+Shift+Alt+Key" (key names: letters, "Left", "Right",
// "Up", "Down", "Del", "F1") into buf; returns buf, or "" when size is too small.
const char *ACCEL_KeyName(const ACCELDEF *accel, char *buf, size_t size);
