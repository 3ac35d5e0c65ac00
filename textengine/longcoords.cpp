// The engine's 32-bit coordinates, widened from and narrowed to QuickDraw's 16-bit points and
// rectangles at the edge where text is drawn or the mouse is read.
#include "textengine/werecord.h"

namespace kv {

namespace {

// Narrowing keeps -32,768 out: it is -32,767 at the least.
i16 narrow(i32 v) { return i16(_WEPinInRange(v, -32767, 32767)); }

}  // namespace

i32 _WEPinInRange(i32 value, i32 low, i32 high) {
  if (value > high) return high;
  if (value < low) return low;
  return value;
}

void WEPointToLongPoint(Point p, LongPoint* lp) {
  if (lp) *lp = LongPoint{p.v, p.h};
}

void WERectToLongRect(const Rect* r, LongRect* lr) {
  if (r && lr) *lr = LongRect{r->top, r->left, r->bottom, r->right};
}

void WESetLongRect(LongRect* lr, i32 left, i32 top, i32 right, i32 bottom) {
  if (lr) *lr = LongRect{top, left, bottom, right};
}

void WEOffsetLongRect(LongRect* lr, i32 hOffset, i32 vOffset) {
  if (lr == nullptr) return;
  lr->top += vOffset;
  lr->bottom += vOffset;
  lr->left += hOffset;
  lr->right += hOffset;
}

void WEInsetLongRect(LongRect* lr, i32 hInset, i32 vInset) {
  if (lr == nullptr) return;
  lr->top += vInset;
  lr->bottom -= vInset;
  lr->left += hInset;
  lr->right -= hInset;
}

bool WELongPointInLongRect(const LongPoint* lp, const LongRect* lr) {
  return lp && lr && lp->v >= lr->top && lp->v < lr->bottom && lp->h >= lr->left && lp->h < lr->right;
}

void WELongPointToPoint(const LongPoint* lp, Point* p) {
  if (lp && p) *p = Point{narrow(lp->v), narrow(lp->h)};
}

void WELongRectToRect(const LongRect* lr, Rect* r) {
  if (lr && r) *r = Rect{narrow(lr->top), narrow(lr->left), narrow(lr->bottom), narrow(lr->right)};
}

}  // namespace kv
