// Style and paragraph runs: the primitives every edit goes through (insert text, delete a
// range, set a style or a ruler over a range), the shared and counted style and ruler tables,
// and the redraw after an edit.
//
// After every operation here: no run is empty, no two neighbouring runs use the same table
// entry, every entry's count is the number of runs that use it, paragraph runs start only at
// paragraph starts, and line starts and object offsets follow the text.
#include <algorithm>
#include <cstring>

#include "platform/fonts/scriptmanager.h"
#include "textengine/weinternal.h"

namespace kv {

namespace {

constexpr u8 kReturn = 13;

static_assert(sizeof(WERunEntry) == sizeof(WEParaRunEntry) && offsetof(WEParaRunEntry, paraStart) == 0 &&
                  offsetof(WEParaRunEntry, rulerIndex) == 4,
              "style and paragraph runs share one layout");

// One of the two run arrays with its table: style runs over styles, paragraph runs over rulers.
struct RunKind {
  Handle WERec::*runs;
  i32 WERec::*count;
  Handle WERec::*table;
  i32 WERec::*tablecount;
  i32 stride;  // bytes of a table entry (its count comes first)
  bool styles;
};
constexpr RunKind kStyles{
    &WERec::hRuns, &WERec::nRuns, &WERec::hStyles, &WERec::nStyles, i32(sizeof(WEStyleTableEntry)), true};
constexpr RunKind kParas{
    &WERec::hParaRuns, &WERec::nParaRuns, &WERec::hRulers, &WERec::nRulers, i32(sizeof(WERulerTableEntry)), false};

// A record's run array of one kind, read and changed in place.
struct Runs {
  WERec& r;
  WEReference we;
  const RunKind& k;

  i32 n() const { return r.*k.count; }
  WERunEntry entry(i32 i) const { return weelement<WERunEntry>(r.*k.runs, i); }
  i32 start(i32 i) const { return entry(i).runStart; }
  i32 index(i32 i) const { return entry(i).styleIndex; }
  void set(i32 i, WERunEntry e) { setweelement(r.*k.runs, i, e); }
  i32 find(i32 offset) const { return _WESearchStarts(deref(r.*k.runs), i32(sizeof(WERunEntry)), 0, n(), offset); }
  i32 refcount(i32 idx) const {
    i32 c;
    std::memcpy(&c, deref(r.*k.table) + std::size_t(idx) * std::size_t(k.stride), sizeof c);
    return c;
  }
  void addref(i32 idx, i32 delta) {
    if (idx < 0 || idx >= r.*k.tablecount) return;
    const i32 c = refcount(idx) + delta;
    std::memcpy(deref(r.*k.table) + std::size_t(idx) * std::size_t(k.stride), &c, sizeof c);
  }
  // A style entry no run uses any more gives up its embedded object.
  void release(i32 idx, u32 keep) {
    if (!k.styles || idx < 0 || idx >= r.nStyles || refcount(idx) != 0) return;
    WEStyleTableEntry e = weelement<WEStyleTableEntry>(r.hStyles, idx);
    if (e.style.ts.object == 0 || e.style.ts.object == keep) return;
    _WEFreeObject(e.style.ts.object);
    e.style.ts.object = 0;
    setweelement(r.hStyles, idx, e);
  }

