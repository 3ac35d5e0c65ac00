// Typing into a text graphic.
#include "tools/textgraphic.h"

#include "engine/textutil.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/te/te.h"
#include "platform/windows/windows.h"
#include "render/carddrawing.h"
#include "render/graphicdrawing.h"
#include "render/selectionknobs.h"
#include "shell/fieldputting.h"
#include "shell/mainglobals.h"
#include "shell/textentry.h"
#include "store/objects.h"
#include "store/recordcache.h"
#include "textengine/fieldstorage.h"
#include "textengine/werecord.h"

namespace kv {

namespace {

constexpr u32 kGraphFeatures = 4096;

LongRect longrect(const Rect& r) { return LongRect{r.top, r.left, r.bottom, r.right}; }

// The text area of a text graphic: its rectangle, inside its pen when the pen shows.
Rect textarea(const spot& s) {
  Rect r = s.rect;
  if (s.showpen) InsetRect(&r, i16(s.penwidth), i16(s.penheight));
  return r;
}

}  // namespace

void putupgraph(Handle list, i16 index) {
  MainGlobals& g = mainglobals();
  if (list == nilhandle || index < 0 || index >= spotcount(list)) return;
  {
    SavePort saved;
    putdownfield();
  }
  if (g.graphindex >= 0) return;
  g.msginactive = 1;
  if (isvalidte(g.msgtext)) TEDeactivate(g.msgtext);
  hilitespot(list, 1, 1);
  spot s = spotat(list, index);
  const LongRect area = longrect(textarea(s));
  if (s.data != nilhandle) fixtext(s.data);
  WEReference we = nilid;
  if (WENew(&area, &area, kGraphFeatures, &we) != noErr) return;
  if (s.data != nilhandle) weunpacktext(s.data, s.uprops, we);
  WEActivate(we);
  g.graphindex = index;
  g.graphspots = list;
  g.graphwindow = g.current.window;
  g.graphrec = we;
  if (g.current.cardrecid) changevir(g.current.store, i32(g.current.cardrecid));
  drawgraph();
}

void graphkey(u8 c) {
  MainGlobals& g = mainglobals();
  if (g.graphindex < 0 || !isvalidwerec(g.graphrec)) return;
  wekey(c, g.graphrec);
  calgraphrect();
}

void calgraphrect() {
  MainGlobals& g = mainglobals();
  if (g.graphindex < 0 || g.graphindex >= spotcount(g.graphspots) || !isvalidwerec(g.graphrec)) return;
  const WEReference we = g.graphrec;
  LongRect dest{};
  WEGetDestRect(&dest, we);
  const i32 h = dest.bottom - dest.top;
  i32 start = 0, end = 0;
  WEGetSelection(&start, &end, we);
  if (start == end) {
    // A space typed and taken back makes the record lay out its last line.
    WEKey(' ', 0, we);
    WEKey(8, 0, we);
  }
  spot s = spotat(g.graphspots, g.graphindex);
  i32 bottom = s.rect.top + h;
  if (s.showpen) bottom += s.penwidth + s.penheight;
  if (bottom == s.rect.bottom) return;
  SavePort saved;
  if (g.graphwindow != nilid) SetPortWindowPort(g.graphwindow);
  invalspot(g.graphspots, g.graphindex);
  s.rect.bottom = i16(bottom);
  putspot(g.graphspots, g.graphindex, s);
  if (s.showpen) InvalWindowRect(g.graphwindow, &s.rect);
  const LongRect area = longrect(textarea(s));
  WESetDestRect(&area, we);
  WESetViewRect(&area, we);
  WECalText(we);
  invalspot(g.graphspots, g.graphindex);
  drawgraph();
  if (s.showpen) {
    PenSize(i16(s.penwidth), i16(s.penheight));
    FrameRect(&s.rect);
    PenNormal();
  }
}

}  // namespace kv
