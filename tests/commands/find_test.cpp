// Finding text in the fields of a window from scripts: the forms of a find, the walk from match
// to match over the cards, the found texts, and the frame drawn around the match.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "commands/find.h"
#include "platform/qd/copybits.h"
#include "platform/qd/ports.h"
#include "platform/testing/answers.h"
#include "platform/windows/windows.h"
#include "platform/testing/transcript.h"
#include "core/mainglobals.h"
#include "shell/redraws.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

using testproject::Object;
using testproject::Project;

class FindTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    setunattendedpolicy(UnattendedPolicy::usedefault);  // error alerts take their default answer
  }
  void TearDown() override {
    setunattendedpolicy(UnattendedPolicy::fail);
    WindowTest::TearDown();
  }
  static Object field(std::string text, Rect rect = Rect{10, 10, 60, 200}) {
    Object f;
    f.kind = Object::field;
    f.text = std::move(text);
    f.rect = rect;
    return f;
  }
  // One window; each card holds card fields of these texts (and a button on the first card).
  static Project cards(const std::vector<std::vector<std::string>>& texts) {
    Project p;
    testproject::Window w;
    w.name = "Main";
    w.backgrounds.push_back(testproject::Background{"Plain", "", {}});
    for (std::size_t c = 0; c < texts.size(); ++c) {
      testproject::Card card;
      card.name = "C" + std::to_string(c + 1);
      for (std::size_t i = 0; i < texts[c].size(); ++i)
        card.objects.push_back(field(texts[c][i], Rect{i16(10 + 60 * i), 10, i16(60 + 60 * i), 200}));
      if (c == 0) card.objects.push_back(Object{});
      w.cards.push_back(card);
    }
    p.windows.push_back(w);
    return p;
  }
  void start(const Project& p) {
    build(p);
    ASSERT_EQ(open(), 0);
  }
  std::string chunk() { return cardvalue("the foundChunk"); }
  // Where each of n finds of `line` lands: the card's name and the found chunk.
  std::vector<std::string> walk(std::string_view line, int n) {
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i) {
      EXPECT_EQ(doline(line), 0);
      out.push_back(cardvalue("the short name of this card") + ": " + chunk());
    }
    return out;
  }
  static int beeps() {
    int n = 0;
    for (const std::string& l : transcriptlines()) n += l.rfind("beep", 0) == 0;
    return n;
  }
};

TEST_F(FindTest, FormsAndTheFoundTexts) {
  start(cards({{"the cat sat"}}));
  EXPECT_EQ(doline("find chars \"at\""), 0);
  EXPECT_EQ(chunk(), "char 6 to 7 of card field 1");
  EXPECT_EQ(doline("find chars \"at\""), 0);
  EXPECT_EQ(chunk(), "char 10 to 11 of card field 1");
  EXPECT_EQ(doline("put \"x\" after card field 1\nfind \"ca\""), 0);
  EXPECT_EQ(cardvalue("the foundText"), "cat") << "a normal find reports the whole word";
  EXPECT_EQ(cardvalue("the foundLine"), "line 1 of card field 1");
  EXPECT_EQ(cardvalue("the foundField"), "card field 1");
  EXPECT_EQ(cardvalue("the foundWindow"), cardvalue("the long name of this window"));

  transcriptclear();
  EXPECT_EQ(doline("find words \"ca\""), 0);
  EXPECT_EQ(cardvalue("the result"), "Not found.");
  EXPECT_EQ(cardvalue("the foundText"), "");
  EXPECT_EQ(beeps(), 1);

  cardrows({
      {"find string \"cat sat\"", "the foundChunk", "char 5 to 11 of card field 1"},
      {"find string \"sat the\"", "the result", "Not found."},
      {"find \"sat the\"", "the foundText", "satx"},
      {"find whole \"cat sat\"", "the result", "Not found."},
      {"find whole \"the cat\"", "the foundText", "the cat"},
      {"find words \"satx\"", "the foundChunk", "char 9 to 12 of card field 1"},
      {"find \"\"", "the result", "Not found."},
      {"find \"x\" in button 1", "", "error 2"},
      {"find \"x\" foo", "", "error 19"},
  });
}

