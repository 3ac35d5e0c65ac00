// Printing a record's text: sessions and their page breaks, a page drawn into a port with the
// record left as it was, margins and page rectangles, and the page loop of a print job read
// back from the pages the print layer keeps.
#include <string>
#include <vector>

#include "platform/events/eventrecord.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/qd/qdtext.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/windows/windows.h"
#include "core/mainglobals.h"
#include "tests/textengine/wetest.h"

namespace kv {
namespace {

// Pixels of a 32-bit port or a kept page, white 0x00FFFFFF.
struct Pixels {
  Rect bounds{};
  std::vector<u32> p;
  // The bounds of every pixel that is not white (empty when none).
  Rect ink() const {
    const i32 w = bounds.right - bounds.left;
    Rect b{32767, 32767, -32768, -32768};
    for (std::size_t i = 0; i < p.size(); ++i)
      if ((p[i] & 0xFFFFFF) != 0xFFFFFF) {
        const i16 h = i16(bounds.left + i32(i) % w), v = i16(bounds.top + i32(i) / w);
        b = Rect{std::min(b.top, v), std::min(b.left, h), std::max(b.bottom, i16(v + 1)),
                 std::max(b.right, i16(h + 1))};
      }
    return b.top == 32767 ? Rect{} : b;
  }
  // The ink's bounds within rows [top, bottom).
  Rect ink(i16 top, i16 bottom) const {
    Pixels band{Rect{top, bounds.left, bottom, bounds.right}, {}};
    const i32 w = bounds.right - bounds.left;
    band.p.assign(p.begin() + (top - bounds.top) * w, p.begin() + (bottom - bounds.top) * w);
    return band.ink();
  }
};

Pixels pixelsof(GWorldPtr world) {
  Pixels out;
  const PixMapHandle pm = GetGWorldPixMap(world);
  GetPixBounds(pm, &out.bounds);
  const i32 w = out.bounds.right - out.bounds.left, h = out.bounds.bottom - out.bounds.top;
  for (i32 v = 0; v < h; ++v)
    for (i32 x = 0; x < w; ++x) {
      u32 px;
      std::memcpy(&px, GetPixBaseAddr(pm) + v * GetPixRowBytes(pm) + x * 4, 4);
      out.p.push_back(px & 0xFFFFFF);
    }
  return out;
}

class WEPrintingTest : public WETest {
 protected:
  // A session disposed of at the end of the test.
  struct Session {
    WEPrintSession s = nilhandle;
    ~Session() { WEDisposePrintSession(s); }
    const WEPrintSessionRec& rec() const { return *reinterpret_cast<const WEPrintSessionRec*>(deref(s)); }
    std::vector<i32> breaks() const {
      std::vector<i32> out(std::size_t(HandleCount<i32>(rec().hPageBreaks)));
      std::memcpy(out.data(), deref(rec().hPageBreaks), out.size() * sizeof(i32));
      return out;
    }
  };
  // A white 32-bit world of the bounds, disposed of at the end of the test.
  struct World {
    GWorldPtr w = 0;
    explicit World(const Rect& bounds) {
      NewGWorld(&w, 32, &bounds, 0, 0, 0);
      CGrafPtr port;
      GDHandle device;
      GetGWorld(&port, &device);
      SetGWorld(w, 0);
      EraseRect(&bounds);
      SetGWorld(port, device);
    }
    ~World() { DisposeGWorld(w); }
  };

