// The Window Manager: windows named by 32-bit registry ids (RegType::window), their kind,
// class, attributes, definition, frame, title, visibility, hilite, opacity, reference value,
// named properties, update region and zoom states; the front-to-back window list, kept in
// layers so that floating windows stay above document windows; hit testing by window part;
// moving, sizing, showing, hiding and ordering; update and activate events.
//
// Coordinates are global unless a routine says otherwise: a window's content rectangle is
// where its port's (0, 0) lies on the screen.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/qd/qdtypes.h"
#include "platform/qd/regions.h"
#include "platform/runtime/registry.h"
#include "platform/types.h"

namespace kv {

using WindowRef = RegistryId;
using WindowPtr = WindowRef;
using WindowClass = u32;
using WindowAttributes = u32;

// Window classes. Layers, bottom to top: document (document, plain, sheets and the rest),
// toolbar, floating, utility, modal (alerts, modal and movable modal), help and overlay.
enum : WindowClass {
  kAlertWindowClass = 1,
  kMovableAlertWindowClass = 2,
  kModalWindowClass = 3,
  kMovableModalWindowClass = 4,
  kFloatingWindowClass = 5,
  kDocumentWindowClass = 6,
  kUtilityWindowClass = 8,
  kHelpWindowClass = 10,
  kSheetWindowClass = 11,
  kToolbarWindowClass = 12,
  kPlainWindowClass = 13,
  kOverlayWindowClass = 14,
  kSheetAlertWindowClass = 15,
  kAltPlainWindowClass = 16,
};

// Window attributes.
enum : WindowAttributes {
  kWindowNoAttributes = 0,
  kWindowCloseBoxAttribute = 1u << 0,
  kWindowHorizontalZoomAttribute = 1u << 1,
  kWindowVerticalZoomAttribute = 1u << 2,
  kWindowFullZoomAttribute = (1u << 1) | (1u << 2),
  kWindowCollapseBoxAttribute = 1u << 3,
  kWindowResizableAttribute = 1u << 4,
  kWindowSideTitlebarAttribute = 1u << 5,
  kWindowMetalAttribute = 1u << 8,
  kWindowNoUpdatesAttribute = 1u << 16,
  kWindowNoActivatesAttribute = 1u << 17,
  kWindowNoShadowAttribute = 1u << 21,
  kWindowHideOnSuspendAttribute = 1u << 24,
  kWindowStandardHandlerAttribute = 1u << 25,
  kWindowInWindowMenuAttribute = 1u << 27,
  kWindowLiveResizeAttribute = 1u << 28,
  kWindowStandardDocumentAttributes = kWindowCloseBoxAttribute | kWindowFullZoomAttribute |
                                      kWindowCollapseBoxAttribute | kWindowResizableAttribute,
};

// Part codes answered by FindWindow.
enum : i16 {
  inDesk = 0,
  inNoWindow = 0,
  inMenuBar = 1,
  inSysWindow = 2,
  inContent = 3,
  inDrag = 4,
  inGrow = 5,
  inGoAway = 6,
  inZoomIn = 7,   // the zoom box of a window in its standard state
  inZoomOut = 8,  // the zoom box of a window in its user state
  inCollapseBox = 11,
  inProxyIcon = 12,
};

// Region codes of GetWindowRegion and GetWindowBounds.
enum : u16 {
  kWindowTitleBarRgn = 0,
  kWindowTitleTextRgn = 1,
  kWindowCloseBoxRgn = 2,
  kWindowZoomBoxRgn = 3,
  kWindowDragRgn = 5,
  kWindowGrowRgn = 6,
  kWindowCollapseBoxRgn = 7,
  kWindowTitleProxyIconRgn = 8,
  kWindowStructureRgn = 32,
  kWindowContentRgn = 33,
  kWindowUpdateRgn = 34,
  kWindowGlobalPortRgn = 40,
};

// Numbered window definitions (definition id = family x 16 + variation).
enum : i16 {
  documentProc = 0,  // the classic family 0: variation bit 2 no grow box, bit 3 zoom box
  dBoxProc = 1,
  plainDBox = 2,
  altDBoxProc = 3,
  noGrowDocProc = 4,
  movableDBoxProc = 5,
  zoomDocProc = 8,
  zoomNoGrow = 12,
  rDocProc = 16,
  kWindowDocumentProc = 1024,  // family 64: bit 0 grow box, bits 1-2 zoom box
  kWindowGrowDocumentProc = 1025,
  kWindowFullZoomDocumentProc = 1030,
  kWindowFullZoomGrowDocumentProc = 1031,
  kWindowPlainDialogProc = 1040,  // family 65
  kWindowShadowDialogProc = 1041,
  kWindowModalDialogProc = 1042,
  kWindowMovableModalDialogProc = 1043,
  kWindowAlertProc = 1044,
  kWindowMovableAlertProc = 1045,
  kWindowMovableModalGrowProc = 1046,
  kWindowFloatProc = 1057,  // family 66: bit 1 grow box, bits 2-3 zoom box
  kWindowFloatGrowProc = 1059,
  kWindowFloatFullZoomProc = 1069,
  kWindowFloatFullZoomGrowProc = 1071,
  kWindowFloatSideProc = 1073,  // family 67: the title bar on the left side
  kWindowSimpleProc = 1104,     // family 69: no frame; variation 1 a one-pixel frame
  kWindowSimpleFrameProc = 1105,
};

// A custom window definition: answers the Window Manager's messages about one window.
//   kWindowMsgHitTest: param is the global point as (v << 16) | (h & 0xFFFF); answers a
//     wIn... code. kWindowMsgGetFeatures: param points at a u32 to fill; answers 1.
//   kWindowMsgGetRegion: param points at a GetWindowRegionRec; the region is answered in
//     global coordinates; the result is an OSStatus.
using WindowDefProc = i32 (*)(i16 variation, WindowRef window, i16 message, std::intptr_t param);
enum : i16 {
  kWindowMsgDraw = 0,
  kWindowMsgHitTest = 1,
  kWindowMsgCalculateShape = 2,
  kWindowMsgInitialize = 3,
  kWindowMsgCleanUp = 4,
  kWindowMsgDrawGrowOutline = 5,
  kWindowMsgDrawGrowBox = 6,
  kWindowMsgGetFeatures = 7,
  kWindowMsgGetRegion = 8,
};
enum : i32 {
  wNoHit = 0,
  wInContent = 1,
  wInDrag = 2,
  wInGrow = 3,
  wInGoAway = 4,
  wInZoomIn = 5,
  wInZoomOut = 6,
  wInCollapseBox = 9,
  wInProxyIcon = 10,
};
struct GetWindowRegionRec {
  RgnHandle winRgn;
  u16 regionCode;
};
constexpr OSStatus errWindowRegionCodeInvalid = -30593;
constexpr OSStatus errInvalidWindowRef = -5600;

// Where a new window goes in the list: in front of its layer, or behind all of its layer.
constexpr WindowRef kFirstWindowOfClass = 0xFFFFFFFFu;
constexpr WindowRef kLastWindowOfClass = 0;

// --- Creation ---------------------------------------------------------------------------
// New windows are invisible, in front of their layer, with window kind 8 and the title empty.
// contentBounds is the global content rectangle.
OSStatus CreateNewWindow(WindowClass windowClass, WindowAttributes attributes, const Rect* contentBounds,
                         WindowRef* outWindow);
// With a numbered definition; attributes implied by its variation are added.
OSStatus CreateWindowWithDefinition(i16 procID, WindowClass windowClass, WindowAttributes attributes,
                                    const Rect* contentBounds, WindowRef* outWindow);
OSStatus CreateCustomWindow(WindowDefProc defProc, i16 variation, WindowClass windowClass, WindowAttributes attributes,
                            const Rect* contentBounds, WindowRef* outWindow);
// A custom window asks its definition for its shape again (the regions it answers may have
// changed) and its frame is presented anew; a window with a numbered definition is left as it
// is. errInvalidWindowRef for a window that does not exist.
OSStatus ReshapeCustomWindow(WindowRef window);
// The classic form: a document-class window of that definition, placed behind `behind`
// (kFirstWindowOfClass: in front); goAway gives it a close box.
WindowRef NewCWindow(void* storage, const Rect* bounds, const u8* title, bool visible, i16 procID, WindowRef behind,
                     bool goAwayFlag, i32 refCon);
void DisposeWindow(WindowRef window);
// What else the platform keeps for a window (its controls) goes through this hook when the
// window is disposed of.
void setwindowdisposalhook(void (*hook)(WindowRef window));
// Whether the id names a live window (a registry lookup).
bool IsValidWindowPtr(WindowRef window);
std::size_t windowcount();

// --- Attributes and settings ------------------------------------------------------------
i16 GetWindowKind(WindowRef window);
void SetWindowKind(WindowRef window, i16 kind);
OSStatus GetWindowClass(WindowRef window, WindowClass* outClass);
// Moves the window into the new class's layer, in front of it.
OSStatus SetWindowClass(WindowRef window, WindowClass windowClass);
OSStatus GetWindowAttributes(WindowRef window, WindowAttributes* outAttributes);
OSStatus ChangeWindowAttributes(WindowRef window, WindowAttributes setThese, WindowAttributes clearThese);
// The numbered definition id, or -1 for a custom definition.
i16 windowdefinitionid(WindowRef window);
i16 GetWVariant(WindowRef window);
i32 GetWRefCon(WindowRef window);
void SetWRefCon(WindowRef window, i32 refCon);
void SetWTitle(WindowRef window, const u8* title);       // length-prefixed Mac Roman
void GetWTitle(WindowRef window, u8* title);             // Str255 out
OSStatus SetWindowAlpha(WindowRef window, float alpha);  // 0..1
OSStatus GetWindowAlpha(WindowRef window, float* alpha);
OSStatus SetWindowModality(WindowRef window, u32 modality, WindowRef parent);
OSStatus GetWindowModality(WindowRef window, u32* modality, WindowRef* parent);
enum : u32 {
  kWindowModalityNone = 0,
  kWindowModalitySystemModal = 1,
  kWindowModalityAppModal = 2,
  kWindowModalityWindowModal = 3
};
OSStatus SetThemeWindowBackground(WindowRef window, i16 brush, bool update);
i16 windowthemebrush(WindowRef window);

// Named properties: bytes kept under (creator, tag).
OSStatus SetWindowProperty(WindowRef window, u32 creator, u32 tag, u32 size, const void* data);
OSStatus GetWindowProperty(WindowRef window, u32 creator, u32 tag, u32 bufferSize, u32* actualSize, void* buffer);
OSStatus GetWindowPropertySize(WindowRef window, u32 creator, u32 tag, u32* size);
OSStatus RemoveWindowProperty(WindowRef window, u32 creator, u32 tag);
constexpr OSStatus errWindowPropertyNotFound = -5604;

// The window's port (a drawing-layer port made with the window at the main screen's depth and
// colour table, sized with it and disposed with it); its pixel (0, 0) lies at the content's
// top-left on the screen. A window whose port cannot be made is not created.
CGrafPtr GetWindowPort(WindowRef window);
// Makes the window's port the current port.
void SetPortWindowPort(WindowRef window);
// The window a port belongs to, or 0.
WindowRef GetWindowFromPort(CGrafPtr port);

// --- Geometry ---------------------------------------------------------------------------
// The bounds of a window region (structure, content, global port, or a frame part).
OSStatus GetWindowBounds(WindowRef window, u16 regionCode, Rect* bounds);
// Moves and sizes the window so the structure or content region gets these bounds.
OSStatus SetWindowBounds(WindowRef window, u16 regionCode, const Rect* bounds);
// The region of that code, in global coordinates, into rgn.
OSStatus GetWindowRegion(WindowRef window, u16 regionCode, RgnHandle rgn);
// The frame's widths around the content: top, left, bottom, right.
OSStatus GetWindowStructureWidths(WindowRef window, Rect* widths);
// The port's rectangle in its own coordinates: (0, 0, height, width) until SetOrigin moves it.
Rect* GetWindowPortBounds(WindowRef window, Rect* bounds);
// Moves the content's top-left to (h, v); front selects the window as well.
void MoveWindow(WindowRef window, i16 h, i16 v, bool front);
// Sizes the content; with update the newly uncovered part joins the update region.
void SizeWindow(WindowRef window, i16 width, i16 height, bool update);

// Zoom states: the standard (zoomed-out) and user content rectangles.
OSStatus SetWindowStandardState(WindowRef window, const Rect* r);
OSStatus GetWindowStandardState(WindowRef window, Rect* r);
OSStatus SetWindowUserState(WindowRef window, const Rect* r);
OSStatus GetWindowUserState(WindowRef window, Rect* r);
bool IsWindowInStandardState(WindowRef window, Point* idealSize, Rect* idealStandardState);
// partCode inZoomOut: to the standard state (the current content becomes the user state);
// inZoomIn: back to the user state.
void ZoomWindow(WindowRef window, i16 partCode, bool front);

// --- The window list --------------------------------------------------------------------
// Front to back, visible or not.
std::vector<WindowRef> windowlist();
WindowRef GetWindowList();
WindowRef GetNextWindow(WindowRef window);
// The front visible window of any layer, of the non-floating layers, and the active one.
WindowRef FrontWindow();
WindowRef FrontNonFloatingWindow();
WindowRef ActiveNonFloatingWindow();
// Floating classes (floating, utility, toolbar, help, overlay) never become active.
bool isfloatingclass(WindowClass c);

void SelectWindow(WindowRef window);
void BringToFront(WindowRef window);
// Behind another window (kept within its own layer); behind 0 sends it to the back of it.
void SendBehind(WindowRef window, WindowRef behind);
void ShowWindow(WindowRef window);
void HideWindow(WindowRef window);
void ShowHide(WindowRef window, bool show);
bool IsWindowVisible(WindowRef window);
// Hide and show again the floating windows that hide while the program is behind (those with
// the hide-on-suspend attribute).
void HideFloatingWindows();
void ShowFloatingWindows();
void HiliteWindow(WindowRef window, bool hilite);
bool IsWindowHilited(WindowRef window);
OSStatus CollapseWindow(WindowRef window, bool collapse);
bool IsWindowCollapsed(WindowRef window);
// The document's modified mark (unsaved changes), shown as a dot in the close box.
OSStatus SetWindowModified(WindowRef window, bool modified);
bool IsWindowModified(WindowRef window);

// --- Tracking (each runs while the mouse button is held) --------------------------------
// Drags the window from a mouse-down at `start`; it moves when the button goes up inside
// `limits` (null: anywhere). Without the command key the window is selected as well.
void DragWindow(WindowRef window, Point start, const Rect* limits);
// Tracks a resize; sizeConstraints holds the minimum (top = height, left = width) and maximum
// (bottom, right) sizes. Answers the new size as (height << 16) | width, or 0 when unchanged.
// Every change during tracking is sent to the window's handlers as a bounds-changed event; a
// window with live resize is sized as the mouse moves.
i32 GrowWindow(WindowRef window, Point start, const Rect* sizeConstraints);
// Track the close box, or the zoom or collapse box (part inZoomIn, inZoomOut, inCollapseBox):
// true when the button went up inside.
bool TrackGoAway(WindowRef window, Point start);
bool TrackBox(WindowRef window, Point start, i16 part);

// Shows (action 1) or hides (action 2) a window; the transition effect is not animated.
enum : u32 { kWindowZoomTransitionEffect = 1, kWindowShowTransitionAction = 1, kWindowHideTransitionAction = 2 };
OSStatus TransitionWindow(WindowRef window, u32 effect, u32 action, const Rect* from);
// The window that gets the keyboard focus (kept for the caller; the list is not changed).
OSStatus SetUserFocusWindow(WindowRef window);
WindowRef GetUserFocusWindow();
// Compositing keeps every window's pixels, so nothing behind a window needs recomputing:
// CalcVisBehind does nothing and PaintOne redraws a window's frame (0: the desktop).
void CalcVisBehind(WindowRef window, RgnHandle clobbered);
void PaintOne(WindowRef window, RgnHandle clobbered);

// --- Hit testing ------------------------------------------------------------------------
// The part of the screen under a global point and the window it belongs to (0 for none).
i16 FindWindow(Point where, WindowRef* window);

// --- Update regions ---------------------------------------------------------------------
// Rectangles and regions in the window's port coordinates (SetOrigin moves them).
OSStatus InvalWindowRect(WindowRef window, const Rect* bounds);
OSStatus InvalWindowRgn(WindowRef window, RgnHandle rgn);
OSStatus ValidWindowRect(WindowRef window, const Rect* bounds);
OSStatus ValidWindowRgn(WindowRef window, RgnHandle rgn);
// Starts drawing for an update: the update region (global) becomes the region being updated
// and the update region is emptied; the port's visible region is cut to it, so drawing reaches
// only the part to update. EndUpdate ends it and gives the port its visible region back.
void BeginUpdate(WindowRef window);
void EndUpdate(WindowRef window);
// The region being updated between BeginUpdate and EndUpdate (global), or 0.
RgnHandle windowupdatingregion(WindowRef window);

}  // namespace kv
