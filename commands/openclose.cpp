// The open and close commands: project windows at a destination, a project's windows, all
// windows (the quit sequence), and the other things that open and close (sounds, movies,
// films, picture sequences, files, print jobs, printing, resources).
#include <vector>

#include "commands/commands.h"
#include "commands/dispatch.h"
#include "commands/navigation.h"
#include "commands/soundcommands.h"
#include "commands/userfiles.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/lookups.h"
#include "engine/numbertext.h"
#include "engine/objectutil.h"
#include "engine/textutil.h"
#include "media/movies.h"
#include "media/print.h"
#include "media/sequences.h"
#include "core/mainglobals.h"
#include "shell/menusets.h"
#include "shell/projectclose.h"
#include "shell/windnav.h"
#include "shell/windowmanage.h"
#include "shell/windtable.h"
#include "store/forms.h"
#include "store/refparse.h"

namespace kv {

namespace {

enum : u16 {
  tokSound = 3164,
  tokMovie = 3102,
  tokFilm = 11112,
  tokPics = 11228,
  tokInvisible = 11142,
  tokStartUp = 2193,
  tokStep = 11301,
  tokPrint = 2143,
  tokJob = 11148,
  tokPrinting = 11248,
  tokPageSetup = 11211,
  tokResources = 11269,
  tokAll = 10002,
  tokWindows = 3189,
  tokStop = 2194,
  tokShow = 2186,
  tokWithout = 11351,
  tokDialog = 3038,
  tokDialogs = 11069,
  tokProgress = 11251,
  tokPreview = 11246,
  tokToWord = 10024,
  tokProjectWord = 11253,
};

constexpr i16 statusstray = 19, statusplugin = 175;

bool lineends(Handle atoms, i32 i) {
  u16 t = tokenat(atoms, i);
  return t == tokEndOfLine || t == tokEndOfScript;
}

bool plugin() { return mainglobals().plugin != 0; }

// After a window closed: the window that was current before, when still open, else the front
// project window; every window's hilite follows.
void restorecurrent(u64 serial) {
  MainGlobals& g = mainglobals();
  desk d{};
  WindowRef front = nilid;
  if (getflip(serial, &d)) g.current = d;
  else if (topwindow(&front) && getwind(front, &d)) g.current = d;
  hilitewindows();
}

// Makes the window with that serial current and closes it: -991 gives 0.
i16 closebyserial(u64 serial) {
  MainGlobals& g = mainglobals();
  desk d{};
  if (!getflip(serial, &d)) return 0;
  g.current = d;
  i16 st = closewindow();
  return st == kCardChanged ? i16(0) : st;
}

// `close` of a window or a project, named by the reference at atom `at`.
i16 closeobject(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  form f{};
  i32 used = 0;
  u16 first = tokenat(atoms, at);
  // `this project` and `project` alone name the current project (a project part of its own).
  bool project = first == tokProjectWord || (first == tokThis && tokenat(atoms, at + 1) == tokProjectWord);
  if (project) {
    if (i16 st = viewstack(path, text, atoms, at, variables, &used, &f.proj)) return st;
  } else if (i16 st = buildform(path, text, atoms, at, variables, 1, &used, &f)) {
    return st;
  }
  if (used == 0 || f.card.selector != selnone || f.back.selector != selnone) return statusnotunderstood;
  if (!project && f.wind.selector == selnone && f.proj.selector == selnone) return statusnotunderstood;
  if (!lineends(atoms, at + used)) return statusstray;
  if (plugin()) return statusplugin;
  MainGlobals& g = mainglobals();
  u64 previous = g.current.serial;
  if (f.wind.selector != selnone) {
    RegistryId store = nilid;
    i32 cardnum = 0, windnum = 0;
    if (i16 st = formtonums(f, &store, &cardnum, &windnum, 0)) return st;
    desk d{};
    if (!haswind(store, u32(windnum), &d)) {
      if (totwind(store) == 0) dumpfile(store);
      return 0;
    }
    i16 st = closebyserial(d.serial);
    restorecurrent(previous);
    return st;
  }
  RegistryId store = nilid;
  bool opened = false;
  if (i16 st = openreferenced(f.proj, 0, &store, &opened)) return st;
  if (opened || totwind(store) == 0) {
    dumpfile(store);
    return 0;
  }
  killprojmenus(store, true);
  // The windows are found again by serial before each closes: a closing handler may open or
  // close windows, which moves the entries of the table.
  std::vector<u64> serials;
  const desk* table = HandleAs<desk>(g.winds);
  for (i32 i = g.numwinds - 1; i >= 0; --i)
    if (table[i].store == store) serials.push_back(table[i].serial);
  for (u64 serial : serials) {
    desk d{};
    if (!getflip(serial, &d)) continue;
    g.current = d;
    doresources(d.store, false);
    i16 st = closewindow();
    if (st == kCardChanged) return 0;
    if (st != 0) return st;
  }
  restorecurrent(previous);
  return 0;
}

// `close all windows [and stop | and show card]`.
i16 closeall(Handle atoms, i32 at) {
  if (plugin()) return statusplugin;
  if (tokenat(atoms, at + 1) != tokWindows) return statusnotunderstood;
  i32 i = at + 2;
  i16 withcard = 0;
  if (tokenat(atoms, i) == tokAnd) {
    if (tokenat(atoms, i + 1) == tokStop) {
      mainglobals().fromeditor = 0;
      i += 2;
    } else if (tokenat(atoms, i + 1) == tokShow && tokenat(atoms, i + 2) == tokCard) {
      withcard = 1;
      i += 3;
    } else {
      return statusstray;
    }
  }
  if (!lineends(atoms, i)) return statusstray;
  return shutdown(withcard);
}

// `open print job [name] [to preview | to file path] [without dialog or dialogs or progress]`.
i16 openprintjob(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  if (tokenat(atoms, at + 1) != tokJob) return statusnotunderstood;
  if (plugin()) return statusplugin;
  i32 i = at + 2;
  auto evaluate = [&](Str255 out) -> i16 {
    fred v{};
    i32 used = 0;
    if (i16 st = expression(path, text, atoms, i, variables, nilhandle, &used, &v)) return st;
    fredtostring(&v, out);
    disposfred(&v);
    i += used;
    return 0;
  };
  Str255 name{}, file{};
  u16 destination = 1;
  u16 t = tokenat(atoms, i);
  if (t != tokToWord && t != tokWithout && !lineends(atoms, i))
    if (i16 st = evaluate(name)) return st;
  if (tokenat(atoms, i) == tokToWord) {
    if (tokenat(atoms, i + 1) == tokPreview) {
      destination = 4;
      i += 2;
    } else if (tokenat(atoms, i + 1) == tokFile) {
      destination = 2;
      i += 2;
      if (i16 st = evaluate(file)) return st;
      if (file[0] == 0) return statusnotunderstood;
    } else {
      return statusnotunderstood;
    }
  }
  // "without dialog" keeps the page-setup dialog away, "dialogs" every dialog.
  u16 nodialog = 0;
  bool noprogress = false;
  if (tokenat(atoms, i) == tokWithout) {
    ++i;
    if (tokenat(atoms, i) == tokOr) return statusnotunderstood;
    for (;;) {
      u16 w = tokenat(atoms, i);
      if (w == tokDialog) nodialog |= 2;
      else if (w == tokDialogs) nodialog |= 1;
      else if (w == tokProgress) noprogress = true;
      else return statusstray;
      ++i;
      if (tokenat(atoms, i) == tokOr) ++i;
      else if (lineends(atoms, i)) break;
    }
  }
  if (!lineends(atoms, i)) return statusnotunderstood;
  auto str = [](const Str255 s) { return std::string(reinterpret_cast<const char*>(s + 1), s[0]); };
  return openbatchprintsession(destination, str(name), str(file), nodialog, noprogress);
}

// Opening a window at the destination from atom `at`.
i16 openat(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, u16 hidden) {
  form f{};
  if (i16 st = scangoto(path, text, atoms, at, variables, &f)) return st;
  i16 st = openwindow(f, 0, hidden);
  switch (st) {
    case 57: return setresulttext(58);
    case 69: return setresulttext(14);
    case 72: return setresulttext(12);
    case kCardChanged: return 0;
    default: return st;
  }
}

}  // namespace

i16 comopen(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  MainGlobals& g = mainglobals();
  switch (tokenat(atoms, at + 1)) {
    case tokFilm: return openfilm(path, text, atoms, at + 1, variables);
    case tokMovie: return plugin() ? statusplugin : openmovie(path, text, atoms, at + 1, variables);
    case tokSound: return opensound(path, text, atoms, at, variables);
    case tokFile: return plugin() ? statusplugin : openfilex(path, text, atoms, at + 1, variables);
    case tokPics: return plugin() ? statusplugin : openpics(path, text, atoms, at + 1, variables);
    case tokPrint: return openprintjob(path, text, atoms, at + 1, variables);
    case tokPrinting: {
      if (plugin()) return statusplugin;
      u16 mode = 0;
      if (tokenat(atoms, at + 2) == tokWithout) mode = tokenat(atoms, at + 3) == tokDialog ? 2 : 1;
      return pagefile(mode);
    }
    case tokPageSetup: return pagesetup();
    case tokResources: return plugin() ? statusplugin : doresources(g.current.store, true);
    case tokStep: return 0;
    case tokInvisible: {
      u16 hidden = !plugin() && g.invisibleblocked == 0 ? 1 : 0;
      return openat(path, text, atoms, at + 2, variables, hidden);
    }
    case tokWith:
      if (tokenat(atoms, at + 2) != tokStartUp) return statusnotunderstood;
      g.startupword = 2;
      return openat(path, text, atoms, at + 3, variables, 0);
    default: return openat(path, text, atoms, at + 1, variables, 0);
  }
}

i16 comclose(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  MainGlobals& g = mainglobals();
  switch (tokenat(atoms, at + 1)) {
    case tokPrint:
      if (tokenat(atoms, at + 2) != tokJob) return statusnotunderstood;
      return plugin() ? statusplugin : closebatchprintsession();
    case tokMovie: return plugin() ? statusplugin : closemovie(true, atoms, at + 1);
    case tokSound: return plugin() ? statusplugin : closesound(path, text, atoms, at, variables);
    case tokFile: return plugin() ? statusplugin : closefilex(path, text, atoms, at + 1, variables);
    case tokFilm: return closefilm(path, text, atoms, at + 1, variables);
    case tokPics: return plugin() ? statusplugin : closepics(true, atoms, at + 1);
    case tokPrinting:
      if (plugin() || g.invisibleblocked != 0) return statusplugin;
      MyReleasePageFormat();
      MyReleasePrintSettings();
      MyReleasePrintSession();
      g.printdialogmode = 0;
      return 0;
    case tokResources: return plugin() ? statusplugin : doresources(g.current.store, false);
    case tokStep: return plugin() ? statusplugin : 0;
    case tokAll: return closeall(atoms, at + 1);
    default: return closeobject(path, text, atoms, at + 1, variables);
  }
}

}  // namespace kv
