// Deleting whole cards from a window's card list, whole windows and menus from a project.
#pragma once

#include "platform/runtime/registry.h"
#include "platform/types.h"

namespace kv {

struct objread;

// `delete card`: the current card leaves its window, and its background too when it was the
// background's last card ("deleteCard", then "deleteBackground", go first). 0; 105 for the
// only card of a window or a card list that does not hold together (nothing deleted); 106 for
// a card and 109 for the last card of a background that can't be deleted; or a handler's
// status. A handler that moves elsewhere ends it quietly with nothing deleted.
i16 cardclear();
// `delete card` with a reference: a card of the current window that is not shown is shown
// first (silently), deleted as above, and the card that was shown comes back. Releases the
// reference. 2 for a card of another window, else as cardclear.
i16 cardrefclear(objread* card);
// `delete window`: the current window closes and every record of it leaves its project
// ("deleteCard", "deleteBackground" and "deleteWindow" go first); the later open windows of
// the project are numbered one lower. 175 in plug-in mode, 105 for a card list that does not
// hold together, the project's verify error when it closed with the window and is no longer a
// project file, or a handler's status.
i16 windowclear();
// `delete menu`: the menu leaves every menu set and its project; the project's later menus are
// numbered one lower in the sets. Releases the reference. 0, or 105 for a library that does not
// hold together.
i16 menuclear(objread* menu);
// Every record of a window: its cards, their backgrounds, the pages of its card list and the
// window record. None of them may be held.
void trashobjects(RegistryId store, u32 windrecid);

}  // namespace kv
