// Typed registries of runtime objects (windows, controls, menus, regions, ports, text
// records, open project stores, ...). Every reference the system keeps in a 32-bit slot or
// hands to scripts and externals is a registry id: top bit 0, a 7-bit type, an 8-bit
// generation (1-255) and a 16-bit slot. An id is checked on every use; a disposed object's id
// never names a later object of its slot until the generation wraps, and a live id is never
// reused.
#pragma once

#include <deque>
#include <memory>
#include <vector>

#include "platform/types.h"

namespace kv {

using RegistryId = u32;
constexpr RegistryId nilid = 0;

// Registry types. The numbers are part of the ids that scripts and externals may see.
enum class RegType : u8 {
  window = 1,
  dialog = 2,
  control = 3,
  menu = 4,
  list = 5,
  textedit = 6,  // platform text-edit record
  werec = 7,     // live text record of the text engine
  port = 8,      // graphics port or offscreen world
  region = 9,
  icon = 10,
  movie = 11,
  drag = 12,
  soundchannel = 13,
  speechchannel = 14,
  store = 15,  // open project store
  picture = 16,
  palette = 17,
  colortable = 18,
  cursor = 19,
  external = 20,
  file = 21,
  serialport = 22,
  collection = 23,  // Collection Manager collection
  component = 24,   // an open graphics importer
  objectref = 25,   // an object descriptor held for an external
  tuneplayer = 26,
  recognizer = 27,  // a speech recognition system or recognizer
  moviecontroller = 28,
  movierecorder = 29,  // a movie file being recorded
  tsmdocument = 30,    // an inline-input document
  printsession = 31,
  pageformat = 32,
  printsettings = 33,
  scriptcomponent = 34,  // an installed scripting component
  scriptinstance = 35,   // an open scripting component
};

constexpr RegType registrytype(RegistryId id) { return RegType((id >> 24) & 0x7F); }

// A registry of objects of one type T, owned through unique_ptr.
template <class T, RegType Type>
class Registry {
 public:
  RegistryId add(std::unique_ptr<T> obj) {
    u32 slot;
    if (free_.size() > 256 || (!free_.empty() && slots_.size() >= 0xFFFF)) {
      slot = free_.front();
      free_.pop_front();
    } else {
      if (slots_.size() >= 0xFFFF) return nilid;
      slot = u32(slots_.size());
      slots_.push_back({});
    }
    Slot& s = slots_[slot];
    s.generation = u8(s.generation == 255 ? 1 : s.generation + 1);
    s.obj = std::move(obj);
    return (u32(Type) << 24) | (u32(s.generation) << 16) | (slot + 1);
  }
  // The object an id names, or null when the id is not a live object of this registry.
  T* get(RegistryId id) const {
    if (id == nilid || registrytype(id) != Type || (id & 0x80000000u)) return nullptr;
    u32 slot = (id & 0xFFFF);
    if (slot == 0 || slot > slots_.size()) return nullptr;
    const Slot& s = slots_[slot - 1];
    if (!s.obj || s.generation != u8(id >> 16)) return nullptr;
    return s.obj.get();
  }
  bool valid(RegistryId id) const { return get(id) != nullptr; }
  // Removes the object and answers it (null for an invalid id).
  std::unique_ptr<T> remove(RegistryId id) {
    if (!get(id)) return nullptr;
    u32 slot = (id & 0xFFFF) - 1;
    std::unique_ptr<T> o = std::move(slots_[slot].obj);
    free_.push_back(slot);
    return o;
  }
  std::size_t count() const {
    std::size_t n = 0;
    for (auto& s : slots_) n += s.obj ? 1 : 0;
    return n;
  }
  // Calls fn(id, object) for every live object, in slot order.
  template <class Fn>
  void each(Fn&& fn) const {
    for (u32 i = 0; i < slots_.size(); ++i)
      if (slots_[i].obj) fn((u32(Type) << 24) | (u32(slots_[i].generation) << 16) | (i + 1), *slots_[i].obj);
  }

 private:
  struct Slot {
    std::unique_ptr<T> obj;
    u8 generation = 0;
  };
  std::vector<Slot> slots_;
  std::deque<u32> free_;
};

}  // namespace kv
