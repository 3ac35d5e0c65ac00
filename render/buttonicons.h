// The icons of buttons: black-and-white icons ('ICON'), colour icons ('cicn') and icon families
// ('icns'), looked up by id in the resource library of the current project and then of the
// shared project, and the icon family a button keeps in its user property "iconData".
#pragma once

#include "platform/qd/icons.h"
#include "platform/types.h"
#include "store/records.h"

namespace kv {

constexpr std::size_t kIconBytes = 128;  // 32 rows of 4 bytes
// The largest colour-icon data taken.
constexpr Size kMaxCIconData = 14000;

// By id in the current project, then in the shared project. geticon: 1 when found; otherwise
// the 128 bytes are cleared and the answer is 0. geticns: 1 when an icon reference was made
// (released by the caller). getcicon: 1 when found (disposed by the caller, DisposeCIcon).
i16 geticon(u32 id, u8* out);
i16 geticns(u32 id, IconRef* out);
i16 getcicon(u32 id, CIconHandle* out);

// The same lookups in one project. lowicon takes only data of at least 128 bytes; lowicns gives
// a copy of the family's data (disposed by the caller).
i16 lowicon(RegistryId project, u32 id, u8* out);
i16 lowicns(RegistryId project, u32 id, Handle* out);
i16 lowcicon(RegistryId project, u32 id, CIconHandle* out);

// A colour icon built from 'cicn' data in host order (the data is left as it was): 1, or 0 for
// data that is empty, larger than 14,000 bytes, or whose mask, rows or colour table do not fit.
i16 handtocicon(Handle data, CIconHandle* out);

// An icon reference of the family in the object's user property "iconData", or none.
IconRef icondatafamily(const spot& s);

}  // namespace kv
