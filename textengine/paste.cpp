// Cut and paste: the clipboard's flavours read into the selection (the engine's own styled
// flavours first, Unicode when preferred, objects where the field allows them, text without
// its indentation), and cutting the selection onto the clipboard.
#include <algorithm>
#include <cstring>
#include <vector>

#include "fields/fieldview.h"
#include "fields/rtfreader.h"
#include "platform/runtime/root.h"
#include "platform/scrap/scrap.h"
#include "core/debugmsg.h"
#include "core/mainglobals.h"
#include "textengine/weinternal.h"

namespace kv {

namespace {

constexpr u8 kReturn = 13;
constexpr OSErr weNoTypeErr = -102;  // the clipboard has nothing usable
constexpr u32 kPutIntelligent = 0x1, kPutByteOrderMark = 0x200;
constexpr u32 kUnicodeEncoding = 0x100;

struct PasteState {
  u16 preferUnicode = 0;  // PreferUTXTFlag
};

bool readonly(const WERec& r) { return (r.features & (1u << weFReadOnly)) != 0; }
bool feature(const WERec& r, i16 f) { return (r.features & (1u << f)) != 0; }

// The action a paste or cut made: the top undo action (the first child in an open group),
// when it is not the one that was there before.
Handle workingaction(WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr || r->undoStack == nilhandle) return nilhandle;
  const WEAction a = weelement<WEAction>(r->undoStack, 0);
  return (a.flags & weActionCompound) ? a.savedText : r->undoStack;
}
void setkindifnew(Handle before, i16 kind, WEReference we) {
  const Handle h = workingaction(we);
  if (h == nilhandle || h == before || !IsValidHandle(h)) return;
  WEAction a = weelement<WEAction>(h, 0);
  a.kind = kind;
  setweelement(h, 0, a);
}

// The handles of collected flavours, freed on every path.
struct Flavors {
  std::vector<OSType> types;
  std::vector<Handle> handles;
  ~Flavors() {
    for (Handle h : handles)
      if (IsValidHandle(h)) DisposeHandle(h);
  }
};

OSErr putscraptext(OSType type, u32 encoding, u32 options, const Flavors& flavors, WEReference we) {
  Handle text = nilhandle;
  if (OSErr err = _WEGetScrapHandle(type, 0, &text)) return err;
  const OSErr err = WEPut(-1, -1, deref(text), GetHandleSize(text), encoding, options, i32(flavors.types.size()),
                          flavors.types.data(), flavors.handles.data(), we);
  DisposeHandle(text);
  return err;
}

// Leading white space of a line: the standard classification's spaces and the non-breaking
// space.
bool blank(u8 c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == 0xCA; }

// The text with each line's leading white space dropped (lines end at returns, which stay).
// False, with the text unchanged, when memory runs out.
bool dropindentation(Handle text) {
  const i32 n = GetHandleSize(text);
  Handle out = nilhandle;
  if (_WEAllocate(n, 0, &out) != noErr) return false;
  const u8* in = deref(text);
  u8* o = deref(out);
  i32 w = 0;
  bool linestart = true;
  for (i32 i = 0; i < n; ++i) {
    const u8 c = in[i];
    if (linestart && blank(c)) continue;
    linestart = c == kReturn;
    o[w++] = c;
  }
  SetHandleSize(out, w);
  SetHandleSize(text, w);
  if (MemError() != noErr) {
    DisposeHandle(out);
    return false;
  }
  if (w > 0) std::memcpy(deref(text), deref(out), std::size_t(w));
  DisposeHandle(out);
  return true;
}

// Outside quoted strings, tabs, line feeds, non-breaking spaces and NUL bytes become spaces.
void quotedspaces(Handle text) {
  u8* p = deref(text);
  bool quoted = false;
  for (i32 i = 0, n = GetHandleSize(text); i < n; ++i) {
    if (p[i] == '"') quoted = !quoted;
    else if (!quoted && (p[i] == '\t' || p[i] == '\n' || p[i] == 0xCA || p[i] == 0)) p[i] = ' ';
  }
}

}  // namespace

const WEPasteLookupRow __wePasteLookupTable[] = {
    {fourcc("WEcf"), 1, 2}, {fourcc("WEst"), 4, 2}, {fourcc("styl"), 3, 4}, {fourcc("FISH"), 4, 4},
    {fourcc("WEpf"), 5, 6}, {fourcc("WEru"), 6, 6}, {fourcc("SOUP"), 7, 7}, {0, 0, 0},
};

bool _WEHasScrapFlavor(OSType type) {
  ScrapRef scrap = 0;
  u32 flags = 0;
  return GetCurrentScrap(&scrap) == noErr && GetScrapFlavorFlags(scrap, type, &flags) == noErr;
}

OSErr _WEGetScrapHandle(OSType type, i16 allocation, Handle* out) {
  if (out == nullptr) return paramErr;
  *out = nilhandle;
  ScrapRef scrap = 0;
  if (OSStatus err = GetCurrentScrap(&scrap)) return OSErr(err);
  Size size = 0;
  if (OSStatus err = GetScrapFlavorSize(scrap, type, &size)) return OSErr(err);
  Handle h = nilhandle;
  if (OSErr err = _WEAllocate(size, allocation, &h)) return err;
  Size got = size;
  if (OSStatus err = GetScrapFlavorData(scrap, type, &got, size > 0 ? deref(h) : nullptr)) {
    DisposeHandle(h);
    return OSErr(err);
  }
  if (got != size) SetHandleSize(h, got);
  *out = h;
  return noErr;
}

