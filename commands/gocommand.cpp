// Going between cards and windows from scripts: the destination parser and the go, help,
// arrowKey, quit and reset commands, and the quit sequence they share with `close all windows`
// and the menu key.
#include <cstring>

#include "commands/dispatch.h"
#include "commands/navigation.h"
#include "engine/tokens.h"
#include "media/print.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbers.h"
#include "engine/numbertext.h"
#include "engine/objectsend.h"
#include "engine/objectutil.h"
#include "engine/sendmes.h"
#include "engine/status.h"
#include "engine/textutil.h"
#include "engine/tokenizer.h"
#include "platform/events/eventrecord.h"
#include "shell/cardhistory.h"
#include "core/mainglobals.h"
#include "shell/projectclose.h"
#include "shell/quit.h"
#include "shell/windnav.h"
#include "shell/windtable.h"
#include "store/forms.h"
#include "store/refparse.h"
#include "system/externalevents.h"

namespace kv {

namespace {

bool lineends(Handle atoms, i32 i) {
  u16 t = tokenat(atoms, i);
  return t == tok::endofline || t == tok::endofscript;
}

// The selector of a word that stands for a card by its place; false for any other word.
bool placeword(u16 t, selpart* p) {
  i32 current = i32(mainglobals().current.cardnum);
  if (t >= tok::first && t <= tok::tenth) *p = selpart{selnumber, i32(t - tok::first + 1), {}, 0};
  else if (t == tok::last) *p = selpart{sellast, 0, {}, 0};
  else if (t == tok::any) *p = selpart{selany, 0, {}, 0};
  else if (t == tok::mid) *p = selpart{selmiddle, 0, {}, 0};
  else if (t == tok::prev) *p = selpart{selprev, current, {}, 0};
  else if (t == tok::next) *p = selpart{selnext, current, {}, 0};
  else if (t == tok::current) *p = selpart{selnumber, current, {}, 0};
  else return false;
  return true;
}

// Words that begin an object reference: a destination that begins with one is read as a
// reference, never evaluated.
bool referenceword(u16 t) {
  selpart ignored{};
  return t == tok::card || t == tok::background || t == tok::wd || t == tok::project || t == tok::in ||
         t == tok::recent || t == tok::back || t == tok::forth || placeword(t, &ignored);
}

bool emptyform(const form& f) {
  return f.card.selector == selnone && f.back.selector == selnone && f.wind.selector == selnone &&
         f.proj.selector == selnone;
}

// A destination read from a text (a variable's value): tokenised and built as a reference; words
// left over give 19.
scriptstatus formfromvalue(hierpath path, Handle variables, ConstStringPtr value, form* f) {
  Handle text = nilhandle, atoms = nilhandle;
  if (stringtonewh(value, &text) != 0) return err::nomemory;
  i16 st = tokenize(text, &atoms);
  if (st == 0) {
    i32 used = 0;
    *f = form{};
    st = buildform(path, text, atoms, 0, variables, 1, &used, f);
    if (st == 0 && (used == 0 || !lineends(atoms, used))) st = used == 0 ? err::cantunderstand : err::stray;
  }
  if (atoms != nilhandle) DisposeHandle(atoms);
  DisposeHandle(text);
  return st;
}

// A card named by its place, then optionally `card` and `of` with the background, window and
// project parts.
scriptstatus placedestination(hierpath path, Handle text, Handle atoms, i32* i, Handle variables, form* f) {
  if (!placeword(tokenat(atoms, *i), &f->card)) return err::cantunderstand;
  ++*i;
  if (tokenat(atoms, *i) == tok::card) ++*i;
  if (tokenat(atoms, *i) != tok::in) return 0;
  form tail{};
  i32 used = 0;
  if (i16 st = buildform(path, text, atoms, *i, variables, 0, &used, &tail)) return st;
  if (used == 0 || tail.card.selector != selnone) return err::stray;
  *i += used;
  f->back = tail.back;
  f->wind = tail.wind;
  f->proj = tail.proj;
  return 0;
}

// Goes to a destination the way go does: a handler that moved elsewhere ends it with 0, a
// cancelled "Where is" dialog leaves "Cancel" in the result.
i16 goto_(const form& f) {
  i16 st = gotowindow(f);
  if (st == kCardChanged) return 0;
  if (st == err::cancelled) return setresulttext(1);
  return st;
}

}  // namespace

scriptstatus scangoto(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, form* f) {
  *f = form{};
  u16 first = tokenat(atoms, at);
  // One word alone, or a word and `card`.
  bool alone = lineends(atoms, at + 1) || (tokenat(atoms, at + 1) == tok::card && lineends(atoms, at + 2));
  if (alone) {
    if (placeword(first, &f->card)) return 0;
    if (first == tok::back || first == tok::recent) return backcard(path, variables, f);
    if (first == tok::forth) return forthcard(path, variables, f);
  }
  if (first == tok::stringatom && lineends(atoms, at + 1)) {
    atomchars name{};
    if (i16 st = quotedchars(HandleAs<atom>(atoms)[at], text, &name)) return st;
    if (name.length > 255) return err::nametoolong;
    f->card.selector = selname;
    f->card.name[0] = u8(name.length);
    std::memcpy(f->card.name + 1, name.bytes, size_t(name.length));
    return 0;
  }
  if (!referenceword(first)) {
    fred v{};
    i32 used = 0;
    i16 st = factor(path, text, atoms, at, variables, nilhandle, &used, &v);
    if (st == 0) {
      Str255 value{};
      fredtostring(&v, value);
      disposfred(&v);
      if (lineends(atoms, at + used)) return formfromvalue(path, variables, value, f);
    } else if (st != err::novariable) {
      return st;
    }
  }
  i32 i = at;
  u16 second = tokenat(atoms, at + 1);
  selpart place{};
  if (placeword(first, &place) && (second == tok::card || second == tok::in || lineends(atoms, at + 1))) {
    if (i16 st = placedestination(path, text, atoms, &i, variables, f)) return st;
  } else {
    i32 used = 0;
    if (i16 st = buildform(path, text, atoms, at, variables, 1, &used, f)) return st;
    if (used == 0) return err::cantunderstand;
    // A card is not a part of another card.
    for (i32 k = at; k + 1 < at + used; ++k)
      if (tokenat(atoms, k) == tok::in && tokenat(atoms, k + 1) == tok::card) return err::stray;
    i += used;
  }
  return lineends(atoms, i) ? i16(0) : err::stray;
}

scriptstatus comgo(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  i32 i = at + 1;
  if (tokenat(atoms, i) == tok::to) ++i;
  if (lineends(atoms, i)) return err::cantunderstand;
  form f{};
  if (i16 st = scangoto(path, text, atoms, i, variables, &f)) return st;
  // The history had nowhere to go.
  if (emptyform(f)) return 0;
  return goto_(f);
}

scriptstatus comhelp(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  // The word help itself begins the destination: a bare word names a project.
  form f{};
  i32 used = 0;
  if (i16 st = buildform(path, text, atoms, at, variables, 1, &used, &f)) return st;
  if (used == 0) return err::cantunderstand;
  if (!lineends(atoms, at + used)) return err::stray;
  return goto_(f);
}

scriptstatus comarrow(hierpath path, Handle, Handle atoms, i32 at, Handle variables) {
  u16 word = tokenat(atoms, at + 1);
  if (lineends(atoms, at + 1) || !lineends(atoms, at + 2)) return err::stray;
  u16 modifiers = mainglobals().event.modifiers;
  bool jump = (modifiers & (cmdKey | optionKey)) != 0;
  form f{};
  if (word == tok::left) placeword(jump ? u16(tok::first) : u16(tok::prev), &f.card);
  else if (word == tok::right) placeword(jump ? u16(tok::last) : u16(tok::next), &f.card);
  else if (word == tok::up) {
    if (i16 st = forthcard(path, variables, &f)) return st;
  } else if (word == tok::down) {
    if (i16 st = backcard(path, variables, &f)) return st;
  } else {
    return err::cantunderstand;
  }
  if (emptyform(f)) return 0;
  i16 st = gotowindow(f);
  return st == kCardChanged ? i16(0) : st;
}

scriptstatus comquit(hierpath, Handle, Handle, i32, Handle) { return shutdown(0); }

scriptstatus comreset(hierpath, Handle, Handle atoms, i32 at, Handle) {
  u16 word = tokenat(atoms, at + 1);
  if (word == tok::paint) {
    if (!lineends(atoms, at + 2)) return err::stray;
    lowreset();
    return 0;
  }
  // No script sets a double-click time of its own yet: the system's time stays.
  if (word == tok::dblclicktime) return 0;
  return err::cantunderstand;
}

i16 shutdown(i16 withcard) {
  MainGlobals& g = mainglobals();
  WindowRef front = nilid;
  desk d{};
  if (topwindow(&front) && getwind(front, &d)) g.current = d;
  setuptran(withcard);
  if (sendxrtnevent(nilid, kXrtnQuit, nullptr) != 0) return 0;
  while (g.numwinds > 0) {
    d = HandleAs<desk>(g.winds)[0];
    g.current = d;
    u64 serial = d.serial;
    if (g.numwinds == 1) {
      if (cardsend("quitKestrove", sendnormal, d.window) == statusexittotop) return 0;
      // The handler may have gone elsewhere: the window to take down is the one made current.
      if (!getflip(serial, &d)) continue;
      g.current = d;
    }
    i16 st = closefirst();
    if (st != 0 && st != kCardChanged) return st;
    // A handler that went to another window made that one current; this pass takes down the
    // window it closed, found again by its serial (a window a handler opened meanwhile closes
    // in a later pass).
    if (!getflip(serial, &d)) continue;
    g.current = d;
    dumpcurrent();
  }
  MyReleasePageFormat();
  MyReleasePrintSettings();
  MyReleasePrintSession();
  quitfile();
}

}  // namespace kv
