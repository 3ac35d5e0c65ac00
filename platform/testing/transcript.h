// The transcript of a headless run: the messages sent, the dialogs shown and how they were
// answered, the beeps and the exit, one line each, in order. Smoke runs write it out
// (--transcript FILE); tests read it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kv {

enum class TranscriptKind : unsigned char {
  message,  // a message sent to a script
  dialog,   // a dialog or alert shown
  answer,   // what answered a dialog (the answers queue, the default, or input)
  beep,
  exit,
  error,  // a script error reported by a headless run
  note,   // anything else worth a line
};

// Adds a line: the kind, ": " and the text (UTF-8; a return in it becomes a line feed).
void transcriptadd(TranscriptKind kind, std::string_view text);
// The lines so far, each "kind: text".
const std::vector<std::string>& transcriptlines();
// The whole transcript, one line per entry, each ended by a line feed.
std::string transcripttext();
void transcriptclear();
// Where the transcript is written at the end of the run (empty: nowhere), and writing it.
void settranscriptfile(const std::string& path);
bool writetranscriptfile();

}  // namespace kv
