#include "platform/store/LocalTextFiles.h"

#include <fstream>
#include <system_error>
#include <utility>

#include "host/Cp1252.h"
#include "host/HostError.h"
#include "platform/store/StoreFiles.h"
#include "platform/store/WritePath.h"

namespace actifix::platform {

using storefiles::kCreateText;
using storefiles::kWriteLine;

struct LocalTextFiles::TextFile {
  std::filesystem::path path;
  std::ofstream out;
};

LocalTextFiles::LocalTextFiles(std::filesystem::path directory, bool makeDirectory)
    : directory_(std::move(directory)), makeDirectory_(makeDirectory) {}

LocalTextFiles::~LocalTextFiles() = default;

std::filesystem::path LocalTextFiles::Resolve(const std::string& name) const {
  const std::filesystem::path path(ToUtf8(name));  // the module's names are Windows-1252
  return path.is_absolute() ? path : directory_ / path;
}

void LocalTextFiles::Create(const std::string& fileName, int16_t& handle,
                            const std::function<int16_t(const std::string&)>& newHandle) {
  const std::filesystem::path path = Resolve(fileName);
  int16_t reused = 0;
  for (auto& [h, text] : files_) {
    if (text->path == path) reused = h;
  }
  if (reused != 0) files_.erase(reused);  // closes the earlier one before truncating it

  if (makeDirectory_) {
    std::error_code ignored;
    std::filesystem::create_directories(directory_, ignored);
  }
  RequireIn(directory_, path, kCreateText);
  auto text = std::make_unique<TextFile>();
  text->path = path;
  OpenNoFollow(text->out, path, WriteMode::kReplace, kCreateText);
  handle = reused != 0 ? reused : newHandle(path.string());
  files_[handle] = std::move(text);
}

void LocalTextFiles::WriteLine(int16_t handle, const std::string& line) {
  const auto it = files_.find(handle);
  if (it == files_.end())
    throw HostError(ErrorKind::kInvalidInput, kWriteLine, std::to_string(handle),
                    "ce numéro ne désigne pas un fichier texte ouvert");
  TextFile& text = *it->second;
  text.out.write(line.data(), static_cast<std::streamsize>(line.size()));
  text.out.write("\r\n", 2);
  if (!text.out)
    throw HostError(ErrorKind::kIo, kWriteLine, text.path.string(),
                    "impossible d'écrire dans le fichier");
}

bool LocalTextFiles::Exists(const std::string& path) const {
  std::error_code ignored;
  return std::filesystem::exists(Resolve(path), ignored);
}

void LocalTextFiles::Remove(const std::string& path) const {
  std::error_code error;
  std::filesystem::remove(Resolve(path), error);
  if (error)
    throw HostError(ErrorKind::kIo, "HostRecordFile.Remove", path,
                    "impossible de supprimer le fichier");
}

void LocalTextFiles::Flush(const std::string& operation) {
  for (const auto& [handle, text] : files_) {
    text->out.flush();
    if (!text->out)
      throw HostError(ErrorKind::kIo, operation, text->path.string(),
                      "impossible d'écrire dans le fichier");
  }
}

void LocalTextFiles::CloseAll(const std::string& operation) {
  for (auto it = files_.begin(); it != files_.end(); it = files_.erase(it)) {
    TextFile& text = *it->second;
    text.out.close();
    if (!text.out)
      throw HostError(ErrorKind::kIo, operation, text.path.string(),
                      "impossible d'écrire dans le fichier");
  }
}

void LocalTextFiles::Drop() { files_.clear(); }

}  // namespace actifix::platform
