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

enum : u16 {
  fnApplication = 3003,
  fnApplPath = 3005,
  fnBackList = 3013,
  fnForthList = 3053,
  fnPushList = 3135,
  fnCanUndo = 3015,
  fnCanRedo = 3016,
  fnClickChunk = 3018,
  fnClickH = 3019,
  fnClickLine = 3020,
  fnClickLoc = 3021,
  fnClickText = 3022,
  fnClickV = 3023,
  fnCmdKey = 3025,
  fnDblClickTime = 3035,
  fnEnvironment = 3044,
  fnErrorOffset = 3046,
  fnFoundChunk = 3054,
  fnFoundField = 3055,
  fnFoundLine = 3056,
  fnFoundText = 3057,
  fnFoundWindow = 3058,
  fnHeapSpace = 3064,
  fnInterrupt = 3069,
  fnMenus = 3087,
  fnMouse = 3093,
  fnMouseChar = 3094,
  fnMouseChunk = 3095,
  fnMouseClick = 3096,
  fnMouseH = 3097,
  fnMouseLoc = 3098,
  fnMouseObject = 3099,
  fnMouseText = 3100,
  fnMouseV = 3101,
  fnOptionKey = 3107,
  fnPaperSize = 3108,
  fnPaperSizes = 3109,
  fnPrintableRect = 3118,
  fnPrinter = 3119,
  fnPrinterDriver = 3120,
  fnPrinterModel = 3121,
  fnPrinters = 3122,
  fnPrintCopies = 3123,
  fnPrintOrientation = 3124,
  fnPrintRange = 3125,
  fnProjects = 3130,
  fnRosetta = 3144,
  fnScreenLoc = 3150,
  fnScreenRect = 3151,
  fnSeconds = 3152,
  fnSelectedChunk = 3153,
  fnSelectedField = 3154,
  fnSelectedGraphic = 3155,
  fnSelectedLine = 3156,
  fnSelectedLoc = 3157,
  fnSelectedText = 3158,
  fnSharedFile = 3159,
  fnShiftKey = 3161,
  fnTopWindow = 3180,
  fnUserWindows = 3185,
  fnWindows = 3189,
  fnXWindows = 3193,
  fnControlKey = 2029,
};

enum : u16 { tokId = 4137, tokName = 4183, tokInches = 11136 };

