// The Dialog Manager: dialogs are windows (a DialogRef is the window's id) with a list of
// items numbered from 1: push buttons, check boxes, radio buttons and resource controls
// (controls of platform/controls), static text, edit text (a TextEdit record of platform/te
// each), icons, pictures and user items drawn by a procedure. Dialogs come from 'DLOG' and
// 'DITL' resources through the resource chain, or from item lists built in memory. An item
// whose left edge is 16,001 or more is hidden. One edit item has the keyboard focus; the
// default and cancel items answer Return and Escape in the standard filter. Texts ^0 to ^3
// in static texts are replaced by the ParamText texts when drawn, once (a replacement is
// never scanned again).
//
// Standard alerts (stop, note, caution, plain; up to three buttons; movable or not) and
// standard sheets (attached to a parent window; a button click is sent to the sheet's event
// handlers as a control hit, class 'cntl' kind 1) are dialogs of their own items.
//
// Headless runs: a modal dialog asks the answers queue through `answerdialog` once it is
// shown; the answer becomes input on the timeline (a click on the button of that title, text
// typed into the focused edit item then Return, Escape for a "cancel" answer, Return for the
// default, or Escape where the default is to cancel), so that the dialog's own filter sees it
// as a person's input.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/controls/controls.h"
#include "platform/events/eventrecord.h"
#include "platform/te/te.h"
#include "platform/types.h"
#include "platform/windows/windows.h"

