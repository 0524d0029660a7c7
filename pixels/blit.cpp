// blit.cpp — clipped copies between surfaces: straight, scaled and mirrored.
//
// Both blits clip the target to the destination (for DXBlt mode 4, to the clip rectangle
// the destination carries too) and never read outside the source: a source rectangle that leaves
// its surface is refused with the platform's "invalid rectangle" result. Results go through the
// blit failure table; the busy, lost and unsupported results are silent.
#include <cstdlib>
#include <cstring>
#include <immintrin.h>
#include <sys/platform/x86.h> // glibc's CPU features, read without a cpuid of our own
#include <system_error>
#include <thread>
#include <vector>

#include "pixels/pixels.h"
#include "platform/memory.h"
#include "platform/trail.h"

// Number of a platform result in the blit failure table.
static int32_t BltFailureCode(int32_t result)
{
    switch (result) {
    case DDERR_GENERIC:
        return 1;
    case DDERR_INVALIDPARAMS:
        return 4;
    case DDERR_INVALIDRECT:
        return 5;
    case DDERR_SURFACEBUSY:
        return 15;
    case DDERR_SURFACELOST:
        return 16;
    case DDERR_UNSUPPORTED:
        return 17;
    default:
        return 0;
    }
}

// Handles the silent codes; returns true when the caller must report the failure.
static bool MustReport(int32_t code)
{
    if (code == 15 || code == 17)
        return false; // nothing drawn, success
    if (code == 16) {
        DXRestoreAll(); // the next frame draws again
        return false;
    }
    return true;
}

// A rectangle in 64-bit arithmetic, so x + width never overflows.
struct RECT64 {
    int64_t left, top, right, bottom;
};

static bool IsEmpty(const RECT64 &r)
{
    return r.right <= r.left || r.bottom <= r.top;
}

static RECT64 Intersect(const RECT64 &a, const RECT64 &b)
{
    if (IsEmpty(a) || IsEmpty(b))
        return {0, 0, 0, 0};
    RECT64 r = {a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
                a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
    return IsEmpty(r) ? RECT64{0, 0, 0, 0} : r;
}

static bool Inside(const RECT64 &r, LPDDS s)
{
    return r.left >= 0 && r.top >= 0 && r.right <= s->iWidth && r.bottom <= s->iHeight &&
           !IsEmpty(r);
}

static bool Overlap(LPDDS dest, const RECT64 &d, LPDDS src, const RECT64 &s)
{
    return dest == src && !IsEmpty(Intersect(d, s));
}

int32_t gKeyedSimd = 1;
int64_t gStretchSplitPixels = int64_t{1} << 20;

void DXSplitRows(int32_t top, int32_t bottom, bool split,
                 const std::function<void(int, int32_t, int32_t)> &rows)
{
    const int32_t middle = top + (bottom - top) / 2;
    std::thread lower;
    if (split && middle > top) {
        try {
            lower = std::thread(rows, 1, middle, bottom);
        } catch (const std::system_error &) {
            // no second thread to be had: this one does all
        }
    }
    rows(0, top, lower.joinable() ? middle : bottom);
    if (lower.joinable())
        lower.join();
}

static uint32_t Pixel24(const uint8_t *p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16);
}

// The SSSE3 copy of a keyed row, 16 pixels (48 bytes, three vectors) a step: the bytes
// that equal the key's are found, each pixel's three answers are gathered into one
// byte (a pixel is the key only when all three are), spread back over its three bytes,
// and the source is blended in where it is not the key.
struct KEYSHUFFLES {
    int8_t gather[3][3][16]; // [pixel byte][source vector][lane]: where that byte comes from
    int8_t spread[3][16];    // [destination vector][lane]: which pixel's answer it takes
    KEYSHUFFLES()
    {
        for (int k = 0; k < 3; k++)
            for (int v = 0; v < 3; v++)
                for (int i = 0; i < 16; i++) {
                    const int at = 3 * i + k;
                    gather[k][v][i] = static_cast<int8_t>(at / 16 == v ? at % 16 : -128);
                }
        for (int v = 0; v < 3; v++)
            for (int j = 0; j < 16; j++)
                spread[v][j] = static_cast<int8_t>((16 * v + j) / 3);
    }
};

