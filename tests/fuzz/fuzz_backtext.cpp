// Hands arbitrary bytes to a background as a card's background texts, as its kind-200 extras or
// as its kind-201 hilites, or reads them as one stored field text. Whatever the lengths inside
// say, nothing is read outside its block, every field ends with a whole stored text, and what
// the background then gives back goes round again unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/fred.h"
#include "platform/memory/memory.h"
#include "store/backtext.h"
#include "store/fieldtext.h"
#include "store/objects.h"
#include "store/records.h"
#include "tests/fuzz/fuzzcheck.h"

namespace {

using namespace kv;

Handle handleof(const std::uint8_t* data, std::size_t size) {
  Handle h = nilhandle;
  check(PtrToHand(data, &h, Size(size)) == noErr);
  return h;
}

spot object(u16 kind, u16 style, u32 id, u32 flags) {
  spot s{};
  defaultspot(s);
  s.kind = kind;
  s.style = style;
  s.id = id;
  s.flags = s.flags | flags;
  return s;
}

// A background with fields of every style the texts treat differently and two buttons whose
// hilite is kept per card. Ids are small so that arbitrary bytes name them now and then.
Handle background() {
  Handle list = NewHandle(0);
  const spot objects[] = {
      object(spotfield, stylefieldrect, 1, 0),
      object(spotfield, stylefieldscroll, 2, 0),
      object(spotfield, stylefieldlist, 3, 0),
      object(spotbutton, 200, 4, spotunsharedhilite),
      object(spotbutton, 203, 5, spotunsharedhilite | spotplatformcontrol),
      object(spotfield, 304, 0, 0),
  };
  for (const spot& s : objects) PtrAndHand(&s, list, sizeof s);
  return list;
}

void checkfieldtexts(Handle list) {
  for (i32 i = 0; i < spotcount(list); ++i) {
    spot s = spotat(list, i);
    if (!isfield(s)) continue;
    check(measurefieldtext(s.data).whole);
    fred v;
    check(datatotext(s.data, &v) == 0);
    check(getfredsize(&v) == measurefieldtext(s.data).textlength);
    disposfred(&v);
  }
}

// The packed form of each styled field's alt list, to compare rounds.
std::vector<std::vector<std::uint8_t>> extrasof(Handle list) {
  Handle alt = nilhandle;
  getbacktextextras(list, &alt);
  std::vector<std::vector<std::uint8_t>> v = {contentof(getaltdata(alt, altbackextras)),
                                              contentof(getaltdata(alt, altunsharedhilites))};
  dumpalt(alt);
  return v;
}

void backtextround(const std::uint8_t* data, std::size_t size) {
  Handle list = background();
  Handle backtext = handleof(data, size);
  putbacktext(list, backtext);
  checkfieldtexts(list);
  Handle again = NewHandle(0);
  check(getbacktext(list, again) == noErr);
  std::vector<std::uint8_t> once = contentof(again);
  putbacktext(list, again);
  check(getbacktext(list, again) == noErr);
  check(contentof(again) == once);
  check(cleanbacktext(backtext, backtext) == noErr);
  Handle clean = NewHandle(0);
  putbacktext(list, backtext);
  check(getbacktext(list, clean) == noErr);
  for (i32 i = 0; i < spotcount(list); ++i)
    check(!isfield(spotat(list, i)) || measurefieldtext(spotat(list, i).data).textlength == 0);
  DisposeHandle(clean);
  DisposeHandle(again);
  DisposeHandle(backtext);
  dumpspot(list);
}

void extrasround(u32 kind, const std::uint8_t* data, std::size_t size) {
  Handle list = background();
  Handle cardalt = NewHandle(0);
  alt a{kind, hfield{handleof(data, size)}};
  check(PtrAndHand(&a, cardalt, sizeof a) == noErr);
  check(putbacktextextras(list, cardalt) == 0);
  std::vector<std::vector<std::uint8_t>> once = extrasof(list);
  Handle stored = nilhandle;
  check(getbacktextextras(list, &stored) == 0);
  check(putbacktextextras(list, stored) == 0);
  check(extrasof(list) == once);
  dumpalt(stored);
  dumpalt(cardalt);
  dumpspot(list);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 1 << 20) return 0;
  setmemorybudget(64u << 20);
  switch (data[0] % 4) {
    case 0: backtextround(data + 1, size - 1); break;
    case 1: extrasround(altbackextras, data + 1, size - 1); break;
    case 2: extrasround(altunsharedhilites, data + 1, size - 1); break;
    default: {
      Handle h = handleof(data + 1, size - 1);
      fieldtextlayout l = measurefieldtext(h);
      check(!l.whole || i64(l.textoffset) + l.textlength + kFieldTailSize == GetHandleSize(h));
      fred v;
      check(datatotext(h, &v) == 0);
      disposfred(&v);
      DisposeHandle(h);
      break;
    }
  }
  check(memoryfigures().badhandleuses == 0);
  check(memoryfigures().livehandles == 0);
  return 0;
}

// Seeds: a background's texts, extras and hilites as the store writes them.
extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  Handle list = background();
  for (i32 i = 0; i < spotcount(list); ++i) {
    spot s = spotat(list, i);
    if (isfield(s)) {
      stylerun runs[2] = {};
      runs[1].start = 3;
      runs[1].font = 22;
      Handle text = NewHandle(0);
      setfieldtext(text, runs, u16(i % 3), "some text", 9, defaultfieldtail());
      s.data = text;
      Handle alts = NewHandle(0);
      alt a{altwecf, hfield{NewHandleClear(12)}};
      PtrAndHand(&a, alts, sizeof a);
      s.alt = alts;
    } else {
      s.flags = s.flags | spothilite;
    }
    putspot(list, i, s);
  }
  auto add = [out](std::uint8_t mode, Handle h) {
    std::vector<std::uint8_t> v = contentof(h);
    v.insert(v.begin(), mode);
    out->push_back(v);
  };
  Handle backtext = NewHandle(0);
  getbacktext(list, backtext);
  add(0, backtext);
  Handle cardalt = nilhandle;
  getbacktextextras(list, &cardalt);
  add(1, getaltdata(cardalt, altbackextras));
  add(2, getaltdata(cardalt, altunsharedhilites));
  add(3, spotat(list, 0).data);
  DisposeHandle(backtext);
  dumpalt(cardalt);
  dumpspot(list);
  return out->size();
}
