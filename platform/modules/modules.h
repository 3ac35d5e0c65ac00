// Our own service modules: the services that need large libraries (movies and everything else
// FFmpeg does, ...) are shared objects of this build, kvmod_<name>.so, loaded on first use so
// that the program itself maps only what every run needs.
//
// A module is the service's own platform code built as a shared object. Its boundary is one
// table of function pointers (`<Service>Module`, declared beside the service), answered by
// one exported function `kvmod_<name>`; the service's routines in the program forward through
// it. The module is built by the same compiler from the same sources as the program and
// calls the platform layer's routines directly: the program exports its symbols for that
// (linked with --export-dynamic and the whole platform layer). The module binds calls of its
// own routines inside itself (-Bsymbolic-functions), so they never come back to the program's
// forwarders of the same names, while the data it shares with the program (the runtime
// root's pointer to each state, which inline accessors such as backend() read) binds to the
// program's one copy.
// A module is never unloaded; its state lives in the runtime root like every other module's.
// Under a folder set for tests, modules are looked up afresh there (one already loaded from
// the same file is the same module).
//
// The modules are looked for in the folder set for tests (setmodulefolder) or named by the
// environment variable KESTROVE_MODULE_DIR, else beside the program, else in the program's
// library folder (../lib/kestrove). A module that is not found or whose libraries cannot load
// is "missing" (nullptr), which every service answers as its missing service.
#pragma once

#include <string>

namespace kv {

// The table of module `name` (e.g. "movies"), loading it on first use; nullptr when missing.
const void* moduletable(const char* name);

// The table of module `name` when it is loaded already, without loading it: routines that
// run on every pass of the event loop have nothing to do before their service was first used.
const void* loadedtable(const char* name);

template <class Table>
const Table* loadmodule(const char* name) {
  return static_cast<const Table*>(moduletable(name));
}
template <class Table>
const Table* loadedmodule(const char* name) {
  return static_cast<const Table*>(loadedtable(name));
}

// Whether module `name` can be used, without loading it: loaded, or its file is found and no
// load of it failed. Start-up asks this of services it only reports (movies), so that a run
// which never plays one does not load the module.
bool modulepresent(const char* name);

// Whether module `name` is mapped into this process now (read from the loaded objects).
bool moduleloaded(const char* name);

// Points the search at one folder ("" restores the usual search); reset with the runtime.
void setmodulefolder(const std::string& folder);

// Why the last load of `name` failed ("" when it did not).
std::string modulefailure(const char* name);

}  // namespace kv

// Declares the table function of a module (in the module's own source).
#define KV_MODULE_EXPORT extern "C" __attribute__((visibility("default")))

// The table type of a module from its list of entries X(result, name, parameters, arguments,
// answer when missing, loadmodule or loadedmodule).
#define KV_MODULE_TABLE_ENTRY(ret, name, params, args, missing, how) ret(*name) params;
// The module's exported table function, `kvmod_<name>`, filled from the module's own routines.
// It answers an untyped pointer, as the loader calls every module's function through one type.
#define KV_MODULE_ADDRESS_ENTRY(ret, name, params, args, missing, how) &kv::name,
#define KV_MODULE_DEFINE_TABLE(Table, entry, ENTRIES)                   \
  KV_MODULE_EXPORT const void* entry() {                                \
    static constexpr kv::Table table{ENTRIES(KV_MODULE_ADDRESS_ENTRY)}; \
    return &table;                                                      \
  }
// The program's forwarders (inside namespace kv): each calls the module's routine, or answers
// as the service does when it is missing.
#define KV_MODULE_FORWARDER(Table, modname, ret, name, params, args, missing, how) \
  ret name params {                                                                \
    if (const Table* mod_ = how<Table>(modname)) return mod_->name args;           \
    return missing;                                                                \
  }
