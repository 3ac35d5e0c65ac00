// The Resource Manager: resource files in the classic format, searched through a chain.
//
// The program's own resources (compiled from resources/*.res and embedded) form the file at
// the bottom of the chain, reference number kAppResFile, which is always open. Resource files
// opened by path are added on top and become current. GetResource searches the current file
// and then every file opened before it; the Get1 routines search the current file only.
//
// A resource comes back as a handle that the Resource Manager keeps: asking again answers the
// same handle until ReleaseResource disposes of it. DetachResource hands it to the caller.
// ResError tells how the last call went (noErr, resNotFound, resFNotFound, mapReadErr, or a
// file error).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/resources/resourceformat.h"
#include "platform/types.h"

namespace kv {

constexpr i16 kAppResFile = 1;

OSErr ResError();

// Opens the resource file at a path (Mac Roman text) and makes it current. Answers its
// reference number, or -1 (ResError: fnfErr, mapReadErr, ioErr). A file that is open already
// answers its reference number and becomes current.
i16 OpenResFile(std::string_view path);
// Adds a resource file held in memory to the chain, as OpenResFile does with a file's bytes.
i16 openresourcebytes(std::vector<u8> bytes, std::string_view name);
// Closes a file opened by path or from memory, disposing of the resources loaded from it.
// The program's own file stays open.
void CloseResFile(i16 refnum);
void UseResFile(i16 refnum);
i16 CurResFile();
// The number of files in the chain, the program's own included.
i16 CountResFiles();

Handle GetResource(ResType type, i16 id);
Handle Get1Resource(ResType type, i16 id);
Handle GetNamedResource(ResType type, ConstStringPtr name);
Handle Get1NamedResource(ResType type, ConstStringPtr name);
i16 Count1Resources(ResType type);
// The index-th (from 1) resource of the type in the current file.
Handle Get1IndResource(ResType type, i16 index);
// The names (Mac Roman) of the resources of a type in the files GetResource searches, newest
// file first, each name once; resources without a name are left out. Nothing is loaded.
std::vector<std::string> resourcenames(ResType type);
// Copies of the resources of a type in one open file, in its map's order; damaged ones are
// left out. Nothing is loaded. Empty for a file that is not open.
std::vector<ResourceItem> fileresources(i16 refnum, ResType type);
void ReleaseResource(Handle h);
void DetachResource(Handle h);
// Takes a resource (a handle GetResource answered) out of its file's map; the handle becomes
// the caller's. The program's own resources cannot be removed (rmvResFailed).
void RemoveResource(Handle h);
// Writes a file that lost resources back to its path (a file held in memory only changes
// there).
void UpdateResFile(i16 refnum);

// Entry `index` (from 1) of the string list 'STR#' `listid`; the empty string when the list
// or the entry is missing.
void GetIndString(StringPtr out, i16 listid, i16 index);

// Writes a resource file (replacing the file at the path only once the new one is complete).
OSErr writeresourcefile(std::string_view path, const std::vector<ResourceItem>& items);

}  // namespace kv
