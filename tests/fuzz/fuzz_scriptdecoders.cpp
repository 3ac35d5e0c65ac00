// Hands arbitrary bytes to the script's decoders as a script does, through a function handler
// that gets them as its parameter: hexToString, decode (Base64) and urlDecode of the bytes end
// with a value or a script error, never harm; and each encoder's text decodes back to the bytes
// (urlEncode's result is a short text, so only short inputs come back whole). The seeds are
// texts the encoders made.
#include <cstdint>
#include <cstring>
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

// replay-runs: 1000

namespace {

using namespace kv;

constexpr char kScript[] =
    "function kvcode mode, t\r"
    "  if mode = 1 then return hexToString(stringToHex(t))\r"
    "  if mode = 2 then return decode(encode(t))\r"
    "  if mode = 3 then return urlDecode(urlEncode(t))\r"
    "  if mode = 4 then return hexToString(t)\r"
    "  if mode = 5 then return decode(t)\r"
    "  return urlDecode(t)\r"
    "end kvcode\r";

// Calls kvcode(mode, bytes): the status, and the value in `out` when there is one.
i16 call(std::vector<hier>& path, int mode, const std::vector<std::uint8_t>& bytes, std::vector<std::uint8_t>* out) {
  const std::string line = "kvcode(" + std::to_string(mode) + ", it)";
  Handle text = nilhandle, atoms = nilhandle, input = nilhandle;
  check(PtrToHand(line.data(), &text, Size(line.size())) == noErr && tokenize(text, &atoms) == 0);
  Handle vars = NewHandle(0);
  check(PtrToHand(bytes.data(), &input, Size(bytes.size())) == noErr && handtoit(input, vars) == 0);
  DisposeHandle(input);
  fred result;
  newfred(&result, fredtemp, fredstring, 0);
  const i16 st = sendmes(path, text, atoms, 0, vars, &result, sendmescommand);
  if (st == 0) out->assign(fredaddr(&result), fredaddr(&result) + getfredsize(&result));
  disposfred(&result);
  dumpvars(vars);
  DisposeHandle(atoms);
  DisposeHandle(text);
  return st;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1 << 14) return 0;
  setmemorybudget(std::size_t(64) << 20);
  if (initglobs() != 0) return 0;
  std::vector<hier> path(pathentries);
  Handle s = nilhandle;
  check(PtrToHand(kScript, &s, Size(std::strlen(kScript))) == noErr);
  static constexpr u8 ref[] =
      "\x04"
      "fuzz";
  static constexpr u8 none[] = "\x00";
  check(makehier(s, hierobject, ref, &path[0]) == 0 && makehier(nilhandle, hiershared, none, &path[1]) == 0);
  const std::vector<std::uint8_t> bytes(data, data + size);
  std::vector<std::uint8_t> out;
  for (int mode = 1; mode <= 3; ++mode) {
    out.clear();
    if (call(path, mode, bytes, &out) != 0) continue;  // only memory may refuse the round trips
    if (mode != 3 || size <= 85) check(out == bytes);
  }
  for (int mode = 4; mode <= 6; ++mode) {
    out.clear();
    if (call(path, mode, bytes, &out) == 0) check(out.size() <= bytes.size());
    check(mainglobals().calllevel == -1);
  }
  DisposeHandle(s);
  dumphier(path);
  setmemorybudget(0);
  check(resetruntime().leakedhandles == 0);
  return 0;
}

extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  const char* seeds[] = {"48656C6C6F",   "48 65\r6c\n6C\t6f", "4",      "SGVsbG8sIHdvcmxk",
                         "YWI=\r\nYQ==", "a+b%26c%e9",        "100%zz", "\x8A\xA5 caf\x8E"};
  for (const char* seed : seeds) out->emplace_back(seed, seed + std::strlen(seed));
  return out->size();
}
