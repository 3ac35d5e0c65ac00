#include "tests/support/eventloop.h"

#include "platform/process/exit.h"
#include "platform/testing/answers.h"
#include "platform/testing/transcript.h"
#include "platform/windows/windows.h"
#include "core/mainglobals.h"
#include "shell/startup.h"

namespace kv {

void EventLoopTest::SetUp() {
  WindowTest::SetUp();
  setexithook([this](int status, const std::string&) { exits.push_back(status); });
  installcarbonhandlers();
}

void EventLoopTest::TearDown() {
  setexithook({});
  WindowTest::TearDown();
}

std::string EventLoopTest::logs(std::string_view who, std::initializer_list<std::string_view> messages) {
  std::string prefix = who.empty() ? std::string() : std::string(who) + " ";
  std::string s;
  for (std::string_view m : messages) {
    std::string name(m);
    s += "on " + name + " a, b\n  global log\n  put \"" + prefix + name + "\" after log\n" +
         "  if a is not empty then put \" \" & a after log\n" + "  if b is not empty then put \" \" & b after log\n" +
         "  put \",\" after log\nend " + name + "\n";
  }
  return s;
}

testproject::Project EventLoopTest::project() {
  testproject::Project p;
  testproject::Window w;
  w.name = "Main";
  w.backgrounds = {testproject::Background{"Plain", "", {}}};
  testproject::Card c;
  c.name = "One";
  c.script = logs("",
                  {"mouseDown",       "mouseUp",      "mouseRelease", "keyStroke",     "returnKey",    "enterKey",
                   "tabKey",          "arrowKey",     "functionKey",  "controlKey",    "menuKey",      "updateWindow",
                   "suspend",         "resume",       "dragWindow",   "resizeWindow",  "zoomWindow",   "selectWindow",
                   "selectProject",   "menuBarClick", "volumeMount",  "volumeUnmount", "quitKestrove", "closeCard",
                   "closeBackground", "closeWindow",  "closeProject", "startUp",       "openCard",     "ping"}) +
             "on idle\n  global idles\n  put idles + 1 into idles\nend idle\n";
  testproject::Object go;
  go.name = "Go";
  go.script = logs("Go", {"mouseDown", "mouseUp", "mouseRelease"});
  c.objects = {go};
  w.cards = {c};
  p.windows = {w};
  return p;
}

i16 EventLoopTest::openproject() { return openproject(project()); }

i16 EventLoopTest::openproject(const testproject::Project& p, std::string_view name) {
  build(p, name);
  return open(name);
}

Point EventLoopTest::at(i16 h, i16 v) {
  Rect content{};
  GetWindowBounds(current().window, kWindowContentRgn, &content);
  return Point{i16(content.top + v), i16(content.left + h)};
}

std::string EventLoopTest::log() {
  std::string v = global("log");
  return v.rfind("(no global", 0) == 0 ? "" : v;
}

void EventLoopTest::clearlog() { clearglobals(); }

std::string EventLoopTest::transcribed(std::initializer_list<std::string_view> names) {
  std::string out;
  for (const std::string& l : transcriptlines()) {
    if (l.rfind("message: ", 0) != 0) continue;
    const std::string name = l.substr(9, l.find(' ', 9) - 9);
    for (std::string_view n : names)
      if (name == n) out += name + ",";
  }
  return out;
}

i32 EventLoopTest::idles() {
  std::string v = global("idles");
  return v.rfind("(no global", 0) == 0 || v.empty() ? 0 : std::stoi(v);
}

}  // namespace kv
