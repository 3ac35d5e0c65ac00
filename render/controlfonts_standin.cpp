// A stand-in until control fonts are settled against the script system's fonts: the object's
// text font, size and style go to its control as they are, and nothing overrides them.
#include "render/controlfonts.h"

#include "render/controlvisibility.h"

namespace kv {

void OverrideControlFont(spot&, ControlFontStyleRec*) {}

void setcontrolfont(spot& object) {
  const ControlRef control = livecontrol(object);
  if (control == nilid) return;
  const buttontail t = getbuttontail(object);
  ControlFontStyleRec r{};
  r.flags = kControlUseFontMask | kControlUseFaceMask | kControlUseSizeMask;
  r.font = i16(t.words.v[0]);
  r.size = i16(t.words.v[1]);
  r.style = i16(t.words.v[2]);
  OverrideControlFont(object, &r);
  SetControlFontStyle(control, &r);
  if (object.style != 203) return;
  u16 count = 0;
  CountSubControls(control, &count);
  for (u16 i = 1; i <= count; ++i) {
    ControlRef member = nilid;
    if (GetIndexedSubControl(control, i, &member) == noErr) SetControlFontStyle(member, &r);
  }
}

}  // namespace kv
