// text.cpp — bubble text layout and drawing, the text dialog's rules, the text feeder.
//
// Depends on the fonts (font.h), the surfaces (gDDSText, gDDSPicture), the image
// objects (imgobj.h), the display list and the string table.
#include "picture/text.h"

#include <cstring>

#include "picture/font.h"
#include "platform/trail.h"
#include "resources/strings/strings.h"

const TEXTSTYLE gTextStyles[TEXT_STYLE_COUNT] = {
    {301, 348, "TEXT4", "text4.clp", {128, 115, 554, 297}, 800, 577},
    {302, 349, "TEXT2", "text2.clp", {127, 141, 572, 274}, 800, 600},
    {303, 350, "TEXT1", "text1.clp", {172, 120, 485, 263}, 800, 530},
    {304, 351, "TEXT3", "text3.clp", {176, 158, 470, 260}, 800, 547},
    {305, 352, "TEXT6", "text6.clp", {54, 45, 589, 299}, 700, 402},
    {306, 353, "TEXT5", "text5.clp", {73, 72, 626, 352}, 775, 622},
    {307, 354, "TEXT7", "banner1.clp", {103, 75, 548, 116}, 750, 239},
    {308, 355, "TEXT8", "banner2.clp", {129, 75, 547, 119}, 800, 236},
    {309, 356, "TEXT11", "xmas7.clp", {125, 103, 422, 101}, 700, 288},
    {310, 357, "TEXT10", "xmas8.clp", {129, 103, 455, 83}, 686, 310},
    {311, 358, "TEXT9", "transp.clp", {54, 45, 589, 299}, 700, 402},
};

const FEEDENTRY gFeedTable[] = {
    {220, 11, 1, -28}, {231, 10, 14, 0},  {221, 11, 1, -25}, {233, 10, 14, 0}, {222, 11, 1, -30},
    {234, 10, 14, 0},  {223, 11, 1, -30}, {235, 10, 14, 0},  {-1, 0, 0, 0},
};

// ---- Row breaking -----------------------------------------------------------------------

struct BREAKRULES {
    int32_t iFont;
    int32_t iMaxChars;
    int32_t iMaxWidth;
    int32_t iMaxRows;
    int32_t bFeed; // feed rules: line feeds open the next row; no break at a row's start
};

// Collects rows into a caller array of iMaxRows × rowSize bytes.
struct ROWSINK {
    char *pRows;
    int32_t iRowSize;
    int32_t iCount;
};

static void PushRow(ROWSINK &sink, const char *text, int32_t length)
{
    if (length > sink.iRowSize - 1)
        length = sink.iRowSize - 1;
    char *row = sink.pRows + static_cast<size_t>(sink.iCount) * sink.iRowSize;
    std::memcpy(row, text, static_cast<size_t>(length));
    row[length] = '\0';
    ++sink.iCount;
}

static int Fits(const BREAKRULES &rules, const char *text, int32_t length)
{
    char buf[128];
    if (length > rules.iMaxChars)
        return 0;
    std::memcpy(buf, text, static_cast<size_t>(length));
    buf[length] = '\0';
    return FontStringWidth(rules.iFont, buf) <= rules.iMaxWidth;
}

// Splits an overfull row: pushes its first part and leaves the carried rest in cur.
static void SplitRow(const BREAKRULES &rules, ROWSINK &sink, char *cur, int32_t &n, int32_t breakAt)
{
    char row[128];
    int32_t rowLength, carryFrom;
    if (breakAt >= 0) {
        // Break at the last space or hyphen; a hyphen stays at the row's end when it fits.
        rowLength = cur[breakAt] == '-' && Fits(rules, cur, breakAt + 1) ? breakAt + 1 : breakAt;
        carryFrom = breakAt + 1;
        std::memcpy(row, cur, static_cast<size_t>(rowLength));
    } else {
        // No break opportunity: hyphenate. The row ends with a hyphen in place of the
        // last letter that fitted; that letter and the rest begin the next row.
        int32_t cut = n - 2;
        std::memcpy(row, cur, static_cast<size_t>(n));
        while (cut > 0) {
            row[cut] = '-';
            if (Fits(rules, row, cut + 1))
                break;
            row[cut] = cur[cut];
            --cut;
        }
        if (cut > 0) {
            rowLength = cut + 1;
            carryFrom = cut;
        } else { // a single glyph wider than the row: keep it alone
            rowLength = n > 1 ? n - 1 : 1;
            carryFrom = rowLength;
        }
    }
    PushRow(sink, row, rowLength);
    int32_t rest = n - carryFrom;
    std::memmove(cur, cur + carryFrom, static_cast<size_t>(rest));
    n = rest;
    cur[n] = '\0';
}

