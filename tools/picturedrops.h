// Pictures made for drags and drops: a button's icon as a picture.
#pragma once

#include "platform/qd/icons.h"
#include "platform/qd/qdtypes.h"
#include "store/records.h"

namespace kv {

// A 32 x 32 picture of the button's colour icon (the routine disposes the icon), drawn
// disabled when the button is; none when no offscreen world can be had.
PicHandle GetPictFromCicn(const spot& button, CIconHandle icon);
// A 32 x 32 picture of the button's black-and-white icon (its icon id); none when there is no
// such icon or memory is short.
PicHandle GetPictFromICON(const spot& button);

}  // namespace kv
