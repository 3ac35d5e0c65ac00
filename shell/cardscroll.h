// Scrolling the card in its window: the card's scroll bars, the port's origin at the scroll
// position, and the mouse wheel.
#pragma once

namespace kv {

// Sets the current window's port origin to the card's scroll position and clips it to the
// window's interior.
void lowclipup();

}  // namespace kv
