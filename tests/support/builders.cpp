#include "tests/support/builders.h"

#include <bit>
#include <cstring>

#include "render/pictinfo.h"
#include "store/fieldtail.h"
#include "store/objects.h"
#include "store/packing.h"
#include "tests/support/spots.h"

namespace kv::storetest {

Handle texthandle(const std::string& text) {
  Handle h = NewHandle(Size(text.size()));
  if (!text.empty()) std::memcpy(deref(h), text.data(), text.size());
  return h;
}

std::string textof(Handle h) {
  if (h == nilhandle) return "<none>";
  return std::string(reinterpret_cast<const char*>(deref(h)), size_t(GetHandleSize(h)));
}

std::vector<u8> bytesof(Handle h) {
  std::vector<u8> v(size_t(GetHandleSize(h)));
  if (!v.empty()) std::memcpy(v.data(), deref(h), v.size());
  return v;
}

Handle handleof(const std::vector<u8>& bytes) {
  Handle h = NewHandle(Size(bytes.size()));
  if (!bytes.empty()) std::memcpy(deref(h), bytes.data(), bytes.size());
  return h;
}

Handle scripthandle(const std::string& text) {
  Handle h = texthandle(text);
  scripttail t{};
  for (int i = 0; i < 12; ++i) t.words.v[i] = u16(0x0100 + i);
  PtrAndHand(&t, h, sizeof t);
  return h;
}

Handle fieldtext(const std::string& text) {
  u16 runs = 0;
  Handle h = NewHandle(2);
  storeat<u16>(deref(h), runs);
  PtrAndHand(text.data(), h, Size(text.size()));
  fieldtail t{-2, -1, 3, 12, 1, 0x12345};
  PtrAndHand(&t, h, sizeof t);
  return h;
}

stylerun styledrun(i32 start, i16 font, u8 face, i16 size) {
  stylerun r{};
  r.start = start;
  r.height = i16(size + 4);
  r.ascent = size;
  r.font = font;
  r.face = face;
  r.size = size;
  r.color = RGBColor{u16(font * 100), 0, u16(size * 50)};
  return r;
}

spot newspot(u16 kind, u16 style, u32 id, Rect r) { return testspots::newspot(kind, style, id, r); }

void appendspot(Handle list, const spot& s) { PtrAndHand(&s, list, sizeof s); }
spot spotof(Handle list, i32 index) { return loadat<spot>(deref(list) + index * i32(sizeof(spot))); }

Handle proplist(const std::vector<std::pair<std::string, std::string>>& props) {
  Handle list = NewHandle(0);
  u32 key = 77;
  for (auto& [name, value] : props) {
    uprop p{key++, hfield{texthandle(name)}, hfield{texthandle(value)}};
    PtrAndHand(&p, list, sizeof p);
  }
  return list;
}

Handle altlist(const std::vector<std::pair<u32, Handle>>& entries) {
  Handle list = NewHandle(0);
  for (auto& [kind, data] : entries) {
    alt a{kind, hfield{data}};
    PtrAndHand(&a, list, sizeof a);
  }
  return list;
}

namespace {

Handle polygon(int points) {
  Handle h = NewHandle(Size(10 + 4 * points));
  u8* p = deref(h);
  storeat<u16>(p, u16(10 + 4 * points));
  storeat<Rect>(p + 2, Rect{1, 2, 300, 400});
  for (int i = 0; i < points; ++i) storeat<Point>(p + 10 + 4 * i, Point{i16(i * 3), i16(i * 5 + 1)});
  return h;
}

Handle pictinfohandle() {
  PictInfo p;
  newpictinfo(p);
  p.imagerect = Rect{0, 0, 40, 80};
  p.zoom = 0x3FC00000;  // 1.5
  p.quad.v[2] = Point{7, 9};
  Handle h = NewHandle(sizeof p);
  storeat<PictInfo>(deref(h), p);
  return h;
}

Handle objectlist(bool withgroup) {
  Handle list = NewHandle(0);
  spot b = newspot(spotbutton, 205, 100, Rect{5, 6, 25, 86});
  b.flags = b.flags | spotplatformcontrol;
  controlpart c = getcontrolpart(b);
  c.currentvalue = 3;
  c.maximumvalue = 10;
  c.control = 0x03010001;  // a live control while the card is shown
  setcontrolpart(b, c);
  b.name = texthandle("OK");
  b.script = scripthandle("on mouseUp\r  beep\rend mouseUp");
  b.uprops = proplist({{"colour", "blue"}, {"size", "x"}});
  appendspot(list, b);

  spot f = newspot(spotfield, stylefieldrect, 101, Rect{30, 6, 80, 206});
  f.flags = f.flags | spotallowobjects;
  fieldkindtail ft = getfieldkindtail(f);
  ft.word2 = 0x00050006;
  ft.live = 0x07010001;  // a live text record
  setfieldkindtail(f, ft);
  f.data = fieldtext("Hello, field");
  f.name = texthandle("Notes");
  f.alt = altlist({{altwecf, texthandle("character runs")}, {altwest, texthandle("odd")}});
  f.contents = texthandle("contents!");
  appendspot(list, f);

  spot pic = newspot(spotgraphic, stylerectangle, 102);
  pic.flags = pic.flags | spotpictinfo;
  pic.alt = altlist({{altpictinfo, pictinfohandle()}, {altpictdata, texthandle("PICT data bytes")}});
  pic.slot = texthandle("slot");
  appendspot(list, pic);

  spot mono = newspot(spotgraphic, stylebitmap, 103, Rect{0, 0, 12, 33});
  Handle image = NewHandleClear(12 * 6);
  for (int i = 0; i < 12 * 6; i += 5) deref(image)[i] = u8(i * 7);
  mono.data = image;
  appendspot(list, mono);

  spot colour = newspot(spotgraphic, stylebitmap, 104, Rect{0, 0, 5, 7});
  graphictail gt = getgraphictail(colour);
  gt.startangle = 1;
  setgraphictail(colour, gt);
  Handle cimage = NewHandleClear(5 * 8);
  for (int i = 0; i < 5 * 8; ++i) deref(cimage)[i] = u8(i * 13);
  // Padding bytes (the last of each row in big-endian order) come back zero.
  for (int row = 0; row < 5; ++row) deref(cimage)[row * 8 + (std::endian::native == std::endian::little ? 4 : 7)] = 0;
  colour.data = cimage;
  appendspot(list, colour);

  spot text = newspot(spotgraphic, styletext, 105);
  text.data = fieldtext("text graphic");
  appendspot(list, text);

  if (withgroup) {
    spot g = newspot(spotgraphic, stylegroup, 106);
    Handle inner = NewHandle(0);
    spot p1 = newspot(spotgraphic, stylepolygon, 1);
    p1.data = polygon(5);
    appendspot(inner, p1);
    spot p2 = newspot(spotgraphic, 102, 2);
    p2.name = texthandle("oval");
    appendspot(inner, p2);
    g.data = inner;
    appendspot(list, g);
  }
  return list;
}

Handle backtext() {
  Handle h = NewHandle(0);
  for (u32 id : {101u, 102u}) {
    Handle t = fieldtext(id == 101 ? "card text" : "more");
    u32 len = u32(GetHandleSize(t));
    PtrAndHand(&id, h, 4);
    PtrAndHand(&len, h, 4);
    HandAndHand(t, h);
    DisposeHandle(t);
  }
  return h;
}

}  // namespace

Handle fullhead() {
  headrec r{};
  r.kind = kindhead;
  r.rect = Rect{1, 2, 3, 4};
  r.word10 = 0xCAFE;
  r.script = scripthandle("on openProject\rend openProject");
  Handle pats = NewHandle(2 + 8 * 3);
  storeat<u16>(deref(pats), 3);
  for (int i = 0; i < 24; ++i) deref(pats)[2 + i] = u8(i);
  r.patterns = pats;
  Handle brushes = NewHandle(32);
  for (int i = 0; i < 16; ++i) storeat<u16>(deref(brushes) + 2 * i, u16(i * 257));
  r.brushes = brushes;
  r.contents = texthandle("odd");  // odd length: a pad byte follows
  r.uprops = proplist({{"a", "1"}});
  r.slotb = texthandle("");
  return recordhandle(r);
}

Handle fulllib(int racks) {
  librec r{};
  r.kind = kindlib;
  r.entrycount = 5;
  r.idcounter = 100;
  r.pagecount = u16(racks);
  Handle h = recordhandle(r);
  for (int i = 0; i < racks; ++i) {
    pageref p{i16(i + 1), u32(1000 + i)};
    PtrAndHand(&p, h, sizeof p);
  }
  return h;
}

Handle fullpage(int words) {
  u16 kind = kindpage;
  Handle h = NewHandle(2);
  storeat<u16>(deref(h), kind);
  for (int i = 0; i < words; ++i) {
    wordentry w{};
    w.cardrecord = u32(i + 10);
    w.namekey = 0xABCD0000u + u32(i);
    PtrAndHand(&w, h, sizeof w);
  }
  return h;
}

Handle fullrack(int books) {
  u16 kind = kindrack;
  Handle h = NewHandle(2);
  storeat<u16>(deref(h), kind);
  for (int i = 0; i < books; ++i) {
    bookentry b{u32(i + 7), u32(100 + i), 0, 0};
    PtrAndHand(&b, h, sizeof b);
  }
  return h;
}

Handle fullwind(int pages) {
  windrec r{};
  r.kind = kindwind;
  r.flags = 0x11;
  r.cardcount = 4;
  r.rect1 = Rect{40, 40, 400, 600};
  r.name = texthandle("Main window");
  r.script = scripthandle("");
  r.uprops = proplist({{"k", "v"}});
  r.slota = texthandle("slot A");
  r.pagecount = u16(pages);
  Handle h = recordhandle(r);
  for (int i = 0; i < pages; ++i) {
    pageref p{i16(10 * i), u32(2000 + i)};
    PtrAndHand(&p, h, sizeof p);
  }
  return h;
}

Handle fullmenu(int items) {
  menurec r{};
  r.kind = kindmenu;
  r.flags = 2;
  r.name = texthandle("File");
  r.script = scripthandle("on menuPick\rend menuPick");
  r.slotb = texthandle("b");
  Handle list = NewHandle(0);
  for (int i = 0; i < items; ++i) {
    menuitem m{};
    m.flags = u32(i & 7);
    m.name = texthandle("Item " + std::to_string(i));
    m.script = scripthandle(i == 0 ? "" : "on doMenu\rend doMenu");
    if (i == 1) m.slota = texthandle("slot of item");
    if (i == 2) m.uprops = proplist({{"shortcut", "N"}});
    PtrAndHand(&m, list, sizeof m);
  }
  r.items = list;
  return recordhandle(r);
}

Handle fullxres() {
  xresrec r{};
  r.kind = kindxres;
  r.word2 = fourcc("snd ");
  r.name = texthandle("beep");
  r.data = texthandle("sound data, odd");
  return recordhandle(r);
}

Handle fullcard() {
  cardrec r{};
  r.kind = kindcard;
  r.flags = 1;
  r.rect = Rect{44, 4, 337, 500};
  r.name = texthandle("First card");
  r.script = scripthandle("on openCard\r  put 1 into x\rend openCard");
  r.objects = objectlist(true);
  r.backtext = backtext();
  r.contents = texthandle("cc");
  u8 extras[16] = {101, 0, 0, 0, 8, 0, 0, 0, 64, 0, 3, 0, 0, 0, 0, 0};
  r.alt = altlist({{altunsharedhilites, handleof(std::vector<u8>(extras, extras + 16))}});
  r.slota = texthandle("A");
  r.uprops = proplist({{"visited", "true"}});
  return recordhandle(r);
}

Handle fullback() {
  backrec r{};
  r.kind = kindback;
  r.height = 342;
  r.width = 512;
  r.name = texthandle("Background");
  r.script = scripthandle("on openBackground\rend openBackground");
  r.objects = objectlist(false);
  r.slotb = texthandle("bee");
  return recordhandle(r);
}

Handle newcard() {
  cardrec r{};
  r.kind = kindcard;
  r.rect = Rect{44, 4, 337, 500};
  r.name = NewHandle(0);
  r.script = scripthandle("");
  r.objects = NewHandle(0);
  r.backtext = NewHandle(0);
  return recordhandle(r);
}

Handle fullrecord(int kind) {
  switch (kind) {
    case kindhead: return fullhead();
    case kindlib: return fulllib(3);
    case kindpage: return fullpage(4);
    case kindrack: return fullrack(5);
    case kindwind: return fullwind(3);
    case kindmenu: return fullmenu(4);
    case kindxres: return fullxres();
    case kindcard: return fullcard();
    default: return fullback();
  }
}

std::vector<u8> fastbytes(Handle rec) {
  Handle dest = NewHandle(16);
  std::vector<u8> v;
  if (fast(rec, dest) == noErr) v = bytesof(dest);
  DisposeHandle(dest);
  return v;
}

std::vector<std::vector<u8>> packedseeds() {
  std::vector<std::vector<u8>> out;
  for (int kind = 0; kind < kRecordKinds; ++kind) {
    Handle rec = fullrecord(kind);
    out.push_back(fastbytes(rec));
    dump(rec);
  }
  Handle list = objectlist(true);
  if (packspot(list) == noErr) out.push_back(bytesof(list));
  unpackspot(list);
  dumpspot(list);
  return out;
}

}  // namespace kv::storetest
