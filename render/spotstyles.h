// The style codes of objects as the renderer names them (the style words scripts see):
// graphics 100-108, buttons 200-229, fields 300-303. store/records.h names the codes the store
// treats specially (stylerectangle, stylepolygon, stylebitmap, styletext, stylegroup,
// stylepolybutton and the four field styles).
#pragma once

#include "platform/types.h"
#include "store/records.h"

namespace kv {

enum : u16 {
  styleroundrect = 101,
  styleoval = 102,
  styleline = 103,
  stylearc = 107,
  stylebuttonrect = 200,
  stylebuttonroundrect = 201,
  styleradiobutton = 203,
  stylecheckbox = 204,
  stylebevel = 205,
  stylepopupmenu = 206,
  styleround = 207,
  styleslider = 209,
  styletabs = 210,
  styleimagewell = 211,
  stylerelevancebar = 216,
  styleprimarygroup = 220,
};

// Flag bits of an object that drawing reads.
enum : u32 {
  spotvisible = 1u << 0,
  spotdisabled = 1u << 7,
  spotdontwrap = 1u << 11,
  spotlocked = 1u << 12,
  spotshowframe = 1u << 25,
  spotautodim = 1u << 27,
};

}  // namespace kv
