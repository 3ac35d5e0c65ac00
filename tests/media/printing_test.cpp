// Printing driven as scripts print: cards to PDF files read back with poppler's tools, pages
// laid out and ranged, print jobs held open, the dialogs answered from the answers queue, the
// printer properties over test printers, and a machine without a printing system.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "media/print.h"
#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/print/print.h"
#include "platform/process/exit.h"
#include "platform/process/shellcommand.h"
#include "platform/events/keycodes.h"
#include "platform/testing/answers.h"
#include "platform/testing/driver.h"
#include "platform/testing/transcript.h"
#include "core/mainglobals.h"
#include "core/settings.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

using testproject::Project;

constexpr u8 kBlack = 255;

// A window of one background of the card size given, with two cards that each show a black
// rectangle at 10,10,50,40.
testproject::Window cardwindow(const std::string& name, u16 width, u16 height) {
  testproject::Window w;
  w.name = name;
  w.rect = Rect{100, 100, i16(100 + height), i16(100 + width)};
  w.backgrounds.push_back(testproject::Background{});
  w.backgrounds[0].width = width;
  w.backgrounds[0].height = height;
  for (int i = 0; i < 2; ++i) {
    testproject::Card c;
    c.name = "C" + std::to_string(i + 1);
    c.objects.push_back(testproject::paint(Rect{10, 10, 40, 50}, kBlack));
    w.cards.push_back(c);
  }
  return w;
}

std::string run(const std::string& command) {
  std::string out;
  runshellcommand(command, [&](const char* p, size_t n) {
    out.append(p, n);
    return true;
  });
  return out;
}

// A fact pdfinfo gives ("Pages", "Title", "Page size"), or empty.
std::string pdffact(const std::string& path, const std::string& key) {
  const std::string info = run("pdfinfo '" + path + "' 2>/dev/null");
  const std::size_t at = info.find(key + ":");
  if (at == std::string::npos) return "";
  std::size_t from = info.find_first_not_of(' ', at + key.size() + 1);
  return info.substr(from, info.find('\n', from) - from);
}
int pdfpages(const std::string& path) {
  const std::string n = pdffact(path, "Pages");
  return n.empty() ? 0 : std::stoi(n);
}

// One page rendered at 72 dpi in grey: the grey level at a point (-1 outside).
struct Gray {
  int width = 0, height = 0;
  std::vector<unsigned char> pixels;
  int at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return -1;
    return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)];
  }
};
Gray render(const std::string& path, int page) {
  const std::string p = std::to_string(page);
  const std::string pgm = run("pdftoppm -r 72 -gray -f " + p + " -l " + p + " '" + path + "' 2>/dev/null");
  Gray g;
  // P5, width, height, maxval, then one byte a pixel.
  std::size_t at = 0;
  std::vector<int> header;
  std::string word;
  while (at < pgm.size() && header.size() < 4) {
    const char c = pgm[at++];
    if (c == ' ' || c == '\n' || c == '\r' || c == '\t') {
      if (!word.empty()) header.push_back(word == "P5" ? 5 : std::stoi(word));
      word.clear();
    } else {
      word += c;
    }
  }
  if (header.size() < 4) return g;
  g.width = header[1];
  g.height = header[2];
  g.pixels.assign(pgm.begin() + std::ptrdiff_t(at), pgm.end());
  if (g.pixels.size() < std::size_t(g.width) * std::size_t(g.height)) g.width = g.height = 0;
  return g;
}

class PrintingTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    setexithook([](int status, const std::string& why) {
      if (status != 0) ADD_FAILURE() << "exit " << status << ": " << why;
    });
    MainGlobals& g = mainglobals();
    static constexpr u8 desktop[] =
        "\x07"
        "Desktop",
                        documents[] =
                            "\x09"
                            "Documents";
    ASSERT_EQ(DirCreate(kBootVolume, dir, desktop, &g.desktopfolder), noErr);
    ASSERT_EQ(DirCreate(kBootVolume, dir, documents, &g.documentsfolder), noErr);
    pmusetestprinters({office(), PMTestPrinter{"Lab", "Lab Printer 2", {}, 0}});
    Project p;
    p.windows = {cardwindow("Main", 300, 200), cardwindow("Wide", 576, 200), cardwindow("Big", 1000, 1000),
                 cardwindow("Small", 100, 50)};
    testproject::Object field;
    field.kind = testproject::Object::field;
    field.rect = Rect{60, 10, 190, 290};
    for (int i = 1; i <= 150; ++i) field.text += "Line " + std::to_string(i) + "\r";
    p.windows[0].backgrounds[0].objects.push_back(field);
    testproject::Object button;
    button.rect = Rect{150, 200, 180, 280};
    p.windows[0].cards[0].objects.push_back(button);
    // A statement run with its error caught: the error's number.
    p.script = "function caught stmt\r  try\r    do stmt\r  catch e\r    return e\r  end try\r  return 0\rend caught";
    build(p);
  }
  void TearDown() override {
    closebatchprintsession();
    MyReleasePageFormat();
    MyReleasePrintSettings();
    MyReleasePrintSession();
    clearanswers();
    setexithook({});
    WindowTest::TearDown();
  }
  static PMTestPrinter office() {
    auto paper = [](std::string name, double w, double h) {
      return PMPaper{name, PMRect{0, 0, h, w}, PMRect{18, 18, h - 18, w - 18}};
    };
    return PMTestPrinter{"Office", "Office Laser 9000", {paper("US Letter", 612, 792), paper("A4", 595, 842)}, 0};
  }
  std::string folderpath(u32 folder) {
    std::string path;
    EXPECT_EQ(pathoffolder(folder, &path), noErr);
    return path;
  }
  std::string desktop(const std::string& name) { return folderpath(mainglobals().desktopfolder) + "/" + name; }
  std::string file(const std::string& name) { return home->path() + "/" + name; }
  static int dialogs() {
    int n = 0;
    for (const std::string& l : transcriptlines()) n += l.rfind("dialog: ", 0) == 0 ? 1 : 0;
    return n;
  }
  // The kept pages of the session's last document.
  static const std::vector<PMKeptPage>& kept() { return *pmkeptpages(printstate().session); }
};

TEST_F(PrintingTest, ACardPrintsToAPdfFileOfTheWindowsName) {
  ASSERT_EQ(open(), 0);
  transcriptclear();
  EXPECT_EQ(doline("print card to file \"p.pdf\""), 0);
  EXPECT_EQ(dialogs(), 0);
  const std::string pdf = desktop("p.pdf");
  EXPECT_EQ(pdfpages(pdf), 1);
  EXPECT_EQ(pdffact(pdf, "Title"), "Main");
  EXPECT_EQ(pdffact(pdf, "Page size").rfind("612 x 792 pts", 0), 0u);
  const Gray page = render(pdf, 1);
  ASSERT_EQ(page.width, 612);
  EXPECT_LT(page.at(18 + 30, 18 + 20), 64);
  EXPECT_GT(page.at(18 + 100, 18 + 100), 200);
  EXPECT_GT(page.at(18 + 5, 18 + 5), 200);  // the card starts at the page's corner
}

TEST_F(PrintingTest, TheDefaultLabelNamesTheCardWindowAndProject) {
  ASSERT_EQ(open(), 0);
  EXPECT_EQ(doline("print card label to file \"l.pdf\""), 0);
  ASSERT_EQ(kept().size(), 1u);
  const std::vector<u8>& pic = kept()[0].picture;
  const std::string text(pic.begin(), pic.end());
  const std::string line = "Card 1 ID " + std::to_string(current().cardid) + " of wd 1 of project \"";
  const std::size_t at = text.find(line);
  ASSERT_NE(at, std::string::npos);
  const std::string project = cardvalue("the short name of this project");
  EXPECT_EQ(text.substr(at + line.size(), project.size() + 1), project + "\"");
  EXPECT_NE(text.find("Main: C1"), std::string::npos);
  EXPECT_EQ(pdfpages(desktop("l.pdf")), 1);
}

