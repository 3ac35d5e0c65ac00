#include "core/debugmsg.h"

#include <string>
#include <string_view>

#include "engine/fred.h"
#include "platform/console/console.h"
#include "platform/process/process.h"
#include "platform/text/macroman.h"
#include "shell/messagebox.h"

namespace kv {

void KVDebugMsg(ConstStringPtr text) {
  if (text == nullptr) return;
  std::string line = macromantoutf8(std::string_view(reinterpret_cast<const char*>(text + 1), text[0]));
  line += '\n';
  writeconsole(line);
  // The status line of the message box shows it too.
  fred value;
  if (stringtonewfred(text, &value) != 0) return;
  drawmessage(&value, 1);
  disposfred(&value);
}

void KVBeep(i16) { SysBeep(1); }

}  // namespace kv
