// jpegsource.h — libjpeg's source manager over the file layer (platform/file.h), for
// the JPEG decoder.
#pragma once

#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

// The file read through the file layer, 64 KB at a time. A read that fails ends the
// decode with libjpeg's error (its errno kept in `error`); an early end of the file ends
// the picture, as libjpeg's own source does (the rows not read stay grey).
struct JPEGFILESOURCE {
    jpeg_source_mgr pub;
    int fd;    // the open file, read from where it stands
    int error; // errno of a failed read; 0 while none failed
    bool started;
    JOCTET buffer[64 << 10];
};

// Makes src, reading src->fd, the decoder's source.
void JpegFileSource(j_decompress_ptr cinfo, JPEGFILESOURCE *src);
