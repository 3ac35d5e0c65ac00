// Stand-in until drags are built: showing and hiding a drag's hilite draw nothing and succeed.
// The drag layer replaces this file.
#include "platform/drag/draghilite.h"

namespace kv {

OSErr ShowDragHilite(DragRef, RgnHandle, bool) { return noErr; }
OSErr HideDragHilite(DragRef) { return noErr; }

}  // namespace kv
