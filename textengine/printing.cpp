// Printing a text record: a print session lays the text out for the page width (the record's
// own layout stays as it is), breaks its lines into pages and draws one page at a time into a
// printer's port; the page rectangle of a print job comes from the paper, the printer's
// unprintable area and the margins, and `DoPrint` runs the page loop of a job.
#include <algorithm>
#include <cmath>

#include "platform/events/events.h"
#include "platform/qd/ports.h"
#include "render/fielddrawing.h"
#include "textengine/weinternal.h"

namespace kv {

namespace {

WEPrintSessionRec sessionof(WEPrintSession session) {
  WEPrintSessionRec s{};
  if (session != nilhandle && GetHandleSize(session) == Size(sizeof s)) std::memcpy(&s, deref(session), sizeof s);
  return s;
}

// The line array a session's pages refer to: its own, else its record's.
Handle linesof(const WEPrintSessionRec& s) {
  if (s.hLines != nilhandle) return s.hLines;
  const WERec* r = werec(s.record);
  return r ? r->hLines : nilhandle;
}

i32 origin(Handle lines, i32 line) { return weelement<WELineRec>(lines, line).lineOrigin; }

// Whether the session's layout still holds the lines up to `end`: a session that uses the
// record's own lines is outdated when the record's text has lost lines since.
bool holds(const WEPrintSessionRec& s, i32 end) {
  if (s.hLines != nilhandle) return end <= s.nLines;
  const WERec* r = werec(s.record);
  return r != nullptr && end <= r->nLines;
}

// The page breaks of a layout: the first line of each page, then the line count. A page takes
// lines while they fit its height, and always at least one.
OSErr breakpages(Handle lines, i32 nLines, i32 height, Handle breaks) {
  i32 first = 0;
  do {
    OSErr err = _WESplice(breaks, &first, sizeof first, -1);
    if (err != noErr) return err;
    i32 next = first + 1;
    while (next < nLines && origin(lines, next + 1) - origin(lines, first) <= height) ++next;
    first = next;
  } while (first < nLines);
  return _WESplice(breaks, &nLines, sizeof nLines, -1);
}

Fixed tofixed(double points) { return Fixed(std::lround(std::clamp(points, -32768.0, 32767.0) * 65536.0)); }
i32 wholepoints(Fixed f) { return (f + 0x8000) >> 16; }

}  // namespace

OSErr WENewPrintSession(const WEPrintOptions* options, WEReference we, WEPrintSession* out) {
  if (out) *out = nilhandle;
  WERec* r = werec(we);
  if (r == nullptr || options == nullptr || out == nullptr) return paramErr;
  const Rect& page = options->pageRect;
  const i32 width = page.right - page.left, height = page.bottom - page.top;
  if (width < 1 || height < 1 || options->reserved < 0 || options->reserved > height - 1) return paramErr;

  const i16 flags = weAllocClear | ((r->features & (1u << weFUseTempMem)) ? weAllocTempMem : 0);
  Handle session = nilhandle, breaks = nilhandle;
  OSErr err = _WEAllocate(sizeof(WEPrintSessionRec), flags, &session);
  if (err == noErr) err = _WEAllocate(0, flags, &breaks);

  WEPrintSessionRec s{};
  s.record = we;
  s.pageRect = page;
  r = werec(we);
  s.nLines = r->nLines;
  if (err == noErr && width != r->destRect.right - r->destRect.left) {
    // Lay the text out again in a copy of the line array for the page width; the record gets
    // its own array, count and destination back whatever happens.
    Handle own = r->hLines;
    const i32 count = r->nLines;
    const LongRect dest = r->destRect;
    const u32 pending = r->flags & weFlagScrollPending;
    Handle copy = own;
    err = HandToHand(&copy);
    if (err == noErr) {
      r = werec(we);
      r->hLines = copy;
      WERectToLongRect(&page, &r->destRect);
      err = WECalText(we);
      r = werec(we);
      s.hLines = r->hLines;
      s.nLines = r->nLines;
      r->hLines = own;
      r->nLines = count;
      r->destRect = dest;
      r->flags = (r->flags & ~weFlagScrollPending) | pending;
    }
  }
  if (err == noErr) err = breakpages(linesof(s), s.nLines, height, breaks);
  if (err != noErr) {
    _WEForgetHandle(&s.hLines);
    _WEForgetHandle(&breaks);
    _WEForgetHandle(&session);
    return err;
  }
  s.hPageBreaks = breaks;
  s.nPages = i32(HandleCount<i32>(breaks)) - 1;
  std::memcpy(deref(session), &s, sizeof s);
  *out = session;
  return noErr;
}

void WEDisposePrintSession(WEPrintSession session) {
  if (session == nilhandle || GetHandleSize(session) != Size(sizeof(WEPrintSessionRec))) return;
  WEPrintSessionRec s = sessionof(session);
  _WEForgetHandle(&s.hLines);
  _WEForgetHandle(&s.hPageBreaks);
  DisposeHandle(session);
}

i32 WECountPages(WEPrintSession session) { return sessionof(session).nPages; }

void _WEGetPageRange(i32 page, i32* firstLine, i32* endLine, WEPrintSession session) {
  const WEPrintSessionRec s = sessionof(session);
  i32 first = 0, end = 0;
  if (s.nPages > 0) {
    page = std::clamp(page, 0, s.nPages - 1);
    first = weelement<i32>(s.hPageBreaks, page);
    end = weelement<i32>(s.hPageBreaks, page + 1);
  }
  if (firstLine) *firstLine = first;
  if (endLine) *endLine = end;
}

i32 WEGetPageHeight(i32 page, WEPrintSession session) {
  const WEPrintSessionRec s = sessionof(session);
  const Handle lines = linesof(s);
  if (s.nPages < 1 || lines == nilhandle) return 0;
  page = std::clamp(page, 0, s.nPages - 1);
  i32 first = 0, end = 0;
  _WEGetPageRange(page, &first, &end, session);
  if (!holds(s, end)) return 0;
  return origin(lines, end) - origin(lines, first) + (page == 0 ? s.firstPageExtra : 0);
}

OSErr WEPrintPage(i32 page, CGrafPtr port, const Rect* pageRect, WEPrintSession session) {
  const WEPrintSessionRec s = sessionof(session);
  const WEReference we = s.record;
  WERec* r = werec(we);
  if (r == nullptr || page < 0 || page >= s.nPages) return paramErr;
  const Rect frame = pageRect ? *pageRect : s.pageRect;
  if (frame.bottom - frame.top != s.pageRect.bottom - s.pageRect.top) return paramErr;
  i32 first = 0, end = 0;
  _WEGetPageRange(page, &first, &end, session);
  if (!holds(s, end)) return paramErr;

  // The record as it is on screen, put back afterwards.
  const u32 flags = r->flags, features = r->features;
  const Handle lines = r->hLines;
  const i32 count = r->nLines;
  const LongRect view = r->viewRect, dest = r->destRect;
  const CGrafPtr oldport = r->port;

  if (s.hLines != nilhandle) {
    r->hLines = s.hLines;
    r->nLines = s.nLines;
  }
  r->port = port;
  r->features &= ~((1u << weFOutlineHilite) | (1u << weFDrawOffscreen));
  // Inactive and printing: no highlight, no caret, and the update leaves the port's clip and
  // every window's update region alone.
  r->flags = (r->flags & ~(weFlagActive | weFlagCaretShown)) | weFlagPrinting;
  const i32 above = origin(r->hLines, first), pageheight = origin(r->hLines, end) - above;
  const i32 textheight = origin(r->hLines, r->nLines);
  r->destRect = LongRect{frame.top - above, frame.left, frame.top - above + textheight, frame.right};
  const LongRect pageview{frame.top, frame.left, frame.top + pageheight, frame.right};
  WESetViewRect(&pageview, we);
  WEUpdate(werec(we)->viewRgn, we);

  r = werec(we);
  r->flags = flags;
  r->features = features;
  r->hLines = lines;
  r->nLines = count;
  r->destRect = dest;
  r->port = oldport;
  WESetViewRect(&view, we);
  return noErr;
}

void ValidateMargins(const PMRect* paper, const PMRect* page, WEMargins* margins) {
  if (paper == nullptr || page == nullptr || margins == nullptr) return;
  const Fixed tall = tofixed((paper->bottom - paper->top - 36) / 2);
  const Fixed wide = tofixed((paper->right - paper->left - 36) / 2);
  auto fit = [](Fixed* m, Fixed least, Fixed most) {
    if (*m < least) *m = least;
    else if (*m > most) *m = most;
  };
  fit(&margins->top, tofixed(page->top - paper->top), tall);
  fit(&margins->bottom, tofixed(paper->bottom - page->bottom), tall);
  fit(&margins->left, tofixed(page->left - paper->left), wide);
  fit(&margins->right, tofixed(paper->right - page->right), wide);
}

void CalculatePageRect(const PMRect* paper, const WEMargins* margins, Rect* pageRect) {
  if (paper == nullptr || margins == nullptr || pageRect == nullptr) return;
  const i32 top = i32(std::lround(paper->top)), left = i32(std::lround(paper->left));
  const i32 width = i32(std::lround(paper->right - paper->left)), height = i32(std::lround(paper->bottom - paper->top));
  const i32 t = wholepoints(margins->top), b = wholepoints(margins->bottom);
  const i32 l = wholepoints(margins->left), rt = wholepoints(margins->right);
  auto pin = [](i32 v) { return i16(std::clamp(v, -32768, 32767)); };
  pageRect->left = pin(left + l);
  pageRect->top = pin(top + t);
  pageRect->right = pin(left + l + width - (l + rt));
  pageRect->bottom = pin(top + t + height - (t + b));
}

OSErr DoPrint(const WEPrintJob* job) {
  if (job == nullptr) return paramErr;
  setPrintingAFieldFlag(1);
  PMRect paper{}, page{};
  OSErr err = PMGetAdjustedPaperRect(job->format, &paper);
  if (err == noErr) err = PMGetAdjustedPageRect(job->format, &page);
  WEPrintSession session = nilhandle;
  if (err == noErr) {
    // The margins are the printer's unprintable area (none on a paper too small for it).
    auto margin = [](double unprintable, double across) {
      const Fixed m = tofixed(unprintable);
      if (m > 0) return m;
      return across < 36 ? tofixed((across - 36) / 2) : 0;
    };
    const double tall = paper.bottom - paper.top, wide = paper.right - paper.left;
    const WEMargins margins{margin(page.top - paper.top, tall), margin(paper.bottom - page.bottom, tall),
                            margin(page.left - paper.left, wide), margin(paper.right - page.right, wide)};
    WEPrintOptions options{};
    CalculatePageRect(&paper, &margins, &options.pageRect);
    err = WENewPrintSession(&options, job->record, &session);
  }
  u32 first = 0, last = 0;
  if (err == noErr) err = PMGetFirstPage(job->settings, &first);
  if (err == noErr) err = PMGetLastPage(job->settings, &last);
  if (err == noErr) {
    const WEPrintSessionRec s = sessionof(session);
    const i64 from = i64(first) - 1, to = std::min<i64>(last, s.nPages) - 1;
    const PMRect frame{double(s.pageRect.top), double(s.pageRect.left), double(s.pageRect.bottom),
                       double(s.pageRect.right)};
    for (i64 p = std::max<i64>(from, 0); p <= to; ++p) {
      if (CheckEventQueueForUserCancel()) break;
      err = PMSessionBeginPage(job->session, job->format, &frame);
      if (err != noErr) break;
      CGrafPtr port = 0;
      err = PMSessionGetGraphicsContext(job->session, kPMGraphicsContextQuickDraw, &port);
      if (err == noErr) err = WEPrintPage(i32(p), port, nullptr, session);
      const OSErr ended = PMSessionEndPage(job->session);
      if (err == noErr) err = ended;
      if (err != noErr) break;
    }
  }
  WEDisposePrintSession(session);
  setPrintingAFieldFlag(0);
  return err;
}

}  // namespace kv
