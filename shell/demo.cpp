#include "shell/demo.h"

#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/runtime/root.h"
#include "platform/text/pstring.h"
#include "core/fatalerror.h"
#include "core/mainglobals.h"
#include "shell/newscript.h"
#include "shell/windnav.h"
#include "store/creating.h"
#include "store/fieldtext.h"
#include "store/objects.h"
#include "store/forms.h"
#include "store/recordcache.h"
#include "store/records.h"

namespace kv {

namespace {

constexpr i16 kNoMemory = 37, kNameTooLong = 14;
constexpr std::string_view kFileName = "Kestrove demo.kv45";
constexpr std::string_view kWindowName = "Kestrove demo";

// Each level notes the opening message it heard in the global `heard`; the card greets with a
// function of the project's script and what was heard.
constexpr std::string_view kProjectScript =
    "on openProject\r"
    "  global heard\r"
    "  put \"openProject\" into heard\r"
    "end openProject\r"
    "\r"
    "function greeting\r"
    "  return \"Hello from Kestrove!\"\r"
    "end greeting";
constexpr std::string_view kWindowScript =
    "on openWindow\r"
    "  global heard\r"
    "  put \", openWindow\" after heard\r"
    "end openWindow";
constexpr std::string_view kBackgroundScript =
    "on openBackground\r"
    "  global heard\r"
    "  put \", openBackground\" after heard\r"
    "end openBackground";
constexpr std::string_view kCardScript =
    "on openCard\r"
    "  global heard\r"
    "  if \", openCard\" is in heard then exit openCard\r"
    "  put \", openCard\" after heard\r"
    "  put greeting() into said\r"
    "  put return & \"This demo project was made just now by Kestrove's own code.\" after said\r"
    "  put return & \"It has\" && the number of cards && \"cards; its scripts heard\" && heard & \".\" after said\r"
    "  put said\r"
    "end openCard\r"
    "\r"
    "on keyStroke k\r"
    "  put k after card field \"Typed\"\r"
    "end keyStroke";
// The second card's script is empty; its objects say what they do.
constexpr std::string_view kNextScript =
    "on mouseUp\r"
    "  go next card\r"
    "end mouseUp";
constexpr std::string_view kBackScript =
    "on mouseUp\r"
    "  go previous card\r"
    "end mouseUp";
// Where the objects lie on the cards (card coordinates).
constexpr Rect kButtonRect{20, 20, 44, 120};
constexpr Rect kFieldRect{64, 20, 124, 320};
constexpr Rect kGraphicRect{64, 20, 164, 220};
constexpr u32 kFirstObjectId = 100;
constexpr u16 kDemoButtonStyle = 200;
constexpr u32 kFieldTextFlag = 1u << 20;  // the field keeps its text in its data part

struct DemoState {
  u32 folder = 0;  // the scratch folder, 0 when none
};

// Puts a script text into a record's script (its tail stays at the end) and marks the record
// changed. False when memory runs out.
template <class R>
bool setscript(const desk& d, Handle record, u32 id, std::string_view text) {
  R r = loadat<R>(deref(record));
  Handle script = r.script;
  if (script == nilhandle) {
    script = newscript(scriptempty);
    if (script == nilhandle) return false;
    r = loadat<R>(deref(record));
    r.script = script;
    storeat<R>(deref(record), r);
  }
  Munger(script, 0, nullptr, 0, text.data(), i32(text.size()));
  if (MemError() != noErr) return false;
  checkerr(changevir(d.store, i32(id)));
  return true;
}

// A handle holding a copy of the text; none when memory runs out.
Handle texthandle(std::string_view text) {
  Handle h = NewHandle(Size(text.size()));
  if (h != nilhandle && !text.empty()) BlockMoveData(text.data(), deref(h), Size(text.size()));
  return h;
}

// A new object of the demo with its defaults, name and script (none when the script is
// empty). The object owns what it holds; a failure leaves nothing allocated.
bool demoobject(u16 kind, u16 style, u32 id, const Rect& rect, std::string_view name, std::string_view script,
                spot* out) {
  spot s{};
  defaultspot(s);
  s.kind = kind;
  s.style = style;
  s.id = id;
  s.rect = rect;
  if (kind == spotbutton) {
    buttontail t{};
    t.words.v[1] = 12;
    t.words.v[3] = 1;
    setbuttontail(s, t);
  } else if (kind == spotfield) {
    s.flags = s.flags | kFieldTextFlag;
    Handle data = NewHandle(0);
    if (data == nilhandle || setemptyfieldtext(data, defaultfieldtail()) != noErr) {
      if (data != nilhandle) DisposeHandle(data);
      return false;
    }
    s.data = data;
    setfieldkindtail(s, fieldkindtail{});
  } else {
    // Filled in black, without a frame.
    std::memset(s.fillpat.b, 0xFF, sizeof s.fillpat.b);
    s.showpen = 0;
    graphictail t{};
    setgraphictail(s, t);
  }
  // An object without a name keeps no name part.
  Handle parts[2] = {name.empty() ? nilhandle : texthandle(name), nilhandle};
  if (!script.empty()) {
    parts[1] = newscript(scriptempty);
    if (parts[1] != nilhandle) Munger(parts[1], 0, nullptr, 0, script.data(), i32(script.size()));
  }
  if ((!name.empty() && parts[0] == nilhandle) || (!script.empty() && (parts[1] == nilhandle || MemError() != noErr))) {
    for (Handle h : parts)
      if (h != nilhandle) DisposeHandle(h);
    if (s.data != nilhandle) DisposeHandle(s.data);
    return false;
  }
  s.name = parts[0];
  s.script = parts[1];
  *out = s;
  return true;
}

// Frees what demo objects hold (a name, a script, a field's text).
void dropobjects(std::initializer_list<spot> objects) {
  for (const spot& s : objects)
    for (Handle h : {Handle(s.name), Handle(s.data), Handle(s.script)})
      if (h != nilhandle) DisposeHandle(h);
}

// Adds the objects to a card record's object list (made when it has none) and marks the record
// changed. On failure the objects are freed and the record is as it was.
bool setobjects(const desk& d, Handle card, u32 cardrecid, std::initializer_list<spot> objects) {
  Handle added = NewHandle(Size(objects.size() * sizeof(spot)));
  if (added == nilhandle) {
    dropobjects(objects);
    return false;
  }
  Size at = 0;
  for (const spot& s : objects) {
    storeat<spot>(deref(added) + at, s);
    at += Size(sizeof s);
  }
  cardrec r = loadat<cardrec>(deref(card));
  bool ok = false;
  if (r.objects == nilhandle) {
    r.objects = added;
    storeat<cardrec>(deref(card), r);
    added = nilhandle;
    ok = true;
  } else {
    ok = HandAndHand(added, r.objects) == noErr;
  }
  if (added != nilhandle) DisposeHandle(added);
  if (!ok) {
    dropobjects(objects);
    return false;
  }
  checkerr(changevir(d.store, i32(cardrecid)));
  return true;
}

// Card 1: the button "Next" and the field "Typed" that the card's keyStroke handler fills.
// Card 2, made here: the button "Back" and a filled rectangle.
i16 writecards(desk& d) {
  spot next{}, typed{}, back{}, box{};
  if (!demoobject(spotbutton, kDemoButtonStyle, kFirstObjectId, kButtonRect, "Next", kNextScript, &next))
    return kNoMemory;
  if (!demoobject(spotfield, stylefieldrect, kFirstObjectId + 1, kFieldRect, "Typed", "", &typed)) {
    dropobjects({next});
    return kNoMemory;
  }
  if (!setobjects(d, d.card, d.cardrecid, {next, typed})) return kNoMemory;
  d.cardspots = loadat<cardrec>(deref(d.card)).objects;
  Handle texts = NewHandle(0);
  if (texts == nilhandle) return kNoMemory;
  u32 second = 0;
  if (i16 st = newcard(d.store, d.wind, i32(d.windrecid), 1, d.backrecid, d.backid, texts, nilhandle, &second))
    return st;
  Handle card = nilhandle;
  checkerr(getvir(d.store, i32(second), &card));
  bool ok = demoobject(spotbutton, kDemoButtonStyle, kFirstObjectId, kButtonRect, "Back", kBackScript, &back);
  if (ok && !demoobject(spotgraphic, stylerectangle, kFirstObjectId + 1, kGraphicRect, "", "", &box)) {
    dropobjects({back});
    ok = false;
  }
  if (ok) ok = setobjects(d, card, second, {back, box});
  checkerr(putvir(d.store, i32(second)));
  return ok ? i16(0) : kNoMemory;
}

// The scripts, the window's name and the cards' objects, into the records of the window just
// opened.
i16 writedemo(desk& d) {
  bool ok = setscript<headrec>(d, d.head, 0, kProjectScript) &&
            setscript<windrec>(d, d.wind, d.windrecid, kWindowScript) &&
            setscript<backrec>(d, d.back, d.backrecid, kBackgroundScript) &&
            setscript<cardrec>(d, d.card, d.cardrecid, kCardScript);
  Handle name = loadat<windrec>(deref(d.wind)).name;
  if (ok && name != nilhandle) ok = PtrToXHand(kWindowName.data(), name, Size(kWindowName.size())) == noErr;
  if (!ok) return kNoMemory;
  return writecards(d);
}

}  // namespace

i16 opendemo() {
  DemoState& s = state<DemoState>();
  u32 folder = 0;
  if (ScratchFolderCreate(&folder) != noErr) return kCannotWrite;
  s.folder = folder;
  Str255 leaf{};
  setpstring(leaf, kFileName);
  if (i16 st = newprojectfile(kBootVolume, folder, leaf)) return st;
  std::string path;
  if (pathoffolder(folder, &path) != noErr) return kCannotWrite;
  path += '/';
  path += kFileName;
  if (path.size() > 255) return kNameTooLong;
  form f{};
  f.wind = selpart{selnumber, 1, {}, 0};
  setpstring(f.proj.name, path);
  // First with messages locked and hidden, to give the records their scripts; then as a
  // project is opened.
  MainGlobals& g = mainglobals();
  u16 locked = g.lockMessages;
  g.lockMessages = 1;
  i16 st = openwindow(f, 0, 1);
  if (st == 0) {
    st = writedemo(g.current);
    dumpcurrent();
  }
  g.lockMessages = locked;
  if (st != 0) return st;
  st = openwindow(f, 0, 0);
  return st == kCardChanged ? i16(0) : st;
}

void removedemo() {
  DemoState& s = state<DemoState>();
  if (s.folder == 0) return;
  ScratchFolderRemove(s.folder);
  s.folder = 0;
}

}  // namespace kv
