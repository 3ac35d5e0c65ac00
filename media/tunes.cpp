#include "media/tunes.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/scripterrors.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "media/sounds.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/runtime/root.h"
#include "platform/sound/tunes.h"
#include "platform/sound/tunewords.h"
#include "core/mainglobals.h"
#include "system/proctable.h"

namespace kv {

namespace {

enum : i16 {
  resultqueuefull = 20,
  resultnotune = 76,
  resultnoinstrument = 87,
};

constexpr i32 kQueueSize = 20;
constexpr i32 kDefaultQuarter = 300, kMaxInstrument = 262143, kEndRest = 100, kStopWait = 10;
constexpr i32 kSlots = 11;
// Queue flags: start now, do not clip notes, quick start; the background tune loops.
constexpr u32 kQueueFlags = tuneStartNow | tuneDontClipNotes | tuneQuickStart;
constexpr u32 kLoopFlags = tuneLoopUntil | tuneDontClipNotes;
constexpr Size kHeaderBytes = 96;

struct TuneEntry {
  Handle header = nilhandle;
  Handle sequence = nilhandle;
  u16 done = 0;
};

void freeentry(TuneEntry& e) {
  if (e.header != nilhandle) DisposeHandle(e.header);
  if (e.sequence != nilhandle) DisposeHandle(e.sequence);
  e = TuneEntry{};
}

struct TuneQueueState {
  TuneEntry table[kQueueSize];
  u16 count = 0, readindex = 0, writeindex = 0;
  bool finished = false;
  TuneEntry background;
  RegistryId player = nilid, backplayer = nilid;
  bool componentsopen = false;

  ~TuneQueueState() {
    for (TuneEntry& e : table) freeentry(e);
    freeentry(background);
  }
};

TuneQueueState& tq() { return state<TuneQueueState>(); }

// --- Note text ------------------------------------------------------------------------------

// Semitone positions of the letters a-g.
constexpr i32 kPositions[7] = {12, 14, 3, 5, 7, 8, 10};

struct Slot {
  bool number = false;
  i32 value = 0;    // a letter's position, or a MIDI note number
  i32 octave = -1;  // an octave digit given with it
};

struct NoteReader {
  std::vector<u32> words;
  i32 quarter = kDefaultQuarter;
  i32 duration = kDefaultQuarter;
  i32 octave = 4;
  i16 voices = 1;
  Slot slots[kSlots];
  i32 slot = 0;
  bool rest = false;
  u8 lastletter = 0;
  int stage = 1;

  void note(i32 key, i32 length) {
    if (key >= 32 && key <= 95 && length <= 0x7FF) {
      words.push_back(0x21032000u | u32(key - 32) << 18 | u32(length));
    } else {
      // The long form holds any MIDI note and any duration.
      words.push_back(0x90010000u | u32(key));
      words.push_back(0x80000000u | 100u << 22 | u32(length));
    }
  }
  void pause(i32 length) { words.push_back(u32(length)); }

  void write() {
    i32 length = std::clamp(duration, 1, 32767);
    if (rest) {
      pause(length);
    } else {
      for (i32 i = 0; i <= slot; ++i) {
        const Slot& s = slots[i];
        if (s.octave >= 0) octave = s.octave;
        i32 key = 0;
        if (s.number) {
          key = s.value > 127 ? 60 : s.value;
        } else {
          i32 index = s.value + 12 * octave;
          key = index > 118 ? 60 : index + 9;
        }
        note(key, length);
      }
      pause(length);
      voices = std::max<i16>(voices, i16(slot + 1));
    }
    for (Slot& s : slots) s = Slot{};
    slot = 0;
    rest = false;
    stage = 1;
  }

  // The duration letter's length (at least the shortest, one unit, where a fast tempo
  // rounds it away), or 0 for another character.
  i32 durationof(u8 c) const {
    i32 d = 0;
    switch (c) {
      case 'w': d = 4 * quarter; break;
      case 'h': d = 2 * quarter; break;
      case 'q': d = quarter; break;
      case 'e': d = quarter / 2; break;
      case 's': d = quarter / 4; break;
      case 't': d = quarter / 8; break;
      case 'x': d = quarter / 16; break;
      default: return 0;
    }
    return std::max(d, 1);
  }

