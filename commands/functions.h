// The built-in function routines of this folder that the function table names, and the readers
// of the forms they share. Each routine has the signature of every function routine
// (commands/dispatch.h); `at` is the atom "the" for the forms that start with it, else the
// function word.
#pragma once

#include <vector>

#include "engine/fred.h"
#include "engine/hier.h"
#include "platform/types.h"

namespace kv {

// Errors every function routine shares.
enum : i16 {
  statusnofunction = 41,     // a token no routine serves
};

// --- Forms (funforms.cpp) -------------------------------------------------------------------
// The function word of a call: its atom index and token, and whether "the" came first.
struct funhead {
  i32 word;
  u16 token;
  bool the;
};
funhead readhead(Handle atoms, i32 at);

// The one operand of "the f of x", "f of x" and "f(x)": one factor (a word that names nothing is
// its own text; "(" opens a parenthesised expression that ")" must close). 5 for "the f"
// without "of", 49 for another word after the function word. *count spans the whole call.
scriptstatus singleoperand(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);

// The parameters of a call, owned until they go.
struct funparams {
  std::vector<fred> values;
  funparams() = default;
  funparams(const funparams&) = delete;
  funparams& operator=(const funparams&) = delete;
  ~funparams();
};
// "( expression, expression, ... )" from the "(" at `at`; "()" gives no parameter. 49 when `at`
// is no "(", 39 for a missing comma, 88 for a missing ")". *count covers the parentheses.
scriptstatus readparams(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, funparams* params);

// --- Families --------------------------------------------------------------------------------
// Functions without parameters (funzero.cpp).
i16 funzero(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
// Functions of one parameter (funsing.cpp).
i16 funsing(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
// `the number of ...`, and currentMenu and currentWindow (funumbr.cpp).
i16 funcurr(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
i16 funumbr(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
// Numbers (funmath.cpp): functions of one number; average, max, min, sum; annuity, compound;
// replace.
i16 funmath(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
i16 funlist(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
i16 fundual(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
i16 funreplace(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
// Dates and times (dates.cpp): `date` and `time`, and their modifiers short, long and
// abbreviated after "the".
i16 fundate(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
i16 funtime(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
i16 funcase(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
// Texts (textfunctions.cpp): doAsMsg, errorText.
i16 fundoasmsg(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
i16 funerrortext(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
// textHeightSum(field or text graphic): the height of all the lines of its text, measured in
// the open field's record, the field's live record or a record made for the measure. 133 for
// another object.
i16 funtextheightsum(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
// Geometry (fungeometry.cpp): rectangles, quads, and points between global and local.
i16 funrects(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
i16 funquads(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
i16 funlocs(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
// describe(object [, what [, form [, list field]]]) (describe.cpp): the parts of a menu, card,
// background, window, project or field, one line each.
i16 fundescribe(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);

}  // namespace kv
