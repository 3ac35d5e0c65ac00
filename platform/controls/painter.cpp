// The painter of the controls of buttons. Every kind is drawn flat from a few greys, the
// focus blue of the theme and the container backgrounds, so that the same control in the
// same state gives the same pixels on every machine. Nothing is drawn outside the control's
// bounds: the port's clip is narrowed to them for the drawing.
#include "platform/controls/painter.h"

#include <algorithm>
#include <array>
#include <string>

#include "platform/controls/controlextras.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/qd/copybits.h"
#include "platform/qd/icons.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/qd/qdtext.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/windows/theme.h"

namespace kv {

namespace {

constexpr RGBColor grey(u16 level) { return RGBColor{level, level, level}; }
constexpr RGBColor kWhite = grey(0xFFFF);
constexpr RGBColor kPressed = grey(0xAAAA);
constexpr RGBColor kTrack = grey(0xEEEE);
constexpr RGBColor kWell = grey(0xF7F7);
constexpr RGBColor kDark = grey(0x3333);
constexpr i16 kButtonFaceBrush = 29;
constexpr i16 kHighlightBrush = 46;
constexpr u32 kPhaseTicks = 4;
constexpr i16 kTabHeight = 22, kSmallTabHeight = 18;

struct PainterState {
  bool wellsdrawnothing = false;
};

// What a control looks like now.
struct Look {
  bool active;
  u8 hilite;
  RGBColor face, edge, text;
};

Look lookof(ControlRef c) {
  Look l{};
  l.hilite = GetControlHilite(c);
  l.active = IsControlActive(c) && l.hilite != kControlInactivePart;
  themebrushcolour(kButtonFaceBrush, l.active, &l.face);
  l.edge = grey(l.active ? 0x7777 : 0xAAAA);
  l.text = l.active ? grey(0) : grey(0x9999);
  return l;
}

RGBColor highlight(bool active) {
  RGBColor c{};
  themebrushcolour(kHighlightBrush, active, &c);
  return c;
}

bool emptyrect(const Rect& r) { return r.bottom <= r.top || r.right <= r.left; }
i16 width(const Rect& r) { return i16(r.right - r.left); }
i16 height(const Rect& r) { return i16(r.bottom - r.top); }

void paint(const Rect& r, RGBColor c) {
  if (emptyrect(r)) return;
  RGBForeColor(&c);
  PaintRect(&r);
}

void frame(const Rect& r, RGBColor c) {
  if (emptyrect(r)) return;
  RGBForeColor(&c);
  FrameRect(&r);
}

void line(i32 h1, i32 v1, i32 h2, i32 v2, RGBColor c) {
  RGBForeColor(&c);
  MoveTo(i16(h1), i16(v1));
  LineTo(i16(h2), i16(v2));
}

// A solid triangle from three points.
void triangle(Point a, Point b, Point c, RGBColor colour) {
  PolyHandle poly = newpolygon({a, b, c, a});
  if (poly == nilhandle) return;
  RGBForeColor(&colour);
  PaintPoly(poly);
  FramePoly(poly);
  KillPoly(poly);
}

// A triangle of side `size` centred in r pointing 0 east, 1 west, 2 north, 3 south.
void arrow(const Rect& r, i16 size, int towards, RGBColor colour) {
  const i16 ch = i16((r.left + r.right) / 2), cv = i16((r.top + r.bottom) / 2), half = i16(size / 2);
  const i16 depth = i16((size + 1) / 2);
  switch (towards) {
    case 0:
      triangle({i16(cv - half), i16(ch - depth / 2)}, {i16(cv + half), i16(ch - depth / 2)},
               {cv, i16(ch + depth - depth / 2)}, colour);
      break;
    case 1:
      triangle({i16(cv - half), i16(ch + depth / 2)}, {i16(cv + half), i16(ch + depth / 2)},
               {cv, i16(ch - depth + depth / 2)}, colour);
      break;
    case 2:
      triangle({i16(cv + depth / 2), i16(ch - half)}, {i16(cv + depth / 2), i16(ch + half)},
               {i16(cv - depth + depth / 2), ch}, colour);
      break;
    default:
      triangle({i16(cv - depth / 2), i16(ch - half)}, {i16(cv - depth / 2), i16(ch + half)},
               {i16(cv + depth - depth / 2), ch}, colour);
      break;
  }
}

// A text in the control's font in r: justification -1 right, 0 left, 1 centred; vertically
// centred. Answers its width.
i16 text(const std::string& t, const Rect& r, int just, const FontKey& k, RGBColor colour) {
  if (t.empty() || emptyrect(r)) return 0;
  TextFont(k.font);
  TextSize(k.size);
  TextFace(k.face);
  TextMode(srcOr);
  FontInfo fi{};
  GetFontInfo(&fi);
  const i16 n = i16(std::min<std::size_t>(t.size(), 255));
  const i16 w = TextWidth(t.data(), 0, n);
  const i32 h = just > 0 ? r.left + (width(r) - w) / 2 : just < 0 ? r.right - w : r.left;
  const i32 v = r.top + (height(r) - (fi.ascent + fi.descent)) / 2 + fi.ascent;
  RGBForeColor(&colour);
  MoveTo(i16(h), i16(v));
  DrawText(t.data(), 0, n);
  return w;
}

template <class T>
T tagof(ControlRef c, i16 part, u32 tag, T otherwise) {
  T v = otherwise;
  i32 size = 0;
  if (GetControlData(c, part, tag, sizeof v, &v, &size) != noErr || size != i32(sizeof v)) return otherwise;
  return v;
}

// A 1-bit 32 by 32 icon (128 bytes) in a rectangle: its set bits in the colour given.
void bits32(const u8* icon, const Rect& r, RGBColor colour) {
  const Rect whole{0, 0, 32, 32};
  const BitMap map{const_cast<u8*>(icon), 4, whole};
  RGBForeColor(&colour);
  CopyBits(&map, GetPortBitMapForCopyBits(currentportid()), &whole, &r, srcOr, nilid);
}

// What a bevel button, round button or image well shows, in r (a square of the content's own
// size is centred there).
void content(const ControlButtonContentInfo& info, const Rect& r, bool active) {
  if (emptyrect(r)) return;
  const i16 transform = active ? kTransformNone : kTransformDisabled;
  switch (info.contentType) {
    case kControlContentPictHandle:
      if (IsValidHandle(info.data) && GetHandleSize(info.data) >= 10) {
        const u8* p = deref(info.data);
        auto word = [p](int at) { return i16(u16((p[at] << 8) | p[at + 1])); };
        const Rect frame{word(2), word(4), word(6), word(8)};
        Rect at{0, 0, height(frame), width(frame)};
        OffsetRect(&at, i16(r.left + (width(r) - width(at)) / 2), i16(r.top + (height(r) - height(at)) / 2));
        DrawPicture(info.data, &at);
      }
      break;
    case kControlContentCIconHandle:
      if (IsValidHandle(info.data)) PlotCIconHandle(&r, kAlignAbsoluteCenter, transform, info.data);
      break;
    case kControlContentIconRef:
      if (IsValidIconRef(info.data)) PlotIconRef(&r, kAlignAbsoluteCenter, transform, info.data);
      break;
    case kControlContentIconSuiteHandle:
      if (IsValidHandle(info.data)) {
        Handle member = iconsuitemember(info.data, fourcc("ICN#"));
        if (member != nilhandle && GetHandleSize(member) >= 128) {
          const i16 side = std::min<i16>(32, std::min(width(r), height(r)));
          Rect at{0, 0, side, side};
          OffsetRect(&at, i16(r.left + (width(r) - side) / 2), i16(r.top + (height(r) - side) / 2));
          bits32(deref(member), at, active ? grey(0) : grey(0x8888));
        }
      }
      break;
    default: break;
  }
}

// --- The kinds ----------------------------------------------------------------------------------

struct Canvas {
  ControlRef c;
  ControlExtras& x;
  Rect b;
  Look look;
  FontKey font;
  i32 value, minimum, maximum;
};

// The share of the range the value reaches, over `length` pixels.
i32 reach(const Canvas& k, i32 length) {
  const i64 range = i64(k.maximum) - k.minimum;
  if (range <= 0 || length <= 0) return 0;
  return i32(std::clamp<i64>((i64(k.value) - k.minimum) * length / range, 0, length));
}

void pushbutton(const Canvas& k) {
  const bool pressed = k.look.hilite == kControlButtonPart;
  const bool dflt = tagof<u8>(k.c, 0, kControlPushButtonDefaultTag, 0) != 0 && k.look.active;
  RGBColor face = pressed ? kPressed : k.look.face, ink = k.look.text;
  if (dflt && !pressed) {
    // A default button pulses between the highlight and a lighter form of it.
    const RGBColor blue = highlight(true);
    const u32 step = animationphase() % 8, amount = step < 4 ? step : 8 - step;
    auto mix = [amount](u16 a) { return u16(a + (0xFFFF - a) * amount / 8); };
    face = RGBColor{mix(blue.red), mix(blue.green), mix(blue.blue)};
    ink = kWhite;
  }
  const i16 corner = std::min<i16>(8, height(k.b));
  RGBForeColor(&face);
  PaintRoundRect(&k.b, corner, corner);
  RGBForeColor(&k.look.edge);
  FrameRoundRect(&k.b, corner, corner);
  text(k.x.title, k.b, 1, k.font, ink);
}

void checkorradio(const Canvas& k, bool radio) {
  const i16 side = k.font.size <= 11 ? 10 : 12;
  const i16 top = i16(k.b.top + (height(k.b) - side) / 2);
  const Rect box{top, k.b.left, i16(top + side), i16(k.b.left + side)};
  const bool pressed = k.look.hilite != 0 && k.look.hilite != kControlInactivePart;
  const RGBColor fill = pressed ? kPressed : k.look.active ? kWhite : kTrack;
  const RGBColor mark = k.look.active ? kDark : grey(0x9999);
  RGBForeColor(&fill);
  if (radio) PaintOval(&box);
  else PaintRect(&box);
  RGBForeColor(&k.look.edge);
  if (radio) FrameOval(&box);
  else FrameRect(&box);
  if (k.value == 1 && radio) {
    Rect dot = box;
    InsetRect(&dot, 3, 3);
    RGBForeColor(&mark);
    PaintOval(&dot);
  } else if (k.value == 1) {
    PenSize(2, 2);
    line(box.left + 2, box.top + side / 2 - 1, box.left + side / 2 - 1, box.bottom - 4, mark);
    line(box.left + side / 2 - 1, box.bottom - 4, box.right - 3, box.top + 2, mark);
    PenSize(1, 1);
  } else if (k.value == 2) {
    paint(Rect{i16(box.top + side / 2 - 1), i16(box.left + 3), i16(box.top + side / 2 + 1), i16(box.right - 3)}, mark);
  }
  const Rect label{k.b.top, i16(box.right + 4), k.b.bottom, k.b.right};
  text(k.x.title, label, 0, k.font, k.look.text);
}

void bevelbutton(const Canvas& k) {
  const bool toggles = (k.x.settings.behavior & 0x0300) != 0;
  const bool pressed = (k.look.hilite != 0 && k.look.hilite != kControlInactivePart) || (toggles && k.value == 1);
  paint(k.b, pressed ? kPressed : k.look.face);
  const i16 thick = i16(std::clamp<i16>(k.x.settings.variant, 0, 2) + 1);
  for (i16 i = 1; i <= thick && width(k.b) > 2 * i && height(k.b) > 2 * i; ++i) {
    const RGBColor light = pressed ? grey(0x8888) : kWhite, dark = pressed ? kWhite : grey(0x9999);
    line(k.b.left + i, k.b.top + i, k.b.right - 1 - i, k.b.top + i, light);
    line(k.b.left + i, k.b.top + i, k.b.left + i, k.b.bottom - 1 - i, light);
    line(k.b.left + i, k.b.bottom - 1 - i, k.b.right - 1 - i, k.b.bottom - 1 - i, dark);
    line(k.b.right - 1 - i, k.b.top + i, k.b.right - 1 - i, k.b.bottom - 1 - i, dark);
  }
  frame(k.b, k.look.edge);
  Rect inner = k.b;
  InsetRect(&inner, i16(thick + 1), i16(thick + 1));
  const bool menu = tagof<u32>(k.c, 0, kControlBevelButtonMenuHandleTag, 0) != 0;
  if (menu) {
    arrow(Rect{inner.top, i16(inner.right - 10), inner.bottom, inner.right}, 7, 3, k.look.text);
    inner.right = i16(inner.right - 12);
  }
  ControlButtonContentInfo info{};
  GetBevelButtonContentInfo(k.c, &info);
  const bool graphic = info.contentType != kControlContentTextOnly && info.data != 0;
  const i16 place = tagof<i16>(k.c, 0, kControlBevelButtonTextPlaceTag, kControlBevelButtonPlaceNormally);
  const i16 talign = tagof<i16>(k.c, 0, kControlBevelButtonTextAlignTag, kControlBevelButtonAlignTextCenter);
  const i16 toffset = tagof<i16>(k.c, 0, kControlBevelButtonTextOffsetTag, 0);
  const int just = talign == kControlBevelButtonAlignTextCenter       ? 1
                   : talign == kControlBevelButtonAlignTextFlushRight ? -1
                                                                      : 0;
  Rect label = inner;
  if (just == 0) label.left = i16(label.left + toffset);
  if (just < 0) label.right = i16(label.right - toffset);
  if (graphic) {
    const i16 side = std::min<i16>(32, std::min(width(inner), height(inner)));
    const i16 galign = tagof<i16>(k.c, 0, kControlBevelButtonGraphicAlignTag, kControlBevelButtonAlignCenter);
    Rect g{0, 0, side, side};
    const i16 h = galign == kControlBevelButtonAlignLeft    ? inner.left
                  : galign == kControlBevelButtonAlignRight ? i16(inner.right - side)
                                                            : i16(inner.left + (width(inner) - side) / 2);
    i16 v = i16(inner.top + (height(inner) - side) / 2);
    if (place == kControlBevelButtonPlaceBelowGraphic && !k.x.title.empty()) v = inner.top;
    OffsetRect(&g, h, v);
    content(info, g, k.look.active);
    switch (place) {
      case kControlBevelButtonPlaceToRightOfGraphic:
        label = Rect{inner.top, i16(g.right + 2), inner.bottom, inner.right};
        break;
      case kControlBevelButtonPlaceToLeftOfGraphic:
        label = Rect{inner.top, inner.left, inner.bottom, i16(g.left - 2)};
        break;
      case kControlBevelButtonPlaceBelowGraphic: label = Rect{g.bottom, inner.left, inner.bottom, inner.right}; break;
      default: break;
    }
  }
  text(k.x.title, label, place == kControlBevelButtonPlaceBelowGraphic ? 1 : just, k.font, k.look.text);
}

void popupbutton(const Canvas& k) {
  const i16 corner = std::min<i16>(8, height(k.b));
  Rect body = k.b;
  i16 titlepart = k.x.settings.titlewidth;
  if (titlepart <= 0 && !k.x.title.empty())
    titlepart = i16(TextWidth(k.x.title.data(), 0, i16(std::min<std::size_t>(k.x.title.size(), 255))) + 4);
  if (titlepart > 0 && !k.x.title.empty()) {
    text(k.x.title, Rect{k.b.top, k.b.left, k.b.bottom, i16(k.b.left + titlepart)}, 0, k.font, k.look.text);
    body.left = i16(std::min<i32>(body.right, body.left + titlepart));
  }
  const bool pressed = k.look.hilite != 0 && k.look.hilite != kControlInactivePart;
  RGBForeColor(pressed ? &kPressed : &k.look.face);
  PaintRoundRect(&body, corner, corner);
  RGBForeColor(&k.look.edge);
  FrameRoundRect(&body, corner, corner);
  const Rect arrows{i16(body.top + 1), i16(std::max<i32>(body.left, body.right - 16)), i16(body.bottom - 1),
                    i16(body.right - 1)};
  line(arrows.left, arrows.top, arrows.left, arrows.bottom - 1, k.look.edge);
  const i16 mid = i16((arrows.top + arrows.bottom) / 2);
  arrow(Rect{i16(mid - 6), arrows.left, mid, arrows.right}, 7, 2, k.look.text);
  arrow(Rect{mid, arrows.left, i16(mid + 6), arrows.right}, 7, 3, k.look.text);
  if (k.x.menu != nilid && IsValidMenu(k.x.menu) && k.value >= 1 && k.value <= CountMenuItems(k.x.menu)) {
    Str255 item{};
    GetMenuItemText(k.x.menu, u16(k.value), item);
    const std::string t(reinterpret_cast<const char*>(item + 1), item[0]);
    text(t, Rect{body.top, i16(body.left + 8), body.bottom, arrows.left}, 0, k.font, k.look.text);
  }
}

void roundbutton(const Canvas& k) {
  const bool pressed = k.look.hilite != 0 && k.look.hilite != kControlInactivePart;
  RGBForeColor(pressed ? &kPressed : &k.look.face);
  PaintOval(&k.b);
  RGBForeColor(&k.look.edge);
  FrameOval(&k.b);
  ControlButtonContentInfo info{};
  GetBevelButtonContentInfo(k.c, &info);
  Rect in = k.b;
  InsetRect(&in, i16(width(k.b) / 5), i16(height(k.b) / 5));
  content(info, in, k.look.active);
}

void slider(const Canvas& k) {
  const bool across = width(k.b) >= height(k.b);
  const i16 thumb = 11;
  const i32 length = (across ? width(k.b) : height(k.b)) - thumb;
  const i32 at = reach(k, length);
  const i16 mid = across ? i16((k.b.top + k.b.bottom) / 2) : i16((k.b.left + k.b.right) / 2);
  const Rect track = across ? Rect{i16(mid - 2), i16(k.b.left + thumb / 2), i16(mid + 2), i16(k.b.right - thumb / 2)}
                            : Rect{i16(k.b.top + thumb / 2), i16(mid - 2), i16(k.b.bottom - thumb / 2), i16(mid + 2)};
  paint(track, kTrack);
  frame(track, k.look.edge);
  if (k.x.settings.tickmarks > 1 && length > 0) {
    const i32 n = k.x.settings.tickmarks;
    for (i32 i = 0; i < n; ++i) {
      const i32 p = (across ? k.b.left : k.b.top) + thumb / 2 + i32(i64(length) * i / (n - 1));
      if (across) line(p, k.b.bottom - 3, p, k.b.bottom - 1, k.look.edge);
      else line(k.b.right - 3, p, k.b.right - 1, p, k.look.edge);
    }
  }
  const i16 span = i16(std::min<i32>(across ? height(k.b) : width(k.b), 16));
  const Rect knob = across ? Rect{i16(mid - span / 2), i16(k.b.left + at), i16(mid - span / 2 + span),
                                  i16(k.b.left + at + thumb)}
                           : Rect{i16(k.b.top + at), i16(mid - span / 2), i16(k.b.top + at + thumb),
                                  i16(mid - span / 2 + span)};
  paint(knob, k.look.hilite == kControlIndicatorPart ? kPressed : k.look.face);
  frame(knob, k.look.edge);
}

void progress(const Canvas& k, bool relevance) {
  paint(k.b, relevance ? kWhite : kTrack);
  Rect in = k.b;
  InsetRect(&in, 1, 1);
  const RGBColor blue = k.look.active ? highlight(true) : grey(0xBBBB);
  const bool indeterminate = tagof<u8>(k.c, 0, kControlProgressBarIndeterminateTag, 0) != 0;
  if (relevance) {
    paint(Rect{in.top, in.left, in.bottom, i16(in.left + reach(k, width(in)))}, grey(0x8888));
  } else if (indeterminate) {
    // Bands of eight pixels that move two pixels a phase while the bar animates.
    const bool animating = tagof<u8>(k.c, 0, kControlProgressBarAnimatingTag, 0) != 0;
    const i32 shift = animating ? i32(animationphase() % 8) * 2 : 0;
    for (i32 h = in.left - 16 + shift; h < in.right; h += 16) {
      const Rect band{in.top, i16(std::max<i32>(h, in.left)), in.bottom, i16(std::min<i32>(h + 8, in.right))};
      if (!emptyrect(band)) paint(band, blue);
    }
  } else {
    paint(Rect{in.top, in.left, in.bottom, i16(in.left + reach(k, width(in)))}, blue);
  }
  frame(k.b, k.look.edge);
}

void littlearrows(const Canvas& k) {
  const i16 mid = i16((k.b.top + k.b.bottom) / 2);
  const Rect up{k.b.top, k.b.left, i16(mid + 1), k.b.right}, down{mid, k.b.left, k.b.bottom, k.b.right};
  paint(up, k.look.hilite == kControlUpButtonPart ? kPressed : k.look.face);
  paint(down, k.look.hilite == kControlDownButtonPart ? kPressed : k.look.face);
  frame(up, k.look.edge);
  frame(down, k.look.edge);
  arrow(up, 7, 2, k.look.text);
  arrow(down, 7, 3, k.look.text);
}

void chasingarrows(const Canvas& k) {
  // Eight dots on a circle; the dark one goes round while the control animates.
  static constexpr std::array<std::array<i16, 2>, 8> kDots = {
      {{0, -100}, {71, -71}, {100, 0}, {71, 71}, {0, 100}, {-71, 71}, {-100, 0}, {-71, -71}}};
  const i16 side = std::min(width(k.b), height(k.b));
  const i16 ch = i16((k.b.left + k.b.right) / 2), cv = i16((k.b.top + k.b.bottom) / 2);
  const i16 radius = i16(std::max(side / 2 - 3, 1)), dot = i16(std::max(side / 6, 2));
  const bool animating = tagof<u8>(k.c, 0, kControlProgressBarAnimatingTag, 0) != 0;
  const u32 lead = animating ? animationphase() % 8 : 0;
  for (u32 i = 0; i < kDots.size(); ++i) {
    const i16 h = i16(ch + kDots[i][0] * radius / 100), v = i16(cv + kDots[i][1] * radius / 100);
    const Rect r{i16(v - dot / 2), i16(h - dot / 2), i16(v - dot / 2 + dot), i16(h - dot / 2 + dot)};
    const RGBColor c = i == lead ? (k.look.active ? kDark : grey(0x9999)) : grey(0xC8C8);
    RGBForeColor(&c);
    PaintOval(&r);
  }
}

void disclosuretriangle(const Canvas& k) {
  const i16 side = std::min<i16>(12, height(k.b));
  const Rect box{i16(k.b.top + (height(k.b) - side) / 2), k.b.left, i16(k.b.top + (height(k.b) - side) / 2 + side),
                 i16(k.b.left + side)};
  arrow(box, 9, k.value ? 3 : 0, k.look.active ? grey(0x5555) : grey(0xAAAA));
  if (k.x.settings.drawtitle)
    text(k.x.title, Rect{k.b.top, i16(box.right + 4), k.b.bottom, k.b.right}, 0, k.font, k.look.text);
}

void groupbox(const Canvas& k) {
  const bool primary = k.x.settings.variant == 0;
  FontInfo fi{};
  TextFont(k.font.font);
  TextSize(k.font.size);
  TextFace(k.font.face);
  GetFontInfo(&fi);
  const i16 titleheight = k.x.title.empty() ? 0 : i16(fi.ascent + fi.descent);
  Rect box = k.b;
  box.top = i16(std::min<i32>(box.bottom, box.top + titleheight / 2));
  if (!primary) {
    RGBColor c{};
    themecontainercolour(kThemeBackgroundSecondaryGroupBox, kThemeStateActive, &c);
    paint(box, c);
  }
  frame(box, primary ? grey(k.look.active ? 0x9999 : 0xC4C4) : grey(k.look.active ? 0xB4B4 : 0xD4D4));
  if (!k.x.title.empty()) {
    const i16 w = TextWidth(k.x.title.data(), 0, i16(std::min<std::size_t>(k.x.title.size(), 255)));
    Rect gap{k.b.top, i16(k.b.left + 6), i16(k.b.top + titleheight), i16(std::min<i32>(k.b.left + 10 + w, k.b.right))};
    EraseRect(&gap);
    text(k.x.title, Rect{gap.top, i16(gap.left + 2), gap.bottom, gap.right}, 0, k.font, k.look.text);
  }
}

void container(const Canvas& k, u32 kind, bool line_only_at_bottom) {
  RGBColor c{};
  const bool pressed = k.look.hilite != 0 && k.look.hilite != kControlInactivePart;
  themecontainercolour(kind, pressed ? u32(kThemeStatePressed) : u32(kThemeStateActive), &c);
  paint(k.b, c);
  if (line_only_at_bottom) line(k.b.left, k.b.bottom - 1, k.b.right - 1, k.b.bottom - 1, k.look.edge);
  else frame(k.b, k.look.edge);
}

void imagewell(const Canvas& k, bool nothing) {
  if (nothing) return;
  paint(k.b, kWell);
  frame(k.b, k.look.edge);
  Rect in = k.b;
  InsetRect(&in, 1, 1);
  line(in.left, in.top, in.right - 1, in.top, grey(0xCCCC));
  line(in.left, in.top, in.left, in.bottom - 1, grey(0xCCCC));
  ControlButtonContentInfo info{};
  GetImageWellContentInfo(k.c, &info);
  InsetRect(&in, 2, 2);
  content(info, in, k.look.active);
}

// The tabs of a tabs control as drawn, from the left (the port's font set to the control's):
// each at least 40 wide or its name's width + 20, the first 8 in, none past the right edge.
struct TabPlace {
  Rect r;
  std::string name;
};
std::vector<TabPlace> tablayout(ControlRef c, const ControlExtras& x, const Rect& b, i32 maximum) {
  const i16 tabheight = (x.settings.variant & 1) ? kSmallTabHeight : kTabHeight;
  const i16 bottom = i16(std::min<i32>(b.bottom, b.top + tabheight - 1) + 1);
  std::vector<TabPlace> tabs;
  i32 h = b.left + 8;
  for (i32 i = 1; i <= maximum && h < b.right; ++i) {
    ControlTabInfoRecV0 info{};
    std::string name;
    if (GetControlData(c, i16(i), kControlTabInfoTag, sizeof info, &info, nullptr) == noErr)
      name.assign(reinterpret_cast<const char*>(info.name + 1), info.name[0]);
    const i32 w = std::max<i32>(40, TextWidth(name.data(), 0, i16(name.size())) + 20);
    tabs.push_back(TabPlace{Rect{b.top, i16(h), bottom, i16(std::min<i32>(h + w, b.right))}, name});
    h += w;
  }
  return tabs;
}

void tabs(const Canvas& k) {
  const i16 tabheight = (k.x.settings.variant & 1) ? kSmallTabHeight : kTabHeight;
  RGBColor pane{};
  themecontainercolour(kThemeBackgroundTabPane, kThemeStateActive, &pane);
  const Rect body{i16(std::min<i32>(k.b.bottom, k.b.top + tabheight - 1)), k.b.left, k.b.bottom, k.b.right};
  paint(body, pane);
  frame(body, k.look.edge);
  TextFont(k.font.font);
  TextSize(k.font.size);
  TextFace(k.font.face);
  const std::vector<TabPlace> places = tablayout(k.c, k.x, k.b, k.maximum);
  for (std::size_t n = 0; n < places.size(); ++n) {
    const i32 i = i32(n) + 1;
    const std::string& name = places[n].name;
    const bool enabled = tagof<u8>(k.c, i16(i), kControlTabEnabledFlagTag, 1) != 0;
    const Rect& tab = places[n].r;
    const bool chosen = i == k.value;
    paint(tab, chosen ? pane : k.look.face);
    frame(tab, k.look.edge);
    if (chosen) line(tab.left + 1, tab.bottom - 1, tab.right - 2, tab.bottom - 1, pane);
    text(name, tab, 1, k.font, enabled && k.look.active ? grey(0) : grey(0x9999));
  }
}

void databrowser(const Canvas& k) {
  paint(k.b, kWhite);
  const bool border = tagof<u8>(k.c, 0, kControlDataBrowserIncludesFrameAndFocusTag, 1) != 0;
  Rect in = k.b;
  if (border) {
    frame(k.b, k.look.edge);
    InsetRect(&in, 1, 1);
  }
  if (k.x.settings.variant == 1) return;  // column view: an empty column list
  const Rect header{in.top, in.left, i16(std::min<i32>(in.bottom, in.top + 18)), in.right};
  paint(header, k.look.face);
  line(header.left, header.bottom - 1, header.right - 1, header.bottom - 1, k.look.edge);
  i32 h = header.left;
  for (std::size_t i = 0; i < k.x.columns.size() && h < header.right; ++i) {
    const DataBrowserListViewHeaderDesc& d = k.x.columns[i].headerBtnDesc;
    const i32 w = i < k.x.widths.size() ? k.x.widths[i] : d.minimumWidth;
    const Rect cell{header.top, i16(h + 4), i16(header.bottom - 1), i16(std::min<i32>(h + w - 4, header.right))};
    const std::string title(reinterpret_cast<const char*>(d.titleString + 1), d.titleString[0]);
    const int just = d.btnFontStyle.just == -1 ? -1 : d.btnFontStyle.just == 1 ? 1 : 0;
    text(title, cell, just, k.font, k.look.text);
    h += w;
    if (h < header.right) line(h - 1, header.top + 2, h - 1, header.bottom - 3, k.look.edge);
  }
}

void separator(const Canvas& k) {
  if (width(k.b) >= height(k.b)) {
    const i16 v = i16((k.b.top + k.b.bottom) / 2);
    line(k.b.left, v, k.b.right - 1, v, k.look.edge);
  } else {
    const i16 h = i16((k.b.left + k.b.right) / 2);
    line(h, k.b.top, h, k.b.bottom - 1, k.look.edge);
  }
}

// Kinds that draw over whatever lies under them rather than erasing it first.
bool erases(const ControlExtras& x) {
  switch (x.settings.kind) {
    case kControlKindRadioGroup:
    case kControlKindSeparator: return false;
    case kControlKindGroupBox: return x.settings.variant != 0;
    default: return true;
  }
}

void drawkind(const Canvas& k) {
  switch (k.x.settings.kind) {
    case kControlKindPushButton:
    case kControlKindPushIconButton: pushbutton(k); break;
    case kControlKindCheckBox: checkorradio(k, false); break;
    case kControlKindRadioButton: checkorradio(k, true); break;
    case kControlKindBevelButton: bevelbutton(k); break;
    case kControlKindPopupButton: popupbutton(k); break;
    case kControlKindRoundButton: roundbutton(k); break;
    case kControlKindSlider: slider(k); break;
    case kControlKindDisclosureButton: {
      const bool pressed = k.look.hilite != 0 && k.look.hilite != kControlInactivePart;
      paint(k.b, pressed ? kPressed : k.look.face);
      frame(k.b, k.look.edge);
      arrow(k.b, 7, k.value ? 2 : 3, k.look.text);
      break;
    }
    case kControlKindProgressBar: progress(k, false); break;
    case kControlKindRelevanceBar: progress(k, true); break;
    case kControlKindLittleArrows: littlearrows(k); break;
    case kControlKindChasingArrows: chasingarrows(k); break;
    case kControlKindDisclosureTriangle: disclosuretriangle(k); break;
    case kControlKindGroupBox: groupbox(k); break;
    case kControlKindPopupArrow: {
      const u16 o = k.x.settings.orientation;
      arrow(k.b, i16(std::min(width(k.b), height(k.b)) + (o <= 1 ? 0 : 0)),
            o == 0   ? 0
            : o == 1 ? 1
            : o == 2 ? 2
                     : 3,
            k.look.text);
      break;
    }
    case kControlKindPlacard: container(k, kThemeBackgroundPlacard, false); break;
    case kControlKindWindowHeader:
      container(k, k.x.settings.variant ? kThemeBackgroundListViewWindowHeader : kThemeBackgroundWindowHeader, true);
      break;
    case kControlKindSeparator: separator(k); break;
    case kControlKindImageWell: imagewell(k, state<PainterState>().wellsdrawnothing); break;
    case kControlKindTabs: tabs(k); break;
    case kControlKindDataBrowser: databrowser(k); break;
    default: break;
  }
}

// The port's pen, colours, text settings and clip, put back when the drawing is done.
class SavedDrawing {
 public:
  SavedDrawing() : port_(currentportid()), clip_(NewRgn()) {
    GetPenState(&pen_);
    GetForeColor(&fore_);
    GetBackColor(&back_);
    GetPortBackPat(port_, &backpat_);
    font_ = GetPortTextFont(port_);
    size_ = GetPortTextSize(port_);
    face_ = GetPortTextFace(port_);
    mode_ = GetPortTextMode(port_);
    if (clip_ != nilid) GetClip(clip_);
  }
  ~SavedDrawing() {
    SetPenState(&pen_);
    RGBForeColor(&fore_);
    RGBBackColor(&back_);
    BackPat(&backpat_);
    TextFont(font_);
    TextSize(size_);
    TextFace(face_);
    TextMode(mode_);
    if (clip_ != nilid) {
      SetClip(clip_);
      DisposeRgn(clip_);
    }
  }
  SavedDrawing(const SavedDrawing&) = delete;
  SavedDrawing& operator=(const SavedDrawing&) = delete;
  RgnHandle clip() const { return clip_; }

