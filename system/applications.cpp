#include "system/applications.h"

#include <algorithm>
#include <cstring>

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/tokens.h"
#include "platform/files/files.h"
#include "platform/launch/launch.h"
#include "platform/memory/memory.h"
#include "platform/process/gestalt.h"
#include "platform/runtime/root.h"
#include "platform/text/macroman.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"
#include "core/settings.h"
#include "core/memoryguard.h"
#include "store/starfile.h"
#include "system/filelocation.h"

namespace kv {

namespace {

constexpr i16 kNoMemory = 37, kNotFound = 227;
constexpr std::string_view kEntrySuffix = ".desktop";
constexpr Size kParmBlockSize = 80;

struct LaunchState {
  Handle parms = nilhandle;
  LaunchState() = default;
  LaunchState(const LaunchState&) = delete;
  LaunchState& operator=(const LaunchState&) = delete;
  ~LaunchState() {
    if (parms != nilhandle) DisposeHandle(parms);
  }
};

char lower(char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; }

bool sameignoringcase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

bool lessignoringcase(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return u8(lower(x)) < u8(lower(y)); });
}

bool endswith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

std::string lastcomponent(std::string_view path) {
  while (!path.empty() && path.back() == '/') path.remove_suffix(1);
  std::size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

bool ispath(std::string_view s) {
  return s.find('/') != std::string_view::npos || s.find(':') != std::string_view::npos;
}

// The UTF-8 path of an existing item named by a script's path (links followed), or empty.
std::string existing(std::string_view macromanpath) {
  std::string posix = colontoposix(macromanpath);
  std::string full;
  if (posix.empty() || posix.size() > 255) return {};
  Str255 name;
  setpstring(name, posix);
  if (fullpathof(kBootVolume, 0, name, &full) != noErr) return {};
  CatInfo c{};
  Str255 absolute;
  if (full.size() > 255) return {};
  setpstring(absolute, full);
  if (HGetCatInfo(kBootVolume, 0, absolute, &c) != noErr) return {};
  return macromantofilename(full);
}

// An item named in a folder (by id), when it is there.
std::string infolder(u32 dirid, std::string_view name) {
  if (dirid == 0 || name.empty()) return {};
  std::string folder;
  if (pathoffolder(dirid, &folder) != noErr) return {};
  if (folder.empty() || folder.back() != '/') folder += '/';
  return existing(folder + std::string(name));
}

// The document named by a script's text.
std::string finddocument(std::string_view text) {
  if (ispath(text)) return existing(text);
  const MainGlobals& g = mainglobals();
  if (currentsettings().standalone != 0) {
    std::string folder;
    if (g.appfolder != 0 && pathoffolder(g.appfolder, &folder) == noErr) {
      std::string found = existing(folder + "/Resources/" + std::string(text));
      if (!found.empty()) return found;
    }
  }
  std::string found = infolder(g.appfolder, text);
  if (!found.empty()) return found;
  if (const projectstore* st = findprojectstore(g.current.store)) return infolder(st->dirid, text);
  return {};
}

}  // namespace

u32 parseversion(std::string_view t) {
  std::size_t i = 0;
  auto digit = [&](std::size_t at) { return at < t.size() && t[at] >= '0' && t[at] <= '9'; };
  while (i < t.size() && !digit(i)) ++i;
  u32 major = 0;
  while (digit(i)) major = major * 10 + u32(t[i++] - '0');
  // Two BCD digits: 10 is 0x10.
  major = std::min<u32>(major, 99);
  u32 bcd = (major / 10) << 4 | (major % 10);
  u32 minor = 0, revision = 0, stage = 0xFF, nonrelease = 0;
  if (i + 1 < t.size() && t[i] == '.' && digit(i + 1)) {
    minor = u32(t[i + 1] - '0');
    i += 2;
    if (i + 1 < t.size() && t[i] == '.' && digit(i + 1)) {
      revision = u32(t[i + 1] - '0');
      i += 2;
    }
  }
  std::string_view rest = t.substr(std::min(i, t.size()));
  std::size_t stagelength = 0;
  if (rest.substr(0, 2) == "fc") {
    stage = 0x80;
    stagelength = 2;
  } else if (!rest.empty() && (rest[0] == 'd' || rest[0] == 'a' || rest[0] == 'b')) {
    stage = rest[0] == 'd' ? 0x20 : rest[0] == 'a' ? 0x40 : 0x60;
    stagelength = 1;
  }
  if (stagelength > 0) {
    std::size_t j = i + stagelength;
    while (digit(j)) nonrelease = std::min<u32>(nonrelease * 10 + u32(t[j++] - '0'), 255);
  }
  return bcd << 24 | (minor & 15) << 20 | (revision & 15) << 16 | stage << 8 | nonrelease;
}

