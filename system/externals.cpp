// The registry of externals: building it when a project opens, importing the classic
// externals of a project's resource file, loading code on first use (fat headers reduced to
// this machine's slice), loading from files and bundles, and unloading.
#include "system/externals.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/scripterrors.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "platform/console/console.h"
#include "platform/files/files.h"
#include "platform/loader/loader.h"
#include "platform/memory/memory.h"
#include "platform/prefs/bundle.h"
#include "platform/resources/resources.h"
#include "platform/text/macroman.h"
#include "platform/text/pstring.h"
#include "core/fatalerror.h"
#include "core/mainglobals.h"
#include "store/commitpoints.h"
#include "core/memoryguard.h"
#include "store/namekey.h"
#include "store/pagedlists.h"
#include "store/recordcache.h"
#include "store/records.h"
#include "store/starfile.h"
#include "system/externalevents.h"
#include "system/externalstate.h"
#include "system/filelocation.h"
#include "system/proctable.h"
#include "system/xresources.h"

namespace kv {

namespace {

constexpr u32 kFatMagic = 0xCAFEBABE;
constexpr i16 kClassicList = 998;  // 'STR#' of the classic externals in a resource file
constexpr std::size_t kMaxPath = 1024;
constexpr u8 kMaxName = 31;

// The kind and lookup class of an external type; false for any other type.
bool externaltype(OSType type, u8* kind, u8* lookupclass) {
  if (type == kXCmd) *kind = xkindcommand, *lookupclass = xclasscommand;
  else if (type == kXFcn) *kind = xkindfunction, *lookupclass = xclassfunction;
  else if (type == kXRtn) *kind = xkindnative, *lookupclass = xclassfunction;
  else return false;
  return true;
}

u32 bigendian32(const u8* p) { return u32(p[0]) << 24 | u32(p[1]) << 16 | u32(p[2]) << 8 | p[3]; }

void report(ConstStringPtr name, const std::string& reason) {
  writeconsole("Kestrove: the external \"" + macromantoutf8(pstringview(name)) + "\" can't be loaded: " + reason +
               "\n");
}

// The entries of a list handle (registry or file-loaded list).
template <class E>
std::span<E> listof(Handle h, i32 count) {
  if (h == nilhandle || count <= 0) return {};
  std::size_t n = std::min<std::size_t>(std::size_t(count), std::size_t(HandleCount<E>(h)));
  return {HandleAs<E>(h), n};
}

// Makes and links the image of code bytes, finds its entry and checks its interface version.
// 0 with the entry's loaded words filled, or a failure status with the reason.
i16 loadcode(const u8* bytes, u64 size, std::string_view path, xentry* e, std::string* reason) {
  RegistryId image = nilid;
  i32 made = createimage(bytes, size, path, &image, reason);
  if (made == 0 && size >= 4 && bigendian32(bytes) == kFatMagic) {
    std::string fat;
    made = WorkAroundRadarID4189935(&bytes, &size, &image, &fat);
    if (made == 0 && !fat.empty()) *reason = fat;
  }
  if (made != 1) return err::cantloadexternal;
  i16 st = 0;
  bool found = false;
  void* entry = nullptr;
  if (!linkimage(image, reason)) {
    st = err::cantlinkexternal;
  } else if (entry = imagesymbol(image, "kv_main", &found); !found) {
    *reason = "it has no kv_main";
    st = err::noentrypoint;
  } else if (entry == nullptr) {
    *reason = "its kv_main is empty";
    st = err::emptyentrypoint;
  } else {
    const void* version = imagesymbol(image, "kv_interface_version", &found);
    if (version == nullptr || loadat<u32>(static_cast<const u8*>(version)) != KV_INTERFACE_VERSION) {
      *reason = version == nullptr ? "it has no kv_interface_version" : "it was written for another interface version";
      st = err::externalversion;
    }
  }
  if (st != 0) {
    destroyimage(image);
    return st;
  }
  e->module = e->image = image;
  e->entrypoint = e->code = u64(reinterpret_cast<std::uintptr_t>(entry));
  e->codesize = size;
  return 0;
}

// Loads the code of registry entry `index` from its record: 0, or a failure status.
i16 loadentry(RegistryId project, i32 index, ConstStringPtr name) {
  projectstore* st = findprojectstore(project);
  xentry e = listof<xentry>(st->externals, st->externalscount)[std::size_t(index)];
  Handle rec = nilhandle;
  i16 status = getvir(project, i32(e.recordid), &rec);
  std::string reason;
  if (status != 0 || GetHandleSize(rec) < Size(sizeof(xresrec)) || loadat<u16>(deref(rec)) != kindxres) {
    reason = "its record cannot be read";
    status = err::cantloadexternal;
  } else {
    Handle data = loadat<xresrec>(deref(rec)).data;
    Size size = GetHandleSize(data);
    if (memoryrefused(size)) {
      reason = "there is not enough memory";
      status = err::nomemory;
    } else {
      status = loadcode(data != nilhandle ? reinterpret_cast<const u8*>(deref(data)) : nullptr, u64(size), {}, &e,
                        &reason);
    }
  }
  if (rec != nilhandle) checkerr(putvir(project, i32(e.recordid)));
  if (status != 0) {
    report(name, reason);
    return status;
  }
  st = findprojectstore(project);
  listof<xentry>(st->externals, st->externalscount)[std::size_t(index)] = e;
  return 0;
}

// Reads a whole file by its (Mac Roman) path into `bytes`.
bool readwholefile(std::string_view path, std::vector<u8>* bytes) {
  std::size_t slash = path.rfind('/');
  std::string folder(slash == std::string_view::npos ? std::string_view(".") : path.substr(0, slash + 1));
  std::string_view leaf = slash == std::string_view::npos ? path : path.substr(slash + 1);
  u32 dirid = 0;
  Str255 name;
  if (leaf.empty() || leaf.size() > 255 || folderidofpath(folder, &dirid) != noErr) return false;
  pstrassign(name, sizeof name, leaf.data(), leaf.size());
  FileRef ref = 0;
  if (HOpen(kBootVolume, dirid, name, fsRdPerm, &ref) != noErr) return false;
  i64 length = 0;
  bool ok = GetEOF(ref, &length) == noErr && length >= 0 && length < (i64(1) << 32) &&
            !memoryrefused(Size(std::min<i64>(length, 0x7FFFFFFF)));
  if (ok) {
    bytes->resize(std::size_t(length));
    ok = length == 0 || readat(ref, 0, bytes->data(), length) == noErr;
  }
  FSClose(ref);
  return ok;
}

void settheresult(std::string_view text) {
  Handle result = mainglobals().result;
  if (result == nilhandle) return;
  PtrToXHand(text.data(), result, Size(text.size()));
}

// The project whose file-loaded list a bundle goes to: the shared one, else the current one.
RegistryId bundleproject() {
  MainGlobals& g = mainglobals();
  return g.sharedstore != nilid ? g.sharedstore : g.current.store;
}

}  // namespace

void unloadentry(xentry& e) {
  if (e.kind < xkindcommand || e.kind > xkindnative) return;
  if (e.code != 0) dropregistrations(e.code);
  RegistryId image = e.image != nilid ? e.image : e.module;
  if (image != nilid) {
    ExternalState& x = xstate();
    if (std::find(x.running.begin(), x.running.end(), image) != x.running.end()) {
      x.retired.push_back(image);
    } else {
      unlinkimage(image);
      destroyimage(image);
    }
  }
  e.module = e.image = nilid;
  e.code = e.entrypoint = e.codesize = 0;
}

RegistryId imageofcode(RegistryId project, u64 code, RegistryId image) {
  const projectstore* st = findprojectstore(project);
  if (st == nullptr || code == 0) return nilid;
  for (const xentry& e : listof<xentry>(st->externals, st->externalscount))
    if (e.code == code && (image == nilid || e.image == image)) return e.image;
  for (const xfileentry& f : listof<xfileentry>(st->fileexternals, st->fileexternalscount))
    if (f.entry.code == code && (image == nilid || f.entry.image == image)) return f.entry.image;
  return nilid;
}

void unloadcode(RegistryId project, u64 code) {
  projectstore* st = findprojectstore(project);
  if (st == nullptr || code == 0) return;
  for (xentry& e : listof<xentry>(st->externals, st->externalscount)) {
    if (e.code == code) {
      unloadentry(e);
      break;
    }
  }
  std::span<xfileentry> files = listof<xfileentry>(st->fileexternals, st->fileexternalscount);
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (files[i].entry.code != code) continue;
    unloadentry(files[i].entry);
    Munger(st->fileexternals, i32(i * sizeof(xfileentry)), nullptr, i32(sizeof(xfileentry)), "", 0);
    --st->fileexternalscount;
    break;
  }
}

