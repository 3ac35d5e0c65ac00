// Movie recording: `open movie` makes a movie file with one video track, each `record movie`
// adds the card's image as one frame and `close movie` saves the track into the file. One
// recording at a time.
#include <algorithm>
#include <cstring>
#include <string>

#include "render/drawroutines.h"
#include "engine/expression.h"
#include "engine/numbertext.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "media/imagefiles.h"
#include "media/movies.h"
#include "platform/files/files.h"
#include "platform/movies/movierecorder.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/runtime/root.h"
#include "platform/windows/screens.h"
#include "properties/valueparsers.h"
#include "render/carddrawing.h"
#include "render/windowclip.h"
#include "core/mainglobals.h"
#include "core/memoryguard.h"

namespace kv {

namespace {

enum : i16 {
  resultcancel = 1,
  resultnorecording = 4,
  resultcantcreate = 10,
  resultopen = 11,
  resultmovieopen = 16,
  resultnoquicktime = 36,
  statusbadoption = 2,
  statuswordsleft = 19,
  statusmemory = 37,
  statusempty = 66,
  statuswithdialog = 137,
  statustrack = 138,
  statussave = 139,
};

struct MovieRecordingState {
  bool open = false;               // movieopen
  Rect rect{};                     // recordmovierect, in window coordinates
  MovieRecorder recorder = nilid;  // the movie being built with its track
  GWorldPtr world = nilid;         // movieworld: the frames are drawn here
  MovieSettings settings;
  ~MovieRecordingState() {
    if (world) DisposeGWorld(world);
    if (recorder) CloseMovieRecorder(recorder, false);
  }
};

MovieRecordingState& rs() { return state<MovieRecordingState>(); }

// The bytes of a frame of the record rectangle at the program's offscreen depth.
i64 imagesize(const Rect& r) {
  i64 w = r.right - r.left, h = r.bottom - r.top;
  constexpr i16 depth = 32;  // the program's offscreen worlds
  i64 rowbytes = depth == 8 ? (w + 3) / 4 * 4 : depth == 16 ? 2 * w : depth == 32 ? 4 * w : 2 * ((w + 15) / 16);
  return rowbytes * h;
}

i64 objectlistsizes() {
  const desk& d = mainglobals().current;
  return (d.cardspots ? GetHandleSize(d.cardspots) : 0) + (d.backspots ? GetHandleSize(d.backspots) : 0);
}

}  // namespace

void drawcardinto(GWorldPtr world, const Rect& rect, bool transparent) {
  MainGlobals& g = mainglobals();
  SavePort saved;
  SetPort(world);
  SetOrigin(rect.left, rect.top);
  ClipRect(&rect);
  const desk d = g.current;
  if (!transparent) myEraseRect(&rect, &d);
  const i16 off = g.offwindowdrawing;
  g.offwindowdrawing = 1;
  backspot(1);
  g.offwindowdrawing = off;
  SetOrigin(0, 0);
}

bool movierecording() { return hasstate<MovieRecordingState>() && rs().open; }

bool moviefrompathcreate(ConstStringPtr path, std::string* full) {
  u32 folder = path[0] > 0 && path[1] == '/' ? 0 : defaultwritefolder();
  if (fullpathof(kBootVolume, folder, path, full) != noErr) {
    setresulttext(resultcantcreate);
    return false;
  }
  // The file of a movie on a card cannot be recorded over (names compared without case).
  auto upper = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : c; };
  for (const moovrec& e : movietable()) {
    if (e.path.size() != full->size()) continue;
    bool same = true;
    for (std::size_t i = 0; same && i < full->size(); ++i) same = upper((*full)[i]) == upper(e.path[i]);
    if (same) {
      setresulttext(resultmovieopen);
      return false;
    }
  }
  return true;
}

