// The setter dispatcher: `set [the] <property> [of <object>] to <value>`. The property token
// picks the setter routine, which reads the whole statement itself.
#include <array>

#include "engine/expression.h"
#include "engine/keywords.h"
#include "properties/propwords.h"
#include "properties/setters.h"
#include "properties/tokenroutes.h"
#include "core/mainglobals.h"

namespace kv {

namespace {

constexpr i16 statusplugin = 177, statusreadonly = 65, statusnoproperty = 43;

// The setter families, one per routine.
enum family : u8 {
  fnever,
  fglobal,
  fflags,
  fspot,
  floc,
  fextinfo,
  fgrc,
  ffld,
  fwind,
  fhesize,
  fpicturedata,
  fclut,
  fmonitor,
  fscroll,
  fpoints,
  fpictureinfo,
  frulerinfo,
  frtftext,
  fcmdchar,
  fcmdmodifiers,
  fcontents,
  fhilited,
  fid,
  fname,
  fscript,
  fstyle,
  fextdata,
  ftitle,
  fnowrite,
  familycount,
};

constexpr std::array<setterproc, familycount> kRoutines{
    neversetproc,
    setglobal,
    setflags,
    setspot,
    setloc,
    setextinfo,
    spotgrcproc,
    spotfldproc,
    setwind,
    sethesize,
    setpicturedata,
    setclut,
    setmonitor,
    setscroll,
    setpoints,
    setpictureinfo,
    setrulerinfo,
    setrtftext,
    setcmdchar,
    setcmdmodifiers,
    setcontents,
    sethilited,
    setid,
    setname,
    setscript,
    setstyle,
    setextdata,
    setitle,
    nowriteproc,
};

consteval tokenroutes<family> buildsetters() {
  tokenroutes<family> t{};
  for (family& s : t) s = fnever;
  route(t, fglobal,
        {// Switches stored as they are.
         pwAllowAutomaticFlavors, pwAllowDeleteCardMessages, pwAllowDoubleClick, pwAllowDragExport,
         pwAllowEmptyPaint, pwAllowFavoriteFlavors, pwAllowFieldRedraw, pwAllowKeyInField, pwAllowLaunchArguments,
         pwAllowListenModes, pwAllowMouseWithin, pwAllowPalettes, pwAllowTransitions, pwBlindTyping, pwCentered,
         pwCreatePaint, pwDontHidePalettes, pwExplicitVars, pwGrid, pwIntlCompare, pwLocalDelimiters, pwLockCursor,
         pwLockErrorDialogs, pwLockMessages, pwLockRecent, pwMovieIdle, pwMultiple, pwOpenResourceForks,
         pwPowerKeys, pwProportionalScrolling, pwRefreshInsertedScripts, pwRemapColor, pwShowFocusRects,
         pwSingleWindowLayer, pwStreamMode, pwTextArrows, pwUserModify,
         // Integers.
         pwAppleEventTimeout, pwBackgroundScriptTime, pwBackgroundSleepTime, pwDialingTime, pwFgScriptTime,
         pwFgSleepTime, pwProgressTicks, pwStreamBuffer, pwStreamRate, pwTrandelay, pwTranstep, pwBrush,
         pwCardScrollStep, pwFieldScrollStep, pwDragSpeed, pwMultiSpace, pwObjectCache, pwPictCache,
         pwScriptCache, pwPolySides, pwPaletteOpacity, pwTranslucentDragLimit, pwUserLevel, pwIdleTicks,
         // Switches with an effect.
         pwAllowDragAndDrop, pwAllowInlineInput, pwAllowTextServices, pwAllowRecog, pwAllowInterrupts,
         pwAllowModal, pwAllowMouseMessages, pwAllowToolTips, pwAllowObjectCursors, pwLockMenus, pwModernLook,
         pwWysiwygFontMenu, pwIdleControls, pwQuartzPicts, pwQuartzText, pwShowGroups, pwPlugin,
         pwDontLimitWindows, pwEditMenus, pwEditScripts, pwHelpBalloons,
         // The others.
         pwAudioVolume, pwBackColor, pwColorWorld, pwLanguage, pwMultiEffect, pwValidateUserProps, pwBufferMode,
         pwDefaultCursor, pwDefaultFolder, pwEditorName, pwFileType, pwItemDelimiter, pwLineDelimiter,
         pwWordDelimiter, pwMenuSet, pwNumberFormat, pwPrintLabel, pwRecogPhrases, pwSerialControl,
         pwSoundVolume, pwTranslucentDragOpacity, pwTransitionLoc, pwWindowLimit, pwBackDrop, pwDockMenu});
  route(t, fflags, kFlagWords);
  route(t, fspot,
        {pwArcAngle, pwArrowSize, pwBehavior, pwBevelStyle, pwButtonSize, pwContentType, pwCurrentValue, pwCursor,
         pwFillBack, pwFillFore, pwFillPat, pwIcon, pwInk, pwLineSize, pwMaximumValue, pwMinimumValue, pwTickMarks,
         pwOffsetContents, pwOrientation, pwPenback, pwPenFore, pwPenHeight, pwPenPat, pwPenWidth, pwRoundHeight,
         pwRoundWidth, pwRulerUnits, pwSelected, pwShadow, pwFilled, pwShowPen, pwStartAngle, pwTabSize,
         pwThemeFill, pwThemePen, pwViewSize});
  route(t, floc, kRectangleWords);
  route(t, fextinfo,
        {pwListStyle, pwStrikeThrough, pwTextAlign, pwTextBackgroundColor, pwTextColor, pwTextFont, pwTextHeight,
         pwTextInk, pwTextSize, pwTextStyle, pwVerticalShift});
  route(t, fgrc,
        {pwAspect, pwClickThrough, pwClickThroughLevel, pwDestRect, pwDontCacheBits, pwMagnify, pwOpColor, pwQuad,
         pwRotation, pwSourceRect});
  route(t, ffld,
        {pwBorderStyle, pwFirstLineIndent, pwLeftIndent, pwLineSpacing, pwRightIndent, pwSpaceAfter, pwSpaceBefore,
         pwTextDirection});
  route(t, fwind, {pwOpacity, pwEditBackground, pwHiliteColor, pwLockScreen, pwThemeBackground, pwTool});
  route(t, fhesize, {pwBackSize, pwWindowSize});
  route(t, fpicturedata, {pwPictData});
  route(t, fclut, {pwClut});
  route(t, fmonitor, {pwColorMode});
  route(t, fscroll, {pwScroll});
  route(t, fpoints, {pwPoints});
  route(t, fpictureinfo, {pwPictInfo});
  route(t, frulerinfo, {pwRulerInfo});
  route(t, frtftext, {pwRtfText});
  route(t, fcmdchar, {pwCommandChar});
  route(t, fcmdmodifiers, {pwCommandModifiers});
  route(t, fcontents, {pwContents});
  route(t, fhilited, {pwHilitedLines});
  route(t, fid, {pwId});
  route(t, fname, {pwName});
  route(t, fscript, {pwScript});
  route(t, fstyle, {pwStyle});
  route(t, fextdata, {pwTextData});
  route(t, ftitle, {pwTitleBar});
  route(t, fnowrite,
        {pwForeGround, pwFreeSize, pwHasAppearanceManager, pwHasDragManager, pwHasQTVRManager,
         pwHasSpeechRecogManager, pwHasTextToSpeechManager, pwHasTextServices, pwHasTSMTE, pwImageRect,
         pwMaximumRect, pwNumber, pwOwner, pwPart, pwPictPath, pwSize});
  return t;
}

constexpr tokenroutes<family> kSetters = buildsetters();

static_assert(routedto(kSetters, fglobal) == 107, "the global property words");
static_assert(routedto(kSetters, fflags) == 46 && routedto(kSetters, fspot) == 36 && routedto(kSetters, floc) == 12);
static_assert(routedto(kSetters, fextinfo) == 11 && routedto(kSetters, fnowrite) == 16);

}  // namespace

setterproc settertable(u16 token) {
  switch (token) {
    case tokUnknown:
    case tokVariable: return setuserprop;
    case tokOffset: return setoffset;
    case tokPaperSize:
    case tokPrinter:
    case tokPrintCopies:
    case tokPrintOrientation:
    case tokPrintRange: return setglobal;
    case tokPict: return setpicturedata;
    case tokText: return setfieldtext;
    case tokShort:
    case tokLong:
    case tokAbbr: return nowriteproc;
    default: break;
  }
  if (token < firstproperty || token > lastproperty) return neversetproc;
  return kRoutines[kSetters[token - firstproperty]];
}

i16 comset(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  const i32 first = at + 1;
  u16 token = tokenat(atoms, first);
  if (token == tokThe) token = tokenat(atoms, first + 1);
  if ((token == pwCommandChar || token == pwCommandModifiers) && mainglobals().plugin != 0) return statusplugin;
  return settertable(token)(path, text, atoms, first, variables, token);
}

KV_SETTER(nowriteproc) {
  (void)path, (void)text, (void)atoms, (void)at, (void)variables, (void)token;
  return statusreadonly;
}

KV_SETTER(neversetproc) {
  (void)path, (void)text, (void)atoms, (void)at, (void)variables, (void)token;
  return statusnoproperty;
}

}  // namespace kv
