// The settings of picture graphics set from entries, and the move of a picture between two
// graphics of one list; both are offered to external code too.
#pragma once

#include "platform/types.h"
#include "properties/propfront.h"
#include "render/pictinfo.h"
#include "store/objread.h"

namespace kv {

// Parses entries (an entry word, an optional `is`, its value) from atom `at` into the change
// record, adding each setting's bit to its mask. In list mode the entries run to the end of
// the text, line ends between them skipped; otherwise to the end of the line. 2 for an entry
// word not taken, a bad `aspect` word, `opColor` without a comma after red or a `quad` of
// other than four points; conversion errors as returned.
i16 lowsetpictureinfo(const propctx& c, i32 at, PictInfo* rq, bool listmode);

// Moves the picture of graphic `source` of the descriptor's list to graphic `destination`:
// the source keeps its rectangle and loses its picture information, the destination takes
// it with its rectangles and decoded picture. 185 when either is not a graphic, 112 when
// either cannot show a picture.
i16 shufflepicture(const objread& obj, i32 source, i32 destination, bool redraw);

}  // namespace kv
