// The kept print session, settings and page format; the page-setup and print dialogs as the
// dialog mode allows them; PDF files; print jobs held open across `print` commands; the
// releases; and the mapping of printing-system statuses to script statuses.
#include <algorithm>
#include <cstdio>

#include "engine/scripterrors.h"
#include "engine/textutil.h"
#include "media/mediaservice.h"
#include "media/print.h"
#include "platform/files/files.h"
#include "platform/files/pathforms.h"
#include "platform/runtime/root.h"
#include "platform/text/macroman.h"
#include "platform/text/pstring.h"
#include "platform/windows/cursor.h"
#include "platform/windows/windows.h"
#include "core/mainglobals.h"

namespace kv {

namespace {

constexpr i16 resultcancel = 1, resultprintstatus = 109;

void release(RegistryId* object) {
  if (*object != 0) PMRelease(*object);
  *object = 0;
}

}  // namespace

PrintState& printstate() { return state<PrintState>(); }

i16 mapprintstatus(OSStatus status) {
  if (status == 0) return 0;
  if (status == kPMCancel || status == -kPMCancel) return err::cancelled;
  const i16 mapped = status == kPMNoDefaultPrinter ? err::noprinter : err::printingfailed;
  // `the result`: the report text, a blank and the status.
  const StringPtr text = resultstr(resultprintstatus);
  char line[300];
  const int n = std::snprintf(line, sizeof line, "%.*s %d", int(text[0]), reinterpret_cast<const char*>(text + 1),
                              int(status));
  MainGlobals& g = mainglobals();
  if (g.result != nilhandle && n > 0) {
    Str255 s{};
    pstrassign(s, sizeof s, line, std::size_t(std::min(n, 255)));
    stringtohand(s, g.result);
  }
  return mapped;
}

OSStatus preparesession() {
  PrintState& p = printstate();
  if (p.copies == 0) p.copies = 1;
  if (p.session == 0)
    if (OSStatus err = PMCreateSession(&p.session)) return err;
  if (p.settings == 0) {
    if (OSStatus err = PMCreatePrintSettings(&p.settings)) return err;
    PMSetCopies(p.settings, p.copies, false);
  }
  return noErr;
}

OSStatus MyPreparePageFormat(bool* accepted, bool nodialog) {
  PrintState& p = printstate();
  *accepted = false;
  PMPageFormat made = 0;
  if (OSStatus err = PMCreatePageFormat(&made)) return err;
  OSStatus err = p.format != 0 ? PMCopyPageFormat(p.format, made) : PMSessionDefaultPageFormat(p.session, made);
  if (err == noErr) {
    if (!nodialog && (mainglobals().printdialogmode & (dialognone | dialognopagesetup)) == 0) {
      SetThemeCursor(kThemeArrowCursor);
      err = runpagesetupdialog(made);
      if (err == kPMCancel) {
        PMRelease(made);
        return noErr;
      }
    }
  }
  if (err != noErr) {
    PMRelease(made);
    return err;
  }
  *accepted = true;
  release(&p.format);
  p.format = made;
  return noErr;
}

OSStatus MyDoPrintDialog(bool* accepted) {
  PrintState& p = printstate();
  *accepted = true;
  if ((mainglobals().printdialogmode & dialognone) == 0) {
    if (OSStatus err = preparesession()) return err;
    SetThemeCursor(kThemeArrowCursor);
    OSStatus err = runprintdialog(p.settings);
    if (err == kPMCancel) {
      *accepted = false;
      return noErr;
    }
    if (err != noErr) return err;
    u32 copies = 1;
    if (PMGetCopies(p.settings, &copies) == noErr) p.copies = copies;
  }
  u32 first = 0, last = 0;
  if (PMGetFirstPage(p.settings, &first) != noErr) {
    first = 1;
    last = 32000;
  } else if (PMGetLastPage(p.settings, &last) != noErr) {
    last = 32000;
  }
  p.firstPage = i32(std::min<u32>(first, 32000));
  p.lastPage = i32(std::min<u32>(last, 32000));
  p.pageCount = 0;
  return noErr;
}

i16 MySetPrintingToFile(const std::string& name, OSStatus* status) {
  const MainGlobals& g = mainglobals();
  std::string path;
  if (name.find('/') != std::string::npos) {
    path = macromantoutf8(name);
  } else if (name.find(':') != std::string::npos) {
    path = macromantoutf8(colonpathtoposix(name));
  } else {
    std::string folder;
    if (g.desktopfolder == 0 || pathoffolder(g.desktopfolder, &folder) != noErr) return err::nodocument;
    path = macromantoutf8(folder + "/" + name);
  }
  if (path.empty()) return err::nomemory;
  *status = PMSessionSetDestination(printstate().session, printstate().settings, kPMDestinationFile, "application/pdf",
                                    path);
  return 0;
}

void switchprintfolder() {
  PrintState& p = printstate();
  MainGlobals& g = mainglobals();
  p.savedfolder = g.lastdirid;
  p.savedfolderset = true;
  g.lastdirid = g.documentsfolder;
}

void restoreprintfolder() {
  PrintState& p = printstate();
  if (!p.savedfolderset) return;
  p.savedfolderset = false;
  std::string path;
  // A folder taken away meanwhile is not gone back to.
  if (p.savedfolder == 0 || pathoffolder(p.savedfolder, &path) == noErr) mainglobals().lastdirid = p.savedfolder;
}

OSStatus printbegindocument() {
  PrintState& p = printstate();
  PMSetCopies(p.settings, p.copies, false);
  return p.withstatus ? PMSessionBeginDocument(p.session, p.settings, p.format)
                      : PMSessionBeginDocumentNoDialog(p.session, p.settings, p.format);
}
OSStatus printenddocument() {
  PrintState& p = printstate();
  return p.withstatus ? PMSessionEndDocument(p.session) : PMSessionEndDocumentNoDialog(p.session);
}
OSStatus printbeginpage() {
  PrintState& p = printstate();
  return p.withstatus ? PMSessionBeginPage(p.session, p.format, nullptr)
                      : PMSessionBeginPageNoDialog(p.session, p.format, nullptr);
}
OSStatus printendpage() {
  PrintState& p = printstate();
  return p.withstatus ? PMSessionEndPage(p.session) : PMSessionEndPageNoDialog(p.session);
}

bool printjobheld() { return hasstate<PrintState>() && (printstate().heldstate & jobheld) != 0; }

i16 openbatchprintsession(u16 destination, const std::string& name, const std::string& path, u16 nodialogbits,
                          bool noprogress) {
  PrintState& p = printstate();
  MainGlobals& g = mainglobals();
  if (destination == 2 && path.empty()) return err::cantunderstand;
  if (p.session != 0) PMSessionSetError(p.session, noErr);
  if (printjobheld()) return err::printjobopen;
  if (g.lockCursor == 0) SetThemeCursor(kThemeWatchCursor);
  p.saveddialogmode = g.printdialogmode;
  g.printdialogmode = u16(g.printdialogmode | nodialogbits);
  p.destination = destination == 2 ? u16(printtofile) : destination == 4 ? u16(printtopreview) : u16(0);
  p.heldstate = jobheld;
  switchprintfolder();
  g.printflags |= p.destination;
  if (noprogress) {
    g.printflags |= printnoprogress;
    p.heldstate |= jobnoprogress;
  }
  auto fail = [&](i16 st) {
    if (p.session != 0) PMSessionSetDestination(p.session, p.settings, kPMDestinationPrinter, nullptr, "");
    g.printdialogmode = p.saveddialogmode;
    p.destination = p.heldstate = 0;
    g.printflags = 0;
    restoreprintfolder();
    return st;
  };
  OSStatus err = preparesession();
  if (err != noErr) return fail(mapprintstatus(err));
  std::string job = name;
  if (job.empty()) {
    Str255 title{};
    if (g.current.window != nilid) GetWTitle(g.current.window, title);
    job = title[0] > 0 ? std::string(reinterpret_cast<const char*>(title + 1), title[0]) : "Untitled";
  }
  PMSetJobName(p.settings, job);
  if (destination == 2) {
    OSStatus destst = noErr;
    if (i16 st = MySetPrintingToFile(path, &destst)) return fail(st);
    if (destst != noErr) return fail(mapprintstatus(destst));
  } else {
    PMSessionSetDestination(p.session, p.settings, destination == 4 ? kPMDestinationPreview : kPMDestinationPrinter,
                            nullptr, "");
  }
  // Whether the page-setup dialog shows is the dialog mode's alone.
  bool accepted = false;
  if ((err = MyPreparePageFormat(&accepted, false)) != noErr) return fail(err::dialogfailed);
  if (!accepted) return fail(err::cancelled);
  if ((err = MyDoPrintDialog(&accepted)) != noErr) return fail(err::dialogfailed);
  if (!accepted) return fail(err::cancelled);
  p.withstatus = !noprogress;
  if ((err = printbegindocument()) != noErr) return fail(mapprintstatus(err));
  return 0;
}

i16 closebatchprintsession() {
  if (!printjobheld()) return 0;
  PrintState& p = printstate();
  MainGlobals& g = mainglobals();
  const OSStatus err = printenddocument();
  PMSessionSetDestination(p.session, p.settings, kPMDestinationPrinter, nullptr, "");
  g.printdialogmode = p.saveddialogmode;
  p.destination = p.heldstate = 0;
  g.printflags = 0;
  restoreprintfolder();
  (void)err;
  return 0;
}

i16 pagefile(u16 mode) {
  MainGlobals& g = mainglobals();
  const u16 former = g.printdialogmode;
  g.printdialogmode = mode;
  SetThemeCursor(kThemeArrowCursor);
  switchprintfolder();
  auto done = [&](i16 st) {
    restoreprintfolder();
    if (st == err::cancelled) {
      if (former != 0) g.printdialogmode = former;
      return setresulttext(resultcancel);
    }
    return st;
  };
  if (OSStatus err = preparesession()) return done(mapprintstatus(err));
  bool accepted = false;
  if (g.printdialogmode != 2) {
    if (MyPreparePageFormat(&accepted, false) != noErr) return done(err::dialogfailed);
    if (!accepted) return done(err::cancelled);
    if (g.printdialogmode == 0) g.printdialogmode = 2;
  } else if (printstate().format == 0) {
    if (MyPreparePageFormat(&accepted, true) != noErr) return done(err::dialogfailed);
  }
  if (MyDoPrintDialog(&accepted) != noErr) return done(err::dialogfailed);
  if (!accepted) return done(err::cancelled);
  g.printdialogmode = 1;
  return done(0);
}

i16 pagesetup() {
  MainGlobals& g = mainglobals();
  SetThemeCursor(kThemeArrowCursor);
  switchprintfolder();
  const u16 former = g.printdialogmode;
  i16 st = mapprintstatus(preparesession());
  bool accepted = false;
  if (st == 0) {
    g.printdialogmode = 0;
    st = MyPreparePageFormat(&accepted, false) != noErr ? err::dialogfailed : accepted ? i16(0) : err::cancelled;
    g.printdialogmode = former == 0 && accepted ? u16(2) : former;
  }
  restoreprintfolder();
  return st == err::cancelled ? setresulttext(resultcancel) : st;
}

void MyReleasePageFormat() {
  if (hasstate<PrintState>()) release(&printstate().format);
}
void MyReleasePrintSettings() {
  if (hasstate<PrintState>()) release(&printstate().settings);
}
void MyReleasePrintSession() {
  if (hasstate<PrintState>()) release(&printstate().session);
}

void checkprinting() {}

}  // namespace kv
