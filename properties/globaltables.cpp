#include "properties/globaltables.h"

#include <array>
#include <cstring>

#include "engine/textutil.h"
#include "engine/tokens.h"
#include "platform/process/gestalt.h"
#include "platform/speech/recognition.h"
#include "platform/speech/speechchannels.h"

namespace kv {

namespace {

template <class T>
struct fieldrow {
  u16 token;
  T MainGlobals::*field;
};

using G = MainGlobals;

constexpr fieldrow<i16> kSwitches[] = {
    {tok::allowautomaticflavors, &G::allowAutomaticFlavors},
    {tok::allowobjectcursors, &G::allowObjectCursors},
    {tok::allowdeletecardmessages, &G::allowDeleteCardMessages},
    {tok::allowdoubleclick, &G::allowDoubleClick},
    {tok::allowdraganddrop, &G::allowDragAndDrop},
    {tok::allowdragexport, &G::allowDragExport},
    {tok::allowemptypaint, &G::allowEmptyPaint},
    {tok::allowfavoriteflavors, &G::allowFavoriteFlavors},
    {tok::allowfieldredraw, &G::allowFieldRedraw},
    {tok::allowinlineinput, &G::allowInlineInput},
    {tok::allowinterrupts, &G::allowInterrupts},
    {tok::allowkeyinfield, &G::allowKeyInField},
    {tok::allowlauncharguments, &G::allowLaunchArguments},
    {tok::allowlistenmodes, &G::allowListenModes},
    {tok::allowmodal, &G::allowModal},
    {tok::allowmousemessages, &G::allowMouseMessages},
    {tok::allowmousewithin, &G::allowMouseWithin},
    {tok::allowpalettes, &G::allowPalettes},
    {tok::allowtooltips, &G::allowToolTips},
    {tok::allowtextservices, &G::allowTextServices},
    {tok::allowtransitions, &G::allowTransitions},
    {tok::blindtyping, &G::blindTyping},
    {tok::centered, &G::centered},
    {tok::colorworld, &G::colorWorld},
    {tok::createpaint, &G::createPaint},
    {tok::donthidepalettes, &G::dontHidePalettes},
    {tok::dontlimitwds, &G::dontLimitWindows},
    {tok::editmenus, &G::editMenus},
    {tok::editscripts, &G::editScripts},
    {tok::explicitvars, &G::explicitVars},
    {tok::grid, &G::grid},
    {tok::hasappearancemanager, &G::hasAppearanceManager},
    {tok::hasdragmanager, &G::hasDragManager},
    {tok::idlecontrols, &G::idleControls},
    {tok::intlcompare, &G::intlCompare},
    {tok::localdelimiters, &G::localDelimiters},
    {tok::lockcursor, &G::lockCursor},
    {tok::lockerrordialogs, &G::lockErrorDialogs},
    {tok::lockmenus, &G::lockMenus},
    {tok::lockmessages, &G::lockMessages},
    {tok::lockrecent, &G::lockRecent},
    {tok::modernlook, &G::modernLook},
    {tok::movieidle, &G::movieIdle},
    {tok::multieffect, &G::multiEffect},
    {tok::multiple, &G::multiple},
    {tok::openresourceforks, &G::openResourceForks},
    {tok::powerkeys, &G::powerKeys},
    {tok::proportionalscrolling, &G::proportionalScrolling},
    {tok::quartzpicts, &G::quartzPicts},
    {tok::refreshinsertedscripts, &G::refreshInsertedScripts},
    {tok::remapcolor, &G::remapColor},
    {tok::showfocusrects, &G::showFocusRects},
    {tok::showgroups, &G::showGroups},
    {tok::singlewindowlayer, &G::singleWindowLayer},
    {tok::streammode, &G::streamMode},
    {tok::textarrows, &G::textArrows},
    {tok::usermodify, &G::userModify},
    {tok::validateuserprops, &G::validateUserProps},
    {tok::wysiwygfontmenu, &G::wysiwygFontMenu},
    {tok::filled, &G::filled},
    {tok::showpen, &G::showPen},
    {tok::allowrecog, &G::allowRecog},
    {tok::helpballoons, &G::helpBalloons},
    {tok::plugin, &G::plugin},
    {tok::hastextservices, &G::hasTextServices},
    {tok::hastsmte, &G::hasTSMTE},
    {tok::hasqtvrmgr, &G::hasQTVRManager},
};

constexpr fieldrow<i16> kSmallNumbers[] = {
    {tok::cardscrollstep, &G::cardScrollStep},
    {tok::dragspeed, &G::dragSpeed},
    {tok::fieldscrollstep, &G::fieldScrollStep},
    {tok::multispace, &G::multiSpace},
    {tok::polysides, &G::polySides},
    {tok::userlevel, &G::userLevel},
    {tok::penheight, &G::penHeight},
    {tok::penwidth, &G::penWidth},
    {tok::tabsize, &G::tabSize},
    {tok::textsize, &G::textSize},
};

constexpr fieldrow<i32> kLargeNumbers[] = {
    {tok::backgroundscripttime, &G::bgScriptTime},
    {tok::backgroundsleeptime, &G::bgSleepTime},
    {tok::dialingtime, &G::dialingTime},
    {tok::fgsleeptime, &G::fgSleepTime},
    {tok::fgscripttime, &G::fgScriptTime},
    {tok::idleticks, &G::idleTicks},
    {tok::objectcache, &G::objectCache},
    {tok::pictcache, &G::pictCache},
    {tok::progressticks, &G::progressTicks},
    {tok::scriptcache, &G::scriptCache},
    {tok::streambuffer, &G::streamBuffer},
    {tok::streamrate, &G::streamRate},
    {tok::trandelay, &G::trandelay},
    {tok::transtep, &G::transtep},
    {tok::translucentdraglimit, &G::translucentDragLimit},
};

constexpr fieldrow<i16> kIndexes[] = {
    {tok::brush, &G::brush},     {tok::fillback, &G::fillBack}, {tok::fillfore, &G::fillFore},
    {tok::fillpat, &G::fillPat}, {tok::penback, &G::penback},   {tok::penfore, &G::penFore},
    {tok::penpat, &G::penPat},
};

template <class T, size_t N>
T* fieldof(const fieldrow<T> (&rows)[N], u16 token) {
  for (const fieldrow<T>& r : rows) {
    if (r.token == token) return &(mainglobals().*(r.field));
  }
  return nullptr;
}

// Stop bits, parity, data bits, baud rates, handshake, port.
constexpr std::array<serialword, 28> kSerialWords{{
    {"stop10", 1}, {"stop15", 2}, {"stop20", 3}, {"none", 0},  {"odd", 1},   {"none", 2},    {"even", 3},
    {"5", 0},      {"7", 1},      {"6", 2},      {"8", 3},     {"300", 380}, {"600", 189},   {"1200", 94},
    {"1800", 62},  {"2400", 46},  {"3600", 30},  {"4800", 22}, {"7200", 14}, {"9600", 10},   {"19200", 4},
    {"28800", 2},  {"38400", 1},  {"57600", 0},  {"true", 1},  {"false", 0}, {"printer", 1}, {"modem", 0},
}};

constexpr std::array<serialfield, 6> kSerialFields{{
    {11, 23, 0, 0x3FF},
    {7, 10, 10, 0xC00},
    {3, 6, 12, 0x3000},
    {0, 2, 14, 0xC000},
    {24, 25, 16, 0x10000},
    {26, 27, 17, 0x20000},
}};

}  // namespace

i16* globalswitch(u16 token) { return fieldof(kSwitches, token); }

globalnumber globalinteger(u16 token) {
  globalnumber n;
  n.small = fieldof(kSmallNumbers, token);
  if (n.small == nullptr) n.large = fieldof(kLargeNumbers, token);
  return n;
}

i16* globalindex(u16 token) { return fieldof(kIndexes, token); }

bool globalcapability(u16 token, bool* on) {
  // What the platform has (espeak-ng, pocketsphinx and its model), whether or not speech was
  // used yet.
  switch (token) {
    case tok::hasspeechrecogmgr: *on = SRAvailable(); return true;
    case tok::hastexttospeechmgr: *on = speechsynthesizerready(); return true;
    default: return false;
  }
}

std::span<const serialword> serialwords() { return kSerialWords; }
std::span<const serialfield> sercontrol() { return kSerialFields; }

i16 getservalue(const u8* word, i32 n, u16 first, u16 last) {
  if (first > last || last >= kSerialWords.size()) return -1;
  for (u16 i = first; i <= last; ++i) {
    const char* row = kSerialWords[i].word;
    // A row word shorter than the given word cannot begin with it.
    if (i32(std::strlen(row)) < n) continue;
    if (equalchars(word, reinterpret_cast<const u8*>(row), n)) return kSerialWords[i].code;
  }
  return -1;
}

}  // namespace kv
