// Object dispatch on a project built as code: the message path of each kind of target, the
// window context and `the target` around a send, lockMessages, the shared project, the
// senders on the current window, and the open messages of a window.
#include <string>
#include <vector>

#include "engine/fred.h"
#include "engine/insertscripts.h"
#include "engine/objectsend.h"
#include "engine/variables.h"
#include "platform/windows/windows.h"
#include "platform/memory/memory.h"
#include "platform/testing/answers.h"
#include "platform/testing/transcript.h"
#include "platform/text/pstring.h"
#include "shell/commandline.h"
#include "core/mainglobals.h"
#include "shell/windnav.h"
#include "core/runservices.h"
#include "shell/windtable.h"
#include "store/objects.h"
#include "store/objread.h"
#include "store/records.h"
#include "tests/support/dispatch.h"

namespace kv {
namespace {

using testproject::Project;

class ObjectSendTest : public DispatchTest {};

// Acceptance: button T passes mouseUp, the card does not.
TEST_F(ObjectSendTest, AMessageGoesFromTheObjectOutwardsUntilAHandlerKeepsIt) {
  build(logproject());
  ASSERT_EQ(open(), 0);
  clearglobals();
  const desk& d = current();
  EXPECT_EQ(spotsend(sendnormal, d.cardspots, spotindex(d.cardspots, "T"), "mouseUp", d.window), 0);
  EXPECT_EQ(log(), "btn,card,");
  clearglobals();
  // A message every level passes reaches the card, background, window and project in turn.
  EXPECT_EQ(spotsend(sendnormal, d.cardspots, spotindex(d.cardspots, "T"), "ping", d.window), 0);
  EXPECT_EQ(log(), "T,card,bg,window,project,");
  EXPECT_EQ(logged([&] { return backsend("ping", d.window); }), "bg,window,project,");
  EXPECT_EQ(logged([&] { return windsend("ping", d.window); }), "window,project,");
  EXPECT_EQ(logged([&] { return filesend("ping", d.window); }), "project,");
}

// Acceptance: after `send "mouseUp" to card button "T"` the log is "btn,card,".
TEST_F(ObjectSendTest, SendToAnObjectReference) {
  build(logproject());
  ASSERT_EQ(open(), 0);
  EXPECT_EQ(logged("send \"mouseUp\" to card button \"T\""), "btn,card,");
  EXPECT_EQ(logged("send \"ping\" to this background"), "bg,window,project,");
  // A card its window does not show is read without a window: nothing can carry it there.
  clearglobals();
  queueanswer(Answer{"alert", "Cancel", {}});
  EXPECT_EQ(doline("send \"ping\" to card 2"), kWindowNotOpen);
  EXPECT_EQ(log(), "");
  EXPECT_EQ(current().cardnum, 1u);
  EXPECT_EQ(logged("send \"ping\" to this window"), "window,project,");
  queueanswer(Answer{"alert", "Cancel", {}});
  EXPECT_EQ(doline("send \"ping\" to card button \"T\" now"), 2) << "the reference must end the statement";
  queueanswer(Answer{"alert", "Cancel", {}});
  EXPECT_EQ(doline("send \"ping\" to card button \"Nobody\""), 11);
}

// Acceptance: a message to a card of a window that is not open gives 118 from the dispatcher;
// nothing shows at that level, and the script that sent it reports 118 when it ends.
TEST_F(ObjectSendTest, SendToACardOfAWindowThatIsNotOpen) {
  Project p = logproject();
  p.windows.push_back(p.windows[0]);
  p.windows[1].name = "Second";
  p.windows[0].cards[0].script +=
      "\non away\n  global got\n  send \"ping\" to card 1 of window 2\n"
      "  put \"after\" into got\nend away";
  build(p);
  ASSERT_EQ(open(), 0);
  clearglobals();
  transcriptclear();
  queueanswer(Answer{"alert", "Cancel", {}});
  EXPECT_EQ(doline("away"), kWindowNotOpen);
  EXPECT_EQ(log(), "");
  EXPECT_EQ(global("got"), "") << "the error stops the handler";
  size_t dialogs = 0;
  for (const std::string& l : transcriptlines()) dialogs += l.rfind("dialog: ", 0) == 0 ? 1 : 0;
  EXPECT_EQ(dialogs, 1u) << "shown once, by the outermost send";
}

TEST_F(ObjectSendTest, MenusAndItemsComeBeforeTheFrontWindowsCard) {
  build(logproject());
  ASSERT_EQ(open(), 0);
  EXPECT_EQ(logged("send \"ping\" to item \"New\" of menu \"File\""), "item,menu,card,bg,window,project,");
  EXPECT_EQ(logged("send \"ping\" to menu \"File\""), "menu,card,bg,window,project,");
  clearglobals();
  ASSERT_EQ(doline("send \"whoami\" to item \"Quit\" of menu \"File\""), 0);
  EXPECT_EQ(global("who").rfind("item ID 2 of menu ID 100 of project ", 0), 0u) << global("who");
  // The dock menu's senders take its line.
  objread menu{};
  hier none = emptyhier();
  Handle text = nilhandle;
  Handle atoms = tokens("menu \"File\"", &text);
  Handle vars = NewHandle(0);
  i32 used = 0;
  ASSERT_EQ(scanobj(hierpath(&none, 1), text, atoms, 0, vars, &used, &menu), 0);
  mainglobals().dockmenu = menu.menu;
  EXPECT_EQ(logged([&] { return dockmenuitemsend(0, "ping", current().window); }), "item,menu,card,bg,window,project,");
  clearglobals();
  EXPECT_EQ(lowsend("ping", hierpath(), nilhandle, menu), 0) << "the dock menu's line goes to its sender";
  EXPECT_EQ(log(), "menu,card,bg,window,project,");
  mainglobals().dockmenu = menuline{};
  writeobj(&menu);
  dumpvars(vars);
}

TEST_F(ObjectSendTest, TheTargetIsTheObjectSentToAndComesBackAfterTheSend) {
  build(logproject());
  ASSERT_EQ(open(), 0);
  const desk& d = current();
  ASSERT_EQ(cardsend("whoami", sendnormal, d.window), 0);
  std::string card = global("who");
  EXPECT_EQ(card.rfind("card ID ", 0), 0u) << card;
  ASSERT_EQ(spotsend(sendnormal, d.cardspots, spotindex(d.cardspots, "T"), "whoami", d.window), 0);
  std::string button = global("who");
  EXPECT_EQ(button.rfind("card button ID ", 0), 0u) << button;
  EXPECT_NE(button.find(" of " + card), std::string::npos) << "a card object's text names its card";
  EXPECT_EQ(mainglobals().target, nilhandle) << "the target before the send (none) is back";
  EXPECT_EQ(mainglobals().senddepth, 0);
}

TEST_F(ObjectSendTest, TransitionsStartFromTheTarget) {
  build(logproject());
  ASSERT_EQ(open(), 0);
  Rect w = loadat<windrec>(deref(current().wind)).rect1;
  ASSERT_EQ(cardsend("ping", sendnormal, current().window), 0);
  EXPECT_EQ(mainglobals().transitionLoc.v, w.top + (w.bottom - w.top) / 2);
  EXPECT_EQ(mainglobals().transitionLoc.h, w.left + (w.right - w.left) / 2);
  mainglobals().quitting = 1;
  ASSERT_EQ(windsend("ping", current().window), 0);
  EXPECT_EQ(mainglobals().transitionLoc.v, 0) << "nothing while the program quits";
  EXPECT_EQ(mainglobals().transitionLoc.h, 0);
  mainglobals().quitting = 0;
}

// Acceptance: a message to a card whose window is not open gives 118 from the dispatcher and
// shows nothing at that level.
TEST_F(ObjectSendTest, AWindowThatIsNotOpenGives118AndNothingElse) {
  build(logproject());
  ASSERT_EQ(open(), 0);
  objread card{};
  card.kind = objcard;
  card.d = current();
  card.d.window = nilid;  // as a reference to a card of a window that is not open holds it
  transcriptclear();
  EXPECT_EQ(lowsend("ping", hierpath(), nilhandle, card), kWindowNotOpen);
  EXPECT_EQ(cardsend("ping", sendnormal, nilid), kWindowNotOpen);
  EXPECT_EQ(mainglobals().senddepth, 0);
  EXPECT_TRUE(transcriptlines().empty()) << transcripttext();
  EXPECT_EQ(global("log"), "(no global log)");
}

TEST_F(ObjectSendTest, LowsendRefusesTargetsThatAreNotThere) {
  build(logproject());
  ASSERT_EQ(open(), 0);
  objread none{};
  EXPECT_EQ(lowsend("ping", hierpath(), nilhandle, none), 2);
  objread card{};
  card.kind = objcard;  // nothing loaded
  EXPECT_EQ(lowsend("ping", hierpath(), nilhandle, card), kTargetNotOpen);
  objread seven{};
  seven.kind = 7;
  EXPECT_EQ(lowsend("ping", hierpath(), nilhandle, seven), kTargetNotOpen);
  objread shared{};
  shared.kind = objshared;
  EXPECT_EQ(lowsend("ping", hierpath(), nilhandle, shared), kTargetNotOpen) << "no shared project is open";
  clearglobals();
  card.d = current();
  EXPECT_EQ(lowsend("ping", hierpath(), nilhandle, card), 0);
  EXPECT_EQ(log(), "card,bg,window,project,");
}

// Acceptance: cardsend with mode 2 sends while lockMessages is set; spotsend without force
// does not.
TEST_F(ObjectSendTest, LockMessagesStopsOnlyTheUnforcedObjectAndCardSenders) {
  build(logproject());
  ASSERT_EQ(open(), 0);
  clearglobals();
  const desk& d = current();
  i32 t = spotindex(d.cardspots, "T");
  mainglobals().lockMessages = 1;
  EXPECT_EQ(spotsend(sendnormal, d.cardspots, t, "ping", d.window), 0);
  EXPECT_EQ(cardsend("ping", sendnormal, d.window), 0);
  EXPECT_EQ(global("log"), "(no global log)");
  EXPECT_EQ(cardsend("ping", sendforced, d.window), 0);
  EXPECT_EQ(log(), "card,bg,window,project,");
  EXPECT_EQ(logged([&] { return spotsend(sendforced, d.cardspots, t, "ping", d.window); }),
            "T,card,bg,window,project,");
  clearglobals();
  EXPECT_EQ(windsend("ping", d.window), 0) << "the other senders send regardless";
  EXPECT_EQ(log(), "window,project,");
  mainglobals().lockMessages = 0;
}

// Acceptance: a shared project that is also the current project is not searched twice.
TEST_F(ObjectSendTest, TheSharedProjectIsSearchedOnceWhenItIsAlsoTheCurrentOne) {
  build(logproject());
  form f{};
  f.wind = selpart{selnumber, 1, {}, 0};
  std::string path = home->path() + "/p.kv45";
  pstrassign(f.proj.name, 256, path.data(), path.size());
  ASSERT_EQ(openwindow(f, 1, 0), 0);
  ASSERT_EQ(mainglobals().sharedstore, current().store);
  EXPECT_EQ(logged([&] { return cardsend("ping", sendnormal, current().window); }), "card,bg,window,project,");
  clearglobals();
  // Sent to the shared project itself, its script is there.
  EXPECT_EQ(sharesend("ping"), 0);
  EXPECT_EQ(log(), "project,");
  closeallwindows();
  closeshared();
}

// Acceptance: evalsend of an arithmetic expression gives 0 and its value; a further word
// gives 19.
TEST_F(ObjectSendTest, EvalsendEvaluatesInTheCurrentCardsContext) {
  build(logproject());
  ASSERT_EQ(open(), 0);
  fred v;
  EXPECT_EQ(evalsend("1+2", &v), 0);
  EXPECT_EQ(text(&v), "3");
  disposfred(&v);
  EXPECT_EQ(evalsend("1+2 x", &v), 19);
  disposfred(&v);
  EXPECT_EQ(evalsend("", &v), 0);
  EXPECT_EQ(text(&v), "");
  disposfred(&v);
  EXPECT_EQ(evalsend("nosuchword", &v), 2);
  disposfred(&v);
  // Functions of the card's path are found, with the global variables.
  EXPECT_EQ(evalsend("twice(4)", &v), 0);
  EXPECT_EQ(text(&v), "8");
  disposfred(&v);
  EXPECT_EQ(mainglobals().senddepth, 0);
}

TEST_F(ObjectSendTest, XcomsendSendsOnTheCurrentCardWithTheCallersVariables) {
  build(logproject());
  ASSERT_EQ(open(), 0);
  clearglobals();
  Handle vars = NewHandle(0);
  EXPECT_EQ(xcomsend("ping", vars, 3), 0);
  EXPECT_EQ(log(), "card,bg,window,project,");
  EXPECT_EQ(mainglobals().target, nilhandle) << "the target is not changed";
  dumpvars(vars);
}

TEST_F(ObjectSendTest, HandlesendRunsStatementsBeforeTheCardsLevels) {
  build(logproject());
  ASSERT_EQ(open(), 0);
  clearglobals();
  EXPECT_EQ(handlesend("global log\rput \"run,\" after log\rping"), 0);
  EXPECT_EQ(log(), "run,card,bg,window,project,");
  static constexpr u8 key[] =
      "\x1c"
      "XCMD/XFCN Run Handler Script";
  for (i32 i = 0; i < hiercount(); ++i) {
    const hier* h = hierat(i);
    EXPECT_FALSE(h->level == hieritem && GetHandleSize(h->descriptor) == key[0]) << "the run's script went";
  }
}

// Acceptance: headless openwindow sends openProject, openWindow, openBackground and openCard in
// that order; a handler that goes to another card stops the chain.
TEST_F(ObjectSendTest, OpeningAWindowSendsItsMessagesInOrderUntilAHandlerMovesOn) {
  build(logproject());
  transcriptclear();
  ASSERT_EQ(open(), 0);
  std::vector<std::string> sent;
  for (const std::string& l : transcriptlines())
    if (l.rfind("message: ", 0) == 0) sent.push_back(l.substr(9, l.find(' ', 9) - 9));
  EXPECT_EQ(sent, (std::vector<std::string>{"openProject", "openWindow", "openBackground", "openCard"}));
  closeallwindows();

  Project p = logproject();
  p.windows[0].script += "\non openWindow\n  go card 2\nend openWindow";
  build(p, "q.kv45");
  transcriptclear();
  EXPECT_EQ(open("q.kv45"), kCardChanged);
  sent.clear();
  for (const std::string& l : transcriptlines())
    if (l.rfind("message: ", 0) == 0) sent.push_back(l.substr(9, l.find(' ', 9) - 9));
  // The go sends its own messages; the opening's openBackground and openCard are not sent.
  EXPECT_EQ(sent, (std::vector<std::string>{"openProject", "openWindow", "closeCard", "openCard"}));
  EXPECT_EQ(current().cardnum, 2u);
}

TEST_F(ObjectSendTest, DoRunsItsLinesWithTheTargetOfTheScriptThatRunsThem) {
  Project p = logproject();
  p.windows[0].cards[0].objects[0].script += "on doit\n  do \"whoami\"\nend doit";
  p.windows[0].cards[0].script += "\non doitcard\n  send \"doit\" to card button \"T\"\nend doitcard";
  build(p);
  ASSERT_EQ(open(), 0);
  // The card sends doit to T, whose `do` runs "whoami" with T as the target.
  ASSERT_EQ(doline("doitcard"), 0);
  EXPECT_EQ(global("who").rfind("card button ID ", 0), 0u) << global("who");
  EXPECT_EQ(mainglobals().target, nilhandle);
}

// Mend: when the window a message ran in closes during the send, the front window becomes
// current afterwards (or no window at all), never a desk naming released records.
TEST_F(ObjectSendTest, AWindowClosedWhileItsHandlerRunsLeavesNoDeskBehind) {
  Project p = logproject();
  p.windows[0].cards[0].script += "\non leave\n  global ranon\n  put \"ran on\" into ranon\nend leave";
  p.windows.push_back(p.windows[0]);
  p.windows[1].name = "Second";
  build(p);
  ASSERT_EQ(open("p.kv45", 2), 0);
  WindowRef second = current().window;
  ASSERT_EQ(open("p.kv45", 1), 0);
  WindowRef first = current().window;
  // The window goes while the handler runs (between its statements).
  bool armed = true;
  setabortcheck([&armed](u32) -> i16 {
    if (armed) {
      armed = false;
      dumpcurrent();
    }
    return 0;
  });
  ASSERT_EQ(cardsend("leave", sendnormal, first), 0);
  setabortcheck({});
  EXPECT_FALSE(IsValidWindowPtr(first));
  EXPECT_EQ(global("ranon"), "ran on");
  EXPECT_EQ(current().window, second) << "the front window is current";
  desk d;
  ASSERT_NE(getwind(current().window, &d), 0);
  EXPECT_EQ(d.serial, current().serial);

  // With no window left, no window is current.
  armed = true;
  setabortcheck([&armed](u32) -> i16 {
    if (armed) {
      armed = false;
      dumpcurrent();
    }
    return 0;
  });
  ASSERT_EQ(cardsend("leave", sendnormal, second), 0);
  setabortcheck({});
  EXPECT_EQ(mainglobals().numwinds, 0);
  EXPECT_EQ(current().window, nilid);
  EXPECT_EQ(current().store, nilid);
}

TEST_F(ObjectSendTest, AfterASendTheWindowThatWasCurrentIsCurrentAgain) {
  Project p = logproject();
  p.windows.push_back(p.windows[0]);
  p.windows[1].name = "Second";
  build(p);
  ASSERT_EQ(open("p.kv45", 1), 0);
  desk first = current();
  ASSERT_EQ(open("p.kv45", 2), 0);
  desk second = current();
  ASSERT_NE(first.window, second.window);
  // Sent to the first window while the second is current: the second is current again after.
  EXPECT_EQ(cardsend("whoami", sendnormal, first.window), 0);
  EXPECT_EQ(current().window, second.window);
  EXPECT_NE(global("who").find("window ID " + std::to_string(first.windbook)), std::string::npos);
}

}  // namespace
}  // namespace kv
