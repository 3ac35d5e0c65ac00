// The volume list: the mounted volumes, kept current by the mount and unmount handling; and the
// desktop's showing of file name extensions.
#pragma once

#include "platform/types.h"

namespace kv {

// Adds a mounted volume to the list; *name gets its name (empty when it has none).
void addVolumeToList(i16 vRefNum, StringPtr name);
// Removes a volume from the list; *name gets the name it had (empty when it was not listed).
void removeVolumeFromList(i16 vRefNum, StringPtr name);
// Builds the list from the volumes mounted now.
void buildvolumelist();

// Finds a volume by name (a volume name ending in a colon; null: by the number) and unmounts
// it: noErr, nsvErr (-35) when there is no such volume, or the file system's refusal.
OSErr UnmountAndEject(ConstStringPtr name, i16 volume);
// `the result` := the file-system error text (result text 110) with the status: 0, or 37 when
// memory runs out.
i16 resultfilesystemerr(i16 status);

// Hides (1) or shows (0) a file's name extension on the desktop: the file system's status.
OSErr hideFileExtension(i16 vRefNum, u32 dirID, ConstStringPtr name, i16 hide);

}  // namespace kv
