#include "platform/ipc/aewire.h"

#include <cstring>
#include <utility>

namespace kv {

namespace {

void swapwords(DescType type, std::vector<u8>* data);

bool hostisbigendian() {
  const u16 one = 1;
  return *reinterpret_cast<const u8*>(&one) == 0;
}

void put32(std::vector<u8>* out, u32 v) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(u8(v >> shift));
}

void putdesc(const AEDesc& d, std::vector<u8>* out);

void putitems(const std::vector<std::pair<AEKeyword, AEDesc>>& items, std::vector<u8>* out) {
  put32(out, u32(items.size()));
  for (const auto& [key, item] : items) {
    put32(out, key);
    putdesc(item, out);
  }
}

void putdesc(const AEDesc& d, std::vector<u8>* out) {
  put32(out, d.descriptorType);
  if (d.descriptorType == typeAEList || d.descriptorType == typeAERecord) {
    out->push_back(d.descriptorType == typeAEList ? 1 : 2);
    putitems(d.items, out);
    return;
  }
  out->push_back(0);
  std::vector<u8> data = d.data;
  swapwords(d.descriptorType, &data);
  put32(out, u32(data.size()));
  out->insert(out->end(), data.begin(), data.end());
}

// A reader over one block: every read is checked against what is left.
// Numbers in data of these types are host-order words in memory, big-endian on the wire.
std::size_t wordsize(DescType type) {
  switch (type) {
    case typeSInt16: return 2;
    case typeSInt32:
    case typeType:
    case typeEnumerated:
    case typeKeyword:
    case typeProcessSerialNumber: return 4;
    default: return 0;
  }
}

// Swaps each word of host-order data (to or from big-endian); a size that is no whole number
// of words stays as it is.
void swapwords(DescType type, std::vector<u8>* data) {
  const std::size_t w = wordsize(type);
  if (w == 0 || data->size() % w != 0 || hostisbigendian()) return;
  for (std::size_t i = 0; i < data->size(); i += w)
    for (std::size_t a = i, b = i + w - 1; a < b; ++a, --b) std::swap((*data)[a], (*data)[b]);
}

struct Reader {
  const u8* p;
  std::size_t left;
  bool u32of(u32* v) {
    if (left < 4) return false;
    *v = u32(p[0]) << 24 | u32(p[1]) << 16 | u32(p[2]) << 8 | u32(p[3]);
    p += 4;
    left -= 4;
    return true;
  }
  bool u8of(u8* v) {
    if (left < 1) return false;
    *v = *p++;
    --left;
    return true;
  }
};

// The least bytes one keyed item takes: keyword, type, form and an empty length or count.
constexpr std::size_t kLeastItem = 13;

bool getdesc(Reader& r, int depth, AEDesc* d);

bool getitems(Reader& r, int depth, std::vector<std::pair<AEKeyword, AEDesc>>* items) {
  u32 count = 0;
  if (!r.u32of(&count) || count > r.left / kLeastItem) return false;
  items->reserve(count);
  for (u32 i = 0; i < count; ++i) {
    u32 key = 0;
    AEDesc item;
    if (!r.u32of(&key) || !getdesc(r, depth + 1, &item)) return false;
    items->emplace_back(key, std::move(item));
  }
  return true;
}

bool getdesc(Reader& r, int depth, AEDesc* d) {
  u8 form = 0;
  u32 len = 0;
  if (!r.u32of(&d->descriptorType) || !r.u8of(&form)) return false;
  if (form == 1 || form == 2) {
    // `depth` counts the lists and records around this one and itself.
    if (depth > kAEWireMaxDepth) return false;
    if (d->descriptorType != (form == 1 ? typeAEList : typeAERecord)) return false;
    return getitems(r, depth, &d->items);
  }
  if (form != 0 || isaggregate(d->descriptorType) || !r.u32of(&len) || len > r.left) return false;
  d->data.assign(r.p, r.p + len);
  swapwords(d->descriptorType, &d->data);
  r.p += len;
  r.left -= len;
  return true;
}

}  // namespace

void encodeevent(const AppleEvent& event, std::vector<u8>* out) {
  // Read straight from the attributes: encoding touches no table, so a peer on a thread of its
  // own may use it.
  u32 cls = 0, id = 0;
  for (const auto& [key, d] : event.attributes) {
    if ((key == keyEventClassAttr || key == keyEventIDAttr) && d.data.size() == 4)
      std::memcpy(key == keyEventClassAttr ? &cls : &id, d.data.data(), 4);
  }
  put32(out, cls);
  put32(out, id);
  putitems(event.attributes, out);
  putitems(event.items, out);
}

bool decodeevent(const u8* data, std::size_t size, AppleEvent* out) {
  Reader r{data, size};
  u32 cls = 0, id = 0;
  AppleEvent e;
  e.descriptorType = typeAppleEvent;
  if (!r.u32of(&cls) || !r.u32of(&id) || !getitems(r, 0, &e.attributes) || !getitems(r, 0, &e.items) || r.left != 0)
    return false;
  // The class and id stand in the header; attributes that say otherwise give way to it.
  AEPutAttributePtr(&e, keyEventClassAttr, typeType, &cls, 4);
  AEPutAttributePtr(&e, keyEventIDAttr, typeType, &id, 4);
  *out = std::move(e);
  return true;
}

}  // namespace kv
