// The tool dispatcher as a user meets it: browse clicks on the card and on buttons through the
// event loop (scripted input) and through the click and drag commands' senders, the hilite of
// tracked buttons, contextual clicks, double clicks, the tool table and the tool messages.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/events/eventrecord.h"
#include "platform/events/events.h"
#include "platform/qd/ports.h"
#include "platform/testing/driver.h"
#include "platform/windows/cursor.h"
#include "shell/commandline.h"
#include "core/mainglobals.h"
#include "shell/windtable.h"
#include "store/objects.h"
#include "store/recordcache.h"
#include "tests/support/eventloop.h"
#include "tools/handletools.h"
#include "tools/paint.h"
#include "tools/shapegeometry.h"
#include "tools/texttool.h"
#include "tools/toolmessages.h"
#include "store/liveparts.h"
#include "store/records.h"
#include "textengine/weinternal.h"
#include "textengine/werecord.h"
#include "tools/browseclick.h"

namespace kv {
namespace {

using testproject::Object;
using testproject::Project;

constexpr u32 kVisible = 1u << 0, kAutoHilite = 1u << 2, kLockText = 1u << 3, kDisabled = 1u << 7, kLocked = 1u << 12;

// Button "OK" (card coordinates 10,10 to 40,110) that logs its mouse messages as "OK ...".
Object okbutton(u16 style = 200, u32 setflags = 0, u32 clearflags = 0) {
  Object b;
  b.name = "OK";
  b.style = style;
  b.setflags = setflags;
  b.clearflags = clearflags;
  return b;
}

// A locked field holding `text` at `rect`.
Object lockedfield(const std::string& name, const std::string& text, Rect rect) {
  Object f;
  f.kind = Object::field;
  f.name = name;
  f.setflags = kLockText;
  f.text = text;
  f.rect = rect;
  return f;
}

class ToolTest : public EventLoopTest {
 protected:
  static constexpr Point kInside{25, 60};  // the button's centre (v, h)
  static constexpr Point kOutside{300, 400};

  // Handlers that log the mouse messages of a click ("mouseStillDown" aside).
  static std::string mouselogs(std::string_view who) {
    return logs(who, {"mouseDown", "mouseUp", "mouseRelease", "mouseDoubleClick"});
  }

