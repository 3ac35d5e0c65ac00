// `rtfMerge`: RTF documents (files or RTFD packages) joined into one styled text, a data item
// after each, delivered as an RTF or RTFD file, as RTF in a variable or into a styled field.
#include <algorithm>
#include <string>
#include <vector>

#include "commands/commands.h"
#include "engine/container.h"
#include "engine/containerutil.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/numbertext.h"
#include "engine/scripterrors.h"
#include "engine/tokens.h"
#include "fields/fieldview.h"
#include "render/carddrawing.h"
#include "fields/rtfreader.h"
#include "fields/rtfwriter.h"
#include "media/export.h"
#include "media/imagefiles.h"
#include "platform/files/files.h"
#include "platform/resources/resources.h"
#include "platform/text/pstring.h"
#include "platform/windows/cursor.h"
#include "properties/fieldrtf.h"
#include "properties/propfront.h"
#include "render/drawservices.h"
#include "shell/fieldputting.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "store/objread.h"
#include "store/objectref.h"

namespace kv {

namespace {

// An expression's text.
scriptstatus textof(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* used, std::string* out) {
  fred v{};
  if (i16 st = expression(path, text, atoms, at, variables, nilhandle, used, &v)) return st;
  if (v.type == fredhand && v.text != nilhandle) {
    out->assign(reinterpret_cast<const char*>(deref(v.text)), std::size_t(GetHandleSize(v.text)));
  } else {
    Str255 s{};
    fredtostring(&v, s);
    out->assign(pstringview(s));
  }
  disposfred(&v);
  return 0;
}

// A document path as a full path: itself, else in the folder files are written to, else in the
// current project's folder; empty when none names an item.
std::string resolvedocument(const std::string& name) {
  std::vector<u32> folders{0};
  if (name.empty() || name[0] != '/') folders = {defaultwritefolder(), 0};
  Str255 pname{};
  if (name.size() > 255) return {};
  setpstring(pname, name);
  for (const u32 folder : folders) {
    CatInfo info{};
    std::string full;
    if (HGetCatInfo(kBootVolume, folder, pname, &info) == noErr &&
        fullpathof(kBootVolume, folder, pname, &full) == noErr)
      return full;
  }
  return {};
}

// The merge's text record, its screen lock and the field the merged text goes to (the paste
// target of the global state, cleared for the run), given back on every path.
struct merge {
  WEReference we = nilid;
  bool locked = false;
  Handle spots;
  i32 index;
  RegistryId window;
  merge() {
    MainGlobals& g = mainglobals();
    spots = g.pastespots;
    index = g.pasteindex;
    window = g.pastewindow;
    g.pastespots = nilhandle;
    g.pasteindex = 0;
    g.pastewindow = nilid;
  }
  ~merge() {
    if (we != nilid) WEDispose(we);
    if (locked) unlockscreen();
    MainGlobals& g = mainglobals();
    g.pastespots = spots;
    g.pasteindex = index;
    g.pastewindow = window;
  }
  merge(const merge&) = delete;
  merge& operator=(const merge&) = delete;
};

// Reads one document at the end of the record: 0, 37 or 191 (186 when it cannot be opened).
i16 readdocument(WEReference we, const std::string& path) {
  Str255 name{};
  CatInfo info{};
  setpstring(name, path);
  if (HGetCatInfo(kBootVolume, 0, name, &info) != noErr) return err::nodocument;
  std::string file = path;
  const bool package = info.folder;
  if (package) file += "/TXT.rtf";
  if (file.size() > 255) return err::nodocument;
  setpstring(name, file);
  FileRef ref = nilid;
  if (HOpen(kBootVolume, 0, name, fsRdPerm, &ref) != noErr) return err::nodocument;
  const i32 end = WEGetTextLength(we);
  const int32_t st = RTFReadFileCrutch(end, end, we, ref, package ? &path : nullptr);
  FSClose(ref);
  if (st == 0) return 0;
  return st == -108 || st == -117 ? i16(err::nomemory) : err::badrtf;
}

}  // namespace

scriptstatus comRTFmerge(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  if (!mainglobals().lockCursor) SetThemeCursor(kThemeWatchCursor);
  i32 used = 0;
  std::string list;
  if (i16 st = textof(path, text, atoms, at + 1, variables, &used, &list)) return st;
  i32 i = at + 1 + used;
  std::string data, title, outname;
  bool hasdata = false, hastitle = false, into = false, to = false;
  OSType kind = fourcc("RTF ");
  chunkpart dest{};
  struct release {
    chunkpart* d;
    bool* held;
    ~release() {
      if (*held) releasecontainer(d);
    }
  } keep{&dest, &into};
  while (!statementends(atoms, i)) {
    const u16 word = tokenat(atoms, i);
    if (word == tok::using_) {
      if (i16 st = textof(path, text, atoms, i + 1, variables, &used, &data)) return st;
      hasdata = true;
    } else if (word == tok::title) {
      if (i16 st = textof(path, text, atoms, i + 1, variables, &used, &title)) return st;
      hastitle = true;
    } else if (word == tok::into && !into) {
      if (i16 st = destination(path, text, atoms, i + 1, variables, nilhandle, &used, &dest, 1, 0)) return st;
      into = true;
    } else if (word == tok::to) {
      i32 j = i + 1;
      if (tokenat(atoms, j) != tok::file) {
        i32 n = 0;
        const u16 k = getoken(path, text, atoms, j, variables, nilhandle, &n);
        if (n == 0) n = 1;
        // A kind word is one that "file" follows; without "file" the name is missing it.
        if (tokenat(atoms, j + n) != tok::file) return err::nofile;
        if (k != tok::rtf && k != tok::rtfd) return err::cantunderstand;
        kind = k == tok::rtfd ? fourcc("RTFD") : fourcc("RTF ");
        j += n;
      }
      if (tokenat(atoms, j) != tok::file) return err::nofile;
      if (i16 st = textof(path, text, atoms, j + 1, variables, &used, &outname)) return st;
      used += j - i;
      to = true;
    } else {
      return err::stray;
    }
    i += 1 + used;
  }
  if (!into && !to) return err::notoorof;

  // The documents, one a line; empty lines are skipped.
  std::vector<std::string> documents;
  for (std::size_t from = 0; from <= list.size();) {
    std::size_t cr = list.find('\r', from);
    if (cr == std::string::npos) cr = list.size();
    if (cr > from) {
      const std::string full = resolvedocument(list.substr(from, cr - from));
      if (full.empty()) return err::nodocument;
      documents.push_back(full);
    }
    from = cr + 1;
  }
  // The data items, split at the item delimiter.
  std::vector<std::string> items;
  if (hasdata) {
    const char delimiter = char(mainglobals().itemDelimiter);
    for (std::size_t from = 0;;) {
      const std::size_t d = data.find(delimiter, from);
      items.push_back(data.substr(from, d == std::string::npos ? std::string::npos : d - from));
      if (d == std::string::npos) break;
      from = d + 1;
    }
  }

  merge m;
  const LongRect frame{0, 0, 32767, 32767};
  if (WENew(&frame, &frame, 0, &m.we) != noErr) return err::nomemory;
  WEFeatureFlag(weFUndo, 0, m.we);
  m.locked = lockscreen() != 0;
  SetAllowObjectsFlag(m.we, 1);
  if (WEInstallObjectHandlers(m.we) != noErr) return err::nomemory;
  for (std::size_t k = 0; k < documents.size(); ++k) {
    if (i16 st = readdocument(m.we, documents[k])) return st;
    if (!items.empty()) {
      // When the items run out, the last one is inserted after every further document.
      const std::string& item = items[std::min(k, items.size() - 1)];
      const i32 end = WEGetTextLength(m.we);
      if (WEPut(end, end, item.data(), i32(item.size()), kTextEncodingWEText, 0, 0, nullptr, nullptr, m.we) != noErr)
        return err::nomemory;
    }
  }
  // Text made elsewhere comes out with returns.
  const Handle chars = WEGetText(m.we);
  std::replace(deref(chars), deref(chars) + GetHandleSize(chars), u8(10), u8(13));

  // The title, escaped as text, between the two texts of list 1014.
  std::string footer;
  if (hastitle) {
    Str255 open{}, close{};
    GetIndString(open, 1014, 1);
    GetIndString(close, 1014, 2);
    Handle escaped = NewHandle(0);
    if (escaped == nilhandle) return err::nomemory;
    bool written = true;
    try {
      RTFHandleOutputStream out(escaped);
      RTFWriter::WriteText(out, reinterpret_cast<const unsigned char*>(title.data()), u32(title.size()));
    } catch (...) {
      written = false;
    }
    if (written) {
      footer = std::string(pstringview(open)) +
               std::string(reinterpret_cast<const char*>(deref(escaped)), std::size_t(GetHandleSize(escaped))) +
               std::string(pstringview(close));
    }
    DisposeHandle(escaped);
    if (!written) return err::nomemory;
  }
  const char* extra = hastitle ? footer.c_str() : nullptr;
  if (to) {
    Str255 name{};
    if (outname.empty() || outname.size() > 255) return err::nodocument;
    setpstring(name, outname);
    return wewritefiletopath(m.we, name, kind, extra);
  }
  Handle rtf = NewHandle(0);
  if (rtf == nilhandle) return err::nomemory;
  if (RTFWriteHandleCrutch(0, WEGetTextLength(m.we), m.we, rtf, extra, 0) != noErr) {
    DisposeHandle(rtf);
    return err::nomemory;
  }
  if (dest.kind == containervariable) {
    fred value{};
    i16 st = newfred(&value, fredtemp, fredstring, 0);
    if (st == 0) {
      givehandtofred(rtf, &value);
      into = false;
      return pututil(&dest, &value, tok::into);
    }
    DisposeHandle(rtf);
    return st;
  }
  // Into a styled field of the text engine's two styles.
  objread obj{};
  i16 st = err::notstyledfield210;
  if (dest.kind == containerfield && dest.field != nilhandle && GetHandleSize(dest.field) == Size(sizeof(objread))) {
    obj = loadat<objread>(deref(dest.field));
    // A field open for typing is closed first; its text is then the stored one.
    MainGlobals& g = mainglobals();
    if (g.openfield >= 0 && obj.objects == g.openfieldspots && obj.objindex == g.openfield) {
      if (const i16 closed = putdownfield()) {
        DisposeHandle(rtf);
        return closed;
      }
    }
    spot s = spotat(obj.objects, obj.objindex);
    if (s.kind == spotfield && (s.style == stylefieldrect || s.style == stylefieldscroll)) {
      // While the field takes the text, it is the field objects' paste target.
      g.pastespots = obj.objects;
      g.pasteindex = obj.objindex;
      g.pastewindow = obj.d.window;
      HLock(rtf);
      const int32_t read = readrtfintofield(s, deref(rtf), i32(GetHandleSize(rtf)), nullptr, true);
      HUnlock(rtf);
      st = read == 0 ? i16(0) : read == -108 || read == -117 ? i16(err::nomemory) : err::badrtf;
      if (st == 0) {
        putspot(obj.objects, obj.objindex, s);
        markowner(obj);
        if (obj.d.window != nilid) invalspot(obj.objects, obj.objindex);
      }
    }
  }
  DisposeHandle(rtf);
  return st;
}

}  // namespace kv
