// The boundary of the media module (kvmod_media.so, FFmpeg): movies, movie recording, the
// filter-graph transitions, sampled-sound decoding and the test movie writer. One list names
// every routine the program reaches in it; the module's table and the program's forwarders
// both come from it. Each entry: result type, name, parameters, arguments, what the routine
// answers when the module is missing (the movie layer is then absent, as when `EnterMovies`
// fails), and whether a call loads the module (loadmodule) or only uses it once loaded
// (loadedmodule: the counts and clean-ups the event loop and resets call).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/effects/effectsimpl.h"
#include "platform/modules/modules.h"
#include "platform/movies/movierecorder.h"
#include "platform/movies/movies.h"
#include "platform/sound/sampledecode.h"
#include "platform/testing/testmovies.h"

// clang-format off
#define KV_MEDIA_ENTRIES(X) \
  X(OSErr, GetMoviesError, (), (), OSErr(movieToolboxUninitialized), loadmodule) \
  X(OSErr, NewMovieFromPath, (std::string_view path, Movie * movie), (path, movie), (*movie = nilid, OSErr(movieToolboxUninitialized)), loadmodule) \
  X(void, DisposeMovie, (Movie m), (m),, loadmodule) \
  X(bool, IsValidMovie, (Movie m), (m), false, loadmodule) \
  X(std::string_view, moviepath, (Movie m), (m), std::string_view(), loadmodule) \
  X(std::size_t, moviecount, (), (), 0, loadedmodule) \
  X(TimeScale, GetMovieTimeScale, (Movie m), (m), 0, loadmodule) \
  X(TimeValue, GetMovieDuration, (Movie m), (m), 0, loadmodule) \
  X(TimeValue, GetMovieTime, (Movie m), (m), 0, loadmodule) \
  X(void, SetMovieTimeValue, (Movie m, TimeValue t), (m, t),, loadmodule) \
  X(Fixed, GetMovieRate, (Movie m), (m), 0, loadmodule) \
  X(void, SetMovieRate, (Movie m, Fixed r), (m, r),, loadmodule) \
  X(Fixed, GetMoviePreferredRate, (Movie m), (m), 0, loadmodule) \
  X(void, SetMoviePreferredRate, (Movie m, Fixed r), (m, r),, loadmodule) \
  X(void, SetMovieActiveSegment, (Movie m, TimeValue s, TimeValue d), (m, s, d),, loadmodule) \
  X(void, GetMovieActiveSegment, (Movie m, TimeValue * s, TimeValue * d), (m, s, d), (*s = -1, *d = 0, void()), loadmodule) \
  X(void, SetMovieSelection, (Movie m, TimeValue s, TimeValue d), (m, s, d),, loadmodule) \
  X(void, GetMovieSelection, (Movie m, TimeValue * s, TimeValue * d), (m, s, d), (*s = 0, *d = 0, void()), loadmodule) \
  X(TimeValue, GetMoviePosterTime, (Movie m), (m), 0, loadmodule) \
  X(bool, movieHasVideo, (Movie m), (m), false, loadmodule) \
  X(bool, movieHasSound, (Movie m), (m), false, loadmodule) \
  X(void, GetMovieBox, (Movie m, Rect * r), (m, r), (*r = Rect{}, void()), loadmodule) \
  X(void, SetMovieBox, (Movie m, const Rect* r), (m, r),, loadmodule) \
  X(void, GetMovieMatrix, (Movie m, MatrixRecord * x), (m, x), SetIdentityMatrix(x), loadmodule) \
  X(void, SetMovieMatrix, (Movie m, const MatrixRecord* x), (m, x),, loadmodule) \
  X(void, SetMovieDisplayClipRgn, (Movie m, RgnHandle r), (m, r),, loadmodule) \
  X(RgnHandle, GetMovieDisplayClipRgn, (Movie m), (m), nilid, loadmodule) \
  X(void, SetMovieGWorld, (Movie m, CGrafPtr p), (m, p),, loadmodule) \
  X(CGrafPtr, GetMovieGWorld, (Movie m), (m), nilid, loadmodule) \
  X(OSErr, PrerollMovie, (Movie m, TimeValue t, Fixed r), (m, t, r), OSErr(invalidMovie), loadmodule) \
  X(void, StartMovie, (Movie m), (m),, loadmodule) \
  X(void, StopMovie, (Movie m), (m),, loadmodule) \
  X(void, GoToBeginningOfMovie, (Movie m), (m),, loadmodule) \
  X(void, MoviesTask, (Movie m), (m),, loadmodule) \
  X(void, UpdateMovie, (Movie m), (m),, loadmodule) \
  X(void, ShowMoviePoster, (Movie m), (m),, loadmodule) \
  X(bool, IsMovieDone, (Movie m), (m), true, loadmodule) \
  X(void, setmovielooping, (Movie m, bool l, bool p), (m, l, p),, loadmodule) \
  X(void, SetMovieVolume, (Movie m, i16 v), (m, v),, loadmodule) \
  X(i16, GetMovieVolume, (Movie m), (m), 0, loadmodule) \
  X(PicHandle, GetMoviePict, (Movie m, TimeValue t), (m, t), nilid, loadmodule) \
  X(OSErr, armmoviecallback, (Movie m, TimeValue t, MovieCallBackProc p, i32 r), (m, t, p, r), OSErr(invalidMovie), loadmodule) \
  X(void, cancelmoviecallback, (Movie m), (m),, loadmodule) \
  X(i64, moviedecodedframes, (Movie m), (m), 0, loadmodule) \
  X(bool, moviefilefacts, (std::string_view path, MovieFileFacts * f), (path, f), false, loadmodule) \
  X(OSErr, NewMovieRecorder, (std::string_view path, i32 w, i32 h, i16 d, MovieRecorder * out), (path, w, h, d, out), (*out = nilid, OSErr(movieToolboxUninitialized)), loadmodule) \
  X(OSErr, AddMovieRecorderFrame, (MovieRecorder r, GWorldPtr w, TimeValue d), (r, w, d), OSErr(invalidMovie), loadmodule) \
  X(OSErr, CloseMovieRecorder, (MovieRecorder r, bool save), (r, save), OSErr(invalidMovie), loadmodule) \
  X(std::size_t, movierecordercount, (), (), 0, loadedmodule) \
  X(bool, xfadeframe, (const char* t, const PixelsView& a, const PixelsView& b, const PixelsView& o, i32 f, i32 c), (t, a, b, o, f, c), false, loadmodule) \
  X(void, xfadedone, (), (),, loadedmodule) \
  X(OSErr, readsampledheader, (const u8* h, i64 n, SampledInfo* info), (h, n, info), (*info = SampledInfo{}, OSErr(badFormat)), loadmodule) \
  X(OSErr, decodesampled, (const SampledInfo& info, std::shared_ptr<PcmSound>* out), (info, out), OSErr(badFormat), loadmodule) \
  X(bool, writetestmovie, (const std::string& path, const TestMovie& m), (path, m), false, loadmodule)
// clang-format on

namespace kv {

struct MediaModule {
  KV_MEDIA_ENTRIES(KV_MODULE_TABLE_ENTRY)
};

}  // namespace kv
