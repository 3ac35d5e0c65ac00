// The scrap: flavours in the order they were put, over the backend's clipboard.
#include "platform/scrap/scrap.h"

#include <algorithm>
#include <cstring>

#include "platform/backend/backend.h"
#include "platform/runtime/root.h"

namespace kv {

namespace {

struct Flavor {
  ScrapFlavorType type;
  u32 flags;
  std::vector<u8> bytes;
};

struct ScrapState {
  std::vector<Flavor> flavors;
  u32 changes = 1;
  bool seen = false;  // whether the backend's change count below was read
  u32 backendchanges = 0;
};

ScrapState& scrap() { return state<ScrapState>(); }

// The flavour of the type in a current scrap, or an error.
OSStatus find(ScrapRef ref, ScrapFlavorType type, Flavor** out) {
  ScrapState& s = scrap();
  if (ref != s.changes) return badScrapRefErr;
  const auto it = std::find_if(s.flavors.begin(), s.flavors.end(), [&](const Flavor& f) { return f.type == type; });
  if (it == s.flavors.end()) return noTypeErr;
  *out = &*it;
  return noErr;
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
  for (const ClipFlavor& c : backend().clipboard()) s.flavors.push_back(Flavor{c.type, 0, c.bytes});
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
  backend().setclipboard({});
  s.seen = true;
  s.backendchanges = backend().clipboardchangecount();
  return noErr;
}

OSStatus PutScrapFlavor(ScrapRef ref, ScrapFlavorType type, u32 flags, Size size, const void* data) {
  ScrapState& s = scrap();
  if (ref != s.changes) return badScrapRefErr;
  if (size < 0 || (size > 0 && data == nullptr)) return paramErr;
  for (const Flavor& f : s.flavors)
    if (f.type == type) return duplicateScrapFlavorErr;
  Flavor f{type, flags, std::vector<u8>(std::size_t(size))};
  if (size > 0) std::memcpy(f.bytes.data(), data, std::size_t(size));
  s.flavors.push_back(std::move(f));
  if (type == fourcc("TEXT")) {
    backend().setclipboard({ClipFlavor{type, s.flavors.back().bytes}});
    s.backendchanges = backend().clipboardchangecount();
  }
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
  if (ref != scrap().changes) return badScrapRefErr;
  if (count) *count = u32(scrap().flavors.size());
  return noErr;
}

OSStatus GetScrapFlavorInfoList(ScrapRef ref, u32* count, ScrapFlavorInfo* info) {
  if (ref != scrap().changes) return badScrapRefErr;
  if (count == nullptr) return paramErr;
  const u32 n = std::min<u32>(*count, u32(scrap().flavors.size()));
  for (u32 i = 0; i < n && info; ++i) info[i] = ScrapFlavorInfo{scrap().flavors[i].type, scrap().flavors[i].flags};
  *count = n;
  return noErr;
}

u32 scrapchangecount() { return scrap().changes; }

}  // namespace kv
