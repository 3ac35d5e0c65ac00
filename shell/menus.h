// Menu choices and menu keys, and the menu bar's upkeep.
#pragma once

#include "platform/events/eventrecord.h"
#include "platform/types.h"

namespace kv {

// A menu result: menu id in the high half (signed), item number (from 1) in the low half.
inline i16 menuresultid(i32 result) { return i16(u32(result) >> 16); }
inline i16 menuresultitem(i32 result) { return i16(u32(result) & 0xFFFF); }

// Sends "itemSelect" for a menu choice: 0, 63 when the result names no menu item, or the
// send's status.
i16 docommand(i32 result);
// Sends "returnKey", "enterKey" or "menuKey" with the character to the card of the front
// project window (nothing when that window is hidden): the send's status.
i16 sendmenukey(i16 character);
// Rebuilds the menu bar from the current menu set, and draws it.
void buildmenubar();
void drawmenubar();

// The platform's menu tracking: the result of a menu chosen with the mouse from a click in the
// menu bar, or by a command key (0: nothing chosen).
i32 MenuSelect(Point start);
i32 MenuKey(i16 character);
i32 MenuEvent(const EventRecord& event);

}  // namespace kv
