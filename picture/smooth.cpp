// smooth.cpp — clip art composed at full resolution with smooth edges: resampled through
// its turn, mirror and scale with the white key as transparency and blended over the
// photo, vectorised four pixels at a time and shared between two threads when large.
// Depends on: pixels/ (surfaces, rotated sizes, split rows), platform/memory.h.
#include <cmath>
#include <cstring>
#include <functional>
#include <new>
#include <sys/platform/x86.h> // glibc's CPU features, read without a cpuid of our own
#include <vector>

#include "picture/picture_local.h"
#include "platform/memory.h"
#include "platform/trail.h"

// An artwork pixel as the smooth composition keeps it: blue, green and red in 16-bit
// lanes (bits 0, 16 and 32), so sums of weighted samples add up all three at once, and
// kKeyed in the top bit where the pixel is white-keyed.
constexpr uint64_t kKeyed = uint64_t{1} << 63;

static inline uint64_t Spread(uint32_t colour)
{
    return (colour & 0xFF) | static_cast<uint64_t>(colour & 0xFF00) << 8 |
           static_cast<uint64_t>(colour & 0xFF0000) << 16;
}

// A pixel of artwork with alpha (a sticker's alpha file): its colour premultiplied by
// its alpha in the three lanes and the alpha itself in the fourth (bit 48); keyed where
// wholly transparent.
static inline uint64_t SpreadAlpha(const uint8_t *bgra)
{
    const uint32_t a = bgra[3];
    if (a == 0)
        return kKeyed;
    auto pre = [a](uint32_t c) { return (c * a + 127) / 255; };
    return Spread(pre(bgra[0]) | pre(bgra[1]) << 8 | pre(bgra[2]) << 16) | static_cast<uint64_t>(a)
                                                                               << 48;
}

// Clip art with smooth edges: every pixel of the piece's turned box on the export is
// sampled N × N times back through the turn, the mirror and the scale into the artwork;
// white-key samples are transparent. The covered share of the samples blends their
// mean colour over the photo, so edges are soft and no white fringe shows.
//
// A sample's place in the artwork is (u, v) = ((X·c + Y·s + w/2)·fx, (−X·s + Y·c + h/2)·fy)
// for its offset (X, Y) from the piece's centre. The X terms are computed once per piece
// and column, the Y terms once per row; each row then finds the artwork pixel of every
// sample of every pixel, four pixels at a time, before the pixels are summed.
struct SMOOTH {
    LPDDS out;
    int32_t W, H, n;
    double c, s, cx, cy, fx, fy, hw, hh; // turn, centre, scale, half the placed size
    bool flipH, flipV;
    bool alpha;                     // the artwork has alpha (SpreadAlpha): blended, never cut
    int32_t left, right, stride;    // the box's columns; stride: their count rounded up to 4
    double off[4];                  // where the samples lie within a pixel
    std::vector<double> colC, colS; // per sample column and box column: X·c and −(X·s)
    PixelsPtr<uint64_t> art;        // a keyed pixel, then the artwork's, spread (Spread)
    const uint64_t *pixels;         // the artwork's; pixels[-1] is the keyed one
};

// Where one pixel's samples along one axis fall in an unturned piece: the artwork
// columns (or rows) hit and how many samples hit each, in order.
struct AXISSAMPLES {
    int32_t count;
    int32_t at[4], weight[4];
};

// The samples of the pixel at position i along an axis: the sample places are
// (i + off[k] − centre + half)·scale, mirrored when flip, held to the last pixel.
static AXISSAMPLES SamplesAlong(const SMOOTH &m, int32_t i, double centre, double half,
                                double scale, int32_t size, bool flip)
{
    AXISSAMPLES s = {};
    for (int32_t k = 0; k < m.n; k++) {
        double t = ((i + m.off[k] - centre) + half) * scale;
        if (t < 0 || t >= size)
            continue;
        t = flip ? size - t : t;
        int32_t at = static_cast<int32_t>(t);
        at = at >= size ? size - 1 : at;
        if (s.count && s.at[s.count - 1] == at)
            s.weight[s.count - 1]++;
        else
            s.at[s.count] = at, s.weight[s.count++] = 1;
    }
    return s;
}

