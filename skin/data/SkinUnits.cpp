// The start-up of the skin toolkit in every program that uses it (this file is compiled
// into each such program, so that nothing of it is left out of the link): the drag-and-
// copy cursor becomes screen cursor crSkinDragCopy, and the shell folders unit makes the
// desktop's folder and initialises OLE on the main thread.
#include "framework/Forms.h"
#include "skin/data/ShellFolders.h"

namespace {

// The skin toolkit's drag-and-copy cursor (resource "SP_CAT_DRAG_COPY" of the program).
constexpr int crSkinDragCopy = -23;

struct TSkinCursorsUnit {
  TSkinCursorsUnit() {
    if (!Screen) return;
    // A cursor of its own (not the module's shared one): the screen frees it.
    auto cursor = static_cast<HCURSOR>(LoadImageA(GetModuleHandleA(nullptr), "SP_CAT_DRAG_COPY",
                                                  IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE));
    if (cursor) Screen->SetCursors(crSkinDragCopy, cursor);
  }
};
TSkinCursorsUnit g_SkinCursorsUnit;

// Keeps the shell folders unit (and its start-up) in the program.
TspShellFolder** const g_KeepShellFolders = &DesktopFolder;

}  // namespace
