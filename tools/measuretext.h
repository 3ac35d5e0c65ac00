// The text under a click or the mouse: a text record to measure a field's or a text graphic's
// text in, and the word, grouped run and line around an offset.
#pragma once

#include "platform/types.h"
#include "platform/windows/windows.h"
#include "textengine/werecord.h"

namespace kv {

// A text record for object `index` of a list shown in `window`: the open field's own record,
// else the live record of a field of style 300 or 301 (with the current port for the time),
// else a temporary record made from the stored text (fields; text graphics with
// `graphics` set). Measuring leaves a borrowed record's selection alone and gives its port
// back at the end; a temporary record is disposed. record() is none when no text can be had.
class MeasuredText {
 public:
  MeasuredText(Handle list, i16 index, WindowRef window, bool graphics);
  ~MeasuredText();
  MeasuredText(const MeasuredText&) = delete;
  MeasuredText& operator=(const MeasuredText&) = delete;
  WEReference record() const { return we_; }

 private:
  WEReference we_ = nilid;
  bool temporary_ = false;
  CGrafPtr port_ = nilid;
};

// The range a click at `offset` takes: the character after the offset (the last one past the
// text's end), grown to the whole grouped run on text with the group style, else to the word
// unless the character is a space or a return. Answers whether it was grown to a word.
bool clickrange(WEReference we, i32 offset, i32* start, i32* end);
// The range the mouse at `offset` points at: the grouped run, else the run of characters
// other than white space around the character after the offset; empty (at the offset) on
// white space or past the text's end.
void mouserange(WEReference we, i32 offset, i32* start, i32* end);
// The run of grouped text holding the character after `offset`: false when it is not grouped.
bool groupedrun(WEReference we, i32 offset, i32* start, i32* end);

}  // namespace kv
