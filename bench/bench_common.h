// What the benchmark programs share: a run in a child process, so that its peak memory is
// its own, and the machine-readable line that bench/run.sh gathers into one table:
//   operation <TAB> size <TAB> seconds <TAB> baseline <TAB> baseline seconds <TAB> peak MB
#pragma once

#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/HostRecordFile.h"
#include "platform/screen/Script.h"
#include "platform/session/ScriptedInterface.h"
#include "platform/session/Session.h"
#include "platform/store/CompanyStore.h"

namespace actifix::bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::time_point from) {
  return std::chrono::duration<double>(Clock::now() - from).count();
}

struct Measure {
  double seconds = 0;
  double peakMb = -1;  // negative when not measured
};

// Runs `work` in a child process. `work` returns the seconds of what it times, one or more
// parts (its own setup left out); the peak resident memory is the whole child's, which
// starts from what the parent holds: the parent gives its freed memory back first.
struct Measures {
  std::vector<double> seconds;
  double peakMb = -1;
};

inline Measures InChildParts(const std::function<std::vector<double>()>& work) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) throw std::runtime_error("pipe failed");
  std::fflush(nullptr);
  malloc_trim(0);
  const pid_t child = fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    close(pipeEnds[0]);
    std::vector<double> seconds;
    try {
      seconds = work();
    } catch (const std::exception& error) {
      std::fprintf(stderr, "%s\n", error.what());
      _exit(1);
    }
    const auto bytes = static_cast<ssize_t>(seconds.size() * sizeof(double));
    _exit(write(pipeEnds[1], seconds.data(), static_cast<size_t>(bytes)) == bytes ? 0 : 1);
  }
  close(pipeEnds[1]);
  Measures result;
  double part = 0;
  while (read(pipeEnds[0], &part, sizeof part) == sizeof part) result.seconds.push_back(part);
  close(pipeEnds[0]);
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error("run failed");
  result.peakMb = static_cast<double>(usage.ru_maxrss) / 1024.0;
  return result;
}

inline Measure InChild(const std::function<double()>& work) {
  const Measures parts = InChildParts([&work] { return std::vector<double>{work()}; });
  if (parts.seconds.size() != 1) throw std::runtime_error("run failed");
  return {parts.seconds[0], parts.peakMb};
}

// One line for bench/run.sh; a negative baseline or peak prints "-".
inline void TsvLine(const std::string& operation, int64_t size, double seconds,
                    const std::string& baseline, double baselineSeconds, double peakMb) {
  char base[32] = "-", peak[32] = "-";
  if (baselineSeconds >= 0) std::snprintf(base, sizeof base, "%.4f", baselineSeconds);
  if (peakMb >= 0) std::snprintf(peak, sizeof peak, "%.0f", peakMb);
  std::printf("%s\t%lld\t%.4f\t%s\t%s\t%s\n", operation.c_str(), static_cast<long long>(size),
              seconds, baseline.empty() ? "-" : baseline.c_str(), base, peak);
}

// Takes "--tsv" out of the arguments; true when it was there.
inline bool TakeTsvFlag(int& argc, char** argv) {
  bool found = false;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--tsv") == 0)
      found = true;
    else
      argv[kept++] = argv[i];
  }
  argc = kept;
  return found;
}

// A session on company "01" of `dir` whose screens answer from `script`.
inline std::unique_ptr<platform::Session> OpenSession(const std::filesystem::path& dir,
                                                      const std::string& script, bool pdf = false,
                                                      bool gridPdf = false, bool onlyReads = false,
                                                      const std::string& data = "") {
  platform::SessionOptions options;
  options.companies = platform::MakeCompanyStore(data.empty() ? dir.string() : data, dir);
  options.company = "01";
  options.editionsDir = dir / "editions";
  options.pdf = pdf;
  options.gridPdf = gridPdf;
  options.onlyReads = onlyReads;
  return std::make_unique<platform::Session>(
      options, std::make_unique<platform::ScriptedInterface>(platform::Script::FromText(script),
                                                             dir / "transcript"));
}

// The main of a benchmark over registers: `run(dir, size, tsv)` for each size given on the
// command line (default 100,000 and 1,000,000), each in a fresh temporary directory.
inline int RunForSizes(
    int argc, char** argv,
    const std::function<void(const std::filesystem::path&, int64_t, bool)>& run) {
  const bool tsv = TakeTsvFlag(argc, argv);
  std::vector<int64_t> counts;
  for (int i = 1; i < argc; ++i) counts.push_back(std::strtoll(argv[i], nullptr, 10));
  if (counts.empty()) counts = {100000, 1000000};
  for (const int64_t count : counts) {
    if (count < 1) {
      std::fprintf(stderr, "usage: %s [--tsv] [count...]\n", argv[0]);
      return 2;
    }
    char pattern[] = "/tmp/actifix-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    const std::filesystem::path dir = pattern;
    try {
      run(dir, count, tsv);
    } catch (const std::exception& error) {
      std::fprintf(stderr, "%s\n", error.what());
      std::filesystem::remove_all(dir);
      return 1;
    }
    std::filesystem::remove_all(dir);
  }
  return 0;
}

// The least a component does: its record buffer goes to and from the store as it is.
class BufferComponent : public HostComponent {
 public:
  explicit BufferComponent(HostRecordFile& records) : records_(records) {}
  void CallRecordOperation(const std::string& name, int32_t& E) override {
    if (name[0] == 'L')
      records_.ReadText(handle, E, buffer);
    else
      records_.WriteText(handle, E, buffer);
  }
  int16_t handle = 0;
  std::string buffer = std::string(256, 'x');

 private:
  HostRecordFile& records_;
};

}  // namespace actifix::bench
