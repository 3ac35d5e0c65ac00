// The forms that built-in function calls share: the function word after an optional "the", one
// operand after "of" or in parentheses, and a parenthesised list of parameters.
#include "commands/functions.h"

#include "engine/expression.h"
#include "engine/keywords.h"
#include "engine/scripterrors.h"
#include "engine/tokens.h"

namespace kv {

namespace {}  // namespace

funhead readhead(Handle atoms, i32 at) {
  bool the = tokenat(atoms, at) == tok::the;
  i32 word = the ? at + 1 : at;
  return funhead{word, tokenat(atoms, word), the};
}

scriptstatus singleoperand(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count,
                           fred* value) {
  *count = 0;
  funhead h = readhead(atoms, at);
  u16 next = tokenat(atoms, h.word + 1);
  i32 from = 0;
  if (next == tok::in) {
    from = h.word + 2;
  } else if (h.the) {
    return err::noof;
  } else if (next == tok::leftparen) {
    from = h.word + 1;  // the parentheses belong to the operand
  } else {
    return err::noparens;
  }
  i32 used = 0;
  i16 st = factor(path, text, atoms, from, variables, nilhandle, &used, value);
  if (st == err::novariable) st = anyfact(path, text, atoms, from, variables, nilhandle, &used, value);
  if (st != 0) return st;
  // The operand may be a working copy of a variable: the function's answer replaces it, and the
  // variable must keep its value.
  if ((st = copyfred(value)) != 0) {
    disposfred(value);
    return st;
  }
  *count = from - at + used;
  return 0;
}

funparams::~funparams() {
  for (fred& v : values) disposfred(&v);
}

scriptstatus readparams(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count,
                        funparams* params) {
  *count = 0;
  if (tokenat(atoms, at) != tok::leftparen) return err::noparens;
  i32 i = at + 1;
  if (tokenat(atoms, i) != tok::rightparen) {
    for (;;) {
      fred v;
      i32 used = 0;
      i16 st = expression(path, text, atoms, i, variables, nilhandle, &used, &v);
      if (st != 0) return st;
      if ((st = copyfred(&v)) != 0) {
        disposfred(&v);
        return st;
      }
      params->values.push_back(v);
      i += used;
      u16 t = tokenat(atoms, i);
      if (t == tok::rightparen) break;
      if (t == tok::endofline || t == tok::endofscript) return err::noparen;
      if (t != tok::comma) return err::nocomma;
      ++i;
    }
  }
  *count = i + 1 - at;
  return 0;
}

}  // namespace kv
