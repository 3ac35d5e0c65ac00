// Picture buffers: the cache of decoded pictures of picture graphics. Each buffer is found by
// its key, a short text naming the picture's image (its linked file path, or its data's size
// and identity and an object's id), and carries a last-use stamp from the shared use counter.
// The list holds at most `pictCache` buffers; the least recently used goes first.
#pragma once

#include "platform/qd/qdtypes.h"
#include "store/records.h"

namespace kv {

enum : u32 {
  pictbufferembedded = 1,  // the object's own picture, not rendered (nothing to free)
  pictbufferworld = 2,     // rendered into an offscreen world
  pictbufferhandle = 3,    // a picture loaded from a file, not rendered
};

// One buffer. The list owns the key, and the world (kind 2) or image (kind 3).
struct pictbuffer {
  u32 kind = 0;
  Rect frame{0, 0, 0, 0};  // the picture's frame
  Handle key = nilhandle;  // the key's characters
  Handle image = nilhandle;
  GWorldPtr world = nilid;
  u32 display[4] = {};  // kept for the picture display
  i64 stamp = 0;        // last use; a negative stamp is never refreshed
};

// The key of a picture graphic's image with the given number; false when the picture has
// neither a linked path nor data.
bool get_id_from_spot(const spot& s, i32 number, StringPtr key);

// The index of the object's buffer (keyed with the object's id, compared without regard to
// case), its stamp refreshed and a copy in *out (when given); -1 when there is none.
i32 findpictbuffer(const spot& s, pictbuffer* out);
// Appends a buffer for an object's picture, keyed with the object's id and stamped with a
// fresh use count; then frees the least recently used buffers while more than `pictCache`
// (at least 1) remain. Answers the new buffer's index, with its key and stamp in *b; -1 when
// the object has no key or memory runs out (b's world and image stay the caller's then).
i32 addpictbuffer(const spot& s, pictbuffer* b);
// Moves the buffer keyed with `first` to the key with `second`: without a window it is freed;
// without `move` it is left; otherwise re-keyed and stamped afresh. Answers its index, or -1
// when there is none (or when re-keying runs out of memory; the buffer is freed then).
i32 swapictbuffer(const spot& s, bool haswindow, i32 first, i32 second, bool move);

void killonepict(i32 index);
void killpictbuffer(const spot& s);
// Frees the buffer with the smallest stamp (the first of equals): 1, or 0 for an empty list.
i16 cleanpicts();
// Frees every buffer, least recently used first.
void purgepictbuffer();
// Unlocks the pixels of every buffer's world: 0 without a list, else 1.
i16 movepicts();

i32 pictbuffercount();
// A copy of buffer i (false for a bad index).
bool pictbufferat(i32 i, pictbuffer* out);
// Frees every buffer and the list itself (the end of the run).
void dumppictbuffers(Handle& list);

}  // namespace kv
