#include "fields/urlcontent.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "engine/textutil.h"
#include "platform/memory/memory.h"
#include "platform/net/urlfetch.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"
#include "core/memoryguard.h"
#include "store/starfile.h"
#include "system/filelocation.h"
#include "system/getpicture.h"

namespace kv {

namespace {

constexpr i16 kNoPictureFile = 123, kEmptyFile = 163, kNoFile = 183, kUnreadable = 186, kNoMemory = 37, kBadRTF = 191;
constexpr i64 kMaxTextBytes = 20000000;
constexpr i64 kPictHeader = 512;
constexpr i64 kMemoryMargin = 40000;
// Fetched pictures larger than this are not held.
constexpr std::size_t kMaxFetchedPicture = std::size_t(1) << 28;

struct Suffix {
  const char* text;
  u16 type;
};
constexpr Suffix kSuffixes[] = {{"pict", urlpicture}, {"pic", urlpicture}, {"pct", urlpicture}, {"jpeg", urljpeg},
                                {"jpg", urljpeg},     {"text", urltext},   {"txt", urltext},    {"utxt", urlunicode},
                                {"rtf", urlrtf},      {"rtfd", urlrtfd}};

u16 suffixtype(ConstStringPtr suffix) {
  for (const Suffix& s : kSuffixes) {
    Str255 p;
    pstrassign(p, sizeof p, s.text, std::strlen(s.text));
    if (myequalstring(suffix, p)) return s.type;
  }
  return urlother;
}

// Where a name is looked for: the folder written files go to, the caller's folder, the
// current project's folder, and a last folder of the caller's choosing.
struct Place {
  i16 volume;
  u32 dirid;
};

u32 projectfolder() {
  const projectstore* store = findprojectstore(mainglobals().current.store);
  return store != nullptr ? store->dirid : 0;
}

// Opens the name in the first place where it opens: noErr, or the last failure.
OSErr openinplaces(ConstStringPtr name, i16 volume, u32 dirid, u32 lastfolder, FileRef* ref) {
  const MainGlobals& g = mainglobals();
  const Place places[4] = {{kBootVolume, g.documentsfolder},
                           {volume, dirid},
                           {kBootVolume, projectfolder()},
                           {kBootVolume, lastfolder}};
  OSErr e = fnfErr;
  for (std::size_t i = 0; i < 4; ++i) {
    // A stored folder that is not there is passed over; the caller's folder 0 is the current one.
    if (places[i].dirid == 0 && i != 1) continue;
    e = fsopenit(name, places[i].volume, places[i].dirid, ref);
    if (e == noErr) return e;
  }
  return e;
}

// A source of bytes: an open file or a fetched document.
struct Source {
  FileRef file = nilid;
  FetchedContent fetched;
  bool isurl = false;
  i64 length = 0;

