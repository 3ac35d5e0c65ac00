// Puts arbitrary bytes into the text engine as a text with the styled flavours another program
// or a damaged file may hand over: a 'styl' scrap, the engine's 'WEcf' runs with their 'WEst'
// styles, and 'WEpf' paragraph runs with their 'WEru' rulers, the text as the record's own
// bytes or as UTF-16 to convert. Whatever is taken must stream back out in every flavour, the
// plain text as long as the record's text, and its 'styl' scrap must put again. The seeds are
// the flavours of a styled text this engine wrote itself.
//
// The input: a mode byte (bit 0: UTF-16 text, bit 1: the engine's runs instead of 'styl', bit 2:
// UTF-16 may begin with a byte-order mark), then the text, the 'styl' or 'WEcf' flavour, 'WEst',
// 'WEpf' and 'WEru', each a 16-bit big-endian length and its bytes.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/fonts/fonts.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/text/textencodings.h"
#include "platform/text/unicodeconverters.h"
#include "tests/fuzz/fuzzcheck.h"
#include "textengine/werecord.h"
#include "textengine/westreams.h"

namespace {

using namespace kv;

struct Parts {
  std::uint8_t mode = 0;
  std::vector<std::uint8_t> part[5];  // the text, then four flavours
};

Parts split(const std::uint8_t* data, std::size_t size) {
  Parts p;
  std::size_t at = 0;
  if (size > 0) p.mode = data[at++];
  for (auto& part : p.part) {
    if (at + 2 > size) break;
    std::size_t n = std::size_t(data[at]) << 8 | data[at + 1];
    at += 2;
    n = std::min(n, size - at);
    part.assign(data + at, data + at + n);
    at += n;
  }
  return p;
}

void appendpart(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& part) {
  out.push_back(std::uint8_t(part.size() >> 8));
  out.push_back(std::uint8_t(part.size()));
  out.insert(out.end(), part.begin(), part.end());
}

// The world a record draws and measures in; gone at the end of the scope.
struct Port {
  GWorldPtr world = 0;
  Port() {
    usebuiltinmetricsfont(true);
    const Rect bounds{0, 0, 20, 20};
    check(NewGWorld(&world, 32, &bounds, 0, 0, 0) == noErr);
    SetGWorld(world, 0);
  }
  ~Port() {
    SetGWorld(0, 0);
    DisposeGWorld(world);
  }
};

WEReference newrecord() {
  const LongRect dest{0, 0, 100, 200};
  WEReference we = nilid;
  check(WENew(&dest, &dest, 1u << weFInhibitRedraw, &we) == noErr);
  return we;
}

std::vector<std::uint8_t> streamed(OSType flavor, WEReference we) {
  Handle h = NewHandle(0);
  check(h != nilhandle);
  const OSErr e = WEStreamRange(0, WEGetTextLength(we), flavor, 0, h, we);
  // Unicode flavours cannot be made of runs in an encoding without a converter.
  const bool unicode = flavor == fourcc("utxt") || flavor == fourcc("UTF8");
  const bool fine = e == noErr || e == memFullErr || (unicode && e == kTextUnsupportedEncodingErr);
  if (!fine) std::fprintf(stderr, "streaming '%.4s' answered %d\n", reinterpret_cast<const char*>(&flavor), e);
  check(fine);
  std::vector<std::uint8_t> out = contentof(h);
  DisposeHandle(h);
  return out;
}

bool puterror(OSErr e) {
  return e == noErr || e == memFullErr || e == weMalformedScrapErr || e == weNewerVersionErr || e == -9469 ||
         e == -9473 || e == kTextUnsupportedEncodingErr || e == weNotContainerErr || e == weNoSuchItemErr ||
         e == weBadReservedErr || e == weUnknownAttributeValueErr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1 << 16) return 0;
  setmemorybudget(64u << 20);
  const Parts p = split(data, size);
  Port port;
  WEReference we = newrecord();
  Handle flavors[4] = {};
  for (int i = 0; i < 4; ++i) {  // an empty flavour is not given
    const std::vector<std::uint8_t>& part = p.part[i + 1];
    if (!part.empty()) check(PtrToHand(part.data(), &flavors[i], Size(part.size())) == noErr);
  }
  const bool engineruns = (p.mode & 2) != 0;
  const OSType types[4] = {engineruns ? fourcc("WEcf") : fourcc("styl"), fourcc("WEst"), fourcc("WEpf"),
                           fourcc("WEru")};
  const u32 encoding = (p.mode & 1) ? u32(kTextEncodingUnicodeDefault) : kTextEncodingWEText;
  const OSErr e = WEPut(0, 0, p.part[0].data(), i32(p.part[0].size()), encoding, (p.mode & 4) ? 0x200 : 0, 4, types,
                        flavors, we);
  if (!puterror(e)) std::fprintf(stderr, "the put answered %d\n", e);
  check(puterror(e));
  if (e == noErr) {
    const i32 length = WEGetTextLength(we);
    check(streamed(fourcc("TEXT"), we).size() == std::size_t(length));
    const std::vector<std::uint8_t> styl = streamed(fourcc("styl"), we);
    for (OSType flavor : {fourcc("utxt"), fourcc("UTF8"), fourcc("STXT"), fourcc("WEcf"), fourcc("WEst"),
                          fourcc("WEpf"), fourcc("WEru"), fourcc("SOUP")})
      streamed(flavor, we);
    // The record's own text and 'styl' scrap put again into a fresh record give the same text.
    const std::vector<std::uint8_t> text = streamed(fourcc("TEXT"), we);
    WEReference again = newrecord();
    Handle stylh = nilhandle;
    check(PtrToHand(styl.data(), &stylh, Size(styl.size())) == noErr);
    const OSType stylt = fourcc("styl");
    const OSErr e2 = WEPut(0, 0, text.data(), i32(text.size()), kTextEncodingWEText, 0, 1, &stylt, &stylh, again);
    check(e2 == noErr || e2 == memFullErr);
    if (e2 == noErr) check(streamed(fourcc("TEXT"), again) == text);
    DisposeHandle(stylh);
    WEDispose(again);
  }
  for (Handle h : flavors) DisposeHandle(h);
  WEDispose(we);
  return 0;
}

extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  Port port;
  WEReference we = newrecord();
  const char text[] = "Plain, bold and red\rA centred paragraph\r\xA5 and \x8A";
  check(WEPut(0, 0, text, i32(std::strlen(text)), kTextEncodingWEText, 0, 0, nullptr, nullptr, we) == noErr);
  WETextStyle ts{};
  ts.face = 1;
  ts.size = 18;
  ts.color = RGBColor{0xFFFF, 0, 0};
  WESetSelection(7, 19, we);
  WESetStyle(weDoFace | weDoSize | weDoColor, &ts, we);
  WESetSelection(22, 30, we);
  WESetAlignment(1, we);
  const std::vector<std::uint8_t> plain = streamed(fourcc("TEXT"), we);
  const std::vector<std::uint8_t> utxt = streamed(fourcc("utxt"), we);
  const std::vector<std::uint8_t> styl = streamed(fourcc("styl"), we);
  const std::vector<std::uint8_t> wecf = streamed(fourcc("WEcf"), we);
  const std::vector<std::uint8_t> west = streamed(fourcc("WEst"), we);
  const std::vector<std::uint8_t> wepf = streamed(fourcc("WEpf"), we);
  const std::vector<std::uint8_t> weru = streamed(fourcc("WEru"), we);
  WEDispose(we);
  auto seed = [&](std::uint8_t mode, const std::vector<std::uint8_t>& t, const std::vector<std::uint8_t>& a,
                  const std::vector<std::uint8_t>& b, const std::vector<std::uint8_t>& c) {
    std::vector<std::uint8_t> s{mode};
    appendpart(s, t);
    appendpart(s, a);
    appendpart(s, b);
    appendpart(s, c);
    appendpart(s, weru);
    out->push_back(s);
  };
  seed(0, plain, styl, {}, wepf);
  seed(1, utxt, styl, {}, {});
  seed(2, plain, wecf, west, wepf);
  seed(7, utxt, wecf, west, wepf);
  return out->size();
}
