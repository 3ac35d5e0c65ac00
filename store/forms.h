// Window, card and menu destinations: a form of four selector parts (card, background, window,
// project) and its resolution to an open project store, a card number and a window number; a
// tray of two (menu, project) and its resolution to a store and a menu number. Resolving may
// open the project file.
#pragma once

#include "platform/runtime/registry.h"
#include "platform/types.h"

namespace kv {

// How a part chooses its thing.
enum : u16 {
  selnone = 0,  // nothing given: the resolver's default
  sellast = 1,
  selmiddle = 2,  // count / 2 + 1
  selany = 3,     // a random one
  selprev = 4,    // the one before `value`
  selnext = 5,    // the one after `value`
  selnumber = 6,  // number `value`; -99 stands for `this`
  selid = 7,      // the one with id `value`
  selname = 8,    // the one named `name`
};
constexpr i32 kThisCard = -99;

// One part. In a project part `selector` holds the volume and `name` the project's file name
// or path (an empty name and volume 0: the current project).
struct selpart {
  u16 selector;
  i32 value;
  Str255 name;
  u32 dirid;
};

struct form {
  selpart card;
  selpart back;
  selpart wind;
  selpart proj;
};

// A menu destination.
struct tray {
  selpart menu;
  selpart proj;
};

// Resolves a form: the project's store, the card number (1-based, or -99 for `this card` of a
// window that is open) and the window number. With `shared` set a project opened here becomes
// the shared project. A project opened here is closed again on failure, and its folder joins
// the known folders on success. 0, or 51 card not found, 53 a window without cards, 60
// background not found, 61 window not found, 62 project not found, 70 a damaged project (a
// record of the wrong kind), 104 no current project, a store check code, 37.
i16 formtonums(const form& f, RegistryId* store, i32* cardnum, i32* windnum, i16 shared);

// Resolves a tray: the store (opened when needed) and the 1-based menu number; without a menu
// part, the project's lowest menu in the menu bar, else its first. A project opened here is
// closed again on failure. 0, 63 menu not found or no menus, or the project's errors as for
// formtonums.
i16 traytonums(const tray& t, RegistryId* store, i32* menunum);

// The project a destination's project part names (volume 0 and an empty name: the current
// project), opened when it is not open, with `shared` as the shared project (its head record
// held in the global state); *opened tells whether it was opened here. Whoever opened it
// closes it again (dumpfile) when the destination fails, and registers its folder among the
// known folders (referencedopened) when it succeeds. 0, 62 no such project file, 70, 104 no
// current project, a store check code, 37.
i16 openreferenced(const selpart& location, i16 shared, RegistryId* store, bool* opened);
void referencedopened(RegistryId store);

// The status of a project whose records do not hold together.
constexpr i16 kDamagedProject = 70;

// Holds record `id` of a store through the record cache when it is a record of that kind
// whose fixed part (a window's page references included) fits: 0 and the record, 37 when memory ran out, or 70 (the
// record is released again) for an id the store does not have or a record of another kind.
// Used for records named by another record's entries, which a damaged file may get wrong.
i16 holdrecord(RegistryId store, u32 id, u16 kind, Handle* out);

// The n-th background of a window in card order (first appearances): its record id. 0, 60
// when the window has fewer backgrounds, 37 when memory is refused.
i16 backnumtoid(RegistryId store, Handle window, u32 n, u32* backrecid);

}  // namespace kv
