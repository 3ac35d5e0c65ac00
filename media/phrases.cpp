// The phrases of the running recognizer's language model.
#include "media/phrases.h"

#include "platform/memory/memory.h"
#include "platform/speech/recognition.h"
#include "core/mainglobals.h"
#include "media/speechrecog.h"

namespace kv {

i16 buildphrases(Handle* out) {
  *out = NewHandle(0);
  if (*out == nilhandle) return 37;
  const MainGlobals& g = mainglobals();
  SRLanguageModel model;
  if (g.allowRecog == 0 || SRGetLanguageModel(speechrecogstate().recognizer, &model) != noErr) return 0;
  std::string joined;
  for (const std::string& phrase : model.phrases) {
    if (!joined.empty()) joined += '\r';
    joined += phrase;
  }
  if (PtrAndHand(joined.data(), *out, Size(joined.size())) != noErr) {
    DisposeHandle(*out);
    *out = nilhandle;
    return 37;
  }
  return 0;
}

i16 phrasestonewfred(fred* v) {
  Handle h = nilhandle;
  i16 st = buildphrases(&h);
  if (st == 0) st = handtonewfred(h, v);
  else newfred(v, fredtemp, fredstring, 0);
  if (h != nilhandle) DisposeHandle(h);
  return st;
}

}  // namespace kv
