// Recording pictures: the recorder the standard procedures feed, and the region record.
#include "platform/qd/pictures.h"

#include <algorithm>
#include <cstring>

#include "platform/memory/memory.h"
#include "platform/qd/pictureimpl.h"
#include "platform/qd/drawimpl.h"
#include "platform/qd/pictformat.h"
#include "platform/qd/pixels.h"
#include "platform/qd/ports.h"
#include "platform/qd/qdstate.h"
#include "platform/qd/shapegeom.h"

namespace kv {

// --- The region record -----------------------------------------------------------------------

namespace {

void put16(std::vector<u8>& out, i32 v) {
  out.push_back(u8((v >> 8) & 0xFF));
  out.push_back(u8(v & 0xFF));
}

// Edges that appear in exactly one of two sorted lists.
std::vector<i32> togglededges(const std::vector<i32>& a, const std::vector<i32>& b) {
  std::vector<i32> out;
  std::set_symmetric_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
  return out;
}

}  // namespace

std::vector<u8> encoderegion(const RegionData& rgn) {
  std::vector<u8> out;
  const Rect b = rgn.bounds();
  put16(out, 10);
  put16(out, b.top);
  put16(out, b.left);
  put16(out, b.bottom);
  put16(out, b.right);
  int n = 0;
  const pixman_box32_t* boxes = rgn.boxes(&n);
  if (n <= 1) return out;
  std::vector<i32> prev;
  i32 prevbottom = 0;
  auto line = [&](i32 v, const std::vector<i32>& hs) {
    if (hs.empty()) return;
    put16(out, v);
    for (i32 h : hs) put16(out, h);
    put16(out, 0x7FFF);
  };
  for (int i = 0; i < n;) {
    const i32 y1 = boxes[i].y1, y2 = boxes[i].y2;
    std::vector<i32> cur;
    for (; i < n && boxes[i].y1 == y1; ++i) {
      // Touching boxes of a band share an edge that cancels.
      if (!cur.empty() && cur.back() == boxes[i].x1) cur.pop_back();
      else cur.push_back(boxes[i].x1);
      cur.push_back(boxes[i].x2);
    }
    if (!prev.empty() && prevbottom != y1) {
      line(prevbottom, prev);
      prev.clear();
    }
    line(y1, togglededges(prev, cur));
    prev = cur;
    prevbottom = y2;
  }
  line(prevbottom, prev);
  put16(out, 0x7FFF);
  if (out.size() > 0x7FFF) return {};  // too big for the record's size word
  out[0] = u8(out.size() >> 8);
  out[1] = u8(out.size() & 0xFF);
  return out;
}

bool decoderegion(const u8* data, std::size_t avail, RegionData* out, std::size_t* used) {
  auto rd = [&](std::size_t at) { return i16(u16((data[at] << 8) | data[at + 1])); };
  if (avail < 10) return false;
  const std::size_t size = u16(rd(0));
  if (size < 10 || size > avail) return false;
  const Rect b{rd(2), rd(4), rd(6), rd(8)};
  if (used) *used = size;
  if (size == 10) {
    out->setrect(b);
    return true;
  }
  std::vector<pixman_box32_t> boxes;
  std::vector<i32> edges;
  std::size_t at = 10;
  i32 v = -32768;
  bool first = true;
  while (true) {
    if (at + 2 > size) return false;
    const i16 nextv = rd(at);
    at += 2;
    const bool end = nextv == 0x7FFF;
    if (!first && !end && nextv <= v) return false;
    // Rows from the last line to this one carry the current spans.
    if (!first)
      for (std::size_t k = 0; k + 1 < edges.size(); k += 2)
        boxes.push_back(pixman_box32_t{edges[k], v, edges[k + 1], end ? v : nextv});
    if (end) break;
    std::vector<i32> line;
    while (true) {
      if (at + 2 > size) return false;
      const i16 h = rd(at);
      at += 2;
      if (h == 0x7FFF) break;
      line.push_back(h);
    }
    std::sort(line.begin(), line.end());
    edges = togglededges(edges, line);
    v = nextv;
    first = false;
  }
  out->setboxes(boxes);
  return true;
}

// --- The recorder ----------------------------------------------------------------------------


namespace {

PictWriter writerfor(PictureRecorder& r) { return PictWriter{&r.data}; }

void recordpattern(PictureRecorder& r, u16 opcode, Pattern& known, const Pattern& now, bool force) {
  if (!force && known == now) return;
  PictWriter w = writerfor(r);
  w.op(opcode);
  w.bytes(now.pat, 8);
  known = now;
}

void recordcolor(PictureRecorder& r, u16 opcode, RGBColor& known, const RGBColor& now, bool force) {
  if (!force && known == now) return;
  PictWriter w = writerfor(r);
  w.op(opcode);
  w.color(now);
  known = now;
}

// Records one value of the drawing state when the picture does not know it yet.
template <class T>
void recordvalue(PictureRecorder& r, u16 opcode, T& known, T now, bool force) {
  if (!force && known == now) return;
  PictWriter w = writerfor(r);
  w.op(opcode);
  if constexpr (sizeof(T) == 1) {
    w.u8be(now);
    w.align();
  } else if constexpr (sizeof(T) == 4) {
    w.i32be(now);
  } else {
    w.i16be(now);
  }
  known = now;
}

// Brings the picture's state up to the port's before a primitive.
void syncstate(Port& p, PictureRecorder& r, bool text) {
  const bool force = !r.stateknown;
  r.stateknown = true;
  PictWriter w = writerfor(r);
  const RegionData clip = p.clipRgn;
  if (force || !clip.equals(r.clip)) {
    std::vector<u8> rec = encoderegion(clip);
    if (!rec.empty()) {
      w.op(pictClip);
      w.bytes(rec.data(), rec.size());
    }
    r.clip = clip;
  }
  recordpattern(r, pictPnPat, r.pnPat, p.pnPat, force);
  recordpattern(r, pictBkPat, r.bkPat, p.bkPat, force);
  recordpattern(r, pictFillPat, r.fillPat, p.fillPat, force);
  if (force || !(r.pnSize == p.pnSize)) {
    w.op(pictPnSize);
    w.point(p.pnSize);
    r.pnSize = p.pnSize;
  }
  recordvalue(r, pictPnMode, r.pnMode, p.pnMode, force);
  recordcolor(r, pictRGBFgCol, r.fg, p.rgbFgColor, force);
  recordcolor(r, pictRGBBkCol, r.bg, p.rgbBkColor, force);
  recordcolor(r, pictOpColor, r.op, p.rgbOpColor, force);
  if (!text) return;
  recordvalue(r, pictTxFont, r.txFont, p.txFont, force);
  recordvalue(r, pictTxFace, r.txFace, p.txFace, force);
  recordvalue(r, pictTxMode, r.txMode, p.txMode, force);
  recordvalue(r, pictTxSize, r.txSize, p.txSize, force);
  recordvalue(r, pictSpExtra, r.spExtra, p.spExtra, force);
  recordvalue(r, pictChExtra, r.chExtra, p.chExtra, force);
}

PictureRecorder* recorder(Port& p) { return p.picsave.get(); }

// The port's recorder told the port's state for a primitive, or null when none records.
PictureRecorder* startprimitive(Port& p, bool text) {
  PictureRecorder* rec = recorder(p);
  if (rec) syncstate(p, *rec, text);
  return rec;
}

// A shape primitive: the opcode of its kind and verb, then its rectangle.
void shapeop(PictureRecorder& rec, u16 base, GrafVerb verb, const Rect& r) {
  PictWriter w = writerfor(rec);
  w.op(u16(base + u16(verb)));
  w.rect(r);
}

}  // namespace

void picrecordrect(Port& p, GrafVerb verb, const Rect& r) {
  if (PictureRecorder* rec = startprimitive(p, false)) shapeop(*rec, pictFrameRect, verb, r);
}

void picrecordrrect(Port& p, GrafVerb verb, const Rect& r, i16 ovalWidth, i16 ovalHeight) {
  PictureRecorder* rec = startprimitive(p, false);
  if (!rec) return;
  const Point ov{ovalHeight, ovalWidth};
  if (!(ov == rec->ovSize)) {
    PictWriter w = writerfor(*rec);
    w.op(pictOvSize);
    w.point(ov);
    rec->ovSize = ov;
  }
  shapeop(*rec, pictFrameRRect, verb, r);
}

void picrecordoval(Port& p, GrafVerb verb, const Rect& r) {
  if (PictureRecorder* rec = startprimitive(p, false)) shapeop(*rec, pictFrameOval, verb, r);
}

void picrecordarc(Port& p, GrafVerb verb, const Rect& r, i16 startAngle, i16 arcAngle) {
  PictureRecorder* rec = startprimitive(p, false);
  if (!rec) return;
  shapeop(*rec, pictFrameArc, verb, r);
  PictWriter w = writerfor(*rec);
  w.i16be(startAngle);
  w.i16be(arcAngle);
}

void picrecordpoly(Port& p, GrafVerb verb, const std::vector<Point>& pts) {
  PictureRecorder* rec = pts.empty() ? nullptr : startprimitive(p, false);
  if (!rec) return;
  PictWriter w = writerfor(*rec);
  w.op(u16(u16(pictFramePoly) + u16(verb)));
  w.i16be(i16(10 + 4 * pts.size()));
  w.rect(pointsbounds(pts));
  for (const Point& pt : pts) w.point(pt);
}

void picrecordrgn(Port& p, GrafVerb verb, const RegionData& rgn) {
  std::vector<u8> data = encoderegion(rgn);
  PictureRecorder* rec = data.empty() ? nullptr : startprimitive(p, false);
  if (!rec) return;
  PictWriter w = writerfor(*rec);
  w.op(u16(u16(pictFrameRgn) + u16(verb)));
  w.bytes(data.data(), data.size());
}

void picrecordline(Port& p, Point from, Point to) {
  PictureRecorder* rec = startprimitive(p, false);
  if (!rec) return;
  PictWriter w = writerfor(*rec);
  w.op(pictLine);
  w.point(from);
  w.point(to);
}

void picrecordtext(Port& p, Point pen, const u8* text, i16 count) {
  PictureRecorder* rec = count > 0 && count <= 255 ? startprimitive(p, true) : nullptr;
  if (!rec) return;
  PictWriter w = writerfor(*rec);
  w.op(pictLongText);
  w.point(pen);
  w.u8be(u8(count));
  w.bytes(text, std::size_t(count));
  w.align();
}

void picrecordbits(Port& p, const BitMap* src, const Rect& srcRect, const Rect& dstRect, i16 mode, RgnHandle maskRgn) {
  if (!recorder(p)) return;
  Surface s = surfacefrombits(src);
  if (!s.valid()) return;
  // The source rectangle's pixels within the map.
  Rect r{std::max(srcRect.top, s.bounds.top), std::max(srcRect.left, s.bounds.left),
         std::min(srcRect.bottom, s.bounds.bottom), std::min(srcRect.right, s.bounds.right)};
  const i32 width = r.right - r.left, height = r.bottom - r.top;
  // 1-bit sources stay 1-bit (playback colours them with the picture's colours); others
  // become unpacked 32-bit rows, whose row bytes must fit the record's 14 bits; a map whose
  // pixels carry alpha keeps it as a fourth component, the first byte of each pixel.
  const bool onebit = s.depth == 1;
  const u16 rowbytes = onebit ? pixmaprowbytes(width, 1) : u16(std::min<i32>(width * 4, 0xFFFF));
  if (width <= 0 || height <= 0 || rowbytes > rowbytesmask) return;
  PictureRecorder* rec = startprimitive(p, false);
  RegionData* mask = regiondata(maskRgn);
  std::vector<u8> maskdata;
  if (mask) maskdata = encoderegion(*mask);
  const bool withmask = mask && !maskdata.empty();
  PictWriter w = writerfor(*rec);
  if (onebit) {
    w.op(withmask ? pictBitsRgn : pictBitsRect);
    w.i16be(rowbytes);
    w.rect(r);
  } else {
    w.op(withmask ? pictDirectBitsRgn : pictDirectBitsRect);
    w.i32be(0xFF);  // base address placeholder of direct pixels
    w.i16be(i16(pixmapflag | rowbytes));
    w.rect(r);
    w.i16be(0);  // version
    w.i16be(1);  // pack type: unpacked
    w.i32be(0);  // pack size
    w.i32be(fixed72dpi);
    w.i32be(fixed72dpi);
    w.i16be(rgbDirect);
    w.i16be(32);
    w.i16be(s.alpha ? 4 : 3);
    w.i16be(8);
    w.i32be(0);  // plane bytes
    w.i32be(0);  // table
    w.i32be(0);  // reserved
  }
  w.rect(srcRect);
  w.rect(dstRect);
  w.i16be(mode);
  if (withmask) w.bytes(maskdata.data(), maskdata.size());
  std::vector<u8> row(rowbytes);
  for (i32 y = 0; y < height; ++y) {
    std::fill(row.begin(), row.end(), u8(0));
    for (i32 x = 0; x < width; ++x) {
      const u32 px = getpixel(s, r.left - s.bounds.left + x, r.top - s.bounds.top + y);
      if (onebit) {
        if (px) row[std::size_t(x >> 3)] |= u8(0x80 >> (x & 7));
        continue;
      }
      const RGBColor c = pixeltorgb(s, px);
      if (s.alpha) row[std::size_t(x) * 4] = u8(px >> 24);
      row[std::size_t(x) * 4 + 1] = u8(c.red >> 8);
      row[std::size_t(x) * 4 + 2] = u8(c.green >> 8);
      row[std::size_t(x) * 4 + 3] = u8(c.blue >> 8);
    }
    w.bytes(row.data(), row.size());
  }
  w.align();
}

void picrecordcomment(Port& p, i16 kind, i16 dataSize, Handle data) {
  PictureRecorder* rec = recorder(p);
  if (!rec) return;
  PictWriter w = writerfor(*rec);
  const Size have = IsValidHandle(data) ? GetHandleSize(data) : 0;
  const i16 size = i16(std::clamp<Size>(std::min<Size>(dataSize, have), 0, 32767));
  if (size <= 0) {
    w.op(pictShortComment);
    w.i16be(kind);
    return;
  }
  w.op(pictLongComment);
  w.i16be(kind);
  w.i16be(size);
  w.bytes(deref(data), std::size_t(size));
  w.align();
}

// --- Opening and closing ---------------------------------------------------------------------

PicHandle OpenCPicture(const OpenCPicParams* params) {
  Port* p = currentport();
  if (!p || !params || p->picsave) return 0;
  PicHandle h = NewHandleClear(10);
  if (!h) return 0;
  auto rec = std::make_unique<PictureRecorder>();
  rec->handle = h;
  rec->frame = params->srcRect;
  rec->clip.setrect(Rect{-32768, -32768, 32767, 32767});
  PictWriter w{&rec->data};
  w.i16be(0);
  w.rect(params->srcRect);
  w.op(pictVersion);
  w.i16be(0x02FF);
  w.op(pictHeaderOp);
  w.i16be(-2);
  w.i16be(0);
  w.i32be(params->hRes);
  w.i32be(params->vRes);
  w.rect(params->srcRect);
  w.i32be(0);
  p->picsave = std::move(rec);
  HidePen();
  return h;
}

PicHandle OpenPicture(const Rect* picFrame) {
  if (!picFrame) return 0;
  OpenCPicParams params{*picFrame, fixed72dpi, fixed72dpi, -2, 0, 0};
  return OpenCPicture(&params);
}

bool portrecordingpicture(CGrafPtr port) {
  const Port* p = portof(port);
  return p && p->picsave;
}

void ClosePicture() {
  Port* p = currentport();
  if (!p || !p->picsave) return;
  std::unique_ptr<PictureRecorder> rec = std::move(p->picsave);
  ShowPen();
  PictWriter w{&rec->data};
  w.op(pictEndPic);
  std::vector<u8>& d = rec->data;
  // The size word holds the low 16 bits of the length, as pictures always have.
  d[0] = u8((d.size() >> 8) & 0xFF);
  d[1] = u8(d.size() & 0xFF);
  if (!IsValidHandle(rec->handle)) return;
  SetHandleSize(rec->handle, Size(d.size()));
  if (MemError() != noErr) {
    SetHandleSize(rec->handle, 0);
    return;
  }
  std::memcpy(deref(rec->handle), d.data(), d.size());
}

void KillPicture(PicHandle pic) {
  Port* p = currentport();
  if (p && p->picsave && p->picsave->handle == pic) {
    p->picsave.reset();
    ShowPen();
  }
  DisposeHandle(pic);
}

void PicComment(i16 kind, i16 dataSize, Handle dataHandle) {
  Port* p = currentport();
  if (!p) return;
  if (p->procs && p->procs->commentProc) {
    auto f = p->procs->commentProc;
    f(kind, dataSize, dataHandle);
  } else {
    StdComment(kind, dataSize, dataHandle);
  }
}

void orderpictureframe(PicHandle pic) {
  Rect frame{};
  if (!IsValidHandle(pic) || GetHandleSize(pic) < 10) return;
  QDGetPictureBounds(pic, &frame);
  u8* d = deref(pic);
  auto put = [d](int at, i16 v) {
    d[at] = u8(u16(v) >> 8);
    d[at + 1] = u8(v);
  };
  put(2, std::min(frame.top, frame.bottom));
  put(4, std::min(frame.left, frame.right));
  put(6, std::max(frame.top, frame.bottom));
  put(8, std::max(frame.left, frame.right));
}

Rect* QDGetPictureBounds(PicHandle pic, Rect* frame) {
  if (!frame) return frame;
  *frame = Rect{0, 0, 0, 0};
  if (!IsValidHandle(pic) || GetHandleSize(pic) < 10) return frame;
  const u8* d = deref(pic);
  auto rd = [d](int at) { return i16(u16((d[at] << 8) | d[at + 1])); };
  *frame = Rect{rd(2), rd(4), rd(6), rd(8)};
  return frame;
}

}  // namespace kv
