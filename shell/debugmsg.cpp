#include "shell/debugmsg.h"

#include <string>
#include <string_view>

#include "platform/console/console.h"
#include "platform/process/process.h"
#include "platform/text/macroman.h"

namespace kv {

void KVDebugMsg(ConstStringPtr text) {
  if (text == nullptr) return;
  std::string line = macromantoutf8(std::string_view(reinterpret_cast<const char*>(text + 1), text[0]));
  line += '\n';
  writeconsole(line);
}

void KVBeep(i16) { SysBeep(1); }

}  // namespace kv
