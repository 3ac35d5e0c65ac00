// The movie time text and the search for movie files.
#include <cstdio>
#include <cstring>

#include "media/movies.h"
#include "platform/files/files.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"
#include "store/starfile.h"

namespace kv {

void formatmovietime(i64 time, i32 scale, StringPtr text) {
  i64 secs = 0, rest = 0;
  if (scale > 0) secs = time / scale, rest = time % scale;
  i64 thirtieths = scale >= 30 ? rest / (scale / 30) : 0;
  char buf[80];
  int n = std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld:%02lld", (long long)(secs / 3600),
                        (long long)(secs / 60 % 60), (long long)(secs % 60), (long long)thirtieths);
  text[0] = u8(n);
  std::memcpy(text + 1, buf, std::size_t(n));
}

i16 stringtotimevalue(i32 scale, ConstStringPtr text, i32* time) {
  char buf[256];
  std::memcpy(buf, text + 1, text[0]);
  buf[text[0]] = 0;
  long f[4] = {0, 0, 0, 0};
  int n = std::sscanf(buf, "%ld:%ld:%ld:%ld", &f[0], &f[1], &f[2], &f[3]);
  if (n <= 0) return 140;
  // Fewer numbers are the rightmost fields.
  i64 v[4] = {0, 0, 0, 0};
  for (int i = 0; i < n; ++i) v[4 - n + i] = f[i];
  v[2] += v[3] / 30, v[3] %= 30;
  v[1] += v[2] / 60, v[2] %= 60;
  v[0] += v[1] / 60, v[1] %= 60;
  // Computed in 64 bits so that large hours at large scales do not wrap.
  i64 t = v[0] * 3600 * scale + v[1] * 60 * scale + v[2] * scale + v[3] * (scale / 30);
  *time = i32(t > 0x7FFFFFFF ? 0x7FFFFFFF : t < -0x7FFFFFFF ? -0x7FFFFFFF : t);
  return 0;
}

bool findmoviefile(ConstStringPtr path, std::string* full) {
  const MainGlobals& g = mainglobals();
  const projectstore* project = findprojectstore(g.current.store);
  const u32 folders[5] = {0, g.lastdirid, project ? project->dirid : 0, g.appfolder, g.documentsfolder};
  for (int i = 0; i < 5; ++i) {
    if (i > 0 && folders[i] == 0) continue;
    CatInfo info{};
    if (HGetCatInfo(kBootVolume, folders[i], path, &info) != noErr || info.folder) continue;
    return fullpathof(kBootVolume, folders[i], path, full) == noErr;
  }
  return false;
}

}  // namespace kv
