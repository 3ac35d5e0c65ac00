// The scripting component "Lua" over Debian's Lua 5.4.
//
// Lua is built as C and raises its errors with longjmp, which skips C++ destructors. So every
// call into Lua runs inside lua_pcall through `protectedrun`: the routine it runs (a
// lua_CFunction) takes plain data and keeps no C++ object with a destructor alive, and what
// it answers comes back on the Lua stack, to be copied out once the protected call is over.
// The one routine scripts call into the program, `kestrove.send`, does its C++ work in a
// function of its own that returns before anything can raise.
//
// A script sees only the libraries base (without dofile and loadfile), string, table, math,
// utf8 and coroutine; `load` takes text chunks only. Its memory has a 64 MB budget; every
// 1,000 instructions it moves the headless clock as 1,000 statements do and asks the
// program's interrupt check.
#include <lua.hpp>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "platform/events/events.h"
#include "platform/events/handlers.h"
#include "platform/ipc/appleevents.h"
#include "platform/osa/osainternal.h"
#include "platform/process/process.h"

namespace kv {

namespace {

constexpr std::size_t kMemoryBudget = 64u << 20;
constexpr int kHookInstructions = 1000;
constexpr const char* kCompiledName = "=script";

struct Budget {
  std::size_t used = 0;
  std::size_t limit = kMemoryBudget;
};

void* budgetalloc(void* ud, void* ptr, std::size_t osize, std::size_t nsize) {
  Budget* b = static_cast<Budget*>(ud);
  if (ptr == nullptr) osize = 0;  // then osize names the kind of object, not a size
  if (nsize == 0) {
    std::free(ptr);
    b->used -= osize;
    return nullptr;
  }
  if (nsize > osize && nsize - osize > b->limit - b->used) return nullptr;
  void* p = std::realloc(ptr, nsize);
  if (p == nullptr) return nullptr;
  b->used = b->used - osize + nsize;
  return p;
}

class LuaInstance;
LuaInstance* instanceof (lua_State * L) { return *static_cast<LuaInstance**>(lua_getextraspace(L)); }

// --- Protected routines (plain data in, results on the Lua stack) ----------------------------

struct CompileArgs {
  const char* text;
  std::size_t length;
  const char* chunkname;
  int ref;
};

// Compiles a text chunk, or failing that "return <text>"; the error is the one of the text as
// given. Answers nothing; the compiled function is kept in the registry.
int pcompile(lua_State* L) {
  CompileArgs* a = static_cast<CompileArgs*>(lua_touserdata(L, 1));
  if (luaL_loadbufferx(L, a->text, a->length, a->chunkname, "t") != LUA_OK) {
    luaL_Buffer b;
    luaL_buffinit(L, &b);
    luaL_addstring(&b, "return ");
    luaL_addlstring(&b, a->text, a->length);
    luaL_pushresult(&b);
    std::size_t n = 0;
    const char* again = lua_tolstring(L, -1, &n);
    if (luaL_loadbufferx(L, again, n, a->chunkname, "t") != LUA_OK) {
      lua_settop(L, 2);  // the first error
      return lua_error(L);
    }
  }
  a->ref = luaL_ref(L, LUA_REGISTRYINDEX);
  return 0;
}

struct ExecuteArgs {
  int script;
  int result;  // LUA_NOREF when the script gave no value
};

int pexecute(lua_State* L) {
  ExecuteArgs* a = static_cast<ExecuteArgs*>(lua_touserdata(L, 1));
  const int base = lua_gettop(L);
  lua_rawgeti(L, LUA_REGISTRYINDEX, a->script);
  lua_call(L, 0, LUA_MULTRET);
  if (lua_gettop(L) == base) {
    a->result = LUA_NOREF;
    return 0;
  }
  lua_settop(L, base + 1);
  a->result = luaL_ref(L, LUA_REGISTRYINDEX);
  return 0;
}

// Answers the value's text through tostring.
int pdisplay(lua_State* L) {
  const int ref = int(reinterpret_cast<std::intptr_t>(lua_touserdata(L, 1)));
  lua_rawgeti(L, LUA_REGISTRYINDEX, ref);
  luaL_tolstring(L, -1, nullptr);
  return 1;
}

int punref(lua_State* L) {
  const int ref = int(reinterpret_cast<std::intptr_t>(lua_touserdata(L, 1)));
  luaL_unref(L, LUA_REGISTRYINDEX, ref);
  return 0;
}

// `load` of text chunks only: a binary chunk raises.
int safeload(lua_State* L) {
  const int given = lua_gettop(L);
  lua_settop(L, 4);
  std::size_t n = 0;
  const char* chunk = lua_type(L, 1) == LUA_TSTRING ? lua_tolstring(L, 1, &n) : nullptr;
  if (chunk != nullptr && n > 0 && chunk[0] == LUA_SIGNATURE[0]) return luaL_error(L, "attempt to load a binary chunk");
  lua_pushvalue(L, lua_upvalueindex(1));
  lua_pushvalue(L, 1);
  lua_pushvalue(L, 2);
  lua_pushliteral(L, "t");
  if (given >= 4) lua_pushvalue(L, 4);  // an environment given, even nil, stays given
  lua_call(L, given >= 4 ? 4 : 3, 2);
  if (lua_isnil(L, -2) && lua_type(L, -1) == LUA_TSTRING && std::strstr(lua_tostring(L, -1), "binary chunk") != nullptr)
    return lua_error(L);
  return 2;
}

int ksend(lua_State* L);

int popen(lua_State* L) {
  const luaL_Reg libs[] = {{LUA_GNAME, luaopen_base},       {LUA_STRLIBNAME, luaopen_string},
                           {LUA_TABLIBNAME, luaopen_table}, {LUA_MATHLIBNAME, luaopen_math},
                           {LUA_UTF8LIBNAME, luaopen_utf8}, {LUA_COLIBNAME, luaopen_coroutine}};
  for (const luaL_Reg& lib : libs) {
    luaL_requiref(L, lib.name, lib.func, 1);
    lua_pop(L, 1);
  }
  lua_pushnil(L);
  lua_setglobal(L, "dofile");
  lua_pushnil(L);
  lua_setglobal(L, "loadfile");
  lua_getglobal(L, "load");
  lua_pushcclosure(L, safeload, 1);
  lua_setglobal(L, "load");
  lua_createtable(L, 0, 1);
  lua_pushcfunction(L, ksend);
  lua_setfield(L, -2, "send");
  lua_setglobal(L, "kestrove");
  return 0;
}

// Every 1,000 instructions: the clock moves as for 1,000 statements, and the program may stop
// the script.
void counthook(lua_State* L, lua_Debug*);

// --- The instance -------------------------------------------------------------------------------

class LuaInstance final : public ScriptingInstance {
 public:
  bool start() {
    L_ = lua_newstate(budgetalloc, &budget_);
    if (L_ == nullptr) return false;
    *static_cast<LuaInstance**>(lua_getextraspace(L_)) = this;
    if (protectedrun(popen, nullptr, 0, nullptr) != LUA_OK) return false;
    lua_sethook(L_, counthook, LUA_MASKCOUNT, kHookInstructions);
    return true;
  }
  ~LuaInstance() override {
    closing = true;  // finalizers that run now are stopped at once and send nothing
    if (L_ != nullptr) lua_close(L_);
  }

