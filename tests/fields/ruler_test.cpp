// The paragraph ruler of a field: its data interface and units, the ruler words scripts read
// and set, dragging its indicators with the mouse, its drawing and its help tags.
#include <gtest/gtest.h>

#include <cstring>

#include "fields/fieldview.h"
#include "fields/rulercontrol.h"
#include "fields/rulerinfo.h"
#include "platform/events/events.h"
#include "platform/help/helptags.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/testing/driver.h"
#include "platform/text/intl.h"
#include "platform/windows/windows.h"
#include "render/carddrawing.h"
#include "render/fielddrawing.h"
#include "core/mainglobals.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "tests/support/windows.h"
#include "textengine/weinternal.h"
#include "textengine/werecord.h"

namespace kv {
namespace {

using testproject::Object;

constexpr u32 kShowRuler = 2, kAllowObjects = 1u << 26;

class RulerTest : public WindowTest {
 protected:
  // A card with a rectangle field "Notes" of two paragraphs, a button and a list field.
  void make(u16 style = 300) {
    testproject::Project p;
    testproject::Window w;
    w.rect = Rect{100, 100, 340, 500};
    w.backgrounds.push_back(testproject::Background{"B", "", {}});
    testproject::Card one;
    Object notes;
    notes.kind = Object::field;
    notes.style = style;
    notes.name = "Notes";
    notes.text = "first paragraph\rsecond paragraph";
    notes.rect = Rect{20, 20, 200, 380};
    Object go;
    go.kind = Object::button;
    go.name = "Go";
    go.rect = Rect{210, 20, 230, 80};
    Object rows;
    rows.kind = Object::field;
    rows.style = 302;
    rows.name = "Rows";
    rows.text = "a\rb";
    rows.rect = Rect{210, 100, 236, 200};
    one.objects = {notes, go, rows};
    w.cards = {one};
    p.windows.push_back(w);
    build(p);
    ASSERT_EQ(open(), 0);
  }
  spot notes() { return spotat(current().cardspots, 0); }
  // The field shows its ruler; the card is drawn again so that its record is made anew.
  void showruler() {
    putdownwerecs(current().cardspots, 1);
    spot s = notes();
    s.textflags |= kShowRuler;
    putspot(current().cardspots, 0, s);
    drawcard();
  }
  // A shown ruler over the field's live record, as a field that is being edited keeps one.
  ControlRef ruler() {
    const spot s = notes();
    we = livefield(s);
    EXPECT_NE(we, nilid);
    WESetSelection(0, WEGetTextLength(we), we);  // both paragraphs
    Rect r{};
    rulercontrolrect(s, &r);
    const rulerdatarec data = rulerdata(s, we);
    ControlRef c = nilid;
    EXPECT_EQ(CreateRulerControl(current().window, &r, &data, &c), noErr);
    UpdateRulerIndents(c);
    UpdateRulerTabs(c);
    SetControlVisibility(c, true, false);
    return c;
  }
  static Point centre(const Rect& r) { return Point{i16((r.top + r.bottom) / 2), i16((r.left + r.right) / 2)}; }
  // Drags an indicator to a horizontal position of the port: the part the ruler answers.
  i16 drag(ControlRef c, u16 kind, i16 toh) {
    Rect r{};
    EXPECT_TRUE(GetRulerElementRect(kind, &r, c));
    const Point from = centre(r);
    drive::drag(toglobal(from), toglobal(Point{from.v, toh}), 4);
    EventRecord e{};
    EXPECT_TRUE(WaitNextEvent(mDownMask, &e, 60));
    return TrackControl(c, from, nullptr);
  }
  Fixed attribute(OSType tag) {
    Fixed v = -1;
    EXPECT_EQ(WEGetOneAttribute(0, tag, &v, sizeof v, we), noErr);
    return v;
  }
  i32 destleft() {
    LongRect d{};
    WEGetDestRect(&d, we);
    return d.left;
  }
  WEReference we = nilid;
};

std::string text(const Str255 s) { return std::string(reinterpret_cast<const char*>(s + 1), s[0]); }

TEST_F(RulerTest, UnitsReadWithTheDecimalSeparatorAndTheDataInterfaceChecksTags) {
  make();
  showruler();
  const ControlRef c = ruler();
  rulerdatarecord rd{};
  ASSERT_TRUE(readrulerdata(c, &rd));
  struct row {
    u16 units;
    const char* period;
    const char* comma;
  };
  for (const row& r : {row{kRulerInches, "2.000 in", "2,000 in"}, row{kRulerCentimetres, "5.143 cm", "5,143 cm"},
                       row{kRulerPoints, "144 pt", "144 pt"}, row{kRulerPicas, "12.00 pi", "12,00 pi"}}) {
    rd.units = r.units;
    Str255 out{};
    intlsettings().decimalpoint = '.';
    GetPascalStringFromFixedValue(Long2Fix(144), rd, out);
    EXPECT_EQ(text(out), r.period);
    Fixed back = 0;
    EXPECT_EQ(GetFixedValueFromPascalString(&back, rd, out), noErr) << r.period;
    EXPECT_NEAR(double(back) / 65536.0, 144.0, 0.1) << r.period;
    intlsettings().decimalpoint = ',';
    GetPascalStringFromFixedValue(Long2Fix(144), rd, out);
    EXPECT_EQ(text(out), r.comma);
  }
  intlsettings().decimalpoint = '.';
  rd.units = kRulerInches;
  Fixed v = 0;
  EXPECT_EQ(GetFixedValueFromPascalString(&v, rd,
                                          reinterpret_cast<const u8*>("\x05"
                                                                      "-0.5 ")),
            noErr);
  EXPECT_EQ(v, Long2Fix(-36));
  EXPECT_NE(GetFixedValueFromPascalString(&v, rd,
                                          reinterpret_cast<const u8*>("\x04"
                                                                      "2 cm")),
            noErr)
      << "another unit";
  Str255 out{};
  GetPascalStringFromFixedValue(-Long2Fix(9), rd, out);
  EXPECT_EQ(text(out), "-0.125 in");

  // Through the control's data messages.
  const u32 four = 3;
  const u16 two = 3;
  EXPECT_EQ(SetControlData(c, 0, fourcc("RUrt"), 4, &four), -30591) << "units take 2 bytes";
  EXPECT_EQ(SetControlData(c, 0, fourcc("RUxx"), 2, &two), -30581);
  u8 options[24] = {};
  i32 size = 24;
  EXPECT_EQ(GetControlData(c, 0, fourcc("RUod"), 24, options, &size), -30581) << "the options are set only";
  EXPECT_EQ(SetControlData(c, 0, fourcc("RUrt"), 2, &two), noErr);
  u16 units = 0;
  EXPECT_EQ(GetControlData(c, 0, fourcc("RUrt"), 2, &units, &size), noErr);
  EXPECT_EQ(units, 3);
  // An options record with only the snap bit changes nothing else.
  const u32 mask = 0x80;
  std::memcpy(options, &mask, 4);
  options[21] = 0;
  EXPECT_EQ(SetControlData(c, 0, fourcc("RUod"), 24, options), noErr);
  ASSERT_TRUE(readrulerdata(c, &rd));
  EXPECT_EQ(rd.snap, 0);
  EXPECT_EQ(rd.units, 3);
  EXPECT_EQ(rd.mintextwidth, 72);
  EXPECT_EQ(RulerControlDefProc(0, c, 27, 0), i32(fourcc(" ok ")));
  DisposeControl(c);

  // A control without ruler data.
  ControlRef plain = nilid;
  const Rect r{0, 0, 10, 10};
  ASSERT_EQ(CreateCustomControl(current().window, &r, nullptr, &plain), noErr);
  EXPECT_EQ(GetRulerData(fourcc("RUrt"), &units, &size, plain), -30581);
  EXPECT_EQ(SetRulerData(fourcc("RUrt"), &two, 2, plain), -30581);
  DisposeControl(plain);
}

TEST_F(RulerTest, RulerWordsReadTheSelectionsParagraphs) {
  make();
  EXPECT_EQ(cardvalue("the rulerInfo of line 1 of card field \"Notes\""),
            "textAlign=left\rtextDirection=default\rborderStyle=none\rleftIndent=0\rrightIndent=0\r"
            "firstLineIndent=0\rlineSpacing=1.0000\rspaceBefore=0\rspaceAfter=0");
  ASSERT_EQ(doline("set the rulerInfo of line 2 of card field \"Notes\" to \"textAlign center\" & return & "
                   "\"leftIndent 12\" & return & \"lineSpacing 1.5\""),
            0);
  cardrows({
      {"", "the textAlign of line 2 of card field \"Notes\"", "center"},
      {"", "the leftIndent of line 2 of card field \"Notes\"", "12"},
      {"", "the lineSpacing of line 2 of card field \"Notes\"", "1.5000"},
      {"", "the textAlign of line 1 of card field \"Notes\"", "left"},
      {"", "the textAlign of line 1 to 2 of card field \"Notes\"", "mixed"},
      {"", "the rulerInfo of line 1 to 2 of card field \"Notes\"",
       "textAlign=mixed\rtextDirection=default\rborderStyle=none\rleftIndent=mixed\rrightIndent=0\r"
       "firstLineIndent=0\rlineSpacing=mixed\rspaceBefore=0\rspaceAfter=0"},
  });
}

TEST_F(RulerTest, ApplyingARulerToAFieldThatIsNotShownChangesItsStoredText) {
  make();
  putdownwerecs(current().cardspots, 1);
  spot s = notes();
  s.flags |= kAllowObjects;  // its stored text keeps paragraph formats
  putspot(current().cardspots, 0, s);
  const std::size_t records = liverecordcount();
  objread obj{};
  ASSERT_EQ(readreference("card field \"Notes\"", &obj), 0);
  rulerinforec info{};
  info.ruler.rightIndent = Long2Fix(20);
  info.ruler.alignment = 2;
  info.mask = 0x21;  // alignment, right indent
  EXPECT_EQ(ApplyRulerInfoToRead(obj, info), 0);
  writeobj(&obj);

  EXPECT_EQ(liverecordcount(), records) << "the temporary record is gone";
  EXPECT_EQ(livefield(notes()), 0u);

  cardrows({
      {"", "the rightIndent of line 1 of card field \"Notes\"", "20"},
      {"", "the rightIndent of line 2 of card field \"Notes\"", "20"},
      {"", "the textAlign of line 1 of card field \"Notes\"", "full"},
  });

  for (const auto& [reference, status] :
       {std::pair{"this card", 11}, std::pair{"card button \"Go\"", 210}, std::pair{"card field \"Rows\"", 210}}) {
    ASSERT_EQ(readreference(reference, &obj), 0) << reference;
    EXPECT_EQ(ApplyRulerInfoToRead(obj, info), status) << reference;
    writeobj(&obj);
  }
}

TEST_F(RulerTest, DraggingTheLeftIndicatorSnapsToTheUnitsStep) {
  make();
  showruler();
  const ControlRef c = ruler();
  const i32 left = destleft();
  EXPECT_EQ(drag(c, kRulerLeft, i16(left + 40)), kRulerLeft);
  EXPECT_EQ(attribute(fourcc("lein")), Long2Fix(36)) << "40 snaps to 36 (9-pixel steps in inches)";
  EXPECT_EQ(drag(c, kRulerLeft, i16(left + 41)), kRulerLeft);
  EXPECT_EQ(attribute(fourcc("lein")), Long2Fix(45)) << "41 snaps to 45";

  // The hanging indicator moves the left indent and keeps the first line where it was.
  EXPECT_EQ(drag(c, kRulerHanging, i16(left + 72)), kRulerHanging);
  EXPECT_EQ(attribute(fourcc("lein")), Long2Fix(72));
  EXPECT_EQ(attribute(fourcc("fidt")), Long2Fix(45 - 72));

  // Released where it started: no part, no change.
  Rect r{};
  ASSERT_TRUE(GetRulerElementRect(kRulerFirstLine, &r, c));
  EXPECT_EQ(drag(c, kRulerFirstLine, centre(r).h), 0);
  EXPECT_EQ(attribute(fourcc("fidt")), Long2Fix(45 - 72));
  DisposeControl(c);
}

TEST_F(RulerTest, TheRightIndicatorKeepsTheMinimumTextWidth) {
  make();
  showruler();
  const ControlRef c = ruler();
  const i32 left = destleft();
  ASSERT_EQ(drag(c, kRulerLeft, i16(left + 18)), kRulerLeft);
  rulerdatarecord rd{};
  ASSERT_TRUE(readrulerdata(c, &rd));
  rd.snap = 0;
  writerulerdata(c, rd);
  LongRect dest{};
  WEGetDestRect(&dest, we);
  EXPECT_EQ(drag(c, kRulerRight, i16(left + 30)), kRulerRight);
  const i32 edge = dest.right - attribute(fourcc("riin")) / 65536;
  EXPECT_EQ(edge - (left + 18), 72) << "the right indent stops 72 pixels from the left one";
  DisposeControl(c);
}

// Whether a values window (help class, attribute bit 25) shows: noted while the drag runs.
bool valuesshown = false;
u32 notevalues(u32) {
  for (const drive::WindowInfo& w : drive::windows())
    if (w.windowclass == kHelpWindowClass && (w.attributes & (1u << 25)) && w.visible) valuesshown = true;
  return 0;
}

TEST_F(RulerTest, TheValuesWindowShowsWhileDragging) {
  make();
  showruler();
  const ControlRef c = ruler();
  setidlewatcher(notevalues);
  valuesshown = false;
  const std::size_t windows = windowcount();
  EXPECT_EQ(drag(c, kRulerLeft, i16(destleft() + 27)), kRulerLeft);
  EXPECT_TRUE(valuesshown);
  EXPECT_EQ(windowcount(), windows) << "gone after the drag";

  // Switched off, it is made but never shown.
  const u8 off = 0;
  ASSERT_EQ(SetControlData(c, 0, fourcc("RUsv"), 1, &off), noErr);
  valuesshown = false;
  EXPECT_EQ(drag(c, kRulerLeft, i16(destleft() + 54)), kRulerLeft);
  EXPECT_FALSE(valuesshown);
  DisposeControl(c);
}

TEST_F(RulerTest, AFieldShowingItsRulerDrawsItAndAnInactiveRulerUsesTheInactivePen) {
  make();
  const Frame plain = drawcard();
  showruler();
  const Frame ruled = drawcard();
  Rect band{};
  rulercontrolrect(notes(), &band);
  int changed = 0;
  for (i16 v = band.top; v < band.bottom; ++v)
    for (i16 h = band.left; h < band.right; ++h) changed += drive::pixelat(plain, h, v) != drive::pixelat(ruled, h, v);
  EXPECT_GT(changed, (band.bottom - band.top) * (band.right - band.left) / 2) << "the ruler covers its band";

  const ControlRef c = ruler();
  auto draw = [&](bool active) {
    ActivateRuler(c, active);
    SavePort saved;
    SetPort(GetWindowPort(current().window));
    Draw1Control(c);
    return drive::windowpixels(current().window);
  };
  const Frame active = draw(true), inactive = draw(false);
  // The base line one pixel above the ruler's bottom is drawn in the pen.
  const i16 base = i16(band.bottom - 1), h = i16(band.left + 3);
  EXPECT_NE(drive::pixelat(active, h, base), drive::pixelat(inactive, h, base));
  EXPECT_EQ(drive::pixelat(active, h, base), drive::pixelat(ruled, h, base)) << "a hilited window's ruler is active";
  RulerControlDefProc(0, c, 22, 0);
  EXPECT_EQ(drive::pixelat(draw(false), h, base), drive::pixelat(inactive, h, base));
  DisposeControl(c);
}

TEST_F(RulerTest, AHelpTagShows48TicksAfterThePointerRestsOnAnIndicator) {
  make();
  showruler();
  const ControlRef c = ruler();
  Rect r{};
  ASSERT_TRUE(GetRulerElementRect(kRulerRight, &r, c));
  warpmouse(toglobal(centre(r)));
  u32 ticks = 0;
  Delay(47, &ticks);
  EXPECT_EQ(helptagwindow(), nilid);
  Delay(1, &ticks);
  ASSERT_NE(helptagwindow(), nilid);
  Str255 shown{};
  helptagtext(shown);
  EXPECT_EQ(text(shown), "Right indent");
  WindowClass cls = 0;
  GetWindowClass(helptagwindow(), &cls);
  EXPECT_EQ(cls, kHelpWindowClass);

  // Moving off the indicator takes the tag away; resting between indicators shows none.
  warpmouse(toglobal(Point{i16(r.top - 4), i16(r.left - 30)}));
  Delay(60, &ticks);
  EXPECT_EQ(helptagwindow(), nilid);
  DisposeControl(c);
}


TEST_F(RulerTest, ApplyingARulerToAShownScrollingFieldKeepsItsSelectionAndRedrawSetting) {
  make(301);
  const WEReference live = livefield(notes());
  ASSERT_NE(live, nilid);
  for (const i16 inhibited : {0, 1}) {
    WEFeatureFlag(weFInhibitRedraw, inhibited, live);
    WESetSelection(2, 4, live);
    EXPECT_EQ(doline("set the leftIndent of line 2 of card field \"Notes\" to 30"), 0);
    EXPECT_EQ(WEFeatureFlag(weFInhibitRedraw, -1, live), inhibited);
    i32 start = 0, end = 0;
    WEGetSelection(&start, &end, live);
    EXPECT_EQ(start, 2);
    EXPECT_EQ(end, 4);
  }
  WEParaInfo first{}, second{};
  WEGetParaInfo(0, &first, live);
  WEGetParaInfo(WEGetTextLength(live) - 1, &second, live);
  EXPECT_EQ(first.ruler.leftIndent, 0);
  EXPECT_EQ(second.ruler.leftIndent, Long2Fix(30));
  EXPECT_EQ(cardvalue("the leftIndent of line 2 of card field \"Notes\""), "30") << "the stored text follows";
}

}  // namespace
}  // namespace kv
