// Speech recognition: `allowRecognition`, `recognitionPhrases`, `start listening` and
// `stop listening`, the "speechHeard" message and `the recognitionState`, over the
// recognizer of platform/speech/recognition.h. The phrase list is media/phrases.h.
#pragma once

#include "engine/hier.h"
#include "platform/runtime/registry.h"
#include "platform/runtime/root.h"
#include "platform/types.h"

namespace kv {

struct fred;
struct HighLevelRequest;

// Opens recognition with one recognizer listening for "close all windows" (not yet listening):
// 1 when ready, else 0 with result text 60 (not available) or 61 (cannot be opened).
i16 initspeechrecog();
// Stops listening and closes recognition: 1 when closed, else 0 (result text 60 when not
// available).
i16 closespeechrecog();
// `set the allowRecognition`: opens or closes recognition; the switch follows what succeeded.
i16 setallowrecognition(i16 on);
// `set the recognitionPhrases`: turns recognition on when it is off, then listens for the
// value's non-empty lines. Result texts 60, 61, 62 (the phrases cannot be used: the earlier
// ones stay) and 14; listening goes on as before in every case. A status: 124 when recognition
// was off and cannot be turned on (result text 60 or 61), else 0.
i16 setphrases(fred* value);
// `start listening` / `stop listening` (atoms from "start" or "stop"): 19 for words after
// "listening"; result text 63 when recognition is off.
scriptstatus comlisten(hierpath path, Handle atoms, i32 at);
// The speech-done event's handler (procedure-table slot 299): sends "speechHeard" with the text
// heard (double quotes dropped) to the current card.
OSErr speechdone(const HighLevelRequest& event);
// `the recognitionState`: an entry of string list 1008, or "unknown".
void getrecogstate(StringPtr out);

// The running recognition: whether it listens, and its system and recognizer (none while
// recognition is off).
struct SpeechRecogState {
  i16 listening;           // the recognizer listens
  RegistryId recogSystem;  // the speech recognition system while recognition is on
  RegistryId recognizer;   // its recognizer
};
inline SpeechRecogState& speechrecogstate() { return state<SpeechRecogState>(); }

}  // namespace kv
