#include "engine/tokenizer.h"

#include "engine/keywords.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "core/mainglobals.h"
#include "core/memoryguard.h"

namespace kv {

namespace {

// --- Character classes ------------------------------------------------------------------------
struct classrange {
  u8 first, last, cls;
};

constexpr classrange classranges[] = {
    {0x00, 0x00, chend},      {0x01, 0x07, chblank},    {0x08, 0x08, chother},    {0x09, 0x0C, chblank},
    {0x0D, 0x0D, chreturn},   {0x0E, 0x20, chblank},    {0x21, 0x21, chother},    {0x22, 0x22, chquote},
    {0x23, 0x25, chother},    {0x26, 0x26, choperator}, {0x27, 0x27, chother},    {0x28, 0x2D, choperator},
    {0x2E, 0x2E, chnumber},   {0x2F, 0x2F, choperator}, {0x30, 0x39, chnumber},   {0x3A, 0x3B, chother},
    {0x3C, 0x3E, choperator}, {0x3F, 0x40, chother},    {0x41, 0x5A, chletter},   {0x5B, 0x5D, chother},
    {0x5E, 0x5E, choperator}, {0x5F, 0x5F, chletter},   {0x60, 0x60, chother},    {0x61, 0x7A, chletter},
    {0x7B, 0x7E, chother},    {0x7F, 0x7F, chblank},    {0x80, 0x9F, chletter},   {0xA0, 0xA6, chother},
    {0xA7, 0xA7, chletter},   {0xA8, 0xAC, chother},    {0xAD, 0xAD, choperator}, {0xAE, 0xAF, chletter},
    {0xB0, 0xB1, chother},    {0xB2, 0xB3, choperator}, {0xB4, 0xBD, chother},    {0xBE, 0xBF, chletter},
    {0xC0, 0xC1, chother},    {0xC2, 0xC2, chcontinue}, {0xC3, 0xCA, chother},    {0xCB, 0xCF, chletter},
    {0xD0, 0xD7, chother},    {0xD8, 0xD8, chletter},   {0xD9, 0xFF, chblank},
};

constexpr std::array<u8, 256> buildtokentable() {
  std::array<u8, 256> t{};
  for (const classrange& r : classranges)
    for (int c = r.first; c <= r.last; ++c) t[size_t(c)] = r.cls;
  return t;
}

// The ranges follow each other without gap or overlap from 0x00 to 0xFF.
constexpr bool rangescoverallbytes() {
  int next = 0;
  for (const classrange& r : classranges) {
    if (r.first != next || r.last < r.first) return false;
    next = r.last + 1;
  }
  return next == 256;
}
static_assert(rangescoverallbytes());

constexpr Size atomsize = Size(sizeof(atom));
constexpr i64 maxatombytes = 0x7FFFFFFF;

// The scan state of one atomize call.
class atomizer {
 public:
  atomizer(Handle text, Handle atoms, hier* entry) : text_(text), atoms_(atoms), entry_(entry) {}

  i16 run();

 private:
  // Appends an atom; false when the handle cannot grow or the length does not fit.
  bool put(u16 token, u32 length, u32 offset);
  bool grow();
  atom& at(i32 index) { return base_[index]; }
  // True when the atom at index starts the script or a line.
  bool startsline(i32 index) { return index == 0 || (index > 0 && at(index - 1).token == tok::endofline); }

  i16 word(const u8* text, u32 start, u32 end);
  void closechain(i32& head, u16 opener, i32 endatom);
  void sethandlerflag(u16 token);

