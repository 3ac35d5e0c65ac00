// The select and lasso tools, paint text, the ants and cursors, and the paint clipboard, as a
// user's script drives them on a colour bitmap over (20, 20, 100, 120) of an otherwise empty
// card: points are (h, v), rectangles (top, left, bottom, right).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/events/eventrecord.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/qd/qdtext.h"
#include "platform/qd/shapes.h"
#include "platform/scrap/scrap.h"
#include "platform/windows/cursor.h"
#include "tests/tools/painttest.h"
#include "tools/paint.h"
#include "tools/paintpixels.h"
#include "tools/paintsession.h"

namespace kv {
namespace {

// The bitmap's image with a black square of `side` at (h, v), and a white hole of 2 at its
// centre when asked.
std::vector<u8> square(i32 h, i32 v, i32 side = 10, bool hole = false) {
  std::vector<u8> b(8000, 0);
  for (i32 y = v; y < v + side; ++y)
    for (i32 x = h; x < h + side; ++x) b[size_t((y - 20) * 100 + x - 20)] = 255;
  if (hole) {
    const i32 c = side / 2 - 1;
    for (i32 y = v + c; y < v + c + 2; ++y)
      for (i32 x = h + c; x < h + c + 2; ++x) b[size_t((y - 20) * 100 + x - 20)] = 0;
  }
  return b;
}

class PaintSelectTest : public PaintTest {
 protected:
  void with(std::vector<u8> image) { start({testproject::bitmap(Rect{20, 20, 100, 120}, true, std::move(image))}); }
  PaintSession& session() { return paintsession(); }
  // A pixel of the painted image, or of a session handle, at window coordinates.
  u8 px(i32 h, i32 v) { return byteat(0, 100, h - 20, v - 20); }
  static u8 in(Handle image, i32 h, i32 v) { return pixels8(image).at(h, v); }
  // Every pixel of a rectangle of the image is `want`.
  bool all(const Rect& r, u8 want) {
    for (i32 v = r.top; v < r.bottom; ++v)
      for (i32 h = r.left; h < r.right; ++h)
        if (px(h, v) != want) return false;
    return true;
  }
  // A lasso loop through the points with the user's mouse (card coordinates).
  void lasso(const std::vector<Point>& hv, u16 modifiers = 0) {
    drive::moveTo(at(hv[0].h, hv[0].v));
    drive::advance(3);
    drive::mouseDown(at(hv[0].h, hv[0].v), modifiers);
    for (size_t i = 1; i < hv.size(); ++i) {
      drive::advance(2);
      drive::moveTo(at(hv[i].h, hv[i].v));
    }
    drive::advance(3);
    drive::mouseUp();
    settle();
  }
  static Point hv(i16 h, i16 v) { return Point{v, h}; }
  // Lets the clock run.
  static void wait(u32 ticks) {
    u32 now = 0;
    Delay(ticks, &now);
  }
  std::vector<Point> around(i16 left, i16 top, i16 right, i16 bottom) {
    return {hv(left, top), hv(right, top), hv(right, bottom), hv(left, bottom)};
  }
  // The clipboard's picture.
  std::vector<u8> clipboardpicture() {
    ScrapRef scrap = 0;
    GetCurrentScrap(&scrap);
    Size size = 0;
    if (GetScrapFlavorSize(scrap, fourcc("PICT"), &size) != noErr) return {};
    std::vector<u8> b(static_cast<size_t>(size));
    GetScrapFlavorData(scrap, fourcc("PICT"), &size, b.data());
    return b;
  }
  void putclipboard(const std::vector<u8>& pict) {
    ClearCurrentScrap();
    ScrapRef scrap = 0;
    GetCurrentScrap(&scrap);
    PutScrapFlavor(scrap, fourcc("PICT"), 0, Size(pict.size()), pict.data());
  }
};

TEST_F(PaintSelectTest, AMarqueeSelectsAndADragStopsAtTheEdge) {
  with(square(35, 35));
  ASSERT_EQ(doline("choose select tool\ndrag from 30,30 to 60,50"), 0);
  const Rect want{30, 30, 50, 60};
  ASSERT_TRUE(session().selectionactive);
  EXPECT_TRUE(EqualRect(&session().selection, &want));
  ASSERT_EQ(doline("drag from 40,40 to 200,40"), 0);
  const Rect moved{30, 90, 50, 120};
  EXPECT_TRUE(EqualRect(&session().selection, &moved)) << "pushed back inside, its size kept";
  EXPECT_TRUE(all(Rect{35, 35, 45, 45}, 0)) << "its first place is white";
  EXPECT_TRUE(all(Rect{35, 95, 45, 105}, 0)) << "the pixels float until committed";
  ASSERT_EQ(doline("click at 25,90"), 0);
  EXPECT_FALSE(session().selectionactive);
  EXPECT_TRUE(all(Rect{35, 95, 45, 105}, 255)) << "committed at the new place";
  EXPECT_TRUE(all(Rect{35, 35, 45, 45}, 0));
}

TEST_F(PaintSelectTest, OptionDragsACopyAndWithCommandLeavesATrail) {
  with(square(35, 35));
  ASSERT_EQ(
      doline("choose select tool\ndrag from 30,30 to 60,50\ndrag from 40,40 to 70,40 with optionKey\nclick at 25,90"),
      0);
  EXPECT_TRUE(all(Rect{35, 35, 45, 45}, 255)) << "the original stays";
  EXPECT_TRUE(all(Rect{35, 65, 45, 75}, 255)) << "a copy moved";
  EXPECT_TRUE(all(Rect{35, 45, 45, 65}, 0));

  ASSERT_EQ(doline("choose browse tool"), 0);
  with(square(35, 35));
  // Command shrinks the selection to the square, so that each copy leaves its neighbours be.
  ASSERT_EQ(doline("choose select tool\ndrag from 30,30 to 60,50 with commandKey\nset the dragSpeed to 5\n"
                   "drag from 40,40 to 80,40 with optionKey, commandKey"),
            0);
  EXPECT_TRUE(all(Rect{35, 35, 45, 85}, 255)) << "copies stamped along the way";
  EXPECT_TRUE(all(Rect{30, 30, 35, 90}, 0));
  EXPECT_TRUE(session().selection.left == 75 && session().selection.right == 85);
}

TEST_F(PaintSelectTest, TheLassoTakesTheShapesItEncloses) {
  with(square(40, 40, 10, true));
  ASSERT_EQ(doline("choose lasso tool"), 0);
  lasso(around(90, 25, 115, 60));
  EXPECT_FALSE(session().lassoactive) << "white space only: no selection";
  EXPECT_FALSE(session().selectionactive);

  lasso(around(33, 33, 60, 60));
  ASSERT_TRUE(session().lassoactive);
  const Rect want{40, 40, 50, 50};
  EXPECT_TRUE(EqualRect(&session().selection, &want)) << "the square's bounds";
  const MaskBits m = maskbits();
  std::string wrong;
  for (i32 v = 20; v < 100; ++v)
    for (i32 h = 20; h < 120; ++h)
      if (m.test(h, v) != (h >= 40 && h < 50 && v >= 40 && v < 50))
        wrong += std::to_string(h) + "," + std::to_string(v) + " ";
  EXPECT_EQ(wrong, "") << "the square with its hole filled";
  EXPECT_TRUE(ptinlasso(list(), hv(51, 45)));
  EXPECT_TRUE(ptinlasso(list(), hv(45, 38)));
  EXPECT_FALSE(ptinlasso(list(), hv(52, 45))) << "3 pixels away";
  EXPECT_FALSE(ptinlasso(list(), hv(45, 37)));

  ASSERT_EQ(doline("choose browse tool\nchoose lasso tool"), 0);
  lasso(around(33, 33, 60, 60), cmdKey);
  ASSERT_TRUE(session().lassoactive);
  const MaskBits exact = maskbits();
  EXPECT_TRUE(exact.test(40, 40));
  EXPECT_FALSE(exact.test(44, 44)) << "with command only the non-white pixels";
}

TEST_F(PaintSelectTest, ALassoSelectionDragsThroughItsMask) {
  with(square(40, 40));
  ASSERT_EQ(doline("choose lasso tool"), 0);
  lasso(around(33, 33, 60, 60));
  ASSERT_TRUE(session().lassoactive);
  // The ants: the selected pixels striped with the pattern, nothing else touched.
  wait(20);
  const Pattern used = session().ants;
  bmapidle();
  std::string wrong;
  for (i32 v = 36; v < 54; ++v)
    for (i32 h = 36; h < 54; ++h) {
      const bool inside = h >= 40 && h < 50 && v >= 40 && v < 50;
      const bool dark = inside && (used.pat[(v - 20) & 7] & (0x80 >> ((h - 20) & 7)));
      if (windowpixel(i16(h), i16(v)) != (dark ? kBlack : kWhite))
        wrong += std::to_string(h) + "," + std::to_string(v) + " ";
    }
  EXPECT_EQ(wrong, "");
  ASSERT_EQ(doline("drag from 45,45 to 75,45\nchoose browse tool"), 0);
  EXPECT_TRUE(all(Rect{40, 70, 50, 80}, 255));
  EXPECT_TRUE(all(Rect{40, 40, 50, 70}, 0));
}

TEST_F(PaintSelectTest, TheAntsMarchEveryEightTicks) {
  with(square(35, 35));
  ASSERT_EQ(doline("choose select tool\ndrag from 30,30 to 60,50"), 0);
  const u8 rows[8] = {0xC7, 0xE3, 0xF1, 0xF8, 0x7C, 0x3E, 0x1F, 0x8F};
  auto pattern = [&](u32 phase) {
    Pattern p{};
    for (u32 i = 0; i < 8; ++i) p.pat[i] = rows[(i + 8 - phase % 8) % 8];
    return p;
  };
  PaintSession& p = session();
  EXPECT_EQ(std::memcmp(p.ants.pat, pattern(p.antsphase).pat, 8), 0);
  wait(20);
  const Pattern used = p.ants;
  const u16 phase = p.antsphase;
  bmapidle();
  EXPECT_EQ(p.antsphase, u16(phase + 1));
  EXPECT_EQ(std::memcmp(p.ants.pat, pattern(p.antsphase).pat, 8), 0);
  // The frame is exclusive-or'd with the pattern: its pixels differ where the pattern is set.
  std::string wrong;
  const Rect& s = p.selection;
  for (i32 v = s.top; v < s.bottom; ++v)
    for (i32 h = s.left; h < s.right; ++h) {
      const bool edge = v == s.top || v == s.bottom - 1 || h == s.left || h == s.right - 1;
      const bool set = edge && (used.pat[(v - 20) & 7] & (0x80 >> ((h - 20) & 7)));
      if ((in(p.strokecopy, h, v) != in(p.selcopy, h, v)) != set)
        wrong += std::to_string(h) + "," + std::to_string(v) + " ";
    }
  EXPECT_EQ(wrong, "");
  bmapidle();
  wait(6);
  bmapidle();
  EXPECT_EQ(p.antsphase, u16(phase + 1)) << "not again within 8 ticks";
  const Pattern first = p.ants;
  for (int i = 0; i < 8; ++i) {
    wait(8);
    bmapidle();
  }
  EXPECT_EQ(p.antsphase, u16(phase + 9));
  EXPECT_EQ(std::memcmp(p.ants.pat, first.pat, 8), 0) << "the phase repeats after 8 steps";
  ASSERT_EQ(doline("choose browse tool"), 0);
  const u16 closed = p.antsphase;
  wait(20);
  bmapidle();
  EXPECT_EQ(p.antsphase, closed) << "no session: nothing";
}

class PaintTextTest : public PaintSelectTest {
 protected:
  FontInfo font() {
    SavePort keep;
    SetGWorld(session().textworld, nilhandle);
    const MainGlobals& g = mainglobals();
    TextFont(g.textFont);
    TextSize(g.textSize);
    TextFace(Style(g.textStyle));
    FontInfo fi{};
    GetFontInfo(&fi);
    return fi;
  }
  i16 width(const char* s) {
    SavePort keep;
    SetGWorld(session().textworld, nilhandle);
    TextFont(mainglobals().textFont);
    TextSize(mainglobals().textSize);
    return TextWidth(s, 0, i16(std::strlen(s)));
  }
  Rect caret() {
    Rect tr{}, cr{};
    SavePort keep;
    SetGWorld(session().textworld, nilhandle);
    lowtext(false, &tr, &cr);
    return cr;
  }
  // Some pixel of the rectangle is black.
  bool inked(const Rect& r) { return !all(r, 0); }
};

TEST_F(PaintTextTest, TypedLinesGoDownFromTheClick) {
  start(blankbitmap());
  ASSERT_EQ(doline("set the filled to false\nchoose paint text tool\nclick at 50,50\ntype \"ab\" & return"), 0);
  const FontInfo fi = font();
  const i16 step = i16(fi.ascent + fi.descent + 1);
  EXPECT_EQ(session().textorigin.v, 58);
  Rect c = caret();
  EXPECT_EQ(c.left, 50) << "after a return the caret starts the next line";
  EXPECT_EQ(c.top, 58 + step - fi.ascent);
  const std::vector<u8> before = image(0);
  ASSERT_EQ(doline("type \"c\" & numToChar(28) & numToChar(30)"), 0);
  EXPECT_EQ(std::string(tetext(session().text)), "ab\rc") << "arrow keys change nothing";
  c = caret();
  EXPECT_EQ(c.left, 50 + width("c"));
  EXPECT_EQ(image(0), before) << "nothing is in the image before the commit";
  ASSERT_EQ(doline("choose pencil tool\nclick at 110,90"), 0);
  EXPECT_FALSE(session().textactive);
  const i16 ab = width("ab");
  EXPECT_TRUE(inked(Rect{i16(58 - fi.ascent), 50, i16(58 + fi.descent), i16(50 + ab)}))
      << "\"ab\" on the first baseline";
  EXPECT_TRUE(all(Rect{i16(58 - fi.ascent), 20, i16(58 + fi.descent), 50}, 0)) << "nothing left of the click";
  const i16 second = i16(58 + step);
  EXPECT_TRUE(inked(Rect{i16(second - fi.ascent), 50, i16(second + fi.descent), i16(50 + width("c"))}));
}

TEST_F(PaintTextTest, FilledLinesAndRightAlignment) {
  start(blankbitmap());
  ASSERT_EQ(doline("set the filled to true\nchoose paint text tool\nclick at 50,50\ntype \"ab\"\nchoose browse tool"),
            0);
  const FontInfo fi = font();
  const i16 w = width("ab");
  const Rect back{i16(58 - fi.ascent - 1), 49, i16(58 + fi.descent + 1), i16(50 + w + 1)};
  EXPECT_TRUE(all(back, 255)) << "the text rectangle grown by 1 painted with the fill";
  EXPECT_TRUE(all(Rect{back.top, 40, back.bottom, 49}, 0));
  EXPECT_TRUE(all(Rect{i16(back.top - 3), 40, back.top, 80}, 0));

  ASSERT_EQ(doline("choose browse tool"), 0);
  start(blankbitmap());
  ASSERT_EQ(doline("set the filled to false\nset the textAlign to right\nchoose paint text tool\nclick at 80,50\n"
                   "type \"ab\"\nchoose browse tool"),
            0);
  EXPECT_TRUE(inked(Rect{i16(58 - fi.ascent), i16(80 - w), i16(58 + fi.descent), 80})) << "grown to the left";
  EXPECT_TRUE(all(Rect{20, 81, 100, 120}, 0));

  // "default" (0) and "full" (2) lay out as "left".
  for (i16 align : {0, 2}) {
    ASSERT_EQ(doline("choose browse tool"), 0);
    start(blankbitmap());
    mainglobals().textAlign = align;
    ASSERT_EQ(doline(
                  "set the filled to false\nchoose paint text tool\nclick at 80,50\ntype \"ab\"\nchoose browse tool"),
              0);
    EXPECT_TRUE(inked(Rect{i16(58 - fi.ascent), 80, i16(58 + fi.descent), i16(80 + w)})) << align;
    EXPECT_TRUE(all(Rect{20, 20, 100, 80}, 0)) << align;
  }
}

TEST_F(PaintTextTest, KeysWithoutTextAndANewFontRepaintsTheWorld) {
  with(square(35, 35));
  ASSERT_EQ(doline("set the allowEmptyPaint to true\nchoose select tool\ndrag from 30,30 to 60,50"), 0);
  session().changed = 0;
  const std::vector<u8> before = image(0);
  ASSERT_EQ(doline("type \"x\""), 0);
  EXPECT_EQ(image(0), before) << "other keys change nothing";
  EXPECT_TRUE(session().selectionactive);
  ASSERT_EQ(doline("type numToChar(8)"), 0);
  EXPECT_TRUE(all(Rect{35, 35, 45, 45}, 0)) << "backspace clears the selection";
  EXPECT_FALSE(session().selectionactive);
  EXPECT_TRUE(session().changed);

  ASSERT_EQ(doline("choose paint text tool\nclick at 80,50\ntype \"a\""), 0);
  wait(120);
  bmapidle();
  // A pixel painted behind the session's back shows only when the whole world is shown again.
  const Point far{95, 110};
  deref(object(0).data)[size_t((far.v - 20) * 100 + far.h - 20)] = 255;
  wait(120);
  bmapidle();
  EXPECT_EQ(windowpixel(far.h, far.v), kWhite) << "the caret's idle shows the text alone";
  ASSERT_EQ(doline("set the textFont to 3"), 0);
  wait(120);
  bmapidle();
  EXPECT_EQ(windowpixel(far.h, far.v), kBlack) << "a new font shows the whole text world";
}

TEST_F(PaintSelectTest, EachToolShowsItsCursor) {
  auto resource = [](i16 id) {
    Handle h = GetResource(fourcc("CURS"), id);
    Cursor c{};
    for (int i = 0; i < 16; ++i) c.data.v[size_t(i)] = u16(deref(h)[2 * i] << 8 | deref(h)[2 * i + 1]);
    ReleaseResource(h);
    return c;
  };
  auto showing = [](const Cursor& c) {
    const Cursor now = currentcursor();
    for (int i = 0; i < 16; ++i)
      if (now.data.v[size_t(i)] != c.data.v[size_t(i)]) return false;
    return true;
  };
  with(square(40, 40));
  ASSERT_EQ(doline("choose select tool\ndrag from 30,30 to 60,50"), 0);
  paintcurs(312, hv(40, 40));
  EXPECT_TRUE(showing(*themecursor(kThemeArrowCursor)));
  paintcurs(312, hv(70, 70));
  EXPECT_TRUE(showing(resource(1000)));
  const struct {
    u16 tool;
    i16 id;
  } own[] = {{307, 1003}, {302, 1004}, {313, 1006}, {301, 1002}, {303, 1005}};
  for (const auto& t : own) {
    paintcurs(t.tool, hv(70, 70));
    EXPECT_TRUE(showing(resource(t.id))) << t.tool;
  }
  paintcurs(314, hv(70, 70));
  EXPECT_TRUE(showing(*themecursor(kThemeIBeamCursor)));
  for (u16 tool : {304, 305, 306, 308, 309, 310, 311}) {
    paintcurs(tool, hv(70, 70));
    EXPECT_TRUE(showing(*themecursor(kThemeCrossCursor))) << tool;
  }
  paintcurs(299, hv(70, 70));
  EXPECT_TRUE(showing(*themecursor(kThemeArrowCursor)));
  paintcurs(300, hv(70, 70));
  const Cursor brush = currentcursor();
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(brush.data.v[size_t(i)], kDisc[i]);
    EXPECT_EQ(brush.mask.v[size_t(i)], 0);
  }
  EXPECT_EQ(brush.hotSpot.h, 0);
  EXPECT_EQ(brush.hotSpot.v, 0);
  ASSERT_EQ(doline("set the lockCursor to true"), 0);
  paintcurs(307, hv(70, 70));
  paintcurs(300, hv(70, 70));
  EXPECT_TRUE(showing(brush)) << "locked";
  ASSERT_EQ(doline("set the lockCursor to false\nset the createPaint to false"), 0);
  paintcurs(307, hv(200, 200));
  EXPECT_TRUE(showing(*themecursor(kThemeArrowCursor))) << "outside the painted object";

