#include "shell/startup.h"

#include <algorithm>
#include <string>

#include "engine/objectsend.h"
#include "engine/objectutil.h"
#include "engine/scripterror.h"
#include "engine/scripterrors.h"
#include "engine/sendmes.h"
#include "engine/variables.h"
#include "fields/listfields.h"
#include "platform/events/events.h"
#include "platform/events/handlers.h"
#include "platform/events/watchdog.h"
#include "platform/memory/memory.h"
#include "platform/prefs/bundle.h"
#include "platform/process/exit.h"
#include "platform/process/gestalt.h"
#include "platform/resources/resources.h"
#include "platform/runtime/bigstack.h"
#include "platform/te/te.h"
#include "platform/text/macroman.h"
#include "platform/text/pstring.h"
#include "platform/qd/colors.h"
#include "platform/qd/ports.h"
#include "platform/windows/cursor.h"
#include "platform/windows/palettes.h"
#include "platform/windows/screens.h"
#include "platform/windows/windows.h"
#include "render/controlvisibility.h"
#include "render/offscreen.h"
#include "shell/commandline.h"
#include "core/dialogs.h"
#include "shell/engineservices.h"
#include "shell/eventqueue.h"
#include "core/mainglobals.h"
#include "shell/mousewheel.h"
#include "shell/mainloop.h"
#include "shell/platformutil.h"
#include "core/settings.h"
#include "shell/textentry.h"
#include "store/scrapflip.h"
#include "system/appleevents.h"
#include "system/externalevents.h"
#include "system/proctable.h"
#include "system/sysinfo.h"
#include "system/windowkind.h"
#include "textengine/werecord.h"
#include "tools/services.h"

