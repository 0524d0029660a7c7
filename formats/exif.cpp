// exif.cpp — the one EXIF value the program reads: how a camera photo is turned.
//
// Phones and cameras store many photos sideways and record in the orientation tag
// (0x0112 of the first image directory) how to show them upright. Everything here reads
// within the segment's bytes; anything that does not add up means "upright as stored".
#include <cstring>

#include "formats/formats.h"

namespace
{

struct TiffReader {
    const uint8_t *p;
    size_t size;
    bool bigEndian;

    // A 16- or 32-bit value at an offset; false when it would read past the end.
    bool U16(size_t at, uint32_t *v) const
    {
        if (at > size || size - at < 2)
            return false;
        *v = bigEndian ? (p[at] << 8 | p[at + 1]) : (p[at + 1] << 8 | p[at]);
        return true;
    }
    bool U32(size_t at, uint32_t *v) const
    {
        uint32_t hi, lo;
        if (!U16(at, bigEndian ? &hi : &lo) || !U16(at + 2, bigEndian ? &lo : &hi))
            return false;
        *v = hi << 16 | lo;
        return true;
    }
};

} // namespace

int32_t ExifOrientation(const uint8_t *app1, size_t size)
{
    static const uint8_t kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (!app1 || size < 6 + 8 || std::memcmp(app1, kExif, 6) != 0)
        return 1;
    TiffReader t = {app1 + 6, size - 6, false};
    if (t.p[0] == 'M' && t.p[1] == 'M')
        t.bigEndian = true;
    else if (t.p[0] != 'I' || t.p[1] != 'I')
        return 1;
    uint32_t magic, ifd, count;
    if (!t.U16(2, &magic) || magic != 42 || !t.U32(4, &ifd) || !t.U16(ifd, &count))
        return 1;
    for (uint32_t i = 0; i < count; i++) {
        const size_t entry = static_cast<size_t>(ifd) + 2 + 12 * static_cast<size_t>(i);
        uint32_t tag, type, n, value;
        if (!t.U16(entry, &tag) || !t.U16(entry + 2, &type) || !t.U32(entry + 4, &n))
            return 1;
        if (tag != 0x0112)
            continue;
        // A SHORT, stored in the first two bytes of the value field.
        if (type != 3 || n != 1 || !t.U16(entry + 8, &value) || value < 1 || value > 8)
            return 1;
        return static_cast<int32_t>(value);
    }
    return 1;
}