  OSAError compile(const AEDesc& source, i32, OSAID* id) override {
    AEDesc text;
    if (AECoerceDesc(source, typeChar, &text) != noErr) return errAECoercionFail;
    std::string s(text.data.begin(), text.data.end());
    return compiletext(std::move(s), kCompiledName, id);
  }

  OSAError execute(OSAID script, OSAID, i32, OSAID* result) override {
    auto it = entries_.find(script);
    if (it == entries_.end()) return errOSAInvalidID;
    ExecuteArgs a{it->second.ref, LUA_NOREF};
    const std::string source = it->second.source;
    const std::string chunk = it->second.chunkname;
    std::string message;
    if (protectedrun(pexecute, &a, 0, &message) != LUA_OK) return seterror(message, source, chunk.substr(1));
    clearerror();
    *result = add(Entry{a.result, {}, {}, false});
    return noErr;
  }

  OSAError display(OSAID value, DescType desired, i32, AEDesc* out) override {
    auto it = entries_.find(value);
    if (it == entries_.end()) return errOSAInvalidID;
    std::string text;
    if (it->second.ref != LUA_NOREF) {
      const int ref = it->second.ref;
      if (protectedrun(pdisplay, reinterpret_cast<void*>(std::intptr_t(ref)), 1, &text) != LUA_OK)
        return seterror(text, {}, {});
    }
    return AECoercePtr(typeChar, text.data(), Size(text.size()), desired, out);
  }

  OSAError scripterror(OSType selector, DescType desired, AEDesc* out) override {
    switch (selector) {
      case kOSAErrorNumber: return AECoercePtr(typeSInt16, &errornumber_, 2, desired, out);
      case kOSAErrorMessage:
        return AECoercePtr(typeChar, errormessage_.data(), Size(errormessage_.size()), desired, out);
      case kOSAErrorRange: {
        AEDesc range;
        AECreateList(true, &range);
        AEPutParamPtr(&range, keyOSASourceStart, typeSInt32, &errorstart_, 4);
        AEPutParamPtr(&range, keyOSASourceEnd, typeSInt32, &errorend_, 4);
        return AECoerceDesc(range, desired, out);
      }
      default: return errOSABadSelector;
    }
  }

