// autosave.h — the unsaved picture kept on disk, offered back after a crash.
//
// While the picture is modified, it is written into the autosave folder
// ($XDG_STATE_HOME/merrowick/, by default ~/.local/state/merrowick/) no later than the
// interval after a change. The photo's rows are written once per photo (when it is opened,
// cut or turned) into a file of their own; each write after a change takes the rest of
// the layout (pieces, text, captions: a few kilobytes) on the window's thread and a worker
// thread writes it, with the rows read straight from the photo's image, held for it
// (pixels.h DXHoldSurface): a photo cut, turned or closed meanwhile leaves the image to
// the worker, which stops. Every file goes through a temporary file renamed over the last one,
// the rows before the picture that names them, so a crash mid-write leaves the previous
// autosave whole. Put back together, the two are the bytes Save writes.
//
// Each running program has its own slot, "<pid>-<start time>", whose ".lock" file it holds
// locked while it runs: ".mwi" is the picture (a whole layout, or the layout without the
// photo's rows, which lie in "<serial>.photo"), ".txt" its document name and time. A clean
// end removes the slot. A slot whose lock nobody holds and whose picture is there is the
// work of a run that did not end cleanly; the next program to start claims it (taking its
// lock, so no other program offers it too) and offers it back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>

constexpr int32_t AUTOSAVE_DEFAULT_SECONDS = 30; // SETUP/AutosaveSeconds
constexpr int32_t AUTOSAVE_MIN_SECONDS = 5;
constexpr int32_t AUTOSAVE_MAX_SECONDS = 600;

// What an autosave remembers of its document.
struct AUTOSAVEINFO {
    char szPicture[4096]; // the autosaved layout file
    char szDir[4096];     // the document's folder, name and extension when it was written
    char szName[256];
    char szExt[256];
    int32_t bNeedsSaveAs;
    std::time_t tWritten; // when it was written
};

// The autosave folder with a trailing separator: $XDG_STATE_HOME/merrowick/ or
// $HOME/.local/state/merrowick/. 0 when neither is set.
int AUTOSAVE_Folder(char *out, size_t size);
// Takes a slot in folder (made when missing) and writes at most `seconds` after a change
// (brought within AUTOSAVE_MIN_SECONDS .. AUTOSAVE_MAX_SECONDS). 0 with the trail filled
// when no slot can be made there: the ticks try again whenever a write is due.
int AUTOSAVE_Start(const char *folder, int32_t seconds);
// A clean end: waits for a write under way, removes the slot.
void AUTOSAVE_Stop();
// An end that keeps the slot's picture for the next start to offer (a signal ended the
// program): waits for a write under way and lets go of the slot.
void AUTOSAVE_Leave();
// Writes the picture now, waiting for the file, when it has changes not yet written
// (a signal is about to end the program). 1 when nothing unsaved is left unwritten.
int AUTOSAVE_WriteNow();
// The picture was saved, or its changes were discarded: its autosave goes.
void AUTOSAVE_Discard();
// Called about once a second with the millisecond clock: starts a write when the picture
// is modified, changed since the last write, and the first change not yet written is
// nearly `seconds` old. 1 when a write started. A write that fails (a full disk, a
// folder that cannot be made) is said once in the status bar and tried again an
// interval later; the first that succeeds after it says so too.
int AUTOSAVE_Tick(uint32_t nowMs);
// Waits for a write under way. 1 when the last write succeeded.
int AUTOSAVE_Wait();
// The last write: milliseconds taken on the window's thread (the snapshot) and by the
// worker (the file).
void AUTOSAVE_LastCost(double *snapshotMs, double *writeMs);
// The bytes the last write put on disk, all its files.
size_t AUTOSAVE_LastBytes();

// Claims the autosave of a run that did not end cleanly, the newest first: 1 with info
// filled; the claim holds the slot's lock until AUTOSAVE_ReleaseOrphan. Slots of ended
// runs that hold no picture are cleared on the way.
int AUTOSAVE_FindOrphan(AUTOSAVEINFO *info);
// The claimed picture as the layout Save would have written: path names info's picture
// itself when it was written whole, else the picture put together in memory with the
// photo's rows kept beside it (valid until AUTOSAVE_ReleaseOrphan). 0 with the trail
// filled when the photo's rows are missing, cut short or belong to another picture.
int AUTOSAVE_OrphanLayout(const AUTOSAVEINFO *info, char *path, size_t size);
// Lets go of the claimed slot; remove 1 deletes its files (restored or declined).
void AUTOSAVE_ReleaseOrphan(int remove);
