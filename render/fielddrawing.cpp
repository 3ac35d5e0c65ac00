// Field drawing: fields 300-303 with their fill, shadow, frame, text, dotted lines, theme
// frame, scroll bar, ruler and focus ring; the open field drawn over its card; the text records
// fields are drawn through.
#include "render/fielddrawing.h"

#include <algorithm>
#include <string>

#include "engine/objectutil.h"
#include "fields/fieldscroll.h"
#include "fields/fieldview.h"
#include "fields/listfields.h"
#include "fields/rulercontrol.h"
#include "platform/controls/controls.h"
#include "platform/console/console.h"
#include "platform/qd/pictures.h"
#include "platform/qd/qdtext.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/windows/theme.h"
#include "platform/windows/windows.h"
#include "render/carddrawing.h"
#include "render/carddrawingimpl.h"
#include "render/graphicdrawing.h"
#include "render/objectcolours.h"
#include "render/spotstyles.h"
#include "render/themebuttons.h"
#include "render/windowclip.h"
#include "core/mainglobals.h"
#include "shell/portroutines.h"
#include "store/liveparts.h"
#include "store/fieldtext.h"
#include "store/objects.h"
#include "system/proctable.h"
#include "textengine/fieldstorage.h"

namespace kv {

namespace {

constexpr u32 kShowLines = 1u << 4, kWideMargins = 1u << 5;
constexpr u8 kShowRuler = 1u << 1;
constexpr i16 kFieldBrush = 15;
constexpr Pattern kDots{{0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA}};
constexpr i16 kPatOr = 9;
constexpr RGBColor kBlack{0, 0, 0}, kWhite{0xFFFF, 0xFFFF, 0xFFFF};
constexpr OSType kVizu = fourcc("VIZU"), kScrollTag = fourcc("scrl"), kRulerDataTag = fourcc("RUod");
// Where a field's scroll bar waits between drawings.
constexpr Rect kParked{-32016, -32016, -32000, -32000};
constexpr i16 kBarHilited = 10, kInactive = -1;

bool commenting() { return mainglobals().offwindowdrawing || portrecordingpicture(currentportid()); }

bool windowhilited() {
  const WindowRef w = mainglobals().current.window;
  return w != nilid && IsWindowHilited(w);
}

i16 pin16(i32 v) { return i16(std::clamp(v, -32768, 32767)); }

// The pen of a field's frame: its pattern, size and colours (a field's ink byte is its shadow
// pattern, not a transfer mode).
void setfieldpen(const spot& s) {
  PenMode(patCopy);
  const Pattern pat = patternof(s.penpat);
  PenPat(&pat);
  PenSize(i16(s.penwidth), i16(s.penheight));
  setobjectcolours(s, ObjectPart::pen);
}

// The shadow under a filled field, offset by its shadow offset.
void paintshadow(const spot& s, RgnHandle less) {
  if (s.shadow == 0) return;
  shadowpat(u8(s.ink));
  Rect r = s.rect;
  OffsetRect(&r, i16(s.shadow), i16(s.shadow));
  if (less == 0) {
    PaintRect(&r);
  } else {
    RgnHandle shade = NewRgn();
    if (shade != 0) {
      RectRgn(shade, r);
      DiffRgn(shade, less, shade);
      PaintRgn(shade);
      DisposeRgn(shade);
    }
  }
  PenNormal();
}

// Draws a record's text with the do-nothing erase hook, between the text comments of pictures.
void drawrecordtext(WEReference we) {
  weopentextcom(we);
  WEEraseProcPtr hook = nullptr;
  WEGetInfo(fourcc("eras"), &hook, we);
  const WEEraseProcPtr none = getproc<289>();
  WESetInfo(fourcc("eras"), &none, we);
  WEUpdate(0, we);
  WESetInfo(fourcc("eras"), &hook, we);
  if (commenting()) {
    PicComment(151, 0, nilhandle);
    PicComment(131, 0, nilhandle);
  }
}

// The line height of a field drawn without a text record: its stored text's line height, else
// that of its text style in the current port.
i32 textlesslineheight(const spot& s) {
  const i64 size = s.data != nilhandle ? GetHandleSize(s.data) : 0;
  const fieldtail tail = size > 0 ? fieldtextail(deref(s.data), size) : defaultfieldtail();
  if (tail.lineheight > 0) return tail.lineheight;
  const CGrafPtr port = currentportid();
  const i16 font = GetPortTextFont(port), textsize = GetPortTextSize(port);
  const Style face = GetPortTextFace(port);
  TextFont(i16(tail.font));
  TextSize(i16(tail.size));
  TextFace(Style(tail.face));
  FontInfo info{};
  GetFontInfo(&info);
  TextFont(font);
  TextSize(textsize);
  TextFace(face);
  return info.ascent + info.descent + info.leading;
}

// The dotted lines of showLines: at each line boundary from the first below the view's top,
// then on at the last line's height down to the view's bottom. Without a record, the lines of
// the field's text style from the destination's top.
void drawdottedlines(const spot& s, WEReference we, const LongRect& dest, const LongRect& view) {
  PenState saved;
  GetPenState(&saved);
  PenNormal();
  PenPat(&kDots);
  PenMode(kPatOr);
  const i32 floor = view.top + ((s.flags & kWideMargins) ? 4 : 0);
  auto rule = [&](i32 boundary) {
    const i32 row = boundary - 1;
    if (row <= floor || row >= view.bottom) return;
    MoveTo(pin16(view.left), pin16(row));
    LineTo(pin16(view.right - 1), pin16(row));
  };
  i32 boundary = dest.top, step = 0;
  if (we != nilid) {
    LongRect textdest;
    WEGetDestRect(&textdest, we);
    boundary = textdest.top;
    const i32 lines = WECountLines(we);
    for (i32 i = 0; i < lines && boundary < view.bottom; ++i) {
      boundary += WEGetHeight(i, i + 1, we);
      rule(boundary);
    }
    step = WEGetHeight(lines - 1, lines, we);
  } else {
    step = textlesslineheight(s);
  }
  step = std::max(1, step);
  while (boundary < view.bottom) {
    boundary += step;
    rule(boundary);
  }
  SetPenState(&saved);
}

// The theme frame of an edit-text box around a field (inside its pen).
void drawframe(const spot& s) {
  if (!(s.flags & spotshowframe)) return;
  Rect r = s.rect;
  if (s.showpen) InsetRect(&r, 1, 1);
  DrawThemeEditTextFrame(&r, windowhilited() ? kThemeStateActive : kThemeStateInactive);
}

void drawfocus(const spot& s) {
  const MainGlobals& g = mainglobals();
  if (g.showFocusRects && !g.focussuppressed) DrawThemeFocusRect(&s.rect, windowhilited());
}

// Clips the current port to a control's rectangle within the window's interior (the interior
// is left out in pictures and off-window drawing) and within the clip already in force; the
// clip goes back when the scope ends. Without a region the control is drawn unclipped.
class ControlClip {
 public:
  ControlClip(const Rect& r, const Rect* within) {
    saved_ = NewRgn();
    RgnHandle area = NewRgn();
    if (saved_ == 0 || area == 0) {
      if (area) DisposeRgn(area);
      return;
    }
    GetClip(saved_);
    Rect box = r;
    if (!commenting()) {
      Rect interior{};
      getinterior(&interior);
      SectRect(&box, &interior, &box);
    }
    if (within) SectRect(&box, within, &box);
    RectRgn(area, box);
    SectRgn(area, saved_, area);
    SetClip(area);
    DisposeRgn(area);
  }
  ~ControlClip() {
    if (saved_ == 0) return;
    SetClip(saved_);
    DisposeRgn(saved_);
  }
  ControlClip(const ControlClip&) = delete;
  ControlClip& operator=(const ControlClip&) = delete;