TEST_F(FindTest, LinesAndFieldNumbersOfTheMatch) {
  start(cards({{"one", "alpha\rbeta\rgamma delta"}}));
  EXPECT_EQ(doline("find \"del\""), 0);
  EXPECT_EQ(cardvalue("the foundLine"), "line 3 of card field 2");
  EXPECT_EQ(cardvalue("the foundText"), "delta");
  EXPECT_EQ(chunk(), "char 18 to 22 of card field 2");
  EXPECT_EQ(doline("find \"one\" in card field 2"), 0);
  EXPECT_EQ(cardvalue("the result"), "Not found.") << "only the field named is searched";
}

TEST_F(FindTest, AScrollingFieldBringsTheMatchIntoView) {
  std::string lines;
  for (int i = 1; i <= 40; ++i) lines += "line" + std::to_string(i) + (i < 40 ? "\r" : "");
  Project p = cards({{lines}});
  p.windows[0].cards[0].objects[0].style = 301;
  start(p);
  EXPECT_EQ(cardvalue("the scroll of card field 1"), "0");
  EXPECT_EQ(doline("find \"line30\""), 0);
  EXPECT_EQ(cardvalue("the foundLine"), "line 30 of card field 1");
  const int scroll = std::stoi(cardvalue("the scroll of card field 1"));
  EXPECT_GT(scroll, 0);
  EXPECT_EQ(doline("find \"line2\""), 0);
  EXPECT_EQ(cardvalue("the foundLine"), "line 2 of card field 1") << "the next match is searched from the top";
}

TEST_F(FindTest, FieldsThatAreNotSearched) {
  Project p = cards({{"plain", "zebra", "zebra"}});
  p.windows[0].cards[0].objects[1].setflags = 1u << 14;  // dontSearch
  p.windows[0].cards[0].objects[2].style = 302;          // a list field
  start(p);
  EXPECT_EQ(doline("find \"zebra\""), 0);
  EXPECT_EQ(cardvalue("the result"), "Not found.");
}

TEST_F(FindTest, RepeatingAFindWalksEveryMatchAndWrapsAround) {
  start(cards({{"ab x ab", "ab"}, {"none"}, {"x ab"}}));
  ASSERT_EQ(doline("go card 2\ngo card 1"), 0);
  EXPECT_EQ(doline("find \"ab\"\nfind \"ab\""), 0);
  EXPECT_EQ(chunk(), "char 6 to 7 of card field 1");
  EXPECT_EQ(walk("find \"ab\"", 4), (std::vector<std::string>{
                                        "C1: char 1 to 2 of card field 2",
                                        "C3: char 3 to 4 of card field 1",
                                        "C1: char 1 to 2 of card field 1",
                                        "C1: char 6 to 7 of card field 1",
                                    }));
  EXPECT_EQ(cardvalue("the foundWindow"), cardvalue("the long name of window 1"));
  // From the middle card the walk wraps to the earlier cards.
  EXPECT_EQ(doline("go card 3\nput \"x ab\" into card field 1"), 0);
  EXPECT_EQ(walk("find \"ab\"", 3), (std::vector<std::string>{
                                        "C3: char 3 to 4 of card field 1",
                                        "C1: char 1 to 2 of card field 1",
                                        "C1: char 6 to 7 of card field 1",
                                    }));
}

TEST_F(FindTest, AnEditOrClearfindStartsAgainAtTheTop) {
  start(cards({{"ab ab"}}));
  EXPECT_EQ(doline("find \"ab\"\nfind \"ab\""), 0);
  EXPECT_EQ(chunk(), "char 4 to 5 of card field 1");
  EXPECT_EQ(doline("put \"ab ab ab\" into card field 1\nfind \"ab\""), 0);
  EXPECT_EQ(chunk(), "char 1 to 2 of card field 1");
  clearfind();
  EXPECT_EQ(doline("find \"ab\""), 0);
  EXPECT_EQ(chunk(), "char 1 to 2 of card field 1") << "no match shown: the top of the card";
}

