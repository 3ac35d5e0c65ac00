// Text records: creation and disposal, replacing the text wholesale, feature flags, the reset
// of the style table, the null style and the port.
#include <algorithm>
#include <memory>

#include "platform/controls/controls.h"
#include "platform/fonts/fonts.h"
#include "platform/fonts/scriptmanager.h"
#include "platform/process/gestalt.h"
#include "platform/qd/ports.h"
#include "platform/runtime/root.h"
#include "platform/tsm/tsm.h"
#include "core/mainglobals.h"
#include "textengine/weinternal.h"

namespace kv {

namespace {

struct WERecordState {
  Registry<WERec, RegType::werec> records;
};

Registry<WERec, RegType::werec>& records() { return state<WERecordState>().records; }

constexpr u32 featurebit(i16 feature) { return 1u << (feature & 31); }

// The environment bits of flags.
u32 environmentflags() {
  u32 flags = 0;
  i32 qd = 0, sysv = 0;
  if (Gestalt(fourcc("qd  "), &qd) == noErr && qd >= 0x100) flags |= weFlagColor;
  if (GetScriptManagerVariable(smEnabled) > 1) flags |= weFlagMultiScript;
  if (GetScriptManagerVariable(smDoubleByte) != 0) {
    for (i16 script = 0; script <= 32; ++script) {
      if (GetScriptVariable(script, smScriptEnabled) != 0 && (GetScriptVariable(script, smScriptFlags) & 2) == 0) {
        flags |= weFlagDoubleByte;
        break;
      }
    }
  }
  if (GetScriptManagerVariable(smBidirect) != 0) flags |= weFlagBidi;
  if (Gestalt(fourcc("sysv"), &sysv) == noErr && sysv >= 0x860) flags |= weFlagNewSystem;
  return flags;
}

// The first style of a record: the current port's font, face and size and (with colour
// drawing) its foreground colour, copied in by the style copy rule, on a white background with
// transfer value 1; its encoding and run metrics come from the font.
OSErr portstyle(WEReference we, bool colour, WEStyle* s) {
  const CGrafPtr port = currentportid();
  WETextStyle from{};
  from.font = GetPortTextFont(port);
  from.face = u8(GetPortTextFace(port));
  from.size = GetPortTextSize(port);
  if (colour) GetForeColor(&from.color);
  *s = WEStyle{};
  s->ts.backColor = RGBColor{0xFFFF, 0xFFFF, 0xFFFF};
  s->ts.transferMode = 1;
  _WECopyStyle(&from, &s->ts, 0, weDoFont | weDoFace | weDoSize | weDoColor | weDoReplaceFace);
  _WEFontFamilyToTextEncoding(s->ts.font, &s->ts.encoding);
  return _WECalcFontMetrics(s, we);
}

// The parts of a new record, steps 2 to 10 of its making.
OSErr makerecord(WERec& r, WEReference we, const LongRect* destRect, const LongRect* viewRect, u32 features) {
  r.port = currentportid();
  const i16 mem = (features & featurebit(weFUseTempMem)) ? weAllocTempMem : 0;
  const struct {
    Handle* block;
    std::size_t size;
  } parts[] = {
      {&r.hText, 0},
      {&r.hLines, 2 * sizeof(WELineRec)},
      {&r.hStyles, sizeof(WEStyleTableEntry)},
      {&r.hRuns, 2 * sizeof(WERunEntry)},
      {&r.hRulers, sizeof(WERulerTableEntry)},
      {&r.hParaRuns, 2 * sizeof(WEParaRunEntry)},
      {&r.hUserInfo, 2 * sizeof(u32)},
  };
  for (const auto& part : parts)
    if (OSErr err = _WEAllocate(Size(part.size), i16(weAllocClear | mem), part.block)) return err;
  if (OSErr err = _WEAllocate(Size(sizeof(WEObjectDesc)), weAllocClear, &r.objectList)) return err;

  r.flags = environmentflags();
  r.nLines = r.nStyles = r.nRuns = r.nRulers = r.nParaRuns = 1;
  if (viewRect) r.viewRect = *viewRect;
  if (destRect) r.destRect = *destRect;
  r.features = features;
  r.tsmAreaStart = r.tsmAreaEnd = r.dragCaretOffset = -1;
  r.clickLoc = -1;  // no click yet: a first click is never the second of a double click

  _WESetStandardHooks(we);

  if (OSErr err = _WECreateNewRgn(&r.viewRgn)) return err;
  Rect view;
  WELongRectToRect(&r.viewRect, &view);
  RectRgn(r.viewRgn, view);

  setweelement(r.hRuns, 0, WERunEntry{0, 0});
  setweelement(r.hRuns, 1, WERunEntry{1, -1});
  setweelement(r.hParaRuns, 0, WEParaRunEntry{0, 0});
  setweelement(r.hParaRuns, 1, WEParaRunEntry{1, -1});
  WERulerTableEntry ruler{};
  ruler.refCount = 1;
  ruler.ruler.direction = 1;
  setweelement(r.hRulers, 0, ruler);
  WEObjectDesc sentinel{};
  sentinel.offset = 1;
  sentinel.owner = we;
  sentinel.handlerIndex = -1;
  setweelement(r.objectList, 0, sentinel);

  WEStyleTableEntry first{1, {}};
  if (OSErr err = portstyle(we, (r.flags & weFlagColor) != 0, &first.style)) return err;
  setweelement(r.hStyles, 0, first);

  if (OSErr err = WECalText(we)) return err;
  // With text services on, the record takes inline input.
  if (mainglobals().allowTextServices) return _WERegisterWithTSM(we);
  return noErr;
}

// Frees everything a record owns (its parts may be partly made).
void freeparts(WEReference we, WERec& r) {
  if (r.hStyles) _WEResetStyleTable(we);
  _WEForgetHandle(&r.objectHandlers);
  if (r.properties) DisposeCollection(r.properties);
  r.properties = 0;
  for (Handle* h : {&r.hText, &r.hLines, &r.hStyles, &r.hRuns, &r.hRulers, &r.hParaRuns, &r.hUserInfo})
    _WEForgetHandle(h);
  // What is left of the object chain is its sentinel (and any object no style held).
  for (Handle h = r.objectList; h != nilhandle;) {
    const Handle next = _WEIsObject(h) ? weelement<WEObjectDesc>(h, 0).next : nilhandle;
    if (_WEIsObject(h)) _WEFreeObject(h);
    else if (IsValidHandle(h)) DisposeHandle(h);
    h = next;
  }
  r.objectList = nilhandle;
  _WEForgetRgn(&r.viewRgn);
}

}  // namespace

WERec* werec(WEReference we) { return records().get(we); }

bool isvalidwerec(WEReference we) { return werec(we) != nullptr; }

std::size_t liverecordcount() { return records().count(); }

OSErr WENew(const LongRect* destRect, const LongRect* viewRect, u32 features, WEReference* out) {
  if (out == nullptr) return paramErr;
  *out = nilid;
  const WEReference we = records().add(std::make_unique<WERec>());
  if (we == nilid) return memFullErr;
  WERec& r = *werec(we);
  if (OSErr err = makerecord(r, we, destRect, viewRect, features)) {
    freeparts(we, r);
    records().remove(we);
    return err;
  }
  *out = we;
  return noErr;
}

void WEDispose(WEReference we) {
  if (werec(we) == nullptr) return;
  WEClearUndo(we);
  if (werec(we) == nullptr) return;
  // The scroll bar the field code attached goes with the record.
  ControlRef bar = nilid;
  i32 size = 0;
  if (WEGetProperty(fourcc("VIZU"), fourcc("scrl"), sizeof bar, &size, &bar, we) == noErr && size == sizeof bar &&
      IsValidControlHandle(bar)) {
    const Rect empty{0, 0, 0, 0};
    SetControlBounds(bar, &empty);
    HideControl(bar);
    DisposeControl(bar);
  }
  WERec* r = werec(we);
  if (r == nullptr) return;
  if (r->tsmDocument != 0) DeleteTSMDocument(r->tsmDocument);
  r->tsmDocument = 0;
  // The world lines were composed in (feature 11) lives as long as the record.
  if (r->offscreenWorld != 0) DisposeGWorld(r->offscreenWorld);
  r->offscreenWorld = 0;
  freeparts(we, *r);
  records().remove(we);
}

OSErr WEUseText(Handle text, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (!IsValidHandle(text)) return nilHandleErr;
  WEResetModCount(we);
  _WEResetStyleTable(we);
  if (r->hText != text) DisposeHandle(r->hText);
  r->hText = text;
  const i32 length = GetHandleSize(text);
  r->textLength = length;

  const WERunEntry firstrun = weelement<WERunEntry>(r->hRuns, 0);
  SetHandleSize(r->hRuns, 2 * sizeof(WERunEntry));
  setweelement(r->hRuns, 0, WERunEntry{0, firstrun.styleIndex});
  setweelement(r->hRuns, 1, WERunEntry{length + 1, -1});
  r->nRuns = 1;
  WEStyleTableEntry style = weelement<WEStyleTableEntry>(r->hStyles, firstrun.styleIndex);
  style.refCount = 1;
  setweelement(r->hStyles, firstrun.styleIndex, style);

  const WEParaRunEntry firstpara = weelement<WEParaRunEntry>(r->hParaRuns, 0);
  SetHandleSize(r->hParaRuns, 2 * sizeof(WEParaRunEntry));
  setweelement(r->hParaRuns, 0, WEParaRunEntry{0, firstpara.rulerIndex});
  setweelement(r->hParaRuns, 1, WEParaRunEntry{length + 1, -1});
  r->nParaRuns = 1;
  for (i32 i = 0; i < r->nRulers; ++i) {
    WERulerTableEntry ruler = weelement<WERulerTableEntry>(r->hRulers, i);
    ruler.refCount = i == firstpara.rulerIndex ? 1 : 0;
    setweelement(r->hRulers, i, ruler);
  }

  WEObjectDesc head = weelement<WEObjectDesc>(r->objectList, 0);
  head.offset = length + 1;
  setweelement(r->objectList, 0, head);

  SetHandleSize(r->hLines, 2 * sizeof(WELineRec));
  setweelement(r->hLines, 0, WELineRec{});
  WELineRec sentinel{};
  sentinel.lineStart = length;
  setweelement(r->hLines, 1, sentinel);
  r->nLines = 1;

  r->selStart = r->selEnd = 0;
  r->firstByte = 0;
  r->clickCount = 0;
  r->tsmAreaStart = r->tsmAreaEnd = r->dragCaretOffset = -1;
  r->flags &= ~weFlagNullStyleValid;
  return noErr;
}

u32 WEVersion() { return kWEVersion; }

i16 WEFeatureFlag(i16 feature, i16 action, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return 0;
  const u32 bit = featurebit(feature);
  const i16 old = (r->features & bit) ? 1 : 0;
  if (action == -2) action = i16(1 - old);
  if (action == 0) r->features &= ~bit;
  else if (action == 1) r->features |= bit;
  return old;
}

void _WEResetStyleTable(WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return;
  const i32 n = std::min<i32>(r->nStyles, i32(HandleCount<WEStyleTableEntry>(r->hStyles)));
  for (i32 i = 0; i < n; ++i) {
    WEStyleTableEntry e = weelement<WEStyleTableEntry>(r->hStyles, i);
    if (e.refCount > 0 && e.style.ts.object != 0) {
      _WEFreeObject(e.style.ts.object);
      e.style.ts.object = 0;  // the object is gone: no reference to it stays behind
    }
    e.refCount = 0;
    setweelement(r->hStyles, i, e);
  }
}

void _WESynchNullStyle(WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return;
  if (!(r->flags & weFlagNullStyleValid)) {
    WEExtRunInfo info;
    _WEGetExtRunInfo(r->selStart - 1, &info, we);
    r->nullStyle = info.style;
    r->flags |= weFlagNullStyleValid;
  }
  if (!(r->flags & weFlagMultiScript) || (r->features & featurebit(weFNoKeyboardSync))) return;
  const i16 keyscript = i16(GetScriptManagerVariable(smKeyScript));
  if (FontToScript(r->nullStyle.ts.font) == keyscript) return;
  // The nearest run at or before the one before the selection whose font is of the keyboard's
  // script gives its font; else the script's default font.
  for (i32 run = WEOffsetToRun(r->selStart - 1, we); run >= 0; --run) {
    WEExtRunInfo info;
    _WEGetIndStyle(run, &info, we);
    if (FontToScript(info.style.ts.font) == keyscript) {
      r->nullStyle.ts.font = info.style.ts.font;
      return;
    }
  }
  r->nullStyle.ts.font = i16(GetScriptVariable(keyscript, smScriptAppFond));
}

CGrafPtr WEGetPort(WEReference we) {
  const WERec* r = werec(we);
  return r ? r->port : 0;
}

void WESetPort(CGrafPtr port, WEReference we) {
  if (WERec* r = werec(we)) r->port = port;
}

}  // namespace kv
