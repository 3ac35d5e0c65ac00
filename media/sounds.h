// Sounds: the `play` command's sounds and tunes, the sound queue played on one shared channel,
// the looping background sound, the movie-sound queue, and the `sound` function. The sound
// service (`checksound`, media/mediaservice.h) advances the queues and frees what has finished.
#pragma once

#include <vector>

#include "engine/hier.h"
#include "platform/runtime/registry.h"
#include "platform/sound/channels.h"
#include "platform/types.h"

namespace kv {

struct fred;

// `play` with `at` the atom after the word "play": everything but play movie, pics, film and
// step. Failures of the sound services are result texts with status 0.
scriptstatus playsound(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);

// 1 when the project's library of resources holds a resource of `type` named `name` (the name
// key, then the name ignoring case), with its record id.
i16 locateresource(ResType type, RegistryId store, ConstStringPtr name, u32* recordid);
// 1 with a copy of the project's 'snd ' resource `name` in host order; 0 when there is none;
// -1 when its counts run past its bytes (*sound none but for 1).
i16 lowsnd(RegistryId store, ConstStringPtr name, Handle* sound);

// A copy in host order of the 'snd ' data of a loaded resource record: 1, or -1 (*sound none)
// when there is none or its counts run past its bytes.
i16 soundcopy(Handle record, Handle* sound);

// The sounds kept ready by `open sound`, each a 'snd ' resource record held in the record cache
// with a sampled-sound channel of its own (none when none could be made). `getsound` fills
// temporary entries (kept 0) of the same shape.
struct soundentry {
  u32 recordid = 0;
  RegistryId store = nilid;
  Handle record = nilhandle;
  u16 kept = 0;
  RegistryId channel = nilid;
};
std::vector<soundentry>& soundchanneltable();
// The kept entry whose record has that name, or none.
soundentry* findsoundentry(ConstStringPtr name);
// Gives back the kept sounds of a project that closes (of every project with nilid, at quit):
// each record's hold is released and each channel disposed of, so that a kept sound never
// keeps its project open; a later `play` of the name looks in the projects that are open.
void closekeptsounds(RegistryId store);

// The `sound` function: the name of what plays, "Tune Player", or "done".
i16 soundname(fred* value);

// With 0 disposes of the shared channel of the sound queue; with 1 of the background channel
// and its sound (quitting calls both).
void closesoundchannel(i16 flag);

// Completion routines of the shared channel and the background channel.
void PsndRTcallproc(RegistryId channel, const SndCommand& command);
void PsndRTbackproc(RegistryId channel, const SndCommand& command);

// The sound service runs again at its next call, whatever the tick.
void resetsoundtimer();

}  // namespace kv
