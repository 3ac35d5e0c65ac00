// What the getters and setters share: reading the atoms of a property expression or a `set`
// statement, resolving the object after `of` (chunks of fields included), reading the value
// after `to`, and redrawing an object after a change.
#pragma once

#include "engine/hier.h"
#include "platform/types.h"
#include "store/objread.h"

namespace kv {

struct fred;

// The arguments every getter and setter is given, held together.
struct propctx {
  hierpath path;
  Handle text;
  Handle atoms;
  Handle variables;
  Handle locals;
  u16 tok(i32 i) const;
};

// 1 when the atom is `the`.
bool isthe(const propctx& c, i32 i);
// The end of the statement (end of line or script).
bool iseoltoken(u16 t);
bool lineends(const propctx& c, i32 i);

// Resolves the reference that starts at atom i into the cleared descriptor. A chunk of a
// container (`word 2 of field 1`) is read with the chunk reader when `chunkfirst` is set:
// a chunk of a field gives the field with the chunk's range in obj->chunk; a chunk of anything
// else gives 2; when the chunk reader fails at `item`, the words are read again as an object
// reference (a menu item). Otherwise the reference reader reads the words. *used is the atoms
// of the reference. On failure nothing is held.
i16 resolvereference(const propctx& c, i32 i, i32* used, objread* obj, bool chunkfirst);

// The common front of the object getters: an optional `the`, the property word, `of` (else 5)
// and the reference. *count is every atom used; on success the caller releases the
// descriptor.
i16 getterfront(const propctx& c, i32 at, i32* count, objread* obj, bool chunkfirst = true);

// The object getters' shape: the common front, the value from the descriptor by `fn`
// (returning a status), and the descriptor released.
template <class Fn>
i16 objectgetter(const propctx& c, i32 at, i32* count, Fn&& fn) {
  objread obj{};
  if (i16 st = getterfront(c, at, count, &obj)) return st;
  i16 st = fn(obj);
  writeobj(&obj);
  return st;
}

// The front of the getters whose word, without `of`, names the global default of that word:
// an optional `the`, the property word, `of` and the reference. Without `of` (or when the
// reference reads as 5) the global default is read into `value` and *global set, which needs
// `the` (else 55); *count is 2 then. Otherwise *count is every atom used, *token the property
// word, and on success the caller releases the descriptor.
i16 objectorglobalfront(const propctx& c, i32 at, i32* count, u16* token, objread* obj, fred* value, bool* global);

// The shape of those getters: the front, the value from the descriptor and the property word
// by `fn` (returning a status), and the descriptor released.
template <class Fn>
i16 objectorglobalgetter(const propctx& c, i32 at, i32* count, fred* value, Fn&& fn) {
  objread obj{};
  u16 token = 0;
  bool global = false;
  i16 st = objectorglobalfront(c, at, count, &token, &obj, value, &global);
  if (global || st != 0) return st;
  st = fn(obj, token);
  writeobj(&obj);
  return st;
}

// The front of the object setters: from atom 1 of the statement, an optional `the`, the
// property word, `of` (else 5), the reference, `to` (else 7, the descriptor released). *used
// counts atom 1 through `to`. Without `keep` the descriptor is released at once (the call only
// finds where the value begins); with it the caller holds it and releases it.
i16 dofront(const propctx& c, i32 at, i32* used, objread* obj, bool keep);

// The front of the setters that read their value before holding the object: the front
// without keeping the descriptor, the value after `to`, then the object resolved again and
// held. On failure nothing is held and the value is released.
i16 frontandvalue(const propctx& c, i32 at, objread* obj, fred* value);

// The value after `to`, one expression up to the end of the statement: its status; 19 when
// words are left after it (the value is then released).
i16 readvalue(const propctx& c, i32 i, fred* value);
// The same for a value read as a list: the expressions from atom i, separated by commas,
// joined into one value.
i16 readlistvalue(const propctx& c, i32 i, fred* value);

// The text of a value as a short string (at most 255 characters).
void valuestring(fred* value, StringPtr out);

// Marks the record that owns the object a descriptor names changed (the card or background of
// an object, the card, background, window or head record, the menu record of a menu or item).
void markowner(const objread& obj);

// Redraws an object after a change, when its window is open, shows the descriptor's card and
// the object is visible or the window shows invisible objects: the union of the old and the
// new rectangle, grown by 3.
void redrawspot(const objread& obj, const Rect& before);

}  // namespace kv
