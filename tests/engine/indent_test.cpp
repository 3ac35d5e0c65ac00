#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/indent.h"
#include "platform/backend/headless.h"
#include "platform/memory/memory.h"
#include "tests/support/fixture.h"
#include "tests/support/texts.h"
#include "tests/support/owned.h"

namespace kv {
namespace {

using namespace testtexts;

// Lines joined by returns, as scripts hold them.
std::string lines(std::initializer_list<std::string> ls) {
  std::string s;
  bool first = true;
  for (const std::string& l : ls) {
    if (!first) s += '\r';
    s += l;
    first = false;
  }
  return s;
}

std::vector<std::string> split(const std::string& s) {
  std::vector<std::string> out(1);
  for (char c : s) {
    if (c == '\r') out.emplace_back();
    else out.back() += c;
  }
  return out;
}

// The leading spaces of every line.
std::vector<int> margins(const std::string& s) {
  std::vector<int> out;
  for (const std::string& l : split(s)) {
    const size_t at = l.find_first_not_of(' ');
    out.push_back(int(at == std::string::npos ? l.size() : at));
  }
  return out;
}

// Every line without its leading spaces.
std::vector<std::string> bodies(const std::string& s) {
  std::vector<std::string> out;
  for (const std::string& l : split(s)) {
    const size_t at = l.find_first_not_of(' ');
    out.push_back(at == std::string::npos ? "" : l.substr(at));
  }
  return out;
}

class IndentTest : public RuntimeTest {
 protected:
  // The text form, as a new handle.
  std::string indented(const std::string& text, i16 tabsize) {
    Handle h = newhand(text);
    i32 start = 0, end = 0;
    Handle out = indent(h, &start, &end, tabsize, false);
    EXPECT_NE(out, nilhandle);
    EXPECT_EQ(hand(h), text);  // the source is left as it was
    std::string s = out != nilhandle ? hand(out) : "";
    DisposeHandle(out);
    DisposeHandle(h);
    // No line loses or gains anything but leading spaces.
    EXPECT_EQ(bodies(s), bodies(text));
    return s;
  }
  std::vector<int> indentation(const std::string& text, i16 tabsize) { return margins(indented(text, tabsize)); }
  std::vector<i16> levels(const std::string& text, i16 tabsize = 3) {
    Handle h = newhand(text);
    Handle lv = nilhandle;
    EXPECT_EQ(indentlevels(h, tabsize, &lv), 0);
    std::vector<i16> out(HandleAs<i16>(lv), HandleAs<i16>(lv) + HandleCount<i16>(lv));
    DisposeHandle(lv);
    DisposeHandle(h);
    return out;
  }
  // The text form's margins divided by the tab size agree with the level form.
  void expectformsagree(const std::string& text) {
    std::vector<int> m = indentation(text, 4);
    std::vector<i16> l = levels(text, 4);
    ASSERT_EQ(m.size(), l.size()) << text;
    for (size_t i = 0; i < m.size(); ++i) EXPECT_EQ(m[i], l[i] * 4) << "line " << i << " of\n" << text;
  }
  u32 beeps() { return headlessbackend()->beeps(); }
};

const std::string kHandler = lines({"on mouseUp", "if x then", "beep", "else", "beep 2", "end if", "end mouseUp"});

TEST_F(IndentTest, IfElseInsideAHandler) {
  EXPECT_EQ(indentation(kHandler, 3), (std::vector<int>{0, 3, 6, 3, 6, 3, 0}));
  EXPECT_EQ(indented(kHandler, 3),
            lines({"on mouseUp", "   if x then", "      beep", "   else", "      beep 2", "   end if", "end mouseUp"}));
  // Old indentation is replaced, not added to.
  EXPECT_EQ(indented(indented(kHandler, 5), 3), indented(kHandler, 3));
  EXPECT_EQ(levels(kHandler), (std::vector<i16>{0, 1, 2, 1, 2, 1, 0}));
}

TEST_F(IndentTest, TabSizesAreClampedAndZeroRemovesLeadingBlanks) {
  EXPECT_EQ(indentation(kHandler, 12), (std::vector<int>{0, 8, 16, 8, 16, 8, 0}));
  EXPECT_EQ(indentation(kHandler, 8), indentation(kHandler, 12));
  EXPECT_EQ(indenttabsize(12), 8);
  EXPECT_EQ(indenttabsize(-3), 0);
  const std::string messy = lines({"  on mouseUp", "      if x then", " beep", "   end if", "end mouseUp"});
  EXPECT_EQ(indented(messy, 0), lines({"on mouseUp", "if x then", "beep", "end if", "end mouseUp"}));
  EXPECT_EQ(indented(messy, -4), indented(messy, 0));
  EXPECT_EQ(levels(messy, 0), (std::vector<i16>{0, 0, 0, 0, 0}));
}

TEST_F(IndentTest, AnEndThatDoesNotCloseTheHandlerCopiesTheRestAtTheInnerLevel) {
  const std::string text = lines({"on mouseUp", "beep", "end mouseDown", "put 1", "on other", "end other"});
  EXPECT_EQ(indentation(text, 3), (std::vector<int>{0, 3, 3, 3, 3, 3}));
  EXPECT_EQ(levels(text), (std::vector<i16>{0, 1, 1, 1, 1, 1}));
  // The handler name is matched without regard to the case of A-Z.
  EXPECT_EQ(indentation(lines({"on MouseUp", "beep", "END mouseup", "put 1"}), 2), (std::vector<int>{0, 2, 0, 0}));
}

TEST_F(IndentTest, RepeatSwitchAndTryBodies) {
  EXPECT_EQ(indentation(
                lines({"function f n", "repeat with i = 1 to n", "add i to t", "end repeat", "return t", "end f"}), 2),
            (std::vector<int>{0, 2, 4, 2, 2, 0}));
  EXPECT_EQ(
      indentation(lines({"on f", "switch x", "case 1", "beep", "break", "case 2", "beep 2", "end switch", "end f"}), 2),
      (std::vector<int>{0, 2, 4, 6, 6, 4, 6, 2, 0}));
  EXPECT_EQ(indentation(lines({"on f", "try", "put 1/0", "catch e", "answer e", "end try", "end f"}), 2),
            (std::vector<int>{0, 2, 6, 4, 6, 2, 0}));
}

TEST_F(IndentTest, NothingOutsideAHandlerIsIndented) {
  const std::string text = lines({"  if x then", "  beep", "end if", "repeat 3", "  switch y", "case 1", "  end switch",
                                  "end repeat", "on f", "beep", "end f"});
  EXPECT_EQ(indentation(text, 4), (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0}));
}

TEST_F(IndentTest, OneLineThensAndElses) {
  // A one-line then with its else on the next line; the else alone opens an else block.
  EXPECT_EQ(indentation(lines({"on f", "if a then beep", "else", "beep 2", "end if", "put 1", "end f"}), 2),
            (std::vector<int>{0, 2, 2, 4, 2, 2, 0}));
  // then and else each with a statement on the same line; "else if" chains.
  EXPECT_EQ(indentation(lines({"on f", "if a then beep else beep 2", "if b then put 1", "else put 2", "if c then",
                               "put 3", "else if d then", "put 4", "else", "put 5", "end if", "end f"}),
                        2),
            (std::vector<int>{0, 2, 2, 2, 2, 4, 2, 4, 2, 4, 2, 0}));
  // A then on the line after the condition, blank lines between.
  EXPECT_EQ(indentation(lines({"on f", "if a", "", "then", "beep", "end if", "end f"}), 2),
            (std::vector<int>{0, 2, 2, 2, 4, 2, 0}));
  // then followed by a block on the same line.
  EXPECT_EQ(indentation(lines({"on f", "if a then repeat 2", "beep", "end repeat", "end f"}), 2),
            (std::vector<int>{0, 2, 4, 2, 0}));
  // if ... then if ... then: one block for the inner if.
  EXPECT_EQ(indentation(lines({"on f", "if a then if b then", "beep", "end if", "end f"}), 2),
            (std::vector<int>{0, 2, 4, 2, 0}));
}

TEST_F(IndentTest, AThenOnItsOwnLineKeepsItsElseBlock) {
  // The statement after a then on its own line is a one-line then: an else block that follows
  // is indented and its end if closes it, so the rest of the handler keeps its shape.
  EXPECT_EQ(indentation(lines({"on f", "if a", "then beep", "else", "beep 2", "end if", "put 1", "end f"}), 2),
            (std::vector<int>{0, 2, 2, 2, 4, 2, 2, 0}));
}

TEST_F(IndentTest, BrokenStructureIsCopiedAsItComes) {
  // An if broken off before then: one level in for the rest of the text.
  EXPECT_EQ(indentation(lines({"on f", "if a if b", "beep", "end f"}), 2), (std::vector<int>{0, 4, 4, 4}));
  // A then that never comes.
  EXPECT_EQ(indentation(lines({"on f", "if a", "beep", "end f"}), 2), (std::vector<int>{0, 2, 4, 4}));
  // A second else in an else block, and an end repeat that closes an if.
  EXPECT_EQ(indentation(lines({"on f", "if a then beep", "else", "beep", "else", "put 1", "end f"}), 2),
            (std::vector<int>{0, 2, 2, 4, 4, 4, 4}));
  EXPECT_EQ(indentation(lines({"on f", "if a then", "beep", "end repeat", "put 1", "end f"}), 2),
            (std::vector<int>{0, 2, 4, 4, 4, 4}));
  // A handler with no name, and one inside another.
  EXPECT_EQ(indentation(lines({"on", "  beep", "on f", "end f"}), 2), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(indentation(lines({"on f", "on g", "end g", "end f"}), 2), (std::vector<int>{0, 2, 2, 2}));
  // Stray block words inside a handler are ordinary lines.
  EXPECT_EQ(indentation(lines({"on f", "else", "case 1", "catch", "then", "end f"}), 2),
            (std::vector<int>{0, 2, 2, 2, 2, 0}));
}

TEST_F(IndentTest, ContinuedLinesGetOneExtraLevel) {
  const std::string text = lines({"on f", "put 1 + \xC2", "2 + \xC2", "3 into x", "put \"a \xC2\" into y",
                                  "if a and \xC2", "b then", "beep", "end if", "end f"});
  EXPECT_EQ(indentation(text, 2), (std::vector<int>{0, 2, 4, 4, 2, 2, 4, 4, 2, 0}));
  EXPECT_EQ(levels(text), (std::vector<i16>{0, 1, 2, 2, 1, 1, 2, 2, 1, 0}));
}

TEST_F(IndentTest, AContinuationCharacterInACommentDoesNotContinueTheLine) {
  // The comment ends with its line, as the tokenizer reads it, so the if that follows still
  // opens its block.
  const std::string text = lines(
      {"on f", "-- see below \xC2", "if a then", "beep", "end if", "put 1 -- and \xC2", "put 2", "end f"});
  EXPECT_EQ(indentation(text, 2), (std::vector<int>{0, 2, 2, 4, 2, 2, 2, 0}));
  EXPECT_EQ(levels(text), (std::vector<i16>{0, 1, 1, 2, 1, 1, 1, 0}));
}

TEST_F(IndentTest, StringsAndCommentsHideBlockWords) {
  EXPECT_EQ(indentation(lines({"on f", "put \"if x then\" into y", "put 1 -- repeat", "-- end f", "put \"unclosed",
                               "beep", "end f"}),
                        2),
            (std::vector<int>{0, 2, 2, 2, 2, 2, 0}));
  // A comment right after a word ends the word.
  EXPECT_EQ(indentation(lines({"on f", "if a then--note", "beep", "end if", "end f"}), 2),
            (std::vector<int>{0, 2, 4, 2, 0}));
}

TEST_F(IndentTest, ATextEndingInAReturnGetsTheLevelsSpacesOnItsLastLine) {
  EXPECT_EQ(indented(lines({"on f", "beep", ""}), 3), lines({"on f", "   beep", "   "}));
  EXPECT_EQ(indented(lines({"on f", "beep", "end f", ""}), 3), lines({"on f", "   beep", "end f", ""}));
  EXPECT_EQ(levels(lines({"on f", "beep", ""})), (std::vector<i16>{0, 1, 1}));
  EXPECT_EQ(indented("", 3), "");
  EXPECT_EQ(levels(""), (std::vector<i16>{0}));
}

TEST_F(IndentTest, TheSelectionMovesWithTheCharactersAroundIt) {
  const std::string text = lines({"on f", "  beep", "put 1", "end f"});
  //                              0123 4 567890 1 23456 7
  OwnedHandle h(newhand(text));
  // A caret in the word put (offset 14) moves with the three spaces before it and the two
  // blanks taken from beep's line.
  i32 start = 14, end = 16;
  Handle out = indent(h, &start, &end, 3, false);
  ASSERT_NE(out, nilhandle);
  EXPECT_EQ(hand(out), lines({"on f", "   beep", "   put 1", "end f"}));
  EXPECT_EQ(start, 18);
  EXPECT_EQ(end, 20);
  EXPECT_EQ(hand(out).substr(size_t(start), 2), "t ");
  DisposeHandle(out);

  // A start inside leading blanks moves forward over them first, so it stays on the word.
  start = 6, end = 6;
  out = indent(h, &start, &end, 3, false);
  EXPECT_EQ(hand(out).substr(size_t(start), 4), "beep");
  EXPECT_EQ(end, start);
  DisposeHandle(out);

  // Out-of-range values are clamped to the text.
  start = -5, end = 1000;
  out = indent(h, &start, &end, 3, false);
  EXPECT_EQ(start, 0);
  EXPECT_EQ(end, GetHandleSize(out));
  DisposeHandle(out);
}

TEST_F(IndentTest, ASelectionAtTheStartOfAnUnindentedLineKeepsItsText) {
  const std::string text = lines({"on f", "put 1", "beep", "end f"});
  //                              0123 4 56789 0 1234 5
  OwnedHandle h(newhand(text));
  struct Case {
    i32 start, end;
    const char* selected;
  };
  // The word put, the whole second line with its return, and a caret at its start: the blanks
  // written before the line go before the selection, never into it.
  for (Case c : {Case{5, 8, "put"}, Case{5, 11, "put 1\r"}, Case{5, 5, ""}, Case{5, 15, "put 1\r   beep"}}) {
    i32 start = c.start, end = c.end;
    Handle out = indent(h, &start, &end, 3, false);
    ASSERT_NE(out, nilhandle);
    ASSERT_LE(start, end);
    EXPECT_EQ(start, c.start + 3);
    EXPECT_EQ(hand(out).substr(size_t(start), size_t(end - start)), c.selected) << c.start << "," << c.end;
    DisposeHandle(out);
  }
}

TEST_F(IndentTest, InPlaceAndTheExternalEntries) {
  OwnedHandle h(newhand(kHandler));
  i32 start = 0, end = 0;
  EXPECT_EQ(indent(h, &start, &end, 3, true), nilhandle);
  EXPECT_EQ(margins(hand(h)), (std::vector<int>{0, 3, 6, 3, 6, 3, 0}));

  xkv4indent(h, &start, &end, 1);
  EXPECT_EQ(margins(hand(h)), (std::vector<int>{0, 1, 2, 1, 2, 1, 0}));

  // The 16-bit entry narrows a selection that moved past 32767 to the top of the range.
  std::string big = "on f\r";
  for (int i = 0; i < 8000; ++i) big += "beep\r";
  big += "end f";
  OwnedHandle b(newhand(big));
  i16 s16 = 32000, e16 = 32001;
  xkv3indent(b, &s16, &e16, 8);
  EXPECT_EQ(s16, 32767);
  EXPECT_EQ(e16, 32767);
  EXPECT_EQ(GetHandleSize(b), Size(big.size() + 8000 * 8));
}

TEST_F(IndentTest, FailuresBeepAndChangeNothing) {
  const u32 before = beeps();
  i32 start = 3, end = 4;
  EXPECT_EQ(indent(nilhandle, &start, &end, 3, false), nilhandle);
  EXPECT_EQ(beeps(), before + 1);
  Handle lv = nilhandle;
  EXPECT_NE(indentlevels(nilhandle, 3, &lv), 0);
  EXPECT_EQ(lv, nilhandle);
  EXPECT_EQ(beeps(), before + 2);

  // No memory for the output: nothing delivered, in place or not, and the selection stays.
  OwnedHandle h(newhand(kHandler));
  failallocationafter(1);
  EXPECT_EQ(indent(h, &start, &end, 3, false), nilhandle);
  failallocationafter(1);
  EXPECT_EQ(indent(h, &start, &end, 3, true), nilhandle);
  EXPECT_EQ(beeps(), before + 4);
  EXPECT_EQ(hand(h), kHandler);
  EXPECT_EQ(start, 3);
  EXPECT_EQ(end, 4);

  // The output cannot grow past its first block: the partial output is not delivered either.
  std::string big = "on f\r";
  for (int i = 0; i < 4000; ++i) big += "beep\r";
  big += "end f";
  OwnedHandle b(newhand(big));
  failallocationafter(2);
  EXPECT_EQ(indent(b, &start, &end, 8, false), nilhandle);
  failallocationafter(2);
  EXPECT_EQ(indent(b, &start, &end, 8, true), nilhandle);
  failallocationafter(0);
  EXPECT_EQ(hand(b), big);
  EXPECT_EQ(beeps(), before + 6);
}

TEST_F(IndentTest, DeepNestingIsBoundedAndLosesNothing) {
  std::string text = "on f\r";
  for (int i = 0; i < 5000; ++i) text += "repeat\r";
  for (int i = 0; i < 5000; ++i) text += "end repeat\r";
  text += "end f";
  std::vector<i16> l = levels(text, 1);
  EXPECT_EQ(l[1], 1);
  EXPECT_EQ(l[2], 2);
  EXPECT_LE(*std::max_element(l.begin(), l.end()), 200);
  indented(text, 1);  // checks that every line is kept
}

TEST_F(IndentTest, TheTwoFormsAgree) {
  expectformsagree(kHandler);
  expectformsagree(
      lines({"on f", "switch x", "case 1", "if a then", "beep", "else if b then", "put 1 \xC2", "+ 2", "end if",
             "end switch", "end f", "", "function g", "try", "  x", "catch e", "end try", "end g", ""}));
}

}  // namespace
}  // namespace kv
