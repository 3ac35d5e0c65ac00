// Cut, copy, paste and clear of text, objects and paint selections.
#include "tools/editcommands.h"

#include <algorithm>
#include <cstdio>

#include "engine/expression.h"
#include "engine/keywords.h"
#include "engine/objectsend.h"
#include "engine/objectutil.h"
#include "engine/scripterrors.h"
#include "engine/tokens.h"
#include "fields/fieldscroll.h"
#include "fields/fieldview.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/scrap/scrap.h"
#include "platform/te/te.h"
#include "platform/windows/windows.h"
#include "render/drawservices.h"
#include "render/objectbounds.h"
#include "render/selectionknobs.h"
#include "render/spotgeometry.h"
#include "render/windowclip.h"
#include "core/debugmsg.h"
#include "shell/fieldputting.h"
#include "core/mainglobals.h"
#include "shell/messagebox.h"
#include "shell/redraws.h"
#include "shell/textentry.h"
#include "shell/windowmanage.h"
#include "shell/windtable.h"
#include "store/liveparts.h"
#include "core/memoryguard.h"
#include "store/objects.h"
#include "store/objread.h"
#include "store/recordcache.h"
#include "commands/objectids.h"
#include "system/externalevents.h"
#include "textengine/werecord.h"
#include "tools/cardclipboard.h"
#include "tools/carddeletion.h"
#include "tools/objectclipboard.h"
#include "tools/paint.h"
#include "tools/textgraphic.h"

