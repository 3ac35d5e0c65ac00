#include "tests/store/reftestsupport.h"

#include <gtest/gtest.h>

#include "engine/tokenizer.h"
#include "platform/memory/memory.h"
#include "shell/commandline.h"
#include "core/mainglobals.h"
#include "store/fieldtext.h"
#include "store/objects.h"
#include "store/recordcache.h"
#include "store/starfile.h"
#include "tests/support/holds.h"

namespace kv {

using testproject::Background;
using testproject::Card;
using testproject::Object;
using testproject::Project;
using testproject::Window;

namespace {

Object button(std::string name) {
  Object o;
  o.kind = Object::button;
  o.name = std::move(name);
  return o;
}

Object field(std::string name, std::string text = "") {
  Object o;
  o.kind = Object::field;
  o.name = std::move(name);
  o.text = std::move(text);
  return o;
}

Card card(std::string name, size_t background, std::vector<Object> objects = {},
          std::map<std::string, std::string> texts = {}) {
  Card c;
  c.name = std::move(name);
  c.background = background;
  c.objects = std::move(objects);
  c.fieldtexts = std::move(texts);
  return c;
}

// A window of n cards on one background whose field "F" holds "<prefix> <card number>".
Window counted(std::string name, int n, const std::string& prefix) {
  Window w;
  w.name = std::move(name);
  w.backgrounds.push_back(Background{"Only", "", {field("F")}});
  for (int i = 1; i <= n; ++i) w.cards.push_back(card("", 0, {}, {{"F", prefix + " " + std::to_string(i)}}));
  return w;
}

}  // namespace

void ReferenceTest::SetUp() {
  WindowTest::SetUp();
  path_.assign(pathentries, hier{});
}

void ReferenceTest::TearDown() {
  // Whatever a test read it gave back: the open projects hold what they held after openmain.
  if (checkholds_ && !HasFatalFailure()) {
    EXPECT_EQ(holds(), baseline_) << "a reference kept a record held";
  }
  dumphier(path_);
  WindowTest::TearDown();
}

Project ReferenceTest::mainproject() {
  Project p;
  Window w;
  w.name = "Main";
  w.backgrounds.push_back(Background{"Plain", "", {field("Title", "untitled"), button("Bk")}});
  w.backgrounds.push_back(Background{"Fancy", "", {field("Other")}});
  w.backgrounds.push_back(Background{"Third", "", {field("T3")}});
  std::vector<Object> first{button("Go"), button("b1"), field("Notes", "one notes")};
  for (int i = 2; i <= 13; ++i) first.push_back(button("b" + std::to_string(i)));
  std::vector<Object> second;
  for (int i = 1; i <= 13; ++i) second.push_back(button(i == 3 ? "12" : "b" + std::to_string(i)));
  w.cards = {card("One", 0, first, {{"Title", "first title"}}),
             card("Two", 0, second, {{"Title", "second title"}}),
             card("Three", 1),
             card("Four", 2, {}, {{"T3", "third text"}}),
             card("Five", 0, {field("Notes", "five notes")}),
             card("Six", 2),
             card("Seven", 2),
             card("Eight", 1, {field("Notes")}),
             card("Nine", 0, {}, {{"Title", "ninth"}}),
             card("Ten", 0)};
  p.windows = {w, counted("Four", 4, "four"), counted("Five", 5, "five")};
  p.windows[1].cards[0].objects.push_back(field("Notes", "four notes"));
  p.menus = {testproject::Menu{"File", "", {{"New", ""}, {"Save", ""}, {"Quit", ""}}},
             testproject::Menu{"Edit", "", {}}};
  return p;
}

void ReferenceTest::openmain() {
  if (!built_) build(mainproject());
  built_ = true;
  ASSERT_EQ(open("p.kv45"), 0);
  baseline_ = holds();
  checkholds_ = true;
}

void ReferenceTest::buildmain(const testproject::Project& p) {
  build(p);
  built_ = true;
}

void ReferenceTest::buildother() {
  Project p;
  Window w;
  w.name = "Other";
  w.backgrounds.push_back(Background{"B", "", {field("Text")}});
  w.cards = {card("Alpha", 0, {}, {{"Text", "alpha text"}}), card("Beta", 0, {}, {{"Text", "beta text"}})};
  p.windows = {w};
  build(p, "other.kv45");
}

void ReferenceTest::closeall() {
  closeallwindows();
  checkholds_ = false;
}

std::string ReferenceTest::path(std::string_view name) { return home->path() + "/" + std::string(name); }

i16 ReferenceTest::read(std::string_view words, objread* obj, i32* used) {
  *obj = objread{};
  Handle text = nilhandle;
  Handle atoms = tokens(words, &text);
  i32 n = 0;
  i16 st = readobj(path_, text, atoms, 0, mainglobals().globalvars, &n, obj);
  if (used) *used = n;
  return st;
}

i16 ReferenceTest::scan(std::string_view words, objread* obj, i32* used, std::string_view me) {
  *obj = objread{};
  Handle text = nilhandle;
  Handle atoms = tokens(words, &text);
  Handle descriptor = nilhandle;
  PtrToHand(me.data(), &descriptor, Size(me.size()));
  std::vector<hier> path(pathentries, hier{});
  path[0].descriptor = descriptor;
  i32 n = 0;
  i16 st = scanobj(path, text, atoms, 0, mainglobals().globalvars, &n, obj);
  DisposeHandle(descriptor);
  if (used) *used = n;
  return st;
}

std::string ReferenceTest::spotname(const objread& obj) {
  spot s = spotat(obj.objects, obj.objindex);
  Handle name = s.name;
  if (name == nilhandle) return "";
  return std::string(reinterpret_cast<const char*>(deref(name)), size_t(GetHandleSize(name)));
}

std::string ReferenceTest::cardname(const objread& obj) {
  Handle name = loadat<cardrec>(deref(obj.d.card)).name;
  if (name == nilhandle) return "";
  return std::string(reinterpret_cast<const char*>(deref(name)), size_t(GetHandleSize(name)));
}

void ReferenceTest::setspottext(const objread& obj, std::string_view text) {
  spot s = spotat(obj.objects, obj.objindex);
  Handle data = s.data;
  fieldtail tail = fieldtextail(deref(data), GetHandleSize(data));
  ASSERT_EQ(setfieldtext(data, nullptr, 0, text.data(), i32(text.size()), tail), noErr);
}

std::string ReferenceTest::partname(std::string_view words) {
  objread obj{};
  if (i16 st = read(words, &obj)) return "error " + std::to_string(st);
  std::string name = spotname(obj);
  writeobj(&obj);
  return name;
}

u32 ReferenceTest::cardnumber(std::string_view words) {
  objread obj{};
  if (read(words, &obj) != 0) return 0;
  u32 n = obj.d.cardnum;
  writeobj(&obj);
  return n;
}

u64 ReferenceTest::holds() { return recordholds(); }

u32 ReferenceTest::openprojects() { return openprojectcount(); }

std::string ReferenceTest::backfieldtext(i32 index) {
  spot s = spotat(current().backspots, index);
  Handle data = s.data;
  Size size = GetHandleSize(data);
  u16 runs = loadat<u16>(deref(data));
  Size start = 2 + 20 * Size(runs);
  return std::string(reinterpret_cast<const char*>(deref(data)) + start, size_t(size - start - 14));
}

u32 ReferenceTest::goid() { return spotat(current().cardspots, 0).id; }

}  // namespace kv
