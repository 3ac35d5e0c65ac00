// A click in a list field is first offered to the externals registered for list clicks: one
// that takes it leaves the rows as they were.
#include <gtest/gtest.h>

#include <string>

#include "fields/listfields.h"
#include "platform/lists/lists.h"
#include "platform/testing/driver.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "system/externalevents.h"
#include "system/externals.h"
#include "tests/support/eventloop.h"
#include "tests/system/testexternals.h"

namespace kv {
namespace {

class ListClickEventTest : public EventLoopTest {
 protected:
  void SetUp() override {
    EventLoopTest::SetUp();
    testproject::Project p = project();
    testproject::Object list;
    list.kind = testproject::Object::field;
    list.name = "L";
    list.style = 302;
    list.text = "one\rtwo\rthree";
    list.rect = Rect{50, 10, 102, 200};
    list.showpen = 0;
    p.windows[0].cards[0].objects.push_back(list);
    p.resources = {record(kXRtn, "nreq", built("nreq"))};
    ASSERT_EQ(openproject(p), 0);
    settle();
    clearlog();
  }
  RegistryId listref() { return livefield(spotat(current().cardspots, 1)); }
  std::string hilited() { return cardvalue("the hilitedLines of card field \"L\""); }
  void clickrow(int row) {
    drive::click(at(30, i16(50 + 13 * row + 5)));
    settle();
  }
};

TEST_F(ListClickEventTest, AnExternalThatTakesTheClickKeepsTheRows) {
  ASSERT_NE(LFromRef(listref()), nullptr);
  clickrow(1);
  EXPECT_EQ(hilited(), "2");
  // nreq's handler answers 1 (the click taken) for clicks in this list.
  EXPECT_EQ(cardvalue("nreq(\"register\"," + std::to_string(kXrtnListClick) + "," + std::to_string(listref()) +
                      ",1,0,7)"),
            "ok");
  clickrow(2);
  EXPECT_EQ(hilited(), "2") << "the external took the click";
  EXPECT_NE(cardvalue("nreq(\"log\")").find("7:2033:"), std::string::npos) << "it was offered the click";
  EXPECT_EQ(cardvalue("nreq(\"unregister\"," + std::to_string(kXrtnListClick) + "," + std::to_string(listref()) + ")"),
            "1");
  clickrow(2);
  EXPECT_EQ(hilited(), "3");
}

}  // namespace
}  // namespace kv
