// The phrase list of speech recognition (media/speechrecog.h).
#pragma once

#include "engine/fred.h"
#include "platform/types.h"

namespace kv {

// A new handle holding the phrases of the running recognizer's language model, each ended
// from the next by a return; empty when no recognizer runs. 37 when no handle can be made
// (*out is then none).
i16 buildphrases(Handle* out);
// The phrases as a new value (the empty text, and the status, when they cannot be had).
i16 phrasestonewfred(fred* v);

}  // namespace kv
