// The object clipboard and its exchange with the system clipboard.
#include "tools/objectclipboard.h"

#include <algorithm>
#include <string>

#include "engine/hier.h"
#include "engine/objectutil.h"
#include "engine/scripterrors.h"
#include "engine/tokens.h"
#include "fields/listfields.h"
#include "platform/memory/memory.h"
#include "platform/qd/importers.h"
#include "platform/qd/pictures.h"
#include "platform/runtime/root.h"
#include "platform/scrap/scrap.h"
#include "render/controlvisibility.h"
#include "shell/dialogutils.h"
#include "core/mainglobals.h"
#include "shell/textentry.h"
#include "shell/windtable.h"
#include "store/liveparts.h"
#include "core/memoryguard.h"
#include "store/objects.h"
#include "store/objread.h"
#include "store/reftexts.h"
#include "tools/cardclipboard.h"
#include "tools/gather.h"

namespace kv {

namespace {

struct ClipboardState {
  Handle objects = nilhandle;  // the object clipboard
  Handle clut = nilhandle;     // its colour table
  bool cards = false;          // the card clipboard holds a card
};

ClipboardState& clip() { return state<ClipboardState>(); }

bool taken(const spot& s, SelectMode mode) {
  return mode == SelectMode::all || (mode == SelectMode::selected) == (s.selected != 0);
}

// The deepest group nesting below a list (0 for a list without groups); stops counting past
// the store's limit.
int groupdepth(Handle list, int depth) {
  if (depth > kMaxGroupDepth) return depth;
  int deepest = depth;
  for (i32 i = 0, n = spotcount(list); i < n && deepest <= kMaxGroupDepth; ++i) {
    const spot s = spotat(list, i);
    if (s.style == stylegroup && s.data != nilhandle) deepest = std::max(deepest, groupdepth(s.data, depth + 1));
  }
  return deepest;
}

i16 guard(Handle source, SelectMode mode) {
  if (mainglobals().memplentiful) return 0;
  return nomemory(Size(std::min<i64>(sizespot(source, i16(mode)), 0x7FFFFFFF))) ? err::nomemory : i16(0);
}

void emptyclut() {
  if (clip().clut != nilhandle) DisposeHandle(clip().clut);
  clip().clut = nilhandle;
}

}  // namespace

Handle objectclipboard() { return clip().objects; }
Handle clipboardclut() { return clip().clut; }
void setclipboardclut(Handle table) {
  if (table != clip().clut) emptyclut();
  clip().clut = table;
}
Handle clipboardlist() {
  if (clip().objects == nilhandle) clip().objects = NewHandle(0);
  return clip().objects;
}
bool cardsonclipboard() { return clip().cards; }
void setcardsonclipboard(bool held) { clip().cards = held; }

i16 copyspot(Handle source, Handle destination, SelectMode mode) {
  if (source == nilhandle || destination == nilhandle) return 0;
  if (i16 st = guard(source, mode)) return st;
  for (i32 i = 0, n = spotcount(source); i < n; ++i) {
    const spot s = spotat(source, i);
    if (taken(s, mode) && s.style == stylegroup && s.data != nilhandle && groupdepth(s.data, 1) > kMaxGroupDepth)
      return kBadRecordKind;
  }
  for (i32 i = 0, n = spotcount(source); i < n; ++i) {
    if (!taken(spotat(source, i), mode)) continue;
    // The copy carries a field's live text and never its live record, list or control.
    if (OSErr err = clonespot(source, i, destination)) return err;
  }
  return 0;
}

i16 stealspot(Handle source, Handle destination, SelectMode mode) {
  if (source == nilhandle || destination == nilhandle) return 0;
  if (i16 st = guard(source, mode)) return st;
  for (i32 i = 0, n = spotcount(source); i < n; ++i) {
    const spot s = spotat(source, i);
    if (!taken(s, mode)) continue;
    if (OSErr err = PtrAndHand(&s, destination, Size(sizeof s))) return err;
  }
  return 0;
}

void dumpspot(Handle list, SelectMode mode) {
  if (list == nilhandle) return;
  const desk& current = mainglobals().current;
  const bool shown = list == current.cardspots || list == current.backspots;
  for (i32 i = 0; i < spotcount(list);) {
    spot s = spotat(list, i);
    if (!taken(s, mode)) {
      ++i;
      continue;
    }
    if (isfield(s) && (s.style == stylefieldlist || s.style == stylefieldlist + 1) && fieldlisthandle(s) != nullptr) {
      setlistmode(s, false, s.style);
      putspot(list, i, s);
    }
    if (mode == SelectMode::selected && shown) {
      // The script cache drops what it holds of the object.
      objread obj{};
      obj.kind = objpart;
      obj.d = current;
      obj.objects = list;
      obj.objindex = i16(i);
      obj.ownerrecid = list == current.cardspots ? current.cardrecid : current.backrecid;
      Str255 name{};
      buildspotid(obj, tok::long_, name);
      markhier(2, name);
    }
    if (isplatformcontrol(s) && getcontrolpart(s).control != 0) dumpspotcontrol(s);
    qdelete(list, i, i32(sizeof(spot)));
    Handle one = nilhandle;
    if (PtrToHand(&s, &one, Size(sizeof s)) == noErr) kv::dumpspot(one);
  }
}

void killall() {
  ClipboardState& c = clip();
  if (c.objects != nilhandle) kv::dumpspot(c.objects);
  c.objects = nilhandle;
  emptyclut();
  // The card clipboard's scratch file goes too.
  emptycardclipboard();
  c.cards = false;
}

void writedesk(const desk& d) {
  Handle source = clip().objects;
  if (source == nilhandle) return;
  MainGlobals& g = mainglobals();
  const i16 wasimaging = g.offwindowdrawing;
  g.offwindowdrawing = 1;
  PicHandle picture = nilhandle;
  {
    BorrowDesk borrowed(d);
    Handle scratch = NewHandle(0);
    if (scratch != nilhandle && copyspot(source, scratch, SelectMode::selected) == 0) picture = listopic(scratch);
    if (scratch != nilhandle) kv::dumpspot(scratch);
  }
  ClearCurrentScrap();
  if (picture != nilhandle) {
    ScrapRef scrap = 0;
    if (GetCurrentScrap(&scrap) == noErr)
      PutScrapFlavor(scrap, fourcc("PICT"), 0, GetHandleSize(picture), deref(picture));
    KillPicture(picture);
  }
  SaveScrapSeed();
  g.offwindowdrawing = wasimaging;
}

i16 readesk() {
  const i32 pictsize = ScrapHasFlavor(0, fourcc("PICT"));
  if (pictsize > 0) {
    if (!mainglobals().memplentiful && nomemory(Size(std::min<i64>(i64(pictsize) * 4, 0x7FFFFFFF)))) {
      domessage(1000, 13, 0);
      return 0;
    }
    if (clip().objects != nilhandle) dumpspot(clip().objects, SelectMode::all);
    PicHandle picture = NewHandle(pictsize);
    if (picture == nilhandle) return 0;
    ScrapRef scrap = 0;
    Size got = pictsize;
    GetCurrentScrap(&scrap);
    if (GetScrapFlavorData(scrap, fourcc("PICT"), &got, deref(picture)) != noErr || got <= 9) {
      DisposeHandle(picture);
      return 0;
    }
    SetHandleSize(picture, got);
    orderpictureframe(picture);
    Handle objects = pictospot(picture);
    DisposeHandle(picture);
    if (objects == nilhandle) return 0;
    const i16 st = copyspot(objects, clipboardlist(), SelectMode::all);
    kv::dumpspot(objects);
    return st == 0 ? 1 : 0;
  }
  // The TextEdit scrap is the system clipboard's text itself.
  return ScrapHasFlavor(0, fourcc("TEXT")) > 0 ? 1 : 0;
}

i16 appendidtohand(const desk& d, Handle list, Handle text) {
  if (text == nilhandle || !IsValidHandle(text)) return 1;
  const i32 n = spotcount(list);
  if (n == 0) return 0;
  objread obj{};
  obj.kind = objpart;
  obj.d = d;
  obj.objects = list;
  obj.objindex = i16(n - 1);
  obj.ownerrecid = list == d.backspots ? d.backrecid : d.cardrecid;
  Str255 name{};
  buildspotid(obj, tok::long_, name);
  if (GetHandleSize(text) > 0) {
    const u8 cr = 13;
    if (PtrAndHand(&cr, text, 1) != noErr) return err::nomemory;
  }
  if (PtrAndHand(name + 1, text, name[0]) != noErr) return err::nomemory;
  return 0;
}

i32 ScrapHasFlavor(u32 scrap, OSType type) {
  ScrapRef ref = scrap;
  if (ref == 0 && GetCurrentScrap(&ref) != noErr) return 0;
  Size size = 0;
  if (GetScrapFlavorSize(ref, type, &size) != noErr) return 0;
  return i32(size);
}

i16 tifftopict(Handle tiff, PicHandle* picture) {
  if (picture == nullptr || tiff == nilhandle || !IsValidHandle(tiff)) return err::nopictureinfile;
  *picture = nilhandle;
  ComponentInstance importer = 0;
  if (OpenADefaultComponent(GraphicsImporterComponentType, fourcc("TIFF"), &importer) != noErr || importer == 0)
    return err::unknownfilekind;
  Boolean valid = false;
  i16 st = 0;
  if (GraphicsImportSetDataHandle(importer, tiff) != noErr || GraphicsImportValidate(importer, &valid) != noErr ||
      !valid || GraphicsImportGetAsPicture(importer, picture) != noErr || *picture == nilhandle)
    st = err::nopictureinfile;
  CloseComponent(importer);
  return st;
}

i16 clipname(fred* value) {
  if (clip().cards) return textonewfred("cards", value);
  checkscrap();
  if (spotcount(clip().objects) > 0) return textonewfred("objects", value);
  if (ScrapHasFlavor(0, fourcc("TEXT")) > 0) return textonewfred("text", value);
  return textonewfred("empty", value);
}

i16 clipflavors(fred* value) {
  std::string out;
  ScrapRef scrap = 0;
  u32 count = 0;
  if (GetCurrentScrap(&scrap) == noErr && GetScrapFlavorCount(scrap, &count) == noErr && count > 0) {
    std::vector<ScrapFlavorInfo> info(count);
    if (GetScrapFlavorInfoList(scrap, &count, info.data()) == noErr) {
      for (u32 i = 0; i < count; ++i) {
        if (i > 0) out += ',';
        for (int b = 3; b >= 0; --b) out += char(u8(info[i].flavorType >> (8 * b)));
      }
    }
  }
  Handle h = NewHandle(Size(out.size()));
  if (h == nilhandle) return err::nomemory;
  std::copy(out.begin(), out.end(), deref(h));
  const i16 st = handtonewfred(h, value);
  DisposeHandle(h);
  return st;
}

}  // namespace kv
