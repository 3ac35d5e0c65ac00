// Formatting the selection: styles (at an insertion point, the style the next typed character
// takes), the font of multi-script text set script by script, rulers with alignment and
// direction, the scraps applied to the selection, and changing case.
#include <algorithm>
#include <vector>

#include "platform/fonts/scriptmanager.h"
#include "platform/text/changecase.h"
#include "textengine/weinternal.h"

namespace kv {

namespace {

// Style mode bits of WESetStyle: with the font, set it only where the text is of the new font's
// script, and split runs of another font by script to find such text.
constexpr u32 kDoSmartFont = 0x80, kDoExtractSubscript = 0x100;

bool readonly(const WERec& r) { return (r.features & (1u << weFReadOnly)) != 0; }

struct Span {
  i32 start, end;
};

}  // namespace

OSErr WESetStyle(u32 mode, const WETextStyle* style, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (style == nullptr) return paramErr;
  if (readonly(*r)) return weReadOnlyErr;
  WEStopInlineSession(we);
  r = werec(we);
  if (r->features & (1u << weFMonoStyled)) {
    if (OSErr err = _WESetStyleRange(0, r->textLength, mode, style, we)) return err;
    r->flags &= ~weFlagNullStyleValid;
    return _WERedraw(0, r->textLength, we);
  }
  if (r->selStart == r->selEnd) return _WESetNullStyle(mode, style, we);
  const i32 start = r->selStart, end = r->selEnd;
  if (OSErr err = _WEModify(start, end, end - start, weAKStyle, weActionSavedStyles, we)) return err;
  if ((r->flags & weFlagMultiScript) && (mode & weDoFont) && (mode & kDoSmartFont)) {
    if (OSErr err = _WESmartSetFont(start, end, (mode & kDoExtractSubscript) != 0, style, we)) return err;
    mode &= ~u32(weDoFont);
  }
  if (OSErr err = _WESetStyleRange(start, end, mode, style, we)) return err;
  return _WERedraw(start, end, we);
}

OSErr _WESetNullStyle(u32 mode, const WETextStyle* style, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  _WESynchNullStyle(we);
  _WECopyStyle(style, &r->nullStyle.ts, r->nullStyle.ts.face, mode);
  _WEFontFamilyToTextEncoding(r->nullStyle.ts.font, &r->nullStyle.ts.encoding);
  if (OSErr err = _WECalcFontMetrics(&r->nullStyle, we)) return err;
  r->flags |= weFlagNullStyleValid;
  if (r->textLength == 0) {
    // An empty text's one run takes the style, so that it shows before anything is typed.
    WETextStyle all = weelement<WEStyleTableEntry>(r->hStyles, weelement<WERunEntry>(r->hRuns, 0).styleIndex).style.ts;
    _WECopyStyle(&r->nullStyle.ts, &all, 0, weDoAll | weDoReplaceFace);
    i32 index = 0;
    if (OSErr err = _WENewStyle(&all, &index, we)) return err;
    _WEChangeStyleRun(0, index, false, we);
  }
  if ((r->flags & weFlagMultiScript) && (r->flags & weFlagActive) && !(r->features & (1u << weFNoKeyboardSync)) &&
      (mode & weDoFont)) {
    const i16 script = _WEFontFamilyToScript(r->nullStyle.ts.font);
    if (GetScriptManagerVariable(smKeyScript) != script) KeyScript(script);
  }
  return noErr;
}

OSErr _WESmartSetFont(i32 start, i32 end, bool extract, const WETextStyle* style, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  start = _WEPinInRange(start, 0, r->textLength);
  end = _WEPinInRange(end, start, r->textLength);
  const i16 script = _WEFontFamilyToScript(_WEResolveFontDesignator(style->font));
  // The spans that take the font are found first: setting it changes the runs.
  std::vector<Span> spans;
  for (i32 run = WEOffsetToRun(start, we); run < WECountRuns(we); ++run) {
    WEExtRunInfo info;
    _WEGetIndStyle(run, &info, we);
    if (info.runStart >= end) break;
    const i32 s = std::max(start, info.runStart), e = std::min(end, info.runEnd);
    if (s >= e) continue;
    const i16 runscript = _WEFontFamilyToScript(info.style.ts.font);
    if (runscript == script) {
      spans.push_back({s, e});
    } else if (extract) {
      for (i32 at = s; at < e;) {
        i32 used = 0;
        const i16 piece = FindScriptRun(deref(r->hText) + at, e - at, &used, runscript);
        if (used <= 0) break;
        if (piece == script) spans.push_back({at, at + used});
        at += used;
      }
    }
  }
  for (const Span& span : spans)
    if (OSErr err = _WESetStyleRange(span.start, span.end, weDoFont, style, we)) return err;
  return noErr;
}

OSErr WESetRuler(u16 mask, const WERuler* ruler, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (ruler == nullptr) return paramErr;
  if (readonly(*r)) return weReadOnlyErr;
  WEStopInlineSession(we);
  i32 start = werec(we)->selStart, end = werec(we)->selEnd;
  _WEExtendToParaBoundaries(&start, &end, we);
  if (OSErr err = _WEModify(start, end, end - start, weAKRuler, weActionSavedRulers, we)) return err;
  if (OSErr err = _WESetRulerRange(start, end, mask, ruler, we)) return err;
  return _WERedraw(start, end, we);
}

OSErr WESetAlignment(i8 alignment, WEReference we) {
  WERuler ruler{};
  ruler.alignment = alignment;
  return WESetRuler(weDoAlignment, &ruler, we);
}

OSErr WESetDirection(i8 direction, WEReference we) {
  WERuler ruler{};
  ruler.direction = direction;
  return WESetRuler(weDoDirection, &ruler, we);
}

OSErr WEUseStyleScrap(Handle styleScrap, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (readonly(*r)) return weReadOnlyErr;
  const i32 start = r->selStart, end = r->selEnd;
  if (OSErr err = _WEApplyTextEditStyleScrap(start, end, styleScrap, we)) return err;
  return _WERedraw(start, end, we);
}

OSErr WEUseSoup(Handle soup, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (readonly(*r)) return weReadOnlyErr;
  const i32 start = r->selStart, end = r->selEnd;
  if (OSErr err = _WEApplySoup(start, r->textLength, soup, we)) return err;
  return _WERedraw(start, end, we);
}

OSErr WEChangeCase(u16 upper, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (readonly(*r)) return weReadOnlyErr;
  WEStopInlineSession(we);
  const i32 start = r->selStart, end = r->selEnd;
  if (start == end) return noErr;
  if (OSErr err = _WEModify(start, end, end - start, weAKCaseChange, weActionSavedAll, we)) return err;
  for (i32 run = WEOffsetToRun(start, we); run < WECountRuns(we); ++run) {
    WEExtRunInfo info;
    _WEGetIndStyle(run, &info, we);
    if (info.runStart >= end) break;
    const i16 script = _WEFontFamilyToScript(info.style.ts.font);
    for (i32 at = std::max(start, info.runStart), e = std::min(end, info.runEnd); at < e;) {
      const i16 n = i16(std::min(e - at, 32767));
      u8* text = deref(r->hText) + at;
      if (upper) UppercaseText(text, n, script);
      else LowercaseText(text, n, script);
      at += n;
    }
  }
  r->flags &= ~weFlagNullStyleValid;
  return _WERedraw(start, end, we);
}

}  // namespace kv
