// Properties as the evaluator, the `set` command and the `get` command reach them: the getter
// dispatcher, user-defined properties, the language constants, the global properties, and the
// setter dispatcher.
//
// Getters share one signature: the message-path context of the running handler, the script
// text and its atoms (the expression starts at atom `at`: `the`, the property word or a
// name-form word), the handler's variable lists, the atoms used (out) and the value (out, a
// new owned temporary on success). Setters share another: the context, the text and atoms
// (`at` is atom 1 of the statement, the atom after `set`), the variables and the property
// token. Both return 0 or a script error number.
#pragma once

#include "engine/hier.h"
#include "platform/types.h"

namespace kv {

struct fred;

using getterproc = scriptstatus (*)(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, Handle locals,
                                    i32* count, fred* value);
using setterproc = scriptstatus (*)(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, u16 token);

// `[the] <property> [of <object>]` for a property token (4001-4305), also after `the` and
// after a name form (`the short name of ...`). A positive status is posted at the first atom.
scriptstatus property(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, Handle locals, i32* count,
                      fred* value);
// `[the] <name> of <object>`: a user-defined property (the name an unknown word or a variable).
scriptstatus userprop(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, Handle locals, i32* count,
                      fred* value);
// The value of a language constant (5001-5026, `true` to `null`); *count is 1. 42 for any
// other token.
i16 constant(Handle atoms, i32 at, i32* count, fred* value);
// The value of a global property by token: 0, 43 when the token has no global value, or the
// property's own error.
i16 lowglobal(u16 token, fred* value);

// `set [the] <property> [of <object>] to <value>`: `at` is the `set` atom. Picks the setter
// by the property token and returns its status.
scriptstatus comset(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// The setter of the global properties (`at` is atom 1 of the statement).
scriptstatus setglobal(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, u16 token);

}  // namespace kv
