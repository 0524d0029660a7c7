// jpegsource.cpp — libjpeg's source manager over the file layer (see jpegsource.h).
#include "formats/jpegsource.h"

#include <cerrno>

#include <jerror.h>

#include "platform/file.h"

static void SourceNothing(j_decompress_ptr) {}

// Refills the buffer; never suspends.
static boolean SourceFill(j_decompress_ptr cinfo)
{
    JPEGFILESOURCE *src = reinterpret_cast<JPEGFILESOURCE *>(cinfo->src);
    ssize_t n = PLAT_FileReadAll(src->fd, src->buffer, sizeof src->buffer);
    if (n < 0) {
        src->error = errno ? errno : EIO;
        ERREXIT(cinfo, JERR_FILE_READ);
    }
    if (n == 0) {
        if (!src->started)
            ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        src->buffer[0] = 0xFF;
        src->buffer[1] = JPEG_EOI;
        n = 2;
    }
    src->started = true;
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = static_cast<size_t>(n);
    return TRUE;
}

static void SourceSkip(j_decompress_ptr cinfo, long count)
{
    jpeg_source_mgr *src = cinfo->src;
    if (count <= 0)
        return;
    while (static_cast<size_t>(count) > src->bytes_in_buffer) {
        count -= static_cast<long>(src->bytes_in_buffer);
        SourceFill(cinfo);
    }
    src->next_input_byte += count;
    src->bytes_in_buffer -= static_cast<size_t>(count);
}

void JpegFileSource(j_decompress_ptr cinfo, JPEGFILESOURCE *src)
{
    src->pub.init_source = SourceNothing;
    src->pub.fill_input_buffer = SourceFill;
    src->pub.skip_input_data = SourceSkip;
    src->pub.resync_to_restart = jpeg_resync_to_restart;
    src->pub.term_source = SourceNothing;
    src->pub.bytes_in_buffer = 0;
    src->pub.next_input_byte = nullptr;
    src->error = 0;
    src->started = false;
    cinfo->src = &src->pub;
}
