// Dragging a record's selection and dropping onto a record: the drag with its flavours made on
// demand by the send procedure, the drag image, tracking a drag over a record with the drag
// caret and the drop highlight, whether a drag can be taken, and the drop itself, moving or
// copying the text with its formats (one undo step).
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/indent.h"
#include "fields/fieldview.h"
#include "fields/rtfwriter.h"
#include "platform/drag/drag.h"
#include "platform/events/events.h"
#include "platform/qd/copybits.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/windows/cursor.h"
#include "core/mainglobals.h"
#include "platform/qd/shapes.h"
#include "store/records.h"
#include "textengine/weinternal.h"
#include "textengine/westreams.h"

namespace kv {

namespace {

constexpr OSType kWEStar = 0x57452A20;  // 'WE* ': the sending record's reference
constexpr u32 kOptionBit = 1u << 11;
constexpr u32 kPutIntelligent = 0x1, kPutByteOrderMark = 0x200;
constexpr u32 kUnicodeEncoding = 256;
constexpr i16 kDragActionKind = 6;
constexpr u32 kAutoScrollDelay = 10;

bool readonlyrec(const WERec& r) { return (r.features & (1u << weFReadOnly)) != 0; }
bool hasfeature(const WERec& r, u16 f) { return (r.features & (1u << f)) != 0; }

}  // namespace

std::vector<OSType> _WEDragFlavors(WEReference we) {
  WEObjectDescHandle object = nilhandle;
  if (WEGetSelectedObject(&object, we) == noErr) return {WEGetObjectType(object)};
  if (hasfeature(*werec(we), weFMonoStyled)) return {fourcc("TEXT")};
  return {fourcc("RTF "), fourcc("TEXT"), fourcc("styl"), fourcc("FISH"),
          fourcc("WEpf"), fourcc("WEru"), fourcc("WEcf"), fourcc("WEst")};
}

namespace {

// The point of the drag's mouse in the record's port.
Point draglocal(DragRef drag, WEReference we) {
  Point p{0, 0};
  GetDragMouse(drag, &p, nullptr);
  SavePort keep;
  SetPort(werec(we)->port);
  GlobalToLocal(&p);
  return p;
}

i32 offsetat(Point local, WEReference we) {
  LongPoint lp;
  WEPointToLongPoint(local, &lp);
  i8 edge = 0;
  return WEGetOffset(&lp, &edge, we);
}

// A flavour's data as a new handle (none on failure, with the error).
OSErr flavorhandle(DragRef drag, DragItemRef item, OSType type, Handle* out) {
  *out = nilhandle;
  i32 size = 0;
  if (OSErr err = GetFlavorDataSize(drag, item, type, &size); err != noErr) return err;
  Handle h = NewHandle(size);
  if (h == nilhandle) return memFullErr;
  if (OSErr err = GetFlavorData(drag, item, type, deref(h), &size, 0); err != noErr) {
    DisposeHandle(h);
    return err;
  }
  SetHandleSize(h, size);
  *out = h;
  return noErr;
}

bool itemhas(DragRef drag, DragItemRef item, OSType type, OSErr* err = nullptr) {
  FlavorFlags flags = 0;
  const OSErr e = GetFlavorFlags(drag, item, type, &flags);
  if (err) *err = e;
  return e == noErr;
}

void showdrophilite(DragRef drag, bool show, WEReference we) {
  WERec* r = werec(we);
  if (((r->flags & weFlagDropHilited) != 0) == show) return;
  r->flags = show ? (r->flags | weFlagDropHilited) : (r->flags & ~weFlagDropHilited);
  WEHiliteDropAreaProcPtr hook = r->hiliteDropAreaHook ? r->hiliteDropAreaHook : _WEStdHiliteDropArea;
  SavePort keep;
  SetPort(r->port);
  hook(drag, show, we);
}

void setcursor(ThemeCursor cursor) {
  if (mainglobals().lockCursor) return;
  SetThemeCursor(cursor);
}

}  // namespace

bool _WEIsOptionDrag(DragRef drag) {
  u16 now = 0, down = 0;
  if (GetDragModifiers(drag, &now, &down, nullptr) != noErr) return false;
  return ((now | down) & kOptionBit) != 0;
}

bool _WEIsEngineOriginatedDrag(DragRef drag, WEReference we) {
  DragItemRef item = 0;
  if (GetDragItemReferenceNumber(drag, 1, &item) != noErr) return false;
  u32 sender = 0;
  i32 size = 4;
  if (GetFlavorData(drag, item, kWEStar, &sender, &size, 0) != noErr || size != 4) return false;
  return sender == we && werec(we) != nullptr;
}

OSErr _WEStreamSelection(OSType type, Handle block, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  WEObjectDescHandle object = nilhandle;
  if (WEGetSelectedObject(&object, we) == noErr) {
    OSType kind = 0;
    Handle data = NewHandle(0);
    if (data == nilhandle) return memFullErr;
    bool callers = true;
    OSErr err = _WEStreamObject(0, &kind, &data, &callers, object);
    if (err == noErr && kind != type) err = weUnknownFlavorErr;
    if (err == noErr) err = PtrToXHand(deref(data), block, GetHandleSize(data));
    // Without a stream handler the data is the object's own, which stays.
    if (callers && data != nilhandle) DisposeHandle(data);
    return err;
  }
  if (type == fourcc("RTF ")) {
    const int32_t written = RTFWriteHandleCrutch(r->selStart, r->selEnd, we, block, nullptr, 0);
    return written == 0 ? OSErr(noErr) : OSErr(-1);
  }
  return WEStreamRange(-1, -1, type, type == fourcc("SOUP") ? 1 : 0, block, we);
}

OSErr _WESendFlavor(FlavorType type, u32 refcon, DragItemRef item, DragRef drag) {
  const WEReference we = refcon;
  const WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  Handle block = NewHandle(0);
  if (block == nilhandle) return memFullErr;
  OSErr err = noErr;
  i32 skip = 0;
  DragAttributes attributes = 0;
  GetDragAttributes(drag, &attributes);
  const bool script = WEGetProperty(fourcc("VIZU"), fourcc("scri"), 0, nullptr, nullptr, we) == noErr;
  WEObjectDescHandle object = nilhandle;
  if (type == fourcc("TEXT") && script && !(attributes & kDragInsideSenderWindow) &&
      WEGetSelectedObject(&object, we) != noErr) {
    // Script text leaves its window indented; a selection that starts a line is indented
    // with the return before it, so that its first line is taken as a line start.
    const Handle text = WEGetText(we);
    const u8* t = static_cast<const u8*>(deref(text));
    i32 from = r->selStart;
    if (from > 0 && from < r->textLength && t[from - 1] == '\r' && t[from] != '\r') {
      --from;
      skip = 1;
    }
    err = PtrToXHand(t + from, block, r->selEnd - from);
    if (err == noErr) indent(block, nullptr, nullptr, i16(GetAutoIndentSize(we)), true);
  } else {
    err = _WEStreamSelection(type, block, we);
  }
  if (err == noErr) {
    const i32 size = std::max<i32>(GetHandleSize(block) - skip, 0);
    err = SetDragItemFlavorData(drag, item, type, static_cast<const u8*>(deref(block)) + skip, size, 0);
  }
  DisposeHandle(block);
  return err;
}

OSErr _WEOutlineRgn(RgnHandle region, RgnHandle* outline) {
  if (!outline || !IsValidRgn(region)) return paramErr;
  RgnHandle inner = NewRgn(), out = NewRgn();
  if (inner == nilid || out == nilid) {
    if (inner) DisposeRgn(inner);
    if (out) DisposeRgn(out);
    return memFullErr;
  }
  CopyRgn(region, inner);
  InsetRgn(inner, 1, 1);
  DiffRgn(region, inner, out);
  DisposeRgn(inner);
  *outline = out;
  return noErr;
}

OSErr _WEMakeDragImage(GWorldPtr* image, RgnHandle* region, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr || !image || !region) return weBadReferenceErr;
  *image = nilid;
  *region = nilid;
  RgnHandle rgn = WEGetHiliteRgn(r->selStart, r->selEnd, we);
  if (rgn == nilid) return memFullErr;
  const Rect local = regionbounds(rgn);
  Point shift{local.top, local.left};
  {
    SavePort keep;
    SetPort(r->port);
    LocalToGlobal(&shift);
  }
  const i16 dh = i16(shift.h - local.left), dv = i16(shift.v - local.top);
  OffsetRgn(rgn, dh, dv);
  *region = rgn;
  const i64 area = i64(local.right - local.left) * i64(local.bottom - local.top);
  if (area <= 0 || area > mainglobals().translucentDragLimit) return noErr;
  const Rect global{i16(local.top + dv), i16(local.left + dh), i16(local.bottom + dv), i16(local.right + dh)};
  GWorldPtr world = nilid;
  const i16 depth = GetAllowObjectsFlag(we) ? 16 : 8;
  // An image the platform cannot make leaves the outline to show the drag.
  if (NewGWorld(&world, depth, &global, 0, 0, 0) != noErr) return noErr;
  {
    SavePort keep;
    SetGWorld(world, 0);
    EraseRect(&global);
  }
  // The selection as the window shows it, highlighted.
  CopyBits(GetPortBitMapForCopyBits(r->port), GetPortBitMapForCopyBits(world), &local, &global, srcCopy, nilid);
  *image = world;
  return noErr;
}

