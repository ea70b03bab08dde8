#include "platform/session/PlatformRuntime.h"

#include <fstream>

#include "host/Cp1252.h"
#include "host/HostError.h"
#include "platform/session/LocalTime.h"
#include "platform/store/WritePath.h"

namespace actifix::platform {

namespace {

std::string Now() { return LocalTimeText("%d/%m/%Y %H:%M:%S"); }

}  // namespace

void PlatformLauncher::Register(HostComponent&, const std::string& moduleName,
                                const std::string& loadOperation, HostAppObject*, HostAppObject*,
                                const std::string&, const std::string&) {
  moduleName_ = moduleName;
  loadOperation_ = loadOperation;
}

PlatformRuntime::PlatformRuntime(std::filesystem::path anomalyLog,
                                 std::function<void()> onEnterLeave,
                                 std::function<void(const Anomaly&)> onReport)
    : anomalyLog_(std::move(anomalyLog)),
      onEnterLeave_(std::move(onEnterLeave)),
      onReport_(std::move(onReport)) {}

void PlatformRuntime::Enter() {
  if (onEnterLeave_) onEnterLeave_();
}

void PlatformRuntime::Leave() {
  if (onEnterLeave_) onEnterLeave_();
}

void PlatformRuntime::Report(const std::string& message, const std::string& routine,
                             const int16_t&) {
  const Anomaly anomaly{ToUtf8(routine), ToUtf8(message)};
  std::ofstream log;
  OpenNoFollow(log, anomalyLog_, WriteMode::kAppend, "HostRuntime.Report");
  log << Now() << " " << anomaly.routine << " : " << anomaly.message << "\n";
  if (onReport_) onReport_(anomaly);
}

}  // namespace actifix::platform
