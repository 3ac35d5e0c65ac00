#include "render/drawprocs.h"

#include "platform/qd/ports.h"
#include "core/mainglobals.h"
#include "shell/metal.h"
#include "render/carddrawing.h"

namespace kv {

namespace {

bool whiteorblack(const RGBColor* rgb, i32* position) {
  *position = rgb->red == 0xFFFF && rgb->green == 0xFFFF && rgb->blue == 0xFFFF ? 0 : 1;
  return true;
}

bool emptyorinverted(const Rect* r) { return r == nullptr || r->left >= r->right || r->top >= r->bottom; }

}  // namespace

bool PdrawRTmatchproc(RGBColor* rgb, i32* position) { return whiteorblack(rgb, position); }

bool bwmatchproc(RGBColor* rgb, i32* position) { return whiteorblack(rgb, position); }

void PdrawRTfakeback(GrafVerb verb, const Rect* r) {
  if (verb != kQDGrafVerbErase) StdRect(verb, r);
}

void PdrawRTsanitycheckedrectproc(GrafVerb verb, const Rect* r) {
  if (!emptyorinverted(r)) StdRect(verb, r);
}

void PdrawRTdonteraserectproc(GrafVerb verb, const Rect* r) {
  if (!emptyorinverted(r) && drawnobjectstate().eraseallowed) StdRect(verb, r);
}

void PdrawRTdonterasergnproc(GrafVerb verb, RgnHandle rgn) {
  if (drawnobjectstate().eraseallowed) StdRgn(verb, rgn);
}

OffWindowProcs::OffWindowProcs(CGrafPtr port) : port_(port) {
  GetPortGrafProcs(port, &saved_);
  if (IsMetalWindow(mainglobals().current.window)) {
    setmetaleraseprocs(port);
    return;
  }
  QDProcs procs;
  SetStdCProcs(&procs);
  procs.rectProc = PdrawRTsanitycheckedrectproc;
  SetPortGrafProcs(port, &procs);
}

OffWindowProcs::~OffWindowProcs() { SetPortGrafProcs(port_, &saved_); }

}  // namespace kv
