// The international settings the system reads: the forms of numbers (and, as parts of the
// system need them, of dates and lists). They come from this record, never from the C
// library's locale; the start values are US English, and tests may change them.
#pragma once

#include "platform/types.h"

namespace kv {

struct IntlSettings {
  u8 decimalpoint = '.';  // the decimal separator of numbers
};

// The settings of this run (reset with the runtime).
IntlSettings& intlsettings();

}  // namespace kv
