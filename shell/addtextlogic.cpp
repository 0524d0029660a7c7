// addtextlogic.cpp — the text dialog's window-free rules.
#include "shell/addtextlogic.h"

#include <cstring>

#include "picture/imgobj.h"
#include "picture/text.h"
#include "platform/trail.h"
#include "shell/appstate.h"

// ---- Characters at the edge ---------------------------------------------------------------

// Unicode of the code page 1252 bytes 0x80 to 0x9F; 0 where the code page has none.
static const uint16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

int32_t EditCharToByte(uint32_t unicode)
{
    if (unicode == '\n')
        return '\n';
    if (unicode < 0x20 || unicode == 0x7F || (unicode >= 0x80 && unicode < 0xA0))
        return -1;
    if (unicode <= 0xFF)
        return static_cast<int32_t>(unicode);
    for (int32_t i = 0; i < 32; ++i)
        if (kHighControls[i] == unicode)
            return 0x80 + i;
    return -1;
}

uint32_t EditByteToChar(unsigned char byte)
{
    if (byte >= 0x80 && byte < 0xA0 && kHighControls[byte - 0x80])
        return kHighControls[byte - 0x80];
    return byte;
}

// ---- The edit field --------------------------------------------------------------------------

int32_t StoredLength(const std::string &editText)
{
    int32_t n = 0;
    for (char c : editText)
        n += c == '\n' ? 2 : 1;
    return n;
}

// Characters that show nothing of their own: joiners, marks of direction, variation
// selectors, tags.
static bool IsInvisible(char32_t c)
{
    return (c >= 0x200B && c <= 0x200F) || (c >= 0x2060 && c <= 0x2064) ||
           (c >= 0xFE00 && c <= 0xFE0F) || c == 0xFEFF || (c >= 0xE0000 && c <= 0xE007F);
}

// What a character of the field becomes: itself, a space for a tab, 0 when it goes.
static char32_t KeptChar(char32_t c)
{
    if (c == '\t')
        return ' ';
    if (c == '\n')
        return c;
    if (c < 0x20 || (c >= 0x7F && c < 0xA0) || (c >= 0xD800 && c < 0xE000) || c > 0x10FFFF ||
        c == 0xFFFE || c == 0xFFFF)
        return 0;
    return c;
}

static int32_t CharsStored(const std::u32string &text)
{
    int32_t n = 0;
    for (char32_t c : text)
        n += c == '\n' ? 2 : 1;
    return n;
}

int32_t NormaliseEditChars(std::u32string &editText, int32_t &cursor)
{
    if (cursor < 0)
        cursor = 0;
    if (cursor > static_cast<int32_t>(editText.size()))
        cursor = static_cast<int32_t>(editText.size());
    std::u32string kept;
    int32_t keptCursor = cursor;
    for (size_t i = 0; i < editText.size(); ++i) {
        char32_t c = KeptChar(editText[i]);
        if (!c) {
            if (static_cast<int32_t>(i) < cursor)
                --keptCursor;
            continue;
        }
        const int32_t b = EditCharToByte(c);
        if (b >= 0x20) { // capitals the code page has
            char one[2] = {static_cast<char>(b), 0};
            TextToCapitals(one);
            c = EditByteToChar(static_cast<unsigned char>(one[0]));
        }
        kept += c;
    }
    int32_t cut = 0;
    int32_t length = CharsStored(kept);
    while (length > TEXT_DIALOG_MAX_CHARS) {
        size_t at = keptCursor > 0 ? static_cast<size_t>(--keptCursor) : kept.size() - 1;
        length -= kept[at] == '\n' ? 2 : 1;
        kept.erase(at, 1);
        ++cut;
    }
    editText = kept;
    cursor = keptCursor;
    return cut;
}

bool NormaliseEditText(std::string &editText, int32_t &cursor)
{
    std::u32string chars;
    for (char c : editText)
        chars += EditByteToChar(static_cast<unsigned char>(c));
    NormaliseEditChars(chars, cursor);
    std::string out;
    for (char32_t c : chars)
        out += static_cast<char>(EditCharToByte(c));
    const bool changed = out != editText;
    editText = out;
    return changed;
}

std::u32string NotShownChars(const std::u32string &editText)
{
    std::u32string out;
    for (char32_t c : editText) {
        if (c == '\n' || IsInvisible(c) || out.find(c) != std::u32string::npos)
            continue;
        const int32_t b = EditCharToByte(c);
        if (b < 0 || !TextBubbleDraws(static_cast<unsigned char>(b)))
            out += c;
    }
    return out;
}

int32_t EditCharsLeft(const std::u32string &editText)
{
    const int32_t left = TEXT_DIALOG_MAX_CHARS - CharsStored(editText);
    return left > 0 ? left : 0;
}

void EditTextToStored(const std::string &editText, char *out)
{
    int32_t n = 0;
    for (char c : editText) {
        if (c == '\n') {
            if (n + 2 > TEXT_DIALOG_MAX_CHARS)
                break;
            out[n++] = '\r';
            out[n++] = '\n';
        } else if (c != '\r' && c != '\0') {
            if (n + 1 > TEXT_DIALOG_MAX_CHARS)
                break;
            out[n++] = c;
        }
    }
    out[n] = '\0';
}

std::string StoredTextToEdit(const char *stored)
{
    std::string out;
    for (const char *p = stored; p && *p; ++p) {
        if (*p == '\r') {
            out += '\n';
            if (p[1] == '\n')
                ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

// ---- OK
// ------------------------------------------------------------------------------------------

// The text description IMGOBJ_AddObj takes: the style, then the text.
struct TEXTDESC {
    int32_t iTextStyle;
    char szText[204];
};

// The text dialog's change as one step of the edit history.
static int ApplyAddTextChange(IMGOBJ *editObject, int32_t style, const char *stored);

int ApplyAddText(IMGOBJ *editObject, int32_t style, const char *stored)
{
    PICTURE_ChangeBegin(CHANGE_TEXT);
    const int ok = ApplyAddTextChange(editObject, style, stored);
    PICTURE_ChangeEnd(CHANGE_TEXT);
    return ok;
}

static int ApplyAddTextChange(IMGOBJ *editObject, int32_t style, const char *stored)
{
    if (style < 0 || style >= TEXT_STYLE_COUNT)
        style = 0;
    TEXTDESC desc = {};
    desc.iTextStyle = style;
    TextDialogCopy(stored, desc.szText);

    switch (TextDialogAction(editObject, style)) {
    case TEXTDLG_SAME_STYLE:
        if (std::strcmp(editObject->szText, desc.szText) != 0) {
            std::memcpy(editObject->szText, desc.szText, sizeof editObject->szText);
            SetModified();
        }
        editObject->bNeedsUpdate = 1;
        return 1;
    case TEXTDLG_OTHER_STYLE:
        // The new piece takes the old one's place and size; the old one goes only when
        // the new one exists, so a failure leaves the picture as it was.
        if (!IMGOBJ_AddObj(gTextStyles[style].szFile, IMG_TEXT, 0, 0, &desc, editObject))
            return Fail("IMGOBJ_AddObj() failed");
        editObject->bSelected = 0;
        editObject->ao.bRemove = 1;
        return 1;
    default:
        if (!IMGOBJ_AddObj(gTextStyles[style].szFile, IMG_TEXT, 0, 0, &desc, nullptr))
            return Fail("IMGOBJ_AddObj() failed");
        return 1;
    }
}
