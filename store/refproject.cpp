// The project a reference names: finding it among the open projects or on disk, and opening it
// for the reference when it is not open.
#include <cstring>
#include <string>

#include "engine/lookups.h"
#include "engine/textutil.h"
#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/text/pstring.h"
#include "core/fatalerror.h"
#include "core/mainglobals.h"
#include "store/forms.h"
#include "store/objread.h"
#include "store/recordcache.h"
#include "store/records.h"

namespace kv {

namespace {

constexpr i16 kNoMemory = 37, kNoProject = 62, kNoStore = 104, kStoreIsValid = 1000;

bool haschar(ConstStringPtr s, char c) { return pstringview(s).find(c) != std::string_view::npos; }

// The first open project that passes `match`, or nilid.
template <class Match>
RegistryId findopen(Match&& match) {
  for (RegistryId s = mainglobals().openprojects; s != nilid; s = nextvir(s)) {
    const projectstore* st = findprojectstore(s);
    if (st == nullptr) break;
    if (match(*st)) return s;
  }
  return nilid;
}

// Whether a file exists in a folder.
bool exists(u32 dirid, ConstStringPtr leaf) {
  FInfo info{};
  return HGetFInfo(kBootVolume, dirid, leaf, &info) == noErr;
}

// A colon path ("Disk:folder:file") as the POSIX path it names ("/Volumes/Disk/folder/file").
std::string posixpath(std::string_view name) {
  if (name.find('/') != std::string_view::npos || name.find(':') == std::string_view::npos) return std::string(name);
  std::string out = "/Volumes/";
  for (char c : name) out += c == ':' ? '/' : c;
  return out;
}

// Locates a project file by name: a path names its folder; a bare name is looked for in the
// current project's folder, the known folders and the current folder. False when not found.
bool findfile(ConstStringPtr name, i16* volume, u32* dirid, StringPtr leaf) {
  std::string path = posixpath(pstringview(name));
  std::size_t slash = path.rfind('/');
  if (slash != std::string::npos) {
    std::string folder = slash == 0 ? "/" : path.substr(0, slash);
    std::string file = path.substr(slash + 1);
    if (file.empty() || file.size() > 255 || folderidofpath(folder, dirid) != noErr) return false;
    pstrassign(leaf, 256, file.data(), file.size());
    *volume = kBootVolume;
    return exists(*dirid, leaf);
  }
  std::memcpy(leaf, name, size_t(name[0]) + 1);
  *volume = kBootVolume;
  const MainGlobals& g = mainglobals();
  if (const projectstore* st = findprojectstore(g.current.store); st && exists(st->dirid, leaf)) {
    *dirid = st->dirid;
    return true;
  }
  if (g.dirlist != nilhandle) {
    Size n = HandleCount<dirlistentry>(g.dirlist);
    for (Size i = 0; i < n; ++i) {
      dirlistentry e = HandleAs<dirlistentry>(g.dirlist)[i];
      if (exists(e.dirid, leaf)) {
        *dirid = e.dirid;
        return true;
      }
    }
  }
  *dirid = 0;
  return exists(0, leaf);
}

}  // namespace

i16 hasfile(selpart* location, i16* open, RegistryId* store) {
  *open = 1;
  i16 volume = i16(location->selector);
  if (volume == 0 && location->name[0] == 0) {
    RegistryId current = mainglobals().current.store;
    if (findprojectstore(current) == nullptr) return kNoStore;
    *store = current;
    return 0;
  }
  if (volume == 0) {
    bool path = haschar(location->name, '/') || haschar(location->name, ':');
    std::string wanted = posixpath(pstringview(location->name));
    Str255 want{};
    setpstring(want, std::string_view(wanted).substr(0, 255));
    if (RegistryId s = findopen(
            [&](const projectstore& st) { return myequalstring(path ? st.fullpath : st.filename, want); })) {
      *store = s;
      return 0;
    }
    u32 dirid = 0;
    Str255 leaf{};
    if (!findfile(location->name, &volume, &dirid, leaf)) return kNoProject;
    i16 code = verifystar(volume, dirid, leaf);
    if (code != kStoreIsValid) return verifystr(code);
    location->selector = u16(volume);
    location->dirid = dirid;
    std::memcpy(location->name, leaf, size_t(leaf[0]) + 1);
  }
  RegistryId s = findopen([&](const projectstore& st) {
    return st.dirid == location->dirid && myequalstring(st.filename, location->name);
  });
  if (s == nilid) {
    *open = 0;
    return 0;
  }
  *store = s;
  return 0;
}

i16 openreferenced(const selpart& location, i16 shared, RegistryId* store, bool* opened) {
  *opened = false;
  selpart where = location;
  i16 open = 0;
  if (i16 st = hasfile(&where, &open, store)) return st;
  if (open) return 0;
  i16 code = verifystar(i16(where.selector), where.dirid, where.name);
  if (code != kStoreIsValid) return verifystr(code);
  RegistryId s = newprojectstore();
  if (s == nilid) return kNoMemory;
  findprojectstore(s)->isapplication = u16(shared ? 1 : 0);
  if (i16 e = openvir(i16(where.selector), where.dirid, where.name, s)) {
    disposeprojectstore(s);
    return e;
  }
  if (shared) {
    Handle head = nilhandle;
    if (i16 e = holdrecord(s, 0, kindhead, &head)) {
      dumpfile(s);
      return e;
    }
    mainglobals().sharedstore = s;
    mainglobals().sharedhead = head;
  }
  // The password check accepts every project.
  *store = s;
  *opened = true;
  return 0;
}

void referencedopened(RegistryId store) {
  if (const projectstore* st = findprojectstore(store)) addir(st->volume, st->dirid);
}

}  // namespace kv
