// The image writers of export: files placed by name and replaced whole, picture files, the
// graphics exporter's formats and GIF, into a file or a variable.
#include <cstring>
#include <string>
#include <vector>

#include "engine/container.h"
#include "engine/fred.h"
#include "engine/scripterrors.h"
#include "engine/tokens.h"
#include "media/export.h"
#include "media/imagefiles.h"
#include "platform/files/pathforms.h"
#include "platform/qd/imagewriters.h"
#include "platform/text/pstring.h"

namespace kv {

namespace {

// The bytes into a variable container as its value (the container is released).
i16 bytestovariable(chunkpart* destination, const std::vector<u8>& bytes) {
  fred value{};
  if (charstonewfred(bytes.data(), Size(bytes.size()), &value) != 0) {
    releasecontainer(destination);
    return err::nomemory;
  }
  return pututil(destination, &value, tok::into);
}

// A file's place, a link followed to the file it leads to (a link that leads nowhere is
// written over as it is named).
bool imageplace(ConstStringPtr name, u32* folder, Str255 place) {
  if (!exportplace(name, folder, place)) return false;
  i16 volume = kBootVolume;
  bool alias = false;
  Str255 target{};
  std::memcpy(target, place, std::size_t(place[0]) + 1);
  u32 targetfolder = *folder;
  if (ResolveAliasFile(&volume, &targetfolder, target, &alias) == noErr && alias) {
    *folder = targetfolder;
    std::memcpy(place, target, std::size_t(target[0]) + 1);
  }
  return true;
}

// Image bytes to their file or variable.
i16 deliverimage(ConstStringPtr name, OSType type, const std::vector<u8>& bytes, chunkpart* destination) {
  if (destination != nullptr) return bytestovariable(destination, bytes);
  u32 folder = 0;
  Str255 place{};
  if (!imageplace(name, &folder, place)) return err::nopath;
  return replacefile(folder, place, type, kProjectCreator, bytes.data(), i64(bytes.size())) == noErr
             ? i16(0)
             : err::cantconvert226;
}

}  // namespace

bool exportplace(ConstStringPtr name, u32* folder, Str255 out) {
  const std::string text(pstringview(name));
  if (text.empty()) return false;
  std::string path = text;
  *folder = defaultwritefolder();
  if (text.find('/') != std::string::npos) {
    if (text[0] == '/') *folder = 0;
  } else if (text.find(':') != std::string::npos) {
    path = colonpathtoposix(text);
    *folder = 0;
  }
  if (path.empty() || path.size() > 240 || path.back() == '/') return false;
  pstrassign(out, 256, path.data(), path.size());
  return true;
}

OSErr replacefile(u32 folder, ConstStringPtr name, OSType type, OSType creator, const u8* bytes, i64 count) {
  Str255 temporary{};
  setpstring(temporary, std::string(pstringview(name)) + ".kvpart");
  HDelete(kBootVolume, folder, temporary);
  if (OSErr err = HCreate(kBootVolume, folder, temporary, creator, type)) return err;
  FileRef ref = nilid;
  OSErr err = HOpen(kBootVolume, folder, temporary, fsRdWrPerm, &ref);
  if (err == noErr) {
    err = count > 0 ? writeat(ref, 0, bytes, count) : OSErr(noErr);
    const OSErr closed = FSClose(ref);
    if (err == noErr) err = closed;
  }
  if (err == noErr) err = HReplaceFile(kBootVolume, folder, temporary, name);
  if (err != noErr) HDelete(kBootVolume, folder, temporary);
  return err;
}

i16 newimagefile(ConstStringPtr name, Handle data, OSType type) {
  u32 folder = 0;
  Str255 place{};
  if (!imageplace(name, &folder, place)) return err::cantopenimage;
  std::vector<u8> bytes(type == fourcc("PICT") ? 512 : 0, 0);
  if (IsValidHandle(data)) bytes.insert(bytes.end(), deref(data), deref(data) + GetHandleSize(data));
  return replacefile(folder, place, type, kProjectCreator, bytes.data(), i64(bytes.size())) == noErr
             ? i16(0)
             : err::cantopenimage;
}

i16 gworldtoimagefile(ConstStringPtr name, GWorldPtr world, const Rect& rect, OSType type, i32 setting,
                      chunkpart* destination) {
  u32 folder = 0;
  Str255 place{};
  if (destination == nullptr && !exportplace(name, &folder, place)) return err::nopath;
  DecodedImage image;
  std::vector<u8> bytes;
  if (!hasimageexporter(type) || !worldpixels(world, rect, &image) ||
      !encodeexportimage(image, type, setting, &bytes)) {
    if (destination != nullptr) releasecontainer(destination);
    return err::cantconvert226;
  }
  return deliverimage(name, type, bytes, destination);
}

i16 gworldtoGIFfile(ConstStringPtr name, GWorldPtr world, const Rect& rect, i32 setting, chunkpart* destination) {
  (void)setting;
  u32 folder = 0;
  Str255 place{};
  if (destination == nullptr && !exportplace(name, &folder, place)) return err::nopath;
  std::vector<u8> bytes;
  if (!encodeworldgif(world, rect, &bytes)) {
    if (destination != nullptr) releasecontainer(destination);
    return err::cantconvert226;
  }
  return deliverimage(name, fourcc("GIFf"), bytes, destination);
}

}  // namespace kv
