// A stand-in for field drawing until it is built: fields draw nothing and no text record is
// made for them.
#include "render/fielddrawing.h"

namespace kv {

void LowDrawField(spot&, i16, Handle, i16, i16) {}
void drawopenfield() {}
WEReference westupidtext(const LongRect&, const LongRect&, const spot&, bool, bool) { return nilid; }
WEReference westupidertext(const LongRect&, const LongRect&, spot&) { return nilid; }
void wefakecontrol(spot&, WEReference) {}
void wefakerulercontrol(spot&, WEReference) {}

}  // namespace kv
