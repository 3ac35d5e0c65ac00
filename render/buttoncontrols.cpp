#include "render/buttoncontrols.h"

#include <algorithm>
#include <cstring>

#include "engine/textutil.h"
#include "platform/memory/memory.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/resources/resources.h"
#include "platform/windows/theme.h"
#include "render/buttonicons.h"
#include "render/controldata.h"
#include "render/controlfonts.h"
#include "render/controloptions.h"
#include "render/controlvisibility.h"
#include "render/effectqueue.h"
#include "render/themebuttons.h"
#include "core/mainglobals.h"
#include "shell/metal.h"
#include "store/byteorder.h"
#include "system/proctable.h"

namespace kv {

namespace {

// Flag bits of a button that its control reads.
enum : u32 {
  kShowName = 1u << 1,
  kAutoHilite = 1u << 2,
  kHilite = 1u << 6,
  kDisabled = 1u << 7,
  kDefault = 1u << 9,
  kAutoWidth = 1u << 10,
  kMixedValue = 1u << 18,
  kAutoBackground = 1u << 24,
};

constexpr u32 kVizu = fourcc("VIZU"), kRectTag = fourcc("Rect"), kMetalTag = fourcc("Metl");
constexpr i16 kNoMenu = -12345;
constexpr i16 kFirstMenuId = 20000;
constexpr i16 kMinPopupWidth = 24;
constexpr i16 kAlignRight = -1, kAlignLeft = -2, kAlignCentre = 1;
constexpr i16 kMetalStyle = 11;

bool has(const spot& s, u32 bit) { return (s.flags & bit) != 0; }

struct ButtonText {
  i16 font, size, style, align;
};
ButtonText buttontext(const spot& s) {
  const buttontail t = getbuttontail(s);
  return ButtonText{i16(t.words.v[0]), i16(t.words.v[1]), i16(t.words.v[2]), i16(t.words.v[3])};
}

// The current window's style code.
u16 windowstyle() {
  const MainGlobals& g = mainglobals();
  if (g.current.wind == nilhandle) return 0;
  return loadat<windrec>(deref(g.current.wind)).word2;
}

// Controls of a window of style 11 keep the system's font.
bool keepsystemfont() { return windowstyle() == kMetalStyle; }

// The font style record of the object's text font, size and style (flags 7, or 5 without the
// face), adjusted for the object.
ControlFontStyleRec fontrecord(spot& s, i16 flags) {
  const ButtonText t = buttontext(s);
  ControlFontStyleRec r{};
  r.flags = flags;
  r.font = t.font;
  r.size = t.size;
  r.style = t.style;
  OverrideControlFont(s, &r);
  return r;
}

i32 clamped(const controlpart& c) {
  return std::min<i32>(std::max<i32>(c.currentvalue, c.minimumvalue), c.maximumvalue);
}

template <class T>
void settag(ControlRef c, i16 part, u32 tag, T value) {
  SetControlData(c, part, tag, sizeof value, &value);
}

// The size tag of the object's size field; progress bars know only large and normal.
void setsizetag(ControlRef c, const spot& s) {
  u16 size = u16(getTabOrArrowOrBtnSize(s));
  if ((s.style == 214 || s.style == 215) && size != 2) size = 0;
  settag<u16>(c, 0, kControlSizeTag, size);
}

// The value, range and highlighted part a style gives its control.
struct Setting {
  i32 value, minimum, maximum;
  i16 part;
};

Setting settingof(spot& s) {
  const controlpart c = getcontrolpart(s);
  Setting st{0, c.minimumvalue, c.maximumvalue, 10};
  const bool hilite = has(s, kHilite);
  switch (s.style) {
    case 201:
      st.value = hilite ? 10 : 0;
      st.maximum = i32(getbuttontail(s).icon & 0xFFFF);
      break;
    case 203:
    case 204:
      st.part = hilite ? (has(s, kMixedValue) ? 2 : 1) : 0;
      st.value = st.part;
      st.maximum = 2;
      break;
    case 205: {
      const i16 behaviour = getBevelBtnBehavior(s);
      if (behaviour == 256 || behaviour == 512 || !has(s, kAutoHilite)) st.value = hilite ? 1 : 0;
      break;
    }
    case 206:
      st.value = clamped(c);
      st.part = 0;
      break;
    case 207:
      st.value = hilite ? 10 : 0;
      st.maximum = 10;
      break;
    case 214:
    case 215:
    case 218: {
      st.value = clamped(c);
      const ControlRef live = livecontrol(s);
      if (IsValidControlHandle(live)) {
        const MainGlobals& g = mainglobals();
        const bool browsing = g.current.tool == kBrowseTool || g.current.tool == kBrowseTool + 1;
        settag<u8>(live, 0, kControlProgressBarAnimatingTag, browsing && !g.imagedrawing ? u8(g.idleControls != 0) : 0);
      }
      break;
    }
    case 219:
      st.value = clamped(c);
      st.part = 1;
      break;
    case 202:
    case 208:
    case 224:
    case 227: st.part = 1; break;
    default: st.value = clamped(c); break;
  }
  return st;
}

// The theme drawing state of the current port, normalised for the call and put back after.
class ThemeScope {
 public:
  ThemeScope() {
    if (IsValidPort(currentportid()) && GetThemeDrawingState(&state_) == noErr) NormalizeThemeDrawingState();
  }
  ~ThemeScope() {
    if (state_ != nilhandle) SetThemeDrawingState(state_, true);
  }
  ThemeScope(const ThemeScope&) = delete;
  ThemeScope& operator=(const ThemeScope&) = delete;

