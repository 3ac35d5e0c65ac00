#include "engine/indent.h"

#include <algorithm>
#include <vector>

#include "engine/status.h"
#include "platform/memory/memory.h"
#include "platform/qd/regions.h"
#include "platform/windows/windows.h"
#include "core/debugmsg.h"

namespace kv {

namespace {

// What the word reader answers.
enum : i16 {
  endoftext = 0,
  endofline = 1,  // a return, or a word beginning with "--" (a comment runs to the line's end)
  plainword = 2,
  kon = 3,
  kif = 4,
  kelse = 5,
  krepeat = 6,
  kend = 7,
  kthen = 8,
  kcase = 9,
  kswitch = 10,
  ktry = 11,
  kcatch = 12,
  kfunction = 13,
  nostop = -1,  // a stop code no word has
};

struct key {
  const char* word;
  i32 length;
  i16 code;
};

constexpr key keys[] = {
    {"on", 2, kon},   {"if", 2, kif},       {"else", 4, kelse},         {"repeat", 6, krepeat},
    {"end", 3, kend}, {"then", 4, kthen},   {"case", 4, kcase},         {"switch", 6, kswitch},
    {"try", 3, ktry}, {"catch", 5, kcatch}, {"function", 8, kfunction},
};

constexpr u8 kReturn = 13;
constexpr u8 kContinue = 0xC2;
constexpr Size kOutputStep = 16000;
// Blocks nested deeper than this are not followed: the rest is copied at the level reached.
constexpr i32 kMaxDepth = 128;
// The auto-indent flag is the bit of the record's reference value that says the field allows
// embedded objects.
constexpr u32 kAutoIndentFlagBit = 1u << 18;

u8 upperAZ(u8 c) { return c >= 'a' && c <= 'z' ? u8(c - 32) : c; }

bool sameword(const u8* a, const u8* b, i32 n) {
  for (i32 i = 0; i < n; ++i)
    if (upperAZ(a[i]) != upperAZ(b[i])) return false;
  return true;
}

// One run over one text. The text is read from a private copy, so the handle may be replaced
// in place at the end.
class indenter {
 public:
  enum class form { text, levels };

  indenter(std::vector<u8> input, i16 tabsize, form f)
      : text_(std::move(input)), len_(i32(text_.size())), tabsize_(tabsize), form_(f) {}

  ~indenter() {
    if (out_ != nilhandle) DisposeHandle(out_);
  }
  indenter(const indenter&) = delete;
  indenter& operator=(const indenter&) = delete;

  // Sets up the output (the text form's first block, or one level per line); false when
  // memory runs out.
  bool prepare() {
    if (form_ == form::text) {
      out_ = NewHandle(kOutputStep);
      if (out_ == nilhandle) return false;
      outcap_ = kOutputStep;
    } else {
      levels_.assign(size_t(std::count(text_.begin(), text_.end(), kReturn)) + 1, 0);
    }
    return true;
  }

  // Clamps the selection to the text and moves its start forward over the blanks after it.
  void setselection(i32 start, i32 end) {
    const i32 given = std::clamp(start, 0, len_);
    start = given;
    while (start < len_ && text_[size_t(start)] == ' ') ++start;
    end = std::min(end, len_);
    selstart_ = start;
    selend_ = end == given - 1 ? start - 1 : std::max(end, start);
  }

  void run() {
    if (tabsize_ > 0)
      while (dostatement(endoftext) != endoftext) {
      }
    copyrest();
    // A text that ends with a return gets the level reached on its last, empty line.
    if (outputlength() > 0 && atlinestart_) addindent(0);
  }

  bool failed() const { return scripttoobig_; }
  i32 selstart() const { return selstart_; }
  i32 selend() const { return selend_; }
  Size outputlength() const { return form_ == form::text ? outlen_ : Size(readpos_); }
  // Hands over the output block, trimmed to the text written.
  Handle takeoutput() {
    SetHandleSize(out_, outlen_);
    Handle h = out_;
    out_ = nilhandle;
    return h;
  }
  const std::vector<i16>& levels() const { return levels_; }

 private:
  u8 at(i32 i) const { return text_[size_t(i)]; }

