// Variable lists: names, creation, lookups through atoms, `it`, and releasing lists.
#include "engine/tokens.h"
#include "engine/variables.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "commands/globals.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/status.h"
#include "engine/tokenizer.h"
#include "platform/memory/memory.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"
#include "core/memoryguard.h"
#include "store/namekey.h"
#include "tests/support/fixture.h"
#include "tests/support/texts.h"
#include "tests/support/owned.h"

namespace kv {
namespace {

using namespace testtexts;

struct PStr {
  Str255 s;
  explicit PStr(std::string_view t) { pstrassign(s, sizeof s, t.data(), t.size()); }
  operator ConstStringPtr() const { return s; }
};

// A tokenised script whose atoms the lookups read and mark.
struct Script {
  Handle text = nilhandle;
  Handle atoms = nilhandle;
  explicit Script(std::string_view source) {
    text = newhand(source);
    EXPECT_EQ(tokenize(text, &atoms), 0);
  }
  ~Script() {
    DisposeHandle(text);
    DisposeHandle(atoms);
  }
  atom* at(int i) { return HandleAs<atom>(atoms) + i; }
};

class VariablesTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    ASSERT_EQ(initglobs(), 0);
    list = NewHandle(0);
  }
  void TearDown() override {
    dumpvars(list);
    RuntimeTest::TearDown();
  }
  // The text of a variable's stored value.
  static std::string valueof(const varentry& e) {
    fred copy = *HandleAs<fred>(e.value);
    Str255 s;
    fredtotext(&copy, s);
    return str(s);
  }
  Size count() const { return HandleCount<varentry>(list); }

  Handle list = nilhandle;
};

TEST_F(VariablesTest, NameRules) {
  for (std::string_view ok : {"x1", "_tmp", "\x80", "on", "me", "unknown", "a-b", "total"})
    EXPECT_EQ(badname(PStr(ok)), 0) << ok;
  for (std::string_view bad : {"1x", "__x", "", "-x", " x", "\xA5x"})
    EXPECT_EQ(badname(PStr(bad)), err::badvariablename) << bad;
  for (std::string_view reserved :
       {"put", "the", "line", "first", "true", "PUT", "and", "is", "if", "end", "length", "name", "short", "empty"})
    EXPECT_EQ(badname(PStr(reserved)), err::reservedword) << reserved;
}

TEST_F(VariablesTest, CreatedVariablesHoldTheEmptyText) {
  varentry e{};
  ASSERT_EQ(lowcreate(PStr("Total"), &e), 0);
  EXPECT_EQ(e.state, varowned);
  EXPECT_EQ(hand(e.name), "Total");
  u32 key = 0;
  getkey(PStr("total"), &key);
  EXPECT_EQ(e.key, key);
  const fred stored = *HandleAs<fred>(e.value);
  EXPECT_EQ(stored.cls, fredworking);
  EXPECT_EQ(stored.type, fredstring);
  EXPECT_EQ(stored.shorttext[0], 0);
  EXPECT_EQ(stored.link, e.value);
  ASSERT_EQ(addvars(list, e), 0);
  EXPECT_EQ(count(), 1);

  varentry nameless{};
  ASSERT_EQ(lowcreate(nullptr, &nameless), 0);
  EXPECT_EQ(nameless.key, 0u);
  EXPECT_EQ(nameless.name, nilhandle);
  ASSERT_EQ(addvars(list, nameless), 0);

  varentry bad{};
  EXPECT_EQ(lowcreate(PStr("repeat"), &bad), err::reservedword);
  EXPECT_EQ(lowcreate(PStr("9lives"), &bad), err::badvariablename);
}

TEST_F(VariablesTest, LookupsMarkTheAtom) {
  Script s("put 1 into Total\rTOTAL");
  atom* name = s.at(3);
  ASSERT_EQ(name->token, tok::unknown);
  varentry e{};
  EXPECT_EQ(findvars(name, s.text, list, &e), err::novariable);
  EXPECT_EQ(name->token, tok::unknown) << "a miss leaves the atom unmarked";

  ASSERT_EQ(createvars(name, s.text, list, &e), 0);
  EXPECT_EQ(count(), 1);
  EXPECT_EQ(hand(e.name), "Total");

  // The same name in another case finds the same variable and marks its atom.
  atom* other = s.at(5);
  varentry found{};
  ASSERT_EQ(findvars(other, s.text, list, &found), 0);
  EXPECT_EQ(found.value, e.value);
  EXPECT_EQ(other->token, tok::variable);
  EXPECT_EQ(u32(other->link), e.key);

  // createvars of an existing variable makes no second one.
  ASSERT_EQ(createvars(other, s.text, list, &found), 0);
  EXPECT_EQ(count(), 1);

  // A marked atom looked up in another handler's list finds that list's variable.
  Handle second = NewHandle(0);
  varentry theirs{};
  ASSERT_EQ(lowcreate(PStr("total"), &theirs), 0);
  ASSERT_EQ(addvars(second, theirs), 0);
  ASSERT_EQ(findvars(other, s.text, second, &found), 0);
  EXPECT_EQ(found.value, theirs.value);
  dumpvars(second);
}