TEST_F(FindTest, TheMatchIsFramedAndClearfindRedrawsTheBox) {
  start(cards({{"the cat sat"}}));
  takeredraws();
  EXPECT_EQ(doline("find \"sat\""), 0);
  const Rect box = mainglobals().findbox;
  ASSERT_FALSE(box.left >= box.right || box.top >= box.bottom) << "a found box is kept";
  EXPECT_GE(box.left, 10);
  EXPECT_LE(box.right, 200);
  EXPECT_GE(box.top, 10);
  EXPECT_LE(box.bottom, 60);
  // The frame is black on the window's port where the field's white was, and goes again.
  auto ink = [this](i16 h, i16 v) {
    SavePort saved;
    SetPort(GetWindowPort(current().window));
    RGBColor c{};
    GetCPixel(h, v, &c);
    return c.red == 0 && c.green == 0 && c.blue == 0;
  };
  const i16 h = i16(box.left + 1), v = box.top;
  EXPECT_TRUE(ink(h, v));
  takeredraws();
  clearfind();
  EXPECT_FALSE(ink(h, v));
  const std::vector<redrawrequest> redraws = takeredraws();
  ASSERT_EQ(redraws.size(), 1u);
  EXPECT_FALSE(redraws[0].whole);
  EXPECT_EQ(redraws[0].area.left, box.left);
  EXPECT_EQ(redraws[0].area.right, box.right);
  EXPECT_GT(mainglobals().findbox.left, mainglobals().findbox.right) << "the box is emptied";
  clearfind();
  EXPECT_TRUE(takeredraws().empty()) << "nothing shown, nothing redrawn";
}

TEST_F(FindTest, EveryAllocationFailingOnTheWayToAnotherCard) {
  const int runs = sweepallocations(
      cards({{"none"}, {"x ab"}}), [this] { ASSERT_EQ(open(), 0); }, [this] { return doline("find \"ab\""); },
      [this](i16 st) {
        if (st == 0 && cardvalue("the result") != "Not found.") {
          EXPECT_EQ(cardvalue("the short name of this card"), "C2");
        }
      });
  EXPECT_GT(runs, 10);
}

TEST_F(FindTest, StringInStringRules) {
  struct Case {
    const char* text;
    const char* word;
    u16 form;
    i32 start, end;  // -1: no match
  } cases[] = {
      {"the cat", "CA", findnormal, 4, 7},      {"the cat", "at", findnormal, -1, -1},
      {"the cat", "ca", findwords, -1, -1},     {"the cat", "cat", findwhole, 4, 7},
      {"the cat", "at", findchars, 5, 7},       {"scat cat", "cat", findwords, 5, 8},
      {"a-b", "-", findnormal, 1, 2},           {"cat", "cats", findchars, -1, -1},
      {"caf\x8E bar", "caf", findnormal, 0, 4}, {"x.y", "y", findwords, 2, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " / " + c.word);
    i32 s = -1, e = -1;
    const i16 found = stringinstring(reinterpret_cast<const u8*>(c.text), i32(std::strlen(c.text)),
                                     reinterpret_cast<const u8*>(c.word), i32(std::strlen(c.word)), c.form, &s, &e);
    EXPECT_EQ(found, c.start >= 0 ? 1 : 0);
    if (found) {
      EXPECT_EQ(s, c.start);
      EXPECT_EQ(e, c.end);
    }
  }
}

TEST_F(FindTest, TwoByteTextStepsOverWholeCharacters) {
  mainglobals().twobyte = 1;
  const u8 text[] = {0x83, 0x41, 0x41};
  const u8 word[] = {0x41};
  i32 s = -1, e = -1;
  EXPECT_EQ(stringinstring(text, 3, word, 1, findchars, &s, &e), 1);
  EXPECT_EQ(s, 2) << "the second byte of a pair is never a start";
  mainglobals().twobyte = 0;
}

}  // namespace
}  // namespace kv
