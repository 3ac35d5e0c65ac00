// What every object drawing shares: the pen mode of an ink, the shadow patterns, the dimming
// of the colours of objects in inactive windows and the grey-out of rectangles.
#include <algorithm>

#include "platform/qd/colors.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "render/behindcolour.h"
#include "render/graphicdrawing.h"
#include "render/objectcolours.h"
#include "core/mainglobals.h"

namespace kv {

namespace {

// The shadow patterns 0-9.
constexpr Pattern kShadowPatterns[10] = {
    {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}}, {{0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77}},
    {{0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA}}, {{0x88, 0x22, 0x88, 0x22, 0x88, 0x22, 0x88, 0x22}},
    {{0x00, 0x88, 0x00, 0x22, 0x00, 0x88, 0x00, 0x22}}, {{0x00, 0xAA, 0x00, 0xAA, 0x00, 0xAA, 0x00, 0xAA}},
    {{0x22, 0x11, 0x88, 0x44, 0x22, 0x11, 0x88, 0x44}}, {{0x08, 0x04, 0x02, 0x01, 0x80, 0x40, 0x20, 0x10}},
    {{0x44, 0x88, 0x11, 0x22, 0x44, 0x88, 0x11, 0x22}}, {{0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF}},
};
// The greys of the blended shadows 10-14.
constexpr u16 kShadowGreys[5] = {0x4444, 0x7777, 0xAAAA, 0xDDDD, 0xFFFF};
constexpr u16 kShadowOpacity = 49151;

constexpr RGBColor grey(u16 v) { return RGBColor{v, v, v}; }

// The floors of the dimmed colours.
constexpr u32 kFillFloor = 30000, kPenFloor = 20000, kTextFloor = 6000;

// A dimmed colour: the mean of its channels (each at least the floor), lifted half the way
// to white for text and pens, two thirds of the way for fills.
void dim(RGBColor* c, u32 floor, bool fill) {
  const u32 m = (std::max<u32>(c->red, floor) + std::max<u32>(c->green, floor) + std::max<u32>(c->blue, floor)) / 3;
  const u32 v = fill ? m + 2 * ((65535 - m) / 3) : m + (65535 - m) / 2;
  *c = grey(u16(std::min<u32>(v, 65535)));
}

void setdimmed(u8 fore, u8 back, void (*dimmer)(RGBColor*)) {
  if (!mainglobals().colorWorld) return;
  RGBColor f = clutcolour(fore), b = clutcolour(back);
  if (windowdimmed()) {
    dimmer(&f);
    dimmer(&b);
  }
  RGBForeColor(&f);
  RGBBackColor(&b);
}

}  // namespace

void penmode(i16 ink) {
  RGBColor op{};
  if (ink <= 7) {
    PenMode(i16(ink + patCopy));
  } else if (!mainglobals().colorWorld) {
    PenMode(patCopy);
  } else if (ink == blend || ink == addPin || ink == subPin) {
    op = ink == blend ? grey(32767) : ink == addPin ? grey(65535) : grey(0);
    OpColor(&op);
    PenMode(ink);
  } else {
    PenMode(ink > 255 ? i16(transparent) : ink);
  }
}

void shadowpat(u8 n) {
  if (n < 10) {
    PenMode(patOr);
    PenPat(&kShadowPatterns[n]);
    return;
  }
  if (mainglobals().colorWorld && n <= 14) {
    const RGBColor op = grey(kShadowOpacity), fore = grey(kShadowGreys[n - 10]);
    PenMode(blend);
    OpColor(&op);
    PenPat(&qdblack);
    RGBForeColor(&fore);
    return;
  }
  PenMode(patOr);
  PenPat(&kShadowPatterns[0]);
}

void grayFillRGB(RGBColor* c) { dim(c, kFillFloor, true); }
void grayPenRGB(RGBColor* c) { dim(c, kPenFloor, false); }
void grayTextRGB(RGBColor* c) { dim(c, kTextFloor, false); }

void setfillforeback(u8 fore, u8 back) { setdimmed(fore, back, grayFillRGB); }
void setpenforeback(u8 fore, u8 back) { setdimmed(fore, back, grayPenRGB); }
void setextforeback(u8 fore, u8 back) { setdimmed(fore, back, grayTextRGB); }

void GrayOutBox(const Rect* r) {
  if (r == nullptr) return;
  PenState pen{};
  GetPenState(&pen);
  RGBColor fore{}, back{};
  GetForeColor(&fore);
  GetBackColor(&back);
  Point topleft{r->top, r->left}, botright{r->bottom, r->right};
  LocalToGlobal(&topleft);
  LocalToGlobal(&botright);
  const Rect global{topleft.v, topleft.h, botright.v, botright.h};
  const RGBColor white = grey(0xFFFF);
  RGBColor greyed = grey(0);
  const GDHandle device = GetMaxDevice(&global);
  if (device != nilhandle && GetGray(device, &white, &greyed)) {
    PenPat(&qdblack);
    PenMode(addMax);
    RGBForeColor(&greyed);
    RGBBackColor(&white);
  } else {
    PenPat(&qdgray);
    PenMode(notPatBic);
  }
  PaintRect(r);
  RGBForeColor(&fore);
  RGBBackColor(&back);
  SetPenState(&pen);
}

}  // namespace kv
