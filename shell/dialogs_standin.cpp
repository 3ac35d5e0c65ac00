// The dialogs and alerts answered as headless modal loops are, until the dialog model runs
// them: the answers queue, then the unattended policy; each is in the transcript.
#include <algorithm>
#include <string>

#include "platform/resources/resources.h"
#include "platform/runtime/root.h"
#include "platform/testing/answers.h"
#include "platform/text/macroman.h"
#include "platform/text/pstring.h"
#include "shell/dialogs.h"

namespace kv {

namespace {

struct DialogTextsState {
  std::string params[4];  // ^0 to ^3, Mac Roman
};

std::string text(ConstStringPtr s) { return s == nullptr ? std::string() : macromantoutf8(pstringview(s)); }

// A message with the ParamText texts in place of ^0 to ^3.
std::string withparams(ConstStringPtr s) {
  const DialogTextsState& d = state<DialogTextsState>();
  std::string out;
  std::string_view in = pstringview(s);
  for (std::size_t i = 0; i < in.size(); ++i) {
    if (in[i] == '^' && i + 1 < in.size() && in[i + 1] >= '0' && in[i + 1] <= '3') {
      out += d.params[in[i + 1] - '0'];
      ++i;
    } else {
      out += in[i];
    }
  }
  return out;
}

}  // namespace

i16 runalert(ConstStringPtr title, ConstStringPtr message, i16, i16, i16 buttons, const ConstStringPtr* texts) {
  Answer a;
  if (beginmodal("alert " + text(title) + " " + text(message), "alert", &a) != ModalStart::answered) return 1;
  // Two buttons: the second text labels item 1, the first item 2.
  if (buttons >= 2 && a.text == pstringview(texts[0])) return 2;
  return 1;
}

i16 runask(ConstStringPtr prompt, ConstStringPtr defaulttext, StringPtr answer) {
  Answer a;
  answer[0] = 0;
  if (beginmodal("ask " + text(prompt), "ask", &a) == ModalStart::answered) {
    pstrassign(answer, 256, a.text.data(), a.text.size());
    return 1;
  }
  if (defaulttext == nullptr) return 2;
  pstrassign(answer, 256, defaulttext + 1, defaulttext[0]);
  return 1;
}

i16 xanswer(ConstStringPtr prompt, i16 count, const ConstStringPtr* titles) {
  count = std::clamp<i16>(count, 0, 3);
  std::string name = "answer " + text(prompt) + " buttons:";
  for (i16 i = 0; i < count; ++i) name += " [" + text(titles[i]) + "]";
  if (count == 0) name += " [OK]";
  Answer a;
  if (beginmodal(name, "answer", &a) != ModalStart::answered) return 1;
  for (i16 i = 0; i < count; ++i)
    if (a.text == pstringview(titles[i])) return i16(i + 1);
  return 1;
}

i16 runputfile(ConstStringPtr prompt, ConstStringPtr defaultname, i16 extension, StringPtr file) {
  static constexpr const char* options[] = {"", " (show extension)", " (hide extension)"};
  Answer a;
  std::string name = "ask file " + text(prompt) + " " + text(defaultname) + options[extension == 1 || extension == 2 ? extension : 0];
  file[0] = 0;
  if (beginmodal(name, "ask file", &a) != ModalStart::answered) {
    pstrassign(file, 256, defaultname + 1, defaultname[0]);
    return 1;
  }
  if (a.text.empty()) return 0;
  pstrassign(file, 256, a.text.data(), a.text.size());
  return 1;
}

i16 runopenfile(ConstStringPtr message, StringPtr file) {
  Answer a;
  file[0] = 0;
  if (beginmodal("answer file " + text(message), "answer file", &a) != ModalStart::answered) return 0;
  if (a.text.empty()) return 0;
  pstrassign(file, 256, a.text.data(), a.text.size());
  return 1;
}

void domessage(i16 list, i16 index, i16) {
  Str255 s;
  s[0] = 0;
  GetIndString(s, list, index);
  Answer a;
  beginmodal("message " + macromantoutf8(withparams(s)), "alert", &a);
}

void ParamText(ConstStringPtr p0, ConstStringPtr p1, ConstStringPtr p2, ConstStringPtr p3) {
  DialogTextsState& d = state<DialogTextsState>();
  ConstStringPtr p[4] = {p0, p1, p2, p3};
  for (int i = 0; i < 4; ++i) d.params[i] = p[i] == nullptr ? std::string() : std::string(pstringview(p[i]));
}

void getparamtext(i16 n, StringPtr out) {
  out[0] = 0;
  if (n < 0 || n > 3) return;
  const std::string& t = state<DialogTextsState>().params[n];
  pstrassign(out, 256, t.data(), t.size());
}

}  // namespace kv
