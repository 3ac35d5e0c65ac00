#include "platform/testing/transcript.h"

#include <cstdio>

#include "platform/runtime/root.h"

namespace kv {

namespace {
struct TranscriptState {
  std::vector<std::string> lines;
  std::string file;
};

const char* kindname(TranscriptKind k) {
  switch (k) {
    case TranscriptKind::message: return "message";
    case TranscriptKind::dialog: return "dialog";
    case TranscriptKind::answer: return "answer";
    case TranscriptKind::beep: return "beep";
    case TranscriptKind::exit: return "exit";
    case TranscriptKind::error: return "error";
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
  // A text's returns are line feeds, as everywhere the program prints.
  for (char& c : line)
    if (c == '\r') c = '\n';
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

void settranscriptfile(const std::string& path) { state<TranscriptState>().file = path; }

bool writetranscriptfile() {
  const std::string& path = state<TranscriptState>().file;
  if (path.empty()) return true;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::string text = transcripttext();
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace kv
