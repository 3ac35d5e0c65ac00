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
  hierpath hier;             // xcmdhier: the path of the call
  Handle text = nilhandle;   // the text its atoms were made from
  Handle atoms = nilhandle;  // xcmdatoms
  i32 name = 0;              // the atom of the external's name
  Handle vars = nilhandle;   // xcmdvars: the caller's variables
  u16 type = 0;              // xcmdtype: the class of the call (6 command, 7 function)
  u32 codehand = 0;          // xcodehand: the name key of the running external
  u16 varlist[16] = {};      // per parameter: 1 when passed by reference
};

struct ExternalState {
  kv_paramblock xcmd{};
  xcontext context;
  i32 errorcode = 0;                                 // set by request 5012; its low 16 bits are the call's status
  u64 xinfo[7] = {};                                 // addresses of xcmd, the context's parts and errorcode
  kv_bitmapinfo bitmap{};                            // the answer of requests 5000-5002
  kv_resinfo theinfo{};                              // the answer of request 5011
  Registry<objread, RegType::objectref> references;  // descriptors read for externals (4500)
  std::set<Handle> locked;                           // handles an external locked through the services
  OSErr memerror = noErr;                            // what the services' MemError answers
  std::vector<RegistryId> running;                   // images whose code is running now, innermost last
  std::vector<RegistryId> retired;                   // unloaded while running: they go when their call returns
  // Entries in the projects' registries and file-loaded lists, kept where they are listed and
  // unloaded: while it is 0 no message can meet an external, and the per-command check ends.
  i64 listed = 0;
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

// A text tokenised into handles of its own (status 37 when the copy cannot be made).
struct tokenised {
  Handle text = nilhandle;
  Handle atoms = nilhandle;
  i16 status = 0;
  tokenised(const void* bytes, Size n);
  explicit tokenised(ConstStringPtr pascal) : tokenised(pascal + 1, pascal[0]) {}
  tokenised(const tokenised&) = delete;
  tokenised& operator=(const tokenised&) = delete;
  ~tokenised();
};

// The service table handed to every external.
const kv_services* externalservices();

// Keeps an image loaded while its code runs: an image unloaded meanwhile goes when the last
// of its runs ends.
class runningimage {
 public:
  explicit runningimage(RegistryId image);
  ~runningimage();
  runningimage(const runningimage&) = delete;
  runningimage& operator=(const runningimage&) = delete;

 private:
  RegistryId image_;
};

// Runs a loaded external's kv_main with a block; its image stays loaded while it runs.
void callentry(RegistryId image, u64 entrypoint, void* block);

// The image of the first entry of the project's externals (registry, then file-loaded list)
// whose loaded code is at `code` (and whose image is `image`, unless that is nilid), or nilid
// when none holds it now. (Externals loaded from one file share their code.)
RegistryId imageofcode(RegistryId project, u64 code, RegistryId image = nilid);
// The code of an entry goes: its event registrations end, the module is closed and the image
// let go (once its running calls end); the entry keeps its name.
struct xentry;
void unloadentry(xentry& e);
// Unloads the project's first registry entry holding `code`, and removes the first
// file-loaded entry holding it.
void unloadcode(RegistryId project, u64 code);

// Releases the descriptors held for externals that name records of a project (all of them
// for nilid).
void releasereferences(RegistryId project);

}  // namespace kv
