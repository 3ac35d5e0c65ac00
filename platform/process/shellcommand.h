// Command lines run through the system shell, and the facts of the machine the program runs on.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/types.h"

namespace kv {

// How a shell command ended for its caller.
enum class shellstatus : u8 {
  done,        // the output was read to its end
  notstarted,  // the shell could not be started
  refused,     // `take` refused a piece: the command's process group was ended
};

// Runs a command line (UTF-8) through `/bin/sh -c` in a process group of its own, its standard
// input empty, its standard output piped. Each piece of the output (at most 16,384 bytes) goes
// to `take` as it is read, until the end of the output (a short read is not the end); when
// `take` answers false, the command and everything it started are ended. The shell's exit
// status is not looked at.
shellstatus runshellcommand(std::string_view command, const std::function<bool(const char*, size_t)>& take);

// The facts of the machine: the product name, the processor model, the online processor
// count, the processor speed in MHz, the physical memory in bytes, and the serial number (only
// when it can be read). Fields left empty or zero are not known.
struct machinefacts {
  std::string product;
  std::string cpumodel;
  u32 cpucount = 0;
  u32 cpumhz = 0;
  u64 memorybytes = 0;
  std::string serial;
};

// The machine's facts, from /sys/class/dmi/id and /proc, read once per model; or the model a
// test injected.
const machinefacts& currentmachine();
// Replaces the facts that currentmachine answers (nullopt reads the machine again).
void setmachinemodel(std::optional<machinefacts> model);

}  // namespace kv
