// The drawing layer's one module state: every region, port, offscreen world, device and
// setting of the layer lives here, reached by qd() (state<QDState>()) and destroyed by the
// runtime reset.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "platform/qd/bottleneck.h"
#include "platform/qd/picrecorder.h"
#include "platform/qd/ports.h"
#include "platform/qd/qdtypes.h"
#include "platform/qd/regionimpl.h"
#include "platform/runtime/registry.h"
#include "platform/runtime/root.h"

namespace kv {

// An edge collected while a region is open: a line from (h1, v1) to (h2, v2).
struct CaptureEdge {
  i32 h1, v1, h2, v2;
};

// A graphics port. A port made by NewGWorld owns its pixels, pixel map, colour table and
// device; a port made by CreateNewPort draws into whatever pixel map it is given.
struct Port {
  Port();
  ~Port();
  Port(const Port&) = delete;
  Port& operator=(const Port&) = delete;

  PixMapHandle pixmap = 0;  // portPixMap
  Rect portRect{0, 0, 0, 0};
  RegionData visRgn;
  RegionData clipRgn;

  Pattern bkPat{};
  Pattern pnPat{};
  Pattern fillPat{};
  Point pnLoc{0, 0};
  Point pnSize{1, 1};
  i16 pnMode = patCopy;
  i16 pnVis = 0;

  i16 txFont = 0;
  u8 txFace = 0;
  i16 txMode = srcOr;
  i16 txSize = 0;
  i32 spExtra = 0;  // 16.16 fixed
  i16 chExtra = 0;

  RGBColor rgbFgColor{0, 0, 0};
  RGBColor rgbBkColor{0xFFFF, 0xFFFF, 0xFFFF};
  RGBColor rgbOpColor{0, 0, 0};
  RGBColor rgbHiliteColor{0, 0, 0};
  bool hilitefromsystem = true;  // the hilite colour follows the layer's default
  i32 fgColor = blackColor;
  i32 bkColor = whiteColor;
  i32 refCon = 0;
  Point globalorigin{0, 0};  // global position of pixel (0, 0)

  std::unique_ptr<QDProcs> procs;  // none: the standard procedures

  // Region capture (OpenRgn .. CloseRgn).
  bool rgnopen = false;
  RegionData rgnshapes;
  std::vector<CaptureEdge> rgnedges;
  // Polygon capture (OpenPoly .. ClosePoly).
  PolyHandle polysave = 0;
  // Picture recording (OpenPicture .. ClosePicture).
  std::unique_ptr<PictureRecorder> picsave;

  // Ownership of what an offscreen world made for itself.
  bool isgworld = false;
  Ptr pixels = nullptr;
  CTabHandle ownedtable = 0;
  GDHandle device = 0;  // the world's device (owned when owndevice)
  bool owndevice = false;
  bool ownpixmap = false;
  i32 lockcount = 0;
};

struct QDState {
  QDState();
  ~QDState();
  Registry<RegionData, RegType::region> regions;
  Registry<Port, RegType::port> ports;
  CGrafPtr current = 0;
  GDHandle currentdevice = 0;
  std::vector<GDHandle> screendevices;  // the backend's screens, main screen first
  struct ScreenSig {
    Rect bounds;
    i16 depth;
    std::vector<RGBColor> table;
  };
  std::vector<ScreenSig> screensigs;  // what the screen devices were made from
  i32 seed = 1024;
  u64 drawcount = 0;                              // bumped by every drawing into pixels (drawingcount)
  std::vector<DrawnArea> drawnareas;              // where the drawing since the compositor last looked went
  bool drawnoverflow = false;                     // more areas than kept: take everything as drawn
  bool hilitemode = true;                         // set: inversion inverts; cleared: it swaps with the hilite colour
  RGBColor systemhilite{0x9999, 0xCCCC, 0xFFFF};  // the default hilite colour of ports
  std::map<GDHandle, std::vector<ColorSearchProcPtr>> searchprocs;
  std::map<GDHandle, std::vector<ColorComplementProcPtr>> compprocs;
  std::vector<i16> refuseddepths;  // depths offscreen worlds are refused at (tests)
};

inline QDState& qd() { return state<QDState>(); }

// The port an id names, or null; the current port, or null.
Port* portof(CGrafPtr port);
Port* currentport();

}  // namespace kv
