// Stand-in until the styled-text engine is built: a record keeps its rectangles, port, feature
// word, text bytes, modification count, user info and properties, and lays nothing out. The
// engine replaces this file with the same calls.
#include <algorithm>
#include <memory>
#include <vector>

#include "platform/qd/ports.h"
#include "platform/runtime/root.h"
#include "textengine/werecord.h"

namespace kv {

namespace {

struct WEProperty {
  u32 creator;
  u32 tag;
  std::vector<u8> data;
};

struct WERecordStandin {
  CGrafPtr port = 0;
  LongRect dest{};
  LongRect view{};
  u32 features = 0;
  std::vector<u8> text;
  i32 modcount = 0;
  std::vector<std::pair<u32, i32>> userinfo;
  std::vector<WEProperty> properties;
};

struct WEStandinState {
  Registry<WERecordStandin, RegType::werec> records;
};

WERecordStandin* rec(WEReference we) { return state<WEStandinState>().records.get(we); }

}  // namespace

OSErr WENew(const LongRect* destRect, const LongRect* viewRect, u32 features, WEReference* out) {
  if (out == nullptr) return paramErr;
  *out = nilid;
  auto r = std::make_unique<WERecordStandin>();
  r->port = currentportid();
  if (destRect) r->dest = *destRect;
  if (viewRect) r->view = *viewRect;
  r->features = features;
  *out = state<WEStandinState>().records.add(std::move(r));
  return *out == nilid ? memFullErr : noErr;
}

void WEDispose(WEReference we) {
  if (we != nilid) state<WEStandinState>().records.remove(we);
}

bool isvalidwerec(WEReference we) { return rec(we) != nullptr; }

void WEGetDestRect(LongRect* r, WEReference we) {
  if (const WERecordStandin* w = rec(we); w && r) *r = w->dest;
}
void WESetDestRect(const LongRect* r, WEReference we) {
  if (WERecordStandin* w = rec(we); w && r) w->dest = *r;
}
void WEGetViewRect(LongRect* r, WEReference we) {
  if (const WERecordStandin* w = rec(we); w && r) *r = w->view;
}
void WESetViewRect(const LongRect* r, WEReference we) {
  if (WERecordStandin* w = rec(we); w && r) w->view = *r;
}

OSErr WECalText(WEReference we) { return rec(we) ? OSErr(noErr) : weBadReferenceErr; }

i16 WEFeatureFlag(i16 feature, i16 action, WEReference we) {
  WERecordStandin* w = rec(we);
  if (!w) return 0;
  const u32 bit = 1u << (feature & 31);
  const i16 old = (w->features & bit) ? 1 : 0;
  if (action == -2) action = i16(1 - old);
  if (action == 0) w->features &= ~bit;
  if (action == 1) w->features |= bit;
  return old;
}

i32 WEGetModCount(WEReference we) {
  const WERecordStandin* w = rec(we);
  return w ? w->modcount : 0;
}
void WEResetModCount(WEReference we) {
  if (WERecordStandin* w = rec(we)) w->modcount = 0;
}

OSErr WEInsert(const void* text, i32 length, Handle, Handle, WEReference we) {
  WERecordStandin* w = rec(we);
  if (!w) return weBadReferenceErr;
  if (length > 0 && text) {
    const u8* p = static_cast<const u8*>(text);
    w->text.insert(w->text.end(), p, p + length);
  }
  ++w->modcount;
  return noErr;
}

i32 WEGetTextLength(WEReference we) {
  const WERecordStandin* w = rec(we);
  return w ? i32(w->text.size()) : 0;
}

OSErr WESetUserInfo(u32 tag, i32 value, WEReference we) {
  WERecordStandin* w = rec(we);
  if (!w) return weBadReferenceErr;
  for (auto& [t, v] : w->userinfo)
    if (t == tag) {
      v = value;
      return noErr;
    }
  w->userinfo.emplace_back(tag, value);
  return noErr;
}

OSErr WEGetUserInfo(u32 tag, i32* value, WEReference we) {
  const WERecordStandin* w = rec(we);
  if (!w) return weBadReferenceErr;
  for (const auto& [t, v] : w->userinfo)
    if (t == tag) {
      if (value) *value = v;
      return noErr;
    }
  return paramErr;
}

OSErr WESetProperty(u32 creator, u32 tag, u32 size, const void* data, WEReference we) {
  WERecordStandin* w = rec(we);
  if (!w) return weBadReferenceErr;
  std::erase_if(w->properties, [&](const WEProperty& p) { return p.creator == creator && p.tag == tag; });
  const u8* d = static_cast<const u8*>(data);
  w->properties.push_back(WEProperty{creator, tag, d ? std::vector<u8>(d, d + size) : std::vector<u8>(size)});
  return noErr;
}

OSErr WEGetProperty(u32 creator, u32 tag, u32* size, void* data, WEReference we) {
  const WERecordStandin* w = rec(we);
  if (!w) return weBadReferenceErr;
  for (const WEProperty& p : w->properties)
    if (p.creator == creator && p.tag == tag) {
      if (size) {
        if (data) std::copy_n(p.data.begin(), std::min<std::size_t>(*size, p.data.size()), static_cast<u8*>(data));
        *size = u32(p.data.size());
      }
      return noErr;
    }
  return weNoPropertyErr;
}

CGrafPtr WEGetPort(WEReference we) {
  const WERecordStandin* w = rec(we);
  return w ? w->port : 0;
}
void WESetPort(CGrafPtr port, WEReference we) {
  if (WERecordStandin* w = rec(we)) w->port = port;
}

}  // namespace kv
