// Theme services of the window layer: metrics, the window backgrounds that the theme draws
// (the metal texture), and the grow icon.
#pragma once

#include "platform/qd/qdtypes.h"
#include "platform/windows/windows.h"

namespace kv {

// --- Metrics -----------------------------------------------------------------------------
enum : i32 {
  kThemeMetricScrollBarWidth = 0,
};
// The metric's value in pixels; paramErr (out untouched) for a metric the theme does not know.
OSStatus GetThemeMetric(i32 metric, i32* out);

// --- Backgrounds -------------------------------------------------------------------------
enum : u32 {
  kThemeBackgroundMetal = 6,
};

// The metal texture: brushed grey rows whose pattern starts at the top of the window's
// structure, so the frame and everything erased inside it line up. Active windows are darker
// than inactive ones. The colour of a row, counted from the structure's top.
RGBColor metalrowcolour(i32 row, bool active);

// Draws the background of that kind over `bounds` (local coordinates of the current port; the
// texture's first row is bounds.top) into the current port, within its clip region. The port's
// pen and colours are left as they were. paramErr for a kind the theme does not draw.
OSStatus drawthemebackground(const Rect& bounds, u32 kind, bool active);

// --- Grow icon ---------------------------------------------------------------------------
// Draws the window's grow box into its port: the 15 x 15 square at the bottom right of the
// port bounds, outlined, with a diagonal grip. Nothing for a window without a grow box or
// without a port.
void DrawGrowIcon(WindowRef window);

}  // namespace kv
