// Loads a field of the text engine's styles whose alt list holds damaged streams, as a damaged
// project would give them: the input is cut into the field's character runs, style list,
// paragraph runs, ruler list and object soup. The load answers an error or a record whose
// text is the stored text's, and a record that loaded writes back and loads again the same.
#include <cstdint>
#include <cstring>
#include <vector>

#include "fields/fieldview.h"
#include "platform/fonts/fonts.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "store/fieldtext.h"
#include "store/objects.h"
#include "tests/fuzz/fuzzcheck.h"
#include "textengine/fieldstorage.h"
#include "textengine/westreams.h"

namespace {

using namespace kv;

const char kText[] = "Hello\rworld\1!";
constexpr i32 kLength = 13;

std::string textof(WEReference we) {
  const Handle h = WEGetText(we);
  return std::string(reinterpret_cast<const char*>(deref(h)), std::size_t(GetHandleSize(h)));
}

WEReference newrecord() {
  const LongRect dest{0, 0, 100, 200};
  WEReference we = nilid;
  check(WENew(&dest, &dest, 1u << weFInhibitRedraw, &we) == noErr);
  SetAllowObjectsFlag(we, 1);
  check(WEInstallObjectHandlers(we) == noErr);
  return we;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  usebuiltinmetricsfont(true);
  const Rect bounds{0, 0, 20, 20};
  GWorldPtr port = 0;
  check(NewGWorld(&port, 32, &bounds, 0, 0, 0) == noErr);
  SetGWorld(port, 0);
  spot field{};
  field.kind = spotfield;
  field.style = stylefieldrect;
  field.flags = 1u << 26;
  field.rect = Rect{0, 0, 100, 200};
  field.data = NewHandle(0);
  check(setfieldtext(field.data, nullptr, 0, kText, kLength, defaultfieldtail()) == noErr);
  field.alt = NewHandle(0);
  // Four length bytes cut the rest into the five streams.
  static const u32 kinds[] = {altwecf, altwest, altwepf, altweru, altsoup};
  std::size_t at = std::min<std::size_t>(size, 4);
  for (int i = 0; i < 5; ++i) {
    const std::size_t want = i < 4 && i < i32(size) ? std::size_t(data[i]) * 4 : size;
    const std::size_t n = std::min(want, size - at);
    Handle h = nilhandle;
    check(PtrToHand(data + at, &h, Size(n)) == noErr);
    check(setaltdata(field.alt, h, kinds[i]) == noErr);
    at += n;
  }
  const WEReference we = newrecord();
  const OSErr err = wenewunpacktext(field, we);
  if (err == noErr) {
    check(textof(we) == std::string(kText, kLength));
    // Written back and loaded again: the same text and the same number of runs.
    check(wenewpacktext(field, we) == noErr);
    const WEReference again = newrecord();
    check(wenewunpacktext(field, again) == noErr);
    check(textof(again) == textof(we));
    check(WECountRuns(again) == WECountRuns(we));
    WEDispose(again);
  }
  WEDispose(we);
  dumpalt(field.alt);
  DisposeHandle(field.data);
  dumprop(field.uprops);
  SetGWorld(0, 0);
  DisposeGWorld(port);
  return 0;
}

extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  // The streams of a record holding the text with a bold word and a centred paragraph.
  usebuiltinmetricsfont(true);
  const LongRect dest{0, 0, 100, 200};
  WEReference we = nilid;
  WENew(&dest, &dest, 1u << weFInhibitRedraw, &we);
  Handle text = nilhandle;
  PtrToHand(kText, &text, kLength);
  WEUseText(text, we);
  WETextStyle bold{};
  bold.face = 1;
  _WESetStyleRange(6, 11, weDoFace, &bold, we);
  WERuler centred{};
  centred.alignment = 1;
  _WESetRulerRange(6, 11, weDoAlignment, &centred, we);
  std::vector<std::uint8_t> seed(4, 0);
  const OSType flavors[] = {fourcc("WEcf"), fourcc("WEst"), fourcc("WEpf"), fourcc("WEru")};
  for (int i = 0; i < 4; ++i) {
    Handle h = NewHandle(0);
    WEStreamRange(0, kLength, flavors[i], i == 1 ? 0x102 : 2, h, we);
    std::vector<std::uint8_t> bytes = contentof(h);
    bytes.resize((bytes.size() + 3) / 4 * 4, 0);
    seed[std::size_t(i)] = std::uint8_t(std::min<std::size_t>(bytes.size() / 4, 255));
    seed.insert(seed.end(), bytes.begin(), bytes.end());
    DisposeHandle(h);
  }
  WEDispose(we);
  out->push_back(seed);
  return out->size();
}
