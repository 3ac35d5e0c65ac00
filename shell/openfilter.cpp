// The filter of the open-file chooser when a script asked for files of given types or
// extensions: folders always, files (links followed to their targets) whose type or extension
// is listed.
#include <string>

#include "platform/files/files.h"
#include "platform/text/casefold.h"
#include "platform/text/pstring.h"
#include "core/dialogs.h"

namespace kv {

namespace {

bool samecase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k)
    if (lowertable[u8(a[k])] != lowertable[u8(b[k])]) return false;
  return true;
}

}  // namespace

bool NavLaunchServicesFilterProc(const ChooserEntry& item, i16 filtermode) {
  if (filtermode != 0) return true;
  if (item.name.empty() || item.name.size() > 255) return false;
  u32 dirid = 0;
  if (folderidofpath(item.location, &dirid) != noErr) return false;
  i16 volume = kBootVolume;
  Str255 name{};
  pstrassign(name, sizeof name, item.name.data(), item.name.size());
  CatInfo info{};
  if (HGetCatInfo(volume, dirid, name, &info) != noErr) return false;
  if (info.folder) return true;
  // A link is followed through every link after it; one that leads nowhere hides the item.
  bool alias = false;
  if (ResolveAliasFile(&volume, &dirid, name, &alias) != noErr) return false;
  if (alias && HGetCatInfo(volume, dirid, name, &info) != noErr) return false;
  if (info.folder) return true;
  const ScriptDialogState& sd = scriptdialogs();
  const char type[4] = {char(info.type >> 24), char(info.type >> 16), char(info.type >> 8), char(info.type)};
  for (i16 k = 0; k < sd.typcount; ++k)
    if (samecase(pstringview(sd.types[k]), std::string_view(type, 4))) return true;
  const std::size_t dot = item.name.rfind('.');
  if (dot == std::string::npos) return false;
  const std::string_view extension = std::string_view(item.name).substr(dot);
  for (i16 k = 0; k < sd.extensioncount; ++k)
    if (samecase(pstringview(sd.extensions[k]), extension)) return true;
  return false;
}

}  // namespace kv
