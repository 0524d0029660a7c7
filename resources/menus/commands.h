// commands.h — command ids of the main window.
//
// Menu items and accelerators send these ids to the command dispatch; the on-screen
// Clipart and Text buttons post IDM_CLIPART and IDM_TEXT. The numbers are fixed: they
// name the same commands in both menus and in the accelerator table.
#pragma once

enum {
    // File
    IDM_NEW = 40064,
    IDM_OPEN = 40032,
    IDM_SAVE = 40035,
    IDM_SAVEAS = 40065,
    IDM_PRINT = 40036,
    IDM_EMAIL = 40060,
    IDM_SETUP = 175,
    IDM_EXIT = 154,

    // Edit
    IDM_UNDO = 40080, // undo and redo: beyond the original commands, numbered after them
    IDM_REDO = 40081,
    IDM_SELECTNEXT = 40049,
    IDM_MOVELEFT = 40050,
    IDM_MOVERIGHT = 40051,
    IDM_MOVEUP = 40052,
    IDM_MOVEDOWN = 40053,
    IDM_BIGGER = 40037,
    IDM_SMALLER = 40038,
    IDM_WIDER = 40039,
    IDM_NARROWER = 40040,
    IDM_HIGHER = 40041,
    IDM_LOWER = 40042,
    IDM_FLIPH = 40043,
    IDM_FLIPV = 40044,
    IDM_ROTATELEFT = 40045,
    IDM_ROTATERIGHT = 40046,
    IDM_BEHIND = 40054,
    IDM_FORWARD = 40048,
    IDM_DELETE = 40055, // from the menu and the Delete key-down; no accelerator
    // Beyond the original commands: the composed picture to the clipboard, the selected
    // piece copied.
    IDM_COPYPICTURE = 40100,
    IDM_PASTE = 40101,
    IDM_DUPLICATE = 40102,
    IDM_CROP = 40115,   // the Crop photo dialog

    // Add
    IDM_CLIPART = 40033,
    IDM_TEXT = 40034,
    IDM_CAPTION = 40130, // a caption in real fonts (new, or the selected one edited)

    // Help
    IDM_CONTENTS = 40067,
    IDM_GETTINGSTARTED = 40068,
    IDM_WEBSITE = 40070,
    IDM_ABOUT = 172,

    // Sent by accelerators that have no menu item; no command handles them.
    IDM_KEY_CTRL_L = 40057,
    IDM_KEY_CTRL_A = 40058,
    IDM_KEY_CTRL_I = 40066, // greyed and enabled with the document commands
};
