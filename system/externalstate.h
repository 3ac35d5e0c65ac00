// What the externals code shares: the one parameter block of the process (`xcmd`), the context
// of the running external call, and the descriptors held for externals. Not for other folders.
#pragma once

#include <set>
#include <vector>

#include "engine/hier.h"
#include "platform/runtime/registry.h"
#include "platform/types.h"
#include "store/objread.h"
#include "system/kvexternal.h"

namespace kv {

// The context of the running call of a classic external.
struct xcontext {
  hierpath hier;           // xcmdhier: the path of the call
  Handle text = nilhandle; // the text its atoms were made from
  Handle atoms = nilhandle;// xcmdatoms
  i32 name = 0;            // the atom of the external's name
  Handle vars = nilhandle; // xcmdvars: the caller's variables
  u16 type = 0;            // xcmdtype: the class of the call (6 command, 7 function)
  u32 codehand = 0;        // xcodehand: the name key of the running external
  u16 varlist[16] = {};    // per parameter: 1 when passed by reference
};

struct ExternalState {
  kv_paramblock xcmd{};
  xcontext context;
  i32 errorcode = 0;           // set by request 5012; its low 16 bits are the call's status
  u64 xinfo[7] = {};           // addresses of xcmd, the context's parts and errorcode
  kv_bitmapinfo bitmap{};      // the answer of requests 5000-5002
  kv_resinfo theinfo{};        // the answer of request 5011
  Registry<objread, RegType::objectref> references;  // descriptors read for externals (4500)
  std::set<Handle> locked;     // handles an external locked through the services
  OSErr memerror = noErr;      // what the services' MemError answers
  std::vector<RegistryId> running;  // images whose code is running now, innermost last
  std::vector<RegistryId> retired;  // unloaded while running: they go when their call returns
};

ExternalState& xstate();

// Saves the block and the call context, and puts them back when it goes: around everything
// that may run script code (another external may run and reuse the block).
class savedxcall {
 public:
  savedxcall();
  ~savedxcall();
  savedxcall(const savedxcall&) = delete;
  savedxcall& operator=(const savedxcall&) = delete;

 private:
  kv_paramblock block_;
  xcontext context_;
};

// The service table handed to every external.
const kv_services* externalservices();

// Runs a loaded external's kv_main with a block; its image stays loaded while it runs.
void callentry(RegistryId image, u64 entrypoint, void* block);

// Releases the descriptors held for externals that name records of a project (all of them
// for nilid).
void releasereferences(RegistryId project);

}  // namespace kv