void xinit(RegistryId project) {
  initload(project);
  fillcarbonprocs();
  projectstore* st = findprojectstore(project);
  if (st == nullptr) return;
  if (st->externals != nilhandle) unloadregistry(project);
  Handle registry = NewHandle(0);
  if (registry == nilhandle) checkerr(MemError());
  // A project whose library of resources cannot be read (a store being made, a damaged file)
  // has no externals.
  Handle lib = nilhandle;
  i32 count = 0;
  if (getvir(project, kResourceLibrary, &lib) == 0) {
    bookentry b{};
    for (i32 position = 1; getbook(project, lib, position, &b) == 0; ++position) {
      xentry e{};
      if (!externaltype(b.word12, &e.kind, &e.lookupclass)) continue;
      e.namekey = b.word8;
      e.recordid = b.recordid;
      e.project = project;
      checkerr(PtrAndHand(&e, registry, Size(sizeof e)));
      ++count;
    }
    checkerr(putvir(project, kResourceLibrary));
  }
  st = findprojectstore(project);
  st->externals = registry;
  st->externalscount = count;
  if (count > 0) xstate().listed += count;
}

void initload(RegistryId project) {
  projectstore* st = findprojectstore(project);
  if (st == nullptr || islocked(project) != 0 || (st->header.flags & kStarUnsearchedFork) == 0) return;
  i16 oldfile = CurResFile();
  i16 files = CountResFiles();
  std::string path;
  i16 fork = -1;
  if (fullpathof(st->volume, st->dirid, st->filename, &path) == noErr) fork = OpenResFile(path + ".rsrc");
  Handle list = fork > 0 ? Get1Resource(fourcc("STR#"), kClassicList) : nilhandle;
  if (list != nilhandle) {
    std::vector<u8> items(deref(list), deref(list) + GetHandleSize(list));
    std::size_t at = 2, count = items.size() >= 2 ? (std::size_t(items[0]) << 8 | items[1]) : 0;
    for (std::size_t i = 0; i < count && at < items.size() && items[at] != 0; ++i) {
      std::size_t n = std::min<std::size_t>(items[at], items.size() - at - 1);
      const u8* item = items.data() + at + 1;
      at += 1 + n;
      // An item of four characters or fewer names no resource.
      if (n <= 4) continue;
      OSType type = bigendian32(item);
      Str255 name;
      pstrassign(name, sizeof name, item + 4, n - 4);
      Handle res = Get1NamedResource(type, name);
      if (res == nilhandle) continue;
      delres(type, name, project);
      if (addres(type, name, res, project) != 0) {
        RemoveResource(res);
        DisposeHandle(res);
      } else {
        ReleaseResource(res);
      }
    }
    RemoveResource(list);
    DisposeHandle(list);
    UpdateResFile(fork);
  }
  st = findprojectstore(project);
  if (fork > 0 && !st->isapplication && CountResFiles() > files) CloseResFile(fork);
  UseResFile(oldfile);
  st->header.flags &= ~kStarUnsearchedFork;
  markchanged(st);
  flushstar(project);
}

