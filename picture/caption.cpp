// caption.cpp — captions shaped with HarfBuzz and drawn with FreeType (see caption.h):
// fonts and their fallbacks, text cleaning, line layout, and drawing into an image.
// The piece's part (creation, screen image, export) is in captionobj.cpp.
// Depends on: FreeType, HarfBuzz, fontconfig; pixels/ (surfaces, rotated sizes).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <unordered_map>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GLYPH_H
#include FT_STROKER_H
#include <hb-ft.h>
#include <hb.h>

#include "picture/caption.h"
#include "platform/trail.h"

namespace
{

struct FONTDEF {
    const char *name;   // as the dialog lists it
    const char *family; // fontconfig's family and style
    const char *style;
};

// Display fonts from Debian's font packages: a friendly comic hand (the bubbles' own
// manner), a bold geometric sans for posters, a script and a slab serif; and a plain
// sans that covers most of the world's alphabets.
const FONTDEF kFonts[CAPTION_FONT_COUNT] = {
    {"Comic Neue Bold", "Comic Neue", "Bold"}, {"League Spartan Bold", "League Spartan", "Bold"},
    {"Lobster", "Lobster Two", "Bold Italic"}, {"Roboto Slab Bold", "Roboto Slab", "Bold"},
    {"Noto Sans Bold", "Noto Sans", "Bold"},
};
// Behind every font, in this order, before fontconfig is asked for a character.
const FONTDEF kFallbacks[] = {
    {"", "DejaVu Sans", "Bold"},
    {"", "Noto Sans", "Bold"},
};

struct FACE {
    FT_Face ft = nullptr;
    hb_font_t *hb = nullptr;
    bool colour = false; // a bitmap colour font (emoji): one fixed strike, scaled
    float strikePx = 0;  // its strike's size
    float sizePx = 0;    // the size it is set to now
};

struct FONTS {
    FT_Library lib = nullptr;
    bool fcReady = false;
    std::unordered_map<std::string, std::unique_ptr<FACE>> byFile; // "path#index"
    FACE *chosen[CAPTION_FONT_COUNT] = {};
    bool installed[CAPTION_FONT_COUNT] = {};
    bool looked = false;
    std::vector<FACE *> fallbacks;
    FACE *emoji = nullptr;
    std::unordered_map<uint32_t, FACE *> forChar; // fontconfig's answers, cached
};
FONTS *sFonts;

FACE *OpenFace(const std::string &file, int index)
{
    const std::string key = file + "#" + std::to_string(index);
    auto it = sFonts->byFile.find(key);
    if (it != sFonts->byFile.end())
        return it->second.get();
    auto face = std::make_unique<FACE>();
    if (FT_New_Face(sFonts->lib, file.c_str(), index, &face->ft) != 0) {
        sFonts->byFile.emplace(key, nullptr);
        return nullptr;
    }
    if (!FT_IS_SCALABLE(face->ft)) {
        if (face->ft->num_fixed_sizes < 1 || !FT_HAS_COLOR(face->ft) ||
            FT_Select_Size(face->ft, 0) != 0) {
            FT_Done_Face(face->ft);
            sFonts->byFile.emplace(key, nullptr);
            return nullptr;
        }
        face->colour = true;
        face->strikePx = static_cast<float>(face->ft->size->metrics.y_ppem);
    }
    face->hb = hb_ft_font_create_referenced(face->ft);
    hb_ft_font_set_load_flags(face->hb, face->colour ? FT_LOAD_COLOR
                                                     : FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP);
    FACE *raw = face.get();
    sFonts->byFile.emplace(key, std::move(face));
    return raw;
}

// The installed font fontconfig gives for a pattern, when its family is the one asked for
// (any family when family is null).
FACE *Match(FcPattern *pattern, const char *family)
{
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern *found = FcFontMatch(nullptr, pattern, &result);
    FACE *face = nullptr;
    FcChar8 *file = nullptr, *got = nullptr;
    int index = 0;
    if (found && FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch) {
        FcPatternGetInteger(found, FC_INDEX, 0, &index);
        const bool sameFamily =
            !family || (FcPatternGetString(found, FC_FAMILY, 0, &got) == FcResultMatch &&
                        FcStrCmpIgnoreCase(got, reinterpret_cast<const FcChar8 *>(family)) == 0);
        if (sameFamily)
            face = OpenFace(reinterpret_cast<const char *>(file), index);
    }
    if (found)
        FcPatternDestroy(found);
    return face;
}

FACE *MatchFamily(const char *family, const char *style)
{
    FcPattern *p = FcPatternCreate();
    FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8 *>(family));
    FcPatternAddString(p, FC_STYLE, reinterpret_cast<const FcChar8 *>(style));
    FACE *face = Match(p, family);
    FcPatternDestroy(p);
    return face;
}

