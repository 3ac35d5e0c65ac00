// Lookups that the engine, the store and the shell share: open windows by project, menus of
// the current menu set by project and menu number, closing a project nobody uses, the
// backgrounds of a window by number, and the known folders in which projects are searched.
#pragma once

#include <functional>

#include "platform/runtime/registry.h"
#include "platform/types.h"
#include "core/desk.h"
#include "core/menusets.h"

namespace kv {

// The number of open windows of a project.
i16 totwind(RegistryId store);
// The first open window of a project with that window number whose platform window is still
// valid: true and a copy of its desk, or false (*out unchanged).
bool haswind(RegistryId store, u32 windnum, desk* out);
// The first line of the current menu set naming that project's menu number: true, a copy of
// the line and its 0-based index; false when none (outputs unchanged).
bool hasmenu(RegistryId store, u32 menunum, menuline* out, i32* index);

// Closes a project (closevir) unless it is the shared project or one of its cached records
// is still held; a failure to close is fatal.
void dumpfile(RegistryId store);
// Walks a window's card list and calls fn(background record id, number) for each background
// at its first appearance, numbering them from 1, until fn answers true. 0, or 37 when memory
// for the list of seen backgrounds (one word per background of the window) is refused.
i16 firstappearances(RegistryId store, Handle window, const std::function<bool(u32, u32)>& fn);
// Numbers the backgrounds of a window by their first appearance along its card list: the
// 1-based number of background record `backrecid`. 0, 60 when it does not appear, 37 when
// memory for the list of seen backgrounds is refused.
i16 backidtobacknum(RegistryId store, Handle window, u32 backrecid, u32* number);

// A known folder.
struct dirlistentry {
  i16 volume;
  u32 dirid;
  u32 uses;
};
// Adds a folder to the known folders, or counts one more use of it: 0, or 37 when the list
// cannot grow.
i16 addir(i16 volume, u32 dirid);

}  // namespace kv
