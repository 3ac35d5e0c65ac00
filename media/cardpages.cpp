// Card page printing: a card recorded as a picture, laid out on pages (tiled, scaled or
// centred, framed, with a label band at the foot), and the pages emitted within the job's
// page range.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "commands/textfunctions.h"
#include "render/drawroutines.h"
#include "engine/fred.h"
#include "engine/scripterrors.h"
#include "engine/textutil.h"
#include "media/export.h"
#include "media/imagefiles.h"
#include "media/print.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/qd/copybits.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/qd/qdtext.h"
#include "platform/qd/shapes.h"
#include "platform/text/pstring.h"
#include "platform/windows/cursor.h"
#include "platform/windows/windows.h"
#include "render/carddrawing.h"
#include "core/mainglobals.h"
#include "core/settings.h"
#include "store/records.h"

namespace kv {

namespace {

constexpr i16 kWorkingDepth = 32;
constexpr i16 kLabelFont = 3, kLabelSize = 9, kLabelLine = 15;

std::string trimright(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || u8(s.back()) == 202)) s.pop_back();
  return s;
}

// A text with its bracketed expressions merged in the context of the `print` command (none
// when merging fails).
bool mergetext(const std::string& text, std::string* out) {
  PrintState& p = printstate();
  fred v{};
  if (charstonewfred(text.data(), Size(text.size()), &v) != 0) return false;
  hierpath path = p.theprinthier != nullptr ? hierpath(p.theprinthier, p.theprintdepth) : hierpath();
  i16 st = merge(path, p.theprintvars, &v);
  if (st == 0) {
    Handle h = NewHandle(0);
    if (h != nilhandle && fredtohand(&v, h) == 0) {
      const u8* b = HandleAs<u8>(h);
      out->assign(b, b + GetHandleSize(h));
    } else {
      st = err::nomemory;
    }
    if (h != nilhandle) DisposeHandle(h);
  }
  disposfred(&v);
  while (!out->empty() && out->back() == 0) out->pop_back();
  return st == 0;
}

// The label's lines: the merged `printLabel` text (its band as high as its lines), or the
// default two lines: the window's and the card's names and the time, then the card's place
// and the date. Merging that fails leaves no lines and the default band.
std::vector<std::string> labellines(const desk& d, i32* band) {
  MainGlobals& g = mainglobals();
  *band = 33;
  std::string merged;
  if (g.printLabel != nilhandle && GetHandleSize(g.printLabel) > 0) {
    const u8* b = HandleAs<u8>(g.printLabel);
    std::string text(b, b + GetHandleSize(g.printLabel));
    if (!mergetext(text, &merged)) return {};
    std::vector<std::string> lines;
    std::size_t at = 0;
    for (;;) {
      const std::size_t cr = merged.find('\r', at);
      lines.push_back(merged.substr(at, cr == std::string::npos ? std::string::npos : cr - at));
      if (cr == std::string::npos) break;
      at = cr + 1;
    }
    if (lines.size() > 1 && lines.back().empty()) lines.pop_back();
    *band = i32(lines.size()) * kLabelLine + 3;
    return lines;
  }
  // The parts, each merged on its own line.
  if (!mergetext("[[the short name of this card]]\r[[the long time]]\r[[the short name of this project]]\r"
                 "[[the abbreviated date]]",
                 &merged))
    return {};
  std::vector<std::string> parts;
  std::size_t at = 0;
  for (int k = 0; k < 4; ++k) {
    const std::size_t cr = merged.find('\r', at);
    parts.push_back(merged.substr(at, cr == std::string::npos ? std::string::npos : cr - at));
    at = cr == std::string::npos ? merged.size() : cr + 1;
  }
  Str255 title{};
  if (d.window != nilid) GetWTitle(d.window, title);
  const std::string window(reinterpret_cast<const char*>(title + 1), title[0]);
  char place[120];
  std::snprintf(place, sizeof place, "Card %u ID %u of wd %u of project \"", unsigned(d.cardnum), unsigned(d.cardid),
                unsigned(d.windnum));
  return {trimright(window) + ": " + trimright(parts[0]) + "\t" + parts[1], place + parts[2] + "\"\t" + parts[3]};
}

