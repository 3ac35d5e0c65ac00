// Keyboard and wheel handling of the platform lists of the script dialogs: scrolling by wheel
// notches, the navigation keys (Home, End, Page Up/Down, the arrows) and typing the start of
// a row to select it.
#pragma once

#include "platform/events/eventrecord.h"
#include "platform/lists/lists.h"

namespace kv {

// Scrolls the list by `delta` rows within its scroll range: 1 when it moved, 0 when the
// bounded delta is 0.
i16 wheelist(i32 delta, ListHandle list);

// The navigation keys: 1 when the key was handled (the event then becomes a null event).
i16 navigatelist(EventRecord* event, ListHandle list);

// Type-to-select: 1 when the key was taken (found or not), 0 for a key that does not take
// part or the key that overflows the buffer (which beeps and empties it).
i16 searchlist(EventRecord* event, ListHandle list);

// The match procedure of type-to-select: 0 when the cell starts with exactly the typed bytes,
// 1 otherwise (an empty cell never matches).
i16 PlistRTasklistmatchproc(const u8* cell, const u8* typed, i16 celllength, i16 typedlength);

}  // namespace kv
