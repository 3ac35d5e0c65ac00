// `set [the] text of <field> to <source>`: the whole text of a rectangle or scrolling field from
// a value (plain, UTF-16 or RTF by its first bytes), RTF data, a file (by its suffix: plain,
// UTF-16 or RTF, an RTFD package through its "TXT.rtf"), the clipboard's text, nothing, or the
// styled text of another field.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/container.h"
#include "engine/expression.h"
#include "fields/fieldrecords.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/scripterrors.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "fields/urlcontent.h"
#include "platform/backend/backend.h"
#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/text/pstring.h"
#include "platform/windows/cursor.h"
#include "properties/fieldrtf.h"
#include "properties/longnames.h"
#include "properties/propfront.h"
#include "properties/setters.h"
#include "properties/shapesetters.h"
#include "core/fatalerror.h"
#include "shell/fieldputting.h"
#include "core/mainglobals.h"
#include "store/fieldtext.h"
#include "store/liveparts.h"
#include "core/memoryguard.h"
#include "store/objects.h"
#include "store/objread.h"
#include "store/recordcache.h"
#include "store/starfile.h"
#include "textengine/fieldpacking.h"

namespace kv {

namespace {

// Result texts.
constexpr i16 resultemptyfile = 14, resultnoclipboardtext = 51, resultfilefailed = 55, resultnofile = 56,
              resultreadfailed = 77;
// Statuses of the file reader.
constexpr i16 readnomemory = 37, readnopicture = 123, reademptyfile = 163, readfailed = 182, readnofile = 183;

constexpr u32 kAllowObjectsBit = 1u << 26;

// What the words after `to` name.
enum class sourcekind : u8 { value, rtfdata, rtffile, utxtfile, file, data, clipboard, none, copy };

// The target: a field object named by a field container.
struct target {
  chunkpart dest{};
  objread obj{};
  i32 used = 0;  // atoms of the reference
};

// Resolves the reference at `at` as a container: written out as an object, or through the text
// of one operand. Anything but a field object is refused with 45 (nothing is held then).
i16 resolvetarget(const propctx& c, i32 at, target* t) {
  *t = target{};
  i16 st = 0;
  if (whichobj(c.atoms, at, nullptr) == objpart) {
    st = destination(c.path, c.text, c.atoms, at, c.variables, c.locals, &t->used, &t->dest, 0, 0);
  } else {
    fred operand;
    i32 n = 0;
    if ((st = factor(c.path, c.text, c.atoms, at, c.variables, c.locals, &n, &operand))) return st;
    Handle atoms = nilhandle;
    st = tokenizefred(&operand, &atoms);
    if (st == 0) {
      i32 m = 0;
      st = destination(c.path, operand.text, atoms, 0, c.variables, c.locals, &m, &t->dest, 0, 0);
    }
    if (atoms != nilhandle) DisposeHandle(atoms);
    disposfred(&operand);
    t->used = n;
  }
  if (st != 0) return st;
  if (t->dest.kind != containerfield || t->dest.field == nilhandle ||
      GetHandleSize(t->dest.field) != Size(sizeof(objread))) {
    releasecontainer(&t->dest);
    return err::cantput;
  }
  t->obj = loadat<objread>(deref(t->dest.field));
  return 0;
}

bool istextfield(const spot& s) { return s.style == stylefieldrect || s.style == stylefieldscroll; }

// The records that keep the field's text change: the list's owner and the current card (a
// background field's text is kept with each card).
void markfieldchanged(const objread& obj) {
  checkerr(changevir(obj.d.store, i32(obj.ownerrecid)));
  if (obj.d.cardrecid != 0 && obj.d.cardrecid != obj.ownerrecid) checkerr(changevir(obj.d.store, i32(obj.d.cardrecid)));
}

// The redraw of a changed field: its area in the window that shows it.
void redrawfield(const objread& obj) {
  if (obj.objects == nilhandle) return;
  redrawspot(obj, spotat(obj.objects, obj.objindex).rect);
}

// Closes the field being edited when it is this one.
i16 closeifedited(const objread& obj) {
  const MainGlobals& g = mainglobals();
  if (g.openfield < 0 || g.openfield != obj.objindex || g.openfieldspots != obj.objects) return 0;
  i16 st = putdownfield();
  dumpfield();
  return st;
}

void watchcursor() {
  if (!mainglobals().lockCursor) SetThemeCursor(kThemeWatchCursor);
}

// A field's text replaced by a stored text (the field takes `data`; its old text and live
// record go), marked changed and redrawn. `alt` (may be none) becomes its alternate data with
// allowObjects set.
void installtext(const objread& obj, Handle data, Handle alt) {
  spot s = spotat(obj.objects, obj.objindex);
  releaselivefield(s);
  if (s.data != nilhandle) DisposeHandle(s.data);
  s.data = data;
  if (alt != nilhandle) {
    if (s.alt != nilhandle) dumpalt(s.alt);
    s.alt = alt;
    s.flags |= kAllowObjectsBit;
  }
  putspot(obj.objects, obj.objindex, s);
  markfieldchanged(obj);
  redrawfield(obj);
}

// The text of a value as bytes.
std::string valuebytes(fred* v) {
  const Size n = getfredsize(v);
  std::string s(std::size_t(std::max<Size>(n, 0)), '\0');
  if (n > 0) std::memcpy(s.data(), fredaddr(v), std::size_t(n));
  return s;
}

// The content type a file name's suffix gives.
u16 suffixkind(const std::string& name) {
  Str255 tail{}, suffix{};
  const std::size_t from = name.size() > 255 ? name.size() - 255 : 0;
  pstrassign(tail, sizeof tail, name.data() + from, name.size() - from);
  typefromurl(tail, suffix);
  urltransfer t{};
  url_set_type(&t, suffix);
  return t.contenttype;
}

// Finds an RTF file or package: the name itself, in the default folder, in the project's
// folder. The data of the file, or for a package the package's folder (its "TXT.rtf" is read
// from there with the attachments beside it). 186 when nothing is found, 191 when it cannot be
// read.
i16 readrtffile(const std::string& name, std::vector<u8>* out, std::string* package) {
  u32 dirid = 0;
  Str255 leaf{};
  if (!splitname(name, &dirid, leaf)) return err::nodocument;
  std::vector<u32> folders{dirid};
  const MainGlobals& g = mainglobals();
  if (g.defaultFolder != nilhandle && GetHandleSize(g.defaultFolder) > 0) {
    u32 id = 0;
    std::string path(reinterpret_cast<const char*>(deref(g.defaultFolder)),
                     std::size_t(GetHandleSize(g.defaultFolder)));
    if (folderidofpath(path, &id) == noErr) folders.push_back(id);
  }
  if (const projectstore* store = findprojectstore(g.current.store)) folders.push_back(store->dirid);
  CatInfo info{};
  u32 found = 0;
  bool have = false;
  for (std::size_t k = 0; k < folders.size() && !have; ++k) {
    // The current folder (0) is tried only for the name as given.
    if (folders[k] == 0 && k > 0) continue;
    if (HGetCatInfo(kBootVolume, folders[k], leaf, &info) == noErr) {
      found = folders[k];
      have = true;
    }
  }
  if (!have) return err::nodocument;
  u32 readfolder = found;
  Str255 readname{};
  pstrassign(readname, sizeof readname, leaf + 1, leaf[0]);
  if (info.folder) {
    // An RTFD package: its text is "TXT.rtf" inside it.
    readfolder = info.dirID;
    pstrassign(readname, sizeof readname, "TXT.rtf", 7);
    if (pathoffolder(info.dirID, package) != noErr) return err::badrtf;
  }
  FileRef ref = nilid;
  if (HOpen(kBootVolume, readfolder, readname, fsRdPerm, &ref) != noErr) return err::badrtf;
  i64 length = 0;
  i16 st = 0;
  if (GetEOF(ref, &length) != noErr || length < 0 || length > 0x7FFFFFFF) st = err::badrtf;
  if (st == 0 && memoryrefused64(3 * length + 40000)) st = err::nomemory;
  if (st == 0) {
    out->resize(std::size_t(length));
    if (length > 0 && readat(ref, 0, out->data(), length) != noErr) st = err::badrtf;
  }
  FSClose(ref);
  return st;
}

// The result text of a failed file read, or the error (37).
i16 readfailure(i16 st) {
  switch (st) {
    case readnomemory: return err::nomemory;
    case reademptyfile:
    case readnopicture: return setresulttext(resultemptyfile);
    case readfailed: return setresulttext(resultfilefailed);
    case readnofile: return setresulttext(resultnofile);
    default: return setresulttext(resultreadfailed);
  }
}

// The clipboard's 'TEXT' as a value: false when it holds none.
i16 clipboardtext(fred* value, bool* none) {
  *none = true;
  for (const ClipFlavor& f : backend().clipboard()) {
    if (f.type != fourcc("TEXT")) continue;
    *none = false;
    if (memoryrefused(Size(f.bytes.size()))) return err::nomemory;
    return charstonewfred(f.bytes.data(), Size(f.bytes.size()), value);
  }
  return 0;
}

// The source of the copy form: the stored styled text of a field and a copy of its alternate
// data (none when it has none); *data none for a field without text.
i16 copysource(const propctx& c, i32 at, i32* used, Handle* data, Handle* alt) {
  *data = *alt = nilhandle;
  objread src{};
  if (i16 st = readobj(c.path, c.text, c.atoms, at, c.variables, used, &src)) return st;
  if (src.kind != objpart) {
    writeobj(&src);
    return err::notext;
  }
  spot s = spotat(src.objects, src.objindex);
  if (s.kind != spotfield || !istextfield(s)) {
    writeobj(&src);
    return err::notstyledfield162;
  }
  i16 st = 0;
  if (s.data != nilhandle) {
    if (memoryrefused(GetHandleSize(s.data))) st = err::nomemory;
    const WEReference live = livefield(s);
    if (st == 0 && isvalidwerec(live) && GetWERecDirtyFlag(live)) {
      if (wenewpacktext(s, live) != noErr) st = err::nomemory;
      putspot(src.objects, src.objindex, s);
    }
    Handle copy = s.data;
    if (st == 0 && (HandToHand(&copy) != noErr || copy == s.data)) st = err::nomemory;
    if (st == 0) *data = copy;
    if (st == 0 && s.alt != nilhandle && GetHandleSize(s.alt) > 0) {
      Handle a = s.alt;
      if (dupealt(&a) != noErr || a == s.alt) {
        DisposeHandle(*data);
        *data = nilhandle;
        st = err::nomemory;
      } else {
        *alt = a;
      }
    }
  }
  writeobj(&src);
  return st;
}

// The source words after `to`.
struct source {
  sourcekind kind = sourcekind::value;
  i32 at = 0;  // the atom of the expression (or the word) that gives it
};

i16 sourceform(const propctx& c, i32 i, source* s) {
  s->at = i;
  switch (c.tok(i)) {
    case tok::rtf:
      if (c.tok(i + 1) == tok::data) s->kind = sourcekind::rtfdata;
      else if (c.tok(i + 1) == tok::file) s->kind = sourcekind::rtffile;
      else return err::nofile;
      s->at = i + 2;
      return 0;
    case tok::rtfd:
    case tok::utxt:
    case tok::text:
      if (c.tok(i + 1) != tok::file) return err::nofile;
      s->kind = c.tok(i) == tok::rtfd   ? sourcekind::rtffile
                : c.tok(i) == tok::utxt ? sourcekind::utxtfile
                                        : sourcekind::file;
      s->at = i + 2;
      return 0;
    case tok::file:
      s->kind = sourcekind::file;
      s->at = i + 1;
      return 0;
    case tok::data:
      s->kind = sourcekind::data;
      s->at = i + 1;
      return 0;
    case tok::clipboard: s->kind = sourcekind::clipboard; return 0;
    case tok::none: s->kind = sourcekind::none; return 0;
    case tok::the:
      if (c.tok(i + 1) != tok::text) return err::notextword;
      if (c.tok(i + 2) != tok::in) return err::noof;
      s->kind = sourcekind::copy;
      s->at = i + 3;
      return 0;
    default: s->kind = sourcekind::value; return 0;
  }
}

// The first pass: the reference checked and the atom where the source begins.
i16 firstpass(const propctx& c, i32 at, i32* sourceat) {
  const i32 i = isthe(c, at) ? at + 1 : at;
  if (c.tok(i + 1) != tok::in) return err::noof;
  target t;
  if (i16 st = resolvetarget(c, i + 2, &t)) return st;
  const spot s = spotat(t.obj.objects, t.obj.objindex);
  releasecontainer(&t.dest);
  if (s.kind != spotfield) return err::cantput;
  if (!istextfield(s)) return err::notstyledfield162;
  if (c.tok(i + 2 + t.used) != tok::to) return err::notoorof;
  *sourceat = i + 3 + t.used;
  return 0;
}

// The second pass: the target resolved again and held.
i16 secondpass(const propctx& c, i32 at, target* t) {
  const i32 i = isthe(c, at) ? at + 1 : at;
  if (i16 st = resolvetarget(c, i + 2, t)) return st;
  const spot s = spotat(t->obj.objects, t->obj.objindex);
  if (s.kind != spotfield) {
    releasecontainer(&t->dest);
    return err::cantput;
  }
  if (!istextfield(s)) {
    releasecontainer(&t->dest);
    return err::notstyledfield162;
  }
  return 0;
}

// RTF read into the target's stored text (`package`: an RTFD package folder whose "TXT.rtf" is
// read instead of the bytes).
i16 writertf(const propctx& c, i32 at, const u8* bytes, i32 length, bool lines, const std::string* package = nullptr) {
  target t;
  if (i16 st = secondpass(c, at, &t)) return st;
  i16 st = closeifedited(t.obj);
  if (st == 0) {
    watchcursor();
    spot s = spotat(t.obj.objects, t.obj.objindex);
    // The read names its target while it runs.
    MainGlobals& g = mainglobals();
    g.rtftargetlist = t.obj.objects;
    g.rtftargetindex = t.obj.objindex;
    g.rtftargetwindow = t.obj.d.window;
    const int32_t read = readrtfintofield(s, bytes, length, package, lines);
    g.rtftargetlist = nilhandle;
    g.rtftargetindex = 0;
    g.rtftargetwindow = nilid;
    putspot(t.obj.objects, t.obj.objindex, s);
    if (read != 0) {
      st = read == -108 || read == -117 ? err::nomemory : err::badrtf;
    } else {
      markfieldchanged(t.obj);
      redrawfield(t.obj);
    }
  }
  releasecontainer(&t.dest);
  return st;
}

// A plain text value put into the target as `put ... into` would, replacing its whole text.
i16 writeplain(const propctx& c, i32 at, fred* value) {
  target t;
  if (i16 st = secondpass(c, at, &t)) {
    disposfred(value);
    return st;
  }
  const objread obj = t.obj;
  const i16 st = pututil(&t.dest, value, tok::into);
  if (st == 0) {
    markfieldchanged(obj);
    redrawfield(obj);
  }
  return st;
}

// UTF-16 text handed to the field's Unicode writer, which releases the descriptor and the value.
i16 writeunicode(const propctx& c, i32 at, fred* value) {
  target t;
  if (i16 st = secondpass(c, at, &t)) {
    disposfred(value);
    return st;
  }
  objread obj = t.obj;
  // The writer releases the descriptor itself: the container lets go of it unreleased.
  DisposeHandle(t.dest.field);
  t.dest.field = nilhandle;
  disposfred(&t.dest.value);
  const objread held = obj;
  const i16 st = setunicodetext(&obj, value);
  if (st == 0) {
    markfieldchanged(held);
    redrawfield(held);
  }
  return st;
}

// Plain, UTF-16 or RTF text by the value's first bytes, written into the target.
i16 writevalue(const propctx& c, i32 at, fred* value) {
  const std::string bytes = valuebytes(value);
  const std::size_t n = bytes.size();
  const bool bom = n >= 2 && n % 2 == 0 &&
                   ((u8(bytes[0]) == 0xFF && u8(bytes[1]) == 0xFE) || (u8(bytes[0]) == 0xFE && u8(bytes[1]) == 0xFF));
  if (n >= 5 && bytes.compare(0, 5, "{\\rtf") == 0) {
    disposfred(value);
    return writertf(c, at, reinterpret_cast<const u8*>(bytes.data()), i32(n), false);
  }
  if (bom) return writeunicode(c, at, value);
  return writeplain(c, at, value);
}

}  // namespace

KV_SETTER(setfieldtext) {
  (void)token;
  propctx c{path, text, atoms, variables, nilhandle};
  i32 i = 0;
  if (i16 st = firstpass(c, at, &i)) return st;
  source src;
  if (i16 st = sourceform(c, i, &src)) return st;
  fred value;
  switch (src.kind) {
    case sourcekind::copy: {
      i32 used = 0;
      Handle data = nilhandle, alt = nilhandle;
      if (i16 st = copysource(c, src.at, &used, &data, &alt)) return st;
      if (!lineends(c, src.at + used)) {
        if (data != nilhandle) DisposeHandle(data);
        if (alt != nilhandle) dumpalt(alt);
        return err::stray;
      }
      if (data == nilhandle) {
        // A field without text gives the empty text.
        if (i16 st = newfred(&value, fredtemp, fredstring, 0)) return st;
        return writevalue(c, at, &value);
      }
      target t;
      i16 st = secondpass(c, at, &t);
      if (st == 0) {
        st = putdownfield();
        dumpfield();
        if (st == 0) {
          installtext(t.obj, data, alt);
          data = alt = nilhandle;
        }
        releasecontainer(&t.dest);
      }
      if (data != nilhandle) DisposeHandle(data);
      if (alt != nilhandle) dumpalt(alt);
      return st;
    }
    case sourcekind::rtfdata: {
      if (i16 st = readvalue(c, src.at, &value)) return st;
      const std::string bytes = valuebytes(&value);
      disposfred(&value);
      return writertf(c, at, reinterpret_cast<const u8*>(bytes.data()), i32(bytes.size()), false);
    }
    case sourcekind::rtffile:
    case sourcekind::utxtfile:
    case sourcekind::file: {
      if (i16 st = readvalue(c, src.at, &value)) return st;
      const std::string name = valuebytes(&value);
      disposfred(&value);
      if (name.empty()) return setresulttext(resultnofile);
      u16 kind = src.kind == sourcekind::rtffile    ? u16(urlrtf)
                 : src.kind == sourcekind::utxtfile ? u16(urlunicode)
                                                    : suffixkind(name);
      if (kind == urlrtf || kind == urlrtfd) {
        watchcursor();
        std::vector<u8> data;
        std::string package;
        if (i16 st = readrtffile(name, &data, &package)) return st;
        return writertf(c, at, data.data(), i32(data.size()), true, package.empty() ? nullptr : &package);
      }
      u32 dirid = 0;
      Str255 leaf{};
      if (!splitname(name, &dirid, leaf)) return setresulttext(resultnofile);
      u16 reported = kind;
      Handle data = nilhandle;
      if (i16 st = getextdata(leaf, 0, dirid, &reported, &data)) return readfailure(st);
      if (src.kind != sourcekind::utxtfile) kind = reported;
      const Size n = GetHandleSize(data);
      std::string bytes(std::size_t(n), '\0');
      if (n > 0) std::memcpy(bytes.data(), deref(data), std::size_t(n));
      DisposeHandle(data);
      if (kind == urlrtf) return writertf(c, at, reinterpret_cast<const u8*>(bytes.data()), i32(bytes.size()), false);
      if (kind == urlunicode) {
        if (i16 st = charstonewfred(bytes.data(), Size(bytes.size()), &value)) return st;
        return writeunicode(c, at, &value);
      }
      if (i16 st = charstonewfred(bytes.data(), Size(bytes.size()), &value)) return st;
      return writevalue(c, at, &value);
    }
    case sourcekind::clipboard: {
      if (!lineends(c, src.at + 1)) return err::stray;
      bool none = true;
      if (i16 st = clipboardtext(&value, &none)) return st;
      if (none) return setresulttext(resultnoclipboardtext);
      return writevalue(c, at, &value);
    }
    case sourcekind::none:
      if (!lineends(c, src.at + 1)) return err::stray;
      if (i16 st = newfred(&value, fredtemp, fredstring, 0)) return st;
      return writevalue(c, at, &value);
    case sourcekind::data:
    case sourcekind::value:
      if (i16 st = readvalue(c, src.at, &value)) return st;
      return writevalue(c, at, &value);
  }
  return 0;
}

}  // namespace kv
