// Start-up of the global state record: start values of the bookkeeping fields and of every
// global property, and the handles the record owns. The steps run in a fixed order; the
// parts of each step that belong to subsystems not yet present join at their place.
#include <cstring>
#include <string>

#include "engine/hier.h"
#include "engine/keywords.h"
#include "engine/lookups.h"
#include "engine/numbertext.h"
#include "engine/objectutil.h"
#include "engine/runblock.h"
#include "platform/events/events.h"
#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/prefs/bundle.h"
#include "platform/process/gestalt.h"
#include "platform/qd/random.h"
#include "platform/text/intl.h"
#include "platform/text/macroman.h"
#include "platform/windows/screens.h"
#include "render/themebuttons.h"
#include "shell/fieldputting.h"
#include "core/mainglobals.h"
#include "system/appleevents.h"
#include "shell/menusets.h"
#include "shell/newscript.h"
#include "shell/platformutil.h"
#include "core/settings.h"
#include "shell/volumes.h"
#include "system/externals.h"
#include "system/nativecall.h"
#include "system/remoteprocs.h"
#include "shell/startup.h"
#include "shell/menus.h"
#include "render/carddrawing.h"

namespace kv {

namespace {

constexpr i16 kNoMemory = 37;

// A new handle holding the bytes of a text; false when memory runs out.
bool newtext(Handle* h, const char* text) {
  Size n = Size(std::strlen(text));
  *h = NewHandle(n);
  if (*h == nilhandle) return false;
  std::memcpy(deref(*h), text, size_t(n));
  return true;
}

bool newblock(Handle* h, Size size) {
  *h = NewHandleClear(size);
  return *h != nilhandle;
}

// A folder's id (0 when it cannot be named).
u32 folderid(const std::string& utf8path) {
  u32 id = 0;
  return folderidofpath(filenametomacroman(utf8path), &id) == noErr ? id : 0;
}

// Whether the text services are there.
bool textservicespresent() {
  i32 v = 0;
  return Gestalt(fourcc("tsmv"), &v) == noErr && v > 0;
}

u32 standardfolderid(StandardFolder which) {
  std::string path;
  return standardfolder(which, &path) ? folderid(path) : 0;
}

// Steps 1-4: the settings record, text services, screen facts, the application's folder and
// the standard folders.
bool platformfacts(MainGlobals& g) {
  g.runningosx = 1;
  if (loadsettings() != 0) return false;
  g.quicktimepresent = 1;
  remoterequeststate().remoterequests = remoterequestsallowed() ? 1 : 0;
  g.tabSize = 36;
  // With text services, the text services document and the text engine's inline-input
  // handlers join here.
  startupfacts().menubarheight = GetMBarHeight();
  Rect screen = screenbounds(0);
  startupfacts().screenrect = Rect{i16(screen.top + startupfacts().menubarheight), screen.left, screen.bottom,
                                   screen.right};
  startupfacts().defaultwindowrect = Rect{20, 20, i16(startupfacts().screenrect.bottom - 4),
                                          i16(startupfacts().screenrect.right - 4)};
  setrandseed(i32(TickCount()));
  std::string app;
  if (applicationfolder(&app)) g.appfolder = folderid(app);
  // Every folder lies on the one volume of the POSIX tree.
  g.programvolume = kBootVolume;
  g.tempfolder = standardfolderid(StandardFolder::temporary);
  if (g.tempfolder == 0) g.tempfolder = g.appfolder;
  g.desktopfolder = standardfolderid(StandardFolder::desktop);
  g.homefolder = standardfolderid(StandardFolder::home);
  g.documentsfolder = standardfolderid(StandardFolder::documents);
  if (g.documentsfolder != 0) addir(kBootVolume, g.documentsfolder);
  return true;
}

// Step 5: engine and window bookkeeping. The help-balloon state, serial configuration, find
// box, empty script, clipboards, card lists and print settings join here.
bool bookkeeping(MainGlobals& g) {
  g.erroroffset = -1;
  g.openfield = -1;
  g.smoothtext = 1;  // glyphs are anti-aliased: inverting them would not restore them
  g.bmapindex = -1;
  g.graphindex = -1;
  drawnobjectstate().drawnindex = -1;
  g.mouseobject = -1;
  g.calllevel = -1;
  g.repeatindex = -1;
  g.switchindex = -1;
  g.numwinds = 0;
  g.invisibleblocked = 0;
  g.printdialogmode = 0;
  g.printflags = 0;
  shellmenustate().menubarmaybedrawn = 1;
  g.localDelimiters = 1;
  g.idleControls = 1;
  g.findbox = Rect{32767, 32767, -32768, -32768};
  g.emptyscript = newscript(scriptempty);
  return g.emptyscript != nilhandle && newblock(&g.winds, 0) && newblock(&g.result, 0) && newblock(&g.globalvars, 0);
}

// Step 6: the interpreter's tables and texts, and the paint settings' reset values. The
// call-level stack and the untoken table join here.
bool interpretertables(MainGlobals& g) {
  initformat();
  lowreset();
  // The system's decimal point, which stringtodouble reads as '.'.
  g.decimalpoint = intlsettings().decimalpoint;
  return g.numberformat != nilhandle && newtext(&g.fileType, "ttxtTEXT");
}

// Step 7: the global properties; then the keyword hash table. The message-path slots, the
// externals registry, the clipboard and the request handlers follow it; the menu sets come
// right after the hash table.
void globalproperties(MainGlobals& g) {
  g.colorWorld = 1;
  g.allowPalettes = 1;
  g.powerKeys = 0;
  g.userLevel = 5;
  g.dragSpeed = 0;
  g.editMenus = 1;
  g.lockMenus = 1;
  g.textArrows = 0;
  g.lockRecent = 0;
  g.lockCursor = 0;
  g.idleTicks = 0;
  g.remapColor = 1;
  g.createPaint = 1;
  g.blindTyping = 0;
  g.editScripts = 1;
  g.lockMessages = 0;
  g.allowInterrupts = 1;
  g.allowKeyInField = 0;
  g.allowFieldRedraw = 0;
  g.allowModal = 1;
  g.allowEmptyPaint = 0;
  g.lockErrorDialogs = 0;
  g.movieIdle = 0;
  g.bufferMode = 0;  // the offscreen depth, once the offscreen world is made
  g.multiEffect = 0;
  g.streamBuffer = 8192;
  g.streamRate = 0;
  g.streamMode = 0;
  g.allowDragAndDrop = 0;
  g.allowMouseWithin = 1;
  g.allowMouseMessages = 1;
  g.modernLook = 1;
  g.hasAppearanceManager = 1;  // the platform layer draws theme elements and does drags
  g.hasDragManager = 1;
  g.wysiwygFontMenu = 0;
  g.showFocusRects = 1;
  g.allowDragExport = 1;
  g.allowObjectCursors = 0;
  bool tsm = textservicespresent();
  g.allowTextServices = tsm ? i16(currentsettings().textservices) : i16(0);
  g.allowInlineInput = tsm ? 1 : 0;
  g.allowListenModes = 1;
  g.allowFavoriteFlavors = 0;
  g.bgSleepTime = 50;
  g.fgSleepTime = 2;
  g.scriptCache = 31;
  g.objectCache = 40;
  g.pictCache = 20;
  g.dontHidePalettes = 0;
  g.transtep = 6;
  g.trandelay = 0;
  g.singleWindowLayer = 0;
  g.allowAutomaticFlavors = 1;
  g.progressTicks = 3;
  g.validateUserProps = 0;
  g.dialingTime = 400;
  g.bgScriptTime = 5;
  g.fgScriptTime = 90;
  g.fieldScrollStep = 10;
  g.cardScrollStep = 20;
  g.proportionalScrolling = 1;
  g.quartzPicts = 0;
  g.translucentDragLimit = 1048576;
  g.allowLaunchArguments = 1;
  g.appleEventTimeout = -1;
  g.itemDelimiter = ',';
  g.wordDelimiter = ' ';
  g.lineDelimiter = 13;
  g.allowToolTips = 0;
  g.allowDoubleClick = 0;
  g.showGroups = 0;
  g.explicitVars = 0;
  g.intlCompare = 0;
  g.allowTransitions = 0;
  g.userModify = 0;
  g.allowDeleteCardMessages = 0;
  g.refreshInsertedScripts = 0;
  g.serialControl = 0x14C01;
  g.translucentDragOpacity = 1;
  g.paletteOpacity = 0;
  g.soundVolume = 0x01000100;
  Rect screen = screenbounds(0);
  g.windowLimit = Point{i16(screen.bottom - screen.top), i16(screen.right - screen.left)};
}

// Steps 8-10: the settings words that override the defaults. (Speech, movies and the
// externals' view of the record join here.)
void settingswords(MainGlobals& g) {
  settingsrec s = currentsettings();
  g.openResourceForks = s.resourceforks != 0 ? 1 : 0;
  g.dontLimitWindows = s.limitwindows == 0 ? 1 : 0;
}

// Step 11: the interpreter's queues. Contextual menus, the Services handlers, the volume list
// and the externals' information table join here.
bool queues(MainGlobals& g) {
  startupfacts().hasContextualMenus = hasContextualMenus();
  startupfacts().hasAltiVec = IsAltiVecAvailable();
  buildvolumelist();
  return newblock(&g.repeatque, queueblock * Size(sizeof(repeatentry))) &&
         newblock(&g.switchque, queueblock * Size(sizeof(switchentry))) && newblock(&g.calllevels, 0);
}

}  // namespace

i16 initglobs() {
  MainGlobals& g = mainglobals();
  if (!platformfacts(g)) return kNoMemory;
  if (!bookkeeping(g)) return kNoMemory;
  if (!interpretertables(g)) return kNoMemory;
  globalproperties(g);
  // An overflowing hash table is reported to the console and the start goes on.
  if (hashtokens() == kNoMemory) return kNoMemory;
  if (initmenusets() != 0) return kNoMemory;
  settingswords(g);
  if (!queues(g)) return kNoMemory;
  initxcmdinfo();
  initxrtns();
  inithandlers();
  installfieldputting();
  return inithiers();
}

}  // namespace kv
