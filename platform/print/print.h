// The printing system as the program sees it: page formats (the paper and the page, the
// paper less the printer's unprintable area, in points, and the orientation), print settings
// (the page range and the copies), and print sessions whose pages are drawn one at a time
// into a port of the page rectangle at 72 dots per inch. A session keeps each finished page's
// pixels. Inside a document (begun and ended on the session) each page's drawing is also
// recorded as a picture and, when the page ends, played at 288 dots per inch onto a PDF page
// of the paper's size (cairo); the document goes to a PDF file, to a printer (CUPS, with its
// copies) or to the desktop's viewer (preview).
//
// Printers, their make and model and their papers come from CUPS, or from the test printers
// a test puts in its place; without a printer the papers are the program's own list (string
// list 205) with 18 points of margin.
//
// Sessions, formats and settings are registry ids, checked on every use.
#pragma once

#include <string>
#include <vector>

#include "platform/qd/qdtypes.h"
#include "platform/runtime/registry.h"
#include "platform/types.h"

namespace kv {

using PMPrintSession = RegistryId;
using PMPageFormat = RegistryId;
using PMPrintSettings = RegistryId;

// A rectangle in points: top, left, bottom, right.
struct PMRect {
  double top, left, bottom, right;
};

constexpr OSStatus kPMGeneralError = -30870;
constexpr OSStatus kPMOutOfScope = -30871;        // a page begun inside a page, or ended outside one
constexpr OSStatus kPMNoDefaultPrinter = -30872;  // no printer to send a document to
constexpr OSStatus kPMCancel = 128;
constexpr u32 kPMPrintAllPages = 0xFFFFFFFF;
constexpr u16 kPMPortrait = 1, kPMLandscape = 2;
// Where a session's documents go.
enum : u16 { kPMDestinationPrinter = 1, kPMDestinationFile = 2, kPMDestinationPreview = 4 };
// The kind of graphics context PMSessionGetGraphicsContext gives: a QuickDraw port.
constexpr const char* kPMGraphicsContextQuickDraw = "com.apple.graphicscontext.quickdraw";

OSStatus PMCreateSession(PMPrintSession* out);
// US Letter (612 x 792 points) with 18 points unprintable on every side.
OSStatus PMCreatePageFormat(PMPageFormat* out);
// All pages: first 1, last kPMPrintAllPages.
OSStatus PMCreatePrintSettings(PMPrintSettings* out);
// Releases a session (with an open page and its kept pages), a format or settings.
OSStatus PMRelease(RegistryId object);

// The print layer's paper and page of a format. paramErr unless the page lies within the paper
// and both have an area.
OSStatus pmsetpaper(PMPageFormat format, const PMRect* paper, const PMRect* page);
OSStatus PMGetAdjustedPaperRect(PMPageFormat format, PMRect* paper);
OSStatus PMGetAdjustedPageRect(PMPageFormat format, PMRect* page);

// A copy of one format's paper, page and orientation into another.
OSStatus PMCopyPageFormat(PMPageFormat from, PMPageFormat to);
// Portrait (1) or landscape (2); paramErr for other values.
OSStatus PMSetOrientation(PMPageFormat format, u16 orientation, bool lock);
OSStatus PMGetOrientation(PMPageFormat format, u16* orientation);
// The format's paper and page become the current printer's default paper (US Letter when the
// printer has it, else its first).
OSStatus PMSessionDefaultPageFormat(PMPrintSession session, PMPageFormat format);

// A paper: its name (Mac Roman), the paper in points from the origin and the page the printer
// can mark on it.
struct PMPaper {
  std::string name;
  PMRect paper, page;
};
// The current printer's papers, or the program's own list when there is no printer.
OSStatus PMSessionCreatePageFormatList(PMPrintSession session, std::vector<PMPaper>* papers);

// The program's own papers (string list 205, "Name=WxH") with 18 points of margin: the papers
// without a printer, and the names of paper sizes.
std::vector<PMPaper> pmownpapers();

// The printers (Mac Roman names) and the index of the current one (-1: none). No printing
// system: an empty list.
OSStatus PMServerCreatePrinterList(std::vector<std::string>* names, i32* current);
// Makes the printer of that index current: the printer's own refusal, or paramErr for no such
// printer.
OSStatus PMSessionSetCurrentPrinter(PMPrintSession session, i32 index);
// The current printer's make and model (empty without a printer).
OSStatus PMPrinterGetMakeAndModelName(std::string* name);
// Printer drivers have no release information here: kPMGeneralError.
OSStatus PMPrinterGetDriverReleaseInfo(std::string* version);

// Pages are numbered from 1. `lock` is accepted and not used.
OSStatus PMSetFirstPage(PMPrintSettings settings, u32 first, bool lock);
OSStatus PMSetLastPage(PMPrintSettings settings, u32 last, bool lock);
OSStatus PMGetFirstPage(PMPrintSettings settings, u32* first);
OSStatus PMGetLastPage(PMPrintSettings settings, u32* last);
// At least 1.
OSStatus PMSetCopies(PMPrintSettings settings, u32 copies, bool lock);
OSStatus PMGetCopies(PMPrintSettings settings, u32* copies);
// The document's title (Mac Roman).
OSStatus PMSetJobName(PMPrintSettings settings, const std::string& name);
OSStatus PMGetJobName(PMPrintSettings settings, std::string* name);

// Where the session's next document goes: the printer, a PDF file at `path` (a UTF-8 POSIX
// path; `mime` must be "application/pdf"), or the preview. paramErr otherwise.
OSStatus PMSessionSetDestination(PMPrintSession session, PMPrintSettings settings, u16 kind, const char* mime,
                                 const std::string& path);
OSStatus PMSessionGetDestinationType(PMPrintSession session, PMPrintSettings settings, u16* kind);
// The session's last failure, and setting it (tests cancel a job through it).
OSStatus PMSessionError(PMPrintSession session);
OSStatus PMSessionSetError(PMPrintSession session, OSStatus error);

// Begins a document for the destination: kPMNoDefaultPrinter to a printer when there is none,
// kPMOutOfScope inside a document, or the failure to make the PDF. The NoDialog forms show no
// progress; the others note each page in the transcript as the progress window shows it.
OSStatus PMSessionBeginDocument(PMPrintSession session, PMPrintSettings settings, PMPageFormat format);
OSStatus PMSessionBeginDocumentNoDialog(PMPrintSession session, PMPrintSettings settings, PMPageFormat format);
// Ends the document: the PDF file is finished, sent to the printer with the settings' copies, or
// opened in the viewer. kPMOutOfScope outside a document.
OSStatus PMSessionEndDocument(PMPrintSession session);
OSStatus PMSessionEndDocumentNoDialog(PMPrintSession session);
OSStatus PMSessionBeginPageNoDialog(PMPrintSession session, PMPageFormat format, const PMRect* pageFrame);
OSStatus PMSessionEndPageNoDialog(PMPrintSession session);

// Begins a page: a white 32-bit port whose bounds are the page frame (rounded to whole
// points; none: the format's page rectangle, turned for landscape). kPMOutOfScope inside a
// page; the session's error when one is set.
OSStatus PMSessionBeginPage(PMPrintSession session, PMPageFormat format, const PMRect* pageFrame);
// The open page's port; kPMOutOfScope outside a page, paramErr for another kind of context.
OSStatus PMSessionGetGraphicsContext(PMPrintSession session, const char* kind, CGrafPtr* port);
// Ends the page and keeps its pixels; kPMOutOfScope outside a page.
OSStatus PMSessionEndPage(PMPrintSession session);

// A finished page: its bounds, its pixels row by row (xrgb, white 0x00FFFFFF) and, inside a
// document, its recorded picture data.
struct PMKeptPage {
  Rect bounds;
  std::vector<u32> pixels;
  std::vector<u8> picture;
};
// The pages a session kept, in the order they ended (none for a bad session).
const std::vector<PMKeptPage>* pmkeptpages(PMPrintSession session);
// Called after each page of the session has ended and been kept (none: no call).
using PMPageEndedProc = void (*)(PMPrintSession session, i32 pagesKept);
void pmwatchpages(PMPrintSession session, PMPageEndedProc proc);
// Tests: the session's begin-page answers `err` from its nth call on (1 = the next; 0 disarms).
void pmfailbeginpage(PMPrintSession session, i32 nth, OSStatus err);

// --- Test printers ---------------------------------------------------------------------------
// Tests put printers in place of CUPS: names, make and model, papers, and the status with which
// a printer refuses to be selected. Jobs sent to them are captured instead of printed.
struct PMTestPrinter {
  std::string name, model;
  std::vector<PMPaper> papers;
  OSStatus refuseselect = 0;
};
struct PMCapturedJob {
  std::string printer, title;
  u32 copies;
  std::vector<u8> pdf;
};
void pmusetestprinters(const std::vector<PMTestPrinter>& printers);
const std::vector<PMCapturedJob>& pmcapturedjobs();
// Where CUPS is asked (a server name or socket path; empty: CUPS's own choice).
void pmsetprintserver(const std::string& server);

}  // namespace kv
