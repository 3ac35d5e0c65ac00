// Runs arbitrary bytes as the body of a handler, and evaluates their first line: whatever the
// script, the run ends with a status, releases everything it took and leaves the queues and
// call levels as it found them. Statements are bounded by the abort check and memory by a
// budget.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/fred.h"
#include "engine/hier.h"
#include "engine/sendmes.h"
#include "engine/tokenizer.h"
#include "engine/variables.h"
#include "platform/memory/memory.h"
#include "platform/runtime/root.h"
#include "core/mainglobals.h"
#include "core/runservices.h"
#include "tests/fuzz/fuzzcheck.h"

namespace {

using namespace kv;

i16 sendline(std::vector<hier>& path, const std::string& line, bool function) {
  Handle text = nilhandle, atoms = nilhandle;
  PtrToHand(line.data(), &text, Size(line.size()));
  if (text == nilhandle || tokenize(text, &atoms) != 0) {
    if (text != nilhandle) DisposeHandle(text);
    return 0;
  }
  Handle vars = NewHandle(0);
  fred result;
  newfred(&result, fredtemp, fredstring, 0);
  i16 st = sendmes(path, text, atoms, 0, vars, function ? &result : nullptr, sendmescommand);
  disposfred(&result);
  if (vars != nilhandle) dumpvars(vars);
  DisposeHandle(atoms);
  DisposeHandle(text);
  return st;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1 << 16) return 0;
  resetruntime();
  setmemorybudget(std::size_t(64) << 20);
  if (initglobs() != 0) return 0;
  int statements = 0;
  setabortcheck([&statements](u32) -> i16 { return ++statements > 5000 ? 77 : 0; });
  std::string body(reinterpret_cast<const char*>(data), size);
  std::string script = "on kvfuzz\r" + body + "\rend kvfuzz\rfunction kvfuzzf\r" + body + "\rend kvfuzzf\r";
  std::vector<hier> path(pathentries);
  Handle s = nilhandle;
  PtrToHand(script.data(), &s, Size(script.size()));
  static constexpr u8 ref[] =
      "\x04"
      "fuzz";
  static constexpr u8 none[] = "\x00";
  if (s != nilhandle && makehier(s, hierobject, ref, &path[0]) == 0 &&
      makehier(nilhandle, hiershared, none, &path[1]) == 0) {
    MainGlobals& g = mainglobals();
    sendline(path, "kvfuzz", false);
    statements = 0;
    sendline(path, "kvfuzzf()", true);
    statements = 0;
    sendline(path, "get " + body.substr(0, body.find_first_of("\r\n")), false);
    check(g.calllevel == -1 && g.repeatindex == -1 && g.switchindex == -1);
  }
  if (s != nilhandle) DisposeHandle(s);
  dumphier(path);
  setabortcheck({});
  setmemorybudget(0);
  ResetReport r = resetruntime();
  check(r.leakedhandles == 0);
  return 0;
}

// Scripts with every control structure, for the replay to mutate.
extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  const char* seeds[] = {
      "put 0 into n\rrepeat with i = 1 to 10\rif i mod 2 = 0 then next repeat\rput n + i into n\rend repeat\rreturn n",
      "put \"a,b,c\" into v\rrepeat for each item w in v\rput w after s\rput empty into v\rend repeat",
      "switch x\rcase 1\rput 1 into y\rexit switch\rcase 2\rend switch\rswitch\rcase true\rend switch",
      "try\rthrow 5\rcatch e\rreturn e\rend try\rtry\rtry\rreturn 1\rcatch\rend try\rcatch f\rend try",
      "if a then\rput 1 into b\relse if c then put 2 into b\relse\rput 3 into b\rend if",
      "global g\rlocal l = 3\renum a, b = 5, c\rput (1 + 2) * 3 ^ 2 & \"x\" && empty into msg",
      "repeat while n < 3\rput n + 1 into n\rend repeat\rrepeat until true\rend repeat\rrepeat forever\rexit repeat\rend repeat",
      "do \"put 1 into x\"\rsend \"put 2 into y\"\rset the itemDelimiter to \";\"\rget param(1) + the paramCount",
      "put 1 into x\rput x before x\rput x after x\rexit to kestrove",
      ("put \"a b\" into v\rput 1 into item 3 of line 2 of v\rput word 2 of v into char 2 to 3 of last item of v\r"
       "return offset(\"b\", v, 1) & lineOffset(1, v) & (v contains the middle char of v)"),
  };
  for (const char* s : seeds) out->emplace_back(s, s + std::char_traits<char>::length(s));
  return out->size();
}
