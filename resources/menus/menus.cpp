// menus.cpp — the menus "MENU_ENG" and "MENU_SWE" and the accelerator table "ACCEL_ENG".
//
// Texts are Latin-1; the Swedish letters are written as byte escapes (\xE5, \xE4, \xF6).
#include "resources/menus/menus.h"

#include <cstdio>
#include <cstring>

#include "resources/menus/commands.h"

namespace
{

// Rows of the tables below.
constexpr MENUITEMDEF Popup(int level, const char *text)
{
    return {0, text, level, 0, 1};
}
constexpr MENUITEMDEF Item(int level, int id, const char *text)
{
    return {id, text, level, 0, 0};
}
constexpr MENUITEMDEF Separator(int level)
{
    return {0, nullptr, level, 1, 0};
}

const MENUITEMDEF kMenuEnglish[] = {
    Popup(0, "&File"),
    Item(1, IDM_NEW, "&New...\tCtrl+N"),
    Item(1, IDM_OPEN, "&Open...\tCtrl+O"),
    Item(1, IDM_SAVE, "Save\tCtrl+S"),
    Item(1, IDM_SAVEAS, "Save as...\tCtrl+Shift+S"),
    Separator(1),
    Item(1, IDM_PRINT, "&Print...\tCtrl+P"),
    Item(1, IDM_EMAIL, "E-mail..."),
    Separator(1),
    Item(1, IDM_SETUP, "Setup..."),
    Separator(1),
    Item(1, IDM_EXIT, "E&xit\tAlt+X"),

    Popup(0, "&Edit"),
    Item(1, IDM_UNDO, "&Undo\tCtrl+Z"),
    Item(1, IDM_REDO, "R&edo\tCtrl+Y"),
    Separator(1),
    Item(1, IDM_COPYPICTURE, "&Copy picture\tCtrl+Shift+C"),
    Item(1, IDM_PASTE, "&Paste\tCtrl+Shift+V"),
    Item(1, IDM_DUPLICATE, "Dupl&icate\tCtrl+D"),
    Separator(1),
    Item(1, IDM_SELECTNEXT, "Select &next\tCtrl+E"),
    Separator(1),
    Popup(1, "&Move"),
    Item(2, IDM_MOVELEFT, "Left\tLeft Arrow"),
    Item(2, IDM_MOVERIGHT, "Right\tRight Arrow"),
    Item(2, IDM_MOVEUP, "Up\tUp Arrow"),
    Item(2, IDM_MOVEDOWN, "Down\tDown Arrow"),
    Popup(1, "&Size"),
    Item(2, IDM_BIGGER, "Bigger\tCtrl+Down Arrow"),
    Item(2, IDM_SMALLER, "Smaller\tCtrl+Up Arrow"),
    Item(2, IDM_WIDER, "Wider\tShift+Right Arrow"),
    Item(2, IDM_NARROWER, "Narrower\tShift+Left Arrow"),
    Item(2, IDM_HIGHER, "Higher\tShift+Down Arrow"),
    Item(2, IDM_LOWER, "Lower\tShift+Up Arrow"),
    Separator(1),
    Popup(1, "&Flip"),
    Item(2, IDM_FLIPH, "Horizontal\tCtrl+H"),
    Item(2, IDM_FLIPV, "Vertical\tCtrl+V"),
    Separator(1),
    Popup(1, "&Rotate"),
    Item(2, IDM_ROTATELEFT, "Left\tCtrl+Left Arrow"),
    Item(2, IDM_ROTATERIGHT, "Right\tCtrl+Right Arrow"),
    Separator(1),
    Popup(1, "&Layer"),
    Item(2, IDM_BEHIND, "Behind\tCtrl+B"),
    Item(2, IDM_FORWARD, "Forward\tCtrl+F"),
    Separator(1),
    Item(1, IDM_DELETE, "&Delete\tDel"),
    Separator(1),
    Item(1, IDM_CROP, "Cr&op photo..."),

    Popup(0, "&Add"),
    Item(1, IDM_CLIPART, "Clipart\tCtrl+C"),
    Item(1, IDM_TEXT, "&Text\tCtrl+T"),
    Item(1, IDM_CAPTION, "Ca&ption...\tCtrl+Shift+T"),

    Popup(0, "&Help"),
    Item(1, IDM_CONTENTS, "Contents\tF1"),
    Item(1, IDM_GETTINGSTARTED, "Getting started"),
    Separator(1),
    Item(1, IDM_WEBSITE, "Merrowick web site"),
    Separator(1),
    Item(1, IDM_ABOUT, "About..."),
};

const MENUITEMDEF kMenuSwedish[] = {
    Popup(0, "&Arkiv"),
    Item(1, IDM_NEW, "&Ny...\tCtrl+N"),
    Item(1, IDM_OPEN, "&\xD6ppna...\tCtrl+O"),
    Item(1, IDM_SAVE, "Spara\tCtrl+S"),
    Item(1, IDM_SAVEAS, "Spara som...\tCtrl+Skift+S"),
    Separator(1),
    Item(1, IDM_PRINT, "Skriv &ut...\tCtrl+P"),
    Item(1, IDM_EMAIL, "E-post..."),
    Separator(1),
    Item(1, IDM_SETUP, "Inst\xE4llningar..."),
    Separator(1),
    Item(1, IDM_EXIT, "&Avsluta\tAlt+X"),

    Popup(0, "&Redigera"),
    Item(1, IDM_UNDO, "\xC5n&gra\tCtrl+Z"),
    Item(1, IDM_REDO, "G\xF6r &om\tCtrl+Y"),
    Separator(1),
    Item(1, IDM_COPYPICTURE, "&Kopiera bilden\tCtrl+Skift+C"),
    Item(1, IDM_PASTE, "Klistra &in\tCtrl+Skift+V"),
    Item(1, IDM_DUPLICATE, "&Duplicera\tCtrl+D"),
    Separator(1),
    Item(1, IDM_SELECTNEXT, "Markera &n\xE4sta\tCtrl+E"),
    Separator(1),
    Popup(1, "&Flytta"),
    Item(2, IDM_MOVELEFT, "V\xE4nster\tV\xE4nsterpil"),
    Item(2, IDM_MOVERIGHT, "H\xF6ger\tH\xF6gerpil"),
    Item(2, IDM_MOVEUP, "Upp\tUppil"),
    Item(2, IDM_MOVEDOWN, "Ned\tNedpil"),
    Popup(1, "&Storlek"),
    Item(2, IDM_BIGGER, "St\xF6rre\tCtrl+Nedpil"),
    Item(2, IDM_SMALLER, "Mindre\tCtrl+Uppil"),
    Item(2, IDM_WIDER, "Bredare\tSkift+H\xF6gerpil"),
    Item(2, IDM_NARROWER, "Smalare\tSkift+V\xE4nsterpil"),
    Item(2, IDM_HIGHER, "H\xF6gre\tSkift+Nedpil"),
    Item(2, IDM_LOWER, "L\xE4gre\tSkift+Uppil"),
    Separator(1),
    Popup(1, "S&pegla"),
    Item(2, IDM_FLIPH, "V\xE5gr\xE4tt\tCtrl+H"),
    Item(2, IDM_FLIPV, "Lodr\xE4tt\tCtrl+V"),
    Separator(1),
    Popup(1, "&Rotera"),
    Item(2, IDM_ROTATELEFT, "V\xE4nster\tCtrl+V\xE4nsterpil"),
    Item(2, IDM_ROTATERIGHT, "H\xF6ger\tCtrl+H\xF6gerpil"),
    Separator(1),
    Popup(1, "&Lager"),
    Item(2, IDM_BEHIND, "Bak\xE5t\tCtrl+B"),
    Item(2, IDM_FORWARD, "Fram\xE5t\tCtrl+F"),
    Separator(1),
    Item(1, IDM_DELETE, "&Ta bort\tDel"),
    Separator(1),
    Item(1, IDM_CROP, "&Besk\xE4r foto..."),

    Popup(0, "&L\xE4gg till"),
    Item(1, IDM_CLIPART, "Clipart\tCtrl+C"),
    Item(1, IDM_TEXT, "&Text\tCtrl+T"),
    Item(1, IDM_CAPTION, "&Bildtext...\tCtrl+Skift+T"),

    Popup(0, "&Hj\xE4lp"),
    Item(1, IDM_CONTENTS, "Inneh\xE5ll\tF1"),
    Item(1, IDM_GETTINGSTARTED, "Komma ig\xE5ng"),
    Separator(1),
    Item(1, IDM_WEBSITE, "Merrowicks webbplats"),
    Separator(1),
    Item(1, IDM_ABOUT, "Om Merrowick..."),
};

// The keys of the command table, then those added beside them. Delete is handled as a
// key-down by the main window, not here. Ctrl+L, Ctrl+A and Ctrl+I send ids that no command
// handles.
const ACCELDEF kAccelEnglish[] = {
    {'N', MWMOD_CTRL, IDM_NEW},
    {'O', MWMOD_CTRL, IDM_OPEN},
    {'S', MWMOD_CTRL, IDM_SAVE},
    {'P', MWMOD_CTRL, IDM_PRINT},
    {'X', MWMOD_ALT, IDM_EXIT},
    {'E', MWMOD_CTRL, IDM_SELECTNEXT},
    {MWK_LEFT, MWMOD_NONE, IDM_MOVELEFT},
    {MWK_RIGHT, MWMOD_NONE, IDM_MOVERIGHT},
    {MWK_UP, MWMOD_NONE, IDM_MOVEUP},
    {MWK_DOWN, MWMOD_NONE, IDM_MOVEDOWN},
    {MWK_DOWN, MWMOD_CTRL, IDM_BIGGER},
    {MWK_UP, MWMOD_CTRL, IDM_SMALLER},
    {MWK_RIGHT, MWMOD_SHIFT, IDM_WIDER},
    {MWK_LEFT, MWMOD_SHIFT, IDM_NARROWER},
    {MWK_DOWN, MWMOD_SHIFT, IDM_HIGHER},
    {MWK_UP, MWMOD_SHIFT, IDM_LOWER},
    {'H', MWMOD_CTRL, IDM_FLIPH},
    {'V', MWMOD_CTRL, IDM_FLIPV},
    {MWK_LEFT, MWMOD_CTRL, IDM_ROTATELEFT},
    {MWK_RIGHT, MWMOD_CTRL, IDM_ROTATERIGHT},
    {'B', MWMOD_CTRL, IDM_BEHIND},
    {'F', MWMOD_CTRL, IDM_FORWARD},
    {'C', MWMOD_CTRL, IDM_CLIPART},
    {'T', MWMOD_CTRL, IDM_TEXT},
    {MWK_F1, MWMOD_NONE, IDM_CONTENTS},
    {'L', MWMOD_CTRL, IDM_KEY_CTRL_L},
    {'A', MWMOD_CTRL, IDM_KEY_CTRL_A},
    {'I', MWMOD_CTRL, IDM_KEY_CTRL_I},
    // Undo and redo, beyond the original keys.
    {'Z', MWMOD_CTRL, IDM_UNDO},
    {'Y', MWMOD_CTRL, IDM_REDO},
    {'Z', MWMOD_CTRL | MWMOD_SHIFT, IDM_REDO},
    // Beside the original keys, those of today's editors.
    {'D', MWMOD_CTRL, IDM_DUPLICATE},
    {'C', MWMOD_CTRL | MWMOD_SHIFT, IDM_COPYPICTURE},
    {'V', MWMOD_CTRL | MWMOD_SHIFT, IDM_PASTE},
    {'S', MWMOD_CTRL | MWMOD_SHIFT, IDM_SAVEAS},
    {'Q', MWMOD_CTRL, IDM_EXIT},
    {'T', MWMOD_CTRL | MWMOD_SHIFT, IDM_CAPTION},
};

template <size_t N> constexpr int Count(const MENUITEMDEF (&)[N])
{
    return int(N);
}

const MENUDEF kMenus[] = {
    {"MENU_ENG", kMenuEnglish, Count(kMenuEnglish)},
    {"MENU_SWE", kMenuSwedish, Count(kMenuSwedish)},
};

const ACCELTABLE kAccelTables[] = {
    {"ACCEL_ENG", kAccelEnglish, int(sizeof kAccelEnglish / sizeof kAccelEnglish[0])},
};

// The portable name of a key code, or null for a code this file does not define.
const char *KeyName(int key, char *one)
{
    switch (key) {
    case MWK_DELETE:
        return "Del";
    case MWK_LEFT:
        return "Left";
    case MWK_UP:
        return "Up";
    case MWK_RIGHT:
        return "Right";
    case MWK_DOWN:
        return "Down";
    case MWK_F1:
        return "F1";
    }
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) {
        one[0] = char(key);
        one[1] = '\0';
        return one;
    }
    return nullptr;
}

} // namespace

