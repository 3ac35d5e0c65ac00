// Content named by a URL, fetched whole into memory (libcurl): the field text and picture
// setters read a name that is a URL through here instead of through the file system.
//
// Only the schemes http, https, ftp and file are fetched; redirects are followed (at most
// five, to http and https only). A transfer that connects to nothing within 30 seconds, or
// moves less than one byte a second for 60 seconds, fails. The fetch blocks the calling thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace kv {

// Whether a text names a URL: a scheme (a letter, then letters, digits, '+', '-' or '.')
// followed by "://".
bool isurl(std::string_view text);

enum class FetchStatus : u8 {
  ok,
  notfound,  // no such host, file or document (an HTTP status of 400 or more)
  refused,   // a scheme that is not fetched, or a malformed URL
  failed,    // the transfer broke off or timed out
};

struct FetchedContent {
  std::vector<u8> bytes;
  std::string mimetype;  // the server's content type without its parameters, lower case; may be empty
  bool cut = false;      // the content ran past the limit and was cut there
};

// Fetches the content of a URL given in Mac Roman (characters outside ASCII are sent as
// UTF-8 percent escapes), keeping at most `limit` bytes.
FetchStatus fetchurl(std::string_view macromanurl, std::size_t limit, FetchedContent* out);

}  // namespace kv
