// Inside card drawing: what the drawing of a card and the images of objects share.
#pragma once

#include "platform/qd/regions.h"
#include "platform/types.h"
#include "store/records.h"

namespace kv {

// Whether the current window shows invisible objects (window flag 7).
bool showsinvisibles();
// Whether an object is drawn at all: visible (or the window shows invisible objects), and,
// off-window drawing aside, its drawing bounds meeting `visible`.
bool drawable(const spot& s, RgnHandle visible);
// Whether object `index` of a list is the open field of the current window.
bool isopenfield(Handle list, i16 index);

// A region kept for the run, one per level of nested drawing (a group drawn inside a card
// takes the next one), lent while this lives.
class HeldRegion {
 public:
  HeldRegion();
  ~HeldRegion();
  HeldRegion(const HeldRegion&) = delete;
  HeldRegion& operator=(const HeldRegion&) = delete;
  RgnHandle get() const { return rgn_; }

 private:
  RgnHandle rgn_;
};

// Draws one object of a list for a port that records what it draws (a picture, or off-window
// drawing): as the card drawing draws it, then what the port cannot record (a field's frame,
// scroll bar and ruler, a platform control, a focus ring) through an image of the object.
void drawobjectimage(Handle list, i16 index, RgnHandle visible);

}  // namespace kv
