// strings.cpp — LoadText over the string table compiled into the program.
//
// The table (strings.inc) is written in UTF-8 so that it reads well; it is converted to
// 8-bit Windows Latin-1 (code page 1252) at compile time, so the program holds and hands
// out the same bytes a Windows string resource would. The conversion also checks the
// table: a character outside the code page, a malformed UTF-8 sequence, an id outside
// 1..2999 or an id given twice stops the build.
#include "resources/strings/strings.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>

int32_t gLanguageOffset;

namespace
{

struct Row {
    int iId;
    const char *pszEnglish;
    const char *pszSwedish;
};

constexpr Row kRows[] = {
#include "resources/strings/strings.inc"
};

constexpr int kRowCount = int(sizeof kRows / sizeof kRows[0]);
constexpr int kEntryCount = 2 * kRowCount;

// The code-page 1252 byte of a Unicode code point. Throwing during constant evaluation
// makes the build fail at the offending text.
constexpr unsigned char ToCp1252(unsigned cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return (unsigned char)cp;
    // The printable characters code page 1252 places in 0x80..0x9F.
    constexpr unsigned kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    for (unsigned i = 0; i < 32; i++)
        if (kHigh[i] == cp)
            return (unsigned char)(0x80 + i);
    throw "string table: character outside code page 1252";
}

// Decodes one UTF-8 sequence at s[i], advancing i past it.
constexpr unsigned DecodeUtf8(const char *s, size_t &i)
{
    unsigned char c = (unsigned char)s[i++];
    if (c < 0x80)
        return c;
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
    if (extra < 0 || c >= 0xF8)
        throw "string table: malformed UTF-8";
    unsigned cp = c & (0x3F >> extra);
    for (int k = 0; k < extra; k++) {
        unsigned char t = (unsigned char)s[i++];
        if ((t & 0xC0) != 0x80)
            throw "string table: malformed UTF-8";
        cp = (cp << 6) | (t & 0x3F);
    }
    return cp;
}

constexpr size_t EncodedLength(const char *s)
{
    size_t n = 0;
    for (size_t i = 0; s[i];) {
        ToCp1252(DecodeUtf8(s, i));
        n++;
    }
    return n;
}

constexpr size_t PoolSize()
{
    size_t n = 0;
    for (const Row &r : kRows)
        n += EncodedLength(r.pszEnglish) + 1 + EncodedLength(r.pszSwedish) + 1;
    return n;
}

struct Entry {
    int iAbsId;  // id + language offset
    int iOffset; // start of the text in the pool
};

struct Table {
    std::array<char, PoolSize()> pool{};
    std::array<Entry, kEntryCount> index{};
};

constexpr size_t Append(Table &t, size_t at, const char *s)
{
    for (size_t i = 0; s[i];)
        t.pool[at++] = (char)ToCp1252(DecodeUtf8(s, i));
    t.pool[at++] = '\0';
    return at;
}

constexpr Table BuildTable()
{
    Table t;
    size_t at = 0;
    int n = 0;
    for (const Row &r : kRows) {
        if (r.iId < 1 || r.iId >= LANGUAGE_SWEDISH)
            throw "string table: id outside 1..2999";
        if (!r.pszSwedish[0] && r.pszEnglish[0])
            throw "string table: Swedish text missing";
        t.index[n++] = {r.iId, int(at)};
        at = Append(t, at, r.pszEnglish);
        t.index[n++] = {r.iId + LANGUAGE_SWEDISH, int(at)};
        at = Append(t, at, r.pszSwedish);
    }
    std::sort(t.index.begin(), t.index.end(),
              [](const Entry &a, const Entry &b) { return a.iAbsId < b.iAbsId; });
    for (int i = 1; i < kEntryCount; i++)
        if (t.index[i].iAbsId == t.index[i - 1].iAbsId)
            throw "string table: id given twice";
    return t;
}

constexpr Table kTable = BuildTable();

// The ring of LoadText: a text stays intact through the next 19 loads.
char sRing[20][1000];
int32_t sRingIndex;

} // namespace

const char *StringTableLookup(int absoluteId)
{
    const Entry *first = kTable.index.data();
    const Entry *last = first + kEntryCount;
    const Entry *e = std::lower_bound(first, last, absoluteId,
                                      [](const Entry &a, int id) { return a.iAbsId < id; });
    if (e == last || e->iAbsId != absoluteId)
        return nullptr;
    return kTable.pool.data() + e->iOffset;
}

int StringTableCount()
{
    return kEntryCount;
}

int StringTableId(int index)
{
    if (index < 0 || index >= kEntryCount)
        return -1;
    return kTable.index[index].iAbsId;
}

const char *LoadTextWith(int id, const char *(*lookup)(int absoluteId))
{
    // The index moves before the load, so the first load uses buffer 1.
    sRingIndex = sRingIndex < 19 ? sRingIndex + 1 : 0;
    const char *text = lookup ? lookup(id + gLanguageOffset) : nullptr;
    if (!text)
        return "NOT DEFINED!"; // the buffer keeps what it held
    char *buf = sRing[sRingIndex];
    size_t n = strnlen(text, LOADTEXT_MAX_CHARS);
    std::memcpy(buf, text, n);
    buf[n] = '\0';
    return buf;
}

const char *LoadText(int id)
{
    return LoadTextWith(id, StringTableLookup);
}
