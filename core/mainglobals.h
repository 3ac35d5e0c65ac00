// The runtime's record of shared global state: what several subsystems read and write. Start-up
// fills it (initglobs) and the end of the run releases what it owns (dumpglobs). A runtime
// reset releases it as well.
//
// A field that one module alone owns lives in that module's own state struct (reached through
// state<T>(), see core/README.md), not here. Fields here are grouped by the part of the system
// they belong to. Add a field to its group; give it the start value in initglobs
// (shell/initglobs.cpp) and, when it owns a handle, release it in releaseglobs. Property fields
// carry the property's own name.
#pragma once

#include "platform/events/eventrecord.h"
#include "platform/runtime/root.h"
#include "platform/types.h"
#include "core/desk.h"
#include "core/menusets.h"

namespace kv {

// A visual effect waiting for the next change of card: its name (the text the script gave; the
// queue owns the handle), its speed (0 very fast, 2 fast, 4 slow, 6 very slow, or a duration in
// ticks) and the image it ends on (0 black, 1 the card, 2 gray, 3 inverse, 4 white).
struct effectrec {
  Handle name;
  u16 speed;
  u16 target;
};
constexpr int kMaxEffects = 10;

struct MainGlobals {
  // --- Window table and current window context -------------------------------------------
  desk current;          // the current desk (not a pointer into the table)
  i16 numwinds;          // open project windows
  Handle winds;          // handle of `desk` records, exactly numwinds long
  RegistryId msgwindow;  // the message box window
  RegistryId msgtext;    // the message box's text-edit record
  RegistryId palette;    // the colour palette (256 entries, the message box's and the front
                         // window's; RegType::palette), made by initmes
  RegistryId palette2;   // a 2-entry palette kept for later use
  Handle msgpending;     // text put into the message box, waiting for "putMessage"
  u8 msgstatus[256];     // the message box's status line (a length-prefixed string)
  u16 msginactive;       // the box's text is shown unselected: the next key first selects it all
  i16 msgfieldfocus;     // a field took the keyboard from the message box (its text shows
                         // inactive until the box is clicked)
  u32 scrapcount;        // the system clipboard's change count when last synchronised
  i16 mouseobject;       // object under the mouse (-1 none)
  Handle mousespots;     // its object list (not owned here)
  Handle objectcursor;   // the cursor the object under the mouse set: none, a cursor handle,
                         // or kArrowCursorMarker (the arrow, never disposed)
  Handle defaultcursor;  // the defaultCursor: none, a cursor handle or kArrowCursorMarker
  u32 busycursordue;     // the tick the busy-cursor task next runs at (0: not running)
  i16 busycursorstep;    // raised by the task: the statement loop advances the busy cursor
  RegistryId tooltip;    // the tool-tip window (none while no tip is up)
  u64 layerchanges;      // raised whenever windows open, close or change card and whenever
                         // objects are cut, cleared or re-layered: a tracking loop that sees
                         // it move stops
  i16 startupword;       // 0 normal, 1 start-up in progress, 2 start-up with "shareInit" sent
  Handle recentlist;     // the cards visited, newest first (long id texts back to back)
  Handle forwardlist;    // the cards left by `go back`, newest first, for `go forth`
  Handle pushlist;       // the cards pushed by `push`, newest first, for `pop card`
  Handle volumelist;     // the mounted volumes (volentry, shell/volumes.h), in mount order
  u16 invisibleblocked;  // set: `open invisible` shows the window and `close printing` is refused
  u16 printdialogmode;   // the print-dialog mode: 0 both dialogs, bit 0 (1) no dialog at all,
                         // bit 1 (2) no page-setup dialog (media/print.h)
  u32 printflags;        // the print flags word of `print` and held jobs (media/print.h)

  // --- Menu sets ---------------------------------------------------------------------------
  menuset menusets[kMenuSets];
  i16 menuSet;          // the current set, 0-based
  menuline dockmenu;    // the dock menu's line (its store 0 while there is none)
  RegistryId fontmenu;  // the font menu, made on first use and kept for the run
  i16 fontmenuinfonts;  // the font menu's items are drawn in their own fonts