  OSErr insert(i32 after, i32 at, i32 idx) {
    const WERunEntry e{at, idx};
    if (OSErr err = _WESplice(r.*k.runs, &e, i32(sizeof e), (after + 1) * i32(sizeof e))) return err;
    ++(r.*k.count);
    addref(idx, 1);
    return noErr;
  }
  void remove(i32 i) {
    const i32 idx = index(i);
    _WESplice(r.*k.runs, nullptr, -i32(sizeof(WERunEntry)), i * i32(sizeof(WERunEntry)));
    --(r.*k.count);
    addref(idx, -1);
    release(idx, 0);
  }
  void change(i32 i, i32 idx, bool keepobject) {
    WERunEntry e = entry(i);
    const i32 old = e.styleIndex;
    e.styleIndex = idx;
    set(i, e);
    addref(idx, 1);
    addref(old, -1);
    if (!keepobject)
      release(old, k.styles && idx >= 0 ? weelement<WEStyleTableEntry>(r.hStyles, idx).style.ts.object : 0);
  }
  void bump(i32 from, i32 delta) {
    for (i32 i = std::max(from, 0); i <= n(); ++i) {
      WERunEntry e = entry(i);
      e.runStart += delta;
      set(i, e);
    }
  }
  // Run i is empty: its start reaches the next one's.
  bool empty(i32 i) const { return i < n() && start(i) >= start(i + 1); }
  // The run starting at `at` merges into the one before when they use the same entry.
  void mergeat(i32 at) {
    const i32 i = find(at);
    if (i > 0 && start(i) == at && index(i) == index(i - 1)) remove(i);
  }

  // The run side of deleting [start, end): the runs inside go, the run holding the end starts
  // at the deletion point, later runs move back, an emptied run goes.
  void removerange(i32 from, i32 to) {
    const i32 first = find(from), last = find(to);
    if (last > first) {
      if (start(last) < to) set(last, WERunEntry{to, index(last)});
      for (i32 i = last - 1; i > first; --i) remove(i);
    }
    bump(first + 1, from - to);
    if (n() > 1 && empty(first)) remove(first);
  }

