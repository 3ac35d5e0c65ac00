// The printing system as the program sees it: page formats (the paper and the page, the
// paper less the printer's unprintable area, in points), print settings (the page range),
// and print sessions whose pages are drawn one at a time into a port of the page rectangle
// at 72 dots per inch. A session keeps each finished page's pixels; sending them on to a PDF
// file or a printer is not done here yet.
//
// Sessions, formats and settings are registry ids, checked on every use.
#pragma once

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
constexpr OSStatus kPMOutOfScope = -30871;  // a page begun inside a page, or ended outside one
constexpr u32 kPMPrintAllPages = 0xFFFFFFFF;
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

// Pages are numbered from 1. `lock` is accepted and not used.
OSStatus PMSetFirstPage(PMPrintSettings settings, u32 first, bool lock);
OSStatus PMSetLastPage(PMPrintSettings settings, u32 last, bool lock);
OSStatus PMGetFirstPage(PMPrintSettings settings, u32* first);
OSStatus PMGetLastPage(PMPrintSettings settings, u32* last);

// Begins a page: a white 32-bit port whose bounds are the page frame (rounded to whole
// points; none: the format's page rectangle). kPMOutOfScope inside a page.
OSStatus PMSessionBeginPage(PMPrintSession session, PMPageFormat format, const PMRect* pageFrame);
// The open page's port; kPMOutOfScope outside a page, paramErr for another kind of context.
OSStatus PMSessionGetGraphicsContext(PMPrintSession session, const char* kind, CGrafPtr* port);
// Ends the page and keeps its pixels; kPMOutOfScope outside a page.
OSStatus PMSessionEndPage(PMPrintSession session);

// A finished page: its bounds and its pixels row by row (xrgb, white 0x00FFFFFF).
struct PMKeptPage {
  Rect bounds;
  std::vector<u32> pixels;
};
// The pages a session kept, in the order they ended (none for a bad session).
const std::vector<PMKeptPage>* pmkeptpages(PMPrintSession session);
// Called after each page of the session has ended and been kept (none: no call).
using PMPageEndedProc = void (*)(PMPrintSession session, i32 pagesKept);
void pmwatchpages(PMPrintSession session, PMPageEndedProc proc);
// Tests: the session's begin-page answers `err` from its nth call on (1 = the next; 0 disarms).
void pmfailbeginpage(PMPrintSession session, i32 nth, OSStatus err);

}  // namespace kv
