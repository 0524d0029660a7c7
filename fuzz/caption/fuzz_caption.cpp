// Feeds arbitrary bytes to a caption as a layout file's record gives it: the first 476
// bytes are the record (its size, angle, mirroring and style), the rest its text. The text
// is cleaned and the caption drawn at the record's size (held to a small box so inputs
// stay fast), mirrored and turned.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "document/layout.h"
#include "picture/caption.h"
#include "platform/trail.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    uint8_t block[LAYOUT_RECORD_SIZE] = {};
    std::memcpy(block, data, std::min(size, sizeof block));
    LAYOUTRECORD r;
    LayoutGetRecord(block, &r);
    const char *text = reinterpret_cast<const char *>(data) + std::min(size, sizeof block);
    const size_t textSize = size > sizeof block ? size - sizeof block : 0;

    int cut = 0;
    CAPTION c;
    c.text = CAPTION_CleanText(text, textSize, &cut);
    // Clean text is clean: cleaning it again changes nothing, and it keeps to the limits.
    if (CAPTION_CleanText(c.text.data(), c.text.size()) != c.text ||
        c.text.size() > CAPTION_MAX_BYTES || CAPTION_CountChars(c.text) > CAPTION_MAX_CHARS)
        __builtin_trap();
    c.style = CAPTION_CleanStyle({r.iCaptionStyle[0], static_cast<uint32_t>(r.iCaptionStyle[1]),
                                  static_cast<uint32_t>(r.iCaptionStyle[2]), r.iCaptionStyle[3],
                                  r.iCaptionStyle[4], r.iCaptionStyle[5]});
    const int32_t w = 1 + static_cast<int32_t>(static_cast<uint32_t>(r.iWidth) % 320);
    const int32_t h = 1 + static_cast<int32_t>(static_cast<uint32_t>(r.iHeight) % 200);
    const int32_t angle = static_cast<int32_t>(static_cast<uint32_t>(r.iAngle) % 361);
    CAPTIONIMAGE img;
    if (CAPTION_RenderPlaced(c, w, h, angle, r.bFlipH & 1, r.bFlipV & 1, &img)) {
        if (img.bgra.size() != static_cast<size_t>(img.w) * img.h * 4)
            __builtin_trap();
        for (size_t i = 0; i < img.bgra.size(); i += 4) // premultiplied: no channel over alpha
            if (img.bgra[i] > img.bgra[i + 3] + 1 || img.bgra[i + 1] > img.bgra[i + 3] + 1 ||
                img.bgra[i + 2] > img.bgra[i + 3] + 1)
                __builtin_trap();
    }
    TrailClear();
    return 0;
}
