// The platform window of a project window: `setprocid` turns the window record (style, flags,
// rectangle, name, background and opacity) into a definition, kind, class, attributes,
// background, stacking and the card's two scroll bars; `limitwindowrect` keeps a window on
// the screen; `setinvis` shows or hides the current window.
#pragma once

#include "platform/types.h"
#include "platform/windows/windows.h"
#include "shell/platformutil.h"

namespace kv {

// Window record flags read here.
enum : u32 {
  kWindFlagCloseBox = 1u << 0,
  kWindFlagZoomBox = 1u << 1,
  kWindFlagResizable = 1u << 2,
  kWindFlagSideTitle = 1u << 4,
  kWindFlagSimpleFrame = 1u << 5,
  kWindFlagAutoCentre = 1u << 6,
  kWindFlagNotInMenu = 1u << 8,
  kWindFlagNotCollapsible = 1u << 9,
  kWindFlagVisible = 1u << 11,
  kWindFlagLiveResize = 1u << 13,
  kWindFlagNoShadow = 1u << 15,
  kWindFlagGlobalOpacity = 1u << 16,
};

// The window styles of the record.
enum : u16 {
  kStyleStandard = 0,
  kStyleScrolling = 1,
  kStyleDialog = 3,
  kStylePalette = 6,
  kStyleMovable = 7,
  kStyleCustomWindow = 8,
  kStyleCustomPalette = 9,
  kStyleCustomDialog = 10,
  kStyleMetal = 11,
};

// What a style and flags make of a window (the style table).
struct WindowStyle {
  i16 procid = 0;  // numbered definition; -1 for the custom definition
  i16 kind = 114;
  WindowClass wclass = kDocumentWindowClass;
  WindowAttributes attributes = 0;
  bool behindmodal = false;  // placed behind an open modal dialog, else behind the message box
};
WindowStyle windowstyle(u16 style, u32 flags);

// Creates the platform window of the current window context from its window record, with its
// root control and two card scroll bars, and keeps them in the context. The platform status:
// non-zero when creation failed (the context then has no window).
OSStatus setprocid();
// Moves and sizes a window into the usable area of the screen holding most of it; `r` (global
// content rectangle) is used instead of the window's own when given. A rectangle off every
// screen is left alone.
void limitwindowrect(WindowRef window, const Rect* r);
// Shows (0) or hides (1) the current window. A palette stays hidden while the program is
// behind.
void setinvis(u16 hide);

}  // namespace kv
