// The small routines every modal dialog of the program shares: items by number, radio
// groups, the default button and its flash, the dialog cursor, the dialog editing keys, the
// two standard filters, the loop of movable modal dialogs, two ready-made message dialogs and
// the largest content rectangle of a window. Items are numbered from 1; item 1 is the default
// button and item 2 the cancel button.
#pragma once

#include "core/dialogs.h"
#include "platform/dialogs/dialogs.h"
#include "platform/types.h"

namespace kv {

// The item's handle: its control for a control item, its text for a text item (0 for none).
u32 gethand(DialogRef dialog, i16 item);
// The item's text as a length-prefixed string, cut to size - 1 characters.
void getext(DialogRef dialog, i16 item, StringPtr text, i16 size);
void setext(DialogRef dialog, i16 item, ConstStringPtr text);
// Clears the values of items first..last, then sets item chosen to 1.
void doradio(DialogRef dialog, i16 first, i16 last, i16 chosen);
// Marks item 1 as the default button.
void setdefault(DialogRef dialog);
// Highlights a control (part 10) for 8 ticks; flashdefault does it to item 1.
void flashcontrol(ControlRef control);
void flashdefault(DialogRef dialog);
// Return (13) and Enter (3).
bool keyabort(u8 c);
// The I-beam over the focused edit item (grown by 2 pixels), the arrow elsewhere; no change
// when no item has the focus.
void dlogcursor(DialogRef dialog);
// The command keys of a dialog: period hits item 2, C copies, V pastes (the focused item is
// hit), X cuts. The event is consumed; answers whether an item was hit.
bool dialogedit(DialogRef dialog, EventRecord* event, i16* itemhit);
// Copies the text from *cursor up to the next return or the end into `out` (at most 255
// characters; a longer line is cut and sets *overflow when given), leaves the cursor on the
// return or the end and answers whether a return stopped it.
bool collectoreturn(const u8** cursor, const u8* end, StringPtr out, bool* overflow);
// A TextEdit record's text written into `dest` in the stored form of field texts: no style
// runs, the characters, and a tail of the record's justification (0), line height, font, size,
// plain face and black. The memory status.
OSErr packtext(Handle dest, TEHandle te);
// The largest content rectangle of a window: the usable bounds of the screen holding most of
// it, no larger than the offscreen world, less the window's frame on each side.
void GetMaxRect(WindowRef window, Rect* out);

// domessage, the message dialog every subsystem may show, is declared in core/dialogs.h.
// Dialog `id` (OK as item 1, the text as item 2, an icon item 3 showing icon `icon` when not
// -1) showing `text`, until its default button.
void messagedialog(i16 id, ConstStringPtr text, i16 icon = -1);
// Dialog `id` as it is; whether item 1 ended it.
bool bailoutdlog(i16 id);

// Item layout of dialogs that grow to their texts: an item's box moved by dtop at its top and
// dbottom at its bottom; the push buttons among items 1..last moved down by `by`; the window
// made `by` pixels taller; an item's text set again so that it lays out in its new box.
void movebox(DialogRef dialog, i16 item, i16 dtop, i16 dbottom);
void movebuttons(DialogRef dialog, i16 last, i16 by);
void growwindow(DialogRef dialog, i16 by);
void resettext(DialogRef dialog, i16 item);
// Moves the dialog so that its content is centred on (h, v) of the screen, or on the main
// screen's usable bounds when either is negative.
void centredialog(DialogRef dialog, i16 h, i16 v);
// The pieces the dialog filters share. Draws the dialog for its own update event and consumes
// the event (false for another window's update); takes a resume or suspend to the dialog's
// controls; answers the escape key (item 2 when the cancel item is usable) and Return or Enter
// (item 1 when it is active), consuming the key when the item cannot be hit.
bool updatedialog(DialogRef dialog, EventRecord* event);
void resumedialog(DialogRef dialog, const EventRecord* event);
bool escapekey(DialogRef dialog, EventRecord* event, i16* itemhit);
bool abortkey(DialogRef dialog, EventRecord* event, i16* itemhit);

// The standard filter of the script dialogs (alert, ask, answer), and the simpler one of the
// message dialogs.
bool PdialogRTstdialog(DialogRef dialog, EventRecord* event, i16* itemhit);
bool PdialogMPstdialog(DialogRef dialog, EventRecord* event, i16* itemhit);
// The loop of a movable modal dialog: until one item is hit (0 when there is no dialog).
void MovableModalDialog(DialogRef dialog, ModalFilterProcPtr filter, i16* itemhit);

}  // namespace kv
