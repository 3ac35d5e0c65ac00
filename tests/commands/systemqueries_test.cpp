// The functions that ask the machine and the file system, run as a script calls them: shell,
// the machine facts, hasMemory, diskSpace, version and exists.
#include <gtest/gtest.h>

#include <string>

#include "commands/systemqueries.h"
#include "platform/events/events.h"
#include "platform/files/files.h"
#include "platform/memory/addressspace.h"
#include "platform/process/shellcommand.h"
#include "core/mainglobals.h"
#include "core/memoryguard.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

class SystemQueriesTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    build(testproject::small());
    ASSERT_EQ(open(), 0);
  }
  void TearDown() override {
    setmachinemodel(std::nullopt);
    setfreespacemodel(std::nullopt);
    setaddressspacemodel({});
    WindowTest::TearDown();
  }
};

TEST_F(SystemQueriesTest, ShellAnswersTheWholeOutput) {
  EXPECT_EQ(cardvalue("shell(\"printf 'a\\nb\\n'\")"), "a\rb\r");
  EXPECT_EQ(cardvalue("shell(\"printf 'a\\nb\\n'\", raw)"), "a\nb\n");
  EXPECT_EQ(cardvalue("shell(\"echo one\", 2, raw)"), "one\n");
  EXPECT_EQ(cardvalue("shell(\"echo one\", raw, 2)"), "one\n");
  EXPECT_EQ(cardvalue("shell(\"exit 3\")"), "") << "the exit status is not the answer";
  // A slow writer: short reads come before the end, and none of its output is lost.
  std::string got = cardvalue(
      "shell(\"i=0; while [ $i -lt 10 ]; do head -c 10000 /dev/zero | tr '\\0' x; sleep 0.02; i=$((i+1)); "
      "done\")");
  EXPECT_EQ(got.size(), 100000u);
  EXPECT_EQ(got.find_first_not_of('x'), std::string::npos);
}

TEST_F(SystemQueriesTest, ShellTextCrossesAsFileNamesDo) {
  // The Mac Roman e-acute (0x8E) reaches the shell as UTF-8 and comes back.
  EXPECT_EQ(cardvalue("shell(\"printf '%s' \" & quote & numToChar(142) & quote)"), "\x8E");
  EXPECT_EQ(cardvalue("length(shell(\"printf '\\303\\251'\"))"), "1");
}

TEST_F(SystemQueriesTest, ShellForms) {
  EXPECT_EQ(cardvalue("shell(\"x\", raw, raw)"), "error 88");
  EXPECT_EQ(cardvalue("shell(\"x\", 2, foo)"), "error 2");
  EXPECT_EQ(cardvalue("shell(\"x\", 2, 3)"), "error 2");
  EXPECT_EQ(cardvalue("shell(\"x\" raw)"), "error 88");
  EXPECT_EQ(cardvalue("the shell of \"x\""), "error 49");
  u32 before = TickCount();
  EXPECT_EQ(cardvalue("shell(\"sleep 0\", 30)"), "");
  EXPECT_EQ(TickCount() - before, 30u) << "the delay is a wait of the clock";
}

TEST_F(SystemQueriesTest, AnEndlessCommandIsEndedWhenMemoryRunsShort) {
  setmemoryguardrefusal(true);
  EXPECT_EQ(cardvalue("shell(\"yes\")"), "error 37");
  setmemoryguardrefusal(false);
  // With room for a few megabytes only, the answer stops growing and the command ends.
  setaddressspacebudget(u64(48) << 20);
  EXPECT_EQ(cardvalue("shell(\"yes\")"), "error 37");
  setaddressspacebudget(kDefaultAddressBudget);
  EXPECT_EQ(cardvalue("shell(\"echo still\")"), "still\r");
}

TEST_F(SystemQueriesTest, MachineFactsFromTheModel) {
  machinefacts m;
  m.product = "Workstation 9";
  m.cpumodel = "Example CPU @ 2.40GHz";
  m.cpucount = 4;
  m.cpumhz = 2400;
  m.memorybytes = u64(16) << 30;
  setmachinemodel(m);
  cardrows({{"", "the processorCount", "4"},
            {"", "the machine", "Workstation 9"},
            {"", "machine(long)", "Workstation 9"},
            {"", "machine(abbr)", "Workstation 9"},
            {"", "the processor", "Example CPU @ 2.40GHz"},
            {"", "the processorSpeed", "2.40 GHz"},
            {"", "the physicalMemory", "16 GB"},
            {"", "the machineBusSpeed", "Unknown"},
            {"", "the machineROMVersion", "Unknown"},
            {"", "the machineSerialNumber", "N/A"},
            {"", "machine(foo)", "error 88"}});
  setmachinemodel(machinefacts{});
  cardrows({{"", "the machine", "Unknown"},
            {"", "machine(full)", "Unknown"},
            {"", "the processorCount", "1"},
            {"", "the processor", "Unknown"},
            {"", "the processorSpeed", "Unknown"},
            {"", "the physicalMemory", "Unknown"},
            {"", "the machineBusSpeed", "Unknown"},
            {"", "the machineSerialNumber", "N/A"}});
  m.serial = "SN-42";
  setmachinemodel(m);
  EXPECT_EQ(cardvalue("the machineSerialNumber"), "SN-42");
}

