// The put family: text replacing a range of a record, in the record's own 8-bit text or as
// UTF-16, with the flavours that describe its formatting and its objects (WEPut), and the two
// insertions at the selection built on it (WEInsert, WEInsertFormattedText).
#include <algorithm>
#include <vector>

#include "fields/fieldview.h"
#include "store/records.h"
#include "textengine/westreams.h"

namespace kv {

namespace {

constexpr OSErr weOddUnicodeErr = -9469, weUnsupportedEncodingErr = -9473;
constexpr u32 kIntelligentPaste = 0x1, kContinueTyping = 0x2, kAllowBOM = 0x200;

// The flavours a put reads, sorted by type.
struct Flavors {
  Handle fontTable = nilhandle, soup = nilhandle, charFormat = nilhandle, paraFormat = nilhandle;
  Handle rulerList = nilhandle, styleList = nilhandle, styl = nilhandle;
};

// Scratch blocks of one put, disposed of on every path.
struct Scratch {
  Handle styles = nilhandle;                              // parsed 'WEst'
  Handle rulers = nilhandle;                              // parsed 'WEru'
  Handle charFormat = nilhandle, paraFormat = nilhandle;  // copies moved by a byte-order mark
  Handle text = nilhandle;                                // converted Unicode
  Handle encodings = nilhandle;                           // the encoding scrap of a conversion
  Handle swapped = nilhandle;                             // byte-swapped Unicode
  Handle styl = nilhandle;                                // 'styl' renumbered by a font table
  ~Scratch() {
    _WEForgetStyleArray(&styles);
    for (Handle* h : {&rulers, &charFormat, &paraFormat, &text, &encodings, &swapped, &styl}) _WEForgetHandle(h);
  }
};

// A copy of a run array with every offset moved by delta and pinned at 0.
OSErr shiftedcopy(Handle runs, i32 delta, Handle* out) {
  Handle copy = runs;
  if (OSErr err = HandToHand(&copy)) return err;
  for (i32 i = 0; i < HandleCount<WERunEntry>(copy); ++i) {
    WERunEntry e = weelement<WERunEntry>(copy, i);
    e.runStart = std::max(0, e.runStart + delta);
    setweelement(copy, i, e);
  }
  *out = copy;
  return noErr;
}

}  // namespace

OSErr WEPut(i32 start, i32 end, const void* text, i32 length, u32 encoding, u32 options, i32 flavorCount,
            const OSType* flavorTypes, const Handle* flavorHandles, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (r->features & (1u << weFReadOnly)) return weReadOnlyErr;
  if (start == -1) start = r->selStart;
  if (end == -1) end = r->selEnd;
  start = _WEPinInRange(start, 0, r->textLength);
  end = _WEPinInRange(end, 0, r->textLength);
  if (start > end) return paramErr;
  if (length < 0 || (length > 0 && text == nullptr)) return paramErr;
  const bool objects = GetAllowObjectsFlag(we) != 0;

  Flavors f;
  for (i32 i = 0; i < flavorCount && flavorTypes && flavorHandles; ++i) {
    const Handle h = IsValidHandle(flavorHandles[i]) ? flavorHandles[i] : nilhandle;
    switch (flavorTypes[i]) {
      case fourcc("FISH"): f.fontTable = h; break;
      case fourcc("SOUP"):
        if (objects) f.soup = h;
        break;
      case fourcc("WEcf"): f.charFormat = h; break;
      case fourcc("WEpf"): f.paraFormat = h; break;
      case fourcc("WEru"): f.rulerList = h; break;
      case fourcc("WEst"): f.styleList = h; break;
      case fourcc("styl"): f.styl = h; break;
      default: break;
    }
  }
  Scratch s;
  const i16 memory = (r->features & (1u << weFUseTempMem)) ? weAllocTempMem : 0;
  if (f.styleList) {
    if (OSErr err = _WEParseStyleScrap(f.styleList, &s.styles, memory, r->fontNameToFamilyHook)) return err;
  }
  if (f.rulerList) {
    if (OSErr err = _WEParseRulerScrap(f.rulerList, &s.rulers)) return err;
  }

  // The bytes that go in.
  const u8* bytes = static_cast<const u8*>(text);
  i32 count = length;
  if (encoding == kTextEncodingUnicodeDefault) {
    if (length & 1) return weOddUnicodeErr;
    const UniChar* units = reinterpret_cast<const UniChar*>(bytes);
    bool swap = false;
    if ((options & kAllowBOM) && length >= 2) {
      UniChar first = 0;
      std::memcpy(&first, bytes, 2);
      if (first == 0xFEFF || first == 0xFFFE) {
        swap = first == 0xFFFE;
        bytes += 2;
        count -= 2;
        // The run offsets move with the text; one the mark held stays at the start.
        if (f.charFormat) {
          if (OSErr err = shiftedcopy(f.charFormat, -2, &s.charFormat)) return err;
          f.charFormat = s.charFormat;
        }
        if (f.paraFormat) {
          if (OSErr err = shiftedcopy(f.paraFormat, -2, &s.paraFormat)) return err;
          f.paraFormat = s.paraFormat;
        }
      }
    }
    if (swap && count > 0) {
      if (OSErr err = _WEAllocate(count, memory, &s.swapped)) return err;
      std::vector<UniChar> in(std::size_t(count / 2));
      std::memcpy(in.data(), bytes, std::size_t(count));
      _WEEndianSwap(in.data(), reinterpret_cast<UniChar*>(deref(s.swapped)), count / 2);
      bytes = deref(s.swapped);
    }
    if (OSErr err = _WEAllocate(0, memory, &s.text)) return err;
    // The units are read through a copy: the source may be a block that moves.
    std::vector<UniChar> unicode(std::size_t(count / 2));
    if (count > 0) std::memcpy(unicode.data(), bytes, std::size_t(count));
    // Paragraph separators become returns and object replacements the placeholder byte before
    // the text goes in.
    _WEMapCCsUnicodeToMac(unicode.data(), i32(unicode.size()));
    units = unicode.data();
    OSErr err = noErr;
    if (f.charFormat && s.styles) {
      if (!s.charFormat) {
        if ((err = shiftedcopy(f.charFormat, 0, &s.charFormat))) return err;
        f.charFormat = s.charFormat;
      }
      if (f.paraFormat && !s.paraFormat) {
        if ((err = shiftedcopy(f.paraFormat, 0, &s.paraFormat))) return err;
        f.paraFormat = s.paraFormat;
      }
      err = _WEConvertStyledUnicode(units, count, kTextEncodingUnicodeDefault, f.charFormat, f.paraFormat, s.styles,
                                    s.text);
    } else {
      if ((err = _WEAllocate(0, memory, &s.encodings))) return err;
      err = _WEConvertUnicodeToMultiScriptText(units, count / 2, s.text, s.encodings);
    }
    if (err != noErr) return err;
    count = i32(GetHandleSize(s.text));
  } else if (encoding != kTextEncodingWEText) {
    return weUnsupportedEncodingErr;
  }

  // Where the selection goes.
  r = werec(we);
  enum { keep, shift, after } plan = keep;
  const i32 removed = end - start;
  const i32 selStart = r->selStart, selEnd = r->selEnd;
  if (start < selEnd && end > selStart && !(start == selStart && end == selEnd)) {
    if (r->flags & weFlagActive) _WEHiliteRange(selStart, selEnd, we);
    plan = after;
  } else if (start == selStart && end == selEnd) {
    plan = start == end ? after : keep;
  } else if (end <= selStart) {
    plan = shift;
  }
  WEStopInlineSession(we);
  r = werec(we);
  if (start != selStart) r->flags &= ~weFlagNullStyleValid;

  // The bytes are copied out first: the source may lie in a block that moves. An insertion at
  // the caret may continue the typing action in progress; otherwise the change is recorded as
  // an action of its own, then the range replaced.
  std::vector<u8> in(static_cast<std::size_t>(count));
  if (count > 0) std::memcpy(in.data(), s.text != nilhandle ? deref(s.text) : bytes, std::size_t(count));
  const bool continued = (options & kContinueTyping) && start == end && start == selStart && selStart == selEnd &&
                         _WEGetTypingActionKind(we) == weAKTyping;
  if (continued) {
    _WEForgetAction(&werec(we)->redoStack);
  } else {
    if (OSErr err = _WEModify(start, end, count, weAKInsert, weActionSavedAll, we)) return err;
    if (OSErr err = _WEDeleteRange(start, end, we)) return err;
  }
  if (count > 0) {
    if (OSErr err = _WEInsertText(start, in.data(), count, we)) return err;
  }
  if (continued) _WEAdjustUndoRange(count, we);
  const i32 newEnd = start + count;

  // Formatting of the new text.
  OSErr err = noErr;
  if (f.charFormat && s.styles) {
    err = _WEApplyCharacterFormatting(start, newEnd, f.charFormat, s.styles, we);
  } else if (f.styl) {
    Handle styl = f.styl;
    if (f.fontTable) {
      u8 changed = 0;
      Handle table = f.fontTable;
      if (HandToHand(&table) == noErr) {
        if (WEUpdateFontTable(table, werec(we)->fontNameToFamilyHook, &changed) == noErr && changed) {
          s.styl = f.styl;
          if (HandToHand(&s.styl) == noErr && WEUpdateStyleScrap(s.styl, table) == noErr) styl = s.styl;
        }
        DisposeHandle(table);
      }
    }
    err = _WEApplyTextEditStyleScrap(start, newEnd, styl, we);
  } else if (s.encodings && GetHandleSize(s.encodings) > 0) {
    err = _WEApplyEncodingScrap(start, newEnd, s.encodings, we);
  }
  if (err == noErr && objects) {
    if (f.soup) err = _WEApplySoup(start, newEnd, f.soup, we);
    if (err == noErr && f.paraFormat && s.rulers)
      err = _WEApplyParagraphFormatting(start, newEnd, f.paraFormat, s.rulers, we);
  }
  if (err != noErr) return err;

  // A space where words would run together.
  i32 added = 0;
  i32 finalEnd = newEnd;
  if ((options & kIntelligentPaste) && count > 0) {
    const i16 side = _WEIntelligentPaste(start, newEnd, we);
    const u8 space = ' ';
    if (side > 0) {
      if ((err = _WEInsertText(newEnd, &space, 1, we))) return err;
      added = 1;
      finalEnd = newEnd + 1;
    } else if (side < 0) {
      if ((err = _WEInsertText(start, &space, 1, we))) return err;
      added = 1;
      finalEnd = newEnd + 1;
    }
    // The space belongs to the change: undoing it takes the space away too.
    if (added) _WEAdjustUndoRange(1, we);
  }

  r = werec(we);
  r->flags &= ~weFlagNullStyleValid;
  const i32 delta = count + added - removed;
  switch (plan) {
    case after:
      r->selStart = r->selEnd = finalEnd;
      r->anchorStart = r->anchorEnd = finalEnd;
      r->clickCount = 0;
      break;
    case shift:
      r->selStart += delta;
      r->selEnd += delta;
      r->anchorStart += delta;
      r->anchorEnd += delta;
      break;
    case keep: break;
  }
  r->selStart = _WEPinInRange(r->selStart, 0, r->textLength);
  r->selEnd = _WEPinInRange(r->selEnd, r->selStart, r->textLength);
  return _WERedraw(start, finalEnd, we);
}

OSErr WEInsertFormattedText(const void* text, i32 length, Handle styles, Handle soup, Handle paraFormat, Handle rulers,
                            WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  OSType types[4];
  Handle handles[4];
  i32 n = 0;
  const std::pair<OSType, Handle> given[] = {{fourcc("styl"), styles},
                                             {fourcc("SOUP"), soup},
                                             {fourcc("WEpf"), paraFormat},
                                             {fourcc("WEru"), rulers}};
  for (const auto& [type, h] : given)
    if (h != nilhandle) {
      types[n] = type;
      handles[n++] = h;
    }
  const u32 options = (r->features & (1u << weFIntCutAndPaste)) ? kIntelligentPaste : 0;
  return WEPut(-1, -1, text, length, kTextEncodingWEText, options, n, types, handles, we);
}

OSErr WEInsert(const void* text, i32 length, Handle styles, Handle soup, WEReference we) {
  return WEInsertFormattedText(text, length, styles, soup, nilhandle, nilhandle, we);
}

}  // namespace kv
