// Feeds arbitrary bytes to the Lua component as stored script data, as a project's 'scpt'
// record brings them: the storage type is read only from data with the header; loading
// compiles text only (a binary chunk never loads); a script that loads stores again as the
// same bytes and gives back its source. Nothing is run.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/memory/memory.h"
#include "platform/osa/osa.h"
#include "tests/fuzz/fuzzcheck.h"

using namespace kv;

extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  for (const std::string& s : {osastoreddata(kLuaSubtype, "return 6*7"), osastoreddata(kLuaSubtype, "1+1"),
                               osastoreddata(kLuaSubtype, std::string("\x1bLuaT\x00\x19\x93\r\n\x1a\n", 12)),
                               osastoreddata(fourcc("ascr"), "beep")})
    out->emplace_back(s.begin(), s.end());
  return out->size();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Handle h = nilhandle;
  if (PtrToHand(data, &h, Size(size)) != noErr) return 0;
  DescType type = 0;
  const bool typed = OSAGetStorageType(h, &type) == noErr;
  DisposeHandle(h);
  check(typed == (size >= 8 && std::string(reinterpret_cast<const char*>(data), 4) == "OSA1"));

  const ComponentDescription lua{kOSAComponentType, kLuaSubtype, 0, 0, 0};
  const ComponentInstance ci = OpenComponent(FindNextComponent(0, &lua));
  check(ci != 0);
  AEDesc stored;
  AECreateDesc(typeOSAGenericStorage, data, Size(size), &stored);
  OSAID id = kOSANullScript;
  const OSAError e = OSALoad(ci, &stored, kOSAModeNull, &id);
  if (!typed || type != kLuaSubtype) check(e == errOSABadStorageType);
  if (size >= 9 && data[8] == 0x1B) check(e != noErr);
  if (e == noErr) {
    AEDesc again, source;
    check(OSAStore(ci, id, typeOSAGenericStorage, kOSAModeNull, &again) == noErr);
    check(again.data == std::vector<u8>(data, data + size));
    check(OSAGetSource(ci, id, typeChar, &source) == noErr);
    check(source.data == std::vector<u8>(data + 8, data + size));
    check(OSADispose(ci, id) == noErr);
  }
  check(CloseComponent(ci) == noErr);
  return 0;
}