  OSAError dispose(OSAID id) override {
    auto it = entries_.find(id);
    if (it == entries_.end()) return id == kOSANullScript ? OSAError(noErr) : OSAError(errOSAInvalidID);
    const int ref = it->second.ref;
    entries_.erase(it);
    if (ref != LUA_NOREF) protectedrun(punref, reinterpret_cast<void*>(std::intptr_t(ref)), 0, nullptr);
    return noErr;
  }

  OSAError store(OSAID id, DescType desired, i32, AEDesc* out) override {
    auto it = entries_.find(id);
    if (it == entries_.end()) return errOSAInvalidID;
    if (!it->second.isscript) return errOSASourceNotAvailable;
    if (desired != typeOSAGenericStorage && desired != typeWildCard && desired != kLuaSubtype)
      return errOSABadStorageType;
    const std::string data = osastoreddata(kLuaSubtype, it->second.source);
    return AECreateDesc(typeOSAGenericStorage, data.data(), Size(data.size()), out);
  }

  OSAError load(const AEDesc& data, i32, std::string_view name, OSAID* id) override {
    const std::string bytes(data.data.begin(), data.data.end());
    if (bytes.size() < 8 || bytes.compare(0, 4, "OSA1") != 0) return errOSABadStorageType;
    const std::string type = osastoreddata(kLuaSubtype, {});
    if (bytes.compare(4, 4, type, 4, 4) != 0) return errOSABadStorageType;
    std::string chunk = kCompiledName;
    if (!name.empty()) {
      chunk.resize(1);  // "="
      chunk.append(name.data(), name.size());
    }
    return compiletext(bytes.substr(8), chunk, id);
  }

  OSAError getsource(OSAID id, DescType desired, AEDesc* out) override {
    auto it = entries_.find(id);
    if (it == entries_.end()) return errOSAInvalidID;
    if (!it->second.isscript) return errOSASourceNotAvailable;
    const std::string& s = it->second.source;
    if (desired != typeStyledText) return AECoercePtr(typeChar, s.data(), Size(s.size()), desired, out);
    // The source in one style run ('styl': a count, then elements of 20 bytes): from offset 0,
    // height and ascent left to be measured, Monaco, plain, 12 points, black.
    u8 scrap[22]{};
    const i16 count = 1, font = 4, size = 12;
    std::memcpy(scrap, &count, 2);
    std::memcpy(scrap + 10, &font, 2);
    std::memcpy(scrap + 14, &size, 2);
    AEDesc styled;
    AECreateList(true, &styled);
    AEPutParamPtr(&styled, keyText, typeChar, s.data(), Size(s.size()));
    AEPutParamPtr(&styled, keyStyle, fourcc("styl"), scrap, sizeof scrap);
    styled.descriptorType = typeStyledText;
    *out = std::move(styled);
    return noErr;
  }

  // What kestrove.send answers or raises, kept here so that no C++ object needs to live in the
  // frame that raises.
  std::string sendtext;
  bool closing = false;

 private:
  struct Entry {
    int ref;             // registry reference (LUA_NOREF: a script's run that gave no value)
    std::string source;  // a script's source
    std::string chunkname;
    bool isscript;
  };

  OSAID add(Entry e) {
    const OSAID id = next_++;
    entries_.emplace(id, std::move(e));
    return id;
  }

  OSAError compiletext(std::string source, const std::string& chunkname, OSAID* id) {
    CompileArgs a{source.data(), source.size(), chunkname.c_str(), LUA_NOREF};
    std::string message;
    if (protectedrun(pcompile, &a, 0, &message) != LUA_OK) return seterror(message, source, chunkname.substr(1));
    clearerror();
    *id = add(Entry{a.ref, std::move(source), chunkname, true});
    return noErr;
  }

  // Runs a protected routine with the light user data `args`; `results` values it leaves are
  // taken as text into `text` (the first one), as is the error message of a failure.
  int protectedrun(lua_CFunction f, void* args, int results, std::string* text) {
    if (L_ == nullptr) return LUA_ERRMEM;
    const int top = lua_gettop(L_);
    lua_pushcfunction(L_, f);
    lua_pushlightuserdata(L_, args);
    const int st = lua_pcall(L_, 1, results, 0);
    if (text != nullptr && lua_gettop(L_) > top) {
      if (lua_type(L_, -1) == LUA_TSTRING) {
        std::size_t n = 0;
        const char* p = lua_tolstring(L_, -1, &n);
        text->assign(p, n);
      } else if (st != LUA_OK) {
        *text = std::string("(error object is a ") + luaL_typename(L_, -1) + " value)";
      }
    }
    lua_settop(L_, top);
    return st;
  }

