// Sends one message line, or evaluates one function call, along a message path whose first
// entry holds the benchmark's script, as a dispatcher does: the path is made through the
// script cache and released afterwards.
#pragma once

#include <string_view>
#include <vector>

#include "engine/fred.h"
#include "engine/hier.h"
#include "engine/sendmes.h"
#include "engine/tokenizer.h"
#include "engine/variables.h"
#include "platform/memory/memory.h"

namespace kv::bench {

// The status of the send; `result` (a function's value) may be null for a command.
inline i16 sendline(Handle script, std::string_view message, fred* result = nullptr) {
  std::vector<hier> path(pathentries);
  static constexpr u8 ref[] =
      "\x05"
      "bench";
  static constexpr u8 none[] = "\x00";
  makehier(script, hierobject, ref, &path[0]);
  makehier(nilhandle, hiershared, none, &path[1]);
  Handle text = nilhandle, atoms = nilhandle;
  PtrToHand(message.data(), &text, Size(message.size()));
  tokenize(text, &atoms);
  Handle vars = NewHandle(0);
  i16 st = sendmes(path, text, atoms, 0, vars, result, sendmescommand);
  dumpvars(vars);
  DisposeHandle(atoms);
  DisposeHandle(text);
  dumphier(path);
  return st;
}

}  // namespace kv::bench
