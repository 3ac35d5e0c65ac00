// Measuring a button's title in the button's own font, for the setters that fit a button's
// rectangle to its title.
#pragma once

#include "platform/types.h"
#include "store/records.h"

namespace kv {

// The width of a text in the font, size and face a button's record holds; the current port's
// text settings are put back afterwards.
i16 buttontextwidth(const spot& s, ConstStringPtr text);

}  // namespace kv
