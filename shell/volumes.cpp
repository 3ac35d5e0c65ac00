#include "shell/volumes.h"

#include <algorithm>
#include <cstring>

#include "engine/lookups.h"
#include "engine/textutil.h"
#include "platform/files/volumes.h"
#include "platform/memory/memory.h"
#include "platform/resources/resources.h"
#include "platform/text/changecase.h"
#include "platform/text/macroman.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"

namespace kv {

namespace {

constexpr i16 kNoMemory = 37, kFileSystemError = 110;
constexpr size_t kShortName = 31, kSpecName = 63;

void unknown(StringPtr name) { pstrassign(name, 256, "Unknown", 7); }

// The index of a listed volume, or -1.
i32 listed(u16 vRefNum) {
  Handle list = mainglobals().volumelist;
  if (list == nilhandle) return -1;
  for (i32 i = 0; i < i32(HandleCount<volentry>(list)); ++i)
    if (u16(HandleAs<volentry>(list)[i].volume) == vRefNum) return i;
  return -1;
}

bool append(const VolumeInfo& v) {
  volentry e{};
  e.volume = v.vRefNum;
  e.locked = v.locked ? 1 : 0;
  pstrassign(e.name, 256, v.name.data(), v.name.size());
  return PtrAndHand(&e, mainglobals().volumelist, Size(sizeof e)) == noErr;
}

bool equalsignoringcase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return macromanupper(u8(x)) == macromanupper(u8(y));
         });
}

// A file-system name of a UTF-16 name (Mac Roman; what it cannot hold escaped reversibly).
std::string fromunicode(const HFSUniStr255& u) {
  std::string utf8;
  for (u16 i = 0; i < u.length && i < 255; ++i) {
    const u32 c = u.unicode[i];
    if (c < 0x80) {
      utf8 += char(c);
    } else if (c < 0x800) {
      utf8 += char(0xC0 | (c >> 6));
      utf8 += char(0x80 | (c & 0x3F));
    } else {
      utf8 += char(0xE0 | (c >> 12));
      utf8 += char(0x80 | ((c >> 6) & 0x3F));
      utf8 += char(0x80 | (c & 0x3F));
    }
  }
  return utf8;
}

// The folder and leaf of an absolute UTF-8 path.
OSErr splitpath(const std::string& path, u32* parent, std::string* leaf) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return paramErr;
  *leaf = path.substr(slash + 1);
  return folderidofpath(filenametomacroman(slash == 0 ? "/" : path.substr(0, slash)), parent);
}

}  // namespace

i16 buildvolumelist() {
  MainGlobals& g = mainglobals();
  if (g.volumelist != nilhandle) DisposeHandle(g.volumelist);
  g.volumelist = NewHandle(0);
  if (g.volumelist == nilhandle) return kNoMemory;
  VolumeInfo v;
  for (i16 index = 1; GetVolumeByIndex(index, &v) == noErr; ++index)
    if (!append(v)) return kNoMemory;
  return 0;
}

i16 addVolumeToList(u16 vRefNum, StringPtr name) {
  MainGlobals& g = mainglobals();
  VolumeInfo v;
  if (GetVolumeByRefNum(i16(vRefNum), &v) != noErr) {
    // A volume the desktop announced but the mount table does not show (yet).
    v = VolumeInfo{};
    v.vRefNum = i16(vRefNum);
    if (volumename(i16(vRefNum), &v.name) != noErr || v.name.empty()) {
      unknown(name);
      return 0;
    }
  }
  pstrassign(name, 256, v.name.data(), v.name.size());
  if (g.volumelist == nilhandle && (g.volumelist = NewHandle(0)) == nilhandle) return 0;
  if (i32 i = listed(vRefNum); i >= 0)
    Munger(g.volumelist, Size(i) * Size(sizeof(volentry)), nullptr, Size(sizeof(volentry)), "", 0);
  return append(v) ? 1 : 0;
}

