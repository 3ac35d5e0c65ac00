// The Component Manager of scripting components and the scripting calls (see osa.h).
#include "platform/osa/osa.h"

#include <cstring>
#include <vector>

#include "platform/memory/memory.h"
#include "platform/osa/osainternal.h"
#include "platform/runtime/root.h"

namespace kv {

namespace {

struct Installed {
  ComponentDescription description;
  std::string name;
  std::function<std::unique_ptr<ScriptingInstance>()> open;
};

struct OSAState {
  Registry<Installed, RegType::scriptcomponent> installed;
  Registry<ScriptingInstance, RegType::scriptinstance> instances;
  // Instances closed while a call was under way, kept until the outermost call returns.
  std::vector<std::unique_ptr<ScriptingInstance>> closing;
  int depth = 0;  // scripting calls under way (a script may ask the program to run another)
  i16 (*interruptcheck)() = nullptr;
  i16 interrupt = 0;

  OSAState() {
    auto lua = std::make_unique<Installed>();
    lua->description = {kOSAComponentType, kLuaSubtype, 0, kOSASupportsCompiling, 0};
    lua->name = "Lua";
    lua->open = &osadetail::openlua;
    installed.add(std::move(lua));
  }
  ~OSAState() {
    // Instances close before the installed components they came from.
    closing.clear();
    std::vector<RegistryId> open;
    instances.each([&](RegistryId id, ScriptingInstance&) { open.push_back(id); });
    for (RegistryId id : open) instances.remove(id);
  }
};

OSAState& os() { return state<OSAState>(); }

bool matches(const ComponentDescription& have, const ComponentDescription& want) {
  if (want.componentType != 0 && have.componentType != want.componentType) return false;
  if (want.componentSubType != 0 && have.componentSubType != want.componentSubType) return false;
  if (want.componentManufacturer != 0 && have.componentManufacturer != want.componentManufacturer) return false;
  return (have.componentFlags & want.componentFlagsMask) == (want.componentFlags & want.componentFlagsMask);
}

// Runs one scripting call on an open instance; an instance closed meanwhile goes when the
// outermost call is over.
template <class Fn>
OSAError oncall(ComponentInstance ci, Fn&& fn) {
  OSAState& s = os();
  ScriptingInstance* in = s.instances.get(ci);
  if (in == nullptr) return badComponentInstance;
  ++s.depth;
  const OSAError e = fn(*in);
  OSAState& after = os();
  if (--after.depth == 0) after.closing.clear();
  return e;
}

}  // namespace

Component FindNextComponent(Component previous, const ComponentDescription* looking) {
  Component found = 0;
  bool past = previous == 0;
  os().installed.each([&](RegistryId id, const Installed& c) {
    if (found != 0) return;
    if (!past) {
      past = id == previous;
      return;
    }
    if (looking == nullptr || matches(c.description, *looking)) found = id;
  });
  return found;
}

OSErr GetComponentInfo(Component component, ComponentDescription* description, Handle name, Handle, Handle) {
  const Installed* c = os().installed.get(component);
  if (c == nullptr) return invalidComponentID;
  if (description) *description = c->description;
  if (name != nilhandle) {
    const std::size_t n = std::min<std::size_t>(c->name.size(), 255);
    SetHandleSize(name, Size(n + 1));
    if (MemError() != noErr) return MemError();
    u8* p = deref(name);
    p[0] = u8(n);
    std::memcpy(p + 1, c->name.data(), n);
  }
  return noErr;
}

ComponentInstance OpenComponent(Component component) {
  OSAState& s = os();
  const Installed* c = s.installed.get(component);
  if (c == nullptr || !c->open) return 0;
  std::unique_ptr<ScriptingInstance> in = c->open();
  return in ? s.instances.add(std::move(in)) : 0;
}

OSErr CloseComponent(ComponentInstance instance) {
  if (registrytype(instance) != RegType::scriptinstance) return closeimporter(instance);
  OSAState& s = os();
  std::unique_ptr<ScriptingInstance> in = s.instances.remove(instance);
  if (!in) return badComponentInstance;
  if (s.depth > 0) s.closing.push_back(std::move(in));
  return noErr;
}

Component registercomponent(const ComponentDescription& description, const std::string& name,
                            std::function<std::unique_ptr<ScriptingInstance>()> open) {
  auto c = std::make_unique<Installed>();
  c->description = description;
  c->name = name;
  c->open = std::move(open);
  return os().installed.add(std::move(c));
}

void unregistercomponent(Component component) { os().installed.remove(component); }

OSAError OSACompile(ComponentInstance ci, const AEDesc* source, i32 mode, OSAID* id) {
  if (source == nullptr || id == nullptr) return paramErr;
  return oncall(ci, [&](ScriptingInstance& in) { return in.compile(*source, mode, id); });
}

OSAError OSAExecute(ComponentInstance ci, OSAID script, OSAID context, i32 mode, OSAID* result) {
  if (result == nullptr) return paramErr;
  return oncall(ci, [&](ScriptingInstance& in) { return in.execute(script, context, mode, result); });
}

OSAError OSADisplay(ComponentInstance ci, OSAID value, DescType desired, i32 mode, AEDesc* out) {
  if (out == nullptr) return paramErr;
  return oncall(ci, [&](ScriptingInstance& in) { return in.display(value, desired, mode, out); });
}

OSAError OSAScriptError(ComponentInstance ci, OSType selector, DescType desired, AEDesc* out) {
  if (out == nullptr) return paramErr;
  return oncall(ci, [&](ScriptingInstance& in) { return in.scripterror(selector, desired, out); });
}

OSAError OSADispose(ComponentInstance ci, OSAID id) {
  return oncall(ci, [&](ScriptingInstance& in) { return in.dispose(id); });
}

OSAError OSAStore(ComponentInstance ci, OSAID id, DescType desired, i32 mode, AEDesc* out) {
  if (out == nullptr) return paramErr;
  return oncall(ci, [&](ScriptingInstance& in) { return in.store(id, desired, mode, out); });
}

OSAError OSALoad(ComponentInstance ci, const AEDesc* data, i32 mode, OSAID* id, std::string_view name) {
  if (data == nullptr || id == nullptr) return paramErr;
  return oncall(ci, [&](ScriptingInstance& in) { return in.load(*data, mode, name, id); });
}

OSAError OSAGetSource(ComponentInstance ci, OSAID id, DescType desired, AEDesc* out) {
  if (out == nullptr) return paramErr;
  return oncall(ci, [&](ScriptingInstance& in) { return in.getsource(id, desired, out); });
}

OSAError OSAGetStorageType(Handle data, DescType* type) {
  if (data == nilhandle || !IsValidHandle(data) || type == nullptr) return paramErr;
  if (GetHandleSize(data) < 8 || std::memcmp(deref(data), "OSA1", 4) != 0) return errOSABadStorageType;
  const u8* p = deref(data) + 4;
  *type = (u32(p[0]) << 24) | (u32(p[1]) << 16) | (u32(p[2]) << 8) | u32(p[3]);
  return noErr;
}

std::string osastoreddata(OSType storagetype, std::string_view source) {
  std::string out = "OSA1";
  for (int shift = 24; shift >= 0; shift -= 8) out += char(storagetype >> shift);
  out.append(source);
  return out;
}

void setosainterruptcheck(i16 (*check)()) { os().interruptcheck = check; }

i16 osatakeinterrupt() {
  OSAState& s = os();
  const i16 st = s.interrupt;
  s.interrupt = 0;
  return st;
}

namespace osadetail {

i16 pollinterrupt() {
  OSAState& s = os();
  const i16 st = s.interruptcheck ? s.interruptcheck() : 0;
  if (st != 0) s.interrupt = st;
  return st;
}

}  // namespace osadetail

}  // namespace kv