i16 lowfind(ConstStringPtr name, u32 key, RegistryId project, u8 lookupclass, xentry* out, i16* failure) {
  projectstore* st = findprojectstore(project);
  if (st == nullptr || st->externalscount <= 0) return 0;
  for (i32 i = 0; i < st->externalscount; ++i) {
    st = findprojectstore(project);
    std::span<xentry> list = listof<xentry>(st->externals, st->externalscount);
    if (std::size_t(i) >= list.size()) break;
    xentry e = list[std::size_t(i)];
    if (e.namekey != key || e.lookupclass != lookupclass) continue;
    Str255 recname;
    if (namevir(project, i32(e.recordid), recname) != 0 || !myequalstring(recname, name)) continue;
    if (e.kind >= xkindcommand && e.kind <= xkindnative && e.code == 0) {
      if (i16 status = loadentry(project, i, name)) {
        *failure = status;
        return 0;
      }
      st = findprojectstore(project);
      e = listof<xentry>(st->externals, st->externalscount)[std::size_t(i)];
    }
    *out = e;
    return 1;
  }
  return 0;
}

i32 WorkAroundRadarID4189935(const u8** code, u64* size, RegistryId* image, std::string* reason) {
  if (code == nullptr || *code == nullptr || size == nullptr || image == nullptr) return 0;
  const u8* p = *code;
  if (*size < 8 || bigendian32(p) != kFatMagic) return 0;
  u64 count = bigendian32(p + 4);
  // Each slice record takes 20 bytes after the 8 of the header; the count is checked against
  // what the data holds before any record is read.
  if (count == 0 || count > (*size - 8) / 20) {
    *reason = "a damaged fat header";
    return 0;
  }
  for (u64 i = 0; i < count; ++i) {
    const u8* slice = p + 8 + 20 * i;
    if (bigendian32(slice) != localcputype()) continue;
    u64 offset = bigendian32(slice + 8), length = bigendian32(slice + 12), align = bigendian32(slice + 16);
    if (align >= 32 || (u64(1) << align) > pagesize() || length > *size || offset + length > *size) {
      *reason = "the fat header's slice for this machine lies outside the data";
      return 0;
    }
    *code = p + offset;
    *size = length;
    return createimage(*code, *size, {}, image, reason);
  }
  *reason = "the fat header holds no code for this machine";
  return 0;
}

