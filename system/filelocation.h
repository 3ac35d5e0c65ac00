// File location: places in the file system (volume, folder id, leaf name) as the path texts
// scripts see, path texts given by scripts as places, the directory list of folders where files
// were found, and the small file tests.
//
// Paths are POSIX paths: a folder path ends with "/", an absolute path starts with "/", any
// other path with a "/" is relative, and a text without one is a bare name. A script may also
// give a colon path ("Disk:Folder:File" for /Volumes/Disk/Folder/File, ":Folder:File" relative);
// a text with a colon and no slash is read as one.
//
// The directory list (`mainglobals().dirlist`, entries of `dirlistentry`) grows through `addir`
// (engine/lookups.h) with every file found or opened, and shrinks as `fsclose` closes files.
#pragma once

#include <string>
#include <string_view>

#include "platform/files/files.h"
#include "platform/types.h"

namespace kv {

// A script's path as a POSIX path: a colon path is turned into one, any other text is kept.
std::string colontoposix(std::string_view path);

// The folder's full path ending with "/", at most capacity - 1 bytes: a path that does not fit
// ends after the last whole folder name that fitted. An unknown folder gives the empty path.
// Always 0.
i16 getpath(StringPtr out, i16 capacity, i16 volume, u32 dirid);

// Splits a path at its last separator ("/", or ":" in a colon path): the folder part with the
// separator, and the leaf name; both stop before a return or a zero byte. The leaf's length.
i16 splitnames(ConstStringPtr path, StringPtr folder, StringPtr leaf);

// Points the search's wanted type and creator at the caller's (in/out) without searching.
void setcodes(OSType* type, OSType* creator);

// Finds a file named by a path text: an absolute path in its folder, any other in the folders
// of the directory list, else the user is asked where it is. Type 0 and creator 0 accept any;
// 'APPL' accepts an 'adrp' too; creator '****' accepts any file. The found file's own type and
// creator come back through `type` and `creator`. 1 with the place (its folder joins the
// directory list), 0 when the user cancelled.
i16 findfile(ConstStringPtr path, StringPtr leaf, i16* volume, u32* dirid, OSType* type, OSType* creator);

// Asks the user where a file is ("Where is <path>?"): the open dialog's status (0 chosen,
// userCanceledErr), with the chosen file's place and own leaf name.
OSErr askuser(ConstStringPtr path, StringPtr leaf, i16* volume, u32* dirid);

// Searches the directory list for a name with the wanted type and creator of `setcodes`
// (package folders admitted with allowfolders): 0 with the place, 1 when not found.
i16 checkdirq(ConstStringPtr name, i16* volume, u32* dirid, i16 allowfolders);

// Closes a file; its folder loses one use in the directory list (and leaves it at the last).
OSErr fsclose(FileRef ref);
OSErr flushfile(FileRef ref);

// 1 when a file (isfile) or folder (isfolder) of that name is in the folder, else 0.
i16 isfile(ConstStringPtr leaf, i16 volume, u32 dirid);
i16 isfolder(ConstStringPtr leaf, i16 volume, u32 dirid);
// 1 with its folder id and volume when an absolute folder path names an existing folder.
i16 dirthere(ConstStringPtr path, u32* dirid, i16* volume);
// The full path of a place without the 255-byte limit, in a new handle (Mac Roman, no length
// byte, no terminator): 0, 227 when the place cannot be found, 37 when memory runs out.
i16 getlongpath(ConstStringPtr leaf, i16 volume, u32 dirid, Handle* out, i32* length);
// 1 with the folder's own id when the item is a package folder (the has-bundle flag, or a
// name ending in ".app", exactly, while running as on Mac OS X).
i16 FSpIsPackage(i16 volume, u32 dirid, ConstStringPtr name, u32* packagedir);

}  // namespace kv
