// The capability queries: one table answers every selector the system asks about, as the
// emulated desktop (system version 10.6.8) would.
#pragma once

#include <optional>

#include "platform/types.h"

namespace kv {

constexpr OSErr gestaltUndefSelectorErr = -5551;

// The emulated system version, four BCD digits 0xMMmb.
constexpr i32 kEmulatedSystemVersion = 0x1068;

// Answers the selector's value, or gestaltUndefSelectorErr (response untouched).
OSErr Gestalt(OSType selector, i32* response);

// Test control: a selector answers `value` instead of the table (none: it is undefined).
void setgestaltanswer(OSType selector, std::optional<i32> value);

// Named system variables (the "sysctl." names); false when the variable does not exist.
bool systemvariable(const char* name, i64* value);

}  // namespace kv
