// The life cycle of buttons' platform controls: created and parked, shown while drawn, and
// their idle state.
#pragma once

#include "platform/types.h"

namespace kv {

// Gives every button of a list whose platform control wants idle time the global animation
// switch (not while a card image is drawn).
void setcontrolidle(Handle list);

}  // namespace kv
