// The card history: every arrival on a card puts the card's long id text at the front of the
// recent list (a handle of length-prefixed texts back to back, newest first, in the global
// state); `recent card` names the card visited before the current one.
#pragma once

#include "platform/types.h"

namespace kv {

// Records the current desk's card on the recent list: nothing while lockRecent is set or when
// the newest entry already names the card. Before an entry goes in front of a list of more
// than 3,000 bytes the oldest entry is dropped.
void addrecent();
// The reference text of the card visited before the current one (the second entry); empty
// when the list holds fewer than two.
void getrecent(StringPtr out);

}  // namespace kv
