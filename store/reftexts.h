// Reference texts: the texts that name an object (the `id` and `name` properties, the card
// history, the owner text of each message-path level, a long id kept in a variable). Every text
// built here is itself a reference that the readers of store/objread.h accept, so it can be
// stored and read back, also after the project was closed and opened again.
//
// The id family names an object by its id; the name family by its name, falling back to the
// id text when the object has no name. Each routine appends to a length-prefixed string
// without clearing it, and never lets it pass 255 characters (what does not fit is dropped).
//
// Forms: short (the bare id or name), long (the object and each owner up to its project,
// named by its full path), abbreviated (the object with its object word, no owners). Any other
// form is long with the project named by its file name. A project whose path does not fit the
// text is named by its file name as well.
#pragma once

#include "platform/runtime/registry.h"
#include "platform/types.h"

namespace kv {

struct objread;

// A project (nothing for no store).
void buildfilename(RegistryId store, u16 form, StringPtr out);

// --- Id family ----------------------------------------------------------------------------------
void buildwindid(const objread* obj, u16 form, StringPtr out);  // nothing for no descriptor
void buildbackid(const objread& obj, u16 form, StringPtr out);
void buildcardid(const objread& obj, u16 form, StringPtr out);
void buildspotid(const objread& obj, u16 form, StringPtr out);
void buildiotaid(const objread& obj, u16 form, StringPtr out);
void buildmenuid(const objread& obj, u16 form, StringPtr out);
void builditemid(const objread& obj, u16 form, StringPtr out);

// --- Name family --------------------------------------------------------------------------------
void buildwindname(const objread& obj, u16 form, StringPtr out);
void buildbackname(const objread& obj, u16 form, StringPtr out);
void buildcardname(const objread& obj, u16 form, StringPtr out);
void buildspotname(const objread& obj, u16 form, StringPtr out);
void buildiotaname(const objread& obj, u16 form, StringPtr out);
void buildmenuname(const objread& obj, u16 form, StringPtr out);
void builditemname(const objread& obj, u16 form, StringPtr out);

// --- By the descriptor's kind -------------------------------------------------------------------
// The id or name text of the object a descriptor names (items, menus, buttons, fields and
// graphics, cards, backgrounds, windows, embedded objects); nothing for the other kinds.
void buildidtext(const objread& obj, u16 form, StringPtr out);
void buildnametext(const objread& obj, u16 form, StringPtr out);

// The text the system keeps to find an object again itself (the card history, the owner texts
// of message-path levels, error delivery, inserted scripts), replacing `out`: the long id,
// naming the project by its file name when its path holds a double quote or would not let the
// text fit; a project is named by its project text. Empty for the shared script and the
// application.
void buildreadback(const objread& obj, StringPtr out);

}  // namespace kv