TEST_F(PrintingTest, CardsAreTiledRangedScaledAndCentred) {
  ASSERT_EQ(open("p.kv45", 2), 0);  // 576 wide: a frame needs a second column
  EXPECT_EQ(doline("print card frame to file \"" + file("w.pdf") + "\""), 0);
  EXPECT_EQ(pdfpages(file("w.pdf")), 2);
  ASSERT_EQ(open("p.kv45", 3), 0);  // 1000 x 1000: two columns of two pages
  EXPECT_EQ(doline("print card to file \"" + file("b.pdf") + "\""), 0);
  EXPECT_EQ(pdfpages(file("b.pdf")), 4);
  EXPECT_EQ(doline("set the printRange to 3,4\nprint card to file \"" + file("r.pdf") + "\""), 0);
  ASSERT_EQ(pdfpages(file("r.pdf")), 2);
  // The second column: the black rectangle is in the first page's corner, not in these.
  EXPECT_GT(render(file("r.pdf"), 1).at(18 + 30, 18 + 20), 200);
  EXPECT_LT(render(file("b.pdf"), 1).at(18 + 30, 18 + 20), 64);

  ASSERT_EQ(open("p.kv45", 4), 0);  // 100 x 50
  EXPECT_EQ(doline("set the printRange to 0,0\nprint card scale to file \"" + file("s.pdf") + "\""), 0);
  // Scaled by 576 / 100: the rectangle's middle (30, 25) lands at 172.8, 144.
  const Gray scaled = render(file("s.pdf"), 1);
  EXPECT_LT(scaled.at(18 + 173, 18 + 144), 64);
  EXPECT_GT(scaled.at(18 + 40, 18 + 300), 200);  // below the scaled card
  EXPECT_LT(scaled.at(18 + 280, 18 + 220), 64);  // the rectangle reaches 50 x 5.76 = 288
  EXPECT_EQ(doline("print card center to file \"" + file("c.pdf") + "\""), 0);
  // Centred in 576 x 756: the card's corner at 238, 353.
  const Gray centred = render(file("c.pdf"), 1);
  EXPECT_LT(centred.at(18 + 238 + 30, 18 + 353 + 20), 64);
  EXPECT_GT(centred.at(18 + 30, 18 + 20), 200);
}

TEST_F(PrintingTest, AHeldJobCollectsThePagesOfSeveralPrints) {
  ASSERT_EQ(open(), 0);
  const std::string j = "\"" + file("j.pdf") + "\"";
  EXPECT_EQ(doline("open print job to file " + j + " without dialogs"), 0);
  EXPECT_TRUE(printjobheld());
  EXPECT_EQ(doline("print card\ngo next\nprint card"), 0);
  // Caught, these errors are not reported, and the job stays open.
  EXPECT_EQ(cardvalue("caught(\"open print job to file \" & quote & \"k.pdf\" & quote)"), "223");
  EXPECT_TRUE(printjobheld());
  EXPECT_EQ(cardvalue("caught(\"print 2 cards to preview\")"), "223");
  EXPECT_TRUE(printjobheld());
  EXPECT_EQ(doline("close print job"), 0);
  EXPECT_FALSE(printjobheld());
  EXPECT_EQ(pdfpages(file("j.pdf")), 2);

  // A script error ends the job, and its file is whole.
  EXPECT_EQ(doline("open print job to file \"" + file("e.pdf") + "\" without dialogs"), 0);
  EXPECT_NE(failingline("print card\nput 1 into x y"), 0);
  EXPECT_FALSE(printjobheld());
  EXPECT_EQ(pdfpages(file("e.pdf")), 1);

  EXPECT_EQ(failingline("open print job to file \"\""), 2);
  EXPECT_EQ(failingline("open print job without or dialog"), 2);
  EXPECT_EQ(failingline("open print job without dialog or sound"), 19);
  EXPECT_FALSE(printjobheld());
}

