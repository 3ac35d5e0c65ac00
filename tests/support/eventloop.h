// Test support for the event loop: a project whose card and button log the messages the loop
// sends, scripted input through the platform test driver, and runs of the main loop.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "shell/mainloop.h"
#include "tests/support/windows.h"

namespace kv {

class EventLoopTest : public WindowTest {
 public:
  // One window "Main" (content 100,100 to 460,640) of one background and one card. The card
  // logs the event loop's messages (and "ping"), counts "idle" in the global `idles`; its
  // button "Go" (10,10 to 40,110) logs its mouse messages as "Go mouseDown" and so on.
  static testproject::Project project();

 protected:
  void SetUp() override;
  void TearDown() override;

  // Handlers that add "<who> <message> <params>," to the global `log` (without `who` when it
  // is empty; the parameters when given).
  static std::string logs(std::string_view who, std::initializer_list<std::string_view> messages);
  // Builds project() (or `p`) as p.kv45 and opens its window: the status.
  i16 openproject();
  i16 openproject(const testproject::Project& p, std::string_view name = "p.kv45");

  // Runs the main loop for `n` passes, or until three passes in a row took no event once the
  // scripted input was used up.
  void passes(u32 n) { mainloop(LoopLimits{n, 0}); }
  void settle() { mainloop(LoopLimits{0, 3}); }
  // The global point of a point local to the current window.
  Point at(i16 h, i16 v);
  // The global `log` (empty when nothing logged), and emptying it.
  std::string log();
  void clearlog();
  // The messages among `names` that the transcript shows sent, each followed by ",": what a
  // run that ended (and released its globals) sent.
  static std::string transcribed(std::initializer_list<std::string_view> names);
  // Runs the loop until it settles; the log of what it sent, then emptied.
  std::string logged() {
    settle();
    std::string s = log();
    clearlog();
    return s;
  }
  i32 idles();

  std::vector<int> exits;  // statuses the process would have ended with
};

}  // namespace kv
