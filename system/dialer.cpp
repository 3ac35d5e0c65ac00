#include "system/dialer.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/resources/resources.h"
#include "platform/serial/serial.h"
#include "platform/sound/channels.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"
#include "shell/platformutil.h"
#include "core/settings.h"
#include "store/byteorder.h"
#include "store/records.h"

namespace kv {

namespace {

constexpr i16 kBadShape = 2, kDialFailed = 221;
constexpr i16 kToneMissingResult = 22;
constexpr i16 kProgramTexts = 1005, kModemCommandText = 2;
constexpr u32 kCommaPause = 60, kAfterTone = 10, kTicksPerComma = 120;
constexpr int kWriteAttempts = 3;
bool lineends(Handle atoms, i32 i) {
  u16 t = tokenat(atoms, i);
  return t == tok::endofline || t == tok::endofscript;
}

// Diagnostic lines go to the console only while the settings record's serial word is set.
bool diagnostics() { return currentsettings().serial != 0; }

__attribute__((format(printf, 1, 2))) void say(const char* format, ...) {
  if (!diagnostics()) return;
  char line[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  std::string s(line);
  while (!s.empty() && s.back() == '\n') s.pop_back();
  WriteToConsole(s);
}

// Plays one touch tone on the channel: false when its sound is missing or not of format 2. The
// program's own resources are big-endian: the tone is brought to host order on a copy.
bool playtone(RegistryId channel, i16 id) {
  Handle h = GetResource(fourcc("snd "), id);
  if (h == nilhandle) return false;
  Handle copy = h;
  bool ok = HandToHand(&copy) == noErr;
  ReleaseResource(h);
  if (!ok) return false;
  i64 headerat = 0;
  ok = endianswapsnd2(copy, fromfile) == noErr && loadat<u16>(deref(copy)) == 2 &&
       sndheaderoffset(deref(copy), GetHandleSize(copy), true, &headerat) && GetHandleSize(copy) > headerat;
  if (ok) {
    SampledSound sound{deref(copy) + headerat, Size(GetHandleSize(copy) - headerat)};
    SndDoImmediate(channel, SndCommand{quietCmd, 0, 0});
    ok = SndDoImmediate(channel, SndCommand{soundCmd, 0, 0}, &sound) == noErr &&
         SndDoImmediate(channel, SndCommand{bufferCmd, 0, 0}, &sound) == noErr;
    SndDoImmediate(channel, SndCommand{callBackCmd, 0, 0});
  }
  DisposeHandle(copy);
  if (!ok) return false;
  u32 end;
  Delay(kAfterTone, &end);
  return true;
}

i16 touchtones(ConstStringPtr number) {
  if (number[0] == 0) return 0;
  RegistryId channel = nilid;
  if (SndNewChannel(&channel, sampledSynth) != noErr) return 0;
  for (int i = 1; i <= number[0]; ++i) {
    u8 c = number[i];
    if (c >= 'a' && c <= 'z') c = u8(c - 32);
    if (c == ',') {
      u32 end;
      Delay(kCommaPause, &end);
      continue;
    }
    i16 id = touchtoneid(c);
    if (id == 0) continue;
    if (!playtone(channel, id)) {
      SndDisposeChannel(channel, true);
      return stringtohand(resultstr(kToneMissingResult), mainglobals().result) == 0 ? 0 : 37;
    }
  }
  SndDisposeChannel(channel, true);
  return 0;
}

// The device to dial through: the first of the kind the settings ask for.
bool finddevice(u32 config, std::string* path) {
  say("Loading BSD serial functions.");
  say("Searching list of serial devices.");
  std::vector<std::string> devices;
  if ((config >> 17) & 1) {
    devices = serialdevices(SerialKind::rs232);
    if (devices.empty()) say("IOServices reports no non-modem serial devices available.\n");
  } else {
    devices = serialdevices(SerialKind::modem);
    if (devices.empty()) {
      say("IOServices doesn't list any modems, looking for any serial device instead...\n");
      devices = serialdevices(SerialKind::any);
      if (devices.empty()) say("IOServiceMatching reports there are no modems ot other serial devices available.\n");
    }
  }
  if (devices.empty()) return false;
  say("Obtaining path to first installed device.");
  *path = devices.front();
  say("Target device BSD path: %s\n", path->c_str());
  return true;
}

i16 dialmodem(ConstStringPtr number, ConstStringPtr command) {
  MainGlobals& g = mainglobals();
  std::string dial;
  if (command != nullptr) {
    dial = std::string(pstringview(command));
  } else {
    Str255 s;
    GetIndString(s, kProgramTexts, kModemCommandText);
    dial = std::string(pstringview(s));
  }
  dial += pstringview(number);
  if ((g.serialControl >> 16) & 1) dial += '\r';
  std::string device;
  if (!finddevice(g.serialControl, &device)) return kDialFailed;
  RegistryId port = BSDOpenSerialPort(device);
  if (port == nilid) return kDialFailed;
  bool written = false;
  for (int attempt = 1; attempt <= kWriteAttempts && !written; ++attempt) {
    say("Dialing Modem: Attempt #%d...\n", attempt);
    int e = 0;
    i64 n = serialwrite(port, dial.data(), dial.size(), &e);
    if (n < 0) {
      say("Error writing to device - %s(%d).\n", serialerrortext(e).c_str(), e);
      continue;
    }
    say("Wrote %d bytes: \"%s\"\n", int(n), LogString(dial).c_str());
    written = std::size_t(n) >= dial.size();
  }
  if (!written) {
    // A port that could not be written to is closed again rather than left open unknown.
    serialrestore(port);
    serialclose(port);
    return kDialFailed;
  }
  // A port still open from an earlier dial is closed before the new one takes its place.
  if (dialerstate().hanguptime != 0) checkdialing(1, TickCount());
  u32 commas = 0;
  for (char c : dial) commas += c == ',' ? 1 : 0;
  dialerstate().serialport = port;
  dialerstate().hanguptime = TickCount() + u32(g.dialingTime) + kTicksPerComma * commas;
  return 0;
}

}  // namespace

i16 touchtoneid(u8 c) {
  if (c >= '0' && c <= '9') return i16(c + 82);
  if (c >= 'A' && c <= 'D') return i16(c + 75);
  if (c == '*') return 144;
  if (c == '#') return 145;
  return 0;
}

scriptstatus comdial(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  fred number;
  i32 used = 0;
  if (i16 st = expression(path, text, atoms, at + 1, variables, nilhandle, &used, &number)) return st;
  Str255 digits;
  fredtostring(&number, digits);
  disposfred(&number);
  i32 i = at + 1 + used;
  if (lineends(atoms, i)) return touchtones(digits);
  if (tokenat(atoms, i) != tok::with || tokenat(atoms, i + 1) != tok::modem) return kBadShape;
  i += 2;
  if (lineends(atoms, i)) return dialmodem(digits, nullptr);
  fred command;
  if (i16 st = expression(path, text, atoms, i, variables, nilhandle, &used, &command)) return st;
  Str255 commandtext;
  fredtostring(&command, commandtext);
  disposfred(&command);
  if (!lineends(atoms, i + used)) return kBadShape;
  return dialmodem(digits, commandtext);
}

RegistryId BSDOpenSerialPort(const std::string& devicepath) {
  u32 config = mainglobals().serialControl;
  RegistryId port = nilid;
  say("Opening serial port...");
  if (int e = serialopen(devicepath, &port)) {
    say("Error opening serial port: %s - %s(%d).\n", devicepath.c_str(), serialerrortext(e).c_str(), e);
    return nilid;
  }
  auto fail = [&]() {
    say("Closing serial port...");
    serialclose(port);
    return nilid;
  };
  say("Locking serial port.");
  if (int e = serialexclusive(port)) {
    say("Error setting TIOCEXCL - %s(%d).\n", serialerrortext(e).c_str(), e);
    return fail();
  }
  if (int e = serialblocking(port)) {
    say("Error clearing O_NONBLOCK - %s(%d).\n", serialerrortext(e).c_str(), e);
    return fail();
  }
  say("Fetching current port settings.");
  if (int e = serialsaveattributes(port)) {
    say("Error getting tty attributes - %s(%d).\n", serialerrortext(e).c_str(), e);
    return fail();
  }
  SerialFlags f{};
  serialgetflags(port, &f);
  say("Device File Descriptor: %ld, Attrs: %d, %d, %d, %d, %d, %d\n", serialdescriptor(port), int(f.iflag),
      int(f.oflag), int(f.cflag), int(f.lflag), int(f.ispeed), int(f.ospeed));
  serialrawcopy(port, 10);
  int bps = 0;
  switch (config & 0x3FF) {
    case 380: bps = 300; break;
    case 189: bps = 600; break;
    case 94: bps = 1200; break;
    case 46: bps = 2400; break;
    case 22: bps = 4800; break;
    case 14: bps = 7200; break;
    case 10: bps = 9600; break;
    case 6: bps = 14400; break;
    case 4: bps = 19200; break;
    case 2: bps = 28800; break;
    case 1: bps = 38400; break;
    case 0: bps = 57600; break;
    default: say("Unsupported bitrate set in serialcontrol."); return fail();
  }
  int in = 0, out = 0;
  serialgetspeed(port, &in, &out);
  say("Current input baud rate is %d, current output baud rate is %d\n", in, out);
  say("Setting input baud rate to %d, output baud rate to %d...\n", bps, bps);
  if (int e = serialsetspeed(port, bps)) {
    say("Error setting tty baud rate - %s(%d).\n", serialerrortext(e).c_str(), e);
    return fail();
  }
  say("Setting RTS flow control of input, CTS flow control of output...\n");
  if (int e = serialsetflowcontrol(port)) {
    say("Error setting tty flow control - %s(%d).\n", serialerrortext(e).c_str(), e);
    return fail();
  }
  static constexpr int kDataBits[4] = {5, 7, 6, 8};
  int databits = kDataBits[(config >> 10) & 3];
  say("Setting data bits to %d...\n", databits);
  if (int e = serialsetdatabits(port, databits)) {
    say("Error setting data bits - %s(%d).\n", serialerrortext(e).c_str(), e);
    return fail();
  }
  unsigned stopcode = (config >> 14) & 3;
  if (stopcode == 0 || stopcode == 2) {
    say("Unsupported stop bits option set in serialcontrol.");
    return fail();
  }
  int stopbits = stopcode == 1 ? 1 : 2;
  say("Setting stop bits to %d...\n", stopbits);
  if (int e = serialsetstopbits(port, stopbits)) {
    say("Error setting stop bits - %s(%d).\n", serialerrortext(e).c_str(), e);
    return fail();
  }
  unsigned paritycode = (config >> 12) & 3;
  if (paritycode == 2) {
    say("Unsupported parity option set in serialcontrol.");
    return fail();
  }
  const char* parityname = paritycode == 0 ? "none" : paritycode == 1 ? "odd" : "even";
  say("Setting parity to %s...\n", parityname);
  if (int e = serialsetparity(port, parityname[0])) {
    say("Error setting parity to - %s(%d).\n", serialerrortext(e).c_str(), e);
    return fail();
  }
  if (int e = serialsetdtr(port, true)) {
    say("Error asserting DTR - %s(%d).\n", serialerrortext(e).c_str(), e);
    return fail();
  }
  if (int e = serialsetdtr(port, false)) {
    say("Error clearing DTR - %s(%d).\n", serialerrortext(e).c_str(), e);
    return fail();
  }
  if (int e = serialsetlines(port, kLineDTR | kLineRTS | kLineCTS | kLineDSR)) {
    say("Error setting handshake lines - %s(%d).\n", serialerrortext(e).c_str(), e);
    return fail();
  }
  int lines = 0;
  if (int e = serialgetlines(port, &lines)) {
    say("Error getting handshake lines - %s(%d).\n", serialerrortext(e).c_str(), e);
    return fail();
  }
  say("Handshake lines set to %d\n", lines);
  serialgetflags(port, &f);
  say("New port settings: %ld, Attrs: %d, %d, %d, %d, %d, %d\n", serialdescriptor(port), int(f.iflag), int(f.oflag),
      int(f.cflag), int(f.lflag), int(f.ispeed), int(f.ospeed));
  return port;
}

void checkdialing(i16 force, u32 now) {
  if (dialerstate().hanguptime == 0) return;
  if (force == 0 && dialerstate().hanguptime >= now) return;
  say("Restoring port settings...\n");
  if (int e = serialdrain(dialerstate().serialport))
    say("Error waiting for drain - %s(%d).\n", serialerrortext(e).c_str(), e);
  if (int e = serialrestore(dialerstate().serialport))
    say("Error resetting tty attributes - %s(%d).\n", serialerrortext(e).c_str(), e);
  serialclose(dialerstate().serialport);
  say("Serial Port Closed.\n");
  dialerstate().serialport = nilid;
  dialerstate().hanguptime = 0;
}

}  // namespace kv
