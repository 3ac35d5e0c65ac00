// The command dispatcher: the table from a statement's first token to its command routine,
// with the plug-in refusals and the emptying of `the result`.
//
// Rows whose routine is not written yet point at `comnotbuilt`; the comment of such a row
// names the routine that belongs there. Writing that routine and putting it into its row is
// all a new command needs: the marks of the row stay as they are.
#include <array>

#include "commands/commands.h"
#include "tools/editcommands.h"
#include "tools/layerorder.h"
#include "tools/undoclone.h"
#include "commands/define.h"
#include "commands/dispatch.h"
#include "commands/docommand.h"
#include "commands/find.h"
#include "commands/movecommand.h"
#include "commands/navigation.h"
#include "commands/select.h"
#include "commands/newcommand.h"
#include "commands/sortcards.h"
#include "commands/userfiles.h"
#include "media/export.h"
#include "engine/expression.h"
#include "engine/insertscripts.h"
#include "engine/keywords.h"
#include "engine/scripterror.h"
#include "engine/sendmes.h"
#include "media/print.h"
#include "platform/memory/memory.h"
#include "properties/properties.h"
#include "shell/dialogs.h"
#include "shell/resourcedialogs.h"
#include "core/mainglobals.h"
#include "shell/cardhistory.h"
#include "shell/menucommands.h"
#include "shell/saverevert.h"
#include "store/namekey.h"
#include "system/appleevents.h"
#include "system/applications.h"
#include "system/dialer.h"