  // One card whose script logs the mouse messages (and `cardscript`), over the objects given;
  // buttons log theirs under their name.
  void start(std::vector<Object> objects = {}, const std::string& cardscript = "") {
    Project p = project();
    testproject::Card& c = p.windows[0].cards[0];
    c.script = mouselogs("") + logs("", {"cardPaint"}) + cardscript;
    for (Object& o : objects)
      if (o.script.empty() && o.kind == Object::button) o.script = mouselogs(o.name);
    c.objects = objects;
    ASSERT_EQ(openproject(p, "p" + std::to_string(++projects) + ".kv45"), 0);
    settle();
    clearlog();
  }
  // The click (1) or drag (2) command's way into the dispatcher.
  i16 simulate(Point from, Point to, u16 sender) {
    MainGlobals& g = mainglobals();
    g.event = EventRecord{};
    g.simulatedclick = 1;
    i16 st = handletools(from, to, sender);
    g.simulatedclick = 0;
    return st;
  }
  void drivenclick(Point local, u16 modifiers = 0) {
    drive::click(at(local.h, local.v), modifiers);
    settle();
  }
  void settool(u16 tool) {
    mainglobals().current.tool = tool;
    putwind(mainglobals().current.window, mainglobals().current);
  }
  int projects = 0;
  Handle cardlist() { return mainglobals().current.cardspots; }
  bool cardchanged() {
    const desk& d = mainglobals().current;
    u16 flag = 0;
    testvir(d.store, i32(d.cardrecid), &flag);
    return flag != 0;
  }
  // A point (local) on the text of field `index` of a list: `dh` pixels right of where the
  // character at `offset` begins, half way down its line. The field must have its live record.
  static Point textpoint(Handle list, i16 index, i32 offset, i16 dh) {
    WEReference we = livefield(spotat(list, index));
    EXPECT_NE(we, nilid) << "the field has no live text record";
    LongPoint p{};
    i16 height = 0;
    WEGetPoint(offset, 0, &p, &height, we);
    return Point{i16(p.v + height / 2), i16(p.h + dh)};
  }
  // How many times a message is in the log.
  int count(std::string_view message) {
    std::string l = log();
    int n = 0;
    for (size_t at = 0; (at = l.find(message, at)) != std::string::npos; at += message.size()) ++n;
    return n;
  }
};

// Acceptance: the click and drag commands' mouse on the bare card, and the driver holding the
// button; never "cardClick".
TEST_F(ToolTest, BrowseClicksOnTheBareCard) {
  start({}, logs("", {"mouseStillDown"}));
  EXPECT_EQ(simulate(kOutside, kOutside, senderClick), 0);
  EXPECT_EQ(log(), "mouseDown,mouseUp,");
  clearlog();
  mainglobals().dragSpeed = 0;
  simulate(Point{10, 10}, Point{13, 20}, senderDrag);
  EXPECT_EQ(log(), "mouseDown,mouseStillDown,mouseStillDown,mouseUp,");
  clearlog();
  mainglobals().dragSpeed = 4;
  simulate(Point{10, 10}, Point{13, 20}, senderDrag);
  EXPECT_EQ(log(), "mouseDown,mouseStillDown,mouseStillDown,mouseStillDown,mouseStillDown,mouseUp,");
  clearlog();
  drive::mouseDown(at(kOutside.h, kOutside.v));
  drive::advance(10);
  drive::mouseUp();
  settle();
  EXPECT_EQ(log().rfind("mouseDown,mouseStillDown,", 0), 0u) << log();
  EXPECT_EQ(log().substr(log().size() - 8), "mouseUp,");
  EXPECT_EQ(count("cardClick"), 0);
}

// A browse click on the bare card of a metal window drags the window; the card hears no mouse
// message, only that its window was dragged.
TEST_F(ToolTest, TheBareCardOfAMetalWindowDragsIt) {
  start({}, logs("", {"dragWindow"}));
  const WindowRef w = mainglobals().current.window;
  ASSERT_EQ(ChangeWindowAttributes(w, kWindowMetalAttribute, 0), noErr);
  Rect before{};
  GetWindowBounds(w, kWindowStructureRgn, &before);
  drive::drag(at(kOutside.h, kOutside.v), at(i16(kOutside.h + 30), i16(kOutside.v + 20)), 4);
  settle();
  Rect after{};
  GetWindowBounds(w, kWindowStructureRgn, &after);
  EXPECT_EQ(after.left - before.left, 30);
  EXPECT_EQ(after.top - before.top, 20);
  EXPECT_EQ(log(), "dragWindow,");
}

// The drag command's mouse moves by dragSpeed along the line, the minor axis on the line.
TEST_F(ToolTest, ASimulatedDragStepsAlongItsLine) {
  start();
  mainglobals().dragSpeed = 4;
  ToolState& t = toolstate();
  t = ToolState{};
  t.sender = senderDrag;
  t.butdown = t.sendfirst = 1;
  t.startpt = Point{10, 10};
  t.finishpt = Point{13, 20};
  std::vector<std::pair<int, int>> seen;
  while (stilldown()) {
    Point p{};
    getmouse(&p);
    seen.emplace_back(p.h, p.v);
  }
  EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{10, 10}, {14, 11}, {18, 12}, {20, 13}}));
}

// A resize with Shift and Command keeps the proportions of the reference rectangle; one
// without a height has none, and the axis lock holds instead.
TEST_F(ToolTest, AProportionalResize) {
  mainglobals().event.modifiers = shiftKey | cmdKey;
  i16 axis = 0;
  Point p{30, 20};
  procon(Point{0, 0}, Point{10, 20}, &p, &axis);
  EXPECT_EQ(p.v, 10);
  EXPECT_EQ(p.h, 20);
  p = Point{30, 25};
  procon(Point{0, 0}, Point{0, 20}, &p, &axis);
  EXPECT_EQ(axis, 1);
  EXPECT_EQ(p.v, 30);
  EXPECT_EQ(p.h, 20);
}