bool Ready()
{
    if (!sFonts) {
        sFonts = new (std::nothrow) FONTS;
        if (!sFonts)
            return false;
        if (FT_Init_FreeType(&sFonts->lib) != 0) {
            delete sFonts;
            sFonts = nullptr;
            return false;
        }
    }
    if (!sFonts->looked) {
        sFonts->looked = true;
        sFonts->fcReady = FcInit();
        for (const FONTDEF &f : kFallbacks)
            if (FACE *face = sFonts->fcReady ? MatchFamily(f.family, f.style) : nullptr)
                sFonts->fallbacks.push_back(face);
        for (int i = 0; i < CAPTION_FONT_COUNT; i++) {
            FACE *face = sFonts->fcReady ? MatchFamily(kFonts[i].family, kFonts[i].style) : nullptr;
            sFonts->installed[i] = face != nullptr;
            sFonts->chosen[i] = face                        ? face
                                : sFonts->fallbacks.empty() ? nullptr
                                                            : sFonts->fallbacks[0];
        }
        if (sFonts->fcReady)
            sFonts->emoji = MatchFamily("Noto Color Emoji", "Regular");
    }
    return true;
}

bool Has(const FACE *f, uint32_t cp)
{
    return f && FT_Get_Char_Index(f->ft, cp) != 0;
}

// Characters that join the one before them in its font: marks, joiners, selectors,
// emoji modifiers and tags.
bool Continues(uint32_t cp)
{
    if (cp == 0x200C || cp == 0x200D || (cp >= 0xFE00 && cp <= 0xFE0F) ||
        (cp >= 0x1F3FB && cp <= 0x1F3FF) || (cp >= 0xE0020 && cp <= 0xE007F) ||
        (cp >= 0xE0100 && cp <= 0xE01EF))
        return true;
    const hb_unicode_general_category_t g =
        hb_unicode_general_category(hb_unicode_funcs_get_default(), cp);
    return g == HB_UNICODE_GENERAL_CATEGORY_NON_SPACING_MARK ||
           g == HB_UNICODE_GENERAL_CATEGORY_SPACING_MARK ||
           g == HB_UNICODE_GENERAL_CATEGORY_ENCLOSING_MARK;
}

// Characters no font need draw for a cluster to be whole.
bool Ignorable(uint32_t cp)
{
    return cp == 0x200C || cp == 0x200D || (cp >= 0xFE00 && cp <= 0xFE0F) ||
           (cp >= 0xE0020 && cp <= 0xE007F) || (cp >= 0xE0100 && cp <= 0xE01EF);
}

bool LooksEmoji(uint32_t cp, uint32_t next)
{
    if (next == 0xFE0E)
        return false; // text presentation asked for
    if (next == 0xFE0F || next == 0x20E3)
        return true;
    return (cp >= 0x1F000 && cp <= 0x1FAFF) || (cp >= 0x2600 && cp <= 0x27BF) ||
           (cp >= 0x2B00 && cp <= 0x2BFF && cp != 0x2B05);
}

// A font fontconfig knows for the character, any family; null when none has it.
FACE *ForChar(uint32_t cp)
{
    auto it = sFonts->forChar.find(cp);
    if (it != sFonts->forChar.end())
        return it->second;
    FACE *face = nullptr;
    if (sFonts->fcReady) {
        FcPattern *p = FcPatternCreate();
        FcCharSet *cs = FcCharSetCreate();
        FcCharSetAddChar(cs, cp);
        FcPatternAddCharSet(p, FC_CHARSET, cs);
        FcPatternAddInteger(p, FC_WEIGHT, FC_WEIGHT_BOLD);
        face = Match(p, nullptr);
        FcCharSetDestroy(cs);
        FcPatternDestroy(p);
        if (!Has(face, cp))
            face = nullptr;
    }
    if (sFonts->forChar.size() > 4096)
        sFonts->forChar.clear(); // bounded: a few thousand characters of many scripts
    sFonts->forChar.emplace(cp, face);
    return face;
}

// The font for one cluster (a base character and what continues it): the first of the
// chain that has all of it, else the first that has its base.
FACE *FaceFor(FACE *primary, const uint32_t *cps, size_t n, uint32_t next)
{
    FACE *chain[8];
    size_t k = 0;
    const bool emoji = LooksEmoji(cps[0], n > 1 ? cps[1] : next);
    if (emoji && sFonts->emoji)
        chain[k++] = sFonts->emoji;
    chain[k++] = primary;
    for (FACE *f : sFonts->fallbacks)
        chain[k++] = f;
    if (!emoji && sFonts->emoji)
        chain[k++] = sFonts->emoji;
    for (size_t i = 0; i < k; i++) {
        bool all = Has(chain[i], cps[0]);
        for (size_t j = 1; all && j < n; j++)
            all = Ignorable(cps[j]) || Has(chain[i], cps[j]);
        if (all)
            return chain[i];
    }
    if (FACE *f = ForChar(cps[0]))
        return f;
    for (size_t i = 0; i < k; i++)
        if (Has(chain[i], cps[0]))
            return chain[i];
    return primary; // drawn as the font's missing-character box
}

void SetSize(FACE *f, float px)
{
    if (f->sizePx == px)
        return;
    f->sizePx = px;
    if (!f->colour) {
        FT_Set_Char_Size(f->ft, 0, static_cast<FT_F26Dot6>(std::lround(px * 64)), 72, 72);
        hb_ft_font_changed(f->hb);
    }
}

// How far the font's units at its set size are from px: 1, or the strike's scaling.
float Scale(const FACE *f, float px)
{
    return f->colour ? px / f->strikePx : 1.0f;
}

// ---- Layout --------------------------------------------------------------------------

