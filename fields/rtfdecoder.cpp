// The small RTF decoder: a scanner of eight states over the document, a table of 66 keywords,
// and the placing of decoded text into style runs.
#include "fields/rtfdecoder.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "engine/objectutil.h"
#include "engine/textutil.h"
#include "platform/fonts/fonts.h"
#include "platform/memory/memory.h"
#include "platform/runtime/root.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"
#include "store/fieldtext.h"
#include "core/memoryguard.h"

namespace kv {

static_assert(sizeof(rtfstyle) == 22);

namespace {

constexpr i16 kNoMemory = -108;
constexpr i32 kFontMapEntries = 32768;
constexpr i32 kColorEntries = 256;
constexpr i32 kFirstCapacity = 512;
constexpr i32 kNoParameter = -99;
constexpr std::size_t kWordCapacity = 31;

// Values that belong to the decoder as a whole rather than to one decode.
struct RTFDecoderGlobals {
  u16 truncated;
  u16 fonttableindex;
  u16 colortableindex;
};
RTFDecoderGlobals& decoderglobals() { return state<RTFDecoderGlobals>(); }

// Keyword codes; code 1 skips the rest of the group, 55 is any keyword not in the table and 56
// the end of a font or colour table entry.
enum : u16 {
  kwhex = 0,
  kwskip = 1,
  kwhyphen = 2,
  kwansi = 3,
  kwblue = 4,
  kwbold = 5,
  kwbullet = 6,
  kwcaps = 7,
  kwcb = 8,
  kwcf = 9,
  kwcolortbl = 10,
  kwdeff = 11,
  kwemdash = 12,
  kwendash = 13,
  kwexpnd = 14,
  kwexpndtw = 15,
  kwf = 16,
  kwfbidi = 17,
  kwfcharset = 18,
  kwfdecor = 19,
  kwfmodern = 20,
  kwfnil = 21,
  kwfonttbl = 22,
  kwfroman = 23,
  kwfs = 24,
  kwfswiss = 25,
  kwfscript = 26,
  kwftech = 27,
  kwgreen = 28,
  kwitalic = 29,
  kwldblquote = 30,
  kwli = 31,
  kwlquote = 32,
  kwmac = 33,
  kwoutl = 34,
  kwpar = 35,
  kwpard = 36,
  kwpc = 37,
  kwpca = 38,
  kwplain = 39,
  kwpncf = 40,
  kwpnf = 41,
  kwpnfs = 42,
  kwpnul = 43,
  kwrdblquote = 44,
  kwred = 45,
  kwrquote = 46,
  kwrtf = 47,
  kwshad = 48,
  kwtab = 49,
  kwul = 50,
  kwuld = 51,
  kwuldb = 52,
  kwulnone = 53,
  kwtilde = 54,
  kwunknown = 55,
  kwendofentry = 56,
};

struct Keyword {
  std::string_view word;
  u16 code;
};

// Searched in row order, letter case counting.
constexpr Keyword kKeywords[66] = {
    {"'", kwhex},
    {"*", kwskip},
    {"-", kwhyphen},
    {"ansi", kwansi},
    {"blue", kwblue},
    {"b", kwbold},
    {"bullet", kwbullet},
    {"caps", kwcaps},
    {"cb", kwcb},
    {"cf", kwcf},
    {"colortbl", kwcolortbl},
    {"deff", kwdeff},
    {"emdash", kwemdash},
    {"endash", kwendash},
    {"expnd", kwexpnd},
    {"expndtw", kwexpndtw},
    {"f", kwf},
    {"fbidi", kwfbidi},
    {"fcharset", kwfcharset},
    {"fdecor", kwfdecor},
    {"field", kwskip},
    {"filetbl", kwskip},
    {"fmodern", kwfmodern},
    {"fnil", kwfnil},
    {"fonttbl", kwfonttbl},
    {"footer", kwskip},
    {"footnote", kwskip},
    {"froman", kwfroman},
    {"fs", kwfs},
    {"fswiss", kwfswiss},
    {"fscript", kwfscript},
    {"ftech", kwftech},
    {"green", kwgreen},
    {"header", kwskip},
    {"i", kwitalic},
    {"info", kwskip},
    {"ldblquote", kwldblquote},
    {"li", kwli},
    {"lquote", kwlquote},
    {"mac", kwmac},
    {"object", kwskip},
    {"outl", kwoutl},
    {"par", kwpar},
    {"pard", kwpard},
    {"pc", kwpc},
    {"pca", kwpca},
    {"pict", kwskip},
    {"plain", kwplain},
    {"pncf", kwpncf},
    {"pnf", kwpnf},
    {"pnfs", kwpnfs},
    {"pntext", kwskip},
    {"pnul", kwpnul},
    {"rdblquote", kwrdblquote},
    {"red", kwred},
    {"revtbl", kwskip},
    {"rquote", kwrquote},
    {"rtf", kwrtf},
    {"shad", kwshad},
    {"stylesheet", kwskip},
    {"tab", kwtab},
    {"ul", kwul},
    {"uld", kwuld},
    {"uldb", kwuldb},
    {"ulnone", kwulnone},
    {"~", kwtilde},
};

u16 keywordcode(const char* word) {
  for (const Keyword& k : kKeywords)
    if (k.word == word) return k.code;
  return kwunknown;
}

// The value of a parameter as the C library's strtol reads it (leading blanks, a sign, the
// digits of the radix), held within 32 bits.
i32 parametervalue(const char* p, int radix) {
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  i64 v = 0;
  for (;; ++p) {
    int d = *p >= '0' && *p <= '9'   ? *p - '0'
            : *p >= 'a' && *p <= 'z' ? *p - 'a' + 10
            : *p >= 'A' && *p <= 'Z' ? *p - 'A' + 10
                                     : 99;
    if (d >= radix) break;
    v = std::min<i64>(v * radix + d, i64(1) << 31);
  }
  if (negative) v = -v;
  return i32(std::clamp<i64>(v, INT32_MIN, INT32_MAX));
}

void appendchar(char* word, char c) {
  std::size_t n = std::strlen(word);
  if (n < kWordCapacity) {
    word[n] = c;
    word[n + 1] = '\0';
  }
}

// The symbols a backslash makes literal: every printable symbol but the apostrophe and "*".
bool literalsymbol(u8 c) {
  return (c >= 0x21 && c <= 0x26) || (c >= 0x28 && c <= 0x29) || (c >= 0x2B && c <= 0x2F) || (c >= 0x3A && c <= 0x40) ||
         (c >= 0x5B && c <= 0x60) || (c >= 0x7B && c <= 0x7E);
}

bool islineend(u8 c) { return c == 13 || c == 10 || c == 12; }

// Grows a handle to hold at least `need` bytes, doubling: false when memory runs out.
bool reserve(Handle h, i64 need) {
  i64 size = GetHandleSize(h);
  if (need <= size) return true;
  if (need > 0x7FFFFFFF) return false;
  i64 grown = std::max<i64>(need, std::min<i64>(size * 2, 0x7FFFFFFF));
  SetHandleSize(h, Size(grown));
  return MemError() == noErr;
}

class Decoder {
 public:
  Decoder(rtfdecodestate& s, Handle buffer) : s_(s), buffer_(buffer), g_(decoderglobals()) {}

