// lookup.h — clip art found by name: the one place that turns a sticker's file name into
// a path, for the picture, the layout files and the clip-art dialog alike.
// Depends on: platform/ (the main directory, the user's sticker folder).
#pragma once

#include <cstddef>

// Whether name is a plain file name (no folder part, not "." or ".."): the only kind of
// name that is looked up, so a name read from a layout file reaches no other folder.
int ClipArt_PlainName(const char *name);
// Where clip art `name` may be: the main directory's clip-art folder (folder 0) or the
// user's sticker folder (folder 1). 0 when the name is not plain or the path would not
// fit (a cut path would name another file).
int ClipArt_Path(const char *name, int folder, char *path, size_t size);
// The path of sticker `name`: the clip-art folder's file when it exists, else the user's
// sticker folder's. 0 when the name is not plain, the path does not fit or no such file
// exists.
int ClipArt_FindFile(const char *name, char *path, size_t size);
