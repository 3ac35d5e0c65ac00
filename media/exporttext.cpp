// A text record written out as a file: plain text, Unicode, RTF, or an RTFD package (a folder
// holding "TXT.rtf" with the pictures beside it).
#include <string>
#include <vector>

#include "engine/scripterrors.h"
#include "fields/rtfwriter.h"
#include "media/export.h"
#include "platform/text/pstring.h"
#include "core/memoryguard.h"

namespace kv {

namespace {

i16 status(OSErr err) { return err == noErr ? i16(0) : err == memFullErr ? err::nomemory : i16(err); }

// The bytes of a handle, which is disposed of.
std::vector<u8> takebytes(Handle h) {
  std::vector<u8> bytes(deref(h), deref(h) + GetHandleSize(h));
  DisposeHandle(h);
  return bytes;
}

// Writes RTF into `name` of `folder` through a temporary file renamed over it.
i16 writertf(i32 start, i32 end, WEReference we, OSType kind, u32 folder, ConstStringPtr name, const FSSpec* base,
             const char* extra) {
  Str255 temporary{};
  setpstring(temporary, std::string(pstringview(name)) + ".kvpart");
  HDelete(kBootVolume, folder, temporary);
  if (HCreate(kBootVolume, folder, temporary, 0, fourcc("RTF ")) != noErr) return err::nointeger;
  FileRef ref = nilid;
  if (HOpen(kBootVolume, folder, temporary, fsRdWrPerm, &ref) != noErr) {
    HDelete(kBootVolume, folder, temporary);
    return err::nointeger;
  }
  const i32 written = RTFWriteFileCrutch(start, end, we, kind, ref, base, extra);
  const OSErr closed = FSClose(ref);
  i16 st = written == 0 ? status(closed) : written >= -32768 && written <= 32767 ? i16(written) : i16(ioErr);
  if (st == 0) st = status(HReplaceFile(kBootVolume, folder, temporary, name));
  if (st != 0) HDelete(kBootVolume, folder, temporary);
  return st;
}

}  // namespace

i16 FSpWESave(i32 start, i32 end, const FSSpec& spec, OSType kind, i16 flags, WEReference we, const char* extra) {
  if (kind != fourcc("TEXT") && kind != fourcc("utxt") && kind != fourcc("RTF ") && kind != fourcc("RTFD"))
    return err::unknownfilekind;
  if (kind == fourcc("RTF ")) return writertf(start, end, we, kind, spec.parID, spec.name, nullptr, extra);
  if (kind == fourcc("RTFD")) {
    if (memoryrefused64(i64(WEGetTextLength(we)) + 340)) return err::nomemory;
    u32 package = 0;
    const OSErr made = DirCreate(spec.vRefNum, spec.parID, spec.name, &package);
    CatInfo info{};
    if ((made != noErr && made != dupFNErr) || HGetCatInfo(spec.vRefNum, spec.parID, spec.name, &info) != noErr ||
        !info.folder)
      return err::nodocument;
    FSSpec base{spec.vRefNum, info.dirID, {}};
    setpstring(base.name, "TXT.rtf");
    return writertf(start, end, we, kind, info.dirID, base.name, &base, extra);
  }
  Handle h = NewHandle(0);
  if (h == nilhandle) return err::nomemory;
  OSErr err = noErr;
  if (kind == fourcc("TEXT")) {
    err = WEStreamRange(start, end, fourcc("TEXT"), 0, h, we);
  } else {
    // A byte-order mark, then the units in host order.
    const u32 variant = (flags & 4) != 0 ? 1536 : 512;
    err = WEGetTextRangeAsUnicode(start, end, h, nilhandle, nilhandle, variant, 0, 0x200, we);
  }
  if (err != noErr) {
    DisposeHandle(h);
    return status(err);
  }
  const std::vector<u8> bytes = takebytes(h);
  return status(replacefile(spec.parID, spec.name, kind, 0, bytes.data(), i64(bytes.size())));
}

bool exportspec(ConstStringPtr name, FSSpec* spec) {
  u32 folder = 0;
  Str255 place{};
  std::string full;
  if (!exportplace(name, &folder, place) || fullpathof(kBootVolume, folder, place, &full) != noErr) return false;
  const std::size_t slash = full.rfind('/');
  if (slash == std::string::npos) return false;
  const std::string leaf = full.substr(slash + 1);
  *spec = FSSpec{kBootVolume, 0, {}};
  if (leaf.empty() || leaf.size() > 63 ||
      folderidofpath(slash == 0 ? "/" : full.substr(0, slash), &spec->parID) != noErr)
    return false;
  setpstring(spec->name, leaf);
  return true;
}

i16 wewritefiletopath(WEReference we, ConstStringPtr path, OSType kind, const char* extra) {
  FSSpec spec{};
  if (!exportspec(path, &spec)) return err::nodocument;
  return FSpWESave(0, WEGetTextLength(we), spec, kind, 0, we, extra);
}

}  // namespace kv
