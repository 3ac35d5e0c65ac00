// Drops from other programs: the backend's drop input made into one drag at the drop point.
#include <cstring>
#include <string>
#include <vector>

#include "platform/drag/drag.h"
#include "platform/drag/dragstate.h"
#include "platform/files/files.h"
#include "platform/text/macroman.h"

namespace kv {

namespace {

constexpr OSType kHFS = fourcc("hfs "), kTEXT = fourcc("TEXT"), kFolder = fourcc("fold");

// A file's type: a folder is 'fold'; a file its stored type, 0 when it has none (the receiver
// then goes by the name's extension).
OSType typeofpath(const std::string& path) {
  const std::string name = filenametomacroman(path);
  if (name.size() > 255) return 0;
  Str255 pname{};
  pname[0] = u8(name.size());
  for (std::size_t i = 0; i < name.size(); ++i) pname[i + 1] = u8(name[i]);
  u32 folder = 0;
  if (folderidofpath(name, &folder) == noErr) return kFolder;
  FInfo info{};
  if (HGetFInfo(0, 0, pname, &info) != noErr) return 0;
  return info.fdType;
}

std::vector<u8> hfsflavor(OSType type, const std::string& path) {
  std::vector<u8> b(12 + path.size(), 0);
  const u16 length = u16(path.size());
  std::memcpy(b.data(), &type, 4);
  std::memcpy(b.data() + 10, &length, 2);
  std::memcpy(b.data() + 12, path.data(), path.size());
  return b;
}

// UTF-8 text as Mac Roman with returns for line feeds (a return and line feed pair is one).
std::string droppedtext(const std::string& utf8) {
  std::string in = utf8tomacroman(utf8), out;
  for (std::size_t i = 0; i < in.size(); ++i) {
    if (in[i] == '\r' && i + 1 < in.size() && in[i + 1] == '\n') continue;
    out.push_back(in[i] == '\n' ? '\r' : in[i]);
  }
  return out;
}

}  // namespace

void receivedropinput(const InputEvent& drop, std::vector<std::string>* documents) {
  std::vector<const DroppedItem*> items;
  for (const DroppedItem& item : drop.dropped) {
    if (item.file && typeofpath(item.data) == kProjectType) documents->push_back(item.data);
    else if (!item.file || item.data.size() <= 0xFFFF) items.push_back(&item);  // a path's length is 16 bits
  }
  const DragState& s = dragstate();
  WindowRef window = nilid;
  const bool candrag = !s.receivers.empty() && s.tracked == nilid && FindWindow(drop.where, &window) == inContent;
  if (!candrag) {
    for (const DroppedItem* item : items)
      if (item->file) documents->push_back(item->data);
    return;
  }
  if (items.empty()) return;
  DragRef drag = nilid;
  if (NewDrag(&drag) != noErr) return;
  DragItemRef ref = 0;
  for (const DroppedItem* item : items) {
    ++ref;
    if (item->file) {
      const std::vector<u8> b = hfsflavor(typeofpath(item->data), item->data);
      AddDragItemFlavor(drag, ref, kHFS, b.data(), i32(b.size()), 0);
    } else {
      const std::string text = droppedtext(item->data);
      AddDragItemFlavor(drag, ref, kTEXT, text.data(), i32(text.size()), 0);
    }
  }
  DropFromOutside(drag, drop.where, drop.modifiers);
  DisposeDrag(drag);
}

}  // namespace kv
