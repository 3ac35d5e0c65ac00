// Window ports: each window draws into a port of the drawing layer that follows it; the
// compositor shows the ports' pixels on the screen; updates limit drawing to what needs it;
// the mouse is read in port coordinates; the headless dump folder gets a PNG of each window.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "platform/backend/headless.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/process/exit.h"
#include "platform/qd/qd.h"
#include "platform/testing/commandline.h"
#include "platform/testing/driver.h"
#include "platform/testing/temphome.h"
#include "platform/testing/windowdump.h"
#include "platform/windows/compositor.h"
#include "platform/windows/windows.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

constexpr u32 kWhite = 0xFFFFFF;
constexpr u32 kRed = 0xFF0000;
constexpr RGBColor kRedRGB{0xFFFF, 0, 0};

class WindowPortTest : public RuntimeTest {
 protected:
  void TearDown() override {
    for (WindowRef w : windowlist()) DisposeWindow(w);
    RuntimeTest::TearDown();
  }
  // A shown document window with the given content rectangle, its port current.
  static WindowRef make(Rect content, bool show = true) {
    WindowRef w = nilid;
    EXPECT_EQ(CreateNewWindow(kDocumentWindowClass, kWindowStandardDocumentAttributes, &content, &w), noErr);
    if (show) ShowWindow(w);
    SetPortWindowPort(w);
    return w;
  }
  static void paint(const Rect& r, const RGBColor& c) {
    RGBForeColor(&c);
    PaintRect(&r);
    ForeColor(blackColor);
  }
  static Rect portbounds(WindowRef w) {
    Rect r{0, 0, 0, 0};
    GetWindowPortBounds(w, &r);
    return r;
  }
  static Rect visible(WindowRef w) {
    RgnHandle r = NewRgn();
    GetPortVisibleRegion(GetWindowPort(w), r);
    Rect b = regionbounds(r);
    DisposeRgn(r);
    return b;
  }
  // The colours of a device colour table.
  static std::set<u32> tablecolours(CTabHandle t) {
    std::set<u32> out;
    for (i32 i = 0; i < ctablecount(t); ++i) {
      RGBColor c{};
      ctableentry(t, i, &c);
      out.insert((u32(c.red >> 8) << 16) | (u32(c.green >> 8) << 8) | u32(c.blue >> 8));
    }
    return out;
  }
  static void usescreen(i16 depth, std::vector<RGBColor> table = {}) {
    ScreenInfo s;
    s.depth = depth;
    s.colortable = std::move(table);
    setbackend(std::make_unique<HeadlessBackend>(std::vector<ScreenInfo>{s}));
  }
};

// Drawing into a window's port is read back alone through the test driver and on the
// composited screen, also where another window covers it on the screen.
TEST_F(WindowPortTest, DrawingInAWindowsPortShowsInItsPixelsAndOnTheScreen) {
  WindowRef w = make(Rect{100, 100, 200, 300});
  CGrafPtr port = GetWindowPort(w);
  ASSERT_TRUE(IsValidPort(port));
  CGrafPtr current = 0;
  GetPort(&current);
  EXPECT_EQ(current, port);
  EXPECT_EQ(GetWindowFromPort(port), w);
  EXPECT_EQ(GetWindowFromPort(0), nilid);
  EXPECT_EQ(portbounds(w), (Rect{0, 0, 100, 200}));
  EXPECT_EQ(portdepth(port), 32) << "the main screen's depth";
  Point p{10, 20};
  LocalToGlobal(&p);
  EXPECT_EQ(p, (Point{110, 120})) << "the port's (0, 0) is the content's top-left";

  paint(Rect{10, 20, 30, 60}, kRedRGB);
  Frame alone = drive::windowpixels(w);
  ASSERT_EQ(alone.width, 200);
  ASSERT_EQ(alone.height, 100);
  EXPECT_EQ(drive::pixelat(alone, 20, 10), kRed);
  EXPECT_EQ(drive::pixelat(alone, 59, 29), kRed);
  EXPECT_EQ(drive::pixelat(alone, 60, 29), kWhite);
  EXPECT_EQ(drive::pixelat(alone, 19, 10), kWhite);
  EXPECT_EQ(drive::screenpixel(Point{110, 120}), kRed);
  EXPECT_EQ(drive::screenpixel(Point{129, 159}), kRed);
  EXPECT_EQ(drive::screenpixel(Point{130, 159}), kWhite);

  // Another window in front hides the drawing on the screen but not in the port.
  WindowRef front = make(Rect{105, 110, 160, 400});
  EXPECT_EQ(drive::screenpixel(Point{115, 130}), kWhite);
  EXPECT_EQ(drive::pixelat(drive::windowpixels(w), 30, 15), kRed);
  HideWindow(front);
  EXPECT_EQ(drive::screenpixel(Point{115, 130}), kRed);
}

