// The script cache: lookups, eviction, marking and the release of paths.
#include <string>
#include <vector>

#include "engine/hier.h"
#include "engine/sendmes.h"
#include "platform/memory/addressspace.h"
#include "platform/memory/memory.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"
#include "core/memoryguard.h"
#include "tests/support/veltrix.h"

namespace kv {
namespace {

class ScriptCacheTest : public VeltrixTest {
 protected:
  // Makes (or finds) the entry of a script under a reference.
  i16 make(std::string_view script, std::string_view reference, hier* out, u16 level = hierobject) {
    Handle h = nilhandle;
    PtrToHand(script.data(), &h, Size(script.size()));
    Str255 ref;
    setpstring(ref, reference);
    i16 st = makehier(h, level, ref, out);
    DisposeHandle(h);
    return st;
  }
  void release(hier& h) { dumphier(hierpath(&h, 1)); }
};

TEST_F(ScriptCacheTest, OneEntryPerScriptWithAUseCount) {
  hier a, b;
  ASSERT_EQ(make("on x\rend x", "button 1", &a), 0);
  ASSERT_EQ(make("ignored: the cached script is used", "BUTTON 1", &b), 0);  // keys ignore case
  EXPECT_EQ(hiercount(), 1);
  EXPECT_EQ(a.creation, b.creation);
  EXPECT_EQ(hierat(0)->usecount, 2);
  EXPECT_EQ(a.firsthandler, 1);
  release(a);
  release(b);
  EXPECT_EQ(hierat(0)->usecount, 0);  // unused, still cached
  hier c;
  ASSERT_EQ(make("other", "button 1", &c, hiercard), 0);  // another level is another entry
  EXPECT_EQ(hiercount(), 2);
  release(c);
}

TEST_F(ScriptCacheTest, TheLeastRecentlyUsedGoesWhenTheCacheIsFull) {
  setscriptcache(8);
  std::vector<hier> used(9);
  for (int i = 0; i < 8; ++i) ASSERT_EQ(make("", "card " + std::to_string(i), &used[size_t(i)]), 0);
  release(used[3]);
  release(used[1]);
  ASSERT_EQ(make("", "card 8", &used[8]), 0);  // over the limit: an unused entry goes
  EXPECT_EQ(hiercount(), 8);
  hier again;
  ASSERT_EQ(make("", "card 3", &again), 0);  // card 1 went; card 3 is still there
  EXPECT_EQ(again.creation, used[3].creation);
  release(again);
  // With every entry in use, a new one leaves the cache one over the limit.
  for (int i = 0; i < 9; ++i)
    if (i != 1 && i != 3) release(used[size_t(i)]);
  for (int i = 0; i < 9; ++i) ASSERT_EQ(make("", "window " + std::to_string(i), &used[size_t(i)]), 0);
  EXPECT_EQ(hiercount(), 9);
  for (hier& h : used) release(h);
}

TEST_F(ScriptCacheTest, MarkedEntriesGoWithTheirLastUser) {
  hier a;
  ASSERT_EQ(make("on x\rend x", "field 2", &a), 0);
  static constexpr u8 ref[] =
      "\x07"
      "field 2";
  markhier(hierobject, ref);
  EXPECT_EQ(hiercount(), 1);  // still used by the path
  hier b;
  ASSERT_EQ(make("new text", "field 2", &b), 0);  // a marked entry is found until it goes
  EXPECT_EQ(b.creation, a.creation);
  release(a);
  EXPECT_EQ(hiercount(), 1);
  release(b);
  EXPECT_EQ(hiercount(), 0);
  hier c;
  ASSERT_EQ(make("", "field 3", &c), 0);
  release(c);
  static constexpr u8 ref3[] =
      "\x07"
      "field 3";
  markhier(hierobject, ref3);  // unused: freed at once
  EXPECT_EQ(hiercount(), 0);
}

TEST_F(ScriptCacheTest, MemoryFailures) {
  hier a;
  setmemoryguardrefusal(true);
  EXPECT_EQ(make("on x\rend x", "button 9", &a), 37);  // made with an empty script
  setmemoryguardrefusal(false);
  EXPECT_EQ(a.firsthandler, -1);
  EXPECT_EQ(GetHandleSize(a.script), 0);
  release(a);
  // A copy that cannot be made leaves no entry and says so.
  hier b{};
  b.level = 99;
  Size count = hiercount();
  Handle h = nilhandle;
  PtrToHand("on y\rend y", &h, 10);
  static constexpr u8 ref[] =
      "\x09"
      "button 10";
  failallocationafter(1);  // the copy of the script
  EXPECT_EQ(makehier(h, hierobject, ref, &b), 37);
  failallocationafter(0);
  DisposeHandle(h);
  EXPECT_EQ(hiercount(), count);
  EXPECT_EQ(b.level, 99);
}

TEST_F(ScriptCacheTest, PathWalksStopAtTheEndOfThePath) {
  // A path whose entries hold no shared-project entry: the search and the release stop at the
  // end of the path.
  std::vector<hier> path(pathentries);
  for (int i = 0; i < pathentries; ++i) ASSERT_EQ(make("", "level " + std::to_string(i), &path[size_t(i)]), 0);
  Handle text = nilhandle;
  Handle atoms = tokens("anything", &text);
  Handle vars = NewHandle(0);
  EXPECT_EQ(sendmes(path, text, atoms, 0, vars, nullptr, sendmescommand), 1);
  DisposeHandle(vars);
  dumphier(path);
  EXPECT_EQ(hierat(0)->usecount, 0);
}

// The memory guard, short of address space, takes unused scripts first; scripts in use stay.
TEST_F(ScriptCacheTest, TheMemoryGuardPurgesUnusedScripts) {
  hier a, b, c;
  ASSERT_EQ(make("", "card 1", &a), 0);
  ASSERT_EQ(make("", "card 2", &b), 0);
  ASSERT_EQ(make("", "card 3", &c), 0);
  release(a);
  release(b);
  setaddressspacemodel([] {
    u64 room = hiercount() <= 2 ? 0x7FFFFFFF : 0;
    return AddressSpace{room, room};
  });
  EXPECT_EQ(nomemory(5000000), 0);
  EXPECT_EQ(hiercount(), 2) << "one round freed enough";
  setaddressspacemodel([] { return AddressSpace{0, 0}; });
  EXPECT_EQ(nomemory(5000000), 1);
  ASSERT_EQ(hiercount(), 1);
  EXPECT_EQ(hierat(0)->usecount, 1) << "the script in use stays";
  release(c);
}

}  // namespace
}  // namespace kv