  // --- Output --------------------------------------------------------------------------------
  void put(u8 c) {
    if (scripttoobig_) return;
    if (form_ == form::text) {
      if (outlen_ == outcap_) {
        if (outcap_ > 0x7FFFFFFF - kOutputStep) {
          scripttoobig_ = true;
          return;
        }
        SetHandleSize(out_, outcap_ + kOutputStep);
        if (MemError() != noErr) {
          scripttoobig_ = true;
          return;
        }
        outcap_ += kOutputStep;
      }
      deref(out_)[outlen_++] = c;
    }
    if (c == kReturn) {
      atlinestart_ = true;
      ++line_;
    }
  }

  // At the start of an output line: the line's indentation (level + extra), and the input
  // line's own leading blanks skipped. The text form moves the selection with every space
  // written or blank skipped before it.
  void addindent(i16 extra) {
    if (!atlinestart_) return;
    atlinestart_ = false;
    const i32 level = indentlevel_ + extra;
    if (form_ == form::levels) {
      if (size_t(line_) < levels_.size()) levels_[size_t(line_)] = i16(level);
    } else {
      // A space written where the selection starts goes before the selected text: the start
      // moves with it. The end moves when the space lands before the last selected character
      // (a caret stays a caret).
      for (i32 n = level * tabsize_; n > 0 && !scripttoobig_; --n) {
        const bool caret = selstart_ == selend_;
        if (outlen_ <= selstart_) ++selstart_;
        if (caret) selend_ = selstart_;
        else if (outlen_ < selend_) ++selend_;
        put(' ');
      }
    }
    while (readpos_ < len_ && at(readpos_) == ' ') {
      if (form_ == form::text) {
        if (outlen_ < selstart_) --selstart_;
        if (outlen_ < selend_) --selend_;
      }
      ++readpos_;
    }
  }

  // Copies the line at the read position, after its indentation. A continuation character
  // outside strings and comments takes the next line into the copy, one level further in.
  // With `toscan` the copy stops at the scan position instead, so that a line can be written
  // up to its "then" or "else" before the rest of it is read.
  void copyline(bool toscan = false) {
    addindent(0);
    bool instring = false, incomment = false, pending = false;
    while (readpos_ < len_ && !scripttoobig_) {
      if (toscan && readpos_ >= scan_) break;
      const u8 c = at(readpos_);
      if (c == kReturn) {
        put(c);
        ++readpos_;
        instring = incomment = false;
        if (pending) {
          pending = false;
          addindent(1);
          continue;
        }
        if (!toscan) break;
        addindent(0);
        continue;
      }
      if (instring) {
        if (c == '"') instring = false;
      } else if (!incomment) {
        if (c == '"') instring = true;
        else if (c == '-' && readpos_ + 1 < len_ && at(readpos_ + 1) == '-') incomment = true;
        else if (c == kContinue) pending = true;
      }
      put(c);
      ++readpos_;
    }
    if (!toscan && scan_ < readpos_) scan_ = readpos_;
  }

  // Copies every line left, at the current level.
  i16 copyrest() {
    pushed_ = false;
    while (readpos_ < len_ && !scripttoobig_) copyline();
    scan_ = len_;
    return endoftext;
  }

  // --- Word reader ---------------------------------------------------------------------------
  bool delimiter(i32 i) const {
    const u8 c = at(i);
    return c == ' ' || c == kReturn || c == kContinue || c == '"' || (c == '-' && i + 1 < len_ && at(i + 1) == '-');
  }

