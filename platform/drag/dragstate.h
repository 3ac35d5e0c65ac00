// The Drag Manager's own state: the drags, the installed handlers, the drag being tracked and
// the drop-area hilite shown. Only platform/drag includes it.
#pragma once

#include <string>
#include <vector>

#include "platform/backend/backend.h"
#include "platform/drag/drag.h"
#include "platform/runtime/registry.h"

namespace kv {

struct DragFlavor {
  FlavorType type = 0;
  FlavorFlags flags = 0;
  std::vector<u8> data;
  OSErr senderror = noErr;  // what the send procedure answered when it made the data
};

struct DragItem {
  DragItemRef ref = 0;
  Rect bounds{0, 0, 0, 0};
  std::vector<DragFlavor> flavors;
};

struct DragData {
  std::vector<DragItem> items;
  DragSendDataProc send = nullptr;
  u32 sendrefcon = 0;
  bool hasimage = false;
  Frame image;             // xrgb
  Point imageat{0, 0};     // global top-left of the image at the start
  std::vector<Rect> mask;  // global, at the start
  u32 translucency = kDragStandardTranslucency;
  DragAttributes attributes = 0;
  u16 downmodifiers = 0, upmodifiers = 0;
  bool released = false;
  Point origin{0, 0}, mouse{0, 0};
  std::string droplocation;
  WindowRef senderwindow = nilid;
};

struct TrackingEntry {
  DragTrackingHandler proc;
  WindowRef window;
  u32 refcon;
};
struct ReceiveEntry {
  DragReceiveHandler proc;
  WindowRef window;
  u32 refcon;
};

// The drop-area hilite: the band painted in a port and the pixels it covered.
struct DragHiliteShown {
  DragRef drag = nilid;
  CGrafPtr port = nilid;
  RgnHandle band = nilid;
  GWorldPtr saved = nilid;
};

struct DragState {
  Registry<DragData, RegType::drag> drags;
  std::vector<TrackingEntry> trackers;
  std::vector<ReceiveEntry> receivers;
  DragRef tracked = nilid;
  DragHiliteShown hilite;
};
DragState& dragstate();

}  // namespace kv
