// Keys and the edits that delete: typing a character (a two-byte character's first byte held
// until its second comes), backspace and forward delete (two-byte characters whole, never past
// either end of the text), deleting the selection and inserting an object. Each records its
// undo action before it changes the text; successive keys of one kind extend one action.
#include <algorithm>

#include "platform/events/events.h"
#include "platform/qd/ports.h"
#include "platform/text/sjis.h"
#include "platform/windows/cursor.h"
#include "store/records.h"
#include "textengine/weinternal.h"

namespace kv {

namespace {

constexpr u8 kReturn = 13;
constexpr u16 kBackspaceKey = 8, kForwardDeleteKey = 127;
constexpr u16 kLeftArrowKey = 28, kDownArrowKey = 31;

bool readonly(const WERec& r) { return (r.features & (1u << weFReadOnly)) != 0; }

// The cursor goes out of the way of typing while the mouse is over the text.
void obscureoverdest(const WERec& r) {
  if (!IsValidPort(r.port)) return;
  GrafPtr saved = 0;
  GetPort(&saved);
  SetPort(r.port);
  Point mouse{};
  GetMouse(&mouse);
  SetPort(saved);
  const LongPoint lp{mouse.v, mouse.h};
  if (WELongPointInLongRect(&lp, &r.destRect)) ObscureCursor();
}

// Collapses the selection to an insertion point at offset after an edit.
void caretat(i32 offset, WEReference we) {
  WERec* r = werec(we);
  r->selStart = r->selEnd = offset;
  r->clickCount = 0;
}

// Deletes a non-empty selection (the caret at its start); false when there was none.
bool deleteselection(OSErr* err, WEReference we) {
  const WERec* r = werec(we);
  if (r->selStart == r->selEnd) return false;
  const i32 start = r->selStart, end = r->selEnd;
  *err = _WEDeleteRange(start, end, we);
  if (*err == noErr) {
    caretat(start, we);
    *err = _WERedraw(start, start, we);
  }
  return true;
}

// The style, object and ruler of the byte at offset.
struct ByteFormat {
  WETextStyle style;
  WEObjectDescHandle object;
  WERuler ruler;
};
ByteFormat formatat(i32 offset, WEReference we) {
  ByteFormat f{};
  WEExtRunInfo info;
  _WEGetExtRunInfo(offset, &info, we);
  f.style = info.style.ts;
  if (WEGetObjectAtOffset(offset, &f.object, we) != noErr) f.object = nilhandle;
  WEParaInfo para;
  _WEGetExtParaInfo(offset, &para, we);
  f.ruler = para.ruler;
  return f;
}

// Moves every entry of a soup on by delta (the saved range grew at its front).
void bumpsoup(Handle soup, i32 delta) {
  const i32 size = IsValidHandle(soup) ? GetHandleSize(soup) : 0;
  for (i32 pos = 0; size - pos >= i32(sizeof(WESoupHeader));) {
    u8* p = deref(soup) + pos;
    WESoupHeader h = loadat<WESoupHeader>(p);
    if (h.dataSize < 0 || h.dataSize > size - pos - i32(sizeof h)) return;
    h.offset += delta;
    storeat(p, h);
    pos += i32(sizeof h) + h.dataSize;
  }
}

}  // namespace

OSErr WEKey(u16 key, u16 modifiers, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (r->flags & weFlagCaretShown) _WEHideCaret(we);
  if (key >= kLeftArrowKey && key <= kDownArrowKey) {
    _WEDoArrowKey(i16(key), modifiers, we);
    return noErr;
  }
  r = werec(we);
  obscureoverdest(*r);
  if (readonly(*r)) return weReadOnlyErr;
  const i16 kind = key == kBackspaceKey ? weAKBackspace : key == kForwardDeleteKey ? weAKFwdDelete : weAKTyping;
  if (kind != _WEGetTypingActionKind(we)) {
    if (OSErr err = _WEModify(r->selStart, r->selEnd, 0, kind, weActionSavedAll, we)) return err;
  } else if (r->features & (1u << weFUndo)) {
    _WEForgetAction(&r->redoStack);
  }
  if (kind == weAKBackspace) return _WEBackspace(we);
  if (kind == weAKFwdDelete) return _WEForwardDelete(we);
  return _WETypeChar(u8(key), we);
}

OSErr _WETypeChar(u8 byte, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  OSErr err = noErr;
  if (deleteselection(&err, we) && err) return err;
  _WESynchNullStyle(we);
  r = werec(we);
  u8 bytes[2] = {byte, 0};
  i32 length = 1;
  if (r->flags & weFlagDoubleByte) {
    if (r->firstByte != 0) {
      bytes[0] = r->firstByte;
      bytes[1] = byte;
      length = 2;
      r->firstByte = 0;
    } else {
      // The byte is asked about as it stands before a second byte: a first byte alone at the
      // end of a text reads as a one-byte character (and every first byte may also end a pair).
      const u8 probe[2] = {byte, byte};
      const i16 script = _WEFontFamilyToScript(r->nullStyle.ts.font);
      if (r->charByteHook(probe, 2, 0, script, we) == smFirstByte) {
        r->firstByte = byte;
        return noErr;
      }
    }
  }
  const i32 at = r->selStart;
  const bool extend = _WETypingAction(weAKTyping, we) != nilhandle;
  if ((err = _WEInsertText(at, bytes, length, we)) != noErr) return err;
  if (extend) _WEAdjustUndoRange(length, we);
  werec(we)->flags &= ~weFlagNullStyleValid;
  caretat(at + length, we);
  return _WERedraw(at, at + length, we);
}

OSErr _WEBackspace(WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  OSErr err = noErr;
  if (deleteselection(&err, we)) return err;
  const i32 end = r->selStart;
  if (end <= 0) return noErr;
  // A unit never reaches before the text's start, even in damaged two-byte text.
  const i32 unit = std::min(WECharByte(end - 1, we) == smLastByte ? 2 : 1, end);
  const i32 start = end - unit;
  if (const Handle action = _WETypingAction(weAKBackspace, we)) {
    WEAction a = weelement<WEAction>(action, 0);
    if (a.currentLength < 1) {
      // The unit goes in front of what the action saved; the saved range starts earlier.
      const ByteFormat f = formatat(start, we);
      if (a.flags & weActionSavedText) err = _WESplice(a.savedText, deref(werec(we)->hText) + start, unit, 0);
      if (!err && (a.flags & weActionSavedStyles))
        err = _WEPrependStyleToPrivateStyleScrap(a.savedStyles, &f.style, unit);
      if (!err && (a.flags & weActionSavedObjects)) {
        if (f.object != nilhandle) err = _WEPrependObjectToSoup(a.savedObjects, f.object, unit);
        else bumpsoup(a.savedObjects, unit);
      }
      if (!err && (a.flags & weActionSavedRulers))
        err = _WEPrependRulerToPrivateRulerScrap(a.savedRulers, &f.ruler, unit);
      if (err) return err;
      a = weelement<WEAction>(action, 0);
      a.savedLength += unit;
      a.rangeStart -= unit;
    } else {
      a.currentLength -= unit;
    }
    setweelement(action, 0, a);
  }
  if ((err = _WEDeleteRange(start, end, we)) != noErr) return err;
  caretat(start, we);
  return _WERedraw(start, start, we);
}

OSErr _WEForwardDelete(WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  OSErr err = noErr;
  if (deleteselection(&err, we)) return err;
  const i32 start = r->selStart;
  if (start >= r->textLength) return noErr;
  // A unit never reaches past the text's end, even in damaged two-byte text.
  const i32 unit = std::min(WECharByte(start, we) != 0 ? 2 : 1, r->textLength - start);
  const i32 end = start + unit;
  if (const Handle action = _WETypingAction(weAKFwdDelete, we)) {
    WEAction a = weelement<WEAction>(action, 0);
    const ByteFormat f = formatat(start, we);
    const i32 at = a.savedLength;
    if (a.flags & weActionSavedText) err = _WESplice(a.savedText, deref(werec(we)->hText) + start, unit, -1);
    if (!err && (a.flags & weActionSavedStyles)) err = _WEAppendStyleToPrivateStyleScrap(a.savedStyles, &f.style, at);
    if (!err && (a.flags & weActionSavedObjects) && f.object != nilhandle)
      err = _WEAppendObjectToSoup(a.savedObjects, f.object, at);
    // Deleting a return joins the next paragraph to this one: its ruler is kept too.
    if (!err && (a.flags & weActionSavedRulers) && deref(werec(we)->hText)[end - 1] == kReturn && end < r->textLength) {
      const ByteFormat next = formatat(end, we);
      err = _WEAppendRulerToPrivateRulerScrap(a.savedRulers, &next.ruler, at + unit);
    }
    if (err) return err;
    a = weelement<WEAction>(action, 0);
    a.savedLength += unit;
    setweelement(action, 0, a);
  }
  if ((err = _WEDeleteRange(start, end, we)) != noErr) return err;
  caretat(start, we);
  return _WERedraw(start, start, we);
}

OSErr WEDelete(WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (readonly(*r)) return weReadOnlyErr;
  if (!IsValidPort(r->port)) r->port = currentportid();
  if (r->selStart == r->selEnd) return noErr;
  WEStopInlineSession(we);
  r = werec(we);
  i32 start = r->selStart, end = r->selEnd;
  if (r->features & (1u << weFIntCutAndPaste)) _WEIntelligentCut(&start, &end, we);
  if (OSErr err = _WEModify(start, end, 0, weAKClear, weActionSavedAll, we)) return err;
  if (OSErr err = _WEDeleteRange(start, end, we)) return err;
  caretat(start, we);
  return _WERedraw(start, start, we);
}

OSErr WEInsertObject(OSType kind, Handle data, Point size, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (readonly(*r)) return weReadOnlyErr;
  WEStopInlineSession(we);
  r = werec(we);
  const i32 start = r->selStart, end = r->selEnd;
  if (OSErr err = _WEModify(start, end, 1, weAKInsert, weActionSavedAll, we)) return err;
  if (OSErr err = _WEDeleteRange(start, end, we)) return err;
  if (OSErr err = _WEInsertObjectAtOffset(start, kind, data, size, we)) {
    caretat(start, we);
    _WERedraw(start, start, we);
    return err;
  }
  werec(we)->flags &= ~weFlagNullStyleValid;
  caretat(start + 1, we);
  return _WERedraw(start, start + 1, we);
}

}  // namespace kv
