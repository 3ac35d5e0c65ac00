// The Control Manager of our platform model, first room: each window's root control and the
// live scroll bar (bounds, value, minimum, maximum, view size, shown, active, hilite), hit
// testing by part, tracking with an action procedure, drawn flat into the window's port or the
// current port; custom controls drawn and hit-tested by their definition procedure, with data
// kept under four-character tags.
//
// Controls are registry ids (RegType::control), checked on every use. Bounds are in the
// window port's coordinates. A window's controls go with the window.
#pragma once

#include "platform/runtime/registry.h"
#include "platform/types.h"
#include "platform/windows/windows.h"

namespace kv {

using ControlRef = RegistryId;
// Called while a part is held during TrackControl (the part under the mouse, 0 outside it).
using ControlActionProcPtr = void (*)(ControlRef control, i16 part);

// Control part codes.
enum : i16 {
  kControlNoPart = 0,
  kControlUpButtonPart = 20,
  kControlDownButtonPart = 21,
  kControlPageUpPart = 22,
  kControlPageDownPart = 23,
  kControlIndicatorPart = 129,
};
constexpr OSStatus errControlIsNotEmbedder = -30590;
constexpr OSStatus errRootAlreadyExists = -30595;
constexpr OSStatus errNoRootControl = -30600;
constexpr OSStatus errInvalidControl = -30584;

// The window's root control (the container of every control embedded in the window).
OSStatus CreateRootControl(WindowRef window, ControlRef* out);
OSStatus GetRootControl(WindowRef window, ControlRef* out);
// A scroll bar, visible, with the window's root control (when there is one) as its container.
OSStatus CreateScrollBarControl(WindowRef window, const Rect* bounds, i32 value, i32 minimum, i32 maximum,
                                i32 viewSize, bool liveTracking, ControlActionProcPtr action, ControlRef* out);
OSStatus EmbedControl(ControlRef control, ControlRef container);
OSStatus GetSuperControl(ControlRef control, ControlRef* out);
// The number of controls embedded directly in a control.
OSStatus CountSubControls(ControlRef control, u16* count);
// Disposes of a control and everything embedded in it.
void DisposeControl(ControlRef control);
bool IsValidControlHandle(ControlRef control);
WindowRef GetControlOwner(ControlRef control);

OSStatus ActivateControl(ControlRef control);
OSStatus DeactivateControl(ControlRef control);
bool IsControlActive(ControlRef control);
void ShowControl(ControlRef control);
void HideControl(ControlRef control);
bool IsControlVisible(ControlRef control);

// The value is kept between the minimum and the maximum.
i32 GetControl32BitValue(ControlRef control);
void SetControl32BitValue(ControlRef control, i32 value);
i32 GetControl32BitMinimum(ControlRef control);
void SetControl32BitMinimum(ControlRef control, i32 minimum);
i32 GetControl32BitMaximum(ControlRef control);
void SetControl32BitMaximum(ControlRef control, i32 maximum);
i32 GetControlViewSize(ControlRef control);
void SetControlViewSize(ControlRef control, i32 size);
Rect* GetControlBounds(ControlRef control, Rect* bounds);
void SetControlBounds(ControlRef control, const Rect* bounds);

// The visible, active control under a point of the window's port and the part hit there.
i16 FindControl(Point local, WindowRef window, ControlRef* out);
// Follows the mouse from a press at `start` (port coordinates) until the button goes up:
// arrows and page areas repeat the action procedure while the mouse is over them, the
// indicator follows the mouse. Answers the part the button went up in, 0 outside.
i16 TrackControl(ControlRef control, Point start, ControlActionProcPtr action);

void Draw1Control(ControlRef control);
// Draws every visible control of the window.
void DrawControls(WindowRef window);

// --- Hilite, drawing in place, custom controls ---------------------------------------------
// The hilite: 0 plain, 255 (or -1) inactive, any other value the part shown pressed (a value
// that is no part of the control draws it plain). Redraws a shown control.
void HiliteControl(ControlRef control, i16 hilite);
u8 GetControlHilite(ControlRef control);
// Shows or hides a control, drawing it into its window only when asked.
OSStatus SetControlVisibility(ControlRef control, bool visible, bool draw);
// Draws a shown control into the current port (an offscreen world, say) at its bounds.
void DrawControlInCurrentPort(ControlRef control);

// The definition procedure of a custom control. Messages: kControlMsgDraw (param: the hilite),
// kControlMsgTest (param: the point, v in the high half and h in the low; answers the part
// hit, 0 none), kControlMsgInit and kControlMsgDispose. Drawing happens in the current port.
using ControlDefProcPtr = i32 (*)(i16 varCode, ControlRef control, i16 message, i32 param);
enum : i16 { kControlMsgDraw = 0, kControlMsgTest = 1, kControlMsgInit = 3, kControlMsgDispose = 4 };
// A custom control, invisible, embedded in the window's root control when there is one.
OSStatus CreateCustomControl(WindowRef window, const Rect* bounds, ControlDefProcPtr def, ControlRef* out);
// Bytes kept on a control under {part, tag}; a later set replaces them. GetControlData copies
// at most bufferSize bytes (buffer may be null) and gives the kept size in *actualSize (may be
// null); errDataNotSupported when the control keeps nothing under the tag.
constexpr OSStatus errDataNotSupported = -30583;
OSStatus SetControlData(ControlRef control, i16 part, OSType tag, i32 size, const void* data);
OSStatus GetControlData(ControlRef control, i16 part, OSType tag, i32 bufferSize, void* buffer, i32* actualSize);

}  // namespace kv
