// The drag state that drag sending, drag tracking and drop reception share: what this program
// is dragging and what lies under a drag. It holds registry and record ids only (the object
// lists are handle ids), never pointers.
#pragma once

#include <string>

#include "platform/drag/drag.h"
#include "core/desk.h"
#include "store/objread.h"
#include "store/records.h"

namespace kv {

struct DragToolState {
  objread gDragRead{};          // the reference of the drag this program started; the 'MDOX' data
  spot gDragSpot{};             // the dragged object, copied when a drag enters a window
  spot gTargetObj{};            // the target object under the mouse
  Handle gTargetQ = nilhandle;  // the target object's list and index (-1 none)
  i16 gTargetIdx = -1;
  RegistryId gTargetRec = nilid;  // the target field's text record
  desk gTargetDesk{};             // the window context of the window under the drag
  u8 gTargetWdHasDesk = 0;
  OSType gDragFlavor = 0x20202020;  // 'TEXT', 'PICT', 'RTF ', '????' or four blanks
  u8 gDragIsText = 0, gDragIsImage = 0, gDragIsRTF = 0, gDragIsSpot = 0, gDragIsIcon = 0;
  u8 gDragIsInOpenField = 0, gDuplicatingSpot = 0;
  RegistryId gSourceRec = nilid;  // the text record whose selection is dragged
  u16 gCanAcceptItems = 0, gIsFavoriteFlavor = 0, gIsWindowFavorite = 0, gCursorInContent = 0;
  i32 gInsertPosition = 0, gLastOffset = 0, gCaretOffset = 0;
  u16 gCaretShow = 0;
  u8 gDropCaret = 0;  // a drag caret was showing when the drop came (it is erased at once)
  u32 gCaretTime = 0;
  u16 gDragTrackingMessage = 0;
  WindowRef gDragTargetWindow = nilid;
  RgnHandle gDragHiliteRgn = nilid;   // the frame drawn (window-local)
  GWorldPtr gDragHiliteBits = nilid;  // the pixels under it
  DragRef gHiliteDrag = nilid;        // the drag and window the frame was drawn for
  WindowRef gHiliteWindow = nilid;
  bool trackerinstalled = false, receiverinstalled = false;
  DragRef currentdrag = nilid;  // the drag being tracked or received (dragFlavors, dragData)
  std::string dragobject;       // the dragged object's long reference while TrackDrag runs
};
DragToolState& dragtoolstate();

// Resets the drag state (before and after every drag started here, and when the handlers are
// installed). The hilite frame and its saved pixels are left to the tracking side.
void resetdragstate();

// Flag bits of an object used by drag and drop.
constexpr u32 kSpotAllowDrag = 1u << 16, kSpotAllowDrop = 1u << 17, kSpotLockText = 1u << 3;

constexpr OSType kFlavorMDOX = 0x4D444F58;  // 'MDOX': one object reference of this program
constexpr u16 kDragSelectionKind = 6;       // 'MDOX' kind: the selected objects of one list

}  // namespace kv
