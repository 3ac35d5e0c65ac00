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
#include "engine/textutil.h"
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

enum : u16 {
  tokClipBoard = 3024,
  tokPictData = 4202,
  tokInto = 10013,
  tokThe = 10020,
  tokAs = 11005,
  tokBmp = 11019,
  tokCompressed = 11047,
  tokFrom = 11119,
  tokGif = 11123,
  tokHigh = 11131,
  tokInterlaced = 11139,
  tokJpeg = 11151,
  tokLossless = 11166,
  tokLow = 11167,
  tokMaximum = 11170,
  tokMinimum = 11181,
  tokNormal = 11198,
  tokPdf = 11221,
  tokPhotoshop = 11225,
  tokPict = 11229,
  tokPng = 11236,
  tokQtif = 11256,
  tokQuality = 11257,
  tokRaw = 11262,
  tokRtf = 11272,
  tokRtfd = 11273,
  tokStandard = 11300,
  tokText = 11311,
  tokTarga = 11312,
  tokTiff = 11315,
  tokTransparent = 11321,
  tokUtxt = 11335,
};

constexpr i16 statusbadcontainer = 2, statusnoof = 5, statusnoto = 7, statusnoobject = 11, statusstray = 19,
              statusnomemory = 37, statusempty = 66, statusnofile = 73, statusnotexportable = 112,
              statusunknownsource = 122, statusnotfield = 162, statusbadkind = 182, statusbadpath = 186,
              statusnotarget = 199, statusbadquality = 200, statusexporter = 226;

struct ExportState {
  u32 cachekind = 0;
};
ExportState& exportstate() { return state<ExportState>(); }

// The file type of a graphics-exporter format word, or 0.
OSType exportertype(u16 word) {
  switch (word) {
    case tokBmp: return fourcc("BMPf");
    case tokJpeg: return fourcc("JPEG");
    case tokPng: return fourcc("PNGf");
    case tokPhotoshop: return fourcc("8BPS");
    case tokQtif: return fourcc("qtif");
    case tokTarga: return fourcc("TPIC");
    case tokTiff: return fourcc("TIFF");
    default: return 0;
  }
}

bool acceptedafterto(u16 word) {
  return exportertype(word) != 0 || word == tokGif || word == tokFile || word == tokClipBoard;
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
  u16 format = tokPict;
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
    if (t == tokClipBoard || t == tokFile || t == tokPict || t == tokPdf || t == tokGif || exportertype(t) != 0 ||
        t == tokCompressed || t == tokInterlaced || t == tokStandard || t == tokText || t == tokUtxt ||
        t == tokRtf || t == tokRtfd) {
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
    if (tok(*i) != tokWith) return 0;
    i32 used = 0;
    const u16 q = word(*i + 1, &used);
    if (used == 0) return statusbadquality;
    switch (q) {
      case tokMinimum: *setting = 0; break;
      case tokLow: *setting = 256; break;
      case tokNormal: *setting = 512; break;
      case tokHigh: *setting = 768; break;
      case tokMaximum: *setting = 1023; break;
      case tokLossless: *setting = 1024; break;
      default: return statusbadquality;
    }
    *i += 1 + used;
    if (tok(*i) == tokQuality) ++*i;
    return 0;
  }
};

bool exportablestyle(u16 style) {
  return style == 100 || style == 101 || style == 102 || style == 104 || style == 106 || style == 107;
}

// The picture bytes into the clipboard, a variable, or a picture file.
i16 deliverpicture(request& r, Handle picture) {
  if (r.format == tokClipBoard) {
    ClearCurrentScrap();
    ScrapRef scrap = 0;
    if (GetCurrentScrap(&scrap) != noErr) return statusnomemory;
    const Size size = GetHandleSize(picture);
    return PutScrapFlavor(scrap, fourcc("PICT"), 0, size, size > 0 ? deref(picture) : nullptr) == noErr
               ? i16(0)
               : statusnomemory;
  }
  if (r.into) {
    fred value{};
    if (charstonewfred(deref(picture), GetHandleSize(picture), &value) != 0) return statusnomemory;
    return pututil(r.takedest(), &value, prepinto);
  }
  return newimagefile(r.name, picture, fourcc("PICT"));
}