TEST_F(ToolTest, AHandlerThatLeavesTheCardEndsTheClick) {
  Project p = project();
  testproject::Window& w = p.windows[0];
  w.backgrounds[0].script = mouselogs("");
  w.cards[0].script = "on mouseDown\n  global log\n  put \"mouseDown,\" after log\n  go next\nend mouseDown\n";
  w.cards[0].objects.clear();
  w.cards.push_back(testproject::Card{"Two", "", 0, {}, {}});
  ASSERT_EQ(openproject(p), 0);
  settle();
  clearlog();
  drivenclick(kOutside);
  EXPECT_EQ(log(), "mouseDown,");
  EXPECT_EQ(current().cardnum, 2u);
}

// Acceptance: clicks on button "OK".
TEST_F(ToolTest, ClicksOnAButton) {
  start({okbutton()});
  drivenclick(kInside);
  EXPECT_EQ(log(), "OK mouseDown,OK mouseUp,");
  clearlog();
  drive::drag(at(kInside.h, kInside.v), at(kOutside.h, kOutside.v), 4);
  settle();
  EXPECT_EQ(log().rfind("OK mouseDown,", 0), 0u) << log();
  EXPECT_EQ(log().substr(log().size() - 16), "OK mouseRelease,");
  clearlog();
  drive::moveTo(at(kOutside.h, kOutside.v));
  settle();
  simulate(kInside, kInside, senderClick);
  EXPECT_EQ(log(), "OK mouseDown,OK mouseUp,") << "the click command's release counts as inside";
}

TEST_F(ToolTest, DisabledAndInvisibleButtons) {
  start({okbutton(200, kDisabled)});
  drivenclick(kInside);
  EXPECT_EQ(log(), "") << "a disabled button takes the click and sends nothing";
  closeallwindows();
  start({okbutton(200, 0, kVisible)});
  drivenclick(kInside);
  EXPECT_EQ(log(), "mouseDown,mouseUp,") << "the card takes a click through an invisible button";
}

// Acceptance: the hilite of an autoHilite button follows the mouse while the button is held.
TEST_F(ToolTest, AnAutoHiliteButtonIsHilitedWhileTheMouseIsOnIt) {
  Object b = okbutton(200, kAutoHilite);
  b.script = "on mouseStillDown\n  global log\n  put the hilite of me & \",\" after log\nend mouseStillDown\n";
  start({b});
  drive::mouseDown(at(kInside.h, kInside.v));
  drive::advance(3);
  drive::moveTo(at(kOutside.h, kOutside.v));
  drive::advance(3);
  drive::mouseUp();
  settle();
  std::string l = log();
  ASSERT_NE(l.find("true,"), std::string::npos) << l;
  EXPECT_LT(l.find("true,"), l.find("false,")) << l;
  EXPECT_EQ(cardvalue("the hilite of card button 1"), "false");
}

// Acceptance: a check box toggles its stored hilite on a click, and a press released outside
// leaves it as it was.
TEST_F(ToolTest, ACheckBoxTogglesItsStoredHilite) {
  start({okbutton(204, kAutoHilite)});
  simulate(kInside, kInside, senderClick);
  EXPECT_EQ(cardvalue("the hilite of card button 1"), "true");
  closeallwindows();
  ASSERT_EQ(open("p1.kv45"), 0);
  settle();
  EXPECT_EQ(cardvalue("the hilite of card button 1"), "true") << "kept in the project";
  drive::mouseDown(at(kInside.h, kInside.v));
  drive::advance(2);
  drive::moveTo(at(kOutside.h, kOutside.v));
  drive::mouseUp();
  settle();
  EXPECT_EQ(cardvalue("the hilite of card button 1"), "true");
}

