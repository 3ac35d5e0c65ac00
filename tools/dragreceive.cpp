// Drop reception: the receive handler, the "mouseDrop" verdict and text drops into fields.
#include "tools/dragreceive.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/blockrunner.h"
#include "engine/objectsend.h"
#include "engine/sendmes.h"
#include "engine/scripterror.h"
#include "engine/status.h"
#include "engine/tokens.h"
#include "fields/rtfreader.h"
#include "fields/fieldscroll.h"
#include "fields/fieldview.h"
#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/text/macroman.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/windows/cursor.h"
#include "platform/windows/theme.h"
#include "platform/windows/windows.h"
#include "shell/fieldputting.h"
#include "shell/scriptdialogparse.h"
#include "core/mainglobals.h"
#include "shell/windtable.h"
#include "render/carddrawing.h"
#include "core/memoryguard.h"
#include "store/objects.h"
#include "commands/objectids.h"
#include "render/spotgeometry.h"
#include "shell/platformutil.h"
#include "tools/toolmessages.h"
#include "textengine/fieldpacking.h"
#include "textengine/weinternal.h"
#include "tools/dragstate.h"
#include "tools/dragtrack.h"
#include "tools/picturedrops.h"

namespace kv {

bool receivefielddrop(WindowRef window, DragRef drag, bool rtf);
bool newfieldfrom(u16 index, DragRef drag, Point drop, bool rtf);

namespace {

constexpr OSType kTTXT = 0x74747874, kTTRO = 0x7474726F, kPICT = 0x50494354;
constexpr OSType kTEXT = 0x54455854, kStyl = 0x7374796C, kWEpf = 0x57457066, kWEru = 0x57457275;
constexpr u16 kTextTool = 605, kPointerTool = 600, kPointerTool2 = 601;
constexpr i32 kTextSlack = 40000, kRTFSlack = 100000, kItemMemory = 30000;
constexpr OSType kRTF = 0x52544620, kRTFD = 0x52544644;
constexpr u32 kAutoHiliteBit = 1u << 2, kHiliteBit = 1u << 6, kBit13 = 1u << 13;

DragToolState& st() { return dragtoolstate(); }

void setcursor(ThemeCursor c) {
  if (!mainglobals().lockCursor) SetThemeCursor(c);
}

// The handles one text drop carries from the scratch record into the field.
struct Collected {
  Handle text = nilhandle, styles = nilhandle, soup = nilhandle, paraformat = nilhandle, rulers = nilhandle;
  Collected() = default;
  Collected(const Collected&) = delete;
  Collected& operator=(const Collected&) = delete;
  ~Collected() {
    for (Handle h : {text, styles, soup, paraformat, rulers})
      if (h != nilhandle) DisposeHandle(h);
  }
};

// Collects every item of the drag (as RTF, or as text) into a scratch record and copies it
// out: false on any failure or when no text came.
bool collecttext(DragRef drag, bool rtf, bool allowobjects, Collected* out) {
  LongRect empty{};
  WEReference scratch = nilid;
  if (WENew(&empty, &empty, 4096, &scratch) != noErr) return false;
  WEFeatureFlag(weFInhibitRecal, 1, scratch);
  SetAllowObjectsFlag(scratch, allowobjects ? 1 : 0);
  u16 n = 0;
  CountDragItems(drag, &n);
  bool ok = n > 0;
  for (u16 i = 1; ok && i <= n; ++i) {
    const i32 end = WEGetTextLength(scratch);
    WESetSelection(end, end, scratch);
    ok = (rtf ? CollectOneRTFItemIntoWERec(drag, i, scratch) : CollectOneDraggedTextItem(drag, i, scratch)) == noErr;
  }
  if (ok) {
    const i32 length = WEGetTextLength(scratch);
    out->text = NewHandle(0);
    out->styles = NewHandle(0);
    out->soup = NewHandle(0);
    out->paraformat = NewHandle(0);
    out->rulers = NewHandle(0);
    ok = length > 0 && out->text != nilhandle && out->styles != nilhandle && out->soup != nilhandle &&
         out->paraformat != nilhandle && out->rulers != nilhandle &&
         WECopyRange(0, length, out->text, out->styles, out->soup, scratch) == noErr &&
         WEStreamRange(0, length, kWEpf, 0, out->paraformat, scratch) == noErr &&
         WEStreamRange(0, length, kWEru, 0, out->rulers, scratch) == noErr;
  }
  WEDispose(scratch);
  return ok;
}

// Reads a whole flavour into a new handle, asking for `slack` bytes more unless memory is
// plentiful: noErr, -108, or the drag's error.
OSErr readflavor(DragRef drag, DragItemRef item, OSType type, i32 slack, Handle* out) {
  *out = nilhandle;
  i32 size = 0;
  OSErr err = GetFlavorDataSize(drag, item, type, &size);
  if (err != noErr) return err;
  if (!mainglobals().memplentiful && nomemory(size + slack)) return -108;
  Handle h = NewHandle(size);
  if (h == nilhandle) return -108;
  err = GetFlavorData(drag, item, type, deref(h), &size, 0);
  if (err != noErr) {
    DisposeHandle(h);
    return err;
  }
  SetHandleSize(h, size);
  *out = h;
  return noErr;
}

bool iconbutton(const spot& o) { return o.kind == spotbutton && o.style >= 200 && o.style <= 202; }

// A dragged button showing an icon dropped on a button of the same styles with allowDrop: the
// target takes the icon. False when the object under the drop point is not such a button (the
// drop goes on as any other); else *taken says how the drop ended.
bool iconDrop(WindowRef window, DragRef drag, bool* taken) {
  DragToolState& s = st();
  const i16 kind = GetWindowKind(window);
  if (kind != 114 && kind != 115 && kind != 118) return false;
  Point global{0, 0};
  GetDragMouse(drag, &global, nullptr);
  Rect content{0, 0, 0, 0};
  GetWindowBounds(window, kWindowContentRgn, &content);
  if (global.h < content.left || global.h >= content.right || global.v < content.top || global.v >= content.bottom)
    return false;
  Point local = global;
  GlobalToLocal(&local);
  Handle list = nilhandle;
  i16 index = -1;
  if (!topdropobject(s.gTargetDesk, local, true, &list, &index)) return false;
  const spot target = spotat(list, index);
  if (!iconbutton(target) || !(target.flags & kSpotAllowDrop)) return false;
  const Verdict verdict = senddrop(window, list, index, -1);
  *taken = verdict != Verdict::refused;
  if (verdict != Verdict::run || !stillthere(window, list, index, target.id)) return true;
  spot o = spotat(list, index);
  buttontail tail = loadat<buttontail>(o.tail.b);
  tail.icon = loadat<buttontail>(s.gDragSpot.tail.b).icon;
  storeat<buttontail>(o.tail.b, tail);
  putspot(list, index, o);
  marklayerchanged(list);
  invalspot(list, index);
  return true;
}

// The object list a drop with a pointer tool goes into: the edited background's, else the card's.
Handle targetlayer(const desk& d) { return d.backlayer ? d.backspots : d.cardspots; }

void clearselection(Handle list) {
  for (i32 i = 0; i < spotcount(list); ++i) {
    spot o = spotat(list, i);
    if (!o.selected) continue;
    o.selected = 0;
    putspot(list, i, o);
  }
}

// The dragged objects ('MDOX') cloned into the target layer. Only this program's own drag
// names objects: the item's bytes must be the drag state's reference, and the objects come
// from the drag state, never from the bytes.
bool cloneobjects(DragRef drag, DragItemRef item, Point drop, bool copy) {
  DragToolState& s = st();
  DragAttributes attributes = 0;
  GetDragAttributes(drag, &attributes);
  objread probe{};
  i32 size = i32(sizeof probe);
  const objread ref = s.gDragRead;
  if (!(attributes & kDragInsideSenderApplication) ||
      GetFlavorData(drag, item, kFlavorMDOX, &probe, &size, 0) != noErr || size != i32(sizeof probe) ||
      std::memcmp(&probe, &ref, sizeof probe) != 0 || ref.objects == nilhandle)
    return false;
  Handle list = targetlayer(s.gTargetDesk);
  const i32 before = spotcount(list);
  s.gTargetQ = list;
  bool ok = true;
  if (ref.kind == objpart) {
    ok = ref.objindex >= 0 && ref.objindex < spotcount(ref.objects) &&
         clonespot(ref.objects, ref.objindex, list) == noErr;
    if (ok) AlignNewObject(drop);
  } else if (ref.kind == kDragSelectionKind) {
    // The source's own length: cloned objects that join it are not cloned again.
    const i32 count = spotcount(ref.objects);
    for (i32 i = 0; ok && i < count; ++i) {
      const spot o = spotat(ref.objects, i);
      if (!o.selected || !(o.flags & kSpotAllowDrag)) continue;
      ok = clonespot(ref.objects, i, list) == noErr;
      if (ok) AlignNewObject(drop);
    }
  } else {
    ok = false;
  }
  if (copy) {
    for (i32 i = 0; i < before && i < spotcount(list); ++i) {
      spot o = spotat(list, i);
      o.selected = 0;
      putspot(list, i, o);
    }
  }
  return ok;
}

// The object-editing drop of the pointer tools.
bool receiveinpointerwd(WindowRef window, DragRef drag) {
  MainGlobals& g = mainglobals();
  DragToolState& s = st();
  if (!s.gCanAcceptItems || !s.gTargetWdHasDesk) return false;
  Point drop{0, 0};
  GetDragMouse(drag, &drop, nullptr);
  GlobalToLocal(&drop);
  DragAttributes attributes = 0;
  u16 down = 0, up = 0;
  GetDragAttributes(drag, &attributes);
  GetDragModifiers(drag, nullptr, &down, &up);
  const bool inside = (attributes & kDragInsideSenderWindow) != 0;
  const bool copy = ((down | up) & optionKey) != 0;
  if (inside && !copy) return false;  // a plain drag inside its own window is a move, not a drop
  s.gDuplicatingSpot = inside ? 1 : 0;
  const desk d = s.gTargetDesk;
  if (!copy) {
    clearselection(d.backspots);
    clearselection(d.cardspots);
    setcursor(kThemeArrowCursor);
  } else {
    setcursor(kThemeCopyArrowCursor);
  }
  if (!g.lockMessages) {
    emptyresult();
    g.dropverdict = 0;
    const i16 status = d.backlayer ? backsend("mouseDrop", window) : cardsend("mouseDrop", sendnormal, window);
    const Verdict verdict = verdictof(status);
    if (verdict == Verdict::taken) return true;
    if (verdict == Verdict::refused) return false;
    // The handler may have closed the window or changed cards.
    desk now{};
    if (!IsValidWindowPtr(window) || !getwind(window, &now) || now.card != d.card || now.back != d.back) return true;
  }
  u16 n = 0;
  CountDragItems(drag, &n);
  bool taken = true;
  for (u16 i = 1; taken && i <= n; ++i) {
    DragItemRef item = 0;
    FlavorFlags flags = 0;
    if (!g.memplentiful && nomemory(kItemMemory)) {
      taken = false;  // no room for another item: the drop stops here
    } else if (GetDragItemReferenceNumber(drag, i, &item) != noErr) {
      taken = false;
    } else if (GetFlavorFlags(drag, item, kFlavorMDOX, &flags) == noErr) {
      i32 size = 0;
      GetFlavorDataSize(drag, item, kFlavorMDOX, &size);
      if (!g.memplentiful && nomemory(size)) {
        showerrordialog(37);  // the item is refused
        taken = false;
      } else {
        taken = cloneobjects(drag, item, drop, copy);
      }
    } else if (GetFlavorFlags(drag, item, kTEXT, &flags) == noErr) {
      taken = ReceiveTextDropInPointerWd(i, drag, item, drop);
    } else if (GetFlavorFlags(drag, item, kPICT, &flags) == noErr) {
      taken = ReceivePictDropInPointerWd(i16(i), drag, item, drop);
    } else {
      DraggedFile file;
      if (!draggedfile(drag, item, &file)) continue;  // an unreadable file flavour: skipped
      if (file.type == kTEXT || file.type == kTTXT || file.type == kTTRO)
        taken = ReceiveTextDropInPointerWd(i, drag, item, drop);
      else if (file.type == kRTF || file.type == kRTFD || rtfdfolder(file)) taken = newfieldfrom(i, drag, drop, true);
      else if (file.type == kPICT || importablefile(file)) taken = ReceivePictDropInPointerWd(i16(i), drag, item, drop);
      // any other file is skipped
    }
  }
  if (taken) {
    // Every new object is selected.
    Handle list = targetlayer(d);
    for (i32 i = 0; i < spotcount(list); ++i) {
      spot o = spotat(list, i);
      if (o.selected) o.selected = o.style == 103 ? 3 : 1;
      putspot(list, i, o);
    }
  }
  if (IsValidWindowPtr(window)) {
    Rect r{0, 0, 0, 0};
    GetWindowPortBounds(window, &r);
    InvalWindowRect(window, &r);
  }
  return taken;
}
}  // namespace

bool macromanpath(const std::string& path, Str255 out) {
  const std::string name = filenametomacroman(path);
  if (name.size() > 255) return false;
  out[0] = u8(name.size());
  std::memcpy(out + 1, name.data(), name.size());
  return true;
}

OSErr readwholefile(const std::string& path, i64 offset, i32 slack, Handle* out) {
  *out = nilhandle;
  Str255 pname{};
  if (!macromanpath(path, pname)) return bdNamErr;
  FileRef ref = 0;
  OSErr err = HOpen(0, 0, pname, fsRdPerm, &ref);
  if (err != noErr) return err;
  i64 length = 0;
  err = GetEOF(ref, &length);
  length -= offset;
  if (err == noErr && length < 0) err = eofErr;
  if (err == noErr && (length > 0x7FFFFFFF - slack || (!mainglobals().memplentiful && nomemory(Size(length) + slack))))
    err = -108;
  Handle h = nilhandle;
  if (err == noErr && (h = NewHandle(Size(length))) == nilhandle) err = -108;
  if (err == noErr) err = SetFPos(ref, fsFromStart, offset);
  if (err == noErr) {
    i64 count = length;
    err = FSRead(ref, &count, deref(h));
    if (err == noErr && count != length) err = eofErr;
  }
  FSClose(ref);
  if (err != noErr) {
    if (h != nilhandle) DisposeHandle(h);
    return err;
  }
  *out = h;
  return noErr;
}

bool resultistrue() {
  const MainGlobals& g = mainglobals();
  if (g.result == nilhandle || GetHandleSize(g.result) != 4) return false;
  const u8* b = static_cast<const u8*>(deref(g.result));
  static const char kTrue[] = "true";
  for (int i = 0; i < 4; ++i)
    if ((b[i] | 0x20) != u8(kTrue[i])) return false;
  return true;
}

// The verdict of a send that answered `status`. A script error was reported by the send itself.
Verdict verdictof(i16 status) {
  const MainGlobals& g = mainglobals();
  if (status == statusexittotop) {
    if (g.dropverdict == tok::accept) return Verdict::run;
    if (g.dropverdict == tok::ignore) return Verdict::taken;
    return Verdict::refused;  // `refuse`, or an exit to the top without a word
  }
  if (status == 0) return resultistrue() ? Verdict::taken : Verdict::run;
  return Verdict::refused;
}

// Sends "mouseDrop" (with an offset when `offset` >= 0) to an object and judges it.
Verdict senddrop(WindowRef window, Handle list, i16 index, i32 offset) {
  emptyresult();
  mainglobals().dropverdict = 0;
  char text[32];
  if (offset >= 0) std::snprintf(text, sizeof text, "mouseDrop %ld", long(offset));
  else std::snprintf(text, sizeof text, "mouseDrop");
  return verdictof(spotsend(sendnormal, list, index, text, window));
}

// Whether the object a drop was sent to is still there: its window open, the same id at its
// index. A handler may delete it, change cards or close the window while the drop is open.
bool stillthere(WindowRef window, Handle list, i16 index, u32 id) {
  desk d{};
  if (!IsValidWindowPtr(window) || !getwind(window, &d)) return false;
  if (list != d.cardspots && list != d.backspots) return false;
  return index >= 0 && index < spotcount(list) && spotat(list, index).id == id;
}

void invalobject(WindowRef window, Handle list, i16 index) {
  if (!IsValidWindowPtr(window) || list == nilhandle || index < 0 || index >= spotcount(list)) return;
  const Rect r = spotat(list, index).rect;
  InvalWindowRect(window, &r);
}

// Forgets the drag caret the drop came with: the fields it was drawn in are redrawn.
void removecaret(WindowRef window, Handle list, i16 index) {
  const MainGlobals& g = mainglobals();
  DragToolState& s = st();
  if (!s.gDropCaret) return;
  if (g.openfieldrec != nilid) invalobject(window, g.openfieldspots, g.openfield);
  invalobject(window, list, index);
  s.gDropCaret = 0;
}

OSErr MyDefaultReceiveHandler(WindowRef window, u32, DragRef drag) {
  MainGlobals& g = mainglobals();
  DragToolState& s = st();
  setcursor(kThemeWatchCursor);
  SavePort keep;
  SetPortWindowPort(window);
  // The caret is drawn over the frame: it goes first, then the frame with the pixels under it.
  s.gDropCaret = s.gCaretOffset >= 0 ? 1 : 0;
  if (s.gCaretOffset >= 0 && s.gTargetRec != nilid) weDrawCaret(s.gCaretOffset, s.gTargetRec);
  s.gCaretOffset = -1;
  myHideDragHilite(drag);
  g.dropunderway = 1;
  g.dropverdict = 0;
  s.currentdrag = drag;
  bool taken = false;
  s.gTargetWdHasDesk = getwind(window, &s.gTargetDesk) ? 1 : 0;
  if (s.gTargetWdHasDesk) {
    const u16 tool = s.gTargetDesk.tool;
    if (tool == 100 || tool == 101 || tool == kTextTool) taken = ReceiveDropInBrowseWd(window, drag);
    else if (tool == kPointerTool || tool == kPointerTool2) taken = receiveinpointerwd(window, drag);
  }
  g.dropunderway = 0;
  g.dropverdict = 0;
  s.gDropCaret = 0;
  if (!taken) s.currentdrag = nilid;
  setcursor(kThemeArrowCursor);
  return taken ? OSErr(noErr) : OSErr(dragNotAcceptedErr);
}

bool ReceiveDropInBrowseWd(WindowRef window, DragRef drag) {
  DragToolState& s = st();
  setcursor(kThemeWatchCursor);
  if (!s.gCanAcceptItems) return false;
  bool taken = false;
  bool decided = false;
  if (s.gDragIsIcon) decided = iconDrop(window, drag, &taken);
  if (decided) return taken;
  if (s.gDragFlavor == kTEXT) taken = ReceiveTextDropInBrowseWd(window, drag);
  else if (s.gDragFlavor == kRTF) taken = receivefielddrop(window, drag, true);
  else if (s.gDragFlavor == kPICT) taken = ReceivePictDropInBrowseWd(window, drag);
  if (taken || !s.gIsFavoriteFlavor || !s.gCanAcceptItems) return taken;
  // A favourite flavour: the script alone decides.
  emptyresult();
  mainglobals().dropverdict = 0;
  i16 status = 0;
  if (s.gTargetRec != nilid && s.gTargetIdx >= 0) {
    char text[32];
    std::snprintf(text, sizeof text, "mouseDrop %ld", long(s.gInsertPosition));
    status = spotsend(sendnormal, s.gTargetQ, s.gTargetIdx, text, window);
  } else if (s.gTargetIdx >= 0) {
    status = spotsend(sendnormal, s.gTargetQ, s.gTargetIdx, "mouseDrop", window);
  } else {
    status = cardsend("mouseDrop", sendnormal, window);
  }
  if (status == 0) return true;
  if (status == statusexittotop) {
    const u16 word = mainglobals().dropverdict;
    return word == tok::accept || word == tok::ignore;
  }
  return false;
}

bool ReceiveTextDropInBrowseWd(WindowRef window, DragRef drag) { return receivefielddrop(window, drag, false); }

// Text or RTF into the open field or another field under the drop point.
bool receivefielddrop(WindowRef window, DragRef drag, bool rtf) {
  MainGlobals& g = mainglobals();
  DragToolState& s = st();
  const WindowRef front = FrontWindow();
  Point global{0, 0};
  GetDragMouse(drag, &global, nullptr);
  RegistryId rec = nilid;
  Handle list = nilhandle;
  i16 index = -1;
  const bool inopen = DragIsInOpenField(global, &rec, &list, &index);
  if (!inopen && !DragIsInOtherField(global, &rec, &list, &index)) return false;
  if (!s.gCanAcceptItems || (inopen && s.gInsertPosition < 0)) return false;
  DragAttributes attributes = 0;
  u16 down = 0, up = 0;
  GetDragAttributes(drag, &attributes);
  GetDragModifiers(drag, nullptr, &down, &up);
  bool move = false;
  if ((attributes & kDragInsideSenderWindow) && inopen && !s.gDragIsSpot) {
    i32 a = 0, b = 0;
    WEGetSelection(&a, &b, g.openfieldrec);
    if (a != b && s.gInsertPosition >= a && s.gInsertPosition <= b) return false;  // onto itself
    move = !((down | up) & optionKey);
  }
  const spot target = spotat(list, index);
  Collected text;
  if (!collecttext(drag, rtf, (target.flags & spotallowobjects) != 0, &text)) return false;

  removecaret(window, list, index);
  const RegistryId openbefore = g.openfieldrec;
  const Verdict verdict = senddrop(window, list, index, s.gInsertPosition);
  if (verdict == Verdict::refused) {
    invalobject(window, list, index);
    invalobject(window, g.openfieldspots, g.openfield);
    return false;
  }
  const bool gone = !stillthere(window, list, index, target.id);
  if (gone || (inopen && g.openfieldrec != openbefore)) {
    // The handler changed what the drop was aimed at: taken, nothing inserted.
    if (IsValidWindowPtr(window)) {
      if (!gone) invalobject(window, list, index);
      invalobject(window, g.openfieldspots, g.openfield);
    }
    return true;
  }
  if (verdict == Verdict::taken) {
    invalobject(window, list, index);
    invalobject(window, g.openfieldspots, g.openfield);
    return true;
  }
  if (attributes & kDragHasLeftSenderWindow) myHideDragHilite(drag);
  if ((attributes & kDragInsideSenderWindow) && FrontWindow() != window) InvalWindowRect(window, &target.rect);
  if (move) weAdjustInsertPtForMove(&s.gInsertPosition);
  if (!inopen) {
    putdownfield();
    if (!stillthere(window, list, index, target.id)) return true;
    putupfield(window, list, index);
    if (g.openfieldrec == nilid || g.openfieldspots != list || g.openfield != index) return true;
    g.fieldchanged = 1;
    SetWERecDirtyFlag(g.openfieldrec, true);
    invalobject(window, list, index);
  }
  if (g.openfieldrec != nilid) {
    const RegistryId we = g.openfieldrec;
    const i32 at = std::min(std::max(s.gInsertPosition, i32(0)), WEGetTextLength(we));
    WESetSelection(at, at, we);
    WEInsertFormattedText(deref(text.text), GetHandleSize(text.text), text.styles, text.soup, text.paraformat,
                          text.rulers, we);
    g.fieldchanged = 1;
    SetWERecDirtyFlag(we, true);
    if (!rtf) updatewescrollbar(g.openfieldspots, g.openfield, nullptr, nullptr, nullptr, we);
    if (window != front && GetWindowKind(window) != 115) {
      WEFeatureFlag(weFOutlineHilite, 1, we);
      WEDeactivate(we);
    }
  }
  invalobject(window, list, index);
  return true;
}

OSErr CollectOneDraggedTextItem(DragRef drag, u16 index, WEReference we) {
  DragItemRef item = 0;
  OSErr err = GetDragItemReferenceNumber(drag, index, &item);
  if (err != noErr) return err;
  const i32 end = WEGetTextLength(we);
  if (_WEReceiveDragItem(drag, item, end, we) == noErr) {
    const i32 after = WEGetTextLength(we);
    WESetSelection(after, after, we);
    return noErr;
  }
  setcursor(kThemeWatchCursor);
  Handle text = nilhandle, styles = nilhandle;
  FlavorFlags flags = 0;
  if (GetFlavorFlags(drag, item, kTEXT, &flags) == noErr) {
    err = readflavor(drag, item, kTEXT, kTextSlack, &text);
    if (err != noErr) return err;
    if (GetFlavorFlags(drag, item, kStyl, &flags) == noErr &&
        (err = readflavor(drag, item, kStyl, kTextSlack, &styles)) != noErr) {
      DisposeHandle(text);
      return err;
    }
  } else {
    // A text file: its whole data fork (files here carry no style resources).
    DraggedFile file;
    if (!draggedfile(drag, item, &file)) return cantGetFlavorErr;
    if (file.type != kTEXT && file.type != kTTXT && file.type != kTTRO) return cantGetFlavorErr;
    if ((err = readwholefile(file.path, 0, kTextSlack, &text)) != noErr) return err;
  }
  const i32 length = WEGetTextLength(we);
  WESetSelection(length, length, we);
  err = WEInsert(deref(text), GetHandleSize(text), styles, nilhandle, we);
  DisposeHandle(text);
  if (styles != nilhandle) DisposeHandle(styles);
  return err;
}

i32 CollectOneRTFItemIntoWERec(DragRef drag, u16 index, WEReference we) {
  DragItemRef item = 0;
  OSErr err = GetDragItemReferenceNumber(drag, index, &item);
  if (err != noErr) return err;
  setcursor(kThemeWatchCursor);
  i32 start = 0, end = 0;
  WEGetSelection(&start, &end, we);
  FlavorFlags flags = 0;
  if (GetFlavorFlags(drag, item, kRTF, &flags) == noErr) {
    Handle rtf = nilhandle;
    if ((err = readflavor(drag, item, kRTF, kRTFSlack, &rtf)) != noErr) return err;
    const i32 status = RTFReadHandleCrutch(start, end, we, rtf);
    DisposeHandle(rtf);
    return status;
  }
  DraggedFile file;
  if (!draggedfile(drag, item, &file)) return cantGetFlavorErr;
  const bool package = rtfdfolder(file);
  if (file.type != kRTF && file.type != kRTFD && !package) return noErr;
  // A package holds its text in "TXT.rtf" and its attachments beside it.
  const std::string path = package ? file.path + "/TXT.rtf" : file.path;
  Str255 name{};
  FInfo info{};
  if (!macromanpath(path, name) || HGetFInfo(0, 0, name, &info) != noErr) return 186;
  FileRef ref = 0;
  if ((err = HOpen(0, 0, name, fsRdPerm, &ref)) != noErr) return err;
  i64 length = 0;
  err = GetEOF(ref, &length);
  i32 status = err;
  if (err == noErr) status = RTFReadFileCrutch(start, end, we, ref, package ? &file.path : nullptr);
  FSClose(ref);
  return status;
}

void weAdjustInsertPtForMove(i32* offset) {
  MainGlobals& g = mainglobals();
  const RegistryId we = g.openfieldrec;
  if (we == nilid) return;
  i32 start = 0, end = 0;
  WEGetSelection(&start, &end, we);
  const i32 length = WEGetTextLength(we);
  auto blank = [&](i32 at) {
    const u8 c = WEGetChar(at, we);
    return c == ' ' || c == '\r';
  };
  if (start < end && (start == 0 || blank(start - 1)) && !blank(start) && !blank(end - 1) && end < length &&
      WEGetChar(end, we) == ' ') {
    ++end;
    WESetSelection(start, end, we);
  }
  if (start < *offset) *offset -= end - start;
  WEDelete(we);
  g.fieldchanged = 1;
  SetWERecDirtyFlag(we, true);
}

void AlignNewObject(Point drop) {
  DragToolState& s = st();
  Handle list = s.gTargetQ;
  const i32 last = spotcount(list) - 1;
  if (last < 0) return;
  spot o = spotat(list, last);
  o.id = uniqueid(list, 0);
  if ((o.flags & kAutoHiliteBit) && (o.flags & kBit13)) o.flags &= ~(kHiliteBit | kBit13);
  o.selected = o.style == 103 ? 3 : 1;
  putspot(list, last, o);
  // The object moves with the drag: by the drop point less the press that started it.
  Point down = mainglobals().event.where;
  GlobalToLocal(&down);
  Rect r = o.rect;
  OffsetRect(&r, i16(drop.h - down.h), i16(drop.v - down.v));
  mapspot(list, last, r, false);
  marklayerchanged(list);
  invalspot(list, i16(last));
}

bool ReceiveTextDropInPointerWd(u16 index, DragRef drag, DragItemRef, Point drop) {
  return newfieldfrom(index, drag, drop, false);
}

// A new field from item `index` (from 1), as text or as RTF, centred on the drop point.
bool newfieldfrom(u16 index, DragRef drag, Point drop, bool rtf) {
  MainGlobals& g = mainglobals();
  const i16 shift = i16(10 * (index - 1));
  Rect r{i16(drop.v - 50 + shift), i16(drop.h - 100 + shift), i16(drop.v + 50 + shift), i16(drop.h + 100 + shift)};
  const LongRect view{r.top + 1, r.left + 1, r.bottom - 1, r.right - 1 - kScrollBarWidth};
  LongRect dest = view;
  dest.left += 2;
  // The record's default style is the port's: the global text settings, for this call only.
  CGrafPtr port = nilid;
  GetPort(&port);
  const i16 font = GetPortTextFont(port), size = GetPortTextSize(port);
  const Style face = GetPortTextFace(port);
  TextFont(g.textFont);
  TextFace(Style(g.textStyle));
  TextSize(g.textSize);
  WEReference we = nilid;
  const OSErr made = WENew(&dest, &view, 4096, &we);
  TextFont(font);
  TextFace(face);
  TextSize(size);
  if (made != noErr) return false;
  if (rtf) {
    WEFeatureFlag(weFUseTempMem, 1, we);
    WEFeatureFlag(weFInhibitRecal, 1, we);
    SetAllowObjectsFlag(we, 1);
    WEInstallObjectHandlers(we);
  }
  if ((rtf ? CollectOneRTFItemIntoWERec(drag, index, we) : CollectOneDraggedTextItem(drag, index, we)) != noErr) {
    WEDispose(we);
    return false;
  }
  return newField(st().gTargetDesk, we) == 0;
}

i16 newField(const desk& d, WEReference we) {
  const MainGlobals& g = mainglobals();
  LongRect view{};
  WEGetViewRect(&view, we);
  Rect r{i16(view.top - 1), i16(view.left - 1), i16(view.bottom + 1), i16(view.right + 1 + kScrollBarWidth)};
  InsetRect(&r, i16(-g.penWidth), i16(-g.penHeight));
  Handle list = d.backlayer ? d.backspots : d.cardspots;
  spot s{};
  defaultspot(s);
  s.flags |= spotallowobjects;
  s.id = uniqueid(list, 0);
  s.style = stylefieldscroll;
  s.kind = spotfield;
  s.rect = r;
  const OSErr err = wenewpacktext(s, we);
  WEDispose(we);
  if (err != noErr || PtrAndHand(&s, list, Size(sizeof s)) != noErr) {
    Handle one = NewHandle(0);
    if (one != nilhandle && PtrAndHand(&s, one, Size(sizeof s)) == noErr) dumpspot(one);
    if (one != nilhandle) DisposeHandle(one);
    return err::nomemory;
  }
  marklayerchanged(list);
  invalspot(list, i16(spotcount(list) - 1));
  return spotsend(sendnormal, list, spotcount(list) - 1, "newField", d.window);
}

}  // namespace kv