namespace kv {

using DialogRef = WindowRef;
using DialogPtr = DialogRef;
// A filter sees each event first; true ends the modal loop with *itemHit.
using ModalFilterProcPtr = bool (*)(DialogRef dialog, EventRecord* event, i16* itemHit);
using UserItemProcPtr = void (*)(DialogRef dialog, i16 item);

// Item types (with itemDisable added: the item is never reported as hit).
enum : i16 {
  userItem = 0,
  ctrlItem = 4,
  btnCtrl = 0,
  chkCtrl = 1,
  radCtrl = 2,
  resCtrl = 3,
  statText = 8,
  editText = 16,
  iconItem = 32,
  picItem = 64,
  itemDisable = 128,
  kPushButtonItem = ctrlItem + btnCtrl,
  kCheckBoxItem = ctrlItem + chkCtrl,
  kRadioButtonItem = ctrlItem + radCtrl,
};
constexpr i16 kHiddenItemLeft = 16001;  // an item box whose left is this or more is hidden

// --- Creation -------------------------------------------------------------------------------
// From 'DLOG' id and its 'DITL'; invisible dialogs stay hidden. 0 when a resource is missing
// or damaged.
DialogRef GetNewDialog(i16 id, WindowRef behind);
// From a 'DITL' image (the resource's bytes) with the bounds, definition and title given.
DialogRef NewDialogFromItems(const Rect* bounds, ConstStringPtr title, bool visible, i16 procID, WindowRef behind,
                             bool goAwayFlag, i32 refCon, const u8* ditl, std::size_t ditlsize);
void DisposeDialog(DialogRef dialog);
bool isdialog(WindowRef window);
inline WindowRef GetDialogWindow(DialogRef dialog) { return dialog; }
DialogRef GetDialogFromWindow(WindowRef window);

// --- Items ----------------------------------------------------------------------------------
i16 CountDITL(DialogRef dialog);
// The item's type, handle (its control, its TextEdit record for an edit item, the icon or
// picture SetDialogItem handed it, else 0) and box in the window's port.
void GetDialogItem(DialogRef dialog, i16 item, i16* type, u32* handle, Rect* box);
// Sets the type and box (a control or text record follows the box); for an icon or picture
// item a non-zero handle is the icon or picture it shows from then on (the caller keeps it).
void SetDialogItem(DialogRef dialog, i16 item, i16 type, u32 handle, const Rect* box);
OSErr GetDialogItemAsControl(DialogRef dialog, i16 item, ControlRef* control);
void SetDialogItemProc(DialogRef dialog, i16 item, UserItemProcPtr proc);
// An item's text: a static or edit text, or a control's title (Mac Roman; static texts as
// set, before ^0-^3 are replaced).
std::string dialogitemtext(DialogRef dialog, i16 item);
void setdialogitemtext(DialogRef dialog, i16 item, std::string_view text);
void GetDialogItemText(DialogRef dialog, i16 item, Str255 text);
void SetDialogItemText(DialogRef dialog, i16 item, ConstStringPtr text);
// A static text as shown: ^0 to ^3 replaced.
std::string dialogitemshowntext(DialogRef dialog, i16 item);
void HideDialogItem(DialogRef dialog, i16 item);
void ShowDialogItem(DialogRef dialog, i16 item);
bool isdialogitemvisible(DialogRef dialog, i16 item);
// Selects text of an edit item and gives it the focus (32767 for the end).
void SelectDialogItemText(DialogRef dialog, i16 item, i16 start, i16 end);
i16 GetDialogKeyboardFocusItem(DialogRef dialog);
OSErr SetDialogDefaultItem(DialogRef dialog, i16 item);
OSErr SetDialogCancelItem(DialogRef dialog, i16 item);
i16 GetDialogDefaultItem(DialogRef dialog);
i16 GetDialogCancelItem(DialogRef dialog);
// The texts that stand for ^0 to ^3 (null for an empty one).
void ParamText(ConstStringPtr p0, ConstStringPtr p1, ConstStringPtr p2, ConstStringPtr p3);
void getparamtext(i16 n, StringPtr out);
// A text with ^0-^3 replaced by the ParamText texts, in one pass.
std::string withparamtexts(std::string_view text);

// --- Drawing and events ---------------------------------------------------------------------
void DrawDialog(DialogRef dialog);
void UpdateDialog(DialogRef dialog, RgnHandle area);
bool IsDialogEvent(const EventRecord* event);
// Handles a dialog event: clicks on items (controls are tracked), keys to the focused edit
// item (Tab moves the focus), updates and activates. True with the dialog and the item when an
// enabled item was hit.
bool DialogSelect(const EventRecord* event, DialogRef* dialog, i16* itemHit);
// The modal loop of the front dialog: each event goes to the filter first (none: Return hits
// the default item, Escape and Command-period the cancel item); a click outside the dialog
// beeps; ends when an item is hit.
void ModalDialog(ModalFilterProcPtr filter, i16* itemHit);
// Cut, copy, paste and delete in the focused edit item, through the system clipboard.
void DialogCut(DialogRef dialog);
void DialogCopy(DialogRef dialog);
void DialogPaste(DialogRef dialog);
void DialogDelete(DialogRef dialog);

// --- Standard alerts and sheets -------------------------------------------------------------
enum : i16 { kAlertStopAlert = 0, kAlertNoteAlert = 1, kAlertCautionAlert = 2, kAlertPlainAlert = 3 };
enum : i16 { kAlertStdAlertOKButton = 1, kAlertStdAlertCancelButton = 2, kAlertStdAlertOtherButton = 3 };
struct AlertStdAlertParamRec {
  bool movable = true;
  bool helpButton = false;
  ModalFilterProcPtr filterProc = nullptr;
  ConstStringPtr defaultText = nullptr;  // null: "OK"
  ConstStringPtr cancelText = nullptr;   // null: no such button
  ConstStringPtr otherText = nullptr;    // null: no such button
  i16 defaultButton = kAlertStdAlertOKButton;
  i16 cancelButton = 0;  // the item that Escape hits (0: none)
  u16 position = 0;
};
// Makes the alert (invisible): item 1 the default button, 2 the cancel button, 3 the other
// button (an absent button's item is hidden), 4 the message and 5 the explanation.
DialogRef CreateStandardAlert(i16 kind, ConstStringPtr message, ConstStringPtr explanation,
                              const AlertStdAlertParamRec* param);
// Shows the alert, runs it as a modal dialog (its loop named "alert <message> <explanation>"
// to the answers queue) and disposes of it.
OSErr RunStandardAlert(DialogRef alert, ModalFilterProcPtr filter, i16* itemHit);
OSErr StandardAlert(i16 kind, ConstStringPtr message, ConstStringPtr explanation, const AlertStdAlertParamRec* param,
                    i16* itemHit);
// A sheet of the same items; shown attached to its parent, it does not wait.
DialogRef CreateStandardSheet(i16 kind, ConstStringPtr message, ConstStringPtr explanation,
                              const AlertStdAlertParamRec* param);
OSStatus ShowSheetWindow(WindowRef sheet, WindowRef parent);
OSStatus HideSheetWindow(WindowRef sheet);
OSStatus GetSheetWindowParent(WindowRef sheet, WindowRef* parent);
// A mouse-down in a shown sheet: the click goes to its items, and a button hit is sent to the
// sheet's handlers as a control hit (the control in the direct object). True when the event
// was the sheet's.
bool sheetevent(const EventRecord* event);
constexpr u32 kEventControlHit = 1;

// --- Plain row lists -----------------------------------------------------------------------
// Draws a list of text rows into a dialog item's box on the current port: the box erased and
// framed one pixel outside, `count` rows from `top` each `rowheight` high (as many as fit),
// `row(k)` giving row k's text, and row `selected` inverted.
void drawtextrows(DialogRef dialog, i16 item, i32 count, const std::function<std::string(i32)>& row, i32 top,
                  i32 selected, i16 rowheight);
// Calls an item's drawing routine at once on the dialog's own port, keeping the current port.
void redrawdialogitem(DialogRef dialog, i16 item, UserItemProcPtr proc);

// --- Headless answers -----------------------------------------------------------------------
// How a modal dialog of the answers queue's kind `kind` takes an answer, once it is shown: the
// transcript gets the dialog line `loopname`. Button dialogs click the button whose title is
// the answer; text dialogs type it into the focused edit item and press Return. A "cancel"
// answer presses Escape; the default policy presses Return (Escape with defaultcancels).
// Answers false when input drives the dialog.
bool answerdialog(DialogRef dialog, std::string_view loopname, std::string_view kind, bool typed,
                  bool defaultcancels = false);
// Called by a dialog's modal loop when no event came: once the input that drove the dialog has
// run out with the dialog still open, the queued answer or the policy answers it.
void dialogidle(DialogRef dialog);
// The transcript line of a dialog's end that input drove: the item hit, its title when it has
// one, and the focused edit item's text (an answered dialog's answer line says it already).
void noteitemhit(DialogRef dialog, std::string_view kind, i16 item);

}  // namespace kv
