// Resolving containers and writing into them: variables, the message box, fields (through the
// object references of store/objectref.h) and chunks of them. The selection and the target
// come with the text engine and the object dispatch.
#include "engine/container.h"
#include "engine/status.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "engine/chunks.h"
#include "engine/expression.h"
#include "engine/objectsend.h"
#include "engine/tokenizer.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "engine/variables.h"
#include "platform/memory/memory.h"
#include "core/mainglobals.h"
#include "core/memoryguard.h"
#include "store/objectref.h"
#include "textengine/werecord.h"

namespace kv {

namespace {

constexpr i64 maxtextsize = 0x7FFFFFFF;  // the largest block a text can live in

bool istext(const fred& v) { return v.type == fredhand || v.type == fredstring; }

// The message box: its pending text, written whole.
i16 messagecontainer(i32 used, i32* count, chunkpart* dest) {
  MainGlobals& g = mainglobals();
  if (g.msgpending == nilhandle) {
    g.msgpending = NewHandle(0);
    if (g.msgpending == nilhandle) return err::nomemory;
  }
  dest->kind = containermessage;
  newfred(&dest->value, fredobject, fredhand, 0);
  dest->value.text = g.msgpending;
  dest->start = 0;
  dest->end = u32(GetHandleSize(g.msgpending));
  *count = used;
  return 0;
}

// `target`: the field the current target's text names (10 for a button or graphic, 11 for what
// is no object part).
scriptstatus targetcontainer(hierpath context, chunkpart* dest) {
  Handle target = mainglobals().target;
  if (target == nilhandle || GetHandleSize(target) == 0) return err::notext;
  Handle text = target, atoms = nilhandle;
  if (HandToHand(&text) != noErr) return err::nomemory;
  Handle vars = NewHandle(0);
  i16 st = vars == nilhandle ? i16(err::nomemory) : tokenize(text, &atoms);
  i32 used = 0;
  if (st == 0) st = fieldcontainer(context, text, atoms, 0, vars, &used, dest);
  if (vars != nilhandle) dumpvars(vars);
  if (atoms != nilhandle) DisposeHandle(atoms);
  DisposeHandle(text);
  return st;
}

// Tells the current card that the message box holds new text; nothing while no window is
// open.
i16 putmessage() {
  WindowRef w = mainglobals().current.window;
  return w == nilid ? i16(0) : cardsend("putMessage", sendnormal, w);
}

// A variable container: a working copy of its value and the range of its whole text. Under a
// chunk the value is turned into text first (in the variable too), so that the chunk is
// taken of the text the script sees.
i16 variablecontainer(const varentry& e, chunkpart* dest) {
  dest->kind = containervariable;
  dest->value = *HandleAs<fred>(e.value);
  dest->start = 0;
  if (mainglobals().chunkflag != 0 && !istext(dest->value)) {
    if (i16 st = formatfred(&dest->value, fredstring); st != 0) {
      disposfred(&dest->value);
      return st;
    }
  }
  dest->end = istext(dest->value) ? u32(getfredsize(&dest->value)) : 0;
  return 0;
}

// Writes one delimiter: its byte, or in two-byte text a delimiter above 255 as its lead and
// trail bytes.
u8* putdelimiter(u8* p, u16 delim) {
  if (mainglobals().twobyte != 0 && delim > 255) *p++ = u8(delim >> 8);
  *p++ = u8(delim);
  return p;
}

// A new handle holding `lines` line delimiters, `items` item delimiters and the value's text.
// 37 when that text would be too large or memory is short.
i16 delimitedtext(u32 lines, u32 items, fred* value, Size vsize, Handle* out) {
  const MainGlobals& g = mainglobals();
  u8 one[2];
  const i64 linewidth = putdelimiter(one, g.lineDelimiter) - one;
  const i64 itemwidth = putdelimiter(one, g.itemDelimiter) - one;
  const i64 total = i64(lines) * linewidth + i64(items) * itemwidth + vsize;
  if (total > maxtextsize || memoryrefused(Size(total))) return err::nomemory;
  *out = NewHandle(Size(total));
  if (*out == nilhandle) return err::nomemory;
  u8* p = deref(*out);
  for (u32 i = 0; i < lines; ++i) p = putdelimiter(p, g.lineDelimiter);
  for (u32 i = 0; i < items; ++i) p = putdelimiter(p, g.itemDelimiter);
  if (vsize > 0) std::memcpy(p, fredaddr(value), size_t(vsize));
  return 0;
}

}  // namespace

namespace {

// A container that a word does not start: resolved here, or (with *variable set) left to the
// variable lookup, the record cleared.
[[gnu::noinline]] i16 otherdestination(hierpath context, Handle text, Handle atoms, i32 at, Handle variables,
                                       Handle locals, i32* count, chunkpart* dest, i16 create, i16 allowliteral, u16 t,
                                       bool* variable) {
  *variable = false;
  *dest = chunkpart{};
  dest->value.cls = freddisposed;
  u16 next = tokenat(atoms, at + 1);
  if (t >= firstconstant && t <= lastconstant) return err::cantput;
  bool ordinal = t >= firstordinal && t <= lastordinal;
  if (startschunk(atoms, at))
    return destchunk(context, text, atoms, at, variables, locals, count, dest, create, allowliteral);
  if (isfieldcont(atoms, at) || (ordinal && isfieldcont(atoms, at + 1)) || t == tok::me)
    return fieldcontainer(context, text, atoms, at, variables, count, dest);
  if (t == tok::message) return messagecontainer(next == tok::box || next == tok::wd ? 2 : 1, count, dest);
  if (t == tok::the && next == tok::message) {
    u16 after = tokenat(atoms, at + 2);
    return messagecontainer(after == tok::box || after == tok::wd ? 3 : 2, count, dest);
  }
  if (t == tok::selection || (t == tok::the && next == tok::selection)) {
    // The open field's live text, with the range of its selection.
    const WEReference we = mainglobals().openfieldrec;
    if (mainglobals().openfield < 0 || !isvalidwerec(we)) return err::noselection;
    i32 start = 0, end = 0;
    WEGetSelection(&start, &end, we);
    dest->kind = containerselection;
    newfred(&dest->value, fredobject, fredhand, 0);
    dest->value.text = WEGetText(we);
    dest->start = u32(start);
    dest->end = u32(end);
    dest->field = nilhandle;
    *count = t == tok::the ? 2 : 1;
    return 0;
  }
  if (t == tok::target || (t == tok::the && next == tok::target)) {
    i16 st = targetcontainer(context, dest);
    if (st == 0) *count = t == tok::the ? 2 : 1;
    return st;
  }
  *variable = true;
  return 0;
}

}  // namespace

scriptstatus destination(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, Handle locals,
                         i32* count, chunkpart* dest, i16 create, i16 allowliteral) {
  *count = 0;
  u16 t = tokenat(atoms, at);
  // A word (the commonest container) starts none of the other forms: the container is a
  // variable, whose value the whole record but its scalars is about to hold.
  if (t == tok::variable || t == tok::unknown) {
    dest->kind = containerfield;
    dest->chunkgiven = 0;
    dest->start = dest->end = 0;
    dest->addlines = dest->additems = 0;
    dest->delcount = 0;
    dest->field = nilhandle;
    dest->value.cls = freddisposed;
    dest->value.text = dest->value.link = nilhandle;
  } else {
    bool variable = false;
    i16 st = otherdestination(context, text, atoms, at, variables, locals, count, dest, create, allowliteral, t,
                              &variable);
    if (!variable) return st;
  }
  varentry e;
  if (t == tok::stringatom) {
    if (allowliteral == 0) return err::cantput;
    if (i16 st = getitvars(variables, &e); st != 0) return st;
  } else {
    atom& a = HandleAs<atom>(atoms)[at];
    i16 st = create != 0 && mainglobals().explicitVars == 0 ? createvars(&a, text, variables, &e)
                                                            : findvars(&a, text, variables, &e);
    if (st == 16) return err::cantput;
    if (st != 0) return st;
  }
  *count = 1;
  return variablecontainer(e, dest);
}

scriptstatus destchunk(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, Handle locals, i32* count,
                       chunkpart* dest, i16 create, i16 allowliteral) {
  *count = 0;
  *dest = chunkpart{};
  dest->value.cls = freddisposed;
  chunkslots slots;
  i32 used = 0, containerused = 0;
  if (i16 st = readchunks(context, text, atoms, at, variables, locals, &used, &slots); st != 0) return st;
  MainGlobals& g = mainglobals();
  i16 wasflag = g.chunkflag;
  g.chunkflag = 1;
  i16 st = destination(context, text, atoms, at + used, variables, locals, &containerused, dest, create, allowliteral);
  g.chunkflag = wasflag;
  if (st != 0) return st;
  // Narrow lines, items, words, characters in turn; a line or item beyond the text tells how
  // many delimiters the write must add first.
  i32 start = i32(dest->start), end = i32(dest->end);
  const i32 containerstart = start;
  for (u16 i = 0; i < 4; ++i) {
    if (slots.slot[i].mode == chunkunused) continue;
    chunkset(&dest->value, slots.slot[i], u16(tok::line + i), &start, &end);
    if (i == 0) dest->addlines = u32(g.addcount);
    if (i == 1) dest->additems = u32(g.addcount);
  }
  // A chunk that is the whole text from the container's start has no delimiter to remove.
  dest->delcount = start == containerstart && g.delcount == -1 ? 0 : g.delcount;
  dest->start = u32(start);
  dest->end = u32(end);
  dest->chunkgiven = 1;
  *count = used + containerused;
  return 0;
}

i16 messagedestination(chunkpart* dest) {
  *dest = chunkpart{};
  i32 used = 0;
  return messagecontainer(0, &used, dest);
}

void releasecontainer(chunkpart* dest) {
  if (dest->kind == containerfield && dest->field != nilhandle) releasefieldcontainer(dest);
  else disposfred(&dest->value);
}

namespace {

// Replaces a range of the open field's live text: the range selected, the spaces around it
// left as they are, and the field marked changed.
i16 putselection(u32 start, u32 end, const u8* bytes, Size n) {
  MainGlobals& g = mainglobals();
  const WEReference we = g.openfieldrec;
  if (g.openfield < 0 || !isvalidwerec(we)) return err::noselection;
  WESetSelection(i32(start), i32(end), we);
  WEFeatureFlag(weFIntCutAndPaste, 0, we);
  OSErr err = noErr;
  if (start < end) err = WEDelete(we);
  if (err == noErr && n > 0) err = WEInsert(bytes, i32(std::min<Size>(n, INT32_MAX)), nilhandle, nilhandle, we);
  WEFeatureFlag(weFIntCutAndPaste, 1, we);
  g.openfieldchange = 1;
  SetWERecDirtyFlag(we, true);
  return err == noErr ? i16(0) : i16(err::nomemory);
}

// pututil into a range of a container's text (everything but a whole variable's value).
[[gnu::noinline]] i16 puttext(chunkpart* dest, fred* value, u16 preposition) {
  fred& cont = dest->value;
  // The written text, after the delimiters a chunk beyond the text's end needs.
  Size vsize = getfredsize(value);
  if (dest->addlines + u64(dest->additems) > 0) {
    Handle h = nilhandle;
    if (i16 st = delimitedtext(dest->addlines, dest->additems, value, vsize, &h); st != 0) {
      disposfred(value);
      disposfred(&cont);
      return st;
    }
    vsize = GetHandleSize(h);
    givehandtofred(h, value);
  }
  bool wastext = istext(cont);
  formatfred(&cont, fredhand);
  if (cont.text == nilhandle) {
    cont.text = NewHandle(0);
    if (cont.text == nilhandle) {
      disposfred(value);
      disposfred(&cont);
      return err::nomemory;
    }
  }
  Size csize = GetHandleSize(cont.text);
  if (!wastext) dest->end = u32(csize);
  u32 start = dest->start > u32(csize) ? u32(csize) : dest->start;
  u32 end = dest->end > u32(csize) ? u32(csize) : dest->end;
  if (end < start) end = start;
  if (preposition == tok::before) end = start;
  if (preposition == tok::after) start = end;
  if (dest->kind == containermessage) {
    start = 0;
    end = u32(csize);
  }
  if (dest->kind == containerselection) {
    const i16 st = putselection(start, end, vsize > 0 ? fredaddr(value) : reinterpret_cast<const u8*>(""), vsize);
    disposfred(value);
    return st;
  }
  if (dest->kind == containerfield) {
    // `into` a whole field brings it back to its top.
    bool whole = preposition == tok::into && dest->chunkgiven == 0;
    ++mainglobals().textchanges;
    i16 st = putfield(dest, start, end, vsize > 0 ? fredaddr(value) : reinterpret_cast<const u8*>(""), vsize, whole);
    disposfred(value);
    return st;
  }
  i16 st = 0;
  const i64 newsize = i64(csize) + vsize - i64(end - start);
  if (newsize > maxtextsize || memoryrefused(Size(newsize))) {
    st = err::nomemory;
  } else {
    // Munger resizes only the container's handle: the value's bytes (inline, or in a handle
    // of its own) stay where they are.
    const u8* bytes = vsize > 0 ? fredaddr(value) : reinterpret_cast<const u8*>("");
    if (value->type == fredhand && value->text == cont.text) st = err::nomemory;
    if (st == 0 && vsize > 0 && start == end && end == u32(csize)) {
      // Text added at the end (`after` a whole container): the handle grows and takes it.
      SetHandleSize(cont.text, csize + vsize);
      if (MemError() != noErr) st = err::nomemory;
      else std::memcpy(deref(cont.text) + csize, bytes, size_t(vsize));
    } else if (st == 0) {
      Munger(cont.text, i32(start), nullptr, i32(end - start), bytes, i32(vsize));
      if (MemError() != noErr) st = err::nomemory;
    }
  }
  cont.type = fredhand;
  disposfred(value);
  disposfred(&cont);
  if (st == 0 && dest->kind == containermessage) st = putmessage();
  return st;
}

}  // namespace

namespace {

// The text handle of the variable a word ending `put … after` names (made when missing, as
// destination makes it): nilhandle when the short way does not apply (*st 0), or when the
// lookup failed (*st the status destination reports).
Handle wordtext(Handle text, Handle atoms, i32 at, Handle variables, i16* st) {
  *st = 0;
  atom& a = HandleAs<atom>(atoms)[at];
  if (a.token != tok::variable && a.token != tok::unknown) return nilhandle;
  varentry e;
  i16 found = mainglobals().explicitVars == 0 ? createvars(&a, text, variables, &e) : findvars(&a, text, variables, &e);
  if (found != 0) {
    *st = found == err::novariable ? i16(err::cantput) : found;
    return nilhandle;
  }
  const fred& stored = *HandleAs<fred>(e.value);
  return stored.type == fredhand ? stored.text : nilhandle;
}

// Adds n bytes (none of them in the handle) to the end of a variable's text handle.
i16 appendbytes(Handle cont, const u8* bytes, Size n) {
  const Size csize = GetHandleSize(cont);
  const i64 newsize = i64(csize) + n;
  if (newsize > maxtextsize || memoryrefused(Size(newsize))) return err::nomemory;
  SetHandleSize(cont, Size(newsize));
  if (MemError() != noErr) return err::nomemory;
  std::memcpy(deref(cont) + csize, bytes, size_t(n));
  return 0;
}

}  // namespace

i16 appendtoword(Handle text, Handle atoms, i32 at, Handle variables, fred* value, bool* done) {
  *done = false;
  i16 st = 0;
  const Handle cont = wordtext(text, atoms, at, variables, &st);
  if (st != 0) {
    disposfred(value);
    *done = true;
    return st;
  }
  if (cont == nilhandle) return 0;
  const Size vsize = getfredsize(value);
  if (vsize == 0 || (value->type == fredhand && value->text == cont)) return 0;
  *done = true;
  // The value's bytes stay where they are: only the variable's handle is resized.
  const i16 result = appendbytes(cont, reinterpret_cast<const u8*>(fredaddr(value)), vsize);
  disposfred(value);
  return result;
}

i16 appendquotetoword(Handle text, Handle atoms, i32 literal, i32 at, Handle variables, bool* done) {
  *done = false;
  // The characters between the quotes (as quotedchars reads them), read in place.
  const atomchars source = atomsourcechars(HandleAs<atom>(atoms)[literal], text);
  if (source.length < 3 || source.length - 2 > Size(kFredShortMax) || source.bytes[source.length - 1] != '"') return 0;
  const atomchars chars{source.bytes + 1, source.length - 2};
  if (chars.bytes[chars.length - 1] == 0) return 0;
  // A copy: the script's text is a handle too.
  u8 bytes[kFredShortMax];
  const Size n = chars.length;
  std::memcpy(bytes, chars.bytes, size_t(n));
  i16 st = 0;
  const Handle cont = wordtext(text, atoms, at, variables, &st);
  if (st != 0 || cont != nilhandle) *done = true;
  return st != 0 || cont == nilhandle ? st : appendbytes(cont, bytes, n);
}

i16 putintoword(Handle text, Handle atoms, i32 at, Handle variables, fred* value, bool* done) {
  *done = false;
  if (value->cls != fredtemp || value->text != nilhandle) return 0;
  if (value->type != fredlong && value->type != freddouble && value->type != fredbool && value->type != fredupdown)
    return 0;
  atom& a = HandleAs<atom>(atoms)[at];
  if (a.token != tok::variable && a.token != tok::unknown) return 0;
  varentry e;
  i16 st = mainglobals().explicitVars == 0 ? createvars(&a, text, variables, &e) : findvars(&a, text, variables, &e);
  if (st != 0) {
    // Reported as destination reports it.
    disposfred(value);
    *done = true;
    return st == err::novariable ? i16(err::cantput) : st;
  }
  // A stored text handle is released by the long way, which knows whom it belongs to.
  fred& stored = *HandleAs<fred>(e.value);
  if (stored.text != nilhandle) return 0;
  stored.type = value->type;
  stored.integer = value->integer;
  stored.real = value->real;
  value->cls = freddisposed;
  *done = true;
  return 0;
}

i16 pututil(chunkpart* dest, fred* value, u16 preposition) {
  if (dest->kind == containervariable && preposition == tok::into && dest->chunkgiven == 0) {
    fred& cont = dest->value;
    i16 st = fredtofred(value, &cont);
    disposfred(value);
    disposfred(&cont);
    return st;
  }
  return puttext(dest, value, preposition);
}

}  // namespace kv
