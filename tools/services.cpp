// The service handlers: the types offered and accepted, copying the selection onto a service's
// scrap, and pasting from it.
#include "tools/services.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "engine/objectsend.h"
#include "platform/controls/controls.h"
#include "platform/dialogs/dialogs.h"
#include "platform/memory/memory.h"
#include "platform/qd/pictures.h"
#include "platform/te/te.h"
#include "platform/windows/windows.h"
#include "platform/qd/shapes.h"
#include "core/debugmsg.h"
#include "shell/eventqueue.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "textengine/werecord.h"
#include "tools/dragstate.h"
#include "tools/editcommands.h"
#include "tools/objectclipboard.h"
#include "tools/paint.h"
#include "tools/paintsession.h"
#include "tools/picturedrops.h"
#include "tools/textgraphic.h"

namespace kv {

namespace {

constexpr OSType kTEXT = fourcc("TEXT"), kPICT = fourcc("PICT"), kTIFF = fourcc("TIFF");

// Every handler runs between the shell's enter and exit of a platform event.
class CarbonEvent {
 public:
  CarbonEvent(EventHandlerCallRef call, EventRef event, u32 userdata) { enterCarbonEvent(call, event, userdata); }
  ~CarbonEvent() { exitCarbonEvent(); }
  CarbonEvent(const CarbonEvent&) = delete;
  CarbonEvent& operator=(const CarbonEvent&) = delete;
};

u16 tool() { return mainglobals().current.tool; }
bool browseortext() { return tool() == 100 || tool() == 101 || tool() == 605; }
bool pointertool() { return tool() == 600 || tool() == 601; }

bool messageboxshown() {
  const MainGlobals& g = mainglobals();
  return g.msgwindow != nilid && g.msgtext != nilid && IsWindowVisible(g.msgwindow);
}

bool nonempty(RegistryId we) {
  if (we == nilid) return false;
  i32 a = 0, b = 0;
  WEGetSelection(&a, &b, we);
  return a != b;
}

bool messageselection() {
  if (!messageboxshown()) return false;
  i32 a = 0, b = 0;
  TEGetSelection(mainglobals().msgtext, &a, &b);
  return a != b;
}

// A script dialog is being shown: the front window is a dialog.
bool dialogshown() { return isdialog(FrontWindow()); }

void addtype(EventRef event, u32 name, OSType type) {
  std::vector<OSType> types(64);
  u32 size = 0;
  if (GetEventParameter(event, name, typeCFMutableArrayRef, nullptr, u32(types.size() * 4), &size, types.data()) !=
      noErr)
    size = 0;
  types.resize(std::min<std::size_t>(size / 4, types.size()));
  types.push_back(type);
  SetEventParameter(event, name, typeCFMutableArrayRef, u32(types.size() * 4), types.data());
}

OSStatus scrapof(EventRef event, ScrapRef* scrap) {
  return GetEventParameter(event, kEventParamScrapRef, typeScrapRef, nullptr, sizeof *scrap, nullptr, scrap);
}

// The selected text of the text graphic, the field being edited or the message box, as a new
// handle (none when none of them has a selection).
Handle selectedtext() {
  const MainGlobals& g = mainglobals();
  for (RegistryId we : {g.graphrec, g.openfieldrec}) {
    if (!nonempty(we)) continue;
    i32 a = 0, b = 0;
    WEGetSelection(&a, &b, we);
    Handle h = NewHandle(0);
    if (h != nilhandle && WEStreamRange(a, b, kTEXT, 0, h, we) != noErr) {
      DisposeHandle(h);
      h = nilhandle;
    }
    return h;
  }
  if (!messageselection()) return nilhandle;
  i32 a = 0, b = 0;
  TEGetSelection(g.msgtext, &a, &b);
  const std::string_view text = tetext(g.msgtext);
  Handle h = nilhandle;
  if (a >= 0 && b <= i32(text.size())) PtrToHand(text.data() + a, &h, Size(b - a));
  return h;
}

// The scrap's text pasted where typing goes: true when it went in.
bool pastetext(ScrapRef scrap) {
  MainGlobals& g = mainglobals();
  Size size = 0;
  if (GetScrapFlavorSize(scrap, kTEXT, &size) != noErr || size <= 0) return false;
  Handle h = NewHandle(size);
  if (h == nilhandle) return false;
  bool done = false;
  if (GetScrapFlavorData(scrap, kTEXT, &size, deref(h)) == noErr && browseortext()) {
    if (g.graphrec != nilid) {
      WEDelete(g.graphrec);
      WEInsert(deref(h), size, nilhandle, nilhandle, g.graphrec);
      SetWERecDirtyFlag(g.graphrec, true);
      calgraphrect();
      done = true;
    } else if (g.openfieldrec == nilid) {
      if (messageboxshown()) {
        if (g.msginactive) {
          TESetSelect(0, 32767, g.msgtext);
          g.msginactive = 0;
        }
        TEInsert(deref(h), i32(size), g.msgtext);
        done = true;
      }
    } else if (!(spotat(g.openfieldspots, g.openfield).flags & kSpotLockText)) {
      g.fieldchanged = 1;
      SetWERecDirtyFlag(g.openfieldrec, true);
      WEInsert(deref(h), size, nilhandle, nilhandle, g.openfieldrec);
      SetWERecDirtyFlag(g.openfieldrec, true);
      done = true;
    }
  }
  DisposeHandle(h);
  return done;
}

}  // namespace

OSStatus PcopyRThandlegetservicetypesproc(EventHandlerCallRef call, EventRef event, u32 userdata) {
  CarbonEvent scope(call, event, userdata);
  if (dialogshown()) return noErr;
  const MainGlobals& g = mainglobals();
  const bool selection = nonempty(g.graphrec) || nonempty(g.openfieldrec) || messageselection();
  const bool text = g.graphrec != nilid || g.openfieldrec != nilid || messageboxshown() || pointertool();
  const bool pictures = pointertool() || g.openfieldrec != nilid;
  if (selection) addtype(event, kEventParamServiceCopyTypes, kTEXT);
  addtype(event, kEventParamServiceCopyTypes, kPICT);
  if (text) addtype(event, kEventParamServicePasteTypes, kTEXT);
  if (pictures) {
    addtype(event, kEventParamServicePasteTypes, kPICT);
    addtype(event, kEventParamServicePasteTypes, kTIFF);
  }
  return noErr;
}

OSStatus PcopyRThandleservicecopyproc(EventHandlerCallRef call, EventRef event, u32 userdata) {
  CarbonEvent scope(call, event, userdata);
  ScrapRef scrap = 0;
  OSStatus err = scrapof(event, &scrap);
  if (err == noErr) err = ClearScrap(&scrap);
  if (err != noErr) {
    KVBeep(1);
    return err;
  }
  if (Handle text = selectedtext(); text != nilhandle) {
    PutScrapFlavor(scrap, kTEXT, 0, GetHandleSize(text), deref(text));
    DisposeHandle(text);
    return noErr;
  }
  if (paintsession().index >= 0 && paintselection()) {
    servicescopybits(scrap);
    return noErr;
  }
  if (tool() < 600) {
    KVBeep(1);
    return noErr;
  }
  // The selected objects go to the object clipboard (emptied first, as copying does) and their
  // picture onto the service's scrap.
  killall();
  i16 done = 0;
  const i16 status = objectcopy(mainglobals().current, &done);
  ScrapRef current = 0;
  Size size = 0;
  if (status != 0 || !done || GetCurrentScrap(&current) != noErr ||
      GetScrapFlavorSize(current, kPICT, &size) != noErr) {
    KVBeep(1);
    return noErr;
  }
  std::vector<u8> bytes(std::size_t(std::max<Size>(size, 0)));
  if (GetScrapFlavorData(current, kPICT, &size, bytes.data()) == noErr)
    PutScrapFlavor(scrap, kPICT, 0, size, bytes.data());
  return noErr;
}

OSStatus PcopyRThandleservicepasteproc(EventHandlerCallRef call, EventRef event, u32 userdata) {
  CarbonEvent scope(call, event, userdata);
  MainGlobals& g = mainglobals();
  ScrapRef scrap = 0;
  const OSStatus err = scrapof(event, &scrap);
  if (err != noErr) return err;
  Size size = 0;
  // Text that nothing takes (a field with lockText, another tool) is dropped; the steps below
  // may still paste a picture, else the alert sound says nothing was pasted.
  if (GetScrapFlavorSize(scrap, kTEXT, &size) == noErr && size > 0 && pastetext(scrap)) return noErr;
  if (paintsession().index >= 0 && GetScrapFlavorSize(scrap, kPICT, &size) == noErr && size > 0) {
    servicespastebits(scrap);
    return noErr;
  }
  if (g.openfieldrec != nilid || pointertool()) {
    i16 pasted = 0;
    if (servicespictpaste(scrap, &pasted) == 0 && pasted) return noErr;
  }
  if (tool() >= 600) {
    i16 done = 0;
    objectpaste(&done);
    if (done) return noErr;
  }
  KVBeep(1);
  return err;
}

i16 servicespictpaste(ScrapRef scrap, i16* pasted) {
  MainGlobals& g = mainglobals();
  *pasted = 0;
  if (scrap == 0 && GetCurrentScrap(&scrap) != noErr) return 1;
  Size size = 0;
  OSType type = kPICT;
  if (GetScrapFlavorSize(scrap, kPICT, &size) != noErr || size <= 0) {
    type = kTIFF;
    if (GetScrapFlavorSize(scrap, kTIFF, &size) != noErr || size <= 0) return 1;
  }
  Handle h = NewHandle(size);
  if (h == nilhandle) return 0;
  if (GetScrapFlavorData(scrap, type, &size, deref(h)) != noErr) {
    DisposeHandle(h);
    KVBeep(1);
    return 0;
  }
  PicHandle pic = h;
  if (type == kTIFF) {
    const i16 status = tifftopict(h, &pic);
    DisposeHandle(h);
    if (status != 0) return status;
  }
  if (browseortext()) {
    const RegistryId we = g.openfieldrec;
    if (we != nilid && (spotat(g.openfieldspots, g.openfield).flags & spotallowobjects)) {
      g.pastespots = g.openfieldspots;
      g.pasteindex = g.openfield;
      g.pastewindow = g.openfieldwindow;
      // A TIFF is a picture by now: it goes in as one.
      const OSErr inserted = WEInsertObject(kPICT, pic, Point{0, 0}, we);
      g.pastespots = nilhandle;
      g.pasteindex = -1;
      g.pastewindow = nilid;
      if (inserted == noErr) {
        *pasted = 1;
        return 0;
      }
    }
    KillPicture(pic);
    KVBeep(1);
    return 0;
  }
  if (!pointertool()) {
    KillPicture(pic);
    return 0;
  }
  const desk d = g.current;
  // Centred in the visible card: the window's rectangle at 0,0 moved by the scroll bars.
  Rect view{0, 0, 0, 0};
  GetWindowPortBounds(d.window, &view);
  OffsetRect(&view, i16(-view.left), i16(-view.top));
  OffsetRect(&view, i16(d.hscroll ? GetControl32BitValue(d.hscroll) : 0),
             i16(d.vscroll ? GetControl32BitValue(d.vscroll) : 0));
  const Point centre{i16((view.top + view.bottom) / 2), i16((view.left + view.right) / 2)};
  i16 index = -1;
  if (!appendpicturegraphic(d, picturegraphicrect(pic, centre), pic, &index)) {
    KVBeep(1);
    return 1;
  }
  *pasted = 1;
  return spotsend(sendnormal, d.backlayer ? d.backspots : d.cardspots, index, "newGraphic", d.window);
}

void installservicehandlers() {
  const EventTypeSpec copy{kEventClassService, kEventServiceCopy}, paste{kEventClassService, kEventServicePaste},
      types{kEventClassService, kEventServiceGetTypes};
  InstallApplicationEventHandler(PcopyRThandleservicecopyproc, 1, &copy, 0, nullptr);
  InstallApplicationEventHandler(PcopyRThandleservicepasteproc, 1, &paste, 0, nullptr);
  InstallApplicationEventHandler(PcopyRThandlegetservicetypesproc, 1, &types, 0, nullptr);
}

}  // namespace kv
