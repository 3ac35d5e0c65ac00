// The life cycle of buttons' platform controls: created and parked, shown while drawn, and
// their idle state.
#pragma once

#include "platform/types.h"
#include "platform/windows/windows.h"
#include "shell/desk.h"

namespace kv {

// Gives every button of a list whose platform control wants idle time the global animation
// switch (not while a card image is drawn).
void setcontrolidle(Handle list);
// Parks every platform control of a window (lock screen, effects, editing).
void SquashControls(WindowRef window);
// Brings back the controls of a window's context that want idle time; `invalidate` 1 asks for
// their redraw.
void UnsquashDefaults(const desk* context, i16 invalidate);

}  // namespace kv
