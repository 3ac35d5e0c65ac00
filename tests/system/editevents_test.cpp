// The editing commands offer themselves to the externals first: an external that takes `cut`
// leaves the objects alone, and objects cut tell the externals that the card's objects changed.
#include <gtest/gtest.h>

#include <string>

#include "store/objects.h"
#include "system/externalevents.h"
#include "system/externals.h"
#include "tests/support/eventloop.h"
#include "tests/system/testexternals.h"
#include "tools/objectclipboard.h"

namespace kv {
namespace {

class EditEventsTest : public EventLoopTest {
 protected:
  void SetUp() override {
    EventLoopTest::SetUp();
    testproject::Project p = project();
    testproject::Object b;
    b.name = "B1";
    b.rect = Rect{50, 10, 70, 90};
    p.windows[0].cards[0].objects.push_back(b);
    testproject::Object f;
    f.kind = testproject::Object::field;
    f.name = "F";
    f.rect = Rect{100, 10, 140, 200};
    p.windows[0].cards[0].objects.push_back(f);
    p.windows[0].cards.push_back(testproject::Card{});
    p.resources = {record(kXRtn, "nreq", built("nreq"))};
    ASSERT_EQ(openproject(p), 0);
    settle();
    clearlog();
  }
  void TearDown() override {
    killall();
    EventLoopTest::TearDown();
  }
  // nreq's handler for an event code: its answer and its tag.
  void enrol(i32 code, int answer, int tag) {
    EXPECT_EQ(cardvalue("nreq(\"register\"," + std::to_string(code) + ",0," + std::to_string(answer) + ",0," +
                        std::to_string(tag) + ")"),
              "ok");
  }
  i32 buttons() { return spotcount(current().cardspots); }
};

TEST_F(EditEventsTest, AnExternalTakesTheCutAndHearsOfChangedObjects) {
  const i32 before = buttons();
  enrol(kXrtnCut, 1, 3);
  ASSERT_EQ(doline("choose button tool\nselect button \"B1\"\ncut"), 0);
  EXPECT_EQ(buttons(), before) << "the external took the cut";
  EXPECT_NE(cardvalue("nreq(\"log\")").find("3:2018:"), std::string::npos);
  EXPECT_EQ(cardvalue("nreq(\"unregister\"," + std::to_string(kXrtnCut) + ",0)"), "1");
  enrol(kXrtnObjectsChanged, 0, 4);
  ASSERT_EQ(doline("cut"), 0);
  EXPECT_EQ(buttons(), before - 1);
  EXPECT_NE(cardvalue("nreq(\"log\")").find("4:2034:"), std::string::npos) << "told of the changed objects";
  ASSERT_EQ(doline("paste"), 0);
  EXPECT_EQ(buttons(), before);
  EXPECT_NE(cardvalue("nreq(\"log\")").find("4:2034:"), std::string::npos);
}

TEST_F(EditEventsTest, TheLayerCommandsTellOfChangedObjects) {
  enrol(kXrtnObjectsChanged, 0, 5);
  for (const char* command : {"bringFront", "sendBack", "shuffleForward", "shuffleBack"}) {
    ASSERT_EQ(doline("choose button tool\nselect button \"B1\"\n" + std::string(command)), 0) << command;
    // Reading the log empties it, so each command is heard on its own.
    EXPECT_NE(cardvalue("nreq(\"log\")").find("5:2034:"), std::string::npos) << command;
  }
}

TEST_F(EditEventsTest, AnExternalTakesUndoAndHearsOfClones) {
  ASSERT_EQ(doline("select after text of card field \"F\"\ntype \"abc\""), 0);
  enrol(kXrtnUndo, 1, 6);
  ASSERT_EQ(doline("undo"), 0);
  EXPECT_EQ(cardvalue("card field \"F\""), "abc") << "the external took the undo";
  EXPECT_NE(cardvalue("nreq(\"log\")").find("6:2021:"), std::string::npos);
  // Redo is offered as 2023; nobody takes it and nothing is there to redo.
  ASSERT_EQ(doline("redo"), 0);
  EXPECT_EQ(cardvalue("card field \"F\""), "abc");
  const i32 before = buttons();
  enrol(kXrtnObjectsChanged, 0, 7);
  ASSERT_EQ(doline("select empty\nclone button \"B1\""), 0);
  EXPECT_EQ(buttons(), before + 1);
  EXPECT_NE(cardvalue("nreq(\"log\")").find("7:2034:"), std::string::npos) << "told of the clone";
  // The layer commands tell of an empty layer all the same.
  ASSERT_EQ(doline("choose button tool\ngo next\nbringFront"), 0);
  EXPECT_NE(cardvalue("nreq(\"log\")").find("7:2034:"), std::string::npos);
}

// The externals hear of a project's first window opening; a second window of the same project
// says nothing; one that takes the event ends the opening with its answer.
TEST_F(EditEventsTest, AnExternalHearsOfAProjectsFirstWindow) {
  testproject::Project q = testproject::small();
  q.windows.push_back(q.windows[0]);
  q.windows[1].name = "Second";
  build(q, "q.kv45");
  const std::string other = "of project \"" + home->path() + "/q.kv45\"";
  enrol(kXrtnWindowOpened, 0, 5);
  // How often it was heard since the last look (reading the log empties it).
  auto heard = [&] {
    const std::string log = cardvalue("nreq(\"log\")");
    std::size_t n = 0;
    for (std::size_t at = log.find("5:2036:"); at != std::string::npos; at = log.find("5:2036:", at + 1)) ++n;
    return n;
  };
  ASSERT_EQ(doline("open window 1 " + other), 0);
  EXPECT_EQ(heard(), 1u);
  ASSERT_EQ(doline("open window 2 " + other), 0);
  EXPECT_EQ(heard(), 0u) << "not for the project's second window";
  // Taken: the opening ends with the external's answer.
  ASSERT_EQ(doline("close window 1 " + other + "\nclose window 2 " + other), 0);
  EXPECT_EQ(cardvalue("nreq(\"unregister\"," + std::to_string(kXrtnWindowOpened) + ",0)"), "1");
  enrol(kXrtnWindowOpened, 7, 6);
  EXPECT_EQ(failingline("open window 1 " + other), 7);
}

}  // namespace
}  // namespace kv
