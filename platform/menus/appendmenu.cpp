// Items appended from a described text (AppendMenu), from the fonts or a resource type
// (AppendResMenu), and the font of a menu's items.
#include <algorithm>

#include "platform/fonts/fonts.h"
#include "platform/menus/menuimpl.h"
#include "platform/resources/resources.h"
#include "platform/text/casefold.h"

namespace kv {

namespace {

constexpr ResType kFontType = fourcc("FONT"), kFamilyType = fourcc("FOND");

// The text style a character after "<" names (0: none).
u8 stylecode(u8 c) {
  switch (c) {
    case 'B': return facebold;
    case 'I': return faceitalic;
    case 'U': return faceunderline;
    case 'O': return faceoutline;
    case 'S': return faceshadow;
    default: return 0;
  }
}

// One item of a described text, its metacharacters taken out.
MenuItemData describeditem(const u8* at, std::size_t n) {
  MenuItemData item;
  for (std::size_t i = 0; i < n; ++i) {
    const u8 c = at[i];
    const bool next = i + 1 < n;
    switch (c) {
      case '^':
        if (next) item.icon = i16(at[++i] - 48 + 256);
        continue;
      case '!':
        if (next) item.mark = at[++i];
        continue;
      case '<':
        if (next) item.style = u8(item.style | stylecode(at[++i]));
        continue;
      case '/':
        if (next) item.cmd = at[++i];
        continue;
      case '(': item.enabled = false; continue;
      default: item.text.push_back(char(c));
    }
  }
  if (!item.text.empty() && item.text[0] == '-') {
    item.separator = true;
    item.enabled = false;
  }
  return item;
}

void append(MenuData& m, MenuItemData item) {
  if (m.items.size() < kMaxMenuItems) m.items.push_back(std::move(item));
}

bool lessplain(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return plaintable[u8(x)] < plaintable[u8(y)]; });
}

}  // namespace

void AppendMenu(MenuRef menu, ConstStringPtr data) {
  MenuData* m = md(menu);
  if (!m || !data) return;
  const u8* text = data + 1;
  const std::size_t n = data[0];
  std::size_t start = 0;
  for (std::size_t i = 0; i <= n; ++i) {
    if (i < n && text[i] != ';' && text[i] != 13) continue;
    if (i > start) {
      MenuItemData item = describeditem(text + start, i - start);
      if (!item.text.empty() || item.separator) append(*m, std::move(item));
    }
    start = i + 1;
  }
  menuschanged();
}

void AppendResMenu(MenuRef menu, ResType type) {
  MenuData* m = md(menu);
  if (!m) return;
  std::vector<std::string> names;
  if (type == kFontType || type == kFamilyType) {
    for (const FontFamily& f : fontfamilies()) names.push_back(f.name);
  } else {
    for (std::string& name : resourcenames(type))
      if (!name.empty() && name[0] != '.' && name[0] != '%') names.push_back(std::move(name));
    std::stable_sort(names.begin(), names.end(), lessplain);
  }
  for (std::string& name : names) {
    MenuItemData item;
    item.text = name.substr(0, 255);
    append(*m, std::move(item));
  }
  menuschanged();
}

OSStatus SetMenuFont(MenuRef menu, i16 font, u16 size) {
  MenuData* m = md(menu);
  if (!m) return paramErr;
  m->font = font;
  m->size = size;
  menuschanged();
  return noErr;
}

OSStatus GetMenuFont(MenuRef menu, i16* font, u16* size) {
  MenuData* m = md(menu);
  if (!m) return paramErr;
  if (font) *font = m->font;
  if (size) *size = m->size;
  return noErr;
}

}  // namespace kv