bool inquote(Handle text, i32 offset) {
  if (!IsValidHandle(text)) return false;
  const i32 n = std::min(offset, i32(GetHandleSize(text)));
  const u8* p = deref(text);
  i32 quotes = 0;
  for (i32 i = 0; i < n; ++i) quotes += p[i] == '"';
  return (quotes & 1) != 0;
}

void WESetPreferUTXTFlag(u16 prefer) { state<PasteState>().preferUnicode = prefer; }

bool WECanPaste(WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr || readonly(*r)) return false;
  if (_WEHasScrapFlavor(fourcc("TEXT")) || _WEHasScrapFlavor(fourcc("utxt"))) return true;
  if (!GetAllowObjectsFlag(we)) return false;
  OSType kind = 0;
  for (i32 i = 0; _WEGetIndObjectType(i, &kind, we) == noErr; ++i)
    if (_WEHasScrapFlavor(kind)) return true;
  return false;
}

OSErr WEPaste(WEReference we) {
  // The preference holds for this paste only, whatever becomes of it.
  const u16 prefer = state<PasteState>().preferUnicode;
  state<PasteState>().preferUnicode = 0;
  const WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (readonly(*r)) return weReadOnlyErr;
  const bool styled = mainglobals().styledpaste != 0;
  const Handle before = workingaction(we);
  const u32 intelligent = feature(*r, weFIntCutAndPaste) ? kPutIntelligent : 0;
  Flavors none;
  OSErr err = weNoTypeErr;
  Handle rtf = nilhandle;
  if (styled && _WEHasScrapFlavor(fourcc("RTF ")) && _WEGetScrapHandle(fourcc("RTF "), 0, &rtf) == noErr) {
    i32 start = 0, end = 0;
    WEGetSelection(&start, &end, we);
    const int32_t read = RTFReadHandleCrutch(start, end, we, rtf);
    DisposeHandle(rtf);
    WEUpdate(nilhandle, we);
    // The reader's own codes do not fit a platform result: they paste as a general failure.
    err = read >= -32768 && read <= 32767 ? OSErr(read) : OSErr(-1);
  } else if (prefer && _WEHasScrapFlavor(fourcc("utxt"))) {
    err = putscraptext(fourcc("utxt"), kUnicodeEncoding, kPutByteOrderMark | intelligent, none, we);
  } else if (_WEHasScrapFlavor(fourcc("TEXT"))) {
    Flavors flavors;
    if (styled && !feature(*r, weFMonoStyled)) {
      for (i32 row = 0; __wePasteLookupTable[row].type != 0;) {
        const WEPasteLookupRow& e = __wePasteLookupTable[row];
        Handle h = nilhandle;
        if (_WEHasScrapFlavor(e.type) && _WEGetScrapHandle(e.type, 0, &h) == noErr) {
          flavors.types.push_back(e.type);
          flavors.handles.push_back(h);
          row = e.found;
        } else {
          row = e.missing;
        }
      }
    }
    err = putscraptext(fourcc("TEXT"), kTextEncodingWEText, intelligent, flavors, we);
  } else if (_WEHasScrapFlavor(fourcc("utxt"))) {
    err = putscraptext(fourcc("utxt"), kUnicodeEncoding, kPutByteOrderMark | intelligent, none, we);
  } else if (GetAllowObjectsFlag(we)) {
    OSType kind = 0;
    for (i32 i = 0; _WEGetIndObjectType(i, &kind, we) == noErr; ++i) {
      if (!_WEHasScrapFlavor(kind)) continue;
      Handle data = nilhandle;
      if ((err = _WEGetScrapHandle(kind, 0, &data)) != noErr) break;
      if ((err = WEInsertObject(kind, data, Point{0, 0}, we)) != noErr) DisposeHandle(data);
      break;
    }
  }
  if (err == noErr) setkindifnew(before, weAKPaste, we);
  return err;
}

OSErr WECut(WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (readonly(*r)) return weReadOnlyErr;
  if (OSErr err = WECopy(we)) return err;
  const Handle before = workingaction(we);
  const OSErr err = WEDelete(we);
  if (err == noErr) setkindifnew(before, weAKCut, we);
  return err;
}

OSErr WEPasteTextMinusIndenting(WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (readonly(*r)) return weReadOnlyErr;
  Handle text = nilhandle;
  if (OSErr err = _WEGetScrapHandle(fourcc("TEXT"), 0, &text)) return err;
  // Inside a quoted string the text goes in as it is; elsewhere without its indentation.
  if (!inquote(WEGetText(we), r->selStart) && !dropindentation(text)) KVBeep(1);
  quotedspaces(text);
  const Handle before = workingaction(we);
  const u32 intelligent = feature(*r, weFIntCutAndPaste) ? kPutIntelligent : 0;
  const OSErr err = WEPut(-1, -1, deref(text), GetHandleSize(text), kTextEncodingWEText, intelligent, 0, nullptr,
                          nullptr, we);
  DisposeHandle(text);
  if (err == noErr) setkindifnew(before, weAKPaste, we);
  return err;
}

}  // namespace kv