OSErr _WEDrag(Point mouse, u16 modifiers, u32 clickTime, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  EventRecord event{};
  event.what = mouseDown;
  event.when = clickTime;
  event.modifiers = modifiers;
  {
    SavePort keep;
    SetPort(r->port);
    LocalToGlobal(&mouse);
  }
  event.where = mouse;
  if (!WaitMouseMoved(mouse)) return 128;

  DragRef drag = nilid;
  if (OSErr err = NewDrag(&drag); err != noErr) return err;
  OSErr err = noErr;
  for (OSType type : _WEDragFlavors(we))
    if ((err = AddDragItemFlavor(drag, we, type, nullptr, 0, 0)) != noErr) break;
  const u32 self = we;
  if (err == noErr) err = AddDragItemFlavor(drag, we, kWEStar, &self, 4, flavorSenderOnly);
  if (err == noErr) err = SetDragSendProc(drag, _WESendFlavor, we);
  GWorldPtr image = nilid;
  RgnHandle region = nilid, outline = nilid;
  if (err == noErr) err = _WEMakeDragImage(&image, &region, we);
  if (err == noErr) {
    const Rect bounds = regionbounds(region);
    SetDragItemBounds(drag, we, &bounds);
    if (image != nilid) SetDragImage(drag, GetGWorldPixMap(image), region, Point{0, 0}, kDragStandardTranslucency);
    err = _WEOutlineRgn(region, &outline);
  }
  if (err == noErr && werec(we)->ptrk) {
    using PreTrack = OSErr (*)(u32 drag, WEReference we);
    // A hook that answers non-zero cancels the drag.
    err = reinterpret_cast<PreTrack>(werec(we)->ptrk)(drag, we);
  }
  if (err == noErr) {
    werec(we)->currentDrag = drag;
    err = TrackDrag(drag, &event, outline);
    if (WERec* after = werec(we)) {
      after->currentDrag = 0;
      _WERedraw(0, after->textLength, we);
    }
    // A drop into the trash takes the text away, unless copied with the option key.
    if (err == noErr && werec(we) && WEDraggedToTrash(drag) && !readonlyrec(*werec(we)) && !_WEIsOptionDrag(drag))
      WEDelete(we);
  }
  DisposeDrag(drag);
  if (image != nilid) DisposeGWorld(image);
  if (region != nilid) DisposeRgn(region);
  if (outline != nilid) DisposeRgn(outline);
  return err;
}

