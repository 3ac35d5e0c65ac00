// What the script dialog commands share while they read their statements (internal to the
// alert, ask and answer files of shell/).
#pragma once

#include <string>

#include "engine/hier.h"
#include "platform/types.h"

namespace kv {

constexpr i16 kResultCancel = 1;    // result text "Cancel"
constexpr i16 kResultRefused = 70;  // result text of a dialog refused during a drag
constexpr i16 kOKText = 1;          // program text "OK"
constexpr i32 kInteractTimeout = 108000;

struct dialogparse {
  hierpath path;
  Handle text;
  Handle atoms;
  Handle variables;
  i32 i;
  u16 tok() const;
  u16 tok(i32 ahead) const;
  bool ends() const;
  // Evaluates an expression (or a factor) at the cursor into a short text and moves past it.
  i16 expression(StringPtr out);
  i16 factor(StringPtr out);
  // `at` h,v: the point's two numbers.
  i16 point(i16* h, i16* v);
  // The optional tail `at` h,v (the point stays -1, -1 without it), then the optional `without
  // cancel`, which sets the dialog state's nocancel word.
  i16 placeandcancel(i16* h, i16* v);
};

// `ask list` from the word `list` on: the list dialog, `it` and `the result`.
i16 asklist(dialogparse& p);
// `ask icon` from the word `icon` on: the icon chooser and `it`.
i16 askicon(dialogparse& p);

// The program is behind and a drag is coming in: `the result` gets result text 70.
bool refusedduringdrag();
void emptyresult();
// The current window when it is shown and no palette, else the front project window.
WindowRef dialogparent();
// The current window drawn inactive around a dialog, and active again.
void unhilitecurrent();
void rehilitecurrent();
// The current window's frame drawn again when the port's pen was left hidden.
void redrawifpenhidden();

}  // namespace kv
