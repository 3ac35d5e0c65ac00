// Classic button drawing: rectangle and polygon buttons, their faces and hilites.
#include "render/classicbuttons.h"

#include <algorithm>
#include <cstring>

#include "platform/controls/controls.h"
#include "platform/memory/memory.h"
#include "platform/qd/colors.h"
#include "platform/qd/copybits.h"
#include "platform/qd/masks.h"
#include "platform/qd/ports.h"
#include "platform/qd/qdtext.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "render/buttonicons.h"
#include "render/carddrawing.h"
#include "render/graphicdrawing.h"
#include "render/objectcolours.h"
#include "render/offscreen.h"
#include "render/spotstyles.h"
#include "core/mainglobals.h"
#include "core/settings.h"

namespace kv {

namespace {

enum : i16 { kAlignLeft = -2, kAlignRight = -1 };
constexpr RGBColor kDisabledGrey{35000, 35000, 35000};
constexpr i16 kIconSide = 32, kMaxFamilySide = 128;

// The button's text settings from its tail.
struct ButtonText {
  i16 font, size, face, align;
};
ButtonText buttontext(const spot& s) {
  const buttontail t = getbuttontail(s);
  return ButtonText{i16(t.words.v[0]), i16(t.words.v[1]), i16(t.words.v[2]), i16(t.words.v[3])};
}

// The port's font, size and face, put back when the scope ends.
class SavedFont {
 public:
  SavedFont()
      : font_(GetPortTextFont(currentportid())),
        size_(GetPortTextSize(currentportid())),
        face_(GetPortTextFace(currentportid())) {}
  ~SavedFont() {
    TextFont(font_);
    TextSize(size_);
    TextFace(face_);
  }
  SavedFont(const SavedFont&) = delete;
  SavedFont& operator=(const SavedFont&) = delete;