std::vector<uint32_t> Decode(const std::string &s)
{
    std::vector<uint32_t> out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        int len = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        if (i + static_cast<size_t>(len) > s.size())
            len = 1;
        uint32_t cp = len == 1 ? b : len == 2 ? b & 0x1F : len == 3 ? b & 0x0F : b & 0x07;
        for (int k = 1; k < len; k++)
            cp = cp << 6 | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        out.push_back(cp);
        i += static_cast<size_t>(len);
    }
    return out;
}

struct GLYPH {
    FACE *face;
    uint32_t gid;
    float x, y;  // pen position of the glyph's origin, pixels, from the line's start
    float scale; // colour glyphs: strike to pixels
};

struct LINE {
    std::vector<GLYPH> glyphs;
    float advance = 0;
};

struct RUN {
    size_t from, to; // code points [from, to) of the line
    FACE *face;
    hb_script_t script;
    bool rtl;
};

// Reorders runs for display by their embedding levels (0 LTR paragraph, 1 RTL; runs one
// level up when their direction differs): the highest level's sequences are reversed
// first, down to the lowest odd level.
void Reorder(std::vector<RUN> &runs, bool rtlParagraph)
{
    std::vector<int> level(runs.size());
    for (size_t i = 0; i < runs.size(); i++)
        level[i] = (rtlParagraph ? 1 : 0) + (runs[i].rtl != rtlParagraph ? 1 : 0);
    const int top = rtlParagraph ? 2 : 1;
    for (int l = top; l >= 1; l--) {
        for (size_t i = 0; i < runs.size();) {
            if (level[i] < l) {
                i++;
                continue;
            }
            size_t j = i;
            while (j < runs.size() && level[j] >= l)
                j++;
            std::reverse(runs.begin() + static_cast<long>(i), runs.begin() + static_cast<long>(j));
            std::reverse(level.begin() + static_cast<long>(i),
                         level.begin() + static_cast<long>(j));
            i = j;
        }
    }
}

