#include "platform/speech/recognition.h"

#include <pocketsphinx.h>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <cstdio>
#include <memory>

#include "platform/events/events.h"
#include "platform/qd/ports.h"
#include "platform/qd/qdtext.h"
#include "platform/qd/shapes.h"
#include "platform/runtime/root.h"
#include "platform/sound/mixer.h"
#include "platform/sound/soundinput.h"
#include "platform/text/macroman.h"
#include "platform/text/pstring.h"
#include "platform/windows/windows.h"

namespace kv {

namespace {

constexpr char kDefaultModel[] = "/usr/share/pocketsphinx/model/en-us";
constexpr char kSearch[] = "kestrove";
constexpr i32 kRecognitionRate = 16000;

struct Recognizer {
  SRLanguageModel model;
  SoundCapture capture;
  bool listening = false;
  bool inutterance = false;  // pocketsphinx is inside an utterance
  bool hearing = false;      // speech was heard in the utterance
};

struct RecognitionState {
  std::string folder = kDefaultModel;
  bool tried = false;
  ps_decoder_t* decoder = nullptr;
  cmd_ln_t* config = nullptr;
  SwrContext* resampler = nullptr;
  bool test = false;
  bool refuse = false;             // the test recognizer refuses every model
  std::vector<std::string> heard;  // for the test recognizer
  RegistryId system = nilid;
  Registry<int, RegType::recognizer> systems;
  Registry<Recognizer, RegType::recognizer> recognizers;
  u32 models = 0;                  // grammars made, for their names
  i16 modes = 0;                   // the listen modes of the system
  WindowRef feedback = nilid;      // shown while listening in mode 0
  std::vector<std::string> lines;  // what it shows: the state, then the last phrase heard

