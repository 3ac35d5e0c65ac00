// The fixture of the object-reference tests: a project of three windows and two menus built in
// a temporary folder, its first window open, and readers of references in the current card's
// context.
//
// Window 1 "Main": backgrounds Plain (field "Title", button "Bk"), Fancy (field "Other") and
// Third (field "T3"); ten cards One .. Ten on Plain, Plain, Fancy, Third, Plain, Third, Third,
// Fancy, Plain, Plain. Card One holds the buttons Go, b1, b2 .. b13 and, third, the field
// Notes; card Two the buttons b1, b2, "12", b4 .. b13; Five and Eight a card field Notes.
// Window 2 "Four" has four unnamed cards (the first with a card field Notes), window 3 "Five" five, each on one background with a field
// whose text on card n is "four n" or "five n". Menus: File (New, Save, Quit) and Edit (no
// items).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/hier.h"
#include "store/objread.h"
#include "tests/support/windows.h"

namespace kv {

class ReferenceTest : public WindowTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  static testproject::Project mainproject();
  // Builds (unless buildmain built another) and opens window 1 of the main project; records the
  // holds as the baseline, which the open projects must hold again at the end of the test
  // (unless it closed every window).
  void openmain();
  void buildmain(const testproject::Project& p);
  // A second project "other.kv45": one window, cards Alpha and Beta on one background whose
  // field holds "alpha text" and "beta text".
  void buildother();
  // Takes every window down.
  void closeall();
  std::string path(std::string_view name);

  // Reads a reference with readobj (read) or scanobj (scan) in a path whose running level has
  // the reference text `me`.
  i16 read(std::string_view words, objread* obj, i32* used = nullptr);
  i16 scan(std::string_view words, objread* obj, i32* used = nullptr, std::string_view me = "");

  // Reads a reference that must read, checks its descriptor and releases it.
  //   expectref("item 3 of menu 1", [&](auto& o) { EXPECT_EQ(o.itemindex, 2); });
  template <class Check>
  void expectref(std::string_view words, Check check, i32* used = nullptr) {
    objread obj{};
    i16 status = read(words, &obj, used);
    EXPECT_EQ(status, 0) << words;
    if (status != 0) return;
    check(obj);
    writeobj(&obj);
  }
  // The name of a read object, of a read card; the text of a field of a read descriptor.
  static std::string spotname(const objread& obj);
  static std::string cardname(const objread& obj);
  // Replaces the stored text of the descriptor's object.
  static void setspottext(const objread& obj, std::string_view text);
  // The object a reference names by name, or "error N"; the card number a reference names
  // (0 on failure). Both release what they read.
  std::string partname(std::string_view words);
  u32 cardnumber(std::string_view words);

  // Uses of records held in every open project's record cache, and their count right after
  // openmain.
  static u64 holds();
  u64 baseline() const { return baseline_; }
  static u32 openprojects();
  // The text of background field `index` as the current background holds it now.
  std::string backfieldtext(i32 index);
  // The id of button Go (card One's first object).
  u32 goid();

 private:
  std::vector<hier> path_;
  u64 baseline_ = 0;
  bool built_ = false;
  bool checkholds_ = false;
};

}  // namespace kv