bool WEDraggedToTrash(DragRef drag) {
  std::string where;
  if (GetDropLocation(drag, &where) != noErr || where.empty()) return false;
  while (where.size() > 1 && where.back() == '/') where.pop_back();
  return where == trashfolder();
}

bool WECanAcceptDrag(DragRef drag, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr || readonlyrec(*r)) return false;
  u16 items = 0;
  if (CountDragItems(drag, &items) != noErr) return false;
  for (u16 i = 1; i <= items; ++i) {
    DragItemRef item = 0;
    if (GetDragItemReferenceNumber(drag, i, &item) != noErr) return false;
    bool ok = false;
    std::vector<OSType> types{fourcc("TEXT"), fourcc("utxt")};
    OSType kind = 0;
    for (i32 k = 0; _WEGetIndObjectType(k, &kind, we) == noErr; ++k) types.push_back(kind);
    for (OSType t : types) {
      OSErr err = noErr;
      if (itemhas(drag, item, t, &err)) {
        ok = true;
        break;
      }
      if (err != badDragFlavorErr) return false;
    }
    if (!ok) return false;
  }
  return true;
}

OSErr _WEGetFlavor(DragRef drag, DragItemRef item, OSType type, Handle data, i32 dropOffset, WEReference we) {
  Handle got = nilhandle;
  OSErr err = flavorhandle(drag, item, type, &got);
  if (err == badDragFlavorErr && werec(we) && werec(we)->translateDragHook) {
    using Translate = OSErr (*)(DragRef, DragItemRef, OSType, Handle, i32, WEReference);
    return reinterpret_cast<Translate>(werec(we)->translateDragHook)(drag, item, type, data, dropOffset, we);
  }
  if (err != noErr) return err;
  if (data != nilhandle) err = PtrToXHand(deref(got), data, GetHandleSize(got));
  DisposeHandle(got);
  return err;
}

