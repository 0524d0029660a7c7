// exportcmd.h — the headless command line: export a layout file or a photo as a
// composed JPEG, PNG or WebP picture.
//
//   merrowick --export INPUT OUTPUT [--size WIDTHxHEIGHT] [--quality N]
//   merrowick --help | --version
//
// Runs without a window: the layout's photo and pieces (or the photo alone) are loaded,
// composed at the requested size (the photo's own by default) and written as a PNG
// (OUTPUT.png), a WebP (OUTPUT.webp) or a JPEG (any other name), at quality 90 unless
// --quality says otherwise. No toolkit code.
#pragma once

#include <cstdint>

// Handles the command line when it asks for --export, --help or --version: sets
// *handled to 1 and returns the exit status (0 success, 1 failed export with the
// error trail on standard error, 2 bad usage). Otherwise sets *handled to 0 and
// returns 0, and the program starts normally.
int RunExportCommand(int argc, char **argv, int *handled);
// Parses "WIDTHxHEIGHT" (each 1 to the largest surface side, the export buffer, rows
// padded to a multiple of 8 pixels, within the largest surface). 0 when the text is not
// such a size.
int ParseExportSize(const char *text, int32_t *width, int32_t *height);
// Parses a quality: a whole number from 1 to 100. 0 when the text is not one.
int ParseExportQuality(const char *text, int32_t *quality);
// Composes a demonstration picture (a painted photo with two hats and a speech bubble from
// the data folder) and writes it as a JPEG: what the program makes, where no window can be
// shown. 0 with the trail printed to standard error.
int WriteDemoPicture(const char *output);
// Saves a layout of the photo with `pieces` pieces from the data folder (clip art, some
// turned or mirrored, and every fourth a speech bubble): a picture to measure exports by.
// 0 with the trail printed to standard error.
int WriteDemoLayout(const char *photo, const char *output, int pieces);
