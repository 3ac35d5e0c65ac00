// Reads arbitrary bytes as a stored 'snd ' resource, as playing a project's sound does: the
// byte order is brought to host order (and must come back unchanged when it was taken), then a
// sound channel checks the header and plays it. Nothing may read past the bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/memory/memory.h"
#include "platform/sound/channels.h"
#include "store/byteorder.h"
#include "tests/fuzz/fuzzcheck.h"
#include "tests/fuzz/soundseeds.h"

extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  *out = kv::soundseeds::storedsounds();
  return out->size();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kv;
  if (size > 1 << 16) return 0;
  Handle h = nilhandle;
  if (PtrToHand(data, &h, Size(size)) != noErr) return 0;
  if (endianswapsnd2(h, fromfile) == noErr) {
    Handle back = h;
    check(HandToHand(&back) == noErr);
    check(endianswapsnd2(back, tofile) == noErr);
    check(GetHandleSize(back) == Size(size) && (size == 0 || std::memcmp(deref(back), data, size) == 0));
    DisposeHandle(back);
    i64 at = 0;
    if (sndheaderoffset(deref(h), GetHandleSize(h), true, &at) && at < GetHandleSize(h)) {
      SampledSound s{deref(h) + at, Size(GetHandleSize(h) - at)};
      // Sounds that would last minutes at the output rate are left to the header check.
      u32 rate = 0;
      if (s.length >= 12) std::memcpy(&rate, s.header + 8, 4);
      if (checksampledsound(s) == noErr && (rate >> 16) >= 4000) {
        RegistryId channel = nilid;
        check(SndNewChannel(&channel, sampledSynth) == noErr);
        OSErr e = SndDoCommand(channel, SndCommand{bufferCmd, 0, 0}, &s);
        check(e == noErr || e == badFormat);
        SndDisposeChannel(channel, true);
      }
    }
  }
  DisposeHandle(h);
  return 0;
}
