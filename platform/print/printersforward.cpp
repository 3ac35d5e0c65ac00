// The program's side of the printers module, and what needs no printing system: the program's
// own papers and a driver's (absent) release information.
#include <cstdio>

#include "platform/print/printersmodule.h"
#include "platform/resources/resources.h"

namespace kv {
namespace {

constexpr i16 kPaperNames = 205;
constexpr double kOwnMargin = 18;

}  // namespace

PMPaper paperof(const std::string& name, double width, double height, double top, double left, double bottom,
                double right) {
  return PMPaper{name, PMRect{0, 0, height, width}, PMRect{top, left, height - bottom, width - right}};
}

std::vector<PMPaper> ownpapers() {
  std::vector<PMPaper> out;
  for (i16 k = 1; k <= 64; ++k) {
    Str255 entry{};
    GetIndString(entry, kPaperNames, k);
    if (entry[0] == 0) break;
    const std::string text(reinterpret_cast<const char*>(entry + 1), entry[0]);
    const std::size_t eq = text.find('=');
    if (eq == std::string::npos) continue;
    int w = 0, h = 0;
    std::string size = text.substr(eq + 1);
    size.erase(0, size.find_first_not_of("\r\n"));
    if (std::sscanf(size.c_str(), "%dx%d", &w, &h) != 2 || w <= 2 * kOwnMargin || h <= 2 * kOwnMargin) continue;
    out.push_back(paperof(text.substr(0, eq), w, h, kOwnMargin, kOwnMargin, kOwnMargin, kOwnMargin));
  }
  return out;
}

std::vector<PMPaper> pmownpapers() { return ownpapers(); }

OSStatus PMPrinterGetDriverReleaseInfo(std::string* version) {
  if (version != nullptr) version->clear();
  return kPMGeneralError;
}

const std::vector<PMCapturedJob>& nojobs() {
  static const std::vector<PMCapturedJob> none;
  return none;
}

#define KV_PRINTERS_FORWARDER(...) KV_MODULE_FORWARDER(PrintersModule, "printers", __VA_ARGS__)
KV_PRINTERS_ENTRIES(KV_PRINTERS_FORWARDER)

}  // namespace kv
