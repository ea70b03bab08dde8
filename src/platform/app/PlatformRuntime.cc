#include "platform/app/PlatformRuntime.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>

#include "host/Cp1252.h"
#include "host/HostError.h"

namespace actifix::platform {

namespace {

std::string Now() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%d/%m/%Y %H:%M:%S", &local);
  return text;
}

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
  std::ofstream log(anomalyLog_, std::ios::app);
  if (!log)
    throw HostError("HostRuntime.Report", anomalyLog_.string(),
                    "impossible d'écrire dans le journal des anomalies");
  log << Now() << " " << anomaly.routine << " : " << anomaly.message << "\n";
  if (onReport_) onReport_(anomaly);
}

std::filesystem::path AnomalyLogPath(const std::filesystem::path& dataDir,
                                     const std::string& code) {
  return dataDir / (code + "Anomalies.log");
}

}  // namespace actifix::platform
