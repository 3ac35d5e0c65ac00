// A stand-in for closing windows and the open dialog until the project open and close routines
// exist. closewindow sends "quitKestrove" before the last window closes (a handler that exits
// to the top cancels), the closing messages (closefirst), then takes the window down and quits
// when it was the last; the hand-over to the companion editor joins later. openfile takes its
// project from an "answer file" answer (an empty one cancels, which ends the program); with
// nobody to answer, the demo project opens (shell/demo.h).
#include "shell/projectclose.h"

#include <string>

#include "engine/objectsend.h"
#include "engine/sendmes.h"
#include "platform/process/exit.h"
#include "platform/testing/answers.h"
#include "platform/text/macroman.h"
#include "shell/commandline.h"
#include "shell/demo.h"
#include "shell/mainglobals.h"
#include "shell/quit.h"
#include "shell/windnav.h"
#include "system/externalevents.h"

namespace kv {

i16 closewindow() {
  MainGlobals& g = mainglobals();
  if (g.numwinds == 1 && !g.reopeningwindow && !g.plugin) {
    if (cardsend("quitKestrove", sendnormal, g.current.window) == statusexittotop) return 0;
  }
  if (i16 st = closefirst()) return st;
  if (g.numwinds < 2 && !g.reopeningwindow) {
    sendxrtnevent(nilid, kXrtnQuit, nullptr);
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
