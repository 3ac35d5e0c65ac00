// The demo project: what kestrove runs when it is given no project and no request. It is made
// afresh by our own code in a scratch folder: one window "Kestrove demo" of one background and
// two cards, whose scripts greet through the message box while the window opens. Card 1 has a
// button "Next" (`go next card`) and a field "Typed" that the card's keyStroke handler fills
// with the keys typed; card 2 has a button "Back" and a filled rectangle.
#pragma once

#include "platform/types.h"

namespace kv {

// Makes the demo project and opens its window as a project named on the command line opens:
// its opening messages run. 0, or the status that stopped it.
i16 opendemo();
// Takes the demo's scratch folder away with the project in it; the demo's window must be
// closed first. Nothing when no demo was made.
void removedemo();

}  // namespace kv
