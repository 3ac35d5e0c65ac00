// The built-in command routines of this folder that the command table names. Each has the
// signature of every command routine (commands/dispatch.h): it reads its operands from the
// atoms after the command word at `at`, and words left after the last operand give 19.
#pragma once

#include "engine/hier.h"
#include "platform/runtime/root.h"
#include "platform/types.h"

namespace kv {

struct fred;

// --- Containers and arithmetic (containers.cpp) ----------------------------------------------
// `get expression`: `it` gets the value; a single word naming a global property gets that
// property's value without "the".
scriptstatus comget(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// rtfMerge (rtfmerge.cpp).
scriptstatus comRTFmerge(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `put expression [into|after|before container]`: without a preposition the message box gets
// the text and the current card "putMessage", sent even while messages are locked. 2 for
// another preposition.
scriptstatus comput(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// The built-in end of "putMessage": the message box shows its text.
scriptstatus computmsg(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `add x to c`, `subtract x from c`, `multiply c by x`, `divide c by x`: the container gets the
// number (double arithmetic; dividing by zero stores the infinity or not-a-number). 7 without
// "to"/"from", 47 without "by", 12 when the amount or the container's value is no number.
scriptstatus comarith(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `delete`/`clear`: a chunk of a container goes with one adjacent delimiter; `file path` and
// `folder path` delete from the disk (175 in plug-in mode; a failure sets `the result`);
// anything else is the clear command of the editing tools.
scriptstatus comdelete(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// A script's path as a POSIX path into `out`: a text with a colon and no slash is a colon path;
// a text longer than 255 bytes gives the empty path (no file can be named by it). 0 or a status.
i16 scriptpath(fred* value, StringPtr out);
// `the result` tells a file-system error ("File system error %d.").
void fileerrorresult(OSErr e);

// --- Dates (dates.cpp) -------------------------------------------------------------------------
// `convert container to form [and form]`: the container's date-time written in the form(s)
// (seconds, dateItems, [short|long|abbreviated] date or time). 7 without "to", 2 for a form
// not known or words left; an empty value or one that is not a date leaves the container as
// it is and sets `the result`.
scriptstatus comconvert(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);

// --- Visual effects (visual.cpp) ----------------------------------------------------------------
// `visual [effect] name [fast | slow | very fast | very slow | wait/for n [ticks]] [to black |
// card | gray | inverse | white]`: queues the effect for the next change of card. 2 for a word
// left over; the name's and the duration's errors pass through.
scriptstatus comvisi(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// The effect words from the name on, queued as one effect.
scriptstatus scanvisi(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);

// --- Other commands (othercommands.cpp) ------------------------------------------------------
// `beep [n]`: n alert sounds (none for 0; 38 for a negative n), stopped by a user abort.
scriptstatus combeep(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `wait [for] n [ticks | seconds]`: a platform wait that services the sounds, the movies and
// waiting window output every 5 ticks and stops at a user abort. `wait until` / `wait while`
// a condition: the condition is asked again after every tick of waiting.
scriptstatus comwait(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `history [word]`: alone toggles the history flag unless history is disabled; "disable" and
// "enable" switch that, "on" sets the flag (unless disabled), any other word clears it.
scriptstatus comhistory(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `notify [wait] [n [ticks | seconds]]`: asks for the user's attention (time-out 108000 ticks).
scriptstatus comnotify(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `setWindow window`: that open window's context becomes the current one (2 for another
// object, 61 for a window that is not open).
scriptstatus comsetwindow(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `autoSize window | card | background`: the objects of those layers of the open window are
// moved and resized to it, then it is redrawn (2 for another object, 61 a window not open).
scriptstatus comautosize(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `unmount [volume] name`: the volume is unmounted; an unknown volume, the program's own and a
// refusal leave their texts in `the result`.
scriptstatus comunmount(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `play`: pics, step (175 in plug-in mode), movie, film; audio answers 124 on this system;
// anything else is a sound or a tune.
scriptstatus complay(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `keyStroke` with no handler: the alert sound.
scriptstatus comkeystroke(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `contextClick` and `clickFieldObject` with no handler (or passed): the click they were sent
// for goes on as an ordinary click, which the tool dispatcher reads from the flag cleared here.
scriptstatus comcontextclick(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
scriptstatus comclickfieldobject(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `scriptError n`: the script error alert for n (clamped to 16 bits).
scriptstatus comerror(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `insert`: [the] script ... into the inserted scripts; any other form is the menu command.
scriptstatus cominsertcommand(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `remove`: [the] script / all scripts from the inserted scripts; movies [from window], filters
// (enablefilters) and menus.
scriptstatus comremovecommand(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `mouseWheel` with no handler: passed on (the engine's pass status).
scriptstatus comousewheel(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// The messages whose built-in end does nothing: spin, returnKey, enterKey, load, debug, trace.
scriptstatus comspin(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
scriptstatus comreturn(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
scriptstatus comentermsg(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
scriptstatus comtrace(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// menuKey expression: the key "q" (either case) quits; any other key does nothing (menukey.cpp).
scriptstatus comenukey(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);

// --- Picture filters and colour tables (picturecommands.cpp) ---------------------------------
// `enable | disable filter n-or-name of graphic`, `enable | disable [the] filters of graphic`,
// and `remove filter ... | [the] filters of graphic` (the statement's first word at `at`): 5
// without "of", 2 for an object that is no picture graphic. A name that matches nothing
// changes nothing.
scriptstatus enablefilters(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `import clut from file path | resource id-or-name [of [file] path] | clipBoard | object
// [as name] [into object]`: the colour table of the picture becomes a 'clut' resource of the
// project, its id in `it`.
scriptstatus comimport(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);

// --- Object and palette commands (objectcommands.cpp) -----------------------------------------
// `group`, `ungroup`: the selected graphics of the current layer into one group, and back.
scriptstatus comgroup(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
scriptstatus comungroup(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `rotate polygon [object, degrees]`: rotation handles on the selected polygons, or a polygon
// rotated by an angle.
scriptstatus comrotate(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `reshape arc | polygon | window`: reshape handles, or the custom window shape recomputed.
scriptstatus comreshape(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `pick [up] object | selected`: a drag of objects; always 0.
scriptstatus compick(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `grab within rect`, `grab object [with message] [within rect]`: the card view or an object
// follows the mouse while its button is down.
scriptstatus comgrab(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `cycle [all | first to last] [slow | fast | very slow | very fast] [step | n times]`: the
// colours of an 8-bit screen rotate.
scriptstatus comcycle(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);

// --- Commands whose media forms work before the rest is built ----------------------------------
// `record sound`, `record movie`, `record pics`; every other form answers 124
// (record_standin.cpp).
scriptstatus comrecord(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);

// --- Simulated mouse and keys (simulated.cpp) --------------------------------------------------
// `click at point [with keys]` and `drag from point to point [with keys]` through the tool
// dispatcher with a simulated mouse (76 without at, 46 without from, 7 without to); `type text
// [with keys]` through the card window's keys (a command-key menu shortcut is carried out). The
// keys clause: "with" and commandKey, shiftKey, optionKey separated by commas (2 for another
// word; 19 for words left without it).
scriptstatus comclick(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
scriptstatus comdrag(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
scriptstatus comtype(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// The built-in ends of returnInField (a return typed, or "tabKey" at the bottom of an autoTab
// field), keyInField (up to two characters into the open field), enterInField (the open field
// closed), tabKey (the next or, with shift, previous unlocked visible field opened) and
// doubleClickFieldObject (the embedded-object click count raised).
scriptstatus comweretin(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
scriptstatus comwekeyinfield(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
scriptstatus comenter(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
scriptstatus comtab(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
scriptstatus comdblclickfieldobject(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `listKey field, key`: the keys of a shown list or scrolling list field (listkey.cpp); 0 and
// nothing done for another object or a window that is not open, 39 without the comma.
scriptstatus comlistkey(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);

// --- Show, hide, lock, unlock, choose, flush (showhide.cpp) -----------------------------------
// `show` / `hide` of an object (`at` a point for show), a window, the menu bar, the message box,
// movie controllers, help balloons, a file's name extension, groups, `show selected` and
// `show [all | n] cards`. 175 in plug-in mode for windows, the menu bar, balloons and the
// message box; 61 a window that is not open; 59 words left after `hide window`; 227 a file
// whose folder is not there; 2 another kind of object; 19 words left.
scriptstatus comshow(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
scriptstatus comhide(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `lock screen | messages | error dialogs` and `unlock` of the same (`unlock screen [using
// rect-or-object] [with [visual [effect]] effect]`). 2 for another word.
scriptstatus comlock(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
scriptstatus comunlock(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// Shows the current window's pen once (every level with `alllevels`) and redraws the window
// when it is visible again; nothing when the pen already shows.
void unlockwindow(bool alllevels);
// `choose tool-phrase tool`: "toolChange" goes to the card first (a handler that exits to the
// top keeps the tool, status 0); 101 is the browse tool in plug-in mode. 2 for a bad phrase.
scriptstatus comchoose(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `flush object`: the platform controls of the buttons it names are made again.
scriptstatus comflush(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);

// --- Speech (speech.cpp) ---------------------------------------------------------------------
// `say stop [all]`, `say text into container` (its phonemes), `say text [with male | female |
// neuter | name [voice]] [using text | phonemes] [pitch n] [at n [wpm | words per minute]]`:
// result text 43 when speech is not available; 154-157 for the speech errors.
scriptstatus comsay(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `start listening` and `stop listening` (2 for another word after start or stop).
scriptstatus comstartstop(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);

// The `history` command's flag, and whether `history disable` keeps it off.
struct HistoryState {
  u16 history;          // the history flag of the `history` command
  u16 historydisabled;  // set by `history disable`: history stays off until enabled
};
inline HistoryState& historystate() { return state<HistoryState>(); }

}  // namespace kv
