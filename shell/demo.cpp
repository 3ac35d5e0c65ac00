#include "shell/demo.h"

#include <string>
#include <string_view>

#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/runtime/root.h"
#include "platform/text/pstring.h"
#include "shell/fatalerror.h"
#include "shell/mainglobals.h"
#include "shell/newscript.h"
#include "shell/windnav.h"
#include "store/creating.h"
#include "store/forms.h"
#include "store/recordcache.h"
#include "store/records.h"

namespace kv {

namespace {

constexpr i16 kNoMemory = 37, kNameTooLong = 14;
constexpr std::string_view kFileName = "Kestrove demo.kv45";
constexpr std::string_view kWindowName = "Kestrove demo";

// Each level notes the opening message it heard in the global `heard`; the card greets with a
// function of the project's script and what was heard.
constexpr std::string_view kProjectScript =
    "on openProject\r"
    "  global heard\r"
    "  put \"openProject\" into heard\r"
    "end openProject\r"
    "\r"
    "function greeting\r"
    "  return \"Hello from Kestrove!\"\r"
    "end greeting";
constexpr std::string_view kWindowScript =
    "on openWindow\r"
    "  global heard\r"
    "  put \", openWindow\" after heard\r"
    "end openWindow";
constexpr std::string_view kBackgroundScript =
    "on openBackground\r"
    "  global heard\r"
    "  put \", openBackground\" after heard\r"
    "end openBackground";
constexpr std::string_view kCardScript =
    "on openCard\r"
    "  global heard\r"
    "  put \", openCard\" after heard\r"
    "  put greeting() into said\r"
    "  put return & \"This demo project was made just now by Kestrove's own code.\" after said\r"
    "  put return & \"It has\" && the number of cards && \"card; its scripts heard\" && heard & \".\" after said\r"
    "  put said\r"
    "end openCard";

struct DemoState {
  u32 folder = 0;  // the scratch folder, 0 when none
};

// Puts a script text into a record's script (its tail stays at the end) and marks the record
// changed. False when memory runs out.
template <class R>
bool setscript(const desk& d, Handle record, u32 id, std::string_view text) {
  R r = loadat<R>(deref(record));
  Handle script = r.script;
  if (script == nilhandle) {
    script = newscript(scriptempty);
    if (script == nilhandle) return false;
    r = loadat<R>(deref(record));
    r.script = script;
    storeat<R>(deref(record), r);
  }
  Munger(script, 0, nullptr, 0, text.data(), i32(text.size()));
  if (MemError() != noErr) return false;
  checkerr(changevir(d.store, i32(id)));
  return true;
}

// The scripts and the window's name, into the records of the window just opened.
i16 writedemo(const desk& d) {
  bool ok = setscript<headrec>(d, d.head, 0, kProjectScript) && setscript<windrec>(d, d.wind, d.windrecid, kWindowScript) &&
            setscript<backrec>(d, d.back, d.backrecid, kBackgroundScript) &&
            setscript<cardrec>(d, d.card, d.cardrecid, kCardScript);
  Handle name = loadat<windrec>(deref(d.wind)).name;
  if (ok && name != nilhandle) ok = PtrToXHand(kWindowName.data(), name, Size(kWindowName.size())) == noErr;
  return ok ? i16(0) : kNoMemory;
}

}  // namespace

i16 opendemo() {
  DemoState& s = state<DemoState>();
  u32 folder = 0;
  if (ScratchFolderCreate(&folder) != noErr) return kCannotWrite;
  s.folder = folder;
  Str255 leaf{};
  setpstring(leaf, kFileName);
  if (i16 st = newprojectfile(kBootVolume, folder, leaf)) return st;
  std::string path;
  if (pathoffolder(folder, &path) != noErr) return kCannotWrite;
  path += '/';
  path += kFileName;
  if (path.size() > 255) return kNameTooLong;
  form f{};
  f.wind = selpart{selnumber, 1, {}, 0};
  setpstring(f.proj.name, path);
  // First with messages locked and hidden, to give the records their scripts; then as a
  // project is opened.
  MainGlobals& g = mainglobals();
  u16 locked = g.lockMessages;
  g.lockMessages = 1;
  i16 st = openwindow(f, 0, 1);
  if (st == 0) {
    st = writedemo(g.current);
    dumpcurrent();
  }
  g.lockMessages = locked;
  if (st != 0) return st;
  st = openwindow(f, 0, 0);
  return st == kCardChanged ? i16(0) : st;
}

void removedemo() {
  DemoState& s = state<DemoState>();
  if (s.folder == 0) return;
  ScratchFolderRemove(s.folder);
  s.folder = 0;
}

}  // namespace kv
