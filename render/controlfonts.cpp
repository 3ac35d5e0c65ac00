#include "render/controlfonts.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>

#include "commands/define.h"
#include "engine/textutil.h"
#include "platform/fonts/fonts.h"
#include "platform/fonts/scriptmanager.h"
#include "platform/memory/memory.h"
#include "properties/userprops.h"
#include "render/controlvisibility.h"
#include "core/mainglobals.h"

namespace kv {

namespace {

constexpr u8 kAquaFont[] =
    "\x08"
    "aquaFont";
constexpr u8 kTextFont[] =
    "\x0A"
    "__textFont";
constexpr u16 kSmallSize = 65535;
constexpr i16 kBold = 1;
constexpr u16 kMetalStyle = 11;

u16 windowstyle() {
  const MainGlobals& g = mainglobals();
  if (g.current.wind == nilhandle) return 0;
  return loadat<windrec>(deref(g.current.wind)).word2;
}

// The name of a record's font; the system font's variants (-1 to -4) are the system font.
void fontname(i16 font, Str255 name) { GetFontName(font < 0 ? systemFont : font, name); }

// The text of a value handle (none: empty).
std::string textof(Handle h) {
  if (h == nilhandle) return {};
  return std::string(reinterpret_cast<const char*>(deref(h)), std::size_t(GetHandleSize(h)));
}

void pstring(const std::string& text, Str255 out) {
  const std::size_t n = std::min<std::size_t>(text.size(), 255);
  out[0] = u8(n);
  std::memcpy(out + 1, text.data(), n);
}

// Sets the value of the list's property of that name (it exists) to a text.
void setvalue(Handle list, ConstStringPtr name, ConstStringPtr text) {
  Handle value = nilhandle;
  if (prophandutil(list, name, &value) != 0) return;
  if (value != nilhandle) {
    SetHandleSize(value, text[0]);
    if (MemError() == noErr && text[0] > 0) std::memcpy(deref(value), text + 1, text[0]);
    return;
  }
  // An entry stored without a value gets one.
  for (i32 i = 0, n = HandleCount<uprop>(list); i < n; ++i) {
    uprop e = HandleAs<uprop>(list)[i];
    Str255 entry{};
    handtostring(e.name, entry);
    if (!myequalstring(entry, name)) continue;
    if (PtrToHand(text + 1, &value, text[0]) != noErr) return;
    e.value = value;
    HandleAs<uprop>(list)[i] = e;
    return;
  }
}

}  // namespace

i16 GetFontSize(ControlFontStyleRec* r) {
  const u16 size = u16(r->size);
  if (r->font == systemFont) {
    if (size == 0) {
      r->font = kControlFontBigSystemFont;
      r->flags = kControlUseFontMask;
      return 1;
    }
    if (size == kSmallSize) {
      r->font = r->style == kBold ? kControlFontSmallBoldSystemFont : kControlFontSmallSystemFont;
      r->flags = kControlUseFontMask;
      if (r->style != 0) {
        r->style = i16(r->style & ~kBold);
        r->flags = kControlUseFontMask | kControlUseFaceMask;
      }
      return 1;
    }
  }
  const i16 script = FontToScript(r->font);
  const u32 app = u32(GetScriptVariable(script, smScriptAppFondSize));
  const u32 sys = u32(GetScriptVariable(script, smScriptSysFondSize));
  const u32 small = u32(GetScriptVariable(script, smScriptSmallFondSize));
  const i16 appfont = i16(app >> 16), appsize = i16(app & 0xFFFF), sysfont = i16(sys >> 16),
            syssize = i16(sys & 0xFFFF), smallsize = i16(small & 0xFFFF);
  if (r->font == applFont) {
    if (size == 0) r->size = appsize;
    if (size == kSmallSize) r->size = smallsize;
    if (size == 0 || size == kSmallSize) return 1;
  }
  if (r->font == sysfont) {
    if (size == 0) r->size = syssize;
    else if (size == kSmallSize) r->size = smallsize;
  } else {
    if (size == 0) r->size = appsize;
    else if (size == kSmallSize) r->size = smallsize;
  }
  const bool named = r->font != systemFont && r->font != applFont && r->font != sysfont && r->font != appfont;
  return named && size != 0 && size != kSmallSize ? 0 : 1;
}

void OverrideControlFont(spot& s, ControlFontStyleRec* r) {
  if (!r) return;
  Handle aqua = nilhandle, textfont = nilhandle;
  const bool hasaqua = s.uprops != nilhandle && prophandutil(s.uprops, kAquaFont, &aqua) == 0;
  bool hastextfont = s.uprops != nilhandle && prophandutil(s.uprops, kTextFont, &textfont) == 0;
  if (!hastextfont) {
    Handle list = s.uprops;
    lowdefineprop(&list, kTextFont);
    s.uprops = list;
    hastextfont = list != nilhandle && prophandutil(list, kTextFont, &textfont) == 0;
    if (hastextfont) {
      Str255 name{};
      fontname(r->font, name);
      setvalue(s.uprops, kTextFont, name);
    }
  }
  if (hasaqua) {
    // The font's name, then its size, split at a comma, return or tab.
    const std::string text = textof(aqua);
    const std::size_t cut = text.find_first_of(",\r\t");
    Str255 name{};
    pstring(text.substr(0, cut), name);
    buttontail t = getbuttontail(s);
    r->font = GetFNum(name);
    t.words.v[0] = u16(r->font);
    if (cut != std::string::npos) {
      const std::string rest = text.substr(cut + 1);
      const std::size_t end = rest.find_first_of(",\r\t");
      const std::string piece = rest.substr(0, end);
      const char* from = piece.data();
      while (from < piece.data() + piece.size() && *from == ' ') ++from;
      i32 size = 0;
      std::from_chars(from, piece.data() + piece.size(), size);
      r->size = i16(size);
      t.words.v[1] = u16(size);
    }
    setbuttontail(s, t);
  } else if (GetFontSize(r) == 0 && hastextfont) {
    Str255 name{};
    if (prophandutil(s.uprops, kTextFont, &textfont) == 0) {
      pstring(textof(textfont), name);
      r->font = GetFNum(name);
    }
  }
  if (hastextfont) {
    Str255 name{};
    fontname(r->font, name);
    setvalue(s.uprops, kTextFont, name);
  }
}

namespace {

// The font style record of the object's text font, size and style, as its user properties
// override them (which names the font in "__textFont").
ControlFontStyleRec objectfontrecord(spot& object) {
  const buttontail t = getbuttontail(object);
  ControlFontStyleRec r{};
  r.flags = kControlUseFontMask | kControlUseFaceMask | kControlUseSizeMask;
  r.font = i16(t.words.v[0]);
  r.size = i16(t.words.v[1]);
  r.style = i16(t.words.v[2]);
  OverrideControlFont(object, &r);
  return r;
}

}  // namespace

void notecontrolfont(spot& object) {
  Handle value = nilhandle;
  if (object.uprops != nilhandle && prophandutil(object.uprops, kTextFont, &value) == 0) return;
  objectfontrecord(object);
}

void setcontrolfont(spot& object) {
  if (windowstyle() == kMetalStyle) return;
  const ControlRef control = livecontrol(object);
  if (control == nilid) return;
  const ControlFontStyleRec r = objectfontrecord(object);
  SetControlFontStyle(control, &r);
  if (object.style != 203) return;
  u16 count = 0;
  CountSubControls(control, &count);
  for (u16 i = 1; i <= count; ++i) {
    ControlRef member = nilid;
    if (GetIndexedSubControl(control, i, &member) == noErr) SetControlFontStyle(member, &r);
  }
}

}  // namespace kv
