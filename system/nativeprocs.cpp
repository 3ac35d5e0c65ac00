// The routines of the native call block and their table (see nativeprocs.h).
#include "system/nativeprocs.h"

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/numbertext.h"
#include "engine/objectsend.h"
#include "engine/scripterror.h"
#include "engine/scripterrors.h"
#include "engine/textutil.h"
#include "platform/memory/memory.h"
#include "platform/text/pstring.h"
#include "core/dialogs.h"
#include "core/mainglobals.h"
#include "store/objread.h"
#include "system/externalevents.h"
#include "system/externals.h"
#include "system/externalstate.h"
#include "system/externalwindows.h"
#include "system/nativecall.h"
#include "system/proctable.h"
#include "system/xservices.h"
#include "textengine/werecord.h"

namespace kv {

namespace {

constexpr i16 statusnoopenfield = -9987;
constexpr u8 kSendMode = 3;

void pascalout(u8* out, std::string_view text) {
  if (out == nullptr) return;
  std::size_t n = std::min<std::size_t>(text.size(), 255);
  out[0] = u8(n);
  std::memcpy(out + 1, text.data(), n);
}

// The handler's variables a block names.
Handle blockvariables(const kv_native* block) { return block != nullptr ? block->variables : nilhandle; }

// A copy of parameter `index` of a block that the caller owns: false when the index is out of
// range.
bool parameter(const kv_native* block, i16 index, fred* out) {
  if (block == nullptr || index < 0 || index >= block->paramcount || !IsValidHandle(block->params) ||
      index >= HandleCount<fred>(block->params))
    return false;
  *out = HandleAs<fred>(block->params)[index];
  out->cls = fredobject;
  if (copyfred(out) == 0) return true;
  disposfred(out);
  return false;
}

// What `read` makes of a copy of parameter `index`, or `none` when the index is out of range.
template <class T, class Read>
T fromparameter(const kv_native* block, i16 index, T none, Read&& read) {
  fred v{};
  if (!parameter(block, index, &v)) return none;
  T out = read(&v);
  disposfred(&v);
  return out;
}

// The expression evaluated with the block's path and variables.
i16 evaluate(const u8* expression_, kv_native* block, fred* value) {
  if (expression_ == nullptr) return err::nomemory;
  tokenised t(expression_);
  if (t.status != 0) return t.status;
  i32 used = 0;
  return expression(blockpath(block), t.text, t.atoms, 0, blockvariables(block), nilhandle, &used, value);
}

// Evaluates the expression and lets `take` read the value: the evaluation's status.
template <class Take>
i16 evaluatewith(const u8* expression_, kv_native* block, Take&& take) {
  fred v{};
  i16 st = evaluate(expression_, block, &v);
  if (st == 0) take(&v);
  disposfred(&v);
  return st;
}

// The status of a field reference: a reference that names no object is 11 whatever the
// reader found wrong with it.
i16 fieldstatus(i16 st) { return st == 0 || st == err::notfield || st == err::nomemory ? st : err::notext; }

// Sets a global from a value made by `make`, which answers its status.
template <class Make>
i16 setglobalwith(const u8* name, Make&& make) {
  fred v{};
  i16 st = make(&v);
  if (st == 0) st = setglobalvalue(name, &v);
  disposfred(&v);
  return st;
}

// Runs `use` on a copy of a global's value: 1 when there is no such global, else its status.
template <class Use>
i16 withglobal(const u8* name, Use&& use) {
  fred v{};
  if (i16 st = globalvalue(name, &v)) return st;
  i16 st = use(&v);
  disposfred(&v);
  return st;
}

// --- Formatting ------------------------------------------------------------------------------

constexpr int kMaxFormatArguments = 6;
constexpr int kMaxFormatWidth = 255;

// One conversion of an external's format with its argument (the format is the external's:
// its conversion was checked against the argument's type).
template <class T>
int formatone(char (&out)[512], const std::string& spec, T value) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  return std::snprintf(out, sizeof out, spec.c_str(), value);
#pragma GCC diagnostic pop
}

// Fills a format with the arguments its conversions name, at most six; the text stops at a
// conversion it cannot take.
std::string formatted(const char* format, va_list args) {
  std::string out;
  int used = 0;
  char piece[512];
  auto take = [&]() { return used++ < kMaxFormatArguments; };
  for (const char* p = format; *p != 0 && out.size() < 256;) {
    if (*p != '%') {
      out += *p++;
      continue;
    }
    if (p[1] == '%') {
      out += '%';
      p += 2;
      continue;
    }
    // %[flags][width][.precision][length]conversion, widths and precisions held to 255.
    std::string spec = "%";
    const char* q = p + 1;
    while (*q != 0 && std::strchr("-+ #0", *q) != nullptr) spec += *q++;
    auto number = [&]() -> bool {
      if (*q == '*') {
        if (!take()) return false;
        int n = va_arg(args, int);
        spec += std::to_string(std::clamp(n, -kMaxFormatWidth, kMaxFormatWidth));
        ++q;
        return true;
      }
      long n = 0;
      bool any = false;
      while (*q >= '0' && *q <= '9') {
        n = std::min<long>(n * 10 + (*q++ - '0'), kMaxFormatWidth);
        any = true;
      }
      if (any) spec += std::to_string(n);
      return true;
    };
    if (!number()) break;
    bool precision = false;
    if (*q == '.') {
      spec += *q++;
      precision = true;
      if (!number()) break;
    }
    std::string length;
    while (*q != 0 && std::strchr("hlLqjzt", *q) != nullptr) length += *q++;
    char conversion = *q;
    if (conversion == 0 || !take()) break;
    ++q;
    bool longint = length == "l",
         longlong = length == "ll" || length == "q" || length == "j" || length == "z" || length == "t";
    int n = -1;
    switch (conversion) {
      case 'd':
      case 'i':
      case 'c':
        if (longlong) n = formatone(piece, spec + "lld", va_arg(args, long long));
        else if (longint && conversion != 'c') n = formatone(piece, spec + "ld", va_arg(args, long));
        else n = formatone(piece, spec + conversion, va_arg(args, int));
        break;
      case 'u':
      case 'o':
      case 'x':
      case 'X':
        if (longlong) n = formatone(piece, spec + "ll" + conversion, va_arg(args, unsigned long long));
        else if (longint) n = formatone(piece, spec + "l" + conversion, va_arg(args, unsigned long));
        else n = formatone(piece, spec + conversion, va_arg(args, unsigned));
        break;
      case 'e':
      case 'E':
      case 'f':
      case 'F':
      case 'g':
      case 'G':
      case 'a':
      case 'A':
        if (length == "L") n = formatone(piece, spec + "L" + conversion, va_arg(args, long double));
        else n = formatone(piece, spec + conversion, va_arg(args, double));
        break;
      case 's': {
        // Reads at most 255 characters of a text, whose end the external may have left out.
        const char* s = va_arg(args, const char*);
        if (!precision) spec += ".255";
        n = formatone(piece, spec + "s", s != nullptr ? s : "");
        break;
      }
      case 'p': n = formatone(piece, spec + "p", va_arg(args, void*)); break;
      default: break;
    }
    if (n < 0) break;
    out.append(piece, std::min<std::size_t>(std::size_t(n), sizeof piece - 1));
    p = q;
  }
  return out;
}

// --- The window routines as the table holds them --------------------------------------------

u32 newwindow(const kv_rect* bounds, const u8* title, i16 visible, i32 definition, i16 closebox, i16 floating) {
  if (bounds == nullptr) return 0;
  Rect r{bounds->top, bounds->left, bounds->bottom, bounds->right};
  return PNewWin(&r, title, visible != 0, definition, closebox != 0, floating != 0);
}

void movewindow(u32 window, kv_point where, i16 centre) { PMoveWin(window, Point{where.v, where.h}, centre != 0); }

void sizewindow(u32 window, i16 width, i16 height, i16 centre) { PSizeWin(window, width, height, centre != 0); }

void frontinfo(kv_windowinfo* info, i16 palettes) { PGetFrontMostWindInfo(info, palettes != 0); }

constexpr kv_nativeprocs kNativeProcs = {
    newwindow,
    PShowWin,
    PHideWin,
    movewindow,
    sizewindow,
    PCloseWin,
    PSetWinPosition,
    PGetWinPosition,
    PShowHidePalettes,
    PGetWindowPtr,
    PSetReturnValString,
    PSetReturnValHandle,
    PAskKV,
    PAnswerKV,
    frontinfo,
    PRegisterEvent,
    PUnRegisterEvent,
    PPostXRTNEvent,
    PSendMessage,
    PHasMemory,
    PFormatString,
    PDecodeString,
    PDecodeParam,
    PEvalExpHandle,
    PEvalExpString,
    PEvalExpDouble,
    PEvalExpLong,
    PGetGlobalHandle,
    PGetGlobalString,
    PGetGlobalDouble,
    PGetGlobalLong,
    PSetGlobalHandle,
    PSetGlobalString,
    PSetGlobalDouble,
    PSetGlobalLong,
    PGetParamHandle,
    PGetParamString,
    PGetParamDouble,
    PGetParamLong,
    PGetParamLength,
    PGetFieldHandle,
    PGetFieldString,
    PSetFieldHandle,
    PSetFieldString,
    PShowHideKVPalettes,
    PGetKVWindowPtr,
    nullptr,
    nullptr,
    PGetCurTEHandle,
    PTouchCurTEHandle,
    PGetRead,
    PPutRead,
    PGetGAddr,
};

}  // namespace

