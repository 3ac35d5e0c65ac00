// The mounted volumes: the boot volume "/" (reference kBootVolume) and every file system
// mounted under /media, /run/media or /mnt, in mount order, read from /proc/self/mountinfo
// (or a mount table tests give). Each keeps one reference number (-2, -3, ...) for the run;
// its name is its label (/dev/disk/by-label), else its mount point's last component; a file
// system mounted read-only is locked. The watcher compares the table with the last one it saw
// and turns each difference into a mount or unmount change for the event layer.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/types.h"

namespace kv {

struct VolumeInfo {
  i16 vRefNum = 0;
  bool locked = false;
  std::string name;        // Mac Roman
  std::string mountpoint;  // UTF-8
};

// The index-th volume (1: the boot volume): noErr, or nsvErr past the last.
OSErr GetVolumeByIndex(i16 index, VolumeInfo* out);
// A mounted volume by its reference number: noErr, or nsvErr.
OSErr GetVolumeByRefNum(i16 vRefNum, VolumeInfo* out);

struct VolumeChange {
  i16 vRefNum;
  bool mounted;
  std::string name;  // Mac Roman
};
// What was mounted and unmounted since the last call (the first call only takes the table).
// The table is read at most once every 30 ticks of `now`.
std::vector<VolumeChange> pollvolumes(u32 now);

// Unmounts a volume (through udisks2's "udisksctl unmount" and "power-off" when it is
// installed, else umount2): noErr, nsvErr for no such volume, fBsyErr when it is refused.
OSErr unmountvolume(i16 vRefNum);

// Test control: a mount table in the form of /proc/self/mountinfo, read instead of the
// system's from now on (nullopt restores the system's); the watcher compares it with what it
// saw last.
void setmounttable(std::optional<std::string> mountinfo);

}  // namespace kv
