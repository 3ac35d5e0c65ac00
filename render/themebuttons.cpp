#include "render/themebuttons.h"

#include <cstring>

#include "platform/controls/controls.h"
#include "platform/memory/memory.h"
#include "platform/qd/copybits.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/resources/resources.h"
#include "platform/runtime/root.h"
#include "platform/windows/theme.h"
#include "platform/windows/windows.h"
#include "platform/process/gestalt.h"
#include "render/buttoncontrols.h"
#include "render/buttonicons.h"
#include "render/controlfonts.h"
#include "render/controlvisibility.h"
#include "render/objectbounds.h"
#include "render/picturecache.h"
#include "render/spotstyles.h"
#include "render/windowclip.h"
#include "core/mainglobals.h"
#include "core/memoryguard.h"
#include "store/records.h"
#include "render/carddrawing.h"

namespace kv {

namespace {

constexpr i16 kWellBrush = 29;
constexpr i16 kProbeBrush = 15;
constexpr i16 kProbeSide = 64;
constexpr Size kIconPictMemory = 8192, kIconResourceMemory = 1024;
constexpr Rect kWholePlane{-32767, -32767, 32767, 32767};

// The clip regions kept for the run (one for controls, one for image wells) and the result of
// the image-well probe. The drawing layer's state is made first, so that the regions can still
// be disposed when the runtime goes.
struct ThemeButtonState {
  RgnHandle controlclip = nilid;
  RgnHandle wellclip = nilid;
  i16 wellbroken = 0;
  bool probed = false;
  ThemeButtonState() {
    CGrafPtr port = nilid;
    GDHandle device = nilhandle;
    GetGWorld(&port, &device);
  }
  ThemeButtonState(const ThemeButtonState&) = delete;
  ThemeButtonState& operator=(const ThemeButtonState&) = delete;
  ~ThemeButtonState() {
    DisposeRgn(controlclip);
    DisposeRgn(wellclip);
  }
};
ThemeButtonState& tbs() { return state<ThemeButtonState>(); }

// The theme drawing state of the current port, normalised for the drawing and put back after,
// and the drawn object recorded meanwhile.
class DrawingScope {
 public:
  DrawingScope(Handle list, i16 index) {
    if (IsValidPort(currentportid()) && GetThemeDrawingState(&state_) == noErr) NormalizeThemeDrawingState();
    drawnobjectstate().drawnspots = list;
    drawnobjectstate().drawnindex = index;
  }
  ~DrawingScope() {
    drawnobjectstate().drawnspots = nilhandle;
    drawnobjectstate().drawnindex = -1;
    if (state_ != nilhandle) SetThemeDrawingState(state_, true);
  }
  DrawingScope(const DrawingScope&) = delete;
  DrawingScope& operator=(const DrawingScope&) = delete;

