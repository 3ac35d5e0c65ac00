// The card history: every arrival on a card puts the card's long id text at the front of the
// recent list (a handle of length-prefixed texts back to back, newest first, in the global
// state); `recent card` names the card visited before the current one.
#pragma once

#include "engine/hier.h"
#include "platform/types.h"
#include "store/forms.h"

namespace kv {

// Records the current desk's card on the recent list: nothing while lockRecent is set or when
// the newest entry already names the card. Before an entry goes in front of a list of more
// than 3,000 bytes the oldest entry is dropped.
void addrecent();
// The reference text of the card visited before the current one (the second entry); empty
// when the list holds fewer than two.
void getrecent(StringPtr out);
// The back step of `go back`: the current card's entry moves from the recent list to the
// forward list and *f names the card before it (its entry leaves the recent list too; the
// arrival records it again). With fewer than two entries nothing changes and *f stays empty
// (every part selnone). 0, or the status of reading the reference.
i16 backcard(hierpath context, Handle variables, form* f);
// The forward step of `go forth`: the newest entry of the forward list leaves it and *f names
// that card; an empty list leaves *f empty. 0, or the status of reading the reference.
i16 forthcard(hierpath context, Handle variables, form* f);

}  // namespace kv
