// Movies on cards: the open-movie table of movies left on cards with a controller, the `movie`
// function that reads, sets and drives them, the `play movie` command, and the movie time text
// "hh:mm:ss:tt" (tt in thirtieths of a second) every movie routine shares.
#pragma once

#include <string>

#include "engine/fred.h"
#include "engine/hier.h"
#include "platform/runtime/registry.h"
#include "platform/types.h"

namespace kv {

// The panorama words of the movie function: those a script may set, and with the read-only ones
// (`visibleHotSpots`, `currentNodeName`, `currentNodeType`) those it may read. A movie of this
// system has no panorama: each answers result 69.
bool vrsettableword(u16 prop);
bool vrword(u16 prop);
inline constexpr i16 resultnovr = 69;

// The movie time text of a time in a time scale.
void formatmovietime(i64 time, i32 scale, StringPtr text);
// Reads a movie time text in a time scale: 0 with the time (clamped to 32 bits), 140 when no
// number can be read.
i16 stringtotimevalue(i32 scale, ConstStringPtr text, i32* time);
// Finds a movie file by path: as written, then in the folder files were last written to, the
// current project's folder, the program's folder and the documents folder. The full path.
bool findmoviefile(ConstStringPtr path, std::string* full);

}  // namespace kv

#include <vector>

#include "platform/movies/moviecontroller.h"

namespace kv {

// An entry of the open-movie table: a movie left on a card with a controller.
struct moovrec {
  u16 startpending = 1;
  u16 startmode = 0;  // 0 none, 1 start, 2 loop, 3 palindrome
  RegistryId window = nilid;
  Movie movie = nilid;  // its registry id is the movie's id
  MovieController controller = nilid;
  u32 vrinstance = 0;  // always 0: no QuickTime VR
  u16 allowqtvrmessages = 0, swingtransition = 0;
  i32 swingspeed = 1, swingdirection = -1;
  Rect rect{};
  std::string path;  // the movie file's full path
  Fixed playrate = 0;
  RgnHandle clip = nilid;
  i32 callbacktime = 0;
  u16 callbackarmed = 0, allowcallbacks = 0, incallback = 0, removed = 0;
  i32 rotation = 0;
  Point quad[4]{};
};

// The open-movie table.
std::vector<moovrec>& movietable();
// Entries not marked removed (`the number of movies`).
i32 openmoviecount();
// The first entry of that movie id not marked removed, or -1.
i32 findmovieentry(Movie id);

// The `movie` function, at the word "movie".
scriptstatus funmovie(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
// The `set` branch of `movie` on the movie of that id, found once the value is read.
scriptstatus doset(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value,
                   Movie id);
// Removes one entry: its area invalidated, its objects released, the entry deleted.
void lowremove(i32 index);
// Releases an entry's platform objects (only hides and detaches a movie in its callback).
void disposmovie(moovrec& entry);
// Activates or deactivates the controllers of a window's movies as the window is hilited; the
// movies of a window that is not hilited stop.
void hilitemoovs(RegistryId window);
// Disposes and deletes every movie of a window (none: every movie, at quit); redraws it when asked.
void dumpmoovs(RegistryId window, bool redraw);

// `play movie`, at the word "movie".
scriptstatus playmovie(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// Opens the movie of a path (found as movie files are found) drawing into the current window:
// 1 with the movie and its full path, 0 after putting a result text.
i16 moviefrompath(ConstStringPtr path, Movie* movie, std::string* full);
// The result text of a movie layer error (0 puts nothing); answers 0.
i16 qterr(OSErr err);
// The full path of a movie file to record (relative to the folder files are written to):
// false after putting a result text (16 when a movie on a card plays that file).
bool moviefrompathcreate(ConstStringPtr path, std::string* full);

// --- Recording the card as a movie ----------------------------------------------------------
// `open movie [file] path [at rect] [with dialog]`, at the word "movie".
scriptstatus openmovie(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `record movie`: the card's image as one more frame.
i16 recordmovie();
// `close movie [file]`, at the word "movie"; with `report` clear (closing all user files)
// nothing is said when no recording is open.
i16 closemovie(bool report, Handle atoms, i32 at);
// Ends the recording, saving it when `finish` is set (139 when it cannot be saved).
i16 lowclosemovie(bool finish);
// Whether a recording is open.
bool movierecording();
// Draws the current card into a world that stands for `rect` of the card window (the
// rectangle erased first unless `transparent`).
void drawcardinto(GWorldPtr world, const Rect& rect, bool transparent = false);

}  // namespace kv
