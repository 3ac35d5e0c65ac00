// Stand-in until embedded objects are built: an object is freed without handlers (none can be
// installed yet). The embedded objects replace this file.
#include "textengine/weinternal.h"

namespace kv {

OSErr _WEFreeObject(Handle object) {
  if (!IsValidHandle(object)) return nilHandleErr;
  WEObjectDesc d = weelement<WEObjectDesc>(object, 0);
  if (d.previous) {
    WEObjectDesc p = weelement<WEObjectDesc>(d.previous, 0);
    p.next = d.next;
    setweelement(d.previous, 0, p);
  }
  if (d.next) {
    WEObjectDesc n = weelement<WEObjectDesc>(d.next, 0);
    n.previous = d.previous;
    setweelement(d.next, 0, n);
  }
  if (WERec* r = werec(d.owner)) {
    if (r->objectList == object) r->objectList = d.next;
    if (r->hoveredObject == object) r->hoveredObject = nilhandle;
  }
  _WEForgetHandle(&d.data);
  if (d.properties) DisposeCollection(d.properties);
  DisposeHandle(object);
  return noErr;
}

}  // namespace kv