  i16 getaword() {
    if (pushed_) {
      pushed_ = false;
      return pushedcode_;
    }
    if (scripttoobig_) return endoftext;
    for (;;) {
      while (scan_ < len_ && at(scan_) == ' ') ++scan_;
      if (scan_ >= len_ || at(scan_) != kContinue) break;
      // The rest of the line is ignored; the next line's words belong to this statement.
      while (scan_ < len_ && at(scan_) != kReturn) ++scan_;
      if (scan_ < len_) ++scan_;
    }
    if (scan_ >= len_) {
      wordstart_ = wordend_ = len_;
      return endoftext;
    }
    if (at(scan_) == '"') {
      // A string is passed over; the word starts after its closing quote.
      ++scan_;
      while (scan_ < len_ && at(scan_) != '"' && at(scan_) != kReturn) ++scan_;
      if (scan_ < len_ && at(scan_) == '"') ++scan_;
    }
    wordstart_ = scan_;
    if (scan_ < len_ && at(scan_) == kReturn) {
      wordend_ = ++scan_;
      return endofline;
    }
    if (scan_ + 1 < len_ && at(scan_) == '-' && at(scan_ + 1) == '-') {
      scan_ += 2;
      wordend_ = scan_;
      return endofline;
    }
    while (scan_ < len_ && !delimiter(scan_)) ++scan_;
    wordend_ = scan_;
    const i32 n = wordend_ - wordstart_;
    for (const key& k : keys)
      if (k.length == n && sameword(text_.data() + wordstart_, reinterpret_cast<const u8*>(k.word), n)) return k.code;
    return plainword;
  }

  // The word just read is read again by the next getaword.
  void pushback(i16 code) {
    pushed_ = true;
    pushedcode_ = code;
  }

  // Reads words past empty lines and comment lines, copying them; answers the first other word.
  i16 skipemptylines() {
    i16 w = getaword();
    while (w == endofline) {
      copyline();
      w = getaword();
    }
    return w;
  }

  // Blocks raise the level only inside a handler.
  void raise(i16 by) {
    if (indentlevel_ != 0) indentlevel_ = i16(indentlevel_ + by);
  }

  // A line written `down` levels out from the current one (not below 0).
  void copylineout(i16 down) {
    const i16 saved = indentlevel_;
    indentlevel_ = i16(std::max(0, indentlevel_ - down));
    copyline();
    indentlevel_ = saved;
  }

  // --- Statements and blocks -----------------------------------------------------------------
  // One statement; answers its first word's code, the stop code when that word is it, and
  // 0 at the end of the text. Words that belong to an enclosing block (else, end, then, case,
  // catch) are answered without reading further.
  i16 dostatement(i16 stop) {
    const i16 w = getaword();
    if (w == stop) return w;
    switch (w) {
      case endoftext: return endoftext;
      case endofline:
      case plainword: copyline(); return w;
      case kon:
      case kfunction: return nested(&indenter::handler);
      case kif: return nested(&indenter::ifblock);
      case krepeat: return nested(&indenter::repeatblock);
      case kswitch: return nested(&indenter::switchblock);
      case ktry: return nested(&indenter::tryblock);
      default: return w;  // else, end, then, case, catch
    }
  }

  i16 nested(i16 (indenter::*block)()) {
    if (depth_ >= kMaxDepth) return copyrest();
    ++depth_;
    const i16 r = (this->*block)();
    --depth_;
    return r;
  }

  // A statement run where a block's words may not end it (after "then" or "else").
  i16 runstatement() { return dostatement(nostop) == endoftext ? endoftext : plainword; }

  // on/function name ... end name.
  i16 handler() {
    const i16 n = getaword();
    if (n == endoftext || n == endofline || indentlevel_ != 0) return copyrest();
    const i32 namestart = wordstart_, namelength = wordend_ - wordstart_;
    copyline();
    ++indentlevel_;
    for (;;) {
      const i16 r = dostatement(kend);
      if (r == endoftext) return endoftext;
      if (r == kend) break;
    }
    getaword();
    if (wordend_ - wordstart_ != namelength ||
        !sameword(text_.data() + wordstart_, text_.data() + namestart, namelength))
      return copyrest();
    indentlevel_ = i16(std::max(0, indentlevel_ - 1));
    copyline();
    return plainword;
  }

  // After "if": the condition runs to "then" on this line, or the line ends and "then" starts
  // a later one. Anything else breaks the structure off.
  i16 ifblock() {
    i16 w = getaword();
    while (w != kthen && w != kif && w != kelse && w != endofline && w != endoftext) w = getaword();
    if (w == endoftext) return endoftext;
    if (w == kif || w == kelse) {
      raise(1);
      return copyrest();
    }
    if (w == endofline) {
      copyline();
      const i16 z = skipemptylines();
      if (z == endoftext) return endoftext;
      if (z != kthen) {
        raise(1);
        return copyrest();
      }
    }
    copyline(true);
    return afterthen();
  }

