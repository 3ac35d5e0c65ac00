#include "platform/resources/resourceformat.h"

#include <map>
#include <set>
#include <utility>

namespace kv {

namespace {

void put16(std::vector<u8>& v, u32 x) {
  v.push_back(u8(x >> 8));
  v.push_back(u8(x));
}
void put32(std::vector<u8>& v, u32 x) {
  put16(v, x >> 16);
  put16(v, x & 0xFFFF);
}
u32 get16(const u8* p) { return (u32(p[0]) << 8) | p[1]; }
u32 get32(const u8* p) { return (get16(p) << 16) | get16(p + 2); }

constexpr u32 kDataStart = 256;  // the header, then reserved space
constexpr u32 kMapHeader = 28;   // the map's fixed part before the type list

}  // namespace

bool buildresourcefile(const std::vector<ResourceItem>& items, std::vector<u8>* out, std::string* error) {
  // Types in order of their codes, resources of a type in the order given.
  std::map<ResType, std::vector<const ResourceItem*>> bytype;
  std::set<std::pair<ResType, i16>> seen;
  for (const ResourceItem& r : items) {
    if (!seen.insert({r.type, r.id}).second) {
      *error = "duplicate resource id " + std::to_string(r.id);
      return false;
    }
    if (r.name.size() > 255) {
      *error = "resource name longer than 255 bytes";
      return false;
    }
    bytype[r.type].push_back(&r);
  }
  std::vector<u8> data, names, typelist, reflists;
  u32 ntypes = u32(bytype.size());
  u32 reflistbase = 2 + 8 * ntypes;
  put16(typelist, (ntypes - 1) & 0xFFFF);  // an empty map says 0xFFFF: no types
  for (auto& [type, list] : bytype) {
    if (list.size() > 0x10000) {
      *error = "too many resources of one type";
      return false;
    }
    put32(typelist, type);
    put16(typelist, u32(list.size() - 1));
    put16(typelist, reflistbase + u32(reflists.size()));
    for (const ResourceItem* r : list) {
      u32 dataoff = u32(data.size());
      if (dataoff > 0xFFFFFF || r->data.size() > 0xFFFFFF) {
        *error = "resource data beyond 16 MB";
        return false;
      }
      put32(data, u32(r->data.size()));
      data.insert(data.end(), r->data.begin(), r->data.end());
      u32 nameoff = 0xFFFF;
      if (!r->name.empty()) {
        nameoff = u32(names.size());
        names.push_back(u8(r->name.size()));
        names.insert(names.end(), r->name.begin(), r->name.end());
      }
      put16(reflists, u16(r->id));
      put16(reflists, nameoff);
      reflists.push_back(r->attributes);
      reflists.push_back(u8(dataoff >> 16));
      reflists.push_back(u8(dataoff >> 8));
      reflists.push_back(u8(dataoff));
      put32(reflists, 0);  // the loaded handle's slot
    }
  }
  u32 namelistoffset = kMapHeader + u32(typelist.size() + reflists.size());
  if (typelist.size() + reflists.size() > 0xFFFF || namelistoffset > 0xFFFF || names.size() > 0xFFFF) {
    *error = "resource map longer than 64 KB";
    return false;
  }
  if (data.size() > 0xFFFFFF) {
    *error = "resource data beyond 16 MB";
    return false;
  }
  u32 maplength = namelistoffset + u32(names.size());
  u32 mapoffset = kDataStart + u32(data.size());
  std::vector<u8> head;
  put32(head, kDataStart);
  put32(head, mapoffset);
  put32(head, u32(data.size()));
  put32(head, maplength);
  std::vector<u8>& file = *out;
  file = head;
  file.resize(kDataStart, 0);
  file.insert(file.end(), data.begin(), data.end());
  file.insert(file.end(), head.begin(), head.end());
  put32(file, 0);  // next map
  put16(file, 0);  // file reference
  put16(file, 0);  // attributes
  put16(file, kMapHeader);
  put16(file, namelistoffset);
  file.insert(file.end(), typelist.begin(), typelist.end());
  file.insert(file.end(), reflists.begin(), reflists.end());
  file.insert(file.end(), names.begin(), names.end());
  return true;
}

OSErr parseresourcefile(const u8* bytes, std::size_t size, std::vector<ResourceRef>* out) {
  out->clear();
  if (size < 16) return mapReadErr;
  std::size_t dataoffset = get32(bytes), mapoffset = get32(bytes + 4);
  std::size_t datalength = get32(bytes + 8), maplength = get32(bytes + 12);
  if (dataoffset > size || datalength > size - dataoffset) return mapReadErr;
  if (mapoffset > size || maplength > size - mapoffset || maplength < kMapHeader) return mapReadErr;
  const u8* map = bytes + mapoffset;
  std::size_t typelist = get16(map + 24), namelist = get16(map + 26);
  if (typelist + 2 > maplength || namelist > maplength) return mapReadErr;
  std::size_t ntypes = (get16(map + typelist) + 1) & 0xFFFF;  // 0xFFFF + 1: no types
  if (typelist + 2 + 8 * ntypes > maplength) return mapReadErr;
  for (std::size_t t = 0; t < ntypes; ++t) {
    const u8* te = map + typelist + 2 + 8 * t;
    ResType type = get32(te);
    std::size_t count = get16(te + 4) + 1;
    std::size_t refs = typelist + get16(te + 6);
    if (refs > maplength || count * 12 > maplength - refs) return mapReadErr;
    for (std::size_t i = 0; i < count; ++i) {
      const u8* re = map + refs + 12 * i;
      ResourceRef r;
      r.type = type;
      r.id = i16(u16(get16(re)));
      u32 nameoff = get16(re + 2);
      r.attributes = re[4];
      std::size_t dataoff = (std::size_t(re[5]) << 16) | (std::size_t(re[6]) << 8) | re[7];
      if (nameoff != 0xFFFF) {
        std::size_t at = namelist + nameoff;
        if (at >= maplength || std::size_t(map[at]) + 1 > maplength - at) return mapReadErr;
        r.hasname = true;
        r.name.assign(reinterpret_cast<const char*>(map + at + 1), map[at]);
      }
      if (dataoff > datalength || 4 > datalength - dataoff) {
        r.damaged = true;
      } else {
        std::size_t length = get32(bytes + dataoffset + dataoff);
        if (length > datalength - dataoff - 4) {
          r.damaged = true;
        } else {
          r.offset = dataoffset + dataoff + 4;
          r.size = length;
        }
      }
      out->push_back(std::move(r));
    }
  }
  return noErr;
}

}  // namespace kv
