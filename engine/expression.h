// The expression evaluator: a run of atoms becomes one script value. Operands are read by
// `factor`, two-operand operators applied by `operate` in order of precedence, and values
// compared by `fredisfred`.
//
// Every routine here takes the message-path context of the running handler (function calls
// are sent along it), the tokenised text (`text` and its `atoms`, read from atom `at`), and
// the handler's variable lists (`variables` is searched first, then `locals`; either may be
// none). On success `*count` is the number of atoms used. Statuses are script error numbers:
// 3 empty expression, 8 function call without ")", 12 not a number, 15 not true or false, 16
// no such variable, 50 stack low, 88 missing ")", 111 expression too complex.
#pragma once

#include "engine/atom.h"
#include "engine/hier.h"
#include "engine/keywords.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "platform/types.h"

namespace kv {

struct fred;

// Operator precedence levels (higher binds tighter); level 8 (^) associates to the right.
i16 operatorlevel(u16 token);

// One whole expression; `value` becomes a new owned temporary. A whole expression that is an
// unknown word gives the word's text and raises the unquoted-literal counter.
scriptstatus expression(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, Handle locals,
                        i32* count, fred* value);
// One operand. A variable gives a working copy of its value (the caller disposes it).
scriptstatus factor(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, Handle locals, i32* count,
                    fred* value);
// `factor`, except that an unknown word becomes its own text (count 1).
scriptstatus anyfact(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, Handle locals, i32* count,
                     fred* value);
// The fast path of `get` and `put`: a number literal or a variable, one of - * / +, a number
// literal or a variable. 1 when the atoms have another shape (the caller then evaluates with
// `expression`); otherwise the status, `value` a new real and *count 3.
scriptstatus miniexpression(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, Handle locals,
                            i32* count, fred* value);

// The number of the number literal at `at` (parsed once, then kept in its atom): false when the
// atom is no number literal or its text is no number.
bool numberliteralat(Handle text, Handle atoms, i32 at, double* num);

// Applies one two-operand operator: the result replaces `left`; `right` is left for the
// caller to dispose. Tokens outside 1001..1023 leave `left` unchanged.
i16 operate(fred* left, u16 op, fred* right);
// 1 when the values are equal as the equal sign compares them, else 0.
i16 fredisfred(const fred* a, const fred* b);

// 1 when the atoms start with `field`, or `card` or `background` followed by `field`.
i16 isfieldcont(Handle atoms, i32 at);

// The token at an atom index; past the end of the atoms, the end of the script. Read on every
// step of the interpreter, so it reads the handle table inline (the size is read as
// GetHandleSize reads it).
inline u16 tokenat(Handle atoms, i32 at) {
  if (atoms == nilhandle || at < 0) return tok::endofscript;
  if (const handletable::Recent* r = handletable::recentblock(atoms)) {
    handletable::table.lasterror = 0;
    if (u32(at) >= r->size / u32(sizeof(atom))) return tok::endofscript;
    return reinterpret_cast<const atom*>(r->data)[at].token;
  }
  (void)GetHandleSize(atoms);  // counted as a bad use
  return tok::endofscript;
}

// A script's atoms read in place for a run of reads with no allocation among them (any
// allocation may move the block): one look-up of the handle for the whole run. Reads past
// either end, and every read of an id that names no block, give the end of the script.
struct atomview {
  const atom* atoms = nullptr;
  i32 count = 0;
  explicit atomview(Handle h) {
    if (h == nilhandle) return;
    if (const handletable::Recent* r = handletable::recentblock(h)) {
      handletable::table.lasterror = 0;
      atoms = reinterpret_cast<const atom*>(r->data);
      count = i32(r->size / u32(sizeof(atom)));
    } else {
      (void)GetHandleSize(h);  // counted as a bad use, as a read would be
    }
  }
  u16 tok(i32 i) const { return i >= 0 && i < count ? atoms[i].token : u16(tok::endofscript); }
  bool lineends(i32 i) const {
    u16 t = tok(i);
    return t == tok::endofline || t == tok::endofscript;
  }
  // The first atom of the line after the line holding atom i.
  i32 nextline(i32 i) const {
    if (i < 0) return i;
    while (i < count && atoms[i].token != tok::endofline && atoms[i].token != tok::endofscript) ++i;
    return i < count && atoms[i].token == tok::endofline ? i + 1 : i;
  }
};

// True when the statement ends at the atom (the end of its line or of the script).
inline bool statementends(Handle atoms, i32 at) {
  u16 t = tokenat(atoms, at);
  return t == tok::endofline || t == tok::endofscript;
}

}  // namespace kv
