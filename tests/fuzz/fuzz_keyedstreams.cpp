// Reads arbitrary bytes as a keyed stream, as the clipboard, a drag or a damaged file would hand
// one over: the reader walks every record and item, the style and ruler list readers parse it,
// and a put takes it as the character formats of a text. Nothing is read outside the block, the
// block is never changed, the answers are the reader's own, and a parsed list applies to a text
// whose runs stay whole.
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/fonts/fonts.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "tests/fuzz/fuzzcheck.h"
#include "textengine/westreams.h"

namespace {

using namespace kv;

bool readererror(OSErr err) {
  return err == noErr || err == weNotContainerErr || err == weNoSuchItemErr || err == weBadReservedErr ||
         err == weMalformedScrapErr;
}

// Walks a container and everything in it, to a depth of three.
void walk(const WEDataDesc& desc, int depth) {
  i32 size = 0;
  const u8* p = _WEDataDesc_GetData(desc, &size);
  if (p != nullptr && size > 0) {
    volatile u8 sum = 0;
    for (i32 i = 0; i < size; ++i) sum = u8(sum + p[i]);
  }
  i32 count = 0;
  const OSErr err = _WEDataDesc_CountItems(desc, &count);
  check(readererror(err));
  if (err != noErr || depth > 2) return;
  for (i32 i = 0; i < count && i < 64; ++i) {
    OSType key = 0;
    WEDataDesc item{};
    const OSErr e = _WEDataDesc_GetNthItem(desc, i, &key, &item);
    check(readererror(e));
    if (e != noErr) return;
    walk(item, depth + 1);
    if (desc.type == fourcc("reco")) {
      WEDataDesc found{};
      check(readererror(_WEDataDesc_GetKeyItem(desc, key, &found)));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  usebuiltinmetricsfont(true);
  Handle block = nilhandle;
  check(PtrToHand(data, &block, Size(size)) == noErr);
  walk(_WEWholeStream(block), 0);
  Handle styles = nilhandle, rulers = nilhandle;
  const OSErr se = _WEParseStyleScrap(block, &styles, 0, nullptr);
  check(readererror(se) || se == memFullErr);
  check((se == noErr) == (styles != nilhandle));
  const OSErr re = _WEParseRulerScrap(block, &rulers);
  check(readererror(re) || re == memFullErr);
  check(contentof(block) == std::vector<std::uint8_t>(data, data + size));

  // The list as the styles of a put: one run, then a run at 3 naming the second style.
  const Rect bounds{0, 0, 20, 20};
  GWorldPtr port = 0;
  check(NewGWorld(&port, 32, &bounds, 0, 0, 0) == noErr);
  SetGWorld(port, 0);
  const LongRect dest{0, 0, 100, 200};
  WEReference we = nilid;
  check(WENew(&dest, &dest, 1u << weFInhibitRedraw, &we) == noErr);
  Handle runs = NewHandle(0);
  const WERunEntry entries[] = {{0, 0}, {3, 1}};
  check(PtrAndHand(entries, runs, sizeof entries) == noErr);
  const OSType types[] = {fourcc("WEcf"), fourcc("WEst")};
  const Handle handles[] = {runs, block};
  const OSErr pe = WEPut(0, 0, "abcdefgh", 8, kTextEncodingWEText, 0, 2, types, handles, we);
  check(pe == noErr || readererror(pe) || pe == memFullErr);
  if (pe == noErr) check(WEGetTextLength(we) == 8 && WECountRuns(we) >= 1);
  _WEForgetStyleArray(&styles);
  if (rulers != nilhandle) DisposeHandle(rulers);
  DisposeHandle(runs);
  DisposeHandle(block);
  WEDispose(we);
  SetGWorld(0, 0);
  DisposeGWorld(port);
  return 0;
}

extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  // A list of two styles (the second bold, red, in a named font) and one ruler record.
  Handle h = NewHandle(0);
  WEStream w{};
  _WEStream_Open(h, &w);
  _WEStream_OpenList(&w);
  for (int i = 0; i < 2; ++i) {
    _WEStream_OpenRecord(&w, fourcc("reco"));
    const u32 encoding = 0;
    const i16 font = 20;
    const Fixed size = 14 << 16;
    _WEStream_WriteKeyDesc(&w, fourcc("extp"), fourcc("long"), &encoding, 4);
    _WEStream_WriteKeyDesc(&w, fourcc("fnt#"), fourcc("shor"), &font, 2);
    _WEStream_WriteKeyDesc(&w, fourcc("font"), fourcc("TEXT"), "Times", 5);
    _WEStream_WriteKeyDesc(&w, fourcc("ptsz"), fourcc("fixd"), &size, 4);
    if (i == 1) {
      const u8 one = 1;
      const u16 red[3] = {65535, 0, 0};
      const OSType dubl = fourcc("dubl");
      _WEStream_WriteKeyDesc(&w, fourcc("bold"), fourcc("bool"), &one, 1);
      _WEStream_WriteKeyDesc(&w, fourcc("colr"), fourcc("cRGB"), red, 6);
      _WEStream_WriteKeyDesc(&w, fourcc("unds"), fourcc("enum"), &dubl, 4);
      _WEStream_WriteKeyDesc(&w, fourcc("lang"), fourcc("TEXT"), "fr", 2);
    }
    _WEStream_CloseRecord(&w);
  }
  _WEStream_OpenRecord(&w, fourcc("reco"));
  const OSType cent = fourcc("cent");
  const Fixed indent = 10 << 16;
  _WEStream_WriteKeyDesc(&w, fourcc("pjst"), fourcc("enum"), &cent, 4);
  _WEStream_WriteKeyDesc(&w, fourcc("lein"), fourcc("fixd"), &indent, 4);
  _WEStream_Close(&w);
  out->push_back(contentof(h));
  DisposeHandle(h);
  return out->size();
}