// Acceptance: a contextual click (control held) is offered as "contextClick" first.
TEST_F(ToolTest, ContextualClicks) {
  const std::string keeps = "on contextClick\n  global log\n  put \"contextClick,\" after log\nend contextClick\n";
  const std::string passes =
      "on contextClick\n  global log\n  put \"contextClick,\" after log\n  pass contextClick\nend contextClick\n";
  struct Case {
    std::string cardscript;
    const char* expected;
  } cases[] = {
      {keeps, "contextClick,"},
      {passes, "contextClick,OK mouseDown,OK mouseUp,"},
      {"", "OK mouseDown,OK mouseUp,"},
  };
  for (const Case& c : cases) {
    start({okbutton()}, c.cardscript);
    drivenclick(kInside, controlKey);
    EXPECT_EQ(log(), c.expected) << c.cardscript;
    closeallwindows();
  }
  Object button = okbutton();
  button.script = logs("OK", {"contextClick"});
  Object bitmap;
  bitmap.kind = Object::graphic;
  bitmap.style = 105;
  start({button, bitmap}, keeps);
  drivenclick(kInside, controlKey);
  EXPECT_EQ(log(), "OK contextClick,") << "a bitmap without a script lets the contextual click through";
}

// Acceptance: "mouseDoubleClick" only with allowDoubleClick, and never to a scroll-bar button.
TEST_F(ToolTest, DoubleClicks) {
  struct Case {
    u16 style;
    i16 allow;
    i16 apart;  // pixels between the two clicks (0: the driver's double click)
    const char* expected;
  } cases[] = {
      {200, 1, 0, "OK mouseDown,OK mouseUp,OK mouseDoubleClick,"},
      {200, 1, 3, "OK mouseDown,OK mouseUp,OK mouseDown,OK mouseUp,"},
      {213, 1, 0, "OK mouseDown,OK mouseUp,OK mouseDown,OK mouseUp,"},
      {200, 0, 0, "OK mouseDown,OK mouseUp,OK mouseDown,OK mouseUp,"},
  };
  for (const Case& c : cases) {
    start({okbutton(c.style)});
    drive::advance(2 * GetDblTime());
    mainglobals().allowDoubleClick = c.allow;
    if (c.apart == 0) {
      drive::doubleClick(at(kInside.h, kInside.v));
    } else {
      drive::click(at(kInside.h, kInside.v));
      drive::click(at(i16(kInside.h + c.apart), kInside.v));
    }
    settle();
    EXPECT_EQ(log(), c.expected) << "style " << c.style << ", allowDoubleClick " << c.allow;
    closeallwindows();
  }
}

// Acceptance: the new, drag and paint messages of the tools.
TEST_F(ToolTest, ToolMessages) {
  Object locked = okbutton(200, kLocked);
  locked.script = logs("OK", {"newButton", "dragButton"});
  start({locked});
  MainGlobals& g = mainglobals();
  EXPECT_EQ(newmessage(cardlist(), toolmadenothing), 0);
  EXPECT_FALSE(cardchanged());
  g.lockMessages = 1;
  EXPECT_EQ(newmessage(cardlist(), 0), 0);
  EXPECT_TRUE(cardchanged()) << "marked although no message goes";
  g.lockMessages = 0;
  EXPECT_EQ(log(), "");
  EXPECT_EQ(newmessage(cardlist(), 0), 0);
  EXPECT_EQ(log(), "OK newButton,");
  clearlog();
  ASSERT_EQ(doline("save"), 0);
  ASSERT_FALSE(cardchanged());
  EXPECT_EQ(dragmessage(cardlist(), 0), 0);
  EXPECT_EQ(log(), "") << "a locked object is not told it was dragged";
  EXPECT_TRUE(cardchanged()) << "but its card is marked changed";
  EXPECT_EQ(cardpaintmessage(cardlist(), 0), 0);
  EXPECT_EQ(log(), "cardPaint,");
  closeallwindows();

  Object bitmap;
  bitmap.kind = Object::graphic;
  bitmap.style = 105;
  bitmap.script = logs("bitmap", {"newGraphic", "openPaint"});
  start({bitmap});
  EXPECT_EQ(cardpaintmessage(cardlist(), paintnewbitmap), 0);
  EXPECT_EQ(log(), "bitmap newGraphic,bitmap openPaint,");
}

