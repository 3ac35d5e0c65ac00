#include "tests/properties/proptest.h"

#include <cstring>

#include "fields/imageimport.h"
#include "platform/memory/memory.h"
#include "platform/testing/answers.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"
#include "store/namekey.h"
#include "store/objects.h"
#include "store/recordcache.h"

namespace kv {

namespace {

i32 indexin(Handle list, std::string_view name) {
  for (i32 i = 0, n = spotcount(list); i < n; ++i) {
    spot s = spotat(list, i);
    if (s.name == nilhandle) continue;
    if (std::string_view(reinterpret_cast<const char*>(deref(s.name)), size_t(GetHandleSize(s.name))) == name) return i;
  }
  return -1;
}

}  // namespace

testproject::Project PropertyTest::project() {
  using namespace testproject;
  Project p;
  Window main;
  main.name = "Main";
  Background plain;
  plain.name = "Plain";
  Object title;
  title.kind = Object::field;
  title.name = "Title";
  title.text = "a title";
  Object bk;
  bk.kind = Object::button;
  bk.name = "Bk";
  plain.objects = {title, bk};
  main.backgrounds = {plain};
  Card one;
  one.name = "One";
  one.script =
      "function readvar\nput \"color\" into v\nreturn the v of card button 1\nend readvar\n"
      "on numberof\nglobal n\nput the number of card button \"Two\" into n\nend numberof";
  Object go;
  go.name = "Go";
  go.script = "on mouseUp\nbeep\nend mouseUp";
  go.rect = Rect{10, 10, 40, 110};
  Object two;
  two.name = "Two";
  two.rect = Rect{50, 20, 80, 120};
  Object box;
  box.kind = Object::graphic;
  box.name = "Box";
  box.rect = Rect{100, 30, 140, 90};
  Object line;
  line.kind = Object::graphic;
  line.name = "Line";
  line.style = 103;
  line.rect = Rect{200, 30, 240, 90};
  Object notes;
  notes.kind = Object::field;
  notes.name = "Notes";
  notes.text = "first line\nsecond line";
  one.objects = {go, two, box, line, notes};
  Card cardtwo;
  cardtwo.name = "Two";
  Card three;
  three.name = "Three";
  main.cards = {one, cardtwo, three};
  Window other;
  other.name = "Other";
  other.backgrounds = {Background{"Back", "", {}}};
  Card only;
  only.name = "Only";
  other.cards = {only};
  p.windows = {main, other};
  Menu file;
  file.name = "File";
  file.items = {MenuItem{"New", ""}, MenuItem{"Quit", ""}};
  p.menus = {file};
  return p;
}

void PropertyTest::SetUp() {
  WindowTest::SetUp();
  build(project());
  ASSERT_EQ(open(), 0);
}

i16 PropertyTest::setline(std::string_view line) {
  queueanswer(Answer{"alert", "Cancel", {}});
  i16 st = doline(line);
  clearanswers();
  return st;
}

i32 PropertyTest::cardindex(std::string_view name) { return indexin(mainglobals().current.cardspots, name); }
i32 PropertyTest::backindex(std::string_view name) { return indexin(mainglobals().current.backspots, name); }

spot PropertyTest::cardspot(std::string_view name) {
  i32 i = cardindex(name);
  EXPECT_GE(i, 0) << name;
  return spotat(mainglobals().current.cardspots, i);
}

void PropertyTest::putcardspot(std::string_view name, const spot& s) {
  i32 i = cardindex(name);
  ASSERT_GE(i, 0) << name;
  putspot(mainglobals().current.cardspots, i, s);
}

void PropertyTest::addprop(Handle* list, std::string_view name, std::string_view value) {
  if (*list == nilhandle) *list = NewHandle(0);
  Str255 s{};
  pstrassign(s, sizeof s, name.data(), name.size());
  uprop e{};
  u32 key = 0;
  getkey(s, &key);
  Handle n = nilhandle, v = nilhandle;
  ASSERT_EQ(PtrToHand(name.data(), &n, Size(name.size())), noErr);
  ASSERT_EQ(PtrToHand(value.data(), &v, Size(value.size())), noErr);
  e.key = key;
  e.name = n;
  e.value = v;
  ASSERT_EQ(PtrAndHand(&e, *list, sizeof e), noErr);
}

void PropertyTest::addcardprop(std::string_view object, std::string_view name, std::string_view value) {
  spot s = cardspot(object);
  Handle list = s.uprops;
  addprop(&list, name, value);
  s.uprops = list;
  putcardspot(object, s);
}

bool PropertyTest::changed(u32 recid) {
  u16 flag = 0;
  EXPECT_EQ(testvir(mainglobals().current.store, i32(recid), &flag), 0);
  return flag != 0;
}

std::string PropertyTest::projectpath() const { return home->path() + "/p.kv45"; }

std::vector<u8> PropertyTest::importedpng(const std::vector<u8>& png) {
  Handle data = nilhandle;
  EXPECT_EQ(PtrToHand(png.data(), &data, Size(png.size())), noErr);
  PicHandle pic = nilhandle;
  EXPECT_EQ(importimagedata(data, fourcc("PNGf"), &pic), 0);
  std::vector<u8> out(std::size_t(GetHandleSize(pic)));
  std::memcpy(out.data(), deref(pic), out.size());
  DisposeHandle(pic);
  return out;
}

}  // namespace kv
