// A stand-in for the volume list until the folder and volume routines exist: it keeps the
// reference number and name of each announced volume, which is what the disk events need.
// hideFileExtension is the file system's extension setting. UnmountAndEject finds the volume
// but unmounts nothing: every volume it finds is refused as busy.
#include <string>
#include <utility>
#include <vector>

#include "engine/textutil.h"
#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/runtime/root.h"
#include "platform/text/pstring.h"
#include "shell/mainglobals.h"
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

OSErr UnmountAndEject(ConstStringPtr name, i16 volume) {
  if (name != nullptr) {
    std::string text(pstringview(name));
    if (!text.empty() && text.back() == ':') text.pop_back();
    if (volumebyname(text, &volume) != noErr) return nsvErr;
  } else if (std::string ignored; volumename(volume, &ignored) != noErr) {
    return nsvErr;
  }
  return fBsyErr;
}

i16 resultfilesystemerr(i16 status) {
  std::string format(pstringview(resultstr(110)));
  std::string text;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format.compare(i, 2, "%d") == 0) {
      text += std::to_string(status);
      ++i;
    } else {
      text += format[i];
    }
  }
  Handle& result = mainglobals().result;
  if (result == nilhandle) return PtrToHand(text.data(), &result, Size(text.size())) == noErr ? 0 : 37;
  return PtrToXHand(text.data(), result, Size(text.size())) == noErr ? 0 : 37;
}

void buildvolumelist() {
  auto& list = state<VolumeListState>().volumes;
  list.clear();
  list.emplace_back(kBootVolume, "/");
}

}  // namespace kv