LINE LayOutLine(FACE *primary, const uint32_t *cps, size_t n, float px)
{
    LINE line;
    if (n == 0)
        return line;
    hb_unicode_funcs_t *uf = hb_unicode_funcs_get_default();
    // Clusters, each in its font; then runs of one font and one script.
    std::vector<FACE *> faceOf(n);
    std::vector<hb_script_t> scriptOf(n);
    for (size_t i = 0; i < n;) {
        size_t j = i + 1;
        while (j < n && Continues(cps[j]))
            j++;
        FACE *f = FaceFor(primary, cps + i, j - i, j < n ? cps[j] : 0);
        for (size_t k = i; k < j; k++)
            faceOf[k] = f;
        i = j;
    }
    // Each character's script and direction. Digits are left to right in any script;
    // marks follow their base; spaces and punctuation between two letters of one
    // direction take theirs, else the paragraph's (the direction of its first letter),
    // and so do those at the line's end after a letter of the other direction.
    std::vector<int8_t> rtlOf(n, -1); // -1: neutral, not yet known
    std::vector<bool> digit(n, false);
    bool rtlParagraph = false;
    for (size_t i = 0; i < n; i++) {
        const hb_script_t s = hb_unicode_script(uf, cps[i]);
        if (hb_unicode_general_category(uf, cps[i]) == HB_UNICODE_GENERAL_CATEGORY_DECIMAL_NUMBER) {
            scriptOf[i] = HB_SCRIPT_LATIN, rtlOf[i] = 0, digit[i] = true;
        } else if (s == HB_SCRIPT_INHERITED && i > 0 && rtlOf[i - 1] >= 0) {
            scriptOf[i] = scriptOf[i - 1], rtlOf[i] = rtlOf[i - 1], digit[i] = digit[i - 1];
        } else if (s == HB_SCRIPT_COMMON || s == HB_SCRIPT_INHERITED || s == HB_SCRIPT_UNKNOWN) {
            scriptOf[i] = HB_SCRIPT_INVALID;
        } else {
            scriptOf[i] = s;
            rtlOf[i] = hb_script_get_horizontal_direction(s) == HB_DIRECTION_RTL;
        }
    }
    for (size_t i = 0; i < n; i++)
        if (rtlOf[i] >= 0 && !digit[i]) {
            rtlParagraph = rtlOf[i] == 1;
            break;
        }
    for (size_t i = 0; i < n;) {
        if (scriptOf[i] != HB_SCRIPT_INVALID) {
            i++;
            continue;
        }
        size_t j = i;
        while (j < n && scriptOf[j] == HB_SCRIPT_INVALID)
            j++;
        const bool hasPrev = i > 0, hasNext = j < n;
        size_t from = 0; // the strong neighbour whose script and direction they take
        bool found = true;
        if (hasPrev && hasNext)
            from = rtlOf[i - 1] == rtlOf[j] || rtlOf[i - 1] == rtlParagraph ? i - 1 : j;
        else if (hasPrev)
            from = i - 1;
        else if (hasNext)
            from = j;
        else
            found = false;
        const int8_t dir = found && (hasNext || rtlOf[from] == rtlParagraph)
                               ? rtlOf[from]
                               : static_cast<int8_t>(rtlParagraph);
        for (size_t k = i; k < j; k++) {
            scriptOf[k] = found ? scriptOf[from] : HB_SCRIPT_LATIN;
            rtlOf[k] = dir;
        }
        i = j;
    }
    std::vector<RUN> runs;
    for (size_t i = 0; i < n;) {
        size_t j = i + 1;
        while (j < n && faceOf[j] == faceOf[i] && scriptOf[j] == scriptOf[i] &&
               rtlOf[j] == rtlOf[i])
            j++;
        runs.push_back({i, j, faceOf[i], scriptOf[i], rtlOf[i] == 1});
        i = j;
    }
    Reorder(runs, rtlParagraph);

    hb_buffer_t *buf = hb_buffer_create();
    float pen = 0;
    for (const RUN &run : runs) {
        if (!run.face)
            continue;
        SetSize(run.face, px);
        const float scale = Scale(run.face, px);
        hb_buffer_clear_contents(buf);
        hb_buffer_add_codepoints(buf, cps, static_cast<int>(n), static_cast<unsigned>(run.from),
                                 static_cast<int>(run.to - run.from));
        hb_buffer_set_direction(buf, run.rtl ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
        hb_buffer_set_script(buf, run.script);
        hb_buffer_guess_segment_properties(buf);
        hb_shape(run.face->hb, buf, nullptr, 0);
        unsigned count = 0;
        const hb_glyph_info_t *info = hb_buffer_get_glyph_infos(buf, &count);
        const hb_glyph_position_t *pos = hb_buffer_get_glyph_positions(buf, &count);
        for (unsigned g = 0; g < count; g++) {
            line.glyphs.push_back({run.face, info[g].codepoint,
                                   pen + pos[g].x_offset / 64.0f * scale,
                                   -pos[g].y_offset / 64.0f * scale, scale});
            pen += pos[g].x_advance / 64.0f * scale;
        }
    }
    hb_buffer_destroy(buf);
    line.advance = pen;
    return line;
}

struct LAYOUT {
    std::vector<LINE> lines;
    float width = 0, lineHeight = 0, ascent = 0, pad = 0, shadow = 0;
};

// Distances around the text, as shares of the letter size: the outline, the shadow's
// offset, and room for the ink beyond the advances (script capitals, accents).
float PadFor(const CAPTIONSTYLE &s, float px)
{
    return px * (0.12f + s.iOutline / 1000.0f);
}

float ShadowFor(const CAPTIONSTYLE &s, float px)
{
    return s.bShadow ? px * 0.06f : 0.0f;
}

LAYOUT LayOut(const CAPTION &c, float px)
{
    LAYOUT l;
    FACE *primary = sFonts->chosen[c.style.iFont];
    if (!primary)
        return l;
    SetSize(primary, px);
    const FT_Size_Metrics &m = primary->ft->size->metrics;
    l.ascent = m.ascender / 64.0f;
    l.lineHeight = std::max(m.height / 64.0f, px);
    l.pad = PadFor(c.style, px);
    l.shadow = ShadowFor(c.style, px);
    const std::vector<uint32_t> cps = Decode(c.text);
    size_t start = 0;
    for (size_t i = 0; i <= cps.size(); i++) {
        if (i == cps.size() || cps[i] == '\n') {
            l.lines.push_back(LayOutLine(primary, cps.data() + start, i - start, px));
            l.width = std::max(l.width, l.lines.back().advance);
            start = i + 1;
        }
    }
    return l;
}

void BoxOf(const LAYOUT &l, float *w, float *h)
{
    *w = l.width + 2 * l.pad + l.shadow;
    *h = static_cast<float>(l.lines.size()) * l.lineHeight + 2 * l.pad + l.shadow;
}

// ---- Drawing ---------------------------------------------------------------------------

struct MASK {
    int32_t w, h;
    std::vector<uint8_t> a;
};

// Adds a coverage bitmap into a mask at (x, y), keeping the larger coverage.
void AddCoverage(MASK &m, const FT_Bitmap &b, int32_t x, int32_t y)
{
    for (uint32_t r = 0; r < b.rows; r++) {
        const int32_t ty = y + static_cast<int32_t>(r);
        if (ty < 0 || ty >= m.h)
            continue;
        const uint8_t *src = b.buffer + static_cast<ptrdiff_t>(r) * b.pitch;
        uint8_t *dst = m.a.data() + static_cast<size_t>(ty) * m.w;
        for (uint32_t col = 0; col < b.width; col++) {
            const int32_t tx = x + static_cast<int32_t>(col);
            if (tx >= 0 && tx < m.w && src[col] > dst[tx])
                dst[tx] = src[col];
        }
    }
}

// A colour glyph's strike bitmap (premultiplied BGRA) scaled by `scale` onto the image at
// (x, y), over what is there; its alpha joins `shadow` when given.
void AddColour(CAPTIONIMAGE &img, MASK *shadow, const FT_Bitmap &b, float x, float y, float scale)
{
    const int32_t w = static_cast<int32_t>(std::ceil(b.width * scale));
    const int32_t h = static_cast<int32_t>(std::ceil(b.rows * scale));
    const int32_t x0 = static_cast<int32_t>(std::floor(x)),
                  y0 = static_cast<int32_t>(std::floor(y));
    for (int32_t r = 0; r < h; r++) {
        const int32_t ty = y0 + r;
        if (ty < 0 || ty >= img.h)
            continue;
        for (int32_t col = 0; col < w; col++) {
            const int32_t tx = x0 + col;
            if (tx < 0 || tx >= img.w)
                continue;
            // The strike's pixels this one covers, averaged (a box filter when shrinking).
            const float u0 = col / scale, u1 = (col + 1) / scale;
            const float v0 = r / scale, v1 = (r + 1) / scale;
            const int32_t su0 = static_cast<int32_t>(u0);
            const int32_t sv0 = static_cast<int32_t>(v0);
            const int32_t su1 =
                std::min<int32_t>(std::max(su0 + 1, static_cast<int32_t>(std::ceil(u1))),
                                  static_cast<int32_t>(b.width));
            const int32_t sv1 =
                std::min<int32_t>(std::max(sv0 + 1, static_cast<int32_t>(std::ceil(v1))),
                                  static_cast<int32_t>(b.rows));
            uint32_t sum[4] = {}, n = 0;
            for (int32_t sv = sv0; sv < sv1; sv++)
                for (int32_t su = su0; su < su1; su++) {
                    const uint8_t *p = b.buffer + static_cast<ptrdiff_t>(sv) * b.pitch + su * 4;
                    for (int k = 0; k < 4; k++)
                        sum[k] += p[k];
                    n++;
                }
            if (n == 0)
                continue;
            uint8_t *d = img.bgra.data() + (static_cast<size_t>(ty) * img.w + tx) * 4;
            const uint32_t a = sum[3] / n;
            for (int k = 0; k < 4; k++)
                d[k] = static_cast<uint8_t>(sum[k] / n + d[k] * (255 - a) / 255);
            if (shadow) {
                uint8_t &s = shadow->a[static_cast<size_t>(ty) * shadow->w + tx];
                s = std::max<uint8_t>(s, static_cast<uint8_t>(a));
            }
        }
    }
}

// Paints a colour through a mask over the image (premultiplied, "over").
void Paint(CAPTIONIMAGE &img, const MASK &m, uint32_t rgb, int32_t dx, int32_t dy, int opacity)
{
    const uint32_t cb = rgb & 0xFF, cg = (rgb >> 8) & 0xFF, cr = (rgb >> 16) & 0xFF;
    for (int32_t y = 0; y < img.h; y++) {
        const int32_t sy = y - dy;
        if (sy < 0 || sy >= m.h)
            continue;
        const uint8_t *src = m.a.data() + static_cast<size_t>(sy) * m.w;
        uint8_t *d = img.bgra.data() + static_cast<size_t>(y) * img.w * 4;
        for (int32_t x = 0; x < img.w; x++, d += 4) {
            const int32_t sx = x - dx;
            if (sx < 0 || sx >= m.w || !src[sx])
                continue;
            const uint32_t a = src[sx] * static_cast<uint32_t>(opacity) / 255;
            const uint32_t keep = 255 - a;
            d[0] = static_cast<uint8_t>((cb * a + d[0] * keep) / 255);
            d[1] = static_cast<uint8_t>((cg * a + d[1] * keep) / 255);
            d[2] = static_cast<uint8_t>((cr * a + d[2] * keep) / 255);
            d[3] = static_cast<uint8_t>(a + d[3] * keep / 255);
        }
    }
}

// A box blur of radius r each way, in place (the shadow's soft edge).
void Blur(MASK &m, int32_t r)
{
    if (r < 1)
        return;
    std::vector<uint32_t> line(static_cast<size_t>(std::max(m.w, m.h)) + 1);
    auto pass = [&](int32_t count, int32_t len, size_t step, size_t stride) {
        for (int32_t i = 0; i < count; i++) {
            uint8_t *p = m.a.data() + static_cast<size_t>(i) * stride;
            line[0] = 0;
            for (int32_t k = 0; k < len; k++)
                line[k + 1] = line[k] + p[k * step];
            for (int32_t k = 0; k < len; k++) {
                const int32_t lo = std::max(0, k - r), hi = std::min(len, k + r + 1);
                p[k * step] = static_cast<uint8_t>((line[hi] - line[lo]) / (2 * r + 1));
            }
        }
    };
    pass(m.h, m.w, 1, static_cast<size_t>(m.w));
    pass(m.w, m.h, static_cast<size_t>(m.w), 1);
}

bool Draw(const CAPTION &c, const LAYOUT &l, float px, float left, float top, float boxW,
          CAPTIONIMAGE &img)
{
    const size_t n = static_cast<size_t>(img.w) * img.h;
    MASK fill{img.w, img.h, {}}, outline{img.w, img.h, {}}, shadow{img.w, img.h, {}};
    CAPTIONIMAGE colour;
    try {
        fill.a.assign(n, 0);
        if (c.style.iOutline > 0)
            outline.a.assign(n, 0);
        if (c.style.bShadow)
            shadow.a.assign(n, 0);
    } catch (const std::bad_alloc &) {
        return false;
    }
    FT_Stroker stroker = nullptr;
    const float strokePx = c.style.iOutline / 1000.0f * px;
    if (c.style.iOutline > 0) {
        FT_Stroker_New(sFonts->lib, &stroker);
        FT_Stroker_Set(stroker, static_cast<FT_Fixed>(strokePx * 64), FT_STROKER_LINECAP_ROUND,
                       FT_STROKER_LINEJOIN_ROUND, 0);
    }
    struct COLOURGLYPH {
        FACE *face;
        uint32_t gid;
        float x, y, scale;
    };
    std::vector<COLOURGLYPH> colourGlyphs;
    for (size_t li = 0; li < l.lines.size(); li++) {
        const LINE &line = l.lines[li];
        const float room = boxW - line.advance;
        const float x0 = left + (c.style.iAlign == CAPTION_ALIGN_LEFT    ? 0
                                 : c.style.iAlign == CAPTION_ALIGN_RIGHT ? room
                                                                         : room / 2);
        const float base = top + static_cast<float>(li) * l.lineHeight + l.ascent;
        for (const GLYPH &g : line.glyphs) {
            const float gx = x0 + g.x, gy = base + g.y;
            if (g.face->colour) {
                colourGlyphs.push_back({g.face, g.gid, gx, gy, g.scale});
                continue;
            }
            SetSize(g.face, px);
            if (FT_Load_Glyph(g.face->ft, g.gid, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0)
                continue;
            FT_Glyph glyph;
            if (FT_Get_Glyph(g.face->ft->glyph, &glyph) != 0)
                continue;
            // The fraction of a pixel goes into the outline; the whole pixels into the place.
            const float fx = std::floor(gx), fy = std::floor(gy);
            FT_Vector shift = {static_cast<FT_Pos>((gx - fx) * 64),
                               static_cast<FT_Pos>(-(gy - fy) * 64)};
            FT_Glyph_Transform(glyph, nullptr, &shift);
            for (int pass = 0; pass < 2; pass++) {
                if (pass == 1 && !stroker)
                    break;
                FT_Glyph copy = nullptr;
                if (FT_Glyph_Copy(glyph, &copy) != 0)
                    continue;
                if (pass == 1 && FT_Glyph_Stroke(&copy, stroker, 1) != 0) {
                    FT_Done_Glyph(copy);
                    continue;
                }
                if (FT_Glyph_To_Bitmap(&copy, FT_RENDER_MODE_NORMAL, nullptr, 1) == 0) {
                    const auto *bg = reinterpret_cast<FT_BitmapGlyph>(copy);
                    const int32_t bx = static_cast<int32_t>(fx) + bg->left;
                    const int32_t by = static_cast<int32_t>(fy) - bg->top;
                    AddCoverage(pass == 0 ? fill : outline, bg->bitmap, bx, by);
                    if (c.style.bShadow)
                        AddCoverage(shadow, bg->bitmap, bx, by);
                }
                FT_Done_Glyph(copy);
            }
            FT_Done_Glyph(glyph);
        }
    }
    if (stroker)
        FT_Stroker_Done(stroker);
    // Colour glyphs are drawn last, over the letters; their shapes join the shadow first.
    CAPTIONIMAGE emoji;
    if (!colourGlyphs.empty()) {
        try {
            emoji.w = img.w, emoji.h = img.h;
            emoji.bgra.assign(n * 4, 0);
        } catch (const std::bad_alloc &) {
            return false;
        }
        for (const COLOURGLYPH &g : colourGlyphs) {
            if (FT_Load_Glyph(g.face->ft, g.gid, FT_LOAD_COLOR) != 0 ||
                FT_Render_Glyph(g.face->ft->glyph, FT_RENDER_MODE_NORMAL) != 0)
                continue;
            const FT_GlyphSlot slot = g.face->ft->glyph;
            if (slot->bitmap.pixel_mode != FT_PIXEL_MODE_BGRA)
                continue;
            AddColour(emoji, c.style.bShadow ? &shadow : nullptr, slot->bitmap,
                      g.x + slot->bitmap_left * g.scale, g.y - slot->bitmap_top * g.scale, g.scale);
        }
    }
    if (c.style.bShadow) {
        const int32_t off = std::max(1, static_cast<int32_t>(std::lround(l.shadow)));
        Blur(shadow, std::max(1, static_cast<int32_t>(px * 0.03f)));
        Paint(img, shadow, 0x000000, off, off, 150);
    }
    if (c.style.iOutline > 0)
        Paint(img, outline, c.style.crOutline, 0, 0, 255);
    Paint(img, fill, c.style.crFill, 0, 0, 255);
    if (!colourGlyphs.empty()) {
        uint8_t *d = img.bgra.data();
        const uint8_t *s = emoji.bgra.data();
        for (size_t i = 0; i < n; i++, d += 4, s += 4) {
            const uint32_t keep = 255 - s[3];
            for (int k = 0; k < 4; k++)
                d[k] = static_cast<uint8_t>(s[k] + d[k] * keep / 255);
        }
    }
    return true;
}

} // namespace

// ---- Fonts and text ------------------------------------------------------------------------

const char *CAPTION_FontName(int32_t font)
{
    return kFonts[font >= 0 && font < CAPTION_FONT_COUNT ? font : 0].name;
}

int CAPTION_FontInstalled(int32_t font)
{
    return font >= 0 && font < CAPTION_FONT_COUNT && Ready() && sFonts->installed[font];
}

CAPTIONSTYLE CAPTION_CleanStyle(const CAPTIONSTYLE &style)
{
    CAPTIONSTYLE s = style;
    if (s.iFont < 0 || s.iFont >= CAPTION_FONT_COUNT)
        s.iFont = 0;
    s.crFill &= 0xFFFFFF;
    s.crOutline &= 0xFFFFFF;
    s.iOutline = std::clamp(s.iOutline, 0, CAPTION_MAX_OUTLINE);
    s.bShadow = s.bShadow != 0;
    if (s.iAlign < CAPTION_ALIGN_LEFT || s.iAlign > CAPTION_ALIGN_RIGHT)
        s.iAlign = CAPTION_ALIGN_CENTRE;
    return s;
}

CAPTIONSTYLE CAPTION_DefaultStyle()
{
    return {0, 0xFFFFFF, 0x000000, 80, 1, CAPTION_ALIGN_CENTRE};
}

std::string CAPTION_CleanText(const char *bytes, size_t size, int *cut)
{
    std::string out;
    int32_t chars = 0;
    if (cut)
        *cut = 0;
    auto put = [&](uint32_t cp) {
        char b[4];
        size_t n;
        if (cp < 0x80)
            b[0] = static_cast<char>(cp), n = 1;
        else if (cp < 0x800)
            b[0] = static_cast<char>(0xC0 | cp >> 6), b[1] = static_cast<char>(0x80 | (cp & 0x3F)),
            n = 2;
        else if (cp < 0x10000)
            b[0] = static_cast<char>(0xE0 | cp >> 12),
            b[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
            b[2] = static_cast<char>(0x80 | (cp & 0x3F)), n = 3;
        else
            b[0] = static_cast<char>(0xF0 | cp >> 18),
            b[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F)),
            b[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
            b[3] = static_cast<char>(0x80 | (cp & 0x3F)), n = 4;
        if (chars >= CAPTION_MAX_CHARS || out.size() + n > CAPTION_MAX_BYTES)
            return false;
        out.append(b, n);
        chars++;
        return true;
    };
    for (size_t i = 0; i < size;) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        uint32_t cp = 0xFFFD;
        size_t len = 1;
        if (b < 0x80) {
            cp = b;
        } else if (b >= 0xC2 && b <= 0xF4) {
            const size_t need = b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
            uint32_t v = b & (need == 2 ? 0x1F : need == 3 ? 0x0F : 0x07);
            size_t k = 1;
            for (; k < need && i + k < size; k++) {
                const auto c = static_cast<unsigned char>(bytes[i + k]);
                if ((c & 0xC0) != 0x80)
                    break;
                v = v << 6 | (c & 0x3F);
            }
            if (k == need) {
                const uint32_t least = need == 2 ? 0x80 : need == 3 ? 0x800 : 0x10000;
                if (v >= least && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF))
                    cp = v;
                len = need;
            } else {
                len = k; // the bytes of a cut sequence stand for one replacement
            }
        }
        i += len;
        if (cp == '\r') {
            if (i < size && bytes[i] == '\n')
                continue;
            cp = '\n';
        }
        if (cp == '\t')
            cp = ' ';
        if ((cp < 0x20 && cp != '\n') || cp == 0x7F || (cp >= 0x80 && cp < 0xA0))
            continue;
        if (!put(cp)) {
            if (cut)
                *cut = 1;
            break;
        }
    }
    return out;
}

