// The settings record: the start settings of the program, resource 'STAT' 0 of the program's
// own resources (resources/settings.res), 18 big-endian 16-bit words. The global state keeps
// it in host order for the whole run (mainglobals().settings).
#pragma once

#include "platform/memory/stored.h"

namespace kv {

// The words, in order. Words 5, 7 and 14 have no reader; word 15 is kept within 9 to 13.
#define KV_SETTINGS_FIELDS(F) \
  F(u16, standalone, 0)       \
  F(u16, twobyte, 2)          \
  F(u16, scriptfont, 4)       \
  F(u16, scriptsize, 6)       \
  F(u16, scriptstyle, 8)      \
  F(u16, word5, 10)           \
  F(u16, interfacefont, 12)   \
  F(u16, word7, 14)           \
  F(u16, depth, 16)           \
  F(u16, width, 18)           \
  F(u16, height, 20)          \
  F(u16, textservices, 22)    \
  F(u16, limitwindows, 24)    \
  F(u16, resourceforks, 26)   \
  F(u16, word14, 28)          \
  F(u16, word15, 30)          \
  F(u16, printing, 32)        \
  F(u16, serial, 34)
KV_STORED_RECORD(settingsrec, 36, KV_SETTINGS_FIELDS)

constexpr ResType kSettingsType = fourcc("STAT");
constexpr i16 kSettingsId = 0;
// The size of the older form, which holds words 0 to 10.
constexpr Size kOldSettingsSize = 22;
// The value of word 0 for a standalone.
constexpr u16 kStandaloneWord = 256;

// Every word at its default.
settingsrec defaultsettings();
// The record as the loading rules make it from a resource's bytes (null or of a size other
// than 36 or 22: the defaults), before the bundle's word and the clamp.
settingsrec settingsfrombytes(const u8* bytes, Size size);
// Loads the record into the global state (a new handle) and sets what follows from it at
// once: two-byte text and the script text defaults. 0, or 37 when memory runs out.
i16 loadsettings();
// The record as the global state holds it (the defaults before loadsettings).
settingsrec currentsettings();

}  // namespace kv
