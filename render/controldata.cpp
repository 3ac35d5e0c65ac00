#include "render/controldata.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/numbers.h"
#include "engine/textutil.h"
#include "platform/memory/memory.h"
#include "platform/text/casefold.h"
#include "properties/userprops.h"
#include "render/controloptions.h"
#include "render/controlvisibility.h"
#include "core/mainglobals.h"
#include "system/proctable.h"

namespace kv {

namespace {

constexpr u8 kPopupData[] = "\x09popupData";
constexpr u8 kTabData[] = "\x07tabData";
constexpr u8 kColumnData[] =
    "\x0A"
    "columnData";
constexpr u8 kRadioData[] = "\x09radioData";

constexpr u32 kShowName = 1u << 1;
constexpr u32 kUnsharedHilite = 1u << 23;
constexpr u32 kAutoBackground = 1u << 24;
constexpr u32 kShowFrame = 1u << 25;

constexpr i16 kFirstMenuId = 20000;
constexpr u8 kResourceListMark = 168;  // "(R)": the other four characters name a resource type
constexpr std::size_t kShortData = 256;
constexpr std::size_t kLineLimit = 255;

// The text of a user property of the object; empty when it has none.
std::string property(const spot& s, ConstStringPtr name) {
  Handle value = nilhandle;
  if (s.uprops == nilhandle || prophandutil(s.uprops, name, &value) != 0 || value == nilhandle) return {};
  return std::string(reinterpret_cast<const char*>(deref(value)), std::size_t(GetHandleSize(value)));
}

// The lines of a text, a return ending each; a last return adds no empty line.
std::vector<std::string> linesof(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\r', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// A short string of a text, cut at 255 characters.
void toshort(const std::string& text, Str255 out) {
  const std::size_t n = std::min(text.size(), kLineLimit);
  out[0] = u8(n);
  std::memcpy(out + 1, text.data(), n);
}

// The tab-separated fields of a line, as myStrTok splits them.
std::vector<std::string> fieldsof(const std::string& line) {
  std::vector<char> buffer(line.begin(), line.end());
  buffer.push_back(0);
  std::vector<std::string> fields;
  char* position = nullptr;
  for (char* piece = myStrTok(buffer.data(), "\t", &position); piece; piece = myStrTok(nullptr, "\t", &position))
    fields.emplace_back(piece);
  return fields;
}

bool sameword(const std::string& text, const char* word) {
  Str255 a, b;
  toshort(text, a);
  toshort(word, b);
  return myequalstring(a, b);
}

// A decimal number of a field (0 for a field that is none).
i32 numberof(const std::string& text) {
  Str255 s;
  toshort(text, s);
  i32 n = 0;
  return stringtolong(s, &n) == 0 ? n : 0;
}

// A four-character code of the first four characters of a text (the first is the most
// significant byte).
u32 code4(const std::string& text) {
  u32 code = 0;
  for (std::size_t i = 0; i < 4; ++i) code = (code << 8) | (i < text.size() ? u8(text[i]) : u8(' '));
  return code;
}

i16 freemenuid() {
  i16 id = kFirstMenuId;
  while (GetMenuHandle(id) != nilid && id < 32767) ++id;
  return id;
}

void setname(spot& s, const std::string& line) {
  Str255 name;
  toshort(line, name);
  if (s.name == nilhandle) s.name = NewHandle(0);
  if (s.name != nilhandle) stringtohand(name, s.name);
}

// A column's property type and its extra flag from its type word.
struct ColumnType {
  u32 type, flag;
};
ColumnType columntype(const std::string& word) {
  static constexpr struct {
    const char* word;
    ColumnType type;
  } kTypes[] = {
      {"text", {kDataBrowserTextType, 0}},
      {"icon", {kDataBrowserIconType, 0}},
      {"iconandtext", {kDataBrowserIconAndTextType, 0}},
      {"date", {kDataBrowserDateTimeType, 0}},
      {"relativedate", {kDataBrowserDateTimeType, kDataBrowserDateTimeRelative}},
      {"integer", {kDataBrowserTextType, 0}},
      {"float", {kDataBrowserTextType, 0}},
      {"checkbox", {kDataBrowserCheckboxType, 0}},
      {"progress", {kDataBrowserProgressBarType, 0}},
      {"relevance", {kDataBrowserRelevanceRankType, 0}},
      {"menu", {kDataBrowserPopupMenuType, 0}},
      {"slider", {kDataBrowserSliderType, 0}},
      {"custom", {kDataBrowserCustomType, 0}},
  };
  for (const auto& t : kTypes)
    if (sameword(word, t.word)) return t.type;
  return {kDataBrowserTextType, 0};
}

i16 justification(const std::string& word) {
  if (sameword(word, "left")) return -2;
  if (sameword(word, "center")) return 1;
  if (sameword(word, "right")) return -1;
  return 0;
}

// The four-character property id of column n: its number written with four digits.
u32 columnid(std::size_t n) {
  std::string digits = std::to_string(n);
  if (digits.size() < 4) digits.insert(0, 4 - digits.size(), '0');
  return code4(digits);
}

u16 widthfield(const std::vector<std::string>& fields, std::size_t at, u16 otherwise) {
  if (at >= fields.size()) return otherwise;
  return u16(std::clamp<i32>(numberof(fields[at]), 0, 0xFFFF));
}

}  // namespace

char* myStrTok(char* text, const char* delimiters, char** position) {
  char* p = text ? text : *position;
  if (p == nullptr) return nullptr;
  while (*p != 0 && std::strchr(delimiters, *p) != nullptr) ++p;
  if (*p == 0) {
    *position = p;
    return nullptr;
  }
  char* start = p;
  while (*p != 0 && std::strchr(delimiters, *p) == nullptr) ++p;
  if (*p != 0) *p++ = 0;
  *position = p;
  return start;
}

MenuRef populateMenu(spot& s, ConstStringPtr title, i16* selected, i16* menuid) {
  *selected = 1;
  *menuid = 0;
  const i16 id = freemenuid();
  MenuRef menu = NewMenu(id, title);
  if (menu == nilid) return nilid;
  *menuid = id;
  const std::string text = property(s, kPopupData);
  if (!text.empty() && text.size() < kShortData) {
    if (text.size() == 5 && u8(text[0]) == kResourceListMark) {
      AppendResMenu(menu, code4(text.substr(1)));
    } else {
      Str255 data;
      toshort(text, data);
      AppendMenu(menu, data);
    }
  } else if (!text.empty()) {
    for (const std::string& line : linesof(text)) {
      Str255 item;
      toshort(line, item);
      if (AppendMenuItem(menu, item, 0, 0, nullptr) != noErr) break;
    }
  }
  if (s.flags & kUnsharedHilite) {
    const std::vector<std::string> lines = linesof(text);
    const i32 want = std::max<i32>(getcontrolpart(s).currentvalue, 1);
    if (i32(lines.size()) >= want) {
      setname(s, lines[std::size_t(want - 1)]);
      *selected = i16(want);
    }
  } else if (title[0] != 0) {
    for (u16 i = 1; i <= CountMenuItems(menu); ++i) {
      Str255 item{};
      GetMenuItemText(menu, i, item);
      if (item[0] == title[0] && equalplain(item + 1, title + 1, title[0])) {
        *selected = i16(i);
        break;
      }
    }
  }
  InsertMenu(menu, hierMenu);
  return menu;
}

ControlRef BuildRadioGroup(spot& s, i16 background, ConstStringPtr title, bool* hasdata) {
  const u16 size = u16(getTabOrArrowOrBtnSize(s));
  const std::vector<std::string> lines = linesof(property(s, kRadioData));
  *hasdata = !lines.empty();
  if (lines.empty()) return nilid;
  const ControlColorProcPtr colour = (s.flags & kAutoBackground) ? getproc<267>() : nullptr;
  const WindowRef window = mainglobals().current.window;
  ControlRef group = nilid;
  if (CreateRadioGroupControl(window, &kParkingRect, &group) != noErr || group == nilid) return nilid;
  HideControl(group);
  const i32 refcon = background ? -i32(s.id) : i32(s.id);
  for (const std::string& line : lines) {
    Str255 name;
    toshort(line, name);
    ControlRef button = nilid;
    const i32 value = myequalstring(name, title) ? 1 : 0;
    if (CreateRadioButtonControl(window, &kParkingRect, name, value, true, &button) != noErr || button == nilid) break;
    SetControlData(button, 0, kControlSizeTag, sizeof size, &size);
    SetControlColorProc(button, colour);
    SetControlReference(button, refcon);
    EmbedControl(button, group);
    HideControl(group);
  }
  // The group shows the stored choice; without one (a value below 1) it keeps the button whose
  // title is the object's.
  const i16 current = getcontrolpart(s).currentvalue;
  if (current >= 1) SetControl32BitValue(group, current);
  return group;
}

ControlRef BuildTabs(spot& s) {
  Str255 title{};
  if ((s.flags & kShowName) && s.name != nilhandle) handtostring(s.name, title);
  const i16 definition = i16((128 + 2 * (getOrientation(s) & 3)) | getTabOrArrowOrBtnSize(s));
  const std::vector<std::string> lines = linesof(property(s, kTabData));
  const i16 tabs = i16(std::min<std::size_t>(lines.size(), 32767));
  const WindowRef window = mainglobals().current.window;
  ControlRef c = NewControl(window, &s.rect, title, false, 0, 0, std::max<i16>(tabs, 1), definition, 0);
  if (c == nilid) return nilid;
  if (tabs == 0) {
    const ControlTabInfoRecV0 info{0, 0, {0}};
    const u8 enabled = 0;
    SetControlData(c, 1, kControlTabInfoTag, sizeof info, &info);
    SetControlData(c, 1, kControlTabEnabledFlagTag, 1, &enabled);
  }
  for (i16 i = 1; i <= tabs; ++i) {
    const std::string& line = lines[std::size_t(i - 1)];
    const std::vector<std::string> fields = fieldsof(line);
    ControlTabInfoRecV0 info{0, 0, {0}};
    toshort(fields.empty() ? std::string() : fields[0], info.name);
    if (fields.size() >= 3) info.iconSuiteID = i16(numberof(fields[2]));
    const bool hastab = line.find('\t') != std::string::npos;
    const u8 enabled = !hastab || (fields.size() >= 2 && sameword(fields[1], "true")) ? 1 : 0;
    SetControlData(c, i, kControlTabInfoTag, sizeof info, &info);
    SetControlData(c, i, kControlTabEnabledFlagTag, 1, &enabled);
  }
  controlpart p = getcontrolpart(s);
  p.maximumvalue = std::max<i16>(tabs, 1);
  p.currentvalue = std::max<i16>(p.currentvalue, 1);
  setcontrolpart(s, p);
  return c;
}

ControlRef BuildDataBrowser(spot& s, const Rect& rect) {
  const WindowRef window = mainglobals().current.window;
  const bool columnview = databrowsercolumnview(s);
  ControlRef c = nilid;
  if (CreateDataBrowserControl(window, &rect, columnview ? kDataBrowserColumnView : kDataBrowserListView, &c) !=
          noErr ||
      c == nilid)
    return nilid;
  const u8 frame = (s.flags & kShowFrame) ? 1 : 0;
  SetControlData(c, 0, kControlDataBrowserIncludesFrameAndFocusTag, 1, &frame);
  const std::vector<std::string> lines = linesof(property(s, kColumnData));
  if (!columnview) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const std::vector<std::string> fields = fieldsof(lines[i]);
      const ColumnType type = columntype(fields.size() >= 2 ? fields[1] : std::string("text"));
      DataBrowserListViewColumnDesc column{};
      column.propertyDesc.propertyID = columnid(i + 1);
      column.propertyDesc.propertyType = type.type;
      column.propertyDesc.propertyFlags = kDataBrowserPropertyIsEditable | kDataBrowserListViewSelectionColumn |
                                          kDataBrowserListViewMovableColumn | kDataBrowserListViewSortableColumn |
                                          type.flag;
      DataBrowserListViewHeaderDesc& h = column.headerBtnDesc;
      h.minimumWidth = widthfield(fields, 2, 20);
      h.maximumWidth = widthfield(fields, 3, 100);
      toshort(fields.empty() ? std::string() : fields[0], h.titleString);
      h.btnFontStyle.flags = kControlUseFontMask | kControlUseJustMask;
      h.btnFontStyle.font = kControlFontViewSystemFont;
      h.btnFontStyle.just = justification(fields.size() >= 5 ? fields[4] : std::string("default"));
      AddDataBrowserListViewColumn(c, &column, kDataBrowserListViewAppendColumn);
    }
    AutoSizeDataBrowserListViewColumns(c);
  }
  controlpart p = getcontrolpart(s);
  p.maximumvalue = i16(std::clamp<std::size_t>(lines.size(), 1, 32767));
  p.currentvalue = std::clamp<i16>(p.currentvalue, 1, p.maximumvalue);
  setcontrolpart(s, p);

