// The page-setup dialog (the paper's name, portrait or landscape) and the print dialog (the
// printer, copies and the pages from and to), our own dialogs run modally. Headless runs take
// "page setup: OK|Cancel" and "print: OK|Cancel|<first>,<last>" from the answers queue.
#include <algorithm>
#include <functional>
#include <string>

#include "media/print.h"
#include "platform/dialogs/dialogs.h"
#include "platform/testing/answers.h"
#include "platform/text/pstring.h"

namespace kv {

namespace {

constexpr i16 kPageSetupDialog = 720, kPrintDialog = 721;

i32 number(const std::string& text, i32 fallback) {
  try {
    return text.empty() ? fallback : std::stoi(text);
  } catch (...) {
    return fallback;
  }
}

void setradio(DialogRef d, i16 item, bool on) {
  ControlRef c = nilid;
  if (GetDialogItemAsControl(d, item, &c) == noErr) SetControlValue(c, on ? 1 : 0);
}
bool radio(DialogRef d, i16 item) {
  ControlRef c = nilid;
  return GetDialogItemAsControl(d, item, &c) == noErr && GetControlValue(c) != 0;
}

// Runs a dialog made from its resources until OK (1) or Cancel (2): the item hit.
i16 rundialog(DialogRef d, const std::function<void(i16)>& click) {
  SetDialogDefaultItem(d, 1);
  SetDialogCancelItem(d, 2);
  ShowWindow(d);
  SelectWindow(d);
  DrawDialog(d);
  i16 hit = 0;
  do {
    ModalDialog(nullptr, &hit);
    if (hit > 2) click(hit);
  } while (hit != 1 && hit != 2 && isdialog(d));
  return hit;
}

}  // namespace

OSStatus runpagesetupdialog(PMPageFormat format) {
  Answer a;
  switch (beginmodal("page setup", "page setup", &a, true)) {
    case ModalStart::answered: return a.kind == "cancel" || a.text == "Cancel" ? kPMCancel : noErr;
    case ModalStart::usedefault: return noErr;
    case ModalStart::run: break;
  }
  std::vector<PMPaper> papers;
  PMSessionCreatePageFormatList(printstate().session, &papers);
  PMRect paper{};
  PMGetAdjustedPaperRect(format, &paper);
  u16 orientation = kPMPortrait;
  PMGetOrientation(format, &orientation);
  std::string name = "Custom";
  const double w = std::min(paper.right - paper.left, paper.bottom - paper.top);
  for (const PMPaper& p : papers)
    if (std::min(p.paper.right - p.paper.left, p.paper.bottom - p.paper.top) == w) name = p.name;
  Str255 n{};
  pstrassign(n, sizeof n, name.data(), std::min<std::size_t>(name.size(), 255));
  ParamText(n, nullptr, nullptr, nullptr);
  DialogRef d = GetNewDialog(kPageSetupDialog, kFirstWindowOfClass);
  if (d == nilid) return memFullErr;
  setradio(d, 5, orientation != kPMLandscape);
  setradio(d, 6, orientation == kPMLandscape);
  const i16 hit = rundialog(d, [d](i16 item) {
    setradio(d, 5, item == 5);
    setradio(d, 6, item == 6);
  });
  const bool landscape = radio(d, 6);
  DisposeDialog(d);
  if (hit != 1) return kPMCancel;
  return PMSetOrientation(format, landscape ? kPMLandscape : kPMPortrait, false);
}

OSStatus runprintdialog(PMPrintSettings settings) {
  Answer a;
  switch (beginmodal("print", "print", &a, true)) {
    case ModalStart::answered:
      if (a.kind == "cancel" || a.text == "Cancel") return kPMCancel;
      if (a.items.size() == 2 && a.items[0] >= 1 && a.items[1] >= a.items[0]) {
        PMSetFirstPage(settings, u32(a.items[0]), false);
        PMSetLastPage(settings, u32(a.items[1]), false);
      }
      return noErr;
    case ModalStart::usedefault: return noErr;
    case ModalStart::run: break;
  }
  std::vector<std::string> names;
  i32 current = -1;
  PMServerCreatePrinterList(&names, &current);
  const std::string printer = current >= 0 ? names[std::size_t(current)] : std::string();
  Str255 n{};
  pstrassign(n, sizeof n, printer.data(), std::min<std::size_t>(printer.size(), 255));
  ParamText(n, nullptr, nullptr, nullptr);
  DialogRef d = GetNewDialog(kPrintDialog, kFirstWindowOfClass);
  if (d == nilid) return memFullErr;
  u32 copies = 1, first = 1, last = kPMPrintAllPages;
  PMGetCopies(settings, &copies);
  PMGetFirstPage(settings, &first);
  PMGetLastPage(settings, &last);
  setdialogitemtext(d, 5, std::to_string(copies));
  setdialogitemtext(d, 7, std::to_string(first));
  setdialogitemtext(d, 8, std::to_string(std::min<u32>(last, 32000)));
  const i16 hit = rundialog(d, [](i16) {});
  const i32 c = number(dialogitemtext(d, 5), 1), f = number(dialogitemtext(d, 7), 1),
            l = number(dialogitemtext(d, 8), 32000);
  DisposeDialog(d);
  if (hit != 1) return kPMCancel;
  PMSetCopies(settings, u32(std::clamp(c, 1, 32000)), false);
  PMSetFirstPage(settings, u32(std::clamp(f, 1, 32000)), false);
  PMSetLastPage(settings, u32(std::clamp(std::max(l, f), 1, 32000)), false);
  return noErr;
}

}  // namespace kv
