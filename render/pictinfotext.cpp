// The text forms of picture settings that scripts read (`GetPictureInfo`).
#include <bit>
#include <cstdio>
#include <cstring>

#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "render/filterlist.h"
#include "render/pictinfo.h"
#include "render/spotstyles.h"
#include "store/objects.h"

namespace kv {

namespace {

struct Setting {
  u16 token;
  const char* word;
};
// The lines of `pictureInfo`, in order.
constexpr Setting kSettings[] = {
    {tok::dontcachebits, "dontCacheBits"},
    {tok::destrect, "destRect"},
    {tok::imagerect, "imageRect"},
    {tok::magnify, "magnify"},
    {tok::opcolor, "opColor"},
    {tok::pictdata, "pictureData"},
    {tok::pictpath, "picturePath"},
    {tok::sourcerect, "sourceRect"},
    {tok::rotation, "rotation"},
    {tok::quad, "quad"},
    {tok::filters, "filters"},
    {tok::clickthrough, "clickThrough"},
    {tok::clickthroughlevel, "clickThroughLevel"},
    {tok::aspect, "aspect"},
};

bool carriespicture(const spot& s) { return s.kind == spotgraphic || s.style == styleimagewell; }

OSErr append(Handle text, const char* s) { return PtrAndHand(s, text, Size(std::strlen(s))); }

void rectform(const Rect& r, char* out, size_t n) {
  std::snprintf(out, n, "%d,%d,%d,%d", r.left, r.top, r.right, r.bottom);
}

// Appends the value of one setting.
OSErr value(const spot& s, u16 token, Handle text) {
  const Handle alt = carriespicture(s) ? Handle(s.alt) : nilhandle;
  PictInfo p;
  loadpictinfo(alt, &p);
  char buf[96] = "";
  switch (token) {
    case tok::aspect: {
      static constexpr const char* kWords[] = {"clip", "fit", "fill", "reset", "center"};
      return append(text, p.aspect < 5 ? kWords[p.aspect] : "unknown");
    }
    case tok::clickthrough: return append(text, (p.flags & pictclickthrough) ? "true" : "false");
    case tok::clickthroughlevel: std::snprintf(buf, sizeof buf, "%u", unsigned(p.clickthroughlevel)); break;
    case tok::destrect: rectform(p.destrect, buf, sizeof buf); break;
    case tok::dontcachebits: return append(text, (p.flags & pictdontcache) ? "true" : "false");
    case tok::filters: return getfilterstring(GetPictFilterHandle(alt), text, false);
    case tok::imagerect: rectform(p.imagerect, buf, sizeof buf); break;
    case tok::magnify: std::snprintf(buf, sizeof buf, "%f", double(std::bit_cast<float>(u32(p.magnification)))); break;
    case tok::opcolor:
      std::snprintf(buf, sizeof buf, "%d,%d,%d", p.opcolor.red, p.opcolor.green, p.opcolor.blue);
      break;
    case tok::pictdata: return append(text, alt != nilhandle ? "true" : "false");
    case tok::pictpath: {
      if (alt == nilhandle) return noErr;
      if (p.storagemode != pictlinked) return append(text, "embedded");
      const Handle path = GetPictPathHandle(alt);
      if (path == nilhandle) return append(text, "embedded");
      return HandAndHand(path, text);
    }
    case tok::quad: {
      const Point* q = p.quad.v;
      std::snprintf(buf, sizeof buf, "%d,%d,%d,%d,%d,%d,%d,%d", q[0].h, q[0].v, q[1].h, q[1].v, q[2].h, q[2].v, q[3].h,
                    q[3].v);
      break;
    }
    case tok::rotation: std::snprintf(buf, sizeof buf, "%d", p.rotation); break;
    case tok::sourcerect: rectform(p.sourcerect, buf, sizeof buf); break;
    default: break;
  }
  return append(text, buf);
}

}  // namespace

OSErr GetPictureInfo(const spot& s, Handle text, u16 token) {
  if (token != tok::pictinfo) return value(s, token, text);
  const Handle filters = carriespicture(s) ? GetPictFilterHandle(s.alt) : nilhandle;
  for (const Setting& setting : kSettings) {
    if (setting.token == tok::filters) {
      if (OSErr e = getfilterstring(filters, text, true)) return e;
      continue;
    }
    if (OSErr e = append(text, setting.word)) return e;
    if (OSErr e = append(text, "=")) return e;
    if (OSErr e = value(s, setting.token, text)) return e;
    if (OSErr e = append(text, "\r")) return e;
  }
  // No return after the last line.
  SetHandleSize(text, GetHandleSize(text) - 1);
  return noErr;
}

}  // namespace kv