  // What follows "then" on its line decides the block's shape.
  i16 afterthen() {
    const i16 x = getaword();
    switch (x) {
      case endoftext: return endoftext;
      case endofline: copyline(); return domulti(false);
      case krepeat: return nested(&indenter::repeatblock);
      case kswitch: return nested(&indenter::switchblock);
      case ktry: return nested(&indenter::tryblock);
      case kif: return nested(&indenter::ifblock);
      default: break;
    }
    // A one-line statement, up to the line's end or an "else" on the same line.
    i16 y = x;
    while (y != endofline && y != endoftext && y != kelse) y = getaword();
    if (y == endoftext) return endoftext;
    if (y == kelse) return elsepart();
    copyline();
    // An "else" may start one of the next lines.
    const i16 z = skipemptylines();
    if (z == endoftext) return endoftext;
    if (z != kelse) {
      pushback(z);
      return plainword;
    }
    return elsepart();
  }

  // After the "else" of a one-line "then": alone on its line it opens an else block, otherwise
  // the statement after it is run.
  i16 elsepart() {
    const i16 n = getaword();
    if (n == endoftext) return endoftext;
    if (n == endofline) {
      copyline();
      return domulti(true);
    }
    pushback(n);
    return runstatement();
  }

  // The body of a multi-line "then" (or, with `elsepart`, of an "else") up to "end if". In a
  // then body an "else" alone on its line is written at the if's level and the body goes on;
  // an "else" followed by a statement (as "else if") runs that statement from the if's level
  // and closes the block. In an else body a second "else" breaks the structure off.
  i16 domulti(bool elsepart) {
    const i16 base = indentlevel_;
    raise(1);
    for (;;) {
      const i16 r = dostatement(kelse);
      if (r == endoftext) return endoftext;
      if (r == kelse) {
        if (elsepart) return copyrest();
        const i16 n = getaword();
        if (n == endoftext) return endoftext;
        if (n == endofline) {
          copylineout(i16(indentlevel_ - base));
          continue;
        }
        indentlevel_ = base;
        pushback(n);
        return runstatement();
      }
      if (r == kend) return closeblock(kif, base);
    }
  }

  // After the "end" of a block: the block's own word closes it at `base`; any other word
  // breaks the structure off.
  i16 closeblock(i16 word, i16 base) {
    if (getaword() != word) return copyrest();
    indentlevel_ = base;
    copyline();
    return plainword;
  }

  // A block from its opening line to "end" and its opening word, the body `body` levels in;
  // lines that start with `inner` are written one level out from the body.
  i16 block(i16 opener, i16 inner, i16 body) {
    copyline();
    const i16 base = indentlevel_;
    raise(body);
    for (;;) {
      const i16 r = dostatement(kend);
      if (r == endoftext) return endoftext;
      if (r == inner) copylineout(1);
      if (r == kend) return closeblock(opener, base);
    }
  }
  i16 repeatblock() { return block(krepeat, nostop, 1); }
  i16 switchblock() { return block(kswitch, kcase, 2); }
  i16 tryblock() { return block(ktry, kcatch, 2); }

  std::vector<u8> text_;
  i32 len_;
  i16 tabsize_;
  form form_;

  i32 readpos_ = 0;  // the start of the next line to copy
  i32 scan_ = 0;     // where the word reader stands
  i32 wordstart_ = 0, wordend_ = 0;
  bool pushed_ = false;
  i16 pushedcode_ = endoftext;

  i16 indentlevel_ = 0;
  i32 depth_ = 0;
  bool atlinestart_ = true;
  i32 line_ = 0;

  Handle out_ = nilhandle;
  Size outlen_ = 0, outcap_ = 0;
  i32 selstart_ = 0, selend_ = 0;
  bool scripttoobig_ = false;

