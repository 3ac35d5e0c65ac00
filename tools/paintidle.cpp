// The paint session's idle time and cursors: the marching ants around a selection, the
// blinking caret of paint text, and the cursor of each paint tool.
#include <array>

#include "platform/events/events.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/runtime/root.h"
#include "platform/windows/cursor.h"
#include "shell/cardcursor.h"
#include "core/mainglobals.h"
#include "tools/paint.h"
#include "tools/paintpixels.h"
#include "tools/paintsession.h"

namespace kv {

namespace {

constexpr u32 kAntsTicks = 8;
// The ants' rows at phase 0, top row first; phase k has them rotated down by k rows.
constexpr std::array<u8, 8> kAnts{0xC7, 0xE3, 0xF1, 0xF8, 0x7C, 0x3E, 0x1F, 0x8F};

enum : u16 {
  kBrush = 300,
  kBucket = 301,
  kEraser = 302,
  kLasso = 303,
  kPencil = 307,
  kSelect = 312,
  kSpray = 313,
  kPaintText = 314,
};
constexpr i16 kSelectCursor = 1000, kBucketCursor = 1002, kPencilCursor = 1003, kEraserCursor = 1004,
              kLassoCursor = 1005, kSprayCursor = 1006;

// The idle task's own memory: when it may next run, and the text settings it last drew with.
struct PaintIdleState {
  u32 due = 0;
  i16 textsize = 0, textfont = 0, textstyle = 0;
};
PaintIdleState& idlestate() { return state<PaintIdleState>(); }

bool before(u32 now, u32 due) { return i32(now - due) < 0; }

// The ants of a rectangular selection: its frame exclusive-or'd with the pattern over the
// floating pixels; of a lasso selection: its pixels whitened where the pattern is clear, shown
// through the mask.
void marchants(bool lasso) {
  PaintSession& p = paintsession();
  const Rect& area = lasso ? p.rect : p.selection;
  copypixels(p.strokecopy, p.selcopy, area, area, false);
  SavePort keep;
  portup(p.scratchport, 1, p.strokecopy);
  PenPat(&p.ants);
  PenMode(lasso ? notPatBic : patXor);
  if (lasso) PaintRect(&p.selection);
  else FrameRect(&p.selection);
  PenNormal();
  const PortBits mask(p.maskworld);
  showfrom(p.scratchport, p.selection, lasso ? mask.get() : nullptr);
}

void caret() {
  PaintSession& p = paintsession();
  if (p.textworld == nilid || !IsValidPort(p.textworld)) return;
  PaintIdleState& st = idlestate();
  const MainGlobals& g = mainglobals();
  Rect tr{}, cr{};
  imagetoworld();
  {
    SavePort keep;
    SetGWorld(p.textworld, nilhandle);
    lowtext(true, &tr, &cr);
  }
  if (g.textSize != st.textsize || g.textFont != st.textfont || g.textStyle != st.textstyle) {
    showfrom(p.textworld, p.rect);
    st.textsize = g.textSize;
    st.textfont = g.textFont;
    st.textstyle = g.textStyle;
    return;
  }
  if (!EmptyRect(&tr)) showfrom(p.textworld, tr);
  if (!EmptyRect(&cr)) showfrom(p.textworld, cr);
}

void showresource(i16 id) { showcursorresource(id); }

}  // namespace

void stepants() {
  PaintSession& p = paintsession();
  p.antsphase = u16(p.antsphase + 1);
  const u32 phase = p.antsphase % 8;
  for (u32 row = 0; row < 8; ++row) p.ants.pat[row] = kAnts[(row + 8 - phase) % 8];
}

void bmapidle() {
  PaintSession& p = paintsession();
  PaintIdleState& st = idlestate();
  if (p.index < 0 || before(TickCount(), st.due)) return;
  u32 now = 0;
  Delay(1, &now);
  if (p.selectionactive) {
    marchants(false);
    st.due = now + kAntsTicks;
    stepants();
  }
  if (p.lassoactive) {
    marchants(true);
    st.due = now + kAntsTicks;
    stepants();
  }
  if (p.textactive) {
    caret();
    st.due = now + GetCaretTime();
  }
}

void paintcurs(u16 tool, Point pt) {
  const MainGlobals& g = mainglobals();
  const PaintSession& p = paintsession();
  if (!g.createPaint && p.index >= 0 && !PtInRect(pt, &p.rect)) {
    if (!g.lockCursor) SetThemeCursor(kThemeArrowCursor);
    return;
  }
  if (g.lockCursor) return;
  if (tool == kBrush) {
    // The brush itself, with no mask, held at its top left.
    const std::array<u8, 32> shape = paintbrushshape();
    Cursor c{};
    for (int row = 0; row < 16; ++row)
      c.data.v[size_t(row)] = u16(shape[size_t(2 * row)] << 8 | shape[size_t(2 * row + 1)]);
    c.hotSpot = Point{0, 0};
    SetCursor(&c);
    return;
  }
  switch (tool) {
    case kSelect:
      if (p.index >= 0 && p.selectionactive && PtInRect(pt, &p.selection)) SetThemeCursor(kThemeArrowCursor);
      else showresource(kSelectCursor);
      return;
    case kLasso:
      if (ptinlasso(p.list, pt)) SetThemeCursor(kThemeArrowCursor);
      else showresource(kLassoCursor);
      return;
    case kPencil: return showresource(kPencilCursor);
    case kEraser: return showresource(kEraserCursor);
    case kPaintText: SetThemeCursor(kThemeIBeamCursor); return;
    case kSpray: return showresource(kSprayCursor);
    case kBucket: return showresource(kBucketCursor);
    default: break;
  }
  SetThemeCursor(tool < kBrush ? kThemeArrowCursor : kThemeCrossCursor);
}

}  // namespace kv
