// What the sockets of requests between programs share: the socket address of a path, whole
// writes and reads with a wait, big-endian words, and the peer's user.
#pragma once

#include <string>
#include <vector>

#include "platform/types.h"

struct sockaddr_un;

namespace kv::ipc {

bool addressof(const std::string& path, sockaddr_un* a);
bool writeall(int fd, const u8* p, std::size_t n);
// Writes a whole text to a file descriptor (not a socket).
bool writefile(int fd, const std::string& text);
// Reads exactly n bytes, waiting at most `ms` for each part.
bool readall(int fd, u8* p, std::size_t n, int ms);
void putbe32(std::vector<u8>& out, u32 v);
u32 be32(const u8* p);
// The user id of a connection's peer (SO_PEERCRED).
bool peeruid(int fd, u32* uid);
// The user's own folder: made 0700 when missing; false (with the reason) when it belongs to
// somebody else, is no folder or others may enter it.
bool ownfolder(const std::string& folder, std::string* error);

}  // namespace kv::ipc
