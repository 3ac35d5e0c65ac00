// Scripting components: our own small Component Manager (installed components of type 'osa '
// that can compile, found by subtype, opened and closed) and the scripting calls made on an
// open component (compile, execute, display, error information, dispose, store, load,
// source, storage type).
//
// One component is installed at start: "Lua" (subtype and storage type 'Lua '). Tests may
// install their own with `registercomponent`.
//
// Stored scripts are source, never compiled code: the bytes "OSA1", the storage type, then the
// source text. Loading such data compiles that source again, so a stored script read back from
// a project file is no more trusted than text a script gives.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/ipc/appleevents.h"
#include "platform/qd/importers.h"  // ComponentInstance, CloseComponent, invalidComponentID
#include "platform/runtime/registry.h"
#include "platform/types.h"

namespace kv {

using Component = RegistryId;  // an installed component
using OSAID = u32;             // a script or value of one open component
using OSAError = OSErr;

constexpr OSType kOSAComponentType = fourcc("osa ");
constexpr OSType kLuaSubtype = fourcc("Lua ");
constexpr OSType typeOSAGenericStorage = fourcc("scpt");
constexpr OSType typeStyledText = fourcc("STXT");
constexpr OSAID kOSANullScript = 0;
constexpr i32 kOSAModeNull = 0;
constexpr i32 kOSAModeCanInteract = 0x20;
constexpr u32 kOSASupportsCompiling = 0x0002;

// What the scripting calls and the error information answer.
enum : OSErr {
  errOSASystemError = -1750,
  errOSAInvalidID = -1751,
  errOSABadStorageType = -1752,
  errOSAScriptError = -1753,
  errOSABadSelector = -1754,
  errOSASourceNotAvailable = -1756,
};
constexpr OSErr badComponentInstance = OSErr(0x8001);  // the low word of 0x80008001

// Selectors of OSAScriptError and the keys of what they answer.
enum : OSType {
  kOSAErrorNumber = fourcc("errn"),
  kOSAErrorMessage = fourcc("errs"),
  kOSAErrorRange = fourcc("erng"),
  keyOSASourceStart = fourcc("srcs"),
  keyOSASourceEnd = fourcc("srce"),
  keyText = fourcc("ktxt"),
  keyStyle = fourcc("ksty"),
};

struct ComponentDescription {
  OSType componentType = 0;
  OSType componentSubType = 0;
  OSType componentManufacturer = 0;
  u32 componentFlags = 0;
  u32 componentFlagsMask = 0;
};

// An open instance of a scripting component: what each scripting call does. Ids are the
// instance's own; 0 is never a live id.
class ScriptingInstance {
 public:
  virtual ~ScriptingInstance() = default;
  virtual OSAError compile(const AEDesc& source, i32 mode, OSAID* id) = 0;
  virtual OSAError execute(OSAID script, OSAID context, i32 mode, OSAID* result) = 0;
  virtual OSAError display(OSAID value, DescType desired, i32 mode, AEDesc* out) = 0;
  virtual OSAError scripterror(OSType selector, DescType desired, AEDesc* out) = 0;
  virtual OSAError dispose(OSAID id) = 0;
  virtual OSAError store(OSAID id, DescType desired, i32 mode, AEDesc* out) = 0;
  // `name`: the stored script's name (may be empty), for the messages of its errors.
  virtual OSAError load(const AEDesc& data, i32 mode, std::string_view name, OSAID* id) = 0;
  virtual OSAError getsource(OSAID id, DescType desired, AEDesc* out) = 0;
};

// --- Component Manager ------------------------------------------------------------------------
// The next installed component after `previous` (0: the first) that the description matches
// (type, and subtype and manufacturer when not 0; flags under the mask); 0 when none.
Component FindNextComponent(Component previous, const ComponentDescription* looking);
// The component's description and its name as a length-prefixed text in `name` (resized;
// none: not asked). invalidComponentID for a component that is not installed.
OSErr GetComponentInfo(Component component, ComponentDescription* description, Handle name, Handle info, Handle icon);
// A new instance (0 when the component is not installed or cannot open).
ComponentInstance OpenComponent(Component component);
// CloseComponent (declared with the importers) closes a scripting component too: its scripts
// and values go. An instance closed while one of its calls runs (a script that asked the
// program to close it) goes once that call returns.

// Installs a component: its description and name, and how an instance opens.
Component registercomponent(const ComponentDescription& description, const std::string& name,
                            std::function<std::unique_ptr<ScriptingInstance>()> open);
void unregistercomponent(Component component);

// --- Scripting calls ----------------------------------------------------------------------------
// Each answers badComponentInstance for an instance that is not open.
OSAError OSACompile(ComponentInstance ci, const AEDesc* source, i32 mode, OSAID* id);
OSAError OSAExecute(ComponentInstance ci, OSAID script, OSAID context, i32 mode, OSAID* result);
OSAError OSADisplay(ComponentInstance ci, OSAID value, DescType desired, i32 mode, AEDesc* out);
OSAError OSAScriptError(ComponentInstance ci, OSType selector, DescType desired, AEDesc* out);
OSAError OSADispose(ComponentInstance ci, OSAID id);
OSAError OSAStore(ComponentInstance ci, OSAID id, DescType desired, i32 mode, AEDesc* out);
// `name` (may be empty) names a stored script in the messages of its errors.
OSAError OSALoad(ComponentInstance ci, const AEDesc* data, i32 mode, OSAID* id, std::string_view name = {});
OSAError OSAGetSource(ComponentInstance ci, OSAID id, DescType desired, AEDesc* out);
// The storage type of stored script data: the four bytes after "OSA1"; errOSABadStorageType
// for data without that header.
OSAError OSAGetStorageType(Handle data, DescType* type);

// The stored form of a source text: "OSA1", the storage type, the text.
std::string osastoreddata(OSType storagetype, std::string_view source);

// --- Services a component asks of the program ---------------------------------------------------
// Asked every 1,000 instructions a script runs: non-zero stops the script (the user's cancel,
// the end of the run); the status is kept for `osatakeinterrupt`.
void setosainterruptcheck(i16 (*check)());
// The status that last stopped a script, cleared by the reading (0: none).
i16 osatakeinterrupt();

}  // namespace kv
