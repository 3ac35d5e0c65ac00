// Test projects made as code: a description of windows, backgrounds, cards and their objects
// (with names, scripts and field texts) written into a project file through the store, so
// that tests start from a real project instead of a binary file.
//
//   testproject::Project p = testproject::small();
//   p.windows[0].cards[1].script = "on openCard\r  put 1 into x\rend openCard";
//   ASSERT_EQ(testproject::build(dirid, "p.kv45", p), 0);
#pragma once

#include <array>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace kv::testproject {

struct Object {
  enum Kind : u16 { graphic = 0, button = 1, field = 2 } kind = button;
  std::string name;
  std::string script;
  std::string text;  // a field's text (a background field's text on cards that give none)
  Rect rect{10, 10, 40, 110};
  u16 style = 0;  // 0: the kind's usual style (graphic 100, button 201, field 300)
  // The record fields drawing reads; what a test leaves unset keeps the new object's default.
  u32 setflags = 0;  // flag bits set, and cleared, beyond the defaults
  u32 clearflags = 0;
  std::optional<u8> showfill, showpen, themefill, themepen;
  std::optional<u8> fillfore, fillback, penfore, penback;  // colour indexes
  std::optional<std::array<u8, 8>> fillpat, penpat;
  std::optional<u16> penwidth, penheight, ink, shadow;
  std::optional<std::array<u8, 12>> tail;  // the kind tail, in memory order
  std::vector<u8> data;                    // a graphic's data part in memory (polygon, bitmap rows)
  std::vector<Object> nested;              // a group's objects
};

struct Background {
  std::string name;
  std::string script;
  std::vector<Object> objects;
  u16 width = 0, height = 0;  // the card's size; 0: the window's
};

struct Card {
  std::string name;
  std::string script;
  size_t background = 0;  // index into the window's backgrounds
  std::vector<Object> objects;
  std::map<std::string, std::string> fieldtexts;  // this card's texts of background fields, by name
};

struct Window {
  std::string name;
  std::string script;
  Rect rect{100, 100, 460, 640};  // the window's content rectangle
  u16 style = 0;                  // 0 standard, 6 palette, ...
  u32 flags = 15;                 // the window record's flags (close box, zoom box, resizable, draggable)
  u16 themeback = 0;              // the background code
  u16 translucency = 0;           // the opacity reduction in percent
  std::vector<Background> backgrounds;
  std::vector<Card> cards;  // in card order
};

struct MenuItem {
  std::string name;
  std::string script;
  u16 key = 0;    // the command key's character (0: none)
  u32 flags = 0;  // bit 0 disabled, 1 divide line, 2 check mark, 3-7 style, 8-10 shift, option, control
};

struct Menu {
  std::string name;
  std::string script;
  std::vector<MenuItem> items;
  u32 flags = 0;  // bit 0 disabled, bit 1 protected
};

// An external-resource record: resources and the code of externals.
struct Resource {
  u32 type = 0;  // a four-character code
  std::string name;
  std::vector<u8> data;  // as stored (big-endian where the type has numbers)
  u32 id = 0;            // its resource id; 0: kFirstResourceId + its index
};

struct Project {
  std::string script;
  std::vector<Window> windows;
  std::vector<Menu> menus;          // the menus library, in order
  std::vector<Resource> resources;  // the resources library, in order
  u32 headerflags = 0;              // the store header's flag word
};

// The ids the builder gives: windows 100, 101, ... in order; in each window the backgrounds
// and then the cards take ids from 100 on (backgrounds first, in order); objects of a window
// take ids from 1 on, background objects first.
// Menus take ids from 100 on in order, and the items of each menu ids from 1 on.
constexpr u32 kFirstWindowId = 100;
constexpr u32 kFirstCardId = 100;
constexpr u32 kFirstMenuId = 100;
constexpr u32 kFirstResourceId = 100;

// One window "Main" with two backgrounds ("Plain" with a field "Title" and "Fancy" with a
// button "Next"), and three cards: "One" and "Two" on Plain (each with a button "Go" and its
// own Title text), "Three" on Fancy with a card field "Notes". Every object, card,
// background, window and the project has a short script.
Project small();

// A filled rectangle graphic of one colour (an index of the standard 8-bit table: 35 red,
// 185 green, 210 blue), without a pen.
Object paint(Rect r, u8 colour);
// A bitmap graphic (style 105) over a rectangle: its colour flag and its image as it is held in
// memory (colour: one index a byte, rows padded to 4 bytes; else 1-bit rows padded to 2 bytes).
Object bitmap(Rect r, bool colour, std::vector<u8> image);
// One plain window (style 4, a white background) of 400 x 300 whose one card shows a red
// rectangle graphic, a green one and a rectangle button, at these rectangles.
constexpr Rect kDrawnRed{20, 20, 80, 120}, kDrawnGreen{20, 150, 80, 250}, kDrawnButton{120, 20, 160, 140};
Project drawn();
// One window of 640 x 440 whose card shows a button of each control style (201 and 203-229),
// five to a row in cells of 124 by 70 pixels from (14, 20), each 90 wide and 28 high.
Project buttons();

// Writes the project into a new file `name` of folder `dirid`: 0, or the store's error.
i16 build(u32 dirid, std::string_view name, const Project& project);
// Gives file `name` of folder `dirid` the project's file type and creator, as `new project`
// leaves its file (the open dialog lists only files of that type).
i16 typeasproject(u32 dirid, std::string_view name);

// Scripts in the project's line form: "\n" becomes a return (13).
std::string scripttext(std::string_view text);

}  // namespace kv::testproject
