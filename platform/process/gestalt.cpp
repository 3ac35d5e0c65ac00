#include "platform/process/gestalt.h"

#include <cstring>
#include <map>

#include "platform/runtime/root.h"

namespace kv {

namespace {

struct Capability {
  OSType selector;
  i32 value;
};

// Every capability the system asks about. Selectors not listed here answer
// gestaltUndefSelectorErr (so AltiVec, 'ppcf', is absent).
constexpr Capability kCapabilities[] = {
    {fourcc("sysv"), kEmulatedSystemVersion},  // system version 10.6.8
    {fourcc("sys1"), 10},                      // its major, minor and bug-fix parts
    {fourcc("sys2"), 6},
    {fourcc("sys3"), 8},
    {fourcc("cbon"), 0x0170},      // the Carbon interface version
    {fourcc("qtim"), 0x07688000},  // QuickTime 7.6.8 (high word BCD)
    {fourcc("qd  "), 0x0220},      // colour drawing with 32-bit depth
    {fourcc("cntl"), 0x0001},      // control manager present
    {fourcc("uisv"), 0x0003},      // Unicode text drawing present
    {fourcc("cmnu"), 0x0003},      // contextual menus present (bit 1)
    {fourcc("drag"), 0x0001},      // drag manager present (bit 0)
    {fourcc("tsmv"), 0x0150},      // text services version
    {fourcc("tsma"), 0x0001},      // text services for text-edit records (bit 0)
    {fourcc("snd "), 0x0400},      // sounds play from files (bit 10); no sound input
    {fourcc("hdwr"), 0x0008},      // sound hardware (bit 3)
    {fourcc("addr"), 0x0007},      // 32-bit addressing (bit 1)
    {fourcc("ppc "), 0x000F},      // program-to-program communication present
};

struct Variable {
  const char* name;
  i64 value;
};

constexpr Variable kVariables[] = {
    {"sysctl.proc_native", 1},  // the program runs natively, not translated
};

struct GestaltOverrides {
  std::map<OSType, std::optional<i32>> answers;  // none: the selector is undefined
};

}  // namespace

void setgestaltanswer(OSType selector, std::optional<i32> value) {
  state<GestaltOverrides>().answers[selector] = value;
}

OSErr Gestalt(OSType selector, i32* response) {
  const auto& o = state<GestaltOverrides>().answers;
  if (auto it = o.find(selector); it != o.end()) {
    if (!it->second) return gestaltUndefSelectorErr;
    if (response) *response = *it->second;
    return noErr;
  }
  for (const Capability& c : kCapabilities) {
    if (c.selector == selector) {
      if (response) *response = c.value;
      return noErr;
    }
  }
  return gestaltUndefSelectorErr;
}

bool systemvariable(const char* name, i64* value) {
  if (!name) return false;
  for (const Variable& v : kVariables) {
    if (std::strcmp(v.name, name) == 0) {
      if (value) *value = v.value;
      return true;
    }
  }
  return false;
}

}  // namespace kv
