// A fresh directory under the system's temporary directory, removed with its contents when
// the object goes.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/base/PrivateDirectory.h"

namespace actifix::testing {

class TempDir : public platform::PrivateDirectory {
 public:
  TempDir()
      : PrivateDirectory(std::filesystem::temp_directory_path() / "actifix-test-XXXXXX", "TempDir",
                         "", "mkdtemp a échoué") {}
};

// The bytes of a file ("" when there is none).
inline std::string FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace actifix::testing
