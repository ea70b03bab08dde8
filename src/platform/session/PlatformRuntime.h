// Start-up, launcher and run-time services of our host. Anomalies are appended to the
// company's anomaly log (<data>/<CODE>Anomalies.log) with date, time, routine and message, and
// handed to the session, which shows them in the transcript or at the end of the operation.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "host/HostLauncher.h"
#include "host/HostRuntime.h"
#include "host/HostStartup.h"

namespace actifix::platform {

class PlatformStartup : public HostStartup {
 public:
  void Start() override {}
};

// Keeps what the module registered; the host calls LectParamImmo itself after registration.
class PlatformLauncher : public HostLauncher {
 public:
  void Register(HostComponent& component, const std::string& moduleName,
                const std::string& loadOperation, HostAppObject* appExe, HostAppObject* fApp,
                const std::string& empty, const std::string& emptyList) override;
  void Prepare() override {}

  const std::string& moduleName() const { return moduleName_; }
  const std::string& loadOperation() const { return loadOperation_; }

 private:
  std::string moduleName_;
  std::string loadOperation_;
};

struct Anomaly {
  std::string routine;  // UTF-8
  std::string message;  // UTF-8
};

class PlatformRuntime : public HostRuntime {
 public:
  // `onEnterLeave` runs at Enter and Leave (the session commits the store there);
  // `onReport` gets each anomaly as it is reported.
  PlatformRuntime(std::filesystem::path anomalyLog, std::function<void()> onEnterLeave,
                  std::function<void(const Anomaly&)> onReport);

  void Enter() override;
  void Leave() override;
  void Report(const std::string& message, const std::string& routine,
              const int16_t& trueValue) override;

 private:
  std::filesystem::path anomalyLog_;
  std::function<void()> onEnterLeave_;
  std::function<void(const Anomaly&)> onReport_;
};

}  // namespace actifix::platform
