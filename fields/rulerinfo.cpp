// The ruler words read from a text record's selection, and parsed rulers applied to fields.
#include "fields/rulerinfo.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "engine/tokens.h"
#include "fields/fieldrecords.h"
#include "engine/objectutil.h"
#include "engine/scripterrors.h"
#include "fields/fieldview.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "core/mainglobals.h"
#include "store/fieldtext.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "textengine/fieldpacking.h"
#include "textengine/fieldstorage.h"

namespace kv {

namespace {

struct word {
  u16 token;
  const char* name;
  u32 mode;  // the ruler field it reads
};
constexpr word kWords[] = {
    {tok::textalign, "textAlign", weDoAlignment},       {tok::textdirection, "textDirection", weDoDirection},
    {tok::borderstyle, "borderStyle", weDoBorderStyle}, {tok::leftindent, "leftIndent", weDoLeftIndent},
    {tok::rightindent, "rightIndent", weDoRightIndent}, {tok::firstlineindent, "firstLineIndent", weDoFirstLineIndent},
    {tok::linespacing, "lineSpacing", weDoLineSpacing}, {tok::spacebefore, "spaceBefore", weDoSpaceBefore},
    {tok::spaceafter, "spaceAfter", weDoSpaceAfter},
};

// Bits of the parsed ruler's mask and the text engine's ruler mode.
struct maskbit {
  u32 bit;
  u16 mode;
};
constexpr maskbit kMaskBits[] = {
    {0x1, weDoAlignment},    {0x2, weDoDirection},     {0x8, weDoBorderStyle},
    {0x10, weDoLeftIndent},  {0x20, weDoRightIndent},  {0x40, weDoFirstLineIndent},
    {0x80, weDoLineSpacing}, {0x100, weDoSpaceBefore}, {0x200, weDoSpaceAfter},
};

std::string integer(Fixed f) { return std::to_string(f / 65536); }

// The value of one word over the selection.
std::string valueof(const word& w, u32 continuous, const WERuler& r) {
  if (!(continuous & w.mode)) return "mixed";
  switch (w.token) {
    case tok::textalign:
      switch (r.alignment) {
        case -2:
        case 0: return "left";
        case -1: return "right";
        case 1: return "center";
        case 2: return "full";
        default: return "unknown";
      }
    case tok::textdirection:
      switch (r.direction) {
        case -1: return "rightToLeft";
        case 0: return "leftToRight";
        case 1: return "default";
        default: return "unknown";
      }
    case tok::borderstyle:
      switch (r.borderStyle) {
        case 0: return "none";
        case 1: return "thin";
        case 2: return "dotted";
        case 3: return "thick";
        default: return "unknown";
      }
    case tok::leftindent: return integer(r.leftIndent);
    case tok::rightindent: return integer(r.rightIndent);
    case tok::firstlineindent: return integer(r.firstLineIndent);
    case tok::spacebefore: return integer(r.spaceBefore);
    case tok::spaceafter: return integer(r.spaceAfter);
    default: {
      char buffer[32];
      std::snprintf(buffer, sizeof buffer, "%0.4f", double(r.lineSpacing) / 65536.0 + 1.0);
      return buffer;
    }
  }
}

// What ApplyRulerInfoToRead changes on a record, put back whatever happens: the selection,
// the pen and the redraw setting.
class recordchange {
 public:
  recordchange(WEReference we, bool inhibit) : we_(we), inhibit_(inhibit) {
    WEGetSelection(&start_, &end_, we);
    HidePen();
    if (inhibit_) before_ = WEFeatureFlag(weFInhibitRedraw, 1, we);
  }
  ~recordchange() {
    WESetSelection(start_, end_, we_);
    ShowPen();
    if (inhibit_) WEFeatureFlag(weFInhibitRedraw, before_, we_);
  }
  recordchange(const recordchange&) = delete;
  recordchange& operator=(const recordchange&) = delete;

