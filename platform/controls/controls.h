// The Control Manager of our platform model, first room: each window's root control and the
// live scroll bar (bounds, value, minimum, maximum, view size, shown, active), hit testing by
// part, tracking with an action procedure, drawn flat into the window's port.
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

}  // namespace kv
