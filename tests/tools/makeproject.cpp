// Writes the usual test project (testproject::small) to the path given, for the tests that
// run the kestrove program itself. With "hello-fails" after the path, the first card also has
// a handler "hello" that stops with a script error (45: a put into a constant); with "greets",
// the first card's openCard puts a greeting into the message box; with "events", the first card
// notes the messages "greet", "mouseUp" and "returnKey" it hears in the message box; with
// "opencard-fails", the first card's openCard stops with a script error on its line 3; with
// "loops", the first card's openCard loops for ever; with "field", the project is one card that
// shows one field, at (40, 40, 100, 240) without frame or fill, holding "Hello world"; with
// "drawn", one plain window of 400 x 300 whose first card shows a red and a green rectangle and a
// rectangle button (checkdrawing checks the window's picture); with "nextcard", the same whose
// button goes to the next card on mouseUp, a second card showing a black rectangle at
// (200, 250, 260, 350); with "unknown-command", the project's handler t7 sends a message nobody
// takes and its function t8 calls t7; with "buttons", one card shows a button of each control
// style.
#include <array>
#include <cstdio>
#include <string>

#include "platform/files/files.h"
#include "platform/runtime/bigstack.h"
#include "platform/text/macroman.h"
#include "tests/support/project.h"

int main(int argc, char** argv) {
  std::string option = argc == 3 ? argv[2] : "";
  const char* options[] = {"hello-fails", "greets", "events",   "opencard-fails",  "loops",
                           "field",       "drawn",  "nextcard", "unknown-command", "buttons"};
  bool known = argc == 2;
  for (const char* o : options) known = known || option == o;
  if (argc < 2 || argc > 3 || !known) {
    std::fputs(
        "usage: makeproject PATH [hello-fails | greets | events | opencard-fails | loops | field | drawn |"
        " nextcard | unknown-command | buttons]\n",
        stderr);
    return 2;
  }
  std::string path = argv[1];
  kv::testproject::Project project = kv::testproject::small();
  if (option == "hello-fails") project.windows[0].cards[0].script += "\non hello\n  put 1 into empty\nend hello";
  if (option == "greets")
    project.windows[0].cards[0].script = "on openCard\n  put \"Hello from card\" && the number of cards\nend openCard";
  if (option == "opencard-fails")
    project.windows[0].cards[0].script = "on openCard\n  put 1 into x\n  put x into empty\nend openCard";
  if (option == "loops")
    project.windows[0].cards[0].script =
        "on openCard\n  put 0 into n\n  repeat forever\n    add 1 to n\n  end repeat\nend openCard";
  if (option == "field") {
    kv::testproject::Object field;
    field.kind = kv::testproject::Object::field;
    field.text = "Hello world";
    field.rect = kv::Rect{40, 40, 100, 240};
    field.showpen = 0;
    field.showfill = 0;
    kv::testproject::Window w;
    w.name = "Main";
    w.backgrounds.push_back(kv::testproject::Background{"Plain", "", {}});
    w.cards.push_back(kv::testproject::Card{"One", "", 0, {field}, {}});
    project = kv::testproject::Project{};
    project.windows.push_back(w);
  }
  if (option == "unknown-command")
    project.script = "on t7\n  myhandler2\nend t7\nfunction t8\n  t7\n  return 1\nend t8";
  if (option == "events") {
    std::string& card = project.windows[0].cards[0].script;
    card = "";
    for (const char* m : {"greet", "mouseUp", "returnKey"})
      card += std::string("on ") + m + " who\n  global seen\n  put \"" + m +
              "\" && who & \",\" after seen\n  put seen\nend " + m + "\n";
  }
  if (option == "drawn" || option == "nextcard") project = kv::testproject::drawn();
  if (option == "buttons") project = kv::testproject::buttons();
  if (option == "nextcard") {
    kv::testproject::Window& w = project.windows[0];
    w.cards[0].objects[2].script = "on mouseUp\n  go next card\nend mouseUp";
    kv::testproject::Object black;
    black.kind = kv::testproject::Object::graphic;
    black.style = 100;
    black.rect = kv::Rect{200, 250, 260, 350};
    black.showfill = 1;
    black.showpen = 0;
    black.fillfore = 255;
    black.fillpat = std::array<kv::u8, 8>{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    w.cards.push_back(kv::testproject::Card{"Two", "", 0, {black}, {}});
  }
  return kv::runonbigstack([&]() {
    std::size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    kv::u32 dir = 0;
    if (kv::folderidofpath(kv::utf8tomacroman(folder), &dir) != kv::noErr) return 1;
    std::string pname = kv::utf8tomacroman(name);
    kv::u8 p[256] = {kv::u8(pname.size())};
    for (std::size_t i = 0; i < pname.size() && i < 255; ++i) p[i + 1] = kv::u8(pname[i]);
    kv::HDelete(kv::kBootVolume, dir, p);
    return kv::testproject::build(dir, pname, project) == 0 ? 0 : 1;
  });
}
