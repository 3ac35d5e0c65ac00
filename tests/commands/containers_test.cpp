// get, put, add, subtract, multiply, divide, delete and clear as handlers use them.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <sys/stat.h>

#include "platform/testing/temphome.h"
#include "core/mainglobals.h"
#include "tests/support/veltrix.h"

namespace kv {
namespace {

class ContainersTest : public VeltrixTest {};

TEST_F(ContainersTest, GetTakesAGlobalPropertyWordWithoutThe) {
  EXPECT_EQ(fn("get itemDelimiter\nreturn it"), ",");
  EXPECT_EQ(fn("get scriptCache\nreturn it"), "31");
  EXPECT_EQ(fn("get 3 * 4\nreturn it"), "12");
  EXPECT_EQ(fn("put 2 into x\nget x + 1 & \"!\"\nreturn it"), "3!");
  EXPECT_EQ(fn("get 1 2"), "error 19");
}

TEST_F(ContainersTest, PutWritesItsContainers) {
  EXPECT_EQ(fn("put 5 into x\nput \"a\" before x\nput \"b\" after x\nreturn x"), "a5b");
  EXPECT_EQ(fn("put \"a,b,c\" into x\nput \"B\" into item 2 of x\nreturn x"), "a,B,c");
  EXPECT_EQ(fn("put 1 + 2 into x\nreturn x"), "3");
  EXPECT_EQ(fn("put 1 + 2 & \"x\" into y\nreturn y"), "3x");
  EXPECT_EQ(fn("put 1 onto x"), "error 2");
  EXPECT_EQ(fn("put 1 into x y"), "error 19");
  EXPECT_EQ(run("put \"shown\""), 0);
  EXPECT_EQ(msg(), "shown");
  EXPECT_EQ(run("putMessage"), 0);
  EXPECT_EQ(msg(), "shown");
}

TEST_F(ContainersTest, PutAfterAVariableHoldingALongText) {
  const std::string x36 = "put \"abcdefghijklmnopqrstuvwxyz0123456789\" into x\n";
  EXPECT_EQ(fn(x36 + "put 1.5 after x\nput empty after x\nput x after x\nput \"!\" after x\n"
                     "return length(x) && char 37 to 39 of x && char 76 to 79 of x"),
            "79 1.5 1.5!");
  EXPECT_EQ(fn(x36 + "put 2 into y\nput y after x\nput x after y\nreturn char 37 of x && length(y)"), "2 38");
  mainglobals().explicitVars = 1;
  EXPECT_EQ(fn("put \"a\" after nosuch"), "error 45");
  mainglobals().explicitVars = 0;
}

TEST_F(ContainersTest, Arithmetic) {
  EXPECT_EQ(fn("put 5 into x\nadd 2 to x\nreturn x"), "7");
  EXPECT_EQ(fn("put 5 into x\nsubtract 2 from x\nreturn x"), "3");
  EXPECT_EQ(fn("put 5 into x\nmultiply x by 3\nreturn x"), "15");
  EXPECT_EQ(fn("put 5 into x\ndivide x by 2\nreturn x"), "2.5");
  EXPECT_EQ(fn("put empty into x\nadd 4 to x\nreturn x"), "4");  // empty counts as 0
  EXPECT_EQ(fn("put \"1,2,3\" into x\nadd 5 to item 2 of x\nreturn x"), "1,7,3");
  EXPECT_EQ(fn("put \"a\" & return & \"10\" into x\nmultiply line 2 of x by 2\nreturn line 2 of x"), "20");
}

TEST_F(ContainersTest, ArithmeticErrors) {
  EXPECT_EQ(fn("put 1 into x\nadd 2 into x"), "error 7");
  EXPECT_EQ(fn("put 1 into x\nsubtract 2 to x"), "error 7");
  EXPECT_EQ(fn("put 1 into x\nmultiply x with 2"), "error 47");
  EXPECT_EQ(fn("put 1 into x\ndivide x 2"), "error 47");
  EXPECT_EQ(fn("put 1 into x\nadd 2 to x now"), "error 19");
  EXPECT_EQ(fn("put 1 into x\nadd true to x"), "error 12");
  EXPECT_EQ(fn("put \"abc\" into x\nadd 1 to x"), "error 12");
  EXPECT_EQ(fn("put \"1,b\" into x\nadd 1 to item 2 of x"), "error 12");
  EXPECT_EQ(fn("add 1 to nosuchvariable"), "error 45");
  // A failed command leaves the container as it was.
  EXPECT_EQ(fn("put \"abc\" into x\ntry\nadd 1 to x\ncatch e\nend try\nreturn x"), "abc");
}

TEST_F(ContainersTest, DividingByZeroStoresTheInfinityOrNotANumber) {
  std::string inf = fn("put 1 into x\ndivide x by 0\nreturn x");
  std::string nan = fn("put 0 into x\ndivide x by 0\nreturn x");
  EXPECT_EQ(inf.find("error"), std::string::npos) << inf;
  EXPECT_EQ(nan.find("error"), std::string::npos) << nan;
  EXPECT_NE(inf, nan);
}

TEST_F(ContainersTest, ArithmeticReadsAtMost255CharactersOfAChunk) {
  // Item 1 holds "12", 253 blanks and "34": its first 255 characters are the number 12.
  std::string body =
      "put \"12\" into x\nrepeat 253 times\nput space after x\nend repeat\n"
      "put \"34,5\" after x\nadd 1 to item 1 of x\nreturn x";
  EXPECT_EQ(fn(body), "13,5");
}

TEST_F(ContainersTest, DeleteTakesOneAdjacentDelimiter) {
  std::string abc = "put \"a\" & return & \"b\" & return & \"c\" into x\n";
  EXPECT_EQ(fn(abc + "delete line 2 of x\nreturn x"), "a\rc");
  EXPECT_EQ(fn(abc + "delete line 3 of x\nreturn x"), "a\rb");
  EXPECT_EQ(fn(abc + "delete the last line of x\nreturn x"), "a\rb");
  EXPECT_EQ(fn(abc + "delete line 1 of x\nreturn x"), "b\rc");
  EXPECT_EQ(fn(abc + "clear line 9 of x\nreturn x"), "a\rb\rc") << "no delimiters are added";
  EXPECT_EQ(fn("put \"one,two,three\" into x\ndelete item 2 of x\nreturn x"), "one,three");
  EXPECT_EQ(fn("put \"one two three\" into x\ndelete word 2 of x\nreturn x"), "one three");
  EXPECT_EQ(fn("put \"abc\" into x\ndelete char 2 of x\nreturn x"), "ac");
  EXPECT_EQ(fn("put \"a\" into x\ndelete line 1 of x\nreturn x"), "");
  EXPECT_EQ(fn("put \"abc\" into x\ndelete char 2 of x now"), "error 19");
  EXPECT_EQ(fn("delete line 1 of nosuchvariable"), "error 45");
}

class DiskDeleteTest : public ContainersTest {
 protected:
  TemporaryHome home;
  std::string path(std::string_view name) { return home.path() + "/" + std::string(name); }
  static bool exists(const std::string& p) {
    struct stat st;
    return ::stat(p.c_str(), &st) == 0;
  }
};

TEST_F(DiskDeleteTest, DeleteFileAndFolder) {
  std::ofstream(path("f.txt")) << "x";
  ASSERT_TRUE(exists(path("f.txt")));
  EXPECT_EQ(run("delete file \"" + path("f.txt") + "\""), 0);
  EXPECT_FALSE(exists(path("f.txt")));
  EXPECT_EQ(result(), "");
  // A file that is not there: nothing happens and nothing is told.
  EXPECT_EQ(run("delete file \"" + path("gone.txt") + "\""), 0);
  EXPECT_EQ(result(), "");
  EXPECT_EQ(run("delete file \"" + path("no/such/folder.txt") + "\""), 0);
  EXPECT_EQ(result(), "");
  // A folder goes with everything in it.
  ASSERT_EQ(::mkdir(path("d").c_str(), 0755), 0);
  ASSERT_EQ(::mkdir(path("d/e").c_str(), 0755), 0);
  std::ofstream(path("d/e/g.txt")) << "y";
  ASSERT_EQ(::symlink(home.path().c_str(), path("d/link").c_str()), 0);
  EXPECT_EQ(run("delete folder \"" + path("d") + "\""), 0);
  EXPECT_FALSE(exists(path("d")));
  EXPECT_TRUE(exists(home.path())) << "a link inside is removed, not followed";
  EXPECT_EQ(run("delete file \"" + path("x") + "\" now"), 19);
}

TEST_F(DiskDeleteTest, AFailureIsToldInTheResult) {
  // A folder with something in it is no file that can be deleted.
  ASSERT_EQ(::mkdir(path("full").c_str(), 0755), 0);
  std::ofstream(path("full/a")) << "a";
  EXPECT_EQ(run("delete file \"" + path("full") + "\""), 0);
  EXPECT_TRUE(exists(path("full")));
  EXPECT_EQ(result().rfind("File system error ", 0), 0u) << result();
}

TEST_F(DiskDeleteTest, PluginModeRefusesTheDisk) {
  std::ofstream(path("f.txt")) << "x";
  mainglobals().plugin = 1;
  EXPECT_EQ(run("delete file \"" + path("f.txt") + "\""), 175);
  EXPECT_EQ(run("delete folder \"" + home.path() + "\""), 175);
  EXPECT_TRUE(exists(path("f.txt")));
  // Chunks are no disk.
  EXPECT_EQ(fn("put \"ab\" into x\ndelete char 1 of x\nreturn x"), "b");
}

}  // namespace
}  // namespace kv
