// Undo and redo: every edit records an action before it changes the record, with a copy of
// what stood in its range; doing an action puts that copy back and records the inverse on the
// other stack. Successive keys coalesce into one typing action; WEBeginAction/WEEndAction
// group actions into one compound action. The modification count lives here too.
#include <algorithm>

#include "store/records.h"
#include "textengine/weinternal.h"

namespace kv {

namespace {

constexpr u32 featurebit(i16 feature) { return 1u << feature; }
bool hasfeature(const WERec& r, i16 feature) { return (r.features & featurebit(feature)) != 0; }

WEAction actionof(Handle h) { return weelement<WEAction>(h, 0); }
void setaction(Handle h, const WEAction& a) { setweelement(h, 0, a); }
bool isaction(Handle h) { return h != nilhandle && IsValidHandle(h) && GetHandleSize(h) == Size(sizeof(WEAction)); }

// A block of the record's kind of memory.
OSErr newblock(const WERec& r, Size size, Handle* h) {
  return _WEAllocate(size, hasfeature(r, weFUseTempMem) ? i16(weAllocTempMem) : i16(0), h);
}

// The soup of the objects that stand in [start, end), at offsets relative to start.
OSErr buildsoup(i32 start, i32 end, Handle soup, WEReference we) {
  const WERec* r = werec(we);
  for (Handle h = r->objectList; _WEIsObject(h);) {
    const WEObjectDesc d = weelement<WEObjectDesc>(h, 0);
    if (d.offset >= end) break;
    if (d.offset >= start && d.offset < r->textLength) {
      WEExtRunInfo info;
      _WEGetExtRunInfo(d.offset, &info, we);
      if (Handle(info.style.ts.object) == h)
        if (OSErr err = _WEAppendObjectToSoup(soup, h, d.offset - start)) return err;
    }
    h = d.next;
  }
  return noErr;
}

// The elements of a private scrap: count first, then elements of T.
template <class T>
i32 privatecount(Handle scrap) {
  if (!IsValidHandle(scrap)) return 0;
  const i32 size = GetHandleSize(scrap);
  if (size < 4) return 0;
  return std::min<i32>(i32(loadat<u32>(deref(scrap))), (size - 4) / i32(sizeof(T)));
}
template <class T>
T privateelement(Handle scrap, i32 i) {
  return loadat<T>(deref(scrap) + 4 + std::size_t(i) * sizeof(T));
}

// Puts the saved styles back over [start, start + length): each element from its offset to the
// next one's, every attribute but the object.
OSErr restorestyles(i32 start, i32 length, Handle scrap, WEReference we) {
  const i32 n = privatecount<WEPrivateStyle>(scrap);
  for (i32 i = 0; i < n; ++i) {
    const WEPrivateStyle e = privateelement<WEPrivateStyle>(scrap, i);
    const i32 to = i + 1 < n ? privateelement<WEPrivateStyle>(scrap, i + 1).offset : length;
    const i32 s = start + std::clamp(e.offset, 0, length), t = start + std::clamp(to, 0, length);
    if (s < t)
      if (OSErr err = _WESetStyleRange(s, t, weDoAll, &e.style, we)) return err;
  }
  return noErr;
}

// Puts the saved rulers back: the whole ruler of each element over its paragraphs. The last
// element may be the ruler of the paragraph that follows the range (rulers are saved through
// one byte past the range's end); it reaches that paragraph.
OSErr restorerulers(i32 start, i32 length, Handle scrap, WEReference we) {
  const i32 n = privatecount<WEPrivateRuler>(scrap);
  const i32 textlength = werec(we)->textLength;
  for (i32 i = 0; i < n; ++i) {
    const WEPrivateRuler e = privateelement<WEPrivateRuler>(scrap, i);
    const i32 off = std::clamp(e.offset, 0, length);
    const i32 to = i + 1 < n ? std::clamp(privateelement<WEPrivateRuler>(scrap, i + 1).offset, 0, length)
                             : std::max(length, off + 1);
    const i32 s = start + off, t = std::min(start + to, textlength + 1);
    if (s < t && s <= textlength)
      if (OSErr err = _WEReplaceRulerRange(s, t, &e.ruler, we)) return err;
  }
  return noErr;
}

// The action whose range a typed key or _WEAdjustUndoRange works on: the top undo action, or
// the first child of a compound one.
Handle workingaction(const WERec& r) {
  Handle h = r.undoStack;
  if (!isaction(h)) return nilhandle;
  const WEAction a = actionof(h);
  if (a.flags & weActionCompound) return isaction(a.savedText) ? a.savedText : nilhandle;
  return h;
}

void hideselection(WEReference we) {
  const WERec* r = werec(we);
  if (r->features & (featurebit(weFInhibitRecal) | featurebit(weFInhibitRedraw))) return;
  if (r->selStart != r->selEnd && (r->flags & weFlagActive)) _WEHiliteRange(r->selStart, r->selEnd, we);
  _WEHideCaret(we);
}

// Does one (non-compound) action: the inverse is recorded first (while undo is on), then the
// saved content replaces the range. *low and *high grow to cover what changed.
OSErr doone(Handle h, WEReference we, i32* low, i32* high) {
  const WEAction a = actionof(h);
  WERec* r = werec(we);
  // The record changed under an action it no longer matches: nothing is done.
  if (a.rangeStart < 0 || a.currentLength < 0 || a.savedLength < 0 || a.rangeStart > r->textLength ||
      a.currentLength > r->textLength - a.rangeStart)
    return paramErr;
  if (hasfeature(*r, weFUndo)) {
    Handle inverse = nilhandle;
    const u16 flags = u16((a.flags & ~(weActionRedo | weActionCompound)) | (~a.flags & weActionRedo));
    if (OSErr err = _WENewAction(a.rangeStart, a.rangeStart + a.currentLength, a.savedLength, a.kind, flags, we,
                                 &inverse))
      return err;
    _WEPushAction(inverse);
  }
  r = werec(we);
  r->modCount += (a.flags & weActionRedo) ? 1 : -1;
  const i32 start = a.rangeStart;
  if (a.flags & weActionSavedText) {
    if (OSErr err = _WEDeleteRange(start, start + a.currentLength, we)) return err;
    const i32 n = IsValidHandle(a.savedText) ? std::min(GetHandleSize(a.savedText), a.savedLength) : 0;
    if (n > 0)
      if (OSErr err = _WEInsertText(start, deref(a.savedText), n, we)) return err;
  }
  if (a.flags & weActionSavedStyles)
    if (OSErr err = restorestyles(start, a.savedLength, a.savedStyles, we)) return err;
  if ((a.flags & weActionSavedObjects) && IsValidHandle(a.savedObjects) && GetHandleSize(a.savedObjects) > 0)
    if (OSErr err = _WEApplySoup(start, start + a.savedLength, a.savedObjects, we)) return err;
  if (a.flags & weActionSavedGeometry) {
    const Handle object = a.savedText;
    if (!_WEIsObject(object)) return weObjectNotFoundErr;
    WEObjectDesc d = weelement<WEObjectDesc>(object, 0);
    if (d.owner != we || d.offset != start) return weObjectNotFoundErr;
    d.width = i16(a.savedStyles >> 16);
    d.height = i16(a.savedStyles & 0xFFFF);
    d.baseline = i16(u16(a.savedObjects));
    setweelement(object, 0, d);
  }
  if (a.flags & weActionSavedRulers)
    if (OSErr err = restorerulers(start, a.savedLength, a.savedRulers, we)) return err;
  *low = std::min(*low, start);
  *high = std::max(*high, start + a.savedLength);
  return noErr;
}

// Takes the top action off a stack, does it and disposes of it.
OSErr popanddo(Handle* stack) {
  const Handle h = *stack;
  if (!isaction(h)) return weCantUndoErr;
  *stack = actionof(h).next;
  WEAction a = actionof(h);
  a.next = nilhandle;
  setaction(h, a);
  const OSErr err = _WEDoAction(h);
  _WEDisposeAction(h);
  return err;
}

}  // namespace

OSErr _WENewAction(i32 start, i32 end, i32 length, i16 kind, u16 flags, WEReference we, Handle* out) {
  if (out) *out = nilhandle;
  const WERec* r = werec(we);
  if (r == nullptr || out == nullptr) return weBadReferenceErr;
  Handle h = nilhandle;
  if (OSErr err = newblock(*r, Size(sizeof(WEAction)), &h)) return err;
  WEAction a{};
  a.kind = kind;
  a.flags = flags;
  a.owner = we;
  a.rangeStart = start;
  a.currentLength = length;
  a.savedLength = end - start;
  a.selStart = r->selStart;
  a.selEnd = r->selEnd;
  setaction(h, a);
  // Each saved part goes into the action as soon as it is made, so that the disposal below
  // frees exactly what exists.
  auto part = [&](u16 bit, Handle WEAction::*field, auto fill) -> OSErr {
    if (!(flags & bit)) return noErr;
    Handle block = nilhandle;
    if (OSErr err = newblock(*werec(we), 0, &block)) return err;
    WEAction now = actionof(h);
    now.*field = block;
    setaction(h, now);
    return fill(block);
  };
  OSErr err = part(weActionSavedText, &WEAction::savedText, [&](Handle block) -> OSErr {
    if (end <= start) return noErr;
    return _WESplice(block, deref(werec(we)->hText) + start, end - start, 0);
  });
  if (!err)
    err = part(weActionSavedStyles, &WEAction::savedStyles,
               [&](Handle block) { return _WEBuildPrivateStyleScrap(start, end, block, we); });
  if (!err)
    err = part(weActionSavedObjects, &WEAction::savedObjects,
               [&](Handle block) { return buildsoup(start, end, block, we); });
  if (!err && (flags & weActionSavedGeometry)) {
    WEObjectDescHandle object = nilhandle;
    err = WEGetObjectAtOffset(start, &object, we);
    if (!err) {
      WEAction now = actionof(h);
      now.savedText = object;
      now.savedStyles = WEGetObjectSize(object);
      now.savedObjects = u16(WEGetObjectBaseline(object));
      setaction(h, now);
    }
  }
  if (!err)
    err = part(weActionSavedRulers, &WEAction::savedRulers,
               [&](Handle block) { return _WEBuildPrivateRulerScrap(start, end + 1, block, we); });
  if (err) {
    _WEDisposeAction(h);
    return err;
  }
  *out = h;
  return noErr;
}

void _WEPushAction(Handle action) {
  if (!isaction(action)) return;
  WEAction a = actionof(action);
  WERec* r = werec(a.owner);
  if (r == nullptr) {
    _WEDisposeAction(action);
    return;
  }
  Handle* stack = (a.flags & weActionRedo) ? &r->redoStack : &r->undoStack;
  if (isaction(*stack)) {
    WEAction top = actionof(*stack);
    if ((top.flags & weActionCompound) && top.kind == weAKOpenGroup) {
      a.next = top.savedText;
      setaction(action, a);
      top.savedText = action;
      setaction(*stack, top);
      return;
    }
  }
  a.next = *stack;
  setaction(action, a);
  *stack = action;
}

Handle _WEDisposeAction(Handle action) {
  if (!isaction(action)) return nilhandle;
  const WEAction a = actionof(action);
  if (a.flags & weActionCompound) {
    for (Handle child = a.savedText; isaction(child);) child = _WEDisposeAction(child);
  } else if (!(a.flags & weActionSavedGeometry)) {
    for (Handle h : {a.savedText, a.savedStyles, a.savedObjects, a.savedRulers})
      if (h != nilhandle && IsValidHandle(h)) DisposeHandle(h);
  }
  DisposeHandle(action);
  return a.next;
}

void _WEForgetAction(Handle* stack) {
  if (stack == nullptr) return;
  for (Handle h = *stack; isaction(h);) h = _WEDisposeAction(h);
  *stack = nilhandle;
}

OSErr _WEModify(i32 start, i32 end, i32 length, i16 kind, u16 flags, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  ++r->modCount;
  if (!hasfeature(*r, weFUndo)) return noErr;
  _WEForgetAction(&r->redoStack);
  if (!hasfeature(*r, weFMultipleUndo) && !(r->flags & weFlagActionGroup)) _WEForgetAction(&r->undoStack);
  Handle action = nilhandle;
  if (OSErr err = _WENewAction(start, end, length, kind, flags, we, &action)) return err;
  _WEPushAction(action);
  return noErr;
}

OSErr _WEDoAction(Handle action) {
  if (!isaction(action)) return nilHandleErr;
  const WEAction a = actionof(action);
  const WEReference we = a.owner;
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (hasfeature(*r, weFReadOnly)) return weReadOnlyErr;
  WEStopInlineSession(we);
  hideselection(we);
  r = werec(we);
  const i32 oldstart = r->selStart, oldend = r->selEnd;
  const bool compound = (a.flags & weActionCompound) != 0;
  // The inverse of a compound action gathers the inverses of its children.
  Handle inverse = nilhandle;
  if (compound && hasfeature(*r, weFUndo)) {
    if (OSErr err = newblock(*r, Size(sizeof(WEAction)), &inverse)) return err;
    WEAction group{};
    group.kind = weAKOpenGroup;
    group.flags = u16(weActionCompound | (~a.flags & weActionRedo));
    group.owner = we;
    group.selStart = oldstart;
    group.selEnd = oldend;
    setaction(inverse, group);
    _WEPushAction(inverse);
  }
  i32 low = oldstart, high = oldend;
  OSErr err = noErr;
  Handle last = action;
  if (compound) {
    for (Handle child = a.savedText; isaction(child) && !err; child = actionof(child).next) {
      err = doone(child, we, &low, &high);
      last = child;
    }
  } else {
    err = doone(action, we, &low, &high);
  }
  // The inverse group is closed on every path: an open one would take in every later action.
  if (isaction(inverse)) {
    WEAction group = actionof(inverse);
    group.kind = a.kind;
    setaction(inverse, group);
    // An inverse that gathered nothing (the first child could not be done) is dropped.
    Handle* stack = (group.flags & weActionRedo) ? &werec(we)->redoStack : &werec(we)->undoStack;
    if (group.savedText == nilhandle && *stack == inverse) {
      *stack = group.next;
      _WEDisposeAction(inverse);
    }
  }
  r = werec(we);
  if (!err) {
    const WEAction l = actionof(last);
    r->selStart = _WEPinInRange(l.selStart, 0, r->textLength);
    r->selEnd = _WEPinInRange(l.selEnd, r->selStart, r->textLength);
    r->clickCount = 0;
    r->flags &= ~weFlagNullStyleValid;
  }
  if (err == paramErr && !compound) return err;  // nothing was changed
  low = _WEPinInRange(low, 0, r->textLength);
  high = _WEPinInRange(high, low, r->textLength);
  const OSErr drawn = _WERedraw(low, high, we);
  return err ? err : drawn;
}

OSErr WEUndo(WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (r->flags & weFlagActionGroup) return weActionGroupErr;
  if (hasfeature(*r, weFReadOnly)) return weReadOnlyErr;
  if (isaction(r->undoStack)) return popanddo(&r->undoStack);
  if (!hasfeature(*r, weFMultipleUndo) && isaction(r->redoStack)) return popanddo(&r->redoStack);
  return weCantUndoErr;
}

OSErr WERedo(WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (r->flags & weFlagActionGroup) return weActionGroupErr;
  if (!isaction(r->redoStack)) return weCantUndoErr;
  if (hasfeature(*r, weFReadOnly)) return weReadOnlyErr;
  return popanddo(&r->redoStack);
}

OSErr WEBeginAction(WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (r->flags & weFlagActionGroup) return weActionGroupErr;
  _WEForgetAction(&r->redoStack);
  if (!hasfeature(*r, weFMultipleUndo)) _WEForgetAction(&r->undoStack);
  Handle group = nilhandle;
  if (OSErr err = newblock(*r, Size(sizeof(WEAction)), &group)) return err;
  r = werec(we);
  WEAction a{};
  a.kind = weAKOpenGroup;
  a.flags = weActionCompound;
  a.owner = we;
  a.selStart = r->selStart;
  a.selEnd = r->selEnd;
  setaction(group, a);
  // Pushed before the group opens, so that it goes on the stack rather than into an older one.
  _WEPushAction(group);
  werec(we)->flags |= weFlagActionGroup;
  return noErr;
}

OSErr WEEndAction(i16 kind, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (!(r->flags & weFlagActionGroup)) return weActionGroupErr;
  if (kind < 1) return paramErr;
  r->flags &= ~weFlagActionGroup;
  if (isaction(r->undoStack)) {
    WEAction a = actionof(r->undoStack);
    a.kind = kind;
    setaction(r->undoStack, a);
  }
  return noErr;
}

i16 WEGetUndoInfo(bool* redo, WEReference we) {
  if (redo) *redo = false;
  const WERec* r = werec(we);
  if (r == nullptr) return weAKNone;
  if (isaction(r->redoStack)) {
    if (redo) *redo = true;
    return actionof(r->redoStack).kind;
  }
  return isaction(r->undoStack) ? actionof(r->undoStack).kind : i16(weAKNone);
}

i16 WEGetIndUndoInfo(i32 index, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr || index == 0) return weAKNone;
  Handle h = index > 0 ? r->undoStack : r->redoStack;
  for (i32 n = index > 0 ? index : -index; isaction(h); h = actionof(h).next)
    if (--n == 0) return actionof(h).kind;
  return weAKNone;
}

