// A stand-in for creation by dragging until it exists: nothing is ever made.
#include "tools/creation.h"

#include "tools/paint.h"

namespace kv {

i16 createdrawtext(Handle, Point) { return toolmadenothing; }
i16 createdrawline(Handle, Point, i16) { return toolmadenothing; }
i16 createdrawrect(Handle, Point, i16) { return toolmadenothing; }
i16 createdrawpoly(Handle, Point) { return toolmadenothing; }
i16 createdrawarc(Handle, Point) { return toolmadenothing; }
i16 createdrawfree(Handle, Point) { return toolmadenothing; }
i16 createbutrect(Handle, Point, i16) { return toolmadenothing; }
i16 createbutpoly(Handle, Point) { return toolmadenothing; }
i16 createfieldrect(Handle, Point, i16) { return toolmadenothing; }

}  // namespace kv
