// Reads arbitrary bytes as the effect data projects store: image-filter lists (walked,
// looked up, switched, edited), single filter items, 'tran' resources and atom containers. A
// container that reads must write back to bytes that read as the same atoms.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/effects/atoms.h"
#include "platform/memory/memory.h"
#include "platform/runtime/root.h"
#include "render/effects.h"
#include "render/filterlist.h"

namespace {

using namespace kv;

void walklist(Handle list) {
  const i32 n = countfilters(list);
  for (i32 i = 0; i < n && i < 200; ++i) {
    getfilteroffsetbyidx(list, i);
    Str255 name;
    if (filteridxtoname(list, i, name)) {
      u16 at = 0;
      filternametoidx(list, name, &at);
      if (Handle h = getfilterbyname(list, name)) DisposeHandle(h);
    }
    i16 on = 0;
    if (getfilterenablebyidx(list, i, &on)) enablefilterbyidx(list, i, !on);
  }
  Handle text = NewHandle(0);
  getfilterstring(list, text, true);
  DisposeHandle(text);
  if (Handle first = getfilterbyidx(list, 0)) {
    setfilterbyidx(&list, first, n / 2);
    addfilter(&list, first);
    DisposeHandle(first);
  }
  killfilterbyidx(list, n - 1);
}

std::vector<std::uint8_t> tagged(std::uint8_t tag, const std::vector<u8>& bytes) {
  std::vector<std::uint8_t> out{tag};
  out.insert(out.end(), bytes.begin(), bytes.end());
  return out;
}

std::vector<u8> bytesof(Handle h) {
  std::vector<u8> v(deref(h), deref(h) + GetHandleSize(h));
  DisposeHandle(h);
  return v;
}

}  // namespace

// Seeds: a list of three filters, one filter, a 'tran' resource and a parameter container.
extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  const std::vector<u8> params = writeatoms({atomof(fourcc("what"), 1, fourcc("blur")), atomof(fourcc("radi"), 1, 2)});
  Handle data = nilhandle;
  PtrToHand(params.data(), &data, Size(params.size()));
  Handle list = nilhandle;
  for (const char* name : {"\x04"
                           "Blur",
                           "\x04"
                           "Tint",
                           "\x04"
                           "Edge"}) {
    Handle item = flattenFilterInfo(fourcc("blur"), true, reinterpret_cast<ConstStringPtr>(name), data);
    addfilter(&list, item);
    DisposeHandle(item);
  }
  out->push_back(tagged(0, bytesof(list)));
  out->push_back(
      tagged(1, bytesof(flattenFilterInfo(fourcc("tint"), true, reinterpret_cast<ConstStringPtr>("\x01x"), data))));
  std::vector<u8> tran{'d', 's', 'l', 'v', 0, 0, 0, 0, 0, u8(params.size())};
  tran.insert(tran.end(), params.begin(), params.end());
  out->push_back(tagged(2, tran));
  out->push_back(tagged(3, params));
  DisposeHandle(data);
  resetruntime();
  return out->size();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 1 << 16) return 0;
  setmemorybudget(64u << 20);
  Handle h = nilhandle;
  if (PtrToHand(data + 1, &h, Size(size - 1)) != noErr) return 0;
  switch (data[0] % 4) {
    case 0: walklist(h); break;
    case 1: {
      OSType kind = 0;
      u8 reserved = 0, enabled = 0;
      Str255 name;
      u32 length = 0;
      Handle copy = nilhandle;
      if (unFlattenFilterInfo(h, &kind, &reserved, &enabled, name, &length, &copy)) {
        if (u32(GetHandleSize(copy)) != length) std::abort();
        DisposeHandle(copy);
      }
      break;
    }
    case 2: {
      OSType kind = 0;
      u16 swap = 0;
      AtomList params;
      bool has = false;
      unFlattenEffectInfo(h, &kind, &swap, &params, &has);
      break;
    }
    default: {
      AtomList atoms, again;
      if (readatoms(data + 1, size - 1, &atoms)) {
        const std::vector<u8> bytes = writeatoms(atoms);
        if (!readatoms(bytes.data(), bytes.size(), &again) || again.size() != atoms.size()) std::abort();
        for (std::size_t i = 0; i < atoms.size(); ++i)
          if (again[i].type != atoms[i].type || again[i].id != atoms[i].id || again[i].bytes != atoms[i].bytes)
            std::abort();
      }
      break;
    }
  }
  DisposeHandle(h);
  resetruntime();
  return 0;
}
