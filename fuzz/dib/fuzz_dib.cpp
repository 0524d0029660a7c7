// Fuzz target: the bitmap decoder and the packed-DIB builder on arbitrary bytes.
#include <cstdint>
#include <cstdlib>

#include "pixels/pixels.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    DIBIMAGE image;
    const char *why = nullptr;
    // A pixel limit keeps single inputs fast; the checks under test are the same.
    if (DibDecodeLimit(data, size, &image, &why, 1 << 20)) {
        // Touch every output byte so the sanitizers see any write past the rows.
        unsigned sum = 0;
        for (int32_t y = 0; y < image.iHeight; y++)
            for (int32_t x = 0; x < image.iPitch; x++)
                sum += image.pBits[static_cast<size_t>(y) * image.iPitch + x];
        if (sum == 0xFFFFFFFFu)
            std::abort(); // never: keeps the loop from being optimised away
        DibFreeImage(&image);
    }
    if (BITMAPINFOHEADER *dib = DibPack(data, size)) {
        // The block must hold what its header announces.
        const uint8_t *bytes = reinterpret_cast<const uint8_t *>(dib);
        size_t masks = dib->biCompression == 3 ? 12 : 0;
        size_t end = 40 + masks + static_cast<size_t>(dib->biClrUsed) * 4 + dib->biSizeImage;
        volatile uint8_t last = bytes[end - 1];
        (void)last;
        DibFree(dib);
    }
    return 0;
}
