// Feeds arbitrary bytes to the resource map reader as a resource file, then loads every
// resource it lists and reads string lists through GetIndString.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/memory/memory.h"
#include "platform/resources/resourceformat.h"
#include "platform/resources/resources.h"

namespace {

kv::ResourceItem item(kv::ResType type, kv::i16 id, std::string data, std::string name) {
  kv::ResourceItem r;
  r.type = type;
  r.id = id;
  r.name = std::move(name);
  r.data.assign(data.begin(), data.end());
  return r;
}

}  // namespace

extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  std::vector<kv::ResourceItem> items = {
      item(kv::fourcc("STR#"), 1007, std::string("\x00\x02\x03one\x03two", 10), "list"),
      item(kv::fourcc("TEXT"), 128, "some text", ""),
      item(kv::fourcc("TEXT"), -1, "", "empty"),
      item(kv::fourcc("snd "), 3, std::string(300, '\x7F'), "noise"),
  };
  std::vector<std::uint8_t> file;
  std::string error;
  if (kv::buildresourcefile(items, &file, &error)) out->push_back(file);
  items.resize(1);
  if (kv::buildresourcefile(items, &file, &error)) out->push_back(file);
  return out->size();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<kv::ResourceRef> refs;
  if (kv::parseresourcefile(data, size, &refs) == kv::noErr) {
    for (const kv::ResourceRef& r : refs)
      if (!r.damaged && (r.offset > size || r.size > size - r.offset)) __builtin_trap();
  }
  kv::i16 ref = kv::openresourcebytes(std::vector<std::uint8_t>(data, data + size), "fuzz");
  if (ref > 0) {
    for (const kv::ResourceRef& r : refs) kv::ReleaseResource(kv::Get1Resource(r.type, r.id));
    kv::Str255 s;
    for (const kv::ResourceRef& r : refs)
      if (r.type == kv::fourcc("STR#"))
        for (kv::i16 i = 0; i < 40; ++i) kv::GetIndString(s, r.id, i);
    kv::i16 n = kv::Count1Resources(kv::fourcc("STR#"));
    for (kv::i16 i = 1; i <= n && i < 50; ++i) kv::Get1IndResource(kv::fourcc("STR#"), i);
    kv::CloseResFile(ref);
  }
  return 0;
}
