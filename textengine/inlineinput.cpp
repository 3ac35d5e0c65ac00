// Inline input: a record registered as an input-method document, and the four requests the
// input method sends it (update the active input area, point to offset, offset to point, the
// selected text). Text being composed sits in the record as the active input area, marked by
// its hilite style, and is replaced by every update until it is confirmed.
#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/qd/ports.h"
#include "platform/tsm/tsm.h"
#include "system/proctable.h"
#include "textengine/weinternal.h"

namespace kv {

namespace {

constexpr OSType kKeyRefCon = 0x72656663;       // 'refc'
constexpr OSType kKeyText = 0x6B646174;         // 'kdat'
constexpr OSType kKeyFixLength = 0x6669786C;    // 'fixl'
constexpr OSType kKeyPinRange = 0x706E7267;     // 'pnrg'
constexpr OSType kKeyHilites = 0x68726E67;      // 'hrng'
constexpr OSType kKeyPoint = 0x63706F73;        // 'cpos'
constexpr OSType kKeyRegion = 0x72676E63;       // 'rgnc'
constexpr OSType kKeyOffset = 0x6F667374;       // 'ofst'
constexpr OSType kKeyLeading = 0x6B6C6566;      // 'klef'
constexpr OSType kKeyGlobalPoint = 0x67706F73;  // 'gpos'
constexpr OSType kKeyFont = 0x6B747866;         // 'ktxf'
constexpr OSType kKeySize = 0x6B747073;         // 'ktps'
constexpr OSType kKeyAscent = 0x6B746173;       // 'ktas'
constexpr OSType kKeyLineHeight = 0x6B746C68;   // 'ktlh'

using PreUpdateProc = void (*)(WEReference we);
using PostUpdateProc = void (*)(WEReference we, i32 fixed, i32 areaStart, i32 areaEnd, i32 pinStart, i32 pinEnd);

// The record a request names, or null.
WERec* recordof(const TSMRecord& event, WEReference* we) {
  const i32* refc = event.get<i32>(kKeyRefCon);
  *we = refc ? WEReference(*refc) : nilid;
  return refc ? werec(*we) : nullptr;
}

// A point between global coordinates and the record's port.
Point toport(Point p, bool local, WEReference we) {
  CGrafPtr saved = 0;
  GDHandle device = 0;
  GetGWorld(&saved, &device);
  SetGWorld(werec(we)->port, 0);
  if (local) GlobalToLocal(&p);
  else LocalToGlobal(&p);
  SetGWorld(saved, device);
  return p;
}

}  // namespace

void _WEHiliteRangeArray(const TSMTextRanges& ranges, i32 base, i32 low, i32 high, WEReference we) {
  for (const TSMTextRange& range : ranges) {
    // Offsets stay within the inline text, whatever the input method says.
    const i32 s = std::clamp(base + range.start, low, high), e = std::clamp(base + range.end, low, high);
    WERec* r = werec(we);
    if (range.hiliteStyle == 1 || range.hiliteStyle == -1) {
      r->selStart = std::min(s, e);
      r->selEnd = std::max(s, e);
      r->clickCount = 0;
    } else if (s != e) {
      WETextStyle ts{};
      ts.hiliteStyle = u16(std::abs(range.hiliteStyle));
      _WESetStyleRange(std::min(s, e), std::max(s, e), weDoHilite, &ts, we);
    }
  }
}

OSErr _WEHandleUpdateActiveInputArea(const TSMRecord& event, TSMRecord*, u32) {
  WEReference we = nilid;
  WERec* r = recordof(event, &we);
  if (r == nullptr) return weBadReferenceErr;
  if (r->features & (1u << weFReadOnly)) return weReadOnlyErr;
  if (r->tsmPreUpdate) reinterpret_cast<PreUpdateProc>(r->tsmPreUpdate)(we);
  _WEHideCaret(we);
  const std::string* kdat = event.get<std::string>(kKeyText);
  const std::string text = kdat ? *kdat : std::string();
  const i32 n = i32(text.size());
  const i32* fixl = event.get<i32>(kKeyFixLength);
  // Bytes confirmed: -1 means all; anything outside 0..n is pinned so the area never starts
  // past the inserted text.
  const i32 f = (fixl == nullptr || *fixl == -1) ? n : std::clamp(*fixl, 0, n);

  r = werec(we);
  if (r->tsmAreaStart < 0) {
    // A new area over the selection, which the typing action records.
    if (_WEGetTypingActionKind(we) != weAKTyping)
      if (OSErr err = _WEModify(r->selStart, r->selEnd, 0, weAKTyping, weActionSavedAll, we)) return err;
    r = werec(we);
    r->tsmAreaStart = r->selStart;
    r->tsmAreaEnd = r->selEnd;
  }
  const i32 a = r->tsmAreaStart, oldEnd = r->tsmAreaEnd;
  if (OSErr err = _WEDeleteRange(a, oldEnd, we)) return err;
  SetWERecDirtyFlag(we, true);
  _WESynchNullStyle(we);
  if (OSErr err = _WEInsertText(a, text.data(), n, we)) return err;
  r = werec(we);
  r->flags &= ~weFlagNullStyleValid;

  i32 pinStart = a, pinEnd = oldEnd;
  if (const TSMTextRange* pin = event.get<TSMTextRange>(kKeyPinRange)) {
    pinStart = a + std::clamp(pin->start, 0, n);
    pinEnd = a + std::clamp(pin->end, 0, n);
  }
  pinStart = std::clamp(pinStart, 0, r->textLength);
  pinEnd = std::clamp(pinEnd, 0, r->textLength);

  r->selStart = r->selEnd = a + f;
  r->clickCount = 0;
  if (n != f)
    if (const TSMTextRanges* hilites = event.get<TSMTextRanges>(kKeyHilites))
      _WEHiliteRangeArray(*hilites, a + f, a, a + n, we);

  // The confirmed bytes join the typing action.
  if (f > 0) _WEAdjustUndoRange(f, we);
  r = werec(we);
  if (n != f) {
    r->tsmAreaStart = a + f;
    r->tsmAreaEnd = a + n;
  } else {
    r->tsmAreaStart = r->tsmAreaEnd = -1;
  }

  const bool autoscroll = r->features & (1u << weFAutoScroll);
  r->features &= ~(1u << weFAutoScroll);
  const OSErr drawn = _WERedraw(a, a + n, we);
  r = werec(we);
  if (autoscroll) {
    r->features |= 1u << weFAutoScroll;
    if (!_WEScrollIntoView(pinStart, we) && pinStart != pinEnd) _WEScrollIntoView(pinEnd, we);
  }
  r = werec(we);
  if (r->tsmPostUpdate)
    reinterpret_cast<PostUpdateProc>(r->tsmPostUpdate)(we, f, r->tsmAreaStart, r->tsmAreaEnd, pinStart, pinEnd);
  return drawn;
}

OSErr _WEHandlePositionToOffset(const TSMRecord& event, TSMRecord* reply, u32) {
  WEReference we = nilid;
  const WERec* r = recordof(event, &we);
  if (r == nullptr) return weBadReferenceErr;
  const Point* where = event.get<Point>(kKeyPoint);
  if (where == nullptr) return paramErr;
  LongPoint lp;
  WEPointToLongPoint(toport(*where, true, we), &lp);
  i8 edge = 0;
  i32 offset = WEGetOffset(&lp, &edge, we);
  r = werec(we);
  i16 region = 2;
  if (!WELongPointInLongRect(&lp, &r->viewRect)) {
    region = 1;
  } else if (r->tsmAreaStart >= 0 && _WEOffsetInRange(offset, edge != 0, r->tsmAreaStart, r->tsmAreaEnd)) {
    region = 3;
    offset -= r->tsmAreaStart;
  }
  reply->put(kKeyRegion, region);
  reply->put(kKeyOffset, offset);
  reply->put(kKeyLeading, edge != 0);
  return noErr;
}

OSErr _WEHandleOffsetToPosition(const TSMRecord& event, TSMRecord* reply, u32) {
  WEReference we = nilid;
  const WERec* r = recordof(event, &we);
  if (r == nullptr) return weBadReferenceErr;
  if (r->tsmAreaStart < 0) return errOffsetInvalid;
  const i32* ofst = event.get<i32>(kKeyOffset);
  const i32 offset = r->tsmAreaStart + (ofst ? *ofst : 0);
  if (offset < r->tsmAreaStart || offset >= r->tsmAreaEnd) return errOffsetInvalid;
  LongPoint lp;
  i16 height = 0;
  WEGetPoint(offset, 0, &lp, &height, we);
  lp.v += height;
  r = werec(we);
  if (!WELongPointInLongRect(&lp, &r->viewRect)) return errOffsetIsOutsideOfView;
  Point p;
  WELongPointToPoint(&lp, &p);
  reply->put(kKeyGlobalPoint, toport(p, false, we));
  r = werec(we);
  reply->put(kKeyFont, r->nullStyle.ts.font);
  reply->put(kKeySize, r->nullStyle.ts.size);
  reply->put(kKeyAscent, i16(r->nullStyle.runAscent));
  reply->put(kKeyLineHeight, i16(r->nullStyle.runHeight));
  return noErr;
}

OSErr _WEHandleGetSelectedText(const TSMRecord& event, TSMRecord* reply, u32) {
  WEReference we = nilid;
  const WERec* r = recordof(event, &we);
  if (r == nullptr) return weBadReferenceErr;
  const char* t = reinterpret_cast<const char*>(deref(r->hText));
  reply->put(kKeyText, std::string(t + r->selStart, t + r->selEnd));
  return noErr;
}

OSErr WEHandleTSMEvent(const TSMRecord& event, TSMRecord* reply) {
  if (event.eventClass != kTextServiceClass) return errAEEventNotHandled;
  TSMRecord scratch;
  if (reply == nullptr) reply = &scratch;
  switch (event.eventID) {
    case kUpdateActiveInputArea: return _WEHandleUpdateActiveInputArea(event, reply, 0);
    case kPos2Offset: return _WEHandlePositionToOffset(event, reply, 0);
    case kOffset2Pos: return _WEHandleOffsetToPosition(event, reply, 0);
    case kGetSelectedText: return _WEHandleGetSelectedText(event, reply, 0);
    default: return noErr;
  }
}

OSErr WEInstallTSMHandlers() {
  const OSType ids[] = {kUpdateActiveInputArea, kPos2Offset, kOffset2Pos, kGetSelectedText};
  const TSMHandler procs[] = {getproc<313>(), getproc<314>(), getproc<315>(), getproc<316>()};
  for (int i = 0; i < 4; ++i)
    if (OSErr err = InstallTSMHandler(kTextServiceClass, ids[i], procs[i], 0)) return err;
  return noErr;
}

OSErr WERemoveTSMHandlers() {
  const OSType ids[] = {kUpdateActiveInputArea, kPos2Offset, kOffset2Pos, kGetSelectedText};
  const TSMHandler procs[] = {getproc<313>(), getproc<314>(), getproc<315>(), getproc<316>()};
  OSErr first = noErr;
  for (int i = 0; i < 4; ++i) {
    const OSErr err = RemoveTSMHandler(kTextServiceClass, ids[i], procs[i]);
    if (first == noErr) first = err;
  }
  return first;
}

OSErr _WERegisterWithTSM(WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  TSMDocumentID document = nilid;
  OSErr err = NewTSMDocument(kTextServiceClass, we, &document);
  if (err == tsmNeverRegisteredErr) err = noErr;
  if (err == noErr) werec(we)->tsmDocument = document;
  return err;
}

void WEStopInlineSession(WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr || r->tsmAreaStart < 0 || r->tsmDocument == 0) return;
  FixTSMDocument(r->tsmDocument);
}

}  // namespace kv
