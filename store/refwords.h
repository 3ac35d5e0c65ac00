// The words of object references that engine/keywords.h does not name, by token (shared by
// the reference readers and parsers).
#pragma once

#include "engine/keywords.h"
#include "engine/tokens.h"
#include "platform/types.h"

namespace kv::refwords {

inline bool iseol(u16 t) { return t == tok::endofline || t == tok::endofscript; }
// first .. tenth
inline bool isnumberword(u16 t) { return t >= tok::first && t <= tok::tenth; }
// first .. tenth, last, any, middle
inline bool isordinalword(u16 t) { return t >= tok::first && t <= tok::mid; }
inline bool isobjectword(u16 t) { return t == tok::btn || t == tok::field || t == tok::grc || t == tok::part; }

}  // namespace kv::refwords