// The messages of the object tools go to the object by its kind, each marking its card
// changed; "pointerDown" leaves the pen as it was; a cloned object is told it is new in its own
// window's context, and the caller's comes back.
TEST_F(ToolTest, TheObjectToolsMessages) {
  Object field = lockedfield("F", "", Rect{100, 10, 130, 200});
  field.script = logs("F", {"doubleClickField", "resizeField", "pointerDown", "newField"});
  Object button = okbutton();
  button.script = logs("OK", {"doubleClickButton", "resizeButton", "pointerDown", "newButton"});
  start({button, field}, logs("", {"pointerDown"}));
  ASSERT_EQ(doline("save"), 0);
  EXPECT_EQ(dclickmessage(cardlist(), 1), 0);
  EXPECT_TRUE(cardchanged());
  EXPECT_EQ(resizemessage(cardlist(), 0), 0);
  PenSize(3, 3);
  EXPECT_EQ(sendpointerdown(false, cardlist(), 0), 0);
  EXPECT_EQ(sendpointerdown(true, cardlist(), 0), 0);
  PenState pen{};
  GetPenState(&pen);
  EXPECT_EQ(pen.pnSize.h, 3);
  EXPECT_EQ(log(), "F doubleClickField,OK resizeButton,OK pointerDown,pointerDown,");
  clearlog();

  const desk d = mainglobals().current;
  mainglobals().lockMessages = 1;
  EXPECT_EQ(sendnewspotmessage(d, cardlist()), 0);
  mainglobals().lockMessages = 0;
  EXPECT_EQ(log(), "");
  mainglobals().current = desk{};
  EXPECT_EQ(sendnewspotmessage(d, d.cardspots), 0);
  EXPECT_EQ(mainglobals().current.window, nilid) << "the caller's context comes back";
  mainglobals().current = d;
  EXPECT_EQ(log(), "F newField,");
}

// Acceptance: the tool table.
TEST_F(ToolTest, TheToolTable) {
  Object graphic;
  graphic.kind = Object::graphic;
  graphic.script = logs("G", {"newGraphic"});
  start({graphic});
  for (u16 tool : {409, 101, 999}) {
    settool(tool);
    EXPECT_EQ(simulate(kOutside, kOutside, senderClick), 0) << tool;
  }
  settool(206);
  mainglobals().polyinprogress = 1;
  EXPECT_EQ(simulate(kOutside, kOutside, senderClick), 0);
  EXPECT_EQ(log(), "") << "a blocked polygon click sends no new message";
  EXPECT_FALSE(cardchanged());

  settool(602);
  auto commandclick = [&] {
    mainglobals().event = EventRecord{mouseDown, 0, 0, at(kOutside.h, kOutside.v), cmdKey};
    return handletools(kOutside, kOutside, senderMouse);
  };
  auto showing = [](const Cursor& c) {
    Cursor now = currentcursor();
    return std::memcmp(&now, &c, sizeof c) == 0;
  };
  SetCursor(&arrowcursor());
  mainglobals().lockCursor = 1;
  EXPECT_EQ(commandclick(), 0);
  EXPECT_TRUE(showing(arrowcursor())) << "lockCursor keeps the cursor";
  mainglobals().lockCursor = 0;
  EXPECT_EQ(commandclick(), 0);
  EXPECT_TRUE(showing(crosscursor()));
}

// Acceptance: a text-tool click opens a locked field for typing, without "openField"; the
// next card change sends it "leaveField" before "closeCard".
TEST_F(ToolTest, TheTextToolOpensALockedField) {
  Project p = project();
  testproject::Window& w = p.windows[0];
  Object field;
  field.kind = Object::field;
  field.name = "F";
  field.setflags = kLockText;
  field.text = "alpha beta";
  field.script = logs("F", {"editText", "openField", "leaveField", "closeField"});
  w.cards[0].script = logs("", {"closeCard"});
  w.cards[0].objects = {field};
  w.cards.push_back(testproject::Card{"Two", "", 0, {}, {}});
  ASSERT_EQ(openproject(p), 0);
  settle();
  clearlog();
  settool(605);
  drivenclick(kInside);
  EXPECT_EQ(log(), "F editText,");
  EXPECT_EQ(mainglobals().openfield, 0);
  EXPECT_EQ(mainglobals().openfieldlocked, 0);
  ASSERT_EQ(doline("go next"), 0);
  EXPECT_EQ(log(), "F editText,F leaveField,closeCard,");
  EXPECT_EQ(mainglobals().openfield, -1);
}

