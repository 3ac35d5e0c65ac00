// Drag sending: the drag handlers switched with `allowDragAndDrop`, the drag state and its
// reset, `pick` of one object or of the selection, the open field's text dragged out, the
// drag image of an object, and the send procedures that make promised flavours.
#include "tools/dragsend.h"

#include <algorithm>
#include <cstring>

#include "commands/objectfunctions.h"
#include "fields/fieldrecords.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "platform/qd/copybits.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/runtime/root.h"
#include "platform/windows/cursor.h"
#include "render/buttonicons.h"
#include "render/carddrawing.h"
#include "core/mainglobals.h"
#include "engine/textutil.h"
#include "platform/qd/qdtext.h"
#include "store/fieldtext.h"
#include "store/objects.h"
#include "store/reftexts.h"
#include "system/proctable.h"
#include "textengine/werecord.h"
#include "tools/dragstate.h"
#include "tools/gather.h"
#include "tools/objectclipboard.h"
#include "tools/picturedrops.h"

namespace kv {

namespace {

constexpr OSType kTEXT = 0x54455854, kStyl = 0x7374796C, kPICT = 0x50494354;
constexpr u16 kResultNoDragManager = 67;

void dragarrowcursor() {
  if (!mainglobals().lockCursor) SetThemeCursor(kThemeArrowCursor);
}

// Where the window's local (card) point (0, 0) lies on the screen.
Point windoworigin(WindowRef window) {
  Point o{0, 0};
  SavePort keep;
  SetPortWindowPort(window);
  LocalToGlobal(&o);
  return o;
}

// The region less itself inset by one pixel: what is dragged without an image.
void tooutline(RgnHandle rgn) {
  RgnHandle inner = NewRgn();
  CopyRgn(rgn, inner);
  InsetRgn(inner, 1, 1);
  DiffRgn(rgn, inner, rgn);
  DisposeRgn(inner);
}

FlavorFlags promiseflags() { return mainglobals().allowDragExport ? FlavorFlags(0) : FlavorFlags(flavorSenderOnly); }

// The long reference text of what the drag state's reference names.
std::string longreference(const objread& obj) {
  Str255 s{};
  buildnametext(obj, tok::long_, s);
  return std::string(reinterpret_cast<const char*>(s + 1), s[0]);
}

// Tracks the drag with the object's reference as `the dragObject` meanwhile.
OSErr trackwithname(DragRef drag, const EventRecord& event, RgnHandle rgn) {
  DragToolState& s = dragtoolstate();
  s.dragobject = longreference(s.gDragRead);
  const OSErr err = TrackDrag(drag, &event, rgn);
  dragtoolstate().dragobject.clear();
  return err;
}

bool istextobject(const spot& s) {
  return s.style == stylefieldrect || s.style == stylefieldscroll || s.style == styletext;
}

// The part of an object's stored text the flavour asks for (nothing for a text whose counts do
// not fit its block).
void sendtextpart(const spot& s, FlavorType type, DragItemRef item, DragRef drag) {
  if (!istextobject(s) || s.data == nilhandle) return;
  const u8* bytes = static_cast<const u8*>(deref(s.data));
  const i64 size = GetHandleSize(s.data);
  if (size < 2) return;
  const u16 n = loadat<u16>(bytes);
  if (2 + 20 * i64(n) + kFieldTailSize > size) return;
  const i32 textstart = 2 + 20 * i32(n);
  if (type == kTEXT) {
    SetDragItemFlavorData(drag, item, type, bytes + textstart, i32(size - textstart - kFieldTailSize), 0);
    return;
  }
  if (n >= 1) {
    SetDragItemFlavorData(drag, item, type, bytes, textstart, 0);
    return;
  }
  // No runs: one run made from the tail. {count; start, line height, ascent, font, face,
  // size, colour}.
  const fieldtail tail = fieldtextail(bytes, size);
  FontInfo fi{};
  {
    SavePort keep;
    TextFont(i16(tail.font));
    TextSize(i16(tail.size));
    TextFace(u8(tail.face));
    GetFontInfo(&fi);
  }
  i16 height = tail.lineheight > 0 ? tail.lineheight : i16(fi.ascent + fi.descent + fi.leading);
  u8 scrap[22] = {};
  auto put16 = [&](int at, u16 v) { std::memcpy(scrap + at, &v, 2); };
  put16(0, 1);
  const i32 start = 0;
  std::memcpy(scrap + 2, &start, 4);
  put16(6, u16(height));
  put16(8, u16(fi.ascent));
  put16(10, u16(tail.font));
  scrap[12] = u8(tail.face);
  put16(14, u16(tail.size));
  if (mainglobals().colorWorld) {
    // Each component keeps its top 10 bits.
    auto component = [&](int shift) { return u16(((tail.color >> shift) & 0x3FF) << 6); };
    put16(16, component(0));
    put16(18, component(10));
    put16(20, component(20));
  }
  SetDragItemFlavorData(drag, item, type, scrap, 22, 0);
}

// The picture of an object for its 'PICT' flavour (none when it has none).
PicHandle objectpicture(const objread& ref) {
  if (ref.kind == kDragSelectionKind) {
    Handle copy = NewHandle(0);
    if (copy == nilhandle) return nilhandle;
    PicHandle pic = nilhandle;
    if (copyspot(ref.objects, copy, SelectMode::selected) == 0) pic = listopic(copy);
    dumpspot(copy, SelectMode::all);
    DisposeHandle(copy);
    return pic;
  }
  if (ref.objects == nilhandle || ref.objindex < 0 || ref.objindex >= spotcount(ref.objects)) return nilhandle;
  const spot s = spotat(ref.objects, ref.objindex);
  if (s.kind == 0) {
    Handle data = s.alt != nilhandle ? getaltdata(s.alt, 2) : nilhandle;
    if (data == nilhandle) return nilhandle;
    Handle copy = data;
    if (HandToHand(&copy) != noErr) return nilhandle;
    return copy;
  }
  const u32 icon = loadat<buttontail>(s.tail.b).icon;
  if (icon == 0) return nilhandle;
  // A colour icon of that id, else the black-and-white one.
  CIconHandle cicon = nilhandle;
  if (getcicon(icon, &cicon)) return GetPictFromCicn(s, cicon);
  return GetPictFromICON(s);
}

}  // namespace

DragToolState& dragtoolstate() { return state<DragToolState>(); }

void resetdragstate() {
  DragToolState& s = dragtoolstate();
  s.gCaretTime = 0;
  s.gCursorInContent = s.gCanAcceptItems = 0;
  s.gInsertPosition = s.gLastOffset = 0;
  s.gCaretShow = 0;
  s.gCaretOffset = -1;  // no caret drawn
  s.gDragIsText = s.gDragIsImage = s.gDragIsRTF = s.gDragIsSpot = s.gDragIsIcon = 0;
  s.gTargetWdHasDesk = s.gDuplicatingSpot = 0;
  s.gTargetIdx = -1;
  s.gTargetQ = nilhandle;
  s.gTargetRec = s.gSourceRec = nilid;
  s.gTargetDesk = desk{};
  s.gDragRead = objread{};
  s.gDragSpot = spot{};
  s.gTargetObj = spot{};
  s.gDragFlavor = 0x20202020;
}

bool hasDragMgr() { return mainglobals().hasDragManager != 0; }

OSErr MyInitDragManager() {
  if (!hasDragMgr()) {
    setresulttext(kResultNoDragManager);
    return noErr;
  }
  DragToolState& s = dragtoolstate();
  if (!mainglobals().allowDragAndDrop) return noErr;
  resetdragstate();
  OSErr err = noErr;
  if (!s.trackerinstalled) {
    err = InstallTrackingHandler(getproc<309>(), nilid, 0);
    s.trackerinstalled = err == noErr;
  }
  if (err == noErr && !s.receiverinstalled) {
    err = InstallReceiveHandler(getproc<310>(), nilid, 0);
    s.receiverinstalled = err == noErr;
  }
  return err;
}

OSErr MyKillDragManager() {
  DragToolState& s = dragtoolstate();
  if (!hasDragMgr()) {
    setresulttext(kResultNoDragManager);
    s.trackerinstalled = s.receiverinstalled = false;
    return noErr;
  }
  OSErr err = noErr;
  if (!mainglobals().allowDragAndDrop) {
    if (s.trackerinstalled) err = RemoveTrackingHandler(getproc<309>(), nilid);
    if (err == noErr && s.receiverinstalled) err = RemoveReceiveHandler(getproc<310>(), nilid);
  }
  s.trackerinstalled = s.receiverinstalled = false;
  return err;
}

OSErr MakeSpotDragImage(GWorldPtr* world, RgnHandle* mask, Handle list, i16 index) {
  if (!world || !mask) return paramErr;
  *world = nilid;
  *mask = nilid;
  if (list == nilhandle || index < 0 || index >= spotcount(list)) return paramErr;
  const spot s = spotat(list, index);
  Rect r = s.rect;
  switch (s.style) {
    case 201:
    case 206:
    case 207:
    case 210:
    case 212:
    case 214:
    case 215: ++r.bottom; break;
    default: break;
  }
  *mask = NewRgn();
  if (*mask == nilid) return memFullErr;
  RectRgn(*mask, r);
  const Point o = windoworigin(mainglobals().current.window);
  const i64 area = i64(r.right - r.left) * i64(r.bottom - r.top);
  if (area <= mainglobals().translucentDragLimit && area > 0) {
    GWorldPtr w = nilid;
    if (NewGWorld(&w, 32, &r, 0, 0, 0) == noErr) {
      SavePort keep;
      SetGWorld(w, 0);
      EraseRect(&r);
      RgnHandle visible = NewRgn();
      SetRectRgn(visible, -32767, -32767, 32767, 32767);
      lowdrawspots(3, list, index, visible, 0);
      DisposeRgn(visible);
      *world = w;
    }
  }
  OffsetRgn(*mask, o.h, o.v);
  return noErr;
}

bool PickSpot(const EventRecord& event, const objread& obj) {
  if (obj.kind != objpart || obj.objects == nilhandle || obj.objindex < 0 || obj.objindex >= spotcount(obj.objects))
    return false;
  const spot s = spotat(obj.objects, obj.objindex);
  if (!(s.flags & kSpotAllowDrag)) return false;
  dragarrowcursor();
  resetdragstate();
  RgnHandle rgn = nilid;
  if (getrgnfromspot(s, &rgn) != 0 || rgn == nilid) return false;
  const Point o = windoworigin(obj.d.window);
  OffsetRgn(rgn, o.h, o.v);
  bool done = false;
  DragRef drag = nilid;
  GWorldPtr world = nilid;
  RgnHandle mask = nilid;
  if (WaitMouseMoved(event.where) && NewDrag(&drag) == noErr) {
    DragToolState& st = dragtoolstate();
    st.gDragRead = obj;
    AddDragItemFlavor(drag, 1, kFlavorMDOX, &st.gDragRead, i32(sizeof(objread)), flavorSenderOnly);
    const bool picturegraphic = s.kind == 0 &&
                                (s.style == 100 || s.style == 101 || s.style == 102 || s.style == 104 ||
                                 s.style == 106 || s.style == 107) &&
                                s.alt != nilhandle && getaltdata(s.alt, 2) != nilhandle;
    if (picturegraphic) AddDragItemFlavor(drag, 1, kPICT, nullptr, 0, promiseflags());
    if (s.kind == 2 || s.style == styletext) {
      AddDragItemFlavor(drag, 1, kTEXT, nullptr, 0, promiseflags());
      AddDragItemFlavor(drag, 1, kStyl, nullptr, 0, promiseflags());
    } else if (!picturegraphic && s.style >= 200 && s.style <= 202 && loadat<buttontail>(s.tail.b).icon != 0) {
      AddDragItemFlavor(drag, 1, kPICT, nullptr, 0, promiseflags());
    }
    SetDragSendProc(drag, getproc<312>(), 0);
    const Rect bounds = regionbounds(rgn);
    SetDragItemBounds(drag, 1, &bounds);
    if (MakeSpotDragImage(&world, &mask, obj.objects, obj.objindex) == noErr) {
      if (world != nilid) {
        // The world lies over the object's card rectangle: the image moves by the window's
        // origin, as the mask did.
        RgnHandle local = NewRgn();
        CopyRgn(mask, local);
        OffsetRgn(local, i16(-o.h), i16(-o.v));
        SetDragImage(drag, GetGWorldPixMap(world), local, o, u32(mainglobals().translucentDragOpacity));
        DisposeRgn(local);
      } else {
        tooutline(rgn);
      }
      done = trackwithname(drag, event, rgn) == noErr;
    }
    DisposeDrag(drag);
  }
  if (world != nilid) DisposeGWorld(world);
  if (mask != nilid) DisposeRgn(mask);
  DisposeRgn(rgn);
  resetdragstate();
  return done;
}

bool PickSelectedSpots(const EventRecord& event, const objread& obj) {
  resetdragstate();
  if (obj.objects == nilhandle) return false;
  RgnHandle all = NewRgn();
  bool any = false;
  for (i32 i = 0; i < spotcount(obj.objects); ++i) {
    const spot s = spotat(obj.objects, i);
    if (!s.selected || !(s.flags & kSpotAllowDrag)) continue;
    RgnHandle one = nilid;
    if (getrgnfromspot(s, &one) != 0 || one == nilid) continue;
    UnionRgn(all, one, all);
    DisposeRgn(one);
    any = true;
  }
  if (!any) {
    DisposeRgn(all);
    return false;
  }
  dragarrowcursor();
  const Point o = windoworigin(obj.d.window);
  OffsetRgn(all, o.h, o.v);
  bool done = false;
  DragRef drag = nilid;
  if (WaitMouseMoved(event.where) && NewDrag(&drag) == noErr) {
    DragToolState& st = dragtoolstate();
    st.gDragRead = obj;
    st.gDragRead.kind = kDragSelectionKind;
    AddDragItemFlavor(drag, 1, kFlavorMDOX, &st.gDragRead, i32(sizeof(objread)), flavorSenderOnly);
    AddDragItemFlavor(drag, 1, kPICT, nullptr, 0, promiseflags());
    SetDragSendProc(drag, getproc<312>(), 0);
    const Rect bounds = regionbounds(all);
    SetDragItemBounds(drag, 1, &bounds);
    tooutline(all);
    done = trackwithname(drag, event, all) == noErr;
    DisposeDrag(drag);
  }
  DisposeRgn(all);
  resetdragstate();
  return done;
}

bool DragText() {
  MainGlobals& g = mainglobals();
  resetdragstate();
  const RegistryId we = g.openfieldrec;
  if (we == nilid || g.openfield < 0 || g.openfieldspots == nilhandle) return false;
  i32 s0 = 0, s1 = 0;
  WEGetSelection(&s0, &s1, we);
  RgnHandle rgn = WEGetHiliteRgn(s0, s1, we);
  if (rgn == nilid) return false;
  const EventRecord event = g.event;
  Point local = event.where;
  {
    SavePort keep;
    SetPortWindowPort(g.current.window);
    GlobalToLocal(&local);
  }
  if (s0 == s1 || !PtInRgn(local, rgn)) {
    DisposeRgn(rgn);
    return false;
  }
  DragToolState& st = dragtoolstate();
  st.gDragRead = objread{};
  st.gDragRead.kind = objpart;
  st.gDragRead.d = g.current;
  st.gDragRead.objindex = g.openfield;
  st.gDragRead.objects = g.openfieldspots;
  st.gDragRead.ownerrecid = g.openfieldspots == g.current.cardspots ? g.current.cardrecid : g.current.backrecid;
  const Point o = windoworigin(g.current.window);
  OffsetRgn(rgn, o.h, o.v);
  bool done = false;
  DragRef drag = nilid;
  GWorldPtr image = nilid;
  RgnHandle imagergn = nilid;
  if (WaitMouseMoved(event.where) && NewDrag(&drag) == noErr) {
    OSErr err = noErr;
    for (OSType t : _WEDragFlavors(we))
      if ((err = AddDragItemFlavor(drag, 1, t, nullptr, 0, promiseflags())) != noErr) break;
    if (err == noErr) {
      st.gSourceRec = we;
      SetDragSendProc(drag, getproc<311>(), we);
      const Rect bounds = regionbounds(rgn);
      SetDragItemBounds(drag, 1, &bounds);
      err = _WEMakeDragImage(&image, &imagergn, we);
    }
    if (err == noErr) {
      if (image != nilid) SetDragImage(drag, GetGWorldPixMap(image), imagergn, Point{0, 0}, kDragStandardTranslucency);
      else tooutline(rgn);
      const OSErr tracked = trackwithname(drag, event, rgn);
      done = tracked == noErr;
      // Dropped into the trash (only outside the program), without an option key: the text
      // goes from the field.
      DragAttributes attributes = 0;
      u16 down = 0, up = 0;
      GetDragAttributes(drag, &attributes);
      GetDragModifiers(drag, nullptr, &down, &up);
      if (done && !(attributes & kDragInsideSenderApplication) && !((down | up) & optionKey) &&
          WEDraggedToTrash(drag) && WEDelete(we) == noErr)
        SetWERecDirtyFlag(we, true);
    }
    DisposeDrag(drag);
  }
  if (image != nilid) DisposeGWorld(image);
  if (imagergn != nilid) DisposeRgn(imagergn);
  DisposeRgn(rgn);
  resetdragstate();
  return done;
}

OSErr MySendSpotDataProc(FlavorType type, u32, DragItemRef item, DragRef drag) {
  const DragToolState& st = dragtoolstate();
  const objread ref = st.gDragRead;
  if (type == kFlavorMDOX) return SetDragItemFlavorData(drag, item, type, &ref, i32(sizeof(objread)), 0);
  if (type == kTEXT || type == kStyl) {
    if (ref.kind == objpart && ref.objects != nilhandle && ref.objindex >= 0 && ref.objindex < spotcount(ref.objects))
      sendtextpart(spotat(ref.objects, ref.objindex), type, item, drag);
    return noErr;
  }
  if (type != kPICT) return badDragFlavorErr;
  PicHandle pic = objectpicture(ref);
  if (pic == nilhandle) return noErr;
  Rect frame{0, 0, 0, 0};
  QDGetPictureBounds(pic, &frame);
  if (frame.right > frame.left && frame.bottom > frame.top)
    SetDragItemFlavorData(drag, item, type, deref(pic), GetHandleSize(pic), 0);
  KillPicture(pic);
  return noErr;
}

OSErr MySendTextDataProc(FlavorType type, u32 refcon, DragItemRef item, DragRef drag) {
  Handle block = NewHandle(0);
  if (block == nilhandle) return memFullErr;
  OSErr err = _WEStreamSelection(type, block, refcon);
  if (err == noErr) err = SetDragItemFlavorData(drag, item, type, deref(block), GetHandleSize(block), 0);
  DisposeHandle(block);
  return err == badDragFlavorErr ? OSErr(noErr) : err;
}

}  // namespace kv
