// The Drag Manager over the window model. A drag is a registry object holding items (each with a
// reference number and bounds) that carry flavours: typed data given at once, or promised and
// made by the drag's send procedure the first time a receiver asks for it. TrackDrag is a modal
// loop that follows the mouse (the real one, or the headless input timeline) from a mouse-down
// until the button goes up; it tells the tracking handlers of the window under the mouse where
// the drag is (messages 1-5) and, on release, offers the drop to that window's receive
// handlers. While it runs the compositor shows the drag's image, or its outline, above every
// window.
//
// Drags begin and end in this program's windows: nothing is dragged out to another program.
// Drops from other programs (files and texts) arrive whole, at one point, with no hovering.
#pragma once

#include <string>

#include "platform/backend/backend.h"
#include "platform/drag/draghilite.h"
#include "platform/events/eventrecord.h"
#include "platform/qd/qdtypes.h"
#include "platform/types.h"
#include "platform/windows/windows.h"

namespace kv {

using DragItemRef = u32;
using FlavorType = OSType;
using FlavorFlags = u32;
using DragAttributes = u32;
using DragTrackingMessage = i16;

enum : OSErr {
  badDragRefErr = -1850,
  badDragItemErr = -1851,
  badDragFlavorErr = -1852,
  duplicateFlavorErr = -1853,
  cantGetFlavorErr = -1854,
  duplicateHandlerErr = -1855,
  handlerNotFoundErr = -1856,
  dragNotAcceptedErr = -1857,
};

enum : FlavorFlags {
  flavorSenderOnly = 1,  // only the sending program may read it
  flavorSenderTranslated = 2,
  flavorNotSaved = 4,
  flavorSystemTranslated = 0x100,
  flavorDataPromised = 0x200,  // no data yet: the send procedure makes it when asked
};

enum : DragAttributes {
  kDragHasLeftSenderWindow = 1u << 0,
  kDragInsideSenderApplication = 1u << 1,
  kDragInsideSenderWindow = 1u << 2,
};

enum : DragTrackingMessage {
  kDragTrackingEnterHandler = 1,
  kDragTrackingEnterWindow = 2,
  kDragTrackingInWindow = 3,
  kDragTrackingLeaveWindow = 4,
  kDragTrackingLeaveHandler = 5,
};

// The translucency of a drag image (SetDragImage's flags): standard, dark, darker, opaque.
enum : u32 {
  kDragStandardTranslucency = 0,
  kDragDarkTranslucency = 1,
  kDragDarkerTranslucency = 2,
  kDragOpaqueTranslucency = 3,
};
// The opacity the compositor gives an image of a translucency (0 to 3; others as 0).
float dragimageopacity(u32 translucency);

// Handlers and the send procedure get the reference constant they were installed with.
using DragTrackingHandler = OSErr (*)(DragTrackingMessage message, WindowRef window, u32 refcon, DragRef drag);
using DragReceiveHandler = OSErr (*)(WindowRef window, u32 refcon, DragRef drag);
using DragSendDataProc = OSErr (*)(FlavorType type, u32 refcon, DragItemRef item, DragRef drag);

// --- Drags and their items --------------------------------------------------------------
OSErr NewDrag(DragRef* drag);
OSErr DisposeDrag(DragRef drag);
bool IsValidDrag(DragRef drag);
// Adds a flavour to an item (the item is made when its reference is new). A null `data`
// promises the flavour: its data comes from the send procedure when first asked for.
OSErr AddDragItemFlavor(DragRef drag, DragItemRef item, FlavorType type, const void* data, i32 size, FlavorFlags flags);
// Sets the data of a flavour (a send procedure delivering a promise): bytes from `offset` on.
OSErr SetDragItemFlavorData(DragRef drag, DragItemRef item, FlavorType type, const void* data, i32 size, u32 offset);
OSErr SetDragSendProc(DragRef drag, DragSendDataProc proc, u32 refcon);
OSErr CountDragItems(DragRef drag, u16* count);
// The reference of the item at `index` (from 1).
OSErr GetDragItemReferenceNumber(DragRef drag, u16 index, DragItemRef* item);
OSErr CountDragItemFlavors(DragRef drag, DragItemRef item, u16* count);
// The type of the flavour at `index` (from 1), in the order the flavours were added.
OSErr GetFlavorType(DragRef drag, DragItemRef item, u16 index, FlavorType* type);
OSErr GetFlavorFlags(DragRef drag, DragItemRef item, FlavorType type, FlavorFlags* flags);
// The size of a flavour's data; a promised flavour is made first.
OSErr GetFlavorDataSize(DragRef drag, DragItemRef item, FlavorType type, i32* size);
// Copies up to *size bytes of a flavour's data from `offset`; *size gets the count copied.
OSErr GetFlavorData(DragRef drag, DragItemRef item, FlavorType type, void* data, i32* size, u32 offset);
OSErr SetDragItemBounds(DragRef drag, DragItemRef item, const Rect* bounds);
OSErr GetDragItemBounds(DragRef drag, DragItemRef item, Rect* bounds);

// The image shown while the drag moves: the pixel map's pixels inside `mask` (global once moved
// by `offset`), at a translucency. The pixels are copied.
OSErr SetDragImage(DragRef drag, PixMapHandle image, RgnHandle mask, Point offset, u32 translucency);
// Whether a drag carries an image (tests and the drag code's own checks).
bool draghasimage(DragRef drag);

// --- What a handler asks while the drag runs ---------------------------------------------
OSErr GetDragAttributes(DragRef drag, DragAttributes* flags);
// The modifiers now, at the mouse-down and at the mouse-up (0 until the button goes up).
OSErr GetDragModifiers(DragRef drag, u16* modifiers, u16* mouseDownModifiers, u16* mouseUpModifiers);
// The mouse now (global), and where the drag would drop.
OSErr GetDragMouse(DragRef drag, Point* mouse, Point* globalPinnedMouse);
OSErr GetDragOrigin(DragRef drag, Point* origin);
// The place the receiver put the drop: a POSIX path (UTF-8), empty when none was given.
OSErr SetDropLocation(DragRef drag, const std::string& path);
OSErr GetDropLocation(DragRef drag, std::string* path);
// The user's trash folder, where a drop deletes what was dragged: $XDG_DATA_HOME/Trash/files
// (else ~/.local/share/Trash/files), without a trailing '/'.
std::string trashfolder();

// --- Tracking ---------------------------------------------------------------------------
// Waits while the button is down for the mouse to move 2 pixels or more from `initial`
// (global): true when it did, false when the button went up first.
bool WaitMouseMoved(Point initial);
// Tracks the drag from the mouse-down `event` with the outline region `dragRgn` (global) until
// the button goes up. noErr when a receive handler took the drop; dragNotAcceptedErr when
// none did (or the drop was over no window).
OSErr TrackDrag(DragRef drag, const EventRecord* event, RgnHandle dragRgn);
// The drag being tracked, or 0.
DragRef trackeddrag();
// A drag that another program dropped at a global point, with no hovering before: the
// tracking handlers of the window there get messages 1 to 3, its receive handlers the drop,
// then the tracking handlers 4 and 5. noErr when a receive handler took it.
OSErr DropFromOutside(DragRef drag, Point where, u16 modifiers);
// The drop input of the backend (files and texts from another program): one drag of those
// items at the drop point when receive handlers are installed and a window is there, each
// file as 'hfs ' ({type, creator, flags, path length, POSIX path}), each text as 'TEXT'
// (Mac Roman, returns for line ends). Project files are left out of the drag and named in
// `documents` to open; so is every file when no drag can run.
void receivedropinput(const InputEvent& drop, std::vector<std::string>* documents);

// Handlers for one window, or for every window (window 0). Every handler of the window under
// the drag is called, the window's own first.
OSErr InstallTrackingHandler(DragTrackingHandler handler, WindowRef window, u32 refcon);
OSErr RemoveTrackingHandler(DragTrackingHandler handler, WindowRef window);
OSErr InstallReceiveHandler(DragReceiveHandler handler, WindowRef window, u32 refcon);
OSErr RemoveReceiveHandler(DragReceiveHandler handler, WindowRef window);
// How many handlers are installed (tracking, receive), for every window and for any one.
u32 installedtrackinghandlers();
u32 installedreceivehandlers();

}  // namespace kv
