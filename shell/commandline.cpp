#include "shell/commandline.h"

#include <vector>

#include "engine/fred.h"
#include "engine/objectsend.h"
#include "engine/scripterror.h"
#include "platform/events/watchdog.h"
#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/process/process.h"
#include "platform/runtime/root.h"
#include "platform/text/macroman.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"
#include "shell/menusets.h"
#include "shell/messagebox.h"
#include "shell/windnav.h"
#include "shell/windtable.h"
#include "store/forms.h"

namespace kv {

namespace {

// The run is ending (a limit, the watchdog) or a signal asked to quit: nothing more runs.
bool runstopped() { return runending() || quitsignalstatus() != 0; }

}  // namespace

std::string failuretext(i16 status) {
  Str255 text;
  scripterrortext(status, text);
  return "Veltrix Error Number " + std::to_string(status) + ": " + macromantoutf8(pstringview(text)) + "\n";
}

i16 evaluatetext(std::string_view text, std::string* value) {
  value->clear();
  fred v;
  i16 st = evalsend(text, &v);
  if (st == 0) value->assign(reinterpret_cast<const char*>(fredaddr(&v)), size_t(getfredsize(&v)));
  disposfred(&v);
  return st;
}

i16 doscripttext(std::string_view text) {
  size_t start = 0;
  while (start <= text.size() && !runstopped()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    if (i16 st = runmsgline(text.substr(start, end - start)); st != 0) return st;
    start = end + 1;
  }
  return 0;
}

i16 openprojectpath(std::string_view path, u16 shared) {
  std::string name = utf8tomacroman(path);
  if (name.size() > 255) return 14;
  // A file named relative to the current folder: the project is known by its full path.
  if (!name.empty() && name.front() != '/') {
    Str255 given;
    pstrassign(given, 256, name.data(), name.size());
    CatInfo info{};
    std::string full;
    if (HGetCatInfo(kBootVolume, 0, given, &info) == noErr && !info.folder &&
        fullpathof(kBootVolume, 0, given, &full) == noErr && full.size() <= 255)
      name = full;
  }
  form f{};
  f.wind.selector = selnumber;
  f.wind.value = 1;
  pstrassign(f.proj.name, 256, name.data(), name.size());
  i16 st = openwindow(f, shared, 0);
  return st == kCardChanged ? i16(0) : st;
}

void closeallwindows() {
  MainGlobals& g = mainglobals();
  while (g.numwinds > 0 && g.winds != nilhandle) {
    g.current = HandleAs<desk>(g.winds)[0];
    dumpcurrent();
  }
  // The menus placed by the projects let go of their records last.
  releasemenusets();
}

std::string printabletext(std::string_view macroman) {
  std::string text(macroman);
  for (char& c : text)
    if (c == '\r') c = '\n';
  return macromantoutf8(text);
}

namespace {
struct KeptMessageBox {
  std::string text;
};
}  // namespace

std::string messageboxtext() {
  Handle box = mainglobals().msgpending;
  if (box == nilhandle) return state<KeptMessageBox>().text;
  return printabletext(std::string_view(reinterpret_cast<const char*>(deref(box)), size_t(GetHandleSize(box))));
}

void keepmessageboxtext() {
  if (mainglobals().msgpending != nilhandle) state<KeptMessageBox>().text = messageboxtext();
}

int runrequests(const std::vector<clirequest>& requests, std::string* out, std::string* err) {
  // The message box is printed at the end when a --do changed it and no --eval came after.
  bool showbox = false;
  for (const clirequest& r : requests) {
    if (runstopped()) break;
    notepassbegins();
    std::string text = utf8tomacroman(r.text);
    u32 reported = scripterrorsshown();
    i16 st = 0;
    if (r.evaluate) {
      std::string value;
      st = evaluatetext(text, &value);
      if (st == 0) *out += printabletext(value) + "\n";
      showbox = false;
    } else {
      std::string before = messageboxtext();
      st = doscripttext(text);
      if (messageboxtext() != before) showbox = true;
    }
    if (st > 0) {
      // An error the error alert showed has been reported already.
      if (scripterrorsshown() == reported) *err += failuretext(st);
      if (showbox) *out += messageboxtext() + "\n";
      return 1;
    }
  }
  if (showbox) *out += messageboxtext() + "\n";
  return 0;
}

}  // namespace kv