  void run();
  // Places the pending text.
  void flush() {
    if (s_.pendinglength > 0) putext();
  }
  bool failed() const { return failed_; }

 private:
  const u8* bytes() const { return deref(buffer_); }
  bool inbody() const { return s_.style.destination == rtfbody; }

  void appendtext(const u8* text, i32 length);
  void appendbyte(u8 b) { appendtext(&b, 1); }
  void putext();
  void fixstyle();
  void push();
  void pop();
  void process(u16 code, i32 value);
  void setface(u8 bit, bool on);
  i16 fontnamed(const char* name);
  i16 mappedfont(i32 rtfnumber, i16 otherwise);
  void endofentry();

  rtfdecodestate& s_;
  Handle buffer_;
  RTFDecoderGlobals& g_;
  std::size_t at_ = 0;
  bool failed_ = false;
};

void Decoder::appendtext(const u8* text, i32 length) {
  if (length <= 0) return;
  // Text past the limit is never placed: keep one byte over it, so that the cut happens.
  i64 room = i64(kRTFTextLimit) + 1 - s_.textlength - s_.pendinglength;
  i32 n = i32(std::min<i64>(length, std::max<i64>(room, 0)));
  if (n > 0) {
    if (s_.pendinglength + n > s_.capacity) {
      i64 capacity = s_.capacity;
      while (capacity < i64(s_.pendinglength) + n) capacity *= 2;
      SetHandleSize(s_.pending, Size(std::min<i64>(capacity, 0x7FFFFFFF)));
      if (MemError() != noErr) {
        failed_ = true;
        return;
      }
      s_.capacity = i32(capacity);
    }
    std::memcpy(deref(s_.pending) + s_.pendinglength, text, size_t(n));
    s_.pendinglength += n;
  }
  if (i64(s_.textlength) + s_.pendinglength > kRTFTextLimit) putext();
}

void Decoder::fixstyle() {
  stylerun& r = s_.style.run;
  const stylerun& m = s_.measured;
  if (!s_.hasmeasured || m.font != r.font || m.size != r.size || m.face != r.face) {
    FontMetrics fm = fontmetrics(FontKey{r.font, r.size, r.face});
    s_.measured = r;
    s_.measured.height = i16(fm.ascent + fm.descent + fm.leading);
    s_.measured.ascent = fm.ascent;
    s_.hasmeasured = true;
  }
  r.height = s_.measured.height;
  r.ascent = s_.measured.ascent;
}

void Decoder::putext() {
  if (s_.pendinglength <= 0) return;
  fixstyle();
  i32 n = s_.pendinglength;
  if (i64(s_.textlength) + n > kRTFTextLimit) {
    n = kRTFTextLimit - s_.textlength;
    g_.truncated = 1;
  }
  s_.pendinglength = 0;
  if (n <= 0) return;
  bool newrun = s_.runcount < kRTFRunLimit;
  if (!reserve(s_.text, i64(s_.textlength) + n) ||
      (newrun && !reserve(s_.runs, (i64(s_.runcount) + 1) * kStyleRunSize))) {
    failed_ = true;
    return;
  }
  std::memcpy(deref(s_.text) + s_.textlength, deref(s_.pending), size_t(n));
  if (newrun) {
    // The run count of a field text is 16 bits: past the limit, text joins the last run.
    stylerun r = s_.style.run;
    r.start = s_.textlength;
    storeat<stylerun>(deref(s_.runs) + i64(s_.runcount) * kStyleRunSize, r);
    ++s_.runcount;
  }
  s_.textlength += n;
  s_.style.run.start = s_.textlength;
}

void Decoder::push() {
  if (inbody()) flush();
  i32 index = s_.stackcount;
  if (qadd(s_.stylestack, &index, sizeof(rtfstyle)) != 0) return;
  storeat<rtfstyle>(deref(s_.stylestack) + i64(index) * sizeof(rtfstyle), s_.style);
  ++s_.stackcount;
}

void Decoder::pop() {
  if (s_.stackcount <= 0) return;
  i32 index = s_.stackcount - 1;
  rtfstyle top = loadat<rtfstyle>(deref(s_.stylestack) + i64(index) * sizeof(rtfstyle));
  if (inbody()) flush();
  qdelete(s_.stylestack, index, sizeof(rtfstyle));
  --s_.stackcount;
  // The text position stays where the text is.
  top.run.start = s_.style.run.start;
  s_.style = top;
}

void Decoder::setface(u8 bit, bool on) {
  flush();
  u8 face = s_.style.run.face;
  s_.style.run.face = on ? u8(face | bit) : u8(face & ~bit);
}

// The font of a name, or the default font for a name no font has (unless it is the system
// font's own name).
i16 Decoder::fontnamed(const char* name) {
  Str255 pname;
  pstrassign(pname, sizeof pname, name, std::strlen(name));
  i16 number = GetFNum(pname);
  if (number != 0) return number;
  Str255 system;
  GetFontName(systemFont, system);
  return myequalstring(pname, system) ? number : i16(s_.defaultfont);
}

i16 Decoder::mappedfont(i32 rtfnumber, i16 otherwise) {
  if (rtfnumber < 0 || rtfnumber >= kFontMapEntries) return otherwise;
  return i16(loadat<u16>(deref(s_.fontmap) + i64(rtfnumber) * 2));
}

void Decoder::endofentry() {
  if (s_.style.destination == rtfcolortable) {
    ++g_.colortableindex;
  } else if (s_.style.destination == rtffonttable) {
    Str255 system;
    GetFontName(systemFont, system);
    i16 number = GetFNum(s_.fontname);
    if ((number != 0 || myequalstring(s_.fontname, system)) && g_.fonttableindex < kFontMapEntries)
      storeat<u16>(deref(s_.fontmap) + i64(g_.fonttableindex) * 2, u16(number));
    s_.fontname[0] = 0;
    ++g_.fonttableindex;
  }
}

void Decoder::process(u16 code, i32 value) {
  stylerun& run = s_.style.run;
  const bool body = inbody();
  switch (code) {
    case kwhex:
      if (body && value >= 0 && value <= 255) appendbyte(u8(value));
      break;
    case kwskip:
      s_.skipdepth = 1;
      s_.scanner = 7;
      break;
    case kwhyphen:
    case kwemdash:
    case kwendash:
      if (body) appendbyte('-');
      break;
    case kwansi:
    case kwmac:
    case kwpc:
    case kwpca: s_.charset = code; break;
    case kwred:
    case kwgreen:
    case kwblue:
      if (s_.style.destination == rtfcolortable && g_.colortableindex < kColorEntries && value >= 0 && value <= 255) {
        RGBColor& c = s_.colors[g_.colortableindex];
        (code == kwred ? c.red : code == kwgreen ? c.green : c.blue) = u16(value * 257);
      }
      break;
    case kwbold:
    case kwitalic:
    case kwoutl:
    case kwshad:
      if (body)
        setface(code == kwbold     ? facebold
                : code == kwitalic ? faceitalic
                : code == kwoutl   ? faceoutline
                                   : faceshadow,
                value != 0);
      break;
    case kwbullet:
      if (body) appendbyte(0xA5);
      break;
    case kwcb:
    case kwcf:
    case kwpncf:
      if (body) {
        flush();
        if (value >= 0 && value < kColorEntries) run.color = s_.colors[value];
      }
      break;
    case kwcolortbl:
      s_.style.destination = rtfcolortable;
      g_.colortableindex = 0;
      break;
    case kwdeff: s_.defaultfontnumber = u16(value); break;
    case kwexpnd:
    case kwexpndtw:
      if (body) {
        flush();
        run.face = u8(run.face & ~(facecondense | faceextend));
        if (value < 0) run.face |= facecondense;
        if (value > 0) run.face |= faceextend;
      }
      break;
    case kwf:
    case kwpnf:
      if (s_.style.destination == rtffonttable) {
        g_.fonttableindex = u16(value);
      } else if (body) {
        flush();
        run.font = mappedfont(value, run.font);
      }
      break;
    case kwfbidi:
    case kwfdecor:
    case kwfmodern:
    case kwfnil:
    case kwfroman:
    case kwfswiss:
    case kwfscript:
    case kwftech: {
      i16 font = code == kwfnil      ? mappedfont(s_.defaultfontnumber, i16(s_.defaultfont))
                 : code == kwfbidi   ? fontnamed("geneva")
                 : code == kwfdecor  ? fontnamed("chancery")
                 : code == kwfmodern ? fontnamed("courier")
                 : code == kwfroman  ? fontnamed("times")
                 : code == kwfswiss  ? fontnamed("helvetica")
                 : code == kwfscript ? fontnamed("script")
                                     : fontnamed("symbol");
      if (s_.style.destination == rtffonttable && g_.fonttableindex < kFontMapEntries) {
        storeat<u16>(deref(s_.fontmap) + i64(g_.fonttableindex) * 2, u16(font));
      } else if (body) {
        flush();
        run.font = font;
      }
      break;
    }
    case kwfonttbl:
      s_.style.destination = rtffonttable;
      g_.fonttableindex = 0;
      break;
    case kwfs:
    case kwpnfs:
      if (body) {
        flush();
        // A missing or unusable size leaves the size as it was.
        if (value / 2 >= 1 && value / 2 <= 32767) run.size = i16(value / 2);
      }
      break;
    case kwldblquote:
    case kwrdblquote:
      if (body) appendbyte('"');
      break;
    case kwli:
      if (body && value > 0) {
        // One blank per started 288 twips (a fifth of an inch).
        i64 blanks = std::min<i64>((i64(value) + 287) / 288, kRTFTextLimit + 1);
        for (i64 i = 0; i < blanks && !failed_ && !g_.truncated; ++i) appendbyte(' ');
      }
      break;
    case kwlquote:
    case kwrquote:
      if (body) appendbyte('\'');
      break;
    case kwpar:
      if (body) appendbyte(13);
      break;
    case kwplain:
      if (body) {
        flush();
        run.face = 0;
        run.font = mappedfont(s_.defaultfontnumber, run.font);
        run.size = 12;
      }
      break;
    case kwpnul:
    case kwul:
    case kwuldb:  // double underline is underlined (the face's top bit marks grouped text)
      if (body) setface(faceunderline, value != 0);
      break;
    case kwrtf:
      s_.version = u16(value);
      s_.style.destination = rtfbody;
      break;
    case kwtab:
      if (body) appendbyte(9);
      break;
    case kwulnone:
      if (body) setface(faceunderline, false);
      break;
    case kwtilde:
      if (body) appendbyte('~');
      break;
    case kwendofentry: endofentry(); break;
    default:  // caps, fcharset, pard, uld and unknown keywords
      break;
  }
}

void Decoder::run() {
  while (!g_.truncated && !failed_) {
    const u8* b = bytes();
    u8 c = b[at_];
    switch (s_.scanner) {
      case 0:  // between tokens
        if (c == 0) return;
        if (c == '{') {
          push();
          ++at_;
        } else if (c == '}') {
          pop();
          ++at_;
        } else if (c == '\\') {
          s_.scanner = 1;
          ++at_;
        } else {
          s_.scanner = 5;
        }
        break;
      case 1:  // after a backslash
        if (literalsymbol(c)) {
          s_.scanner = 2;
        } else if (c == '\'') {
          std::strcpy(s_.keyword, "'");
          s_.scanner = 4;
          ++at_;
        } else {
          s_.scanner = 3;
        }
        break;
      case 2:  // a literal symbol
        if (inbody()) appendbyte(c);
        ++at_;
        s_.scanner = 0;
        break;
      case 3: {  // a keyword and its parameter
        for (;; c = b[++at_]) {
          if ((c >= 'a' && c <= 'z') || c == '*') appendchar(s_.keyword, char(c));
          else if ((c >= '0' && c <= '9') || c == '-') appendchar(s_.parameter, char(c));
          else break;
        }
        if (c == 0) return;
        if (c == ' ') ++at_;
        s_.scanner = 6;
        break;
      }
      case 4:  // a hexadecimal character: two more bytes, never past the end
        for (int i = 0; i < 2 && b[at_] != 0; ++i) appendchar(s_.parameter, char(b[at_++]));
        s_.radix = 16;
        s_.scanner = 6;
        break;
      case 5: {  // text
        u16 dest = s_.style.destination;
        if (dest == rtfbody) {
          std::size_t end = at_;
          while (b[end] != 0 && b[end] != '{' && b[end] != '}' && b[end] != '\\') ++end;
          appendtext(b + at_, i32(std::min<std::size_t>(end - at_, 0x7FFFFFFF)));
          at_ = end;
        } else if ((dest == rtfcolortable || dest == rtffonttable) && c == ';') {
          process(kwendofentry, 0);
          ++at_;
        } else if (dest == rtffonttable) {
          std::size_t end = at_;
          while (b[end] != 0 && b[end] != ';' && b[end] != '{' && b[end] != '}' && b[end] != '\\') ++end;
          pstrappend(s_.fontname, sizeof s_.fontname, b + at_, end - at_);
          at_ = end;
        } else {
          ++at_;
        }
        if (s_.scanner == 5) s_.scanner = 0;
        break;
      }
      case 6: {  // a whole keyword
        i32 value = s_.parameter[0] == '\0' ? kNoParameter : parametervalue(s_.parameter, s_.radix);
        u16 code = keywordcode(s_.keyword);
        s_.scanner = 0;
        process(code, value);
        s_.keyword[0] = s_.parameter[0] = '\0';
        s_.radix = 10;
        break;
      }
      case 7:  // skipping a group: at its closing brace, state 0 takes over
        if (c == 0) return;
        if (c == '\\') {
          // An escaped brace or backslash does not count.
          at_ += b[at_ + 1] != 0 ? 2 : 1;
        } else if (c == '{') {
          ++s_.skipdepth;
          ++at_;
        } else if (c == '}' && --s_.skipdepth == 0) {
          s_.scanner = 0;
        } else {
          ++at_;
        }
        break;
      default: s_.scanner = 0; break;
    }
  }
}

// Line ends are dropped, except that a backslash before one makes a return of the two.
void joinlines(u8* text, i32 length) {
  i32 out = 0;
  bool afterbackslash = false;
  for (i32 i = 0; i < length; ++i) {
    u8 c = text[i];
    if (islineend(c)) {
      if (afterbackslash) text[out - 1] = 13;
      afterbackslash = false;
      continue;
    }
    afterbackslash = c == '\\';
    text[out++] = c;
  }
  text[out] = 0;
}

void disposeall(rtfdecodestate* s) {
  for (Handle* h : {&s->pending, &s->fontmap, &s->stylestack, &s->runs, &s->text}) {
    if (*h != nilhandle) DisposeHandle(*h);
    *h = nilhandle;
  }
}

}  // namespace

i16 RTFInitialize(Handle* fieldtext, rtfdecodestate* state) {
  *fieldtext = nilhandle;
  *state = rtfdecodestate{};
  if (memoryrefused(kFontMapEntries * 2)) return kNoMemory;
  const MainGlobals& g = mainglobals();
  state->defaultfont = u16(g.textFont);
  state->radix = 10;
  state->capacity = kFirstCapacity;
  state->style.run = stylerun{0, g.textHeight, 0, g.textFont, u8(g.textStyle), 0, g.textSize, RGBColor{0, 0, 0}};
  state->style.destination = rtfnone;
  state->stackcount = 1;
  state->fontmap = NewHandle(kFontMapEntries * 2);
  state->stylestack = NewHandle(sizeof(rtfstyle));
  state->pending = NewHandle(kFirstCapacity);
  state->runs = NewHandle(0);
  state->text = NewHandle(0);
  Handle text = NewHandle(kEmptyFieldTextSize);
  if (state->fontmap == nilhandle || state->stylestack == nilhandle || state->pending == nilhandle ||
      state->runs == nilhandle || state->text == nilhandle || text == nilhandle) {
    disposeall(state);
    if (text != nilhandle) DisposeHandle(text);
    return kNoMemory;
  }
  for (i32 i = 0; i < kFontMapEntries; ++i) storeat<u16>(deref(state->fontmap) + i * 2, state->defaultfont);
  storeat<rtfstyle>(deref(state->stylestack), state->style);
  fieldtail tail{g.textAlign, g.textHeight, u16(g.textFont), u16(g.textSize), u16(g.textStyle), 0};
  setemptyfieldtext(text, tail);
  *fieldtext = text;
  return 0;
}

i16 RTFDecode(Handle fieldtext, const u8* rtf, i32 length, rtfdecodestate* state) {
  if (fieldtext == nilhandle || state->pending == nilhandle) return kNoMemory;
  length = rtf == nullptr ? 0 : std::max(length, 0);
  if (length == 0x7FFFFFFF) return kNoMemory;
  // The decoder works on its own copy, one byte longer for the terminator.
  Handle buffer = NewHandle(length + 1);
  if (buffer == nilhandle) return kNoMemory;
  if (length > 0) std::memcpy(deref(buffer), rtf, size_t(length));
  joinlines(deref(buffer), length);
  RTFDecoderGlobals& g = decoderglobals();
  g.truncated = 0;
  Decoder decoder(*state, buffer);
  decoder.run();
  // The text still pending at the end.
  if (state->style.destination == rtfbody) decoder.flush();
  DisposeHandle(buffer);
  if (g.truncated) {
    stringtohand(resultstr(kRTFTruncatedResult), mainglobals().result);
    g.truncated = 0;
  }
  if (decoder.failed()) return kNoMemory;
  fieldtail tail = fieldtextail(deref(fieldtext), GetHandleSize(fieldtext));
  const stylerun* runs = reinterpret_cast<const stylerun*>(deref(state->runs));
  return setfieldtext(fieldtext, runs, state->runcount, deref(state->text), state->textlength, tail) == noErr
             ? 0
             : kNoMemory;
}

i16 RTFDone(Handle fieldtext, rtfdecodestate* state) {
  if (fieldtext != nilhandle) DisposeHandle(fieldtext);
  disposeall(state);
  return 0;
}

}  // namespace kv