// The card (or the region of it) recorded as a picture, drawn as in its window.
PicHandle capturecard(const desk& d, const Rect& card, const Rect& frame) {
  MainGlobals& g = mainglobals();
  GWorldPtr world = 0;
  if (NewGWorld(&world, kWorkingDepth, &card, 0, 0, 0) != noErr) return 0;
  PicHandle pic = 0;
  {
    SavePort saved;
    SetGWorld(world, 0);
    ClipRect(&frame);
    PenNormal();
    constexpr RGBColor black{0, 0, 0}, white{0xFFFF, 0xFFFF, 0xFFFF};
    RGBForeColor(&black);
    RGBBackColor(&white);
    pic = OpenPicture(&frame);
    if (pic != 0) {
      myEraseRect(&card, &d);
      const i16 off = g.offwindowdrawing;
      g.offwindowdrawing = 1;
      backspot(1);
      g.offwindowdrawing = off;
      ClosePicture();
    }
  }
  DisposeGWorld(world);
  return pic;
}

// The picture replaced by one of its pixels at up to eight times its size.
PicHandle rasterize(PicHandle pic, const Rect& d) {
  Rect r{0, 0, i16(d.bottom - d.top), i16(d.right - d.left)};
  // Bytes per pixel at least 1: a shallow depth must not divide by zero.
  const i32 bytes = std::max(1, kWorkingDepth / 8);
  for (int k = 0; k < 3; ++k) {
    const i32 w = (r.right - r.left) * 2, h = (r.bottom - r.top) * 2;
    if (w > 16383 / bytes || h > 65535 || h > 32767) break;
    r.right = i16(w);
    r.bottom = i16(h);
  }
  GWorldPtr world = 0;
  if (NewGWorld(&world, kWorkingDepth, &r, 0, 0, 0) != noErr) return pic;
  PicHandle out = 0;
  {
    SavePort saved;
    SetGWorld(world, 0);
    constexpr RGBColor black{0, 0, 0}, white{0xFFFF, 0xFFFF, 0xFFFF};
    RGBForeColor(&black);
    RGBBackColor(&white);
    EraseRect(&r);
    DrawPicture(pic, &r);
    out = OpenPicture(&r);
    if (out != 0) {
      const BitMap* bits = GetPortBitMapForCopyBits(world);
      CopyBits(bits, bits, &r, &r, srcCopy, 0);
      ClosePicture();
    }
  }
  DisposeGWorld(world);
  if (out == 0) return pic;
  KillPicture(pic);
  return out;
}

// Draws the label lines at the foot of the page, in the page's shifted coordinates (dx, dy
// take them to the port's).
void drawlabel(const std::vector<std::string>& lines, const Rect& port, const Rect& d, i32 dx, i32 dy) {
  TextFont(kLabelFont);
  TextSize(kLabelSize);
  TextFace(0);
  const i32 n = i32(lines.size());
  const i32 width = std::max<i32>(d.right, port.right);
  for (i32 i = 0; i < n; ++i) {
    const i32 base = port.bottom - (n - 1 - i) * kLabelLine - 3;
    const std::string& line = lines[std::size_t(i)];
    auto draw = [&](const std::string& s, i32 x) {
      const i16 len = i16(std::min<std::size_t>(s.size(), 255));
      MoveTo(i16(x + dx), i16(base + dy));
      DrawText(s.data(), 0, len);
    };
    auto widthof = [](const std::string& s) {
      return i32(TextWidth(s.data(), 0, i16(std::min<std::size_t>(s.size(), 255))));
    };
    const std::size_t tab = line.find('\t');
    if (tab != std::string::npos) {
      const std::string right = trimright(line.substr(tab + 1));
      draw(right, width - std::min(widthof(right), width - 3));
      draw(line.substr(0, tab), port.left);
    } else {
      draw(line, port.left + (width - port.left - std::min(widthof(line), width - 3)) / 2);
    }
  }
}

}  // namespace

