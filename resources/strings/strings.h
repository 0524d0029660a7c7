// strings.h — the string table in two languages.
//
// English texts have ids below LANGUAGE_SWEDISH; the Swedish text of an id is stored at
// id + LANGUAGE_SWEDISH.
// Texts are 8-bit Windows Latin-1 (code page 1252): convert with QString::fromLatin1
// (å is 0xE5). The table itself is resources/strings/strings.inc.
#pragma once

#include <cstdint>

// The language offsets: what gLanguageOffset holds, and the distance between the two
// texts of an id.
enum : int32_t { LANGUAGE_ENGLISH = 0, LANGUAGE_SWEDISH = 3000 };
// The language offset: LANGUAGE_ENGLISH or LANGUAGE_SWEDISH.
extern int32_t gLanguageOffset;

// The ids of the texts the code asks for by name (the dialogs' control texts go by the ids
// of their templates).
enum STRID : int {
    STR_ERROR = 14,
    STR_ASK_SAVE = 103,
    STR_ASK_SAVE_TITLE = 104,
    STR_ASK_REPLACE = 105,
    STR_ASK_REPLACE_TITLE = 106,
    STR_WELCOME = 128,
    STR_FILTER_ALL = 251,
    STR_FILTER_JPEG = 252,
    STR_FILTER_BITMAP = 253,
    STR_FILTER_LAYOUT = 254,
    STR_FILTER_PNG_WEBP = 255,
    STR_PRINT_NO_MEMORY = 260,
    STR_UNTITLED = 267,
    STR_SIZE_ORIGINAL = 282,
    STR_SIZE_SCREEN = 283,
    STR_SIZE_CUSTOM = 284,
    STR_PRINT_BAD_WIDTH = 288,
    STR_PRINT_BAD_HEIGHT = 289,
    STR_PRINT_TOO_WIDE = 307,
    STR_PRINT_TOO_HIGH = 308,
    STR_INFORMATION = 319,
    STR_LANGUAGE_NEXT_START = 320,
    STR_STICKER_NOT_ADDED = 340,
    STR_START_TITLE = 360,
    STR_START_LINE1 = 361,
    STR_NOT_STARTED = 1643,
    STR_RESTORE_ASK = 1650,
    STR_RESTORE_TITLE = 1651,
    STR_PHOTO_INCOMPLETE = 1660,
    STR_PHOTO_INCOMPLETE_TITLE = 1661,
    STR_AUTOSAVE_FAILED = 1670,
    STR_AUTOSAVE_AGAIN = 1671,
    STR_NO_PRINTER = 1672,
    STR_PRINT = 1673,
    STR_MAIL_NO_ANSWER = 1675,
    STR_MAIL_NEEDS_PROGRAM = 1676,
    STR_EMAIL = 1677,
    STR_RECENT = 1678,
    // 1701 … 1703 and 1708 … 1729 name clip art.
    STR_FILTER_PNG = 1700,
    STR_FILTER_WEBP = 1704,
    STR_COPIED = 1705,
    STR_PASTE_NOTHING = 1706,
    STR_DROP_CHOICE = 1707, // title@question@first choice@second choice@
    STR_CROP_TITLE = 1730, // the Crop photo dialog (1725-1729 are clip-art names)
    STR_CROP_HINT = 1731,
    STR_CROP_RATIO = 1732,
    STR_CROP_FREE = 1733,
    STR_CROP_ORIGINAL = 1734,
    STR_CROP_LEFT = 1735,
    STR_CROP_TOP = 1736,
    STR_CROP_WIDTH = 1737,
    STR_CROP_HEIGHT = 1738,
    STR_CROP_WHOLE = 1739,
    STR_CROP_FAILED = 1740,
    STR_CROP_UPRIGHT = 1741,
    STR_TEXT_NOT_SHOWN = 1750,
    STR_TEXT_CHARS_LEFT = 1751,
    STR_TEXT_CUT = 1752,
    STR_LAYOUT_SKIPPED = 1753,
    STR_LAYOUT_SKIPPED_TITLE = 1754,
    STR_CAPTION_TITLE = 1775, // the caption dialog, 1775 to 1790
    STR_CAPTION_TEXT,
    STR_CAPTION_LEFT,
    STR_CAPTION_FONT,
    STR_CAPTION_SIZE,
    STR_CAPTION_FILL,
    STR_CAPTION_OUTLINE,
    STR_CAPTION_OUTLINE_WIDTH,
    STR_CAPTION_SHADOW,
    STR_CAPTION_ALIGN,
    STR_CAPTION_ALIGN_LEFT,
    STR_CAPTION_ALIGN_CENTRE,
    STR_CAPTION_ALIGN_RIGHT,
    STR_CAPTION_EMPTY,
    STR_CAPTION_TOO_LONG,
    STR_CAPTION_FONT_MISSING,
};

// The longest text LoadText returns, in bytes; its buffer limit of 250 holds the NUL.
enum { LOADTEXT_MAX_CHARS = 249 };

// The text of id in the current language, from a ring of 20 buffers of 1000 bytes
// (so the 21st call reuses the first buffer); longer texts are cut to 249 bytes.
// "NOT DEFINED!" for an id the table lacks (no fallback to the other language).
const char *LoadText(int id);
// LoadText over another table (same ring and limits); lookup may be null.
const char *LoadTextWith(int id, const char *(*lookup)(int absoluteId));
// The raw table entry for an absolute id (language offset already added), or null.
const char *StringTableLookup(int absoluteId);
// Number of texts in the table (both languages).
int StringTableCount();
// The absolute id of text number index, ascending; -1 outside 0..StringTableCount()-1.
int StringTableId(int index);
