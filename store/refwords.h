// The words of object references that engine/keywords.h does not name, by token (shared by
// the reference readers and parsers).
#pragma once

#include "engine/keywords.h"
#include "platform/types.h"

namespace kv::refwords {

enum : u16 {
  tokId = 4137,
  tokPart = 4195,
  tokNext = 10015,
  tokThe = 10020,
  tokBackground = 11015,
  tokButton = 11025,
  tokField = 11107,
  tokGraphic = 11125,
  tokKestrove = 11134,
  tokMe = 11171,
  tokMenu = 11173,
  tokMessage = 11175,
  tokObject = 11203,
  tokPrev = 11245,
  tokProject = 11253,
  tokRecent = 11263,
  tokSharedScript = 11287,
};

inline bool iseol(u16 t) { return t == tokEndOfLine || t == tokEndOfScript; }
// first .. tenth
inline bool isnumberword(u16 t) { return t >= tokFirst && t <= tokTenth; }
// first .. tenth, last, any, middle
inline bool isordinalword(u16 t) { return t >= tokFirst && t <= tokMiddle; }
inline bool isobjectword(u16 t) { return t == tokButton || t == tokField || t == tokGraphic || t == tokPart; }

}  // namespace kv::refwords
