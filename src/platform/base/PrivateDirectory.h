// A directory of this program alone (mode 0700, mkdtemp), removed with what it still holds
// when it goes: for files a library writes by name (nobody else can leave a link among them)
// and for a server's own work.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

#include "host/HostError.h"

namespace actifix::platform {

class PrivateDirectory {
 public:
  // `pattern` ends with "XXXXXX", replaced to make the name unique. Throws HostError of
  // `operation` on `subject`, its cause `cause`, when it cannot be made.
  PrivateDirectory(const std::filesystem::path& pattern, const std::string& operation,
                   const std::string& subject, const std::string& cause) {
    std::string name = pattern.string();
    if (::mkdtemp(name.data()) == nullptr)
      throw HostError(ErrorKind::kIo, operation, subject, cause);
    path_ = name;
  }
  ~PrivateDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  PrivateDirectory(const PrivateDirectory&) = delete;
  PrivateDirectory& operator=(const PrivateDirectory&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace actifix::platform