const kv_nativeprocs* nativeprocs() { return &kNativeProcs; }

void initxrtns() { initeventlist(); }

void PSetReturnValString(const u8* text, kv_native* block) {
  if (text == nullptr || block == nullptr || block->result == nullptr) return;
  stringtofred(text, asfred(block->result));
}

void PSetReturnValHandle(kv_handle text, kv_native* block) {
  if (block != nullptr && block->result != nullptr) {
    fred v{};
    if (handlevalue(text, &v) == 0) fredtofred(&v, asfred(block->result));
    disposfred(&v);
  }
  if (IsValidHandle(text)) DisposeHandle(text);
}

i16 PAskKV(const u8* prompt, const u8* reply, u8* answer) {
  if (answer == nullptr) return 2;
  answer[0] = 0;
  if (reply != nullptr) std::memcpy(answer, reply, std::size_t(reply[0]) + 1);
  Str255 none{};
  return runask(askmodetext, prompt != nullptr ? prompt : none, answer, -1, -1, nullptr, false, nullptr);
}

i16 PAnswerKV(const u8* prompt, const u8* button1, const u8* button2, const u8* button3) {
  const ConstStringPtr titles[3] = {button1, button2, button3};
  i16 count = 0;
  while (count < 3 && titles[count] != nullptr && titles[count][0] != 0) ++count;
  return xanswer(prompt, count, button1, button2, button3);
}

