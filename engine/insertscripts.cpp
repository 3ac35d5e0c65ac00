// The inserted-script slots: finding, filling, emptying and listing them.
#include "engine/insertscripts.h"

#include <algorithm>
#include <cstring>

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/objectsend.h"
#include "engine/sendmes.h"
#include "engine/status.h"
#include "engine/textutil.h"
#include "engine/tokenizer.h"
#include "engine/tokens.h"
#include "engine/variables.h"
#include "platform/memory/memory.h"
#include "core/mainglobals.h"
#include "store/objread.h"

namespace kv {

namespace {

// Where each set lies among hierslots(): editor front, front, editor back, back.
struct setrange {
  size_t first, count;
};
constexpr setrange ranges[4] = {{4, 6}, {0, 4}, {14, 6}, {10, 4}};

bool isempty(const hier& h) { return h.level == hierempty; }

bool samereference(const hier& h, ConstStringPtr text) {
  if (h.descriptor == nilhandle) return false;
  Size n = GetHandleSize(h.descriptor);
  return n == text[0] && equalchars(deref(h.descriptor), text + 1, n);
}

// The first index of a set's slots in hierslots().
size_t firstof(std::span<hier> slots) { return size_t(slots.data() - hierslots().data()); }

// Releases the slot at `index` and closes the gap: the slots below move up by one and slot 0
// becomes empty.
void dropslot(std::span<hier> slots, size_t index) {
  releasehier(slots[index]);
  size_t base = firstof(slots);
  std::span<u16> stale = hierstale();
  for (size_t i = index; i > 0; --i) {
    slots[i] = slots[i - 1];
    slots[i].slot = i16(base + i);
    stale[base + i] = stale[base + i - 1];
  }
  slots[0] = emptyhier();
  slots[0].slot = i16(base);
  stale[base] = 0;
}

}  // namespace

std::span<hier> slotset(u16 set) {
  if (set > slotseditback) return {};
  return hierslots().subspan(ranges[set].first, ranges[set].count);
}

bool scriptrunning(Handle script) {
  const MainGlobals& g = mainglobals();
  if (script == nilhandle || g.calllevels == nilhandle) return false;
  i32 depth = std::min<i32>(g.calllevel, i32(HandleCount<calllevel>(g.calllevels)) - 1);
  for (i32 i = 0; i <= depth; ++i)
    if (HandleAs<calllevel>(g.calllevels)[i].text == script) return true;
  return false;
}

i32 modifyusing(std::span<hier> slots, u16 mode, ConstStringPtr text) {
  i32 freeindex = -1;
  for (size_t i = slots.size(); i-- > 0;) {
    hier& h = slots[i];
    if (isempty(h)) {
      if (freeindex < 0) freeindex = i32(i);
      continue;
    }
    if (!samereference(h, text)) continue;
    // The script is in the set already.
    if (mode == usingremove && !scriptrunning(h.script)) dropslot(slots, i);
    return -1;
  }
  return mode == usingfind ? freeindex : -1;
}

void killusings(u16 set) {
  std::span<hier> slots = slotset(set);
  for (size_t i = 0; i < slots.size(); ++i)
    if (!isempty(slots[i]) && !scriptrunning(slots[i].script)) dropslot(slots, i);
}

i16 fillslot(u16 set, i32 index, Handle script, u16 level, ConstStringPtr reference) {
  std::span<hier> slots = slotset(set);
  if (index < 0 || size_t(index) >= slots.size()) return 0;
  hier made;
  i16 st = makerecordhier(script, level, reference, &made);
  if (made.atoms == nilhandle) return st;  // nothing could be made: the slot stays empty
  size_t at = firstof(slots) + size_t(index);
  made.slot = i16(at);
  slots[size_t(index)] = made;
  hierstale()[at] = 0;
  return st;
}

i16 useslot(u16 set, Handle script, u16 level, ConstStringPtr reference, u16 insert) {
  std::span<hier> slots = slotset(set);
  if (slots.empty()) return 0;
  if (insert == 0) {
    modifyusing(slots, usingremove, reference);
    return 0;
  }
  i32 index = modifyusing(slots, usingfind, reference);
  return index < 0 ? i16(0) : fillslot(set, index, script, level, reference);
}

i16 usingscript(u16 set, const objread& obj, u16 insert) {
  Handle script = nilhandle;
  u16 level = 0;
  Str255 text;
  if (!objectlevel(obj, &script, &level, text)) return 0;
  return useslot(set, script, level, text, insert);
}

void checkhier(std::span<hier> slots, i32 index) {
  if (index < 0 || size_t(index) >= slots.size()) return;
  size_t at = firstof(slots) + size_t(index);
  if (hierstale()[at] == 0) return;
  hierstale()[at] = 0;
  hier old = slots[size_t(index)];
  Handle text = old.descriptor, atoms = nilhandle;
  if (text == nilhandle || HandToHand(&text) != noErr) return;
  releasehier(old);
  slots[size_t(index)] = emptyhier();
  slots[size_t(index)].slot = i16(at);
  Handle vars = NewHandle(0);
  objread obj{};
  i32 used = 0;
  hier none = emptyhier();
  bool found = vars != nilhandle && tokenize(text, &atoms) == 0 &&
               scanobj(hierpath(&none, 1), text, atoms, 0, vars, &used, &obj) == 0;
  Handle script = nilhandle;
  u16 level = 0;
  Str255 reference;
  if (found && objectlevel(obj, &script, &level, reference)) {
    u16 set = 0;
    for (u16 s = slotsfront; s <= slotseditback; ++s)
      if (slotset(s).data() == slots.data()) set = s;
    fillslot(set, index, script, level, reference);
  } else {
    // The object is gone: its slot goes and the slots below move up.
    dropslot(slots, size_t(index));
  }
  if (found) writeobj(&obj);
  if (vars != nilhandle) dumpvars(vars);
  if (atoms != nilhandle) DisposeHandle(atoms);
  DisposeHandle(text);
}

void checkusings() {
  for (u16 set : {slotsfront, slotsback, slotseditfront, slotseditback}) {
    std::span<hier> slots = slotset(set);
    for (size_t i = 0; i < slots.size(); ++i) checkhier(slots, i32(i));
  }
}

namespace {

// The set a command names at the atoms: [editor] front|back. 2 for anything else; *at moves
// past the words.
i16 setwords(Handle atoms, i32* at, u16* set) {
  bool editor = tokenat(atoms, *at) == tok::editor;
  if (editor) ++*at;
  u16 t = tokenat(atoms, *at);
  if (t != tok::front && t != tok::back) return err::cantunderstand;
  ++*at;
  u16 after = tokenat(atoms, *at);
  if (after != tok::endofline && after != tok::endofscript) return err::cantunderstand;
  *set = t == tok::front ? (editor ? slotseditfront : slotsfront) : (editor ? slotseditback : slotsback);
  return 0;
}

// `script of|in <object> into|from [editor] front|back`, from the word "script" on.
scriptstatus scriptcommand(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, u16 insert) {
  i32 i = at;
  if (tokenat(atoms, i) == tok::the) ++i;
  if (tokenat(atoms, i) != tok::script) return err::cantunderstand;
  if (tokenat(atoms, ++i) != tok::in) return err::noof;
  objread obj{};
  i32 used = 0;
  if (i16 st = scanobj(path, text, atoms, i + 1, variables, &used, &obj); st != 0) return st;
  i += 1 + used;
  u16 set = 0;
  i16 st = tokenat(atoms, i) != (insert ? tok::into : tok::from) ? (insert ? err::nointo : err::nofrom) : i16(0);
  if (st == 0) {
    ++i;
    st = setwords(atoms, &i, &set);
  }
  if (st == 0) st = usingscript(set, obj, insert);
  writeobj(&obj);
  return st;
}

}  // namespace

scriptstatus cominsert(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  return scriptcommand(path, text, atoms, at + 1, variables, 1);
}

scriptstatus comremove(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  i32 i = at + 1;
  if (tokenat(atoms, i) != tok::all) return scriptcommand(path, text, atoms, i, variables, 0);
  if (tokenat(atoms, ++i) != tok::scripts) return err::cantunderstand;
  if (tokenat(atoms, ++i) != tok::from) return err::nofrom;
  ++i;
  u16 set = 0;
  if (i16 st = setwords(atoms, &i, &set); st != 0) return st;
  killusings(set);
  return 0;
}

i16 hiertofred(u16 front, fred* result) {
  std::span<hier> slots = slotset(front != 0 ? slotsfront : slotsback);
  Handle text = NewHandle(0);
  if (text == nilhandle) return err::nomemory;
  static constexpr u8 ret = 13;
  for (const hier& h : slots) {
    if (isempty(h) || h.descriptor == nilhandle) continue;
    if (HandAndHand(h.descriptor, text) != noErr || PtrAndHand(&ret, text, 1) != noErr) {
      DisposeHandle(text);
      return err::nomemory;
    }
  }
  newfred(result, fredtemp, fredstring, 0);
  givehandtofred(text, result);
  return 0;
}

}  // namespace kv
