// Picture sequences: the card recorded frame by frame into a resource file of pictures, and
// such a file played back in the card window; project pictures by name; drawing an offscreen
// world's pixels in a transfer mode.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/expression.h"
#include "engine/numbertext.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "media/imagefiles.h"
#include "media/movies.h"
#include "media/sequences.h"
#include "platform/events/events.h"
#include "platform/files/files.h"
#include "platform/qd/copybits.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/qd/transformcopy.h"
#include "platform/resources/resources.h"
#include "platform/runtime/root.h"
#include "platform/text/pstring.h"
#include "platform/windows/windows.h"
#include "properties/valueparsers.h"
#include "render/carddrawing.h"
#include "render/windowclip.h"
#include "core/mainglobals.h"
#include "shell/redraws.h"
#include "core/runservices.h"
#include "core/memoryguard.h"
#include "store/recordcache.h"
#include "store/resourcelibrary.h"
#include "store/starfile.h"
#include "system/getpicture.h"

namespace kv {

namespace {

enum : i16 {
  resultnotopen = 5,
  resultcantcreate = 10,
  resultopen = 11,
  resultcantopen = 13,
  resultrecording = 18,
  resultfileerror = 110,
  statusbadoption = 2,
  statuswordsleft = 19,
  statusmemory = 37,
  statusempty = 66,
};
constexpr ResType kPict = fourcc("PICT");

struct PicsState {
  bool open = false;
  std::string path;  // the sequence's data file (Mac Roman); its resources are path + ".rsrc"
  Rect rect{};
  std::vector<ResourceItem> frames;
  i16 nextid = 128;
};

PicsState& ps() { return state<PicsState>(); }

// `the result` = "File system error <err>."
void fileerror(OSErr err) {
  Handle r = mainglobals().result;
  if (r == nilhandle) return;
  std::string pattern(pstringview(resultstr(resultfileerror)));
  std::size_t at = pattern.find("%d");
  if (at != std::string::npos) pattern.replace(at, 2, std::to_string(int(err)));
  Str255 s;
  setpstring(s, pattern);
  stringtohand(s, r);
}

i64 objectlistsizes() {
  const desk& d = mainglobals().current;
  return (d.cardspots ? GetHandleSize(d.cardspots) : 0) + (d.backspots ? GetHandleSize(d.backspots) : 0);
}

// The text of the expression at i.
scriptstatus readtext(hierpath path, Handle text, Handle atoms, i32* i, Handle variables, StringPtr out) {
  fred v;
  i32 used = 0;
  if (i16 st = expression(path, text, atoms, *i, variables, nilhandle, &used, &v)) return st;
  fredtostring(&v, out);
  disposfred(&v);
  *i += used;
  return 0;
}

}  // namespace

scriptstatus openpics(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  PicsState& s = ps();
  if (s.open) return setresulttext(resultopen);
  i32 i = at + 1;
  if (tokenat(atoms, i) == tok::file) ++i;
  Str255 name;
  if (i16 st = readtext(path, text, atoms, &i, variables, name)) return st;
  Rect rect;
  getinterior(&rect);
  if (tokenat(atoms, i) == tok::at) {
    i32 used = 0;
    propctx c{path, text, atoms, variables, nilhandle};
    if (i16 st = getrect(c, i + 1, &used, &rect)) return st;
    i += 1 + used;
    if (EmptyRect(&rect)) return statusempty;
  }
  if (!statementends(atoms, i)) return statuswordsleft;
  u32 folder = name[0] > 0 && name[1] == '/' ? 0 : defaultwritefolder();
  std::string full;
  if (fullpathof(kBootVolume, folder, name, &full) != noErr) return setresulttext(resultcantcreate);
  Str255 file;
  setpstring(file, full);
  HDelete(0, 0, file);
  if (HCreate(0, 0, file, fourcc("????"), fourcc("PICS")) != noErr) return setresulttext(resultcantcreate);
  if (writeresourcefile(full + ".rsrc", {}) != noErr) {
    HDelete(0, 0, file);
    return setresulttext(resultcantopen);
  }
  s.open = true;
  s.path = full;
  s.rect = rect;
  s.frames.clear();
  s.nextid = 128;
  if (mainglobals().result != nilhandle) SetHandleSize(mainglobals().result, 0);
  return 0;
}

i16 recordpics() {
  MainGlobals& g = mainglobals();
  if (!hasstate<PicsState>() || !ps().open) return setresulttext(resultnotopen);
  PicsState& s = ps();
  if (memoryrefused64(3 * objectlistsizes())) return statusmemory;
  WindowRef w = g.current.window;
  if (w == nilid || !IsValidWindowPtr(w)) return 0;
  PicHandle pic = nilhandle;
  {
    SavePort saved;
    SetPortWindowPort(w);
    pic = OpenPicture(&s.rect);
    if (pic == nilhandle) return statusmemory;
    const i16 off = g.offwindowdrawing;
    g.offwindowdrawing = 1;
    backspot(0);
    g.offwindowdrawing = off;
    ClosePicture();
  }
  ResourceItem frame;
  frame.type = kPict;
  frame.id = s.nextid;
  frame.data.assign(deref(pic), deref(pic) + GetHandleSize(pic));
  KillPicture(pic);
  s.frames.push_back(std::move(frame));
  // A frame that cannot be written is reported, not lost without a word.
  if (OSErr e = writeresourcefile(s.path + ".rsrc", s.frames)) {
    s.frames.pop_back();
    fileerror(e);
    return 0;
  }
  ++s.nextid;
  return 0;
}

i16 closepics(bool report, Handle atoms, i32 at) {
  if (!hasstate<PicsState>() || !ps().open) return report ? setresulttext(resultnotopen) : i16(0);
  i32 i = at + 1;
  if (atoms != nilhandle) {
    if (tokenat(atoms, i) == tok::file) ++i;
    if (!statementends(atoms, i)) return statuswordsleft;
  }
  PicsState& s = ps();
  s.open = false;
  s.frames.clear();
  return 0;
}

scriptstatus playpics(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  MainGlobals& g = mainglobals();
  if (hasstate<PicsState>() && ps().open) return setresulttext(resultrecording);
  i32 i = at + 1;
  if (tokenat(atoms, i) == tok::file) ++i;
  Str255 name;
  if (i16 st = readtext(path, text, atoms, &i, variables, name)) return st;
  i32 only = 0, repeats = 1, delay = 0;
  bool forever = false, keep = false, untilclick = false, untilmouse = false, centred = false;
  Point centre{};
  propctx c{path, text, atoms, variables, nilhandle};
  while (!statementends(atoms, i)) {
    u16 t = tokenat(atoms, i++);
    fred v;
    i32 used = 0;
    switch (t) {
      case tok::frame:
      case tok::repeat:
        if (t == tok::repeat && tokenat(atoms, i) == tok::forever) {
          ++i;
          forever = true;
          break;
        }
        if (i16 st = expression(path, text, atoms, i, variables, nilhandle, &used, &v)) return st;
        {
          i32 n = 0;
          i16 st = fredtolong(&v, &n);
          disposfred(&v);
          if (st) return st;
          (t == tok::frame ? only : repeats) = n;
        }
        i += used;
        if (t == tok::repeat && tokenat(atoms, i) == tok::times) ++i;
        break;
      case tok::at:
        if (i16 st = getloc(c, i, &used, &centre.h, &centre.v)) return st;
        i += used;
        centred = true;
        break;
      case tok::very: {
        u16 w = tokenat(atoms, i++);
        if (w != tok::fast && w != tok::slow) return statusbadoption;
        delay = w == tok::fast ? 0 : 18;
        break;
      }
      case tok::fast: delay = 6; break;
      case tok::slow: delay = 12; break;
      case tok::keep:
        if (tokenat(atoms, i++) != tok::pict) return statusbadoption;
        keep = true;
        break;
      case tok::until: {
        u16 w = tokenat(atoms, i++);
        if (w != tok::click && w != tok::mouse) return statusbadoption;
        untilclick = true;
        untilmouse = w == tok::mouse;
        break;
      }
      default: return statusbadoption;
    }
  }
  // The file as written, in the current project's folder, then in the folder files go to.
  const projectstore* project = findprojectstore(g.current.store);
  const u32 folders[3] = {0, project ? project->dirid : 0, defaultwritefolder()};
  i16 oldfile = CurResFile(), oldcount = CountResFiles(), file = -1;
  for (int k = 0; k < 3; ++k) {
    if (k > 0 && folders[k] == 0) continue;
    if (fsopenres(name, kBootVolume, folders[k], &file) == noErr) break;
    file = -1;
  }
  if (file < 0) return setresulttext(resultcantopen);
  bool opened = CountResFiles() > oldcount;
  UseResFile(file);
  WindowRef w = g.current.window;
  i16 status = 0;
  i16 count = Count1Resources(kPict);
  Rect drawn{};
  if (w != nilid && IsValidWindowPtr(w) && count > 0) {
    SavePort saved;
    SetPortWindowPort(w);
    for (bool going = true; going && (forever || repeats-- > 0);) {
      for (i16 k = 1; going && k <= count; ++k) {
        if (only != 0 && k != only) continue;
        Handle pic = Get1IndResource(kPict, k);
        if (pic == nilhandle) continue;
        Rect frame;
        QDGetPictureBounds(PicHandle(pic), &frame);
        if (centred) {
          i16 fw = i16(frame.right - frame.left), fh = i16(frame.bottom - frame.top);
          frame = Rect{i16(centre.v - fh / 2), i16(centre.h - fw / 2), 0, 0};
          frame.bottom = i16(frame.top + fh), frame.right = i16(frame.left + fw);
        }
        EraseRect(&frame);
        DrawPicture(PicHandle(pic), &frame);
        ReleaseResource(pic);
        UnionRect(&drawn, &frame, &drawn);
        if ((status = isabort(TickCount())) != 0) break;
        if (delay > 0) Delay(u32(delay), nullptr);
        EventRecord e{};
        if (untilclick && EventAvail(mDownMask, &e)) going = false;
      }
      if (status != 0) break;
    }
  }
  FlushEvents(untilmouse ? EventMask(everyEvent) : EventMask(everyEvent & ~(mDownMask | mUpMask)), 0);
  if (opened) CloseResFile(file);
  UseResFile(oldfile);
  if (w != nilid && IsValidWindowPtr(w)) {
    if (keep) {
      Rect all;
      GetWindowPortBounds(w, &all);
      ValidWindowRect(w, &all);
    } else {
      drawedit(g.current, nullptr);
    }
  }
  return status;
}

i16 lowpict(ConstStringPtr name, Handle* picture) {
  *picture = nilhandle;
  RegistryId store = mainglobals().current.store;
  u32 id = 0;
  if (store == nilid || !findresourcerecord(store, kPict, name, 0, &id)) return 0;
  Handle rec = nilhandle;
  if (getvir(store, i32(id), &rec) != 0) return 0;
  Handle data = resourcedata(rec);
  Size n = data != nilhandle ? GetHandleSize(data) : 0;
  if (n < 10 || memoryrefused64(2 * i64(n))) {
    putvir(store, i32(id));
    return 0;
  }
  Handle copy = NewHandle(n);
  if (copy != nilhandle) std::memcpy(deref(copy), deref(data), std::size_t(n));
  putvir(store, i32(id));
  if (copy == nilhandle) return 0;
  orderpictureframe(copy);
  *picture = copy;
  return 1;
}

void drawgworld(GWorldPtr world, const Rect& src, const Rect& dst, i16 mode, RgnHandle mask) {
  RGBColor black{0, 0, 0}, white{0xFFFF, 0xFFFF, 0xFFFF};
  RGBForeColor(&black);
  RGBBackColor(&white);
  const BitMap* bits = GetPortBitMapForCopyBits(world);
  if (mode < 256) {
    CGrafPtr port = nilid;
    GetPort(&port);
    // The arithmetic modes weigh by the operation colour, as inks do everywhere: blend half
    // and half, add-pin up to white, sub-pin down to black.
    RGBColor op{}, saved{};
    GetPortOpColor(port, &saved);
    u16 level = mode == 32 ? 32767 : mode == 33 ? 65535 : 0;
    op = RGBColor{level, level, level};
    if (mode == 32 || mode == 33 || mode == 35) OpColor(&op);
    CopyBits(bits, GetPortBitMapForCopyBits(port), &src, &dst, mode, mask);
    OpColor(&saved);
    return;
  }
  // The alpha modes copy the whole world: a matrix moves the source rectangle onto dst.
  MatrixRecord m;
  SetIdentityMatrix(&m);
  TranslateMatrix(&m, Long2Fix(dst.left - src.left), Long2Fix(dst.top - src.top));
  RgnHandle clip = NewRgn();
  RectRgn(clip, dst);
  if (mask != nilid) SectRgn(clip, mask, clip);
  TransformCopyBits(bits, &m, mode, clip);
  DisposeRgn(clip);
}

}  // namespace kv
