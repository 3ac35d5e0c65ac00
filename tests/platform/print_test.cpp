// The print layer's page formats, settings and sessions: pages begun and ended in turn, the
// page port at the page's points, and the pages kept.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/print/print.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/testing/temphome.h"
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

// A session, settings and format of a test, released at the end.
struct Job {
  PMPrintSession session = 0;
  PMPrintSettings settings = 0;
  PMPageFormat format = 0;
  Job() {
    PMCreateSession(&session);
    PMCreatePrintSettings(&settings);
    PMCreatePageFormat(&format);
  }
  ~Job() {
    PMRelease(session);
    PMRelease(settings);
    PMRelease(format);
  }
  Job(const Job&) = delete;
  Job& operator=(const Job&) = delete;
  // One page with a filled rectangle in its corner.
  OSStatus page() {
    if (OSStatus err = PMSessionBeginPageNoDialog(session, format, nullptr)) return err;
    CGrafPtr port = 0;
    PMSessionGetGraphicsContext(session, kPMGraphicsContextQuickDraw, &port);
    CGrafPtr old;
    GDHandle device;
    GetGWorld(&old, &device);
    SetGWorld(port, 0);
    Rect bounds{};
    GetPortBounds(port, &bounds);
    const Rect dot{bounds.top, bounds.left, i16(bounds.top + 10), i16(bounds.left + 20)};
    PaintRect(&dot);
    SetGWorld(old, device);
    return PMSessionEndPageNoDialog(session);
  }
};

std::string filehead(const std::string& path, std::size_t n) {
  std::string out(n, 0);
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return "";
  out.resize(std::fread(out.data(), 1, n, f));
  std::fclose(f);
  return out;
}

TEST_F(PrintLayer, LandscapeTurnsThePaperAndThePage) {
  Job j;
  PMRect paper{}, page{};
  ASSERT_EQ(PMSetOrientation(j.format, kPMLandscape, false), noErr);
  EXPECT_EQ(PMSetOrientation(j.format, 3, false), paramErr);
  PMGetAdjustedPaperRect(j.format, &paper);
  PMGetAdjustedPageRect(j.format, &page);
  EXPECT_EQ(paper.right, 792);
  EXPECT_EQ(paper.bottom, 612);
  EXPECT_EQ(page.right - page.left, 756);
  // The page's port is turned as well.
  ASSERT_EQ(PMSessionBeginPage(j.session, j.format, nullptr), noErr);
  CGrafPtr port = 0;
  ASSERT_EQ(PMSessionGetGraphicsContext(j.session, kPMGraphicsContextQuickDraw, &port), noErr);
  Rect bounds{};
  GetPortBounds(port, &bounds);
  EXPECT_EQ(bounds.right - bounds.left, 756);
  EXPECT_EQ(bounds.bottom - bounds.top, 576);
  EXPECT_EQ(PMSessionEndPage(j.session), noErr);
}