// Emits the pages of one card: columns left to right, rows top to bottom within each.
i16 MyPrintLoop(PicHandle pic, Rect d, const Rect& page, i32 down, i32 across, const std::vector<std::string>& label) {
  PrintState& p = printstate();
  const u32 flags = mainglobals().printflags;
  p.abortprintjobnow = 0;
  if (flags & printframe) OffsetRect(&d, 1, 1);
  if (OSStatus err = PMSessionError(p.session)) return mapprintstatus(err);
  if (GetHandleSize(pic) < 11) return err::cantcapture;
  if (across <= 0 || p.lastPage <= p.pageCount) return 0;
  const i32 pw = page.right - page.left, ph = page.bottom - page.top;
  for (i32 c = 0; c < across; ++c) {
    for (i32 r = 0; r < down; ++r) {
      if ((flags & printnoprogress) && p.abortprintjobnow) return err::cancelled;
      ++p.pageCount;
      if (p.pageCount >= p.firstPage) {
        if (CheckEventQueueForUserCancel()) p.abortprintjobnow = 1;
        OSStatus err = printbeginpage();
        if (err == kPMCancel) {
          p.abortprintjobnow = 1;
          return err::cancelled;
        }
        if (err != noErr) return mapprintstatus(err);
        CGrafPtr port = 0;
        err = PMSessionGetGraphicsContext(p.session, kPMGraphicsContextQuickDraw, &port);
        if (err != noErr) {
          PMSessionEndPage(p.session);
          return mapprintstatus(err);
        }
        {
          SavePort saved;
          SetGWorld(port, 0);
          Rect bounds{};
          GetPortBounds(port, &bounds);
          // The page shows the card from (c x PW, r x PH): the port's corner stands for it.
          const i32 dx = bounds.left - c * pw, dy = bounds.top - r * ph;
          Rect shifted{i16(r * ph), i16(c * pw), i16(r * ph + (bounds.bottom - bounds.top)),
                       i16(c * pw + (bounds.right - bounds.left))};
          ClipRect(&bounds);
          Rect at = d;
          OffsetRect(&at, i16(dx), i16(dy));
          DrawPicture(pic, &at);
          if ((flags & printlabel) && !label.empty()) drawlabel(label, shifted, d, dx, dy);
          if (flags & printframe) {
            constexpr RGBColor grey{32767, 32767, 32767}, black{0, 0, 0};
            RGBForeColor(&grey);
            Rect f = at;
            InsetRect(&f, -1, -1);
            FrameRect(&f);
            RGBForeColor(&black);
          }
        }
        if (CheckEventQueueForUserCancel()) p.abortprintjobnow = 1;
        err = printendpage();
        if (err == kPMCancel) p.abortprintjobnow = 1;
        else if (err != noErr) return mapprintstatus(err);
        if (p.abortprintjobnow) return err::cancelled;
      }
      if (p.lastPage <= p.pageCount) return 0;
    }
  }
  return 0;
}

