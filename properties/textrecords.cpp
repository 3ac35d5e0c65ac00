#include "properties/textrecords.h"

#include <algorithm>
#include <cstring>

#include "engine/fred.h"
#include "engine/numbertext.h"
#include "engine/objectutil.h"
#include "engine/tokens.h"
#include "fields/fieldscroll.h"
#include "fields/fieldview.h"
#include "platform/fonts/fonts.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/qd/qdtypes.h"
#include "platform/text/pstring.h"
#include "properties/valuewords.h"
#include "render/fielddrawing.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "textengine/werecord.h"
#include "textengine/fieldstorage.h"

namespace kv {

namespace {

constexpr i16 kNoMemory = 37;
constexpr u32 kDontWrap = 1u << 11;

void appendtext(const char* word, StringPtr text) { pstrappend(text, 256, word, std::strlen(word)); }

void appendnumber(i32 n, StringPtr text) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%d", n);
  appendtext(digits, text);
}

bool samecolour(const RGBColor& a, const RGBColor& b) {
  return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

// The colour's index, or nothing (the text keeps "Unknown").
void appendcolour(const RGBColor& colour, Handle clut, StringPtr text) {
  const i32 index = colourindex(clut, colour);
  if (index > 0) {
    text[0] = 0;
    appendnumber(index, text);
  }
}

// Whether every style run that [start, end) touches has the face `face`.
bool everyrunhasface(i32 start, i32 end, u8 face, WEReference we) {
  const i32 runs = WECountRuns(we);
  i32 run = WEOffsetToRun(start, we);
  WERunInfo info;
  do {
    WEGetIndRunInfo(run, &info, we);
    if (info.face != face) return false;
  } while (info.runEnd < end && ++run < runs);
  return true;
}

// "mixed" unless the attribute is the same over the selection.
bool continuousattribute(OSType tag, i32 size, WEReference we) {
  bool continuous = true;
  return WEMatchAttributes(-1, -1, tag, size, 0, nullptr, nullptr, &continuous, we) == noErr && continuous;
}

const char* alignmentword(OSType tag) {
  switch (tag) {
    case fourcc("cent"): return "center";
    case fourcc("deft"): return "default";
    case fourcc("full"): return "full";
    case fourcc("left"): return "left";
    case fourcc("rght"): return "right";
    default: return "mixed";
  }
}

}  // namespace

i32 colourindex(Handle clut, const RGBColor& colour) {
  if (clut == nilhandle) return 0;
  const Size size = GetHandleSize(clut);
  if (size < Size(sizeof(ColorTableHeader))) return 0;
  const ColorTableHeader header = loadat<ColorTableHeader>(deref(clut));
  // The entries the table says it has, never more than its block holds.
  const i32 held = i32((size - Size(sizeof(ColorTableHeader))) / Size(sizeof(ColorSpec)));
  const i32 count = std::min<i32>(i32(header.ctSize) + 1, held);
  auto entry = [&](i32 i) {
    return loadat<ColorSpec>(deref(clut) + sizeof(ColorTableHeader) + std::size_t(i) * sizeof(ColorSpec)).rgb;
  };
  for (i32 i = 0; i < count; ++i)
    if (samecolour(entry(i), colour)) return i + 1;
  constexpr u16 kHigh = 0xFFC0;
  const RGBColor c{u16(colour.red & kHigh), u16(colour.green & kHigh), u16(colour.blue & kHigh)};
  for (i32 i = 0; i < count; ++i) {
    const RGBColor e = entry(i);
    if (samecolour(RGBColor{u16(e.red & kHigh), u16(e.green & kHigh), u16(e.blue & kHigh)}, c)) return i + 1;
  }
  return 0;
}

i16 makeWE(const spot& object, WEReference* out) {
  *out = nilid;
  LongRect r{};
  WERectToLongRect(&object.rect, &r);
  WEReference we = nilid;
  if (makefieldrecord(object.data, r, r, &we) != noErr || we == nilid) return kNoMemory;
  const bool dontwrap = (object.flags & kDontWrap) != 0;
  SetDontWrapFlag(we, dontwrap ? 1 : 0);
  if (dontwrap) WEInstallCrOnlyHook(we);
  SetScrollBarFlag(we, object.style == stylefieldscroll ? 1 : 0);
  if (isfield(object)) SetFieldMargins(object, we);
  if (usesenginetwo(&object)) SetAllowObjectsFlag(we, allowsobjects(&object) ? 1 : 0);
  // A field of the engine's own form keeps its paragraph formats in its streams.
  const OSErr err = usesenginetwo(&object) ? wenewunpacktext(object, we) : weunpacktext(object.data, object.uprops, we);
  if (err != noErr) {
    WEDispose(we);
    return kNoMemory;
  }
  *out = we;
  return 0;
}

WEReference borrowedrecord(const objread& obj, bool shownonly) {
  if (obj.kind != objpart || obj.objects == nilhandle) return nilid;
  const MainGlobals& g = mainglobals();
  if (readisfield(obj) && isvalidwerec(g.openfieldrec)) return g.openfieldrec;
  if (readisgraph(obj) && isvalidwerec(g.graphrec)) return g.graphrec;
  if (shownonly && !readhaswerec(obj)) return nilid;
  return getreadwerec(obj);
}

textholder::textholder(const objread& obj, bool shownonly) {
  HidePen();
  we_ = borrowedrecord(obj, shownonly);
  if (we_ != nilid) {
    WEGetSelection(&savedstart_, &savedend_, we_);
    return;
  }
  if (obj.kind != objpart || obj.objects == nilhandle) return;
  temporary_ = makeWE(spotat(obj.objects, obj.objindex), &we_) == 0;
}

textholder::~textholder() {
  if (we_ != nilid) {
    if (temporary_) WEDispose(we_);
    else WESetSelection(savedstart_, savedend_, we_);
  }
  ShowPen();
}

void textholder::select(i32 start, i32 end) {
  if (we_ == nilid) return;
  const i32 length = WEGetTextLength(we_);
  start = std::clamp(start, 0, length);
  end = std::clamp(end, start, length);
  WESetSelection(start, end, we_);
}

void werectostring(u16 token, WEReference we, StringPtr text, Handle clut) {
  i32 start = 0, end = 0;
  WEGetSelection(&start, &end, we);
  const bool colourworld = mainglobals().colorWorld != 0;
  switch (token) {
    case tok::strikethrough: {
      const u8 on = 1;
      u8 found = 0;
      bool continuous = true;
      if (WEMatchAttributes(-1, -1, fourcc("strk"), 1, 1, &on, &found, &continuous, we) != noErr) found = 0;
      appendtext(found == 0 ? "false" : continuous ? "true" : "mixed", text);
      return;
    }
    case tok::textalign: {
      OSType tag = 0;
      if (!continuousattribute(fourcc("pjst"), 4, we) || WEGetOneAttribute(start, fourcc("pjst"), &tag, 4, we) != noErr)
        tag = 0;
      appendtext(alignmentword(tag), text);
      return;
    }
    case tok::textbackgroundcolor: {
      appendtext("Unknown", text);
      if (!colourworld) return;
      RGBColor c{};
      if (!continuousattribute(fourcc("pbcl"), 6, we) || WEGetOneAttribute(start, fourcc("pbcl"), &c, 6, we) != noErr) {
        text[0] = 0;
        appendtext("mixed", text);
        return;
      }
      appendcolour(c, clut, text);
      return;
    }
    case tok::textcolor: {
      appendtext("Unknown", text);
      if (!colourworld) return;
      u16 mode = weDoColor;
      WETextStyle ts{};
      if (!WEContinuousStyle(&mode, &ts, we)) {
        text[0] = 0;
        appendtext("mixed", text);
        return;
      }
      appendcolour(ts.color, clut, text);
      return;
    }
    case tok::textfont: {
      u16 mode = weDoFont;
      WETextStyle ts{};
      if (!WEContinuousStyle(&mode, &ts, we)) {
        appendtext("mixed", text);
        return;
      }
      Str255 name{};
      GetFontName(ts.font, name);
      pstrappend(text, 256, reinterpret_cast<const char*>(name + 1), name[0]);
      return;
    }
    case tok::textheight: {
      // The whole text counts here, not only the selection.
      if (WEGetTextLength(we) > 0 && WECountRuns(we) == 1) appendnumber(WEGetHeight(0, 1, we), text);
      else appendtext("Auto", text);
      return;
    }
    case tok::textink: {
      i16 mode = 0;
      if (!continuousattribute(fourcc("pptm"), 2, we) ||
          WEGetOneAttribute(start, fourcc("pptm"), &mode, 2, we) != noErr) {
        appendtext("mixed", text);
        return;
      }
      fred word{};
      if (modetofred(mode, false, &word) == 0) {
        Str255 s{};
        fredtostring(&word, s);
        disposfred(&word);
        pstrappend(text, 256, reinterpret_cast<const char*>(s + 1), s[0]);
      }
      return;
    }
    case tok::textsize: {
      u16 mode = weDoSize;
      WETextStyle ts{};
      if (!WEContinuousStyle(&mode, &ts, we)) appendtext("mixed", text);
      else appendnumber(ts.size, text);
      return;
    }
    case tok::textstyle: {
      u16 mode = weDoFace;
      WETextStyle ts{};
      if (!WEContinuousStyle(&mode, &ts, we) || !everyrunhasface(start, end, ts.face, we)) {
        appendtext("mixed", text);
        return;
      }
      stylelist(ts.face, text);
      return;
    }
    case tok::verticalshift: {
      Fixed shift = 0;
      if (!continuousattribute(fourcc("xshf"), 4, we) ||
          WEGetOneAttribute(start, fourcc("xshf"), &shift, 4, we) != noErr) {
        appendtext("mixed", text);
        return;
      }
      appendnumber(shift / 65536, text);
      return;
    }
    default: return;
  }
}

i32 fieldmaxscroll(const objread& obj) {
  const spot before = spotat(obj.objects, obj.objindex);
  textholder held(obj);
  const WEReference we = held.record();
  if (we == nilid) return -1;
  if (held.temporary() && (before.flags & kDontWrap)) {
    SetDontWrapFlag(we, 1);
    WEInstallCrOnlyHook(we);
    WECalText(we);
  }
  i32 scroll = 0, reserved = 0, maximum = 0, page = 0;
  recalcfldscroll(obj.objects, obj.objindex, we, false, false, &scroll, &reserved, &maximum, &page);
  // The calculation stores a scroll it finds out of step with the record: the field keeps its own.
  putspot(obj.objects, obj.objindex, before);
  return maximum;
}

i16 fieldtext(const spot& object, u16 token, StringPtr text, Handle clut, i32 start, i32 end) {
  HidePen();
  WEReference we = nilid;
  i16 st = makeWE(object, &we);
  if (st == 0) {
    const i32 length = WEGetTextLength(we);
    start = std::clamp(start, 0, length);
    end = std::clamp(end, start, length);
    WESetSelection(start, end, we);
    werectostring(token, we, text, clut);
    WEDispose(we);
  }
  ShowPen();
  return st;
}

}  // namespace kv