__attribute__((target("ssse3"))) static int32_t KeyedRowSsse3(uint8_t *d, const uint8_t *s,
                                                              int32_t w, uint32_t key)
{
    static const KEYSHUFFLES kShuffles;
    uint8_t pattern[48];
    for (int i = 0; i < 48; i++)
        pattern[i] = static_cast<uint8_t>(key >> (8 * (i % 3)));
    const __m128i k0 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(pattern));
    const __m128i k1 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(pattern + 16));
    const __m128i k2 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(pattern + 32));
    auto mask = [](const int8_t *m) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i *>(m));
    };
    int32_t x = 0;
    for (; x + 16 <= w; x += 16, s += 48, d += 48) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + 16));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + 32));
        const __m128i e[3] = {_mm_cmpeq_epi8(a, k0), _mm_cmpeq_epi8(b, k1), _mm_cmpeq_epi8(c, k2)};
        __m128i m = _mm_set1_epi8(-1);
        for (int k = 0; k < 3; k++) {
            const __m128i g =
                _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(e[0], mask(kShuffles.gather[k][0])),
                                          _mm_shuffle_epi8(e[1], mask(kShuffles.gather[k][1]))),
                             _mm_shuffle_epi8(e[2], mask(kShuffles.gather[k][2])));
            m = _mm_and_si128(m, g);
        }
        const __m128i src[3] = {a, b, c};
        for (int v = 0; v < 3; v++) {
            __m128i *to = reinterpret_cast<__m128i *>(d + 16 * v);
            const __m128i keep = _mm_shuffle_epi8(m, mask(kShuffles.spread[v]));
            const __m128i old = _mm_loadu_si128(to);
            _mm_storeu_si128(
                to, _mm_or_si128(_mm_and_si128(keep, old), _mm_andnot_si128(keep, src[v])));
        }
    }
    return x;
}

// A colour-keyed row: destination pixels stay where the source is the key. Branch-free,
// as keyed pixels are unpredictable at artwork edges and in photos; four pixels (12
// bytes) are blended at a time in two machine words.
static void KeyedRow(uint8_t *d, const uint8_t *s, int32_t w, uint32_t key)
{
    static const bool kSsse3 = CPU_FEATURE_ACTIVE(SSSE3);
    int32_t x = kSsse3 && gKeyedSimd ? KeyedRowSsse3(d, s, w, key) : 0;
    s += 3 * x, d += 3 * x;
    for (; x + 4 <= w; x += 4, s += 12, d += 12) {
        uint64_t a, da;
        uint32_t b, db;
        std::memcpy(&a, s, 8);
        std::memcpy(&b, s + 8, 4);
        std::memcpy(&da, d, 8);
        std::memcpy(&db, d + 8, 4);
        // All ones for each pixel that is the key.
        const uint64_t t0 = -static_cast<uint64_t>((a & 0xFFFFFF) == key);
        const uint64_t t1 = -static_cast<uint64_t>(((a >> 24) & 0xFFFFFF) == key);
        const uint64_t t2 = -static_cast<uint64_t>(((a >> 48) | (uint64_t{b & 0xFF} << 16)) == key);
        const uint32_t t3 = -static_cast<uint32_t>((b >> 8) == key);
        const uint64_t keepA = (t0 & 0xFFFFFF) | (t1 & 0xFFFFFF000000) | (t2 & 0xFFFF000000000000);
        const uint32_t keepB = (static_cast<uint32_t>(t2) & 0xFF) | (t3 & 0xFFFFFF00);
        a = (da & keepA) | (a & ~keepA);
        b = (db & keepB) | (b & ~keepB);
        std::memcpy(d, &a, 8);
        std::memcpy(d + 8, &b, 4);
    }
    for (; x < w; x++, s += 3, d += 3)
        if (Pixel24(s) != key)
            d[0] = s[0], d[1] = s[1], d[2] = s[2];
}

// Copies the rectangle s of src (inside it) into a new, tightly packed surface, so a
// blit within one surface reads its source before writing.
static LPDDS Snapshot(LPDDS src, const RECT64 &s)
{
    int32_t w = static_cast<int32_t>(s.right - s.left), h = static_cast<int32_t>(s.bottom - s.top);
    uint8_t *bits = static_cast<uint8_t *>(PLAT_PixelsAlloc(static_cast<size_t>(w) * 3 * h));
    if (!bits)
        return nullptr;
    LPDDS copy = DXCreateSurfaceOver(bits, w, h, w * 3);
    if (!copy) {
        PLAT_PixelsFree(bits);
        return nullptr;
    }
    copy->bOwnsBits = 1;
    copy->bHasColorKey = src->bHasColorKey;
    copy->dwColorKey = src->dwColorKey;
    for (int32_t y = 0; y < h; y++)
        std::memcpy(DXPixel(copy, 0, y),
                    DXPixel(src, static_cast<int32_t>(s.left), static_cast<int32_t>(s.top) + y),
                    static_cast<size_t>(w) * 3);
    return copy;
}

