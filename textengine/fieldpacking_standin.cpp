// A stand-in for the packing of text records until the engine's streams are built: every
// record is packed into the stored text's runs, characters and tail, so attributes beyond the
// font, face, size and colour of a run and the alignment of the first paragraph are not kept.
#include "textengine/fieldpacking.h"

#include <cstring>
#include <vector>

#include "platform/memory/memory.h"
#include "store/fieldtext.h"
#include "textengine/fieldstorage.h"

namespace kv {

OSErr wepacktext(Handle stored, Handle*, WEReference we, bool) {
  if (stored == nilhandle) return nilHandleErr;
  if (!isvalidwerec(we)) return paramErr;
  fieldtail tail = GetHandleSize(stored) > 0 ? fieldtextail(deref(stored), GetHandleSize(stored)) : defaultfieldtail();
  const i32 length = WEGetTextLength(we);
  std::vector<stylerun> runs;
  for (i32 i = 0, n = WECountRuns(we); i < n && runs.size() < 32767; ++i) {
    WERunInfo info{};
    WEGetIndRunInfo(i, &info, we);
    if (info.runStart >= length && !runs.empty()) break;
    stylerun run{};
    run.start = info.runStart;
    run.height = i16(info.runHeight);
    run.ascent = i16(info.runAscent);
    run.font = info.font;
    run.face = info.face;
    run.size = info.size;
    run.color = info.color;
    runs.push_back(run);
  }
  if (WECountParaRuns(we) > 0) {
    WEParaInfo para{};
    WEGetIndParaInfo(0, &para, we);
    tail.just = para.ruler.alignment;
  }
  Handle text = WEGetText(we);
  std::vector<u8> chars(static_cast<std::size_t>(length));
  if (length > 0) std::memcpy(chars.data(), deref(text), std::size_t(length));
  const OSErr err = setfieldtext(stored, runs.data(), u16(runs.size()), chars.data(), length, tail);
  if (err == noErr) SetWERecDirtyFlag(we, false);
  return err;
}

OSErr wenewpacktext(spot& field, WEReference we) {
  if (field.data == nilhandle) {
    Handle h = NewHandle(0);
    if (h == nilhandle) return MemError();
    if (OSErr err = setemptyfieldtext(h, defaultfieldtail())) {
      DisposeHandle(h);
      return err;
    }
    field.data = h;
  }
  Handle uprops = field.uprops;
  const OSErr err = wepacktext(field.data, &uprops, we, true);
  field.uprops = uprops;
  return err;
}

OSErr wenewunpacktext(const spot& field, WEReference we) { return weunpacktext(field.data, field.uprops, we); }

}  // namespace kv
