// Files: the part of the desktop File Manager the system relies on, over POSIX files.
//
// A file is named by a volume, a folder id and a name, as the system expects. There is one
// volume, the whole POSIX tree (kBootVolume; 0 is accepted as "the default volume"). Folder
// ids are handed out by folderidofpath for POSIX folders; fsRtDirID is "/" and 0 the current
// folder. A name is Mac Roman and may be a relative path below the folder, or a full path
// (starting with "/") that ignores the folder; it crosses to UTF-8 with macromantofilename.
//
// Open files are registry ids (RegType::file). Writing permission takes an advisory flock:
// a file that is open for writing elsewhere, in this process or another, answers opWrErr.
// A locked file is one without any write permission bit: it opens only for reading (permErr
// when writing is asked for; the current permission falls back to reading) and cannot be
// deleted (fLckdErr), for every user alike.
// Errors are the classic result codes: fnfErr (-43) for a missing file, dirNFErr for a
// missing folder, dupFNErr when creating over a file, dskFulErr, wPrErr, permErr, eofErr
// when a read meets the end of the file, and so on.
//
// A file's type and creator live in the extended attribute "user.kestrove.finfo" (8 bytes:
// type, then creator). Where the file system has no extended attributes, or the file none,
// a name ending in ".kv45" is a project (kProjectType, kProjectCreator) and any other file
// has type and creator 0.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "platform/runtime/registry.h"
#include "platform/types.h"

