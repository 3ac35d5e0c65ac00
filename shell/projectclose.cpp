// Closing project windows (the last one quits, handing over to the companion editor when it
// started the program), asking for a project to open, and opening one by its place.
#include "shell/projectclose.h"

#include <cstring>
#include <string>
#include <vector>

#include "engine/objectsend.h"
#include "engine/sendmes.h"
#include "platform/dialogs/choosers.h"
#include "platform/files/files.h"
#include "platform/prefs/prefs.h"
#include "platform/process/exit.h"
#include "platform/resources/resources.h"
#include "platform/testing/answers.h"
#include "platform/text/macroman.h"
#include "platform/testing/transcript.h"
#include "platform/text/pstring.h"
#include "platform/time/datetime.h"
#include "shell/commandline.h"
#include "shell/demo.h"
#include "core/dialogs.h"
#include "core/mainglobals.h"
#include "shell/quit.h"
#include "core/settings.h"
#include "shell/windnav.h"
#include "store/starfile.h"
#include "system/externalevents.h"
#include "system/proctable.h"

namespace kv {

namespace {
constexpr i16 kFolderTexts = 1001, kLookedFor = 18;
constexpr u32 kPluginType = fourcc("MDPx");  // a project plug-in
}  // namespace

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
  const std::string alias = macromantoutf8(path);
  setpreference(kEditorDomain, "tranfile", PrefValue::ofdata(std::vector<u8>(alias.begin(), alias.end())));
  synchronizepreferences(kEditorDomain);
}

i16 closewindow() {
  MainGlobals& g = mainglobals();
  ++g.layerchanges;
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
  Str255 lookedfor{};
  GetIndString(lookedfor, kFolderTexts, kLookedFor);
  const std::string prompt = "Where is " + std::string(pstringview(lookedfor)) + "?";
  // Nobody is there to choose: the demo project opens (a person at a display starts with it
  // too; the open dialog is for a chooser's answer that waits).
  if (!answerwaiting("answer file", true)) {
    transcriptadd(TranscriptKind::dialog, "open dialog: " + macromantoutf8(prompt));
    return opendemo();
  }
  // The open dialog lists projects and project plug-ins, from the folder the script dialogs
  // last used.
  ChooserRequest r;
  r.kind = ChooserKind::getfile;
  r.message = prompt;
  r.types = {kProjectType, kPluginType};
  r.location = scriptdialogs().defaultlocation;
  r.eventproc = getproc<292>();  // the choosers' event procedure
  r.loopname = "open dialog: " + macromantoutf8(prompt);
  r.answerkind = "answer file";
  std::string path;
  if (runchooser(r, &path) == noErr && !path.empty()) return openprojectpath(macromantoutf8(path));
  dumpglobs(1);
  exitprocess(kExitOK, "no project was chosen to open");
}

i16 lowopen(ConstStringPtr name, i16 volume, u32 folder, u16 mode) {
  form f{};
  f.wind.selector = selnumber;
  f.wind.value = 1;
  // The project part by its place: the volume (the boot volume for "the default one"), the
  // folder and the file name, whatever the length of its path.
  f.proj.selector = u16(volume == 0 ? kBootVolume : volume);
  f.proj.dirid = folder;
  std::memcpy(f.proj.name, name, size_t(name[0]) + 1);
  i16 st = openwindow(f, 0, mode);
  return st == kCardChanged ? i16(0) : st;
}

}  // namespace kv