  // Keeps a script error: its message, and the bounds of the line it names in the source.
  OSAError seterror(const std::string& message, const std::string& source, const std::string& chunk) {
    errornumber_ = errOSAScriptError;
    errormessage_ = message;
    errorstart_ = errorend_ = 0;
    const std::string prefix = chunk + ":";
    if (!chunk.empty() && message.compare(0, prefix.size(), prefix) == 0) {
      i32 line = 0;
      std::size_t at = prefix.size();
      while (at < message.size() && message[at] >= '0' && message[at] <= '9' && line < 1000000)
        line = line * 10 + (message[at++] - '0');
      if (line > 0) lineBounds(source, line);
    }
    return errOSAScriptError;
  }

  // The line's first and past-last offsets; lines end as Lua ends them (\n, \r, and the pairs
  // \r\n and \n\r as one).
  void lineBounds(const std::string& s, i32 line) {
    std::size_t at = 0;
    for (i32 n = 1; n < line && at < s.size(); ++n) {
      while (at < s.size() && s[at] != '\n' && s[at] != '\r') ++at;
      if (at < s.size()) {
        const char c = s[at++];
        if (at < s.size() && (s[at] == '\n' || s[at] == '\r') && s[at] != c) ++at;
      }
    }
    std::size_t end = at;
    while (end < s.size() && s[end] != '\n' && s[end] != '\r') ++end;
    errorstart_ = i32(at);
    errorend_ = i32(end);
  }

  void clearerror() {
    errornumber_ = 0;
    errormessage_.clear();
    errorstart_ = errorend_ = 0;
  }

  lua_State* L_ = nullptr;
  Budget budget_;
  std::map<OSAID, Entry> entries_;
  OSAID next_ = 1;
  i16 errornumber_ = 0;
  std::string errormessage_;
  i32 errorstart_ = 0, errorend_ = 0;
};

void counthook(lua_State* L, lua_Debug*) {
  if (instanceof (L)->closing) {
    luaL_error(L, "the component is closing");
    return;
  }
  notestatements(kHookInstructions);
  if (osadetail::pollinterrupt() != 0) luaL_error(L, "interrupted");
}

// Sends the request to this program and waits for its reply: 0 with the reply's direct
// parameter in `out` (1 when it has none), or -1 with the error text in `out`.
int sendtoself(const char* code, const char* text, std::size_t length, std::string* out) noexcept {
  const auto word = [](const char* p) {
    return (u32(u8(p[0])) << 24) | (u32(u8(p[1])) << 16) | (u32(u8(p[2])) << 8) | u32(u8(p[3]));
  };
  AEAddressDesc self;
  const ProcessSerialNumber psn{0, kCurrentProcess};
  AECreateDesc(typeProcessSerialNumber, &psn, 8, &self);
  AppleEvent event, reply;
  AECreateAppleEvent(word(code), word(code + 4), self, -1, 0, &event);
  AEPutParamPtr(&event, keyDirectObject, typeChar, text, Size(length));
  OSErr e = AESend(event, &reply, kAEWaitReply | kAEAlwaysInteract, 0, kAEDefaultTimeout, nullptr, nullptr);
  AEDesc d;
  if (e == noErr && AEGetParamDesc(reply, keyErrorString, typeChar, &d) == noErr && !d.data.empty()) {
    out->assign(d.data.begin(), d.data.end());
    return -1;
  }
  i16 number = 0;
  Size n = 0;
  if (e == noErr && AEGetParamPtr(reply, keyErrorNumber, typeSInt16, nullptr, &number, 2, &n) == noErr) e = number;
  if (e != noErr) {
    *out = "kestrove.send: error " + std::to_string(e);
    return -1;
  }
  if (AEGetParamDesc(reply, keyDirectObject, typeChar, &d) != noErr) return 1;
  out->assign(d.data.begin(), d.data.end());
  return 0;
}

// kestrove.send(code, text): code is a request's class and id as eight characters.
int ksend(lua_State* L) {
  std::size_t codelength = 0, length = 0;
  const char* code = luaL_checklstring(L, 1, &codelength);
  const char* text = luaL_optlstring(L, 2, "", &length);
  if (codelength != 8) return luaL_argerror(L, 1, "a class and an id of four characters each");
  LuaInstance* self = instanceof (L);
  if (self->closing) return luaL_error(L, "the component is closing");
  const int outcome = sendtoself(code, text, length, &self->sendtext);
  if (outcome < 0) return luaL_error(L, "%s", self->sendtext.c_str());
  if (outcome > 0) {
    lua_pushnil(L);
  } else {
    lua_pushlstring(L, self->sendtext.data(), self->sendtext.size());
  }
  return 1;
}

}  // namespace

namespace osadetail {

std::unique_ptr<ScriptingInstance> openlua() {
  auto in = std::make_unique<LuaInstance>();
  if (!in->start()) return nullptr;
  return in;
}

}  // namespace osadetail

}  // namespace kv
