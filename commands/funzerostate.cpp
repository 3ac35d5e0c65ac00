// Functions without parameters that read the state of the program.
#include "commands/funzerostate.h"

#include <algorithm>
#include <string>

#include "commands/dispatch.h"
#include "commands/objectfunctions.h"
#include "commands/textfunctions.h"
#include "engine/containerutil.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/objectsend.h"
#include "engine/status.h"
#include "engine/textutil.h"
#include "engine/tokenizer.h"
#include "engine/tokens.h"
#include "engine/variables.h"
#include "fields/environment.h"
#include "media/printfacts.h"
#include "platform/events/events.h"
#include "platform/events/watchdog.h"
#include "platform/files/files.h"
#include "platform/memory/addressspace.h"
#include "platform/memory/memory.h"
#include "platform/prefs/bundle.h"
#include "platform/qd/ports.h"
#include "platform/resources/resources.h"
#include "platform/text/macroman.h"
#include "platform/text/pstring.h"
#include "platform/time/datetime.h"
#include "platform/windows/screens.h"
#include "platform/windows/windows.h"
#include "core/mainglobals.h"
#include "core/menusets.h"
#include "shell/windtable.h"
#include "store/objects.h"
#include "store/objread.h"
#include "store/records.h"
#include "store/reftexts.h"
#include "store/starfile.h"
#include "system/windowkind.h"
#include "textengine/werecord.h"
#include "tools/texttool.h"

