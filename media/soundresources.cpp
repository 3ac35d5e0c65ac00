// Sound resources of projects: found by name in a project's library of resources and copied out
// in host order; the sounds kept by `open sound`, given back when their project closes.
#include "engine/numbertext.h"
#include "media/sounds.h"
#include "platform/memory/memory.h"
#include "platform/runtime/root.h"
#include "platform/sound/channels.h"
#include "store/byteorder.h"
#include "store/recordcache.h"
#include "store/resourcelibrary.h"

namespace kv {

namespace {
struct SoundChannelTable {
  std::vector<soundentry> entries;
};
}  // namespace

i16 locateresource(ResType type, RegistryId store, ConstStringPtr name, u32* recordid) {
  return findresourcerecord(store, type, name, 0, recordid) ? 1 : 0;
}

i16 soundcopy(Handle record, Handle* sound) {
  *sound = nilhandle;
  Handle copy = resourcedata(record);
  if (copy == nilhandle || HandToHand(&copy) != noErr) return -1;
  if (endianswapsnd2(copy, fromfile) != noErr) {
    DisposeHandle(copy);
    return -1;
  }
  *sound = copy;
  return 1;
}

i16 lowsnd(RegistryId store, ConstStringPtr name, Handle* sound) {
  *sound = nilhandle;
  u32 id = 0;
  if (!locateresource(fourcc("snd "), store, name, &id)) return 0;
  Handle rec = nilhandle;
  if (getvir(store, i32(id), &rec) != 0) return 0;
  i16 r = soundcopy(rec, sound);
  putvir(store, i32(id));
  return r;
}

std::vector<soundentry>& soundchanneltable() { return state<SoundChannelTable>().entries; }

void closekeptsounds(RegistryId store) {
  auto& table = soundchanneltable();
  std::erase_if(table, [store](soundentry& e) {
    if (store != nilid && e.store != store) return false;
    if (e.record != nilhandle) putvir(e.store, i32(e.recordid));
    if (e.channel != nilid) SndDisposeChannel(e.channel, true);
    return true;
  });
}

soundentry* findsoundentry(ConstStringPtr name) {
  for (soundentry& e : soundchanneltable()) {
    Handle n = loadat<xresrec>(deref(e.record)).name;
    if (n != nilhandle && equalhand(n, name)) return &e;
  }
  return nullptr;
}

}  // namespace kv