// Adds an artwork pixel, unless keyed, weight times to a pixel's lanes and hits.
static inline void AddSample(uint64_t pixel, uint32_t weight, uint64_t *sum, uint32_t *hits)
{
    const uint32_t counted = weight & (static_cast<uint32_t>(pixel >> 63) - 1); // 0 if keyed
    *sum += pixel * counted;
    *hits += counted;
}

// Writes the mean of a pixel's covered samples over the photo: the lanes' sums and the
// hits of kTotal samples.
template <uint32_t kTotal> static inline void BlendSamples(uint8_t *d, uint64_t sum, uint32_t hits)
{
    const uint32_t rest = kTotal - hits;
    auto mean = [&](uint32_t lane, uint8_t under) {
        return static_cast<uint8_t>((lane + under * rest + kTotal / 2) / kTotal);
    };
    d[0] = mean(sum & 0xFFFF, d[0]);
    d[1] = mean(sum >> 16 & 0xFFFF, d[1]);
    d[2] = mean(sum >> 32 & 0xFFFF, d[2]);
}

// Writes an artwork pixel's colour unless it is keyed.
static inline void PutPixel(uint8_t *d, uint64_t pixel)
{
    if (!(pixel & kKeyed))
        d[0] = static_cast<uint8_t>(pixel), d[1] = static_cast<uint8_t>(pixel >> 16),
        d[2] = static_cast<uint8_t>(pixel >> 32);
}

// Writes the sum of kTotal samples of artwork with alpha over the photo: the premultiplied
// colours' sums and the alphas' sum (bit 48) say how much of the photo stays.
template <uint32_t kTotal> static inline void BlendAlpha(uint8_t *d, uint64_t sum)
{
    constexpr uint32_t kFull = 255 * kTotal;
    const uint32_t rest = kFull - static_cast<uint32_t>(sum >> 48 & 0x7FFF);
    auto mean = [&](uint32_t lane, uint8_t under) {
        return static_cast<uint8_t>((lane * 255 + under * rest + kFull / 2) / kFull);
    };
    d[0] = mean(sum & 0xFFFF, d[0]);
    d[1] = mean(sum >> 16 & 0xFFFF, d[1]);
    d[2] = mean(sum >> 32 & 0xFFFF, d[2]);
}

// One artwork pixel covers all of a destination pixel's samples.
static inline void PutOne(const SMOOTH &m, uint8_t *d, uint64_t pixel)
{
    if (!m.alpha || (pixel >> 48 & 0xFF) == 255)
        PutPixel(d, pixel);
    else if (!(pixel & kKeyed))
        BlendAlpha<1>(d, pixel);
}

// The mean of a destination pixel's samples over the photo.
template <uint32_t kTotal>
static inline void BlendAll(const SMOOTH &m, uint8_t *d, uint64_t sum, uint32_t hits)
{
    if (m.alpha)
        BlendAlpha<kTotal>(d, sum);
    else
        BlendSamples<kTotal>(d, sum, hits);
}

// Rows [top, bottom) of an unturned smooth piece: a sample's column in the artwork
// depends only on its pixel's column and its row only on the pixel's row, so each
// pixel adds the few artwork pixels its row and column samples meet, each weighted by
// how many samples meet it. cols holds the box columns' samples.
template <int32_t N>
static void ComposeUnturnedRows(const SMOOTH &m, const AXISSAMPLES *cols, int32_t top,
                                int32_t bottom)
{
    constexpr uint32_t kTotal = N * N;
    const int32_t width = m.right - m.left;
    for (int32_t y = top; y < bottom; y++) {
        const AXISSAMPLES rows = SamplesAlong(m, y, m.cy, m.hh, m.fy, m.H, m.flipV);
        if (!rows.count)
            continue;
        const uint64_t *lines[4];
        for (int32_t r = 0; r < rows.count; r++)
            lines[r] = m.pixels + static_cast<size_t>(rows.at[r]) * m.W;
        uint8_t *d = DXPixel(m.out, m.left, y);
        for (int32_t x = 0; x < width; x++, d += 3) {
            const AXISSAMPLES &c = cols[x];
            if (rows.count == 1 && c.count == 1 &&
                static_cast<uint32_t>(rows.weight[0] * c.weight[0]) == kTotal) {
                PutOne(m, d, lines[0][c.at[0]]);
                continue;
            }
            uint64_t sum = 0;
            uint32_t hits = 0;
            for (int32_t r = 0; r < rows.count; r++) {
                for (int32_t k = 0; k < c.count; k++)
                    AddSample(lines[r][c.at[k]],
                              static_cast<uint32_t>(rows.weight[r] * c.weight[k]), &sum, &hits);
            }
            if (hits)
                BlendAll<kTotal>(m, d, sum, hits);
        }
    }
}

