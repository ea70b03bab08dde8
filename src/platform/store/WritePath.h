// Files the program writes stay in the data and output directories. A name there that is a
// symbolic link (left in the directory to point elsewhere) is never written through, and a
// file name the module builds must resolve to the data directory itself.
#pragma once

#include <filesystem>
#include <string>

namespace actifix::platform {

// Throws HostError(operation, path) when `path` is a symbolic link, dangling or not.
void RefuseLink(const std::filesystem::path& path, const std::string& operation);

// Throws HostError(operation, path) when `path` is a symbolic link or its directory, resolved
// (".." and links followed), is not `dir` resolved.
void RequireIn(const std::filesystem::path& dir, const std::filesystem::path& path,
               const std::string& operation);

}  // namespace actifix::platform
