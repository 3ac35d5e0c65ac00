// The data properties of control buttons: the user property from which a button of a control
// style takes its data ("radioData" for radio groups, "popupData" for bevel buttons and popup
// menus, "tabData" for tabs, "columnData" for data browsers).
#pragma once

#include "platform/types.h"
#include "store/objread.h"

namespace kv {

// 1 when the reference names an object (kind 3) of style 203, 205, 206, 210 or 229; else 0.
i16 readhasmagicuprops(const objread& obj);
// 1 when the reference names an object and the name equals (ignoring case) the data property
// of its style; else 0.
i16 ismagicuprop(const objread& obj, ConstStringPtr name);
// The same for the user property at a 0-based index of the object's list (0 past the end).
i16 ismagicupropidx(const objread& obj, i32 index);

}  // namespace kv
