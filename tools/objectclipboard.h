// The runtime's object clipboard: copying, moving and freeing the selected objects of object
// lists, the clipboard kept in step with the system clipboard (objects go out as one picture,
// another program's picture comes back as objects), and the clipboard functions.
#pragma once

#include "engine/fred.h"
#include "platform/qd/qdtypes.h"
#include "platform/types.h"
#include "core/desk.h"

namespace kv {

// The objects a list walk takes.
enum class SelectMode : i16 { unselected = 0, selected = 1, all = 2 };

// The object clipboard (none when empty), its colour table (none, or 2,064 bytes while
// colorWorld held when it was filled) and whether the card clipboard holds a card.
Handle objectclipboard();
// The object clipboard, made (empty) when there is none; none when memory runs out.
Handle clipboardlist();
Handle clipboardclut();
void setclipboardclut(Handle table);
bool cardsonclipboard();
void setcardsonclipboard(bool held);

// Appends a deep copy of each object the mode takes (a field being edited carries its live
// text). 0; 37 when the memory guard refuses; 105 for groups nested deeper than the store's
// limit (nothing appended); else the memory manager's error (what was appended stays).
i16 copyspot(Handle source, Handle destination, SelectMode mode);
// Appends the records of the objects taken unchanged, their parts shared with the source.
i16 stealspot(Handle source, Handle destination, SelectMode mode);
// Frees the objects taken with all their parts and removes them from the list (the list stays).
void dumpspot(Handle list, SelectMode mode);

// Empties the object clipboard, its colour table and the card clipboard.
void killall();
// Puts a picture of the object clipboard's selected objects on the system clipboard ('PICT').
void writedesk(const desk& d);
// Takes over the system clipboard: its picture becomes the object clipboard, or its text the
// TextEdit scrap. 1 when it held either, else 0.
i16 readesk();
// Appends (after a return when not empty) the long id reference of the list's last object.
// 0; 1 without a text handle; 37 when the text cannot grow.
i16 appendidtohand(const desk& d, Handle list, Handle text);
// The size of a flavour of a scrap (0 the current one), 0 when absent.
i32 ScrapHasFlavor(u32 scrap, OSType type);
// TIFF data made a picture: 0, 182 without an importer for the data, 190 for bad data.
i16 tifftopict(Handle tiff, PicHandle* picture);

// `the clipBoard` ("cards", "objects", "text" or "empty") and `the scrapFlavors`.
i16 clipname(fred* value);
i16 clipflavors(fred* value);

// Makes a colour table fit to be the current table: 2,064 bytes of 256 entries, the given seed,
// the flags' top bit cleared, each entry's value its index, entry 0 white and entry 255 black
// (the other colours stay as they were; entries the table lacked are black).
void cleanclut(Handle table, u32 seed);

}  // namespace kv
