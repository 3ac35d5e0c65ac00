#include "properties/globaltables.h"

#include <array>
#include <cstring>

#include "engine/textutil.h"
#include "platform/process/gestalt.h"
#include "platform/speech/recognition.h"
#include "platform/speech/speechchannels.h"
#include "properties/propwords.h"

namespace kv {

namespace {

template <class T>
struct fieldrow {
  u16 token;
  T MainGlobals::*field;
};

using G = MainGlobals;

constexpr fieldrow<i16> kSwitches[] = {
    {pwAllowAutomaticFlavors, &G::allowAutomaticFlavors},
    {pwAllowObjectCursors, &G::allowObjectCursors},
    {pwAllowDeleteCardMessages, &G::allowDeleteCardMessages},
    {pwAllowDoubleClick, &G::allowDoubleClick},
    {pwAllowDragAndDrop, &G::allowDragAndDrop},
    {pwAllowDragExport, &G::allowDragExport},
    {pwAllowEmptyPaint, &G::allowEmptyPaint},
    {pwAllowFavoriteFlavors, &G::allowFavoriteFlavors},
    {pwAllowFieldRedraw, &G::allowFieldRedraw},
    {pwAllowInlineInput, &G::allowInlineInput},
    {pwAllowInterrupts, &G::allowInterrupts},
    {pwAllowKeyInField, &G::allowKeyInField},
    {pwAllowLaunchArguments, &G::allowLaunchArguments},
    {pwAllowListenModes, &G::allowListenModes},
    {pwAllowModal, &G::allowModal},
    {pwAllowMouseMessages, &G::allowMouseMessages},
    {pwAllowMouseWithin, &G::allowMouseWithin},
    {pwAllowPalettes, &G::allowPalettes},
    {pwAllowToolTips, &G::allowToolTips},
    {pwAllowTextServices, &G::allowTextServices},
    {pwAllowTransitions, &G::allowTransitions},
    {pwBlindTyping, &G::blindTyping},
    {pwCentered, &G::centered},
    {pwColorWorld, &G::colorWorld},
    {pwCreatePaint, &G::createPaint},
    {pwDontHidePalettes, &G::dontHidePalettes},
    {pwDontLimitWindows, &G::dontLimitWindows},
    {pwEditMenus, &G::editMenus},
    {pwEditScripts, &G::editScripts},
    {pwExplicitVars, &G::explicitVars},
    {pwGrid, &G::grid},
    {pwHasAppearanceManager, &G::hasAppearanceManager},
    {pwHasDragManager, &G::hasDragManager},
    {pwIdleControls, &G::idleControls},
    {pwIntlCompare, &G::intlCompare},
    {pwLocalDelimiters, &G::localDelimiters},
    {pwLockCursor, &G::lockCursor},
    {pwLockErrorDialogs, &G::lockErrorDialogs},
    {pwLockMenus, &G::lockMenus},
    {pwLockMessages, &G::lockMessages},
    {pwLockRecent, &G::lockRecent},
    {pwModernLook, &G::modernLook},
    {pwMovieIdle, &G::movieIdle},
    {pwMultiEffect, &G::multiEffect},
    {pwMultiple, &G::multiple},
    {pwOpenResourceForks, &G::openResourceForks},
    {pwPowerKeys, &G::powerKeys},
    {pwProportionalScrolling, &G::proportionalScrolling},
    {pwQuartzPicts, &G::quartzPicts},
    {pwRefreshInsertedScripts, &G::refreshInsertedScripts},
    {pwRemapColor, &G::remapColor},
    {pwShowFocusRects, &G::showFocusRects},
    {pwShowGroups, &G::showGroups},
    {pwSingleWindowLayer, &G::singleWindowLayer},
    {pwStreamMode, &G::streamMode},
    {pwTextArrows, &G::textArrows},
    {pwUserModify, &G::userModify},
    {pwValidateUserProps, &G::validateUserProps},
    {pwWysiwygFontMenu, &G::wysiwygFontMenu},
    {pwFilled, &G::filled},
    {pwShowPen, &G::showPen},
    {pwAllowRecog, &G::allowRecog},
    {pwHelpBalloons, &G::helpBalloons},
    {pwPlugin, &G::plugin},
    {pwHasTextServices, &G::hasTextServices},
    {pwHasTSMTE, &G::hasTSMTE},
    {pwHasQTVRManager, &G::hasQTVRManager},
};

constexpr fieldrow<i16> kSmallNumbers[] = {
    {pwCardScrollStep, &G::cardScrollStep}, {pwDragSpeed, &G::dragSpeed},   {pwFieldScrollStep, &G::fieldScrollStep},
    {pwMultiSpace, &G::multiSpace},         {pwPolySides, &G::polySides},   {pwUserLevel, &G::userLevel},
    {pwPenHeight, &G::penHeight},           {pwPenWidth, &G::penWidth},     {pwTabSize, &G::tabSize},
    {pwTextSize, &G::textSize},
};

constexpr fieldrow<i32> kLargeNumbers[] = {
    {pwBackgroundScriptTime, &G::bgScriptTime},
    {pwBackgroundSleepTime, &G::bgSleepTime},
    {pwDialingTime, &G::dialingTime},
    {pwFgSleepTime, &G::fgSleepTime},
    {pwFgScriptTime, &G::fgScriptTime},
    {pwIdleTicks, &G::idleTicks},
    {pwObjectCache, &G::objectCache},
    {pwPictCache, &G::pictCache},
    {pwProgressTicks, &G::progressTicks},
    {pwScriptCache, &G::scriptCache},
    {pwStreamBuffer, &G::streamBuffer},
    {pwStreamRate, &G::streamRate},
    {pwTrandelay, &G::trandelay},
    {pwTranstep, &G::transtep},
    {pwTranslucentDragLimit, &G::translucentDragLimit},
};

constexpr fieldrow<i16> kIndexes[] = {
    {pwBrush, &G::brush},     {pwFillBack, &G::fillBack}, {pwFillFore, &G::fillFore}, {pwFillPat, &G::fillPat},
    {pwPenback, &G::penback}, {pwPenFore, &G::penFore},   {pwPenPat, &G::penPat},
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
    {"stop10", 1}, {"stop15", 2}, {"stop20", 3},
    {"none", 0},   {"odd", 1},    {"none", 2},   {"even", 3},
    {"5", 0},      {"7", 1},      {"6", 2},      {"8", 3},
    {"300", 380},  {"600", 189},  {"1200", 94},  {"1800", 62},  {"2400", 46},  {"3600", 30},  {"4800", 22},
    {"7200", 14},  {"9600", 10},  {"19200", 4},  {"28800", 2},  {"38400", 1},  {"57600", 0},
    {"true", 1},   {"false", 0},
    {"printer", 1}, {"modem", 0},
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
    case pwHasSpeechRecogManager: *on = SRAvailable(); return true;
    case pwHasTextToSpeechManager: *on = speechsynthesizerready(); return true;
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
