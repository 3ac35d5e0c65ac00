// The printer properties: the printer, the printers, make and model, driver, printable
// rectangle, copies, orientation, page range and paper sizes, read and set on the kept print
// session, settings and page format, without dialogs.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/fred.h"
#include "engine/scripterrors.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "media/print.h"
#include "media/printfacts.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"

namespace kv {

namespace {

constexpr i16 resultbadpaper = 83, resultbadprinter = 84, resultbadorientation = 85, resultnodriver = 108;

i16 textvalue(const std::string& s, fred* value) { return charstonewfred(s.data(), Size(s.size()), value); }

// The session prepared, and the page format too for the paper and orientation facts.
i16 prepare(bool format) {
  if (OSStatus err = preparesession()) return mapprintstatus(err);
  if (format && printstate().format == 0) {
    bool accepted = false;
    if (OSStatus err = MyPreparePageFormat(&accepted, true)) return mapprintstatus(err);
    if (!accepted) return err::cancelled;
  }
  return 0;
}

// `the result`: entry n used as a format with a status number.
void reportwith(i16 n, OSStatus status) {
  const StringPtr text = resultstr(n);
  char line[300];
  const std::string f(reinterpret_cast<const char*>(text + 1), text[0]);
  const int len = std::snprintf(line, sizeof line, "%.*s %d", int(f.size()), f.data(), int(status));
  MainGlobals& g = mainglobals();
  if (g.result != nilhandle && len > 0) {
    Str255 s{};
    pstrassign(s, sizeof s, line, std::size_t(std::min(len, 255)));
    stringtohand(s, g.result);
  }
}

std::string sizetext(u16 form, double w, double h) {
  char buf[64];
  if (form == paperinches) {
    auto width = [](double v) { return v < 10 ? 1 : v < 100 ? 2 : 3; };
    std::snprintf(buf, sizeof buf, "%*.2fx%*.2f", width(w / 72), w / 72, width(h / 72), h / 72);
  } else {
    std::snprintf(buf, sizeof buf, "%dx%d", int(std::lround(w)), int(std::lround(h)));
  }
  return buf;
}

// The name of a paper size from the program's list, matched within 0, 1, then 2 points in
// either orientation.
std::string nameofsize(double w, double h) {
  const std::vector<PMPaper> list = pmownpapers();
  for (int tolerance = 0; tolerance <= 2; ++tolerance)
    for (const PMPaper& p : list) {
      const double pw = p.paper.right - p.paper.left, ph = p.paper.bottom - p.paper.top;
      if ((std::fabs(pw - w) <= tolerance && std::fabs(ph - h) <= tolerance) ||
          (std::fabs(pw - h) <= tolerance && std::fabs(ph - w) <= tolerance))
        return p.name;
    }
  return "Custom";
}

std::string paperform(u16 form, const PMRect& paper) {
  const double w = paper.right - paper.left, h = paper.bottom - paper.top;
  return form == papername ? nameofsize(w, h) : sizetext(form, w, h);
}

bool sameastext(const std::string& a, const std::string& b) {
  Str255 x{}, y{};
  pstrassign(x, sizeof x, a.data(), std::min<std::size_t>(a.size(), 255));
  pstrassign(y, sizeof y, b.data(), std::min<std::size_t>(b.size(), 255));
  return myequalstring(x, y);
}

std::string joined(const std::vector<std::string>& lines) {
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) out += (i ? "\r" : "") + lines[i];
  return out;
}

}  // namespace

i16 getpapersize(u16 form, fred* value) {
  if (i16 st = prepare(true)) return st;
  PMRect paper{};
  PMGetAdjustedPaperRect(printstate().format, &paper);
  return textvalue(paperform(form, paper), value);
}

i16 getpapersizes(u16 form, fred* value) {
  if (i16 st = prepare(true)) return st;
  std::vector<PMPaper> papers;
  PMSessionCreatePageFormatList(printstate().session, &papers);
  std::vector<std::string> lines;
  for (const PMPaper& p : papers) lines.push_back(paperform(form, p.paper));
  return textvalue(joined(lines), value);
}

i16 getprintablerect(fred* value) {
  if (i16 st = prepare(true)) return st;
  PMRect page{};
  PMGetAdjustedPageRect(printstate().format, &page);
  u16 orientation = kPMPortrait;
  PMGetOrientation(printstate().format, &orientation);
  i32 w = i32(std::lround(page.right - page.left)), h = i32(std::lround(page.bottom - page.top));
  if ((orientation == kPMLandscape && h > w) || (orientation == kPMPortrait && w > h)) std::swap(w, h);
  return textvalue("0,0," + std::to_string(w) + "," + std::to_string(h), value);
}

i16 getprinter(fred* value) {
  if (i16 st = prepare(false)) return st;
  std::vector<std::string> names;
  i32 current = -1;
  PMServerCreatePrinterList(&names, &current);
  return textvalue(current >= 0 ? names[std::size_t(current)] : std::string(), value);
}

