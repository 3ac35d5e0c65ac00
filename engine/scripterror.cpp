// Recording the first script error of a run, and the error alert.
#include "engine/scripterror.h"

#include <cstdio>
#include <cstring>

#include "engine/atom.h"
#include "platform/memory/memory.h"
#include "platform/resources/resources.h"
#include "platform/text/pstring.h"
#include "shell/dialogs.h"
#include "shell/mainglobals.h"

namespace kv {

namespace {
constexpr i16 errortexts = 1002;
constexpr i16 lasterror = 234;
constexpr i16 unknownerror = 118;
}  // namespace

void posterror(const hier& entry, i32 atom, Handle text) {
  MainGlobals& g = mainglobals();
  if (entry.script != text || text == nilhandle || g.erroroffset != -1 || g.trydepth != 0) return;
  if (entry.atoms == nilhandle || atom < 0 || atom >= HandleCount<struct atom>(entry.atoms)) return;
  g.erroroffset = i32(HandleAs<struct atom>(entry.atoms)[atom].offset);
  if (g.faildescriptor != nilhandle) DisposeHandle(g.faildescriptor);
  g.faildescriptor = entry.descriptor;
  if (g.faildescriptor != nilhandle && HandToHand(&g.faildescriptor) != noErr) g.faildescriptor = nilhandle;
}

void clearerror() { mainglobals().erroroffset = -1; }

void scripterrortext(i16 n, StringPtr out) {
  out[0] = 0;
  if (n >= 1 && n <= lasterror) GetIndString(out, errortexts, n);
  if (out[0] != 0) return;
  Str255 pattern;
  GetIndString(pattern, errortexts, unknownerror);
  // Entry 118 names the number where it says ^0.
  char number[16];
  int len = std::snprintf(number, sizeof number, "%d", int(n));
  out[0] = 0;
  for (int i = 1; i <= pattern[0]; ++i) {
    if (pattern[i] == '^' && i < pattern[0] && pattern[i + 1] == '0') {
      pstrappend(out, 256, number, size_t(len));
      ++i;
    } else {
      pstrappend(out, 256, &pattern[i], 1);
    }
  }
}

i16 showerrordialog(i16 n) {
  if (mainglobals().lockErrorDialogs != 0) return 2;
  char title[40];
  int len = std::snprintf(title, sizeof title, "Veltrix Error Number %d:", int(n));
  Str255 t, message;
  pstrassign(t, sizeof t, title, size_t(len));
  scripterrortext(n, message);
  static constexpr u8 quit[] = "\x04Quit";
  static constexpr u8 cancel[] = "\x06" "Cancel";
  ConstStringPtr buttons[2] = {quit, cancel};
  i16 hit = runalert(t, message, cautionalert, 0, 2, buttons);
  return hit == 1 ? 1 : 2;
}

}  // namespace kv
