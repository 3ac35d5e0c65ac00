// Text and field functions: merge, doAsMsg, errorText, textHeightSum, and the description of
// the open field and the card lists they and the functions without parameters answer with.
#include "commands/textfunctions.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "commands/dispatch.h"
#include "commands/functions.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/objectsend.h"
#include "engine/objectutil.h"
#include "engine/sendmes.h"
#include "engine/status.h"
#include "engine/textutil.h"
#include "engine/tokenizer.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "platform/resources/resources.h"
#include "platform/text/pstring.h"
#include "core/dialogs.h"
#include "core/mainglobals.h"
#include "shell/windtable.h"
#include "store/objects.h"
#include "store/objread.h"
#include "store/refparse.h"
#include "store/reftexts.h"
#include "tools/measuretext.h"

namespace kv {

namespace {

constexpr i32 kMergeDepth = 64;  // brackets nested deeper are left as text
constexpr i16 kScriptErrors = 1002;

// A text tokenised for evaluation; both handles released with it.
struct tokenised {
  Handle text = nilhandle;
  Handle atoms = nilhandle;
  i16 status = 0;
  explicit tokenised(std::string_view s) {
    if (PtrToHand(s.data(), &text, Size(s.size())) != noErr) {
      status = err::nomemory;
      return;
    }
    status = tokenize(text, &atoms);
  }
  tokenised(const tokenised&) = delete;
  tokenised& operator=(const tokenised&) = delete;
  ~tokenised() {
    if (atoms != nilhandle) DisposeHandle(atoms);
    if (text != nilhandle) DisposeHandle(text);
  }
};

bool lineends(Handle atoms, i32 i) {
  u16 t = tokenat(atoms, i);
  return t == tok::endofline || t == tok::endofscript;
}

// Evaluates a text as one whole expression: 0 with the value's text in *out; otherwise the
// expression's error, 19 for words left over, or 37.
scriptstatus evaluatewhole(hierpath path, Handle variables, std::string_view source, std::string* out) {
  tokenised t(source);
  if (t.status != 0) return t.status;
  fred v;
  i32 used = 0;
  i16 st = expression(path, t.text, t.atoms, 0, variables, nilhandle, &used, &v);
  if (st != 0) return st;
  if (!lineends(t.atoms, used)) st = err::stray;
  if (st == 0) st = formatfred(&v, fredhand);
  if (st == 0) out->assign(reinterpret_cast<const char*>(fredaddr(&v)), size_t(getfredsize(&v)));
  disposfred(&v);
  return st;
}

// The text of a handle from `from` to `to` as a string.
std::string bytesof(Handle h, i32 from, i32 to) {
  return std::string(reinterpret_cast<const char*>(deref(h)) + from, size_t(to - from));
}

// The length of the merge text (less its two trailing zero bytes).
i32 mergelength(Handle h) { return i32(GetHandleSize(h)) - 2; }

}  // namespace

scriptstatus mungehandle(hierpath path, Handle variables, i32* offset, Handle text, i32 depth) {
  const i32 start = *offset;
  i32 i = start + 2;
  while (i < mergelength(text)) {
    u8* p = deref(text);
    if (p[i] == '`') {
      p[i] = '"';
      ++i;
    } else if (p[i] == '[' && p[i + 1] == '[' && depth < kMergeDepth) {
      i32 inner = i;
      if (i16 st = mungehandle(path, variables, &inner, text, depth + 1); st != 0) return st;
      i = inner;
    } else if (p[i] == ']' && p[i + 1] == ']') {
      std::string value;
      i16 st = evaluatewhole(path, variables, bytesof(text, start + 2, i), &value);
      if (st == err::nomemory) return st;
      if (st == 0) {
        if ((st = doinsert(text, start, i + 2, value.data(), i32(value.size()))) != 0) return st;
        *offset = start + i32(value.size());
      } else {
        deref(text)[start + 1] = '?';
        deref(text)[i] = '?';
        *offset = i + 2;
      }
      return 0;
    } else {
      ++i;
    }
  }
  *offset = mergelength(text);
  return 0;
}

scriptstatus merge(hierpath path, Handle variables, fred* value) {
  Handle h = nilhandle;
  if (i16 st = fredtonewh(value, &h); st != 0) return st;
  static constexpr u8 zeros[2] = {0, 0};
  if (PtrAndHand(zeros, h, 2) != noErr) {
    DisposeHandle(h);
    return err::nomemory;
  }
  i32 i = 0;
  while (i < mergelength(h)) {
    u8* p = deref(h);
    if (p[i] == '`') {
      p[i] = '"';
      ++i;
    } else if (p[i] == '[' && p[i + 1] == '[') {
      i32 at = i;
      if (i16 st = mungehandle(path, variables, &at, h, 1); st != 0) {
        DisposeHandle(h);
        return st;
      }
      i = at;
    } else {
      ++i;
    }
  }
  SetHandleSize(h, mergelength(h));
  disposfred(value);
  newfred(value, fredtemp, fredstring, 0);
  givehandtofred(h, value);
  return 0;
}

void getfieldstring(StringPtr out) {
  const MainGlobals& g = mainglobals();
  desk d{};
  bool shown = g.openfieldwindow != nilid && getwind(g.openfieldwindow, &d) != 0;
  bool card = shown && g.openfieldspots != nilhandle && g.openfieldspots == d.cardspots;
  i32 number = 0;
  if (g.openfield >= 0 && g.openfieldspots != nilhandle) {
    i32 last = std::min<i32>(g.openfield, i32(HandleCount<spot>(g.openfieldspots)) - 1);
    for (i32 i = 0; i <= last; ++i)
      if (spotat(g.openfieldspots, i).kind == spotfield) ++number;
  }
  Str255 window;
  window[0] = 0;
  if (shown) {
    objread obj{};
    obj.kind = objwindow;
    obj.d = d;
    buildwindid(&obj, tok::long_, window);
  }
  char head[64];
  int n = std::snprintf(head, sizeof head, "%s field %d of ", card ? "card" : "bkgnd", int(number));
  out[0] = 0;
  pstrappend(out, 256, head, size_t(n > 0 ? n : 0));
  pstrappend(out, 256, window + 1, window[0]);
}

i16 stacktofred(Handle list, fred* value) {
  if (i16 st = charstonewfred(nullptr, 0, value); st != 0) return st;
  const Size size = list == nilhandle ? 0 : GetHandleSize(list);
  std::string lines;
  for (Size i = 0; i < size;) {
    const u8* p = deref(list);
    Size n = p[i];
    if (i + 1 + n > size) break;  // an entry that runs past the list ends it
    lines.append(reinterpret_cast<const char*>(p) + i + 1, size_t(n));
    lines += '\r';
    i += 1 + n;
  }
  disposfred(value);
  return charstonewfred(lines.data(), Size(lines.size()), value);
}

// --- The functions ------------------------------------------------------------------------

scriptstatus fundoasmsg(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value) {
  *count = 0;
  fred v;
  i32 used = 0;
  if (i16 st = singleoperand(path, text, atoms, at, variables, &used, &v); st != 0) return st;
  Str255 s;
  fredtostring(&v, s);
  disposfred(&v);
  MainGlobals& g = mainglobals();
  if (g.result != nilhandle) SetHandleSize(g.result, 0);
  std::string_view source = pstringview(s);
  // As an expression first: the whole text, and not a single word taken as its own text.
  i16 exprst = 0;
  {
    tokenised t(source);
    if (t.status == err::nomemory) return t.status;
    exprst = t.status;
    if (exprst == 0) {
      i32 literals = g.unquotedliterals;
      i32 n = 0;
      fred answer;
      exprst = expression(path, t.text, t.atoms, 0, variables, nilhandle, &n, &answer);
      if (exprst == 0) {
        if (!lineends(t.atoms, n)) exprst = err::stray;
        else if (n == 1 && g.unquotedliterals != literals) exprst = err::cantunderstand;
        if (exprst == 0 && (exprst = copyfred(&answer)) == 0) {
          *value = answer;
          *count = used;
          return 0;
        }
        disposfred(&answer);
      }
    }
  }
  // Otherwise a message, as the message box sends one.
  i16 st = xcomsend(source, g.globalvars, sendmescommand);
  if (st > 0 && g.result != nilhandle) {
    Str255 number;
    longtostring(st == 1 ? exprst : st, number);
    stringtohand(number, g.result);
  }
  if ((st = newfred(value, fredtemp, fredstring, 0)) != 0) return st;
  *count = used;
  return 0;
}

scriptstatus funerrortext(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value) {
  *count = 0;
  fred v;
  i32 used = 0;
  if (i16 st = singleoperand(path, text, atoms, at, variables, &used, &v); st != 0) return st;
  i32 n = 0;
  if (fredtolong(&v, &n) != 0) n = 0;  // a parameter that is no number names no error
  disposfred(&v);
  Str255 item, out;
  item[0] = out[0] = 0;
  if (n > 0 && n <= 0x7FFF) GetIndString(item, kScriptErrors, i16(n));
  for (int i = 1; i <= item[0]; ++i) {
    if (item[i] != '^') {
      pstrappend(out, 256, &item[i], 1);
      continue;
    }
    if (i < item[0] && item[i + 1] >= '0' && item[i + 1] <= '3') {
      Str255 param;
      getparamtext(i16(item[i + 1] - '0'), param);
      pstrappend(out, 256, param + 1, param[0]);
    }
    ++i;  // a caret and the character after it are dropped
  }
  if (i16 st = stringtonewfred(out, value); st != 0) return st;
  *count = used;
  return 0;
}

scriptstatus funtextheightsum(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count,
                              fred* value) {
  *count = 0;
  funhead h = readhead(atoms, at);
  const u16 next = tokenat(atoms, h.word + 1);
  bool paren = false;
  if (next == tok::in) paren = false;
  else if (h.the) return err::noof;
  else if (next == tok::leftparen) paren = true;
  else return err::noparens;
  const i32 from = h.word + 2;
  objread obj{};
  i32 used = 0;
  if (i16 st = scanobj(path, text, atoms, from, variables, &used, &obj); st != 0) return st;
  i16 st = 0;
  i32 height = 0;
  if (obj.kind != objpart) {
    st = err::notextobject;
  } else {
    const spot s = spotat(obj.objects, obj.objindex);
    if (s.kind != spotfield && !(s.kind == spotgraphic && s.style == styletext)) st = err::notextobject;
    if (st == 0 && paren && tokenat(atoms, from + used) != tok::rightparen) st = err::noparen;
    if (st == 0) {
      // The open field's record, a field's live record, or a record made for the measure.
      MeasuredText measured(obj.objects, obj.objindex, obj.d.window, true);
      const WEReference we = measured.record();
      if (we != nilid) height = WEGetHeight(0, WECountLines(we), we);
    }
  }
  writeobj(&obj);
  if (st != 0) return st;
  longtonewfred(height, value);
  *count = from + used + (paren ? 1 : 0) - at;
  return 0;
}

}  // namespace kv
