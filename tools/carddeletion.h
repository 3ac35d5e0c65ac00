// Deleting whole cards from a window's card list.
#pragma once

#include "platform/types.h"

namespace kv {

// `delete card`: the current card leaves its window, and its background too when it was the
// background's last card ("deleteCard", then "deleteBackground", go first). 0; 105 for the
// only card of a window or a card list that does not hold together (nothing deleted); 106 for
// a card and 109 for the last card of a background that can't be deleted; or a handler's
// status. A handler that moves elsewhere ends it quietly with nothing deleted.
i16 cardclear();

}  // namespace kv
