#include "platform/testing/transcript.h"

#include "platform/runtime/root.h"

namespace kv {

namespace {
struct TranscriptState {
  std::vector<std::string> lines;
};

const char* kindname(TranscriptKind k) {
  switch (k) {
    case TranscriptKind::message: return "message";
    case TranscriptKind::dialog: return "dialog";
    case TranscriptKind::answer: return "answer";
    case TranscriptKind::beep: return "beep";
    case TranscriptKind::exit: return "exit";
    case TranscriptKind::note: return "note";
  }
  return "note";
}
}  // namespace

void transcriptadd(TranscriptKind kind, std::string_view text) {
  std::string line = kindname(kind);
  if (!text.empty()) {
    line += ": ";
    line += text;
  }
  state<TranscriptState>().lines.push_back(std::move(line));
}

const std::vector<std::string>& transcriptlines() { return state<TranscriptState>().lines; }

std::string transcripttext() {
  std::string out;
  for (const std::string& l : state<TranscriptState>().lines) {
    out += l;
    out += '\n';
  }
  return out;
}

void transcriptclear() { state<TranscriptState>().lines.clear(); }

}  // namespace kv
