// Inserted scripts: the front and back slot sets, their order in every message path, the
// commands that empty them, `the frontScripts` and `the backScripts`, and the refresh of slots
// whose object changed its script.
#include <string>
#include <vector>

#include "engine/hier.h"
#include "engine/insertscripts.h"
#include "engine/objectsend.h"
#include "platform/memory/memory.h"
#include "platform/testing/answers.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"
#include "core/runservices.h"
#include "store/objects.h"
#include "store/objread.h"
#include "tests/support/dispatch.h"

namespace kv {
namespace {

class InsertScriptsTest : public DispatchTest {
 protected:
  void SetUp() override {
    DispatchTest::SetUp();
    build(logproject());
    ASSERT_EQ(open(), 0);
    clearglobals();
  }
  // A descriptor of a button of the current card, as a reference reads it.
  objread button(std::string_view name) {
    objread r{};
    r.kind = objpart;
    r.d = current();
    r.objects = current().cardspots;
    r.objindex = i16(spotindex(r.objects, name));
    r.ownerrecid = current().cardrecid;
    EXPECT_GE(r.objindex, 0) << name;
    return r;
  }
  i16 insert(std::string_view name, u16 set = slotsfront) { return usingscript(set, button(name), 1); }
  // The reference text of a slot (empty for an empty slot).
  static std::string slottext(u16 set, size_t index) {
    const hier& h = slotset(set)[index];
    if (h.level == hierempty || h.descriptor == nilhandle) return "";
    return std::string(reinterpret_cast<const char*>(deref(h.descriptor)), size_t(GetHandleSize(h.descriptor)));
  }
  std::string buttontext(std::string_view name) {
    objread r = button(name);
    Handle script = nilhandle;
    u16 level = 0;
    Str255 text;
    EXPECT_TRUE(objectlevel(r, &script, &level, text));
    return std::string(pstringview(text));
  }
  // Deletes a button of the current card, as the store's deletion does: the object goes from
  // its list and the cache entry under its text is marked.
  void deletebutton(std::string_view name) {
    std::string text = buttontext(name);
    Handle list = current().cardspots;
    i32 i = spotindex(list, name);
    spot s = spotat(list, i);
    for (Handle h : {Handle(s.name), Handle(s.script), Handle(s.data)})
      if (h != nilhandle) DisposeHandle(h);
    // Drawing the card gave the button a user property (the font of its control).
    if (s.uprops != nilhandle) dumprop(s.uprops);
    Munger(list, i32(i) * i32(sizeof(spot)), nullptr, i32(sizeof(spot)), "", 0);
    Str255 ref;
    setpstring(ref, text);
    markhier(hierobject, ref);
  }
  i16 clickT() {
    const desk& d = current();
    return spotsend(sendnormal, d.cardspots, spotindex(d.cardspots, "T"), "mouseUp", d.window);
  }
  // Gives a button of the current card a new script, as the store's setters do: the record
  // changes and the cache entry under the object's text is marked.
  void setscriptof(std::string_view name, const std::string& script) {
    i32 i = spotindex(current().cardspots, name);
    spot s = spotat(current().cardspots, i);
    std::string text = testproject::scripttext(script);
    Handle h = nilhandle;
    ASSERT_EQ(PtrToHand(text.data(), &h, Size(text.size())), noErr);
    u8 tail[24] = {};
    PtrAndHand(tail, h, 24);
    if (Handle old = s.script; old != nilhandle) DisposeHandle(old);
    s.script = h;
    putspot(current().cardspots, i, s);
    Str255 ref;
    setpstring(ref, buttontext(name));
    markhier(hierobject, ref);
  }
};

// Acceptance: A, B and C inserted into front stand in slots 5, 4 and 3; mouseUp reaches C, B,
// A, then the target. A seventh insert does nothing; inserting A twice keeps one copy; the
// frontScripts of an empty set is empty, and so it is after `remove all scripts from front`.
TEST_F(InsertScriptsTest, FrontScriptsAreSearchedNewestFirstBeforeTheTarget) {
  EXPECT_EQ(cardvalue("the frontScripts"), "");
  ASSERT_EQ(insert("A"), 0);
  ASSERT_EQ(insert("B"), 0);
  ASSERT_EQ(insert("C"), 0);
  EXPECT_EQ(slottext(slotsfront, 5), buttontext("A"));
  EXPECT_EQ(slottext(slotsfront, 4), buttontext("B"));
  EXPECT_EQ(slottext(slotsfront, 3), buttontext("C"));
  EXPECT_EQ(slottext(slotsfront, 2), "");
  ASSERT_EQ(clickT(), 0);
  EXPECT_EQ(log(), "C,B,A,btn,card,");

  ASSERT_EQ(insert("A"), 0);
  EXPECT_EQ(slottext(slotsfront, 2), "") << "a script already in the set is not inserted again";
  for (const char* name : {"D", "E", "F"}) ASSERT_EQ(insert(name), 0);
  ASSERT_EQ(insert("G"), 0) << "a full set ignores the insert without an error";
  std::string listed = cardvalue("the frontScripts");
  std::string expected;
  for (const char* name : {"F", "E", "D", "C", "B", "A"}) expected += buttontext(name) + "\r";
  EXPECT_EQ(listed, expected);

  ASSERT_EQ(doline("remove all scripts from front"), 0);
  EXPECT_EQ(cardvalue("the frontScripts"), "");
  clearglobals();
  ASSERT_EQ(clickT(), 0);
  EXPECT_EQ(log(), "btn,card,");
}

TEST_F(InsertScriptsTest, BackScriptsComeAfterTheProjectAndRemovingOneMovesTheOthersUp) {
  ASSERT_EQ(insert("A", slotsback), 0);
  ASSERT_EQ(insert("B", slotsback), 0);
  ASSERT_EQ(insert("C", slotseditfront), 0);
  ASSERT_EQ(cardsend("ping", sendnormal, current().window), 0);
  EXPECT_EQ(log(), "card,bg,window,project,") << "the project keeps ping";
  clearglobals();
  ASSERT_EQ(clickT(), 0);
  EXPECT_EQ(log(), "C,btn,card,") << "the editor front set comes first of all";
  EXPECT_EQ(cardvalue("the backScripts"), buttontext("B") + "\r" + buttontext("A") + "\r");
  EXPECT_EQ(cardvalue("the frontScripts"), "") << "the editor sets are not listed";

  ASSERT_EQ(usingscript(slotsback, button("B"), 0), 0);
  EXPECT_EQ(slottext(slotsback, 5), buttontext("A"));
  EXPECT_EQ(slottext(slotsback, 4), "");
  ASSERT_EQ(usingscript(slotsback, button("B"), 0), 0) << "removing a script not in the set is no error";
  EXPECT_EQ(slottext(slotsback, 5), buttontext("A"));
  ASSERT_EQ(usingscript(slotsback, button("A"), 0), 0);
  EXPECT_EQ(cardvalue("the backScripts"), "");
  ASSERT_EQ(doline("remove all scripts from editor front"), 0);
  EXPECT_EQ(slottext(slotseditfront, 3), "");
}

TEST_F(InsertScriptsTest, TheCommandsNameTheirWordsOrFail) {
  std::vector<std::pair<const char*, i16>> cases = {
      {"remove all scripts front", 46},         {"remove all scripts from sideways", 2},
      {"remove all scripts from front now", 2}, {"insert script into front", 5},
      {"remove script button 1 from front", 5},
  };
  for (auto& [line, status] : cases) {
    queueanswer(Answer{"alert", "Cancel", {}});
    EXPECT_EQ(doline(line), status) << line;
  }
}

TEST_F(InsertScriptsTest, ARemovedSlotIsNotSearchedByAPathBuiltBeforeTheRemoval) {
  // A's handler empties the back set while the path that holds B's copy is being searched.
  setscriptof("A",
              "on zap\n  global log\n  put \"A,\" after log\n  remove all scripts from back\n"
              "  pass zap\nend zap");
  setscriptof("B", "on zap\n  global log\n  put \"B,\" after log\nend zap");
  ASSERT_EQ(insert("A"), 0);
  ASSERT_EQ(insert("B", slotsback), 0);
  clearglobals();
  // B's copy was taken again when the search reached it: empty by then, so nobody keeps zap.
  queueanswer(Answer{"alert", "Cancel", {}});
  EXPECT_EQ(cardsend("zap", sendnormal, current().window), 1);  // no command of that name
  EXPECT_EQ(log(), "A,");
}

TEST_F(InsertScriptsTest, ARunningScriptsSlotIsNotRemoved) {
  setscriptof("A",
              "on mouseUp\n  global log\n  put \"A,\" after log\n  remove all scripts from front\n"
              "  pass mouseUp\nend mouseUp");
  ASSERT_EQ(insert("A"), 0);
  ASSERT_EQ(insert("B"), 0);
  ASSERT_EQ(clickT(), 0);
  EXPECT_EQ(log(), "B,A,btn,card,");
  EXPECT_EQ(slottext(slotsfront, 5), buttontext("A")) << "the running script keeps its slot";
  EXPECT_EQ(slottext(slotsfront, 4), "");
}

// Acceptance (first half): with refreshInsertedScripts false, an inserted object's new script
// does not reach its slot.
TEST_F(InsertScriptsTest, WithoutRefreshAChangedScriptKeepsTheOldOneInItsSlot) {
  mainglobals().refreshInsertedScripts = 0;
  ASSERT_EQ(insert("A"), 0);
  setscriptof("A", "on mouseUp\n  global log\n  put \"new A,\" after log\n  pass mouseUp\nend mouseUp");
  passreset();
  ASSERT_EQ(clickT(), 0);
  EXPECT_EQ(log(), "A,btn,card,");
}

// Acceptance (second half): with refreshInsertedScripts true, a changed script's slot is rebuilt
// at the next per-pass reset, and the slot of an inserted object that was deleted is dropped.
TEST_F(InsertScriptsTest, WithRefreshChangedScriptsAreRebuiltAndDeletedObjectsDropped) {
  mainglobals().refreshInsertedScripts = 1;
  ASSERT_EQ(doline("insert script of card button \"A\" into front"), 0);
  ASSERT_EQ(doline("insert script of card button \"B\" into front"), 0);
  setscriptof("A", "on mouseUp\n  global log\n  put \"new A,\" after log\n  pass mouseUp\nend mouseUp");
  ASSERT_EQ(clickT(), 0);
  EXPECT_EQ(log(), "B,A,btn,card,") << "until the next pass the slot keeps the old script";
  passreset();
  clearglobals();
  ASSERT_EQ(clickT(), 0);
  EXPECT_EQ(log(), "B,new A,btn,card,");

  deletebutton("B");
  passreset();
  EXPECT_EQ(cardvalue("the frontScripts"), buttontext("A") + "\r");
  EXPECT_EQ(slottext(slotsfront, 5), buttontext("A"));
  EXPECT_EQ(slottext(slotsfront, 4), "");
}

TEST_F(InsertScriptsTest, TheCommandsReadTheirObjectAndSet) {
  ASSERT_EQ(doline("insert script of card button \"A\" into front"), 0);
  ASSERT_EQ(doline("insert the script in this card into back"), 0);
  ASSERT_EQ(doline("insert script of this window into editor back"), 0);
  EXPECT_EQ(slottext(slotsfront, 5), buttontext("A"));
  EXPECT_EQ(slotset(slotsback)[5].level, hiercard);
  EXPECT_EQ(slotset(slotseditback)[3].level, hierwindow);
  clearglobals();
  ASSERT_EQ(clickT(), 0);
  EXPECT_EQ(log(), "A,btn,card,");
  ASSERT_EQ(doline("remove script of card button \"A\" from front"), 0);
  EXPECT_EQ(cardvalue("the frontScripts"), "");
  queueanswer(Answer{"alert", "Cancel", {}});
  EXPECT_EQ(doline("insert script of card button \"A\" onto front"), 114);
  queueanswer(Answer{"alert", "Cancel", {}});
  EXPECT_EQ(doline("remove script of card button \"A\" into front"), 46);
  queueanswer(Answer{"alert", "Cancel", {}});
  EXPECT_EQ(doline("insert script of card button \"Nobody\" into front"), 11);
  queueanswer(Answer{"alert", "Cancel", {}});
  EXPECT_EQ(doline("insert script of card button \"A\" into middle"), 2);
}

}  // namespace
}  // namespace kv
