#include "platform/te/te.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/backend/backend.h"
#include "platform/events/events.h"
#include "platform/events/keycodes.h"
#include "platform/qd/qd.h"
#include "platform/runtime/root.h"

namespace kv {

namespace {

struct TERecord {
  std::string text;
  i32 selstart = 0, selend = 0;
  Rect dest{0, 0, 0, 0}, view{0, 0, 0, 0};
  i16 font = 0, size = 12;
  bool active = false;
  bool cronly = false;
  bool caretshown = true;
  u32 blinked = 0;
  TEDrawHook hook = nullptr;
};

struct TEState {
  Registry<TERecord, RegType::textedit> records;
};

TERecord* rec(TEHandle te) { return state<TEState>().records.get(te); }

// Sets the current port's font to the record's and gives the old one back at the end.
class FontScope {
 public:
  explicit FontScope(const TERecord& r) {
    GrafPtr port = nilid;
    GetPort(&port);
    font_ = GetPortTextFont(port);
    size_ = GetPortTextSize(port);
    TextFont(r.font);
    TextSize(r.size);
  }
  ~FontScope() {
    TextFont(font_);
    TextSize(size_);
  }
  FontScope(const FontScope&) = delete;
  FontScope& operator=(const FontScope&) = delete;

 private:
  i16 font_ = 0, size_ = 12;
};

i16 width(std::string_view t, std::size_t from, std::size_t n) {
  return TextWidth(t.data(), i16(from), i16(std::min<std::size_t>(n, 32767)));
}

// The starts of the lines of a text wrapped at a width in the current port's font: a return
// ends a line after it; a line too long breaks after its last blank that fits, or else at
// the character that does not fit (always at least one character a line).
std::vector<i32> linestarts(std::string_view t, i16 w) {
  if (w <= 0) w = 32767;
  std::vector<i32> starts{0};
  std::size_t start = 0;
  while (start < t.size()) {
    std::size_t end = start, lastbreak = std::string::npos;
    bool returned = false;
    // Advances add up (no kerning): the line's width grows by one character's at a time.
    i32 linewidth = 0;
    while (end < t.size()) {
      if (t[end] == '\r') {
        ++end;
        returned = true;
        break;
      }
      linewidth += width(t, end, 1);
      if (linewidth > w && end > start) break;
      if (t[end] == ' ') lastbreak = end + 1;
      ++end;
    }
    if (end >= t.size() && !returned) break;
    if (!returned && lastbreak != std::string::npos && lastbreak > start) end = lastbreak;
    starts.push_back(i32(end));
    start = end;
  }
  return starts;
}

// The width lines wrap at: the destination's, or none while lines break only at returns.
i16 wrapwidth(const TERecord& r) { return r.cronly ? i16(32767) : i16(r.dest.right - r.dest.left); }

void clampsel(TERecord& r) {
  const i32 n = i32(r.text.size());
  r.selstart = std::clamp(r.selstart, 0, n);
  r.selend = std::clamp(r.selend, 0, n);
  if (r.selstart > r.selend) std::swap(r.selstart, r.selend);
}

void replace(TERecord& r, std::string_view with) {
  clampsel(r);
  std::size_t room = std::size_t(kTEMaxLength) - (r.text.size() - std::size_t(r.selend - r.selstart));
  with = with.substr(0, std::min(with.size(), room));
  r.text.replace(std::size_t(r.selstart), std::size_t(r.selend - r.selstart), with);
  r.selstart = r.selend = r.selstart + i32(with.size());
}

}  // namespace

TEHandle TENew(const Rect* destRect, const Rect* viewRect) {
  auto r = std::make_unique<TERecord>();
  if (destRect) r->dest = *destRect;
  r->view = viewRect ? *viewRect : r->dest;
  GrafPtr port = nilid;
  GetPort(&port);
  if (port != nilid) {
    r->font = GetPortTextFont(port);
    r->size = GetPortTextSize(port);
  }
  if (r->size <= 0) r->size = 12;
  return state<TEState>().records.add(std::move(r));
}

void TEDispose(TEHandle te) { state<TEState>().records.remove(te); }
bool isvalidte(TEHandle te) { return rec(te) != nullptr; }

void TESetText(const void* text, i32 length, TEHandle te) {
  TERecord* r = rec(te);
  if (r == nullptr) return;
  length = std::clamp(length, 0, kTEMaxLength);
  r->text.assign(static_cast<const char*>(text), text ? std::size_t(length) : 0);
  r->selstart = r->selend = i32(r->text.size());
}

std::string_view tetext(TEHandle te) {
  TERecord* r = rec(te);
  return r ? std::string_view(r->text) : std::string_view();
}

i32 TEGetLength(TEHandle te) { return i32(tetext(te).size()); }

void TESetSelect(i32 selStart, i32 selEnd, TEHandle te) {
  if (TERecord* r = rec(te)) {
    r->selstart = selStart;
    r->selend = selEnd;
    clampsel(*r);
  }
}

void TEGetSelection(TEHandle te, i32* selStart, i32* selEnd) {
  TERecord* r = rec(te);
  if (selStart) *selStart = r ? r->selstart : 0;
  if (selEnd) *selEnd = r ? r->selend : 0;
}

void TESetRects(TEHandle te, const Rect* destRect, const Rect* viewRect) {
  if (TERecord* r = rec(te)) {
    if (destRect) r->dest = *destRect;
    if (viewRect) r->view = *viewRect;
  }
}

Rect tedestrect(TEHandle te) {
  TERecord* r = rec(te);
  return r ? r->dest : Rect{0, 0, 0, 0};
}

Rect teviewrect(TEHandle te) {
  TERecord* r = rec(te);
  return r ? r->view : Rect{0, 0, 0, 0};
}

void TESetFont(TEHandle te, i16 font, i16 size) {
  if (TERecord* r = rec(te)) {
    r->font = font;
    r->size = size;
  }
}

i16 tefont(TEHandle te) {
  TERecord* r = rec(te);
  return r ? r->font : 0;
}

i16 tesize(TEHandle te) {
  TERecord* r = rec(te);
  return r ? r->size : 0;
}

void TEKey(u8 key, TEHandle te) {
  TERecord* r = rec(te);
  if (r == nullptr) return;
  clampsel(*r);
  switch (key) {
    case kBackspaceCharCode:
      if (r->selstart == r->selend && r->selstart > 0) --r->selstart;
      replace(*r, {});
      return;
    case kLeftArrowCharCode:
      r->selstart = r->selend = r->selstart == r->selend ? std::max(0, r->selstart - 1) : r->selstart;
      return;
    case kRightArrowCharCode:
      r->selstart = r->selend = r->selstart == r->selend ? std::min(i32(r->text.size()), r->selend + 1) : r->selend;
      return;
    default: break;
  }
  if (key < 32 && key != kReturnCharCode) return;
  const char c = char(key);
  replace(*r, std::string_view(&c, 1));
}

void TEInsert(const void* text, i32 length, TEHandle te) {
  if (TERecord* r = rec(te); r != nullptr && text != nullptr && length > 0)
    replace(*r, std::string_view(static_cast<const char*>(text), std::size_t(length)));
}

void TEDelete(TEHandle te) {
  if (TERecord* r = rec(te)) replace(*r, {});
}

void TECopy(TEHandle te) {
  TERecord* r = rec(te);
  if (r == nullptr) return;
  clampsel(*r);
  ClipFlavor f;
  f.type = fourcc("TEXT");
  f.bytes.assign(r->text.begin() + r->selstart, r->text.begin() + r->selend);
  backend().setclipboard({f});
}

void TECut(TEHandle te) {
  TECopy(te);
  TEDelete(te);
}

void TEPaste(TEHandle te) {
  for (const ClipFlavor& f : backend().clipboard())
    if (f.type == fourcc("TEXT")) {
      TEInsert(f.bytes.data(), i32(f.bytes.size()), te);
      return;
    }
}

i16 telineheight(TEHandle te) {
  TERecord* r = rec(te);
  if (r == nullptr) return 0;
  FontInfo fi{};
  FetchFontInfo(r->font, r->size, 0, &fi);
  return i16(fi.ascent + fi.descent + fi.leading);
}

void TEClick(Point pt, bool extend, TEHandle te, bool doubleclick) {
  TERecord* r = rec(te);
  if (r == nullptr) return;
  FontScope fs(*r);
  const std::vector<i32> starts = linestarts(r->text, wrapwidth(*r));
  const i16 lh = std::max<i16>(1, telineheight(te));
  std::size_t line = pt.v <= r->dest.top ? 0 : std::size_t((pt.v - r->dest.top) / lh);
  line = std::min(line, starts.size() - 1);
  const i32 from = starts[line];
  i32 to = line + 1 < starts.size() ? starts[line + 1] : i32(r->text.size());
  if (to > from && r->text[std::size_t(to - 1)] == '\r') --to;
  i32 offset = from;
  while (offset < to && r->dest.left + width(r->text, std::size_t(from), std::size_t(offset + 1 - from)) -
                                width(r->text, std::size_t(offset), 1) / 2 <=
                            pt.h)
    ++offset;
  i32 wordstart = offset, wordend = offset;
  if (doubleclick) {
    auto inword = [&](i32 i) {
      const u8 c = u8(r->text[std::size_t(i)]);
      return c > 32 && c != ',' && c != '.' && c != ';' && c != ':' && c != '"' && c != '(' && c != ')';
    };
    while (wordstart > from && inword(wordstart - 1)) --wordstart;
    while (wordend < to && inword(wordend)) ++wordend;
  }
  if (extend) {
    if (offset < r->selstart) r->selstart = wordstart;
    else r->selend = wordend;
  } else {
    r->selstart = wordstart;
    r->selend = wordend;
  }
  clampsel(*r);
  r->caretshown = true;
}

void TEIdle(TEHandle te) {
  TERecord* r = rec(te);
  if (r == nullptr || !r->active || r->selstart != r->selend) return;
  const u32 now = TickCount();
  if (now - r->blinked < GetCaretTime()) return;
  r->blinked = now;
  r->caretshown = !r->caretshown;
  TEUpdate(nullptr, te);
}

void TESetCROnly(TEHandle te, bool on) {
  if (TERecord* r = rec(te)) r->cronly = on;
}

bool tecronly(TEHandle te) {
  TERecord* r = rec(te);
  return r != nullptr && r->cronly;
}

void TESetDrawHook(TEHandle te, TEDrawHook hook) {
  if (TERecord* r = rec(te)) r->hook = hook;
}

i32 TEGetScrapLength() {
  for (const ClipFlavor& f : backend().clipboard())
    if (f.type == fourcc("TEXT")) return i32(std::min<std::size_t>(f.bytes.size(), 0x7FFFFFFF));
  return 0;
}

void TEActivate(TEHandle te) {
  if (TERecord* r = rec(te)) r->active = true;
}
void TEDeactivate(TEHandle te) {
  if (TERecord* r = rec(te)) r->active = false;
}
bool teactive(TEHandle te) {
  TERecord* r = rec(te);
  return r != nullptr && r->active;
}

i32 tecountlines(TEHandle te) {
  TERecord* r = rec(te);
  if (r == nullptr) return 0;
  FontScope fs(*r);
  return i32(linestarts(r->text, wrapwidth(*r)).size());
}

i32 countwrappedlines(std::string_view text, i16 w) { return i32(linestarts(text, w).size()); }

namespace {

// Draws wrapped text from the box's top-left; with a selection [selstart, selend) it is
// inverted.
void drawlines(std::string_view t, const Rect& box, i16 lineheight, i16 ascent, i32 selstart, i32 selend, bool showsel,
               i16 wrap = 0, TEDrawHook hook = nullptr, bool showcaret = true) {
  const std::vector<i32> starts = linestarts(t, wrap != 0 ? wrap : i16(box.right - box.left));
  for (std::size_t i = 0; i < starts.size(); ++i) {
    const i32 from = starts[i];
    i32 to = i + 1 < starts.size() ? starts[i + 1] : i32(t.size());
    i32 shown = to;
    if (shown > from && t[std::size_t(shown - 1)] == '\r') --shown;
    const i16 top = i16(box.top + i32(i) * lineheight);
    if (top >= box.bottom) break;
    MoveTo(box.left, i16(top + ascent));
    if (hook != nullptr) hook(i16(from), i16(shown - from), t.data());
    else DrawText(t.data(), i16(from), i16(shown - from));
    if (!showsel) continue;
    const i32 a = std::max(selstart, from), b = std::min(selend, shown);
    if (selstart == selend && !showcaret) continue;
    if (selstart == selend && selstart >= from && selstart <= shown && (selstart < to || i + 1 == starts.size())) {
      const i16 x = i16(box.left + width(t, std::size_t(from), std::size_t(selstart - from)));
      Rect caret{top, x, i16(top + lineheight), i16(x + 1)};
      InvertRect(&caret);
    } else if (a < b) {
      Rect hi{top, i16(box.left + width(t, std::size_t(from), std::size_t(a - from))), i16(top + lineheight),
              i16(box.left + width(t, std::size_t(from), std::size_t(b - from)))};
      InvertRect(&hi);
    }
  }
}

}  // namespace

void TEUpdate(const Rect* area, TEHandle te) {
  TERecord* r = rec(te);
  if (r == nullptr) return;
  FontScope fs(*r);
  Rect clip = r->view;
  if (area) SectRect(&clip, area, &clip);
  RgnHandle old = NewRgn();
  GetClip(old);
  ClipRect(&clip);
  EraseRect(&clip);
  FontInfo fi{};
  GetFontInfo(&fi);
  drawlines(r->text, r->dest, i16(fi.ascent + fi.descent + fi.leading), fi.ascent, r->selstart, r->selend, r->active,
            wrapwidth(*r), r->hook, r->caretshown);
  SetClip(old);
  DisposeRgn(old);
}

void TETextBox(const void* text, i32 length, const Rect* box, i16) {
  if (box == nullptr) return;
  std::string_view t(static_cast<const char*>(text), text ? std::size_t(std::max(0, length)) : 0);
  RgnHandle old = NewRgn();
  GetClip(old);
  ClipRect(box);
  EraseRect(box);
  FontInfo fi{};
  GetFontInfo(&fi);
  drawlines(t, *box, i16(fi.ascent + fi.descent + fi.leading), fi.ascent, 0, 0, false);
  SetClip(old);
  DisposeRgn(old);
}

}  // namespace kv
