// The getter dispatcher: the property token picks the getter routine, which reads the whole
// expression itself; the dispatcher posts a positive status once, at the expression's first
// atom. Also the language constants.
#include <array>
#include <cassert>

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/scripterror.h"
#include "engine/scripterrors.h"
#include "properties/getters.h"
#include "properties/propfront.h"
#include "properties/propwords.h"
#include "properties/tokenroutes.h"

namespace kv {

namespace {

// The getter families, one per routine.
enum family : u8 {
  fglobal,
  fnever,
  fspot,
  fflags,
  floc,
  ftext,
  fwind,
  fsize,
  fname,
  fid,
  fnumber,
  fscript,
  fcontents,
  fkind,
  fstyle,
  ftitle,
  fcmdkey,
  fcmdmodifiers,
  fusers,
  fclut,
  fmonitor,
  flaunchargs,
  fscroll,
  fmaxscroll,
  frtf,
  fprops,
  familycount,
};

constexpr std::array<getterproc, familycount> kRoutines{
    propglobal,
    neverproc,
    propspot,
    propflags,
    proploc,
    proptext,
    propwind,
    propsize,
    propname,
    propid,
    propnumber,
    propscript,
    propcontents,
    propkind,
    propstyle,
    proptitle,
    propcmdkey,
    propcmdmodifiers,
    propusers,
    propclut,
    propmonitor,
    proplaunchargs,
    propscroll,
    propmaxscroll,
    proprtf,
    proprops,
};

consteval tokenroutes<family> buildgetters() {
  tokenroutes<family> t{};
  // Everything starts as a global property; the object families and the words no getter
  // reads are routed over it.
  for (family& g : t) g = fglobal;
  route(t, fnever,
        {pwAlertWindow, pwAllowQTVRMessages, pwCarbonVersion, pwCenter, pwClockType, pwDialogWindow,
         pwDocumentWindow, pwDotted, pwExpirationDate, pwFilter, pwFinderWindow, pwLeftToRight, pwListBackground,
         pwListSortColumn, pwModelessDialogWindow, pwRightToLeft, pwRuler, pwScripts, pwThick, pwThin,
         pwUtilityWindow});
  route(t, fspot,
        {pwArcAngle,        pwArrowSize,      pwAspect,         pwBehavior,      pwBevelStyle,    pwBorderStyle,
         pwButtonSize,      pwClickThrough,   pwClickThroughLevel, pwContentType, pwCurrentValue,  pwCursor,
         pwDestRect,        pwDontCacheBits,  pwFillBack,       pwFillFore,      pwFillPat,       pwFilters,
         pwFirstLineIndent, pwHasParentObject, pwHilitedLines,  pwHilitedText,   pwIcon,          pwImageRect,
         pwInk,             pwLeftIndent,     pwLineSize,       pwLineSpacing,   pwListStyle,     pwMagnify,
         pwMaximumValue,    pwMinimumValue,   pwTickMarks,      pwObjects,       pwOffsetContents, pwOpColor,
         pwOrientation,     pwPart,           pwPenback,        pwPenFore,       pwPenHeight,     pwPenPat,
         pwPenWidth,        pwPictData,       pwPictInfo,       pwPictPath,      pwPoints,        pwQuad,
         pwRightIndent,     pwRotation,       pwRoundHeight,    pwRoundWidth,    pwRulerInfo,     pwRulerUnits,
         pwSelected,        pwShadow,         pwFilled,         pwShowPen,       pwSourceRect,    pwSpaceAfter,
         pwSpaceBefore,     pwStartAngle,     pwTabSize,        pwTextData,      pwTextDirection, pwThemeFill,
         pwThemePen,        pwViewSize});
  route(t, fflags, kFlagWords);
  route(t, floc, kRectangleWords);
  route(t, ftext,
        {pwStrikeThrough, pwTextAlign, pwTextBackgroundColor, pwTextColor, pwTextFont, pwTextHeight, pwTextInk,
         pwTextSize, pwTextStyle, pwVerticalShift});
  route(t, fwind,
        {pwOpacity, pwEditBackground, pwHiliteColor, pwLockScreen, pwMaximumRect, pwThemeBackground, pwTool});
  route(t, fsize, {pwBackSize, pwFreeSize, pwOwner, pwSize, pwWindowSize});
  route(t, fname, {pwName});
  route(t, fid, {pwId});
  route(t, fnumber, {pwNumber});
  route(t, fscript, {pwScript});
  route(t, fcontents, {pwContents});
  route(t, fkind, {pwKind});
  route(t, fstyle, {pwStyle});
  route(t, ftitle, {pwTitleBar});
  route(t, fcmdkey, {pwCommandChar});
  route(t, fcmdmodifiers, {pwCommandModifiers});
  route(t, fusers, {pwCustomProperties});
  route(t, fclut, {pwClut});
  route(t, fmonitor, {pwColorMode});
  route(t, flaunchargs, {pwLaunchArguments});
  route(t, fscroll, {pwScroll});
  route(t, fmaxscroll, {pwMaximumScroll});
  route(t, frtf, {pwRtfText});
  route(t, fprops, {pwProps});
  return t;
}

constexpr tokenroutes<family> kGetters = buildgetters();

static_assert(routedto(kGetters, fglobal) == 118, "the global property words");
static_assert(routedto(kGetters, fspot) == 68 && routedto(kGetters, fflags) == 46 && routedto(kGetters, floc) == 12);
static_assert(routedto(kGetters, ftext) == 10 && routedto(kGetters, fwind) == 7 && routedto(kGetters, fsize) == 5);

}  // namespace

getterproc gettertable(u16 token) {
  if (token >= firstnameform && token <= lastnameform) return propcase;
  if (token < firstproperty || token > lastproperty) return neverproc;
  getterproc routine = kRoutines[kGetters[token - firstproperty]];
  assert(routine != nullptr && "every getter family has its routine");
  return routine;
}

i16 property(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, Handle locals, i32* count,
             fred* value) {
  *count = 0;
  u16 token = tokenat(atoms, at);
  if (token == tokThe) token = tokenat(atoms, at + 1);
  i16 st = gettertable(token)(path, text, atoms, at, variables, locals, count, value);
  if (st > 0 && !path.empty()) posterror(path.front(), at, text);
  return st;
}

KV_GETTER(neverproc) {
  (void)path, (void)text, (void)atoms, (void)at, (void)variables, (void)locals, (void)value;
  *count = 0;
  return err::nosuchproperty;
}

KV_GETTER(propcase) {
  *count = 0;
  i32 i = at;
  if (tokenat(atoms, i) == tokThe) ++i;
  u16 next = tokenat(atoms, i + 1);
  if (next == pwName) return propname(path, text, atoms, at, variables, locals, count, value);
  if (next == pwId) return propid(path, text, atoms, at, variables, locals, count, value);
  return err::nosuchproperty;
}

KV_GETTER(propglobal) {
  (void)path, (void)text, (void)variables, (void)locals;
  *count = 2;
  if (tokenat(atoms, at) != tokThe) return err::nothe;
  return lowglobal(tokenat(atoms, at + 1), value);
}

i16 constant(Handle atoms, i32 at, i32* count, fred* value) {
  *count = 0;
  u16 t = tokenat(atoms, at);
  static constexpr char chars[] = {'"', 13, ' ', 9, 12, 10};  // quote .. lineFeed (5006-5011)
  i16 st = 0;
  switch (t) {
    case 5001:
    case 5002: booltonewfred(t == 5001 ? 1 : 0, value); break;
    case 5003:
    case 5004: fooltonewfred(t == 5004 ? 1 : 0, value); break;
    case 5005: st = newfred(value, fredtemp, fredstring, 0); break;
    case 5012: st = textonewfred("3.14159265358979323846", value); break;
    case 5024:
    case 5025:
    case 5026: {
      const u8 c = t == 5024 ? ',' : t == 5025 ? ':' : 0;
      st = charstonewfred(&c, 1, value);
      break;
    }
    default:
      if (t >= 5006 && t <= 5011) {
        st = charstonewfred(&chars[t - 5006], 1, value);
      } else if (t >= 5013 && t <= 5023) {
        char digits[3] = {t == 5023 ? '1' : char('0' + (t - 5013)), '0', 0};
        st = charstonewfred(digits, t == 5023 ? 2 : 1, value);
      } else {
        return err::notconstant;
      }
  }
  if (st == 0) *count = 1;
  return st;
}

}  // namespace kv
