// `set [the] <global property> to <value>`: the switches, numbers, texts and settings of the
// application as a whole, most of them one field of the global state; and the global text
// defaults set without an object.
#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "engine/expression.h"
#include "fields/fieldrecords.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbers.h"
#include "engine/numbertext.h"
#include "render/pictbuffers.h"
#include "engine/scripterrors.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "platform/events/events.h"
#include "platform/files/files.h"
#include "platform/fonts/fonts.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/sound/audio.h"
#include "platform/text/pstring.h"
#include "platform/tsm/tsm.h"
#include "platform/windows/screens.h"
#include "platform/windows/windows.h"
#include "properties/globaltables.h"
#include "properties/propfront.h"
#include "properties/setters.h"
#include "properties/valueparsers.h"
#include "properties/windowsetters.h"
#include "render/controlvisibility.h"
#include "render/offscreen.h"
#include "shell/cardcursor.h"
#include "shell/cardwindow.h"
#include "shell/fieldputting.h"
#include "core/mainglobals.h"
#include "shell/menus.h"
#include "shell/palettes.h"
#include "shell/platformutil.h"
#include "media/printfacts.h"
#include "media/speechrecog.h"
#include "properties/cursors.h"
#include "shell/redraws.h"
#include "textengine/werecord.h"
#include "tools/dragsend.h"
#include "shell/windowmanage.h"
#include "shell/windtable.h"
#include "store/objects.h"
#include "system/sysinfo.h"

