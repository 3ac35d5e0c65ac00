// The test driver: scripted input for headless runs. Each call adds inputs to the headless
// backend's timeline at the driver's cursor, a tick that starts at the clock's reading and
// moves on by the length of each action; `advance` leaves a pause. Nothing happens until the
// system waits or polls and the inputs fall due.
//
// Timing of the actions (ticks after the cursor):
//   click: button down at 0, up at 2, cursor +3. doubleClick: two clicks 4 ticks apart.
//   mouseDown, mouseUp, moveTo: at 0, cursor +1.
//   drag(a, b, n): to a and down at 0, then one move per tick reaching b at n, up at n + 1.
//   key: down at 0, up at 1, cursor +2 (modifiers pressed before and released after).
//   type: one key per character. wheel, suspend, resume, quitRequest, openDocuments,
//   dropFiles, dropText: at 0, cursor +1.
// The readers answer the window list and the windows' pixels as the platform has them now.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/backend/backend.h"
#include "platform/runtime/registry.h"
#include "platform/types.h"

namespace kv::drive {

void click(Point where, u16 modifiers = 0);
void doubleClick(Point where, u16 modifiers = 0);
void mouseDown(Point where, u16 modifiers = 0);
void moveTo(Point where);
// The button let go; the modifier keys held from then on (none, unless a hand keeps a key down
// past the release).
void mouseUp(u16 modifiers = 0);
void drag(Point from, Point to, u32 ticks, u16 modifiers = 0);
// A key by its virtual key code; the character is the one the key types with the modifiers.
void key(u8 keycode, u16 modifiers = 0);
// A key pressed and held, and let go again (each at 0, cursor +1).
void keyDown(u8 keycode);
void keyUp(u8 keycode);
// A key that types the Mac Roman character (shift added when the character needs it).
void keychar(u8 ch, u16 modifiers = 0);
// Types Mac Roman text, one key per character.
void type(std::string_view macroman);
// Wheel lines at a point: positive away from the user (scrolls up), with modifiers held.
void wheel(Point where, i32 lines, bool horizontal = false, u16 modifiers = 0);
// An input method's composition (UTF-8) with its cursor in characters, and its committed text
// (at 0, cursor +1).
void compose(const std::string& utf8, i32 cursor);
void commit(const std::string& utf8);
void suspend();
void resume();
void quitRequest();
void openDocuments(const std::vector<std::string>& paths);
// Another program drops files (POSIX paths) or a text (UTF-8) at a global point: the pointer
// moves there and the drop lands, with no hovering before (at 0, cursor +1).
void dropFiles(Point where, const std::vector<std::string>& paths);
void dropText(Point where, const std::string& utf8);
void dockCommand(u32 commandid);
// Chooses an item of a menu of the menu bar with the mouse: a press on its title, a move down
// the title's column to the item's row and onto the item, and the release there (4 ticks).
void chooseMenuItem(i16 menuid, u16 item, u16 modifiers = 0);
void collapseWindow(RegistryId window, bool collapse);
// A volume mounted or unmounted; `name` (Mac Roman) is the name it goes by.
void volumeChange(i16 volume, bool mounted, std::string_view name = {});
// Gives the main screen another depth (1, 8, 16 or 32; an indexed depth shows its standard
// colour table), as a user switching the display's colours would; at once.
void setscreendepth(i16 depth);
// Leaves a pause of `ticks` before the next action.
void advance(u32 ticks);
// The driver's cursor: the tick at which the next action starts.
u32 cursor();

// --- Readers ---------------------------------------------------------------------------
struct WindowInfo {
  RegistryId window = nilid;
  std::string title;  // Mac Roman
  i16 kind = 0;
  u32 windowclass = 0;
  u32 attributes = 0;
  bool visible = false;
  bool hilited = false;
  Rect structure{0, 0, 0, 0};
  Rect content{0, 0, 0, 0};
};
// The window list, front to back.
std::vector<WindowInfo> windows();
// The screen as presented now (composed afresh), and one pixel of it (xrgb).
const Frame& screen();
u32 screenpixel(Point global);
// A window's pixels as drawn alone: its content, or its whole structure with the frame.
Frame windowpixels(RegistryId window, bool withframe = false);
// One pixel of a frame ((0, 0) its top-left); 0 outside it.
u32 pixelat(const Frame& f, i16 h, i16 v);

}  // namespace kv::drive