const MENUDEF *RES_FindMenu(const char *name)
{
    if (!name)
        return nullptr;
    for (const MENUDEF &m : kMenus)
        if (std::strcmp(m.pszName, name) == 0)
            return &m;
    return nullptr;
}

const ACCELTABLE *RES_FindAccel(const char *name)
{
    if (!name)
        return nullptr;
    for (const ACCELTABLE &t : kAccelTables)
        if (std::strcmp(t.pszName, name) == 0)
            return &t;
    return nullptr;
}

const MENUITEMDEF *MENU_FindItem(const MENUDEF *menu, int id)
{
    if (!menu || id == 0)
        return nullptr;
    for (int i = 0; i < menu->iCount; i++)
        if (menu->pItems[i].iId == id)
            return &menu->pItems[i];
    return nullptr;
}

const ACCELDEF *ACCEL_FindCommand(const ACCELTABLE *table, int id)
{
    if (!table)
        return nullptr;
    for (int i = 0; i < table->iCount; i++)
        if (table->pEntries[i].iCommand == id)
            return &table->pEntries[i];
    return nullptr;
}

const char *ACCEL_KeyName(const ACCELDEF *accel, char *buf, size_t size)
{
    char one[2];
    const char *key = accel ? KeyName(accel->iKey, one) : nullptr;
    if (!key || !buf || size == 0)
        return "";
    int n = std::snprintf(buf, size, "%s%s%s%s", (accel->iModifiers & MWMOD_CTRL) ? "Ctrl+" : "",
                          (accel->iModifiers & MWMOD_SHIFT) ? "Shift+" : "",
                          (accel->iModifiers & MWMOD_ALT) ? "Alt+" : "", key);
    if (n < 0 || size_t(n) >= size) {
        buf[0] = '\0';
        return "";
    }
    return buf;
}
