// Field settings of text records, scrolling a field's record, the clipboard's change count and
// grouped text drawn with its grey line.
#include <gtest/gtest.h>

#include <string>

#include "fields/fieldview.h"
#include "platform/backend/headless.h"
#include "platform/qd/ports.h"
#include "platform/qd/qdtext.h"
#include "platform/qd/shapes.h"
#include "platform/windows/windows.h"
#include "platform/testing/driver.h"
#include "core/mainglobals.h"
#include "shell/textentry.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "tests/support/eventloop.h"

namespace kv {
namespace {

using testproject::Object;

class TextEntryTest : public EventLoopTest {
 protected:
  void SetUp() override {
    EventLoopTest::SetUp();
    testproject::Project p = project();
    std::string lines;
    for (int i = 1; i <= 40; ++i) lines += "line " + std::to_string(i) + "\r";
    p.windows[0].cards[0].objects = {
        Object{.kind = Object::field, .name = "Long", .text = lines, .rect = {60, 100, 120, 300}, .style = 301},
        Object{.kind = Object::field, .name = "Short", .text = "one", .rect = {130, 100, 230, 300}}};
    ASSERT_EQ(openproject(p), 0);
    settle();
  }
  static spot field(i16 index) { return spotat(mainglobals().current.cardspots, index); }
  // The scroll of a field's record: its view's top less its destination's (the top margin
  // taken out).
  static i32 scrolled(const spot& s) {
    const WEReference we = livefield(s);
    LongRect view{}, dest{};
    WEGetViewRect(&view, we);
    WEGetDestRect(&dest, we);
    Rect margins{};
    fldmargins(s, &margins);
    return view.top - (dest.top - margins.top);
  }
};

// Acceptance: weconfigure's bits and properties; the flags of no record.
TEST_F(TextEntryTest, ConfiguringARecord) {
  const WEReference we = livefield(field(1));
  ASSERT_TRUE(isvalidwerec(we));
  weconfigure(1, 1, 0, we);
  EXPECT_EQ(GetDontWrapFlag(we), 1u);
  EXPECT_EQ(GetScrollBarFlag(we), 1u);
  EXPECT_EQ(GetAllowObjectsFlag(we), 0u);
  u32 dont = 0, ftyp = 0;
  EXPECT_EQ(WEGetProperty(fourcc("VIZU"), fourcc("dont"), sizeof dont, nullptr, &dont, we), noErr);
  EXPECT_EQ(WEGetProperty(fourcc("VIZU"), fourcc("ftyp"), sizeof ftyp, nullptr, &ftyp, we), noErr);
  EXPECT_EQ(dont, 1u);
  EXPECT_EQ(ftyp, 1u);
  weconfigure(0, 0, 1, we);
  EXPECT_EQ(GetScrollBarFlag(we), 0u);
  EXPECT_EQ(GetAllowObjectsFlag(we), 1u);
  for (u32 (*get)(WEReference) : {GetDontWrapFlag, GetScrollBarFlag, GetAllowObjectsFlag}) EXPECT_EQ(get(nilid), 0u);
}

// Acceptance: scrolling past the end stops at the last full view; a short text stays at 0.
TEST_F(TextEntryTest, ScrollingAFieldsRecord) {
  const spot longfield = field(0), shortfield = field(1);
  wesetscroll(longfield, 100000);
  const i32 last = scrolled(longfield);
  EXPECT_GT(last, 0);
  wesetscroll(longfield, last - 5);
  EXPECT_EQ(scrolled(longfield), last - 5);
  wesetscroll(longfield, last + 1);
  EXPECT_EQ(scrolled(longfield), last);
  wesetscroll(shortfield, 50);
  EXPECT_EQ(scrolled(shortfield), 0);
}

// Acceptance: the runtime's own copy is not taken over; another program's change is, once.
TEST_F(TextEntryTest, TheClipboardsChangeCount) {
  SaveScrapSeed();
  ClipFlavor text;
  text.type = fourcc("TEXT");
  text.bytes = {'a'};
  backend().setclipboard({text});
  textoscrap();
  EXPECT_FALSE(ScrapSeedHasChanged());
  headlessbackend()->setexternalclipboard({text});
  EXPECT_TRUE(ScrapSeedHasChanged());
  checkscrap();
  EXPECT_FALSE(ScrapSeedHasChanged()) << "the new count is remembered";
}

// Acceptance: a grouped piece gets a grey line 2 pixels thick 2 pixels below its baseline, as
// long as its width; one that begins with a return gets none, nor does any piece while
// showGroups is false.
TEST_F(TextEntryTest, GroupedTextIsUnderlined) {
  const WindowRef w = mainglobals().current.window;
  SetPortWindowPort(w);
  Rect area{300, 0, 340, 200};
  auto draw = [&](const char* text, i16 length, bool groups) {
    EraseRect(&area);
    mainglobals().showGroups = groups ? 1 : 0;
    TextFace(0x80);
    MoveTo(20, 320);
    PmainRTdrawgrouproc(0, length, text);
    TextFace(0);
    return drive::windowpixels(w);
  };
  const i16 width = TextWidth("abc", 0, 3);
  Frame f = draw("abc", 3, true);
  const u32 white = drive::pixelat(f, 150, 335);
  // The grey pattern inks every other pixel: a pair of neighbours shows whether the line is
  // there.
  auto inked = [&](i16 h, i16 v) {
    return drive::pixelat(f, h, v) != white || drive::pixelat(f, i16(h + 1), v) != white;
  };
  EXPECT_TRUE(inked(20, 322));
  EXPECT_TRUE(inked(20, 323));
  EXPECT_TRUE(inked(i16(18 + width), 322));
  EXPECT_FALSE(inked(i16(20 + width), 322));
  EXPECT_FALSE(inked(20, 324));
  EXPECT_FALSE(inked(20, 321));
  f = draw("\rabc", 4, true);
  EXPECT_FALSE(inked(20, 322));
  f = draw("abc", 3, false);
  EXPECT_FALSE(inked(20, 322));
}

}  // namespace
}  // namespace kv