// Image formats from a world over the export rectangle (its own bounds start at 0, 0).
i16 deliverworld(request& r, GWorldPtr world) {
  const Rect frame{0, 0, i16(r.region.bottom - r.region.top), i16(r.region.right - r.region.left)};
  chunkpart* dest = r.into ? r.takedest() : nullptr;
  if (r.format == tokGif) return gworldtoGIFfile(r.name, world, frame, r.setting, dest);
  return gworldtoimagefile(r.name, world, frame, exportertype(r.format), r.setting, dest);
}

bool imageformat(u16 format) { return format == tokGif || exportertype(format) != 0; }

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
  if (kind != 1 && kind != 2 && kind != 3) return statusexporter;
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
    if (!worldpixels(b.world, r.region, &image) || (picture = imagepicture(image)) == nilhandle) return statusexporter;
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
    if (picture == nilhandle) return statusnomemory;
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
  if (p.tok(i) != tokOf) return statusnoof;
  request r;
  i32 used = 0;
  if (i16 st = scanobj(p.path, p.text, p.atoms, i + 1, p.variables, &used, &r.obj)) return st;
  r.hasobj = true;
  i += 1 + used;
  if (r.obj.kind != objpart) return statusnoobject;
  if (spotat(r.obj.objects, r.obj.objindex).kind != spotfield) return statusnotfield;
  if (p.tok(i) != tokTo) return statusnoto;
  const u16 kindword = p.word(i + 1, &used);
  OSType kind = 0;
  switch (used == 0 ? u16(0) : kindword) {
    case tokText: kind = fourcc("TEXT"); break;
    case tokUtxt: kind = fourcc("utxt"); break;
    case tokRtf: kind = fourcc("RTF "); break;
    case tokRtfd: kind = fourcc("RTFD"); break;
    default: return statusbadkind;
  }
  i += 1 + used;
  if (p.tok(i) != tokFile) return statusnofile;
  if (i16 st = p.name(i + 1, &used, r.name)) return st;
  i += 1 + used;
  if (!statementends(p.atoms, i)) return statusstray;
  FSSpec spec{};
  if (!exportspec(r.name, &spec)) return statusbadpath;
  textholder held(r.obj, true);
  if (held.record() == nilid) return statusnomemory;
  return FSpWESave(0, WEGetTextLength(held.record()), spec, kind, 0, held.record(), nullptr);
}

// The format list after "to" or "into ... as": the format word and the setting it leaves.
i16 formatlist(const parser& p, i32* i, bool afterto, request& r) {
  for (;;) {
    i32 used = 0;
    u16 w = p.word(*i, &used);
    if (used == 0) {
      // After "as" any word is taken; one of no table writes nothing.
      if (afterto || statementends(p.atoms, *i)) return statusnofile;
      used = 1;
      w = 0;
    }
    *i += used;
    if (w == tokCompressed || w == tokInterlaced) {
      r.setting = 1;
      continue;
    }
    if (w == tokStandard || w == tokComma) continue;
    if (!afterto) {
      r.format = w;
      return 0;
    }
    if (!acceptedafterto(w)) return statusnofile;
    r.format = w == tokFile ? u16(tokPict) : w;
    if (w == tokClipBoard) return 0;
    if (w != tokFile) {
      if (p.tok(*i) != tokFile) return statusnofile;
      ++*i;
    }
    if (i16 st = p.name(*i, &used, r.name)) return st;
    *i += used;
    return 0;
  }
}

}  // namespace

void setexportcachekind(u32 kind) { exportstate().cachekind = kind; }