// The kind of transparency of a copy.
enum { COPY_OPAQUE, COPY_SRCKEY, COPY_DESTKEY };

// Unscaled copy of w × h pixels from (sx, sy) to (dx, dy), both inside their surfaces.
static void CopyRect(LPDDS dest, int32_t dx, int32_t dy, LPDDS src, int32_t sx, int32_t sy,
                     int32_t w, int32_t h, int kind)
{
    size_t rowBytes = static_cast<size_t>(w) * 3;
    if (kind == COPY_SRCKEY && !src->bHasColorKey)
        kind = COPY_OPAQUE; // no key: nothing is transparent
    if (kind == COPY_DESTKEY && !dest->bHasColorKey)
        return; // no key: no destination pixel accepts the copy
    uint32_t key = kind == COPY_SRCKEY ? src->dwColorKey : dest->dwColorKey;
    for (int32_t y = 0; y < h; y++) {
        uint8_t *d = DXPixel(dest, dx, dy + y);
        const uint8_t *s = DXPixel(src, sx, sy + y);
        if (kind == COPY_OPAQUE) {
            std::memcpy(d, s, rowBytes);
        } else if (kind == COPY_SRCKEY) {
            KeyedRow(d, s, w, key);
        } else {
            for (int32_t x = 0; x < w; x++, d += 3, s += 3) {
                if (Pixel24(d) == key) {
                    d[0] = s[0];
                    d[1] = s[1];
                    d[2] = s[2];
                }
            }
        }
    }
}

// Performs the unscaled copy of rectangle s onto rectangle i; a platform result.
static int32_t BltRect(LPDDS dest, const RECT64 &i, LPDDS src, const RECT64 &s, int kind)
{
    if (!Inside(s, src))
        return DDERR_INVALIDRECT;
    int32_t w = static_cast<int32_t>(i.right - i.left), h = static_cast<int32_t>(i.bottom - i.top);
    LPDDS from = src;
    int32_t sx = static_cast<int32_t>(s.left), sy = static_cast<int32_t>(s.top);
    if (Overlap(dest, i, src, s)) {
        from = Snapshot(src, s);
        if (!from)
            return DDERR_OUTOFMEMORY;
        sx = sy = 0;
    }
    CopyRect(dest, static_cast<int32_t>(i.left), static_cast<int32_t>(i.top), from, sx, sy, w, h,
             kind);
    if (from != src)
        DXReleaseSurface(from);
    return DD_OK;
}

int DXBlt(LPDDS dest, int32_t x, int32_t y, int32_t width, int32_t height, LPDDS src, int32_t srcX,
          int32_t srcY, int32_t mode)
{
    if (!dest || !src)
        return 1;
    RECT64 t = {x, y, static_cast<int64_t>(x) + width, static_cast<int64_t>(y) + height};
    int32_t w = dest->iWidth, h = dest->iHeight;
    RECT64 k = {0, 0, w, h};
    if (mode == DXBLT_CLIPPED) {
        // The destination's clip rectangle, kept inside the destination so a stale one
        // cannot write past it.
        const XYWH &c = dest->rcClip;
        k = Intersect(
            RECT64{c.x, c.y, static_cast<int64_t>(c.x) + c.w, static_cast<int64_t>(c.y) + c.h}, k);
    }
    RECT64 i = Intersect(t, k);
    if (IsEmpty(i))
        return 1;
    RECT64 s = {srcX + (i.left - x), srcY + (i.top - y), 0, 0};
    s.right = s.left + (i.right - i.left);
    s.bottom = s.top + (i.bottom - i.top);

    int kind = mode == DXBLT_SRCKEY || mode == DXBLT_CLIPPED ? COPY_SRCKEY
               : mode == DXBLT_DESTKEY                       ? COPY_DESTKEY
                                                             : COPY_OPAQUE;
    int32_t result = BltRect(dest, i, src, s, kind);
    if (result == DD_OK)
        return 1;
    int32_t code = BltFailureCode(result);
    if (!MustReport(code))
        return 1;
    Failf("Surface width = %d", w);
    Failf("Surface height= %d", h);
    Failf("To   rect = %lld,%lld,%lld,%lld", (long long)i.left, (long long)i.top,
          (long long)i.right, (long long)i.bottom);
    Failf("From rect = %lld,%lld,%lld,%lld", (long long)s.left, (long long)s.top,
          (long long)s.right, (long long)s.bottom);
    Failf("nXDest = %d", x);
    Failf("nYDest = %d", y);
    Failf("nXSize = %d", width);
    Failf("nYSize = %d", height);
    Failf("nXSrc = %d", srcX);
    Failf("nYSrc = %d", srcY);
    Failf("%d", code);
    return Fail("Blt() !");
}

