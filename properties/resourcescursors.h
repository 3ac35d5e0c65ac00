// The resources of projects found by type and by number or name, and the cursors set from them.
// A project's resources are searched first, then the shared project's when one is open.
#pragma once

#include "platform/files/files.h"
#include "platform/runtime/registry.h"
#include "platform/types.h"

namespace kv {

// Looks a resource of `type` up in one project: by `name` (its key is computed) when given,
// else by resource id `id`. 1 when found, with its record id; 0 when not. A 'CURS' found is
// brought to host order on a copy: handed out in *out when `out` is given (none when the copy
// fails), else made the current cursor. A cursor too short to be one is not found.
i16 lowrez(RegistryId store, ResType type, ConstStringPtr name, u32 id, u32* recordid, Handle* out);
// The text as a resource id when it is a number, else as a name: the project `store`, then the
// shared project. 0 found (with the record id), 1 not found.
i16 findrez(RegistryId store, ResType type, ConstStringPtr text, u32* recordid);
// Makes a cursor in host order current (its image rows kept as the stored big-endian words,
// its hot spot in host order).
void showcursordata(Handle data);

// The full path of a file or folder, a folder's ending in "/", as a new text handle (never cut
// short) with its length: noErr, or the file system's error (no handle then).
OSErr FSpGetFullPath(const FSSpec& spec, i32* length, Handle* path);
// Resolves a path text through symbolic links (chains followed), in place: a link's text
// becomes its target's full path, a dangling one empties the text; the file system's status.
OSErr resolvenamethrualias(Handle path);

}  // namespace kv
