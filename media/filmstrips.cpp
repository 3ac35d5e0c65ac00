// Film strips: a picture cut into equal cells drawn once into an offscreen world under a
// name, and its cells animated in the card window.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "commands/objectfunctions.h"
#include "commands/soundcommands.h"
#include "engine/expression.h"
#include "engine/numbertext.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "engine/variables.h"
#include "media/imagefiles.h"
#include "media/mediaservice.h"
#include "media/sequences.h"
#include "platform/events/events.h"
#include "platform/files/files.h"
#include "platform/qd/copybits.h"
#include "platform/qd/masks.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/resources/resources.h"
#include "platform/runtime/root.h"
#include "platform/sound/channels.h"
#include "platform/sound/soundformat.h"
#include "platform/text/pstring.h"
#include "platform/windows/windows.h"
#include "properties/valueparsers.h"
#include "core/mainglobals.h"
#include "shell/redraws.h"
#include "core/runservices.h"
#include "core/memoryguard.h"
#include "store/objread.h"
#include "store/starfile.h"
#include "system/getpicture.h"

namespace kv {

namespace {

enum : i16 {
  resultnotfound = 1,
  resultnofilm = 3,
  resultfilmopen = 12,
  resultcantopen = 13,
  resultshort = 14,
  resultnoresource = 15,
  statusbadoption = 2,
  statuswordsleft = 19,
  statusmemory = 37,
  statusnoas = 228,
};
constexpr ResType kPict = fourcc("PICT");

struct film {
  i32 cellw = 1, cellh = 1, perrow = 1, lastframe = 0;
  GWorldPtr world = nilid;
  std::string name;  // Mac Roman
};

struct FilmState {
  std::vector<film> films;
  ~FilmState() {
    for (film& f : films)
      if (f.world) DisposeGWorld(f.world);
  }
};

FilmState& fs() { return state<FilmState>(); }

i32 findfilm(ConstStringPtr name) {
  if (!hasstate<FilmState>()) return -1;
  for (std::size_t i = 0; i < fs().films.size(); ++i) {
    Str255 n;
    setpstring(n, fs().films[i].name);
    if (myequalstring(n, name)) return i32(i);
  }
  return -1;
}

scriptstatus readtext(hierpath path, Handle text, Handle atoms, i32* i, Handle variables, StringPtr out) {
  fred v;
  i32 used = 0;
  if (i16 st = expression(path, text, atoms, *i, variables, nilhandle, &used, &v)) return st;
  fredtostring(&v, out);
  disposfred(&v);
  *i += used;
  return 0;
}

scriptstatus readlong(hierpath path, Handle text, Handle atoms, i32* i, Handle variables, i32* n) {
  fred v;
  i32 used = 0;
  if (i16 st = expression(path, text, atoms, *i, variables, nilhandle, &used, &v)) return st;
  i16 st = fredtolong(&v, n);
  disposfred(&v);
  *i += used;
  return st;
}

// A picture file: 512 bytes of header, then the picture. -1 after putting a result text, 37
// when memory is refused, else 0.
i16 readpicturefile(ConstStringPtr name, Handle* picture) {
  const MainGlobals& g = mainglobals();
  const projectstore* project = findprojectstore(g.current.store);
  const u32 folders[3] = {0, project ? project->dirid : 0, defaultwritefolder()};
  FileRef ref = nilid;
  OSErr err = fnfErr;
  for (int k = 0; k < 3 && err != noErr; ++k) {
    if (k > 0 && folders[k] == 0) continue;
    CatInfo c{};
    if (HGetCatInfo(kBootVolume, folders[k], name, &c) != noErr || c.folder) continue;
    err = fsopenit(name, kBootVolume, folders[k], &ref);
    if (err != noErr) return i16(setresulttext(resultcantopen) - 1);
  }
  if (err != noErr) return i16(setresulttext(resultnotfound) - 1);
  i64 size = 0;
  GetEOF(ref, &size);
  size -= 512;
  if (size < 1) {
    FSClose(ref);
    return i16(setresulttext(resultshort) - 1);
  }
  if (memoryrefused64(size) || size > 0x7FFFFFFF) {
    FSClose(ref);
    return statusmemory;
  }
  Handle h = NewHandle(Size(size));
  if (h == nilhandle || readat(ref, 512, deref(h), size) != noErr) {
    if (h) DisposeHandle(h);
    FSClose(ref);
    return h == nilhandle ? i16(statusmemory) : i16(setresulttext(resultcantopen) - 1);
  }
  FSClose(ref);
  *picture = h;
  return 0;
}

// The shape of the object whose reference starts at i, as a new region.
scriptstatus objectregion(hierpath path, Handle text, Handle atoms, i32* i, Handle variables, RgnHandle* out) {
  objread obj{};
  i32 used = 0;
  if (i16 st = scanobj(path, text, atoms, *i, variables, &used, &obj)) return st;
  *i += used;
  RgnHandle shape = nilid;
  i16 st = spotorgn(obj, &shape);
  writeobj(&obj);
  if (st) return st;
  *out = shape != nilid ? shape : NewRgn();
  return 0;
}

// A film sound: the data of a getsound entry played on its channel.
struct filmsound {
  soundentry entry;
  Handle data = nilhandle;
  bool given = false;
  void play() {
    if (!given || entry.channel == nilid || data == nilhandle) return;
    i64 at = 0;
    if (!sndheaderoffset(deref(data), GetHandleSize(data), true, &at)) return;
    SndDoImmediate(entry.channel, SndCommand{quietCmd, 0, 0});
    SndDoImmediate(entry.channel, SndCommand{flushCmd, 0, 0});
    SampledSound s{deref(data) + at, Size(GetHandleSize(data) - at)};
    SndDoCommand(entry.channel, SndCommand{bufferCmd, 0, 0}, &s);
  }
  void quiet() {
    if (given && entry.channel != nilid) SndDoImmediate(entry.channel, SndCommand{quietCmd, 0, 0});
  }
  ~filmsound() {
    quiet();
    if (given) releasesound(entry);
    if (data != nilhandle) DisposeHandle(data);
  }
};

scriptstatus readsound(hierpath path, Handle text, Handle atoms, i32* i, Handle variables, filmsound& s) {
  if (s.given) return statusbadoption;
  i32 used = 0;
  if (i16 st = getsound(path, text, atoms, *i, variables, &used, &s.entry)) return st;
  *i += used;
  s.given = true;
  if (s.entry.record != nilhandle) soundcopy(s.entry.record, &s.data);
  return 0;
}

// How a play runs.
struct filmplay {
  i32 first = -1, last = -1;
  std::vector<i32> list;
  bool uselist = false, descending = false, forever = false, palindrome = false, at = false, dissolve = false;
  bool keep = false, untilclick = false, untilmouse = false, inkgiven = false, pauseforever = false;
  i32 repeats = 1, delay = 0, pauseframe = 0, pauseticks = 0;
  i16 ink = 0;
  Point centre{};
  RgnHandle track = nilid, clip = nilid;
  filmsound down, up;
  ~filmplay() {
    if (track) DisposeRgn(track);
    if (clip) DisposeRgn(clip);
  }
};

// ticks, or seconds (also with no unit) times 60.
void readunit(Handle atoms, i32* i, i32* n) {
  u16 w = tokenat(atoms, *i);
  if (w == tok::ticks) {
    ++*i;
    return;
  }
  if (w == tok::seconds) ++*i;
  *n *= 60;
}

scriptstatus readplayoptions(hierpath path, Handle text, Handle atoms, i32 i, Handle variables, filmplay& o) {
  propctx c{path, text, atoms, variables, nilhandle};
  while (!statementends(atoms, i)) {
    u16 t = tokenat(atoms, i++);
    i16 st = 0;
    i32 used = 0;
    switch (t) {
      case tok::frame:
        if (tokenat(atoms, i) == tok::list) {
          ++i;
          Str255 s;
          if ((st = readtext(path, text, atoms, &i, variables, s)) != 0) return st;
          std::string items(pstringview(s));
          o.list.clear();
          for (std::size_t a = 0; a <= items.size();) {
            std::size_t b = std::min(items.find(',', a), items.size());
            Str255 one;
            setpstring(one, items.substr(a, b - a));
            i32 n = 0;
            if (stringtolong(one, &n) != 0) return 12;
            o.list.push_back(n);
            a = b + 1;
          }
          o.uselist = true;
          break;
        }
        if ((st = readlong(path, text, atoms, &i, variables, &o.first)) != 0) return st;
        o.last = o.first;
        if (tokenat(atoms, i) == tok::to) {
          ++i;
          if ((st = readlong(path, text, atoms, &i, variables, &o.last)) != 0) return st;
        }
        break;
      case tok::descending: o.descending = true; break;
      case tok::repeat:
        if (tokenat(atoms, i) == tok::forever) {
          ++i;
          o.forever = true;
          break;
        }
        if ((st = readlong(path, text, atoms, &i, variables, &o.repeats)) != 0) return st;
        if (tokenat(atoms, i) == tok::times) ++i;
        break;
      case tok::palindrome: o.palindrome = true; break;
      case tok::at:
        if ((st = getloc(c, i, &used, &o.centre.h, &o.centre.v)) != 0) return st;
        i += used;
        o.at = true;
        break;
      case tok::very: {
        u16 w = tokenat(atoms, i++);
        if (w != tok::fast && w != tok::slow) return statusbadoption;
        o.delay = w == tok::fast ? 0 : 18;
        break;
      }
      case tok::fast: o.delay = 6; break;
      case tok::slow: o.delay = 12; break;
      case tok::wait:
        if ((st = readlong(path, text, atoms, &i, variables, &o.delay)) != 0) return st;
        readunit(atoms, &i, &o.delay);
        break;
      case tok::pause:
        if (tokenat(atoms, i) == tok::on) ++i;
        if (tokenat(atoms, i) == tok::frame) ++i;
        if ((st = readlong(path, text, atoms, &i, variables, &o.pauseframe)) != 0) return st;
        if (tokenat(atoms, i) == tok::forever) {
          ++i;
          o.pauseforever = true;
        } else if (tokenat(atoms, i) == tok::for_) {
          ++i;
          if ((st = readlong(path, text, atoms, &i, variables, &o.pauseticks)) != 0) return st;
          readunit(atoms, &i, &o.pauseticks);
        } else {
          return statusbadoption;
        }
        break;
      case tok::sound: {
        u16 w = tokenat(atoms, i++);
        if (w != tok::down && w != tok::up) return statusbadoption;
        if ((st = readsound(path, text, atoms, &i, variables, w == tok::down ? o.down : o.up)) != 0) return st;
        break;
      }
      case tok::mousetrack:
      case tok::using_: {
        RgnHandle& r = t == tok::mousetrack ? o.track : o.clip;
        if (r) DisposeRgn(r);
        r = nilid;
        if ((st = objectregion(path, text, atoms, &i, variables, &r)) != 0) return st;
        break;
      }
      case tok::with: {
        fred v;
        if ((st = anyfact(path, text, atoms, i, variables, nilhandle, &used, &v)) != 0) return st;
        i += used;
        i32 n = 0;
        if (fredtolong(&v, &n) == 0) {
          o.ink = i16(n);
        } else if ((st = fredtomode(&v, false, 105, &o.ink)) != 0) {
          disposfred(&v);
          return st;
        }
        disposfred(&v);
        if (tokenat(atoms, i) == tok::ink) ++i;
        o.inkgiven = true;
        break;
      }
      case tok::dissolve: o.dissolve = true; break;
      case tok::keep:
        if (tokenat(atoms, i++) != tok::pict) return statusbadoption;
        o.keep = true;
        break;
      case tok::until: {
        u16 w = tokenat(atoms, i++);
        if (w != tok::click && w != tok::mouse) return statusbadoption;
        o.untilclick = true;
        o.untilmouse = w == tok::mouse;
        break;
      }
      default: return statusbadoption;
    }
  }
  return 0;
}

bool mouseinside(RgnHandle rgn) {
  Point p{};
  GetMouse(&p);
  return PtInRgn(p, rgn);
}

// A 1-bit mask of the cell's pixels that are not white, as a region at `dst`.
RgnHandle nonwhite(GWorldPtr world, const Rect& cell, const Rect& dst) {
  RgnHandle r = NewRgn();
  i32 w = cell.right - cell.left, h = cell.bottom - cell.top;
  GWorldPtr mask = nilid;
  Rect local{0, 0, i16(h), i16(w)};
  if (NewGWorld(&mask, 1, &local, nilhandle, nilhandle, 0) != noErr) return r;
  PixMapHandle spm = GetGWorldPixMap(world), mpm = GetGWorldPixMap(mask);
  const u8* src = reinterpret_cast<const u8*>(GetPixBaseAddr(spm));
  u8* bits = reinterpret_cast<u8*>(GetPixBaseAddr(mpm));
  i32 srow = GetPixRowBytes(spm), mrow = GetPixRowBytes(mpm);
  for (i32 y = 0; y < h; ++y) {
    std::memset(bits + y * mrow, 0, std::size_t(mrow));
    for (i32 x = 0; x < w; ++x) {
      u32 px;
      std::memcpy(&px, src + (cell.top + y) * srow + (cell.left + x) * 4, 4);
      if ((px & 0xFFFFFF) != 0xFFFFFF) bits[y * mrow + x / 8] |= u8(0x80 >> (x % 8));
    }
  }
  BitMapToRegion(r, GetPortBitMapForCopyBits(mask));
  OffsetRgn(r, dst.left, dst.top);
  DisposeGWorld(mask);
  return r;
}

}  // namespace

scriptstatus openfilm(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  i32 i = at + 1;
  u16 source = tok::resource;
  u16 t = tokenat(atoms, i);
  if (t == tok::data || t == tok::file || t == tok::resource || t == tok::container) source = t, ++i;
  Handle picture = nilhandle;
  struct owner {
    Handle& h;
    ~owner() {
      if (h) DisposeHandle(h);
    }
  } own{picture};
  Str255 name;
  if (source == tok::container) {
    fred v;
    i32 used = 0;
    if (i16 st = expression(path, text, atoms, i, variables, nilhandle, &used, &v)) return st;
    i16 st = fredtonewh(&v, &picture);
    disposfred(&v);
    if (st) return st;
    i += used;
    if (tokenat(atoms, i++) != tok::as) return statusnoas;
  }
  if (i16 st = readtext(path, text, atoms, &i, variables, name)) return st;
  i32 cellw = 0, cellh = 0;
  if (tokenat(atoms, i) == tok::using_) {
    i32 used = 0;
    i16 h = 0, v = 0;
    propctx c{path, text, atoms, variables, nilhandle};
    if (i16 st = getloc(c, i + 1, &used, &h, &v)) return st;
    i += 1 + used;
    cellw = h, cellh = v;
  }
  if (!statementends(atoms, i)) return statuswordsleft;
  if (findfilm(name) >= 0) return setresulttext(resultfilmopen);
  if (source == tok::data) {
    if (!lowpict(name, &picture)) return setresulttext(resultnoresource);
  } else if (source == tok::file) {
    if (i16 st = readpicturefile(name, &picture)) return st < 0 ? i16(0) : st;
  } else if (source == tok::resource) {
    Handle h = GetNamedResource(kPict, name);
    if (h == nilhandle) return setresulttext(resultnoresource);
    DetachResource(h);
    picture = h;
  }
  if (GetHandleSize(picture) < 10) return setresulttext(resultshort);
  Rect b;
  QDGetPictureBounds(PicHandle(picture), &b);
  i32 top = std::min(b.top, b.bottom), bottom = std::max(b.top, b.bottom);
  i32 left = std::min(b.left, b.right), right = std::max(b.left, b.right);
  char it[64];
  std::snprintf(it, sizeof it, "%d,%d,%d,%d", int(b.left), int(b.top), int(b.right), int(b.bottom));
  Str255 its;
  setpstring(its, it);
  if (i16 st = stringtoit(its, variables)) return st;
  i32 w = right - left, h = bottom - top;
  // Cells of at least one pixel, at most the picture.
  cellw = cellw > 0 ? std::min(cellw, w + 1) : w + 1;
  cellh = cellh > 0 ? std::min(cellh, h + 1) : h + 1;
  cellw = std::max(cellw, 1), cellh = std::max(cellh, 1);
  if (w <= 0 || h <= 0 || w > 32767 || h > 32767 || memoryrefused64(i64(w) * h * 4)) return statusmemory;
  GWorldPtr world = nilid;
  Rect local{0, 0, i16(h), i16(w)};
  if (NewGWorld(&world, 32, &local, nilhandle, nilhandle, 0) != noErr) return statusmemory;
  {
    SavePort saved;
    SetPort(world);
    EraseRect(&local);
    DrawPicture(PicHandle(picture), &local);
  }
  film f;
  f.cellw = cellw, f.cellh = cellh;
  f.perrow = std::max(1, (w + 1) / cellw);
  f.lastframe = std::max(0, (h + 1) / cellh * f.perrow - 1);
  f.world = world;
  f.name.assign(reinterpret_cast<const char*>(name + 1), name[0]);
  fs().films.push_back(std::move(f));
  return 0;
}

scriptstatus closefilm(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  i32 i = at + 1;
  Str255 name;
  if (i16 st = readtext(path, text, atoms, &i, variables, name)) return st;
  i32 k = findfilm(name);
  if (k < 0) return setresulttext(resultnofilm);
  if (!statementends(atoms, i)) return statuswordsleft;
  std::vector<film>& films = fs().films;
  if (films[std::size_t(k)].world) DisposeGWorld(films[std::size_t(k)].world);
  films.erase(films.begin() + k);
  if (mainglobals().result != nilhandle) SetHandleSize(mainglobals().result, 0);
  return 0;
}

void closeallfilms() {
  if (!hasstate<FilmState>()) return;
  for (film& f : fs().films)
    if (f.world) DisposeGWorld(f.world);
  fs().films.clear();
}

scriptstatus playfilm(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  MainGlobals& g = mainglobals();
  i32 i = at + 1;
  Str255 name;
  if (i16 st = readtext(path, text, atoms, &i, variables, name)) return st;
  filmplay o;
  if (i16 st = readplayoptions(path, text, atoms, i, variables, o)) return st;
  i32 k = findfilm(name);
  if (k < 0) return setresulttext(resultnofilm);
  const film f = fs().films[std::size_t(k)];
  WindowRef w = g.current.window;
  if (w == nilid || !IsValidWindowPtr(w)) return 0;
  // The range of positions, and the frame at each.
  i32 first = 0, last = f.lastframe;
  if (o.uselist) {
    if (o.list.empty()) return 0;
    last = i32(o.list.size()) - 1;
  } else if (o.first >= 0 || o.last >= 0) {
    first = std::clamp(o.first - 1, 0, f.lastframe);
    last = std::clamp(o.last - 1, 0, f.lastframe);
    if (last < first) std::swap(first, last);
  }
  if (first == last) o.forever = o.palindrome = false;
  if (o.palindrome) o.repeats *= 2;
  i32 step = o.descending ? -1 : 1, pos = o.descending ? last : first;
  Rect dst{0, 0, i16(f.cellh), i16(f.cellw)};
  if (o.at) OffsetRect(&dst, i16(o.centre.h - f.cellw / 2), i16(o.centre.v - f.cellh / 2));
  SavePort saved;
  SetPortWindowPort(w);
  CGrafPtr port = GetWindowPort(w);
  // Compositing: the window's image under the cell kept apart, each frame drawn over a copy.
  bool composite = o.inkgiven && !o.dissolve;
  GWorldPtr under = nilid, work = nilid;
  Rect local{0, 0, i16(dst.bottom - dst.top), i16(dst.right - dst.left)};
  if (composite) {
    if (NewGWorld(&under, 32, &local, nilhandle, nilhandle, 0) != noErr ||
        NewGWorld(&work, 32, &local, nilhandle, nilhandle, 0) != noErr) {
      if (under) DisposeGWorld(under);
      return statusmemory;
    }
    CopyBits(GetPortBitMapForCopyBits(port), GetPortBitMapForCopyBits(under), &dst, &local, srcCopy, nilid);
  }
  i16 status = 0;
  for (bool going = true; going;) {
    i32 frame = std::clamp(o.uselist ? o.list[std::size_t(pos)] - 1 : pos, 0, f.lastframe);
    bool passstart = step > 0 ? pos <= first : pos >= last;
    pos += step;
    if (passstart) o.down.play();
    Rect cell{0, 0, i16(f.cellh), i16(f.cellw)};
    OffsetRect(&cell, i16(f.cellw * (frame % f.perrow)), i16(f.cellh * (frame / f.perrow)));
    if (composite) {
      {
        SavePort inner;
        SetPort(work);
        CopyBits(GetPortBitMapForCopyBits(under), GetPortBitMapForCopyBits(work), &local, &local, srcCopy, nilid);
        if (o.ink == -1) {
          RgnHandle shape = nonwhite(f.world, cell, local);
          drawgworld(f.world, cell, local, srcCopy, shape);
          DisposeRgn(shape);
        } else {
          drawgworld(f.world, cell, local, o.ink, nilid);
        }
      }
      CopyBits(GetPortBitMapForCopyBits(work), GetPortBitMapForCopyBits(port), &local, &dst, srcCopy, o.clip);
    } else {
      drawgworld(f.world, cell, dst, o.ink == -1 ? i16(srcCopy) : o.ink, nilid);
    }
    if (o.delay > 0) Delay(u32(o.delay), nullptr);
    if (o.pauseframe == frame + 1) {
      if (o.track) {
        while (Button() && mouseinside(o.track) && (status = isabort(TickCount())) == 0) Delay(1, nullptr);
        if (!Button()) {
          o.forever = false;
          if (o.pauseforever) going = false, o.keep = true;
        }
      } else if (o.pauseforever) {
        going = false, o.keep = true;
      }
      for (i32 t = 0; going && status == 0 && t < o.pauseticks; ++t) {
        Delay(1, nullptr);
        status = isabort(TickCount());
      }
      if (o.up.given) {
        o.down.quiet();
        o.up.play();
      }
    }
    if (pos > last || pos < first) {
      if (o.track) {
        while (Button() && !mouseinside(o.track) && (status = isabort(TickCount())) == 0) Delay(1, nullptr);
        if (!Button()) going = false;
      }
      if (!o.forever && o.repeats-- < 2) going = false;
      if (o.palindrome) {
        step = -step;
        pos += 2 * step;
        pos = std::clamp(pos, first, last);
      } else {
        pos = step > 0 ? first : last;
      }
    }
    if (status == 0) status = isabort(TickCount());
    EventRecord e{};
    if (status != 0 || (o.untilclick && EventAvail(mDownMask, &e))) going = false;
    checksound(TickCount());
  }
  if (under) DisposeGWorld(under);
  if (work) DisposeGWorld(work);
  FlushEvents(o.untilmouse ? EventMask(everyEvent) : EventMask(everyEvent & ~(mDownMask | mUpMask)), 0);
  if (o.keep) ValidWindowRect(w, &dst);
  else drawedit(g.current, &dst);
  return status;
}

}  // namespace kv