// For each of n target positions, the byte offset (or row number) of its source
// sample among `count` source positions from `first`, nearest to the target's centre;
// reversed when mirrored.
static void SampleTable(int32_t *table, int64_t n, int64_t first, int64_t count, bool mirror,
                        int32_t scale)
{
    for (int64_t t = 0; t < n; t++) {
        int64_t c = (2 * t + 1) * count / (2 * n);
        if (mirror)
            c = count - 1 - c;
        table[t] = static_cast<int32_t>((first + c) * scale);
    }
}

// Scaled copy of the source rectangle s onto the target rectangle i; a platform result.
static int32_t StretchRect(LPDDS dest, const RECT64 &i, LPDDS src, const RECT64 &s, int kind,
                           uint32_t effects)
{
    if (!Inside(s, src))
        return DDERR_INVALIDRECT;
    if (kind == COPY_SRCKEY && !src->bHasColorKey)
        kind = COPY_OPAQUE;
    if (kind == COPY_DESTKEY && !dest->bHasColorKey)
        return DD_OK;
    int64_t w = i.right - i.left, h = i.bottom - i.top;
    int64_t sw = s.right - s.left, sh = s.bottom - s.top;
    bool mirrorX = effects & DDBLTFX_MIRRORLEFTRIGHT, mirrorY = effects & DDBLTFX_MIRRORUPDOWN;
    LPDDS from = src;
    RECT64 fromRect = s;
    if (Overlap(dest, i, src, s)) {
        from = Snapshot(src, s);
        if (!from)
            return DDERR_OUTOFMEMORY;
        fromRect = {0, 0, sw, sh};
    }
    int32_t *cols = static_cast<int32_t *>(std::malloc(sizeof(int32_t) * (w + h)));
    if (!cols) {
        if (from != src)
            DXReleaseSurface(from);
        return DDERR_OUTOFMEMORY;
    }
    int32_t *rows = cols + w;
    SampleTable(cols, w, fromRect.left, sw, mirrorX, 3);
    SampleTable(rows, h, fromRect.top, sh, mirrorY, 1);
    bool straightRows = sw == w && !mirrorX && kind == COPY_OPAQUE;
    uint32_t key = kind == COPY_SRCKEY ? from->dwColorKey : dest->dwColorKey;
    // One past the source's last pixel byte.
    const uint8_t *fromEnd = from->pBits +
                             static_cast<ptrdiff_t>(from->iPitch) * (from->iHeight - 1) +
                             static_cast<ptrdiff_t>(from->iWidth) * 3;
    // A source-keyed row is first stretched into a scratch row (once for the target rows
    // that repeat it), then copied with the key a block of pixels at a time.
    const bool viaRow = kind == COPY_SRCKEY;
    // Near 1:1 the columns step one source pixel at a time for long runs (800 to 796 has
    // five): an opaque row is then copied a run at a time.
    std::vector<std::pair<int32_t, int32_t>> runs; // first target column, length
    if (kind == COPY_OPAQUE && !straightRows) {
        try {
            for (int64_t x = 0; x < w && static_cast<int64_t>(runs.size()) * 16 <= w;) {
                int64_t end = x + 1;
                while (end < w && cols[end] == cols[end - 1] + 3)
                    end++;
                runs.emplace_back(static_cast<int32_t>(x), static_cast<int32_t>(end - x));
                x = end;
            }
        } catch (const std::bad_alloc &) {
            runs.clear();
        }
        if (static_cast<int64_t>(runs.size()) * 16 > w)
            runs.clear(); // short runs: pixel by pixel
    }
    // Rows [top, bottom) of the target.
    auto stretchRows = [&](int, int32_t top, int32_t bottom) {
        std::vector<uint8_t> row;
        if (viaRow)
            row.resize(static_cast<size_t>(w) * 3);
        for (int64_t y = top; y < bottom; y++) {
            uint8_t *d =
                DXPixel(dest, static_cast<int32_t>(i.left), static_cast<int32_t>(i.top + y));
            const uint8_t *srow = from->pBits + static_cast<ptrdiff_t>(rows[y]) * from->iPitch;
            if (straightRows) {
                std::memcpy(d, srow + cols[0], static_cast<size_t>(w) * 3);
                continue;
            }
            if (kind == COPY_OPAQUE && y > top && rows[y] == rows[y - 1]) {
                // Enlarging repeats source rows: copy the row just made.
                std::memcpy(d, d - dest->iPitch, static_cast<size_t>(w) * 3);
                continue;
            }
            if (!runs.empty()) {
                for (const auto &[x, n] : runs)
                    std::memcpy(d + 3 * x, srow + cols[x], static_cast<size_t>(n) * 3);
                continue;
            }
            if (kind == COPY_OPAQUE) {
                // A pixel moves as 4 bytes, the fourth overwritten by the next pixel's; the
                // row's last one as 3, and every pixel of the source's last row, where a
                // fourth byte read could pass the end (a row below holds that byte).
                int64_t x = 0;
                if (srow + from->iPitch < fromEnd)
                    for (; x + 1 < w; x++, d += 3)
                        std::memcpy(d, srow + cols[x], 4);
                for (; x < w; x++, d += 3) {
                    const uint8_t *p = srow + cols[x];
                    d[0] = p[0];
                    d[1] = p[1];
                    d[2] = p[2];
                }
                continue;
            }
            if (viaRow) {
                if (y == top || rows[y] != rows[y - 1]) {
                    uint8_t *r = row.data();
                    for (int64_t x = 0; x < w; x++, r += 3) {
                        const uint8_t *p = srow + cols[x];
                        r[0] = p[0], r[1] = p[1], r[2] = p[2];
                    }
                }
                KeyedRow(d, row.data(), static_cast<int32_t>(w), key);
                continue;
            }
            for (int64_t x = 0; x < w; x++, d += 3) {
                uint32_t sp = Pixel24(srow + cols[x]), dp = Pixel24(d);
                bool keepDest = kind == COPY_SRCKEY ? sp == key : dp != key;
                uint32_t keep = keepDest ? 0xFFFFFFu : 0u;
                uint32_t v = (dp & keep) | (sp & ~keep);
                d[0] = static_cast<uint8_t>(v);
                d[1] = static_cast<uint8_t>(v >> 8);
                d[2] = static_cast<uint8_t>(v >> 16);
            }
        }
    };
    // A large stretch shares its rows between two threads; rows copied straight are bound
    // by memory, not worth a thread's start.
    DXSplitRows(0, static_cast<int32_t>(h), w * h >= gStretchSplitPixels && !straightRows,
                stretchRows);
    std::free(cols);
    if (from != src)
        DXReleaseSurface(from);
    return DD_OK;
}