i16 removeVolumeFromList(u16 vRefNum, StringPtr name) {
  const i32 i = listed(vRefNum);
  if (i < 0) {
    unknown(name);
    return 0;
  }
  Handle list = mainglobals().volumelist;
  std::memcpy(name, HandleAs<volentry>(list)[i].name, 256);
  Munger(list, Size(i) * Size(sizeof(volentry)), nullptr, Size(sizeof(volentry)), "", 0);
  return 1;
}

i16 isvolocked(u16 vRefNum) {
  if (i32 i = listed(vRefNum); i >= 0) return HandleAs<volentry>(mainglobals().volumelist)[i].locked != 0 ? 1 : 0;
  VolumeInfo v;
  if (GetVolumeByRefNum(i16(vRefNum), &v) != noErr) return 1;
  return v.locked ? 1 : 0;
}

OSErr UnmountAndEject(ConstStringPtr name, i16 vRefNum) {
  if (name != nullptr && name[0] != 0) {
    std::string wanted(pstringview(name));
    if (wanted.back() == ':') wanted.pop_back();
    Handle list = mainglobals().volumelist;
    const i32 n = list == nilhandle ? 0 : i32(HandleCount<volentry>(list));
    vRefNum = 0;
    for (i32 i = 0; i < n && vRefNum == 0; ++i) {
      const volentry& e = HandleAs<volentry>(list)[i];
      if (equalsignoringcase(pstringview(e.name), wanted)) vRefNum = e.volume;
    }
    if (vRefNum == 0 && volumebyname(wanted, &vRefNum) != noErr) return nsvErr;
  } else if (std::string known; listed(u16(vRefNum)) < 0 && volumename(vRefNum, &known) != noErr) {
    VolumeInfo v;
    if (GetVolumeByRefNum(vRefNum, &v) != noErr) return nsvErr;
  }
  const OSErr e = unmountvolume(vRefNum);
  // A volume the desktop announced whose mount cannot be found cannot be let go either.
  return e == nsvErr ? OSErr(fBsyErr) : e;
}

OSType FileExtensionToType(ConstStringPtr name) {
  const std::string_view n = pstringview(name);
  const size_t dot = n.find_last_of('.');
  if (dot == std::string_view::npos) return 0;
  const std::string_view ext = n.substr(dot);
  struct row {
    const char* ext;
    OSType type;
  };
  for (const row& r : {row{".TEXT", fourcc("TEXT")}, row{".TXT", fourcc("TEXT")}, row{".TTXT", fourcc("TEXT")},
                       row{".TTRO", fourcc("TEXT")}, row{".PICT", fourcc("PICT")}, row{".RTF", fourcc("RTF ")},
                       row{".RTFD", fourcc("RTFD")}})
    if (equalsignoringcase(ext, r.ext)) return r.type;
  return 0;
}

OSErr FNNotifyByFileFSSpec(const FSSpec&) { return noErr; }
OSErr FNNotifyByFolderID(i16, u32) { return noErr; }
OSErr FNNotifyByFolderFSSpec(const FSSpec&) { return noErr; }
OSErr FNNotifyByFilePath(const std::string&) { return noErr; }
OSErr FNNotifyByFolderPath(const std::string&) { return noErr; }

OSErr hideFileExtension(i16 vRefNum, u32 dirID, ConstStringPtr name, i16 hide) {
  return HSetExtensionHidden(vRefNum, dirID, name, hide != 0);
}

i16 countresfiles() { return CountResFiles(); }

OSErr MakeCanonFSSpec(FSSpec* spec) {
  if (spec->name[0] != 0) return noErr;
  std::string path;
  if (OSErr e = pathoffolder(spec->parID, &path)) return e;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos || path == "/") return noErr;
  const std::string leaf = path.substr(slash + 1);
  if (leaf.size() > kSpecName) return bdNamErr;
  u32 parent = 0;
  if (OSErr e = folderidofpath(slash == 0 ? std::string("/") : path.substr(0, slash), &parent)) return e;
  spec->parID = parent;
  pstrassign(spec->name, 64, leaf.data(), leaf.size());
  return noErr;
}

