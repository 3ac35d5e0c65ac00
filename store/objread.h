// Object references: the object descriptor (`objread`) that every command, function, property
// and engine routine fills from the words that name an object, the readers that fill it and
// load the records it names, and the writers that write those records back and release them.
//
// Calling order: clear the whole descriptor, read it (`scanobj` or `readobj`), work on the
// records it holds (marking changed ones with changevir), release it with `writeobj` exactly
// once. A reader that fails has released everything it loaded: a failed descriptor is never
// released again.
//
// A reference may name an object of a project that is not open: the reader opens its store
// for the reference only, and the writer closes it again when nothing else holds its records.
//
// Statuses are script error numbers: 2 no object word (or `item` expected), 5 `of` missing
// after the expression of an `object` reference, 10 not a field, 11 object not found or not an
// object, 14 a name too long, 37 memory, 51 card not found (also an empty card history and
// `this card` of a window that is not open), 53 a window without cards, 59 `message` as an
// object, 60 background not found, 61 window not found, 62 project file not found, 63 menu not
// found, 64 menu item not found, 103 the project's password refused, 225 embedded object not
// found; store check codes pass through verifystr.
#pragma once

#include <type_traits>

#include "engine/container.h"
#include "engine/hier.h"
#include "platform/runtime/registry.h"
#include "platform/types.h"
#include "core/desk.h"
#include "core/menusets.h"
#include "store/forms.h"

namespace kv {

// Object kinds of a descriptor (a numbering of their own: message-path levels, object kinds
// and record kinds use others).
enum : u16 {
  objnone = 0,
  objitem = 1,  // a menu item: the menu part and the item index
  objmenu = 2,  // a menu: the menu part
  objpart = 3,  // a button, field or graphic: desk, object index, owner, object list
  objcard = 4,
  objbackground = 5,
  objwindow = 6,
  objproject = 8,
  objshared = 9,     // the shared script: nothing held
  objapp = 10,       // the application: nothing held
  objembedded = 11,  // an object embedded in field text: as objpart (the field) plus the item index
};

// Object type filters of the object lookups (the spot kinds, and 4 for any object) and the
// layers an object part names.
enum : u16 { typegraphic = 0, typebutton = 1, typefield = 2, typeany = 4 };
enum : u16 { layercard = 4, layerbackground = 5 };

struct objread {
  u16 kind;
  // Kinds 1 and 2. Laid out as a line of the menu bar, so that an installed menu's line is
  // copied in whole; the words after the item list are zero for a menu not in the menu bar.
  menuline menu;
  i16 itemindex;    // kind 1: the item's 0-based index; kind 11: the embedded object's position
  u16 held;         // kinds 1, 2: the menu bar holds the menu; kind 11: an embedded object
  desk d;           // the window context of the object's card
  i16 objindex;     // kinds 3, 11: the object's 0-based index in its list
  u32 ownerrecid;   // record id of the card or background that holds the list
  Handle objects;   // that object list
  chunkpart chunk;  // filled and read only by the container parser
};
static_assert(std::is_trivially_copyable_v<objread>, "a descriptor is copied whole");

// --- Readers -----------------------------------------------------------------------------------
// Any reference: `me`, `recent card`, a reference written out with its object word, or an
// operand whose value is a reference text. *used is the atoms taken.
scriptstatus scanobj(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, i32* used, objread* obj);
// A reference written out with its object word; fills the descriptor and loads its records.
scriptstatus readobj(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, i32* used, objread* obj);
// A card, background, window or project destination, loaded into the descriptor's desk. With
// `wordfirst` the object word comes first, else the part begins with `of`.
scriptstatus lowcard(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, i32* used, objread* obj,
                     i16 wordfirst);
// A menu destination, loaded into the descriptor's menu part; flag as lowcard.
scriptstatus lowmenu(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, i32* used, objread* obj,
                     i16 wordfirst);

// The records of menu `menunum` of a project held into a menu line (its store, number, library
// entry, menu record and item list; the parent and placement words zero): 0, 70 for a library
// entry that names no menu record, or 37.
i16 holdmenu(RegistryId store, u32 menunum, menuline* out);
// Releases what holdmenu held: the project's changes are forgotten when it cannot be written
// (locked, or its volume short of 40,000 bytes), the store is flushed, and closed when nothing
// else holds its records. The line's record words are cleared.
void releasemenu(menuline* line);

// Card `cardnum` of an open window's context, loaded into a descriptor of kind objcard as a
// reference to a card the window does not show loads it: the shown card is stored first, and
// the background's objects get the loaded card's texts until the descriptor is written back.
// 0, 51 when there is no such card, 37 when memory is refused, or a store check code.
i16 readcardof(const desk& w, u32 cardnum, objread* obj);
// --- Writers -----------------------------------------------------------------------------------
// Writes back and releases what the descriptor holds. A card the descriptor read into a
// background that its open window shows lends that window's background objects its texts:
// on release they go to the card they belong to, and the window's objects get their own
// card's texts back. A window that moved meanwhile stored the lent texts into their card
// before it changed them (updateword), so nothing is lost whatever happened in between.
void writeobj(objread* obj);
// The release of callers that ran a message between reading and releasing. The window's state
// when the reference was read (change stamp, serial, card number) is no longer needed: whose
// texts the background's objects hold is known (textowner), so this is writeobj.
void safewriteobj(objread* obj, u64 changestamp, u64 serial, u32 cardnum);

// --- Probes ------------------------------------------------------------------------------------
// The kind the atoms would produce, without reading anything; *the (may be null) is set when a
// leading `the` belongs to the reference.
u16 whichobj(Handle atoms, i32 at, i16* the);
// The open project a file location names (volume in the selector word, file name or path,
// folder id; volume 0 and no name: the current project). 0 with *open 1 and *store the
// project when it is open; 0 with *open 0 for a valid project file that is not open, the
// location then naming it by volume, folder id and file name. 62 when no such file exists, a
// store check code through verifystr, 104 when there is no current project.
i16 hasfile(selpart* location, i16* open, RegistryId* store);

}  // namespace kv
