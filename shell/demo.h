// The demo project: what kestrove runs when it is given no project and no request. It is made
// afresh by our own code in a scratch folder: one window "Kestrove demo" of one background and
// one card, whose scripts greet through the message box while the window opens.
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
