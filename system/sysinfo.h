// Small services that report on the machine and the system: version texts, feature tests, the
// installed voices, the sound input devices, the companion editor's name, and the constant
// answers for features the runtime no longer offers (balloon help).
#pragma once

#include "platform/runtime/root.h"
#include "platform/types.h"

namespace kv {

// A capability's value as a version text (its high 16 bits when usehigh is set): with v the low
// 16 bits, "%d.%d%d" of v's high byte and the nibbles of its low byte when the high byte is
// below 0x10, else "%d%d.%d%d" of its four nibbles.
void getverstring(OSType selector, u16 usehigh, StringPtr out);
// "%d.%d.%d" of the system's major, minor and bug-fix numbers.
void getsystemverstring(StringPtr out);
// The sound services' version: "%d.%d%d" of its major byte and the nibbles of its minor byte.
void soundmgrverstr(StringPtr out);
// The movie services' version, or 0 when they are absent.
i32 quicktimeversion();
// Whether sounds play from files (and keeps the sound services' version in the global state).
i16 hasfileplay();
// Whether sound input is there (a) and whether it records stereo (b).
void hasoundinput(u16* a, u16* b);
i16 has32bitaddr();
i16 hasppc();
// The installed voices' names, one per line, appended to the handle: 0, or the first error
// (the list stays as far as it came; no voices leaves it unchanged).
i16 buildvoices(Handle list);
// The sound input devices' names, one per line, or "none": 0, or 37 when memory runs out.
i16 buildevices(Handle list);
// The companion editor's name: the runtime's preference "Runtime Editor Name", else the
// program's string resource 128, else empty. seteditorname keeps it in the preferences.
void geteditorname(StringPtr out);
void seteditorname(ConstStringPtr name);
// The centre of a rectangle (halves truncated towards zero).
void rectoloc(const Rect& r, Point* out);

// Constant answers.
inline i16 hasaevents() { return 1; }
inline i16 notsys6() { return 1; }
inline i16 hasalias() { return 1; }
inline i16 haspeech() { return 1; }
inline i16 haspeechrecog() { return 1; }
inline i16 hasquicktime() { return 1; }
inline i16 hasqtvr() { return 0; }  // no library reads QuickTime VR panoramas or objects
inline i16 HasQuickTimeVideoEffects() { return 1; }
inline i16 visiballoon() { return 0; }
inline i16 balloonstate() { return 0; }
inline void showballoon() {}
inline void hideballoon() {}
inline void propballoons() {}

// The sound services' version, measured once.
struct SoundInfoState {
  u32 soundmgrversion;  // the sound services' version, stored by hasfileplay
};
inline SoundInfoState& soundinfostate() { return state<SoundInfoState>(); }

}  // namespace kv
