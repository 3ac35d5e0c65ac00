// The Script Manager's view of the installed writing systems. The Roman script is always
// enabled; the Japanese script (Shift-JIS text) is enabled too while two-byte text is switched
// on (the settings record's two-byte word; reset brings it back off). The Arabic and Hebrew
// scripts, both right to left, are enabled when an installed font covers their languages
// (fontconfig answers, once a run); with the built-in metrics font only while a test switches
// them on. Their text is in the Mac Arabic and Mac Hebrew sets, in font numbers of their
// ranges. The system script is Roman, the region 0, the system direction left to right, and
// every script's default font is Geneva; the keyboard's script is Roman until KeyScript
// switches it.
#pragma once

#include "platform/text/bidi.h"
#include "platform/text/sjis.h"
#include "platform/types.h"

namespace kv {

// Selectors of GetScriptManagerVariable.
enum : i16 {
  smEnabled = 4,      // number of enabled scripts
  smBidirect = 6,     // nonzero when a right-to-left script is enabled
  smSysScript = 18,   // the system script
  smKeyScript = 22,   // the keyboard's script
  smDoubleByte = 36,  // nonzero when a two-byte script is installed
  smRegionCode = 40,  // the system's region
};

// Selectors of GetScriptVariable.
enum : i16 {
  smScriptEnabled = 4,   // nonzero when the script is enabled
  smScriptSysFond = 12,  // the script's system font
  smScriptAppFond = 14,  // the script's default (application) font
  smScriptFlags = 22,    // the script's flag bits
  // A family in the high word and a size in the low word: the small font (the system font at
  // 11 points), the system font (13) and the application font (12).
  smScriptSmallFondSize = 82,
  smScriptSysFondSize = 84,
  smScriptAppFondSize = 86,
};
// Bits of smScriptFlags: the script's characters are all one byte; it is written right to left.
constexpr i32 smsfSingByte = 1 << 1;
constexpr i32 smsfReverse = 1 << 2;

// The right-to-left scripts.
enum : i16 { smArabic = 4, smHebrew = 5 };

// The highest script code.
constexpr i16 smUninterp = 32;

// Switches the Japanese script on or off.
void enablejapanesescript(bool on);
// For tests with the built-in metrics font: switches the Arabic and Hebrew scripts on or off
// whatever fonts are installed (reset brings back the fonts' answer).
void enablerighttoleftscripts(bool on);
// True when the script is enabled and written right to left.
bool righttoleftscript(i16 script);

i32 GetScriptManagerVariable(i16 selector);
i32 GetScriptVariable(i16 script, i16 selector);
// The script a font family belongs to: families below 16384 are Roman; above, each script has
// 512 numbers from 16384 (script 1) on. Designators 0 and 1 are Roman.
i16 FontToScript(i16 font);
// The system's line direction: 0 left to right, -1 right to left.
i16 GetSysDirection();

// The visual order of the style runs firstFormat..lastFormat of a line, as the platform's
// format-order call gives it: ordering[j] is the index (from firstFormat) of the run shown
// j-th from the left. dirProc(index, dirParam) answers whether a run is right to left;
// lineRight gives the line's direction. GNU FriBidi orders the runs.
using StyleRunDirectionProcPtr = bool (*)(i16 formatIndex, void* dirParam);
void GetFormatOrder(i16* ordering, i16 firstFormat, i16 lastFormat, bool lineRight, StyleRunDirectionProcPtr dirProc,
                    void* dirParam);

// The order in which the bytes of one style run are shown, for a run in a font of an enabled
// right-to-left script: its characters as a right-to-left line orders them (letters from the
// right, digits and Latin words left to right among them), with each byte's level. Empty for
// any other script.
BidiLine righttoleftrunorder(const u8* text, i32 length, i16 script);

// Switches the keyboard to a script; a script that is not enabled is refused (nothing changes).
// Only the script state changes: the desktop's input method is left as it is.
void KeyScript(i16 script);

// The script of the run the text begins with, as a font of `fontScript` holds it, and in
// *lenUsed its length: Japanese text holds Roman runs (one-byte characters below 0x80) and
// Japanese ones (the rest); Roman text is one Roman run.
i16 FindScriptRun(const u8* text, i32 length, i32* lenUsed, i16 fontScript);

}  // namespace kv
