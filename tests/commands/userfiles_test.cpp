// Plain files read and written by scripts, in a temporary folder: the table of open files, the
// separate read and write positions, what `the result` tells, and the console line.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "commands/userfiles.h"
#include "platform/console/console.h"
#include "platform/files/files.h"
#include "platform/testing/answers.h"
#include "platform/testing/temphome.h"
#include "core/mainglobals.h"
#include "tests/support/homefolder.h"
#include "tests/support/veltrix.h"

namespace kv {
namespace {

class UserFilesTest : public VeltrixTest {
 protected:
  void SetUp() override {
    VeltrixTest::SetUp();
    setunattendedpolicy(UnattendedPolicy::usedefault);  // the alert of scriptError takes its default
  }
  void TearDown() override {
    closealluserfiles();  // what a test left open
    setunattendedpolicy(UnattendedPolicy::fail);
    VeltrixTest::TearDown();
  }
  TemporaryHome home;
  std::string path(std::string_view name) { return home.path() + "/" + std::string(name); }
  // A function body where `p` is the quoted path of file `name`.
  std::string with(std::string_view name, std::string_view body) {
    return "put \"" + path(name) + "\" into p\n" + std::string(body);
  }
  std::string contents(std::string_view name) {
    std::ifstream in(path(name), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  void make(std::string_view name, std::string_view bytes) { std::ofstream(path(name), std::ios::binary) << bytes; }
  // Entry n of the result texts.
  static std::string resulttext(int n);
};

std::string UserFilesTest::resulttext(int n) {
  switch (n) {
    case 2: return "That file is not open.";
    case 11: return "The file is open already, or too many files are open.";
    case 34: return "The file is locked.";
    default: return "";
  }
}

TEST_F(UserFilesTest, WritesToFollowEachOtherUntilTheFileIsOpenedAgain) {
  EXPECT_EQ(fn(with("f",
                    "open file p\nwrite \"a\" to file p\nwrite \"a\" to file p\nclose file p\n"
                    "open file p\nread from file p until eof\nreturn it")),
            "aa");
  EXPECT_EQ(fn(with("f",
                    "write \"b\" to file p\nclose file p\nopen file p\nread from file p until eof\n"
                    "close file p\nreturn it")),
            "b")
      << "the first write after an open replaces the file";
  EXPECT_EQ(fn(with("f",
                    "open file p\nwrite \"1\" to file p\nwrite \"x\" after file p\nwrite \"2\" to file p\n"
                    "close file p")),
            "");
  EXPECT_EQ(contents("f"), "1x2") << "after appends, and the next `to` goes on from there";
  EXPECT_EQ(fn(with("f", "open file p\nwrite \"z\" to file p at -1\nclose file p")), "");
  EXPECT_EQ(contents("f"), "1xz");
  EXPECT_EQ(fn(with("f", "open file p\nwrite \"Q\" to file p at start\nwrite \"E\" to file p at eof\nclose file p")),
            "");
  EXPECT_EQ(contents("f"), "QxzE");
  EXPECT_EQ(fn(with("f",
                    "put 0.5 into n\nopen file p\nwrite n * 2 after file p\nwrite n after file p\n"
                    "close file p\nreturn n + 1")),
            "1.5");
  EXPECT_EQ(contents("f"), "QxzE10.5") << "numbers are written as text";
}

TEST_F(UserFilesTest, ReadsAndWritesOfOneFileKeepTheirOwnPositions) {
  make("f", "0123456789");
  EXPECT_EQ(fn(with("f",
                    "open file p\nread from file p for 3\nput it into a\n"
                    "write \"AB\" to file p at 7\nread from file p for 3\nput a & \",\" & it into a\n"
                    "write \"C\" to file p\nclose file p\nreturn a")),
            "012,345");
  EXPECT_EQ(contents("f"), "0123456ABC") << "each write goes on after the previous one";
}

TEST_F(UserFilesTest, ReadingByCountTerminatorAndEnd) {
  make("f", "ab,cd,efgh");
  EXPECT_EQ(fn(with("f",
                    "open file p\nread from file p for 0\nput \"[\" & it & \"]\" into a\n"
                    "read from file p until \",\"\nput a & it into a\n"
                    "read from file p until eof\nput a & \"|\" & it into a\nclose file p\nreturn a")),
            "[]ab,|cd,efgh")
      << "an empty read leaves the position; the comma is part of what was read";
  EXPECT_EQ(fn(with("f", "open file p\nread from file p for 100\nput it into a\nclose file p\nreturn a")),
            "ab,cd,efgh");
  EXPECT_EQ(fn(with("f",
                    "open file p\nread from file p at 6 until \";\"\nput it into a\n"
                    "read from file p at -2 for 5\nput a & \"|\" & it into a\nclose file p\nreturn a")),
            "efgh|gh")
      << "no terminator: the rest of the file";
  EXPECT_EQ(fn(with("f", "open file p\nread from file p until end\nclose file p\nreturn it")), "ab,cd,efgh");
}

TEST_F(UserFilesTest, AFileCutSinceTheLastReadGivesNothingToTheEnd) {
  make("f", "0123456789");
  EXPECT_EQ(fn(with("f",
                    "open file p\nread from file p for 8\nwrite \"xy\" to file p\n"
                    "read from file p until eof\nclose file p\nreturn \"[\" & it & \"]\"")),
            "[]");
}

TEST_F(UserFilesTest, SyntaxErrorsAndFilesThatAreNotOpen) {
  make("f", "abc");
  for (auto [body, status] : {std::pair{"read file p for 3", 46},
                              {"read from p for 3", 73},
                              {"read from file p", 74},
                              {"read from file p until \"ab\"", 75},
                              {"write \"x\" into file p", 119},
                              {"write \"x\" to p", 73},
                              {"read from file p for 1 now", 19}}) {
    SCOPED_TRACE(body);
    EXPECT_EQ(fn(with("f", "open file p\n" + std::string(body))), "error " + std::to_string(status));
    closealluserfiles();
  }
  EXPECT_EQ(fn(with("f", "open file p\nread from file p for -1")), "error 2");
  closealluserfiles();
  for (const char* body : {"read from file p for 1", "write \"x\" to file p", "close file p"}) {
    SCOPED_TRACE(body);
    EXPECT_EQ(fn(with("f", "put \"unchanged\" into it\n" + std::string(body) + "\nreturn it")), "unchanged");
    EXPECT_EQ(result(), resulttext(2));
  }
}

TEST_F(UserFilesTest, TwentyFilesAtMost) {
  std::string body;
  for (int i = 1; i <= 21; ++i) body += "open file \"" + path("f" + std::to_string(i)) + "\"\n";
  EXPECT_EQ(fn(body), "");
  EXPECT_EQ(result(), resulttext(11));
  struct stat st;
  EXPECT_NE(::stat(path("f21").c_str(), &st), 0) << "the 21st file is not made";
  EXPECT_EQ(::stat(path("f20").c_str(), &st), 0);
  EXPECT_EQ(fn(with("f3", "write \"w\" to file p\nclose file p")), "");
  EXPECT_EQ(result(), "");
  EXPECT_EQ(contents("f3"), "w");
}

TEST_F(UserFilesTest, NewFilesTakeFileTypeAndLockedFilesOnlyRead) {
  EXPECT_EQ(fn(with("new.txt", "open file p\nclose file p")), "");
  FInfo info{};
  ASSERT_EQ(HGetFInfo(kBootVolume, 0, PName(path("new.txt")), &info), noErr);
  EXPECT_EQ(info.fdCreator, fourcc("ttxt"));
  EXPECT_EQ(info.fdType, fourcc("TEXT"));

  make("ro", "keep");
  ASSERT_EQ(::chmod(path("ro").c_str(), 0444), 0);
  EXPECT_EQ(fn(with("ro",
                    "open file p\nread from file p until eof\nput it into a\nwrite \"x\" to file p\n"
                    "put the result into r\nclose file p\nreturn a & \",\" & r")),
            "keep," + resulttext(34));
  EXPECT_EQ(contents("ro"), "keep");
}

TEST_F(UserFilesTest, PathsThatDifferInCaseNameOneEntryOnlyForTheSameFile) {
  make("A.txt", "upper");
  make("a.txt", "lower");
  const std::string upper = path("A.txt"), lower = path("a.txt");
  EXPECT_EQ(fn("open file \"" + upper + "\"\nput empty into it\nread from file \"" + lower + "\" for 5\nreturn it"),
            "");
  EXPECT_EQ(result(), resulttext(2)) << "a.txt is another file, and it is not open";
  // A link under another case leads to the open file itself.
  ASSERT_EQ(::unlink(lower.c_str()), 0);
  ASSERT_EQ(::symlink(upper.c_str(), lower.c_str()), 0);
  EXPECT_EQ(fn("read from file \"" + lower + "\" for 5\nclose file \"" + lower + "\"\nreturn it"), "upper");
  EXPECT_EQ(fn("read from file \"" + upper + "\" for 1"), "");
  EXPECT_EQ(result(), resulttext(2)) << "closed under its other name";
}

TEST_F(UserFilesTest, ConsoleLinesAndScriptErrorClosingFiles) {
  std::string written;
  setconsolecapture([&written](std::string_view s) { written += s; });
  EXPECT_EQ(run("write \"hi\" to console"), 0);
  setconsolecapture({});
  EXPECT_TRUE(std::regex_match(written, std::regex("[A-Z][a-z]{2} [ 1-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-5][0-9] hi\n")))
      << written;

  EXPECT_EQ(fn(with("f", "open file p\nwrite \"x\" to file p")), "");
  run("scriptError 5");
  EXPECT_EQ(fn(with("f", "write \"y\" to file p")), "");
  EXPECT_EQ(result(), resulttext(2)) << "scriptError closed the file";
  EXPECT_EQ(contents("f"), "x");
}

TEST_F(UserFilesTest, PluginModeRefusesFiles) {
  mainglobals().plugin = 1;
  for (const char* line : {"open file p", "close file p", "read from file p for 1", "write 1 to file p"}) {
    SCOPED_TRACE(line);
    EXPECT_EQ(fn(with("f", line)), "error 175");
  }
  mainglobals().plugin = 0;
}

}  // namespace
}  // namespace kv
