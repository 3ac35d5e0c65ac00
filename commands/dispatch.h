// The built-in command and function dispatchers: the last stop of a message that no handler
// and no external took.
#pragma once

#include "engine/hier.h"
#include "platform/types.h"

namespace kv {

struct fred;

// Runs the built-in command named by the statement's first atom. 0 done, a positive script
// error, or a negative internal status.
i16 syscom(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// Evaluates the built-in function whose token is at the atoms, in any of its forms: `the`
// form, prefix form with `of`, call form with parentheses. *count is the atoms used.
i16 sysfun(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);

// The status of a command or function that the system does not know.
constexpr i16 statusnotunderstood = 2;

}  // namespace kv