TEST_F(VariablesTest, EqualKeysNeverStandForEqualNames) {
  u32 k1 = 0, k2 = 0;
  getkey(PStr("a5"), &k1);
  getkey(PStr("aq"), &k2);
  EXPECT_EQ(k1, k2);
  getkey(PStr(""), &k1);
  EXPECT_EQ(k1, 0u);

  Script s(
      "a5 aq \x80"
      "b Ab");
  varentry e{};
  ASSERT_EQ(createvars(s.at(0), s.text, list, &e), 0);
  EXPECT_EQ(findvars(s.at(1), s.text, list, &e), err::novariable);
  ASSERT_EQ(createvars(s.at(1), s.text, list, &e), 0);
  EXPECT_EQ(hand(e.name), "aq");
  EXPECT_EQ(count(), 2);
  // Names that differ only in accents share a key but are two variables.
  ASSERT_EQ(createvars(s.at(2), s.text, list, &e), 0);
  EXPECT_EQ(findvars(s.at(3), s.text, list, &e), err::novariable);
  ASSERT_EQ(createvars(s.at(3), s.text, list, &e), 0);
  EXPECT_EQ(count(), 4);
  EXPECT_EQ(hand(e.name), "Ab");
}

TEST_F(VariablesTest, WorkingCopiesWriteBack) {
  Script s("x");
  varentry e{};
  ASSERT_EQ(createvars(s.at(0), s.text, list, &e), 0);
  ASSERT_EQ(findvars(s.at(0), s.text, list, &e), 0);

  fred copy;
  ASSERT_EQ(fastfindvars(s.at(0), s.text, list, &copy), 0);
  EXPECT_EQ(copy.cls, fredworking);
  longtofred(42, &copy);
  disposfred(&copy);
  EXPECT_EQ(valueof(e), "42");

  ASSERT_EQ(fastfindvars(s.at(0), s.text, list, &copy), 0);
  Str255 big;
  setpstring(big, std::string(100, 'z'));
  ASSERT_EQ(stringtofred(big, &copy), 0);
  disposfred(&copy);
  EXPECT_EQ(HandleAs<fred>(e.value)->type, fredhand);
  EXPECT_EQ(hand(HandleAs<fred>(e.value)->text), std::string(100, 'z'));

  OwnedHandle empty(NewHandle(0));
  EXPECT_EQ(fastfindvars(s.at(0), s.text, empty, &copy), err::novariable);
}

TEST_F(VariablesTest, ItIsFoundWhateverItsCase) {
  varentry upper{};
  ASSERT_EQ(lowcreate(PStr("IT"), &upper), 0);
  ASSERT_EQ(addvars(list, upper), 0);
  varentry e{};
  ASSERT_EQ(getitvars(list, &e), 0);
  EXPECT_EQ(e.value, upper.value);
  EXPECT_EQ(count(), 1);

  // Each list gets its own `it`.
  Handle other = NewHandle(0);
  ASSERT_EQ(getitvars(other, &e), 0);
  EXPECT_EQ(HandleCount<varentry>(other), 1);
  EXPECT_EQ(hand(e.name), "it");
  EXPECT_NE(e.value, upper.value);
  dumpvars(other);

  ASSERT_EQ(stringtoit(PStr("hello"), list), 0);
  EXPECT_EQ(valueof(upper), "hello");
  Handle h = newhand(std::string(40, 'q'));
  ASSERT_EQ(handtoit(h, list), 0);
  DisposeHandle(h);
  EXPECT_EQ(hand(HandleAs<fred>(upper.value)->text), std::string(40, 'q'));
  EXPECT_EQ(count(), 1);
}

