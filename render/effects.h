// Visual effects: playing the queue of effects when the card changes (`draweffect`), each
// effect drawing its destination image (the card, black, white, grey or the inverted card)
// into the card offscreen world and carrying the window to it by a plain cut or a named
// transition ('tran' resources: of the project, the shared project or the program).
#pragma once

#include "platform/effects/atoms.h"
#include "platform/qd/qdtypes.h"
#include "platform/runtime/registry.h"
#include "platform/types.h"

namespace kv {

// Plays the queued effects over the card area of the current window (within the clip region
// when one is given), or shows the card by a plain cut when none is queued; the queue is empty
// after. `whole`: the whole window is validated and its grow box drawn.
void draweffect(i16 whole, RgnHandle clip);
// The plain cut: the rectangle of the offscreen world copied onto the current window.
void plain(const Rect& r);

// A 'tran' resource by name, or by id when the name is a number: the current project's, then
// the shared project's, then the program's. 0 with a copy (the caller's), 1 when none is found.
i16 getran(ConstStringPtr name, Handle* out);
// A 'tran' resource of a project by name (when given) or id: 1 with a copy, else 0.
i16 lowgetrandata(RegistryId store, ConstStringPtr name, i16 id, Handle* out);
// The parts of 'tran' data (big-endian: u32 effect kind, u16 source swap, u32 parameter length,
// the parameters' atom container): 1, or 0 for data that is short, or whose parameters overrun
// it or are not an atom container.
i16 unFlattenEffectInfo(Handle tran, OSType* kind, u16* swap, AtomList* params, bool* hasparams);

// One step of playing a transition, by the block's message.
enum : u16 { transinit = 0, transbegin = 1, transstep = 2, transrun = 3 };
struct TransitionBlock {
  CGrafPtr window = nilid;               // the window (source A is its area)
  PixMapHandle destination = nilhandle;  // the destination image (source B): the offscreen's
  Rect area{0, 0, 0, 0};                 // window coordinates
  u16 speed = 0;
  u16 message = transinit;
  u16 framecount = 0;    // out
  u16 currentframe = 0;  // out
  u16 partial = 0;       // out: the area is not the window's whole port
  i16 result = 0;        // out: 0, or 1 when the transition failed
};
// What a transition keeps between its steps.
struct EffectState {
  OSType kind = 0;
  u16 swap = 0;
  AtomList params;
  u32 framecount = 0;
  u32 frame = 0;
  Rect rect{0, 0, 0, 0};  // the effect's rectangle, at 0,0 in the buffers
  bool running = false, timed = false, partial = false, ready = false;
  GWorldPtr a = nilid, b = nilid, out = nilid;
};
// Runs a message of the transition protocol: 0 reads the 'tran' data and counts the frames
// ((speed + 1) x `transtep`, at most 65,535); 1 sets up for stepping and draws the first
// frame, 2 the next (everything is disposed after the last); 3 plays every frame, timed by
// `trandelay` (0: 1/240 s a frame), the abort key ending it between frames.
void RunTransition(TransitionBlock& block, Handle tran, EffectState& state);
// Disposes what a transition made.
void Stop(EffectState& state);

// The frames of a transition at a speed.
u16 transitionframes(u16 speed);
// Whether an effect is playing (platform controls stay parked meanwhile).
bool effectplaying();

}  // namespace kv
