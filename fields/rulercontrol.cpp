// The ruler control's definition, its making and disposal, its drawing through an offscreen
// world, its geometry and hit testing, its help tags, and the routines that keep a ruler in
// step with its window.
#include "fields/rulercontrol.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/events/events.h"
#include "platform/fonts/fonts.h"
#include "platform/memory/memory.h"
#include "platform/qd/copybits.h"
#include "platform/qd/ports.h"
#include "platform/qd/qdtext.h"
#include "platform/qd/shapes.h"
#include "platform/text/intl.h"
#include "platform/windows/screens.h"
#include "platform/windows/theme.h"

namespace kv {

namespace {

constexpr i16 kBandTop = 6, kBandBottom = 24, kGroupBottom = 23;
constexpr i16 kBackgroundBrush = 1, kListBrush = 10, kActivePen = 20, kInactivePen = 22;
constexpr i32 kFeatures = i32(kControlWantsActivate | kControlHandlesTracking | kControlSupportsDataAccess |
                              kControlSupportsContextualMenus);
constexpr i16 kHelpTexts = 200;

Point pointof(i32 param) { return Point{i16(u32(param) >> 16), i16(u32(param) & 0xFFFF)}; }

// The band in the ruler's own coordinates: across the text's destination. Its left edge is
// the destination's left (the text margin from the field's edge, where the field's frame
// insets the ruler by its pen), so that an indicator stands over the text it indents.
Rect localband(ControlRef control, const rulerdatarecord& rd) {
  if (!isvalidwerec(rd.we)) return Rect{kBandTop, 0, kBandBottom, 0};
  LongRect dest{};
  WEGetDestRect(&dest, rd.we);
  Rect bounds{};
  GetControlBounds(control, &bounds);
  const i32 left = std::clamp<i32>(dest.left - bounds.left, -16000, 16000);
  const i32 width = std::clamp<i32>(dest.right - dest.left, 0, 16000);
  return Rect{kBandTop, i16(left), kBandBottom, i16(left + width)};
}

i16 whole(Fixed f) { return i16(std::clamp<i32>(f >> 16, -16000, 16000)); }

// An indicator's rectangle in a band.
Rect elementrect(u16 kind, const Rect& b, const rulerdatarecord& rd) {
  const i16 left = whole(rd.leftindent), right = whole(rd.rightindent), first = whole(rd.firstindent);
  auto around = [](i32 x, i32 top, i32 bottom) { return Rect{i16(top), i16(x - 5), i16(bottom), i16(x + 6)}; };
  switch (kind) {
    case kRulerHanging: return around(b.left + left, b.top + 8, b.top + 18);
    case kRulerRight: return around(b.right - right, b.top + 8, b.top + 18);
    case kRulerFirstLine: return around(b.left + left + first, b.top, b.top + 8);
    case kRulerLeft: return around(b.left + left, b.bottom - 1, b.bottom + 6);
    default: return Rect{0, 0, 0, 0};
  }
}

void line(i32 h1, i32 v1, i32 h2, i32 v2) {
  MoveTo(i16(h1), i16(v1));
  LineTo(i16(h2), i16(v2));
}

// A triangle of rows within a rectangle 11 pixels wide: pointing up or down.
void triangle(const Rect& r, bool up) {
  const i32 rows = std::min<i32>(6, r.bottom - r.top);
  const i32 middle = r.left + 5;
  for (i32 i = 0; i < rows; ++i) {
    const i32 v = r.top + i;
    const i32 half = up ? i : rows - 1 - i;
    line(middle - half, v, middle + half, v);
  }
}

// One indicator in the current port; the one being dragged is filled with the list brush's
// contrast (hollow).
void drawindicator(u16 kind, const Rect& r, bool dragged) {
  switch (kind) {
    case kRulerHanging:
      triangle(Rect{r.top, r.left, i16(r.top + 6), r.right}, true);
      line(r.left + 5, r.top + 6, r.left + 5, r.top + 7);
      break;
    case kRulerRight: triangle(r, true); break;
    case kRulerFirstLine: triangle(r, false); break;
    case kRulerLeft: {
      const Rect box{r.top, r.left, i16(std::min<i32>(r.bottom, r.top + 5)), r.right};
      if (dragged) FrameRect(&box);
      else PaintRect(&box);
      return;
    }
    default: return;
  }
  if (dragged) {
    // A dragged triangle shows hollow: its inside erased.
    const Rect inside{i16(r.top + 2), i16(r.left + 3), i16(r.top + 4), i16(r.right - 3)};
    EraseRect(&inside);
  }
}

// The scale of the units: tick spacing and lengths, labels.
struct scale {
  i32 shortstep, middlestep, longerstep, longstep, labelstep;
};
scale scaleof(u16 units) {
  switch (units) {
    case kRulerCentimetres: return {7, 14, 0, 28, 1};
    case kRulerPoints: return {10, 50, 0, 100, 100};
    case kRulerPicas: return {12, 0, 0, 48, 4};
    default: return {9, 18, 36, 72, 1};
  }
}

void drawscale(const rulerdatarecord& rd, const Rect& band, i16 width) {
  const scale s = scaleof(rd.units);
  const i32 x0 = band.left - whole(rd.leftmargin);
  const i32 top = band.top + 1;
  TextFont(rd.numberfont);
  TextSize(rd.numbersize);
  TextFace(rd.numberface);
  for (i32 x = x0; x < width; x += s.shortstep) {
    const i32 offset = x - x0;
    i32 length = 2;
    if (s.middlestep && offset % s.middlestep == 0) length = 4;
    if (s.longerstep && offset % s.longerstep == 0) length = 6;
    const bool labelled = offset % s.longstep == 0;
    if (labelled) length = 13;
    if (x >= 0) line(x, top, x, band.top + length);
    if (labelled) {
      const std::string label = std::to_string(offset / s.longstep * s.labelstep);
      MoveTo(i16(x + 2), i16(band.top + 19));
      DrawText(label.data(), 0, i16(label.size()));
    }
  }
}

// The draw message: everything into the offscreen world, then to the control's bounds in the
// current port.
void drawruler(ControlRef control, const rulerdatarecord& rd) {
  Rect bounds{};
  GetControlBounds(control, &bounds);
  const i16 width = i16(bounds.right - bounds.left), height = i16(bounds.bottom - bounds.top);
  CGrafPtr port = nilid;
  GDHandle device = 0;
  GetGWorld(&port, &device);
  if (rd.offscreen == nilid || !IsValidPort(rd.offscreen)) return;
  SetGWorld(rd.offscreen, 0);
  const Rect all{0, 0, height, width};
  const i16 depth = portdepth(rd.offscreen);
  SetThemeBackground(kBackgroundBrush, depth, true);
  EraseRect(&all);
  SetThemePen(rd.active ? kActivePen : kInactivePen, depth, true);
  line(0, height - 1, width - 1, height - 1);
  const Rect group{kBandTop, 0, kGroupBottom, width};
  DrawThemeSecondaryGroup(&group, rd.active ? kThemeStateActive : kThemeStateInactive);
  SetThemePen(rd.active ? kActivePen : kInactivePen, depth, true);
  const Rect band = localband(control, rd);
  drawscale(rd, band, width);
  const u32 state = rd.active ? kThemeStateActive : kThemeStateInactive;
  for (const i16 x : {band.left, band.right}) {
    const Rect marker{i16(height - 6), x, i16(height - 2), i16(x + 1)};
    DrawThemeSeparator(&marker, state);
  }
  if (isvalidwerec(rd.we) && WEIsTabHooks(rd.we)) {
    const i32 tab = std::max<i32>(1, WEGetTabSize(rd.we));
    for (i32 x = band.left + tab; x < band.right; x += tab) {
      const Rect stop{2, i16(x), 6, i16(x + 1)};
      DrawThemeSeparator(&stop, state);
    }
  }
  SetThemePen(rd.active ? kActivePen : kInactivePen, depth, true);
  for (u16 kind = kRulerHanging; kind <= kRulerLeft; ++kind)
    drawindicator(kind, elementrect(kind, band, rd), rd.indrag == kind);
  SetGWorld(port, device);
  PixMapHandle pm = GetGWorldPixMap(rd.offscreen);
  if (!LockPixels(pm)) {
    refreshrulerbuffer(control);
    return;
  }
  ForeColor(blackColor);
  BackColor(whiteColor);
  CopyBits(GetPortBitMapForCopyBits(rd.offscreen), GetPortBitMapForCopyBits(port), &all, &bounds, srcCopy, 0);
  UnlockPixels(pm);
}

}  // namespace

OSStatus InitializeRuler(ControlRef control) {
  Handle h = NewHandleClear(sizeof(rulerdatarecord));
  if (h == nilhandle) return memFullErr;
  rulerdatarecord rd{};
  Rect bounds{};
  GetControlBounds(control, &bounds);
  rd.offbounds = Rect{0, 0, i16(std::max(1, bounds.bottom - bounds.top)), i16(std::max(1, bounds.right - bounds.left))};
  if (const OSErr err = NewGWorld(&rd.offscreen, 0, &rd.offbounds, 0, 0, 0); err != noErr) {
    DisposeHandle(h);
    return err;
  }
  {
    CGrafPtr port = nilid;
    GDHandle device = 0;
    GetGWorld(&port, &device);
    SetGWorld(rd.offscreen, 0);
    SetThemeBackground(kListBrush, portdepth(rd.offscreen), true);
    EraseRect(&rd.offbounds);
    SetGWorld(port, device);
  }
  Str255 family{};
  u8 face = 0;
  GetThemeFont(kThemeLabelFont, 0, family, &rd.numbersize, &face);
  rd.numberfont = GetFNum(family);
  rd.numberface = face;
  rd.units = intlsettings().metric ? kRulerCentimetres : kRulerInches;
  rd.showhelp = 1;
  rd.showvalues = 1;
  rd.snap = 1;
  rd.optionud = 1;
  rd.active = 1;
  rd.oneparagraph = 1;
  rd.creationtick = TickCount();
  rd.paratags[0] = rd.paratags[2] = fourcc("left");
  rd.paratags[1] = rd.paratags[3] = fourcc("NONE");
  std::memcpy(deref(h), &rd, sizeof rd);
  if (SetControlProperty(control, kRulerCreator, kRulerDataProperty, sizeof h, &h) != noErr) {
    DisposeGWorld(rd.offscreen);
    DisposeHandle(h);
    return memFullErr;
  }
  HMInstallControlContentCallback(control, RulerIndicatorHelpContentProc);
  HMSetTagDelay(800);
  HMSetHelpTagsDisplayed(true);
  return noErr;
}

void DisposeRuler(ControlRef control) {
  Handle h = GetRulerDataRec(control);
  if (h == nilhandle) return;
  rulerdatarecord rd{};
  std::memcpy(&rd, deref(h), sizeof rd);
  if (rd.offscreen != nilid) DisposeGWorld(rd.offscreen);
  HMInstallControlContentCallback(control, nullptr);
  RemoveControlProperty(control, kRulerCreator, kRulerDataProperty);
  DisposeHandle(h);
}

void refreshrulerbuffer(ControlRef control) {
  rulerdatarecord rd{};
  if (!readrulerdata(control, &rd)) return;
  Rect bounds{};
  GetControlBounds(control, &bounds);
  const Rect wanted{0, 0, i16(std::max(1, bounds.bottom - bounds.top)), i16(std::max(1, bounds.right - bounds.left))};
  if (rd.offscreen == nilid) {
    if (NewGWorld(&rd.offscreen, 0, &wanted, 0, 0, 0) != noErr) rd.offscreen = nilid;
  } else {
    UpdateGWorld(&rd.offscreen, 0, &wanted, 0, 0, 0);
  }
  rd.offbounds = wanted;
  writerulerdata(control, rd);
}

void DrawRuler(ControlRef control) {
  rulerdatarecord rd{};
  if (!IsControlVisible(control) || !readrulerdata(control, &rd)) return;
  drawruler(control, rd);
}

void ActivateRuler(ControlRef control, bool active) {
  rulerdatarecord rd{};
  if (!readrulerdata(control, &rd)) return;
  rd.active = active ? 1 : 0;
  writerulerdata(control, rd);
}

i16 UpdateRulerIndents(ControlRef control) {
  rulerdatarecord rd{};
  if (!readrulerdata(control, &rd)) return 0;
  const i16 changed = UpdateRulerIndents(&rd);
  writerulerdata(control, rd);
  return changed;
}

i16 UpdateRulerTabs(ControlRef control) {
  rulerdatarecord rd{};
  if (!readrulerdata(control, &rd)) return 0;
  const i16 changed = UpdateRulerTabs(&rd);
  writerulerdata(control, rd);
  return changed;
}

Rect rulerband(ControlRef control, const rulerdatarecord& rd) {
  Rect bounds{};
  GetControlBounds(control, &bounds);
  Rect b = localband(control, rd);
  OffsetRect(&b, bounds.left, bounds.top);
  return b;
}

bool GetRulerElementRect(u16 kind, Rect* r, ControlRef control) {
  rulerdatarecord rd{};
  if (kind < kRulerHanging || kind > kRulerLeft || !readrulerdata(control, &rd)) return false;
  *r = elementrect(kind, rulerband(control, rd), rd);
  return true;
}

u16 GetPartPointedTo(Point where, ControlRef control) {
  Rect bounds{};
  GetControlBounds(control, &bounds);
  if (!PtInRect(where, &bounds)) return kRulerNoIndicator;
  for (u16 kind = kRulerHanging; kind <= kRulerLeft; ++kind) {
    Rect r{};
    if (GetRulerElementRect(kind, &r, control) && PtInRect(where, &r)) return kind;
  }
  return kRulerNoIndicator;
}

u16 GetIndicatorTypePointedTo(Point where, ControlRef control) { return GetPartPointedTo(where, control); }

OSStatus RulerIndicatorHelpContentProc(ControlRef control, Point globalMouse, i16 request, i16* provided,
                                       HMHelpContentRec* content) {
  *provided = kHMContentNotProvided;
  if (request != kHMSupplyContent) return noErr;
  const WindowRef window = GetControlOwner(control);
  Rect frame{}, port{};
  GetWindowBounds(window, kWindowContentRgn, &frame);
  GetWindowPortBounds(window, &port);
  const i16 dv = i16(frame.top - port.top), dh = i16(frame.left - port.left);
  const Point local{i16(globalMouse.v - dv), i16(globalMouse.h - dh)};
  const u16 kind = GetPartPointedTo(local, control);
  Rect hot{};
  if (kind == kRulerNoIndicator || !GetRulerElementRect(kind, &hot, control)) return noErr;
  OffsetRect(&hot, dh, dv);
  content->version = kMacHelpVersion;
  content->absHotRect = hot;
  content->tagSide = kHMOutsideBottomCenterAligned;
  content->content[0] = HMHelpContent{kHMStringResContent, kHelpTexts, i16(kind), {}};
  content->content[1] = HMHelpContent{kHMStringResContent, kHelpTexts, i16(kind + 5), {}};
  *provided = kHMContentProvided;
  return noErr;
}

i32 RulerControlDefProc(i16, ControlRef control, i16 message, i32 param) {
  switch (message) {
    case kControlMsgDraw: DrawRuler(control); return 0;
    case kControlMsgTest: return GetPartPointedTo(pointof(param), control);
    case kControlMsgInit: HideControl(control); return InitializeRuler(control);
    case kControlMsgDispose: DisposeRuler(control); return 0;
    case kControlMsgCalcRegions: {
      Rect bounds{};
      GetControlBounds(control, &bounds);
      if (param != 0) RectRgn(RgnHandle(param), bounds);
      return 0;
    }
    case kControlMsgHandleTracking: return TrackRuler(control, pointof(param));
    case kControlMsgGetFeatures: return kFeatures;
    case kControlMsgSetData: {
      ControlDataAccessRec* a = controldataaccess();
      return a ? SetRulerData(a->tag, a->data, a->size, control) : paramErr;
    }
    case kControlMsgGetData: {
      ControlDataAccessRec* a = controldataaccess();
      return a ? GetRulerData(a->tag, a->data, &a->size, control) : paramErr;
    }
    case kControlMsgActivate: ActivateRuler(control, param == 1); return 0;
    case kControlMsgTestNewMsgSupport: return i32(fourcc(" ok "));
    default: return 0;
  }
}

// --- Keeping a ruler in step with its window -------------------------------------------------

Point GetRulerOffset(ControlRef control) {
  Rect bounds{};
  GetControlBounds(control, &bounds);
  return Point{bounds.top, bounds.left};
}

Rect GetRulerScaleRect(ControlRef control) {
  rulerdatarecord rd{};
  if (!readrulerdata(control, &rd)) return Rect{0, 0, 0, 0};
  Rect bounds{};
  GetControlBounds(control, &bounds);
  const Rect band = rulerband(control, rd);
  return Rect{band.top, bounds.left, band.bottom, bounds.right};
}

void GetIndicatorTrackRect(ControlRef control, Rect* r) { GetIndicatorDragCostraintRect(5, control, r); }

Rect GetRulerSourceRect(ControlRef control) {
  rulerdatarecord rd{};
  return readrulerdata(control, &rd) ? rd.offbounds : Rect{0, 0, 0, 0};
}

i16 GetRulerScreenDepth() { return screendepth(0); }

i32 GetRulerTextWidth(ControlRef control) {
  rulerdatarecord rd{};
  if (!readrulerdata(control, &rd) || !isvalidwerec(rd.we)) return 0;
  LongRect dest{};
  WEGetDestRect(&dest, rd.we);
  return dest.right - dest.left;
}

Rect CheckRulerBounds(ControlRef control) {
  Rect bounds{};
  GetControlBounds(control, &bounds);
  rulerdatarecord rd{};
  if (!readrulerdata(control, &rd) || !isvalidwerec(rd.we)) return bounds;
  Rect port{};
  GetWindowPortBounds(GetControlOwner(control), &port);
  LongRect dest{};
  WEGetDestRect(&dest, rd.we);
  const i16 height = i16(bounds.bottom - bounds.top);
  return Rect{bounds.top, port.left, i16(bounds.top + height), port.right};
}

i16 RulerPositionChecker(ControlRef control) {
  Rect bounds{};
  GetControlBounds(control, &bounds);
  const Rect wanted = CheckRulerBounds(control);
  if (EqualRect(&bounds, &wanted)) return 0;
  SetControlBounds(control, &wanted);
  refreshrulerbuffer(control);
  return 1;
}

i16 RulerUpdater(ControlRef control) {
  rulerdatarecord rd{};
  if (!readrulerdata(control, &rd)) return 0;
  LongRect dest{};
  if (isvalidwerec(rd.we)) WEGetDestRect(&dest, rd.we);
  bool changed = RulerPositionChecker(control) != 0;
  readrulerdata(control, &rd);
  changed = UpdateRulerIndents(&rd) != 0 || changed;
  changed = UpdateRulerTabs(&rd) != 0 || changed;
  if (dest.left != rd.lastdestleft) {
    rd.lastdestleft = dest.left;
    changed = true;
  }
  writerulerdata(control, rd);
  if (!changed) return 0;
  SavePort saved;
  SetPort(GetWindowPort(GetControlOwner(control)));
  DrawRuler(control);
  return 1;
}

void DrawThemeRulerTabMarker(i16 kind, Point at, bool active) {
  SetThemePen(active ? kActivePen : kInactivePen, 32, true);
  // A stem up from the stop and a foot that points the way the text runs from it.
  line(at.h, at.v - 5, at.h, at.v);
  switch (kind) {
    case 0: line(at.h, at.v, at.h + 4, at.v); break;
    case 1: line(at.h - 4, at.v, at.h, at.v); break;
    case 2: line(at.h - 3, at.v, at.h + 3, at.v); break;
    default:
      line(at.h - 3, at.v, at.h + 3, at.v);
      line(at.h + 2, at.v - 3, at.h + 2, at.v - 3);
      break;
  }
}

}  // namespace kv
