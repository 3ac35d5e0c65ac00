// What a project window keeps in its window context and platform window: its tool, theme
// background, opacity, highlight colour, background editing, screen lock and largest
// rectangle (`propwind`); and the rich text of a field or text graphic (`proprtf`).
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/lookups.h"
#include "engine/objectutil.h"
#include "engine/scripterror.h"
#include "engine/scripterrors.h"
#include "engine/tokens.h"
#include "fields/rtfwriter.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/windows/windows.h"
#include "properties/getters.h"
#include "properties/propfront.h"
#include "properties/textrecords.h"
#include "shell/dialogutils.h"
#include "core/mainglobals.h"
#include "store/objects.h"

namespace kv {

namespace {

i16 themebackground(u16 code, fred* value) {
  if (code >= 256) {
    longtonewfred(i8(code >> 8), value);
    return 0;
  }
  static constexpr const char* kWords[] = {"default",        "documentWindow", "dialogWindow",
                                           "alertWindow",    "utilityWindow",  "finderWindow",
                                           "listBackground", "listSortColumn", "modelessDialogWindow"};
  return textonewfred(code < std::size(kWords) ? kWords[code] : "unknown", value);
}

// The word of a window context. `open` is false for a window named by reference that is not
// open.
i16 windowword(const desk& d, bool open, u16 token, fred* value) {
  const windrec w = d.wind != nilhandle ? loadat<windrec>(deref(d.wind)) : windrec{};
  if (token == tok::themebackground) return themebackground(w.themeback, value);
  if (token == tok::opacity) {
    longtonewfred(100 - i32(w.translucency), value);
    return 0;
  }
  if (!open) return err::nosuchwindow;
  switch (token) {
    case tok::editbackground: booltonewfred(d.backlayer != 0 ? 1 : 0, value); return 0;
    case tok::hilitecolor: longtonewfred(d.hilitecolor, value); return 0;
    case tok::lockscreen: {
      const CGrafPtr port = d.window != nilid ? GetWindowPort(d.window) : nilid;
      booltonewfred(port != nilid && GetPortPenVisibility(port) < 0 ? 1 : 0, value);
      return 0;
    }
    case tok::maximumrect: {
      Rect r{};
      GetMaxRect(d.window, &r);
      return rectonewfred(r, value);
    }
    case tok::tool: {
      Str255 name{};
      lowtooltotext(i16(d.tool), name);
      return stringtonewfred(name, value);
    }
    default: return err::cantunderstand;
  }
}

// The RTF of the whole text of a record, or the error dialog and an empty value.
i16 rtfvalue(WEReference we, fred* value) {
  Handle out = NewHandle(0);
  if (out == nilhandle) {
    showerrordialog(err::nomemory);
    return newfred(value, fredtemp, fredstring, 0);
  }
  if (RTFWriteHandleCrutch(0, WEGetTextLength(we), we, out, nullptr, 0) != noErr) {
    DisposeHandle(out);
    showerrordialog(err::badrtf);
    return newfred(value, fredtemp, fredstring, 0);
  }
  if (i16 st = newfred(value, fredtemp, fredstring, 0)) {
    DisposeHandle(out);
    return st;
  }
  givehandtofred(out, value);
  return 0;
}

i16 rtfof(const objread& obj, fred* value) {
  if (obj.kind != objpart) return newfred(value, fredtemp, fredstring, 0);
  const spot s = spotat(obj.objects, obj.objindex);
  if (s.kind == spotgraphic && s.style != styletext) return err::graphicnotext;
  if (s.kind != spotgraphic && s.kind != spotfield) return newfred(value, fredtemp, fredstring, 0);
  textholder held(obj, true);
  if (held.record() == nilid) return err::nomemory;
  return rtfvalue(held.record(), value);
}

// Hides drawing for a scope.
class hiddendrawing {
 public:
  hiddendrawing() { HidePen(); }
  ~hiddendrawing() { ShowPen(); }
  hiddendrawing(const hiddendrawing&) = delete;
  hiddendrawing& operator=(const hiddendrawing&) = delete;
};

}  // namespace

KV_GETTER(propwind) {
  propctx c{path, text, atoms, variables, locals};
  *count = 0;
  i32 i = at;
  const bool the = isthe(c, i);
  if (the) ++i;
  const u16 token = c.tok(i);
  objread obj{};
  i32 used = 0;
  i16 st = err::noof;
  if (c.tok(i + 1) == tok::in) st = resolvereference(c, i + 2, &used, &obj, false);
  if (st != 0) {
    // No object, or none that could be read: the current window, which needs `the`.
    *count = 2;
    if (!the) return err::nothe;
    return windowword(mainglobals().current, true, token, value);
  }
  *count = i + 2 + used - at;
  if (obj.kind != objwindow) {
    st = err::cantunderstand;
  } else {
    desk open{};
    const bool isopen = haswind(obj.d.store, obj.d.windnum, &open) && open.window != nilid;
    st = windowword(isopen ? open : obj.d, isopen, token, value);
  }
  writeobj(&obj);
  return st;
}

KV_GETTER(proprtf) {
  propctx c{path, text, atoms, variables, locals};
  hiddendrawing hidden;
  return objectgetter(c, at, count, [&](const objread& obj) { return rtfof(obj, value); });
}

}  // namespace kv
