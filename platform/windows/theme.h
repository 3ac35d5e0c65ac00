// Theme services of the window layer: metrics, the window backgrounds that the theme draws
// (the metal texture), the theme brushes as flat colours, the theme drawing state of a port,
// focus rings, the frames of edit-text and list boxes, and the grow icon.
#pragma once

#include "platform/qd/qdtypes.h"
#include "platform/windows/windows.h"

namespace kv {

// --- Metrics -----------------------------------------------------------------------------
enum : i32 {
  kThemeMetricScrollBarWidth = 0,
  kThemeMetricSmallScrollBarWidth = 1,
  kThemeMetricDisclosureButtonHeight = 17,
  kThemeMetricDisclosureButtonWidth = 22,
  kThemeMetricSmallDisclosureButtonHeight = 23,
  kThemeMetricSmallDisclosureButtonWidth = 24,
  kThemeMetricDisclosureTriangleHeight = 25,
  kThemeMetricDisclosureTriangleWidth = 26,
  kThemeMetricLittleArrowsHeight = 27,
  kThemeMetricLittleArrowsWidth = 28,
  kThemeMetricRelevanceIndicatorHeight = 37,
};
// The metric's value in pixels (the control sizes from the sizes the controls are drawn at);
// paramErr (out untouched) for a metric the theme does not know.
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

// --- Brushes ---------------------------------------------------------------------------
// A theme brush is a number: 1 dialog, 3 alert, 5 modeless dialog, 7 utility window, 9 sorted
// list column, 10 list, 14 drag hilite, 15 document window, 16 file browser window, 29 button face, 46 focus
// highlight, -1 black, -2 white. Each is one flat colour when its window is active and one
// when it is not. False (out untouched) for a brush the theme does not know.
bool themebrushcolour(i16 brush, bool active, RGBColor* out);

// The pens of button frames: 20 active, 22 inactive; 48 the background of help tags.
// The brush (active) becomes the current port's background colour, with a white background
// pattern; SetThemePen makes it the foreground colour with a normal black pen pattern in
// pattern copy. At depth 1, or on a device without colour, the colour becomes black or white
// by its lightness. paramErr (port untouched) for a brush the theme does not know.
OSStatus SetThemeBackground(i16 brush, i16 depth, bool colourdevice);
OSStatus SetThemePen(i16 brush, i16 depth, bool colourdevice);

// The backgrounds of containers that controls stand on: 1 tab pane, 2 placard, 3 window
// header, 4 list header, 5 secondary group box. Each is one flat colour whatever the window's
// activity; state 2 (pressed) is a shade darker. False (out untouched) for another kind.
enum : u32 {
  kThemeBackgroundTabPane = 1,
  kThemeBackgroundPlacard = 2,
  kThemeBackgroundWindowHeader = 3,
  kThemeBackgroundListViewWindowHeader = 4,
  kThemeBackgroundSecondaryGroupBox = 5,
};
enum : u32 { kThemeStatePressed = 2 };
bool themecontainercolour(u32 kind, u32 state, RGBColor* out);
// Makes the container's colour the current port's background colour for erasing within
// `bounds` (white background pattern); at depth 1, or without colour, black or white by its
// lightness. paramErr (port untouched) for a kind the theme does not know.
OSStatus ApplyThemeBackground(u32 kind, const Rect* bounds, u32 state, i16 depth, bool colourdevice);

// --- Theme drawing state -----------------------------------------------------------------
// The current port's pen, colours, background pattern and text mode, kept in a memory handle
// (none when memory runs out). Setting it back with disposeNow disposes it.
using ThemeDrawingState = Handle;
OSStatus GetThemeDrawingState(ThemeDrawingState* state);
OSStatus SetThemeDrawingState(ThemeDrawingState state, bool disposeNow);
OSStatus DisposeThemeDrawingState(ThemeDrawingState state);
// A normal pen, black on white, white background pattern, text mode or.
OSStatus NormalizeThemeDrawingState();

// --- Focus rings and frames ----------------------------------------------------------------
// A focus ring is a band three pixels wide just outside the shape, painted in brush 46
// (its inactive colour when the window is not active). The port's pen and colours stay.
OSStatus DrawThemeFocusRegion(RgnHandle rgn, bool active);
OSStatus DrawThemeFocusRect(const Rect* r, bool active);
constexpr i16 kThemeFocusRingWidth = 3;

enum : u32 { kThemeStateInactive = 0, kThemeStateActive = 1 };
// The frame of an edit-text box and of a list box: one grey pixel just outside the rectangle,
// darker while active.
OSStatus DrawThemeEditTextFrame(const Rect* r, u32 state);
OSStatus DrawThemeListBoxFrame(const Rect* r, u32 state);

// --- Grow icon ---------------------------------------------------------------------------
// Draws the window's grow box into its port: the 15 x 15 square at the bottom right of the
// port bounds, outlined, with a diagonal grip. Nothing for a window without a grow box or
// without a port.
void DrawGrowIcon(WindowRef window);

// --- Fonts, separators and group boxes ----------------------------------------------------------
// The theme's fonts: 0 system, 1 small system, 2 small emphasized system, 6 labels (the small
// system font, as rulers and help tags show their numbers), 17 application. The family name, size and face (any may be null);
// paramErr for a font the theme does not know.
enum : u16 {
  kThemeSystemFont = 0,
  kThemeSmallSystemFont = 1,
  kThemeSmallEmphasizedSystemFont = 2,
  kThemeLabelFont = 6,
  kThemeApplicationFont = 17,
};
OSStatus GetThemeFont(u16 fontID, i16 script, Str255 name, i16* size, u8* style);
// A separator: a one-pixel grey line along the longer side's middle. The port's pen stays.
OSStatus DrawThemeSeparator(const Rect* r, u32 state);
// A secondary group box: filled with its container colour and framed.
OSStatus DrawThemeSecondaryGroup(const Rect* r, u32 state);

}  // namespace kv
