#include "tests/support/fixture.h"

#include "platform/files/files.h"
#include "platform/fonts/fonts.h"
#include "platform/memory/memory.h"
#include "platform/runtime/root.h"
#include "shell/engineservices.h"
#include "tests/support/badhandles.h"

namespace kv {

namespace {
bool gallowbadhandleuses = false;
}  // namespace

void allowbadhandleuses() { gallowbadhandleuses = true; }
bool badhandleusesallowed() { return gallowbadhandleuses; }
void clearbadhandleallowance() { gallowbadhandleuses = false; }

void RuntimeTest::SetUp() {
  resetruntime();
  usebuiltinmetricsfont(true);  // text lays out the same on every machine
  setfilesyncs(false);          // barriers are logged and replayed, not waited for
  installengineservices();      // as at start-up: the interpreter's services between statements
}

void RuntimeTest::TearDown() {
  std::size_t bad = memoryfigures().badhandleuses;
  ResetReport r = resetruntime();
  EXPECT_EQ(r.leakedhandles, 0u) << "handles leaked by the test";
  if (allowbadhandleuses_) {
    allowbadhandleuses();  // the test main's own check, which also sees the resets
  } else {
    EXPECT_EQ(bad, 0u) << "disposed or invalid handles were used";
  }
}

}  // namespace kv
