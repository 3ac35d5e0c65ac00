#include "tests/support/fixture.h"

#include "platform/files/files.h"
#include "platform/fonts/fonts.h"
#include "platform/memory/memory.h"
#include "platform/runtime/root.h"

namespace kv {

void RuntimeTest::SetUp() {
  resetruntime();
  usebuiltinmetricsfont(true);  // text lays out the same on every machine
  setfilesyncs(false);          // barriers are logged and replayed, not waited for
}

void RuntimeTest::TearDown() {
  std::size_t bad = memoryfigures().badhandleuses;
  ResetReport r = resetruntime();
  EXPECT_EQ(r.leakedhandles, 0u) << "handles leaked by the test";
  if (!allowbadhandleuses_) {
    EXPECT_EQ(bad, 0u) << "disposed or invalid handles were used";
  }
}

}  // namespace kv
