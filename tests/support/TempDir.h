// A fresh directory under the system's temporary directory, removed with its contents when
// the object goes.
#pragma once

#include <filesystem>

namespace actifix::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace actifix::testing
