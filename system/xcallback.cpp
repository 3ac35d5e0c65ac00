// The dispatch of the callback requests of classic externals, and the requests that are
// served here: messages, evaluation and commands, texts and numbers, globals, the service
// table and the call's error word (see xcallback.h).
#include "system/xcallback.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "commands/define.h"
#include "engine/chunks.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/numbers.h"
#include "engine/numbertext.h"
#include "engine/objectsend.h"
#include "engine/scripterrors.h"
#include "engine/sendmes.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"
#include "system/externals.h"
#include "system/externalstate.h"
#include "system/proctable.h"
#include "system/xresources.h"
#include "system/xservices.h"

namespace kv {

namespace {

constexpr u8 kSendMode = 3;

kv_paramblock& block() { return xstate().xcmd; }

template <class T>
T* at(int word) {
  return reinterpret_cast<T*>(static_cast<std::uintptr_t>(block().in[word]));
}

ConstStringPtr pascalin(int word) { return at<const u8>(word); }
const char* cstringin(int word) { return at<const char>(word); }

// Writes a text into the length-prefixed buffer in input word `word`.
void textout(int word, std::string_view text) {
  StringPtr out = at<u8>(word);
  if (out == nullptr) {
    block().result = 1;
    return;
  }
  std::size_t n = std::min<std::size_t>(text.size(), 255);
  out[0] = u8(n);
  std::memcpy(out + 1, text.data(), n);
}

// A new text handle (the characters and a zero byte) into output word 0.
void handleout(const void* bytes, Size n) {
  kv_paramblock& b = block();
  Handle h = NewHandle(n + 1);
  if (h == nilhandle) {
    b.result = 1;
    return;
  }
  if (n > 0) std::memcpy(deref(h), bytes, std::size_t(n));
  deref(h)[n] = 0;
  b.out[0] = h;
}

// Request 1: the text sent as a message along the current card's path with the caller's
// variables; leaving every handler counts as done.
void sendmessage() {
  ConstStringPtr text = pascalin(0);
  i16 st = 1;
  if (text != nullptr) {
    Handle vars = xstate().context.vars;
    savedxcall keep;
    st = xcomsend(pstringview(text), vars, kSendMode);
  }
  block().result = st != 0 && st != statusexittotop ? 1 : 0;
}

// Request 2: the text evaluated in the caller's context into a new text handle. An unknown
// word taken as its own text fails.
void evaluate() {
  ConstStringPtr text = pascalin(0);
  Handle out = nilhandle;
  i16 st = 1;
  if (text != nullptr) {
    ExternalState& x = xstate();
    hierpath path = x.context.hier;
    Handle vars = x.context.vars;
    savedxcall keep;
    tokenised t(text);
    st = t.status;
    if (st == 0) {
      MainGlobals& g = mainglobals();
      i32 literals = g.unquotedliterals;
      fred v{};
      i32 used = 0;
      st = expression(path, t.text, t.atoms, 0, vars, nilhandle, &used, &v);
      if (st == 0 && g.unquotedliterals != literals) st = 1;
      if (st == 0) st = fredtonewh(&v, &out);
      if (st == 0 && appendcharhand(out, 0) != 0) st = err::nomemory;
      disposfred(&v);
    }
  }
  kv_paramblock& b = block();
  if (st != 0 && out != nilhandle) DisposeHandle(out);
  b.out[0] = st == 0 ? out : 0;
  b.result = st != 0 ? 1 : 0;
}

// Request 5: the text run as one command: first offered to the externals, then the built-in.
void runcommand() {
  ConstStringPtr text = pascalin(0);
  i16 st = 1;
  Handle message = nilhandle;
  if (text != nullptr && PtrToHand(text + 1, &message, text[0]) == noErr) {
    ExternalState& x = xstate();
    hierpath path = x.context.hier;
    Handle vars = x.context.vars;
    savedxcall keep;
    st = hypesend(path, vars, message);
    DisposeHandle(message);
  }
  block().result = st != 0 ? 1 : 0;
}

// Request 9: an unsigned decimal of digits and blanks; anything else, or more than 32 bits,
// is no integer (13).
void unsignedvalue() {
  kv_paramblock& b = block();
  ConstStringPtr text = pascalin(0);
  if (text == nullptr) {
    b.result = 1;
    return;
  }
  u64 value = 0;
  for (u8 i = 1; i <= text[0]; ++i) {
    u8 c = text[i];
    if (c == ' ') continue;
    if (c < '0' || c > '9' || (value = value * 10 + u64(c - '0')) > 0xFFFFFFFFu) {
      b.result = err::nointeger;
      return;
    }
  }
  b.out[0] = value;
}

// Request 15: the number as eight upper-case hexadecimal digits, the last `count` (1-8) of
// them.
void hexdigits() {
  kv_paramblock& b = block();
  u16 count = u16(b.in[1]);
  if (count < 1 || count > 8) {
    b.result = 1;
    return;
  }
  char digits[9];
  std::snprintf(digits, sizeof digits, "%08X", unsigned(u32(b.in[0])));
  textout(2, std::string_view(digits + 8 - count, count));
}

// Request 18: out[0] a new text handle with the global's value (just the zero byte for none).
void getglobal() {
  fred v{};
  Handle h = nilhandle;
  i16 st = 0;
  if (globalvalue(pascalin(0), &v) == 0) {
    st = fredtonewh(&v, &h);
    disposfred(&v);
  } else if ((h = NewHandle(0)) == nilhandle) {
    st = err::nomemory;
  }
  if (st == 0 && appendcharhand(h, 0) != 0) st = err::nomemory;
  kv_paramblock& b = block();
  if (st != 0) {
    if (h != nilhandle) DisposeHandle(h);
    b.result = 1;
    return;
  }
  b.out[0] = h;
}

// Request 19: the global set to the text of the handle in in[1] (before its zero byte).
void setglobal() {
  kv_paramblock& b = block();
  fred v{};
  i16 st = handlevalue(Handle(b.in[1]), &v);
  if (st == 0) st = setglobalvalue(pascalin(0), &v);
  disposfred(&v);
  if (st != 0) b.result = 1;
}

// Requests 27 (to the first return or zero byte) and 8 (to the zero byte): the characters of
// a zero-terminated text, at most 255, into the length-prefixed buffer in in[1].
void linetopascal(bool stopatreturn) {
  const char* text = cstringin(0);
  if (text == nullptr) {
    block().result = 1;
    return;
  }
  std::size_t n = 0;
  while (n < 255 && text[n] != 0 && !(stopatreturn && text[n] == '\r')) ++n;
  textout(1, std::string_view(text, n));
}

// Requests 28 and 39: the character pointer at in[0] moved on to the next return (28) or zero
// byte.
void scanto(bool stopatreturn) {
  const char** cursor = at<const char*>(0);
  if (cursor == nullptr || *cursor == nullptr) {
    block().result = 1;
    return;
  }
  const char* p = *cursor;
  while (*p != 0 && !(stopatreturn && *p == '\r')) ++p;
  *cursor = p;
}

// Request 4502: selector -1 the version 1; 2 the service table (out[1]): carbonprocs for a
// block whose entry point is the runtime's own callback, else cfmprocs. The main global
// record is not given out (out[0] 0).
void globaladdresses(bool owncallback) {
  kv_paramblock& b = block();
  i32 selector = i32(b.in[0]);
  if (selector == -1) {
    b.out[0] = 1;
  } else if (selector == 2) {
    const u64* table = owncallback ? fillcarbonprocs() : cfmprocs();
    b.out[0] = 0;
    b.out[1] = u64(reinterpret_cast<std::uintptr_t>(table));
    b.out[2] = b.out[3] = 0;
  } else {
    forcetrace();
  }
}

}  // namespace

void PxcmdRTcallback() {
  kv_paramblock& b = block();
  bool owncallback = b.entrypoint == u64(reinterpret_cast<std::uintptr_t>(&PxcmdRTcallback));
  GrafPtr port = nilid;
  GetPort(&port);
  b.result = 0;
  switch (i16(b.request)) {
    case 1: sendmessage(); break;
    case 2: evaluate(); break;
    case 3:
      if (const char* s = cstringin(0)) b.out[0] = std::strlen(s);
      else b.result = 1;
      break;
    case 4: {
      ConstStringPtr pattern = pascalin(0);
      const char* s = cstringin(1);
      if (pattern == nullptr || s == nullptr) {
        b.result = 1;
        break;
      }
      i32 found = stringoff(reinterpret_cast<const u8*>(s), i32(std::strlen(s)), pattern + 1, pattern[0]);
      b.out[0] = found > 0 ? b.in[1] + u64(found - 1) : 0;
      break;
    }
    case 5: runcommand(); break;
    case 6:
      if (u8* p = at<u8>(0)) std::memset(p, 0, u32(b.in[1]));
      else if (u32(b.in[1]) != 0) b.result = 1;
      break;
    case 7:
      if (ConstStringPtr s = pascalin(0)) handleout(s + 1, s[0]);
      else b.result = 1;
      break;
    case 8: linetopascal(false); break;
    case 9: unsignedvalue(); break;
    case 10: {
      i32 n = 0;
      b.out[0] = 0;
      if (pascalin(0) == nullptr || stringtolong(pascalin(0), &n) != 0) b.result = 1;
      else b.out[0] = u64(i64(n));
      break;
    }
    case 11: {
      u16 flag = 0;
      b.out[0] = 0;
      if (pascalin(0) == nullptr || stringtobool(pascalin(0), &flag) != 0) b.result = 1;
      else b.out[0] = flag != 0 ? ~u64(0) : 0;
      break;
    }
    case 12:
    case 17: break;
    case 13: {
      Str255 text;
      doubletostring(double(u32(b.in[0])), text);
      textout(1, pstringview(text));
      break;
    }
    case 14: {
      Str255 text;
      longtostring(i32(b.in[0]), text);
      textout(1, pstringview(text));
      break;
    }
    case 15: hexdigits(); break;
    case 16: textout(1, u16(b.in[0]) != 0 ? "true" : "false"); break;
    case 18: getglobal(); break;
    case 19: setglobal(); break;
    case 20: getfield(objectkey::name); break;
    case 21: getfield(objectkey::number); break;
    case 22: getfield(objectkey::id); break;
    case 23: pututility(objectkey::name); break;
    case 24: pututility(objectkey::number); break;
    case 25: pututility(objectkey::id); break;
    case 26:
      if (pascalin(0) == nullptr || pascalin(1) == nullptr) b.result = 1;
      else b.out[0] = myequalstring(pascalin(0), pascalin(1)) ? ~u64(0) : 0;
      break;
    case 27: linetopascal(true); break;
    case 28: scanto(true); break;
    case 39: scanto(false); break;
    case 4500: getread(); break;
    case 4501: putread(); break;
    case 4502: globaladdresses(owncallback); break;
    case 4503: installpdata(); break;
    case 4504: b.out[0] = u64(reinterpret_cast<std::uintptr_t>(xstate().context.varlist)); break;
    case 5000: lowpix(objectkey::name); break;
    case 5001: lowpix(objectkey::id); break;
    case 5002: lowpix(objectkey::number); break;
    case 5003: addstarx(); break;
    case 5004: getstarx(true); break;
    case 5005: getstarx(false); break;
    case 5006: delstarx(true); break;
    case 5007: delstarx(false); break;
    case 5008: altstarx(true); break;
    case 5009: altstarx(false); break;
    case 5010: countstarx(); break;
    case 5011: indstarx(); break;
    case 5012: xstate().errorcode = i32(b.in[0]); break;
    case 5013: renumstarx(); break;
    case 5014: defineuprop(tok::define); break;
    case 5015: defineuprop(tok::undefine); break;
    case 5016: getuprop(false); break;
    case 5017: setuprop(false); break;
    case 5018: upropcount(); break;
    case 5019: getuprop(true); break;
    case 5020: setuprop(true); break;
    case 5021: upropnametoidx(); break;
    case 5022: upropidxtoname(); break;
    case 5023: setstarname(); break;
    default: b.result = 2; break;
  }
  SetPort(port);
}

}  // namespace kv
