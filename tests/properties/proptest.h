// The fixture of the property tests: a project built in a temporary folder with its first window
// open, and helpers that read properties and run `set` statements in the current card's context.
//
// Window 1 "Main" (rect 100,100,460,640): background "Plain" with the field "Title" and the
// button "Bk"; cards "One" (buttons "Go" at 10,10,110,40 and "Two" at 20,50,120,80, the
// rectangle graphic "Box" at 30,100,90,140, the line graphic "Line" and the field "Notes"),
// "Two" and "Three", all on Plain. Window 2 "Other" stays closed. Menu "File" with the items
// "New" and "Quit". Card One's script has `readvar()`, which reads the user property whose name
// its variable holds, and `numberof`, which puts the number of card button "Two" into the
// global n. Object ids: Title 1, Bk 2, Go 3, Two 4, Box 5, Line 6, Notes 7.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "store/objread.h"
#include "store/records.h"
#include "tests/support/windows.h"

namespace kv {

class PropertyTest : public WindowTest {
 protected:
  void SetUp() override;

  static testproject::Project project();
  // Runs one `set` line (or any line) in the current card: its status. A failing line's error
  // alert is answered.
  i16 setline(std::string_view line);
  // Rows (VeltrixTest::rows) of `set` lines and card expressions.
  void setrows(std::initializer_list<row> cases) {
    checkrows<PropertyTest>(cases, &PropertyTest::setline, &PropertyTest::cardvalue);
  }
  // The index of the object of that name in the current card's (or background's) list.
  static i32 cardindex(std::string_view name);
  static i32 backindex(std::string_view name);
  // The object of a list by name, read and written by value.
  static spot cardspot(std::string_view name);
  static void putcardspot(std::string_view name, const spot& s);
  // Adds a user property to a list slot (creating the list).
  static void addprop(Handle* list, std::string_view name, std::string_view value);
  // Adds a user property to a card object.
  static void addcardprop(std::string_view object, std::string_view name, std::string_view value);
  // The changed flag of a cached record of the current project.
  static bool changed(u32 recid);
  std::string projectpath() const;
  // A picture made by the image importer from PNG bytes, as bytes.
  static std::vector<u8> importedpng(const std::vector<u8>& png);
};

}  // namespace kv
