// The `play` command's sounds: the queue of up to 20 sounds played one after another on one
// shared channel, the looping background sound, `play stop`, the sound service and the `sound`
// function. Tunes are media/tunes.cpp; sounds of movie files media/moviesounds.cpp.
#include <cstring>

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "media/mediaservice.h"
#include "media/moviesounds.h"
#include "media/sounds.h"
#include "media/speech.h"
#include "media/tunes.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/runtime/root.h"
#include "platform/sound/audio.h"
#include "platform/sound/soundmanager.h"
#include "platform/speech/recognition.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"
#include "store/records.h"
#include "system/proctable.h"
#include "media/speechrecog.h"

namespace kv {

namespace {

enum : i16 {
  resultnofileplay = 7,
  resultqueuefull = 20,
  resultnosound = 21,
  resultbadsound = 22,
  resultsilent = 23,
  resultnoquicktime = 36,
  resultnofile = 37,
};

constexpr i32 kQueueSize = 20;
constexpr u32 kServicePeriod = 5, kStopWait = 10;
// The buffer command's parameter as the queue and the background sound give it.
constexpr i32 kBufferParam = 62395;

struct QueuedEntry {
  Handle sound = nilhandle;  // a copy of the 'snd ' resource, host order
  u8 name[32] = {};
  u16 done = 0;
};

struct SoundState {
  QueuedEntry table[kQueueSize];
  u16 count = 0, readindex = 0, writeindex = 0;
  RegistryId channel = nilid;  // the shared channel of the queue
  RegistryId backchannel = nilid;
  Handle backsound = nilhandle;
  i64 backaddr = 0;  // offset of the background sound's header in backsound
  u32 lastcheck = 0;
  bool checked = false;

