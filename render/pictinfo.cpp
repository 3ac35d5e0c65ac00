// The picture information record: its defaults, its place in an object's alternate data, the
// field accessors, change requests and the aspect layout.
#include "render/pictinfo.h"

#include <bit>
#include <cmath>

#include "render/pictbuffers.h"
#include "platform/memory/memory.h"
#include "render/spotstyles.h"
#include "store/objects.h"

namespace kv {

namespace {

constexpr RGBColor kWhite{65535, 65535, 65535};

Handle infohandle(Handle alt) {
  if (alt == nilhandle) return nilhandle;
  Handle info = getaltdata(alt, altpictinfo);
  return info != nilhandle && GetHandleSize(info) >= Size(sizeof(PictInfo)) ? info : nilhandle;
}

// Changes the record of a list through `change`; nothing without a record.
template <class Change>
void editinfo(Handle alt, Change change) {
  PictInfo p;
  if (!loadpictinfo(alt, &p)) return;
  change(p);
  storepictinfo(alt, p);
}

PictInfo infoof(Handle alt) {
  PictInfo p;
  loadpictinfo(alt, &p);
  return p;
}

bool inside(const Rect& inner, const Rect& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

i32 width(const Rect& r) { return i32(r.right) - r.left; }
i32 height(const Rect& r) { return i32(r.bottom) - r.top; }

Rect atsize(i32 top, i32 left, i32 w, i32 h) {
  auto clip = [](i32 v) { return i16(v < -32768 ? -32768 : v > 32767 ? 32767 : v); };
  return Rect{clip(top), clip(left), clip(top + h), clip(left + w)};
}

// The magnification rule: off, then a value of at least 1.0 (or not a number) turns it on.
void applymag(PictInfo& p, float m) {
  p.flags = p.flags & ~u32(pictmagnify);
  if (m < 1.0f) {
    p.magnification = std::bit_cast<u32>(1.0f);
    return;
  }
  p.magnification = std::bit_cast<u32>(m);
  p.flags = p.flags | pictmagnify;
}

void applysource(PictInfo& p, const Rect& r) {
  p.requestedsource = r;
  if (inside(r, p.imagerect)) p.sourcerect = r;
}

u16 clamplevel(i32 level) { return u16(level < 0 ? 0 : level > 255 ? 255 : level); }

}  // namespace

void newpictinfo(PictInfo& p) {
  p = PictInfo{};
  SetPictInfo_NotValid(p);
  p.storagemode = pictembedded;
  p.flags = pictlayouttracking;
  p.aspect = aspectfill;
}

void SetPictInfo_NotValid(PictInfo& p) {
  const u32 mode = p.storagemode, aspect = p.aspect;
  const Rect layout = p.layoutrect, requested = p.requestedsource;
  p = PictInfo{};
  p.storagemode = mode;
  p.aspect = aspect;
  p.layoutrect = layout;
  p.requestedsource = requested;
  p.opcolor = kWhite;
  p.zoom = std::bit_cast<u32>(1.0f);
  p.magnification = std::bit_cast<u32>(1.0f);
}

bool loadpictinfo(Handle alt, PictInfo* p) {
  if (Handle info = infohandle(alt)) {
    *p = loadat<PictInfo>(deref(info));
    return true;
  }
  *p = PictInfo{};
  p->aspect = aspectfill;
  SetPictInfo_NotValid(*p);
  return false;
}

void storepictinfo(Handle alt, const PictInfo& p) {
  if (Handle info = infohandle(alt)) storeat<PictInfo>(deref(info), p);
}

i16 New_PictInfoHandle(spot& s) {
  if (s.alt == 0) {
    Handle list = NewHandle(0);
    if (list == nilhandle) return 0;
    s.alt = list;
  }
  PictInfo p;
  newpictinfo(p);
  Handle info = nilhandle;
  if (PtrToHand(&p, &info, sizeof p) != noErr) return 0;
  Handle empty = NewHandle(0);
  if (empty == nilhandle) {
    DisposeHandle(info);
    return 0;
  }
  if (setaltdata(s.alt, info, altpictinfo) != noErr) {
    DisposeHandle(info);
    DisposeHandle(empty);
    return 0;
  }
  if (setaltdata(s.alt, empty, altpictdata) != noErr) {
    deletealt(s.alt, altpictinfo);
    DisposeHandle(empty);
    return 0;
  }
  return 1;
}

void DeletePictInfo(spot& s) {
  if (s.alt == 0) return;
  for (u32 kind : {altpictinfo, altpictdata, altfilters, altmatrix}) deletealt(s.alt, kind);
  if (numberalthandles(s.alt) == 0) {
    DisposeHandle(s.alt);
    s.alt = nilhandle;
  }
}

i16 SetAltToPicInfo(spot& s, const PictInfo& request) {
  constexpr u32 applied = maskopcolor | maskmagnify | masksourcerect | maskaspect | maskrotation | maskquad |
                          maskclickthrough | maskclickthroughlevel | maskdontcache;
  const u32 mask = request.changemask;
  if (infohandle(s.alt) == nilhandle || !(mask & applied)) return 0;
  if (mask & maskdontcache) SetDontCacheMode(s, (request.flags & pictdontcache) != 0);
  PictInfo p = infoof(s.alt);
  if (mask & maskaspect) {
    p.aspect = request.aspect;
    storepictinfo(s.alt, p);
    const Rect d = calcdestrect(s);
    p = infoof(s.alt);
    p.destrect = d;
  }
  if (mask & maskopcolor) {
    p.opcolor = request.opcolor;
    p.flags = p.flags | pictopcolor;
  }
  if (mask & maskmagnify) applymag(p, std::bit_cast<float>(u32(request.magnification)));
  if (mask & masksourcerect) applysource(p, request.sourcerect);
  if (mask & maskrotation) p.rotation = i16(i16(request.rotation) % 360);
  if (mask & maskquad) p.quad = request.quad;
  if (mask & maskclickthrough) p.flags = (p.flags & ~u32(pictclickthrough)) | (request.flags & pictclickthrough);
  if (mask & maskclickthroughlevel) p.clickthroughlevel = clamplevel(i16(request.clickthroughlevel));
  storepictinfo(s.alt, p);
  return 1;
}

Rect aspectlayout(u32 aspect, const Rect& source, const Rect& r) {
  const i32 w = width(source), h = height(source), rwidth = width(r), rheight = height(r);
  auto fitted = [&] {
    // An empty object or source has nothing to scale by: the picture takes the object.
    if (w <= 0 || h <= 0 || rwidth <= 0 || rheight <= 0) return r;
    const float rw = float(w) / float(rwidth), rh = float(h) / float(rheight);
    const float by = rw > rh ? rw : rh;
    return atsize(r.top, r.left, i32(float(w) / by), i32(float(h) / by));
  };
  switch (aspect) {
    case aspectclip: return atsize(r.top, r.left, w, h);
    case aspectfit: return fitted();
    case aspectfill:
    case aspectreset: return r;
    case aspectcenter: {
      Rect d = fitted();
      const i32 dw = width(d), dh = height(d);
      if (rwidth > dw) d.left = i16((i32(r.left) + r.right) / 2 - dw / 2), d.right = i16(d.left + dw);
      if (rheight > dh) d.top = i16((i32(r.top) + r.bottom) / 2 - dh / 2), d.bottom = i16(d.top + dh);
      return d;
    }
    default: return Rect{0, 0, 0, 0};
  }
}

Rect calcdestrect(spot& s) {
  Rect r = s.rect;
  if (s.style == styleimagewell) r = Rect{i16(r.top + 4), i16(r.left + 4), i16(r.bottom - 4), i16(r.right - 4)};
  if (infohandle(s.alt) == nilhandle) return r;
  ResetDestRect(s);
  const PictInfo p = infoof(s.alt);
  return aspectlayout(p.aspect, p.sourcerect, r);
}

namespace {
// Kind 2 of the list when the picture information says the storage mode is `mode`.
Handle pictdataofmode(Handle alt, u32 mode) {
  Handle info = infohandle(alt);
  if (info == nilhandle || loadat<PictInfo>(deref(info)).storagemode != mode) return nilhandle;
  return getaltdata(alt, altpictdata);
}
}  // namespace

Handle GetPictDataHandle(Handle alt) { return pictdataofmode(alt, pictembedded); }
Handle GetPictPathHandle(Handle alt) { return pictdataofmode(alt, pictlinked); }

u32 getStorageMode(Handle alt) { return infoof(alt).storagemode; }
void SetStorageMode(Handle alt, u32 mode) {
  editinfo(alt, [&](PictInfo& p) { p.storagemode = mode; });
}
Rect GetImageRect(Handle alt) { return infoof(alt).imagerect; }
Rect GetSourceRect(Handle alt) { return infoof(alt).sourcerect; }
void SetSourceRect(Handle alt, i16 left, i16 top, i16 right, i16 bottom) {
  SetSource1Rect(alt, Rect{top, left, bottom, right});
}
void SetSource1Rect(Handle alt, const Rect& r) {
  editinfo(alt, [&](PictInfo& p) {
    if (inside(r, p.imagerect)) p.sourcerect = r;
  });
}
Rect GetDestRect(Handle alt) { return infoof(alt).destrect; }
void SetDestRect(Handle alt, i16 left, i16 top, i16 right, i16 bottom) {
  SetDest1Rect(alt, Rect{top, left, bottom, right});
}
void SetDest1Rect(Handle alt, const Rect& r) {
  editinfo(alt, [&](PictInfo& p) { p.destrect = r; });
}
void ResetDestRect(const spot& s) {
  editinfo(s.alt,
           [&](PictInfo& p) { p.destrect = atsize(s.rect.top, s.rect.left, width(p.imagerect), height(p.imagerect)); });
}
u32 GetAspectMode(Handle alt) { return infoof(alt).aspect; }
void SetAspectMode(Handle alt, u32 mode) {
  editinfo(alt, [&](PictInfo& p) { p.aspect = mode; });
}
void GetOpColor(Handle alt, RGBColor* c) { *c = infoof(alt).opcolor; }
void SetOpColor(Handle alt, const RGBColor& c) {
  editinfo(alt, [&](PictInfo& p) {
    p.opcolor = c;
    p.flags = p.flags | pictopcolor;
  });
}
bool GetClickThrough(Handle alt) { return (infoof(alt).flags & pictclickthrough) != 0; }
void SetClickThrough(Handle alt, bool on) {
  editinfo(alt, [&](PictInfo& p) { p.flags = on ? p.flags | pictclickthrough : p.flags & ~u32(pictclickthrough); });
}
u16 GetClickThroughThreshold(Handle alt) { return infoof(alt).clickthroughlevel; }
void SetClickThroughThreshold(Handle alt, i32 level) {
  editinfo(alt, [&](PictInfo& p) { p.clickthroughlevel = clamplevel(level); });
}
bool GetDontCacheMode(Handle alt) { return (infoof(alt).flags & pictdontcache) != 0; }
void SetDontCacheMode(const spot& s, bool on) {
  killpictbuffer(s);
  editinfo(s.alt, [&](PictInfo& p) { p.flags = on ? p.flags | pictdontcache : p.flags & ~u32(pictdontcache); });
}
float GetMag(Handle alt) { return std::bit_cast<float>(u32(infoof(alt).magnification)); }
void SetMag(Handle alt, float m) {
  editinfo(alt, [&](PictInfo& p) { applymag(p, m); });
}
float GetZoom(Handle alt) { return std::bit_cast<float>(u32(infoof(alt).zoom)); }
void SetZoom(Handle alt, float z) {
  editinfo(alt, [&](PictInfo& p) {
    p.zoom = std::bit_cast<u32>(z);
    p.flags = p.flags & ~u32(pictzoomed);
    if (!(z == 1.0f)) p.flags = p.flags | pictzoomed;
  });
}
Point GetOffset(Handle alt) { return infoof(alt).offset; }
void SetOffset(Handle alt, i16 h, i16 v) {
  editinfo(alt, [&](PictInfo& p) {
    p.offset = Point{v, h};
    p.flags = p.flags | pictoffset;
  });
}
void GetQuad(Handle alt, Point quad[4]) {
  const PictInfo p = infoof(alt);
  for (int i = 0; i < 4; ++i) quad[i] = p.quad.v[i];
}
bool EmptyQuad(const Point quad[4]) {
  for (int i = 0; i < 4; ++i)
    if (quad[i].h != 0 || quad[i].v != 0) return false;
  return true;
}
void SetPath() {}

}  // namespace kv
