#include "system/filelocation.h"

#include <algorithm>
#include <cstring>

#include "engine/lookups.h"
#include "platform/memory/memory.h"
#include "platform/process/process.h"
#include "platform/runtime/root.h"
#include "platform/text/pstring.h"
#include "core/dialogs.h"
#include "core/mainglobals.h"
#include "core/memoryguard.h"

namespace kv {

namespace {

constexpr i16 kNoMemory = 37, kNoSuchPlace = 227;
constexpr OSType kAnyFile = fourcc("****"), kApplication = fourcc("APPL"), kApplicationAlias = fourcc("adrp");

// The wanted type and creator of the search under way (the caller's own words).
struct FileLocationState {
  OSType* cktype = nullptr;
  OSType* ckcreator = nullptr;
};

FileLocationState& where() { return state<FileLocationState>(); }

std::string_view cut(std::string_view s) {
  std::size_t end = s.find_first_of(std::string_view("\r\0", 2));
  return end == std::string_view::npos ? s : s.substr(0, end);
}

// Whether a catalogue entry passes the search's wanted type and creator; an accepted file's
// own type and creator are written back.
bool accepted(const CatInfo& c) {
  FileLocationState& s = where();
  OSType type = s.cktype ? *s.cktype : 0, creator = s.ckcreator ? *s.ckcreator : 0;
  if (c.folder) return mainglobals().runningosx != 0 && ((c.flags & kHasBundle) != 0 || c.type == kApplication);
  bool ok = creator == kAnyFile ||
            ((type == 0 || type == c.type || (type == kApplication && c.type == kApplicationAlias)) &&
             (creator == 0 || creator == c.creator));
  if (ok) {
    if (s.cktype) *s.cktype = c.type;
    if (s.ckcreator) *s.ckcreator = c.creator;
  }
  return ok;
}

bool lookup(i16 volume, u32 dirid, std::string_view name, CatInfo* c) {
  if (name.empty() || name.size() > 255) return false;
  Str255 n;
  setpstring(n, name);
  return HGetCatInfo(volume, dirid, n, c) == noErr;
}

// The folder id of a folder part (Mac Roman, ending with "/"), when it names a folder.
bool folderof(std::string_view folder, u32* dirid) {
  std::string f(folder);
  while (f.size() > 1 && f.back() == '/') f.pop_back();
  return folderidofpath(f, dirid) == noErr;
}

}  // namespace

std::string colontoposix(std::string_view path) {
  if (path.find(':') == std::string_view::npos || path.find('/') != std::string_view::npos) return std::string(path);
  std::string out;
  std::size_t i = 0;
  if (path[0] == ':') {
    // Relative: each further colon at the start climbs one folder.
    i = 1;
    while (i < path.size() && path[i] == ':') {
      out += "../";
      ++i;
    }
  } else {
    out = "/Volumes/";
  }
  for (; i < path.size(); ++i) out += path[i] == ':' ? '/' : path[i];
  return out;
}

i16 getpath(StringPtr out, i16 capacity, i16 volume, u32 dirid) {
  out[0] = 0;
  std::size_t room = capacity > 1 ? std::size_t(capacity - 1) : 0;
  std::string path;
  if (volume != 0 && volume != kBootVolume) return 0;
  if (pathoffolder(dirid, &path) != noErr) return 0;
  // The root first, then each folder name with its separator while it fits.
  std::string written;
  if (room < 1) return 0;
  written = "/";
  std::size_t start = 1;
  while (start < path.size()) {
    std::size_t slash = path.find('/', start);
    std::string_view name = std::string_view(path).substr(start, slash == std::string::npos ? std::string::npos
                                                                                            : slash - start);
    if (!name.empty()) {
      if (written.size() + name.size() + 1 > room) break;
      written.append(name);
      written += '/';
    }
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  out[0] = u8(written.size());
  std::memcpy(out + 1, written.data(), written.size());
  return 0;
}

i16 splitnames(ConstStringPtr path, StringPtr folder, StringPtr leaf) {
  std::string_view p = pstringview(path);
  char sep = p.find('/') != std::string_view::npos || p.find(':') == std::string_view::npos ? '/' : ':';
  std::size_t last = p.rfind(sep);
  std::string_view f = last == std::string_view::npos ? std::string_view() : p.substr(0, last + 1);
  std::string_view l = last == std::string_view::npos ? p : p.substr(last + 1);
  std::string_view cf = cut(f), cl = cut(l);
  pstrassign(folder, 256, cf.data(), cf.size());
  pstrassign(leaf, 256, cl.data(), cl.size());
  return i16(leaf[0]);
}

void setcodes(OSType* type, OSType* creator) {
  where().cktype = type;
  where().ckcreator = creator;
}

OSErr askuser(ConstStringPtr path, StringPtr leaf, i16* volume, u32* dirid) {
  Str255 message;
  setpstring(message, "Where is ");
  pstrappend(message, 256, path + 1, std::min<std::size_t>(path[0], 254));
  pstrappend(message, 256, "?", 1);
  Str255 chosen;
  if (runopenfile(message, chosen) == 0) return userCanceledErr;
  std::string p = colontoposix(pstringview(chosen));
  std::size_t slash = p.rfind('/');
  std::string folder = slash == std::string::npos ? std::string(".")
                       : slash == 0               ? std::string("/")
                                                  : p.substr(0, slash);
  std::string name = slash == std::string::npos ? p : p.substr(slash + 1);
  if (name.empty() || name.size() > 255) return bdNamErr;
  if (OSErr e = folderidofpath(folder, dirid)) return e;
  *volume = kBootVolume;
  pstrassign(leaf, 256, name.data(), name.size());
  return noErr;
}

i16 findfile(ConstStringPtr path, StringPtr leaf, i16* volume, u32* dirid, OSType* type, OSType* creator) {
  setcodes(type, creator);
  std::string posix = colontoposix(cut(pstringview(path)));
  std::size_t slash = posix.rfind('/');
  std::string folder = slash == std::string::npos ? std::string() : posix.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? posix : posix.substr(slash + 1);
  i16 foundvolume = 0;
  u32 founddir = 0;
  std::string foundleaf;
  bool ask = false;
  u32 absolute = 0;
  CatInfo c{};
  if (!folder.empty() && folder[0] == '/' && folderof(folder, &absolute)) {
    // An existing folder: the file is there or the user is asked at once.
    if (lookup(kBootVolume, absolute, name, &c) && accepted(c)) {
      foundvolume = kBootVolume;
      founddir = absolute;
      foundleaf = name;
    } else {
      ask = true;
    }
  } else if (folder.empty() || folder[0] != '/') {
    const MainGlobals& g = mainglobals();
    Size n = g.dirlist == nilhandle ? 0 : HandleCount<dirlistentry>(g.dirlist);
    for (Size i = 0; i < n && founddir == 0; ++i) {
      dirlistentry e = HandleAs<dirlistentry>(g.dirlist)[i];
      if (!lookup(e.volume, e.dirid, posix, &c) || !accepted(c)) continue;
      // The folder that holds the file, also for a path with folder parts below the listed one.
      founddir = c.parID != 0 ? c.parID : e.dirid;
      foundvolume = e.volume;
      foundleaf = name;
    }
  }
  if (founddir == 0) {
    Str255 chosen;
    if (askuser(path, chosen, &foundvolume, &founddir) != noErr) founddir = 0;
    else foundleaf = std::string(pstringview(chosen));
    if (!ask) {
      // Back to the front after the dialog.
      ProcessSerialNumber self{0, kCurrentProcess};
      SetFrontProcess(&self);
    }
  }
  setcodes(nullptr, nullptr);
  if (founddir == 0) return 0;
  *volume = foundvolume;
  *dirid = founddir;
  pstrassign(leaf, 256, foundleaf.data(), foundleaf.size());
  addir(foundvolume, founddir);
  return 1;
}

i16 checkdirq(ConstStringPtr name, i16* volume, u32* dirid, i16 allowfolders) {
  const MainGlobals& g = mainglobals();
  Size n = g.dirlist == nilhandle ? 0 : HandleCount<dirlistentry>(g.dirlist);
  for (Size i = 0; i < n; ++i) {
    dirlistentry e = HandleAs<dirlistentry>(g.dirlist)[i];
    CatInfo c{};
    if (HGetCatInfo(e.volume, e.dirid, name, &c) != noErr) continue;
    bool ok = accepted(c);
    if (!ok && c.folder && allowfolders != 0) {
      u32 package = 0;
      ok = FSpIsPackage(e.volume, e.dirid, name, &package) != 0;
    }
    if (ok) {
      *volume = e.volume;
      *dirid = e.dirid;
      return 0;
    }
  }
  return 1;
}

OSErr fsclose(FileRef ref) {
  i16 volume = 0;
  u32 parent = 0;
  Str255 name;
  if (GetFileLocation(ref, &volume, &parent, name) == noErr) {
    MainGlobals& g = mainglobals();
    Size n = g.dirlist == nilhandle ? 0 : HandleCount<dirlistentry>(g.dirlist);
    for (Size i = 0; i < n; ++i) {
      dirlistentry* e = HandleAs<dirlistentry>(g.dirlist) + i;
      if (e->volume != volume || e->dirid != parent) continue;
      if (e->uses > 1) {
        --e->uses;
      } else {
        Munger(g.dirlist, i32(i * sizeof(dirlistentry)), nullptr, i32(sizeof(dirlistentry)), "", 0);
      }
      break;
    }
  }
  FlushFile(ref);
  return FSClose(ref);
}

OSErr flushfile(FileRef ref) { return FlushFile(ref); }

i16 isfile(ConstStringPtr leaf, i16 volume, u32 dirid) {
  CatInfo c{};
  return HGetCatInfo(volume, dirid, leaf, &c) == noErr && !c.folder ? 1 : 0;
}

i16 isfolder(ConstStringPtr leaf, i16 volume, u32 dirid) {
  CatInfo c{};
  return HGetCatInfo(volume, dirid, leaf, &c) == noErr && c.folder ? 1 : 0;
}

i16 dirthere(ConstStringPtr path, u32* dirid, i16* volume) {
  std::string p = colontoposix(pstringview(path));
  if (p.empty() || p[0] != '/') return 0;
  u32 id = 0;
  if (!folderof(p, &id)) return 0;
  *dirid = id;
  *volume = kBootVolume;
  return 1;
}

i16 getlongpath(ConstStringPtr leaf, i16 volume, u32 dirid, Handle* out, i32* length) {
  *out = nilhandle;
  std::string path;
  if (fullpathof(volume, dirid, leaf, &path) != noErr) return kNoSuchPlace;
  if (memoryrefused(Size(path.size()))) return kNoMemory;
  Handle h = NewHandle(Size(path.size()));
  if (h == nilhandle) return kNoMemory;
  if (!path.empty()) std::memcpy(deref(h), path.data(), path.size());
  *out = h;
  if (length != nullptr) *length = i32(path.size());
  return 0;
}

i16 FSpIsPackage(i16 volume, u32 dirid, ConstStringPtr name, u32* packagedir) {
  CatInfo c{};
  if (HGetCatInfo(volume, dirid, name, &c) != noErr || !c.folder) return 0;
  std::string_view n = pstringview(name);
  bool package = (c.flags & kHasBundle) != 0 ||
                 (mainglobals().runningosx != 0 && n.size() >= 4 && n.substr(n.size() - 4) == ".app");
  if (!package) return 0;
  *packagedir = c.dirID;
  return 1;
}

}  // namespace kv
