// The test main fails any test during which an id that names no live block was used, set-up
// and tear-down (runtime resets included) counted. A test that does so on purpose opts out
// with allowbadhandleuses() (RuntimeTest's expectbadhandleuses() does it); the allowance lasts
// until the test ends.
#pragma once

namespace kv {

void allowbadhandleuses();
bool badhandleusesallowed();
void clearbadhandleallowance();

}  // namespace kv
