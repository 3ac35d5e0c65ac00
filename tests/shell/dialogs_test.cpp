// The headless dialogs: a message of the program's string lists with ParamText's texts.
#include <gtest/gtest.h>

#include "platform/testing/answers.h"
#include "platform/testing/transcript.h"
#include "shell/dialogs.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

using DialogsTest = RuntimeTest;

TEST_F(DialogsTest, AMessageShowsTheParamTextTexts) {
  setunattendedpolicy(UnattendedPolicy::usedefault);
  const u8 name[] = "\x0A" "Notes.kv45";
  ParamText(name, nullptr, nullptr, nullptr);
  domessage(1000, 11, notealert);
  ParamText(nullptr, nullptr, nullptr, nullptr);
  domessage(1000, 11, notealert);
  std::string t = transcripttext();
  EXPECT_NE(t.find("dialog: message The disk holding \"Notes.kv45\" is full."), std::string::npos) << t;
  EXPECT_NE(t.find("dialog: message The disk holding \"\" is full."), std::string::npos) << t;
}

}  // namespace
}  // namespace kv
