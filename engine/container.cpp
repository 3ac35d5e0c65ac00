// Resolving containers and writing into them. Variables and the message box are written here;
// chunks, fields and the selection come with the chunk expressions and object references.
#include "engine/container.h"
#include "engine/status.h"

#include <cstring>

#include "engine/chunk.h"
#include "engine/expression.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/variables.h"
#include "platform/memory/memory.h"
#include "shell/mainglobals.h"
#include "store/memoryguard.h"
#include "store/objectref.h"

namespace kv {

namespace {

enum : u16 {
  tokTarget = 3175,
  tokThe = 10020,
  tokBox = 11021,
  tokMe = 11171,
  tokMessage = 11175,
  tokSelection = 11283,
};

constexpr i16 statuscantput = 45, statusnoselection = 52, statusnoobject = 2;

bool istext(const fred& v) { return v.type == fredhand || v.type == fredstring; }

// The message box: its pending text, written whole.
i16 messagecontainer(i32 used, i32* count, chunkpart* dest) {
  MainGlobals& g = mainglobals();
  if (g.msgpending == nilhandle) {
    g.msgpending = NewHandle(0);
    if (g.msgpending == nilhandle) return statusnomemory;
  }
  dest->kind = containermessage;
  newfred(&dest->value, fredobject, fredhand, 0);
  dest->value.text = g.msgpending;
  dest->start = 0;
  dest->end = u32(GetHandleSize(g.msgpending));
  *count = used;
  return 0;
}

// A variable container: a working copy of its value and the range of its whole text.
i16 variablecontainer(const varentry& e, chunkpart* dest) {
  dest->kind = containervariable;
  dest->value = *HandleAs<fred>(e.value);
  dest->start = 0;
  dest->end = istext(dest->value) ? u32(getfredsize(&dest->value)) : 0;
  return 0;
}

}  // namespace

i16 destination(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, Handle, i32* count,
                chunkpart* dest, i16 create, i16 allowliteral) {
  *count = 0;
  *dest = chunkpart{};
  dest->value.cls = freddisposed;
  u16 t = tokenat(atoms, at);
  u16 next = tokenat(atoms, at + 1);
  if (t >= firstconstant && t <= lastconstant) return statuscantput;
  bool ordinal = t >= firstordinal && t <= lastordinal;
  if ((t >= firstchunkword && t <= lastchunkword) || (ordinal && next >= firstchunkword && next <= lastchunkword))
    return statusnoobject;  // chunks of containers come with the chunk expressions
  if (isfieldcont(atoms, at) || (ordinal && isfieldcont(atoms, at + 1))) return statusnoobject;
  if (t == tokMessage) return messagecontainer(next == tokBox || next == tokWindow ? 2 : 1, count, dest);
  if (t == tokThe && next == tokMessage) {
    u16 after = tokenat(atoms, at + 2);
    return messagecontainer(after == tokBox || after == tokWindow ? 3 : 2, count, dest);
  }
  if (t == tokSelection || (t == tokThe && next == tokSelection)) {
    if (mainglobals().openfield < 0) return statusnoselection;
    return statusnoobject;
  }
  if (t == tokTarget || (t == tokThe && next == tokTarget) || t == tokMe) return statusnoobject;
  varentry e;
  if (t == tokString) {
    if (allowliteral == 0) return statuscantput;
    if (i16 st = getitvars(variables, &e); st != 0) return st;
  } else {
    atom& a = HandleAs<atom>(atoms)[at];
    i16 st = create != 0 && mainglobals().explicitVars == 0 ? createvars(&a, text, variables, &e)
                                                              : findvars(&a, text, variables, &e);
    if (st == 16) return statuscantput;
    if (st != 0) return st;
  }
  (void)context;
  *count = 1;
  return variablecontainer(e, dest);
}

i16 messagedestination(chunkpart* dest) {
  *dest = chunkpart{};
  i32 used = 0;
  return messagecontainer(0, &used, dest);
}

void releasecontainer(chunkpart* dest) { disposfred(&dest->value); }

i16 pututil(chunkpart* dest, fred* value, u16 preposition) {
  fred& cont = dest->value;
  if (dest->kind == containervariable && preposition == prepinto && dest->chunkgiven == 0) {
    i16 st = fredtofred(value, &cont);
    disposfred(value);
    disposfred(&cont);
    return st;
  }
  MainGlobals& g = mainglobals();
  // The written text, after the delimiters a chunk beyond the text's end needs.
  Size prefix = Size(dest->addlines + dest->additems);
  Size vsize = getfredsize(value);
  if (prefix > 0) {
    if (memoryrefused(prefix + vsize)) {
      disposfred(value);
      disposfred(&cont);
      return statusnomemory;
    }
    Handle h = NewHandle(prefix + vsize);
    if (h == nilhandle) {
      disposfred(value);
      disposfred(&cont);
      return statusnomemory;
    }
    u8* p = deref(h);
    std::memset(p, u8(g.lineDelimiter), dest->addlines);
    std::memset(p + dest->addlines, u8(g.itemDelimiter), dest->additems);
    if (vsize > 0) std::memcpy(p + prefix, fredaddr(value), size_t(vsize));
    givehandtofred(h, value);
    vsize += prefix;
  }
  bool wastext = istext(cont);
  formatfred(&cont, fredhand);
  if (cont.text == nilhandle) {
    cont.text = NewHandle(0);
    if (cont.text == nilhandle) {
      disposfred(value);
      disposfred(&cont);
      return statusnomemory;
    }
  }
  Size csize = GetHandleSize(cont.text);
  if (!wastext) dest->end = u32(csize);
  u32 start = dest->start > u32(csize) ? u32(csize) : dest->start;
  u32 end = dest->end > u32(csize) ? u32(csize) : dest->end;
  if (end < start) end = start;
  if (preposition == prepbefore) end = start;
  if (preposition == prepafter) start = end;
  if (dest->kind == containermessage) {
    start = 0;
    end = u32(csize);
  }
  i16 st = 0;
  if (memoryrefused(csize + vsize - Size(end - start))) {
    st = statusnomemory;
  } else {
    // Munger resizes only the container's handle: the value's bytes (inline, or in a handle
    // of its own) stay where they are.
    const u8* bytes = vsize > 0 ? fredaddr(value) : reinterpret_cast<const u8*>("");
    if (value->type == fredhand && value->text == cont.text) st = statusnomemory;
    if (st == 0) {
      Munger(cont.text, i32(start), nullptr, i32(end - start), bytes, i32(vsize));
      if (MemError() != noErr) st = statusnomemory;
    }
  }
  cont.type = fredhand;
  disposfred(value);
  disposfred(&cont);
  return st;
}

}  // namespace kv
