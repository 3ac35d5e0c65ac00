// The movie-sound queue's movies: files found as movie paths are found, opened with nothing to
// show, played at their preferred rate through the movie layer.
#include "media/moviesoundlayer.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "media/movies.h"
#include "platform/movies/movies.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"

namespace kv {

bool moviesoundlayer() { return mainglobals().hasQuickTime != 0; }

i16 openmoviesound(ConstStringPtr path, RegistryId* movie, StringPtr name) {
  *movie = nilid;
  name[0] = 0;
  std::string full;
  if (!findmoviefile(path, &full)) return 1;
  if (NewMovieFromPath(full, movie) != noErr) return 13;
  std::size_t slash = full.rfind('/');
  std::string leaf = full.substr(slash == std::string::npos ? 0 : slash + 1);
  name[0] = u8(std::min<std::size_t>(leaf.size(), 255));
  std::memcpy(name + 1, leaf.data(), name[0]);
  return 0;
}

void startmoviesound(RegistryId movie) { StartMovie(movie); }
void taskmoviesound(RegistryId movie) { MoviesTask(movie); }
bool moviesounddone(RegistryId movie) { return IsMovieDone(movie); }
void rewindmoviesound(RegistryId movie) { GoToBeginningOfMovie(movie); }
void disposemoviesound(RegistryId movie) { DisposeMovie(movie); }
void moviesoundtime(RegistryId movie, StringPtr text) {
  formatmovietime(GetMovieTime(movie), GetMovieTimeScale(movie), text);
}

}  // namespace kv