  Source() = default;
  Source(const Source&) = delete;
  Source& operator=(const Source&) = delete;
  ~Source() {
    if (file != nilid) FSClose(file);
  }
};

// Opens a name: 0, or 183 when it is found nowhere.
i16 opensource(ConstStringPtr name, i16 volume, u32 dirid, u32 lastfolder, std::size_t fetchlimit, Source* src) {
  std::string_view text = pstringview(name);
  if (isurl(text)) {
    src->isurl = true;
    if (fetchurl(text, fetchlimit, &src->fetched) != FetchStatus::ok) return kNoFile;
    src->length = i64(src->fetched.bytes.size());
    return 0;
  }
  if (openinplaces(name, volume, dirid, lastfolder, &src->file) != noErr) {
    src->file = nilid;
    return kNoFile;
  }
  if (GetEOF(src->file, &src->length) != noErr) return kUnreadable;
  return 0;
}

// The Finder type of an opened file (0 for a fetched document or a file without one).
OSType sourcetype(const Source& src) {
  if (src.isurl) return 0;
  i16 volume = 0;
  u32 folder = 0;
  Str255 leaf;
  FInfo info{};
  if (GetFileLocation(src.file, &volume, &folder, leaf) != noErr || HGetFInfo(volume, folder, leaf, &info) != noErr)
    return 0;
  return info.fdType;
}

// Reads `size` bytes from `offset` into a new handle, the memory guard asked for `guard` bytes
// first: 0, 37 or 186.
i16 readsource(const Source& src, i64 offset, i64 size, i64 guard, Handle* out) {
  if (memoryrefused64(guard) || size > 0x7FFFFFFF) return kNoMemory;
  Handle h = NewHandle(Size(size));
  if (h == nilhandle) return kNoMemory;
  if (src.isurl) {
    std::memcpy(deref(h), src.fetched.bytes.data() + offset, std::size_t(size));
  } else if (readat(src.file, offset, deref(h), size) != noErr) {
    DisposeHandle(h);
    return kUnreadable;
  }
  *out = h;
  return 0;
}

// A decoder that ran out of memory: the guard is told of twice the bytes given, and 37.
i16 decodernomemory(const urltransfer& t) {
  nomemory(Size(std::min<u64>(u64(t.total) * 2, 0x7FFFFFFF)));
  return kNoMemory;
}

}  // namespace

void typefromurl(ConstStringPtr name, StringPtr suffix) {
  std::string_view n = pstringview(name);
  std::size_t dot = n.rfind('.');
  std::string_view after = dot == std::string_view::npos ? std::string_view{} : n.substr(dot + 1);
  pstrassign(suffix, 256, after.data(), after.size());
}

i16 url_set_type(urltransfer* t, ConstStringPtr suffix) {
  t->contenttype = suffixtype(suffix);
  if (t->contenttype == urlpicture) t->pictureflag = 0;
  return 0;
}

i16 url_set_buf(urltransfer* t, const u8* data, i32 length) {
  t->data = data;
  t->length = length;
  t->total = length != 0 ? t->total + u32(length) : 0;
  return 0;
}

i16 url_decompress_init(urltransfer* t) {
  if (t->contenttype != urlrtf) return 0;
  i16 st = RTFInitialize(&t->fieldtext, &t->decode);
  if (st == memFullErr) return decodernomemory(*t);
  return st;
}

i16 url_decompress(urltransfer* t) {
  if (t->contenttype != urlrtf) return 0;
  i16 st = RTFDecode(t->fieldtext, t->data, t->length, &t->decode);
  if (st == 0) return 0;
  if (st == memFullErr) return decodernomemory(*t);
  return kBadRTF;
}

i16 url_decompress_done(urltransfer* t) {
  if (t->contenttype != urlrtf) return 0;
  i16 st = RTFDone(t->fieldtext, &t->decode);
  t->fieldtext = nilhandle;
  return st;
}

i16 getextdata(ConstStringPtr name, i16 volume, u32 dirid, u16* contenttype, Handle* out) {
  *out = nilhandle;
  Source src;
  if (i16 st = opensource(name, volume, dirid, mainglobals().appfolder, std::size_t(kMaxTextBytes), &src)) return st;
  OSType type = sourcetype(src);
  std::string_view mime = src.fetched.mimetype;
  if (type == fourcc("RTF ") || mime == "text/rtf" || mime == "application/rtf") *contenttype = urlrtf;
  else if (type == fourcc("utxt")) *contenttype = urlunicode;
  else if (*contenttype == urlother) *contenttype = urltext;
  if (src.length <= 0) return kEmptyFile;
  i64 size = std::min(src.length, kMaxTextBytes);
  return readsource(src, 0, size, 3 * size + kMemoryMargin, out);
}

i16 getimage(ConstStringPtr name, i16 volume, u32 dirid, u16* kind, Handle* out) {
  *out = nilhandle;
  Source src;
  if (i16 st = opensource(name, volume, dirid, mainglobals().homefolder, kMaxFetchedPicture, &src)) return st;
  bool picture = false;
  if (src.isurl) {
    Str255 suffix;
    typefromurl(name, suffix);
    picture = suffixtype(suffix) == urlpicture && !src.fetched.cut;
  } else {
    picture = sourcetype(src) == fourcc("PICT");
  }
  if (!picture) return kNoPictureFile;
  *kind = urlpicture;
  i64 size = src.length - kPictHeader;
  if (size <= 0) return kNoPictureFile;
  return readsource(src, kPictHeader, size, size + kMemoryMargin, out);
}

void fullpathfromfspec(const FSSpec& spec, StringPtr out) {
  getpath(out, 201, spec.vRefNum, spec.parID);
  pstrappend(out, 256, spec.name + 1, std::min<std::size_t>(spec.name[0], 63));
}

const u8* strnchr(const u8* bytes, u8 byte, i16 count) {
  if (count < 1 || bytes == nullptr) return nullptr;
  return static_cast<const u8*>(std::memchr(bytes, byte, std::size_t(count)));
}

void myreplacechar(u8* bytes, i32 count, u8 oldbyte, u8 newbyte) {
  if (oldbyte == newbyte || bytes == nullptr) return;
  for (i32 i = 0; i < count; ++i)
    if (bytes[i] == oldbyte) bytes[i] = newbyte;
}

}  // namespace kv
