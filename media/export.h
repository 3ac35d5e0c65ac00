// Image and text export: the `export` command, the image writers that other commands share
// (card printing, the `movie` function, the RTF merge command), the offscreen captures of the
// card and of pictures, and the writers of a text record as a plain, Unicode, RTF or RTFD file.
//
// Every routine answers 0 or a script error number. Worlds are registry ids and pictures
// handles; each routine disposes of what it made on every path. A file is written under a
// temporary name in its folder and renamed over the old one only once it is whole, so a
// failed write leaves the older file as it was.
#pragma once

#include "engine/hier.h"
#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/qd/qdtypes.h"
#include "platform/types.h"
#include "store/records.h"
#include "textengine/werecord.h"

namespace kv {

struct chunkpart;

// `export` (token 2069).
scriptstatus comexport(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);

// --- Files -------------------------------------------------------------------------------------
// Where a script's file name lies: a name holding "/" is a POSIX path (a relative one from the
// default folder), one holding ":" a colon path, any other lies in the default folder.
// *folder and `out` are what the file layer takes; false when the name is empty or too long.
bool exportplace(ConstStringPtr name, u32* folder, Str255 out);
// The file specification of a script's file name (placed as exportplace places it); false when
// none can be made (no such folder, a name longer than 63 bytes).
bool exportspec(ConstStringPtr name, FSSpec* spec);
// Writes `bytes` as the whole file `name` in `folder` (type and creator given), through a
// temporary file renamed over the old one: noErr, or the file layer's error (nothing changed).
OSErr replacefile(u32 folder, ConstStringPtr name, OSType type, OSType creator, const u8* bytes, i64 count);

// Writes `data` as a new file of type `type` and the program's creator (a file of that name is
// replaced): for 'PICT' 512 zero bytes come first. 0, or 72 when it cannot be written (the
// older file stays whole then).
i16 newimagefile(ConstStringPtr name, Handle data, OSType type);

// Writes the world's pixels over `rect` (world coordinates) through the graphics exporter of
// `type` with the setting: into the file `name` when `destination` is none, else into the
// variable container as its value. 0, 227 (no place for the file), 226 (the exporter failed or
// the file could not be written), or the status of putting into the variable.
i16 gworldtoimagefile(ConstStringPtr name, GWorldPtr world, const Rect& rect, OSType type, i32 setting,
                      chunkpart* destination);
// The same as a GIF89a file (the setting is ignored): 0, 227, 226 or 37.
i16 gworldtoGIFfile(ConstStringPtr name, GWorldPtr world, const Rect& rect, i32 setting, chunkpart* destination);

// --- Captures ------------------------------------------------------------------------------------
// The current card drawn into a new world of the depth over `rect` (card coordinates; the
// world's own bounds start at 0, 0): the background's objects, then the card's, on the erased
// rectangle unless `transparent`. 0 or 37 (*world none then).
i16 cardtogworld(GWorldPtr* world, const Rect& rect, i16 depth, bool transparent);
// The current card recorded as a picture framed by `rect` (card coordinates): 0, or 37 when
// memory runs out or the picture comes out empty.
i16 cardtopicture(const Rect& rect, bool transparent, PicHandle* picture);
// A picture drawn at its own bounds into a new erased world over `rect`: 0 or 37.
i16 pictogworld(PicHandle picture, GWorldPtr* world, const Rect& rect, i16 depth);
// A pixel image's rectangle copied into a new world over the same rectangle: 0 or 37.
i16 gworldtogworld(GWorldPtr source, GWorldPtr* world, const Rect& rect, i16 depth);
// The picture data of a picture graphic kept in a file: the file read as a picture (image
// files through the importer). 0 with the picture (the caller's), or `the result` set to text
// 14 and *picture none.
i16 getpdpict(const spot& graphic, Handle* picture);

// --- Text -----------------------------------------------------------------------------------
// Writes [start, end) of a text record as one of the kinds 'TEXT', 'utxt', 'RTF ', 'RTFD' to the
// file `spec` (for 'RTFD' a folder holding "TXT.rtf" and the pictures beside it). Flags bit 2
// selects the second Unicode variant (1536) for 'utxt'; `extra` is the RTF writer's footer.
// 0, 182 (kind), 37 (memory), 186 (the RTFD folder is no folder), 13 (the file cannot be made
// or opened) or the file system's error.
i16 FSpWESave(i32 start, i32 end, const FSSpec& spec, OSType kind, i16 flags, WEReference we, const char* extra);
// The whole text of a record to a file named by a colon path or a default-folder name: 186
// when no file specification can be made, else the status of FSpWESave.
i16 wewritefiletopath(WEReference we, ConstStringPtr path, OSType kind, const char* extra);

// Tests: the picture-cache entry kind that `export picture` sees instead of the cache's own
// (0: the cache's own).
void setexportcachekind(u32 kind);

}  // namespace kv