  Handle text_;
  Handle atoms_;
  hier* entry_;
  atom* base_ = nullptr;  // the atoms' bytes, fetched again after each growth
  i32 count_ = 0;
  i32 capacity_ = 0;
  i32 lastmessage_ = -1;   // last `on` handler-name atom
  i32 lastfunction_ = -1;  // last `function` handler-name atom
  i32 tryhead_ = -1;       // newest member of the open try/catch chain
  i32 switchhead_ = -1;    // newest member of the open switch/case chain
};

bool atomizer::grow() {
  i64 bytes = i64(capacity_ + atomstep) * atomsize;
  if (bytes > maxatombytes || memoryrefused(atomstep * atomsize)) return false;
  SetHandleSize(atoms_, Size(bytes));
  if (MemError() != noErr) return false;
  base_ = HandleAs<atom>(atoms_);
  capacity_ += atomstep;
  return true;
}

bool atomizer::put(u16 token, u32 length, u32 offset) {
  if (length > 0xFFFF) return false;  // an atom measures at most 65,535 characters
  if (count_ == capacity_ && !grow()) return false;
  atom& a = at(count_++);
  a = atom{};
  a.token = token;
  a.length = u16(length);
  a.link = -1;
  a.offset = offset;
  a.literal = nilhandle;
  a.numstate = numnotcached;
  return true;
}

void atomizer::sethandlerflag(u16 token) {
  int index = handlerflagindex(token);
  Handle flags = mainglobals().handlerflags;
  if (index >= 0 && flags != nilhandle && index < GetHandleSize(flags)) deref(flags)[index] = 1;
}

// `end try` or `end switch`: the open chain, newest member first, is relinked forwards. Each
// member's link held the member before it; now the last member links to the `end` atom, each
// earlier one to the member after it, and the opener to its first partner. The head goes back
// to what it was before the opener, so nested structures close one at a time.
void atomizer::closechain(i32& head, u16 opener, i32 endatom) {
  i32 next = endatom;
  i32 member = head;
  while (member >= 0) {
    atom& a = at(member);
    i32 before = a.link;
    a.link = next;
    if (a.token == opener) {
      head = before;
      return;
    }
    next = member;
    member = before;
  }
  head = -1;
}

// A word from start to end (exclusive). Its token comes from the keyword table, then the atom
// before it decides what else happens.
i16 atomizer::word(const u8* text, u32 start, u32 end) {
  u32 length = end - start;
  if (length > 0xFFFF) return tokenizefailed;
  u16 token = stringtotoken(text + start, u16(length));
  i32 previous = count_ - 1;
  u16 before = previous >= 0 ? at(previous).token : u16(tok::emptyrow);

  // A handler line: the name after `on` or `function` at the start of a line.
  if (entry_ != nullptr && (before == tok::on || before == tok::function) && startsline(previous)) {
    if (!put(token, length, start)) return tokenizefailed;
    i32 name = count_ - 1;
    bool message = before == tok::on;
    i32& last = message ? lastmessage_ : lastfunction_;
    i32& first = message ? entry_->firsthandler : entry_->firstfunction;
    if (last >= 0) at(last).link = name;
    last = name;
    if (first == -1) first = name;
    if (message ? (token >= firstcommand && token <= lastcommand) : (token >= firstfunction && token <= lastfunction))
      sethandlerflag(token);
    return 0;
  }

  switch (token) {
    case tok::wd:
      if (before == tok::card) at(previous).token = tok::current;  // `card window`: the current window
      break;
    case tok::then:
      if (previous >= 0 && before == tok::endofline) {
        // `then` at the start of a line continues the `if` line: it takes the return's place.
        --count_;
      }
      break;
    case tok::else_:
      if (previous >= 0 && before != tok::endofline) {
        // `else` always begins a line.
        atom prior = at(previous);
        if (!put(tok::endofline, prior.length, prior.offset)) return tokenizefailed;
      }
      break;
    default: break;
  }

  if (!put(token, length, start)) return tokenizefailed;
  i32 self = count_ - 1;
  bool afterend = before == tok::end;
  bool afterexit = before == tok::exit;
  if (token == tok::try_ || token == tok::switch_) {
    i32& head = token == tok::try_ ? tryhead_ : switchhead_;
    if (afterend) {
      closechain(head, token, previous);
    } else if (!afterexit) {
      at(self).link = head;
      head = self;
    }
  } else if (token == tok::catch_ || token == tok::case_) {
    i32& head = token == tok::catch_ ? tryhead_ : switchhead_;
    at(self).link = head;
    head = self;
  }
  return 0;
}

i16 atomizer::run() {
  // The scan stops at the 0 byte; a text without it at its end is never scanned.
  Size textsize = GetHandleSize(text_);
  if (textsize <= 0 || deref(text_)[textsize - 1] != 0) return tokenizefailed;

  MainGlobals& g = mainglobals();
  if (g.tokenhash == nilhandle && hashtokens() == 37) return tokenizefailed;
  if (entry_ != nullptr && g.handlerflags == nilhandle) {
    if (memoryrefused(handlerflagsize)) return tokenizefailed;
    Handle flags = NewHandleClear(handlerflagsize);
    if (flags == nilhandle) return tokenizefailed;
    g.handlerflags = flags;
  }

  capacity_ = 0;
  if (!grow()) return tokenizefailed;

  // The text handle is not resized while we scan, so its bytes stay where they are.
  const u8* p = deref(text_);
  u32 i = 0;
  for (;;) {
    u8 c = p[i];
    switch (tokentable[c]) {
      case chblank: ++i; break;

      case chreturn:
        // A run of returns (blank lines, comment lines) gives one end-of-line atom.
        if (count_ == 0 || at(count_ - 1).token != tok::endofline)
          if (!put(tok::endofline, 1, i)) return tokenizefailed;
        ++i;
        break;

      case chcontinue:
        // The rest of the line and its return are ignored.
        while (p[i] != 13 && p[i] != 0) ++i;
        if (p[i] == 13) ++i;
        break;

      case chend: {
        if (!put(tok::endofscript, 1, i)) return tokenizefailed;
        if (switchhead_ >= 0) at(switchhead_).link = -1;
        SetHandleSize(atoms_, count_ * atomsize);
        if (MemError() != noErr) return tokenizefailed;
        return 0;
      }

      case chquote: {
        // Up to and including the closing quote; an unterminated string stops before the
        // return (the evaluator reports it).
        u32 j = i + 1;
        while (p[j] != '"' && p[j] != 13 && p[j] != 0) ++j;
        if (p[j] == '"') ++j;
        if (!put(tok::stringatom, j - i, i)) return tokenizefailed;
        i = j;
        break;
      }

      case chnumber: {
        u32 j = i + 1;
        while (tokentable[p[j]] == chnumber) ++j;
        if (!put(tok::numberatom, j - i, i)) return tokenizefailed;
        i = j;
        break;
      }

      case chletter: {
        u32 j = i + 1;
        while (tokentable[p[j]] == chletter || tokentable[p[j]] == chnumber) ++j;
        if (word(p, i, j) != 0) return tokenizefailed;
        i = j;
        break;
      }

      case choperator: {
        u8 next = p[i + 1];  // c is not 0, so the stop marker still lies ahead
        u16 token = tok::unknown;
        u32 length = 1;
        switch (c) {
          case '-':
            if (next == '-') {
              // A comment runs to the end of the line; its return is read as any other.
              while (p[i] != 13 && p[i] != 0) ++i;
              continue;
            }
            token = tok::minus;
            break;
          case '^': token = tok::power; break;
          case '*': token = tok::mult; break;
          case '/': token = tok::slash; break;
          case '+': token = tok::plus; break;
          case '&':
            token = next == '&' ? tok::concatspace : tok::concat;
            length = next == '&' ? 2 : 1;
            break;
          case '<':
            if (next == '=') token = tok::lessequal, length = 2;
            else if (next == '>') token = tok::aint, length = 2;
            else token = tok::less;
            break;
          case '>':
            if (next == '=') token = tok::greaterequal, length = 2;
            else token = tok::greater;
            break;
          case '=': token = tok::is; break;
          case 0xB2: token = tok::lessequal; break;
          case 0xB3: token = tok::greaterequal; break;
          case 0xAD: token = tok::aint; break;
          case '(': token = tok::leftparen; break;
          case ')': token = tok::rightparen; break;
          case ',': token = tok::comma; break;
          default: break;
        }
        if (!put(token, length, i)) return tokenizefailed;
        i += length;
        break;
      }

      default:  // chother: one unknown atom per character
        if (!put(tok::unknown, 1, i)) return tokenizefailed;
        ++i;
        break;
    }
  }
}

}  // namespace

constexpr std::array<u8, 256> tokentable = buildtokentable();

Size appendstop(Handle text) {
  Size size = GetHandleSize(text);
  if (MemError() != noErr || size > 0x7FFFFFFF - 2 || memoryrefused(2)) return size;
  SetHandleSize(text, size + 2);
  if (MemError() != noErr) return size;
  Ptr p = deref(text);
  p[size] = 13;
  p[size + 1] = 0;
  return size + 2;
}

i16 atomize(Handle text, Handle atoms, hier* entry) { return atomizer(text, atoms, entry).run(); }

i16 tokenize(Handle text, Handle* atoms) {
  *atoms = nilhandle;
  Size size = GetHandleSize(text);
  if (MemError() != noErr || appendstop(text) == size) return tokenizefailed;
  Handle h = NewHandle(0);
  if (h == nilhandle) return tokenizefailed;
  i16 status = atomize(text, h, nullptr);
  if (status != 0) {
    DisposeHandle(h);
    return status;
  }
  *atoms = h;
  return 0;
}

}  // namespace kv
