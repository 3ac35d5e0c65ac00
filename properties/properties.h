// Properties and constants as the evaluator and the set command reach them.
#pragma once

#include "engine/hier.h"
#include "platform/types.h"

namespace kv {

struct fred;

// The property whose token (4001-4305) is at the atoms, optionally after `the` and a name
// form, with an optional `of` and an object. 43 when there is no such property.
i16 property(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, Handle locals, i32* count,
             fred* value);
// A user-defined property: `the` name `of` object.
i16 userprop(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, Handle locals, i32* count,
             fred* value);
// The value of a language constant (5001-5026, `true` to `null`); *count is 1.
i16 constant(Handle atoms, i32 at, i32* count, fred* value);
// Sets the global property of the token to the value (consumed). 43 when there is none that
// can be set this way.
i16 setglobal(u16 token, fred* value);
// The value of the global property of a token (a new owned temporary); 43 when the token names
// no global property.
i16 lowglobal(u16 token, fred* value);
// The set command (`set [the] property [of object] to value`), a command routine with the
// signature of commands/dispatch.h: the statement's first atom at `at`.
i16 comset(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);

}  // namespace kv