 private:
  ThemeDrawingState state_ = nilhandle;
};

// The region kept in a slot, made on first use.
RgnHandle keptregion(RgnHandle& slot) {
  if (slot == nilid || !IsValidRgn(slot)) slot = NewRgn();
  return slot;
}

bool isbackground(Handle list) { return list != nilhandle && list == mainglobals().current.backspots; }

// The first steps of drawing a button through its control: the port's clip saved into the
// region kept in `slot`, the object's control made or refreshed, and its font named. Without a
// region, a valid port or a control there is nothing to draw (none is answered).
ControlRef controlfordrawing(spot& object, Handle list, RgnHandle& slot, RgnHandle* saved) {
  *saved = keptregion(slot);
  if (*saved == nilid || !IsValidPort(currentportid())) return nilid;
  GetClip(*saved);
  const ControlRef control = docontrolup(&object, isbackground(list) ? 1 : 0);
  if (control != nilid) notecontrolfont(object);
  return control;
}

// Where controls may draw: the whole plane while a picture is recorded or the card is drawn
// off the window, else the interior of the card window.
Rect clipbound() {
  const CGrafPtr port = currentportid();
  if (portrecordingpicture(port) || mainglobals().offwindowdrawing) return kWholePlane;
  Rect interior{};
  getinterior(&interior);
  return interior;
}

bool windowactive() {
  const WindowRef w = mainglobals().current.window;
  return w != nilid && IsWindowHilited(w);
}

// Focus rings around the control's structure and content regions (the content grown by 1 for
// relevance bars).
void controlrings(ControlRef control, const spot& s) {
  RgnHandle rgn = NewRgn();
  if (rgn == nilid) return;
  if (GetControlRegion(control, kControlStructureMetaPart, rgn) == noErr) DrawThemeFocusRegion(rgn, windowactive());
  if (GetControlRegion(control, kControlContentMetaPart, rgn) == noErr) {
    if (s.style == 216) InsetRgn(rgn, -1, -1);
    DrawThemeFocusRegion(rgn, windowactive());
  }
  DisposeRgn(rgn);
}

// Draws a 1-bit 32 by 32 icon into the rectangle: its set bits black, or grey in the
// disabled transform.
void ploticonbits(const u8* bits, const Rect& r, bool disabled) {
  const Rect whole{0, 0, 32, 32};
  const BitMap map{const_cast<u8*>(bits), 4, whole};
  const RGBColor ink = disabled ? RGBColor{0x8000, 0x8000, 0x8000} : RGBColor{0, 0, 0};
  RGBForeColor(&ink);
  CopyBits(&map, GetPortBitMapForCopyBits(currentportid()), &whole, &r, srcOr, nilid);
  ForeColor(blackColor);
}

// A picture of an icon's 128 bytes plotted into (0, 0, 32, 32), recorded in an 8-bit world.
PicHandle iconpicture(const u8* bits, bool disabled) {
  const Rect frame{0, 0, 32, 32};
  GWorldPtr world = nilid;
  if (NewGWorld(&world, 8, &frame, nilhandle, nilhandle, useTempMem) != noErr &&
      NewGWorld(&world, 8, &frame, nilhandle, nilhandle, 0) != noErr)
    return nilhandle;
  PicHandle pict = nilhandle;
  {
    SavePort saved;
    SetGWorld(world, nilhandle);
    pict = OpenPicture(&frame);
    if (pict != nilhandle) {
      ClipRect(&frame);
      ploticonbits(bits, frame, disabled);
      ClosePicture();
    }
  }
  DisposeGWorld(world);
  return pict;
}

// The image well as the platform draws it: white at the middle of a 64 by 64 world means it
// draws no well.
i16 probewell() {
  MainGlobals& g = mainglobals();
  const Rect frame{0, 0, kProbeSide, kProbeSide};
  GWorldPtr world = nilid;
  if (NewGWorld(&world, 16, &frame, nilhandle, nilhandle, useTempMem) != noErr &&
      NewGWorld(&world, 16, &frame, nilhandle, nilhandle, 0) != noErr)
    return 0;
  const WindowRef window = g.current.window;
  i16 broken = 0;
  {
    SavePort saved;
    SetGWorld(world, nilhandle);
    ThemeDrawingState theme = nilhandle;
    GetThemeDrawingState(&theme);
    SetThemeBackground(kProbeBrush, 16, true);
    if (window != nilid) SetThemeWindowBackground(window, kProbeBrush, false);
    BackPat(&qdwhite);
    EraseRect(&frame);
    ControlRef well = nilid;
    const ControlButtonContentInfo none{kControlContentTextOnly, 0};
    if (window != nilid && CreateImageWellControl(window, &frame, &none, &well) == noErr) {
      HideControl(well);
      SetControlVisibility(well, true, false);
      DrawControlInCurrentPort(well);
      HideControl(well);
      DisposeControl(well);
      RGBColor c{};
      GetCPixel(32, 32, &c);
      broken = c.red == 0xFFFF && c.green == 0xFFFF && c.blue == 0xFFFF ? 1 : 0;
    }
    if (theme != nilhandle) SetThemeDrawingState(theme, true);
    if (window != nilid) SetThemeWindowBackground(window, getheme(&g.current), false);
  }
  DisposeGWorld(world);
  return broken;
}

}  // namespace

i16 getheme(const desk* context) {
  if (context == nullptr || context->wind == nilhandle) return 1;
  const windrec w = loadat<windrec>(deref(context->wind));
  const u16 word = w.themeback;
  if (word >> 8) return i16(word >> 8);
  static constexpr i16 bykind[9] = {0, 15, 1, 3, 7, 16, 10, 9, 5};
  if (const u16 kind = word & 0xFF; kind >= 1 && kind <= 8) return bykind[kind];
  switch (w.word2) {
    case 0:
    case 2:
    case 7:
    case 8:
    case 10:
    case 11: return 5;
    case 3:
    case 5: return 1;
    case 6:
    case 9: return 7;
    default: return 15;
  }
}

i16 hasAppearanceMgr() { return 0; }

i16 hasContextualMenus() {
  i32 response = 0;
  return Gestalt(fourcc("cmnu"), &response) == noErr && (response & 2) ? 1 : 0;
}

void DrawNewControlSpot(spot& object, Handle list, i16 index) {
  DrawingScope scope(list, index);
  RgnHandle saved = nilid;
  const ControlRef control = controlfordrawing(object, list, tbs().controlclip, &saved);
  if (control == nilid) return;
  const Rect bound = clipbound();
  Rect drawn{};
  lowcalc(&object, &drawn);
  if (object.style == stylepopupmenu) {
    Rect more = object.rect;
    if (object.flags & spotfocushilite) {
      InsetRect(&more, -4, -4);
    } else {
      more.left = i16(more.left - 2);
      more.right = i16(more.right + 2);
      more.bottom = i16(more.bottom + 5);
    }
    UnionRect(&drawn, &more, &drawn);
  }
  InsetRect(&drawn, -1, -1);
  Rect clip{};
  if (SectRect(&drawn, &bound, &clip)) {
    ClipRect(&clip);
    DrawControlInCurrentPort(control);
    if (object.flags & spotfocushilite) {
      if (object.style == stylebuttonroundrect) {
        Rect ring = object.rect;
        ring.bottom = i16(ring.bottom + 2);
        const i16 corner = i16(ring.bottom - ring.top);
        RgnHandle rgn = NewRgn();
        if (rgn != nilid) {
          RoundRectRgn(rgn, &ring, corner, corner);
          DrawThemeFocusRegion(rgn, windowactive());
          DisposeRgn(rgn);
        }
      } else {
        controlrings(control, object);
      }
    }
  }
  SetClip(saved);
  docontroldown(object);
}

void DrawImageWellBtn(spot& object, Handle list, i16 index) {
  DrawingScope scope(list, index);
  RgnHandle saved = nilid;
  const ControlRef control = controlfordrawing(object, list, tbs().wellclip, &saved);
  if (control == nilid) return;
  const CGrafPtr port = currentportid();
  Rect drawn{};
  lowcalc(&object, &drawn);
  InsetRect(&drawn, -1, -1);
  const Rect bound = clipbound();
  Rect clip{};
  if (!SectRect(&drawn, &bound, &clip)) {
    docontroldown(object);
    return;
  }
  ClipRect(&clip);
  DrawControlInCurrentPort(control);
  if (getbuttontail(object).icon == 0 && imagewellisbroken() == 1) {
    Rect well = drawn;
    InsetRect(&well, 8, 8);
    well.top = i16(well.top + 3);
    well.bottom = i16(well.bottom - 1);
    well.right = i16(well.right + 1);
    if (well.bottom > well.top && well.right > well.left) {
      SetThemePen(kWellBrush, portdepth(port), true);
      PaintRoundRect(&well, 8, 8);
    }
  }
  DrawPictureInfo(object);
  if (object.flags & spotfocushilite) controlrings(control, object);
  SetClip(saved);
  docontroldown(object);
}

i16 imagewellisbroken() {
  ThemeButtonState& t = tbs();
  if (!t.probed) {
    t.probed = true;
    t.wellbroken = probewell();
  }
  return t.wellbroken;
}

PicHandle GetIconAsPICT(const spot& object) {
  if (memoryrefused(kIconPictMemory)) return nilhandle;
  Handle bits = NewHandleClear(Size(kIconBytes));
  if (bits == nilhandle) return nilhandle;
  PicHandle pict = nilhandle;
  if (geticon(getbuttontail(object).icon, deref(bits)))
    pict = iconpicture(deref(bits), (object.flags & spotdisabled) != 0);
  DisposeHandle(bits);
  return pict;
}

PicHandle GetIconResourceAsPICT(const spot& object) {
  if (memoryrefused(kIconResourceMemory)) return nilhandle;
  Handle icon = GetResource(fourcc("ICON"), i16(getbuttontail(object).icon & 0xFFFF));
  if (icon == nilhandle || GetHandleSize(icon) < Size(kIconBytes)) return nilhandle;
  u8 bits[kIconBytes];
  std::memcpy(bits, deref(icon), kIconBytes);
  return iconpicture(bits, (object.flags & spotdisabled) != 0);
}

void DrawNewPushBtn(spot& object, Handle list, i16 index) { DrawNewControlSpot(object, list, index); }
void DrawNewCheckboxOrRadioBtn(spot& object, Handle list, i16 index) {
  if (object.rect.right - object.rect.left < 15 || object.rect.bottom - object.rect.top < 12) return;
  DrawNewControlSpot(object, list, index);
}
void DrawNewBevelBtn(spot& object, Handle list, i16 index) { DrawNewControlSpot(object, list, index); }
void DrawPopupBtn(spot& object, Handle list, i16 index) { DrawNewControlSpot(object, list, index); }
void DrawRoundBtn(spot& object, Handle list, i16 index) { DrawNewControlSpot(object, list, index); }
void DrawNewSliderBtn(spot& object, Handle list, i16 index) { DrawNewControlSpot(object, list, index); }
void DrawTabsBtn(spot& object, Handle list, i16 index) { DrawNewControlSpot(object, list, index); }
void DrawDisclosureArrowBtn(spot& object, Handle list, i16 index) { DrawNewControlSpot(object, list, index); }
void DrawNewScrollBarBtn(spot& object, Handle list, i16 index) { DrawNewControlSpot(object, list, index); }
void DrawNewProgressBarBtn(spot& object, Handle list, i16 index) { DrawNewControlSpot(object, list, index); }
void DrawNewIndeterminateBarBtn(spot& object, Handle list, i16 index) { DrawNewControlSpot(object, list, index); }
void DrawNewRelevanceBarBtn(spot& object, Handle list, i16 index) { DrawNewControlSpot(object, list, index); }
void DrawLittleArrowsBtn(spot& object, Handle list, i16 index) { DrawNewControlSpot(object, list, index); }
void DrawChasingArrowsBtn(spot& object, Handle list, i16 index) { DrawNewControlSpot(object, list, index); }
void DrawDisclosureTriangleBtn(spot& object, Handle list, i16 index) { DrawNewControlSpot(object, list, index); }
void DrawPrimaryGroupBtn(spot& object, Handle list, i16 index) { DrawNewControlSpot(object, list, index); }
void DrawSecondaryGroupBtn(spot& object, Handle list, i16 index) { DrawNewControlSpot(object, list, index); }
void DrawPopupArrowBtn(spot& object, Handle list, i16 index) { DrawNewControlSpot(object, list, index); }
void DrawPlacardBtn(spot& object, Handle list, i16 index) { DrawNewControlSpot(object, list, index); }
void DrawWindowHeaderBtn(spot& object, Handle list, i16 index) { DrawNewControlSpot(object, list, index); }
void DrawListHeaderBtn(spot& object, Handle list, i16 index) { DrawNewControlSpot(object, list, index); }
void DrawSeparatorBtn(spot& object, Handle list, i16 index) { DrawNewControlSpot(object, list, index); }
void DrawDataBrowserBtn(spot& object, Handle list, i16 index) { DrawNewControlSpot(object, list, index); }

}  // namespace kv
