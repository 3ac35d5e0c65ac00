// The boundary of the printers module (kvmod_printers.so: CUPS). Entries as in
// platform/modules/modules.h. When the module is missing there is no printer: the lists are
// empty, a job finds no default printer, and page setup offers the program's own papers.
#pragma once

#include "platform/modules/modules.h"
#include "platform/print/printimpl.h"

// clang-format off
#define KV_PRINTERS_ENTRIES(X)                                                                                 \
  X(std::vector<PrinterEntry>, printerlist, (), (), std::vector<PrinterEntry>(), loadmodule)                  \
  X(bool, currentprinter, (PrinterEntry * out), (out), false, loadmodule)                                     \
  X(std::vector<PMPaper>, printerpapers, (const PrinterEntry& p), (p), std::vector<PMPaper>(), loadmodule)    \
  X(OSStatus, sendtoprinter, (const PrinterEntry& p, const std::string& pdf, const std::string& title, u32 copies), \
    (p, pdf, title, copies), OSStatus(kPMNoDefaultPrinter), loadmodule)                                        \
  X(OSStatus, PMSessionCreatePageFormatList, (PMPrintSession s, std::vector<PMPaper>* papers), (s, papers),   \
    (papers ? void(*papers = ownpapers()) : void(), papers ? OSStatus(noErr) : OSStatus(paramErr)), loadmodule) \
  X(OSStatus, PMServerCreatePrinterList, (std::vector<std::string> * names, i32 * current), (names, current),  \
    (names && current ? (names->clear(), *current = -1, OSStatus(noErr)) : OSStatus(paramErr)), loadmodule)    \
  X(OSStatus, PMSessionSetCurrentPrinter, (PMPrintSession s, i32 index), (s, index), OSStatus(paramErr),       \
    loadmodule)                                                                                                \
  X(OSStatus, PMPrinterGetMakeAndModelName, (std::string * name), (name),                                      \
    (name ? (name->clear(), OSStatus(noErr)) : OSStatus(paramErr)), loadmodule)                                \
  X(void, pmusetestprinters, (const std::vector<PMTestPrinter>& printers), (printers), , loadmodule)          \
  X(const std::vector<PMCapturedJob>&, pmcapturedjobs, (), (), nojobs(), loadmodule)                          \
  X(void, pmsetprintserver, (const std::string& server), (server), , loadmodule)
// clang-format on

namespace kv {
// The captured jobs when there is no printing.
const std::vector<PMCapturedJob>& nojobs();

struct PrintersModule {
  KV_PRINTERS_ENTRIES(KV_MODULE_TABLE_ENTRY)
};
}  // namespace kv
