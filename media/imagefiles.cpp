// The shared image writers.
#include "media/imagefiles.h"

#include <vector>

#include "platform/files/files.h"
#include "shell/mainglobals.h"

namespace kv {

u32 defaultwritefolder() {
  const MainGlobals& g = mainglobals();
  return g.lastdirid != 0 ? g.lastdirid : g.documentsfolder;
}

i16 newimagefile(ConstStringPtr name, Handle data, OSType type) {
  constexpr i16 statuscantopen = 72;
  u32 folder = defaultwritefolder();
  HDelete(kBootVolume, folder, name);
  if (HCreate(kBootVolume, folder, name, kProjectCreator, type) != noErr) return statuscantopen;
  FileRef ref = nilid;
  if (HOpen(kBootVolume, folder, name, fsRdWrPerm, &ref) != noErr) return statuscantopen;
  std::vector<u8> bytes(type == fourcc("PICT") ? 512 : 0, 0);
  if (data != nilhandle) bytes.insert(bytes.end(), deref(data), deref(data) + GetHandleSize(data));
  // A file that could not be written whole is not left behind as if it had been.
  OSErr err = writeat(ref, 0, bytes.data(), i64(bytes.size()));
  FSClose(ref);
  if (err == noErr) return 0;
  HDelete(kBootVolume, folder, name);
  return statuscantopen;
}

}  // namespace kv