 private:
  RgnHandle saved_ = 0;
};

}  // namespace

ControlRef fieldscrollbar(WEReference we) {
  ControlRef bar = nilid;
  i32 size = 0;
  if (WEGetProperty(kVizu, kScrollTag, sizeof bar, &size, &bar, we) == noErr && size == sizeof bar &&
      IsValidControlHandle(bar))
    return bar;
  const WindowRef window = mainglobals().current.window;
  if (window == nilid || CreateScrollBarControl(window, &kParked, 0, 0, 0, 0, true, nullptr, &bar) != noErr)
    return nilid;
  SetControlVisibility(bar, false, false);
  if (WESetProperty(kVizu, kScrollTag, sizeof bar, &bar, we) != noErr) {
    DisposeControl(bar);
    return nilid;
  }
  return bar;
}

namespace {

void notetextless(const spot& s) {
  if (mainglobals().kvdebug) writeconsole("field " + std::to_string(s.id) + " drawn without text: no text record\n");
}

}  // namespace

WEReference westupidtext(const LongRect& dest, const LongRect& view, const spot& object, bool dontwrap,
                         bool canscroll) {
  WEReference we = nilid;
  if (makefieldrecord(object.data, dest, view, &we) != noErr) return nilid;
  WEFeatureFlag(weFOutlineHilite, 0, we);
  WEFeatureFlag(weFIntCutAndPaste, 1, we);
  WEFeatureFlag(weFUseTempMem, 1, we);
  SetDontWrapFlag(we, dontwrap ? 1 : 0);
  if (dontwrap) WEInstallCrOnlyHook(we);
  SetScrollBarFlag(we, canscroll ? 1 : 0);
  SetFieldMargins(object, we);
  if (weunpacktext(object.data, object.uprops, we) != noErr) {
    WEDispose(we);
    return nilid;
  }
  return we;
}

WEReference westupidertext(const LongRect& dest, const LongRect& view, spot& object) {
  MainGlobals& g = mainglobals();
  // Making a record while drawing runs no script and changes nothing stored.
  const i16 locked = g.lockMessages;
  g.lockMessages = 1;
  const WEReference we = createwerec(object, dest, view);
  g.lockMessages = locked;
  if (we != nilid && object.style != stylefieldlist && object.style != stylefieldscrolllist) setlivefield(object, we);
  return we;
}

rulerdatarec rulerdata(const spot& object, WEReference we) {
  rulerdatarec d{};
  d.mask = 583;
  d.record = we;
  d.minwidth = 72;
  d.units = object.rulerunits == 0 ? 0 : u16(object.rulerunits - 1);
  return d;
}

namespace {

constexpr i16 kNotScrolled = -32768;

// Outside a picture and off-window drawing, when the port's origin is not where the current
// window's card scroll bars stand, moves it there: the origin it had (to go back to), or
// kNotScrolled when it stays.
Point cardscrolled(CGrafPtr port) {
  const MainGlobals& g = mainglobals();
  const Point unchanged{kNotScrolled, kNotScrolled};
  if (g.offwindowdrawing || portrecordingpicture(port) || g.current.window == nilid ||
      port != GetWindowPort(g.current.window))
    return unchanged;
  auto value = [](RegistryId bar) { return IsValidControlHandle(bar) ? i16(GetControl32BitValue(bar)) : i16(0); };
  const i16 h = value(g.current.hscroll), v = value(g.current.vscroll);
  Rect bounds{};
  GetPortBounds(port, &bounds);
  if (bounds.left == h && bounds.top == v) return unchanged;
  SetOrigin(h, v);
  return Point{bounds.top, bounds.left};
}

}  // namespace

void LowDrawField(spot& s, i16 outline, Handle list, i16 index, i16 depth) {
  MainGlobals& g = mainglobals();
  g.drawingfield = 1;
  const bool listfield = islist(s);
  bool filled = false;
  if (s.themefill) {
    SetThemeBackground(kFieldBrush, depth, depth > 1);
    EraseRect(&s.rect);
    SetThemeBackground(getheme(&g.current), depth, depth > 1);
  } else if (s.showfill) {
    paintshadow(s, 0);
    const Pattern pat = patternof(s.fillpat);
    PenPat(&pat);
    if (!listfield) setobjectcolours(s, ObjectPart::fill);
    PaintRect(&s.rect);
    PenNormal();
    filled = true;
  }
  if (s.showpen) {
    setfieldpen(s);
    FrameRect(&s.rect);
    PenNormal();
  } else if (!filled && (outline == outlinefields || outline == outlineall)) {
    frameoutline(s.rect);
  }
  if (listfield) {
    drawthelist(s);
    g.drawingfield = 0;
    return;
  }
  if (s.flags & spotautodim) setextforeback(255, 0);
  else setcolourpair(255, 0);
  LongRect dest{}, view{};
  ldestview(s, &dest, &view);
  WEReference we = nilid;
  bool temporary = false;
  const CGrafPtr port = currentportid();
  CGrafPtr before = 0;
  if (isopenfield(list, index)) {
    we = g.openfieldrec;
    SetDontWrapFlag(we, (s.flags & spotdontwrap) ? 1 : 0);
    SetScrollBarFlag(we, fieldcanscroll(s) ? 1 : 0);
    before = WEGetPort(we);
  } else if (!listfield && usesenginetwo(&s) && isvalidwerec(livefield(s))) {
    we = livefield(s);
    SetScrollBarFlag(we, s.style == stylefieldscroll ? 1 : 0);
    before = WEGetPort(we);
  } else if (!listfield && usesenginetwo(&s)) {
    we = westupidertext(dest, view, s);
    before = port;
  } else {
    we = westupidtext(dest, view, s, (s.flags & spotdontwrap) != 0, fieldcanscroll(s));
    temporary = true;
  }
  if (we == nilid) notetextless(s);
  // The scroll position follows the text's height; a change is read back into the copy.
  if (we != nilid && recalcfldscroll(list, index, we, false, false, nullptr, nullptr, nullptr, nullptr) != 0 &&
      list != nilhandle && index >= 0 && index < spotcount(list))
    setfieldscroll(s, getfieldscroll(spotat(list, index)));
  // In the card window the text is drawn where the card is scrolled to: the port's origin
  // follows the card's scroll bars for the time of the text and its lines.
  const Point scrolled = cardscrolled(port);
  if (we != nilid) {
    WESetPort(port, we);
    ThemeDrawingState theme = 0;
    GetThemeDrawingState(&theme);
    NormalizeThemeDrawingState();
    drawrecordtext(we);
    if (theme) SetThemeDrawingState(theme, true);
  }
  if (s.flags & kShowLines) drawdottedlines(s, we, dest, view);
  if (scrolled.h != kNotScrolled) SetOrigin(scrolled.h, scrolled.v);
  drawframe(s);
  if (we != nilid) {
    wefakecontrol(s, we);
    wefakerulercontrol(s, we);
    if (!temporary) WESetPort(before, we);
  }
  // The focus ring of an active record (the open field's counts as active until fields are
  // put up through activation).
  if (we != nilid && (WEIsActive(we) || isopenfield(list, index))) drawfocus(s);
  if (temporary) WEDispose(we);
  g.drawingfield = 0;
}

void drawopenfield() {
  MainGlobals& g = mainglobals();
  const CGrafPtr port = currentportid();
  if (!IsValidPort(port) || g.openfield < 0 || !isvalidwerec(g.openfieldrec) || g.openfieldspots == nilhandle ||
      g.openfield >= spotcount(g.openfieldspots) || g.openfieldwindow != g.current.window)
    return;
  spot s = spotat(g.openfieldspots, g.openfield);
  Rect inside = s.rect;
  if (s.showfill) {
    RgnHandle field = NewRgn();
    if (field != 0) {
      RectRgn(field, s.rect);
      paintshadow(s, field);
      DisposeRgn(field);
    }
    restcolor();
  }
  if (s.showpen) {
    setfieldpen(s);
    FrameRect(&s.rect);
    PenNormal();
    InsetRect(&inside, i16(s.penwidth), i16(s.penheight));
  }
  RGBForeColor(&kBlack);
  RGBBackColor(&kWhite);
  BackPat(&qdwhite);
  EraseRect(&inside);
  const WEReference we = g.openfieldrec;
  const CGrafPtr before = WEGetPort(we);
  WESetPort(port, we);
  if ((s.flags & spotdontwrap) && !WEIsTabHooks(we)) WEInstallCrOnlyHook(we);
  WEUpdate(0, we);
  // The open field's frame and focus ring lie where a closed field's do.
  drawframe(s);
  wefakecontrol(s, we);
  wefakerulercontrol(s, we);
  WESetPort(before, we);
  drawfocus(s);
}

void wefakecontrol(spot& s, WEReference we) {
  if (s.style != stylefieldscroll && s.style != stylefieldscrolllist) return;
  LongRect dest{}, view{};
  ldestview(s, &dest, &view);
  Rect margins{}, barrect{};
  fldmargins(s, &margins);
  controlrect(s, &barrect);
  WEGetDestRect(&dest, we);
  const i32 textheight = dest.bottom - dest.top;
  const i32 visible = (view.bottom - view.top) - margins.top - margins.bottom;
  i32 maximum = 0, value = 0;
  if (textheight <= visible) {
    const i32 top = view.top + margins.top;
    WEOffsetLongRect(&dest, 0, top - dest.top);
    WESetDestRect(&dest, we);
    setfieldscroll(s, 0);
  } else {
    maximum = textheight - visible;
    value = std::clamp(getfieldscroll(s), 0, maximum);
  }
  const ControlRef bar = fieldscrollbar(we);
  if (bar == nilid) return;  // a scroll bar that cannot be made is left out
  SetControl32BitMinimum(bar, 0);
  SetControl32BitMaximum(bar, maximum);
  SetControl32BitValue(bar, value);
  SetControlViewSize(bar, visible);
  ControlClip clip(barrect, nullptr);
  HiliteControl(bar, windowhilited() ? kBarHilited : kInactive);
  SetControlBounds(bar, &barrect);
  SetControlVisibility(bar, true, false);
  DrawControlInCurrentPort(bar);
  SetControlBounds(bar, &kParked);
  SetControlVisibility(bar, false, false);
}

OSStatus CreateRulerControl(WindowRef window, const Rect* bounds, const rulerdatarec* data, ControlRef* out) {
  SavePort saved;
  const OSStatus err = CreateCustomControl(window, bounds, RulerControlDefProc, out);
  if (err != noErr || data == nullptr) return err;
  rulerdatarec bytes = *data;
  if (const OSStatus set = SetControlData(*out, 0, kRulerDataTag, sizeof bytes, &bytes); set != noErr) {
    DisposeControl(*out);
    *out = nilid;
    return set;
  }
  return noErr;
}

void wefakerulercontrol(spot& s, WEReference we) {
  if (!usesenginetwo(&s) || !(s.textflags & kShowRuler)) return;
  Rect r{};
  rulercontrolrect(s, &r);
  const rulerdatarec data = rulerdata(s, we);
  ControlRef ruler = nilid;
  const WindowRef window = mainglobals().current.window;
  if (window == nilid || CreateRulerControl(window, &r, &data, &ruler) != noErr) return;  // left out
  {
    ControlClip clip(r, &s.rect);
    UpdateRulerIndents(ruler);
    UpdateRulerTabs(ruler);
    const bool active = windowhilited();
    HiliteControl(ruler, active ? 0 : kInactive);
    ActivateRuler(ruler, active);
    SetControlVisibility(ruler, true, false);
    DrawControlInCurrentPort(ruler);
    const Rect empty{0, 0, 0, 0};
    SetControlBounds(ruler, &empty);
    SetControlVisibility(ruler, false, false);
  }
  DisposeControl(ruler);
}

}  // namespace kv