i16 resultfilesystemerr(i16 status) {
  const std::string_view pattern = pstringview(resultstr(kFileSystemError));
  if (pattern.empty()) return 1;
  std::string text(pattern);
  if (const size_t at = text.find("%d"); at != std::string::npos) text.replace(at, 2, std::to_string(status));
  Str255 s{};
  pstrassign(s, 256, text.data(), std::min<size_t>(text.size(), 255));
  Handle& result = mainglobals().result;
  if (result == nilhandle && (result = NewHandle(0)) == nilhandle) return kNoMemory;
  return stringtohand(s, result) != 0 ? kNoMemory : i16(0);
}

void killdir(u16 vRefNum, u32 dirID) {
  Handle list = mainglobals().dirlist;
  if (list == nilhandle) return;
  for (Size i = 0; i < HandleCount<dirlistentry>(list); ++i) {
    dirlistentry& e = HandleAs<dirlistentry>(list)[i];
    if (u16(e.volume) != vRefNum || e.dirid != dirID) continue;
    if (e.uses > 1) {
      --e.uses;
      return;
    }
    Munger(list, i * Size(sizeof(dirlistentry)), nullptr, Size(sizeof(dirlistentry)), "", 0);
    return;
  }
}

OSErr FSRefMakeFSSpec(const FSRef& ref, FSSpec* spec) {
  if (spec == nullptr) return paramErr;
  if (FSRefValid(&ref) == 0) return fnfErr;
  u32 parent = 0;
  std::string leaf;
  if (OSErr e = splitpath(ref.path, &parent, &leaf)) return e;
  const std::string name = filenametomacroman(leaf);
  if (name.size() > kSpecName) return bdNamErr;
  spec->vRefNum = kBootVolume;
  spec->parID = parent;
  pstrassign(spec->name, 64, name.data(), name.size());
  return noErr;
}

OSErr FSPathMakeFSSpec(const std::string& path, FSSpec* spec, bool* isdirectory) {
  if (spec == nullptr) return paramErr;
  FSRef ref{path};
  if (OSErr e = FSRefMakeFSSpec(ref, spec)) return e;
  if (isdirectory != nullptr) {
    CatInfo info{};
    *isdirectory = HGetCatInfo(spec->vRefNum, spec->parID, spec->name, &info) == noErr && info.folder;
  }
  return noErr;
}

OSErr FSMakeFSRef(i16 vRefNum, u32 dirID, ConstStringPtr name, FSRef* ref) {
  if (ref == nullptr) return paramErr;
  CatInfo info{};
  if (OSErr e = HGetCatInfo(vRefNum, dirID, name, &info)) return e;
  std::string path;
  if (OSErr e = fullpathof(vRefNum, dirID, name, &path)) return e;
  ref->path = macromantofilename(path);
  return noErr;
}

i16 FSRefValid(const FSRef* ref) {
  if (ref == nullptr || ref->path.empty() || ref->path.front() != '/') return 0;
  u32 parent = 0;
  std::string leaf;
  if (splitpath(ref->path, &parent, &leaf) != noErr) return 0;
  if (leaf.empty()) return 1;
  const std::string name = filenametomacroman(leaf);
  Str255 n{};
  pstrassign(n, 256, name.data(), std::min<size_t>(name.size(), 255));
  CatInfo info{};
  return HGetCatInfo(kBootVolume, parent, n, &info) == noErr ? 1 : 0;
}

i16 pathHasLongComponent(ConstStringPtr path) {
  const std::string_view p = pstringview(path);
  if (p.size() <= kShortName) return 0;
  size_t run = 0;
  for (char c : p) {
    run = c == ':' ? 0 : run + 1;
    if (run > kShortName) return 1;
  }
  return 0;
}

