// How many times an id that names no live block was used since the program started: resets
// keep counting (memoryfigures' count starts again at each reset). The test main reads it
// around every test.
#pragma once

#include <cstddef>

namespace kv {

std::size_t badhandleusessincestart();

}  // namespace kv