  // --- Event state -------------------------------------------------------------------------
  EventRecord event;  // the current event, as the main loop fetched it
  i16 notfront;       // not the front process
  i16 menubarvisible;
  i16 doubleclick;
  Point clickloc;       // where the last click in a card window went (local)
  i16 contextualclick;  // the click is a contextual-menu click (cleared after every event and
                        // by the built-in contextClick)
  i16 polyinprogress;   // a polygon creation is under way (cleared at every null event)
  i16 simulatedclick;   // the click and drag commands are running the tool dispatcher
  u32 dragref;
  i16 updating;          // set while a window is redrawn for its update event
  i16 quitting;          // set once the program has begun to quit
  i16 fromeditor;        // the companion editor started the program (its hand-over was fresh)
  i16 flushwanted;       // a window buffer waits to be flushed by the next pass
  i16 abortkey;          // the abort key was seen
  Handle internalqueue;  // the internal event queue: EventRecords, oldest first
  u32 nextidle;          // the tick at which the front window's next "idle" is due
  Rect findbox;          // the box around the last found text (empty: inverted extremes)

  // --- The last click (its place: clickloc) and the last find ------------------------------
  Handle clickline;  // the line, text and chunk clicked in a field (none: empty)
  Handle clicktext;
  Handle clickchunk;
  i16 clicktaken;      // a click function took a mouse-down from the event queue
  u16 clickobjectack;  // raised before "clickFieldObject"; the built-in clears it
  Handle foundtext;    // what the last find found (none: empty)
  Handle foundfield;
  Handle foundline;
  Handle foundchunk;
  Handle foundwindow;
  u64 textchanges;  // raised by every change of field text that a script or the user makes
                    // (and by sort): a find that sees it move starts afresh

  // --- Interpreter state -------------------------------------------------------------------
  i16 calllevel;         // start -1
  i16 senddepth;         // send nesting depth
  i16 repeatindex;       // start -1
  i16 switchindex;       // start -1
  i16 trydepth;          // running try blocks
  i32 erroroffset;       // recorded error position (start -1)
  Handle tokenhash;      // the keyword hash table
  Handle handlerflags;   // the handler-present bytes, one per token
  Handle repeatque;      // 8,192 bytes at start
  Handle switchque;      // 1,024 bytes at start
  Handle calllevels;     // the call-level stack (30 levels at start)
  Handle emptyscript;    // newscript(0)
  Handle result;         // the text of `the result`
  Handle globalvars;     // the global variable list
  Handle numberformat;   // the `numberFormat` text
  u16 decimalpoint;      // the system's decimal point, mapped to "." by stringtodouble
  u64 usecounter;        // last-use stamps of the script, record and picture caches
  i32 unquotedliterals;  // bare words evaluated as literals
  i32 delcount;          // delimiters after the last chunk narrowed (-1: it ends the text)
  i32 addcount;          // delimiters to add before the last chunk narrowed exists
  i16 chunkflag;         // set while a chunk's container is resolved
  i16 memplentiful;      // non-zero: the memory guard is skipped
  i16 runningosx;        // always 1
  i16 twobyte;           // settings word 1: two-byte text
  u32 lastmemreq;        // written by the memory guard
  u32 lastmemavail;
  i16 reopeningwindow;  // a window's flags, title or style are being changed by reopening it
  // The field an RTF file is being read into (its object list, index and window), named while
  // the read runs so that the reader can place the file's pictures; 0 at all other times.
  Handle rtftargetlist;
  i16 rtftargetindex;
  RegistryId rtftargetwindow;
  i16 openresources;        // settings word 13: open the project's resources
  u32 changecounter;        // raised for each new card, background and window
  RegistryId openprojects;  // the newest open project; the others follow through `next`
  Handle dirlist;           // the known folders (dirlistentry), made on first use
  RegistryId sharedstore;   // the shared project, when one is open
  Handle sharedhead;        // and its head record
  i16 kvdebug;              // non-zero: diagnostic messages go to the console
  u32 unpackskip;           // parts that unpacking leaves undecoded (theyMustDie); always 0
  Handle faildescriptor;    // reference text of the object whose script failed first
  Handle target;            // the text of `the target` (none: empty)
  i16 dropunderway;         // set while a drop is being delivered
  u16 dropverdict;          // accept, ignore or refuse, as the receiving script said

