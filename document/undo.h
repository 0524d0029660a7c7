// undo.h — the edit history: undo and redo of every change to the picture's pieces.
//
// A step is a small description of one change: for each piece it touched, the piece's
// fields before and after (kind, file name, position and exact size relative to the
// picture, angle, mirroring, text and style), the stacking order of the pieces when it
// changed, and a quarter turn of the photo. No pixels are kept but a cropped photo's: a
// deleted piece is rebuilt from its file, a turn of the photo is undone by turning it back,
// and a crop by giving the photo back the whole image it kept. The history holds
// UNDO_MAX_STEPS steps; the oldest are dropped first.
//
// Changes are bracketed by the picture's PICTURE_ChangeBegin / PICTURE_ChangeEnd, which
// reach UNDO_ChangeBegin and UNDO_ChangeEnd through the PICTURE_NOTIFY block the program
// installs (imgobj.h): Begin notes the pieces as they are, End compares and keeps
// the difference as one step (nothing when nothing changed). A drag that another change
// or a save interrupts goes on as a step of its own. The runs of one held button
// or one turn of the wheel make one step: an End of such a tag joins the step before when
// it is of the same tag, on the same piece, and began within UNDO_RUN_GAP_MS of its end.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int32_t UNDO_MAX_STEPS = 200;
constexpr uint32_t UNDO_RUN_GAP_MS = 700;

// Empties the history. changed (may be null) is called whenever what can be undone or
// redone may have changed: the window greys its commands by it.
void UNDO_Init(void (*changed)() = nullptr);
// Empties the history and forgets `changed`.
void UNDO_Shutdown();
// The change hooks, for PICTURE_NOTIFY's ChangeBegin and ChangeEnd: Begin notes the
// pieces, End keeps what changed as a step.
void UNDO_ChangeBegin(int32_t tag);
void UNDO_ChangeEnd(int32_t tag);
// Forgets every step (a picture was opened or created); the present state is the saved one.
void UNDO_Clear();
// The present state is the one on disk: undoing or redoing back to it clears gModified.
void UNDO_MarkSaved();
// No state of the history is on disk (a picture restored from its autosave): undoing and
// redoing leave gModified set until the next save.
void UNDO_ForgetSaved();

int UNDO_CanUndo();
int UNDO_CanRedo();
// Undoes or redoes one step: pieces rebuilt, removed, changed back and restacked, the
// photo turned. The changed piece is selected. gModified follows the saved state. 0 with
// the trail filled when there was nothing to do or a piece could not be rebuilt (the
// rest of the step is applied all the same, and the step moves).
int UNDO_Undo();
int UNDO_Redo();

// Turns the photo a quarter (PhotoRotate) as one step of the history.
int UNDO_PhotoRotate(int32_t angle);
// Cuts the photo to (x, y, width, height) of its pixels (PhotoCrop) as one step of the
// history, which keeps the whole photo as it was to undo it; marks the picture modified.
// 0 with the trail filled (nothing changed).
int UNDO_PhotoCrop(int32_t x, int32_t y, int32_t width, int32_t height);
// The cuts whose cut-away parts the history keeps at most; older steps are dropped first.
constexpr int32_t UNDO_MAX_KEPT_PHOTOS = 4;

// Copies the selected piece dx, dy pixels further right and down, as one step: the copy
// is rebuilt from the same record of the piece that an undo rebuilds a deleted one from
// (its kind, file, size, turn, mirroring, text and style), so every kind of piece the
// history keeps is copied alike. The copy goes in front and is selected. 0 with the trail
// filled when no piece is selected or it cannot be rebuilt (nothing changed).
int UNDO_DuplicateSelected(int32_t dx, int32_t dy);
// How far Edit > Duplicate puts the copy from its original, right and down, in pixels.
constexpr int32_t DUPLICATE_OFFSET = 12;
// Counts the history's changes (a step added or extended, undone, redone, the history
// cleared): the autosave writes again when it moved.
uint32_t UNDO_Generation();

// How many steps are held, and the bytes they take (for the bound's test).
int32_t UNDO_StepCount();
size_t UNDO_Bytes();
