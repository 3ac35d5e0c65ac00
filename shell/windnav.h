// Moving between project windows and cards: opening a window at a card, going to a card (in
// this window, another window of the project, or another project), and closing the current
// window. Each sends the open and close messages that scripts rely on; -991 means a handler
// moved elsewhere while a message ran, and the caller stops its own sequence.
//
// Headless: the platform window is made and shown or hidden, but nothing is drawn; redraws
// are only recorded (shell/redraws.h).
#pragma once

#include "platform/types.h"
#include "core/desk.h"
#include "store/forms.h"

namespace kv {

constexpr i16 kCardChanged = -991;

// Brings up the window and card a form names: opens the window (hidden with `hidden`) or
// changes the card of the open one; with `shared` a project opened here becomes the shared
// project. 0, -991 or a status.
i16 openwindow(const form& f, u16 shared, u16 hidden);
// The `go` road: closes what is left (sending "closeCard", "closeBackground", "closeWindow"
// as needed) and shows the card the form names. A form whose card part is "next" with the
// current card's number names the card that follows it. 0, -991 or a status.
i16 gotowindow(const form& f);
// Sends the closing messages of the current window: 0, -991 when a handler changed the card
// or window, or a handler's status.
i16 closefirst();
// The background's objects of a desk take the texts and per-card state its card keeps for
// them; the scrolling fields start at their top.
void putbacktexts(const desk& d);
// Writes the current window's records back, flushes the store and takes the window down:
// its entry leaves the window table, its project closes when nothing else holds it, and the
// current desk is emptied.
void dumpcurrent();

}  // namespace kv