typedef double D4 __attribute__((vector_size(32)));
typedef int64_t L4 __attribute__((vector_size(32)));
typedef int32_t I4 __attribute__((vector_size(16)));

// The artwork pixel (v·W + u) of sample (a, b) of box columns [from, to) (multiples of
// four) on a row whose sample rows have Y·s and Y·c; −1 where the sample lies outside the
// artwork.
__attribute__((always_inline)) static inline void SampleCellsBody(const SMOOTH &m, int32_t a,
                                                                  double ys, double yc,
                                                                  int32_t from, int32_t to,
                                                                  int32_t *cells)
{
    const D4 zero = {0, 0, 0, 0}, none = zero - 1;
    const D4 W = zero + m.W, H = zero + m.H, hw = zero + m.hw, hh = zero + m.hh;
    const D4 fx = zero + m.fx, fy = zero + m.fy, vys = zero + ys, vyc = zero + yc;
    const I4 lastU = I4{0, 0, 0, 0} + (m.W - 1), lastV = I4{0, 0, 0, 0} + (m.H - 1);
    const double *colC = m.colC.data() + static_cast<size_t>(a) * m.stride;
    const double *colS = m.colS.data() + static_cast<size_t>(a) * m.stride;
    for (int32_t x = from; x < to; x += 4) {
        D4 xc, xs;
        std::memcpy(&xc, colC + x, sizeof xc);
        std::memcpy(&xs, colS + x, sizeof xs);
        D4 u = ((xc + vys) + hw) * fx, v = ((xs + vyc) + hh) * fy;
        const L4 inside = (u >= zero) & (u < W) & (v >= zero) & (v < H);
        if (m.flipH)
            u = W - u;
        if (m.flipV)
            v = H - v;
        // Outside samples become pixel (−1, 0), so their index is −1.
        u = inside ? u : none;
        v = inside ? v : zero;
        I4 iu = __builtin_convertvector(u, I4), iv = __builtin_convertvector(v, I4);
        iu = iu > lastU ? lastU : iu; // a mirrored place at the far edge: the last pixel
        iv = iv > lastV ? lastV : iv;
        const I4 cell = iv * m.W + iu;
        std::memcpy(cells + x, &cell, sizeof cell);
    }
}

__attribute__((target("avx2"))) static void SampleCellsAvx2(const SMOOTH &m, int32_t a, double ys,
                                                            double yc, int32_t from, int32_t to,
                                                            int32_t *cells)
{
    SampleCellsBody(m, a, ys, yc, from, to, cells);
}

static void SampleCellsBase(const SMOOTH &m, int32_t a, double ys, double yc, int32_t from,
                            int32_t to, int32_t *cells)
{
    SampleCellsBody(m, a, ys, yc, from, to, cells);
}

// The box columns [*from, *to) of row y that the turned artwork may reach, in whole groups
// of four. The artwork covers the offsets (X, Y) from the centre with |X·c + Y·s| < w/2
// and |Y·c − X·s| < h/2: for the row's Y these are two spans of X, and outside both's
// common part (widened by two pixels against rounding) every sample is outside.
static void ReachedColumns(const SMOOTH &m, int32_t y, int32_t *from, int32_t *to)
{
    double lo = -1e30, hi = 1e30;
    // One bound: |X·k + Y·j| < half, over the row's Y range.
    auto slab = [&](double k, double j, double half) {
        if (std::fabs(k) < 1e-9)
            return; // no bound on X from this one
        double a = 1e30, b = -1e30;
        for (const double Y : {y - m.cy, y + 1 - m.cy})
            for (const double edge : {-half, half}) {
                const double X = (edge - Y * j) / k;
                a = X < a ? X : a, b = X > b ? X : b;
            }
        lo = a > lo ? a : lo, hi = b < hi ? b : hi;
    };
    slab(m.c, m.s, m.hw);
    slab(-m.s, m.c, m.hh);
    const double first = std::floor(m.cx + lo) - 2 - m.left,
                 last = std::ceil(m.cx + hi) + 2 - m.left;
    const int32_t width = m.right - m.left;
    *from = first <= 0 ? 0 : first >= width ? width : static_cast<int32_t>(first);
    *to = last <= 0 ? 0 : last >= width ? width : static_cast<int32_t>(last);
    *from &= ~3;
    *to = *to > *from ? (*to + 3) & ~3 : *from;
}

