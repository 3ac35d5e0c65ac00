// The window record and the module state, shared by the window files of this folder.
#pragma once

#include <string>
#include <vector>

#include "platform/runtime/root.h"
#include "platform/windows/windows.h"

namespace kv {

struct WindowProperty {
  u32 creator;
  u32 tag;
  std::vector<u8> data;
};

struct WindowData {
  i16 kind = 8;
  WindowClass wclass = kDocumentWindowClass;
  WindowAttributes attributes = 0;
  i16 procid = kWindowDocumentProc;  // -1 with a custom definition
  WindowDefProc defproc = nullptr;
  i16 variation = 0;
  Rect content{0, 0, 0, 0};  // global
  std::string title;         // Mac Roman, at most 255 bytes
  bool visible = false;
  bool hilited = false;
  bool collapsed = false;
  bool modified = false;  // the document has unsaved changes (a dot in the close box)
  bool evershown = false;
  float alpha = 1.0f;
  i32 refcon = 0;
  u32 modality = 0;
  WindowRef modalparent = nilid;
  i16 themebrush = 0;
  std::vector<WindowProperty> properties;
  RgnHandle update = nilid;    // global; made on first invalidation
  RgnHandle updating = nilid;  // between BeginUpdate and EndUpdate
  RegistryId port = nilid;     // the window's port: its pixels, made with the window
  RgnHandle savedvis = nilid;  // the port's visible region before BeginUpdate (port coordinates)
  Rect userstate{0, 0, 0, 0};
  Rect stdstate{0, 0, 0, 0};
  bool hasuserstate = false;
  bool hasstdstate = false;
  i16 pressedpart = 0;           // the box a tracking loop shows pressed
  bool framedirty = true;        // the compositor must redraw the frame
  bool hiddenbysuspend = false;  // hidden while the program is behind (hide-on-suspend)
};

struct WindowState {
  Registry<WindowData, RegType::window> windows;
  std::vector<WindowRef> order;  // front to back
  WindowRef active = nilid;      // the window last sent an activate event
  WindowRef focus = nilid;       // the window that gets the keyboard focus
  bool servicesinstalled = false;
  void (*disposalhook)(WindowRef) = nullptr;  // the controls of a disposed window go
};

WindowState& ws();
// The record of a live window, or null.
WindowData* wd(WindowRef window);

// The layer of a class: higher layers stay in front of lower ones.
int windowlayer(WindowClass c);
// Brings the activate state up to date after the list or visibility changed: the front
// non-floating window becomes active (hilited, with an activate event) and the one before
// is deactivated.
void updateactivewindow();
// Installs the window layer's services in the event manager (update events and the rest).
void installwindowservices();
// Adds a global rectangle to a window's update region.
void invalglobalrect(WindowData& w, const Rect& r);
// Moves the window's content rectangle (the update region and the port follow).
void setcontentrect(WindowRef window, WindowData& w, const Rect& r);

// --- Definitions (windowdefs.cpp) ---
struct FrameShape {
  i16 top = 0, left = 0, bottom = 0, right = 0;  // frame widths around the content
  i16 titlesize = 0;                             // thickness of the title bar (0: none)
  bool sidetitle = false;
  bool closebox = false, zoombox = false, collapsebox = false, growbox = false;
};
FrameShape frameshape(const WindowData& w);
// Attributes that a numbered definition's variation implies.
WindowAttributes definitionattributes(i16 procid);
// The default definition of a class with these attributes.
i16 classdefinition(WindowClass c, WindowAttributes attributes);
Rect structurerect(WindowRef window, const WindowData& w);
// The bounds of a frame part (region codes 0-8), or an empty rectangle.
Rect partrect(WindowRef window, const WindowData& w, u16 regionCode);
// Asks a custom definition for a region (global); false when it refused the code.
bool customregion(WindowRef window, const WindowData& w, u16 code, RgnHandle rgn);
// The part code under a global point (0 when the point misses the window).
i16 windowhittest(WindowRef window, const WindowData& w, Point where);

bool ptinrect(Point p, const Rect& r);
bool emptyrect(const Rect& r);

}  // namespace kv
