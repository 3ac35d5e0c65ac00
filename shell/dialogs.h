// The dialogs and alerts the engine raises. Until the dialog model runs them in its modal
// loops, each one is answered as a headless run answers a modal loop (the answers queue, then
// the unattended policy) and written to the run's transcript (platform/testing).
#pragma once

#include "platform/types.h"

namespace kv {

enum : i16 { stopalert = 0, notealert = 1, cautionalert = 2 };

// A standard alert with `buttons` (1 or 2) button texts; with two, the second labels the
// default button (item 1) and the first the cancel button (item 2). Answers the item hit: an
// "alert" answer names a button by its text; otherwise the default button is hit.
i16 runalert(ConstStringPtr title, ConstStringPtr message, i16 alerttype, i16 sheet, i16 buttons,
             const ConstStringPtr* texts);
// The ask dialog: the "ask" answer's text, else the default text. 1 when answered with OK,
// 2 when there was nothing to answer with and no default.
i16 runask(ConstStringPtr prompt, ConstStringPtr defaulttext, StringPtr answer);
// The answer dialog of externals: a prompt and `count` buttons (0-3; none shows an OK button).
// An "answer" answer names a button by its text; otherwise the first is hit. Answers the
// button's number (1-3).
i16 xanswer(ConstStringPtr prompt, i16 count, const ConstStringPtr* titles);
// The save-file dialog with a prompt, a default file name and the name-extension option
// (0 as the person leaves it, 1 show, 2 hide). An "ask file" answer names the file: a path,
// absolute or below the default folder; an empty answer cancels. With nobody to answer, the
// default name is taken. 1 with the name in `file`, 0 when cancelled.
i16 runputfile(ConstStringPtr prompt, ConstStringPtr defaultname, i16 extension, StringPtr file);
// The open-file dialog with a message. An "answer file" answer names the file chosen: a path,
// absolute or relative to the current folder; an empty answer cancels, and so does a run with
// nobody to answer. 1 with the path (Mac Roman) in `file`, 0 when cancelled.
i16 runopenfile(ConstStringPtr message, StringPtr file);
// Dialog 100 with entry `index` of the string list, waiting for its default button. The
// texts set by ParamText stand for "^0" to "^3" in it.
void domessage(i16 list, i16 index, i16 icon);
// The texts that stand for "^0" to "^3" in the messages shown next (null for an empty one).
void ParamText(ConstStringPtr p0, ConstStringPtr p1, ConstStringPtr p2, ConstStringPtr p3);
// The text set for "^n" (n from 0 to 3; empty for another n).
void getparamtext(i16 n, StringPtr out);

}  // namespace kv