namespace kv {

namespace {

constexpr i16 kFolderNames = 1001, kExcludedFolder = 20, kExcludedParentFolder = 23;
constexpr i16 resultnoprinting = 82;  // "Not available on this system."
constexpr u16 kHelpPlacement = 6;

i16 emptyvalue(fred* value) { return newfred(value, fredtemp, fredstring, 0); }
i16 handletext(Handle h, fred* value) { return h == nilhandle ? emptyvalue(value) : handtonewfred(h, value); }
i16 textvalue(const std::string& s, fred* value) { return charstonewfred(s.data(), Size(s.size()), value); }
void appendline(std::string* list, ConstStringPtr s) {
  if (!list->empty()) *list += '\r';
  list->append(reinterpret_cast<const char*>(s + 1), s[0]);
}

WindowRef cardwindow() {
  WindowRef w = mainglobals().current.window;
  return w != nilid && IsValidWindowPtr(w) ? w : nilid;
}

// --- The mouse, the keys and the last click -----------------------------------------------------

// The mouse in the current card window's coordinates.
Point mouselocal() {
  Point p{0, 0};
  if (WindowRef w = cardwindow(); w != nilid) {
    SavePort saved;
    SetPortWindowPort(w);
    GetMouse(&p);
  } else {
    GetMouse(&p);
  }
  return p;
}

// A mouse-down taken from the queue becomes the last click, in card window coordinates.
void takeclick(const EventRecord& e) {
  MainGlobals& g = mainglobals();
  Point p = e.where;
  if (WindowRef w = cardwindow(); w != nilid) {
    SavePort saved;
    SetPortWindowPort(w);
    GlobalToLocal(&p);
  }
  g.clickloc = p;
  g.clicktaken = 1;
}

// A click the event loop has not handled yet is taken first.
void pendingclick() {
  EventRecord e{};
  if (EventAvail(mDownMask, &e) && GetNextEvent(mDownMask, &e)) takeclick(e);
}

// `the mouseClick`: the clicks waiting are taken; after one, the button's release is awaited.
void mouseclick(fred* value) {
  MainGlobals& g = mainglobals();
  bool took = false;
  EventRecord e{};
  while (GetNextEvent(mDownMask, &e)) {
    takeclick(e);
    took = true;
  }
  bool clicked = took || g.clicktaken != 0;
  if (clicked) {
    LoopScope loop("mouseClick");
    while (Button()) WaitNextEvent(mUpMask, &e, 1);
    FlushEvents(mDownMask, 0);
  }
  g.clicktaken = 0;
  booltonewfred(clicked ? 1 : 0, value);
}

// --- The place of the error ----------------------------------------------------------------------

// The script of the object a failing descriptor names.
Handle failingscript(const objread& obj) {
  Handle script = nilhandle;
  u16 level = 0;
  Str255 key;
  if (objectlevel(obj, &script, &level, key)) return script;
  if (obj.kind == objshared && mainglobals().sharedhead != nilhandle)
    return loadat<headrec>(deref(mainglobals().sharedhead)).script;
  return nilhandle;
}

// "line,line start,position" of the first error in its object's script (all from 1).
i16 erroroffset(fred* value) {
  MainGlobals& g = mainglobals();
  if (g.erroroffset == -1 || g.faildescriptor == nilhandle) return emptyvalue(value);
  Handle text = nilhandle, atoms = nilhandle, vars = NewHandle(0);
  i16 st = vars == nilhandle ? i16(err::nomemory) : handtonewh(g.faildescriptor, &text);
  if (st == 0) st = tokenize(text, &atoms);
  objread obj{};
  i32 used = 0;
  bool read = false;
  if (st == 0) {
    st = scanobj(hierpath(), text, atoms, 0, vars, &used, &obj);
    read = st == 0;
  }
  std::string answer;
  bool hasscript = false;
  if (read) {
    Handle script = failingscript(obj);
    if (script != nilhandle) {
      hasscript = true;
      const i32 size = i32(GetHandleSize(script));
      const i32 pos = std::clamp<i32>(g.erroroffset, 0, size);
      const u8* p = deref(script);
      i32 line = 1, linestart = 0;
      for (i32 i = 0; i < pos; ++i)
        if (p[i] == 13) {
          ++line;
          linestart = i + 1;
        }
      answer = std::to_string(line) + "," + std::to_string(linestart + 1) + "," + std::to_string(pos + 1);
    }
    writeobj(&obj);
  }
  if (atoms != nilhandle) DisposeHandle(atoms);
  if (text != nilhandle) DisposeHandle(text);
  if (vars != nilhandle) dumpvars(vars);
  if (st != 0) return st;
  return hasscript ? textvalue(answer, value) : emptyvalue(value);
}

// --- Windows, menus and projects -----------------------------------------------------------------

i16 menulist(bool idform, fred* value) {
  std::string list;
  Handle lines = currentline();
  i32 n = lines == nilhandle ? 0 : std::min<i32>(currentnumlines(), i32(HandleCount<menuline>(lines)));
  auto entry = [&](const menuline& line) {
    objread obj{};
    obj.kind = objmenu;
    obj.menu = line;
    Str255 s;
    s[0] = 0;
    if (idform) buildmenuid(obj, tok::long_, s);
    else buildmenuname(obj, tok::long_, s);
    appendline(&list, s);
  };
  menuline help{};
  bool hashelp = false;
  for (i32 i = 0; i < n; ++i) {
    menuline line = HandleAs<menuline>(lines)[i];
    if (line.placement == kHelpPlacement) {
      help = line;  // only the last Help menu is listed, after the others
      hashelp = true;
    } else {
      entry(line);
    }
  }
  if (hashelp) entry(help);
  return textvalue(list, value);
}

i16 projectlist(fred* value) {
  std::string list;
  RegistryId id = mainglobals().openprojects;
  for (i32 guard = 0; id != nilid && guard < 100000; ++guard) {
    const projectstore* ps = findprojectstore(id);
    if (ps == nullptr) break;
    Str255 s;
    s[0] = 0;
    buildfilename(id, tok::long_, s);
    appendline(&list, s);
    id = ps->next;
  }
  return textvalue(list, value);
}

// `the selectedGraphic`: the text graphic being edited as "card grc n of <window>" (or
// "bkgnd"), n counting the graphics of its list up to it; empty when none is.
i16 selectedgraphic(fred* value) {
  const MainGlobals& g = mainglobals();
  objread obj{};
  if (g.graphindex < 0 || g.graphspots == nilhandle || !IsValidHandle(g.graphspots) ||
      g.graphindex >= spotcount(g.graphspots) || g.graphwindow == nilid || getwind(g.graphwindow, &obj.d) == 0)
    return emptyvalue(value);
  i32 number = 0;
  for (i32 i = 0; i <= g.graphindex; ++i) number += spotat(g.graphspots, i).kind == spotgraphic ? 1 : 0;
  obj.kind = objwindow;
  Str255 window{};
  buildwindname(obj, tok::long_, window);
  const std::string text = std::string(g.graphspots == obj.d.cardspots ? "card" : "bkgnd") + " grc " +
                           std::to_string(number) + " of " + std::string(pstringview(window));
  return textvalue(text, value);
}

// The long id of a window of the window table; empty for none.
void windowid(WindowRef w, StringPtr out) {
  out[0] = 0;
  objread obj{};
  if (w == nilid || getwind(w, &obj.d) == 0) return;
  obj.kind = objwindow;
  buildwindid(&obj, tok::long_, out);
}

// Whether a path lies inside a folder: the folder path (less a trailing separator) is its
// beginning, followed by a separator or the end.
bool inside(const std::string& path, std::string folder) {
  while (!folder.empty() && folder.back() == '/') folder.pop_back();
  if (folder.empty() || path.compare(0, folder.size(), folder) != 0) return false;
  return path.size() == folder.size() || path[folder.size()] == '/';
}

// The two folders whose projects' windows are not the user's: entry 20 of the folder names
// inside the shared project's folder (else the program's folder), entry 23 inside its parent.
std::vector<std::string> excludedfolders() {
  std::string base;
  const MainGlobals& g = mainglobals();
  const projectstore* shared = g.sharedstore != nilid ? findprojectstore(g.sharedstore) : nullptr;
  if (shared == nullptr || pathoffolder(shared->dirid, &base) != noErr) {
    std::string utf8;
    if (!applicationfolder(&utf8)) return {};
    base = filenametomacroman(utf8);
  }
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  std::string parent = base.substr(0, base.rfind('/') == std::string::npos ? 0 : base.rfind('/'));
  std::vector<std::string> out;
  Str255 name;
  GetIndString(name, kFolderNames, kExcludedFolder);
  if (name[0] != 0) out.push_back(base + "/" + std::string(pstringview(name)));
  GetIndString(name, kFolderNames, kExcludedParentFolder);
  if (name[0] != 0) out.push_back(parent + "/" + std::string(pstringview(name)));
  return out;
}

i16 userwindows(fred* value) {
  std::string list;
  std::vector<std::string> excluded = excludedfolders();
  for (WindowRef w : windowlist()) {
    desk d{};
    if (windowkind(w, kindqueryruntime) == 0 || windowkind(w, kindquerymessagebox) != 0 || getwind(w, &d) == 0)
      continue;
    const projectstore* ps = findprojectstore(d.store);
    std::string path = ps != nullptr ? std::string(pstringview(ps->fullpath)) : std::string();
    if (std::any_of(excluded.begin(), excluded.end(), [&](const std::string& f) { return inside(path, f); })) continue;
    Str255 s;
    windowid(w, s);
    appendline(&list, s);
  }
  return textvalue(list, value);
}

// --- The screen, the program and memory ----------------------------------------------------------

// The screen that holds the largest part of the card window (the main screen without one).
Rect cardscreen() {
  i16 screen = 0;
  if (WindowRef w = cardwindow(); w != nilid) {
    Rect r{};
    if (GetWindowBounds(w, kWindowStructureRgn, &r) == noErr) screen = greatestareascreen(r);
  }
  return screenbounds(screen);
}

// The program's bundle (the folder that holds it) and the folder above it.
i16 programplace(bool folder, fred* value) {
  std::string utf8;
  if (!applicationfolder(&utf8)) return emptyvalue(value);
  std::string path = filenametomacroman(utf8);
  if (folder) {
    std::size_t slash = path.rfind('/');
    path = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  }
  return textvalue(path, value);
}

i16 heapspace(fred* value) {
  i64 room = i64(MaxVBlock()) - (mainglobals().colorWorld != 0 ? 120000 : 60000);
  longtonewfred(i32(std::clamp<i64>(room, 0, 0x7FFFFFFF)), value);
  return 0;
}

// --- Printing --------------------------------------------------------------------------------------

// A printing fact; when the system cannot answer, `the result` says so and the value is empty.
i16 printingfact(u16 fn, u16 modifier, fred* value) {
  u16 form = modifier == tok::inches ? u16(paperinches) : modifier == tok::name ? u16(papername) : u16(paperpoints);
  i16 st = 0;
  switch (fn) {
    case tok::papersize: st = getpapersize(form, value); break;
    case tok::papersizes: st = getpapersizes(form, value); break;
    case tok::printablerect: st = getprintablerect(value); break;
    case tok::printer: st = getprinter(value); break;
    case tok::printerdriver: st = getprinterdriver(value); break;
    case tok::printermodel: st = getprintermodel(value); break;
    case tok::printers: st = getprinters(value); break;
    case tok::printcopies: st = getprintcopies(value); break;
    case tok::printorientation: st = getprintorientation(value); break;
    default: st = getprintrange(value); break;
  }
  if (st != kNoPrintingAnswer && st != err::notbuilt) return st;
  if (mainglobals().result != nilhandle) stringtohand(resultstr(resultnoprinting), mainglobals().result);
  return emptyvalue(value);
}

// The selection of the open field's text record: its text, its line, its chunk, the point of
// its start.
i16 openselection(u16 fn, fred* value) {
  const MainGlobals& g = mainglobals();
  const WEReference we = g.openfieldrec;
  if (!isvalidwerec(we)) return emptyvalue(value);
  i32 start = 0, end = 0;
  WEGetSelection(&start, &end, we);
  Handle text = WEGetText(we);
  const Size length = text != nilhandle ? GetHandleSize(text) : 0;
  start = std::clamp<i32>(start, 0, i32(length));
  end = std::clamp<i32>(end, start, i32(length));
  if (fn == tok::selectedtext) return charstonewfred(deref(text) + start, Size(end - start), value);
  if (fn == tok::selectedloc) {
    LongPoint p{};
    i16 height = 0;
    WEGetPoint(start, 0, &p, &height, we);
    return loctonewfred(i16(p.h), i16(p.v), value);
  }
  Str255 field;
  getfieldstring(field);
  if (fn == tok::selectedchunk) {
    const std::string chunk = selectedchunkstr(start, end, text, field);
    return charstonewfred(chunk.data(), Size(chunk.size()), value);
  }
  const u8 delimiter = u8(g.lineDelimiter != 0 ? g.lineDelimiter : 13);
  const u8* bytes = deref(text);
  const i32 line = 1 + i32(std::count(bytes, bytes + start, delimiter));
  const std::string answer = "line " + std::to_string(line) + " of " + std::string(pstringview(field));
  return charstonewfred(answer.data(), Size(answer.size()), value);
}

}  // namespace

i16 funzerostate(u16 fn, u16 modifier, fred* value) {
  MainGlobals& g = mainglobals();
  switch (fn) {
    case tok::mouse: fooltonewfred(Button() ? 1 : 0, value); return 0;
    case tok::shiftkey:
    case tok::optionkey:
    case tok::cmdkey:
    case tok::controlkey: {
      u16 mask = fn == tok::shiftkey    ? shiftKey
                 : fn == tok::optionkey ? optionKey
                 : fn == tok::cmdkey    ? cmdKey
                                        : controlKey;
      // While the click or drag command drives the mouse, its keys are the ones held down.
      const u16 held = g.simulatedclick != 0 ? u16(g.event.modifiers) : GetCurrentKeyModifiers();
      fooltonewfred((held & mask) != 0 ? 1 : 0, value);
      return 0;
    }
    case tok::mouseh:
    case tok::mousev:
    case tok::mouseloc: {
      Point p = mouselocal();
      if (fn == tok::mouseloc) return loctonewfred(p.h, p.v, value);
      longtonewfred(fn == tok::mouseh ? p.h : p.v, value);
      return 0;
    }
    case tok::clickh:
    case tok::clickv:
    case tok::clickloc:
      pendingclick();
      if (fn == tok::clickloc) return loctonewfred(g.clickloc.h, g.clickloc.v, value);
      longtonewfred(fn == tok::clickh ? g.clickloc.h : g.clickloc.v, value);
      return 0;
    case tok::clickline: return handletext(g.clickline, value);
    case tok::clicktext: return handletext(g.clicktext, value);
    case tok::clickchunk: return handletext(g.clickchunk, value);
    case tok::mouseclick: mouseclick(value); return 0;
    case tok::mousechar: return mousechunk(value, mousechunkchar);
    case tok::mousetext: return mousechunk(value, mousechunktext);
    case tok::mouseobject: return mousechunk(value, mousechunkobject);
    case tok::mousechunk: return mousechunk(value, mousechunkchunk);
    case tok::interrupt: {
      bool was = g.abortkey != 0;
      if (was) FlushEvents(everyEvent, 0);
      g.abortkey = 0;
      booltonewfred(was ? 1 : 0, value);
      return 0;
    }
    case tok::dblclicktime: longtonewfred(i32(GetDblTime()), value); return 0;
    case tok::foundtext: return handletext(g.foundtext, value);
    case tok::foundfield: return handletext(g.foundfield, value);
    case tok::foundline: return handletext(g.foundline, value);
    case tok::foundchunk: return handletext(g.foundchunk, value);
    case tok::foundwindow: return handletext(g.foundwindow, value);
    case tok::erroroffset: return erroroffset(value);
    case tok::backlist: return stacktofred(g.recentlist, value);
    case tok::forthlist: return stacktofred(g.forwardlist, value);
    case tok::pushlist: return stacktofred(g.pushlist, value);
    case tok::wds:
    case tok::xwindows:
      return buildwindnames(value, modifier == tok::id, fn == tok::wds ? kindqueryruntime : kindqueryexternal);
    case tok::menus: return menulist(modifier == tok::id, value);
    case tok::projects: return projectlist(value);
    case tok::topwindow: {
      WindowRef w = nilid;
      topwindow(&w);
      Str255 s;
      windowid(w, s);
      return stringtonewfred(s, value);
    }
    case tok::userwindows: return userwindows(value);
    case tok::sharedfile: {
      const projectstore* ps = g.sharedstore != nilid ? findprojectstore(g.sharedstore) : nullptr;
      return ps == nullptr ? emptyvalue(value) : stringtonewfred(ps->fullpath, value);
    }
    case tok::screenrect: return rectonewfred(cardscreen(), value);
    case tok::screenloc: {
      Rect r = cardscreen();
      return loctonewfred(i16((i32(r.left) + r.right) >> 1), i16((i32(r.top) + r.bottom) >> 1), value);
    }
    case tok::seconds: {
      LongDateTime now = 0;
      GetLongDateTime(&now);
      doubletonewfred(double(now), value);
      return 0;
    }
    case tok::heapspace: return heapspace(value);
    case tok::application:
    case tok::applpath: return programplace(fn == tok::applpath, value);
    case tok::environment: {
      Str255 s;
      getenvironment(s);
      return stringtonewfred(s, value);
    }
    case tok::rosetta:  // the program runs on its own processor
      booltonewfred(0, value);
      return 0;
    case tok::selectedtext:
    case tok::selectedfield:
    case tok::selectedline:
    case tok::selectedchunk:
    case tok::selectedloc:
      if (g.openfield < 0) return emptyvalue(value);
      if (fn == tok::selectedfield) {
        Str255 s;
        getfieldstring(s);
        return stringtonewfred(s, value);
      }
      return openselection(fn, value);
    case tok::selectedgraphic: return selectedgraphic(value);
    case tok::canundo:
    case tok::canredo:
      // An action of the open field's text record to take back (or to do again).
      booltonewfred(g.openfield >= 0 && isvalidwerec(g.openfieldrec) &&
                            WEGetIndUndoInfo(fn == tok::canundo ? 1 : -1, g.openfieldrec) != 0
                        ? 1
                        : 0,
                    value);
      return 0;
    case tok::papersize:
    case tok::papersizes:
    case tok::printablerect:
    case tok::printer:
    case tok::printerdriver:
    case tok::printermodel:
    case tok::printers:
    case tok::printcopies:
    case tok::printorientation:
    case tok::printrange: return printingfact(fn, modifier, value);
    default: return err::notbuilt;
  }
}

}  // namespace kv
