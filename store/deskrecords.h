// The records of a window context (`desk`): holding and releasing records of an open project
// whose kind is known (a failure of the record cache is fatal), checking the card and
// background a card-list entry names, loading a card and its background with their colour
// tables, and releasing what a desk holds. Records named by another record's entries are held
// through holdrecord (store/forms.h), which checks their kind.
#pragma once

#include <string>

#include "platform/runtime/registry.h"
#include "platform/types.h"
#include "core/desk.h"
#include "store/records.h"

namespace kv {

Handle holdvir(RegistryId store, u32 id);
void releasevir(RegistryId store, u32 id);

// The card and background a word entry names must be a card and a background: 0, 70, or 37.
i16 checkentry(RegistryId store, const wordentry& e);

// What loading a card asks of the memory guard: three times the packed size of the card and its
// background (held to what one request can ask).
Size cardroom(const wordentry& e);

// The card a checked word entry names (with its colour table in colour mode) into a desk, and
// the background likewise. The background's objects keep the texts they hold.
void loaddeskcard(desk& d, u32 cardnum, const wordentry& e);
void loaddeskback(desk& d, const wordentry& e);
void disposedeskclut(Handle& clut);
// "card N of window "NAME"" (UTF-8; the window record's name, when it has one), for the
// message of a fatal error.
std::string cardofwindow(Handle window, u32 cardnum);
// Releases what a desk holds (each record only when loaded), in reverse order of loading, and
// its colour tables.
void unloaddesk(desk& d);

}  // namespace kv
