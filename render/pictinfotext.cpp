// The text forms of picture settings that scripts read (`GetPictureInfo`).
#include <bit>
#include <cstdio>
#include <cstring>

#include "platform/memory/memory.h"
#include "render/filterlist.h"
#include "render/pictinfo.h"
#include "render/spotstyles.h"
#include "store/objects.h"

namespace kv {

namespace {

enum : u16 {
  tokAspect = 4032,
  tokClickThrough = 4064,
  tokClickThroughLevel = 4065,
  tokDestRect = 4083,
  tokDontCacheBits = 4091,
  tokFilters = 4115,
  tokImageRect = 4140,
  tokMagnify = 4169,
  tokOpColor = 4190,
  tokPictureData = 4202,
  tokPictureInfo = 4203,
  tokPicturePath = 4204,
  tokQuad = 4214,
  tokRotation = 4226,
  tokSourceRect = 4253,
};

struct Setting {
  u16 token;
  const char* word;
};
// The lines of `pictureInfo`, in order.
constexpr Setting kSettings[] = {
    {tokDontCacheBits, "dontCacheBits"}, {tokDestRect, "destRect"},   {tokImageRect, "imageRect"},
    {tokMagnify, "magnify"},             {tokOpColor, "opColor"},     {tokPictureData, "pictureData"},
    {tokPicturePath, "picturePath"},     {tokSourceRect, "sourceRect"}, {tokRotation, "rotation"},
    {tokQuad, "quad"},                   {tokFilters, "filters"},     {tokClickThrough, "clickThrough"},
    {tokClickThroughLevel, "clickThroughLevel"}, {tokAspect, "aspect"},
};

bool carriespicture(const spot& s) { return s.kind == spotgraphic || s.style == styleimagewell; }

OSErr append(Handle text, const char* s) { return PtrAndHand(s, text, Size(std::strlen(s))); }

void rectform(const Rect& r, char* out, size_t n) { std::snprintf(out, n, "%d,%d,%d,%d", r.left, r.top, r.right, r.bottom); }

// Appends the value of one setting.
OSErr value(const spot& s, u16 token, Handle text) {
  const Handle alt = carriespicture(s) ? Handle(s.alt) : nilhandle;
  PictInfo p;
  loadpictinfo(alt, &p);
  char buf[96] = "";
  switch (token) {
    case tokAspect: {
      static constexpr const char* kWords[] = {"clip", "fit", "fill", "reset", "center"};
      return append(text, p.aspect < 5 ? kWords[p.aspect] : "unknown");
    }
    case tokClickThrough: return append(text, (p.flags & pictclickthrough) ? "true" : "false");
    case tokClickThroughLevel: std::snprintf(buf, sizeof buf, "%u", unsigned(p.clickthroughlevel)); break;
    case tokDestRect: rectform(p.destrect, buf, sizeof buf); break;
    case tokDontCacheBits: return append(text, (p.flags & pictdontcache) ? "true" : "false");
    case tokFilters: return getfilterstring(GetPictFilterHandle(alt), text, false);
    case tokImageRect: rectform(p.imagerect, buf, sizeof buf); break;
    case tokMagnify: std::snprintf(buf, sizeof buf, "%f", double(std::bit_cast<float>(u32(p.magnification)))); break;
    case tokOpColor: std::snprintf(buf, sizeof buf, "%d,%d,%d", p.opcolor.red, p.opcolor.green, p.opcolor.blue); break;
    case tokPictureData: return append(text, alt != nilhandle ? "true" : "false");
    case tokPicturePath: {
      if (alt == nilhandle) return noErr;
      if (p.storagemode != pictlinked) return append(text, "embedded");
      const Handle path = GetPictPathHandle(alt);
      if (path == nilhandle) return append(text, "embedded");
      return HandAndHand(path, text);
    }
    case tokQuad: {
      const Point* q = p.quad.v;
      std::snprintf(buf, sizeof buf, "%d,%d,%d,%d,%d,%d,%d,%d", q[0].h, q[0].v, q[1].h, q[1].v, q[2].h, q[2].v, q[3].h, q[3].v);
      break;
    }
    case tokRotation: std::snprintf(buf, sizeof buf, "%d", p.rotation); break;
    case tokSourceRect: rectform(p.sourcerect, buf, sizeof buf); break;
    default: break;
  }
  return append(text, buf);
}

}  // namespace

OSErr GetPictureInfo(const spot& s, Handle text, u16 token) {
  if (token != tokPictureInfo) return value(s, token, text);
  const Handle filters = carriespicture(s) ? GetPictFilterHandle(s.alt) : nilhandle;
  for (const Setting& setting : kSettings) {
    if (setting.token == tokFilters) {
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
