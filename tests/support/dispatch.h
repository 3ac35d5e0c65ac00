// Test support for object dispatch: a project whose every level logs the messages it gets into
// the global `log`, and lookups of its objects.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "engine/fred.h"
#include "tests/support/windows.h"

namespace kv {

class DispatchTest : public WindowTest {
 protected:
  // One window of one background and two cards. Every level handles "ping" by adding its
  // name and a comma to the global `log` and passing it (the project keeps it): "T", "card",
  // "bg", "window", "project" (the second card logs "card2"). Card 1 holds buttons T and A to
  // G: T logs "btn" for mouseUp and passes it, A to G log their names and pass it, the card
  // logs "card" and keeps it. Card 1's "whoami" puts `the target` into the global `who`; the
  // project's function twice(n) answers 2n. Menu "File" (logging "menu") has the items "New"
  // (logging "item") and "Quit".
  static testproject::Project logproject();
  // The index of the object of that name in a list, or -1.
  static i32 spotindex(Handle list, std::string_view name);
  // The global `log`, empty when no handler made it.
  std::string log();
  // The log that a send (or a line run in the current card) leaves on a cleared log, or
  // "error N" when it fails.
  std::string logged(const std::function<i16()>& send) {
    clearglobals();
    i16 status = send();
    return status == 0 ? log() : "error " + std::to_string(status);
  }
  std::string logged(std::string_view lines) {
    return logged([&] { return doline(lines); });
  }
  // The text of a value.
  static std::string text(fred* v);
  // Closes the shared project (windows keep it open).
  static void closeshared();
  // A handler that logs `name` for `message` (and passes it when asked).
  static std::string logger(std::string_view name, std::string_view message, bool pass);
};

}  // namespace kv
