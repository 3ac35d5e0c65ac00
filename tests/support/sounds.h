// Sampled sounds for tests, in host order: headers with their samples, 'snd ' resources around
// them, and measures of what the null audio device rendered.
#pragma once

#include <cstdlib>
#include <cstring>
#include <vector>

#include <string>

#include "engine/textutil.h"
#include "platform/events/events.h"
#include "platform/sound/soundformat.h"

namespace kv::testsound {

template <class R>
void append(std::vector<u8>& out, const R& r) {
  const u8* p = reinterpret_cast<const u8*>(&r);
  out.insert(out.end(), p, p + sizeof r);
}

// 8-bit offset-binary samples of a square wave of `period` samples.
inline std::vector<u8> square(u32 count, u32 period) {
  std::vector<u8> s(count);
  for (u32 i = 0; i < count; ++i) s[i] = (i % period) < period / 2 ? 0xC0 : 0x40;
  return s;
}

// A standard header at `rate` Hz (whole hertz) with its samples.
inline std::vector<u8> standard(const std::vector<u8>& samples, u32 rate) {
  std::vector<u8> out;
  soundheader h{0, u32(samples.size()), rate << 16, 0, 0, stdSH, 60};
  append(out, h);
  out.insert(out.end(), samples.begin(), samples.end());
  return out;
}

// A format-2 'snd ' resource: one sound command naming the header that follows.
inline std::vector<u8> resource(const std::vector<u8>& header) {
  std::vector<u8> out;
  append(out, snd2head{2, 0, 1});
  append(out, sndcommandrec{u16(dataOffsetFlag | soundCmd), 0, 14});
  out.insert(out.end(), header.begin(), header.end());
  return out;
}

// The stored form (the store's byte order) of a host-order 'snd ' resource, as a project keeps it.
std::vector<u8> stored(std::vector<u8> host);

// A platform wait of `ticks` ticks: the clock moves on and completions are delivered.
inline void waitticks(u32 ticks) {
  u32 end;
  Delay(ticks, &end);
}

// Entry n of the result texts.
inline std::string resulttext(i16 n) {
  StringPtr s = resultstr(n);
  return std::string(reinterpret_cast<const char*>(s + 1), s[0]);
}

// The loudest sample.
inline int peak(const std::vector<i16>& frames) {
  int m = 0;
  for (i16 s : frames) m = std::max(m, std::abs(int(s)));
  return m;
}

}  // namespace kv::testsound
