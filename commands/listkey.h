// The keys listKey gives a list field: the navigation keys of a scrolling list, typing the
// start of a row to select it, and the arrow keys repeating while held.
#pragma once

#include <functional>

#include "fields/listselect.h"
#include "fields/listtypeahead.h"
#include "platform/types.h"

namespace kv {

// The rows of one list as listKey reads and changes them.
class listrows {
 public:
  virtual ~listrows() = default;
  virtual u32 id() const = 0;  // which list: typing ahead starts again in another one
  virtual i32 count() const = 0;
  virtual i32 selected() const = 0;  // the first selected row, -1 for none
  virtual void select(i32 row) = 0;  // makes `row` the only selected row
  virtual listwindow window() const = 0;
  virtual void scrollto(i32 first) = 0;
  virtual i32 cell(i32 row, u8* buffer, i32 limit) const = 0;  // as listcelltext
};

// What one key did: `draw` when the list is to be shown again (it scrolled, or the selection
// was looked at), `changed` when the selection moved to another row.
struct listkeyoutcome {
  bool draw = false;
  bool changed = false;
};

// One key at tick `now`: with `scrolling` (a scrolling list) the keys 1 (home), 4 (end), 11 and
// 12 (page up and down) scroll and 28 to 31 (the arrows) move the selection, to the first or last
// row with `command`; a letter, digit, punctuation, space or backspace types ahead into `buffer`
// (a full buffer and a text no row starts with beep and leave the selection).
listkeyoutcome listkeystep(listrows& list, u8 key, bool command, bool scrolling, typeahead& buffer, u32 now);

// listKey's work on a key: one step, then `after(changed)` (which shows the list and sends
// what it must; a non-zero status ends), and while the arrow key that typed the key is held,
// the step again after 10 ticks and then every 2 ticks. Answers the last status.
i16 listkeyrun(listrows& list, u8 key, bool command, bool scrolling, const std::function<i16(bool)>& after);

}  // namespace kv
