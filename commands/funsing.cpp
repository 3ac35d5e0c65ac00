// Functions of one parameter: text conversions (case, hexadecimal, Base64, URL escapes),
// character codes, tests, the MD5 digest, the handler's parameters, random numbers, General
// MIDI names, evaluation of a text, and two questions about objects.
#include <cstring>
#include <string>

#include "commands/dispatch.h"
#include "commands/functions.h"
#include "commands/textfunctions.h"
#include "engine/containerutil.h"
#include "engine/encoding.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbers.h"
#include "engine/numbertext.h"
#include "engine/status.h"
#include "engine/textutil.h"
#include "engine/tokenizer.h"
#include "engine/tokens.h"
#include "engine/variables.h"
#include "media/tunes.h"
#include "platform/files/files.h"
#include "platform/files/pathforms.h"
#include "platform/memory/memory.h"
#include "platform/qd/random.h"
#include "platform/resources/resources.h"
#include "platform/sound/tunes.h"
#include "platform/text/casefold.h"
#include "platform/text/md5.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"
#include "core/memoryguard.h"
#include "store/objread.h"
#include "store/records.h"
#include "store/starfile.h"

namespace kv {

namespace {

constexpr i16 instrumentlist = 2000, resultbadescape = 113, statusnoallocator = 118;
constexpr i32 instrumentnames = 135;
constexpr i32 drumkits[] = {16385, 16393, 16401, 16409, 16410, 16429, 16433};
constexpr char hexdigits[] = "0123456789ABCDEF";

// The operand's text as a new handle; the operand is released.
i16 takentext(fred* v, Handle* out) {
  i16 st = fredtonewh(v, out);
  disposfred(v);
  return st;
}

// A handle's bytes become the answer (the handle is taken over).
void handresult(Handle h, fred* value) {
  newfred(value, fredtemp, fredstring, 0);
  givehandtofred(h, value);
}

// The operand's first 255 characters.
void shorttext(fred* v, StringPtr s) {
  Size n = getfredsize(v);
  s[0] = u8(n > 255 ? 255 : n);
  if (s[0] > 0) std::memcpy(s + 1, fredaddr(v), s[0]);
}

bool isspacechar(u8 c) { return c == ' ' || (c >= 9 && c <= 13); }

i16 hexvalue(u8 c) {
  if (c >= '0' && c <= '9') return i16(c - '0');
  if (c >= 'a' && c <= 'f') return i16(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return i16(c - 'A' + 10);
  return -1;
}

// upper, lower, title: the letters a-z and A-Z change; other bytes stay.
i16 changecase(u16 fn, fred* v, fred* value) {
  Handle h = nilhandle;
  if (i16 st = takentext(v, &h); st != 0) return st;
  u8* p = deref(h);
  Size n = GetHandleSize(h);
  auto up = [](u8 c) { return c >= 'a' && c <= 'z' ? u8(c - 32) : c; };
  bool start = true;
  for (Size i = 0; i < n; ++i) {
    if (fn == tok::upper) {
      p[i] = up(p[i]);
    } else if (fn == tok::lower) {
      p[i] = lowertable[p[i]];
    } else if (start) {
      // The first character, and the one after each space, whatever it is (a space after a
      // space is followed by a capital too).
      p[i] = up(p[i]);
      start = isspacechar(p[i]);
    } else if (isspacechar(p[i])) {
      start = true;
    } else {
      p[i] = lowertable[p[i]];
    }
  }
  handresult(h, value);
  return 0;
}

i16 stringtohex(fred* v, fred* value) {
  Size n = getfredsize(v);
  if (n > (0x7FFFFFFF - 20000) / 2 || memoryrefused(2 * n + 20000)) return err::nomemory;
  Handle h = NewHandle(2 * n);
  if (h == nilhandle) return err::nomemory;
  const u8* in = fredaddr(v);
  u8* out = deref(h);
  for (Size i = 0; i < n; ++i) {
    out[2 * i] = u8(hexdigits[in[i] >> 4]);
    out[2 * i + 1] = u8(hexdigits[in[i] & 15]);
  }
  disposfred(v);
  handresult(h, value);
  return 0;
}

i16 hextostring(fred* v, fred* value) {
  Size n = getfredsize(v);
  Handle h = NewHandle(n / 2);
  if (h == nilhandle) return err::nomemory;
  const u8* in = fredaddr(v);
  u8* out = deref(h);
  Size made = 0;
  i16 high = -1;
  if (n >= 2) {
    for (Size i = 0; i < n; ++i) {
      u8 c = in[i];
      if (c == 13 || c == 10 || c == ' ' || c == 9) continue;
      i16 d = hexvalue(c);
      if (d < 0) {
        DisposeHandle(h);
        return err::numberrange;
      }
      if (high < 0) {
        high = d;
      } else {
        out[made++] = u8(high << 4 | d);
        high = -1;
      }
    }
  }
  SetHandleSize(h, made);
  disposfred(v);
  handresult(h, value);
  return 0;
}

i16 base64(u16 fn, fred* v, fred* value) {
  Size n = getfredsize(v);
  if (fn == tok::encode) {
    if (n > 0x7FFFFFFF / 4 - 4 || memoryrefused(4 * n)) return err::nomemory;
    Handle h = NewHandle((n + 2) / 3 * 4 + 1);
    if (h == nilhandle) return err::nomemory;
    i32 made = HTUU_encode(fredaddr(v), n, deref(h));
    SetHandleSize(h, made);
    disposfred(v);
    handresult(h, value);
    return 0;
  }
  if (n > 0x7FFFFFFF - 4 || memoryrefused(n + 2)) return err::nomemory;
  Handle in = NewHandle(n + 1), out = NewHandle(n / 4 * 3 + 3);
  if (in == nilhandle || out == nilhandle) {
    if (in != nilhandle) DisposeHandle(in);
    if (out != nilhandle) DisposeHandle(out);
    return err::nomemory;
  }
  if (n > 0) std::memcpy(deref(in), fredaddr(v), size_t(n));
  deref(in)[n] = 0;
  i32 made = HTUU_decode(deref(in), deref(out), GetHandleSize(out));
  DisposeHandle(in);
  SetHandleSize(out, made);
  disposfred(v);
  handresult(out, value);
  return 0;
}

i16 digest(fred* v, fred* value) {
  u8 sum[kMD5Length];
  md5digest(fredaddr(v), size_t(getfredsize(v)), sum);
  disposfred(v);
  static constexpr char lower[] = "0123456789abcdef";
  char text[2 * kMD5Length];
  for (size_t i = 0; i < kMD5Length; ++i) {
    text[2 * i] = lower[sum[i] >> 4];
    text[2 * i + 1] = lower[sum[i] & 15];
  }
  return charstonewfred(text, sizeof text, value);
}

// The characters that may stand in a URL as they are.
bool urlchar(u8 c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  return c != 0 && std::strchr("!$&'()*+,-./:;=?@_~#", c) != nullptr;
}

i16 urlencode(fred* v, fred* value) {
  Str255 s, out;
  shorttext(v, s);
  disposfred(v);
  out[0] = 0;
  for (int i = 1; i <= s[0] && out[0] < 255; ++i) {
    u8 c = s[i];
    if (urlchar(c)) {
      out[++out[0]] = c;
      continue;
    }
    u8 escape[3] = {'%', u8(hexdigits[c >> 4]), u8(hexdigits[c & 15])};
    for (u8 e : escape)
      if (out[0] < 255) out[++out[0]] = e;
  }
  return stringtonewfred(out, value);
}

i16 urldecode(fred* v, fred* value) {
  Str255 s, out;
  shorttext(v, s);
  out[0] = 0;
  for (int i = 1; i <= s[0]; ++i) {
    if (s[i] != '%') {
      out[++out[0]] = s[i];
      continue;
    }
    i16 high = i + 2 <= s[0] ? hexvalue(s[i + 1]) : -1, low = i + 2 <= s[0] ? hexvalue(s[i + 2]) : -1;
    if (high < 0 || low < 0) {
      // An escape that cannot be decoded: the text comes back as it is.
      stringtohand(resultstr(resultbadescape), mainglobals().result);
      *value = *v;
      return 0;
    }
    out[++out[0]] = u8(high << 4 | low);
    i += 2;
  }
  disposfred(v);
  return stringtonewfred(out, value);
}

// `value`: the text evaluated as an expression in the caller's context.
scriptstatus evaluatetext(hierpath path, Handle variables, fred* v, fred* value) {
  Handle text = nilhandle, atoms = nilhandle;
  i16 st = fredtonewh(v, &text);
  if (st == 0) st = tokenize(text, &atoms);
  if (st == 0 && tokenat(atoms, 0) == tok::endofline) {
    disposfred(v);
    newfred(value, fredtemp, fredstring, 0);
  } else if (st == 0) {
    i32 used = 0;
    fred answer;
    st = expression(path, text, atoms, 0, variables, nilhandle, &used, &answer);
    if (st == 0 && tokenat(atoms, used) != tok::endofline) {
      // Words left after the expression: the text is its own value.
      disposfred(&answer);
      *value = *v;
    } else if (st == 0) {
      disposfred(v);
      st = copyfred(&answer);
      *value = answer;
      if (st != 0) disposfred(value);
    }
  }
  if (st != 0) disposfred(v);
  if (atoms != nilhandle) DisposeHandle(atoms);
  if (text != nilhandle) DisposeHandle(text);
  return st;
}

// `param(n)`: entry n of the handler's arguments (0 the message name); empty when none.
i16 parameter(Handle variables, i32 n, fred* value) {
  if (n < 0) return err::cantunderstand;
  for (Size i = 0; variables != nilhandle && i < HandleCount<varentry>(variables); ++i) {
    const varentry& e = HandleAs<varentry>(variables)[i];
    if (e.state != n) continue;
    *value = *HandleAs<fred>(e.value);  // a working copy, turned into a copy of its own
    i16 st = copyfred(value);
    if (st != 0) newfred(value, fredtemp, fredstring, 0);
    return st;
  }
  return newfred(value, fredtemp, fredstring, 0);
}

i16 midinametonum(fred* v, fred* value) {
  Str255 name, entry;
  shorttext(v, name);
  disposfred(v);
  for (i32 i = 1; i <= instrumentnames; ++i) {
    GetIndString(entry, instrumentlist, i16(i));
    if (entry[0] == 0 || !myequalstring(entry, name)) continue;
    longtonewfred(i <= 128 ? i : drumkits[i - 129], value);
    return 0;
  }
  longtonewfred(0, value);
  return 0;
}

// The note allocator's instrument name of a General MIDI number: 118 when the tune services
// cannot be opened or have no such instrument.
i16 midinumtoname(fred* v, fred* value) {
  i32 n = 0;
  i16 st = fredtolong(v, &n);
  disposfred(v);
  if (st != 0) return st;
  if (opentunecomponents() != 0) return statusnoallocator;
  tonedescription tone{};
  if (NAStuffToneDescription(n, &tone) != noErr) return statusnoallocator;
  return stringtonewfred(tone.instrumentName.b, value);
}

// hfsToPosix and posixToHFS.
i16 convertpath(bool toposix, fred* v, fred* value) {
  Handle h = nilhandle;
  i16 st = fredtonewh(v, &h);
  disposfred(v);
  if (st != 0) return st;
  std::string text(reinterpret_cast<const char*>(deref(h)), size_t(GetHandleSize(h)));
  DisposeHandle(h);
  text = expandhome(text);
  const std::string out = text.empty() ? text : toposix ? colonpathtoposix(text) : posixtocolonpath(text);
  return charstonewfred(out.data(), Size(out.size()), value);
}

// supportsExclusiveFileAccess: a volume name or a path; 186 when it names nothing.
i16 exclusiveaccess(fred* v, fred* value) {
  Str255 s;
  shorttext(v, s);
  disposfred(v);
  std::string text = expandhome(std::string(pstringview(s)));
  if (text.empty()) return err::nodocument;
  if (text.find('/') == std::string::npos) {
    if (text.find(':') == std::string::npos && text.size() < 254) text += ':';
    text = colonpathtoposix(text);
  }
  bool exists = false;
  const bool locks = takesexclusivelocks(text, &exists);
  if (!exists) return err::nodocument;
  booltonewfred(locks ? 1 : 0, value);
  return 0;
}

// isControl and projPath read an object reference: after "of", or inside parentheses.
scriptstatus objectquestion(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count,
                            fred* value) {
  funhead h = readhead(atoms, at);
  u16 next = tokenat(atoms, h.word + 1);
  bool paren = next == tok::leftparen;
  if (next != tok::in && (h.the || !paren)) return h.the ? err::noof : err::noparens;
  objread obj{};
  i32 used = 0;
  if (i16 st = scanobj(path, text, atoms, h.word + 2, variables, &used, &obj); st != 0) return st;
  i32 end = h.word + 2 + used;
  i16 st = 0;
  if (paren && tokenat(atoms, end++) != tok::rightparen) st = err::noparen;
  if (st == 0 && h.token == tok::iscontrol) {
    bool control = false;
    if (obj.kind == objpart && obj.objects != nilhandle && obj.objindex >= 0 &&
        obj.objindex < HandleCount<spot>(obj.objects)) {
      spot s = loadat<spot>(deref(obj.objects) + size_t(obj.objindex) * sizeof(spot));
      control = (u32(s.flags) & spotplatformcontrol) != 0;
    }
    booltonewfred(control ? 1 : 0, value);
  } else if (st == 0) {
    const projectstore* store = findprojectstore(obj.d.store);
    std::string folder;
    if (store == nullptr || pathoffolder(store->dirid, &folder) != noErr) folder.clear();
    st = charstonewfred(folder.data(), Size(folder.size()), value);
  }
  writeobj(&obj);
  if (st == 0) *count = end - at;
  return st;
}

}  // namespace

scriptstatus funsing(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value) {
  *count = 0;
  u16 fn = readhead(atoms, at).token;
  switch (fn) {
    case tok::audiotrackinfo: return err::notbuilt;
    case tok::iscontrol:
    case tok::projpath: return objectquestion(path, text, atoms, at, variables, count, value);
    default: break;
  }
  fred v;
  i32 used = 0;
  if (i16 st = singleoperand(path, text, atoms, at, variables, &used, &v); st != 0) return st;
  i16 st = 0;
  switch (fn) {
    case tok::length:
      readlength(&v);
      *value = v;
      break;
    case tok::chartonum:
      longtonewfred(getfredsize(&v) > 0 ? fredaddr(&v)[0] : 0, value);
      disposfred(&v);
      break;
    case tok::numtochar: {
      i32 n = 0;
      st = fredtolong(&v, &n);
      disposfred(&v);
      u8 s[2] = {1, u8(n)};
      if (st == 0) st = stringtonewfred(s, value);
      break;
    }
    case tok::upper:
    case tok::lower:
    case tok::title: st = changecase(fn, &v, value); break;
    case tok::stringtohex: st = stringtohex(&v, value); break;
    case tok::hextostring: st = hextostring(&v, value); break;
    case tok::encode:
    case tok::decode: st = base64(fn, &v, value); break;
    case tok::digest: st = digest(&v, value); break;
    case tok::urlencode: st = urlencode(&v, value); break;
    case tok::urldecode: st = urldecode(&v, value); break;
    case tok::isnumber:
    case tok::isreservedword: {
      Str255 s;
      shorttext(&v, s);
      disposfred(&v);
      double d = 0;
      bool yes = s[0] != 0 && (fn == tok::isnumber ? stringtodouble(s, &d) != err::nonumber : badname(s) != 0);
      booltonewfred(yes ? 1 : 0, value);
      break;
    }
    case tok::value: st = evaluatetext(path, variables, &v, value); break;
    case tok::merge:
      if ((st = merge(path, variables, &v)) == 0) *value = v;
      break;
    case tok::param:
    case tok::random: {
      i32 n = 0;
      st = fredtolong(&v, &n);
      disposfred(&v);
      if (st == 0 && fn == tok::param) st = parameter(variables, n, value);
      if (st == 0 && fn == tok::random) {
        if (n < 0) {
          st = err::cantunderstand;
        } else {
          i32 r = Random();
          longtonewfred(i32(double(r < 0 ? -r : r) * double(n) / 32768.0 + 1.0), value);
        }
      }
      break;
    }
    case tok::midinametonum: st = midinametonum(&v, value); break;
    case tok::midinumtoname: st = midinumtoname(&v, value); break;
    case tok::hfstoposix:
    case tok::posixtohfs: st = convertpath(fn == tok::hfstoposix, &v, value); break;
    case tok::supportsexclusivefileaccess: st = exclusiveaccess(&v, value); break;
    default:
      disposfred(&v);
      st = err::nosuchfunction;
      break;
  }
  if (st != 0) {
    disposfred(&v);  // harmless when already released
    return st;
  }
  *count = used;
  return 0;
}

}  // namespace kv