TEST_F(PrintLayer, DocumentsGoToFilesAndToPrintersWithTheirCopies) {
  TemporaryHome home;
  Job j;
  const std::string path = home.path() + "/doc.pdf";
  EXPECT_EQ(PMSessionSetDestination(j.session, j.settings, kPMDestinationFile, "image/png", path), paramErr);
  ASSERT_EQ(PMSessionSetDestination(j.session, j.settings, kPMDestinationFile, "application/pdf", path), noErr);
  EXPECT_EQ(PMSessionEndDocumentNoDialog(j.session), kPMOutOfScope);
  ASSERT_EQ(PMSessionBeginDocumentNoDialog(j.session, j.settings, j.format), noErr);
  EXPECT_EQ(PMSessionBeginDocumentNoDialog(j.session, j.settings, j.format), kPMOutOfScope);
  ASSERT_EQ(j.page(), noErr);
  ASSERT_EQ(j.page(), noErr);
  ASSERT_EQ(PMSessionEndDocumentNoDialog(j.session), noErr);
  EXPECT_EQ(filehead(path, 5), "%PDF-");
  // Inside the document each page kept its recorded picture, played back into its pixels.
  const std::vector<PMKeptPage>& kept = *pmkeptpages(j.session);
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_FALSE(kept[1].picture.empty());
  EXPECT_EQ(kept[1].pixels[0], 0u);

  // No printer at all: a document for the printer is refused.
  pmsetprintserver(home.path() + "/no-such.sock");
  ASSERT_EQ(PMSessionSetDestination(j.session, j.settings, kPMDestinationPrinter, nullptr, ""), noErr);
  EXPECT_EQ(PMSessionBeginDocument(j.session, j.settings, j.format), kPMNoDefaultPrinter);

  const PMPaper letter{"US Letter", PMRect{0, 0, 792, 612}, PMRect{10, 10, 782, 602}};
  pmusetestprinters({PMTestPrinter{"Front", "Front 1", {letter}, 0}, PMTestPrinter{"Back", "", {}, -9}});
  EXPECT_EQ(PMSessionSetCurrentPrinter(j.session, 1), -9);
  EXPECT_EQ(PMSessionSetCurrentPrinter(j.session, 2), paramErr);
  ASSERT_EQ(PMSetCopies(j.settings, 0, false), noErr);
  u32 copies = 0;
  PMGetCopies(j.settings, &copies);
  EXPECT_EQ(copies, 1u);
  PMSetCopies(j.settings, 4, false);
  PMSetJobName(j.settings, "Report");
  ASSERT_EQ(PMSessionBeginDocumentNoDialog(j.session, j.settings, j.format), noErr);
  ASSERT_EQ(j.page(), noErr);
  ASSERT_EQ(PMSessionEndDocumentNoDialog(j.session), noErr);
  ASSERT_EQ(pmcapturedjobs().size(), 1u);
  EXPECT_EQ(pmcapturedjobs()[0].printer, "Front");
  EXPECT_EQ(pmcapturedjobs()[0].title, "Report");
  EXPECT_EQ(pmcapturedjobs()[0].copies, 4u);
  EXPECT_EQ(std::string(pmcapturedjobs()[0].pdf.begin(), pmcapturedjobs()[0].pdf.begin() + 5), "%PDF-");
  // The printer's own paper, margins and all, is the default page format.
  ASSERT_EQ(PMSessionDefaultPageFormat(j.session, j.format), noErr);
  PMRect page{};
  PMGetAdjustedPageRect(j.format, &page);
  EXPECT_EQ(page.top, 10);
  std::string model;
  PMPrinterGetMakeAndModelName(&model);
  EXPECT_EQ(model, "Front 1");
  EXPECT_EQ(PMPrinterGetDriverReleaseInfo(&model), kPMGeneralError);
}

TEST_F(PrintLayer, TheProgramsOwnPapersHaveAMarginOf18Points) {
  const std::vector<PMPaper> papers = pmownpapers();
  ASSERT_EQ(papers.size(), 6u);
  EXPECT_EQ(papers[2].name, "A4");
  EXPECT_EQ(papers[2].paper.right, 595);
  EXPECT_EQ(papers[2].paper.bottom, 842);
  EXPECT_EQ(papers[2].page.bottom, 842 - 18);
  EXPECT_EQ(papers[5].name, "Tabloid");
}

TEST_F(PrintLayer, ASessionsErrorStopsItsPages) {
  Job j;
  ASSERT_EQ(PMSessionSetError(j.session, kPMCancel), noErr);
  EXPECT_EQ(PMSessionError(j.session), kPMCancel);
  EXPECT_EQ(PMSessionBeginPage(j.session, j.format, nullptr), kPMCancel);
  PMSessionSetError(j.session, noErr);
  EXPECT_EQ(j.page(), noErr);
}

}  // namespace
}  // namespace kv
