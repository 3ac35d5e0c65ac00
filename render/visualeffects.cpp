// Playing the queued visual effects at a change of card, and finding 'tran' resources.
#include <algorithm>

#include "render/drawroutines.h"
#include "engine/textutil.h"
#include "media/mediaservice.h"
#include "media/movies.h"
#include "platform/memory/memory.h"
#include "platform/qd/colors.h"
#include "platform/qd/copybits.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/resources/resources.h"
#include "platform/windows/theme.h"
#include "platform/windows/windows.h"
#include "render/carddrawing.h"
#include "render/controlvisibility.h"
#include "render/effectqueue.h"
#include "render/effects.h"
#include "render/offscreen.h"
#include "render/themebuttons.h"
#include "render/windowclip.h"
#include "render/windowupkeep.h"
#include "shell/eventqueue.h"
#include "core/mainglobals.h"
#include "store/recordcache.h"
#include "store/resourcelibrary.h"

namespace kv {

namespace {

constexpr ResType kTran = fourcc("tran");
constexpr RGBColor kGrey{40960, 40960, 40960}, kBlack{0, 0, 0}, kWhite{0xFFFF, 0xFFFF, 0xFFFF};
enum : u16 { targetblack = 0, targetcard = 1, targetgrey = 2, targetinverse = 3, targetwhite = 4 };

// A name that is a whole number (an optional sign and digits) names a resource id.
bool numbername(ConstStringPtr name, i16* id) {
  if (name[0] == 0 || name[0] > 6) return false;
  i32 n = 0, i = 1;
  const bool negative = name[1] == '-';
  if (negative || name[1] == '+') ++i;
  if (i > name[0]) return false;
  for (; i <= name[0]; ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
    n = n * 10 + (name[i] - '0');
  }
  if (negative) n = -n;
  if (n < -32768 || n > 32767) return false;
  *id = i16(n);
  return true;
}

// The card's area in the window: the background's size within the window's interior.
Rect cardarea(const desk& d) {
  Rect interior{};
  getinterior(&interior);
  Rect card{0, 0, 0, 0};
  if (d.back != nilhandle && GetHandleSize(d.back) >= Size(sizeof(backrec))) {
    const backrec b = loadat<backrec>(deref(d.back));
    card = Rect{0, 0, i16(std::min<u32>(b.height, 32767)), i16(std::min<u32>(b.width, 32767))};
  }
  Rect a{};
  SectRect(&card, &interior, &a);
  return a;
}

// The window's interior right of and below the card is grey.
void greyoutside(const desk& d) {
  Rect interior{};
  getinterior(&interior);
  if (d.back == nilhandle || GetHandleSize(d.back) < Size(sizeof(backrec))) return;
  const backrec b = loadat<backrec>(deref(d.back));
  const i16 w = i16(std::min<u32>(b.width, 32767)), h = i16(std::min<u32>(b.height, 32767));
  RGBForeColor(&kGrey);
  PenNormal();
  const Rect right{interior.top, w, interior.bottom, interior.right}, below{h, interior.left, interior.bottom, w};
  if (w < interior.right) PaintRect(&right);
  if (h < interior.bottom) PaintRect(&below);
  RGBForeColor(&kBlack);
}

// Draws an effect's destination image over the area of the offscreen world: black, grey or
// white, or the card on the window's own background (inverted for inverse). True when it was
// the card.
bool drawdestination(const desk& d, u16 target, const Rect& a) {
  SavePort saved;
  SetGWorld(GetOffScreenWorld(), 0);
  clipdown();
  ClipRect(&a);
  PenNormal();
  RGBForeColor(&kBlack);
  RGBBackColor(&kWhite);
  switch (target) {
    case targetblack: FillRect(&a, &qdblack); return false;
    case targetgrey: FillRect(&a, &qdgray); return false;
    case targetwhite: FillRect(&a, &qdwhite); return false;
    default: break;
  }
  SetThemeBackground(getheme(&d), portdepth(currentportid()), true);
  myEraseRect(&a, &d);
  backspot(1);
  if (target == targetinverse) InvertRect(&a);
  return true;
}

// Runs a named transition from the window's image to the offscreen's over the area; a name
// without a 'tran' resource, or a transition that fails, leaves the final copy to show it.
void transition(Handle name, u16 speed, const Rect& a) {
  Str255 text;
  handtostring(name, text);
  Handle tran = nilhandle;
  if (getran(text, &tran) != 0) return;
  TransitionBlock block;
  block.window = GetWindowPort(mainglobals().current.window);
  block.destination = GetOffScreenBits();
  block.area = a;
  block.speed = speed;
  EffectState st;
  block.message = transinit;
  RunTransition(block, tran, st);
  if (block.result == 0) {
    block.message = transrun;
    RunTransition(block, tran, st);
  }
  Stop(st);
  DisposeHandle(tran);
}

}  // namespace

void plain(const Rect& r) {
  const CGrafPtr port = currentportid();
  OffToOnScreen(r, r, devicedepth(GetMainDevice()) < 8 ? i16(ditherCopy) : i16(srcCopy), nilid);
  EconomyFlush(port, nilid);
}

void draweffect(i16 whole, RgnHandle clip) {
  MainGlobals& g = mainglobals();
  const desk d = g.current;
  if (d.window == nilid) return;
  const CGrafPtr port = GetWindowPort(d.window);
  if (!IsValidPort(port) || GetPortPenVisibility(port) < 0) return;
  SquashControls(d.window);
  SavePort saved;
  SetPort(port);
  Rect a = cardarea(d);
  if (clip != nilid) {
    SetClip(clip);
    Rect bounds{};
    GetRegionBounds(clip, &bounds);
    SectRect(&a, &bounds, &a);
  }
  greyoutside(d);
  const bool locked = LockOffScreenGWorld() != 0;
  effectqueueplaying(true);
  bool shown = false;
  if (!locked) {
    // Without the offscreen world the card is drawn straight into the window.
    cleareffect(0);
    ClipRect(&a);
    SetThemeBackground(getheme(&d), portdepth(port), true);
    myEraseRect(&a, &d);
    backspot(1);
    shown = true;
  } else {
    effectrec e{};
    if (effectcount() == 0) pusheffect(effectrec{nilhandle, 0, targetcard});
    while (popeffect(&e)) {
      if (drawdestination(d, e.target, a)) shown = true;
      SetPort(port);
      ClipRect(&a);
      if (e.name != nilhandle) {
        transition(e.name, e.speed, a);
        DisposeHandle(e.name);
      }
      plain(a);
    }
    cleareffect(0);
    if (!shown) {
      drawdestination(d, targetcard, a);
      SetPort(port);
      plain(a);
    }
  }
  effectqueueplaying(false);
  if (whole) {
    drawgrow(&d);
    Rect all{};
    GetPortBounds(port, &all);
    ValidWindowRect(d.window, &all);
  } else {
    ValidWindowRect(d.window, &a);
  }
  // The card was drawn over the window's movies: their controllers are drawn again.
  if (openmoviecount() > 0) updatemovies(d.window);
  if (locked) UnLockOffScreenGWorld();
  Rect all{};
  GetPortBounds(port, &all);
  ClipRect(&all);
  UnsquashDefaults(&d, 1);
}

i16 lowgetrandata(RegistryId store, ConstStringPtr name, i16 id, Handle* out) {
  *out = nilhandle;
  u32 record = 0;
  if (store == nilid || !findresourcerecord(store, kTran, name, u32(u16(id)), &record)) return 0;
  Handle rec = nilhandle;
  if (getvir(store, i32(record), &rec) != 0) return 0;
  Handle copy = resourcedata(rec);
  const bool copied = copy != nilhandle && HandToHand(&copy) == noErr;
  putvir(store, i32(record));
  if (!copied) return 0;
  *out = copy;
  return 1;
}

i16 getran(ConstStringPtr name, Handle* out) {
  *out = nilhandle;
  MainGlobals& g = mainglobals();
  i16 id = 0;
  const bool byid = numbername(name, &id);
  const ConstStringPtr key = byid ? nullptr : name;
  for (RegistryId store : {g.current.store, g.sharedstore})
    if (lowgetrandata(store, key, id, out)) return 0;
  Handle h = byid ? GetResource(kTran, id) : GetNamedResource(kTran, name);
  if (h == nilhandle) return 1;
  Handle copy = h;
  if (HandToHand(&copy) != noErr) return 1;
  ReleaseResource(h);
  *out = copy;
  return 0;
}

}  // namespace kv