OSErr _WEExtractFlavor(DragRef drag, DragItemRef item, OSType type, i16, Handle* out, i32 dropOffset, WEReference we) {
  if (!out) return paramErr;
  *out = NewHandle(0);
  if (*out == nilhandle) return memFullErr;
  const OSErr err = _WEGetFlavor(drag, item, type, *out, dropOffset, we);
  if (err != noErr) {
    DisposeHandle(*out);
    *out = nilhandle;
  }
  return err;
}

OSErr _WEReceiveDragItem(DragRef drag, DragItemRef item, i32 offset, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  const u32 intelligent = hasfeature(*r, weFIntCutAndPaste) ? kPutIntelligent : 0;
  std::vector<OSType> types;
  std::vector<Handle> handles;
  auto release = [&] {
    for (Handle h : handles) DisposeHandle(h);
  };
  Handle text = nilhandle;
  OSErr err = noErr;
  if (_WEExtractFlavor(drag, item, fourcc("TEXT"), 0, &text, offset, we) == noErr) {
    if (!hasfeature(*werec(we), weFMonoStyled)) {
      for (i32 row = 0; __wePasteLookupTable[row].type != 0;) {
        const WEPasteLookupRow& e = __wePasteLookupTable[row];
        Handle h = nilhandle;
        if (itemhas(drag, item, e.type) && _WEExtractFlavor(drag, item, e.type, 0, &h, offset, we) == noErr) {
          types.push_back(e.type);
          handles.push_back(h);
          row = e.found;
        } else {
          row = e.missing;
        }
      }
    }
    err = WEPut(offset, offset, deref(text), GetHandleSize(text), kTextEncodingWEText, intelligent, i32(types.size()),
                types.data(), handles.data(), we);
    DisposeHandle(text);
  } else if (_WEExtractFlavor(drag, item, fourcc("utxt"), 0, &text, offset, we) == noErr) {
    err = WEPut(offset, offset, deref(text), GetHandleSize(text), kUnicodeEncoding, kPutByteOrderMark | intelligent, 0,
                nullptr, nullptr, we);
    DisposeHandle(text);
  } else {
    err = weUnknownFlavorErr;
    if (GetAllowObjectsFlag(we)) {
      OSType kind = 0;
      for (i32 k = 0; _WEGetIndObjectType(k, &kind, we) == noErr; ++k) {
        Handle data = nilhandle;
        if (!itemhas(drag, item, kind) || _WEExtractFlavor(drag, item, kind, 0, &data, offset, we) != noErr) continue;
        err = _WEInsertObjectAtOffset(offset, kind, data, Point{0, 0}, we);
        if (err != noErr) DisposeHandle(data);
        break;
      }
    }
  }
  release();
  return err;
}

