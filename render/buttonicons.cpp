// Icon lookup of buttons in the projects' resource libraries.
#include "render/buttonicons.h"

#include <cstring>

#include "platform/memory/memory.h"
#include "platform/qd/iconrecords.h"
#include "properties/userprops.h"
#include "core/fatalerror.h"
#include "core/mainglobals.h"
#include "store/byteorder.h"
#include "store/recordcache.h"
#include "store/resourcelibrary.h"
#include "store/starfile.h"

namespace kv {

namespace {

constexpr OSType kIconType = fourcc("ICON"), kCIconType = fourcc("cicn"), kFamilyType = fourcc("icns");
constexpr i32 kMaskSlack = 64;

// Calls use(data) with the data handle of the first resource of the type and id in the
// project's library (none when its record has no data), its record held meanwhile: whether
// there was one that use took.
template <class Use>
bool withresource(RegistryId project, OSType type, u32 id, Use&& use) {
  u32 recordid = 0;
  if (project == nilid || findprojectstore(project) == nullptr ||
      !findresourcerecord(project, type, nullptr, id, &recordid))
    return false;
  Handle record = nilhandle;
  checkerr(getvir(project, i32(recordid), &record));
  const bool used = use(resourcedata(record));
  checkerr(putvir(project, i32(recordid)));
  return used;
}

// The current project, then the shared project.
template <class Lookup>
i16 bothprojects(Lookup&& lookup) {
  const MainGlobals& g = mainglobals();
  if (lookup(g.current.store)) return 1;
  return g.sharedstore != g.current.store && lookup(g.sharedstore) ? 1 : 0;
}

IconRef familyref(Handle data) {
  IconRef ref = nilid;
  if (data == nilhandle || !IsValidHandle(data)) return nilid;
  if (GetIconRefFromIconFamilyPtr(deref(data), GetHandleSize(data), &ref) != noErr || !IsValidIconRef(ref))
    return nilid;
  return ref;
}

bool isalnum4(u32 id) {
  for (int shift = 0; shift < 32; shift += 8) {
    const u8 c = u8(id >> shift);
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
  }
  return true;
}

}  // namespace

i16 lowicon(RegistryId project, u32 id, u8* out) {
  return withresource(project, kIconType, id, [&](Handle data) {
    if (data == nilhandle || GetHandleSize(data) < Size(kIconBytes)) return false;
    std::memcpy(out, deref(data), kIconBytes);
    return true;
  });
}

i16 lowicns(RegistryId project, u32 id, Handle* out) {
  return withresource(project, kFamilyType, id, [&](Handle data) {
    Handle copy = data;
    if (data == nilhandle || HandToHand(&copy) != noErr) return false;
    *out = copy;
    return true;
  });
}

i16 lowcicon(RegistryId project, u32 id, CIconHandle* out) {
  return withresource(project, kCIconType, id, [&](Handle data) {
    if (data == nilhandle) return false;
    // Resource data is kept in file order: swapped to host order for the build and back.
    if (!endianswapcicon(deref(data), GetHandleSize(data), fromfile)) return false;
    const bool built = handtocicon(data, out) != 0;
    endianswapcicon(deref(data), GetHandleSize(data), tofile);
    return built;
  });
}

i16 geticon(u32 id, u8* out) {
  if (bothprojects([&](RegistryId p) { return lowicon(p, id, out) != 0; })) return 1;
  std::memset(out, 0, kIconBytes);
  return 0;
}

i16 getcicon(u32 id, CIconHandle* out) {
  return bothprojects([&](RegistryId p) { return lowcicon(p, id, out) != 0; });
}

i16 geticns(u32 id, IconRef* out) {
  *out = nilid;
  const bool found = bothprojects([&](RegistryId p) {
    Handle data = nilhandle;
    if (!lowicns(p, id, &data)) return false;
    *out = familyref(data);
    DisposeHandle(data);
    return *out != nilid;
  });
  if (found) return 1;
  // An id of four letters or digits names a file type: the system has no icons of file types
  // here, so none is made.
  if (isalnum4(id) && GetIconRef(0, fourcc("macs"), OSType(id), out) == noErr && IsValidIconRef(*out)) return 1;
  *out = nilid;
  return 0;
}

i16 handtocicon(Handle data, CIconHandle* out) {
  const Size size = data != nilhandle && IsValidHandle(data) ? GetHandleSize(data) : 0;
  if (size <= 0 || size > kMaxCIconData || size < Size(sizeof(ciconrec))) return 0;
  ciconrec head = loadat<ciconrec>(deref(data));
  const storedbitmap mask = head.mask;
  if (mask.rowbytes == 0 || i32(mask.rowbytes) > 8 * i32(mask.bounds.right) + kMaskSlack) return 0;
  CIconLayout layout;
  if (!ciconlayout(head, deref(data), size, false, &layout)) return 0;
  Handle table = nilhandle, pixels = nilhandle, icon = nilhandle;
  const bool made = PtrToHand(deref(data) + layout.ctab, &table, Size(layout.ctabbytes)) == noErr &&
                    PtrToHand(deref(data) + layout.pixels, &pixels, Size(layout.pixelbytes)) == noErr &&
                    PtrToHand(deref(data), &icon, Size(layout.ctab)) == noErr;
  if (!made) {
    if (table != nilhandle) DisposeHandle(table);
    if (pixels != nilhandle) DisposeHandle(pixels);
    return 0;
  }
  storedpixmap pm = head.pixmap;
  pm.baseaddr = 0;
  pm.pmtable = table;
  head.pixmap = pm;
  head.icondata = pixels;
  storeat<ciconrec>(deref(icon), head);
  *out = icon;
  return 1;
}

IconRef icondatafamily(const spot& s) {
  Handle value = nilhandle;
  if (s.uprops == nilhandle || prophandutil(s.uprops, reinterpret_cast<ConstStringPtr>("\x08iconData"), &value) != 0)
    return nilid;
  return familyref(value);
}

}  // namespace kv