namespace kv {

namespace {

enum : u16 {
  tokDisable = 2045,
  tokEdit = 2059,
  tokEnable = 2062,
  tokReturnInField = 2165,
  tokFilter = 4114,
  tokFilters = 4115,
  tokThe = 10020,
  tokContextClick = 11051,
  tokPick = 11227,
  tokTrace = 11319,
};

constexpr i16 statusplugin = 175;

// Marks of a row.
enum : u8 {
  markplugin = 1,   // refused with 175 in plug-in mode
  markresult = 2,   // `the result` emptied before the routine runs
  markfield = 4,    // runs only while a field is open for typing
};

struct comrow {
  u16 token;
  comproc routine;
  u8 marks;
};

constexpr u8 P = markplugin, R = markresult, F = markfield;

// One row per command; tokens not listed go to comothers.
constexpr comrow comrows[] = {
    {2002, comarith, 0},                // add
    {2003, comalert, 0},                // alert
    {2004, comanswer, 0},               // answer
    {2005, comappleevent, 0},           // ae, appleEvent
    {2006, comarrow, 0},                // arrowKey
    {2007, comask, 0},                  // ask
    {2008, comautosize, 0},             // autoSize
    {2009, combeep, 0},                 // beep
    {2010, combring, 0},                // bringFront
    {2013, comchoose, 0},               // choose
    {2014, comdelete, R},               // clear
    {2015, comclick, 0},                // click
    {2016, comclickfieldobject, 0},     // clickFieldObject
    {2019, comclone, 0},                // clone
    {2020, comclose, R},                // close
    {2028, compact, 0},                 // compact
    {2030, comconvert, R},              // convert
    {2031, comcopy, 0},                 // copy
    {2032, comcut, 0},                  // cut
    {2033, comcycle, 0},                // cycle
    {2034, comdefine, R},               // define
    {2035, comdelete, R},               // delete
    {2044, comdial, P},                 // dial
    {2045, comenabdisab, 0},            // disable (or enablefilters, chosen by its words)
    {2046, comarith, 0},                // divide
    {2047, comdo, 0},                   // do
    {2048, comdomenu, 0},               // doMenu
    {2053, comdblclickfieldobject, 0},  // doubleClickFieldObject
    {2054, comdrag, 0},                 // drag
    {2059, comothers, 0},               // edit: refused with 175 before any routine
    {2062, comenabdisab, 0},            // enable (or enablefilters, chosen by its words)
    {2064, comenter, 0},                // enterInField
    {2065, comentermsg, 0},             // enterKey
    {2069, comexport, P | R},          // export
    {2070, comfind, R},                 // find
    {2071, comflush, 0},                // flush
    {2073, comget, 0},                  // get
    {2075, comgo, R},                   // go
    {2076, comgrab, 0},                 // grabber, grab
    {2077, comgroup, 0},                // group, groups
    {2078, comhelp, P},                 // help
    {2079, comhide, 0},                 // hide
    {2080, comhistory, 0},              // history
    {2083, comimport, P | R},           // import
    {2084, cominsertcommand, 0},        // insert
    {2086, comwekeyinfield, 0},         // keyInField
    {2087, comkeystroke, 0},            // keyStroke
    {2089, comlaunch, P | R},           // launch
    {2094, comlistkey, 0},              // listKey
    {2095, comtrace, R},                // load
    {2096, comlock, 0},                 // lock
    {2098, comenukey, P},               // menuKey
    {2110, comousewheel, 0},            // mouseWheel
    {2112, comove, 0},                  // move
    {2115, comarith, 0},                // multiply
    {2116, comnew, R},                  // new
    {2127, comnotify, P},               // notify
    {2128, comopen, R},                 // open
    {2137, compaste, 0},                // paste
    {2138, complay, R},                 // play
    {2140, compop, 0},                  // pop
    {2141, compopup, 0},                // popUp
    {2143, comprint, R},                // print
    {2144, comprotect, 0},              // protect
    {2145, compush, 0},                 // push
    {2146, comput, 0},                  // put
    {2147, computmsg, 0},               // putMsg, putMessage
    {2148, comquit, P},                 // quit
    {2150, comread, P | R},             // read
    {2151, comrecord, P | R},           // record
    {2152, comredo, 0},                 // redo
    {2155, comremovecommand, 0},        // remove
    {2156, comreply, P | R},            // reply
    {2157, comrequest, P | R},          // request
    {2158, comreset, 0},                // reset
    {2159, comreshape, 0},              // reshape
    {2165, comweretin, F},              // returnInField
    {2166, comreturn, 0},               // returnKey
    {2167, comrevert, 0},               // revert
    {2168, comrotate, 0},               // rotate
    {2169, comRTFmerge, R},             // rtfMerge
    {2170, comsave, 0},                 // save
    {2171, comsay, P | R},              // say
    {2172, comerror, 0},                // scriptError
    {2176, comselect, 0},               // select
    {2179, comsend, R},                 // send
    {2180, combring, 0},                // sendBack
    {2181, comset, R},                  // set
    {2182, comsetdialogitem, P},        // setDialogItem
    {2183, comsetwindow, P},            // setWindow
    {2186, comshow, R},                 // show
    {2187, comshuffle, 0},              // shuffleBack
    {2188, comshuffle, 0},              // shuffleForward
    {2189, comsort, 0},                 // sort
    {2191, comspin, 0},                 // spin
    {2192, comstartstop, P | R},        // start
    {2194, comstartstop, P | R},        // stop
    {2195, comarith, 0},                // subtract
    {2197, comtab, 0},                  // tabKey
    {2202, comtype, 0},                 // type
    {2203, comdefine, R},               // undefine
    {2204, comundo, 0},                 // undo
    {2205, comungroup, 0},              // ungroup
    {2207, comunlock, 0},               // unlock
    {2208, comunmount, 0},              // unmount
    {2209, comunprotect, 0},            // unprotect
    {2211, comvisi, 0},                 // visual
    {2214, comwait, 0},                 // wait
    {2217, comwrite, P | R},            // write
    {tokContextClick, comcontextclick, 0},  // contextClick
    {tokPick, compick, 0},              // pick
    {tokTrace, comtrace, 0},            // debug, trace
};

// The rows by token: commands 2001-2220 first, then the three further words; each entry is the
// row's index + 1, 0 for comothers.
constexpr u16 extraslots = 3;
constexpr size_t slotof(u16 token) {
  if (token >= firstcommand && token <= lastcommand) return size_t(token - firstcommand);
  if (token == tokContextClick) return lastcommand - firstcommand + 1;
  if (token == tokPick) return lastcommand - firstcommand + 2;
  if (token == tokTrace) return lastcommand - firstcommand + 3;
  return size_t(-1);
}

constexpr auto comindex = [] {
  std::array<u8, lastcommand - firstcommand + 1 + extraslots> index{};
  for (size_t i = 0; i < std::size(comrows); ++i) index[slotof(comrows[i].token)] = u8(i + 1);
  return index;
}();
static_assert(std::size(comrows) < 256);

const comrow* rowof(u16 token) {
  size_t slot = slotof(token);
  if (slot >= comindex.size() || comindex[slot] == 0) return nullptr;
  return &comrows[comindex[slot] - 1];
}

// enable and disable followed by "filter", "filters" or "the filters".
bool filterwords(Handle atoms, i32 at) {
  u16 next = tokenat(atoms, at + 1);
  if (next == tokFilter || next == tokFilters) return true;
  return next == tokThe && tokenat(atoms, at + 2) == tokFilters;
}

}  // namespace

i16 syscom(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  u16 token = tokenat(atoms, at);
  const comrow* row = rowof(token);
  comproc routine = row != nullptr ? row->routine : comothers;
  u8 marks = row != nullptr ? row->marks : 0;
  MainGlobals& g = mainglobals();
  if ((marks & markplugin) != 0 && g.plugin != 0) return statusplugin;
  if ((marks & markresult) != 0 && g.result != nilhandle) SetHandleSize(g.result, 0);
  if ((marks & markfield) != 0 && g.openfield < 0) return 0;
  if (token == tokEnable || token == tokDisable) routine = filterwords(atoms, at) ? enablefilters : comenabdisab;
  if (token == tokEdit) return statusplugin;
  i16 st = routine(path, text, atoms, at, variables);
  if (st > 0 && !path.empty()) posterror(path.front(), at, text);
  return st;
}

i16 comothers(hierpath, Handle, Handle atoms, i32 at, Handle) {
  u16 token = tokenat(atoms, at);
  if (token == tokEndOfLine) return 0;
  return token >= firstcommand && token <= lastcommand ? 0 : 1;
}

i16 comnotbuilt(hierpath, Handle, Handle, i32, Handle) { return statusnotbuilt; }

}  // namespace kv
