// The property listings (`the properties of ...`, `commonProps(...)`): "word,value" lines, each
// ended by a return, and the values they share.
#pragma once

#include <string>
#include <string_view>

#include "engine/hier.h"
#include "platform/types.h"
#include "store/objread.h"

namespace kv {

struct fred;

// A listing being written.
struct listing {
  std::string text;
  void line(std::string_view word, std::string_view value);
  void boolean(std::string_view word, bool value);
  void number(std::string_view word, i64 value);
  void point(std::string_view word, i32 h, i32 v);
  void rect(std::string_view word, const Rect& r);
  // The word and a comma only: a value the objects do not share.
  void empty(std::string_view word);
  // Takes the return off the last line.
  void endnoreturn();
  // The listing as a new text value: 0, or 37.
  i16 result(fred* value) const;
};

// The 1-based position of a pattern among the first 63 patterns of the current project's
// pattern list; 0 when none of them equals it.
i16 patternindex(const u8 (&pattern)[8]);
// The 1-based number of object `index` among the objects of its kind in its list, counted up
// to the object with its id; 11 when no object carries it.
i16 objectnumber(Handle list, i32 index, i32* number);

// The listings of a graphic and of a field a descriptor names (the descriptor stays held).
i16 GetGraphicProps(const objread& obj, listing& l);
i16 GetFieldProps(const objread& obj, listing& l);

// The function `commonProps` (`the commonProps of <window>`, `commonProps of <window>`,
// `commonProps(<window>)`): the properties the objects selected in the window's current layer
// share (both layers, background first, while an open window has the universal tool). The
// function signature of commands/dispatch.h; 49 without `of` or a parenthesis, 88 without the
// closing parenthesis, 2 for a reference that is no window, 37 for no memory.
scriptstatus funcommon(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);

}  // namespace kv