  ~SoundState() {
    for (QueuedEntry& e : table)
      if (e.sound != nilhandle) DisposeHandle(e.sound);
    if (backsound != nilhandle) DisposeHandle(backsound);
  }
};

SoundState& ss() { return state<SoundState>(); }

void emptyresult() {
  Handle r = mainglobals().result;
  if (r != nilhandle) SetHandleSize(r, 0);
}

// The header of a sound copy (its offset found when it was taken).
SampledSound headerof(Handle sound) {
  i64 at = 0;
  sndheaderoffset(deref(sound), GetHandleSize(sound), true, &at);
  return SampledSound{deref(sound) + at, Size(GetHandleSize(sound) - at)};
}

OSErr send(RegistryId channel, u16 cmd, i32 param2, Handle sound = nilhandle) {
  SndCommand c{cmd, 0, param2};
  if (sound == nilhandle) return SndDoCommand(channel, c);
  SampledSound s = headerof(sound);
  return SndDoCommand(channel, c, &s);
}

void disposequeuechannel() {
  SoundState& s = ss();
  if (s.channel == nilid) return;
  SndDisposeChannel(s.channel, true);
  s.channel = nilid;
}

void stopqueue() {
  SoundState& s = ss();
  if (s.count == 0) return;
  disposequeuechannel();
  u32 end;
  Delay(kStopWait, &end);
  for (QueuedEntry& e : s.table) {
    if (e.sound == nilhandle) continue;
    DisposeHandle(e.sound);
    e.sound = nilhandle;
  }
  // The queue is empty: the next sound is read where it is written. (Advancing the read index
  // once per freed entry would count twice the entries already played but not yet freed, and
  // `the sound` would then read an empty entry.)
  s.count = 0;
  s.readindex = s.writeindex;
}

void stopbackground() {
  SoundState& s = ss();
  if (s.backchannel != nilid) SndDisposeChannel(s.backchannel, true);
  s.backchannel = nilid;
  if (s.backsound != nilhandle) DisposeHandle(s.backsound);
  s.backsound = nilhandle;
}

i16 stop(Handle atoms, i32 at) {
  u16 word = statementends(atoms, at) ? 0 : tokenat(atoms, at);
  switch (word) {
    case 0:
      stopmoviesounds();
      stopqueue();
      stopbackground();
      stoptunes();
      break;
    case tok::resources:
      stopqueue();
      stopbackground();
      break;
    case tok::file:
    case tok::quicktime:
      stopmoviesounds();
      stopbackground();
      break;
    case tok::instrument:
      stopbackground();
      stoptunes();
      break;
    default: stopbackground(); break;
  }
  return 0;
}

// The text of an expression at `at`.
scriptstatus evaltext(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* used, Str255 out) {
  fred v;
  if (i16 st = expression(path, text, atoms, at, variables, nilhandle, used, &v)) return st;
  fredtostring(&v, out);
  disposfred(&v);
  return 0;
}

// `play using quickTime [file] path`.
scriptstatus playusing(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, bool forever) {
  if (moviesoundcount() > kQueueSize - 1) return setresulttext(resultqueuefull);
  if (mainglobals().hasQuickTime == 0 || !moviesoundsavailable()) return setresulttext(resultnoquicktime);
  if (forever && foreverplaying()) return setresulttext(resultqueuefull);
  if (tokenat(atoms, at) == tok::file) ++at;
  Str255 file;
  i32 used = 0;
  if (i16 st = evaltext(path, text, atoms, at, variables, &used, file)) return st;
  i16 code = lowplaymoovsnd(file, forever);
  return code == 1 ? setresulttext(resultnofile) : code;
}

// Plays a sound of the queue: 0, or the result text that says why not.
i16 queuesound(Handle sound, ConstStringPtr name, bool playnow) {
  SoundState& s = ss();
  if (s.channel == nilid && SndNewChannel(&s.channel, sampledSynth, 0, getproc<47>()) != noErr) {
    s.channel = nilid;
    return resultnosound;
  }
  u16 at = s.writeindex;
  OSErr e = send(s.channel, soundCmd, 0, sound);
  if (e == noErr && playnow) e = send(s.channel, bufferCmd, kBufferParam, sound);
  if (e == noErr) e = send(s.channel, nullCmd, at);
  if (e != noErr) {
    disposequeuechannel();
    return resultnosound;
  }
  QueuedEntry& q = s.table[at];
  if (q.sound != nilhandle) DisposeHandle(q.sound);
  q.sound = sound;
  pstrassign(q.name, sizeof q.name, name + 1, name[0]);
  q.done = 0;
  ++s.count;
  send(s.channel, callBackCmd, at);
  s.writeindex = u16((at + 1) % kQueueSize);
  emptyresult();
  return 0;
}

// The background sound loops on its own channel; another one while it plays is dropped. Each
// completion queues the next round, and one round stays queued ahead so that none is late.
void backgroundsound(Handle sound) {
  SoundState& s = ss();
  if (s.backchannel != nilid) {
    DisposeHandle(sound);
    return;
  }
  if (SndNewChannel(&s.backchannel, sampledSynth, 0, getproc<48>()) != noErr) {
    s.backchannel = nilid;
    DisposeHandle(sound);
    return;
  }
  s.backsound = sound;
  send(s.backchannel, soundCmd, 0, sound);
  for (int round = 0; round < 2; ++round) {
    send(s.backchannel, bufferCmd, kBufferParam, sound);
    send(s.backchannel, callBackCmd, 0);
  }
}

// `play [forever] [sound] [file] name [...]`.
scriptstatus playresource(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, bool forever) {
  if (ss().count > kQueueSize - 1) return setresulttext(resultqueuefull);
  if (tokenat(atoms, at) == tok::sound) ++at;
  bool file = tokenat(atoms, at) == tok::file;
  if (file) ++at;
  Str255 name;
  i32 used = 0;
  if (i16 st = evaltext(path, text, atoms, at, variables, &used, name)) return st;
  if (file) {
    if (mainglobals().hasQuickTime == 0 || !moviesoundsavailable()) return setresulttext(resultnoquicktime);
    if ((SndSoundManagerVersion() >> 24) < 3) return setresulttext(resultnofileplay);
    i16 code = lowplaymoovsnd(name, forever);
    return code == 1 ? setresulttext(resultnofile) : code;
  }
  Handle sound = nilhandle;
  MainGlobals& g = mainglobals();
  // A sound kept by `open sound` is taken from its record; others are looked up.
  i16 found = 0;
  if (soundentry* kept = findsoundentry(name)) found = soundcopy(kept->record, &sound);
  else if (g.current.store != nilid) found = lowsnd(g.current.store, name, &sound);
  if (found == 0 && g.sharedstore != nilid && g.sharedstore != g.current.store)
    found = lowsnd(g.sharedstore, name, &sound);
  if (found <= 0) return setresulttext(found == 0 ? resultnosound : resultbadsound);
  SampledSound header = headerof(sound);
  if (loadat<u16>(deref(sound)) != 2 || checksampledsound(header) != noErr) {
    DisposeHandle(sound);
    return setresulttext(resultbadsound);
  }
  if (forever) {
    backgroundsound(sound);
    return 0;
  }
  i16 r = queuesound(sound, name, statementends(atoms, at + used));
  if (r != 0) {
    DisposeHandle(sound);
    return setresulttext(r);
  }
  return 0;
}

}  // namespace

scriptstatus playsound(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  checksound(0);
  if (tokenat(atoms, at) == tok::stop) return stop(atoms, at + 1);
  bool forever = tokenat(atoms, at) == tok::forever;
  if (forever) ++at;
  if (GetDefaultOutputVolume() == 0) return setresulttext(resultsilent);
  if (tokenat(atoms, at) == tok::instrument) return playinstrument(path, text, atoms, at + 1, variables, forever);
  if (tokenat(atoms, at) == tok::using_ && tokenat(atoms, at + 1) == tok::quicktime)
    return playusing(path, text, atoms, at + 2, variables, forever);
  return playresource(path, text, atoms, at, variables, forever);
}

void checksound(u32 ticks) {
  audioservice();
  if (ticks == 0) ticks = TickCount();
  SoundState& s = ss();
  if (s.checked && ticks - s.lastcheck < kServicePeriod) return;
  s.checked = true;
  s.lastcheck = ticks;
  if (speechitems() > 0 && speechavailable()) checkspeech();
  if (speechrecogstate().listening != 0) SRIdle();
  if (s.count > 0) {
    i32 entries = 0, done = 0;
    for (QueuedEntry& e : s.table) {
      if (e.sound == nilhandle) continue;
      ++entries;
      if (e.done == 0) continue;
      ++done;
      DisposeHandle(e.sound);
      e.sound = nilhandle;
      --s.count;
    }
    if (entries > 0 && entries == done) disposequeuechannel();
  }
  checktunes();
  checkmoviesounds();
}

void resetsoundtimer() { ss().checked = false; }

void PsndRTcallproc(RegistryId, const SndCommand& command) {
  SoundState& s = ss();
  if (s.count == 0) return;
  if (command.param2 >= 0 && command.param2 < kQueueSize) s.table[command.param2].done = 1;
  s.readindex = u16((s.readindex + 1) % kQueueSize);
}

void PsndRTbackproc(RegistryId channel, const SndCommand&) {
  SoundState& s = ss();
  if (channel != s.backchannel || s.backsound == nilhandle) return;
  send(s.backchannel, soundCmd, 0, s.backsound);
  send(s.backchannel, bufferCmd, kBufferParam, s.backsound);
  send(s.backchannel, callBackCmd, 0);
}

i16 soundname(fred* value) {
  checksound(0);
  SoundState& s = ss();
  Str255 name{};
  const QueuedEntry& e = s.table[s.readindex];
  if (s.count > 0 && e.sound != nilhandle) pstrassign(name, sizeof name, e.name + 1, e.name[0]);
  else if (!moviesoundname(name) && tunesplaying()) setpstring(name, "Tune Player");
  if (name[0] == 0) setpstring(name, "done");
  return stringtonewfred(name, value);
}

void closesoundchannel(i16 flag) {
  if (flag == 0) disposequeuechannel();
  else stopbackground();
}

}  // namespace kv
