// addtextlogic.h — the text dialog's rules that need no window: the edit field's text
// (code page 1252 with "\n" line ends, capitals, at most 98 stored characters), the
// conversion to and from the stored form (lines ending in "\r\n"), and what OK does to
// the picture.
//
// The per-character rules (capitals, the 98-character copy, whether OK acts, the checked
// radio, the kind of OK) live with the text pieces in picture/text.h.
#pragma once

#include <cstdint>
#include <string>

struct IMGOBJ;

// The dialog's first radio button id and the first preview picture id; radio 301 + k and
// picture 1001 + k belong to style k.
constexpr int32_t ADDTEXT_FIRST_RADIO = 301;
constexpr int32_t ADDTEXT_LAST_RADIO = 311;
constexpr int32_t ADDTEXT_FIRST_PREVIEW = 1001;

// ---- Characters at the edge ---------------------------------------------------------------

// The code page 1252 byte of a Unicode character the edit field keeps, or -1 for one it
// drops (controls other than the line feed, characters the code page lacks).
int32_t EditCharToByte(uint32_t unicode);
// The Unicode character of a code page 1252 byte (undefined bytes map to themselves).
uint32_t EditByteToChar(unsigned char byte);

// ---- The edit field --------------------------------------------------------------------------

// Characters the text takes when stored: each line feed becomes "\r\n", two characters.
int32_t StoredLength(const std::string &editText);
// Brings the edit field's text (code page 1252, "\n" line ends) into shape: letters to
// capitals, carriage returns and NULs out, and, while the stored text would exceed 98
// characters, the characters just before cursor dropped (they are the ones just typed
// or pasted), then from the end. cursor (a character index) follows the changes.
// Returns whether anything changed.
bool NormaliseEditText(std::string &editText, int32_t &cursor);
// The same for the field as Unicode code points, which keeps characters outside the
// code page (they count toward the 98 and are left out when stored): a tab becomes a
// space, other controls and non-characters go. Returns how many characters were cut to
// keep 98; cursor is a code point index.
int32_t NormaliseEditChars(std::u32string &editText, int32_t &cursor);
// The characters of the field the bubble style cannot draw, each once, in the order they
// first appear; invisible joiners and variation selectors are not listed.
std::u32string NotShownChars(const std::u32string &editText);
// How many of the 98 characters the field has left (a line end takes two).
int32_t EditCharsLeft(const std::u32string &editText);
// The stored form of the edit text: "\r\n" line ends, at most 98 characters (a line end
// that does not fit whole is left out) and a NUL, into out (at least 99 bytes).
void EditTextToStored(const std::string &editText, char *out);
// The edit field's text for stored text: "\r\n" and lone "\r" become "\n".
std::string StoredTextToEdit(const char *stored);

// ---- OK
// ------------------------------------------------------------------------------------------

// Applies the dialog's OK to the picture. editObject null or not a text piece: a new
// text piece of the style. A text piece with the same style: its text changes in place
// (place, size and mirroring kept, rebuilt on the next frame, the picture marked
// modified when the text differs). Another style: a new piece at the old one's place and
// exact size replaces it; the old one is only removed once the new one exists. stored is
// the stored form of the text. Returns 1, or 0 with "IMGOBJ_AddObj() failed" on the
// trail (the picture unchanged).
int ApplyAddText(IMGOBJ *editObject, int32_t style, const char *stored);