 private:
  CGrafPtr port_;
  RgnHandle clip_;
  PenState pen_{};
  RGBColor fore_{}, back_{};
  Pattern backpat_{};
  i16 font_ = 0, size_ = 0, mode_ = 0;
  Style face_ = 0;
};

// The control's own drawing: the last routine of its draw event.
OSStatus defaultdraw(EventHandlerCallRef, EventRef, u32 userdata) {
  const ControlRef c = userdata;
  ControlExtras* x = controlextras(c);
  if (!x || !IsValidPort(currentportid())) return noErr;
  Rect b{};
  GetControlBounds(c, &b);
  if (emptyrect(b)) return noErr;
  x->shownphase = animationphase();
  {
    SavedDrawing saved;
    if (saved.clip() != nilid) {
      RgnHandle inside = NewRgn();
      if (inside != nilid) {
        RectRgn(inside, b);
        SectRgn(inside, saved.clip(), inside);
        SetClip(inside);
        DisposeRgn(inside);
      }
    }
    PenNormal();
    const i16 depth = portdepth(currentportid());
    if (SetUpControlBackground(c, depth, true) != noErr) {
      const i16 brush = windowthemebrush(GetControlOwner(c));
      if (SetThemeBackground(brush, depth, true) != noErr) SetThemeBackground(15, depth, true);
    }
    if (erases(*x)) EraseRect(&b);
    const Canvas k{c,
                   *x,
                   b,
                   lookof(c),
                   controlfontkey(c),
                   GetControl32BitValue(c),
                   GetControl32BitMinimum(c),
                   GetControl32BitMaximum(c)};
    drawkind(k);
  }
  // Embedded controls (radio buttons, the contents of tabs and group boxes) after their
  // container.
  for (ControlRef member : embeddedcontrols(c))
    if (IsControlVisible(member)) DrawControlInCurrentPort(member);
  return noErr;
}

}  // namespace

void paintcontrol(ControlRef control) {
  ControlExtras* x = controlextras(control);
  if (!x) return;
  std::vector<DirectHandler> chain;
  for (auto it = x->handlers.rbegin(); it != x->handlers.rend(); ++it)
    if (it->type.eventClass == kEventClassControl && it->type.eventKind == kEventControlDraw)
      chain.push_back(DirectHandler{it->proc, it->userdata});
  chain.push_back(DirectHandler{defaultdraw, control});
  ScopedEvent event(kEventClassControl, kEventControlDraw);
  SetEventParameter(event, kEventParamDirectObject, typeControlRef, sizeof control, &control);
  sendeventthrough(event, std::move(chain));
}

bool controlanimates(ControlRef control) {
  switch (GetControlKind(control)) {
    case kControlKindPushButton:
    case kControlKindPushIconButton: return tagof<u8>(control, 0, kControlPushButtonDefaultTag, 0) != 0;
    case kControlKindProgressBar:
    case kControlKindChasingArrows: return tagof<u8>(control, 0, kControlProgressBarAnimatingTag, 0) != 0;
    default: return false;
  }
}

u32 animationphase() { return TickCount() / kPhaseTicks; }

void setimagewellsdrawnothing(bool on) { state<PainterState>().wellsdrawnothing = on; }

OSStatus GetControlRegion(ControlRef control, i16 part, RgnHandle region) {
  if (!IsValidControlHandle(control)) return errInvalidControl;
  if (!IsValidRgn(region)) return paramErr;
  Rect b{};
  GetControlBounds(control, &b);
  Rect r = b;
  if (part == kControlContentMetaPart) {
    const ControlSettings s = GetControlSettings(control);
    const bool across = width(b) >= height(b);
    switch (s.kind) {
      case kControlKindScrollBar: {
        const i16 thick = across ? height(b) : width(b);
        if (across) r = Rect{b.top, i16(b.left + thick), b.bottom, i16(b.right - thick)};
        else r = Rect{i16(b.top + thick), b.left, i16(b.bottom - thick), b.right};
        break;
      }
      case kControlKindGroupBox:
      case kControlKindDataBrowser:
      case kControlKindTabs: InsetRect(&r, 1, 1); break;
      default: break;
    }
  } else if (part != kControlStructureMetaPart) {
    return errInvalidControl;
  }
  if (emptyrect(r)) SetEmptyRgn(region);
  else RectRgn(region, r);
  return noErr;
}

i16 tabat(ControlRef control, Point pt) {
  const ControlExtras* x = controlextras(control);
  Rect b{};
  GetControlBounds(control, &b);
  if (!x || !PtInRect(pt, &b)) return 0;
  GrafPtr port = nilid;
  GetPort(&port);
  const i16 font = GetPortTextFont(port), size = GetPortTextSize(port);
  const u8 face = u8(GetPortTextFace(port));
  const FontKey k = controlfontkey(control);
  TextFont(k.font);
  TextSize(k.size);
  TextFace(k.face);
  const std::vector<TabPlace> places = tablayout(control, *x, b, GetControl32BitMaximum(control));
  TextFont(font);
  TextSize(size);
  TextFace(face);
  for (std::size_t n = 0; n < places.size(); ++n)
    if (PtInRect(pt, &places[n].r)) return i16(n + 1);
  return 0;
}

}  // namespace kv
