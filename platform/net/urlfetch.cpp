#include "platform/net/urlfetch.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>

#include "platform/text/macroman.h"

namespace kv {

namespace {

constexpr long kConnectSeconds = 30;
constexpr long kStalledSeconds = 60;
constexpr long kMaxRedirects = 5;

// The URL as libcurl takes it: UTF-8, with every byte that may not stand in a URL as it is
// (controls, blanks and bytes outside ASCII) percent-escaped.
std::string wireform(std::string_view macroman) {
  static constexpr char hex[] = "0123456789ABCDEF";
  std::string out;
  for (char c : macromantoutf8(macroman)) {
    u8 b = u8(c);
    if (b <= 0x20 || b >= 0x7F) {
      out += '%';
      out += hex[b >> 4];
      out += hex[b & 15];
    } else {
      out += c;
    }
  }
  return out;
}

struct Sink {
  FetchedContent* out;
  std::size_t limit;
};

std::size_t takebytes(char* data, std::size_t size, std::size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  std::size_t n = size * count;
  std::size_t room = sink->limit - sink->out->bytes.size();
  std::size_t keep = std::min(n, room);
  sink->out->bytes.insert(sink->out->bytes.end(), data, data + keep);
  if (keep < n) {
    // Past the limit: the transfer stops here and what was kept is the content.
    sink->out->cut = true;
    return keep;
  }
  return n;
}

std::string mimeof(const char* header) {
  std::string t;
  for (const char* p = header; p != nullptr && *p != '\0' && *p != ';'; ++p) {
    char c = *p;
    if (c == ' ' || c == '\t') continue;
    t += (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
  }
  return t;
}

struct EasyDeleter {
  void operator()(CURL* c) const { curl_easy_cleanup(c); }
};

}  // namespace

FetchStatus fetchurl(std::string_view macromanurl, std::size_t limit, FetchedContent* out) {
  *out = FetchedContent{};
  if (!isurl(macromanurl)) return FetchStatus::refused;
  std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
  if (!easy) return FetchStatus::failed;
  CURL* c = easy.get();
  std::string url = wireform(macromanurl);
  Sink sink{out, limit};
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https,ftp,file");
  curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(c, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, kConnectSeconds);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, kStalledSeconds);
  curl_easy_setopt(c, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "");
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, takebytes);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &sink);
  CURLcode code = curl_easy_perform(c);
  if (code == CURLE_WRITE_ERROR && out->cut) code = CURLE_OK;
  if (code == CURLE_OK) {
    char* type = nullptr;
    if (curl_easy_getinfo(c, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK) out->mimetype = mimeof(type);
    return FetchStatus::ok;
  }
  out->bytes.clear();
  out->cut = false;
  switch (code) {
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT: return FetchStatus::refused;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_HTTP_RETURNED_ERROR:
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_FILE_COULDNT_READ_FILE: return FetchStatus::notfound;
    default: return FetchStatus::failed;
  }
}

}  // namespace kv
