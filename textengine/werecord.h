// The text records of the styled-text engine as the rest of the system reaches them: a
// record is named by a registry id of type werec (`WEReference`), checked on every call; a
// call on none or on a disposed record does nothing and answers as for an empty record.
//
// These are the calls that the field utilities make on live records: creation and disposal,
// the view and destination rectangles, layout, feature flags, the modification count,
// insertion, user info, properties and the port.
#pragma once

#include "platform/qd/qdtypes.h"
#include "platform/runtime/registry.h"
#include "platform/types.h"

namespace kv {

// The engine's rectangle of four 32-bit sides.
struct LongRect {
  i32 top, left, bottom, right;
};
inline bool operator==(const LongRect& a, const LongRect& b) {
  return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

using WEReference = RegistryId;  // RegType::werec

constexpr OSErr weBadReferenceErr = paramErr;

// A record with empty text, drawing into the current port. features is the feature word.
OSErr WENew(const LongRect* destRect, const LongRect* viewRect, u32 features, WEReference* out);
void WEDispose(WEReference we);  // none is ignored
bool isvalidwerec(WEReference we);

void WEGetDestRect(LongRect* r, WEReference we);
void WESetDestRect(const LongRect* r, WEReference we);
void WEGetViewRect(LongRect* r, WEReference we);
// Neither setter lays out or draws.
void WESetViewRect(const LongRect* r, WEReference we);

// Lays the whole text out again for the destination's width.
OSErr WECalText(WEReference we);

// Feature n: action 1 sets, 0 clears, -1 tests, -2 toggles; answers the state before.
i16 WEFeatureFlag(i16 feature, i16 action, WEReference we);

// The modification count: raised by every edit; the reset also drops the undo history.
i32 WEGetModCount(WEReference we);
void WEResetModCount(WEReference we);

// Inserts text at the selection (the styles and object soup may be none).
OSErr WEInsert(const void* text, i32 length, Handle styles, Handle soup, WEReference we);
i32 WEGetTextLength(WEReference we);

// User info: 32-bit values kept under four-character tags. WEGetUserInfo answers paramErr,
// leaving *value untouched, for an absent tag.
OSErr WESetUserInfo(u32 tag, i32 value, WEReference we);
OSErr WEGetUserInfo(u32 tag, i32* value, WEReference we);

// Properties: bytes kept under (creator, tag). WEGetProperty copies at most *size bytes and
// sets *size to the property's size; weNoPropertyErr when absent.
constexpr OSErr weNoPropertyErr = -5751;
OSErr WESetProperty(u32 creator, u32 tag, u32 size, const void* data, WEReference we);
OSErr WEGetProperty(u32 creator, u32 tag, u32* size, void* data, WEReference we);

// The port the record draws into.
CGrafPtr WEGetPort(WEReference we);
void WESetPort(CGrafPtr port, WEReference we);

// The changed flag that field text storage keeps in a field's live record (user info "DIRT"):
// none reads as clean and is ignored when set.
bool GetWERecDirtyFlag(WEReference we);
void SetWERecDirtyFlag(WEReference we, bool dirty);

}  // namespace kv