// Returns 0 when a feed would need more rows than it holds.
static int BreakRows(const char *text, const BREAKRULES &rules, ROWSINK &sink)
{
    char cur[128];
    int32_t n = 0, breakAt = -1;
    sink.iCount = 0;
    for (size_t i = 0;; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == 0 || c == '\n' || c == '\f') {
            PushRow(sink, cur, n);
            n = 0;
            breakAt = -1;
            if (c == 0)
                return 1;
            if (sink.iCount == rules.iMaxRows)
                return rules.bFeed ? Fail("No more rows!") : 1;
            if (rules.bFeed)
                cur[n++] = static_cast<char>(c);
            continue;
        }
        if ((c == ' ' || c == '-') && !(rules.bFeed && n == 0))
            breakAt = n;
        cur[n++] = static_cast<char>(c);
        cur[n] = '\0';
        if (n < rules.iMaxChars + 1 && FontStringWidth(rules.iFont, cur) <= rules.iMaxWidth)
            continue;
        SplitRow(rules, sink, cur, n, breakAt);
        breakAt = -1;
        if (sink.iCount == rules.iMaxRows)
            return rules.bFeed ? Fail("No more rows!") : 1;
    }
}

int32_t BubbleTextRows(const char *text, char rows[BUBBLE_MAX_ROWS][BUBBLE_ROW_SIZE])
{
    static const BREAKRULES rules = {BUBBLE_FONT, BUBBLE_ROW_CHARS, BUBBLE_ROW_WIDTH,
                                     BUBBLE_MAX_ROWS, 0};
    ROWSINK sink = {&rows[0][0], BUBBLE_ROW_SIZE, 0};
    BreakRows(text ? text : "", rules, sink);
    int32_t count = sink.iCount;
    while (count > 1 && (rows[count - 1][0] == '\0' || rows[count - 1][0] == '\r'))
        --count;
    return count;
}

int32_t FeedTextRows(const char *text, int32_t width, char rows[FEED_MAX_ROWS][FEED_ROW_SIZE])
{
    BREAKRULES rules = {FEED_FONT, FEED_ROW_SIZE - 1, width, FEED_MAX_ROWS, 1};
    ROWSINK sink = {&rows[0][0], FEED_ROW_SIZE, 0};
    if (!BreakRows(text ? text : "", rules, sink))
        return -1;
    return sink.iCount;
}

// ---- Drawing the bubble text ------------------------------------------------------------

void BubbleTextFractions(int32_t style, int32_t flipH, int32_t flipV, float out[4])
{
    if (style < 0 || style >= TEXT_STYLE_COUNT)
        style = 0;
    const TEXTSTYLE &s = gTextStyles[style];
    float rw = static_cast<float>(s.iRefWidth), rh = static_cast<float>(s.iRefHeight);
    int32_t tx = s.rcText[0], ty = s.rcText[1], tw = s.rcText[2], th = s.rcText[3];
    out[0] = (flipH ? static_cast<float>(s.iRefWidth - tx - tw) : static_cast<float>(tx)) / rw;
    out[1] = (flipV ? static_cast<float>(s.iRefHeight - ty - th) : static_cast<float>(ty)) / rh;
    out[2] = static_cast<float>(tw) / rw;
    out[3] = static_cast<float>(th) / rh;
}

void BubbleFitBlock(int32_t bw, int32_t bh, int32_t x, int32_t y, int32_t w, int32_t h,
                    int32_t out[4])
{
    out[0] = x, out[1] = y, out[2] = 0, out[3] = 0;
    if (bw <= 0 || bh <= 0 || w <= 0 || h <= 0)
        return;
    // The smaller of the two ratios limits; the other side is derived from it, rounded,
    // so a block never spills out of the rectangle by a rounding pixel.
    const int64_t across = static_cast<int64_t>(w) * bh, down = static_cast<int64_t>(h) * bw;
    if (across <= down) {
        out[2] = w;
        out[3] = static_cast<int32_t>((static_cast<int64_t>(bh) * w * 2 + bw) / (2 * bw));
        if (out[3] > h)
            out[3] = h;
    } else {
        out[3] = h;
        out[2] = static_cast<int32_t>((static_cast<int64_t>(bw) * h * 2 + bh) / (2 * bh));
        if (out[2] > w)
            out[2] = w;
    }
    out[0] = x + (w - out[2]) / 2;
    out[1] = y + (h - out[3]) / 2;
}

