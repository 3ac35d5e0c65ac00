// Serial ports over POSIX terminal control: finding the serial devices, opening one, changing
// its settings one step at a time (each step applied at once), writing, draining, restoring the
// settings it had and closing it. An open port is a registry id (RegType::serialport); it keeps
// the settings the device had when it was opened. Failures answer the system's error number
// (errno), which `serialerrortext` names.
#pragma once

#include <string>
#include <vector>

#include "platform/runtime/registry.h"
#include "platform/types.h"

namespace kv {

// The kinds of serial device a search asks for.
enum class SerialKind : u8 { rs232, modem, any };

// The devices of a kind, callout paths first found first: USB modems (ttyACM) are modems; the
// machine's serial ports and USB serial adapters (ttyS with hardware behind it, ttyUSB) are
// RS-232 ports; `any` lists both.
std::vector<std::string> serialdevices(SerialKind kind);
// Test control: the devices to list instead of the machine's (path, modem or not); an empty
// list with `use` false gives the machine's back.
struct SerialDevice {
  std::string path;
  bool modem;
};
void setserialdevices(std::vector<SerialDevice> devices, bool use = true);

// Opens a device for reading and writing without blocking and without making it the
// controlling terminal: 0 and the port, or errno.
int serialopen(const std::string& path, RegistryId* port);
int serialexclusive(RegistryId port);       // exclusive use of the terminal
int serialblocking(RegistryId port);        // blocking reads and writes again
int serialsaveattributes(RegistryId port);  // keeps the settings it has now
// Starts the working settings from a raw copy of the kept ones: reads return after at least
// one byte, with a time-out of `tenths` tenths of a second.
int serialrawcopy(RegistryId port, int tenths);
int serialsetspeed(RegistryId port, int bitspersecond);  // both directions (any rate)
int serialsetflowcontrol(RegistryId port);               // RTS on input, CTS on output
int serialsetdatabits(RegistryId port, int bits);        // 5 to 8
int serialsetstopbits(RegistryId port, int bits);        // 1 or 2
int serialsetparity(RegistryId port, char parity);       // 'n', 'o' or 'e'
// The modem control lines: raise or drop DTR, set all lines, read them. A device without modem
// lines (a pseudo-terminal) answers 0 and reads none.
int serialsetdtr(RegistryId port, bool on);
int serialsetlines(RegistryId port, int lines);
int serialgetlines(RegistryId port, int* lines);
// The current speeds and character settings, for the diagnostic lines.
int serialgetspeed(RegistryId port, int* input, int* output);
struct SerialFlags {
  long iflag, oflag, cflag, lflag, ispeed, ospeed;
};
int serialgetflags(RegistryId port, SerialFlags* flags);
// Writes the bytes: the count written, or -1 with errno in *error.
i64 serialwrite(RegistryId port, const void* data, std::size_t n, int* error);
int serialdrain(RegistryId port);    // waits until all output was sent
int serialrestore(RegistryId port);  // the kept settings back
int serialclose(RegistryId port);
// The device file descriptor number (for the diagnostic lines), -1 when not open.
long serialdescriptor(RegistryId port);

// The system's text of an error number.
std::string serialerrortext(int error);

// The modem line bits of serialsetlines and serialgetlines.
enum : int { kLineDTR = 0x002, kLineRTS = 0x004, kLineCTS = 0x020, kLineDSR = 0x100 };

// A pseudo-terminal pair for tests: the device path of the terminal side, and reading what was
// written to it on the other side (at most n bytes within `waitms`).
class PseudoTerminal {
 public:
  PseudoTerminal();
  ~PseudoTerminal();
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;
  const std::string& path() const { return path_; }
  std::string read(std::size_t n, int waitms);
  // The terminal side's current speed (set through the device) and data bits.
  int speed() const;
  int databits() const;

 private:
  int master_ = -1;
  int keepopen_ = -1;
  std::string path_;
};

}  // namespace kv
