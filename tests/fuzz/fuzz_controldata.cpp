// replay-runs: 300 (each input opens a whole project; this keeps the replay short)
// Arbitrary "popupData", "tabData", "columnData" and "radioData" texts (the input cut at zero
// bytes, one text each) go to the controls of the buttons that read them: popup menus, bevel
// buttons with a menu, tabs, data browsers in list and column view, radio groups. Each control
// is built, refreshed, taken down and disposed. Nothing may crash, and the controls, menus
// and records go with the project.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "commands/define.h"
#include "platform/memory/memory.h"
#include "properties/userprops.h"
#include "render/buttoncontrols.h"
#include "render/controloptions.h"
#include "render/controlvisibility.h"
#include "store/objects.h"
#include "tests/fuzz/projectlines.h"

namespace {

using namespace kv;

testproject::Object control(u16 style) {
  testproject::Object o;
  o.kind = testproject::Object::button;
  o.style = style;
  o.name = "Two";
  o.rect = Rect{i16(10 + 30 * (style % 7)), 10, i16(40 + 30 * (style % 7)), 200};
  return o;
}

// Gives the object a user property holding the text.
void give(spot& s, ConstStringPtr name, const std::string& text) {
  Handle list = s.uprops;
  lowdefineprop(&list, name);
  s.uprops = list;
  Handle value = nilhandle;
  if (list == nilhandle || prophandutil(list, name, &value) != 0 || value == nilhandle) return;
  SetHandleSize(value, Size(text.size()));
  if (MemError() == noErr && !text.empty()) std::memcpy(deref(value), text.data(), text.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> texts(4);
  std::size_t which = 0;
  for (std::size_t i = 0; i < size && which < texts.size(); ++i) {
    if (data[i] == 0) ++which;
    else texts[which].push_back(char(data[i]));
  }
  testproject::Project p;
  testproject::Window w;
  w.backgrounds.push_back(testproject::Background{"B", "", {}});
  w.cards.push_back(testproject::Card{
      "C", "", 0, {control(206), control(205), control(210), control(229), control(229), control(203)}, {}});
  p.windows.push_back(w);
  fuzzlines::withproject(p, [&] {
    static constexpr const char* names[] = {"\x09popupData", "\x07tabData", "\012columnData", "\x09radioData"};
    auto name = [](int i) { return reinterpret_cast<ConstStringPtr>(names[i]); };
    const Handle list = mainglobals().current.cardspots;
    const int property[] = {0, 0, 1, 2, 2, 3};
    for (i32 i = 0; i < spotcount(list); ++i) {
      spot s = spotat(list, i);
      make4spot(s);
      if (i == 1) setBevelBtnBehavior(s, 1024);
      if (i == 4) setDataBrowserBehavior(s, fourcc("clmv"));
      give(s, name(property[i]), texts[std::size_t(property[i])]);
      controlpart c = getcontrolpart(s);
      c.currentvalue = i16(texts[0].size() % 5);
      setcontrolpart(s, c);
      if (texts[1].size() % 2) s.flags |= 1u << 23;  // a hilite not shared: the popup takes a line's name
      putspot(list, i, s);
      for (int pass = 0; pass < 2; ++pass) {
        s = spotat(list, i);
        docontrolup(&s, 0);
        docontroldown(s);
        putspot(list, i, s);
      }
      s = spotat(list, i);
      dumpspotcontrol(s);
      putspot(list, i, s);
    }
  });
  return 0;
}

extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  const std::string seeds[] = {
      std::string("Red;Green;Blue\0Options\tfalse\t128\rTwo\0When\trelativedate\t60\t200\tright\rName\0one\rTwo\rthree",
                  86),
      std::string("\xA8"
                  "FONT\0\0\0",
                  8),
      std::string("a^1!x<B/K(;-;\r\r\0\t\t\t\0\t\t\t\t\t\t\0\r\r", 29),
      std::string(300, 'x') + std::string("\0", 1) + std::string(300, '\t') + std::string("\0", 1) +
          std::string(400, 'y'),
  };
  for (const std::string& s : seeds) out->emplace_back(s.begin(), s.end());
  return out->size();
}
