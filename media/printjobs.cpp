// One complete print job of cards: the session prepared, the dialogs as the dialog mode
// allows, the destination chosen, and the current card, a referenced card or a run of cards
// printed page by page.
#include "engine/scripterrors.h"
#include "media/print.h"
#include "platform/windows/cursor.h"
#include "platform/windows/windows.h"
#include "core/mainglobals.h"
#include "core/runservices.h"
#include "shell/windnav.h"
#include "store/forms.h"

namespace kv {

namespace {
constexpr i16 kCardMoved = -991;
}  // namespace

i16 printcardrun(i32 count, const Rect* region) {
  MainGlobals& g = mainglobals();
  const PrintState& p = printstate();
  i16 st = 0;
  for (i32 k = 1; k <= count && st == 0; ++k) {
    st = deskprint(g.current, region);
    if (st != 0 || k == count) break;
    form f{};
    f.card = selpart{selnext, i32(g.current.cardnum), {}, 0};
    st = gotowindow(f);
    if (st == 0) st = isabort(0);
    if (st == 0 && p.lastPage <= p.pageCount) break;
  }
  return st;
}

i16 beginprintjob(const desk& d) {
  MainGlobals& g = mainglobals();
  PrintState& p = printstate();
  if (OSStatus err = preparesession()) return mapprintstatus(err);
  std::string job;
  if ((g.printflags & printjobnamed) && !p.jobname.empty()) {
    job = p.jobname;
  } else {
    Str255 title{};
    if (d.window != nilid) GetWTitle(d.window, title);
    job.assign(reinterpret_cast<const char*>(title + 1), title[0]);
  }
  PMSetJobName(p.settings, job);
  PMSessionSetDestination(p.session, p.settings, kPMDestinationPrinter, nullptr, "");
  const u16 former = g.printdialogmode;
  bool accepted = false;
  if (MyPreparePageFormat(&accepted, false) != noErr) return err::dialogfailed;
  if (!accepted) {
    g.printdialogmode = former;
    return err::cancelled;
  }
  g.printdialogmode = former == 0 ? u16(dialognopagesetup) : former;
  if (MyDoPrintDialog(&accepted) != noErr) return err::dialogfailed;
  if (!accepted) return err::cancelled;
  if (g.printflags & printtofile) {
    OSStatus destst = noErr;
    if (i16 st = MySetPrintingToFile(p.jobname, &destst)) return st;
    if (destst != noErr) return mapprintstatus(destst);
  } else if (g.printflags & printtopreview) {
    PMSessionSetDestination(p.session, p.settings, kPMDestinationPreview, nullptr, "");
  }
  g.printdialogmode |= dialognone;
  p.withstatus = (g.printflags & printnoprogress) == 0;
  if (OSStatus err = printbegindocument()) return mapprintstatus(err);
  return 0;
}

i16 endprintjob(i16 st) {
  PrintState& p = printstate();
  const OSStatus ended = printenddocument();
  if (st == 0 && ended != noErr) st = mapprintstatus(ended);
  PMSessionSetDestination(p.session, p.settings, kPMDestinationPrinter, nullptr, "");
  return st;
}

i16 printfile(const desk& d, i32 mode, const Rect* region) {
  SetThemeCursor(kThemeArrowCursor);
  switchprintfolder();
  struct Folder {
    ~Folder() { restoreprintfolder(); }
  } folder;
  if (i16 st = beginprintjob(d)) return st;
  const i16 st = endprintjob(mode < 0 ? deskprint(d, region) : printcardrun(mode, region));
  return st == kCardMoved ? i16(0) : st;
}

}  // namespace kv