 private:
  i16 font_, size_;
  Style face_;
};

void usefont(i16 font, i16 size, i16 face) {
  TextFont(font);
  TextSize(size);
  TextFace(Style(face));
}

// The object's name as a short string (empty without one).
void nameof(const spot& s, Str255 out) {
  out[0] = 0;
  if (s.name == nilhandle || !IsValidHandle(s.name)) return;
  const Size n = std::min<Size>(GetHandleSize(s.name), 255);
  out[0] = u8(n);
  std::memcpy(out + 1, deref(s.name), std::size_t(n));
}

// Below 8 bits, on the screen or in the card offscreen world.
bool lowdepth() { return devicedepth(GetMainDevice()) < 8 || GetOffScreenDepth() < 8; }

// Washes a box grey: the system grey pattern clears every other pixel.
void washgrey(const Rect& box) {
  PenPat(&qdgray);
  PenMode(patBic);
  PaintRect(&box);
  PenNormal();
}

// The left edge of a name of width w by the alignment, `inset` pixels from the side.
i16 namestart(const spot& s, i16 align, i32 w, i32 inset) {
  const i32 hc = (i32(s.rect.left) + s.rect.right) / 2;
  if (align == kAlignLeft) return i16(s.rect.left + inset);
  if (align == kAlignRight) return i16(s.rect.right - w - inset);
  return i16(hc - w / 2);
}

void painttriangle(Point a, Point b, Point c) {
  const PolyHandle poly = newpolygon({a, b, c, a});
  if (poly == nilhandle) return;
  PaintPoly(poly);
  KillPoly(poly);
}

// The pens of a button: its fill pattern and fill colours, its pen pattern, size and colours;
// the ink is not a pen mode for buttons.
void setbuttonfill(const spot& s) {
  const Pattern pat = patternof(s.fillpat);
  PenPat(&pat);
  setobjectcolours(s, ObjectPart::fill);
}
void setbuttonpen(const spot& s) {
  const Pattern pat = patternof(s.penpat);
  PenPat(&pat);
  PenSize(i16(s.penwidth), i16(s.penheight));
  setobjectcolours(s, ObjectPart::pen);
}

// The three steps of a classic button over its shape: shadow and fill, frame or edit outline,
// then the face.
template <class Paint, class Frame, class Shadow>
void drawbutton(spot& s, i16 outline, Paint paint, Frame frame, Shadow shadow) {
  if (s.showfill) {
    if (s.shadow != 0) {
      shadowpat(u8(s.ink));
      shadow(i16(s.shadow));
      PenNormal();
    }
    setbuttonfill(s);
    paint();
    outline = outlinenone;
  }
  if (s.showpen) {
    setbuttonpen(s);
    frame();
  } else if (outline == outlinebuttons || outline == outlineall) {
    PenPat(&kOutlinePattern);
    PenSize(1, 1);
    frame();
  }
  PenNormal();
  buttoname(s);
}

// A name-only face: the name by the alignment, centred on the height, with the popup arrow of
// a style 200 button after it.
void drawnameface(const spot& s, ConstStringPtr name) {
  const ButtonText bt = buttontext(s);
  SavedFont saved;
  usefont(bt.font, bt.size, bt.face);
  const bool arrow = (s.flags & spotpoparrow) && s.style == stylebuttonrect;
  const i16 m = CharWidth('m'), space = CharWidth(' ');
  i32 w = StringWidth(name);
  if (arrow) w += m + space;
  const i16 vc = i16((i32(s.rect.top) + s.rect.bottom) / 2);
  const i16 h = s.style > stylepolybutton ? i16(s.rect.left + 19) : namestart(s, bt.align, w, 7);
  FontInfo fi{};
  GetFontInfo(&fi);
  const i16 baseline = i16(vc + fi.ascent - (fi.ascent + fi.descent) / 2 - 1);
  MoveTo(h, baseline);
  DrawString(name);
  if (arrow) {
    Point pen{};
    GetPen(&pen);
    const i16 top = i16(baseline - (2 * fi.ascent) / 3 + 1);
    const i16 left = std::max<i16>(i16(pen.h + space), i16(s.rect.right - m - 7));
    painttriangle(Point{top, left}, Point{top, i16(left + m)}, Point{i16(top + fi.ascent / 2), i16(left + m / 2)});
  }
  if (lowdepth())
    washgrey(Rect{i16(baseline - fi.ascent - 2), i16(h - 2), i16(baseline + fi.descent + 2), i16(h + w + 2)});
}

i16 iconfamilytransform(const spot& s) {
  if (s.flags & spotdisabled) return kTransformDisabled;
  if (s.flags & spothilite) return kTransformSelected;
  // An icon family shows disabled while its window's root control is inactive.
  const WindowRef w = mainglobals().current.window;
  if (ControlRef root = nilid;
      w != nilid && GetRootControl(w, &root) == noErr && root != nilid && !IsControlActive(root))
    return kTransformDisabled;
  return kTransformNone;
}

// A classic face: the colour icon or black-and-white icon of the id, and the name under it in
// the interface font. Answers whether the hilite was shown.
bool drawclassicface(const spot& s, ConstStringPtr name, u32 id) {
  const ButtonText bt = buttontext(s);
  const i16 vc = i16((i32(s.rect.top) + s.rect.bottom) / 2), hc = i16((i32(s.rect.left) + s.rect.right) / 2);
  Rect icon{i16(vc - 16), i16(hc - 16), i16(vc + 16), i16(hc + 16)};
  const bool hilite = (s.flags & spothilite) != 0;
  bool shown = false;
  if (s.flags & spotshowname) {
    SavedFont saved;
    usefont(i16(currentsettings().interfacefont), 9, 0);
    const i16 w = StringWidth(name);
    const i16 h = namestart(s, bt.align, w, 7);
    const Rect box{i16(vc + 10), i16(h - 2), i16(vc + 22), i16(h + w + 2)};
    MoveTo(h, i16(vc + 19));
    DrawString(name);
    OffsetRect(&icon, 0, -6);
    if (lowdepth()) {
      EraseRect(&box);
      MoveTo(h, i16(vc + 19));
      DrawString(name);
      washgrey(box);
    }
    if (hilite) InvertRect(&box);
  }
  CIconHandle colour = nilhandle;
  if (getcicon(id, &colour)) {
    const i16 transform = (s.flags & spotdisabled) ? kTransformDisabled : hilite ? kTransformSelected : kTransformNone;
    if (transform == kTransformNone) PlotCIcon(&icon, colour);
    else PlotCIconHandle(&icon, kAlignNone, transform, colour);
    DisposeCIcon(colour);
    return hilite;
  }
  u8 bits[kIconBytes], mask[kIconBytes];
  geticon(id, bits);
  CalcMask(bits, mask, 4, 4, kIconSide, 2);
  const Rect whole{0, 0, kIconSide, kIconSide};
  const BitMap maskmap{mask, 4, whole}, bitsmap{bits, 4, whole};
  const BitMap* port = GetPortBitMapForCopyBits(currentportid());
  CopyBits(&maskmap, port, &whole, &icon, srcBic, nilid);
  if (lowdepth())
    for (std::size_t row = 0; row < kIconSide; ++row)
      for (std::size_t b = 0; b < 4; ++b) bits[row * 4 + b] &= row % 2 == 0 ? 0xAA : 0x55;
  CopyBits(&bitsmap, port, &whole, &icon, srcOr, nilid);
  if (hilite && !s.showfill) {
    CopyBits(&maskmap, port, &whole, &icon, srcXor, nilid);
    shown = true;
  }
  return shown;
}

}  // namespace

void drawrectbutton(spot& s, i16 outline) {
  drawbutton(
      s, outline, [&] { PaintRect(&s.rect); }, [&] { FrameRect(&s.rect); },
      [&](i16 offset) {
        Rect r = s.rect;
        OffsetRect(&r, offset, offset);
        PaintRect(&r);
      });
}

void LowDrawPolygonBtn(spot& s, i16 outline) {
  const PolyHandle poly = s.data;
  if (poly == nilhandle) return;
  drawbutton(
      s, outline, [&] { PaintPoly(poly); }, [&] { FramePoly(poly); },
      [&](i16 offset) {
        Handle copy = poly;
        if (HandToHand(&copy) != noErr) return;
        OffsetPoly(copy, offset, offset);
        PaintPoly(copy);
        KillPoly(copy);
      });
}

void buttoname(spot& s) {
  const u32 id = getbuttontail(s).icon;
  IconRef family = s.style < styleradiobutton && id == 0 ? icondatafamily(s) : IconRef(nilid);
  const bool showname = (s.flags & spotshowname) != 0;
  const bool hilite = (s.flags & spothilite) != 0;
  if (!showname && id == 0 && family == nilid) {
    if (hilite) hilitespotcolor(s);
    return;
  }
  if (s.flags & spotautodim) setextforeback(255, 0);
  else setcolourpair(255, 0);
  if (!lowdepth() && (s.flags & spotdisabled)) RGBForeColor(&kDisabledGrey);
  Str255 name;
  nameof(s, name);
  // The face is clipped to the button's shape, within the clip already in force.
  const RgnHandle saved = NewRgn(), shape = NewRgn();
  if (saved == nilid || shape == nilid) {
    DisposeRgn(saved);
    DisposeRgn(shape);
    if (family != nilid) ReleaseIconRef(family);
    return;
  }
  GetClip(saved);
  if (s.style == stylepolybutton) {
    PolyRgn(shape, s.data);
  } else {
    Rect inside = s.rect;
    InsetRect(&inside, 1, 1);
    RectRgn(shape, inside);
  }
  SectRgn(shape, saved, shape);
  SetClip(shape);
  bool shown = false;
  if (s.style > stylepolybutton || (id == 0 && family == nilid)) {
    if (showname) drawnameface(s, name);
  } else {
    s.textflags = u8(s.textflags & ~kIconFamilyFace);
    IconRef ref = family;
    if (id != 0 && geticns(id, &ref) == 0) ref = nilid;
    if (ref != nilid) {
      drawicnsbtn(s, showname ? name : nullptr, ref);
      s.textflags = u8(s.textflags | kIconFamilyFace);
      ReleaseIconRef(ref);
      shown = true;
    } else {
      shown = drawclassicface(s, name, id);
    }
  }
  SetClip(saved);
  DisposeRgn(saved);
  DisposeRgn(shape);
  if (hilite && !shown) hilitespotcolor(s);
}

void calcicnsrect(const spot& s, const FontInfo* info, Rect* out, i16* gap) {
  const i32 h = i32(s.rect.bottom) - s.rect.top, w = i32(s.rect.right) - s.rect.left;
  auto clamp = [](i32 v) { return std::clamp<i32>(v, 0, kMaxFamilySide); };
  const i32 text = info ? info->ascent + info->descent : 0;
  const i32 size = info ? std::min(clamp(h - 16 - text), clamp(w - 8)) : std::min(clamp(h - 8), clamp(w - 8));
  if (size == 0) return;
  const i32 left = s.rect.left + (w - size) / 2;
  i32 top = s.rect.top + (h - size) / 2;
  if (info) {
    const i32 between = std::max(h - text - size, 0) / 3;
    top = s.rect.top + between + 4;
    if (gap) *gap = i16(between);
  }
  *out = Rect{i16(top), i16(left), i16(top + size), i16(left + size)};
}

void drawicnsbtn(const spot& s, ConstStringPtr name, IconRef icon) {
  const ButtonText bt = buttontext(s);
  SavedFont saved;
  FontInfo fi{};
  Rect r{0, 0, 0, 0};
  i16 gap = 0;
  if (name) {
    usefont(bt.font, bt.size, bt.face);
    GetFontInfo(&fi);
    calcicnsrect(s, &fi, &r, &gap);
  } else {
    calcicnsrect(s, nullptr, &r, &gap);
  }
  PlotIconRef(&r, kAlignAbsoluteCenter, iconfamilytransform(s), icon);
  i16 h = 0, w = 0;
  const i16 baseline = i16(s.rect.bottom - gap - fi.descent - 1);
  if (name) {
    w = StringWidth(name);
    h = namestart(s, bt.align, w, 4);
    MoveTo(h, baseline);
    DrawString(name);
  }
  if ((s.flags & spotpoparrow) && s.style == stylebuttonrect) {
    const i16 v = std::max<i16>(i16(s.rect.bottom - 12), s.rect.top);
    const i16 left = std::max<i16>(i16(std::max<i16>(i16(s.rect.right - 28), s.rect.left) + CharWidth(' ')),
                                   i16(s.rect.right - 16));
    painttriangle(Point{v, left}, Point{v, i16(left + 12)}, Point{i16(v + 6), i16(left + 6)});
  }
  if (name && lowdepth())
    washgrey(Rect{i16(baseline - fi.ascent - 2), i16(h - 2), i16(baseline + fi.descent + 2), i16(h + w + 2)});
}

void hilitespotcolor(const spot& s) {
  const MainGlobals& g = mainglobals();
  const u16 window = g.current.hilitecolor;
  RGBColor before{};
  GetPortHiliteColor(currentportid(), &before);
  const bool coloured = g.colorWorld && window != 0;
  if (coloured) {
    const RGBColor back = clutcolour(s.fillback), hilite = clutcolour(u8(window - 1));
    RGBBackColor(&back);
    HiliteColor(&hilite);
    LMSetHiliteMode(false);
  }
  const Rect& r = s.rect;
  const i16 vc = i16((i32(r.top) + r.bottom) / 2);
  auto dash = [&] {
    PenSize(1, 2);
    MoveTo(i16(r.left + 6), i16(vc - 1));
    LineTo(i16(r.left + 11), i16(vc - 1));
    PenNormal();
  };
  switch (s.style) {
    case stylebuttonrect: {
      Rect inside = r;
      InsetRect(&inside, 1, 1);
      InvertRect(&inside);
      break;
    }
    case stylebuttonroundrect: {
      const i16 corner = i16((i32(r.bottom) - r.top) / 2);
      InvertRoundRect(&r, corner, corner);
      FrameRoundRect(&r, corner, corner);
      break;
    }
    case stylepolybutton:
      if (s.data != nilhandle) InvertPoly(s.data);
      break;
    case styleradiobutton:
      if (s.flags & spotmixedvalue) {
        dash();
      } else {
        const Rect dot{i16(vc - 3), i16(r.left + 6), i16(vc + 3), i16(r.left + 12)};
        PaintOval(&dot);
      }
      break;
    case stylecheckbox:
      if (s.flags & spotmixedvalue) {
        dash();
      } else {
        MoveTo(i16(r.left + 4), i16(vc - 5));
        LineTo(i16(r.left + 13), i16(vc + 4));
        MoveTo(i16(r.left + 13), i16(vc - 5));
        LineTo(i16(r.left + 4), i16(vc + 4));
      }
      break;
    default: break;
  }
  // The inversion sets the hilite mode again; the marks of styles 203 and 204 do not invert.
  LMSetHiliteMode(true);
  if (coloured) HiliteColor(&before);
}

}  // namespace kv
