// The inserted-script slots: finding, filling, emptying and listing them.
#include "engine/insertscripts.h"

#include <algorithm>
#include <cstring>

#include "engine/fred.h"
#include "engine/sendmes.h"
#include "engine/status.h"
#include "engine/textutil.h"
#include "platform/memory/memory.h"
#include "shell/mainglobals.h"

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

i16 hiertofred(u16 front, fred* result) {
  std::span<hier> slots = slotset(front != 0 ? slotsfront : slotsback);
  Handle text = NewHandle(0);
  if (text == nilhandle) return statusnomemory;
  static constexpr u8 ret = 13;
  for (const hier& h : slots) {
    if (isempty(h) || h.descriptor == nilhandle) continue;
    if (HandAndHand(h.descriptor, text) != noErr || PtrAndHand(&ret, text, 1) != noErr) {
      DisposeHandle(text);
      return statusnomemory;
    }
  }
  newfred(result, fredtemp, fredstring, 0);
  givehandtofred(text, result);
  return 0;
}

}  // namespace kv