i16 _WEGetTypingActionKind(WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr || !hasfeature(*r, weFUndo) || !isaction(r->undoStack)) return weAKNone;
  const WEAction a = actionof(r->undoStack);
  if (a.kind != weAKTyping && a.kind != weAKBackspace && a.kind != weAKFwdDelete) return weAKNone;
  if ((a.flags & (weActionRedo | weActionCompound)) || r->selStart != r->selEnd) return weAKNone;
  return r->selStart == a.rangeStart + a.currentLength ? a.kind : i16(weAKNone);
}

bool WEIsTyping(WEReference we) { return _WEGetTypingActionKind(we) != weAKNone; }

void _WEAdjustUndoRange(i32 delta, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return;
  const Handle h = workingaction(*r);
  if (h == nilhandle) return;
  WEAction a = actionof(h);
  a.currentLength += delta;
  setaction(h, a);
}

Handle _WETypingAction(i16 kind, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr || !hasfeature(*r, weFUndo) || r->selStart != r->selEnd) return nilhandle;
  const Handle h = workingaction(*r);
  if (h == nilhandle) return nilhandle;
  // An older action left on the stack (made while undo was on) is never extended: the caret
  // must stand at the end of the action's range.
  const WEAction a = actionof(h);
  const bool extends = a.kind == kind && !(a.flags & weActionRedo) && r->selStart == a.rangeStart + a.currentLength;
  return extends ? h : nilhandle;
}

void WEClearUndo(WEReference we) {
  if (WERec* r = werec(we)) {
    _WEForgetAction(&r->undoStack);
    _WEForgetAction(&r->redoStack);
  }
}

i32 WEGetModCount(WEReference we) {
  const WERec* r = werec(we);
  return r ? r->modCount : 0;
}

void WEResetModCount(WEReference we) {
  if (WERec* r = werec(we)) {
    r->modCount = 0;
    WEClearUndo(we);
  }
}

}  // namespace kv
