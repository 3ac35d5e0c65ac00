// The file, folder and volume choosers: our own dialog listing a folder (its items as a list,
// the folder's path with a button to its parent, a name field to type a name or a path into).
// Get-file lists the files its type list or filter procedure lets through, and folders to go
// into; put-file proposes a name; choose-folder and choose-volume pick a folder (a volume is a
// folder at the top of the tree here). The event procedure sees the update, activate and
// mouse-up events of the dialog, and the requests of other programs (high-level events) that
// arrive while it is up.
//
// Headless runs answer a chooser as a person would: the answer's path is typed into the name
// field and Return pressed ("cancel" presses Escape); with nobody to answer, put-file takes
// the proposed name and the others are cancelled.
#pragma once

#include <string>
#include <vector>

#include "platform/events/eventrecord.h"
#include "platform/types.h"

namespace kv {

enum class ChooserKind : u8 { getfile, putfile, folder, volume };

// One item of the listed folder (its name in Mac Roman).
struct ChooserEntry {
  std::string name;
  bool folder = false;
  u32 type = 0;
  std::string location;  // the folder that holds it (Mac Roman path)
};
using ChooserFilterProc = bool (*)(const ChooserEntry& entry, void* ref);
using ChooserEventProc = void (*)(const EventRecord& event, void* ref);

struct ChooserRequest {
  ChooserKind kind = ChooserKind::getfile;
  std::string message;                 // the prompt (Mac Roman)
  std::vector<u32> types;              // get-file: only files of these types (empty: all files)
  ChooserFilterProc filter = nullptr;  // get-file: a file is listed when this answers true
  void* filterref = nullptr;
  ChooserEventProc eventproc = nullptr;
  void* eventref = nullptr;
  std::string proposedname;  // put-file
  i16 hideextension = 0;     // put-file: 1 show, 2 hide (kept; no visible effect here)
  std::string location;      // the folder it opens in (Mac Roman path; empty: current)
  bool positioned = false;
  Point where{0, 0};  // the dialog's top-left when positioned
  bool cancellable = true;
  std::string loopname;    // the dialog's line in the transcript
  std::string answerkind;  // the answers it takes ("answer file", "ask file", ...)
};

// Runs the chooser: noErr with the chosen item's full path (Mac Roman), or userCanceledErr.
OSErr runchooser(const ChooserRequest& request, std::string* path);
// What the last chooser was asked (its type list, filter, name, location).
const ChooserRequest& lastchooserrequest();
// Whether the chooser lists an item of a folder.
bool choosershows(const ChooserRequest& request, const ChooserEntry& entry);
// The items of a folder as the chooser lists them (folders first, then by name); empty when
// the folder cannot be read.
std::vector<ChooserEntry> chooserentries(const ChooserRequest& request, const std::string& folder);

}  // namespace kv
