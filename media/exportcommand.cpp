// The `export` command: the card, a picture graphic or a field's text written out as an image
// file, a picture on the clipboard or in a variable, or a text file.
#include <algorithm>
#include <vector>

#include "engine/container.h"
#include "engine/expression.h"
#include "engine/containerutil.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/scripterrors.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "media/export.h"
#include "platform/qd/imagewriters.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/runtime/root.h"
#include "platform/qd/pictures.h"
#include "platform/scrap/scrap.h"
#include "properties/textrecords.h"
#include "properties/valueparsers.h"
#include "render/pictinfo.h"
#include "render/picturecache.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "store/objread.h"
#include "store/records.h"

namespace kv {

namespace {

struct ExportState {
  u32 cachekind = 0;
};
ExportState& exportstate() { return state<ExportState>(); }

// The file type of a graphics-exporter format word, or 0.
OSType exportertype(u16 word) {
  switch (word) {
    case tok::bmp: return fourcc("BMPf");
    case tok::jpeg: return fourcc("JPEG");
    case tok::png: return fourcc("PNGf");
    case tok::photoshop: return fourcc("8BPS");
    case tok::qtif: return fourcc("qtif");
    case tok::targa: return fourcc("TPIC");
    case tok::tiff: return fourcc("TIFF");
    default: return 0;
  }
}

bool acceptedafterto(u16 word) {
  return exportertype(word) != 0 || word == tok::gif || word == tok::file || word == tok::clipboard;
}

// What a statement asks for.
struct request {
  enum class source : u8 { card, picture } from = source::card;
  bool transparent = false;
  bool raw = false;
  objread obj{};
  bool hasobj = false;
  spot graphic{};
  bool hasregion = false;
  Rect region{};
  bool into = false;
  chunkpart dest{};
  bool hasdest = false;
  u16 format = tok::pict;
  i32 setting = 0;
  Str255 name{};
  ~request() {
    if (hasdest) releasecontainer(&dest);
    if (hasobj) writeobj(&obj);
  }
  // The container, handed on to a writer that releases it.
  chunkpart* takedest() {
    hasdest = false;
    return &dest;
  }
};

struct parser {
  hierpath path;
  Handle text, atoms, variables;
  u16 tok(i32 i) const { return tokenat(atoms, i); }
  // A word of a list: the atom itself when it is a word of the export tables, else the first
  // token of the value of an expression.
  u16 word(i32 i, i32* used) const {
    const u16 t = tok(i);
    if (t == tok::clipboard || t == tok::file || t == tok::pict || t == tok::pdf || t == tok::gif ||
        exportertype(t) != 0 || t == tok::compressed || t == tok::interlaced || t == tok::standard || t == tok::text ||
        t == tok::utxt || t == tok::rtf || t == tok::rtfd) {
      *used = 1;
      return t;
    }
    return getoken(path, text, atoms, i, variables, nilhandle, used);
  }
  i16 name(i32 i, i32* used, Str255 out) const {
    fred v{};
    if (i16 st = expression(path, text, atoms, i, variables, nilhandle, used, &v)) return st;
    fredtostring(&v, out);
    disposfred(&v);
    return 0;
  }
  // "with" quality ["quality"]: the exporter setting.
  i16 quality(i32* i, i32* setting) const {
    if (tok(*i) != tok::with) return 0;
    i32 used = 0;
    const u16 q = word(*i + 1, &used);
    if (used == 0) return err::unknownquality200;
    switch (q) {
      case tok::minimum: *setting = 0; break;
      case tok::low: *setting = 256; break;
      case tok::normal: *setting = 512; break;
      case tok::high: *setting = 768; break;
      case tok::maximum: *setting = 1023; break;
      case tok::lossless: *setting = 1024; break;
      default: return err::unknownquality200;
    }
    *i += 1 + used;
    if (tok(*i) == tok::quality) ++*i;
    return 0;
  }
};

bool exportablestyle(u16 style) {
  return style == 100 || style == 101 || style == 102 || style == 104 || style == 106 || style == 107;
}

// The picture bytes into the clipboard, a variable, or a picture file.
i16 deliverpicture(request& r, Handle picture) {
  if (r.format == tok::clipboard) {
    ClearCurrentScrap();
    ScrapRef scrap = 0;
    if (GetCurrentScrap(&scrap) != noErr) return err::nomemory;
    const Size size = GetHandleSize(picture);
    return PutScrapFlavor(scrap, fourcc("PICT"), 0, size, size > 0 ? deref(picture) : nullptr) == noErr ? i16(0)
                                                                                                        : err::nomemory;
  }
  if (r.into) {
    fred value{};
    if (charstonewfred(deref(picture), GetHandleSize(picture), &value) != 0) return err::nomemory;
    return pututil(r.takedest(), &value, tok::into);
  }
  return newimagefile(r.name, picture, fourcc("PICT"));
}

// Image formats from a world over the export rectangle (its own bounds start at 0, 0).
i16 deliverworld(request& r, GWorldPtr world) {
  const Rect frame{0, 0, i16(r.region.bottom - r.region.top), i16(r.region.right - r.region.left)};
  chunkpart* dest = r.into ? r.takedest() : nullptr;
  if (r.format == tok::gif) return gworldtoGIFfile(r.name, world, frame, r.setting, dest);
  return gworldtoimagefile(r.name, world, frame, exportertype(r.format), r.setting, dest);
}

bool imageformat(u16 format) { return format == tok::gif || exportertype(format) != 0; }

i16 exportcard(request& r) {
  const i16 depth = mainglobals().bufferMode > 0 ? mainglobals().bufferMode : 32;
  if (imageformat(r.format)) {
    GWorldPtr world = nilid;
    if (i16 st = cardtogworld(&world, r.region, depth, r.transparent)) return st;
    const i16 st = deliverworld(r, world);
    DisposeGWorld(world);
    return st;
  }
  PicHandle picture = nilhandle;
  if (i16 st = cardtopicture(r.region, r.transparent, &picture)) return st;
  const i16 st = deliverpicture(r, picture);
  KillPicture(picture);
  return st;
}

i16 exportpicture(request& r) {
  pictbuffer b{};
  if (getcachepicture(r.graphic, &b) == 0) return 0;
  const u32 kind = exportstate().cachekind != 0 ? exportstate().cachekind : b.kind;
  if (kind != 1 && kind != 2 && kind != 3) return err::cantconvert226;
  const i16 depth = mainglobals().bufferMode > 0 ? mainglobals().bufferMode : 32;
  if (imageformat(r.format)) {
    GWorldPtr world = nilid;
    const i16 made = kind == 2 ? gworldtogworld(b.world, &world, r.region, depth)
                               : pictogworld(PicHandle(b.image), &world, r.region, depth);
    if (made != 0) return made;
    const i16 st = deliverworld(r, world);
    DisposeGWorld(world);
    return st;
  }
  PicHandle picture = nilhandle;
  if (kind == 2) {
    // The pixel image becomes a picture through a recorded copy of its bits.
    DecodedImage image;
    if (!worldpixels(b.world, r.region, &image) || (picture = imagepicture(image)) == nilhandle)
      return err::cantconvert226;
  } else {
    SavePort saved;
    GWorldPtr world = nilid;
    if (i16 st = pictogworld(PicHandle(b.image), &world, r.region, depth)) return st;
    SetPort(world);
    SetOrigin(r.region.left, r.region.top);
    ClipRect(&r.region);
    picture = OpenPicture(&r.region);
    if (picture != nilhandle) {
      if (!r.transparent) EraseRect(&r.region);
      Rect bounds{};
      QDGetPictureBounds(PicHandle(b.image), &bounds);
      DrawPicture(PicHandle(b.image), &bounds);
      ClosePicture();
    }
    SetOrigin(0, 0);
    DisposeGWorld(world);
    if (picture == nilhandle) return err::nomemory;
  }
  const i16 st = deliverpicture(r, picture);
  KillPicture(picture);
  return st;
}

i16 exportraw(request& r) {
  PictInfo info{};
  loadpictinfo(r.graphic.alt, &info);
  Handle picture = nilhandle;
  bool owned = false;
  if (info.storagemode == pictembedded) {
    picture = getaltdata(r.graphic.alt, 2);
  } else {
    if (i16 st = getpdpict(r.graphic, &picture)) return st;
    owned = picture != nilhandle;
  }
  if (!IsValidHandle(picture) || GetHandleSize(picture) == 0) {
    if (owned) DisposeHandle(picture);
    return 0;
  }
  const i16 st = deliverpicture(r, picture);
  if (owned) DisposeHandle(picture);
  return st;
}

// `export text of <field> to <kind> file <name>`.
i16 exporttext(const parser& p, i32 i) {
  if (p.tok(i) != tok::in) return err::noof;
  request r;
  i32 used = 0;
  if (i16 st = scanobj(p.path, p.text, p.atoms, i + 1, p.variables, &used, &r.obj)) return st;
  r.hasobj = true;
  i += 1 + used;
  if (r.obj.kind != objpart) return err::notext;
  if (spotat(r.obj.objects, r.obj.objindex).kind != spotfield) return err::notstyledfield162;
  if (p.tok(i) != tok::to) return err::notoorof;
  const u16 kindword = p.word(i + 1, &used);
  OSType kind = 0;
  switch (used == 0 ? u16(0) : kindword) {
    case tok::text: kind = fourcc("TEXT"); break;
    case tok::utxt: kind = fourcc("utxt"); break;
    case tok::rtf: kind = fourcc("RTF "); break;
    case tok::rtfd: kind = fourcc("RTFD"); break;
    default: return err::unknownfilekind;
  }
  i += 1 + used;
  if (p.tok(i) != tok::file) return err::nofile;
  if (i16 st = p.name(i + 1, &used, r.name)) return st;
  i += 1 + used;
  if (!statementends(p.atoms, i)) return err::stray;
  FSSpec spec{};
  if (!exportspec(r.name, &spec)) return err::nodocument;
  textholder held(r.obj, true);
  if (held.record() == nilid) return err::nomemory;
  return FSpWESave(0, WEGetTextLength(held.record()), spec, kind, 0, held.record(), nullptr);
}

// The format list after "to" or "into ... as": the format word and the setting it leaves.
i16 formatlist(const parser& p, i32* i, bool afterto, request& r) {
  for (;;) {
    i32 used = 0;
    u16 w = p.word(*i, &used);
    if (used == 0) {
      // After "as" any word is taken; one of no table writes nothing.
      if (afterto || statementends(p.atoms, *i)) return err::nofile;
      used = 1;
      w = 0;
    }
    *i += used;
    if (w == tok::compressed || w == tok::interlaced) {
      r.setting = 1;
      continue;
    }
    if (w == tok::standard || w == tok::comma) continue;
    if (!afterto) {
      r.format = w;
      return 0;
    }
    if (!acceptedafterto(w)) return err::nofile;
    r.format = w == tok::file ? u16(tok::pict) : w;
    if (w == tok::clipboard) return 0;
    if (w != tok::file) {
      if (p.tok(*i) != tok::file) return err::nofile;
      ++*i;
    }
    if (i16 st = p.name(*i, &used, r.name)) return st;
    *i += used;
    return 0;
  }
}

}  // namespace

void setexportcachekind(u32 kind) { exportstate().cachekind = kind; }

scriptstatus comexport(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  const parser p{path, text, atoms, variables};
  i32 i = at + 1;
  if (p.tok(i) == tok::the) ++i;
  if (p.tok(i) == tok::text) return exporttext(p, i + 1);
  request r;
  if (p.tok(i) == tok::raw) {
    r.raw = true;
    ++i;
    if (p.tok(i) != tok::pictdata && p.tok(i) != tok::pict) return err::cantunderstand;
  } else if (p.tok(i) == tok::transparent) {
    r.transparent = true;
    ++i;
  }
  i32 used = 0;
  if (!r.raw && p.tok(i) == tok::card) {
    ++i;
  } else if (p.tok(i) == tok::pict || p.tok(i) == tok::pictdata) {
    r.from = request::source::picture;
    if (p.tok(i + 1) != tok::in) return err::noof;
    if (i16 st = scanobj(path, text, atoms, i + 2, variables, &used, &r.obj)) return st;
    r.hasobj = true;
    i += 2 + used;
    if (r.obj.kind != objpart) return err::notext;
    r.graphic = spotat(r.obj.objects, r.obj.objindex);
    if (r.graphic.kind != spotgraphic || !exportablestyle(r.graphic.style)) return err::nopicture;
  } else {
    return err::unknownsource;
  }
  // The image rectangle: the card's size, or the picture's image rectangle.
  Rect image{};
  if (r.from == request::source::card) {
    const desk& d = mainglobals().current;
    if (d.wind != nilhandle) {
      const Rect w = loadat<windrec>(deref(d.wind)).rect1;
      image = Rect{0, 0, i16(w.bottom - w.top), i16(w.right - w.left)};
    }
  } else {
    PictInfo info{};
    loadpictinfo(r.graphic.alt, &info);
    image = info.imagerect;
  }
  r.region = image;
  if (!r.raw && p.tok(i) == tok::from) {
    const propctx c{path, text, atoms, variables, nilhandle};
    i32 h1 = 0, v1 = 0, h2 = 0, v2 = 0;
    if (i16 st = getloc32(c, i + 1, &used, &h1, &v1)) return st;
    i += 1 + used;
    if (p.tok(i) != tok::to) return err::notoorof;
    if (i16 st = getloc32(c, i + 1, &used, &h2, &v2)) return st;
    i += 1 + used;
    // Clamped to 16 bits, never wrapped.
    auto clamp = [](i32 n) { return i16(std::clamp(n, -32767, 32767)); };
    const Rect spanned{clamp(std::min(v1, v2)), clamp(std::min(h1, h2)), clamp(std::max(v1, v2)),
                       clamp(std::max(h1, h2))};
    r.region = Rect{std::max(spanned.top, image.top), std::max(spanned.left, image.left),
                    std::min(spanned.bottom, image.bottom), std::min(spanned.right, image.right)};
  }
  if (!r.raw && (r.region.right <= r.region.left || r.region.bottom <= r.region.top)) return err::emptyrect;

  if (p.tok(i) == tok::to) {
    ++i;
    if (r.raw) {
      if (p.tok(i) == tok::clipboard) {
        r.format = tok::clipboard;
        ++i;
      } else {
        if (p.tok(i) == tok::pict) ++i;
        if (p.tok(i) != tok::file) return err::nofile;
        if (i16 st = p.name(i + 1, &used, r.name)) return st;
        i += 1 + used;
      }
    } else {
      if (i16 st = formatlist(p, &i, true, r)) return st;
      if (r.format != tok::clipboard) {
        r.setting = 512;
        if (i16 st = p.quality(&i, &r.setting)) return st;
      }
    }
  } else if (p.tok(i) == tok::into) {
    if (i16 st = destination(path, text, atoms, i + 1, variables, nilhandle, &used, &r.dest, 1, 0)) return st;
    r.hasdest = true;
    r.into = true;
    i += 1 + used;
    if (r.dest.kind != containervariable) return err::cantunderstand;
    if (!r.raw && p.tok(i) == tok::as) {
      ++i;
      if (i16 st = formatlist(p, &i, false, r)) return st;
    }
    if (!r.raw) {
      if (i16 st = p.quality(&i, &r.setting)) return st;
    }
  } else {
    return err::notoorinto;
  }
  if (!statementends(atoms, i)) return err::stray;

  if (r.raw) return exportraw(r);
  // "into ... as pdf" and "as file" would reach the picture-file writer without a name.
  if (r.into && (r.format == tok::pdf || r.format == tok::file)) return err::nofile;
  if (r.into && r.format == tok::clipboard) r.into = false;
  if (r.into && r.format != tok::pict && !imageformat(r.format)) return 0;
  return r.from == request::source::card ? exportcard(r) : exportpicture(r);
}

}  // namespace kv
