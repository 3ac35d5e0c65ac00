// Message sending: a message or function call goes along a message path to the first handler
// that takes it, else to the externals and then the built-in dispatchers. Call levels record
// who runs what, for error reports, externals and traces.
#pragma once

#include "engine/hier.h"
#include "platform/types.h"

namespace kv {

struct fred;

// Send modes stored in a pushed call level; sendmeslevel pushes no level of its own;
// sendmesdo is the level of a text that `do` runs.
enum : u8 { sendmescommand = 1, sendmeslevel = 2, sendmesdo = 5 };

// Internal statuses that travel up through handlers.
enum : i16 {
  statusexitswitch = -995,
  statusnextrepeat = -996,
  statusexitrepeat = -997,
  statusexittotop = -998,
  statusreturn = -999,
  statuspass = -1000,
};

// Sends the message whose name is at atom `at` of `atoms` (tokenised from `text`) along the
// path. `variables` are the caller's; `result` is the value of a function call, or null for a
// command. 0 done, > 0 a script error, or a negative internal status.
scriptstatus sendmes(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, fred* result, u8 kind);

// How many handler searches along a path sendmes has made in this run (a built-in that no
// script handles is run without one).
u64 pathsearches();

// One call level.
struct calllevel {
  Handle variables;
  Handle text;
  hier* path;  // the path or path entry the level runs in
  i32 atom;    // the message atom, or the handler's first statement atom
  u8 kind;
  u8 cleared;
  u8 delimiters[3];  // line, item and word delimiter of the handler
  u8 spare;
};

// Pushes a level (non-zero) or pops one (0); answers the current level, or null when the
// stack could not grow or is empty.
calllevel* addlevel(i16 push);
void deletelevel(i16 pop);
// The current depth (-1: none).
i16 leveldepth();

// Runs a message text as a command in the current context: tokenises it, offers it to the
// externals and then the built-in command dispatcher.
scriptstatus hypesend(hierpath path, Handle variables, Handle message);
// The `send` command at atom `at`.
scriptstatus comsend(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// Runs a text of statements as the running handler's body would run them (control
// structures may span lines), with its variables, sending each statement along the path from
// the entry (the object that runs `do`); `the target` is that object while they run. 0 (also
// after `return`, whose value goes to `the result`), a script error (`exit repeat`, `next
// repeat` and `exit switch` that leave the text give 31, 35 and 214), or an internal status
// such as `exit to Kestrove`'s. With `target`, that object's text (not the entry's) is `the
// target` while they run.
i16 meesend(Handle message, Handle variables, hierpath entry, Handle target = nilhandle);

}  // namespace kv