// The port moves and sizes with the window and goes with it.
TEST_F(WindowPortTest, ThePortFollowsTheWindow) {
  WindowRef w = make(Rect{100, 100, 200, 300});
  CGrafPtr port = GetWindowPort(w);
  paint(Rect{0, 0, 10, 10}, kRedRGB);
  paint(Rect{90, 190, 100, 200}, kRedRGB);

  MoveWindow(w, 400, 300, false);
  EXPECT_EQ(GetWindowPort(w), port);
  Point p{0, 0};
  LocalToGlobal(&p);
  EXPECT_EQ(p, (Point{300, 400}));
  EXPECT_EQ(drive::screenpixel(Point{305, 405}), kRed);
  EXPECT_EQ(drive::screenpixel(Point{105, 105}), drive::screenpixel(Point{600, 900})) << "the desktop where it was";

  SizeWindow(w, 300, 150, true);
  EXPECT_EQ(GetWindowPort(w), port) << "the same port, with new pixels";
  EXPECT_EQ(portbounds(w), (Rect{0, 0, 150, 300}));
  EXPECT_EQ(visible(w), (Rect{0, 0, 150, 300}));
  Frame grown = drive::windowpixels(w);
  ASSERT_EQ(grown.width, 300);
  EXPECT_EQ(drive::pixelat(grown, 5, 5), kRed) << "what fits stays";
  EXPECT_EQ(drive::pixelat(grown, 195, 95), kRed);
  EXPECT_EQ(drive::pixelat(grown, 250, 120), kWhite) << "the new part is white";
  paint(Rect{140, 290, 150, 300}, kRedRGB);
  EXPECT_EQ(drive::screenpixel(Point{445, 695}), kRed) << "the new part is drawn and shown";

  SizeWindow(w, 50, 40, false);
  Frame shrunk = drive::windowpixels(w);
  ASSERT_EQ(shrunk.width, 50);
  ASSERT_EQ(shrunk.height, 40);
  EXPECT_EQ(drive::pixelat(shrunk, 5, 5), kRed);

  // A port whose origin was moved keeps it through a resize.
  SetOrigin(20, 10);
  SizeWindow(w, 60, 50, false);
  EXPECT_EQ(portbounds(w), (Rect{10, 20, 60, 80}));
  p = Point{10, 20};
  LocalToGlobal(&p);
  EXPECT_EQ(p, (Point{300, 400}));

  DisposeWindow(w);
  EXPECT_FALSE(IsValidPort(port));
  CGrafPtr current = 1;
  GetPort(&current);
  EXPECT_EQ(current, 0u) << "a disposed window's port does not stay current";
  EXPECT_EQ(GetWindowFromPort(port), nilid);
}

