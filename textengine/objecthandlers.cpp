// The program's embedded object kinds: pictures ('PICT'), TIFF images (made pictures as they
// arrive) and field objects ('iota': a named object with an id that wraps a picture and carries
// a script, extra data and user properties). Every picture that arrives in a field becomes a
// field object, and creating or double-clicking one tells the field's script.
#include <algorithm>
#include <cstdio>
#include <string>

#include "engine/objectsend.h"
#include "engine/scripterror.h"
#include "platform/qd/bottleneck.h"
#include "platform/qd/importers.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "render/fielddrawing.h"
#include "render/graphicdrawing.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "store/records.h"
#include "textengine/objecthandlers.h"
#include "textengine/weinternal.h"

namespace kv {

namespace {

const OSType kPict = fourcc("PICT"), kTiff = fourcc("TIFF"), kIota = fourcc("iota");
constexpr u32 kFirstIotaId = 100;

WEObjectDesc desc(WEObjectDescHandle h) { return weelement<WEObjectDesc>(h, 0); }
void setdesc(WEObjectDescHandle h, const WEObjectDesc& d) { setweelement(h, 0, d); }

bool isiota(Handle data) {
  return IsValidHandle(data) && GetHandleSize(data) >= Size(sizeof(iota)) && loadat<u32>(deref(data)) == kIota;
}
iota iotaof(Handle data) { return loadat<iota>(deref(data)); }

std::string kindtext(OSType kind) {
  std::string s(4, ' ');
  for (int i = 0; i < 4; ++i) s[std::size_t(i)] = char((kind >> (24 - 8 * i)) & 0xFF);
  return s;
}

// The picture's size: bottom - top, right - left.
void sizefrom(PicHandle pic, WEObjectPlacement* placement) {
  Rect frame{};
  QDGetPictureBounds(pic, &frame);
  placement->size = Point{i16(frame.bottom - frame.top), i16(frame.right - frame.left)};
}

// The descent a picture's comments give (0 when none does).
i16 picturedescent(PicHandle pic, CGrafPtr port) {
  i16 descent = 0;
  QDProcs saved{};
  const bool had = GetPortGrafProcs(port, &saved);
  QDProcs procs = saved;
  procs.commentProc = [&](i16 kind, i16 dataSize, Handle data) {
    const i32 size = IsValidHandle(data) ? i32(GetHandleSize(data)) : 0;
    const u8* p = size > 0 ? deref(data) : nullptr;
    if (kind == 100 && dataSize > 11 && size > 11 && loadat<u32>(p) == 0xB7787072u && loadat<u16>(p + 4) == 0)
      descent = loadat<i16>(p + 8);
    else if (kind == 498 && dataSize == 24 && size >= 24 && loadat<u32>(p + 16) == 0x47728970u &&
             loadat<u32>(p + 20) == 0x68AF626Au)
      descent = loadat<i16>(p + 4);
  };
  SetPortGrafProcs(port, &procs);
  HidePen();
  Rect frame{};
  QDGetPictureBounds(pic, &frame);
  DrawPicture(pic, &frame);
  ShowPen();
  SetPortGrafProcs(port, had ? &saved : nullptr);
  return descent;
}

// The largest id among the iotas of the record's chain.
u32 largestid(WEReference we) {
  u32 largest = 0;
  const WERec* r = werec(we);
  if (r == nullptr) return 0;
  for (Handle h = r->objectList; _WEIsObject(h); h = desc(h).next) {
    const WEObjectDesc d = desc(h);
    if (d.kind == kIota && isiota(d.data)) largest = std::max(largest, iotaof(d.data).id);
  }
  return largest;
}

// Draws a picture clipped to the rectangle, greyed after when the field's text is.
OSErr drawclipped(PicHandle pic, const Rect* r) {
  RgnHandle saved = NewRgn(), clip = NewRgn();
  if (saved == nilhandle || clip == nilhandle) {
    if (saved) DisposeRgn(saved);
    if (clip) DisposeRgn(clip);
    return noErr;
  }
  GetClip(saved);
  RectRgn(clip, *r);
  SectRgn(clip, saved, clip);
  SetClip(clip);
  DrawPicture(pic, r);
  SetClip(saved);
  DisposeRgn(clip);
  DisposeRgn(saved);
  if (textShouldBeGrayed()) GrayOutBox(r);
  return noErr;
}

// Sends a field-object message to the open field; its status is kept.
i16 sendtoopenfield(const std::string& message) {
  MainGlobals& g = mainglobals();
  const i16 status = spotsend(sendnormal, g.openfieldspots, g.openfield, message, g.openfieldwindow);
  g.fieldobjectstatus = status;
  return status;
}

}  // namespace

// --- Pictures -------------------------------------------------------------------------------------

OSErr HandleNewPicture(WEObjectPlacement* placement, WEObjectDescHandle object) {
  WEObjectDesc d = desc(object);
  d.kind = kPict;
  setdesc(object, d);
  const PicHandle pic = d.data;
  if (picturevalid(pic)) {
    sizefrom(pic, placement);
    const WERec* r = werec(d.owner);
    CGrafPtr savedport = currentportid();
    const CGrafPtr port = r && r->port ? r->port : savedport;
    SetPort(port);
    placement->baseline = i16(-picturedescent(pic, port));
    SetPort(savedport);
  }
  return HandleNewIota(placement, object);
}

OSErr HandleDisposePicture(WEObjectDescHandle object) {
  KillPicture(desc(object).data);
  return MemError();
}

OSErr HandleDrawPicture(const Rect* destRect, WEObjectDescHandle object) {
  return drawclipped(desc(object).data, destRect);
}

OSErr HandleStreamPicture(i16, OSType*, Handle*, WEObjectDescHandle) { return noErr; }

bool HandleClickPicture(Point, u16 modifiers, u32, WEObjectDescHandle object) {
  if (!(modifiers & 1)) return false;
  MainGlobals& g = mainglobals();
  const i32 position = WEGetObjectIndex(desc(object).data, g.openfieldrec);
  ++g.fieldobjectclicks;
  sendtoopenfield("doubleClickFieldObject " + std::to_string(position));
  return true;
}

// --- TIFF images ----------------------------------------------------------------------------------

OSErr HandleNewTIFF(WEObjectPlacement* placement, WEObjectDescHandle object) {
  ComponentInstance importer = 0;
  OSErr err = OpenADefaultComponent(GraphicsImporterComponentType, kTiff, &importer);
  if (err != noErr) return err;
  WEObjectDesc d = desc(object);
  Boolean valid = false;
  PicHandle pic = nilhandle;
  ComponentResult cr = GraphicsImportSetDataHandle(importer, d.data);
  if (cr == noErr) cr = GraphicsImportValidate(importer, &valid);
  // Data that are not a valid image stay a TIFF object, which draws nothing.
  if (cr != noErr || !valid) {
    CloseComponent(importer);
    return noErr;
  }
  cr = GraphicsImportGetAsPicture(importer, &pic);
  CloseComponent(importer);
  if (cr != noErr) return OSErr(cr);
  DisposeHandle(d.data);
  d.data = pic;
  d.kind = kPict;
  setdesc(object, d);
  return HandleNewPicture(placement, object);
}

OSErr HandleDisposeTIFF(WEObjectDescHandle object) {
  const Handle data = desc(object).data;
  if (IsValidHandle(data)) DisposeHandle(data);
  return MemError();
}

OSErr HandleDrawTIFF(const Rect*, WEObjectDescHandle) { return noErr; }

// --- Field objects --------------------------------------------------------------------------------

OSErr HandleNewIota(WEObjectPlacement* placement, WEObjectDescHandle object) {
  WEObjectDesc d = desc(object);
  // The packed form needs its whole 32-byte header.
  if (!IsValidHandle(d.data) || GetHandleSize(d.data) < Size(sizeof(iota))) return noErr;
  if (d.kind == kIota) {
    if (loadat<u32>(deref(d.data)) != kIota) return noErr;
    if (OSErr err = unpackiota(d.data)) return err;
    const iota io = iotaof(d.data);
    if (io.wrappedtype == kPict && picturevalid(io.data)) sizefrom(io.data, placement);
    return noErr;
  }
  iota io{};
  io.type = kIota;
  io.id = std::max(largestid(d.owner) + 1, kFirstIotaId);
  io.wrappedtype = d.kind;
  io.data = d.data;
  Handle name = NewHandle(0);
  if (name == nilhandle) return memFullErr;
  io.name = name;
  Handle header = nilhandle;
  if (OSErr err = PtrToHand(&io, &header, sizeof io)) {
    DisposeHandle(name);
    return err;
  }
  d.kind = kIota;
  d.data = header;
  d.handlerTable = weNoHandlerTable;
  d.handlerIndex = -1;
  if (const i32 own = _WELookupObjectType(kIota, d.owner); own >= 0 && d.owner != nilid) {
    d.handlerTable = weRecordHandlerTable;
    d.handlerIndex = own;
  } else if (const i32 global = _WELookupObjectType(kIota, nilid); global >= 0) {
    d.handlerTable = weGlobalHandlerTable;
    d.handlerIndex = global;
  }
  setdesc(object, d);
  if (io.wrappedtype == kPict && picturevalid(io.data)) sizefrom(io.data, placement);

  MainGlobals& g = mainglobals();
  if (g.pastewindow != nilid && g.pastespots != nilhandle) {
    const i32 position = WECountObjectUpToOffset(d.owner, d.offset);
    const std::string message = "newFieldObject " + std::to_string(position) + ", " + std::to_string(io.id) + ", \"" +
                                kindtext(io.wrappedtype) + "\", \"<Untitled>\"";
    const i16 status = spotsend(sendnormal, g.pastespots, g.pasteindex, message, g.pastewindow);
    if (status != 0) doerror(status);
  }
  return MemError();
}

OSErr HandleDisposeIota(WEObjectDescHandle object) {
  const Handle data = desc(object).data;
  if (!isiota(data)) {
    if (IsValidHandle(data)) DisposeHandle(data);
    return MemError();
  }
  const iota io = iotaof(data);
  if (io.wrappedtype == kPict) KillPicture(io.data);
  else if (IsValidHandle(io.data)) DisposeHandle(io.data);
  dumprop(io.uprops);
  for (Handle h : {Handle(io.name), Handle(io.script)})
    if (IsValidHandle(h)) DisposeHandle(h);
  dumpalt(io.alt);
  DisposeHandle(data);
  return MemError();
}

OSErr HandleDrawIota(const Rect* destRect, WEObjectDescHandle object) {
  const Handle data = desc(object).data;
  if (!isiota(data)) return noErr;
  const iota io = iotaof(data);
  if (io.wrappedtype != kPict) return noErr;
  return drawclipped(io.data, destRect);
}

OSErr HandleStreamIota(i16 flags, OSType* kind, Handle* data, WEObjectDescHandle object) {
  if (IsValidHandle(*data)) DisposeHandle(*data);
  *data = nilhandle;
  const Handle own = desc(object).data;
  if (!isiota(own)) return noErr;
  const iota io = iotaof(own);
  // A picture leaves as itself for other programs; the engine's own copies (and any iota not
  // wrapping a picture) keep the whole packed field object.
  if (!(flags & 2) && io.wrappedtype == kPict && IsValidHandle(io.data)) {
    Handle copy = io.data;
    if (OSErr err = HandToHand(&copy)) return err;
    *data = copy;
    *kind = kPict;
    return noErr;
  }
  Handle copy = own;
  if (OSErr err = dupeiota(&copy)) return err;
  if (OSErr err = packiota(copy)) {
    dumpiota(copy);
    return err;
  }
  *data = copy;
  *kind = kIota;
  return noErr;
}

bool HandleClickIota(Point, u16 modifiers, u32, WEObjectDescHandle object) {
  if (!(modifiers & 1)) return false;
  MainGlobals& g = mainglobals();
  const Handle data = desc(object).data;
  const i32 position = WEGetObjectIndex(data, g.openfieldrec);
  ++g.fieldobjectclicks;
  const iota io = isiota(data) ? iotaof(data) : iota{};
  sendtoopenfield("doubleClickFieldObject " + std::to_string(position) + ", " + std::to_string(io.id) + ", \"" +
                  kindtext(io.wrappedtype) + "\"");
  return true;
}

// --- Installing and indexing --------------------------------------------------------------------------

namespace {

OSErr installrow(OSType kind, WEReference we, std::initializer_list<std::pair<OSType, WEProcPtr>> handlers) {
  for (const auto& [selector, handler] : handlers)
    if (handler)
      if (OSErr err = WEInstallObjectHandler(kind, selector, handler, we)) return err;
  return noErr;
}

template <class F>
WEProcPtr proc(F f) {
  return reinterpret_cast<WEProcPtr>(f);
}

}  // namespace

OSErr InstallPictureObject(WEReference we) {
  return installrow(kPict, we,
                    {{fourcc("new "), proc(HandleNewPicture)},
                     {fourcc("free"), proc(HandleDisposePicture)},
                     {fourcc("draw"), proc(HandleDrawPicture)},
                     {fourcc("clik"), proc(HandleClickPicture)}});
}

OSErr InstallTIFFObject(WEReference we) {
  return installrow(kTiff, we,
                    {{fourcc("new "), proc(HandleNewTIFF)},
                     {fourcc("free"), proc(HandleDisposeTIFF)},
                     {fourcc("draw"), proc(HandleDrawTIFF)}});
}

OSErr InstallIotaObject(WEReference we) {
  return installrow(kIota, we,
                    {{fourcc("new "), proc(HandleNewIota)},
                     {fourcc("free"), proc(HandleDisposeIota)},
                     {fourcc("draw"), proc(HandleDrawIota)},
                     {fourcc("clik"), proc(HandleClickIota)},
                     {fourcc("strm"), proc(HandleStreamIota)}});
}

OSErr WEInstallObjectHandlers(WEReference we) {
  if (OSErr err = InstallPictureObject(we)) return err;
  if (OSErr err = InstallTIFFObject(we)) return err;
  return InstallIotaObject(we);
}

i32 WEGetObjectIndex(Handle data, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr || data == nilhandle) return 0;
  i32 position = 1;
  for (Handle h = r->objectList; _WEIsObject(h); h = desc(h).next, ++position)
    if (desc(h).data == data) return position;
  return 0;
}

i16 WEGetObjectByIndex(WEReference we, i32 position, WEObjectDescHandle* object) {
  *object = nilhandle;
  const WERec* r = werec(we);
  if (r == nullptr || position < 1) return 0;
  i32 at = 1;
  // The chain's closing descriptor stands past the text: positions end before it.
  for (Handle h = r->objectList; _WEIsObject(h); h = desc(h).next, ++at) {
    if (desc(h).offset > r->textLength) break;
    if (at == position) {
      *object = h;
      return 1;
    }
  }
  return 0;
}

i32 WECountObjectUpToOffset(WEReference we, i32 offset) {
  const WERec* r = werec(we);
  if (r == nullptr) return 0;
  i32 position = 1;
  for (Handle h = r->objectList; _WEIsObject(h); h = desc(h).next, ++position)
    if (desc(h).offset >= offset) return position;
  return 0;
}

}  // namespace kv