  ~RecognitionState() {
    if (feedback != nilid) DisposeWindow(feedback);
    if (resampler != nullptr) swr_free(&resampler);
    if (decoder != nullptr) ps_free(decoder);
    if (config != nullptr) cmd_ln_free_r(config);
  }
};

RecognitionState& rs() { return state<RecognitionState>(); }

bool load() {
  RecognitionState& r = rs();
  if (r.tried) return r.decoder != nullptr;
  r.tried = true;
  std::string hmm = r.folder + "/en-us", dict = r.folder + "/cmudict-en-us.dict";
  r.config = cmd_ln_init(nullptr, ps_args(), TRUE, "-hmm", hmm.c_str(), "-dict", dict.c_str(), "-logfn", "/dev/null",
                         nullptr);
  if (r.config == nullptr) return false;
  r.decoder = ps_init(r.config);
  AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
  if (r.decoder != nullptr && (swr_alloc_set_opts2(&r.resampler, &mono, AV_SAMPLE_FMT_S16, kRecognitionRate, &mono,
                                                   AV_SAMPLE_FMT_S16, kOutputRate, 0, nullptr) != 0 ||
                               swr_init(r.resampler) != 0)) {
    ps_free(r.decoder);
    r.decoder = nullptr;
  }
  return r.decoder != nullptr;
}

// The phrases as a JSGF grammar: one public rule whose alternatives are the phrases, each a
// run of lower-case words (characters outside letters, digits and apostrophes separate words).
std::string grammar(const SRLanguageModel& model) {
  std::string alternatives;
  for (const std::string& phrase : model.phrases) {
    std::string words, utf8 = macromantoutf8(phrase);
    for (char c : utf8) {
      unsigned char u = static_cast<unsigned char>(c);
      bool wordchar = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '\'' ||
                      u >= 0x80;
      if (wordchar) words += char(u >= 'A' && u <= 'Z' ? u + 32 : u);
      else if (!words.empty() && words.back() != ' ') words += ' ';
    }
    while (!words.empty() && words.back() == ' ') words.pop_back();
    if (words.empty()) continue;
    if (!alternatives.empty()) alternatives += " | ";
    alternatives += words;
  }
  return "#JSGF V1.0;\ngrammar kestrove;\npublic <phrase> = " + alternatives + ";\n";
}

// Gives pocketsphinx the model's grammar; its old grammar stays when this fails.
OSErr usegrammar(const SRLanguageModel& model) {
  RecognitionState& r = rs();
  std::string text = grammar(model);
  if (text.find("= ;") != std::string::npos) return kSRModelRefused;
  std::string name = std::string(kSearch) + std::to_string(++r.models);
  if (ps_set_jsgf_string(r.decoder, name.c_str(), text.c_str()) != 0) return kSRModelRefused;
  return ps_set_search(r.decoder, name.c_str()) == 0 ? OSErr(noErr) : kSRModelRefused;
}

// The feedback window: a small floating window with the listening state and the last phrase.
void drawfeedback() {
  RecognitionState& r = rs();
  if (r.feedback == nilid) return;
  SavePort saved;
  SetPortWindowPort(r.feedback);
  Rect all;
  GetWindowPortBounds(r.feedback, &all);
  EraseRect(&all);
  for (std::size_t i = 0; i < r.lines.size(); ++i) {
    Str255 s;
    setpstring(s, r.lines[i]);
    MoveTo(8, i16(16 + 16 * i));
    DrawString(s);
  }
}

void showfeedback(bool listening) {
  RecognitionState& r = rs();
  bool wanted = listening && (r.modes & kSRListenKeyMode) == 0;
  if (!wanted) {
    if (r.feedback != nilid) DisposeWindow(r.feedback);
    r.feedback = nilid;
    r.lines.clear();
    return;
  }
  if (r.feedback == nilid) {
    static constexpr u8 kTitle[] =
        "\x06"
        "Speech";
    Rect bounds{40, 8, 80, 208};
    r.feedback = NewCWindow(nullptr, &bounds, kTitle, true, kWindowFloatProc, kFirstWindowOfClass, false, 0);
    r.lines = {"Listening", ""};
  }
  drawfeedback();
}

bool listenkeyheld() {
  KeyMap keys{};
  GetKeys(keys);
  return (keys[kListenKeyCode / 8] >> (kListenKeyCode % 8)) & 1;
}

void post(i16 status, const std::string& text) {
  RecognitionState& r = rs();
  // In the listen-key mode only what is heard while the key is held counts.
  if ((r.modes & kSRListenKeyMode) != 0 && !listenkeyheld()) return;
  if (r.feedback != nilid && r.lines.size() == 2) {
    r.lines[1] = text;
    drawfeedback();
  }
  HighLevelRequest event;
  event.eventclass = kSpeechDoneClass;
  event.eventid = kSpeechDoneId;
  std::string st{char(u16(status) >> 8), char(status & 0xFF)};
  event.params = {{keySRStatus, st}, {keySRResult, text}};
  posthighlevelrequest(std::move(event));
}

// Feeds what the recognizer heard to pocketsphinx; an utterance that ended is posted.
void decode(Recognizer& rec, const std::vector<i16>& heard) {
  RecognitionState& r = rs();
  if (heard.empty()) return;
  std::vector<i16> out(std::size_t(swr_get_out_samples(r.resampler, int(heard.size()))) + 16);
  const u8* in[] = {reinterpret_cast<const u8*>(heard.data())};
  u8* to[] = {reinterpret_cast<u8*>(out.data())};
  int n = swr_convert(r.resampler, to, int(out.size()), in, int(heard.size()));
  if (n <= 0) return;
  if (!rec.inutterance) {
    ps_start_utt(r.decoder);
    rec.inutterance = true;
  }
  ps_process_raw(r.decoder, out.data(), std::size_t(n), FALSE, FALSE);
  bool speech = ps_get_in_speech(r.decoder) != 0;
  if (speech) rec.hearing = true;
  if (speech || !rec.hearing) return;
  // The speech ended: the utterance is decoded and a new one begins.
  ps_end_utt(r.decoder);
  rec.inutterance = rec.hearing = false;
  i32 score = 0;
  const char* hyp = ps_get_hyp(r.decoder, &score);
  if (hyp != nullptr && *hyp != 0) post(0, utf8tomacroman(hyp));
}

void endutterance(Recognizer& rec) {
  if (rec.inutterance && rs().decoder != nullptr) ps_end_utt(rs().decoder);
  rec.inutterance = rec.hearing = false;
}

}  // namespace

bool SRAvailable() { return rs().test || load(); }

OSErr SROpenRecognitionSystem(RegistryId* system) {
  *system = nilid;
  if (!SRAvailable()) return kSRNotAvailable;
  if (rs().system != nilid) return kSRSystemOpen;
  *system = rs().system = rs().systems.add(std::make_unique<int>(0));
  return noErr;
}

OSErr SRSetListenModes(RegistryId system, i16 modes) {
  if (!rs().systems.valid(system)) return kSRBadParameter;
  rs().modes = modes;
  return noErr;
}

OSErr SRCloseRecognitionSystem(RegistryId system) {
  if (!rs().systems.remove(system)) return kSRBadParameter;
  rs().system = nilid;
  showfeedback(false);
  return noErr;
}

OSErr SRNewRecognizer(RegistryId system, RegistryId* recognizer) {
  *recognizer = nilid;
  if (!rs().systems.valid(system)) return kSRBadParameter;
  auto rec = std::make_unique<Recognizer>();
  *recognizer = rs().recognizers.add(std::move(rec));
  return noErr;
}

OSErr SRReleaseRecognizer(RegistryId recognizer) {
  Recognizer* rec = rs().recognizers.get(recognizer);
  if (rec == nullptr) return kSRBadParameter;
  endutterance(*rec);
  if (rec->listening) showfeedback(false);
  rs().recognizers.remove(recognizer);
  return noErr;
}

OSErr SRSetLanguageModel(RegistryId recognizer, const SRLanguageModel& model) {
  Recognizer* rec = rs().recognizers.get(recognizer);
  if (rec == nullptr) return kSRBadParameter;
  if (rs().test && rs().refuse) return kSRModelRefused;
  if (!rs().test) {
    endutterance(*rec);
    if (OSErr e = usegrammar(model)) {
      if (!rec->model.phrases.empty()) usegrammar(rec->model);
      return e;
    }
  }
  rec->model = model;
  return noErr;
}

OSErr SRGetLanguageModel(RegistryId recognizer, SRLanguageModel* model) {
  Recognizer* rec = rs().recognizers.get(recognizer);
  if (rec == nullptr) return kSRBadParameter;
  *model = rec->model;
  return noErr;
}

OSErr SRStartListening(RegistryId recognizer) {
  Recognizer* rec = rs().recognizers.get(recognizer);
  if (rec == nullptr) return kSRBadParameter;
  if (rec->listening) return kSRAlreadyListening;
  if (rec->model.phrases.empty()) return kSRBadParameter;
  if (!rs().test && !rec->capture.open()) return kSRNotAvailable;
  if (!rs().test) rec->capture.start();
  rec->listening = true;
  showfeedback(true);
  return noErr;
}

OSErr SRStopListening(RegistryId recognizer) {
  Recognizer* rec = rs().recognizers.get(recognizer);
  if (rec == nullptr) return kSRBadParameter;
  if (!rec->listening) return kSRNotListening;
  rec->capture.stop();
  std::vector<i16> rest;
  rec->capture.drain(rest);  // what was heard before stopping is not decoded
  endutterance(*rec);
  rec->listening = false;
  showfeedback(false);
  return noErr;
}

OSErr SRGetStatus(RegistryId recognizer, u32* flags) {
  Recognizer* rec = rs().recognizers.get(recognizer);
  if (rec == nullptr) return kSRBadParameter;
  *flags = !rec->listening ? 0u : rec->hearing ? u32(kSRHearingUtterance) : u32(kSRIdleListening);
  return noErr;
}

void SRIdle() {
  RecognitionState& r = rs();
  r.recognizers.each([&](RegistryId, Recognizer& rec) {
    if (!rec.listening) return;
    if (r.test) {
      for (const std::string& text : r.heard) post(0, text);
      r.heard.clear();
      return;
    }
    std::vector<i16> heard;
    rec.capture.drain(heard);
    decode(rec, heard);
  });
}

void setrecognitionmodel(std::string folder) { rs().folder = std::move(folder); }
void usetestrecognizer(bool on) { rs().test = on; }
void refusemodels(bool refuse) { rs().refuse = refuse; }
void hearphrase(std::string text) { rs().heard.push_back(std::move(text)); }
RegistryId recognitionfeedback() { return hasstate<RecognitionState>() ? rs().feedback : nilid; }
const std::vector<std::string>& recognitionfeedbacklines() { return rs().lines; }

}  // namespace kv
