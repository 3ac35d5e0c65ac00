// The program's bundle: the folder that holds the program, and its information file. A
// standalone is such a folder holding the program, an "Info" file (preference file form,
// platform/prefs/prefs.h) with the key "IsKestroveStandalone", and Resources/main.kv45.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/prefs/prefs.h"

namespace kv {

// The folder of the running program (UTF-8, no trailing '/'): the folder tests set, else the
// folder of the program's file. False when it cannot be told.
bool applicationfolder(std::string* path);
// Tests set the folder the program seems to run from; an empty path restores the real one.
void setapplicationfolder(std::string path);

// A value of the bundle's information file ("Info" in the application folder); none when the
// file or the key is missing.
std::optional<PrefValue> bundlevalue(std::string_view key);
// A value of the information file ("Info") of another folder (a Mac Roman path).
std::optional<PrefValue> infovalue(std::string_view folder, std::string_view key);

}  // namespace kv