i16 PSendMessage(const u8* message, const u8* target, kv_native* block) {
  if (message == nullptr) return err::nomemory;
  std::string_view text = pstringview(message);
  if (target == nullptr) return xcomsend(text, blockvariables(block), kSendMode);
  objread obj{};
  if (i16 st = readreference(blockpath(block), blockvariables(block), target, &obj)) return st > 0 ? st : 0;
  i16 st = lowsend(text, blockpath(block), blockvariables(block), obj);
  writeobj(&obj);
  return st < 0 ? 0 : st;
}

i16 PHasMemory(i32) { return 1; }

void PFormatString(u8* out, const char* format, ...) {
  if (out == nullptr) return;
  out[0] = 0;
  if (format == nullptr) return;
  va_list args;
  va_start(args, format);
  std::string text = formatted(format, args);
  va_end(args);
  pascalout(out, text);
}

i16 PDecodeString(const u8* item, const u8* list) {
  if (item == nullptr || list == nullptr) return -1;
  std::string_view lines = pstringview(list), wanted = pstringview(item);
  i16 number = 0;
  for (std::size_t start = 0; start <= lines.size(); ++number) {
    std::size_t end = std::min(lines.find('\r', start), lines.size());
    std::string_view line = lines.substr(start, end - start);
    if (line.size() == wanted.size() &&
        equalchars(reinterpret_cast<const u8*>(line.data()), item + 1, i32(line.size())))
      return number;
    if (end == lines.size()) break;
    start = end + 1;
  }
  return -1;
}

