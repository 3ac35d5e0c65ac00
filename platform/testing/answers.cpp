#include "platform/testing/answers.h"

#include <cctype>
#include <deque>

#include "platform/backend/backend.h"
#include "platform/backend/headless.h"
#include "platform/events/events.h"
#include "platform/process/exit.h"
#include "platform/runtime/root.h"
#include "platform/testing/quoted.h"
#include "platform/testing/transcript.h"
#include "platform/text/macroman.h"

namespace kv {

namespace {

struct AnswerState {
  std::deque<Answer> queue;
  UnattendedPolicy policy = UnattendedPolicy::fail;
};

AnswerState& as() { return state<AnswerState>(); }

std::string_view trim(std::string_view s) {
  while (!s.empty() && std::isspace(u8(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(u8(s.back()))) s.remove_suffix(1);
  return s;
}

// Lower case with runs of blanks made single spaces.
std::string normalkind(std::string_view k) {
  std::string out;
  bool space = false;
  for (char c : trim(k)) {
    if (std::isspace(u8(c))) {
      space = true;
      continue;
    }
    if (space && !out.empty()) out += ' ';
    space = false;
    out += char(std::tolower(u8(c)));
  }
  return out;
}

// "text" with "" for a quote inside, or the bare text. False for an unclosed quote or
// anything after the closing one.
bool unquote(std::string_view v, std::string* out) {
  if (v.empty() || v.front() != '"') {
    *out = std::string(v);
    return true;
  }
  std::string s;
  std::size_t i = 0;
  if (!readquoted(v, i, &s) || !trim(v.substr(i)).empty()) return false;
  *out = std::move(s);
  return true;
}

// The value as numbers when it is a comma list of whole numbers.
std::vector<int> numbers(std::string_view v) {
  std::vector<int> out;
  while (true) {
    std::size_t comma = v.find(',');
    std::string_view part = trim(v.substr(0, comma));
    if (part.empty() || part.size() > 9) return {};
    int n = 0;
    for (char c : part) {
      if (!std::isdigit(u8(c))) return {};
      n = n * 10 + (c - '0');
    }
    out.push_back(n);
    if (comma == std::string_view::npos) return out;
    v.remove_prefix(comma + 1);
  }
}

}  // namespace

bool loadanswers(std::string_view text, std::string* error) {
  std::vector<Answer> parsed;
  int lineno = 0;
  std::string_view line;
  while (takeline(text, &line)) {
    ++lineno;
    line = trim(line);
    if (line.empty() || line.front() == '#') continue;
    std::size_t colon = line.find(':');
    Answer a;
    std::string value;
    if (colon == std::string_view::npos || (a.kind = normalkind(line.substr(0, colon))).empty() ||
        !unquote(trim(line.substr(colon + 1)), &value)) {
      if (error) *error = "answers line " + std::to_string(lineno) + ": expected \"kind: value\"";
      return false;
    }
    a.text = utf8tomacroman(value);
    a.items = numbers(value);
    parsed.push_back(std::move(a));
  }
  for (Answer& a : parsed) as().queue.push_back(std::move(a));
  return true;
}

void queueanswer(const Answer& a) { as().queue.push_back(a); }
std::size_t answerspending() { return as().queue.size(); }
bool answerwaiting(std::string_view kind, bool cancellable) {
  const AnswerState& s = as();
  if (s.queue.empty()) return false;
  const std::string& next = s.queue.front().kind;
  return next == normalkind(kind) || (cancellable && next == "cancel");
}
void clearanswers() { as().queue.clear(); }
void setunattendedpolicy(UnattendedPolicy p) { as().policy = p; }
UnattendedPolicy unattendedpolicy() { return as().policy; }

bool pressespending() {
  // Releases left over from the last dialog's keys and clicks drive nothing.
  EventRecord waiting{};
  if (EventAvail(mDownMask | keyDownMask | autoKeyMask, &waiting)) return true;
  const HeadlessBackend* h = headlessbackend();
  return h != nullptr ? h->presspending() : backend().inputpending();
}

ModalStart takeanswer(std::string_view loopname, std::string_view kind, Answer* answer, bool cancellable) {
  AnswerState& s = as();
  std::string k = normalkind(kind);
  if (!s.queue.empty() && (s.queue.front().kind == k || (cancellable && s.queue.front().kind == "cancel"))) {
    Answer a = std::move(s.queue.front());
    s.queue.pop_front();
    transcriptadd(TranscriptKind::answer, a.kind + ": " + macromantoutf8(a.text));
    if (answer) *answer = std::move(a);
    return ModalStart::answered;
  }
  if (s.policy == UnattendedPolicy::usedefault) {
    transcriptadd(TranscriptKind::answer, k + ": (default)");
    return ModalStart::usedefault;
  }
  std::string why = "unanswered modal loop: " + std::string(loopname) + " (" + k + ")";
  if (!s.queue.empty()) why += "; the next answer is for \"" + s.queue.front().kind + "\"";
  exitprocess(kExitUnattended, why);
}

ModalStart beginmodal(std::string_view loopname, std::string_view kind, Answer* answer, bool cancellable) {
  AnswerState& s = as();
  std::string k = normalkind(kind);
  transcriptadd(TranscriptKind::dialog, loopname);
  if (!s.queue.empty() && (s.queue.front().kind == k || (cancellable && s.queue.front().kind == "cancel")))
    return takeanswer(loopname, kind, answer, cancellable);
  if (!backend().headless() || pressespending()) return ModalStart::run;
  return takeanswer(loopname, kind, answer, cancellable);
}

}  // namespace kv
