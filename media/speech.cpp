// The speech queue: one item per `say`, started one at a time while nothing else speaks and
// removed once it has been spoken.
#include "media/speech.h"

#include <cstring>
#include <vector>

#include "engine/fred.h"
#include "engine/textutil.h"
#include "platform/memory/memory.h"
#include "platform/runtime/root.h"
#include "platform/speech/speechchannels.h"
#include "platform/speech/voices.h"
#include "platform/text/casefold.h"
#include "core/mainglobals.h"

namespace kv {

namespace {

constexpr i16 resultnovoice = 44;

struct SpeechItem {
  OSType creator;
  OSType id;
  RegistryId channel;  // nilid until started
  Handle text;
  u16 pending;
  u16 started;
  i32 rate;   // 16.16, 0 for the voice's own
  i32 pitch;  // 16.16, 0 for the voice's own
  OSType mode;
};
static_assert(sizeof(SpeechItem) == 32);

struct SpeechState {
  std::vector<SpeechItem> queue;
  ~SpeechState() {
    for (SpeechItem& it : queue) DisposeHandle(it.text);
  }
};

SpeechState& sp() { return state<SpeechState>(); }

// Releases an item's channel and text and deletes it.
void dropitem(std::size_t i) {
  SpeechItem& it = sp().queue[i];
  if (it.channel != nilid) DisposeSpeechChannel(it.channel);
  DisposeHandle(it.text);
  if (it.started != 0 && mainglobals().speechCount > 0) --mainglobals().speechCount;
  sp().queue.erase(sp().queue.begin() + std::ptrdiff_t(i));
}

// Makes the item's channel, sets it up and speaks its text.
OSErr startitem(SpeechItem& it) {
  it.pending = 0;
  it.started = 1;
  ++mainglobals().speechCount;
  VoiceSpec voice{it.creator, it.id};
  if (OSErr e = NewSpeechChannel(&voice, &it.channel)) return e;
  if (it.rate != 0)
    if (OSErr e = SetSpeechRate(it.channel, it.rate)) return e;
  if (it.pitch != 0)
    if (OSErr e = SetSpeechPitch(it.channel, it.pitch)) return e;
  if (OSErr e = SetSpeechInfo(it.channel, soInputMode, &it.mode)) return e;
  return SpeakText(it.channel, HandleAs<u8>(it.text), GetHandleSize(it.text));
}

bool samename(const u8* a, ConstStringPtr b) {
  if (a[0] != b[0]) return false;
  for (u8 i = 1; i <= a[0]; ++i)
    if (lowertable[a[i]] != lowertable[b[i]]) return false;
  return true;
}

}  // namespace

bool speechavailable() { return speechsynthesizerready(); }

i16 sayfred(fred* value, i16 gender, ConstStringPtr voicename, i32 rate, i32 pitch, OSType mode) {
  Handle text = nilhandle;
  if (i16 st = fredtonewh(value, &text)) return st;
  i16 count = 0;
  VoiceSpec chosen{};
  bool found = false;
  if (CountVoices(&count) == noErr) {
    for (i16 i = 1; i <= count && !found; ++i) {
      VoiceSpec voice{};
      VoiceDescription d{};
      if (GetIndVoice(i, &voice) != noErr || GetVoiceDescription(&voice, &d) != noErr) break;
      found = voicename[0] != 0 ? samename(d.name, voicename) : d.gender == gender;
      if (found) chosen = voice;
    }
  }
  if (!found) {
    DisposeHandle(text);
    return setresulttext(resultnovoice);
  }
  sp().queue.push_back({chosen.creator, chosen.id, nilid, text, 1, 0, rate, pitch, mode});
  return 0;
}

void stopspeech(i16 all) {
  for (std::size_t i = sp().queue.size(); i-- > 0;)
    if (all != 0 || sp().queue[i].started != 0) dropitem(i);
}

void checkspeech() {
  std::vector<SpeechItem>& q = sp().queue;
  for (std::size_t i = 0; i < q.size();) {
    if (q[i].started != 0 && SpeechBusySystemWide() == 0) {
      dropitem(i);
      return;
    }
    if (q[i].pending != 0 && SpeechBusySystemWide() == 0 && startitem(q[i]) != noErr) {
      dropitem(i);
      continue;
    }
    ++i;
  }
}

i16 speechitems() { return i16(sp().queue.size()); }

OSErr texttophonemes(const std::string& text, std::string* phonemes) {
  VoiceSpec voice{};
  if (OSErr e = GetIndVoice(1, &voice)) return e;
  RegistryId channel = nilid;
  if (OSErr e = NewSpeechChannel(&voice, &channel)) return e;
  OSErr e = TextToPhonemes(channel, reinterpret_cast<const u8*>(text.data()), Size(text.size()), phonemes);
  DisposeSpeechChannel(channel);
  return e;
}

}  // namespace kv
