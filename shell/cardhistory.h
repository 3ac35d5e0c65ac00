// The card history: every arrival on a card puts the card's long id text at the front of the
// recent list (a handle of length-prefixed texts back to back, newest first, in the global
// state); `recent card` names the card visited before the current one; `go back` moves entries
// to the forward list for `go forth`; `push` and `pop` keep a list of their own. Each entry is
// the reference text the system reads back (the project named by its file name when its path
// would not fit), never cut.
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
scriptstatus backcard(hierpath context, Handle variables, form* f);
// The forward step of `go forth`: the newest entry of the forward list leaves it and *f names
// that card; an empty list leaves *f empty. 0, or the status of reading the reference.
scriptstatus forthcard(hierpath context, Handle variables, form* f);

// `push recent card` (the card visited before this one; nothing when there is none) or `push
// <reference>` (a card, or the card a background, window or project shows): the card's long
// reference text goes in front of the push list. 2 for another kind of object, 19 for words
// left over.
scriptstatus compush(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `pop card [into|before|after <container>]`: the newest pushed card leaves the list (before
// the rest of the statement is read) and is gone to, or its reference text is put into the
// container. An empty list goes nowhere (0) and puts an empty text. 2 for another word.
scriptstatus compop(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);

}  // namespace kv
