#include "media/moviesounds.h"

#include <cstring>

#include "engine/textutil.h"
#include "media/moviesoundlayer.h"
#include "platform/runtime/root.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"

namespace kv {

namespace {

constexpr i32 kQueueSize = 20;
constexpr i16 resultnomovie = 13;

struct MovieSound {
  RegistryId movie = nilid;
  Str255 name{};
};

struct MovieSoundState {
  MovieSound table[kQueueSize];
  i32 count = 0, readindex = 0, writeindex = 0;
  MovieSound forever;

  ~MovieSoundState() {
    for (MovieSound& m : table)
      if (m.movie != nilid) disposemoviesound(m.movie);
    if (forever.movie != nilid) disposemoviesound(forever.movie);
  }
};

MovieSoundState& ms() { return state<MovieSoundState>(); }

}  // namespace

bool moviesoundsavailable() { return moviesoundlayer(); }

i16 lowplaymoovsnd(ConstStringPtr path, bool forever) {
  MovieSound m;
  i16 code = openmoviesound(path, &m.movie, m.name);
  if (code == 1) return 1;
  if (code != 0) {
    if (mainglobals().result != nilhandle) stringtohand(resultstr(resultnomovie), mainglobals().result);
    return 0;
  }
  MovieSoundState& s = ms();
  if (forever) {
    s.forever = m;
    startmoviesound(m.movie);
    return 0;
  }
  s.table[s.writeindex] = m;
  s.writeindex = (s.writeindex + 1) % kQueueSize;
  if (++s.count == 1) startmoviesound(m.movie);
  return 0;
}

void getmoovfileplaytime(StringPtr out) {
  MovieSoundState& s = ms();
  out[0] = 0;
  if (s.count > 0) moviesoundtime(s.table[s.readindex].movie, out);
  else if (s.forever.movie != nilid) moviesoundtime(s.forever.movie, out);
}

void checkmoviesounds() {
  if (!hasstate<MovieSoundState>()) return;
  MovieSoundState& s = ms();
  if (s.count > 0) {
    MovieSound& m = s.table[s.readindex];
    if (moviesounddone(m.movie)) {
      disposemoviesound(m.movie);
      m = MovieSound{};
      --s.count;
      s.readindex = (s.readindex + 1) % kQueueSize;
      if (s.count > 0) startmoviesound(s.table[s.readindex].movie);
    } else {
      taskmoviesound(m.movie);
    }
  }
  if (s.count == 0) s.readindex = s.writeindex = 0;
  if (s.forever.movie != nilid) {
    if (moviesounddone(s.forever.movie)) {
      rewindmoviesound(s.forever.movie);
      startmoviesound(s.forever.movie);
    }
    taskmoviesound(s.forever.movie);
  }
}

void stopmoviesounds() {
  if (!hasstate<MovieSoundState>()) return;
  MovieSoundState& s = ms();
  for (MovieSound& m : s.table) {
    if (m.movie != nilid) disposemoviesound(m.movie);
    m = MovieSound{};
  }
  if (s.forever.movie != nilid) disposemoviesound(s.forever.movie);
  s.forever = MovieSound{};
  s.count = s.readindex = s.writeindex = 0;
}

i32 moviesoundcount() { return hasstate<MovieSoundState>() ? ms().count : 0; }

bool foreverplaying() { return hasstate<MovieSoundState>() && ms().forever.movie != nilid; }

bool moviesoundname(StringPtr name) {
  if (!hasstate<MovieSoundState>()) return false;
  MovieSoundState& s = ms();
  const MovieSound* m = s.count > 0 ? &s.table[s.readindex] : s.forever.movie != nilid ? &s.forever : nullptr;
  if (m == nullptr) return false;
  std::memcpy(name, m->name, std::size_t(m->name[0]) + 1);
  return true;
}

}  // namespace kv
