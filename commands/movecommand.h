// The `move` command: a button, field or graphic slid along a path of points in visible steps,
// or the positions it would pass collected into a container.
#pragma once

#include "engine/hier.h"
#include "platform/types.h"

namespace kv {

// `move <object> to|relative <points> [nudge <n> | jump <n>] [wait <ticks>] [until [mouse]
// [click]] [into <container>]` at atom `at`. Each position of the path places the object's
// centre there, redraws the window and waits; with `into` the positions go into the container
// as "h,v,h,v..." and the object stays. 0 (also when a click stopped an `until` move), the
// abort check's status, or a script error: 2 an empty or odd point list, 39 a pair without its
// comma, 209 a coordinate outside 16 bits, 11 not a button, field or graphic, 77 neither `to`
// nor `relative`, 19 words left, 37 memory, or the reference's error.
scriptstatus comove(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);

}  // namespace kv