// Lays the rows out in gDDSText; returns the block size through bw, bh. 0 on failure.
static int DrawTextBlock(const IMGOBJ *obj, int32_t *bw, int32_t *bh)
{
    char rows[BUBBLE_MAX_ROWS][BUBBLE_ROW_SIZE];
    int32_t count = BubbleTextRows(obj->szText, rows);
    // Only the block's rows are read back: clear just those.
    DXFillRect(gDDSText, 0, 0, gDDSText->iWidth, count * BUBBLE_ROW_HEIGHT, 0xFFFFFF);
    int32_t width = 0;
    for (int32_t r = 0; r < count; ++r) {
        int32_t w = FontStringWidth(BUBBLE_FONT, rows[r]);
        if (w > width)
            width = w;
    }
    for (int32_t r = 0; r < count; ++r) {
        if (FontStringWidth(BUBBLE_FONT, rows[r]) == 0)
            continue;
        if (!BltFont(BUBBLE_FONT, gDDSText, width / 2, r * BUBBLE_ROW_HEIGHT, FONT_ALIGN_CENTRE,
                     rows[r]))
            return Fail("BltFont() !");
    }
    if (width > gDDSText->iWidth)
        width = gDDSText->iWidth;
    *bw = width;
    *bh = count * BUBBLE_ROW_HEIGHT;
    return 1;
}

// Draws the block into target over the piece's text rectangle, the piece lying at
// (x, y) there at scaleX × scaleY times its display size.
static int DrawTextOnto(IMGOBJ *obj, LPDDS target, int32_t x, int32_t y, float scaleX, float scaleY)
{
    if (!gDDSText || !target)
        return Fail("DXStretchBlt !");
    int32_t bw = 0, bh = 0;
    if (!DrawTextBlock(obj, &bw, &bh))
        return 0;
    if (bw <= 0)
        return 1; // nothing visible to place
    float f[4];
    BubbleTextFractions(obj->iTextStyle, obj->bFlipH, obj->bFlipV, f);
    float w = static_cast<float>(obj->ao.iWidth) * scaleX;
    float h = static_cast<float>(obj->ao.iHeight) * scaleY;
    int32_t dx = static_cast<int32_t>(w * f[0]);
    int32_t dy = static_cast<int32_t>(h * f[1]);
    int32_t dw = static_cast<int32_t>(w * f[2]);
    int32_t dh = static_cast<int32_t>(h * f[3]);
    int32_t fit[4];
    BubbleFitBlock(bw, bh, dx, dy, dw, dh, fit);
    if (fit[2] <= 0 || fit[3] <= 0)
        return 1;
    if (!DXStretchBlt(target, x + fit[0], y + fit[1], fit[2], fit[3], gDDSText, 0, 0, bw, bh,
                      DXBLT_SRCKEY))
        return Fail("DXStretchBlt !");
    return 1;
}

int TextBubbleTextInto(IMGOBJ *obj, LPDDS target, int32_t x, int32_t y, int32_t W, int32_t H)
{
    if (gPictureRect.w <= 0 || gPictureRect.h <= 0)
        return Fail("DXStretchBlt !");
    float sx = static_cast<float>(W) / static_cast<float>(gPictureRect.w);
    float sy = static_cast<float>(H) / static_cast<float>(gPictureRect.h);
    return DrawTextOnto(obj, target, x, y, sx, sy);
}

int TextBubbleText(IMGOBJ *obj, int32_t fullResolution, int32_t W, int32_t H)
{
    if (fullResolution) {
        AO_PictureChanged(); // the picture buffer's corner as scratch space
        return TextBubbleTextInto(obj, gDDSPicture, 0, 0, W, H);
    }
    return DrawTextOnto(obj, obj->iiRes[LO_RES_OBJ].DDSSurface, 0, 0, 1.0f, 1.0f);
}

// ---- The text dialog's rules ----------------------------------------------------------