  // Lines "x", "xx", ... of 1 to n letters, one a paragraph, laid out.
  WEReference lines(i32 n) {
    std::string t;
    for (i32 i = 1; i <= n; ++i) t += std::string(std::size_t(i), 'x') + (i < n ? "\r" : "");
    const WEReference we = maketext(t.c_str());
    EXPECT_EQ(WECalText(we), noErr);
    EXPECT_EQ(WEGetHeight(0, 1, we), 13);
    return we;
  }
  static std::vector<i32> linestarts(WEReference we) {
    std::vector<i32> out;
    for (i32 i = 0; i < WECountLines(we); ++i) {
      i32 s = 0, e = 0;
      WEGetLineRange(i, &s, &e, we);
      out.push_back(s);
    }
    return out;
  }
  static OSErr open(WEReference we, Rect page, Session* s, i16 reserved = 0) {
    const WEPrintOptions options{page, reserved};
    return WENewPrintSession(&options, we, &s->s);
  }
  static i32 width(i32 letters) {
    const std::string x(std::size_t(letters), 'x');
    return TextWidth(x.data(), 0, i16(letters));
  }
};

TEST_F(WEPrintingTest, SessionsBreakPagesBetweenLines) {
  const WEReference we = lines(20);
  Session same;
  ASSERT_EQ(open(we, Rect{0, 0, 100, 200}, &same), noErr);
  EXPECT_EQ(WECountPages(same.s), 3);
  EXPECT_EQ(same.breaks(), (std::vector<i32>{0, 7, 14, 20}));
  EXPECT_EQ(same.rec().hLines, nilhandle) << "the destination's width: the record's own lines";
  EXPECT_EQ(WEGetPageHeight(1, same.s), 7 * 13);
  EXPECT_EQ(WEGetPageHeight(9, same.s), 6 * 13) << "pinned to the last page";
  i32 first = 0, end = 0;
  _WEGetPageRange(-4, &first, &end, same.s);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(end, 7);

  // A line taller than the page gets a page of its own.
  const WEReference tall = maketext("a\rbig\rc");
  WETextStyle big = style(0, 0, 120);
  ASSERT_EQ(_WESetStyleRange(2, 5, weDoSize, &big, tall), noErr);
  ASSERT_EQ(WECalText(tall), noErr);
  ASSERT_GT(WEGetHeight(1, 2, tall), 100);
  Session own;
  ASSERT_EQ(open(tall, Rect{0, 0, 100, 200}, &own), noErr);
  EXPECT_EQ(own.breaks(), (std::vector<i32>{0, 1, 2, 3}));

  // Bad options.
  Session bad;
  EXPECT_EQ(open(we, Rect{0, 0, 0, 200}, &bad), paramErr);
  EXPECT_EQ(open(we, Rect{0, 0, 100, 200}, &bad, 100), paramErr);
  EXPECT_EQ(open(we, Rect{0, 0, 100, 200}, &bad, -1), paramErr);
  EXPECT_EQ(bad.s, nilhandle);
  EXPECT_EQ(WENewPrintSession(nullptr, we, &bad.s), paramErr);
}

TEST_F(WEPrintingTest, AnotherWidthLaysOutAsideFromTheRecord) {
  const WEReference we = maketext("one two three four five six seven eight nine ten");
  ASSERT_EQ(WECalText(we), noErr);
  const std::vector<i32> starts = linestarts(we);
  const Handle hlines = rec(we).hLines;
  LongRect dest;
  WEGetDestRect(&dest, we);
  const u32 flags = rec(we).flags;
  // Under a failing allocator every step fails in turn; the record's layout never changes.
  for (std::size_t n = 1;; ++n) {
    failallocationafter(n);
    Session s;
    const OSErr err = open(we, Rect{0, 0, 100, 60}, &s);
    failallocationafter(0);
    EXPECT_EQ(linestarts(we), starts) << n;
    EXPECT_EQ(rec(we).hLines, hlines) << n;
    LongRect after;
    WEGetDestRect(&after, we);
    EXPECT_TRUE(after.top == dest.top && after.bottom == dest.bottom && after.right == dest.right) << n;
    EXPECT_EQ(rec(we).flags, flags) << n;
    if (err == noErr) {
      ASSERT_NE(s.rec().hLines, nilhandle);
      EXPECT_GT(s.rec().nLines, WECountLines(we)) << "narrower: more lines";
      break;
    }
    EXPECT_EQ(err, memFullErr);
    EXPECT_EQ(s.s, nilhandle);
    ASSERT_LT(n, 40u);
  }
}

TEST_F(WEPrintingTest, APageDrawsItsLinesAndLeavesEverythingAsItWas) {
  const WEReference we = lines(20);
  WESetSelection(3, 3, we);
  WEActivate(we);
  const WERec before = rec(we);
  const Rect page{20, 10, 120, 210};
  Session s;
  ASSERT_EQ(open(we, page, &s), noErr);

  World printer(Rect{0, 0, 300, 300});
  const Rect clip{0, 0, 250, 300};
  CGrafPtr port;
  GDHandle device;
  GetGWorld(&port, &device);
  SetGWorld(printer.w, 0);
  ClipRect(&clip);
  SetGWorld(port, device);
  ASSERT_EQ(WEPrintPage(1, printer.w, &page, s.s), noErr);

  // Lines 7 to 13 (8 to 14 letters), the first at the page's top.
  const Pixels p = pixelsof(printer.w);
  const Rect ink = p.ink();
  EXPECT_GE(ink.top, page.top);
  EXPECT_LE(ink.bottom, page.top + 7 * 13);
  EXPECT_GE(ink.left, page.left);
  for (i16 k = 0; k < 7; ++k) {
    const Rect band = p.ink(i16(page.top + 13 * k), i16(page.top + 13 * (k + 1)));
    EXPECT_GT(band.right, page.left + width(8 + k - 1)) << k;
    EXPECT_LE(band.right, page.left + width(8 + k)) << k;
  }

  const WERec& after = rec(we);
  EXPECT_EQ(after.flags, before.flags);
  EXPECT_EQ(after.features, before.features);
  EXPECT_EQ(after.port, before.port);
  EXPECT_EQ(after.hLines, before.hLines);
  EXPECT_EQ(after.nLines, before.nLines);
  EXPECT_EQ(std::memcmp(&after.viewRect, &before.viewRect, sizeof(LongRect)), 0);
  EXPECT_EQ(std::memcmp(&after.destRect, &before.destRect, sizeof(LongRect)), 0);
  RgnHandle now = NewRgn();
  GetPortClipRegion(printer.w, now);
  Rect nowbox;
  GetRegionBounds(now, &nowbox);
  EXPECT_TRUE(nowbox == clip) << "the printer's clip is untouched";
  DisposeRgn(now);

  EXPECT_EQ(WEPrintPage(3, printer.w, nullptr, s.s), paramErr);
  // A session on the record's own lines outlives the lines it counted: refused, not read.
  WESetSelection(30, 1000, we);
  ASSERT_EQ(WEDelete(we), noErr);
  ASSERT_LT(WECountLines(we), 14);
  EXPECT_EQ(WEPrintPage(2, printer.w, nullptr, s.s), paramErr);
  EXPECT_EQ(WEGetPageHeight(2, s.s), 0);
  const Rect shorter{20, 10, 110, 210};
  EXPECT_EQ(WEPrintPage(0, printer.w, &shorter, s.s), paramErr);
}

TEST_F(WEPrintingTest, PrintingIntoAWindowLeavesItsUpdateRegion) {
  const WEReference we = lines(5);
  const Rect bounds{50, 50, 250, 350};
  const WindowRef window = NewCWindow(nullptr, &bounds, reinterpret_cast<const u8*>("\x01P"), true, 0,
                                      kFirstWindowOfClass, false, 0);
  ASSERT_NE(window, nilid);
  const Rect page{0, 0, 100, 200};
  const Rect all{0, 0, 200, 300};
  InvalWindowRect(window, &all);
  RgnHandle pending = NewRgn(), after = NewRgn();
  GetWindowRegion(window, kWindowUpdateRgn, pending);
  Session s;
  ASSERT_EQ(open(we, page, &s), noErr);
  ASSERT_EQ(WEPrintPage(0, GetWindowPort(window), nullptr, s.s), noErr);
  GetWindowRegion(window, kWindowUpdateRgn, after);
  EXPECT_TRUE(EqualRgn(pending, after));
  EXPECT_FALSE(EmptyRgn(after));
  DisposeRgn(pending);
  DisposeRgn(after);
  DisposeWindow(window);
}

TEST_F(WEPrintingTest, MarginsAndPageRectangles) {
  const PMRect paper{0, 0, 792, 612}, page{18, 18, 774, 594};
  struct Row {
    WEMargins in, out;  // in points
  };
  const Row rows[] = {
      {{0, 0, 0, 0}, {18, 18, 18, 18}},
      {{36, 36, 400, 20}, {36, 36, 288, 20}},
      {{500, 400, 18, 18}, {378, 378, 18, 18}},
  };
  for (const Row& row : rows) {
    WEMargins m{row.in.top << 16, row.in.bottom << 16, row.in.left << 16, row.in.right << 16};
    ValidateMargins(&paper, &page, &m);
    EXPECT_EQ(m.top, row.out.top << 16);
    EXPECT_EQ(m.bottom, row.out.bottom << 16);
    EXPECT_EQ(m.left, row.out.left << 16);
    EXPECT_EQ(m.right, row.out.right << 16);
  }
  const WEMargins inch{72 << 16, 72 << 16, 72 << 16, 72 << 16};
  Rect r{};
  CalculatePageRect(&paper, &inch, &r);
  EXPECT_TRUE(r == (Rect{72, 72, 720, 540}));
  const WEMargins halves{0x8000, 0x7FFF, (10 << 16) + 0x8000, 0};  // rounded to whole points
  CalculatePageRect(&paper, &halves, &r);
  EXPECT_TRUE(r == (Rect{1, 11, 792, 612}));
}

class WEPrintJobTest : public WEPrintingTest {
 protected:
  void SetUp() override {
    WEPrintingTest::SetUp();
    ASSERT_EQ(PMCreateSession(&job_.session), noErr);
    ASSERT_EQ(PMCreatePageFormat(&job_.format), noErr);
    ASSERT_EQ(PMCreatePrintSettings(&job_.settings), noErr);
    // A page of 100 x 200 points, the record's width, within 18 points of unprintable paper.
    const PMRect paper{0, 0, 136, 236}, page{18, 18, 118, 218};
    ASSERT_EQ(pmsetpaper(job_.format, &paper, &page), noErr);
    job_.record = lines(20);
  }
  void TearDown() override {
    PMRelease(job_.session);
    PMRelease(job_.format);
    PMRelease(job_.settings);
    WEPrintingTest::TearDown();
  }
  void range(u32 first, u32 last) {
    PMSetFirstPage(job_.settings, first, false);
    PMSetLastPage(job_.settings, last, false);
  }
  const std::vector<PMKeptPage>& kept() const { return *pmkeptpages(job_.session); }
  // Page `page` of the record drawn by itself.
  Pixels drawn(i32 page) {
    const Rect r{18, 18, 118, 218};
    Session s;
    EXPECT_EQ(open(job_.record, r, &s), noErr);
    World w(r);
    EXPECT_EQ(WEPrintPage(page, w.w, nullptr, s.s), noErr);
    return pixelsof(w.w);
  }
  static inline std::vector<i16> flagduringjob;
  WEPrintJob job_{};
};

TEST_F(WEPrintJobTest, PrintsTheSettingsRangeOfPages) {
  range(2, 99);
  flagduringjob.clear();
  pmwatchpages(job_.session, [](PMPrintSession, i32) { flagduringjob.push_back(mainglobals().printingafield); });
  EXPECT_EQ(DoPrint(&job_), noErr);
  ASSERT_EQ(kept().size(), 2u);
  EXPECT_TRUE(kept()[0].bounds == (Rect{18, 18, 118, 218}));
  EXPECT_EQ(kept()[0].pixels, drawn(1).p);
  EXPECT_EQ(kept()[1].pixels, drawn(2).p);
  EXPECT_NE(kept()[0].pixels, kept()[1].pixels);
  EXPECT_EQ(flagduringjob, (std::vector<i16>{1, 1}));
  EXPECT_EQ(mainglobals().printingafield, 0);

  range(5, 99);
  EXPECT_EQ(DoPrint(&job_), noErr);
  EXPECT_EQ(kept().size(), 2u) << "nothing more";
}

TEST_F(WEPrintJobTest, CancelAndFailureEndTheLoop) {
  // A command-period typed while the first page prints.
  pmwatchpages(job_.session, [](PMPrintSession, i32) {
    EventRecord e{};
    e.what = keyDown;
    e.message = '.';
    e.modifiers = cmdKey;
    PostEventRecord(e);
  });
  EXPECT_EQ(DoPrint(&job_), noErr);
  EXPECT_EQ(kept().size(), 1u);
  EXPECT_FALSE(EventAvail(keyDownMask, nullptr)) << "the cancel is taken out of the queue";

  pmwatchpages(job_.session, nullptr);
  pmfailbeginpage(job_.session, 2, -30879);
  EXPECT_EQ(DoPrint(&job_), -30879) << "the failure is answered";
  EXPECT_EQ(kept().size(), 2u) << "one page more, then the failure";
  EXPECT_EQ(mainglobals().printingafield, 0);
}

}  // namespace
}  // namespace kv
