#include "platform/store/WritePath.h"

#include "host/HostError.h"

namespace actifix::platform {

void RefuseLink(const std::filesystem::path& path, const std::string& operation) {
  std::error_code error;
  if (std::filesystem::is_symlink(std::filesystem::symlink_status(path, error)))
    throw HostError(operation, path.string(),
                    "écriture refusée : ce fichier est un lien symbolique");
}

void RequireIn(const std::filesystem::path& dir, const std::filesystem::path& path,
               const std::string& operation) {
  std::error_code error;
  const std::filesystem::path where = std::filesystem::weakly_canonical(dir, error);
  const std::filesystem::path parent =
      error ? std::filesystem::path()
            : std::filesystem::weakly_canonical(path.parent_path(), error);
  if (error || where != parent)
    throw HostError(operation, path.string(),
                    "écriture refusée : ce fichier n'est pas dans le répertoire des données");
  RefuseLink(path, operation);
}

}  // namespace actifix::platform