static int StretchCommon(LPDDS dest, int32_t x, int32_t y, int32_t width, int32_t height, LPDDS src,
                         int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight,
                         int32_t mode, uint32_t effects, const char *name)
{
    if (!dest || !src)
        return 1;
    RECT64 t = {x, y, static_cast<int64_t>(x) + width, static_cast<int64_t>(y) + height};
    RECT64 i = Intersect(t, RECT64{0, 0, dest->iWidth, dest->iHeight});
    if (IsEmpty(i))
        return 1;
    RECT64 s = {srcX, srcY, static_cast<int64_t>(srcX) + srcWidth,
                static_cast<int64_t>(srcY) + srcHeight};
    int kind = mode == DXBLT_SRCKEY    ? COPY_SRCKEY
               : mode == DXBLT_DESTKEY ? COPY_DESTKEY
                                       : COPY_OPAQUE;
    if (mode < DXBLT_OPAQUE || mode > DXBLT_DESTKEY)
        effects = 0; // any other mode is a plain opaque copy
    int32_t result = StretchRect(dest, i, src, s, kind, effects);
    if (result == DD_OK)
        return 1;
    int32_t code = BltFailureCode(result);
    if (!MustReport(code))
        return 1;
    Failf("To   rect = %lld,%lld,%lld,%lld", (long long)i.left, (long long)i.top,
          (long long)i.right, (long long)i.bottom);
    Failf("From rect = %lld,%lld,%lld,%lld", (long long)s.left, (long long)s.top,
          (long long)s.right, (long long)s.bottom);
    Failf("%d", code);
    return Fail(name);
}

int DXStretchBlt(LPDDS dest, int32_t x, int32_t y, int32_t width, int32_t height, LPDDS src,
                 int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight, int32_t mode)
{
    return StretchCommon(dest, x, y, width, height, src, srcX, srcY, srcWidth, srcHeight, mode, 0,
                         "DXStretchBlt() !");
}

int DXStretchBltFX(LPDDS dest, int32_t x, int32_t y, int32_t width, int32_t height, LPDDS src,
                   int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight, int32_t mode,
                   const DDBLTFX *effects)
{
    return StretchCommon(dest, x, y, width, height, src, srcX, srcY, srcWidth, srcHeight, mode,
                         effects ? effects->dwDDFX : 0, "DXStretchBltFX() !");
}