i16 PDecodeParam(i16 index, const u8* list, kv_native* block) {
  Str255 text{};
  PGetParamString(index, text, block);
  return PDecodeString(text, list);
}

i16 PEvalExpHandle(const u8* expression_, kv_handle* value, kv_native* block) {
  return evaluatewith(expression_, block, [&](fred* v) {
    Handle h = nilhandle;
    if (value != nullptr && fredtonewh(v, &h) == 0) *value = h;
  });
}

i16 PEvalExpString(const u8* expression_, u8* value, kv_native* block) {
  return evaluatewith(expression_, block, [&](fred* v) {
    if (value != nullptr) fredtostring(v, value);
  });
}

i16 PEvalExpDouble(const u8* expression_, double* value, kv_native* block) {
  return evaluatewith(expression_, block, [&](fred* v) {
    double d = 0;
    if (value != nullptr && fredtodouble(v, &d) == 0) *value = d;
  });
}

i16 PEvalExpLong(const u8* expression_, i32* value, kv_native* block) {
  return evaluatewith(expression_, block, [&](fred* v) {
    i32 n = 0;
    if (value != nullptr && fredtolong(v, &n) == 0) *value = n;
  });
}

i16 PGetGlobalHandle(const u8* name, kv_handle* value) {
  return withglobal(name, [&](fred* v) {
    Handle h = nilhandle;
    i16 st = fredtonewh(v, &h);
    if (st == 0 && value != nullptr) *value = h;
    else if (h != nilhandle) DisposeHandle(h);
    return st;
  });
}

i16 PGetGlobalString(const u8* name, u8* value) {
  return withglobal(name, [&](fred* v) {
    if (value != nullptr) fredtostring(v, value);
    return i16(0);
  });
}

i16 PGetGlobalDouble(const u8* name, double* value) {
  return withglobal(name, [&](fred* v) {
    double d = 0;
    i16 st = fredtodouble(v, &d);
    if (st == 0 && value != nullptr) *value = d;
    return st;
  });
}

i16 PGetGlobalLong(const u8* name, i32* value) {
  return withglobal(name, [&](fred* v) {
    i32 n = 0;
    i16 st = fredtolong(v, &n);
    if (st == 0 && value != nullptr) *value = n;
    return st;
  });
}

i16 PSetGlobalHandle(const u8* name, kv_handle value) {
  return setglobalwith(name, [&](fred* v) { return IsValidHandle(value) ? handtonewfred(value, v) : i16(1); });
}

i16 PSetGlobalString(const u8* name, const u8* value) {
  return setglobalwith(name, [&](fred* v) { return value != nullptr ? stringtonewfred(value, v) : i16(1); });
}

i16 PSetGlobalDouble(const u8* name, double value) {
  return setglobalwith(name, [&](fred* v) {
    doubletonewfred(value, v);
    return i16(0);
  });
}

i16 PSetGlobalLong(const u8* name, i32 value) {
  return setglobalwith(name, [&](fred* v) {
    longtonewfred(value, v);
    return i16(0);
  });
}

kv_handle PGetParamHandle(i16 index, kv_native* block) {
  Handle h = fromparameter<Handle>(block, index, nilhandle, [](fred* v) {
    Handle text = nilhandle;
    return fredtonewh(v, &text) == 0 ? text : nilhandle;
  });
  return h != nilhandle ? h : NewHandle(0);
}