// Rows [top, bottom) of a smooth piece, with N·N·stride cells of working space.
template <int32_t N>
static void ComposeSmoothRows(const SMOOTH &m, int32_t *cells, int32_t top, int32_t bottom)
{
    static const bool avx2 = CPU_FEATURE_ACTIVE(AVX2);
    const auto sampleCells = avx2 ? SampleCellsAvx2 : SampleCellsBase;
    constexpr int32_t kSamples = N * N;
    const int32_t stride = m.stride, width = m.right - m.left;
    for (int32_t y = top; y < bottom; y++) {
        int32_t from, to;
        ReachedColumns(m, y, &from, &to);
        for (int32_t b = 0; b < N; b++) {
            const double Y = y + m.off[b] - m.cy;
            for (int32_t a = 0; a < N; a++)
                sampleCells(m, a, Y * m.s, Y * m.c, from, to, cells + (b * N + a) * stride);
        }
        const int32_t end = to < width ? to : width;
        uint8_t *d = DXPixel(m.out, m.left + from, y);
        for (int32_t x = from; x < end; x++, d += 3) {
            const int32_t *at = cells + x;
            // A sample's place moves one way along each axis of the sample grid, so the
            // four corner samples bound all the others: all four in one artwork pixel, so
            // are the rest.
            const int32_t first = at[0];
            if (first >= 0 && first == at[(N - 1) * stride] && first == at[N * (N - 1) * stride] &&
                first == at[(kSamples - 1) * stride]) {
                PutOne(m, d, m.pixels[first]);
                continue;
            }
            uint64_t sum = 0;
            uint32_t hits = 0;
            for (int32_t k = 0; k < kSamples; k++)
                AddSample(m.pixels[at[k * stride]], 1, &sum, &hits);
            if (hits)
                BlendAll<kSamples>(m, d, sum, hits);
        }
    }
}

int gComposeAlone;

