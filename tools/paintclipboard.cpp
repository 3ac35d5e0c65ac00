// The paint clipboard: a paint selection travels as one 'PICT' framed by the selection
// rectangle, holding a bit copy of the floating pixels; comment 12345 before the bits marks a
// lasso selection (its mask is found again from the pixels on paste). Pasting makes a floating
// selection of the picture, centred on the bitmap or fitted into the selection there.
#include <algorithm>

#include "platform/memory/memory.h"
#include "platform/qd/bottleneck.h"
#include "platform/qd/copybits.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/scrap/scrap.h"
#include "tools/paint.h"
#include "tools/paintpixels.h"
#include "tools/paintsession.h"

namespace kv {

namespace {

constexpr i16 kLassoComment = 12345;
constexpr u16 kSelectKind = 312, kLassoKind = 303;
constexpr Size kPictureHeader = 10;  // the size word and the frame
constexpr OSType kPict = fourcc("PICT");

// The selection as a picture: its frame the selection rectangle, one bit copy of the
// selection copy over it (after comment 12345 for a lasso selection). None when no picture
// could be made.
PicHandle selectionpicture() {
  PaintSession& p = paintsession();
  if (p.window == nilid || !IsValidWindowPtr(p.window)) return nilhandle;
  SavePort keep;
  portup(p.copyport, 1, p.selcopy);
  SetPortWindowPort(p.window);
  RgnHandle clip = NewRgn();
  GetClip(clip);
  ClipRect(&p.selection);
  PenNormal();
  ForeColor(blackColor);
  BackColor(whiteColor);
  PicHandle picture = OpenPicture(&p.selection);
  if (picture != nilhandle) {
    if (p.lassoactive) PicComment(kLassoComment, 0, nilhandle);
    const PortBits src(p.copyport), dst(currentportid());
    CopyBits(src.get(), dst.get(), &p.selection, &p.selection, srcCopy, nilid);
    ClosePicture();
    if (GetHandleSize(picture) < kPictureHeader) {
      KillPicture(picture);
      picture = nilhandle;
    }
  }
  SetClip(clip);
  DisposeRgn(clip);
  return picture;
}

void putselection(ScrapRef scrap, bool system) {
  if (!paintselection()) return;
  PicHandle picture = selectionpicture();
  if (picture == nilhandle) return;
  if (system) {
    ClearCurrentScrap();
    if (GetCurrentScrap(&scrap) != noErr) scrap = 0;
  }
  if (scrap != 0) PutScrapFlavor(scrap, kPict, 0, GetHandleSize(picture), deref(picture));
  KillPicture(picture);
}

// The scrap's picture with its frame's corners put in order; none when the scrap has none,
// memory runs out, the data does not parse as a picture or its frame is empty.
PicHandle scrappicture(ScrapRef scrap) {
  if (scrap == 0 && GetCurrentScrap(&scrap) != noErr) return nilhandle;
  Size size = 0;
  if (GetScrapFlavorSize(scrap, kPict, &size) != noErr || size < kPictureHeader) return nilhandle;
  PicHandle picture = NewHandle(size);
  if (picture == nilhandle) return nilhandle;
  Size got = size;
  if (GetScrapFlavorData(scrap, kPict, &got, deref(picture)) != noErr || got < kPictureHeader) {
    DisposeHandle(picture);
    return nilhandle;
  }
  SetHandleSize(picture, got);
  orderpictureframe(picture);
  Rect frame{};
  QDGetPictureBounds(picture, &frame);
  if (EmptyRect(&frame) || !picturevalid(picture)) {
    DisposeHandle(picture);
    return nilhandle;
  }
  return picture;
}

i16 clamp16(i32 v) { return i16(std::clamp<i32>(v, -32767, 32767)); }

// The picture's frame placed with its centre on the bitmap's (halves toward zero).
Rect centred(const Rect& frame) {
  const Rect& r = paintsession().rect;
  const i32 w = i32(frame.right) - frame.left, h = i32(frame.bottom) - frame.top;
  const i32 ch = (i32(r.left) + r.right) / 2, cv = (i32(r.top) + r.bottom) / 2;
  const i32 left = ch - w / 2, top = cv - h / 2;
  return Rect{clamp16(top), clamp16(left), clamp16(top + h), clamp16(left + w)};
}

// Plays the picture into the selection copy over `frame`, cut to `clip`, noting a lasso mark.
void drawpasted(PicHandle picture, const Rect& frame, const Rect& clip) {
  PaintSession& p = paintsession();
  SavePort keep;
  portup(p.copyport, 1, p.selcopy);
  ClipRect(&clip);
  QDProcs procs;
  SetStdCProcs(&procs);
  procs.commentProc = PpaintRTgathercom;
  SetPortGrafProcs(p.copyport, &procs);
  DrawPicture(picture, &frame);
  SetPortGrafProcs(p.copyport, nullptr);
}

void pastepicture(ScrapRef scrap) {
  PaintSession& p = paintsession();
  if (p.index < 0) return;
  // A picture that cannot be read leaves everything as it was.
  PicHandle picture = scrappicture(scrap);
  if (picture == nilhandle) return;
  paintchanged();
  killtext();
  p.pastekind = kSelectKind;
  Rect frame{};
  QDGetPictureBounds(picture, &frame);
  if (!p.selectionactive) {
    killasso();
    const Rect placed = centred(frame);
    Rect selection{};
    if (SectRect(&placed, &p.rect, &selection)) {
      p.selection = selection;
      whiten(p.selcopy, p.rect, false);
      drawpasted(picture, placed, selection);
      if (p.pastekind == kLassoKind) {
        maskfromselection(false);
        p.lassoactive = 1;
      } else {
        p.selectionactive = 1;
      }
    }
  } else {
    whiten(p.selcopy, p.selection, false);
    drawpasted(picture, p.selection, p.selection);
  }
  KillPicture(picture);
  p.selectioninplace = 0;
  showwholebitmap();
}

}  // namespace

void PpaintRTgathercom(i16 kind, i16, Handle) {
  if (kind == kLassoComment) paintsession().pastekind = kLassoKind;
}

void copybits() { putselection(0, true); }

void servicescopybits(u32 scrap) {
  if (scrap != 0) putselection(scrap, false);
}

void clearbits() {
  PaintSession& p = paintsession();
  if (p.index < 0) return;
  paintchanged();
  if (p.selectioninplace) {
    if (p.selectionactive) {
      killselect();
      whiten(p.image, p.selection, false);
    }
    if (p.lassoactive) {
      killasso();
      whiten(p.image, p.selection, true);
    }
  } else {
    p.selectionactive = p.lassoactive = 0;
  }
  showwholebitmap();
}

void pastebits() { pastepicture(0); }

void servicespastebits(u32 scrap) {
  if (scrap != 0) pastepicture(scrap);
}

}  // namespace kv
