// The controls of buttons: their creation, titles, reference constants, highlighted parts,
// fonts, colour procedures, draw-event handlers, data tags, properties, radio groups, popup
// and bevel buttons, and their best rectangles.
#include <algorithm>
#include <cstring>

#include "platform/controls/controlextras.h"
#include "platform/fonts/fonts.h"

namespace kv {

namespace {

constexpr i16 kNoMenu = -12345;

std::string titletext(ConstStringPtr title) {
  return title ? std::string(reinterpret_cast<const char*>(title + 1), title[0]) : std::string();
}

// Makes a control of a kind, with its title and range, and lets `fill` set the rest of its
// settings. The value is kept within the range.
template <class Fill>
OSStatus make(WindowRef window, const Rect* bounds, u32 kind, ConstStringPtr title, i32 value, i32 minimum, i32 maximum,
              ControlRef* out, Fill&& fill) {
  ControlRef c = nilid;
  if (out) *out = nilid;
  if (!bounds) return paramErr;
  OSStatus e = newcontrol(window, bounds, kind, &c);
  if (e != noErr) return e;
  ControlExtras* x = controlextras(c);
  x->title = titletext(title);
  fill(*x);
  SetControl32BitMinimum(c, minimum);
  SetControl32BitMaximum(c, maximum);
  SetControl32BitValue(c, value);
  if (out) *out = c;
  return noErr;
}

void nofill(ControlExtras&) {}

void setcontent(ControlRef c, const ControlButtonContentInfo* content) {
  if (!content) return;
  SetControlData(c, 0, kControlBevelButtonContentTag, sizeof *content, content);
}

template <class T>
OSStatus settag(ControlRef c, u32 tag, T value) {
  return SetControlData(c, 0, tag, sizeof value, &value);
}

// --- Best rectangles ----------------------------------------------------------------------------

// Heights by size (normal, small, large, mini) and the room a kind wants beside its title; 0
// heights keep the control's own height.
struct Metric {
  u32 kind;
  i16 height[4];
  i16 square;  // the width is the height (arrows, round buttons)
  i16 pad;     // added to the width of the title; -1 keeps the control's own width
};

constexpr Metric kMetrics[] = {
    {kControlKindPushButton, {20, 17, 20, 15}, 0, 28},         {kControlKindPushIconButton, {20, 17, 20, 15}, 0, 48},
    {kControlKindCheckBox, {18, 16, 18, 14}, 0, 20},           {kControlKindRadioButton, {18, 16, 18, 14}, 0, 20},
    {kControlKindPopupButton, {20, 17, 20, 15}, 0, 32},        {kControlKindBevelButton, {20, 17, 24, 15}, 0, 16},
    {kControlKindRoundButton, {20, 20, 25, 20}, 1, 0},         {kControlKindSlider, {22, 16, 22, 14}, 0, -1},
    {kControlKindDisclosureButton, {21, 17, 21, 15}, 1, 0},    {kControlKindScrollBar, {16, 11, 16, 11}, 0, -1},
    {kControlKindProgressBar, {16, 10, 16, 10}, 0, -1},        {kControlKindRelevanceBar, {14, 12, 14, 12}, 0, -1},
    {kControlKindLittleArrows, {22, 20, 22, 16}, 0, 0},        {kControlKindChasingArrows, {16, 16, 16, 16}, 1, 0},
    {kControlKindDisclosureTriangle, {12, 12, 12, 12}, 0, 16}, {kControlKindPopupArrow, {5, 4, 5, 4}, 0, 0},
};
// Little arrows are 13 wide; a popup arrow is 9 by 5 (7 by 4 small) pointing up or down, and
// turned for east and west (orientations 0 and 1).
constexpr i16 kLittleArrowsWidth = 13;
constexpr i16 kPopupArrowLength[2] = {9, 7};

const Metric* metricof(u32 kind) {
  for (const Metric& m : kMetrics)
    if (m.kind == kind) return &m;
  return nullptr;
}

}  // namespace

OSStatus controlsizemetric(i32 selector, i32* out) {
  struct Entry {
    i32 selector;
    u32 kind;
    i16 size;    // the kMetrics column
    bool width;  // the width of a square control or the little arrows
  };
  static constexpr Entry kEntries[] = {
      {1, kControlKindScrollBar, kControlSizeSmall, false},
      {17, kControlKindDisclosureButton, kControlSizeNormal, false},
      {22, kControlKindDisclosureButton, kControlSizeNormal, true},
      {23, kControlKindDisclosureButton, kControlSizeSmall, false},
      {24, kControlKindDisclosureButton, kControlSizeSmall, true},
      {25, kControlKindDisclosureTriangle, kControlSizeNormal, false},
      {26, kControlKindDisclosureTriangle, kControlSizeNormal, true},
      {27, kControlKindLittleArrows, kControlSizeNormal, false},
      {28, kControlKindLittleArrows, kControlSizeNormal, true},
      {37, kControlKindRelevanceBar, kControlSizeNormal, false},
  };
  for (const Entry& e : kEntries) {
    if (e.selector != selector) continue;
    const Metric* m = metricof(e.kind);
    if (!m) return paramErr;
    *out = e.width && e.kind == kControlKindLittleArrows ? kLittleArrowsWidth : m->height[e.size];
    return noErr;
  }
  return paramErr;
}

namespace {

// The font a control's texts are measured in.
FontKey fontof(const ControlExtras& x, u16 size) {
  FontKey k{systemFont, i16(size == kControlSizeSmall || size == kControlSizeMini ? 11 : 13), 0};
  const ControlFontStyleRec& f = x.font;
  if (f.flags & kControlUseFontMask) {
    switch (f.font) {
      case kControlFontBigSystemFont: k = {systemFont, 13, 0}; break;
      case kControlFontSmallSystemFont: k = {systemFont, 11, 0}; break;
      case kControlFontSmallBoldSystemFont: k = {systemFont, 11, facebold}; break;
      case kControlFontViewSystemFont: k = {systemFont, 12, 0}; break;
      default: k.font = f.font; break;
    }
  }
  if (f.flags & kControlUseSizeMask) k.size = f.size == kControlSizeSmallFont ? 11 : f.size == 0 ? k.size : f.size;
  if (f.flags & kControlUseFaceMask) k.face = u8(f.style);
  return k;
}

i32 widthof(const FontKey& k, const std::string& text) {
  return text.empty() ? 0 : textadvance(k, reinterpret_cast<const u8*>(text.data()), i32(text.size()));
}

// The size a control is shown at: its 'size' tag, else its creation size.
u16 sizeof_(ControlRef c, const ControlExtras& x) {
  u16 size = x.settings.size;
  Size got = 0;
  if (GetControlData(c, 0, kControlSizeTag, sizeof size, &size, &got) != noErr || got != sizeof size)
    size = x.settings.size;
  return u16(size & 3);
}

// The widest item of a popup's menu in the menu's font.
i32 widestitem(MenuRef menu, const FontKey& controlfont) {
  i16 font = 0;
  u16 size = 0;
  FontKey k = controlfont;
  if (GetMenuFont(menu, &font, &size) == noErr && (font != 0 || size != 0)) k = FontKey{font, i16(size), 0};
  i32 widest = 0;
  for (u16 i = 1; i <= CountMenuItems(menu); ++i) {
    Str255 text{};
    GetMenuItemText(menu, i, text);
    widest = std::max(widest, textadvance(k, text + 1, text[0]));
  }
  return widest;
}

i16 clampi16(i32 v) { return i16(std::clamp<i32>(v, -32768, 32767)); }

}  // namespace

u16 controlsize(ControlRef control) {
  ControlExtras* x = controlextras(control);
  return x ? sizeof_(control, *x) : u16(kControlSizeNormal);
}

FontKey controlfontkey(ControlRef control) {
  ControlExtras* x = controlextras(control);
  return x ? fontof(*x, sizeof_(control, *x)) : FontKey{systemFont, 13, 0};
}

// --- Kinds and settings -------------------------------------------------------------------------

u32 GetControlKind(ControlRef control) {
  ControlExtras* x = controlextras(control);
  return x ? x->settings.kind : 0;
}

ControlSettings GetControlSettings(ControlRef control) {
  ControlExtras* x = controlextras(control);
  return x ? x->settings : ControlSettings{};
}

// --- Creation -----------------------------------------------------------------------------------

OSStatus CreatePushButtonControl(WindowRef window, const Rect* bounds, ConstStringPtr title, ControlRef* out) {
  return make(window, bounds, kControlKindPushButton, title, 0, 0, 0, out, nofill);
}

OSStatus CreatePushButtonWithIconControl(WindowRef window, const Rect* bounds, ConstStringPtr title,
                                         const ControlButtonContentInfo* icon, u16 alignment, ControlRef* out) {
  OSStatus e = make(window, bounds, kControlKindPushIconButton, title, 0, 0, 0, out,
                    [&](ControlExtras& x) { x.settings.iconalignment = alignment; });
  if (e == noErr) setcontent(*out, icon);
  return e;
}

OSStatus CreateCheckBoxControl(WindowRef window, const Rect* bounds, ConstStringPtr title, i32 value, bool autoToggle,
                               ControlRef* out) {
  return make(window, bounds, kControlKindCheckBox, title, value, 0, 2, out,
              [&](ControlExtras& x) { x.settings.autotoggle = autoToggle; });
}

OSStatus CreateRadioButtonControl(WindowRef window, const Rect* bounds, ConstStringPtr title, i32 value,
                                  bool autoToggle, ControlRef* out) {
  return make(window, bounds, kControlKindRadioButton, title, value, 0, 2, out,
              [&](ControlExtras& x) { x.settings.autotoggle = autoToggle; });
}

OSStatus CreateRadioGroupControl(WindowRef window, const Rect* bounds, ControlRef* out) {
  return make(window, bounds, kControlKindRadioGroup, nullptr, 0, 0, 0, out,
              [](ControlExtras& x) { x.embedder = true; });
}

OSStatus CreateBevelButtonControl(WindowRef window, const Rect* bounds, ConstStringPtr title, u16 thickness,
                                  u16 behavior, const ControlButtonContentInfo* content, i16 menuID, u16 menuBehavior,
                                  u16 menuPlacement, ControlRef* out) {
  OSStatus e = make(window, bounds, kControlKindBevelButton, title, 0, 0, 1, out, [&](ControlExtras& x) {
    x.settings.variant = i16(thickness);
    x.settings.behavior = behavior;
    x.settings.menuid = menuID;
    x.settings.menubehavior = menuBehavior;
    x.settings.menuplacement = menuPlacement;
  });
  if (e == noErr) setcontent(*out, content);
  return e;
}

OSStatus CreatePopupButtonControl(WindowRef window, const Rect* bounds, ConstStringPtr title, i16 menuID,
                                  bool variableWidth, i16 titleWidth, i16 titleJust, u8 titleStyle, ControlRef* out) {
  MenuRef menu = menuID == kNoMenu ? nilid : GetMenuHandle(menuID);
  const i32 items = menu ? CountMenuItems(menu) : 0;
  return make(window, bounds, kControlKindPopupButton, title, 1, 1, items, out, [&](ControlExtras& x) {
    x.settings.menuid = menuID;
    x.settings.variablewidth = variableWidth;
    x.settings.titlewidth = titleWidth;
    x.settings.titlejust = titleJust;
    x.settings.titlestyle = titleStyle;
    x.menu = menu;
  });
}

OSStatus CreateRoundButtonControl(WindowRef window, const Rect* bounds, u16 size,
                                  const ControlButtonContentInfo* content, ControlRef* out) {
  OSStatus e = make(window, bounds, kControlKindRoundButton, nullptr, 0, 0, 0, out,
                    [&](ControlExtras& x) { x.settings.size = size; });
  if (e == noErr) setcontent(*out, content);
  return e;
}

OSStatus CreateSliderControl(WindowRef window, const Rect* bounds, i32 value, i32 minimum, i32 maximum, u16 orientation,
                             u16 numTickMarks, bool liveTracking, ControlActionProcPtr action, ControlRef* out) {
  return make(window, bounds, kControlKindSlider, nullptr, value, minimum, maximum, out, [&](ControlExtras& x) {
    x.settings.orientation = orientation;
    x.settings.tickmarks = numTickMarks;
    x.settings.livetracking = liveTracking;
    x.settings.action = action;
  });
}

OSStatus CreateDisclosureButtonControl(WindowRef window, const Rect* bounds, i32 value, bool autoToggle,
                                       ControlRef* out) {
  return make(window, bounds, kControlKindDisclosureButton, nullptr, value, 0, 1, out,
              [&](ControlExtras& x) { x.settings.autotoggle = autoToggle; });
}

OSStatus CreateProgressBarControl(WindowRef window, const Rect* bounds, i32 value, i32 minimum, i32 maximum,
                                  bool indeterminate, ControlRef* out) {
  OSStatus e = make(window, bounds, kControlKindProgressBar, nullptr, value, minimum, maximum, out,
                    [&](ControlExtras& x) { x.settings.variant = indeterminate ? 1 : 0; });
  if (e == noErr) settag<u8>(*out, kControlProgressBarIndeterminateTag, indeterminate ? 1 : 0);
  return e;
}

OSStatus CreateRelevanceBarControl(WindowRef window, const Rect* bounds, i32 value, i32 minimum, i32 maximum,
                                   ControlRef* out) {
  return make(window, bounds, kControlKindRelevanceBar, nullptr, value, minimum, maximum, out, nofill);
}

OSStatus CreateLittleArrowsControl(WindowRef window, const Rect* bounds, i32 value, i32 minimum, i32 maximum,
                                   i32 increment, ControlRef* out) {
  return make(window, bounds, kControlKindLittleArrows, nullptr, value, minimum, maximum, out,
              [&](ControlExtras& x) { x.settings.increment = increment; });
}

OSStatus CreateChasingArrowsControl(WindowRef window, const Rect* bounds, ControlRef* out) {
  return make(window, bounds, kControlKindChasingArrows, nullptr, 0, 0, 0, out, nofill);
}

OSStatus CreateDisclosureTriangleControl(WindowRef window, const Rect* bounds, u16 orientation, ConstStringPtr title,
                                         i32 value, bool drawTitle, bool autoToggles, ControlRef* out) {
  return make(window, bounds, kControlKindDisclosureTriangle, title, value, 0, 1, out, [&](ControlExtras& x) {
    x.settings.orientation = orientation;
    x.settings.drawtitle = drawTitle;
    x.settings.autotoggle = autoToggles;
  });
}

OSStatus CreateGroupBoxControl(WindowRef window, const Rect* bounds, ConstStringPtr title, bool primary,
                               ControlRef* out) {
  return make(window, bounds, kControlKindGroupBox, title, 0, 0, 0, out, [&](ControlExtras& x) {
    x.settings.variant = primary ? 0 : 1;
    x.embedder = true;
  });
}

OSStatus CreatePopupArrowControl(WindowRef window, const Rect* bounds, u16 orientation, u16 size, ControlRef* out) {
  return make(window, bounds, kControlKindPopupArrow, nullptr, 0, 0, 0, out, [&](ControlExtras& x) {
    x.settings.orientation = orientation;
    x.settings.size = size;
  });
}

OSStatus CreatePlacardControl(WindowRef window, const Rect* bounds, ControlRef* out) {
  return make(window, bounds, kControlKindPlacard, nullptr, 0, 0, 0, out, nofill);
}

OSStatus CreateWindowHeaderControl(WindowRef window, const Rect* bounds, bool isListHeader, ControlRef* out) {
  return make(window, bounds, kControlKindWindowHeader, nullptr, 0, 0, 0, out,
              [&](ControlExtras& x) { x.settings.variant = isListHeader ? 1 : 0; });
}

OSStatus CreateSeparatorControl(WindowRef window, const Rect* bounds, ControlRef* out) {
  return make(window, bounds, kControlKindSeparator, nullptr, 0, 0, 0, out, nofill);
}

OSStatus CreateImageWellControl(WindowRef window, const Rect* bounds, const ControlButtonContentInfo* content,
                                ControlRef* out) {
  OSStatus e = make(window, bounds, kControlKindImageWell, nullptr, 0, 0, 0, out, nofill);
  if (e == noErr) setcontent(*out, content);
  return e;
}

ControlRef NewControl(WindowRef window, const Rect* bounds, ConstStringPtr title, bool visible, i16 value, i16 minimum,
                      i16 maximum, i16 procID, i32 refCon) {
  ControlRef c = nilid;
  if (procID == 0) {
    make(window, bounds, kControlKindPushButton, title, value, minimum, maximum, &c, nofill);
  } else if (procID == kControlUserPaneProc) {
    if (CreateUserPaneControl(window, bounds, 0, &c) != noErr) return nilid;
    SetControl32BitMinimum(c, minimum);
    SetControl32BitMaximum(c, maximum);
    SetControl32BitValue(c, value);
  } else if (procID >= 128 && procID <= 135) {
    make(window, bounds, kControlKindTabs, title, value, minimum, maximum, &c, [&](ControlExtras& x) {
      x.settings.variant = i16(procID - 128);
      x.embedder = true;
    });
  }
  if (c == nilid) return nilid;
  SetControlReference(c, refCon);
  if (!visible) HideControl(c);
  return c;
}

// --- Title, reference, highlight, values ---------------------------------------------------------

void SetControlTitle(ControlRef control, ConstStringPtr title) {
  if (ControlExtras* x = controlextras(control)) x->title = titletext(title);
}

void GetControlTitle(ControlRef control, Str255 title) {
  ControlExtras* x = controlextras(control);
  const std::size_t n = x ? std::min<std::size_t>(x->title.size(), 255) : 0;
  title[0] = u8(n);
  if (n) std::memcpy(title + 1, x->title.data(), n);
}

void SetControlReference(ControlRef control, i32 refCon) {
  if (ControlExtras* x = controlextras(control)) x->refcon = refCon;
}

i32 GetControlReference(ControlRef control) {
  ControlExtras* x = controlextras(control);
  return x ? x->refcon : 0;
}

i16 GetControlValue(ControlRef control) { return clampi16(GetControl32BitValue(control)); }
void SetControlValue(ControlRef control, i16 value) { SetControl32BitValue(control, value); }
i16 GetControlMinimum(ControlRef control) { return clampi16(GetControl32BitMinimum(control)); }
void SetControlMinimum(ControlRef control, i16 minimum) { SetControl32BitMinimum(control, minimum); }
i16 GetControlMaximum(ControlRef control) { return clampi16(GetControl32BitMaximum(control)); }
void SetControlMaximum(ControlRef control, i16 maximum) { SetControl32BitMaximum(control, maximum); }

// --- Radio groups --------------------------------------------------------------------------------

void controlvaluechanged(ControlRef control) {
  const u32 kind = GetControlKind(control);
  if (kind == kControlKindRadioGroup) {
    const std::vector<ControlRef> members = embeddedcontrols(control);
    const i32 on = GetControl32BitValue(control);
    for (std::size_t i = 0; i < members.size(); ++i) {
      ControlExtras* m = controlextras(members[i]);
      if (!m || m->settings.kind != kControlKindRadioButton) continue;
      const i32 want = i32(i + 1) == on ? 1 : 0;
      if (GetControl32BitValue(members[i]) != want) SetControl32BitValue(members[i], want);
    }
    return;
  }
  if (kind != kControlKindRadioButton) return;
  ControlRef group = nilid;
  if (GetSuperControl(control, &group) != noErr || GetControlKind(group) != kControlKindRadioGroup) return;
  // A group's range counts its members.
  const std::vector<ControlRef> members = embeddedcontrols(group);
  if (GetControl32BitMaximum(group) != i32(members.size())) SetControl32BitMaximum(group, i32(members.size()));
  if (GetControl32BitValue(control) != 1) return;
  const auto at = std::find(members.begin(), members.end(), control);
  const i32 index = i32(at - members.begin()) + 1;
  if (GetControl32BitValue(group) != index) SetControl32BitValue(group, index);
}

OSStatus GetIndexedSubControl(ControlRef control, u16 index, ControlRef* out) {
  *out = nilid;
  if (!IsValidControlHandle(control)) return errInvalidControl;
  const std::vector<ControlRef> members = embeddedcontrols(control);
  if (index < 1 || index > members.size()) return paramErr;
  *out = members[index - 1u];
  return noErr;
}

// --- Data tags and properties ------------------------------------------------------------------

OSStatus GetControlDataSize(ControlRef control, i16 part, u32 tag, Size* size) {
  return GetControlData(control, part, tag, 0, nullptr, size);
}

OSStatus SetControlProperty(ControlRef control, u32 creator, u32 tag, u32 size, const void* data) {
  ControlExtras* x = controlextras(control);
  if (!x) return errInvalidControl;
  if (size > 0 && !data) return paramErr;
  const u8* p = static_cast<const u8*>(data);
  x->properties[{creator, tag}] = std::vector<u8>(p, p + size);
  return noErr;
}

OSStatus GetControlProperty(ControlRef control, u32 creator, u32 tag, u32 bufferSize, u32* actualSize, void* buffer) {
  ControlExtras* x = controlextras(control);
  if (!x) return errInvalidControl;
  auto it = x->properties.find({creator, tag});
  if (it == x->properties.end()) return controlPropertyNotFoundErr;
  const u32 n = u32(it->second.size());
  if (actualSize) *actualSize = n;
  if (buffer && bufferSize > 0) std::memcpy(buffer, it->second.data(), std::min(n, bufferSize));
  return noErr;
}

OSStatus GetControlPropertySize(ControlRef control, u32 creator, u32 tag, u32* size) {
  return GetControlProperty(control, creator, tag, 0, size, nullptr);
}

OSStatus RemoveControlProperty(ControlRef control, u32 creator, u32 tag) {
  ControlExtras* x = controlextras(control);
  if (!x) return errInvalidControl;
  return x->properties.erase({creator, tag}) ? noErr : controlPropertyNotFoundErr;
}

// --- Fonts, colours, handlers ------------------------------------------------------------------

OSStatus SetControlFontStyle(ControlRef control, const ControlFontStyleRec* style) {
  ControlExtras* x = controlextras(control);
  if (!x) return errInvalidControl;
  x->font = style ? *style : ControlFontStyleRec{};
  return noErr;
}

OSStatus GetControlFontStyle(ControlRef control, ControlFontStyleRec* style) {
  ControlExtras* x = controlextras(control);
  if (!x) return errInvalidControl;
  *style = x->font;
  return noErr;
}

OSStatus SetControlColorProc(ControlRef control, ControlColorProcPtr proc) {
  ControlExtras* x = controlextras(control);
  if (!x) return errInvalidControl;
  x->colourproc = proc;
  return noErr;
}

ControlColorProcPtr GetControlColorProc(ControlRef control) {
  ControlExtras* x = controlextras(control);
  return x ? x->colourproc : nullptr;
}

OSStatus SetUpControlBackground(ControlRef control, i16 depth, bool isColourDevice) {
  ControlExtras* x = controlextras(control);
  if (!x) return errInvalidControl;
  if (!x->colourproc) return 1;
  return x->colourproc(control, kControlMsgSetUpBackground, depth, isColourDevice);
}

OSStatus InstallControlEventHandler(ControlRef control, EventHandlerProc proc, u32 count, const EventTypeSpec* types,
                                    u32 userdata, EventHandlerRef* out) {
  ControlExtras* x = controlextras(control);
  if (out) *out = 0;
  if (!x) return errInvalidControl;
  if (!proc || (count > 0 && !types)) return paramErr;
  for (u32 i = 0; i < count; ++i) x->handlers.push_back(ControlHandlerEntry{proc, types[i], userdata});
  if (out) *out = u32(x->handlers.size());
  return noErr;
}

std::vector<EventHandlerProc> controleventhandlers(ControlRef control, u32 eventClass, u32 eventKind) {
  std::vector<EventHandlerProc> v;
  if (ControlExtras* x = controlextras(control))
    for (auto it = x->handlers.rbegin(); it != x->handlers.rend(); ++it)
      if (it->type.eventClass == eventClass && it->type.eventKind == eventKind) v.push_back(it->proc);
  return v;
}

// --- Best rectangles -----------------------------------------------------------------------------

OSStatus GetBestControlRect(ControlRef control, Rect* best, i16* baseline) {
  ControlExtras* x = controlextras(control);
  if (!x) return errInvalidControl;
  Rect bounds{};
  GetControlBounds(control, &bounds);
  *best = bounds;
  if (baseline) *baseline = 0;
  const Metric* m = metricof(x->settings.kind);
  if (!m) return noErr;
  const u16 size = sizeof_(control, *x);
  const FontKey font = fontof(*x, size);
  i32 height = m->height[size];
  i32 width = bounds.right - bounds.left;
  const bool upright = bounds.bottom - bounds.top > bounds.right - bounds.left;
  const i32 text = widthof(font, x->title);
  switch (x->settings.kind) {
    case kControlKindPopupButton: {
      const i32 titlepart = x->settings.titlewidth > 0 ? x->settings.titlewidth : text > 0 ? text + 4 : 0;
      width = titlepart + (x->menu ? widestitem(x->menu, font) : 0) + m->pad;
      break;
    }
    case kControlKindDisclosureTriangle: width = x->settings.drawtitle ? height + 4 + text : height; break;
    case kControlKindLittleArrows: width = kLittleArrowsWidth; break;
    case kControlKindPopupArrow:
      width = kPopupArrowLength[size & 1];
      if (x->settings.orientation <= 1) std::swap(width, height);
      break;
    default:
      if (m->square) width = height;
      else if (m->pad >= 0) width = text + m->pad;
  }
  // Bars and sliders keep their length and take their thickness across it.
  if (m->pad < 0 && upright) {
    best->right = clampi16(bounds.left + height);
    return noErr;
  }
  best->right = clampi16(bounds.left + width);
  best->bottom = clampi16(bounds.top + height);
  if (baseline) {
    const FontMetrics fm = fontmetrics(font);
    *baseline = i16(-((height - fm.ascent - fm.descent) / 2 + fm.descent));
  }
  return noErr;
}

// --- Bevel buttons, image wells, popups ------------------------------------------------------------

OSStatus SetBevelButtonContentInfo(ControlRef control, const ControlButtonContentInfo* content) {
  if (!content) return paramErr;
  return SetControlData(control, 0, kControlBevelButtonContentTag, sizeof *content, content);
}

OSStatus GetBevelButtonContentInfo(ControlRef control, ControlButtonContentInfo* content) {
  *content = ControlButtonContentInfo{};
  OSStatus e = GetControlData(control, 0, kControlBevelButtonContentTag, sizeof *content, content, nullptr);
  return e == errDataNotSupported ? noErr : e;
}

OSStatus SetImageWellContentInfo(ControlRef control, const ControlButtonContentInfo* content) {
  return SetBevelButtonContentInfo(control, content);
}

OSStatus GetImageWellContentInfo(ControlRef control, ControlButtonContentInfo* content) {
  return GetBevelButtonContentInfo(control, content);
}

OSStatus SetBevelButtonMenuValue(ControlRef control, i16 value) {
  return settag(control, kControlBevelButtonMenuValueTag, value);
}

OSStatus GetBevelButtonMenuValue(ControlRef control, i16* value) {
  *value = 0;
  OSStatus e = GetControlData(control, 0, kControlBevelButtonMenuValueTag, sizeof *value, value, nullptr);
  return e == errDataNotSupported ? noErr : e;
}

OSStatus SetBevelButtonTextAlignment(ControlRef control, i16 align, i16 offset) {
  if (OSStatus e = settag(control, kControlBevelButtonTextAlignTag, align)) return e;
  return settag(control, kControlBevelButtonTextOffsetTag, offset);
}

OSStatus SetBevelButtonGraphicAlignment(ControlRef control, i16 align, i16 hOffset, i16 vOffset) {
  if (OSStatus e = settag(control, kControlBevelButtonGraphicAlignTag, align)) return e;
  return settag(control, kControlBevelButtonGraphicOffsetTag, Point{vOffset, hOffset});
}

OSStatus SetBevelButtonTextPlacement(ControlRef control, i16 placement) {
  return settag(control, kControlBevelButtonTextPlaceTag, placement);
}

MenuRef GetControlPopupMenuHandle(ControlRef control) {
  ControlExtras* x = controlextras(control);
  return x ? x->menu : nilid;
}

void SetControlPopupMenuHandle(ControlRef control, MenuRef menu) {
  if (ControlExtras* x = controlextras(control)) x->menu = menu;
}

}  // namespace kv