i16 comexport(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  const parser p{path, text, atoms, variables};
  i32 i = at + 1;
  if (p.tok(i) == tokThe) ++i;
  if (p.tok(i) == tokText) return exporttext(p, i + 1);
  request r;
  if (p.tok(i) == tokRaw) {
    r.raw = true;
    ++i;
    if (p.tok(i) != tokPictData && p.tok(i) != tokPict) return statusbadcontainer;
  } else if (p.tok(i) == tokTransparent) {
    r.transparent = true;
    ++i;
  }
  i32 used = 0;
  if (!r.raw && p.tok(i) == tokCard) {
    ++i;
  } else if (p.tok(i) == tokPict || p.tok(i) == tokPictData) {
    r.from = request::source::picture;
    if (p.tok(i + 1) != tokOf) return statusnoof;
    if (i16 st = scanobj(path, text, atoms, i + 2, variables, &used, &r.obj)) return st;
    r.hasobj = true;
    i += 2 + used;
    if (r.obj.kind != objpart) return statusnoobject;
    r.graphic = spotat(r.obj.objects, r.obj.objindex);
    if (r.graphic.kind != spotgraphic || !exportablestyle(r.graphic.style)) return statusnotexportable;
  } else {
    return statusunknownsource;
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
  if (!r.raw && p.tok(i) == tokFrom) {
    const propctx c{path, text, atoms, variables, nilhandle};
    i32 h1 = 0, v1 = 0, h2 = 0, v2 = 0;
    if (i16 st = getloc32(c, i + 1, &used, &h1, &v1)) return st;
    i += 1 + used;
    if (p.tok(i) != tokTo) return statusnoto;
    if (i16 st = getloc32(c, i + 1, &used, &h2, &v2)) return st;
    i += 1 + used;
    // Clamped to 16 bits, never wrapped.
    auto clamp = [](i32 n) { return i16(std::clamp(n, -32767, 32767)); };
    const Rect spanned{clamp(std::min(v1, v2)), clamp(std::min(h1, h2)), clamp(std::max(v1, v2)),
                       clamp(std::max(h1, h2))};
    r.region = Rect{std::max(spanned.top, image.top), std::max(spanned.left, image.left),
                    std::min(spanned.bottom, image.bottom), std::min(spanned.right, image.right)};
  }
  if (!r.raw && (r.region.right <= r.region.left || r.region.bottom <= r.region.top)) return statusempty;

  if (p.tok(i) == tokTo) {
    ++i;
    if (r.raw) {
      if (p.tok(i) == tokClipBoard) {
        r.format = tokClipBoard;
        ++i;
      } else {
        if (p.tok(i) == tokPict) ++i;
        if (p.tok(i) != tokFile) return statusnofile;
        if (i16 st = p.name(i + 1, &used, r.name)) return st;
        i += 1 + used;
      }
    } else {
      if (i16 st = formatlist(p, &i, true, r)) return st;
      if (r.format != tokClipBoard) {
        r.setting = 512;
        if (i16 st = p.quality(&i, &r.setting)) return st;
      }
    }
  } else if (p.tok(i) == tokInto) {
    if (i16 st = destination(path, text, atoms, i + 1, variables, nilhandle, &used, &r.dest, 1, 0)) return st;
    r.hasdest = true;
    r.into = true;
    i += 1 + used;
    if (r.dest.kind != containervariable) return statusbadcontainer;
    if (!r.raw && p.tok(i) == tokAs) {
      ++i;
      if (i16 st = formatlist(p, &i, false, r)) return st;
    }
    if (!r.raw) {
      if (i16 st = p.quality(&i, &r.setting)) return st;
    }
  } else {
    return statusnotarget;
  }
  if (!statementends(atoms, i)) return statusstray;

  if (r.raw) return exportraw(r);
  // "into ... as pdf" and "as file" would reach the picture-file writer without a name.
  if (r.into && (r.format == tokPdf || r.format == tokFile)) return statusnofile;
  if (r.into && r.format == tokClipBoard) r.into = false;
  if (r.into && r.format != tokPict && !imageformat(r.format)) return 0;
  return r.from == request::source::card ? exportcard(r) : exportpicture(r);
}

}  // namespace kv
