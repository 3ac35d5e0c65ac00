// The `do` command.
#pragma once

#include "engine/hier.h"
#include "platform/types.h"

namespace kv {

// `do <expression>` at atom `at`: the value's text runs as statements of the running handler
// (meesend), with its variables, from the object that runs it. A line longer than 255
// characters stops the text there: the lines before it run, then 14. 19 for words left after
// the expression; otherwise the status of the statements.
scriptstatus comdo(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);

}  // namespace kv
