// Drag tracking: while a drag moves over the program's windows, the one tracking handler
// decides on entering a window whether the drag can be taken there (the automatic flavours and
// the "favoriteFlavors" user properties), finds the target under the mouse (the open field,
// another field, a picture graphic, a favourite object or the whole window), draws its hilite
// frame and the drag caret in fields, and clears them when the drag leaves.
#pragma once

#include <string>

#include "platform/drag/drag.h"
#include "platform/types.h"
#include "core/desk.h"
#include "store/records.h"

namespace kv {

// The tracking handler of every window (procedure-table slot 309): always noErr.
OSErr MyDefaultTrackingHandler(DragTrackingMessage message, WindowRef window, u32 refcon, DragRef drag);
// The receive handler of every window (slot 310).
OSErr MyDefaultReceiveHandler(WindowRef window, u32 refcon, DragRef drag);
// One in-window step while a browse tool or the text tool is chosen.
void TrackDragInBrowseWd(WindowRef window, DragRef drag, DragAttributes attributes, u16 tool);
// The field targets and the picture target under a global point.
bool DragIsInOpenField(Point global, RegistryId* rec, Handle* list, i16* index);
bool DragIsInOtherField(Point global, RegistryId* rec, Handle* list, i16* index);
bool DragIsInPictureDataContainer(Point global, Handle* list, i16* index);
// A dragged file: its type (from the name's extension when the flavour gives 0) and its POSIX
// path (UTF-8), read from an item's 'hfs ' flavour {type, creator, flags, path length, path};
// false when the flavour is missing or unreadable.
struct DraggedFile {
  OSType type = 0;
  std::string path;
};
bool draggedfile(DragRef drag, DragItemRef item, DraggedFile* out);
// A folder ('fold') whose name ends in ".rtfd": an RTF package.
bool rtfdfolder(const DraggedFile& f);
// Whether an image importer reads the file (the importers there, version 25 or later).
bool importablefile(const DraggedFile& f);
// The importers' first version.
constexpr i32 kFirstImporterVersion = 25;
// The topmost object under a card point of a window context (the edited background's, else the
// card's and then the background's), optionally passing over the object being dragged.
bool topdropobject(const desk& d, Point local, bool skipdragged, Handle* list, i16* index);
// Hit tests of an object at a local (card) point, within 2 pixels of its shape.
bool lowinsidespot(const spot& object, Point local);
bool lowinpicturespot(const spot& object, Point local);
// Moves and blinks the drag caret in a record (local point), and draws or erases it.
void DoInsertCaret(Point local, RegistryId rec);
void weDrawCaret(i32 offset, RegistryId rec);
// The hilite frame: a 3-pixel band inside or outside a region (window-local) in the program's
// windows, the platform's hilite elsewhere; the pixels under it come back when it goes.
void myShowDragHilite(DragRef drag, RgnHandle region, bool inside);
void myHideDragHilite(DragRef drag);
void HiliteDragField(DragRef drag, Handle list, i16 index);
void HiliteDragSpot(DragRef drag, Handle list, i16 index);
void HiliteDragWindow(DragRef drag, WindowRef window);

}  // namespace kv
