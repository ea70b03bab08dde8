// The editions the web view runs: each one an operation of the module (EditImo, Tableaux2054)
// run as `actifix run --script` runs it, its answers written by the server from the form, on
// its own thread, in one snapshot of the company held shared, into a folder of its own under
// the server's folder. It posts no ledger entry: neither the interface file nor the FEC
// extract is written. Its files are then offered for download by the job's id and their
// number, never by a name from the request. Few run at once; the oldest finished jobs are
// removed beyond a bound.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace actifix::platform {
class CompanyStore;
}

namespace actifix::platform::web {

class StorePool;

struct JobStatus {
  enum class State { kRunning, kDone, kFailed };
  State state = State::kRunning;
  std::string company, label;  // UTF-8
  std::string progress;        // where it has got to (UTF-8)
  std::string error;           // why it failed (UTF-8)
  double seconds = 0;          // since it began, or what it took
  // The editions written, in order: each one's title and the stem of its files.
  struct Edition {
    std::string title;
    std::filesystem::path stem;  // folder / "NNN-TITLE", the files adding their extension
  };
  std::vector<Edition> editions;
};

// The kinds of file offered for each edition, by their extension.
inline constexpr const char* kDownloadKinds[] = {"pdf", "txt", "jsonl", "csv", "xlsx"};

class EditionJobs {
 public:
  // Stores come from `stores`, which outlives the jobs. `root`: a folder of the server's own, made
  // if missing. At most `running` jobs at once, `kept` jobs remembered.
  EditionJobs(std::shared_ptr<CompanyStore> companies, StorePool& stores,
              std::filesystem::path root, int running, int kept);
  // Interrupts the running editions and waits for their end.
  ~EditionJobs();
  EditionJobs(const EditionJobs&) = delete;
  EditionJobs& operator=(const EditionJobs&) = delete;

  // Starts `operation` on company `code` with the answers `script`; its id, or nothing when
  // `running` jobs are already running.
  std::optional<std::string> Start(const std::string& code, const std::string& operation,
                                   const std::string& script, const std::string& label);
  std::optional<JobStatus> Status(const std::string& id) const;
  // The file of edition `edition` (0-based) of job `id` with extension `kind` (one of
  // kDownloadKinds); nothing when there is no such job, edition, kind or file.
  std::optional<std::filesystem::path> File(const std::string& id, std::size_t edition,
                                            const std::string& kind) const;

 private:
  struct Job;
  void RunJob(Job& job, const std::string& operation, const std::string& script);

  std::shared_ptr<CompanyStore> companies_;
  StorePool& stores_;
  std::filesystem::path root_;
  const int running_, kept_;
  mutable std::mutex mutex_;
  std::list<std::unique_ptr<Job>> jobs_;  // oldest first
  std::atomic<bool> stopping_{false};
};

}  // namespace actifix::platform::web
