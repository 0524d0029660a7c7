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

bool NormaliseEditText(std::string &editText, int32_t &cursor)
{
    const std::string before = editText;
    if (cursor < 0)
        cursor = 0;
    if (cursor > static_cast<int32_t>(editText.size()))
        cursor = static_cast<int32_t>(editText.size());

    std::string kept;
    int32_t keptCursor = cursor;
    for (size_t i = 0; i < editText.size(); ++i) {
        if (editText[i] == '\r' || editText[i] == '\0') {
            if (static_cast<int32_t>(i) < cursor)
                --keptCursor;
            continue;
        }
        kept += editText[i];
    }
    TextToCapitals(kept.data());

    int32_t length = StoredLength(kept);
    while (length > TEXT_DIALOG_MAX_CHARS) {
        size_t at = keptCursor > 0 ? static_cast<size_t>(--keptCursor) : kept.size() - 1;
        length -= kept[at] == '\n' ? 2 : 1;
        kept.erase(at, 1);
    }
    editText = kept;
    cursor = keptCursor;
    return editText != before;
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
