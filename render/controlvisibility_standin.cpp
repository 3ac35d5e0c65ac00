// A stand-in until buttons have platform controls: no control wants idle time, none is parked
// or brought back.
#include "render/controlvisibility.h"

namespace kv {

void setcontrolidle(Handle) {}
void SquashControls(WindowRef) {}
void UnsquashDefaults(const desk*, i16) {}

}  // namespace kv
