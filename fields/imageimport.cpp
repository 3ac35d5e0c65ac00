#include "fields/imageimport.h"

#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/qd/copybits.h"
#include "platform/qd/importers.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "core/mainglobals.h"
#include "core/memoryguard.h"
#include "system/sysinfo.h"

namespace kv {

namespace {

constexpr i16 kNoMemory = 37, kCannotLock = 118, kUnreadable = 182, kNoFile = 183, kNotValid = 190, kNoImporters = 201;
constexpr i32 kFirstImporterVersion = 25;

// Whether an importer's verdict lets the import go on: 0, 37 or 190. An importer without the
// validation call passes when it is one of the two known to lack it and gives no data size.
i16 verdict(ComponentResult result, Boolean valid, const ImageDescription& desc) {
  if (result == memFullErr) return kNoMemory;
  if (result == noErr) return valid ? 0 : kNotValid;
  bool excused = result == badComponentSelector && (desc.cType == fourcc("PNTG") || desc.cType == fourcc("tga ")) &&
                 desc.dataSize == 0;
  return excused ? 0 : kNotValid;
}

// The import once an importer is open: description, validation, the memory guard and the
// picture. A data handle given is disposed of once the picture has been asked for. The
// importer is closed on every path.
i16 finishimport(ComponentInstance ci, Handle data, PicHandle* picture) {
  ImageDescription desc{};
  i16 st = GraphicsImportGetImageDescription(ci, &desc) != noErr ? kUnreadable : 0;
  if (st == 0) {
    Boolean valid = 0;
    ComponentResult r = GraphicsImportValidate(ci, &valid);
    st = verdict(r, valid, desc);
  }
  if (st == 0 && memoryrefused64(i64(desc.width) * desc.height * desc.depth / 8)) st = kNoMemory;
  if (st == 0) {
    ComponentResult r = GraphicsImportGetAsPicture(ci, picture);
    if (data != nilhandle) DisposeHandle(data);
    if (r != noErr) {
      *picture = nilhandle;
      st = r == memFullErr ? kNoMemory : kNotValid;
    }
  }
  CloseComponent(ci);
  return st;
}

bool importersthere() { return quicktimeversion() >= kFirstImporterVersion; }

}  // namespace

i16 importimage(ConstStringPtr name, PicHandle* picture) {
  *picture = nilhandle;
  if (!importersthere()) return kNoImporters;
  const MainGlobals& g = mainglobals();
  struct Place {
    i16 volume;
    u32 dirid;
  };
  // The name as given (a full path, or a name in the current folder), then the stored folders.
  const Place places[3] = {{kBootVolume, 0}, {kBootVolume, g.documentsfolder}, {kBootVolume, g.homefolder}};
  const Place* found = nullptr;
  CatInfo info{};
  for (const Place& p : places) {
    if (p.dirid == 0 && &p != &places[0]) continue;
    if (HGetCatInfo(p.volume, p.dirid, name, &info) == noErr) {
      found = &p;
      break;
    }
  }
  if (found == nullptr) return kNoFile;
  if (!info.folder && info.type == fourcc("PICT")) return kUnreadable;
  ComponentInstance ci = nilid;
  if (GetGraphicsImporterForFile(found->volume, found->dirid, name, &ci) != noErr) return kUnreadable;
  return finishimport(ci, nilhandle, picture);
}

i16 importimagedata(Handle data, OSType subtype, PicHandle* picture) {
  *picture = nilhandle;
  if (!importersthere()) return kNoImporters;
  ComponentInstance ci = nilid;
  if (OpenADefaultComponent(GraphicsImporterComponentType, subtype, &ci) != noErr) return kUnreadable;
  if (GraphicsImportSetDataHandle(ci, data) != noErr) {
    CloseComponent(ci);
    return kUnreadable;
  }
  return finishimport(ci, data, picture);
}

i16 gworldtopict(GWorldPtr world, PicHandle* picture, i32 hres, i32 vres) {
  *picture = nilhandle;
  PixMapHandle pm = GetGWorldPixMap(world);
  if (pm == nilhandle || !LockPixels(pm)) return kCannotLock;
  Rect bounds{};
  GetPortBounds(world, &bounds);
  if (memoryrefused64(i64(GetPixRowBytes(pm)) * (bounds.bottom - bounds.top))) {
    UnlockPixels(pm);
    return kNoMemory;
  }
  CGrafPtr oldport = nilid;
  GDHandle olddevice = nilhandle;
  GetGWorld(&oldport, &olddevice);
  SetGWorld(world, nilhandle);
  ClipRect(&bounds);
  RgnHandle clip = NewRgn();
  GetClip(clip);
  SetPortVisibleRegion(world, clip);
  DisposeRgn(clip);
  OpenCPicParams params{bounds, hres, vres, -2, 0, 0};
  PicHandle pic = OpenCPicture(&params);
  if (pic != nilhandle) {
    const BitMap* bits = GetPortBitMapForCopyBits(world);
    CopyBits(bits, bits, &bounds, &bounds, ditherCopy, nilhandle);
    ClosePicture();
  }
  SetGWorld(oldport, olddevice);
  UnlockPixels(pm);
  // A recording that ran out of memory is empty.
  if (pic != nilhandle && GetHandleSize(pic) == 0) {
    KillPicture(pic);
    pic = nilhandle;
  }
  if (pic == nilhandle) return kNoMemory;
  *picture = pic;
  return 0;
}

}  // namespace kv
