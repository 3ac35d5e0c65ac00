// Stored 'snd ' resources (big-endian, as a project's resource library holds them) for the fuzz
// targets' seeds: format 2 with a standard, an extended and a compressed ('ima4') header.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/sound/channels.h"
#include "store/byteorder.h"

namespace kv::soundseeds {

template <class R>
void append(std::vector<std::uint8_t>& out, R r) {
  endianswap(r);
  const auto* p = reinterpret_cast<const std::uint8_t*>(&r);
  out.insert(out.end(), p, p + sizeof r);
}

// A stored format-2 head and command before a header.
inline std::vector<std::uint8_t> head() {
  std::vector<std::uint8_t> out;
  append(out, snd2head{2, 0, 1});
  append(out, sndcommandrec{std::uint16_t(dataOffsetFlag | soundCmd), 0, 14});
  return out;
}

inline std::vector<std::vector<std::uint8_t>> storedsounds() {
  std::vector<std::vector<std::uint8_t>> all, *out = &all;
  std::vector<std::uint8_t> s = head();
  append(s, soundheader{0, 64, 22050u << 16, 0, 0, stdSH, 60});
  s.resize(s.size() + 64, 0x90);
  out->push_back(s);
  std::vector<std::uint8_t> e = head();
  extsoundheader x{};
  x.numChannels = 2;
  x.sampleRate = 44100u << 16;
  x.encode = extSH;
  x.numFrames = 16;
  x.sampleSize = 16;
  append(e, x);
  e.resize(e.size() + 64, 0x21);
  out->push_back(e);
  std::vector<std::uint8_t> c = head();
  cmpsoundheader m{};
  m.numChannels = 1;
  m.sampleRate = 22050u << 16;
  m.encode = cmpSH;
  m.numFrames = 2;
  m.format = fourcc("ima4");
  m.compressionID = variableCompression;
  m.sampleSize = 16;
  append(c, m);
  c.resize(c.size() + 68, 0x5A);
  out->push_back(c);
  return all;
}

}  // namespace kv::soundseeds