TEST_F(SystemQueriesTest, TheMachineReadFromLinux) {
  setmachinemodel(std::nullopt);
  const machinefacts& m = currentmachine();
  EXPECT_GE(m.cpucount, 1u);
  EXPECT_GT(m.memorybytes, 0u);
  EXPECT_EQ(cardvalue("the processorCount"), std::to_string(m.cpucount));
}

TEST_F(SystemQueriesTest, HasMemory) {
  // The address space tells at most 2,147,483,647 free bytes: all of them are never granted.
  cardrows({{"", "hasMemory(-1)", "false"}});
  EXPECT_EQ(memoryguardlastrequest(), 2147483647);
  cardrows({{"", "hasMemory(5000000000)", "false"}});
  EXPECT_EQ(memoryguardlastrequest(), 2147483647);
  cardrows({{"", "hasMemory(card 1)", "true"},
            {"", "the hasMemory of card 1", "true"},
            {"", "hasMemory of 1000", "true"},
            {"", "the hasMemory 1000", "error 5"},
            {"", "hasMemory(1000 2)", "error 88"}});
  EXPECT_EQ(memoryguardlastrequest(), 1000);
  setaddressspacemodel([] { return AddressSpace{1000000, 1000000}; });
  EXPECT_EQ(cardvalue("hasMemory(6000000)"), "false");
  EXPECT_EQ(cardvalue("hasMemory(\"a lot\")"), "error 12");
}

TEST_F(SystemQueriesTest, DiskSpaceAndVersion) {
  setfreespacemodel(u64(10240000));
  cardrows({{"", "the diskSpace", "10000"},
            {"", "diskSpace()", "10000"},
            {"", "diskSpace(this project)", "10000"},
            {"", "the diskSpace of this project", "10000"},
            {"", "diskSpace(button 1)", "error 2"},
            {"", "the diskSpace()", "error 8"},
            {"", "the version", "Kestrove 4.6.3 Player"},
            {"", "version()", "Kestrove 4.6.3 Player"},
            {"", "version(this project)", "Kestrove 2.6"},
            {"", "the version of this project", "Kestrove 2.6"},
            {"", "version(card 1)", "error 2"}});
  mainglobals().plugin = 1;
  EXPECT_EQ(cardvalue("the version"), "Plugin 1.0");
  EXPECT_EQ(cardvalue("version(this project)"), "Plugin 2.6");
  mainglobals().plugin = 0;
}

TEST_F(SystemQueriesTest, ExistsOfVariablesObjectsAndPaths) {
  EXPECT_EQ(fn("put 1 into x\nreturn exists(x)"), "true");
  EXPECT_EQ(fn("get exists(x)\nget exists(x)\nreturn it"), "false") << "asking makes no variable";
  EXPECT_EQ(fn("put 1 into x\nreturn exists((x))"), "false");
  cardrows({{"", "exists(card 1)", "true"},
            {"", "exists(card \"One\")", "true"},
            {"", "exists(card button \"Go\")", "true"},
            {"", "exists(card 99)", "false"},
            {"", "exists(card button \"Nowhere\")", "false"},
            {"", "exists(a, b)", "error 2"},
            {"", "exists(a b)", "false"},
            {"", "exists(card 1 x)", "error 88"},
            {"", "the exists of x", "error 49"}});
  std::string folder = home->path();
  EXPECT_EQ(cardvalue("exists(folder \"" + folder + "\")"), "true");
  EXPECT_EQ(cardvalue("exists(file \"" + folder + "\")"), "false");
  EXPECT_EQ(cardvalue("exists(file \"" + folder + "/none\")"), "false");
  EXPECT_EQ(cardvalue("shell(\"echo > '" + folder + "/made'\")"), "");
  EXPECT_EQ(cardvalue("exists(file \"" + folder + "/made\")"), "true");
  EXPECT_EQ(cardvalue("exists(folder \"" + folder + "/made\")"), "false");
  EXPECT_EQ(cardvalue("exists(file \"" + folder + "/\" & \"made\")"), "true");
  EXPECT_EQ(cardvalue("exists(file \"" + folder + "/made\" x)"), "error 88");
}

TEST_F(SystemQueriesTest, TheProbeSwitch) {
  EXPECT_EQ(installsigcatchers(1), 0);
  armsigcatchers(true);
  EXPECT_EQ(installsigcatchers(1), 0);
  EXPECT_EQ(installsigcatchers(0), 1);
  armsigcatchers(false);
  EXPECT_EQ(installsigcatchers(1), 0);
}

}  // namespace
}  // namespace kv
