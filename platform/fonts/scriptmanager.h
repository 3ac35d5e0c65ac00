// The Script Manager's view of the installed writing systems. Only the Roman script is
// enabled: text is Mac Roman throughout, no script is right to left and none is two-byte.
#pragma once

#include "platform/types.h"

namespace kv {

constexpr i16 smRoman = 0;

// Selectors of GetScriptManagerVariable.
enum : i16 {
  smEnabled = 4,      // number of enabled scripts
  smBidirect = 6,     // nonzero when a right-to-left script is enabled
  smKeyScript = 22,   // the keyboard's script
  smDoubleByte = 36,  // nonzero when a two-byte script is installed
};

// Selectors of GetScriptVariable.
enum : i16 {
  smScriptEnabled = 4,  // nonzero when the script is enabled
  smScriptSysFond = 12, // the script's system font
  smScriptAppFond = 14, // the script's application font
  smScriptFlags = 22,   // the script's flag bits
};

i32 GetScriptManagerVariable(i16 selector);
i32 GetScriptVariable(i16 script, i16 selector);
// The script a font family belongs to.
i16 FontToScript(i16 font);
// The system's line direction: 0 left to right, -1 right to left.
i16 GetSysDirection();

}  // namespace kv