// Acceptance (the object under the mouse): mouseObject names it by its long id in a browse
// window; mouseText is empty over a button; another tool gives empty answers.
TEST_F(ToolTest, TheObjectUnderTheMouse) {
  start({okbutton()});
  drive::moveTo(at(kInside.h, kInside.v));
  settle();
  EXPECT_EQ(cardvalue("the mouseObject"), cardvalue("the long id of card button 1"));
  EXPECT_EQ(cardvalue("the mouseText"), "");
  EXPECT_EQ(cardvalue("the mouseChunk"), "");
  settool(601);
  EXPECT_EQ(cardvalue("the mouseObject"), "");
  EXPECT_EQ(cardvalue("the mouseChunk"), "");
}

// Acceptance: a click in a locked field records the clicked word, line and characters; past
// the text's end it takes the last word; on the blank it records no text; a background field
// is named by its layer; a click on a button forgets them.
TEST_F(ToolTest, AClickInALockedFieldRecordsWhatWasClicked) {
  Project p = project();
  testproject::Window& w = p.windows[0];
  w.backgrounds[0].objects = {lockedfield("B", "", Rect{200, 10, 230, 200})};
  w.cards[0].fieldtexts["B"] = "alpha beta";
  w.cards[0].objects = {w.cards[0].objects[0], lockedfield("Other", "x", Rect{100, 300, 130, 400}),
                        lockedfield("F", "alpha beta", Rect{50, 10, 80, 200})};
  ASSERT_EQ(openproject(p), 0);
  settle();
  const Handle cards = cardlist(), backs = current().backspots;
  auto click = [&](Handle list, i32 offset, i16 dh) {
    Point pt = textpoint(list, list == cards ? 2 : 0, offset, dh);
    simulate(pt, pt, senderClick);
    return cardvalue("the clickText") + "|" + cardvalue("the clickLine") + "|" + cardvalue("the clickChunk");
  };
  EXPECT_EQ(click(cards, 7, 1), "beta|line 1 of card field 2|char 7 to 10 of card field 2");
  EXPECT_EQ(click(cards, 10, 30), "beta|line 1 of card field 2|char 7 to 10 of card field 2") << "right of the end";
  EXPECT_EQ(click(cards, 5, 1), "|line 1 of card field 2|char 6 to 6 of card field 2") << "the blank";
  EXPECT_EQ(click(cards, 1, 1), "alpha|line 1 of card field 2|char 1 to 5 of card field 2");
  EXPECT_EQ(click(backs, 7, 1), "beta|line 1 of bkgnd field 1|char 7 to 10 of bkgnd field 1");
  simulate(kInside, kInside, senderClick);
  EXPECT_EQ(cardvalue("the clickText") + cardvalue("the clickChunk"), "") << "a click on a button forgets them";
}

// The line of a click counts the line delimiters before the clicked word.
TEST_F(ToolTest, TheClickedLineCountsTheLinesBeforeTheWord) {
  start({lockedfield("F", "one\rtwo three\rfour", Rect{50, 10, 120, 200})});
  ASSERT_EQ(doline("put \"one\" & return & \"two three\" & return & \"four\" into card field 1"), 0);
  settle();
  Point pt = textpoint(cardlist(), 0, 9, 1);
  simulate(pt, pt, senderClick);
  EXPECT_EQ(cardvalue("the clickText"), "three");
  EXPECT_EQ(cardvalue("the clickLine"), "line 2 of card field 1");
  EXPECT_EQ(cardvalue("the clickChunk"), "char 9 to 13 of card field 1");
}