TEST_F(PrintingTest, TheDialogsTakeTheirAnswers) {
  ASSERT_EQ(open(), 0);
  setunattendedpolicy(UnattendedPolicy::fail);
  queueanswer(Answer{"page setup", "OK", {}});
  queueanswer(Answer{"print", "Cancel", {}});
  EXPECT_EQ(doline("print card"), 0);
  EXPECT_EQ(cardvalue("the result"), "Cancel");
  EXPECT_TRUE(pmcapturedjobs().empty());
  EXPECT_EQ(answerspending(), 0u);

  mainglobals().printdialogmode = 0;
  queueanswer(Answer{"page setup", "Cancel", {}});
  EXPECT_EQ(doline("open pageSetup"), 0);
  EXPECT_EQ(cardvalue("the result"), "Cancel");
  EXPECT_EQ(mainglobals().printdialogmode, 0);

  queueanswer(Answer{"print", "OK", {}});
  EXPECT_EQ(doline("open printing without dialog"), 0);
  EXPECT_EQ(answerspending(), 0u);
  transcriptclear();
  EXPECT_EQ(doline("print card"), 0);
  EXPECT_EQ(dialogs(), 0);
  ASSERT_EQ(pmcapturedjobs().size(), 1u);
  EXPECT_EQ(pmcapturedjobs()[0].printer, "Office");
  EXPECT_EQ(pmcapturedjobs()[0].title, "Main");

  // A range chosen in the print dialog.
  mainglobals().printdialogmode = 2;
  ASSERT_EQ(open("p.kv45", 3), 0);
  queueanswer(Answer{"print", "2,3", {2, 3}});
  EXPECT_EQ(doline("print card"), 0);
  ASSERT_EQ(pmcapturedjobs().size(), 2u);
  const std::vector<u8>& pdf = pmcapturedjobs()[1].pdf;
  std::ofstream(file("range.pdf"), std::ios::binary)
      .write(reinterpret_cast<const char*>(pdf.data()), std::streamsize(pdf.size()));
  EXPECT_EQ(pdfpages(file("range.pdf")), 2);
}

TEST_F(PrintingTest, OptionsAreCheckedAndFieldsPrintTheirPages) {
  ASSERT_EQ(open(), 0);
  failrows({
      {"print field 1 from 0,0 to 10,10", "", "error 19"},
      {"print field 1 center", "", "error 19"},
      {"print button 1", "", "error 2"},
      {"print card foo", "", "error 19"},
      {"print card jobName", "", "error 2"},
      {"print card to foo", "", "error 2"},
      {"print card from 0,0 to 0,0", "", "error 66"},
      {"print card from 0,0 10,10", "", "error 7"},
  });
  EXPECT_EQ(doline("print field 1 to file \"" + file("f.pdf") + "\""), 0);
  const int pages = pdfpages(file("f.pdf"));
  // 150 lines on pages of 756 points, as many to a page as whole lines fit.
  const int perpage = 756 / std::stoi(cardvalue("the textHeight of field 1"));
  EXPECT_EQ(pages, (150 + perpage - 1) / perpage);
  EXPECT_GT(pages, 1);
}

TEST_F(PrintingTest, PrinterPropertiesReadAndSetTheKeptSettings) {
  ASSERT_EQ(open(), 0);
  cardrows({
      {"set the printCopies to 0", "the printCopies", "1"},
      {"set the printCopies to 40000", "the printCopies", "32000"},
      {"set the printRange to 5,2", "the printRange", "5,5"},
      {"set the printRange to 0,0", "the printRange", "1,32000"},
      {"", "the printableRect", "0,0,576,756"},
      {"set the printOrientation to \"landscape\"", "the printableRect", "0,0,756,576"},
      {"", "the printOrientation", "landscape"},
      {"set the printOrientation to \"portrait\"", "the paperSize", "612x792"},
      {"", "paperSize(inches)", "8.50x11.00"},
      {"", "paperSize(name)", "US Letter"},
      {"set the paperSize to \"A4\"", "the paperSize", "595x842"},
      {"", "the paperSizes", "612x792\r595x842"},
      {"", "the printers", "Office\rLab"},
      {"", "the printer", "Office"},
      {"", "the printerModel", "Office Laser 9000"},
      {"set the printer to \"lab\"", "the printer", "Lab"},
      {"", "the printerDriver", "The printer driver does not say its version."},
  });
  EXPECT_EQ(failingline("set the printOrientation to \"sideways\""), 2);
  EXPECT_EQ(doline("set the paperSize to \"Foolscap\""), 0);
  EXPECT_EQ(cardvalue("the result"), "That paper size is not available.");
  // Lab has no papers of its own: the program's list serves.
  EXPECT_EQ(cardvalue("paperSize(name)"), "US Letter");

  PMTestPrinter stuck{"Stuck", "", {}, -4};
  pmusetestprinters({office(), stuck});
  EXPECT_EQ(doline("set the printer to \"Stuck\""), 0);
  EXPECT_EQ(cardvalue("the result"), "The printer could not be chosen: -4");
  EXPECT_EQ(cardvalue("the printer"), "Office");
}

