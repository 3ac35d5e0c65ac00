// The volume list (the mounted volumes, kept current by the mount and unmount handling) and the
// file-system conveniences the shell, the commands and the drag handlers share: a file type
// from a name's extension, deleting folders, unmounting, hiding a file's extension, the known
// folders, canonical specifications, `the result` of a file-system error, and conversions for
// names longer than a specification of the classic form held.
#pragma once

#include <string>

#include "platform/files/files.h"
#include "platform/types.h"

namespace kv {

// One volume of the list (in memory only).
struct volentry {
  i16 volume;
  u16 locked;  // 1 when the volume is locked
  Str255 name;
};

// Builds the list from the volumes mounted now, in mount order: 0, or 37.
i16 buildvolumelist();
// Adds a mounted volume to the list and gives its name ("Unknown" when the platform cannot
// tell): 1 added, 0 not.
i16 addVolumeToList(u16 vRefNum, StringPtr name);
// Removes a volume from the list and gives the name it had ("Unknown" when it was not
// listed): 1 removed, 0 not listed.
i16 removeVolumeFromList(u16 vRefNum, StringPtr name);
// 1 when the volume is locked: its listed flag, else the platform's answer (1 when it cannot
// tell).
i16 isvolocked(u16 vRefNum);
// Unmounts the volume named `name` (when given; a colon may end it), else the one numbered
// `vRefNum`: the file system's status (fBsyErr when the unmount is refused, also for a volume
// the desktop announced whose mount cannot be found; nsvErr for no such volume).
OSErr UnmountAndEject(ConstStringPtr name, i16 vRefNum);

// The file type of a name by its extension: ".TEXT", ".TXT", ".TTXT", ".TTRO" 'TEXT',
// ".PICT" 'PICT', ".RTF" 'RTF ', ".RTFD" 'RTFD' (any case); 0 for any other or none.
OSType FileExtensionToType(ConstStringPtr name);

// Telling the desktop that a folder changed: file managers watch their folders themselves,
// so these answer noErr and do nothing.
OSErr FNNotifyByFileFSSpec(const FSSpec& spec);
OSErr FNNotifyByFolderID(i16 vRefNum, u32 dirID);
OSErr FNNotifyByFolderFSSpec(const FSSpec& spec);
OSErr FNNotifyByFilePath(const std::string& path);
OSErr FNNotifyByFolderPath(const std::string& path);

// Hides (1) or shows (0) a file's name extension on the desktop: the file system's status.
OSErr hideFileExtension(i16 vRefNum, u32 dirID, ConstStringPtr name, i16 hide);
// The number of open resource files, the program's own included.
i16 countresfiles();
// A specification with an empty name (a folder given by its id) gets the folder's own name and
// its parent's id; others are left as they are. noErr, or the file system's status.
OSErr MakeCanonFSSpec(FSSpec* spec);
// `the result` becomes "File system error N." (entry 110 of the result texts): 0, 1 when there
// is no such text, 37 out of memory.
i16 resultfilesystemerr(i16 status);
// One use less of a known folder; its entry goes with its last use.
void killdir(u16 vRefNum, u32 dirID);

// A file reference: the absolute path (UTF-8) of an item that exists.
struct FSRef {
  std::string path;
};
// A specification and a path from a reference, a reference from a place: noErr, fnfErr,
// paramErr for a missing output.
OSErr FSRefMakeFSSpec(const FSRef& ref, FSSpec* spec);
OSErr FSPathMakeFSSpec(const std::string& path, FSSpec* spec, bool* isdirectory);
OSErr FSMakeFSRef(i16 vRefNum, u32 dirID, ConstStringPtr name, FSRef* ref);
// 1 when the reference names an item that exists, else 0.
i16 FSRefValid(const FSRef* ref);
// 1 when some component of a colon-separated path is longer than 31 characters (paths of
// fewer than 32 characters answer 0).
i16 pathHasLongComponent(ConstStringPtr path);

// A name of at most 255 UTF-16 units.
struct HFSUniStr255 {
  u16 length;
  u16 unicode[255];
};
constexpr u32 kTextEncodingMacRoman = 0, kTextEncodingSystem = 65535;
// The unicode form of a Mac Roman name (encoding 0, or 65535 for the system's): noErr, or
// paramErr for another encoding.
OSErr HFSNameGetUnicodeName(ConstStringPtr name, u32 encoding, HFSUniStr255* out);
// An 8-character name (the counter's 8 hexadecimal digits, most significant first) that no item
// of the folder has, counting up from *counter: noErr, or the first other failure.
OSErr GenerateUniqueHFSUniStr(u32* counter, i16 vRefNum, u32 dirID, HFSUniStr255* out);
// The specification of a path (a zero byte is added to the handle when it has none), relative
// to a folder unless it is absolute, whose components may be longer than a specification's
// name holds: the exact name when it fits, else an 8-character placeholder. A missing item is
// created (a file) when `create` is set. *exact tells whether the specification holds the real
// name, *created whether the item was made here.
OSErr FSMakeLongFSSpec(i16 vRefNum, u32 dirID, Handle path, bool create, FSSpec* spec, bool* exact, bool* created);

}  // namespace kv