// Between BeginUpdate and EndUpdate the port's visible region is the update region, so
// drawing reaches only the part to update.
TEST_F(WindowPortTest, AnUpdateLimitsDrawingToTheUpdateRegion) {
  WindowRef w = make(Rect{100, 100, 200, 300});
  EventRecord e{};
  while (WaitNextEvent(updateMask, &e, 0)) {
    BeginUpdate(WindowRef(e.message));
    EndUpdate(WindowRef(e.message));
  }
  Rect part{10, 20, 30, 50};
  InvalWindowRect(w, &part);
  ASSERT_TRUE(WaitNextEvent(updateMask, &e, 0));
  ASSERT_EQ(WindowRef(e.message), w);
  BeginUpdate(w);
  EXPECT_EQ(visible(w), part);
  Rect all{0, 0, 100, 200};
  paint(all, kRedRGB);
  Frame f = drive::windowpixels(w);
  EXPECT_EQ(drive::pixelat(f, 20, 10), kRed);
  EXPECT_EQ(drive::pixelat(f, 49, 29), kRed);
  EXPECT_EQ(drive::pixelat(f, 50, 29), kWhite) << "outside the update region nothing is drawn";
  EXPECT_EQ(drive::pixelat(f, 5, 5), kWhite);
  EndUpdate(w);
  EXPECT_EQ(visible(w), all);
  paint(all, kRedRGB);
  EXPECT_EQ(drive::pixelat(drive::windowpixels(w), 5, 5), kRed) << "after the update the whole port draws";

  // The update region is kept globally; the visible region is in port coordinates, also
  // with the window moved and the origin changed.
  MoveWindow(w, 500, 400, false);
  SetOrigin(100, 50);
  part = Rect{60, 120, 80, 150};
  InvalWindowRect(w, &part);
  EXPECT_EQ(GetWindowBounds(w, kWindowUpdateRgn, &all), noErr);
  EXPECT_EQ(all, (Rect{410, 520, 430, 550})) << "the update region is global";
  BeginUpdate(w);
  EXPECT_EQ(visible(w), (Rect{60, 120, 80, 150}));
  BeginUpdate(w);
  EndUpdate(w);
  EXPECT_EQ(visible(w), (Rect{50, 100, 150, 300})) << "a nested update gives back the first visible region";

  // Sizing the window during an update keeps drawing limited to the update.
  InvalWindowRect(w, &part);
  BeginUpdate(w);
  SizeWindow(w, 400, 300, false);
  EXPECT_EQ(visible(w), (Rect{60, 120, 80, 150}));
  EndUpdate(w);
  EXPECT_EQ(visible(w), (Rect{50, 100, 350, 500}));
}

// GetMouse answers in the current port's local coordinates.
TEST_F(WindowPortTest, GetMouseAnswersInTheCurrentPortsCoordinates) {
  WindowRef a = make(Rect{100, 100, 200, 300});
  WindowRef b = make(Rect{300, 50, 400, 250});
  drive::moveTo(Point{150, 130});
  drive::advance(1);
  Point p{0, 0};
  GetGlobalMouse(&p);
  ASSERT_EQ(p, (Point{150, 130}));
  SetPortWindowPort(a);
  GetMouse(&p);
  EXPECT_EQ(p, (Point{50, 30}));
  SetPortWindowPort(b);
  GetMouse(&p);
  EXPECT_EQ(p, (Point{-150, 80}));
  SetOrigin(10, 20);
  GetMouse(&p);
  EXPECT_EQ(p, (Point{-130, 90}));
  MoveWindow(b, 0, 100, false);
  GetMouse(&p);
  EXPECT_EQ(p, (Point{70, 140}));
}

// Drawing into a window's port is presented by the next wait; a wait with nothing new
// presents nothing.
TEST_F(WindowPortTest, DrawingIsPresentedByTheNextWait) {
  HeadlessBackend* h = headlessbackend();
  make(Rect{100, 100, 200, 300});
  EventRecord e{};
  WaitNextEvent(everyEvent, &e, 1);
  u32 presents = h->presentcount();
  WaitNextEvent(everyEvent, &e, 1);
  EXPECT_EQ(h->presentcount(), presents);
  paint(Rect{0, 0, 10, 10}, kRedRGB);
  WaitNextEvent(everyEvent, &e, 1);
  EXPECT_EQ(h->presentcount(), presents + 1);
  EXPECT_EQ(h->lastframe().pixels[105 * 1024 + 105], kRed);
  WaitNextEvent(everyEvent, &e, 1);
  EXPECT_EQ(h->presentcount(), presents + 1);
}

