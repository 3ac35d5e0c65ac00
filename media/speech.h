// Speech: the `say` command's queue of texts, spoken one after another with the synthesizer's
// voices (platform/speech), and its service.
#pragma once

#include <string>

#include "platform/types.h"

namespace kv {

struct fred;

// True when the synthesizer started with its data.
bool speechavailable();
// Queues one text (the value's text) for the voice named `voicename` (case-insensitively) or,
// with an empty name, the first voice of gender `gender` (0 none, 1 male, 2 female); rate and
// pitch 16.16 (0: the voice's own); input mode 'TEXT' or 'PHON'. A status; no matching voice
// leaves result text 44.
i16 sayfred(fred* value, i16 gender, ConstStringPtr voicename, i32 rate, i32 pitch, OSType mode);
// `say stop` (all 0: the items that started) and `say stop all` (every item).
void stopspeech(i16 all);
// The speech service: finishes the item that was spoken, starts the next.
void checkspeech();
// The items in the queue (`the speechBusy`, after one pass of the service).
i16 speechitems();
// The phonemes of a text (Mac Roman) in the synthesizer's notation, spoken with voice 1: 0,
// or the platform's failure code.
OSErr texttophonemes(const std::string& text, std::string* phonemes);

}  // namespace kv
