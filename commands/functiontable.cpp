// The function dispatcher: the table from a function's token to its routine, with the plug-in
// refusals.
//
// Rows whose routine is not written yet point at `funnotbuilt`; the comment of such a row names
// the routine that belongs there (one routine serves every row of its family). Writing that
// routine and putting it into its rows is all a new function needs.
#include <array>
#include <cassert>

#include "commands/dispatch.h"
#include "commands/functions.h"
#include "commands/objectfunctions.h"
#include "commands/systemqueries.h"
#include "engine/chunks.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/scripterror.h"
#include "engine/scripterrors.h"
#include "engine/tokens.h"
#include "media/movies.h"
#include "properties/proplisting.h"
#include "core/mainglobals.h"
#include "shell/resourcedialogs.h"
#include "system/osascripts.h"

namespace kv {

namespace {

// `funoffs` takes the evaluator's second variable list, which the dispatcher does not have.
scriptstatus offsetfunctions(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count,
                             fred* value) {
  i32 i = at;
  if (tokenat(atoms, i) == tok::the) ++i;
  i32 used = 0;
  i16 st = funoffs(path, text, atoms, i, variables, nilhandle, &used, value);
  if (st == 0) *count = i - at + used;
  return st;
}

struct funrow {
  u16 token;
  funproc routine;
  u8 pluginrefused;
};

// Every function word, by token; tokens not listed (3029-3031, and the words instrument,
// scaleQuad, xfcn and xrtn among them) go to neverfunproc.
// clang-format off
constexpr funrow funrows[] = {
    {tok::abs, funmath, 0},           // abs
    {tok::annuity, fundual, 0},           // annuity
    {tok::application, funzero, 0},           // application
    {tok::applications, funzero, 0},           // applications
    {tok::applpath, funzero, 0},           // applPath, applicationPath
    {tok::atan, funmath, 0},           // atan
    {tok::audiodriververs, funzero, 0},           // audioDriverVers
    {tok::audioplaymode, funzero, 0},           // audioPlayMode
    {tok::audiostatus, funzero, 0},           // audioStatus
    {tok::audiotrackcount, funzero, 0},           // audioTrackCount
    {tok::audiotrackinfo, funsing, 0},           // audioTrackInfo
    {tok::average, funlist, 0},           // average, avg
    {tok::backlist, funzero, 0},           // backList
    {tok::backscripts, funzero, 0},           // backScripts
    {tok::canundo, funzero, 0},           // canUndo
    {tok::canredo, funzero, 0},           // canRedo
    {tok::chartonum, funsing, 0},           // charToNum
    {tok::clickchunk, funzero, 0},           // clickChunk
    {tok::clickh, funzero, 0},           // clickH
    {tok::clickline, funzero, 0},           // clickLine
    {tok::clickloc, funzero, 0},           // clickLoc
    {tok::clicktext, funzero, 0},           // clickText
    {tok::clickv, funzero, 0},           // clickV
    {tok::clipboard, funzero, 0},           // clipBoard: clipname
    {tok::cmdkey, funzero, 0},           // cmdKey, commandKey
    {tok::commonprops, funcommon, 0},         // commonProps, commonProperties
    {tok::compound, fundual, 0},           // compound
    {tok::cos, funmath, 0},           // cos
    {tok::currentmenu, funcurr, 1},           // currentMenu
    {tok::currentwindow, funcurr, 1},           // currentWindow
    {tok::date, fundate, 0},           // date
    {tok::dblclicktime, funzero, 0},           // dblClickTime, doubleClickTime
    {tok::decode, funsing, 0},           // decode
    {tok::describe, fundescribe, 0},       // describe
    {tok::dialog, fundialog, 1},         // dialog
    {tok::digest, funsing, 0},           // digest
    {tok::diskspace, fundisk, 0},           // diskSpace
    {tok::doasmsg, fundoasmsg, 0},        // doAsMsg, doAsMessage
    {tok::dragdata, fundragdata, 0},       // dragData
    {tok::encode, funsing, 0},           // encode
    {tok::environment, funzero, 0},           // environment
    {tok::errorobject, funzero, 0},           // errorObject
    {tok::erroroffset, funzero, 0},           // errorOffset
    {tok::errortext, funerrortext, 0},      // errorText
    {tok::exists, funexists, 0},         // exists
    {tok::exp, funmath, 0},           // exp
    {tok::exp1, funmath, 0},           // exp1
    {tok::exp2, funmath, 0},           // exp2
    {tok::fileplaytime, funzero, 0},           // filePlayTime
    {tok::forthlist, funzero, 0},           // forthList
    {tok::foundchunk, funzero, 0},           // foundChunk
    {tok::foundfield, funzero, 0},           // foundField
    {tok::foundline, funzero, 0},           // foundLine
    {tok::foundtext, funzero, 0},           // foundText
    {tok::foundwindow, funzero, 0},           // foundWindow
    {tok::frontscripts, funzero, 0},           // frontScripts
    {3060, getselected, 0},       // getSelected
    {tok::globalloc, funlocs, 0},           // globalLoc
    {tok::globals, funzero, 0},           // globals
    {tok::hasmemory, funhasmemory, 0},      // hasMemory
    {tok::heapspace, funzero, 0},           // heapSpace
    {tok::hextostring, funsing, 0},           // hexToString
    {tok::hfstoposix, funsing, 0},           // hfsToPosix
    {tok::insetquad, funquads, 0},          // insetQuad
    {tok::insetrect, funrects, 0},          // insetRect
    {tok::interrupt, funzero, 0},           // interrupt
    {tok::intersect, fungraph, 0},          // intersect
    {tok::iscontrol, funsing, 0},           // isControl
    {tok::isnumber, funsing, 0},           // isNumber
    {tok::isreservedword, funsing, 0},           // isReservedWord
    {tok::length, funsing, 0},           // length, len
    {3076, offsetfunctions, 0},   // lineOffset
    {tok::ln, funmath, 0},           // ln
    {tok::ln1, funmath, 0},           // ln1
    {tok::localloc, funlocs, 0},           // localLoc
    {tok::log2, funmath, 0},           // log2
    {tok::lower, funsing, 0},           // lower
    {tok::machine, funzero, 0},           // machine
    {tok::machinebusspeed, funzero, 0},           // machineBusSpeed
    {tok::machineromversion, funzero, 0},           // machineROMVersion
    {tok::machineserialnumber, funzero, 0},           // machineSerialNumber
    {tok::max, funlist, 0},           // max
    {tok::menus, funzero, 0},           // menus
    {tok::merge, funsing, 0},           // merge
    {tok::msgtext, funzero, 0},           // msgText, messageText
    {tok::midinametonum, funsing, 0},           // midiNameToNum
    {tok::midinumtoname, funsing, 0},           // midiNumToName
    {tok::min, funlist, 0},           // min
    {tok::mouse, funzero, 0},           // mouse
    {tok::mousechar, funzero, 0},           // mouseChar
    {tok::mousechunk, funzero, 0},           // mouseChunk
    {tok::mouseclick, funzero, 0},           // mouseClick
    {tok::mouseh, funzero, 0},           // mouseH
    {tok::mouseloc, funzero, 0},           // mouseLoc
    {tok::mouseobject, funzero, 0},           // mouseObject
    {tok::mousetext, funzero, 0},           // mouseText
    {tok::mousev, funzero, 0},           // mouseV
    {tok::movie, funmovie, 0},          // movie
    {tok::numtochar, funsing, 0},           // numToChar
    {3104, offsetfunctions, 0},   // offset
    {tok::offsetquad, funquads, 0},          // offsetQuad
    {tok::offsetrect, funrects, 0},          // offsetRect
    {tok::optionkey, funzero, 0},           // optionKey
    {tok::papersize, funzero, 0},           // paperSize
    {tok::papersizes, funzero, 0},           // paperSizes
    {tok::param, funsing, 0},           // param
    {tok::paramcount, funzero, 0},           // paramCount
    {tok::params, funzero, 0},           // params
    {tok::physicalmemory, funzero, 0},           // physicalMemory
    {tok::pinrect, funrects, 0},          // pinRect
    {tok::platform, funzero, 0},           // platform
    {tok::polyquad, funquads, 0},          // polyQuad
    {tok::posixtohfs, funsing, 0},           // posixToHFS
    {tok::printablerect, funzero, 0},           // printableRect
    {tok::printer, funzero, 0},           // printer
    {tok::printerdriver, funzero, 0},           // printerDriver
    {tok::printermodel, funzero, 0},           // printerModel
    {tok::printers, funzero, 0},           // printers
    {tok::printcopies, funzero, 0},           // printCopies
    {tok::printorientation, funzero, 0},           // printOrientation
    {tok::printrange, funzero, 0},           // printRange
    {tok::processor, funzero, 0},           // processor
    {tok::processorcount, funzero, 0},           // processorCount
    {tok::processorspeed, funzero, 0},           // processorSpeed
    {tok::programs, funzero, 0},           // programs
    {tok::projects, funzero, 0},           // projects
    {tok::projpath, funsing, 0},           // projPath, projectPath
    {tok::projectfiletype, funzero, 0},           // projectFileType
    {tok::projectfilecreator, funzero, 0},           // projectFileCreator
    {tok::projectfileextension, funzero, 0},           // projectFileExtension
    {tok::pushlist, funzero, 0},           // pushList
    {tok::quadrect, funquads, 0},          // quadRect
    {tok::qtfileplaytime, funzero, 0},           // qtFilePlayTime, quickTimeFilePlayTime
    {tok::quicktimeversion, funzero, 0},           // quickTimeVersion
    {tok::random, funsing, 0},           // random
    {tok::recogstate, funzero, 0},           // recogState, recognitionState
    {tok::rectquad, funrects, 0},          // rectQuad
    {tok::replace, funreplace, 0},        // replace
    {tok::result, funzero, 0},           // result
    {tok::rosetta, funzero, 0},           // rosetta
    {tok::rotatequad, funquads, 0},          // rotateQuad
    {tok::round, funmath, 0},           // round
    {tok::scalerect, funrects, 0},          // scaleRect
    {tok::scrapflavors, funzero, 0},           // scrapFlavors: clipflavors
    {tok::screenloc, funzero, 0},           // screenLoc
    {tok::screenrect, funzero, 0},           // screenRect
    {tok::seconds, funzero, 0},           // seconds, secs
    {tok::selectedchunk, funzero, 0},           // selectedChunk
    {tok::selectedfield, funzero, 0},           // selectedField
    {tok::selectedgraphic, funzero, 0},           // selectedGraphic
    {tok::selectedline, funzero, 0},           // selectedLine
    {tok::selectedloc, funzero, 0},           // selectedLoc
    {tok::selectedtext, funzero, 0},           // selectedText
    {tok::sharedfile, funzero, 0},           // sharedFile
    {tok::shell, funshell, 0},          // shell
    {tok::shiftkey, funzero, 0},           // shiftKey
    {tok::sin, funmath, 0},           // sin
    {tok::skewquad, funquads, 0},          // skewQuad
    {tok::sound, funzero, 0},           // sound
    {tok::sounddevices, funzero, 0},           // soundDevices
    {tok::soundmgrversion, funzero, 0},           // soundMgrVersion, soundManagerVersion
    {tok::speechbusy, funzero, 0},           // speechBusy
    {tok::sqrt, funmath, 0},           // sqrt
    {tok::stackspace, funzero, 0},           // stackSpace
    {tok::stringtohex, funsing, 0},           // stringToHex
    {tok::sum, funlist, 0},           // sum
    {tok::supportsexclusivefileaccess, funsing, 0},           // supportsExclusiveFileAccess
    {tok::systemversion, funzero, 0},           // systemVersion
    {tok::tan, funmath, 0},           // tan
    {tok::target, funzero, 0},           // target
    {tok::textheightsum, funtextheightsum, 0},  // textHeightSum
    {tok::ticks, funzero, 0},           // ticks
    {tok::time, funtime, 0},           // time
    {tok::title, funsing, 0},           // title
    {tok::topwindow, funzero, 0},           // topWindow
    {tok::trunc, funmath, 0},           // trunc
    {tok::upper, funsing, 0},           // upper
    {tok::urldecode, funsing, 0},           // urlDecode
    {tok::urlencode, funsing, 0},           // urlEncode
    {tok::userwindows, funzero, 0},           // userWindows
    {tok::value, funsing, 0},           // value
    {tok::version, fundisk, 0},           // version
    {tok::voices, funzero, 0},           // voices
    {tok::wds, funzero, 0},           // windows, wds, winds
    {tok::within, fungraph, 0},          // within
    {tok::xwindows, funzero, 0},           // xwindows
    {tok::controlkey, funzero, 0},  // controlKey (also a message word)
    {tok::carbonversion, funzero, 0},  // carbonVersion (a property word)
    {tok::number, funumbr, 0},  // number, num (a property word)
    {tok::script, funscript, 0},   // script (a property word)
    {tok::short_, funcase, 0},       // short
    {tok::long_, funcase, 0},           // long
    {tok::abbr, funcase, 0},  // abbreviated, abbr, abbrev
};
// clang-format on

// The rows by token: functions 3001-3193, then the further words; index + 1, 0 for none.
constexpr u16 furtherwords[] = {tok::controlkey, tok::carbonversion, tok::number, tok::script, tok::short_, 9002,
                                tok::abbr};
constexpr size_t slotof(u16 token) {
  if (token >= firstfunction && token <= lastfunction) return size_t(token - firstfunction);
  for (size_t i = 0; i < std::size(furtherwords); ++i)
    if (furtherwords[i] == token) return size_t(lastfunction - firstfunction + 1) + i;
  return size_t(-1);
}

constexpr auto funindex = [] {
  std::array<u8, lastfunction - firstfunction + 1 + std::size(furtherwords)> index{};
  for (size_t i = 0; i < std::size(funrows); ++i) index[slotof(funrows[i].token)] = u8(i + 1);
  return index;
}();
static_assert(std::size(funrows) < 256);

const funrow* rowof(u16 token) {
  size_t slot = slotof(token);
  if (slot >= funindex.size() || funindex[slot] == 0) return nullptr;
  const funrow* row = &funrows[funindex[slot] - 1];
  assert(row->token == token && "two function tokens share a slot of the index");
  return row;
}

}  // namespace

scriptstatus sysfun(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value) {
  *count = 0;
  u16 token = tokenat(atoms, at);
  if (token == tok::the) token = tokenat(atoms, at + 1);
  const funrow* row = rowof(token);
  if (row != nullptr && row->pluginrefused != 0 && mainglobals().plugin != 0) return err::pluginfunction;
  funproc routine = row != nullptr ? row->routine : neverfunproc;
  i16 st = routine(path, text, atoms, at, variables, count, value);
  if (st > 0 && !path.empty()) posterror(path.front(), at, text);
  return st;
}

scriptstatus neverfunproc(hierpath, Handle, Handle, i32, Handle, i32* count, fred*) {
  *count = 0;
  return err::nosuchfunction;
}

scriptstatus funnotbuilt(hierpath, Handle, Handle, i32, Handle, i32* count, fred*) {
  *count = 0;
  return err::notbuilt;
}

}  // namespace kv