TEST_F(PrintingTest, WithoutAPrintingSystemFilesStillPrint) {
  pmsetprintserver(home->path() + "/no-cups.sock");
  ASSERT_EQ(open(), 0);
  EXPECT_EQ(cardvalue("the printers"), "");
  EXPECT_EQ(cardvalue("the printer"), "");
  EXPECT_EQ(failingline("print card without dialogs"), 217);
  EXPECT_EQ(cardvalue("the result"), "Printing failed: -30872");
  EXPECT_EQ(cardvalue("paperSizes(name)"), "US Letter\rUS Legal\rA4\rA5\rB5\rTabloid");

  HandleAs<settingsrec>(mainglobals().settings)->printing = 1;
  EXPECT_EQ(doline("print card to file \"" + file("n.pdf") + "\""), 0);
  EXPECT_EQ(pdfpages(file("n.pdf")), 1);
  std::ifstream picture(folderpath(mainglobals().documentsfolder) + "/PrintCard 1.PICT", std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(picture)), std::istreambuf_iterator<char>());
  EXPECT_GT(bytes.size(), 512u + 10u);
}

TEST_F(PrintingTest, RunsOfCardsGoFromTheCurrentCardOn) {
  ASSERT_EQ(open(), 0);
  transcriptclear();
  EXPECT_EQ(doline("print 2 cards to file \"" + file("two.pdf") + "\""), 0);
  EXPECT_EQ(pdfpages(file("two.pdf")), 2);
  EXPECT_EQ(current().cardnum, 2u);
  // lockMessages holds while the job goes from card to card.
  for (const std::string& l : transcriptlines()) EXPECT_EQ(l.find("openCard"), std::string::npos) << l;
  EXPECT_EQ(doline("go to card 1\nprint all cards to file \"" + file("all.pdf") + "\""), 0);
  EXPECT_EQ(pdfpages(file("all.pdf")), 2);
  EXPECT_EQ(doline("print card 2 to file \"" + file("ref.pdf") + "\""), 0);
  EXPECT_EQ(pdfpages(file("ref.pdf")), 1);
}

TEST_F(PrintingTest, LabelsRasterizingLandscapeAndProgress) {
  ASSERT_EQ(open(), 0);
  EXPECT_EQ(doline("set the printLabel to \"Draft [[1+1]]\" & return & \"left\" & tab & \"right  \""), 0);
  EXPECT_EQ(doline("print card label to file \"" + file("own.pdf") + "\""), 0);
  ASSERT_EQ(kept().size(), 1u);
  const std::string text(kept()[0].picture.begin(), kept()[0].picture.end());
  EXPECT_NE(text.find("Draft 2"), std::string::npos);
  EXPECT_NE(text.find("right"), std::string::npos);
  EXPECT_EQ(text.find("right  "), std::string::npos);  // trailing blanks are not drawn

  EXPECT_EQ(doline("print rasterized card to file \"" + file("raster.pdf") + "\""), 0);
  const Gray raster = render(file("raster.pdf"), 1);
  EXPECT_LT(raster.at(18 + 30, 18 + 20), 64);
  EXPECT_GT(raster.at(18 + 100, 18 + 100), 200);

  transcriptclear();
  EXPECT_EQ(doline("set the printOrientation to landscape\nprint card to file \"" + file("land.pdf") + "\""), 0);
  EXPECT_EQ(pdffact(file("land.pdf"), "Page size").rfind("792 x 612 pts", 0), 0u);
  EXPECT_NE(transcripttext().find("printed page 1"), std::string::npos);
  transcriptclear();
  EXPECT_EQ(doline("print card to file \"" + file("quiet.pdf") + "\" without progress"), 0);
  EXPECT_EQ(transcripttext().find("printed page"), std::string::npos);
  EXPECT_EQ(pdfpages(file("quiet.pdf")), 1);
}

