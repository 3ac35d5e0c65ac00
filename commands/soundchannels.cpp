// Sounds kept ready on channels of their own (`open sound`, `close sound`, `getsound` for film
// playback) and the recording of new sounds (`record sound`).
#include "commands/soundcommands.h"

#include <algorithm>
#include <cstring>

#include "commands/pointlists.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/scripterrors.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "media/sounds.h"
#include "platform/memory/memory.h"
#include "platform/sound/soundmanager.h"
#include "platform/windows/cursor.h"
#include "platform/windows/screens.h"
#include "core/mainglobals.h"
#include "core/memoryguard.h"
#include "store/recordcache.h"
#include "store/byteorder.h"
#include "store/records.h"
#include "system/xresources.h"

namespace kv {

namespace {

enum : i16 {
  resultcancel = 1,
  resultnoresource = 15,
  resultnosoundinput = 39,
  resultinputcannotrecord = 40,
  resultnotkept = 42,
  resultnorecordfile = 78,
};
constexpr Size kFormat1Head = 20, kFormat2Head = 14;

void emptyresult() {
  Handle r = mainglobals().result;
  if (r != nilhandle) SetHandleSize(r, 0);
}

// The text of the name expression at `at`.
scriptstatus soundnamearg(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* used, Str255 name) {
  fred v;
  if (i16 st = expression(path, text, atoms, at, variables, nilhandle, used, &v)) return st;
  fredtostring(&v, name);
  disposfred(&v);
  return 0;
}

// The 'snd ' resource of that name in the current project, else the shared project.
bool findsound(ConstStringPtr name, RegistryId* store, u32* recordid) {
  MainGlobals& g = mainglobals();
  for (RegistryId s : {g.current.store, g.sharedstore}) {
    if (s != nilid && locateresource(fourcc("snd "), s, name, recordid)) {
      *store = s;
      return true;
    }
  }
  return false;
}

// Whether the memory guard lets the record be loaded (it is not asked while memory is
// plentiful).
bool roomforrecord(RegistryId store, u32 recordid) {
  u32 size = 0;
  if (mainglobals().memplentiful != 0 || sizevir(store, i32(recordid), &size) != 0) return true;
  return nomemory(Size(std::min<u32>(size, 0x7FFFFFFF))) == 0;
}

// The recording dialog's corner: `at h,v`, else the main screen's centre moved 152 pixels left and
// 64 up. The quality words are read and the best quality is always asked for.
scriptstatus recordoptions(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, Point* corner) {
  Rect screen = screenbounds(0);
  *corner = Point{i16((screen.top + screen.bottom) / 2 - 64), i16((screen.left + screen.right) / 2 - 152)};
  while (!statementends(atoms, at)) {
    u16 word = tokenat(atoms, at);
    if (word == tok::at) {
      Handle points = nilhandle;
      i32 used = 0;
      if (i16 st = getloclist(path, text, atoms, at + 1, variables, &used, &points)) return st;
      bool one = GetHandleSize(points) == Size(sizeof(Point));
      if (one) *corner = loadat<Point>(deref(points));
      DisposeHandle(points);
      if (!one) return err::stray;
      at += 1 + used;
    } else if (word == tok::with) {
      u16 quality = tokenat(atoms, at + 1);
      if (quality != tok::good && quality != tok::better && quality != tok::best && quality != tok::card)
        return err::unknownquality145;
      at += tokenat(atoms, at + 2) == tok::quality ? 3 : 2;
    } else {
      return err::stray;
    }
  }
  return 0;
}

// A recording's format-1 head (20 bytes) becomes the format-2 head of one sound command with the
// header at 14; the header and samples move 6 bytes down.
bool format2(Handle sound) {
  Size n = GetHandleSize(sound);
  if (n < kFormat1Head) return false;
  u8* p = deref(sound);
  std::memmove(p + kFormat2Head, p + kFormat1Head, std::size_t(n - kFormat1Head));
  snd2head head{2, 0, 1};
  sndcommandrec command{u16(dataOffsetFlag | soundCmd), 0, kFormat2Head};
  std::memcpy(p, &head, sizeof head);
  std::memcpy(p + sizeof head, &command, sizeof command);
  SetHandleSize(sound, n - (kFormat1Head - kFormat2Head));
  return true;
}

// The recorded sound, in the store's byte order, replaces any 'snd ' resource of that name in the
// current project. False when it cannot be kept: the old one cannot go (its record is held) or
// the new one is refused.
bool keeprecording(ConstStringPtr name, Handle sound) {
  RegistryId project = mainglobals().current.store;
  if (project == nilid || endianswapsnd2(sound, tofile) != noErr) return false;
  if (delres(fourcc("snd "), name, project) != 0) return false;
  return addres(fourcc("snd "), name, sound, project) != 0;
}

}  // namespace

scriptstatus recordsound(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  OSErr input = soundinputstate();
  if (input != noErr) {
    setresulttext(input == siBadSoundInDevice ? resultnosoundinput : resultinputcannotrecord);
    return 0;
  }
  if (tokenat(atoms, at + 2) == tok::file) {
    setresulttext(resultnorecordfile);
    return 0;
  }
  Str255 name;
  i32 used = 0;
  if (i16 st = soundnamearg(path, text, atoms, at + 2, variables, &used, name)) return st;
  Point corner{};
  if (i16 st = recordoptions(path, text, atoms, at + 2 + used, variables, &corner)) return st;
  InitCursor();
  Handle sound = nilhandle;
  if (SndRecord(corner, name, &sound) == userCanceledErr) {
    if (sound != nilhandle) DisposeHandle(sound);
    setresulttext(resultcancel);
    return 0;
  }
  if (sound == nilhandle) return 0;
  if (!format2(sound) || !keeprecording(name, sound)) setresulttext(resultnotkept);
  DisposeHandle(sound);
  return 0;
}

scriptstatus opensound(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  emptyresult();
  Str255 name;
  i32 used = 0;
  if (i16 st = soundnamearg(path, text, atoms, at + 2, variables, &used, name)) return st;
  if (!statementends(atoms, at + 2 + used)) return err::stray;
  if (findsoundentry(name) != nullptr) return 0;
  soundentry e;
  if (!findsound(name, &e.store, &e.recordid)) {
    setresulttext(resultnoresource);
    return 0;
  }
  if (!roomforrecord(e.store, e.recordid)) return 0;
  if (getvir(e.store, i32(e.recordid), &e.record) != 0) return 0;
  if (SndNewChannel(&e.channel, sampledSynth) != noErr) {
    putvir(e.store, i32(e.recordid));
    return 0;
  }
  e.kept = 1;
  soundchanneltable().push_back(e);
  return 0;
}

scriptstatus closesound(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  if (mainglobals().plugin != 0) return err::plugincommand;
  emptyresult();
  Str255 name;
  i32 used = 0;
  if (i16 st = soundnamearg(path, text, atoms, at + 2, variables, &used, name)) return st;
  if (!statementends(atoms, at + 2 + used)) return err::stray;
  soundentry* e = findsoundentry(name);
  if (e == nullptr) return 0;
  putvir(e->store, i32(e->recordid));
  if (e->channel != nilid) SndDisposeChannel(e->channel, true);
  auto& table = soundchanneltable();
  table.erase(table.begin() + (e - table.data()));
  return 0;
}

scriptstatus getsound(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* used, soundentry* out) {
  *out = soundentry{};
  Str255 name;
  if (i16 st = soundnamearg(path, text, atoms, at, variables, used, name)) return st;
  if (soundentry* kept = findsoundentry(name)) {
    *out = *kept;
    return 0;
  }
  soundentry e;
  if (!findsound(name, &e.store, &e.recordid)) return 0;
  if (!roomforrecord(e.store, e.recordid)) return err::nomemory;
  if (i16 st = getvir(e.store, i32(e.recordid), &e.record)) return st;
  if (SndNewChannel(&e.channel, sampledSynth) != noErr) e.channel = nilid;
  *out = e;
  return 0;
}

void releasesound(soundentry& e) {
  if (e.kept != 0 || e.record == nilhandle) return;
  putvir(e.store, i32(e.recordid));
  if (e.channel != nilid) SndDisposeChannel(e.channel, true);
  e = soundentry{};
}

}  // namespace kv
