// Decodes arbitrary bytes (and damaged copies of small RTF documents) with the small RTF
// decoder: the field text it makes is always whole, holds at most 1,000,000 bytes of text and
// 32,767 runs, and its runs start in order inside the text.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fields/rtfdecoder.h"
#include "platform/fonts/fonts.h"
#include "platform/memory/memory.h"
#include "store/fieldtext.h"
#include "tests/fuzz/fuzzcheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kv;
  usebuiltinmetricsfont(true);
  Handle text = nilhandle;
  rtfdecodestate state{};
  if (RTFInitialize(&text, &state) != 0) return 0;
  i16 st = RTFDecode(text, data, i32(size), &state);
  check(st == 0 || st == -108);
  fieldtextlayout l = measurefieldtext(text);
  check(l.whole);
  check(l.textlength <= kRTFTextLimit && l.runs <= kRTFRunLimit);
  i32 last = 0;
  for (i32 i = 0; i < l.runs; ++i) {
    stylerun r = fieldtextrun(deref(text), i);
    check(r.start >= last && r.start <= l.textlength);
    last = r.start;
  }
  RTFDone(text, &state);
  return 0;
}

extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  const char* docs[] = {
      "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\froman Times;}{\\f1\\fswiss Helvetica;}}"
      "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
      "\\f1\\fs24 Hello {\\b bold {\\i both}} \\cf1 red\\cf0\\par\\li576 caf\\'e9\\tab\\~\\{\\}}",
      "{\\rtf1 a{\\*\\generator x}{\\info{\\title t}}b\\\r\nc{\\pict\\pngblip 89504e47}d\\uldb e\\ulnone\\plain f}",
      "{\\rtf1\\mac\\deff2{\\fonttbl{\\f2\\fnil Nowhere;}{\\f3\\fmodern;}}\\f2\\expnd-4 g\\expndtw8 h\\fs i}",
  };
  for (const char* d : docs) out->emplace_back(d, d + std::string(d).size());
  return out->size();
}