OSErr HFSNameGetUnicodeName(ConstStringPtr name, u32 encoding, HFSUniStr255* out) {
  if (encoding != kTextEncodingMacRoman && encoding != kTextEncodingSystem) return paramErr;
  const std::string utf8 = macromantoutf8(pstringview(name));
  out->length = 0;
  for (size_t i = 0; i < utf8.size() && out->length < 255;) {
    const u8 b = u8(utf8[i]);
    u32 c = b;
    size_t n = 1;
    if (b >= 0xE0 && i + 2 < utf8.size()) {
      c = ((b & 0x0Fu) << 12) | ((u8(utf8[i + 1]) & 0x3Fu) << 6) | (u8(utf8[i + 2]) & 0x3Fu);
      n = 3;
    } else if (b >= 0xC0 && i + 1 < utf8.size()) {
      c = ((b & 0x1Fu) << 6) | (u8(utf8[i + 1]) & 0x3Fu);
      n = 2;
    }
    out->unicode[out->length++] = u16(c);
    i += n;
  }
  return noErr;
}

OSErr GenerateUniqueHFSUniStr(u32* counter, i16 vRefNum, u32 dirID, HFSUniStr255* out) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (;;) {
    Str255 name{};
    name[0] = 8;
    for (int i = 0; i < 8; ++i) name[1 + i] = u8(kDigits[(*counter >> (28 - 4 * i)) & 0xF]);
    CatInfo info{};
    const OSErr e = HGetCatInfo(vRefNum, dirID, name, &info);
    if (e == fnfErr) return HFSNameGetUnicodeName(name, kTextEncodingMacRoman, out);
    if (e != noErr) return e;
    ++*counter;
  }
}

OSErr FSMakeLongFSSpec(i16 vRefNum, u32 dirID, Handle path, bool create, FSSpec* spec, bool* exact, bool* created) {
  if (path == nilhandle || spec == nullptr) return paramErr;
  if (exact != nullptr) *exact = true;
  if (created != nullptr) *created = false;
  const Size n = GetHandleSize(path);
  if (n == 0 || deref(path)[n - 1] != 0) {
    const u8 zero = 0;
    if (PtrAndHand(&zero, path, 1) != noErr) return memFullErr;
  }
  std::string text(reinterpret_cast<const char*>(deref(path)));
  // An absolute path stands alone; another is taken inside the folder.
  std::string full;
  if (!text.empty() && text.front() == '/') {
    full = text;
  } else {
    if (OSErr e = pathoffolder(dirID, &full)) return e;
    full += "/" + text;
  }
  (void)vRefNum;
  u32 parent = 0;
  std::string leaf;
  if (OSErr e = splitpath(macromantofilename(full), &parent, &leaf)) return e;
  const std::string name = filenametomacroman(leaf);
  Str255 longname{};
  pstrassign(longname, 256, name.data(), std::min<size_t>(name.size(), 255));
  CatInfo info{};
  const OSErr found = HGetCatInfo(kBootVolume, parent, longname, &info);
  if (found == fnfErr && create) {
    if (OSErr e = HCreate(kBootVolume, parent, longname, 0, 0)) return e;
    if (created != nullptr) *created = true;
  } else if (found != noErr && found != fnfErr) {
    return found;
  }
  spec->vRefNum = kBootVolume;
  spec->parID = parent;
  if (name.size() <= kSpecName) {
    pstrassign(spec->name, 64, name.data(), name.size());
    return noErr;
  }
  // The real name does not fit: a placeholder no item of the folder has.
  if (exact != nullptr) *exact = false;
  u32 counter = 0;
  HFSUniStr255 placeholder{};
  if (OSErr e = GenerateUniqueHFSUniStr(&counter, kBootVolume, parent, &placeholder)) return e;
  const std::string p = fromunicode(placeholder);
  pstrassign(spec->name, 64, p.data(), p.size());
  return noErr;
}

}  // namespace kv
