// Showing a message of the program's string lists through the answers queue and the
// transcript.
#include "shell/messagedialog.h"

#include <string>

#include "platform/resources/resources.h"
#include "platform/testing/answers.h"
#include "platform/text/macroman.h"
#include "platform/text/pstring.h"

namespace kv {

void showmessage(i16 list, i16 index, ConstStringPtr param) {
  Str255 s;
  s[0] = 0;
  GetIndString(s, list, index);
  std::string text(pstringview(s));
  std::string with = param != nullptr ? std::string(pstringview(param)) : std::string();
  for (std::size_t at = text.find("^0"); at != std::string::npos; at = text.find("^0", at + with.size())) {
    text.replace(at, 2, with);
  }
  // Every way the dialog can start ends with its one button: an answer, the default, or
  // (with a display) the dialog model's own loop once it runs them.
  beginmodal("message: " + macromantoutf8(text), "alert", nullptr);
}

}  // namespace kv
