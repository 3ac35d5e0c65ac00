#include "system/windowkind.h"

namespace kv {

namespace {
constexpr u32 kRuntimeCreator = fourcc("VIZu");
constexpr u32 kKindTag = fourcc("kind");
constexpr u32 kScriptedDialogMark = 124;

bool scripteddialog(WindowRef window) {
  u32 mark = 0, size = 0;
  if (GetWindowProperty(window, kRuntimeCreator, kKindTag, sizeof mark, &size, &mark) != noErr) return false;
  return size == sizeof mark && mark == kScriptedDialogMark;
}
}  // namespace

i16 windowkind(WindowRef window, u16 query) {
  if (!IsValidWindowPtr(window)) return 0;
  i32 k = GetWindowKind(window);
  bool yes = false;
  switch (query) {
    case kindqueryruntime: yes = k == 114 || k == 115 || k == 118; break;
    case kindqueryproject: yes = k == 114; break;
    case kindquerypalette: yes = k == 115; break;
    case kindqueryexternal: yes = k == 116 || k == 117; break;
    case kindqueryxwindow: yes = k == 116; break;
    case kindqueryxfloating: yes = k == 117; break;
    case kindqueryordinary: yes = k == 114 || k == 116; break;
    case kindqueryfloating: yes = k == 115 || k == 117 || k == 118 || k == 119; break;
    case kindqueryforeign: yes = k < 113 || k > 131; break;
    case kindqueryanyruntime: yes = k >= 114 && k <= 130; break;
    case kindquerymessagebox: yes = k == 118; break;
    case kindquerycover: yes = k == 132; break;
    case kindquerytool: yes = k == 119; break;
    case kindqueryscripted: yes = scripteddialog(window); break;
    case kindquery121: yes = k == 125 || k == 126; break;
    case kindquery122: yes = k == 127 || k == 128; break;
    case kindquery123: yes = k == 129 || k == 130; break;
    case kindquery133: yes = k == 20000 || k == 20001; break;
    default: break;
  }
  return yes ? 1 : 0;
}

}  // namespace kv