TEST_F(PrintingTest, PrintersTakeTheirCopiesAndPreviewsOpen) {
  ASSERT_EQ(open(), 0);
  EXPECT_EQ(doline("set the printCopies to 3\nset the printer to \"Lab\"\nprint card without dialogs"), 0);
  ASSERT_EQ(pmcapturedjobs().size(), 1u);
  EXPECT_EQ(pmcapturedjobs()[0].printer, "Lab");
  EXPECT_EQ(pmcapturedjobs()[0].copies, 3u);
  EXPECT_EQ(pmcapturedjobs()[0].pdf.size() > 4 &&
                std::string(pmcapturedjobs()[0].pdf.begin(), pmcapturedjobs()[0].pdf.begin() + 4) == "%PDF",
            true);
  transcriptclear();
  EXPECT_EQ(doline("print card to preview"), 0);
  const std::string t = transcripttext();
  const std::string note = "note: preview ";
  const std::size_t at = t.find(note);
  ASSERT_NE(at, std::string::npos);
  const std::string path = t.substr(at + note.size(), t.find('\n', at) - at - note.size());
  EXPECT_EQ(pdfpages(path), 1) << t;
  std::remove(path.c_str());
}

TEST_F(PrintingTest, AHeldJobTakesFieldsAndRunsOfCards) {
  ASSERT_EQ(open(), 0);
  EXPECT_EQ(doline("print field 1 to file \"" + file("alone.pdf") + "\""), 0);
  const int fieldpages = pdfpages(file("alone.pdf"));
  EXPECT_EQ(doline("open print job \"Both\" to file \"" + file("both.pdf") +
                   "\" without dialog or dialogs or progress"),
            0);
  transcriptclear();
  EXPECT_EQ(doline("print field 1\nprint 2 cards"), 0);
  EXPECT_EQ(current().cardnum, 2u);
  EXPECT_EQ(transcripttext().find("printed page"), std::string::npos) << "opened without progress";
  EXPECT_EQ(doline("close print job"), 0);
  EXPECT_EQ(pdfpages(file("both.pdf")), fieldpages + 2);
  EXPECT_EQ(pdffact(file("both.pdf"), "Title"), "Both");
}

TEST_F(PrintingTest, ClosingPrintingForgetsTheSettingsAndTheDialogMode) {
  ASSERT_EQ(open(), 0);
  // `with dialog` shows the print dialog alone.
  queueanswer(Answer{"print", "OK", {}});
  EXPECT_EQ(doline("print card with dialog"), 0);
  EXPECT_EQ(answerspending(), 0u);
  ASSERT_EQ(pmcapturedjobs().size(), 1u);

  EXPECT_EQ(doline("set the printRange to 3,4\nset the printOrientation to landscape"), 0);
  EXPECT_EQ(doline("close printing"), 0);
  EXPECT_EQ(mainglobals().printdialogmode, 0);
  EXPECT_EQ(cardvalue("the printRange"), "1,32000");
  EXPECT_EQ(cardvalue("the printOrientation"), "portrait");
  // Both dialogs show again.
  queueanswer(Answer{"page setup", "OK", {}});
  queueanswer(Answer{"print", "OK", {}});
  EXPECT_EQ(doline("print card"), 0);
  EXPECT_EQ(answerspending(), 0u);
  EXPECT_EQ(pmcapturedjobs().size(), 2u);
  mainglobals().plugin = 1;
  EXPECT_EQ(failingline("close printing"), 175);
  EXPECT_EQ(failingline("open printing"), 175);
  mainglobals().plugin = 0;
}

TEST_F(PrintingTest, TheDialogsRunOnInput) {
  ASSERT_EQ(open(), 0);
  // Landscape chosen in the page-setup dialog, then Return; the print dialog's copies typed.
  drive::click(Point{i16(80 + 73), i16(80 + 30)});
  drive::key(kVKReturn);
  EXPECT_EQ(doline("open pageSetup"), 0);
  EXPECT_EQ(cardvalue("the printOrientation"), "landscape");
  EXPECT_EQ(mainglobals().printdialogmode, 2);
  drive::key(kVKEscape);
  EXPECT_EQ(doline("open printing"), 0);
  EXPECT_EQ(cardvalue("the result"), "Cancel");
}

}  // namespace
}  // namespace kv
