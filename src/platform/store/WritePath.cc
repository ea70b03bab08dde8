#include "platform/store/WritePath.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "host/HostError.h"

namespace actifix::platform {

namespace {
constexpr char kLinkRefused[] = "écriture refusée : ce fichier est un lien symbolique";
}

void RefuseLink(const std::filesystem::path& path, const std::string& operation) {
  std::error_code error;
  if (std::filesystem::is_symlink(std::filesystem::symlink_status(path, error)))
    throw HostError(ErrorKind::kIo, operation, path.string(), kLinkRefused);
}

void RequireIn(const std::filesystem::path& dir, const std::filesystem::path& path,
               const std::string& operation) {
  std::error_code error;
  const std::filesystem::path where = std::filesystem::weakly_canonical(dir, error);
  const std::filesystem::path parent =
      error ? std::filesystem::path()
            : std::filesystem::weakly_canonical(path.parent_path(), error);
  if (error || where != parent)
    throw HostError(ErrorKind::kIo, operation, path.string(),
                    "écriture refusée : ce fichier n'est pas dans le répertoire des données");
  RefuseLink(path, operation);
}

void OpenNoFollow(std::ofstream& out, const std::filesystem::path& path, WriteMode mode,
                  const std::string& operation) {
  int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
  if (mode == WriteMode::kReplace) flags |= O_TRUNC;
  if (mode == WriteMode::kAppend) flags |= O_APPEND;
  if (mode == WriteMode::kNew) {
    flags |= O_EXCL;
    ::unlink(path.c_str());  // a link goes, not what it points at
  }
  const int fd = ::open(path.c_str(), flags, 0644);
  if (fd < 0 && errno == ELOOP)
    throw HostError(ErrorKind::kIo, operation, path.string(), kLinkRefused);
  if (fd < 0 && errno == EEXIST)
    throw HostError(ErrorKind::kConflict, operation, path.string(),
                    "écriture refusée : un autre programme vient de créer ce fichier");
  if (fd < 0)
    throw HostError(ErrorKind::kIo, operation, path.string(), "impossible de créer le fichier");
  struct stat info {};
  const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  if (regular) {
    // The stream opens the very file of `fd`, whatever the name points at by now.
    out.open("/proc/self/fd/" + std::to_string(fd),
             std::ios::binary | (mode == WriteMode::kAppend ? std::ios::app : std::ios::out));
  }
  ::close(fd);
  if (!regular)
    throw HostError(ErrorKind::kIo, operation, path.string(),
                    "écriture refusée : ce n'est pas un fichier ordinaire");
  if (!out)
    throw HostError(ErrorKind::kIo, operation, path.string(), "impossible de créer le fichier");
}

}  // namespace actifix::platform
