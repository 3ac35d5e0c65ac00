// The fixture of the paint tests: a project of one card whose script logs the paint
// session's messages, opened with solid black pen and fill settings, and readers of the
// bitmap's image, the window's pixels and the card's changed mark.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "platform/memory/memory.h"
#include "platform/resources/resources.h"
#include "platform/testing/driver.h"
#include "shell/commandline.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "store/recordcache.h"
#include "store/records.h"
#include "tests/support/eventloop.h"

namespace kv {

using testproject::Object;

inline constexpr u32 kBlack = 0x000000, kWhite = 0xFFFFFF;
// The 16 x 16 disc of a new project's brush, one row a word, the leftmost pixel in the high bit.
inline constexpr u16 kDisc[16] = {0x0180, 0x0FF0, 0x1FF8, 0x3FFC, 0x7FFE, 0x7FFE, 0x7FFE, 0xFFFF,
                                  0xFFFF, 0x7FFE, 0x7FFE, 0x7FFE, 0x3FFC, 0x1FF8, 0x0FF0, 0x0180};

class PaintTest : public EventLoopTest {
 protected:
  // One card holding `objects`, its script logging the session's messages; colorWorld on, a
  // solid black pen and fill of 1 pixel, and the drag command moving at once.
  void start(std::vector<Object> objects = {}) {
    testproject::Project p = project();
    testproject::Card& c = p.windows[0].cards[0];
    c.script = logs("", {"newGraphic", "openPaint", "closePaint"});
    c.objects = std::move(objects);
    name = "p" + std::to_string(++projects) + ".kv45";
    ASSERT_EQ(openproject(p, name), 0);
    settle();
    clearlog();
    MainGlobals& g = mainglobals();
    g.colorWorld = 1;
    givelists();
    ASSERT_EQ(doline("set the dragSpeed to 0\nset the penPat to 1\nset the fillPat to 1\nset the penFore to 256\n"
                     "set the fillFore to 256\nset the fillBack to 1\nset the lineSize to 1\nset the filled to true\n"
                     "set the showPen to true"),
              0);
  }
  // The project's pattern list becomes the program's own (count first, in host order) and its
  // brush the disc below, rows as host-order words.
  void givelists() {
    const headrec head = loadat<headrec>(deref(mainglobals().current.head));
    Handle pats = GetResource(fourcc("PAT#"), 1000);
    ASSERT_NE(pats, nilhandle);
    const Size n = GetHandleSize(pats);
    SetHandleSize(head.patterns, n);
    std::memcpy(deref(head.patterns), deref(pats), size_t(n));
    storeat<u16>(deref(head.patterns), u16((n - 2) / 8));
    ReleaseResource(pats);
    SetHandleSize(head.brushes, 32);
    for (int row = 0; row < 16; ++row) storeat<u16>(deref(head.brushes) + 2 * row, kDisc[row]);
  }
  Handle list() { return mainglobals().current.cardspots; }
  i32 count() { return spotcount(list()); }
  spot object(i32 i) { return spotat(list(), i); }
  bool colour(i32 i) { return getgraphictail(object(i)).startangle != 0; }
  std::vector<u8> image(i32 i) {
    const spot s = object(i);
    if (s.data == nilhandle) return {};
    return std::vector<u8>(deref(s.data), deref(s.data) + GetHandleSize(s.data));
  }
  // The byte of an image of `rowbytes` at a point local to the bitmap.
  u8 byteat(i32 i, i32 rowbytes, i32 h, i32 v) { return image(i)[size_t(v * rowbytes + h)]; }
  u32 windowpixel(i16 h, i16 v) { return drive::pixelat(drive::windowpixels(current().window), h, v) & 0xFFFFFF; }
  bool cardchanged() {
    const desk& d = mainglobals().current;
    u16 flag = 0;
    testvir(d.store, i32(d.cardrecid), &flag);
    return flag != 0;
  }
  // Ends the session, saves, closes every window and opens the project again.
  void reopen() {
    ASSERT_EQ(doline("choose browse tool\nsave"), 0);
    closeallwindows();
    ASSERT_EQ(open(name), 0);
  }
  // The set pixels of the 100 x 80 bitmap at (20, 20) made by dragging out a new one.
  void newbitmap() {
    ASSERT_EQ(doline("choose rectangle tool\ndrag from 20,20 to 120,100"), 0);
    ASSERT_EQ(count(), 1);
    clearlog();
  }
  std::string name;
  int projects = 0;
};

// A blank colour bitmap over (20, 20, 100, 120).
inline std::vector<testproject::Object> blankbitmap() {
  return {testproject::bitmap(Rect{20, 20, 100, 120}, true, std::vector<u8>(8000, 0))};
}

}  // namespace kv
