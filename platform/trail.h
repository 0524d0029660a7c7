// trail.h — the error trail.
//
// One global text to which a failing routine appends its line (with a line feed) and
// returns 0; callers up the chain add their own lines; the top level shows the whole
// trail once in a message box titled "Error" and empties it. The capacity holds far
// more than the longest trail one failing operation writes; a line that would not
// fit is dropped whole, so appending never writes past the end.
#pragma once

#include <cstddef>

constexpr size_t ERROR_TRAIL_SIZE = 16384;
extern char gErrorTrail[ERROR_TRAIL_SIZE];

// Appends one line (a line feed is added). Returns 0, so a failure reads
// `return Fail("DXBlt() !");`.
int Fail(const char *line);
// Appends one printf-formatted line; returns 0.
int Failf(const char *format, ...) __attribute__((format(printf, 1, 2)));
// Appends text exactly as given (no line feed added).
void TrailAppend(const char *text);
// Whether the trail holds anything.
int TrailPending();
// Empties the trail.
void TrailClear();
// The trail's length now, for TrailRewind.
size_t TrailMark();
// Drops the lines appended since TrailMark returned `mark`: a failure that is handled
// leaves nothing for the next, unrelated error box.
void TrailRewind(size_t mark);
// Shows the trail in a message box titled with string 14 ("Error", stop icon), owned by
// the main window (or by no window when bNoOwner is 1), then empties it. Does nothing
// when the trail is empty.
void ShowErrorTrail(int bNoOwner = 0);
