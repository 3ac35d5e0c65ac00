// Speech recognition: a recognition system with one recognizer that listens to the first sound
// input for the phrases of its language model, over pocketsphinx with the US English acoustic
// model and dictionary of pocketsphinx-en-us at their fixed paths. The language model becomes
// a JSGF grammar whose alternatives are the phrases, so only words of the dictionary can be
// heard. Sound input is taken at 16 kHz and decoded on the main thread by SRIdle, as it arrives;
// each utterance heard is posted to the event queue as the speech-done event (a high-level
// event of class 'sprc', id 'srsd', with the parameters 'stss', a 16-bit status, and 'kspr',
// the text heard, Mac Roman).
//
// Listen modes: 0 shows a small feedback window of our own while listening (the listening
// state and the last phrase heard); with the listen-key mode (2) a phrase counts only while
// the listen key (Escape) is held, and no feedback window shows.
//
// A test recognizer can stand in for pocketsphinx: it hears what a test tells it to.
#pragma once

#include <string>
#include <vector>

#include "platform/runtime/registry.h"
#include "platform/types.h"

namespace kv {

constexpr OSType kSpeechDoneClass = fourcc("sprc");
constexpr OSType kSpeechDoneId = fourcc("srsd");
constexpr OSType keySRStatus = fourcc("stss");
constexpr OSType keySRResult = fourcc("kspr");

constexpr OSErr kSRNotAvailable = -5100;  // no acoustic model or dictionary
constexpr OSErr kSRBadParameter = -5101;
constexpr OSErr kSRNotListening = -5104;      // stop while not listening
constexpr OSErr kSRAlreadyListening = -5105;  // start while listening
constexpr OSErr kSRModelRefused = -5106;      // a phrase holds a word the dictionary lacks
constexpr OSErr kSRSystemOpen = -5107;        // one system at a time
constexpr i16 kSRListenKeyMode = 2;           // listen only while the listen key is held
constexpr u8 kListenKeyCode = 0x35;           // Escape

// Recognizer status flags (SRGetStatus).
enum : u32 { kSRIdleListening = 1, kSRHearingUtterance = 2 };

// A language model: its name and phrases (Mac Roman).
struct SRLanguageModel {
  std::string name;
  std::vector<std::string> phrases;
};

// True when the acoustic model and dictionary load (loading them on first ask), or the test
// recognizer stands in.
bool SRAvailable();
OSErr SROpenRecognitionSystem(RegistryId* system);
// The feedback-and-listening modes (0, or 2 for the listen key without feedback).
OSErr SRSetListenModes(RegistryId system, i16 modes);
OSErr SRCloseRecognitionSystem(RegistryId system);
// A recognizer on the default sound input, with no phrases until it is given a model.
OSErr SRNewRecognizer(RegistryId system, RegistryId* recognizer);
OSErr SRReleaseRecognizer(RegistryId recognizer);
// Gives the recognizer the model (copied); the old one stays when this fails.
OSErr SRSetLanguageModel(RegistryId recognizer, const SRLanguageModel& model);
OSErr SRGetLanguageModel(RegistryId recognizer, SRLanguageModel* model);
OSErr SRStartListening(RegistryId recognizer);
OSErr SRStopListening(RegistryId recognizer);
OSErr SRGetStatus(RegistryId recognizer, u32* flags);
// Decodes the sound input heard since the last call and posts what was recognised.
void SRIdle();

// --- Test access ---------------------------------------------------------------------------
// The folder of pocketsphinx's model (the acoustic model in "en-us", the dictionary
// "cmudict-en-us.dict"); before the first SRAvailable.
void setrecognitionmodel(std::string folder);
// The test recognizer stands in for pocketsphinx while set.
void usetestrecognizer(bool on);
// While set the test recognizer refuses every language model.
void refusemodels(bool refuse);
// The test recognizer hears `text` at the next SRIdle while listening (status 0).
// The feedback window (none when it is not shown), and the lines it shows.
RegistryId recognitionfeedback();
const std::vector<std::string>& recognitionfeedbacklines();
void hearphrase(std::string text);

}  // namespace kv
