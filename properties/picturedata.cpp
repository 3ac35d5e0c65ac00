// `set [the] pictureData of <object> to <source>`: a picture for a picture graphic or an image
// well from the clipboard, a picture resource, image data of a named format, an image file or
// URL, a link to a file, or the picture of another object (copied, or moved from a graphic);
// and the replacement of an object's picture data that it and external code use.
#include "properties/picturedata.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "render/pictbuffers.h"
#include "engine/scripterrors.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "fields/imageimport.h"
#include "fields/urlcontent.h"
#include "media/sequences.h"
#include "platform/backend/backend.h"
#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/qd/pictures.h"
#include "platform/text/casefold.h"
#include "platform/text/pstring.h"
#include "properties/longnames.h"
#include "properties/propfront.h"
#include "properties/resourcescursors.h"
#include "properties/setters.h"
#include "render/picturecache.h"
#include "render/pictinfo.h"
#include "core/mainglobals.h"
#include "shell/windtable.h"
#include "core/memoryguard.h"
#include "store/objects.h"
#include "store/recordcache.h"
#include "store/refwords.h"
#include "store/resourcelibrary.h"
#include "store/starfile.h"
#include "system/getpicture.h"

namespace kv {

namespace {

constexpr i16 resultemptyfile = 14, resultnonamed = 15, resultnopicture = 46, resultnofile = 56;
constexpr i16 getnopicture = 123, getnofile = 183;
constexpr u16 styleimagewell = 211;
constexpr Size kNoPicture = 9;

bool picturegraphicstyle(u16 style) {
  return style == 100 || style == 101 || style == 102 || style == 104 || style == 106 || style == 107;
}

bool picturestyle(const spot& s) {
  return (s.kind == spotgraphic && picturegraphicstyle(s.style)) || (s.kind == spotbutton && s.style == styleimagewell);
}

// A copy of a handle (37 when memory is refused).
i16 copyhandle(Handle h, Handle* out) {
  *out = nilhandle;
  if (memoryrefused(GetHandleSize(h))) return err::nomemory;
  Handle copy = h;
  if (HandToHand(&copy) != noErr || copy == h) return err::nomemory;
  *out = copy;
  return 0;
}

std::string valuebytes(fred* v) {
  const Size n = getfredsize(v);
  return std::string(reinterpret_cast<const char*>(fredaddr(v)), std::size_t(std::max<Size>(n, 0)));
}

// The file type an image-format word names; 0 for a word that names none.
OSType formattype(std::string word) {
  for (char& ch : word) ch = char(std::tolower(u8(ch)));
  static constexpr struct {
    const char* word;
    OSType type;
  } kFormats[] = {{"bmp", fourcc("BMPf")},      {"gif", fourcc("GIFf")},       {"jpeg", fourcc("JPEG")},
                  {"macpaint", fourcc("PNTG")}, {"photoshop", fourcc("8BPS")}, {"pict", fourcc("PICT")},
                  {"picture", fourcc("PICT")},  {"png", fourcc("PNGf")},       {"qtif", fourcc("qtif")},
                  {"sgi", fourcc(".SGI")},      {"targa", fourcc("TPIC")},     {"tga", fourcc("TPIC")},
                  {"tiff", fourcc("TIFF")}};
  for (const auto& f : kFormats)
    if (word == f.word) return f.type;
  return 0;
}

// What a source gives: picture data to embed (flag 1) or a path to link (flag 0); none with
// flag 1 removes the picture. `done` when the source found nothing and set `the result`.
struct picture {
  Handle data = nilhandle;
  i16 flag = 1;
  bool done = false;
  void release() {
    if (data != nilhandle) DisposeHandle(data);
    data = nilhandle;
  }
};

// Data of 9 bytes or less is no picture: the picture is removed.
void dropsmall(picture* p) {
  if (p->data != nilhandle && GetHandleSize(p->data) <= kNoPicture) p->release();
}

i16 fromclipboard(picture* p) {
  for (const ClipFlavor& f : backend().clipboard()) {
    if (f.type != fourcc("PICT")) continue;
    // Without memory for the copy the picture is kept rather than removed.
    if (memoryrefused(Size(f.bytes.size()))) return err::nomemory;
    if (PtrToHand(f.bytes.data(), &p->data, Size(f.bytes.size())) != noErr) return err::nomemory;
    orderpictureframe(p->data);
    dropsmall(p);
    return 0;
  }
  p->done = true;
  return setresulttext(resultnopicture);
}

i16 fromnamed(const propctx& c, i32 at, picture* p) {
  fred v;
  if (i16 st = readvalue(c, at, &v)) return st;
  Str255 name{};
  fredtostring(&v, name);
  disposfred(&v);
  if (!lowpict(name, &p->data)) {
    p->done = true;
    return setresulttext(resultnonamed);
  }
  dropsmall(p);
  return 0;
}

i16 fromdisplay(const propctx& c, i32 at, picture* p) {
  fred v;
  i32 n = 0;
  if (i16 st = expression(c.path, c.text, c.atoms, at, c.variables, c.locals, &n, &v)) return st;
  const std::string bytes = valuebytes(&v);
  disposfred(&v);
  OSType type = fourcc("PICT");
  i32 i = at + n;
  if (c.tok(i) == tok::as) {
    fred f;
    i32 m = 0;
    if (i16 st = anyfact(c.path, c.text, c.atoms, i + 1, c.variables, c.locals, &m, &f)) return st;
    std::string word = valuebytes(&f);
    disposfred(&f);
    word = word.substr(0, word.find(' '));
    if ((type = formattype(word)) == 0) return err::cantunderstand;
    i += 1 + m;
  }
  if (!lineends(c, i)) return err::stray;
  if (bytes.size() <= std::size_t(kNoPicture)) return 0;
  if (PtrToHand(bytes.data(), &p->data, Size(bytes.size())) != noErr) return err::nomemory;
  if (type == fourcc("PICT")) return 0;
  PicHandle pic = nilhandle;
  Handle data = p->data;
  p->data = nilhandle;
  if (i16 st = importimagedata(data, type, &pic)) {
    // The importer keeps the data after an early failure.
    if (IsValidHandle(data)) DisposeHandle(data);
    return st;
  }
  p->data = pic;
  return 0;
}

i16 fromreference(const propctx& c, i32 at, picture* p) {
  if (c.tok(at) == tok::file) ++at;
  fred v;
  if (i16 st = readvalue(c, at, &v)) return st;
  const std::string path = valuebytes(&v);
  disposfred(&v);
  if (PtrToHand(path.data(), &p->data, Size(path.size())) != noErr) return err::nomemory;
  p->flag = 0;
  return 0;
}

// A copy of the data of a resource record.
i16 resourcecopy(RegistryId store, u32 record, Handle* out) {
  *out = nilhandle;
  Handle rec = nilhandle;
  if (getvir(store, i32(record), &rec) != 0) return err::nomemory;
  Handle data = resourcedata(rec);
  i16 st = 0;
  if (data != nilhandle) st = copyhandle(data, out);
  putvir(store, i32(record));
  return st;
}

i16 fromresource(const propctx& c, i32 at, picture* p) {
  fred v;
  i32 n = 0;
  if (i16 st = factor(c.path, c.text, c.atoms, at, c.variables, c.locals, &n, &v)) return st;
  i32 id = 0;
  Str255 name{};
  const bool numbered = fredtolong(&v, &id) == 0;
  if (!numbered) fredtostring(&v, name);
  disposfred(&v);
  i32 i = at + n;
  if (c.tok(i) == tok::in) {
    ++i;
    if (c.tok(i) == tok::file) ++i;
    fred f;
    if (i16 st = readvalue(c, i, &f)) return st;
    const std::string path = valuebytes(&f);
    disposfred(&f);
    // The whole name: a longer one is its folder and its last part.
    u32 dirid = 0;
    Str255 file{};
    const projectstore* store = findprojectstore(mainglobals().current.store);
    Handle pic = nilhandle;
    if (!splitname(path, &dirid, file) || getpicture(file, 0, dirid != 0 ? dirid : (store ? store->dirid : 0), 1,
                                                     numbered ? nullptr : name, i16(id), &pic) != 0) {
      p->done = true;
      return setresulttext(resultnopicture);
    }
    p->data = pic;
  } else {
    if (!lineends(c, i)) return err::stray;
    // The project's resources, then the shared project's.
    const RegistryId stores[2] = {mainglobals().current.store, mainglobals().sharedstore};
    bool found = false;
    for (RegistryId store : stores) {
      u32 record = 0;
      if (store == nilid || !lowrez(store, fourcc("PICT"), numbered ? nullptr : name, u32(id), &record, nullptr))
        continue;
      if (i16 st = resourcecopy(store, record, &p->data)) return st;
      found = true;
      break;
    }
    if (!found) {
      p->done = true;
      return setresulttext(resultnopicture);
    }
  }
  orderpictureframe(p->data);
  dropsmall(p);
  return 0;
}

// `[the] pictureData of <object>`: a copy of its embedded picture or of its link.
i16 fromobject(const propctx& c, i32 at, picture* p) {
  objread src{};
  i32 used = 0;
  if (i16 st = resolvereference(c, at, &used, &src, false)) return st;
  if (!lineends(c, at + used)) {
    writeobj(&src);
    return err::stray;
  }
  i16 st = 0;
  if (src.kind != objpart) {
    st = err::notext;
  } else {
    const spot s = spotat(src.objects, src.objindex);
    if (s.kind != spotgraphic && !(s.kind == spotbutton && s.style == styleimagewell)) {
      st = err::notgraphic;
    } else if (Handle data = GetPictDataHandle(s.alt); data != nilhandle && GetHandleSize(data) > 0) {
      if ((st = copyhandle(data, &p->data)) == 0) orderpictureframe(p->data);
    } else if (Handle link = GetPictPathHandle(s.alt); link != nilhandle && GetHandleSize(link) > 0) {
      if ((st = copyhandle(link, &p->data)) == 0) p->flag = 0;
    } else {
      st = err::nopictureordialog;
    }
  }
  writeobj(&src);
  return st;
}

// `pictureData from <graphic>`: the source's picture taken off it, to be moved.
i16 takepicture(const propctx& c, i32 at, Handle* alt) {
  *alt = nilhandle;
  const u16 first = c.tok(at);
  const bool written = first == tok::grc ||
                       ((first == tok::card || first == tok::background) && c.tok(at + 1) == tok::grc);
  if (!written) return err::notgraphic;
  objread src{};
  i32 used = 0;
  if (i16 st = resolvereference(c, at, &used, &src, false)) return st;
  i16 st = 0;
  if (!lineends(c, at + used)) st = err::stray;
  else if (src.kind != objpart) st = err::notext;
  spot s{};
  if (st == 0) {
    s = spotat(src.objects, src.objindex);
    if (s.kind != spotgraphic) st = err::notgraphic;
    else if (!picturegraphicstyle(s.style)) st = err::nopicture;
  }
  if (st == 0) {
    // A source without a picture is refused before anything of it changes.
    const Handle data = GetPictDataHandle(s.alt), link = GetPictPathHandle(s.alt);
    const bool has = (data != nilhandle && GetHandleSize(data) > 0) || (link != nilhandle && GetHandleSize(link) > 0);
    if (!has) st = err::nopictureordialog;
  }
  if (st == 0) {
    const Rect before = s.rect;
    killpictbuffer(s);
    *alt = s.alt;
    s.alt = nilhandle;
    putspot(src.objects, src.objindex, s);
    markowner(src);
    redrawspot(src, before);
  }
  writeobj(&src);
  return st;
}

// `[file] <path or URL>`: an image file imported, or the image fetched by its type.
i16 fromfile(const propctx& c, i32 at, i32 whole, picture* p) {
  if (c.tok(at) == tok::file) ++at;
  fred v;
  if (i16 st = readvalue(c, at, &v)) return st;
  std::string path = valuebytes(&v);
  disposfred(&v);
  objread obj{};
  i32 used = 0;
  if (i16 st = dofront(c, whole, &used, &obj, true)) return st;
  writeobj(&obj);
  if (path.empty()) {
    p->done = true;
    return setresulttext(resultnofile);
  }
  u32 dirid = 0;
  Str255 leaf{};
  if (!splitname(path, &dirid, leaf)) {
    p->done = true;
    return setresulttext(resultnofile);
  }
  // A link names its target.
  i16 volume = 0;
  u32 folder = dirid;
  Str255 resolved{};
  pstrassign(resolved, sizeof resolved, leaf + 1, leaf[0]);
  bool alias = false;
  if (ResolveAliasFile(&volume, &folder, resolved, &alias) == noErr && alias) {
    std::string full;
    if (fullpathof(volume, folder, resolved, &full) == noErr && full.size() <= 255) {
      pstrassign(leaf, 256, full.data(), full.size());
      dirid = 0;
    }
  }
  if (dirid == 0) {
    PicHandle pic = nilhandle;
    if (importimage(leaf, &pic) == 0 && pic != nilhandle) {
      p->data = pic;
      return 0;
    }
  }
  const projectstore* store = findprojectstore(mainglobals().current.store);
  u16 kind = 0;
  Handle pic = nilhandle;
  const i16 st = getimage(leaf, 0, dirid != 0 ? dirid : (store ? store->dirid : 0), &kind, &pic);
  if (st == 0) {
    p->data = pic;
    return 0;
  }
  if (st == getnopicture) {
    p->done = true;
    return setresulttext(resultemptyfile);
  }
  if (st == getnofile) {
    p->done = true;
    return setresulttext(resultnofile);
  }
  return st;
}

}  // namespace

i16 lowsetpicturedata(objread& obj, Handle data, i16 mode) {
  spot s = spotat(obj.objects, obj.objindex);
  if (!picturestyle(s)) {
    if (data != nilhandle) DisposeHandle(data);
    return err::nopicture;
  }
  const Rect before = s.rect;
  killpictbuffer(s);
  if (data == nilhandle && mode != 0) {
    DeletePictInfo(s);
  } else {
    const i64 extra = data != nilhandle ? GetHandleSize(data) : 0;
    if (memoryrefused64(2 * (i64(GetHandleSize(obj.objects)) + extra))) {
      if (data != nilhandle) DisposeHandle(data);
      return err::nomemory;
    }
    // The new picture is made in a copy of the object's alternate data: when memory runs out
    // on the way the copy goes and the object keeps the picture it had.
    spot work = s;
    if (s.alt != nilhandle) {
      Handle copy = s.alt;
      if (dupealt(&copy) != noErr || copy == s.alt) {
        if (data != nilhandle) DisposeHandle(data);
        return err::nomemory;
      }
      work.alt = copy;
    }
    i16 st = 0;
    if (!New_PictInfoHandle(work)) {
      if (data != nilhandle) DisposeHandle(data);
      st = err::nomemory;
    } else if (SetPictInfoHandle(work, data, mode) != noErr) {
      if (data != nilhandle && getaltdata(work.alt, altpictdata) != data) DisposeHandle(data);
      st = err::nomemory;
    }
    if (st != 0) {
      if (work.alt != nilhandle) dumpalt(work.alt);
      return st;
    }
    if (s.alt != nilhandle) dumpalt(s.alt);
    s = work;
  }
  putspot(obj.objects, obj.objindex, s);
  markowner(obj);
  redrawspot(obj, before);
  return 0;
}

i16 lowmovepicturedata(objread& obj, Handle alt) {
  spot s = spotat(obj.objects, obj.objindex);
  if (s.kind != spotgraphic || !picturegraphicstyle(s.style)) {
    if (alt != nilhandle) dumpalt(alt);
    return err::nopicture;
  }
  const Rect before = s.rect;
  killpictbuffer(s);
  DeletePictInfo(s);
  if (s.alt != nilhandle) dumpalt(s.alt);
  s.alt = alt;
  if (alt != nilhandle) {
    // The picture's rectangles follow this object.
    PictInfo info{};
    if (loadpictinfo(alt, &info)) ResetDestRect(s);
  }
  putspot(obj.objects, obj.objindex, s);
  markowner(obj);
  redrawspot(obj, before);
  return 0;
}

KV_SETTER(setpicturedata) {
  (void)token;
  propctx c{path, text, atoms, variables, nilhandle};
  objread obj{};
  i32 used = 0;
  if (i16 st = dofront(c, at, &used, &obj, true)) return st;
  const bool object = obj.kind == objpart;
  writeobj(&obj);
  if (!object) return err::notext;
  const i32 i = at + used;
  picture p;
  Handle moved = nilhandle;
  bool move = false;
  i16 st = 0;
  switch (c.tok(i)) {
    case tok::clipboard: st = lineends(c, i + 1) ? fromclipboard(&p) : err::stray; break;
    case tok::empty:
    case tok::none: st = lineends(c, i + 1) ? i16(0) : err::stray; break;
    case tok::data: st = fromnamed(c, i + 1, &p); break;
    case tok::display: st = fromdisplay(c, i + 1, &p); break;
    case tok::reference: st = fromreference(c, i + 1, &p); break;
    case tok::resource: st = fromresource(c, i + 1, &p); break;
    case tok::the:
    case tok::pictdata:
    case tok::pict: {
      i32 j = i;
      if (c.tok(j) == tok::the) {
        ++j;
        if (c.tok(j) != tok::pictdata && c.tok(j) != tok::pict) {
          st = err::nopicturedata;
          break;
        }
      }
      ++j;
      if (c.tok(j) == tok::in) {
        st = fromobject(c, j + 1, &p);
      } else if (c.tok(j) == tok::from) {
        st = takepicture(c, j + 1, &moved);
        move = true;
      } else {
        st = err::noof;
      }
      break;
    }
    default: st = fromfile(c, i, at, &p); break;
  }
  if (st != 0 || p.done) {
    p.release();
    return st;
  }
  if ((st = dofront(c, at, &used, &obj, true))) {
    p.release();
    if (moved != nilhandle) dumpalt(moved);
    return st;
  }
  if (obj.kind != objpart) {
    st = err::notext;
    p.release();
    if (moved != nilhandle) dumpalt(moved);
  } else if (move) {
    st = lowmovepicturedata(obj, moved);
  } else {
    st = lowsetpicturedata(obj, p.data, p.flag);
  }
  writeobj(&obj);
  return st;
}

}  // namespace kv
