// The text files a store writes for the module (exports, listings), in a local directory
// whatever holds the company: a relative name is taken in that directory, and a file is only
// ever created inside it. Lines end with CR LF; the bytes are the module's own.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace actifix::platform {

class LocalTextFiles {
 public:
  // `makeDirectory`: the directory is made when the first file is.
  LocalTextFiles(std::filesystem::path directory, bool makeDirectory);
  ~LocalTextFiles();
  LocalTextFiles(const LocalTextFiles&) = delete;
  LocalTextFiles& operator=(const LocalTextFiles&) = delete;

  const std::filesystem::path& directory() const { return directory_; }
  bool contains(int16_t handle) const { return files_.contains(handle); }

  // Creates (or empties) `fileName`. A file already open under the same path is closed first
  // and keeps its handle; otherwise the handle is newHandle(path).
  void Create(const std::string& fileName, int16_t& handle,
              const std::function<int16_t(const std::string& subject)>& newHandle);
  void WriteLine(int16_t handle, const std::string& line);
  bool Exists(const std::string& path) const;
  void Remove(const std::string& path) const;
  // Flushes every open file; HostError(operation, path) when one could not be written.
  void Flush(const std::string& operation);
  // Closes every file, as Flush reports a failure.
  void CloseAll(const std::string& operation);
  // Closes every file without a word (the store is going).
  void Drop();

 private:
  struct TextFile;
  std::filesystem::path Resolve(const std::string& name) const;

  std::filesystem::path directory_;
  bool makeDirectory_;
  std::map<int16_t, std::unique_ptr<TextFile>> files_;
};

}  // namespace actifix::platform
