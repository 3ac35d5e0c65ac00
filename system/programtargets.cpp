#include "system/programtargets.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/encoding.h"
#include "engine/textutil.h"
#include "platform/files/files.h"
#include "platform/ipc/programs.h"
#include "platform/memory/memory.h"
#include "platform/net/interfaces.h"
#include "platform/prefs/bundle.h"
#include "platform/text/macroman.h"
#include "platform/text/pstring.h"
#include "system/appleevents.h"
#include "system/filelocation.h"
#include "system/remoteprocs.h"

namespace kv {

namespace {

constexpr std::size_t kNameLimit = 31;
constexpr i16 kCannotResolve = 227;

std::string textof(ConstStringPtr p) { return std::string(reinterpret_cast<const char*>(p + 1), p[0]); }

// A program name without a leading "*::" (exactly those characters).
std::string withoutstar(ConstStringPtr p) {
  std::string s = textof(p);
  if (s.compare(0, 3, "*::") == 0) s.erase(0, 3);
  return s;
}

bool sameignoringcase(const std::string& a, const std::string& b) {
  if (a.size() != b.size() || a.size() > 255) return false;
  u8 pa[256], pb[256];
  pstrassign(pa, 256, a.data(), a.size());
  pstrassign(pb, 256, b.data(), b.size());
  return myequalstring(pa, pb);
}

// The running programs as (name in Mac Roman, serial number): this one first, then the others
// of the registry.
std::vector<std::pair<std::string, ProcessSerialNumber>> running() {
  std::vector<std::pair<std::string, ProcessSerialNumber>> out;
  out.emplace_back(utf8tomacroman(programname()), ProcessSerialNumber{0, kCurrentProcess});
  const u32 own = ownprogramid();
  for (const ProgramEntry& p : listprograms(joinedfolder())) {
    if (p.id == own) continue;
    out.emplace_back(utf8tomacroman(p.name), ProcessSerialNumber{0, p.id});
  }
  return out;
}

// The path of a URL after its host, leading slashes dropped and percent escapes decoded.
std::string urlpath(const std::string& url) {
  std::size_t at = url.find('/', 7);
  std::string path = at == std::string::npos ? std::string() : url.substr(at);
  while (!path.empty() && path[0] == '/') path.erase(0, 1);
  if (path.size() > 255) path.resize(255);
  u8 p[256];
  pstrassign(p, 256, path.data(), path.size());
  URLDecode(p);
  return textof(p);
}

AEDesc textdesc(const std::string& s) {
  AEDesc d;
  AECreateDesc(typeChar, s.data(), Size(s.size()), &d);
  return d;
}

}  // namespace

std::string programname() {
  if (std::optional<PrefValue> v = bundlevalue("CFBundleName"); v && !v->text.empty()) return v->text;
  return "Kestrove";
}

void getaddress(StringPtr text) {
  for (const NetInterface& n : networkinterfaces()) {
    if (!n.up || n.loopback) continue;
    const std::string address = "eppc://" + n.address + "/" + programname();
    pstrassign(text, 256, reinterpret_cast<const u8*>(address.data()), address.size());
    return;
  }
}

i16 stringIsValidApplicationURL(ConstStringPtr text) {
  const std::string url = textof(text);
  if (url.size() < 7 || !sameignoringcase(url.substr(0, 7), "eppc://")) return 0;
  const std::string wanted = urlpath(url);
  std::vector<std::string> programs;
  std::string error;
  if (!AEListProcessesOnRemoteMachine(url, &programs, &error)) return 0;
  for (const std::string& p : programs) {
    std::string name = p.size() >= 7 && sameignoringcase(p.substr(0, 7), "eppc://") ? urlpath(p) : p;
    while (!name.empty() && name[0] == '/') name.erase(0, 1);
    if (sameignoringcase(name, wanted)) return 1;
  }
  return 0;
}

i16 stringIsValidLocalProcess(ConstStringPtr text) {
  const std::string wanted = withoutstar(text);
  for (const auto& [name, psn] : running())
    if (sameignoringcase(name.substr(0, kNameLimit), wanted)) return 1;
  return 0;
}

i16 stringtopsnX(ConstStringPtr text, ProcessSerialNumber* psn) {
  const std::string wanted = withoutstar(text);
  for (const auto& [name, serial] : running()) {
    if (sameignoringcase(name, wanted)) {
      *psn = serial;
      return 0;
    }
  }
  return 1;
}

void buildprograms(Handle list) {
  bool first = true;
  for (const auto& [name, psn] : running()) {
    std::string line;
    if (!first) line += '\r';
    line.append(name, 0, std::min(name.size(), kNameLimit));
    if (PtrAndHand(line.data(), list, Size(line.size())) != noErr) return;
    first = false;
  }
}

OSErr Psys7RTtextotarg(const AEDesc* from, DescType, i32, AEDesc* result) {
  std::string s(from->data.begin(), from->data.end());
  if (s.size() > 255) s.resize(255);
  u8 p[256];
  pstrassign(p, 256, s.data(), s.size());
  if (stringIsValidApplicationURL(p)) return AECreateDesc(typeApplicationURL, s.data(), Size(s.size()), result);
  ProcessSerialNumber psn{};
  if (stringIsValidLocalProcess(p) && stringtopsnX(p, &psn) == 0)
    return AECreateDesc(typeProcessSerialNumber, &psn, 8, result);
  return errAECoercionFail;
}

OSErr Psys7RTfsspectotext(const AEDesc* from, DescType wanted, i32, AEDesc* result) {
  if (wanted != typeChar) return 1;
  i32 count = 0;
  if (AECountItems(*from, &count) != noErr || count == 0) return 1;
  std::string out;
  bool any = false;
  for (i32 i = 1; i <= count; ++i) {
    AEDesc item;
    if (AEGetNthDesc(*from, i, typeFileURL, nullptr, &item) != noErr) continue;
    out += filenametomacroman(std::string(item.data.begin(), item.data.end()));
    out += '\r';
    any = true;
  }
  if (!any) return 1;
  out.pop_back();
  *result = textdesc(out);
  return noErr;
}

OSErr Psys7RTtargtotext(const AEDesc* from, DescType, i32, AEDesc* result) {
  const std::vector<u8>& r = from->data;
  auto pstr = [&](std::size_t at, std::size_t room) -> std::string {
    if (at >= r.size()) return {};
    const std::size_t n = std::min<std::size_t>({r[at], room, r.size() - at - 1});
    return std::string(reinterpret_cast<const char*>(r.data() + at + 1), n);
  };
  std::string text;
  const i32 kind = r.size() >= 78 ? i32(i16(u16(r[76]) << 8 | r[77])) : -1;
  if (kind == 1) {
    text = pstr(146, 32) + ":" + pstr(78, 32) + ":" + pstr(6, 32);
  } else if (kind == 3) {
    // The address's length is the byte at 81 less 2; one that is negative or runs past the
    // record gives empty text.
    const i32 len = r.size() > 81 ? i32(r[81]) - 2 : -1;
    if (len < 0 || 84 + std::size_t(len) > r.size()) {
      *result = textdesc("");
      return noErr;
    }
    text = "eppc://" + std::string(reinterpret_cast<const char*>(r.data() + 84), std::size_t(len)) + ":" + pstr(6, 32);
  } else if (const CurrentRequest& c = currentrequest(); c.gotit) {
    text = sendername(*c.gotit);
  }
  *result = textdesc(text);
  return noErr;
}

i16 resolvename(StringPtr name, i16* volume, u32* folder) {
  CatInfo info{};
  OSErr e = HGetCatInfo(*volume, *folder, name, &info);
  if (e == bdNamErr) return kCannotResolve;
  bool wasalias = false;
  i16 v = *volume;
  u32 d = *folder;
  Str255 n;
  std::memcpy(n, name, std::size_t(name[0]) + 1);
  if (ResolveAliasFile(&v, &d, n, &wasalias) != noErr) return kCannotResolve;
  if (wasalias) {
    *volume = v;
    *folder = d;
    std::memcpy(name, n, std::size_t(n[0]) + 1);
  }
  return 0;
}

}  // namespace kv
