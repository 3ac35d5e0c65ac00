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
scriptstatus readparams(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count,
                        funparams* params);

// --- Families --------------------------------------------------------------------------------
// Functions without parameters (funzero.cpp).
scriptstatus funzero(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
// Functions of one parameter (funsing.cpp).
scriptstatus funsing(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
// `the number of ...`, and currentMenu and currentWindow (funumbr.cpp).
scriptstatus funcurr(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
scriptstatus funumbr(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
// Numbers (funmath.cpp): functions of one number; average, max, min, sum; annuity, compound;
// replace.
scriptstatus funmath(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
scriptstatus funlist(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
scriptstatus fundual(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
scriptstatus funreplace(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
// Dates and times (dates.cpp): `date` and `time`, and their modifiers short, long and
// abbreviated after "the".
scriptstatus fundate(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
scriptstatus funtime(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
scriptstatus funcase(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
// Texts (textfunctions.cpp): doAsMsg, errorText.
scriptstatus fundoasmsg(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
scriptstatus funerrortext(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
// textHeightSum(field or text graphic): the height of all the lines of its text, measured in
// the open field's record, the field's live record or a record made for the measure. 133 for
// another object.
scriptstatus funtextheightsum(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count,
                              fred* value);
// Geometry (fungeometry.cpp): rectangles, quads, and points between global and local.
scriptstatus funrects(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
scriptstatus funquads(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
scriptstatus funlocs(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
// describe(object [, what [, form [, list field]]]) (describe.cpp): the parts of a menu, card,
// background, window, project or field, one line each.
scriptstatus fundescribe(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);

}  // namespace kv
