// replay-runs: 40 (each input opens a whole project and draws its card twice; this keeps the replay short)
// Draws a card of stored objects made from arbitrary bytes into offscreen worlds, as drawing a
// damaged or hostile project does: graphics, buttons and fields of any style, with any flags,
// fills, pens, patterns, colours, ink, shadow, kind tail and data part (pictures, polygons,
// bitmap rows, a group's objects), on the card and its background. The card is drawn into a
// 32-bit and an 8-bit world of its size; nothing may crash, and every record and control goes
// with the project. The seeds are cards of the usual objects with a recorded picture.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/memory/memory.h"
#include "platform/qd/qd.h"
#include "render/carddrawing.h"
#include "render/spotstyles.h"
#include "tests/fuzz/projectlines.h"

namespace {

using namespace kv;

constexpr u16 kStyles[] = {stylerectangle,
                           styleroundrect,
                           styleoval,
                           styleline,
                           stylepolygon,
                           stylebitmap,
                           styletext,
                           stylearc,
                           stylegroup,
                           stylebuttonrect,
                           styleradiobutton,
                           stylecheckbox,
                           stylebevel,
                           stylepopupmenu,
                           styleslider,
                           styletabs,
                           styleimagewell,
                           stylerelevancebar,
                           styleprimarygroup,
                           300,
                           301,
                           302,
                           303};

// Reads the input front to back; past its end every byte reads 0.
struct Reader {
  const std::uint8_t* data;
  std::size_t size, at = 0;
  u8 byte() { return at < size ? data[at++] : 0; }
  i16 word() { return i16(u16(byte()) << 8 | byte()); }
  bool more() const { return at < size; }
};

testproject::Object object(Reader& r, int depth) {
  testproject::Object o;
  const u16 style = kStyles[r.byte() % std::size(kStyles)];
  o.kind = style >= 300   ? testproject::Object::field
           : style >= 200 ? testproject::Object::button
                          : testproject::Object::graphic;
  o.style = style;
  o.rect = Rect{r.word(), r.word(), r.word(), r.word()};
  o.setflags = u32(r.byte()) << 24 | u32(r.byte()) << 16 | u32(r.byte()) << 8 | r.byte();
  o.showfill = r.byte();
  o.showpen = r.byte();
  o.fillfore = r.byte();
  o.penfore = r.byte();
  std::array<u8, 8> pat{};
  for (u8& b : pat) b = r.byte();
  o.fillpat = pat;
  o.penwidth = u16(r.byte());
  o.penheight = u16(r.byte());
  o.ink = u16(r.byte());
  o.shadow = u16(r.byte() % 16);
  std::array<u8, 12> tail{};
  for (u8& b : tail) b = r.byte();
  o.tail = tail;
  const std::size_t n = std::size_t(r.byte()) * 4;
  for (std::size_t i = 0; i < n && r.more(); ++i) o.data.push_back(r.byte());
  const std::size_t t = r.byte();
  for (std::size_t i = 0; i < t && r.more(); ++i) o.text.push_back(char(r.byte()));
  if (style == stylegroup && depth < 3) {
    o.data.clear();
    for (int i = r.byte() % 3; i > 0 && r.more(); --i) o.nested.push_back(object(r, depth + 1));
  }
  return o;
}

// The bytes of one object of the usual kind, with the data part given.
void put(std::vector<std::uint8_t>& out, u8 styleindex, Rect rect, const std::vector<std::uint8_t>& data,
         const std::string& text) {
  out.push_back(styleindex);
  for (i16 v : {rect.top, rect.left, rect.bottom, rect.right}) {
    out.push_back(u8(u16(v) >> 8));
    out.push_back(u8(v));
  }
  const u8 fixed[] = {0, 0, 0, 1, 1, 1, 3, 5, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55,
                      2, 2, 0, 0, 0, 0, 0, 0, 0,    0,    0,    0,    0,    0,    0,    0};
  out.insert(out.end(), std::begin(fixed), std::end(fixed));
  out.push_back(u8((data.size() + 3) / 4));
  out.insert(out.end(), data.begin(), data.end());
  out.resize(out.size() + (4 - data.size() % 4) % 4, 0);
  out.push_back(u8(text.size()));
  out.insert(out.end(), text.begin(), text.end());
}

std::vector<std::uint8_t> recordedpicture() {
  GWorldPtr gw = 0;
  const Rect frame{0, 0, 40, 60};
  NewGWorld(&gw, 32, &frame, 0, 0, 0);
  SetGWorld(gw, 0);
  PicHandle pic = OpenPicture(&frame);
  PaintOval(&frame);
  FrameRect(&frame);
  ClosePicture();
  std::vector<std::uint8_t> out(deref(pic), deref(pic) + GetHandleSize(pic));
  KillPicture(pic);
  DisposeGWorld(gw);
  return out;
}

void drawinto(i16 depth, const Rect& bounds) {
  CGrafPtr port = 0;
  GDHandle device = 0;
  GetGWorld(&port, &device);
  GWorldPtr gw = 0;
  if (NewGWorld(&gw, depth, &bounds, 0, 0, 0) != noErr) return;
  SetGWorld(gw, 0);
  backspot(1);
  SetGWorld(port, device);
  DisposeGWorld(gw);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1 << 14) return 0;
  Reader r{data, size};
  testproject::Project p;
  testproject::Window w;
  w.rect = Rect{100, 100, 340, 420};
  testproject::Background b{"B", "", {}};
  testproject::Card c{"C", "", 0, {}, {}};
  const int backobjects = r.byte() % 4;
  for (int i = 0; i < backobjects && r.more(); ++i) b.objects.push_back(object(r, 0));
  for (int i = 0; i < 12 && r.more(); ++i) c.objects.push_back(object(r, 0));
  w.backgrounds.push_back(b);
  w.cards.push_back(c);
  p.windows.push_back(w);
  fuzzlines::withproject(p, [&] {
    const Rect bounds{0, 0, 240, 320};
    drawinto(32, bounds);
    drawinto(8, bounds);
  });
  return 0;
}

extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  const std::vector<std::uint8_t> picture = recordedpicture();
  resetruntime();
  std::vector<std::uint8_t> s{1};
  put(s, 0, Rect{0, 0, 240, 320}, {}, "");       // a background rectangle
  put(s, 0, Rect{10, 10, 50, 70}, picture, "");  // a rectangle holding a picture
  for (u8 i = 1; i < std::size(kStyles); ++i) {
    const i16 top = i16(20 + 9 * i);
    put(s, i, Rect{top, i16(5 + 13 * (i % 5)), i16(top + 30), i16(90 + 13 * (i % 5))}, {}, i >= 19 ? "Some text" : "");
  }
  out->push_back(s);
  std::vector<std::uint8_t> huge{0};
  put(huge, 7, Rect{-32000, -32000, 32000, 32000}, {}, "");  // a huge arc
  put(huge, 3, Rect{-32764, 5, 14, -32764}, {}, "");         // a line across the range
  out->push_back(huge);
  // A polygon graphic whose size word reaches past its data, which leaves less than one point
  // after the header.
  std::vector<std::uint8_t> poly{0};
  put(poly, 4, Rect{10, 10, 60, 60}, {0x05, 0xAA, 0, 0, 0, 0, 0, 40, 0, 40, 0, 0}, "");
  out->push_back(poly);
  return out->size();
}
