// The commands that move values into containers and compute in them: get, put, putMessage,
// add, subtract, multiply, divide, and delete/clear of chunks, files and folders.
#include <algorithm>
#include <cstring>
#include <string>

#include "commands/commands.h"
#include "engine/tokens.h"
#include "tools/editcommands.h"
#include "commands/dispatch.h"
#include "engine/chunks.h"
#include "engine/container.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbers.h"
#include "engine/numbertext.h"
#include "engine/objectsend.h"
#include "engine/status.h"
#include "engine/textutil.h"
#include "engine/variables.h"
#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/text/pstring.h"
#include "properties/properties.h"
#include "core/mainglobals.h"
#include "shell/messagebox.h"

namespace kv {

namespace {

constexpr i16 resultfileerror = 110;  // "File system error %d."

bool lineends(Handle atoms, i32 i) {
  u16 t = tokenat(atoms, i);
  return t == tok::endofline || t == tok::endofscript;
}

bool isprep(u16 t) { return t == tok::into || t == tok::after || t == tok::before; }

// The operand of get and put at `at`. The commonest arithmetic (a number or a variable, one
// of + - * /, a number or a variable, then what ends the operand) skips the full parser.
scriptstatus operand(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, bool put, i32* used,
                     fred* value) {
  const atomview view(atoms);
  u16 first = view.tok(at);
  if ((first == tok::numberatom || first == tok::variable) &&
      (put ? isprep(view.tok(at + 3)) || view.lineends(at + 3) : view.lineends(at + 3))) {
    i16 st = miniexpression(path, text, atoms, at, variables, nilhandle, used, value);
    if (st != 1) return st;
  }
  return expression(path, text, atoms, at, variables, nilhandle, used, value);
}

// `it` of the handler gets a copy of the value (consumed).
i16 toit(Handle variables, fred* value) {
  varentry it;
  i16 st = getitvars(variables, &it);
  if (st == 0) {
    fred stored = *HandleAs<fred>(it.value);
    st = fredtofred(value, &stored);
    disposfred(&stored);
  }
  disposfred(value);
  return st;
}

// The number a container holds: a variable's value as a number, or the first 255 characters
// of the text range of a chunk, a field or the message box. The empty text is 0.
i16 containernumber(chunkpart* dest, double* out) {
  *out = 0;
  fred& v = dest->value;
  if (dest->kind == containervariable && dest->chunkgiven == 0) {
    fred look = v;  // converting must not change the variable before it is written
    look.cls = fredtemp;
    look.link = nilhandle;
    Handle kept = look.text;
    i16 st = fredtodouble(&look, out);
    if (look.text != kept && look.text != nilhandle) DisposeHandle(look.text);
    return st == err::nonumber ? st : i16(0);
  }
  Size size = getfredsize(&v);
  u32 end = std::min<u32>(dest->end, u32(size));
  u32 start = std::min(dest->start, end);
  Str255 s;
  s[0] = u8(std::min<u32>(end - start, 255));
  if (s[0] > 0) std::memcpy(s + 1, fredaddr(&v) + start, s[0]);
  i16 st = stringtodouble(s, out);
  return st == err::nonumber ? st : i16(0);
}

// `delete file path` and `delete folder path`. A path that names nothing deletes nothing.
scriptstatus deletefromdisk(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, bool folder) {
  if (mainglobals().plugin != 0) return err::plugincommand;
  fred value;
  i32 used = 0;
  i16 st = expression(path, text, atoms, at, variables, nilhandle, &used, &value);
  if (st != 0) return st;
  Str255 name;
  st = scriptpath(&value, name);
  disposfred(&value);
  if (st != 0) return st;
  if (!lineends(atoms, at + used)) return err::stray;
  if (name[0] == 0) return 0;
  OSErr e = folder ? DeleteDirectory(kBootVolume, 0, name) : HDelete(kBootVolume, 0, name);
  if (e != noErr && e != fnfErr && e != dirNFErr) fileerrorresult(e);
  return 0;
}

// delete/clear of a chunk: the range with one adjacent delimiter is emptied.
scriptstatus deletechunk(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  chunkpart dest;
  i32 used = 0;
  if (i16 st = destination(path, text, atoms, at, variables, nilhandle, &used, &dest, 0, 0); st != 0) return st;
  if (!lineends(atoms, at + used)) {
    releasecontainer(&dest);
    return err::stray;
  }
  dest.addlines = 0;
  dest.additems = 0;
  if (dest.delcount < 0) {
    u32 back = u32(-i64(dest.delcount));
    dest.start = dest.start > back ? dest.start - back : 0;
  } else {
    dest.end += u32(dest.delcount);
  }
  fred empty;
  newfred(&empty, fredtemp, fredstring, 0);
  return pututil(&dest, &empty, tok::into);
}

}  // namespace

i16 scriptpath(fred* value, StringPtr out) {
  Size n = getfredsize(value);
  const u8* p = fredaddr(value);
  bool colon = n > 0 && std::memchr(p, ':', size_t(n)) != nullptr;
  bool slash = n > 0 && std::memchr(p, '/', size_t(n)) != nullptr;
  if (colon && !slash) {
    if (i16 st = copyfred(value); st != 0) return st;  // a variable keeps its own text
    if (i16 st = hfs2posixfred(value); st != 0) return st;
    n = getfredsize(value);
    p = fredaddr(value);
  }
  out[0] = 0;
  if (n > 255) return 0;  // no file can be named by it
  out[0] = u8(n);
  if (n > 0) std::memcpy(out + 1, p, size_t(n));
  return 0;
}

// `the result` tells a file-system error.
void fileerrorresult(OSErr e) {
  Str255 pattern, text;
  stringtostring(resultstr(resultfileerror), pattern);
  text[0] = 0;
  std::string number = std::to_string(int(e));
  for (int i = 1; i <= pattern[0]; ++i) {
    if (pattern[i] == '%' && i < pattern[0] && pattern[i + 1] == 'd') {
      pstrappend(text, 256, number.data(), number.size());
      ++i;
    } else {
      pstrappend(text, 256, &pattern[i], 1);
    }
  }
  stringtohand(text, mainglobals().result);
}

scriptstatus comget(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  fred value;
  i32 used = 0;
  // A single word that names a global property.
  if (!lineends(atoms, at + 1) && lineends(atoms, at + 2) && lowglobal(tokenat(atoms, at + 1), &value) == 0)
    return toit(variables, &value);
  i16 st = operand(path, text, atoms, at + 1, variables, false, &used, &value);
  if (st != 0) return st;
  if (!lineends(atoms, at + 1 + used)) {
    disposfred(&value);
    return err::stray;
  }
  return toit(variables, &value);
}

scriptstatus comput(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  fred value;
  i32 used = 0;
  // `put "…" after word`, the commonest way of building a text, adds the literal's characters
  // without making a value of them.
  const atomview first(atoms);
  if (first.tok(at + 1) == tok::stringatom && first.tok(at + 2) == tok::after && first.lineends(at + 4)) {
    bool done = false;
    i16 st = appendquotetoword(text, atoms, at + 1, at + 3, variables, &done);
    if (done) return st;
  }
  i16 st = operand(path, text, atoms, at + 1, variables, true, &used, &value);
  if (st != 0) return st;
  i32 i = at + 1 + used;
  const atomview view(atoms);  // the atoms may have moved while the value was made
  if (view.lineends(i)) {
    // The message box: its text, then "putMessage" even while messages are locked.
    st = setmsgtext(&value);
    disposfred(&value);
    if (st != 0) return st;
    WindowRef w = mainglobals().current.window;
    return w == nilid ? i16(0) : cardsend("putMessage", sendforced, w);
  }
  u16 prep = view.tok(i);
  if (!isprep(prep)) {
    disposfred(&value);
    return err::cantunderstand;
  }
  if (view.lineends(i + 2) && (prep == tok::after || prep == tok::into)) {
    bool done = false;
    st = prep == tok::after ? appendtoword(text, atoms, i + 1, variables, &value, &done)
                            : putintoword(text, atoms, i + 1, variables, &value, &done);
    if (done) return st;
  }
  chunkpart dest;
  st = destination(path, text, atoms, i + 1, variables, nilhandle, &used, &dest, 1, 0);
  if (st == 0 && !lineends(atoms, i + 1 + used)) {
    releasecontainer(&dest);
    st = err::stray;
  }
  if (st != 0) {
    disposfred(&value);
    return st;
  }
  return pututil(&dest, &value, prep);
}

scriptstatus computmsg(hierpath, Handle, Handle, i32, Handle) {
  // The message box shows the first line of the text it keeps.
  fred shown;
  Handle pending = mainglobals().msgpending;
  i16 st = pending == nilhandle ? newfred(&shown, fredtemp, fredstring, 0) : handtonewfred(pending, &shown);
  if (st == 0) drawmessage(&shown, 0);
  disposfred(&shown);
  return st;
}

scriptstatus comarith(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  u16 verb = tokenat(atoms, at);
  bool amountfirst = verb == tok::add || verb == tok::subtract;
  fred amount;
  chunkpart dest;
  i32 i = at + 1, used = 0;
  i16 st = 0;
  double by = 0, was = 0;
  // `add 1 to n`: a number literal (the commonest amount) is read from its atom's number.
  bool literal = amountfirst && numberliteralat(text, atoms, i, &by) &&
                 tokenat(atoms, i + 1) == (verb == tok::add ? u16(tok::to) : u16(tok::from));
  if (amountfirst) {
    if (literal) {
      newfred(&amount, fredtemp, fredstring, 0);
      i += 1;
    } else {
      if ((st = expression(path, text, atoms, i, variables, nilhandle, &used, &amount)) != 0) return st;
      i += used;
      if (tokenat(atoms, i) != (verb == tok::add ? u16(tok::to) : u16(tok::from))) {
        disposfred(&amount);
        return err::notoorof;
      }
    }
    st = destination(path, text, atoms, i + 1, variables, nilhandle, &used, &dest, 0, 0);
    if (st != 0) {
      disposfred(&amount);
      return st;
    }
    i += 1 + used;
  } else {
    if ((st = destination(path, text, atoms, i, variables, nilhandle, &used, &dest, 0, 0)) != 0) return st;
    i += used;
    if (tokenat(atoms, i) != tok::by) {
      releasecontainer(&dest);
      return err::noby;
    }
    st = expression(path, text, atoms, i + 1, variables, nilhandle, &used, &amount);
    if (st != 0) {
      releasecontainer(&dest);
      return st;
    }
    i += 1 + used;
  }
  if (!lineends(atoms, i)) st = err::stray;
  if (st == 0 && !literal) st = fredtodouble(&amount, &by) == err::nonumber ? i16(err::nonumber) : i16(0);
  disposfred(&amount);
  if (st == 0) st = containernumber(&dest, &was);
  if (st != 0) {
    releasecontainer(&dest);
    return st;
  }
  double r = verb == tok::add        ? was + by
             : verb == tok::subtract ? was - by
             : verb == tok::multiply ? was * by
                                     : was / by;
  fred result;
  doubletonewfred(r, &result);
  return pututil(&dest, &result, tok::into);
}

scriptstatus comdelete(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  u16 what = tokenat(atoms, at + 1);
  if (what == tok::file || what == tok::folder)
    return deletefromdisk(path, text, atoms, at + 2, variables, what == tok::folder);
  if (startschunk(atoms, at + 1)) return deletechunk(path, text, atoms, at + 1, variables);
  // Selected objects, a card, a window, a menu or the words of the editing tools.
  return comclear(path, text, atoms, at, variables);
}

}  // namespace kv
