#include "system/remoteprocs.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/events/events.h"
#include "platform/net/tcp.h"
#include "platform/net/urlparts.h"
#include "platform/prefs/prefs.h"
#include "platform/text/macroman.h"
#include "core/debugmsg.h"
#include "core/mainglobals.h"
#include "shell/platformutil.h"
#include "system/cobs.h"
#include "system/programtargets.h"

namespace kv {

namespace {

constexpr u8 kGreeting[12] = {'T', 'C', 'P', 'P', 0, 0, 0, 0, 0, 0, 0, 0};
constexpr u16 kFirstCapacity = 512;
constexpr int kRequestsAllowed = 16;
constexpr int kOpenPolls = 25;
constexpr std::size_t kNameOffset = 4;

// Waits for one stream of the connection to open, turning the event loop between polls.
bool waitopen(TcpConnection& c, u32 sleep) {
  for (int i = 0; i < kOpenPolls; ++i) {
    TcpState s = c.poll(20);
    if (s == TcpState::open) return true;
    if (s != TcpState::opening) return false;
    u32 end;
    Delay(sleep, &end);
  }
  KVBeep(1);
  return false;
}

bool writeall(TcpConnection& c, const u8* p, std::size_t n) {
  while (n > 0) {
    i64 put = c.write(p, n);
    if (put <= 0) return false;
    p += put;
    n -= std::size_t(put);
  }
  return true;
}

bool readall(TcpConnection& c, u8* p, std::size_t n) {
  while (n > 0) {
    i64 got = c.read(p, n);
    if (got <= 0) return false;
    p += got;
    n -= std::size_t(got);
  }
  return true;
}

void putbe16(u8* p, u16 v) {
  p[0] = u8(v >> 8);
  p[1] = u8(v);
}

// Sends one request and reads its reply into `room` (capacity records): the decoded length,
// or -1 when there is no list.
i64 exchange(TcpConnection& c, u16 capacity, std::vector<u8>& room) {
  u8 request[kProcessRequestSize];
  buildprocessrequest(capacity, request);
  u8 stuffed[342];
  u8* end = stuffed;
  COBSEncode(request, sizeof request, &end);
  *end++ = 0;
  if (!writeall(c, stuffed, std::size_t(end - stuffed))) return -1;
  room.assign(std::size_t(capacity) * kProcessRecordSize, 0);
  u8* out = room.data();
  u16 st = 0;
  for (;;) {
    u8 b;
    if (c.read(&b, 1) <= 0) return -1;
    const u8* in = &b;
    std::size_t left = room.size() - std::size_t(out - room.data());
    u8* before = out;
    bool done = COBSDecode(&in, 1, &out, left, &st);
    if (in == nullptr) return -1;
    if (!done && in == &b && out == before) return -1;  // no room left for what is due
    if (done) break;
  }
  i64 length = out - room.data();
  return length > 0 ? length : -1;
}

}  // namespace

bool remoterequestsallowed() {
  std::optional<PrefValue> v = getpreference(kRuntimeDomain, kRemoteRequestsKey);
  if (!v) return false;
  if (v->type == PrefValue::Type::number) return v->number != 0;
  return v->type == PrefValue::Type::string && (v->text == "Yes" || v->text == "true");
}

bool negotiateProtocol(TcpConnection& connection) {
  if (!writeall(connection, kGreeting, sizeof kGreeting)) return false;
  u8 answer[sizeof kGreeting];
  if (!readall(connection, answer, sizeof answer)) return false;
  return std::memcmp(answer, kGreeting, sizeof kGreeting) == 0;
}

void buildprocessrequest(u16 capacity, u8 out[kProcessRequestSize]) {
  std::memset(out, 0, kProcessRequestSize);
  std::memcpy(out, "LPRT", 4);
  putbe16(out + 6, capacity);
  putbe16(out + 8, 0);  // script code of the pattern
  out[10] = 1;          // name pattern "="
  out[11] = '=';
  putbe16(out + 44, 2);  // match by name and type string
  out[46] = 1;           // type pattern "="
  out[47] = '=';
}

std::vector<std::string> processnames(const u8* reply, std::size_t length) {
  std::vector<std::string> names;
  for (std::size_t r = 0; r + kProcessRecordSize <= length; r += kProcessRecordSize) {
    const u8* rec = reply + r;
    std::size_t n = std::min<std::size_t>(rec[kNameOffset], kProcessRecordSize - kNameOffset - 1);
    names.emplace_back(reinterpret_cast<const char*>(rec + kNameOffset + 1), n);
  }
  return names;
}

std::string programurl(std::string_view base, std::string_view macromanname) {
  const std::string escaped = percentescape(macromantoutf8(macromanname));
  // Relative to the asked URL: in place of the last segment of its path.
  std::string b(base);
  std::size_t cut = b.find_first_of("?#");
  if (cut != std::string::npos) b.resize(cut);
  std::size_t pathstart = b.find("//");
  pathstart = pathstart == std::string::npos ? 0 : b.find('/', pathstart + 2);
  if (pathstart == std::string::npos) return b + "/" + escaped;
  return b.substr(0, b.rfind('/') + 1) + escaped;
}

bool AEListProcessesOnRemoteMachine(std::string_view url, std::vector<std::string>* programs, std::string* error) {
  programs->clear();
  error->clear();
  if (url.empty()) {
    *error = "Null URL";
    return false;
  }
  UrlParts u;
  if (!spliturl(url, &u)) {
    *error = "Invalid CFURLRef";
    return false;
  }
  if (u.scheme != "eppc") {
    *error = "Bad scheme in URL - only eppc:// allowed";
    return false;
  }
  if (remoterequeststate().remoterequests == 0) {
    *error = "Requests to other machines are not allowed";
    return false;
  }
  TcpConnection c;
  if (!c.start(u.host, u.hasport ? u.port : kProgramLinkingPort)) {
    *error = "Can't open connection to host";
    return false;
  }
  // One connection carries both streams: writing is open once it connects, and reading with it.
  if (!waitopen(c, 5)) {
    *error = "Can't open connection to server for writing";
    return false;
  }
  if (!waitopen(c, 60)) {
    *error = "Can't open connection to server for reading";
    return false;
  }
  if (!negotiateProtocol(c)) {
    *error = "Can't negotiate protocol with remote host";
    return false;
  }
  u16 capacity = kFirstCapacity;
  std::vector<u8> room;
  i64 length = -1;
  for (int requests = 1;; ++requests) {
    if (requests > kRequestsAllowed) {
      length = -1;
      break;
    }
    length = exchange(c, capacity, room);
    if (length < 0) break;
    std::size_t records = std::size_t(length) / kProcessRecordSize;
    if (records < capacity || capacity > 0x7FFF) break;
    capacity = u16(capacity * 2);  // there may be more
  }
  if (length > 0) {
    for (const std::string& name : processnames(room.data(), std::size_t(length)))
      programs->push_back(programurl(url, name));
  }
  if (length <= 0) {
    *error = "No processes available on host";
    return false;
  }
  return true;
}

bool answerprocesslist(const u8* frame, std::size_t size, const std::string& name, std::vector<u8>* answer) {
  u8 request[kProcessRequestSize + 64];
  const u8* in = frame;
  u8* out = request;
  if (!COBSDecode(&in, size, &out, sizeof request, nullptr) || in == nullptr) return false;
  const std::size_t length = std::size_t(out - request);
  if (length < 8 || std::memcmp(request, "LPRT", 4) != 0) return false;
  const u16 capacity = u16(request[6] << 8 | request[7]);
  std::vector<u8> records;
  if (capacity > 0) {
    records.assign(kProcessRecordSize, 0);
    const std::string own = utf8tomacroman(name).substr(0, 31);
    records[kNameOffset] = u8(own.size());
    std::memcpy(records.data() + kNameOffset + 1, own.data(), own.size());
  }
  answer->assign(cobsencodedmax(records.size()) + 1, 0);
  u8* end = answer->data();
  COBSEncode(records.data(), records.size(), &end);
  *end++ = 0;
  answer->resize(std::size_t(end - answer->data()));
  return true;
}

bool listenforremoterequests(std::string* why) {
  if (remoterequeststate().remoterequests == 0) return true;
  return openremoterequests(programname(), kRemoteRequestPort, false, answerprocesslist, why);
}

}  // namespace kv