// A click on an embedded object of our own kind offers "clickFieldObject" with its position,
// id and wrapped kind first; a kind holding a double quote arrives whole as the third
// parameter. A handler that takes it ends the click; with none the click goes on.
TEST_F(ToolTest, AClickOnAnEmbeddedObject) {
  Object field = lockedfield("F", "alpha beta", Rect{50, 10, 90, 200});
  field.script =
      logs("F", {"mouseDown", "mouseUp"}) +
      "on clickFieldObject a, b, c\n  global log, takes\n  put \"object \" & a & \" \" & b & \" \" & c & \",\" after log\n"
      "  if takes is not true then pass clickFieldObject\nend clickFieldObject\n";
  start({field});
  WEReference we = livefield(spotat(cardlist(), 0));
  ASSERT_NE(we, nilid);
  Handle data = NewHandleClear(Size(sizeof(iota)));
  iota header{};
  header.type = fourcc("iota");
  header.id = 104;
  header.wrappedtype = fourcc("P\"CT");
  storeat(deref(data), header);
  ASSERT_EQ(_WEInsertObjectAtOffset(0, fourcc("iota"), data, Point{12, 20}, we), noErr);
  WECalText(we);
  SetWERecDirtyFlag(we, false);
  LongPoint at{};
  i16 height = 0;
  WEGetPoint(0, 0, &at, &height, we);
  Point pt{i16(at.v + height - 4), i16(at.h + 10)};
  simulate(pt, pt, senderClick);
  EXPECT_EQ(log(), "object 1 104 P\"CT,F mouseDown,F mouseUp,");
  EXPECT_EQ(browseclickstate().clickobject, 1u);
  clearlog();
  ASSERT_EQ(doline("global takes\nput true into takes"), 0);
  simulate(pt, pt, senderClick);
  EXPECT_EQ(log(), "object 1 104 P\"CT,") << "the handler took the click";
}

// Acceptance: the text under the mouse of a browse window: nothing over a button, the word and
// its characters over a background field, nothing with the pointer tool.
TEST_F(ToolTest, TheTextUnderTheMouse) {
  Project p = project();
  testproject::Window& w = p.windows[0];
  w.backgrounds[0].objects = {lockedfield("B", "", Rect{200, 10, 230, 200})};
  w.cards[0].fieldtexts["B"] = "alpha beta, gamma";
  ASSERT_EQ(openproject(p), 0);
  settle();
  drive::moveTo(at(kInside.h, kInside.v));
  settle();
  EXPECT_EQ(cardvalue("the mouseText"), "") << "over button Go";
  auto over = [&](i32 offset) {
    Point pt = textpoint(current().backspots, 0, offset, 1);
    drive::moveTo(at(pt.h, pt.v));
    settle();
  };
  over(7);
  EXPECT_EQ(cardvalue("the mouseText"), "beta,");
  EXPECT_EQ(cardvalue("the mouseChar"), "e");
  EXPECT_EQ(cardvalue("the mouseChunk"), "char 7 to 11 of " + cardvalue("the long id of bkgnd field 1"));
  over(5);
  EXPECT_EQ(cardvalue("the mouseText") + cardvalue("the mouseChunk"), "") << "on the blank";
  EXPECT_EQ(cardvalue("the mouseChar"), " ");
  over(7);
  settool(601);
  EXPECT_EQ(cardvalue("the mouseText") + cardvalue("the mouseChunk") + cardvalue("the mouseChar"), "");
}

// Putting down a changed field the text tool opened leaves its record inactive with the
// selection at the text's end, and marks its card changed.
TEST_F(ToolTest, PuttingDownAFieldTheTextToolOpenedKeepsItsText) {
  start({lockedfield("F", "alpha beta", Rect{50, 10, 80, 200})});
  settool(605);
  Point pt = textpoint(cardlist(), 0, 3, 1);
  simulate(pt, pt, senderClick);
  ASSERT_EQ(mainglobals().openfield, 0);
  WEReference we = mainglobals().openfieldrec;
  ASSERT_NE(we, nilid);
  EXPECT_TRUE(WEIsActive(we));
  const u8 more[] = {'!'};
  WESetSelection(10, 10, we);
  WEInsert(more, 1, nilhandle, nilhandle, we);
  SetWERecDirtyFlag(we, true);
  EXPECT_EQ(putdowntextfield(), 0);
  EXPECT_EQ(mainglobals().openfield, -1);
  EXPECT_FALSE(WEIsActive(we));
  EXPECT_TRUE(cardchanged());
  i32 start = 0, end = 0;
  WEGetSelection(&start, &end, we);
  EXPECT_EQ(start, 11);
  EXPECT_EQ(end, 11);
}

}  // namespace
}  // namespace kv
