// The dialogs and alerts the engine raises. Until the window and dialog model runs them,
// headless runs answer them from an answers queue and every one is written to a transcript
// (a line each: "alert: <title> <message>", "ask: <prompt>", "message: <text>").
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace kv {

enum : i16 { stopalert = 0, notealert = 1, cautionalert = 2 };

// A standard alert with `buttons` (1 or 2) button texts; with two, the second labels the
// default button (item 1) and the first the cancel button (item 2). Answers the item hit: the
// queued "alert" answer names a button by its text; without one the default button is hit.
i16 runalert(ConstStringPtr title, ConstStringPtr message, i16 alerttype, i16 sheet, i16 buttons,
             const ConstStringPtr* texts);
// The ask dialog: the queued "ask" answer's text, else the default text. 1 when answered with
// OK, 2 when there was nothing to answer with and no default.
i16 runask(ConstStringPtr prompt, ConstStringPtr defaulttext, StringPtr answer);
// Dialog 100 with entry `index` of the string list, waiting for its default button.
void domessage(i16 list, i16 index, i16 icon);

// The answers queue: kind ("alert", "ask") and the text a person would give.
void queuedialoganswer(std::string_view kind, std::string_view text);
// The transcript lines so far, and clearing them.
const std::vector<std::string>& dialogtranscript();
void cleardialogtranscript();

}  // namespace kv
