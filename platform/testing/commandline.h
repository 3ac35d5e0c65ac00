// The platform's part of the command line: how the run is shown and driven.
//   --headless            no display even when one is there
//   --answers FILE        the answers queue for modal dialogs (platform/testing/answers.h)
//   --input FILE          scripted input (platform/testing/inputscript.h)
//   --transcript FILE     the transcript, written when the run ends
//   --dump-dir DIR        a PNG of each window, written into DIR when the run ends
//                         (platform/testing/windowdump.h)
//   --screen WxHxD        the screen's size and depth (1, 8, 16 or 32; default 1024x768x32)
//   --max-ticks N         a headless run ends after N ticks of its virtual clock
// Every other option is the caller's.
#pragma once

#include <string>

#include "platform/types.h"

namespace kv {

struct PlatformOptions {
  bool headless = false;
  std::string answers;
  std::string input;
  std::string transcript;
  std::string dumpdir;
  i16 width = 1024, height = 768, depth = 32;
  bool screengiven = false;  // --screen was given (else a display may make the screen smaller)
  u32 maxticks = 0;
  // The scripted input waits for startplatforminput (the program's start-up flushes the
  // events that are pending when it begins).
  bool deferinput = false;
};

// Looks at argv[i]: answers how many arguments it took (0: not a platform option), or -1 with
// a message when the option is malformed or lacks its value.
int takeplatformoption(int argc, char** argv, int i, PlatformOptions* opts, std::string* error);

// Opens the backend (SDL2 when a display is there and --headless was not given), loads the
// answers and the input, and arranges for the transcript and the dump folder (made when missing). A run without a person takes the
// dialogs' defaults when no answer is queued. False with a message when a file cannot be read.
bool startplatform(const PlatformOptions& opts, std::string* error);

// Puts the scripted input that startplatform kept back (deferinput) on the timeline from now:
// false with a message naming the first bad line.
bool startplatforminput(std::string* error);

// Whether the program runs headless from its command line (startplatform chose the headless
// backend): its error alerts are then also reported on standard error (engine/scripterror.h).
bool headlessrun();

// The end of a run that returns normally: records the exit, writes the windows into the dump
// folder and writes the transcript. Answers the status the process ends with (endstatus of
// platform/process/exit.h: a quit signal's, or 1 for a headless run that showed a script
// error).
int finishplatform(int status);

}  // namespace kv
