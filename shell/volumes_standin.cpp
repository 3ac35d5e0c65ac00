// A stand-in for the volume list until the folder and volume routines exist: it keeps the
// reference number and name of each announced volume, which is what the disk events need.
// hideFileExtension is the file system's extension setting.
#include <string>
#include <utility>
#include <vector>

#include "platform/files/files.h"
#include "platform/runtime/root.h"
#include "platform/text/pstring.h"
#include "shell/volumes.h"

namespace kv {

namespace {
struct VolumeListState {
  std::vector<std::pair<i16, std::string>> volumes;
};
}  // namespace

OSErr hideFileExtension(i16 vRefNum, u32 dirID, ConstStringPtr name, i16 hide) {
  return HSetExtensionHidden(vRefNum, dirID, name, hide != 0);
}

void addVolumeToList(i16 vRefNum, StringPtr name) {
  std::string text;
  if (volumename(vRefNum, &text) != noErr) text.clear();
  pstrassign(name, 256, text.data(), text.size());
  auto& list = state<VolumeListState>().volumes;
  std::erase_if(list, [vRefNum](const auto& v) { return v.first == vRefNum; });
  list.emplace_back(vRefNum, text);
}

void removeVolumeFromList(i16 vRefNum, StringPtr name) {
  name[0] = 0;
  auto& list = state<VolumeListState>().volumes;
  for (auto it = list.begin(); it != list.end(); ++it) {
    if (it->first != vRefNum) continue;
    pstrassign(name, 256, it->second.data(), it->second.size());
    list.erase(it);
    return;
  }
}

void buildvolumelist() {
  auto& list = state<VolumeListState>().volumes;
  list.clear();
  list.emplace_back(kBootVolume, "/");
}

}  // namespace kv
