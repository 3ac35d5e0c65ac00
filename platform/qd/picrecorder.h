// Inside the drawing layer: the state of a picture being recorded in a port.
#pragma once

#include <vector>

#include "platform/qd/qdtypes.h"
#include "platform/qd/regionimpl.h"

namespace kv {

// The picture data so far, and the drawing state the picture has been told.
struct PictureRecorder {
  PicHandle handle = 0;
  Rect frame{0, 0, 0, 0};
  std::vector<u8> data;
  bool stateknown = false;
  Pattern pnPat{}, bkPat{}, fillPat{};
  Point pnSize{1, 1}, ovSize{0, 0};
  i16 pnMode = patCopy, txFont = 0, txMode = srcOr, txSize = 0, chExtra = 0;
  u8 txFace = 0;
  i32 spExtra = 0;
  RGBColor fg{0, 0, 0}, bg{0xFFFF, 0xFFFF, 0xFFFF}, op{0, 0, 0};
  RegionData clip;
};

}  // namespace kv
