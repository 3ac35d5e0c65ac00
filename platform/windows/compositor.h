// The compositor: draws the screen as the user sees it (the desktop, the visible windows from
// back to front with their frames, titles and their ports' pixels, and the menu bar with the
// menus open on it, from the menu model)
// into one 32-bit frame in the colours the main screen can show, and hands it to the backend,
// when something changed since the last time (a window, the menu bar, or any drawing).
#pragma once

#include <vector>

#include "platform/backend/backend.h"
#include "platform/runtime/registry.h"

namespace kv {

// Composes and presents the screen when it changed (the event manager calls it before every
// wait and poll). When only drawing into windows changed, only the areas it drew are composed
// and handed to the backend as the changed rectangles.
void presentscreen();
// How many times the whole screen was composed, and how many times only what drawing changed
// (tests and benchmarks).
u32 compositorcomposes();
u32 compositorpartials();
// Marks the screen as changed (the menu bar changed, ...; drawing is noticed by itself).
void screenchanged();
// Composes the screen now and answers the frame (also kept as the backend's last frame).
const Frame& composescreen();
// On: presentscreen does nothing and the screen is composed only through composescreen (runs
// that never look at the screen, such as the fuzz targets, spare the composing). A reset of
// the runtime turns it off.
void composeonrequest(bool on);

// Freezing the screen, counted: while any disable is in force nothing is presented. The last
// enable presents what changed meanwhile.
void DisableScreenUpdates();
void EnableScreenUpdates();
bool screenupdatesdisabled();

// What a drag shows above every window, in global coordinates: an image blended at an opacity
// inside its mask rectangles, and the pixels of an outline inverted.
struct DragOverlay {
  Frame image;
  Point imageat{0, 0};  // where the image's top-left pixel lies
  std::vector<Rect> mask;
  float opacity = 1.0f;
  std::vector<Rect> outline;
};
// Shows an overlay from the next presentation on (null: none).
void setdragoverlay(const DragOverlay* overlay);

// One window drawn alone (as if nothing covered it): its port's pixels, with or without its
// frame.
Frame composewindow(RegistryId window, bool withframe);

}  // namespace kv
