// Packed records, lists and bitmaps made by the store itself, for the store's fuzz targets to
// start from.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/memory/memory.h"
#include "render/pictinfo.h"
#include "store/byteorder.h"
#include "store/objects.h"
#include "store/packing.h"
#include "tests/support/spots.h"
#include "store/paintcodec.h"

namespace kv::fuzzseeds {

inline Handle text(const std::string& s) {
  Handle h = NewHandle(Size(s.size()));
  if (!s.empty()) std::memcpy(deref(h), s.data(), s.size());
  return h;
}

inline Handle props() {
  Handle list = NewHandle(0);
  uprop p{5, hfield{text("name")}, hfield{text("value")}};
  PtrAndHand(&p, list, sizeof p);
  return list;
}

inline Handle fieldtext(const std::string& s) {
  Handle h = NewHandleClear(2 + 20);
  storeat<u16>(deref(h), 1);
  PtrAndHand(s.data(), h, Size(s.size()));
  u8 tail[14] = {0xFE, 0xFF, 0xFF, 0xFF, 3, 0, 12, 0, 1, 0, 0x45, 0x23, 0x01, 0};
  PtrAndHand(tail, h, 14);
  return h;
}

inline spot object(u16 kind, u16 style, u32 id, Rect r) { return testspots::newspot(kind, style, id, r); }

// An object list with a button, a field, a picture, both kinds of bitmap, a polygon and a group.
inline Handle objects() {
  Handle list = NewHandle(0);
  spot b = object(spotbutton, 205, 100, Rect{0, 0, 20, 80});
  b.flags = b.flags | spotplatformcontrol;
  b.name = text("OK");
  b.script = text("on mouseUp\rend mouseUp0123456789abcdefghijklmn");
  b.uprops = props();
  PtrAndHand(&b, list, sizeof b);
  spot f = object(spotfield, stylefieldscroll, 101, Rect{30, 0, 90, 200});
  f.data = fieldtext("field text");
  Handle alts = NewHandle(0);
  alt a{altwecf, hfield{text("runs")}};
  PtrAndHand(&a, alts, sizeof a);
  f.alt = alts;
  PtrAndHand(&f, list, sizeof f);
  spot p = object(spotgraphic, stylerectangle, 102, Rect{0, 0, 10, 10});
  New_PictInfoHandle(p);
  p.flags = p.flags | spotpictinfo;
  PtrAndHand(&p, list, sizeof p);
  spot m = object(spotgraphic, stylebitmap, 103, Rect{0, 0, 9, 21});
  m.data = NewHandleClear(9 * 4);
  deref(m.data)[5] = 0x81;
  PtrAndHand(&m, list, sizeof m);
  spot c = object(spotgraphic, stylebitmap, 104, Rect{0, 0, 3, 6});
  graphictail t = getgraphictail(c);
  t.startangle = 1;
  setgraphictail(c, t);
  c.data = NewHandleClear(3 * 8);
  deref(c.data)[2] = 7;
  PtrAndHand(&c, list, sizeof c);
  spot g = object(spotgraphic, stylegroup, 105, Rect{0, 0, 50, 50});
  Handle inner = NewHandle(0);
  spot poly = object(spotgraphic, stylepolygon, 1, Rect{0, 0, 50, 50});
  poly.data = NewHandleClear(18);
  storeat<u16>(deref(poly.data), 18);
  PtrAndHand(&poly, inner, sizeof poly);
  g.data = inner;
  PtrAndHand(&g, list, sizeof g);
  return list;
}

inline void add(std::vector<std::vector<std::uint8_t>>* out, Handle h) {
  out->emplace_back(deref(h), deref(h) + GetHandleSize(h));
}

// The packed forms of a card, a background, a window, a menu, a project head and a resource.
inline void records(std::vector<std::vector<std::uint8_t>>* out) {
  std::vector<Handle> recs;
  cardrec card{};
  card.kind = kindcard;
  card.name = text("card");
  card.script = text("0123456789abcdefghijklmn");
  card.objects = objects();
  card.backtext = NewHandle(0);
  u32 entry[2] = {101, 0};
  Handle ft = fieldtext("back");
  entry[1] = u32(GetHandleSize(ft));
  PtrAndHand(entry, card.backtext, 8);
  HandAndHand(ft, card.backtext);
  DisposeHandle(ft);
  card.uprops = props();
  Handle calt = NewHandle(0);
  alt hil{altunsharedhilites, hfield{NewHandleClear(16)}};
  PtrAndHand(&hil, calt, sizeof hil);
  card.alt = calt;
  recs.push_back(NewHandle(sizeof card));
  storeat<cardrec>(deref(recs.back()), card);

  backrec back{};
  back.kind = kindback;
  back.name = text("bg");
  back.script = text("");
  back.objects = objects();
  back.slotb = text("b");
  recs.push_back(NewHandle(sizeof back));
  storeat<backrec>(deref(recs.back()), back);

  windrec wind{};
  wind.kind = kindwind;
  wind.name = text("window");
  wind.script = text("");
  wind.uprops = props();
  wind.pagecount = 2;
  recs.push_back(NewHandleClear(sizeof wind + 12));
  storeat<windrec>(deref(recs.back()), wind);

  menurec menu{};
  menu.kind = kindmenu;
  menu.name = text("Edit");
  menu.script = text("");
  menu.items = NewHandle(0);
  for (int i = 0; i < 2; ++i) {
    menuitem item{};
    item.name = text("Undo");
    item.script = text("");
    item.slota = text("slot");
    item.uprops = props();
    PtrAndHand(&item, menu.items, sizeof item);
  }
  recs.push_back(NewHandle(sizeof menu));
  storeat<menurec>(deref(recs.back()), menu);

  headrec head{};
  head.kind = kindhead;
  head.script = text("");
  head.patterns = NewHandleClear(10);
  head.brushes = NewHandleClear(32);
  head.contents = text("odd");
  recs.push_back(NewHandle(sizeof head));
  storeat<headrec>(deref(recs.back()), head);

  xresrec xres{};
  xres.kind = kindxres;
  xres.name = text("snd");
  xres.data = text("data!");
  recs.push_back(NewHandle(sizeof xres));
  storeat<xresrec>(deref(recs.back()), xres);

  for (Handle r : recs) {
    if (pack(r) == noErr) add(out, r);
    unpack(r);
    dump(r);
  }
}

}  // namespace kv::fuzzseeds
