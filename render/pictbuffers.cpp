#include "render/pictbuffers.h"

#include <algorithm>
#include <cstring>

#include "engine/textutil.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "render/pictinfo.h"
#include "core/mainglobals.h"
#include "core/memoryguard.h"

namespace kv {

namespace {

Handle& list() { return mainglobals().pictbuffers; }

i32 count(Handle l) { return l ? HandleCount<pictbuffer>(l) : 0; }

pictbuffer entry(i32 i) { return HandleAs<pictbuffer>(list())[i]; }
void setentry(i32 i, const pictbuffer& b) { HandleAs<pictbuffer>(list())[i] = b; }

i64 freshstamp() { return i64(++mainglobals().usecounter); }

// Appends the decimal text of an unsigned number.
void appendnumber(u64 n, StringPtr key) {
  char digits[24];
  int len = 0;
  do {
    digits[len++] = char('0' + n % 10);
    n /= 10;
  } while (n != 0);
  while (len > 0) appendchar(u8(digits[--len]), key);
}

// The index of the first buffer whose key equals `key`, or -1.
i32 findkey(ConstStringPtr key) {
  const i32 n = count(list());
  for (i32 i = 0; i < n; ++i) {
    Str255 k;
    handtostring(entry(i).key, k);
    if (myequalstring(k, key)) return i;
  }
  return -1;
}

void touch(i32 i) {
  pictbuffer b = entry(i);
  if (b.stamp >= 0) {
    b.stamp = freshstamp();
    setentry(i, b);
  }
}

// The index of the buffer with the smallest stamp (the first of equals), or -1.
i32 leastrecent() {
  const i32 n = count(list());
  i32 best = -1;
  for (i32 i = 0; i < n; ++i)
    if (best < 0 || entry(i).stamp < entry(best).stamp) best = i;
  return best;
}

void release(const pictbuffer& b) {
  if (b.key) DisposeHandle(b.key);
  if (b.kind == pictbufferworld && b.world) DisposeGWorld(b.world);
  if (b.kind == pictbufferhandle && b.image) DisposeHandle(b.image);
}

}  // namespace

bool get_id_from_spot(const spot& s, i32 number, StringPtr key) {
  key[0] = 0;
  if (Handle path = GetPictPathHandle(s.alt); path != nilhandle) {
    handtostring(path, key);
    if (key[0] > 0) return true;
  }
  Handle data = GetPictDataHandle(s.alt);
  if (data == nilhandle || GetHandleSize(data) < 1) return false;
  appendnumber(u64(GetHandleSize(data)), key);
  appendnumber(u64(data), key);
  if (number < 0) appendchar('-', key);
  appendnumber(number < 0 ? u64(-i64(number)) : u64(number), key);
  return true;
}

i32 findpictbuffer(const spot& s, pictbuffer* out) {
  if (list() == nilhandle) return -1;
  Str255 key;
  if (!get_id_from_spot(s, i32(s.id), key)) return -1;
  const i32 i = findkey(key);
  if (i < 0) return -1;
  touch(i);
  if (out) *out = entry(i);
  return i;
}

i32 addpictbuffer(const spot& s, pictbuffer* b) {
  Str255 key;
  if (!get_id_from_spot(s, i32(s.id), key)) return -1;
  if (memoryrefused(Size(key[0] + sizeof(pictbuffer)))) return -1;
  if (list() == nilhandle) {
    Handle l = NewHandle(0);
    if (l == nilhandle) return -1;
    list() = l;
  }
  Handle k = nilhandle;
  if (stringtonewh(key, &k) != 0) return -1;
  b->key = k;
  b->stamp = freshstamp();
  if (PtrAndHand(b, list(), sizeof *b) != noErr) {
    DisposeHandle(k);
    b->key = nilhandle;
    return -1;
  }
  // The new buffer has the greatest stamp, so it stays last while older ones go.
  const i32 limit = std::max<i32>(mainglobals().pictCache, 1);
  while (count(list()) > limit && cleanpicts()) {
  }
  return count(list()) - 1;
}

i32 swapictbuffer(const spot& s, bool haswindow, i32 first, i32 second, bool move) {
  if (list() == nilhandle) return -1;
  Str255 key;
  if (!get_id_from_spot(s, first, key)) return -1;
  const i32 i = findkey(key);
  if (i < 0) return -1;
  if (!haswindow) {
    killonepict(i);
    return i;
  }
  if (!move) return i;
  Str255 newkey;
  pictbuffer b = entry(i);
  if (!get_id_from_spot(s, second, newkey) || stringtohand(newkey, b.key) != 0) {
    killonepict(i);
    return -1;
  }
  if (b.stamp >= 0) b.stamp = freshstamp();
  setentry(i, b);
  return i;
}

void killonepict(i32 index) {
  if (index < 0 || index >= count(list())) return;
  release(entry(index));
  Handle l = list();
  const i32 n = count(l);
  Ptr p = deref(l);
  std::memmove(p + index * Size(sizeof(pictbuffer)), p + (index + 1) * Size(sizeof(pictbuffer)),
               size_t(n - index - 1) * sizeof(pictbuffer));
  SetHandleSize(l, (n - 1) * Size(sizeof(pictbuffer)));
}

void killpictbuffer(const spot& s) {
  const i32 i = findpictbuffer(s, nullptr);
  if (i >= 0) killonepict(i);
}

i16 cleanpicts() {
  const i32 i = leastrecent();
  if (i < 0) return 0;
  killonepict(i);
  return 1;
}

void purgepictbuffer() {
  while (cleanpicts()) {
  }
}

i16 movepicts() {
  if (list() == nilhandle) return 0;
  const i32 n = count(list());
  for (i32 i = 0; i < n; ++i) {
    const pictbuffer b = entry(i);
    if (b.kind == pictbufferworld && b.world) UnlockPixels(GetGWorldPixMap(b.world));
  }
  return 1;
}

i32 pictbuffercount() { return count(list()); }

bool pictbufferat(i32 i, pictbuffer* out) {
  if (i < 0 || i >= count(list())) return false;
  *out = entry(i);
  return true;
}

void dumppictbuffers(Handle& l) {
  if (l == nilhandle) return;
  for (i32 i = 0; i < count(l); ++i) release(HandleAs<pictbuffer>(l)[i]);
  DisposeHandle(l);
  l = nilhandle;
}

}  // namespace kv
