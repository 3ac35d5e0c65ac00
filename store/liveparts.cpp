// The live objects of shown cards. No text-engine record, list or platform control is ever
// made yet, so a slot never names a live object: releasing clears the slot, and a copy keeps
// the stored text it already has.
#include "store/liveparts.h"

namespace kv {

void releaselivefield(spot& s) {
  fieldkindtail t = getfieldkindtail(s);
  t.live = 0;
  setfieldkindtail(s, t);
}

void releaselivecontrol(spot& s) {
  controlpart c = getcontrolpart(s);
  c.control = 0;
  setcontrolpart(s, c);
}

void leavelistmode(spot& s) {
  if (s.style == stylefieldlist || s.style == stylefieldscrolllist) releaselivefield(s);
}

OSErr packlivetext(const spot&, spot&) { return noErr; }

}  // namespace kv