int TextBubbleDraws(unsigned char c)
{
    int32_t x, w;
    FontGlyph(BUBBLE_FONT, c, &x, &w);
    return w > 0;
}

void TextToCapitals(char *text)
{
    for (unsigned char *p = reinterpret_cast<unsigned char *>(text); *p; ++p) {
        unsigned char c = *p;
        if (c >= 'a' && c <= 'z')
            *p = static_cast<unsigned char>(c - 0x20);
        else if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
            *p = static_cast<unsigned char>(c - 0x20);
        else if (c == 0xFF)
            *p = 0x9F; // ÿ → Ÿ
        else if (c == 0x9A || c == 0x9C || c == 0x9E)
            *p = static_cast<unsigned char>(c - 0x10); // š, œ, ž
    }
}

int32_t TextDialogCopy(const char *in, char *out)
{
    int32_t n = 0;
    while (in && in[n] && n < TEXT_DIALOG_MAX_CHARS) {
        out[n] = in[n];
        ++n;
    }
    out[n] = '\0';
    return n;
}

int TextDialogHasContent(const char *text)
{
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); p && *p; ++p)
        if (*p < 0x80 || *p >= 0xC5 || TextBubbleDraws(*p)) // "€" or "£" alone is a text too
            return 1;
    return 0;
}

int32_t CheckedRadioOffset(const int32_t *checked, int32_t count)
{
    for (int32_t i = 0; i < count; ++i)
        if (checked[i])
            return i;
    return 0;
}

int32_t TextDialogAction(const IMGOBJ *selected, int32_t style)
{
    if (!selected || selected->iKind != IMG_TEXT)
        return TEXTDLG_NEW;
    return selected->iTextStyle == style ? TEXTDLG_SAME_STYLE : TEXTDLG_OTHER_STYLE;
}

// ---- The text feeder -------------------------------------------------------------------

int TEXTFEED_AddObj(int32_t x, int32_t y, int32_t width, int32_t height, int32_t firstEntry)
{
    TEXTFEED *feed = reinterpret_cast<TEXTFEED *>(AO_Alloc(sizeof(TEXTFEED)));
    if (!feed)
        return Fail("No TEXTFEED mem");
    feed->ao.iType = AO_TYPE_TEXTFEED;
    feed->ao.pSheet = gSpriteSheet;
    feed->ao.AnimateProc = TEXTFEED_AnimateProc;
    feed->iEntry = firstEntry;
    feed->xBox = x;
    feed->yBox = y;
    feed->wBox = width;
    feed->hBox = height;
    if (!AO_AddObj(&feed->ao)) {
        AO_DelObj(&feed->ao);
        return Fail("TextFeed");
    }
    return 1;
}

// Loads the next feed table entry's text and breaks it into rows.
static int NextFeedText(TEXTFEED *feed)
{
    feed->iRow = 0;
    feed->iRowCount = 0;
    ++feed->iEntry;
    if (feed->iEntry < 0 || gFeedTable[feed->iEntry].iString < 0)
        feed->iEntry = 0;
    const char *text = LoadText(gFeedTable[feed->iEntry].iString);
    if (std::strlen(text) > FEED_TEXT_SIZE - 1)
        return Fail("Text too long!");
    std::strcpy(feed->szText, text);
    int32_t rows = FeedTextRows(feed->szText, feed->wBox, feed->aszRows);
    if (rows < 0)
        return 0;
    feed->iRowCount = rows;
    return 1;
}

int TEXTFEED_AnimateProc(AO *entry)
{
    TEXTFEED *feed = reinterpret_cast<TEXTFEED *>(entry);
    if (feed->iCountdown > 0) {
        --feed->iCountdown;
        return 1;
    }
    if (feed->iRow < feed->iRowCount - 1)
        ++feed->iRow;
    else if (!NextFeedText(feed))
        return 0;
    const FEEDENTRY &e = gFeedTable[feed->iEntry];
    const char *row = feed->aszRows[feed->iRow];
    // An empty row (an empty text) has no letters to show; it only takes its time.
    if (*row &&
        !FONT_AddText(e.iFont, feed->xBox + feed->wBox / 2, feed->yBox + feed->hBox + e.iOffset,
                      FONT_ALIGN_CENTRE, FONT_ENTER_RISE, FONT_EXIT_SHRINK, row, feed->yBox))
        return 0;
    feed->iCountdown = e.iFrames;
    return 1;
}
