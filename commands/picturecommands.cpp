// Commands on pictures: switching and removing the image filters of a picture graphic, and
// importing the colour table of a picture as a 'clut' resource of a project.
#include <algorithm>
#include <string>
#include <utility>

#include "commands/commandforms.h"
#include "commands/commands.h"
#include "commands/dispatch.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "render/drawservices.h"
#include "render/pictbuffers.h"
#include "engine/scripterrors.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "engine/variables.h"
#include "platform/memory/memory.h"
#include "platform/qd/pictures.h"
#include "platform/resources/resources.h"
#include "platform/text/pstring.h"
#include "properties/propfront.h"
#include "render/filterlist.h"
#include "render/spotstyles.h"
#include "core/mainglobals.h"
#include "store/byteorder.h"
#include "store/objects.h"
#include "store/objread.h"
#include "system/getpicture.h"
#include "system/xresources.h"
#include "tools/gather.h"

namespace kv {

namespace {

constexpr i16 resultnotfound = 9, resultnotopened = 13, resultnopicture = 46;
constexpr i16 kNoSuchResource = 130;
constexpr OSType kPictType = fourcc("PICT"), kClutType = fourcc("clut");

// What a filter command does to the filters it names.
enum class filterop : u8 { enable, disable, remove };

// The filter a script names: a 1-based index, or a name.
struct filterchoice {
  bool all = false;
  bool byname = false;
  i32 index = 0;
  Str255 name{};
};

// Applies the operation to the chosen filters of a list: true when something changed. Removing
// all filters leaves the object without a filter list.
bool applyfilters(filterop op, const filterchoice& choice, spot& s, Handle list) {
  const u16 count = countfilters(list);
  if (choice.all) {
    if (count == 0 && list == nilhandle) return false;
    if (op == filterop::remove) return deletealt(s.alt, altfilters) == noErr;
    for (u16 i = 0; i < count; ++i) enablefilterbyidx(list, i, op == filterop::enable);
    return count > 0;
  }
  i32 index = choice.index - 1;
  if (choice.byname) {
    u16 found = 0;
    if (list == nilhandle || !filternametoidx(list, choice.name, &found)) return false;
    index = found;
  }
  if (list == nilhandle || index < 0 || index >= i32(count)) return false;
  if (op == filterop::remove) return killfilterbyidx(list, index) == 0;
  return enablefilterbyidx(list, index, op == filterop::enable) != 0;
}

// A picture handle disposed of with its holder unless taken.
struct HeldPicture {
  Handle h = nilhandle;
  HeldPicture() = default;
  HeldPicture(const HeldPicture&) = delete;
  HeldPicture& operator=(const HeldPicture&) = delete;
  ~HeldPicture() {
    if (h != nilhandle) DisposeHandle(h);
  }
};

// Where the picture of `import clut` comes from.
enum class picturesource : u8 { file, resource, clipboard, object };

struct importrequest {
  picturesource source = picturesource::file;
  Str255 path{};  // the file, or the resource's file (empty: the open resource files)
  bool byname = false;
  Str255 resname{};
  i32 resid = 0;
  Str255 name{};  // the new resource's name
  RegistryId project = nilid;
};

// The picture a request names: 0 with it, else `the result` is set and *picture stays none.
i16 loadpicture(const importrequest& r, Handle* picture) {
  *picture = nilhandle;
  i16 st = 0;
  if (r.source == picturesource::file) {
    st = getpicture(r.path, 0, 0, 0, nullptr, 0, picture);
  } else if (r.path[0] != 0) {
    st = getpicture(r.path, 0, 0, 1, r.byname ? r.resname : nullptr, i16(r.resid), picture);
  } else {
    Handle res = r.byname ? GetNamedResource(kPictType, r.resname) : GetResource(kPictType, i16(r.resid));
    if (res != nilhandle) {
      Handle copy = res;
      if (HandToHand(&copy) == noErr) *picture = copy;
      ReleaseResource(res);
    }
    st = *picture != nilhandle ? i16(0) : kNoSuchResource;
  }
  if (st == 0 && *picture != nilhandle) return 0;
  if (*picture != nilhandle) DisposeHandle(*picture);
  *picture = nilhandle;
  const bool fileerror = r.source == picturesource::file || r.path[0] != 0;
  return setresulttext(fileerror && st != kNoSuchResource ? resultnotopened : resultnopicture);
}

}  // namespace

scriptstatus enablefilters(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  const u16 word = tokenat(atoms, at);
  const filterop op = word == tok::remove   ? filterop::remove
                      : word == tok::enable ? filterop::enable
                                            : filterop::disable;
  filterchoice choice;
  i32 i = at + 1;
  if (tokenat(atoms, i) == tok::the) ++i;
  if (tokenat(atoms, i) == tok::filters) {
    choice.all = true;
    ++i;
  } else if (tokenat(atoms, i) == tok::filter) {
    fred value;
    i32 used = 0;
    if (i16 st = expression(path, text, atoms, i + 1, variables, nilhandle, &used, &value); st != 0) return st;
    i32 n = 0;
    if (fredtolong(&value, &n) == 0) {
      choice.index = n;
    } else {
      choice.byname = true;
      fredtostring(&value, choice.name);
    }
    disposfred(&value);
    i += 1 + used;
  } else {
    return err::cantunderstand;
  }
  if (tokenat(atoms, i) != tok::in) return err::noof;
  objread obj{};
  i32 used = 0;
  if (i16 st = scanobj(path, text, atoms, i + 1, variables, &used, &obj); st != 0) return st;
  i16 st = 0;
  spot s{};
  if (obj.kind == objpart) s = spotat(obj.objects, obj.objindex);
  if (obj.kind != objpart || s.kind != spotgraphic || s.style == styleline) st = err::cantunderstand;
  else if (!atomview(atoms).lineends(i + 1 + used)) st = err::stray;
  if (st == 0 && applyfilters(op, choice, s, getfilters(obj))) {
    // The picture is drawn afresh through its filters.
    markowner(obj);
    killpictbuffer(s);
    redrawspot(obj, s.rect);
  }
  writeobj(&obj);
  return st;
}

scriptstatus comimport(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  i32 i = at + 1;
  if (tokenat(atoms, i) != tok::clut) return err::cantunderstand;
  if (tokenat(atoms, i + 1) != tok::from) return err::nofrom;
  i += 2;
  const Str255 empty{};
  if (i16 st = stringtoit(empty, variables); st != 0) return st;
  importrequest r;
  r.project = mainglobals().current.store;
  HeldPicture objectpicture;
  i32 used = 0;
  switch (tokenat(atoms, i)) {
    case tok::file:
      r.source = picturesource::file;
      if (i16 st = textoperand(path, text, atoms, i + 1, variables, &used, r.path); st != 0) return st;
      i += 1 + used;
      break;
    case tok::resource: {
      r.source = picturesource::resource;
      fred value;
      if (i16 st = expression(path, text, atoms, i + 1, variables, nilhandle, &used, &value); st != 0) return st;
      r.byname = fredtolong(&value, &r.resid) != 0;
      if (r.byname) fredtostring(&value, r.resname);
      disposfred(&value);
      i += 1 + used;
      if (tokenat(atoms, i) == tok::in) {
        i += tokenat(atoms, i + 1) == tok::file ? 2 : 1;
        if (i16 st = textoperand(path, text, atoms, i, variables, &used, r.path); st != 0) return st;
        i += used;
      }
      break;
    }
    case tok::clipboard:
      // The clipboard's picture comes with the object clipboard.
      return err::notbuilt;
    default: {
      objread obj{};
      if (i16 st = scanobj(path, text, atoms, i, variables, &used, &obj); st != 0) return st;
      const bool part = obj.kind == objpart;
      // The object's picture: it is drawn as on its card.
      if (part) objectpicture.h = spotopic(obj.objects, i16(obj.objindex));
      writeobj(&obj);
      if (!part) return err::notext;
      r.source = picturesource::object;
      i += used;
      break;
    }
  }
  if (tokenat(atoms, i) == tok::as) {
    if (i16 st = textoperand(path, text, atoms, i + 1, variables, &used, r.name); st != 0) return st;
    i += 1 + used;
  }
  if (tokenat(atoms, i) == tok::into) {
    objread obj{};
    if (i16 st = scanobj(path, text, atoms, i + 1, variables, &used, &obj); st != 0) return st;
    r.project = obj.d.store;
    writeobj(&obj);
    i += 1 + used;
  }
  if (!atomview(atoms).lineends(i)) return err::stray;
  Handle picture = nilhandle;
  if (r.source == picturesource::object) {
    std::swap(picture, objectpicture.h);
    if (picture == nilhandle) return setresulttext(resultnopicture);
  } else if (loadpicture(r, &picture) != 0 || picture == nilhandle) {
    return 0;
  }
  // Pictures from files may be written with their frame's corners swapped.
  Rect frame{};
  QDGetPictureBounds(picture, &frame);
  if (frame.left > frame.right || frame.top > frame.bottom) {
    QDSetPictureBounds(picture, Rect{std::min(frame.top, frame.bottom), std::min(frame.left, frame.right),
                                     std::max(frame.top, frame.bottom), std::max(frame.left, frame.right)});
  }
  CTabHandle table = extractclut(picture);
  DisposeHandle(picture);
  if (table == nilhandle) return setresulttext(resultnotfound);
  // Resource records keep a colour table in the store's byte order.
  const bool stored = endianswapclut(deref(table), GetHandleSize(table), tofile) == noErr;
  const u32 id = stored && r.project != nilid ? addres(kClutType, r.name, table, r.project) : 0;
  DisposeHandle(table);
  if (id == 0) return 0;
  Str255 idtext{};
  NumToString(i32(id), idtext);
  return stringtoit(idtext, variables);
}

}  // namespace kv
