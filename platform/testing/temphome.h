// A temporary home folder for tests: a fresh folder under the system's temporary folder
// ($TMPDIR, else /tmp) that HOME and the XDG folders point into while it lives, removed with
// everything in it when it goes. Tests make their files inside it and nowhere else.
#pragma once

#include <string>

namespace kv {

class TemporaryHome {
 public:
  TemporaryHome();
  ~TemporaryHome();
  TemporaryHome(const TemporaryHome&) = delete;
  TemporaryHome& operator=(const TemporaryHome&) = delete;

  // The folder's path (UTF-8; plain ASCII, so also its Mac Roman form).
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::string saved_[4];
  bool had_[4] = {};
};

}  // namespace kv
