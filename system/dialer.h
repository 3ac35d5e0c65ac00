// The `dial` command: touch tones through the sound channels, or a dial string sent to a modem
// or serial device through a serial port configured from the global property `serialControl`.
// A port opened for dialing stays open until its hang-up time (the event loop calls
// `checkdialing`) or the quit.
#pragma once

#include <string>

#include "engine/hier.h"
#include "platform/runtime/registry.h"
#include "platform/runtime/root.h"
#include "platform/types.h"

namespace kv {

// `dial number`, `dial number with modem`, `dial number with modem command`: 0, 2 for a
// statement of another shape, 221 when the modem could not be dialed.
scriptstatus comdial(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);

// Opens and configures a serial device from `serialControl`: the port, or nilid after closing
// the device on any failure.
RegistryId BSDOpenSerialPort(const std::string& devicepath);

// Closes the dialer's port once its hang-up time is earlier than `now`, or at once when forced.
void checkdialing(i16 force, u32 now);

// The touch-tone sound of a character (upper case): 130-145, or 0 for none.
i16 touchtoneid(u8 c);

// The dialer's state: the serial port it holds open and when that port closes.
struct DialerState {
  RegistryId serialport;  // the dialer's open serial port (none while none is open)
  u32 hanguptime;         // the tick count at which the dialer's port closes (0 none)
};
inline DialerState& dialerstate() { return state<DialerState>(); }

}  // namespace kv
