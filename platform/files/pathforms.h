// Path forms: colon paths and POSIX paths as scripts convert them, and whether a file system
// takes exclusive locks. Paths are Mac Roman.
#pragma once

#include <string>
#include <string_view>

namespace kv {

// A leading "~" (alone or before "/") becomes the home folder's path.
std::string expandhome(std::string path);
// A colon path as an absolute POSIX path: its first name is a volume under /Volumes when one of
// that name is mounted, else a folder of the root (so that every absolute path has a colon
// form); a leading colon starts from the current folder, each further one climbs a folder.
std::string colonpathtoposix(const std::string& colon);
// A POSIX path (a relative one from the current folder) in the colon form: "/Volumes/D/x" is
// "D:x", any other "/a/b" is "a:b".
std::string posixtocolonpath(std::string posix);

// True when the path exists and its file system takes `flock` locks that other machines see as
// well: local file systems do; network and user-space file systems (NFS, SMB, FUSE) are not
// counted on. *exists tells whether the path was found.
bool takesexclusivelocks(std::string_view path, bool* exists);

}  // namespace kv
