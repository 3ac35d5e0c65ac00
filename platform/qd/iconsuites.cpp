// Icon suites: the members of an icon family kept as separate resources, each a handle of its
// own, listed in one handle.
#include <array>
#include <cstring>
#include <type_traits>

#include "platform/memory/memory.h"
#include "platform/qd/icons.h"
#include "platform/resources/resources.h"

namespace kv {

namespace {

struct Member {
  ResType type;
  u32 handle;
};
static_assert(std::is_trivially_copyable_v<Member>);

struct MemberKind {
  ResType type;
  IconSelectorValue selector;
};
constexpr std::array<MemberKind, 9> kMembers{{
    {fourcc("ICN#"), kSelectorLarge1Bit},
    {fourcc("icl4"), kSelectorLarge4Bit},
    {fourcc("icl8"), kSelectorLarge8Bit},
    {fourcc("ics#"), kSelectorSmall1Bit},
    {fourcc("ics4"), kSelectorSmall4Bit},
    {fourcc("ics8"), kSelectorSmall8Bit},
    {fourcc("icm#"), kSelectorMini1Bit},
    {fourcc("icm4"), kSelectorMini4Bit},
    {fourcc("icm8"), kSelectorMini8Bit},
}};

IconSelectorValue selectorof(ResType type) {
  for (const MemberKind& k : kMembers)
    if (k.type == type) return k.selector;
  return 0;
}

i32 membercount(IconSuiteRef suite) {
  return IsValidHandle(suite) ? i32(GetHandleSize(suite) / Size(sizeof(Member))) : 0;
}

Member memberat(IconSuiteRef suite, i32 i) {
  Member m;
  std::memcpy(&m, deref(suite) + Size(i) * Size(sizeof(Member)), sizeof m);
  return m;
}

void setmemberat(IconSuiteRef suite, i32 i, const Member& m) {
  std::memcpy(deref(suite) + Size(i) * Size(sizeof(Member)), &m, sizeof m);
}

}  // namespace

OSErr NewIconSuite(IconSuiteRef* out) {
  *out = NewHandle(0);
  return *out ? noErr : memFullErr;
}

OSErr GetIconSuite(IconSuiteRef* out, i16 id, IconSelectorValue selector) {
  *out = nilhandle;
  IconSuiteRef suite = NewHandle(0);
  if (!suite) return memFullErr;
  for (const MemberKind& k : kMembers) {
    if (!(selector & k.selector)) continue;
    Handle h = GetResource(k.type, id);
    if (!h) continue;
    if (HandToHand(&h) != noErr) break;
    const Member m{k.type, h};
    if (PtrAndHand(&m, suite, sizeof m) != noErr) {
      DisposeHandle(h);
      break;
    }
  }
  if (membercount(suite) == 0) {
    DisposeHandle(suite);
    return noSuchIconErr;
  }
  *out = suite;
  return noErr;
}

Handle iconsuitemember(IconSuiteRef suite, ResType type) {
  for (i32 i = 0; i < membercount(suite); ++i)
    if (Member m = memberat(suite, i); m.type == type) return m.handle;
  return nilhandle;
}

OSErr DisposeIconSuite(IconSuiteRef suite, bool disposeData) {
  if (!IsValidHandle(suite)) return paramErr;
  if (disposeData)
    for (i32 i = 0; i < membercount(suite); ++i)
      if (Handle h = memberat(suite, i).handle; h && IsValidHandle(h)) DisposeHandle(h);
  DisposeHandle(suite);
  return noErr;
}

OSErr ForEachIconDo(IconSuiteRef suite, IconSelectorValue selector, IconActionProcPtr action, void* data) {
  if (!IsValidHandle(suite) || !action) return paramErr;
  for (i32 i = 0; i < membercount(suite); ++i) {
    Member m = memberat(suite, i);
    if (!(selector & selectorof(m.type))) continue;
    Handle h = m.handle;
    if (OSErr e = action(m.type, &h, data)) return e;
    m.handle = h;
    setmemberat(suite, i, m);
  }
  return noErr;
}

}  // namespace kv