namespace kv {

namespace {

constexpr i16 kMessages = 1000;
constexpr i16 kSystemTooOld = 1;
constexpr i16 kNoMemoryToStart = 2;
constexpr i16 kCannotStart = 23;
constexpr i16 kCarbonLibTooOld = 22;
constexpr Size kWorkBlock = 6000;
constexpr Size kMemoryProbe = 500000;
constexpr i16 kArgumentTooLong = 14;
constexpr i32 kStackFloor = 262144;
constexpr i32 kAttentionTimeout = 108000;  // ticks the program may wait to come forward
constexpr i64 kStackReserveBytes = 65536;
// The start-up wait looks for the desktop's requests this often (it takes them at once when
// they come).
constexpr u32 kStartupWaitTicks = 30;

// Message box placement.
constexpr i16 kMessageWidth = 550;
constexpr i16 kMessageTop = 44;    // above the screen's bottom
constexpr i16 kMessageBottom = 7;  // above the screen's bottom

Rect messagebounds(const Rect& screen) {
  i16 left = i16(screen.left + ((screen.right - screen.left) - kMessageWidth) / 2);
  return Rect{i16(screen.bottom - kMessageTop), left, i16(screen.bottom - kMessageBottom), i16(left + kMessageWidth)};
}

// A start-up message (entry of string list 1000) with an empty parameter text.
void startupmessage(i16 index) {
  const u8 empty[1] = {0};
  ParamText(empty, nullptr, nullptr, nullptr);
  domessage(kMessages, index, stopalert);
}

[[noreturn]] void refuse(i16 index, const char* reason) {
  startupmessage(index);
  exitprocess(kExitFailure, reason);
}

// Sends one launch argument as a message: to the current card, forced past lockMessages, or,
// with no window open, in the empty context as a command line's request runs.
i16 sendargument(std::string_view text) {
  WindowRef w = mainglobals().current.window;
  if (w != nilid) return cardsend(text, sendforced, w);
  Handle vars = NewHandle(0);
  if (vars == nilhandle) return err::nomemory;
  i16 st = xcomsend(text, vars, sendmescommand);
  dumpvars(vars);
  return st;
}

void sendarguments(const std::vector<std::string>& args) {
  if (args.size() < 2 || !mainglobals().allowLaunchArguments) return;
  for (size_t i = 1; i < args.size(); ++i) {
    if (i == 1 && args[i].rfind("-psn_", 0) == 0) continue;
    std::string text = utf8tomacroman(args[i]);
    if (text.size() > 255) {
      doerror(kArgumentTooLong);
      return;
    }
    if (text.empty()) continue;
    // A failing argument ends the sending; the send reported its error itself.
    if (sendargument(text) != 0) return;
  }
}

// The launch arguments as the global state keeps them: each but the last followed by a
// return (the program's name is not one of them).
void storearguments(const std::vector<std::string>& args) {
  MainGlobals& g = mainglobals();
  std::string text;
  for (size_t i = 1; i < args.size(); ++i) {
    if (i > 1) text += '\r';
    text += utf8tomacroman(args[i]);
  }
  if (g.launchArguments != nilhandle) DisposeHandle(g.launchArguments);
  g.launchArguments = nilhandle;
  PtrToHand(text.data(), &g.launchArguments, Size(text.size()));
}

// Takes only the desktop's requests until a window is open.
void waitforwindow() {
  MainGlobals& g = mainglobals();
  LoopScope scope("waiting for a project to open");
  while (g.numwinds < 1) {
    eventloopstate().inmainloop = 0;
    sendxrtnposted();
    EventRecord e{};
    EventMask mask = eventloopstate().inmainloop ? EventMask(highLevelEventMask | osMask)
                                                 : EventMask(highLevelEventMask);
    bool got = WaitNextEvent(mask, &e, kStartupWaitTicks);
    forgetscriptstop();
    if (!got) continue;
    if (e.what == osEvt) {
      if ((e.message >> 24) == suspendResumeMessage) mfswitch(u16(e.message & resumeFlag));
      continue;
    }
    g.event = e;
    doapplevent(e);
  }
}

// Platform facts of step 4: text services.
void textservices() {
  MainGlobals& g = mainglobals();
  i32 v = 0;
  g.hasTextServices = Gestalt(fourcc("tsmv"), &v) == noErr && v > 0 ? 1 : 0;
  g.hasTSMTE = 0;
  if (g.hasTextServices && Gestalt(fourcc("tsma"), &v) == noErr) g.hasTSMTE = i16(v & 1);
}

}  // namespace

u32 stackbudgetfor(i64 soft, i64 hard, i64* raised) {
  constexpr i64 kUnlimited = i64(0x7FFFFFFF);
  if (soft < 0) soft = kUnlimited;
  if (hard < 0) hard = kUnlimited;
  i64 set = std::max(soft, hard / 4);
  if (raised) *raised = set;
  i64 budget = std::min(set, kUnlimited) - kStackReserveBytes;
  return u32(std::max<i64>(budget, kStackFloor));
}

i16 systemrefusal(u16 sysversion, i32 carbonlib) {
  if (sysversion < 0x0860) return kSystemTooOld;
  if (sysversion <= 0x0FFF) return carbonlib >= 0x0160 ? 0 : kCarbonLibTooOld;
  if (sysversion <= 0x101F) return kSystemTooOld;
  return 0;
}

i16 createoffscreenat(i16 depth, i16 (*create)(i16)) {
  if (create(depth)) return depth;
  constexpr i16 kFallback[] = {32, 16, 8, 1};
  for (i16 d : kFallback) {
    if (d >= depth && (depth == 1 || depth == 8 || depth == 16 || depth == 32)) continue;
    if (create(d)) return d;
  }
  return 0;
}

void installcarbonhandlers() {
  // The dock menu's commands, a window's collapse and expansion and the disk events, from
  // their slots of the procedure table. The mouse wheel handler joins with its routine.
  const EventTypeSpec commands[1] = {{kEventClassCommand, kEventProcessCommand}};
  InstallApplicationEventHandler(getproc<350>(), 1, commands, 0, nullptr);
  const EventTypeSpec collapsing[2] = {{kEventClassWindow, kEventWindowCollapsed},
                                       {kEventClassWindow, kEventWindowExpanded}};
  InstallApplicationEventHandler(getproc<395>(), 2, collapsing, 0, nullptr);
  const EventTypeSpec zooms[1] = {{kEventClassWindow, kEventWindowZoom}};
  InstallApplicationEventHandler(getproc<335>(), 1, zooms, 0, nullptr);
  const EventTypeSpec volumes[2] = {{kEventClassVolume, kEventVolumeMounted},
                                    {kEventClassVolume, kEventVolumeUnmounted}};
  InstallApplicationEventHandler(getproc<451>(), 2, volumes, 0, nullptr);
  const EventTypeSpec wheel[1] = {{kEventClassMouse, kEventMouseWheelMoved}};
  InstallApplicationEventHandler(PeditRThandlemousewheelproc, 1, wheel, 0, nullptr);
  installservicehandlers();
}

void initmes() {
  MainGlobals& g = mainglobals();
  // The window's creation runs no callback of ours here, so the global state needs no saving
  // around it.
  CTabHandle standard = GetCTable(8);
  g.palette = NewPalette(256, standard, pmTolerant, 0);
  g.palette2 = NewPalette(2, nilhandle, pmTolerant, 0);
  DisposeCTable(standard);
  Rect r = messagebounds(screenbounds(0));
  WindowRef w = nilid;
  WindowAttributes attributes = kWindowCloseBoxAttribute | kWindowCollapseBoxAttribute | kWindowSideTitlebarAttribute;
  if (CreateNewWindow(kFloatingWindowClass, attributes, &r, &w) != noErr) return;
  Rect available{};
  GetAvailableWindowPositioningBounds(greatestareascreen(r), &available);
  Rect placed = messagebounds(available);
  MoveWindow(w, placed.left, placed.top, false);
  BringToFront(w);
  SetPalette(w, g.palette, true);
  SetWindowKind(w, kindmessagebox);
  g.msgwindow = w;
  // The text record: a line from 14 to 1064 across, 3 to 19 down, broken only at returns and
  // drawn through the grouped-text routine. The status line starts empty and the next key
  // replaces the whole text.
  {
    SavePort saved;
    SetPortWindowPort(w);
    const Rect line{3, 14, 19, 1064};
    g.msgtext = TENew(&line, &line);
  }
  teconfigure(1, g.msgtext);
  g.msgstatus[0] = 0;
  g.msginactive = 1;
}

void finderfile() {
  MainGlobals& g = mainglobals();
  if (currentsettings().standalone == 0) {
    inithome();
    return;
  }
  g.editScripts = 0;
  g.allowInterrupts = 0;
  std::string folder;
  if (!applicationfolder(&folder)) startuperror(fnfErr);
  i16 st = openprojectpath(folder + "/Resources/main.kv45", 1);
  if (st != 0) startuperror(st);
  doresources(g.current.store, true);
}

void startuperror(i16 status) {
  Str255 title{}, text{};
  GetIndString(title, kMessages, 12);
  scripterrortext(status, text);
  ParamText(text, nullptr, nullptr, nullptr);
  SetCursor(&arrowcursor());
  // The user's attention, for as long as the program may wait to come forward (there is no
  // external event of this number to send).
  notify(kAttentionTimeout);
  domessage(kMessages, kCannotStart, stopalert);
  std::string reason = macromantoutf8(pstringview(title)) + ": " + macromantoutf8(pstringview(text));
  dumpglobs(1);
  exitprocess(kExitFailure, reason);
}

int startup(const StartupOptions& options) {
  MainGlobals& g = mainglobals();
  // 1. The global state starts cleared (the runtime root makes it so).
  // 2. The recursion budget: the run thread's stack less 64 KB.
  startupfacts().stackbudget = stackbudgetfor(i64(kBigStackSize), i64(kBigStackSize), nullptr);
  // 3. The work block.
  g.workblock = NewHandleClear(kWorkBlock);
  // 4-6. Text services, the script system's font setting (nothing to force), the creator.
  textservices();
  startupfacts().fontforce = 0;
  startupfacts().creator = fourcc("VIZu");
  // 7. Pending events go; the arrow; the system version.
  FlushEvents(everyEvent, 0);
  InitCursor();
  getenviron();
  // 8. The procedure table, then the global state.
  initcarbonprocs();
  if (initglobs() != 0) refuse(kNoMemoryToStart, "not enough memory to start");
  installweliveparts();                             // the text engine's entries in the store's table of live parts
  installcontrolliveparts();                        // and the buttons' controls'
  installlistliveparts();                           // and the list fields' lists
  installengineservices();                          // the services the interpreter calls between statements
  installscrapflippers();                           // the program's own clipboard flavours cross in outside order
  if (g.allowTextServices) WEInstallTSMHandlers();  // input methods reach the text records
  storearguments(options.arguments);
  g.startupword = 1;
  // 9. The system check.
  i32 carbonlib = 0;
  Gestalt(fourcc("cbon"), &carbonlib);
  if (i16 why = systemrefusal(startupfacts().sysversion, carbonlib)) refuse(why, "the system is not supported");
  // 10. The message box. 11. (The scrap is taken over with the clipboards.)
  initmes();
  // 12. Movies.
  g.hasQuickTime = initquicktime();
  g.hasQTVRManager = hasqtvr();
  g.multiEffect = 0;
  // 13. The memory probe.
  Handle probe = NewHandle(kMemoryProbe);
  if (probe == nilhandle) {
    exitquicktime();
    refuse(kNoMemoryToStart, "not enough memory to start");
  }
  // 14. The card offscreen world at the screen's depth and size, or the settings' own.
  settingsrec s = currentsettings();
  i16 depth = s.depth != 0 ? i16(s.depth) : screendepth(0);
  Rect bounds = screenbounds(0);
  if (s.width != 0) {
    bounds.right = i16(bounds.left + s.width);
    startupfacts().offwidth = i16(s.width);
  }
  if (s.height != 0) {
    bounds.bottom = i16(bounds.top + s.height);
    startupfacts().offheight = i16(s.height);
  }
  SetOffScreenBounds(bounds);
  i16 made = createoffscreenat(depth, CreateOffScreen);
  if (made == 0) {
    DisposeHandle(probe);
    exitquicktime();
    refuse(kNoMemoryToStart, "no offscreen world could be made");
  }
  g.bufferMode = made;
  // 15.
  DisposeHandle(probe);
  // 16. The platform's event handlers.
  installcarbonhandlers();
  // 18. The front-process state and the menu bar's visibility.
  checkfront();
  if (options.launchrequest) postlaunchrequest(options.documents);
  // 19. The start project.
  finderfile();
  // 20. A first window.
  if (options.waitforwindow) waitforwindow();
  // 21. The launch arguments.
  sendarguments(options.arguments);
  g.startupword = 0;
  return 0;
}

}  // namespace kv