i16 deskprint(const desk& card, const Rect* region) {
  MainGlobals& g = mainglobals();
  PrintState& p = printstate();
  if (PMSessionError(p.session) == kPMCancel) return err::cancelled;
  if (g.lockCursor == 0) SetThemeCursor(kThemeWatchCursor);
  const desk saved = g.current;
  g.current = card;
  p.printdesk = card;
  struct Restore {
    MainGlobals& g;
    desk d;
    ~Restore() { g.current = d; }
  } restore{g, saved};
  const u32 flags = g.printflags;
  PMRect pagerect{};
  PMGetAdjustedPageRect(p.format, &pagerect);
  const i32 pw = i32(std::lround(pagerect.right - pagerect.left)),
            ph = i32(std::lround(pagerect.bottom - pagerect.top));
  p.printableRect = Rect{0, 0, i16(ph), i16(pw)};
  Rect a = p.printableRect;
  i32 band = 0;
  std::vector<std::string> label;
  if (flags & printlabel) {
    label = labellines(card, &band);
    a.bottom = i16(a.bottom - band);
  }
  if (flags & printframe) {
    a.top = std::max<i16>(a.top, 1);
    a.left = std::max<i16>(a.left, 1);
    a.bottom = std::min<i16>(a.bottom, i16(p.printableRect.bottom - 1));
    a.right = std::min<i16>(a.right, i16(p.printableRect.right - 1));
  }
  // A label that leaves no page area: the card prints unscaled and the band is clipped.
  const bool noarea = a.bottom <= a.top || a.right <= a.left;
  if (noarea) a = Rect{p.printableRect.top, p.printableRect.left, p.printableRect.bottom, p.printableRect.right};
  const backrec* back = card.back != nilhandle ? HandleAs<backrec>(card.back) : nullptr;
  const Rect cardrect{0, 0, i16(back ? back->height : 0), i16(back ? back->width : 0)};
  if (cardrect.bottom <= 0 || cardrect.right <= 0) return err::cantcapture;
  Rect frame = region ? *region : cardrect;
  Rect d = frame;
  OffsetRect(&d, i16(a.left - d.left), i16(a.top - d.top));
  i32 down = 1, across = 1;
  if (!(flags & printscale)) {
    const i32 dw = d.right - d.left, dh = d.bottom - d.top + ((flags & printlabel) ? band : 0);
    across = (dw + pw - 1) / pw;
    down = (dh + ph - 1) / ph;
    if (flags & printframe) {
      if (d.right - d.left == pw) ++across;
      if (d.bottom - d.top == ph && !(flags & printlabel)) ++down;
    }
  }
  PicHandle pic = capturecard(card, cardrect, frame);
  g.current = card;
  if (pic == 0) return err::nomemory;
  if (GetHandleSize(pic) <= 9) {
    KillPicture(pic);
    return err::cantcapture;
  }
  if (flags & (printrasterized | printscale)) {
    pic = rasterize(pic, d);
    if (GetHandleSize(pic) <= 9) {
      KillPicture(pic);
      return err::cantcapture;
    }
  }
  if (currentsettings().printing != 0) {
    char name[64];
    const int n = std::snprintf(name, sizeof name, "PrintCard %ld.PICT", long(card.cardnum));
    Str255 pname{};
    pstrassign(pname, sizeof pname, name, std::size_t(n));
    newimagefile(pname, pic, fourcc("PICT"));
  }
  if ((flags & printscale) && !noarea) {
    // In floating point: a card smaller than the page is enlarged.
    const double ratio = std::max(double(d.right - d.left) / (a.right - a.left),
                                  double(d.bottom - d.top) / (a.bottom - a.top));
    d.right = i16(d.left + i32((d.right - d.left) / ratio));
    d.bottom = i16(d.top + i32((d.bottom - d.top) / ratio));
  }
  if (flags & printcenter) {
    const i32 w = d.right - d.left, h = d.bottom - d.top;
    if (w < a.right - a.left) {
      d.left = i16((a.left + a.right) / 2 - w / 2);
      d.right = i16(d.left + w);
    }
    if (h < a.bottom - a.top) {
      d.top = i16((a.top + a.bottom) / 2 - h / 2);
      d.bottom = i16(d.top + h);
    }
  }
  const i16 st = MyPrintLoop(pic, d, p.printableRect, down, across, label);
  KillPicture(pic);
  return st;
}

}  // namespace kv