  // Reads the stream; `i` moves past what a character takes with it.
  void read(const std::vector<u8>& text) {
    for (std::size_t i = 0; i <= text.size(); ++i) {
      u8 c = i < text.size() ? text[i] : ' ';
      if (c == ' ') {
        if (stage != 1) write();
        continue;
      }
      bool digit = c >= '0' && c <= '9';
      switch (stage) {
        case 1:
          if (c >= 'a' && c <= 'g') {
            slots[slot] = Slot{false, kPositions[c - 'a'], -1};
            lastletter = c;
            stage = 2;
          } else if (c == 'z') {
            rest = true;
            stage = 2;
          } else if (digit) {
            i32 n = 0;
            while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
              n = std::min(n * 10 + (text[i] - '0'), 100000);
              ++i;
            }
            --i;
            slots[slot] = Slot{true, n, -1};
            lastletter = 0;
            stage = 2;
          }
          break;
        case 2:
        case 3:
        case 4:
          // A sharp or flat raises or lowers a note number too.
          if (stage == 2 && c == '#') {
            if (lastletter != 'e') ++slots[slot].value;
            stage = 3;
          } else if (stage == 2 && c == 'b') {
            if (lastletter != 'c' && lastletter != 'f') --slots[slot].value;
            stage = 3;
          } else if (stage != 4 && digit) {
            slots[slot].octave = c - '0';
            stage = 4;
          } else if (c == '+') {
            if (slot < kSlots - 1) ++slot;
            stage = 1;
          } else {
            if (i32 d = durationof(c)) duration = d;
            if (i + 1 < text.size() && text[i + 1] == '.') {
              duration = duration * 3 / 2;
              ++i;
            } else if (i + 1 < text.size() && text[i + 1] == '3') {
              duration = duration * 2 / 3;
              ++i;
            }
            stage = 5;
          }
          break;
        default: break;
      }
    }
  }

  // The ending: a rest of 100 units and the end marker.
  void end() {
    pause(kEndRest);
    words.push_back(kTuneEnd);
  }
};

// The words as a handle of big-endian words.
Handle wordshandle(const std::vector<u32>& words) {
  Handle h = NewHandle(Size(words.size() * 4));
  if (h == nilhandle) return nilhandle;
  u8* p = deref(h);
  for (u32 w : words) {
    *p++ = u8(w >> 24);
    *p++ = u8(w >> 16);
    *p++ = u8(w >> 8);
    *p++ = u8(w);
  }
  return h;
}

// --- The queue --------------------------------------------------------------------------------

i16 startentry(RegistryId player, TuneEntry& e, u32 flags, TuneCallBackProc routine, u32 refcon) {
  if (TuneSetHeader(player, deref(e.header), GetHandleSize(e.header)) != noErr) return resultnotune;
  u32 end;
  Delay(1, &end);
  if (TuneQueue(player, deref(e.sequence), GetHandleSize(e.sequence), flags, routine, refcon) != noErr)
    return resultnotune;
  return 0;
}

// Builds sequence and header into `e`: 0, an expression's error (negative: a result text).
scriptstatus buildentry(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32 instrument,
                        TuneEntry& e) {
  i16 voices = 1;
  if (i16 st = buildtunesequence(path, text, atoms, at, variables, &voices, &e.sequence)) return st;
  i16 status = 0;
  e.header = buildtuneheader(instrument, voices, &status);
  if (e.header == nilhandle) {
    freeentry(e);
    return i16(-(status == err::numberrange ? resultnoinstrument : resultnotune));
  }
  return 0;
}

scriptstatus queuetune(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32 instrument) {
  TuneQueueState& q = tq();
  if (q.count >= kQueueSize) return setresulttext(resultqueuefull);
  if (q.player == nilid) {
    if (TuneOpen(&q.player) != noErr) {
      q.player = nilid;
      return setresulttext(resultnotune);
    }
    for (TuneEntry& e : q.table) freeentry(e);
    q.count = q.readindex = q.writeindex = 0;
  }
  TuneEntry& e = q.table[q.writeindex];
  freeentry(e);
  if (i16 st = buildentry(path, text, atoms, at, variables, instrument, e))
    return st > 0 ? st : setresulttext(i16(-st));
  ++q.count;
  q.writeindex = u16((q.writeindex + 1) % kQueueSize);
  i32 queued = 0;
  TuneGetStatus(q.player, &queued);
  if (queued == 0) {
    if (i16 r = startentry(q.player, q.table[q.readindex], kQueueFlags, getproc<270>(), q.readindex))
      return setresulttext(r);
  }
  resetsoundtimer();
  checktunes();
  return 0;
}

scriptstatus backgroundtune(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32 instrument) {
  TuneQueueState& q = tq();
  if (q.backplayer == nilid && TuneOpen(&q.backplayer) != noErr) {
    q.backplayer = nilid;
    return setresulttext(resultnotune);
  }
  TuneStop(q.backplayer);
  freeentry(q.background);
  if (i16 st = buildentry(path, text, atoms, at, variables, instrument, q.background))
    return st > 0 ? st : setresulttext(i16(-st));
  if (i16 r = startentry(q.backplayer, q.background, kLoopFlags, nullptr, 0)) {
    freeentry(q.background);
    return setresulttext(r);
  }
  return 0;
}

}  // namespace

