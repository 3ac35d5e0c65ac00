#include "platform/modules/modules.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <vector>

#include "platform/runtime/root.h"

namespace kv {
namespace {

struct Loaded {
  const void* table = nullptr;
  std::string failure;
};

// What the usual search found and loaded. A module stays mapped for the life of the process
// whatever a reset of the runtime does, so its table is kept beside the dynamic loader's own
// record rather than in the runtime root: a backend or a sound made before a reset still
// reaches its module after it. (The module's state lives in the root and is reset.)
std::map<std::string, const void*, std::less<>> usualtables;

struct ModuleState {
  std::string folder;                                 // set for tests: the only folder searched
  std::map<std::string, Loaded, std::less<>> loaded;  // failures, and every load from `folder`
};

ModuleState& mods() { return state<ModuleState>(); }

std::string programfolder() {
  std::vector<char> buf(4096);
  ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return {};
  std::string path(buf.data(), std::size_t(n));
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::vector<std::string> searchfolders() {
  if (!mods().folder.empty()) return {mods().folder};
  if (const char* env = std::getenv("KESTROVE_MODULE_DIR"); env && *env) return {env};
  std::string here = programfolder();
  return {here, here + "/../lib/kestrove"};
}

std::string modulefile(const std::string& name) {
  for (const std::string& folder : searchfolders()) {
    std::string path = folder + "/kvmod_" + name + ".so";
    if (access(path.c_str(), F_OK) == 0) return path;
  }
  return {};
}

Loaded load(const std::string& name) {
  Loaded out;
  std::string entry = "kvmod_" + name;
  if (std::string path = modulefile(name); !path.empty()) {
    void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h) {
      const char* why = dlerror();
      out.failure = why ? why : "cannot load " + path;
      return out;
    }
    auto fn = reinterpret_cast<const void* (*)()>(dlsym(h, entry.c_str()));
    if (!fn) {
      out.failure = path + " has no " + entry;
      dlclose(h);
      return out;
    }
    out.table = fn();
    return out;
  }
  out.failure = entry + ".so not found";
  return out;
}

}  // namespace

const void* moduletable(const char* name) {
  if (mods().folder.empty()) {
    if (auto u = usualtables.find(name); u != usualtables.end()) return u->second;
  }
  auto& loaded = mods().loaded;
  auto it = loaded.find(name);
  if (it != loaded.end()) return it->second.table;
  Loaded l = load(name);
  if (l.table && mods().folder.empty()) {
    usualtables.emplace(name, l.table);
    return l.table;
  }
  return loaded.emplace(name, std::move(l)).first->second.table;
}

const void* loadedtable(const char* name) {
  if (mods().folder.empty()) {
    auto u = usualtables.find(name);
    return u == usualtables.end() ? nullptr : u->second;
  }
  auto it = mods().loaded.find(name);
  return it == mods().loaded.end() ? nullptr : it->second.table;
}

bool modulepresent(const char* name) {
  if (loadedtable(name)) return true;
  auto it = mods().loaded.find(name);
  if (it != mods().loaded.end()) return it->second.table != nullptr;
  return !modulefile(name).empty();
}

bool moduleloaded(const char* name) {
  std::ifstream maps("/proc/self/maps");
  std::string want = std::string("/kvmod_") + name + ".so";
  std::string line;
  while (std::getline(maps, line)) {
    if (line.size() >= want.size() && line.compare(line.size() - want.size(), want.size(), want) == 0) return true;
  }
  return false;
}

void setmodulefolder(const std::string& folder) {
  mods().folder = folder;
  mods().loaded.clear();  // what one search found or missed says nothing of the next
}

std::string modulefailure(const char* name) {
  auto it = mods().loaded.find(name);
  return it == mods().loaded.end() ? std::string() : it->second.failure;
}

}  // namespace kv
