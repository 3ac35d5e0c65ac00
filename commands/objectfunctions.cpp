// Object, window and region functions.
#include "commands/objectfunctions.h"

#include <string>

#include "engine/fred.h"
#include "platform/memory/memory.h"
#include "platform/windows/windows.h"
#include "shell/windtable.h"
#include "store/objread.h"
#include "store/reftexts.h"
#include "system/windowkind.h"

namespace kv {

namespace {

constexpr u16 kLongForm = 9002;

}  // namespace

i16 buildwindnames(fred* value, bool idform, u16 kind) {
  std::string list;
  bool first = true;
  for (WindowRef w : windowlist()) {
    if (windowkind(w, kind) == 0 || windowkind(w, kindquerymessagebox) != 0 || windowkind(w, kindquerytool) != 0)
      continue;
    if (!first) list += '\r';
    first = false;
    Str255 entry;
    entry[0] = 0;
    if (kind == kindqueryruntime) {
      objread obj{};
      if (getwind(w, &obj.d) != 0) {
        obj.kind = objwindow;
        if (idform) buildwindid(&obj, kLongForm, entry);
        else buildwindname(obj, kLongForm, entry);
      }
    } else {
      Rect bar{};
      if (GetWindowBounds(w, kWindowTitleBarRgn, &bar) == noErr && bar.right > bar.left) GetWTitle(w, entry);
    }
    list.append(reinterpret_cast<const char*>(entry + 1), entry[0]);
  }
  return charstonewfred(list.data(), Size(list.size()), value);
}

}  // namespace kv
