// Pictures a damaged or hostile project may hold, recorded by this layer itself for the picture
// fuzz target's replay and the drawing benchmarks: one painted arc over a 64000-pixel oval
// followed by `repeats` "paint the same arc" opcodes, and lines across the whole coordinate
// range with a 200-pixel pen. Both have a card-sized frame, so drawing them unscaled at card
// size costs what a card shows of them.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/memory/memory.h"
#include "platform/qd/pictformat.h"
#include "platform/qd/qd.h"

namespace kv::hostile {

inline constexpr Rect kCardFrame{0, 0, 480, 640};

// Records what `draw` draws into a picture of the card's frame (the current port must exist).
template <class Draw>
std::vector<std::uint8_t> recordpicture(Draw draw) {
  PicHandle pic = OpenPicture(&kCardFrame);
  draw();
  ClosePicture();
  std::vector<std::uint8_t> out(deref(pic), deref(pic) + GetHandleSize(pic));
  KillPicture(pic);
  return out;
}

inline std::vector<std::uint8_t> hugearc(int repeats) {
  const Rect huge{-32000, -32000, 32000, 32000};
  std::vector<std::uint8_t> out = recordpicture([&] { PaintArc(&huge, 30, 100); });
  // In place of the end opcode: the same arc again, at other angles.
  out.resize(out.size() - 2);
  PictWriter w{&out};
  for (int i = 0; i < repeats; ++i) {
    w.op(pictFrameSameArc + 1);  // paint
    w.i16be(i * 7 % 360);
    w.i16be(100 + i % 200);
  }
  w.op(pictEndPic);
  out[0] = std::uint8_t(out.size() >> 8);  // the size word holds the low 16 bits of the size
  out[1] = std::uint8_t(out.size());
  return out;
}

inline std::vector<std::uint8_t> thickline() {
  return recordpicture([] {
    PenSize(200, 200);
    MoveTo(5, -32764);
    LineTo(-32764, 14);
    MoveTo(-32764, -32764);
    LineTo(32764, 32764);
    PenSize(1, 1);
  });
}

}  // namespace kv::hostile
