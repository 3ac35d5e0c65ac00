// The window context: one per open project window. Plain data, always copied whole; the
// window table (shell/windtable.h) holds one per window and the global state holds the
// current one. The table finds an entry by its window, by its serial, or by its project store
// and window number.
#pragma once

#include <type_traits>

#include "platform/runtime/registry.h"
#include "platform/types.h"

namespace kv {

struct desk {
  RegistryId store;    // the open project store of the window's project (RegType::store)
  Handle head;         // the project's head record (store record 0)
  Handle windlib;      // the project's library record of windows (store record 1)
  u32 windnum;         // 1-based position in the window library
  u32 windrecid;       // store id of the window record
  u32 windbook;        // second word of the window's book entry (the window id)
  Handle wind;         // the loaded window record
  u32 cardnum;         // 1-based position of the current card in the card list
  u32 cardrecid;       // store id of the current card's record
  u32 cardid;          // the card's user-visible id
  Handle card;         // the loaded card record
  Handle cardspots;    // the card's object array
  Handle cardclut;     // the card's colour table
  u32 backrecid;       // store id of the current background's record
  u32 backid;          // the background's user-visible id
  Handle back;         // the loaded background record
  Handle backspots;    // the background's object array
  Handle backclut;     // the background's colour table
  RegistryId window;   // the platform window (RegType::window); first key of the table
  RegistryId hscroll;  // the card's horizontal scroll bar (0 when absent)
  RegistryId vscroll;  // the card's vertical scroll bar (0 when absent)
  u64 serial;          // use-counter value taken at open; second key of the table
  u64 changestamp;     // fresh use-counter value at open and at every change of card
  u16 tool;            // current tool (100, the browse tool, at open)
  u16 backlayer;       // non-zero while the background layer is edited
  u16 plugin;          // the window's copy of the global plug-in mode
  u16 sheetflags;      // bit 0: a script's sheet alert is attached
  u16 reserved;        // cleared at open
  u16 hilitecolor;     // the window's hiliteColor: one more than a colour index, 0 none
};
static_assert(std::is_trivially_copyable_v<desk>, "a desk is kept in a handle and copied whole");

// The browse tool, every window's tool at open.
constexpr u16 kBrowseTool = 100;

}  // namespace kv
