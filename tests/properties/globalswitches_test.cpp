// Global settings that act on the rest of the program when set: the text-service and drag
// switches, the tab size, the palette opacity, the offscreen depth and the print settings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/textutil.h"
#include "platform/events/events.h"
#include "platform/net/interfaces.h"
#include "platform/qd/ports.h"
#include "platform/text/pstring.h"
#include "platform/testing/transcript.h"
#include "platform/tsm/tsm.h"
#include "shell/fieldputting.h"
#include "core/mainglobals.h"
#include "tests/properties/proptest.h"
#include "textengine/werecord.h"
#include "tools/dragsend.h"
#include "platform/drag/drag.h"

namespace kv {
namespace {

class SwitchTest : public PropertyTest {
 protected:
  void openNotes() {
    ASSERT_EQ(putupfield(current().window, current().cardspots, i16(cardindex("Notes"))), 0);
    ASSERT_EQ(mainglobals().openfield, cardindex("Notes"));
  }
  // The transcript's last line is the open field's closing message.
  static bool closingsent() {
    const auto& lines = transcriptlines();
    return !lines.empty() && lines.back().starts_with("message: leaveField to card field ID 7 ");
  }
  static std::string resulttext(i16 n) { return std::string(pstringview(resultstr(n))); }
};

TEST_F(SwitchTest, TextServicesActOnlyOnAChange) {
  MainGlobals& g = mainglobals();
  g.allowTextServices = 1;
  openNotes();
  ASSERT_EQ(setline("set the allowTextServices to true"), 0);
  EXPECT_EQ(g.openfield, cardindex("Notes")) << "no change: the field stays open";
  EXPECT_EQ(WERemoveTSMHandlers(), -1717) << "and nothing was installed";
  ASSERT_EQ(setline("set the allowTextServices to false"), 0);
  EXPECT_EQ(g.openfield, -1);
  EXPECT_TRUE(closingsent()) << "its closing message was sent";
  EXPECT_EQ(g.allowTextServices, 0);
  ASSERT_EQ(setline("set the allowTextServices to true"), 0);
  ASSERT_EQ(setline("set the allowTextServices to false"), 0);
  EXPECT_EQ(WERemoveTSMHandlers(), -1717) << "switching off removed the handlers";
  // The inline-input switch closes the open field only when it changes.
  openNotes();
  ASSERT_EQ(setline("set the allowInlineInput to " + std::string(g.allowInlineInput ? "true" : "false")), 0);
  EXPECT_EQ(g.openfield, cardindex("Notes"));
  ASSERT_EQ(setline("set the allowInlineInput to " + std::string(g.allowInlineInput ? "false" : "true")), 0);
  EXPECT_EQ(g.openfield, -1);
  // Without inline input the input method composes in its own window.
  ASSERT_EQ(setline("set the allowInlineInput to false"), 0);
  EXPECT_TRUE(inputwindowinuse());
  ASSERT_EQ(setline("set the allowInlineInput to true"), 0);
  EXPECT_FALSE(inputwindowinuse());
}

TEST_F(SwitchTest, DragHandlersFollowTheSwitch) {
  ASSERT_EQ(setline("set the allowDragAndDrop to true"), 0);
  EXPECT_EQ(installedtrackinghandlers(), 1u);
  EXPECT_EQ(installedreceivehandlers(), 1u);
  ASSERT_EQ(setline("set the allowDragAndDrop to true"), 0);
  EXPECT_EQ(installedtrackinghandlers(), 1u) << "setting the value it has does nothing";
  ASSERT_EQ(setline("set the allowDragAndDrop to false"), 0);
  EXPECT_EQ(installedtrackinghandlers(), 0u);
  EXPECT_EQ(installedreceivehandlers(), 0u);
  mainglobals().allowDragAndDrop = 1;
  MyInitDragManager();
  mainglobals().allowDragAndDrop = 0;
  ASSERT_EQ(setline("set the allowDragAndDrop to false"), 0);
  EXPECT_EQ(installedtrackinghandlers(), 1u) << "setting the value it has does nothing";
  MyKillDragManager();
  EXPECT_EQ(installedtrackinghandlers(), 0u);
  mainglobals().hasDragManager = 0;
  ASSERT_EQ(setline("set the allowDragAndDrop to true"), 0);
  EXPECT_EQ(installedtrackinghandlers(), 0u) << "without drag and drop nothing is installed";
  mainglobals().hasDragManager = 1;
}

TEST_F(SwitchTest, BufferModeMakesTheWorldAgain) {
  setrows({{"set the bufferMode to thousands", "the bufferMode", "thousands"},
           {"set the bufferMode to bogus", "", "error 2"},
           {"", "the bufferMode", "thousands"}});
}

TEST_F(SwitchTest, PrintSettingsReachThePrintingServices) {
  setrows({{"set the printCopies to 2", "the printCopies", "2"},
           {"set the printRange to all", "the printRange", "1,32000"},
           {"set the printRange to 2,5", "the printRange", "2,5"},
           {"set the printOrientation to landscape", "the printOrientation", "landscape"},
           {"set the printCopies to \"x\"", "", "error 13"},
           {"set the printRange to 2,5 6", "", "error 19"}});
}

TEST_F(SwitchTest, AddressAndMouse) {
  injectnetworkinterfaces(std::vector<NetInterface>{{"lo", "127.0.0.1", true, true},
                                                    {"eth0", "198.51.100.1", false, false},
                                                    {"eth1", "192.0.2.7", true, false}});
  EXPECT_EQ(cardvalue("the address"), "eppc://192.0.2.7/Kestrove") << "the first up interface, not a loopback";
  injectnetworkinterfaces(std::vector<NetInterface>{{"lo", "127.0.0.1", true, true}});
  EXPECT_EQ(cardvalue("the address"), "");
  injectnetworkinterfaces(std::nullopt);
  ASSERT_EQ(setline("set the loc of the cursor to 300,200"), 0);
  Point where{};
  GetMouse(&where);
  LocalToGlobal(&where);
  EXPECT_EQ(where.h, 300);
  EXPECT_EQ(where.v, 200);
}

}  // namespace
}  // namespace kv
