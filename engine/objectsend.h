// Object dispatch: every message the runtime sends to an object goes through the dispatcher of
// the target's kind. A dispatcher makes the target's window context current, builds the
// target's message path (the editor front and front slots, the target's own levels from the
// target outwards, the editor back and back slots, the shared project), sets `the target`,
// sends, releases the path, makes the window that was current before current again and, when
// it is the outermost send, reports a script error (engine/scripterror.h).
//
// Each kind has a pair: a `*eval` that takes the message tokenised (with the caller's
// variables, and a result value for a function call, null for a command) and a `*send` that
// takes it as text and runs it as a command with variables of its own.
//
// A dispatcher given a window that is not open answers 118 at once: nothing is sent, the send
// depth is unchanged and nothing is reported.
#pragma once

#include <string_view>

#include "engine/hier.h"
#include "platform/types.h"
#include "platform/windows/windows.h"
#include "core/desk.h"
#include "core/menusets.h"

namespace kv {

struct fred;
struct objread;

// Force modes of spotsend and cardsend: normal (nothing is sent while lockMessages is set),
// and forced past lockMessages.
enum : u16 { sendnormal = 0, sendforced = 2 };

// The window not open, or no such target.
constexpr i16 kWindowNotOpen = 118;
// The target's records are not loaded, or no shared project is open.
constexpr i16 kTargetNotOpen = 79;

// A tokenised message: the message's name at atom `at` of `atoms` (tokenised from `text`), the
// caller's variables, the result value of a function call or null, and the send mode that
// the level pushed by sendmes records.
struct tokmessage {
  Handle text;
  Handle atoms;
  i32 at;
  Handle variables;
  fred* result;
  u8 mode;
};

// --- Dispatchers of tokenised messages --------------------------------------------------------
// `window` is the window whose desk the send uses; 0, or a window that is not open, gives 118.
i16 spoteval(Handle spots, i32 index, const tokmessage& m, WindowRef window);
i16 cardeval(const tokmessage& m, WindowRef window);
i16 backeval(const tokmessage& m, WindowRef window);
i16 windeval(const tokmessage& m, WindowRef window);
i16 fileval(const tokmessage& m, WindowRef window);
// No window: 79 when no shared project is open.
i16 shareval(const tokmessage& m);
// A menu or menu item, named by its line (a line of the menu bar, or the menu part of a
// descriptor); the dock menu's variants use the dock menu's line.
i16 menueval(const menuline& menu, const tokmessage& m, WindowRef window);
i16 itemeval(const menuline& menu, i16 item, const tokmessage& m, WindowRef window);
i16 dockmenueval(const tokmessage& m, WindowRef window);
i16 dockitemeval(i16 item, const tokmessage& m, WindowRef window);

// --- Senders of message texts (run as commands with variables of their own) -----------------
i16 spotsend(u16 force, Handle spots, i32 index, std::string_view text, WindowRef window);
i16 cardsend(std::string_view text, u16 mode, WindowRef window);
i16 backsend(std::string_view text, WindowRef window);
i16 windsend(std::string_view text, WindowRef window);
i16 filesend(std::string_view text, WindowRef window);
i16 sharesend(std::string_view text);
i16 menusend(const menuline& menu, std::string_view text, WindowRef window);
i16 dockmenusend(std::string_view text, WindowRef window);
i16 itemsend(const menuline& menu, i16 item, std::string_view text, WindowRef window);
i16 dockmenuitemsend(i16 item, std::string_view text, WindowRef window);

// Sends a message text to the object a filled descriptor names, by its kind: 2 for no object,
// 79 for a target whose records are not loaded, the dispatcher's status otherwise. Menus and
// items go in the context of the front window; the application runs the text in the current
// context along `path`.
i16 lowsend(std::string_view text, hierpath path, Handle variables, const objread& obj);
// Sends a tokenised message (a function call when m.result is set) straight to the object of
// a descriptor, in the context of the front window: 2 for no object and the application, 79
// for a descriptor whose window is not open.
i16 lowdispatch(const objread& obj, const tokmessage& m);

// --- Levels of a message path ------------------------------------------------------------------
// Each level of a path is kept in the script cache under its object's reference text (the
// text the system keeps to find an object again, store/reftexts.h); a project's is the part of
// its window's text that names the project. Whoever changes or deletes a script marks the
// cache entry under the same text (markhier).
//
// The text of a desk's card, background, window or project level (empty for other levels).
void levelof(const desk& d, u16 level, StringPtr text);
// The cache key, the script (a stored record's script handle, or none) and the level of the
// object a descriptor names: an item, a menu, a button, field or graphic, a card, background,
// window or project. False for the other kinds.
bool objectlevel(const objread& obj, Handle* script, u16* level, StringPtr text);
// The background level of a desk's path, taking one use of its cache entry: as makehier.
i16 buildback(const desk& d, hier* out);

// Sets `transitionLoc` from a descriptor: the centre of an object of the shown card, in
// global coordinates, or of the window record's rectangle for a card, background, window or
// project; (0, 0) otherwise, and while the program quits.
void setranloctoread(const objread* obj);

// --- Senders on the current window -------------------------------------------------------------
// Sends a message text along the current card's path with the given variables (externals'
// callbacks, requests from other programs, the message box). `the target`, the send depth and
// error reporting are left alone.
i16 xcomsend(std::string_view text, Handle variables, u8 mode);
// Runs a text of statements along the current card's path with the given variables, as a line
// typed into the message box runs: control structures run as in a handler (the text stands as
// an entry of its own in front of the path, as `do` runs it), `the target` is the current
// card. A script error is left for the caller to report (doerror).
i16 xcomdo(std::string_view text, Handle variables);
// Evaluates an expression text in the context of the current card, with the global variables,
// into *result (a new value). 19 when words are left after the expression, 2 when the text
// is a single word taken as its own text; an empty text gives empty and 0.
i16 evalsend(std::string_view expression, fred* result);
// Runs statements for an external, as the handler "XcomRunHandler" placed before the current
// card's levels.
i16 handlesend(std::string_view statements);

}  // namespace kv
