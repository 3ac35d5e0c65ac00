// The script commands that change the menu bar and the stored menus: insert and remove (menus
// in the bar, under the Help menu and under items; items of menus), enable and disable (menus,
// items and objects), protect and unprotect, popUp and doMenu. Each has the command routines'
// signature and answers 0 or a script error; 175 is plug-in mode.
#pragma once

#include "engine/hier.h"
#include "platform/types.h"
#include "store/objread.h"

namespace kv {

// A menu reference at atom `at`: `me`, a written-out item or menu reference, or an expression
// whose text is one. The descriptor holds the menu (release it with writeobj); *item is the
// named item's number (0 for a whole menu); *used the atoms taken. 2 for a reference to
// anything but a menu or item, or the reference's error (nothing held then).
scriptstatus scanmenu(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, i32* used, objread* obj,
                      i32* item);

// `insert` (after an optional `the`) when the words are not about scripts.
scriptstatus insertmenu(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `remove` when the words are not about scripts, movies or filters.
scriptstatus removemenu(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `enable` and `disable` of menus, items and objects (the command word tells which).
scriptstatus comenabdisab(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
scriptstatus comprotect(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
scriptstatus comunprotect(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
scriptstatus compopup(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
scriptstatus comdomenu(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);

}  // namespace kv
