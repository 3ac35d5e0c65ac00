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
#include "store/memoryguard.h"
#include "store/objread.h"
#include "store/records.h"
#include "store/starfile.h"

namespace kv {

namespace {

enum : u16 {
  fnAudioTrackInfo = 3011,
  fnCharToNum = 3017,
  fnDecode = 3036,
  fnDigest = 3039,
  fnEncode = 3043,
  fnHexToString = 3065,
  fnHfsToPosix = 3066,
  fnIsControl = 3072,
  fnIsNumber = 3073,
  fnIsReservedWord = 3074,
  fnLength = 3075,
  fnLower = 3081,
  fnMerge = 3088,
  fnMidiNameToNum = 3090,
  fnMidiNumToName = 3091,
  fnNumToChar = 3103,
  fnParam = 3110,
  fnPosixToHFS = 3117,
  fnProjPath = 3131,
  fnRandom = 3139,
  fnStringToHex = 3170,
  fnSupportsExclusiveFileAccess = 3172,
  fnTitle = 3179,
  fnUpper = 3182,
  fnURLDecode = 3183,
  fnURLEncode = 3184,
  fnValue = 3186,
};

constexpr i16 statusbadvalue = 2, statusnotavailable = 124, statusbadhex = 209, statusnovolume = 186;
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
    if (fn == fnUpper) {
      p[i] = up(p[i]);
    } else if (fn == fnLower) {
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
  if (n > (0x7FFFFFFF - 20000) / 2 || memoryrefused(2 * n + 20000)) return statusnomemory;
  Handle h = NewHandle(2 * n);
  if (h == nilhandle) return statusnomemory;
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
  if (h == nilhandle) return statusnomemory;
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
        return statusbadhex;
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
  if (fn == fnEncode) {
    if (n > 0x7FFFFFFF / 4 - 4 || memoryrefused(4 * n)) return statusnomemory;
    Handle h = NewHandle((n + 2) / 3 * 4 + 1);
    if (h == nilhandle) return statusnomemory;
    i32 made = HTUU_encode(fredaddr(v), n, deref(h));
    SetHandleSize(h, made);
    disposfred(v);
    handresult(h, value);
    return 0;
  }
  if (n > 0x7FFFFFFF - 4 || memoryrefused(n + 2)) return statusnomemory;
  Handle in = NewHandle(n + 1), out = NewHandle(n / 4 * 3 + 3);
  if (in == nilhandle || out == nilhandle) {
    if (in != nilhandle) DisposeHandle(in);
    if (out != nilhandle) DisposeHandle(out);
    return statusnomemory;
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
i16 evaluatetext(hierpath path, Handle variables, fred* v, fred* value) {
  Handle text = nilhandle, atoms = nilhandle;
  i16 st = fredtonewh(v, &text);
  if (st == 0) st = tokenize(text, &atoms);
  if (st == 0 && tokenat(atoms, 0) == tokEndOfLine) {
    disposfred(v);
    newfred(value, fredtemp, fredstring, 0);
  } else if (st == 0) {
    i32 used = 0;
    fred answer;
    st = expression(path, text, atoms, 0, variables, nilhandle, &used, &answer);
    if (st == 0 && tokenat(atoms, used) != tokEndOfLine) {
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
  if (n < 0) return statusbadvalue;
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
  if (text.empty()) return statusnovolume;
  if (text.find('/') == std::string::npos) {
    if (text.find(':') == std::string::npos && text.size() < 254) text += ':';
    text = colonpathtoposix(text);
  }
  bool exists = false;
  const bool locks = takesexclusivelocks(text, &exists);
  if (!exists) return statusnovolume;
  booltonewfred(locks ? 1 : 0, value);
  return 0;
}

// isControl and projPath read an object reference: after "of", or inside parentheses.
i16 objectquestion(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value) {
  funhead h = readhead(atoms, at);
  u16 next = tokenat(atoms, h.word + 1);
  bool paren = next == tokLeftParen;
  if (next != tokOf && (h.the || !paren)) return h.the ? statusfunctionof : statusfunctionparen;
  objread obj{};
  i32 used = 0;
  if (i16 st = scanobj(path, text, atoms, h.word + 2, variables, &used, &obj); st != 0) return st;
  i32 end = h.word + 2 + used;
  i16 st = 0;
  if (paren && tokenat(atoms, end++) != tokRightParen) st = statusfunctionclose;
  if (st == 0 && h.token == fnIsControl) {
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

i16 funsing(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value) {
  *count = 0;
  u16 fn = readhead(atoms, at).token;
  switch (fn) {
    case fnAudioTrackInfo: return statusnotavailable;
    case fnIsControl:
    case fnProjPath: return objectquestion(path, text, atoms, at, variables, count, value);
    default: break;
  }
  fred v;
  i32 used = 0;
  if (i16 st = singleoperand(path, text, atoms, at, variables, &used, &v); st != 0) return st;
  i16 st = 0;
  switch (fn) {
    case fnLength:
      readlength(&v);
      *value = v;
      break;
    case fnCharToNum:
      longtonewfred(getfredsize(&v) > 0 ? fredaddr(&v)[0] : 0, value);
      disposfred(&v);
      break;
    case fnNumToChar: {
      i32 n = 0;
      st = fredtolong(&v, &n);
      disposfred(&v);
      u8 s[2] = {1, u8(n)};
      if (st == 0) st = stringtonewfred(s, value);
      break;
    }
    case fnUpper:
    case fnLower:
    case fnTitle: st = changecase(fn, &v, value); break;
    case fnStringToHex: st = stringtohex(&v, value); break;
    case fnHexToString: st = hextostring(&v, value); break;
    case fnEncode:
    case fnDecode: st = base64(fn, &v, value); break;
    case fnDigest: st = digest(&v, value); break;
    case fnURLEncode: st = urlencode(&v, value); break;
    case fnURLDecode: st = urldecode(&v, value); break;
    case fnIsNumber:
    case fnIsReservedWord: {
      Str255 s;
      shorttext(&v, s);
      disposfred(&v);
      double d = 0;
      bool yes = s[0] != 0 && (fn == fnIsNumber ? stringtodouble(s, &d) != statusnotnumber : badname(s) != 0);
      booltonewfred(yes ? 1 : 0, value);
      break;
    }
    case fnValue: st = evaluatetext(path, variables, &v, value); break;
    case fnMerge:
      if ((st = merge(path, variables, &v)) == 0) *value = v;
      break;
    case fnParam:
    case fnRandom: {
      i32 n = 0;
      st = fredtolong(&v, &n);
      disposfred(&v);
      if (st == 0 && fn == fnParam) st = parameter(variables, n, value);
      if (st == 0 && fn == fnRandom) {
        if (n < 0) {
          st = statusbadvalue;
        } else {
          i32 r = Random();
          longtonewfred(i32(double(r < 0 ? -r : r) * double(n) / 32768.0 + 1.0), value);
        }
      }
      break;
    }
    case fnMidiNameToNum: st = midinametonum(&v, value); break;
    case fnMidiNumToName: st = midinumtoname(&v, value); break;
    case fnHfsToPosix:
    case fnPosixToHFS: st = convertpath(fn == fnHfsToPosix, &v, value); break;
    case fnSupportsExclusiveFileAccess: st = exclusiveaccess(&v, value); break;
    default:
      disposfred(&v);
      st = statusnofunction;
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
