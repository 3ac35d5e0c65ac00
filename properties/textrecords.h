// The text records the text and rich-text getters read: the record a field or text graphic
// already has (the open field's, the edited graphic's, a shown field's live record), or a
// temporary one made from the object's stored text; the text-style word of a record's
// selection (`werectostring`) and over a range of an object that is not shown (`fieldtext`).
#pragma once

#include "platform/types.h"
#include "store/objread.h"
#include "store/records.h"
#include "textengine/werecord.h"

namespace kv {

// A temporary text record for a field or text graphic: its stored text, over the object's
// rectangle (its text handle grows as needed), with its wrapping, scrolling (style 301) and
// embedded-object settings. 0, or 37 when it cannot be made (*out none).
i16 makeWE(const spot& object, WEReference* out);

// The record a getter reads for the object a descriptor names, held for the holder's lifetime:
// a record the object already has (its selection saved and put back on every path), or a
// temporary one (disposed on every path). Drawing is hidden while the holder lives.
class textholder {
 public:
  // `shownonly` (rich text) borrows a live record only while its window is open on the
  // descriptor's card.
  explicit textholder(const objread& obj, bool shownonly = false);
  ~textholder();
  textholder(const textholder&) = delete;
  textholder& operator=(const textholder&) = delete;

  WEReference record() const { return we_; }
  bool temporary() const { return temporary_; }
  // Selects [start, end) (limited to the text) for a reading.
  void select(i32 start, i32 end);

 private:
  WEReference we_ = nilid;
  bool temporary_ = false;
  i32 savedstart_ = 0, savedend_ = 0;
};

// The borrowed record of a descriptor's object (the open field's, the edited text graphic's,
// or the live record of a 300/301 field), or none.
WEReference borrowedrecord(const objread& obj, bool shownonly);

// The text-style word (`textFont`, `textStyle`, ... by property token) of the record's current
// selection, appended to `text`. `clut` is the colour table text colours are looked up in.
void werectostring(u16 token, WEReference we, StringPtr text, Handle clut);

// The same for [start, end) of a field that is not shown, through a temporary record.
// 0, or 37 when no record can be made.
i16 fieldtext(const spot& object, u16 token, StringPtr text, Handle clut, i32 start, i32 end);

// How far a scrolling field's text can scroll (the field-scroll calculation over the record
// the field has, or one made for it); the field's stored scroll is left as it was. -1 when no
// record can be made.
i32 fieldmaxscroll(const objread& obj);

// The one-based index of a colour in a colour table: the first entry equal to it, else the
// first equal once the low 6 bits of each component are cleared; 0 when none is. Only the
// entries the table holds are searched.
i32 colourindex(Handle clut, const RGBColor& colour);

}  // namespace kv
