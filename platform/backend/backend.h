// The backend under the in-process platform model: screens, input, presentation, cursor,
// beep, attention and the system clipboard. Two implementations exist: Headless (a virtual
// clock and a scripted input timeline, no display) and SDL2 (one real window that shows the
// composited screen and feeds real mouse and keyboard). Everything above the backend is the
// same for both.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/runtime/root.h"
#include "platform/types.h"

namespace kv {

// One screen: its global bounds (the main screen has top-left 0,0), pixel depth (1, 8, 16 or
// 32) and, for indexed depths, its device colour table.
struct ScreenInfo {
  Rect bounds{0, 0, 768, 1024};
  i16 depth = 32;
  std::vector<RGBColor> colortable;
};

// One input from the user or the system, in the order the backend saw it. Positions are
// global screen coordinates; keys carry the classic virtual key code and the Mac Roman
// character they produce.
enum class InputKind : u8 {
  mousemove,
  mousedown,
  mouseup,
  keydown,
  keyup,
  autokey,
  modifiers,      // the modifier keys changed (modifiers holds the new state)
  wheel,          // wheeldelta lines on wheelaxis (1 vertical, 0 horizontal)
  focusin,        // the program came to the front
  focusout,       // another program came to the front
  quit,           // the user or the system asked the program to quit
  opendocuments,  // files were dropped on the program or named to it
  dockcommand,    // a command chosen from the program's dock menu (command id in `command`)
  collapse,       // the user collapsed (1) or expanded (0) a window: `window`, `flag`
  volume,         // a volume was mounted (flag 1) or unmounted (flag 0): `volume`, and
                  // its Mac Roman name as the first of `paths` (when known)
  textcompose,    // an input method's composition in progress: `text` with its cursor
  textcommit,     // an input method's committed `text`
  drop,           // files and texts another program dropped on the program's window at
                  // `where`, in `dropped`
};

// One item of a drop from another program: a file (a POSIX path, UTF-8) or a text (UTF-8).
struct DroppedItem {
  bool file = true;
  std::string data;
};

struct InputEvent {
  InputKind kind = InputKind::mousemove;
  u32 when = 0;  // ticks at which it happened (headless: its due time)
  Point where{0, 0};
  u16 modifiers = 0;  // cmdKey, shiftKey, optionKey, controlKey, alphaLock
  u8 keycode = 0;
  u8 charcode = 0;
  i16 wheelaxis = 1;
  i32 wheeldelta = 0;
  u32 command = 0;  // dock command id
  u32 window = 0;   // window id for collapse and expand
  i16 volume = 0;   // volume reference number
  u8 flag = 0;
  std::vector<std::string> paths;    // opendocuments: POSIX paths, UTF-8
  std::string text;                  // textcompose, textcommit: UTF-8
  i32 cursor = 0;                    // textcompose: the cursor, in characters from the text's start
  std::vector<DroppedItem> dropped;  // drop: the items, in the order they came
};

// The composed screen as the backend presents it: 32-bit xrgb host words, row after row.
struct Frame {
  i16 width = 0;
  i16 height = 0;
  std::vector<u32> pixels;
};

// A 16 x 16 one-bit cursor: image and mask rows, most significant bit leftmost, and the hot spot.
struct CursorImage {
  u16 data[16] = {};
  u16 mask[16] = {};
  Point hotspot{0, 0};
};

// One flavour of the system clipboard. Bytes cross in the clipboard's outside order
// (big-endian records, UTF-8 for 'utf8' text); 'TEXT' is Mac Roman inside and converted here.
struct ClipFlavor {
  u32 type = 0;
  std::vector<u8> bytes;
};

class Backend {
 public:
  virtual ~Backend() = default;
  virtual bool headless() const = 0;

  // --- Screens ---
  virtual std::vector<ScreenInfo> screens() const = 0;
  // Gives a screen another pixel depth (1, 8, 16 or 32); the composed screen is converted to
  // it as it is presented. False for no such screen or another depth.
  virtual bool setscreendepth(std::size_t screen, i16 depth) = 0;

  // --- Clock and input ---
  // Ticks (1/60 s) since start.
  virtual u32 ticks() const = 0;
  // Takes the next input that is due now; false when none is.
  virtual bool takeinput(InputEvent& out) = 0;
  // Waits until an input is due or the tick count reaches `deadline`, whichever comes first.
  virtual void waituntil(u32 deadline) = 0;
  // The uptime clock in nanoseconds, and a wait until a deadline on it that takes no input
  // (frames of an effect are timed by it). Headless it is the virtual clock, which keeps the
  // time below the tick for these waits: the tick count moves when they add up to a tick.
  virtual u64 uptimenanos() const = 0;
  virtual void sleepuntilnanos(u64 deadline) = 0;
  // An input-state poll found no input due (headless: the clock moves on one tick).
  virtual void pollidle() = 0;
  // The interpreter ran `count` more statements (headless: one tick per 1,000).
  virtual void statementsrun(u32 count) = 0;
  // Whether inputs are still waiting in the timeline (always true for a live backend).
  virtual bool inputpending() const = 0;

  // --- Output ---
  virtual void present(const Frame& frame, const std::vector<Rect>& changed) = 0;
  virtual void setcursor(const CursorImage& cursor) = 0;
  virtual void showcursor(bool visible) = 0;
  virtual void beep() = 0;
  virtual void requestattention(bool on) = 0;
  // Asks the display to bring the program to the front.
  virtual void raise() = 0;
  // Moves the pointer to a global point. A display that refuses to (or has no pointer of its
  // own, as headless) leaves it: the model's mouse has moved already.
  virtual void warpmouse(Point) {}
  // Asks the input method to show compositions in a pre-edit window of its own (true) or to
  // hand them over to be shown in place (false, the start). An input method that cannot goes on
  // handing them over; they are then not shown.
  virtual void useinputwindow(bool) {}

  // --- Clipboard ---
  virtual void setclipboard(const std::vector<ClipFlavor>& flavors) = 0;
  virtual std::vector<ClipFlavor> clipboard() = 0;
  // Bumped whenever the clipboard changed outside the program.
  virtual u32 clipboardchangecount() const = 0;
};

class HeadlessBackend;

namespace backenddetail {
// The root's slot for the backend in use, and the same backend when it is the headless one
// (its clock is read without a virtual call).
struct Holder {
  std::unique_ptr<Backend> current;
  HeadlessBackend* headless = nullptr;
};
Backend& makeheadless();
}  // namespace backenddetail

// The backend in use. Created headless (one 1024 x 768 screen of depth 32) on first use.
// Asked on every statement (the clock), so inline.
inline Backend& backend() {
  Backend* b = state<backenddetail::Holder>().current.get();
  return b != nullptr ? *b : backenddetail::makeheadless();
}
// Replaces the backend (the old one is destroyed). Used by the program's start and by tests.
void setbackend(std::unique_ptr<Backend> b);

}  // namespace kv
