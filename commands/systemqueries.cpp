// Functions that ask the machine and the file system (see systemqueries.h).
#include "commands/systemqueries.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "commands/dispatch.h"
#include "commands/functions.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/hier.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "render/pictbuffers.h"
#include "engine/status.h"
#include "engine/tokens.h"
#include "engine/variables.h"
#include "platform/events/events.h"
#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/process/shellcommand.h"
#include "platform/runtime/root.h"
#include "platform/text/macroman.h"
#include "platform/text/pstring.h"
#include "core/fatalerror.h"
#include "core/mainglobals.h"
#include "core/memoryguard.h"
#include "store/objread.h"
#include "store/recordcache.h"
#include "store/starfile.h"
#include "system/filelocation.h"

namespace kv {

namespace {

constexpr i32 kLargestRequest = 0x7FFFFFFF;

struct ProbeState {
  i16 probeswitch = 0;
  bool armed = false;
};

// The value's whole text as bytes.
i16 valuebytes(fred* v, std::string* out) {
  Handle h = nilhandle;
  i16 st = fredtonewh(v, &h);
  if (st != 0) return st;
  out->assign(reinterpret_cast<const char*>(deref(h)), size_t(GetHandleSize(h)));
  DisposeHandle(h);
  return 0;
}

// The caches give up what nothing holds: tokenised scripts, picture buffers, unheld records.
void freecaches() {
  cleanhier();
  cleanpicts();
  for (RegistryId p = mainglobals().openprojects; p != nilid; p = nextvir(p))
    while (cleanold(p) != 0) {
    }
}

// Whether a file (or a folder) is at a path: a colon path, absolute, or relative to the
// current folder.
bool pathisthere(std::string_view given, bool folder) {
  std::string posix = colontoposix(given);
  while (posix.size() > 1 && posix.back() == '/') posix.pop_back();
  if (posix.empty()) return false;
  if (posix == "/") return folder;
  size_t slash = posix.rfind('/');
  std::string dir = slash == std::string::npos ? std::string(".")
                    : slash == 0               ? std::string("/")
                                               : posix.substr(0, slash);
  std::string leaf = slash == std::string::npos ? posix : posix.substr(slash + 1);
  if (leaf.empty() || leaf.size() > 255) return false;
  u32 dirid = 0;
  if (folderidofpath(dir, &dirid) != noErr) return false;
  Str255 name;
  name[0] = u8(leaf.size());
  std::memcpy(name + 1, leaf.data(), leaf.size());
  CatInfo info{};
  if (HGetCatInfo(0, dirid, name, &info) != noErr) return false;
  return info.folder == folder;
}

void puttext(StringPtr s, const std::string& text) {
  size_t n = text.size() > 255 ? 255 : text.size();
  s[0] = u8(n);
  std::memcpy(s + 1, text.data(), n);
}

}  // namespace

scriptstatus funshell(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value) {
  *count = 0;
  funhead h = readhead(atoms, at);
  if (tokenat(atoms, h.word + 1) != tok::leftparen) return err::noparens;
  i32 i = h.word + 2, used = 0;
  fred v;
  if (i16 st = expression(path, text, atoms, i, variables, nilhandle, &used, &v); st != 0) return st;
  std::string command;
  i16 st = valuebytes(&v, &command);
  disposfred(&v);
  if (st != 0) return st;
  i += used;
  u32 delay = 1;
  bool raw = false, delaygiven = false;
  while (tokenat(atoms, i) == tok::comma) {
    if (tokenat(atoms, i + 1) == tok::raw) {
      if (raw) return err::noparen;
      raw = true;
      i += 2;
      continue;
    }
    if (delaygiven) return err::cantunderstand;
    if ((st = expression(path, text, atoms, i + 1, variables, nilhandle, &used, &v)) != 0) return st;
    i32 ticks = 0;
    st = fredtolong(&v, &ticks);
    disposfred(&v);
    if (st != 0) return st;
    delay = u32(ticks) & 0x0FFFFFFF;
    delaygiven = true;
    i += 1 + used;
  }
  if (tokenat(atoms, i) != tok::rightparen) return err::noparen;

  // The output grows by doubling, the memory guard asked for each growth.
  Handle output = NewHandle(0);
  if (output == nilhandle) return err::nomemory;
  i64 held = 0, capacity = 0;
  bool waited = false;
  bool refused = false;
  shellstatus ended = runshellcommand(macromantofilename(command), [&](const char* piece, size_t n) {
    if (!waited) {
      u32 final = 0;
      Delay(delay, &final);
      waited = true;
    }
    if (held + i64(n) > capacity) {
      const i64 grown = std::min<i64>(std::max<i64>({capacity * 2, 65536, held + i64(n)}), kLargestRequest);
      if (held + i64(n) > grown || memoryrefused(Size(grown - capacity))) {
        refused = true;
        return false;
      }
      SetHandleSize(output, Size(grown));
      if (MemError() != noErr) {
        refused = true;
        return false;
      }
      capacity = grown;
    }
    std::memcpy(deref(output) + held, piece, n);
    held += i64(n);
    return true;
  });
  if (!waited && ended != shellstatus::notstarted) {
    u32 final = 0;
    Delay(delay, &final);
  }
  if (ended == shellstatus::notstarted || ended == shellstatus::refused || refused) {
    DisposeHandle(output);
    return ended == shellstatus::notstarted ? err::cantstart : i16(err::nomemory);
  }
  std::string bytes(reinterpret_cast<const char*>(deref(output)), size_t(held));
  DisposeHandle(output);
  bytes = filenametomacroman(bytes);
  if (!raw)
    for (char& c : bytes)
      if (c == '\n') c = '\r';
  if ((st = charstonewfred(bytes.data(), Size(bytes.size()), value)) != 0) return st;
  *count = i + 1 - at;
  return 0;
}

scriptstatus funhasmemory(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value) {
  *count = 0;
  funhead h = readhead(atoms, at);
  const u16 next = tokenat(atoms, h.word + 1);
  bool paren = false;
  if (next == tok::in) {
    paren = false;
  } else if (h.the) {
    return err::noof;
  } else if (next == tok::leftparen) {
    paren = true;
  } else {
    return err::noparens;
  }
  const i32 from = h.word + 2;
  freecaches();
  objread obj{};
  i32 used = 0;
  i16 st = scanobj(path, text, atoms, from, variables, &used, &obj);
  if (st == 0) {
    writeobj(&obj);
    if (paren && tokenat(atoms, from + used) != tok::rightparen) return err::noparen;
    booltonewfred(1, value);
    *count = from + used + (paren ? 1 : 0) - at;
    return 0;
  }
  if (st == err::nomemory) {
    booltonewfred(0, value);
    *count = from + used + (paren ? 1 : 0) - at;
    return 0;
  }
  fred v;
  st = paren ? expression(path, text, atoms, from, variables, nilhandle, &used, &v)
             : factor(path, text, atoms, from, variables, nilhandle, &used, &v);
  if (st != 0) return st;
  double bytes = 0;
  st = fredtodouble(&v, &bytes);
  disposfred(&v);
  if (st != 0) return st;
  if (paren && tokenat(atoms, from + used) != tok::rightparen) return err::noparen;
  const Size asked = bytes > double(kLargestRequest) || bytes < 0 ? kLargestRequest : Size(bytes);
  booltonewfred(nomemory(asked) == 0 ? 1 : 0, value);
  *count = from + used + (paren ? 1 : 0) - at;
  return 0;
}

scriptstatus fundisk(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value) {
  *count = 0;
  funhead h = readhead(atoms, at);
  const u16 next = tokenat(atoms, h.word + 1);
  objread obj{};
  bool haveproject = false;
  i32 end = h.word + 1;  // the first atom after the call
  if (next == tok::leftparen) {
    if (h.the) return err::noclosingparen;
    if (tokenat(atoms, h.word + 2) == tok::rightparen) {
      end = h.word + 3;
    } else {
      i32 used = 0;
      if (i16 st = scanobj(path, text, atoms, h.word + 2, variables, &used, &obj); st != 0) return st;
      haveproject = true;
      end = h.word + 2 + used;
      if (tokenat(atoms, end) != tok::rightparen) {
        writeobj(&obj);
        return err::noparen;
      }
      ++end;
    }
  } else if (next == tok::in) {
    i32 used = 0;
    if (i16 st = scanobj(path, text, atoms, h.word + 2, variables, &used, &obj); st != 0) return st;
    haveproject = true;
    end = h.word + 2 + used;
  } else if (!h.the) {
    return err::noparens;
  }
  if (haveproject && obj.kind != objproject) {
    writeobj(&obj);
    return err::cantunderstand;
  }
  RegistryId store = haveproject ? obj.d.store : mainglobals().current.store;
  const projectstore* ps = findprojectstore(store);
  i16 st = 0;
  if (h.token == tok::version) {
    std::string answer = mainglobals().plugin != 0 ? "Plugin " : "Kestrove ";
    if (!haveproject) {
      answer += mainglobals().plugin != 0 ? "1.0" : "4.6.3 Player";
    } else {
      const u32 version = ps != nullptr ? ps->diskheader.version : 0;
      answer += std::to_string(version >> 16) + "." + std::to_string(version & 0xFFFF);
    }
    st = charstonewfred(answer.data(), Size(answer.size()), value);
  } else {
    u64 free = 0;
    checkerr(i16(volumefreebytes(ps != nullptr ? ps->volume : i16(0), ps != nullptr ? ps->dirid : 0, &free)));
    const u64 kilobytes = free / 1024;
    if (kilobytes <= u64(kLargestRequest)) longtonewfred(i32(kilobytes), value);
    else doubletonewfred(double(kilobytes), value);
  }
  if (haveproject) writeobj(&obj);
  if (st == 0) *count = end - at;
  return st;
}

scriptstatus funexists(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value) {
  *count = 0;
  funhead h = readhead(atoms, at);
  if (tokenat(atoms, h.word + 1) != tok::leftparen) return err::noparens;
  const i32 from = h.word + 2;
  const u16 first = tokenat(atoms, from);
  i32 used = 0;
  if (first == tok::file || first == tok::folder) {
    fred v;
    if (i16 st = expression(path, text, atoms, from + 1, variables, nilhandle, &used, &v); st != 0) return st;
    std::string where;
    i16 st = valuebytes(&v, &where);
    disposfred(&v);
    if (st != 0) return st;
    const i32 close = from + 1 + used;
    if (tokenat(atoms, close) != tok::rightparen) return err::noparen;
    booltonewfred(pathisthere(where, first == tok::folder) ? 1 : 0, value);
    *count = close + 1 - at;
    return 0;
  }
  objread obj{};
  if (scanobj(path, text, atoms, from, variables, &used, &obj) == 0) {
    writeobj(&obj);
    if (tokenat(atoms, from + used) != tok::rightparen) return err::noparen;
    booltonewfred(1, value);
    *count = from + used + 1 - at;
    return 0;
  }
  // Not an object: up to the matching ")", one word may name a variable.
  i32 depth = 0, i = from;
  bool comma = false;
  for (;; ++i) {
    const u16 t = tokenat(atoms, i);
    if (t == tok::endofline || t == tok::endofscript) return err::noclosingparen;
    if (t == tok::leftparen) ++depth;
    if (t == tok::rightparen && depth-- == 0) break;
    if (t == tok::comma) comma = true;
  }
  if (comma) return err::cantunderstand;
  bool found = false;
  if (i == from + 1 && variables != nilhandle) {
    atom a = HandleAs<atom>(atoms)[from];  // a copy: the lookup marks the atom it is given
    varentry entry{};
    found = findvars(&a, text, variables, &entry) == 0;
  }
  booltonewfred(found ? 1 : 0, value);
  *count = i + 1 - at;
  return 0;
}

i16 hardware_profiler(i16 selector, StringPtr text) {
  const machinefacts& m = currentmachine();
  char buf[64];
  switch (selector) {
    case 3:
    case 4:
      if (!m.product.empty()) puttext(text, utf8tomacroman(m.product));
      break;
    case 6:
      if (!m.cpumodel.empty()) puttext(text, utf8tomacroman(m.cpumodel));
      break;
    case 7:
      if (m.cpucount > 0) puttext(text, std::to_string(m.cpucount));
      break;
    case 8:
      if (m.cpumhz >= 1000) {
        std::snprintf(buf, sizeof buf, "%.2f GHz", m.cpumhz / 1000.0);
        puttext(text, buf);
      } else if (m.cpumhz > 0) {
        puttext(text, std::to_string(m.cpumhz) + " MHz");
      }
      break;
    case 9:
      if (m.memorybytes >= (u64(1) << 30))
        puttext(text, std::to_string((m.memorybytes + (u64(1) << 29)) >> 30) + " GB");
      else if (m.memorybytes > 0) puttext(text, std::to_string((m.memorybytes + (u64(1) << 19)) >> 20) + " MB");
      break;
    case 12:
      if (!m.serial.empty()) puttext(text, utf8tomacroman(m.serial));
      break;
    default: break;  // the bus speed and the ROM version are not known on this system
  }
  return 0;
}

i16 installsigcatchers(i16 flag) {
  ProbeState& s = state<ProbeState>();
  if (!s.armed) return 0;
  i16 was = s.probeswitch;
  s.probeswitch = flag;
  return was;
}

void armsigcatchers(bool armed) { state<ProbeState>().armed = armed; }

}  // namespace kv
