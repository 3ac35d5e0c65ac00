// The command dispatcher: the table from a statement's first token to its command routine,
// with the plug-in refusals and the emptying of `the result`.
//
// Rows whose routine is not written yet point at `comnotbuilt`; the comment of such a row
// names the routine that belongs there. Writing that routine and putting it into its row is
// all a new command needs: the marks of the row stay as they are.
#include <array>
#include <cassert>

#include "commands/commands.h"
#include "engine/scripterrors.h"
#include "engine/tokens.h"
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

// Marks of a row.
enum : u8 {
  markplugin = 1,  // refused with 175 in plug-in mode
  markresult = 2,  // `the result` emptied before the routine runs
  markfield = 4,   // runs only while a field is open for typing
};

struct comrow {
  u16 token;
  comproc routine;
  u8 marks;
};

constexpr u8 P = markplugin, R = markresult, F = markfield;

// One row per command; tokens not listed go to comothers.
// clang-format off
constexpr comrow comrows[] = {
    {tok::add, comarith, 0},                // add
    {tok::alert, comalert, 0},                // alert
    {tok::answer, comanswer, 0},               // answer
    {tok::ae, comappleevent, 0},           // ae, appleEvent
    {tok::arrowkey, comarrow, 0},                // arrowKey
    {tok::ask, comask, 0},                  // ask
    {tok::autosize, comautosize, 0},             // autoSize
    {tok::beep, combeep, 0},                 // beep
    {tok::bringfront, combring, 0},                // bringFront
    {tok::choose, comchoose, 0},               // choose
    {tok::clear, comdelete, R},               // clear
    {tok::click, comclick, 0},                // click
    {tok::clickfieldobject, comclickfieldobject, 0},     // clickFieldObject
    {tok::clone, comclone, 0},                // clone
    {tok::close, comclose, R},                // close
    {tok::compact, compact, 0},                 // compact
    {tok::convert, comconvert, R},              // convert
    {tok::copy, comcopy, 0},                 // copy
    {tok::cut, comcut, 0},                  // cut
    {tok::cycle, comcycle, 0},                // cycle
    {tok::define, comdefine, R},               // define
    {tok::delete_, comdelete, R},               // delete
    {tok::dial, comdial, P},                 // dial
    {tok::disable, comenabdisab, 0},            // disable (or enablefilters, chosen by its words)
    {tok::divide, comarith, 0},                // divide
    {tok::do_, comdo, 0},                   // do
    {tok::domenu, comdomenu, 0},               // doMenu
    {tok::doubleclickfieldobject, comdblclickfieldobject, 0},  // doubleClickFieldObject
    {tok::drag, comdrag, 0},                 // drag
    {tok::edit, comothers, 0},               // edit: refused with 175 before any routine
    {tok::enable, comenabdisab, 0},            // enable (or enablefilters, chosen by its words)
    {tok::enterinfield, comenter, 0},                // enterInField
    {tok::enterkey, comentermsg, 0},             // enterKey
    {tok::export_, comexport, P | R},          // export
    {tok::find, comfind, R},                 // find
    {tok::flush, comflush, 0},                // flush
    {tok::get, comget, 0},                  // get
    {tok::go, comgo, R},                   // go
    {tok::grabber, comgrab, 0},                 // grabber, grab
    {tok::group, comgroup, 0},                // group, groups
    {tok::help, comhelp, P},                 // help
    {tok::hide, comhide, 0},                 // hide
    {tok::history, comhistory, 0},              // history
    {tok::import_, comimport, P | R},           // import
    {tok::insert, cominsertcommand, 0},        // insert
    {tok::keyinfield, comwekeyinfield, 0},         // keyInField
    {tok::keystroke, comkeystroke, 0},            // keyStroke
    {tok::launch, comlaunch, P | R},           // launch
    {tok::listkey, comlistkey, 0},              // listKey
    {tok::load, comtrace, R},                // load
    {tok::lock, comlock, 0},                 // lock
    {tok::menukey, comenukey, P},               // menuKey
    {tok::mousewheel, comousewheel, 0},            // mouseWheel
    {tok::move, comove, 0},                  // move
    {tok::multiply, comarith, 0},                // multiply
    {tok::new_, comnew, R},                  // new
    {tok::notify, comnotify, P},               // notify
    {tok::open, comopen, R},                 // open
    {tok::paste, compaste, 0},                // paste
    {tok::play, complay, R},                 // play
    {tok::pop, compop, 0},                  // pop
    {tok::popup, compopup, 0},                // popUp
    {tok::print, comprint, R},                // print
    {tok::protect, comprotect, 0},              // protect
    {tok::push, compush, 0},                 // push
    {tok::put, comput, 0},                  // put
    {tok::putmsg, computmsg, 0},               // putMsg, putMessage
    {tok::quit, comquit, P},                 // quit
    {tok::read, comread, P | R},             // read
    {tok::record, comrecord, P | R},           // record
    {tok::redo, comredo, 0},                 // redo
    {tok::remove, comremovecommand, 0},        // remove
    {tok::reply, comreply, P | R},            // reply
    {tok::request, comrequest, P | R},          // request
    {tok::reset, comreset, 0},                // reset
    {tok::reshape, comreshape, 0},              // reshape
    {tok::returninfield, comweretin, F},              // returnInField
    {tok::returnkey, comreturn, 0},               // returnKey
    {tok::revert, comrevert, 0},               // revert
    {tok::rotate, comrotate, 0},               // rotate
    {tok::rtfmerge, comRTFmerge, R},             // rtfMerge
    {tok::save, comsave, 0},                 // save
    {tok::say, comsay, P | R},              // say
    {tok::scripterror, comerror, 0},                // scriptError
    {tok::select, comselect, 0},               // select
    {tok::send, comsend, R},                 // send
    {tok::sendback, combring, 0},                // sendBack
    {tok::set, comset, R},                  // set
    {tok::setdialogitem, comsetdialogitem, P},        // setDialogItem
    {tok::setwindow, comsetwindow, P},            // setWindow
    {tok::show, comshow, R},                 // show
    {tok::shuffleback, comshuffle, 0},              // shuffleBack
    {tok::shuffleforward, comshuffle, 0},              // shuffleForward
    {tok::sort, comsort, 0},                 // sort
    {tok::spin, comspin, 0},                 // spin
    {tok::start, comstartstop, P | R},        // start
    {tok::stop, comstartstop, P | R},        // stop
    {tok::subtract, comarith, 0},                // subtract
    {tok::tabkey, comtab, 0},                  // tabKey
    {tok::type, comtype, 0},                 // type
    {tok::undefine, comdefine, R},               // undefine
    {tok::undo, comundo, 0},                 // undo
    {tok::ungroup, comungroup, 0},              // ungroup
    {tok::unlock, comunlock, 0},               // unlock
    {tok::unmount, comunmount, 0},              // unmount
    {tok::unprotect, comunprotect, 0},            // unprotect
    {tok::visual, comvisi, 0},                 // visual
    {tok::wait, comwait, 0},                 // wait
    {tok::write, comwrite, P | R},            // write
    {tok::contextclick, comcontextclick, 0},  // contextClick
    {tok::pick, compick, 0},              // pick
    {tok::debug, comtrace, 0},            // debug, trace
};
// clang-format on

