// Classic virtual key codes (the US keyboard) and the characters they type.
#pragma once

#include "platform/types.h"

namespace kv {

enum : u8 {
  kVKReturn = 0x24,
  kVKTab = 0x30,
  kVKSpace = 0x31,
  kVKDelete = 0x33,
  kVKEscape = 0x35,
  kVKCommand = 0x37,
  kVKShift = 0x38,
  kVKCapsLock = 0x39,
  kVKOption = 0x3A,
  kVKControl = 0x3B,
  kVKKeypadEnter = 0x4C,
  kVKHelp = 0x72,
  kVKHome = 0x73,
  kVKPageUp = 0x74,
  kVKForwardDelete = 0x75,
  kVKEnd = 0x77,
  kVKPageDown = 0x79,
  kVKLeftArrow = 0x7B,
  kVKRightArrow = 0x7C,
  kVKDownArrow = 0x7D,
  kVKUpArrow = 0x7E,
  kVKF1 = 0x7A,
};

// Character codes of the keys that type no printable character.
enum : u8 {
  kHomeCharCode = 1,
  kEnterCharCode = 3,
  kEndCharCode = 4,
  kHelpCharCode = 5,
  kBackspaceCharCode = 8,
  kTabCharCode = 9,
  kPageUpCharCode = 11,
  kPageDownCharCode = 12,
  kReturnCharCode = 13,
  kFunctionKeyCharCode = 16,
  kEscapeCharCode = 27,
  kLeftArrowCharCode = 28,
  kRightArrowCharCode = 29,
  kUpArrowCharCode = 30,
  kDownArrowCharCode = 31,
  kDeleteCharCode = 127,
};

// The key that types a Mac Roman character on the US keyboard, and whether shift is needed.
// Characters no key types (accented letters and the like) answer key code 0xFF.
struct KeyStroke {
  u8 keycode;
  bool shift;
};
KeyStroke keyforchar(u8 ch);

// The character a key types with the given modifiers (shift picks the upper row; command
// leaves the character as typed without it; control turns letters and @ [ \ ] ^ _ into their
// control characters, as the platform reports them).
u8 charforkey(u8 keycode, u16 modifiers);

// A key code by its name ("return", "tab", "escape", "left", "f1", "a", ...), or 0xFF.
u8 keycodenamed(const char* name);

}  // namespace kv