  DataBrowserCallbacks callbacks{};
  OSStatus e = InitDataBrowserCallbacks(&callbacks);
  callbacks.itemData = MyGetSetItemData;
  callbacks.itemCompare = MyItemComparison;
  callbacks.itemNotification = MyItemNotification;
  callbacks.acceptDrag = MyAcceptDrag;
  callbacks.receiveDrag = MyReceiveDrag;
  callbacks.addDragItem = MyAddDragItem;
  callbacks.itemHelpContent = MyItemHelpContent;
  callbacks.getContextualMenu = MyGetContextualMenu;
  callbacks.selectContextualMenu = MySelectContextualMenu;
  if (e == noErr) e = SetDataBrowserCallbacks(c, &callbacks);
  if (e != noErr) {
    DisposeControl(c);
    return nilid;
  }
  SetAutomaticControlDragTrackingEnabledForWindow(window, true);
  return c;
}

// --- The data browser's callbacks ----------------------------------------------------------------

OSStatus MyGetSetItemData(ControlRef, u32, u32, DataBrowserItemDataRef, bool setValue) {
  return setValue ? errDataBrowserPropertyNotSupported : noErr;
}
bool MyItemComparison(ControlRef, u32, u32, u32) { return false; }
void MyItemNotification(ControlRef, u32, u32) {}
bool MyAcceptDrag(ControlRef, DragReference, u32) { return false; }
bool MyReceiveDrag(ControlRef, DragReference, u32) { return true; }
bool MyAddDragItem(ControlRef, DragReference, u32, u32*) { return true; }
void MyItemHelpContent(ControlRef, u32, u32, i16, void*) {}
void MyGetContextualMenu(ControlRef, MenuRef*, u32*, u32*, u32*) {}
void MySelectContextualMenu(ControlRef, MenuRef, u32, u32, u16) {}

}  // namespace kv
