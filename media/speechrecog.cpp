// Speech recognition: one recognition system and recognizer while `allowRecognition` is on,
// their phrases, listening, and the "speechHeard" message.
#include "media/speechrecog.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/objectsend.h"
#include "engine/scripterrors.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/resources/resources.h"
#include "platform/speech/recognition.h"
#include "core/mainglobals.h"

namespace kv {

namespace {

constexpr char kModelName[] = "<Kestrove Speech Recognizer>";
constexpr char kFirstPhrase[] = "close all windows";
constexpr i16 kStateList = 1008;
constexpr std::size_t kHeardLimit = 255;
constexpr OSErr errAEDescNotFound = -1701;

enum : i16 {
  resultunreadable = 14,
  resultnorecognition = 60,
  resultcannotopen = 61,
  resultbadphrases = 62,
  resultrecognitionoff = 63,
};

// Releases what initspeechrecog made.
void releaseall(MainGlobals&) {
  if (speechrecogstate().recognizer != nilid) SRReleaseRecognizer(speechrecogstate().recognizer);
  if (speechrecogstate().recogSystem != nilid) SRCloseRecognitionSystem(speechrecogstate().recogSystem);
  speechrecogstate().recognizer = speechrecogstate().recogSystem = nilid;
}

// Listening on again after a change of phrases, when it was on.
void resumelistening(MainGlobals&, bool was) {
  if (!was) return;
  OSErr e = SRStartListening(speechrecogstate().recognizer);
  speechrecogstate().listening = e == noErr || e == kSRAlreadyListening ? 1 : 0;
}

const std::string* param(const HighLevelRequest& event, u32 keyword) {
  for (const auto& [key, data] : event.params)
    if (key == keyword) return &data;
  return nullptr;
}

}  // namespace

i16 initspeechrecog() {
  MainGlobals& g = mainglobals();
  if (!SRAvailable()) {
    setresulttext(resultnorecognition);
    return 0;
  }
  if (SROpenRecognitionSystem(&speechrecogstate().recogSystem) != noErr) {
    setresulttext(resultcannotopen);
    return 0;
  }
  SRLanguageModel model{kModelName, {kFirstPhrase}};
  if (SRSetListenModes(speechrecogstate().recogSystem, g.allowListenModes >= 1 ? 2 : 0) != noErr ||
      SRNewRecognizer(speechrecogstate().recogSystem, &speechrecogstate().recognizer) != noErr ||
      SRSetLanguageModel(speechrecogstate().recognizer, model) != noErr) {
    releaseall(g);
    setresulttext(resultcannotopen);
    return 0;
  }
  speechrecogstate().listening = 0;
  return 1;
}

i16 closespeechrecog() {
  if (!SRAvailable()) {
    setresulttext(resultnorecognition);
    return 0;
  }
  if (speechrecogstate().listening != 0) {
    OSErr e = SRStopListening(speechrecogstate().recognizer);
    if (e != noErr && e != kSRNotListening) return 0;
    speechrecogstate().listening = 0;
  }
  bool ok = SRReleaseRecognizer(speechrecogstate().recognizer) == noErr;
  ok = SRCloseRecognitionSystem(speechrecogstate().recogSystem) == noErr && ok;
  speechrecogstate().recognizer = speechrecogstate().recogSystem = nilid;
  return ok ? 1 : 0;
}

i16 setallowrecognition(i16 on) {
  MainGlobals& g = mainglobals();
  if (on != 0 && g.allowRecog == 0 && initspeechrecog() != 0) g.allowRecog = 1;
  if (on == 0 && g.allowRecog != 0 && closespeechrecog() != 0) g.allowRecog = 0;
  return 0;
}

i16 setphrases(fred* value) {
  MainGlobals& g = mainglobals();
  if (g.allowRecog == 0) {
    // A recognizer that cannot start is a failure of the statement, not only a result text:
    // the phrases it was given went nowhere.
    if (initspeechrecog() == 0) return err::notbuilt;
    g.allowRecog = 1;
  }
  if (!SRAvailable()) return setresulttext(resultnorecognition);
  // Listening stops while the phrases change and goes on again whether they changed or not,
  // so a refused list leaves the recognizer listening for the earlier phrases.
  bool was = speechrecogstate().listening != 0;
  if (was) {
    SRStopListening(speechrecogstate().recognizer);
    speechrecogstate().listening = 0;
  }
  SRLanguageModel model{kModelName, {}};
  Handle text = nilhandle;
  if (fredtonewh(value, &text) != 0) {
    resumelistening(g, was);
    return setresulttext(resultunreadable);
  }
  const char* p = reinterpret_cast<const char*>(deref(text));
  std::string_view all(p, std::size_t(GetHandleSize(text)));
  for (std::size_t at = 0; at <= all.size();) {
    std::size_t end = std::min(all.find('\r', at), all.size());
    if (end > at) model.phrases.emplace_back(all.substr(at, end - at));
    at = end + 1;
  }
  DisposeHandle(text);
  OSErr e = SRSetLanguageModel(speechrecogstate().recognizer, model);
  resumelistening(g, was);
  return e == noErr ? i16(0) : setresulttext(resultbadphrases);
}

scriptstatus comlisten(hierpath, Handle atoms, i32 at) {
  MainGlobals& g = mainglobals();
  u16 t = tokenat(atoms, at + 2);
  if (t != tok::endofline && t != tok::endofscript) return err::stray;
  if (g.allowRecog == 0) return setresulttext(resultrecognitionoff);
  bool stop = tokenat(atoms, at) == tok::stop;
  if (stop && speechrecogstate().listening != 0) {
    OSErr e = SRStopListening(speechrecogstate().recognizer);
    if (e == noErr || e == kSRNotListening) speechrecogstate().listening = 0;
  } else if (!stop && speechrecogstate().listening == 0) {
    OSErr e = SRStartListening(speechrecogstate().recognizer);
    if (e == noErr || e == kSRAlreadyListening) speechrecogstate().listening = 1;
  }
  return 0;
}

OSErr speechdone(const HighLevelRequest& event) {
  const std::string* status = param(event, keySRStatus);
  if (status == nullptr || status->size() != 2) return errAEDescNotFound;
  if (status->front() != 0 || status->back() != 0) return noErr;
  const std::string* result = param(event, keySRResult);
  if (result == nullptr) return errAEDescNotFound;
  // A quote inside the text would end the literal and leave the rest to be read as script.
  std::string heard;
  for (char c : result->substr(0, kHeardLimit))
    if (c != '"') heard += c;
  WindowRef w = mainglobals().current.window;
  if (w != nilid) cardsend("speechHeard \"" + heard + "\"", sendnormal, w);
  return noErr;
}

void getrecogstate(StringPtr out) {
  MainGlobals& g = mainglobals();
  i16 item = 0;
  u32 flags = 0;
  if (!SRAvailable()) item = 1;
  else if (g.allowRecog == 0) item = 2;
  else if (speechrecogstate().listening == 0) item = 3;
  else if (SRGetStatus(speechrecogstate().recognizer, &flags) == noErr && flags != 0) {
    constexpr i16 byflag[] = {5, 6, 7, 8, 9};
    for (int bit = 0; bit < 5 && item == 0; ++bit)
      if (flags & (1u << bit)) item = byflag[bit];
  }
  if (item != 0) GetIndString(out, kStateList, item);
  else {
    constexpr std::string_view unknown = "unknown";
    out[0] = u8(unknown.size());
    std::memcpy(out + 1, unknown.data(), unknown.size());
  }
}

}  // namespace kv