int COMPOSE_ClipArtSmooth(LPDDS out, const IMGOBJ *obj, const XYWH &p)
{
    const LPDDS hi = obj->iiRes[HI_RES_OBJ].DDSSurface;
    const int32_t W = obj->iSrcWidth, H = obj->iSrcHeight;
    if (!hi || W <= 0 || H <= 0 || W > hi->iWidth || H > hi->iHeight)
        return 1;
    int32_t rw, rh;
    CalcRotatedSize(p.w, p.h, obj->iAngle, &rw, &rh);
    SMOOTH m;
    m.out = out, m.W = W, m.H = H;
    const double rad = obj->iAngle * 3.14159265358979 / 180.0;
    m.c = std::cos(rad), m.s = std::sin(rad);
    m.cx = p.x + p.w / 2.0, m.cy = p.y + p.h / 2.0;
    m.fx = static_cast<double>(W) / p.w, m.fy = static_cast<double>(H) / p.h;
    m.hw = p.w / 2.0, m.hh = p.h / 2.0;
    m.flipH = obj->bFlipH, m.flipV = obj->bFlipV;
    // Enough samples to see every artwork pixel a destination pixel covers, at least 3
    // for smooth edges when enlarging; at most 4 × 4.
    const double ratio = m.fx > m.fy ? m.fx : m.fy;
    m.n = ratio > 3 ? 4 : 3;
    for (int32_t k = 0; k < m.n; k++)
        m.off[k] = (k + 0.5) / m.n;
    const int32_t x0 = p.x + (p.w - rw) / 2, y0 = p.y + (p.h - rh) / 2;
    m.left = x0 < 0 ? 0 : x0;
    m.right = x0 + rw > out->iWidth ? out->iWidth : x0 + rw;
    const int32_t top = y0 < 0 ? 0 : y0;
    const int32_t bottom = y0 + rh > out->iHeight ? out->iHeight : y0 + rh;
    if (m.right <= m.left || bottom <= top)
        return 1;
    // Turned pieces sample the artwork pixel of every sample; unturned ones, whose
    // column and row samples are independent, the columns' once for the piece.
    const bool unturned = m.s == 0.0 && m.c == 1.0;
    m.stride = (m.right - m.left + 3) & ~3; // whole groups of four pixels
    const int64_t area = static_cast<int64_t>(m.right - m.left) * (bottom - top);
    const int threads = area >= 200000 && !gComposeAlone ? 2 : 1;
    std::vector<AXISSAMPLES> cols;
    std::vector<int32_t> cells;
    try {
        if (unturned) {
            cols.resize(static_cast<size_t>(m.right - m.left));
        } else {
            m.colC.resize(static_cast<size_t>(m.n) * m.stride);
            m.colS.resize(m.colC.size());
            cells.resize(static_cast<size_t>(threads) * m.n * m.n * m.stride);
        }
    } catch (const std::bad_alloc &) {
        return Fail("Out of memory");
    }
    // Its own block (huge pages when large): a fresh vector's zeroing and 4 KB faults
    // cost more than spreading the artwork into it.
    m.art.reset(static_cast<uint64_t *>(PLAT_PixelsAlloc((static_cast<size_t>(W) * H + 1) * 8)));
    if (!m.art)
        return Fail("Out of memory");
    const uint32_t key = hi->bHasColorKey ? hi->dwColorKey : 0xFFFFFF;
    m.art[0] = kKeyed; // where samples outside the artwork look
    m.pixels = m.art.get() + 1;
    m.alpha = obj->pArtBgra != nullptr;
    for (int32_t v = 0; m.alpha && v < H; v++) {
        const uint8_t *px = obj->pArtBgra + static_cast<size_t>(v) * W * 4;
        uint64_t *line = m.art.get() + 1 + static_cast<size_t>(v) * W;
        for (int32_t u = 0; u < W; u++, px += 4)
            line[u] = SpreadAlpha(px);
    }
    for (int32_t v = 0; !m.alpha && v < H; v++) {
        const uint8_t *px = DXPixel(hi, 0, v);
        uint64_t *line = m.art.get() + 1 + static_cast<size_t>(v) * W;
        for (int32_t u = 0; u < W; u++, px += 3) {
            const uint32_t colour = static_cast<uint32_t>(px[0] | px[1] << 8 | px[2] << 16);
            line[u] = Spread(colour) | (colour == key ? kKeyed : 0);
        }
    }
    if (unturned) {
        for (int32_t x = m.left; x < m.right; x++)
            cols[x - m.left] = SamplesAlong(m, x, m.cx, m.hw, m.fx, W, m.flipH);
    } else {
        for (int32_t a = 0; a < m.n; a++)
            for (int32_t i = 0; i < m.stride; i++) {
                const double X = m.left + i + m.off[a] - m.cx;
                m.colC[static_cast<size_t>(a) * m.stride + i] = X * m.c;
                m.colS[static_cast<size_t>(a) * m.stride + i] = -(X * m.s);
            }
    }
    // Rows [from, to) by the thread with working space k.
    auto rows = [&](int k, int32_t from, int32_t to) {
        if (unturned) {
            if (m.n == 3)
                ComposeUnturnedRows<3>(m, cols.data(), from, to);
            else
                ComposeUnturnedRows<4>(m, cols.data(), from, to);
            return;
        }
        int32_t *space = cells.data() + static_cast<size_t>(k) * m.n * m.n * m.stride;
        if (m.n == 3)
            ComposeSmoothRows<3>(m, space, from, to);
        else
            ComposeSmoothRows<4>(m, space, from, to);
    };
    // A large piece is shared between two threads, each with rows of its own.
    DXSplitRows(top, bottom, threads == 2, rows);
    return 1;
}