  std::vector<i16> levels_;
};

std::vector<u8> textof(Handle text) {
  const Size n = GetHandleSize(text);
  const u8* p = deref(text);
  return n > 0 && p != nullptr ? std::vector<u8>(p, p + n) : std::vector<u8>();
}

}  // namespace

i16 indenttabsize(i32 tabsize) { return i16(std::clamp(tabsize, 0, 8)); }

Handle indent(Handle text, i32* selstart, i32* selend, i16 tabsize, bool inplace) {
  if (text == nilhandle || !IsValidHandle(text)) {
    KVBeep(2);
    return nilhandle;
  }
  indenter walk(textof(text), indenttabsize(tabsize), indenter::form::text);
  if (!walk.prepare()) {
    KVBeep(2);
    return nilhandle;
  }
  walk.setselection(selstart ? *selstart : 0, selend ? *selend : 0);
  walk.run();
  if (walk.failed()) {
    KVBeep(2);
    return nilhandle;
  }
  Handle out = walk.takeoutput();
  if (inplace) {
    // Only the text's block is resized here, so the output's bytes stay where they are.
    const OSErr err = PtrToXHand(deref(out), text, GetHandleSize(out));
    DisposeHandle(out);
    out = nilhandle;
    if (err != noErr) {
      KVBeep(2);
      return nilhandle;
    }
  }
  if (selstart) *selstart = walk.selstart();
  if (selend) *selend = walk.selend();
  return out;
}

void xkv4indent(Handle text, i32* selstart, i32* selend, i16 tabsize) { indent(text, selstart, selend, tabsize, true); }

void xkv3indent(Handle text, i16* selstart, i16* selend, i16 tabsize) {
  i32 start = selstart ? *selstart : 0;
  i32 end = selend ? *selend : 0;
  indent(text, &start, &end, tabsize, true);
  if (selstart) *selstart = i16(std::clamp(start, -32768, 32767));
  if (selend) *selend = i16(std::clamp(end, -32768, 32767));
}

i16 indentlevels(Handle text, i16 tabsize, Handle* levels) {
  if (levels == nullptr) return err::wentwrong;
  *levels = nilhandle;
  if (text == nilhandle || !IsValidHandle(text)) {
    KVBeep(2);
    return err::wentwrong;
  }
  indenter walk(textof(text), indenttabsize(tabsize), indenter::form::levels);
  walk.prepare();
  walk.run();
  const std::vector<i16>& found = walk.levels();
  if (PtrToHand(found.data(), levels, Size(found.size() * sizeof(i16))) != noErr) {
    *levels = nilhandle;
    return err::nomemory;
  }
  return noErr;
}

void PscriRTautoindentproc(WEReference we) {
  if (!isvalidwerec(we) || WEGetTextLength(we) == 0) {
    KVBeep(2);
    return;
  }
  Handle levels = nilhandle;
  if (indentlevels(WEGetText(we), indenttabsize(GetAutoIndentSize(we)), &levels) != noErr) return;
  const bool changed = WESetLineIndents(HandleAs<i16>(levels), i32(HandleCount<i16>(levels)), we);
  DisposeHandle(levels);
  if (!changed) return;
  const WindowRef window = GetWindowFromPort(WEGetPort(we));
  if (window == 0) return;
  LongRect lview;
  Rect view;
  WEGetViewRect(&lview, we);
  WELongRectToRect(&lview, &view);
  if (RgnHandle rgn = NewRgn()) {
    RectRgn(rgn, view);
    InvalWindowRgn(window, rgn);
    DisposeRgn(rgn);
  }
}

// --- The auto-indent settings of a record ------------------------------------------------

bool WEGetAutoIndentFlag(WEReference we) {
  u32 refcon = 0;
  return WEGetInfo(fourcc("refc"), &refcon, we) == noErr && (refcon & kAutoIndentFlagBit) != 0;
}

void SetAutoIndentSize(WEReference we, i32 size) { WESetUserInfo(fourcc("TSIZ"), size, we); }

i32 GetAutoIndentSize(WEReference we) {
  i32 v = 0;
  return WEGetUserInfo(fourcc("TSIZ"), &v, we) == noErr ? v : 0;
}

i32 GetAutoIndentSpaceWidth(WEReference we) {
  i32 v = 0;
  return WEGetUserInfo(fourcc("EMSP"), &v, we) == noErr ? v : 0;
}

}  // namespace kv
