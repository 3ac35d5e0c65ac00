// The card offscreen world: one offscreen graphics world that lives for the whole run, over
// bounds stored beforehand, into which cards are composed before they reach a window; and the
// temporary buffers (small worlds of their own) that the picture cache, effects and playback
// use.
//
// The world is a typed registry id. Its pixels are locked with a counted lock; their address
// is handed out only while they are locked and kept in no record.
#pragma once

#include "platform/qd/qdtypes.h"
#include "platform/types.h"

namespace kv {

// Makes the world at a depth (1, 8, 16 or 32; any other depth makes 8) over the stored
// bounds, replacing the one made before: 1 on success, 0 on failure (the old world stays; so
// it does while its pixels are locked).
i16 CreateOffScreen(i16 depth);
// Disposes the world (before a fatal exit and at the end of the run).
void DisposeOffScreen();
GWorldPtr GetOffScreenWorld();
i16 GetOffScreenDepth();
// The world's row bytes (flag bits removed).
u16 GetOffRowBytes();
u16 GetRB();
Rect GetOffScreenBounds();
// Stores the bounds of the next creation; the world is not touched.
void SetOffScreenBounds(const Rect& bounds);

// The counted lock of the world's pixels: the first lock locks them (nothing without a world)
// and every lock answers whether they are locked; the last unlock releases them.
u16 LockOffScreenGWorld();
void UnLockOffScreenGWorld();
// While the pixels are locked: the pixel map (a source or destination of CopyBits) and the
// pixels' address; none otherwise.
PixMapHandle GetOffScreenBits();
Ptr GetOffScreen_Pointer();

// Resizes the world in place at its depth and stores the bounds: 0 when done, 1 while the
// pixels are locked, or the memory error when the world cannot take the size (then nothing
// changed). Without a world only the bounds are stored.
i16 SetOffScreenSize(const Rect& bounds);
// Makes the world again at another depth (1, 8, 16 or 32): 1 on success, when every picture
// buffer is dropped too; 0 for another depth, while the pixels are locked, or when the world
// cannot be made, and the old world stays as it was.
i16 ChangeOffScreenDepth(i16 depth);
// Follows the main screen's depth (called at idle time): after a change the world is made at
// the screen's new depth (the picture buffers dropped), `bufferMode` becomes the world's depth
// and the current card is redrawn.
void resyncoffscreen();
// Copies from the world into the current port (the standard bits operation): 1 when it
// copied.
i16 OffToOnScreen(const Rect& source, const Rect& dest, i16 mode, RgnHandle mask);

// A temporary buffer: a world of its own over a rectangle, its pixels locked while it lives.
struct TempBuffer {
  GWorldPtr world = nilid;
  Rect bounds{0, 0, 0, 0};
  u16 depth = 0;
  PixMapHandle pixmap = nilhandle;
  u16 rowbytes = 0;
};
// Makes a buffer at a depth (1, 8, 16 or 32; any other makes 1 bit) over the rectangle, with
// the colour table of the layer being drawn: 1 on success, 0 on failure (*out then empty).
i16 CreateTempBuffer(i16 depth, const Rect& bounds, TempBuffer* out);
// Does nothing: buffers do not move.
void MoveTempBuffer(TempBuffer* buffer);
// Disposes the buffer's world, when there is one, and clears the record.
void DeleteTempBuffer(TempBuffer* buffer);

}  // namespace kv
