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
#include "engine/scripterrors.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
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

bool lineends(Handle atoms, i32 i) {
  u16 t = tokenat(atoms, i);
  return t == tok::endofline || t == tok::endofscript;
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
scriptstatus closeobject(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  form f{};
  i32 used = 0;
  u16 first = tokenat(atoms, at);
  // `this project` and `project` alone name the current project (a project part of its own).
  bool project = first == tok::project || (first == tok::current && tokenat(atoms, at + 1) == tok::project);
  if (project) {
    if (i16 st = viewstack(path, text, atoms, at, variables, &used, &f.proj)) return st;
  } else if (i16 st = buildform(path, text, atoms, at, variables, 1, &used, &f)) {
    return st;
  }
  if (used == 0 || f.card.selector != selnone || f.back.selector != selnone) return err::cantunderstand;
  if (!project && f.wind.selector == selnone && f.proj.selector == selnone) return err::cantunderstand;
  if (!lineends(atoms, at + used)) return err::stray;
  if (plugin()) return err::plugincommand;
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
  if (plugin()) return err::plugincommand;
  if (tokenat(atoms, at + 1) != tok::wds) return err::cantunderstand;
  i32 i = at + 2;
  i16 withcard = 0;
  if (tokenat(atoms, i) == tok::and_) {
    if (tokenat(atoms, i + 1) == tok::stop) {
      mainglobals().fromeditor = 0;
      i += 2;
    } else if (tokenat(atoms, i + 1) == tok::show && tokenat(atoms, i + 2) == tok::card) {
      withcard = 1;
      i += 3;
    } else {
      return err::stray;
    }
  }
  if (!lineends(atoms, i)) return err::stray;
  return shutdown(withcard);
}

// `open print job [name] [to preview | to file path] [without dialog or dialogs or progress]`.
scriptstatus openprintjob(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  if (tokenat(atoms, at + 1) != tok::job) return err::cantunderstand;
  if (plugin()) return err::plugincommand;
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
  if (t != tok::to && t != tok::without && !lineends(atoms, i))
    if (i16 st = evaluate(name)) return st;
  if (tokenat(atoms, i) == tok::to) {
    if (tokenat(atoms, i + 1) == tok::preview) {
      destination = 4;
      i += 2;
    } else if (tokenat(atoms, i + 1) == tok::file) {
      destination = 2;
      i += 2;
      if (i16 st = evaluate(file)) return st;
      if (file[0] == 0) return err::cantunderstand;
    } else {
      return err::cantunderstand;
    }
  }
  // "without dialog" keeps the page-setup dialog away, "dialogs" every dialog.
  u16 nodialog = 0;
  bool noprogress = false;
  if (tokenat(atoms, i) == tok::without) {
    ++i;
    if (tokenat(atoms, i) == tok::or_) return err::cantunderstand;
    for (;;) {
      u16 w = tokenat(atoms, i);
      if (w == tok::dialog) nodialog |= 2;
      else if (w == tok::dialogs) nodialog |= 1;
      else if (w == tok::progress) noprogress = true;
      else return err::stray;
      ++i;
      if (tokenat(atoms, i) == tok::or_) ++i;
      else if (lineends(atoms, i)) break;
    }
  }
  if (!lineends(atoms, i)) return err::cantunderstand;
  auto str = [](const Str255 s) { return std::string(reinterpret_cast<const char*>(s + 1), s[0]); };
  return openbatchprintsession(destination, str(name), str(file), nodialog, noprogress);
}

// Opening a window at the destination from atom `at`.
scriptstatus openat(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, u16 hidden) {
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

scriptstatus comopen(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  MainGlobals& g = mainglobals();
  switch (tokenat(atoms, at + 1)) {
    case tok::film: return openfilm(path, text, atoms, at + 1, variables);
    case tok::movie:
      return plugin() ? scriptstatus(err::plugincommand) : openmovie(path, text, atoms, at + 1, variables);
    case tok::sound: return opensound(path, text, atoms, at, variables);
    case tok::file:
      return plugin() ? scriptstatus(err::plugincommand) : openfilex(path, text, atoms, at + 1, variables);
    case tok::pics: return plugin() ? scriptstatus(err::plugincommand) : openpics(path, text, atoms, at + 1, variables);
    case tok::print: return openprintjob(path, text, atoms, at + 1, variables);
    case tok::printing: {
      if (plugin()) return err::plugincommand;
      u16 mode = 0;
      if (tokenat(atoms, at + 2) == tok::without) mode = tokenat(atoms, at + 3) == tok::dialog ? 2 : 1;
      return pagefile(mode);
    }
    case tok::pagesetup: return pagesetup();
    case tok::resources: return plugin() ? err::plugincommand : doresources(g.current.store, true);
    case tok::step: return 0;
    case tok::invisible: {
      u16 hidden = !plugin() && g.invisibleblocked == 0 ? 1 : 0;
      return openat(path, text, atoms, at + 2, variables, hidden);
    }
    case tok::with:
      if (tokenat(atoms, at + 2) != tok::startup) return err::cantunderstand;
      g.startupword = 2;
      return openat(path, text, atoms, at + 3, variables, 0);
    default: return openat(path, text, atoms, at + 1, variables, 0);
  }
}

scriptstatus comclose(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  MainGlobals& g = mainglobals();
  switch (tokenat(atoms, at + 1)) {
    case tok::print:
      if (tokenat(atoms, at + 2) != tok::job) return err::cantunderstand;
      return plugin() ? err::plugincommand : closebatchprintsession();
    case tok::movie: return plugin() ? err::plugincommand : closemovie(true, atoms, at + 1);
    case tok::sound: return plugin() ? scriptstatus(err::plugincommand) : closesound(path, text, atoms, at, variables);
    case tok::file:
      return plugin() ? scriptstatus(err::plugincommand) : closefilex(path, text, atoms, at + 1, variables);
    case tok::film: return closefilm(path, text, atoms, at + 1, variables);
    case tok::pics: return plugin() ? err::plugincommand : closepics(true, atoms, at + 1);
    case tok::printing:
      if (plugin() || g.invisibleblocked != 0) return err::plugincommand;
      MyReleasePageFormat();
      MyReleasePrintSettings();
      MyReleasePrintSession();
      g.printdialogmode = 0;
      return 0;
    case tok::resources: return plugin() ? err::plugincommand : doresources(g.current.store, false);
    case tok::step: return plugin() ? err::plugincommand : 0;
    case tok::all: return closeall(atoms, at + 1);
    default: return closeobject(path, text, atoms, at + 1, variables);
  }
}

}  // namespace kv