TEST_F(VariablesTest, DumpingAListLeavesBorrowedGlobalsAlone) {
  // A global as the `global` statement keeps it: in the global list, and copied into the
  // handler's list with a borrowed state.
  varentry g{};
  ASSERT_EQ(lowcreate(PStr("shared"), &g), 0);
  g.state = varborrowed;
  ASSERT_EQ(addvars(mainglobals().globalvars, g), 0);
  Handle handler = NewHandle(0);
  ASSERT_EQ(addvars(handler, g), 0);
  varentry local{};
  ASSERT_EQ(lowcreate(PStr("mine"), &local), 0);
  ASSERT_EQ(addvars(handler, local), 0);

  fred copy = *HandleAs<fred>(g.value);
  Str255 big;
  setpstring(big, std::string(50, 'g'));
  ASSERT_EQ(stringtofred(big, &copy), 0);
  disposfred(&copy);

  std::size_t before = memoryfigures().livehandles;
  dumpvars(handler);
  // The handler list, the local's name and value went; the global's three handles did not.
  EXPECT_EQ(memoryfigures().livehandles, before - 3);
  EXPECT_EQ(hand(g.name), "shared");
  EXPECT_EQ(hand(HandleAs<fred>(g.value)->text), std::string(50, 'g'));

  OwnedFred names;
  ASSERT_EQ(globaltofred(&names), 0);
  EXPECT_EQ(hand(names.text), "shared");
  // The runtime reset releases the global list with its variables (the fixture checks).
}

TEST_F(VariablesTest, GlobalNamesJoinedByCommas) {
  fred names;
  ASSERT_EQ(globaltofred(&names), 0);
  EXPECT_EQ(names.type, fredhand);
  EXPECT_EQ(hand(names.text), "");
  disposfred(&names);
  for (std::string_view n : {"alpha", "Beta", "gamma"}) {
    varentry g{};
    ASSERT_EQ(lowcreate(PStr(n), &g), 0);
    g.state = varborrowed;
    ASSERT_EQ(addvars(mainglobals().globalvars, g), 0);
  }
  ASSERT_EQ(globaltofred(&names), 0);
  EXPECT_EQ(hand(names.text), "alpha,Beta,gamma");
  disposfred(&names);

  setmemoryguardrefusal(true);
  EXPECT_EQ(globaltofred(&names), err::nomemory);
  setmemoryguardrefusal(false);
  EXPECT_EQ(names.cls, fredtemp);
  Str255 s;
  fredtostring(&names, s);
  EXPECT_EQ(str(s), "");
  disposfred(&names);
}

TEST_F(VariablesTest, CreationThatCannotGrowTheListFails) {
  Script s("fresh");
  varentry e{};
  e.value = 12345;
  std::size_t before = memoryfigures().livehandles;
  failallocationafter(3);  // the name, the value, then the list's growth fails
  EXPECT_EQ(createvars(s.at(0), s.text, list, &e), err::nomemory);
  failallocationafter(0);
  EXPECT_EQ(count(), 0);
  EXPECT_EQ(e.value, 12345u) << "no entry is handed out";
  EXPECT_EQ(memoryfigures().livehandles, before) << "nothing is left behind";

  setmemoryguardrefusal(true);
  EXPECT_EQ(getitvars(list, &e), err::nomemory);
  setmemoryguardrefusal(false);
  EXPECT_EQ(count(), 0);
  EXPECT_EQ(memoryfigures().livehandles, before);

  // The value handle is needed; the name may be missing.
  failallocationafter(2);
  EXPECT_EQ(lowcreate(PStr("v"), &e), err::nomemory);
  failallocationafter(1);
  ASSERT_EQ(lowcreate(PStr("v"), &e), 0);
  failallocationafter(0);
  EXPECT_EQ(e.name, nilhandle);
  EXPECT_NE(e.value, nilhandle);
  ASSERT_EQ(addvars(list, e), 0);
  EXPECT_EQ(memoryfigures().livehandles, before + 1);
}

TEST_F(VariablesTest, UserPropertyLookup) {
  i16 index = -1;
  EXPECT_EQ(findprop(nilhandle, &index, PStr("x")), 0);
  // Entries of 12 bytes: name key, name handle, value handle.
  std::vector<Handle> owned;
  OwnedHandle props(NewHandle(0));
  for (std::string_view n : {"colour", "Size", "a5"}) {
    u32 entry[3] = {0, newhand(n), newhand("v")};
    getkey(PStr(n), &entry[0]);
    owned.push_back(entry[1]);
    owned.push_back(entry[2]);
    ASSERT_EQ(PtrAndHand(entry, props, sizeof entry), noErr);
  }
  EXPECT_EQ(findprop(props, &index, PStr("SIZE")), 1);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(findprop(props, &index, PStr("a5")), 1);
  EXPECT_EQ(index, 2);
  EXPECT_EQ(findprop(props, &index, PStr("aq")), 0);
  EXPECT_EQ(findprop(props, &index, PStr("colou")), 0);
  for (Handle h : owned) DisposeHandle(h);
}

}  // namespace
}  // namespace kv
