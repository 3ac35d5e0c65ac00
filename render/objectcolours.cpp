#include "render/objectcolours.h"

#include "platform/qd/colors.h"
#include "platform/qd/ports.h"
#include "render/graphicdrawing.h"
#include "render/spotstyles.h"
#include "core/mainglobals.h"
#include "shell/portroutines.h"

namespace kv {

namespace {
constexpr u8 kDefaultFore = 255, kDefaultBack = 0;
}  // namespace

RGBColor clutcolour(u8 index) {
  RGBColor c{};
  if (ctableentry(mainglobals().currentclut, index, &c)) return c;
  CTabHandle standard = GetCTable(8);
  if (!ctableentry(standard, index, &c))
    c = index == kDefaultBack ? RGBColor{0xFFFF, 0xFFFF, 0xFFFF} : RGBColor{0, 0, 0};
  DisposeCTable(standard);
  return c;
}

void setcolourpair(u8 fore, u8 back) {
  if (!mainglobals().colorWorld) {
    restcolor();
    return;
  }
  const RGBColor f = clutcolour(fore), b = clutcolour(back);
  RGBForeColor(&f);
  RGBBackColor(&b);
}

void setobjectcolours(const spot& object, ObjectPart part) {
  u8 fore = kDefaultFore, back = kDefaultBack;
  if (part == ObjectPart::fill) fore = object.fillfore, back = object.fillback;
  if (part == ObjectPart::pen) fore = object.penfore, back = object.penback;
  if (!(object.flags & spotautodim)) {
    setcolourpair(fore, back);
    return;
  }
  switch (part) {
    case ObjectPart::fill: setfillforeback(fore, back); break;
    case ObjectPart::pen: setpenforeback(fore, back); break;
    case ObjectPart::text: setextforeback(fore, back); break;
  }
}

}  // namespace kv
