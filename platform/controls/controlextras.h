// The part of a control record that the kinds beyond the root control and the card's scroll
// bars keep: their kind code and creation settings, title, reference constant, font style,
// colour procedure, draw-event handlers, properties, menu and the data browser's columns. Internal to platform/controls: controls.cpp owns the records and
// hands out this part; the other files of the folder work through it.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/controls/controls.h"
#include "platform/fonts/fonts.h"

namespace kv {

struct ControlHandlerEntry {
  EventHandlerProc proc;
  EventTypeSpec type;
  u32 userdata;
};

struct ControlExtras {
  ControlSettings settings{};
  std::string title;  // Mac Roman, at most 255 bytes
  i32 refcon = 0;
  bool embedder = false;  // other controls may be embedded in it
  ControlFontStyleRec font{};
  ControlColorProcPtr colourproc = nullptr;
  std::vector<ControlHandlerEntry> handlers;
  std::map<std::pair<u32, u32>, std::vector<u8>> properties;  // (creator, tag) -> bytes
  MenuRef menu = nilid;                                       // a popup button's menu
  // Data browser.
  std::vector<DataBrowserListViewColumnDesc> columns;
  std::vector<u16> widths;  // each column's width as shown
  DataBrowserCallbacks callbacks{};
  u32 shownphase = 0;  // the animation phase it was last drawn in
};

// The extra part of a valid control, made on first use; null for an invalid control.
ControlExtras* controlextras(ControlRef control);
// A new control of a kind of this part in a window at `bounds`, visible, embedded in the
// window's root control when it has one.
OSStatus newcontrol(WindowRef window, const Rect* bounds, u32 kind, ControlRef* out);
// The embedded controls of a control, in order of embedding.
std::vector<ControlRef> embeddedcontrols(ControlRef control);
// The size a control is shown at (its 'size' tag, else its creation size) and the font its
// texts are measured and drawn in at that size.
u16 controlsize(ControlRef control);
FontKey controlfontkey(ControlRef control);
// Called after a control's value was set or it was embedded: a radio group switches its
// members, a radio button counts itself into its group's range and, when on, chooses itself.
void controlvaluechanged(ControlRef control);

}  // namespace kv
