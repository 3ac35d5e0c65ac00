// Drag tracking over the program's windows: acceptance on entering a window, the target under
// the mouse, the hilite frames and the drag caret.
#include "tools/dragtrack.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "commands/objectfunctions.h"
#include "platform/controls/controls.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/qd/copybits.h"
#include "platform/qd/importers.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/windows/cursor.h"
#include "platform/windows/theme.h"
#include "platform/windows/windows.h"
#include "properties/userprops.h"
#include "render/fielddrawing.h"
#include "render/spotstyles.h"
#include "core/mainglobals.h"
#include "shell/platformutil.h"
#include "shell/windtable.h"
#include "core/memoryguard.h"
#include "store/objects.h"
#include "system/sysinfo.h"
#include "textengine/werecord.h"
#include "tools/dragreceive.h"
#include "tools/dragstate.h"

namespace kv {

namespace {

constexpr OSType kTEXT = 0x54455854, kPICT = 0x50494354, kRTF = 0x52544620, kRTFD = 0x52544644, kHFS = 0x68667320;
constexpr OSType kTTXT = 0x74747874, kTTRO = 0x7474726F, kFOLD = 0x666F6C64, kMooV = 0x4D6F6F56;
constexpr OSType kAny = 0x3F3F3F3F, kBlanks = 0x20202020, kStars = 0x2A2A2A2A;
constexpr u16 kTextTool = 605, kPointerTool = 600, kPointerTool2 = 601;
constexpr i16 kFrameWidth = 3;
constexpr i16 kDragHiliteBrush = 14;

DragToolState& st() { return dragtoolstate(); }

bool browsetool(u16 tool) { return tool == 100 || tool == 101 || tool == kTextTool; }
bool pointertool(u16 tool) { return tool == kPointerTool || tool == kPointerTool2; }
bool projectwindow(WindowRef w) {
  const i16 kind = GetWindowKind(w);
  return kind == 114 || kind == 115 || kind == 118;
}

void setcursor(ThemeCursor c) {
  if (!mainglobals().lockCursor) SetThemeCursor(c);
}

bool hasflavor(DragRef drag, DragItemRef item, OSType type) {
  FlavorFlags f = 0;
  return GetFlavorFlags(drag, item, type, &f) == noErr;
}

std::vector<DragItemRef> items(DragRef drag) {
  std::vector<DragItemRef> out;
  u16 n = 0;
  CountDragItems(drag, &n);
  for (u16 i = 1; i <= n; ++i) {
    DragItemRef r = 0;
    if (GetDragItemReferenceNumber(drag, i, &r) == noErr) out.push_back(r);
  }
  return out;
}

std::vector<OSType> flavorsof(DragRef drag, DragItemRef item) {
  std::vector<OSType> out;
  u16 n = 0;
  CountDragItemFlavors(drag, item, &n);
  for (u16 i = 1; i <= n; ++i) {
    OSType t = 0;
    if (GetFlavorType(drag, item, i, &t) == noErr) out.push_back(t);
  }
  return out;
}

}  // namespace

bool rtfdfolder(const DraggedFile& f) {
  if (f.type != kFOLD || f.path.size() <= 5) return false;
  std::string tail = f.path.substr(f.path.size() - 5);
  for (char& c : tail) c = char(std::tolower(static_cast<unsigned char>(c)));
  return tail == ".rtfd";
}

bool importablefile(const DraggedFile& f) {
  if (quicktimeversion() < kFirstImporterVersion) return false;
  Str255 name{};
  if (!macromanpath(f.path, name)) return false;
  ComponentInstance importer = nilid;
  if (GetGraphicsImporterForFile(0, 0, name, &importer) != noErr) return false;
  CloseComponent(importer);
  return true;
}

namespace {

// The four-character codes of a "favoriteFlavors" value (the remainder of a length that is not
// a multiple of 4 ignored).
std::vector<OSType> codes(Handle value) {
  std::vector<OSType> out;
  if (value == nilhandle) return out;
  const u8* b = static_cast<const u8*>(deref(value));
  const i32 n = GetHandleSize(value) / 4;
  for (i32 i = 0; i < n; ++i)
    out.push_back(OSType(b[4 * i]) << 24 | OSType(b[4 * i + 1]) << 16 | OSType(b[4 * i + 2]) << 8 | b[4 * i + 3]);
  return out;
}
bool listed(const std::vector<OSType>& favourites, OSType type) {
  return std::any_of(favourites.begin(), favourites.end(), [&](OSType c) { return c == kStars || c == type; });
}

// A property of the window's card, else its background, else the window record.
std::vector<OSType> windowfavourites(const desk& d, const char* name) {
  Str255 pname{};
  pname[0] = u8(std::strlen(name));
  std::memcpy(pname + 1, name, pname[0]);
  auto fromrecord = [&](Handle rec, i32 offset) -> std::vector<OSType> {
    if (rec == nilhandle || GetHandleSize(rec) < offset + 4) return {};
    const Handle list = loadat<u32>(static_cast<const u8*>(deref(rec)) + offset);
    Handle value = nilhandle;
    if (list == nilhandle || prophandutil(list, pname, &value) != 0) return {};
    return codes(value);
  };
  std::vector<OSType> out;
  if (!d.backlayer) out = fromrecord(d.card, i32(offsetof(cardrec, uprops)));
  if (out.empty()) out = fromrecord(d.back, i32(offsetof(backrec, uprops)));
  if (out.empty()) out = fromrecord(d.wind, i32(offsetof(windrec, uprops)));
  return out;
}
std::vector<OSType> objectfavourites(const spot& s, const char* name, bool* has) {
  Str255 pname{};
  pname[0] = u8(std::strlen(name));
  std::memcpy(pname + 1, name, pname[0]);
  Handle value = nilhandle;
  *has = s.uprops != nilhandle && prophandutil(s.uprops, pname, &value) == 0;
  return *has ? codes(value) : std::vector<OSType>{};
}

// The card point of a global point in a window: the port's local coordinates.
Point cardpoint(WindowRef w, Point global) {
  SavePort keep;
  SetPortWindowPort(w);
  GlobalToLocal(&global);
  return global;
}

bool incontent(WindowRef w, Point global) {
  Rect c{0, 0, 0, 0};
  GetWindowBounds(w, kWindowContentRgn, &c);
  return global.h >= c.left && global.h < c.right && global.v >= c.top && global.v < c.bottom;
}

bool isdragged(Handle list, i16 index) {
  const objread& r = st().gDragRead;
  return r.objects == list && r.objindex == index && r.d.window == st().gTargetDesk.window;
}

// The topmost object under a card point (the edited background's, else the card's and then
// the background's, last to first): list and index, or false.
bool topmost(const desk& d, Point pt, bool skipdragged, Handle* list, i16* index) {
  std::vector<Handle> lists;
  if (d.backlayer) lists = {d.backspots};
  else lists = {d.cardspots, d.backspots};
  for (Handle l : lists) {
    for (i32 i = spotcount(l) - 1; i >= 0; --i) {
      if (skipdragged && isdragged(l, i16(i))) continue;
      if (!lowinsidespot(spotat(l, i), pt)) continue;
      *list = l;
      *index = i16(i);
      return true;
    }
  }
  return false;
}

bool textdrag() {
  const OSType f = st().gDragFlavor;
  return f == kTEXT || f == kRTF;
}

// Outputs a target and copies its record.
void target(Handle list, i16 index, Handle* outlist, i16* outindex) {
  if (outlist) *outlist = list;
  if (outindex) *outindex = index;
  st().gTargetObj = spotat(list, index);
}

// Forgets a drawn caret of the text target.
void erasecaret() {
  DragToolState& s = st();
  if (s.gTargetRec != nilid && s.gCaretOffset >= 0) weDrawCaret(s.gCaretOffset, s.gTargetRec);
  s.gCaretOffset = -1;
}

void disposehilitebits() {
  DragToolState& s = st();
  if (s.gDragHiliteBits != nilid && IsValidPort(s.gDragHiliteBits)) DisposeGWorld(s.gDragHiliteBits);
  s.gDragHiliteBits = nilid;
}
void emptyhiliteregion() {
  DragToolState& s = st();
  if (s.gDragHiliteRgn != nilid && IsValidRgn(s.gDragHiliteRgn)) DisposeRgn(s.gDragHiliteRgn);
  s.gDragHiliteRgn = nilid;
}

// The acceptance rule of the browse tools and the text tool (one-item drags only).
void acceptbrowse(DragRef drag, DragAttributes attributes, u16 tool) {
  DragToolState& s = st();
  const MainGlobals& g = mainglobals();
  s.gDragIsText = s.gDragIsImage = s.gDragIsRTF = s.gDragIsSpot = s.gDragIsIcon = 0;
  bool acceptable = g.allowFavoriteFlavors != 0;
  if (acceptable) s.gDragFlavor = kAny;
  const std::vector<DragItemRef> all = items(drag);
  if (all.size() == 1 && g.allowAutomaticFlavors) {
    const DragItemRef item = all[0];
    bool decided = false;
    if (hasflavor(drag, item, kFlavorMDOX)) {
      s.gDragIsSpot = 1;
      // Only this program's own drag names an object: its bytes must be the drag state's
      // reference, and the object comes from the drag state, never from the bytes.
      objread probe{};
      i32 size = i32(sizeof probe);
      const objread& ref = s.gDragRead;
      if ((attributes & kDragInsideSenderApplication) &&
          GetFlavorData(drag, item, kFlavorMDOX, &probe, &size, 0) == noErr && size == i32(sizeof probe) &&
          std::memcmp(&probe, &ref, sizeof probe) == 0 && ref.kind == objpart && ref.objects != nilhandle &&
          ref.objindex >= 0 && ref.objindex < spotcount(ref.objects)) {
        s.gDragSpot = spotat(ref.objects, ref.objindex);
        const spot& b = s.gDragSpot;
        if (b.style >= 200 && b.style <= 202 && loadat<buttontail>(b.tail.b).icon != 0) {
          s.gDragIsIcon = s.gDragIsImage = 1;
          acceptable = decided = true;
        }
      }
    }
    if (!decided) {
      DraggedFile file;
      if (hasflavor(drag, item, kRTF) && !(attributes & kDragInsideSenderApplication)) {
        s.gDragIsRTF = 1;
        acceptable = true;
      }
      if (hasflavor(drag, item, kTEXT)) {
        s.gDragIsText = 1;
        acceptable = true;
      }
      if (hasflavor(drag, item, kPICT) && tool != kTextTool) {
        s.gDragIsImage = 1;
        acceptable = true;
      }
      if (hasflavor(drag, item, kHFS) && draggedfile(drag, item, &file)) {
        if (file.type == kRTF || file.type == kRTFD || rtfdfolder(file)) {
          s.gDragIsRTF = 1;
          acceptable = true;
        } else if (file.type == kTEXT || file.type == kTTXT || file.type == kTTRO) {
          s.gDragIsText = 1;
          acceptable = true;
        } else if (tool != kTextTool && (file.type == kPICT || importablefile(file))) {
          s.gDragIsImage = 1;
          acceptable = true;
        }
      }
    }
  }
  if (s.gDragIsText) s.gDragFlavor = kTEXT;
  else if (s.gDragIsImage) s.gDragFlavor = kPICT;
  else if (s.gDragIsRTF) s.gDragFlavor = kRTF;
  s.gCanAcceptItems = acceptable ? 1 : 0;
}

// The acceptance rule of the pointer tools: every item acceptable, an empty drag not.
void acceptpointer(DragRef drag) {
  DragToolState& s = st();
  const MainGlobals& g = mainglobals();
  const std::vector<DragItemRef> all = items(drag);
  bool ok = !all.empty();
  for (DragItemRef item : all) {
    const std::vector<OSType> types = flavorsof(drag, item);
    bool one = false;
    if (g.allowFavoriteFlavors) {
      const std::vector<OSType> fav = windowfavourites(s.gTargetDesk, "favoriteFlavors");
      one = std::any_of(types.begin(), types.end(), [&](OSType t) { return listed(fav, t); });
    }
    if (!one && g.allowAutomaticFlavors)
      one = hasflavor(drag, item, kFlavorMDOX) || hasflavor(drag, item, kTEXT) || hasflavor(drag, item, kPICT);
    DraggedFile file;
    if (!one && hasflavor(drag, item, kHFS) && draggedfile(drag, item, &file)) {
      if (g.allowFavoriteFlavors) one = listed(windowfavourites(s.gTargetDesk, "favoriteHFSFlavors"), file.type);
      if (!one && g.allowAutomaticFlavors)
        one = file.type == kTEXT || file.type == kTTXT || file.type == kTTRO || file.type == kRTF ||
              file.type == kRTFD || file.type == kPICT || rtfdfolder(file) || importablefile(file);
    }
    ok = ok && one;
  }
  s.gCanAcceptItems = ok ? 1 : 0;
}

// The drag caret and hilite of a field that becomes (or stays) the text target.
void fieldtarget(DragRef drag, RegistryId rec, Handle list, i16 index, Point global, bool hilite) {
  DragToolState& s = st();
  if (s.gTargetRec != nilid && s.gTargetRec != rec) erasecaret();
  const bool changed = s.gTargetRec != rec;
  s.gTargetRec = rec;
  if (changed && hilite) HiliteDragField(drag, list, index);
  DoInsertCaret(cardpoint(s.gDragTargetWindow, global), rec);
}

bool picturedrag() { return st().gDragFlavor == kPICT || st().gDragFlavor == kMooV; }

// Frames the target object.
void hilitetarget(DragRef drag, Handle list, i16 index) {
  const spot o = spotat(list, index);
  if (o.kind == 2) HiliteDragField(drag, list, index);
  else HiliteDragSpot(drag, list, index);
}

}  // namespace

bool draggedfile(DragRef drag, DragItemRef item, DraggedFile* out) {
  i32 size = 0;
  if (GetFlavorDataSize(drag, item, kHFS, &size) != noErr || size < 12) return false;
  std::vector<u8> b(static_cast<std::size_t>(size));
  if (GetFlavorData(drag, item, kHFS, b.data(), &size, 0) != noErr) return false;
  u16 length = 0;
  std::memcpy(&out->type, b.data(), 4);
  std::memcpy(&length, b.data() + 10, 2);
  if (12 + i32(length) > size) return false;
  out->path.assign(reinterpret_cast<const char*>(b.data()) + 12, length);
  if (out->type == 0) {
    // The type from the name's extension.
    const auto dot = out->path.rfind('.');
    std::string ext = dot == std::string::npos ? "" : out->path.substr(dot + 1);
    for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (ext == "txt" || ext == "text") out->type = kTEXT;
    else if (ext == "rtf") out->type = kRTF;
    else if (ext == "pict" || ext == "pct") out->type = kPICT;
  }
  return true;
}

bool topdropobject(const desk& d, Point local, bool skipdragged, Handle* list, i16* index) {
  return topmost(d, local, skipdragged, list, index);
}

OSErr MyDefaultTrackingHandler(DragTrackingMessage message, WindowRef window, u32, DragRef drag) {
  DragToolState& s = st();
  s.gDragTrackingMessage = u16(message);
  DragAttributes attributes = 0;
  GetDragAttributes(drag, &attributes);
  switch (message) {
    case kDragTrackingEnterHandler:
      s.gDragFlavor = kBlanks;
      s.gDragIsText = s.gDragIsImage = s.gDragIsRTF = s.gDragIsSpot = s.gDragIsIcon = 0;
      s.gTargetWdHasDesk = 0;
      s.currentdrag = drag;
      disposehilitebits();
      emptyhiliteregion();
      setcursor(kThemeArrowCursor);
      break;
    case kDragTrackingEnterWindow: {
      s.gCaretTime = TickCount();
      s.gLastOffset = s.gCaretOffset = -1;
      s.gCaretShow = 1;
      s.gIsWindowFavorite = s.gCursorInContent = 0;
      s.gDragTargetWindow = window;
      disposehilitebits();
      s.gTargetQ = nilhandle;
      s.gTargetIdx = -1;
      s.gTargetRec = nilid;
      if (!getwind(window, &s.gTargetDesk)) {
        s.gCanAcceptItems = 0;
        break;
      }
      s.gTargetWdHasDesk = 1;
      if (browsetool(s.gTargetDesk.tool)) acceptbrowse(drag, attributes, s.gTargetDesk.tool);
      else if (pointertool(s.gTargetDesk.tool)) acceptpointer(drag);
      break;
    }
    case kDragTrackingInWindow: {
      s.gDragTargetWindow = window;
      if (!getwind(window, &s.gTargetDesk) || drag == nilid) break;
      const u16 tool = s.gTargetDesk.tool;
      if (browsetool(tool)) {
        TrackDragInBrowseWd(window, drag, attributes, tool);
      } else if (pointertool(tool) && s.gCanAcceptItems && !(attributes & kDragInsideSenderWindow)) {
        HiliteDragWindow(drag, window);
        s.gCursorInContent = 1;
      }
      break;
    }
    case kDragTrackingLeaveWindow: {
      desk d{};
      if (!getwind(window, &d)) break;
      erasecaret();
      // A frame drawn in the window goes with its pixels put back, whether or not the drag
      // left its sender window.
      if (s.gIsWindowFavorite || s.gCursorInContent || s.gDragHiliteRgn != nilid) myHideDragHilite(drag);
      s.gTargetRec = nilid;
      s.gDragIsInOpenField = 0;
      s.gTargetObj = spot{};
      disposehilitebits();
      emptyhiliteregion();
      s.gDragTargetWindow = nilid;
      s.gTargetWdHasDesk = 0;
      setcursor(kThemeArrowCursor);
      break;
    }
    case kDragTrackingLeaveHandler:
      s.currentdrag = nilid;
      if (drag != nilid) myHideDragHilite(drag);
      disposehilitebits();
      emptyhiliteregion();
      s.gDragTargetWindow = nilid;
      setcursor(kThemeArrowCursor);
      break;
    default: break;
  }
  return noErr;
}

void TrackDragInBrowseWd(WindowRef window, DragRef drag, DragAttributes attributes, u16 tool) {
  DragToolState& s = st();
  const MainGlobals& g = mainglobals();
  Point global{0, 0};
  GetDragMouse(drag, &global, nullptr);
  s.gDragIsInOpenField = 0;
  s.gIsFavoriteFlavor = 0;
  Handle favlist = nilhandle;
  i16 favindex = -1;
  if (g.allowFavoriteFlavors) {
    // The window as a whole.
    if (g.memplentiful || !nomemory(300000)) {
      const std::vector<OSType> fav = windowfavourites(s.gTargetDesk, "favoriteFlavors");
      bool any = false;
      for (DragItemRef item : items(drag))
        for (OSType t : flavorsof(drag, item)) any = any || listed(fav, t);
      if (any) {
        HiliteDragWindow(drag, window);
        s.gCursorInContent = s.gIsWindowFavorite = s.gIsFavoriteFlavor = 1;
        setcursor(kThemeCopyArrowCursor);
        return;
      }
    }
    if (s.gIsWindowFavorite) {
      s.gIsWindowFavorite = 0;
      myHideDragHilite(drag);
    }
    // The object under the mouse.
    s.gTargetObj = spot{};
    Handle l = nilhandle;
    i16 i = -1;
    if (projectwindow(window) && incontent(window, global) &&
        topmost(s.gTargetDesk, cardpoint(window, global), true, &l, &i)) {
      const spot o = spotat(l, i);
      bool hasfav = false, hashfs = false;
      const std::vector<OSType> fav = objectfavourites(o, "favoriteFlavors", &hasfav);
      bool favourite = false;
      if ((o.flags & kSpotAllowDrop) && hasfav) {
        favourite = !fav.empty();
        for (DragItemRef item : items(drag)) {
          const std::vector<OSType> types = flavorsof(drag, item);
          favourite = favourite && std::any_of(types.begin(), types.end(), [&](OSType t) { return listed(fav, t); });
        }
      } else if ((o.flags & kSpotAllowDrop) && !hasfav) {
        const std::vector<OSType> hfs = objectfavourites(o, "favoriteHFSFlavors", &hashfs);
        const std::vector<DragItemRef> all = items(drag);
        DraggedFile first;
        if (hashfs && !all.empty() && draggedfile(drag, all[0], &first)) {
          favourite = true;
          for (DragItemRef item : all) {
            DraggedFile f;
            if (draggedfile(drag, item, &f)) favourite = favourite && listed(hfs, f.type);
          }
        }
      }
      if (favourite) {
        s.gTargetObj = o;
        s.gIsFavoriteFlavor = 1;
        favlist = l;
        favindex = i;
      }
    }
  }
  const bool lookfields = s.gIsFavoriteFlavor ||
                          (g.allowAutomaticFlavors && (s.gDragFlavor == kTEXT || s.gDragFlavor == kRTF ||
                                                       s.gDragFlavor == kPICT || s.gDragFlavor == kMooV));
  if (lookfields) {
    RegistryId rec = nilid;
    Handle l = nilhandle;
    i16 i = -1;
    const bool left = (attributes & kDragHasLeftSenderWindow) != 0;
    const bool objectdrag = s.gDragIsSpot != 0;
    if (DragIsInOpenField(global, &rec, &l, &i) && !(picturedrag() && !(spotat(l, i).flags & spotallowobjects))) {
      s.gDragIsInOpenField = 1;
      u16 mods = 0, down = 0;
      GetDragModifiers(drag, &mods, &down, nullptr);
      setcursor(((mods | down) & optionKey) ? kThemeCopyArrowCursor : kThemeArrowCursor);
      fieldtarget(drag, rec, l, i, global, left || objectdrag);
      s.gTargetQ = l;
      s.gTargetIdx = i;
      s.gCursorInContent = 1;
      return;
    }
    if (DragIsInOtherField(global, &rec, &l, &i) && !(picturedrag() && !(spotat(l, i).flags & spotallowobjects))) {
      fieldtarget(drag, rec, l, i, global, true);
      setcursor(kThemeCopyArrowCursor);
      s.gTargetQ = l;
      s.gTargetIdx = i;
      s.gCursorInContent = 1;
      return;
    }
    erasecaret();
    s.gInsertPosition = s.gLastOffset = -1;
    if (s.gTargetRec != nilid) myHideDragHilite(drag);
    s.gTargetRec = nilid;
    if (s.gDragFlavor == kTEXT && !s.gIsFavoriteFlavor) {
      s.gTargetQ = nilhandle;
      s.gTargetIdx = -1;
      s.gCursorInContent = 0;
      setcursor(kThemeArrowCursor);
      return;
    }
  }
  // Object targets: the favourite, or a picture container under a picture drag.
  s.gTargetIdx = -1;
  Handle l = favlist;
  i16 i = favindex;
  if (i < 0 && g.allowAutomaticFlavors && s.gDragFlavor == kPICT) {
    if (!DragIsInPictureDataContainer(global, &l, &i)) i = -1;
  }
  if (i >= 0) {
    if (s.gTargetQ != l || s.gTargetIdx != i) hilitetarget(drag, l, i);
    setcursor(kThemeCopyArrowCursor);
    s.gCursorInContent = 1;
    s.gTargetQ = l;
    s.gTargetIdx = i;
    return;
  }
  myHideDragHilite(drag);
  s.gTargetQ = nilhandle;
  s.gTargetIdx = -1;
  s.gCursorInContent = 0;
  setcursor(kThemeArrowCursor);
  (void)tool;
}

bool DragIsInOpenField(Point global, RegistryId* rec, Handle* list, i16* index) {
  DragToolState& s = st();
  const MainGlobals& g = mainglobals();
  s.gTargetObj = spot{};
  if (g.openfield < 0 || g.openfieldrec == nilid || g.openfieldspots == nilhandle) return false;
  if (g.openfield >= spotcount(g.openfieldspots)) return false;
  const WindowRef w = g.openfieldwindow != nilid ? g.openfieldwindow : g.current.window;
  if (!incontent(w, global)) return false;
  const Point local = cardpoint(w, global);
  LongRect view{};
  WEGetViewRect(&view, g.openfieldrec);
  if (local.h < view.left || local.h >= view.right || local.v < view.top || local.v >= view.bottom) return false;
  const spot f = spotat(g.openfieldspots, g.openfield);
  if (!(f.flags & kSpotAllowDrop) || (f.flags & kSpotLockText) || !(textdrag() || picturedrag())) return false;
  if (rec) *rec = g.openfieldrec;
  target(g.openfieldspots, g.openfield, list, index);
  s.gDragIsInOpenField = 1;
  return true;
}

bool DragIsInOtherField(Point global, RegistryId* rec, Handle* list, i16* index) {
  DragToolState& s = st();
  const MainGlobals& g = mainglobals();
  s.gTargetObj = spot{};
  const WindowRef w = s.gDragTargetWindow;
  if (!projectwindow(w) || !incontent(w, global)) return false;
  Handle l = nilhandle;
  i16 i = -1;
  if (!topmost(s.gTargetDesk, cardpoint(w, global), false, &l, &i)) return false;
  const spot f = spotat(l, i);
  if (l == g.openfieldspots && i == g.openfield) return false;
  if (f.style != stylefieldrect && f.style != stylefieldscroll) return false;
  if (!(f.flags & kSpotAllowDrop) || (f.flags & kSpotLockText) || !(textdrag() || picturedrag())) return false;
  RegistryId r = nilid;
  if (s.gTargetQ == l && s.gTargetIdx == i && s.gTargetRec != nilid) {
    r = s.gTargetRec;
  } else {
    objread ref{};
    ref.kind = objpart;
    ref.d = s.gTargetDesk;
    ref.objects = l;
    ref.objindex = i;
    ref.ownerrecid = l == s.gTargetDesk.cardspots ? s.gTargetDesk.cardrecid : s.gTargetDesk.backrecid;
    r = getreadwerec(ref);
  }
  if (r == nilid) return false;
  if (rec) *rec = r;
  target(l, i, list, index);
  return true;
}

bool DragIsInPictureDataContainer(Point global, Handle* list, i16* index) {
  DragToolState& s = st();
  s.gTargetObj = spot{};
  const WindowRef w = s.gDragTargetWindow;
  if (!projectwindow(w) || !incontent(w, global)) return false;
  Handle l = nilhandle;
  i16 i = -1;
  const Point pt = cardpoint(w, global);
  if (!topmost(s.gTargetDesk, pt, true, &l, &i) || !lowinpicturespot(spotat(l, i), pt)) return false;
  target(l, i, list, index);
  return true;
}

bool lowinsidespot(const spot& o, Point pt) {
  const bool showinvisible = false;
  if (!(o.flags & spotvisible) && !showinvisible) return false;
  const Rect r{i16(o.rect.top - 2), i16(o.rect.left - 2), i16(o.rect.bottom + 2), i16(o.rect.right + 2)};
  auto inrect = [&](const Rect& x) { return pt.h >= x.left && pt.h < x.right && pt.v >= x.top && pt.v < x.bottom; };
  if (!inrect(r)) return false;
  switch (o.style) {
    case 100:
    case 105:
    case 106:
    case 108: return true;
    case 103: {
      const graphictail t = loadat<graphictail>(o.tail.b);
      const double x1 = t.point1.h, y1 = t.point1.v, x2 = t.point2.h, y2 = t.point2.v;
      const double dx = x2 - x1, dy = y2 - y1, len2 = dx * dx + dy * dy;
      double u = len2 > 0 ? ((pt.h - x1) * dx + (pt.v - y1) * dy) / len2 : 0;
      u = std::clamp(u, 0.0, 1.0);
      const double d = std::hypot(pt.h - (x1 + u * dx), pt.v - (y1 + u * dy));
      return d <= (o.penwidth + o.penheight) / 2.0 + 2;
    }
    case 101:
    case 102:
    case 104:
    case 107:
    case 201:
    case 202:
    case 207: {
      RgnHandle rgn = nilid;
      if (getrgnfromspot(o, &rgn) != 0 || rgn == nilid) return false;
      // Within 2 pixels of the shape.
      InsetRgn(rgn, -2, -2);
      const bool in = PtInRgn(pt, rgn);
      DisposeRgn(rgn);
      return in;
    }
    default:
      if ((o.style >= 200 && o.style <= 229 && o.style != 227) || (o.style >= 300 && o.style <= 303))
        return inrect(o.rect);
      return false;
  }
}

bool lowinpicturespot(const spot& o, Point pt) {
  if (!(o.flags & kSpotAllowDrop)) return false;
  switch (o.style) {
    case 100:
    case 101:
    case 102:
    case 104:
    case 107: return lowinsidespot(o, pt);
    default: return false;
  }
}

void weDrawCaret(i32 offset, RegistryId rec) {
  if (offset < 0 || rec == nilid) return;
  LongPoint p{};
  i16 height = 0;
  WEGetPoint(offset, 0, &p, &height, rec);
  const i32 length = WEGetTextLength(rec);
  if (offset == length && length > 0 && WEGetChar(length - 1, rec) == '\r') p.v += height;
  LongRect view{};
  WEGetViewRect(&view, rec);
  RgnHandle clip = NewRgn(), keep = NewRgn();
  GetClip(keep);
  const Rect v{i16(view.top), i16(view.left), i16(view.bottom), i16(view.right)};
  RectRgn(clip, v);
  SectRgn(clip, keep, clip);
  SetClip(clip);
  PenState pen{};
  GetPenState(&pen);
  PenNormal();
  PenMode(patXor);
  // One pixel wide and one line high, ending a pixel above the line's bottom.
  const Rect caret{i16(p.v), i16(p.h - 1), i16(p.v + height - 1), i16(p.h)};
  PaintRect(&caret);
  SetPenState(&pen);
  SetClip(keep);
  DisposeRgn(clip);
  DisposeRgn(keep);
}

void DoInsertCaret(Point local, RegistryId rec) {
  DragToolState& s = st();
  LongRect view{}, dest{};
  WEGetViewRect(&view, rec);
  WEGetDestRect(&dest, rec);
  auto in = [&](const LongRect& r) {
    return local.h >= r.left && local.h < r.right && local.v >= r.top && local.v < r.bottom;
  };
  i32 offset = -1;
  if (!in(view) || !in(dest)) {
    if (local.v >= dest.bottom && local.v < view.bottom && local.h >= view.left && local.h < view.right)
      offset = WEGetTextLength(rec);
  } else {
    LongPoint lp{local.v, local.h};
    i8 edge = 0;
    offset = WEGetOffset(&lp, &edge, rec);
    // At the end of a wrapped line the caret stays on that line.
    const i32 length = WEGetTextLength(rec);
    if (offset > 0 && WEGetChar(offset - 1, rec) != '\r') {
      // The offset starts a line when the line of the character before it ends there.
      i32 ls = 0, le = 0;
      WEFindLine(offset - 1, 0, &ls, &le, rec);
      if (le == offset && offset < length) {
        LongPoint prev{};
        i16 h = 0;
        WEGetPoint(offset - 1, 0, &prev, &h, rec);
        if (local.h > prev.h && local.v < prev.v + h) --offset;
      }
    }
  }
  const u32 now = TickCount();
  if (offset != s.gInsertPosition) {
    s.gCaretShow = 1;
    s.gCaretTime = now;
  } else if (now - s.gCaretTime > GetCaretTime()) {
    s.gCaretShow = s.gCaretShow ? 0 : 1;
    s.gCaretTime = now;
  }
  s.gInsertPosition = offset;
  const i32 show = s.gCaretShow ? offset : -1;
  if (show != s.gCaretOffset) {
    SavePort keep;
    SetPortWindowPort(s.gDragTargetWindow);
    if (s.gCaretOffset >= 0) weDrawCaret(s.gCaretOffset, rec);
    if (show >= 0) weDrawCaret(show, rec);
    s.gCaretOffset = show;
  }
}

void myShowDragHilite(DragRef drag, RgnHandle region, bool inside) {
  DragToolState& s = st();
  const WindowRef w = s.gDragTargetWindow;
  SavePort keep;
  SetPortWindowPort(w);
  if (!projectwindow(w)) {
    ShowDragHilite(drag, region, inside);
    return;
  }
  if (s.gDragTrackingMessage != kDragTrackingInWindow) return;
  RgnHandle band = NewRgn(), edge = NewRgn();
  CopyRgn(region, edge);
  if (inside) {
    InsetRgn(edge, kFrameWidth, kFrameWidth);
    DiffRgn(region, edge, band);
  } else {
    InsetRgn(edge, -kFrameWidth, -kFrameWidth);
    DiffRgn(edge, region, band);
  }
  DisposeRgn(edge);
  const bool same = s.gDragHiliteRgn != nilid && s.gHiliteDrag == drag && s.gHiliteWindow == w &&
                    EqualRgn(band, s.gDragHiliteRgn) && s.gDragHiliteBits != nilid;
  if (same) {
    DisposeRgn(band);
    return;
  }
  myHideDragHilite(drag);
  const Rect b = regionbounds(band);
  GWorldPtr saved = nilid;
  if (!EmptyRgn(band) && NewGWorld(&saved, 32, &b, 0, 0, 0) == noErr) {
    CGrafPtr port = GetWindowPort(w);
    CopyBits(GetPortBitMapForCopyBits(port), GetPortBitMapForCopyBits(saved), &b, &b, srcCopy, nilid);
    ThemeDrawingState theme = nilid;
    GetThemeDrawingState(&theme);
    SetThemePen(kDragHiliteBrush, GetPixDepth(GetPortPixMap(port)), true);
    PaintRgn(band);
    SetThemeDrawingState(theme, true);
  }
  s.gDragHiliteRgn = band;
  s.gDragHiliteBits = saved;
  s.gHiliteDrag = drag;
  s.gHiliteWindow = w;
}

void myHideDragHilite(DragRef drag) {
  DragToolState& s = st();
  const WindowRef w = s.gHiliteWindow != nilid ? s.gHiliteWindow : s.gDragTargetWindow;
  if (w != nilid && IsValidWindowPtr(w) && projectwindow(w)) {
    if (s.gDragHiliteRgn != nilid && !EmptyRgn(s.gDragHiliteRgn) && s.gDragHiliteBits != nilid) {
      const Rect b = regionbounds(s.gDragHiliteRgn);
      CopyBits(GetPortBitMapForCopyBits(s.gDragHiliteBits), GetPortBitMapForCopyBits(GetWindowPort(w)), &b, &b, srcCopy,
               s.gDragHiliteRgn);
      ValidWindowRgn(w, s.gDragHiliteRgn);
    }
    disposehilitebits();
    emptyhiliteregion();
    s.gHiliteDrag = nilid;
    s.gHiliteWindow = nilid;
    return;
  }
  HideDragHilite(drag);
}

void HiliteDragField(DragRef drag, Handle list, i16 index) {
  const spot f = spotat(list, index);
  Rect r{i16(f.rect.top + 1), i16(f.rect.left + 1), i16(f.rect.bottom - 1), i16(f.rect.right - 1)};
  if (f.style == stylefieldscroll || f.style == stylefieldscrolllist) r.right = i16(r.right - kScrollBarWidth);
  RgnHandle rgn = NewRgn();
  RectRgn(rgn, r);
  myShowDragHilite(drag, rgn, true);
  DisposeRgn(rgn);
}

void HiliteDragSpot(DragRef drag, Handle list, i16 index) {
  const spot o = spotat(list, index);
  if (o.style == stylefieldscroll || o.style == stylefieldscrolllist) {
    HiliteDragField(drag, list, index);
    return;
  }
  RgnHandle rgn = nilid;
  bool inside = false;
  if (o.style == 100) {
    rgn = NewRgn();
    const bool plain = o.alt == nilhandle && !o.showfill;
    Rect r = o.rect;
    if (plain)
      r = Rect{i16(r.top + o.penheight), i16(r.left + o.penwidth), i16(r.bottom - o.penheight),
               i16(r.right - o.penwidth)};
    RectRgn(rgn, r);
    inside = plain;
  } else if (getrgnfromspot(o, &rgn) != 0 || rgn == nilid) {
    return;
  }
  myShowDragHilite(drag, rgn, inside);
  DisposeRgn(rgn);
}

void HiliteDragWindow(DragRef drag, WindowRef window) {
  Rect r{0, 0, 0, 0};
  GetWindowPortBounds(window, &r);
  desk d{};
  if (getwind(window, &d)) {
    const bool v = d.vscroll != nilid && IsControlVisible(d.vscroll);
    const bool h = d.hscroll != nilid && IsControlVisible(d.hscroll);
    if (v) r.right = i16(r.right - kScrollBarWidth);
    if (h) r.bottom = i16(r.bottom - kScrollBarWidth);
  }
  RgnHandle rgn = NewRgn();
  RectRgn(rgn, r);
  myShowDragHilite(drag, rgn, true);
  DisposeRgn(rgn);
}

}  // namespace kv