i16 getprinterdriver(fred* value) {
  if (i16 st = prepare(false)) return st;
  std::string version;
  if (PMPrinterGetDriverReleaseInfo(&version) == kPMGeneralError) {
    const StringPtr t = resultstr(resultnodriver);
    version.assign(reinterpret_cast<const char*>(t + 1), t[0]);
  }
  return textvalue(version, value);
}

i16 getprintermodel(fred* value) {
  if (i16 st = prepare(false)) return st;
  std::string model;
  PMPrinterGetMakeAndModelName(&model);
  return textvalue(model, value);
}

i16 getprinters(fred* value) {
  if (i16 st = prepare(false)) return st;
  std::vector<std::string> names;
  i32 current = -1;
  PMServerCreatePrinterList(&names, &current);
  return textvalue(joined(names), value);
}

i16 getprintcopies(fred* value) {
  if (i16 st = prepare(false)) return st;
  u32 copies = 1;
  if (PMGetCopies(printstate().settings, &copies) != noErr) copies = 1;
  longtonewfred(i32(std::min<u32>(copies, 32000)), value);
  return 0;
}

i16 getprintorientation(fred* value) {
  if (i16 st = prepare(true)) return st;
  u16 o = 0;
  PMGetOrientation(printstate().format, &o);
  return textvalue(o == 1 || o == 3 ? "portrait" : o == 2 || o == 4 ? "landscape" : "unknown", value);
}

i16 getprintrange(fred* value) {
  if (i16 st = prepare(false)) return st;
  u32 first = 0, last = 0;
  if (PMGetFirstPage(printstate().settings, &first) != noErr || first == 0) {
    first = 1;
    last = 32000;
  } else if (PMGetLastPage(printstate().settings, &last) != noErr) {
    last = 32000;
  }
  return textvalue(std::to_string(std::min<u32>(first, 32000)) + "," + std::to_string(std::min<u32>(last, 32000)),
                   value);
}

i16 setpapersize(ConstStringPtr text) {
  if (i16 st = prepare(true)) return st;
  const std::string value(reinterpret_cast<const char*>(text + 1), text[0]);
  u16 form = paperpoints;
  for (char ch : value)
    if ((ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z'))
      if (ch != 'x' && ch != 'X') form = papername;
  if (form != papername && value.find('.') != std::string::npos) form = paperinches;
  PrintState& p = printstate();
  std::vector<PMPaper> papers;
  PMSessionCreatePageFormatList(p.session, &papers);
  for (const PMPaper& paper : papers)
    if (sameastext(paperform(form, paper.paper), value)) {
      if (pmsetpaper(p.format, &paper.paper, &paper.page) == noErr) return 0;
      break;
    }
  return setresulttext(resultbadpaper);
}

i16 setprinter(ConstStringPtr name) {
  if (i16 st = prepare(false)) return st;
  PrintState& p = printstate();
  std::vector<std::string> names;
  i32 current = -1;
  PMServerCreatePrinterList(&names, &current);
  if (names.empty()) return 0;
  const std::string wanted(reinterpret_cast<const char*>(name + 1), name[0]);
  for (std::size_t i = 0; i < names.size(); ++i)
    if (sameastext(names[i], wanted)) {
      if (OSStatus err = PMSessionSetCurrentPrinter(p.session, i32(i))) {
        reportwith(resultbadprinter, err);
        return 0;
      }
      break;
    }
  // The page format starts again from the printer's default.
  MyReleasePageFormat();
  bool accepted = false;
  MyPreparePageFormat(&accepted, true);
  return 0;
}

i16 setprintcopies(i32 copies) {
  if (i16 st = prepare(false)) return st;
  PrintState& p = printstate();
  const u32 n = u32(std::clamp(copies, 1, 32000));
  p.copies = n;
  if (OSStatus err = PMSetCopies(p.settings, n, false)) return err == kPMNoDefaultPrinter ? mapprintstatus(err) : 124;
  return 0;
}

i16 setprintorientation(u16 word) {
  if (word != tok::portrait && word != tok::landscape) return err::cantunderstand;
  if (i16 st = prepare(true)) return st;
  if (OSStatus err = PMSetOrientation(printstate().format, word == tok::portrait ? kPMPortrait : kPMLandscape, false)) {
    reportwith(resultbadorientation, err);
    mapprintstatus(err);
  }
  return 0;
}

i16 setprintrange(i32 first, i32 last) {
  if (i16 st = prepare(false)) return st;
  PrintState& p = printstate();
  u32 f = 1, l = kPMPrintAllPages;
  if (first != 0 || last != 0) {
    f = u32(std::clamp(first, 1, 32000));
    l = u32(std::max<i32>(std::min(last, 32000), i32(f)));
  }
  if (OSStatus err = PMSetFirstPage(p.settings, f, false))
    return err == kPMNoDefaultPrinter ? mapprintstatus(err) : 124;
  if (OSStatus err = PMSetLastPage(p.settings, l, false)) return err == kPMNoDefaultPrinter ? mapprintstatus(err) : 124;
  return 0;
}

}  // namespace kv
