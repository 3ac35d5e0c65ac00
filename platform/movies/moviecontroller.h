// A movie controller of our own: a 16-pixel bar under the movie's box with, from the left, a
// play/pause button, step back, step forward, a time slider and a speaker button. Flags 1, 2
// and 4 suppress the frame around the box, the step buttons and the speaker. Given an event, it
// tasks its movie; it takes only mouse-downs inside its bounds (a click on the bar works the
// part hit; a click in the box does nothing else). Controllers are registry ids
// (RegType::moviecontroller).
#pragma once

#include "platform/events/eventrecord.h"
#include "platform/movies/movies.h"

namespace kv {

using MovieController = RegistryId;

constexpr i32 kControllerBarHeight = 16;
enum : u32 { mcFlagSuppressMovieFrame = 1, mcFlagSuppressStepButtons = 2, mcFlagSuppressSpeakerButton = 4 };

// A controller for the movie with the box's top-left at `where` (the movie's box keeps its
// size); hidden when `visible` is false. none when it cannot be made.
MovieController NewMovieController(Movie movie, Point where, bool visible);
void DisposeMovieController(MovieController mc);
bool IsValidMovieController(MovieController mc);
Movie MCGetMovie(MovieController mc);
std::size_t moviecontrollercount();

// The actions.
void MCPlay(MovieController mc, Fixed rate);  // 0 stops
void MCPrerollAndPlay(MovieController mc, Fixed rate);
void MCSetLooping(MovieController mc, bool on);
bool MCGetLooping(MovieController mc);
void MCSetLoopIsPalindrome(MovieController mc, bool on);
bool MCGetLoopIsPalindrome(MovieController mc);
void MCSetPlayEveryFrame(MovieController mc, bool on);
bool MCGetPlayEveryFrame(MovieController mc);
void MCSetPlaySelection(MovieController mc, bool on);
bool MCGetPlaySelection(MovieController mc);
void MCSetUseBadge(MovieController mc, bool on);
bool MCGetUseBadge(MovieController mc);
// 256 full, negative muted.
void MCSetVolume(MovieController mc, i16 volume);
i16 MCGetVolume(MovieController mc);
// The speaker button's action: mutes (negates) or unmutes the volume.
void MCToggleMute(MovieController mc);
void MCSetVisible(MovieController mc, bool visible);
bool MCGetVisible(MovieController mc);
// The bounds: the movie's box and the bar under it.
void MCGetControllerBoundsRect(MovieController mc, Rect* bounds);
// New bounds: the box becomes them less the bar.
void MCSetControllerBoundsRect(MovieController mc, const Rect* bounds);
void MCSetClip(MovieController mc, RgnHandle controllerclip, RgnHandle movieclip);
u32 MCGetControllerFlags(MovieController mc);
void MCSetControllerFlags(MovieController mc, u32 flags);
void MCEnableEditing(MovieController mc, bool on);
bool MCIsEditingEnabled(MovieController mc);
TimeValue MCGetCurrentTime(MovieController mc, TimeScale* scale);
void MCMovieChanged(MovieController mc);
void MCActivate(MovieController mc, bool active);
// Draws the movie's frame and the bar into the movie's port.
void MCDraw(MovieController mc);
// Tasks the movie; true when the controller took the event (a mouse-down inside its bounds).
bool MCIsPlayerEvent(MovieController mc, const EventRecord& event);

}  // namespace kv
