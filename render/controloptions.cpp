#include "render/controloptions.h"

#include "commands/define.h"
#include "platform/memory/memory.h"
#include "properties/userprops.h"
#include "render/controlvisibility.h"
#include "store/records.h"

namespace kv {

namespace {

// Fields of the option word.
enum : u16 {
  kContentField = 0x000F,  // content type or orientation
  kBehaviourShift = 4,
  kBehaviourField = 0x0030,
  kOffsetBit = 0x0040,
  kSizeShift = 8,
  kSizeField = 0x0300,
  kViewBit = 0x0100,
  kClearedBits = 0x0C00,  // cleared by the size and view setters
  kBevelStyleShift = 12,
};

constexpr u8 kPopupDataName[] = "\x09popupData";
constexpr u32 kColumnView = fourcc("clmv");

bool isbutton(const spot& s, u16 style) { return s.kind == spotbutton && s.style == style; }
bool bevel4(const spot& s) { return isplatformcontrol(s) && s.style == 205; }
bool hascontenttype(const spot& s) {
  return s.kind == spotbutton && (s.style == 205 || s.style == 207 || s.style == 211);
}
bool hasorientation(const spot& s) {
  return s.kind == spotbutton && (s.style == 209 || s.style == 210 || s.style == 222);
}

u16 optionof(const spot& s) { return getcontrolpart(s).option; }

// Changes the option word (and, when asked, clears the value).
template <class Change>
void changeoption(spot& s, Change change, bool clearvalue = false) {
  controlpart c = getcontrolpart(s);
  c.option = change(c.option);
  if (clearvalue) c.currentvalue = 0;
  setcontrolpart(s, c);
}

struct Range {
  i16 maximum, minimum, current;
};

// The value range a style starts with as a platform control.
Range defaultrange(u16 style) {
  switch (style) {
    case 201:
    case 207: return {10, 0, 0};
    case 205:
    case 211:
    case 220:
    case 221:
    case 222:
    case 223:
    case 225:
    case 226:
    case 228:
    case 229: return {1, 0, 0};
    case 206: return {1, 1, 1};
    case 209:
    case 213:
    case 214:
    case 215:
    case 216:
    case 217: return {100, 0, 50};
    case 210:
    case 218: return {1, 0, 1};
    case 212:
    case 219: return {1, 0, 0};
    default: return {0, 0, 0};
  }
}

// A live control the object still holds goes with it before its slot is overwritten.
void dropcontrol(spot& s) {
  if (isplatformcontrol(s) && getcontrolpart(s).control != 0) dumpspotcontrol(s);
}

}  // namespace

i16 getBevelStyle(const spot& object) { return bevel4(object) ? i16(optionof(object) >> kBevelStyleShift) : 0; }

void setBevelStyle(spot& object, i16 style) {
  if (!bevel4(object)) return;
  changeoption(object, [&](u16 o) { return u16((o & 0x0FFF) | ((u16(style) & 0xF) << kBevelStyleShift)); });
}

i16 getBevelBtnBehavior(const spot& object) {
  if (!bevel4(object)) return 0;
  static constexpr i16 kBehaviours[4] = {0, 256, 512, 1024};
  return kBehaviours[(optionof(object) & kBehaviourField) >> kBehaviourShift];
}

void setBevelBtnBehavior(spot& object, i16 behaviour) {
  if (!bevel4(object)) return;
  u16 field = 0;
  switch (behaviour) {
    case 0:
    case 256:
    case 512:
      if (object.uprops != nilhandle) {
        propkillifempty(object.uprops, kPopupDataName);
        // An object never keeps an empty list.
        if (HandleCount<uprop>(object.uprops) == 0) {
          DisposeHandle(object.uprops);
          object.uprops = nilhandle;
        }
      }
      field = u16(behaviour / 256);
      break;
    case 1024: {
      Handle value = nilhandle;
      if (object.uprops == nilhandle || prophandutil(object.uprops, kPopupDataName, &value) != 0) {
        Handle list = object.uprops;
        lowdefineprop(&list, kPopupDataName);
        object.uprops = list;
      }
      field = 3;
      break;
    }
    default: field = u16(behaviour) & 3; break;
  }
  changeoption(
      object, [&](u16 o) { return u16((o & ~kBehaviourField) | (field << kBehaviourShift)); }, true);
}

i16 getBevelButtonOffsetContent(const spot& object) {
  return bevel4(object) && (optionof(object) & kOffsetBit) ? 1 : 0;
}

void setBevelButtonOffsetContent(spot& object, bool on) {
  if (!bevel4(object)) return;
  changeoption(
      object, [&](u16 o) { return u16(on ? (o | kOffsetBit) : (o & ~kOffsetBit)); }, true);
}

i16 getContentType(const spot& object) { return hascontenttype(object) ? i16(optionof(object) & kContentField) : 0; }

void setContentType(spot& object, i16 type) {
  if (!hascontenttype(object)) return;
  changeoption(object, [&](u16 o) { return u16((o & ~kContentField) | (u16(type) & kContentField)); });
}

i16 getOrientation(const spot& object) { return hasorientation(object) ? i16(optionof(object) & kContentField) : 0; }

void setOrientation(spot& object, i16 orientation) {
  if (!hasorientation(object)) return;
  changeoption(object, [&](u16 o) { return u16((o & ~kContentField) | (u16(orientation) & kContentField)); });
}

bool hasize(u16 style) {
  switch (style) {
    case 203:
    case 204:
    case 207:
    case 209:
    case 210:
    case 212:
    case 213:
    case 214:
    case 215:
    case 222: return true;
    default: return false;
  }
}

i16 getTabOrArrowOrBtnSize(const spot& object) {
  if (object.kind != spotbutton || !hasize(object.style)) return 0;
  const i16 size = i16((optionof(object) & kSizeField) >> kSizeShift);
  if (object.style == 214 || object.style == 215) return size == 2 ? 2 : 0;
  return size;
}

void setTabOrArrowOrBtnSize(spot& object, i16 size) {
  if (object.kind != spotbutton || !hasize(object.style)) return;
  changeoption(object,
               [&](u16 o) { return u16((o & ~(kSizeField | kClearedBits)) | ((u16(size) & 3) << kSizeShift)); });
}

void setDataBrowserBehavior(spot& object, u32 view) {
  if (!isplatformcontrol(object) || object.style != 229) return;
  changeoption(object, [&](u16 o) {
    return u16((o & ~(kViewBit | 0x0200 | kClearedBits)) | (view == kColumnView ? kViewBit : 0));
  });
}

bool databrowsercolumnview(const spot& object) {
  return isplatformcontrol(object) && isbutton(object, 229) && (optionof(object) & kViewBit);
}

void make4spot(spot& object) {
  dropcontrol(object);
  const Range r = defaultrange(object.style);
  controlpart c = getcontrolpart(object);
  c.viewsize = 0;
  c.tickmarks = 0;
  c.option = 0;
  c.currentvalue = r.current;
  c.minimumvalue = r.minimum;
  c.maximumvalue = r.maximum;
  c.control = 0;
  setcontrolpart(object, c);
  object.flags |= spotplatformcontrol;
}

void make3spot(spot& object) {
  dropcontrol(object);
  object.fillpat = bytes<8>{};
  bytes<8> black;
  for (u8& b : black.b) b = 0xFF;
  object.penpat = black;
  object.flags &= ~spotplatformcontrol;
}

}  // namespace kv
