// Answers the remote process list with arbitrary bytes from a peer on the loopback address: the
// first byte chooses whether the peer echoes the greeting, and each zero-ended run of the rest
// is the peer's answer to one request (the last one unended, then the connection closes). The
// whole reply parser runs: the frames' byte stuffing, the records, the names made URLs. Every
// program comes back as a URL under the asked one whose name is escaped; a failure gives its
// text. The seeds are replies stuffed by our own encoder.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/net/tcp.h"
#include "core/mainglobals.h"
#include "system/cobs.h"
#include "system/remoteprocs.h"
#include "tests/fuzz/fuzzcheck.h"

namespace {

using namespace kv;

struct Reply {
  const std::uint8_t* data;
  std::size_t size;
};

void serve(int s, void* context) {
  const Reply* r = static_cast<const Reply*>(context);
  std::uint8_t hello[12];
  if (!TcpTestPeer::readall(s, hello, sizeof hello)) return;
  if (r->size == 0) return;
  if (r->data[0] == 0) {
    TcpTestPeer::writeall(s, hello, sizeof hello);
  } else {
    std::uint8_t other[12] = {};
    std::copy(r->data, r->data + std::min(r->size, sizeof other), other);
    TcpTestPeer::writeall(s, other, sizeof other);
  }
  std::size_t at = 1;
  while (at < r->size) {
    // A request, up to its frame's end; then the next answer.
    for (int b; (b = TcpTestPeer::readbyte(s)) > 0;) {
    }
    std::size_t end = at;
    while (end < r->size && r->data[end] != 0) ++end;
    if (end < r->size) ++end;  // with its zero
    if (!TcpTestPeer::writeall(s, r->data + at, end - at)) return;
    at = end;
  }
}

bool escaped(const std::string& name) {
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                       c == '_' || c == '.' || c == '~';
    if (plain) continue;
    if (c != '%' || i + 2 >= name.size() || !std::isxdigit(static_cast<unsigned char>(name[i + 1])) ||
        !std::isxdigit(static_cast<unsigned char>(name[i + 2])))
      return false;
    i += 2;
  }
  return true;
}

std::vector<std::uint8_t> reply(const std::vector<std::string>& names) {
  std::vector<std::uint8_t> recs(names.size() * kProcessRecordSize, 0);
  for (std::size_t i = 0; i < names.size(); ++i) {
    recs[i * kProcessRecordSize + 4] = std::uint8_t(names[i].size());
    std::copy(names[i].begin(), names[i].end(), recs.begin() + long(i * kProcessRecordSize + 5));
  }
  std::vector<std::uint8_t> out(cobsencodedmax(recs.size()));
  u8* e = out.data();
  COBSEncode(recs.data(), recs.size(), &e);
  out.resize(std::size_t(e - out.data()));
  out.push_back(0);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1 << 16) return 0;
  remoterequeststate().remoterequests = 1;
  Reply r{data, size};
  TcpTestPeer peer(serve, &r);
  if (peer.port() == 0) return 0;
  const std::string url = "eppc://127.0.0.1:" + std::to_string(peer.port()) + "/";
  std::vector<std::string> programs;
  std::string error;
  const bool ok = AEListProcessesOnRemoteMachine(url, &programs, &error);
  peer.join();
  check(ok == error.empty() && (ok || programs.empty()));
  for (const std::string& p : programs) check(p.compare(0, url.size(), url) == 0 && escaped(p.substr(url.size())));
  return 0;
}

extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  std::vector<std::uint8_t> s{0};
  const std::vector<std::uint8_t> three = reply({"Finder", "Two Words", "\x8A\xA5 caf\x8E"});
  s.insert(s.end(), three.begin(), three.end());
  out->push_back(s);
  std::vector<std::uint8_t> empty{0};
  const std::vector<std::uint8_t> none = reply({});
  empty.insert(empty.end(), none.begin(), none.end());
  out->push_back(empty);
  std::string longname(80, 'x');
  std::vector<std::uint8_t> l{0};
  const std::vector<std::uint8_t> one = reply({longname.substr(0, 68), std::string(1, '\0')});
  l.insert(l.end(), one.begin(), one.end());
  l[l.size() - 20] = 0xFF;  // a name length beyond its record
  out->push_back(l);
  return out->size();
}
