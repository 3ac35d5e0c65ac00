// The script cache: every tokenised script lives here once, keyed by its level and its
// object's reference text; message paths hold copies that each take one use of the entry.
// Unused entries stay cached until the cache grows past scriptCache, when the least recently
// used goes.
#include <array>
#include <cstring>

#include "engine/hier.h"
#include "engine/status.h"
#include "engine/textutil.h"
#include "engine/tokenizer.h"
#include "platform/memory/memory.h"
#include "platform/runtime/root.h"
#include "core/mainglobals.h"
#include "core/memoryguard.h"
#include "store/records.h"

namespace kv {

namespace {

constexpr int slotcount = 20;

struct ScriptCacheState {
  Handle entries = nilhandle;  // hier records
  hier empty;                  // emptyhier
  std::array<hier, slotcount> slots{};
  std::array<u16, slotcount> stale{};

  ~ScriptCacheState() {
    if (entries != nilhandle) {
      for (Size i = 0, n = HandleCount<hier>(entries); i < n; ++i) freeentry(HandleAs<hier>(entries)[i]);
      DisposeHandle(entries);
    }
    // Slots share the empty entry's handles or hold uses of cache entries freed above.
    freeentry(empty);
  }

  static void freeentry(const hier& h) {
    if (h.script != nilhandle) DisposeHandle(h.script);
    if (h.atoms != nilhandle) DisposeHandle(h.atoms);
    if (h.descriptor != nilhandle) DisposeHandle(h.descriptor);
  }
};

ScriptCacheState& cache() {
  ScriptCacheState& s = state<ScriptCacheState>();
  if (s.entries == nilhandle) s.entries = NewHandle(0);
  return s;
}

Size entrycount(ScriptCacheState& s) { return s.entries == nilhandle ? 0 : HandleCount<hier>(s.entries); }
hier* entryat(ScriptCacheState& s, Size i) { return HandleAs<hier>(s.entries) + i; }

bool samekey(const hier& h, u16 level, ConstStringPtr reference) {
  if (h.level != level || h.descriptor == nilhandle) return false;
  Size n = GetHandleSize(h.descriptor);
  return n == reference[0] && equalchars(deref(h.descriptor), reference + 1, n);
}

void removeentry(ScriptCacheState& s, Size i) {
  ScriptCacheState::freeentry(*entryat(s, i));
  Size n = entrycount(s);
  std::memmove(entryat(s, i), entryat(s, i + 1), size_t(n - i - 1) * sizeof(hier));
  SetHandleSize(s.entries, Size(n - 1) * Size(sizeof(hier)));
}

u64 nextstamp() { return ++mainglobals().usecounter; }

// Tokenises a copy of the first `length` bytes of the script into a new entry (not yet in the
// cache). 0 done; 37 when the guard refused (the entry then holds an empty script); -1 when
// nothing could be made.
i16 buildentry(Handle script, Size length, u16 level, ConstStringPtr reference, hier* e) {
  i16 status = 0;
  Handle copy = nilhandle;
  if (memoryrefused(Size(3) * length)) {
    status = err::nomemory;
    copy = NewHandle(0);
  } else if (script == nilhandle || length == 0) {
    copy = NewHandle(0);
  } else if (PtrToHand(deref(script), &copy, length) != noErr) {
    copy = nilhandle;
  }
  Handle atoms = copy == nilhandle ? nilhandle : NewHandle(0);
  Handle descriptor = nilhandle;
  bool made = atoms != nilhandle && PtrToHand(reference + 1, &descriptor, reference[0]) == noErr;
  *e = hier{};
  e->level = level;
  e->script = copy;
  e->atoms = atoms;
  e->descriptor = descriptor;
  // The stop marker is there only while the text is tokenised.
  Size textsize = made ? GetHandleSize(copy) : 0;
  if (!made || appendstop(copy) != textsize + 2 || atomize(copy, atoms, e) != 0) {
    ScriptCacheState::freeentry(*e);
    *e = hier{};
    return -1;
  }
  SetHandleSize(copy, textsize);
  return status;
}

// Releases one use of the cache entry whose creation stamp is given.
void releaseuse(u64 creation) {
  if (creation == 0) return;
  ScriptCacheState& s = cache();
  for (Size i = 0, n = entrycount(s); i < n; ++i) {
    hier* h = entryat(s, i);
    if (h->creation != creation) continue;
    if (--h->usecount < 1) {
      if (h->lastuse < 0) {
        removeentry(s, i);
      } else {
        h->usecount = 0;
      }
    }
    return;
  }
}

}  // namespace

namespace {

// Finds the entry of (level, reference), takes one use of it and copies it out.
bool findentry(u16 level, ConstStringPtr reference, hier* out) {
  ScriptCacheState& s = cache();
  for (Size i = 0, n = entrycount(s); i < n; ++i) {
    hier* h = entryat(s, i);
    if (!samekey(*h, level, reference)) continue;
    ++h->usecount;
    if (h->lastuse >= 0) h->lastuse = i64(nextstamp());
    *out = *h;
    return true;
  }
  return false;
}

i16 newentry(Handle script, Size length, u16 level, ConstStringPtr reference, hier* out) {
  ScriptCacheState& s = cache();
  hier e;
  i16 status = buildentry(script, length, level, reference, &e);
  if (status < 0) return err::nomemory;
  e.usecount = 1;
  e.creation = nextstamp();
  e.lastuse = i64(e.creation);
  if (PtrAndHand(&e, s.entries, Size(sizeof(hier))) != noErr) {
    ScriptCacheState::freeentry(e);
    return err::nomemory;
  }
  *out = e;
  if (entrycount(s) > mainglobals().scriptCache) cleanhier();
  return status;
}

}  // namespace

i16 makehier(Handle script, u16 level, ConstStringPtr reference, hier* out) {
  if (findentry(level, reference, out)) return 0;
  return newentry(script, script == nilhandle ? 0 : GetHandleSize(script), level, reference, out);
}

i16 makerecordhier(Handle script, u16 level, ConstStringPtr reference, hier* out) {
  if (findentry(level, reference, out)) return 0;
  Size n = script == nilhandle ? 0 : GetHandleSize(script);
  Size tail = Size(sizeof(scripttail));
  return newentry(script, n > tail ? n - tail : 0, level, reference, out);
}

i16 cleanhier() {
  ScriptCacheState& s = cache();
  Size pick = -1;
  i64 oldest = 0;
  for (Size i = 0, n = entrycount(s); i < n; ++i) {
    const hier* h = entryat(s, i);
    if (h->usecount != 0 || h->lastuse == 0x7FFFFFFF) continue;
    if (pick < 0 || h->lastuse < oldest) {
      pick = i;
      oldest = h->lastuse;
    }
  }
  if (pick < 0) return 0;
  removeentry(s, pick);
  return 1;
}

void markhier(u16 level, ConstStringPtr reference) {
  ScriptCacheState& s = cache();
  for (Size i = 0, n = entrycount(s); i < n; ++i) {
    hier* h = entryat(s, i);
    if (!samekey(*h, level, reference)) continue;
    if (h->usecount < 1) {
      removeentry(s, i);
    } else {
      h->lastuse = -1;
    }
    break;
  }
  if (mainglobals().refreshInsertedScripts == 0) return;
  for (int i = 0; i < slotcount; ++i) {
    const hier& slot = s.slots[size_t(i)];
    if (slot.script != nilhandle && slot.descriptor != nilhandle && slot.creation != 0 &&
        GetHandleSize(slot.descriptor) == reference[0] &&
        equalchars(deref(slot.descriptor), reference + 1, reference[0]))
      s.stale[size_t(i)] = 1;
  }
}

void releasehier(const hier& entry) { releaseuse(entry.creation); }

void dumphier(hierpath path) {
  for (hier& h : path) {
    if (h.slot >= 0) continue;
    releaseuse(h.creation);
    if (h.level == hiershared) break;
  }
}

i16 inithiers() {
  ScriptCacheState& s = cache();
  ScriptCacheState::freeentry(s.empty);
  s.empty = hier{};
  static constexpr u8 indirect[] = "\x08indirect";
  i16 status = buildentry(nilhandle, 0, hierempty, indirect, &s.empty);
  if (status < 0) {
    s.empty = hier{};
    return err::nomemory;
  }
  for (int i = 0; i < slotcount; ++i) {
    s.slots[size_t(i)] = s.empty;
    s.slots[size_t(i)].slot = i16(i);
    s.stale[size_t(i)] = 0;
  }
  return status;
}

void releasehiers() {
  if (!hasstate<ScriptCacheState>()) return;
  ScriptCacheState& s = state<ScriptCacheState>();
  if (s.entries != nilhandle) {
    for (Size i = 0, n = entrycount(s); i < n; ++i) ScriptCacheState::freeentry(*entryat(s, i));
    DisposeHandle(s.entries);
    s.entries = nilhandle;
  }
  ScriptCacheState::freeentry(s.empty);
  s.empty = hier{};
  for (hier& slot : s.slots) slot = hier{};
}

const hier& emptyhier() { return cache().empty; }

std::span<hier> hierslots() { return cache().slots; }

std::span<u16> hierstale() { return cache().stale; }

i32 hiercount() { return i32(entrycount(cache())); }

const hier* hierat(i32 index) {
  ScriptCacheState& s = cache();
  return index >= 0 && index < entrycount(s) ? entryat(s, index) : nullptr;
}

i32 getscriptcache() { return mainglobals().scriptCache; }

void setscriptcache(i32 n) { mainglobals().scriptCache = n > 30 ? 31 : n < 8 ? 8 : n; }

}  // namespace kv
