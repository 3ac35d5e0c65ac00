// The drawing procedures card drawing puts into a port's bottleneck table or hands to colour
// matching (each also has its slot in the procedure table: 12, 13, 285, 290, 353 and 354).
#pragma once

#include "platform/qd/bottleneck.h"
#include "platform/qd/qdtypes.h"

namespace kv {

// Colour search for masks: white gives index 0, any other colour index 1 (slots 12 and 285;
// the per-object images of card drawing use the second).
bool PdrawRTmatchproc(RGBColor* rgb, i32* position);
bool bwmatchproc(RGBColor* rgb, i32* position);

// Rectangle procedures. PdrawRTfakeback drops erase requests and passes the rest on (slot
// 13); PdrawRTsanitycheckedrectproc drops empty or inverted rectangles (slot 290);
// PdrawRTdonteraserectproc drops those too and passes the others on only while erasing is
// allowed (the global erase-allowed flag, slot 353).
void PdrawRTfakeback(GrafVerb verb, const Rect* r);
void PdrawRTsanitycheckedrectproc(GrafVerb verb, const Rect* r);
void PdrawRTdonteraserectproc(GrafVerb verb, const Rect* r);
// Region procedure that passes region operations on only while erasing is allowed (slot 354).
void PdrawRTdonterasergnproc(GrafVerb verb, RgnHandle rgn);

// The procedures of a port drawn off the window: the standard ones with the sanity-checked
// rectangle procedure, or in a metal window the metal erase procedures. While it lives; the
// port's table is put back after.
class OffWindowProcs {
 public:
  explicit OffWindowProcs(CGrafPtr port);
  ~OffWindowProcs();
  OffWindowProcs(const OffWindowProcs&) = delete;
  OffWindowProcs& operator=(const OffWindowProcs&) = delete;

 private:
  CGrafPtr port_;
  QDProcs saved_;
};

}  // namespace kv