  // --- Open field --------------------------------------------------------------------------
  i16 openfield;            // index of the open field (-1 none)
  RegistryId openfieldrec;  // its live text record
  Handle openfieldspots;    // its object list
  RegistryId openfieldwindow;
  u32 openfieldid;            // its object id (a handler that deleted objects cannot shift it)
  RegistryId openfieldstore;  // the store and the card record its changed text marks
  u32 openfieldrecid;
  i16 openfieldlocked;     // the open field was opened with lockText (never by the text tool)
  u16 pasteinprogress;     // 1 while a paste into a text record runs (no tab size changes then)
  u16 styledpaste = 1;     // pastes into text records take the clipboard's styles (0: plain text)
  u16 openfieldchange;     // the kind of the open field's last change (0 none)
  i16 openfieldhold;       // while set, changes of the open field's record leave that kind alone
  u16 fieldchanged;        // the open field's text was typed into since it opened
  u16 typingblock;         // while set, the built-in returnInField types nothing
  i16 fieldobjectstatus;   // the status of the last field-object message
  u32 fieldobjectclicks;   // raised by each double-click field-object message
  Handle pastespots;       // the field being pasted into (set only while the paste runs): its list,
  i32 pasteindex;          // its index
  RegistryId pastewindow;  // and its window
  i16 smoothtext;          // text is anti-aliased: a selection is painted behind it, not inverted
  i16 printingafield;      // a field's text is being printed (never greyed then)
  i16 weupdating;          // a text record's update is being drawn
  i16 nogray;              // text is never drawn greyed while set

  // --- Drawing -----------------------------------------------------------------------------
  i32 lockcount;                   // screen locks in force (lockscreen / unlockscreen)
  Handle currentclut;              // the colour table object colours go through (not owned; 0 none)
  i16 drawingfield;                // set while a field erases its own area (no metal texture then)
  Handle pictbuffers;              // the picture buffer list (none until the first buffer)
  effectrec effects[kMaxEffects];  // the visual effects queued for the next card change, oldest first
  i16 effectcount;

  // --- Card drawing: the objects edited on top of a card, and the drawing flags -----------
  // (the handles are the lists' and tables' own, not owned here)
  Handle openfieldclut;    // the open field's colour table (0 none)
  RegistryId bmapwindow;   // the bitmap being painted: its window,
  Handle bmapspots;        // its object list,
  i16 bmapindex;           // its index (-1 none)
  Handle bmapclut;         // and its colour table (0 none)
  RegistryId graphwindow;  // the text graphic being edited: its window,
  Handle graphspots;       // its object list,
  i16 graphindex;          // its index (-1 none)
  RegistryId graphrec;     // and its live text record
  i16 offwindowdrawing;    // a card or object is drawn into a picture, a movie frame or an export
  i16 imagedrawing;        // a card is drawn for printing, a drag image or a window image
  i16 focussuppressed;     // the tools' click handling holds back the open field's focus ring

  // --- Platform controls of buttons --------------------------------------------------------
  i16 controlidle;  // animated controls want their turn (checkcontrols)
  u32 controlsdue;  // the tick from which they have it next

  // --- Settings record and start-up ------------------------------------------------------
  Handle settings;                          // the 36-byte settings record, host order (core/settings.h)
  u16 scriptfont, scriptsize, scriptstyle;  // settings words 2-4
  Handle workblock;                         // the 6,000-byte work block

  // --- Platform facts measured at start-up ------------------------------------------------
  i16 hasTextServices, hasTSMTE;
  i16 hasQuickTime, hasQTVRManager;
  u32 appfolder;        // folder ids: the program's folder,
  u32 tempfolder;       // the temporary items,
  u32 documentsfolder;  // the user's documents: the default folder for written files
  u32 desktopfolder;
  u32 homefolder;  // the user's home folder

