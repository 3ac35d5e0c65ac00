// The printers: CUPS destinations (their make and model and their papers with margins), or the
// test printers a test put in their place; the program's own papers when there is no printer;
// and jobs sent to a printer with their copies.
#include <cups/cups.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "platform/print/printersmodule.h"
#include "platform/resources/resources.h"
#include "platform/runtime/root.h"
#include "platform/text/macroman.h"

namespace kv {

namespace {


struct PrinterState {
  std::optional<std::vector<PMTestPrinter>> test;
  std::vector<PMCapturedJob> captured;
  std::string server;   // empty: CUPS's own
  std::string current;  // the chosen printer's name (empty: the default destination)
};

PrinterState& prs() { return state<PrinterState>(); }

// A connection to the CUPS server, or none when there is no printing system.
http_t* connect() {
  const PrinterState& s = prs();
  const std::string server = s.server.empty() ? std::string(cupsServer()) : s.server;
  return httpConnect2(server.c_str(), ippPort(), nullptr, AF_UNSPEC, HTTP_ENCRYPTION_IF_REQUESTED, 1, 3000, nullptr);
}

struct Dests {
  http_t* http = nullptr;
  cups_dest_t* dests = nullptr;
  int count = 0;
  Dests() {
    http = connect();
    if (http != nullptr) count = cupsGetDests2(http, &dests);
  }
  ~Dests() {
    if (dests != nullptr) cupsFreeDests(count, dests);
    if (http != nullptr) httpClose(http);
  }
  Dests(const Dests&) = delete;
  Dests& operator=(const Dests&) = delete;
  cups_dest_t* find(const std::string& cupsname) {
    for (int i = 0; i < count; ++i)
      if (dests[i].instance == nullptr && cupsname == dests[i].name) return &dests[i];
    return nullptr;
  }
};

}  // namespace

std::vector<PrinterEntry> printerlist() {
  std::vector<PrinterEntry> out;
  const PrinterState& s = prs();
  if (s.test) {
    for (const PMTestPrinter& p : *s.test) out.push_back(PrinterEntry{p.name, p.model, p.name, p.refuseselect});
    return out;
  }
  Dests d;
  for (int i = 0; i < d.count; ++i) {
    const cups_dest_t& dest = d.dests[i];
    if (dest.instance != nullptr) continue;
    const char* model = cupsGetOption("printer-make-and-model", dest.num_options, dest.options);
    out.push_back(PrinterEntry{utf8tomacroman(dest.name), utf8tomacroman(model ? model : ""), dest.name, 0});
  }
  return out;
}

bool currentprinter(PrinterEntry* out) {
  const std::vector<PrinterEntry> list = printerlist();
  if (list.empty()) return false;
  const PrinterState& s = prs();
  if (!s.current.empty()) {
    for (const PrinterEntry& p : list)
      if (p.cupsname == s.current) {
        *out = p;
        return true;
      }
  }
  if (!s.test) {
    Dests d;
    for (int i = 0; i < d.count; ++i)
      if (d.dests[i].is_default && d.dests[i].instance == nullptr)
        for (const PrinterEntry& p : list)
          if (p.cupsname == d.dests[i].name) {
            *out = p;
            return true;
          }
  }
  *out = list[0];
  return true;
}

std::vector<PMPaper> printerpapers(const PrinterEntry& printer) {
  const PrinterState& s = prs();
  if (s.test) {
    for (const PMTestPrinter& p : *s.test)
      if (p.name == printer.name) return p.papers;
    return {};
  }
  std::vector<PMPaper> out;
  Dests d;
  cups_dest_t* dest = d.find(printer.cupsname);
  if (dest == nullptr) return out;
  cups_dinfo_t* info = cupsCopyDestInfo(d.http, dest);
  if (info == nullptr) return out;
  const int n = cupsGetDestMediaCount(d.http, dest, info, 0);
  for (int i = 0; i < n; ++i) {
    cups_size_t size{};
    if (!cupsGetDestMediaByIndex(d.http, dest, info, i, 0, &size)) continue;
    // Sizes are in hundredths of millimetres.
    auto pt = [](int v) { return std::round(v * 72.0 / 2540.0); };
    const char* local = cupsLocalizeDestMedia(d.http, dest, info, 0, &size);
    const double w = pt(size.width), h = pt(size.length);
    if (w <= 0 || h <= 0) continue;
    out.push_back(paperof(utf8tomacroman(local ? local : size.media), w, h, pt(size.top), pt(size.left),
                          pt(size.bottom), pt(size.right)));
  }
  cupsFreeDestInfo(info);
  return out;
}

OSStatus sendtoprinter(const PrinterEntry& printer, const std::string& pdfpath, const std::string& title, u32 copies) {
  PrinterState& s = prs();
  if (s.test) {
    PMCapturedJob job{printer.name, title, copies, {}};
    if (std::FILE* f = std::fopen(pdfpath.c_str(), "rb")) {
      u8 buf[16384];
      for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) job.pdf.insert(job.pdf.end(), buf, buf + n);
      std::fclose(f);
    }
    s.captured.push_back(std::move(job));
    return noErr;
  }
  http_t* http = connect();
  if (http == nullptr) return kPMNoDefaultPrinter;
  cups_option_t* options = nullptr;
  int n = cupsAddOption("copies", std::to_string(std::max<u32>(copies, 1)).c_str(), 0, &options);
  const std::string utf8title = macromantoutf8(title);
  const int id = cupsPrintFile2(http, printer.cupsname.c_str(), pdfpath.c_str(), utf8title.c_str(), n, options);
  cupsFreeOptions(n, options);
  httpClose(http);
  return id > 0 ? noErr : kPMGeneralError;
}

OSStatus PMSessionCreatePageFormatList(PMPrintSession, std::vector<PMPaper>* papers) {
  if (papers == nullptr) return paramErr;
  PrinterEntry p;
  *papers = currentprinter(&p) ? printerpapers(p) : ownpapers();
  if (papers->empty()) *papers = ownpapers();
  return noErr;
}

OSStatus PMServerCreatePrinterList(std::vector<std::string>* names, i32* current) {
  if (names == nullptr || current == nullptr) return paramErr;
  names->clear();
  *current = -1;
  const std::vector<PrinterEntry> list = printerlist();
  PrinterEntry cur;
  const bool has = currentprinter(&cur);
  for (std::size_t i = 0; i < list.size(); ++i) {
    names->push_back(list[i].name);
    if (has && list[i].cupsname == cur.cupsname) *current = i32(i);
  }
  return noErr;
}

OSStatus PMSessionSetCurrentPrinter(PMPrintSession, i32 index) {
  const std::vector<PrinterEntry> list = printerlist();
  if (index < 0 || std::size_t(index) >= list.size()) return paramErr;
  if (list[std::size_t(index)].refuseselect != noErr) return list[std::size_t(index)].refuseselect;
  prs().current = list[std::size_t(index)].cupsname;
  return noErr;
}

OSStatus PMPrinterGetMakeAndModelName(std::string* name) {
  if (name == nullptr) return paramErr;
  PrinterEntry p;
  *name = currentprinter(&p) ? p.model : std::string();
  return noErr;
}

void pmusetestprinters(const std::vector<PMTestPrinter>& printers) {
  prs().test = printers;
  prs().current.clear();
}
const std::vector<PMCapturedJob>& pmcapturedjobs() { return prs().captured; }
void pmsetprintserver(const std::string& server) {
  prs().server = server;
  prs().test.reset();
  prs().current.clear();
}

}  // namespace kv
