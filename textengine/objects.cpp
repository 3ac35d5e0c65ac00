// Embedded objects: the descriptors a record chains in offset order, the handler tables of
// object kinds (a record's own and the global one) with their selectors, the accessors, the
// object properties, the finders, and the calls that reach an object's handlers (making,
// freeing, drawing, hovering, clicking, streaming). The soup of objects that scraps and undo
// carry is read and written here too.
#include <algorithm>
#include <vector>

#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/runtime/root.h"
#include "store/records.h"
#include "textengine/weinternal.h"

namespace kv {

#define WE_HANDLER_SELECTOR(tag, field) \
  WESelectorRow { fourcc(tag), u16(offsetof(WEObjectHandlerRow, field)), u16(sizeof(WEObjectHandlerRow::field)) }
const WESelectorRow __weObjectHandlerSelectorTable[] = {
    WE_HANDLER_SELECTOR("new ", newHandler),    WE_HANDLER_SELECTOR("free", freeHandler),
    WE_HANDLER_SELECTOR("draw", drawHandler),   WE_HANDLER_SELECTOR("clik", clickHandler),
    WE_HANDLER_SELECTOR("strm", streamHandler), WE_HANDLER_SELECTOR("hovr", hoverHandler),
    WE_HANDLER_SELECTOR("refc", refCon),        WESelectorRow{0, 0, 0},
};
#undef WE_HANDLER_SELECTOR

namespace {

// The global handler table: kinds every record knows.
struct WEObjectState {
  std::vector<WEObjectHandlerRow> global;
};

std::vector<WEObjectHandlerRow>& globalrows() { return state<WEObjectState>().global; }

WEObjectDesc desc(Handle h) { return weelement<WEObjectDesc>(h, 0); }
void setdesc(Handle h, const WEObjectDesc& d) { setweelement(h, 0, d); }

i16 pin16(i32 v) { return i16(std::clamp(v, -32768, 32767)); }

// The rows of a record's table (none: the global table).
i32 rowcount(WEReference owner) {
  if (owner == nilid) return i32(globalrows().size());
  const WERec* r = werec(owner);
  return r && r->objectHandlers ? i32(HandleCount<WEObjectHandlerRow>(r->objectHandlers)) : 0;
}

WEObjectHandlerRow rowat(WEReference owner, i32 i) {
  if (owner == nilid) return globalrows()[std::size_t(i)];
  return weelement<WEObjectHandlerRow>(werec(owner)->objectHandlers, i);
}

void setrowat(WEReference owner, i32 i, const WEObjectHandlerRow& row) {
  if (owner == nilid) globalrows()[std::size_t(i)] = row;
  else setweelement(werec(owner)->objectHandlers, i, row);
}

// The handler row of an object, when its table still has it.
bool handlerrow(const WEObjectDesc& d, WEObjectHandlerRow* row) {
  WEReference owner = nilid;
  if (d.handlerTable == weRecordHandlerTable) {
    owner = d.owner;
    if (werec(owner) == nullptr) return false;
  } else if (d.handlerTable != weGlobalHandlerTable) {
    return false;
  }
  if (d.handlerIndex < 0 || d.handlerIndex >= rowcount(owner)) return false;
  *row = rowat(owner, d.handlerIndex);
  return true;
}

// A handler table's owner for a call (none: the global table); false for a record that is gone.
bool tableowner(WEReference we, WEReference* owner) {
  *owner = we;
  return we == nilid || werec(we) != nullptr;
}

// The value a selector's field takes from a handler: the procedure, or for the 4-byte 'refc'
// field the handler's low 32 bits.
struct FieldValue {
  WEProcPtr proc;
  u32 word;
  const void* bytes(const WESelectorRow& sel) const {
    return sel.size == sizeof(u32) ? static_cast<const void*>(&word) : &proc;
  }
};
FieldValue fieldvalue(WEProcPtr handler) { return FieldValue{handler, u32(reinterpret_cast<std::uintptr_t>(handler))}; }

// Whether a row's field holds nothing.
bool emptyfield(const WESelectorRow& sel, const WEObjectHandlerRow& row) {
  const u8* p = reinterpret_cast<const u8*>(&row) + sel.offset;
  return std::all_of(p, p + sel.size, [](u8 b) { return b == 0; });
}

// Stores a placement and lays out and draws the object's character again (through undo's
// record of the change).
OSErr setplacement(WEObjectDescHandle object, i16 height, i16 width, i16 baseline) {
  if (!_WEIsObject(object)) return nilHandleErr;
  WEObjectDesc d = desc(object);
  const WERec* r = werec(d.owner);
  if (r && (r->features & (1u << weFReadOnly))) return weReadOnlyErr;
  if (d.height == height && d.width == width && d.baseline == baseline) return noErr;
  if (r) _WEModify(d.offset, d.offset + 1, 1, 12, 16, d.owner);
  d = desc(object);
  d.height = height;
  d.width = width;
  d.baseline = baseline;
  setdesc(object, d);
  return r ? _WERedraw(d.offset, d.offset + 1, d.owner) : OSErr(noErr);
}

// The soup's entries in order: each header's position, checked to lie within the soup.
bool soupentries(Handle soup, std::vector<i32>* at) {
  const i32 size = GetHandleSize(soup);
  for (i32 pos = 0; pos < size;) {
    if (size - pos < i32(sizeof(WESoupHeader))) return false;
    const WESoupHeader h = loadat<WESoupHeader>(deref(soup) + pos);
    if (h.dataSize < 0 || h.dataSize > size - pos - i32(sizeof(WESoupHeader))) return false;
    at->push_back(pos);
    pos += i32(sizeof(WESoupHeader)) + h.dataSize;
  }
  return true;
}

// A soup entry of an object: its header at `offset` and its data streamed for the engine's own
// use.
OSErr soupentry(WEObjectDescHandle object, i32 offset, std::vector<u8>* entry) {
  if (!_WEIsObject(object)) return nilHandleErr;
  const WEObjectDesc d = desc(object);
  Handle data = NewHandle(0);
  if (data == nilhandle) return memFullErr;
  OSType kind = d.kind;
  bool callers = true;
  const OSErr err = _WEStreamObject(2, &kind, &data, &callers, object);
  if (err == noErr) {
    const i32 size = IsValidHandle(data) ? GetHandleSize(data) : 0;
    const WESoupHeader h{offset, kind, 0, size, d.height, d.width, d.baseline, 0};
    entry->resize(sizeof h + std::size_t(size));
    std::memcpy(entry->data(), &h, sizeof h);
    if (size > 0) std::memcpy(entry->data() + sizeof h, deref(data), std::size_t(size));
  }
  if (callers && IsValidHandle(data)) DisposeHandle(data);
  return err;
}

}  // namespace

bool _WEIsObject(Handle object) {
  return object != nilhandle && IsValidHandle(object) && GetHandleSize(object) == Size(sizeof(WEObjectDesc));
}

// --- Accessors ------------------------------------------------------------------------------

OSType WEGetObjectType(WEObjectDescHandle object) { return _WEIsObject(object) ? desc(object).kind : 0; }
Handle WEGetObjectDataHandle(WEObjectDescHandle object) { return _WEIsObject(object) ? desc(object).data : nilhandle; }
WEReference WEGetObjectOwner(WEObjectDescHandle object) { return _WEIsObject(object) ? desc(object).owner : nilid; }
u32 WEGetObjectRefCon(WEObjectDescHandle object) { return _WEIsObject(object) ? desc(object).refCon : 0; }
i32 WEGetObjectOffset(WEObjectDescHandle object) { return _WEIsObject(object) ? desc(object).offset : -1; }
i16 WEGetObjectBaseline(WEObjectDescHandle object) { return _WEIsObject(object) ? desc(object).baseline : 0; }

u32 WEGetObjectSize(WEObjectDescHandle object) {
  if (!_WEIsObject(object)) return 0;
  const WEObjectDesc d = desc(object);
  return (u32(u16(d.width)) << 16) | u16(d.height);
}

void WESetObjectRefCon(WEObjectDescHandle object, u32 refCon) {
  if (!_WEIsObject(object)) return;
  WEObjectDesc d = desc(object);
  d.refCon = refCon;
  setdesc(object, d);
}

void WESetObjectDataHandle(WEObjectDescHandle object, Handle data) {
  if (!_WEIsObject(object)) return;
  WEObjectDesc d = desc(object);
  d.data = data;
  setdesc(object, d);
}

OSErr WESetObjectSize(WEObjectDescHandle object, Point size) {
  if (!_WEIsObject(object)) return nilHandleErr;
  return setplacement(object, size.v, size.h, desc(object).baseline);
}

OSErr WESetObjectBaseline(WEObjectDescHandle object, i16 baseline) {
  if (!_WEIsObject(object)) return nilHandleErr;
  const WEObjectDesc d = desc(object);
  return setplacement(object, d.height, d.width, baseline);
}

OSErr WESetObjectPlacement(WEObjectDescHandle object, const WEObjectPlacement* placement) {
  if (placement == nullptr) return paramErr;
  return setplacement(object, placement->size.v, placement->size.h, placement->baseline);
}

// --- Object properties ----------------------------------------------------------------------

OSErr WESetObjectProperty(WEObjectDescHandle object, OSType creator, OSType tag, i32 size, const void* data) {
  if (!_WEIsObject(object)) return nilHandleErr;
  WEObjectDesc d = desc(object);
  if (d.properties == 0) {
    if ((d.properties = NewCollection()) == 0) return memFullErr;
    setdesc(object, d);
  }
  RemoveCollectionItem(d.properties, creator, i32(tag));
  return AddCollectionItem(d.properties, creator, i32(tag), size, data);
}

OSErr WEGetObjectProperty(WEObjectDescHandle object, OSType creator, OSType tag, i32 size, i32* outSize, void* data) {
  if (!_WEIsObject(object)) return nilHandleErr;
  const WEObjectDesc d = desc(object);
  if (d.properties == 0) return weNoPropertyErr;
  i32 n = size;
  const OSErr err = GetCollectionItem(d.properties, creator, i32(tag), &n, data);
  if (err == noErr && outSize) *outSize = n;
  return err;
}

OSErr WERemoveObjectProperty(WEObjectDescHandle object, OSType creator, OSType tag) {
  if (!_WEIsObject(object)) return nilHandleErr;
  const WEObjectDesc d = desc(object);
  if (d.properties == 0) return weNoPropertyErr;
  return RemoveCollectionItem(d.properties, creator, i32(tag));
}

// --- Finding objects ------------------------------------------------------------------------

OSErr WEGetObjectAtOffset(i32 offset, WEObjectDescHandle* object, WEReference we) {
  if (object) *object = nilhandle;
  const WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (offset < 0 || offset >= r->textLength) return weObjectNotFoundErr;
  WEExtRunInfo info;
  _WEGetExtRunInfo(offset, &info, we);
  const Handle h = Handle(info.style.ts.object);
  if (!_WEIsObject(h)) return weObjectNotFoundErr;
  if (object) *object = h;
  return noErr;
}

i32 WEFindNextObject(i32 offset, WEObjectDescHandle* object, WEReference we) {
  if (object) *object = nilhandle;
  const WERec* r = werec(we);
  if (r == nullptr) return -1;
  for (Handle h = r->objectList; _WEIsObject(h);) {
    const WEObjectDesc d = desc(h);
    if (d.next == nilhandle) break;  // the sentinel
    if (d.offset > offset) {
      if (object) *object = h;
      return d.offset;
    }
    h = d.next;
  }
  return -1;
}

i32 WEFindPreviousObject(i32 offset, WEObjectDescHandle* object, WEReference we) {
  if (object) *object = nilhandle;
  const WERec* r = werec(we);
  if (r == nullptr) return -1;
  if (offset == -1) offset = r->textLength;
  i32 found = -1;
  for (Handle h = r->objectList; _WEIsObject(h);) {
    const WEObjectDesc d = desc(h);
    if (d.next == nilhandle || d.offset >= offset) break;
    found = d.offset;
    if (object) *object = h;
    h = d.next;
  }
  return found;
}

OSErr WEGetSelectedObject(WEObjectDescHandle* object, WEReference we) {
  if (object) *object = nilhandle;
  const WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (r->selEnd - r->selStart != 1) return weObjectNotFoundErr;
  return WEGetObjectAtOffset(r->selStart, object, we);
}

OSErr WEGetObjectFrame(WEObjectDescHandle object, LongRect* frame) {
  if (!_WEIsObject(object) || frame == nullptr) return nilHandleErr;
  const WEObjectDesc d = desc(object);
  const WERec* r = werec(d.owner);
  if (r == nullptr) return weObjectNotFoundErr;
  WEObjectDescHandle there = nilhandle;
  if (WEGetObjectAtOffset(d.offset, &there, d.owner) != noErr || there != object) return weObjectNotFoundErr;
  LongPoint at;
  WEGetPoint(d.offset, 0, &at, nullptr, d.owner);
  WEExtRunInfo info;
  _WEGetExtRunInfo(d.offset, &info, d.owner);
  const WELineRec line = weelement<WELineRec>(werec(d.owner)->hLines, WEOffsetToLine(d.offset, d.owner));
  frame->left = at.h;
  frame->right = at.h + d.width;
  frame->bottom = at.v + (line.lineAscent & 0x7FFF) - info.style.ts.vShift - d.baseline;
  frame->top = frame->bottom - d.height;
  return noErr;
}

// --- Handler tables --------------------------------------------------------------------------

i32 _WELookupObjectType(OSType kind, WEReference tableOwner) {
  WEReference owner = nilid;
  if (!tableowner(tableOwner, &owner)) return -1;
  const i32 n = rowcount(owner);
  for (i32 i = 0; i < n; ++i)
    if (rowat(owner, i).kind == kind) return i;
  return -1;
}

OSErr _WEGetIndObjectType(i32 index, OSType* kind, WEReference we) {
  if (werec(we) == nullptr) return weBadReferenceErr;
  if (index < 0) return weHandlerNotFoundErr;
  const i32 own = rowcount(we);
  if (index < own) {
    *kind = rowat(we, index).kind;
    return noErr;
  }
  if (index - own < rowcount(nilid)) {
    *kind = rowat(nilid, index - own).kind;
    return noErr;
  }
  return weHandlerNotFoundErr;
}

OSErr WEInstallObjectHandler(OSType kind, OSType selector, WEProcPtr handler, WEReference we) {
  const WESelectorRow& sel = _WELookupSelector(__weObjectHandlerSelectorTable, selector);
  if (sel.size == 0) return paramErr;
  WEReference owner = nilid;
  if (!tableowner(we, &owner)) return weBadReferenceErr;
  i32 index = _WELookupObjectType(kind, owner);
  if (index < 0) {
    WEObjectHandlerRow row{};
    row.kind = kind;
    if (owner == nilid) {
      globalrows().push_back(row);
    } else {
      WERec* r = werec(owner);
      if (r->objectHandlers == nilhandle)
        if (OSErr err = _WEAllocate(0, weAllocClear, &r->objectHandlers)) return err;
      if (OSErr err = _WESplice(r->objectHandlers, &row, i32(sizeof row), -1)) return err;
    }
    index = rowcount(owner) - 1;
  }
  WEObjectHandlerRow row = rowat(owner, index);
  const FieldValue value = fieldvalue(handler);
  _WESetField(__weObjectHandlerSelectorTable, selector, value.bytes(sel), &row);
  setrowat(owner, index, row);
  return noErr;
}

OSErr WERemoveObjectHandler(OSType kind, OSType selector, WEProcPtr handler, WEReference we) {
  const WESelectorRow& sel = _WELookupSelector(__weObjectHandlerSelectorTable, selector);
  if (sel.size == 0) return paramErr;
  WEReference owner = nilid;
  if (!tableowner(we, &owner)) return weBadReferenceErr;
  const i32 index = _WELookupObjectType(kind, owner);
  if (index < 0) return weHandlerNotFoundErr;
  WEObjectHandlerRow row = rowat(owner, index);
  const FieldValue value = fieldvalue(handler);
  if (!_WEBlockCmp(reinterpret_cast<const u8*>(&row) + sel.offset, value.bytes(sel), sel.size))
    return weHandlerNotInstalledErr;
  _WEBlockClr(reinterpret_cast<u8*>(&row) + sel.offset, sel.size);
  setrowat(owner, index, row);
  return noErr;
}

OSErr WEGetObjectHandler(OSType kind, OSType selector, WEProcPtr* handler, WEReference we) {
  const WESelectorRow& sel = _WELookupSelector(__weObjectHandlerSelectorTable, selector);
  if (sel.size == 0 || handler == nullptr) return paramErr;
  WEReference owner = nilid;
  if (!tableowner(we, &owner)) return weBadReferenceErr;
  const i32 index = _WELookupObjectType(kind, owner);
  if (index < 0) return weHandlerNotFoundErr;
  const WEObjectHandlerRow row = rowat(owner, index);
  if (emptyfield(sel, row)) return weHandlerNotInstalledErr;
  if (sel.size == sizeof(u32)) {
    *handler = reinterpret_cast<WEProcPtr>(std::uintptr_t(row.refCon));
  } else {
    _WEGetField(__weObjectHandlerSelectorTable, selector, handler, &row);
  }
  return noErr;
}

// --- Making, freeing and calling objects -------------------------------------------------------

OSErr _WENewObject(OSType kind, Handle data, i32 offset, WEReference we, WEObjectDescHandle* object) {
  if (object) *object = nilhandle;
  if (werec(we) == nullptr || object == nullptr) return weBadReferenceErr;
  WEObjectDesc d{};
  d.kind = kind;
  d.data = data;
  d.offset = offset;
  d.owner = we;
  d.height = d.width = 32;
  d.handlerIndex = -1;
  if (const i32 own = _WELookupObjectType(kind, we); own >= 0) {
    d.handlerTable = weRecordHandlerTable;
    d.handlerIndex = own;
  } else if (const i32 global = _WELookupObjectType(kind, nilid); global >= 0) {
    d.handlerTable = weGlobalHandlerTable;
    d.handlerIndex = global;
  }
  WEObjectHandlerRow row{};
  const bool handled = handlerrow(d, &row);
  if (handled) d.refCon = row.refCon;
  Handle h = nilhandle;
  if (OSErr err = _WEAllocate(sizeof(WEObjectDesc), weAllocClear, &h)) return err;
  setdesc(h, d);
  if (handled && row.newHandler) {
    WEObjectPlacement placement{Point{d.height, d.width}, d.baseline};
    if (const OSErr err = row.newHandler(&placement, h)) {
      DisposeHandle(h);
      return err;
    }
    d = desc(h);
    d.height = placement.size.v;
    d.width = placement.size.h;
    d.baseline = placement.baseline;
  }
  // Linked after every descriptor at or before its offset: before the sentinel at the latest.
  WERec* r = werec(we);
  Handle previous = nilhandle, next = r->objectList;
  while (_WEIsObject(next)) {
    const WEObjectDesc n = desc(next);
    if (n.offset > d.offset) break;
    previous = next;
    next = n.next;
  }
  d.previous = previous;
  d.next = _WEIsObject(next) ? next : nilhandle;
  setdesc(h, d);
  if (previous != nilhandle) {
    WEObjectDesc p = desc(previous);
    p.next = h;
    setdesc(previous, p);
  } else {
    r->objectList = h;
  }
  if (d.next != nilhandle) {
    WEObjectDesc n = desc(d.next);
    n.previous = h;
    setdesc(d.next, n);
  }
  *object = h;
  return noErr;
}

OSErr _WEInsertObjectAtOffset(i32 offset, OSType kind, Handle data, Point size, WEReference we) {
  if (werec(we) == nullptr) return weBadReferenceErr;
  const u8 placeholder = 1;
  if (OSErr err = _WEInsertText(offset, &placeholder, 1, we)) return err;
  WEObjectDescHandle object = nilhandle;
  OSErr err = _WENewObject(kind, data, offset, we, &object);
  if (err == noErr && (size.v != 0 || size.h != 0)) {
    WEObjectDesc d = desc(object);
    d.height = size.v;
    d.width = size.h;
    setdesc(object, d);
  }
  if (err == noErr) {
    WETextStyle ts{};
    ts.object = object;
    if ((err = _WESetStyleRange(offset, offset + 1, weDoObject, &ts, we)) != noErr) {
      WESetObjectDataHandle(object, nilhandle);  // the data stays the caller's
      _WEFreeObject(object);
    }
  }
  if (err != noErr) _WEDeleteRange(offset, offset + 1, we);
  return err;
}

OSErr _WEFreeObject(Handle object) {
  if (!_WEIsObject(object)) return nilHandleErr;
  WEObjectDesc d = desc(object);
  if (d.previous != nilhandle && _WEIsObject(d.previous)) {
    WEObjectDesc p = desc(d.previous);
    p.next = d.next;
    setdesc(d.previous, p);
  }
  if (d.next != nilhandle && _WEIsObject(d.next)) {
    WEObjectDesc n = desc(d.next);
    n.previous = d.previous;
    setdesc(d.next, n);
  }
  if (WERec* r = werec(d.owner)) {
    if (r->objectList == object) r->objectList = d.next;
    if (r->hoveredObject == object) r->hoveredObject = nilhandle;
  }
  OSErr result = noErr;
  WEObjectHandlerRow row{};
  if (handlerrow(d, &row) && row.freeHandler) {
    // The handler has the data; the engine forgets it.
    result = row.freeHandler(object);
    d = desc(object);
  } else {
    _WEForgetHandle(&d.data);
  }
  if (d.properties) DisposeCollection(d.properties);
  DisposeHandle(object);
  return result;
}

OSErr _WEDrawObject(WEObjectDescHandle object) {
  if (!_WEIsObject(object)) return nilHandleErr;
  const WEObjectDesc d = desc(object);
  Point pen;
  GetPen(&pen);
  Rect r;
  r.left = pen.h;
  r.right = pin16(pen.h + d.width);
  r.bottom = pin16(pen.v - d.baseline);
  r.top = pin16(r.bottom - d.height);
  OSErr err = noErr;
  WEObjectHandlerRow row{};
  if (d.handlerTable == weNoHandlerTable) {
    PenState saved;
    GetPenState(&saved);
    PenNormal();
    FrameRect(&r);
    SetPenState(&saved);
  } else if (handlerrow(d, &row) && row.drawHandler) {
    err = row.drawHandler(&r, object);
  }
  MoveTo(r.right, pen.v);
  return err;
}

bool _WEHoverObject(i16 state, Point mouse, RgnHandle frame, WEObjectDescHandle object) {
  WEObjectHandlerRow row{};
  if (!_WEIsObject(object) || !handlerrow(desc(object), &row) || !row.hoverHandler) return false;
  return row.hoverHandler(state, mouse, frame, object) == noErr;
}

bool _WEClickObject(Point hitPt, u16 modifiers, u32 clickTime, WEObjectDescHandle object) {
  WEObjectHandlerRow row{};
  if (!_WEIsObject(object) || !handlerrow(desc(object), &row) || !row.clickHandler) return false;
  return row.clickHandler(hitPt, modifiers, clickTime, object);
}

OSErr _WEStreamObject(i16 flags, OSType* kind, Handle* data, bool* callers, WEObjectDescHandle object) {
  if (!_WEIsObject(object) || kind == nullptr || data == nullptr) return nilHandleErr;
  const WEObjectDesc d = desc(object);
  *kind = d.kind;
  if (callers) *callers = true;
  WEObjectHandlerRow row{};
  if (handlerrow(d, &row) && row.streamHandler) {
    const OSErr err = row.streamHandler(flags, kind, data, object);
    if (err != weNotHandledErr) return err;
    *kind = d.kind;
  }
  if (d.data != nilhandle && *data != d.data) {
    if (IsValidHandle(*data)) DisposeHandle(*data);
    *data = d.data;
    if (callers) *callers = false;
  }
  return noErr;
}

OSErr _WEDuplicateObject(WEObjectDescHandle source, i32 offset, WEReference we, WEObjectDescHandle* object) {
  if (object) *object = nilhandle;
  if (!_WEIsObject(source)) return nilHandleErr;
  const WEObjectDesc s = desc(source);
  Handle copy = nilhandle;
  if (IsValidHandle(s.data)) {
    copy = s.data;
    if (OSErr err = HandToHand(&copy)) return err;
  }
  if (OSErr err = _WENewObject(s.kind, copy, offset, we, object)) {
    if (copy != nilhandle) DisposeHandle(copy);
    return err;
  }
  WEObjectDesc d = desc(*object);
  d.height = s.height;
  d.width = s.width;
  d.baseline = s.baseline;
  setdesc(*object, d);
  return noErr;
}

// --- The soup of objects ------------------------------------------------------------------------

OSErr _WEApplySoup(i32 start, i32 end, Handle soup, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (!IsValidHandle(soup)) return nilHandleErr;
  end = std::min(end, r->textLength);
  const i32 size = GetHandleSize(soup);
  for (i32 pos = 0; pos < size;) {
    // A size or an offset that leaves the soup or the inserted text stops the walk.
    if (size - pos < i32(sizeof(WESoupHeader))) return weMalformedScrapErr;
    const WESoupHeader h = loadat<WESoupHeader>(deref(soup) + pos);
    pos += i32(sizeof(WESoupHeader));
    if (h.dataSize < 0 || h.dataSize > size - pos) return weMalformedScrapErr;
    const i64 at = i64(start) + h.offset;
    if (h.offset < 0 || at >= end) return weMalformedScrapErr;
    // An object sits on its placeholder character; one anywhere else would hide a character
    // of the text, which the next save would write as a placeholder.
    if (WEGetChar(i32(at), we) != 1) return weMalformedScrapErr;
    Handle data = nilhandle;
    const i16 memory = (werec(we)->features & (1u << weFUseTempMem)) ? weAllocTempMem : 0;
    if (OSErr err = _WEAllocate(h.dataSize, memory, &data)) return err;
    if (h.dataSize > 0) std::memcpy(deref(data), deref(soup) + pos, std::size_t(h.dataSize));
    pos += h.dataSize;
    WEObjectDescHandle object = nilhandle;
    if (OSErr err = _WENewObject(h.kind, data, i32(at), we, &object)) {
      DisposeHandle(data);
      return err;
    }
    WEObjectDesc d = desc(object);
    d.height = h.height;
    d.width = h.width;
    d.baseline = h.baseline;
    setdesc(object, d);
    WETextStyle ts{};
    ts.object = object;
    if (OSErr err = _WESetStyleRange(i32(at), i32(at) + 1, weDoObject, &ts, we)) {
      _WEFreeObject(object);
      return err;
    }
  }
  return noErr;
}

OSErr _WEAppendObjectToSoup(Handle soup, WEObjectDescHandle object, i32 offset) {
  if (!IsValidHandle(soup)) return nilHandleErr;
  std::vector<u8> entry;
  if (OSErr err = soupentry(object, offset, &entry)) return err;
  return _WESplice(soup, entry.data(), i32(entry.size()), -1);
}

OSErr _WEPrependObjectToSoup(Handle soup, WEObjectDescHandle object, i32 delta) {
  if (!IsValidHandle(soup)) return nilHandleErr;
  std::vector<i32> at;
  if (!soupentries(soup, &at)) return weMalformedScrapErr;
  std::vector<u8> entry;
  if (OSErr err = soupentry(object, 0, &entry)) return err;
  for (i32 pos : at) {
    u8* p = deref(soup) + pos + offsetof(WESoupHeader, offset);
    storeat<i32>(p, loadat<i32>(p) + delta);
  }
  return _WESplice(soup, entry.data(), i32(entry.size()), 0);
}

}  // namespace kv
