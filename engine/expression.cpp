// The expression evaluator: operands, the shared evaluation table and the reduction by
// precedence.
#include "engine/expression.h"

#include <array>
#include <bit>
#include <cstring>

#include "commands/dispatch.h"
#include "engine/atom.h"
#include "engine/chunks.h"
#include "engine/evalinternal.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbers.h"
#include "engine/numbertext.h"
#include "engine/sendmes.h"
#include "engine/status.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "engine/variables.h"
#include "platform/memory/memory.h"
#include "platform/runtime/root.h"
#include "properties/properties.h"
#include "core/mainglobals.h"
#include "core/runservices.h"
#include "store/objectref.h"

namespace kv {

namespace {

constexpr i32 tablesize = 100;
constexpr Size stackneeded = 32768;
// Internal: the operand is a word that names no variable. Only a whole expression turns it
// into the word's own text; everywhere else it is error 16. Kept apart from a 16 that a
// function handler or a property answered.
constexpr i16 unknownword = -16;

// One entry of the evaluation table: an operator (with a disposed value) or an operand, with
// the number of a number literal when it is known.
struct evalentry {
  u16 op;
  bool hasnum;
  double num;
  fred value;
};

struct EvalState {
  std::array<evalentry, tablesize> table{};
  i16 depth = 0;
};

EvalState& evalstate() { return state<EvalState>(); }

bool isoperator(u16 t) { return t >= firstoperator && t <= lastoperator; }
bool isordinal(u16 t) { return t >= firstordinal && t <= lastordinal; }

// What every operand reader takes.
struct evalargs {
  hierpath context;
  Handle text;
  Handle atoms;
  Handle variables;
  Handle locals;

