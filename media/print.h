// Printing: the `print` command, card pages, the kept print session, settings and page format
// with the dialogs that change them, print jobs held open across `print` commands, whole
// print jobs of cards, and the printer properties (media/printfacts.h).
#pragma once

#include <string>

#include "engine/hier.h"
#include "platform/print/print.h"
#include "platform/types.h"
#include "core/desk.h"

namespace kv {

// The print flags word (global state), as `print` sets it.
enum : u32 {
  printscale = 0x1,
  printframe = 0x2,
  printlabel = 0x8,
  printjobnamed = 0x100,
  printcenter = 0x200,
  printtofile = 0x1000,
  printtopreview = 0x8000,
  printnoprogress = 0x10000,
  printrasterized = 0x20000,
};
// The dialog mode: bit 0 no dialog at all, bit 1 no page-setup dialog.
enum : u16 { dialognone = 1, dialognopagesetup = 2 };
// The held-job state word.
enum : u16 { jobheld = 0x1000, jobnoprogress = 0x0001 };

// The printing state of the run.
struct PrintState {
  PMPrintSession session = 0;
  PMPageFormat format = 0;
  PMPrintSettings settings = 0;
  u32 copies = 0;
  // The running job.
  i32 pageCount = 0, firstPage = 1, lastPage = 32000;
  Rect printableRect{};
  desk printdesk{};
  u8 abortprintjobnow = 0;
  bool withstatus = true;  // printprocs: the set with the progress window
  // The `print` command's context, for merging the label.
  hier* theprinthier = nullptr;
  std::size_t theprintdepth = 0;
  Handle theprintcode = nilhandle, theprintvars = nilhandle;
  // The held job.
  u16 destination = 0, heldstate = 0, saveddialogmode = 0;
  // The default folder before the job switched it (0: none remembered).
  u32 savedfolder = 0;
  bool savedfolderset = false;
  std::string jobname;  // Mac Roman: the job name, or the path of "to file"
};
PrintState& printstate();

// --- Sessions and dialogs ------------------------------------------------------------------
// The session, settings and copies made or checked before any printing step.
OSStatus preparesession();
// A new page format from the kept one (or the default), through the page-setup dialog unless
// `nodialog` or the dialog mode skips it; accepted, it becomes the kept one.
OSStatus MyPreparePageFormat(bool* accepted, bool nodialog);
// The print dialog unless the dialog mode skips it; the job's page range.
OSStatus MyDoPrintDialog(bool* accepted);
// The session's destination becomes a PDF file: a full path, or a name in the desktop folder.
i16 MySetPrintingToFile(const std::string& name, OSStatus* status);
// `open print job`: destination 1 printer, 2 file, 4 preview; `nodialogbits` the dialog-mode
// bits of its "without" clause.
i16 openbatchprintsession(u16 destination, const std::string& name, const std::string& path, u16 nodialogbits,
                          bool noprogress);
i16 closebatchprintsession();
bool printjobheld();
i16 pagefile(u16 mode);
i16 pagesetup();
void MyReleasePageFormat();
void MyReleasePrintSettings();
void MyReleasePrintSession();
// The status of a printing-system call as a script status (62, 217 or 135), with `the result`
// reporting it.
i16 mapprintstatus(OSStatus status);
// The default folder remembered and switched to the printing folder, and back.
void switchprintfolder();
void restoreprintfolder();
// The document begun and ended and the pages begun and ended through the job's callbacks.
OSStatus printbegindocument();
OSStatus printenddocument();
OSStatus printbeginpage();
OSStatus printendpage();

// The two dialogs (the answers queue: "page setup: OK|Cancel", "print: OK|Cancel|first,last").
// 0 accepted, kPMCancel cancelled.
OSStatus runpagesetupdialog(PMPageFormat format);
OSStatus runprintdialog(PMPrintSettings settings);

// --- Card pages and jobs ---------------------------------------------------------------------
// Prints the card of a window context on as many pages as it needs (region: none or a rectangle
// of the card).
i16 deskprint(const desk& d, const Rect* region);
// mode -2: the card of `d` (the current card); -1: a referenced card's context; n >= 1: n cards
// from the current one.
i16 printfile(const desk& d, i32 mode, const Rect* region);
// Steps of a whole job: the session prepared, the job named (the job name given, else the
// window's), the dialogs as the dialog mode allows, the destination, and the document begun;
// and the document ended (its status replacing 0) with the destination back on the printer.
i16 beginprintjob(const desk& d);
i16 endprintjob(i16 status);
// `count` cards from the current one into the open document: after each card but the last
// the window goes to its next card (with its messages) and the user-abort test runs; the run
// stops at the first failure or once the job's last page is past.
i16 printcardrun(i32 count, const Rect* region);

// --- The command -----------------------------------------------------------------------------
scriptstatus comprint(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);

}  // namespace kv
