// The print layer's page formats, settings and sessions: pages begun and ended in turn, the
// page port at the page's points, and the pages kept.
#include <gtest/gtest.h>

#include "platform/print/print.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

using PrintLayer = RuntimeTest;

TEST_F(PrintLayer, PagesAreBegunAndEndedInTurnAndKept) {
  PMPrintSession session = 0;
  PMPageFormat format = 0;
  ASSERT_EQ(PMCreateSession(&session), noErr);
  ASSERT_EQ(PMCreatePageFormat(&format), noErr);
  const PMRect paper{0, 0, 100, 80}, page{10, 5, 90, 75}, outside{-1, 5, 90, 75};
  EXPECT_EQ(pmsetpaper(format, &paper, &outside), paramErr);
  ASSERT_EQ(pmsetpaper(format, &paper, &page), noErr);
  CGrafPtr port = 0;
  EXPECT_EQ(PMSessionEndPage(session), kPMOutOfScope);
  EXPECT_EQ(PMSessionGetGraphicsContext(session, kPMGraphicsContextQuickDraw, &port), kPMOutOfScope);

  ASSERT_EQ(PMSessionBeginPage(session, format, nullptr), noErr);
  EXPECT_EQ(PMSessionBeginPage(session, format, nullptr), kPMOutOfScope);
  EXPECT_EQ(PMSessionGetGraphicsContext(session, "com.apple.graphicscontext.coregraphics", &port), paramErr);
  ASSERT_EQ(PMSessionGetGraphicsContext(session, kPMGraphicsContextQuickDraw, &port), noErr);
  CGrafPtr old;
  GDHandle device;
  GetGWorld(&old, &device);
  SetGWorld(port, 0);
  const Rect dot{10, 5, 12, 6};  // the page's top-left corner in its own points
  PaintRect(&dot);
  SetGWorld(old, device);
  ASSERT_EQ(PMSessionEndPage(session), noErr);

  const std::vector<PMKeptPage>& kept = *pmkeptpages(session);
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].bounds.top, 10);
  EXPECT_EQ(kept[0].bounds.right, 75);
  ASSERT_EQ(kept[0].pixels.size(), 80u * 70u);
  EXPECT_EQ(kept[0].pixels[0], 0u);
  EXPECT_EQ(kept[0].pixels[70], 0u);
  EXPECT_EQ(kept[0].pixels[1], 0xFFFFFFu);
  EXPECT_EQ(kept[0].pixels[140], 0xFFFFFFu);

  // A page left open goes with its session.
  ASSERT_EQ(PMSessionBeginPage(session, format, &paper), noErr);
  EXPECT_EQ(PMRelease(session), noErr);
  EXPECT_EQ(pmkeptpages(session), nullptr);
  EXPECT_EQ(PMRelease(session), paramErr);
  EXPECT_EQ(PMRelease(format), noErr);
}

}  // namespace
}  // namespace kv