namespace kv {

namespace {

constexpr i16 kMinimumWindowSize = 20;
constexpr i16 kBackdropKind = 132;

bool pluginmode() { return mainglobals().plugin != 0; }

// The words refused in plug-in mode.
bool refusedinplugin(u16 token) {
  switch (token) {
    case tok::audiovolume:
    case tok::backdrop:
    case tok::dontlimitwds:
    case tok::editmenus:
    case tok::editscripts:
    case tok::helpballoons:
    case tok::lockmenus:
    case tok::serialcontrol:
    case tok::transitionloc:
    case tok::windowlimit: return true;
    default: return false;
  }
}

// Redraws every open window's card.
void redrawall() { redrawbehind(); }

// The value's text equals a word, letter case ignored.
bool isword(fred* value, const char* word) {
  Str255 s{}, w{};
  fredtostring(value, s);
  setpstring(w, word);
  return myequalstring(s, w);
}

// The first word of a value's text (up to a blank or a comma).
void firstword(fred* value, StringPtr out) {
  Str255 s{};
  fredtostring(value, s);
  i32 n = 0;
  while (n < s[0] && s[1 + n] != ' ' && s[1 + n] != ',' && s[1 + n] != 9) ++n;
  pstrassign(out, 256, s + 1, size_t(n));
}

i16 toboolean(fred* value, i16* out) {
  u16 b = 0;
  if (i16 st = fredtobool(value, &b)) return st;
  *out = b != 0 ? 1 : 0;
  return 0;
}

// Integers stored within limits (a value outside them stores the nearest bound).
struct limit {
  u16 token;
  i32 low, high;
  i32 shift;  // subtracted before storing (one-based indexes are kept zero-based)
};
constexpr std::array<limit, 15> kLimits{{
    {tok::brush, 1, 40, 1},
    {tok::cardscrollstep, 1, INT32_MAX, 0},
    {tok::fieldscrollstep, 1, INT32_MAX, 0},
    {tok::dragspeed, 0, INT32_MAX, 0},
    {tok::fillpat, 1, 63, 1},
    {tok::penpat, 1, 63, 1},
    {tok::penheight, 0, 1000, 0},
    {tok::penwidth, 1, 1000, 0},
    {tok::multispace, 1, 9, 0},
    {tok::objectcache, 10, 40, 0},
    {tok::pictcache, 1, 20, 0},
    {tok::scriptcache, 8, 31, 0},
    {tok::polysides, 3, 50, 0},
    {tok::translucentdraglimit, 0, INT32_MAX, 0},
    {tok::userlevel, 1, INT32_MAX, 0},
}};

// Switches stored with no further effect.
bool plainswitch(u16 token) {
  switch (token) {
    case tok::allowautomaticflavors:
    case tok::allowdeletecardmessages:
    case tok::allowdoubleclick:
    case tok::allowdragexport:
    case tok::allowemptypaint:
    case tok::allowfavoriteflavors:
    case tok::allowfieldredraw:
    case tok::allowkeyinfield:
    case tok::allowlauncharguments:
    case tok::allowlistenmodes:
    case tok::allowmousewithin:
    case tok::allowpalettes:
    case tok::allowtransitions:
    case tok::blindtyping:
    case tok::centered:
    case tok::createpaint:
    case tok::donthidepalettes:
    case tok::explicitvars:
    case tok::grid:
    case tok::intlcompare:
    case tok::localdelimiters:
    case tok::lockcursor:
    case tok::lockerrordialogs:
    case tok::lockmessages:
    case tok::lockrecent:
    case tok::movieidle:
    case tok::multiple:
    case tok::openresourceforks:
    case tok::powerkeys:
    case tok::proportionalscrolling:
    case tok::refreshinsertedscripts:
    case tok::remapcolor:
    case tok::showfocusrects:
    case tok::singlewindowlayer:
    case tok::streammode:
    case tok::textarrows:
    case tok::usermodify:
    case tok::filled:
    case tok::showpen:
    case tok::editmenus:
    case tok::editscripts:
    case tok::helpballoons: return true;
    default: return false;
  }
}

// Integers stored unchanged.
bool plaininteger(u16 token) {
  switch (token) {
    case tok::backgroundscripttime:
    case tok::backgroundsleeptime:
    case tok::dialingtime:
    case tok::fgscripttime:
    case tok::fgsleeptime:
    case tok::progressticks:
    case tok::streambuffer:
    case tok::streamrate:
    case tok::trandelay:
    case tok::transtep: return true;
    default: return false;
  }
}

// A switch with an effect: the effect after the new state is known (old and new given).
i16 switcheffect(u16 token, i16* field, i16 on) {
  MainGlobals& g = mainglobals();
  const i16 was = *field != 0 ? 1 : 0;
  switch (token) {
    case tok::allowinlineinput:
    case tok::allowtextservices: {
      // Only a change acts: the open field's editing ends (its error is the answer) and its
      // text record goes before the input method changes.
      if (on == was) return 0;
      if (i16 st = putdownfield()) return st;
      dumpfield();
      *field = on;
      // The input method's requests reach text records only while text services are on.
      if (token == tok::allowtextservices) {
        if (on) WEInstallTSMHandlers();
        else WERemoveTSMHandlers();
      }
      // Without inline input the input method composes in a window of its own.
      if (token == tok::allowinlineinput) useinputwindow(on == 0);
      return 0;
    }
    case tok::allowobjectcursors:
      // Turned on, the object under the mouse shows its cursor at once.
      *field = on;
      if (on && !g.lockCursor && g.current.window != nilid && IsValidWindowPtr(g.current.window)) {
        SavePort saved;
        SetPortWindowPort(g.current.window);
        Point pt{};
        GetMouse(&pt);
        curscase(pt);
      }
      return 0;
    case tok::allowdraganddrop:
      if (on == was) return 0;
      *field = on;
      if (on) MyInitDragManager();
      else MyKillDragManager();
      return 0;
    case tok::allowrecog:
      // The switch follows the recognizer: it changes only when opening or closing it succeeds.
      return was == on ? i16(0) : setallowrecognition(on);
    case tok::allowinterrupts:
      *field = on;
      if (on) FlushEvents(keyDownMask | keyUpMask | autoKeyMask, 0);
      return 0;
    case tok::allowmodal: {
      *field = on;
      const desk* desks = HandleAs<desk>(g.winds);
      for (i16 i = 0; i < g.numwinds; ++i) {
        const desk& d = desks[i];
        if (d.window == nilid || d.wind == nilhandle) continue;
        u16 style = loadat<windrec>(deref(d.wind)).word2;
        if (style != 6 && style != 9) continue;
        SetWindowModality(d.window, on ? kWindowModalityAppModal : kWindowModalityNone, nilid);
      }
      return 0;
    }
    case tok::lockmenus:
      // Unlocking rebuilds the menu bar; locking leaves it as it is.
      *field = on;
      if (!on && was) {
        buildmenubar();
        drawmenubar();
      }
      return 0;
    case tok::wysiwygfontmenu:
      if (on != was) {
        *field = on;
        buildmenubar();
        drawmenubar();
      }
      return 0;
    case tok::allowmousemessages:
    case tok::allowtooltips:
      *field = on;
      if (!on) cleartooltip();
      return 0;
    case tok::modernlook:
      if (g.hasAppearanceManager == 0) return 0;
      if (on != was) {
        *field = on;
        redrawall();
        WysiwygFontMenu(g.wysiwygFontMenu != 0);
        buildmenubar();
        drawmenubar();
      }
      return 0;
    case tok::idlecontrols: {
      // Every open window's controls take the switch, then every window is drawn again.
      *field = on;
      const desk* desks = HandleAs<desk>(g.winds);
      for (i16 i = 0; i < g.numwinds; ++i) {
        const desk d = desks[i];
        if (d.window == nilid) continue;
        if (d.cardspots != nilhandle) setcontrolidle(d.cardspots);
        if (d.backspots != nilhandle) setcontrolidle(d.backspots);
        desks = HandleAs<desk>(g.winds);
      }
      redrawall();
      return 0;
    }
    case tok::quartzpicts:
      *field = on;
      purgepictbuffer();
      redrawall();
      return 0;
    case tok::showgroups:
      *field = on;
      if (g.current.window != nilid) drawedit(g.current, nullptr);
      return 0;
    case tok::dontlimitwds:
      *field = on;
      setzoomlimits();
      return 0;
    case tok::plugin:
      // Each window keeps its own plug-in mode; the current one is the global word.
      *field = on;
      g.current.plugin = u16(on);
      if (g.current.window != nilid) putwind(g.current.window, g.current);
      return 0;
    default: *field = on; return 0;
  }
}

// `serialControl`: up to five items separated by commas, one per field of the configuration
// word in field order; an empty item leaves its field alone, a word not in the field's rows
// too. The configuration changes only when the whole list reads.
i16 setserial(const propctx& c, i32 i) {
  u32 config = mainglobals().serialControl;
  auto fields = sercontrol();
  i32 at = i;
  for (size_t k = 0; k < 5; ++k) {
    u16 t = c.tok(at);
    if (iseoltoken(t)) break;
    if (t == tok::comma) {
      ++at;
      continue;
    }
    fred item;
    i32 n = 0;
    if (i16 st = expression(c.path, c.text, c.atoms, at, c.variables, c.locals, &n, &item)) return st;
    at += n;
    Str255 word{};
    fredtostring(&item, word);
    disposfred(&item);
    const serialfield& f = fields[k];
    i16 code = getservalue(word + 1, word[0], f.first, f.last);
    if (code >= 0) config = (config & ~f.mask) | ((u32(code) << f.shift) & f.mask);
    t = c.tok(at);
    if (t == tok::comma) ++at;
    else if (!iseoltoken(t) && k != 3) return err::nocomma;
  }
  mainglobals().serialControl = config;
  return 0;
}

// `backDrop`: black, white or none.
i16 setbackdrop(fred* value) {
  MainGlobals& g = mainglobals();
  u16 colour = 0;
  if (isword(value, "black")) colour = tok::black;
  else if (isword(value, "white")) colour = tok::white;
  else if (isword(value, "none")) colour = tok::none;
  else return err::cantunderstand;
  if (colour == tok::none) {
    if (g.backdrop != nilid && IsValidWindowPtr(g.backdrop)) DisposeWindow(g.backdrop);
    g.backdrop = nilid;
    return 0;
  }
  bool made = false;
  if (g.backdrop == nilid || !IsValidWindowPtr(g.backdrop)) {
    Rect r = screenbounds(0);
    WindowRef w = nilid;
    if (CreateNewWindow(kDocumentWindowClass, kWindowStandardHandlerAttribute, &r, &w) != noErr) return 0;
    Str255 title{};
    fredtostring(value, title);
    SetWTitle(w, title);
    SetWindowKind(w, kBackdropKind);
    // A click on the backdrop neither brings it forward nor reaches it.
    const EventTypeSpec activation{kEventClassWindow, kEventWindowGetClickActivation};
    InstallEventHandler(w, dontActivateProc, 1, &activation, 0, nullptr);
    SendBehind(w, nilid);
    g.backdrop = w;
    made = true;
  }
  SetWRefCon(g.backdrop, i32(colour));
  SetThemeWindowBackground(g.backdrop, colour == tok::black ? -1 : -2, true);
  SetWindowAlpha(g.backdrop, float(100 - g.backdropTransparency) / 100.0f);
  if (made) ShowWindow(g.backdrop);
  return 0;
}

// `windowLimit`: the offscreen world takes the new size (nothing changes when it cannot, and
// `the result` says so); then every open window is limited to it and redrawn.
i16 setwindowlimit(i16 width, i16 height) {
  MainGlobals& g = mainglobals();
  const Rect old = GetOffScreenBounds();
  Rect bounds{old.top, old.left, i16(old.top + height), i16(old.left + width)};
  if (SetOffScreenSize(bounds) != 0) {
    static constexpr u8 nomemory[] = "\x09no memory";
    stringtohand(nomemory, g.result);
    return 0;
  }
  g.windowLimit = Point{height, width};
  const desk* desks = HandleAs<desk>(g.winds);
  for (i16 i = 0; i < g.numwinds; ++i) {
    desk d = desks[i];
    if (d.window == nilid || d.wind == nilhandle) continue;
    windrec w = loadat<windrec>(deref(d.wind));
    Rect r = w.rect1;
    limitrect(&r);
    if (r.right == w.rect1.right && r.bottom == w.rect1.bottom) continue;
    w.rect1 = r;
    storeat<windrec>(deref(d.wind), w);
    rectowind(r, d.window);
    desks = HandleAs<desk>(g.winds);
  }
  redrawall();
  return 0;
}

// `defaultFolder`: an existing folder, or empty / none to keep none.
i16 setdefaultfolder(fred* value) {
  MainGlobals& g = mainglobals();
  Str255 s{};
  fredtostring(value, s);
  if (s[0] == 0 || isword(value, "empty") || isword(value, "none")) {
    if (g.defaultFolder != nilhandle) DisposeHandle(g.defaultFolder);
    g.defaultFolder = nilhandle;
    return 0;
  }
  u32 dirid = 0;
  std::string path;
  if (folderidofpath(pstringview(s), &dirid) != noErr || pathoffolder(dirid, &path) != noErr) return err::nodocument;
  Handle h = nilhandle;
  if (PtrToHand(path.data(), &h, Size(path.size())) != noErr) return err::nomemory;
  if (g.defaultFolder != nilhandle) DisposeHandle(g.defaultFolder);
  g.defaultFolder = h;
  return 0;
}

// Replaces a text handle of the global state by the value's text (none for an empty text when
// `emptyisnone`).
i16 settext(Handle* field, fred* value, bool emptyisnone) {
  if (emptyisnone && getfredsize(value) == 0) {
    if (*field != nilhandle) DisposeHandle(*field);
    *field = nilhandle;
    return 0;
  }
  Handle h = nilhandle;
  if (i16 st = fredtonewh(value, &h)) return st;
  if (*field != nilhandle) DisposeHandle(*field);
  *field = h;
  return 0;
}

i16 setmenuset(const propctx& c, i32 v, fred* value) {
  MainGlobals& g = mainglobals();
  u16 t = c.tok(v);
  i32 n = 0;
  if (t >= tok::editor1 && t <= tok::editselection && lineends(c, v + 1)) {
    n = 11 + (t - tok::editor1);
  } else if (isword(value, "editSelection")) {
    n = 17;
  } else {
    bool found = false;
    for (i32 k = 1; k <= 6 && !found; ++k) {
      char word[8] = {'e', 'd', 'i', 't', 'o', 'r', char('0' + k), 0};
      if (isword(value, word)) {
        n = 10 + k;
        found = true;
      }
    }
    if (!found) {
      if (i16 st = fredtolong(value, &n)) return st;
      n = std::clamp(n, 1, 10);
    }
  }
  g.menuSet = i16(n - 1);
  if (g.lockMenus == 0) {
    buildmenubar();
    drawmenubar();
  }
  return 0;
}

// The print settings: each goes to the printing services, whose "cannot" is reported in
// `the result` rather than as an error.
i16 setprintword(u16 token, fred* value) {
  Str255 s{};
  fredtostring(value, s);
  i32 n = 0;
  switch (token) {
    case tok::papersize: return maskBadOSVersionErr(setpapersize(s));
    case tok::printer: return maskBadOSVersionErr(setprinter(s));
    case tok::printcopies:
      if (i16 st = fredtolong(value, &n)) return st;
      return maskBadOSVersionErr(setprintcopies(n));
    default: {
      // The orientation is its first word's token.
      Handle valueatoms = nilhandle;
      i16 st = tokenizefred(value, &valueatoms);
      const u16 word = st == 0 ? tokenat(valueatoms, 0) : u16(0);
      if (valueatoms != nilhandle) DisposeHandle(valueatoms);
      if (st != 0) return st;
      return maskBadOSVersionErr(setprintorientation(word));
    }
  }
}

// The case of one property once its value is read.
i16 setcase(const propctx& c, u16 token, i32 v, fred* value) {
  MainGlobals& g = mainglobals();
  if (token == tok::colorworld || token == tok::language) return err::readonly;
  // Evaluated, and nothing stored.
  if (token == tok::multieffect || token == tok::validateuserprops) return 0;
  if (plainswitch(token)) {
    i16* field = globalswitch(token);
    return field ? toboolean(value, field) : i16(err::nosuchproperty);
  }
  if (i16* field = globalswitch(token)) {
    i16 on = 0;
    if (i16 st = toboolean(value, &on)) return st;
    return switcheffect(token, field, on);
  }
  if (plaininteger(token)) {
    i32 n = 0;
    if (i16 st = fredtolong(value, &n)) return st;
    globalinteger(token).set(n);
    return 0;
  }
  for (const limit& l : kLimits) {
    if (l.token != token) continue;
    i32 n = 0;
    if (i16 st = fredtolong(value, &n)) return st;
    n = std::clamp(n, l.low, l.high) - l.shift;
    if (i16* index = globalindex(token)) *index = i16(n);
    else globalinteger(token).set(n);
    return 0;
  }
  i32 n = 0;
  switch (token) {
    case tok::fillback:
    case tok::fillfore:
    case tok::penback:
    case tok::penfore:
      if (i16 st = fredtolong(value, &n)) return st;
      *globalindex(token) = i16((n - 1) & 0xFF);
      return 0;
    case tok::linesize:
      if (i16 st = fredtolong(value, &n)) return st;
      g.penWidth = g.penHeight = i16(std::clamp(n, 0, 1000));
      return 0;
    case tok::tabsize:
      if (i16 st = fredtolong(value, &n)) return st;
      g.tabSize = i16(std::clamp(n, 0, 255));
      resetglobaltabs();
      redrawall();
      return 0;
    case tok::paletteopacity:
      if (i16 st = fredtolong(value, &n)) return st;
      g.paletteOpacity = i16(100 - std::clamp(n, 0, 100));
      checkpalettealpha();
      return 0;
    case tok::appleeventtimeout:
      if (isword(value, "default")) n = -1;
      else if (isword(value, "forever")) n = -2;
      else if (i16 st = fredtolong(value, &n)) return st;
      g.appleEventTimeout = n;
      return 0;
    case tok::audiovolume: return err::notbuilt;
    case tok::backcolor: return err::badcolour;
    case tok::idleticks:
      // The next idle time moves to now plus the new value.
      if (i16 st = fredtolong(value, &n)) return st;
      g.idleTicks = n;
      g.nextidle = TickCount() + u32(std::max(n, 0));
      return 0;
    case tok::buffermode: {
      Str255 s{};
      fredtostring(value, s);
      i16 depth = 0;
      if (i16 st = stringtomode(s, &depth)) return st;
      // The offscreen world is made again at that depth; the depth counts only when it is.
      if (GetOffScreenWorld() != nilid && ChangeOffScreenDepth(depth) == 0) return 0;
      g.bufferMode = depth;
      return 0;
    }
    case tok::defaultfolder: return setdefaultfolder(value);
    case tok::editorname: {
      Str255 s{};
      fredtostring(value, s);
      seteditorname(s);
      return 0;
    }
    case tok::filetype: {
      char type[8];
      std::memset(type, '?', sizeof type);
      Size size = std::min<Size>(getfredsize(value), 8);
      std::memcpy(type, fredaddr(value), size_t(size));
      Handle h = nilhandle;
      if (PtrToHand(type, &h, 8) != noErr) return err::nomemory;
      if (g.fileType != nilhandle) DisposeHandle(g.fileType);
      g.fileType = h;
      return 0;
    }
    case tok::itemdel:
    case tok::linedel:
    case tok::worddel: {
      u16 ch = 0;
      if (i16 st = getchardel(value, &ch)) return st;
      (token == tok::itemdel ? g.itemDelimiter : token == tok::linedel ? g.lineDelimiter : g.wordDelimiter) = ch;
      return 0;
    }
    case tok::menuset: return setmenuset(c, v, value);
    case tok::numberformat: {
      if (i16 st = fredtohand(value, g.numberformat)) return st;
      decodeformat();
      return 0;
    }
    case tok::printlabel: return settext(&g.printLabel, value, true);
    case tok::quartztext: return err::notbuilt;  // no system text-rendering switch to change
    case tok::recogphrases: return setphrases(value);
    case tok::translucentdragopacity: {
      Str255 w{};
      firstword(value, w);
      static constexpr std::array<std::pair<const char*, i16>, 6> words{
          {{"maximum", 3}, {"high", 2}, {"medium", 1}, {"normal", 1}, {"low", 0}, {"minimum", 0}}};
      for (const auto& [word, code] : words) {
        Str255 ww{};
        setpstring(ww, word);
        if (myequalstring(w, ww)) {
          g.translucentDragOpacity = code;
          return 0;
        }
      }
      return err::unknownsetting;
    }
    case tok::backdrop: return setbackdrop(value);
    case tok::cursor: return setcursorvalue(*value);
    case tok::defaultcursor: return findefaultcurs(*value, 1);
    case tok::papersize:
    case tok::printer:
    case tok::printcopies:
    case tok::printorientation: return setprintword(token, value);
    default: return err::nosuchproperty;
  }
}

}  // namespace

KV_SETTER(setglobal) {
  propctx c{path, text, atoms, variables, nilhandle};
  i32 i = at;
  if (isthe(c, i)) ++i;
  if (c.tok(i + 1) != tok::to) return err::notoorof;
  const i32 v = i + 2;
  if (refusedinplugin(token) && pluginmode()) return err::pluginproperty;
  // The dock menu reads its menu reference itself.
  if (token == tok::dockmenu) return setdockmenu(path, atoms, v, text, variables);
  if (token < tok::papersize || token > tok::wysiwygfontmenu) return err::nosuchproperty;
  MainGlobals& g = mainglobals();
  // Values read as points.
  if (token == tok::windowlimit || token == tok::audiovolume || token == tok::transitionloc) {
    i16 h = 0, vv = 0;
    i32 used = 0;
    if (i16 st = getloc(c, v, &used, &h, &vv)) return st;
    if (!lineends(c, v + used)) return err::stray;
    if (token == tok::audiovolume) return err::notbuilt;
    if (token == tok::transitionloc) {
      g.transitionLoc = Point{vv, h};
      return 0;
    }
    return setwindowlimit(std::max(h, kMinimumWindowSize), std::max(vv, kMinimumWindowSize));
  }
  if (token == tok::printrange) {
    // `all`, or the first and last page.
    i32 first = 0, last = 0;
    if (c.tok(v) == tok::all) {
      if (!lineends(c, v + 1)) return err::stray;
    } else {
      i16 h = 0, vv = 0;
      i32 used = 0;
      if (i16 st = getloc(c, v, &used, &h, &vv)) return st;
      if (!lineends(c, v + used)) return err::stray;
      first = h;
      last = vv;
    }
    return maskBadOSVersionErr(setprintrange(first, last));
  }
  if (token == tok::soundvolume) {
    i16 left = 0, right = 0;
    i32 used = 0;
    i16 st = getloc(c, v, &used, &left, &right);
    if (st == err::nocomma) {
      fred value;
      if ((st = readvalue(c, v, &value))) return st;
      i32 n = 0;
      st = fredtolong(&value, &n);
      disposfred(&value);
      if (st != 0) return st;
      left = right = i16(std::clamp(n, -32768, 32767));
    } else if (st != 0) {
      return st;
    } else if (!lineends(c, v + used)) {
      return err::stray;
    }
    u32 l = u32(std::clamp<i32>(left, 0, 256)), r = u32(std::clamp<i32>(right, 0, 256));
    g.soundVolume = l | (r << 16);
    SetDefaultOutputVolume(l << 16 | r);
    return 0;
  }
  if (token == tok::serialcontrol) {
    // One expression holding the whole list is read from its own text.
    fred value;
    i32 used = 0;
    if (i16 st = expression(path, text, atoms, v, variables, nilhandle, &used, &value)) return st;
    if (!lineends(c, v + used)) {
      disposfred(&value);
      return setserial(c, v);
    }
    Handle valueatoms = nilhandle;
    i16 st = tokenizefred(&value, &valueatoms);
    if (st == 0) st = setserial(propctx{path, value.text, valueatoms, variables, nilhandle}, 0);
    if (valueatoms != nilhandle) DisposeHandle(valueatoms);
    disposfred(&value);
    return st;
  }
  fred value;
  i32 used = 0;
  if (i16 st = expression(path, text, atoms, v, variables, nilhandle, &used, &value)) return st;
  if (token != tok::backdrop && !lineends(c, v + used)) {
    disposfred(&value);
    return err::stray;
  }
  i16 st = setcase(c, token, v, &value);
  disposfred(&value);
  return st;
}

KV_SETTER(setglobaltext) {
  propctx c{path, text, atoms, variables, nilhandle};
  i32 i = at;
  if (isthe(c, i)) ++i;
  if (c.tok(i + 1) != tok::to) return err::notoorof;
  fred value;
  i16 st = readlistvalue(c, i + 2, &value);
  if (st != 0) return st;
  MainGlobals& g = mainglobals();
  Str255 s{};
  fredtostring(&value, s);
  i32 n = 0;
  switch (token) {
    case tok::textalign: {
      i16 code = 0;
      st = getalign(&value, &code);
      if (st == 0) g.textAlign = code;
      break;
    }
    case tok::textfont: g.textFont = GetFNum(s); break;
    case tok::textheight:
      if (isword(&value, "auto")) {
        g.textHeight = -1;
      } else if ((st = fredtolong(&value, &n)) == 0) {
        g.textHeight = i16(std::clamp(n, 5, 200));
      }
      break;
    case tok::textsize:
      if ((st = fredtolong(&value, &n)) == 0) g.textSize = i16(std::clamp(n, -1, 32767));
      break;
    case tok::textstyle: {
      u16 bits = 0;
      st = getstylewords(s, &bits);
      if (st == 0) g.textStyle = i16(bits);
      break;
    }
    default: st = err::readonly; break;
  }
  disposfred(&value);
  return st;
}

}  // namespace kv