// The title is drawn in the frame with the fonts: black while the window is active.
TEST_F(WindowPortTest, TheTitleIsDrawnInTheFrame) {
  WindowRef w = make(Rect{100, 100, 200, 400});
  Rect text;
  ASSERT_EQ(GetWindowBounds(w, kWindowTitleTextRgn, &text), noErr);
  auto ink = [&](u32 colour) {
    Frame f = drive::windowpixels(w, true);
    Rect s;
    GetWindowBounds(w, kWindowStructureRgn, &s);
    int n = 0;
    for (i16 v = text.top; v < text.bottom; ++v)
      for (i16 h = text.left; h < text.right; ++h) n += drive::pixelat(f, i16(h - s.left), i16(v - s.top)) == colour;
    return n;
  };
  EXPECT_EQ(ink(0x000000), 0);
  const u8 title[] = "\x05Notes";
  SetWTitle(w, title);
  const int black = ink(0x000000);
  EXPECT_GT(black, 0);
  // The screen shows the same title.
  const Frame& screen = drive::screen();
  int onscreen = 0;
  for (i16 v = text.top; v < text.bottom; ++v)
    for (i16 h = text.left; h < text.right; ++h) onscreen += drive::pixelat(screen, h, v) == 0x000000;
  EXPECT_EQ(onscreen, black);
  // Inactive, the title is grey.
  WindowRef other = make(Rect{500, 500, 600, 600});
  ASSERT_FALSE(IsWindowHilited(w));
  EXPECT_EQ(ink(0x000000), 0);
  EXPECT_EQ(ink(0x888888), black);
  DisposeWindow(other);
}

// A half-transparent window mixes its port's pixels with what is behind.
TEST_F(WindowPortTest, AWindowsOpacityBlendsItsContent) {
  WindowRef w = make(Rect{100, 100, 200, 300});
  const u32 desktop = drive::screenpixel(Point{600, 900});
  paint(Rect{0, 0, 100, 200}, RGBColor{0, 0, 0});
  SetWindowAlpha(w, 0.5f);
  const u32 shown = drive::screenpixel(Point{150, 150});
  for (int shift = 0; shift <= 16; shift += 8) {
    const int want = int((desktop >> shift) & 0xFF) / 2;
    EXPECT_NEAR(int((shown >> shift) & 0xFF), want, 1) << shift;
  }
}

// On an 8-bit screen window ports are 8-bit with the device's table; the screen shows only
// the table's colours, window contents included.
TEST_F(WindowPortTest, AnIndexedScreenIsShownThroughItsColourTable) {
  usescreen(8);
  WindowRef w = make(Rect{100, 100, 200, 300});
  CGrafPtr port = GetWindowPort(w);
  ASSERT_EQ(portdepth(port), 8);
  const std::set<u32> table = tablecolours(devicetable(GetMainDevice()));
  ASSERT_EQ(table.size(), 256u);
  paint(Rect{0, 0, 10, 10}, kRedRGB);
  paint(Rect{10, 0, 20, 10}, RGBColor{0x1234, 0x5678, 0x9ABC});
  const u8* pixels = GetPixBaseAddr(GetPortPixMap(port));
  const i32 rb = GetPixRowBytes(GetPortPixMap(port));
  RGBColor matched{};
  Index2Color(pixels[std::size_t(15 * rb)], &matched);
  const u32 expect = (u32(matched.red >> 8) << 16) | (u32(matched.green >> 8) << 8) | u32(matched.blue >> 8);
  EXPECT_EQ(drive::screenpixel(Point{105, 105}), kRed);
  EXPECT_EQ(drive::screenpixel(Point{115, 105}), expect) << "the port's index shows as its table colour";
  EXPECT_EQ(drive::pixelat(drive::windowpixels(w), 5, 15), expect);
  const Frame& f = drive::screen();
  for (std::size_t i = 0; i < f.pixels.size(); i += 97) ASSERT_TRUE(table.count(f.pixels[i])) << i;
}