  // Sets the runs overlapping [from, to) to the entries `entryfor` gives their current ones,
  // splitting runs at the range's ends and merging equal neighbours.
  template <class EntryFor>
  OSErr setrange(i32 from, i32 to, EntryFor entryfor) {
    i32 i = find(from);
    while (i < n() && start(i) < to) {
      const i32 rs = start(i), re = start(i + 1), old = index(i);
      i32 idx = old;
      if (OSErr err = entryfor(old, &idx)) return err;
      if (idx != old) {
        if (rs < from) {
          if (OSErr err = insert(i, from, old)) return err;
          ++i;
        }
        if (re > to && to < r.textLength) {
          if (OSErr err = insert(i, to, old)) return err;
        }
        change(i, idx, false);
      }
      if (i > 0 && index(i - 1) == index(i)) remove(i--);
      ++i;
    }
    if (i < n() && i > 0 && index(i) == index(i - 1)) remove(i);
    return noErr;
  }
};

Runs styleruns(WERec& r, WEReference we) { return Runs{r, we, kStyles}; }
Runs pararuns(WERec& r, WEReference we) { return Runs{r, we, kParas}; }

const u8* textof(const WERec& r) { return deref(r.hText); }

// The attributes that _WENewStyle compares: every one but the text encoding, which follows
// the font.
bool sameattributes(WETextStyle a, WETextStyle b) {
  a.encoding = b.encoding = 0;
  return _WEBlockCmp(&a, &b, sizeof a);
}

// Line records: those of the lines after `from`'s line through `to`'s line go, and later
// starts move by delta.
void removelines(WERec& r, WEReference we, i32 from, i32 to, i32 delta) {
  const i32 first = WEOffsetToLine(from, we), last = WEOffsetToLine(to, we);
  if (last > first) {
    _WESplice(r.hLines, nullptr, -(last - first) * i32(sizeof(WELineRec)), (first + 1) * i32(sizeof(WELineRec)));
    r.nLines -= last - first;
  }
  _WEBumpLineStart(first + 1, delta, we);
}

}  // namespace

OSErr _WEInsertStyleRun(i32 run, i32 start, i32 styleIndex, WEReference we) {
  WERec* r = werec(we);
  return r ? styleruns(*r, we).insert(run, start, styleIndex) : weBadReferenceErr;
}

OSErr _WEInsertParaRun(i32 run, i32 start, i32 rulerIndex, WEReference we) {
  WERec* r = werec(we);
  return r ? pararuns(*r, we).insert(run, start, rulerIndex) : weBadReferenceErr;
}

void _WERemoveStyleRun(i32 run, WEReference we) {
  if (WERec* r = werec(we)) styleruns(*r, we).remove(run);
}

void _WERemoveParaRun(i32 run, WEReference we) {
  if (WERec* r = werec(we)) pararuns(*r, we).remove(run);
}

void _WEChangeStyleRun(i32 run, i32 styleIndex, bool keepObject, WEReference we) {
  if (WERec* r = werec(we)) styleruns(*r, we).change(run, styleIndex, keepObject);
}

void _WEChangeParaRun(i32 run, i32 rulerIndex, WEReference we) {
  if (WERec* r = werec(we)) pararuns(*r, we).change(run, rulerIndex, true);
}

OSErr _WENewStyle(const WETextStyle* attributes, i32* index, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  i32 unused = -1;
  bool sameface = false, samefont = false;
  WEStyleTableEntry e{};
  for (i32 i = 0; i < r->nStyles; ++i) {
    const WEStyleTableEntry entry = weelement<WEStyleTableEntry>(r->hStyles, i);
    if (entry.refCount == 0) {
      unused = i;
      continue;
    }
    const WETextStyle ts = entry.style.ts;
    if (ts.font != attributes->font) continue;
    if (!samefont) {
      e.style.ts.encoding = ts.encoding;
      samefont = true;
    }
    if (!sameface && ts.face == attributes->face && ts.size == attributes->size) {
      e.style.runHeight = entry.style.runHeight;
      e.style.runAscent = entry.style.runAscent;
      sameface = true;
    }
    if (sameattributes(ts, *attributes)) {
      *index = i;
      return noErr;
    }
  }
  const TextEncoding encoding = e.style.ts.encoding;
  const WEStyle metrics = e.style;
  e.style.ts = *attributes;
  e.style.ts.encoding = encoding;
  if (!samefont) _WEFontFamilyToTextEncoding(attributes->font, &e.style.ts.encoding);
  if (sameface) {
    e.style.runHeight = metrics.runHeight;
    e.style.runAscent = metrics.runAscent;
  } else if (OSErr err = _WECalcFontMetrics(&e.style, we)) {
    return err;
  }
  if (unused < 0) {
    if (OSErr err = _WESplice(r->hStyles, nullptr, i32(sizeof e), -1)) return err;
    unused = r->nStyles++;
  }
  setweelement(r->hStyles, unused, e);
  *index = unused;
  return noErr;
}

OSErr _WENewRuler(const WERuler* ruler, i32* index, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  i32 unused = -1;
  for (i32 i = 0; i < r->nRulers; ++i) {
    const WERulerTableEntry e = weelement<WERulerTableEntry>(r->hRulers, i);
    if (e.refCount == 0) {
      unused = i;
    } else if (_WEBlockCmp(&e.ruler, ruler, sizeof *ruler)) {
      *index = i;
      return noErr;
    }
  }
  if (unused < 0) {
    if (OSErr err = _WESplice(r->hRulers, nullptr, i32(sizeof(WERulerTableEntry)), -1)) return err;
    unused = r->nRulers++;
  }
  setweelement(r->hRulers, unused, WERulerTableEntry{0, *ruler});
  *index = unused;
  return noErr;
}

void _WEBumpStyleRunStart(i32 run, i32 delta, WEReference we) {
  if (WERec* r = werec(we)) styleruns(*r, we).bump(run, delta);
}

void _WEBumpParaRunStart(i32 run, i32 delta, WEReference we) {
  if (WERec* r = werec(we)) pararuns(*r, we).bump(run, delta);
}

void _WEBumpLineStart(i32 line, i32 delta, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return;
  for (i32 i = std::max(line, 0); i <= r->nLines; ++i) {
    WELineRec l = weelement<WELineRec>(r->hLines, i);
    l.lineStart += delta;
    setweelement(r->hLines, i, l);
  }
}

void _WEBumpObjectOffsets(i32 offset, i32 delta, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return;
  for (Handle h = r->objectList; IsValidHandle(h);) {
    WEObjectDesc d = weelement<WEObjectDesc>(h, 0);
    if (d.offset >= offset) {
      d.offset += delta;
      setweelement(h, 0, d);
    }
    h = d.next;
  }
}

void _WEExtendToParaBoundaries(i32* start, i32* end, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return;
  const u8* t = textof(*r);
  const i32 n = r->textLength;
  *start = _WEPinInRange(*start, 0, n);
  *end = _WEPinInRange(*end, *start, n);
  if (*start == *end && *end < n) ++*end;
  while (*start > 0 && t[*start - 1] != kReturn) --*start;
  if (*end < n && !(*end > 0 && t[*end - 1] == kReturn)) {
    while (*end < n && t[*end] != kReturn) ++*end;
    if (*end < n) ++*end;
  }
}

void _WEExtendToLineBoundaries(i32* start, i32* end, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return;
  const i32 first = WEOffsetToLine(*start, we), last = WEOffsetToLine(*end, we);
  *start = weelement<WELineRec>(r->hLines, first).lineStart;
  *end = weelement<WELineRec>(r->hLines, last + 1).lineStart - 1;
}

void _WERemoveLineRange(i32 start, i32 end, WEReference we) {
  if (WERec* r = werec(we)) removelines(*r, we, start, end, start - end);
}

OSErr _WEInsertText(i32 offset, const void* text, i32 length, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (length < 1) return noErr;
  if (text == nullptr || offset < 0 || offset > r->textLength) return paramErr;
  // Where the text lands is taken before the arrays change: it joins the run holding the byte
  // before it, and the line and paragraph run holding the offset.
  const i32 line = WEOffsetToLine(offset, we);
  const i32 run = WEOffsetToRun(offset - 1, we);
  const i32 para = WEOffsetToParaRun(offset, we);
  if (OSErr err = _WESplice(r->hText, text, length, offset)) return err;
  _WEBumpLineStart(line + 1, length, we);
  _WEBumpStyleRunStart(run + 1, length, we);
  _WEBumpParaRunStart(para + 1, length, we);
  r->textLength += length;
  r->nullStyle.ts.object = 0;
  const u32 mode = (r->flags & weFlagNullStyleValid) ? 0x9F40004Fu : u32(weDoObject);
  const WETextStyle null = r->nullStyle.ts;
  if (OSErr err = _WESetStyleRange(offset, offset + length, mode, &null, we)) return err;
  _WEBumpObjectOffsets(offset, length, we);
  if (r->fluxProc) r->fluxProc(offset, length, we);
  return noErr;
}

OSErr _WEDeleteRange(i32 start, i32 end, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  start = _WEPinInRange(start, 0, r->textLength);
  end = std::min(end, r->textLength);
  if (end <= start) return noErr;
  WEExtRunInfo info;
  _WEGetExtRunInfo(start, &info, we);
  r->nullStyle = info.style;
  r->flags |= weFlagNullStyleValid;
  // An object in the text's last byte goes with its style.
  WEExtRunInfo last;
  _WEGetExtRunInfo(end - 1, &last, we);
  if (end == r->textLength && last.style.ts.object != 0) {
    WETextStyle plain = last.style.ts;
    plain.object = 0;
    if (OSErr err = _WESetStyleRange(end - 1, end, weDoObject, &plain, we)) return err;
  }
  if (OSErr err = _WESplice(r->hText, nullptr, start - end, start)) return err;
  r->textLength -= end - start;
  removelines(*r, we, start, end, start - end);
  _WERemoveStyleRunRange(start, end, we);
  _WERemoveParaRunRange(start, end, we);
  _WEBumpObjectOffsets(start, start - end, we);
  if (r->fluxProc) r->fluxProc(start, start - end, we);
  return noErr;
}

void _WERemoveStyleRunRange(i32 start, i32 end, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return;
  Runs runs = styleruns(*r, we);
  runs.removerange(start, end);
  // A last run left at the text's end holds no byte.
  if (runs.n() > 1 && runs.start(runs.n() - 1) >= r->textLength) runs.remove(runs.n() - 1);
  runs.mergeat(start);
}

void _WERemoveParaRunRange(i32 start, i32 end, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return;
  Runs runs = pararuns(*r, we);
  runs.removerange(start, end);
  const u8* t = textof(*r);
  // Two paragraphs joined: the first one's ruler holds for the whole joined paragraph.
  if (start > 0 && t[start - 1] != kReturn) {
    const i32 p = runs.find(start);
    if (p > 0 && runs.start(p) == start) {
      i32 to = start;
      while (to < r->textLength && t[to] != kReturn) ++to;
      if (to < r->textLength) ++to;
      runs.set(p, WERunEntry{to, runs.index(p)});
      if (runs.empty(p)) runs.remove(p);
      runs.mergeat(to);
    }
  }
  // A last paragraph run at the text's end that follows no return holds no paragraph.
  const i32 last = runs.n() - 1;
  if (last > 0 && runs.start(last) >= r->textLength && (r->textLength == 0 || t[r->textLength - 1] != kReturn))
    runs.remove(last);
  runs.mergeat(start);
}

OSErr _WESetStyleRange(i32 start, i32 end, u32 mode, const WETextStyle* attributes, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (attributes == nullptr) return paramErr;
  start = _WEPinInRange(start, 0, r->textLength);
  end = _WEPinInRange(end, start, r->textLength);
  if (start >= end) return noErr;
  u8 continuous = 0;
  if (mode & weDoToggleFace) {
    u16 facemode = weDoFace;
    WETextStyle cs;
    _WEContinuousStyleRange(start, end, &facemode, &cs, we);
    continuous = cs.face;
  }
  return styleruns(*r, we).setrange(start, end, [&](i32 old, i32* idx) {
    WETextStyle ts = weelement<WEStyleTableEntry>(r->hStyles, old).style.ts;
    _WECopyStyle(attributes, &ts, continuous, mode);
    // The direction byte's top bit: the run's font is of a right-to-left script (a run whose
    // font changed to another script loses it).
    const bool rtl = (r->flags & weFlagBidi) && righttoleftscript(_WEFontFamilyToScript(ts.font));
    ts.direction = u8(rtl ? ts.direction | kRightToLeftRun : ts.direction & ~kRightToLeftRun);
    return _WENewStyle(&ts, idx, we);
  });
}

// Sets the rulers of the paragraphs of [start, end): `copy` makes each paragraph's new ruler
// from its current one.
template <class Copy>
OSErr setrulers(WERec& r, WEReference we, i32 start, i32 end, Copy copy) {
  _WEExtendToParaBoundaries(&start, &end, we);
  // An empty last paragraph (after a final return, or of an empty text) is the run that starts
  // at the text's end.
  if (start == end) end = start + 1;
  return pararuns(r, we).setrange(start, end, [&](i32 old, i32* idx) {
    WERuler ruler = weelement<WERulerTableEntry>(r.hRulers, old).ruler;
    copy(&ruler);
    return _WENewRuler(&ruler, idx, we);
  });
}

OSErr _WESetRulerRange(i32 start, i32 end, u16 mask, const WERuler* ruler, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (ruler == nullptr) return paramErr;
  return setrulers(*r, we, start, end, [&](WERuler* into) { _WECopyRuler(ruler, into, mask); });
}

OSErr _WEReplaceRulerRange(i32 start, i32 end, const WERuler* ruler, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  return setrulers(*r, we, start, end, [&](WERuler* into) { *into = *ruler; });
}

OSErr _WERedraw(i32 start, i32 end, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (r->features & (1u << weFInhibitRecal)) return noErr;
  i32 first = WEOffsetToLine(start, we), last = WEOffsetToLine(end, we);
  const i32 oldbottom = r->destRect.bottom;
  if (OSErr err = _WERecalBreaks(&first, &last, we)) return err;
  if (OSErr err = _WERecalSlops(first, last, we)) return err;
  r = werec(we);
  if (!(r->features & (1u << weFInhibitRedraw))) _WERedrawChangedLines(first, last, oldbottom, we);
  // Unless a click is being tracked, the selection comes into view.
  if (!(werec(we)->flags & weFlagTracking)) WESelView(we);
  return noErr;
}

}  // namespace kv
