#include "platform/store/CompanyLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <sstream>
#include <thread>

#include "host/HostError.h"
#include "platform/store/sqlite/CompanyDatabase.h"

namespace actifix::platform {

namespace {

// The lock file holds one line "PID COMMAND" per program that took the company since it was
// last free; a program blanks its own line when it lets go. The last line of a process still
// running names a holder.
std::string Holder(int fd) {
  const off_t size = lseek(fd, 0, SEEK_END);
  std::string text(64 * 1024, '\0');
  const ssize_t n = pread(fd, text.data(), text.size(),
                          std::max<off_t>(0, size - static_cast<off_t>(text.size())));
  text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  std::istringstream lines(text);
  std::string holder;
  for (std::string line; std::getline(lines, line);) {
    const long pid = std::atol(line.c_str());
    const std::size_t blank = line.find(' ');
    if (pid > 0 && blank != std::string::npos &&
        (kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM))
      holder = line.substr(blank + 1);
  }
  return holder;
}

}  // namespace

CompanyLock::CompanyLock(const std::filesystem::path& database, Mode mode,
                         const std::string& command)
    : mode_(mode) {
  const std::string path = database.string() + ".lock";
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd_ < 0)
    throw HostError(ErrorKind::kIo, "CompanyLock", path,
                    "impossible de créer le fichier de verrou");
  const int operation = (mode == Mode::kExclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
  // Alone on the company: the lines of earlier holders go.
  if (flock(fd_, LOCK_EX | LOCK_NB) == 0 && ftruncate(fd_, 0) == 0 && mode == Mode::kShared)
    flock(fd_, LOCK_UN);
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(CompanyDatabase::kBusyWaitMs);
  while (flock(fd_, operation) != 0) {
    if (std::chrono::steady_clock::now() >= deadline) {
      const std::string holder = Holder(fd_);
      ::close(fd_);
      throw HostError(ErrorKind::kInUse, "CompanyLock", database.string(),
                      "l'entreprise est utilisée par un autre programme" +
                          (holder.empty() ? std::string() : " (" + holder + ")") +
                          " : réessayez quand il aura terminé");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  // Who holds it, for the next program refused. The name is a courtesy: the lock holds
  // without it.
  std::string line =
      std::to_string(getpid()) + " " + command + ", processus " + std::to_string(getpid()) + "\n";
  for (char& c : line)
    if (c == '\n' && &c != &line.back()) c = ' ';
  // Appended whole, even while other holders append theirs.
  if (write(fd_, line.data(), line.size()) == static_cast<ssize_t>(line.size()))
    line_ = {lseek(fd_, 0, SEEK_CUR) - static_cast<off_t>(line.size()), line.size()};
}

CompanyLock::~CompanyLock() {
  if (fd_ < 0) return;
  // pwrite() at an offset needs the file out of append mode.
  if (line_.second > 0 && fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) & ~O_APPEND) == 0) {
    const std::string blank(line_.second - 1, ' ');
    if (pwrite(fd_, blank.data(), blank.size(), line_.first) < 0) {
      // A line left names a program gone, which the next reader may show.
    }
  }
  ::close(fd_);  // releases the lock
}

}  // namespace actifix::platform
