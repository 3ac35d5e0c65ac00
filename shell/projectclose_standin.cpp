// A stand-in for closing windows and the open dialog until the project open and close routines
// exist. closewindow sends "quitKestrove" before the last window closes (a handler that exits
// to the top cancels), the closing messages (closefirst), then takes the window down and quits
// when it was the last, writing the hand-over to the companion editor (setuptran). openfile
// takes its project from an "answer file" answer (an empty one cancels, which ends the
// program); with nobody to answer, the demo project opens (shell/demo.h).
#include "shell/projectclose.h"

#include <string>
#include <vector>

#include "engine/objectsend.h"
#include "engine/sendmes.h"
#include "platform/files/files.h"
#include "platform/prefs/prefs.h"
#include "platform/process/exit.h"
#include "platform/testing/answers.h"
#include "platform/text/macroman.h"
#include "platform/time/datetime.h"
#include "shell/commandline.h"
#include "shell/demo.h"
#include "shell/mainglobals.h"
#include "shell/quit.h"
#include "shell/settings.h"
#include "shell/windnav.h"
#include "store/starfile.h"
#include "system/externalevents.h"

namespace kv {

void setuptran(i16 withcard) {
  const MainGlobals& g = mainglobals();
  if (g.fromeditor == 0 || currentsettings().standalone != 0) return;
  const desk& d = g.current;
  const projectstore* ps = findprojectstore(d.store);
  std::string path;
  if (ps == nullptr || fullpathof(ps->volume, ps->dirid, ps->filename, &path) != noErr || path.empty()) return;
  u32 now = 0;
  GetDateTime(&now);
  setpreference(kEditorDomain, "trantime", PrefValue::ofnumber(now));
  setpreference(kEditorDomain, "tranwind", PrefValue::ofnumber(withcard != 0 ? i64(d.windnum) : 0));
  setpreference(kEditorDomain, "trancard", PrefValue::ofnumber(withcard != 0 ? i64(d.cardnum) : 0));
  setpreference(kEditorDomain, "tranfile", PrefValue::ofdata(std::vector<u8>(path.begin(), path.end())));
  synchronizepreferences(kEditorDomain);
}

i16 closewindow() {
  MainGlobals& g = mainglobals();
  if (g.numwinds == 1 && !g.reopeningwindow && !g.plugin) {
    if (cardsend("quitKestrove", sendnormal, g.current.window) == statusexittotop) return 0;
  }
  if (i16 st = closefirst()) return st;
  if (g.numwinds < 2 && !g.reopeningwindow) {
    sendxrtnevent(nilid, kXrtnQuit, nullptr);
    setuptran(0);
    dumpcurrent();
    quitfile();
  }
  dumpcurrent();
  return 0;
}

i16 openfile() {
  Answer a;
  ModalStart start = beginmodal("open dialog", "answer file", &a);
  if (start == ModalStart::answered && !a.text.empty()) return openprojectpath(macromantoutf8(a.text));
  // Nobody is there to choose (or the dialog cannot show yet): the demo project opens.
  if (start != ModalStart::answered) return opendemo();
  dumpglobs(1);
  exitprocess(kExitOK, "no project was chosen to open");
}

}  // namespace kv
