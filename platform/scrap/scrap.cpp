// The scrap: flavours in the order they were put, over the backend's clipboard.
#include "platform/scrap/scrap.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/backend/backend.h"
#include "platform/runtime/root.h"

namespace kv {

namespace {

struct Flavor {
  ScrapFlavorType type;
  u32 flags;
  std::vector<u8> bytes;
};

struct Flipper {
  OSType type;
  CoreEndianFlipProc proc;
  void* refcon;
};

struct ScrapState {
  std::vector<Flavor> flavors;
  std::vector<Flipper> flippers;
  u32 changes = 1;
  bool seen = false;  // whether the backend's change count below was read
  u32 backendchanges = 0;
  std::vector<std::pair<ScrapRef, std::vector<Flavor>>> services;  // service scraps by reference
  u32 nextservice = 0;
};

ScrapState& scrap() { return state<ScrapState>(); }

constexpr ScrapRef kServiceBit = 0x80000000u;

// The flavours of a scrap: the current scrap's while the reference is current, a service
// scrap's while it exists; else none.
std::vector<Flavor>* flavorsof(ScrapRef ref) {
  ScrapState& s = scrap();
  if (!(ref & kServiceBit)) return ref == s.changes ? &s.flavors : nullptr;
  for (auto& [r, list] : s.services)
    if (r == ref) return &list;
  return nullptr;
}

// The flavour of the type in a scrap, or an error.
OSStatus find(ScrapRef ref, ScrapFlavorType type, Flavor** out) {
  std::vector<Flavor>* list = flavorsof(ref);
  if (list == nullptr) return badScrapRefErr;
  const auto it = std::find_if(list->begin(), list->end(), [&](const Flavor& f) { return f.type == type; });
  if (it == list->end()) return noTypeErr;
  *out = &*it;
  return noErr;
}

u16 bswap16(u16 v) { return u16((v >> 8) | (v << 8)); }

// A flavour's bytes flipped to or from outside order: false when its flipper refused them.
bool flip(OSType type, std::vector<u8>& bytes, bool native) {
  if (type == fourcc("styl")) return flipstylscrap(bytes.data(), i64(bytes.size()), native) == noErr;
  for (const Flipper& f : scrap().flippers)
    if (f.type == type)
      return f.proc(kCoreEndianResourceManagerDomain, type, 0, bytes.data(), i64(bytes.size()), native, f.refcon) ==
             noErr;
  return true;
}

// The whole scrap handed to the backend in outside order.
void sendout() {
  ScrapState& s = scrap();
  std::vector<ClipFlavor> out;
  for (const Flavor& f : s.flavors) {
    ClipFlavor c{f.type, f.bytes};
    if (flip(c.type, c.bytes, true)) out.push_back(std::move(c));
  }
  backend().setclipboard(out);
  s.seen = true;
  s.backendchanges = backend().clipboardchangecount();
}

// Another program's clipboard replaces the scrap when it changed since it was last read.
void takeoutside() {
  ScrapState& s = scrap();
  const u32 now = backend().clipboardchangecount();
  if (s.seen && now == s.backendchanges) return;
  const bool first = !s.seen;
  s.seen = true;
  s.backendchanges = now;
  if (first && now == 0) return;
  s.flavors.clear();
  for (ClipFlavor& c : backend().clipboard())
    if (flip(c.type, c.bytes, false)) s.flavors.push_back(Flavor{c.type, 0, std::move(c.bytes)});
  ++s.changes;
}

}  // namespace

OSStatus GetCurrentScrap(ScrapRef* ref) {
  if (ref == nullptr) return paramErr;
  takeoutside();
  *ref = scrap().changes;
  return noErr;
}

OSStatus ClearCurrentScrap() {
  ScrapState& s = scrap();
  s.flavors.clear();
  ++s.changes;
  sendout();
  return noErr;
}

OSStatus PutScrapFlavor(ScrapRef ref, ScrapFlavorType type, u32 flags, Size size, const void* data) {
  std::vector<Flavor>* list = flavorsof(ref);
  if (list == nullptr) return badScrapRefErr;
  if (size < 0 || (size > 0 && data == nullptr)) return paramErr;
  for (const Flavor& f : *list)
    if (f.type == type) return duplicateScrapFlavorErr;
  Flavor f{type, flags, std::vector<u8>(std::size_t(size))};
  if (size > 0) std::memcpy(f.bytes.data(), data, std::size_t(size));
  list->push_back(std::move(f));
  if (!(ref & kServiceBit)) sendout();
  return noErr;
}

OSStatus GetScrapFlavorFlags(ScrapRef ref, ScrapFlavorType type, u32* flags) {
  Flavor* f = nullptr;
  if (OSStatus err = find(ref, type, &f)) return err;
  if (flags) *flags = f->flags;
  return noErr;
}

OSStatus GetScrapFlavorSize(ScrapRef ref, ScrapFlavorType type, Size* size) {
  Flavor* f = nullptr;
  if (OSStatus err = find(ref, type, &f)) return err;
  if (size) *size = Size(f->bytes.size());
  return noErr;
}

OSStatus GetScrapFlavorData(ScrapRef ref, ScrapFlavorType type, Size* size, void* destination) {
  Flavor* f = nullptr;
  if (size == nullptr) return paramErr;
  if (OSStatus err = find(ref, type, &f)) return err;
  const Size n = std::clamp<Size>(*size, 0, Size(f->bytes.size()));
  if (n > 0 && destination) std::memcpy(destination, f->bytes.data(), std::size_t(n));
  *size = n;
  return noErr;
}

OSStatus GetScrapFlavorCount(ScrapRef ref, u32* count) {
  const std::vector<Flavor>* list = flavorsof(ref);
  if (list == nullptr) return badScrapRefErr;
  if (count) *count = u32(list->size());
  return noErr;
}

OSStatus GetScrapFlavorInfoList(ScrapRef ref, u32* count, ScrapFlavorInfo* info) {
  const std::vector<Flavor>* list = flavorsof(ref);
  if (list == nullptr) return badScrapRefErr;
  if (count == nullptr) return paramErr;
  const u32 n = std::min<u32>(*count, u32(list->size()));
  for (u32 i = 0; i < n && info; ++i) info[i] = ScrapFlavorInfo{(*list)[i].type, (*list)[i].flags};
  *count = n;
  return noErr;
}

OSStatus CreateServiceScrap(ScrapRef* ref) {
  if (ref == nullptr) return paramErr;
  ScrapState& s = scrap();
  s.nextservice = (s.nextservice + 1) & ~kServiceBit;
  if (s.nextservice == 0) s.nextservice = 1;
  *ref = kServiceBit | s.nextservice;
  s.services.emplace_back(*ref, std::vector<Flavor>{});
  return noErr;
}

OSStatus DisposeServiceScrap(ScrapRef ref) {
  std::vector<std::pair<ScrapRef, std::vector<Flavor>>>& list = scrap().services;
  const auto it = std::find_if(list.begin(), list.end(), [&](const auto& e) { return e.first == ref; });
  if (it == list.end()) return badScrapRefErr;
  list.erase(it);
  return noErr;
}

OSStatus ClearScrap(ScrapRef* ref) {
  if (ref == nullptr) return paramErr;
  if (!(*ref & kServiceBit)) {
    ClearCurrentScrap();
    *ref = scrap().changes;
    return noErr;
  }
  std::vector<Flavor>* list = flavorsof(*ref);
  if (list == nullptr) return badScrapRefErr;
  list->clear();
  return noErr;
}

u32 scrapchangecount() { return scrap().changes; }

OSStatus CoreEndianInstallFlipper(OSType, OSType dataType, CoreEndianFlipProc proc, void* refcon) {
  std::vector<Flipper>& list = scrap().flippers;
  std::erase_if(list, [&](const Flipper& f) { return f.type == dataType; });
  if (proc != nullptr) list.push_back(Flipper{dataType, proc, refcon});
  return noErr;
}

OSStatus flipstylscrap(u8* data, i64 length, bool native) {
  constexpr i64 kElement = 20;
  if (length < 2) return length == 0 ? noErr : OSStatus(-1);
  u16 count = 0;
  std::memcpy(&count, data, 2);
  if (!native) count = bswap16(count);
  if (2 + i64(count) * kElement > length) return -1;
  auto swap16at = [](u8* p) { std::swap(p[0], p[1]); };
  auto swap32at = [](u8* p) {
    std::swap(p[0], p[3]);
    std::swap(p[1], p[2]);
  };
  swap16at(data);
  for (i64 i = 0; i < count; ++i) {
    u8* e = data + 2 + i * kElement;
    swap32at(e);
    for (int at : {4, 6, 8, 12, 14, 16, 18}) swap16at(e + at);
  }
  return noErr;
}

}  // namespace kv