// A screen with a table of its own shows everything in that table; a 1-bit screen in black and
// white.
TEST_F(WindowPortTest, ScreensOfOwnTablesAndOneBitShowOnlyTheirColours) {
  std::vector<RGBColor> greys;
  for (int i = 0; i < 256; ++i) {
    const u16 v = u16((255 - (i / 32) * 36) * 257);  // eight greys, each eight times
    greys.push_back(RGBColor{v, v, v});
  }
  greys.back() = RGBColor{0, 0, 0};
  usescreen(8, greys);
  make(Rect{100, 100, 200, 300});
  paint(Rect{0, 0, 10, 10}, kRedRGB);
  const std::set<u32> table = tablecolours(devicetable(GetMainDevice()));
  const Frame& f = drive::screen();
  for (std::size_t i = 0; i < f.pixels.size(); i += 89) ASSERT_TRUE(table.count(f.pixels[i])) << i;
  EXPECT_TRUE(table.count(drive::screenpixel(Point{105, 105})));
  EXPECT_NE(drive::screenpixel(Point{105, 105}), kWhite);

  for (WindowRef w : windowlist()) DisposeWindow(w);
  usescreen(1);
  WindowRef w = make(Rect{100, 100, 200, 300});
  EXPECT_EQ(portdepth(GetWindowPort(w)), 1);
  paint(Rect{0, 0, 10, 10}, RGBColor{0, 0, 0});
  const Frame& mono = drive::screen();
  for (std::size_t i = 0; i < mono.pixels.size(); i += 83)
    ASSERT_TRUE(mono.pixels[i] == 0 || mono.pixels[i] == kWhite) << i;
  EXPECT_EQ(drive::screenpixel(Point{105, 105}), 0u);
  EXPECT_EQ(drive::screenpixel(Point{115, 115}), kWhite);
}

// A screen wider than one pixel map can describe is composed in strips, windows across the
// seam included.
TEST_F(WindowPortTest, AWideScreenIsComposedInStrips) {
  for (i16 depth : {i16(32), i16(8)}) {
    ScreenInfo s;
    s.bounds = Rect{0, 0, 300, 5000};
    s.depth = depth;
    setbackend(std::make_unique<HeadlessBackend>(std::vector<ScreenInfo>{s}));
    WindowRef w = make(Rect{100, 4000, 200, 4200});
    paint(Rect{0, 0, 100, 200}, kRedRGB);
    const Frame& f = drive::screen();
    ASSERT_EQ(f.width, 5000);
    EXPECT_EQ(drive::pixelat(f, 4001, 150), kRed) << depth;
    EXPECT_EQ(drive::pixelat(f, 4100, 150), kRed) << depth;
    EXPECT_EQ(drive::pixelat(f, 4199, 199), kRed) << depth;
    EXPECT_EQ(drive::pixelat(f, 4202, 150), drive::pixelat(f, 4800, 250)) << "the desktop beyond its frame";
    EXPECT_EQ(drive::pixelat(f, 4500, 5), kWhite) << "the menu bar runs across";
    DisposeWindow(w);
  }
}

// A window whose port cannot be made is not made.
TEST_F(WindowPortTest, AWindowWithoutAPortIsNotCreated) {
  Rect wide{0, 0, 100, 5000};
  WindowRef w = nilid;
  EXPECT_EQ(CreateNewWindow(kDocumentWindowClass, 0, &wide, &w), OSStatus(newRowBytesTooBigErr));
  EXPECT_EQ(w, nilid);
  EXPECT_EQ(windowcount(), 0u);
  // Every allocation the port needs may fail; the window is then not made and nothing leaks.
  GetMainDevice();
  Rect r{100, 100, 200, 300};
  OSStatus err = memFullErr;
  for (std::size_t n = 1; n < 20 && err != noErr; ++n) {
    failallocationafter(n);
    err = CreateNewWindow(kDocumentWindowClass, 0, &r, &w);
    failallocationafter(0);
    if (err == noErr) break;
    EXPECT_EQ(err, memFullErr) << n;
    EXPECT_EQ(windowcount(), 0u) << n;
  }
  ASSERT_EQ(err, noErr);
  DisposeWindow(w);
  // An empty window has a port without pixels that draws nowhere.
  Rect empty{100, 100, 100, 100};
  ASSERT_EQ(CreateNewWindow(kDocumentWindowClass, 0, &empty, &w), noErr);
  SetPortWindowPort(w);
  paint(Rect{0, 0, 10, 10}, kRedRGB);
  SizeWindow(w, 20, 10, false);
  EXPECT_EQ(drive::pixelat(drive::windowpixels(w), 5, 5), kWhite);
  paint(Rect{0, 0, 10, 10}, kRedRGB);
  EXPECT_EQ(drive::pixelat(drive::windowpixels(w), 5, 5), kRed) << "grown, the port draws";
}