// The rows by token: commands 2001-2220 first, then the three further words; each entry is the
// row's index + 1, 0 for comothers.
constexpr u16 extraslots = 3;
constexpr size_t slotof(u16 token) {
  if (token >= firstcommand && token <= lastcommand) return size_t(token - firstcommand);
  if (token == tok::contextclick) return lastcommand - firstcommand + 1;
  if (token == tok::pick) return lastcommand - firstcommand + 2;
  if (token == tok::debug) return lastcommand - firstcommand + 3;
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
  const comrow* row = &comrows[comindex[slot] - 1];
  assert(row->token == token && "two command tokens share a slot of the index");
  return row;
}

// enable and disable followed by "filter", "filters" or "the filters".
bool filterwords(Handle atoms, i32 at) {
  u16 next = tokenat(atoms, at + 1);
  if (next == tok::filter || next == tok::filters) return true;
  return next == tok::the && tokenat(atoms, at + 2) == tok::filters;
}

}  // namespace

scriptstatus syscom(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  u16 token = tokenat(atoms, at);
  const comrow* row = rowof(token);
  comproc routine = row != nullptr ? row->routine : comothers;
  u8 marks = row != nullptr ? row->marks : 0;
  MainGlobals& g = mainglobals();
  if ((marks & markplugin) != 0 && g.plugin != 0) return err::plugincommand;
  if ((marks & markresult) != 0 && g.result != nilhandle) SetHandleSize(g.result, 0);
  if ((marks & markfield) != 0 && g.openfield < 0) return 0;
  if (token == tok::enable || token == tok::disable) routine = filterwords(atoms, at) ? enablefilters : comenabdisab;
  if (token == tok::edit) return err::plugincommand;
  i16 st = routine(path, text, atoms, at, variables);
  if (st > 0 && !path.empty()) posterror(path.front(), at, text);
  return st;
}

scriptstatus comothers(hierpath, Handle, Handle atoms, i32 at, Handle) {
  u16 token = tokenat(atoms, at);
  if (token == tok::endofline) return 0;
  return token >= firstcommand && token <= lastcommand ? 0 : 1;
}

scriptstatus comnotbuilt(hierpath, Handle, Handle, i32, Handle) { return err::notbuilt; }

}  // namespace kv
