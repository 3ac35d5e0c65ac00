// The ruler's data record, its tagged interface, the cached indents and tabs of the text's
// selection, and the units' number texts.
#include "fields/rulerdata.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "fields/rulercontrol.h"
#include "platform/help/helptags.h"
#include "platform/memory/memory.h"
#include "platform/resources/resources.h"
#include "platform/text/intl.h"

namespace kv {

namespace {

constexpr OSType kLein = fourcc("lein"), kRiin = fourcc("riin"), kFidt = fourcc("fidt"), kTabs = fourcc("tabs");
constexpr i16 kValueForms = 201;

// The fields of the data interface: tag, size, offset in the record.
struct tagfield {
  OSType tag;
  i32 size;
  std::size_t offset;
};
constexpr tagfield kTags[] = {
    {fourcc("RUwe"), 4, offsetof(rulerdatarecord, we)},
    {fourcc("RUlm"), 4, offsetof(rulerdatarecord, leftmargin)},
    {fourcc("RUmt"), 2, offsetof(rulerdatarecord, mintextwidth)},
    {fourcc("RUrt"), 2, offsetof(rulerdatarecord, units)},
    {fourcc("RUnt"), 2, offsetof(rulerdatarecord, trackinset)},
    {fourcc("RUps"), 1, offsetof(rulerdatarecord, dragsounds)},
    {fourcc("RUsh"), 1, offsetof(rulerdatarecord, showhelp)},
    {fourcc("RUsv"), 1, offsetof(rulerdatarecord, showvalues)},
    {fourcc("RUdi"), 1, offsetof(rulerdatarecord, snap)},
    {fourcc("RUud"), 1, offsetof(rulerdatarecord, optionud)},
    {fourcc("RUdc"), 1, offsetof(rulerdatarecord, optiondc)},
    {fourcc("Port"), 4, offsetof(rulerdatarecord, port)},
};
constexpr OSType kOptionsTag = fourcc("RUod");
constexpr i32 kOptionsSize = 24;

const tagfield* findtag(OSType tag) {
  for (const tagfield& f : kTags)
    if (f.tag == tag) return &f;
  return nullptr;
}

struct unitform {
  i32 pixels;    // pixels per unit
  i32 step;      // snap step in pixels
  i32 decimals;  // digits after the separator
  const char* name;
};
constexpr unitform kUnits[] = {{72, 9, 3, "in"}, {28, 7, 3, "cm"}, {1, 10, 0, "pt"}, {12, 12, 2, "pi"}};
const unitform& unitof(u16 units) { return kUnits[units < 4 ? units : 0]; }

// The text and the destination's left cached from the record: its 'tabs' attribute.
OSStatus cachetext(rulerdatarecord* rd) {
  if (!isvalidwerec(rd->we)) return noErr;
  LongRect dest{};
  WEGetDestRect(&dest, rd->we);
  rd->lastdestleft = dest.left;
  u8 tabs[164] = {};
  const OSErr err = WEGetOneAttribute(-1, kTabs, tabs, sizeof tabs, rd->we);
  if (err == noErr) std::memcpy(rd->tabs, tabs, sizeof tabs);
  return err;
}

void sethelp(const rulerdatarecord& rd) {
  HMSetTagDelay(800);
  HMSetHelpTagsDisplayed(rd.showhelp != 0);
}

Fixed readattr(OSType tag, WEReference we) {
  Fixed v = 0;
  if (!isvalidwerec(we) || WEGetOneAttribute(-1, tag, &v, sizeof v, we) != noErr) return 0;
  return v;
}

// Whether the selection lies within one paragraph: no return before its last character.
bool oneparagraph(WEReference we) {
  i32 start = 0, end = 0;
  WEGetSelection(&start, &end, we);
  for (i32 i = start; i < end - 1; ++i)
    if (WEGetChar(i, we) == '\r') return false;
  return true;
}

}  // namespace

Handle GetRulerDataRec(ControlRef control) {
  Handle h = nilhandle;
  u32 size = 0;
  if (GetControlProperty(control, kRulerCreator, kRulerDataProperty, sizeof h, &size, &h) != noErr || size != sizeof h)
    return nilhandle;
  return GetHandleSize(h) == Size(sizeof(rulerdatarecord)) ? h : nilhandle;
}

bool readrulerdata(ControlRef control, rulerdatarecord* out) {
  Handle h = GetRulerDataRec(control);
  if (h == nilhandle) return false;
  std::memcpy(out, deref(h), sizeof *out);
  return true;
}

void writerulerdata(ControlRef control, const rulerdatarecord& rd) {
  if (Handle h = GetRulerDataRec(control)) std::memcpy(deref(h), &rd, sizeof rd);
}

OSStatus GetRulerData(OSType tag, void* data, i32* size, ControlRef control) {
  rulerdatarecord rd{};
  const tagfield* f = findtag(tag);
  if (f == nullptr || !readrulerdata(control, &rd)) return errRulerDataTag;
  if (data && size)
    std::memcpy(data, reinterpret_cast<const u8*>(&rd) + f->offset, std::size_t(std::min(*size, f->size)));
  if (size) *size = f->size;
  return noErr;
}

OSStatus SetRulerData(OSType tag, const void* data, i32 size, ControlRef control) {
  rulerdatarecord rd{};
  if (!readrulerdata(control, &rd)) return errRulerDataTag;
  if (tag == kOptionsTag) {
    if (size != kOptionsSize) return errRulerDataSize;
    const u8* b = static_cast<const u8*>(data);
    rulerdataoptions o{};
    std::memcpy(&o.mask, b, 4);
    std::memcpy(&o.we, b + 4, 4);
    std::memcpy(&o.leftmargin, b + 8, 4);
    std::memcpy(&o.mintextwidth, b + 12, 2);
    std::memcpy(&o.units, b + 14, 2);
    std::memcpy(&o.trackinset, b + 16, 2);
    o.dragsounds = b[18];
    o.showhelp = b[19];
    o.showvalues = b[20];
    o.snap = b[21];
    o.optionud = b[22];
    return SetRulerOptions(control, o);
  }
  const tagfield* f = findtag(tag);
  if (f == nullptr) return errRulerDataTag;
  if (size != f->size) return errRulerDataSize;
  if (data == nullptr) return paramErr;
  std::memcpy(reinterpret_cast<u8*>(&rd) + f->offset, data, std::size_t(size));
  if (tag == fourcc("RUwe")) cachetext(&rd);
  if (tag == fourcc("RUsh")) sethelp(rd);
  writerulerdata(control, rd);
  if (tag == fourcc("RUrt")) {
    refreshrulerbuffer(control);
    DrawRuler(control);
  }
  return noErr;
}

OSStatus SetRulerOptions(ControlRef control, const rulerdataoptions& o) {
  rulerdatarecord rd{};
  if (!readrulerdata(control, &rd)) return -1;
  OSStatus status = noErr;
  if (o.mask & kRulerOptionRecord) {
    rd.we = o.we;
    status = cachetext(&rd);
  }
  if (o.mask & kRulerOptionMinWidth) rd.mintextwidth = o.mintextwidth;
  if (o.mask & kRulerOptionLeftMargin) rd.leftmargin = o.leftmargin;
  if (o.mask & kRulerOptionDragSounds) rd.dragsounds = o.dragsounds;
  if (o.mask & kRulerOptionShowHelp) {
    rd.showhelp = o.showhelp;
    sethelp(rd);
  }
  if (o.mask & kRulerOptionShowValues) rd.showvalues = o.showvalues;
  if (o.mask & kRulerOptionUnits) rd.units = std::min<u16>(o.units, kRulerPicas);
  if (o.mask & kRulerOptionSnap) rd.snap = o.snap;
  if (o.mask & kRulerOptionUd) rd.optionud = o.optionud;
  if (o.mask & kRulerOptionTrackInset) rd.trackinset = o.trackinset;
  writerulerdata(control, rd);
  if (o.mask & kRulerOptionUnits) refreshrulerbuffer(control);
  return status;
}

i16 UpdateRulerIndents(rulerdatarecord* rd) {
  const Fixed left = readattr(kLein, rd->we), right = readattr(kRiin, rd->we), first = readattr(kFidt, rd->we);
  const bool changed = left != rd->leftindent || right != rd->rightindent || first != rd->firstindent;
  rd->leftindent = left;
  rd->rightindent = right;
  rd->firstindent = first;
  return changed ? 1 : 0;
}

i16 UpdateRulerTabs(rulerdatarecord* rd) {
  if (!isvalidwerec(rd->we)) return 0;
  bool changed = false;
  u8 tabs[164] = {};
  if (WEGetOneAttribute(-1, kTabs, tabs, sizeof tabs, rd->we) == noErr &&
      std::memcmp(tabs, rd->tabs, sizeof tabs) != 0) {
    std::memcpy(rd->tabs, tabs, sizeof tabs);
    changed = true;
  }
  const u8 one = oneparagraph(rd->we) ? 1 : 0;
  if (one != rd->oneparagraph) {
    rd->oneparagraph = one;
    changed = true;
  }
  return changed ? 1 : 0;
}

Fixed GetRulerIndent(u16 indicator, const rulerdatarecord& rd) {
  switch (indicator) {
    case kRulerHanging:
    case kRulerLeft: return readattr(kLein, rd.we);
    case kRulerRight: return readattr(kRiin, rd.we);
    case kRulerFirstLine: return readattr(kFidt, rd.we);
    default: return 0;
  }
}

i32 rulerpixelsperunit(u16 units) { return unitof(units).pixels; }
i32 rulersnapstep(u16 units) { return unitof(units).step; }

OSStatus GetPascalStringFromFixedValue(Fixed value, const rulerdatarecord& rd, Str255 text) {
  const unitform& u = unitof(rd.units);
  i64 scale = 1;
  for (i32 i = 0; i < u.decimals; ++i) scale *= 10;
  // value / 65536 / pixels, rounded half away from zero to the unit's decimals.
  const i64 denominator = i64(65536) * u.pixels;
  const i64 scaled = std::llabs(i64(value)) * scale;
  const i64 rounded = (scaled + denominator / 2) / denominator;
  std::string s;
  if (value < 0 && rounded != 0) s += '-';
  s += std::to_string(rounded / scale);
  if (u.decimals > 0) {
    std::string fraction = std::to_string(rounded % scale);
    s += char(intlsettings().decimalpoint);
    s += std::string(std::size_t(u.decimals) - fraction.size(), '0') + fraction;
  }
  s += ' ';
  s += u.name;
  text[0] = u8(s.size());
  std::memcpy(text + 1, s.data(), s.size());
  return noErr;
}

OSStatus GetFixedValueFromPascalString(Fixed* value, const rulerdatarecord& rd, ConstStringPtr text) {
  Str255 form{};
  GetIndString(form, kValueForms, i16(std::min<u16>(rd.units, kRulerPicas) + 1));
  // The unit that follows the number in the form ("in", "cm", ...), which the text may give.
  std::string unit(reinterpret_cast<const char*>(form + 1), form[0]);
  unit = unit.substr(std::min(unit.size(), unit.find(' ') + 1));
  const std::string s(reinterpret_cast<const char*>(text + 1), text[0]);
  std::size_t i = 0;
  auto blanks = [&] {
    while (i < s.size() && s[i] == ' ') ++i;
  };
  blanks();
  const bool negative = i < s.size() && s[i] == '-';
  if (negative) ++i;
  double number = 0, place = 0;
  bool digits = false;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (c >= '0' && c <= '9') {
      digits = true;
      if (place == 0) {
        number = number * 10 + (c - '0');
      } else {
        number += (c - '0') * place;
        place /= 10;
      }
    } else if (u8(c) == intlsettings().decimalpoint && place == 0) {
      place = 0.1;
    } else {
      break;
    }
  }
  blanks();
  if (!unit.empty() && s.compare(i, unit.size(), unit) == 0) i += unit.size();
  blanks();
  if (!digits || i != s.size()) return paramErr;
  const double pixels = (negative ? -number : number) * rulerpixelsperunit(rd.units);
  if (std::fabs(pixels) >= 32767.0) return paramErr;
  *value = Fixed(std::lround(pixels * 65536.0));
  return noErr;
}

}  // namespace kv
