// Inside the print layer: the records behind the registry ids, the printers and the PDF
// documents of sessions.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/print/print.h"

namespace kv {

struct PageFormat {
  PMRect paper{0, 0, 792, 612};
  PMRect page{18, 18, 774, 594};
  u16 orientation = kPMPortrait;
};

struct PrintSettings {
  u32 first = 1, last = kPMPrintAllPages;
  u32 copies = 1;
  std::string jobname;
};

struct PdfDocument;  // pdfdocument.cpp, in the pdf module
struct PdfDocumentFree {
  void operator()(PdfDocument* d) const;
};

struct Session {
  GWorldPtr page = 0;       // the open page's port
  PicHandle recording = 0;  // the open page's picture, inside a document
  std::vector<PMKeptPage> kept;
  i32 beginsleft = 0;  // begin-pages until the injected failure (0: none armed)
  OSStatus failure = noErr;
  OSStatus error = noErr;
  PMPageEndedProc ended = nullptr;
  u16 destination = kPMDestinationPrinter;
  std::string path;  // the PDF file of a file destination (UTF-8)
  std::unique_ptr<PdfDocument, PdfDocumentFree> document;
  bool progress = false;  // the document notes its pages as a progress window does
  i32 pagesdone = 0;
  Session();
  ~Session();
};

// The printers: the test printers while a test set them, else CUPS's.
struct PrinterEntry {
  std::string name, model;  // Mac Roman
  std::string cupsname;     // UTF-8, for CUPS
  OSStatus refuseselect = 0;
};
std::vector<PrinterEntry> printerlist();
// The current printer (none: false).
bool currentprinter(PrinterEntry* out);
std::vector<PMPaper> printerpapers(const PrinterEntry& printer);
// The program's own papers (string list 205) with 18 points of margin.
std::vector<PMPaper> ownpapers();
// A paper of this size (points) and these margins.
PMPaper paperof(const std::string& name, double width, double height, double top, double left, double bottom,
                double right);
// Sends a finished PDF file to the printer with its copies (captured for a test printer).
OSStatus sendtoprinter(const PrinterEntry& printer, const std::string& pdfpath, const std::string& title, u32 copies);

// The PDF document of a session: begun on a file, one page per ended page.
OSStatus pdfbegin(Session& s, const PrintSettings& settings, const PageFormat& format);
// Places a page: the pixels of `world` (a 32-bit world `scale` times the points of `bounds`)
// at the bounds' place on a page of the format's paper.
OSStatus pdfpage(Session& s, GWorldPtr world, const Rect& bounds, i32 scale);
// Finishes the file and hands it to its destination.
OSStatus pdfend(Session& s);
void pdfabandon(Session& s);

// A format's paper and page as they lie on the sheet (turned for landscape).
PMRect orientedpaper(const PageFormat& f);
PMRect orientedpage(const PageFormat& f);

}  // namespace kv