OSErr WEReceiveDrag(DragRef drag, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  const i32 mods = r->modCount;
  _WEUpdateDragCaret(-1, we);
  WEStopInlineSession(we);
  if (!WECanAcceptDrag(drag, we)) return weUnknownFlavorErr;
  const Point local = draglocal(drag, we);
  r = werec(we);
  if (!PtInRgn(local, r->viewRgn)) return dragNotAcceptedErr;
  const i32 drop = offsetat(local, we);
  r = werec(we);
  const bool own = _WEIsEngineOriginatedDrag(drag, we);
  const i32 s = r->selStart, e = r->selEnd;
  if (own && drop >= s && drop <= e) return dragNotAcceptedErr;
  const bool move = own && !_WEIsOptionDrag(drag);

  r->flags &= ~weFlagNullStyleValid;
  _WEHiliteRange(s, e, we);  // the selection's highlight goes
  const bool group = move && hasfeature(*werec(we), weFUndo);
  if (group) WEBeginAction(we);
  // The items go in one after the other, each where the last ended. Every item is fetched
  // before anything changes, so an own drag streams its selection as it was.
  u16 items = 0;
  CountDragItems(drag, &items);
  i32 at = drop;
  OSErr err = noErr;
  for (u16 i = 1; i <= items && err == noErr; ++i) {
    DragItemRef item = 0;
    if ((err = GetDragItemReferenceNumber(drag, i, &item)) != noErr) break;
    const i32 before = werec(we)->textLength;
    err = _WEReceiveDragItem(drag, item, at, we);
    if (err == noErr) at += werec(we)->textLength - before;
  }
  i32 start = drop, end = at;
  if (err == noErr && move) {
    const i32 n = end - start;
    const i32 from = drop < s ? s + n : s, to = drop < s ? e + n : e;
    err = WEPut(from, to, "", 0, kTextEncodingWEText, 0, 0, nullptr, nullptr, we);
    if (err == noErr && drop > s) {
      start -= e - s;
      end -= e - s;
    }
  }
  if (group) WEEndAction(kDragActionKind, we);
  r = werec(we);
  if (r == nullptr) return err;
  WESetSelection(start, end, we);
  r = werec(we);
  r->clickCount = 0;
  if (err == noErr) r->modCount = mods + (move ? 2 : 1);
  return err;
}

void _WEUpdateDragCaret(i32 offset, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return;
  SavePort keep;
  SetPort(r->port);
  const u32 now = TickCount();
  if (offset >= 0 && offset == r->dragCaretOffset) {
    if (now - r->caretTime < GetCaretTime()) return;
    _WEDrawCaret(offset, 0, false, we);
    r = werec(we);
    r->flags ^= weFlagDragCaret;
    r->caretTime = now;
    return;
  }
  if ((r->flags & weFlagDragCaret) && r->dragCaretOffset >= 0) _WEDrawCaret(r->dragCaretOffset, 0, false, we);
  r = werec(we);
  r->flags &= ~weFlagDragCaret;
  r->dragCaretOffset = offset;
  if (offset >= 0) {
    _WEDrawCaret(offset, 0, false, we);
    r = werec(we);
    r->flags |= weFlagDragCaret;
    r->caretTime = now;
  }
}

OSErr WETrackDrag(DragTrackingMessage message, DragRef drag, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  switch (message) {
    case kDragTrackingEnterHandler:
    case kDragTrackingEnterWindow:
      r->flags = WECanAcceptDrag(drag, we) ? (werec(we)->flags | weFlagDragAcceptable)
                                           : (werec(we)->flags & ~weFlagDragAcceptable);
      werec(we)->clickTime = 0;
      break;
    case kDragTrackingInWindow: {
      if (!(r->flags & weFlagDragAcceptable)) break;
      const Point local = draglocal(drag, we);
      r = werec(we);
      if (PtInRgn(local, r->viewRgn)) {
        r->clickTime = 0;
        DragAttributes attributes = 0;
        GetDragAttributes(drag, &attributes);
        if (attributes & kDragHasLeftSenderWindow) showdrophilite(drag, true, we);
        _WEHideCaret(we);
        const i32 offset = offsetat(local, we);
        r = werec(we);
        const bool own = _WEIsEngineOriginatedDrag(drag, we);
        const bool inself = own && offset >= r->selStart && offset <= r->selEnd;
        _WEUpdateDragCaret(inself ? -1 : offset, we);
        setcursor(!own || _WEIsOptionDrag(drag) ? kThemeCopyArrowCursor : kThemeArrowCursor);
      } else {
        showdrophilite(drag, false, we);
        _WEUpdateDragCaret(-1, we);
        r = werec(we);
        const u32 now = TickCount();
        if (r->clickTime == 0) r->clickTime = now;
        else if (now - r->clickTime > kAutoScrollDelay && r->clickLoop) r->clickLoop(we);
        setcursor(kThemeArrowCursor);
      }
      break;
    }
    case kDragTrackingLeaveWindow:
    case kDragTrackingLeaveHandler:
      showdrophilite(drag, false, we);
      _WEUpdateDragCaret(-1, we);
      setcursor(kThemeArrowCursor);
      break;
    default: break;
  }
  return noErr;
}

}  // namespace kv
