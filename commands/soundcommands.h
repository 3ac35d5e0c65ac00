// The commands of sounds kept on channels and of recording (soundchannels.cpp). `open sound`
// and `close sound` come through the open and close commands, `record sound` through the record
// command, `getsound` from film playback.
#pragma once

#include "engine/hier.h"
#include "media/sounds.h"
#include "platform/types.h"

namespace kv {

// `open sound name` (`at` the word "open"): the 'snd ' resource of the current or the shared
// project held ready with a channel of its own; once per name. Not found: `the result` 15. 19
// for words left.
scriptstatus opensound(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `close sound name`: gives an open sound's record and channel back; nothing for a name not open.
// 175 in plug-in mode, 19 for words left.
scriptstatus closesound(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// The sound named by the expression at `at`: the kept entry when the sound is open, else a
// temporary one (kept 0; no record when there is no such sound, no channel when none could be
// made). 0, the expression's error, or 37 when memory is short. *used: the atoms read.
scriptstatus getsound(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* used, soundentry* out);
// Releases a temporary entry of getsound (kept entries stay).
void releasesound(soundentry& e);
// `record sound name [at point] [with quality [quality]]` (`at` the word "record").
scriptstatus recordsound(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);

}  // namespace kv
