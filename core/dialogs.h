// The script dialogs' interface: alert, ask and answer (the routines that show them; the
// commands are the shell's, shell/dialogs.h), the save-file, open-file, folder and volume
// choosers, the program chooser, and the forms of them that externals and the engine call. The dialogs run on the platform's Dialog Manager
// (platform/dialogs) with the shared filters of shell/dialogutils.h; headless runs answer them
// through the answers queue (alert: a button title; ask: the text; answer: a button title;
// ask file, answer file, answer folder, answer volume: a path; cancel: Escape).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/dialogs/choosers.h"
#include "platform/dialogs/dialogs.h"
#include "platform/types.h"

struct kv_listrequest;  // system/kvexternal.h

namespace kv {

enum : i16 { stopalert = 0, notealert = 1, cautionalert = 2, plainalert = 3 };

// Dialog 100 with entry `index` of string list `list` as its text (the ParamText texts stand
// for ^0 to ^3) and the icon `icon`, until its default button (shell/dialogutils.cpp).
void domessage(i16 list, i16 index, i16 icon);

// The state the script dialogs share: the no-cancel flag that `without cancel` sets (cleared
// by every dialog routine when it returns), the hide-extension request of `ask file` (0 none,
// 1 show, 2 hide), the `with` buffer, the chooser's type and extension filters and the folder
// the choosers open in.
struct ScriptDialogState {
  i16 nocancel = 0;
  i16 hideextension = 0;
  Str255 withbuffer{};
  Str255 types[3]{};
  i16 typcount = 0;
  Str255 extensions[10]{};
  i16 extensioncount = 0;
  std::string defaultlocation;  // a folder path; empty: the current folder
};
ScriptDialogState& scriptdialogs();

// --- Alert --------------------------------------------------------------------------------------
// The standard alert with a message, an explanation (empty or null: none), a kind, up to three
// buttons: one is the default; of two, the second is the default and the first the cancel
// button; of three, the third is the default, the second the cancel and the first the other
// button. With allowSheet it is a sheet on the current window where one can be shown (answers
// 0 at once). Answers the item hit: 1 default, 2 cancel, 3 other.
i16 runalert(ConstStringPtr message, ConstStringPtr explanation, i16 kind, i16 allowSheet, i16 count,
             ConstStringPtr button1, ConstStringPtr button2, ConstStringPtr button3);
// A window showing a script's sheet names it by this property (creator, tag: the sheet's id).
constexpr u32 kSheetCreator = fourcc("KVsh");
constexpr u32 kSheetTag = fourcc("shet");
// The handler of a sheet's button clicks.
OSStatus mySheetHandler(u32 call, u32 event, u32 userdata);

// --- Ask ----------------------------------------------------------------------------------------
enum : i16 { askmodetext = 0, askmodefile = 1 };
// Mode 0: dialog 130 with the prompt and `answer` as the default text (password form when
// `password`), centred on (h, v) (-1: the main screen's centre): 1 OK, 2 Cancel, the text in
// `answer`. Mode 1: the save-file chooser with `answer` as the proposed name: always 1, the
// name in `name` (empty when cancelled) and its folder in `folder`.
i16 runask(i16 mode, ConstStringPtr prompt, StringPtr answer, i16 h, i16 v, StringPtr name, bool password,
           std::string* folder);
// Grows the ask dialog to its prompt (item 3) and answer (item 4).
void adjustask(DialogRef dialog);
// The ask dialog and the save-file chooser for externals (see runask): in file mode the full
// path of the chosen name in `path` and its folder's place in `volume` and `directory`;
// cancelled, the answer emptied and the result text 1 in `path`.
i16 xask(i16 mode, ConstStringPtr prompt, StringPtr answer, i16 h, i16 v, StringPtr path, bool password, i16* volume,
         u32* directory);
// The save-file dialog with a prompt, a default file name and the name-extension request (0
// as the person leaves it, 1 show, 2 hide). 1 with the full path in `file`, 0 when cancelled.
i16 runputfile(ConstStringPtr prompt, ConstStringPtr defaultname, i16 extension, StringPtr file);

// --- Answer -------------------------------------------------------------------------------------
enum : i16 { answerbuttons = 0, answerfile = 1, answerfolder = 2, answervolume = 3, answerpicture = 4 };
// The prompt is the `with` buffer. Mode 0: dialog 650 with up to three buttons (the last named
// is item 1): 1/2/3. Modes 1-4: the choosers: 1 with the chosen item's full path in `path`, 0
// when cancelled. (h, v): the point the dialog is centred on (-1 for none).
i16 runanswer(i16 mode, i16 count, ConstStringPtr b1, ConstStringPtr b2, ConstStringPtr b3, i16 h, i16 v,
              std::string* path);
// Grows the button dialog to its prompt (item 4).
void adjustanswer(DialogRef dialog);
// The event procedure of the choosers: the hide-extension request is applied at the first
// activate (it has no visible effect here) and then cleared; a mouse-up brings the arrow back.
void naveventproc(const EventRecord& event, void* ref);
// The dialogs offered to externals (procedure-table slots 226-230; every text may be null).
// The answer dialog: a prompt and `count` buttons (0-3; none shows one titled with program
// text 1). Answers the button's number (1-3).
i16 xanswer(ConstStringPtr prompt, i16 count, ConstStringPtr b1, ConstStringPtr b2, ConstStringPtr b3);
// The file chooser with up to three types; the full path, or the result text 1 and 0.
i16 xanswerfile(ConstStringPtr prompt, ConstStringPtr type1, ConstStringPtr type2, ConstStringPtr type3,
                StringPtr path);
// The folder chooser: 1 with the folder's place (its name, the volume and the id of the folder
// that holds it), 0 when cancelled (the outs stay zero).
i16 xanswerfolder(ConstStringPtr prompt, StringPtr name, i16* volume, u32* directory);
// The open-file dialog with a message: 1 with the full path (Mac Roman) in `file`, 0 when
// cancelled.
i16 runopenfile(ConstStringPtr message, StringPtr file);
// The lines a prompt takes at a width in the system font, inset by 2 on each side (1 for none).
i32 getlines(std::string_view text, i16 width);

// A list of rows in dialog `dialogid` (OK, Cancel, the list as item 3, a prompt showing
// ParamText's ^0): the chosen row's index, or -1 when cancelled. Headless, an answer of `kind`
// names the row (or gives its number).
i32 pickfromlist(i16 dialogid, ConstStringPtr prompt, const std::vector<std::string>& rows, i32 initial,
                 const std::string& loopname, std::string_view kind);

// Whether the open-file chooser shows an item when the script listed types or extensions:
// every item of the lists other than the folder's browser (filter mode not 0); folders and
// links to folders; files, links followed, whose type is in the type list or whose name's
// part from the last "." is in the extension list (letter case aside). A link that leads
// nowhere is hidden.
bool NavLaunchServicesFilterProc(const ChooserEntry& item, i16 filtermode);

// --- List ---------------------------------------------------------------------------------------
// What `ask list` and externals ask of the list dialog: the lines (each ending with a return,
// then a zero byte), the point the dialog is centred on, one or two button titles, the answer
// form (1 the rows' texts, 0 their numbers), the rows selected at first (16-bit row numbers
// from 1; runlist disposes of the handle), the prompt and the list's selection flags.
struct listrequest {
  const u8* text = nullptr;
  i32 h = 0;
  i32 v = 0;
  u16 buttons = 0;
  u16 form = 0;
  Handle selected = 0;
  Str255 button1{};
  Str255 button2{};
  Str255 prompt{};
  u8 selectionflags = 128;
};
// The list dialog's layout within the largest window content at its centre point: the width
// W of its list, the prompt's height, the rows shown (at least 1), the list's and the prompt's
// boxes and the window's size.
struct listlayout {
  i16 w = 0;
  i16 promptheight = 0;
  i16 visiblerows = 0;
  Rect list{};
  Rect prompt{};
  i16 width = 0;
  i16 height = 0;
};
listlayout layoutlist(const listrequest& request, const Rect& room);
// Shows the list dialog (660) until a button: the picked rows' texts (one a line) or numbers
// (joined by ",") appended to `answer` after item 1. Answers the item hit: 1 the default
// button (button 1, or button 2 of two), 2 the other.
i16 runlist(listrequest& request, Handle answer);
i16 xrunlist(::kv_listrequest* request, Handle answer);
// The filter of the list dialog: Escape and Command-period cancel (when there is a cancel
// button), Return and Enter hit item 1, the arrows and typing move the selection, a click
// goes to the list (a double click is OK when one row only may be selected).
bool PcomaRTlistdlog(DialogRef dialog, EventRecord* event, i16* itemhit);
// The wheel over the list dialog: 1 row a notch, 10 with Command, 5 with Option, 20 with both.
OSStatus PcomaRTasklistmousewheelproc(u32 call, u32 event, u32 userdata);

// --- Icon chooser ---------------------------------------------------------------------------------
// Fills layer `which` (0 the project's, 1 the shared project's) of the icon chooser from a
// project's resources: one entry per id, 'icns' before 'cicn' before 'ICON', except that two
// 'ICON' of one id are both listed; the entry of the wanted id is selected.
void buildlow(RegistryId store, u32 wanted, int which);
// The filter of the icon chooser and its scroll bar's action (a row per arrow, three per page).
bool PdialogRTfiltericon(DialogRef dialog, EventRecord* event, i16* itemhit);
void PdialogRTiconscroll(ControlRef control, i16 part);

// --- Program chooser ----------------------------------------------------------------------------
// Fills the chooser's list: 0 listed, 1 the remote listing failed, 2 a bad machine address.
i16 populateprocesslist(std::vector<std::string>* rows, std::string* machine, const std::string& localaddress);
// A machine address of exactly four decimal numbers 0-255 joined by "."; false otherwise.
bool parsemachineaddress(std::string_view text, u8 out[4]);

}  // namespace kv