  // --- Global properties -------------------------------------------------------------------
  i16 colorWorld;
  i16 backColor;  // the colour modes' word; while set, `new invisible` is ignored
  i16 allowPalettes;
  i16 grid;
  i16 brush;
  i16 penPat, fillPat;
  i16 penFore;
  i16 penback;
  i16 showPen, filled;
  i16 fillFore;
  i16 fillBack;
  i16 multiple, centered;
  i16 penWidth, penHeight;
  i16 polySides;
  i16 multiSpace;
  i16 powerKeys;
  i16 userLevel;
  i16 dragSpeed;
  i16 editMenus;
  i16 lockMenus;
  i16 textArrows, lockRecent, lockCursor;
  i32 idleTicks;
  i16 remapColor, createPaint;
  i16 blindTyping;
  i16 editScripts;
  i16 lockMessages;
  i16 allowInterrupts;
  i16 allowKeyInField, allowFieldRedraw;
  i16 textSize;
  i16 textFont;
  i16 textStyle;
  i16 textAlign;
  i16 textHeight;
  Handle fileType;
  i16 allowModal;
  i16 allowEmptyPaint;
  i16 lockErrorDialogs, movieIdle;
  Point transitionLoc;  // where window show and hide transitions start (global coordinates)
  i16 bufferMode;
  i16 multiEffect;
  i32 streamBuffer;
  i32 streamRate;
  i16 streamMode;
  i16 allowDragAndDrop;
  i16 allowMouseWithin, allowMouseMessages;
  i16 modernLook;
  i16 hasAppearanceManager;
  i16 hasDragManager;
  i16 wysiwygFontMenu;
  i16 showFocusRects;
  i16 allowDragExport;
  i16 allowObjectCursors;
  i16 allowTextServices;
  i16 allowInlineInput;
  i16 allowListenModes;
  i16 dontLimitWindows;
  i16 allowFavoriteFlavors;
  i32 bgSleepTime;
  i32 fgSleepTime;
  i32 scriptCache;
  i32 objectCache;
  i32 pictCache;
  i16 dontHidePalettes;
  i32 transtep;
  i32 trandelay;
  i16 singleWindowLayer;
  i16 openResourceForks;
  i16 allowAutomaticFlavors;
  i32 progressTicks;
  i16 localDelimiters;
  i16 validateUserProps;
  i16 tabSize;
  i32 dialingTime;
  i32 bgScriptTime;
  i32 fgScriptTime;
  i16 fieldScrollStep;
  i16 cardScrollStep;
  i16 proportionalScrolling;
  i16 idleControls;
  i16 quartzPicts;
  i32 translucentDragLimit;
  i16 allowLaunchArguments;
  i32 appleEventTimeout;
  u16 itemDelimiter, wordDelimiter, lineDelimiter;
  i16 allowToolTips, allowDoubleClick, showGroups, explicitVars, intlCompare, allowTransitions, userModify,
      allowDeleteCardMessages, refreshInsertedScripts;
  i16 plugin;
  u32 serialControl;           // the serial configuration word (start 0x14C01)
  i16 translucentDragOpacity;  // 0 low, 1 normal (start), 2 high, 3 maximum
  i16 allowRecog;              // the speech recognizer runs
  i16 speechCount;             // texts being spoken (items of the speech queue that started)
  i16 paletteOpacity;          // 100 minus the opacity of the palette windows (start 0)
  i16 helpBalloons;
  u32 soundVolume;           // the output volume: left level in the low, right in the high 16 bits
  Point windowLimit;         // the largest window size, h by v (start: the main screen's size)
  Handle printLabel;         // none while no label is set
  Handle defaultFolder;      // the default folder's path, none while none is kept
  Handle launchArguments;    // the program's arguments, each but the last followed by a return
  RegistryId backdrop;       // the backdrop window, none while there is none
  i16 backdropTransparency;  // percent

  // --- System services ---------------------------------------------------------------------
  i16 quicktimepresent;  // movies can be played (start 1)
  i16 lastvolume;        // the folder files were last written to or read from
  u32 lastdirid;
  i16 programvolume;  // the volume that holds the program's own folder: never unmounted
};

// The object or default cursor that stands for the arrow.
constexpr Handle kArrowCursorMarker = 0xFFFFFFFFu;

// Releases the handles the record owns and clears their fields (dumpglobs and the runtime
// reset both end here).
void releaseglobs(MainGlobals& g);

namespace mainglobalsdetail {
// The root's slot for the record; the record is released with the slot.
struct Holder {
  MainGlobals g{};
  Holder() = default;
  Holder(const Holder&) = delete;
  Holder& operator=(const Holder&) = delete;
  ~Holder() { releaseglobs(g); }
};
}  // namespace mainglobalsdetail

// The record lives in the runtime root; it is zero until initglobs fills it. Read on every
// step of the interpreter, so inline.
inline MainGlobals& mainglobals() { return state<mainglobalsdetail::Holder>().g; }

// Fills the record with its start values and makes the handles it owns; once per run (or
// after a runtime reset). 0, or 37 when memory runs out.
i16 initglobs();
// Releases what the record owns at the end of the run. With `emergency` set the run is ending
// after a fatal error.
void dumpglobs(i16 emergency);
}  // namespace kv
