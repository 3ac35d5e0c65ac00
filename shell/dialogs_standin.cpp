// Headless answers for the dialogs and alerts, and their transcript, until the window and
// dialog model runs them through its modal loops.
#include <deque>
#include <string>

#include "platform/resources/resources.h"
#include "platform/runtime/root.h"
#include "platform/text/pstring.h"
#include "shell/dialogs.h"

namespace kv {

namespace {

struct DialogState {
  std::deque<std::pair<std::string, std::string>> answers;
  std::vector<std::string> transcript;
};

DialogState& dialogs() { return state<DialogState>(); }

std::string text(ConstStringPtr s) { return s == nullptr ? std::string() : std::string(pstringview(s)); }

// The next queued answer of the kind, taken off the queue; false when none is queued.
bool takeanswer(std::string_view kind, std::string* out) {
  DialogState& d = dialogs();
  if (d.answers.empty() || d.answers.front().first != kind) return false;
  *out = d.answers.front().second;
  d.answers.pop_front();
  return true;
}

}  // namespace

i16 runalert(ConstStringPtr title, ConstStringPtr message, i16, i16, i16 buttons, const ConstStringPtr* texts) {
  dialogs().transcript.push_back("alert: " + text(title) + " " + text(message));
  std::string answer;
  if (!takeanswer("alert", &answer) || buttons < 2) return 1;
  // Two buttons: the second text labels item 1, the first item 2.
  if (answer == text(texts[0])) return 2;
  return 1;
}

i16 runask(ConstStringPtr prompt, ConstStringPtr defaulttext, StringPtr answer) {
  dialogs().transcript.push_back("ask: " + text(prompt));
  std::string given;
  if (takeanswer("ask", &given)) {
    pstrassign(answer, 256, given.data(), given.size());
    return 1;
  }
  answer[0] = 0;
  if (defaulttext == nullptr) return 2;
  pstrassign(answer, 256, defaulttext + 1, defaulttext[0]);
  return 1;
}

void domessage(i16 list, i16 index, i16) {
  Str255 s;
  s[0] = 0;
  GetIndString(s, list, index);
  dialogs().transcript.push_back("message: " + text(s));
}

void queuedialoganswer(std::string_view kind, std::string_view answer) {
  dialogs().answers.emplace_back(std::string(kind), std::string(answer));
}

const std::vector<std::string>& dialogtranscript() { return dialogs().transcript; }

void cleardialogtranscript() { dialogs().transcript.clear(); }

}  // namespace kv