// PNG files of the windows: the signature and the size in the header.
struct PngHeader {
  bool signature = false;
  u32 width = 0, height = 0;
};
PngHeader readpng(const std::string& path) {
  PngHeader h;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return h;
  u8 b[24] = {};
  const std::size_t n = std::fread(b, 1, sizeof b, f);
  std::fclose(f);
  if (n < sizeof b) return h;
  const u8 sig[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  h.signature = std::equal(sig, sig + 8, b) && std::equal(b + 12, b + 16, "IHDR");
  h.width = (u32(b[16]) << 24) | (u32(b[17]) << 16) | (u32(b[18]) << 8) | b[19];
  h.height = (u32(b[20]) << 24) | (u32(b[21]) << 16) | (u32(b[22]) << 8) | b[23];
  return h;
}

// Drawing into a window composes only what it drew: the backend is handed that rectangle, and
// the frame is what composing the whole screen gives, windows in front included.
TEST_F(WindowPortTest, DrawingComposesOnlyWhatItChanged) {
  HeadlessBackend* h = headlessbackend();
  ASSERT_NE(h, nullptr);
  WindowRef back = make(Rect{100, 100, 300, 400});
  WindowRef front = make(Rect{150, 300, 350, 600});
  presentscreen();
  const u32 composes = compositorcomposes(), partials = compositorpartials(), presents = h->presentcount();

  SetPortWindowPort(back);
  paint(Rect{10, 20, 30, 60}, kRedRGB);  // all of it shows
  presentscreen();
  EXPECT_EQ(compositorcomposes(), composes) << "the screen was not composed whole";
  EXPECT_EQ(compositorpartials(), partials + 1);
  EXPECT_EQ(h->presentcount(), presents + 1);
  ASSERT_EQ(h->lastchanged().size(), 1u);
  EXPECT_EQ(h->lastchanged()[0], (Rect{110, 120, 130, 160}));
  EXPECT_EQ(h->lastframe().pixels[std::size_t(115) * 1024 + 130], kRed);

  // Under the front window the drawing changes nothing that shows.
  paint(Rect{60, 180, 120, 300}, kRedRGB);
  presentscreen();
  std::vector<u32> partial = h->lastframe().pixels;
  EXPECT_NE(partial[std::size_t(200) * 1024 + 350], kRed) << "the front window covers it";
  EXPECT_EQ(partial[std::size_t(200) * 1024 + 290], kRed) << "beside the front window it shows";
  EXPECT_EQ(partial, composescreen().pixels) << "the same pixels as the whole screen composed";

  // A change of a window's frame composes the whole screen again.
  SelectWindow(back);
  presentscreen();
  EXPECT_GT(compositorcomposes(), composes);
  DisposeWindow(front);
}

// Composed on request: presenting composes and presents nothing, while asking for the screen
// composes what every change since made.
TEST_F(WindowPortTest, OnRequestTheScreenIsComposedOnlyWhenAsked) {
  HeadlessBackend* h = headlessbackend();
  ASSERT_NE(h, nullptr);
  WindowRef w = make(Rect{100, 100, 300, 400});
  presentscreen();
  composeonrequest(true);
  const u32 composes = compositorcomposes(), partials = compositorpartials(), presents = h->presentcount();
  SetPortWindowPort(w);
  paint(Rect{10, 20, 30, 60}, kRedRGB);
  WindowRef other = make(Rect{150, 500, 250, 700});
  presentscreen();
  EXPECT_EQ(compositorcomposes(), composes);
  EXPECT_EQ(compositorpartials(), partials);
  EXPECT_EQ(h->presentcount(), presents);
  const Frame& f = composescreen();
  EXPECT_EQ(f.pixels[std::size_t(115) * 1024 + 130], kRed);
  EXPECT_EQ(f.pixels[std::size_t(200) * 1024 + 600], composewindow(other, false).pixels[std::size_t(50) * 200 + 100])
      << "the window made since shows";
  composeonrequest(false);
  paint(Rect{40, 20, 50, 60}, kRedRGB);
  presentscreen();
  EXPECT_EQ(h->presentcount(), presents + 2) << "presented again once turned off";
  DisposeWindow(other);
}

// --dump-dir: a PNG of each window, front window first, when the run ends.
TEST_F(WindowPortTest, TheDumpFolderGetsAPngOfEachWindow) {
  TemporaryHome home;
  const std::string folder = home.path() + "/dump";
  const char* argv[] = {"kestrove", "--dump-dir", folder.c_str(), "--dump-dir"};
  PlatformOptions o;
  std::string err;
  EXPECT_EQ(takeplatformoption(4, const_cast<char**>(argv), 1, &o, &err), 2);
  EXPECT_EQ(o.dumpdir, folder);
  EXPECT_EQ(takeplatformoption(4, const_cast<char**>(argv), 3, &o, &err), -1);
  o.headless = true;
  ASSERT_TRUE(startplatform(o, &err)) << err;

  make(Rect{100, 100, 200, 300});
  make(Rect{300, 300, 350, 340}, false);
  make(Rect{400, 400, 400, 400});  // empty: no image
  EXPECT_EQ(finishplatform(0), 0);
  PngHeader front = readpng(folder + "/window-1.png");
  PngHeader hidden = readpng(folder + "/window-2.png");
  PngHeader back = readpng(folder + "/window-3.png");
  EXPECT_FALSE(front.signature) << "the empty window is in front and has no image";
  ASSERT_TRUE(hidden.signature);
  EXPECT_EQ(hidden.width, 40u);
  EXPECT_EQ(hidden.height, 50u);
  ASSERT_TRUE(back.signature);
  EXPECT_EQ(back.width, 200u);
  EXPECT_EQ(back.height, 100u);

  // The PNG holds the port's pixels, as the drawing layer's writer makes them.
  std::vector<u8> expect;
  SetPortWindowPort(windowlist().back());
  paint(Rect{0, 0, 50, 100}, kRedRGB);
  ASSERT_TRUE(dumpwindows(folder, &err)) << err;
  PixMap pm = pixmaprecord(GetPortPixMap(GetWindowPort(windowlist().back())));
  ASSERT_TRUE(encodepng(reinterpret_cast<const BitMap*>(&pm), &expect));
  std::FILE* f = std::fopen((folder + "/window-3.png").c_str(), "rb");
  ASSERT_NE(f, nullptr);
  std::vector<u8> got(expect.size() + 16);
  got.resize(std::fread(got.data(), 1, got.size(), f));
  std::fclose(f);
  EXPECT_EQ(got, expect);

  // And the screen as composed: the desktop with the windows' frames and pixels.
  PngHeader screen = readpng(folder + "/screen.png");
  ASSERT_TRUE(screen.signature);
  EXPECT_EQ(screen.width, 1024u);
  EXPECT_EQ(screen.height, 768u);
  const Frame& composed = composescreen();
  ASSERT_TRUE(encodexrgbpng(composed.width, composed.height, composed.pixels.data(), &expect));
  f = std::fopen((folder + "/screen.png").c_str(), "rb");
  ASSERT_NE(f, nullptr);
  got.assign(expect.size() + 16, 0);
  got.resize(std::fread(got.data(), 1, got.size(), f));
  std::fclose(f);
  EXPECT_EQ(got, expect) << "the red the window's port shows is in the screen's picture too";

  EXPECT_FALSE(dumpwindows(home.path() + "/missing", &err));
  EXPECT_NE(err.find("missing/window-2.png"), std::string::npos) << err;
  std::FILE* plain = std::fopen((home.path() + "/plain").c_str(), "wb");
  ASSERT_NE(plain, nullptr);
  std::fclose(plain);
  o.dumpdir = home.path() + "/plain";
  EXPECT_FALSE(startplatform(o, &err));
  EXPECT_NE(err.find("not a folder"), std::string::npos) << err;
}

}  // namespace
}  // namespace kv
