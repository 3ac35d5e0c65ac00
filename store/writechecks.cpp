// The checks made before a project is written: a locked project, and free space on its disk.
#include "platform/files/files.h"
#include "core/dialogs.h"
#include "store/recordcache.h"
#include "store/starinternal.h"

namespace kv {

namespace {
constexpr i16 kMessages = 1000;  // the program's message list
constexpr i16 kDiskFullMessage = 11;
}  // namespace

i16 islocked(RegistryId store) {
  projectstore* st = findprojectstore(store);
  if (st == nullptr || st->locked) return 1;
  // A file whose catalogue entry cannot be read (taken away while open) is not written to;
  // the project in memory stays as it is.
  FInfo info;
  if (HGetFInfo(st->volume, st->dirid, st->filename, &info) != noErr) return 1;
  // The file must take a write: its first two bytes are written back as they are.
  u8 first[2];
  if (readat(st->fileref, 0, first, 2) != noErr) return 1;
  stardetail::forgetreads(*st);
  if (writeat(st->fileref, 0, first, 2) != noErr) {
    st->locked = 1;
    return 1;
  }
  return 0;
}

i16 nodiskspace(RegistryId store, u64 bytes) {
  projectstore* st = findprojectstore(store);
  if (st == nullptr) return 1;
  // When the volume does not tell its free space the write goes ahead; a write that then
  // fails is reported by the store and keeps its record changed.
  u64 free = 0;
  if (volumefreebytes(st->volume, st->dirid, &free) != noErr) return 0;
  if (bytes < free) {
    st->diskfullwarned = 0;
    return 0;
  }
  if (!st->diskfullwarned) {
    st->diskfullwarned = 1;
    ParamText(st->filename, nullptr, nullptr, nullptr);
    domessage(kMessages, kDiskFullMessage, notealert);
  }
  return 1;
}

}  // namespace kv
