// Reads arbitrary bytes as RTF into a fresh record that allows objects: no crash, no access
// outside a block, and the record's text and its lines agree afterwards, whatever the result.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fields/fieldview.h"
#include "fields/rtfreader.h"
#include "platform/fonts/fonts.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "tests/fuzz/fuzzcheck.h"
#include "textengine/werecord.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kv;
  usebuiltinmetricsfont(true);
  const Rect bounds{0, 0, 20, 20};
  GWorldPtr port = 0;
  check(NewGWorld(&port, 32, &bounds, 0, 0, 0) == noErr);
  SetGWorld(port, 0);
  const LongRect dest{0, 0, 100, 200};
  WEReference we = nilid;
  check(WENew(&dest, &dest, 1u << weFInhibitRedraw, &we) == noErr);
  SetAllowObjectsFlag(we, 1);
  check(WEInstallObjectHandlers(we) == noErr);
  Handle rtf = nilhandle;
  check(PtrToHand(data, &rtf, Size(size)) == noErr);
  RTFReadHandleCrutch(0, 0, we, rtf);
  // Laid out again, success or not: the last line ends at the text's end.
  i32 start = 0, end = 0;
  WEGetLineRange(WECountLines(we) - 1, &start, &end, we);
  check(end == WEGetTextLength(we));
  DisposeHandle(rtf);
  WEDispose(we);
  SetGWorld(0, 0);
  DisposeGWorld(port);
  return 0;
}

extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  const char* docs[] = {
      "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\froman Times;}{\\f1\\fswiss Helvetica;}}"
      "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
      "\\f1\\fs24 Hello {\\b bold {\\i both}} \\cf1 red\\cf0\\par\\li576 caf\\'e9\\tab\\~\\{\\}}",
      "{\\rtf1 a{\\*\\generator x}{\\info{\\title t}{\\author A}}b\\\r\nc{\\pict\\pngblip 89504e47}d\\uldb e\\ulnone\\plain f}",
      "{\\rtf1\\mac\\deff2{\\fonttbl{\\f2\\fnil Nowhere;}{\\f3\\fmodern;}}\\f2\\expnd-4 g\\expndtw8 h\\fs i}",
      "{\\rtf1 {\\pict\\macpict\\picw100\\pich50\\picscalex50 0011}\\super x\\sub y\\sl-240\\li-100 z\\bin3 abc}",
      "{\\rtf1\\next\\'e9{\\*\\NeXTGraphic pic.png \\width2000\\height1000}\\deftab360\\notabind\\lang1033 q}",
  };
  for (const char* d : docs) out->emplace_back(d, d + std::strlen(d));
  // Found by a campaign: a picture object 32767 pixels wide on a line whose remaining width was
  // already negative (the width wrapped around).
  out->push_back({
      0x7B, 0x5C, 0x72, 0x74, 0x66, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x02, 0x30, 0x20, 0x7B, 0x5C, 0x70,
      0x69, 0x63, 0x30, 0x20, 0x7B, 0x5C, 0x70, 0x69, 0x63, 0x74, 0x5C, 0x6D, 0x61, 0x63, 0x70, 0x69, 0x63, 0x74, 0x5C,
      0x70, 0x69, 0x63, 0x77, 0x39, 0x30, 0x30, 0x31, 0x31, 0x7D, 0x00, 0x00, 0x31, 0x31, 0x7D, 0xE4, 0x73, 0x75, 0x70,
      0x65, 0x77, 0x62, 0x69, 0x74, 0x6D, 0x61, 0x00, 0x00, 0x79, 0x61, 0x62, 0x63, 0x7D, 0x7B, 0x5C, 0x72, 0x00, 0x00,
      0x74, 0x66, 0x31, 0x7B, 0x5C, 0x72, 0x74, 0x66, 0x31, 0x20, 0x20, 0xBC, 0x79, 0x5C, 0x73, 0x6C, 0x2D, 0x34, 0x38,
      0x30, 0x5C, 0x6C, 0x69, 0x2D, 0x30, 0x35, 0x30, 0x7A, 0x20, 0x62, 0x5C, 0x69, 0x6E, 0x33, 0x20, 0x61, 0x34, 0x30,
      0x5C, 0x6C, 0x69, 0x36, 0x30, 0x35, 0x30, 0x20, 0x7A, 0x5C, 0x62, 0x69, 0x6E, 0x33, 0x20, 0x61, 0x62, 0x63, 0x6E,
  });
  return out->size();
}
