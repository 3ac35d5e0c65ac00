// The services the engine calls up into while scripts run (engine/servicehooks.h), installed
// into its hooks: the program's start-up does it, and so does every test that runs scripts as
// the program does.
#pragma once

namespace kv {

// Installs the busy cursor (properties/), the animated controls (render/), the sound queues,
// speech, the print job and kept sounds (media/), the flush of waiting window output and the
// redraw of a project's windows (shell/) into the engine's hooks.
void installengineservices();

}  // namespace kv