i16 loadxcmd(RegistryId project, std::string_view path, ConstStringPtr name, OSType type) {
  xfileentry f{};
  if (!externaltype(type, &f.entry.kind, &f.entry.lookupclass)) return err::notexternal;
  if (name[0] > kMaxName) return err::nametoolong;
  projectstore* st = findprojectstore(project);
  if (st == nullptr) return err::nobundle;
  for (RegistryId p = mainglobals().openprojects; p != nilid; p = nextvir(p)) {
    projectstore* other = findprojectstore(p);
    if (other == nullptr) break;
    for (const xfileentry& loaded : listof<xfileentry>(other->fileexternals, other->fileexternalscount)) {
      if (loaded.entry.kind == f.entry.kind && myequalstring(loaded.name, name)) {
        settheresult("That external is already loaded! You must quit KV first before you can debug a new version.");
        return 0;
      }
    }
  }
  std::vector<u8> bytes;
  if (!readwholefile(path, &bytes)) return err::nomemory;
  std::string reason;
  if (i16 status = loadcode(bytes.data(), bytes.size(), path, &f.entry, &reason)) {
    report(name, reason);
    return status;
  }
  getkey(name, &f.entry.namekey);
  f.entry.project = project;
  f.entry.inuse = -1;
  std::memcpy(f.name, name, std::size_t(name[0]) + 1);
  st = findprojectstore(project);
  if (st->fileexternals == nilhandle) st->fileexternals = NewHandle(0);
  if (st->fileexternals == nilhandle || PtrAndHand(&f, st->fileexternals, Size(sizeof f)) != noErr) {
    unloadentry(f.entry);
    return err::nomemory;
  }
  ++st->fileexternalscount;
  ++xstate().listed;
  char typetext[5] = {char(type >> 24), char(type >> 16), char(type >> 8), char(type), 0};
  settheresult(std::string(pstringview(name)) + "\r" + typetext);
  return 0;
}

scriptstatus xload(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  fred value{};
  i32 used = 0;
  if (i16 st = expression(path, text, atoms, at + 1, variables, nilhandle, &used, &value)) return st;
  u16 next = tokenat(atoms, at + 1 + used);
  std::string where(reinterpret_cast<const char*>(fredaddr(&value)), std::size_t(getfredsize(&value)));
  disposfred(&value);
  if (next != tok::endofline && next != tok::endofscript) return err::stray;
  std::string folder = colontoposix(where);
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  if (folder.empty() || folder.size() > kMaxPath) return err::nopath;
  u32 dirid = 0;
  if (folderidofpath(folder, &dirid) != noErr) return err::nobundle;
  std::optional<PrefValue> kind = infovalue(folder, "KVExternalType");
  std::optional<PrefValue> executable = infovalue(folder, "Executable");
  if (!kind || kind->type != PrefValue::Type::string || !executable || executable->type != PrefValue::Type::string ||
      executable->text.empty())
    return err::notexternal;
  u8 code[4] = {};
  std::memcpy(code, kind->text.data(), std::min<std::size_t>(4, kind->text.size()));
  std::string file = executable->text.front() == '/' ? executable->text : folder + "/" + executable->text;
  if (file.size() > kMaxPath) return err::nopath;
  std::string leaf = file.substr(file.rfind('/') + 1);
  if (leaf.empty()) return err::notexternal;
  Str255 name;
  pstrassign(name, sizeof name, leaf.data(), leaf.size());
  return loadxcmd(bundleproject(), file, name, bigendian32(code));
}

void unloadregistry(RegistryId project) {
  projectstore* st = findprojectstore(project);
  if (st == nullptr) return;
  for (xentry& e : listof<xentry>(st->externals, st->externalscount)) unloadentry(e);
  if (st->externals != nilhandle) DisposeHandle(st->externals);
  st->externals = nilhandle;
  if (st->externalscount > 0) xstate().listed -= st->externalscount;
  st->externalscount = 0;
}

void xdump(RegistryId project) {
  releasereferences(project);
  unloadregistry(project);
  projectstore* st = findprojectstore(project);
  if (st == nullptr) return;
  for (xfileentry& f : listof<xfileentry>(st->fileexternals, st->fileexternalscount)) unloadentry(f.entry);
  if (st->fileexternals != nilhandle) DisposeHandle(st->fileexternals);
  st->fileexternals = nilhandle;
  if (st->fileexternalscount > 0) xstate().listed -= st->fileexternalscount;
  st->fileexternalscount = 0;
}

}  // namespace kv
