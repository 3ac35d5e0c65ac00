// Dialogs laid out in a project's DLOG/DITL resources that scripts run: the function `dialog`
// (preload, display, view, hilitedLines, dispose) and the command `setDialogItem`, through the
// state text of each item kept in the variables item1, item2 ... of the handler that loaded
// the dialog. A dialog reference handed to a script is a registry id, checked on every use;
// every loaded dialog is closed at the main loop's next pass.
#pragma once

#include "engine/hier.h"
#include "engine/variables.h"
#include "platform/dialogs/dialogs.h"
#include "platform/types.h"

namespace kv {

struct fred;

scriptstatus fundialog(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
scriptstatus comsetdialogitem(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);

// The state text of one item: kind letter (u b x r c s e i p, o for others), v or i, e or d, the
// look (a push button's key or "-", s or c for check boxes and radio buttons, "-" otherwise),
// "\" and the text (titles, the first 250 characters of static and edit texts, a resource
// control's "minimum,value,maximum").
void getitemstring(DialogRef dialog, i16 item, StringPtr out);
// The variable "item<n>" of a handler's list: 0 with its entry (and index), else 16, or with
// `create` the new variable (or the error of making it).
i16 getitemvars(Handle variables, i16 item, varentry* out, bool create, i32* index);

// The drawer of user items whose look is a picture (p), a text (t), erased (e) or reset (z).
void PdialogRTdialoguseraction(DialogRef dialog, i16 item);
// The filters of `display` (command keys by the push buttons' keys, Escape as Command-period,
// Return for an active push button 1) and of `view` (the second event ends it).
bool PdialogRTmystdialog(DialogRef dialog, EventRecord* event, i16* itemhit);
bool PdialogRTviewproc(DialogRef dialog, EventRecord* event, i16* itemhit);

// Closes every scripted dialog still loaded: once per pass of the main loop.
void checkdialogs();

}  // namespace kv
