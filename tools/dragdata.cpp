// `the dragFlavors` and `dragData` over the current drag, and `the dragObject`.
#include "tools/dragdata.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "platform/text/macroman.h"
#include "store/objects.h"
#include "store/objread.h"
#include "store/reftexts.h"
#include "tools/dragstate.h"

namespace kv {

namespace {

constexpr OSType kHFS = 0x68667320;  // 'hfs ': a file (type, creator, flags, POSIX path)
constexpr i32 kFileHeader = 12;

Handle texthandle(const std::string& s) {
  Handle h = nilhandle;
  if (PtrToHand(s.data(), &h, Size(s.size())) != noErr) return nilhandle;
  return h;
}

void appendtype(std::string& out, OSType t) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(char((t >> shift) & 0xFF));
}

std::string errortext(OSErr err) { return "Error " + std::to_string(err); }

std::string longreference(const objread& obj) {
  Str255 s{};
  buildnametext(obj, tok::long_, s);
  return std::string(reinterpret_cast<const char*>(s + 1), s[0]);
}

// 'MDOX' data: the references of what this program is dragging. Bytes that are not the drag
// state's own reference are given back as they are.
std::string objectreferences(const std::vector<u8>& bytes) {
  const DragToolState& st = dragtoolstate();
  if (bytes.size() != sizeof(objread) || std::memcmp(bytes.data(), &st.gDragRead, sizeof(objread)) != 0)
    return std::string(bytes.begin(), bytes.end());
  const objread& ref = st.gDragRead;
  if (ref.kind == objpart) return longreference(ref);
  if (ref.kind != kDragSelectionKind || ref.objects == nilhandle) return std::string(bytes.begin(), bytes.end());
  std::string out;
  for (i32 i = 0; i < spotcount(ref.objects); ++i) {
    const spot s = spotat(ref.objects, i);
    if (!s.selected || !(s.flags & kSpotAllowDrag)) continue;
    objread one = ref;
    one.kind = objpart;
    one.objindex = i16(i);
    out += longreference(one) + "\r";
  }
  return out;
}

}  // namespace

DragRef currentdragref() { return dragtoolstate().currentdrag; }
const std::string& dragobjecttext() { return dragtoolstate().dragobject; }

Handle ListDragFlavors(DragRef drag) {
  std::string out;
  u16 items = 0;
  if (drag != nilid && CountDragItems(drag, &items) == noErr) {
    for (u16 i = 1; i <= items; ++i) {
      DragItemRef item = 0;
      u16 n = 0;
      if (GetDragItemReferenceNumber(drag, i, &item) != noErr || CountDragItemFlavors(drag, item, &n) != noErr) break;
      if (i > 1) out.push_back('\r');
      bool failed = false;
      for (u16 f = 1; f <= n; ++f) {
        OSType t = 0;
        if (GetFlavorType(drag, item, f, &t) != noErr) {
          failed = true;
          break;
        }
        if (f > 1) out.push_back(',');
        appendtype(out, t);
      }
      if (failed) break;
    }
  }
  return texthandle(out);
}

Handle GetDragData(i32 index, OSType flavor, i16 typeform) {
  const DragRef drag = currentdragref();
  if (drag == nilid || !IsValidDrag(drag)) return texthandle("DragReference is empty!");
  u16 items = 0;
  CountDragItems(drag, &items);
  if (index < 1 || index > items) return nilhandle;
  DragItemRef item = 0;
  if (OSErr err = GetDragItemReferenceNumber(drag, u16(index), &item); err != noErr) return texthandle(errortext(err));
  i32 size = 0;
  if (OSErr err = GetFlavorDataSize(drag, item, flavor, &size); err != noErr) return texthandle(errortext(err));
  if (size == 0) return nilhandle;
  std::vector<u8> data(static_cast<std::size_t>(size));
  if (OSErr err = GetFlavorData(drag, item, flavor, data.data(), &size, 0); err != noErr)
    return texthandle(errortext(err));
  data.resize(std::size_t(size));
  if (flavor == kFlavorMDOX) return texthandle(objectreferences(data));
  if (flavor == kHFS) {
    // {u32 type, u32 creator, u16 flags, u16 path length, the POSIX path in UTF-8}
    if (data.size() < std::size_t(kFileHeader)) return texthandle(errortext(cantGetFlavorErr));
    OSType type = 0, creator = 0;
    u16 length = 0;
    std::memcpy(&type, data.data(), 4);
    std::memcpy(&creator, data.data() + 4, 4);
    std::memcpy(&length, data.data() + 10, 2);
    if (data.size() < std::size_t(kFileHeader) + length) return texthandle(errortext(cantGetFlavorErr));
    if (typeform == 1) {
      std::string out;
      if (type != 0) appendtype(out, type);
      out.push_back(',');
      if (creator != 0) appendtype(out, creator);
      return texthandle(out);
    }
    const std::string_view path(reinterpret_cast<const char*>(data.data()) + kFileHeader, length);
    return texthandle(utf8tomacroman(path));
  }
  Handle h = nilhandle;
  if (PtrToHand(data.data(), &h, Size(data.size())) != noErr) return nilhandle;
  return h;
}

}  // namespace kv
