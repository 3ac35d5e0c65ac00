// Script handles of new objects, default field-text tails, patterns and colour tables.
#include <gtest/gtest.h>

#include <string>

#include "platform/memory/memory.h"
#include "platform/qd/colors.h"
#include "core/mainglobals.h"
#include "shell/newscript.h"
#include "shell/portroutines.h"
#include "store/records.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

class NewScriptTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    ASSERT_EQ(initglobs(), 0);
  }
  static std::string text(Handle h) {
    return std::string(reinterpret_cast<const char*>(deref(h)), size_t(GetHandleSize(h) - 24));
  }
  static scripttail tail(Handle h) { return loadat<scripttail>(deref(h) + GetHandleSize(h) - 24); }
};

TEST_F(NewScriptTest, TemplatesAndTheTail) {
  MainGlobals& g = mainglobals();
  g.scriptfont = 22;
  g.scriptsize = 10;
  g.scriptstyle = 1;
  Handle empty = newscript(scriptempty);
  ASSERT_EQ(GetHandleSize(empty), 24);
  scripttail t = tail(empty);
  const u16 want[12] = {13, 22, 10, 1, 0, 0, 0, 0, 60, 20, 322, 492};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(u16(t.words.v[i]), want[i]) << i;
  Handle button = newscript(scriptbutton);
  EXPECT_EQ(text(button), "on mouseUp\r\rend mouseUp");
  EXPECT_EQ(u16(tail(button).words.v[4]), 11);
  Handle item = newscript(scriptmenuitem);
  EXPECT_EQ(text(item).substr(0, 8), "on doMen");
  EXPECT_EQ(u16(tail(item).words.v[4]), 14);
  for (Handle h : {empty, button, item}) DisposeHandle(h);
  failallocationafter(1);
  EXPECT_EQ(newscript(scriptbutton), nilhandle);
  failallocationafter(0);
}

TEST_F(NewScriptTest, DefaultTailTakesTheGlobalTextStyle) {
  MainGlobals& g = mainglobals();
  g.textFont = 3;
  g.textSize = 18;
  g.textStyle = 5;
  fieldtail t{-2, -1, 0, 0, 0, 77};
  setdefaultail(&t);
  EXPECT_EQ(u16(t.font), 3);
  EXPECT_EQ(u16(t.size), 18);
  EXPECT_EQ(u16(t.face), 5);
  EXPECT_EQ(i16(t.just), -2);
  EXPECT_EQ(u32(t.color), 77u);
}

TEST_F(NewScriptTest, PatternsAndColourTables) {
  Pattern a{{1, 2, 3, 4, 5, 6, 7, 8}}, b{};
  copypat(&a, &b);
  EXPECT_EQ(a, b);
  Handle clut = nilhandle;
  ASSERT_EQ(getclut(0, 12, &clut), 0);
  EXPECT_EQ(ctablecount(clut), 256);
  DisposeCTable(clut);
}

}  // namespace
}  // namespace kv
