// The 16-byte event record and the codes that go with it: event kinds, masks, modifier bits
// and the message layouts of key, update, activate and operating-system events.
#pragma once

#include "platform/memory/stored.h"
#include "platform/runtime/registry.h"

namespace kv {

// what (event kind), message, when (ticks), where (global point), modifiers. Externals see it
// in host order; the layout is fixed at 16 bytes.
#define KV_EVENTRECORD_FIELDS(F) \
  F(u16, what, 0)                \
  F(u32, message, 2)             \
  F(u32, when, 6)                \
  F(Point, where, 10)            \
  F(u16, modifiers, 14)
KV_STORED_RECORD(EventRecord, 16, KV_EVENTRECORD_FIELDS)

// Event kinds.
enum : u16 {
  nullEvent = 0,
  mouseDown = 1,
  mouseUp = 2,
  keyDown = 3,
  keyUp = 4,
  autoKey = 5,
  updateEvt = 6,
  diskEvt = 7,
  activateEvt = 8,
  osEvt = 15,
  kHighLevelEvent = 23,
};

// Event masks: bit n selects kind n.
using EventMask = u16;
enum : EventMask {
  mDownMask = 1 << mouseDown,
  mUpMask = 1 << mouseUp,
  keyDownMask = 1 << keyDown,
  keyUpMask = 1 << keyUp,
  autoKeyMask = 1 << autoKey,
  updateMask = 1 << updateEvt,
  diskMask = 1 << diskEvt,
  activMask = 1 << activateEvt,
  highLevelEventMask = 0x0400,
  osMask = 0x8000,
  everyEvent = 0xFFFF,
};

// The mask bit of an event kind (kind 23, high-level, has the mask bit 10).
constexpr EventMask eventmaskbit(u16 what) {
  if (what == kHighLevelEvent) return highLevelEventMask;
  if (what == osEvt) return osMask;
  return what < 16 ? EventMask(1u << what) : EventMask(0);
}

// Modifier bits of the event record and of the current modifier word.
enum : u16 {
  activeFlag = 0x0001,  // activate events: set for activate, clear for deactivate
  btnState = 0x0080,    // set while the mouse button is UP
  cmdKey = 0x0100,
  shiftKey = 0x0200,
  alphaLock = 0x0400,
  optionKey = 0x0800,
  controlKey = 0x1000,
};

// Key event messages: the character code in the low byte, the virtual key code in the next.
enum : u32 {
  charCodeMask = 0x000000FF,
  keyCodeMask = 0x0000FF00,
};

// Operating-system events: the top byte of the message says which.
enum : u32 {
  osEvtMessageMask = 0xFF000000,
  suspendResumeMessage = 0x01,
  mouseMovedMessage = 0xFA,
  resumeFlag = 1,  // bit 0 of a suspend/resume message: 1 resume, 0 suspend
  convertClipboardFlag = 2,
};

}  // namespace kv