constexpr u16 kLongForm = 9002;
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
  i16 st = vars == nilhandle ? i16(statusnomemory) : handtonewh(g.faildescriptor, &text);
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
    if (idform) buildmenuid(obj, kLongForm, s);
    else buildmenuname(obj, kLongForm, s);
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
    buildfilename(id, kLongForm, s);
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
  buildwindname(obj, kLongForm, window);
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
  buildwindid(&obj, kLongForm, out);
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
    if (std::any_of(excluded.begin(), excluded.end(), [&](const std::string& f) { return inside(path, f); }))
      continue;
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
  u16 form = modifier == tokInches ? u16(paperinches) : modifier == tokName ? u16(papername) : u16(paperpoints);
  i16 st = 0;
  switch (fn) {
    case fnPaperSize: st = getpapersize(form, value); break;
    case fnPaperSizes: st = getpapersizes(form, value); break;
    case fnPrintableRect: st = getprintablerect(value); break;
    case fnPrinter: st = getprinter(value); break;
    case fnPrinterDriver: st = getprinterdriver(value); break;
    case fnPrinterModel: st = getprintermodel(value); break;
    case fnPrinters: st = getprinters(value); break;
    case fnPrintCopies: st = getprintcopies(value); break;
    case fnPrintOrientation: st = getprintorientation(value); break;
    default: st = getprintrange(value); break;
  }
  if (st != kNoPrintingAnswer && st != statusnotbuilt) return st;
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
  if (fn == fnSelectedText) return charstonewfred(deref(text) + start, Size(end - start), value);
  if (fn == fnSelectedLoc) {
    LongPoint p{};
    i16 height = 0;
    WEGetPoint(start, 0, &p, &height, we);
    return loctonewfred(i16(p.h), i16(p.v), value);
  }
  Str255 field;
  getfieldstring(field);
  if (fn == fnSelectedChunk) {
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
    case fnMouse:
      fooltonewfred(Button() ? 1 : 0, value);
      return 0;
    case fnShiftKey:
    case fnOptionKey:
    case fnCmdKey:
    case fnControlKey: {
      u16 mask = fn == fnShiftKey ? shiftKey : fn == fnOptionKey ? optionKey : fn == fnCmdKey ? cmdKey : controlKey;
      // While the click or drag command drives the mouse, its keys are the ones held down.
      const u16 held = g.simulatedclick != 0 ? u16(g.event.modifiers) : GetCurrentKeyModifiers();
      fooltonewfred((held & mask) != 0 ? 1 : 0, value);
      return 0;
    }
    case fnMouseH:
    case fnMouseV:
    case fnMouseLoc: {
      Point p = mouselocal();
      if (fn == fnMouseLoc) return loctonewfred(p.h, p.v, value);
      longtonewfred(fn == fnMouseH ? p.h : p.v, value);
      return 0;
    }
    case fnClickH:
    case fnClickV:
    case fnClickLoc:
      pendingclick();
      if (fn == fnClickLoc) return loctonewfred(g.clickloc.h, g.clickloc.v, value);
      longtonewfred(fn == fnClickH ? g.clickloc.h : g.clickloc.v, value);
      return 0;
    case fnClickLine: return handletext(g.clickline, value);
    case fnClickText: return handletext(g.clicktext, value);
    case fnClickChunk: return handletext(g.clickchunk, value);
    case fnMouseClick:
      mouseclick(value);
      return 0;
    case fnMouseChar: return mousechunk(value, mousechunkchar);
    case fnMouseText: return mousechunk(value, mousechunktext);
    case fnMouseObject: return mousechunk(value, mousechunkobject);
    case fnMouseChunk: return mousechunk(value, mousechunkchunk);
    case fnInterrupt: {
      bool was = g.abortkey != 0;
      if (was) FlushEvents(everyEvent, 0);
      g.abortkey = 0;
      booltonewfred(was ? 1 : 0, value);
      return 0;
    }
    case fnDblClickTime:
      longtonewfred(i32(GetDblTime()), value);
      return 0;
    case fnFoundText: return handletext(g.foundtext, value);
    case fnFoundField: return handletext(g.foundfield, value);
    case fnFoundLine: return handletext(g.foundline, value);
    case fnFoundChunk: return handletext(g.foundchunk, value);
    case fnFoundWindow: return handletext(g.foundwindow, value);
    case fnErrorOffset: return erroroffset(value);
    case fnBackList: return stacktofred(g.recentlist, value);
    case fnForthList: return stacktofred(g.forwardlist, value);
    case fnPushList: return stacktofred(g.pushlist, value);
    case fnWindows:
    case fnXWindows:
      return buildwindnames(value, modifier == tokId, fn == fnWindows ? kindqueryruntime : kindqueryexternal);
    case fnMenus: return menulist(modifier == tokId, value);
    case fnProjects: return projectlist(value);
    case fnTopWindow: {
      WindowRef w = nilid;
      topwindow(&w);
      Str255 s;
      windowid(w, s);
      return stringtonewfred(s, value);
    }
    case fnUserWindows: return userwindows(value);
    case fnSharedFile: {
      const projectstore* ps = g.sharedstore != nilid ? findprojectstore(g.sharedstore) : nullptr;
      return ps == nullptr ? emptyvalue(value) : stringtonewfred(ps->fullpath, value);
    }
    case fnScreenRect: return rectonewfred(cardscreen(), value);
    case fnScreenLoc: {
      Rect r = cardscreen();
      return loctonewfred(i16((i32(r.left) + r.right) >> 1), i16((i32(r.top) + r.bottom) >> 1), value);
    }
    case fnSeconds: {
      LongDateTime now = 0;
      GetLongDateTime(&now);
      doubletonewfred(double(now), value);
      return 0;
    }
    case fnHeapSpace: return heapspace(value);
    case fnApplication:
    case fnApplPath: return programplace(fn == fnApplPath, value);
    case fnEnvironment: {
      Str255 s;
      getenvironment(s);
      return stringtonewfred(s, value);
    }
    case fnRosetta:  // the program runs on its own processor
      booltonewfred(0, value);
      return 0;
    case fnSelectedText:
    case fnSelectedField:
    case fnSelectedLine:
    case fnSelectedChunk:
    case fnSelectedLoc:
      if (g.openfield < 0) return emptyvalue(value);
      if (fn == fnSelectedField) {
        Str255 s;
        getfieldstring(s);
        return stringtonewfred(s, value);
      }
      return openselection(fn, value);
    case fnSelectedGraphic: return selectedgraphic(value);
    case fnCanUndo:
    case fnCanRedo:
      // An action of the open field's text record to take back (or to do again).
      booltonewfred(g.openfield >= 0 && isvalidwerec(g.openfieldrec) &&
                            WEGetIndUndoInfo(fn == fnCanUndo ? 1 : -1, g.openfieldrec) != 0
                        ? 1
                        : 0,
                    value);
      return 0;
    case fnPaperSize:
    case fnPaperSizes:
    case fnPrintableRect:
    case fnPrinter:
    case fnPrinterDriver:
    case fnPrinterModel:
    case fnPrinters:
    case fnPrintCopies:
    case fnPrintOrientation:
    case fnPrintRange: return printingfact(fn, modifier, value);
    default: return statusnotbuilt;
  }
}

}  // namespace kv
