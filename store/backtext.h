// What a card keeps for the objects of its background: the texts of the background fields
// (`backtext`), and as alt entries of the card the alt lists of the background's fields of
// styles 300 and 301 (kind 200) and the hilite of background buttons whose hilite is not shared
// (kind 201).
//
// All three are entries back to back: u32 object id, u32 length L, then L bytes: a stored field
// text (`backtext`), a packed alt list (kind 200), or u16 hilite word (64 when hilited), u16
// current value and 4 bytes not significant (kind 201, L = 8). An entry is read only when its
// length fits in what is left of the handle; the walk ends at the first that does not.
//
// When a card's state is stored, `getbacktext` and `getbacktextextras` collect them from the
// background's object list; when a card is shown, found or reverted, `putbacktext` and
// `putbacktextextras` hand them back.
#pragma once

#include "platform/types.h"

namespace kv {

// Rebuilds `backtext` from the fields of the object list (every field, in list order: its id,
// the size of its data and the data's bytes). On failure `backtext` is left as it was.
OSErr getbacktext(Handle objects, Handle backtext);
// Gives every field of the list its text for the card: the bytes of the first entry with its id,
// or the empty text with the default tail when there is none or the entry is not a whole stored
// text. List fields then reload their rows. Answers the first failure; the other fields still
// get their texts.
OSErr putbacktext(Handle objects, Handle backtext);
// Writes into `dest` a `backtext` of empty texts that keep each entry's tail, with the font,
// face and size of its first style run when it has runs. `dest` may be `source`.
OSErr cleanbacktext(Handle source, Handle dest);

// Stores kinds 200 and 201 of the card (its alt list made when needed, freed and set to 0 when
// it ends empty). 0, or 1 when a copy, a packing or a handle size change failed: what was built
// up to then is kept.
i16 getbacktextextras(Handle backobjects, Handle* cardalt);
// Gives the background's fields of styles 300 and 301 their alt lists for the card, and the
// buttons whose hilite is not shared their hilite and value. Always 0.
i16 putbacktextextras(Handle backobjects, Handle cardalt);

}  // namespace kv