namespace kv {

using FileRef = RegistryId;

constexpr i16 kBootVolume = -1;
constexpr u32 fsRtDirID = 2;

constexpr OSType kProjectType = fourcc("MDOx");
constexpr OSType kProjectCreator = fourcc("VIZu");

// Open permissions.
enum : i8 { fsCurPerm = 0, fsRdPerm = 1, fsWrPerm = 2, fsRdWrPerm = 3 };
// Positioning modes of SetFPos.
enum : u16 { fsAtMark = 0, fsFromStart = 1, fsFromLEOF = 2, fsFromMark = 3 };

// A file named by its place: volume, folder id and a name of at most 63 bytes.
struct FSSpec {
  i16 vRefNum;
  u32 parID;
  Str63 name;
};

struct FInfo {
  OSType fdType;
  OSType fdCreator;
  u16 fdFlags;
  Point fdLocation;
  i16 fdFldr;
};

// --- Folders -------------------------------------------------------------------------------
// The folder id of a POSIX folder (a Mac Roman path, absolute or relative to the current
// folder); the same folder always gets the same id during a run.
OSErr folderidofpath(std::string_view macromanpath, u32* dirID);
// The full Mac Roman path of a folder id.
OSErr pathoffolder(u32 dirID, std::string* macromanpath);
// Makes a folder `name` in a folder: noErr and its folder id, dupFNErr when something of that
// name is there already, or the failure.
OSErr DirCreate(i16 vRefNum, u32 parentDirID, ConstStringPtr name, u32* createdDirID);
// Free bytes on the volume that holds a folder (the injected figure when one is set).
OSErr volumefreebytes(i16 vRefNum, u32 dirID, u64* bytes);

// --- Scratch folders -------------------------------------------------------------------------
// A new empty folder of its own under the system's temporary folder ($TMPDIR, else /tmp), for
// files a run makes and throws away: its folder id. ScratchFolderRemove takes such a folder
// away with everything in it; a folder not made here gives dirNFErr. The ones still there go
// when the runtime is reset.
OSErr ScratchFolderCreate(u32* dirID);
OSErr ScratchFolderRemove(u32 dirID);

// A new file of its own in a folder, named by the prefix and six characters chosen so that no
// other file there, of this run or another, has the name (mkstemp), with a type and creator:
// noErr and its Mac Roman name. What such files remain goes when the runtime is reset and when
// the process ends.
OSErr TempFileCreate(i16 vRefNum, u32 dirID, std::string_view macromanprefix, OSType creator, OSType fileType,
                     StringPtr name);
// Whether this user may make files in a folder: false on a read-only file system and for a
// folder without the write permission bit of this user's class (owner, group or others; the
// superuser is held to the owner's bit, as locked files hold every user).
OSErr FolderWritable(i16 vRefNum, u32 dirID, bool* writable);

// The folders the desktop keeps: the temporary items ($TMPDIR, else /tmp), the user's desktop
// and documents ($HOME/Desktop, $HOME/Documents), and the home folder itself. The UTF-8 path, or
// false when the folder is not there.
enum class StandardFolder : u8 { temporary, desktop, documents, home };
bool standardfolder(StandardFolder which, std::string* path);

// --- Volumes the desktop announces ----------------------------------------------------------
// The event layer notes each volume that is mounted (with its Mac Roman name) or unmounted
// before the volume handlers run. The boot volume is always there, named "/".
void notevolume(i16 vRefNum, std::string_view macromanname, bool mounted);
// The Mac Roman name of a volume announced in this run (an unmounted one keeps its name until
// its number comes again): noErr, or nsvErr when none was announced under that number.
OSErr volumename(i16 vRefNum, std::string* macromanname);
// The reference number of a mounted volume by its Mac Roman name (letter case ignored; empty or
// "/" names the boot volume): noErr, or nsvErr when no mounted volume goes by that name.
OSErr volumebyname(std::string_view macromanname, i16* vRefNum);

// --- Files by name -------------------------------------------------------------------------
OSErr HCreate(i16 vRefNum, u32 dirID, ConstStringPtr name, OSType creator, OSType fileType);
OSErr HOpen(i16 vRefNum, u32 dirID, ConstStringPtr name, i8 permission, FileRef* ref);
OSErr HDelete(i16 vRefNum, u32 dirID, ConstStringPtr name);
// Renames `from` to `to` in the same folder in one step, replacing a file of that name (never
// a folder, dupFNErr, nor a locked file, fLckdErr): the old file stays whole until then.
OSErr HReplaceFile(i16 vRefNum, u32 dirID, ConstStringPtr from, ConstStringPtr to);
// Deletes a folder with everything in it, locked files and folders too (links inside are
// removed, not followed). dirNFErr when the name is no folder; the first failure stops and is
// answered (what went stays gone).
OSErr DeleteDirectory(i16 vRefNum, u32 dirID, ConstStringPtr name);
OSErr HGetFInfo(i16 vRefNum, u32 dirID, ConstStringPtr name, FInfo* info);
OSErr HSetFInfo(i16 vRefNum, u32 dirID, ConstStringPtr name, const FInfo* info);
// Whether the desktop shows the file's name without its extension: kept in the extended
// attribute "user.kestrove.hideext" (one byte, 1 hidden); a file without it shows its extension.
// Where the file system has no extended attributes the setting is not kept (noErr, shown).
OSErr HSetExtensionHidden(i16 vRefNum, u32 dirID, ConstStringPtr name, bool hidden);
OSErr HGetExtensionHidden(i16 vRefNum, u32 dirID, ConstStringPtr name, bool* hidden);
// The locked attribute: set (every write permission bit cleared), cleared (the owner's write
// bit given back) and read.
OSErr HSetFLock(i16 vRefNum, u32 dirID, ConstStringPtr name);
OSErr HRstFLock(i16 vRefNum, u32 dirID, ConstStringPtr name);
OSErr HGetFLock(i16 vRefNum, u32 dirID, ConstStringPtr name, bool* locked);

// --- Catalogue ------------------------------------------------------------------------------
// What the catalogue knows of one item in a folder.
struct CatInfo {
  bool folder;  // a folder (else a file)
  u32 dirID;    // a folder's own folder id
  u32 parID;    // the folder id of the folder that holds the item
  OSType type;  // a file's type and creator (folders: from their attribute, else 0)
  OSType creator;
  u16 flags;   // Finder flags (kHasBundle is never set on this file system)
  i64 length;  // a file's length in bytes
};
constexpr u16 kHasBundle = 0x2000;
// Looks an item up (links followed): fnfErr when nothing of that name is there, dirNFErr when
// the folder is missing.
OSErr HGetCatInfo(i16 vRefNum, u32 dirID, ConstStringPtr name, CatInfo* info);
// Follows a chain of symbolic links from an item: the target's folder and name replace the
// given ones and *wasAlias tells whether there was a link. fnfErr when a link leads nowhere.
OSErr ResolveAliasFile(i16* vRefNum, u32* dirID, StringPtr name, bool* wasAlias);
// The full path (Mac Roman) of an item, canonical when it exists; its folder's path and the
// name when it does not. dirNFErr when the folder cannot be found.
OSErr fullpathof(i16 vRefNum, u32 dirID, ConstStringPtr name, std::string* macromanpath);
// The folder and name of an open file.
OSErr GetFileLocation(FileRef ref, i16* vRefNum, u32* parID, StringPtr name);
// Whether a name leads to the file that is open as `ref` (the same device and inode, links
// followed): on a file system that tells case apart, names that differ only in case may not.
bool HIsOpenFile(i16 vRefNum, u32 dirID, ConstStringPtr name, FileRef ref);
// The device and inode of an open file: the file's identity whatever name leads to it.
OSErr FileIdentity(FileRef ref, u64* device, u64* inode);

// --- Open files ----------------------------------------------------------------------------
// Reads *count bytes at the mark; a read that meets the end of the file answers eofErr with
// *count set to what was read. The mark advances by what was read or written.
OSErr FSRead(FileRef ref, i64* count, void* buffer);
OSErr FSWrite(FileRef ref, i64* count, const void* buffer);
OSErr SetFPos(FileRef ref, u16 mode, i64 offset);
OSErr GetFPos(FileRef ref, i64* position);
OSErr GetEOF(FileRef ref, i64* length);
OSErr SetEOF(FileRef ref, i64 length);
// Pushes the file's written bytes to the disk.
OSErr FlushFile(FileRef ref);
OSErr FSClose(FileRef ref);
// Reads or writes exactly `count` bytes at a position (the mark moves past them).
OSErr readat(FileRef ref, i64 position, void* buffer, i64 count);
OSErr writeat(FileRef ref, i64 position, const void* buffer, i64 count);

// --- Test controls -------------------------------------------------------------------------
// Seen before every write and every length change of any file (data is null and count the
// new length for a length change), and after every FlushFile of a file open for writing (a
// barrier: what was written before it is on the disk). Tests use it to cut files at every
// write and to replay writes in the orders a disk may keep between barriers.
struct FileWriteEvent {
  const std::string& path;  // UTF-8 path of the file
  i64 position;
  const u8* data;
  i64 count;
  bool barrier = false;
};
void setfilewritehook(std::function<void(const FileWriteEvent&)> hook);
// The nth write or length change from now fails with dskFulErr (1 = the next); 0 disarms.
void failfilewriteafter(std::size_t n);
// false: FlushFile reports its barrier but does not wait for the disk (tests replay barriers
// from the write log; waiting for a real disk only slows them).
void setfilesyncs(bool on);
// Whether writers wait for the disk (the preference and resource writers follow it too).
bool filesyncs();
// Writes a file whole by UTF-8 path: the bytes go to a temporary file beside it, which replaces
// the file only once complete (and synced when writers wait for the disk), so a failed or
// interrupted write leaves the old file as it was. Answers 0 or the errno of the failure.
int replacefilewhole(const std::string& path, const void* data, std::size_t size, unsigned mode);
// false: behave as a file system without extended attributes (the ".kv45" rule applies).
void setfinfoattributes(bool on);
// Free bytes that volumefreebytes answers instead of asking the file system.
void setfreespacemodel(std::optional<u64> bytes);

}  // namespace kv
