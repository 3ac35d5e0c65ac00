// Inserted scripts: the four sets of slots whose scripts every message path holds in front of
// its target's levels or behind them (`insert script`, `remove script`), and the refresh of
// slots whose object changed its script or went.
//
// Occupied slots are packed at the high end of their set: an insertion takes the highest
// empty index, a removal moves the slots below it up by one and empties slot 0. A path copies
// a set in index order, so the most recently inserted script of a set is searched first.
#pragma once

#include <span>

#include "engine/hier.h"
#include "platform/types.h"

namespace kv {

struct fred;
struct objread;

// Set numbers, as the commands address them.
enum : u16 { slotsfront = 0, slotseditfront = 1, slotsback = 2, slotseditback = 3 };
// modifyusing modes.
enum : u16 { usingremove = 0, usingfind = 1 };

// The slots of a set (an empty span for another number).
std::span<hier> slotset(u16 set);

// Looks for the slot whose reference text is `text`. Mode usingremove: releases that slot,
// unless it is empty or its script is running, and answers -1. Mode usingfind: the highest
// empty index when the text is not in the set yet and a slot is free, else -1.
i32 modifyusing(std::span<hier> slots, u16 mode, ConstStringPtr text);
// Empties a whole set, sparing the slots whose scripts are running.
void killusings(u16 set);
// Puts the script of a stored record (with its tail) into slot `index` of a set: the slot
// takes one use of its cache entry. 0, or 37 (the slot then holds an empty script).
i16 fillslot(u16 set, i32 index, Handle script, u16 level, ConstStringPtr reference);
// Inserts (insert non-zero) a record's script into a set, or removes it. A script already in
// the set, a full set and a script not in the set are no error.
i16 useslot(u16 set, Handle script, u16 level, ConstStringPtr reference, u16 insert);

// Inserts (insert non-zero) the script of the object a descriptor names into a set, or removes
// it: items, menus, buttons, fields, graphics, cards, backgrounds, windows and projects; any
// other kind does nothing. 0, or 37.
i16 usingscript(u16 set, const objread& obj, u16 insert);

// `insert script of <object> into [editor] front|back` and
// `remove script of <object> from [editor] front|back` and `remove all scripts from [editor]
// front|back`, at atom `at` (the command word): 5 for a word other than "of" or "in" after
// "script", 114 for a word other than "into" after the object (46 for "from" when removing), 2
// for a last word other than "front" or "back"; the reference's error when it names nothing.
scriptstatus cominsert(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
scriptstatus comremove(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);

// `the frontScripts` (front non-zero) or `the backScripts`: the reference text of each
// occupied slot, in slot order, each followed by a return. Always 0.
i16 hiertofred(u16 front, fred* result);

// Rebuilds a stale slot from its reference text, read again against the current desk, or
// drops it when the reference no longer names an object. A slot that is not stale is left.
void checkhier(std::span<hier> slots, i32 index);
// checkhier on every slot: front, back, editor front, editor back in that order; the main
// loop calls it on every pass.
void checkusings();

// True while a handler of that script runs somewhere in the call stack.
bool scriptrunning(Handle script);

}  // namespace kv