i16 listapplications(Handle* out) {
  *out = nilhandle;
  std::vector<std::string> lines;
  for (const std::string& path : installedapplications()) {
    std::string line = filenametomacroman(path);
    if (line.size() > 4095) continue;
    while (!line.empty() && (line.back() == '/' || line.back() == '\r')) line.pop_back();
    if (!line.empty() && line.find('\r') == std::string::npos) lines.push_back(line);
  }
  std::sort(lines.begin(), lines.end(), lessignoringcase);
  std::string joined;
  for (const std::string& l : lines) {
    if (!joined.empty()) joined += '\r';
    joined += l;
  }
  if (memoryrefused(Size(joined.size()))) return kNoMemory;
  Handle h = NewHandle(Size(joined.size()));
  if (h == nilhandle) return kNoMemory;
  if (!joined.empty()) std::memcpy(deref(h), joined.data(), joined.size());
  *out = h;
  return 0;
}

i16 getappurlbyname(std::string_view name, const std::vector<std::string>& applications, std::string* chosen) {
  std::vector<const std::string*> named;
  for (const std::string& a : applications)
    if (sameignoringcase(lastcomponent(a), name)) named.push_back(&a);
  if (named.empty()) return kNotFound;
  const std::string* best = named.front();
  if (named.size() > 1) {
    u32 bestversion = 0;
    for (std::size_t i = 0; i < named.size(); ++i) {
      DesktopEntry e;
      u32 v = readdesktopentry(*named[i], &e) ? parseversion(e.version) : parseversion("");
      if (i == 0 || v > bestversion) {
        best = named[i];
        bestversion = v;
      }
    }
  }
  *chosen = *best;
  return 0;
}

i16 newlaunch(ConstStringPtr application, ConstStringPtr document) {
  std::string apptext = application ? std::string(pstringview(application)) : std::string();
  std::string doctext = document ? std::string(pstringview(document)) : std::string();
  i16 status = 0;
  std::string app;
  std::vector<std::string> documents;
  if (!apptext.empty()) {
    bool retry = !endswith(apptext, kEntrySuffix);
    if (ispath(apptext)) {
      app = existing(apptext);
      if (app.empty() && retry) app = existing(apptext + std::string(kEntrySuffix));
    } else {
      std::vector<std::string> all = installedapplications();
      std::string name = macromantofilename(apptext);
      if (getappurlbyname(name, all, &app) != 0 && retry) getappurlbyname(name + std::string(kEntrySuffix), all, &app);
    }
    if (app.empty()) {
      status = kNotFound;
      // An application that is not there may be a document opened with its own application.
      if (doctext.empty()) doctext = apptext;
    }
  }
  if (!doctext.empty()) {
    std::string doc = finddocument(doctext);
    status = doc.empty() ? kNotFound : 0;
    if (!doc.empty()) documents.push_back(doc);
  } else if (!app.empty() && itemkind(app) != "Application") {
    documents.push_back(app);
    app.clear();
  }
  if (status != 0) return status;
  if (!app.empty()) return launchapplication(app, documents);
  if (!documents.empty()) return opendocuments(documents);
  return 0;
}

OSErr launch(ConstStringPtr name, i16 volume, u32 dirid, ConstStringPtr docname, i16 docvolume, u32 docdirid, u16) {
  std::string app, doc;
  if (name == nullptr || name[0] == 0 || fullpathof(volume, dirid, name, &app) != noErr) return kNotFound;
  Str255 target;
  std::memcpy(target, name, std::size_t(name[0]) + 1);
  bool alias = false;
  if (ResolveAliasFile(&volume, &dirid, target, &alias) != noErr || fullpathof(volume, dirid, target, &app) != noErr)
    return kNotFound;
  std::string apppath = macromantofilename(app);
  if (itemkind(apppath).empty()) return kNotFound;
  std::vector<std::string> documents;
  if (docname != nullptr && docname[0] != 0 && fullpathof(docvolume, docdirid, docname, &doc) == noErr)
    documents.push_back(macromantofilename(doc));
  return launchapplication(apppath, documents);
}

scriptstatus comlaunch(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  fred first;
  i32 used = 0;
  if (i16 st = expression(path, text, atoms, at + 1, variables, nilhandle, &used, &first)) return st;
  Str255 one, two;
  fredtostring(&first, one);
  disposfred(&first);
  i32 i = at + 1 + used;
  if (tokenat(atoms, i) != tok::with) return newlaunch(one, nullptr);
  fred second;
  if (i16 st = expression(path, text, atoms, i + 1, variables, nilhandle, &used, &second)) return st;
  fredtostring(&second, two);
  disposfred(&second);
  return newlaunch(two, one);
}

bool has32bitqd() {
  i32 v = 0;
  return Gestalt(fourcc("qd  "), &v) == noErr && v >= 0x200;
}

Handle getparmhandle() {
  LaunchState& s = state<LaunchState>();
  if (s.parms == nilhandle) s.parms = NewHandleClear(kParmBlockSize);
  return s.parms;
}

}  // namespace kv