scriptstatus openmovie(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  MainGlobals& g = mainglobals();
  if (!g.hasQuickTime) return setresulttext(resultnoquicktime);
  MovieRecordingState& s = rs();
  if (s.open) return setresulttext(resultopen);
  i32 i = at + 1;
  if (tokenat(atoms, i) == tok::file) ++i;
  fred v;
  i32 used = 0;
  if (i16 st = expression(path, text, atoms, i, variables, nilhandle, &used, &v)) return st;
  Str255 name;
  fredtostring(&v, name);
  disposfred(&v);
  i += used;
  Rect rect;
  getinterior(&rect);
  bool dialog = false;
  propctx c{path, text, atoms, variables, nilhandle};
  while (!statementends(atoms, i)) {
    u16 t = tokenat(atoms, i++);
    if (t == tok::at) {
      if (i16 st = getrect(c, i, &used, &rect)) return st;
      i += used;
      if (EmptyRect(&rect)) return statusempty;
    } else if (t == tok::with) {
      if (tokenat(atoms, i++) != tok::dialog) return statuswithdialog;
      dialog = true;
    } else {
      return statusbadoption;
    }
  }
  MovieSettings settings;
  settings.depth = screendepth(0) == 16 ? 16 : 32;
  if (dialog) {
    if (memoryrefused64(3 * objectlistsizes())) return statusmemory;
    OSErr e = moviesettingsdialog(&settings);
    if (e == userCanceledErr) return setresulttext(resultcancel);
    if (e != noErr) return statusmemory;
  }
  std::string full;
  if (!moviefrompathcreate(name, &full)) return 0;
  MovieRecorder rec = nilid;
  OSErr e = NewMovieRecorder(full, rect.right - rect.left, rect.bottom - rect.top, settings.depth, &rec);
  if (e == cantCreateSingleForkFile) return setresulttext(resultcantcreate);
  if (e != noErr) return statustrack;
  if (memoryrefused64(i64(settings.depth / 8) * imagesize(rect))) {
    CloseMovieRecorder(rec, false);
    return statusmemory;
  }
  Rect local{0, 0, i16(rect.bottom - rect.top), i16(rect.right - rect.left)};
  GWorldPtr world = nilid;
  if (NewGWorld(&world, 32, &local, nilhandle, nilhandle, 0) != noErr) {
    CloseMovieRecorder(rec, false);
    return statusmemory;
  }
  s.open = true;
  s.rect = rect;
  s.recorder = rec;
  s.world = world;
  s.settings = settings;
  if (g.result != nilhandle) SetHandleSize(g.result, 0);
  return 0;
}

i16 recordmovie() {
  MainGlobals& g = mainglobals();
  if (!movierecording()) return setresulttext(resultnorecording);
  if (!g.hasQuickTime) return setresulttext(resultnoquicktime);
  MovieRecordingState& s = rs();
  if (memoryrefused64(objectlistsizes() + i64(s.settings.depth / 8) * imagesize(s.rect))) return statusmemory;
  drawcardinto(s.world, s.rect);
  // At least one frame a second: a slower rate would make the frame last 600 / 0.
  i32 fps = std::max(1, i32(s.settings.fps));
  if (AddMovieRecorderFrame(s.recorder, s.world, 600 / fps) != noErr) return statusmemory;
  return 0;
}

i16 lowclosemovie(bool finish) {
  MovieRecordingState& s = rs();
  i16 st = 0;
  if (s.world) DisposeGWorld(s.world);
  s.world = nilid;
  if (s.recorder && CloseMovieRecorder(s.recorder, finish) != noErr && finish) st = statussave;
  s.recorder = nilid;
  s.open = false;
  return st;
}

i16 closemovie(bool report, Handle atoms, i32 at) {
  if (!mainglobals().hasQuickTime) return setresulttext(resultnoquicktime);
  if (!movierecording()) return report ? setresulttext(resultnorecording) : i16(0);
  i32 i = at + 1;
  if (tokenat(atoms, i) == tok::file) ++i;
  if (atoms != nilhandle && !statementends(atoms, i)) return statuswordsleft;
  return lowclosemovie(true);
}

}  // namespace kv
