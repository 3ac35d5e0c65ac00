// replay-runs: 500 (each input opens a whole project; this keeps the replay short)
// Arbitrary bytes opened as a project store: every record is read, then the store is
// changed, compacted, flushed and opened again. Nothing may crash or reach outside a buffer.
#include <cstdint>
#include <vector>

#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/testing/temphome.h"
#include "store/starfile.h"

namespace {

using namespace kv;

struct Name {
  u8 s[16] = {6, 'f', '.', 'k', 'v', '4', '5'};
  operator ConstStringPtr() const { return s; }
};

void readall(RegistryId st) {
  projectstore* p = findprojectstore(st);
  u32 issued = p->header.idsissued;
  Handle h = NewHandle(0);
  u8 name[260];
  for (u32 id = 0; id < issued; ++id) {
    u32 off, size;
    idtoffset(st, i32(id), &off);
    getstar(st, i32(id), h);
    sizestar(st, i32(id), &size);
    namestar(st, i32(id), name);
  }
  u32 bytes;
  totalstar(st, 20, &bytes);
  DisposeHandle(h);
}

void writefile(u32 dir, const std::uint8_t* data, std::size_t size) {
  HCreate(kBootVolume, dir, Name(), fourcc("VIZu"), fourcc("MDOx"));
  FileRef ref;
  if (HOpen(kBootVolume, dir, Name(), fsRdWrPerm, &ref) != noErr) return;
  writeat(ref, 0, data, i64(size));
  FSClose(ref);
}

std::vector<std::uint8_t> readfile(u32 dir) {
  FileRef ref;
  std::vector<std::uint8_t> b;
  i64 length = 0;
  if (HOpen(kBootVolume, dir, Name(), fsRdPerm, &ref) != noErr) return b;
  GetEOF(ref, &length);
  b.resize(std::size_t(length));
  readat(ref, 0, b.data(), length);
  FSClose(ref);
  return b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TemporaryHome home;
  setfilesyncs(false);  // the project's writes need not wait for the disk
  u32 dir;
  if (folderidofpath(home.path(), &dir) != noErr) return 0;
  writefile(dir, data, size);
  verifystar(kBootVolume, dir, Name());
  RegistryId st = newprojectstore();
  if (openstar(kBootVolume, dir, Name(), st) == 0) {
    readall(st);
    Handle h = NewHandleClear(size % 300);
    if (GetHandleSize(h) >= 2) deref(h)[1] = 2;
    i32 id;
    for (int i = 0; i < 3; ++i) addstar(st, &id, h);
    savestar(st, 0, h);
    delstar(st, 1);
    growfree(st);
    compactstar(st);
    flushstar(st);
    closestar(st);
    DisposeHandle(h);
    disposeprojectstore(st);
    st = newprojectstore();
    if (openstar(kBootVolume, dir, Name(), st) == 0) {
      readall(st);
      closestar(st);
    }
  }
  disposeprojectstore(st);
  return 0;
}

// Seeds: small stores made by the store itself, with records, free entries, recycled ids
// and, in the second, a grown directory.
extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  TemporaryHome home;
  u32 dir;
  if (folderidofpath(home.path(), &dir) != noErr) return 0;
  for (int records : {20, 140}) {
    HDelete(kBootVolume, dir, Name());
    if (createstar(kBootVolume, dir, Name()) != 0) return out->size();
    RegistryId st = newprojectstore();
    if (openstar(kBootVolume, dir, Name(), st) == 0) {
      Handle h = NewHandleClear(0);
      for (int i = 0; i < records; ++i) {
        SetHandleSize(h, Size(2 + (i * 7) % 40));
        deref(h)[1] = 2;
        i32 id;
        addstar(st, &id, h);
      }
      for (int i = 0; i < records; i += 3) delstar(st, i);
      flushstar(st);
      closestar(st);
      DisposeHandle(h);
      out->push_back(readfile(dir));
    }
    disposeprojectstore(st);
  }
  return out->size();
}