namespace kv {

namespace {

constexpr i16 kCardChanged = -991;
constexpr u16 kLineStyle = 103;
constexpr u32 kFocusHiliteBit = 1u << 28;
constexpr u16 kFirstObjectTool = 600;

bool objecttool(const desk& d) { return d.tool >= kFirstObjectTool; }

// An external took the command.
bool external(i32 code) { return sendxrtnevent(nilid, code, nullptr) != 0; }

void objectschanged(const desk& d) {
  if (d.store == mainglobals().current.store) sendxrtnevent(nilid, kXrtnObjectsChanged, nullptr);
}

// Leaves paint, text-graphic and field editing first: -991 when the card changed or a field is
// still being edited.
i16 leaveeditmodes() {
  MainGlobals& g = mainglobals();
  if (i16 st = putdownmodes()) return st;
  const u64 before = g.layerchanges;
  if (i16 st = putdownfield()) return st;
  if (g.layerchanges != before || g.openfield >= 0) return kCardChanged;
  return 0;
}

// leaveeditmodes as the object commands take it: -991 ends the command quietly.
i16 quietly(i16 st) { return st == kCardChanged ? i16(0) : st; }

i16 askmemory(i64 bytes) {
  if (mainglobals().memplentiful) return 0;
  return nomemory(Size(std::min<i64>(bytes, 0x7FFFFFFF))) ? err::nomemory : i16(0);
}

void markchanged(const desk& d, bool card, bool back) {
  if (card && d.cardrecid) changevir(d.store, i32(d.cardrecid));
  if (back && d.backrecid) changevir(d.store, i32(d.backrecid));
}

// The colour table that goes with cut or copied objects while colorWorld is set: the card's
// when its word at byte 14 is greater than the background's, else the background's.
void keepclut(const desk& d) {
  MainGlobals& g = mainglobals();
  if (!g.colorWorld) return;
  const i16 card = d.card != nilhandle ? i16(loadat<cardrec>(deref(d.card)).word14) : i16(0);
  const i16 back = d.back != nilhandle ? i16(loadat<backrec>(deref(d.back)).word14) : i16(0);
  Handle source = card > back ? d.cardclut : d.backclut;
  if (source == nilhandle) return;
  Handle copy = source;
  if (HandToHand(&copy) != noErr) return;
  // A whole table of 256 entries, white first and black last.
  const Size had = GetHandleSize(copy);
  cleanclut(copy, had >= Size(sizeof(ColorTableHeader)) ? loadat<ColorTableHeader>(deref(copy)).ctSeed : 0u);
  if (GetHandleSize(copy) != 2064) {
    DisposeHandle(copy);
    return;
  }
  setclipboardclut(copy);
  g.currentclut = copy;
}

// The selected objects of a context copied to the object clipboard: both layers, or only the
// background's while it is edited. Nothing copied leaves *done 0.
i16 copyselected(const desk& d, i16* done) {
  if (i16 st = askmemory(4 * (sizespot(d.backspots, 1) + (d.backlayer ? 0 : sizespot(d.cardspots, 1))))) return st;
  Handle target = clipboardlist();
  if (target == nilhandle) return err::nomemory;
  i16 st = copyspot(d.backspots, target, SelectMode::selected);
  if (st == 0 && !d.backlayer) st = copyspot(d.cardspots, target, SelectMode::selected);
  if (st != 0) return st;
  if (spotcount(objectclipboard()) == 0) return 0;
  *done = 1;
  return 0;
}

void freeselected(const desk& d, bool background, bool card) {
  if (background) dumpspot(d.backspots, SelectMode::selected);
  if (card) dumpspot(d.cardspots, SelectMode::selected);
}

}  // namespace

// --- Objects -----------------------------------------------------------------------------------

i16 sendelete(WindowRef window, Handle list) {
  MainGlobals& g = mainglobals();
  const u64 before = g.layerchanges;
  for (i32 i = 0; i < spotcount(list); ++i) {
    const spot s = spotat(list, i);
    if (s.selected == 0) continue;
    const char* message = s.kind == spotbutton ? "deleteButton" : s.kind == spotfield ? "deleteField" : "deleteGraphic";
    if (i16 st = spotsend(sendnormal, list, i, message, window)) return st;
    if (g.layerchanges != before) return kCardChanged;
  }
  return 0;
}

i16 putdownstuff() { return leaveeditmodes(); }

i16 objectcut(const desk& d, i16* done) {
  MainGlobals& g = mainglobals();
  ++g.layerchanges;
  if (i16 st = leaveeditmodes()) return quietly(st);
  if (i16 st = copyselected(d, done)) return st;
  if (!*done) return 0;
  if (d.window != nilid && !g.lockMessages) {
    i16 st = sendelete(d.window, d.backspots);
    if (st == 0) st = sendelete(d.window, d.cardspots);
    if (st != 0) return quietly(st);
  }
  freeselected(d, true, !d.backlayer);
  drawedit(d, nullptr);
  markchanged(d, true, true);
  keepclut(d);
  writedesk(d);
  objectschanged(d);
  return 0;
}

i16 objectcopy(const desk& d, i16* done) {
  if (i16 st = leaveeditmodes()) return quietly(st);
  if (i16 st = copyselected(d, done)) return st;
  if (!*done) return 0;
  drawedit(d, nullptr);
  keepclut(d);
  writedesk(d);
  return 0;
}

i16 objectclear(const desk& d) {
  MainGlobals& g = mainglobals();
  ++g.layerchanges;
  if (i16 st = leaveeditmodes()) return quietly(st);
  if (d.window != nilid && !g.lockMessages) {
    i16 st = sendelete(d.window, d.backspots);
    if (st == 0) st = sendelete(d.window, d.cardspots);
    if (st != 0) return quietly(st);
  }
  freeselected(d, true, !d.backlayer);
  if (d.window != nilid) drawedit(d, nullptr);
  markchanged(d, true, true);
  objectschanged(d);
  return 0;
}

i16 objectpaste(i16* done) {
  *done = 0;
  checkscrap();
  Handle clip = objectclipboard();
  if (spotcount(clip) == 0) return 0;
  *done = 1;
  if (i16 st = askmemory(sizespot(clip, 2) + 40000)) return st;
  MainGlobals& g = mainglobals();
  const desk d = g.current;
  Handle target = d.backlayer ? d.backspots : d.cardspots;
  if (target == nilhandle) return 0;
  g.currentclut = d.backlayer ? d.backclut : d.cardclut;
  BorrowDesk borrowed(d);
  if (d.window != nilid) SetPortWindowPort(d.window);
  hilitespot(d.backspots, 1, 0);
  hilitespot(d.cardspots, 1, 0);
  const i32 first = spotcount(target);
  if (i16 st = copyspot(clip, target, SelectMode::all)) return st;
  const i32 end = spotcount(target);
  // Objects that would land outside the visible interior are centred in it.
  Rect interior{}, bounds{};
  getinterior(&interior);
  calcbounds(clip, &bounds, 2);
  Rect meet{};
  if (!SectRect(&interior, &bounds, &meet)) {
    const i32 dh = (i32(interior.left) + interior.right) / 2 - (i32(bounds.left) + bounds.right) / 2;
    const i32 dv = (i32(interior.top) + interior.bottom) / 2 - (i32(bounds.top) + bounds.bottom) / 2;
    for (i32 i = first; i < end; ++i) {
      Rect r = spotat(target, i).rect;
      OffsetRect(&r, i16(dh), i16(dv));
      mapspot(target, i, r, false);
    }
  }
  for (i32 i = first; i < end; ++i) {
    spot s = spotat(target, i);
    // Only the other objects count: the pasted one keeps its id when no other has it.
    s.id = 0;
    putspot(target, i, s);
    s.id = uniqueid(target, spotat(clip, i - first).id);
    clearruntimeslots(s);
    putspot(target, i, s);
  }
  if (g.colorWorld && clipboardclut() != nilhandle) {
    addsearch(1);
    changecolor(target, first, end, clipboardclut());
    delsearch(1);
  }
  drawedit(d, nullptr);
  markchanged(d, !d.backlayer, d.backlayer != 0);
  objectschanged(d);
  return 0;
}

// --- Text --------------------------------------------------------------------------------------

namespace {

bool hasselection(WEReference we) {
  if (!isvalidwerec(we)) return false;
  i32 start = 0, end = 0;
  WEGetSelection(&start, &end, we);
  return start != end;
}

bool tehasselection(TEHandle te) {
  if (!isvalidte(te)) return false;
  i32 start = 0, end = 0;
  TEGetSelection(te, &start, &end);
  return start != end;
}

bool graphtyping() { return mainglobals().graphindex >= 0 && isvalidwerec(mainglobals().graphrec); }
bool fieldediting() { return mainglobals().openfield >= 0 && isvalidwerec(mainglobals().openfieldrec); }

void fieldchanged() {
  MainGlobals& g = mainglobals();
  g.fieldchanged = 1;
  SetWERecDirtyFlag(g.openfieldrec, true);
}

bool scrapholds(OSType type) { return ScrapHasFlavor(0, type) > 0; }

}  // namespace

i16 textcut() {
  MainGlobals& g = mainglobals();
  if (graphtyping() && hasselection(g.graphrec)) {
    WECut(g.graphrec);
    SaveScrapSeed();
    calgraphrect();
    return 1;
  }
  if (fieldediting()) {
    if (!hasselection(g.openfieldrec)) return 0;
    if (g.openfieldlocked) return 1;
    fieldchanged();
    WECut(g.openfieldrec);
    SaveScrapSeed();
    return 1;
  }
  if (msgvisible() && tehasselection(g.msgtext)) {
    ClearCurrentScrap();
    TECut(g.msgtext);
    textoscrap();
    return 1;
  }
  return 0;
}

i16 textcopy() {
  MainGlobals& g = mainglobals();
  if (graphtyping() && hasselection(g.graphrec)) {
    WECopy(g.graphrec);
    SaveScrapSeed();
    return 1;
  }
  if (fieldediting()) {
    if (!hasselection(g.openfieldrec)) return 0;
    WECopy(g.openfieldrec);
    // A selection that is one picture goes to the object clipboard as well.
    if (scrapholds(fourcc("PICT"))) {
      killall();
      readesk();
    }
    SaveScrapSeed();
    return 1;
  }
  if (msgvisible() && tehasselection(g.msgtext)) {
    ClearCurrentScrap();
    TECopy(g.msgtext);
    textoscrap();
    return 1;
  }
  return 0;
}

i16 textclear() {
  MainGlobals& g = mainglobals();
  if (graphtyping() && hasselection(g.graphrec)) {
    WEDelete(g.graphrec);
    calgraphrect();
    SaveScrapSeed();
    return 1;
  }
  if (fieldediting()) {
    if (!hasselection(g.openfieldrec)) return 0;
    if (g.openfieldlocked) return 1;
    fieldchanged();
    WEDelete(g.openfieldrec);
    SaveScrapSeed();
    return 1;
  }
  if (msgvisible() && tehasselection(g.msgtext)) {
    TEDelete(g.msgtext);
    SaveScrapSeed();
    return 1;
  }
  return 0;
}

namespace {

// The field being edited made the paste target: its window current, its embedded-object
// context set, and everything restored afterwards.
struct FieldPaste {
  FieldPaste() {
    MainGlobals& g = mainglobals();
    if (GetAllowObjectsFlag(g.openfieldrec)) {
      g.pastespots = g.openfieldspots;
      g.pasteindex = g.openfield;
      g.pastewindow = g.openfieldwindow;
    }
    SetPortWindowPort(g.openfieldwindow);
    clipup();
  }
  ~FieldPaste() {
    MainGlobals& g = mainglobals();
    g.pastespots = nilhandle;
    g.pasteindex = -1;
    g.pastewindow = nilid;
  }
  FieldPaste(const FieldPaste&) = delete;
  FieldPaste& operator=(const FieldPaste&) = delete;
  SavePort saved;
};

void afterfieldpaste() {
  MainGlobals& g = mainglobals();
  WESelView(g.openfieldrec);
  updatewescrollbar(g.openfieldspots, g.openfield, nullptr, nullptr, nullptr, g.openfieldrec);
}

}  // namespace

i16 textpaste(i16* done, u16 styled) {
  MainGlobals& g = mainglobals();
  if (!scrapholds(fourcc("TEXT"))) return 0;
  if (graphtyping()) {
    SavePort saved;
    SetPortWindowPort(g.graphwindow);
    clipup();
    wepaste(g.graphrec);
    *done = 1;
    calgraphrect();
    return 0;
  }
  if (!fieldediting()) {
    if (msgvisible() && isvalidte(g.msgtext)) {
      if (g.msginactive) TESetSelect(0, TEGetLength(g.msgtext), g.msgtext);
      SavePort saved;
      SetPortWindowPort(g.msgwindow);
      tepaste(g.msgtext);
      *done = 1;
    }
    return 0;
  }
  if (g.openfieldlocked) return 0;
  g.fieldchanged = 1;
  {
    FieldPaste target;
    SetWERecDirtyFlag(g.openfieldrec, true);
    g.styledpaste = styled;
    wepaste(g.openfieldrec);
    g.styledpaste = 1;
  }
  afterfieldpaste();
  *done = 1;
  return 0;
}

namespace {

// The engine paste of `paste` without words: other flavours than text (an embedded object)
// into the field being edited. -1 when it does not apply.
i16 enginepaste() {
  MainGlobals& g = mainglobals();
  if (!fieldediting() || g.openfieldlocked || !WECanPaste(g.openfieldrec)) return -1;
  const spot s = spotat(g.openfieldspots, g.openfield);
  if (!usesenginetwo(&s)) return -1;
  fieldchanged();
  g.fieldobjectstatus = 0;
  {
    FieldPaste target;
    wepaste(g.openfieldrec);
  }
  afterfieldpaste();
  const i16 st = g.fieldobjectstatus;
  g.fieldobjectstatus = 0;
  return st;
}

// An object named by the words at `at`, selected alone in its own window context. 2 for a
// reference to anything but an object, 19 for words after it; *kind is what it named.
scriptstatus selectreferenced(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, desk* d, u16* kind) {
  objread obj{};
  i32 used = 0;
  if (i16 st = scanobj(path, text, atoms, at, variables, &used, &obj)) return st;
  i16 st = 0;
  *kind = obj.kind;
  if (obj.kind != objpart || obj.objindex < 0 || obj.objindex >= spotcount(obj.objects)) st = err::cantunderstand;
  else if (!statementends(atoms, at + used)) st = err::stray;
  if (st == 0) {
    *d = obj.d;
    BorrowDesk borrowed(obj.d);
    if (obj.d.window != nilid) SetPortWindowPort(obj.d.window);
    hilitespot(obj.d.backspots, 1, 0);
    hilitespot(obj.d.cardspots, 1, 0);
    spot s = spotat(obj.objects, obj.objindex);
    s.selected = s.style == kLineStyle ? 3 : 1;
    putspot(obj.objects, obj.objindex, s);
  }
  writeobj(&obj);
  return st;
}

// A card or menu named by the words at `at` (the whole rest of the statement): true with the
// descriptor held, which the caller releases; false for anything else (nothing held).
bool cardormenu(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, objread* obj) {
  i32 used = 0;
  if (scanobj(path, text, atoms, at, variables, &used, obj) != 0) {
    writeobj(obj);
    return false;
  }
  if ((obj->kind == objcard || obj->kind == objmenu) && statementends(atoms, at + used)) return true;
  writeobj(obj);
  return false;
}

// The word at `at` stands alone in its statement.
i16 alone(Handle atoms, i32 at) { return statementends(atoms, at + 1) ? i16(0) : err::cantunderstand; }

// Cut and copy start by emptying the object and card clipboards.
void emptyclipboards() { killall(); }

// The paint steps: each runs while a paint session is open, copy and clear with a paint
// selection, paste with a picture on the clipboard; true when it ran.
bool paintcut() {
  if (!paintselection()) return false;
  copybits();
  clearbits();
  return true;
}
bool paintcopy() {
  if (!paintselection()) return false;
  copybits();
  return true;
}
bool paintclear() {
  if (!paintselection()) return false;
  clearbits();
  return true;
}
bool paintpaste() {
  if (mainglobals().bmapindex < 0 || ScrapHasFlavor(0, fourcc("PICT")) <= 0) return false;
  pastebits();
  return true;
}

}  // namespace

scriptstatus comcut(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  emptyclipboards();
  MainGlobals& g = mainglobals();
  const u16 word = tokenat(atoms, at + 1);
  i16 done = 0;
  if (statementends(atoms, at + 1)) {
    if (external(kXrtnCut) || textcut()) return 0;
    if (paintcut()) return 0;
    if (objecttool(g.current)) {
      const i16 st = objectcut(g.current, &done);
      if (st != 0 || done) return st;
    }
    KVBeep(2);
    return 0;
  }
  switch (word) {
    case tok::empty:
      if (i16 st = alone(atoms, at + 1)) return st;
      ClearCurrentScrap();
      SaveScrapSeed();
      return 0;
    case tok::objects:
      if (i16 st = alone(atoms, at + 1)) return st;
      return objectcut(g.current, &done);
    case tok::text:
      if (i16 st = alone(atoms, at + 1)) return st;
      textcut();
      return 0;
    case tok::paint:
      if (i16 st = alone(atoms, at + 1)) return st;
      paintcut();
      return 0;
    case tok::card:
      if (statementends(atoms, at + 2)) {
        const i16 st = cardcopy(g.current);
        return st != 0 ? st : cardclear();
      }
      break;
    default: break;
  }
  desk d{};
  u16 kind = objnone;
  if (i16 st = selectreferenced(path, text, atoms, at + 1, variables, &d, &kind)) return st;
  return objectcut(d, &done);
}

scriptstatus comcopy(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  emptyclipboards();
  MainGlobals& g = mainglobals();
  const u16 word = tokenat(atoms, at + 1);
  i16 done = 0;
  if (statementends(atoms, at + 1)) {
    if (external(kXrtnCopy) || textcopy()) return 0;
    if (paintcopy()) return 0;
    if (objecttool(g.current)) {
      const i16 st = objectcopy(g.current, &done);
      if (st != 0 || done) return st;
    }
    KVBeep(2);
    return 0;
  }
  switch (word) {
    case tok::objects:
      if (i16 st = alone(atoms, at + 1)) return st;
      return objectcopy(g.current, &done);
    case tok::text:
      if (i16 st = alone(atoms, at + 1)) return st;
      textcopy();
      return 0;
    case tok::paint:
      if (i16 st = alone(atoms, at + 1)) return st;
      paintcopy();
      return 0;
    case tok::card:
      if (statementends(atoms, at + 2)) return cardcopy(g.current);
      break;
    default: break;
  }
  objread card{};
  if (cardormenu(path, text, atoms, at + 1, variables, &card)) {
    const i16 st = card.kind == objcard ? cardcopy(card.d) : err::cantunderstand;
    writeobj(&card);
    return st;
  }
  desk d{};
  u16 kind = objnone;
  if (i16 st = selectreferenced(path, text, atoms, at + 1, variables, &d, &kind)) return st;
  return objectcopy(d, &done);
}

scriptstatus compaste(hierpath, Handle, Handle atoms, i32 at, Handle) {
  MainGlobals& g = mainglobals();
  const u16 word = tokenat(atoms, at + 1);
  i16 done = 0;
  if (statementends(atoms, at + 1)) {
    if (external(kXrtnPaste)) return 0;
    if (i16 st = textpaste(&done, 1); st != 0 || done) return st;
    if (i16 st = enginepaste(); st >= 0) return st;
    if (paintpaste()) return 0;
    if (objecttool(g.current)) {
      const i16 st = objectpaste(&done);
      if (st != 0 || done) return st;
    }
    KVBeep(2);
    return 0;
  }
  switch (word) {
    case tok::text: {
      u16 styled = 1;
      if (!statementends(atoms, at + 2)) {
        if (tokenat(atoms, at + 2) != tok::without || tokenat(atoms, at + 3) != tok::style ||
            !statementends(atoms, at + 4))
          return err::cantunderstand;
        styled = 0;
      }
      return textpaste(&done, styled);
    }
    case tok::objects:
      if (i16 st = alone(atoms, at + 1)) return st;
      return objectpaste(&done);
    case tok::paint:
      if (i16 st = alone(atoms, at + 1)) return st;
      paintpaste();
      return 0;
    case tok::card:
      if (i16 st = alone(atoms, at + 1)) return st;
      return cardpaste();
    default: return err::cantunderstand;
  }
}

scriptstatus comclear(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  MainGlobals& g = mainglobals();
  if (statementends(atoms, at + 1)) {
    if (external(kXrtnClear) || textclear()) return 0;
    if (paintclear()) return 0;
    if (objecttool(g.current)) return objectclear(g.current);
    KVBeep(2);
    return 0;
  }
  switch (tokenat(atoms, at + 1)) {
    case tok::result:
      if (i16 st = alone(atoms, at + 1)) return st;
      if (g.result != nilhandle) SetHandleSize(g.result, 0);
      return 0;
    case tok::objects:
      if (i16 st = alone(atoms, at + 1)) return st;
      return objectclear(g.current);
    case tok::text:
      if (i16 st = alone(atoms, at + 1)) return st;
      textclear();
      return 0;
    case tok::paint:
      if (i16 st = alone(atoms, at + 1)) return st;
      paintclear();
      return 0;
    case tok::focushilite: {
      if (i16 st = alone(atoms, at + 1)) return st;
      const desk d = g.current;
      for (Handle list : {d.cardspots, d.backspots}) {
        for (i32 i = 0; i < spotcount(list); ++i) {
          spot s = spotat(list, i);
          s.flags = s.flags & ~kFocusHiliteBit;
          putspot(list, i, s);
        }
      }
      if (d.window != nilid) drawedit(d, nullptr);
      markchanged(d, true, true);
      return 0;
    }
    case tok::card:
      if (statementends(atoms, at + 2)) return cardclear();
      break;
    case tok::wd:
      if (statementends(atoms, at + 2)) return windowclear();
      break;
    default: break;
  }
  objread named{};
  if (cardormenu(path, text, atoms, at + 1, variables, &named)) {
    return named.kind == objcard ? cardrefclear(&named) : menuclear(&named);
  }
  // A menu reference with words after it.
  if (tokenat(atoms, at + 1) == tok::menu) {
    i32 used = 0;
    const i16 st = scanobj(path, text, atoms, at + 1, variables, &used, &named);
    writeobj(&named);
    return st != 0 ? st : named.kind == objmenu ? err::stray : err::cantunderstand;
  }
  desk d{};
  u16 kind = objnone;
  if (i16 st = selectreferenced(path, text, atoms, at + 1, variables, &d, &kind)) return st;
  return objectclear(d);
}

}  // namespace kv
