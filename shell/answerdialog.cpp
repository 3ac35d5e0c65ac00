// The answer command: one of up to three buttons (dialog 650), or a file, folder, volume or
// picture file from the choosers, put into `it`; and the forms externals and the engine call.
#include <algorithm>
#include <cstring>

#include "engine/expression.h"
#include "engine/keywords.h"
#include "engine/scripterrors.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "engine/variables.h"
#include "platform/dialogs/choosers.h"
#include "platform/files/files.h"
#include "platform/qd/qd.h"
#include "platform/runtime/root.h"
#include "platform/text/casefold.h"
#include "platform/text/macroman.h"
#include "platform/text/pstring.h"
#include "platform/windows/cursor.h"
#include "shell/customframe.h"
#include "shell/dialogs.h"
#include "shell/dialogutils.h"
#include "core/mainglobals.h"
#include "shell/scriptdialogparse.h"
#include "system/appleevents.h"

namespace kv {

namespace {

constexpr i16 kAnswerDialog = 650;

// The picture file types the picture chooser lists.
constexpr u32 kPictureTypes[] = {fourcc("qtif"), fourcc("PICT"), fourcc("PNGf"), fourcc("JPEG"), fourcc("TIFF"),
                                 fourcc("GIFf"), fourcc("BMPf"), fourcc("TPIC"), fourcc("8BPS"), fourcc("PNTG")};

// The chooser's browser list through the filter of listed types and extensions.
bool listedfilter(const ChooserEntry& e, void*) { return NavLaunchServicesFilterProc(e, 0); }

u32 typeoftext(ConstStringPtr s) {
  u8 t[4] = {' ', ' ', ' ', ' '};
  for (int k = 0; k < 4 && k < s[0]; ++k) t[k] = s[k + 1];
  return (u32(t[0]) << 24) | (u32(t[1]) << 16) | (u32(t[2]) << 8) | u32(t[3]);
}

i16 chooser(i16 mode, i16 h, i16 v, std::string* path) {
  ScriptDialogState& sd = scriptdialogs();
  ChooserRequest r;
  r.message = std::string(pstringview(sd.withbuffer));
  r.location = sd.defaultlocation;
  r.eventproc = naveventproc;
  r.cancellable = true;
  if (h >= 0 && v >= 0) {
    r.positioned = true;
    r.where = Point{i16(v - 130), i16(h - 211)};
  }
  static constexpr const char* kinds[] = {"", "answer file", "answer folder", "answer volume", "answer file"};
  r.answerkind = kinds[mode];
  r.loopname = std::string(kinds[mode]) + " " + macromantoutf8(r.message);
  switch (mode) {
    case answerfile:
      r.kind = ChooserKind::getfile;
      if (sd.extensioncount > 0 || sd.typcount > 0) r.filter = listedfilter;
      for (i16 k = 0; k < sd.typcount; ++k) r.types.push_back(typeoftext(sd.types[k]));
      break;
    case answerfolder: r.kind = ChooserKind::folder; break;
    case answervolume:
      r.kind = ChooserKind::volume;
      r.location.assign(1, '/');
      break;
    default:
      r.kind = ChooserKind::getfile;
      r.loopname = "answer picture " + macromantoutf8(r.message);
      r.types.assign(std::begin(kPictureTypes), std::end(kPictureTypes));
      break;
  }
  return runchooser(r, path) == noErr ? 1 : 0;
}

}  // namespace

void naveventproc(const EventRecord& event, void*) {
  // A request that comes while a file dialog is up is set aside; the main loop runs it once the
  // dialog has gone. The flag holds only while the request is handed over, so that the script
  // that asked for the dialog can send its own requests when it goes on.
  if (event.what == kHighLevelEvent) {
    aerequeststate().aepending = 1;
    doapplevent(event);
    aerequeststate().aepending = 0;
    return;
  }
  if (event.what == activateEvt) scriptdialogs().hideextension = 0;
  if (event.what == mouseUp) SetThemeCursor(kThemeArrowCursor);
}

void adjustanswer(DialogRef dialog) {
  GrafPtr old = nilid;
  GetPort(&old);
  SetPortWindowPort(dialog);
  struct Restore {
    GrafPtr port;
    ~Restore() { SetPort(port); }
  } restore{old};
  Rect box{};
  GetDialogItem(dialog, 4, nullptr, nullptr, &box);
  const i32 lines = getlines(dialogitemtext(dialog, 4), i16(box.right - box.left));
  if (lines < 2) return;
  const i16 by = i16(std::min<i32>((lines - 1) * 16, 208));
  growwindow(dialog, by);
  movebuttons(dialog, 3, by);
  movebox(dialog, 4, 0, by);
  resettext(dialog, 4);
}

i16 runanswer(i16 mode, i16 count, ConstStringPtr b1, ConstStringPtr b2, ConstStringPtr b3, i16 h, i16 v,
              std::string* path) {
  ScriptDialogState& sd = scriptdialogs();
  const bool nocancel = sd.nocancel != 0;
  const bool choosing = mode >= answerfile && mode <= answerpicture;
  if (choosing) sd.nocancel = 0;
  sd.hideextension = 0;
  notify(kInteractTimeout);
  SetThemeCursor(kThemeArrowCursor);
  GrafPtr port = nilid;
  GetPort(&port);
  if (choosing) {
    const i16 chosen = chooser(mode, h, v, path);
    SetPort(port);
    sd.nocancel = 0;
    return chosen;
  }
  DialogRef d = GetNewDialog(kAnswerDialog, kFirstWindowOfClass);
  if (d == nilid) {
    sd.nocancel = 0;
    return 1;
  }
  SetWindowClass(d, kMovableModalWindowClass);
  SetDialogItemText(d, 4, sd.withbuffer);
  adjustanswer(d);
  centredialog(d, h, v);
  std::string name = "answer " + macromantoutf8(pstringview(sd.withbuffer)) + " buttons:";
  ConstStringPtr titles[3] = {b1, b2, b3};
  for (i16 k = 0; k < count; ++k) name += " [" + macromantoutf8(pstringview(titles[k])) + "]";
  if (count >= 3) {
    SetDialogItemText(d, 1, b3);
    SetDialogItemText(d, 2, b2);
    SetDialogItemText(d, 3, b1);
  } else if (count == 2) {
    SetDialogItemText(d, 1, b2);
    SetDialogItemText(d, 2, b1);
    HideDialogItem(d, 3);
  } else if (count == 1) {
    SetDialogItemText(d, 1, b1);
    HideDialogItem(d, 2);
    HideDialogItem(d, 3);
  }
  if (count >= 2 && !nocancel) SetDialogCancelItem(d, 2);
  SetDialogDefaultItem(d, 1);
  SetWindowModality(d, kWindowModalityAppModal, nilid);
  myShowWindow(d);
  SelectWindow(d);
  DrawDialog(d);
  setdefault(d);
  answerdialog(d, name, "answer", false);
  i16 hit = 0;
  MovableModalDialog(d, PdialogRTstdialog, &hit);
  noteitemhit(d, "answer", hit);
  myHideWindow(d);
  DisposeDialog(d);
  SetPort(port);
  redrawifpenhidden();
  sd.nocancel = 0;
  return hit;
}

scriptstatus comanswer(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  if (refusedduringdrag()) return 0;
  ScriptDialogState& sd = scriptdialogs();
  sd.typcount = 0;
  sd.extensioncount = 0;
  sd.withbuffer[0] = 0;
  for (auto& t : sd.types) t[0] = 0;
  for (auto& e : sd.extensions) e[0] = 0;
  dialogparse p{path, text, atoms, variables, at + 1};
  i16 mode = answerbuttons;
  switch (p.tok()) {
    case tok::file: mode = answerfile; break;
    case tok::folder: mode = answerfolder; break;
    case tok::volume: mode = answervolume; break;
    case tok::pict: mode = answerpicture; break;
    default: break;
  }
  if (mode != answerbuttons) ++p.i;
  if (mode == answerpicture && p.tok() == tok::file) ++p.i;
  if (mode == answerbuttons && p.tok() == tok::program && !statementends(atoms, p.i + 1)) {
    if (mainglobals().plugin != 0) return 175;
    notify(kInteractTimeout);
    return answerprogramX(path, text, atoms, at, variables);
  }
  if (i16 st = p.expression(sd.withbuffer)) return st;
  Str255 buttons[3]{};
  i16 count = 0;
  for (int clause = 0; clause < 2; ++clause) {
    const u16 t = p.tok();
    if (t != tok::in && t != tok::with) break;
    if (t == tok::in && mode == answerbuttons) return 120;
    ++p.i;
    if (mode == answerbuttons) {
      while (count < 3) {
        if (i16 st = p.factor(buttons[count])) return st;
        ++count;
        if (count < 3 && (p.tok() == tok::or_ || p.tok() == tok::comma) && p.tok(1) != tok::in && p.tok(1) != tok::with)
          ++p.i;
        else break;
      }
    } else {
      const u16 word = p.tok();
      if (clause == 0 && t == tok::in && word != tok::type && word != tok::extension) return 121;
      ++p.i;
      const bool extensions = word == tok::extension;
      for (;;) {
        Str255 value{};
        if (i16 st = p.factor(value)) return st;
        if (extensions) {
          if (sd.extensioncount < 10) std::memcpy(sd.extensions[sd.extensioncount++], value, std::size_t(value[0]) + 1);
        } else if (sd.typcount < 3) {
          std::memcpy(sd.types[sd.typcount++], value, std::size_t(value[0]) + 1);
        }
        if ((p.tok() == tok::or_ || p.tok() == tok::comma) && p.tok(1) != tok::in && p.tok(1) != tok::with) ++p.i;
        else break;
      }
    }
    if (p.tok() == tok::or_ && (p.tok(1) == tok::in || p.tok(1) == tok::with)) ++p.i;
    else break;
  }
  i16 h = -1, v = -1;
  if (i16 st = p.placeandcancel(&h, &v)) return st;
  if (!p.ends()) {
    sd.nocancel = 0;
    return err::stray;
  }
  if (mode == answerbuttons && count == 0) {
    std::memcpy(buttons[0], upstrsrc(kOKText), std::size_t(upstrsrc(kOKText)[0]) + 1);
    count = 1;
  }
  unhilitecurrent();
  std::string chosen;
  const i16 hit = runanswer(mode, count, buttons[0], buttons[1], buttons[2], h, v, &chosen);
  rehilitecurrent();
  if (mode == answerbuttons) {
    sd.withbuffer[0] = 0;
    if (hit >= 1 && hit <= count) {
      const Str255& b = buttons[count - hit];
      std::memcpy(sd.withbuffer, b, std::size_t(b[0]) + 1);
    }
  } else if (hit == 1) {
    emptyresult();
    pstrassign(sd.withbuffer, sizeof sd.withbuffer, chosen.data(), std::min<std::size_t>(chosen.size(), 255));
  } else {
    sd.withbuffer[0] = 0;
    setresulttext(kResultCancel);
  }
  return stringtoit(sd.withbuffer, variables);
}

i16 xanswer(ConstStringPtr prompt, i16 count, ConstStringPtr b1, ConstStringPtr b2, ConstStringPtr b3) {
  ScriptDialogState& sd = scriptdialogs();
  count = std::clamp<i16>(count, 0, 3);
  sd.withbuffer[0] = 0;
  if (prompt != nullptr) std::memcpy(sd.withbuffer, prompt, std::size_t(prompt[0]) + 1);
  const ConstStringPtr given[3] = {b1, b2, b3};
  ConstStringPtr b[3] = {nullptr, nullptr, nullptr};
  Str255 none{};
  for (i16 k = 0; k < count; ++k) b[k] = given[k] != nullptr ? given[k] : none;
  if (count == 0) {
    b[0] = upstrsrc(kOKText);
    count = 1;
  }
  unhilitecurrent();
  std::string unused;
  const i16 hit = runanswer(answerbuttons, count, b[0], b[1], b[2], -1, -1, &unused);
  rehilitecurrent();
  // The dialog's item back to the button's number as the caller named them.
  return hit >= 1 && hit <= count ? i16(count - hit + 1) : 1;
}

i16 xanswerfile(ConstStringPtr prompt, ConstStringPtr type1, ConstStringPtr type2, ConstStringPtr type3,
                StringPtr path) {
  ScriptDialogState& sd = scriptdialogs();
  Str255 scratch{};
  if (path == nullptr) path = scratch;
  sd.withbuffer[0] = 0;
  if (prompt != nullptr) std::memcpy(sd.withbuffer, prompt, std::size_t(prompt[0]) + 1);
  sd.typcount = 0;
  sd.extensioncount = 0;
  for (ConstStringPtr t : {type1, type2, type3})
    if (t != nullptr && t[0] != 0) std::memcpy(sd.types[sd.typcount++], t, std::size_t(t[0]) + 1);
  unhilitecurrent();
  std::string chosen;
  const i16 ok = runanswer(answerfile, 0, nullptr, nullptr, nullptr, -1, -1, &chosen);
  rehilitecurrent();
  if (ok == 1 && chosen.size() <= 255) {
    pstrassign(path, 256, chosen.data(), chosen.size());
    return 1;
  }
  std::memcpy(path, resultstr(kResultCancel), std::size_t(resultstr(kResultCancel)[0]) + 1);
  return 0;
}

i16 xanswerfolder(ConstStringPtr prompt, StringPtr name, i16* volume, u32* directory) {
  ScriptDialogState& sd = scriptdialogs();
  if (name != nullptr) name[0] = 0;
  if (volume != nullptr) *volume = 0;
  if (directory != nullptr) *directory = 0;
  sd.withbuffer[0] = 0;
  if (prompt != nullptr) std::memcpy(sd.withbuffer, prompt, std::size_t(prompt[0]) + 1);
  unhilitecurrent();
  std::string chosen;
  const i16 ok = runanswer(answerfolder, 0, nullptr, nullptr, nullptr, -1, -1, &chosen);
  rehilitecurrent();
  if (ok != 1) return ok;
  // The folder as its place: its name within the folder that holds it (the top folder is its
  // own place).
  while (chosen.size() > 1 && chosen.back() == '/') chosen.pop_back();
  const std::size_t slash = chosen.rfind('/');
  const std::string parent = slash == 0 || slash == std::string::npos ? std::string("/") : chosen.substr(0, slash);
  const std::string leaf = slash == std::string::npos ? chosen : chosen.substr(slash + 1);
  u32 dirid = 0;
  if (leaf.size() > 255 || folderidofpath(parent, &dirid) != noErr) return 0;
  if (name != nullptr) pstrassign(name, 256, leaf.data(), leaf.size());
  if (volume != nullptr) *volume = kBootVolume;
  if (directory != nullptr) *directory = dirid;
  return 1;
}

i16 runopenfile(ConstStringPtr message, StringPtr file) {
  ScriptDialogState& sd = scriptdialogs();
  std::memcpy(sd.withbuffer, message, std::size_t(message[0]) + 1);
  sd.typcount = 0;
  sd.extensioncount = 0;
  std::string chosen;
  file[0] = 0;
  if (runanswer(answerfile, 0, nullptr, nullptr, nullptr, -1, -1, &chosen) != 1 || chosen.size() > 255) return 0;
  pstrassign(file, 256, chosen.data(), chosen.size());
  return 1;
}

}  // namespace kv
