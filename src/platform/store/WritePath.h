// Files the program writes stay in the data and output directories. A name there that is a
// symbolic link (left in the directory to point elsewhere) is never written through, and a
// file name the module builds must resolve to the data directory itself. Every file the
// program writes is opened by OpenNoFollow, which refuses the link in the same system call
// that opens the file, so that nothing can be planted between a check and the opening.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

namespace actifix::platform {

// Throws HostError(operation, path) when `path` is a symbolic link, dangling or not.
void RefuseLink(const std::filesystem::path& path, const std::string& operation);

// Throws HostError(operation, path) when `path` is a symbolic link or its directory, resolved
// (".." and links followed), is not `dir` resolved.
void RequireIn(const std::filesystem::path& dir, const std::filesystem::path& path,
               const std::string& operation);

enum class WriteMode {
  kReplace,  // create, or empty the file there
  kAppend,   // create, or add at its end
  kNew,      // a temporary: whatever has its name (a file of an earlier run, a link) is removed
             // first, then the file is made anew, refused if another appears meanwhile
};

// Opens `out` (binary) on `path` without following a symbolic link at `path`, and only on a
// regular file (never a pipe or a device). Throws HostError(operation, path) when refused or
// when the file cannot be made.
void OpenNoFollow(std::ofstream& out, const std::filesystem::path& path, WriteMode mode,
                  const std::string& operation);

}  // namespace actifix::platform
