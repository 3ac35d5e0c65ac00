// Scripts of other languages: the `script` function (`funscript`) over the scripting
// components of platform/osa, the component list it keeps open, and the compiled scripts it
// stores in projects as 'scpt' external-resource records.
//
// Every outcome is the function's value; failures are texts that begin "Error: " with status
// 0, except 1 for `close` of a component that is not open and for failures of `type`, 2 for an
// unknown sub-command, and 19 or 1 when `close` or `type` misses its ")".
#pragma once

#include <string>

#include "engine/hier.h"
#include "platform/osa/osa.h"
#include "platform/runtime/root.h"
#include "platform/types.h"

namespace kv {

struct fred;

constexpr OSType kScriptResource = fourcc("scpt");

// An open component: its instance and the list of scripts loaded into it (LoadedScript).
struct ComponentEntry {
  ComponentInstance instance;
  Handle scripts;
  Str63 name;
};
struct LoadedScript {
  OSAID id;
  Str255 name;
};

// script(...): `at` is the word `script`, followed by "(" and the sub-command word.
scriptstatus funscript(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);

// The open component of that name (case ignored): its instance, and its index as the current
// index (-1 and 0 when it is not open).
ComponentInstance GetOpenComponent(ConstStringPtr name, i32* index);
// Opens the first installed component of that name that can compile, appends it to the
// component list and makes it current: its instance, or 0 (none current) when none opens.
ComponentInstance GetClosedComponent(ConstStringPtr name, i32* index);

// Compiling and executing with the global flags that the request gate reads raised around
// the call (and put back after, so that nested scripts keep an outer script's flag).
OSAError osacompileflagged(ComponentInstance ci, const AEDesc& source, i32 mode, OSAID* id);
OSAError osaexecuteflagged(ComponentInstance ci, OSAID script, i32 mode, OSAID* result);

// The error text of a component status ("Error: " and the status's text): 1, or 0 and nothing
// for status 0.
i16 CheckError(const char* routine, OSErr status, std::string* out);

// The current component and its index in the component list (-1: none).
ComponentInstance currentcomponent(i32* index);

// Whether a script of another language is being compiled or is running now.
struct OSARunState {
  u16 compilingosa;  // a script of another language is being compiled
  u16 runningosa;    // a script of another language is running
};
inline OSARunState& osarunstate() { return state<OSARunState>(); }

}  // namespace kv