 private:
  ThemeDrawingState state_ = nilhandle;
};

// The first menu id from 20000 up that names no menu.
i16 freemenuid() {
  i16 id = kFirstMenuId;
  while (GetMenuHandle(id) != nilid && id < 32767) ++id;
  return id;
}

// Takes a menu out of the menu list (when it is there under its id) and disposes of it.
void dropmenu(MenuRef menu) {
  if (!IsValidMenu(menu)) return;
  const MenuID id = GetMenuID(menu);
  if (id != 0 && GetMenuHandle(id) == menu) DeleteMenu(id);
  DisposeMenu(menu);
}

// A colour icon from a 'cicn' resource of the resource chain.
CIconHandle resourcecicon(i16 id) {
  Handle h = GetResource(fourcc("cicn"), id);
  if (h == nilhandle || HandToHand(&h) != noErr) return nilhandle;
  CIconHandle icon = nilhandle;
  if (endianswapcicon(deref(h), GetHandleSize(h), fromfile)) handtocicon(h, &icon);
  DisposeHandle(h);
  return icon;
}

// What a bevel button, round button or image well shows for its content type (types 1-5);
// an empty content when the object has no icon or it cannot be loaded.
ControlButtonContentInfo contentof(const spot& s, i16 type) {
  ControlButtonContentInfo content{kControlContentTextOnly, 0};
  const u32 icon = getbuttontail(s).icon;
  if (icon == 0) return content;
  const i16 id = i16(icon & 0xFFFF);
  switch (type) {
    case 1: {
      IconSuiteRef suite = nilhandle;
      if (GetIconSuite(&suite, id, kSelectorAllAvailableData) != noErr) break;
      Handle copy = suite;
      if (HandToHand(&copy) == noErr) {
        IconActionProcPtr detach = getproc<291>();
        ForEachIconDo(copy, kSelectorAllAvailableData, detach ? detach : DetachSuiteMembers, nullptr);
        content = {kControlContentIconSuiteHandle, copy};
      }
      DisposeIconSuite(suite, true);
      break;
    }
    case 2: {
      CIconHandle cicon = nilhandle;
      if (!getcicon(icon, &cicon)) cicon = resourcecicon(id);
      if (cicon != nilhandle) content = {kControlContentCIconHandle, cicon};
      break;
    }
    case 3: {
      Handle pict = GetResource(fourcc("PICT"), id);
      if (pict == nilhandle) break;
      DetachResource(pict);
      orderpictureframe(pict);
      content = {kControlContentPictHandle, pict};
      break;
    }
    case 4: {
      PicHandle pict = GetIconAsPICT(s);
      if (pict == nilhandle) pict = GetIconResourceAsPICT(s);
      if (pict != nilhandle) content = {kControlContentPictHandle, pict};
      break;
    }
    case 5: {
      IconRef ref = nilid;
      if ((icon >> 16) == 0) {
        Handle family = GetResource(fourcc("icns"), id);
        if (family != nilhandle) GetIconRefFromIconFamilyPtr(deref(family), GetHandleSize(family), &ref);
      } else {
        GetIconRef(-1, fourcc("macs"), icon, &ref);
      }
      if (ref != nilid) content = {kControlContentIconRef, ref};
      break;
    }
    default: break;
  }
  return content;
}


// The popup menu button (206): made with its menu, sized to its best height on the object's
// centre line (and to its best width with `autoWidth`); the object takes that rectangle.
ControlRef buildpopup(spot& s, WindowRef window, ConstStringPtr title, ConstStringPtr name) {
  i16 selected = 1, menuid = 0;
  MenuRef menu = populateMenu(s, name, &selected, &menuid);
  ControlRef c = nilid;
  if (CreatePopupButtonControl(window, &kParkingRect, title, menu ? menuid : kNoMenu, false, 0, 0, 0, &c) != noErr ||
      c == nilid) {
    dropmenu(menu);
    return nilid;
  }
  HideControl(c);
  ControlFontStyleRec font = fontrecord(s, kControlUseFontMask | kControlUseSizeMask);
  SetControlFontStyle(c, &font);
  SetControl32BitMinimum(c, 1);
  SetControl32BitMaximum(c, menu ? CountMenuItems(menu) : 0);
  SetControl32BitValue(c, selected);
  controlpart part = getcontrolpart(s);
  part.currentvalue = selected;
  setcontrolpart(s, part);

  SetControlBounds(c, &s.rect);
  Rect best{};
  CalculateOurOwnControlRect(c, &best, font.font, font.size);
  Rect r = s.rect;
  if (has(s, kAutoWidth)) r.right = i16(r.left + (best.right - best.left));
  const i32 height = best.bottom - best.top;
  const i32 centre = (s.rect.top + s.rect.bottom) / 2;
  const i32 bestcentre = (best.top + best.bottom) / 2;
  r.top = i16(best.top + (centre - bestcentre));
  r.bottom = i16(r.top + height);
  s.rect = r;
  SetControlBounds(c, &r);
  return c;
}

// The control of a style, made at the parking rectangle. `st` may be changed by the style.
ControlRef create(spot& s, WindowRef window, ConstStringPtr title, ConstStringPtr name, Setting& st, i16 background) {
  ControlRef c = nilid;
  const Rect* park = &kParkingRect;
  const bool autohilite = has(s, kAutoHilite);
  const controlpart part = getcontrolpart(s);
  switch (s.style) {
    case 201: return BuildPushButton(s, title);
    case 202:
    case 208: return NewControl(window, park, title, false, i16(st.value), 0, 100, 0, 0);
    case 203: {
      bool hasdata = false;
      c = BuildRadioGroup(s, background, title, &hasdata);
      if (hasdata) return c;
      const i32 value = has(s, kHilite) ? (has(s, kMixedValue) ? 2 : 1) : 0;
      if (CreateRadioButtonControl(window, park, title, value, autohilite, &c) == noErr) setsizetag(c, s);
      return c;
    }
    case 204: CreateCheckBoxControl(window, park, title, st.value, autohilite, &c); return c;
    case 205: {
      c = BuildBevelBtn(s, title, name);
      if (!c) return c;
      if (!autohilite) st.value = clamped(getcontrolpart(s));
      const i16 behaviour = getBevelBtnBehavior(s);
      if (behaviour == 256 || behaviour == 512) {
        SetControl32BitMinimum(c, st.minimum);
        SetControl32BitMaximum(c, st.maximum);
        SetControl32BitValue(c, has(s, kHilite) ? 1 : 0);
      }
      return c;
    }
    case 206: return buildpopup(s, window, title, name);
    case 207: {
      ControlButtonContentInfo content{kControlContentTextOnly, 0};
      if (getContentType(s) == 5) content = contentof(s, 5);
      const u16 size = getTabOrArrowOrBtnSize(s) == 0 ? kControlSizeLarge : kControlSizeNormal;
      if (CreateRoundButtonControl(window, park, size, &content, &c) != noErr) {
        releasecontent(content);
        return nilid;
      }
      SetControl32BitMaximum(c, 10);
      controlpart p = getcontrolpart(s);
      p.minimumvalue = i16(GetControl32BitMinimum(c));
      p.maximumvalue = i16(GetControl32BitMaximum(c));
      p.currentvalue = i16(GetControl32BitValue(c));
      setcontrolpart(s, p);
      const bool inactive = has(s, kDisabled) || !IsWindowHilited(window);
      HiliteControl(c, inactive ? kControlInactivePart : has(s, kHilite) ? 10 : 0);
      return c;
    }
    case 209:
      if (CreateSliderControl(window, park, st.value, 0, 100, u16(getOrientation(s)), part.tickmarks, true,
                              getproc<266>(), &c) == noErr)
        setsizetag(c, s);
      return c;
    case 210: {
      c = BuildTabs(s);
      controlpart p = getcontrolpart(s);
      p.minimumvalue = 1;
      setcontrolpart(s, p);
      st.minimum = 1;
      st.maximum = p.maximumvalue;
      st.value = std::min<i32>(p.maximumvalue, std::max<i32>(st.value, 1));
      return c;
    }
    case 211: {
      ControlButtonContentInfo content = contentof(s, getContentType(s));
      if (CreateImageWellControl(window, park, &content, &c) != noErr) {
        releasecontent(content);
        return nilid;
      }
      if (IsMetalWindow(window)) ActivateControl(c);
      return c;
    }
    case 212:
      if (CreateDisclosureButtonControl(window, park, st.value, true, &c) == noErr) setsizetag(c, s);
      return c;
    case 213:
      if (CreateScrollBarControl(window, park, st.value, st.minimum, st.maximum, part.viewsize ? part.viewsize : 10,
                                 true, getproc<266>(), &c) == noErr) {
        HideControl(c);  // shown again once placed, without drawing: the theme drawing draws it
        setsizetag(c, s);
      }
      return c;
    case 214:
    case 215:
      if (CreateProgressBarControl(window, park, st.value, s.style == 214 ? st.minimum : 0,
                                   s.style == 214 ? st.maximum : 100, s.style == 215, &c) == noErr)
        setsizetag(c, s);
      return c;
    case 216: CreateRelevanceBarControl(window, park, st.value, 0, 100, &c); return c;
    case 217: CreateLittleArrowsControl(window, park, st.value, st.minimum, st.maximum, 1, &c); return c;
    case 218:
      if (CreateChasingArrowsControl(window, park, &c) == noErr)
        if (EventHandlerProc handler = getproc<436>()) {
          const EventTypeSpec draw{kEventClassControl, kEventControlDraw};
          InstallControlEventHandler(c, handler, 1, &draw, 0, nullptr);
        }
      return c;
    case 219: CreateDisclosureTriangleControl(window, park, 1, title, 0, false, true, &c); return c;
    case 220:
    case 221: CreateGroupBoxControl(window, park, title, s.style == 220, &c); return c;
    case 222:
      CreatePopupArrowControl(window, park, u16(getOrientation(s)), u16(getTabOrArrowOrBtnSize(s)), &c);
      return c;
    case 223: CreatePlacardControl(window, park, &c); return c;
    case 225:
    case 226: CreateWindowHeaderControl(window, park, s.style == 226, &c); return c;
    case 228: CreateSeparatorControl(window, park, &c); return c;
    case 229: return BuildDataBrowser(s, s.rect);
    default: return nilid;
  }
}

bool hashandler(ControlRef c, EventHandlerProc handler) {
  const std::vector<EventHandlerProc> v = controleventhandlers(c, kEventClassControl, kEventControlDraw);
  return std::find(v.begin(), v.end(), handler) != v.end();
}

}  // namespace

ControlRef docontrolup(spot* object, i16 background) {
  if (!object || object->kind != spotbutton || object->style < 201 || object->style > 229) return nilid;
  ThemeScope theme;
  spot& s = *object;
  MainGlobals& g = mainglobals();

  Str255 name{}, title{};
  if (s.name != nilhandle) handtostring(s.name, name);
  if (has(s, kShowName)) std::memcpy(title, name, std::size_t(name[0]) + 1);
  if (!isplatformcontrol(s)) make4spot(s);
  Setting st = settingof(s);

  bool fresh = false;
  ControlRef c = livecontrol(s);
  if (c != nilid && IsValidControlHandle(c)) {
    Str255 now{};
    GetControlTitle(c, now);
    if (!myequalstring(now, title)) SetControlTitle(c, title);
    SetControlBounds(c, &s.rect);
  } else {
    setlivecontrol(s, nilid);
    if (s.style == 224 || s.style == 227) return nilid;
    c = create(s, g.current.window, title, name, st, background);
    if (c == nilid || !IsValidControlHandle(c)) return nilid;
    fresh = true;
  }
  const Rect rect = s.rect;
  if (s.style == 227) return c;

  if (fresh) {
    SetControlReference(c, background ? -i32(s.id) : i32(s.id));
    setlivecontrol(s, c);
  }
  if (s.style == 201 && has(s, kDefault) && !effectplaying()) settag<u8>(c, 0, kControlPushButtonDefaultTag, 1);
  SetControlColorProc(c, has(s, kAutoBackground) ? getproc<267>() : nullptr);
  if (IsMetalWindow(g.current.window)) {
    // Once per control: a refreshed control keeps the handler it has.
    if (EventHandlerProc handler = getproc<439>(); handler && !hashandler(c, handler)) {
      const EventTypeSpec draw{kEventClassControl, kEventControlDraw};
      InstallControlEventHandler(c, handler, 1, &draw, 0, nullptr);
    }
    const i16 metal = 1;
    SetControlProperty(c, kVizu, kMetalTag, sizeof metal, &metal);
  }
  if (s.style == 219) settag<i16>(c, 4, kControlDisclosureTriangleLastValueTag, i16(st.value));
  const bool ownvalue = s.style == 206 || s.style == 203 || (s.style == 205 && has(s, kAutoHilite));
  if (!ownvalue) {
    SetControl32BitMinimum(c, st.minimum);
    SetControl32BitMaximum(c, st.maximum);
    SetControl32BitValue(c, st.value);
  }
  if (s.style == 201 || s.style == 205 || s.style == 207 || s.style == 211)
    HiliteControl(c, has(s, kHilite) ? st.part : 0);
  if (has(s, kDisabled)) DeactivateControl(c);
  else ActivateControl(c);
  if (title[0] != 0 && s.style != 207) {
    setcontrolfont(s);
    SetControlTitle(c, title);
  } else if (title[0] == 0 && s.style == 203) {
    setcontrolfont(s);
    SetControlTitle(c, title);
  }
  SetControlBounds(c, &rect);
  SetUpControlBackground(c, portdepth(currentportid()), true);
  if (s.style == 203 || s.style == 205) {
    u16 count = 0;
    CountSubControls(c, &count);
    if (count > 0) {
      mapRadioGroupMembers(s, i16(count), rect);
    } else {
      SetControl32BitMinimum(c, st.minimum);
      SetControl32BitMaximum(c, st.maximum);
      SetControl32BitValue(c, st.value);
    }
  }
  if (!g.offwindowdrawing && !background && g.current.backlayer) HideControl(c);
  else SetControlVisibility(c, true, false);
  SetControlProperty(c, kVizu, kRectTag, sizeof rect, &rect);
  notecontrolvalues(c);
  return c;
}

ControlRef BuildPushButton(spot& s, ConstStringPtr title) {
  const WindowRef window = mainglobals().current.window;
  const u32 icon = getbuttontail(s).icon;
  ControlRef c = nilid;
  OSStatus e;
  if (icon == 0) {
    e = CreatePushButtonControl(window, &kParkingRect, title, &c);
  } else {
    const ControlButtonContentInfo content{kControlContentCIconRes, icon & 0xFFFF};
    const u16 alignment = buttontext(s).align == kAlignRight ? 6 : 7;
    e = CreatePushButtonWithIconControl(window, &kParkingRect, title, &content, alignment, &c);
  }
  if (e != noErr || c == nilid) return nilid;
  if (!keepsystemfont()) {
    const ControlFontStyleRec font = fontrecord(s, kControlUseFontMask | kControlUseFaceMask | kControlUseSizeMask);
    SetControlFontStyle(c, &font);
  }
  if (has(s, kDefault)) settag<u8>(c, 0, kControlPushButtonDefaultTag, 1);
  return c;
}

ControlRef BuildBevelBtn(spot& s, ConstStringPtr title, ConstStringPtr name) {
  const WindowRef window = mainglobals().current.window;
  const i16 behaviourword = getBevelBtnBehavior(s);
  const u16 thickness = u16(getBevelStyle(s));
  u16 behaviour = behaviourword == 1024 ? 0 : u16(behaviourword);
  MenuRef menu = nilid;
  i16 selected = 1, menuid = 0;
  if (behaviourword == 1024) menu = populateMenu(s, name, &selected, &menuid);
  if (getBevelButtonOffsetContent(s)) behaviour |= 0x8000;

  const ControlButtonContentInfo content = contentof(s, getContentType(s));
  ControlRef c = nilid;
  if (CreateBevelButtonControl(window, &kParkingRect, title, thickness, behaviour, &content, menu ? menuid : 0, 0, 0,
                               &c) != noErr ||
      c == nilid) {
    dropmenu(menu);
    releasecontent(content);
    return nilid;
  }
  if (thickness == 3) settag<i16>(c, 0, kControlBevelButtonKindTag, 15);
  if (menu) {
    SetControlTitle(c, title);
    settag<u32>(c, 0, kControlBevelButtonMenuHandleTag, menu);
    SetBevelButtonMenuValue(c, selected);
  }

  const bool ownfont = !keepsystemfont();
  if (ownfont) {
    const ControlFontStyleRec font = fontrecord(s, kControlUseFontMask | kControlUseFaceMask | kControlUseSizeMask);
    SetControlFontStyle(c, &font);
  }
  const i16 align = buttontext(s).align;
  // This system runs left to right: the system alignment (0) is flush left.
  const bool left = align == kAlignLeft || align == 0;
  if (getbuttontail(s).icon != 0) {
    if (align == kAlignCentre) {
      SetBevelButtonGraphicAlignment(c, kControlBevelButtonAlignCenter, 0, 0);
      SetBevelButtonTextPlacement(c, kControlBevelButtonPlaceBelowGraphic);
    } else if (left) {
      SetBevelButtonGraphicAlignment(c, kControlBevelButtonAlignLeft, 2, 0);
      SetBevelButtonTextPlacement(c, kControlBevelButtonPlaceToRightOfGraphic);
    } else if (align == kAlignRight) {
      SetBevelButtonGraphicAlignment(c, kControlBevelButtonAlignRight, menu ? 20 : 2, 0);
      SetBevelButtonTextPlacement(c, kControlBevelButtonPlaceToLeftOfGraphic);
    }
  } else if (left) {
    SetBevelButtonTextAlignment(c, align, 4);
  } else if (align == kAlignRight) {
    SetBevelButtonTextAlignment(c, align, menu ? 20 : 4);
  }
  if (ownfont) {
    const ControlFontStyleRec font = fontrecord(s, kControlUseFontMask | kControlUseSizeMask);
    SetControlFontStyle(c, &font);
  }

  controlpart p = getcontrolpart(s);
  const i32 hilite = has(s, kHilite) ? 1 : 0;
  if (has(s, kAutoHilite)) {
    p.minimumvalue = i16(GetControl32BitMinimum(c));
    p.maximumvalue = i16(GetControl32BitMaximum(c));
    SetControl32BitValue(c, hilite);
    p.currentvalue = i16(GetControl32BitValue(c));
  } else {
    p.currentvalue = i16(hilite);
    p.maximumvalue = i16(std::max<i32>(hilite, p.maximumvalue));
    SetControl32BitMaximum(c, p.maximumvalue);
    SetControl32BitValue(c, hilite);
  }
  setcontrolpart(s, p);
  return c;
}

void mapRadioGroupMembers(const spot& s, i16 count, const Rect& rect) {
  const ControlRef group = livecontrol(s);
  if (group == nilid || count < 1) return;
  const i16 depth = portdepth(currentportid());
  const i32 row = std::max<i32>(buttontext(s).size + 4, 18);
  const i32 height = rect.bottom - rect.top;
  const bool shown = rect.right > rect.left && rect.bottom > rect.top;
  auto member = [group](i16 i) {
    ControlRef m = nilid;
    GetIndexedSubControl(group, u16(i), &m);
    return m;
  };
  if (height > row * 9 / 5) {
    Rect r{rect.top, rect.left, i16(std::min<i32>(rect.top + row, rect.bottom)), rect.right};
    const i32 step = std::max<i32>((height - row) / std::max<i32>(count - 1, 1), 0);
    for (i16 i = 1; i <= count; ++i) {
      const ControlRef m = member(i);
      SetControlVisibility(m, shown, false);
      SetControlBounds(m, &r);
      SetUpControlBackground(m, depth, true);
      r.top = i16(r.top + step);
      r.bottom = i16(r.bottom + step);
    }
    return;
  }
  std::vector<i32> widths;
  i32 sum = 0;
  for (i16 i = 1; i <= count; ++i) {
    const ControlRef m = member(i);
    SetControlVisibility(m, shown, false);
    Rect best{};
    GetBestControlRect(m, &best, nullptr);
    widths.push_back(best.right - best.left);
    sum += widths.back();
  }
  const i32 gap = count >= 2 ? (rect.right - rect.left - sum) / (count - 1) : 0;
  i32 left = rect.left;
  for (i16 i = 1; i <= count; ++i) {
    const i32 right = std::min<i32>(left + widths[std::size_t(i - 1)] + gap, rect.right);
    const Rect r{rect.top, i16(left), rect.bottom, i16(right)};
    SetControlBounds(member(i), &r);
    left = right;
  }
}

void CalculateOurOwnControlRect(ControlRef control, Rect* out, i16 font, i16 size) {
  const CGrafPtr port = currentportid();
  const bool pen = IsValidPort(port);
  if (pen) HidePen();
  Str255 title{};
  GetControlTitle(control, title);
  MenuRef menu = GetControlPopupMenuHandle(control);
  if (menu == nilid && title[0] != 0) {
    menu = NewMenu(freemenuid(), title);
    SetControlPopupMenuHandle(control, menu);
  }
  if (menu != nilid && CountMenuItems(menu) == 0 && title[0] != 0) AppendMenuItem(menu, title, 0, 0, nullptr);
  if (menu != nilid && CountMenuItems(menu) > 0) {
    SetMenuFont(menu, font, u16(size));
    CheckMenuItem(menu, 1, true);
    GetBestControlRect(control, out, nullptr);
    CheckMenuItem(menu, 1, false);
    if (out->right - out->left < kMinPopupWidth) out->right = i16(out->left + kMinPopupWidth);
  } else {
    GetBestControlRect(control, out, nullptr);
  }
  if (pen) ShowPen();
}

void releasecontent(const ControlButtonContentInfo& content) {
  switch (content.contentType) {
    case kControlContentIconSuiteHandle:
      if (IsValidHandle(content.data)) DisposeIconSuite(content.data, true);
      break;
    case kControlContentCIconHandle:
      if (IsValidHandle(content.data)) DisposeCIcon(content.data);
      break;
    case kControlContentICON:
      if (IsValidHandle(content.data)) DisposeHandle(content.data);
      break;
    case kControlContentPictHandle:
      if (IsValidHandle(content.data)) KillPicture(content.data);
      break;
    case kControlContentIconRef:
      if (IsValidIconRef(content.data)) ReleaseIconRef(content.data);
      break;
    default: break;
  }
}

OSErr DetachSuiteMembers(ResType, Handle* icon, void*) {
  if (!icon || *icon == nilhandle) return noErr;
  Handle copy = *icon;
  if (OSErr e = HandToHand(&copy)) return e;
  HNoPurge(copy);
  *icon = copy;
  return noErr;
}

}  // namespace kv
