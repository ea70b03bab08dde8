#include "platform/store/CompanyLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "host/HostError.h"
#include "platform/store/CompanyDatabase.h"

namespace actifix::platform {

namespace {

// The command recorded in the lock file by the program that holds it, "" when none.
std::string Holder(int fd) {
  char text[256];
  const ssize_t n = pread(fd, text, sizeof text - 1, 0);
  return n > 0 ? std::string(text, static_cast<std::size_t>(n)) : "";
}

}  // namespace

CompanyLock::CompanyLock(const std::filesystem::path& database, Mode mode,
                         const std::string& command)
    : mode_(mode) {
  const std::string path = database.string() + ".lock";
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0) throw HostError("CompanyLock", path, "impossible de créer le fichier de verrou");
  const int operation = (mode == Mode::kExclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(CompanyDatabase::kBusyWaitMs);
  while (flock(fd_, operation) != 0) {
    if (std::chrono::steady_clock::now() >= deadline) {
      const std::string holder = Holder(fd_);
      ::close(fd_);
      throw HostError("CompanyLock", database.string(),
                      "l'entreprise est utilisée par un autre programme" +
                          (holder.empty() ? std::string() : " (" + holder + ")") +
                          " : réessayez quand il aura terminé");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  // Who holds it, for the next program refused; readers overwrite each other, harmlessly.
  const std::string text = command + ", processus " + std::to_string(getpid());
  if (ftruncate(fd_, 0) == 0 && pwrite(fd_, text.data(), text.size(), 0) < 0) {
    // The name is a courtesy: the lock holds without it.
  }
}

CompanyLock::~CompanyLock() {
  if (fd_ >= 0) ::close(fd_);  // releases the lock
}

}  // namespace actifix::platform
