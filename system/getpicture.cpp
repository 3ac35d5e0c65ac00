#include "system/getpicture.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/memory/memory.h"
#include "platform/qd/imagefiles.h"
#include "platform/qd/pictures.h"
#include "platform/resources/resources.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"
#include "core/memoryguard.h"

namespace kv {

namespace {

constexpr i16 kNoPictureFile = 123, kNoResource = 130, kNoMemory = 37;
constexpr i64 kPictHeader = 512;
constexpr Size kMemoryMargin = 40000;
constexpr OSType kPict = fourcc("PICT");

bool imagetype(OSType t) {
  return t == fourcc("PNGf") || t == fourcc("JPEG") || t == fourcc("TIFF") || t == fourcc("GIFf");
}

bool endswith(std::string_view s, std::string_view suffix) {
  if (s.size() < suffix.size()) return false;
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    char c = s[s.size() - suffix.size() + i];
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
    if (c != suffix[i]) return false;
  }
  return true;
}

// The place of a name after its links are followed (a failure to make the place, other than a
// bad name, keeps the name as given).
void resolved(ConstStringPtr name, i16* volume, u32* dirid, Str255 leaf) {
  std::memcpy(leaf, name, std::size_t(name[0]) + 1);
  bool alias = false;
  ResolveAliasFile(volume, dirid, leaf, &alias);
}

// Reads a picture from an open data fork: 0, 123 or 37.
i16 readdatafork(FileRef ref, OSType type, std::string_view name, Handle* picture) {
  i64 length = 0;
  if (GetEOF(ref, &length) != noErr) return kNoPictureFile;
  bool pict = type == kPict || (type == 0 && (endswith(name, ".pict") || endswith(name, ".pct")));
  if (!pict && (type == 0 || imagetype(type))) {
    // An image file: its bytes are decoded into a picture.
    if (length <= 0 || length > 0x7FFFFFFF) return kNoPictureFile;
    if (memoryrefused(Size(length) + kMemoryMargin)) return kNoMemory;
    std::vector<u8> bytes(static_cast<std::size_t>(length));
    if (readat(ref, 0, bytes.data(), length) != noErr) return kNoPictureFile;
    if (imagekindof(bytes.data(), bytes.size()) == ImageKind::none) return kNoPictureFile;
    DecodedImage image;
    std::string error;
    if (!decodeimage(bytes.data(), bytes.size(), &image, &error)) return kNoPictureFile;
    if (memoryrefused(Size(image.pixels.size()) * 4 + kMemoryMargin)) return kNoMemory;
    *picture = imagepicture(image);
    return *picture == nilhandle ? kNoMemory : 0;
  }
  if (!pict) return kNoPictureFile;
  i64 size = length - kPictHeader;
  if (size <= 0 || size > 0x7FFFFFFF) return kNoPictureFile;
  if (memoryrefused(Size(size) + kMemoryMargin)) return kNoMemory;
  Handle h = NewHandle(Size(size));
  if (h == nilhandle) return kNoMemory;
  if (readat(ref, kPictHeader, deref(h), size) != noErr) {
    DisposeHandle(h);
    return kNoPictureFile;
  }
  *picture = h;
  return 0;
}

}  // namespace

OSErr fsopenit(ConstStringPtr name, i16 volume, u32 dirid, FileRef* ref) {
  Str255 leaf;
  resolved(name, &volume, &dirid, leaf);
  return HOpen(volume, dirid, leaf, fsCurPerm, ref);
}

OSErr fsopenres(ConstStringPtr name, i16 volume, u32 dirid, i16* refnum) {
  Str255 leaf;
  resolved(name, &volume, &dirid, leaf);
  std::string path;
  if (OSErr e = fullpathof(volume, dirid, leaf, &path)) return e;
  // The resource file beside the file, else the file itself.
  Str255 fork;
  std::string forkname = std::string(pstringview(leaf)) + ".rsrc";
  CatInfo c{};
  if (forkname.size() <= 255) {
    setpstring(fork, forkname);
    if (HGetCatInfo(volume, dirid, fork, &c) == noErr && !c.folder) path += ".rsrc";
  }
  *refnum = OpenResFile(path);
  return *refnum < 0 ? ResError() : OSErr(noErr);
}

i16 getpicture(ConstStringPtr name, i16 volume, u32 dirid, u16 fromresource, ConstStringPtr resname, i16 resid,
               Handle* picture) {
  *picture = nilhandle;
  const MainGlobals& g = mainglobals();
  i16 oldfile = fromresource ? CurResFile() : 0;
  i16 oldcount = fromresource ? CountResFiles() : 0;
  struct Place {
    i16 volume;
    u32 dirid;
  };
  const Place places[4] = {{g.lastvolume, g.lastdirid},
                           {volume, dirid},
                           {kBootVolume, g.appfolder},
                           {kBootVolume, g.documentsfolder}};
  for (const Place& p : places) {
    if (p.dirid == 0 && &p != &places[1]) continue;
    Str255 leaf;
    i16 v = p.volume;
    u32 d = p.dirid;
    resolved(name, &v, &d, leaf);
    if (!fromresource) {
      FileRef ref = nilid;
      if (HOpen(v, d, leaf, fsRdPerm, &ref) != noErr) continue;
      FInfo info{};
      if (HGetFInfo(v, d, leaf, &info) != noErr) {
        FSClose(ref);
        return kNoPictureFile;
      }
      i16 st = readdatafork(ref, info.fdType, pstringview(leaf), picture);
      FSClose(ref);
      if (st == 0) orderpictureframe(*picture);
      return st;
    }
    i16 file = 0;
    if (fsopenres(leaf, v, d, &file) != noErr) continue;
    bool opened = CountResFiles() > oldcount;
    auto done = [&](i16 status) {
      if (opened) CloseResFile(file);
      UseResFile(oldfile);
      return status;
    };
    Handle h = resname != nullptr && resname[0] != 0 ? Get1NamedResource(kPict, resname) : Get1Resource(kPict, resid);
    if (h == nilhandle) return done(kNoResource);
    if (memoryrefused(GetHandleSize(h) + kMemoryMargin)) {
      ReleaseResource(h);
      return done(kNoMemory);
    }
    DetachResource(h);
    *picture = h;
    orderpictureframe(h);
    return done(0);
  }
  return fromresource ? kNoResource : kNoPictureFile;
}

}  // namespace kv
