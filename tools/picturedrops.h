// Pictures made for drags and drops: a button's icon as a picture, and the receivers of dropped
// pictures ('PICT' data, picture files, other image files through the importers). Failures show
// the error dialog: 190 a picture file with nothing after its header, 194 no memory or an
// unreadable picture, 195 a picture file that cannot be opened, 226 an image that cannot be
// imported.
#pragma once

#include "platform/drag/drag.h"
#include "platform/qd/icons.h"
#include "platform/qd/importers.h"
#include "platform/qd/qdtypes.h"
#include "core/desk.h"
#include "store/records.h"
#include "tools/dragtrack.h"

namespace kv {

// A 32 x 32 picture of the button's colour icon (the routine disposes the icon), drawn
// disabled when the button is; none when no offscreen world can be had.
PicHandle GetPictFromCicn(const spot& button, CIconHandle icon);
// A 32 x 32 picture of the button's black-and-white icon (its icon id); none when there is no
// such icon or memory is short.
PicHandle GetPictFromICON(const spot& button);

// The rectangle of a new picture graphic: the picture's frame at its size widened by the pen on
// each side, its centre (half sizes rounding down) on the point.
Rect picturegraphicrect(PicHandle pic, Point centre);
// Appends a picture graphic (style 100, autoDim) with the rectangle to the context's edited
// layer and gives it the picture, which it takes: true with its index; false, leaving no object
// behind, when the picture cannot be stored.
bool appendpicturegraphic(const desk& d, const Rect& r, PicHandle pic, i16* index);
// A new picture graphic (style 100, autoDim) in the context's edited layer showing the picture
// (which it takes), centred on the drop point and moved 10 pixels right and down for each item
// before it; sent "newGraphic". 0, the send's status, or -1857 when the picture cannot be
// stored (the object is not kept).
i16 newPictureGraphic(desk d, i16 item, Point drop, PicHandle pic);
// Pointer tools: item `item` (from 1) made a picture graphic: true when made.
bool ReceivePictDropInPointerWd(i16 item, DragRef drag, DragItemRef ref, Point drop);
// A picture dropped into the text of a field (the open one, or another, which is put up first)
// at the drag's insertion offset after "mouseDrop", by its source: the item's 'PICT' data, a
// picture file, or an image file the importer reads (the routine closes the importer). True when
// the drop is taken.
bool EmbeddedPictureFromDraggedRawPict(DragRef drag, DragItemRef item, Handle list, i16 index, bool inopen,
                                       bool inother, WindowRef window);
bool EmbeddedPictureFromDraggedPictFile(DragRef drag, DragItemRef item, Handle list, i16 index, bool inopen,
                                        bool inother, WindowRef window, const DraggedFile& file);
bool EmbeddedPictureFromDraggedImageFile(DragRef drag, DragItemRef item, Handle list, i16 index, bool inopen,
                                         bool inother, WindowRef window, ComponentInstance importer);
// Browse tools: the one dropped picture replaces the picture of the graphic under the mouse, or
// goes into the text of the field under it at the drop offset, after "mouseDrop": true when
// taken.
bool ReceivePictDropInBrowseWd(WindowRef window, DragRef drag);
// Black on white, the normal pen and patterns, srcOr text, in the current port.
void NormalizeColorAndPen();

}  // namespace kv