void PGetParamString(i16 index, u8* value, kv_native* block) {
  if (value == nullptr) return;
  value[0] = 0;
  fromparameter<int>(block, index, 0, [&](fred* v) {
    fredtostring(v, value);
    return 0;
  });
}

double PGetParamDouble(i16 index, kv_native* block) {
  return fromparameter<double>(block, index, 0, [](fred* v) {
    double d = 0;
    return fredtodouble(v, &d) == 0 ? d : 0;
  });
}

i32 PGetParamLong(i16 index, kv_native* block) {
  return fromparameter<i32>(block, index, 0, [](fred* v) {
    i32 n = 0;
    return fredtolong(v, &n) == 0 ? n : 0;
  });
}

i32 PGetParamLength(i16 index, kv_native* block) {
  return fromparameter<i32>(block, index, 0,
                            [](fred* v) { return formatfred(v, fredhand) == 0 ? i32(getfredsize(v)) : 0; });
}

i16 PGetFieldHandle(const u8* field, kv_handle* text, kv_native* block) {
  if (field == nullptr) return err::notext;
  Handle h = nilhandle;
  i16 st = fieldstatus(readfieldtext(blockpath(block), blockvariables(block), pstringview(field), &h));
  if (st == 0 && text != nullptr) *text = h;
  else if (h != nilhandle) DisposeHandle(h);
  return st;
}

i16 PGetFieldString(const u8* field, u8* text, kv_native* block) {
  if (field == nullptr) return err::notext;
  Handle h = nilhandle;
  i16 st = fieldstatus(readfieldtext(blockpath(block), blockvariables(block), pstringview(field), &h));
  if (st == 0 && text != nullptr)
    pascalout(text, std::string_view(reinterpret_cast<const char*>(deref(h)), std::size_t(GetHandleSize(h))));
  if (h != nilhandle) DisposeHandle(h);
  return st;
}

i16 PSetFieldHandle(const u8* field, kv_handle text, kv_native* block) {
  if (field == nullptr) return err::notext;
  Size n = IsValidHandle(text) ? GetHandleSize(text) : 0;
  return fieldstatus(writefieldtext(blockpath(block), blockvariables(block), pstringview(field),
                                    n > 0 ? reinterpret_cast<const u8*>(deref(text)) : nullptr, n));
}

i16 PSetFieldString(const u8* field, const u8* text, kv_native* block) {
  if (field == nullptr) return err::notext;
  return fieldstatus(writefieldtext(blockpath(block), blockvariables(block), pstringview(field),
                                    text != nullptr ? text + 1 : nullptr, text != nullptr ? text[0] : 0));
}

i16 PGetCurTEHandle(u32* record) {
  const MainGlobals& g = mainglobals();
  bool open = g.openfield >= 0 && g.openfieldrec != nilid;
  if (record != nullptr) *record = open ? g.openfieldrec : 0;
  return open ? 0 : statusnoopenfield;
}

i16 PTouchCurTEHandle() {
  const MainGlobals& g = mainglobals();
  if (g.openfield >= 0 && g.openfieldrec != nilid) SetWERecDirtyFlag(g.openfieldrec, true);
  return 0;
}

i16 PGetRead(const u8* reference, u8* descriptor, kv_native* block) {
  if (descriptor == nullptr) return err::nomemory;
  objread obj{};
  if (i16 st = readreference(blockpath(block), blockvariables(block), reference, &obj)) return st;
  return holdreference(obj, descriptor) ? 0 : err::nomemory;
}

i16 PPutRead(u8* descriptor) {
  releasereference(descriptor);
  return 0;
}

void PGetGAddr(i32 selector, u64* a, u64* b, u64* c, kv_native*) {
  if (selector == -1) {
    if (a != nullptr) *a = 2;
  } else if (selector == 2) {
    if (a != nullptr) *a = 0;
    if (b != nullptr) *b = u64(reinterpret_cast<std::uintptr_t>(fillcarbonprocs()));
    if (c != nullptr) *c = 0;
  } else {
    unsupportedalert("XRTN " + runningmessage());
  }
}

}  // namespace kv