int32_t CAPTION_CountChars(const std::string &utf8)
{
    int32_t n = 0;
    for (const char ch : utf8)
        n += (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
    return n;
}

// ---- Drawing ---------------------------------------------------------------------------------

void CAPTION_NaturalSize(const CAPTION &c, float letterPx, float *w, float *h)
{
    *w = *h = 0;
    if (!Ready() || letterPx <= 0)
        return;
    BoxOf(LayOut(c, letterPx), w, h);
}

int CAPTION_Render(const CAPTION &c, int32_t w, int32_t h, CAPTIONIMAGE *out)
{
    out->w = out->h = 0;
    out->bgra.clear();
    if (w <= 0 || h <= 0)
        return 1;
    if (static_cast<int64_t>(w) * h > CAPTION_MAX_PIXELS)
        return Failf("A caption of %d x %d pixels is too large to draw.", w, h);
    try {
        out->bgra.assign(static_cast<size_t>(w) * h * 4, 0);
    } catch (const std::bad_alloc &) {
        return Fail("Out of memory");
    }
    out->w = w, out->h = h;
    if (!Ready() || !sFonts->chosen[CAPTION_CleanStyle(c.style).iFont])
        return 1; // no font at all: an empty caption rather than none
    CAPTION cc;
    cc.style = CAPTION_CleanStyle(c.style);
    cc.text = c.text;
    // Measured at a reference size; the outlines are unhinted, so the box grows in
    // proportion with the size and the fitted size follows at once.
    constexpr float kRef = 100.0f;
    LAYOUT ref = LayOut(cc, kRef);
    float rw = 0, rh = 0;
    BoxOf(ref, &rw, &rh);
    if (rw <= 0 || rh <= 0)
        return 1;
    const float px = kRef * std::min(w / rw, h / rh);
    if (px < 0.5f)
        return 1;
    LAYOUT l = LayOut(cc, px);
    float bw = 0, bh = 0;
    BoxOf(l, &bw, &bh);
    // The block goes to the side its lines are aligned to; upright, it is centred.
    const float room = w - bw;
    const float left = l.pad + (cc.style.iAlign == CAPTION_ALIGN_LEFT    ? 0
                                : cc.style.iAlign == CAPTION_ALIGN_RIGHT ? room
                                                                         : room / 2);
    const float top = (h - bh) / 2 + l.pad;
    if (!Draw(cc, l, px, left, top, l.width, *out))
        return Fail("Out of memory");
    return 1;
}

int CAPTION_RenderPlaced(const CAPTION &c, int32_t w, int32_t h, int32_t angle, int flipH,
                         int flipV, CAPTIONIMAGE *out)
{
    CAPTIONIMAGE up;
    if (!CAPTION_Render(c, w, h, &up))
        return 0;
    if (flipH || flipV) {
        for (int32_t y = 0; y < (flipV ? up.h / 2 : up.h); y++)
            for (int32_t x = 0; x < (flipV ? up.w : up.w / 2); x++) {
                const int32_t tx = flipH ? up.w - 1 - x : x, ty = flipV ? up.h - 1 - y : y;
                uint8_t *a = &up.bgra[(static_cast<size_t>(y) * up.w + x) * 4];
                uint8_t *b = &up.bgra[(static_cast<size_t>(ty) * up.w + tx) * 4];
                for (int k = 0; k < 4; k++)
                    std::swap(a[k], b[k]);
            }
        if (flipV && (up.h & 1) && flipH) // the middle row was left out above
            for (int32_t x = 0; x < up.w / 2; x++)
                for (int k = 0; k < 4; k++)
                    std::swap(
                        up.bgra[(static_cast<size_t>(up.h / 2) * up.w + x) * 4 + k],
                        up.bgra[(static_cast<size_t>(up.h / 2) * up.w + up.w - 1 - x) * 4 + k]);
    }
    if (angle % 360 == 0) {
        *out = std::move(up);
        return 1;
    }
    int32_t rw = 0, rh = 0;
    CalcRotatedSize(w, h, angle, &rw, &rh);
    if (static_cast<int64_t>(rw) * rh > CAPTION_MAX_PIXELS)
        return Failf("A caption of %d x %d pixels is too large to draw.", rw, rh);
    try {
        out->bgra.assign(static_cast<size_t>(rw) * rh * 4, 0);
    } catch (const std::bad_alloc &) {
        return Fail("Out of memory");
    }
    out->w = rw, out->h = rh;
    // Each pixel of the turned box, sampled back through the turn with bilinear weights.
    const double t = angle * 3.14159265358979 / 180, cs = std::cos(t), sn = std::sin(t);
    const double cx = rw / 2.0, cy = rh / 2.0, ux = w / 2.0, uy = h / 2.0;
    for (int32_t y = 0; y < rh; y++) {
        uint8_t *d = out->bgra.data() + static_cast<size_t>(y) * rw * 4;
        for (int32_t x = 0; x < rw; x++, d += 4) {
            const double X = x + 0.5 - cx, Y = y + 0.5 - cy;
            const double u = X * cs + Y * sn + ux - 0.5, v = -X * sn + Y * cs + uy - 0.5;
            const int32_t u0 = static_cast<int32_t>(std::floor(u)),
                          v0 = static_cast<int32_t>(std::floor(v));
            if (u0 < -1 || v0 < -1 || u0 >= w || v0 >= h)
                continue;
            const double fu = u - u0, fv = v - v0;
            double acc[4] = {};
            for (int k = 0; k < 4; k++) {
                const int32_t su = u0 + (k & 1), sv = v0 + (k >> 1);
                if (su < 0 || sv < 0 || su >= w || sv >= h)
                    continue;
                const double wt = ((k & 1) ? fu : 1 - fu) * ((k >> 1) ? fv : 1 - fv);
                const uint8_t *s = &up.bgra[(static_cast<size_t>(sv) * w + su) * 4];
                for (int ch = 0; ch < 4; ch++)
                    acc[ch] += wt * s[ch];
            }
            for (int ch = 0; ch < 4; ch++)
                d[ch] = static_cast<uint8_t>(std::lround(std::min(255.0, acc[ch])));
        }
    }
    return 1;
}

void CAPTION_Blend(LPDDS dst, int32_t x, int32_t y, const CAPTIONIMAGE &img, int32_t sx, int32_t sy,
                   int32_t w, int32_t h)
{
    if (!dst || !dst->pBits)
        return;
    // Clipped to the image and to the surface.
    if (sx < 0)
        w += sx, x -= sx, sx = 0;
    if (sy < 0)
        h += sy, y -= sy, sy = 0;
    w = std::min(w, img.w - sx), h = std::min(h, img.h - sy);
    if (x < 0)
        w += x, sx -= x, x = 0;
    if (y < 0)
        h += y, sy -= y, y = 0;
    w = std::min(w, dst->iWidth - x), h = std::min(h, dst->iHeight - y);
    for (int32_t r = 0; r < h; r++) {
        const uint8_t *s = img.bgra.data() + (static_cast<size_t>(sy + r) * img.w + sx) * 4;
        uint8_t *d = DXPixel(dst, x, y + r);
        for (int32_t col = 0; col < w; col++, s += 4, d += 3) {
            const uint32_t a = s[3];
            if (a == 0)
                continue;
            const uint32_t keep = 255 - a;
            for (int k = 0; k < 3; k++)
                d[k] =
                    static_cast<uint8_t>(std::min<uint32_t>(255, s[k] + (d[k] * keep + 127) / 255));
        }
    }
}

void CAPTION_Shutdown()
{
    if (!sFonts)
        return;
    for (auto &entry : sFonts->byFile)
        if (entry.second) {
            hb_font_destroy(entry.second->hb); // holds the FreeType face
        }
    FT_Done_FreeType(sFonts->lib);
    delete sFonts;
    sFonts = nullptr;
}
