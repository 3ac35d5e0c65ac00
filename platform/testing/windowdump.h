// The dump folder of a run (--dump-dir): when the run ends (before the program closes its
// windows), the composed screen is written there as screen.png, and a PNG of each window's
// port, named window-1.png for the front window, window-2.png for the one behind it, and so on
// down the window list (hidden windows included; a window without content pixels gets no
// file).
#pragma once

#include <string>

namespace kv {

// Makes the folder when it is missing and keeps it as the dump folder of the run; false with a
// message when it cannot be made or is not a folder. An empty path sets no dump folder.
bool setdumpfolder(const std::string& path, std::string* error);
// Writes the windows' PNGs into a folder; false with a message naming the first file that
// could not be written (the rest are still written).
bool dumpwindows(const std::string& folder, std::string* error);
// Writes them into the run's dump folder, if it has one and they were not written yet (a run
// takes its pictures once).
bool writewindowdump(std::string* error);
// writewindowdump, a failure noted in the transcript and on standard error: the program takes
// the pictures before it closes its project windows.
void takewindowdump();
// What every end of a run leaves behind: the windows in the dump folder (unless taken
// before), then the transcript file.
void writeendofrun();

}  // namespace kv