 private:
  WEReference we_;
  bool inhibit_;
  i32 start_ = 0, end_ = 0;
  i16 before_ = 0;
};

// The change over [start, end) of a record (the ends put within the text).
i16 applyrange(WEReference we, const rulerinforec& info, i32 start, i32 end, bool inhibit) {
  recordchange change(we, inhibit);
  const i32 length = WEGetTextLength(we);
  WESetSelection(std::clamp(start, 0, length), std::clamp(end, 0, length), we);
  if (WESetRuler(rulerinfomode(info.mask), &info.ruler, we) != noErr) return err::nomemory;
  SetWERecDirtyFlag(we, true);
  return 0;
}

// The open field's text scrolled back into view when the change left its destination inside
// the view's margins.
void keepinview(const spot& s, WEReference we) {
  LongRect dest{}, view{};
  WEGetDestRect(&dest, we);
  WEGetViewRect(&view, we);
  Rect margins{};
  fldmargins(s, &margins);
  if (dest.top > view.top + margins.top || dest.bottom < view.bottom - margins.bottom) WESelView(we);
}

}  // namespace

u16 rulerinfomode(u32 mask) {
  u16 mode = 0;
  for (const maskbit& b : kMaskBits)
    if (mask & b.bit) mode = u16(mode | b.mode);
  return mode;
}

i16 GetRulerInfoFromWERec(WEReference we, Handle text, u16 token) {
  if (text == nilhandle) return err::nomemory;
  SetHandleSize(text, 0);
  if (!isvalidwerec(we)) return 0;
  u32 continuous = weDoAllRuler & ~u32(weDoRulerSetting);
  WERuler r{};
  WEContinuousRuler(&continuous, &r, we);
  std::string out;
  for (const word& w : kWords) {
    if (token != tok::rulerinfo && token != w.token) continue;
    if (token == tok::rulerinfo) out += std::string(w.name) + "=";
    out += valueof(w, continuous, r) + "\r";
  }
  if (!out.empty()) out.pop_back();
  return PtrAndHand(out.data(), text, Size(out.size())) == noErr ? i16(0) : err::nomemory;
}

i16 ApplyRulerInfoToWERec(WEReference we, const rulerinforec& info) {
  const u16 mode = rulerinfomode(info.mask);
  if (!isvalidwerec(we) || mode == 0) return 0;
  return WESetRuler(mode, &info.ruler, we) == noErr ? 1 : 0;
}

i16 ApplyRulerInfoToRead(const objread& obj, const rulerinforec& info) {
  if (obj.kind != objpart || obj.objects == nilhandle) return err::notext;
  spot s = spotat(obj.objects, obj.objindex);
  if (!isfield(s) || !usesenginetwo(&s)) return err::notstyledfield210;
  const bool scrolling = s.style == stylefieldscroll;
  // The range: the chunk's, less the stored run header, within the text.
  i32 start = 0, end = 0x7FFFFFFF;
  if (obj.chunk.chunkgiven) {
    const i32 header = measurefieldtext(s.data).textoffset;
    start = std::max(0, i32(obj.chunk.start) - header);
    end = std::max(start, i32(obj.chunk.end) - header);
  }
  if (havefield(s)) {
    const WEReference we = mainglobals().openfieldrec;
    if (!obj.chunk.chunkgiven) WEGetSelection(&start, &end, we);
    if (i16 st = applyrange(we, info, start, end, scrolling)) return st;
    keepinview(s, we);
    return 0;
  }
  if (const WEReference live = livefield(s); isvalidwerec(live)) {
    if (i16 st = applyrange(live, info, start, end, scrolling)) return st;
    // A shown field's stored text follows its record.
    const OSErr err = wenewpacktext(s, live);
    putspot(obj.objects, obj.objindex, s);
    return err == noErr ? i16(0) : err::nomemory;
  }
  LongRect dest{}, view{};
  ldestview(s, &dest, &view);
  i16 st = 0;
  {
    SavePort saved;
    HidePen();
    const WEReference we = createwerec(s, dest, view);
    ShowPen();
    if (we == nilid) return err::nomemory;
    st = applyrange(we, info, start, end, false);
    if (st == 0 && rulerinfomode(info.mask) != 0 && wenewpacktext(s, we) != noErr) st = err::nomemory;
    WEDispose(we);
  }
  if (st == 0) putspot(obj.objects, obj.objindex, s);
  return st;
}

}  // namespace kv