scriptstatus buildtunesequence(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i16* voices,
                               Handle* sequence) {
  *sequence = nilhandle;
  NoteReader r;
  if (tokenat(atoms, at) == tok::tempo) {
    fred v;
    i32 used = 0, tempo = 0;
    if (i16 st = expression(path, text, atoms, at + 1, variables, nilhandle, &used, &v)) return st;
    i16 st = fredtolong(&v, &tempo);
    disposfred(&v);
    if (st != 0) return st;
    r.quarter = tempo >= 1 ? 36000 / tempo : kDefaultQuarter;
    r.duration = r.quarter;
    at += 1 + used;
  }
  if (statementends(atoms, at)) {
    r.note(60, r.quarter);
    r.pause(r.quarter);
  } else {
    std::vector<u8> stream;
    while (!statementends(atoms, at)) {
      fred v;
      i32 used = 0;
      if (i16 st = expression(path, text, atoms, at, variables, nilhandle, &used, &v)) return st;
      const u8* p = fredaddr(&v);
      for (Size i = 0, n = getfredsize(&v); i < n; ++i) {
        u8 c = p[i] == '\r' ? u8(' ') : p[i];
        if (c >= 'A' && c <= 'Z') c = u8(c + 32);
        if (c >= ' ' && c <= 'z') stream.push_back(c);
      }
      disposfred(&v);
      if (used <= 0) break;
      at += used;
    }
    r.read(stream);
  }
  r.end();
  *sequence = wordshandle(r.words);
  if (*sequence == nilhandle) return 37;
  *voices = r.voices;
  return 0;
}

i16 opentunecomponents() {
  if (NAOpen() != noErr) return err::numbered;
  tq().componentsopen = true;
  return 0;
}

Handle buildtuneheader(i32 instrument, i16 polyphony, i16* status) {
  *status = opentunecomponents();
  if (*status != 0) return nilhandle;
  u32 match = 0;
  if (NAFindTone(instrument, &match) != noErr) {
    *status = err::numbered;
    return nilhandle;
  }
  if ((match & (8 | 16 | 32)) == 0) {
    *status = err::numberrange;
    return nilhandle;
  }
  tonedescription tone{};
  if (OSErr e = NAStuffToneDescription(instrument, &tone)) {
    *status = e;
    return nilhandle;
  }
  Handle h = NewHandleClear(kHeaderBytes);
  if (h == nilhandle) {
    *status = 37;
    return nilhandle;
  }
  u8* p = deref(h);
  auto put32 = [p](Size at, u32 w) {
    p[at] = u8(w >> 24);
    p[at + 1] = u8(w >> 16);
    p[at + 2] = u8(w >> 8);
    p[at + 3] = u8(w);
  };
  put32(0, 0xF0010017);
  p[6] = u8(u16(polyphony) >> 8);
  p[7] = u8(polyphony);
  put32(8, 0x00010000);
  std::memcpy(p + 12, &tone, sizeof tone);
  put32(88, 0xC0010017);
  put32(92, kTuneEnd);
  return h;
}

scriptstatus playinstrument(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, bool forever) {
  fred v;
  i32 used = 0, instrument = 0;
  if (i16 st = expression(path, text, atoms, at, variables, nilhandle, &used, &v)) return st;
  i16 st = fredtolong(&v, &instrument);
  disposfred(&v);
  if (st != 0) return st;
  instrument = std::clamp(instrument, 1, kMaxInstrument);
  at += used;
  if (statementends(atoms, at)) return err::cantunderstand;
  if (forever) return backgroundtune(path, text, atoms, at, variables, instrument);
  return queuetune(path, text, atoms, at, variables, instrument);
}

void PtuneRTcallproc(RegistryId, u32) {
  TuneQueueState& q = tq();
  if (q.count == 0) return;
  q.table[q.readindex].done = 1;
  q.readindex = u16((q.readindex + 1) % kQueueSize);
  q.finished = true;
}

void checktunes() {
  if (!hasstate<TuneQueueState>()) return;
  TuneQueueState& q = tq();
  i32 entries = 0, done = 0;
  for (TuneEntry& e : q.table) {
    if (e.sequence == nilhandle) continue;
    ++entries;
    if (e.done == 0) continue;
    ++done;
    freeentry(e);
    --q.count;
  }
  if (entries > 0 && entries == done) {
    q.count = q.readindex = q.writeindex = 0;
  } else if (q.finished && q.table[q.readindex].header != nilhandle) {
    startentry(q.player, q.table[q.readindex], kQueueFlags, getproc<270>(), q.readindex);
  }
  q.finished = false;
}

void stoptunes() {
  if (!hasstate<TuneQueueState>()) return;
  TuneQueueState& q = tq();
  if (q.player != nilid) {
    TuneStop(q.player);
    u32 end;
    Delay(kStopWait, &end);
  }
  for (TuneEntry& e : q.table) freeentry(e);
  q.count = q.readindex = q.writeindex = 0;
  q.finished = false;
  if (q.backplayer != nilid) TuneStop(q.backplayer);
  freeentry(q.background);
}

bool tunesplaying() {
  if (!hasstate<TuneQueueState>()) return false;
  TuneQueueState& q = tq();
  return q.count > 0 || q.background.sequence != nilhandle;
}

}  // namespace kv
