// Creating the records of a project: cards, backgrounds, windows and menus with their
// defaults, linked into the window's card list or a library list, and whole new project
// files (the head record, the four libraries and a first window with its background and card).
//
// The records are added through the record cache of an open project; `window` and `library`
// are the owner's unpacked record, held by the caller. A failure of the cache or the store
// while an existing project is extended is fatal (checkerr), as for every list change; a new
// project file that cannot be made whole is taken away again instead.
#pragma once

#include "platform/runtime/registry.h"
#include "platform/types.h"
#include "store/records.h"

namespace kv {

// The project or its file cannot be written (locked, in use, not made).
constexpr i16 kCannotWrite = 44;

// The library records of a project: windows, menus, resources, and the fourth.
constexpr i32 kWindowLibrary = 1, kMenuLibrary = 2;
// The first id a library issues, and the first card or background id of a window.
constexpr u32 kFirstLibraryId = 100, kFirstWindowItemId = 100;

// A card on background `backrecid` (id `backid`), inserted into the card list after the first
// `before` cards. The card takes `backtext` and `extras` (its alt list, or none) in every
// case. 0 and *cardrecid, or 37 when memory runs out (nothing changed).
i16 newcard(RegistryId store, Handle window, i32 windowid, i32 before, u32 backrecid, u32 backid, Handle backtext,
            Handle extras, u32* cardrecid = nullptr);
// A background with its first card, inserted after the first `before` cards. 0 or 37.
i16 newback(RegistryId store, Handle window, i32 windowid, i32 before);
// A window record (no background or card yet), its book entry inserted after the first
// `before` windows of the window library. 0 with its record id and window id, or 37.
i16 newind(RegistryId store, Handle library, i32 before, u32* windrecid, u32* windowid);
// A menu named `name` (empty for none) at the end of the menu library: 0 with its record id
// and menu id, or 37.
i16 newmenu(RegistryId store, Handle library, ConstStringPtr name, u32* menurecid, u32* menuid);

// A window's first rectangle on the main screen: 540 x 360 when the screen is wider than 1,023
// pixels, else 400 x 300, centred.
Rect newwindowrect();

// The folder and file name where a new project named `name` goes: a name with '/' is a path,
// a bare name lies in the default (current) folder. False when the folder does not exist or
// the name ends in '/'.
bool projectplace(ConstStringPtr name, u32* dirid, Str255 leaf);

// Makes a project file `name` in a folder: an empty store of the head record, the four
// libraries and a first window with its background and card. The file must not exist. 0, or
// 44 (nothing is left behind).
i16 newprojectfile(i16 volume, u32 dirid, ConstStringPtr name);

}  // namespace kv
