// Movies over FFmpeg: a movie is its file's first video stream and first audio stream, read
// through libavformat, decoded by libavcodec, scaled into 32-bit pixels by libswscale and its
// sound resampled by libswresample to the audio output (platform/sound).
//
// A movie has a time scale (its first video stream's time base 1/n, else its first audio
// stream's, else 600 with times converted), a duration, a rate and a preferred rate (16.16), an
// active segment, a selection, a poster time, a box, a matrix, a display clip region and the
// port it draws into. Its clock is the tick clock (virtual headless): while its rate is not 0,
// movie time advances by elapsed ticks x rate x scale / 60. MoviesTask decodes the frame due
// (going backwards it decodes on from the key frame before it) and draws it with CopyBits
// through the box and clip; a matrix with rotation or a quad maps each port pixel back into the
// frame. Sound plays only at rate 1.0. Time callbacks fire, in either direction, from the
// movie's task on the main thread. Movies are registry ids (RegType::movie).
#pragma once

#include <string>
#include <string_view>

#include "platform/qd/matrix.h"
#include "platform/qd/qdtypes.h"
#include "platform/runtime/registry.h"
#include "platform/types.h"

namespace kv {

using Movie = RegistryId;
using TimeValue = i32;
using TimeScale = i32;

// Result codes of the movie layer (GetMoviesError answers the last one).
enum : OSErr {
  invalidMovie = -2010,
  invalidTime = -2015,
  badImageDescription = -2001,
  couldNotResolveDataRef = -2000,
  cantCreateSingleForkFile = -2022,
  invalidDataRef = -2039,
  movieToolboxUninitialized = -2020,
};

// Starts the layer: noErr when movies can be read (the QuickTime-present fact). Tests may make
// it fail (`failmovielayer`).
OSErr EnterMovies();
OSErr GetMoviesError();

// The first movie of the file at a Mac Roman path (full, or relative to the current folder).
// fnfErr when no such file; invalidDataRef when the file is no movie (no video or audio stream).
OSErr NewMovieFromPath(std::string_view macromanpath, Movie* movie);
void DisposeMovie(Movie movie);
bool IsValidMovie(Movie movie);
// The UTF-8 path of the movie's file.
std::string_view moviepath(Movie movie);

TimeScale GetMovieTimeScale(Movie movie);
TimeValue GetMovieDuration(Movie movie);
TimeValue GetMovieTime(Movie movie);
// Clamped to 0 .. the duration.
void SetMovieTimeValue(Movie movie, TimeValue t);
Fixed GetMovieRate(Movie movie);
void SetMovieRate(Movie movie, Fixed rate);
Fixed GetMoviePreferredRate(Movie movie);
void SetMoviePreferredRate(Movie movie, Fixed rate);
// The stretch a play runs over; duration -1 clears it (the whole movie).
void SetMovieActiveSegment(Movie movie, TimeValue start, TimeValue duration);
void GetMovieActiveSegment(Movie movie, TimeValue* start, TimeValue* duration);
void SetMovieSelection(Movie movie, TimeValue start, TimeValue duration);
void GetMovieSelection(Movie movie, TimeValue* start, TimeValue* duration);
TimeValue GetMoviePosterTime(Movie movie);
bool movieHasVideo(Movie movie);
bool movieHasSound(Movie movie);

void GetMovieBox(Movie movie, Rect* box);
void SetMovieBox(Movie movie, const Rect* box);
void GetMovieMatrix(Movie movie, MatrixRecord* m);
void SetMovieMatrix(Movie movie, const MatrixRecord* m);
// A copy of the region (none: no clip but the port's).
void SetMovieDisplayClipRgn(Movie movie, RgnHandle rgn);
// A copy of the movie's clip region, the caller's to dispose of; none when it has none.
RgnHandle GetMovieDisplayClipRgn(Movie movie);
// The port the movie draws into (none: it draws nowhere).
void SetMovieGWorld(Movie movie, CGrafPtr port);
CGrafPtr GetMovieGWorld(Movie movie);

// Readies a play from `time` at `rate` (the frame there is decoded).
OSErr PrerollMovie(Movie movie, TimeValue time, Fixed rate);
// Plays at the preferred rate / stops (rate 0).
void StartMovie(Movie movie);
void StopMovie(Movie movie);
void GoToBeginningOfMovie(Movie movie);
// Advances the movie's clock to now, fires due callbacks, decodes and draws the frame due.
void MoviesTask(Movie movie);
// Draws the frame at the current time now.
void UpdateMovie(Movie movie);
// Moves to the poster time and draws that frame.
void ShowMoviePoster(Movie movie);
// Played past the end of its active segment (or before its start, going backwards).
bool IsMovieDone(Movie movie);
// Whether play wraps at the segment's ends (and turns back when `palindrome`).
void setmovielooping(Movie movie, bool looping, bool palindrome);
// The sound's volume: 256 full, negative muted.
void SetMovieVolume(Movie movie, i16 volume);
i16 GetMovieVolume(Movie movie);

// The frame at `time` as a picture framed by the box (none when the movie has no video).
PicHandle GetMoviePict(Movie movie, TimeValue time);

// A time callback: fired from MoviesTask when play reaches or crosses `time` in either
// direction. Only one per movie; arming again replaces it.
using MovieCallBackProc = void (*)(Movie movie, i32 refcon);
OSErr armmoviecallback(Movie movie, TimeValue time, MovieCallBackProc proc, i32 refcon);
void cancelmoviecallback(Movie movie);

std::size_t moviecount();

// --- Test access -----------------------------------------------------------------------------
// While set, EnterMovies fails (the layer is absent).
void failmovielayer(bool fail);
// Frames decoded since the movie opened.
i64 moviedecodedframes(Movie movie);
// What a movie file holds in its first video stream: the codec's name, the stream's time base
// 1/n, its duration in that time base, its number of samples and its frame size. False when
// the file has no video stream.
struct MovieFileFacts {
  std::string codec;
  i32 timescale = 0;
  i64 duration = 0;
  i64 samples = 0;
  i32 width = 0, height = 0;
};
bool moviefilefacts(std::string_view macromanpath, MovieFileFacts* facts);

}  // namespace kv