  ASSERT_EQ(doline("choose lasso tool"), 0);
  lasso(around(33, 33, 60, 60));
  paintcurs(303, hv(45, 45));
  EXPECT_TRUE(showing(*themecursor(kThemeArrowCursor))) << "on the lasso selection";
}

// Where a picture's first opcodes after its header start: the 16-bit words from byte 10.
bool commentbeforebits(const std::vector<u8>& pict) {
  for (size_t i = 10; i + 3 < pict.size(); i += 2) {
    const u16 op = u16(pict[i] << 8 | pict[i + 1]);
    if (op == 0x00A0) return (pict[i + 2] << 8 | pict[i + 3]) == 12345;
    if (op == 0x0090 || op == 0x0098 || op == 0x009A || op == 0x009B) return false;
  }
  return false;
}

TEST_F(PaintSelectTest, ALassoSelectionRoundTripsThroughTheClipboard) {
  with(square(40, 40));
  ASSERT_EQ(doline("choose lasso tool"), 0);
  lasso(around(33, 33, 60, 60));
  ASSERT_TRUE(session().lassoactive);
  ASSERT_EQ(doline("copy"), 0);
  const std::vector<u8> pict = clipboardpicture();
  ASSERT_GE(pict.size(), 12u);
  EXPECT_EQ(std::vector<u8>(pict.begin() + 2, pict.begin() + 10), (std::vector<u8>{0, 40, 0, 40, 0, 50, 0, 50}))
      << "framed by the selection";
  EXPECT_TRUE(commentbeforebits(pict));
  ASSERT_EQ(doline("choose browse tool\nchoose select tool\nclick at 110,90\npaste"), 0);
  EXPECT_TRUE(session().lassoactive) << "a lasso selection again";
  const Rect centred{55, 65, 65, 75};
  EXPECT_TRUE(EqualRect(&session().selection, &centred));
  EXPECT_FALSE(session().selectioninplace) << "the pasted pixels float";

  ASSERT_EQ(doline("choose browse tool\nchoose select tool\ndrag from 30,30 to 60,50\ncopy\nclick at 110,90\npaste"),
            0);
  EXPECT_TRUE(session().selectionactive) << "a rectangular one comes back rectangular";
  EXPECT_FALSE(session().lassoactive);

  // Without a selection the clipboard stays as it was.
  putclipboard({1, 2, 3});
  ASSERT_EQ(doline("choose browse tool\nchoose select tool\nclick at 110,90"), 0);
  copybits();
  EXPECT_EQ(clipboardpicture(), (std::vector<u8>{1, 2, 3}));
}

TEST_F(PaintSelectTest, PastingScalesIntoASelectionOrCentresOnTheBitmap) {
  with(square(40, 40));
  ASSERT_EQ(doline("choose select tool\ndrag from 40,40 to 50,50\ncopy"), 0);
  const std::vector<u8> ten = clipboardpicture();
  ASSERT_EQ(doline("click at 110,90\ndrag from 70,60 to 90,80"), 0);
  const std::vector<u8> before = image(0);
  ASSERT_EQ(doline("paste"), 0);
  PaintSession& p = session();
  const Rect sel{60, 70, 80, 90};
  EXPECT_TRUE(EqualRect(&p.selection, &sel)) << "the selection stays";
  std::string wrong;
  for (i32 v = 60; v < 80; ++v)
    for (i32 h = 70; h < 90; ++h)
      if (in(p.selcopy, h, v) != 255) wrong += std::to_string(h) + "," + std::to_string(v) + " ";
  EXPECT_EQ(wrong, "") << "the 10 x 10 picture scaled into 20 x 20";
  EXPECT_EQ(image(0), before) << "nothing lifted from the image";

  // A picture larger than the bitmap: centred, its selection cut to the bitmap. Its frame
  // (-16, -31, 185, 226), given with its corners swapped, is 257 x 201: placed at left
  // 70 - 128 and top 60 - 100, its square (40, 40) lands at (13, 16).
  std::vector<u8> big = ten;
  const u8 frame[8] = {0x00, 0xB9, 0x00, 0xE2, 0xFF, 0xF0, 0xFF, 0xE1};
  std::copy(frame, frame + 8, big.begin() + 2);
  putclipboard(big);
  ASSERT_EQ(doline("click at 110,90\npaste"), 0);
  EXPECT_TRUE(p.selectionactive);
  const Rect whole{20, 20, 100, 120};
  EXPECT_TRUE(EqualRect(&p.selection, &whole));
  EXPECT_EQ(in(p.selcopy, 22, 25), 255);
  EXPECT_EQ(in(p.selcopy, 23, 25), 0);
  EXPECT_EQ(in(p.selcopy, 22, 26), 0);

  // Clearing a selection dragged away leaves its first place white.
  ASSERT_EQ(doline("choose browse tool"), 0);
  with(square(40, 40));
  ASSERT_EQ(doline("choose select tool\ndrag from 35,35 to 55,55\ndrag from 45,45 to 85,45\ndelete"), 0);
  EXPECT_FALSE(p.selectionactive);
  EXPECT_TRUE(all(Rect{20, 20, 100, 120}, 0));
}

// The mask of a pasted lasso selection comes from the pasted pixels alone: pixels an earlier
// selection left in the working copy do not come back.
TEST_F(PaintSelectTest, APastedLassoLeavesNoGhostOfEarlierSelections) {
  with(square(40, 40));
  ASSERT_EQ(doline("set the allowEmptyPaint to true\nchoose lasso tool"), 0);
  lasso(around(33, 33, 60, 60));
  ASSERT_EQ(doline("copy\nchoose select tool\ndrag from 35,35 to 55,55\ndrag from 45,45 to 85,45\nclick at 110,90\n"
                   "drag from 75,35 to 95,55\ntype numToChar(8)"),
            0);
  ASSERT_TRUE(all(Rect{20, 20, 100, 120}, 0));
  ASSERT_EQ(doline("paste"), 0);
  ASSERT_TRUE(session().lassoactive);
  EXPECT_TRUE(ptinlasso(list(), hv(70, 60)));
  EXPECT_FALSE(ptinlasso(list(), hv(85, 45))) << "no ghost of the square cleared before";
  ASSERT_EQ(doline("choose browse tool"), 0);
  EXPECT_TRUE(all(Rect{55, 65, 65, 75}, 255)) << "the pasted square";
  EXPECT_TRUE(all(Rect{40, 80, 50, 90}, 0));
}

TEST_F(PaintSelectTest, CutCopiesTheSelectionAndClearsIt) {
  with(square(40, 40));
  ASSERT_EQ(doline("set the allowEmptyPaint to true\nchoose select tool\ndrag from 35,35 to 55,55\ncut"), 0);
  EXPECT_FALSE(session().selectionactive);
  EXPECT_TRUE(all(Rect{20, 20, 100, 120}, 0));
  const std::vector<u8> pict = clipboardpicture();
  ASSERT_GE(pict.size(), 10u);
  EXPECT_EQ(std::vector<u8>(pict.begin() + 2, pict.begin() + 10), (std::vector<u8>{0, 35, 0, 35, 0, 55, 0, 55}));
  ASSERT_EQ(doline("cut paint\ndelete paint"), 0);
  EXPECT_EQ(clipboardpicture(), pict) << "nothing selected: nothing cut";
  ASSERT_EQ(doline("paste paint"), 0);
  EXPECT_TRUE(session().selectionactive);
  EXPECT_EQ(in(session().selcopy, 70, 60), 255);
}

TEST_F(PaintSelectTest, SelectingAllCommitsTheTextFirst) {
  with(square(40, 40));
  ASSERT_EQ(
      doline(
          "set the allowEmptyPaint to true\nset the filled to true\nchoose paint text tool\nclick at 30,80\ntype \"a\""),
      0);
  PaintSession& p = session();
  selallbits();
  EXPECT_FALSE(p.textactive);
  ASSERT_TRUE(p.selectionactive);
  const Rect whole{20, 20, 100, 120};
  EXPECT_TRUE(EqualRect(&p.selection, &whole));
  EXPECT_EQ(in(p.selcopy, 30, 88), 255) << "the typed text is part of what is selected";
  EXPECT_EQ(in(p.selcopy, 45, 45), 255);
  ASSERT_EQ(doline("type numToChar(8)"), 0);
  EXPECT_TRUE(all(whole, 0));
}

// The Services forms take a scrap of their caller's: the copy adds its picture to what the
// scrap holds, the paste reads that scrap.
TEST_F(PaintSelectTest, TheServicesFormsUseTheScrapTheyAreGiven) {
  with(square(40, 40));
  ClearCurrentScrap();
  ScrapRef scrap = 0;
  GetCurrentScrap(&scrap);
  ASSERT_EQ(PutScrapFlavor(scrap, fourcc("TEXT"), 0, 2, "hi"), noErr);
  ASSERT_EQ(doline("choose select tool\ndrag from 40,40 to 50,50"), 0);
  servicescopybits(scrap);
  Size size = 0;
  EXPECT_EQ(GetScrapFlavorSize(scrap, fourcc("TEXT"), &size), noErr) << "the scrap is not cleared";
  EXPECT_EQ(GetScrapFlavorSize(scrap, fourcc("PICT"), &size), noErr);
  PaintSession& p = session();
  ASSERT_EQ(doline("click at 110,90"), 0);
  ASSERT_FALSE(p.selectionactive);
  servicespastebits(scrap);
  EXPECT_TRUE(p.selectionactive);
  const Rect centred{55, 65, 65, 75};
  EXPECT_TRUE(EqualRect(&p.selection, &centred));
  EXPECT_EQ(in(p.selcopy, 70, 60), 255);
}

TEST_F(PaintSelectTest, AFailedPasteChangesNothingAndClosingCommits) {
  with(square(40, 40));
  ASSERT_EQ(doline("choose select tool\ndrag from 40,40 to 50,50\ncopy\nclick at 110,90"), 0);
  PaintSession& p = session();
  const std::vector<u8> before = image(0);
  failallocationafter(1);
  pastebits();
  failallocationafter(0);
  EXPECT_FALSE(p.selectionactive);
  EXPECT_FALSE(p.lassoactive);
  EXPECT_EQ(image(0), before);

  // A floating selection and typed text are in the image once painting ends.
  ASSERT_EQ(doline("drag from 35,35 to 55,55\ndrag from 45,45 to 85,45"), 0);
  ASSERT_TRUE(p.selectionactive);
  EXPECT_EQ(putdownbmap(), 0);
  EXPECT_TRUE(all(Rect{40, 80, 50, 90}, 255)) << "the floating square committed";
  ASSERT_EQ(doline("set the filled to true\nchoose paint text tool\nclick at 30,80\ntype \"a\""), 0);
  EXPECT_EQ(px(30, 88), 0);
  EXPECT_EQ(putdownbmap(), 0);
  EXPECT_EQ(px(30, 88), 255) << "the text committed";
}

}  // namespace
}  // namespace kv
