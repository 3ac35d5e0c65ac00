// Externals: code a project carries (or that is loaded from a file) and that scripts call by
// name like commands and functions. An external command is found by a command message, an
// external function by a function call; a native routine ('XRtn') by a function call too,
// and it gets the native call block (system/nativecall.h). The interface the code sees is
// system/kvexternal.h.
//
// Each open project keeps a registry: one entry per external-resource record of an external
// type, in library order, built when the project opens (xinit) and again when such a record
// is added or deleted. An entry's code is loaded the first time it is called and stays loaded
// until the project closes (xdump) or the registry is rebuilt. A second list of the project
// holds the externals loaded from files (loadxcmd, xload).
//
// Code that cannot be loaded counts as absent: the message goes on to the built-in of that
// name. When no built-in has the name, the failure is the error: 231 not loadable code, 232
// not linkable, 233 no entry point, 234 an empty entry point, 236 another interface version,
// 37 no memory; the reason goes to standard error.
#pragma once

#include <string>
#include <string_view>

#include "engine/hier.h"
#include "platform/runtime/registry.h"
#include "platform/types.h"

namespace kv {

struct fred;

constexpr OSType kXCmd = fourcc("XCmd");
constexpr OSType kXFcn = fourcc("XFcn");
constexpr OSType kXRtn = fourcc("XRtn");

// Kinds of entry and the classes of message that find them.
enum : u8 { xkindcommand = 3, xkindfunction = 4, xkindnative = 5 };
enum : u8 { xclasscommand = 6, xclassfunction = 7 };

// One registry entry. Entries are copied whole.
struct xentry {
  u8 kind;         // xkindcommand, xkindfunction, xkindnative
  u8 lookupclass;  // xclasscommand or xclassfunction
  u32 namekey;
  u32 recordid;        // the external-resource record holding the code (0: loaded from a file)
  u64 code;            // where the loaded code's entry lies (0 while not loaded)
  RegistryId project;  // the owning open project
  u64 entrypoint;      // kv_main, once loaded
  u64 codesize;        // bytes of the code, once loaded
  i32 inuse;           // a file-loaded entry: -1 once entered (found only while non-zero)
  RegistryId module;   // the loaded object (platform/loader), once loaded
  RegistryId image;    // the same object: image and module are one
};

// An entry loaded from a file, with its name (at most 31 characters).
struct xfileentry {
  xentry entry;
  u8 name[32];
};

// --- Registry and loading ----------------------------------------------------------------------
// A project opened: imports its resource file's classic externals, fills the service table of
// externals (once per process) and builds the registry.
void xinit(RegistryId project);
// The import: while header flag bit 0 is set, the resources that 'STR#' 998 of the project's
// resource file ("<project file>.rsrc") names ("XFcnTwice": type then name) become
// external-resource records (replacing records of the same type and name) and leave that
// file; then the bit is cleared and the header written, whether or not the file opened.
void initload(RegistryId project);
// The first registry entry of the name (key, then name without regard to case) and class,
// its code loaded: 1 with the entry copied out, or 0. A load failure answers 0 as well, with
// its status in *failure (left alone otherwise).
i16 lowfind(ConstStringPtr name, u32 key, RegistryId project, u8 lookupclass, xentry* out, i16* failure);
// A fat header (0xCAFEBABE): refused (0) when it holds no slice for this machine or one that
// lies outside the data; else *code and *size narrow to the slice and the answer is
// createimage's on it (1 made).
i32 WorkAroundRadarID4189935(const u8** code, u64* size, RegistryId* image, std::string* reason);
// Loads the file at `path` (UTF-8) as the external `name` of type 'XCmd', 'XFcn' or 'XRtn'
// into the project's file-loaded list. 0 and `the result` "name" return "type"; 0 and the
// already-loaded text when an external of that kind and name is loaded; 14 for a name over
// 31 characters, 230 for another type, 37 when the file cannot be read, 231-234, 236.
i16 loadxcmd(RegistryId project, std::string_view path, ConstStringPtr name, OSType type);
// `xload path`: loads the external of a bundle folder (an "Info" file whose keys
// "KVExternalType" and "Executable" give its type and its shared object, named as the
// external) into the shared project, or the current one when none is shared.
scriptstatus xload(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// The project closes: every external of it unloaded, both lists disposed.
void xdump(RegistryId project);
// Unloads the code of the registry's entries and disposes the registry (xinit builds it again).
void unloadregistry(RegistryId project);

// --- Lookup and call ---------------------------------------------------------------------------
// Offers the message at atom `at` to the externals: those of the current project, its
// file-loaded ones, the shared project's, its file-loaded ones. *found 0 with status 0 when
// none has the name and class; *found 0 with a failure status when one could not be loaded or
// its call failed before it ran (49, 2, 1, 37, a parameter's error); otherwise *found 1 and
// the external's status: -1000 when it passed the message on.
scriptstatus xlookup(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i16* found, fred* result,
                     i16 unused);
// Releases the first `count` parameters of the block after a call; a by-reference parameter
// (flag set) keeps its handle, less the zero byte added for the call.
void dumpargs(i16 count, const u16* flags);
// A new handle holding the bytes of `h` before its first zero byte (empty when `h` is not a
// live handle). When no handle can be made an empty one is made and the block's result code
// becomes 1.
void makezerohand(Handle h, Handle* out);
// Fills `xinfo` (start-up).
void initxcmdinfo();

}  // namespace kv
