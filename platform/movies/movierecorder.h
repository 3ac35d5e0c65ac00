// Movie recording over FFmpeg: a QuickTime file ("mov" muxer) with one video track of
// QuickTime Animation frames ('rle ', the "qtrle" encoder) in a time scale of 600, each frame
// added with its own duration. Frames come from a 32-bit offscreen world of the recording's
// size; a recording of depth 16 is stored as rgb555, any other as 24-bit. Recorders are
// registry ids (RegType::movierecorder).
#pragma once

#include <string_view>

#include "platform/movies/movies.h"

namespace kv {

using MovieRecorder = RegistryId;

// Creates the file at a Mac Roman path (replacing any file there) with type 'MooV' and
// creator 'TVOD'. cantCreateSingleForkFile when it cannot be made.
OSErr NewMovieRecorder(std::string_view macromanpath, i32 width, i32 height, i16 depth, MovieRecorder* out);
// Adds the pixels of a 32-bit world of the recording's size as one frame of `duration` units
// of 1/600 second.
OSErr AddMovieRecorderFrame(MovieRecorder r, GWorldPtr world, TimeValue duration);
// Ends the recording: with `save` the track is finished and the file written out, otherwise
// the file is removed. The recorder goes either way.
OSErr CloseMovieRecorder(MovieRecorder r, bool save);
std::size_t movierecordercount();

// The compression settings dialog of our own: frames per second, depth and quality. Headless
// it takes "movie settings: OK", "movie settings: Cancel" or "movie settings: <frames per
// second>" from the answers queue. userCanceledErr when cancelled.
struct MovieSettings {
  double fps = 15.0;
  i16 depth = 32;
  i16 quality = 512;
};
OSErr moviesettingsdialog(MovieSettings* settings);

}  // namespace kv
