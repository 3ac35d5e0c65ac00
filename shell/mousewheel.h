// The mouse wheel over a project window. The platform's wheel event is not acted on where it
// arrives (inside a wait): it becomes a request the program sends itself, class 'MDOX' and id
// 'mwhl', carrying the 16-byte wheel record, and the event loop hands that record to
// HandleMouseWheelAppleEvent, which sends "mouseWheel" to the object under the mouse and
// scrolls a field, a list field or the card.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/events/eventrecord.h"
#include "platform/events/handlers.h"
#include "platform/types.h"

namespace kv {

constexpr u32 kWheelRequestClass = fourcc("MDOX");
constexpr u32 kWheelRequestId = fourcc("mwhl");
// The request's direct parameter: the record, of type 'evrc'.
constexpr u32 kWheelRecordKeyword = fourcc("----");

// The handler of the platform's wheel-moved events (installed at start-up). Over a window's
// content, a non-zero delta is posted as the wheel request: kind 0, message axis (1 vertical,
// 0 horizontal) x 65,536 + the delta's low 16 bits, time 0, the global point, the modifiers.
// Nothing is posted while a tracking loop or a modal dialog runs. Always answers noErr.
OSStatus PeditRThandlemousewheelproc(EventHandlerCallRef call, EventRef event, u32 userdata);

// The receiver of the wheel request: the record when the direct parameter is exactly 16
// bytes; false for anything else.
bool wheelrecordof(const std::vector<std::pair<u32, std::string>>& params, EventRecord* out);

// Acts on one wheel record. The window is the one under the record's point; nothing (0) while
// a tracking loop or a modal dialog runs, for a zero delta, outside a window's content or for a
// window that is not a project window. "mouseWheel vertical|horizontal, delta" goes to the
// object under the point (the card's objects from the top, then the background's), else to the
// card: a handler that does not pass ends it with its status (a script error reported once).
// Passed, a vertical wheel scrolls a scrolling field (4 pixels a notch, 10 with option, 20 with
// command, 40 with both; "scrollField") or a list field (1, 5, 10, 20 rows); a field at its end,
// a horizontal wheel or an empty place scrolls a scrolling window's card by one arrow step
// ("scrollWindow"). -1000 when nothing took it.
i16 HandleMouseWheelAppleEvent(const EventRecord& wheel);

}  // namespace kv
