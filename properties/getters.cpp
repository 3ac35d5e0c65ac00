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
#include "engine/tokens.h"
#include "properties/propfront.h"
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

// clang-format off
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
// clang-format on

consteval tokenroutes<family> buildgetters() {
  tokenroutes<family> t{};
  // Everything starts as a global property; the object families and the words no getter
  // reads are routed over it.
  for (family& g : t) g = fglobal;
  route(t, fnever,
        {tok::alertwindow,
         tok::allowqtvrmessages,
         tok::carbonversion,
         tok::center,
         tok::clocktype,
         tok::dialogwindow,
         tok::documentwindow,
         tok::dotted,
         tok::expirationdate,
         tok::filter,
         tok::finderwindow,
         tok::lefttoright,
         tok::listbackground,
         tok::listsortcolumn,
         tok::modelessdialogwindow,
         tok::righttoleft,
         tok::ruler,
         tok::scripts,
         tok::thick,
         tok::thin,
         tok::utilitywindow});
  route(t, fspot,
        {tok::arcangle,     tok::arrowsize,    tok::aspect,       tok::behavior,          tok::bevelstyle,
         tok::borderstyle,  tok::buttonsize,   tok::clickthrough, tok::clickthroughlevel, tok::contenttype,
         tok::currentvalue, tok::cursor,       tok::destrect,     tok::dontcachebits,     tok::fillback,
         tok::fillfore,     tok::fillpat,      tok::filters,      tok::firstlineindent,   tok::hasparentobject,
         tok::hilitedlines, tok::hilitedtext,  tok::icon,         tok::imagerect,         tok::ink,
         tok::leftindent,   tok::linesize,     tok::linespacing,  tok::liststyle,         tok::magnify,
         tok::maximumvalue, tok::minimumvalue, tok::tickmarks,    tok::objects,           tok::offsetcontents,
         tok::opcolor,      tok::orientation,  tok::part,         tok::penback,           tok::penfore,
         tok::penheight,    tok::penpat,       tok::penwidth,     tok::pictdata,          tok::pictinfo,
         tok::pictpath,     tok::points,       tok::quad,         tok::rightindent,       tok::rotation,
         tok::roundheight,  tok::roundwidth,   tok::rulerinfo,    tok::rulerunits,        tok::selected,
         tok::shadow,       tok::filled,       tok::showpen,      tok::sourcerect,        tok::spaceafter,
         tok::spacebefore,  tok::startangle,   tok::tabsize,      tok::textdata,          tok::textdirection,
         tok::themefill,    tok::themepen,     tok::viewsize});
  route(t, fflags, kFlagWords);
  route(t, floc, kRectangleWords);
  route(t, ftext,
        {tok::strikethrough, tok::textalign, tok::textbackgroundcolor, tok::textcolor, tok::textfont, tok::textheight,
         tok::textink, tok::textsize, tok::textstyle, tok::verticalshift});
  route(t, fwind,
        {tok::opacity, tok::editbackground, tok::hilitecolor, tok::lockscreen, tok::maximumrect, tok::themebackground,
         tok::tool});
  route(t, fsize, {tok::backsize, tok::freesize, tok::owner, tok::size, tok::windowsize});
  route(t, fname, {tok::name});
  route(t, fid, {tok::id});
  route(t, fnumber, {tok::number});
  route(t, fscript, {tok::script});
  route(t, fcontents, {tok::contents});
  route(t, fkind, {tok::kind});
  route(t, fstyle, {tok::style});
  route(t, ftitle, {tok::titlebar});
  route(t, fcmdkey, {tok::commandchar});
  route(t, fcmdmodifiers, {tok::commandmodifiers});
  route(t, fusers, {tok::customproperties});
  route(t, fclut, {tok::clut});
  route(t, fmonitor, {tok::colormode});
  route(t, flaunchargs, {tok::launcharguments});
  route(t, fscroll, {tok::scroll});
  route(t, fmaxscroll, {tok::maximumscroll});
  route(t, frtf, {tok::rtftext});
  route(t, fprops, {tok::props});
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

scriptstatus property(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, Handle locals, i32* count,
                      fred* value) {
  *count = 0;
  u16 token = tokenat(atoms, at);
  if (token == tok::the) token = tokenat(atoms, at + 1);
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
  if (tokenat(atoms, i) == tok::the) ++i;
  u16 next = tokenat(atoms, i + 1);
  if (next == tok::name) return propname(path, text, atoms, at, variables, locals, count, value);
  if (next == tok::id) return propid(path, text, atoms, at, variables, locals, count, value);
  return err::nosuchproperty;
}

KV_GETTER(propglobal) {
  (void)path, (void)text, (void)variables, (void)locals;
  *count = 2;
  if (tokenat(atoms, at) != tok::the) return err::nothe;
  return lowglobal(tokenat(atoms, at + 1), value);
}

i16 constant(Handle atoms, i32 at, i32* count, fred* value) {
  *count = 0;
  u16 t = tokenat(atoms, at);
  static constexpr char chars[] = {'"', 13, ' ', 9, 12, 10};  // quote .. lineFeed (5006-5011)
  i16 st = 0;
  switch (t) {
    case tok::true_:
    case tok::false_: booltonewfred(t == tok::true_ ? 1 : 0, value); break;
    case tok::up:
    case tok::down: fooltonewfred(t == tok::down ? 1 : 0, value); break;
    case tok::empty: st = newfred(value, fredtemp, fredstring, 0); break;
    case tok::pi: st = textonewfred("3.14159265358979323846", value); break;
    case tok::comma:
    case tok::colon:
    case tok::null: {
      const u8 c = t == tok::comma ? ',' : t == tok::colon ? ':' : 0;
      st = charstonewfred(&c, 1, value);
      break;
    }
    default:
      if (t >= tok::quote && t <= tok::linefeed) {
        st = charstonewfred(&chars[t - tok::quote], 1, value);
      } else if (t >= tok::zero && t <= tok::ten) {
        char digits[3] = {t == tok::ten ? '1' : char('0' + (t - tok::zero)), '0', 0};
        st = charstonewfred(digits, t == tok::ten ? 2 : 1, value);
      } else {
        return err::notconstant;
      }
  }
  if (st == 0) *count = 1;
  return st;
}

}  // namespace kv
