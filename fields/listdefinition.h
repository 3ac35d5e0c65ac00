// The list definition that draws the rows of platform lists: of list fields and of the lists
// in the script dialogs.
#pragma once

#include "platform/lists/lists.h"

namespace kv {

// Draws (message 1) or highlights (message 2) one cell: the row's text 4 pixels in, centred
// on the cell's height; a selected row inverted.
void MyListDefinition(i16 message, bool selected, const Rect* cellRect, Cell cell, const u8* data, i16 length,
                      ListHandle list);

}  // namespace kv
