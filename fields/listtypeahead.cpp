// Typing ahead in a list: the buffer of typed keys and the search for the row they begin.
#include "fields/listtypeahead.h"

#include "platform/text/changecase.h"

namespace kv {

namespace {
constexpr u8 kBackspace = 8, kDelete = 127;
constexpr i32 kCellBytes = 256;
}  // namespace

bool typeaheadkey(u8 key) { return key == kBackspace || (key >= ' ' && key != kDelete); }

bool typeaheadadd(typeahead& t, u32 list, u8 key, u32 now) {
  if (t.list != list) {
    t.list = list;
    t.length = 0;
  }
  bool searched = true;
  if (key == kBackspace) {
    if (t.length > 0) --t.length;
  } else if (t.length >= kTypeAheadLimit) {
    t.length = 0;
    searched = false;
  } else if (now - t.last <= kTypeAheadTicks) {
    t.text[t.length++] = key;
  } else {
    t.text[0] = key;
    t.length = 1;
  }
  t.last = now;
  return searched;
}

bool listcellmatches(const u8* typed, i32 length, const u8* cell, i32 celllength) {
  if (length > celllength) return false;
  for (i32 i = 0; i < length; ++i)
    if (macromanupper(typed[i]) != macromanupper(cell[i])) return false;
  return true;
}

i32 typeaheadsearch(const typeahead& t, i32 rows, const std::function<i32(i32, u8*, i32)>& cell) {
  u8 text[kCellBytes];
  for (i32 row = 0; row < rows; ++row) {
    const i32 n = cell(row, text, kCellBytes);
    if (n >= 0 && listcellmatches(t.text, t.length, text, n)) return row;
  }
  return -1;
}

}  // namespace kv
