// Storing the state of the card a window shows: before a card's records are released, the
// texts and per-card state of the background's objects go into the card record, and the card's
// entry in the window's card list gets its packed size and search hint.
#pragma once

#include "core/desk.h"

namespace kv {

// Writes the desk's card back: the background texts and extras into the card record (marked
// changed when they differ), then, when the card or background record is marked changed, the
// card's word entry (written when it differs). When the
// background's objects hold another card's texts (a reference read that card), those go into
// that card instead, and the desk's card and entry are left alone.
void updateword(const desk& d);

}  // namespace kv
