// The setter dispatcher: `set [the] <property> [of <object>] to <value>`. The property token
// picks the setter routine, which reads the whole statement itself.
#include <array>
#include <cassert>

#include "engine/expression.h"
#include "engine/keywords.h"
#include "engine/scripterrors.h"
#include "engine/tokens.h"
#include "properties/setters.h"
#include "properties/tokenroutes.h"
#include "core/mainglobals.h"

namespace kv {

namespace {

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

// clang-format off
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
// clang-format on

consteval tokenroutes<family> buildsetters() {
  tokenroutes<family> t{};
  for (family& s : t) s = fnever;
  route(t, fglobal,
        {// Switches stored as they are.
         tok::allowautomaticflavors, tok::allowdeletecardmessages, tok::allowdoubleclick, tok::allowdragexport,
         tok::allowemptypaint, tok::allowfavoriteflavors, tok::allowfieldredraw, tok::allowkeyinfield,
         tok::allowlauncharguments, tok::allowlistenmodes, tok::allowmousewithin, tok::allowpalettes,
         tok::allowtransitions, tok::blindtyping, tok::centered, tok::createpaint, tok::donthidepalettes,
         tok::explicitvars, tok::grid, tok::intlcompare, tok::localdelimiters, tok::lockcursor, tok::lockerrordialogs,
         tok::lockmessages, tok::lockrecent, tok::movieidle, tok::multiple, tok::openresourceforks, tok::powerkeys,
         tok::proportionalscrolling, tok::refreshinsertedscripts, tok::remapcolor, tok::showfocusrects,
         tok::singlewindowlayer, tok::streammode, tok::textarrows, tok::usermodify,
         // Integers.
         tok::appleeventtimeout, tok::backgroundscripttime, tok::backgroundsleeptime, tok::dialingtime,
         tok::fgscripttime, tok::fgsleeptime, tok::progressticks, tok::streambuffer, tok::streamrate, tok::trandelay,
         tok::transtep, tok::brush, tok::cardscrollstep, tok::fieldscrollstep, tok::dragspeed, tok::multispace,
         tok::objectcache, tok::pictcache, tok::scriptcache, tok::polysides, tok::paletteopacity,
         tok::translucentdraglimit, tok::userlevel, tok::idleticks,
         // Switches with an effect.
         tok::allowdraganddrop, tok::allowinlineinput, tok::allowtextservices, tok::allowrecog, tok::allowinterrupts,
         tok::allowmodal, tok::allowmousemessages, tok::allowtooltips, tok::allowobjectcursors, tok::lockmenus,
         tok::modernlook, tok::wysiwygfontmenu, tok::idlecontrols, tok::quartzpicts, tok::quartztext, tok::showgroups,
         tok::plugin, tok::dontlimitwds, tok::editmenus, tok::editscripts, tok::helpballoons,
         // The others.
         tok::audiovolume, tok::backcolor, tok::colorworld, tok::language, tok::multieffect, tok::validateuserprops,
         tok::buffermode, tok::defaultcursor, tok::defaultfolder, tok::editorname, tok::filetype, tok::itemdel,
         tok::linedel, tok::worddel, tok::menuset, tok::numberformat, tok::printlabel, tok::recogphrases,
         tok::serialcontrol, tok::soundvolume, tok::translucentdragopacity, tok::transitionloc, tok::windowlimit,
         tok::backdrop, tok::dockmenu});
  route(t, fflags, kFlagWords);
  route(t, fspot,
        {tok::arcangle,     tok::arrowsize,  tok::behavior,     tok::bevelstyle,   tok::buttonsize, tok::contenttype,
         tok::currentvalue, tok::cursor,     tok::fillback,     tok::fillfore,     tok::fillpat,    tok::icon,
         tok::ink,          tok::linesize,   tok::maximumvalue, tok::minimumvalue, tok::tickmarks,  tok::offsetcontents,
         tok::orientation,  tok::penback,    tok::penfore,      tok::penheight,    tok::penpat,     tok::penwidth,
         tok::roundheight,  tok::roundwidth, tok::rulerunits,   tok::selected,     tok::shadow,     tok::filled,
         tok::showpen,      tok::startangle, tok::tabsize,      tok::themefill,    tok::themepen,   tok::viewsize});
  route(t, floc, kRectangleWords);
  route(t, fextinfo,
        {tok::liststyle, tok::strikethrough, tok::textalign, tok::textbackgroundcolor, tok::textcolor, tok::textfont,
         tok::textheight, tok::textink, tok::textsize, tok::textstyle, tok::verticalshift});
  route(t, fgrc,
        {tok::aspect, tok::clickthrough, tok::clickthroughlevel, tok::destrect, tok::dontcachebits, tok::magnify,
         tok::opcolor, tok::quad, tok::rotation, tok::sourcerect});
  route(t, ffld,
        {tok::borderstyle, tok::firstlineindent, tok::leftindent, tok::linespacing, tok::rightindent, tok::spaceafter,
         tok::spacebefore, tok::textdirection});
  route(t, fwind,
        {tok::opacity, tok::editbackground, tok::hilitecolor, tok::lockscreen, tok::themebackground, tok::tool});
  route(t, fhesize, {tok::backsize, tok::windowsize});
  route(t, fpicturedata, {tok::pictdata});
  route(t, fclut, {tok::clut});
  route(t, fmonitor, {tok::colormode});
  route(t, fscroll, {tok::scroll});
  route(t, fpoints, {tok::points});
  route(t, fpictureinfo, {tok::pictinfo});
  route(t, frulerinfo, {tok::rulerinfo});
  route(t, frtftext, {tok::rtftext});
  route(t, fcmdchar, {tok::commandchar});
  route(t, fcmdmodifiers, {tok::commandmodifiers});
  route(t, fcontents, {tok::contents});
  route(t, fhilited, {tok::hilitedlines});
  route(t, fid, {tok::id});
  route(t, fname, {tok::name});
  route(t, fscript, {tok::script});
  route(t, fstyle, {tok::style});
  route(t, fextdata, {tok::textdata});
  route(t, ftitle, {tok::titlebar});
  route(t, fnowrite,
        {tok::foreground, tok::freesize, tok::hasappearancemanager, tok::hasdragmanager, tok::hasqtvrmgr,
         tok::hasspeechrecogmgr, tok::hastexttospeechmgr, tok::hastextservices, tok::hastsmte, tok::imagerect,
         tok::maximumrect, tok::number, tok::owner, tok::part, tok::pictpath, tok::size});
  return t;
}

constexpr tokenroutes<family> kSetters = buildsetters();

static_assert(routedto(kSetters, fglobal) == 107, "the global property words");
static_assert(routedto(kSetters, fflags) == 46 && routedto(kSetters, fspot) == 36 && routedto(kSetters, floc) == 12);
static_assert(routedto(kSetters, fextinfo) == 11 && routedto(kSetters, fnowrite) == 16);

}  // namespace

setterproc settertable(u16 token) {
  switch (token) {
    case tok::unknown:
    case tok::variable: return setuserprop;
    case tok::offset: return setoffset;
    case tok::papersize:
    case tok::printer:
    case tok::printcopies:
    case tok::printorientation:
    case tok::printrange: return setglobal;
    case tok::pict: return setpicturedata;
    case tok::text: return setfieldtext;
    case tok::short_:
    case tok::long_:
    case tok::abbr: return nowriteproc;
    default: break;
  }
  if (token < firstproperty || token > lastproperty) return neversetproc;
  setterproc routine = kRoutines[kSetters[token - firstproperty]];
  assert(routine != nullptr && "every setter family has its routine");
  return routine;
}

scriptstatus comset(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  const i32 first = at + 1;
  u16 token = tokenat(atoms, first);
  if (token == tok::the) token = tokenat(atoms, first + 1);
  if ((token == tok::commandchar || token == tok::commandmodifiers) && mainglobals().plugin != 0)
    return err::pluginproperty;
  return settertable(token)(path, text, atoms, first, variables, token);
}

KV_SETTER(nowriteproc) {
  (void)path, (void)text, (void)atoms, (void)at, (void)variables, (void)token;
  return err::readonly;
}

KV_SETTER(neversetproc) {
  (void)path, (void)text, (void)atoms, (void)at, (void)variables, (void)token;
  return err::nosuchproperty;
}

}  // namespace kv