  u16 tok(i32 i) const { return tokenat(atoms, i); }
  atom& at(i32 i) const { return HandleAs<atom>(atoms)[i]; }
};

// An operand with the number of its number literal, when it is one.
struct operand {
  fred value;
  bool hasnum = false;
  double num = 0;
};

i16 factorx(const evalargs& e, i32 at, i32* count, operand* out);

void emptyvalue(fred* v) { newfred(v, fredtemp, fredstring, 0); }

// A working copy of a variable found through a marked atom, in either list.
i16 markedvariable(const evalargs& e, i32 at, fred* value) {
  if (fastfindvars(&e.at(at), e.text, e.variables, value) == 0) return 0;
  if (e.locals != nilhandle && e.locals != e.variables && fastfindvars(&e.at(at), e.text, e.locals, value) == 0)
    return 0;
  return unknownword;
}

// A working copy of the variable a word names, in either list; the atom is marked.
i16 namedvariable(const evalargs& e, i32 at, fred* value) {
  varentry entry;
  if (findvars(&e.at(at), e.text, e.variables, &entry) != 0 &&
      (e.locals == nilhandle || e.locals == e.variables || findvars(&e.at(at), e.text, e.locals, &entry) != 0))
    return unknownword;
  *value = *HandleAs<fred>(entry.value);
  return 0;
}

// The parsed number of a number literal, cached in its atom on the first evaluation.
bool literalnumber(const evalargs& e, i32 at, double* num) {
  atom& a = e.at(at);
  if (a.numstate == numnotcached) {
    Str255 s;
    s[0] = u8(a.length > 255 ? 255 : a.length);
    std::memcpy(s + 1, deref(e.text) + a.offset, s[0]);
    double d = 0;
    if (a.length <= 255 && stringtodouble(s, &d) == 0) {
      std::memcpy(a.value, &d, sizeof d);
      a.numstate = numcached;
    } else {
      a.numstate = numnotnumber;
    }
  }
  if (a.numstate != numcached) return false;
  std::memcpy(num, a.value, sizeof *num);
  return true;
}

// A number literal: always its written text, with its number cached for arithmetic.
i16 numberliteral(const evalargs& e, i32 at, operand* out) {
  atom a = e.at(at);
  if (a.length <= kFredShortMax) {
    newfred(&out->value, fredtemp, fredstring, a.length);
    std::memcpy(out->value.shorttext + 1, deref(e.text) + a.offset, a.length);
  } else if (i16 st = charstonewfred(deref(e.text) + a.offset, a.length, &out->value); st != 0) {
    return st;
  }
  out->hasnum = literalnumber(e, at, &out->num);
  return 0;
}

// A quoted literal: its text without the quotes; a short one needs no handle.
i16 quotedliteral(const evalargs& e, i32 at, fred* value) {
  const atom& a = e.at(at);
  atomchars chars{};
  i16 st = quotedchars(a, e.text, &chars);
  if (st == 0) st = shorttonewfred(chars.bytes, chars.length, value);
  return st == 1 || st == err::noclosingquote ? quotetonewfred(a, e.text, value) : st;
}

// The unary operators: `-` and `not` read the next operand, an unknown word as its text.
i16 unary(const evalargs& e, i32 at, i32* count, operand* out) {
  u16 op = e.tok(at);
  operand inner;
  i32 used = 0;
  i16 st = factorx(e, at + 1, &used, &inner);
  if (st == unknownword) {
    st = atomtonewfred(e.at(at + 1), e.text, &inner.value);
    used = 1;
  }
  if (st != 0) return st;
  copyfred(&inner.value);
  if (op == tok::minus) {
    double d = inner.num;
    if (!inner.hasnum && fredtodouble(&inner.value, &d) != 0) {
      disposfred(&inner.value);
      return err::nonumber;
    }
    doubletofred(-d, &inner.value);
  } else {
    u16 flag = 0;
    if (fredtobool(&inner.value, &flag) != 0) {
      disposfred(&inner.value);
      return err::noboolean;
    }
    booltofred(flag ? 0 : 1, &inner.value);
  }
  out->value = inner.value;
  *count = used + 1;
  return 0;
}

// `there is [not] [a|an] <object>`: true when the object can be found. Nothing is reported
// when it cannot.
i16 thereis(const evalargs& e, i32 at, i32* count, operand* out) {
  i32 i = at + 1;
  if (e.tok(i) != tok::is) return unknownword;
  ++i;
  bool negate = false;
  if (e.tok(i) == tok::not_) {
    negate = true;
    ++i;
  }
  if (e.tok(i) == tok::a) ++i;
  i32 used = 0;
  bool found = objectexists(e.context, e.text, e.atoms, i, e.variables, &used);
  booltonewfred((found != negate) ? 1 : 0, &out->value);
  *count = i - at + used;
  return 0;
}

// `( expression )`.
i16 parenthesised(const evalargs& e, i32 at, i32* count, operand* out) {
  i32 used = 0;
  i16 st = expression(e.context, e.text, e.atoms, at + 1, e.variables, e.locals, &used, &out->value);
  if (st != 0) return st;
  if (e.tok(at + 1 + used) != tok::rightparen) {
    disposfred(&out->value);
    return err::noparen;
  }
  *count = used + 2;
  return 0;
}

// `name ( ... )`: a call of a function handler, sent along the path.
i16 functioncall(const evalargs& e, i32 at, i32* count, operand* out) {
  i32 i = at + 2;
  const atomview view(e.atoms);  // read before anything runs
  for (i32 depth = 1;; ++i) {
    u16 t = view.tok(i);
    if (t == tok::endofline || t == tok::endofscript) return err::noclosingparen;
    if (t == tok::leftparen) ++depth;
    if (t == tok::rightparen && --depth == 0) break;
  }
  emptyvalue(&out->value);
  i16 st = 0;
  if (e.tok(i + 1) == tok::via) {
    i32 used = 0;
    st = loweval(e.context, e.text, e.atoms, at, i + 2, e.variables, &used, &out->value);
    i += 1 + used;
  } else {
    st = sendmes(e.context, e.text, e.atoms, at, e.variables, &out->value, 0);
  }
  if (st != 0) {
    disposfred(&out->value);
    return st;
  }
  *count = i - at + 1;
  return 0;
}

// The commonest expression: a number operand, one arithmetic or ordering operator and another
// number operand, ending there. An operand is a number literal, or a variable of the handler
// holding a number (read where it is stored). The operator applies as the full evaluator
// applies it, to the same numbers. 1 (nothing done) for any other shape.
i16 numberpair(const evalargs& e, i32 at, i32* count, fred* value) {
  const atomview view(e.atoms);
  const u16 op = view.tok(at + 1), after = view.tok(at + 3);
  switch (op) {
    case tok::plus:
    case tok::minus:
    case tok::mult:
    case tok::slash:
    case tok::less:
    case tok::greater:
    case tok::lessequal:
    case tok::greaterequal: break;
    default: return 1;
  }
  if (isoperator(after) || after == tok::leftparen) return 1;
  double n[2] = {0, 0};
  for (int k = 0; k < 2; ++k) {
    const i32 i = at + 2 * k;
    const u16 t = view.tok(i);
    if (t == tok::numberatom) {
      if (!literalnumber(e, i, &n[k])) return 1;
    } else if (t == tok::variable) {
      const fred* stored = storedvalue(&e.at(i), e.text, e.variables);
      if (stored == nullptr) return 1;  // perhaps a local: the full evaluator looks
      if (stored->type == fredlong) {
        n[k] = stored->integer;
      } else if (stored->type == freddouble) {
        n[k] = stored->real;
      } else {
        return 1;
      }
    } else {
      return 1;
    }
  }
  fred right;
  doubletonewfred(n[0], value);
  doubletonewfred(n[1], &right);
  i16 st = operatewith(value, &n[0], op, &right, &n[1]);
  disposfred(&right);
  if (st != 0) {
    disposfred(value);
    return st;
  }
  *count = 3;
  return 0;
}

// The text of the message box.
i16 messagebox(i32 used, i32* count, operand* out) {
  Handle pending = mainglobals().msgpending;
  i16 st = pending == nilhandle ? (emptyvalue(&out->value), 0) : handtonewfred(pending, &out->value);
  if (st == 0) *count = used;
  return st;
}

// `the ...` forms; 16 when none applies (the word is then a variable or a bare word).
i16 theform(const evalargs& e, i32 at, i32* count, operand* out) {
  u16 next = e.tok(at + 1);
  if (next >= firstproperty && next <= lastproperty)
    return property(e.context, e.text, e.atoms, at, e.variables, e.locals, count, &out->value);
  if (next >= firstfunction && next <= lastfunction)
    return sysfun(e.context, e.text, e.atoms, at, e.variables, count, &out->value);
  if (next >= firstnameform && next <= lastnameform) {
    u16 after = e.tok(at + 2);
    if (after == tok::date || after == tok::time)
      return sysfun(e.context, e.text, e.atoms, at, e.variables, count, &out->value);
    if (after == tok::name || after == tok::id)
      return property(e.context, e.text, e.atoms, at, e.variables, e.locals, count, &out->value);
  }
  if (next == tok::message) {
    u16 after = e.tok(at + 2);
    return messagebox(after == tok::box || after == tok::wd ? 3 : 2, count, out);
  }
  if (next == tok::selection) return selectedtext(2, count, &out->value);
  if (next == tok::sharedscript) {
    if (mainglobals().sharedstore == 0) return err::cantunderstand;
    return sharedscripttext(2, count, &out->value);
  }
  if (e.tok(at + 2) == tok::in && next != tok::endofline && next != tok::endofscript)
    return userprop(e.context, e.text, e.atoms, at, e.variables, e.locals, count, &out->value);
  return unknownword;
}

// One operand whose first two tokens are known.
i16 factorat(const evalargs& e, i32 at, u16 t, u16 next, i32* count, operand* out) {
  *count = 0;
  out->hasnum = false;
  switch (t) {
    case tok::endofline:
    case tok::endofscript: return err::noexpression;
    case tok::variable: {
      if (next == tok::leftparen) return functioncall(e, at, count, out);
      i16 st = markedvariable(e, at, &out->value);
      if (st == 0) *count = 1;
      return st;
    }
    case tok::minus:
    case tok::not_: return unary(e, at, count, out);
    case tok::there: return thereis(e, at, count, out);
    case tok::stringatom: {
      i16 st = quotedliteral(e, at, &out->value);
      if (st == 0) *count = 1;
      return st;
    }
    case tok::numberatom: {
      i16 st = numberliteral(e, at, out);
      if (st == 0) *count = 1;
      return st;
    }
    case tok::leftparen: return parenthesised(e, at, count, out);
    case tok::message: return messagebox(next == tok::box || next == tok::wd ? 2 : 1, count, out);
    case tok::selection: return selectedtext(1, count, &out->value);
    case tok::the: {
      i16 st = theform(e, at, count, out);
      if (st != unknownword) return st;
      break;
    }
    default: break;
  }
  if (t >= firstconstant && t <= lastconstant) return constant(e.atoms, at, count, &out->value);
  if (startschunk(e.atoms, at))
    return sourcechunk(e.context, e.text, e.atoms, at, e.variables, e.locals, count, &out->value);
  if (isfieldcont(e.atoms, at) || (isordinal(t) && isfieldcont(e.atoms, at + 1)))
    return sourceobject(e.context, e.text, e.atoms, at, e.variables, count, &out->value);
  if (next == tok::in && ((t >= firstproperty && t <= lastproperty)))
    return property(e.context, e.text, e.atoms, at, e.variables, e.locals, count, &out->value);
  if (t >= firstnameform && t <= lastnameform && (e.tok(at + 1) == tok::name || e.tok(at + 1) == tok::id))
    return property(e.context, e.text, e.atoms, at, e.variables, e.locals, count, &out->value);
  if (next == tok::in && t >= firstfunction && t <= lastfunction)
    return sysfun(e.context, e.text, e.atoms, at, e.variables, count, &out->value);
  if (next == tok::leftparen && (t == tok::unknown || t >= firstcommand) && !isoperator(t))
    return functioncall(e, at, count, out);
  if (t == tok::me) return objectcontents(e.context, e.text, e.atoms, at, e.variables, count, &out->value);
  if (t == tok::target) return targetcontents(count, &out->value);
  i16 st = namedvariable(e, at, &out->value);
  if (st == 0) *count = 1;
  return st;
}

i16 factorx(const evalargs& e, i32 at, i32* count, operand* out) {
  const atomview view(e.atoms);
  return factorat(e, at, view.tok(at), view.tok(at + 1), count, out);
}

// Releases the operand entries of one expression call and gives the table back.
void releaseentries(EvalState& es, i16 base) {
  for (i16 i = base; i < es.depth; ++i)
    if (es.table[size_t(i)].value.cls != freddisposed) disposfred(&es.table[size_t(i)].value);
  es.depth = base;
}

// Takes the next table entry; false when the table is full.
evalentry* takeentry(EvalState& es) {
  if (es.depth >= tablesize) return nullptr;
  evalentry* e = &es.table[size_t(es.depth++)];
  e->op = 0;
  e->hasnum = false;
  e->value.cls = freddisposed;
  return e;
}

// Reads the operator at `at` (one atom, or `is` with the words that follow it).
u16 readoperator(const evalargs& e, i32 at, i32* used) {
  u16 op = e.tok(at);
  *used = 1;
  if (op != tok::is) return op;
  i32 i = at + 1;
  bool negate = false;
  if (e.tok(i) == tok::not_) {
    negate = true;
    ++i;
    op = tok::aint;
  }
  if (e.tok(i) == tok::in) {
    op = negate ? tok::isnotin : tok::isin;
    ++i;
  } else if (e.tok(i) == tok::within) {
    op = negate ? tok::notwithin : tok::iswithin;
    ++i;
  }
  *used = i - at;
  return op;
}

// Applies the operator on top of the operator stack to the two operands on top of the operand
// stack; the result stays in the left operand's entry.
i16 applytop(EvalState& es, i16* ops, i32* nops, i16* vals, i32* nvals) {
  evalentry& op = es.table[size_t(ops[--*nops])];
  evalentry& right = es.table[size_t(vals[--*nvals])];
  evalentry& left = es.table[size_t(vals[*nvals - 1])];
  i16 st = operatewith(&left.value, left.hasnum ? &left.num : nullptr, op.op, &right.value,
                       right.hasnum ? &right.num : nullptr);
  left.hasnum = false;
  disposfred(&right.value);
  return st;
}

}  // namespace

i16 operatorlevel(u16 token) {
  switch (token) {
    case tok::power: return 8;
    case tok::mult:
    case tok::slash:
    case tok::div:
    case tok::mod: return 7;
    case tok::minus:
    case tok::plus: return 6;
    case tok::concat:
    case tok::concatspace: return 5;
    case tok::less:
    case tok::greater:
    case tok::lessequal:
    case tok::greaterequal:
    case tok::contains:
    case tok::isnotin:
    case tok::isin: return 4;
    case tok::is:
    case tok::aint: return 3;
    case tok::iswithin:
    case tok::notwithin: return 2;
    case tok::and_: return 1;
    default: return 0;
  }
}

scriptstatus expression(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, Handle locals,
                        i32* count, fred* value) {
  *count = 0;
  if (nostack(stackneeded) != 0) return err::recursion;
  EvalState& es = evalstate();
  if (es.depth > tablesize - 2) return err::toocomplex;
  evalargs e{context, text, atoms, variables, locals};
  const atomview view(atoms);
  u16 t = view.tok(at);
  if (t == tok::endofline || t == tok::endofscript) return err::noexpression;
  u16 next = view.tok(at + 1);
  if ((t == tok::numberatom || t == tok::variable) && isoperator(next)) {
    if (i16 st = numberpair(e, at, count, value); st != 1) return st;
  }
  if (t == tok::stringatom && !isoperator(next)) {
    // A quoted literal on its own (a common operand): its value, as the operand reader below
    // would give it.
    // Made in place: a copy of a value just written field by field waits for those writes.
    i16 st = quotedliteral(e, at, value);
    if (st != 0) return st;
    *count = 1;
    return 0;
  }

  operand first;
  i32 used = 0;
  i16 st = factorat(e, at, t, next, &used, &first);
  if (st == unknownword) {
    // The whole expression is the unknown word itself, whatever follows.
    st = atomtonewfred(e.at(at), text, value);
    if (st != 0) return st;
    *count = 1;
    ++mainglobals().unquotedliterals;
    return 0;
  }
  if (st != 0) return st;
  copyfred(&first.value);
  i32 pos = at + used;
  if (!isoperator(e.tok(pos))) {
    *value = first.value;
    *count = used;
    return 0;
  }

  // Every operand is read, left to right, before any operator is applied.
  i16 base = es.depth;
  evalentry* entry = takeentry(es);
  if (entry == nullptr) {  // cannot happen: the depth was checked above
    disposfred(&first.value);
    return err::toocomplex;
  }
  entry->value = first.value;
  entry->hasnum = first.hasnum;
  entry->num = first.num;
  while (isoperator(e.tok(pos))) {
    i32 opused = 0;
    u16 op = readoperator(e, pos, &opused);
    pos += opused;
    entry = takeentry(es);
    if (entry == nullptr) {
      releaseentries(es, base);
      return err::toocomplex;
    }
    entry->op = op;
    operand right;
    st = factorx(e, pos, &used, &right);
    if (st == unknownword) st = err::novariable;
    if (st == 0) copyfred(&right.value);
    entry = st == 0 ? takeentry(es) : nullptr;
    if (st != 0 || entry == nullptr) {
      if (st == 0) disposfred(&right.value);
      releaseentries(es, base);
      return st != 0 ? st : err::toocomplex;
    }
    entry->value = right.value;
    entry->hasnum = right.hasnum;
    entry->num = right.num;
    pos += used;
  }

  // Reduction by precedence: an operator first applies every stacked operator of its level
  // or higher, except that ^ meeting ^ waits (so 2^3^2 is 2^(3^2)). One operator between two
  // operands (the commonest expression) is simply applied.
  std::array<i16, tablesize> ops, vals;  // written before they are read
  i32 nops = 0, nvals = 0;
  if (es.depth - base == 3) {
    ops[0] = i16(base + 1);
    vals[0] = base;
    vals[1] = i16(base + 2);
    nops = 1;
    nvals = 2;
  }
  for (i16 i = nops == 0 ? base : es.depth; i < es.depth; ++i) {
    evalentry& en = es.table[size_t(i)];
    if (en.op == 0) {
      vals[size_t(nvals++)] = i;
      continue;
    }
    i16 level = operatorlevel(en.op);
    while (nops > 0) {
      i16 top = operatorlevel(es.table[size_t(ops[size_t(nops - 1)])].op);
      if (top < level || (level == 8 && top == 8)) break;
      if ((st = applytop(es, ops.data(), &nops, vals.data(), &nvals)) != 0) {
        releaseentries(es, base);
        return st;
      }
    }
    ops[size_t(nops++)] = i;
  }
  while (nops > 0) {
    if ((st = applytop(es, ops.data(), &nops, vals.data(), &nvals)) != 0) {
      releaseentries(es, base);
      return st;
    }
  }
  evalentry& result = es.table[size_t(vals[0])];
  // Field by field: the compiler's copy of the whole record here is a slow string move.
  const fred& r = result.value;
  value->cls = r.cls;
  value->type = r.type;
  value->integer = r.integer;
  value->real = r.real;
  value->text = r.text;
  value->link = r.link;
  std::memcpy(value->shorttext, r.shorttext, sizeof r.shorttext);
  result.value.cls = freddisposed;
  result.value.text = nilhandle;
  releaseentries(es, base);
  *count = pos - at;
  return 0;
}

scriptstatus factor(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, Handle locals, i32* count,
                    fred* value) {
  operand out;
  i16 st = factorx(evalargs{context, text, atoms, variables, locals}, at, count, &out);
  if (st == 0) *value = out.value;
  return st == unknownword ? i16(err::novariable) : st;
}

scriptstatus anyfact(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, Handle locals, i32* count,
                     fred* value) {
  operand out;
  i16 st = factorx(evalargs{context, text, atoms, variables, locals}, at, count, &out);
  if (st == 0) *value = out.value;
  if (st != unknownword) return st;
  st = atomtonewfred(HandleAs<atom>(atoms)[at], text, value);
  if (st == 0) *count = 1;
  return st;
}

scriptstatus miniexpression(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, Handle locals,
                            i32* count, fred* value) {
  evalargs e{context, text, atoms, variables, locals};
  u16 t[4];
  const atomview view(atoms);
  for (int k = 0; k < 4; ++k) t[k] = view.tok(at + k);
  u16 op = t[1];
  bool shape = (t[0] == tok::numberatom || t[0] == tok::variable) &&
               (op == tok::minus || op == tok::mult || op == tok::slash || op == tok::plus) &&
               (t[2] == tok::numberatom || t[2] == tok::variable) && !isoperator(t[3]);
  if (!shape) return 1;
  double n[2] = {0, 0};
  for (int k = 0; k < 2; ++k) {
    i32 i = at + 2 * k;
    if (t[2 * k] == tok::numberatom) {
      if (!literalnumber(e, i, &n[k])) return err::nonumber;
      continue;
    }
    // A number the variable holds is read where it is stored.
    const fred* stored = storedvalue(&e.at(i), e.text, e.variables);
    if (stored != nullptr && stored->type == fredlong) {
      n[k] = stored->integer;
      continue;
    }
    if (stored != nullptr && stored->type == freddouble) {
      n[k] = stored->real;
      continue;
    }
    fred v;
    if (markedvariable(e, i, &v) != 0) return 1;  // not in this handler: the full evaluator decides
    v.cls = fredtemp;                             // a look at the stored record; nothing is written back
    v.link = nilhandle;
    Handle kept = v.text;
    i16 st = fredtodouble(&v, &n[k]);
    if (v.text != kept && v.text != nilhandle) DisposeHandle(v.text);
    if (st != 0) return err::nonumber;
  }
  double r = op == tok::minus   ? n[0] - n[1]
             : op == tok::mult  ? n[0] * n[1]
             : op == tok::slash ? n[0] / n[1]
                                : n[0] + n[1];
  doubletonewfred(r, value);
  *count = 3;
  return 0;
}

bool numberliteralat(Handle text, Handle atoms, i32 at, double* num) {
  if (tokenat(atoms, at) != tok::numberatom) return false;
  return literalnumber(evalargs{hierpath(), text, atoms, nilhandle, nilhandle}, at, num);
}

i16 isfieldcont(Handle atoms, i32 at) {
  u16 t = tokenat(atoms, at);
  if (t == tok::field) return 1;
  if ((t == tok::card || t == tok::background) && tokenat(atoms, at + 1) == tok::field) return 1;
  return 0;
}

}  // namespace kv
